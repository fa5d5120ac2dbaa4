// Batch rename: gives each file of a list a new name built from one pattern
// ("*" the old name, "#" runs the counter, "$D" and "$T" the file's date and
// time), shown beside the old names before anything is renamed.
#pragma once
#include <windows.h>

#include "tools/ListTool.h"

// The pattern edit holds at most this many characters.
inline constexpr int RENAME_PATTERN_CHARS = 520;

// Builds the new file name (out: MAX_PATH characters) for oldName (a file
// name with its extension) from pattern with counter and the file's
// last-write time (shown in local time). The old extension (from the last
// "."; none without one) is appended. False (out empty) when the name does
// not fit MAX_PATH - 1 characters.
bool ExpandRenamePattern(wchar_t* out, const wchar_t* oldName, const wchar_t* pattern, unsigned counter,
                         const FILETIME& lastWrite);

// Column 1 of every row: the new name of the row's old path with counter
// start + row.
void UpdateRenamePreview(HWND dialog);

// Renames count old paths (slots of LIST_SLOT_CHARS characters) in order, file
// b with counter start + b; stops at the first failure or on cancel. errorText
// (FORMAT_ERROR_CHARS characters) gets "Failed to rename file from %s to %s!".
// True when the last rename attempted succeeded (false for none).
bool RunBatchRename(RunProgress& progress, const wchar_t* paths, int count, const wchar_t* pattern, unsigned start,
                    wchar_t* errorText);
// The same with the dialog's pattern and counter, bar and controls.
bool RunBatchRename(HWND dialog, const wchar_t* paths, int count, wchar_t* errorText);

INT_PTR CALLBACK BatchRenameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
