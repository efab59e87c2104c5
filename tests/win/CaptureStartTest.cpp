// How capture begins, on the rig's counter signal: the first read after a
// start, a stop and a start signalled together, and a device that cannot
// open or cannot start.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

#include "EngineHarness.h"
#include "PatternCheck.h"
#include "audio/AudioEngine.h"
#include "audio/DSCaptureDevice.h"
#include "settings/AppSettings.h"

namespace {

constexpr DWORD kBlock = 640;

// The bytes handed on by each read of the capture thread, in order.
class ReadProbe : public ICaptureProbe {
  public:
    void OnNotification() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reads.push_back(0);
    }
    void OnBlockSent(const void*, DWORD bytes) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_reads.empty())
            m_reads.back() += bytes;
    }
    std::vector<DWORD> Reads() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_reads;
    }

  private:
    std::mutex m_mutex;
    std::vector<DWORD> m_reads;
};

// The capture commands as the device's window receives them, with the
// number of reads done by then.
struct CommandLog {
    WNDPROC previous = nullptr;
    ReadProbe* probe = nullptr;
    std::vector<WPARAM> commands;
    std::vector<size_t> readsBefore;
} g_log;

LRESULT CALLBACK LogCommand(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) {
        g_log.commands.push_back(wParam);
        g_log.readsBefore.push_back(g_log.probe->Reads().size());
    }
    return CallWindowProcA(g_log.previous, hwnd, msg, wParam, lParam);
}

class CaptureStartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(h.deviceFound) << "the rig's microphone is missing";
        ASSERT_TRUE(h.Peer().IsOpen()) << "the stand-in driver is missing";
    }
    void TearDown() override {
        if (engine)
            engine->Stop();
        g_log = CommandLog();
    }
    void StartEngine() {
        engine = std::make_unique<AudioEngine>(h.EngineConfig());
        device()->SetProbe(&probe); // before the event thread can start capture
        ASSERT_TRUE(engine->Start());
    }
    CDSCaptureDevice* device() { return engine->GetCaptureDevice(); }
    bool WaitForState(int32_t state) {
        return h.RunUntil([&] { return device()->GetState() == state; }, 10000);
    }
    bool WaitForReads(size_t n) {
        return h.RunUntil([&] { return probe.Reads().size() >= n; }, 10000);
    }

    EngineHarness h;
    ReadProbe probe;
    std::unique_ptr<AudioEngine> engine;
};

// The first two notifications after capture begins are not read, so the
// first read takes what about three blocks hold; again after a stop.
TEST_F(CaptureStartTest, TheFirstReadAfterEachStartTakesAboutThreeBlocks) {
    StartEngine();
    for (int start = 0; start < 2; ++start) {
        SCOPED_TRACE(start);
        const size_t before = probe.Reads().size();
        ASSERT_TRUE(h.Peer().OpenMic());
        ASSERT_TRUE(WaitForState(Capturing));
        ASSERT_TRUE(WaitForReads(before + 2));
        const DWORD first = probe.Reads()[before];
        std::printf("first read: %lu bytes\n", static_cast<unsigned long>(first));
        EXPECT_GE(first, 2 * kBlock) << "the first notifications were read";
        EXPECT_LE(first, 25 * kBlock) << "more than was captured since the start";
        EXPECT_EQ(first % kBlock, 0u);
        ASSERT_TRUE(h.Peer().CloseMic(0));
        ASSERT_TRUE(WaitForState(Stopped));
        h.Run(200); // the capture thread wakes (50 ms time-out) and finds it stopped
    }
}

