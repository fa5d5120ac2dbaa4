// Search in the browser window (SEARCHDLG): the names of the folder's files,
// or on the playlist tab the playlist's paths, that contain a text.
#pragma once
#include <windows.h>

// Whether name contains text; without matchCase both are compared in lower case.
bool SearchNameMatches(const wchar_t* name, const wchar_t* text, bool matchCase);
// The entry a hit names, compared without regard to case: a file index (or a
// playlist index on the playlist tab), -1 when none.
int FindSearchHit(const wchar_t* hit, bool playlist);

INT_PTR CALLBACK SearchDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR ShowSearchDialog(HWND owner);
