// The main window in this process, on the rig: device lists, saved settings,
// switches and status line, engine start and stop, options, tray and About.
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>
#include <wininet.h>

#include <algorithm>
#include <vector>

#include "DialogRunner.h"
#include "DriverService.h"
#include "EngineHarness.h"
#include "MessageBoxWatcher.h"
#include "MessagePump.h"
#include "PatternCheck.h"
#include "TestPaths.h"
#include "hsh/mark/hsh_mark_log.h"
#include "settings/AppSettings.h"

namespace {

std::vector<std::string> ListTexts(HWND dlg, int id) {
    std::vector<std::string> texts;
    const int n = static_cast<int>(SendDlgItemMessageA(dlg, id, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        char buf[512] = {};
        SendDlgItemMessageA(dlg, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
        texts.push_back(buf);
    }
    return texts;
}

int Selected(HWND dlg, int id) {
    return static_cast<int>(SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0));
}

// Wine reports a connection whenever a network interface other than the
// loopback is up; a machine without one cannot show an automatic start.
bool Connected() {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

bool Grayed(UINT state) {
    return (state & MF_GRAYED) != 0;
}
bool MenuChecked(UINT state) {
    return (state & MF_CHECKED) != 0;
}

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearSettings();
        UseLibraryFolder(BuildDir() + "\\testlib"); // the marking hsh.dll
        ASSERT_TRUE(m_peer.Open());
        m_peer.Reset();
        g_AppSettings.SetInputNoiseCancellation(0);
        g_AppSettings.SetOutputNoiseCancellation(0);
    }
    void TearDown() override {
        m_peer.Reset();
        ClearSettings();
        UseLibraryFolder("");
    }
    VadPeer m_peer;
};

TEST_F(MainWindowTest, FirstRunWithoutSettingsShowsTheStoppedWindowAndCreatesNoKey) {
    DialogRunner run;
    ASSERT_NE(run.Hwnd(), nullptr);
    HWND dlg = run.Hwnd();
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is OFF");
    EXPECT_EQ(run.Text(IDC_START_STOP), "&Start Audio");
    EXPECT_FALSE(Grayed(run.MainMenuState(ID_FILE_START_AUDIO)));
    EXPECT_TRUE(Grayed(run.MainMenuState(ID_FILE_STOP_AUDIO)));
    EXPECT_FALSE(Grayed(run.TrayMenuState(ID_TRAY_START)));
    EXPECT_TRUE(Grayed(run.TrayMenuState(ID_TRAY_STOP)));
    EXPECT_TRUE(run.Checked(IDC_INPUT_NC_OFF));
    EXPECT_FALSE(run.Checked(IDC_INPUT_NC_ON));
    EXPECT_TRUE(MenuChecked(run.MainMenuState(ID_INPUT_NC_OFF)));
    EXPECT_EQ(Selected(dlg, IDC_INPUT_NC_MIRROR), 0);
    EXPECT_EQ(ListTexts(dlg, IDC_INPUT_NC_MIRROR), (std::vector<std::string>{"OFF", "ON"}));
    for (int hidden : {IDC_OUTPUT_DEVICE, IDC_OUTPUT_NC_ON, IDC_INPUT_NC_MIRROR,
                       IDC_CHK_START_WITH_WINDOWS, IDC_CHK_AUTO_START_ENGINE})
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, hidden))) << hidden;
    // The output sub-menu is disabled; the system menu offers About.
    HMENU nc = GetSubMenu(GetMenu(dlg), 1);
    EXPECT_TRUE(Grayed(GetMenuState(nc, 1, MF_BYPOSITION)));
    HMENU system = GetSystemMenu(dlg, FALSE);
    EXPECT_NE(GetMenuState(system, IDM_ABOUTBOX, MF_BYCOMMAND), static_cast<UINT>(-1));

    // Entry 0 is chosen; no device of the driver, no default entry.
    auto inputs = ListTexts(dlg, IDC_INPUT_DEVICE);
    ASSERT_FALSE(inputs.empty());
    EXPECT_EQ(Selected(dlg, IDC_INPUT_DEVICE), 0);
    EXPECT_EQ(g_AppSettings.GetCaptureName(), inputs[0]);
    EXPECT_EQ(std::count(inputs.begin(), inputs.end(), "Primary Sound Driver"), 0);
    EXPECT_FALSE(ListTexts(dlg, IDC_OUTPUT_DEVICE).empty());
    EXPECT_FALSE(SettingsKeyExists()) << "reading the settings created their key";
}

