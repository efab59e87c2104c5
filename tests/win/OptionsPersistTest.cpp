// The options as a user sets them, read back by the next start of the
// window; and the output switch, which has no visible control.
#include <gtest/gtest.h>

#include <windows.h>
#include <wininet.h>

#include <string>

#include "DialogRunner.h"
#include "MessagePump.h"
#include "TestPaths.h"
#include "settings/AppSettings.h"
#include "settings/SettingsStore.h"
#include "tools/VadPeer.h"

namespace {

const UINT kOptionItems[] = {ID_OPTION_START_WITH_WINDOWS, ID_OPTION_AUTO_START_ENGINE,
                             ID_OPTION_SAVE_CONFIGURATION};
const int kOptionBoxes[] = {IDC_CHK_START_WITH_WINDOWS, IDC_CHK_AUTO_START_ENGINE,
                            IDC_CHK_SAVE_CONFIGURATION};

bool MenuChecked(UINT state) {
    return (state & MF_CHECKED) != 0;
}

// A stored number and its registry type; false when the value is missing.
bool StoredDword(const char* name, DWORD& value, DWORD& type) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsStore::kSettingsKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    DWORD size = sizeof(value);
    const LONG result =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool Connected() {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

class OptionsPersistTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearSettings();
        UseLibraryFolder(BuildDir() + "\\testlib");
        ASSERT_TRUE(m_peer.Open()); // an automatic start needs the driver
        m_peer.Reset();
        g_AppSettings.SetInputNoiseCancellation(0);
        g_AppSettings.SetOutputNoiseCancellation(0);
    }
    void TearDown() override {
        ClearSettings();
        m_peer.Reset();
        UseLibraryFolder("");
    }
    // Every option's menu mark and hidden check box.
    void ExpectOptions(DialogRunner& run, bool on) {
        for (UINT item : kOptionItems)
            EXPECT_EQ(MenuChecked(run.MainMenuState(item)), on) << item;
        for (int box : kOptionBoxes)
            EXPECT_EQ(run.Checked(box), on) << box;
    }
    VadPeer m_peer;
};

// Switched on from the menu in one start, seen on in the next and switched
// off there through the check boxes, seen off in a third.
TEST_F(OptionsPersistTest, TheOptionsAreReadBackByTheNextStart) {
    {
        DialogRunner first;
        for (UINT item : kOptionItems)
            first.Command(item);
    }
    DWORD value = 0, type = 0;
    for (const char* name : {"AutoStartEngine", "ConfigStoreType"}) {
        ASSERT_TRUE(StoredDword(name, value, type)) << name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << name;
        EXPECT_EQ(value, 1u) << name;
    }
    std::string command;
    ASSERT_TRUE(ReadRunValue(command));
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    EXPECT_EQ(command, "\"" + std::string(path) + "\" /minimize");
    {
        DialogRunner second;
        ExpectOptions(second, true);
        EXPECT_EQ(g_AppSettings.GetAutoStartEngine(), 1);
        EXPECT_EQ(g_AppSettings.GetConfigStoreType(), 1);
        if (Connected()) { // the read-back option acts: the engine starts by itself
            EXPECT_TRUE(
                PumpUntil([&] { return second.Text(IDC_STATUS) != "Audio Engine Is OFF"; }, 5000));
        }
        for (int box : kOptionBoxes) {
            SendDlgItemMessageA(second.Hwnd(), box, BM_SETCHECK, BST_UNCHECKED, 0);
            second.Command(box, BN_CLICKED);
        }
    }
    for (const char* name : {"AutoStartEngine", "ConfigStoreType"}) {
        ASSERT_TRUE(StoredDword(name, value, type)) << name;
        EXPECT_EQ(value, 0u) << name;
    }
    EXPECT_FALSE(ReadRunValue(command));
    DialogRunner third;
    ExpectOptions(third, false);
    EXPECT_EQ(g_AppSettings.GetAutoStartEngine(), 0);
    EXPECT_EQ(g_AppSettings.GetConfigStoreType(), 0);
}

int Selected(HWND dlg, int id) {
    return static_cast<int>(SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0));
}

// From the menu and from the hidden radio buttons: the switch, its controls
// and its mirror agree; the status line and the input switch stay as they were.
TEST_F(OptionsPersistTest, TheOutputSwitchSetsItsControlsAndNotTheStatusLine) {
    DialogRunner run;
    HWND dlg = run.Hwnd();
    const std::string stopped = run.Text(IDC_STATUS);
    run.Command(ID_OUTPUT_NC_ON); // while stopped
    EXPECT_EQ(g_AppSettings.GetOutputNoiseCancellation(), 1);
    EXPECT_EQ(run.Text(IDC_STATUS), stopped);
    run.Command(IDC_START_STOP, BN_CLICKED);
    run.Command(ID_INPUT_NC_ON);
    const std::string running = run.Text(IDC_STATUS);
    ASSERT_EQ(running, "Audio Engine Is ON:  Input Noise Cancellation Is ON");
    struct Way {
        int on, off;
    };
    for (const Way& way :
         {Way{ID_OUTPUT_NC_ON, ID_OUTPUT_NC_OFF}, Way{IDC_OUTPUT_NC_ON, IDC_OUTPUT_NC_OFF}}) {
        for (bool on : {true, false}) {
            SCOPED_TRACE(std::to_string(way.on) + (on ? " on" : " off"));
            run.Command(on ? way.on : way.off, BN_CLICKED);
            EXPECT_EQ(g_AppSettings.GetOutputNoiseCancellation(), on ? 1 : 0);
            EXPECT_EQ(run.Checked(IDC_OUTPUT_NC_ON), on);
            EXPECT_EQ(run.Checked(IDC_OUTPUT_NC_OFF), !on);
            EXPECT_EQ(MenuChecked(run.MainMenuState(ID_OUTPUT_NC_ON)), on);
            EXPECT_EQ(MenuChecked(run.MainMenuState(ID_OUTPUT_NC_OFF)), !on);
            EXPECT_EQ(Selected(dlg, IDC_OUTPUT_NC_MIRROR), on ? 1 : 0);
            EXPECT_EQ(run.Text(IDC_STATUS), running);
            EXPECT_EQ(g_AppSettings.GetInputNoiseCancellation(), 1);
            EXPECT_TRUE(run.Checked(IDC_INPUT_NC_ON));
        }
    }
}

} // namespace
