// Thin wrapper of a window handle: the calls the program's dialogs make on
// their controls. It owns nothing.
#pragma once

#include <windows.h>

#include <string>

class CWindow {
  public:
    CWindow() = default;
    explicit CWindow(HWND hwnd) : m_hWnd(hwnd) {}

    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    BOOL ShowWindow(int cmd) const { return ::ShowWindow(m_hWnd, cmd); }
    BOOL EnableWindow(bool enable) const { return ::EnableWindow(m_hWnd, enable); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
    void SetWindowText(const std::string& text) const { ::SetWindowTextA(m_hWnd, text.c_str()); }
    // At most maxChars characters, as a zero-filled buffer of maxChars + 1 holds.
    std::string GetWindowText(int maxChars = 511) const;
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(m_hWnd, msg, wParam, lParam);
    }

  protected:
    HWND m_hWnd = nullptr;
};

class CButton : public CWindow {
  public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }
};

class CStatic : public CWindow {};
