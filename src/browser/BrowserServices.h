// Small services of the browser that the viewer, the file information and
// the tools share: fitting a picture into a box, the file-time text and the
// screen's colour depth.
#pragma once
#include <windows.h>

#include "app/Modes.h"

// Fits a source size into a box: FIT_WHOLE the whole image (smaller ratio),
// FIT_WIDTH the width, FIT_HEIGHT the height, any other mode 1:1. With noUpscale a side larger than
// the source's is cut back to it and the scale becomes 1. The result is
// centred in the box (left, top; right and bottom = left/top + size). A source
// without area fits at 1:1 as an empty rectangle in the box's centre.
float FitImageToBox(FitModeKind mode, bool noUpscale, RECT* out, int boxWidth, int boxHeight, int sourceWidth,
                    int sourceHeight);
// Local date and time of a file time as "yyyy/mm/dd hh:mm"; on failure
// "Err: FileTimeToSystemTime()". out holds at least 64 characters.
void FormatFileTime(wchar_t* out, const FILETIME* time);
// Planes x bits per pixel of the desktop's device context.
int GetScreenBitsPerPixel();
