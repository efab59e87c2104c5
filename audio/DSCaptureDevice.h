// Captures the chosen microphone with DirectSound into a one-second ring,
// woken every 20 ms, and hands every whole 640-byte frame, in order, to the
// noise-processing library and then to the driver.
#pragma once

#include <windows.h>
#include <dsound.h>

#include "CaptureDevice.h"

class AppSettings;
class ProcessingLibraryTable;

// Optional observer of the capture path, for benchmarks; null in the program.
class ICaptureProbe {
  public:
    virtual ~ICaptureProbe() = default;
    virtual void OnNotification() = 0;                           // capture thread woke to read
    virtual void OnBlockSent(const void* data, DWORD bytes) = 0; // after the driver write
};

class CDSCaptureDevice : public CCaptureDevice {
  public:
    CDSCaptureDevice();
    ~CDSCaptureDevice() override;

    int OpenDevice(const GUID& guid);
    int StartCapture() override;
    int PauseCapture() override;
    int StopCapture() override;

    // Set before OpenDevice: the library slots (null for none) and the record
    // whose input switch picks the slot for every block. Neither is owned.
    void SetProcessing(const ProcessingLibraryTable* libraries, const AppSettings* switches) {
        m_pLibraries = libraries;
        m_pSwitches = switches;
    }
    void SetProbe(ICaptureProbe* probe) { m_pProbe = probe; }
    bool IsOpen() const { return m_initialised != 0; }

  private:
    static constexpr int kNotifyCount = 50;

    int CloseDevice();
    int InitDevice();
    HRESULT CreateCaptureBuffer(WAVEFORMATEX* format);
    HRESULT InitNotifications();
    HRESULT RecordCapturedData();
    HRESULT ReadIfCapturing();
    void ProcessCapturedBlock(unsigned char* data, DWORD bytes);
    void ReleaseBuffer();
    void StartReadingAtCapturePosition();
    static DWORD WINAPI CaptureThreadProc(LPVOID param);

    DWORD m_dwCaptureThreadId = 0;
    HANDLE m_hCaptureThread = nullptr;
    IDirectSoundCapture* m_pDSCapture = nullptr;
    IDirectSoundCaptureBuffer* m_pDSCaptureBuffer = nullptr;
    IDirectSoundNotify* m_pDSNotify = nullptr;
    DSBPOSITIONNOTIFY m_aPosNotify[kNotifyCount + 1] = {};
    GUID m_guidCaptureDevice = {};
    DWORD m_dwCaptureBufferSize = 0;
    DWORD m_dwNextCaptureOffset = 0;
    DWORD m_dwNotifySize = 0;
    HANDLE m_hNotificationEvent = nullptr;
    HANDLE m_hStopEvent = nullptr;

    // The capture thread holds this around each read; the user-interface
    // thread around each change or release of the buffer. So a read never
    // touches a released buffer, and a stop waits for at most one read.
    SRWLOCK m_bufferLock = SRWLOCK_INIT;
    ICaptureProbe* m_pProbe = nullptr;
    const ProcessingLibraryTable* m_pLibraries = nullptr;
    const AppSettings* m_pSwitches = nullptr;
};
