// Hushwave noise suppressor: platform-free, allocation-free streaming
// single-channel speech enhancement for 16 kHz 16-bit mono PCM.
//
// Signal path (per hop of NS_HOP = 80 samples, i.e. 5 ms):
//   low-delay asymmetric analysis window (NS_FFT samples: long rising edge,
//   short falling edge) -> real FFT -> SPP-based noise PSD tracking
//   (Gerkmann & Hendriks 2012) with a low-frequency harmonic guard ->
//   decision-directed a-priori SNR with onset and low-bin leakage terms ->
//   frame activity from the Gaussian log-likelihood ratio (Sohn 1999) and a
//   long-term speech SNR ->
//   OM-LSA gain (Cohen & Berdugo 2001) with speech presence probability and
//   an activity-dependent floor (deep in pauses, gentle in speech) ->
//   learned band factors and voice activity (GainNet) -> pause attenuation
//   from both activities, steadied in pauses; voiced bands kept up to their
//   Wiener gain, and those the voice is absent from (AbsenceNet) taken down;
//   voiced hops eased where the voice stands well clear of the noise -> a
//   comb at the voice's pitch in voiced hops ->
//   inverse FFT -> short synthesis window (2*NS_HOP) -> overlap-add ->
//   time-domain click suppressor (one hop of look-ahead).
// The short synthesis window keeps the algorithmic delay at
// 2*NS_HOP-1 = 159 samples (9.94 ms) whatever NS_FFT is (Mauler & Martin
// 2007 style low-delay windows); 256 points give 62.5 Hz bins.
//
// Everything lives in NsState (plain data, no constructors), so one static
// instance needs no heap and no dynamic initialisation.
// Build with -fno-trapping-math (GCC/MinGW) so the per-bin loops vectorise;
// results do not depend on it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "GainNet.h"
#include "Pitch.h"
#include "RealFft.h"

constexpr int NS_FFT = kRealFftSize; // analysis frame length
constexpr int NS_HOP = 80;           // hop; 4 hops per 20 ms block
constexpr int NS_BINS = NS_FFT / 2 + 1;
constexpr int NS_DELAY = 2 * NS_HOP - 1;      // output sample n is input n - NS_DELAY
constexpr int NS_PAD = (NS_BINS + 7) / 8 * 8; // NS_BINS rounded up to a multiple of 8 so
                                              // per-bin loops auto-vectorise at -O2

