// Runs this thread's message loop for a while, as the user-interface thread
// would, calling `onIdle` between passes (for example to read the driver).
#pragma once

#include <windows.h>

#include <functional>

// Pumps until `done` returns true or `timeoutMs` pass; returns done().
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs,
               const std::function<void()>& onIdle = {});
void PumpFor(DWORD ms, const std::function<void()>& onIdle = {});
