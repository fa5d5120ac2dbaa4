// The viewer's mouse tools: their arithmetic as plain functions, and the tools
// driven with mouse messages on the real main window.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/ImageSnapshot.h"
#include "app/MediaDocument.h"
#include "app/MouseTools.h"
#include "app/View.h"
#include "browser/DragSource.h"
#include "command_ids.h"
#include "formats/PixelCheck.h"
#include "image/Image.h"
#include "support/SettingsKeeper.h"
#include "support/TestSupport.h"

namespace {

// ---- Arithmetic ----

TEST(ScrollToolArithmetic, AngleIsClockwiseFromUpAndUndefinedAtTheCentre) {
    const struct {
        int dx, dy;
        double angle;
    } rows[] = {{0, 5, 0.0},    {5, 0, 90.0},    {0, -5, 180.0}, {-5, 0, 270.0},   {3, 3, 45.0},
                {3, -3, 135.0}, {-3, -3, 225.0}, {-3, 3, 315.0}, {1000, 1, 89.94}, {0, 0, -1.0}};
    for (const auto& r : rows) EXPECT_NEAR(ScrollToolAngle(r.dx, r.dy), r.angle, 0.01) << r.dx << "," << r.dy;
}

TEST(ScrollToolArithmetic, CursorFollowsTheDirectionFromTheCentre) {
    const POINT c = {100, 100};
    const struct {
        bool x, y;
        POINT p;
        int cursor;
    } rows[] = {
        // both axes overflow: eight directions by the angle, nothing on the centre itself
        {true, true, {100, 50}, 258},
        {true, true, {150, 50}, 259},
        {true, true, {150, 100}, 255},
        {true, true, {150, 150}, 261},
        {true, true, {100, 150}, 257},
        {true, true, {50, 150}, 262},
        {true, true, {50, 100}, 256},
        {true, true, {50, 50}, 260},
        {true, true, {105, 40}, 258},  // 4.8 degrees: still up
        {true, true, {95, 40}, 258},   // 355.2 degrees: up as well
        {true, true, {100, 100}, 0},
        // one axis: only its two directions, the centre line keeps the cursor
        {true, false, {150, 10}, 255},
        {true, false, {50, 190}, 256},
        {true, false, {100, 10}, 0},
        {false, true, {10, 150}, 257},
        {false, true, {190, 50}, 258},
        {false, true, {10, 100}, 0},
        {false, false, {150, 150}, 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ScrollToolCursorId(r.x, r.y, r.p, c), r.cursor) << r.x << r.y << " at " << r.p.x << "," << r.p.y;
}

TEST(ScrollToolArithmetic, DivisorByZoomAndStepTowardTheCursor) {
    const struct {
        float zoom;
        int divisor;
    } rows[] = {{0.25f, 10}, {1.0f, 10}, {4.99f, 10}, {5.0f, 9},  {7.5f, 9},  {10.0f, 8},
                {19.9f, 8},  {20.0f, 7}, {30.0f, 6},  {40.0f, 5}, {49.0f, 5}, {50.0f, 4}};
    for (const auto& r : rows) EXPECT_EQ(AutoScrollDivisor(r.zoom), r.divisor) << r.zoom;

    // Right of and above the centre: the offsets fall on x (more of the right
    // part comes into view) and rise on y; the step grows with the distance.
    POINT step = AutoScrollStep({300, 80}, {200, 100}, 1.0f);
    EXPECT_EQ(step.x, -10);
    EXPECT_EQ(step.y, 2);
    step = AutoScrollStep({150, 100}, {200, 100}, 50.0f);
    EXPECT_EQ(step.x, 12);
    EXPECT_EQ(step.y, 0);
}

TEST(PixelGrid, ClientPointsMapToThePixelsAsPainted) {
    const struct {
        int c, origin;
        float zoom;
        int pixel, snapped;
    } rows[] = {
        {5, 2, 4.0f, 0, 2},                           // origin not on a multiple of the zoom
        {6, 2, 4.0f, 1, 6},    {1, 2, 4.0f, -1, -2},  // left of the picture
        {0, -10, 4.0f, 2, -2}, {2, -10, 4.0f, 3, 2},  // scrolled: negative origin
        {4, 0, 2.5f, 1, 2},    {5, 0, 2.5f, 2, 5},    {9, 0, 2.5f, 3, 7},
        {10, 0, 2.5f, 4, 10},  {37, 7, 1.0f, 30, 37}, {9, 1, 0.5f, 16, 9},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(ClientToImagePixel(r.c, r.origin, r.zoom), r.pixel)
            << r.c << " from " << r.origin << " at " << r.zoom;
        if (r.zoom > 1.0f) { EXPECT_EQ(SnapToPixelGrid(r.c, r.origin, r.zoom), r.snapped) << r.c; }
    }
    // Every pixel's beginning maps back to that pixel (snapping twice changes nothing).
    for (float zoom : {1.5f, 2.0f, 2.5f, 3.0f, 7.5f})
        for (int k = -5; k < 40; ++k) ASSERT_EQ(ClientToImagePixel(PixelEdge(k, 13, zoom), 13, zoom), k) << zoom;
}

TEST(PixelGrid, FarEdgeTakesTheNearestWholeNumberOfPixels) {
    EXPECT_EQ(SnapFarEdge(2, 6, 2, 4.0f), 6);
    EXPECT_EQ(SnapFarEdge(2, 7, 2, 4.0f), 6);   // 1.25 pixels
    EXPECT_EQ(SnapFarEdge(2, 9, 2, 4.0f), 10);  // 1.75 pixels
    EXPECT_EQ(SnapFarEdge(2, 3, 2, 4.0f), 2);   // a quarter pixel: nothing
    EXPECT_EQ(SnapFarEdge(10, 1, 2, 4.0f), 2);  // dragged back past the beginning
    EXPECT_EQ(SnapFarEdge(0, 6, 0, 2.5f), 5);   // 2.4 pixels: two, ending at 5
    EXPECT_EQ(SnapFarEdge(0, 7, 0, 2.5f), 7);   // 2.8 pixels: three, ending at 7
}

TEST(SelectionHitTest, EdgesWithinFourPixelsThenInside) {
    const RECT s = {100, 100, 200, 160};
    const struct {
        POINT p;
        SelectionHit hit;
    } rows[] = {
        {{150, 100}, SELECTION_EDGE_Y}, {{150, 103}, SELECTION_EDGE_Y}, {{150, 97}, SELECTION_EDGE_Y},
        {{150, 157}, SELECTION_EDGE_Y}, {{150, 104}, SELECTION_INSIDE}, {{150, 96}, SELECTION_NONE},
        {{100, 130}, SELECTION_EDGE_X}, {{203, 130}, SELECTION_EDGE_X}, {{104, 130}, SELECTION_INSIDE},
        {{100, 100}, SELECTION_NONE},  // a corner is neither edge's
        {{250, 130}, SELECTION_NONE},
    };
    for (const auto& r : rows) EXPECT_EQ(HitTestSelection(s, r.p), r.hit) << r.p.x << "," << r.p.y;
    EXPECT_EQ(HitTestSelection(RECT{}, POINT{0, 0}), SELECTION_NONE);
}

TEST(RedMarker, PenWidthBySetting) {
    const int rows[][2] = {{0, 4}, {1, 6}, {2, 8}, {3, 12}, {4, 16}, {5, 8}, {-1, 8}};
    for (const auto& r : rows) EXPECT_EQ(MarkerPenWidth(r[0]), r[1]) << r[0];
}

// Whatever the zoom and origin, the selection's top-left pixel ends on the
// view's top-left corner once the picture is placed with the new offsets.
TEST(ZoomToSelectionArithmetic, SelectionCornerLandsOnTheViewCorner) {
    const struct {
        RECT selection;
        POINT origin;
        float zoom;
        RECT view;
        int width, height;
    } rows[] = {
        {{120, 80, 170, 105}, {20, 30}, 1.0f, {0, 28, 640, 480}, 600, 400},
        {{58, 42, 98, 82}, {2, 2}, 4.0f, {0, 0, 500, 400}, 120, 90},
        {{300, 200, 340, 260}, {-400, -300}, 2.0f, {10, 40, 810, 640}, 800, 600},
    };
    for (const auto& r : rows) {
        const int w = r.view.right - r.view.left, h = r.view.bottom - r.view.top;
        const ZoomToSelectionPlan plan = ComputeZoomToSelection(r.selection, r.origin, r.zoom, w, h, r.width, r.height);
        const int left = ClientToImagePixel(r.selection.left, r.origin.x, r.zoom);
        const int top = ClientToImagePixel(r.selection.top, r.origin.y, r.zoom);
        const int columns = ClientToImagePixel(r.selection.right, r.origin.x, r.zoom) - left;
        const int lines = ClientToImagePixel(r.selection.bottom, r.origin.y, r.zoom) - top;
        EXPECT_FLOAT_EQ(plan.zoom, std::min((float)w / columns, (float)h / lines));
        const POINT placed =
            ComputeImagePlacement(r.view, plan.offset, (int)(r.width * plan.zoom), (int)(r.height * plan.zoom));
        EXPECT_NEAR(placed.x + (int)(left * plan.zoom), r.view.left, 1) << r.zoom;
        EXPECT_NEAR(placed.y + (int)(top * plan.zoom), r.view.top, 1) << r.zoom;
    }
}

// ---- The tools on the main window ----

// What the drag loop was handed.
std::vector<std::wstring> g_draggedFiles;
DWORD g_allowedEffects = 0;

DWORD RecordDrag(IDataObject* data, DWORD allowed) {
    g_allowedEffects = allowed;
    FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium = {};
    if (FAILED(data->GetData(&format, &medium))) return DROPEFFECT_NONE;
    HDROP drop = static_cast<HDROP>(GlobalLock(medium.hGlobal));
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH * 2] = {};
        DragQueryFileW(drop, i, path, MAX_PATH * 2);
        g_draggedFiles.push_back(path);
    }
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return DROPEFFECT_COPY;
}

