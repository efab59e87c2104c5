// Faults after a start, with the main window in this process on real parts:
// DirectSound operations that fail (once, or for good), a capture that
// stalls, the driver stopped mid-run, a library without its entry or one
// that hangs, and commands from other programs. The window must never claim
// "ON" while no audio can flow, and must start again by itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "DialogRunner.h"
#include "DriverService.h"
#include "FaultyDirectSound.h"
#include "EngineHarness.h"
#include "HandleCount.h"
#include "MessagePump.h"
#include "MessageBoxWatcher.h"
#include "TestPaths.h"
#include "hsh/mark/hsh_mark_log.h"
#include "settings/AppSettings.h"
#include "tools/VadPeer.h"

namespace {

const char kRunning[] = "Audio Engine Is ON:  Input Noise Cancellation Is OFF";
const char kDeviceLost[] = "Audio Engine Is OFF:  Input Device Lost: Rig Pattern Microphone";
const char kDriverLost[] = "Audio Engine Is OFF:  HSH Audio Driver Lost";

class EngineFaultTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ClearSettings();
        SetSettingString("CaptureName", "Rig Pattern", true);
        UseLibrary("testlib");
        ASSERT_TRUE(m_peer.Open());
        m_peer.Reset();
        ASSERT_TRUE(m_peer.OpenMic()); // state 2: every start captures at once
        g_AppSettings.SetInputNoiseCancellation(0);
    }
    void TearDown() override {
        ClearDirectSoundFault();
        m_peer.Reset();
        ClearSettings();
        UseLibraryFolder("");
    }
    static void UseLibrary(const char* folder) { UseLibraryFolder(BuildDir() + "\\" + folder); }
    // At least `bytes` more arrive at the VoIP side; `meanwhile` runs at each look.
    bool AudioFlows(size_t bytes = 16000, DWORD timeoutMs = 5000,
                    const std::function<void()>& meanwhile = {}) {
        std::vector<uint8_t> audio;
        uint64_t lost = 0;
        m_peer.ReadAudio(audio, lost);
        audio.clear();
        return PumpUntil(
            [&] {
                if (meanwhile)
                    meanwhile();
                m_peer.ReadAudio(audio, lost);
                return audio.size() >= bytes;
            },
            timeoutMs);
    }
    static bool StatusIs(DialogRunner& run, const char* text, DWORD timeoutMs) {
        return PumpUntil([&] { return run.Text(IDC_STATUS) == text; }, timeoutMs);
    }
    VadPeer m_peer;
};

TEST_F(EngineFaultTest, ACaptureFaultShowsTheStoppedStateAndCaptureStartsAgainByItself) {
    for (DsOp op :
         {DsOp::Create, DsOp::CreateBuffer, DsOp::Start, DsOp::Position, DsOp::Lock, DsOp::Stall}) {
        SCOPED_TRACE(DsOpName(op));
        // A start reads the position once too, and lives with a failure there.
        const int failures = op == DsOp::Position ? 2 : 1;
        InjectDirectSoundFault(op, failures);
        DialogRunner run;
        run.Command(IDC_START_STOP, BN_CLICKED);
        EXPECT_TRUE(StatusIs(run, kDeviceLost, 5000)) << run.Text(IDC_STATUS);
        EXPECT_EQ(DirectSoundFaultsHit(), failures);
        EXPECT_EQ(run.Text(IDC_START_STOP), "&Start Audio");
        // The device works again: the window finds it and starts by itself.
        EXPECT_TRUE(StatusIs(run, kRunning, 8000)) << run.Text(IDC_STATUS);
        EXPECT_TRUE(AudioFlows());
        ClearDirectSoundFault();
    }
}

// Under Wine on a busy machine a start now and then never begins capturing
// at all; opening the device afresh gets it going, with no loss to show.
TEST_F(EngineFaultTest, ACaptureThatNeverBeginsIsOpenedAfreshWithoutShowingALoss) {
    InjectDirectSoundFault(DsOp::Freeze, 1);
    DialogRunner run;
    run.Command(IDC_START_STOP, BN_CLICKED);
    bool lossShown = false;
    EXPECT_TRUE(
        AudioFlows(16000, 10000, [&] { lossShown |= run.Text(IDC_STATUS) == kDeviceLost; }));
    EXPECT_FALSE(lossShown);
    EXPECT_EQ(DirectSoundFaultsHit(), 1);
    EXPECT_EQ(run.Text(IDC_STATUS), kRunning);
}

TEST_F(EngineFaultTest, ADeviceThatKeepsFailingStaysLostAndExitIsClean) {
    InjectDirectSoundFault(DsOp::Position, -1);
    DialogRunner run;
    run.Command(IDC_START_STOP, BN_CLICKED);
    EXPECT_TRUE(StatusIs(run, kDeviceLost, 5000)) << run.Text(IDC_STATUS);
    // It is tried again (each run fails twice: at the start and at the first
    // read), fails again, and is shown lost again.
    EXPECT_TRUE(PumpUntil([] { return DirectSoundFaultsHit() >= 4; }, 8000));
    EXPECT_TRUE(StatusIs(run, kDeviceLost, 5000)) << run.Text(IDC_STATUS);
}

