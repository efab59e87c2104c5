#include "CaptureDevice.h"

namespace {
const char kClassName[] = "CAPTUREMSG";
const char kWindowName[] = "CAPTUREMSGWND";
} // namespace

CCaptureDevice::CCaptureDevice() : m_pFormat(&m_format) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = NotificationWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    // From the second device on the class exists already; that failure is fine.
    RegisterClassExA(&wc);

    m_hNotifyWnd = CreateWindowExA(0, kClassName, kWindowName, WS_POPUP, 0, 0, 0, 0, nullptr,
                                   nullptr, GetModuleHandleA(nullptr), nullptr);
    if (m_hNotifyWnd) {
        // The window is top-level, so any program can send it a WM_COMMAND:
        // only a command that names this very device is obeyed.
        SetWindowLongPtrA(m_hNotifyWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_format.wFormatTag = WAVE_FORMAT_PCM;
        m_format.nChannels = 1;
        m_format.nSamplesPerSec = 16000;
        m_format.nAvgBytesPerSec = 32000;
        m_format.nBlockAlign = 2;
        m_format.wBitsPerSample = 16;
        m_format.cbSize = 0;
    }
}

CCaptureDevice::~CCaptureDevice() {
    m_initialised = 0;
    m_state = Stopped;
    // Commands still queued for this window die with it.
    if (m_hNotifyWnd) {
        SetWindowLongPtrA(m_hNotifyWnd, GWLP_USERDATA, 0);
        DestroyWindow(m_hNotifyWnd);
    }
    m_hNotifyWnd = nullptr;
}

BOOL CCaptureDevice::PostStartCapture() {
    return PostCommand(kStartCapture);
}

BOOL CCaptureDevice::PostStopCapture() {
    return PostCommand(kStopCapture);
}

BOOL CCaptureDevice::PostCommand(CaptureCommand command) {
    return PostMessageA(m_hNotifyWnd, WM_COMMAND, command, reinterpret_cast<LPARAM>(this));
}

LRESULT CALLBACK CCaptureDevice::NotificationWndProc(HWND hwnd, UINT msg, WPARAM wParam,
                                                     LPARAM lParam) {
    // The whole wParam is the code: a control notification (high word set)
    // is not a capture command.
    const LONG_PTR owner = GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    if (msg == WM_COMMAND && wParam <= kStopCapture && owner != 0 && lParam == owner) {
        auto* device = reinterpret_cast<CCaptureDevice*>(lParam);
        switch (wParam) {
        case kStartCapture:
            device->StartCapture();
            break;
        case kPauseCapture:
            device->PauseCapture();
            break;
        default:
            device->StopCapture();
            break;
        }
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
