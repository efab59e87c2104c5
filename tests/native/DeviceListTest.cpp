// How the device lists name, find and keep their entries.
#include <gtest/gtest.h>

#include "ui/DeviceChangeRules.h"
#include "ui/DeviceListText.h"

namespace {

using Texts = std::vector<std::string>;

// Builds a list the way the enumeration does.
Texts Listed(const Texts& descriptions) {
    Texts list;
    for (const auto& d : descriptions)
        if (!IsVirtualDriverDevice(d))
            list.push_back(ListTextFor(d, list));
    return list;
}

TEST(DeviceListText, EqualDescriptionsAndPrefixesAreNumbered) {
    EXPECT_EQ(Listed({"Microphone", "Microphone", "Microphone"}),
              (Texts{"Microphone", "Microphone (1)", "Microphone (2)"}));
    EXPECT_EQ(Listed({"Mic Array", "Mic"}), (Texts{"Mic Array", "Mic (1)"}));
    EXPECT_EQ(Listed({"mic array", "MIC"}), (Texts{"mic array", "MIC (1)"})); // case-blind
    EXPECT_EQ(Listed({"Mic", "Mic Array"}), (Texts{"Mic", "Mic Array"}));
    EXPECT_EQ(Listed({"HSH Virtual Mic", "Line In", "xHSHx"}), (Texts{"Line In"}));
    EXPECT_EQ(Listed({"Hsh lowercase"}), (Texts{"Hsh lowercase"})); // the test is case-sensitive
}

TEST(DeviceListText, SavedNameIsLookedUpFromEntryOneOnAndEntryZeroLast) {
    const Texts list = {"USB Headset", "USB Headset (1)", "Line In"};
    EXPECT_EQ(FindByPrefix(list, "USB Headset", 0), 1);
    EXPECT_EQ(FindByPrefix(list, "usb", 0), 1);
    EXPECT_EQ(FindByPrefix(list, "Line", 0), 2);
    EXPECT_EQ(FindByPrefix({"Line In", "USB"}, "Line", 0), 0); // wraps to entry 0
    EXPECT_EQ(FindByPrefix(list, "Speakers", 0), -1);
    EXPECT_EQ(FindByPrefix(list, "", 0), -1);
    EXPECT_EQ(FindByPrefix({}, "USB", 0), -1);
    EXPECT_EQ(FindByPrefix(list, "USB Headset (1) extra", 0), -1);
}

TEST(DeviceChangeRules, AHeadsetIsHandledOnceOnArrivalAndOnceOnRemoval) {
    const uint32_t usb = 0xA5DCBF10;
    using S = DeviceChangeStep;
    EXPECT_EQ(ClassifyDeviceChange(kDbtDeviceArrival, 5, kHidClassFirst32, false), S::Rebuild);
    EXPECT_EQ(ClassifyDeviceChange(kDbtDeviceArrival, 5, usb, false), S::Ignore);
    EXPECT_EQ(ClassifyDeviceChange(kDbtDeviceRemoveComplete, 5, kHidClassFirst32, false),
              S::NoteHidRemoval);
    EXPECT_EQ(ClassifyDeviceChange(kDbtDeviceRemoveComplete, 5, usb, true), S::Rebuild);
    EXPECT_EQ(ClassifyDeviceChange(kDbtDeviceRemoveComplete, 5, usb, false), S::Ignore);
    EXPECT_EQ(ClassifyDeviceChange(kDbtDeviceArrival, 2, kHidClassFirst32, false), S::Ignore);
    EXPECT_EQ(ClassifyDeviceChange(0x0007, 5, kHidClassFirst32, true), S::Ignore);
    // Audio interfaces are gathered coming and going, whatever a HID removal left.
    for (bool pending : {false, true}) {
        EXPECT_EQ(ClassifyDeviceChange(kDbtDeviceArrival, 5, kAudioClassFirst32, pending),
                  S::GatherAudio);
        EXPECT_EQ(ClassifyDeviceChange(kDbtDeviceRemoveComplete, 5, kAudioClassFirst32, pending),
                  S::GatherAudio);
    }
    EXPECT_EQ(ClassifyDeviceChange(kDbtDeviceArrival, 2, kAudioClassFirst32, false), S::Ignore);
}

TEST(DeviceChangeRules, ChoiceAfterARebuild) {
    EXPECT_EQ(ChooseEntryAfterRebuild(3, 5), 3);   // found at a new index
    EXPECT_EQ(ChooseEntryAfterRebuild(-1, 5), 0);  // gone: entry 0
    EXPECT_EQ(ChooseEntryAfterRebuild(-1, 0), -1); // empty list: nothing to read
    EXPECT_EQ(ChooseEntryAfterRebuild(0, 0), -1);
}

} // namespace
