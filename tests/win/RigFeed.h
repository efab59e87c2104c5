// What the rig's players logged: how often the sound server's feed of each
// rig microphone ran dry (it then inserts silence, which is not lost audio).
#pragma once

#include <string>

// "rig feed: rig_pattern 0 underruns, ..."; empty where there is no rig.
std::string RigFeedReport();
