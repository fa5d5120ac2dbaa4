#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandTable.h"
#include "app/MediaDocument.h"
#include "app/Skin.h"
#include "app/AppWindowTest.h"
#include "app/MainWindowIds.h"
#include "command_ids.h"
#include "formats/Formats.h"
#include "media/AnimationBar.h"
#include "media/Players.h"
#include "support/TestSupport.h"

namespace {

TEST(AnimationBar, FrameDelayTableBounds) {
    CAnimationBar bar;
    struct Case {
        int index;
        bool stored;
    } cases[] = {{0, true}, {399, true}, {400, false}, {-1, false}, {100000, false}};
    for (const auto& c : cases) EXPECT_EQ(bar.SetFrameDelay(c.index, 7), c.stored) << c.index;
    bar.singleDelay = 0;
    EXPECT_EQ(bar.GetFrameDelay(399), 7);
    EXPECT_EQ(bar.GetFrameDelay(400), 10);
    EXPECT_EQ(bar.GetFrameDelay(-5), 10);
    bar.SetFrameDelay(0, 3);
    bar.singleDelay = 1;
    EXPECT_EQ(bar.GetFrameDelay(399), 3);
    EXPECT_EQ(bar.TransparentTable[5], -1);
}

TEST(AnimationBar, ClearLeavesSingleDelayOn) {
    CAnimationBar bar;
    ASSERT_TRUE(bar.Init(ANIM_KIND_GIF, 3, 0, nullptr, 2, true, false));
    bar.Reset();
    EXPECT_TRUE(bar.singleDelay);
    EXPECT_FALSE(bar.initialised);
    EXPECT_EQ(bar.kind, ANIM_KIND_NONE);
}

TEST(AnimationBar, InitRefusedForPreviewAndClampsGifFrames) {
    CAnimationBar bar;
    AppState::PreviewLoad = 1;
    EXPECT_FALSE(bar.Init(ANIM_KIND_GIF, 10, 0, nullptr, 2, true, false));
    AppState::PreviewLoad = 0;
    EXPECT_FALSE(bar.initialised);
    ASSERT_TRUE(bar.Init(ANIM_KIND_GIF, 1000, 5, nullptr, 2, true, false));
    EXPECT_EQ(bar.frameCount, 400);
    EXPECT_EQ(bar.callerValue, 5);
    ASSERT_TRUE(bar.Init(ANIM_KIND_TIFF, 1000, 0, nullptr, 2, true, true));
    EXPECT_EQ(bar.frameCount, 1000);
    EXPECT_TRUE(bar.Play(0));
    EXPECT_TRUE(bar.playing);
    bar.Stop();
    EXPECT_FALSE(bar.playing);
}

TEST(AnimationBar, CopyFromTakesTablesAndFlags) {
    CAnimationBar scratch, bar;
    ASSERT_TRUE(scratch.Init(ANIM_KIND_GIF, 3, 0, nullptr, 2, true, false));
    scratch.SetFrameDelay(2, 40);
    scratch.DisposalTable[1] = 2;
    scratch.TransparentTable[0] = 9;
    ASSERT_TRUE(bar.CopyFrom(scratch));
    EXPECT_EQ(bar.kind, ANIM_KIND_GIF);
    EXPECT_EQ(bar.frameCount, 3);
    EXPECT_EQ(bar.GetFrameDelay(2), 40);
    EXPECT_EQ(bar.DisposalTable[1], 2);
    EXPECT_EQ(bar.TransparentTable[0], 9);
    scratch.Reset();
    EXPECT_EQ(scratch.TransparentTable[0], -1);
    AppState::BackgroundLoad = 1;
    EXPECT_FALSE(bar.CopyFrom(scratch));
    AppState::BackgroundLoad = 0;
}

TEST(AnimationBar, CopyFromASingleDelaySourceFillsEveryEntry) {
    CAnimationBar source, bar;
    ASSERT_TRUE(source.Init(ANIM_KIND_ANI, 5, 0, nullptr, 2, true, true));
    source.SetFrameDelay(0, 250);
    source.SetFrameDelay(3, 40);
    ASSERT_TRUE(bar.CopyFrom(source));
    bar.singleDelay = 0;
    EXPECT_EQ(bar.GetFrameDelay(3), 250);
    EXPECT_EQ(bar.GetFrameDelay(399), 250);
}

// The frame timer's interval: GIF frames keep their own delay in hundredths
// of a second whatever the single-delay flag says; other kinds one interval in ms.
TEST(AnimationBar, FrameIntervalByKind) {
    struct Case {
        int kind;
        bool singleDelay;
        int frame;
        UINT interval;
    } cases[] = {
        {ANIM_KIND_GIF, false, 0, 70}, {ANIM_KIND_GIF, false, 3, 400}, {ANIM_KIND_GIF, true, 3, 400},
        {ANIM_KIND_TIFF, true, 3, 7},  {ANIM_KIND_ANI, true, 0, 7},    {ANIM_KIND_MNG, false, 3, 7},
        {ANIM_KIND_ICO, false, 3, 7},
    };
    for (const auto& c : cases) {
        CAnimationBar bar;
        ASSERT_TRUE(bar.Init(c.kind, 5, 0, nullptr, 2, true, c.singleDelay));
        bar.SetFrameDelay(0, 7);
        bar.SetFrameDelay(3, 40);
        bar.currentFrame = c.frame;
        EXPECT_EQ(bar.FrameInterval(), c.interval) << "kind " << c.kind << " frame " << c.frame;
    }
    CAnimationBar bar;
    ASSERT_TRUE(bar.Init(ANIM_KIND_TIFF, 5, 0, nullptr, 2, true, true));
    bar.SetFrameDelay(0, 7);
    ASSERT_TRUE(bar.Play(120));  // a delay given to Play replaces entry 0
    EXPECT_EQ(bar.FrameInterval(), 120u);
    EXPECT_EQ(bar.FrameDelayTable[0], 120);
    bar.Pause();
}

// Stepping at both ends, with and without Loop: without it the bar stays on
// the end frame, pauses and answers false.
TEST(AnimationBar, NextAndPreviousAtTheEnds) {
    struct Case {
        const char* name;
        bool loop;
        bool next;
        int from;
        int to;
        bool moved;
        bool playingAfter;
    } cases[] = {
        {"next, middle", false, true, 1, 2, true, true},
        {"next, last, loop", true, true, 4, 0, true, true},
        {"next, last, no loop", false, true, 4, 4, false, false},
        {"previous, middle", false, false, 3, 2, true, true},
        {"previous, first, loop", true, false, 0, 4, true, true},
        {"previous, first, no loop", false, false, 0, 0, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CAnimationBar bar;
        ASSERT_TRUE(bar.Init(ANIM_KIND_TIFF, 5, 0, nullptr, 2, c.loop, true));
        bar.Play(0);
        bar.currentFrame = c.from;
        EXPECT_EQ(c.next ? bar.NextFrame() : bar.PreviousFrame(), c.moved);
        EXPECT_EQ(bar.currentFrame, c.to);
        EXPECT_EQ(bar.playing != 0, c.playingAfter);
    }
    CAnimationBar cleared;
    EXPECT_FALSE(cleared.NextFrame());
    EXPECT_FALSE(cleared.PreviousFrame());
}

TEST(AnimationBar, ANonLoopingAnimationStopsOnItsLastFrame) {
    CAnimationBar bar;
    ASSERT_TRUE(bar.Init(ANIM_KIND_GIF, 3, 0, nullptr, 2, false, false));
    for (int i = 0; i < 3; ++i) bar.SetFrameDelay(i, 10);
    ASSERT_TRUE(bar.Play(0));
    EXPECT_TRUE(bar.OnFrameTimer());
    EXPECT_TRUE(bar.OnFrameTimer());
    EXPECT_EQ(bar.currentFrame, 2);
    EXPECT_FALSE(bar.OnFrameTimer());
    EXPECT_EQ(bar.currentFrame, 2);
    EXPECT_FALSE(bar.playing);
    EXPECT_FALSE(bar.OnFrameTimer());  // not playing: nothing
}

// A mouse on the trackbar: 5 pixels at either end are outside the track.
TEST(AnimationBar, SeekFrameFromTheMouse) {
    struct Case {
        int x, width, frames, frame;
    } cases[] = {
        {0, 110, 400, 0},                          // the left end
        {5, 110, 400, 0},     {-40, 110, 400, 0},  // left of the trackbar
        {55, 110, 400, 200},                       // the middle
        {105, 110, 400, 399},                      // the track's end would be frame 400
        {900, 110, 400, 399},                      // dragged far beyond the right end
        {30, 110, 3, 0},      {60, 110, 3, 1},    {104, 110, 3, 2}, {50, 10, 400, 0},  // no track at all
        {50, 4, 400, 0},      {50, 110, 1, 0},    {50, 110, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnimationSeekFrame(c.x, c.width, c.frames), c.frame)
            << "x " << c.x << " width " << c.width << " frames " << c.frames;
}

TEST(AnimationBar, LayoutOfTheStrip) {
    const RECT client = {0, 0, 500, 300};
    // Button 16 x 16, strip 22, image tool bar 30, status bar 20.
    const AnimationBarLayout l = ComputeAnimationBarLayout(client, 22, 16, 16, 30, 20, 0);
    EXPECT_EQ(l.label.y, 258);
    EXPECT_EQ(l.label.height, 22);
    EXPECT_EQ(l.label.x + l.label.width, 470);  // up to the image tool bar
    EXPECT_EQ(l.playPause.x, 4);
    EXPECT_EQ(l.playPause.y, 261);  // centred in the strip
    EXPECT_EQ(l.stop.x, 22);
    EXPECT_EQ(l.trackbar.x, 40);
    EXPECT_EQ(l.trackbar.y, 259);
    EXPECT_EQ(l.trackbar.height, 20);
    EXPECT_EQ(l.next.x + l.next.width, 468);  // 2 pixels left of the tool bar
    EXPECT_EQ(l.previous.x + l.previous.width + 2, l.next.x);
    EXPECT_EQ(l.trackbar.x + l.trackbar.width + 2, l.previous.x);
    // The browser's list beside the viewer moves the right-hand controls left.
    const AnimationBarLayout b = ComputeAnimationBarLayout(client, 22, 16, 16, 30, 20, 100);
    EXPECT_EQ(b.next.x, l.next.x - 100);
    EXPECT_EQ(b.trackbar.width, l.trackbar.width - 100);
    // Hidden strip: nothing has any height but the trackbar's frame.
    const AnimationBarLayout h = ComputeAnimationBarLayout(client, 0, 16, 16, 0, 0, 0);
    EXPECT_EQ(h.label.height, 0);
    EXPECT_EQ(h.playPause.height, 0);
    EXPECT_EQ(h.next.height, 0);
    EXPECT_EQ(h.playPause.y, 300);
    EXPECT_EQ(h.trackbar.y, 300);
}

TEST(AnimationBar, ControlsOnlyForAnInitialisedBar) {
    CAnimationBar bar;
    const LONG before = AppState::ViewMargins.bottom;
    EXPECT_FALSE(bar.CreateControls());
    EXPECT_EQ(AppState::ViewMargins.bottom, before);
    EXPECT_FALSE(bar.DestroyControls());
    EXPECT_FALSE(bar.Layout());
    EXPECT_FALSE(bar.PaintButtons());
    EXPECT_FALSE(bar.OnButton(0));
    EXPECT_FALSE(bar.SeekByMouse(nullptr, 1));
    ASSERT_TRUE(bar.Init(ANIM_KIND_TIFF, 3, 0, nullptr, 2, true, true));
    EXPECT_TRUE(bar.CreateControls());
    EXPECT_TRUE(bar.CreateControls());  // once only
    EXPECT_EQ(AppState::ViewMargins.bottom, before + CAnimationBar::StripHeight());
    bar.Reset();
    EXPECT_EQ(AppState::ViewMargins.bottom, before);
    bar.Reset();
    EXPECT_EQ(AppState::ViewMargins.bottom, before);
}

// ---- In the real main window ----

class AnimationWindowTest : public apptest::ShellWindowFixture {
protected:
    void SetUp() override {
        ShellWindowFixture::SetUp();
        AppState::PlayerControlsShown = 1;
    }
    void TearDown() override {
        CloseCurrentMedia();
        ShellWindowFixture::TearDown();
    }
    void Open(const wchar_t* name) {
        OpenMediaFile(qrvtest::Fixture(name).c_str());
        qrvtest::Pump();
        ASSERT_EQ(AppState::DocumentKind, DOC_FILE) << qrvtest::Narrow(name);
        ASSERT_TRUE(AnimationBar.initialised) << qrvtest::Narrow(name);
    }
    static RECT ClientRectOf(HWND control) {
        RECT r = {};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    // The first pixel of the top row of the viewer's image.
    static COLORREF TopLeftPixel() {
        uint8_t* row = AppState::CurrentImage.GetLine(24, 0);
        if (!row) return CLR_INVALID;
        const COLORREF color = RGB(row[2], row[1], row[0]);
        free(row);
        return color;
    }
};

TEST_F(AnimationWindowTest, AGifOf500FramesPlays400) {
    Open(L"animbar_500.gif");
    EXPECT_EQ(AnimationBar.kind, ANIM_KIND_GIF);
    EXPECT_EQ(AnimationBar.frameCount, 400);
    EXPECT_TRUE(AnimationBar.playing);
    ASSERT_TRUE(AnimationBar.controlsCreated);
    EXPECT_EQ(SendMessageW(AnimationBar.trackbar, TBM_GETRANGEMAX, 0, 0), 399);
    AnimationBar.Stop();
    AnimationBar.Play(0);
    EXPECT_EQ(AnimationBar.FrameInterval(), 70u);
    for (int i = 1; i < 400; ++i) ASSERT_TRUE(AnimationBar.OnFrameTimer()) << i;
    EXPECT_EQ(AnimationBar.currentFrame, 399);
    EXPECT_EQ(SendMessageW(AnimationBar.trackbar, TBM_GETPOS, 0, 0), 399);
    EXPECT_TRUE(AnimationBar.OnFrameTimer());
    EXPECT_EQ(AnimationBar.currentFrame, 0);  // loops after frame 399
}

TEST_F(AnimationWindowTest, GifFramesPlayWithTheirOwnDelay) {
    // Delays 7, 3 (too short: 10) and 50 hundredths of a second.
    Open(L"gif_anim_global.gif");
    ASSERT_EQ(AnimationBar.frameCount, 3);
    AnimationBar.Stop();
    AnimationBar.Play(0);
    const UINT expected[] = {70, 100, 500, 70};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(AnimationBar.currentFrame, i % 3);
        EXPECT_EQ(AnimationBar.FrameInterval(), expected[i]) << i;
        AnimationBar.OnFrameTimer();
    }
    // The real timer runs with it: frame 0's 70 ms pass within a second.
    AnimationBar.Stop();
    AnimationBar.Play(0);
    const DWORD start = GetTickCount();
    while (AnimationBar.currentFrame == 0 && GetTickCount() - start < 2000) {
        qrvtest::Pump();
        Sleep(10);
    }
    EXPECT_GE(AnimationBar.currentFrame, 1);
}

TEST_F(AnimationWindowTest, TiffPagesStepThroughShowCurrentFrame) {
    Open(L"animbar_pages.tif");
    EXPECT_EQ(AnimationBar.kind, ANIM_KIND_TIFF);
    EXPECT_EQ(AnimationBar.frameCount, 3);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 8u);
    struct Step {
        UINT command;
        int frame;
        uint32_t width, height;
        COLORREF color;
    } steps[] = {
        {ID_MEDIA_NEXTFRAME, 1, 5, 4, RGB(0, 255, 0)}, {ID_MEDIA_NEXTFRAME, 2, 3, 9, RGB(0, 0, 255)},
        {ID_MEDIA_NEXTFRAME, 0, 8, 6, RGB(255, 0, 0)},  // pages loop
        {ID_MEDIA_PREVFRAME, 2, 3, 9, RGB(0, 0, 255)}, {ID_MEDIA_PREVFRAME, 1, 5, 4, RGB(0, 255, 0)},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.frame);
        ASSERT_TRUE(RunCommand(window, s.command, 0));
        EXPECT_EQ(AnimationBar.currentFrame, s.frame);
        EXPECT_EQ(AppState::CurrentImage.GetWidth(), s.width);
        EXPECT_EQ(AppState::CurrentImage.GetHeight(), s.height);
        EXPECT_EQ(TopLeftPixel(), s.color);
        EXPECT_EQ(SendMessageW(AnimationBar.trackbar, TBM_GETPOS, 0, 0), s.frame);
    }
    // The bar's own buttons do the same.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), (LPARAM)AnimationBar.previousButton);
    EXPECT_EQ(AnimationBar.currentFrame, 0);
    EXPECT_EQ(AppState::CurrentImage.GetHeight(), 6u);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), (LPARAM)AnimationBar.nextButton);
    EXPECT_EQ(AnimationBar.currentFrame, 1);
    EXPECT_EQ(AppState::CurrentImage.GetHeight(), 4u);
    // The frame timer decodes the next page as well.
    AnimationBar.Play(0);
    EXPECT_TRUE(AnimationBar.OnFrameTimer());
    EXPECT_EQ(AppState::CurrentImage.GetHeight(), 9u);
}

