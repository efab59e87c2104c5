// Inference of the gain estimator. Matrices are stored input-major, so each
// layer is a sequence of "output vector += weight row * input" steps whose
// inner loop runs over contiguous outputs (the compiler vectorises it
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

// out[o] = b[o] + sum_i in[i] * w[i * n + o]
template <int N> void Affine(const float* w, const float* b, const float* in, int nIn, float* out) {
    for (int o = 0; o < N; o++)
        out[o] = b[o];
    for (int i = 0; i < nIn; i++) {
        const float x = in[i];
        const float* row = w + i * N;
        for (int o = 0; o < N; o++)
            out[o] += row[o] * x;
    }
}

} // namespace

void GainNetRun(const GainNetWeights& w, GainNetState* st, const float* features, float* out) {
    constexpr int H = kGainHidden;
    float x[kGainFeatures], d[kGainDense], gx[3 * H], gh[3 * H];
    for (int i = 0; i < kGainFeatures; i++)
        x[i] = (features[i] - w.featMean[i]) / w.featStd[i];
    Affine<kGainDense>(w.inW, w.inB, x, kGainFeatures, d);
    for (int i = 0; i < kGainDense; i++)
        d[i] = Tanh(d[i]);
    Affine<3 * H>(w.gruWx, w.gruBx, d, kGainDense, gx);
    Affine<3 * H>(w.gruWh, w.gruBh, st->hidden, H, gh);
    for (int i = 0; i < H; i++) {
        const float r = Sigmoid(gx[i] + gh[i]);
        const float z = Sigmoid(gx[H + i] + gh[H + i]);
        const float n = Tanh(gx[2 * H + i] + r * gh[2 * H + i]);
        st->hidden[i] = (1.0f - z) * n + z * st->hidden[i];
    }
    Affine<kGainOutputs>(w.outW, w.outB, st->hidden, H, out);
    for (int o = 0; o < kGainOutputs; o++)
        out[o] = Sigmoid(out[o]);
}
