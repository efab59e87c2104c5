#include "ProcessingLibraryTable.h"

#include <atomic>
#include <cstdint>

#include "report/UserReport.h"

ProcessingLibraryTable* g_pProcessingLibraries = nullptr;

namespace {
// Library calls under way in the process: a library is never unloaded from
// under a call that has not returned.
std::atomic<int> g_callsInFlight{0};
} // namespace

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
    slot.hModule = LoadLibraryA(slot.fileName);
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
