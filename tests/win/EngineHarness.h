// What the end-to-end tests share: the rig's microphone, the marking library
// installed as the program's library table, and the VoIP side reading the
// virtual microphone while this thread runs the message loop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "audio/AudioEngine.h"
#include "audio/ProcessingLibraryTable.h"
#include "tools/VadPeer.h"

struct HshMarkLog;
// The marking library's call log, shared with every process that maps it.
HshMarkLog* MarkLog();

// The DirectSound capture GUID whose description is `description`.
bool FindCaptureDevice(const char* description, GUID& guid);

class EngineHarness {
  public:
    // Selects a microphone of the rig and loads the library found in the
    // build tree's folder `libraryFolder`: the marking library by default,
    // "bin" for the real one.
    explicit EngineHarness(const char* libraryFolder = "testlib",
                           const char* microphone = "Rig Pattern Microphone");
    ~EngineHarness();

    VadPeer& Peer() { return m_peer; }
    // What the window would give an engine: the rig's microphone, the
    // program-wide switches and this harness's library table.
    AudioEngineConfig EngineConfig() const;
    // Pumps messages for `ms`, reading what the driver received meanwhile.
    void Run(DWORD ms);
    // Pumps until `done` or `timeoutMs`, reading the driver meanwhile.
    bool RunUntil(const std::function<bool()>& done, DWORD timeoutMs);
    void Read();
    void Clear();
    // Keeps what was received in the build tree, for a look after a failure.
    void Save(const char* name) const;

    std::vector<uint8_t> audio; // received by the VoIP side, in order
    uint64_t lostBytes = 0;
    bool deviceFound = false;

  private:
    VadPeer m_peer;
    std::unique_ptr<ProcessingLibraryTable> m_table;
};
