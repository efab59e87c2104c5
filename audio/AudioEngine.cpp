#include "AudioEngine.h"

#include "DSCaptureDevice.h"
#include "DriverLink.h"

AudioEngine::AudioEngine(const AudioEngineConfig& config) {
    m_stop = 0;
    m_pDriverLink = new DriverLink();
    m_pDriverLink->Open(); // a driver that is not there shows when registering
    m_pCaptureDevice = new CDSCaptureDevice();
    m_pCaptureDevice->SetDriverLink(m_pDriverLink);
    m_pCaptureDevice->SetProcessing(config.libraries, config.switches);
    m_pCaptureDevice->SetFaultSink(config.faults);
    m_pCaptureDevice->OpenDevice(config.captureGuid);
    m_hEventThread = nullptr;
}

bool AudioEngine::Start() {
    if (!RegisterDriverEvents()) {
        Shutdown();
        return false;
    }
    StartEventThread();
    return true;
}

bool AudioEngine::Stop() {
    StopEventThread();
    const bool unregistered = UnregisterDriverEvents();
    Shutdown();
    return unregistered;
}

bool AudioEngine::RegisterDriverEvents() {
    if (!m_pDriverLink)
        return false;
    for (int i = 0; i < VAD_EVENT_COUNT; ++i)
        if (!m_pDriverLink->RegisterEvent(i))
            return false;
    return true;
}

void AudioEngine::StartEventThread() {
    m_hEventThread = CreateThread(nullptr, 0, EventThreadProc, this, 0, &m_dwEventThreadId);
    if (m_hEventThread) {
        SetThreadPriority(m_hEventThread, THREAD_PRIORITY_HIGHEST);
        SetThreadPriorityBoost(m_hEventThread, TRUE);
    }
    if (m_pDriverLink->QueryState() == VAD_STATE_AUDIO_WANTED)
        m_pCaptureDevice->PostStartCapture();
}

DWORD WINAPI AudioEngine::EventThreadProc(LPVOID param) {
    auto* self = static_cast<AudioEngine*>(param);
    while (self->m_stop == 0) {
        const HANDLE* slots = self->m_pDriverLink->GetEventSlots();
        DWORD result = WaitForMultipleObjects(VAD_EVENT_COUNT, slots, FALSE, 20);
        // The wait has reset an auto-reset event already; a manual-reset one
        // of the same name would stay signalled and post commands for ever.
        if (result - WAIT_OBJECT_0 < VAD_EVENT_COUNT)
            ResetEvent(slots[result - WAIT_OBJECT_0]);
        self->OnDriverEvent(result);
    }
    return 0;
}

// Events 0 and 1: nobody wants audio any more; event 2: audio is wanted.
// The commands are posted, never sent, so this thread never waits for the
// user-interface thread.
void AudioEngine::OnDriverEvent(DWORD waitResult) {
    switch (waitResult) {
    case WAIT_OBJECT_0 + 0:
    case WAIT_OBJECT_0 + 1:
        m_pCaptureDevice->PostStopCapture();
        break;
    case WAIT_OBJECT_0 + 2:
        m_pCaptureDevice->PostStartCapture();
        break;
    default: // events 3 to 5, time-out, failure
        break;
    }
}

void AudioEngine::StopEventThread() {
    m_stop = 1;
    if (m_hEventThread) {
        WaitForSingleObject(m_hEventThread, INFINITE);
        CloseHandle(m_hEventThread);
        m_hEventThread = nullptr;
    }
}

bool AudioEngine::UnregisterDriverEvents() {
    if (!m_pDriverLink)
        return false;
    // Every slot is closed whatever the driver answers: events left open would
    // come back, perhaps signalled, to the next start.
    bool all = true;
    for (int i = 0; i < VAD_EVENT_COUNT; ++i)
        all = m_pDriverLink->UnregisterEvent(i) && all;
    return all;
}

void AudioEngine::Shutdown() {
    StopEventThread();
    // The device goes first: no audio write may be under way when the
    // driver's handle closes.
    delete m_pCaptureDevice;
    m_pCaptureDevice = nullptr;
    if (m_pDriverLink) {
        m_pDriverLink->Close();
        delete m_pDriverLink;
        m_pDriverLink = nullptr;
    }
}
