// installcheck SETUP.exe BUILD_BIN_DIR VERSION: the setup for real, in a
// fresh prefix. A silent install; the installed program with its library and
// help file; refusal while the program runs; a reinstall that repairs the
// install; a move into a folder with spaces (/D=); the registered silent
// uninstall, after which nothing of ours is left but a neighbour's values are.
// Prints every failed check and "N passed, M failed"; exit code 1 on a failure.
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "AppProcess.h"
#include "res/resource.h"

namespace {

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const std::string& what) {
    if (ok) {
        ++g_passed;
        return;
    }
    ++g_failed;
    std::printf("FAIL: %s\n", what.c_str());
    std::fflush(stdout);
}

void CheckEq(const std::string& actual, const std::string& expected, const std::string& what) {
    Check(actual == expected, what + " is \"" + actual + "\", expected \"" + expected + "\"");
}

void Step(const char* name) {
    std::printf("-- %s (%d passed, %d failed so far)\n", name, g_passed, g_failed);
    std::fflush(stdout);
}

const char* const kProduct = "Hushwave VoIP";
const char* const kProgram = "HushwaveVoIP.exe";
const char* const kLibrary = "hsh.dll";
const char* const kHelpFile = "HushwaveVoIP.CHM";
const char* const kUninstaller = "uninstall.exe";
const char* const kUninstallKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hushwave VoIP";
const char* const kSettingsKey = "SOFTWARE\\Hushwave\\Hushwave VoIP";
const char* const kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kRunValue = "Hushwave VoIP";
// Someone else's: they must survive the uninstall.
const char* const kNeighbourRunValue = "Hushwave Neighbour Tool";
const char* const kNeighbourRunCommand = "\"C:\\Tools\\neighbour.exe\" /quiet";
const char* const kOtherProductKey = "SOFTWARE\\Hushwave\\Other Product";
// The setup's and the uninstaller's exit code when they refuse to run beside
// the program (README).
const DWORD kExitProgramRunning = 3;

std::string ShellFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool FileExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The file's bytes; "<missing>" when it cannot be read.
std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

bool KeyExists(const char* subKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// A REG_SZ value; "<none>" when absent or of another type.
std::string RegString(const char* subKey, const char* name) {
    char buf[2048] = {};
    DWORD size = sizeof(buf) - 1, type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, subKey, name, RRF_RT_ANY, &type, buf, &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return "<none>";
    return buf;
}

// A REG_DWORD value; -1 when absent or of another type.
long long RegDword(const char* subKey, const char* name) {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueA(HKEY_CURRENT_USER, subKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
        ERROR_SUCCESS)
        return -1;
    return value;
}

void SetRegString(const char* subKey, const char* name, const std::string& value) {
    RegSetKeyValueA(HKEY_CURRENT_USER, subKey, name, REG_SZ, value.c_str(),
                    static_cast<DWORD>(value.size() + 1));
}

// Runs a command line as the shell would, waits for it and for every process
// it started (the uninstaller hands its work to a copy of itself in the
// temporary folder and ends at once). The exit code of the command itself.
DWORD Run(const std::string& commandLine, DWORD timeoutMs = 60000) {
    std::string line = commandLine;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        std::printf("cannot start %s (error %lu)\n", commandLine.c_str(), GetLastError());
        return 0xFFFFFFFF;
    }
    CloseHandle(pi.hThread);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);

    std::vector<HANDLE> children;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID != pi.dwProcessId)
            continue;
        if (HANDLE child = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID))
            children.push_back(child);
    }
    CloseHandle(snapshot);
    for (HANDLE child : children) {
        Check(WaitForSingleObject(child, timeoutMs) == WAIT_OBJECT_0,
              "a process started by " + commandLine + " ends");
        CloseHandle(child);
    }
    return code;
}

// A string of the file's version resource, in the first language and code
// page its translation table names (as Explorer's properties show it).
std::string VersionString(const std::vector<char>& info, const char* name) {
    WORD* translation = nullptr;
    UINT length = 0;
    if (info.empty() ||
        !VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < 2 * sizeof(WORD))
        return "<no translation>";
    char path[128];
    std::snprintf(path, sizeof(path), "\\StringFileInfo\\%04x%04x\\%s", translation[0],
                  translation[1], name);
    char* value = nullptr;
    if (!VerQueryValueA(info.data(), path, reinterpret_cast<void**>(&value), &length))
        return "<none>";
    return std::string(value, length && value[length - 1] == '\0' ? length - 1 : length);
}

