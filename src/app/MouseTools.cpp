// The viewer's left-button tools: scroll, select and the red marker, the
// file drag out of the viewer and zoom to selection.
#include "app/MouseTools.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cwchar>

#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandState.h"
#include "app/MainMenu.h"
#include "app/MainWindowIds.h"
#include "app/ShellServices.h"
#include "app/Startup.h"
#include "app/View.h"
#include "browser/DragSource.h"
#include "formats/Formats.h"
#include "image/Image.h"

// ---- Arithmetic ----

double ScrollToolAngle(int dx, int dy) {
    if (dx == 0 && dy == 0) return -1.0;
    double a = std::atan2((double)dx, (double)dy) * 57.29577951308232;
    if (a < 0.0) a += 360.0;
    return a;
}

int ScrollToolCursorId(bool overflowX, bool overflowY, POINT p, POINT centre) {
    if (overflowX && !overflowY) return p.x > centre.x ? 255 : p.x < centre.x ? 256 : 0;
    if (overflowY && !overflowX) return p.y > centre.y ? 257 : p.y < centre.y ? 258 : 0;
    if (!overflowX) return 0;
    const double a = ScrollToolAngle(p.x - centre.x, centre.y - p.y);
    if (a < 0.0) return 0;
    if (a >= 350.0 || a < 10.0) return 258;
    if (a < 80.0) return 259;
    if (a < 100.0) return 255;
    if (a < 170.0) return 261;
    if (a < 190.0) return 257;
    if (a < 260.0) return 262;
    if (a < 280.0) return 256;
    return 260;
}

int AutoScrollDivisor(float zoom) {
    static const struct {
        float from;
        int divisor;
    } kSteps[] = {{50.0f, 4}, {40.0f, 5}, {30.0f, 6}, {20.0f, 7}, {10.0f, 8}, {5.0f, 9}};
    for (const auto& s : kSteps)
        if (zoom >= s.from) return s.divisor;
    return 10;
}

POINT AutoScrollStep(POINT p, POINT centre, float zoom) {
    const int d = AutoScrollDivisor(zoom);
    return {(centre.x - p.x) / d, (centre.y - p.y) / d};
}

int ClientToImagePixel(int c, int origin, float zoom) {
    const double d = (double)c - origin;
    if (!(zoom > 0.0f)) return 0;
    // Zoomed in, pixel k begins at floor(k x zoom): the last k whose beginning
    // is at or before d. Zoomed out, several pixels share one screen pixel.
    if (zoom > 1.0f) return (int)std::ceil((d + 1.0) / zoom) - 1;
    return (int)std::floor(d / zoom);
}

int PixelEdge(int k, int origin, float zoom) { return origin + (int)std::floor((double)k * zoom); }

int SnapToPixelGrid(int c, int origin, float zoom) {
    return PixelEdge(ClientToImagePixel(c, origin, zoom), origin, zoom);
}

int SnapFarEdge(int nearEdge, int farEdge, int origin, float zoom) {
    const long pixels = std::lround((double)(farEdge - nearEdge) / zoom);
    return PixelEdge(ClientToImagePixel(nearEdge, origin, zoom) + (int)pixels, origin, zoom);
}

SelectionHit HitTestSelection(const RECT& s, POINT p) {
    if (IsRectEmpty(&s)) return SELECTION_NONE;
    const bool betweenX = p.x > s.left && p.x < s.right;
    const bool betweenY = p.y > s.top && p.y < s.bottom;
    if (betweenX && (std::abs(p.y - s.top) < 4 || std::abs(p.y - s.bottom) < 4)) return SELECTION_EDGE_Y;
    if (betweenY && (std::abs(p.x - s.left) < 4 || std::abs(p.x - s.right) < 4)) return SELECTION_EDGE_X;
    if (betweenX && betweenY) return SELECTION_INSIDE;
    return SELECTION_NONE;
}

int MarkerPenWidth(int setting) {
    static const int kWidths[5] = {4, 6, 8, 12, 16};
    return setting >= 0 && setting < 5 ? kWidths[setting] : 8;
}

