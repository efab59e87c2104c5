#include "Dialog.h"

#include "WinApp.h"

namespace {

// Messages whose result a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT msg) {
    return (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) || msg == WM_COMPAREITEM ||
           msg == WM_VKEYTOITEM || msg == WM_CHARTOITEM || msg == WM_QUERYDRAGICON ||
           msg == WM_INITDIALOG;
}

} // namespace

CDialogBase::CDialogBase(UINT templateId, HWND parent)
    : m_templateId(templateId), m_hParent(parent) {}

INT_PTR CDialogBase::DoModal() {
    // Without a parent the application's main window owns the dialog.
    HWND owner = m_hParent;
    if (!owner && CWinAppBase::GetApp())
        owner = CWinAppBase::GetApp()->m_hMainWnd;
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner,
                           DialogProc, reinterpret_cast<LPARAM>(this));
}

void CDialogBase::EndDialog(INT_PTR result) {
    ::EndDialog(m_hWnd, result);
}

BOOL CDialogBase::OnInitDialog() {
    DoDataExchange();
    return TRUE;
}

INT_PTR CALLBACK CDialogBase::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CDialogBase*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        self->m_hWnd = hwnd;
        return self->OnInitDialog();
    }
    auto* self = reinterpret_cast<CDialogBase*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self)
        return FALSE;
    INT_PTR result = self->Dispatch(msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->m_hWnd = nullptr;
    }
    return result;
}

INT_PTR CDialogBase::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    const bool handled = ProcessWindowMessage(msg, wParam, lParam, result);
    if (handled) {
        if (ReturnsResultDirectly(msg))
            return static_cast<INT_PTR>(result);
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}
