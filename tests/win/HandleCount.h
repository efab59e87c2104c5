// The number of handles this process holds. Wine's GetProcessHandleCount
// always answers 0, so the system-wide handle list is counted instead.
#pragma once

int CountOwnHandles();
