#include "FaultyDirectSound.h"

#include <windows.h>
#include <dsound.h>

#include <atomic>
#include <vector>

#include "audio/DSCaptureDevice.h"

namespace {

std::atomic<int> g_op{-1};
std::atomic<int> g_remaining{0};
std::atomic<int> g_hits{0};

bool ShouldFail(DsOp op) {
    if (g_op != static_cast<int>(op))
        return false;
    int left = g_remaining;
    while (left != 0)
        if (g_remaining.compare_exchange_weak(left, left > 0 ? left - 1 : left)) {
            ++g_hits;
            return true;
        }
    return false;
}

// Counts its own references and holds one on the real object.
template <typename Interface> class Wrapper : public Interface {
  public:
    explicit Wrapper(Interface* real) : m_real(real) {}
    virtual ~Wrapper() { m_real->Release(); }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }

  protected:
    Interface* m_real;

  private:
    std::atomic<ULONG> m_refs{1};
};

class Notify : public Wrapper<IDirectSoundNotify> {
  public:
    Notify(IDirectSoundNotify* real, bool frozen) : Wrapper(real), m_frozen(frozen) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return m_real->QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE SetNotificationPositions(DWORD count,
                                                       LPCDSBPOSITIONNOTIFY positions) override {
        if (!m_frozen && !ShouldFail(DsOp::Stall))
            return m_real->SetNotificationPositions(count, positions);
        static HANDLE never = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        std::vector<DSBPOSITIONNOTIFY> silent(positions, positions + count);
        for (DSBPOSITIONNOTIFY& p : silent)
            p.hEventNotify = never;
        return m_real->SetNotificationPositions(count, silent.data());
    }

  private:
    const bool m_frozen;
};

class Buffer : public Wrapper<IDirectSoundCaptureBuffer> {
  public:
    Buffer(IDirectSoundCaptureBuffer* real, bool frozen) : Wrapper(real), m_frozen(frozen) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!IsEqualGUID(iid, IID_IDirectSoundNotify))
            return m_real->QueryInterface(iid, out);
        IDirectSoundNotify* real = nullptr;
        const HRESULT hr = m_real->QueryInterface(iid, reinterpret_cast<void**>(&real));
        *out = SUCCEEDED(hr) ? new Notify(real, m_frozen) : nullptr;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetCaps(LPDSCBCAPS caps) override { return m_real->GetCaps(caps); }
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LPDWORD capture, LPDWORD read) override {
        if (ShouldFail(DsOp::Position))
            return DSERR_NODRIVER;
        if (!m_frozen)
            return m_real->GetCurrentPosition(capture, read);
        if (!m_positionKept) {
            const HRESULT hr = m_real->GetCurrentPosition(&m_capture, &m_read);
            if (FAILED(hr))
                return hr;
            m_positionKept = true;
        }
        if (capture)
            *capture = m_capture;
        if (read)
            *read = m_read;
        return DS_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFormat(LPWAVEFORMATEX f, DWORD size, LPDWORD written) override {
        return m_real->GetFormat(f, size, written);
    }
    HRESULT STDMETHODCALLTYPE GetStatus(LPDWORD status) override {
        return m_real->GetStatus(status);
    }
    HRESULT STDMETHODCALLTYPE Initialize(LPDIRECTSOUNDCAPTURE c, LPCDSCBUFFERDESC d) override {
        return m_real->Initialize(c, d);
    }
    HRESULT STDMETHODCALLTYPE Lock(DWORD offset, DWORD bytes, LPVOID* p1, LPDWORD n1, LPVOID* p2,
                                   LPDWORD n2, DWORD flags) override {
        return ShouldFail(DsOp::Lock) ? DSERR_NODRIVER
                                      : m_real->Lock(offset, bytes, p1, n1, p2, n2, flags);
    }
    HRESULT STDMETHODCALLTYPE Start(DWORD flags) override {
        return ShouldFail(DsOp::Start) ? DSERR_NODRIVER : m_real->Start(flags);
    }
    HRESULT STDMETHODCALLTYPE Stop() override { return m_real->Stop(); }
    HRESULT STDMETHODCALLTYPE Unlock(LPVOID p1, DWORD n1, LPVOID p2, DWORD n2) override {
        return m_real->Unlock(p1, n1, p2, n2);
    }

  private:
    const bool m_frozen;
    bool m_positionKept = false;
    DWORD m_capture = 0, m_read = 0;
};

class Capture : public Wrapper<IDirectSoundCapture> {
  public:
    using Wrapper::Wrapper;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return m_real->QueryInterface(iid, out);
    }
    HRESULT STDMETHODCALLTYPE CreateCaptureBuffer(LPCDSCBUFFERDESC desc,
                                                  LPDIRECTSOUNDCAPTUREBUFFER* out,
                                                  LPUNKNOWN outer) override {
        if (ShouldFail(DsOp::CreateBuffer))
            return DSERR_NODRIVER;
        IDirectSoundCaptureBuffer* real = nullptr;
        const HRESULT hr = m_real->CreateCaptureBuffer(desc, &real, outer);
        *out = SUCCEEDED(hr) ? new Buffer(real, ShouldFail(DsOp::Freeze)) : nullptr;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetCaps(LPDSCCAPS caps) override { return m_real->GetCaps(caps); }
    HRESULT STDMETHODCALLTYPE Initialize(LPCGUID guid) override { return m_real->Initialize(guid); }
};

HRESULT WINAPI FaultyCreate(LPCGUID guid, LPDIRECTSOUNDCAPTURE* out, LPUNKNOWN outer) {
    if (ShouldFail(DsOp::Create))
        return DSERR_NODRIVER;
    IDirectSoundCapture* real = nullptr;
    const HRESULT hr = DirectSoundCaptureCreate(guid, &real, outer);
    *out = SUCCEEDED(hr) ? new Capture(real) : nullptr;
    return hr;
}

} // namespace

void InjectDirectSoundFault(DsOp op, int failures) {
    g_hits = 0;
    g_remaining = failures;
    g_op = static_cast<int>(op);
    SetCaptureCreateHook(FaultyCreate);
}

void ClearDirectSoundFault() {
    SetCaptureCreateHook(nullptr);
    g_op = -1;
    g_remaining = 0;
}

int DirectSoundFaultsHit() {
    return g_hits;
}

const char* DsOpName(DsOp op) {
    static const char* const names[] = {"DirectSoundCaptureCreate",
                                        "CreateCaptureBuffer",
                                        "Start",
                                        "GetCurrentPosition",
                                        "Lock",
                                        "stall",
                                        "freeze"};
    return names[static_cast<int>(op)];
}
