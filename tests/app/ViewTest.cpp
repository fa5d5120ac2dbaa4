#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/AppWindowTest.h"
#include "app/MediaDocument.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "formats/Formats.h"
#include "image/Image.h"
#include "media/AnimationBar.h"

namespace {

std::vector<float> Walk(float zoom, float (*step)(float), int count) {
    std::vector<float> out;
    for (int i = 0; i < count; ++i) out.push_back(zoom = step(zoom));
    return out;
}

TEST(ViewZoom, StepsInAndOutFromOne) {
    EXPECT_EQ(Walk(1.0f, GetZoomInStep, 12), (std::vector<float>{1.5f, 2, 2.5f, 3, 5, 7.5f, 10, 20, 30, 40, 50, 50}));
    EXPECT_EQ(Walk(1.0f, GetZoomOutStep, 9),
              (std::vector<float>{0.75f, 0.5f, 0.25f, 0.15f, 0.1f, 0.05f, 0.03f, 0.02f, 0.02f}));
    // From the smallest step back up: 0.02 x 100 computed in single precision
    // would give exactly 2 and skip 0.03.
    EXPECT_EQ(Walk(0.02f, GetZoomInStep, 8), (std::vector<float>{0.03f, 0.05f, 0.1f, 0.15f, 0.25f, 0.5f, 0.75f, 1}));
}

TEST(ViewZoom, BetweenStepsMovesToTheNextStep) {
    EXPECT_EQ(GetZoomInStep(1.2f), 1.5f);
    EXPECT_EQ(GetZoomOutStep(1.2f), 1.0f);
    EXPECT_EQ(GetZoomInStep(0.8f), 1.0f);
    EXPECT_EQ(GetZoomOutStep(0.8f), 0.75f);
    EXPECT_EQ(GetZoomOutStep(60.0f), 60.0f);  // above the table: unchanged
    EXPECT_EQ(GetZoomInStep(-1.0f), -1.0f);
}

TEST(ViewFit, ComputeFitScaleRows) {
    struct Row {
        int mode;
        bool limit;
        int aw, ah, iw, ih;
        float expected;
    } rows[] = {
        {0, false, 800, 800, 1000, 500, 0.8f},  // the width decides
        {0, true, 800, 800, 1000, 500, 0.8f},   // shrinking is allowed with the limit
        {0, true, 800, 800, 100, 100, 1.0f},    // the limit never enlarges
        {0, false, 800, 800, 100, 100, 8.0f},  {0, false, 400, 300, 800, 600, 0.5f},  // equal ratios
        {1, false, 800, 100, 400, 400, 2.0f},                                         // fit width
        {2, false, 800, 100, 400, 400, 0.25f},                                        // fit height
        {7, false, 800, 100, 400, 400, 1.0f},                                         // no such mode
        {0, false, 800, 800, 0, 100, 1.0f},                                           // no image
        {0, false, 800, 800, 100, 0, 1.0f},
    };
    for (const Row& r : rows)
        EXPECT_FLOAT_EQ(ComputeFitScale((FitModeKind)r.mode, r.limit, r.aw, r.ah, r.iw, r.ih), r.expected)
            << r.mode << " " << r.aw << "x" << r.ah << " " << r.iw << "x" << r.ih;
}

TEST(ViewScroll, ClampsKeepTheImageOnTheViewEdges) {
    // A 1000-pixel image centred on 200 in a view [0, 400).
    ScrollAxisResult centred = ClampScrollAxis(0, 200, 1000, 1.0f, 0, 400);
    EXPECT_EQ(centred.offset, 0);
    EXPECT_EQ(centred.origin, -300);
    ScrollAxisResult left = ClampScrollAxis(100000, 200, 1000, 1.0f, 0, 400);
    EXPECT_EQ(left.origin, 0);  // left edge on the view's left edge
    EXPECT_EQ(left.offset, 300);
    ScrollAxisResult right = ClampScrollAxis(-100000, 200, 1000, 1.0f, 0, 400);
    EXPECT_EQ(right.origin + 1000, 400);  // right edge on the view's right edge
    EXPECT_EQ(right.offset, -300);
    // Zoomed, odd extent, a view that does not start at 0.
    ScrollAxisResult top = ClampScrollAxis(5000, 150, 97, 2.5f, 28, 272);
    EXPECT_EQ(top.origin, 28);
    ScrollAxisResult bottom = ClampScrollAxis(-5000, 150, 97, 2.5f, 28, 272);
    EXPECT_EQ(bottom.origin + (int)(97 * 2.5f), 272);
    // A small step inside the range is taken as it is.
    ScrollAxisResult step = ClampScrollAxis(20, 200, 1000, 1.0f, 0, 400);
    EXPECT_EQ(step.offset, 20);
    EXPECT_EQ(step.origin, -280);
}

TEST(ViewPaintPlacement, CentredWithoutOffsetAndClampedWithOne) {
    const RECT view = {0, 28, 400, 328};
    POINT p = ComputeImagePlacement(view, {0, 0}, 100, 50);
    EXPECT_EQ(p.x, 150);
    EXPECT_EQ(p.y, 153);
    // Overflowing and not scrolled: still centred.
    p = ComputeImagePlacement(view, {0, 0}, 1000, 50);
    EXPECT_EQ(p.x, -300);
    // Scrolled too far either way: no gap at the far edge, then none at the near one.
    p = ComputeImagePlacement(view, {-5000, 0}, 1000, 50);
    EXPECT_EQ(p.x, 400 - 1000);
    p = ComputeImagePlacement(view, {5000, 0}, 1000, 50);
    EXPECT_EQ(p.x, 0);
}

// The visible part never reaches outside the image (the source used to grow
// by one pixel past the right and bottom edges), and it covers the whole
// visible intersection of image and view.
TEST(ViewPaintClip, SourceStaysInsideTheImageAndCoversTheView) {
    const RECT view = {10, 20, 310, 220};
    const int iw = 97, ih = 61;
    for (float zoom : {0.02f, 0.25f, 0.5f, 1.0f, 1.5f, 2.0f, 3.7f, 16.0f}) {
        const int zw = (int)(iw * zoom), zh = (int)(ih * zoom);
        for (int ox = -zw - 20; ox < 340; ox += 7) {
            for (int oy : {-zh - 5, -zh / 2, 0, 20, 100, 219, 230}) {
                ViewBlit b;
                const bool visible = ClipToView(view, zoom, iw, ih, 0, {ox, oy}, b);
                const bool overlaps = ox + zw > view.left && ox < view.right && oy + zh > view.top && oy < view.bottom;
                if (overlaps) { ASSERT_TRUE(visible) << zoom << " " << ox << "," << oy; }
                if (!visible) continue;
                ASSERT_GE(b.sx, 0);
                ASSERT_GE(b.sy, 0);
                ASSERT_LE(b.sx + b.sw, iw) << zoom << " " << ox;
                ASSERT_LE(b.sy + b.sh, ih) << zoom << " " << oy;
                ASSERT_GT(b.sw, 0);
                ASSERT_GT(b.sh, 0);
                // Covers what is visible of the image.
                EXPECT_LE(b.dx, std::max(ox, (int)view.left));
                EXPECT_GE(b.dx + b.dw, std::min(ox + zw, (int)view.right)) << zoom << " " << ox;
                EXPECT_LE(b.dy, std::max(oy, (int)view.top));
                EXPECT_GE(b.dy + b.dh, std::min(oy + zh, (int)view.bottom));
                // Drawn where those source pixels belong at the zoom.
                EXPECT_EQ(b.dx, ox + (int)std::floor(b.sx * (double)zoom));
            }
        }
    }
}

TEST(ViewPaintClip, FullyVisibleImageIsDrawnWhole) {
    ViewBlit b;
    ASSERT_TRUE(ClipToView({0, 0, 500, 500}, 1.0f, 97, 61, 0, {30, 40}, b));
    EXPECT_EQ(b.sx, 0);
    EXPECT_EQ(b.sy, 0);
    EXPECT_EQ(b.sw, 97);
    EXPECT_EQ(b.sh, 61);
    EXPECT_EQ(b.dx, 30);
    EXPECT_EQ(b.dy, 40);
    EXPECT_EQ(b.dw, 97);
    EXPECT_EQ(b.dh, 61);
    // A frame band of a stacked animation starts at its own top.
    ASSERT_TRUE(ClipToView({0, 0, 500, 500}, 1.0f, 97, 20, 40, {0, 0}, b));
    EXPECT_EQ(b.sy, 40);
    EXPECT_EQ(b.sh, 20);
    EXPECT_FALSE(ClipToView({0, 0, 500, 500}, 1.0f, 97, 61, 0, {600, 0}, b));
}

TEST(ViewPaintCaption, Format) {
    wchar_t text[512];
    FormatPresentationCaption(text, 512, L"C:\\pics\\a.jpg", false, 640, 480, 24, 0.5f, 2, 10);
    EXPECT_STREQ(text, L"C:\\pics\\a.jpg - 640x480x24 - 50% - (3/10)");
    FormatPresentationCaption(text, 512, L"x.png", false, 0, 0, 0, 1.0f, 0, 0);
    EXPECT_STREQ(text, L"x.png - 0x0x0 - 100% - (1/0)");
    FormatPresentationCaption(text, 512, L"C:\\m\\song.mp3", true, 1, 1, 24, 1.0f, 0, 1);
    EXPECT_STREQ(text, L"C:\\m\\song.mp3 - (1/1)");
}

// A fixed screen: 1024 x 738 work area, caption 18, menu 19, tool bar 28 and
// status bar 20 as margins, a menu bar 300 pixels wide.
WindowFitInput Screen() {
    WindowFitInput in = {};
    in.work = {0, 0, 1024, 738};
    in.captionHeight = 18;
    in.menuHeight = 19;
    in.fullWidth = 1024;
    in.fullHeight = 720;
    in.menuBarWidth = 300;
    in.margins = {0, 28, 0, 20};
    in.viewStyle = 2;
    in.formatId = FMT_BMP;
    in.fitPending = true;
    return in;
}
// EW = 10, EH = 95, MW = 290, AW = 1014, FH' = 738, AH = 643.

TEST(ViewWindowFit, SmallImageIsCentredAtFullSizeAndAtLeastTheMenuWide) {
    WindowFitResult r = ComputeWindowFit(Screen(), 200, 100, 1.0f);
    EXPECT_FALSE(r.keepWindow);
    EXPECT_FLOAT_EQ(r.zoom, 1.0f);  // "Fit if greater" never enlarges
    EXPECT_EQ(r.width, 290 + 10);
    EXPECT_EQ(r.height, 100 + 95);
    EXPECT_EQ(r.x, (1014 - 290) / 2);
    EXPECT_EQ(r.y, (643 - 100) / 2);
}

TEST(ViewWindowFit, LargeImageIsShrunkIntoTheScreen) {
    WindowFitResult r = ComputeWindowFit(Screen(), 2000, 1000, 1.0f);
    EXPECT_FLOAT_EQ(r.zoom, 1014.0f / 2000.0f);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.width, 1024);  // as wide as the screen: the full-screen width
    EXPECT_EQ(r.height, 507 + 95);
    EXPECT_EQ(r.y, (643 - 507) / 2);
}

