// The view area's geometry: border lines, zoom steps, fit scale, overflow,
// scrolling and the sizing of the main window for a picture.
#include "app/View.h"

#include "browser/ThumbnailLoader.h"

#include <algorithm>
#include <cmath>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/MainMenu.h"
#include "app/MainWindowIds.h"
#include "browser/Browser.h"
#include "formats/Formats.h"

namespace {

// Left, right, top, bottom lines around the view area.
HWND g_borders[4] = {};

int ImageWidth() { return (int)AppState::CurrentImage.GetWidth(); }
int ImageHeight() { return (int)AppState::CurrentImage.GetHeight(); }

RECT ClientRect() {
    RECT client = {};
    if (AppState::MainWindow) GetClientRect(AppState::MainWindow, &client);
    return client;
}

}  // namespace

// ---- Zoom steps and fit scale ----

// p is computed in double precision: in single precision 0.03 x 100 gives 2.99...
// on some units and 0.02 x 100 may round up, which skipped or repeated steps.
float GetZoomInStep(float zoom) {
    const int p = (int)((double)zoom * 100.0);
    if (p < 0) return zoom;
    static const struct {
        int from;
        float zoom;
    } kSteps[] = {{4000, 50.0f}, {3000, 40.0f}, {2000, 30.0f}, {1000, 20.0f}, {750, 10.0f}, {500, 7.5f}, {300, 5.0f},
                  {250, 3.0f},   {200, 2.5f},   {150, 2.0f},   {100, 1.5f},   {75, 1.0f},   {50, 0.75f}, {25, 0.5f},
                  {15, 0.25f},   {10, 0.15f},   {5, 0.1f},     {2, 0.05f},    {0, 0.03f}};
    for (const auto& s : kSteps)
        if (p >= s.from) return s.zoom;
    return zoom;
}

float GetZoomOutStep(float zoom) {
    const int p = (int)((double)zoom * 100.0);
    static const struct {
        int upTo;
        float zoom;
    } kSteps[] = {{3, 0.02f},   {5, 0.03f},    {10, 0.05f},   {15, 0.1f},    {25, 0.15f},  {50, 0.25f}, {75, 0.5f},
                  {100, 0.75f}, {150, 1.0f},   {200, 1.5f},   {250, 2.0f},   {300, 2.5f},  {500, 3.0f}, {750, 5.0f},
                  {1000, 7.5f}, {2000, 10.0f}, {3000, 20.0f}, {4000, 30.0f}, {5000, 40.0f}};
    for (const auto& s : kSteps)
        if (p <= s.upTo) return s.zoom;
    return zoom;
}

float ComputeFitScale(FitModeKind mode, bool limit, int areaWidth, int areaHeight, int imageWidth, int imageHeight) {
    if (imageWidth <= 0 || imageHeight <= 0) return 1.0f;
    const float rx = (float)areaWidth / (float)imageWidth;
    const float ry = (float)areaHeight / (float)imageHeight;
    float scale;
    switch (mode) {
    case FIT_WHOLE: scale = rx < ry ? rx : ry; break;
    case FIT_WIDTH: scale = rx; break;
    case FIT_HEIGHT: scale = ry; break;
    default: return 1.0f;
    }
    if (limit && ((int)(imageWidth * scale) > imageWidth || (int)(imageHeight * scale) > imageHeight)) return 1.0f;
    return scale;
}

// ---- View area ----

int GetBrowserTopOffset() {
    if (Browser.IsShown() && AppState::BrowserFolderViewOnTheLeft) return AppState::BrowserTreeViewWindowHeight + 8;
    return 0;
}

RECT GetViewArea(const RECT& client) {
    const RECT& m = AppState::ViewMargins;
    switch (AppState::ViewMode) {
    case VIEW_BROWSER:
        return {m.left, m.top + GetBrowserTopOffset(), AppState::BrowserThumbWindowWidth - m.right,
                client.bottom - m.bottom};
    case VIEW_PRESENTATION: return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    default: return {client.left + m.left, client.top + m.top, client.right - m.right, client.bottom - m.bottom};
    }
}

