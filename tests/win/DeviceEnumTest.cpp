// The enumeration callback that fills both device lists, called as
// DirectSound calls it, on a list of the test's own.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ui/AudioCaptureDlg.h"
#include "ui/DeviceGuidTable.h"

namespace {

class DeviceEnumTest : public ::testing::Test {
  protected:
    void SetUp() override {
        g_DeviceGuidTable.Reset();
        list = CreateWindowA("COMBOBOX", "", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 200, 200, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(list, nullptr);
    }
    void TearDown() override {
        DestroyWindow(list);
        g_DeviceGuidTable.Reset();
    }
    // A device with its own GUID (numbered by `n`), or the default entry.
    BOOL Offer(const char* description, int n, bool defaultEntry = false) {
        GUID guid = {0x5EED0000u + static_cast<unsigned>(n), 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
        return CAudioCaptureDlg::DeviceEnumCallback(defaultEntry ? nullptr : &guid, description,
                                                    "module", list);
    }
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (int i = 0; i < SendMessageA(list, CB_GETCOUNT, 0, 0); ++i) {
            char buf[256] = {};
            SendMessageA(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
            texts.push_back(buf);
        }
        return texts;
    }
    // The first 32 bits of the GUID that entry `i`'s item data points at.
    unsigned long GuidOf(int i) {
        return reinterpret_cast<const GUID*>(SendMessageA(list, CB_GETITEMDATA, i, 0))->Data1;
    }
    HWND list = nullptr;
};

TEST_F(DeviceEnumTest, EqualAndPrefixedDescriptionsAreNumberedTheDefaultAndTheDriverLeftOut) {
    const char* offered[] = {"Mic Array",  "Mic",
                             "Microphone", "Primary Sound Driver",
                             "Microphone", "HSH Virtual Microphone",
                             "MICROPHONE", "Hsh lower"};
    for (int n = 0; n < 8; ++n)
        EXPECT_TRUE(Offer(offered[n], n, n == 3)) << "the enumeration must go on";
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Mic Array", "Mic (1)", "Microphone",
                                                 "Microphone (1)", "MICROPHONE (2)", "Hsh lower"}));
    // Each entry points at its own device's identifier.
    const unsigned long devices[] = {0, 1, 2, 4, 6, 7};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(GuidOf(i), 0x5EED0000u + devices[i]) << i;
    EXPECT_EQ(g_DeviceGuidTable.Count(), 6);
}

TEST_F(DeviceEnumTest, TwentyDevicesFillTheTableLaterOnesAreLeftOut) {
    for (int n = 0; n < 23; ++n)
        EXPECT_TRUE(Offer(("Line " + std::string(1, static_cast<char>('A' + n))).c_str(), n));
    ASSERT_EQ(Texts().size(), 20u);
    EXPECT_EQ(Texts().back(), "Line T");
    EXPECT_EQ(GuidOf(19), 0x5EED0000u + 19);
}

} // namespace
