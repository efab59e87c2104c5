// hsh.dll's entry points: check the call, then run the suppressor in place.
#include "hsh_api.h"
#include "NoiseSuppressor.h"

namespace {
NsState g_inputState; // one stream: the program's microphone
} // namespace

extern "C" int HSH_CDECL ProcessInputAudioData(unsigned char* block, int length,
                                               unsigned char** outBlock, int* outLength,
                                               unsigned int sampleRate, int channels,
                                               int /*reserved*/) {
    // Anything but 16 kHz mono, or no data, passes untouched; an odd trailing
    // byte is not a sample and is left as it is.
    if (block && length > 1 && sampleRate == 16000 && channels == 1)
        NsProcessBytes(g_inputState, block, static_cast<size_t>(length) / 2);
    if (outBlock)
        *outBlock = block;
    if (outLength)
        *outLength = length;
    return 0;
}

extern "C" int HSH_CDECL ProcessOutputAudioData(unsigned char* block, int length,
                                                unsigned char** outBlock, int* outLength,
                                                unsigned int, int, int) {
    if (outBlock)
        *outBlock = block;
    if (outLength)
        *outLength = length;
    return 0;
}
