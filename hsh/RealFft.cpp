// The real transform is computed as a half-size radix-2 complex FFT plus a split step (the classic
// "two real halves in one complex FFT" trick). The complex FFT works on
// split real/imaginary arrays with per-stage contiguous twiddles so the
// butterfly loops vectorise; the inverse reuses the forward transform by
// swapping the real and imaginary roles.
#include "RealFft.h"

#include <cmath>

namespace {
constexpr int kC = kRealFftSize / 2; // complex FFT size
} // namespace

void RealFftInit(RealFft* f) {
    const double pi = 3.14159265358979323846;
    // Stage with half-size h uses twiddles exp(-2*pi*i*k/(2h)) at [h + k].
    for (int h = 1; h < kC; h <<= 1) {
        for (int k = 0; k < h; k++) {
            f->twRe[h + k] = static_cast<float>(std::cos(pi * k / h));
            f->twIm[h + k] = static_cast<float>(-std::sin(pi * k / h));
        }
    }
    f->twRe[0] = 1.0f;
    f->twIm[0] = 0.0f;
    for (int k = 0; k < kC; k++) {
        f->rcos[k] = static_cast<float>(std::cos(2 * pi * k / kRealFftSize));
        f->rsin[k] = static_cast<float>(std::sin(2 * pi * k / kRealFftSize));
    }
    int bits = 0;
    while ((1 << bits) < kC)
        bits++;
    for (int i = 0; i < kC; i++) {
        int r = 0;
        for (int b = 0; b < bits; b++)
            r |= ((i >> b) & 1) << (bits - 1 - b);
        f->bitrev[i] = static_cast<uint16_t>(r);
    }
}

namespace {

// Forward complex FFT: interleaved src (kC values) -> split re/im.
// Calling it with re and im swapped (and src re/im swapped by the caller's
// layout) computes the unscaled inverse.
void ComplexFftSplit(const RealFft* f, const float* src, bool swap, float* re, float* im) {
    const int offRe = swap ? 1 : 0, offIm = swap ? 0 : 1;
    // Bit-reversed load fused with the first two (multiply-free) stages.
    for (int i = 0; i < kC; i += 4) {
        float xr[4], xi[4];
        for (int j = 0; j < 4; j++) {
            const int s = f->bitrev[i + j];
            xr[j] = src[2 * s + offRe];
            xi[j] = src[2 * s + offIm];
        }
        const float ar = xr[0] + xr[1], ai = xi[0] + xi[1];
        const float br = xr[0] - xr[1], bi = xi[0] - xi[1];
        const float cr = xr[2] + xr[3], ci = xi[2] + xi[3];
        const float dr = xr[2] - xr[3], di = xi[2] - xi[3];
        re[i] = ar + cr;
        im[i] = ai + ci;
        re[i + 2] = ar - cr;
        im[i + 2] = ai - ci;
        // twiddle -i on d
        re[i + 1] = br + di;
        im[i + 1] = bi - dr;
        re[i + 3] = br - di;
        im[i + 3] = bi + dr;
    }
    for (int h = 4; h < kC; h <<= 1) {
        const float* wr = f->twRe + h;
        const float* wi = f->twIm + h;
        for (int i = 0; i < kC; i += 2 * h) {
            float* __restrict ar = re + i;
            float* __restrict ai = im + i;
            float* __restrict br = re + i + h;
            float* __restrict bi = im + i + h;
            for (int k = 0; k < h; k += 4) {
                // Four independent butterflies in straight-line code: the
                // SLP vectoriser turns them into one SIMD butterfly.
                float tr[4], ti[4];
                for (int j = 0; j < 4; j++)
                    tr[j] = br[k + j] * wr[k + j] - bi[k + j] * wi[k + j];
                for (int j = 0; j < 4; j++)
                    ti[j] = br[k + j] * wi[k + j] + bi[k + j] * wr[k + j];
                for (int j = 0; j < 4; j++)
                    br[k + j] = ar[k + j] - tr[j];
                for (int j = 0; j < 4; j++)
                    bi[k + j] = ai[k + j] - ti[j];
                for (int j = 0; j < 4; j++)
                    ar[k + j] += tr[j];
                for (int j = 0; j < 4; j++)
                    ai[k + j] += ti[j];
            }
        }
    }
}

} // namespace

void RealFftForward(RealFft* f, float* buf) {
    float* re = f->scratchRe;
    float* im = f->scratchIm;
    ComplexFftSplit(f, buf, false, re, im);
    for (int k = 1; k <= kC / 2; k++) {
        const int j = kC - k;
        // Even/odd sample spectra: Fe = (Zk + conj Zj)/2, Fo = (Zk - conj Zj)/(2i)
        const float fer = 0.5f * (re[k] + re[j]), fei = 0.5f * (im[k] - im[j]);
        const float foRe = 0.5f * (im[k] + im[j]), foIm = -0.5f * (re[k] - re[j]);
        const float c = f->rcos[k], s = f->rsin[k];
        const float tr = c * foRe + s * foIm, ti = c * foIm - s * foRe;
        buf[2 * k] = fer + tr;
        buf[2 * k + 1] = fei + ti;
        buf[2 * j] = fer - tr;
        buf[2 * j + 1] = ti - fei;
    }
    buf[0] = re[0] + im[0];
    buf[1] = 0.0f;
    buf[2 * kC] = re[0] - im[0];
    buf[2 * kC + 1] = 0.0f;
}

void RealFftInverse(RealFft* f, float* buf) {
    const float x0 = buf[0], xc = buf[2 * kC];
    for (int k = 1; k <= kC / 2; k++) {
        const int j = kC - k;
        const float ar = buf[2 * k], ai = buf[2 * k + 1];
        const float br = buf[2 * j], bi = buf[2 * j + 1];
        const float fer = 0.5f * (ar + br), fei = 0.5f * (ai - bi);
        const float dr = ar - br, di = ai + bi;
        const float c = f->rcos[k], s = f->rsin[k];
        const float foRe = 0.5f * (dr * c - di * s), foIm = 0.5f * (dr * s + di * c);
        buf[2 * k] = fer - foIm;
        buf[2 * k + 1] = fei + foRe;
        buf[2 * j] = fer + foIm;
        buf[2 * j + 1] = foRe - fei;
    }
    buf[0] = 0.5f * (x0 + xc);
    buf[1] = 0.5f * (x0 - xc);
    // Inverse via the forward FFT with real/imaginary roles swapped.
    float* re = f->scratchRe;
    float* im = f->scratchIm;
    ComplexFftSplit(f, buf, true, im, re);
    const float scale = 1.0f / kC;
    for (int n = 0; n < kC; n++) {
        buf[2 * n] = re[n] * scale;
        buf[2 * n + 1] = im[n] * scale;
    }
}
