#include "MessageBoxWatcher.h"

#include <algorithm>

MessageBoxWatcher::MessageBoxWatcher(DWORD answerAfterMs, SeenFn onSeen)
    : m_answerAfterMs(answerAfterMs), m_onSeen(std::move(onSeen)), m_thread([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    m_stop = true;
    m_thread.join();
}

std::vector<SeenMessageBox> MessageBoxWatcher::Seen() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_seen;
}

void MessageBoxWatcher::Run() {
    while (!m_stop) {
        EnumWindows(OnWindow, reinterpret_cast<LPARAM>(this));
        Sleep(20);
    }
}

BOOL CALLBACK MessageBoxWatcher::OnWindow(HWND hwnd, LPARAM param) {
    auto* self = reinterpret_cast<MessageBoxWatcher*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    // A message box is a dialog with the text control 0xFFFF; other dialogs
    // of the process (the main window, the About box) are not answered.
    if (pid != GetCurrentProcessId() || lstrcmpA(cls, "#32770") != 0 || !IsWindowVisible(hwnd) ||
        !GetDlgItem(hwnd, 0xFFFF))
        return TRUE;
    std::lock_guard<std::mutex> lock(self->m_mutex);
    if (std::find(self->m_answered.begin(), self->m_answered.end(), hwnd) != self->m_answered.end())
        return TRUE;
    char caption[256] = {}, text[1024] = {};
    GetWindowTextA(hwnd, caption, sizeof(caption));
    // A box may show before its text is in place: give it a moment.
    for (int i = 0; i < 25 && !text[0]; ++i) {
        GetDlgItemTextA(hwnd, 0xFFFF, text, sizeof(text)); // a message box's text control
        if (!text[0])
            Sleep(20);
    }
    self->m_seen.push_back({caption, text});
    self->m_answered.push_back(hwnd);
    if (self->m_onSeen)
        self->m_onSeen(self->m_seen.back());
    if (self->m_answerAfterMs)
        Sleep(self->m_answerAfterMs);
    PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    return TRUE;
}
