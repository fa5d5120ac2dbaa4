// Services of the shell that are not built yet, behind their final names: the
// main window's own drop handling, which the drop target hands a drag over (or
// a drop onto) the window itself, and the tool dialogs' launchers.
#pragma once
#include <windows.h>
#include <shellapi.h>

// The effect to report for a drag over window: none while no drag is active or
// when the program's own drag started from that window, else the offered one.
DWORD QueryDropEffect(HWND window, DWORD offeredEffect);
// Opens the first dropped path: a folder becomes the current folder, a file is
// opened from its folder; the browser then follows to that folder when open.
// Nothing happens when no drag is active (the flag is cleared here) or the
// drop holds no file or its first path does not fit into MAX_PATH characters.
void OpenDroppedItem(HWND mainWindow, HDROP drop);

class CPrintContactSheet;
class CCreateHTMLAlbum;
class CJPGCleaner;

// The tool dialogs' launchers: a modal dialog owned by owner with the object as
// its parameter; true unless the dialog could not be created.
bool ShowContactSheetDialog(HWND owner, CPrintContactSheet* sheet);
bool ShowHTMLAlbumDialog(HWND owner, CCreateHTMLAlbum* album);
bool ShowJPGTransformDialog(HWND owner);
bool ShowJPGCleanerDialog(HWND owner, CJPGCleaner* cleaner);