class MouseToolsTest : public apptest::ShellWindowFixture {
protected:
    void TearDown() override {
        SendMessageW(window, WM_LBUTTONUP, 0, 0);
        ClipCursor(nullptr);
        SetRectEmpty(&AppState::Selection);
        AppState::ToolMode = TOOL_SCROLL;
        AppState::MarkerLastPoint = {-1, -1};
        // A window the tool moved counts as placed by the user: the next window would keep its place.
        AppState::WindowMoved = AppState::WindowSized = 0;
        apptest::ShellWindowFixture::TearDown();
    }
    // A white picture of width x height opened and shown at zoom, the window fitted to it.
    void Open(int width, int height, float zoom) {
        path = dir.File(L"pic.bmp");
        apptest::WriteSolidPicture(path, width, height, RGB(255, 255, 255));
        OpenMediaFile(path.c_str());
        qrvtest::Pump();
        ASSERT_EQ(AppState::DocumentKind, DOC_FILE);
        SetZoom(zoom, true);
        qrvtest::Pump();
        GetClientRect(window, &client);
        origin = PlaceImage(client);
    }
    void Press(POINT p, WPARAM keys = MK_LBUTTON) { SendMessageW(window, WM_LBUTTONDOWN, keys, MAKELPARAM(p.x, p.y)); }
    void Drag(POINT p, WPARAM keys = MK_LBUTTON) { SendMessageW(window, WM_MOUSEMOVE, keys, MAKELPARAM(p.x, p.y)); }
    void Release(POINT p) { SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y)); }
    POINT At(int x, int y) const { return {origin.x + x, origin.y + y}; }

    qrvtest::TempDir dir;
    qrvtest::SettingsKeeper settings;
    std::wstring path;
    RECT client = {};
    POINT origin = {};
};

