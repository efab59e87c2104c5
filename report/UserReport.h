// What the audio path, the settings and the device lists have to tell the
// user, without knowing how it is shown: the program installs a reporter at
// start-up (the message boxes of MessageBoxReporter); with none installed a
// report becomes a debug output line. Called on the user-interface thread.
#pragma once

#include <string>

enum class UserReport {
    LibraryMissing,       // detail: the library's file name
    RegistryOpenFailed,   // a settings or Run key could not be opened
    RegistryCreateFailed, // ... created
    RegistrySetFailed,    // a value could not be written
    RegistryDeleteFailed, // a value could not be deleted
    NoModuleFileName,     // the program's own path is unknown
    NoInputDevice,        // the last microphone was unplugged
};

class IUserReporter {
  public:
    virtual ~IUserReporter() = default;
    virtual void Report(UserReport what, const std::string& detail) = 0;
};

// Installs `reporter` (not owned; null for none) and returns the one before.
IUserReporter* InstallUserReporter(IUserReporter* reporter);
void ReportToUser(UserReport what, const std::string& detail = std::string());