std::vector<char> VersionInfo(const std::string& file) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    std::vector<char> info(size);
    if (!size || !GetFileVersionInfoA(file.c_str(), 0, size, info.data()))
        info.clear();
    return info;
}

// "0.8.0" as the fixed part's 0.8.0.0.
void CheckFixedVersion(const std::vector<char>& info, const std::string& version, DWORD fileType,
                       const std::string& file) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (info.empty() ||
        !VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length)) {
        Check(false, file + " has a fixed version part");
        return;
    }
    unsigned major = 0, minor = 0, patch = 0;
    std::sscanf(version.c_str(), "%u.%u.%u", &major, &minor, &patch);
    Check(fixed->dwFileVersionMS == static_cast<DWORD>(MAKELONG(minor, major)) &&
              fixed->dwFileVersionLS == static_cast<DWORD>(MAKELONG(0, patch)),
          file + " fixed file version is " + version + ".0");
    Check(fixed->dwProductVersionMS == fixed->dwFileVersionMS &&
              fixed->dwProductVersionLS == fixed->dwFileVersionLS,
          file + " fixed product version equals its file version");
    Check(fixed->dwFileType == fileType, file + " has file type " + std::to_string(fileType));
}

void CheckVersionResources(const std::string& dir, const std::string& setup,
                           const std::string& version) {
    struct Expected {
        std::string file, description, originalName;
        DWORD type;
    };
    for (const Expected& e :
         {Expected{dir + "\\" + kProgram, kProduct, kProgram, VFT_APP},
          Expected{dir + "\\" + kLibrary, "Hushwave VoIP noise suppressor", kLibrary, VFT_DLL}}) {
        const std::vector<char> info = VersionInfo(e.file);
        CheckEq(VersionString(info, "ProductName"), kProduct, e.file + " ProductName");
        CheckEq(VersionString(info, "ProductVersion"), version, e.file + " ProductVersion");
        CheckEq(VersionString(info, "FileVersion"), version, e.file + " FileVersion");
        CheckEq(VersionString(info, "FileDescription"), e.description, e.file + " FileDescription");
        CheckEq(VersionString(info, "OriginalFilename"), e.originalName,
                e.file + " OriginalFilename");
        CheckEq(VersionString(info, "CompanyName"), "Hushwave", e.file + " CompanyName");
        CheckFixedVersion(info, version, e.type, e.file);
    }
    const std::vector<char> info = VersionInfo(setup);
    CheckEq(VersionString(info, "ProductName"), kProduct, "setup ProductName");
    CheckEq(VersionString(info, "ProductVersion"), version, "setup ProductVersion");
    CheckEq(VersionString(info, "FileDescription"), "Hushwave VoIP Setup", "setup FileDescription");
}

std::string ShortcutTarget(const std::string& lnk, std::string& workingDir) {
    std::string target = "<unreadable>";
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        std::wstring wide(lnk.begin(), lnk.end());
        char path[MAX_PATH] = {};
        if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
            SUCCEEDED(link->GetPath(path, MAX_PATH, nullptr, 0))) {
            target = path;
            char dir[MAX_PATH] = {};
            link->GetWorkingDirectory(dir, MAX_PATH);
            workingDir = dir;
        }
        file->Release();
    }
    link->Release();
    return target;
}

struct Paths {
    std::string setup, bin, version, shortcut;
};

// Everything a completed install into `dir` leaves behind.
void CheckInstalledAt(const Paths& p, const std::string& dir) {
    for (const char* name : {kProgram, kLibrary, kHelpFile}) {
        const std::string installed = FileBytes(dir + "\\" + name);
        Check(installed != "<missing>", dir + "\\" + name + " exists");
        Check(installed == FileBytes(p.bin + "\\" + name),
              dir + "\\" + name + " is the build's file");
    }
    Check(FileExists(dir + "\\" + kUninstaller), dir + "\\" + kUninstaller + " exists");

    Check(FileExists(p.shortcut), "the Start-menu shortcut " + p.shortcut + " exists");
    std::string workingDir;
    CheckEq(ShortcutTarget(p.shortcut, workingDir), dir + "\\" + kProgram, "the shortcut's target");
    CheckEq(workingDir, dir, "the shortcut's working folder");

    const std::string uninstaller = "\"" + dir + "\\" + kUninstaller + "\"";
    CheckEq(RegString(kUninstallKey, "DisplayName"), kProduct, "DisplayName");
    CheckEq(RegString(kUninstallKey, "DisplayVersion"), p.version, "DisplayVersion");
    CheckEq(RegString(kUninstallKey, "Publisher"), "Hushwave", "Publisher");
    CheckEq(RegString(kUninstallKey, "DisplayIcon"), dir + "\\" + kProgram, "DisplayIcon");
    CheckEq(RegString(kUninstallKey, "InstallLocation"), dir, "InstallLocation");
    CheckEq(RegString(kUninstallKey, "UninstallString"), uninstaller, "UninstallString");
    CheckEq(RegString(kUninstallKey, "QuietUninstallString"), uninstaller + " /S",
            "QuietUninstallString");
    Check(RegDword(kUninstallKey, "NoModify") == 1, "NoModify is 1");
    Check(RegDword(kUninstallKey, "NoRepair") == 1, "NoRepair is 1");
    long long bytes = 0;
    for (const char* name : {kProgram, kLibrary, kHelpFile, kUninstaller})
        bytes += static_cast<long long>(FileBytes(dir + "\\" + name).size());
    const long long kib = RegDword(kUninstallKey, "EstimatedSize");
    Check(kib >= bytes / 1024 - 4 && kib <= bytes / 1024 + 4,
          "EstimatedSize " + std::to_string(kib) + " KiB matches the files' " +
              std::to_string(bytes / 1024) + " KiB");
}

