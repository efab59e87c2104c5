#include "AboutDlg.h"

#include <shellapi.h>

#include "Hyperlink.h"
#include "ShellCalls.h"

BOOL CAboutDlg::OnInitDialog() {
    CDialogBase::OnInitDialog();
    AttachHyperlinkItem(m_hWnd, IDC_WEB_LINK);
    AttachHyperlinkItem(m_hWnd, IDC_SUPPORT_LINK);
    return TRUE;
}

// Nothing is reported when no browser or mail program answers.
void CAboutDlg::OpenWebPage() {
    g_shellCalls.shellExecute(nullptr, "open", HUSHWAVE_WEB_ADDRESS "/index.html", nullptr, nullptr,
                              SW_SHOWNORMAL);
}

void CAboutDlg::OpenSupportMail() {
    g_shellCalls.shellExecute(nullptr, "open", "mailto:" HUSHWAVE_SUPPORT_ADDRESS, nullptr, nullptr,
                              SW_SHOWNORMAL);
}
