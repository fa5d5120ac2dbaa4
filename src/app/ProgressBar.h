// Progress bar along the bottom of the main window, for long image operations.
#pragma once
#include <windows.h>

// Range 0..steps, step 1; null when steps is 0 or the bar cannot be made.
HWND CreateProgressBar(int steps);
// One step; first moves the bar to the bottom edge when the client area changed.
void StepProgressBar(HWND bar);
void DestroyProgressBar(HWND bar);

// Where the bar lies in a client area of the given size.
RECT ProgressBarRect(int clientWidth, int clientHeight);
