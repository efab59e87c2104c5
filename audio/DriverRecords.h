// Building the driver protocol's records, kept free of Windows so it is
// checked natively byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "DriverProtocol.h"

namespace driver_records {

// The register record carries the handle's value in 32 bits; handle values of
// a 64-bit process fit there too (the system keeps them below 2^32).
DriverEventRecord MakeRegisterRecord(int index, uintptr_t eventHandle);
DriverEventRecord MakeUnregisterRecord(int index);

// "EventHandle[i]" into buf (the program uses a 128-character buffer).
void FormatEventName(int index, char* buf, size_t size);

} // namespace driver_records
