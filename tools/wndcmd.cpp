// wndcmd: works a dialog window of any program the way a user would, for the
// main job and for people: click a control, or choose a menu command.
//   wndcmd CAPTION click CONTROL        press a button
//   wndcmd CAPTION command COMMAND      choose a menu command
//   wndcmd CAPTION wait [TIMEOUT_MS]    wait until the window exists
//   wndcmd CAPTION tray                 right-click the program's tray icon
//   wndcmd CAPTION text CONTROL         print a control's text
// CONTROL and COMMAND are the program's own names (IDC_START_STOP,
// ID_TRAY_EXIT, ...), so scripts never copy a number; a number works too.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "res/resource.h"
#include "ui/TrayIcon.h"

namespace {

struct NamedId {
    const char* name;
    int id;
};

#define NAMED(id)                                                                                  \
    { #id, id }
const NamedId kIds[] = {
    NAMED(IDC_INPUT_DEVICE),
    NAMED(IDC_INPUT_NC_ON),
    NAMED(IDC_INPUT_NC_OFF),
    NAMED(IDC_START_STOP),
    NAMED(IDC_WEB_LINK),
    NAMED(IDC_CLOSE),
    NAMED(IDC_SUPPORT_LINK),
    NAMED(ID_TRAY_CONFIGURATION),
    NAMED(ID_TRAY_START),
    NAMED(ID_TRAY_STOP),
    NAMED(ID_TRAY_EXIT),
    NAMED(ID_TRAY_ABOUT),
    NAMED(ID_INPUT_NC_ON),
    NAMED(ID_INPUT_NC_OFF),
    NAMED(ID_HELP_ABOUT),
    NAMED(ID_FILE_START_AUDIO),
    NAMED(ID_FILE_STOP_AUDIO),
    NAMED(ID_FILE_CLOSE),
    NAMED(ID_OPTION_START_WITH_WINDOWS),
    NAMED(ID_OPTION_AUTO_START_ENGINE),
    NAMED(ID_OPTION_SAVE_CONFIGURATION),
    NAMED(IDC_STATUS),
    NAMED(IDOK),
};
#undef NAMED

// A name from the table, or a number; -1 for neither.
int ParseId(const char* text) {
    for (const NamedId& entry : kIds)
        if (std::strcmp(entry.name, text) == 0)
            return entry.id;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 0);
    return end != text && *end == '\0' ? static_cast<int>(value) : -1;
}

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
    const int arg = argc > 3 ? ParseId(argv[3]) : 0;
    if (arg < 0)
        return std::fprintf(stderr, "wndcmd: unknown id %s\n", argv[3]), 2;
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
    } else if (std::strcmp(verb, "text") == 0) {
        // Across processes Wine answers WM_GETTEXT reliably in UTF-16.
        wchar_t wide[1024] = {};
        SendMessageW(GetDlgItem(hwnd, arg), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(wide));
        char text[2048] = {};
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
        std::printf("%s\n", text);
    } else if (std::strcmp(verb, "tray") == 0) {
        // The icon's callback message with a right button release.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) / 2 + 150, GetSystemMetrics(SM_CYSCREEN) / 2);
        PostMessageA(hwnd, WM_TRAYICON_NOTIFY, IDR_MAINFRAME, WM_RBUTTONUP);
    } else if (std::strcmp(verb, "wait") != 0) {
        return std::fprintf(stderr, "wndcmd: unknown verb %s\n", verb), 2;
    }
    return 0;
}
