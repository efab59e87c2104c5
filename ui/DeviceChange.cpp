// The main window's reaction to USB sound hardware coming and going.
#include "AudioCaptureDlg.h"

#include <dbt.h>

#include <cstddef>
#include <cstring>

#include "DeviceChangeRules.h"
#include "DeviceGuidTable.h"
#include "settings/AppSettings.h"

// 1 while a HID interface has gone and the removal of its USB device is awaited.
int32_t g_HidRemovalPending = 0;

namespace {

// The first 32 bits of the interface class, or 0 for a record too short to
// carry one.
uint32_t ClassFirst32(const DEV_BROADCAST_HDR* header) {
    const size_t needed = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid) + sizeof(GUID);
    if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE || header->dbch_size < needed)
        return 0;
    return reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header)->dbcc_classguid.Data1;
}

int FindGuid(const CComboBox& list, const GUID* wanted) {
    if (!wanted)
        return -1;
    for (int i = 0; i < list.GetCount(); ++i) {
        const GUID* guid = static_cast<const GUID*>(list.GetItemDataPtr(i));
        if (guid && std::memcmp(guid, wanted, sizeof(GUID)) == 0)
            return i;
    }
    return -1;
}

bool MentionsUsb(const CComboBox& list) {
    return list.GetCurSel() >= 0 && list.GetWindowText(511).find("USB") != std::string::npos;
}

} // namespace

LRESULT CAudioCaptureDlg::OnDeviceChange(UINT event, DWORD_PTR data) {
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    // Other events carry no record, or another kind of data.
    if ((event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) || !header)
        return 0;
    switch (ClassifyDeviceChange(event, header->dbch_devicetype, ClassFirst32(header),
                                 g_HidRemovalPending != 0)) {
    case DeviceChangeStep::Ignore:
        break;
    case DeviceChangeStep::NoteHidRemoval:
        g_HidRemovalPending = 1;
        break;
    case DeviceChangeStep::Rebuild:
        g_HidRemovalPending = 1;
        RebuildDeviceLists();
        g_HidRemovalPending = 0;
        break;
    }
    return 0;
}

// Rebuilds both lists, keeps the chosen devices chosen where they remain, and
// restarts an engine that runs on a USB device.
void CAudioCaptureDlg::RebuildDeviceLists() {
    GUID savedInput = {}, savedOutput = {};
    const GUID* input = SelectedGuid(m_cbInputDevice);
    const GUID* output = SelectedGuid(m_cbOutputDevice);
    if (input)
        savedInput = *input;
    if (output)
        savedOutput = *output;

    bool restart = m_bRunning != 0;
    if (restart && (MentionsUsb(m_cbInputDevice) || MentionsUsb(m_cbOutputDevice)))
        StopAudioEngine();
    else
        restart = false;

    Sleep(500); // the system settles its device lists after the notification
    g_DeviceGuidTable.Reset();
    FillInputDeviceList();
    FillOutputDeviceList();

    const int in = ChooseEntryAfterRebuild(FindGuid(m_cbInputDevice, input ? &savedInput : nullptr),
                                           m_cbInputDevice.GetCount());
    const int out = ChooseEntryAfterRebuild(
        FindGuid(m_cbOutputDevice, output ? &savedOutput : nullptr), m_cbOutputDevice.GetCount());
    if (in >= 0)
        m_cbInputDevice.SetCurSel(in);
    if (out >= 0)
        m_cbOutputDevice.SetCurSel(out);
    OnSelchangeInputDevice();
    OnSelchangeOutputDevice();
    // No microphone left: there is nothing to start the engine on.
    if (restart && in >= 0)
        StartAudioEngine();
}
