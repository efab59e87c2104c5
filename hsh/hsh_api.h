/* The call the program makes into hsh.dll: cdecl, seven 32-bit arguments,
 * processing 16 kHz mono 16-bit audio in place within the call. */
#ifndef HUSHWAVE_HSH_API_H
#define HUSHWAVE_HSH_API_H

#if defined(_WIN32)
#define HSH_EXPORT __declspec(dllexport)
#define HSH_CDECL __cdecl
#else
#define HSH_EXPORT __attribute__((visibility("default")))
#define HSH_CDECL
#endif

#ifdef __cplusplus
extern "C" {
#endif

HSH_EXPORT int HSH_CDECL ProcessInputAudioData(unsigned char* block, int length,
                                               unsigned char** outBlock, int* outLength,
                                               unsigned int sampleRate, int channels, int reserved);
HSH_EXPORT int HSH_CDECL ProcessOutputAudioData(unsigned char* block, int length,
                                                unsigned char** outBlock, int* outLength,
                                                unsigned int sampleRate, int channels,
                                                int reserved);

#ifdef __cplusplus
}
#endif

#endif
