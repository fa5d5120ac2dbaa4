// The view area: its border lines, zoom steps, fit scale, overflow and
// scrolling, the sizing of the main window for a picture, and painting
// (ViewPaint.cpp). The arithmetic lives in plain functions that take every
// input as an argument, so it is tested without a window.
#pragma once
#include <windows.h>

#include "app/Modes.h"

class CImage;

// ---- Zoom, fit and scroll ----

// The next zoom step above / below zoom (0.02 ... 50; a zoom between two steps
// moves to the next one in that direction; the ends stay where they are).
float GetZoomInStep(float zoom);
float GetZoomOutStep(float zoom);
// Scale of an image in an area: mode 0 whole image, 1 fit width, 2 fit
// height, other 1.0. With limit the result is 1.0 whenever it would enlarge.
// A zero image size gives 1.0.
float ComputeFitScale(FitModeKind mode, bool limit, int areaWidth, int areaHeight, int imageWidth, int imageHeight);

// Height of the folder pane above the preview in browser mode (0 otherwise).
int GetBrowserTopOffset();
// The view area of the current view mode inside the client rectangle.
RECT GetViewArea(const RECT& client);
// Centre of the view area, as scrolling places the image around it.
POINT GetViewCentre(const RECT& client);

// One axis of scrolling: the image (extent pixels, drawn at zoom) is centred on
// `centre` and shifted by offset; the offset is then clamped so that the image
// covers [viewStart, viewEnd) without a gap at either edge.
struct ScrollAxisResult {
    int offset;
    int origin;  // client position of the zoomed image's first pixel
};
ScrollAxisResult ClampScrollAxis(int offset, int centre, int extent, float zoom, int viewStart, int viewEnd);

void UpdateScrollState();
// Shifts the image by (dx, dy) on the axes that overflow; true when the offsets changed.
bool ScrollView(int dx, int dy, bool repaint);
void ScrollToTopLeft();
void SetZoom(float zoom, bool refit);

// Everything FitWindowToImage reads, so that its arithmetic can be run with
// any screen, chrome and setting.
struct WindowFitInput {
    RECT work;  // work area
    int captionHeight, menuHeight;
    int fullWidth, fullHeight;  // full-screen client size
    int menuBarWidth;
    RECT margins;            // view margins
    int imageToolBarLength;  // 0 while the image tool bar is not shown
    int viewStyle;           // ViewStyleViewer
    int formatId;
    bool fitPending;  // a new picture is shown
    bool placedByUser;
    bool alwaysMaximize;
    bool lastWinPos;
    int lastX, lastY, lastW, lastH;
};
struct WindowFitResult {
    bool keepWindow;       // the user placed the window: it keeps its place and size
    bool clearFitPending;  // the fit was handled here (sound)
    float zoom;
    int x, y, width, height;
};
// Window rectangle (and zoom) for a picture of w x h at zoom. The full-screen
// size counts as no larger than the work area, and the window stays inside it
// (the user's saved position with GeneralLastWinPos is taken as it is).
WindowFitResult ComputeWindowFit(const WindowFitInput& in, int w, int h, float zoom);
// A window rectangle shrunk to the work area's size where it is larger, then
// moved inside it. An empty work area leaves the rectangle as it is.
RECT KeepInsideWorkArea(const RECT& window, const RECT& work);
// The work area of the monitor nearest the window (the desktop's work area
// when that cannot be asked).
RECT GetWorkAreaOf(HWND window);
// Sizes and places the main window for a picture of width x height screen pixels.
void FitWindowToImage(int width, int height, HWND window);
bool IsWindowPlacedByUser();
int GetMenuBarWidth(HMENU menu, HWND window);
COLORREF GetViewBackgroundColor();

void CreateViewBorders(HWND window);
void DestroyViewBorders();
void LayoutViewBorders();

// Presentation mode (Presentation.cpp): enters it when it is off, leaves it
// when it is on. Leaving with close set while the program always starts in
// presentation mode ends the program instead (WM_CLOSE is posted).
void TogglePresentationMode(bool close);
// The presentation cursor timer; acts only for TIMER_CURSOR_HIDE.
void OnCursorHideTimer(UINT_PTR id);

// ---- Painting (ViewPaint.cpp) ----

void PaintView(HWND window);

// Zoomed size of the current image (0 without a valid image).
SIZE GetZoomedImageSize();
// Origin of a zoomed picture in the view: centred plus the scroll offset; on
// an axis with a non-zero offset the picture is moved so that it leaves no gap
// at the view's far edge, then none at its near edge.
POINT ComputeImagePlacement(const RECT& view, POINT offset, int zoomedWidth, int zoomedHeight);
// Computes AppState::ImageOrigin for the current mode.
POINT PlaceImage(const RECT& client);

// The part of the image that is visible in the view, and where it lands. The
// source never leaves the image; the destination is the source's exact place
// at the zoom (it may reach up to one zoomed pixel past the view's edges,
// which the caller clips).
struct ViewBlit {
    int sx, sy, sw, sh;  // source rectangle (top-down image coordinates)
    int dx, dy, dw, dh;  // destination rectangle
};
// False when nothing of the image is visible. The image's source rectangle is
// (0, sourceTop, imageWidth, imageHeight).
bool ClipToView(const RECT& view, float zoom, int imageWidth, int imageHeight, int sourceTop, POINT origin,
                ViewBlit& out);
void DrawViewImage(int zoomedWidth, HWND window, HDC dc, int x, int y, int zoomedHeight);
// Top row (top-down) of frame `frame` of a GIF animation whose frames lie one
// above another in the image's bitmap (the image's height field is one
// frame's; frame 0 is the bottom band). -1 when the frame is not in the bitmap.
int GifFrameTop(const CImage& image, int frame);

// The presentation caption: "%s - %dx%dx%d - %0.0f%% - (%d/%d)", or
// "%s - (%d/%d)" for a sound file. index counts from 0.
void FormatPresentationCaption(wchar_t* out, size_t size, const wchar_t* file, bool sound, int width, int height,
                               int bpp, float zoom, int index, int count);
void DrawPresentationCaption(HDC dc);
void DrawSelectionFrame(HDC dc);
void DrawSelectionRect(HDC dc, int left, int top, int right, int bottom);
