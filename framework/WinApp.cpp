#include "WinApp.h"

#include <htmlhelp.h>

#include "CommandLineInfo.h"
#include "CommandLineSplit.h"

CWinAppBase* CWinAppBase::s_pApp = nullptr;

CWinAppBase::CWinAppBase() {
    s_pApp = this;
}

CWinAppBase::~CWinAppBase() {
    if (s_pApp == this)
        s_pApp = nullptr;
}

int CWinAppBase::Run() {
    InitInstance(); // the program's whole run; no message loop follows
    return 0;
}

void CWinAppBase::ParseCommandLine(CCommandLineInfo& info) {
    std::vector<std::string> args = SplitCommandLine(GetCommandLineA());
    if (!args.empty())
        args.erase(args.begin()); // the program name
    ::ParseCommandLine(args, info);
}

// The path stays UTF-16: a folder name outside the ANSI code page has no ANSI
// spelling, and the help file would not be found.
void CWinAppBase::EnableHtmlHelp() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring help(path);
    const size_t dot = help.find_last_of(L'.');
    const size_t slash = help.find_last_of(L"\\/");
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash))
        help.erase(dot);
    m_helpFilePath = help + L".CHM";
}

bool CWinAppBase::ShowHtmlHelp(DWORD_PTR data, UINT command) {
    HWND owner = m_hMainWnd ? GetAncestor(m_hMainWnd, GA_ROOT) : nullptr;
    return ::HtmlHelpW(owner, m_helpFilePath.c_str(), command, data) != nullptr;
}
