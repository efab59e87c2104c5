#include "DriverLink.h"

#include "DriverRecords.h"

bool DriverLink::Open() {
    m_hDevice = CreateFileA(VAD_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    return m_hDevice != INVALID_HANDLE_VALUE;
}

bool DriverLink::Close() {
    if (m_hDevice != INVALID_HANDLE_VALUE) {
        CloseHandle(m_hDevice);
        m_hDevice = INVALID_HANDLE_VALUE;
    }
    // Events the driver never took back: a later run must get fresh ones.
    for (HANDLE& event : m_hEvents) {
        if (event)
            CloseHandle(event);
        event = nullptr;
    }
    return true;
}

bool DriverLink::SendEventRecord(DWORD code, const DriverEventRecord& record) {
    DWORD returned = 0;
    DriverEventRecord input = record;
    return DeviceIoControl(m_hDevice, code, &input, sizeof(input), nullptr, 0, &returned,
                           nullptr) != FALSE;
}

bool DriverLink::RegisterEvent(int index) {
    char name[128];
    driver_records::FormatEventName(index, name, sizeof(name));
    m_hEvents[index] = CreateEventA(nullptr, FALSE, FALSE, name);
    if (!m_hEvents[index])
        return false;
    // The name may have existed already (ERROR_ALREADY_EXISTS), possibly as a
    // manual-reset event left signalled: it starts unsignalled like a new one.
    ResetEvent(m_hEvents[index]);
    auto record =
        driver_records::MakeRegisterRecord(index, reinterpret_cast<uintptr_t>(m_hEvents[index]));
    // Not open: the request fails and this same path is taken.
    if (!SendEventRecord(IOCTL_VAD_REGISTER_EVENT, record)) {
        CloseHandle(m_hEvents[index]);
        m_hEvents[index] = nullptr;
        return false;
    }
    return true;
}

bool DriverLink::UnregisterEvent(int index) {
    bool ok =
        SendEventRecord(IOCTL_VAD_UNREGISTER_EVENT, driver_records::MakeUnregisterRecord(index));
    if (m_hEvents[index])
        CloseHandle(m_hEvents[index]);
    m_hEvents[index] = nullptr;
    return ok;
}

DWORD DriverLink::SendAudio(const void* block, DWORD length) {
    DWORD returned = 0;
    if (m_hDevice == INVALID_HANDLE_VALUE ||
        !DeviceIoControl(m_hDevice, IOCTL_VAD_WRITE_AUDIO, const_cast<void*>(block), length,
                         nullptr, 0, &returned, nullptr)) {
        m_failedBytes = m_failedBytes + length;
        return 0;
    }
    m_failedBytes = 0;
    return returned;
}

int DriverLink::QueryState() {
    int32_t state = -1;
    if (m_hDevice == INVALID_HANDLE_VALUE)
        return -1;
    DWORD returned = 0;
    if (!DeviceIoControl(m_hDevice, IOCTL_VAD_GET_STATE, nullptr, 0, &state, sizeof(state),
                         &returned, nullptr))
        return -1;
    return state;
}
