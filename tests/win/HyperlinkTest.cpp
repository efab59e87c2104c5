// A static text turned into a link, on windows of the test's own thread: its
// colour, the hand cursor, the underline while the pointer is over it, the
// capture, and what is left after its window is destroyed.
#include <gtest/gtest.h>

#include <windows.h>

#include "ui/Hyperlink.h"

namespace {

bool Underlined(HFONT font) {
    LOGFONTA f = {};
    return GetObjectA(font, sizeof(f), &f) != 0 && f.lfUnderline != 0;
}

LPARAM At(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                      static_cast<WORD>(static_cast<short>(y)));
}

// A parent with two links and a plain static text, all with one font.
class HyperlinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "HyperlinkTestParent";
        RegisterClassA(&wc); // a second registration fails harmlessly
        parent = CreateWindowA("HyperlinkTestParent", "links", WS_POPUP | WS_VISIBLE, 10, 10, 300,
                               120, nullptr, nullptr, wc.hInstance, nullptr);
        font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
        link = Static("www.example.org", 10);
        other = Static("support@example.org", 40);
        plain = Static("plain", 70);
        ASSERT_TRUE(AttachHyperlink(link));
        ASSERT_TRUE(AttachHyperlink(other));
    }
    void TearDown() override {
        if (IsWindow(parent))
            DestroyWindow(parent);
        DeleteObject(font);
    }
    HWND Static(const char* text, int y) {
        HWND h = CreateWindowA("Static", text, WS_CHILD | WS_VISIBLE | SS_LEFT, 10, y, 200, 20,
                               parent, nullptr, GetModuleHandleA(nullptr), nullptr);
        SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return h;
    }
    HFONT FontOf(HWND h) { return reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0)); }
    COLORREF TextColourFor(HWND control) {
        HDC dc = GetDC(parent);
        SetTextColor(dc, RGB(1, 2, 3));
        SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(control));
        const COLORREF colour = GetTextColor(dc);
        ReleaseDC(parent, dc);
        return colour;
    }

    HWND parent = nullptr, link = nullptr, other = nullptr, plain = nullptr;
    HFONT font = nullptr;
};

// Two links on one parent: both blue (a parent subclassed twice would call
// itself for ever), the other text in its own colour.
TEST_F(HyperlinkTest, TwoLinksAreBlueTheOtherTextKeepsItsColour) {
    EXPECT_EQ(TextColourFor(link), RGB(0, 0, 192));
    EXPECT_EQ(TextColourFor(other), RGB(0, 0, 192));
    EXPECT_NE(TextColourFor(plain), RGB(0, 0, 192));
}

TEST_F(HyperlinkTest, TheHandCursorShowsOverALink) {
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_TRUE(SendMessageA(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                             MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_HAND));
}

// Coming in underlines and captures; leaving on any side gives the font back
// and releases the capture at the first move outside.
TEST_F(HyperlinkTest, HoverUnderlinesAndLeavingOnAnySideRestores) {
    RECT client;
    GetClientRect(link, &client);
    const LPARAM outside[] = {At(-3, 5), At(client.right + 3, 5), At(5, -3),
                              At(5, client.bottom + 3)};
    for (LPARAM away : outside) {
        SendMessageA(link, WM_MOUSEMOVE, 0, At(5, 5));
        EXPECT_TRUE(Underlined(FontOf(link)));
        EXPECT_EQ(GetCapture(), link);
        SendMessageA(link, WM_MOUSEMOVE, 0, At(6, 6)); // still inside
        EXPECT_TRUE(Underlined(FontOf(link)));
        EXPECT_EQ(GetCapture(), link);
        SendMessageA(link, WM_MOUSEMOVE, 0, away);
        EXPECT_EQ(FontOf(link), font);
        EXPECT_EQ(GetCapture(), nullptr);
    }
}

TEST_F(HyperlinkTest, DestroyingTheWindowsFreesTheUnderlinedFontsAndKeepsTheDialogs) {
    HFONT underlined[2] = {};
    HWND links[2] = {link, other};
    for (int i = 0; i < 2; ++i) {
        SendMessageA(links[i], WM_MOUSEMOVE, 0, At(5, 5));
        underlined[i] = FontOf(links[i]);
        SendMessageA(links[i], WM_MOUSEMOVE, 0, At(-3, 5));
        ASSERT_EQ(GetObjectType(underlined[i]), static_cast<DWORD>(OBJ_FONT));
    }
    DestroyWindow(parent);
    for (HFONT f : underlined)
        EXPECT_EQ(GetObjectType(f), 0u) << "an underlined font outlived its link";
    EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT)) << "the dialog's font was freed";
}

} // namespace
