// Pitch search for the suppressor's comb. See Pitch.h.
#include "Pitch.h"

#include <cmath>
#include <cstring>

namespace {

// Dot product in eight independent lanes, so it vectorises without
// reassociating a single sum (n is a multiple of 8).
float Dot(const float* x, const float* y, int n) {
    float acc[8] = {};
    for (int i = 0; i < n; i += 8)
        for (int j = 0; j < 8; j++)
            acc[j] += x[i + j] * y[i + j];
    return ((acc[0] + acc[4]) + (acc[1] + acc[5])) + ((acc[2] + acc[6]) + (acc[3] + acc[7]));
}

// Normalised correlation of x[0..n) with x[-lag..n-lag) for every lag in
// [lo, hi], clipped to 0..1; the delayed energy slides from lag to lag.
void Correlations(const float* x, int n, int lo, int hi, float* r) {
    const float xx = Dot(x, x, n);
    float yy = Dot(x - lo, x - lo, n);
    for (int l = lo; l <= hi; l++) {
        const float xy = Dot(x, x - l, n);
        r[l] = xy > 0.0f ? xy / std::sqrt(xx * yy + 1.0f) : 0.0f;
        const float in = x[-l - 1], out = x[n - 1 - l];
        yy += in * in - out * out;
    }
}

// The first lag in [lo, hi] with the highest correlation.
int MostPeriodic(const float* r, int lo, int hi) {
    int best = lo;
    for (int l = lo + 1; l <= hi; l++)
        if (r[l] > r[best])
            best = l;
    return best;
}

int CoarseLag(const PitchState* st) {
    const float* x = st->coarse + kPitchCoarseHist - kPitchCoarseWin;
    constexpr int lo = kPitchMinLag / kPitchDown, hi = kPitchMaxLag / kPitchDown;
    float r[hi + 1] = {};
    Correlations(x, kPitchCoarseWin, lo, hi, r);
    const int best = MostPeriodic(r, lo, hi);
    // the shortest lag nearly as periodic as the best is the period, the best
    // a multiple of it (a steady voice repeats after every period)
    for (int l = lo; l < best; l++)
        if (r[l] > 0.85f * r[best] && r[l] >= r[l + 1] && (l == lo || r[l] >= r[l - 1]))
            return l;
    return best;
}

static_assert(kPitchDown == 4, "PitchPush averages four samples");
static_assert(kPitchCoarseWin % 8 == 0 && kPitchFineWin % 8 == 0, "Dot works in eights");

} // namespace

void PitchPush(PitchState* st, const float* hop, int n) {
    std::memmove(st->hist, st->hist + n, sizeof(float) * (kPitchHist - n));
    std::memcpy(st->hist + kPitchHist - n, hop, sizeof(float) * n);
    const int m = n / kPitchDown;
    std::memmove(st->coarse, st->coarse + m, sizeof(float) * (kPitchCoarseHist - m));
    float* c = st->coarse + kPitchCoarseHist - m;
    for (int i = 0; i < m; i++) {
        const float* h = hop + i * kPitchDown;
        c[i] = 0.25f * (h[0] + h[1] + h[2] + h[3]);
    }
}

void PitchSearch(PitchState* st) {
    const int centre = CoarseLag(st) * kPitchDown;
    const int lo = centre - kPitchDown < kPitchMinLag ? kPitchMinLag : centre - kPitchDown;
    const int hi = centre + kPitchDown > kPitchMaxLag ? kPitchMaxLag : centre + kPitchDown;
    float r[kPitchMaxLag + 1];
    Correlations(st->hist + kPitchHist - kPitchFineWin, kPitchFineWin, lo, hi, r);
    const int best = MostPeriodic(r, lo, hi);
    st->lag = best;
    st->corr = r[best];
}

void PitchDelayedFrame(const PitchState* st, const float* win, float* out) {
    const float* x = st->hist + kPitchHist - kPitchFrame - st->lag;
    for (int n = 0; n < kPitchFrame; n++)
        out[n] = x[n] * win[n];
}
