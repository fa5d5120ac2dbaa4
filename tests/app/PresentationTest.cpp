// Presentation mode on the real main window: full screen without chrome and
// back, the browser, the shows it ends, Exit, and the cursor that hides itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/MainMenu.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/Presentation.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "browser/ThumbnailDB.h"
#include "browser/ThumbnailLoader.h"
#include "command_ids.h"
#include "support/SettingsKeeper.h"
#include "support/TestSupport.h"

namespace {

TEST(CursorWatch, HidesAfterThreeQuietSecondsAndShowsOnAMove) {
    CursorWatch watch;
    const POINT a = {10, 10}, b = {11, 10};
    EXPECT_EQ(StepCursorWatch(watch, true, a, 5000), CURSOR_KEEP);  // the clock starts here
    EXPECT_EQ(StepCursorWatch(watch, true, a, 8000), CURSOR_KEEP);  // exactly 3000 ms
    EXPECT_EQ(StepCursorWatch(watch, true, a, 8001), CURSOR_HIDE);
    EXPECT_EQ(StepCursorWatch(watch, false, a, 8100), CURSOR_KEEP);
    EXPECT_EQ(StepCursorWatch(watch, false, b, 8200), CURSOR_SHOW);
    // Showing did not restart the clock: still at the next quiet call it hides again.
    EXPECT_EQ(StepCursorWatch(watch, true, b, 8300), CURSOR_HIDE);
    // A move while shown restarts it.
    EXPECT_EQ(StepCursorWatch(watch, false, a, 8400), CURSOR_SHOW);
    EXPECT_EQ(StepCursorWatch(watch, true, b, 8500), CURSOR_KEEP);
    EXPECT_EQ(StepCursorWatch(watch, true, b, 11500), CURSOR_KEEP);
    EXPECT_EQ(StepCursorWatch(watch, true, b, 11501), CURSOR_HIDE);
}

TEST(CursorWatch, TickCountWrapsAround) {
    CursorWatch watch;
    const POINT a = {0, 0};
    EXPECT_EQ(StepCursorWatch(watch, true, a, 0xFFFFFC00u), CURSOR_KEEP);  // 1024 ms before the wrap
    EXPECT_EQ(StepCursorWatch(watch, true, a, 100), CURSOR_KEEP);
    EXPECT_EQ(StepCursorWatch(watch, true, a, 1976), CURSOR_KEEP);  // 3000 ms
    EXPECT_EQ(StepCursorWatch(watch, true, a, 1977), CURSOR_HIDE);
}

// The cursor position and time the timer sees.
CursorSample g_sample = {};
CursorSample InjectedSample() { return g_sample; }

// The display count ShowCursor keeps for this thread.
int CursorCount() {
    ShowCursor(TRUE);
    return ShowCursor(FALSE);
}

class PresentationTest : public apptest::ShellWindowFixture {
protected:
    void SetUp() override {
        apptest::ShellWindowFixture::SetUp();
        previousSource = SetCursorSampleSource(InjectedSample);
        g_sample = {{100, 100}, 1000};
    }
    void TearDown() override {
        if (AppState::ViewMode == VIEW_PRESENTATION) TogglePresentationMode(false);
        SetCursorSampleSource(previousSource);
        Browser.Close();
        AppState::SlideShowRunning = 0;
        apptest::ShellWindowFixture::TearDown();
        SetThumbDBRootForTesting(nullptr);
    }
    void Open() {
        path = dir.File(L"still.bmp");
        apptest::WriteSolidPicture(path, 120, 90, RGB(10, 200, 30));
        OpenMediaFile(path.c_str());
        qrvtest::Pump();
        ASSERT_EQ(AppState::DocumentKind, DOC_FILE);
    }
    void Toggle() {
        SendMessageW(window, WM_COMMAND, IDM_PRESENTATION_MODE, 0);
        qrvtest::Pump();
    }
    LONG Style() const { return GetWindowLongW(window, GWL_STYLE); }
    bool Topmost() const { return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

    qrvtest::TempDir dir, dbRoot;
    qrvtest::SettingsKeeper settings;
    std::wstring path;
    CursorSampleSource previousSource = nullptr;
};

TEST_F(PresentationTest, StillImageFillsTheScreenWithoutChromeAndGetsItBack) {
    Open();
    const RECT margins = AppState::ViewMargins;
    ASSERT_GT(margins.top + margins.bottom + margins.right, 0) << "the viewer has chrome to remove";
    ASSERT_TRUE(ImageToolBar.created && ViewScrollBars.created && StatusBar.created && MainToolBar.created);

    Toggle();
    EXPECT_EQ(AppState::ViewMode, VIEW_PRESENTATION);
    const RECT& m = AppState::ViewMargins;
    EXPECT_EQ(m.left, 0);
    EXPECT_EQ(m.top, 0);
    EXPECT_EQ(m.right, 0);
    EXPECT_EQ(m.bottom, 0);
    EXPECT_EQ(GetMenu(window), nullptr);
    EXPECT_FALSE(ImageToolBar.created || ViewScrollBars.created || StatusBar.created || MainToolBar.created);
    EXPECT_TRUE(Style() & WS_POPUP);
    EXPECT_FALSE(Style() & WS_CAPTION);
    EXPECT_FALSE(Style() & WS_THICKFRAME);
    EXPECT_TRUE(Topmost());
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(frame.top, 0);
    EXPECT_EQ(frame.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(frame.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(GetViewBackgroundColor(), RGB(0, 0, 0));
    EXPECT_TRUE(AppState::CursorShown);
    EXPECT_FALSE(AppState::PaintSuspended);

    Toggle();
    EXPECT_EQ(AppState::ViewMode, VIEW_VIEWER);
    EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &margins))
        << AppState::ViewMargins.left << " " << AppState::ViewMargins.top << " " << AppState::ViewMargins.right << " "
        << AppState::ViewMargins.bottom;
    EXPECT_NE(GetMenu(window), nullptr);
    EXPECT_EQ(GetMenu(window), MainMenu.menu);
    EXPECT_TRUE(ImageToolBar.created && ViewScrollBars.created && StatusBar.created && MainToolBar.created);
    EXPECT_FALSE(Style() & WS_POPUP);
    EXPECT_TRUE((Style() & WS_CAPTION) == WS_CAPTION);
    EXPECT_TRUE(Style() & WS_THICKFRAME);
    EXPECT_FALSE(Topmost());
    EXPECT_FALSE(AppState::PaintSuspended);
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    EXPECT_FALSE(KillTimer(window, TIMER_CURSOR_HIDE)) << "the cursor timer ends with the mode";
}

TEST_F(PresentationTest, AlwaysOnTopKeepsTheWindowOnTopWhenLeaving) {
    AppState::GeneralAlwaysOnTop = 1;
    Open();
    Toggle();
    Toggle();
    EXPECT_TRUE(Topmost());
}

TEST_F(PresentationTest, EnteredFromTheBrowserLeavesToTheBrowser) {
    SetThumbDBRootForTesting(dbRoot.Path().c_str());
    Open();  // full screen needs a picture, also when it is entered from the browser
    apptest::WriteSolidPicture(dir.File(L"a.bmp"), 40, 30, RGB(200, 0, 0));
    ASSERT_TRUE(Browser.Open(dir.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, window));
    ASSERT_TRUE(WaitForThumbnailLoader(60000));
    qrvtest::Pump();
    ASSERT_TRUE(Browser.IsShown());
    ASSERT_EQ(AppState::ViewMode, VIEW_BROWSER);

    Toggle();
    EXPECT_EQ(AppState::ViewMode, VIEW_PRESENTATION);
    EXPECT_TRUE(Browser.IsHidden());
    Toggle();
    EXPECT_EQ(AppState::ViewMode, VIEW_BROWSER);
    EXPECT_TRUE(Browser.IsShown());
    EXPECT_TRUE(Style() & WS_CAPTION);

    // Left once, the browser is not brought back by a later visit from the viewer.
    Browser.Hide();
    qrvtest::Pump();
    ASSERT_EQ(AppState::ViewMode, VIEW_VIEWER);
    Toggle();
    Toggle();
    EXPECT_EQ(AppState::ViewMode, VIEW_VIEWER);
    EXPECT_TRUE(Browser.IsHidden());
}

TEST_F(PresentationTest, LeavingEndsASlideShowAndKeepsTheFileOpen) {
    Open();
    Toggle();
    AppState::SlideShowRunning = 1;
    SetTimer(window, TIMER_SLIDESHOW, 60000, nullptr);
    Toggle();
    EXPECT_FALSE(AppState::SlideShowRunning);
    EXPECT_FALSE(KillTimer(window, TIMER_SLIDESHOW)) << "the show's timer was killed";
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    EXPECT_TRUE(AppState::CurrentImage.IsValid());
    EXPECT_STREQ(AppState::CurrentFile, path.c_str());
}

TEST_F(PresentationTest, ExitReturnsToTheWindowOrEndsTheProgram) {
    Open();
    Toggle();
    SendMessageW(window, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(AppState::ViewMode, VIEW_VIEWER);
    EXPECT_TRUE(IsWindow(window));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE));

