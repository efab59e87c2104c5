// boxwatch CAPTION [TIMEOUT_MS]: waits for a message box with that caption in
// any process, prints its text, answers OK. Exit code 1 when none came.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "AppProcess.h"

namespace {

struct Search {
    const char* caption;
    HWND found;
};

BOOL CALLBACK OnWindow(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (lstrcmpA(cls, "#32770") == 0 && GetDlgItem(hwnd, 0xFFFF) && IsWindowVisible(hwnd) &&
        WindowText(hwnd) == s->caption) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return std::fprintf(stderr, "usage: boxwatch CAPTION [TIMEOUT_MS]\n"), 2;
    const DWORD timeout = argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 20000;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeout) {
        Search s = {argv[1], nullptr};
        EnumWindows(OnWindow, reinterpret_cast<LPARAM>(&s));
        if (s.found) {
            std::string text;
            for (int i = 0; i < 25 && text.empty(); ++i, Sleep(20))
                text = WindowText(GetDlgItem(s.found, 0xFFFF));
            std::printf("%s\n", text.c_str());
            PostMessageA(s.found, WM_COMMAND, IDOK, 0);
            return 0;
        }
        Sleep(50);
    }
    return 1;
}
