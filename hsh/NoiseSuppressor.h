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

#include "RealFft.h"

constexpr int NS_FFT = kRealFftSize; // analysis frame length
constexpr int NS_HOP = 80;           // hop; 4 hops per 20 ms block
constexpr int NS_BINS = NS_FFT / 2 + 1;
constexpr int NS_DELAY = 2 * NS_HOP - 1;      // output sample n is input n - NS_DELAY
constexpr int NS_PAD = (NS_BINS + 7) / 8 * 8; // NS_BINS rounded up to a multiple of 8 so
                                              // per-bin loops auto-vectorise at -O2

// Tunable parameters. Defaults (NsDefaultParams) are what the DLL uses;
// the benchmark driver can override them for tuning.
struct NsParams {
    float noise_alpha;      // noise PSD smoothing per hop
    float spp_prior_db;     // fixed a-priori SNR assumed under H1 for SPP (dB)
    float spp_prior_hi_db;  // ... used instead when the long-term SNR is high
    int guard_bins;         // bins below this are not learnt as noise while
                            // their upper neighbour holds speech
    float dd_alpha;         // decision-directed weight
    float dd_alpha_rise;    // weight for rising bins at high SNR in speech
    float onset_gamma;      // a-posteriori SNR above which xi follows the frame
    float low_leak;         // share of bin k+1's speech credited to bin k ...
    int low_leak_bins;      // ... for the lowest this many bins
    float hi_snr_db;        // long-term SNR (dB) where "high SNR" starts
    float xi_min_db;        // lower limit of a-priori SNR (dB)
    float q_max;            // maximum a-priori speech absence probability
    float floor_speech_db;  // gain floor while speech is present (dB)
    float floor_pause_db;   // gain floor in speech pauses (dB)
    float vad_attack;       // smoothing of frame speech activity, rising
    float vad_release;      // smoothing of frame speech activity, falling
    float noise_bias;       // over-estimation factor applied to noise PSD
    float gain_release;     // max per-hop gain decay factor in noise bins
    float click_ratio_db;   // hop energy above both neighbours => click (dB)
    float click_speech_db;  // ... plus this much while speech is active
    float pause_keep_db;    // a-priori SNR (dB) above which a bin is kept out of
                            // the broadband pause attenuation
    float click_floor_db;   // strongest attenuation applied to a click hop
    float stag_tau;         // time constant (s) of the SPP stagnation guard
    float gain_fsmooth;     // weight of each neighbour in 3-tap gain smoothing
    float vad_llr_lo;       // frame log-likelihood ratio mapped to activity 0
    float vad_llr_hi;       // ... and to activity 1
    float vad_llr_smooth;   // recursive smoothing of that ratio per hop
    float pause_db;         // extra broadband attenuation when activity is 0
    float q_max_pause;      // q_max when activity is 0
    float deep_pause_db;    // extra attenuation once a pause has lasted ...
    float deep_pause_after; // ... this long (s)
    float dd_alpha_pause;   // decision-directed weight when activity is 0
    float spp_fsmooth;      // 0..1: use 3-bin averaged SNRs for presence
};

struct NsState {
    int ready; // set by NsInit
    NsParams p;
    float k_xi_min, k_keep_xi, k_stag, k_zeta; // derived from p at init
    RealFft fft;
    float win_a[NS_FFT];         // analysis window
    float win_s[NS_FFT];         // synthesis window (zero except tail)
    float in_hist[NS_FFT];       // last NS_FFT input samples
    float ola[NS_FFT];           // overlap-add accumulator
    float out_q[NS_HOP];         // completed output samples of last hop
    int pos;                     // samples collected in current hop
    int frames;                  // hops processed (saturating)
    float noise[NS_PAD];         // noise PSD estimate
    float spp_avg[NS_PAD];       // smoothed SPP (stagnation guard)
    float prev_gain[NS_PAD];     // previous final gain
    float prev_snr_post[NS_PAD]; // previous a-posteriori SNR * G_H1^2
    float xi_smooth[NS_PAD];     // recursively averaged a-priori SNR
    float vad;                   // frame speech activity in [0,1]
    float vad_inst;              // same, unsmoothed (this frame only)
    float llr;                   // last frame log-likelihood ratio
    float lt_snr;                // long-term mean ln(1+xi) in active speech
    float hi_snr;                // 0..1: how far lt_snr is above hi_snr_db
    int pause_hops;              // hops since activity was last seen
    float hop_e[3];              // pre-emphasised energy of last 3 hops
    float emph_prev;             // pre-emphasis filter memory
    float click_gain;            // time-domain gain of the previous hop
    float work[NS_FFT + 2];      // FFT scratch (interleaved re/im)
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
