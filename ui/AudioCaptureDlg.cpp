// The main window: initialisation, the device lists, the engine's start and
// stop, help and the window's own messages.
#include "AudioCaptureDlg.h"

#include <dsound.h>
#include <htmlhelp.h>
#include <objbase.h>

#include <vector>

#include "AboutDlg.h"
#include "DeviceGuidTable.h"
#include "DeviceListText.h"
#include "Hyperlink.h"
#include "ShellCalls.h"
#include "audio/AudioEngine.h"
#include "audio/DriverLink.h"
#include "audio/ProcessingLibraryTable.h"
#include "framework/ResString.h"
#include "framework/WinApp.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"

namespace {

std::vector<std::string> ListTexts(const CComboBox& list) {
    std::vector<std::string> texts;
    for (int i = 0; i < list.GetCount(); ++i)
        texts.push_back(list.GetLBText(i));
    return texts;
}

} // namespace

CAudioCaptureDlg::CAudioCaptureDlg(bool startHidden, HWND parent)
    : CDialogBase(IDD_MAIN, parent), m_bStartHidden(startHidden ? 1 : 0) {}

CAudioCaptureDlg::~CAudioCaptureDlg() = default;

void CAudioCaptureDlg::DoDataExchange() {
    DDX_Control(IDC_START_STOP, m_btnStartStop);
    DDX_Control(IDC_STATUS, m_staticStatus);
    DDX_Control(IDC_INPUT_NC_MIRROR, m_cbInputNcMirror);
    DDX_Control(IDC_OUTPUT_NC_MIRROR, m_cbOutputNcMirror);
    DDX_Control(IDC_INPUT_DEVICE, m_cbInputDevice);
    DDX_Control(IDC_OUTPUT_DEVICE, m_cbOutputDevice);
}

BOOL CAudioCaptureDlg::OnInitDialog() {
    CDialogBase::OnInitDialog();
    if (CWinAppBase* app = CWinAppBase::GetApp())
        app->m_hMainWnd = m_hWnd;
    CoInitialize(nullptr);

    if (HMENU system = GetSystemMenu(m_hWnd, FALSE)) {
        const std::string about = LoadResString(IDS_ABOUTBOX);
        if (!about.empty()) {
            AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(system, MF_STRING, IDM_ABOUTBOX, about.c_str());
        }
    }
    m_mainMenu.Attach(GetMenu(m_hWnd));
    // The output direction has no usable control in this program.
    EnableMenuItem(::GetSubMenu(m_mainMenu.GetSafeHmenu(), 1), 1,
                   MF_BYPOSITION | MF_DISABLED | MF_GRAYED);

    m_hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    FillInputDeviceList();
    FillOutputDeviceList();
    for (CComboBox* mirror : {&m_cbInputNcMirror, &m_cbOutputNcMirror}) {
        mirror->AddString("OFF");
        mirror->AddString("ON");
        mirror->SetCurSel(0);
    }
    m_pEngine = nullptr;
    LoadSettings();
    ChooseSavedDevice(true);
    ChooseSavedDevice(false);

    auto* libraries = new ProcessingLibraryTable();
    libraries->Load();
    g_pProcessingLibraries = libraries;
    m_bInputNcAvailable = libraries->GetInputEntry(1) != nullptr;

    m_tray.Install(m_hWnd);
    m_options.Attach(m_hWnd);
    ResetControlStates();
    if (!m_deviceChange.RegisterDeviceNotifications(m_hWnd))
        return FALSE;
    AttachHyperlinkItem(m_hWnd, IDC_WEB_LINK);
    return TRUE;
}

