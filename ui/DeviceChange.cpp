#include "DeviceChange.h"

#include <dbt.h>

#include <cstddef>

#include "AudioCaptureDlg.h"
#include "DeviceChangeRules.h"
#include "DeviceGuidTable.h"
#include "ShellCalls.h"
#include "report/UserReport.h"

int32_t g_HidRemovalPending = 0;

namespace {

// {A5DCBF10-6530-11D2-901F-00C04FB951ED} and {4D1E55B2-F16F-11CF-88CB-001111000030}
const GUID kUsbDeviceInterface = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
const GUID kHidInterface = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
// KSCATEGORY_AUDIO {6994AD04-93EF-11D0-A3CC-00A0C9223196}
const GUID kAudioInterface = {
    0x6994AD04, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

bool Register(HWND window, const GUID& cls) {
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = cls;
    return g_shellCalls.registerDeviceNotification(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE) !=
           nullptr;
}

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
    m_hWnd = window;
    if (!Register(window, kUsbDeviceInterface) || !Register(window, kHidInterface))
        return false;
    Register(window, kAudioInterface);
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
        HandleDeviceChange();
        break;
    case DeviceChangeStep::GatherAudio:
        // Each notification of the burst starts the quiet time again.
        SetTimer(m_hWnd, kAudioChangeTimerId, kAudioChangeQuietMs, nullptr);
        break;
    }
    return 0;
}

void CDeviceChangeHandler::HandleDeviceChange() {
    g_HidRemovalPending = 1;
    RebuildDeviceLists();
    g_HidRemovalPending = 0;
}

void CDeviceChangeHandler::OnTimer(UINT_PTR id) {
    // A rebuild in progress may pump messages; the timer then fires again.
    if (id != kAudioChangeTimerId || m_rebuilding) {
        SetMsgHandled(false);
        return;
    }
    HandleDeviceChange();
}

// Rebuilds both lists, keeps the chosen devices chosen where they remain, and
// restarts an engine that runs on a USB device.
void CDeviceChangeHandler::RebuildDeviceLists() {
    // This rebuild also covers audio interfaces gathered so far.
    KillTimer(m_hWnd, kAudioChangeTimerId);
    m_rebuilding = true;
    CComboBox& inputList = m_owner.InputDeviceList();
    CComboBox& outputList = m_owner.OutputDeviceList();
    GUID savedInput = {}, savedOutput = {};
    const GUID* input = SelectedGuid(inputList);
    const GUID* output = SelectedGuid(outputList);
    if (input)
        savedInput = *input;
    if (output)
        savedOutput = *output;

    const bool hadInput = inputList.GetCount() > 0;
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
    m_rebuilding = false;
    if (hadInput && in < 0)
        ReportToUser(UserReport::NoInputDevice);
}
