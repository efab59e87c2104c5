// Streaming noise suppressor for 16 kHz mono 16-bit audio. Platform-free:
// the DLL entry point is a thin wrapper around it.
#pragma once

#include <cstddef>
#include <cstdint>

struct NsState {
    float envelope = 0.0f; // peak follower of the input level
    float gain = 1.0f;     // smoothed gain, so it never clicks
};

// Processes `count` little-endian samples at `bytes` in place. State carries
// over between calls, so the output does not depend on how a stream is split.
void NsProcessBytes(NsState& state, unsigned char* bytes, size_t count);