void CAudioCaptureDlg::LoadSettings() {
    g_AppSettings.SetStartWithWindows(SettingsStore::IsStartWithWindows());
    g_AppSettings.SetAutoStartEngine(SettingsStore::GetAutoStartEngine());
    g_AppSettings.SetConfigStoreType(SettingsStore::GetConfigStoreType());
    char name[1024] = {};
    SettingsStore::GetCaptureName(name, sizeof(name));
    g_AppSettings.SetCaptureName(name);
    char playback[1024] = {};
    SettingsStore::GetPlaybackName(playback, sizeof(playback));
    g_AppSettings.SetPlaybackName(playback);
}

// Selects the saved device, else entry 0 (whose name is then saved when the
// configuration is kept). An empty list ends the program: nothing can run.
void CAudioCaptureDlg::ChooseSavedDevice(bool input) {
    CComboBox& list = input ? m_cbInputDevice : m_cbOutputDevice;
    if (list.GetCount() == 0) {
        ResMessageBox(input ? IDS_NO_INPUT_DEVICE : IDS_NO_OUTPUT_DEVICE, IDS_ERROR_CAPTION,
                      MB_OK | MB_ICONSTOP);
        ExitProcess(static_cast<UINT>(-1));
    }
    const std::string saved =
        input ? g_AppSettings.GetCaptureName() : g_AppSettings.GetPlaybackName();
    int index = FindSavedEntry(ListTexts(list), saved);
    if (index < 0) {
        index = 0;
        const std::string current = list.GetWindowText(1023);
        input ? g_AppSettings.SetCaptureName(current) : g_AppSettings.SetPlaybackName(current);
        if (g_AppSettings.GetConfigStoreType() == 1)
            input ? SettingsStore::SetCaptureName(current.c_str())
                  : SettingsStore::SetPlaybackName(current.c_str());
    }
    const GUID* guid = static_cast<const GUID*>(list.GetItemDataPtr(index));
    input ? g_AppSettings.SetCaptureGuid(*guid) : g_AppSettings.SetPlaybackGuid(*guid);
    list.SetCurSel(index);
}

BOOL CALLBACK CAudioCaptureDlg::DeviceEnumCallback(LPGUID guid, LPCSTR description, LPCSTR,
                                                   LPVOID context) {
    if (!guid || !description || IsVirtualDriverDevice(description))
        return TRUE; // the default-device entries and the driver's own devices
    GUID* entry = g_DeviceGuidTable.Add(*guid);
    if (!entry)
        return TRUE; // both lists share 20 entries
    CComboBox list;
    list.Attach(static_cast<HWND>(context));
    const int index = list.AddString(ListTextFor(description, ListTexts(list)));
    list.SetItemDataPtr(index, entry);
    return TRUE;
}

void CAudioCaptureDlg::FillDeviceList(CComboBox& list, bool capture) {
    list.ResetContent();
    if (capture)
        m_pDevices->EnumerateCapture(DeviceEnumCallback, list.GetSafeHwnd());
    else
        m_pDevices->EnumerateRender(DeviceEnumCallback, list.GetSafeHwnd());
    list.SetCurSel(0);
}

void CAudioCaptureDlg::FillInputDeviceList() {
    FillDeviceList(m_cbInputDevice, true);
}

void CAudioCaptureDlg::FillOutputDeviceList() {
    FillDeviceList(m_cbOutputDevice, false);
}

int FindGuid(const CComboBox& list, const GUID* wanted) {
    if (!wanted)
        return -1;
    for (int i = 0; i < list.GetCount(); ++i) {
        const GUID* guid = static_cast<const GUID*>(list.GetItemDataPtr(i));
        if (guid && IsEqualGUID(*guid, *wanted))
            return i;
    }
    return -1;
}

const GUID* SelectedGuid(const CComboBox& list) {
    const int index = list.GetCurSel();
    return index < 0 ? nullptr : static_cast<const GUID*>(list.GetItemDataPtr(index));
}

