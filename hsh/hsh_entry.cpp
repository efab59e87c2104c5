// hsh.dll's entry points: check the call, then run the suppressor in place.
// There is no initialisation call, so the state is one zero-initialised
// static (in .bss, no constructor) set up by the first block: no heap, no
// lock and no system call on the capture thread.
#include "NoiseSuppressor.h"
#include "hsh_api.h"

namespace {

NsState g_inputState; // one stream: the program's microphone

int16_t ReadSample(const unsigned char* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

void WriteSample(unsigned char* p, int16_t value) {
    const auto u = static_cast<uint16_t>(value);
    p[0] = static_cast<unsigned char>(u & 0xFF);
    p[1] = static_cast<unsigned char>(u >> 8);
}

// The block is a byte buffer of any alignment: samples go through a small
// aligned stack buffer, decoded little-endian byte by byte.
void ProcessBytes(unsigned char* block, size_t samples) {
    int16_t chunk[160];
    for (size_t done = 0; done < samples;) {
        const size_t n = samples - done < 160 ? samples - done : 160;
        unsigned char* p = block + 2 * done;
        for (size_t i = 0; i < n; ++i)
            chunk[i] = ReadSample(p + 2 * i);
        NsProcess(&g_inputState, chunk, n);
        for (size_t i = 0; i < n; ++i)
            WriteSample(p + 2 * i, chunk[i]);
        done += n;
    }
}

void PointBackAtBlock(unsigned char* block, int length, unsigned char** outBlock, int* outLength) {
    if (outBlock)
        *outBlock = block;
    if (outLength)
        *outLength = length > 0 ? length : 0;
}

} // namespace

// Returns the bytes processed: 0 for a call it leaves alone (another format,
// no data). An odd trailing byte is no sample and is left as it is.
extern "C" int HSH_CDECL ProcessInputAudioData(unsigned char* block, int length,
                                               unsigned char** outBlock, int* outLength,
                                               unsigned int sampleRate, int channels,
                                               int /*reserved*/) {
    PointBackAtBlock(block, length, outBlock, outLength);
    if (!block || length < 2 || sampleRate != 16000 || channels != 1)
        return 0;
    if (!g_inputState.ready)
        NsInit(&g_inputState, nullptr);
    ProcessBytes(block, static_cast<size_t>(length) / 2);
    return length;
}

// Nothing calls the output direction; it passes through.
extern "C" int HSH_CDECL ProcessOutputAudioData(unsigned char* block, int length,
                                                unsigned char** outBlock, int* outLength,
                                                unsigned int, int, int) {
    PointBackAtBlock(block, length, outBlock, outLength);
    return 0;
}
