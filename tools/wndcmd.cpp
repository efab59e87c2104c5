// wndcmd: works a dialog window of any program the way a user would, for the
// main job and for people: click a control, or choose a menu command.
//   wndcmd CAPTION click CONTROL_ID     press a button
//   wndcmd CAPTION command COMMAND_ID   choose a menu command
//   wndcmd CAPTION wait [TIMEOUT_MS]    wait until the window exists
//   wndcmd CAPTION tray                 right-click the program's tray icon
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND FindDialog(const char* caption, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        HWND hwnd = FindWindowA("#32770", caption);
        if (hwnd)
            return hwnd;
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: wndcmd CAPTION click ID | command ID | wait [MS] | tray\n");
        return 2;
    }
    const char* verb = argv[2];
    const int arg = argc > 3 ? std::atoi(argv[3]) : 0;
    HWND hwnd = FindDialog(argv[1], std::strcmp(verb, "wait") == 0 && arg ? arg : 5000);
    if (!hwnd) {
        std::fprintf(stderr, "wndcmd: no window \"%s\"\n", argv[1]);
        return 1;
    }
    if (std::strcmp(verb, "click") == 0) {
        HWND control = GetDlgItem(hwnd, arg);
        if (!control)
            return std::fprintf(stderr, "wndcmd: no control %d\n", arg), 1;
        PostMessageA(control, BM_CLICK, 0, 0);
    } else if (std::strcmp(verb, "command") == 0) {
        PostMessageA(hwnd, WM_COMMAND, static_cast<WPARAM>(arg), 0);
    } else if (std::strcmp(verb, "tray") == 0) {
        // The icon's callback message (WM_USER + 1) with a right button release.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) / 2 + 150, GetSystemMetrics(SM_CYSCREEN) / 2);
        PostMessageA(hwnd, WM_USER + 1, 128, WM_RBUTTONUP);
    } else if (std::strcmp(verb, "wait") != 0) {
        return std::fprintf(stderr, "wndcmd: unknown verb %s\n", verb), 2;
    }
    return 0;
}
