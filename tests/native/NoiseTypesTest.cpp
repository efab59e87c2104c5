// The noises a caller meets most besides steady ones: typing next to the
// microphone and a noise that swells and fades (a fan speeding up, traffic).
// Each is taken down by a stated amount where no one speaks, and a voiced
// signal over it keeps its level within 1 dB. And the noise between a
// voice's harmonics, which the comb at the pitch takes down, and above its
// reach, which the absence estimator takes down.
#include "NoiseSuppressor.h"

#include <gtest/gtest.h>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int kRate = 16000;
constexpr double kPi = 3.14159265358979323846;

// Harmonic "vowel" at 140 Hz in the second half of every 1.5 s, from 1.5 s on.
bool Voiced(size_t i) {
    return i >= 24000 && (i % 24000) >= 12000;
}
double Voice(size_t i) {
    double s = 0.0;
    for (int h = 1; h <= 8; h++)
        s += 2500.0 / h * std::sin(2.0 * kPi * 140.0 * h * i / kRate);
    return Voiced(i) ? s : 0.0;
}

// Key presses and releases: 2-8 ms decaying bursts every 80-200 ms over a
// faint room noise.
std::vector<double> Typing(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, 1.0);
    std::uniform_int_distribution<int> gap(1280, 3200), len(32, 128);
    std::vector<double> v(n);
    for (auto& s : v)
        s = 20.0 * g(rng);
    for (size_t at = 800; at + 128 < n; at += gap(rng)) {
        const int l = len(rng);
        for (int i = 0; i < l; i++)
            v[at + i] += 6000.0 * g(rng) * std::exp(-4.0 * i / l);
    }
    return v;
}

// Noise whose level swings by +-6 dB at 0.3 Hz.
std::vector<double> Swelling(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<double> v(n);
    double lp = 0.0;
    for (size_t i = 0; i < n; i++) {
        lp = 0.7 * lp + g(rng); // a little weight to the low end
        v[i] = 250.0 * lp * std::pow(10.0, 6.0 * std::sin(2.0 * kPi * 0.3 * i / kRate) / 20.0);
    }
    return v;
}

// Steady noise with a little weight to the low end (a fan, a room).
std::vector<double> Steady(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, 1.0);
    std::vector<double> v(n);
    double lp = 0.0;
    for (auto& s : v) {
        lp = 0.5 * lp + g(rng);
        s = 300.0 * lp;
    }
    return v;
}

// Steady noise that swells by 6 dB over the first 0.2 s of every pause
// and back before the voice returns: the noise rises just as the voice
// stops, faster than its estimate follows.
std::vector<double> SwellingInPauses(size_t n, unsigned seed) {
    std::vector<double> v = Steady(n, seed);
    for (size_t i = 24000; i < n; i++) {
        const double ph = static_cast<double>(i % 24000);
        if (ph < 12000.0)
            v[i] *= std::pow(10.0, 0.3 * std::fmin(1.0, std::fmin(ph, 12000.0 - ph) / 3200.0));
    }
    return v;
}

// Six talkers far in the background (pitch 110-290 Hz, gliding, syllables at
// 2.5-5.5 Hz) over a faint steady noise.
std::vector<double> VoicesBehind(size_t n, unsigned seed) {
    std::vector<double> v = Steady(n, seed);
    for (auto& s : v)
        s *= 0.1;
    std::mt19937 rng(seed + 1);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int talker = 0; talker < 6; talker++) {
        const double f0 = 110.0 + 180.0 * u(rng), rate = 2.5 + 3.0 * u(rng), off = 6.3 * u(rng);
        for (size_t i = 0; i < n; i++) {
            const double t = static_cast<double>(i) / kRate;
            const double syllable = std::fmax(0.0, std::sin(2.0 * kPi * rate * t + off));
            const double ph = 2.0 * kPi * f0 * (t + 0.03 * std::sin(2.0 * kPi * 0.5 * t + off));
            for (int h = 1; h <= 5; h++)
                v[i] += 40.0 * syllable / h * std::sin(h * ph);
        }
    }
    return v;
}

struct Levels {
    double noiseDownDb; // where no one speaks, after the first second
    double voiceDb;     // output over the voiced part against the voice alone
};

// The noise is measured from pauseFrom to pauseTo samples into each pause.
Levels Measure(const std::vector<double>& noise, size_t pauseFrom = 800, size_t pauseTo = 11200) {
    const size_t n = noise.size();
    std::vector<int16_t> pcm(n);
    for (size_t i = 0; i < n; i++)
        pcm[i] = static_cast<int16_t>(
            std::lround(std::fmax(-32768.0, std::fmin(32767.0, Voice(i) + noise[i]))));
    std::vector<int16_t> in = pcm;
    static NsState st;
    NsInit(&st, nullptr);
    for (size_t off = 0; off < n; off += 320)
        NsProcess(&st, pcm.data() + off, std::min<size_t>(320, n - off));
    double nin = 0, nout = 0, vin = 0, vout = 0;
    for (size_t i = kRate; i + NS_DELAY < n; i++) {
        const double y = pcm[i + NS_DELAY];
        // Edges of the voiced parts are left out: the noise-only part must not
        // see a word's onset, the voiced part starts after 50 ms.
        const size_t ph = i % 24000;
        if (!Voiced(i) && i >= 24000 && ph > pauseFrom && ph < pauseTo) {
            nin += (double)in[i] * in[i];
            nout += y * y;
        } else if (Voiced(i) && ph > 12800 && ph < 23200) {
            vin += Voice(i) * Voice(i);
            vout += y * y;
        }
    }
    return {10.0 * std::log10(nin / (nout + 1.0)), 10.0 * std::log10(vout / vin)};
}

