// The "Open with" list: programs the user added, each with a command id from
// IDM_OPEN_WITH_FIRST, that open the viewer's current file.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "command_ids.h"

// The parameter handed to a program: a short path, or the full path in quotes
// when the file has no short name.
enum : int { OPEN_WITH_PARAMETER_CHARS = MAX_PATH + 2 };

// For an id of the list: the program's path and the file to hand it (the
// current list entry, else the current file, joined to the current directory,
// as a short path; empty when there is no file). False for any other id.
bool OpenWithTarget(UINT id, wchar_t program[MAX_PATH], wchar_t file[OPEN_WITH_PARAMETER_CHARS]);
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

// One program of the list as the edit dialog shows it.
struct OpenWithRow {
    std::wstring name;
    std::wstring path;
    bool selected = false;
};
// The list's programs in order (at most 20).
std::vector<OpenWithRow> OpenWithRows();
// The rows become the list: the count is the number of rows, at most 20.
void StoreOpenWithRows(const std::vector<OpenWithRow>& rows);
// Adds a program: the path must name something that exists and the name must
// not be empty, else the list is left as it is and the answer is false. On a
// full list the new program takes the place of the last one.
bool AddOpenWithProgram(const wchar_t* path, const wchar_t* name);
// Moves every selected row one place up (direction < 0) or down. A selected
// row at that end of the list stays, and so does one whose neighbour on that
// side is selected and stays: a selected block keeps its order.
void MoveOpenWithRows(std::vector<OpenWithRow>& rows, int direction);
// The display name offered for a chosen program: its file name without the
// extension.
std::wstring OpenWithNameFromPath(const wchar_t* path);

// The program chooser of the two dialogs' "..." buttons: the open dialog for
// "*.exe" files. Tests install a hook that answers in place of the dialog.
using OpenWithChooserHook = bool (*)(HWND owner, wchar_t path[MAX_PATH]);
OpenWithChooserHook SetOpenWithChooserHook(OpenWithChooserHook hook);
bool ChooseOpenWithProgram(HWND owner, wchar_t path[MAX_PATH]);

// "OPENWITHADDDLG": a path and a name; OK only after a program was chosen
// with "...", and it adds the program ("Invalid specified Path and/or
// Description!" keeps the dialog open).
INT_PTR CALLBACK OpenWithAddDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// "OPENWITHEDITLISTDLG": the list with update, remove, move and remove-all; OK
// stores the rows as the list, Cancel leaves it as it was.
INT_PTR CALLBACK OpenWithEditListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Enables or disables the edit dialog's path and name edits, "..." and
// "&Update Item".
void EnableOpenWithEditFields(HWND dialog, bool enable);
