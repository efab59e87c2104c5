#include "DeviceChange.h"

#include <dbt.h>

#include <cstddef>

#include "AudioCaptureDlg.h"
#include "DeviceChangeRules.h"
#include "DeviceGuidTable.h"
#include "ShellCalls.h"

int32_t g_HidRemovalPending = 0;

namespace {

// {A5DCBF10-6530-11D2-901F-00C04FB951ED} and {4D1E55B2-F16F-11CF-88CB-001111000030}
const GUID kUsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
const GUID kHidInterface = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// The first 32 bits of the interface class, or 0 for a record too short to
// carry one.
uint32_t ClassFirst32(const DEV_BROADCAST_HDR* header) {
    const size_t needed = offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_classguid) + sizeof(GUID);
    if (header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE || header->dbch_size < needed)
        return 0;
    return reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header)->dbcc_classguid.Data1;
}

bool MentionsUsb(const CComboBox& list) {
    return list.GetCurSel() >= 0 && list.GetWindowText(511).find("USB") != std::string::npos;
}

} // namespace

bool CDeviceChangeHandler::RegisterDeviceNotifications(HWND window) {
    for (const GUID& cls : {kUsbDeviceInterface, kHidInterface}) {
        DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
        filter.dbcc_size = sizeof(filter);
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = cls;
        if (!g_shellCalls.registerDeviceNotification(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE))
            return false;
    }
    return true;
}

LRESULT CDeviceChangeHandler::OnDeviceChange(UINT event, DWORD_PTR data) {
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
void CDeviceChangeHandler::RebuildDeviceLists() {
    CComboBox& inputList = m_owner.InputDeviceList();
    CComboBox& outputList = m_owner.OutputDeviceList();
    GUID savedInput = {}, savedOutput = {};
    const GUID* input = SelectedGuid(inputList);
    const GUID* output = SelectedGuid(outputList);
    if (input)
        savedInput = *input;
    if (output)
        savedOutput = *output;

    bool restart = m_owner.IsRunning();
    if (restart && (MentionsUsb(inputList) || MentionsUsb(outputList)))
        m_owner.StopAudioEngine();
    else
        restart = false;

    Sleep(500); // the system settles its device lists after the notification
    g_DeviceGuidTable.Reset();
    m_owner.FillInputDeviceList();
    m_owner.FillOutputDeviceList();

    const int in = ChooseEntryAfterRebuild(FindGuid(inputList, input ? &savedInput : nullptr),
                                           inputList.GetCount());
    const int out = ChooseEntryAfterRebuild(FindGuid(outputList, output ? &savedOutput : nullptr),
                                            outputList.GetCount());
    if (in >= 0)
        inputList.SetCurSel(in);
    if (out >= 0)
        outputList.SetCurSel(out);
    m_owner.OnSelchangeInputDevice();
    m_owner.OnSelchangeOutputDevice();
    // No microphone left: there is nothing to start the engine on.
    if (restart && in >= 0)
        m_owner.StartAudioEngine();
}
