// C entry point of hsh.dll (and of libhsh.so for the benchmark).
// The program calls ProcessInputAudioData on its capture thread with 16 kHz
// mono s16le blocks; there is no init call, so the suppressor state is one
// static, zero-initialised NsState set up on first use (no heap, no lock,
// no system call).
#include "NoiseSuppressor.h"

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define HSH_EXPORT __declspec(dllexport)
#else
#define HSH_EXPORT __attribute__((visibility("default")))
#endif

static NsState g_ns;  // POD: lives in .bss, no dynamic initialiser

extern "C" HSH_EXPORT int ProcessInputAudioData(unsigned char* block, int lengthBytes,
                                                unsigned char** outPtr, int* outLength,
                                                unsigned int sampleRate, int channels,
                                                int reserved)
{
    (void)reserved;
    if (outPtr) *outPtr = block;
    if (outLength) *outLength = lengthBytes > 0 ? lengthBytes : 0;
    if (!block || lengthBytes <= 0 || sampleRate != 16000 || channels != 1) return 0;
    if (!g_ns.ready) ns_init(&g_ns, nullptr);
    // The block is a byte buffer of unknown alignment: go through a small
    // aligned stack buffer, decoding little-endian explicitly. An odd
    // trailing byte is never read or written.
    const size_t total = (size_t)lengthBytes / 2;
    int16_t tmp[160];
    for (size_t done = 0; done < total;) {
        const size_t n = total - done < 160 ? total - done : 160;
        unsigned char* p = block + 2 * done;
        for (size_t i = 0; i < n; i++)
            tmp[i] = (int16_t)(uint16_t)(p[2 * i] | (p[2 * i + 1] << 8));
        ns_process(&g_ns, tmp, n);
        for (size_t i = 0; i < n; i++) {
            const uint16_t u = (uint16_t)tmp[i];
            p[2 * i] = (unsigned char)(u & 0xFF);
            p[2 * i + 1] = (unsigned char)(u >> 8);
        }
        done += n;
    }
    return lengthBytes;
}
