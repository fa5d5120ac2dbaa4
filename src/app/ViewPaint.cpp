// PaintView: places the current image in the view, applies a pending fit,
// fills the area around the image, draws the visible part of the image (with
// or without smoothing, in the chosen channel view), the selection and, in
// presentation mode, the caption and the transition to a new picture.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/DisplayDepth.h"
#include "app/MainWindowIds.h"
#include "app/Transitions.h"
#include "app/View.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/PixelOps.h"
#include "image/Resample.h"
#include "media/AnimationBar.h"
#include "media/Players.h"

namespace {

// Largest visible part (in KB of pixel data) that is copied out for smoothing.
constexpr long long kSmoothPartLimitKB = 40 * 1024;

bool IsPlayerFormat(int id) { return id == FMT_QTMOVIE || id == FMT_SOUND || id == FMT_VIDEO; }

int CurrentViewStyle() {
    switch (AppState::ViewMode) {
    case VIEW_BROWSER: return AppState::ViewStyleBrowser;
    case VIEW_PRESENTATION: return AppState::ViewStylePresentation;
    default: return AppState::ViewStyleViewer;
    }
}

// A GIF animation held by the playback bar keeps its frames one above another
// in the image; the frame shown is one band of it.
bool ShowsGifAnimation() { return AnimationBar.kind == ANIM_KIND_GIF && AnimationBar.frameCount > 1; }

// The area the fit rule fits the picture into, for the current mode.
SIZE FitArea(const RECT& client) {
    const RECT& m = AppState::ViewMargins;
    switch (AppState::ViewMode) {
    case VIEW_BROWSER:
        return {AppState::BrowserThumbWindowWidth - m.left - m.right - 1,
                client.bottom - m.top - m.bottom - GetBrowserTopOffset() - 1};
    case VIEW_PRESENTATION: return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    default: return {client.right - client.left - m.left - m.right, client.bottom - client.top - m.top - m.bottom};
    }
}

// Applies the view style of the current mode to a newly shown picture.
void ApplyPendingFit(const RECT& client) {
    const int id = AppState::CurrentFormatId;
    const int style = CurrentViewStyle();
    const bool video = id == FMT_VIDEO || id == FMT_QTMOVIE;
    if (id == FMT_SOUND || (video && (style == 0 || style == 1))) {
        AppState::FitPending = 0;
        return;
    }
    const SIZE area = FitArea(client);
    const int w = (int)AppState::CurrentImage.GetWidth(), h = (int)AppState::CurrentImage.GetHeight();
    switch (style) {
    case 1: AppState::Zoom = 1.0f; break;
    case 2: {
        const float scale = ComputeFitScale(FIT_WHOLE, true, area.cx, area.cy, w, h);
        if (!(video && scale == 1.0f)) AppState::Zoom = scale;
        break;
    }
    case 3: AppState::Zoom = ComputeFitScale(FIT_WHOLE, false, area.cx, area.cy, w, h); break;
    case 4:
        if (w > 0) AppState::Zoom = (float)area.cx / (float)w;
        break;
    case 5:
        if (h > 0) AppState::Zoom = (float)area.cy / (float)h;
        break;
    default: break;  // "No Fit": the zoom stays
    }
    if (!(AppState::Zoom > 0.0f)) AppState::Zoom = 1.0f;
    UpdateScrollState();
    ScrollToTopLeft();
    AppState::FitPending = 0;
}

// Renders the new picture off screen and reveals it with a transition effect.
void RunPresentationTransition(HWND window, HDC dc, const RECT& client) {
    if (!AppState::TransitionEffectsInPresentationMode) return;
    if (AppState::SlideShowRunning) KillTimer(window, TIMER_SLIDESHOW);
    CImage temp;
    const int width = client.right - client.left, height = client.bottom - client.top;
    if (width > 0 && height > 0 && temp.CreateEmpty(width, height, 24, RGB(0, 0, 0), nullptr)) {
        const POINT origin = PlaceImage(client);
        const SIZE zoomed = GetZoomedImageSize();
        DrawViewImage(zoomed.cx, window, temp.memoryDC, origin.x, origin.y, zoomed.cy);
        GdiFlush();
        int effect;
        switch (AppState::TransitionEffectsUsed) {
        case 0: effect = rand() % TRANSITION_EFFECT_COUNT; break;
        case 1: effect = rand() % (TRANSITION_EFFECT_COUNT - 1); break;
        default: effect = TRANSITION_BLEND_OVER; break;
        }
        SetStretchBltMode(dc, COLORONCOLOR);
        RunTransitionEffect(temp.memoryDC, 0, 0, dc, 0, 0, width, height, 1, 16, effect);
    }
    if (AppState::SlideShowRunning) SetTimer(window, TIMER_SLIDESHOW, (UINT)AppState::SlideShowDelay, nullptr);
}

// Fills the view area around the picture (the picture paints its own area).
void FillAroundImage(HDC dc, const RECT& client, const RECT& view, POINT origin, SIZE zoomed) {
    COLORREF color;
    if (AppState::ViewMode == VIEW_PRESENTATION) color = RGB(0, 0, 0);
    else if (AppState::CurrentFormatId == FMT_SOUND) color = GetSysColor(COLOR_BTNFACE);
    // The mode's own colour, also while a print or an album decodes with another
    // background (GetViewBackgroundColor answers theirs then).
    else if (AppState::ViewMode == VIEW_BROWSER) color = (COLORREF)AppState::BrowserClrBackground;
    else color = (COLORREF)AppState::ViewerClrBackground;
    const RECT area = AppState::ViewMode == VIEW_PRESENTATION ? client : view;
    HRGN fill = CreateRectRgnIndirect(&area);
    HRGN picture = CreateRectRgn(origin.x, origin.y, origin.x + zoomed.cx, origin.y + zoomed.cy);
    CombineRgn(fill, fill, picture, RGN_DIFF);
    HBRUSH brush = CreateSolidBrush(color);
    FillRgn(dc, fill, brush);
    DeleteObject(brush);
    DeleteObject(picture);
    DeleteObject(fill);
}

// Parts of the client area outside the view that chrome or the browser
// reserve without a window of their own show the face colour (child windows
// are clipped out of the fill).
void FillMargins(HDC dc, const RECT& client, const RECT& view) {
    if (AppState::ViewMode == VIEW_PRESENTATION) return;
    HRGN margins = CreateRectRgnIndirect(&client);
    HRGN inner = CreateRectRgnIndirect(&view);
    CombineRgn(margins, margins, inner, RGN_DIFF);
    FillRgn(dc, margins, GetSysColorBrush(COLOR_BTNFACE));
    DeleteObject(inner);
    DeleteObject(margins);
}

// Copies the source rectangle (top-down coordinates) into part, keeping depth and palette.
bool CopyImagePart(CImage& image, const ViewBlit& b, CImage& part) {
    uint8_t rgb[768];
    GetFullPaletteRGB(image, rgb);
    if (!part.CreateEmpty(b.sw, b.sh, image.GetBpp(), RGB(0, 0, 0), rgb)) return false;
    GdiFlush();
    const int bpp = image.GetBpp();
    for (int y = 0; y < b.sh; ++y) {
        const uint32_t fromRow = image.height - 1 - (uint32_t)(b.sy + y);
        const uint32_t toRow = part.height - 1 - (uint32_t)y;
        if (bpp >= 8) {
            const int bytes = bpp / 8;
            std::memcpy(part.ScanLine(toRow), image.ScanLine(fromRow) + (size_t)b.sx * bytes, (size_t)b.sw * bytes);
        } else {
            for (int x = 0; x < b.sw; ++x)
                part.SetPixelIndex((uint32_t)x, toRow, image.GetPixelIndex((uint32_t)(b.sx + x), fromRow));
        }
    }
    part.hasTransparency = image.hasTransparency;
    part.transparentIndex = image.transparentIndex;
    part.transparentColor = image.transparentColor;
    return true;
}

}  // namespace

