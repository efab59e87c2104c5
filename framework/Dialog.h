// A dialog from a resource template, run modally, with a message map.
// OK and Cancel (Enter and Esc) end it unless the map binds them.
#pragma once

#include <windows.h>

#include "MessageMap.h"
#include "Window.h"

class CDialogBase : public CWindow, public CMessageMap {
  public:
    CDialogBase(UINT templateId, HWND parent = nullptr);
    virtual ~CDialogBase() = default;
    CDialogBase(const CDialogBase&) = delete;
    CDialogBase& operator=(const CDialogBase&) = delete;

    // Runs the dialog until EndDialog; returns its result, -1 when it could
    // not be created.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

  protected:
    virtual BOOL OnInitDialog();
    // Binds control members to their identifiers (called by OnInitDialog).
    virtual void DoDataExchange() {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    bool ProcessWindowMessage(UINT, WPARAM, LPARAM, LRESULT&) override { return false; }

    template <typename Control> void DDX_Control(int id, Control& control) {
        control.Attach(GetDlgItem(id));
    }

  private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);

    UINT m_templateId;
    HWND m_hParent;
};
