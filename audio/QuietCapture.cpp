#include "QuietCapture.h"

QuietVerdict JudgeQuietCapture(const QuietCapture& quiet) {
    if (!quiet.firstBlockPending)
        return quiet.quietMs > kStallMs ? QuietVerdict::Fault : QuietVerdict::Wait;
    if (!quiet.reopened && !quiet.positionMoved && quiet.quietMs > kReopenStuckStartMs)
        return QuietVerdict::Reopen;
    return quiet.quietMs > kFirstNotificationMs ? QuietVerdict::Fault : QuietVerdict::Wait;
}
