#include "DSCaptureDevice.h"

#include "CaptureRing.h"
#include "DriverLink.h"
#include "ProcessingLibraryTable.h"
#include "settings/AppSettings.h"

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

} // namespace

CDSCaptureDevice::CDSCaptureDevice() = default;

CDSCaptureDevice::~CDSCaptureDevice() {
    CloseDevice();
}

int CDSCaptureDevice::OpenDevice(const GUID& guid) {
    m_guidCaptureDevice = guid;
    CloseDevice();
    return InitDevice();
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
    if (FAILED(DirectSoundCaptureCreate(&m_guidCaptureDevice, &m_pDSCapture, nullptr))) {
        OutputDebugStringA("CDSCaptureDevice:DirectSoundCaptureCreate FAILED\n");
        return 0;
    }
    m_hCaptureThread = CreateThread(nullptr, 0, CaptureThreadProc, this, 0, &m_dwCaptureThreadId);
    if (!m_hCaptureThread) {
        OutputDebugStringA("CDSCaptureDevice:Can't create Capture thread\n");
        CloseDevice();
        return 0;
    }
    SetThreadPriority(m_hCaptureThread, THREAD_PRIORITY_HIGHEST);
    SetThreadPriorityBoost(m_hCaptureThread, TRUE);
    m_initialised = 1;
    return 1;
}

int CDSCaptureDevice::CloseDevice() {
    if (m_hCaptureThread) {
        if (m_hStopEvent)
            SetEvent(m_hStopEvent);
        WaitForSingleObject(m_hCaptureThread, INFINITE);
        CloseAndClear(m_hCaptureThread);
    }
    CloseAndClear(m_hNotificationEvent);
    CloseAndClear(m_hStopEvent);
    ReleaseBuffer(); // the thread has ended: nobody reads any more
    ReleaseInterface(m_pDSCapture);
    m_initialised = 0;
    return 1;
}

void CDSCaptureDevice::ReleaseBuffer() {
    ReleaseInterface(m_pDSNotify);
    ReleaseInterface(m_pDSCaptureBuffer);
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
        return 0;
    }
    BufferLockGuard guard(m_bufferLock);
    if (FAILED(m_pDSCaptureBuffer->Start(DSCBSTART_LOOPING))) {
        OutputDebugStringA("CDSCaptureDevice: Start Failed\n");
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
        readPosition = 0;
    m_dwNextCaptureOffset = FirstReadOffset(readPosition, m_dwNotifySize, m_dwCaptureBufferSize);
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
    const HANDLE events[2] = {self->m_hNotificationEvent, self->m_hStopEvent};
    // The first two notifications after capture begins are not read, so the
    // first read takes about three blocks at once.
    int skip = 3;
    for (;;) {
        DWORD result = WaitForMultipleObjects(2, events, FALSE, 50);
        if (result == WAIT_OBJECT_0 + 1)
            return 0;
        if (result == WAIT_OBJECT_0 && self->m_state == Capturing) {
            if (--skip > 0)
                continue;
            skip = 0;
            if (FAILED(self->ReadIfCapturing()))
                return 0;
        }
        if (self->m_state != Capturing)
            skip = 3;
    }
}

HRESULT CDSCaptureDevice::ReadIfCapturing() {
    BufferLockGuard guard(m_bufferLock);
    // The state may have changed while this thread waited for the lock.
    if (m_state != Capturing)
        return S_OK;
    if (m_pProbe)
        m_pProbe->OnNotification();
    return RecordCapturedData();
}

HRESULT CDSCaptureDevice::RecordCapturedData() {
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
    if (plan.size == 0)
        return S_OK;

    void *first = nullptr, *second = nullptr;
    DWORD firstLength = 0, secondLength = 0;
    hr = m_pDSCaptureBuffer->Lock(m_dwNextCaptureOffset, plan.size, &first, &firstLength, &second,
                                  &secondLength, 0);
    if (FAILED(hr)) {
        OutputDebugStringA("Lock FAILED\n");
        return hr;
    }
    ProcessCapturedBlock(static_cast<unsigned char*>(first), firstLength);
    m_dwNextCaptureOffset = (m_dwNextCaptureOffset + firstLength) % m_dwCaptureBufferSize;
    if (second) {
        ProcessCapturedBlock(static_cast<unsigned char*>(second), secondLength);
        m_dwNextCaptureOffset = (m_dwNextCaptureOffset + secondLength) % m_dwCaptureBufferSize;
    }
    m_pDSCaptureBuffer->Unlock(first, firstLength, second, secondLength);
    return S_OK;
}

void CDSCaptureDevice::ProcessCapturedBlock(unsigned char* data, DWORD bytes) {
    if (m_pLibraries && m_pSwitches) {
        ProcessAudioDataFn process =
            m_pLibraries->GetInputEntry(m_pSwitches->GetInputNoiseCancellation());
        if (process) {
            unsigned char* outBlock = nullptr;
            int outLength = 0;
            process(data, static_cast<int>(bytes), &outBlock, &outLength,
                    static_cast<uint16_t>(m_pFormat->nSamplesPerSec), m_pFormat->nChannels, 0);
        }
    }
    if (m_pDriverLink)
        m_pDriverLink->SendAudio(data, bytes);
    if (m_pProbe)
        m_pProbe->OnBlockSent(data, bytes);
}
