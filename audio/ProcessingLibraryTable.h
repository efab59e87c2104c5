// The two-slot table of the noise-processing library's entry points. The
// input noise-cancellation switch (0 or 1) is the slot index: slot 0 has no
// library, so with the switch off blocks pass unprocessed.
#pragma once

#include <windows.h>

#include <string>

// cdecl, seven 32-bit arguments, in place: block, length in bytes, address of
// an output pointer, address of an output length, sample rate, channels, 0.
typedef int(__cdecl* ProcessAudioDataFn)(unsigned char* block, int length, unsigned char** outBlock,
                                         int* outLength, unsigned int sampleRate, int channels,
                                         int reserved);

struct ProcessingLibrarySlot {
    const char* fileName;
    HMODULE hModule;
    ProcessAudioDataFn pfnProcessInput;
    ProcessAudioDataFn pfnProcessOutput;
};

class ProcessingLibraryTable {
  public:
    static constexpr int kSlotCount = 2;

    ProcessingLibraryTable();
    ~ProcessingLibraryTable() { Unload(); }
    ProcessingLibraryTable(const ProcessingLibraryTable&) = delete;
    ProcessingLibraryTable& operator=(const ProcessingLibraryTable&) = delete;

    // Loads every slot from the program's own folder, by full path, so no
    // other folder is ever searched; a library that cannot be loaded, or has
    // no input entry, is reported once.
    void Load();
    // The folder Load takes the libraries from instead (tests choose their
    // library so); empty for the program's own folder.
    static void SetFolder(const std::wstring& folder);
    void Unload();

    // The input entry point of a slot, null when it has none or the slot
    // does not exist.
    ProcessAudioDataFn GetInputEntry(int slot) const;
    // Runs the input entry of a slot in place on one block, if it has one.
    // Called by the capture thread; touches nothing of the table after the
    // library returns, so a call that hangs never holds the table.
    bool ProcessInput(int slot, unsigned char* block, int length, unsigned int sampleRate,
                      int channels) const;
    const ProcessingLibrarySlot& GetSlot(int slot) const { return m_slots[slot]; }

  private:
    void LoadSlot(ProcessingLibrarySlot& slot);

    ProcessingLibrarySlot m_slots[kSlotCount];
};

// Created by the main window before any engine can start and deleted after the
// last one has stopped; the window hands it to each engine it starts.
extern ProcessingLibraryTable* g_pProcessingLibraries;
