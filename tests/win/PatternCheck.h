// Checks audio recorded from the rig's counter signal (every sample pair a
// 32-bit counter): any dropped, repeated or reordered frame breaks the count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct PatternReport {
    size_t pairs = 0;      // counter values read
    size_t breaks = 0;     // places where the count does not go up by one
    size_t firstBreak = 0; // byte offset of the first break
    uint32_t firstCounter = 0;
    // What the breaks were, counted in pairs (a 20 ms frame holds 160):
    size_t silentPairs = 0;   // silence where the source delivered nothing
    size_t lostPairs = 0;     // counts skipped: audio lost on the way
    size_t repeatedPairs = 0; // counts seen again: audio repeated or reordered
};

// `inverted`: the audio went through the marking library (every sample ~s).
PatternReport CheckCounterPattern(const std::vector<uint8_t>& audio, bool inverted = false);

// A copy of the bytes with every bit flipped: undoes the marking library.
std::vector<uint8_t> Inverted(const uint8_t* data, size_t bytes);