TEST_F(EngineFaultTest, TheDriverGoneMidRunIsShownAndTheEngineComesBackWithIt) {
    // The first run opens the device afresh once too: Wine keeps a handle or
    // two after a process's first fresh open (none after later ones), and a
    // start under load may need one.
    InjectDirectSoundFault(DsOp::Freeze, 1);
    DialogRunner run;
    run.Command(IDC_START_STOP, BN_CLICKED);
    ASSERT_TRUE(AudioFlows(16000, 10000));
    run.Command(IDC_START_STOP, BN_CLICKED);
    ClearDirectSoundFault();
    const int handles = CountOwnHandles(); // after a first run: nothing left to set up
    run.Command(IDC_START_STOP, BN_CLICKED);
    ASSERT_TRUE(AudioFlows());

    m_peer.Close();
    ASSERT_TRUE(StopDriverService());
    EXPECT_TRUE(StatusIs(run, kDriverLost, 5000)) << run.Text(IDC_STATUS);
    EXPECT_EQ(run.Dlg().GetEngine(), nullptr);
    ASSERT_TRUE(StartDriverService());
    ASSERT_TRUE(m_peer.Open());
    EXPECT_TRUE(StatusIs(run, kRunning, 8000)) << run.Text(IDC_STATUS);
    ASSERT_TRUE(m_peer.OpenMic());
    EXPECT_TRUE(AudioFlows());
    run.Command(IDC_START_STOP, BN_CLICKED);
    EXPECT_EQ(CountOwnHandles(), handles);
}

// Any program can post to a top-level window (a broadcast is a post to each
// of them; posted here directly, so that the desktop's own windows are left
// alone); only the device's own commands may move the capture.
TEST_F(EngineFaultTest, CommandsFromOtherProgramsLeaveTheCaptureAlone) {
    DialogRunner run;
    run.Command(IDC_START_STOP, BN_CLICKED);
    ASSERT_TRUE(AudioFlows());
    HWND capture = FindWindowA("CAPTUREMSG", nullptr);
    ASSERT_NE(capture, nullptr);
    for (LPARAM junk : {LPARAM(0), LPARAM(0x1234), LPARAM(-1)}) {
        for (WPARAM code : {0, 1, 2})
            PostMessageA(capture, WM_COMMAND, code, junk);
    }
    EXPECT_TRUE(AudioFlows(32000));
    EXPECT_EQ(run.Text(IDC_STATUS), kRunning);
}

TEST_F(EngineFaultTest, ALibraryWithoutItsInputEntryIsReportedAndCannotBeSwitchedOn) {
    UseLibrary("testlib-noexport");
    MessageBoxWatcher watcher;
    DialogRunner run;
    const auto seen = watcher.Seen();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "Error");
    EXPECT_EQ(seen[0].text, "Error loading dynamic library(hsh.dll)");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(run.Hwnd(), IDC_INPUT_NC_ON)));
    EXPECT_TRUE(run.MainMenuState(ID_INPUT_NC_ON) & MF_GRAYED);
    run.Command(ID_INPUT_NC_ON);
    run.Command(IDC_START_STOP, BN_CLICKED);
    EXPECT_EQ(run.Text(IDC_STATUS), kRunning);
    EXPECT_EQ(g_AppSettings.GetInputNoiseCancellation(), 0);
    EXPECT_TRUE(AudioFlows());
}

TEST_F(EngineFaultTest, ALibraryThatHangsHoldsNeitherStopNorExit) {
    UseLibrary("testlib-hang");
    MarkLog()->calls = 0;
    {
        DialogRunner run;
        run.Command(IDC_INPUT_NC_ON, BN_CLICKED);
        run.Command(IDC_START_STOP, BN_CLICKED);
        ASSERT_TRUE(PumpUntil([] { return MarkLog()->calls >= 50; }, 5000)); // asleep in it
        DWORD start = GetTickCount();
        run.Command(IDC_START_STOP, BN_CLICKED);
        EXPECT_LT(GetTickCount() - start, 8000u) << "the stop waited for the library";
        EXPECT_EQ(run.Text(IDC_STATUS), "Audio Engine Is OFF");
        run.Command(IDC_START_STOP, BN_CLICKED); // a new run beside the stuck call
        EXPECT_TRUE(AudioFlows());
    }
    // The stuck call returns into a library that is still loaded, and its
    // thread ends without touching the device that left it behind.
    EXPECT_TRUE(PumpUntil([] { return MarkLog()->entries[49].seq == 50; }, 15000));
    Sleep(200); // time for the left-behind thread to end, if it were to crash
    if (HMODULE left = GetModuleHandleA("hsh.dll"))
        FreeLibrary(left);
}

} // namespace
