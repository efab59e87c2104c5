// The real HushwaveVoIP.exe, started as a user or Windows would start it:
// single copy, command line, splash, closing, fatal start-up messages, the
// driver, and the microphone's audio at the VoIP side.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "AppProcess.h"
#include "MessagePump.h"
#include "DialogRunner.h"
#include "DriverService.h"
#include "LevelCheck.h"
#include "PatternCheck.h"
#include "TestPaths.h"
#include "res/resource.h"
#include "tools/VadPeer.h"

namespace {

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearSettings(); }
    void TearDown() override { ClearSettings(); }
};

// Starts the program, skips its splash and returns its main window.
HWND StartToMainWindow(AppProcess& app) {
    EXPECT_TRUE(app.Started());
    EXPECT_TRUE(app.ClickSplash()) << "no splash";
    return app.MainWindow();
}

bool BecomesVisible(HWND hwnd, DWORD ms) {
    return PumpUntil([&] { return IsWindowVisible(hwnd) != FALSE; }, ms);
}

TEST_F(ProgramTest, ASecondCopyIsRefusedAndTheFirstRunsOn) {
    AppProcess first;
    HWND main = StartToMainWindow(first);
    ASSERT_NE(main, nullptr);
    AppProcess second;
    std::string text;
    HWND box = second.MessageBoxWith("Hushwave VoIP", text);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(text, "An instance of Hushwave VoIP Is Already Running.");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(second.WaitForExit(5000), 0u);
    EXPECT_TRUE(IsWindow(main));
    // Esc ends the program; then a new start is no longer refused.
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(first.WaitForExit(10000), 0u);
    AppProcess third;
    EXPECT_NE(StartToMainWindow(third), nullptr);
}

TEST_F(ProgramTest, MinimizeSwitchStartsHiddenOtherArgumentsDoNot) {
    struct Case {
        const char* args;
        bool hidden;
    };
    for (const Case& c :
         {Case{"/minimize", true}, Case{"-MINIMIZE", true}, Case{"/Minimize", true},
          Case{"/min", false}, Case{"minimize", false}, Case{"/minimized other", false}}) {
        SCOPED_TRACE(c.args);
        AppProcess app(c.args);
        HWND main = StartToMainWindow(app);
        ASSERT_NE(main, nullptr);
        // Hidden: the window would have shown within 1.5 s, a fixed wait.
        EXPECT_EQ(BecomesVisible(main, c.hidden ? 1500 : 10000), !c.hidden);
        if (c.hidden) { // the tray brings it back
            PostMessageA(main, WM_COMMAND, ID_TRAY_CONFIGURATION, 0);
            EXPECT_TRUE(BecomesVisible(main, 10000));
        }
        PostMessageA(main, WM_COMMAND, ID_TRAY_EXIT, 0);
        EXPECT_EQ(app.WaitForExit(10000), 0u);
    }
}

TEST_F(ProgramTest, HelpOpensTheHelpFileBesideTheProgram) {
    AppProcess app;
    HWND main = StartToMainWindow(app);
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_COMMAND, ID_HELP_CONTENTS, 0);
    HWND viewer = nullptr;
    for (int i = 0; i < 250 && !viewer; ++i, Sleep(20)) {
        HWND w = nullptr;
        while ((w = FindWindowExA(nullptr, w, "HH Parent", nullptr))) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == app.Pid())
                viewer = w;
        }
    }
    EXPECT_NE(viewer, nullptr) << "no help viewer window";
    std::string text;
    EXPECT_EQ(app.MessageBoxWith("Hushwave VoIP", text, 500), nullptr) << text;
}

TEST_F(ProgramTest, TheCloseBoxOnlyHidesTheWindow) {
    AppProcess app;
    HWND main = StartToMainWindow(app);
    ASSERT_TRUE(BecomesVisible(main, 10000));
    PostMessageA(main, WM_CLOSE, 0, 0);
    PumpUntil([&] { return !IsWindowVisible(main); }, 5000);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(app.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE));
}

TEST_F(ProgramTest, TheSplashEndsByItselfAfterFiveSeconds) {
    AppProcess app;
    const DWORD start = GetTickCount();
    HWND main = app.MainWindow(15000);
    ASSERT_NE(main, nullptr);
    const DWORD elapsed = GetTickCount() - start;
    std::printf("main window after %lu ms\n", static_cast<unsigned long>(elapsed));
    EXPECT_GE(elapsed, 4500u);
}

