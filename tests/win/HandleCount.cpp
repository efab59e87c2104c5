#include "HandleCount.h"

#include <windows.h>
#include <winternl.h>

#include <vector>

namespace {

const auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
const NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

struct HandleEntry {
    ULONG processId;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};

struct HandleList {
    ULONG count;
    HandleEntry entries[1];
};

} // namespace

int CountHandles(DWORD processId) {
    std::vector<BYTE> buffer(1 << 20);
    ULONG needed = 0;
    NTSTATUS status;
    while ((status = NtQuerySystemInformation(kSystemHandleInformation, buffer.data(),
                                              static_cast<ULONG>(buffer.size()), &needed)) ==
           kInfoLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    int count = 0;
    for (ULONG i = 0; i < list->count; ++i)
        count += list->entries[i].processId == processId;
    return count;
}

int CountOwnHandles() {
    // Wine opens the directory of named objects at the first named object a
    // process makes and keeps that handle: make one before the first count,
    // so that a test run alone counts the same as after others.
    static const bool namedOnce = [] {
        CloseHandle(CreateEventA(nullptr, FALSE, FALSE, "CountOwnHandles.first-named-object"));
        return true;
    }();
    (void)namedOnce;
    return CountHandles(GetCurrentProcessId());
}
