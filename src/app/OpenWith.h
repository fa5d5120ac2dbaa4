// The "Open with" list: programs the user added, each with a command id from
// IDM_OPEN_WITH_FIRST, that open the viewer's current file.
#pragma once
#include <windows.h>

#include "command_ids.h"

// For an id of the list: the program's path and the file to hand it (the
// current list entry, else the current file, joined to the current directory,
// as a short path; empty when there is no file). False for any other id.
bool OpenWithTarget(UINT id, wchar_t program[MAX_PATH], wchar_t file[MAX_PATH]);
// Every WM_COMMAND of the main window is offered here first; acts only on the
// ids of the list. "Program is missing: %s" when the program is gone. True
// when the program was started.
bool LaunchOpenWithProgram(UINT id);
// WM_INITMENUPOPUP of the main window: a popup holding "&Clear Program list"
// (IDM_OPEN_WITH_CLEAR) is the "Open with" submenu; it is cut back to its four fixed items
// (separator, add, edit, clear) and the programs are put in front of them.
// Any other popup is left alone.
void RebuildOpenWithMenu(HMENU popup, HWND mainWindow);
// Forgets every program of the list (the settings keep the empty list) and
// reports "Successfully cleaned all stored program paths.".
void ClearOpenWithList();
