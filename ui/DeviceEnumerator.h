// Where the device lists come from: DirectSound's capture and render devices,
// handed one by one to a callback as DirectSoundCaptureEnumerateA and
// DirectSoundEnumerateA do. Tests hand the main window lists of their own.
#pragma once

#include <windows.h>
#include <dsound.h>

class IDeviceEnumerator {
  public:
    virtual ~IDeviceEnumerator() = default;
    virtual void EnumerateCapture(LPDSENUMCALLBACKA callback, LPVOID context) = 0;
    virtual void EnumerateRender(LPDSENUMCALLBACKA callback, LPVOID context) = 0;
};

// The system's own devices, through DirectSound.
IDeviceEnumerator& DirectSoundDevices();
