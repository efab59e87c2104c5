#include <gtest/gtest.h>

#include "audio/QuietCapture.h"

// A slow first block is waited for; a start that never moved is opened afresh
// once; a running capture that falls quiet, or a start that stays stuck after
// the fresh open, is a lost device.
TEST(QuietCapture, SlowStartsAreWaitedForAndStuckOnesOpenedAfreshOnce) {
    struct Case {
        QuietCapture quiet;
        QuietVerdict verdict;
    };
    const Case cases[] = {
        {{900, false, true, false}, QuietVerdict::Wait},
        {{1100, false, true, false}, QuietVerdict::Fault},
        {{1100, false, false, false}, QuietVerdict::Fault}, // running, then nothing at all
        {{1400, true, false, false}, QuietVerdict::Wait},
        {{1600, true, false, false}, QuietVerdict::Reopen},
        {{2900, true, true, false}, QuietVerdict::Wait}, // moving: slow, not stuck
        {{3100, true, true, false}, QuietVerdict::Fault},
        {{2900, true, false, true}, QuietVerdict::Wait},
        {{3100, true, false, true}, QuietVerdict::Fault},
    };
    for (const Case& c : cases)
        EXPECT_EQ(JudgeQuietCapture(c.quiet), c.verdict)
            << c.quiet.quietMs << " ms, pending " << c.quiet.firstBlockPending << ", moved "
            << c.quiet.positionMoved << ", reopened " << c.quiet.reopened;
}
