// Headsets plugged in and pulled out while the main window runs in this
// process: its device lists come from lists that the test changes between
// notifications, made of the rig's real microphones, so the engine captures
// the device the list names and the VoIP side hears which one that is (the
// counter signal of "Rig Pattern Microphone", or silence from the others).
#include <gtest/gtest.h>

#include <windows.h>
#include <dbt.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "DeviceNotification.h"
#include "DialogRunner.h"
#include "MessageBoxWatcher.h"
#include "MessagePump.h"
#include "PatternCheck.h"
#include "TestDeviceList.h"
#include "TestPaths.h"
#include "report/UserReport.h"
#include "settings/AppSettings.h"
#include "tools/VadPeer.h"

namespace {

class ReportRecorder : public IUserReporter {
  public:
    void Report(UserReport what, const std::string&) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seen.push_back(what);
    }
    std::vector<UserReport> Seen() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen;
    }

  private:
    std::mutex m_mutex;
    std::vector<UserReport> m_seen;
};

int Selected(HWND dlg) {
    return static_cast<int>(SendDlgItemMessageA(dlg, IDC_INPUT_DEVICE, CB_GETCURSEL, 0, 0));
}

int Count(HWND dlg, int id) {
    return static_cast<int>(SendDlgItemMessageA(dlg, id, CB_GETCOUNT, 0, 0));
}

// One second of audio: enough to tell the counter signal from silence.
constexpr size_t kSecond = 32000;

bool IsCounterSignal(const std::vector<uint8_t>& audio) {
    return audio.size() >= kSecond && Unbroken(CheckCounterPattern(audio));
}

bool IsSilence(const std::vector<uint8_t>& audio) {
    return audio.size() >= kSecond &&
           std::all_of(audio.begin(), audio.end(), [](uint8_t b) { return b == 0; });
}

class HotPlugTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearSettings();
        SetSettingDword("ConfigStoreType", 1);
        UseLibraryFolder(BuildDir() + "\\testlib"); // the marking hsh.dll
        ASSERT_TRUE(m_peer.Open());
        m_peer.Reset();
        g_AppSettings.SetInputNoiseCancellation(0);
        ASSERT_TRUE(pattern.description.size() && usb.description.size());
    }
    void TearDown() override {
        m_run.reset();
        InstallUserReporter(nullptr);
        m_peer.Reset();
        ClearSettings();
        UseLibraryFolder("");
    }

    // The window's choice: the entry, its text, the settings and the
    // registry all name `device`. The registry is made stale first by
    // Stale(), so an equal value there was written again.
    void ExpectChosen(DialogRunner& run, const ListedDevice& device, int index) {
        EXPECT_EQ(Selected(run.Hwnd()), index);
        EXPECT_EQ(run.Text(IDC_INPUT_DEVICE), device.description);
        EXPECT_TRUE(IsEqualGUID(g_AppSettings.GetCaptureGuid(), device.guid));
        EXPECT_EQ(g_AppSettings.GetCaptureName(), device.description);
        std::string stored;
        EXPECT_TRUE(ReadSettingString("CaptureName", stored));
        EXPECT_EQ(stored, device.description);
    }
    void Stale() { SetSettingString("CaptureName", "stale", true); }

    DialogRunner* Open(TestDeviceList& devices, const char* saved) {
        SetSettingString("CaptureName", saved, true);
        m_run = std::make_unique<DialogRunner>(false, &devices);
        return m_run.get();
    }
    void StartEngine(DialogRunner& run) {
        run.Command(IDC_START_STOP, BN_CLICKED);
        ASSERT_TRUE(run.Dlg().IsRunning());
        ASSERT_TRUE(m_peer.OpenMic());
    }
    VadPeerCounters Counters() {
        VadPeerCounters c = {};
        m_peer.GetCounters(c);
        return c;
    }
    // What the VoIP side receives from now on, `bytes` of it (less after
    // 10 s); what was queued before is dropped.
    std::vector<uint8_t> Listen(size_t bytes = kSecond, bool fresh = true) {
        std::vector<uint8_t> audio;
        uint64_t lost = 0;
        if (fresh) {
            m_peer.ReadAudio(audio, lost);
            audio.clear();
        }
        PumpUntil(
            [&] {
                m_peer.ReadAudio(audio, lost);
                return audio.size() >= bytes;
            },
            10000);
        EXPECT_EQ(lost, 0u);
        return audio;
    }
    // Sends a notification while the VoIP side goes on listening: one
    // stream from before to after it.
    std::vector<uint8_t> ListenAcross(HWND dlg, UINT event, const GUID& cls) {
        std::vector<uint8_t> audio = Listen(kSecond / 2);
        EXPECT_TRUE(SendDeviceNotification(dlg, event, cls));
        std::vector<uint8_t> after = Listen(kSecond, false);
        audio.insert(audio.end(), after.begin(), after.end());
        return audio;
    }
    void Pull(HWND dlg) {
        SendDeviceNotification(dlg, DBT_DEVICEREMOVECOMPLETE, kHidClass);
        SendDeviceNotification(dlg, DBT_DEVICEREMOVECOMPLETE, kUsbClass);
    }

    VadPeer m_peer;
    std::unique_ptr<DialogRunner> m_run;
    const ListedDevice pattern = RigMicrophone("Rig Pattern Microphone");
    const ListedDevice usb = RigMicrophone("USB Headset Microphone"); // silent
    const ListedDevice array = RigMicrophone("Mic Array");            // silent
    const ListedDevice noisy = RigMicrophone("Rig Noisy Microphone"); // never silent
    const DeviceSet speakers = {MadeUpDevice(1, "Speakers")};
};