POINT GetViewCentre(const RECT& client) {
    const RECT& m = AppState::ViewMargins;
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (AppState::ViewMode == VIEW_PRESENTATION)
        return {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    POINT centre;
    centre.x = AppState::ViewMode == VIEW_BROWSER ? (AppState::BrowserThumbWindowWidth + m.left - m.right) / 2
                                                  : (m.left + width - m.right) / 2;
    centre.y = (m.top + GetBrowserTopOffset() + height - m.bottom) / 2;
    return centre;
}

// ---- Overflow and scrolling ----

void UpdateScrollState() {
    if (!AppState::CurrentImage.IsValid() || AppState::CurrentFormatId == FMT_SOUND) {
        AppState::CanScrollX = AppState::CanScrollY = 0;
        AppState::ScrollOffset = {0, 0};
        // A tool drag that held the mouse ends with nothing left to drag.
        if (AppState::MouseCaptured) {
            AppState::MouseCaptured = 0;
            ReleaseCapture();
            ClipCursor(nullptr);
            AppState::LastMousePos = {0, 0};
        }
        if (AppState::MainWindow) KillTimer(AppState::MainWindow, TIMER_AUTOSCROLL);
        return;
    }
    const RECT view = GetViewArea(ClientRect());
    AppState::CanScrollX = view.right - view.left < (int)(ImageWidth() * AppState::Zoom);
    if (!AppState::CanScrollX) AppState::ScrollOffset.x = 0;
    AppState::CanScrollY = view.bottom - view.top < (int)(ImageHeight() * AppState::Zoom);
    if (!AppState::CanScrollY) AppState::ScrollOffset.y = 0;
    if (!AppState::CanScrollX && !AppState::CanScrollY && AppState::MainWindow)
        KillTimer(AppState::MainWindow, TIMER_AUTOSCROLL);
    ViewScrollBars.UpdateRanges();
}

ScrollAxisResult ClampScrollAxis(int offset, int centre, int extent, float zoom, int viewStart, int viewEnd) {
    const int zoomed = (int)(extent * zoom);
    int origin = (int)(centre - (float)(extent / 2) * zoom + offset);
    if (origin > viewStart) {
        offset -= origin - viewStart;
        origin = viewStart;
    } else if (origin + zoomed < viewEnd) {
        const int gap = viewEnd - (origin + zoomed);
        offset += gap;
        origin += gap;
    }
    return {offset, origin};
}

namespace {

// Applies dx, dy to the overflowing axes with the clamps of ClampScrollAxis.
void ShiftOffsets(int dx, int dy) {
    const RECT client = ClientRect();
    const RECT view = GetViewArea(client);
    const POINT centre = GetViewCentre(client);
    if (dx != 0 && AppState::CanScrollX) {
        ScrollAxisResult r = ClampScrollAxis(AppState::ScrollOffset.x + dx, centre.x, ImageWidth(), AppState::Zoom,
                                             view.left, view.right);
        AppState::ScrollOffset.x = r.offset;
        AppState::ImageOrigin.x = r.origin;
    }
    if (dy != 0 && AppState::CanScrollY) {
        ScrollAxisResult r = ClampScrollAxis(AppState::ScrollOffset.y + dy, centre.y, ImageHeight(), AppState::Zoom,
                                             view.top, view.bottom);
        AppState::ScrollOffset.y = r.offset;
        AppState::ImageOrigin.y = r.origin;
    }
}

bool OffsetsChanged() {
    if (AppState::ScrollOffset.x == AppState::LastScrollPos.x && AppState::ScrollOffset.y == AppState::LastScrollPos.y)
        return false;
    AppState::LastScrollPos = AppState::ScrollOffset;
    return true;
}

}  // namespace

bool ScrollView(int dx, int dy, bool repaint) {
    ShiftOffsets(dx, dy);
    if (repaint && AppState::MainWindow) {
        InvalidateRect(AppState::MainWindow, nullptr, FALSE);
        UpdateWindow(AppState::MainWindow);
        ViewScrollBars.UpdateRanges();
    }
    return OffsetsChanged();
}

void ScrollToTopLeft() {
    UpdateScrollState();
    // Each pass pushes the image 500 pixels toward the bottom right; the clamps
    // stop it with its top-left corner on the view's top-left corner.
    for (int pass = 0; pass < 100000; ++pass) {
        ShiftOffsets(500, 500);
        if (!OffsetsChanged()) break;
    }
    ViewScrollBars.UpdateRanges();
}

void SetZoom(float zoom, bool refit) {
    AppState::Zoom = zoom;
    if (refit) FitWindowToImage((int)(ImageWidth() * zoom), (int)(ImageHeight() * zoom), AppState::MainWindow);
    StatusBar.Update();
    if (AppState::MainWindow) InvalidateRect(AppState::MainWindow, nullptr, FALSE);
    UpdateScrollState();
    ViewScrollBars.UpdateRanges();
}

// ---- Border lines ----

void CreateViewBorders(HWND window) {
    for (HWND& line : g_borders) {
        if (line) continue;
        line = CreateWindowExW(0, L"Static", L"",
                               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | SS_BLACKFRAME, 0, 0, 1, 1,
                               window, nullptr, AppState::Instance, nullptr);
    }
}

void DestroyViewBorders() {
    for (HWND& line : g_borders) {
        if (line) DestroyWindow(line);
        line = nullptr;
    }
}

void LayoutViewBorders() {
    if (!AppState::MainWindow) return;
    const bool hide = AppState::ViewMode == VIEW_PRESENTATION;
    for (HWND line : g_borders)
        if (line) ShowWindow(line, hide ? SW_HIDE : SW_SHOW);
    if (hide) return;
    const RECT r = ClientRect();
    const RECT& m = AppState::ViewMargins;
    RECT place[4];  // x, y, width, height of left, right, top, bottom
    if (AppState::ViewMode == VIEW_BROWSER) {
        const int t = GetBrowserTopOffset();
        const int height = r.bottom - m.top - m.bottom - t - 1;
        const int width = AppState::BrowserThumbWindowWidth - m.right - m.left - 1;
        place[0] = {m.left, m.top + t, 1, height};
        place[1] = {AppState::BrowserThumbWindowWidth - m.right - 1, m.top + t, 1, height};
        place[2] = {m.left, m.top + t, width, 1};
        place[3] = {m.left, r.bottom - m.bottom - r.top - 1, width, 1};
    } else {
        const int height = r.bottom - m.top - m.bottom;
        const int width = r.right - m.right - m.left;
        place[0] = {r.left + m.left, r.top + m.top, 1, height};
        place[1] = {r.right - m.right - 1, r.top + m.top, 1, height};
        place[2] = {r.left + m.left, r.top + m.top, width, 1};
        place[3] = {r.left + m.left, r.bottom - m.bottom - 1, width, 1};
    }
    for (int i = 0; i < 4; ++i)
        if (g_borders[i])
            MoveWindow(g_borders[i], place[i].left, place[i].top, std::max(0, (int)place[i].right),
                       std::max(0, (int)place[i].bottom), TRUE);
}

// ---- Window fitting ----

bool IsWindowPlacedByUser() {
    return AppState::ViewerIntelligentWindowPositioning && (AppState::WindowMoved || AppState::WindowSized);
}

namespace {

// Width of a menu bar item measured from its text in the menu font, for a
// window whose bar has not been laid out yet (its item rectangles are empty).
int MeasureMenuItem(HMENU menu, int index, HDC dc) {
    wchar_t text[128];
    const int n = GetMenuStringW(menu, (UINT)index, text, 128, MF_BYPOSITION);
    SIZE size = {};
    if (n > 0) GetTextExtentPoint32W(dc, text, n, &size);
    return size.cx + GetSystemMetrics(SM_CXMENUCHECK);
}

}  // namespace

int GetMenuBarWidth(HMENU menu, HWND window) {
    if (!menu || !window) return 0;
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HFONT font = nullptr;
    HDC dc = nullptr;
    HGDIOBJ oldFont = nullptr;
    int width = 0;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        RECT item = {};
        int itemWidth = 0;
        if (IsWindowVisible(window) && GetMenuItemRect(window, menu, (UINT)i, &item))
            itemWidth = item.right - item.left;
        if (itemWidth <= 0) {
            if (!dc) {
                font = CreateFontIndirectW(&metrics.lfMenuFont);
                dc = GetDC(window);
                oldFont = SelectObject(dc, font);
            }
            itemWidth = MeasureMenuItem(menu, i, dc);
        }
        width += itemWidth + 3;
    }
    if (dc) {
        SelectObject(dc, oldFont);
        ReleaseDC(window, dc);
        DeleteObject(font);
    }
    return width;
}

