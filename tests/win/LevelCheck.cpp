#include "LevelCheck.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr size_t kFrameBytes = 640;

double FramePower(const uint8_t* p) {
    double sum = 0;
    for (size_t i = 0; i < kFrameBytes; i += 2) {
        const double s = static_cast<int16_t>(static_cast<uint16_t>(p[i] | (p[i + 1] << 8)));
        sum += s * s;
    }
    return sum / (kFrameBytes / 2);
}

double MeanDb(std::vector<double>::const_iterator first, std::vector<double>::const_iterator last) {
    double sum = 0;
    for (auto it = first; it != last; ++it)
        sum += *it;
    return 10.0 * std::log10(sum / static_cast<double>(last - first) + 1e-9);
}

} // namespace

GapAndVoiceLevels MeasureGapAndVoice(const std::vector<uint8_t>& audio) {
    GapAndVoiceLevels levels;
    std::vector<double> power;
    for (size_t at = 0; at + kFrameBytes <= audio.size(); at += kFrameBytes)
        power.push_back(FramePower(audio.data() + at));
    levels.frames = power.size();
    if (power.size() < 10)
        return levels;
    std::sort(power.begin(), power.end());
    const auto share = static_cast<std::ptrdiff_t>(power.size() * 3 / 10);
    levels.gapDb = MeanDb(power.begin(), power.begin() + share);
    levels.voiceDb = MeanDb(power.end() - share, power.end());
    return levels;
}
