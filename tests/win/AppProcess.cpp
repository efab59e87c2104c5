#include "AppProcess.h"

#include <vector>

#include "TestPaths.h"
#include "res/resource.h"

namespace {

struct Search {
    DWORD pid;
    const char* caption; // null: any
    int childId;         // a control the window must have; 0: none needed
    HWND found;
};

BOOL CALLBACK OnTopWindow(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    if (pid != s->pid || lstrcmpA(cls, "#32770") != 0)
        return TRUE;
    if (s->caption && WindowText(hwnd) != s->caption)
        return TRUE;
    if (s->childId && !GetDlgItem(hwnd, s->childId))
        return TRUE;
    s->found = hwnd;
    return FALSE;
}

HWND FindDialog(DWORD pid, const char* caption, int childId, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        Search s = {pid, caption, childId, nullptr};
        EnumWindows(OnTopWindow, reinterpret_cast<LPARAM>(&s));
        if (s.found)
            return s.found;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

} // namespace

std::string WindowText(HWND hwnd) {
    wchar_t buf[1024] = {};
    SendMessageW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf));
    char out[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, buf, -1, out, sizeof(out), nullptr, nullptr);
    return out;
}

std::string AppProcess::DefaultExe() {
    return BuildDir() + "\\bin\\HushwaveVoIP.exe";
}

AppProcess::AppProcess(const std::string& args, const std::string& exe) {
    const std::string path = exe.empty() ? DefaultExe() : exe;
    std::string commandLine = "\"" + path + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    const std::string dir = path.substr(0, path.find_last_of('\\'));
    Adopt(CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                         dir.c_str(), &si, &pi),
          pi);
}

AppProcess::AppProcess(const std::wstring& exe) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    const std::wstring dir = exe.substr(0, exe.find_last_of(L'\\'));
    Adopt(CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                         dir.c_str(), &si, &pi),
          pi);
}

void AppProcess::Adopt(BOOL created, const PROCESS_INFORMATION& pi) {
    if (!created)
        return;
    CloseHandle(pi.hThread);
    m_process = pi.hProcess;
    m_pid = pi.dwProcessId;
}

AppProcess::~AppProcess() {
    if (!m_process)
        return;
    if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, 5000);
    }
    CloseHandle(m_process);
}

HWND AppProcess::Splash(DWORD timeoutMs) {
    return FindDialog(m_pid, "", 1013, timeoutMs);
}

bool AppProcess::ClickSplash(DWORD timeoutMs) {
    HWND splash = Splash(timeoutMs);
    if (!splash)
        return false;
    PostMessageA(splash, WM_COMMAND, MAKEWPARAM(IDC_SPLASH_PICTURE, STN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(splash, IDC_SPLASH_PICTURE)));
    return true;
}

HWND AppProcess::MainWindow(DWORD timeoutMs) {
    return FindDialog(m_pid, "Hushwave VoIP", IDC_START_STOP, timeoutMs);
}

HWND AppProcess::MessageBoxWith(const char* caption, std::string& text, DWORD timeoutMs) {
    HWND box = FindDialog(m_pid, caption, 0xFFFF, timeoutMs);
    if (box) {
        for (int i = 0; i < 25 && text.empty(); ++i, Sleep(20))
            text = WindowText(GetDlgItem(box, 0xFFFF));
    }
    return box;
}

DWORD AppProcess::WaitForExit(DWORD timeoutMs) {
    if (!m_process || WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0)
        return STILL_ACTIVE;
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    return code;
}
