// Captures the chosen microphone with DirectSound into a one-second ring,
// woken every 20 ms, and hands every whole 640-byte frame, in order, to the
// noise-processing library and then to the driver.
//
// Threads: OpenDevice, the capture commands and the destructor run on the
// user-interface thread; the capture thread reads, processes and writes.
// The capture thread copies each read out of the DirectSound ring under the
// buffer lock and calls the library and the driver outside it, so a stop
// never waits for the library. When capture cannot go on (the device failed
// or stalled, or the driver refuses the audio) the device posts one fault
// message to the window it was given. A start whose capture never moves is
// retried once on the capture thread, with the device opened afresh, before
// it counts as a fault (QuietCapture.h).
#pragma once

#include <windows.h>
#include <dsound.h>

#include <atomic>

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

// Why capture stopped, in the fault message's wParam.
enum CaptureFault : uint32_t {
    kCaptureDeviceFailed = 1, // DirectSound refused, failed or stopped delivering
    kDriverRefusedAudio = 2,  // about a second of audio writes failed in a row
};

// Where faults go: PostMessage(window, message, CaptureFault, cookie).
struct CaptureFaultSink {
    HWND window = nullptr;
    UINT message = 0;
    LPARAM cookie = 0;
};

using CaptureCreateFn = HRESULT(WINAPI*)(LPCGUID, LPDIRECTSOUNDCAPTURE*, LPUNKNOWN);
// Replaces DirectSoundCaptureCreate for every device opened afterwards (tests
// inject faults this way); null restores DirectSound's own.
void SetCaptureCreateHook(CaptureCreateFn create);

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
    void SetFaultSink(const CaptureFaultSink& sink) { m_faultSink = sink; }
    void SetProbe(ICaptureProbe* probe) { m_pProbe = probe; }
    bool IsOpen() const { return m_initialised != 0; }

    // How long a stop waits for a capture thread stuck in the library before
    // it leaves the thread behind.
    static constexpr DWORD kThreadEndWaitMs = 3000;

  private:
    static constexpr int kNotifyCount = 50;
    struct ThreadShare;

    int CloseDevice();
    int InitDevice();
    void EndCaptureThread();
    HRESULT CreateCapture();
    HRESULT CreateCaptureBuffer(WAVEFORMATEX* format);
    HRESULT ReopenAndRestart();
    HRESULT CapturePositionMoved(bool& moved);
    HRESULT InitNotifications();
    HRESULT RecordCapturedData(ThreadShare& share);
    HRESULT ReadIfCapturing(ThreadShare& share);
    bool ProcessAndSend(ThreadShare& share, unsigned char* data, DWORD bytes);
    void ReleaseBuffer();
    void StartReadingAtCapturePosition();
    void ReportFault(CaptureFault fault);
    static DWORD WINAPI CaptureThreadProc(LPVOID param);
    DWORD RunCaptureThread(ThreadShare& share);
    // What the capture thread knows of the current start while it waits for
    // the first block.
    struct StartWatch {
        bool positionMoved = false;
        bool reopened = false;
    };
    bool OnQuiet(DWORD quietMs, bool firstBlockPending, StartWatch& start);

    DWORD m_dwCaptureThreadId = 0;
    HANDLE m_hCaptureThread = nullptr;
    IDirectSoundCapture* m_pDSCapture = nullptr;
    IDirectSoundCaptureBuffer* m_pDSCaptureBuffer = nullptr;
    IDirectSoundNotify* m_pDSNotify = nullptr;
    DSBPOSITIONNOTIFY m_aPosNotify[kNotifyCount + 1] = {};
    GUID m_guidCaptureDevice = {};
    DWORD m_dwCaptureBufferSize = 0;
    DWORD m_dwNextCaptureOffset = 0;
    DWORD m_dwStartCapturePosition = 0; // where the capture position stood at the start
    DWORD m_dwNotifySize = 0;
    HANDLE m_hNotificationEvent = nullptr;
    HANDLE m_hStopEvent = nullptr;

    // The capture thread holds this around each copy out of the ring; the
    // user-interface thread around each change or release of the buffer. So
    // a read never touches a released buffer, and a stop waits for at most
    // one copy.
    SRWLOCK m_bufferLock = SRWLOCK_INIT;
    // What the capture thread shares with the device; it outlives a device
    // that had to leave a stuck thread behind.
    ThreadShare* m_pShare = nullptr;
    ICaptureProbe* m_pProbe = nullptr;
    const ProcessingLibraryTable* m_pLibraries = nullptr;
    const AppSettings* m_pSwitches = nullptr;
    CaptureFaultSink m_faultSink;
    std::atomic<bool> m_faultReported{false};
};
