// Shared-memory log of the marking test library: one entry per call.
#pragma once

#include <windows.h>

#include <cstdint>

#define HSH_MARK_LOG_NAME "HushwaveHshMarkLog"
#define HSH_MARK_LOG_ENTRIES 8192

struct HshMarkCall {
    uint32_t seq; // 1-based call number; 0 while the entry is being written
    uint32_t threadId;
    uint64_t block;
    int32_t length;
    uint64_t outBlockArg;
    uint64_t outBlockBefore;
    uint64_t outLengthArg;
    int32_t outLengthBefore;
    uint32_t sampleRate;
    int32_t channels;
    int32_t reserved;
    uint32_t checksumBefore;
    uint32_t checksumAfter;
};

struct HshMarkLog {
    volatile LONG calls;
    HshMarkCall entries[HSH_MARK_LOG_ENTRIES];
};