int GifFrameTop(const CImage& image, int frame) {
    if (!image.IsValid() || !image.bitmap || frame < 0) return -1;
    DIBSECTION section = {};
    if (GetObjectW(image.bitmap, sizeof(section), &section) != sizeof(section)) return -1;
    const long long rows = section.dsBmih.biHeight < 0 ? -(long long)section.dsBmih.biHeight : section.dsBmih.biHeight;
    const long long top = rows - ((long long)frame + 1) * image.height;
    return top >= 0 ? (int)top : -1;
}

SIZE GetZoomedImageSize() {
    if (!AppState::CurrentImage.IsValid()) return {0, 0};
    return {(LONG)(AppState::CurrentImage.GetWidth() * AppState::Zoom),
            (LONG)(AppState::CurrentImage.GetHeight() * AppState::Zoom)};
}

POINT ComputeImagePlacement(const RECT& view, POINT offset, int zoomedWidth, int zoomedHeight) {
    POINT origin = {offset.x + (view.left + view.right - zoomedWidth) / 2,
                    offset.y + (view.top + view.bottom - zoomedHeight) / 2};
    if (offset.x != 0) {
        if (origin.x + zoomedWidth < view.right) origin.x = view.right - zoomedWidth;
        if (origin.x > view.left) origin.x = view.left;
    }
    if (offset.y != 0) {
        if (origin.y + zoomedHeight < view.bottom) origin.y = view.bottom - zoomedHeight;
        if (origin.y > view.top) origin.y = view.top;
    }
    return origin;
}

