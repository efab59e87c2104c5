// Hushwave noise suppressor core. See NoiseSuppressor.h for the signal path.
#include "NoiseSuppressor.h"

#include <cmath>
#include <cstring>

namespace {

constexpr float kHopSec = static_cast<float>(NS_HOP) / 16000.0f;
constexpr int kInitFrames = 12;              // noise PSD bootstrap: first 60 ms
constexpr int kVadLo = 125 * NS_FFT / 16000; // 125 Hz .. 4 kHz for frame activity
constexpr int kVadHi = 4000 * NS_FFT / 16000;
constexpr int kGlobalHalf = 470 * NS_FFT / 16000; // +-470 Hz "global" average
constexpr float kPresenceSmoothSec = 0.04f;       // smoothing of xi for presence

// --- fast math: the per-bin gain needs several exp/log per hop; these
// polynomial versions keep the cost per 20 ms block low. exp2 is ~2e-4
// accurate (far below what matters for a gain); log2 is ~1e-7 accurate so
// that gains near 0 dB (ratios near 1) come out right.
inline float FastLog2(float x) {
    // x = 2^e * m with m in [sqrt(1/2), sqrt(2)): subtracting the bits of
    // sqrt(1/2) before splitting centres the mantissa on 1 without a branch,
    // so log2 of values just below 1 has no cancellation.
    uint32_t b;
    std::memcpy(&b, &x, 4);
    const uint32_t d = b - 0x3F3504F3u;
    const float e = static_cast<float>(static_cast<int32_t>(d) >> 23);
    b = (d & 0x007FFFFFu) + 0x3F3504F3u;
    float m;
    std::memcpy(&m, &b, 4);
    // log2(m) = 2/ln2 * atanh(t), t = (m-1)/(m+1), |t| <= 0.1716: the odd
    // series up to t^9 is accurate to ~1e-8 relative.
    const float t = (m - 1.0f) / (m + 1.0f), t2 = t * t;
    return e + t * (2.8853901f + t2 * (0.96179669f +
                                       t2 * (0.57707801f + t2 * (0.41219858f + t2 * 0.32059889f))));
}

inline float FastExp2(float x) {
    x = x < -126.0f ? -126.0f : (x > 126.0f ? 126.0f : x);
    int i = static_cast<int>(x);
    i -= static_cast<float>(i) > x ? 1 : 0; // floor for negative x
    const float f = x - static_cast<float>(i);
    // cubic fit of 2^f on [0,1): relative error < 2e-4 (0.0015 dB)
    const float p = 1.0f + f * (0.69503617f + f * (0.22830825f + f * 0.07632546f));
    uint32_t b = static_cast<uint32_t>(i + 127) << 23;
    float s;
    std::memcpy(&s, &b, 4);
    return p * s;
}

inline float FastLn(float x) {
    return 0.69314718f * FastLog2(x);
}
inline float FastExp(float x) {
    return FastExp2(1.44269504f * x);
}

// --- dB helpers. Power ratios: 10 log10; amplitude (gain) ratios: 20 log10.
inline float DbToPower(float db) {
    return FastExp2(0.33219281f * db); // 2^(db * log2(10) / 10)
}
inline float DbToLnAmplitude(float db) {
    return 0.11512925f * db; // ln(10) / 20
}
inline float DbToAmplitude(float db) {
    return FastExp(DbToLnAmplitude(db));
}
inline float PowerToDb(float ratio) {
    return 10.0f * FastLog2(ratio) * 0.30103f; // log10(2)
}
inline float LnPowerToDb(float lnRatio) {
    return 4.3429448f * lnRatio; // 10 / ln(10)
}
// Exact versions for NsInit (once, not per hop).
inline float DbToPowerExact(float db) {
    return static_cast<float>(std::pow(10.0, db / 10.0));
}
inline float DbToAmplitudeExact(float db) {
    return static_cast<float>(std::pow(10.0, db / 20.0));
}

inline float Clamp(float v, float lo, float hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// Hop counters saturate (about 8 minutes) so a long run never overflows them.
constexpr int kMaxHops = 100000;
inline void CountHop(int* hops) {
    *hops += *hops < kMaxHops ? 1 : 0;
}

// Per-hop smoothing weight from a time constant in seconds.
inline float PerHop(float tauSec) {
    return std::exp(-kHopSec / tauSec);
}

void MakeWindows(NsState* st) {
    // Asymmetric analysis window: rising half of a long sqrt-Hann over
    // NS_FFT-NS_HOP samples, falling half of a short sqrt-Hann over NS_HOP.
    // Synthesis window makes winA*winS a 2*NS_HOP Hann at the frame end,
    // which overlap-adds to one at hop NS_HOP (perfect reconstruction).
    const double pi = 3.14159265358979323846;
    const int rise = NS_FFT - NS_HOP, d = NS_FFT - 2 * NS_HOP;
    for (int n = 0; n < NS_FFT; n++) {
        const double wa =
            n < rise ? std::sin(pi * n / (2.0 * rise)) : std::sin(pi * (n - d) / (2.0 * NS_HOP));
        double ws = 0.0;
        if (n >= d) {
            const double h = 0.5 - 0.5 * std::cos(pi * (n - d) / NS_HOP);
            ws = wa > 1e-9 ? h / wa : 0.0;
        }
        st->winA[n] = static_cast<float>(wa);
        st->winS[n] = static_cast<float>(ws);
    }
}

// Cohen's mapping of a smoothed a-priori SNR to a presence likelihood:
// 0 below -10 dB, 1 above -5 dB, log-linear in between. Branch-free.
inline float PresenceFromZeta(float z) {
    const float invSpan = 1.0f / 1.6609640f; // 1/log2(10^0.5)
    return Clamp(FastLog2(z * 10.0f) * invSpan, 0.0f, 1.0f);
}

// Noise PSD tracking by speech presence probability (Gerkmann & Hendriks
// 2012): unbiased, follows rising noise without the minimum-search delay.
// The fixed prior SNR under H1 is lowered when the recent speech is well
// above the noise, so weak speech there is not learnt as noise.
void UpdateNoise(NsState* st, const float* pw) {
    if (st->frames < kInitFrames) {
        const float w = 1.0f / static_cast<float>(st->frames + 1);
        for (int k = 0; k < NS_PAD; k++)
            st->noise[k] += w * (pw[k] - st->noise[k]) + 1e-7f;
        return;
    }
    const NsParams& p = st->p;
    const float priorDb = p.sppPriorDb + (p.sppPriorHiDb - p.sppPriorDb) * st->hiSnr;
    const float xi1 = DbToPower(priorDb);
    const float c1 = 1.0f + xi1, c2 = xi1 / (1.0f + xi1);
    const float a = st->c.noiseAlpha, as = st->c.stagAlpha;
    float* noise = st->noise;
    float* spp = st->sppAvg;
    float ph[NS_PAD];
    for (int k = 0; k < NS_PAD; k++) {
        const float post = pw[k] / noise[k];
        ph[k] = 1.0f / (1.0f + c1 * FastExp(-Clamp(post * c2, 0.0f, 80.0f)));
    }
    // Harmonic guard at the low end: with 62.5 Hz bins a voice fundamental
    // or low harmonic lies between two bins and leaks into the one below; a
    // bin whose upper neighbour holds speech is not learnt as noise either
    // (ascending order: each bin sees its neighbour's own probability).
    const int guard = p.guardBins < NS_BINS - 1 ? p.guardBins : NS_BINS - 1;
    for (int k = 0; k < guard; k++)
        ph[k] = ph[k] > ph[k + 1] ? ph[k] : ph[k + 1];
    for (int k = 0; k < NS_PAD; k++) {
        float ph1 = ph[k];
        spp[k] = as * spp[k] + (1.0f - as) * ph1;
        // Stagnation guard: a bin "always in speech" is really a noise rise.
        ph1 = spp[k] > 0.99f ? (ph1 < 0.99f ? ph1 : 0.99f) : ph1;
        const float en = (1.0f - ph1) * pw[k] + ph1 * noise[k];
        noise[k] = a * noise[k] + (1.0f - a) * en + 1e-7f;
    }
}

// Frame speech activity: mean Gaussian log-likelihood ratio over 125 Hz-4 kHz
// (Sohn, Kim & Sung 1999), mapped to [0,1] and smoothed with a fast attack
// (onsets open at once) and a slow release (word endings survive).
void UpdateVad(NsState* st, const float* gam, const float* xi) {
    float sum = 0.0f, lsum = 0.0f;
    for (int k = kVadLo; k < kVadHi; k++) {
        const float r = xi[k] / (1.0f + xi[k]);
        const float l1 = FastLn(1.0f + xi[k]);
        sum += gam[k] * r - l1;
        lsum += l1;
    }
    const float llr = sum / static_cast<float>(kVadHi - kVadLo);
    const float pf = Clamp((llr - st->p.vadLlrLo) / (st->p.vadLlrHi - st->p.vadLlrLo), 0.0f, 1.0f);
    st->vadInst = pf;
    // Long-term SNR of active speech: mean log(1+xi) over the band (a
    // geometric mean, so a few strong harmonics do not dominate), averaged
    // over ~1 s of active hops. hiSnr ramps 0..1 over 6 dB above
    // hiSnrDb; when speech clearly dominates the band, weak speech is
    // worth more than the little noise left around it.
    if (pf > 0.5f)
        st->ltSnr = 0.995f * st->ltSnr + 0.005f * lsum / static_cast<float>(kVadHi - kVadLo);
    st->hiSnr = Clamp((LnPowerToDb(st->ltSnr) - st->p.hiSnrDb) * (1.0f / 6.0f), 0.0f, 1.0f);
    const float a = pf > st->vad ? st->c.vadAttack : st->c.vadRelease;
    st->vad = a * st->vad + (1.0f - a) * pf;
}

// Noise that swells faster than the tracker follows looks like speech to the
// frame activity (every bin stands above the noise), but it keeps the
// noise's spectral shape. Over 125 Hz-4 kHz, the ratio of the frame to the
// tracked noise is spread as a periodogram of noise is, ln(mean) -
// mean(ln) about 0.58 (Euler's constant), while speech's harmonics and
// formants spread it well beyond 1; its geometric mean, corrected by the
// same constant, is the level the noise has risen by.
void UpdateSwell(NsState* st, const float* gam) {
    float sum = 0.0f, lsum = 0.0f;
    for (int k = kVadLo; k < kVadHi; k++) {
        sum += gam[k];
        lsum += FastLn(gam[k] + 1e-6f);
    }
    constexpr float n = static_cast<float>(kVadHi - kVadLo), kEuler = 0.5772157f;
    const float shape = FastLn(sum / n) - lsum / n, rise = lsum / n + kEuler;
    st->swellShape += 0.25f * (shape - st->swellShape);
    st->swellRise += 0.25f * (rise - st->swellRise);
    const bool swell = st->swellShape < st->p.swellShape && st->swellRise > st->c.swellRise;
    if (swell)
        CountHop(&st->swellHops);
    else
        st->swellHops = 0;
}

// Decision-directed a-priori SNR (Ephraim & Malah) and its smoothed copy.
void AprioriSnr(NsState* st, const float* pw, float* gam, float* xi) {
    const NsParams& p = st->p;
    const float xiMin = st->c.xiMin, bz = st->c.zetaAlpha;
    // Consecutive 5 ms frames overlap heavily, so a random noise peak lasts
    // several frames and inflates the decision-directed estimate; in pauses
    // the recursion is therefore made slower.
    const float aDd = p.ddAlpha + (p.ddAlphaPause - p.ddAlpha) * (1.0f - st->vad);
    // At high SNR during speech a rising bin follows the current frame
    // faster (the decision-directed lag clips weak onsets).
    const float aRise = aDd + (p.ddAlphaRise - aDd) * st->vad * st->hiSnr;
    for (int k = 0; k < NS_PAD; k++) {
        const float g = pw[k] / st->noise[k];
        gam[k] = g < 1e4f ? g : 1e4f;
        const float gm1 = gam[k] > 1.0f ? gam[k] - 1.0f : 0.0f;
        const float prev = st->prevSnrPost[k];
        const float ak = gm1 > prev ? aRise : aDd;
        const float dd = ak * prev + (1.0f - ak) * gm1;
        const float x = dd > xiMin ? dd : xiMin;
        st->xiSmooth[k] = bz * st->xiSmooth[k] + (1.0f - bz) * x;
        // Onset: a bin this far above the noise (P < 4e-4 for Gaussian
        // noise) is taken at its current SNR, not the lagging estimate.
        const float on = gam[k] > st->c.onsetGamma ? gm1 : 0.0f;
        xi[k] = x > on ? x : on;
    }
    // Lowest bins: a harmonic in bin k+1 leaks into bin k through the short
    // analysis window; credit bin k with that share of the neighbour's
    // speech power so the harmonic is not high-passed away.
    const int nl = p.lowLeakBins < NS_BINS - 1 ? p.lowLeakBins : NS_BINS - 1;
    for (int k = 0; k < nl; k++) {
        const float l = p.lowLeak * xi[k + 1] * st->noise[k + 1] / st->noise[k];
        xi[k] = xi[k] > l ? xi[k] : l;
    }
}

// Local (3-bin) and global (31-bin) speech presence likelihoods -> a-priori
// speech absence probability q per bin (Cohen 2003, simplified). The band
// edges are extended by replication so every window has the same length
// and the per-bin loop has no branches (it vectorises).
void AbsenceProb(const NsState* st, float* q) {
    constexpr int G = kGlobalHalf;
    float prefix[NS_PAD + 2 * kGlobalHalf + 2];
    float acc = 0.0f;
    prefix[0] = 0.0f;
    for (int i = 0; i < NS_PAD + 2 * G + 1; i++) { // prefix over bins i-G
        int k = i - G;
        k = k < 0 ? 0 : (k > NS_BINS - 1 ? NS_BINS - 1 : k);
        acc += st->xiSmooth[k];
        prefix[i + 1] = acc;
    }
    const float invL = 1.0f / 3.0f, invG = 1.0f / static_cast<float>(2 * G + 1);
    for (int k = 0; k < NS_PAD; k++) {
        const float zl = (prefix[k + G + 2] - prefix[k + G - 1]) * invL;
        const float zg = (prefix[k + 2 * G + 1] - prefix[k]) * invG;
        q[k] = 1.0f - PresenceFromZeta(zl) * PresenceFromZeta(zg);
    }
}

// E1(v), Abramowitz & Stegun 5.1.53 (v<1) and 5.1.56 (v>=1); env = exp(-v).
inline float ExpIntegral(float v, float env) {
    const float e1s =
        -FastLn(v) - 0.57721566f +
        v * (0.99999193f +
             v * (-0.24991055f + v * (0.05519968f + v * (-0.00976004f + v * 0.00107857f))));
    const float e1l =
        env * (v * v + 2.334733f * v + 0.250621f) / (v * (v * v + 3.330657f * v + 1.681534f));
    return v < 1.0f ? e1s : e1l;
}

// OM-LSA gain (Cohen & Berdugo 2001): G = G_H1^p * Gmin^(1-p), with the
// log-spectral-amplitude gain G_H1 = xi/(1+xi) * exp(E1(v)/2). Written
// branch-free over padded arrays so the compiler vectorises it.
void OmlsaGain(NsState* st, const float* gam, const float* xi, const float* qIn, float* gain,
               float* presence) {
    const NsParams& p = st->p;
    const float floorDb = p.floorPauseDb + (p.floorSpeechDb - p.floorPauseDb) * st->vad;
    const float lnGmin = DbToLnAmplitude(floorDb);
    // Speech absence may be believed more strongly in pauses (Cohen's
    // frame-level presence term).
    const float qMax = p.qMax + (p.qMaxPause - p.qMax) * (1.0f - st->vad);
    // The presence likelihood uses the SNRs averaged over 3 bins: a lone
    // noise peak is diluted, a speech harmonic (2-3 bins wide) is not.
    float gs[NS_PAD], xs[NS_PAD];
    const float w = p.sppFsmooth * (1.0f / 3.0f), c = 1.0f - 2.0f * w;
    gs[0] = gam[0];
    xs[0] = xi[0];
    gs[NS_PAD - 1] = gam[NS_PAD - 1];
    xs[NS_PAD - 1] = xi[NS_PAD - 1];
    for (int k = 1; k < NS_PAD - 1; k++) {
        gs[k] = c * gam[k] + w * (gam[k - 1] + gam[k + 1]);
        xs[k] = c * xi[k] + w * (xi[k - 1] + xi[k + 1]);
    }
    for (int k = 0; k < NS_PAD; k++) {
        const float q = Clamp(qIn[k], 0.0f, qMax);
        const float r = xi[k] / (1.0f + xi[k]);
        const float v = Clamp(gam[k] * r, 1e-6f, 80.0f);
        const float e1 = ExpIntegral(v, FastExp(-v));
        const float lnGh1 = Clamp(FastLn(r) + 0.5f * e1, -9.2f, 0.0f);
        const float gh1 = FastExp(lnGh1);
        // Presence probability 1 / (1 + q/(1-q) (1+xi) exp(-v)), one division.
        const float rs = xs[k] / (1.0f + xs[k]);
        const float envS = FastExp(-Clamp(gs[k] * rs, 0.0f, 80.0f));
        const float sp = (1.0f - q) / ((1.0f - q) + q * (1.0f + xs[k]) * envS);
        // A bin far above the noise is speech (an onset, a fricative the
        // frame activity does not see), not a noise peak: it stays out of
        // the broadband pause attenuation as far as it is present.
        presence[k] = xi[k] > st->c.keepXi ? sp : 0.0f;
        gain[k] = FastExp(sp * lnGh1 + (1.0f - sp) * lnGmin);
        st->prevSnrPost[k] = gh1 * gh1 * gam[k];
    }
}

// In speech pauses the whole frame is pulled down further: the residual
// there is dominated by random noise peaks that slip past the per-bin gain,
// and a broadband attenuation removes them without touching speech. Long
// pauses (no activity for a while) get deeper still; the depth ramps in so
// short gaps between words are left alone, and it drops at once when
// activity returns (the frame sees 5-10 ms ahead of its output).
void PauseAttenuation(NsState* st, float* gain, const float* presence) {
    // Once a pause has lasted a while, a hop with a little activity (a noise
    // blip) lifts the deep attenuation in proportion and holds the count;
    // clear activity (an onset) ends the pause at once. Earlier, any
    // activity does (weak speech at low SNR has gaps of its own).
    const float v = st->vadInst;
    const bool longPause = static_cast<float>(st->pauseHops) * kHopSec >= st->p.pauseHoldAfterSec;
    const float hold = longPause ? st->p.pauseHoldVad : 0.05f;
    if (v >= hold)
        st->pauseHops = 0;
    else if (v < 0.05f)
        CountHop(&st->pauseHops);
    const float lift = v < 0.05f ? 1.0f : Clamp(1.0f - v / hold, 0.0f, 1.0f);
    const float held = static_cast<float>(st->pauseHops) * kHopSec - st->p.deepPauseAfterSec;
    const float depth = Clamp(held / st->p.deepPauseRampSec, 0.0f, 1.0f) * st->p.deepPauseDb * lift;
    const float pause = DbToAmplitude(st->p.pauseDb * (1.0f - st->vad) + depth);
    for (int k = 0; k < NS_PAD; k++)
        gain[k] *= pause + (1.0f - pause) * presence[k];
}

// Triangular bands for the learned estimator: band b peaks at bin
// kBandEdge[b] and falls linearly to its neighbours' peaks.
constexpr int kBandEdge[kGainBands] = {0,  2,  4,  6,  8,  10, 12, 14, 16,  20, 24,
                                       28, 32, 40, 48, 56, 68, 80, 96, 112, 128};
static_assert(kBandEdge[kGainBands - 1] == NS_BINS - 1, "bands end at the last bin");

void BandSums(const float* x, float* band) {
    for (int b = 0; b < kGainBands; b++)
        band[b] = 0.0f;
    for (int b = 0; b + 1 < kGainBands; b++) {
        const int w = kBandEdge[b + 1] - kBandEdge[b];
        for (int j = 0; j < w; j++) {
            const float f = static_cast<float>(j) / static_cast<float>(w);
            band[b] += (1.0f - f) * x[kBandEdge[b] + j];
            band[b + 1] += f * x[kBandEdge[b] + j];
        }
    }
    band[kGainBands - 1] += x[NS_BINS - 1];
}

void BandsToBins(const float* band, float* bins) {
    for (int b = 0; b + 1 < kGainBands; b++) {
        const int w = kBandEdge[b + 1] - kBandEdge[b];
        for (int j = 0; j < w; j++) {
            const float f = static_cast<float>(j) / static_cast<float>(w);
            bins[kBandEdge[b] + j] = (1.0f - f) * band[b] + f * band[b + 1];
        }
    }
    bins[NS_BINS - 1] = band[kGainBands - 1];
}

inline float Log10(float x) {
    return 0.30103f * FastLog2(x);
}

// The estimator's input: the noisy band levels, their ratio to the tracked
// noise, the statistical gain per band (power-weighted) and the activity.
void MakeFeatures(NsState* st, const float* pw, const float* gain) {
    float* eNoisy = st->bandNoisy;
    float* eNoise = st->bandNoise;
    float eKept[kGainBands], kept[NS_PAD];
    for (int k = 0; k < NS_BINS; k++)
        kept[k] = gain[k] * gain[k] * pw[k];
    BandSums(pw, eNoisy);
    BandSums(st->noise, eNoise);
    BandSums(kept, eKept);
    float* f = st->features;
    for (int b = 0; b < kGainBands; b++) {
        f[b] = Log10(eNoisy[b] + 1.0f);
        f[kGainBands + b] = Log10((eNoisy[b] + 1.0f) / (eNoise[b] + 1.0f));
        f[2 * kGainBands + b] = 0.5f * Log10((eKept[b] + 1e-3f) / (eNoisy[b] + 1e-3f));
    }
    f[3 * kGainBands] = st->vad;
    f[3 * kGainBands + 1] = st->vadInst;
    f[3 * kGainBands + 2] = st->hiSnr;
}

// Running mean that starts as a plain average and settles to a time constant.
inline void TrackLevel(float* level, int* hops, float value, float alpha) {
    const float w = 1.0f / static_cast<float>(*hops + 1);
    *level += (w > alpha ? w : alpha) * (value - *level);
    CountHop(hops);
}

// How sure the estimator is of a voice in this hop (0..1): its activity
// ramped in over 0.5-0.75.
inline float NetHearsVoice(const NsState* st) {
    return Clamp((st->netBands[kGainBands] - 0.5f) * 4.0f, 0.0f, 1.0f);
}

// The same, times the frame activity: both activities hear a voice.
inline float BothHearVoice(const NsState* st) {
    return NetHearsVoice(st) * st->vadInst;
}

// How far this hop is eased towards the noisy input (0..1). The mean frame
// power while the estimator hears a voice is set against the peak power
// (held, falling with peakTauSec) of the hops where it does not clearly
// hear one: noise, and noise it takes for a voice (keys, swells, the end of
// a word it is unsure of). Where the voice stands that far above the loudest
// of the noise, what the suppression takes from weak speech costs more than
// the little noise it removes. Only hops that both activities call voiced
// are eased, so pauses stay as deep as before.
void UpdateEase(NsState* st, const float* pw) {
    const NsParams& p = st->p;
    const float v = st->netBands[kGainBands];
    float e = 0.0f;
    for (int k = 0; k < NS_BINS; k++)
        e += pw[k];
    st->hopPower = e;
    if (v > 0.7f) {
        TrackLevel(&st->voicePower, &st->voicePowerHops, e, st->c.levelAlpha);
    } else {
        const float decayed = st->noisePeak * st->c.peakDecay;
        st->noisePeak = e > decayed ? e : decayed;
        CountHop(&st->noisePeakHops);
    }
    st->ease = 0.0f;
    if (st->voicePowerHops < 40 || st->noisePeakHops < 40)
        return; // 200 ms of each before the ratio means anything
    const float snr = PowerToDb((st->voicePower + 1.0f) / (st->noisePeak + 1.0f));
    const float high = Clamp((snr - p.easeSnrDb) / p.easeSpanDb, 0.0f, 1.0f);
    st->ease = high * BothHearVoice(st);
}

// A band that holds a voice's harmonics repeats one pitch period later, noise
// does not: per band, the correlation of this frame's spectrum with the frame
// one period earlier (and the pitch's own correlation), for the absence
// estimator and the comb. Searched only where the gain estimator hears a
// voice (the only hops either acts in); elsewhere 0.
void BandPeriodicity(NsState* st) {
    for (float& r : st->periodicity)
        r = 0.0f;
    if (NetHearsVoice(st) <= 0.0f)
        return;
    PitchSearch(&st->pitch);
    float* delayed = st->pitchFrame;
    PitchDelayedFrame(&st->pitch, st->winA, delayed);
    RealFftForward(&st->fft, delayed);
    const float* spectrum = st->work; // this hop's frame, analysed in ProcessFrame
    float cross[NS_PAD], pp[NS_PAD];
    for (int k = 0; k < NS_BINS; k++) {
        cross[k] = spectrum[2 * k] * delayed[2 * k] + spectrum[2 * k + 1] * delayed[2 * k + 1];
        pp[k] = delayed[2 * k] * delayed[2 * k] + delayed[2 * k + 1] * delayed[2 * k + 1];
    }
    float bx[kGainBands];
    float* bp = st->pitchBandPower;
    BandSums(cross, bx);
    BandSums(pp, bp);
    for (int b = 0; b < kGainBands; b++)
        st->periodicity[b] = bx[b] / std::sqrt(st->bandNoisy[b] * bp[b] + 1.0f);
    st->periodicity[kGainBands] = st->pitch.corr;
}

// What the statistical gain leaves of transient and fluctuating noise, the
// learned estimator takes away, per band (less so where UpdateEase says
// the voice stands well clear of the noise). The absence estimator runs on
// the same hop, for AbsentBandCut.
void ApplyGainNet(NsState* st, const float* pw, float* gain) {
    MakeFeatures(st, pw, gain);
    GainNetRun(GainNetModel(), &st->net, st->features, st->netBands);
    BandPeriodicity(st);
    AbsenceNetRun(AbsenceNetModel(), &st->absence, st->features, st->periodicity, st->net,
                  st->netBands, st->absent);
    UpdateEase(st, pw);
    const float e = st->p.easeNet * st->ease;
    float band[kGainBands], bins[NS_PAD];
    for (int b = 0; b < kGainBands; b++) {
        const float f = st->netBands[b];
        // bands the estimator is sure are noise (a key during a word) keep their factor
        const float eb = e * Clamp((f - st->p.easeFrom) * 3.33f, 0.0f, 1.0f);
        band[b] = 1.0f - st->p.netDepth * (1.0f - eb) * (1.0f - f);
    }
    BandsToBins(band, bins);
    for (int k = 0; k < NS_BINS; k++)
        gain[k] *= bins[k];
}

// How far the learned pause keeps each bin's presence (presence times a
// share, 0..1, into keep): all of it while the estimator may still hear a
// voice, less as it grows sure there is none (below netPauseSure). Speech-
// like noise (babble, keys) stands far above the statistical noise estimate,
// which takes its bursts for speech; where the estimator is sure no one
// speaks, that is not the speaker. A word's start the estimator has not
// heard yet rises above what the pause held, though: each bin's peak in the
// hops it is sure of (falling with peakTauSec, rising at most 0.5 dB a hop,
// so a word's start is not learnt as the pause's level before the estimator
// hears it; never below the noise) stands for the pause's own level, and a
// bin netPauseRiseDb above it is kept whole (ramped in over 3 dB).
void LearnedPausePresence(NsState* st, const float* pw, const float* presence, float* keep) {
    constexpr float kPausePeakRise = 1.1220185f; // 0.5 dB a hop
    const NsParams& p = st->p;
    if (p.netPauseSure <= 0.0f) {
        std::memcpy(keep, presence, sizeof(float) * NS_PAD);
        return;
    }
    const float v = st->netBands[kGainBands];
    const float share = Clamp(v / p.netPauseSure, 0.0f, 1.0f);
    const bool learn = share < 1.0f;
    float* peak = st->pausePeak;
    for (int k = 0; k < NS_PAD; k++) {
        const float base = peak[k] > st->noise[k] ? peak[k] : st->noise[k];
        const float rising = Clamp(pw[k] / (base * st->c.pauseRise) - 1.0f, 0.0f, 1.0f);
        keep[k] = presence[k] * (share > rising ? share : rising);
        const float decayed = peak[k] * st->c.peakDecay;
        const float grown =
            learn ? (pw[k] < base * kPausePeakRise ? pw[k] : base * kPausePeakRise) : 0.0f;
        peak[k] = (grown > decayed ? grown : decayed) + 1e-7f; // never denormal in silence
    }
}

// The estimator's voice activity also sees what the frame activity takes for
// speech: speech-like noise (babble) and noise that swells. Where it has
// heard no voice for a while, the frame is taken down further (bins far
// above the noise as far as they are present); a voiced hop ends that at
// once. Where the frame activity has heard nothing either for a moment, a
// weaker doubt (quietNetBelow) is enough to count towards the pause: both
// detectors agree, and the estimator's activity falls only slowly at the end
// of speech. A hop far below the voice's own level (other voices in the room,
// a key) counts unless the estimator is all but sure of a voice, and is taken
// down whole: what stands above the noise there is not the speaker. This
// comes after the estimator's features, which so never depend on its own
// output.
void NetPauseAttenuation(NsState* st, float* gain, const float* keepIn) {
    const NsParams& p = st->p;
    const float v = st->netBands[kGainBands];
    const bool quiet = static_cast<float>(st->pauseHops) * kHopSec >= p.quietAfterSec;
    const float below =
        quiet && p.quietNetBelow > p.netPauseBelow ? p.quietNetBelow : p.netPauseBelow;
    const bool under = st->voicePowerHops >= 40 && v < p.underVoiceNetEnd &&
                       st->hopPower * st->c.underVoice < st->voicePower;
    if (v >= p.netPauseEnd && !under)
        st->netPauseHops = 0;
    else if (v < below || under)
        CountHop(&st->netPauseHops);
    const float held = static_cast<float>(st->netPauseHops) * kHopSec - p.netPauseAfterSec;
    const float depth = Clamp(held / p.netPauseRampSec, 0.0f, 1.0f) * p.netPauseDb;
    if (depth >= 0.0f)
        return;
    const float g = DbToAmplitude(depth), keep = under ? 0.0f : p.netPauseKeep;
    for (int k = 0; k < NS_PAD; k++)
        gain[k] *= g + (1.0f - g) * keep * keepIn[k];
}

// The first part of a pause: the frame activity has heard nothing for a
// moment, but the estimator's activity, and with it the learned pause, is
// still falling, and the frame activity's floor follows its slow release.
// Where the estimator is not sure of a voice either (below onsetPauseNetEnd,
// fully from 0.2 lower), the frame goes onsetPauseDb down at once (ramped
// over a few hops); any activity lifts it in proportion, as in
// PauseAttenuation, and only activity from onsetHoldVad restarts the count
// (a noise blip would otherwise bring back the speech floor for 30 ms).
// Where the noise swells (UpdateSwell), the frame activity hears speech in
// it and the estimator is unsure for longer: the onset then counts the
// swelling hops, ignores the frame activity, and applies up to swellNetEnd.
// It comes after SteadyPauseGain, so the smoothing's slow rise never carries
// this dip into weak speech that follows it.
void PauseOnsetAttenuation(NsState* st, float* gain, const float* presence) {
    const NsParams& p = st->p;
    const float v = st->vadInst, nv = st->netBands[kGainBands];
    if (v >= p.onsetHoldVad)
        st->onsetHops = 0;
    else if (v < 0.05f)
        CountHop(&st->onsetHops);
    int hops = st->pauseHops > st->onsetHops ? st->pauseHops : st->onsetHops;
    hops = st->swellHops > hops ? st->swellHops : hops;
    const bool swell = st->swellHops > 0;
    const float lift = v < 0.05f || swell ? 1.0f : Clamp(1.0f - v / p.pauseHoldVad, 0.0f, 1.0f);
    const float held = static_cast<float>(hops) * kHopSec - p.onsetPauseAfterSec;
    const float end = swell ? p.swellNetEnd : p.onsetPauseNetEnd;
    const float unsure = Clamp((end - nv) * 5.0f, 0.0f, 1.0f);
    const float depth =
        Clamp(held / p.onsetPauseRampSec, 0.0f, 1.0f) * p.onsetPauseDb * lift * unsure;
    if (depth >= 0.0f)
        return;
    const float g = DbToAmplitude(depth);
    for (int k = 0; k < NS_PAD; k++)
        gain[k] *= g + (1.0f - g) * presence[k];
}

// The per-bin gain follows each bin's decision-directed estimate, which lags
// a voice whose harmonics glide, so a band the voice holds can end up 4-10 dB
// below what its own level over the noise calls for, and intelligibility
// goes with it. In a voiced hop (both activities hear a voice, and the
// estimator is not in a pause) no band goes below voiceFloor times its
// Wiener gain from this hop's band powers (made for the features), times
// the estimator's factor for the band (a key, a burst of babble stays down).
// Where the estimator alone hears a voice, no band goes below its learned
// floor either: the band gain it learnt a voice calls for (from synthetic and
// recorded speakers), which opens what the statistical gain keeps closed at
// low SNR. The lowest band is
// left out: below 125 Hz there is rumble, not intelligibility.
void VoiceBandFloor(const NsState* st, float* gain) {
    const bool pause = st->netPauseHops > 0;
    const float keep = pause ? 0.0f : st->p.voiceFloor * BothHearVoice(st);
    const float learned = pause ? 0.0f : st->p.netFloor * NetHearsVoice(st);
    if (keep <= 0.0f && learned <= 0.0f)
        return;
    float band[kGainBands], bins[NS_PAD];
    band[0] = 0.0f;
    for (int b = 1; b < kGainBands; b++) {
        const float wiener = 1.0f - st->bandNoise[b] / (st->bandNoisy[b] + 1e-3f);
        const float w = wiener > 0.0f ? keep * std::sqrt(wiener) * st->netBands[b] : 0.0f;
        const float l = learned * st->netBands[kGainBands + 1 + b];
        band[b] = w > l ? w : l;
    }
    BandsToBins(band, bins);
    for (int k = 0; k < NS_BINS; k++)
        gain[k] = gain[k] > bins[k] ? gain[k] : bins[k];
}

// The floors above keep each band of a voiced hop up to what a voice calls
// for, the bands it is absent from too (between its formants, above its
// reach), and what they keep there is noise that blurs the voice's envelope.
// A band the absence estimator is sure holds no voice (above absentAbove)
// is taken absentDb down, as far as the estimator hears a voice at all; in
// a pause the pause stages decide. The cut ramps in over kAbsentRamp around
// absentAbove, so a band whose probability hovers there is not switched
// the whole cut up and down from hop to hop.
void AbsentBandCut(const NsState* st, float* gain) {
    constexpr float kAbsentRamp = 0.2f;
    const float voiced = st->netPauseHops > 0 ? 0.0f : NetHearsVoice(st);
    if (voiced <= 0.0f)
        return;
    const float cut = 1.0f - voiced * (1.0f - st->c.absentGain);
    const float from = st->p.absentAbove - 0.5f * kAbsentRamp;
    float band[kGainBands], bins[NS_PAD];
    bool any = false;
    for (int b = 0; b < kGainBands; b++) {
        band[b] =
            1.0f - Clamp((st->absent[b] - from) * (1.0f / kAbsentRamp), 0.0f, 1.0f) * (1.0f - cut);
        any = any || band[b] < 1.0f;
    }
    if (!any)
        return;
    BandsToBins(band, bins);
    for (int k = 0; k < NS_BINS; k++)
        gain[k] *= bins[k];
}

// Where UpdateEase finds the voice well clear of the noise, a voiced hop's
// gain is taken towards 1 (as a power of it, so in dB by a share).
void EaseGain(const NsState* st, float* gain) {
    const float e = 1.0f - st->ease * st->p.easeGain;
    if (e >= 1.0f)
        return;
    for (int k = 0; k < NS_PAD; k++)
        gain[k] = FastExp2(e * FastLog2(gain[k] + 1e-9f));
}

// The residual of a pause flickers when each bin's gain follows every random
// noise peak of the frame (musical noise). Once no activity has been seen
// for a while, a bin's gain may fall at once but rises only slowly, and is
// averaged with its neighbours; a bin far above the noise (an onset) is
// left as it is (in a learned pause as far as LearnedPausePresence says), and
// whatever ends the pause ends the smoothing at once.
void SteadyPauseGain(NsState* st, float* gain, const float* presence, const float* keepIn) {
    const NsParams& p = st->p;
    const int hops = st->pauseHops > st->netPauseHops ? st->pauseHops : st->netPauseHops;
    const float after = static_cast<float>(hops) * kHopSec - p.steadyAfterSec;
    const float w = Clamp(after / p.steadyRampSec, 0.0f, 1.0f);
    float lg[NS_PAD];
    for (int k = 0; k < NS_PAD; k++)
        lg[k] = FastLog2(gain[k] + 1e-9f);
    if (w <= 0.0f) {
        std::memcpy(st->steadyLg, lg, sizeof(lg));
        return;
    }
    const float* keep = st->netPauseHops > 0 ? keepIn : presence;
    const float a = st->c.steadyRise, sw = p.steadySpread * w * (1.0f / 3.0f);
    float sm[NS_PAD];
    sm[0] = lg[0];
    for (int k = 1; k < NS_PAD - 1; k++)
        sm[k] = (1.0f - 2.0f * sw) * lg[k] + sw * (lg[k - 1] + lg[k + 1]);
    sm[NS_BINS - 1] = lg[NS_BINS - 1];
    sm[NS_PAD - 1] = lg[NS_PAD - 1];
    for (int k = 0; k < NS_PAD; k++) {
        const float prev = st->steadyLg[k];
        const float slow = sm[k] > prev ? prev + a * (sm[k] - prev) : sm[k];
        const float kept = slow + keep[k] * (lg[k] - slow);
        const float s = lg[k] + w * (kept - lg[k]);
        st->steadyLg[k] = s;
        gain[k] = FastExp2(s);
    }
}

void ComputeGain(NsState* st, const float* pw, float* gain) {
    float xi[NS_PAD], gam[NS_PAD], q[NS_PAD], presence[NS_PAD], keep[NS_PAD];
    AprioriSnr(st, pw, gam, xi);
    UpdateVad(st, gam, xi);
    UpdateSwell(st, gam);
    AbsenceProb(st, q);
    OmlsaGain(st, gam, xi, q, gain, presence);
    PauseAttenuation(st, gain, presence);
    ApplyGainNet(st, pw, gain);
    LearnedPausePresence(st, pw, presence, keep);
    NetPauseAttenuation(st, gain, keep);
    SteadyPauseGain(st, gain, presence, keep);
    PauseOnsetAttenuation(st, gain, presence);
    VoiceBandFloor(st, gain);
    AbsentBandCut(st, gain);
    EaseGain(st, gain);
}

// Keyboard-click suppression in the time domain. The output hop is one hop
// older than the newest input hop, which gives 5 ms of look-ahead: a hop
// whose high-band (pre-emphasised) energy towers over both its neighbours
// is a click, not speech (speech bursts are followed by more speech), and
// is scaled down to the neighbours' level with a short crossfade.
void Declick(NsState* st) {
    const float* x = st->inHist + (NS_FFT - NS_HOP);
    float e = 0.0f, prev = st->emphPrev;
    for (int n = 0; n < NS_HOP; n++) {
        const float y = x[n] - 0.9f * prev;
        e += y * y;
        prev = x[n];
    }
    st->emphPrev = prev;
    st->hopE[2] = st->hopE[1];
    st->hopE[1] = st->hopE[0];
    st->hopE[0] = e + 1.0f;
    const float ej = st->hopE[1]; // the hop now in outQ
    const float nb = st->hopE[0] > st->hopE[2] ? st->hopE[0] : st->hopE[2];
    float g = 1.0f;
    // Plosives stand out too; demand a bit more while speech is active.
    if (PowerToDb(ej / nb) > st->p.clickRatioDb + st->p.clickSpeechDb * st->vad) {
        g = std::sqrt(nb / ej);
        g = g > st->c.clickGainMin ? g : st->c.clickGainMin;
    }
    const float g0 = st->clickGain;
    constexpr int kRamp = 16;
    for (int n = 0; n < NS_HOP; n++) {
        const float t = n < kRamp ? static_cast<float>(n) / kRamp : 1.0f;
        st->outQ[n] *= g0 + (g - g0) * t;
    }
    st->clickGain = g;
}

static_assert(kPitchFrame == NS_FFT, "the delayed frame is an analysis frame");

// Noise between a voice's harmonics, which a gain per band or bin keeps with
// them. In a hop where the estimator hears a voice, each band gets the frame
// one pitch period earlier added, as far as the band is more periodic at the
// pitch (the correlation r of its spectrum with that frame's) than its gain
// g accounts for: a comb at the pitch, as in Valin 2018. Its energy is then
// set back to the frame's, so the gain applies as before.
void PitchFilter(NsState* st, float* spectrum, const float* pw, const float* gain) {
    const float strength = st->p.pitchFilter * NetHearsVoice(st);
    if (strength <= 0.0f)
        return;
    const float* delayed = st->pitchFrame; // BandPeriodicity found it this hop
    float kept[NS_PAD];
    for (int k = 0; k < NS_BINS; k++)
        kept[k] = gain[k] * gain[k] * pw[k];
    const float* bn = st->bandNoisy; // MakeFeatures made them this hop
    const float* bp = st->pitchBandPower;
    float bk[kGainBands], a[kGainBands], bins[NS_PAD];
    BandSums(kept, bk);
    for (int b = 0; b < kGainBands; b++) {
        const float r = st->periodicity[b], r2 = r * r;
        const float g2 = Clamp(bk[b] / (bn[b] + 1e-3f), 0.0f, 1.0f);
        float mix = 0.0f;
        if (r > 0.0f)
            mix = r2 >= g2
                      ? 1.0f
                      : std::sqrt(Clamp(r2 * (1.0f - g2) / (g2 * (1.0f - r2) + 1e-3f), 0.0f, 1.0f));
        // a band the gain keeps whole has little noise to lose: there the comb
        // mostly smears a voice whose pitch glides (half as much at g = 1)
        a[b] = strength * mix * (1.0f - 0.5f * g2) * std::sqrt(bn[b] / (bp[b] + 1.0f));
    }
    BandsToBins(a, bins);
    float filtered[NS_PAD], bf[kGainBands];
    for (int k = 0; k < NS_BINS; k++) {
        spectrum[2 * k] += bins[k] * delayed[2 * k];
        spectrum[2 * k + 1] += bins[k] * delayed[2 * k + 1];
        filtered[k] = spectrum[2 * k] * spectrum[2 * k] + spectrum[2 * k + 1] * spectrum[2 * k + 1];
    }
    BandSums(filtered, bf);
    for (int b = 0; b < kGainBands; b++)
        a[b] = std::sqrt((bn[b] + 1e-3f) / (bf[b] + 1e-3f));
    BandsToBins(a, bins);
    for (int k = 0; k < NS_BINS; k++) {
        spectrum[2 * k] *= bins[k];
        spectrum[2 * k + 1] *= bins[k];
    }
}

// One hop: analyse the last NS_FFT input samples, apply the gain and
// overlap-add the short synthesis window into the output queue.
void ProcessFrame(NsState* st) {
    float* w = st->work;
    for (int n = 0; n < NS_FFT; n++)
        w[n] = st->inHist[n] * st->winA[n];
    RealFftForward(&st->fft, w);
    float pw[NS_PAD], gain[NS_PAD];
    for (int k = 0; k < NS_BINS; k++)
        pw[k] = w[2 * k] * w[2 * k] + w[2 * k + 1] * w[2 * k + 1];
    for (int k = NS_BINS; k < NS_PAD; k++)
        pw[k] = 0.0f;
    UpdateNoise(st, pw);
    PitchPush(&st->pitch, st->inHist + (NS_FFT - NS_HOP), NS_HOP);
    if (st->frames < kInitFrames) {
        for (int k = 0; k < NS_BINS; k++)
            gain[k] = 1.0f; // bootstrap: pass
    } else {
        ComputeGain(st, pw, gain);
        PitchFilter(st, w, pw, gain);
    }
    for (int k = 0; k < NS_BINS; k++) {
        w[2 * k] *= gain[k];
        w[2 * k + 1] *= gain[k];
    }
    RealFftInverse(&st->fft, w);
    // ola holds 2*NS_HOP samples aligned to the frame end.
    constexpr int d = NS_FFT - 2 * NS_HOP;
    for (int n = 0; n < 2 * NS_HOP; n++)
        st->ola[n] += w[d + n] * st->winS[d + n];
    std::memcpy(st->outQ, st->ola, sizeof(float) * NS_HOP);
    Declick(st);
    std::memmove(st->ola, st->ola + NS_HOP, sizeof(float) * NS_HOP);
    std::memset(st->ola + NS_HOP, 0, sizeof(float) * NS_HOP);
    if (st->frames < 1000000)
        st->frames++;
}

inline int16_t ToPcm(float v) {
    v = Clamp(v, -32768.0f, 32767.0f);
    return static_cast<int16_t>(v >= 0.0f ? static_cast<int>(v + 0.5f)
                                          : -static_cast<int>(-v + 0.5f));
}

} // namespace

void NsDefaultParams(NsParams* p) {
    // Tuned on the benchmark's tune split (bench/suppressor/tune.py); see its README.
    p->noiseTauSec = 0.12f;
    p->sppPriorDb = 12.0f;
    p->sppPriorHiDb = 10.0f;
    p->guardBins = 8;
    p->ddAlpha = 0.88f;
    p->ddAlphaPause = 0.98f;
    p->ddAlphaRise = 0.5f;
    p->onsetDb = 9.0309f; // a-posteriori SNR 8
    p->lowLeak = 0.6f;
    p->lowLeakBins = 2;
    p->hiSnrDb = 12.0f;
    p->xiMinDb = -25.0f;
    p->qMax = 0.8f;
    p->qMaxPause = 0.95f;
    p->floorSpeechDb = -15.0f;
    p->floorPauseDb = -35.0f;
    p->pauseDb = -6.0f;
    p->deepPauseDb = -60.0f;
    p->deepPauseAfterSec = 0.06f;
    p->deepPauseRampSec = 0.15f;
    p->pauseHoldVad = 0.6f;
    p->pauseHoldAfterSec = 0.15f;
    p->pauseKeepDb = 20.0f;
    p->vadAttackSec = 0.01f;
    p->vadReleaseSec = 0.5f;
    p->vadLlrLo = 0.2f;
    p->vadLlrHi = 1.0f;
    p->sppFsmooth = 1.0f;
    p->stagTauSec = 1.5f;
    p->clickRatioDb = 20.0f;
    p->clickSpeechDb = 5.0f;
    p->clickFloorDb = -30.0f;
    p->netDepth = 1.0f;
    p->steadyRiseSec = 0.3f;
    p->steadyAfterSec = 0.02f;
    p->steadyRampSec = 0.03f;
    p->steadySpread = 1.0f;
    p->netPauseBelow = 0.4f;
    p->netPauseEnd = 0.7f;
    p->netPauseAfterSec = 0.02f;
    p->netPauseRampSec = 0.03f;
    p->netPauseDb = -60.0f;
    p->netPauseKeep = 1.0f;
    p->netPauseSure = 0.4f;
    p->netPauseRiseDb = 6.0f;
    p->quietNetBelow = 0.69f;
    p->quietAfterSec = 0.03f;
    p->onsetPauseAfterSec = 0.01f;
    p->onsetPauseRampSec = 0.02f;
    p->onsetPauseDb = -30.0f;
    p->onsetPauseNetEnd = 0.8f;
    p->onsetHoldVad = 0.15f;
    p->swellShape = 0.7f;
    p->swellRiseDb = 3.0f;
    p->swellNetEnd = 0.9f;
    p->easeSnrDb = 9.0f;
    p->easeSpanDb = 3.0f;
    p->easeNet = 1.0f;
    p->easeFrom = 0.2f;
    p->easeGain = 0.3f;
    p->levelTauSec = 1.0f;
    p->peakTauSec = 1.0f;
    p->underVoiceDb = 18.0f;
    p->underVoiceNetEnd = 0.95f;
    p->voiceFloor = 0.6f;
    p->netFloor = 1.0f;
    p->pitchFilter = 0.5f;
    p->absentAbove = 0.75f;
    p->absentDb = -15.0f;
}

void NsInit(NsState* st, const NsParams* params) {
    std::memset(st, 0, sizeof(*st));
    if (params)
        st->p = *params;
    else
        NsDefaultParams(&st->p);
    const NsParams& p = st->p;
    NsConstants& c = st->c;
    c.noiseAlpha = PerHop(p.noiseTauSec);
    c.stagAlpha = PerHop(p.stagTauSec);
    c.zetaAlpha = PerHop(kPresenceSmoothSec);
    c.vadAttack = PerHop(p.vadAttackSec);
    c.vadRelease = PerHop(p.vadReleaseSec);
    c.xiMin = DbToPowerExact(p.xiMinDb);
    c.keepXi = DbToPowerExact(p.pauseKeepDb);
    c.onsetGamma = DbToPowerExact(p.onsetDb);
    c.clickGainMin = DbToAmplitude(p.clickFloorDb);
    c.levelAlpha = 1.0f - PerHop(p.levelTauSec);
    c.peakDecay = PerHop(p.peakTauSec);
    c.pauseRise = DbToPowerExact(p.netPauseRiseDb);
    c.underVoice = DbToPowerExact(p.underVoiceDb);
    c.absentGain = DbToAmplitudeExact(p.absentDb);
    c.swellRise = p.swellRiseDb / 4.3429448f; // 10 / ln(10)
    c.steadyRise = p.steadyRiseSec > 0.0f ? 1.0f - PerHop(p.steadyRiseSec) : 1.0f;
    RealFftInit(&st->fft);
    MakeWindows(st);
    st->clickGain = 1.0f;
    st->ready = 1;
}

void NsProcess(NsState* st, int16_t* samples, size_t count) {
    // The new hop is written straight into the tail of inHist; the frame
    // runs when it is full and the hop's first output comes out at once,
    // giving a fixed delay of NS_DELAY samples regardless of call sizes.
    float* tail = st->inHist + (NS_FFT - NS_HOP);
    for (size_t i = 0; i < count; i++) {
        tail[st->pos++] = static_cast<float>(samples[i]);
        if (st->pos == NS_HOP) {
            ProcessFrame(st);
            std::memmove(st->inHist, st->inHist + NS_HOP, sizeof(float) * (NS_FFT - NS_HOP));
            st->pos = 0;
        }
        samples[i] = ToPcm(st->outQ[st->pos]);
    }
}

float NsFastLog2(float x) {
    return FastLog2(x);
}
float NsFastExp2(float x) {
    return FastExp2(x);
}
