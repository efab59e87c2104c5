// Levels of audio recorded from the rig's noisy microphone, whose voiced
// sound is on 40 % of the time: the quietest 20 ms frames are the gaps where
// only noise is heard, the loudest ones the voice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct GapAndVoiceLevels {
    double gapDb = 0;   // mean power of the quietest 30 % of frames, dB re 1
    double voiceDb = 0; // mean power of the loudest 30 % of frames
    size_t frames = 0;
};

// `audio`: 16 kHz mono s16le. Whole 640-byte frames only; at least 10.
GapAndVoiceLevels MeasureGapAndVoice(const std::vector<uint8_t>& audio);
