// A copy of the program in a folder whose name has no spelling in the ANSI
// code page (a user profile in Cyrillic or Chinese): the Run value and the
// help file must name that exact folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "AppProcess.h"
#include "DialogRunner.h"
#include "MessagePump.h"
#include "TestPaths.h"
#include "res/resource.h"
#include "settings/SettingsStore.h"

namespace {

std::wstring Wide(const std::string& ansi) {
    wchar_t buf[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, buf, MAX_PATH);
    return buf;
}

bool ReadRunValueW(std::wstring& value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsStore::kRunKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    wchar_t buf[1024] = {};
    DWORD size = sizeof(buf) - sizeof(wchar_t);
    LONG status = RegQueryValueExW(key, SettingsStore::kRunValueW, nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(buf), &size);
    RegCloseKey(key);
    value = buf;
    return status == ERROR_SUCCESS;
}

// The HTML Help viewer's top-level window in process `pid`, if any.
HWND HelpViewerOf(DWORD pid) {
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "HH Parent", nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid)
            return w;
    }
    return nullptr;
}

class UnicodePathTest : public ::testing::Test {
  protected:
    // "Профиль 用户": outside every single ANSI code page.
    const std::wstring dir =
        L"C:\\Hushwave \x041f\x0440\x043e\x0444\x0438\x043b\x044c \x7528\x6237";
    const std::wstring exe = dir + L"\\HushwaveVoIP.exe";

    void SetUp() override {
        ClearSettings();
        CreateDirectoryW(dir.c_str(), nullptr);
        const std::wstring bin = Wide(BuildDir() + "\\bin\\");
        for (const wchar_t* file : {L"HushwaveVoIP.exe", L"hsh.dll", L"HushwaveVoIP.CHM"})
            ASSERT_TRUE(CopyFileW((bin + file).c_str(), (dir + L"\\" + file).c_str(), FALSE))
                << file;
    }
    void TearDown() override {
        ClearSettings();
        for (const wchar_t* file : {L"HushwaveVoIP.exe", L"hsh.dll", L"HushwaveVoIP.CHM"})
            DeleteFileW((dir + L"\\" + file).c_str());
        RemoveDirectoryW(dir.c_str());
    }
};

TEST_F(UnicodePathTest, TheRunValueAndTheHelpFileNameTheProgramsOwnFolder) {
    AppProcess app(exe);
    ASSERT_TRUE(app.Started());
    ASSERT_TRUE(app.ClickSplash());
    HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);

    SendMessageA(main, WM_COMMAND, ID_OPTION_START_WITH_WINDOWS, 0);
    std::wstring command;
    ASSERT_TRUE(ReadRunValueW(command));
    EXPECT_TRUE(command == L"\"" + exe + L"\" /minimize") << "a Run value for another path";
    std::string ansi;
    EXPECT_TRUE(ReadRunValue(ansi)) << "the option no longer reads as on";

    PostMessageA(main, WM_COMMAND, ID_HELP_CONTENTS, 0);
    HWND viewer = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (viewer = HelpViewerOf(app.Pid())) != nullptr; }, 5000))
        << "no help viewer window";
    // "Failed to launch help." would follow at once: half a second is plenty.
    std::string text;
    EXPECT_EQ(app.MessageBoxWith("Hushwave VoIP", text, 500), nullptr) << text;
    for (int command : {ID_HELP_INDEX, ID_HELP_SEARCH}) {
        PostMessageA(main, WM_COMMAND, command, 0);
        EXPECT_EQ(app.MessageBoxWith("Hushwave VoIP", text, 500), nullptr) << command << text;
    }
    if (viewer)
        PostMessageA(viewer, WM_CLOSE, 0, 0);
    PostMessageA(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_EQ(app.WaitForExit(10000), 0u);
}

} // namespace
