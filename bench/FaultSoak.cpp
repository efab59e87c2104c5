// Soak of the main window in this process, on the rig's real parts, run by
// hand (scripts/soak.sh). Prints kernel handles, GDI and USER objects before
// and after:
//   1,000 engine starts and stops with audio flowing, then
//   200 About boxes and 200 tray menus opened and closed, then
//   `outages` rounds of the driver stopped for a while and started again
//   while the engine runs, each with the time the window took to show it
//   and to start again by itself.
//
//   fault_soak.exe [cycles] [dialogs] [outages]
//   fault_soak.exe --handles-of CAPTION   the kernel handles of the process
//                                         whose window has that caption
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "DialogRunner.h"
#include "DriverService.h"
#include "HandleCount.h"
#include "MessagePump.h"
#include "TestPaths.h"
#include "tools/VadPeer.h"

namespace {

void PrintObjects(const char* when) {
    std::printf("  %-28s handles %d, GDI %lu, USER %lu\n", when, CountOwnHandles(),
                GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
}

HWND FindShown(const char* cls, const char* caption) {
    HWND hwnd = FindWindowA(cls, caption);
    return hwnd && IsWindowVisible(hwnd) ? hwnd : nullptr;
}

const char kRunning[] = "Audio Engine Is ON:  Input Noise Cancellation Is OFF";

int PrintHandlesOf(const char* caption) {
    DWORD pid = 0;
    if (HWND hwnd = FindWindowA(nullptr, caption))
        GetWindowThreadProcessId(hwnd, &pid);
    if (!pid)
        return std::fprintf(stderr, "fault_soak: no window \"%s\"\n", caption), 1;
    std::printf("%d\n", CountHandles(pid));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--handles-of")
        return PrintHandlesOf(argv[2]);
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int dialogs = argc > 2 ? std::atoi(argv[2]) : 200;
    const int outages = argc > 3 ? std::atoi(argv[3]) : 3;
    ClearSettings();
    SetSettingString("CaptureName", "Rig Pattern", true);
    UseLibraryFolder(BuildDir() + "\\testlib");
    VadPeer peer;
    if (!peer.Open() || !peer.Reset() || !peer.OpenMic())
        return std::fprintf(stderr, "fault_soak: the stand-in driver is missing\n"), 1;
    int failures = 0;
    {
        DialogRunner run;
        run.Command(IDC_START_STOP, BN_CLICKED); // a first run sets up what lives on
        Sleep(300);
        run.Command(IDC_START_STOP, BN_CLICKED);
        std::printf("%d engine starts and stops with audio flowing:\n", cycles);
        PrintObjects("before");
        for (int i = 0; i < cycles; ++i) {
            run.Command(IDC_START_STOP, BN_CLICKED);
            Sleep(i % 50 == 0 ? 100 : 5);
            run.Command(IDC_START_STOP, BN_CLICKED);
        }
        PrintObjects("after");

        std::printf("%d About boxes and %d tray menus:\n", dialogs, dialogs);
        PrintObjects("before");
        int aboutMissed = 0, menuMissed = 0;
        for (int i = 0; i < dialogs; ++i) {
            PostMessageA(run.Hwnd(), WM_COMMAND, ID_HELP_ABOUT, 0);
            HWND about = nullptr;
            const bool shown = PumpUntil(
                [&] { return (about = FindShown("#32770", "About Hushwave VoIP")); }, 5000);
            aboutMissed += !shown;
            PostMessageA(about, WM_COMMAND, IDOK, 0);
            PumpUntil([] { return !FindShown("#32770", "About Hushwave VoIP"); }, 5000);
            PostMessageA(run.Hwnd(), WM_TRAYICON_NOTIFY, IDR_MAINFRAME, WM_RBUTTONUP);
            menuMissed += !PumpUntil([] { return FindShown("#32768", nullptr) != nullptr; }, 5000);
            SendMessageA(run.Hwnd(), WM_CANCELMODE, 0, 0);
            PumpUntil([] { return !FindShown("#32768", nullptr); }, 5000);
        }
        PrintObjects("after");
        if (aboutMissed + menuMissed)
            std::printf("  not seen within 5 s: %d About boxes, %d tray menus\n", aboutMissed,
                        menuMissed);
        failures += aboutMissed + menuMissed;

        std::printf("%d driver outages while the engine runs:\n", outages);
        run.Command(IDC_START_STOP, BN_CLICKED);
        PrintObjects("before");
        for (int i = 0; i < outages; ++i) {
            peer.Close();
            DWORD t0 = GetTickCount();
            StopDriverService();
            const bool shown = PumpUntil(
                [&] {
                    return run.Text(IDC_STATUS) == "Audio Engine Is OFF:  HSH Audio Driver Lost";
                },
                10000);
            const DWORD shownMs = GetTickCount() - t0;
            Sleep(3000); // the outage
            StartDriverService();
            t0 = GetTickCount();
            const bool back = PumpUntil([&] { return run.Text(IDC_STATUS) == kRunning; }, 15000);
            std::printf(
                "  outage %d: shown after %lu ms%s, running again %lu ms after the driver%s\n",
                i + 1, shownMs, shown ? "" : " (NOT SHOWN)", GetTickCount() - t0,
                back ? "" : " (NOT BACK)");
            failures += !shown + !back;
            peer.Open();
            peer.OpenMic();
        }
        run.Command(IDC_START_STOP, BN_CLICKED);
        PrintObjects("after");
    }
    peer.Reset();
    ClearSettings();
    std::printf("failures: %d\n", failures);
    return failures ? 1 : 0;
}
