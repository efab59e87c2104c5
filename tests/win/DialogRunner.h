// Runs the main window in this process on a thread of its own, as the
// program's user-interface thread would, so tests can work it with messages
// and read what Wine does not show across processes (menus, for one).
#pragma once

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "ui/AudioCaptureDlg.h"

class DialogRunner {
  public:
    // Starts the dialog (hidden in the tray, as /minimize starts it, when
    // `startHidden`; with its device lists from `devices` when given) and
    // waits until its initialisation is done.
    explicit DialogRunner(bool startHidden = false, IDeviceEnumerator* devices = nullptr);
    // Ends the dialog (its OK command) unless it ended already.
    ~DialogRunner();

    CAudioCaptureDlg& Dlg() { return *m_dialog; }
    HWND Hwnd() const { return m_hwnd; }
    bool Ended() const { return m_ended; }
    INT_PTR Result() const { return m_result; }
    // Waits until the dialog has ended (for example after a fatal message).
    bool WaitForEnd(DWORD ms);

    // A command or control notification, sent as the control or menu would.
    void Command(int id, int code = 0);
    void SelectAndNotify(int comboId, int index);
    std::string Text(int controlId);
    bool Checked(int controlId);
    UINT MainMenuState(UINT command);
    UINT TrayMenuState(UINT command);

  private:
    CAudioCaptureDlg* m_dialog = nullptr;
    HWND m_hwnd = nullptr;
    std::atomic<bool> m_ended{false};
    INT_PTR m_result = 0;
    std::atomic<DWORD> m_threadId{0};
    std::thread m_thread;
};

// Registry helpers for the program's settings.
void ClearSettings();
void SetSettingDword(const char* name, DWORD value);
void SetSettingString(const char* name, const std::string& value, bool withTerminator);
bool ReadSettingString(const char* name, std::string& value);
bool SettingsKeyExists();
bool ReadRunValue(std::string& value);
void DeleteRunValue();
