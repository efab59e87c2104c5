#include "SettingsStore.h"

#include <cstring>
#include <string>

#include "report/UserReport.h"

namespace {

int32_t Fail(UserReport what) {
    ReportToUser(what);
    return 0;
}

// Creates or opens the key, then `set` writes the one value into it.
template <class Set> int32_t WriteValue(const char* subKey, Set set) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return Fail(UserReport::RegistryCreateFailed);
    LONG status = set(key);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 1 : Fail(UserReport::RegistrySetFailed);
}

int32_t WriteValue(const char* subKey, const char* name, DWORD type, const BYTE* data, DWORD size) {
    return WriteValue(subKey,
                      [&](HKEY key) { return RegSetValueExA(key, name, 0, type, data, size); });
}

} // namespace

int32_t SettingsStore::ReadDword(const char* subKey, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return kReadFailed;
    DWORD value = 0, size = sizeof(value);
    LONG status =
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? static_cast<int32_t>(value) : kReadFailed;
}

int32_t SettingsStore::ReadString(const char* subKey, const char* name, char* buf, DWORD size) {
    if (!buf || size == 0)
        return 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    // One byte stays free, so a value stored without a terminator, or one as
    // long as the buffer, still leaves a terminated string.
    DWORD limit = size - 1;
    LONG status =
        RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &limit);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        std::memset(buf, 0, size); // a refused read may have left part of a value
        return 0;
    }
    // The text ends where the stored value ends, whatever the buffer held.
    buf[limit < size ? limit : size - 1] = '\0';
    return 1;
}

int32_t SettingsStore::WriteDword(const char* subKey, const char* name, DWORD value) {
    return WriteValue(subKey, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                      sizeof(value));
}

int32_t SettingsStore::WriteString(const char* subKey, const char* name, const char* text) {
    // The text's own bytes, without the terminating zero.
    return WriteValue(subKey, name, REG_SZ, reinterpret_cast<const BYTE*>(text),
                      static_cast<DWORD>(std::strlen(text)));
}

int32_t SettingsStore::DeleteRunValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return Fail(UserReport::RegistryOpenFailed);
    LONG status = RegDeleteValueA(key, kRunValue);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 1 : Fail(UserReport::RegistryDeleteFailed);
}

int32_t SettingsStore::IsStartWithWindows() {
    char buf[1024] = {};
    return ReadString(kRunKey, kRunValue, buf, sizeof(buf));
}

int32_t SettingsStore::GetAutoStartEngine() {
    return ReadDword(kSettingsKey, "AutoStartEngine") == 1 ? 1 : 0;
}

int32_t SettingsStore::GetConfigStoreType() {
    return ReadDword(kSettingsKey, "ConfigStoreType") == 1 ? 1 : 0;
}

int32_t SettingsStore::GetCaptureName(char* buf, DWORD size) {
    return ReadString(kSettingsKey, "CaptureName", buf, size);
}

int32_t SettingsStore::GetPlaybackName(char* buf, DWORD size) {
    return ReadString(kSettingsKey, "PlaybackName", buf, size);
}

// The path in UTF-16 throughout: an ANSI copy of a folder name outside the
// code page would start nothing. The text is stored without its terminator,
// as every other string value.
int32_t SettingsStore::SetStartWithWindows(int32_t flag) {
    wchar_t path[256] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, 256);
    // A path that does not fit would make a Run command for another file.
    if (length == 0 || length >= 256)
        return Fail(UserReport::NoModuleFileName);
    if (!flag)
        return DeleteRunValue() ? 1 : 0;
    const std::wstring command = L"\"" + std::wstring(path) + L"\" /minimize";
    const auto* data = reinterpret_cast<const BYTE*>(command.c_str());
    const DWORD size = static_cast<DWORD>(command.size() * sizeof(wchar_t));
    return WriteValue(
        kRunKey, [&](HKEY key) { return RegSetValueExW(key, kRunValueW, 0, REG_SZ, data, size); });
}

int32_t SettingsStore::SetAutoStartEngine(int32_t value) {
    return WriteDword(kSettingsKey, "AutoStartEngine", static_cast<DWORD>(value));
}

int32_t SettingsStore::SetConfigStoreType(int32_t value) {
    return WriteDword(kSettingsKey, "ConfigStoreType", static_cast<DWORD>(value));
}

int32_t SettingsStore::SetCaptureName(const char* text) {
    return WriteString(kSettingsKey, "CaptureName", text);
}

int32_t SettingsStore::SetPlaybackName(const char* text) {
    return WriteString(kSettingsKey, "PlaybackName", text);
}