TEST_F(HotPlugTest, AHeadsetArrivingAheadOfTheChosenDeviceLeavesTheEngineOnIt) {
    TestDeviceList devices({array, pattern}, speakers);
    DialogRunner& run = *Open(devices, "Rig Pattern Microphone");
    ExpectChosen(run, pattern, 1);
    StartEngine(run);
    Stale();
    devices.SetCapture({array, usb, pattern});
    const std::vector<uint8_t> audio = ListenAcross(run.Hwnd(), DBT_DEVICEARRIVAL, kHidClass);
    ExpectChosen(run, pattern, 2); // by GUID: entry 1 is the headset now
    EXPECT_EQ(Counters().registerRequests, 6u) << "restarted";
    EXPECT_TRUE(run.Dlg().IsRunning());
    EXPECT_TRUE(IsCounterSignal(audio)) << "the capture did not go on unbroken";
}

TEST_F(HotPlugTest, AnEngineOnAUsbDeviceRestartsOnItWhereverItsEntryMoves) {
    const ListedDevice headset = {pattern.guid, "USB Headset"};
    TestDeviceList devices({array, headset}, speakers);
    DialogRunner& run = *Open(devices, "USB Headset");
    ExpectChosen(run, headset, 1);
    StartEngine(run);
    Stale();
    devices.SetCapture({noisy, array, headset});
    ASSERT_TRUE(SendDeviceNotification(run.Hwnd(), DBT_DEVICEARRIVAL, kHidClass));
    ExpectChosen(run, headset, 2);
    EXPECT_EQ(Counters().unregisterRequests, 6u);
    EXPECT_EQ(Counters().registerRequests, 12u);
    EXPECT_TRUE(IsCounterSignal(Listen())) << "restarted on another device";
}

TEST_F(HotPlugTest, PullingTheChosenUsbMicrophoneRestartsOnEntryZero) {
    TestDeviceList devices({pattern, array, usb}, speakers);
    DialogRunner& run = *Open(devices, "USB Headset Microphone");
    ExpectChosen(run, usb, 2);
    StartEngine(run);
    EXPECT_TRUE(IsSilence(Listen()));
    Stale();
    devices.SetCapture({pattern, array});
    Pull(run.Hwnd());
    ExpectChosen(run, pattern, 0);
    EXPECT_EQ(Counters().unregisterRequests, 6u);
    EXPECT_EQ(Counters().registerRequests, 12u);
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is ON:  Input Noise Cancellation Is OFF");
    EXPECT_TRUE(IsCounterSignal(Listen())) << "not capturing the new entry 0";
}

