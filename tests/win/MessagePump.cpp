#include "MessagePump.h"

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs,
               const std::function<void()>& onIdle) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs)
            return done();
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (onIdle)
            onIdle();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void PumpFor(DWORD ms, const std::function<void()>& onIdle) {
    const DWORD start = GetTickCount();
    PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000, onIdle);
}