POINT PlaceImage(const RECT& client) {
    const SIZE zoomed = GetZoomedImageSize();
    AppState::ImageOrigin = ComputeImagePlacement(GetViewArea(client), AppState::ScrollOffset, zoomed.cx, zoomed.cy);
    return AppState::ImageOrigin;
}

namespace {

// One axis of ClipToView: the visible source range [first, last) of an image
// axis of `extent` pixels drawn from `origin` at zoom, inside [viewStart, viewEnd).
bool ClipAxis(int origin, float zoom, int extent, int viewStart, int viewEnd, int& first, int& count, int& destStart,
              int& destLength) {
    if (extent <= 0 || !(zoom > 0.0f) || viewEnd <= viewStart) return false;
    const double start = std::floor((viewStart - origin) / (double)zoom);
    const double end = std::ceil((viewEnd - origin) / (double)zoom);
    const int a = (int)std::max(0.0, start);
    const int b = (int)std::min((double)extent, end);
    if (b <= a) return false;
    first = a;
    count = b - a;
    destStart = origin + (int)std::floor(a * (double)zoom);
    destLength = origin + (int)std::floor(b * (double)zoom) - destStart;
    if (destLength < 1) destLength = 1;
    return true;
}

}  // namespace

bool ClipToView(const RECT& view, float zoom, int imageWidth, int imageHeight, int sourceTop, POINT origin,
                ViewBlit& out) {
    out = {};
    int first = 0, count = 0, start = 0, length = 0;
    if (!ClipAxis(origin.x, zoom, imageWidth, view.left, view.right, first, count, start, length)) return false;
    out.sx = first, out.sw = count, out.dx = start, out.dw = length;
    if (!ClipAxis(origin.y, zoom, imageHeight, view.top, view.bottom, first, count, start, length)) return false;
    out.sy = sourceTop + first, out.sh = count, out.dy = start, out.dh = length;
    return true;
}

void DrawViewImage(int zoomedWidth, HWND window, HDC dc, int x, int y, int zoomedHeight) {
    CImage& image = ImageToDraw();
    if (!image.IsValid()) return;
    if (IsPlayerFormat(AppState::CurrentFormatId) && AppState::DocumentKind != DOC_LOAD_FAILED) return;
    const int imageWidth = (int)image.GetWidth(), imageHeight = (int)image.GetHeight();
    int sourceTop = 0;
    const bool gif = ShowsGifAnimation();
    if (gif) {
        // The image's height is one frame's; its bitmap holds every frame, frame
        // 0 at the bottom. Counted from the bitmap's real rows, a bar whose frame
        // count differs from the frames held never reads outside the bitmap.
        sourceTop = std::max(0, GifFrameTop(image, AnimationBar.currentFrame));
    }
    zoomedWidth = std::max(zoomedWidth, 1);
    zoomedHeight = std::max(zoomedHeight, 1);
    // The drawing keeps inside the view: a zoomed edge pixel may reach past it.
    RECT client = {};
    GetClientRect(window, &client);
    RECT view = GetViewArea(client);
    if (AppState::ViewMode == VIEW_PRESENTATION || WindowFromDC(dc) != window) {
        // Off-screen renderings (transitions, tiles) take the whole surface.
        view = {0, 0, std::max((int)client.right, GetSystemMetrics(SM_CXSCREEN)),
                std::max((int)client.bottom, GetSystemMetrics(SM_CYSCREEN))};
    }
    const float zoomX = (float)zoomedWidth / (float)imageWidth;
    const float zoom = AppState::Zoom > 0.0f ? AppState::Zoom : zoomX;
    ViewBlit b;
    if (!ClipToView(view, zoom, imageWidth, imageHeight, sourceTop, {x, y}, b)) return;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, view.left, view.top, view.right, view.bottom);
    SetStretchBltMode(dc, COLORONCOLOR);
    const int channel = AppState::ChannelView;
    if (AppState::Zoom == 1.0f || AppState::GeneralZoomQuality == 0 || gif) {
        HBRUSH brush = nullptr;
        HGDIOBJ oldBrush = nullptr;
        DWORD rop = SRCCOPY;
        if (channel >= CHANNEL_RED && channel <= CHANNEL_BLUE) {
            static const COLORREF kChannels[3] = {0x0000FF, 0x00FF00, 0xFF0000};
            brush = CreateSolidBrush(kChannels[channel - CHANNEL_RED]);
            oldBrush = SelectObject(dc, brush);
            rop = MERGECOPY;
        }
        image.StretchRectTo(dc, b.dx, b.dy, b.dw, b.dh, b.sx, b.sy, b.sw, b.sh, rop);
        if (brush) {
            SelectObject(dc, oldBrush);
            DeleteObject(brush);
        }
    } else if (b.sx == 0 && b.sy == 0 && b.sw == imageWidth && b.sh == imageHeight) {
        // The whole picture at the zoomed size the layout gave it (the clip's
        // rounding may differ from it by a pixel).
        DrawImageScaled(image, dc, x, y, zoomedWidth, zoomedHeight, channel);
    } else {
        const long long partKB = (long long)b.sw * b.sh * (image.GetBpp() / 8) / 1024;
        CImage part;
        if (partKB < kSmoothPartLimitKB && CopyImagePart(image, b, part))
            DrawImageScaled(part, dc, b.dx, b.dy, b.dw, b.dh, channel);
        else DrawImageScaled(image, dc, x, y, zoomedWidth, zoomedHeight, channel);
    }
    RestoreDC(dc, saved);
}

