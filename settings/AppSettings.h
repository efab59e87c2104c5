// The program's one in-memory record of its configuration and of the user's
// current choices. A plain record: get and set, nothing else.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

class AppSettings {
  public:
    AppSettings() = default;
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    int32_t GetStartWithWindows() const { return m_startWithWindows; }
    void SetStartWithWindows(int32_t value) { m_startWithWindows = value; }
    int32_t GetAutoStartEngine() const { return m_autoStartEngine; }
    void SetAutoStartEngine(int32_t value) { m_autoStartEngine = value; }
    int32_t GetConfigStoreType() const { return m_configStoreType; }
    void SetConfigStoreType(int32_t value) { m_configStoreType = value; }
    std::string GetCaptureName() const { return m_captureName; }
    void SetCaptureName(const std::string& name) { m_captureName = name; }
    std::string GetPlaybackName() const { return m_playbackName; }
    void SetPlaybackName(const std::string& name) { m_playbackName = name; }

    // Read by the capture thread for every block: one atomic 32-bit value, so
    // a switch takes effect with the next block and never tears.
    int32_t GetInputNoiseCancellation() const {
        return m_inputNoiseCancellation.load(std::memory_order_relaxed);
    }
    void SetInputNoiseCancellation(int32_t value) {
        m_inputNoiseCancellation.store(value, std::memory_order_relaxed);
    }
    int32_t GetOutputNoiseCancellation() const { return m_outputNoiseCancellation; }
    void SetOutputNoiseCancellation(int32_t value) { m_outputNoiseCancellation = value; }

    const GUID& GetCaptureGuid() const { return m_captureGuid; }
    void SetCaptureGuid(const GUID& guid) { m_captureGuid = guid; }
    const GUID& GetPlaybackGuid() const { return m_playbackGuid; }
    void SetPlaybackGuid(const GUID& guid) { m_playbackGuid = guid; }

  private:
    int32_t m_startWithWindows = 0;
    int32_t m_autoStartEngine = 0;
    int32_t m_configStoreType = 0;
    std::string m_captureName;
    std::string m_playbackName;
    std::atomic<int32_t> m_inputNoiseCancellation{0};
    int32_t m_outputNoiseCancellation = 0;
    GUID m_captureGuid{};
    GUID m_playbackGuid{};
};

// Program-wide, built during static initialisation and alive for the whole run.
extern AppSettings g_AppSettings;
