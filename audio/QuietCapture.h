// What the capture thread does when DirectSound has not notified for a while
// although capture runs. Between notifications a second of quiet means the
// device is gone. A device just started may take well over a second to
// deliver its first block (Wine's sound-server connection); one whose capture
// position has not moved at all since the start is stuck rather than slow
// (seen under Wine on a busy machine: the position stays where the last
// buffer left it), and opening the device afresh gets it going, so that is
// tried once per start before the device is reported lost.
#pragma once

#include <cstdint>

enum class QuietVerdict { Wait, Reopen, Fault };

struct QuietCapture {
    uint32_t quietMs = 0;           // since the (re)start or the last notification
    bool firstBlockPending = false; // nothing read since the (re)start
    bool positionMoved = false;     // the capture position moved since the (re)start
    bool reopened = false;          // this start has opened the device afresh once
};

constexpr uint32_t kStallMs = 1000;
constexpr uint32_t kFirstNotificationMs = 3000;
constexpr uint32_t kReopenStuckStartMs = 1500;

QuietVerdict JudgeQuietCapture(const QuietCapture& quiet);
