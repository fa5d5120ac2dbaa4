// The view area: painting, layout of its borders, zoom steps, window fitting,
// scrolling and presentation mode.
#pragma once
#include <windows.h>

void PaintView(HWND window);
void UpdateScrollState();
void LayoutViewBorders();
void CreateViewBorders(HWND window);
void DestroyViewBorders();
void FitWindowToImage(int width, int height, HWND window);
bool IsWindowPlacedByUser();
float GetZoomInStep(float zoom);
float GetZoomOutStep(float zoom);
int GetMenuBarWidth(HMENU menu, HWND window);
void ScrollView(int dx, int dy, bool repaint);
void ScrollToTopLeft();
void SetZoom(float zoom, bool fitWindow);
void TogglePresentationMode(bool close);
void OnCursorHideTimer();
COLORREF GetViewBackgroundColor();