// Tunable parameters, in one unit each: levels and ratios in dB, times in
// seconds, weights and probabilities as plain numbers. NsInit converts them
// into the per-hop constants the processing uses. Defaults (NsDefaultParams)
// are what the DLL uses; the benchmark driver can override them for tuning.
struct NsParams {
    float noiseTauSec;        // noise PSD smoothing time constant
    float sppPriorDb;         // fixed a-priori SNR assumed under H1 for SPP
    float sppPriorHiDb;       // ... used instead when the long-term SNR is high
    int guardBins;            // bins below this are not learnt as noise while
                              // their upper neighbour holds speech
    float ddAlpha;            // decision-directed weight in speech
    float ddAlphaPause;       // ... when activity is 0
    float ddAlphaRise;        // ... for rising bins at high SNR in speech
    float onsetDb;            // a-posteriori SNR above which xi follows the frame
    float lowLeak;            // share of bin k+1's speech credited to bin k ...
    int lowLeakBins;          // ... for the lowest this many bins
    float hiSnrDb;            // long-term SNR where "high SNR" starts
    float xiMinDb;            // lower limit of the a-priori SNR
    float qMax;               // maximum a-priori speech absence probability
    float qMaxPause;          // ... when activity is 0
    float floorSpeechDb;      // gain floor while speech is present
    float floorPauseDb;       // gain floor in speech pauses
    float pauseDb;            // extra broadband attenuation when activity is 0
    float deepPauseDb;        // extra attenuation once a pause has lasted ...
    float deepPauseAfterSec;  // ... this long
    float deepPauseRampSec;   // ... ramped in over this time
    float pauseHoldVad;       // frame activity that ends a pause; below it (and
                              // above 0.05) the deep attenuation is only lifted ...
    float pauseHoldAfterSec;  // ... once a pause has lasted this long
    float pauseKeepDb;        // a-priori SNR above which a bin is kept out of
                              // the broadband pause attenuation
    float vadAttackSec;       // smoothing of frame speech activity, rising
    float vadReleaseSec;      // ... falling
    float vadLlrLo;           // frame log-likelihood ratio (nats) mapped to activity 0
    float vadLlrHi;           // ... and to activity 1
    float sppFsmooth;         // 0..1: use 3-bin averaged SNRs for presence
    float stagTauSec;         // time constant of the SPP stagnation guard
    float clickRatioDb;       // hop energy above both neighbours => click
    float clickSpeechDb;      // ... plus this much while speech is active
    float clickFloorDb;       // strongest attenuation applied to a click hop
    float netDepth;           // 0..1: how much of the learned band factors is applied
    float steadyRiseSec;      // in pauses a bin's gain rises with this time constant
                              // (it falls at once), so noise peaks do not flicker
    float steadyAfterSec;     // ... once no activity has been seen for this long
    float steadyRampSec;      // ... ramped in over this time
    float steadySpread;       // 0..1: in pauses the gain is averaged over 3 bins by this much
    float netPauseBelow;      // learned voice activity below which a hop counts as a pause ...
    float netPauseEnd;        // ... and from which it ends one
    float netPauseAfterSec;   // such a pause is taken down further after this long ...
    float netPauseRampSec;    // ... ramped in over this time ...
    float netPauseDb;         // ... by this much
    float netPauseKeep;       // 0..1: bins far above the noise are kept out of it this much
    float netPauseSure;       // ... (and out of the pause's smoothing) less so as the learned
                              // voice activity falls below this (0: off), but for bins this
    float netPauseRiseDb;     // far above the pause's own level (LearnedPausePresence)
    float quietNetBelow;      // once the frame activity has heard nothing for ...
    float quietAfterSec;      // ... this long, a learned voice activity below this also
                              // counts towards the learned pause (both detectors agree)
    float onsetPauseAfterSec; // once the frame activity has heard nothing for this long ...
    float onsetPauseRampSec;  // ... the frame is taken down (ramped in over this time) ...
    float onsetPauseDb;       // ... by this much, where the learned voice activity is ...
    float onsetPauseNetEnd;   // ... below this (fully from 0.2 lower)
    float onsetHoldVad;       // frame activity that restarts the onset's count (weaker only
                              // lifts it in proportion)
    float swellShape;         // a frame whose spread over the noise (UpdateSwell) is below
    float swellRiseDb;        // this and whose level is this far above it is the noise swelling:
    float swellNetEnd;        // the onset then ignores the frame activity, up to this learned one
    float easeSnrDb;          // where the mean level of a voice stands above the peak
    float easeSpanDb;         // level of the noise by this (ramped in over this span) ...
    float easeNet;            // 0..1: ... the learned band factors are eased to 1 this much
    float easeFrom;           // ... where they are above this (ramped over 0.3) ...
    float easeGain;           // 0..1: ... and the whole gain this much (in dB) in voiced hops
    float levelTauSec;        // time constant of the voice's mean level
    float peakTauSec;         // ... and of the fall of the noise's peak level
    float underVoiceDb;       // a hop this far below the voice's mean level (UpdateEase) ...
    float underVoiceNetEnd;   // ... with a learned voice activity below this counts towards
                              // the learned pause, whole (quiet voices in the background)
    float voiceFloor;         // 0..1: in voiced hops no band above 125 Hz goes below this share
                              // of its own Wiener gain times its learned factor (VoiceBandFloor)
    float netFloor;           // 0..1: ... nor below this share of its learned floor where the
                              // estimator hears a voice
    float pitchFilter;        // 0..1: how much of the comb at the pitch a voiced hop gets
    float absentAbove;        // a band the absence estimator finds free of the voice with
    float absentDb;           // this probability (ramped in 0.1 either side) is taken this far
                              // down in voiced hops
};

