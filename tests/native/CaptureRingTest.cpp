// How a notification's read is cut from the one-second ring.
#include <gtest/gtest.h>

#include "CaptureRing.h"

namespace {
constexpr uint32_t kRing = 32000, kBlock = 640;
}

TEST(CaptureRing, AReadAcrossTheRingsEndCountsBothParts) {
    CaptureReadPlan p = PlanCaptureRead(31360, 1600, 1500, kRing, kBlock);
    EXPECT_EQ(p.size, 1920u);
    EXPECT_FALSE(p.overlap);
    EXPECT_EQ(PlanCaptureRead(30720, 10, 0, kRing, kBlock).size, 1280u); // ends at the end
}

TEST(CaptureRing, LessThanOneBlockReadsNothing) {
    for (uint32_t ahead : {0u, 1u, 639u})
        EXPECT_EQ(PlanCaptureRead(1280, 1280 + ahead + 10, 1280 + ahead, kRing, kBlock).size, 0u)
            << ahead;
    EXPECT_EQ(PlanCaptureRead(31800 - 200, 100, 31999, kRing, kBlock).size, 0u);
}

TEST(CaptureRing, WholeBlocksOnlyAndOverlapIsFlagged) {
    EXPECT_EQ(PlanCaptureRead(640, 2000, 2000, kRing, kBlock).size, 1280u);
    // The read offset has fallen between read and capture position.
    CaptureReadPlan o = PlanCaptureRead(5000, 6000, 4000, kRing, kBlock);
    EXPECT_TRUE(o.overlap);
    EXPECT_EQ(o.size, 30720u); // reads the ring round to the read position
}

TEST(CaptureRing, EveryOffsetAndDistanceGivesWholeBlocks) {
    // Up to a block short of the whole ring: a read position less than a
    // block behind the offset means nothing is ready (see below).
    for (uint32_t offset = 0; offset < kRing; offset += kBlock)
        for (uint32_t ahead = 0; ahead <= kRing - kBlock; ahead += 97) {
            uint32_t pos = (offset + ahead) % kRing;
            ASSERT_EQ(PlanCaptureRead(offset, pos, pos, kRing, kBlock).size,
                      ahead - ahead % kBlock);
        }
}

TEST(CaptureRing, AFreshBufferIsReadFromWhereItsCaptureBegins) {
    EXPECT_EQ(FirstReadOffset(0, kBlock, kRing), 0u);       // a buffer that starts at 0
    EXPECT_EQ(FirstReadOffset(7360, kBlock, kRing), 7680u); // a carried-over position
    EXPECT_EQ(FirstReadOffset(7680, kBlock, kRing), 7680u);
    EXPECT_EQ(FirstReadOffset(31700, kBlock, kRing), 0u); // rounds past the end: wraps
    EXPECT_EQ(FirstReadOffset(31999, kBlock, kRing) % kBlock, 0u);
    // The first read may come before the read position reaches the rounded
    // offset: it must read nothing, not the never-captured rest of the ring.
    for (uint32_t readPosition : {7361u, 7679u, 31700u, 31999u}) {
        const uint32_t first = FirstReadOffset(readPosition, kBlock, kRing);
        EXPECT_EQ(PlanCaptureRead(first, readPosition + 5, readPosition, kRing, kBlock).size, 0u)
            << readPosition;
    }
}
