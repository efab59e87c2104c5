#include "DeviceGuidTable.h"

DeviceGuidTable g_DeviceGuidTable;

GUID* DeviceGuidTable::Add(const GUID& guid) {
    if (m_count >= kCapacity)
        return nullptr;
    m_entries[m_count] = guid;
    return &m_entries[m_count++];
}
