// The main window's calls into the desktop shell: the notification area,
// device-change registration and opening a web address. They go through this
// one table, which holds the system's functions, so that another shell (a
// recorder, for one) can stand in and see which calls were made.
#pragma once

#include <windows.h>
#include <shellapi.h>

struct ShellCalls {
    BOOL(WINAPI* notifyIcon)(DWORD message, PNOTIFYICONDATAA data);
    HDEVNOTIFY(WINAPI* registerDeviceNotification)(HANDLE recipient, LPVOID filter, DWORD flags);
    HINSTANCE(WINAPI* shellExecute)
    (HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory, INT show);
};

extern ShellCalls g_shellCalls;