TEST_F(AnimationWindowTest, PlayPauseAndStopButtons) {
    Open(L"gif_anim_global.gif");
    ASSERT_TRUE(AnimationBar.playing);
    AnimationBar.Stop();
    AnimationBar.Play(0);
    auto click = [&](HWND button) { SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), (LPARAM)button); };
    click(AnimationBar.playButton);
    EXPECT_FALSE(AnimationBar.playing);
    click(AnimationBar.playButton);
    EXPECT_TRUE(AnimationBar.playing);
    AnimationBar.OnFrameTimer();
    ASSERT_EQ(AnimationBar.currentFrame, 1);
    click(AnimationBar.stopButton);
    EXPECT_FALSE(AnimationBar.playing);
    EXPECT_EQ(AnimationBar.currentFrame, 0);
    EXPECT_EQ(SendMessageW(AnimationBar.trackbar, TBM_GETPOS, 0, 0), 0);
    // The commands reach the same bar.
    ASSERT_TRUE(RunCommand(window, ID_MEDIA_PLAYPAUSE, 0));
    EXPECT_TRUE(AnimationBar.playing);
    ASSERT_TRUE(RunCommand(window, ID_MEDIA_STOP, 0));
    EXPECT_FALSE(AnimationBar.playing);
    // A control that is not the bar's is left alone.
    EXPECT_TRUE(AnimationBar.OnButton((LPARAM)window));
    EXPECT_FALSE(AnimationBar.playing);
}