// A list with no selected entry has nothing to take: the settings keep what
// they hold.
void CAudioCaptureDlg::TakeSelection(CComboBox& list, bool input) {
    const GUID* guid = SelectedGuid(list);
    if (!guid)
        return;
    const std::string text = list.GetWindowText(511);
    if (input) {
        g_AppSettings.SetCaptureGuid(*guid);
        g_AppSettings.SetCaptureName(text);
    } else {
        g_AppSettings.SetPlaybackGuid(*guid);
        g_AppSettings.SetPlaybackName(text);
    }
    if (g_AppSettings.GetConfigStoreType() == 1)
        input ? SettingsStore::SetCaptureName(text.c_str())
              : SettingsStore::SetPlaybackName(text.c_str());
}

void CAudioCaptureDlg::OnSelchangeInputDevice() {
    TakeSelection(m_cbInputDevice, true);
}

void CAudioCaptureDlg::OnSelchangeOutputDevice() {
    TakeSelection(m_cbOutputDevice, false);
}

void CAudioCaptureDlg::StartAudioEngine() {
    // With the last microphone unplugged there is nothing to capture: the
    // saved GUID names a device that is gone.
    if (m_pEngine || m_cbInputDevice.GetCount() == 0)
        return;
    AudioEngineConfig config;
    config.captureGuid = g_AppSettings.GetCaptureGuid();
    config.switches = &g_AppSettings;
    config.libraries = g_pProcessingLibraries;
    config.faults = {m_hWnd, WM_ENGINE_FAULT, ++m_engineRun};
    m_bAwaitingRecovery = false;
    m_faultText.clear();
    m_pEngine = new AudioEngine(config);
    if (!m_pEngine->Start()) {
        delete m_pEngine;
        m_pEngine = nullptr;
        m_bReportingStartFailure = true;
        ResMessageBox(IDS_DRIVER_UNREACHABLE, IDS_ERROR_CAPTION, MB_OK | MB_ICONSTOP);
        OnOK();
        return;
    }
    ShowEngineState(true);
}

void CAudioCaptureDlg::StopAudioEngine() {
    if (!m_pEngine)
        return;
    m_pEngine->Stop();
    delete m_pEngine;
    m_pEngine = nullptr;
    // Shown as stopped even when the driver refused to unregister: the engine
    // is gone either way, and a running state with no engine behind it could
    // never be started again.
    ShowEngineState(false);
}

// A stale fault (from a run stopped since) changes nothing.
LRESULT CAudioCaptureDlg::OnEngineFault(WPARAM fault, LPARAM run) {
    if (!m_pEngine || run != m_engineRun)
        return 0;
    const std::string device = m_cbInputDevice.GetWindowText(511);
    m_lostDevice = g_AppSettings.GetCaptureGuid();
    StopAudioEngine();
    m_faultText = fault == kDriverRefusedAudio ? LoadResString(IDS_DRIVER_LOST)
                                               : LoadResString(IDS_INPUT_DEVICE_LOST) + device;
    UpdateStatusLine();
    m_bAwaitingRecovery = true;
    SetTimer(m_hWnd, kRecoveryTimerId, kRecoveryPeriodMs, nullptr);
    return 0;
}

// Back means: the driver answers and the device is in the input list. A
// start then could not end the program with the driver message.
bool CAudioCaptureDlg::LostDeviceIsBack() {
    DriverLink probe;
    return probe.Open() && FindGuid(m_cbInputDevice, &m_lostDevice) >= 0;
}

void CAudioCaptureDlg::OnRecoveryTimer(UINT_PTR id) {
    if (id != kRecoveryTimerId) {
        SetMsgHandled(false);
        return;
    }
    if (m_pEngine || !m_bAwaitingRecovery) {
        KillTimer(m_hWnd, kRecoveryTimerId);
        return;
    }
    if (!LostDeviceIsBack())
        return;
    const int index = FindGuid(m_cbInputDevice, &m_lostDevice);
    if (m_cbInputDevice.GetCurSel() != index) {
        m_cbInputDevice.SetCurSel(index);
        OnSelchangeInputDevice();
    }
    StartAudioEngine();
}

