// The About box: name, version, rights, and links to the product web page
// and to support by e-mail.
#pragma once

#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "res/resource.h"

class CAboutDlg : public CDialogBase {
  public:
    CAboutDlg() : CDialogBase(IDD_ABOUTBOX) {}

    // Shared with the main window's own web link.
    static void OpenWebPage();
    static void OpenSupportMail();

  protected:
    BOOL OnInitDialog() override;

    BEGIN_MSG_MAP(CAboutDlg)
    ON_STN_CLICKED(IDC_WEB_LINK, OpenWebPage)
    ON_STN_CLICKED(IDC_SUPPORT_LINK, OpenSupportMail)
    END_MSG_MAP()
};
