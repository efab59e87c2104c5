#include "Menu.h"

BOOL CMenu::LoadMenu(UINT id) {
    DestroyMenu();
    m_hMenu = ::LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    return m_hMenu != nullptr;
}

void CMenu::DestroyMenu() {
    if (m_hMenu)
        ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
}
