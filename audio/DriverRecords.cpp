#include "DriverRecords.h"

#include <cstdio>

namespace driver_records {

DriverEventRecord MakeRegisterRecord(int index, uintptr_t eventHandle) {
    return DriverEventRecord{static_cast<uint32_t>(index), static_cast<uint32_t>(eventHandle)};
}

DriverEventRecord MakeUnregisterRecord(int index) {
    return DriverEventRecord{static_cast<uint32_t>(index), 0};
}

void FormatEventName(int index, char* buf, size_t size) {
    std::snprintf(buf, size, VAD_EVENT_NAME_FORMAT, index);
}

} // namespace driver_records