// Above this many tiles the tile map is painted as one pattern fill.
static constexpr long long kTileBlitLimit = 256;

// Draws one tile into a bitmap and fills (left, top)-(right, bottom) with it as a
// pattern brush anchored at (left, top): one call instead of a blit per tile,
// which at a tiny zoom would be a million blits a paint. False when the bitmap
// or brush cannot be made; the caller then blits tile by tile.
static bool FillWithTilePattern(HWND window, HDC dc, SIZE zoomed, int left, int top, int right, int bottom) {
    const int w = std::max(1, (int)zoomed.cx), h = std::max(1, (int)zoomed.cy);
    HDC memory = CreateCompatibleDC(dc);
    if (!memory) return false;
    HBITMAP tile = CreateCompatibleBitmap(dc, w, h);
    if (!tile) {
        DeleteDC(memory);
        return false;
    }
    HGDIOBJ previous = SelectObject(memory, tile);
    DrawViewImage(w, window, memory, 0, 0, h);
    SelectObject(memory, previous);
    DeleteDC(memory);
    HBRUSH brush = CreatePatternBrush(tile);
    bool ok = brush != nullptr;
    if (brush) {
        POINT oldOrigin;
        SetBrushOrgEx(dc, left, top, &oldOrigin);
        RECT area{left, top, right, bottom};
        ok = FillRect(dc, &area, brush) != 0;
        SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
        DeleteObject(brush);
    }
    DeleteObject(tile);
    return ok;
}

void FormatPresentationCaption(wchar_t* out, size_t size, const wchar_t* file, bool sound, int width, int height,
                               int bpp, float zoom, int index, int count) {
    if (sound) swprintf(out, size, L"%ls - (%d/%d)", file, index + 1, count);
    else
        swprintf(out, size, L"%ls - %dx%dx%d - %0.0f%% - (%d/%d)", file, width, height, bpp, (double)zoom * 100.0,
                 index + 1, count);
}

void DrawPresentationCaption(HDC dc) {
    wchar_t text[MAX_PATH + 128];
    const CImage& image = AppState::CurrentImage;
    FormatPresentationCaption(text, MAX_PATH + 128, AppState::CurrentFile, AppState::CurrentFormatId == FMT_SOUND,
                              (int)image.GetWidth(), (int)image.GetHeight(), image.GetBpp(), AppState::Zoom,
                              FileList::Current, FileList::Count);
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    RECT r = {0, sh - 20, sw, sh};
    if (AnimationBar.controlsCreated && AnimationBar.visible) r = {0, sh - 50, sw, sh - 30};
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(0, 0, 0));
    SetTextColor(dc, RGB(0, 255, 0));
    DrawTextW(dc, text, -1, &r, DT_CENTER);
}

