// Declarative message maps, one line a binding, as WTL has them:
//
//   BEGIN_MSG_MAP(CMyDlg)
//       ON_WM_TIMER(OnTimer)
//       ON_BN_CLICKED(IDC_START, OnStart)
//       CHAIN_MSG_MAP_MEMBER(m_tray)   // a piece with a map of its own
//   END_MSG_MAP()
//
// A handler that wants the default processing as well calls
// SetMsgHandled(false) (for example after changing a WINDOWPOS). Every map
// runs on the thread of the window it serves.
#pragma once

#include <windows.h>

// Anything with a message map: a window, or a piece of one that a window
// chains to.
class CMessageMap {
  public:
    virtual ~CMessageMap() = default;
    // True when the map handled the message; lResult is then its result.
    virtual bool ProcessWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam,
                                      LRESULT& lResult) = 0;

  protected:
    void SetMsgHandled(bool handled) { m_bMsgHandled = handled; }
    bool IsMsgHandled() const { return m_bMsgHandled; }

    // A handler may cause messages of its own (hiding a window sends several)
    // whose handling must not change whether the outer message was handled.
    class HandledScope {
      public:
        explicit HandledScope(CMessageMap& map) : m_map(map), m_outer(map.m_bMsgHandled) {}
        ~HandledScope() { m_map.m_bMsgHandled = m_outer; }
        HandledScope(const HandledScope&) = delete;
        HandledScope& operator=(const HandledScope&) = delete;

      private:
        CMessageMap& m_map;
        bool m_outer;
    };

  private:
    bool m_bMsgHandled = false;
};

#define BEGIN_MSG_MAP(theClass)                                                                    \
    bool ProcessWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)           \
        override {                                                                                 \
        HandledScope handledScope_(*this);                                                         \
        (void)wParam;                                                                              \
        (void)lParam;                                                                              \
        lResult = 0;

#define END_MSG_MAP()                                                                              \
    return false;                                                                                  \
    }

#define ON_MESSAGE_CALL(msg, call)                                                                 \
    if (uMsg == (msg)) {                                                                           \
        SetMsgHandled(true);                                                                       \
        call;                                                                                      \
        if (IsMsgHandled())                                                                        \
            return true;                                                                           \
    }

#define ON_COMMAND_CODE(code, id, func)                                                            \
    if (uMsg == WM_COMMAND && HIWORD(wParam) == (code) && LOWORD(wParam) == (id)) {                \
        SetMsgHandled(true);                                                                       \
        func();                                                                                    \
        if (IsMsgHandled())                                                                        \
            return true;                                                                           \
    }

// Hands the message to a member's own map first-come: the member's lines run
// where this line stands in the map.
#define CHAIN_MSG_MAP_MEMBER(member)                                                               \
    if ((member).ProcessWindowMessage(uMsg, wParam, lParam, lResult))                              \
        return true;

// Messages, with their parameters taken apart.
#define ON_MESSAGE(msg, func) ON_MESSAGE_CALL(msg, lResult = func(wParam, lParam))
#define ON_WM_TIMER(func) ON_MESSAGE_CALL(WM_TIMER, func(static_cast<UINT_PTR>(wParam)))
#define ON_WM_SYSCOMMAND(func)                                                                     \
    ON_MESSAGE_CALL(WM_SYSCOMMAND, func(static_cast<UINT>(wParam), lParam))
#define ON_WM_PAINT(func) ON_MESSAGE_CALL(WM_PAINT, func())
#define ON_WM_QUERYDRAGICON(func)                                                                  \
    ON_MESSAGE_CALL(WM_QUERYDRAGICON, lResult = reinterpret_cast<LRESULT>(func()))
#define ON_WM_WINDOWPOSCHANGING(func)                                                              \
    ON_MESSAGE_CALL(WM_WINDOWPOSCHANGING, func(reinterpret_cast<WINDOWPOS*>(lParam)))
#define ON_WM_CLOSE(func) ON_MESSAGE_CALL(WM_CLOSE, func())
#define ON_WM_DESTROY(func) ON_MESSAGE_CALL(WM_DESTROY, func())
#define ON_WM_DEVICECHANGE(func)                                                                   \
    ON_MESSAGE_CALL(WM_DEVICECHANGE,                                                               \
                    lResult = func(static_cast<UINT>(wParam), static_cast<DWORD_PTR>(lParam)))

// Commands and control notifications; handlers take no arguments.
#define ON_COMMAND(id, func) ON_COMMAND_CODE(0, id, func)
#define ON_BN_CLICKED(id, func) ON_COMMAND_CODE(BN_CLICKED, id, func)
#define ON_STN_CLICKED(id, func) ON_COMMAND_CODE(STN_CLICKED, id, func)
#define ON_CBN_SELCHANGE(id, func) ON_COMMAND_CODE(CBN_SELCHANGE, id, func)
