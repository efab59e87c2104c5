// The program's command line: /minimize (or -minimize, any letter case)
// starts the main window hidden in the tray. Everything else is ignored.
#pragma once

#include <cstdint>

#include "framework/CommandLineInfo.h"

extern int32_t g_bStartMinimized;

class CMyCommandLine : public CCommandLineInfo {
  public:
    void ParseParam(const char* param, bool isFlag, bool isLast) override;
};