TEST_F(HotPlugTest, PullingAUsbDeviceLeavesAnEngineOnAnotherDeviceRunning) {
    TestDeviceList devices({array, usb, pattern}, speakers);
    DialogRunner& run = *Open(devices, "Rig Pattern Microphone");
    StartEngine(run);
    Stale();
    devices.SetCapture({array, pattern});
    SendDeviceNotification(run.Hwnd(), DBT_DEVICEREMOVECOMPLETE, kHidClass);
    std::vector<uint8_t> audio = ListenAcross(run.Hwnd(), DBT_DEVICEREMOVECOMPLETE, kUsbClass);
    ExpectChosen(run, pattern, 1);
    EXPECT_TRUE(IsCounterSignal(audio)) << "the capture did not go on unbroken";
    // The removed device was the chosen one, with no "USB" in its text: the
    // list moves to entry 0 while the engine still holds the old device.
    Stale();
    devices.SetCapture({array});
    Pull(run.Hwnd());
    ExpectChosen(run, array, 0);
    EXPECT_EQ(Counters().registerRequests, 6u);
    EXPECT_TRUE(run.Dlg().IsRunning());
}

TEST_F(HotPlugTest, WithTheEngineStoppedOnlyTheListsAndSettingsChange) {
    TestDeviceList devices({array, usb, pattern}, speakers);
    DialogRunner& run = *Open(devices, "USB Headset Microphone");
    Stale();
    devices.SetCapture({noisy, array, usb, pattern});
    ASSERT_TRUE(SendDeviceNotification(run.Hwnd(), DBT_DEVICEARRIVAL, kHidClass));
    ExpectChosen(run, usb, 2);
    Stale();
    devices.SetCapture({noisy, array, pattern});
    Pull(run.Hwnd());
    ExpectChosen(run, noisy, 0);
    EXPECT_EQ(Counters().registerRequests, 0u);
    EXPECT_EQ(run.Dlg().GetEngine(), nullptr);
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is OFF");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(run.Hwnd(), IDC_INPUT_DEVICE)));
}

// Which notifications rebuild, counted by the enumerations of the list.
TEST_F(HotPlugTest, AHeadsetIsHandledOnceComingAndOnceGoing) {
    TestDeviceList devices({array, pattern}, speakers);
    DialogRunner& run = *Open(devices, "Mic Array");
    HWND dlg = run.Hwnd();
    auto rebuilds = [&] { return devices.CaptureEnumerations() - 1; };
    auto send = [&](UINT event, const GUID& cls) {
        LRESULT answer = -1;
        EXPECT_TRUE(SendDeviceNotification(dlg, event, cls, &answer));
        EXPECT_EQ(answer, 0);
    };
    // A microphone without a HID interface: its USB arrival is not looked
    // at; a keyboard's HID arrival then rebuilds and lists it.
    devices.SetCapture({array, pattern, usb});
    send(DBT_DEVICEARRIVAL, kUsbClass);
    EXPECT_EQ(rebuilds(), 0);
    EXPECT_EQ(Count(dlg, IDC_INPUT_DEVICE), 2);
    send(DBT_DEVICEARRIVAL, kHidClass);
    EXPECT_EQ(rebuilds(), 1);
    EXPECT_EQ(Count(dlg, IDC_INPUT_DEVICE), 3);
    // Going: a USB removal alone is ignored; after a HID removal, handled once.
    send(DBT_DEVICEREMOVECOMPLETE, kUsbClass);
    send(DBT_DEVICEREMOVECOMPLETE, kHidClass);
    EXPECT_EQ(rebuilds(), 1);
    send(DBT_DEVICEREMOVECOMPLETE, kUsbClass);
    send(DBT_DEVICEREMOVECOMPLETE, kUsbClass);
    EXPECT_EQ(rebuilds(), 2);
    // A HID removal with no USB removal after it waits for the next one.
    send(DBT_DEVICEREMOVECOMPLETE, kHidClass);
    send(DBT_DEVICEARRIVAL, kUsbClass);
    EXPECT_EQ(rebuilds(), 2);
    send(DBT_DEVICEREMOVECOMPLETE, kUsbClass);
    EXPECT_EQ(rebuilds(), 3);
    // Other events and records are not looked at.
    EXPECT_EQ(SendMessageA(dlg, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0), 0);
    DEV_BROADCAST_HDR volume = {sizeof(DEV_BROADCAST_HDR), DBT_DEVTYP_VOLUME, 0};
    SendMessageA(dlg, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&volume));
    EXPECT_EQ(rebuilds(), 3);
    ExpectChosen(run, array, 0);
}

