// The main window's notification-area icon and its menu: Configuration,
// Start, Stop, About and Exit. A piece of the main window, chained from its
// message map; runs on the user-interface thread.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "framework/Menu.h"
#include "framework/MessageMap.h"
#include "res/resource.h"

class CAudioCaptureDlg;

constexpr UINT WM_TRAYICON_NOTIFY = WM_USER + 1;
// A failed add is tried again every 2 s: at a logon the notification area
// may not be there yet, and without the icon a hidden window is unreachable.
constexpr UINT kTrayRetryTimerId = 2;
constexpr UINT kTrayRetryPeriodMs = 2000;

// What the shell broadcasts when its notification area is (re)created.
UINT TaskbarCreatedMessage();

class CTrayIcon : public CMessageMap {
  public:
    explicit CTrayIcon(CAudioCaptureDlg& owner) : m_owner(owner) {}

    // Adds the icon for `window` (again until it is there) and loads the menu.
    void Install(HWND window);
    // Removes the icon and destroys the menu.
    void Remove();
    bool IsAdded() const { return m_bAdded; }
    // Start and Stop follow the engine.
    void ShowEngineState(bool running);
    HMENU GetMenu() const { return m_trayMenu.GetSafeHmenu(); }

    BEGIN_MSG_MAP(CTrayIcon)
    ON_MESSAGE(WM_TRAYICON_NOTIFY, OnTrayNotify)
    ON_MESSAGE(TaskbarCreatedMessage(), OnTaskbarCreated)
    ON_WM_TIMER(OnRetryTimer)
    ON_COMMAND(ID_TRAY_CONFIGURATION, OnTrayConfiguration)
    ON_COMMAND(ID_TRAY_START, OnTrayStart)
    ON_COMMAND(ID_TRAY_STOP, OnTrayStop)
    ON_COMMAND(ID_TRAY_ABOUT, OnTrayAbout)
    ON_COMMAND(ID_TRAY_EXIT, OnTrayExit)
    END_MSG_MAP()

  private:
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnTaskbarCreated(WPARAM, LPARAM);
    void OnRetryTimer(UINT_PTR id);
    void AddIcon();
    void OnTrayConfiguration();
    void OnTrayStart();
    void OnTrayStop();
    void OnTrayAbout();
    void OnTrayExit();

    CAudioCaptureDlg& m_owner;
    CMenu m_trayMenu;
    NOTIFYICONDATAA m_trayIconData = {};
    bool m_bAdded = false;
};
