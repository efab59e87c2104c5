// Test build of hsh.dll that proves which blocks went through it: it inverts
// every sample (s -> ~s, reversible and overflow-free) and logs each call with
// its arguments into shared memory that any test process can read.
#include <windows.h>

#include <cstring>

#include "hsh/hsh_api.h"
#include "hsh_mark_log.h"

namespace {

HshMarkLog* OpenLog() {
    static HshMarkLog* log = [] {
        HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(HshMarkLog), HSH_MARK_LOG_NAME);
        if (!mapping)
            return static_cast<HshMarkLog*>(nullptr);
        return static_cast<HshMarkLog*>(
            MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(HshMarkLog)));
    }();
    return log;
}

uint32_t Checksum(const unsigned char* p, int length) {
    uint32_t sum = 2166136261u; // FNV-1a
    for (int i = 0; i < length; ++i)
        sum = (sum ^ p[i]) * 16777619u;
    return sum;
}

void Record(HshMarkCall& call, unsigned char* block, int length, unsigned char** outBlock,
            int* outLength, unsigned int sampleRate, int channels, int reserved) {
    call.threadId = GetCurrentThreadId();
    call.block = reinterpret_cast<uintptr_t>(block);
    call.length = length;
    call.outBlockArg = reinterpret_cast<uintptr_t>(outBlock);
    call.outBlockBefore = outBlock ? reinterpret_cast<uintptr_t>(*outBlock) : 0;
    call.outLengthArg = reinterpret_cast<uintptr_t>(outLength);
    call.outLengthBefore = outLength ? *outLength : 0;
    call.sampleRate = sampleRate;
    call.channels = channels;
    call.reserved = reserved;
    call.checksumBefore = block && length > 0 ? Checksum(block, length) : 0;
}

} // namespace

#ifdef HSH_MARK_DECORATED_NAME
// The entry under a C++ (decorated) name: the library loads, but has no
// "ProcessInputAudioData".
namespace decorated {
__declspec(dllexport) int ProcessInputAudioData(unsigned char* block, int length,
                                                unsigned char** outBlock, int* outLength,
                                                unsigned int sampleRate, int channels,
                                                int reserved) {
#else
extern "C" int HSH_CDECL ProcessInputAudioData(unsigned char* block, int length,
                                               unsigned char** outBlock, int* outLength,
                                               unsigned int sampleRate, int channels,
                                               int reserved) {
#endif
    HshMarkLog* log = OpenLog();
    HshMarkCall scratch = {};
    LONG seq = log ? InterlockedIncrement(&log->calls) - 1 : 0;
    HshMarkCall& call = log ? log->entries[seq % HSH_MARK_LOG_ENTRIES] : scratch;
    Record(call, block, length, outBlock, outLength, sampleRate, channels, reserved);
    if (block && length > 0) {
        for (int i = 0; i + 1 < length; i += 2) {
            block[i] = static_cast<unsigned char>(~block[i]);
            block[i + 1] = static_cast<unsigned char>(~block[i + 1]);
        }
        call.checksumAfter = Checksum(block, length);
    }
#ifdef HSH_MARK_HANG_AT_CALL
    if (seq + 1 == HSH_MARK_HANG_AT_CALL)
        Sleep(10000);
#endif
    call.seq = static_cast<uint32_t>(seq) + 1; // written last: the entry is complete
    return 0;
}
#ifdef HSH_MARK_DECORATED_NAME
} // namespace decorated
#endif

extern "C" int HSH_CDECL ProcessOutputAudioData(unsigned char*, int, unsigned char**, int*,
                                                unsigned int, int, int) {
    return 0;
}
