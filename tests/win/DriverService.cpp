#include "DriverService.h"

#include <windows.h>

namespace {

bool Control(bool start) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager)
        return false;
    SC_HANDLE service = OpenServiceA(manager, "hshvad", SERVICE_ALL_ACCESS);
    bool ok = false;
    if (service) {
        SERVICE_STATUS status = {};
        if (start)
            ok = StartServiceA(service, 0, nullptr) ||
                 GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
        else
            ok = ControlService(service, SERVICE_CONTROL_STOP, &status) ||
                 GetLastError() == ERROR_SERVICE_NOT_ACTIVE;
        const DWORD wanted = start ? SERVICE_RUNNING : SERVICE_STOPPED;
        for (int i = 0; ok && i < 100; ++i) {
            if (QueryServiceStatus(service, &status) && status.dwCurrentState == wanted)
                break;
            Sleep(50);
        }
        ok = ok && status.dwCurrentState == wanted;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return ok;
}

} // namespace

bool StopDriverService() {
    return Control(false);
}

bool StartDriverService() {
    return Control(true);
}