TEST_F(ProgramTest, WithoutTheDriverAStartReportsAndTheProgramEnds) {
    ASSERT_TRUE(StopDriverService());
    {
        AppProcess app;
        HWND main = StartToMainWindow(app);
        ASSERT_NE(main, nullptr);
        PostMessageA(main, WM_COMMAND, ID_FILE_START_AUDIO, 0);
        std::string text;
        HWND box = app.MessageBoxWith("Error", text);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(text, "Unable connect to HSH Audio Driver");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(app.WaitForExit(10000), 0u);
    }
    ASSERT_TRUE(StartDriverService());
}

// Clicks a button of the main window the way a user does.
void Click(HWND main, int id) {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(main, id)));
}

bool StatusBecomes(HWND main, const std::string& text) {
    const DWORD start = GetTickCount();
    while (WindowText(GetDlgItem(main, IDC_STATUS)) != text && GetTickCount() - start < 10000)
        Sleep(20);
    return WindowText(GetDlgItem(main, IDC_STATUS)) == text;
}

// What reaches the VoIP side in the next `seconds`.
std::vector<uint8_t> RecordAtVoipSide(VadPeer& peer, double seconds) {
    const size_t wanted = static_cast<size_t>(seconds * 32000) / 640 * 640;
    std::vector<uint8_t> audio;
    uint64_t lost = 0;
    for (int i = 0; i < 400 && audio.size() < wanted; ++i) {
        Sleep(50);
        peer.ReadAudio(audio, lost);
    }
    EXPECT_EQ(lost, 0u);
    return audio;
}

const char* const kRunningNcOff = "Audio Engine Is ON:  Input Noise Cancellation Is OFF";
const char* const kRunningNcOn = "Audio Engine Is ON:  Input Noise Cancellation Is ON";

// Before the program starts: the microphone it will choose, and the VoIP
// side's handle on the driver with its counters cleared.
bool PrepareMicrophoneAndVoipSide(const char* microphone, VadPeer& peer) {
    SetSettingString("CaptureName", microphone, true);
    return peer.Open() && peer.Reset();
}

// Start Audio, as a user presses it, then the VoIP side opens the virtual
// microphone.
bool StartAudioAndOpenMic(HWND main, VadPeer& peer) {
    Click(main, IDC_START_STOP);
    return StatusBecomes(main, kRunningNcOff) && peer.OpenMic();
}

