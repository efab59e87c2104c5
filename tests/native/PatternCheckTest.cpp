// The Wine tests' counter-signal check: the sound server's silence, even
// inside one counter value, is told apart from audio lost or repeated.
#include <gtest/gtest.h>

#include <vector>

#include "tests/win/PatternCheck.h"
#include "tests/win/RigFeed.h"

std::string RigFeedReport() { // no rig here
    return "";
}

namespace {

// The rig's signal from counter `first` for `pairs` counts, as samples.
std::vector<uint16_t> Counts(uint32_t first, size_t pairs) {
    std::vector<uint16_t> s;
    for (uint32_t k = first; k < first + pairs; ++k) {
        s.push_back(static_cast<uint16_t>(k & 0xFFFF));
        s.push_back(static_cast<uint16_t>(k >> 16));
    }
    return s;
}

std::vector<uint8_t> Bytes(const std::vector<uint16_t>& samples) {
    std::vector<uint8_t> b;
    for (uint16_t s : samples) {
        b.push_back(static_cast<uint8_t>(s & 0xFF));
        b.push_back(static_cast<uint8_t>(s >> 8));
    }
    return b;
}

void InsertZeros(std::vector<uint16_t>& s, size_t at, size_t n) {
    s.insert(s.begin() + at, n, 0);
}

TEST(CounterPattern, SilenceInsideOneCounterValueOrBetweenIsNotABreak) {
    for (uint32_t first : {1000u, 70000u}) { // high half zero, and not
        SCOPED_TRACE(first);
        std::vector<uint16_t> s = Counts(first, 2000);
        InsertZeros(s, 3001, 42); // between the halves of one count
        InsertZeros(s, 800, 320); // between counts
        const PatternReport r = CheckCounterPattern(Bytes(s));
        EXPECT_TRUE(Unbroken(r)) << Describe(r);
        EXPECT_EQ(r.silentSamples, 362u);
        EXPECT_EQ(r.pairs, 2000u);
        EXPECT_EQ(r.firstCounter, first);
        EXPECT_EQ(r.breaks, 0u);
    }
}

TEST(CounterPattern, ARecordingMayBeginOnEitherHalfAndAfterSilence) {
    std::vector<uint16_t> s = Counts(70000, 500);
    s.erase(s.begin());
    InsertZeros(s, 0, 7);
    const PatternReport r = CheckCounterPattern(Bytes(s));
    EXPECT_TRUE(Unbroken(r)) << Describe(r);
    EXPECT_EQ(r.firstCounter, 70001u);
}

TEST(CounterPattern, LostRepeatedAndChangedSamplesAreBreaks) {
    const std::vector<uint16_t> good = Counts(70000, 2000);
    std::vector<uint16_t> lost = good, repeated = good, changed = good, odd = good;
    lost.erase(lost.begin() + 640, lost.begin() + 960); // one 20 ms frame
    repeated.insert(repeated.begin() + 960, good.begin() + 640, good.begin() + 960);
    changed[1001] ^= 0x40;
    odd.erase(odd.begin() + 1001); // a single sample
    const PatternReport l = CheckCounterPattern(Bytes(lost));
    EXPECT_EQ(l.lostPairs, 160u);
    EXPECT_EQ(l.breaks, 1u);
    EXPECT_EQ(l.firstBreak, 1280u);
    EXPECT_EQ(CheckCounterPattern(Bytes(repeated)).repeatedPairs, 160u);
    EXPECT_FALSE(Unbroken(CheckCounterPattern(Bytes(changed))));
    EXPECT_FALSE(Unbroken(CheckCounterPattern(Bytes(odd))));
    EXPECT_FALSE(CounterUnbroken(Bytes(lost)));
}

TEST(CounterPattern, InvertedAudioReadsBackOnlyWhenAskedTo) {
    std::vector<uint16_t> s = Counts(1000, 400);
    InsertZeros(s, 101, 9);
    std::vector<uint8_t> bytes = Bytes(s);
    const std::vector<uint8_t> inverted = Inverted(bytes.data(), bytes.size());
    EXPECT_TRUE(CounterUnbroken(inverted, true));
    EXPECT_FALSE(CounterUnbroken(inverted)) << "no count in inverted audio";
    EXPECT_FALSE(CounterUnbroken(std::vector<uint8_t>(640, 0))) << "silence alone";
}

} // namespace
