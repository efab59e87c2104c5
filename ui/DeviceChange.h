// The main window's reaction to USB sound hardware coming and going: it asks
// for device-interface notifications of the USB device and HID classes, and
// on a headset's arrival or removal rebuilds both device lists, keeps the
// chosen devices chosen where they remain, and restarts an engine that runs
// on a USB device. A piece of the main window, chained from its message map;
// runs on the user-interface thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/MessageMap.h"

class CAudioCaptureDlg;

// 1 while a HID interface has gone and the removal of its USB device is awaited.
extern int32_t g_HidRemovalPending;

class CDeviceChangeHandler : public CMessageMap {
  public:
    explicit CDeviceChangeHandler(CAudioCaptureDlg& owner) : m_owner(owner) {}

    // Asks the system to notify `window` of both classes; false when it refused.
    bool RegisterDeviceNotifications(HWND window);

    BEGIN_MSG_MAP(CDeviceChangeHandler)
    ON_WM_DEVICECHANGE(OnDeviceChange)
    END_MSG_MAP()

    LRESULT OnDeviceChange(UINT event, DWORD_PTR data);
    void RebuildDeviceLists();

  private:
    CAudioCaptureDlg& m_owner;
};