void CAudioCaptureDlg::ShowEngineState(bool running) {
    m_tray.ShowEngineState(running);
    m_mainMenu.Enable(ID_FILE_START_AUDIO, !running);
    m_mainMenu.Enable(ID_FILE_STOP_AUDIO, running);
    m_btnStartStop.SetWindowText(running ? "&Stop Audio" : "&Start Audio");
    m_bEngineOn = running ? 1 : 0;
    UpdateStatusLine();
    CWindow(GetDlgItem(IDC_INPUT_DEVICE)).EnableWindow(!running);
    CWindow(GetDlgItem(IDC_OUTPUT_DEVICE)).EnableWindow(!running);
    m_bRunning = running ? 1 : 0;
}

void CAudioCaptureDlg::OnStartStopAudio() {
    if (m_bRunning == 0)
        StartAudioEngine();
    else
        StopAudioEngine();
}

void CAudioCaptureDlg::OnWindowPosChanging(WINDOWPOS* pos) {
    if (m_bStartHidden)
        pos->flags &= ~SWP_SHOWWINDOW;
    SetMsgHandled(false);
}

void CAudioCaptureDlg::OnSysCommand(UINT id, LPARAM) {
    if ((id & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    SetMsgHandled(false);
}

void CAudioCaptureDlg::OnPaint() {
    if (!IsIconic(m_hWnd)) {
        SetMsgHandled(false);
        return;
    }
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
    RECT rect;
    GetClientRect(m_hWnd, &rect);
    const int x = (rect.right - rect.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (rect.bottom - rect.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &ps);
}

void CAudioCaptureDlg::ShowHelp(DWORD_PTR data, UINT command) {
    CWinAppBase* app = CWinAppBase::GetApp();
    if (app && !app->ShowHtmlHelp(data, command))
        ResMessageBox(IDS_HELP_LAUNCH_FAILED, IDS_APP_CAPTION, MB_OK | MB_ICONEXCLAMATION);
}

void CAudioCaptureDlg::OnHelpContents() {
    ShowHelp(0, HH_DISPLAY_TOC);
}

void CAudioCaptureDlg::OnHelpIndex() {
    ShowHelp(0, HH_DISPLAY_INDEX);
}

void CAudioCaptureDlg::OnHelpSearch() {
    HH_FTS_QUERY query = {};
    query.cbStruct = sizeof(query);
    query.fUniCodeStrings = FALSE;
    query.pszSearchQuery = "hsh";
    query.iProximity = -1;
    query.fStemmedSearch = FALSE;
    query.fTitleOnly = FALSE;
    query.fExecute = FALSE;
    query.pszWindow = nullptr;
    ShowHelp(reinterpret_cast<DWORD_PTR>(&query), HH_DISPLAY_SEARCH);
}

void CAudioCaptureDlg::ShowFromTray() {
    m_bStartHidden = 0;
    ShowWindow(SW_SHOW);
}

void CAudioCaptureDlg::OnHelpAbout() {
    if (m_bAboutOpen)
        return;
    CAboutDlg about;
    m_bAboutOpen = 1;
    about.DoModal();
    m_bAboutOpen = 0;
}

void CAudioCaptureDlg::OnClickWebLink() {
    CAboutDlg::OpenWebPage();
}

void CAudioCaptureDlg::OnDestroy() {
    m_options.StopTimer();
    KillTimer(m_hWnd, kRecoveryTimerId);
    StopAudioEngine();
    if (ProcessingLibraryTable* libraries = g_pProcessingLibraries) {
        g_pProcessingLibraries = nullptr;
        libraries->Unload();
        delete libraries;
    }
    m_tray.Remove();
    if (CWinAppBase* app = CWinAppBase::GetApp())
        app->m_hMainWnd = nullptr;
    CoUninitialize();
}
