#include "MessageBoxReporter.h"

#include <windows.h>

#include "framework/ResString.h"
#include "res/resource.h"

namespace {

UINT RegistryText(UserReport what) {
    switch (what) {
    case UserReport::RegistryOpenFailed:
        return IDS_REG_OPEN_FAILED;
    case UserReport::RegistryCreateFailed:
        return IDS_REG_CREATE_FAILED;
    case UserReport::RegistrySetFailed:
        return IDS_REG_SET_FAILED;
    case UserReport::RegistryDeleteFailed:
        return IDS_REG_DELETE_FAILED;
    default:
        return IDS_NO_MODULE_FILENAME;
    }
}

} // namespace

void MessageBoxReporter::Report(UserReport what, const std::string& detail) {
    if (what == UserReport::LibraryMissing) {
        const std::string text = "Error loading dynamic library(" + detail + ")";
        MessageBoxA(nullptr, text.c_str(), LoadResString(IDS_ERROR_CAPTION).c_str(),
                    MB_ICONEXCLAMATION);
        return;
    }
    if (what == UserReport::NoInputDevice) {
        MessageBoxA(nullptr, "No input device is connected. Connect a microphone to use the audio.",
                    LoadResString(IDS_APP_CAPTION).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    ResMessageBox(RegistryText(what), IDS_APP_CAPTION, MB_OK | MB_ICONSTOP);
}

void InstallMessageBoxReporter() {
    static MessageBoxReporter reporter;
    InstallUserReporter(&reporter);
}
