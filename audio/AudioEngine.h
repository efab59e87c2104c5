// Exists exactly while audio is switched on: owns the driver link and the
// capture device, registers the driver's six events and turns the driver's
// signals into start and stop commands for the capture device.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

class DriverLink;
class CDSCaptureDevice;

class AudioEngine {
  public:
    AudioEngine();
    ~AudioEngine() { Shutdown(); }
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    bool RegisterDriverEvents();
    void StartEventThread();
    void StopEventThread();
    bool UnregisterDriverEvents();
    void Shutdown();

    CDSCaptureDevice* GetCaptureDevice() const { return m_pCaptureDevice; }
    DriverLink* GetDriverLink() const { return m_pDriverLink; }

  private:
    static DWORD WINAPI EventThreadProc(LPVOID param);
    void OnDriverEvent(DWORD waitResult);

    HANDLE m_hEventThread = nullptr;
    DWORD m_dwEventThreadId = 0;
    std::atomic<int32_t> m_stop{0}; // read afresh by the event thread on every pass
    DriverLink* m_pDriverLink = nullptr;
    CDSCaptureDevice* m_pCaptureDevice = nullptr;
};
