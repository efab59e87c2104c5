// The main window's reaction to USB sound hardware coming and going: it asks
// for device-interface notifications of the USB device and HID classes, and
// on a headset's arrival or removal rebuilds both device lists, keeps the
// chosen devices chosen where they remain, and restarts an engine that runs
// on a USB device. Audio interfaces (headsets without a HID interface, such
// as many USB microphones and Bluetooth headsets) are watched too: a burst of
// them rebuilds the lists once, after a quiet second. A piece of the main
// window, chained from its message map; runs on the user-interface thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/MessageMap.h"

class CAudioCaptureDlg;

// 1 while a HID interface has gone and the removal of its USB device is awaited.
extern int32_t g_HidRemovalPending;

// The timer that gathers a burst of audio-interface notifications, and the
// quiet time after the last one before the lists are rebuilt.
constexpr UINT kAudioChangeTimerId = 4; // 1 connection, 2 tray retry, 3 recovery
constexpr UINT kAudioChangeQuietMs = 1000;

class CDeviceChangeHandler : public CMessageMap {
  public:
    explicit CDeviceChangeHandler(CAudioCaptureDlg& owner) : m_owner(owner) {}

    // Asks the system to notify `window` of the USB device and HID classes,
    // false when it refused; then of audio interfaces, which may fail
    // without consequence (the two classes above still serve).
    bool RegisterDeviceNotifications(HWND window);

    BEGIN_MSG_MAP(CDeviceChangeHandler)
    ON_WM_DEVICECHANGE(OnDeviceChange)
    ON_WM_TIMER(OnTimer)
    END_MSG_MAP()

    LRESULT OnDeviceChange(UINT event, DWORD_PTR data);
    void RebuildDeviceLists();

  private:
    void HandleDeviceChange();
    void OnTimer(UINT_PTR id);

    CAudioCaptureDlg& m_owner;
    HWND m_hWnd = nullptr;
    bool m_rebuilding = false;
};
