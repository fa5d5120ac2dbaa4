// The main window procedure and the helpers of its messages that tests call directly.
#pragma once
#include <windows.h>

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnMainCommand(HWND window, WPARAM wParam, LPARAM lParam);

// Steps of creation and teardown report their names here when a hook is set
// (tests check the order).
using AppTraceHook = void (*)(const char* step);
AppTraceHook SetAppTraceHook(AppTraceHook hook);
void AppTrace(const char* step);

// Single-instance hand-over. The block is HANDOVER_CHARS UTF-16 characters.
enum : int { HANDOVER_CHARS = 260 };
// The block crosses from one process to another, possibly of the other build:
// UTF-16 characters, 520 bytes, in both.
static_assert(sizeof(wchar_t) * HANDOVER_CHARS == 520, "hand-over block layout");
// Sender: the full path of the argument text (surrounding blanks and quotes
// removed), cut to 259 characters and terminated; the rest of the block zeroed.
void BuildHandOverBlock(const wchar_t* argumentText, wchar_t block[HANDOVER_CHARS]);
// Receiver: the text of a received block (at most cbData bytes, at most 259
// characters, up to its terminator), without surrounding quotes when it has at
// least two characters. Returns false for an empty text.
bool ReadHandOverPath(const void* data, DWORD cbData, wchar_t path[MAX_PATH]);
// Folder part of a path (without the separator before the name; "X:" becomes
// "X:\"); false when the path has no separator.
bool HandOverFolder(const wchar_t* path, wchar_t folder[MAX_PATH]);

// Wheel arithmetic: the zoom after one wheel notch (delta > 0 zooms in).
float WheelZoom(float zoom, int delta);
// Minimum tracking size of the main window (WM_GETMINMAXINFO) from the state.
POINT MinimumTrackSize(bool browserShown, int menuBarWidth, int formatId, int captionHeight, int menuHeight,
                       int imageToolBarLength, const RECT& margins, int thumbWindowWidth);

// Tool-bar drop-down menus (TBN_DROPDOWN). The popup of a button with its check
// marks and grayed items set from the state, or null for a button without one;
// *resource receives the loaded menu, which the caller destroys. The Open (200)
// and Browse (IDM_BROWSE) buttons get the recent files or folders, item n (from 1)
// for entry n - 1.
HMENU BuildDropDownMenu(UINT button, HMENU* resource);
// The context menu of the viewer (WM_CONTEXTMENU with a valid image, the cursor
// in the client area): "SELECTTOOLMENU" on the selection, else "VIDEO", "SOUND"
// or "IMAGE" by the current file's extension, with its checks and grays set;
// *resource receives the loaded menu, which the caller destroys.
HMENU BuildViewerContextMenu(bool onSelection, HMENU* resource);
// A choice n (from 1) in the recent-file (files) or recent-folder list: the
// request flag is set and WM_APP_OPEN_PENDING posted with entry n - 1.
void OnRecentListChoice(HWND window, bool files, UINT choice);
