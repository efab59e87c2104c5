// The program's way of telling the user: a message box with no owner, one OK
// button, texts and captions from the string table.
#pragma once

#include "UserReport.h"

class MessageBoxReporter : public IUserReporter {
  public:
    void Report(UserReport what, const std::string& detail) override;
};

// Installs one program-wide MessageBoxReporter.
void InstallMessageBoxReporter();
