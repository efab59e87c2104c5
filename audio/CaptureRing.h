// Arithmetic of the capture ring: how much of what DirectSound has captured
// can be read now, in whole blocks. (Where it lies, in one region or two,
// is what the buffer's Lock reports.)
#pragma once

#include <cstdint>

struct CaptureReadPlan {
    uint32_t size; // bytes to read: a multiple of the block size, 0 for none
    bool overlap;  // the read offset lies between read and capture position
};

// readOffset: next byte to read; readPosition and capturePosition as the
// buffer reports them. bufferSize is a whole number of blocks.
CaptureReadPlan PlanCaptureRead(uint32_t readOffset, uint32_t capturePosition,
                                uint32_t readPosition, uint32_t bufferSize, uint32_t blockSize);

// Where reading a freshly started buffer begins: its read position rounded up
// to a whole block, within the ring.
uint32_t FirstReadOffset(uint32_t readPosition, uint32_t blockSize, uint32_t bufferSize);
