// The main window and the program's controller: device lists, switches,
// status line, tray icon, options, device changes, and the audio engine's
// start and stop. The handlers are grouped by concern over several files:
// AudioCaptureDlg.cpp (initialisation, devices, engine), Switches.cpp,
// Tray.cpp, Options.cpp and DeviceChange.cpp.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "framework/ComboBox.h"
#include "framework/Dialog.h"
#include "framework/Menu.h"
#include "framework/MessageMap.h"
#include "res/resource.h"

class AudioEngine;

constexpr UINT kConnectionTimerId = 1;
constexpr UINT WM_TRAYICON_NOTIFY = WM_USER + 1;

// Set by the command line (/minimize); read once by the main window.
extern int32_t g_bStartMinimized;

class CAudioCaptureDlg : public CDialogBase {
  public:
    explicit CAudioCaptureDlg(HWND parent = nullptr);
    ~CAudioCaptureDlg() override;

    void StartAudioEngine();
    void StopAudioEngine();
    void OnSelchangeInputDevice();
    void OnSelchangeOutputDevice();
    void FillInputDeviceList();
    void FillOutputDeviceList();
    static BOOL CALLBACK DeviceEnumCallback(LPGUID guid, LPCSTR description, LPCSTR module,
                                            LPVOID context);

    int32_t m_bStartHidden;

  protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;

    BEGIN_MSG_MAP(CAudioCaptureDlg)
    ON_WM_SYSCOMMAND(OnSysCommand)
    ON_WM_PAINT(OnPaint)
    ON_WM_QUERYDRAGICON(OnQueryDragIcon)
    ON_WM_WINDOWPOSCHANGING(OnWindowPosChanging)
    ON_WM_TIMER(OnTimer)
    ON_WM_CLOSE(OnCloseWindow)
    ON_WM_DESTROY(OnDestroy)
    ON_WM_DEVICECHANGE(OnDeviceChange)
    ON_MESSAGE(WM_TRAYICON_NOTIFY, OnTrayNotify)
    ON_COMMAND(ID_TRAY_EXIT, OnTrayExit)
    ON_COMMAND(ID_TRAY_CONFIGURATION, OnTrayConfiguration)
    ON_COMMAND(ID_TRAY_START, StartAudioEngine)
    ON_COMMAND(ID_FILE_START_AUDIO, StartAudioEngine)
    ON_COMMAND(ID_TRAY_STOP, StopAudioEngine)
    ON_COMMAND(ID_FILE_STOP_AUDIO, StopAudioEngine)
    ON_COMMAND(ID_TRAY_ABOUT, OnTrayAbout)
    ON_COMMAND(ID_HELP_ABOUT, OnHelpAbout)
    ON_CBN_SELCHANGE(IDC_INPUT_DEVICE, OnSelchangeInputDevice)
    ON_CBN_SELCHANGE(IDC_OUTPUT_DEVICE, OnSelchangeOutputDevice)
    ON_CBN_SELCHANGE(IDC_INPUT_NC_MIRROR, OnSelchangeInputNcMirror)
    ON_CBN_SELCHANGE(IDC_OUTPUT_NC_MIRROR, OnSelchangeOutputNcMirror)
    ON_BN_CLICKED(IDC_START_STOP, OnStartStopAudio)
    ON_BN_CLICKED(IDC_CLOSE, OnCloseWindow)
    ON_COMMAND(ID_FILE_CLOSE, OnCloseWindow)
    ON_COMMAND(ID_OPTION_START_WITH_WINDOWS, OnOptionStartWithWindows)
    ON_COMMAND(ID_OPTION_AUTO_START_ENGINE, OnOptionAutoStartEngine)
    ON_COMMAND(ID_OPTION_SAVE_CONFIGURATION, OnOptionSaveConfiguration)
    ON_BN_CLICKED(IDC_CHK_START_WITH_WINDOWS, OnClickStartWithWindowsMirror)
    ON_BN_CLICKED(IDC_CHK_AUTO_START_ENGINE, OnClickAutoStartEngineMirror)
    ON_BN_CLICKED(IDC_CHK_SAVE_CONFIGURATION, OnClickSaveConfigurationMirror)
    ON_BN_CLICKED(IDC_INPUT_NC_ON, OnInputNcOn)
    ON_COMMAND(ID_INPUT_NC_ON, OnInputNcOn)
    ON_BN_CLICKED(IDC_INPUT_NC_OFF, OnInputNcOff)
    ON_COMMAND(ID_INPUT_NC_OFF, OnInputNcOff)
    ON_BN_CLICKED(IDC_OUTPUT_NC_ON, OnOutputNcOn)
    ON_COMMAND(ID_OUTPUT_NC_ON, OnOutputNcOn)
    ON_BN_CLICKED(IDC_OUTPUT_NC_OFF, OnOutputNcOff)
    ON_COMMAND(ID_OUTPUT_NC_OFF, OnOutputNcOff)
    ON_COMMAND(ID_HELP_CONTENTS, OnHelpContents)
    ON_COMMAND(ID_HELP_INDEX, OnHelpIndex)
    ON_COMMAND(ID_HELP_SEARCH, OnHelpSearch)
    ON_STN_CLICKED(IDC_WEB_LINK, OnClickWebLink)
    END_MSG_MAP()

