#include "TrayIcon.h"

#include "AudioCaptureDlg.h"
#include "ShellCalls.h"
#include "framework/ResString.h"

#if defined(_WIN32) && !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the first version of the icon record is 88 bytes");
#endif

void CTrayIcon::Install(HWND window) {
    m_trayIconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_trayIconData.hWnd = window;
    m_trayIconData.uID = IDR_MAINFRAME;
    m_trayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_trayIconData.uCallbackMessage = WM_TRAYICON_NOTIFY;
    m_trayIconData.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    lstrcpynA(m_trayIconData.szTip, LoadResString(IDS_APP_CAPTION).c_str(), 64);
    AddIcon();
    m_trayMenu.LoadMenu(IDR_TRAYMENU);
}

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageA("TaskbarCreated");
    return message;
}

void CTrayIcon::AddIcon() {
    m_bAdded = g_shellCalls.notifyIcon(NIM_ADD, &m_trayIconData) != FALSE;
    if (m_bAdded)
        KillTimer(m_trayIconData.hWnd, kTrayRetryTimerId);
    else
        SetTimer(m_trayIconData.hWnd, kTrayRetryTimerId, kTrayRetryPeriodMs, nullptr);
}

void CTrayIcon::Remove() {
    KillTimer(m_trayIconData.hWnd, kTrayRetryTimerId);
    g_shellCalls.notifyIcon(NIM_DELETE, &m_trayIconData);
    m_bAdded = false;
    m_trayMenu.DestroyMenu();
}

// A restarted shell has forgotten every icon.
LRESULT CTrayIcon::OnTaskbarCreated(WPARAM, LPARAM) {
    AddIcon();
    return 0;
}

void CTrayIcon::OnRetryTimer(UINT_PTR id) {
    if (id != kTrayRetryTimerId) {
        SetMsgHandled(false);
        return;
    }
    AddIcon();
}

void CTrayIcon::ShowEngineState(bool running) {
    m_trayMenu.Enable(ID_TRAY_START, !running);
    m_trayMenu.Enable(ID_TRAY_STOP, running);
}

LRESULT CTrayIcon::OnTrayNotify(WPARAM, LPARAM lParam) {
    switch (static_cast<UINT>(lParam)) {
    case WM_LBUTTONDBLCLK:
        m_owner.ShowFromTray();
        break;
    case WM_RBUTTONUP: {
        POINT pt;
        GetCursorPos(&pt);
        SetForegroundWindow(m_trayIconData.hWnd);
        TrackPopupMenu(m_trayMenu.GetSubMenu(0), TPM_RIGHTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0,
                       m_trayIconData.hWnd, nullptr);
        // Lets the menu close properly when the focus moves away.
        PostMessageA(m_trayIconData.hWnd, WM_NULL, 0, 0);
        break;
    }
    default:
        break;
    }
    return 1;
}

void CTrayIcon::OnTrayConfiguration() {
    m_owner.ShowFromTray();
}

void CTrayIcon::OnTrayStart() {
    m_owner.StartAudioEngine();
}

void CTrayIcon::OnTrayStop() {
    m_owner.StopAudioEngine();
}

void CTrayIcon::OnTrayAbout() {
    m_owner.OnHelpAbout();
}

void CTrayIcon::OnTrayExit() {
    m_owner.Exit();
}
