// The program's only access to the HSH Audio Driver: its control device and
// the six named events through which the driver signals the program.
#pragma once

#include <windows.h>

#include <atomic>

#include "DriverProtocol.h"

class DriverLink {
  public:
    DriverLink() = default;
    ~DriverLink() { Close(); }
    DriverLink(const DriverLink&) = delete;
    DriverLink& operator=(const DriverLink&) = delete;

    bool Open();
    bool Close();
    bool RegisterEvent(int index);
    bool UnregisterEvent(int index);
    // Called by the capture thread only.
    DWORD SendAudio(const void* block, DWORD length);
    // Bytes of the writes that failed since the last one that went through.
    DWORD FailedBytesInARow() const { return m_failedBytes; }
    int QueryState();

    // The six slots in index order, for one WaitForMultipleObjects.
    const HANDLE* GetEventSlots() const { return m_hEvents; }
    HANDLE GetEvent(int index) const { return m_hEvents[index]; }

  private:
    bool SendEventRecord(DWORD code, const DriverEventRecord& record);

    // Null until RegisterEvent fills them; Close() closes what is still open.
    HANDLE m_hEvents[VAD_EVENT_COUNT] = {};
    HANDLE m_hDevice = INVALID_HANDLE_VALUE;
    std::atomic<DWORD> m_failedBytes{0};
};
