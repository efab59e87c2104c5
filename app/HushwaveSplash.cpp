#include "HushwaveSplash.h"

BOOL CHushwaveSplash::OnInitDialog() {
    CDialogBase::OnInitDialog();
    m_bClosed = false;
    if (!SetTimer(m_hWnd, kSplashTimerId, kSplashMilliseconds, nullptr))
        EndDialog(IDCANCEL);
    return TRUE;
}

void CHushwaveSplash::OnTimer(UINT_PTR id) {
    if (id != kSplashTimerId) {
        SetMsgHandled(false);
        return;
    }
    Close();
}

void CHushwaveSplash::Close() {
    if (m_bClosed)
        return;
    m_bClosed = true;
    KillTimer(m_hWnd, kSplashTimerId);
    EndDialog(IDOK);
}