TEST_F(MainWindowTest, EqualDescriptionsAndPrefixesAreNumbered) {
    DialogRunner run;
    auto inputs = ListTexts(run.Hwnd(), IDC_INPUT_DEVICE);
    auto has = [&](const char* t) { return std::count(inputs.begin(), inputs.end(), t) == 1; };
    // "Mic Array", "Mic" and "Mic" come in the system's order; every entry
    // is told apart, the second "Mic" (or a "Mic" after "Mic Array") numbered.
    EXPECT_TRUE(has("Mic Array"));
    EXPECT_TRUE(has("Mic (1)"));
    EXPECT_EQ(std::count_if(inputs.begin(), inputs.end(),
                            [](const std::string& t) { return t.rfind("Mic", 0) == 0; }),
              3);
    EXPECT_TRUE(has("Rig Pattern Microphone"));
}

TEST_F(MainWindowTest, SavedNamesSelectByPrefixFromEntryOneOn) {
    SetSettingString("CaptureName", "mic (1)", false); // no terminator, other case
    SetSettingString("PlaybackName", "Speak", true);
    DialogRunner run;
    EXPECT_EQ(run.Text(IDC_INPUT_DEVICE), "Mic (1)");
    EXPECT_EQ(g_AppSettings.GetCaptureName(), "mic (1)"); // found: the saved name stays
    EXPECT_EQ(run.Text(IDC_OUTPUT_DEVICE), "Speakers");
    std::string stored;
    ASSERT_TRUE(ReadSettingString("CaptureName", stored));
    EXPECT_EQ(stored, "mic (1)");
}

TEST_F(MainWindowTest, AMissingSavedNameFallsBackToEntryZeroAndIsSavedWhenConfigured) {
    SetSettingString("CaptureName", "Long Gone Headset", true);
    SetSettingDword("ConfigStoreType", 1);
    DialogRunner run;
    EXPECT_EQ(Selected(run.Hwnd(), IDC_INPUT_DEVICE), 0);
    std::string stored;
    ASSERT_TRUE(ReadSettingString("CaptureName", stored));
    EXPECT_EQ(stored, ListTexts(run.Hwnd(), IDC_INPUT_DEVICE)[0]);
    EXPECT_TRUE(MenuChecked(run.MainMenuState(ID_OPTION_SAVE_CONFIGURATION)));
    EXPECT_TRUE(run.Checked(IDC_CHK_SAVE_CONFIGURATION));
}

TEST_F(MainWindowTest, DwordsOtherThanOneReadAsOff) {
    SetSettingDword("AutoStartEngine", 2);
    SetSettingString("ConfigStoreType", "1", true);
    DialogRunner run;
    EXPECT_FALSE(run.Checked(IDC_CHK_AUTO_START_ENGINE));
    EXPECT_FALSE(MenuChecked(run.MainMenuState(ID_OPTION_AUTO_START_ENGINE)));
    EXPECT_FALSE(run.Checked(IDC_CHK_SAVE_CONFIGURATION));
    // Nothing to wait for: the connection timer would have started the
    // engine within this time (it checks every second while offline).
    Sleep(1500);
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is OFF");
}

