// Checks audio recorded from the rig's counter signal (every sample pair a
// 32-bit counter, low half first): any dropped, repeated or reordered sample
// breaks the count. Zero samples that the count goes on after unbroken are
// the sound server's own silence (its feed ran dry), not the program's loss;
// they are counted apart, even inside one counter value.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PatternReport {
    size_t samples = 0;        // samples looked at
    size_t pairs = 0;          // counter values read whole
    size_t breaks = 0;         // places where the count does not go on by one
    size_t firstBreak = 0;     // byte offset of the first break
    uint32_t firstCounter = 0; // 0: no count found at all
    size_t silentSamples = 0;  // zero samples the source inserted
    size_t lostPairs = 0;      // counts skipped: audio lost on the way
    size_t repeatedPairs = 0;  // counts seen again: audio repeated or reordered
    size_t strangeSamples = 0; // samples that fit nowhere in the count
};

// `inverted`: the audio went through the marking library (every sample ~s).
PatternReport CheckCounterPattern(const std::vector<uint8_t>& audio, bool inverted = false);

// A count was found and nothing was lost, repeated, reordered or changed.
bool Unbroken(const PatternReport& r);
std::string Describe(const PatternReport& r);

// For tests: Unbroken, with what broke in the message; prints the source's
// silence, which is allowed, so that a starved feed shows in the log.
::testing::AssertionResult CounterUnbroken(const std::vector<uint8_t>& audio,
                                           bool inverted = false);

// A copy of the bytes with every bit flipped: undoes the marking library.
std::vector<uint8_t> Inverted(const uint8_t* data, size_t bytes);
