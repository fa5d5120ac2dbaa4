// The system colour dialog, behind one replaceable function so that tests
// choose a colour without a modal box.
#pragma once
#include <windows.h>

// Opens the colour dialog owned by owner, fully open and starting at *color;
// the custom colours live only for the call. True with *color set when the
// user pressed OK; false with *color unchanged otherwise.
bool ChooseColorFor(HWND owner, COLORREF* color);

// Replaces the dialog for every call; null gives the system dialog back. The
// hook gets the same arguments and answers as the dialog would.
using ChooseColorHook = bool (*)(HWND owner, COLORREF* color);
void SetChooseColorHook(ChooseColorHook hook);