TEST_F(MainWindowTest, StartAndStopWithTheSwitchesAndTheStatusLine) {
    SetSettingString("CaptureName", "Rig Pattern", true);
    MarkLog()->calls = 0;
    DialogRunner run;
    HWND dlg = run.Hwnd();
    ASSERT_EQ(run.Text(IDC_INPUT_DEVICE), "Rig Pattern Microphone");

    run.Command(ID_INPUT_NC_ON); // while stopped: the status line waits
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is OFF");
    run.Command(IDC_INPUT_NC_OFF, BN_CLICKED);

    run.Command(IDC_START_STOP, BN_CLICKED);
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is ON:  Input Noise Cancellation Is OFF");
    EXPECT_EQ(run.Text(IDC_START_STOP), "&Stop Audio");
    EXPECT_TRUE(Grayed(run.MainMenuState(ID_FILE_START_AUDIO)));
    EXPECT_FALSE(Grayed(run.MainMenuState(ID_FILE_STOP_AUDIO)));
    EXPECT_TRUE(Grayed(run.TrayMenuState(ID_TRAY_START)));
    EXPECT_FALSE(Grayed(run.TrayMenuState(ID_TRAY_STOP)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_INPUT_DEVICE)));
    run.Command(ID_FILE_START_AUDIO); // starting twice changes nothing
    VadPeerCounters c = {};
    m_peer.GetCounters(c);
    EXPECT_EQ(c.registerRequests, 6u);

    run.Command(IDC_INPUT_NC_ON, BN_CLICKED);
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is ON:  Input Noise Cancellation Is ON");
    EXPECT_TRUE(run.Checked(IDC_INPUT_NC_ON));
    EXPECT_FALSE(run.Checked(IDC_INPUT_NC_OFF));
    EXPECT_TRUE(MenuChecked(run.MainMenuState(ID_INPUT_NC_ON)));
    EXPECT_FALSE(MenuChecked(run.MainMenuState(ID_INPUT_NC_OFF)));
    EXPECT_EQ(Selected(dlg, IDC_INPUT_NC_MIRROR), 1);
    EXPECT_EQ(g_AppSettings.GetInputNoiseCancellation(), 1);

    // The microphone's audio reaches the VoIP side, through the library.
    std::vector<uint8_t> audio;
    uint64_t lost = 0;
    m_peer.OpenMic();
    PumpUntil([&] { return audio.size() >= 32000; }, 10000, [&] { m_peer.ReadAudio(audio, lost); });
    EXPECT_GE(audio.size(), 32000u);
    EXPECT_TRUE(CounterUnbroken(audio, true));

    EXPECT_GT(MarkLog()->calls, 0);

    run.Command(ID_TRAY_STOP);
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is OFF");
    EXPECT_EQ(run.Text(IDC_START_STOP), "&Start Audio");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dlg, IDC_INPUT_DEVICE)));
    EXPECT_FALSE(Grayed(run.TrayMenuState(ID_TRAY_START)));
    run.Command(ID_FILE_STOP_AUDIO); // stopping while stopped changes nothing
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is OFF");
}

TEST_F(MainWindowTest, TheInputMirrorTurnsProcessingOnWithoutVisibleChange) {
    DialogRunner run;
    run.Command(IDC_START_STOP, BN_CLICKED);
    m_peer.OpenMic();
    VadPeerCounters c = {};
    ASSERT_TRUE(PumpUntil([&] { return m_peer.GetCounters(c) && c.blocksWritten > 0; }, 10000))
        << "no audio";
    MarkLog()->calls = 0;
    const std::string status = run.Text(IDC_STATUS);
    run.SelectAndNotify(IDC_INPUT_NC_MIRROR, 1);
    EXPECT_EQ(g_AppSettings.GetInputNoiseCancellation(), 1);
    EXPECT_TRUE(PumpUntil([] { return MarkLog()->calls > 0; }, 10000))
        << "blocks did not go through the library";
    EXPECT_EQ(run.Text(IDC_STATUS), status);
    EXPECT_FALSE(run.Checked(IDC_INPUT_NC_ON));
    EXPECT_FALSE(MenuChecked(run.MainMenuState(ID_INPUT_NC_ON)));
    // A notification with no selected entry leaves a valid switch.
    run.SelectAndNotify(IDC_INPUT_NC_MIRROR, -1);
    EXPECT_EQ(g_AppSettings.GetInputNoiseCancellation(), 0);
    run.SelectAndNotify(IDC_OUTPUT_NC_MIRROR, 1);
    EXPECT_EQ(g_AppSettings.GetOutputNoiseCancellation(), 1);
}

TEST_F(MainWindowTest, AStopThatCannotUnregisterStillShowsStoppedAndCanStartAgain) {
    DialogRunner run;
    run.Command(IDC_START_STOP, BN_CLICKED);
    m_peer.FailUnregisterAt(1);
    run.Command(IDC_START_STOP, BN_CLICKED);
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is OFF");
    EXPECT_EQ(run.Dlg().GetEngine(), nullptr);
    m_peer.FailUnregisterAt(-1);
    run.Command(IDC_START_STOP, BN_CLICKED);
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is ON:  Input Noise Cancellation Is OFF");
}

