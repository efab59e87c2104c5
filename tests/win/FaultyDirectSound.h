// DirectSound capture with faults on demand: installed through the capture
// device's create hook, it wraps the real objects and makes one operation
// fail, a given number of times or for good. "Stall" keeps the buffer's
// position notifications from ever being signalled.
#pragma once

enum class DsOp { Create, CreateBuffer, Start, Position, Lock, Stall };

// failures: how many calls fail from now on; -1 for every call.
void InjectDirectSoundFault(DsOp op, int failures);
// Back to DirectSound's own objects for devices opened from now on.
void ClearDirectSoundFault();
// How many calls failed since the fault was injected.
int DirectSoundFaultsHit();
const char* DsOpName(DsOp op);
