// The number of handles this process holds. Wine's GetProcessHandleCount
// always answers 0, so the system-wide handle list is counted instead.
#pragma once

#include <windows.h>

int CountHandles(DWORD processId); // -1 when the list cannot be read
int CountOwnHandles();
