// The viewer's left-button tools (AppState::ToolMode): the scroll tool (drag
// scrolling of a picture larger than the view, or moving the window when it
// fits), the select tool (a selection rectangle snapped to image pixels when
// zoomed in) and the red marker (undoable strokes drawn into the picture);
// Control with a drag hands the shown file to other programs. The arithmetic
// is in plain functions; the handlers are called by the main window.
#pragma once
#include <windows.h>

// ---- Arithmetic ----

// Direction of the cursor seen from the view's centre in degrees, clockwise
// from straight up (0 up, 90 right, 180 down, 270 left); dx to the right and
// dy upward. -1 at the centre itself, where there is no direction.
double ScrollToolAngle(int dx, int dy);
// The scroll tool's cursor resource for the cursor at p with the view's
// centre at centre: 255 right, 256 left, 257 down, 258 up, 259 up-right,
// 260 up-left, 261 down-right, 262 down-left; 0 where the cursor stays as it
// is (no axis overflows, or p lies on the centre line of the one axis that
// does, or on the centre itself).
int ScrollToolCursorId(bool overflowX, bool overflowY, POINT p, POINT centre);
// The auto-scroll step divides the distance from the centre by this: 10,
// 9 from zoom 5, 8 from 10, 7 from 20, 6 from 30, 5 from 40, 4 from 50.
int AutoScrollDivisor(float zoom);
// One auto-scroll step: the view travels toward the cursor, faster the
// farther the cursor is from the centre.
POINT AutoScrollStep(POINT p, POINT centre, float zoom);

// The image pixel (column or row) under client coordinate c of a picture
// drawn from origin at zoom; it may lie outside the picture. Pixel k covers
// [origin + floor(k x zoom), origin + floor((k + 1) x zoom)), as painted.
int ClientToImagePixel(int c, int origin, float zoom);
// The client coordinate where image pixel k begins.
int PixelEdge(int k, int origin, float zoom);
// c moved to the beginning of the image pixel under it.
int SnapToPixelGrid(int c, int origin, float zoom);
// The far edge of a span that begins on the pixel grid at nearEdge, moved to
// the whole number of image pixels nearest to farEdge (either side of nearEdge).
int SnapFarEdge(int nearEdge, int farEdge, int origin, float zoom);

// Where a press lands on a (normalised) selection: near its top or bottom
// edge, near its left or right edge (less than 4 pixels away, strictly between
// the other two edges), strictly inside, or elsewhere.
enum SelectionHit { SELECTION_NONE, SELECTION_EDGE_Y, SELECTION_EDGE_X, SELECTION_INSIDE };
SelectionHit HitTestSelection(const RECT& selection, POINT p);

// Pen width of the red marker for the ViewerRedMarkerWidth setting (0..4:
// 4, 6, 8, 12, 16 pixels; any other value 8).
int MarkerPenWidth(int setting);

// Zoom to selection: the zoom that fits the selection (client coordinates)
// into an area of areaWidth x areaHeight, and the scroll offsets that put
// its top-left image pixel on the area's top-left corner.
struct ZoomToSelectionPlan {
    float zoom;
    POINT offset;
};
ZoomToSelectionPlan ComputeZoomToSelection(const RECT& selection, POINT origin, float zoom, int areaWidth,
                                           int areaHeight, int imageWidth, int imageHeight);

// ---- The tools on the main window ----

// Sets the scroll tool's cursor for the cursor's position (nothing for a
// sound, another tool, or a cursor outside the view area).
void UpdateScrollToolCursor(HWND window);
// One stroke segment from AppState::MarkerLastPoint to p (client
// coordinates) into the picture; false without a valid image.
bool DrawMarkerStroke(POINT p);
// Drags the shown file (AppState::CurrentFile, a full path) to other
// programs, copy only; false while a drag runs or without a shown file.
bool StartViewerFileDrag(HWND window);
// Zooms the view to the selection and clears it; the window keeps its size.
// False without a selection.
bool ZoomToSelection(HWND window);

// The mouse messages of the view area (client coordinates, the message's key state).
void OnViewerLButtonDown(HWND window, WPARAM keys, POINT p);
void OnViewerMouseMove(HWND window, WPARAM keys, POINT p);
void OnViewerLButtonUp(HWND window, POINT p);
// TIMER_AUTOSCROLL: one step of the scroll tool.
void OnAutoScrollTimer(HWND window);
// Ends a tool drag (double click, lost capture): capture, cursor clip and
// auto-scroll are given up.
void EndViewerToolDrag(HWND window);
