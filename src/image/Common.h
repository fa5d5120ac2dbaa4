// Small services every subsystem uses: the message box and fatal exit (with one
// replaceable hook for tests), dialog centring, path and string helpers, byte
// sizes and a few GDI probes.
#pragma once
#include <windows.h>
#include <cstdint>

#define QRV_PRODUCT_NAME L"Quorvane"
#define QRV_MESSAGE_CAPTION L"Quorvane 1.02"

// The window that owns a message box. A message asked for from inside a modal
// dialog names that dialog: the box then disables only the dialog, and the main
// window stays disabled under it. Without an owner the window named by
// SetMessageOwner (the main window) owns the box.
struct MessageOwner {
    HWND window;
};

// printf-style (wide) text of at most 1024 characters in a message box owned by
// the main window (or by `owner`); returns the box's result.
int ShowMessage(const wchar_t* format, ...);
int ShowMessage(MessageOwner owner, const wchar_t* format, ...);
// A Yes/No question (printf-style text, no icon) through the same seam: the
// hook receives MB_YESNO and its return value is the answer. Returns IDYES or
// IDNO (anything else a hook returns counts as No).
int AskYesNo(const wchar_t* caption, const wchar_t* format, ...);
int AskYesNo(MessageOwner owner, const wchar_t* caption, const wchar_t* format, ...);
// A ready text (not a format; cut to 1024 characters) under its own caption,
// with the information icon, through the same seam.
int ShowCaptionedText(MessageOwner owner, const wchar_t* caption, const wchar_t* text);
// Formats the same way and ends the process; used only when start-up fails.
[[noreturn]] void FatalError(const wchar_t* format, ...);

// The one seam between the program's messages and the screen. A hook receives
// the formatted text; for ShowMessage its return value becomes the box's result.
// For FatalError the process still ends when the hook returns (a test hook
// throws to get back to the test). Pass null to restore the real boxes.
using MessageHook = int (*)(const wchar_t* text, const wchar_t* caption, UINT type, bool fatal);
MessageHook SetMessageHook(MessageHook hook);
// While a hook runs for ShowMessage or AskYesNo: the window the box would be
// owned by (the main window unless the caller named another). Null otherwise.
HWND CurrentMessageOwner();
// The owner of a message that names none: the main window, which the shell
// names here once it exists (null: the box has no owner).
void SetMessageOwner(HWND window);

void CenterWindow(HWND window, HWND owner);
// The left/top coordinate CenterWindow gives along one axis.
int CenterCoordinate(int ownerStart, int ownerSize, int windowSize, int workStart, int workEnd);

// Path buffers hold MAX_PATH characters unless a size is given.
bool AppendPath(wchar_t* path, const wchar_t* component, size_t size = MAX_PATH);
bool GetProgramFolder(wchar_t* out, size_t size = MAX_PATH);
bool NormalizePath(wchar_t* path);
void AnsiToWide(wchar_t* out, const char* text, size_t size = MAX_PATH);
// Returns false (and an empty string) when a character has no ANSI equivalent,
// so that a narrow path never names another file.
bool WideToAnsi(char* out, const wchar_t* text, size_t size = MAX_PATH);
// A narrow name (ANSI code page, MAX_PATH bytes) that opens the same file as a
// wide path: the path itself when every character has an ANSI form, else its
// short 8.3 name (the file must exist). False when neither exists.
bool WideToAnsiPath(char* out, const wchar_t* path);
void CopyStringW(wchar_t* out, const wchar_t* text, size_t size = MAX_PATH);

// Opens the file for binary reading and closes it again; on failure writes
// "Failed to open file for read!" into errorText (512 characters).
bool CanOpenForRead(const wchar_t* path, wchar_t* errorText);

// " 999 Bytes", "0.98 KB", "1.00 MB" ... into out (at least 32 characters).
void FormatByteSize(wchar_t* out, float bytes);

// Size in bytes of the colour table after a BITMAPCOREHEADER or
// BITMAPINFOHEADER (read through the size field). Saturates at 0xFFFFFFFF.
uint32_t GetColorTableSize(const void* header);
bool ReplaceBitmapColor(HBITMAP bitmap, COLORREF from, COLORREF to);
bool IsDirectX8Present();
