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

void CWinAppBase::EnableHtmlHelp() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string help(path);
    const size_t dot = help.find_last_of('.');
    const size_t slash = help.find_last_of("\\/");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        help.erase(dot);
    m_helpFilePath = help + ".CHM";
}

bool CWinAppBase::ShowHtmlHelp(DWORD_PTR data, UINT command) {
    HWND owner = m_hMainWnd ? GetAncestor(m_hMainWnd, GA_ROOT) : nullptr;
    return ::HtmlHelpA(owner, m_helpFilePath.c_str(), command, data) != nullptr;
}
