// The main window and the program's controller: the device lists, the
// switches and status line, help, and the audio engine's start and stop.
// Three pieces have message maps of their own and are chained from this
// window's map: the tray icon (TrayIcon), the options with the connection
// timer (Options) and the device-change handling (DeviceChange). The
// switches and status line are this class's too, in Switches.cpp.
//
// Threads: everything here runs on the user-interface thread, the one that
// runs DoModal; the engine's own threads never call into the window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "DeviceChange.h"
#include "DeviceEnumerator.h"
#include "Options.h"
#include "TrayIcon.h"
#include "framework/ComboBox.h"
#include "framework/Dialog.h"
#include "framework/Menu.h"
#include "framework/MessageMap.h"
#include "res/resource.h"

class AudioEngine;

// Posted by a running engine's capture device when capture cannot go on:
// wParam the CaptureFault, lParam the run it belongs to.
constexpr UINT WM_ENGINE_FAULT = WM_USER + 2;
// While a lost device or driver is awaited, it is looked for every 2 s.
constexpr UINT kRecoveryTimerId = 3;
constexpr UINT kRecoveryPeriodMs = 2000;

class CAudioCaptureDlg : public CDialogBase {
  public:
    // `startHidden`: the window stays hidden in the tray until the user asks
    // for it (the /minimize start).
    explicit CAudioCaptureDlg(bool startHidden = false, HWND parent = nullptr);
    ~CAudioCaptureDlg() override;

    // Every start and stop goes through these two, from any control.
    void StartAudioEngine();
    void StopAudioEngine();
    void OnSelchangeInputDevice();
    void OnSelchangeOutputDevice();
    void FillInputDeviceList();
    void FillOutputDeviceList();
    // Where both lists come from; DirectSound unless set before the window
    // opens.
    void UseDeviceEnumerator(IDeviceEnumerator& devices) { m_pDevices = &devices; }
    static BOOL CALLBACK DeviceEnumCallback(LPGUID guid, LPCSTR description, LPCSTR module,
                                            LPVOID context);

    // What the pieces and the tests read.
    bool IsRunning() const { return m_bRunning != 0; }
    bool IsReportingStartFailure() const { return m_bReportingStartFailure; }
    bool IsStartHidden() const { return m_bStartHidden != 0; }
    bool IsAboutOpen() const { return m_bAboutOpen != 0; }
    AudioEngine* GetEngine() const { return m_pEngine; }
    HMENU GetTrayMenu() const { return m_tray.GetMenu(); }
    const CMenuHandle& MainMenu() const { return m_mainMenu; }
    CComboBox& InputDeviceList() { return m_cbInputDevice; }
    CComboBox& OutputDeviceList() { return m_cbOutputDevice; }

    // Asked for by the tray.
    void ShowFromTray();
    void OnHelpAbout();
    void Exit() { OnOK(); }

  protected:
    BOOL OnInitDialog() override;
    void DoDataExchange() override;

    BEGIN_MSG_MAP(CAudioCaptureDlg)
    ON_WM_SYSCOMMAND(OnSysCommand)
    ON_WM_PAINT(OnPaint)
    ON_WM_QUERYDRAGICON(OnQueryDragIcon)
    ON_WM_WINDOWPOSCHANGING(OnWindowPosChanging)
    ON_WM_CLOSE(OnCloseWindow)
    ON_WM_DESTROY(OnDestroy)
    CHAIN_MSG_MAP_MEMBER(m_tray)
    CHAIN_MSG_MAP_MEMBER(m_options)
    CHAIN_MSG_MAP_MEMBER(m_deviceChange)
    ON_MESSAGE(WM_ENGINE_FAULT, OnEngineFault)
    ON_WM_TIMER(OnRecoveryTimer)
    ON_COMMAND(ID_FILE_START_AUDIO, StartAudioEngine)
    ON_COMMAND(ID_FILE_STOP_AUDIO, StopAudioEngine)
    ON_COMMAND(ID_HELP_ABOUT, OnHelpAbout)
    ON_CBN_SELCHANGE(IDC_INPUT_DEVICE, OnSelchangeInputDevice)
    ON_CBN_SELCHANGE(IDC_OUTPUT_DEVICE, OnSelchangeOutputDevice)
    ON_CBN_SELCHANGE(IDC_INPUT_NC_MIRROR, OnSelchangeInputNcMirror)
    ON_CBN_SELCHANGE(IDC_OUTPUT_NC_MIRROR, OnSelchangeOutputNcMirror)
    ON_BN_CLICKED(IDC_START_STOP, OnStartStopAudio)
    ON_BN_CLICKED(IDC_CLOSE, OnCloseWindow)
    ON_COMMAND(ID_FILE_CLOSE, OnCloseWindow)
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
    void LoadSettings();
    void ChooseSavedDevice(bool input);
    void OnHelpContents();
    void OnHelpIndex();
    void OnHelpSearch();
    void ShowHelp(DWORD_PTR data, UINT command);
    void OnClickWebLink();

    // Faults after a start: the stopped state shown with what was lost, and
    // a start again by itself once it is back.
    LRESULT OnEngineFault(WPARAM fault, LPARAM run);
    void OnRecoveryTimer(UINT_PTR id);
    bool LostDeviceIsBack();

    // Switches and status line (Switches.cpp).
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

    void FillDeviceList(CComboBox& list, bool capture);
    void TakeSelection(CComboBox& list, bool input);

    CTrayIcon m_tray{*this};
    COptions m_options{*this};
    CDeviceChangeHandler m_deviceChange{*this};

    IDeviceEnumerator* m_pDevices = &DirectSoundDevices();
    HICON m_hIcon = nullptr;
    AudioEngine* m_pEngine = nullptr;
    int32_t m_bStartHidden;
    int32_t m_bRunning = 0;
    int32_t m_bAboutOpen = 0;
    uint8_t m_bEngineOn = 0;
    uint8_t m_bInputNcOn = 0;
    bool m_bReportingStartFailure = false;
    bool m_bInputNcAvailable = false; // the library has its input entry
    LPARAM m_engineRun = 0;           // counts the starts; faults name theirs
    bool m_bAwaitingRecovery = false;
    GUID m_lostDevice = {};
    std::string m_faultText; // shown after "OFF" until the next start
    CButton m_btnStartStop;
    CStatic m_staticStatus;
    CComboBox m_cbInputNcMirror;
    CComboBox m_cbOutputNcMirror;
    CComboBox m_cbInputDevice;
    CComboBox m_cbOutputDevice;
    CMenuHandle m_mainMenu; // the window's own menu (resource 129): dies with the window
};

// The GUID behind a list's selected entry; null when nothing is selected.
const GUID* SelectedGuid(const CComboBox& list);
// The first entry whose GUID is `wanted`, -1 for none.
int FindGuid(const CComboBox& list, const GUID* wanted);
