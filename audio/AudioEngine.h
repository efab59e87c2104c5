// The audio engine: exists exactly while audio is switched on. It owns the
// link to the driver and the capture device, registers the driver's six
// events and turns the driver's signals into start and stop commands for the
// capture device. A new engine is made for every start.
//
//   AudioEngineConfig config;
//   config.captureGuid = guid;            // the microphone
//   config.switches = &g_AppSettings;     // the input switch, read per block
//   config.libraries = table;             // the library slots
//   AudioEngine engine(config);
//   if (engine.Start()) { ... engine.Stop(); }
//
// Threads: the constructor, Start, Stop and the destructor run on the
// user-interface thread, the one whose message loop runs the capture device's
// notification window; the capture commands run there too. While it runs the
// engine has two threads of its own: the driver-event thread (waits and
// posts, never sends) and the capture device's capture thread (reads,
// processes and writes audio). Nothing is locked between them: the event
// slots are filled before the event thread starts and closed after it ends,
// and the capture device is destroyed before the driver link closes.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "DSCaptureDevice.h"

class AppSettings;
class DriverLink;
class ProcessingLibraryTable;

struct AudioEngineConfig {
    GUID captureGuid = {};                             // the DirectSound capture device
    const AppSettings* switches = nullptr;             // its input switch picks the library slot
    const ProcessingLibraryTable* libraries = nullptr; // outlives the engine; null: none
    CaptureFaultSink faults; // told once when capture cannot go on; none by default
};

class AudioEngine {
  public:
    // Prepares a run: opens the driver link, creates and opens the capture
    // device. Reports nothing; a driver that is not there shows in Start.
    explicit AudioEngine(const AudioEngineConfig& config);
    ~AudioEngine() { Shutdown(); }
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // Registers the six driver events and starts the event thread. False when
    // the driver refused an event: the engine is then shut down and does
    // nothing more.
    bool Start();
    // Ends the event thread, unregisters the events and shuts down. Returns
    // whether the driver took every event back; every event is closed and the
    // engine is shut down either way.
    bool Stop();

    CDSCaptureDevice* GetCaptureDevice() const { return m_pCaptureDevice; }
    DriverLink* GetDriverLink() const { return m_pDriverLink; }

  protected:
    // The steps of Start and Stop, in the driver's protocol order; protected
    // so that tests can drive the protocol one step at a time.
    bool RegisterDriverEvents();
    void StartEventThread();
    void StopEventThread();
    bool UnregisterDriverEvents();
    void Shutdown();

  private:
    static DWORD WINAPI EventThreadProc(LPVOID param);
    void OnDriverEvent(DWORD waitResult);

    HANDLE m_hEventThread = nullptr;
    DWORD m_dwEventThreadId = 0;
    std::atomic<int32_t> m_stop{0}; // read afresh by the event thread on every pass
    DriverLink* m_pDriverLink = nullptr;
    CDSCaptureDevice* m_pCaptureDevice = nullptr;
};
