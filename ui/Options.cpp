#include "Options.h"

#include <wininet.h>

#include "AudioCaptureDlg.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"

namespace {
int CheckState(int32_t on) {
    return on ? BST_CHECKED : BST_UNCHECKED;
}
} // namespace

void COptions::Attach(HWND window) {
    m_hWnd = window;
    m_chkStartWithWindows.Attach(GetDlgItem(window, IDC_CHK_START_WITH_WINDOWS));
    m_chkAutoStartEngine.Attach(GetDlgItem(window, IDC_CHK_AUTO_START_ENGINE));
    m_chkSaveConfiguration.Attach(GetDlgItem(window, IDC_CHK_SAVE_CONFIGURATION));
}

void COptions::ShowStartState() {
    m_chkStartWithWindows.SetCheck(CheckState(g_AppSettings.GetStartWithWindows()));
    m_chkAutoStartEngine.SetCheck(CheckState(g_AppSettings.GetAutoStartEngine()));
    m_chkSaveConfiguration.SetCheck(CheckState(g_AppSettings.GetConfigStoreType()));
    if (g_AppSettings.GetAutoStartEngine())
        SetTimer(m_hWnd, kConnectionTimerId, 1000, nullptr);
    const CMenuHandle& menu = m_owner.MainMenu();
    menu.Check(ID_OPTION_START_WITH_WINDOWS, g_AppSettings.GetStartWithWindows() != 0);
    menu.Check(ID_OPTION_AUTO_START_ENGINE, g_AppSettings.GetAutoStartEngine() != 0);
    menu.Check(ID_OPTION_SAVE_CONFIGURATION, g_AppSettings.GetConfigStoreType() != 0);
}

void COptions::StopTimer() {
    KillTimer(m_hWnd, kConnectionTimerId);
}

// The menu's check mark decides the new state; the mirror follows it.
int32_t COptions::ToggleMenuCheck(UINT command) {
    const CMenuHandle& menu = m_owner.MainMenu();
    const bool wasOn = (menu.GetMenuState(command, MF_BYCOMMAND) & MF_CHECKED) != 0;
    menu.Check(command, !wasOn);
    return wasOn ? 0 : 1;
}

void COptions::OnOptionStartWithWindows() {
    const int32_t on = ToggleMenuCheck(ID_OPTION_START_WITH_WINDOWS);
    SettingsStore::SetStartWithWindows(on);
    m_chkStartWithWindows.SetCheck(on);
}

void COptions::OnOptionAutoStartEngine() {
    const int32_t on = ToggleMenuCheck(ID_OPTION_AUTO_START_ENGINE);
    SetAutoStartEngine(on);
    m_chkAutoStartEngine.SetCheck(on);
}

void COptions::OnOptionSaveConfiguration() {
    const int32_t on = ToggleMenuCheck(ID_OPTION_SAVE_CONFIGURATION);
    g_AppSettings.SetConfigStoreType(on);
    SettingsStore::SetConfigStoreType(on);
    m_owner.OnSelchangeInputDevice();
    m_owner.OnSelchangeOutputDevice();
    m_chkSaveConfiguration.SetCheck(on);
}

void COptions::OnClickStartWithWindowsMirror() {
    SettingsStore::SetStartWithWindows(m_chkStartWithWindows.GetCheck() == BST_CHECKED ? 1 : 0);
}

void COptions::OnClickAutoStartEngineMirror() {
    SetAutoStartEngine(m_chkAutoStartEngine.GetCheck() == BST_CHECKED ? 1 : 0);
}

void COptions::OnClickSaveConfigurationMirror() {
    const int32_t on = m_chkSaveConfiguration.GetCheck() == BST_CHECKED ? 1 : 0;
    g_AppSettings.SetConfigStoreType(on);
    SettingsStore::SetConfigStoreType(on);
}

// A running engine is left running when the option goes off.
void COptions::SetAutoStartEngine(int32_t on) {
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
void COptions::OnTimer(UINT_PTR id) {
    SetMsgHandled(false);
    if (id != kConnectionTimerId || m_owner.IsReportingStartFailure())
        return;
    DWORD flags = 0;
    if (InternetGetConnectedState(&flags, 0)) {
        m_owner.StartAudioEngine();
        if (!m_owner.IsReportingStartFailure())
            SetTimer(m_hWnd, kConnectionTimerId, 60000, nullptr);
    } else {
        SetTimer(m_hWnd, kConnectionTimerId, 1000, nullptr);
        m_owner.StopAudioEngine();
    }
}