TEST_F(MouseToolsTest, ClickSelectsNothingAtZoomOneAndOnePixelZoomedIn) {
    Open(40, 30, 1.0f);
    AppState::ToolMode = TOOL_SELECT;
    Press(At(10, 10));
    Release(At(10, 10));
    EXPECT_TRUE(IsRectEmpty(&AppState::Selection));
    EXPECT_FALSE(AppState::MouseCaptured);

    Open(40, 30, 4.0f);
    ASSERT_FLOAT_EQ(AppState::Zoom, 4.0f);
    Press(At(4 * 5 + 1, 4 * 3 + 2));  // inside image pixel (5, 3)
    const RECT want = {origin.x + 20, origin.y + 12, origin.x + 24, origin.y + 16};
    EXPECT_TRUE(EqualRect(&AppState::Selection, &want))
        << AppState::Selection.left - origin.x << "," << AppState::Selection.top - origin.y << " - "
        << AppState::Selection.right - origin.x << "," << AppState::Selection.bottom - origin.y;
    EXPECT_TRUE(AppState::MouseCaptured);
    EXPECT_EQ(GetCapture(), window);
    POINT cursor = {}, corner = {want.right, want.bottom};
    GetCursorPos(&cursor);
    ClientToScreen(window, &corner);
    EXPECT_EQ(cursor.x, corner.x);
    EXPECT_EQ(cursor.y, corner.y);
    Release(At(24, 16));
    EXPECT_TRUE(EqualRect(&AppState::Selection, &want)) << "one image pixel is kept";
    EXPECT_FALSE(AppState::MouseCaptured);
    EXPECT_NE(GetCapture(), window);
}