TEST_F(ProgramTest, StartedWithTheDriverTheMicrophoneReachesTheVoipSide) {
    VadPeer peer;
    ASSERT_TRUE(PrepareMicrophoneAndVoipSide("Rig Pattern", peer));
    AppProcess app;
    HWND main = StartToMainWindow(app);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(StartAudioAndOpenMic(main, peer));
    std::vector<uint8_t> audio = RecordAtVoipSide(peer, 3);
    peer.CloseMic(0);
    EXPECT_GE(audio.size(), 3u * 32000u);
    EXPECT_TRUE(CounterUnbroken(audio));
    // Exit from the tray stops the engine and unregisters the events.
    PostMessageA(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_EQ(app.WaitForExit(10000), 0u);
    VadPeerCounters c = {};
    peer.GetCounters(c);
    EXPECT_EQ(c.unregisterRequests, 6u);
    EXPECT_EQ(c.registeredMask, 0u);
}

// The program as shipped, with its own hsh.dll: switched on, noise
// cancellation must take the noise in the gaps down and leave the voice.
TEST_F(ProgramTest, NoiseCancellationTakesTheNoiseDownAndKeepsTheVoice) {
    VadPeer peer;
    ASSERT_TRUE(PrepareMicrophoneAndVoipSide("Rig Noisy", peer));
    AppProcess app;
    HWND main = StartToMainWindow(app);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(StartAudioAndOpenMic(main, peer));
    RecordAtVoipSide(peer, 0.5); // the capture settles
    const GapAndVoiceLevels off = MeasureGapAndVoice(RecordAtVoipSide(peer, 4));
    Click(main, IDC_INPUT_NC_ON);
    ASSERT_TRUE(StatusBecomes(main, kRunningNcOn));
    RecordAtVoipSide(peer, 1.5); // the suppressor learns the noise
    const GapAndVoiceLevels on = MeasureGapAndVoice(RecordAtVoipSide(peer, 4));
    peer.CloseMic(0);
    std::printf("gaps %.1f -> %.1f dB, voice %.1f -> %.1f dB (%zu, %zu frames)\n", off.gapDb,
                on.gapDb, off.voiceDb, on.voiceDb, off.frames, on.frames);
    ASSERT_GE(off.frames, 150u);
    ASSERT_GE(on.frames, 150u);
    EXPECT_GT(off.voiceDb - off.gapDb, 15.0) << "the microphone is not the noisy one";
    EXPECT_LT(on.gapDb, off.gapDb - 15.0) << "the noise was not taken down";
    EXPECT_NEAR(on.voiceDb, off.voiceDb, 3.0) << "the voice was changed";
    PostMessageA(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_EQ(app.WaitForExit(10000), 0u);
}

TEST_F(ProgramTest, TheRunValueQuotesAProgramPathWithSpaces) {
    const std::string dir = "C:\\Program Files\\Hushwave Test Copy";
    CreateDirectoryA(dir.c_str(), nullptr);
    const std::string exe = dir + "\\HushwaveVoIP.exe";
    ASSERT_TRUE(CopyFileA(AppProcess::DefaultExe().c_str(), exe.c_str(), FALSE));
    CopyFileA((BuildDir() + "\\bin\\hsh.dll").c_str(), (dir + "\\hsh.dll").c_str(), FALSE);
    {
        AppProcess app("", exe);
        HWND main = StartToMainWindow(app);
        ASSERT_NE(main, nullptr);
        SendMessageA(main, WM_COMMAND, ID_OPTION_START_WITH_WINDOWS, 0);
        std::string command;
        ASSERT_TRUE(ReadRunValue(command));
        EXPECT_EQ(command, "\"" + exe + "\" /minimize");
        // This copy has no help file beside it.
        PostMessageA(main, WM_COMMAND, ID_HELP_CONTENTS, 0);
        std::string text;
        HWND box = app.MessageBoxWith("Hushwave VoIP", text, 10000);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(text, "Failed to launch help.");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        PostMessageA(main, WM_COMMAND, ID_TRAY_EXIT, 0);
        EXPECT_EQ(app.WaitForExit(10000), 0u);
    }
    DeleteFileA(exe.c_str());
    DeleteFileA((dir + "\\hsh.dll").c_str());
    RemoveDirectoryA(dir.c_str());
}

// A copy of the program with no hsh.dll beside it: it says so once, at the
// start, and with noise cancellation on the audio passes unprocessed.
TEST_F(ProgramTest, WithoutItsLibraryTheAudioStillReachesTheVoipSideUnprocessed) {
    const std::string dir = MakeEmptyDir("program-without-library");
    const std::string exe = dir + "\\HushwaveVoIP.exe";
    ASSERT_TRUE(CopyFileA(AppProcess::DefaultExe().c_str(), exe.c_str(), FALSE));
    VadPeer peer;
    ASSERT_TRUE(PrepareMicrophoneAndVoipSide("Rig Pattern", peer));
    {
        AppProcess app("", exe);
        ASSERT_TRUE(app.ClickSplash());
        std::string text;
        HWND box = app.MessageBoxWith("Error", text);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(text, "Error loading dynamic library(hsh.dll)");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        HWND main = app.MainWindow();
        ASSERT_NE(main, nullptr);
        // Without the library the switch cannot be on, and never says so.
        Click(main, IDC_INPUT_NC_ON);
        Click(main, IDC_START_STOP);
        ASSERT_TRUE(StatusBecomes(main, kRunningNcOff));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, IDC_INPUT_NC_ON)));
        ASSERT_TRUE(peer.OpenMic());
        const std::vector<uint8_t> audio = RecordAtVoipSide(peer, 2);
        peer.CloseMic(0);
        EXPECT_GE(audio.size(), 2u * 32000u);
        EXPECT_TRUE(CounterUnbroken(audio)) << "the counter signal, unprocessed";
        text.clear();
        EXPECT_EQ(app.MessageBoxWith("Error", text, 200), nullptr) << "said again: " << text;
        PostMessageA(main, WM_COMMAND, ID_TRAY_EXIT, 0);
        EXPECT_EQ(app.WaitForExit(10000), 0u);
    }
    DeleteFileA(exe.c_str());
}

} // namespace
