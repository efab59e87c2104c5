#include "NoiseSuppressor.h"

#include <cmath>

namespace {

// A downward expander: below the threshold the level is pushed down further,
// so steady low noise between words fades while speech passes untouched.
constexpr float kThreshold = 300.0f;        // about -41 dBFS
constexpr float kFloorGain = 0.1f;          // at most -20 dB of reduction
constexpr float kEnvelopeRelease = 0.9990f; // ~60 ms at 16 kHz
constexpr float kGainSmoothing = 0.995f;    // ~12 ms

float TargetGain(float envelope) {
    if (envelope >= kThreshold)
        return 1.0f;
    float ratio = envelope / kThreshold; // expansion 1:2 below the threshold
    return ratio > kFloorGain ? ratio : kFloorGain;
}

int16_t ReadSample(const unsigned char* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

void WriteSample(unsigned char* p, int16_t value) {
    p[0] = static_cast<unsigned char>(value & 0xFF);
    p[1] = static_cast<unsigned char>((static_cast<uint16_t>(value) >> 8) & 0xFF);
}

} // namespace

void NsProcessBytes(NsState& state, unsigned char* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        unsigned char* p = bytes + 2 * i;
        float x = ReadSample(p);
        float level = std::fabs(x);
        state.envelope = level > state.envelope ? level : state.envelope * kEnvelopeRelease;
        state.gain =
            kGainSmoothing * state.gain + (1.0f - kGainSmoothing) * TargetGain(state.envelope);
        float y = std::nearbyint(x * state.gain);
        WriteSample(p, static_cast<int16_t>(y));
    }
}
