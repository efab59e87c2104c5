#include "DeviceChangeRules.h"

DeviceChangeStep ClassifyDeviceChange(uint32_t event, uint32_t deviceType, uint32_t classFirst32,
                                      bool hidRemovalPending) {
    if ((event != kDbtDeviceArrival && event != kDbtDeviceRemoveComplete) ||
        deviceType != kDbtDevtypDeviceInterface)
        return DeviceChangeStep::Ignore;
    if (classFirst32 == kAudioClassFirst32)
        return DeviceChangeStep::GatherAudio;
    const bool hid = classFirst32 == kHidClassFirst32;
    if (event == kDbtDeviceArrival)
        return hid ? DeviceChangeStep::Rebuild : DeviceChangeStep::Ignore;
    if (hid)
        return DeviceChangeStep::NoteHidRemoval;
    return hidRemovalPending ? DeviceChangeStep::Rebuild : DeviceChangeStep::Ignore;
}

int ChooseEntryAfterRebuild(int foundIndex, int entryCount) {
    if (entryCount <= 0)
        return -1;
    return foundIndex >= 0 && foundIndex < entryCount ? foundIndex : 0;
}