COLORREF GetViewBackgroundColor() {
    // Decoders fill transparent pixels with this: an album generation wants its
    // thumbnail colour, a print white paper.
    if (AppState::AlbumInProgress) return (COLORREF)AppState::CreateHTMLAlbumThumbColor;
    if (AppState::PrintInProgress) return RGB(255, 255, 255);
    if (ThumbLoader::OnLoaderThread) return GetSysColor(COLOR_WINDOW);
    switch (AppState::ViewMode) {
    case VIEW_BROWSER: return (COLORREF)AppState::BrowserClrBackground;
    case VIEW_PRESENTATION: return RGB(0, 0, 0);
    default: return (COLORREF)AppState::ViewerClrBackground;
    }
}

WindowFitResult ComputeWindowFit(const WindowFitInput& in, int w, int h, float zoom) {
    WindowFitResult out = {};
    out.zoom = zoom;
    if (w == 0) w = 600;
    if (h == 0) h = 400;
    const RECT& W = in.work;
    // The full-screen client size is the work area's; some systems report a
    // full-screen height beyond the screen's (Wine: 779 on a 768-pixel screen).
    const bool haveWork = W.right > W.left && W.bottom > W.top;
    const int FW = haveWork ? std::min(in.fullWidth, (int)(W.right - W.left)) : in.fullWidth;
    const int FH = haveWork ? std::min(in.fullHeight + in.captionHeight, (int)(W.bottom - W.top))
                            : in.fullHeight + in.captionHeight;
    const int EW = in.margins.left + in.margins.right + 10;
    const int EH = in.margins.bottom + in.margins.top + in.menuHeight + in.captionHeight + 10;
    const int MW = in.menuBarWidth - EW;
    const int AW = FW - EW - W.left;
    const int AH = FH - EH - W.top;
    const bool video = in.formatId == FMT_VIDEO || in.formatId == FMT_QTMOVIE;
    int x = 0, y = 0, width = 0, height = 0;
    bool pending = in.fitPending;

    if (pending && in.placedByUser) {
        out.keepWindow = true;
        return out;
    }
    if (pending && in.formatId == FMT_SOUND) {
        out.clearFitPending = true;
        pending = false;
    }
    if (pending) {
        int zw = 0, zh = 0;
        if (!(in.viewStyle == 3 || in.viewStyle == 4 || video)) {
            w = std::max(w, MW);
            if (in.imageToolBarLength) h = std::max(h, in.imageToolBarLength);
        }
        auto keepZoom = [&] {
            zw = (int)(w * zoom);
            zh = (int)(h * zoom);
            x = (AW - zw) / 2 - W.left;
            y = (AH - zh) / 2 - W.top;
        };
        switch (in.viewStyle) {
        case 2:
        case 3: {
            // The whole picture in the available area; style 2 never enlarges it.
            zoom = ComputeFitScale(FIT_WHOLE, in.viewStyle == 2, AW, AH, w, h);
            zw = (int)(w * zoom);
            zh = (int)(h * zoom);
            x = (AW - zw) / 2;
            y = (AH - zh) / 2;
            break;
        }
        case 4:
            zoom = (float)AW / (float)w;
            keepZoom();
            break;
        case 5:
            zoom = (float)AH / (float)h;
            keepZoom();
            break;
        default: keepZoom(); break;  // 1 "Show at 100%" and 0 "No Fit" keep the zoom
        }
        if (zoom == 1.0f && video && (int)(w * zoom) < 640) {
            // Small videos are shown larger, up to 3 times.
            while ((int)(h * zoom) < 480 && zoom < 3.0f) {
                zoom += 0.25f;
                if ((int)(w * zoom) >= 640) break;
            }
            keepZoom();
        }
        y = std::max(y, 0);
        x = std::max(x, 0);
        if (zw < MW) x -= (MW - zw) / 2;
        if (in.imageToolBarLength && (int)(h * zoom) < in.imageToolBarLength)
            y -= (in.imageToolBarLength - (int)(h * zoom)) / 2;
        width = zw + EW;
        height = zh + EH;
        x += W.left;
        y += W.top;
        const bool leftOut = x < W.left, topOut = y < W.top;
        if (leftOut) x = W.left;
        if (topOut) y = W.top;
        if ((int)(w * zoom) >= FW - EW || leftOut) {
            x = W.left;
            width = FW;
        }
        if ((int)(h * zoom) >= FH - EH || topOut) {
            y = W.top;
            height = FH;
        }
    } else {
        w = std::max(w, MW);
        if (in.imageToolBarLength) h = std::max(h, in.imageToolBarLength);
        if (in.formatId == FMT_SOUND) h += 60;
        width = w + EW;
        height = h + EH;
        x = W.left + (AW - w) / 2;
        y = W.top + (AH - h) / 2;
        if (x < W.left || w >= FW - EW) {
            x = W.left;
            width = FW;
        }
        if (y < W.top || h >= FH - EH) {
            y = W.top;
            height = FH;
        }
    }
    if (in.alwaysMaximize) {
        x = W.left;
        y = W.top;
        width = FW;
        height = FH;
    }
    const RECT inside = KeepInsideWorkArea({x, y, x + width, y + height}, W);
    x = inside.left;
    y = inside.top;
    width = inside.right - inside.left;
    height = inside.bottom - inside.top;
    if (in.lastWinPos) {
        x = in.lastX;
        y = in.lastY;
        width = in.lastW;
        height = in.lastH;
    }
    out.zoom = zoom;
    out.x = x;
    out.y = y;
    out.width = width;
    out.height = height;
    return out;
}

