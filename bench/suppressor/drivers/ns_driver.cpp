// Hushwave suppressor driver (static library API, fresh state per file).
// Usage: ns_driver list.txt timing.txt [param=value ...]
#include "NoiseSuppressor.h"
#include "driver_common.h"
#include <cstdlib>
#include <cstring>

static bool set_param(NsParams* p, const char* kv)
{
    const char* eq = std::strchr(kv, '=');
    if (!eq) return false;
    std::string k(kv, eq - kv);
    float v = (float)std::atof(eq + 1);
#define P(name) if (k == #name) { p->name = v; return true; }
    P(noiseTauSec) P(sppPriorDb) P(sppPriorHiDb) P(ddAlpha) P(ddAlphaPause) P(ddAlphaRise)
    P(onsetDb) P(lowLeak) P(hiSnrDb) P(xiMinDb) P(qMax) P(qMaxPause) P(floorSpeechDb)
    P(floorPauseDb) P(pauseDb) P(deepPauseDb) P(deepPauseAfterSec) P(pauseKeepDb)
    P(vadAttackSec) P(vadReleaseSec) P(vadLlrLo) P(vadLlrHi) P(sppFsmooth) P(stagTauSec)
    P(clickRatioDb) P(clickSpeechDb) P(clickFloorDb) P(netDepth) P(deepPauseRampSec) P(pauseHoldVad) P(pauseHoldAfterSec)
    P(steadyRiseSec) P(steadyAfterSec) P(steadyRampSec) P(steadySpread)
    P(netPauseBelow) P(netPauseEnd) P(netPauseAfterSec) P(netPauseRampSec) P(netPauseDb) P(netPauseKeep) P(netPauseSure) P(netPauseRiseDb)
    P(quietNetBelow) P(quietAfterSec) P(onsetPauseAfterSec) P(onsetPauseRampSec) P(onsetPauseDb)
    P(onsetPauseNetEnd) P(onsetHoldVad) P(swellShape) P(swellRiseDb) P(swellNetEnd) P(easeSnrDb) P(easeSpanDb) P(easeNet) P(easeFrom) P(easeGain) P(levelTauSec) P(peakTauSec) P(underVoiceDb) P(underVoiceNetEnd) P(voiceFloor) P(netFloor) P(pitchFilter) P(absentAbove) P(absentDb)
#undef P
#define PI(name) if (k == #name) { p->name = (int)v; return true; }
    PI(guardBins) PI(lowLeakBins)
#undef PI
    return false;
}

int main(int argc, char** argv)
{
    if (argc < 3) { std::fprintf(stderr, "usage: %s list timing [k=v...]\n", argv[0]); return 2; }
    NsParams prm;
    NsDefaultParams(&prm);
    for (int i = 3; i < argc; i++)
        if (!set_param(&prm, argv[i])) { std::fprintf(stderr, "bad param %s\n", argv[i]); return 2; }
    static NsState st;
    return bench::run_list(argv[1], argv[2], [&] { NsInit(&st, &prm); },
                           [&](int16_t* b) { NsProcess(&st, b, bench::kBlock); });
}
