// Which device notifications rebuild the device lists, and which entry is
// chosen afterwards. Platform-free.
#pragma once

#include <cstdint>

enum class DeviceChangeStep {
    Ignore,         // nothing to do
    NoteHidRemoval, // remember that a HID interface went; its USB device follows
    Rebuild,        // rebuild both lists now
    GatherAudio     // an audio interface came or went: rebuild once the burst is over
};

constexpr uint32_t kDbtDeviceArrival = 0x8000;
constexpr uint32_t kDbtDeviceRemoveComplete = 0x8004;
constexpr uint32_t kDbtDevtypDeviceInterface = 5;
constexpr uint32_t kHidClassFirst32 = 0x4D1E55B2;   // GUID_DEVINTERFACE_HID
constexpr uint32_t kAudioClassFirst32 = 0x6994AD04; // KSCATEGORY_AUDIO

// A headset is handled once when it comes (its HID interface arrives) and once
// when it goes (its USB device is removed after its HID interface). Audio
// interfaces come and go in bursts (capture, render and mixer filters of one
// device), also for headsets without a HID interface: they are gathered.
DeviceChangeStep ClassifyDeviceChange(uint32_t event, uint32_t deviceType, uint32_t classFirst32,
                                      bool hidRemovalPending);

// The entry to select after a rebuild: where the chosen device is now, entry 0
// when it is gone, -1 when the list is empty (nothing may be read then).
int ChooseEntryAfterRebuild(int foundIndex, int entryCount);