ZoomToSelectionPlan ComputeZoomToSelection(const RECT& selection, POINT origin, float zoom, int areaWidth,
                                           int areaHeight, int imageWidth, int imageHeight) {
    const int left = ClientToImagePixel(std::min(selection.left, selection.right), origin.x, zoom);
    const int right = ClientToImagePixel(std::max(selection.left, selection.right), origin.x, zoom);
    const int top = ClientToImagePixel(std::min(selection.top, selection.bottom), origin.y, zoom);
    const int bottom = ClientToImagePixel(std::max(selection.top, selection.bottom), origin.y, zoom);
    ZoomToSelectionPlan plan;
    plan.zoom =
        ComputeFitScale(FIT_WHOLE, false, areaWidth, areaHeight, std::max(1, right - left), std::max(1, bottom - top));
    plan.offset.x = (int)(plan.zoom * imageWidth) / 2 - (int)(plan.zoom * left) - areaWidth / 2;
    plan.offset.y = (int)(plan.zoom * imageHeight) / 2 - (int)(plan.zoom * top) - areaHeight / 2;
    return plan;
}

// ---- The tools on the main window ----

namespace {

// What the select tool's drag changes.
struct SelectDrag {
    bool active = false;  // a select drag runs (button pressed in the view)
    bool edgeX = false;   // a left or right edge is dragged
    bool edgeY = false;   // a top or bottom edge is dragged
    bool move = false;    // the whole rectangle is dragged
};
SelectDrag g_select;
bool g_windowDrag = false;  // the scroll tool moves the window

RECT ClientRect(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    return client;
}

// The zoomed picture in client coordinates, placed as painting places it.
RECT ZoomedImageRect(HWND window) {
    const POINT origin = PlaceImage(ClientRect(window));
    const SIZE zoomed = GetZoomedImageSize();
    return {origin.x, origin.y, origin.x + zoomed.cx, origin.y + zoomed.cy};
}

bool Overflows() { return AppState::CanScrollX || AppState::CanScrollY; }

HCURSOR OwnCursor(int id) {
    static const int kIds[9] = {304, 258, 259, 260, 257, 261, 262, 255, 256};  // the order of Cursors.own
    for (int i = 0; i < 9; ++i)
        if (kIds[i] == id) return Cursors.own[i];
    return nullptr;
}

void SetCursorIf(HCURSOR cursor) {
    if (cursor) SetCursor(cursor);
}

HCURSOR Arrow() { return LoadCursorW(nullptr, IDC_ARROW); }

// The select tool works on pictures, not on players.
bool CanSelect() {
    const int id = AppState::CurrentFormatId;
    return AppState::CurrentImage.IsValid() && id != FMT_QTMOVIE && id != FMT_SOUND && id != FMT_VIDEO;
}

// Holds the mouse for a tool drag and keeps the cursor inside the view area.
void CaptureForDrag(HWND window, bool clip) {
    SetCapture(window);
    AppState::MouseCaptured = 1;
    if (!clip) return;
    RECT view = GetViewArea(ClientRect(window));
    POINT corners[2] = {{view.left, view.top}, {view.right, view.bottom}};
    MapWindowPoints(window, nullptr, corners, 2);
    const RECT screen = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    ClipCursor(&screen);
}

POINT ToScreen(HWND window, POINT p) {
    ClientToScreen(window, &p);
    return p;
}

void Repaint(HWND window, bool erase) {
    InvalidateRect(window, nullptr, erase ? TRUE : FALSE);
    UpdateWindow(window);
}

// ---- Scroll tool ----

void ScrollToolDown(HWND window, POINT p) {
    if (Overflows()) {
        CaptureForDrag(window, false);
        UpdateScrollToolCursor(window);
        SetTimer(window, TIMER_AUTOSCROLL, 50, nullptr);
    } else if (AppState::ViewMode == VIEW_VIEWER) {
        CaptureForDrag(window, false);
        g_windowDrag = true;
        AppState::LastMousePos = ToScreen(window, p);
    }
}

void ScrollToolMove(HWND window, WPARAM keys, POINT p) {
    if (!(keys & MK_LBUTTON)) {
        if (Overflows()) UpdateScrollToolCursor(window);
        else SetCursor(Arrow());
        return;
    }
    if (!AppState::MouseCaptured) return;
    if (Overflows()) {
        UpdateScrollToolCursor(window);
        return;
    }
    if (!g_windowDrag || AppState::ViewMode != VIEW_VIEWER || IsZoomed(window)) return;
    const POINT screen = ToScreen(window, p);
    const int dx = screen.x - AppState::LastMousePos.x, dy = screen.y - AppState::LastMousePos.y;
    AppState::LastMousePos = screen;
    if (dx == 0 && dy == 0) return;
    AppState::WindowMoved = 1;
    RECT frame;
    GetWindowRect(window, &frame);
    SetWindowPos(window, nullptr, frame.left + dx, frame.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Select tool ----

HCURSOR CursorForHit(SelectionHit hit) {
    switch (hit) {
    case SELECTION_EDGE_Y: return Cursors.sizeNS;
    case SELECTION_EDGE_X: return Cursors.sizeWE;
    case SELECTION_INSIDE: return Cursors.sizeAll;
    default: return Cursors.cross;
    }
}

int Clamp(int v, int low, int high) { return v < low ? low : v > high ? high : v; }

void SelectToolDown(HWND window, POINT p) {
    if (!CanSelect()) return;
    RECT& s = AppState::Selection;
    const RECT image = ZoomedImageRect(window);
    const POINT origin = AppState::ImageOrigin;
    const float zoom = AppState::Zoom;
    const SelectionHit hit = HitTestSelection(s, p);
    SetCursorIf(CursorForHit(hit));
    g_select = SelectDrag{};
    g_select.active = true;
    g_select.edgeY = hit == SELECTION_EDGE_Y;
    g_select.edgeX = hit == SELECTION_EDGE_X;
    g_select.move = hit == SELECTION_INSIDE;
    if (hit != SELECTION_NONE) {
        AppState::LastMousePos = p;
    } else {
        p.x = Clamp(p.x, image.left, image.right);
        p.y = Clamp(p.y, image.top, image.bottom);
        if (zoom > 1.0f) {
            const int column = ClientToImagePixel(p.x, origin.x, zoom), row = ClientToImagePixel(p.y, origin.y, zoom);
            s = {PixelEdge(column, origin.x, zoom), PixelEdge(row, origin.y, zoom),
                 PixelEdge(column + 1, origin.x, zoom), PixelEdge(row + 1, origin.y, zoom)};
        } else {
            s = {p.x, p.y, p.x, p.y};
        }
    }
    CaptureForDrag(window, true);
    if (hit == SELECTION_NONE && zoom > 1.0f) {
        // The pointer goes to the pixel's far corner, where drawing goes on.
        const POINT corner = ToScreen(window, {s.right, s.bottom});
        SetCursorPos(corner.x, corner.y);
    }
    Repaint(window, false);
}

// One axis of an edge drag: the edge nearer the cursor (the first one when
// the cursor is in the first half) moves by the cursor's movement since the
// anchor, kept inside [low, high]; the anchor follows the cursor. True when
// the first edge moved.
bool DragNearerEdge(LONG& first, LONG& second, int cursor, LONG& anchor, int low, int high) {
    const bool firstEdge = cursor < (first + second) / 2;
    LONG& edge = firstEdge ? first : second;
    edge = Clamp(edge + cursor - anchor, low, high);
    anchor = cursor;
    return firstEdge;
}

void SelectToolDrag(HWND window, POINT p) {
    RECT& s = AppState::Selection;
    const RECT before = s;
    const RECT image = ZoomedImageRect(window);
    const POINT origin = AppState::ImageOrigin;
    const float zoom = AppState::Zoom;
    POINT& anchor = AppState::LastMousePos;
    bool leftDragged = false, topDragged = false;
    if (g_select.edgeX) {
        leftDragged = DragNearerEdge(s.left, s.right, p.x, anchor.x, image.left, image.right);
    } else if (g_select.edgeY) {
        topDragged = DragNearerEdge(s.top, s.bottom, p.y, anchor.y, image.top, image.bottom);
    } else if (g_select.move) {
        OffsetRect(&s, p.x - anchor.x, p.y - anchor.y);
        // An edge that leaves the picture stays on its border: the rectangle shrinks there.
        s.left = Clamp(s.left, image.left, image.right);
        s.right = Clamp(s.right, image.left, image.right);
        s.top = Clamp(s.top, image.top, image.bottom);
        s.bottom = Clamp(s.bottom, image.top, image.bottom);
        anchor = p;
    } else {
        s.right = Clamp(p.x, image.left, image.right);
        s.bottom = Clamp(p.y, image.top, image.bottom);
    }
    if (zoom > 1.0f && !g_select.move) {
        const RECT unsnapped = s;
        if (s.left != before.left) s.left = SnapToPixelGrid(s.left, origin.x, zoom);
        if (s.top != before.top) s.top = SnapToPixelGrid(s.top, origin.y, zoom);
        if (s.right != before.right || s.left != before.left) s.right = SnapFarEdge(s.left, s.right, origin.x, zoom);
        if (s.bottom != before.bottom || s.top != before.top) s.bottom = SnapFarEdge(s.top, s.bottom, origin.y, zoom);
        // The anchor follows the edge it drags, so the snap is not lost at the next move.
        if (g_select.edgeX) anchor.x += leftDragged ? s.left - unsnapped.left : s.right - unsnapped.right;
        if (g_select.edgeY) anchor.y += topDragged ? s.top - unsnapped.top : s.bottom - unsnapped.bottom;
    }
    Repaint(window, false);
}

void SelectToolUp(HWND window) {
    if (!g_select.active) return;
    RECT& s = AppState::Selection;
    SetCursor(Arrow());
    g_select.edgeX = g_select.edgeY = false;
    if (std::abs(s.right - s.left) < 2 || std::abs(s.bottom - s.top) < 2) SetRectEmpty(&s);
    if (s.left > s.right) std::swap(s.left, s.right);
    if (s.top > s.bottom) std::swap(s.top, s.bottom);
    const float zoom = AppState::Zoom;
    if (g_select.move && zoom > 1.0f && !IsRectEmpty(&s)) {
        const POINT origin = AppState::ImageOrigin;
        s.left = SnapToPixelGrid(s.left, origin.x, zoom);
        s.top = SnapToPixelGrid(s.top, origin.y, zoom);
        s.right = SnapFarEdge(s.left, s.right, origin.x, zoom);
        s.bottom = SnapFarEdge(s.top, s.bottom, origin.y, zoom);
    }
    g_select = SelectDrag{};
    MainMenu.UpdateStates();
    MainToolBar.UpdateButtonStates();
    Repaint(window, true);
}

void SelectToolHover(POINT p) {
    if (!CanSelect()) return;
    SetCursorIf(CursorForHit(HitTestSelection(AppState::Selection, p)));
}

// ---- Red marker ----

bool DrawLine(HDC dc, POINT from, POINT to, int width, COLORREF colour) {
    if (!dc) return false;
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    if (!pen) return false;
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
    SelectObject(dc, old);
    DeleteObject(pen);
    GdiFlush();
    return true;
}

// GDI leaves the alpha byte of the pixels it draws on a 32-bit bitmap at 0,
// which would make the stroke transparent. The line is drawn into a mask of
// its own bounds, and the pixels it covers get the colour, fully opaque.
bool DrawOpaqueLine(CImage& picture, POINT from, POINT to, int width, COLORREF colour) {
    const int w = (int)picture.GetWidth(), h = (int)picture.GetHeight();
    const int left = std::max(0, (int)std::min(from.x, to.x) - width),
              top = std::max(0, (int)std::min(from.y, to.y) - width);
    const int right = std::min(w, (int)std::max(from.x, to.x) + width + 1);
    const int bottom = std::min(h, (int)std::max(from.y, to.y) + width + 1);
    if (right <= left || bottom <= top) return true;  // all of it outside the picture
    const int mw = right - left, mh = bottom - top;
    BITMAPINFO info = DirectBitmapInfo(mw, -mh, 32);
    void* bits = nullptr;
    HBITMAP mask = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = mask ? CreateCompatibleDC(nullptr) : nullptr;
    bool drawn = false;
    if (dc && bits) {
        HGDIOBJ old = SelectObject(dc, mask);
        PatBlt(dc, 0, 0, mw, mh, BLACKNESS);
        drawn = DrawLine(dc, {from.x - left, from.y - top}, {to.x - left, to.y - top}, width, RGB(255, 255, 255));
        SelectObject(dc, old);
    }
    if (drawn) {
        const uint32_t* m = static_cast<const uint32_t*>(bits);
        for (int y = 0; y < mh; ++y) {
            uint8_t* row = picture.ScanLine((uint32_t)(h - 1 - (top + y)));  // the picture's rows go bottom-up
            for (int x = 0; x < mw; ++x) {
                if ((m[(size_t)y * mw + x] & 0xFFFFFF) == 0) continue;
                uint8_t* px = row + (size_t)(left + x) * 4;
                px[0] = GetBValue(colour);
                px[1] = GetGValue(colour);
                px[2] = GetRValue(colour);
                px[3] = 255;
            }
        }
    }
    if (dc) DeleteDC(dc);
    if (mask) DeleteObject(mask);
    return drawn;
}

bool MarkerRuns() { return AppState::MarkerLastPoint.x != -1 || AppState::MarkerLastPoint.y != -1; }

void MarkerDown(HWND window, POINT p) {
    if (!CanUseImageTools()) return;
    SetCursorIf(OwnCursor(304));
    if (!MarkerRuns()) {
        // One undo step for the whole stroke, taken from the picture, not from an alpha view of it.
        EditDocumentPicture([](CImage&) {
            SaveUndoSnapshot();
            return true;
        });
        MainToolBar.UpdateButtonStates();
        MainMenu.UpdateStates();
        CaptureForDrag(window, true);
    }
    AppState::MarkerLastPoint = p;
    DrawMarkerStroke(p);
    Repaint(window, true);
}

void MarkerDrag(HWND window, POINT p) {
    if (!MarkerRuns()) return;
    SetCursorIf(OwnCursor(304));
    DrawMarkerStroke(p);
    Repaint(window, false);
}

}  // namespace

void UpdateScrollToolCursor(HWND window) {
    if (!window || AppState::CurrentFormatId == FMT_SOUND || AppState::ToolMode != TOOL_SCROLL) return;
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(window, &p);
    const RECT client = ClientRect(window);
    const RECT view = GetViewArea(client);
    if (!PtInRect(&view, p)) return;
    SetCursorIf(OwnCursor(ScrollToolCursorId(AppState::CanScrollX, AppState::CanScrollY, p, GetViewCentre(client))));
}

bool DrawMarkerStroke(POINT p) {
    if (!AppState::CurrentImage.IsValid()) return false;
    const POINT last = AppState::MarkerLastPoint;
    AppState::MarkerLastPoint = p;
    if (last.x == -1 && last.y == -1) return true;
    const POINT origin = AppState::ImageOrigin;
    const float zoom = AppState::Zoom;
    const int width = MarkerPenWidth(AppState::ViewerRedMarkerWidth);
    const COLORREF colour = (COLORREF)AppState::ViewerRedMarkerColor;
    const POINT from = {ClientToImagePixel(last.x, origin.x, zoom), ClientToImagePixel(last.y, origin.y, zoom)};
    const POINT to = {ClientToImagePixel(p.x, origin.x, zoom), ClientToImagePixel(p.y, origin.y, zoom)};
    return EditDocumentPicture([&](CImage& picture) {
        const bool drawn = picture.GetBpp() == 32 ? DrawOpaqueLine(picture, from, to, width, colour)
                                                  : DrawLine(picture.memoryDC, from, to, width, colour);
        if (drawn) AppState::ImageModified = 1;
        return drawn;
    });
}

bool StartViewerFileDrag(HWND window) {
    if (AppState::DragActive || !AppState::CurrentImage.IsValid()) return false;
    // Only a file on disk can be handed over; a picture made in memory has none.
    if (AppState::DocumentKind != DOC_FILE || !AppState::CurrentFile[0]) return false;
    const DWORD attributes = GetFileAttributesW(AppState::CurrentFile);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // The tool drag gives the mouse to the drag loop.
    EndViewerToolDrag(window);
    wchar_t list[MAX_PATH + 1] = {};
    wcsncpy(list, AppState::CurrentFile, MAX_PATH - 1);
    AppState::DragSourceWindow = window;  // the window refuses the drop onto itself
    AppState::DragItem = -1;
    DoDragFiles(window, list, DROPEFFECT_COPY);
    return true;
}

bool ZoomToSelection(HWND window) {
    RECT& s = AppState::Selection;
    if (!window || IsRectEmpty(&s) || !AppState::CurrentImage.IsValid()) return false;
    const RECT client = ClientRect(window);
    const POINT origin = PlaceImage(client);
    const RECT area = GetViewArea(client);
    const ZoomToSelectionPlan plan =
        ComputeZoomToSelection(s, origin, AppState::Zoom, area.right - area.left, area.bottom - area.top,
                               (int)AppState::CurrentImage.GetWidth(), (int)AppState::CurrentImage.GetHeight());
    SetRectEmpty(&s);
    AppState::Zoom = plan.zoom;
    AppState::ScrollOffset = plan.offset;
    AppState::ToolMode = TOOL_SCROLL;
    MainToolBar.UpdateButtonStates();
    MainMenu.UpdateStates();
    ImageToolBar.UpdateButtonStates();
    UpdateScrollState();
    ViewScrollBars.UpdateRanges();
    StatusBar.Update();
    Repaint(window, false);
    return true;
}

void OnViewerLButtonDown(HWND window, WPARAM, POINT p) {
    switch (AppState::ToolMode) {
    case TOOL_SCROLL: ScrollToolDown(window, p); break;
    case TOOL_SELECT: SelectToolDown(window, p); break;
    case TOOL_RED_MARKER: MarkerDown(window, p); break;
    default: break;
    }
}

void OnViewerMouseMove(HWND window, WPARAM keys, POINT p) {
    if ((keys & MK_LBUTTON) && (keys & MK_CONTROL)) {
        StartViewerFileDrag(window);
        return;
    }
    const bool dragging = (keys & MK_LBUTTON) && AppState::MouseCaptured;
    switch (AppState::ToolMode) {
    case TOOL_SCROLL: ScrollToolMove(window, keys, p); break;
    case TOOL_SELECT:
        if (dragging && g_select.active) SelectToolDrag(window, p);
        else if (!(keys & MK_LBUTTON)) SelectToolHover(p);
        break;
    case TOOL_RED_MARKER:
        if (dragging) MarkerDrag(window, p);
        break;
    default: break;
    }
}

void OnViewerLButtonUp(HWND window, POINT) {
    if (AppState::ToolMode == TOOL_SELECT) SelectToolUp(window);
    else if (AppState::ToolMode == TOOL_RED_MARKER) AppState::MarkerLastPoint = {-1, -1};
    g_select = SelectDrag{};
    g_windowDrag = false;
    if (AppState::MouseCaptured) {
        AppState::MouseCaptured = 0;
        ReleaseCapture();
        ClipCursor(nullptr);
        KillTimer(window, TIMER_AUTOSCROLL);
        GetCursorPos(&AppState::LastMousePos);
    }
    if (!Overflows()) AppState::LastMousePos = {0, 0};
}

void OnAutoScrollTimer(HWND window) {
    UpdateScrollToolCursor(window);
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(window, &p);
    const POINT step = AutoScrollStep(p, GetViewCentre(ClientRect(window)), AppState::Zoom);
    ScrollView(step.x, step.y, true);
}

void EndViewerToolDrag(HWND window) {
    KillTimer(window, TIMER_AUTOSCROLL);
    g_select = SelectDrag{};
    g_windowDrag = false;
    AppState::MarkerLastPoint = {-1, -1};
    if (!AppState::MouseCaptured) return;
    AppState::MouseCaptured = 0;
    if (GetCapture() == window) ReleaseCapture();
    ClipCursor(nullptr);
}
