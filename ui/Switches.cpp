// The main window's noise-cancellation switches, their mirrors, the status
// line and the start state of the controls.
#include "AudioCaptureDlg.h"

#include "framework/ResString.h"
#include "settings/AppSettings.h"

// Radio buttons, menu check marks and mirror follow in one fixed order, so
// the three places always agree.
// Without the library's input entry the switch cannot be on: "ON" would be a
// promise that no block keeps.
void CAudioCaptureDlg::SetInputSwitch(int32_t on) {
    if (!m_bInputNcAvailable)
        on = 0;
    g_AppSettings.SetInputNoiseCancellation(on);
    ShowSwitch(IDC_INPUT_NC_ON, ID_INPUT_NC_ON, IDC_INPUT_NC_OFF, ID_INPUT_NC_OFF, on != 0);
    m_bInputNcOn = on ? 1 : 0;
    UpdateStatusLine();
    m_cbInputNcMirror.SetCurSel(on ? 1 : 0);
}

void CAudioCaptureDlg::SetOutputSwitch(int32_t on) {
    g_AppSettings.SetOutputNoiseCancellation(on);
    ShowSwitch(IDC_OUTPUT_NC_ON, ID_OUTPUT_NC_ON, IDC_OUTPUT_NC_OFF, ID_OUTPUT_NC_OFF, on != 0);
    UpdateStatusLine();
    m_cbOutputNcMirror.SetCurSel(on ? 1 : 0);
}

void CAudioCaptureDlg::ShowSwitch(int onRadio, UINT onItem, int offRadio, UINT offItem, bool on) {
    CheckDlgButton(m_hWnd, onRadio, on ? BST_CHECKED : BST_UNCHECKED);
    m_mainMenu.Check(onItem, on);
    CheckDlgButton(m_hWnd, offRadio, on ? BST_UNCHECKED : BST_CHECKED);
    m_mainMenu.Check(offItem, !on);
}

// The hidden mirrors set the switch alone. A list with no selected entry
// reads as off: the capture path uses the value as a slot index.
void CAudioCaptureDlg::OnSelchangeInputNcMirror() {
    g_AppSettings.SetInputNoiseCancellation(
        m_cbInputNcMirror.GetCurSel() == 1 && m_bInputNcAvailable ? 1 : 0);
}

void CAudioCaptureDlg::OnSelchangeOutputNcMirror() {
    g_AppSettings.SetOutputNoiseCancellation(m_cbOutputNcMirror.GetCurSel() == 1 ? 1 : 0);
}

void CAudioCaptureDlg::UpdateStatusLine() {
    std::string text = LoadResString(IDS_AUDIO_ENGINE_IS);
    if (m_bEngineOn) {
        text += LoadResString(IDS_ON) + LoadResString(IDS_STATUS_SEPARATOR) +
                LoadResString(IDS_INPUT_NC_IS) + LoadResString(m_bInputNcOn ? IDS_ON : IDS_OFF);
    } else {
        text += LoadResString(IDS_OFF);
        if (!m_faultText.empty())
            text += LoadResString(IDS_STATUS_SEPARATOR) + m_faultText;
    }
    m_staticStatus.SetWindowText(text);
}

void CAudioCaptureDlg::ResetControlStates() {
    m_bRunning = 0;
    m_tray.ShowEngineState(false);
    m_btnStartStop.SetWindowText("&Start Audio");
    m_options.ShowStartState();
    UpdateStatusLine();
    m_mainMenu.Enable(ID_FILE_START_AUDIO, true);
    m_mainMenu.Enable(ID_FILE_STOP_AUDIO, false);
    ShowSwitch(IDC_INPUT_NC_ON, ID_INPUT_NC_ON, IDC_INPUT_NC_OFF, ID_INPUT_NC_OFF, false);
    CWindow(GetDlgItem(IDC_INPUT_NC_ON)).EnableWindow(m_bInputNcAvailable);
    m_mainMenu.Enable(ID_INPUT_NC_ON, m_bInputNcAvailable);
    ShowSwitch(IDC_OUTPUT_NC_ON, ID_OUTPUT_NC_ON, IDC_OUTPUT_NC_OFF, ID_OUTPUT_NC_OFF, false);
}
