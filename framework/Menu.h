// A menu handle with the calls the main window and the tray make.
#pragma once

#include <windows.h>

class CMenu {
  public:
    CMenu() = default;
    ~CMenu() = default; // menus attached to a window die with it; see DestroyMenu
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    BOOL LoadMenu(UINT id);
    void Attach(HMENU menu) { m_hMenu = menu; }
    HMENU GetSafeHmenu() const { return m_hMenu; }
    HMENU GetSubMenu(int position) const { return ::GetSubMenu(m_hMenu, position); }
    void DestroyMenu();

    UINT EnableMenuItem(UINT command, UINT flags) const {
        return ::EnableMenuItem(m_hMenu, command, flags);
    }
    DWORD CheckMenuItem(UINT command, UINT flags) const {
        return ::CheckMenuItem(m_hMenu, command, flags);
    }
    UINT GetMenuState(UINT command, UINT flags) const {
        return ::GetMenuState(m_hMenu, command, flags);
    }
    void Enable(UINT command, bool enable) const {
        EnableMenuItem(command, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_DISABLED | MF_GRAYED));
    }
    void Check(UINT command, bool checked) const {
        CheckMenuItem(command, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    }

  private:
    HMENU m_hMenu = nullptr;
};
