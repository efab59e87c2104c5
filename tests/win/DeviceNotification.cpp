#include "DeviceNotification.h"

#include <dbt.h>

const GUID kHidClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
const GUID kUsbClass = {
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};
const GUID kAudioClass = {
    0x6994AD04, 0x93EF, 0x11D0, {0xA3, 0xCC, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};

bool SendDeviceNotification(HWND window, UINT event, const GUID& cls, LRESULT* answer) {
    DEV_BROADCAST_DEVICEINTERFACE_A record = {};
    record.dbcc_size = sizeof(record);
    record.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    record.dbcc_classguid = cls;
    DWORD_PTR result = 0;
    const bool answered =
        SendMessageTimeoutA(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&record),
                            SMTO_NORMAL, 30000, &result) != 0;
    if (answer)
        *answer = static_cast<LRESULT>(result);
    return answered;
}
