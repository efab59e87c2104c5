// Device-interface notifications as the system sends them to a window, also
// one of another process (Wine carries the record of a sent WM_DEVICECHANGE
// across, not of a posted one).
#pragma once

#include <windows.h>

extern const GUID kHidClass;   // GUID_DEVINTERFACE_HID
extern const GUID kUsbClass;   // GUID_DEVINTERFACE_USB_DEVICE
extern const GUID kAudioClass; // KSCATEGORY_AUDIO

// Sends WM_DEVICECHANGE with a device-interface record of class `cls`; false
// when the window did not answer within 30 s. `answer` receives the result.
bool SendDeviceNotification(HWND window, UINT event, const GUID& cls, LRESULT* answer = nullptr);