TEST_F(MouseToolsTest, DrawingSnapsToPixelsAndMovingPastTheLeftEdgeShrinks) {
    Open(60, 40, 2.0f);
    AppState::ToolMode = TOOL_SELECT;
    Press(At(21, 11));
    Drag(At(40, 30));
    Drag(At(59, 49));  // 19.5 x 19.5 pixels from the corner: 20 pixels each way
    Release(At(59, 49));
    RECT want = {origin.x + 20, origin.y + 10, origin.x + 60, origin.y + 50};
    ASSERT_TRUE(EqualRect(&AppState::Selection, &want))
        << AppState::Selection.left - origin.x << "," << AppState::Selection.top - origin.y << " - "
        << AppState::Selection.right - origin.x << "," << AppState::Selection.bottom - origin.y;

    // Grabbed inside and moved 30 pixels left: the left edge stops on the
    // picture's edge and the rectangle shrinks there; the rest moves.
    Press(At(40, 30));
    Drag(At(10, 30));
    Release(At(10, 30));
    want = {origin.x, origin.y + 10, origin.x + 30, origin.y + 50};
    EXPECT_TRUE(EqualRect(&AppState::Selection, &want))
        << AppState::Selection.left - origin.x << "," << AppState::Selection.top - origin.y << " - "
        << AppState::Selection.right - origin.x << "," << AppState::Selection.bottom - origin.y;

    // The right edge dragged outward stays inside the picture (120 pixels wide).
    Press(At(30, 30));
    Drag(At(200, 30));
    Release(At(200, 30));
    EXPECT_EQ(AppState::Selection.right, origin.x + 120);
    EXPECT_EQ(AppState::Selection.left, origin.x);
}