bool ModuleLoadedFrom(DWORD pid, const std::string& path) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return false;
    HMODULE modules[512];
    DWORD needed = 0;
    bool found = false;
    if (EnumProcessModules(process, modules, sizeof(modules), &needed)) {
        for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512 && !found; ++i) {
            char name[MAX_PATH] = {};
            GetModuleFileNameExA(process, modules[i], name, MAX_PATH);
            found = lstrcmpiA(name, path.c_str()) == 0;
        }
    }
    CloseHandle(process);
    return found;
}

HWND HelpViewerOf(DWORD pid, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    do {
        HWND w = nullptr;
        while ((w = FindWindowExA(nullptr, w, "HH Parent", nullptr))) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid)
                return w;
        }
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

// The installed program comes up without an error, with the library loaded
// from its own folder. The library is loaded while the main window is set
// up, before it shows; a failure to load it stops there with a message.
HWND StartInstalled(AppProcess& app, const std::string& dir) {
    Check(app.Started(), "the installed program starts");
    app.ClickSplash();
    HWND main = app.MainWindow();
    const DWORD start = GetTickCount();
    while (main && !IsWindowVisible(main) && GetTickCount() - start < 5000)
        Sleep(20);
    Check(main && IsWindowVisible(main), "the installed program shows its main window");
    std::string text;
    Check(app.MessageBoxWith("Error", text, 1000) == nullptr, "no Error message: " + text);
    Check(ModuleLoadedFrom(app.Pid(), dir + "\\" + kLibrary),
          "the program loaded " + dir + "\\" + kLibrary);
    return main;
}

