// Device lists that a test changes between device notifications, handed to
// the main window in place of DirectSound's. The devices are the rig's real
// ones (their GUIDs from this process's own enumeration), so an engine opens
// and captures the device the list names; the list only decides which are
// present, in what order and under what description.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "ui/DeviceEnumerator.h"

struct ListedDevice {
    GUID guid;
    std::string description;
};
using DeviceSet = std::vector<ListedDevice>;

class TestDeviceList : public IDeviceEnumerator {
  public:
    TestDeviceList(DeviceSet capture, DeviceSet render);
    void SetCapture(DeviceSet capture);
    void SetRender(DeviceSet render);
    // How often the capture devices were enumerated: once per list fill.
    int CaptureEnumerations();

    // As the system does: the default-device entry (no GUID) first.
    void EnumerateCapture(LPDSENUMCALLBACKA callback, LPVOID context) override;
    void EnumerateRender(LPDSENUMCALLBACKA callback, LPVOID context) override;

  private:
    static void Hand(const DeviceSet& devices, LPDSENUMCALLBACKA callback, LPVOID context);

    std::mutex m_mutex;
    DeviceSet m_capture;
    DeviceSet m_render;
    int m_captureEnumerations = 0;
};

// A rig microphone by its real description, listed as `listAs` (default: the
// same). A missing device fails the test that asks for it.
ListedDevice RigMicrophone(const char* description, const char* listAs = nullptr);
// A device no engine opens (output devices, lists that only count entries).
ListedDevice MadeUpDevice(uint32_t id, const std::string& description);
