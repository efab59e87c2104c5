// The driver protocol's codes and records, checked against the values the
// driver was built for.
#include <gtest/gtest.h>

#include <cstring>

#include "DriverRecords.h"

using namespace driver_records;

TEST(DriverProtocol, RequestCodesAreBufferedAnyAccessOnAnUnknownDevice) {
    EXPECT_EQ(IOCTL_VAD_REGISTER_EVENT, 0x00222004u);
    EXPECT_EQ(IOCTL_VAD_UNREGISTER_EVENT, 0x00222008u);
    EXPECT_EQ(IOCTL_VAD_WRITE_AUDIO, 0x0022200Cu);
    EXPECT_EQ(IOCTL_VAD_GET_STATE, 0x00222014u);
    EXPECT_EQ(IOCTL_VAD_WRITE_AUDIO, 2236428u);
    EXPECT_STREQ(VAD_DEVICE_PATH, "\\\\.\\HSHVAD");
}

TEST(DriverProtocol, RecordsAreEightLittleEndianBytes) {
    uint8_t bytes[8];
    DriverEventRecord reg = MakeRegisterRecord(3, 0x000001A4u);
    std::memcpy(bytes, &reg, sizeof(bytes));
    const uint8_t expectedRegister[8] = {3, 0, 0, 0, 0xA4, 0x01, 0, 0};
    EXPECT_EQ(0, std::memcmp(bytes, expectedRegister, 8));

    DriverEventRecord unreg = MakeUnregisterRecord(3);
    std::memcpy(bytes, &unreg, sizeof(bytes));
    const uint8_t expectedUnregister[8] = {3, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(bytes, expectedUnregister, 8));
}

TEST(DriverProtocol, EventNamesCarryTheDecimalIndex) {
    char name[128];
    for (int i = 0; i < VAD_EVENT_COUNT; ++i) {
        FormatEventName(i, name, sizeof(name));
        EXPECT_EQ(std::string(name), "EventHandle[" + std::to_string(i) + "]");
    }
}
