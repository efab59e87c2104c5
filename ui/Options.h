// The main window's Options menu, its hidden mirror check boxes, and the
// connection timer that starts and stops the engine with the Internet. A
// piece of the main window, chained from its message map; runs on the
// user-interface thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "framework/MessageMap.h"
#include "framework/Window.h"
#include "res/resource.h"

class CAudioCaptureDlg;

constexpr UINT kConnectionTimerId = 1;

class COptions : public CMessageMap {
  public:
    explicit COptions(CAudioCaptureDlg& owner) : m_owner(owner) {}

    // Binds the mirror check boxes of `window`.
    void Attach(HWND window);
    // The start state: check marks and mirrors from the settings, and the
    // connection timer when the engine starts by itself.
    void ShowStartState();
    void StopTimer();

    BEGIN_MSG_MAP(COptions)
    ON_WM_TIMER(OnTimer)
    ON_COMMAND(ID_OPTION_START_WITH_WINDOWS, OnOptionStartWithWindows)
    ON_COMMAND(ID_OPTION_AUTO_START_ENGINE, OnOptionAutoStartEngine)
    ON_COMMAND(ID_OPTION_SAVE_CONFIGURATION, OnOptionSaveConfiguration)
    ON_BN_CLICKED(IDC_CHK_START_WITH_WINDOWS, OnClickStartWithWindowsMirror)
    ON_BN_CLICKED(IDC_CHK_AUTO_START_ENGINE, OnClickAutoStartEngineMirror)
    ON_BN_CLICKED(IDC_CHK_SAVE_CONFIGURATION, OnClickSaveConfigurationMirror)
    END_MSG_MAP()

  private:
    void OnOptionStartWithWindows();
    void OnOptionAutoStartEngine();
    void OnOptionSaveConfiguration();
    int32_t ToggleMenuCheck(UINT command);
    void OnClickStartWithWindowsMirror();
    void OnClickAutoStartEngineMirror();
    void OnClickSaveConfigurationMirror();
    void SetAutoStartEngine(int32_t on);
    void OnTimer(UINT_PTR id);

    CAudioCaptureDlg& m_owner;
    HWND m_hWnd = nullptr;
    CButton m_chkStartWithWindows;
    CButton m_chkAutoStartEngine;
    CButton m_chkSaveConfiguration;
};
