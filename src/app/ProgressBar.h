// Progress bar over the status bar at the bottom of the main window, for long
// operations.
#pragma once
#include <windows.h>

// Range 0..steps, step 1; null when steps is 0 or the bar cannot be made.
HWND CreateProgressBar(int steps);
// One step; first moves the bar when the client area changed.
void StepProgressBar(HWND bar);
void DestroyProgressBar(HWND bar);

// Height the bar is placed by: the status bar's height - 2 while it is shown
// (statusBarHeight > 0), else 16.
int ProgressBarHeight(int statusBarHeight);
// Where the bar lies in a client area of the given size: x = 1, width client
// - 2, from client bottom - height, height - 4 high (over the status bar).
RECT ProgressBarRect(int clientWidth, int clientHeight, int statusBarHeight);