    AppState::GeneralAlwaysStartInPresentationMode = 1;
    Toggle();
    SendMessageW(window, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_TRUE(PeekMessageW(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE)) << "Exit ends the program";
    EXPECT_EQ(AppState::ViewMode, VIEW_PRESENTATION);
    // Leaving by the mode's own command still returns to the window.
    Toggle();
    EXPECT_EQ(AppState::ViewMode, VIEW_VIEWER);
    EXPECT_FALSE(PeekMessageW(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE));
}

TEST_F(PresentationTest, CursorHidesAtTheFirstTickAfterThreeSecondsAndComesBack) {
    Open();
    const int count = CursorCount();
    Toggle();
    auto tick = [&](DWORD now) {
        g_sample.tick = now;
        OnCursorHideTimer(TIMER_CURSOR_HIDE);
    };
    tick(1000);  // the clock starts
    for (DWORD now = 1100; now <= 4000; now += 100) {
        tick(now);
        ASSERT_TRUE(AppState::CursorShown) << now;
    }
    OnCursorHideTimer(TIMER_AUTOSCROLL);  // another timer's id: nothing
    g_sample.tick = 4100;
    OnCursorHideTimer(TIMER_SLIDESHOW);
    EXPECT_TRUE(AppState::CursorShown);
    tick(4100);
    EXPECT_FALSE(AppState::CursorShown);
    EXPECT_FALSE(AppState::PlayerControlsShown);
    EXPECT_EQ(CursorCount(), count - 1);
    tick(4200);
    EXPECT_FALSE(AppState::CursorShown);

    g_sample.position = {104, 100};
    tick(4300);
    EXPECT_TRUE(AppState::CursorShown);
    EXPECT_TRUE(AppState::PlayerControlsShown);
    EXPECT_EQ(CursorCount(), count);
    tick(4400);
    EXPECT_FALSE(AppState::CursorShown) << "one small movement shows it until the next tick";

    Toggle();  // leaving shows the hidden cursor again
    EXPECT_TRUE(AppState::CursorShown);
    EXPECT_EQ(CursorCount(), count);
    tick(9000);  // outside the mode the timer does nothing
    EXPECT_TRUE(AppState::CursorShown);

    // A new visit starts a new clock: the quiet time of the last one does not
    // count (the mode's own timer may tick while the window settles).
    g_sample.tick = 20000;
    Toggle();
    tick(20000);
    tick(20100);
    EXPECT_TRUE(AppState::CursorShown);
}

}  // namespace