// Per-hop constants NsInit derives from NsParams.
struct NsConstants {
    float noiseAlpha, stagAlpha, zetaAlpha; // recursive smoothing weights per hop
    float vadAttack, vadRelease;
    float xiMin, keepXi, onsetGamma; // power ratios
    float clickGainMin;              // amplitude
    float steadyRise;                // per-hop weight of a rising gain in pauses
    float swellRise;                 // swellRiseDb as a mean natural log
    float levelAlpha;                // per-hop weight of the voice's mean level
    float peakDecay;                 // per-hop fall of the noise's peak level
    float pauseRise;                 // netPauseRiseDb as a power ratio
    float underVoice;                // underVoiceDb as a power ratio
    float absentGain;                // absentDb as an amplitude
};

struct NsState {
    int ready; // set by NsInit
    NsParams p;
    NsConstants c;
    RealFft fft;
    float winA[NS_FFT];        // analysis window
    float winS[NS_FFT];        // synthesis window (zero except tail)
    float inHist[NS_FFT];      // last NS_FFT input samples
    float ola[NS_FFT];         // overlap-add accumulator
    float outQ[NS_HOP];        // completed output samples of last hop
    int pos;                   // samples collected in current hop
    int frames;                // hops processed (saturating)
    float noise[NS_PAD];       // noise PSD estimate
    float sppAvg[NS_PAD];      // smoothed SPP (stagnation guard)
    float prevSnrPost[NS_PAD]; // previous a-posteriori SNR * G_H1^2
    float xiSmooth[NS_PAD];    // recursively averaged a-priori SNR
    float vad;                 // frame speech activity in [0,1]
    float vadInst;             // same, unsmoothed (this frame only)
    float ltSnr;               // long-term mean ln(1+xi) in active speech
    float hiSnr;               // 0..1: how far ltSnr is above hiSnrDb
    int pauseHops;             // hops since activity was last seen
    int netPauseHops;          // hops since the learned voice activity was last seen
    int onsetHops;             // hops since the frame activity was last clearly seen
    float swellShape;          // smoothed spread of the frame over the noise ...
    float swellRise;           // ... and its level above it (UpdateSwell)
    int swellHops;             // hops the noise has been swelling
    float hopE[3];             // pre-emphasised energy of last 3 hops
    float emphPrev;            // pre-emphasis filter memory
    float clickGain;           // time-domain gain of the previous hop
    float steadyLg[NS_PAD];    // log2 gain of the previous hop after SteadyPauseGain
    float pausePeak[NS_PAD];   // each bin's level in the learned pause (LearnedPausePresence)
    float work[NS_FFT + 2];    // FFT scratch (interleaved re/im)
    GainNetState net;
    float features[kGainFeatures]; // the learned estimator's input of the last hop
    float netBands[kGainOutputs];  // ... and its output (band factors, voice activity, band floors)
    float voicePower;              // mean frame power where the estimator hears a voice ...
    int voicePowerHops;            // ... over this many hops (saturating)
    float noisePeak;   // peak frame power (falling) where it does not clearly hear one ...
    int noisePeakHops; // ... over this many hops (saturating)
    float ease;        // 0..1: how far this hop is eased (UpdateEase)
    float hopPower;    // this hop's frame power (UpdateEase)
    float bandNoisy[kGainBands];      // this hop's band powers of the frame and of the noise
    float bandNoise[kGainBands];      // (MakeFeatures; the later stages read them too)
    PitchState pitch;                 // the voice's pitch (BandPeriodicity) ...
    float pitchFrame[NS_FFT + 2];     // ... the spectrum of the frame one period earlier ...
    float pitchBandPower[kGainBands]; // ... its band powers ...
    float periodicity[kPeriodicity];  // ... each band's correlation with it, and the pitch's
    AbsenceNetState absence;          // the absence estimator's state ...
    float absent[kGainBands];         // ... and its output: the voice is absent from the band
};

void NsDefaultParams(NsParams* p);
// (Re)initialise; params may be null for defaults.
void NsInit(NsState* st, const NsParams* params);
// Denoise count samples in place. Output is delayed by NS_DELAY samples and
// does not depend on how a stream is split into calls.
void NsProcess(NsState* st, int16_t* samples, size_t count);

// The fast log2/exp2 used for the per-bin gains (exposed for unit tests).
float NsFastLog2(float x);
float NsFastExp2(float x);
