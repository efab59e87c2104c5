// What the main window asks of the desktop shell, seen through a recorder
// that stands in for the system's calls (and passes the tray's on to it):
// the tray icon, its menu, the device-change registration and the links.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <mutex>
#include <string>
#include <vector>

#include "DeviceNotification.h"
#include "DialogRunner.h"
#include "MessagePump.h"
#include "TestPaths.h"
#include "ui/ShellCalls.h"

namespace {

struct IconCall {
    DWORD message;
    NOTIFYICONDATAA data;
    BOOL result;
};

struct Recorder {
    std::mutex mutex;
    std::vector<IconCall> icons;
    std::vector<DEV_BROADCAST_DEVICEINTERFACE_A> filters;
    std::vector<HANDLE> recipients;
    std::vector<DWORD> flags;
    std::vector<std::string> opened; // verb and file
    bool refuseRegistration = false;
    int refuseAdds = 0; // as a notification area that is not there yet
} g_shell;

BOOL WINAPI RecordNotifyIcon(DWORD message, PNOTIFYICONDATAA data) {
    const bool refuse = message == NIM_ADD && g_shell.refuseAdds > 0 && g_shell.refuseAdds--;
    const BOOL result = refuse ? FALSE : Shell_NotifyIconA(message, data);
    std::lock_guard<std::mutex> lock(g_shell.mutex);
    g_shell.icons.push_back({message, *data, result});
    return result;
}

HDEVNOTIFY WINAPI RecordRegistration(HANDLE recipient, LPVOID filter, DWORD flags) {
    {
        std::lock_guard<std::mutex> lock(g_shell.mutex);
        g_shell.filters.push_back(*static_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(filter));
        g_shell.recipients.push_back(recipient);
        g_shell.flags.push_back(flags);
    }
    return g_shell.refuseRegistration ? nullptr
                                      : RegisterDeviceNotificationA(recipient, filter, flags);
}

// Opens nothing: no browser or mail program starts under the test.
HINSTANCE WINAPI RecordOpen(HWND, LPCSTR verb, LPCSTR file, LPCSTR, LPCSTR, INT) {
    std::lock_guard<std::mutex> lock(g_shell.mutex);
    g_shell.opened.push_back(std::string(verb) + " " + file);
    return reinterpret_cast<HINSTANCE>(33);
}

// The icon as the shell holds it: changing it works only while it is there.
bool IconPresent(HWND owner, UINT id) {
    NOTIFYICONDATAA probe = {};
    probe.cbSize = NOTIFYICONDATAA_V1_SIZE;
    probe.hWnd = owner;
    probe.uID = id;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

// A shown menu of this process (menus are windows of class #32768).
HWND ShownMenu(DWORD timeoutMs) {
    HWND found = nullptr;
    PumpUntil(
        [&] {
            found = FindWindowA("#32768", nullptr);
            return found && IsWindowVisible(found);
        },
        timeoutMs);
    return found && IsWindowVisible(found) ? found : nullptr;
}

// A menu's commands in order (0 for separators).
std::vector<UINT> ItemsOf(HMENU menu) {
    std::vector<UINT> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        items.push_back(GetMenuItemID(menu, i));
    return items;
}

bool IsSameGuid(const GUID& a, const GUID& b) {
    return IsEqualGUID(a, b) != FALSE;
}

class TrayAndLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearSettings();
        UseLibraryFolder(BuildDir() + "\\testlib");
        m_system = g_shellCalls;
        g_shellCalls = {RecordNotifyIcon, RecordRegistration, RecordOpen};
    }
    void TearDown() override {
        g_shellCalls = m_system;
        std::lock_guard<std::mutex> lock(g_shell.mutex);
        g_shell.icons.clear();
        g_shell.filters.clear();
        g_shell.recipients.clear();
        g_shell.flags.clear();
        g_shell.opened.clear();
        g_shell.refuseRegistration = false;
        g_shell.refuseAdds = 0;
        UseLibraryFolder("");
    }
    std::vector<IconCall> Icons() {
        std::lock_guard<std::mutex> lock(g_shell.mutex);
        return g_shell.icons;
    }
    std::vector<std::string> Opened() {
        std::lock_guard<std::mutex> lock(g_shell.mutex);
        return g_shell.opened;
    }

  private:
    ShellCalls m_system{};
};

