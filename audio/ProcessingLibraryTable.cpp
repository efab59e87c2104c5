#include "ProcessingLibraryTable.h"

#include <atomic>
#include <cstdint>

#include "report/UserReport.h"

ProcessingLibraryTable* g_pProcessingLibraries = nullptr;

namespace {
// Library calls under way in the process: a library is never unloaded from
// under a call that has not returned.
std::atomic<int> g_callsInFlight{0};
std::wstring g_folder;

// The wide API, so a folder outside the ANSI code page works too; empty when
// the path cannot be had.
std::wstring ProgramFolder() {
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size())
        return std::wstring();
    path.resize(length);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

HMODULE LoadFromFolder(const char* fileName) {
    const std::wstring folder = g_folder.empty() ? ProgramFolder() : g_folder;
    if (folder.empty())
        return nullptr;
    std::wstring path = folder + L"\\";
    for (const char* c = fileName; *c; ++c)
        path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
} // namespace

void ProcessingLibraryTable::SetFolder(const std::wstring& folder) {
    g_folder = folder;
}

ProcessingLibraryTable::ProcessingLibraryTable()
    : m_slots{{"", nullptr, nullptr, nullptr}, {"hsh.dll", nullptr, nullptr, nullptr}} {}

void ProcessingLibraryTable::Load() {
    for (auto& slot : m_slots)
        LoadSlot(slot);
}

void ProcessingLibraryTable::LoadSlot(ProcessingLibrarySlot& slot) {
    slot.pfnProcessInput = nullptr;
    slot.pfnProcessOutput = nullptr;
    if (slot.fileName[0] == '\0')
        return;
    slot.hModule = LoadFromFolder(slot.fileName);
    if (!slot.hModule) {
        ReportToUser(UserReport::LibraryMissing, slot.fileName);
        return;
    }
    slot.pfnProcessInput = reinterpret_cast<ProcessAudioDataFn>(
        reinterpret_cast<void*>(GetProcAddress(slot.hModule, "ProcessInputAudioData")));
    slot.pfnProcessOutput = reinterpret_cast<ProcessAudioDataFn>(
        reinterpret_cast<void*>(GetProcAddress(slot.hModule, "ProcessOutputAudioData")));
    // A library without its input entry could never process a block: as
    // good as missing.
    if (!slot.pfnProcessInput)
        ReportToUser(UserReport::LibraryMissing, slot.fileName);
}

bool ProcessingLibraryTable::ProcessInput(int slot, unsigned char* block, int length,
                                          unsigned int sampleRate, int channels) const {
    const ProcessAudioDataFn process = GetInputEntry(slot);
    if (!process)
        return false;
    unsigned char* outBlock = nullptr;
    int outLength = 0;
    ++g_callsInFlight;
    process(block, length, &outBlock, &outLength, static_cast<uint16_t>(sampleRate), channels, 0);
    --g_callsInFlight;
    return true;
}

void ProcessingLibraryTable::Unload() {
    const bool callUnderWay = g_callsInFlight != 0;
    for (auto& slot : m_slots) {
        if (slot.hModule && !callUnderWay)
            FreeLibrary(slot.hModule);
        slot.hModule = nullptr;
        slot.pfnProcessInput = nullptr;
        slot.pfnProcessOutput = nullptr;
    }
}

ProcessAudioDataFn ProcessingLibraryTable::GetInputEntry(int slot) const {
    if (slot < 0 || slot >= kSlotCount)
        return nullptr;
    return m_slots[slot].pfnProcessInput;
}