TEST(ViewWindowFit, StylesAndSettings) {
    WindowFitInput in = Screen();
    in.viewStyle = 3;  // enlarges as needed
    WindowFitResult r = ComputeWindowFit(in, 507, 100, 1.0f);
    EXPECT_FLOAT_EQ(r.zoom, 2.0f);
    EXPECT_EQ(r.width, 1024);
    in.viewStyle = 1;  // keeps the zoom; a picture larger than the screen gets the whole screen
    r = ComputeWindowFit(in, 3000, 2000, 1.0f);
    EXPECT_FLOAT_EQ(r.zoom, 1.0f);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 0);
    EXPECT_EQ(r.width, 1024);
    EXPECT_EQ(r.height, 738);
    in.viewStyle = 0;  // "No Fit" keeps the zoom too
    r = ComputeWindowFit(in, 400, 300, 0.5f);
    EXPECT_FLOAT_EQ(r.zoom, 0.5f);
    EXPECT_EQ(r.width, 200 + 10);
    EXPECT_EQ(r.height, 150 + 95);
    in.viewStyle = 4;  // fit width
    r = ComputeWindowFit(in, 507, 100, 1.0f);
    EXPECT_FLOAT_EQ(r.zoom, 2.0f);
    in.viewStyle = 5;  // fit height
    r = ComputeWindowFit(in, 100, 643, 1.0f);
    EXPECT_FLOAT_EQ(r.zoom, 1.0f);
    in.viewStyle = 2;
    in.imageToolBarLength = 280;  // the window is at least as high as the image tool bar
    r = ComputeWindowFit(in, 400, 50, 1.0f);
    EXPECT_EQ(r.height, 280 + 95);
    in.imageToolBarLength = 0;
    in.alwaysMaximize = true;
    r = ComputeWindowFit(in, 400, 300, 1.0f);
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.y, 0);
    EXPECT_EQ(r.width, 1024);
    EXPECT_EQ(r.height, 738);
    in.lastWinPos = true;
    in.lastX = 5, in.lastY = 6, in.lastW = 700, in.lastH = 500;
    r = ComputeWindowFit(in, 400, 300, 1.0f);
    EXPECT_EQ(r.x, 5);
    EXPECT_EQ(r.y, 6);
    EXPECT_EQ(r.width, 700);
    EXPECT_EQ(r.height, 500);
}

