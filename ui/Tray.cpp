// The main window's notification-area icon and its menu.
#include "AudioCaptureDlg.h"

#include "ShellCalls.h"
#include "framework/ResString.h"

#if defined(_WIN32) && !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the first version of the icon record is 88 bytes");
#endif

void CAudioCaptureDlg::InstallTrayIcon() {
    m_trayIconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_trayIconData.hWnd = m_hWnd;
    m_trayIconData.uID = IDR_MAINFRAME;
    m_trayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_trayIconData.uCallbackMessage = WM_TRAYICON_NOTIFY;
    m_trayIconData.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    lstrcpynA(m_trayIconData.szTip, LoadResString(IDS_APP_CAPTION).c_str(), 64);
    g_shellCalls.notifyIcon(NIM_ADD, &m_trayIconData);
    m_trayMenu.LoadMenu(IDR_TRAYMENU);
}

LRESULT CAudioCaptureDlg::OnTrayNotify(WPARAM, LPARAM lParam) {
    switch (static_cast<UINT>(lParam)) {
    case WM_LBUTTONDBLCLK:
        ShowFromTray();
        break;
    case WM_RBUTTONUP: {
        POINT pt;
        GetCursorPos(&pt);
        SetForegroundWindow(m_trayIconData.hWnd);
        TrackPopupMenu(m_trayMenu.GetSubMenu(0), TPM_RIGHTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0,
                       m_hWnd, nullptr);
        PostMessage(WM_NULL); // lets the menu close properly when focus moves away
        break;
    }
    default:
        break;
    }
    return 1;
}

void CAudioCaptureDlg::OnTrayConfiguration() {
    ShowFromTray();
}

void CAudioCaptureDlg::ShowFromTray() {
    m_bStartHidden = 0;
    ShowWindow(SW_SHOW);
}
