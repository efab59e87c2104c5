#include "ProcessingLibraryTable.h"

#include "report/UserReport.h"

ProcessingLibraryTable* g_pProcessingLibraries = nullptr;

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
}

void ProcessingLibraryTable::Unload() {
    for (auto& slot : m_slots) {
        if (slot.hModule)
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
