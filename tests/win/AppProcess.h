// The real program in a process of its own, started and watched as a user
// (or Windows) would: its windows are found through the window manager.
#pragma once

#include <windows.h>

#include <string>

class AppProcess {
  public:
    // Starts `exe` (default: the build's HushwaveVoIP.exe) with `args`.
    explicit AppProcess(const std::string& args = "", const std::string& exe = "");
    // Starts `exe` by its UTF-16 path, as the shell starts a program from a
    // folder whose name has no ANSI spelling.
    explicit AppProcess(const std::wstring& exe);
    ~AppProcess(); // ends the program if it still runs

    bool Started() const { return m_process != nullptr; }
    DWORD Pid() const { return m_pid; }
    // The splash, once it exists.
    HWND Splash(DWORD timeoutMs = 10000);
    // The splash, ended early by a click on its picture (false: none shown).
    bool ClickSplash(DWORD timeoutMs = 10000);
    // The main window, once it exists (it may be hidden).
    HWND MainWindow(DWORD timeoutMs = 15000);
    // A message box of this process with that caption; its text in `text`.
    HWND MessageBoxWith(const char* caption, std::string& text, DWORD timeoutMs = 15000);
    // Waits for the end; the exit code, or STILL_ACTIVE after the time-out.
    DWORD WaitForExit(DWORD timeoutMs);

    static std::string DefaultExe();

  private:
    void Adopt(BOOL created, const PROCESS_INFORMATION& pi);

    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
};

// The text of a control of another process's window.
std::string WindowText(HWND hwnd);