TEST_F(TrayAndLinkTest, TheIconIsAddedWithItsTipAndRemovedWithTheWindow) {
    DialogRunner run;
    HWND dlg = run.Hwnd();
    ASSERT_NE(dlg, nullptr);
    std::vector<IconCall> calls = Icons();
    ASSERT_EQ(calls.size(), 1u);
    const NOTIFYICONDATAA added = calls[0].data;
    EXPECT_EQ(calls[0].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_TRUE(calls[0].result);
#ifdef _WIN64
    constexpr DWORD kFirstVersionSize = 104; // the x86_64 build: the same record, 8-byte handles
#else
    constexpr DWORD kFirstVersionSize = 88;
#endif
    EXPECT_EQ(added.cbSize, kFirstVersionSize);
    EXPECT_EQ(added.hWnd, dlg);
    EXPECT_EQ(added.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(added.uCallbackMessage, WM_TRAYICON_NOTIFY);
    EXPECT_NE(added.hIcon, nullptr);
    EXPECT_STREQ(added.szTip, "Hushwave VoIP");
    EXPECT_TRUE(IconPresent(dlg, added.uID));

    PostMessageA(dlg, WM_COMMAND, ID_TRAY_EXIT, 0);
    ASSERT_TRUE(run.WaitForEnd(5000));
    calls = Icons();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_TRUE(calls[1].result);
    EXPECT_EQ(calls[1].data.hWnd, dlg);
    EXPECT_EQ(calls[1].data.uID, added.uID);
    EXPECT_FALSE(IconPresent(dlg, added.uID));
}

// A right click shows the tray menu right-aligned at the pointer; an item
// chosen in it (Configuration, by its mnemonic) arrives as its command.
// Started hidden, the icon is the only way to the program: an add the shell
// refused is tried again, and a restarted shell ("TaskbarCreated") gets it
// back.
TEST_F(TrayAndLinkTest, AnIconTheShellRefusedOrForgotIsAddedAgain) {
    g_shell.refuseAdds = 1;
    DialogRunner run(true);
    HWND dlg = run.Hwnd();
    EXPECT_FALSE(IconPresent(dlg, IDR_MAINFRAME));
    EXPECT_TRUE(PumpUntil([&] { return IconPresent(dlg, IDR_MAINFRAME); }, 10000));
    NOTIFYICONDATAA gone = {};
    gone.cbSize = NOTIFYICONDATAA_V1_SIZE;
    gone.hWnd = dlg;
    gone.uID = IDR_MAINFRAME;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
    SendMessageA(dlg, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(IconPresent(dlg, IDR_MAINFRAME));
}

TEST_F(TrayAndLinkTest, ARightClickShowsTheTrayMenuAtThePointer) {
    DialogRunner run(true);
    HWND dlg = run.Hwnd();
    SetCursorPos(600, 200);
    POINT cursor = {};
    GetCursorPos(&cursor);
    PostMessageA(dlg, WM_TRAYICON_NOTIFY, IDR_MAINFRAME, WM_RBUTTONUP);
    HWND menu = ShownMenu(5000);
    ASSERT_NE(menu, nullptr) << "no menu shown";
    EXPECT_EQ(ItemsOf(reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0))),
              ItemsOf(GetSubMenu(
                  LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU)), 0)));
    RECT rect = {};
    GetWindowRect(menu, &rect);
    EXPECT_NEAR(rect.right, cursor.x, 2);
    EXPECT_NEAR(rect.top, cursor.y, 2);
    EXPECT_FALSE(IsWindowVisible(dlg));
    PostMessageA(menu, WM_CHAR, 'c', 0);
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(dlg) != FALSE; }, 5000))
        << "Configuration did not show the window";
    EXPECT_FALSE(IsWindowVisible(menu));
}

TEST_F(TrayAndLinkTest, DeviceChangesAreRequestedForUsbThenHidThenAudioDevices) {
    DialogRunner run;
    std::lock_guard<std::mutex> lock(g_shell.mutex);
    ASSERT_EQ(g_shell.filters.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const DEV_BROADCAST_DEVICEINTERFACE_A& f = g_shell.filters[i];
        EXPECT_EQ(f.dbcc_size, 32u);
        EXPECT_EQ(f.dbcc_devicetype, static_cast<DWORD>(DBT_DEVTYP_DEVICEINTERFACE));
        EXPECT_EQ(f.dbcc_reserved, 0u);
        EXPECT_EQ(f.dbcc_name[0], '\0');
        EXPECT_EQ(g_shell.recipients[i], run.Hwnd());
        EXPECT_EQ(g_shell.flags[i], static_cast<DWORD>(DEVICE_NOTIFY_WINDOW_HANDLE));
    }
    EXPECT_TRUE(IsSameGuid(g_shell.filters[0].dbcc_classguid, kUsbClass));
    EXPECT_TRUE(IsSameGuid(g_shell.filters[1].dbcc_classguid, kHidClass));
    EXPECT_TRUE(IsSameGuid(g_shell.filters[2].dbcc_classguid, kAudioClass));
}

// A refused request ends the initialisation there: no second request, no
// link; the window runs all the same.
TEST_F(TrayAndLinkTest, ARefusedRegistrationLeavesTheLinkOutAndTheWindowRuns) {
    g_shell.refuseRegistration = true;
    DialogRunner run;
    ASSERT_NE(run.Hwnd(), nullptr);
    {
        std::lock_guard<std::mutex> lock(g_shell.mutex);
        EXPECT_EQ(g_shell.filters.size(), 1u);
    }
    EXPECT_EQ(GetPropA(GetDlgItem(run.Hwnd(), IDC_WEB_LINK), "_Hyperlink_From_Static_"), nullptr);
    run.Command(IDC_START_STOP, BN_CLICKED);
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is ON:  Input Noise Cancellation Is OFF");
    EXPECT_FALSE(run.Ended());
}

// The main window's own link: attached, and a click on it opens the page
// whose address it shows.
TEST_F(TrayAndLinkTest, TheWindowsLinkOpensTheAddressItShows) {
    DialogRunner run;
    HWND link = GetDlgItem(run.Hwnd(), IDC_WEB_LINK);
    EXPECT_NE(GetPropA(link, "_Hyperlink_From_Static_"), nullptr);
    EXPECT_TRUE(Opened().empty());
    SendMessageA(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    const std::vector<std::string> opened = Opened();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "open " + run.Text(IDC_WEB_LINK) + "/index.html");
}

} // namespace
