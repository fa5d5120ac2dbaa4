// The viewer's media document: opening a file as the current image or player,
// stopping and closing it, the question before a modified image is discarded,
// the error picture of a failed load, the load-time image settings, the open
// dialog's preview texts, and images kept among the program's resources.
#pragma once
#include <windows.h>

class CImage;

// Opens a wide path as the current document. DOC_FILE on success; the error
// picture and DOC_LOAD_FAILED otherwise (no message box for a failed load).
void OpenMediaFile(const wchar_t* path);
// Stops the player of the current format and resets the playback bar.
void StopCurrentMedia();
// Empties the viewer.
void CloseCurrentMedia();
// Asks whether to save a modified image (an edit made, or an image made in
// memory) and runs Save As on Yes.
void PromptSaveModified();
// Its question: the language file's FileModifiedSaveAs message (or the built-in
// English one) with the path in place of its "%s".
void FormatModifiedQuestion(wchar_t* out, size_t size, const wchar_t* path);
// Moves path to the front of the recent-file list: an entry already there is
// exchanged with the first; a new one pushes the others down (the 21st falls off).
void AddRecentFile(const wchar_t* path);

// Replaces the current image by the error picture of a printf-style message.
void ShowLoadFailure(const wchar_t* path, const wchar_t* format, ...);
// Draws the error picture into image: 500 x 250, 1 bit (0 white, 1 black),
// 'File: "path"', "Error: message" and "Execution stopped." on three lines.
bool DrawLoadErrorImage(CImage& image, const wchar_t* path, const wchar_t* format, ...);
// The error picture's text.
void FormatLoadErrorText(wchar_t* out, size_t size, const wchar_t* path, const wchar_t* message);
enum : int { LOAD_ERROR_WIDTH = 500, LOAD_ERROR_HEIGHT = 250 };

// Applies the alpha treatment in force (AppState::ChannelView 4, 5 or 6; 6 is
// chosen for 32-bit images by ImageAlphaBlend32BitAtLoadTime) to the current
// image, keeping the picture itself in the channel-view store (app/AlphaView.h).
void ApplyAlphaChannelMode();

// Decodes an image resource of the program (any format OleLoadPicture reads)
// into a 24-bit image; false with a text of FORMAT_ERROR_CHARS characters.
bool LoadImageFromResource(CImage& image, const wchar_t* name, const wchar_t* type, wchar_t* errorText);

// The open dialog's preview panel texts: colours by depth ("2", "16", "256", "65K",
// "16,7M") and the memory size ("%2.2f KB" below 10 KB, else "%2.2f MB").
const wchar_t* PreviewColorsText(int bpp);
void FormatPreviewMemorySize(wchar_t* out, size_t size, double bytes);

// ---- File > Open ----

enum : int { OPEN_PREVIEW_WIDTH = 184, OPEN_PREVIEW_HEIGHT = 123, OPEN_FILTER_COUNT = 56 };

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
