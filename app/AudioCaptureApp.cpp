#include "AudioCaptureApp.h"

#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include "HushwaveSplash.h"
#include "MyCommandLine.h"
#include "framework/ResString.h"
#include "report/MessageBoxReporter.h"
#include "res/resource.h"
#include "ui/AudioCaptureDlg.h"

CAudioCaptureApp theApp;

namespace {

// Machine-wide, and open to every user (null DACL): one copy per machine.
HANDLE CreateSingleInstanceMutex() {
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, FALSE};
    return CreateMutexA(&attributes, FALSE, kSingleInstanceMutex);
}

UINT FinestTimerPeriod() {
    TIMECAPS caps;
    return timeGetDevCaps(&caps, sizeof(caps)) == TIMERR_NOERROR ? caps.wPeriodMin : 1;
}

} // namespace

CAudioCaptureApp::CAudioCaptureApp() {
    EnableHtmlHelp();
}

BOOL CAudioCaptureApp::InitInstance() {
    // hsh.dll is loaded by bare name: never from the working directory.
    SetDllDirectoryA("");
    InstallMessageBoxReporter();

    HANDLE mutex = CreateSingleInstanceMutex();
    const DWORD error = GetLastError();
    if (!mutex || error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        if (mutex)
            CloseHandle(mutex);
        ResMessageBox(IDS_ALREADY_RUNNING, IDS_APP_CAPTION, MB_OK | MB_ICONSTOP);
        return FALSE;
    }

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    CMyCommandLine commandLine;
    ParseCommandLine(commandLine);

    SetProcessPriorityBoost(GetCurrentProcess(), TRUE);
    const UINT period = FinestTimerPeriod();
    timeBeginPeriod(period);

    {
        CHushwaveSplash splash;
        splash.DoModal();
        CAudioCaptureDlg dialog(g_bStartMinimized != 0);
        dialog.DoModal();
    }

    CloseHandle(mutex);
    timeEndPeriod(period);
    SetProcessPriorityBoost(GetCurrentProcess(), FALSE);
    return FALSE;
}
