// Answers the message boxes that the code under test shows, from a thread of
// its own, and remembers what each one said.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SeenMessageBox {
    std::string caption;
    std::string text;
};

class MessageBoxWatcher {
  public:
    using SeenFn = std::function<void(const SeenMessageBox&)>;
    // Each box stays open `answerAfterMs` before it is answered; `onSeen`
    // runs on the watcher's thread before that, while the box is still open.
    explicit MessageBoxWatcher(DWORD answerAfterMs = 0, SeenFn onSeen = {});
    ~MessageBoxWatcher();

    std::vector<SeenMessageBox> Seen();

  private:
    void Run();
    static BOOL CALLBACK OnWindow(HWND hwnd, LPARAM self);

    DWORD m_answerAfterMs;
    SeenFn m_onSeen;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::vector<SeenMessageBox> m_seen;
    std::vector<HWND> m_answered;
    std::thread m_thread;
};
