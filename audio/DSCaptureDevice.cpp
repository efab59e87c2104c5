#include "DSCaptureDevice.h"

#include "CaptureRing.h"
#include "DriverLink.h"
#include "QuietCapture.h"
#include "ProcessingLibraryTable.h"
#include "settings/AppSettings.h"

#include <vector>

#if defined(_WIN32) && !defined(_WIN64)
// The full structure with the effect fields; the only size the system takes
// besides the short one.
static_assert(sizeof(DSCBUFFERDESC) == 28, "DSCBUFFERDESC must be 28 bytes on 32-bit Windows");
#endif

namespace {

class BufferLockGuard {
  public:
    explicit BufferLockGuard(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
    ~BufferLockGuard() { ReleaseSRWLockExclusive(&m_lock); }
    BufferLockGuard(const BufferLockGuard&) = delete;
    BufferLockGuard& operator=(const BufferLockGuard&) = delete;

  private:
    SRWLOCK& m_lock;
};

template <typename T> void ReleaseInterface(T*& p) {
    if (p)
        p->Release();
    p = nullptr;
}

void CloseAndClear(HANDLE& h) {
    if (h)
        CloseHandle(h);
    h = nullptr;
}

CaptureCreateFn g_captureCreate = nullptr;

// A read that the capture thread may no longer hand on: its device has gone.
constexpr HRESULT kDeviceAbandoned = static_cast<HRESULT>(0x80040301L);

} // namespace

void SetCaptureCreateHook(CaptureCreateFn create) {
    g_captureCreate = create;
}

// Shared by the device and its capture thread; the last of the two to let go
// deletes it. Once `abandoned` is set (under sendLock) the thread touches
// nothing of the device again.
struct CDSCaptureDevice::ThreadShare {
    std::atomic<int> refs{2};
    SRWLOCK sendLock = SRWLOCK_INIT;
    bool abandoned = false;
    std::vector<unsigned char> frames; // one read, copied out of the ring
    DWORD firstLength = 0, secondLength = 0;

