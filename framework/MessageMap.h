// Declarative message maps for CDialogBase subclasses, one line a binding:
//
//   BEGIN_MSG_MAP(CMyDlg)
//       ON_WM_TIMER(OnTimer)
//       ON_BN_CLICKED(IDC_START, OnStart)
//   END_MSG_MAP()
//
// A handler that wants the default processing as well calls
// SetMsgHandled(false) (for example after changing a WINDOWPOS).
#pragma once

#include <windows.h>

#define BEGIN_MSG_MAP(theClass)                                                                    \
    bool ProcessWindowMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult)           \
        override {                                                                                 \
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
