// The audio engine end to end on real parts: PulseAudio's counter signal,
// DirectSound capture in Wine, the stand-in driver, and the VoIP side reading
// the virtual microphone.
#include <gtest/gtest.h>

#include <atomic>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "EngineHarness.h"
#include "HandleCount.h"
#include "PatternCheck.h"
#include "audio/AudioEngine.h"
#include "audio/DSCaptureDevice.h"
#include "audio/DriverLink.h"
#include "hsh/mark/hsh_mark_log.h"
#include "settings/AppSettings.h"

namespace {

uint32_t Fnv(const uint8_t* p, size_t n) {
    uint32_t sum = 2166136261u;
    for (size_t i = 0; i < n; ++i)
        sum = (sum ^ p[i]) * 16777619u;
    return sum;
}

// The engine's protocol steps one at a time, for the cases that look between them.
class SteppedEngine : public AudioEngine {
  public:
    using AudioEngine::AudioEngine;
    using AudioEngine::RegisterDriverEvents;
    using AudioEngine::Shutdown;
    using AudioEngine::StartEventThread;
    using AudioEngine::StopEventThread;
    using AudioEngine::UnregisterDriverEvents;
};

class AudioEngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(h.deviceFound) << "the rig's microphone is missing";
        ASSERT_TRUE(h.Peer().IsOpen()) << "the stand-in driver is missing";
        MarkLog()->calls = 0;
    }
    void TearDown() override {
        if (engine)
            StopEngine();
    }

    void StartEngine() {
        engine = std::make_unique<SteppedEngine>(h.EngineConfig());
        ASSERT_TRUE(engine->Start());
    }
    bool StopEngine() {
        const bool unregistered = engine->Stop();
        engine.reset();
        return unregistered;
    }
    int32_t CaptureState() { return engine->GetCaptureDevice()->GetState(); }
    bool WaitForState(int32_t state, DWORD ms = 10000) {
        return h.RunUntil([&] { return CaptureState() == state; }, ms);
    }
    VadPeerCounters Counters() {
        VadPeerCounters c = {};
        EXPECT_TRUE(h.Peer().GetCounters(c));
        return c;
    }

    EngineHarness h;
    std::unique_ptr<SteppedEngine> engine;
};

// Seconds of continuous capture: a few in CI, longer from scripts/bench.sh
// (CONTINUITY_SECONDS), where a soak belongs.
int ContinuitySeconds() {
    const char* value = std::getenv("CONTINUITY_SECONDS");
    const int seconds = value ? std::atoi(value) : 0;
    return seconds > 0 ? seconds : 5;
}

TEST_F(AudioEngineTest, WithNoiseCancellationOffTheMicrophoneArrivesBitForBit) {
    const int seconds = ContinuitySeconds();
    StartEngine();
    ASSERT_TRUE(h.Peer().OpenMic());
    ASSERT_TRUE(WaitForState(Capturing));
    h.Run(seconds * 1000);
    ASSERT_TRUE(h.Peer().CloseMic(0));
    ASSERT_TRUE(WaitForState(Stopped));
    h.Run(100);
    EXPECT_TRUE(StopEngine());

    std::printf("received %.2f s in %d s\n", h.audio.size() / 32000.0, seconds);
    const ::testing::AssertionResult unbroken = CounterUnbroken(h.audio);
    if (!unbroken)
        h.Save("continuity-failure.raw");
    EXPECT_TRUE(unbroken);
    EXPECT_GE(h.audio.size(), (seconds - 1) * 32000u);
    EXPECT_EQ(h.audio.size() % 640, 0u);
    EXPECT_EQ(h.lostBytes, 0u);
    VadPeerCounters c = Counters();
    EXPECT_EQ(c.blocksRejected, 0u) << "a write that was not whole frames";
    EXPECT_EQ(MarkLog()->calls, 0) << "the library ran with the switch off";
}

TEST_F(AudioEngineTest, WithNoiseCancellationOnEveryBlockGoesThroughTheLibraryOnceInPlace) {
    g_AppSettings.SetInputNoiseCancellation(1);
    StartEngine();
    ASSERT_TRUE(h.Peer().OpenMic());
    ASSERT_TRUE(WaitForState(Capturing));
    h.RunUntil([&] { return h.audio.size() >= 4 * 32000; }, 20000);
    ASSERT_TRUE(h.Peer().CloseMic(1));
    ASSERT_TRUE(WaitForState(Stopped));
    h.Run(100);
    StopEngine();

    ASSERT_GE(h.audio.size(), 3u * 32000u);
    EXPECT_TRUE(CounterUnbroken(h.audio, true));
    // The calls, in order, cover exactly what the driver received, and each
    // left the bytes that the driver then got.
    HshMarkLog* log = MarkLog();
    ASSERT_LT(log->calls, HSH_MARK_LOG_ENTRIES);
    size_t at = 0;
    for (LONG i = 0; i < log->calls; ++i) {
        const HshMarkCall& call = log->entries[i];
        ASSERT_EQ(call.length % 640, 0) << i;
        ASSERT_LE(at + call.length, h.audio.size()) << i;
        EXPECT_EQ(call.checksumAfter, Fnv(h.audio.data() + at, call.length)) << "call " << i;
        EXPECT_EQ(call.sampleRate, 16000u);
        EXPECT_EQ(call.channels, 1);
        EXPECT_EQ(call.reserved, 0);
        EXPECT_EQ(call.outBlockBefore, 0u);
        EXPECT_EQ(call.outLengthBefore, 0);
        at += call.length;
    }
    EXPECT_EQ(at, h.audio.size());
}

