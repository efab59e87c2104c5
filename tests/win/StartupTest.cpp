// The splash at the real program's start: it ends by its time-out, neither
// early nor late, or at once on a click; the main window follows either way.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "AppProcess.h"
#include "DialogRunner.h"
#include "res/resource.h"

namespace {

// How long `hwnd` lives from now, up to `limitMs`.
DWORD Lifetime(HWND hwnd, DWORD limitMs) {
    const DWORD start = GetTickCount();
    while (IsWindow(hwnd) && GetTickCount() - start < limitMs)
        Sleep(20);
    return GetTickCount() - start;
}

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override { ClearSettings(); }
    void TearDown() override { ClearSettings(); }
};

// Its five seconds run from before it can be seen, so the bounds are wide;
// the upper one is what tells a time-out that never comes.
TEST_F(StartupTest, TheSplashEndsByItsTimeOutWithinBounds) {
    AppProcess app;
    HWND splash = app.Splash();
    ASSERT_NE(splash, nullptr);
    const DWORD shown = Lifetime(splash, 20000);
    std::printf("splash seen for %lu ms\n", static_cast<unsigned long>(shown));
    EXPECT_GE(shown, 4000u) << "ended before its time-out";
    EXPECT_LE(shown, 10000u) << "no end by its time-out";
    EXPECT_NE(app.MainWindow(10000), nullptr);
}

TEST_F(StartupTest, AClickEndsTheSplashAtOnceAndTheMainWindowFollows) {
    AppProcess app;
    HWND splash = app.Splash();
    ASSERT_NE(splash, nullptr);
    HWND picture = GetDlgItem(splash, IDC_SPLASH_PICTURE); // a click as the mouse makes it
    PostMessageA(picture, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    PostMessageA(picture, WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_LT(Lifetime(splash, 10000), 4000u) << "the click did not end it";
    EXPECT_NE(app.MainWindow(10000), nullptr);
}

} // namespace
