// The driver's event names are fixed, so another program (or a crashed run)
// may already hold "EventHandle[2]" as a manual-reset event left signalled.
// The engine must then neither start capture on its own nor flood the
// capture device with commands.
#include <gtest/gtest.h>

#include <windows.h>

#include "EngineHarness.h"
#include "audio/DSCaptureDevice.h"

namespace {

WNDPROC g_deviceProc = nullptr;
int g_startCommands = 0;

// Counts the start commands that reach the capture device's window.
LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && wParam == kStartCapture)
        ++g_startCommands;
    return CallWindowProcA(g_deviceProc, hwnd, msg, wParam, lParam);
}

TEST(ExistingEventTest, AManualResetEventLeftSignalledStartsCaptureOnceAtMost) {
    EngineHarness h;
    ASSERT_TRUE(h.deviceFound) << "the rig's microphone is missing";
    ASSERT_TRUE(h.Peer().IsOpen()) << "the stand-in driver is missing";
    ASSERT_TRUE(h.Peer().Reset()); // state 0: nobody wants audio
    HANDLE left = CreateEventA(nullptr, TRUE, TRUE, "EventHandle[2]");
    ASSERT_NE(left, nullptr);

    AudioEngine engine(h.EngineConfig());
    ASSERT_TRUE(engine.Start());
    CDSCaptureDevice* device = engine.GetCaptureDevice();
    HWND hwnd = device->GetNotificationWindow();
    g_startCommands = 0;
    g_deviceProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
    EXPECT_EQ(WaitForSingleObject(left, 0), WAIT_TIMEOUT) << "still signalled after registering";
    h.Run(1000); // nothing is to happen: a fixed wait
    EXPECT_EQ(g_startCommands, 0);
    EXPECT_EQ(device->GetState(), Stopped);

    // Signalled again while the engine runs: one start, not a stream of them.
    ASSERT_TRUE(SetEvent(left));
    EXPECT_TRUE(h.RunUntil([&] { return device->GetState() == Capturing; }, 10000));
    h.Run(1000); // a flood would show within this fixed wait
    EXPECT_GE(g_startCommands, 1);
    EXPECT_LE(g_startCommands, 2);
    EXPECT_EQ(WaitForSingleObject(left, 0), WAIT_TIMEOUT);

    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_deviceProc));
    engine.Stop();
    CloseHandle(left);
}

} // namespace
