// Base of all capture devices: the one audio format of the system, the
// device's state, and a hidden notification window through which any thread
// makes the device start, pause or stop on the thread that created it.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>

class DriverLink;

enum CaptureState : int32_t { Stopped = 0, Paused = 2, Capturing = 3 };

// Capture commands: WM_COMMAND with the code as wParam and the device as lParam.
enum CaptureCommand : uint32_t { kStartCapture = 0, kPauseCapture = 1, kStopCapture = 2 };

class CCaptureDevice {
  public:
    CCaptureDevice();
    virtual ~CCaptureDevice();
    CCaptureDevice(const CCaptureDevice&) = delete;
    CCaptureDevice& operator=(const CCaptureDevice&) = delete;

    virtual int StartCapture() { return 1; }
    virtual int PauseCapture() { return 1; }
    virtual int StopCapture() { return 1; }

    BOOL PostStartCapture();
    BOOL PostStopCapture();
    void SetDriverLink(DriverLink* link) { m_pDriverLink = link; }

    HWND GetNotificationWindow() const { return m_hNotifyWnd; }
    const WAVEFORMATEX* GetFormat() const { return m_pFormat; }
    int32_t GetState() const { return m_state.load(); }

  protected:
    WAVEFORMATEX* m_pFormat;
    WAVEFORMATEX m_format{};
    std::atomic<int32_t> m_initialised{0};
    std::atomic<int32_t> m_state{Stopped};
    DriverLink* m_pDriverLink = nullptr;
    HWND m_hNotifyWnd = nullptr;

  private:
    BOOL PostCommand(CaptureCommand command);
    static LRESULT CALLBACK NotificationWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};
