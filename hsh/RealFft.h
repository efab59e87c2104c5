// A small real FFT for the suppressor: fixed size, tables and scratch in one
// plain struct, so it needs no heap and no global state.
#pragma once

#include <cstdint>

constexpr int kRealFftSize = 256;

struct RealFft {                  // radix-2 complex FFT of half the size
    float twRe[kRealFftSize / 2]; // per-stage twiddles, stage h at [h, 2h)
    float twIm[kRealFftSize / 2];
    float scratchRe[kRealFftSize / 2]; // split-format scratch
    float scratchIm[kRealFftSize / 2];
    float rcos[kRealFftSize / 2]; // twiddles for the real split step
    float rsin[kRealFftSize / 2];
    uint16_t bitrev[kRealFftSize / 2];
};

void RealFftInit(RealFft* f);
// buf holds kRealFftSize reals on input and kRealFftSize/2 + 1 interleaved
// complex values on output (so kRealFftSize + 2 floats).
void RealFftForward(RealFft* f, float* buf);
// The inverse, including the 1/kRealFftSize scale.
void RealFftInverse(RealFft* f, float* buf);
