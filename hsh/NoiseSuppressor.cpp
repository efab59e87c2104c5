// Hushwave noise suppressor core. See NoiseSuppressor.h for the signal path.
#include "NoiseSuppressor.h"

#include <cmath>
#include <cstring>

namespace {

const float kHopSec = (float)NS_HOP / 16000.0f;
const int kInitFrames = 12;              // noise PSD bootstrap: first 60 ms
const int kVadLo = 125 * NS_FFT / 16000; // 125 Hz .. 4 kHz for frame activity
const int kVadHi = 4000 * NS_FFT / 16000;
const int kGlobalHalf = 470 * NS_FFT / 16000; // +-470 Hz "global" average

// --- fast math: the per-bin gain needs several exp/log per hop; these
// polynomial versions keep the cost per 20 ms block low. exp2 is ~2e-4
// accurate (far below what matters for a gain); log2 is ~1e-7 accurate so
// that gains near 0 dB (ratios near 1) come out right.
inline float fast_log2(float x) {
    // x = 2^e * m with m in [sqrt(1/2), sqrt(2)): subtracting the bits of
    // sqrt(1/2) before splitting centres the mantissa on 1 without a branch,
    // so log2 of values just below 1 has no cancellation.
    uint32_t b;
    std::memcpy(&b, &x, 4);
    const uint32_t d = b - 0x3F3504F3u;
    const float e = (float)((int32_t)d >> 23);
    b = (d & 0x007FFFFFu) + 0x3F3504F3u;
    float m;
    std::memcpy(&m, &b, 4);
    // log2(m) = 2/ln2 * atanh(t), t = (m-1)/(m+1), |t| <= 0.1716: the odd
    // series up to t^9 is accurate to ~1e-8 relative.
    const float t = (m - 1.0f) / (m + 1.0f), t2 = t * t;
    return e + t * (2.8853901f + t2 * (0.96179669f +
                                       t2 * (0.57707801f + t2 * (0.41219858f + t2 * 0.32059889f))));
}

inline float fast_exp2(float x) {
    x = x < -126.0f ? -126.0f : (x > 126.0f ? 126.0f : x);
    int i = (int)x;
    i -= (float)i > x ? 1 : 0; // floor for negative x
    const float f = x - (float)i;
    // cubic fit of 2^f on [0,1): relative error < 2e-4 (0.0015 dB)
    const float p = 1.0f + f * (0.69503617f + f * (0.22830825f + f * 0.07632546f));
    uint32_t b = (uint32_t)(i + 127) << 23;
    float s;
    std::memcpy(&s, &b, 4);
    return p * s;
}

inline float fast_ln(float x) {
    return 0.69314718f * fast_log2(x);
}
inline float fast_exp(float x) {
    return fast_exp2(1.44269504f * x);
}

inline float clampf(float v, float lo, float hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

// Per-hop smoothing constant from a time constant in seconds.
inline float per_hop(float tau) {
    return std::exp(-kHopSec / tau);
}

void make_windows(NsState* st) {
    // Asymmetric analysis window: rising half of a long sqrt-Hann over
    // NS_FFT-NS_HOP samples, falling half of a short sqrt-Hann over NS_HOP.
    // Synthesis window makes win_a*win_s a 2*NS_HOP Hann at the frame end,
    // which overlap-adds to one at hop NS_HOP (perfect reconstruction).
    const double pi = 3.14159265358979323846;
    const int rise = NS_FFT - NS_HOP, d = NS_FFT - 2 * NS_HOP;
    for (int n = 0; n < NS_FFT; n++) {
        double wa =
            n < rise ? std::sin(pi * n / (2.0 * rise)) : std::sin(pi * (n - d) / (2.0 * NS_HOP));
        double ws = 0.0;
        if (n >= d) {
            const double h = 0.5 - 0.5 * std::cos(pi * (n - d) / NS_HOP);
            ws = wa > 1e-9 ? h / wa : 0.0;
        }
        st->win_a[n] = (float)wa;
        st->win_s[n] = (float)ws;
    }
}

// Cohen's mapping of a smoothed a-priori SNR to a presence likelihood:
// 0 below -10 dB, 1 above -5 dB, log-linear in between. Branch-free.
inline float presence_from_zeta(float z) {
    const float inv_span = 1.0f / 1.6609640f; // 1/log2(10^0.5)
    return clampf(fast_log2(z * 10.0f) * inv_span, 0.0f, 1.0f);
}

// Noise PSD tracking by speech presence probability (Gerkmann & Hendriks
// 2012): unbiased, follows rising noise without the minimum-search delay.
// The fixed prior SNR under H1 is lowered when the recent speech is well
// above the noise, so weak speech there is not learnt as noise.
void update_noise(NsState* st, const float* pw) {
    if (st->frames < kInitFrames) {
        const float w = 1.0f / (float)(st->frames + 1);
        for (int k = 0; k < NS_PAD; k++)
            st->noise[k] += w * (pw[k] - st->noise[k]) + 1e-7f;
        return;
    }
    const NsParams& p = st->p;
    const float prior_db = p.spp_prior_db + (p.spp_prior_hi_db - p.spp_prior_db) * st->hi_snr;
    const float xi1 = fast_exp2(0.33219281f * prior_db); // 10^(dB/10)
    const float c1 = 1.0f + xi1, c2 = xi1 / (1.0f + xi1);
    const float a = p.noise_alpha, as = st->k_stag;
    float* noise = st->noise;
    float* spp = st->spp_avg;
    float ph[NS_PAD];
    for (int k = 0; k < NS_PAD; k++) {
        const float post = pw[k] / noise[k];
        ph[k] = 1.0f / (1.0f + c1 * fast_exp(-clampf(post * c2, 0.0f, 80.0f)));
    }
    // Harmonic guard at the low end: with 62.5 Hz bins a voice fundamental
    // or low harmonic lies between two bins and leaks into the one below; a
    // bin whose upper neighbour holds speech is not learnt as noise either
    // (ascending order: each bin sees its neighbour's own probability).
    const int guard = p.guard_bins < NS_BINS - 1 ? p.guard_bins : NS_BINS - 1;
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
void update_vad(NsState* st, const float* gam, const float* xi) {
    float sum = 0.0f, lsum = 0.0f;
    for (int k = kVadLo; k < kVadHi; k++) {
        const float r = xi[k] / (1.0f + xi[k]);
        const float l1 = fast_ln(1.0f + xi[k]);
        sum += gam[k] * r - l1;
        lsum += l1;
    }
    // Smooth the ratio over ~20 ms: lone noise peaks no longer flip the
    // activity on, while speech (tens of ms) still does within a frame or two.
    const float b = st->p.vad_llr_smooth;
    const float llr = b * st->llr + (1.0f - b) * sum / (float)(kVadHi - kVadLo);
    st->llr = llr;
    const float pf =
        clampf((llr - st->p.vad_llr_lo) / (st->p.vad_llr_hi - st->p.vad_llr_lo), 0.0f, 1.0f);
    st->vad_inst = pf;
    // Long-term SNR of active speech: mean log(1+xi) over the band (a
    // geometric mean, so a few strong harmonics do not dominate), averaged
    // over ~1 s of active hops. hi_snr ramps 0..1 over 6 dB above
    // hi_snr_db; when speech clearly dominates the band, weak speech is
    // worth more than the little noise left around it.
    if (pf > 0.5f)
        st->lt_snr = 0.995f * st->lt_snr + 0.005f * lsum / (float)(kVadHi - kVadLo);
    st->hi_snr = clampf((4.3429448f * st->lt_snr - st->p.hi_snr_db) * (1.0f / 6.0f), 0.0f, 1.0f);
    const float a = pf > st->vad ? st->p.vad_attack : st->p.vad_release;
    st->vad = a * st->vad + (1.0f - a) * pf;
}

// Decision-directed a-priori SNR (Ephraim & Malah) and its smoothed copy.
void apriori_snr(NsState* st, const float* pw, float* gam, float* xi) {
    const NsParams& p = st->p;
    const float xi_min = st->k_xi_min;
    const float bz = st->k_zeta, inv_bias = 1.0f / p.noise_bias;
    // Consecutive 5 ms frames overlap heavily, so a random noise peak lasts
    // several frames and inflates the decision-directed estimate; in pauses
    // the recursion is therefore made slower.
    const float a_dd = p.dd_alpha + (p.dd_alpha_pause - p.dd_alpha) * (1.0f - st->vad);
    // At high SNR during speech a rising bin follows the current frame
    // faster (the decision-directed lag clips weak onsets).
    const float a_rise = a_dd + (p.dd_alpha_rise - a_dd) * st->vad * st->hi_snr;
    for (int k = 0; k < NS_PAD; k++) {
        const float g = pw[k] * inv_bias / st->noise[k];
        gam[k] = g < 1e4f ? g : 1e4f;
        const float gm1 = gam[k] > 1.0f ? gam[k] - 1.0f : 0.0f;
        const float prev = st->prev_snr_post[k];
        const float ak = gm1 > prev ? a_rise : a_dd;
        const float dd = ak * prev + (1.0f - ak) * gm1;
        const float x = dd > xi_min ? dd : xi_min;
        st->xi_smooth[k] = bz * st->xi_smooth[k] + (1.0f - bz) * x;
        // Onset: a bin this far above the noise (P < 4e-4 for Gaussian
        // noise) is taken at its current SNR, not the lagging estimate.
        const float on = gam[k] > p.onset_gamma ? gm1 : 0.0f;
        xi[k] = x > on ? x : on;
    }
    // Lowest bins: a harmonic in bin k+1 leaks into bin k through the short
    // analysis window; credit bin k with that share of the neighbour's
    // speech power so the harmonic is not high-passed away.
    const int nl = p.low_leak_bins < NS_BINS - 1 ? p.low_leak_bins : NS_BINS - 1;
    for (int k = 0; k < nl; k++) {
        const float l = p.low_leak * xi[k + 1] * st->noise[k + 1] / st->noise[k];
        xi[k] = xi[k] > l ? xi[k] : l;
    }
}

// Local (3-bin) and global (31-bin) speech presence likelihoods -> a-priori
// speech absence probability q per bin (Cohen 2003, simplified). The band
// edges are extended by replication so every window has the same length
// and the per-bin loop has no branches (it vectorises).
void absence_prob(const NsState* st, float* q) {
    const int G = kGlobalHalf;
    float prefix[NS_PAD + 2 * kGlobalHalf + 2];
    float acc = 0.0f;
    prefix[0] = 0.0f;
    for (int i = 0; i < NS_PAD + 2 * G + 1; i++) { // prefix over bins i-G
        int k = i - G;
        k = k < 0 ? 0 : (k > NS_BINS - 1 ? NS_BINS - 1 : k);
        acc += st->xi_smooth[k];
        prefix[i + 1] = acc;
    }
    const float inv_l = 1.0f / 3.0f, inv_g = 1.0f / (float)(2 * G + 1);
    for (int k = 0; k < NS_PAD; k++) {
        const float zl = (prefix[k + G + 2] - prefix[k + G - 1]) * inv_l;
        const float zg = (prefix[k + 2 * G + 1] - prefix[k]) * inv_g;
        q[k] = 1.0f - presence_from_zeta(zl) * presence_from_zeta(zg);
    }
}

// OM-LSA gain (Cohen & Berdugo 2001): G = G_H1^p * Gmin^(1-p), with the
// log-spectral-amplitude gain G_H1 = xi/(1+xi) * exp(E1(v)/2). Written
// branch-free over padded arrays so the compiler vectorises it.
void omlsa_gain(NsState* st, const float* gam, const float* xi, const float* q_in, float* gain,
                float* presence) {
    const NsParams& p = st->p;
    const float floor_db = p.floor_pause_db + (p.floor_speech_db - p.floor_pause_db) * st->vad;
    const float ln_gmin = 0.11512925f * floor_db; // ln(10)/20 * dB
    // Speech absence may be believed more strongly in pauses (Cohen's
    // frame-level presence term).
    const float q_max = p.q_max + (p.q_max_pause - p.q_max) * (1.0f - st->vad);
    // The presence likelihood uses the SNRs averaged over 3 bins: a lone
    // noise peak is diluted, a speech harmonic (2-3 bins wide) is not.
    float gs[NS_PAD], xs[NS_PAD];
    const float w = p.spp_fsmooth * (1.0f / 3.0f), c = 1.0f - 2.0f * w;
    gs[0] = gam[0];
    xs[0] = xi[0];
    gs[NS_PAD - 1] = gam[NS_PAD - 1];
    xs[NS_PAD - 1] = xi[NS_PAD - 1];
    for (int k = 1; k < NS_PAD - 1; k++) {
        gs[k] = c * gam[k] + w * (gam[k - 1] + gam[k + 1]);
        xs[k] = c * xi[k] + w * (xi[k - 1] + xi[k + 1]);
    }
    for (int k = 0; k < NS_PAD; k++) {
        const float q = clampf(q_in[k], 0.0f, q_max);
        const float r = xi[k] / (1.0f + xi[k]);
        const float v = clampf(gam[k] * r, 1e-6f, 80.0f);
        const float env = fast_exp(-v);
        // E1(v), Abramowitz & Stegun 5.1.53 (v<1) and 5.1.56 (v>=1).
        const float e1s =
            -fast_ln(v) - 0.57721566f +
            v * (0.99999193f +
                 v * (-0.24991055f + v * (0.05519968f + v * (-0.00976004f + v * 0.00107857f))));
        const float e1l =
            env * (v * v + 2.334733f * v + 0.250621f) / (v * (v * v + 3.330657f * v + 1.681534f));
        const float e1 = v < 1.0f ? e1s : e1l;
        float ln_gh1 = fast_ln(r) + 0.5f * e1;
        ln_gh1 = clampf(ln_gh1, -9.2f, 0.0f);
        const float gh1 = fast_exp(ln_gh1);
        // Presence probability 1 / (1 + q/(1-q) (1+xi) exp(-v)), one division.
        const float rs = xs[k] / (1.0f + xs[k]);
        const float env_s = fast_exp(-clampf(gs[k] * rs, 0.0f, 80.0f));
        const float sp = (1.0f - q) / ((1.0f - q) + q * (1.0f + xs[k]) * env_s);
        // A bin far above the noise is speech (an onset, a fricative the
        // frame activity does not see), not a noise peak: it stays out of
        // the broadband pause attenuation as far as it is present.
        presence[k] = xi[k] > st->k_keep_xi ? sp : 0.0f;
        const float g = fast_exp(sp * ln_gh1 + (1.0f - sp) * ln_gmin);
        // Limit how fast a bin's gain may fall: avoids musical tones.
        const float lim = st->prev_gain[k] * p.gain_release;
        gain[k] = g > lim ? g : lim;
        st->prev_snr_post[k] = gh1 * gh1 * gam[k];
    }
}

// 3-tap smoothing across frequency: shortens the gain's impulse response,
// which the short synthesis window would otherwise truncate (time aliasing).
void smooth_gain(NsState* st, float* gain, const float* presence) {
    // In speech pauses the whole frame is pulled down further: the residual
    // there is dominated by random noise peaks that slip past the per-bin
    // gain, and a broadband attenuation removes them without touching speech.
    // Long pauses (no activity for a while) get deeper still; the depth
    // ramps in so short gaps between words are left alone, and it drops at
    // once when activity returns (the frame sees 5-10 ms ahead of its output).
    st->pause_hops = st->vad_inst < 0.05f ? st->pause_hops + 1 : 0;
    if (st->pause_hops > 100000)
        st->pause_hops = 100000;
    const float held = (float)st->pause_hops * kHopSec - st->p.deep_pause_after;
    const float depth = clampf(held / 0.2f, 0.0f, 1.0f) * st->p.deep_pause_db;
    const float pause = fast_exp(0.11512925f * (st->p.pause_db * (1.0f - st->vad) + depth));
    const float a = st->p.gain_fsmooth, c = 1.0f - 2.0f * a;
    float prev = gain[0];
    for (int k = 1; k < NS_BINS - 1; k++) {
        const float cur = gain[k];
        gain[k] = c * cur + a * (prev + gain[k + 1]);
        prev = cur;
    }
    for (int k = 0; k < NS_PAD; k++)
        gain[k] *= pause + (1.0f - pause) * presence[k];
    for (int k = 0; k < NS_PAD; k++)
        st->prev_gain[k] = gain[k];
}

void compute_gain(NsState* st, const float* pw, float* gain) {
    float xi[NS_PAD], gam[NS_PAD], q[NS_PAD], presence[NS_PAD];
    apriori_snr(st, pw, gam, xi);
    update_vad(st, gam, xi);
    absence_prob(st, q);
    omlsa_gain(st, gam, xi, q, gain, presence);
    smooth_gain(st, gain, presence);
}

// Keyboard-click suppression in the time domain. The output hop is one hop
// older than the newest input hop, which gives 5 ms of look-ahead: a hop
// whose high-band (pre-emphasised) energy towers over both its neighbours
// is a click, not speech (speech bursts are followed by more speech), and
// is scaled down to the neighbours' level with a short crossfade.
void declick(NsState* st) {
    const float* x = st->in_hist + (NS_FFT - NS_HOP);
    float e = 0.0f, prev = st->emph_prev;
    for (int n = 0; n < NS_HOP; n++) {
        const float y = x[n] - 0.9f * prev;
        e += y * y;
        prev = x[n];
    }
    st->emph_prev = prev;
    st->hop_e[2] = st->hop_e[1];
    st->hop_e[1] = st->hop_e[0];
    st->hop_e[0] = e + 1.0f;
    const float ej = st->hop_e[1]; // the hop now in out_q
    const float nb = st->hop_e[0] > st->hop_e[2] ? st->hop_e[0] : st->hop_e[2];
    const float ratio_db = 10.0f * fast_log2(ej / nb) * 0.30103f;
    float g = 1.0f;
    // Plosives stand out too; demand a bit more while speech is active.
    if (ratio_db > st->p.click_ratio_db + st->p.click_speech_db * st->vad) {
        const float gmin = fast_exp(0.11512925f * st->p.click_floor_db);
        g = std::sqrt(nb / ej);
        g = g > gmin ? g : gmin;
    }
    const float g0 = st->click_gain;
    const int ramp = 16;
    for (int n = 0; n < NS_HOP; n++) {
        const float t = n < ramp ? (float)n / ramp : 1.0f;
        st->out_q[n] *= g0 + (g - g0) * t;
    }
    st->click_gain = g;
}

// One hop: analyse the last NS_FFT input samples, apply the gain and
// overlap-add the short synthesis window into the output queue.
void process_frame(NsState* st) {
    float* w = st->work;
    for (int n = 0; n < NS_FFT; n++)
        w[n] = st->in_hist[n] * st->win_a[n];
    RealFftForward(&st->fft, w);
    float pw[NS_PAD], gain[NS_PAD];
    for (int k = 0; k < NS_BINS; k++)
        pw[k] = w[2 * k] * w[2 * k] + w[2 * k + 1] * w[2 * k + 1];
    for (int k = NS_BINS; k < NS_PAD; k++)
        pw[k] = 0.0f;
    update_noise(st, pw);
    if (st->frames < kInitFrames) {
        for (int k = 0; k < NS_BINS; k++)
            gain[k] = 1.0f; // bootstrap: pass
    } else {
        compute_gain(st, pw, gain);
    }
    for (int k = 0; k < NS_BINS; k++) {
        w[2 * k] *= gain[k];
        w[2 * k + 1] *= gain[k];
    }
    RealFftInverse(&st->fft, w);
    // ola holds 2*NS_HOP samples aligned to the frame end.
    const int d = NS_FFT - 2 * NS_HOP;
    for (int n = 0; n < 2 * NS_HOP; n++)
        st->ola[n] += w[d + n] * st->win_s[d + n];
    std::memcpy(st->out_q, st->ola, sizeof(float) * NS_HOP);
    declick(st);
    std::memmove(st->ola, st->ola + NS_HOP, sizeof(float) * NS_HOP);
    std::memset(st->ola + NS_HOP, 0, sizeof(float) * NS_HOP);
    if (st->frames < 1000000)
        st->frames++;
}

inline int16_t to_pcm(float v) {
    v = clampf(v, -32768.0f, 32767.0f);
    return (int16_t)(v >= 0.0f ? (int)(v + 0.5f) : -(int)(-v + 0.5f));
}

} // namespace

void NsDefaultParams(NsParams* p) {
    // Tuned on the benchmark's tune split (bench/suppressor/tune.py); see its README.
    p->noise_alpha = per_hop(0.12f);
    p->spp_prior_db = 12.0f;
    p->spp_prior_hi_db = 10.0f;
    p->guard_bins = 8;
    p->dd_alpha = 0.88f;
    p->dd_alpha_pause = 0.98f;
    p->dd_alpha_rise = 0.5f;
    p->onset_gamma = 8.0f;
    p->low_leak = 0.6f;
    p->low_leak_bins = 2;
    p->hi_snr_db = 12.0f;
    p->xi_min_db = -25.0f;
    p->q_max = 0.8f;
    p->q_max_pause = 0.95f;
    p->floor_speech_db = -15.0f;
    p->floor_pause_db = -35.0f;
    p->pause_db = -6.0f;
    p->deep_pause_db = -35.0f;
    p->deep_pause_after = 0.08f;
    p->vad_attack = per_hop(0.01f);
    p->vad_release = per_hop(0.5f);
    p->vad_llr_lo = 0.3f;
    p->vad_llr_hi = 1.0f;
    p->vad_llr_smooth = 0.0f;
    p->noise_bias = 1.0f;
    p->gain_release = 0.0f;
    p->gain_fsmooth = 0.0f;
    p->spp_fsmooth = 1.0f;
    p->stag_tau = 1.5f;
    p->click_ratio_db = 20.0f;
    p->click_speech_db = 5.0f;
    p->pause_keep_db = 20.0f;
    p->click_floor_db = -30.0f;
}

void NsInit(NsState* st, const NsParams* params) {
    std::memset(st, 0, sizeof(*st));
    if (params)
        st->p = *params;
    else
        NsDefaultParams(&st->p);
    RealFftInit(&st->fft);
    make_windows(st);
    for (int k = 0; k < NS_PAD; k++)
        st->prev_gain[k] = 1.0f;
    st->click_gain = 1.0f;
    // Per-frame constants derived from the parameters (no libm per call).
    st->k_xi_min = std::pow(10.0f, st->p.xi_min_db / 10.0f);
    st->k_keep_xi = std::pow(10.0f, st->p.pause_keep_db / 10.0f);
    st->k_stag = per_hop(st->p.stag_tau);
    st->k_zeta = per_hop(0.04f);
    st->ready = 1;
}

void NsProcess(NsState* st, int16_t* samples, size_t count) {
    // The new hop is written straight into the tail of in_hist; the frame
    // runs when it is full and the hop's first output comes out at once,
    // giving a fixed delay of NS_DELAY samples regardless of call sizes.
    float* tail = st->in_hist + (NS_FFT - NS_HOP);
    for (size_t i = 0; i < count; i++) {
        tail[st->pos++] = (float)samples[i];
        if (st->pos == NS_HOP) {
            process_frame(st);
            std::memmove(st->in_hist, st->in_hist + NS_HOP, sizeof(float) * (NS_FFT - NS_HOP));
            st->pos = 0;
        }
        samples[i] = to_pcm(st->out_q[st->pos]);
    }
}

float NsFastLog2(float x) {
    return fast_log2(x);
}
float NsFastExp2(float x) {
    return fast_exp2(x);
}