// Previous Frame (275) does nothing for an MNG, a video or a sound; a GIF steps back.
TEST_F(AnimationWindowTest, PreviousFrameIgnoredForMngVideoAndSound) {
    struct Case {
        int kind;
        int format;
        bool steps;
    } cases[] = {{ANIM_KIND_MNG, FMT_MNG, false},
                 {ANIM_KIND_VIDEO, FMT_VIDEO, false},
                 {ANIM_KIND_SOUND, FMT_SOUND, false},
                 {ANIM_KIND_GIF, FMT_GIF, true}};
    CImage& image = AppState::CurrentImage;
    ASSERT_TRUE(image.CreateEmpty(4, 4, 24, RGB(0, 0, 0), nullptr));
    AppState::DocumentKind = DOC_FILE;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        AppState::CurrentFormatId = c.format;
        ASSERT_TRUE(AnimationBar.Init(c.kind, 5, 0, window, TIMER_ANIMATION_FRAME, true, c.kind != ANIM_KIND_GIF));
        AnimationBar.currentFrame = 2;
        AnimationBar.playing = 1;
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(ID_MEDIA_PREVFRAME, 1), 0);
        EXPECT_EQ(AnimationBar.currentFrame, c.steps ? 1 : 2);
        EXPECT_EQ(AnimationBar.playing != 0, !c.steps);
        AnimationBar.Reset();
    }
    AppState::CurrentFormatId = 0;
}