TEST(ViewWindowFit, UserPlacedWindowStays) {
    WindowFitInput in = Screen();
    in.placedByUser = true;
    EXPECT_TRUE(ComputeWindowFit(in, 400, 300, 1.0f).keepWindow);
    in.fitPending = false;  // following the picture (zoom commands) still sizes it
    EXPECT_FALSE(ComputeWindowFit(in, 400, 300, 1.0f).keepWindow);
}

TEST(ViewWindowFit, SmallVideoIsShownLarger) {
    WindowFitInput in = Screen();
    in.formatId = FMT_VIDEO;
    WindowFitResult r = ComputeWindowFit(in, 320, 240, 1.0f);
    EXPECT_FLOAT_EQ(r.zoom, 2.0f);
    EXPECT_EQ(r.width, 640 + 10);
    EXPECT_EQ(r.height, 480 + 95);
}

TEST(ViewWindowFit, FollowingThePictureAndSound) {
    WindowFitInput in = Screen();
    in.fitPending = false;
    WindowFitResult r = ComputeWindowFit(in, 400, 300, 1.0f);
    EXPECT_EQ(r.width, 410);
    EXPECT_EQ(r.height, 395);
    EXPECT_EQ(r.x, (1014 - 400) / 2);
    EXPECT_EQ(r.y, (643 - 300) / 2);
    r = ComputeWindowFit(in, 0, 0, 1.0f);  // no picture: 600 x 400
    EXPECT_EQ(r.width, 610);
    EXPECT_EQ(r.height, 495);
    in.fitPending = true;
    in.formatId = FMT_SOUND;  // a sound file clears the pending fit and gets 60 more pixels
    r = ComputeWindowFit(in, 0, 0, 1.0f);
    EXPECT_TRUE(r.clearFitPending);
    EXPECT_EQ(r.height, 460 + 95);
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ") - (" + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

TEST(KeepInsideWorkArea, ShrinksThenMovesIntoTheArea) {
    const RECT work = {0, 0, 1024, 768};
    const RECT shifted = {100, 30, 1124, 798};  // a monitor (or task bar) that does not start at 0, 0
    struct Row {
        RECT work, window, expected;
    } rows[] = {
        {work, {10, 20, 410, 320}, {10, 20, 410, 320}},        // inside: unchanged
        {work, {0, 0, 1024, 798}, {0, 0, 1024, 768}},          // taller than the area
        {work, {0, -12, 1040, 780}, {0, 0, 1024, 768}},        // larger both ways
        {work, {900, 700, 1100, 800}, {824, 668, 1024, 768}},  // past the far edges
        {work, {-50, -40, 150, 60}, {0, 0, 200, 100}},         // before the near edges
        {shifted, {0, 0, 300, 200}, {100, 30, 400, 230}},       {shifted, {50, 0, 2050, 1000}, {100, 30, 1124, 798}},
        {{0, 0, 0, 0}, {5, 6, 7000, 8000}, {5, 6, 7000, 8000}},  // no work area known
    };
    for (const Row& r : rows) {
        const RECT got = KeepInsideWorkArea(r.window, r.work);
        EXPECT_TRUE(EqualRect(&got, &r.expected))
            << Describe(r.window) << " in " << Describe(r.work) << " gave " << Describe(got);
    }
}

// This Wine reports a full-screen client height of 779 with a caption of 19 on
// a 1024 x 768 screen: the full-screen window would be 798 pixels high.
TEST(ViewWindowFit, WindowStaysInsideTheWorkArea) {
    WindowFitInput in = Screen();
    in.work = {0, 0, 1024, 768};
    in.captionHeight = 19;
    in.fullHeight = 779;
    struct Row {
        int style;
        bool pending, maximize;
        int w, h;
    } rows[] = {
        {2, true, false, 4000, 3000}, {3, true, false, 4000, 3000}, {1, true, false, 4000, 3000},
        {4, true, false, 4000, 3000}, {5, true, false, 4000, 3000}, {2, false, false, 4000, 3000},
        {2, true, true, 400, 300},    {1, true, false, 1000, 760},  {2, false, false, 0, 0},
    };
    for (const Row& r : rows) {
        in.viewStyle = r.style;
        in.fitPending = r.pending;
        in.alwaysMaximize = r.maximize;
        const WindowFitResult fit = ComputeWindowFit(in, r.w, r.h, 1.0f);
        const RECT window = {fit.x, fit.y, fit.x + fit.width, fit.y + fit.height};
        EXPECT_TRUE(Inside(window, in.work)) << "style " << r.style << " pending " << r.pending << " maximize "
                                             << r.maximize << " " << r.w << "x" << r.h << ": " << Describe(window);
    }
    // The whole-picture fit uses the height the window really gets.
    in.viewStyle = 2;
    in.fitPending = true;
    in.alwaysMaximize = false;
    const WindowFitResult fit = ComputeWindowFit(in, 4000, 3000, 1.0f);
    const int extraHeight = 28 + 20 + 19 + 19 + 10;
    EXPECT_LE((int)(3000 * fit.zoom) + extraHeight, 768);
    // Moved work areas: the window is placed inside them too.
    in.work = {0, 40, 1024, 768};
    const WindowFitResult below = ComputeWindowFit(in, 4000, 3000, 1.0f);
    EXPECT_TRUE(Inside({below.x, below.y, below.x + below.width, below.y + below.height}, in.work));
}

// A GIF animation keeps its frames one above another in the bitmap (frame 0
// the bottom band) with the image's height field set to one frame: the viewer
// shows exactly the current frame's band. (It divided the frame height by the
// frame count again and showed a sliver of the wrong band stretched.)
TEST(ViewPaintGif, ShowsTheCurrentFrameBand) {
    const int width = 8, frameHeight = 10, frames = 3;
    const COLORREF colors[frames] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    CImage& image = AppState::CurrentImage;
    ASSERT_TRUE(image.CreateEmpty(width, frameHeight * frames, 24, RGB(0, 0, 0), nullptr));
    for (int k = 0; k < frames; ++k)  // frame k: top-down rows from (frames - k - 1) x frameHeight
        image.FillRect({0, (frames - k - 1) * frameHeight, width, frameHeight}, colors[k]);
    image.height = frameHeight;
    const int keptKind = AnimationBar.kind, keptCount = AnimationBar.frameCount, keptFrame = AnimationBar.currentFrame;
    const int keptFormat = AppState::CurrentFormatId;
    const float keptZoom = AppState::Zoom;
    AppState::CurrentFormatId = FMT_GIF;
    AppState::Zoom = 1.0f;
    AnimationBar.kind = ANIM_KIND_GIF;
    AnimationBar.frameCount = frames;

    EXPECT_EQ(GifFrameTop(image, 0), 20);
    EXPECT_EQ(GifFrameTop(image, 2), 0);
    EXPECT_EQ(GifFrameTop(image, 3), -1);  // not in the bitmap
    CImage target;
    ASSERT_TRUE(target.CreateEmpty(width, frameHeight, 24, RGB(9, 9, 9), nullptr));
    // A bar counting more frames than the bitmap holds draws a band of the bitmap, never outside it.
    for (int k : {0, 1, 2, 4}) {
        AnimationBar.currentFrame = k;
        target.FillRect({0, 0, width, frameHeight}, RGB(9, 9, 9));
        DrawViewImage(width, GetDesktopWindow(), target.memoryDC, 0, 0, frameHeight);
        const COLORREF expected = colors[k < frames ? k : frames - 1];
        for (int y : {0, frameHeight / 2, frameHeight - 1})
            for (int x : {0, width - 1})
                EXPECT_EQ(GetPixel(target.memoryDC, x, y), expected) << k << " " << x << "," << y;
    }

    AnimationBar.kind = keptKind, AnimationBar.frameCount = keptCount, AnimationBar.currentFrame = keptFrame;
    AppState::CurrentFormatId = keptFormat;
    AppState::Zoom = keptZoom;
    image.Destroy();
}

// The colour behind transparent pixels: the album's thumbnail colour while an
// album is generated, white while printing, else the mode's colour.
TEST(ViewBackground, FirstThatApplies) {
    struct Row {
        uint8_t album, print;
        int mode;
        COLORREF expected;
    } rows[] = {
        {1, 1, VIEW_VIEWER, 0x123456}, {1, 0, VIEW_BROWSER, 0x123456}, {0, 1, VIEW_PRESENTATION, RGB(255, 255, 255)},
        {0, 0, VIEW_VIEWER, 0x0A0B0C}, {0, 0, VIEW_BROWSER, 0x0D0E0F}, {0, 0, VIEW_PRESENTATION, RGB(0, 0, 0)},
    };
    const int keptMode = AppState::ViewMode, keptViewer = AppState::ViewerClrBackground;
    const int keptBrowser = AppState::BrowserClrBackground, keptAlbum = AppState::CreateHTMLAlbumThumbColor;
    AppState::ViewerClrBackground = 0x0A0B0C;
    AppState::BrowserClrBackground = 0x0D0E0F;
    AppState::CreateHTMLAlbumThumbColor = 0x123456;
    for (const Row& r : rows) {
        AppState::AlbumInProgress = r.album;
        AppState::PrintInProgress = r.print;
        AppState::ViewMode = r.mode;
        EXPECT_EQ(GetViewBackgroundColor(), r.expected) << (int)r.album << (int)r.print << r.mode;
    }
    AppState::AlbumInProgress = 0;
    AppState::PrintInProgress = 0;
    AppState::ViewMode = keptMode;
    AppState::ViewerClrBackground = keptViewer;
    AppState::BrowserClrBackground = keptBrowser;
    AppState::CreateHTMLAlbumThumbColor = keptAlbum;
}

// The bands around the picture keep the viewer's colour while a print decodes
// with white behind transparent pixels (GetViewBackgroundColor answers white then).
class ViewPaintWindow : public apptest::MainWindowFixture {};

TEST_F(ViewPaintWindow, BandsKeepTheViewerColourWhilePrinting) {
    AppState::ViewerClrBackground = RGB(10, 200, 30);
    CImage& image = AppState::CurrentImage;
    ASSERT_TRUE(image.CreateEmpty(20, 10, 24, RGB(250, 0, 250), nullptr));
    AppState::CurrentFormatId = FMT_BMP;
    AppState::Zoom = 1.0f;
    AppState::FitPending = 0;
    SetWindowPos(window, nullptr, 0, 0, 400, 300, SWP_NOZORDER | SWP_SHOWWINDOW);
    AppState::PrintInProgress = 1;
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    AppState::PrintInProgress = 0;
    RECT client;
    GetClientRect(window, &client);
    const RECT view = GetViewArea(client);
    const POINT origin = AppState::ImageOrigin;
    HDC dc = GetDC(window);
    EXPECT_EQ(GetPixel(dc, origin.x + 10, origin.y + 5), RGB(250, 0, 250));
    EXPECT_EQ(GetPixel(dc, view.left + 3, (view.top + view.bottom) / 2), RGB(10, 200, 30));  // left band
    EXPECT_EQ(GetPixel(dc, origin.x + 10, origin.y - 3), RGB(10, 200, 30));                  // band above
    ReleaseDC(window, dc);
    image.Destroy();
    AppState::CurrentFormatId = 0;
}

// A tile map of a tiny picture is painted as one pattern fill; every tile must
// still sit where the blits would put it.
TEST_F(ViewPaintWindow, ManySmallTilesRepeatThePictureFromTheViewCorner) {
    CImage& image = AppState::CurrentImage;
    ASSERT_TRUE(image.CreateEmpty(2, 2, 24, RGB(255, 0, 0), nullptr));  // top-left red
    image.FillRect(RECT{1, 0, 1, 1}, RGB(0, 255, 0));                   // top-right green
    image.FillRect(RECT{0, 1, 1, 1}, RGB(0, 0, 255));                   // bottom-left blue
    image.FillRect(RECT{1, 1, 1, 1}, RGB(255, 255, 0));                 // bottom-right yellow
    AppState::CurrentFormatId = FMT_BMP;
    AppState::Zoom = 1.0f;
    AppState::FitPending = 0;
    const int keptTiles = AppState::GeneralViewImageAsTiles;
    AppState::GeneralViewImageAsTiles = 1;
    SetWindowPos(window, nullptr, 0, 0, 400, 300, SWP_NOZORDER | SWP_SHOWWINDOW);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    const int left = AppState::ViewMargins.left, top = AppState::ViewMargins.top;
    HDC dc = GetDC(window);
    for (int k : {3, 7, 20}) {  // the view's edge lines cover its first row and column
        const int x = left + 2 * k, y = top + 2 * (k / 2);
        EXPECT_EQ(GetPixel(dc, x, y), RGB(255, 0, 0)) << k;
        EXPECT_EQ(GetPixel(dc, x + 1, y), RGB(0, 255, 0)) << k;
        EXPECT_EQ(GetPixel(dc, x, y + 1), RGB(0, 0, 255)) << k;
        EXPECT_EQ(GetPixel(dc, x + 1, y + 1), RGB(255, 255, 0)) << k;
    }
    ReleaseDC(window, dc);
    AppState::GeneralViewImageAsTiles = keptTiles;
    image.Destroy();
    AppState::CurrentFormatId = 0;
}

class WindowPlacement : public apptest::MainWindowFixture {
protected:
    void TearDown() override {
        Browser.Close();
        MainWindowFixture::TearDown();
    }
    RECT WindowRect() {
        RECT r = {};
        GetWindowRect(window, &r);
        return r;
    }
    // Opens a picture of one colour (the name's extension picks the format).
    void OpenPicture(const wchar_t* name, int width, int height) {
        const std::wstring file = dir.File(name);
        apptest::WriteSolidPicture(file, width, height, RGB(30, 60, 90));
        OpenMediaFile(file.c_str());
        qrvtest::Pump();
        ASSERT_EQ(AppState::DocumentKind, DOC_FILE);
    }
    qrvtest::TempDir dir;
};

// A picture far larger than the screen: the fitted window, status bar and all,
// lies inside the work area; so does the browser's default frame.
TEST_F(WindowPlacement, LargePictureAndBrowserFrameStayInsideTheWorkArea) {
    OpenPicture(L"large.png", 4000, 3000);
    const RECT work = GetWorkAreaOf(window);
    EXPECT_TRUE(Inside(WindowRect(), work)) << Describe(WindowRect()) << " in " << Describe(work);

    SendMessageW(window, WM_COMMAND, 40139, 0);  // the browser, at its stored (default) frame
    ASSERT_TRUE(Browser.IsShown());
    EXPECT_TRUE(Inside(WindowRect(), work)) << Describe(WindowRect()) << " in " << Describe(work);
}

// Always-maximize on maximizes the window; off again, the window is restored
// (not a maximized window moved to the fitted size) and fitted to the picture.
TEST_F(WindowPlacement, AlwaysMaximizeOffRestoresTheWindow) {
    OpenPicture(L"small.bmp", 400, 300);
    const RECT fitted = WindowRect();
    SendMessageW(window, WM_COMMAND, 40061, 0);
    qrvtest::Pump();
    ASSERT_EQ(AppState::GeneralAlwaysMaximizeWindow, 1);
    EXPECT_TRUE(IsZoomed(window));
    SendMessageW(window, WM_COMMAND, 40061, 0);
    qrvtest::Pump();
    EXPECT_EQ(AppState::GeneralAlwaysMaximizeWindow, 0);
    EXPECT_FALSE(IsZoomed(window));
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_STYLE) & WS_MAXIMIZE);
    const RECT restored = WindowRect();
    EXPECT_TRUE(EqualRect(&fitted, &restored)) << Describe(fitted) << " then " << Describe(restored);
    const UINT state = GetMenuState(GetMenu(window), 40061, MF_BYCOMMAND);
    EXPECT_FALSE(state & MF_CHECKED);
}

}  // namespace