TEST_F(MouseToolsTest, MarkerStrokeIsInImagePixelsAndOneUndoRemovesIt) {
    AppState::ViewerRedMarkerWidth = 0;  // 4 pixels
    Open(60, 40, 2.0f);
    AppState::ToolMode = TOOL_RED_MARKER;
    const std::vector<uint8_t> white = pixelcheck::ImageRgba(AppState::CurrentImage);
    Press(At(20, 40));
    Drag(At(50, 40));
    Drag(At(80, 40));  // 60 client pixels: image x 10 to 40 on row 20
    Release(At(80, 40));
    EXPECT_EQ(AppState::MarkerLastPoint.x, -1);
    EXPECT_TRUE(AppState::ImageModified);
    EXPECT_TRUE(UndoSnapshot.IsValid());
    const std::vector<uint8_t> marked = pixelcheck::ImageRgba(AppState::CurrentImage);
    auto pixel = [&](int x, int y) {
        const uint8_t* p = &marked[((size_t)y * 60 + x) * 4];
        return RGB(p[0], p[1], p[2]);
    };
    for (int x : {10, 25, 40}) EXPECT_EQ(pixel(x, 20), RGB(255, 0, 0)) << x;
    for (int x : {5, 45, 55}) EXPECT_EQ(pixel(x, 20), RGB(255, 255, 255)) << x << ": the line is half as long";
    EXPECT_EQ(pixel(25, 10), RGB(255, 255, 255));

    SendMessageW(window, WM_COMMAND, IDM_UNDO, 0);
    qrvtest::Pump();
    EXPECT_EQ(pixelcheck::ImageRgba(AppState::CurrentImage), white) << "one Undo takes the whole stroke";
}

