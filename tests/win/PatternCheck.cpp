#include "PatternCheck.h"

namespace {

uint16_t SampleAt(const std::vector<uint8_t>& audio, size_t i, bool inverted) {
    uint16_t s = static_cast<uint16_t>(audio[2 * i] | (audio[2 * i + 1] << 8));
    return inverted ? static_cast<uint16_t>(~s) : s;
}

PatternReport CheckPhase(const std::vector<uint8_t>& audio, bool inverted, size_t phase) {
    PatternReport r;
    const size_t samples = audio.size() / 2;
    uint32_t previous = 0;
    bool counting = false; // a count has been seen since the last silence
    for (size_t i = phase; i + 1 < samples; i += 2) {
        uint32_t k = SampleAt(audio, i, inverted) |
                     (static_cast<uint32_t>(SampleAt(audio, i + 1, inverted)) << 16);
        if (r.pairs == 0)
            r.firstCounter = k;
        else if (k != previous + 1 && r.breaks++ == 0)
            r.firstBreak = 2 * i;
        if (k == 0) { // silence does not move the count on
            ++r.silentPairs;
        } else {
            if (counting && k > previous + 1)
                r.lostPairs += k - previous - 1;
            else if (counting && k <= previous)
                r.repeatedPairs += previous - k + 1;
            counting = true;
            previous = k;
        }
        ++r.pairs;
    }
    return r;
}

} // namespace

PatternReport CheckCounterPattern(const std::vector<uint8_t>& audio, bool inverted) {
    // A recording may begin on either half of a pair.
    PatternReport even = CheckPhase(audio, inverted, 0);
    PatternReport odd = CheckPhase(audio, inverted, 1);
    return odd.breaks < even.breaks ? odd : even;
}

std::vector<uint8_t> Inverted(const uint8_t* data, size_t bytes) {
    std::vector<uint8_t> out(data, data + bytes);
    for (auto& b : out)
        b = static_cast<uint8_t>(~b);
    return out;
}