TEST_F(AudioEngineTest, TheSwitchTakesEffectFromTheNextBlock) {
    StartEngine();
    ASSERT_TRUE(h.Peer().OpenMic());
    ASSERT_TRUE(WaitForState(Capturing));
    for (int i = 0; i < 6; ++i) {
        h.Run(300);
        g_AppSettings.SetInputNoiseCancellation(1 - g_AppSettings.GetInputNoiseCancellation());
    }
    h.Run(300);
    StopEngine();

    // Every frame is either untouched or inverted whole: taking each frame
    // as it came or inverted, whichever goes on with the count, gives one
    // continuous signal (the source's silence reads the same either way).
    std::vector<uint8_t> restored;
    size_t inverted = 0;
    for (size_t at = 0; at + 640 <= h.audio.size(); at += 640) {
        std::vector<uint8_t> asIs(restored);
        asIs.insert(asIs.end(), h.audio.begin() + at, h.audio.begin() + at + 640);
        if (!Unbroken(CheckCounterPattern(asIs))) {
            const std::vector<uint8_t> frame = Inverted(h.audio.data() + at, 640);
            restored.insert(restored.end(), frame.begin(), frame.end());
            ++inverted;
        } else {
            restored.swap(asIs);
        }
    }
    EXPECT_TRUE(CounterUnbroken(restored));
    EXPECT_GT(inverted, 0u);
    EXPECT_LT(inverted, restored.size() / 640);
    EXPECT_EQ(static_cast<size_t>(MarkLog()->calls) > 0, true);
}

TEST_F(AudioEngineTest, StateTwoAtStartStartsCaptureAtOnce) {
    ASSERT_TRUE(h.Peer().SetState(2));
    StartEngine();
    EXPECT_TRUE(WaitForState(Capturing));
    EXPECT_TRUE(h.RunUntil([&] { return h.audio.size() >= 3200; }, 10000)) << "no audio";
}

TEST_F(AudioEngineTest, AnyOtherStateWaitsForEventTwo) {
    for (bool noBytes : {false, true}) {
        SCOPED_TRACE(noBytes ? "state request without bytes" : "state 0");
        h.Peer().SetState(0);
        h.Peer().SetStateNoBytes(noBytes);
        StartEngine();
        h.Run(300); // nothing to wait for: a start would have begun by now
        EXPECT_EQ(CaptureState(), Stopped);
        ASSERT_TRUE(h.Peer().Signal(2));
        EXPECT_TRUE(WaitForState(Capturing));
        StopEngine();
        h.Peer().SetStateNoBytes(false);
    }
}

TEST_F(AudioEngineTest, EventsThreeToFiveChangeNothing) {
    StartEngine();
    for (int e = 3; e <= 5; ++e)
        h.Peer().Signal(e);
    h.Run(200); // nothing to wait for: a command would have come by now
    EXPECT_EQ(CaptureState(), Stopped);
    ASSERT_TRUE(h.Peer().OpenMic());
    ASSERT_TRUE(WaitForState(Capturing));
    for (int e = 3; e <= 5; ++e)
        h.Peer().Signal(e);
    h.Run(200); // nothing to wait for: a stop would have come by now
    EXPECT_EQ(CaptureState(), Capturing);
}

// Counts the capture thread's reads: when audio does not come, it tells
// DirectSound going quiet (no reads) from reads that find nothing.
class ReadCounter : public ICaptureProbe {
  public:
    std::atomic<int> reads{0};
    void OnNotification() override { ++reads; }
    void OnBlockSent(const void*, DWORD) override {}
};

TEST_F(AudioEngineTest, TheMicrophoneOpensAndClosesManyTimesInOneRun) {
    StartEngine();
    ReadCounter counter;
    engine->GetCaptureDevice()->SetProbe(&counter); // capture has not started yet
    for (int cycle = 0; cycle < 15; ++cycle) {
        SCOPED_TRACE(cycle);
        h.Clear();
        counter.reads = 0;
        ASSERT_TRUE(h.Peer().OpenMic());
        ASSERT_TRUE(WaitForState(Capturing));
        ASSERT_TRUE(h.RunUntil([&] { return h.audio.size() >= 6400; }, 10000))
            << "no audio; the capture thread read " << counter.reads << " times";
        ASSERT_TRUE(h.Peer().CloseMic(cycle % 2));
        ASSERT_TRUE(WaitForState(Stopped));
        h.Run(60);
        const ::testing::AssertionResult unbroken = CounterUnbroken(h.audio);
        EXPECT_TRUE(unbroken);
        if (!unbroken)
            h.Save(("cycle-" + std::to_string(cycle) + ".raw").c_str());
    }
    EXPECT_EQ(Counters().blocksRejected, 0u);
}