    static void Release(ThreadShare* share) {
        if (share->refs.fetch_sub(1) == 1)
            delete share;
    }
};

CDSCaptureDevice::CDSCaptureDevice() = default;

CDSCaptureDevice::~CDSCaptureDevice() {
    CloseDevice();
}

int CDSCaptureDevice::OpenDevice(const GUID& guid) {
    m_guidCaptureDevice = guid;
    CloseDevice();
    const int opened = InitDevice();
    if (!opened)
        ReportFault(kCaptureDeviceFailed);
    return opened;
}

int CDSCaptureDevice::InitDevice() {
    ZeroMemory(m_aPosNotify, sizeof(m_aPosNotify));
    m_hNotificationEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_hStopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    // Without its stop event the capture thread could never be ended.
    if (!m_hNotificationEvent || !m_hStopEvent) {
        OutputDebugStringA("CDSCaptureDevice:Can't create Capture thread\n");
        CloseDevice();
        return 0;
    }
    if (FAILED(CreateCapture())) {
        OutputDebugStringA("CDSCaptureDevice:DirectSoundCaptureCreate FAILED\n");
        return 0;
    }
    m_pShare = new ThreadShare();
    m_pShare->frames.resize(m_pFormat->nAvgBytesPerSec); // the whole ring, once
    m_hCaptureThread = CreateThread(nullptr, 0, CaptureThreadProc, this, 0, &m_dwCaptureThreadId);
    if (!m_hCaptureThread) {
        OutputDebugStringA("CDSCaptureDevice:Can't create Capture thread\n");
        ThreadShare::Release(m_pShare); // the thread's reference
        CloseDevice();
        return 0;
    }
    SetThreadPriority(m_hCaptureThread, THREAD_PRIORITY_HIGHEST);
    SetThreadPriorityBoost(m_hCaptureThread, TRUE);
    m_initialised = 1;
    return 1;
}

HRESULT CDSCaptureDevice::CreateCapture() {
    CaptureCreateFn create = g_captureCreate ? g_captureCreate : DirectSoundCaptureCreate;
    return create(&m_guidCaptureDevice, &m_pDSCapture, nullptr);
}

// A thread stuck in the library is left behind after a while: it finds its
// device abandoned when the call returns and ends without touching it.
void CDSCaptureDevice::EndCaptureThread() {
    if (m_hCaptureThread) {
        if (m_hStopEvent)
            SetEvent(m_hStopEvent);
        if (WaitForSingleObject(m_hCaptureThread, kThreadEndWaitMs) != WAIT_OBJECT_0) {
            OutputDebugStringA("CDSCaptureDevice: capture thread left behind\n");
            AcquireSRWLockExclusive(&m_pShare->sendLock);
            m_pShare->abandoned = true;
            ReleaseSRWLockExclusive(&m_pShare->sendLock);
        }
        CloseAndClear(m_hCaptureThread);
    }
    if (m_pShare)
        ThreadShare::Release(m_pShare);
    m_pShare = nullptr;
}

int CDSCaptureDevice::CloseDevice() {
    EndCaptureThread();
    CloseAndClear(m_hNotificationEvent);
    CloseAndClear(m_hStopEvent);
    ReleaseBuffer(); // the thread has ended or let go: nobody reads any more
    ReleaseInterface(m_pDSCapture);
    m_initialised = 0;
    return 1;
}

void CDSCaptureDevice::ReleaseBuffer() {
    ReleaseInterface(m_pDSNotify);
    ReleaseInterface(m_pDSCaptureBuffer);
}

void CDSCaptureDevice::ReportFault(CaptureFault fault) {
    if (m_faultSink.window && !m_faultReported.exchange(true))
        PostMessageA(m_faultSink.window, m_faultSink.message, fault, m_faultSink.cookie);
}

int CDSCaptureDevice::StartCapture() {
    if (!m_initialised)
        return 0;
    if (m_state == Capturing)
        return 1;
    HRESULT hr;
    {
        BufferLockGuard guard(m_bufferLock);
        m_dwCaptureBufferSize = 0;
        m_dwNotifySize = 0;
        hr = CreateCaptureBuffer(m_pFormat);
    }
    if (FAILED(hr)) {
        OutputDebugStringA("CDSCaptureDevice: Failed to CreateCaptureBuffer\n");
        CloseDevice();
        ReportFault(kCaptureDeviceFailed);
        return 0;
    }
    BufferLockGuard guard(m_bufferLock);
    if (FAILED(m_pDSCaptureBuffer->Start(DSCBSTART_LOOPING))) {
        OutputDebugStringA("CDSCaptureDevice: Start Failed\n");
        ReportFault(kCaptureDeviceFailed);
        return 0;
    }
    StartReadingAtCapturePosition();
    m_state = Capturing;
    return 1;
}
// A new buffer has captured nothing yet: reading on from the old buffer's
// offset would hand on up to a second of audio that was never captured. The
// first read starts where the new buffer's capture begins: at 0 where a new
// buffer starts at the beginning of its ring, and further on where the
// system carries the old position over (Wine does), rounded up to a whole
// frame so that every region handed on stays whole frames.
void CDSCaptureDevice::StartReadingAtCapturePosition() {
    DWORD capturePosition = 0, readPosition = 0;
    if (FAILED(m_pDSCaptureBuffer->GetCurrentPosition(&capturePosition, &readPosition)))
        capturePosition = readPosition = 0;
    m_dwStartCapturePosition = capturePosition;
    m_dwNextCaptureOffset = FirstReadOffset(readPosition, m_dwNotifySize, m_dwCaptureBufferSize);
}

// Capture thread, buffer lock held.
HRESULT CDSCaptureDevice::CapturePositionMoved(bool& moved) {
    DWORD capturePosition = 0, readPosition = 0;
    if (!m_pDSCaptureBuffer)
        return E_FAIL;
    const HRESULT hr = m_pDSCaptureBuffer->GetCurrentPosition(&capturePosition, &readPosition);
    moved = SUCCEEDED(hr) && capturePosition != m_dwStartCapturePosition;
    return hr;
}

// Capture thread, buffer lock held, capturing: the device and its buffer
// made anew and started, as StartCapture does.
HRESULT CDSCaptureDevice::ReopenAndRestart() {
    if (m_pDSCaptureBuffer)
        m_pDSCaptureBuffer->Stop();
    ReleaseBuffer();
    ReleaseInterface(m_pDSCapture);
    HRESULT hr = CreateCapture();
    if (SUCCEEDED(hr))
        hr = CreateCaptureBuffer(m_pFormat);
    if (SUCCEEDED(hr))
        hr = m_pDSCaptureBuffer->Start(DSCBSTART_LOOPING);
    if (SUCCEEDED(hr))
        StartReadingAtCapturePosition();
    return hr;
}

int CDSCaptureDevice::PauseCapture() {
    if (!m_initialised || m_state == Paused)
        return 0;
    BufferLockGuard guard(m_bufferLock);
    if (m_state == Capturing && m_pDSCaptureBuffer)
        m_pDSCaptureBuffer->Stop();
    m_state = Paused;
    return 1;
}

int CDSCaptureDevice::StopCapture() {
    if (m_state == Stopped || !m_initialised)
        return 0;
    BufferLockGuard guard(m_bufferLock);
    if (m_state == Capturing && m_pDSCaptureBuffer && FAILED(m_pDSCaptureBuffer->Stop()))
        OutputDebugStringA("CDSCaptureDevice: Stop failed\n");
    m_state = Stopped;
    ReleaseBuffer();
    return 1;
}

HRESULT CDSCaptureDevice::CreateCaptureBuffer(WAVEFORMATEX* format) {
    ReleaseBuffer();
    if (!m_pDSCapture) // a fresh open after a stuck start failed
        return E_FAIL;
    if (!format || format->nAvgBytesPerSec == 0) {
        OutputDebugStringA("CDSCaptureDevice:: WAVEFormat is INVALID\n");
        return E_INVALIDARG;
    }
    m_dwNotifySize = format->nAvgBytesPerSec / kNotifyCount;
    m_dwCaptureBufferSize = m_dwNotifySize * kNotifyCount;

    DSCBUFFERDESC desc = {};
    desc.dwSize = sizeof(DSCBUFFERDESC);
    desc.dwFlags = 0;
    desc.dwBufferBytes = m_dwCaptureBufferSize;
    desc.lpwfxFormat = format;
    HRESULT hr = m_pDSCapture->CreateCaptureBuffer(&desc, &m_pDSCaptureBuffer, nullptr);
    if (FAILED(hr)) {
        OutputDebugStringA("CDSCaptureDevice:: CreateCaptureBuffer FAILED");
        return hr;
    }
    hr = InitNotifications();
    if (FAILED(hr)) {
        ReleaseInterface(m_pDSCaptureBuffer);
        OutputDebugStringA("CDSCaptureDevice:: InitNotifications FAILED");
        return hr;
    }
    return S_OK;
}

HRESULT CDSCaptureDevice::InitNotifications() {
    if (!m_pDSCaptureBuffer)
        return E_FAIL;
    HRESULT hr = m_pDSCaptureBuffer->QueryInterface(IID_IDirectSoundNotify,
                                                    reinterpret_cast<void**>(&m_pDSNotify));
    if (FAILED(hr)) {
        OutputDebugStringA("CDSCaptureDevice: QueryInterface FAILED");
        return hr;
    }
    for (int i = 0; i < kNotifyCount; ++i) {
        m_aPosNotify[i].dwOffset = m_dwNotifySize * (i + 1) - 1;
        m_aPosNotify[i].hEventNotify = m_hNotificationEvent;
    }
    hr = m_pDSNotify->SetNotificationPositions(kNotifyCount, m_aPosNotify);
    if (FAILED(hr))
        OutputDebugStringA("CDSCaptureDevice: SetNotificationPositions FAILED");
    return hr;
}

DWORD WINAPI CDSCaptureDevice::CaptureThreadProc(LPVOID param) {
    auto* self = static_cast<CDSCaptureDevice*>(param);
    ThreadShare* share = self->m_pShare;
    const DWORD result = self->RunCaptureThread(*share);
    ThreadShare::Release(share);
    return result;
}

DWORD CDSCaptureDevice::RunCaptureThread(ThreadShare& share) {
    const HANDLE events[2] = {m_hNotificationEvent, m_hStopEvent};
    // The first two notifications after capture begins are not read, so the
    // first read takes about three blocks at once.
    constexpr int kNotYetNotified = 3;
    int skip = kNotYetNotified;
    StartWatch start;
    DWORD lastNotification = GetTickCount();
    for (;;) {
        DWORD result = WaitForMultipleObjects(2, events, FALSE, 50);
        if (result == WAIT_OBJECT_0 + 1)
            return 0;
        if (m_state != Capturing) {
            skip = kNotYetNotified;
            start = StartWatch();
            lastNotification = GetTickCount();
            continue;
        }
        if (result != WAIT_OBJECT_0) {
            if (OnQuiet(GetTickCount() - lastNotification, skip == kNotYetNotified, start))
                lastNotification = GetTickCount();
            continue;
        }
        lastNotification = GetTickCount();
        if (--skip > 0)
            continue;
        skip = 0;
        const HRESULT hr = ReadIfCapturing(share);
        if (hr == kDeviceAbandoned)
            return 0;
        if (FAILED(hr)) {
            ReportFault(kCaptureDeviceFailed);
            return 0;
        }
    }
}

// Capturing, yet DirectSound has not notified for quietMs. True when the
// device was opened afresh (its clock starts again). The position is looked
// at every time until it is seen to move: it may come round to where it
// started once the ring is full.
bool CDSCaptureDevice::OnQuiet(DWORD quietMs, bool firstBlockPending, StartWatch& start) {
    if (firstBlockPending && !start.reopened && !start.positionMoved) {
        BufferLockGuard guard(m_bufferLock);
        if (m_state == Capturing && FAILED(CapturePositionMoved(start.positionMoved))) {
            ReportFault(kCaptureDeviceFailed); // as a read would
            return false;
        }
    }
    QuietCapture quiet;
    quiet.quietMs = quietMs;
    quiet.firstBlockPending = firstBlockPending;
    quiet.positionMoved = start.positionMoved;
    quiet.reopened = start.reopened;
    switch (JudgeQuietCapture(quiet)) {
    case QuietVerdict::Wait:
        return false;
    case QuietVerdict::Fault:
        ReportFault(kCaptureDeviceFailed);
        return false;
    case QuietVerdict::Reopen:
        break;
    }
    start.reopened = true;
    BufferLockGuard guard(m_bufferLock);
    if (m_state != Capturing) // stopped while this thread waited for the lock
        return true;
    OutputDebugStringA("CDSCaptureDevice: capture never began; opening the device afresh\n");
    if (FAILED(ReopenAndRestart()))
        ReportFault(kCaptureDeviceFailed);
    return true;
}

HRESULT CDSCaptureDevice::ReadIfCapturing(ThreadShare& share) {
    {
        BufferLockGuard guard(m_bufferLock);
        // The state may have changed while this thread waited for the lock.
        if (m_state != Capturing)
            return S_OK;
        if (m_pProbe)
            m_pProbe->OnNotification();
        const HRESULT hr = RecordCapturedData(share);
        if (FAILED(hr) || share.firstLength == 0)
            return hr;
    }
    unsigned char* frames = share.frames.data();
    if (!ProcessAndSend(share, frames, share.firstLength))
        return kDeviceAbandoned;
    if (share.secondLength &&
        !ProcessAndSend(share, frames + share.firstLength, share.secondLength))
        return kDeviceAbandoned;
    return S_OK;
}

// Copies what is ready out of the ring into the thread's own buffer.
HRESULT CDSCaptureDevice::RecordCapturedData(ThreadShare& share) {
    share.firstLength = share.secondLength = 0;
    if (!m_pDSCaptureBuffer)
        return E_FAIL;
    DWORD capturePosition = 0, readPosition = 0;
    HRESULT hr = m_pDSCaptureBuffer->GetCurrentPosition(&capturePosition, &readPosition);
    if (FAILED(hr)) {
        OutputDebugStringA("CDSCaptureDevice: GetCurrentPosition FAILED");
        return hr;
    }
    const CaptureReadPlan plan =
        PlanCaptureRead(m_dwNextCaptureOffset, capturePosition, readPosition, m_dwCaptureBufferSize,
                        m_dwNotifySize);
    if (plan.overlap)
        OutputDebugStringA("RecordCapturedData: HAVE OVERLAP! \r\n");
    if (plan.size == 0 || plan.size > share.frames.size())
        return S_OK;

    void *first = nullptr, *second = nullptr;
    DWORD firstLength = 0, secondLength = 0;
    hr = m_pDSCaptureBuffer->Lock(m_dwNextCaptureOffset, plan.size, &first, &firstLength, &second,
                                  &secondLength, 0);
    if (FAILED(hr)) {
        OutputDebugStringA("Lock FAILED\n");
        return hr;
    }
    if (!second)
        secondLength = 0;
    if (firstLength + secondLength <= share.frames.size()) {
        CopyMemory(share.frames.data(), first, firstLength);
        if (secondLength)
            CopyMemory(share.frames.data() + firstLength, second, secondLength);
        share.firstLength = firstLength;
        share.secondLength = secondLength;
        m_dwNextCaptureOffset =
            (m_dwNextCaptureOffset + firstLength + secondLength) % m_dwCaptureBufferSize;
    }
    m_pDSCaptureBuffer->Unlock(first, firstLength, second, secondLength);
    return S_OK;
}

// In place through the library slot the switch picks, then to the driver.
// False when the device was abandoned while the library held this thread.
bool CDSCaptureDevice::ProcessAndSend(ThreadShare& share, unsigned char* data, DWORD bytes) {
    if (m_pLibraries && m_pSwitches)
        m_pLibraries->ProcessInput(m_pSwitches->GetInputNoiseCancellation(), data,
                                   static_cast<int>(bytes), m_pFormat->nSamplesPerSec,
                                   m_pFormat->nChannels);
    AcquireSRWLockExclusive(&share.sendLock);
    const bool abandoned = share.abandoned;
    if (!abandoned) {
        if (m_pDriverLink) {
            m_pDriverLink->SendAudio(data, bytes);
            if (m_pDriverLink->FailedBytesInARow() >= m_pFormat->nAvgBytesPerSec)
                ReportFault(kDriverRefusedAudio);
        }
        if (m_pProbe)
            m_pProbe->OnBlockSent(data, bytes);
    }
    ReleaseSRWLockExclusive(&share.sendLock);
    return !abandoned;
}
