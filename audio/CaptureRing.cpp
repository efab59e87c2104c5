#include "CaptureRing.h"

CaptureReadPlan PlanCaptureRead(uint32_t readOffset, uint32_t capturePosition,
                                uint32_t readPosition, uint32_t bufferSize, uint32_t blockSize) {
    CaptureReadPlan plan = {};
    // Just after a start the read offset, rounded up to a whole block, may
    // lie a little ahead of the read position: nothing is ready yet (reading
    // "on" would hand on almost the whole ring, never captured).
    if (bufferSize != 0) {
        const uint32_t ahead = (readOffset + bufferSize - readPosition) % bufferSize;
        if (ahead != 0 && ahead < blockSize)
            return plan;
    }
    plan.overlap = readPosition < readOffset && readOffset < capturePosition;
    int32_t size = static_cast<int32_t>(readPosition - readOffset);
    if (size < 0)
        size += static_cast<int32_t>(bufferSize);
    plan.size =
        blockSize ? static_cast<uint32_t>(size) - static_cast<uint32_t>(size) % blockSize : 0;
    return plan;
}

uint32_t FirstReadOffset(uint32_t readPosition, uint32_t blockSize, uint32_t bufferSize) {
    if (blockSize == 0 || bufferSize == 0)
        return 0;
    const uint32_t rounded = (readPosition + blockSize - 1) / blockSize * blockSize;
    return rounded % bufferSize;
}
