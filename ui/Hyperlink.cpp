#include "Hyperlink.h"

namespace {

const char kOriginalProc[] = "_Hyperlink_Original_Proc_";
const char kOriginalFont[] = "_Hyperlink_Original_Font_";
const char kUnderlineFont[] = "_Hyperlink_Underline_Font_";
const char kFromStatic[] = "_Hyperlink_From_Static_";

WNDPROC PreviousProc(HWND hwnd) {
    return reinterpret_cast<WNDPROC>(GetPropA(hwnd, kOriginalProc));
}

WNDPROC Subclass(HWND hwnd, WNDPROC proc) {
    auto previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    SetPropA(hwnd, kOriginalProc, reinterpret_cast<HANDLE>(previous));
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
    return previous;
}

void Unsubclass(HWND hwnd, WNDPROC previous) {
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropA(hwnd, kOriginalProc);
}

void SelectFont(HWND hwnd, const char* property) {
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetPropA(hwnd, property)), FALSE);
    InvalidateRect(hwnd, nullptr, FALSE);
}

bool PointerInside(HWND hwnd, LPARAM lParam) {
    POINT pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(hwnd, &pt);
    RECT rect;
    GetWindowRect(hwnd, &rect);
    return PtInRect(&rect, pt) != FALSE;
}

void OnMouseMove(HWND hwnd, LPARAM lParam) {
    if (GetCapture() != hwnd) { // the pointer has just come in
        SelectFont(hwnd, kUnderlineFont);
        SetCapture(hwnd);
    } else if (!PointerInside(hwnd, lParam)) {
        SelectFont(hwnd, kOriginalFont);
        ReleaseCapture();
    }
}

void Detach(HWND hwnd, WNDPROC previous) {
    Unsubclass(hwnd, previous);
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetPropA(hwnd, kOriginalFont)), FALSE);
    RemovePropA(hwnd, kOriginalFont);
    if (HANDLE underline = GetPropA(hwnd, kUnderlineFont))
        DeleteObject(static_cast<HFONT>(underline));
    RemovePropA(hwnd, kUnderlineFont);
    RemovePropA(hwnd, kFromStatic);
}

} // namespace

BOOL AttachHyperlink(HWND control) {
    HWND parent = GetParent(control);
    if (parent && reinterpret_cast<WNDPROC>(GetWindowLongPtrA(parent, GWLP_WNDPROC)) !=
                      HyperlinkParentWndProc)
        Subclass(parent, HyperlinkParentWndProc);

    SetWindowLongPtrA(control, GWL_STYLE, GetWindowLongPtrA(control, GWL_STYLE) | SS_NOTIFY);
    Subclass(control, HyperlinkWndProc);

    auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    SetPropA(control, kOriginalFont, font);
    LOGFONTA logFont = {};
    GetObjectA(font, sizeof(logFont), &logFont);
    logFont.lfUnderline = 1;
    SetPropA(control, kUnderlineFont, CreateFontIndirectA(&logFont));
    SetPropA(control, kFromStatic, reinterpret_cast<HANDLE>(1));
    return TRUE;
}

BOOL AttachHyperlinkItem(HWND parent, int controlId) {
    return AttachHyperlink(GetDlgItem(parent, controlId));
}

LRESULT CALLBACK HyperlinkParentWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = PreviousProc(hwnd);
    switch (msg) {
    case WM_CTLCOLORSTATIC: {
        LRESULT brush = CallWindowProcA(previous, hwnd, msg, wParam, lParam);
        if (GetPropA(reinterpret_cast<HWND>(lParam), kFromStatic))
            SetTextColor(reinterpret_cast<HDC>(wParam), kHyperlinkColour);
        return brush;
    }
    case WM_DESTROY:
        Unsubclass(hwnd, previous);
        return CallWindowProcA(previous, hwnd, msg, wParam, lParam);
    default:
        return CallWindowProcA(previous, hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK HyperlinkWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = PreviousProc(hwnd);
    switch (msg) {
    case WM_SETCURSOR: {
        HCURSOR hand = LoadCursorA(nullptr, MAKEINTRESOURCEA(32649)); // IDC_HAND
        SetCursor(hand ? hand : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
        return TRUE;
    }
    case WM_MOUSEMOVE:
        OnMouseMove(hwnd, lParam);
        break;
    case WM_DESTROY:
        Detach(hwnd, previous);
        break;
    default:
        break;
    }
    return CallWindowProcA(previous, hwnd, msg, wParam, lParam);
}
