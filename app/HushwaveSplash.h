// The picture shown for five seconds at every start; a click ends it sooner.
#pragma once

#include "framework/Dialog.h"
#include "framework/MessageMap.h"
#include "res/resource.h"

constexpr UINT kSplashTimerId = 100;
constexpr UINT kSplashMilliseconds = 5000;

class CHushwaveSplash : public CDialogBase {
  public:
    explicit CHushwaveSplash(HWND parent = nullptr) : CDialogBase(IDD_SPLASH, parent) {}

  protected:
    BOOL OnInitDialog() override;

    BEGIN_MSG_MAP(CHushwaveSplash)
    ON_WM_TIMER(OnTimer)
    ON_STN_CLICKED(IDC_SPLASH_PICTURE, OnClickPicture)
    END_MSG_MAP()

  private:
    void OnTimer(UINT_PTR id);
    void OnClickPicture() { Close(); }
    void Close();

    bool m_bClosed = false; // a close has begun: the other trigger does nothing
};
