#include "PatternCheck.h"

#include <cstdio>

#include "RigFeed.h"

namespace {

class CounterReader {
  public:
    CounterReader(const std::vector<uint8_t>& audio, bool inverted)
        : m_audio(audio), m_inverted(inverted), m_samples(audio.size() / 2) {}

    PatternReport Read() {
        m_report.samples = m_samples;
        for (size_t i = 0; i < m_samples; ++i)
            Take(i);
        return m_report;
    }

  private:
    // Half-sample positions in the signal: counter k, low half = 2k, high = 2k+1.
    static uint16_t Half(uint64_t position) {
        const auto k = static_cast<uint32_t>(position >> 1);
        return static_cast<uint16_t>((position & 1) ? k >> 16 : k & 0xFFFF);
    }
    uint16_t At(size_t i) const {
        auto s = static_cast<uint16_t>(m_audio[2 * i] | (m_audio[2 * i + 1] << 8));
        return m_inverted ? static_cast<uint16_t>(~s) : s;
    }
    // Sample i read as position p, if the next two samples go on from it.
    bool GoesOn(size_t i, uint64_t p) const {
        return i + 2 < m_samples && At(i + 1) == Half(p + 1) && At(i + 2) == Half(p + 2);
    }
    // Where in the signal sample i stands: a low half with its high half
    // next, or a high half after its low half.
    bool Locate(size_t i, uint64_t& position) const {
        if (i + 1 < m_samples) {
            const uint64_t low = 2 * static_cast<uint64_t>(At(i) | (uint32_t(At(i + 1)) << 16));
            if (low && GoesOn(i, low)) {
                position = low;
                return true;
            }
        }
        if (i > 0) {
            const uint64_t high =
                2 * static_cast<uint64_t>(At(i - 1) | (uint32_t(At(i)) << 16)) + 1;
            if (GoesOn(i, high)) {
                position = high;
                return true;
            }
        }
        return false;
    }
    void Break(size_t i) {
        if (m_report.breaks++ == 0)
            m_report.firstBreak = 2 * i;
    }
    void Advance() {
        if (m_next++ & 1)
            ++m_report.pairs;
    }
    void Take(size_t i) {
        const uint16_t s = At(i);
        if (m_synced && s == Half(m_next))
            return Advance();
        if (s == 0) { // the source's silence does not move the count on
            ++m_report.silentSamples;
            return;
        }
        uint64_t position = 0;
        if (!Locate(i, position)) {
            if (m_synced) {
                ++m_report.strangeSamples;
                Break(i);
            }
            return;
        }
        if (!m_synced)
            m_report.firstCounter = static_cast<uint32_t>(position >> 1);
        else if (position > m_next)
            m_report.lostPairs += (position - m_next + 1) / 2, Break(i);
        else
            m_report.repeatedPairs += (m_next - position + 1) / 2, Break(i);
        m_synced = true;
        m_next = position;
        Advance();
    }

    const std::vector<uint8_t>& m_audio;
    const bool m_inverted;
    const size_t m_samples;
    PatternReport m_report;
    bool m_synced = false;
    uint64_t m_next = 0; // position of the sample the count expects next
};

} // namespace

PatternReport CheckCounterPattern(const std::vector<uint8_t>& audio, bool inverted) {
    return CounterReader(audio, inverted).Read();
}

bool Unbroken(const PatternReport& r) {
    return r.firstCounter != 0 && r.lostPairs == 0 && r.repeatedPairs == 0 && r.strangeSamples == 0;
}

std::string Describe(const PatternReport& r) {
    char text[256];
    std::snprintf(text, sizeof(text),
                  "%zu samples: %zu counts from %u, %zu lost, %zu repeated, %zu strange samples, "
                  "%zu breaks (first at byte %zu), %zu samples of source silence",
                  r.samples, r.pairs, r.firstCounter, r.lostPairs, r.repeatedPairs,
                  r.strangeSamples, r.breaks, r.firstBreak, r.silentSamples);
    return text;
}

::testing::AssertionResult CounterUnbroken(const std::vector<uint8_t>& audio, bool inverted) {
    const PatternReport r = CheckCounterPattern(audio, inverted);
    if (r.silentSamples)
        std::printf("source silence: %zu samples (%.1f ms) where the rig's feed ran dry; %s\n",
                    r.silentSamples, r.silentSamples / 16.0, RigFeedReport().c_str());
    if (Unbroken(r))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "counter signal broken: " << Describe(r) << "; " << RigFeedReport();
}

std::vector<uint8_t> Inverted(const uint8_t* data, size_t bytes) {
    std::vector<uint8_t> out(data, data + bytes);
    for (auto& b : out)
        b = static_cast<uint8_t>(~b);
    return out;
}
