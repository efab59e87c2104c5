#include "UserReport.h"

#include <windows.h>

namespace {
IUserReporter* g_pReporter = nullptr;
} // namespace

IUserReporter* InstallUserReporter(IUserReporter* reporter) {
    IUserReporter* before = g_pReporter;
    g_pReporter = reporter;
    return before;
}

void ReportToUser(UserReport what, const std::string& detail) {
    if (g_pReporter) {
        g_pReporter->Report(what, detail);
        return;
    }
    const std::string line =
        "Hushwave VoIP: report " + std::to_string(static_cast<int>(what)) + " " + detail + "\n";
    OutputDebugStringA(line.c_str());
}
