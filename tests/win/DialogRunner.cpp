#include "DialogRunner.h"

#include <vector>

#include "report/MessageBoxReporter.h"
#include "settings/SettingsStore.h"
#include "ui/DeviceGuidTable.h"

namespace {

// Tells the test when the initialisation is complete: the dialog's thread may
// answer sent messages in the middle of it (DirectSound runs message loops).
class ObservedDialog : public CAudioCaptureDlg {
  public:
    ObservedDialog(std::atomic<HWND>& ready, bool startHidden)
        : CAudioCaptureDlg(startHidden), m_ready(ready) {}

  protected:
    BOOL OnInitDialog() override {
        BOOL result = CAudioCaptureDlg::OnInitDialog();
        m_ready = m_hWnd;
        return result;
    }

  private:
    std::atomic<HWND>& m_ready;
};

} // namespace

DialogRunner::DialogRunner(bool startHidden) {
    // Each run stands for a new start of the program, whose table starts empty
    // and whose reports are message boxes.
    g_DeviceGuidTable.Reset();
    InstallMessageBoxReporter();
    std::atomic<HWND> ready{nullptr};
    m_thread = std::thread([this, &ready, startHidden] {
        ObservedDialog dialog(ready, startHidden);
        m_dialog = &dialog;
        m_result = dialog.DoModal();
        m_dialog = nullptr;
        m_ended = true;
    });
    const DWORD start = GetTickCount();
    while (!ready.load() && !m_ended && GetTickCount() - start < 10000)
        Sleep(5);
    m_hwnd = ready.load();
}

DialogRunner::~DialogRunner() {
    if (!m_ended && m_hwnd)
        PostMessageA(m_hwnd, WM_COMMAND, IDOK, 0);
    if (m_thread.joinable())
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
