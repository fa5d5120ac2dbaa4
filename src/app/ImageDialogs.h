// The modal dialogs that change the picture's size or look, or make a new
// one: Resize ("RESIZEDLG"), Resize Canvas ("RESIZECANVASDLG"), Create new
// Image ("CREATENEWIMAGEDLG") and Brightness/Contrast/Gamma
// ("IMAGEADJUSTDLG"). Their choices are kept in the Resize*, CreateNewImage*
// and ResizeCanvas* settings; OK runs the edit (app/ImageEdits.h).
#pragma once
#include <windows.h>

INT_PTR CALLBACK ResizeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ResizeCanvasDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CreateNewImageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AdjustImageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows a 40 x 20 sample of color in the dialog's static control (a bitmap
// the control owns; the one it showed before is deleted). "no hwnd" when the
// control does not exist.
void ShowColorSample(HWND dialog, int control, COLORREF color);

// The adjust dialog's slider values of this run: brightness -255..255,
// contrast -100..100, gamma in tenths 0..50.
struct AdjustValues {
    int brightness = 0;
    int contrast = 0;
    int gammaTenths = 10;
};
// The values OK applied last (the defaults until then).
AdjustValues LastAdjustValues();
// Applies the values to an image in the dialog's order: brightness, contrast, gamma.
bool ApplyAdjustValues(class CImage& image, const AdjustValues& values);