  private:
    // Window and engine.
    void OnSysCommand(UINT id, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon() { return m_hIcon; }
    void OnWindowPosChanging(WINDOWPOS* pos);
    void OnCloseWindow() { ShowWindow(SW_HIDE); }
    void OnDestroy();
    void OnStartStopAudio();
    void ShowEngineState(bool running);
    void ChooseSavedDevice(bool input);
    bool RegisterDeviceNotifications();
    void OnHelpContents();
    void OnHelpIndex();
    void OnHelpSearch();
    void OnHelpAbout();
    void OnClickWebLink();

    // Switches and status line.
    void OnInputNcOn() { SetInputSwitch(1); }
    void OnInputNcOff() { SetInputSwitch(0); }
    void OnOutputNcOn() { SetOutputSwitch(1); }
    void OnOutputNcOff() { SetOutputSwitch(0); }
    void SetInputSwitch(int32_t on);
    void SetOutputSwitch(int32_t on);
    void ShowSwitch(int onRadio, UINT onItem, int offRadio, UINT offItem, bool on);
    void OnSelchangeInputNcMirror();
    void OnSelchangeOutputNcMirror();
    void UpdateStatusLine();
    void ResetControlStates();

    // Tray.
    void InstallTrayIcon();
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void OnTrayConfiguration();
    void OnTrayAbout() { OnHelpAbout(); }
    void OnTrayExit() { OnOK(); }
    void ShowFromTray();

    // Options and the connection timer.
    void OnOptionStartWithWindows();
    void OnOptionAutoStartEngine();
    void OnOptionSaveConfiguration();
    int32_t ToggleMenuCheck(UINT command);
    void OnClickStartWithWindowsMirror();
    void OnClickAutoStartEngineMirror();
    void OnClickSaveConfigurationMirror();
    void SetAutoStartEngine(int32_t on);
    void OnTimer(UINT_PTR id);

    // Device changes.
    LRESULT OnDeviceChange(UINT event, DWORD_PTR data);
    void RebuildDeviceLists();

    void FillDeviceList(CComboBox& list, bool capture);
    void TakeSelection(CComboBox& list, bool input);
    const GUID* SelectedGuid(const CComboBox& list) const;

  public:
    HICON m_hIcon = nullptr;
    AudioEngine* m_pEngine = nullptr;
    int32_t m_bRunning = 0;
    int32_t m_bAboutOpen = 0;
    uint8_t m_bEngineOn = 0;
    uint8_t m_bInputNcOn = 0;
    CButton m_btnStartStop;
    CMenu m_trayMenu;
    NOTIFYICONDATAA m_trayIconData = {};
    CButton m_chkStartWithWindows;
    CStatic m_staticStatus;
    CButton m_chkAutoStartEngine;
    CButton m_chkSaveConfiguration;
    CComboBox m_cbInputNcMirror;
    CComboBox m_cbOutputNcMirror;
    CComboBox m_cbInputDevice;
    CComboBox m_cbOutputDevice;

  private:
    CMenu m_mainMenu; // the window's own menu (resource 129), not owned
    bool m_bReportingStartFailure = false;
};
