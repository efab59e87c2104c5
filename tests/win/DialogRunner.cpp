#include "DialogRunner.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "report/MessageBoxReporter.h"
#include "settings/SettingsStore.h"
#include "ui/DeviceGuidTable.h"

namespace {

// Tells the test when the initialisation is complete: the dialog's thread may
// answer sent messages in the middle of it (DirectSound runs message loops).
class ObservedDialog : public CAudioCaptureDlg {
  public:
    ObservedDialog(std::atomic<HWND>& ready, bool startHidden, IDeviceEnumerator* devices)
        : CAudioCaptureDlg(startHidden), m_ready(ready) {
        if (devices)
            UseDeviceEnumerator(*devices);
    }

  protected:
    BOOL OnInitDialog() override {
        BOOL result = CAudioCaptureDlg::OnInitDialog();
        m_ready = m_hWnd;
        return result;
    }

  private:
    std::atomic<HWND>& m_ready;
};

// What the windows of the dialog's thread say: the reason it did not come up
// or go away in time (a message box, most likely).
BOOL CALLBACK DescribeWindow(HWND hwnd, LPARAM out) {
    char caption[256] = {}, text[512] = {};
    GetWindowTextA(hwnd, caption, sizeof(caption));
    GetDlgItemTextA(hwnd, 0xFFFF, text, sizeof(text));
    *reinterpret_cast<std::string*>(out) += "[" + std::string(caption) + "] " + text + "\n";
    return TRUE;
}

std::string WindowsOfThread(DWORD thread) {
    std::string windows;
    EnumThreadWindows(thread, DescribeWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

BOOL CALLBACK AnswerMessageBox(HWND hwnd, LPARAM) {
    if (GetDlgItem(hwnd, 0xFFFF))
        PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}

constexpr DWORD kEndTimeoutMs = 20000;

} // namespace

DialogRunner::DialogRunner(bool startHidden, IDeviceEnumerator* devices) {
    // Each run stands for a new start of the program, whose table starts empty
    // and whose reports are message boxes.
    g_DeviceGuidTable.Reset();
    InstallMessageBoxReporter();
    std::atomic<HWND> ready{nullptr};
    m_thread = std::thread([this, &ready, startHidden, devices] {
        m_threadId = GetCurrentThreadId();
        ObservedDialog dialog(ready, startHidden, devices);
        m_dialog = &dialog;
        m_result = dialog.DoModal();
        m_dialog = nullptr;
        m_ended = true;
    });
    const DWORD start = GetTickCount();
    while (!ready.load() && !m_ended && GetTickCount() - start < 10000)
        Sleep(5);
    m_hwnd = ready.load();
    if (!m_hwnd && !m_ended)
        ADD_FAILURE() << "the main window did not come up in 10 s; its thread shows:\n"
                      << WindowsOfThread(m_threadId);
}

// Bounded: a dialog that does not end is a failure of the test, not a hang of
// the whole run. Message boxes still open are answered on the way.
DialogRunner::~DialogRunner() {
    const DWORD start = GetTickCount();
    while (!m_ended && GetTickCount() - start < kEndTimeoutMs) {
        EnumThreadWindows(m_threadId, AnswerMessageBox, 0);
        if (HWND hwnd = m_hwnd ? m_hwnd : (m_dialog ? m_dialog->GetSafeHwnd() : nullptr))
            PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
        Sleep(200);
    }
    if (!m_ended) {
        std::fprintf(stderr, "the main window did not end in %lu s; its thread shows:\n%s",
                     kEndTimeoutMs / 1000, WindowsOfThread(m_threadId).c_str());
        std::fflush(stderr);
        ExitProcess(3); // its thread still uses this object: nothing else is safe
    }
    m_thread.join();
}

bool DialogRunner::WaitForEnd(DWORD ms) {
    const DWORD start = GetTickCount();
    while (!m_ended && GetTickCount() - start < ms)
        Sleep(10);
    return m_ended;
}

void DialogRunner::Command(int id, int code) {
    SendMessageA(m_hwnd, WM_COMMAND, MAKEWPARAM(id, code),
                 code == 0 && !GetDlgItem(m_hwnd, id)
                     ? 0
                     : reinterpret_cast<LPARAM>(GetDlgItem(m_hwnd, id)));
}

void DialogRunner::SelectAndNotify(int comboId, int index) {
    SendDlgItemMessageA(m_hwnd, comboId, CB_SETCURSEL, index, 0);
    Command(comboId, CBN_SELCHANGE);
}

std::string DialogRunner::Text(int controlId) {
    char buf[1024] = {};
    GetDlgItemTextA(m_hwnd, controlId, buf, sizeof(buf));
    return buf;
}

bool DialogRunner::Checked(int controlId) {
    return IsDlgButtonChecked(m_hwnd, controlId) == BST_CHECKED;
}

UINT DialogRunner::MainMenuState(UINT command) {
    return GetMenuState(GetMenu(m_hwnd), command, MF_BYCOMMAND);
}

UINT DialogRunner::TrayMenuState(UINT command) {
    return GetMenuState(m_dialog->GetTrayMenu(), command, MF_BYCOMMAND);
}

void ClearSettings() {
    RegDeleteKeyA(HKEY_CURRENT_USER, SettingsStore::kSettingsKey);
    DeleteRunValue();
}

void SetSettingDword(const char* name, DWORD value) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, SettingsStore::kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    RegCloseKey(key);
}

// Without a terminator the data is written from a buffer whose next byte is
// not zero, so nothing adds one.
void SetSettingString(const char* name, const std::string& value, bool withTerminator) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, SettingsStore::kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, nullptr);
    std::vector<char> data(value.begin(), value.end());
    data.push_back(withTerminator ? '\0' : 'X');
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(value.size() + (withTerminator ? 1 : 0)));
    RegCloseKey(key);
}

bool ReadSettingString(const char* name, std::string& value) {
    char buf[1024] = {};
    if (!SettingsStore::ReadString(SettingsStore::kSettingsKey, name, buf, sizeof(buf)))
        return false;
    value = buf;
    return true;
}

bool SettingsKeyExists() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsStore::kSettingsKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ReadRunValue(std::string& value) {
    char buf[1024] = {};
    if (!SettingsStore::ReadString(SettingsStore::kRunKey, SettingsStore::kRunValue, buf,
                                   sizeof(buf)))
        return false;
    value = buf;
    return true;
}

void DeleteRunValue() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsStore::kRunKey, 0, KEY_ALL_ACCESS, &key) ==
        ERROR_SUCCESS) {
        RegDeleteValueA(key, SettingsStore::kRunValue);
        RegCloseKey(key);
    }
}