TEST_F(MainWindowTest, WithoutTheDriverAStartReportsAndEndsTheWindow) {
    m_peer.Close();
    ASSERT_TRUE(StopDriverService());
    {
        MessageBoxWatcher watcher;
        DialogRunner run;
        PostMessageA(run.Hwnd(), WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(run.Hwnd(), IDC_START_STOP)));
        EXPECT_TRUE(run.WaitForEnd(5000));
        EXPECT_EQ(run.Result(), IDOK);
        auto seen = watcher.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].caption, "Error");
        EXPECT_EQ(seen[0].text, "Unable connect to HSH Audio Driver");
    }
    ASSERT_TRUE(StartDriverService());
    ASSERT_TRUE(m_peer.Open());
}

TEST_F(MainWindowTest, SaveConfigurationWritesBothNamesAtOnce) {
    DialogRunner run;
    EXPECT_FALSE(SettingsKeyExists());
    run.Command(ID_OPTION_SAVE_CONFIGURATION);
    std::string capture, playback;
    ASSERT_TRUE(ReadSettingString("CaptureName", capture));
    ASSERT_TRUE(ReadSettingString("PlaybackName", playback));
    EXPECT_EQ(capture, run.Text(IDC_INPUT_DEVICE));
    EXPECT_EQ(playback, run.Text(IDC_OUTPUT_DEVICE));
    EXPECT_TRUE(run.Checked(IDC_CHK_SAVE_CONFIGURATION));
    // A later choice is stored at once.
    run.SelectAndNotify(IDC_INPUT_DEVICE, 1);
    ASSERT_TRUE(ReadSettingString("CaptureName", capture));
    EXPECT_EQ(capture, run.Text(IDC_INPUT_DEVICE));
    // Switched off: nothing more is written.
    run.Command(ID_OPTION_SAVE_CONFIGURATION);
    EXPECT_FALSE(MenuChecked(run.MainMenuState(ID_OPTION_SAVE_CONFIGURATION)));
    run.SelectAndNotify(IDC_INPUT_DEVICE, 2);
    std::string after;
    ReadSettingString("CaptureName", after);
    EXPECT_EQ(after, capture);
}

TEST_F(MainWindowTest, StartWithWindowsWritesTheRunValueAndComplainsWhenItIsGone) {
    DialogRunner run;
    MessageBoxWatcher watcher;
    run.Command(ID_OPTION_START_WITH_WINDOWS);
    std::string command;
    ASSERT_TRUE(ReadRunValue(command));
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    EXPECT_EQ(command, "\"" + std::string(path) + "\" /minimize");
    EXPECT_TRUE(run.Checked(IDC_CHK_START_WITH_WINDOWS));
    run.Command(ID_OPTION_START_WITH_WINDOWS);
    EXPECT_FALSE(ReadRunValue(command));
    EXPECT_TRUE(watcher.Seen().empty());
    // Already gone: the second switch-off says so, and the mark goes anyway.
    run.Command(IDC_CHK_START_WITH_WINDOWS, BN_CLICKED); // the mirror, unchecked by now
    PumpUntil([&] { return !watcher.Seen().empty(); }, 5000);
    auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Hushwave VoIP");
    EXPECT_EQ(seen[0].text, "Error while attempting to delete a registry value.");
}

TEST_F(MainWindowTest, AutomaticStartFollowsTheConnectionAndOffLeavesTheEngineRunning) {
    if (!Connected())
        GTEST_SKIP() << "no network interface: Wine reports no connection";
    DialogRunner run;
    run.Command(ID_OPTION_AUTO_START_ENGINE);
    const DWORD start = GetTickCount();
    EXPECT_TRUE(PumpUntil([&] { return run.Text(IDC_STATUS) != "Audio Engine Is OFF"; }, 10000))
        << "not started within 10 s";
    // A tick every second while offline: well within 5 s even on a busy machine.
    EXPECT_LT(GetTickCount() - start, 5000u);
    run.Command(ID_OPTION_AUTO_START_ENGINE);
    // Nothing to wait for: switched off, the automatic start must not stop
    // the engine; a tick (every second) would have done so by now.
    Sleep(1500);
    EXPECT_NE(run.Text(IDC_STATUS), "Audio Engine Is OFF");
    EXPECT_FALSE(run.Checked(IDC_CHK_AUTO_START_ENGINE));
}

