// How the device lists name, find and keep their entries.
#include <gtest/gtest.h>

#include "ui/DeviceChangeRules.h"
#include "ui/DeviceListText.h"

namespace {

using Texts = std::vector<std::string>;

// The text a device joins a list under, given what the list holds; the
// enumeration that calls this is tested on a real list under Wine.
TEST(DeviceListText, EqualDescriptionsAndPrefixesAreNumbered) {
    EXPECT_EQ(ListTextFor("Microphone", {}), "Microphone");
    EXPECT_EQ(ListTextFor("Microphone", {"Microphone"}), "Microphone (1)");
    EXPECT_EQ(ListTextFor("Microphone", {"Microphone", "Microphone (1)"}), "Microphone (2)");
    EXPECT_EQ(ListTextFor("Mic", {"Mic Array"}), "Mic (1)");
    EXPECT_EQ(ListTextFor("MIC", {"mic array"}), "MIC (1)"); // case-blind
    EXPECT_EQ(ListTextFor("Mic Array", {"Mic"}), "Mic Array");
    EXPECT_EQ(ListTextFor("Mic", {"Mic", "Mic (1) Pro"}), "Mic (2)"); // a taken prefix
}

TEST(DeviceListText, OnlyTheDriversOwnDevicesAreLeftOut) {
    EXPECT_TRUE(IsVirtualDriverDevice("HSH Virtual Mic"));
    EXPECT_TRUE(IsVirtualDriverDevice("xHSHx"));
    EXPECT_FALSE(IsVirtualDriverDevice("Hsh lowercase")); // the test is case-sensitive
    EXPECT_FALSE(IsVirtualDriverDevice("Line In"));
}

// Around and beyond the length at which a numbered text no longer fits a
// 1,024-byte buffer: the numbering must still end, with whole texts.
TEST(DeviceListText, LongEqualDescriptionsAreNumberedInFull) {
    for (size_t length : {1019u, 1021u, 1022u, 1023u, 1024u, 5000u}) {
        SCOPED_TRACE(length);
        const std::string d(length, 'm');
        EXPECT_EQ(ListTextFor(d, {d}), d + " (1)");
        EXPECT_EQ(ListTextFor(d, {d, d + " (1)"}), d + " (2)");
        EXPECT_EQ(ListTextFor(d + "x", {d}), d + "x");
    }
}

// Two identical webcams are listed as "Microphone (X)" and "Microphone (X) (1)".
TEST(DeviceListText, ASavedNameChoosesTheEqualEntryElseTheFirstThatBeginsWithIt) {
    const Texts list = {"Microphone (X)", "Microphone (X) (1)", "Line In"};
    EXPECT_EQ(FindSavedEntry(list, "Microphone (X)"), 0);
    EXPECT_EQ(FindSavedEntry(list, "Microphone (X) (1)"), 1);
    EXPECT_EQ(FindSavedEntry(list, "microphone (x)"), 0); // as case-blind as the list
    EXPECT_EQ(FindSavedEntry({"Mic", "Mic Array"}, "Mic"), 0);
    // No entry equals the name: entries 1, 2, ... first, entry 0 last.
    EXPECT_EQ(FindSavedEntry(list, "Microphone"), 1);
    EXPECT_EQ(FindSavedEntry(list, "line"), 2);
    EXPECT_EQ(FindSavedEntry({"Line In", "USB"}, "Line"), 0);
    EXPECT_EQ(FindSavedEntry(list, "Speakers"), -1);
    EXPECT_EQ(FindSavedEntry(list, ""), -1);
    EXPECT_EQ(FindSavedEntry({}, "USB"), -1);
    EXPECT_EQ(FindSavedEntry(list, "Microphone (X) (1) extra"), -1);
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
