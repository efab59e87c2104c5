// The application object: the single-instance guard, the command line, the
// timing settings, the splash, and the main window for the whole run.
#pragma once

#include "framework/WinApp.h"

class CAudioCaptureApp : public CWinAppBase {
  public:
    CAudioCaptureApp();
    BOOL InitInstance() override;
};

constexpr const char* kSingleInstanceMutex =
    "Global\\Hushwave VoIP-{088FA840-B10D-11D3-BC36-006067709674}";