TEST_F(MainWindowTest, AFailedAutomaticStartIsReportedOnceWhileTicksGoOn) {
    if (!Connected())
        GTEST_SKIP() << "no network interface: Wine reports no connection";
    SetSettingDword("AutoStartEngine", 1);
    m_peer.Close();
    ASSERT_TRUE(StopDriverService());
    {
        MessageBoxWatcher watcher(3500); // three more ticks while the box is open
        DialogRunner run;
        EXPECT_TRUE(run.WaitForEnd(10000));
        auto seen = watcher.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, "Unable connect to HSH Audio Driver");
    }
    ASSERT_TRUE(StartDriverService());
    ASSERT_TRUE(m_peer.Open());
}

TEST_F(MainWindowTest, AboutFromTheTrayOpensOnlyOneBox) {
    DialogRunner run;
    PostMessageA(run.Hwnd(), WM_COMMAND, ID_TRAY_ABOUT, 0);
    ASSERT_TRUE(PumpUntil([] { return FindWindowA("#32770", "About Hushwave VoIP"); }, 10000));
    PostMessageA(run.Hwnd(), WM_COMMAND, ID_TRAY_ABOUT, 0);
    PostMessageA(run.Hwnd(), WM_COMMAND, ID_HELP_ABOUT, 0);
    // A second box would have opened by now: there is nothing to wait for.
    Sleep(500);
    int boxes = 0;
    HWND about = nullptr;
    while ((about = FindWindowExA(nullptr, about, "#32770", "About Hushwave VoIP")))
        ++boxes;
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(run.Dlg().IsAboutOpen());
    HWND box = FindWindowA("#32770", "About Hushwave VoIP");
    ASSERT_NE(box, nullptr);
    char text[128] = {};
    GetDlgItemTextA(box, IDC_SUPPORT_LINK, text, sizeof(text));
    EXPECT_STREQ(text, "support@hushwave.example");
    EXPECT_NE(GetPropA(GetDlgItem(box, IDC_WEB_LINK), "_Hyperlink_From_Static_"), nullptr);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PumpUntil([&] { return !run.Dlg().IsAboutOpen(); }, 5000));
}

TEST_F(MainWindowTest, CloseHidesAndTheTrayBringsTheWindowBack) {
    DialogRunner run;
    HWND dlg = run.Hwnd();
    // The modal loop shows the window when it first runs out of messages.
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(dlg) != FALSE; }, 5000));
    SendMessageA(dlg, WM_CLOSE, 0, 0);
    // A close that ended the dialog would do so through a posted command,
    // within this time: nothing to wait for.
    Sleep(200);
    EXPECT_FALSE(run.Ended());
    EXPECT_FALSE(IsWindowVisible(dlg));
    EXPECT_FALSE(run.Ended());
    SendMessageA(dlg, WM_TRAYICON_NOTIFY, IDR_MAINFRAME, WM_LBUTTONDOWN); // a single click: nothing
    EXPECT_FALSE(IsWindowVisible(dlg));
    SendMessageA(dlg, WM_TRAYICON_NOTIFY, IDR_MAINFRAME, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(dlg));
    run.Command(IDC_CLOSE, BN_CLICKED);
    EXPECT_FALSE(IsWindowVisible(dlg));
    run.Command(ID_TRAY_CONFIGURATION);
    EXPECT_FALSE(run.Ended());
    EXPECT_TRUE(IsWindowVisible(dlg));
}

TEST_F(MainWindowTest, StartedHiddenStaysHiddenUntilConfiguration) {
    DialogRunner run(true);
    HWND dlg = run.Hwnd();
    // The modal loop would have shown the window by now (it shows it when it
    // first runs out of messages): nothing to wait for.
    Sleep(200);
    EXPECT_FALSE(IsWindowVisible(dlg));
    SetWindowPos(dlg, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    ShowWindow(dlg, SW_SHOWNORMAL);
    EXPECT_FALSE(IsWindowVisible(dlg));
    run.Command(ID_TRAY_CONFIGURATION);
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_FALSE(run.Dlg().IsStartHidden());
}

} // namespace

