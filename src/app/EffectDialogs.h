// The Blur, Pixelize and Sharpen dialogs (templates "EFF_BLURDLG",
// "EFF_PIXELIZEDLG", "EFF_SHARPENDLG"): sliders and edits bound to the
// EffBlur*, EffPixelizePixelWidth and EffSharpenPercent settings; OK runs the
// effect on the viewer image.
#pragma once
#include <windows.h>

INT_PTR CALLBACK EffBlurDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EffPixelizeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK EffSharpenDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
