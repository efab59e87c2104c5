#include "EngineHarness.h"

#include <dsound.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "MessagePump.h"
#include "TestPaths.h"
#include "hsh/mark/hsh_mark_log.h"
#include "settings/AppSettings.h"

namespace {

struct Search {
    const char* description;
    GUID guid;
    bool found;
};

BOOL CALLBACK OnDevice(LPGUID guid, LPCSTR description, LPCSTR, LPVOID context) {
    auto* search = static_cast<Search*>(context);
    if (guid && std::strcmp(description, search->description) == 0) {
        search->guid = *guid;
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HshMarkLog* MarkLog() {
    static HshMarkLog* log = [] {
        HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(HshMarkLog), HSH_MARK_LOG_NAME);
        return static_cast<HshMarkLog*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    }();
    return log;
}

void UseLibraryFolder(const std::string& folder) {
    ProcessingLibraryTable::SetFolder(std::wstring(folder.begin(), folder.end()));
}

bool FindCaptureDevice(const char* description, GUID& guid) {
    Search search = {description, {}, false};
    DirectSoundCaptureEnumerateA(OnDevice, &search);
    guid = search.guid;
    return search.found;
}

EngineHarness::EngineHarness(const char* libraryFolder, const char* microphone) {
    GUID guid;
    deviceFound = FindCaptureDevice(microphone, guid);
    g_AppSettings.SetCaptureGuid(guid);
    g_AppSettings.SetInputNoiseCancellation(0);
    UseLibraryFolder(BuildDir() + "\\" + libraryFolder);
    m_table = std::make_unique<ProcessingLibraryTable>();
    m_table->Load();
    g_pProcessingLibraries = m_table.get();
    m_peer.Open();
    m_peer.Reset();
}

EngineHarness::~EngineHarness() {
    g_pProcessingLibraries = nullptr;
    g_AppSettings.SetInputNoiseCancellation(0);
    m_peer.Reset();
    UseLibraryFolder("");
}

AudioEngineConfig EngineHarness::EngineConfig() const {
    AudioEngineConfig config;
    config.captureGuid = g_AppSettings.GetCaptureGuid();
    config.switches = &g_AppSettings;
    config.libraries = m_table.get();
    return config;
}

void EngineHarness::Save(const char* name) const {
    const std::string path = BuildDir() + "\\tests\\" + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, audio.data(), static_cast<DWORD>(audio.size()), &written, nullptr);
    CloseHandle(file);
    std::printf("saved %s\n", path.c_str());
}

void EngineHarness::Read() {
    m_peer.ReadAudio(audio, lostBytes);
}

namespace {
// Reads the driver at most every 50 ms while pumping.
std::function<void()> Throttled(EngineHarness* h) {
    DWORD last = 0;
    return [h, last]() mutable {
        if (GetTickCount() - last >= 50) {
            last = GetTickCount();
            h->Read();
        }
    };
}
} // namespace

void EngineHarness::Clear() {
    Read();
    audio.clear();
    lostBytes = 0;
}

void EngineHarness::Run(DWORD ms) {
    PumpFor(ms, Throttled(this));
    Read();
}

bool EngineHarness::RunUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    bool ok = PumpUntil(done, timeoutMs, Throttled(this));
    Read();
    return ok;
}