namespace {

// A device-interface notification as the system sends it.
LRESULT SendDeviceChange(HWND dlg, UINT event, const GUID& cls) {
    DEV_BROADCAST_DEVICEINTERFACE_A record = {};
    record.dbcc_size = sizeof(record);
    record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    record.dbcc_classguid = cls;
    return SendMessageA(dlg, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&record));
}

const GUID kHid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
const GUID kUsb = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

int IndexOf(HWND dlg, const char* text) {
    auto texts = ListTexts(dlg, IDC_INPUT_DEVICE);
    auto it = std::find(texts.begin(), texts.end(), text);
    return it == texts.end() ? -1 : static_cast<int>(it - texts.begin());
}

uint32_t Registrations(VadPeer& peer) {
    VadPeerCounters c = {};
    peer.GetCounters(c);
    return c.registerRequests;
}

TEST_F(MainWindowTest, AHidArrivalRebuildsTheListsAndKeepsTheChoice) {
    DialogRunner run;
    HWND dlg = run.Hwnd();
    const int mic = IndexOf(dlg, "Mic Array");
    ASSERT_GE(mic, 0);
    run.SelectAndNotify(IDC_INPUT_DEVICE, mic);
    SetSettingDword("ConfigStoreType", 1);
    g_AppSettings.SetConfigStoreType(1);
    const auto before = ListTexts(dlg, IDC_INPUT_DEVICE);
    EXPECT_EQ(SendDeviceChange(dlg, DBT_DEVICEARRIVAL, kHid), 0);
    EXPECT_EQ(ListTexts(dlg, IDC_INPUT_DEVICE), before);
    EXPECT_EQ(run.Text(IDC_INPUT_DEVICE), "Mic Array");
    EXPECT_EQ(g_AppSettings.GetCaptureName(), "Mic Array");
    std::string stored;
    ASSERT_TRUE(ReadSettingString("CaptureName", stored)); // taken again and saved
    EXPECT_EQ(stored, "Mic Array");
    // A USB device without a HID interface is ignored, coming and going.
    ClearSettings();
    SendDeviceChange(dlg, DBT_DEVICEARRIVAL, kUsb);
    SendDeviceChange(dlg, DBT_DEVICEREMOVECOMPLETE, kUsb);
    EXPECT_FALSE(SettingsKeyExists()) << "an ignored notification rebuilt the lists";
}

TEST_F(MainWindowTest, RemovingAUsbHeadsetRestartsAnEngineOnAUsbDeviceOnly) {
    DialogRunner run;
    HWND dlg = run.Hwnd();
    const int usb = IndexOf(dlg, "USB Headset Microphone");
    ASSERT_GE(usb, 0);
    run.SelectAndNotify(IDC_INPUT_DEVICE, usb);
    run.Command(IDC_START_STOP, BN_CLICKED);
    ASSERT_EQ(Registrations(m_peer), 6u);
    SendDeviceChange(dlg, DBT_DEVICEREMOVECOMPLETE, kHid); // noted only
    EXPECT_EQ(Registrations(m_peer), 6u);
    SendDeviceChange(dlg, DBT_DEVICEREMOVECOMPLETE, kUsb); // handled: stop, rebuild, start
    EXPECT_EQ(Registrations(m_peer), 12u);
    VadPeerCounters c = {};
    m_peer.GetCounters(c);
    EXPECT_EQ(c.unregisterRequests, 6u);
    EXPECT_EQ(run.Text(IDC_INPUT_DEVICE), "USB Headset Microphone"); // still there
    EXPECT_NE(run.Text(IDC_STATUS), "Audio Engine Is OFF");

    // On a device without "USB" in its name the engine runs on untouched.
    run.Command(IDC_START_STOP, BN_CLICKED);
    run.SelectAndNotify(IDC_INPUT_DEVICE, IndexOf(dlg, "Mic Array"));
    run.Command(IDC_START_STOP, BN_CLICKED);
    const uint32_t registered = Registrations(m_peer);
    SendDeviceChange(dlg, DBT_DEVICEREMOVECOMPLETE, kHid);
    SendDeviceChange(dlg, DBT_DEVICEREMOVECOMPLETE, kUsb);
    EXPECT_EQ(Registrations(m_peer), registered);
    EXPECT_NE(run.Text(IDC_STATUS), "Audio Engine Is OFF");
    EXPECT_EQ(run.Text(IDC_INPUT_DEVICE), "Mic Array");
}

} // namespace
