// Batch process: converts a list of image files into one output format in one
// folder, with the optional resize, watermark, depth, channel, turn, effect and
// correction steps of the BatchProcess* settings (tools/BatchSettings.h).
#pragma once
#include <windows.h>

#include <cstdint>

#include "tools/ListTool.h"

// The output formats of combo 1066: the Save As types' order, extensions and
// option tabs, with texts of their own.
inline constexpr int BATCH_OUTPUT_FORMAT_COUNT = 15;
const wchar_t* BatchOutputFormatText(int index);
const wchar_t* BatchOutputFormatExtension(int index);  // "bmp" outside the table
int BatchOutputFormatTab(int index);                   // 0 none, 1 JPG .. 8 TIF

// Run state of the dialog: idle while no run is under way, the cancel request,
// and the option panel shown (null for none).
extern uint8_t BatchProcessIdle;
extern uint8_t BatchProcessCancel;
extern HWND FormatOptionsPanel;

// ---- the arithmetic ----

// The resize step's settings: unit 0 percent, 1 pixel, 2 centimetre, 3 inch;
// size filter 0 all, 1 only larger images, 2 only smaller images.
struct BatchResizeSettings {
    int unit;
    int width;
    int height;
    bool keepAspect;
    int sizeFilter;
};
BatchResizeSettings BatchResizeFromSettings();

// How an image of width x height is resized: not at all, drawn scaled into a
// new 24-bit image (smaller in both directions) or resampled (filter mode 4).
enum BatchResizeKind { BATCH_RESIZE_NONE, BATCH_RESIZE_DRAW_SCALED, BATCH_RESIZE_RESAMPLE };
struct BatchResizePlan {
    BatchResizeKind kind;
    int width;  // the target, at least 1 each way
    int height;
};
BatchResizePlan PlanBatchResize(int width, int height, const BatchResizeSettings& settings, int dpiX, int dpiY);

// The target of source in folder: the source's file name up to and including
// its last ".", then extension (a name without "." gets "." and extension).
// False (out empty) when the result does not fit MAX_PATH.
bool BatchTargetPath(wchar_t* out, const wchar_t* folder, const wchar_t* source, const wchar_t* extension);

// ---- the run ----

// Converts count paths (slots of LIST_SLOT_CHARS characters) with the
// settings; errorText (FORMAT_ERROR_CHARS characters) gets the last failure's
// text. Returns whether the last file was loaded and saved (false for none).
// A target that would overwrite a file written earlier in the run or a source
// still to come takes a free name ("name (n).ext") instead.
bool RunBatchProcess(RunProgress& progress, const wchar_t* paths, int count, wchar_t* errorText);
// The same in the dialog (progress bar, controls, flags); after a run that
// deleted its sources the list is emptied and Process disabled.
bool RunBatchProcess(HWND dialog, const wchar_t* paths, int count, wchar_t* errorText);

// ---- the dialog ----

// The key the dialog reads and writes its settings under (tests use their own).
void SetBatchProcessSettingsKey(const wchar_t* key);
void FillOutputFormatCombo(HWND dialog);
void ReadOutputFormatCombo(HWND dialog);
void ShowFormatOptionsPanel(HWND dialog);
void PlaceFormatOptionsPanel(HWND dialog);
void EnableBatchProcessControls(HWND dialog);
INT_PTR CALLBACK BatchProcessDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
