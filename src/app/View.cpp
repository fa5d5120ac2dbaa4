// The view as it stands now: the background and the current image drawn 1:1
// (or zoomed) at the view's top-left; fit sizes the window to the picture.
#include "app/View.h"

#include <cmath>

#include "app/AppState.h"
#include "app/Chrome.h"

namespace {
HWND g_borders[4] = {};
const float kZoomSteps[] = {0.05f, 0.1f, 0.15f, 0.2f, 0.25f, 0.33f, 0.5f, 0.66f, 0.75f, 1.0f, 1.5f, 2.0f,
                            3.0f, 4.0f, 5.0f, 6.0f, 8.0f, 10.0f, 12.0f, 16.0f};
}  // namespace

COLORREF GetViewBackgroundColor() {
    if (AppState::PrintInProgress) return RGB(255, 255, 255);
    if (AppState::ViewMode == VIEW_PRESENTATION) return RGB(0, 0, 0);
    return (COLORREF)AppState::ViewerClrBackground;
}

void PaintView(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!AppState::PaintSuspended) {
        AppState::FitPending = 0;
        RECT client;
        GetClientRect(window, &client);
        RECT view = {client.left + AppState::ViewMargins.left, client.top + AppState::ViewMargins.top,
                     client.right - AppState::ViewMargins.right, client.bottom - AppState::ViewMargins.bottom};
        // Chrome strips that have no window of their own yet show the face colour.
        if (AppState::ViewMargins.top > 0) {
            RECT strip = {client.left, client.top, client.right, view.top};
            FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
        }
        HBRUSH brush = CreateSolidBrush(AppState::ViewMode == VIEW_BROWSER ? (COLORREF)AppState::BrowserClrBackground
                                                                            : GetViewBackgroundColor());
        FillRect(dc, &view, brush);
        DeleteObject(brush);
        CImage& image = AppState::CurrentImage;
        if (image.IsValid() && AppState::ViewMode != VIEW_BROWSER) {
            int w = (int)(image.GetWidth() * AppState::Zoom), h = (int)(image.GetHeight() * AppState::Zoom);
            int x = view.left + AppState::ImageOrigin.x - AppState::ScrollOffset.x;
            int y = view.top + AppState::ImageOrigin.y - AppState::ScrollOffset.y;
            int saved = SaveDC(dc);
            IntersectClipRect(dc, view.left, view.top, view.right, view.bottom);
            SetStretchBltMode(dc, COLORONCOLOR);
            image.StretchTo(dc, x, y, w, h, SRCCOPY);
            RestoreDC(dc, saved);
        }
    }
    EndPaint(window, &ps);
}

void UpdateScrollState() {
    if (!AppState::MainWindow) return;
    RECT client;
    GetClientRect(AppState::MainWindow, &client);
    int vw = client.right - AppState::ViewMargins.left - AppState::ViewMargins.right;
    int vh = client.bottom - AppState::ViewMargins.top - AppState::ViewMargins.bottom;
    int w = (int)(AppState::CurrentImage.GetWidth() * AppState::Zoom);
    int h = (int)(AppState::CurrentImage.GetHeight() * AppState::Zoom);
    AppState::CanScrollX = w > vw;
    AppState::CanScrollY = h > vh;
    if (!AppState::CanScrollX) AppState::ScrollOffset.x = 0;
    if (!AppState::CanScrollY) AppState::ScrollOffset.y = 0;
}

void CreateViewBorders(HWND) {}
void DestroyViewBorders() {
    for (HWND& b : g_borders) {
        if (b) DestroyWindow(b);
        b = nullptr;
    }
}
void LayoutViewBorders() {}

bool IsWindowPlacedByUser() {
    return AppState::ViewerIntelligentWindowPositioning && (AppState::WindowMoved || AppState::WindowSized);
}

void FitWindowToImage(int width, int height, HWND window) {
    if (!window) return;
    if (AppState::ViewMode == VIEW_BROWSER) return;
    if (width <= 0 || height <= 0) {
        width = 600;
        height = 400;
    }
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT r = {0, 0, width + AppState::ViewMargins.left + AppState::ViewMargins.right,
              height + AppState::ViewMargins.top + AppState::ViewMargins.bottom};
    AdjustWindowRectEx(&r, (DWORD)GetWindowLongW(window, GWL_STYLE), GetMenu(window) != nullptr,
                       (DWORD)GetWindowLongW(window, GWL_EXSTYLE));
    int w = r.right - r.left, h = r.bottom - r.top;
    int ww = work.right - work.left, wh = work.bottom - work.top;
    if (w > ww) w = ww;
    if (h > wh) h = wh;
    int x = work.left + (ww - w) / 2, y = work.top + (wh - h) / 2;
    AppState::SizeFromFit = 1;
    SetWindowPos(window, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOW);
}

float GetZoomInStep(float zoom) {
    for (float s : kZoomSteps)
        if (s > zoom + 0.001f) return s;
    return kZoomSteps[sizeof(kZoomSteps) / sizeof(kZoomSteps[0]) - 1];
}

float GetZoomOutStep(float zoom) {
    float result = kZoomSteps[0];
    for (float s : kZoomSteps)
        if (s < zoom - 0.001f) result = s;
    return result;
}

int GetMenuBarWidth(HMENU menu, HWND window) {
    if (!menu || !window) return 0;
    // Measured from the item texts in the menu font: the bar's own item
    // rectangles are meaningless while the window has no size yet.
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HFONT font = CreateFontIndirectW(&metrics.lfMenuFont);
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    int count = GetMenuItemCount(menu), width = 0;
    for (int i = 0; i < count; ++i) {
        wchar_t text[128];
        int n = GetMenuStringW(menu, (UINT)i, text, 128, MF_BYPOSITION);
        SIZE size = {};
        if (n > 0) GetTextExtentPoint32W(dc, text, n, &size);
        width += size.cx + 2 * GetSystemMetrics(SM_CXMENUCHECK) / 2;
    }
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    DeleteObject(font);
    return width + 2 * GetSystemMetrics(SM_CXFRAME);
}

void ScrollView(int dx, int dy, bool repaint) {
    AppState::ScrollOffset.x -= dx;
    AppState::ScrollOffset.y -= dy;
    if (AppState::ScrollOffset.x < 0 || !AppState::CanScrollX) AppState::ScrollOffset.x = 0;
    if (AppState::ScrollOffset.y < 0 || !AppState::CanScrollY) AppState::ScrollOffset.y = 0;
    if (repaint && AppState::MainWindow) {
        InvalidateRect(AppState::MainWindow, nullptr, FALSE);
        UpdateWindow(AppState::MainWindow);
    }
}

void ScrollToTopLeft() {
    UpdateScrollState();
    AppState::ScrollOffset = {};
}

void SetZoom(float zoom, bool fitWindow) {
    AppState::Zoom = zoom;
    if (fitWindow)
        FitWindowToImage((int)(AppState::CurrentImage.GetWidth() * zoom), (int)(AppState::CurrentImage.GetHeight() * zoom),
                         AppState::MainWindow);
    UpdateScrollState();
    if (AppState::MainWindow) InvalidateRect(AppState::MainWindow, nullptr, FALSE);
}

void TogglePresentationMode(bool) {
    if (AppState::ViewMode == VIEW_PRESENTATION) {
        AppState::ViewMode = VIEW_VIEWER;
        AppState::WindowMoved = AppState::WindowSized = 0;
    } else if (AppState::ViewMode == VIEW_VIEWER) {
        AppState::ViewMode = VIEW_PRESENTATION;
    }
}

void OnCursorHideTimer() {}
