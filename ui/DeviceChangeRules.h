// Which device notifications rebuild the device lists, and which entry is
// chosen afterwards. Platform-free.
#pragma once

#include <cstdint>

enum class DeviceChangeStep {
    Ignore,         // nothing to do
    NoteHidRemoval, // remember that a HID interface went; its USB device follows
    Rebuild         // rebuild both lists now
};

constexpr uint32_t kDbtDeviceArrival = 0x8000;
constexpr uint32_t kDbtDeviceRemoveComplete = 0x8004;
constexpr uint32_t kDbtDevtypDeviceInterface = 5;
constexpr uint32_t kHidClassFirst32 = 0x4D1E55B2; // GUID_DEVINTERFACE_HID

// A headset is handled once when it comes (its HID interface arrives) and once
// when it goes (its USB device is removed after its HID interface).
DeviceChangeStep ClassifyDeviceChange(uint32_t event, uint32_t deviceType, uint32_t classFirst32,
                                      bool hidRemovalPending);

// The entry to select after a rebuild: where the chosen device is now, entry 0
// when it is gone, -1 when the list is empty (nothing may be read then).
int ChooseEntryAfterRebuild(int foundIndex, int entryCount);