// GDI draws with alpha 0 on 32-bit bitmaps: the stroke must still be opaque.
// In an alpha view it goes into the picture itself (the view is made again
// from it), and Undo there gives the picture back.
TEST_F(MouseToolsTest, MarkerOnA32BitPictureIsOpaqueAndDrawnIntoThePicture) {
    AppState::ViewerRedMarkerWidth = 0;
    Open(60, 40, 2.0f);
    CImage& image = AppState::CurrentImage;
    ASSERT_TRUE(image.CreateEmpty(60, 40, 32, RGB(0, 0, 255), nullptr));
    for (uint32_t row = 0; row < 40; ++row)
        for (uint32_t x = 0; x < 60; ++x) image.ScanLine(row)[x * 4 + 3] = 128;
    const std::vector<uint8_t> original = pixelcheck::ImageRgba(image);
    auto at = [](const std::vector<uint8_t>& rgba, int x, int y) {
        const uint8_t* p = &rgba[((size_t)y * 60 + x) * 4];
        return std::vector<int>{p[0], p[1], p[2], p[3]};
    };
    ChooseChannelView(window, IDM_ALPHA_BLENDED, 0);
    ASSERT_EQ(AppState::ChannelView, CHANNEL_ALPHA_BLENDED);
    AppState::ToolMode = TOOL_RED_MARKER;
    Press(At(20, 40));
    Drag(At(80, 40));
    Release(At(80, 40));
    EXPECT_EQ(at(pixelcheck::ImageRgba(image), 25, 20), (std::vector<int>{255, 0, 0, 255})) << "shown in the view";

    ChooseChannelView(window, IDM_CHANNEL_ALL, 0);
    const std::vector<uint8_t> marked = pixelcheck::ImageRgba(image);
    EXPECT_EQ(at(marked, 25, 20), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(at(marked, 25, 10), at(original, 25, 10));

    ChooseChannelView(window, IDM_ALPHA_BLENDED, 0);
    SendMessageW(window, WM_COMMAND, IDM_UNDO, 0);
    qrvtest::Pump();
    ChooseChannelView(window, IDM_CHANNEL_ALL, 0);
    EXPECT_EQ(pixelcheck::ImageRgba(image), original);
}

TEST_F(MouseToolsTest, ZoomToSelectionKeepsTheWindowAndShowsTheSelection) {
    Open(200, 150, 1.0f);
    AppState::ToolMode = TOOL_SELECT;
    Press(At(50, 40));
    Drag(At(90, 70));
    Release(At(90, 70));
    ASSERT_FALSE(IsRectEmpty(&AppState::Selection));
    RECT before;
    GetWindowRect(window, &before);
    SendMessageW(window, WM_COMMAND, IDM_ZOOM_TO_SELECTION, 0);
    qrvtest::Pump();
    EXPECT_EQ(AppState::ToolMode, TOOL_SCROLL);
    EXPECT_TRUE(IsRectEmpty(&AppState::Selection));
    RECT after;
    GetWindowRect(window, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    const RECT view = GetViewArea(client);
    const float expected = std::min((view.right - view.left) / 40.0f, (view.bottom - view.top) / 30.0f);
    EXPECT_FLOAT_EQ(AppState::Zoom, expected);
    const POINT placed = PlaceImage(client);
    EXPECT_NEAR(placed.x + (int)(50 * AppState::Zoom), view.left, 1);
    EXPECT_NEAR(placed.y + (int)(40 * AppState::Zoom), view.top, 1);
}

TEST_F(MouseToolsTest, ControlDragHandsTheFullPathOverForCopying) {
    Open(40, 30, 1.0f);
    SetCurrentDirectoryW(L"C:\\");  // the folder moved on: the name alone would be another file
    g_draggedFiles.clear();
    g_allowedEffects = 0;
    const DragLoopHook previous = SetDragLoopHook(RecordDrag);
    for (int tool : {TOOL_SCROLL, TOOL_SELECT}) {
        AppState::ToolMode = tool;
        Press(At(5, 5), MK_LBUTTON | MK_CONTROL);
        Drag(At(15, 10), MK_LBUTTON | MK_CONTROL);
        Release(At(15, 10));
    }
    SetDragLoopHook(previous);
    ASSERT_EQ(g_draggedFiles.size(), 2u);
    for (const std::wstring& file : g_draggedFiles) EXPECT_EQ(file, path);
    EXPECT_EQ(g_allowedEffects, (DWORD)DROPEFFECT_COPY);
    EXPECT_FALSE(AppState::DragActive);
    EXPECT_FALSE(AppState::MouseCaptured);
    EXPECT_EQ(AppState::DragSourceWindow, nullptr);
}

TEST_F(MouseToolsTest, ScrollToolMovesAFittingWindowUnlessMaximized) {
    Open(40, 30, 1.0f);
    ASSERT_FALSE(AppState::CanScrollX || AppState::CanScrollY);
    RECT before, after;
    GetWindowRect(window, &before);
    Press({10, 10});
    Drag({30, 20});
    Drag({15, 10});  // 5 pixels further right: the window followed the first move
    Release({15, 10});
    GetWindowRect(window, &after);
    EXPECT_EQ(after.left - before.left, 25);
    EXPECT_EQ(after.top - before.top, 10);
    EXPECT_TRUE(AppState::WindowMoved);
    EXPECT_EQ(AppState::LastMousePos.x, 0) << "nothing overflows: the anchor is reset";

    ShowWindow(window, SW_MAXIMIZE);
    qrvtest::Pump();
    GetWindowRect(window, &before);
    Press({10, 10});
    Drag({30, 20});
    Release({30, 20});
    GetWindowRect(window, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(MouseToolsTest, HoldingRightOfTheCentreScrollsTowardTheRightPart) {
    Open(3000, 2000, 1.0f);
    ASSERT_TRUE(AppState::CanScrollX);
    const POINT centre = GetViewCentre(client);
    POINT screen = {centre.x + 150, centre.y};
    ClientToScreen(window, &screen);
    // The pointer is held there (a warp alone may be refused to a window without the focus).
    const RECT hold = {screen.x, screen.y, screen.x + 1, screen.y + 1};
    ClipCursor(&hold);
    SetCursorPos(screen.x, screen.y);
    POINT at = {};
    GetCursorPos(&at);
    ASSERT_EQ(at.x, screen.x);
    const LONG before = AppState::ScrollOffset.x;
    Press({centre.x + 150, centre.y});
    EXPECT_TRUE(AppState::MouseCaptured);
    SendMessageW(window, WM_TIMER, TIMER_AUTOSCROLL, 0);
    SendMessageW(window, WM_TIMER, TIMER_AUTOSCROLL, 0);
    EXPECT_EQ(AppState::ScrollOffset.x, before - 30);
    Release({centre.x + 150, centre.y});
    EXPECT_FALSE(AppState::MouseCaptured);
}

}  // namespace
