// The capture device base: its format, its notification window and the order
// and thread in which posted commands run.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>
#include <vector>

#include "MessagePump.h"
#include "audio/CaptureDevice.h"

namespace {

struct Call {
    char op;
    DWORD thread;
};

// Records the commands that reach it; the log outlives the device.
class RecordingDevice : public CCaptureDevice {
  public:
    explicit RecordingDevice(std::vector<Call>& log) : m_log(log) {}
    int StartCapture() override { return Note('S'); }
    int PauseCapture() override { return Note('P'); }
    int StopCapture() override { return Note('T'); }

  private:
    int Note(char op) {
        m_log.push_back({op, GetCurrentThreadId()});
        return 1;
    }
    std::vector<Call>& m_log;
};

std::string ClassOf(HWND hwnd) {
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof(name));
    return name;
}

TEST(CaptureDevice, HasTheFixedFormatAndAHiddenPopupWindow) {
    std::vector<Call> log;
    RecordingDevice device(log);
    const WAVEFORMATEX* f = device.GetFormat();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(f->nChannels, 1);
    EXPECT_EQ(f->nSamplesPerSec, 16000u);
    EXPECT_EQ(f->nAvgBytesPerSec, 32000u);
    EXPECT_EQ(f->nBlockAlign, 2);
    EXPECT_EQ(f->wBitsPerSample, 16);
    EXPECT_EQ(f->cbSize, 0);
    EXPECT_EQ(device.GetState(), Stopped);

    HWND hwnd = device.GetNotificationWindow();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(ClassOf(hwnd), "CAPTUREMSG");
    char title[64] = {};
    GetWindowTextA(hwnd, title, sizeof(title));
    EXPECT_STREQ(title, "CAPTUREMSGWND");
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_STYLE) & ~WS_CLIPSIBLINGS, WS_POPUP);
    EXPECT_FALSE(IsWindowVisible(hwnd));
}

TEST(CaptureDevice, CommandsFromAnotherThreadRunInOrderOnTheCreatingThread) {
    std::vector<Call> log;
    RecordingDevice device(log);
    std::thread poster([&] {
        EXPECT_TRUE(device.PostStartCapture());
        EXPECT_TRUE(device.PostStopCapture());
        EXPECT_TRUE(device.PostStartCapture());
    });
    poster.join();
    PumpUntil([&] { return log.size() >= 3; }, 10000);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(std::string({log[0].op, log[1].op, log[2].op}), "STS");
    for (const Call& c : log)
        EXPECT_EQ(c.thread, GetCurrentThreadId());
}

TEST(CaptureDevice, OtherCommandsGoToTheDefaultProcedure) {
    std::vector<Call> log;
    RecordingDevice device(log);
    HWND hwnd = device.GetNotificationWindow();
    const LPARAM self = reinterpret_cast<LPARAM>(&device);
    SendMessageA(hwnd, WM_COMMAND, 3, self);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(0, 1), self); // a control notification
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(2, BN_CLICKED + 5), self);
    EXPECT_TRUE(log.empty());
    SendMessageA(hwnd, WM_COMMAND, kPauseCapture, self);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].op, 'P');
}

TEST(CaptureDevice, TwoDevicesShareTheOneWindowClass) {
    std::vector<Call> log;
    RecordingDevice first(log);
    RecordingDevice second(log); // its class registration fails and is ignored
    ASSERT_NE(first.GetNotificationWindow(), nullptr);
    ASSERT_NE(second.GetNotificationWindow(), nullptr);
    EXPECT_NE(first.GetNotificationWindow(), second.GetNotificationWindow());
    EXPECT_EQ(ClassOf(second.GetNotificationWindow()), "CAPTUREMSG");
    EXPECT_EQ(second.GetFormat()->nSamplesPerSec, 16000u);
}

TEST(CaptureDevice, CommandsQueuedForADestroyedDeviceAreNotDelivered) {
    std::vector<Call> log;
    auto* device = new RecordingDevice(log);
    device->PostStartCapture();
    device->PostStopCapture();
    delete device;
    PumpFor(100); // nothing to wait for: the commands are in this thread's queue already
    EXPECT_TRUE(log.empty());
}

} // namespace
