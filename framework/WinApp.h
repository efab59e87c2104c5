// The application object: one global instance whose InitInstance holds the
// whole run. WinMain (in WinMain.cpp) calls Run on it.
#pragma once

#include <windows.h>

#include <string>

class CCommandLineInfo;

class CWinAppBase {
  public:
    CWinAppBase();
    virtual ~CWinAppBase();
    CWinAppBase(const CWinAppBase&) = delete;
    CWinAppBase& operator=(const CWinAppBase&) = delete;

    static CWinAppBase* GetApp() { return s_pApp; }

    // Returns false when the program shall end without a message loop.
    virtual BOOL InitInstance() { return TRUE; }
    int Run();

    // Splits the program's command line and hands each argument to `info`.
    void ParseCommandLine(CCommandLineInfo& info);
    // Help requests go to HTML Help, on the program's path with ".CHM".
    void EnableHtmlHelp();
    // Opens the help file; false when it cannot (the caller tells the user).
    bool ShowHtmlHelp(DWORD_PTR data, UINT command);

    HWND m_hMainWnd = nullptr;

  private:
    static CWinAppBase* s_pApp;
    std::wstring m_helpFilePath;
};
