// Inference of the learned estimators. Matrices are stored input-major, so
// each layer is a sequence of "output vector += weight row * input" steps
// whose inner loop runs over contiguous outputs (the compiler vectorises it
// without reordering any sum).
#include "GainNet.h"

#include <cstdint>
#include <cstring>

namespace {

// exp(x) for the activations: 2^(x log2 e) by a cubic on the fraction,
// relative error < 2e-4, plenty for a gate.
inline float ActExp(float x) {
    x *= 1.44269504f;
    x = x < -126.0f ? -126.0f : (x > 126.0f ? 126.0f : x);
    int i = static_cast<int>(x);
    i -= static_cast<float>(i) > x ? 1 : 0;
    const float f = x - static_cast<float>(i);
    const float p = 1.0f + f * (0.69503617f + f * (0.22830825f + f * 0.07632546f));
    const uint32_t b = static_cast<uint32_t>(i + 127) << 23;
    float s;
    std::memcpy(&s, &b, 4);
    return p * s;
}

inline float Sigmoid(float x) {
    return 1.0f / (1.0f + ActExp(-x));
}

inline float Tanh(float x) {
    return 2.0f / (1.0f + ActExp(-2.0f * x)) - 1.0f;
}

// out[o] = b[o] + sum_i in[i] * w[i * N + o] for the Width outputs from o0,
// summed in a local block: unrolled, the compiler keeps it in registers, so
// the outputs are loaded and stored once, not once per input (as a loop over
// the block it stayed on the stack). Each sum keeps its order.
template <int N, int Width>
inline void AffineBlock(const float* w, const float* b, const float* in, int nIn, float* out,
                        int o0) {
    float acc[Width];
    for (int o = 0; o < Width; o++)
        acc[o] = b[o0 + o];
    for (int i = 0; i < nIn; i++) {
        const float x = in[i];
        const float* row = w + i * N + o0;
#pragma GCC unroll 16
        for (int o = 0; o < Width; o++)
            acc[o] += row[o] * x;
    }
    for (int o = 0; o < Width; o++)
        out[o0 + o] = acc[o];
}

// out[o] = b[o] + sum_i in[i] * w[i * N + o], in blocks of kAffineBlock
// outputs (16 floats: four SSE registers, half of i686's eight).
template <int N> void Affine(const float* w, const float* b, const float* in, int nIn, float* out) {
    constexpr int kAffineBlock = 16;
    int o0 = 0;
    for (; o0 + kAffineBlock <= N; o0 += kAffineBlock)
        AffineBlock<N, kAffineBlock>(w, b, in, nIn, out, o0);
    if constexpr (N % kAffineBlock != 0)
        AffineBlock<N, N % kAffineBlock>(w, b, in, nIn, out, o0);
}

// Dense -> GRU -> dense with sigmoid outputs, shapes known at compile time.
template <int In, int Dense, int Hidden, int Out>
void RecurrentNetRun(const GainNetWeights& w, float* hidden, const float* input, float* out) {
    constexpr int H = Hidden;
    float x[In], d[Dense], gx[3 * H], gh[3 * H];
    for (int i = 0; i < In; i++)
        x[i] = (input[i] - w.featMean[i]) / w.featStd[i];
    Affine<Dense>(w.inW, w.inB, x, In, d);
    for (int i = 0; i < Dense; i++)
        d[i] = Tanh(d[i]);
    Affine<3 * H>(w.gruWx, w.gruBx, d, Dense, gx);
    Affine<3 * H>(w.gruWh, w.gruBh, hidden, H, gh);
    for (int i = 0; i < H; i++) {
        const float r = Sigmoid(gx[i] + gh[i]);
        const float z = Sigmoid(gx[H + i] + gh[H + i]);
        const float n = Tanh(gx[2 * H + i] + r * gh[2 * H + i]);
        hidden[i] = (1.0f - z) * n + z * hidden[i];
    }
    Affine<Out>(w.outW, w.outB, hidden, H, out);
    for (int o = 0; o < Out; o++)
        out[o] = Sigmoid(out[o]);
}

} // namespace

void GainNetRun(const GainNetWeights& w, GainNetState* st, const float* features, float* out) {
    RecurrentNetRun<kGainFeatures, kGainDense, kGainHidden, kGainOutputs>(w, st->hidden, features,
                                                                          out);
}

void AbsenceNetRun(const GainNetWeights& w, AbsenceNetState* st, const float* features,
                   const float* periodicity, const GainNetState& gain, const float* gainOut,
                   float* out) {
    float in[kAbsenceInputs];
    std::memcpy(in, features, sizeof(float) * kGainFeatures);
    std::memcpy(in + kGainFeatures, gain.hidden, sizeof(gain.hidden));
    std::memcpy(in + kGainFeatures + kGainHidden, gainOut, sizeof(float) * kGainOutputs);
    std::memcpy(in + kGainFeatures + kGainHidden + kGainOutputs, periodicity,
                sizeof(float) * kPeriodicity);
    RecurrentNetRun<kAbsenceInputs, kAbsenceDense, kAbsenceHidden, kAbsenceOutputs>(w, st->hidden,
                                                                                    in, out);
}