TEST_F(AudioEngineTest, RegisteringFailsAtIndexFour) {
    ASSERT_TRUE(h.Peer().FailRegisterAt(4));
    auto failing = std::make_unique<SteppedEngine>(h.EngineConfig());
    EXPECT_FALSE(failing->RegisterDriverEvents());
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(failing->GetDriverLink()->GetEvent(i), nullptr) << i;
    EXPECT_EQ(failing->GetDriverLink()->GetEvent(4), nullptr);
    EXPECT_EQ(Counters().registeredMask, 0x0Fu);
    failing->Shutdown();
    VadPeerCounters c = Counters();
    EXPECT_EQ(c.registerRequests, 5u);
    EXPECT_EQ(c.unregisterRequests, 0u) << "nothing is unregistered on this path";
}

TEST_F(AudioEngineTest, UnregisteringFailsAtIndexOne) {
    StartEngine();
    ASSERT_TRUE(h.Peer().FailUnregisterAt(1));
    engine->StopEventThread();
    EXPECT_FALSE(engine->UnregisterDriverEvents());
    // Every slot is closed and every later index still asked for: nothing of
    // this run may come back to the next start.
    DriverLink* link = engine->GetDriverLink();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(link->GetEvent(i), nullptr) << i;
    VadPeerCounters c = Counters();
    EXPECT_EQ(c.unregisterRequests, 6u);
    EXPECT_EQ(c.registeredMask, 0x02u); // only 1 stays with the driver
    engine->Shutdown();
    engine.reset();
}

TEST_F(AudioEngineTest, StopWhileTheEventThreadWaitsIsPromptAndDropsQueuedCommands) {
    StartEngine();
    h.Run(100);
    ASSERT_TRUE(h.Peer().Signal(2));
    // The start command posted to the device's window, not dispatched yet.
    HWND window = engine->GetCaptureDevice()->GetNotificationWindow();
    MSG msg;
    const DWORD posted = GetTickCount();
    while (!PeekMessageA(&msg, window, WM_COMMAND, WM_COMMAND, PM_NOREMOVE) &&
           GetTickCount() - posted < 10000)
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_POSTMESSAGE);
    ASSERT_TRUE(PeekMessageA(&msg, window, WM_COMMAND, WM_COMMAND, PM_NOREMOVE));
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    engine->StopEventThread();
    QueryPerformanceCounter(&t1);
    const double ms = (t1.QuadPart - t0.QuadPart) * 1000.0 / f.QuadPart;
    std::printf("StopEventThread took %.1f ms\n", ms);
    EXPECT_LT(ms, 1000.0) << "the event thread did not see the stop flag";
    engine->UnregisterDriverEvents();
    engine->Shutdown();
    engine.reset();
    h.Run(100); // the queued start dies with the device's window
    EXPECT_EQ(Counters().blocksWritten, 0u);
}

TEST_F(AudioEngineTest, AHundredStartsAndStopsWithAudioFlowingLeakNothing) {
    ASSERT_TRUE(h.Peer().OpenMic()); // state 2: every start captures at once
    StartEngine();
    h.Run(100);
    StopEngine();
    const int before = CountOwnHandles();
    for (int i = 0; i < 100; ++i) {
        StartEngine();
        h.Run(i % 10 == 0 ? 120 : 20);
        ASSERT_TRUE(StopEngine()) << i;
    }
    h.Run(100);
    EXPECT_EQ(CountOwnHandles(), before);
    EXPECT_GT(Counters().blocksWritten, 0u);
    EXPECT_EQ(Counters().blocksRejected, 0u);
}

// Commands at a high rate while audio flows: the capture thread must never
// read a buffer that the user-interface thread has released.
TEST_F(AudioEngineTest, StartPauseStopStormWhileCapturing) {
    StartEngine();
    ASSERT_TRUE(h.Peer().OpenMic());
    ASSERT_TRUE(WaitForState(Capturing));
    CDSCaptureDevice* device = engine->GetCaptureDevice();
    HWND hwnd = device->GetNotificationWindow();
    uint32_t seed = 7;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        PostMessageA(hwnd, WM_COMMAND, (seed >> 16) % 3, reinterpret_cast<LPARAM>(device));
        if (i % 20 == 0)
            h.Run(seed % 7 == 0 ? 45 : 2);
    }
    device->PostStartCapture();
    ASSERT_TRUE(WaitForState(Capturing));
    EXPECT_TRUE(device->IsOpen());
    h.Clear();
    EXPECT_TRUE(h.RunUntil([&] { return h.audio.size() >= 6400; }, 10000))
        << "capture did not come back";
    EXPECT_TRUE(CounterUnbroken(h.audio));
    EXPECT_EQ(Counters().blocksRejected, 0u);
}

} // namespace