TEST_F(HotPlugTest, TheLastMicrophonePulledLeavesValidSettingsStartsNothingAndTellsTheUser) {
    TestDeviceList devices({usb}, speakers);
    DialogRunner& run = *Open(devices, "USB Headset Microphone");
    StartEngine(run);
    ReportRecorder reports;
    InstallUserReporter(&reports);
    devices.SetCapture({});
    Pull(run.Hwnd());
    EXPECT_EQ(Count(run.Hwnd(), IDC_INPUT_DEVICE), 0);
    EXPECT_EQ(Selected(run.Hwnd()), CB_ERR);
    EXPECT_EQ(run.Dlg().GetEngine(), nullptr);
    EXPECT_EQ(Counters().registerRequests, 6u);
    EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is OFF");
    // The settings keep the last device; nothing was read from a missing entry.
    EXPECT_TRUE(IsEqualGUID(g_AppSettings.GetCaptureGuid(), usb.guid));
    EXPECT_EQ(g_AppSettings.GetCaptureName(), usb.description);
    EXPECT_EQ(reports.Seen(), std::vector<UserReport>{UserReport::NoInputDevice});
    // Start has nothing to start on; a keyboard's arrival tells nothing new.
    run.Command(IDC_START_STOP, BN_CLICKED);
    EXPECT_EQ(Counters().registerRequests, 6u);
    SendDeviceNotification(run.Hwnd(), DBT_DEVICEARRIVAL, kHidClass);
    EXPECT_EQ(reports.Seen().size(), 1u);
    // A microphone plugged in again is chosen; the user starts the engine.
    Stale();
    devices.SetCapture({pattern});
    SendDeviceNotification(run.Hwnd(), DBT_DEVICEARRIVAL, kHidClass);
    ExpectChosen(run, pattern, 0);
    EXPECT_EQ(run.Dlg().GetEngine(), nullptr);
    StartEngine(run);
    EXPECT_TRUE(IsCounterSignal(Listen()));
}

TEST_F(HotPlugTest, TwentyDevicesAtMostOverBothListsAlsoAfterARebuild) {
    DeviceSet inputs, outputs;
    for (uint32_t i = 0; i < 12; ++i) {
        inputs.push_back(MadeUpDevice(100 + i, "Input " + std::to_string(i)));
        outputs.push_back(MadeUpDevice(200 + i, "Output " + std::to_string(i)));
    }
    TestDeviceList devices(inputs, outputs);
    DialogRunner& run = *Open(devices, "Input 3");
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass ? "after a rebuild" : "at start-up");
        EXPECT_EQ(Count(run.Hwnd(), IDC_INPUT_DEVICE), 12);
        EXPECT_EQ(Count(run.Hwnd(), IDC_OUTPUT_DEVICE), 8);
        EXPECT_EQ(run.Text(IDC_OUTPUT_DEVICE), "Output 0");
        EXPECT_TRUE(IsEqualGUID(g_AppSettings.GetPlaybackGuid(), outputs[0].guid));
        ExpectChosen(run, inputs[3], 3);
        Stale();
        SendDeviceNotification(run.Hwnd(), DBT_DEVICEARRIVAL, kHidClass);
    }
}