// The voice over the noise, denoised with the given parameters.
std::vector<int16_t> Denoised(const std::vector<double>& noise, const NsParams& p) {
    const size_t n = noise.size();
    std::vector<int16_t> pcm(n);
    for (size_t i = 0; i < n; i++)
        pcm[i] = static_cast<int16_t>(
            std::lround(std::fmax(-32768.0, std::fmin(32767.0, Voice(i) + noise[i]))));
    static NsState st;
    NsInit(&st, &p);
    NsProcess(&st, pcm.data(), n);
    return pcm;
}

// Output energy (dB) at f, f + step, ... up to fTop over 0.5 s of the second
// voiced part (a DFT at each).
double EnergyDb(const std::vector<int16_t>& out, double f, double step, double fTop) {
    double e = 0.0;
    for (; f <= fTop; f += step) {
        double re = 0.0, im = 0.0;
        for (size_t i = 37600; i < 45600; i++) {
            re += out[i + NS_DELAY] * std::cos(2.0 * kPi * f * i / kRate);
            im += out[i + NS_DELAY] * std::sin(2.0 * kPi * f * i / kRate);
        }
        e += re * re + im * im;
    }
    return 10.0 * std::log10(e + 1.0);
}

// The voice's harmonics against the output half-way between them, with the
// comb at the pitch at the given strength.
double HarmonicToNoiseDb(const std::vector<double>& noise, float comb) {
    NsParams p;
    NsDefaultParams(&p);
    p.pitchFilter = comb;
    const std::vector<int16_t> out = Denoised(noise, p);
    return EnergyDb(out, 140.0, 140.0, 1120.0) - EnergyDb(out, 70.0, 140.0, 1050.0);
}

} // namespace

TEST(NoiseTypes, TypingIsTakenDownAndTheVoiceKept) {
    const Levels l = Measure(Typing(12 * kRate, 11));
    EXPECT_GT(l.noiseDownDb, 6.0); // the statistical gain and click path alone: 0.6 dB
    EXPECT_NEAR(l.voiceDb, 0.0, 1.0);
}

TEST(NoiseTypes, SwellingNoiseIsTakenDownAndTheVoiceKept) {
    const Levels l = Measure(Swelling(12 * kRate, 12));
    EXPECT_GT(l.noiseDownDb, 7.0); // the statistical gain alone: 5.6 dB
    EXPECT_NEAR(l.voiceDb, 0.0, 1.0);
}

// The frame activity hears speech in a noise that swells as the voice stops;
// the pause still goes down once the noise keeps its own spectral shape
// (0.2-0.4 s into each pause; with the frame activity alone deciding: 12.8 dB).
TEST(NoiseTypes, NoiseSwellingAsTheVoiceStopsIsTakenDownAndTheVoiceKept) {
    const Levels l = Measure(SwellingInPauses(12 * kRate, 13), 3200, 6400);
    EXPECT_GT(l.noiseDownDb, 16.0);
    EXPECT_NEAR(l.voiceDb, 0.0, 1.0);
}

// Once the voice has been gone for a while, a steady noise is taken down so
// far that nothing of it is left to flicker (0.35-0.7 s into each pause
// here; without the learned voice activity holding the pause: 38 dB).
TEST(NoiseTypes, SteadyNoiseIsGoneInALongPauseAndTheVoiceKept) {
    const Levels l = Measure(Steady(12 * kRate, 13), 5600, 11200);
    EXPECT_GT(l.noiseDownDb, 50.0);
    EXPECT_NEAR(l.voiceDb, 0.0, 1.0);
}

// Other voices in the room, some 30 dB below the speaker, are taken down in
// the pauses like any other noise (without the speaker's level to compare
// them with: 13.9 dB here).
TEST(NoiseTypes, VoicesFarBehindTheSpeakerAreTakenDownInPauses) {
    const Levels l = Measure(VoicesBehind(12 * kRate, 16), 2400, 11200);
    EXPECT_GT(l.noiseDownDb, 18.0);
    EXPECT_NEAR(l.voiceDb, 0.0, 1.0);
}

// Here the learned gain already keeps these bands nearly whole, so the comb
// adds less than in the benchmark's speech (1.8 dB here).
TEST(NoiseTypes, TheCombTakesTheNoiseBetweenAVoicesHarmonics) {
    std::vector<double> noise = Steady(72000, 23);
    for (double& v : noise)
        v *= 2.0; // about 10 dB below the voice
    const double without = HarmonicToNoiseDb(noise, 0.0f), with = HarmonicToNoiseDb(noise, 0.5f);
    EXPECT_GT(with, without + 1.0);
}

// The vowel's harmonics end at 1.1 kHz; above 2 kHz its frames hold only the
// noise, which the absence estimator takes further down (3.9 dB over those
// 0.5 s), and the voice stays.
TEST(NoiseTypes, BandsAboveAVoicesReachAreTakenDownFurther) {
    std::vector<double> noise = Steady(72000, 23);
    for (double& v : noise)
        v *= 2.0;
    NsParams p;
    NsDefaultParams(&p);
    const std::vector<int16_t> with = Denoised(noise, p);
    p.absentDb = 0.0f;
    const std::vector<int16_t> without = Denoised(noise, p);
    EXPECT_LT(EnergyDb(with, 2000.0, 70.0, 7000.0), EnergyDb(without, 2000.0, 70.0, 7000.0) - 1.5);
    EXPECT_NEAR(EnergyDb(with, 140.0, 140.0, 1120.0), EnergyDb(without, 140.0, 140.0, 1120.0), 1.0);
}
