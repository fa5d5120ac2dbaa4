// File > Open: the common open dialog with the panel "OPENDLGADD", its
// filter list and the preview of the selected file.
#pragma once
#include <windows.h>

#include <span>
#include <string>

#include "formats/Formats.h"

class CImage;

// The open dialog's preview panel texts: colours by depth ("2", "16", "256", "65K",
// "16,7M") and the memory size ("%2.2f KB" below 10 KB, else "%2.2f MB").
const wchar_t* PreviewColorsText(int bpp);
void FormatPreviewMemorySize(wchar_t* out, size_t size, double bytes);

enum : int { OPEN_PREVIEW_WIDTH = 184, OPEN_PREVIEW_HEIGHT = 123, OPEN_FILTER_COUNT = 56 };

// One row of the open dialog's filter list. A group row (id FMT_UNKNOWN) gives
// its label and patterns. A format's row shows its patterns in brackets after
// its label; where it gives no label or patterns of its own, they are the
// format's description and its extensions ("bmp rle dib": "*.bmp;*.rle;*.dib").
struct OpenFilterRow {
    const wchar_t* label;  // null: the format's description
    FormatId id;
    const wchar_t* patterns;  // null: the format's extensions
};
// The OPEN_FILTER_COUNT rows in list order.
std::span<const OpenFilterRow> OpenFilterRows();
// A row's label (without the bracketed patterns) and its patterns.
std::wstring OpenFilterLabel(const OpenFilterRow& row);
std::wstring OpenFilterPatterns(const OpenFilterRow& row);

// The open dialog's filter list: OPEN_FILTER_COUNT pairs of label and patterns,
// each followed by a terminator, the whole list by a second one.
const wchar_t* OpenDialogFilter();

// Where a picture of width x height lands in a box: as a whole, never
// enlarged, centred.
RECT FitIntoPreviewBox(int boxWidth, int boxHeight, int width, int height);

// The preview of one file: the picture (OPEN_PREVIEW_WIDTH x OPEN_PREVIEW_HEIGHT,
// 24 bits, button face with the file's picture fitted into it) and the six
// value texts. ok is false (and every text empty) for a file that cannot be read.
struct OpenPreviewTexts {
    bool ok = false;
    wchar_t width[32] = {};
    wchar_t height[32] = {};
    wchar_t colors[16] = {};
    wchar_t fileSize[32] = {};
    wchar_t memorySize[32] = {};
    wchar_t format[128] = {};
};
// False only when the preview picture itself cannot be made.
bool MakeOpenPreview(const wchar_t* path, CImage& picture, OpenPreviewTexts& texts);

// The File > Open command: the common open dialog with the panel "OPENDLGADD";
// OK closes the current document and opens the chosen file, with its folder's
// file list for Previous/Next (or the browser moved there when it is open).
void ShowOpenFileDialog(HWND owner);
// The open panel's hook (template "OPENDLGADD").
UINT_PTR CALLBACK OpenDialogHookProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