TEST_F(AnimationWindowTest, SeekByMouseOnTheTrackbar) {
    Open(L"animbar_500.gif");
    HWND track = AnimationBar.trackbar;
    ASSERT_TRUE(IsWindow(track));
    RECT client = {};
    GetClientRect(track, &client);
    ASSERT_GT(client.right, 20) << "the trackbar has a track";
    auto seekAt = [&](int x, UINT message, WPARAM keys) {
        POINT p = {x, client.bottom / 2};
        ClientToScreen(track, &p);
        SetCursorPos(p.x, p.y);
        // The bar reads the cursor itself; under a busy X server the move lands a moment later.
        for (int i = 0; i < 100; ++i) {
            POINT now = {};
            if (GetCursorPos(&now) && now.x == p.x && now.y == p.y) break;
            Sleep(10);
        }
        SendMessageW(track, message, keys, MAKELPARAM((WORD)(short)x, client.bottom / 2));
        qrvtest::Pump();
    };
    AnimationBar.currentFrame = 120;
    seekAt(0, WM_LBUTTONDOWN, MK_LBUTTON);  // a click at the left end
    EXPECT_FALSE(AnimationBar.playing) << "a press pauses";
    EXPECT_EQ(AnimationBar.currentFrame, 0);
    EXPECT_EQ(SendMessageW(track, TBM_GETPOS, 0, 0), 0);
    seekAt(5 + (client.right - 10) / 2, WM_MOUSEMOVE, MK_LBUTTON);
    EXPECT_EQ(AnimationBar.currentFrame, AnimationSeekFrame(5 + (client.right - 10) / 2, client.right, 400));
    EXPECT_NEAR(AnimationBar.currentFrame, 200, 2);
    seekAt(client.right + 60, WM_MOUSEMOVE, MK_LBUTTON);  // dragged beyond the right end
    EXPECT_EQ(AnimationBar.currentFrame, 399);
    seekAt(client.right + 60, WM_LBUTTONUP, 0);
    EXPECT_EQ(AnimationBar.currentFrame, 399);
    EXPECT_EQ(SendMessageW(track, TBM_GETPOS, 0, 0), 399);
    // A plain move does not seek.
    seekAt(0, WM_MOUSEMOVE, 0);
    EXPECT_EQ(AnimationBar.currentFrame, 399);
    EXPECT_FALSE(AnimationBar.playing);
    // Keys go to the main window; the trackbar does not move its thumb for them.
    MSG msg;
    while (PeekMessageW(&msg, window, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE)) {}
    SendMessageW(track, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(SendMessageW(track, TBM_GETPOS, 0, 0), 399);
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(msg.wParam, (WPARAM)VK_HOME);
}

// The strip takes its height off the view's bottom margin while its controls
// exist and gives exactly that back; hidden (presentation mode) the controls
// have no height.
TEST_F(AnimationWindowTest, TheStripsMarginRoundTrip) {
    const LONG before = AppState::ViewMargins.bottom;
    const int strip = CAnimationBar::StripHeight();
    ASSERT_GT(strip, 6);
    Open(L"gif_anim_global.gif");
    ASSERT_TRUE(AnimationBar.controlsCreated);
    const LONG scrollBars = ViewScrollBars.created ? ViewScrollBars.marginsTaken.bottom : 0;
    EXPECT_EQ(AppState::ViewMargins.bottom, before + scrollBars + strip);
    EXPECT_EQ(PlayerStripHeight, strip);
    const HWND controls[] = {AnimationBar.label,    AnimationBar.playButton,     AnimationBar.stopButton,
                             AnimationBar.trackbar, AnimationBar.previousButton, AnimationBar.nextButton};
    for (HWND c : controls) {
        ASSERT_TRUE(IsWindow(c));
        EXPECT_EQ(GetParent(c), window);
    }
    RECT client = {};
    GetClientRect(window, &client);
    const int statusBar = StatusBar.created ? StatusBar.marginTaken : 0;
    const RECT label = ClientRectOf(AnimationBar.label);
    EXPECT_EQ(label.bottom, client.bottom - statusBar);
    EXPECT_EQ(label.bottom - label.top, strip);
    const RECT play = ClientRectOf(AnimationBar.playButton);
    EXPECT_EQ(play.bottom - play.top, Skin.cyPlayerButton);
    EXPECT_EQ(play.right - play.left, Skin.cxPlayerButton);

    AnimationBar.SetVisible(false);
    EXPECT_EQ(PlayerStripHeight, 0);
    for (HWND c : {AnimationBar.label, AnimationBar.playButton, AnimationBar.nextButton}) {
        const RECT r = ClientRectOf(c);
        EXPECT_EQ(r.bottom - r.top, 0);
    }
    AnimationBar.SetVisible(true);
    EXPECT_EQ(PlayerStripHeight, strip);
    EXPECT_EQ(ClientRectOf(AnimationBar.playButton).bottom - ClientRectOf(AnimationBar.playButton).top,
              Skin.cyPlayerButton);

    // Another animation replaces the strip; closing gives the margin back.
    Open(L"animbar_pages.tif");
    EXPECT_EQ(AppState::ViewMargins.bottom, before + scrollBars + strip);
    EXPECT_EQ(SendMessageW(AnimationBar.trackbar, TBM_GETRANGEMAX, 0, 0), 2);
    CloseCurrentMedia();
    EXPECT_EQ(AppState::ViewMargins.bottom, before);
    EXPECT_FALSE(AnimationBar.controlsCreated);
    EXPECT_EQ(PlayerStripHeight, 0);
}

}  // namespace
