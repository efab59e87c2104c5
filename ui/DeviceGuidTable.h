// The identifiers behind both device lists: input entries first, then output
// entries, in list order. A list entry's item data points at its GUID here.
#pragma once

#include <windows.h>

class DeviceGuidTable {
  public:
    static constexpr int kCapacity = 20;

    // The stored copy, or null when the table is full.
    GUID* Add(const GUID& guid);
    int Count() const { return m_count; }
    void Reset() { m_count = 0; }

  private:
    GUID m_entries[kCapacity] = {};
    int m_count = 0;
};

extern DeviceGuidTable g_DeviceGuidTable;
