// Turns a dialog's static text into a link: dark blue, underlined under the
// pointer, a hand cursor, and a click notification to the parent. All state
// lives in window properties, so no object is needed; both subclassings undo
// themselves when their window is destroyed.
#pragma once

#include <windows.h>

BOOL AttachHyperlink(HWND control);
BOOL AttachHyperlinkItem(HWND parent, int controlId);

LRESULT CALLBACK HyperlinkWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HyperlinkParentWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The colour of every link.
constexpr COLORREF kHyperlinkColour = RGB(0, 0, 192);
