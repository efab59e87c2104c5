// The registry form of the settings: four values under the program's own key
// and its value in the per-user Run key. Stateless; every operation opens its
// key, does its one read, write or delete, and closes it again.
#pragma once

#include <windows.h>

#include <cstdint>

class SettingsStore {
  public:
    static constexpr int32_t kReadFailed = -999;
    static constexpr const char* kSettingsKey = "SOFTWARE\\Hushwave\\Hushwave VoIP";
    static constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr const char* kRunValue = "Hushwave VoIP";
    static constexpr const wchar_t* kRunValueW = L"Hushwave VoIP";

    static int32_t ReadDword(const char* subKey, const char* name);
    static int32_t ReadString(const char* subKey, const char* name, char* buf, DWORD size);
    static int32_t WriteDword(const char* subKey, const char* name, DWORD value);
    static int32_t WriteString(const char* subKey, const char* name, const char* text);
    static int32_t DeleteRunValue();

    static int32_t IsStartWithWindows();
    static int32_t GetAutoStartEngine();
    static int32_t GetConfigStoreType();
    static int32_t GetCaptureName(char* buf, DWORD size);
    static int32_t GetPlaybackName(char* buf, DWORD size);

    static int32_t SetStartWithWindows(int32_t flag);
    static int32_t SetAutoStartEngine(int32_t value);
    static int32_t SetConfigStoreType(int32_t value);
    static int32_t SetCaptureName(const char* text);
    static int32_t SetPlaybackName(const char* text);
};
