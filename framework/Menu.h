// Menus, as WTL has them: CMenuHandle is a view of a menu someone else owns
// (a window's own menu dies with the window), CMenu owns the menu it loads
// and destroys it.
#pragma once

#include <windows.h>

class CMenuHandle {
  public:
    CMenuHandle() = default;
    explicit CMenuHandle(HMENU menu) : m_hMenu(menu) {}

    void Attach(HMENU menu) { m_hMenu = menu; }
    HMENU GetSafeHmenu() const { return m_hMenu; }
    HMENU GetSubMenu(int position) const { return ::GetSubMenu(m_hMenu, position); }

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

  protected:
    HMENU m_hMenu = nullptr;
};

class CMenu : public CMenuHandle {
  public:
    CMenu() = default;
    ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // Loads a menu resource of the program, destroying the one held before.
    BOOL LoadMenu(UINT id);
    void DestroyMenu();
};