void FitWindowToImage(int width, int height, HWND window) {
    if (!window) return;
    if (AppState::ViewMode == VIEW_BROWSER) {
        UpdateScrollState();
        ViewScrollBars.UpdateRanges();
        LayoutViewBorders();
        return;
    }
    if (AppState::ViewMode == VIEW_PRESENTATION) {
        UpdateScrollState();
        return;
    }
    WindowFitInput in = {};
    in.work = GetWorkAreaOf(window);
    in.captionHeight = GetSystemMetrics(SM_CYCAPTION);
    in.menuHeight = GetSystemMetrics(SM_CYMENU);
    in.fullWidth = GetSystemMetrics(SM_CXFULLSCREEN);
    in.fullHeight = GetSystemMetrics(SM_CYFULLSCREEN);
    in.menuBarWidth = GetMenuBarWidth(MainMenu.menu, window);
    in.margins = AppState::ViewMargins;
    in.imageToolBarLength = ImageToolBar.GetButtonsHeight();
    in.viewStyle = AppState::ViewStyleViewer;
    in.formatId = AppState::CurrentFormatId;
    in.fitPending = AppState::FitPending != 0;
    in.placedByUser = IsWindowPlacedByUser();
    in.alwaysMaximize = AppState::GeneralAlwaysMaximizeWindow != 0;
    in.lastWinPos = AppState::GeneralLastWinPos != 0;
    in.lastX = AppState::GeneralLastWinX;
    in.lastY = AppState::GeneralLastWinY;
    in.lastW = AppState::GeneralLastWinW;
    in.lastH = AppState::GeneralLastWinH;
    const WindowFitResult fit = ComputeWindowFit(in, width, height, AppState::Zoom);
    if (fit.keepWindow) {
        UpdateScrollState();
        ViewScrollBars.UpdateRanges();
        LayoutViewBorders();
        return;
    }
    if (fit.clearFitPending) AppState::FitPending = 0;
    AppState::Zoom = fit.zoom;

    // A maximized window keeps that state under SetWindowPos (the caption keeps
    // its restore glyph): with always-maximize off it is restored first.
    if (!AppState::GeneralAlwaysMaximizeWindow && IsZoomed(window)) ShowWindow(window, SW_RESTORE);
    RECT before = {};
    GetWindowRect(window, &before);
    const bool visible = IsWindowVisible(window) != 0;
    AppState::WindowRect = {fit.x, fit.y, fit.width, fit.height};
    const bool unchanged = visible && before.left == fit.x && before.top == fit.y &&
                           before.right - before.left == fit.width && before.bottom - before.top == fit.height;
    // WM_SIZE repaints only when the user sized the window; a size from here
    // is painted by the invalidation below or by the paint the move causes.
    AppState::SizeFromFit = unchanged ? 0 : 1;
    SetWindowPos(window, nullptr, fit.x, fit.y, fit.width, fit.height, SWP_NOZORDER | SWP_SHOWWINDOW);
    if (AppState::GeneralAlwaysMaximizeWindow) ShowWindow(window, SW_SHOWMAXIMIZED);
    if (AppState::Zoom == 1.0f && !AppState::FitPending) ScrollToTopLeft();
    if (unchanged) InvalidateRect(window, nullptr, FALSE);
    UpdateScrollState();
    LayoutViewBorders();
    ViewScrollBars.UpdateRanges();
}