// Without an output device (all 20 entries taken by inputs) or without an
// input device the start-up tells the user and the process ends at once: run
// in a process of its own, which prints what the message box said.
void StartAndPrintTheMessageBox(const DeviceSet& inputs, const DeviceSet& outputs) {
    // Printed before the box is answered: the answer ends the process.
    MessageBoxWatcher watcher(0, [](const SeenMessageBox& box) {
        std::fprintf(stderr, "[%s] %s\n", box.caption.c_str(), box.text.c_str());
        std::fflush(stderr);
    });
    TestDeviceList devices(inputs, outputs);
    DialogRunner run(false, &devices);
    Sleep(10000); // the process ends before this
}

TEST_F(HotPlugTest, NoDeviceLeftForAListEndsTheStartUp) {
    DeviceSet inputs;
    for (uint32_t i = 0; i < 20; ++i)
        inputs.push_back(MadeUpDevice(100 + i, "Input " + std::to_string(i)));
    EXPECT_EXIT(StartAndPrintTheMessageBox(inputs, speakers), ::testing::ExitedWithCode(-1),
                "\\[Error\\] Fatal Error -- Unable to set the output device -- Exit the "
                "application now\\.");
    EXPECT_EXIT(StartAndPrintTheMessageBox({}, speakers), ::testing::ExitedWithCode(-1),
                "\\[Error\\] Fatal Error -- Unable to set the intput device");
}

// Audio interfaces: a headset without a HID interface (a Bluetooth headset,
// many USB microphones) brings a burst of them, rebuilt once after it.
TEST_F(HotPlugTest, ABurstOfAudioInterfacesRebuildsOnceAfterItEnds) {
    TestDeviceList devices({array, pattern}, speakers);
    DialogRunner& run = *Open(devices, "Rig Pattern Microphone");
    HWND dlg = run.Hwnd();
    auto rebuilds = [&] { return devices.CaptureEnumerations() - 1; };
    const ListedDevice headset = {usb.guid, "USB Microphone"};
    devices.SetCapture({array, headset, pattern});
    for (int i = 0; i < 3; ++i)
        SendDeviceNotification(dlg, DBT_DEVICEARRIVAL, kAudioClass);
    SendDeviceNotification(dlg, DBT_DEVICEARRIVAL, kUsbClass);
    EXPECT_EQ(rebuilds(), 0) << "rebuilt before the burst was over";
    ASSERT_TRUE(PumpUntil([&] { return rebuilds() == 1; }, 10000));
    Sleep(2 * kAudioChangeQuietMs); // nothing more may follow: a fixed wait
    EXPECT_EQ(rebuilds(), 1);
    ExpectChosen(run, pattern, 2);
    // The burst's timer is not the connection timer: nothing started.
    EXPECT_EQ(run.Dlg().GetEngine(), nullptr);

    // Going, with the engine on it: stopped, rebuilt, started on entry 0.
    run.SelectAndNotify(IDC_INPUT_DEVICE, 1);
    StartEngine(run);
    devices.SetCapture({pattern, array});
    SendDeviceNotification(dlg, DBT_DEVICEREMOVECOMPLETE, kAudioClass);
    SendDeviceNotification(dlg, DBT_DEVICEREMOVECOMPLETE, kUsbClass); // no HID before it
    SendDeviceNotification(dlg, DBT_DEVICEREMOVECOMPLETE, kAudioClass);
    ASSERT_TRUE(PumpUntil([&] { return rebuilds() == 2; }, 10000));
    ExpectChosen(run, pattern, 0);
    EXPECT_EQ(Counters().registerRequests, 12u);
    EXPECT_TRUE(IsCounterSignal(Listen()));

    // With a HID interface too, the HID rule's rebuild takes the burst's place.
    SendDeviceNotification(dlg, DBT_DEVICEARRIVAL, kAudioClass);
    SendDeviceNotification(dlg, DBT_DEVICEARRIVAL, kHidClass);
    EXPECT_EQ(rebuilds(), 3);
    Sleep(2 * kAudioChangeQuietMs); // nothing more may follow: a fixed wait
    EXPECT_EQ(rebuilds(), 3);
}

} // namespace
