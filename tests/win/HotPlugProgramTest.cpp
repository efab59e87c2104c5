// The real program told of headsets coming and going, as the system tells
// it. Under Wine a running process keeps the DirectSound device list of its
// first enumeration, so every rebuild lists the same devices again: this
// proves that the notifications reach the program across processes, that it
// neither crashes nor hangs, which notifications rebuild (the rebuild takes
// the chosen device into the saved settings again) and that an engine on a
// device with "USB" in its text is restarted while another runs on. Lists
// that really change are the in-process tests' part (HotPlugTest).
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <vector>

#include "AppProcess.h"
#include "DeviceNotification.h"
#include "DialogRunner.h"
#include "MessagePump.h"
#include "PatternCheck.h"
#include "res/resource.h"
#include "tools/VadPeer.h"

namespace {

class HotPlugProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearSettings();
        SetSettingDword("ConfigStoreType", 1);
        ASSERT_TRUE(m_peer.Open() && m_peer.Reset());
    }
    void TearDown() override {
        m_peer.Reset();
        ClearSettings();
    }

    // The program on `microphone`, its engine started and the VoIP side
    // listening.
    HWND StartOn(AppProcess& app, const char* microphone) {
        SetSettingString("CaptureName", microphone, true);
        EXPECT_TRUE(app.ClickSplash());
        HWND main = app.MainWindow();
        if (!main)
            return nullptr;
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_START_STOP, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(main, IDC_START_STOP)));
        PumpUntil([&] { return Registrations() >= 6; }, 10000);
        EXPECT_EQ(Registrations(), 6u);
        EXPECT_TRUE(m_peer.OpenMic());
        return main;
    }
    uint32_t Registrations() {
        VadPeerCounters c = {};
        m_peer.GetCounters(c);
        return c.registerRequests;
    }
    // Sends a notification with the saved name made stale first; true when
    // the program rebuilt its lists (and so saved the chosen name again).
    bool Rebuilds(HWND main, UINT event, const GUID& cls) {
        SetSettingString("CaptureName", "stale", true);
        EXPECT_TRUE(SendDeviceNotification(main, event, cls)) << "no answer: hung";
        std::string stored;
        ReadSettingString("CaptureName", stored);
        return stored != "stale";
    }
    bool SavedNameBecomes(const std::string& name) {
        std::string stored;
        return PumpUntil([&] { return ReadSettingString("CaptureName", stored) && stored == name; },
                         10000);
    }
    std::vector<uint8_t> Listen(size_t bytes) {
        std::vector<uint8_t> audio;
        uint64_t lost = 0;
        PumpUntil(
            [&] {
                m_peer.ReadAudio(audio, lost);
                return audio.size() >= bytes;
            },
            10000);
        return audio;
    }

    VadPeer m_peer;
};

TEST_F(HotPlugProgramTest, AUsbHeadsetComingAndGoingRestartsAnEngineOnIt) {
    AppProcess app;
    HWND main = StartOn(app, "USB Headset Microphone");
    ASSERT_NE(main, nullptr);
    const int entries =
        static_cast<int>(SendDlgItemMessageA(main, IDC_INPUT_DEVICE, CB_GETCOUNT, 0, 0));
    EXPECT_FALSE(Rebuilds(main, DBT_DEVICEREMOVECOMPLETE, kHidClass));
    EXPECT_EQ(Registrations(), 6u);
    EXPECT_TRUE(Rebuilds(main, DBT_DEVICEREMOVECOMPLETE, kUsbClass));
    EXPECT_EQ(Registrations(), 12u);
    EXPECT_FALSE(Rebuilds(main, DBT_DEVICEREMOVECOMPLETE, kUsbClass));
    EXPECT_FALSE(Rebuilds(main, DBT_DEVICEARRIVAL, kUsbClass));
    EXPECT_TRUE(Rebuilds(main, DBT_DEVICEARRIVAL, kHidClass));
    EXPECT_EQ(Registrations(), 18u);
    EXPECT_TRUE(SavedNameBecomes("USB Headset Microphone"));
    EXPECT_EQ(SendDlgItemMessageA(main, IDC_INPUT_DEVICE, CB_GETCOUNT, 0, 0), entries);
    EXPECT_EQ(WindowText(GetDlgItem(main, IDC_STATUS)),
              "Audio Engine Is ON:  Input Noise Cancellation Is OFF");
    EXPECT_GE(Listen(32000).size(), 32000u) << "the restarted engine delivers nothing";
    PostMessageA(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_EQ(app.WaitForExit(10000), 0u);
}

TEST_F(HotPlugProgramTest, AnEngineOnAnotherDeviceRunsOnUnbroken) {
    AppProcess app;
    HWND main = StartOn(app, "Rig Pattern Microphone");
    ASSERT_NE(main, nullptr);
    std::vector<uint8_t> audio = Listen(16000);
    EXPECT_TRUE(Rebuilds(main, DBT_DEVICEARRIVAL, kHidClass));
    // An audio interface going: rebuilt once its burst is over.
    EXPECT_FALSE(Rebuilds(main, DBT_DEVICEREMOVECOMPLETE, kAudioClass));
    EXPECT_TRUE(SavedNameBecomes("Rig Pattern Microphone"));
    const std::vector<uint8_t> after = Listen(32000);
    audio.insert(audio.end(), after.begin(), after.end());
    EXPECT_EQ(Registrations(), 6u);
    EXPECT_TRUE(CounterUnbroken(audio));
    PostMessageA(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_EQ(app.WaitForExit(10000), 0u);
}

} // namespace