void ExitProgram(AppProcess& app, HWND main) {
    PostMessageA(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    Check(app.WaitForExit(10000) == 0, "the program exits with code 0 from its tray menu");
}

std::string Quoted(const std::string& path) {
    return "\"" + path + "\"";
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: installcheck SETUP.exe BUILD_BIN_DIR VERSION\n");
        return 2;
    }
    CoInitialize(nullptr);
    Paths p = {argv[1], argv[2], argv[3], ShellFolder(CSIDL_PROGRAMS) + "\\Hushwave VoIP.lnk"};
    const std::string defaultDir = ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Hushwave VoIP";
    const std::string spacedDir = ShellFolder(CSIDL_PROGRAM_FILES) + "\\Hushwave Test Copy";
    const std::string setup = Quoted(p.setup);

    SetRegString(kRunKey, kNeighbourRunValue, kNeighbourRunCommand);
    SetRegString(kOtherProductKey, "Keep", "1");

    Step("silent install into the default folder");
    CheckEq(std::to_string(Run(setup + " /S")), "0", "exit code of the silent setup");
    CheckInstalledAt(p, defaultDir);
    CheckVersionResources(defaultDir, p.setup, p.version);

    Step("the installed program");
    {
        AppProcess app("", defaultDir + "\\" + kProgram);
        HWND main = StartInstalled(app, defaultDir);
        if (!main) {
            std::printf("%d passed, %d failed\n", g_passed, g_failed);
            return 1;
        }
        PostMessageA(main, WM_COMMAND, ID_HELP_CONTENTS, 0);
        HWND viewer = HelpViewerOf(app.Pid(), 5000);
        Check(viewer != nullptr, "Help opens the help viewer");
        std::string text;
        Check(app.MessageBoxWith(kProduct, text, 500) == nullptr, "no message after Help: " + text);
        if (viewer)
            PostMessageA(viewer, WM_CLOSE, 0, 0);
        // Settings and an automatic start at logon, for the uninstall to remove.
        SendMessageA(main, WM_COMMAND, ID_OPTION_START_WITH_WINDOWS, 0);
        SendMessageA(main, WM_COMMAND, ID_OPTION_SAVE_CONFIGURATION, 0);
        CheckEq(RegString(kRunKey, kRunValue), Quoted(defaultDir + "\\" + kProgram) + " /minimize",
                "the program's Run value");
        Check(KeyExists(kSettingsKey), "the program wrote its settings key");

        Step("setup and uninstall refuse while the program runs");
        SetRegString(kUninstallKey, "DisplayVersion", "untouched");
        CheckEq(std::to_string(Run(setup + " /S")), std::to_string(kExitProgramRunning),
                "exit code of the silent setup");
        CheckEq(RegString(kUninstallKey, "DisplayVersion"), "untouched",
                "DisplayVersion after a refused setup");
        {
            AppProcess ui("", p.setup);
            std::string message;
            HWND box = ui.MessageBoxWith("Hushwave VoIP Setup", message, 10000);
            Check(box != nullptr, "the setup with its window shows a message");
            Check(message.find("Hushwave VoIP is running.") == 0, "the message says: " + message);
            if (box)
                PostMessageA(box, WM_COMMAND, IDOK, 0);
            CheckEq(std::to_string(ui.WaitForExit(10000)), std::to_string(kExitProgramRunning),
                    "exit code of the setup after its message");
        }
        // _?= keeps the uninstaller in place, so its own exit code is seen.
        CheckEq(
            std::to_string(Run(Quoted(defaultDir + "\\" + kUninstaller) + " /S _?=" + defaultDir)),
            std::to_string(kExitProgramRunning), "exit code of the silent uninstall");
        Check(FileExists(defaultDir + "\\" + kProgram) && KeyExists(kUninstallKey),
              "after a refused uninstall the program and its entry are still there");
        ExitProgram(app, main);
    } // a program that did not exit is ended here

    Step("reinstall over a damaged install");
    WriteFileBytes(defaultDir + "\\" + kLibrary, "not a library");
    DeleteFileA((defaultDir + "\\" + kHelpFile).c_str());
    CheckEq(std::to_string(Run(setup + " /S")), "0", "exit code of the second silent setup");
    CheckInstalledAt(p, defaultDir);
    CheckEq(RegString(kRunKey, kRunValue), Quoted(defaultDir + "\\" + kProgram) + " /minimize",
            "the Run value after a reinstall in place");

    Step("move into a folder with spaces (/D=)");
    CheckEq(std::to_string(Run(setup + " /S /D=" + spacedDir)), "0",
            "exit code of the silent setup with /D=");
    CheckInstalledAt(p, spacedDir);
    Check(!DirExists(defaultDir), "the earlier copy's folder is gone");
    CheckEq(RegString(kRunKey, kRunValue), Quoted(spacedDir + "\\" + kProgram) + " /minimize",
            "the Run value follows the program");
    {
        AppProcess moved("", spacedDir + "\\" + kProgram);
        HWND movedMain = StartInstalled(moved, spacedDir);
        if (movedMain)
            ExitProgram(moved, movedMain);
    }

    Step("the registered silent uninstall");
    const std::string quiet = RegString(kUninstallKey, "QuietUninstallString");
    CheckEq(std::to_string(Run(quiet)), "0", "exit code of " + quiet);
    for (const char* name : {kProgram, kLibrary, kHelpFile, kUninstaller})
        Check(!FileExists(spacedDir + "\\" + name), spacedDir + "\\" + name + " is gone");
    Check(!DirExists(spacedDir), spacedDir + " is gone");
    Check(!DirExists(defaultDir), defaultDir + " is gone");
    Check(!FileExists(p.shortcut), "the shortcut is gone");
    Check(!KeyExists(kUninstallKey), "the uninstall entry is gone");
    CheckEq(RegString(kRunKey, kRunValue), "<none>", "the program's Run value");
    Check(!KeyExists(kSettingsKey), "the settings key is gone");
    CheckEq(RegString(kRunKey, kNeighbourRunValue), kNeighbourRunCommand,
            "the neighbour's Run value");
    CheckEq(RegString(kOtherProductKey, "Keep"), "1", "the other product's setting");

    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    CoUninitialize();
    return g_failed == 0 ? 0 : 1;
}
