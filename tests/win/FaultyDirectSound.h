// DirectSound capture with faults on demand: installed through the capture
// device's create hook, it wraps the real objects and makes one operation
// fail, a given number of times or for good. "Stall" keeps the buffer's
// position notifications from ever being signalled; "Freeze" makes a new
// buffer one that never captures: its position stays where it started and it
// never notifies.
#pragma once

enum class DsOp { Create, CreateBuffer, Start, Position, Lock, Stall, Freeze };

// failures: how many calls fail from now on; -1 for every call.
void InjectDirectSoundFault(DsOp op, int failures);
// Back to DirectSound's own objects for devices opened from now on.
void ClearDirectSoundFault();
// How many calls failed since the fault was injected.
int DirectSoundFaultsHit();
const char* DsOpName(DsOp op);
