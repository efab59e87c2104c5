// The main window's Options menu, its hidden mirror check boxes, and the
// connection timer that starts and stops the engine with the Internet.
#include "AudioCaptureDlg.h"

#include <wininet.h>

#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"

// The menu's check mark decides the new state; the mirror follows it.
int32_t CAudioCaptureDlg::ToggleMenuCheck(UINT command) {
    const bool wasOn = (m_mainMenu.GetMenuState(command, MF_BYCOMMAND) & MF_CHECKED) != 0;
    m_mainMenu.Check(command, !wasOn);
    return wasOn ? 0 : 1;
}

void CAudioCaptureDlg::OnOptionStartWithWindows() {
    const int32_t on = ToggleMenuCheck(ID_OPTION_START_WITH_WINDOWS);
    SettingsStore::SetStartWithWindows(on);
    m_chkStartWithWindows.SetCheck(on);
}

void CAudioCaptureDlg::OnOptionAutoStartEngine() {
    const int32_t on = ToggleMenuCheck(ID_OPTION_AUTO_START_ENGINE);
    SetAutoStartEngine(on);
    m_chkAutoStartEngine.SetCheck(on);
}

void CAudioCaptureDlg::OnOptionSaveConfiguration() {
    const int32_t on = ToggleMenuCheck(ID_OPTION_SAVE_CONFIGURATION);
    g_AppSettings.SetConfigStoreType(on);
    SettingsStore::SetConfigStoreType(on);
    OnSelchangeInputDevice();
    OnSelchangeOutputDevice();
    m_chkSaveConfiguration.SetCheck(on);
}

void CAudioCaptureDlg::OnClickStartWithWindowsMirror() {
    SettingsStore::SetStartWithWindows(m_chkStartWithWindows.GetCheck() == BST_CHECKED ? 1 : 0);
}

void CAudioCaptureDlg::OnClickAutoStartEngineMirror() {
    SetAutoStartEngine(m_chkAutoStartEngine.GetCheck() == BST_CHECKED ? 1 : 0);
}

void CAudioCaptureDlg::OnClickSaveConfigurationMirror() {
    const int32_t on = m_chkSaveConfiguration.GetCheck() == BST_CHECKED ? 1 : 0;
    g_AppSettings.SetConfigStoreType(on);
    SettingsStore::SetConfigStoreType(on);
}

// A running engine is left running when the option goes off.
void CAudioCaptureDlg::SetAutoStartEngine(int32_t on) {
    g_AppSettings.SetAutoStartEngine(on);
    SettingsStore::SetAutoStartEngine(on);
    if (on == 1)
        SetTimer(m_hWnd, kConnectionTimerId, 1000, nullptr);
    else
        KillTimer(m_hWnd, kConnectionTimerId);
}

// Connected: start, then check every minute. Not connected: check every
// second and stop. While a failed start is being reported (its message box
// runs a message loop), further ticks must not start again.
void CAudioCaptureDlg::OnTimer(UINT_PTR) {
    SetMsgHandled(false);
    if (m_bReportingStartFailure)
        return;
    DWORD flags = 0;
    if (InternetGetConnectedState(&flags, 0)) {
        StartAudioEngine();
        if (!m_bReportingStartFailure)
            SetTimer(m_hWnd, kConnectionTimerId, 60000, nullptr);
    } else {
        SetTimer(m_hWnd, kConnectionTimerId, 1000, nullptr);
        StopAudioEngine();
    }
}
