// The pitch search behind the suppressor's comb:
// a voice's period is found (not twice or half of it) from a deep male voice
// to a child's, and noise is not taken for a voice.
#include "Pitch.h"

#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int kHop = 80;

// Feeds 0.3 s of x to a fresh search and returns its final state.
PitchState Search(const std::vector<float>& x) {
    PitchState st{};
    for (size_t i = 0; i + kHop <= x.size(); i += kHop) {
        PitchPush(&st, x.data() + i, kHop);
        PitchSearch(&st);
    }
    return st;
}

// A voiced sound: harmonics of f0 up to 4 kHz falling 6 dB per octave, over
// a little noise.
std::vector<float> Voiced(float f0, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<float> n(0.0f, 30.0f);
    std::vector<float> x(4800);
    for (size_t i = 0; i < x.size(); i++) {
        float s = n(rng);
        for (int h = 1; h * f0 < 4000.0f; h++)
            s += 3000.0f / h * std::sin(6.2831853f * h * f0 * i / 16000.0f + h);
        x[i] = s;
    }
    return x;
}

} // namespace

TEST(Pitch, FindsTheVoicesPeriodNotAMultipleOrPart) {
    for (float f0 : {85.0f, 120.0f, 210.0f, 330.0f, 450.0f}) {
        const PitchState st = Search(Voiced(f0, 1));
        EXPECT_NEAR(st.lag, 16000.0f / f0, 1.5f) << f0 << " Hz";
        EXPECT_GT(st.corr, 0.9f) << f0 << " Hz";
    }
}

TEST(Pitch, NoiseIsNotPeriodic) {
    std::mt19937 rng(7);
    std::normal_distribution<float> n(0.0f, 1000.0f);
    std::vector<float> x(4800);
    for (float& v : x)
        v = n(rng);
    const PitchState st = Search(x);
    EXPECT_LT(st.corr, 0.4f);
    EXPECT_GE(st.lag, kPitchMinLag);
    EXPECT_LE(st.lag, kPitchMaxLag);
}