// Events 0 and 2 at once: the stop comes first, the start on the next pass;
// what is read after it is new audio, continuous, from the new buffer.
TEST_F(CaptureStartTest, AStopAndAStartSignalledTogetherRestartCapture) {
    StartEngine();
    ASSERT_TRUE(h.Peer().OpenMic());
    ASSERT_TRUE(WaitForState(Capturing));
    ASSERT_TRUE(h.RunUntil([&] { return h.audio.size() >= 6400; }, 10000));
    HWND window = device()->GetNotificationWindow();
    g_log.probe = &probe;
    g_log.previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LogCommand)));

    HANDLE stop = OpenEventA(EVENT_MODIFY_STATE, FALSE, "EventHandle[0]");
    HANDLE start = OpenEventA(EVENT_MODIFY_STATE, FALSE, "EventHandle[2]");
    ASSERT_TRUE(stop && start);
    SetEvent(stop);
    SetEvent(start);
    CloseHandle(stop);
    CloseHandle(start);
    ASSERT_TRUE(h.RunUntil([&] { return g_log.commands.size() >= 2; }, 10000));
    EXPECT_EQ(g_log.commands, (std::vector<WPARAM>{kStopCapture, kStartCapture}));
    ASSERT_TRUE(WaitForState(Capturing));
    const size_t restartedAt = g_log.readsBefore[1];
    ASSERT_TRUE(WaitForReads(restartedAt + 10));
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_log.previous));
    h.Read();

    const std::vector<DWORD> reads = probe.Reads();
    size_t before = 0;
    for (size_t i = 0; i < restartedAt; ++i)
        before += reads[i];
    EXPECT_EQ(h.lostBytes, 0u);
    ASSERT_GT(h.audio.size(), before);
    EXPECT_LE(reads[restartedAt], 25 * kBlock) << "the first read after the restart";
    EXPECT_TRUE(CounterUnbroken(std::vector<uint8_t>(h.audio.begin() + before, h.audio.end())))
        << "after the restart";
    EXPECT_EQ(CheckCounterPattern(h.audio).repeatedPairs, 0u) << "old audio after the restart";
}

const GUID kNoSuchDevice = {0xDEADBEEF, 0x0BAD, 0x4BAD, {1, 2, 3, 4, 5, 6, 7, 8}};

void ExpectEveryCommandRefused(CDSCaptureDevice& device) {
    EXPECT_FALSE(device.IsOpen());
    EXPECT_EQ(device.StartCapture(), 0);
    EXPECT_EQ(device.PauseCapture(), 0);
    EXPECT_EQ(device.StopCapture(), 0);
    EXPECT_EQ(device.GetState(), Stopped);
}

// The engine runs on, deaf: the VoIP side gets nothing and the stop is clean.
TEST_F(CaptureStartTest, ADeviceThatCannotOpenRefusesCommandsAndTheEngineRunsOn) {
    {
        CDSCaptureDevice alone;
        EXPECT_EQ(alone.OpenDevice(kNoSuchDevice), 0);
        ExpectEveryCommandRefused(alone);
    }
    g_AppSettings.SetCaptureGuid(kNoSuchDevice);
    StartEngine();
    ExpectEveryCommandRefused(*device());
    ASSERT_TRUE(h.Peer().OpenMic());
    h.Run(500); // a check that nothing arrives: there is no condition to wait for
    EXPECT_TRUE(h.audio.empty());
    EXPECT_TRUE(probe.Reads().empty());
    EXPECT_TRUE(engine->Stop());
    engine.reset();
}

// A format the capture object refuses, and one that is no format at all.
class SpoiltFormatDevice : public CDSCaptureDevice {
  public:
    void SpoilFormat(bool unknownTag) {
        if (unknownTag)
            m_format.wFormatTag = 0x7A7A;
        else
            m_format.nAvgBytesPerSec = 0;
    }
};

// The buffer cannot be made: the device closes, its capture thread ends, and
// it refuses every command until it is opened again.
TEST_F(CaptureStartTest, AStartWhoseBufferCannotBeMadeClosesTheDevice) {
    GUID rig;
    ASSERT_TRUE(FindCaptureDevice("Rig Pattern Microphone", rig));
    for (bool unknownTag : {true, false}) {
        SCOPED_TRACE(unknownTag ? "unknown format tag" : "no bytes per second");
        SpoiltFormatDevice device;
        ASSERT_EQ(device.OpenDevice(rig), 1);
        device.SpoilFormat(unknownTag);
        EXPECT_EQ(device.StartCapture(), 0);
        ExpectEveryCommandRefused(device);
        EXPECT_EQ(device.OpenDevice(rig), 1) << "it can be opened again";
        EXPECT_TRUE(device.IsOpen());
    }
}

} // namespace