void DrawSelectionRect(HDC dc, int left, int top, int right, int bottom) {
    HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 255, 255));
    HBRUSH brush =
        AppState::ViewerInvertSelectionRectangle ? CreateSolidBrush(RGB(0, 0, 0)) : (HBRUSH)GetStockObject(NULL_BRUSH);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    const int oldRop = SetROP2(dc, R2_NOTXORPEN);
    Rectangle(dc, left, top, right, bottom);
    SetROP2(dc, oldRop);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    if (AppState::ViewerInvertSelectionRectangle) DeleteObject(brush);
}

void DrawSelectionFrame(HDC dc) {
    const RECT& s = AppState::Selection;
    if (std::abs(s.right - s.left) > 1 || std::abs(s.bottom - s.top) > 1)
        DrawSelectionRect(dc, s.left, s.top, s.right, s.bottom);
}

void PaintView(HWND window) {
    if (AppState::PaintSuspended) return;  // stays invalid; painted once the lock ends
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!dc) return;
    RECT client;
    GetClientRect(window, &client);
    RECT view = GetViewArea(client);
    CImage& image = AppState::CurrentImage;
    FillMargins(dc, client, view);

    if (!image.IsValid()) {
        if (AppState::ViewMode == VIEW_BROWSER) {
            const RECT& m = AppState::ViewMargins;
            view = {m.left + 1, m.top + GetBrowserTopOffset() + 1, AppState::BrowserThumbWindowWidth - m.right - 1,
                    client.bottom - m.bottom};
        }
        HBRUSH brush = CreateSolidBrush(GetViewBackgroundColor());
        FillRect(dc, &view, brush);
        DeleteObject(brush);
        EndPaint(window, &ps);
        StatusBar.Update();
        return;
    }

    const int planesBits = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
    HPALETTE oldPalette = nullptr;
    HPALETTE drawnPalette = ImageToDraw().paletteHandle;
    if ((planesBits == 4 || planesBits == 8) && drawnPalette) {
        oldPalette = SelectPalette(dc, drawnPalette, FALSE);
        RealizePalette(dc);
    }
    const int id = AppState::CurrentFormatId;
    const bool presentation = AppState::ViewMode == VIEW_PRESENTATION;

    if (AppState::GeneralViewImageAsTiles && !IsPlayerFormat(id)) {
        // Tile map: the picture repeated over the whole screen from the view's corner.
        const SIZE zoomed = GetZoomedImageSize();
        const int stepX = std::max(1, (int)zoomed.cx), stepY = std::max(1, (int)zoomed.cy);
        const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        const int left = AppState::ViewMargins.left, top = AppState::ViewMargins.top;
        const long long tiles = (long long)((sw - left) / stepX + 1) * ((sh - top) / stepY + 1);
        if (tiles <= kTileBlitLimit || !FillWithTilePattern(window, dc, zoomed, left, top, sw + stepX, sh + stepY))
            for (int y = top; y <= sh; y += stepY)
                for (int x = left; x <= sw; x += stepX) DrawViewImage(zoomed.cx, window, dc, x, y, zoomed.cy);
        if (presentation && AppState::PlayerControlsShown) DrawPresentationCaption(dc);
        if (oldPalette) SelectPalette(dc, oldPalette, FALSE);
        EndPaint(window, &ps);
        StatusBar.Update();
        return;
    }

    if (AppState::FitPending) {
        ApplyPendingFit(client);
        if (presentation && !IsPlayerFormat(id)) RunPresentationTransition(window, dc, client);
    }

    const POINT origin = PlaceImage(client);
    const SIZE zoomed = GetZoomedImageSize();
    FillAroundImage(dc, client, view, origin, zoomed);
    DrawViewImage(zoomed.cx, window, dc, origin.x, origin.y, zoomed.cy);
    if (presentation && id != FMT_VIDEO && AppState::PlayerControlsShown) DrawPresentationCaption(dc);
    DrawSelectionFrame(dc);
    if (oldPalette) SelectPalette(dc, oldPalette, FALSE);
    EndPaint(window, &ps);

    StatusBar.Update();
    if (id == FMT_VIDEO) VideoPlayer.Layout();
    else if (id == FMT_QTMOVIE) QuickTimePlayer.Layout();
    else if (id == FMT_SOUND) SoundPlayer.Layout();
}
