// The browser's address bar: the recent-folder list behind the address box,
// the way up from a folder, the browser tool bar's buttons, tips and states,
// the file list's info tips, and the dialogs that create a folder and take a
// typed path. The arithmetic is in plain functions that need no window.
#pragma once
#include <windows.h>

#include "app/MainWindowIds.h"
#include "browser/FileList.h"

class CRegistry;

// ---- the recent-folder list (newest first, at most RECENT_FOLDER_CAPACITY) ----

using RecentFolderArray = wchar_t[RECENT_FOLDER_CAPACITY][MAX_PATH];

// The folder goes to the top: the first entry equal to it without regard to
// case leaves its place, and the oldest entry drops out past the capacity.
void PushRecentFolder(RecentFolderArray& list, int& count, const wchar_t* folder);
// BrowserDirCount (0..100; a stored value outside that range is clamped as a
// signed number) and "BrowserDirs%d" from 1, an entry that is missing reading
// "C:\Temp". With privacy set nothing is read and the list stays as it is.
void LoadRecentFolderList(CRegistry& registry, const wchar_t* subKey, bool privacy, RecentFolderArray& list,
                          int& count);
// Writes the count (clamped to 0..100) and the entries; nothing with privacy set.
void SaveRecentFolderList(CRegistry& registry, const wchar_t* subKey, bool privacy, const RecentFolderArray& list,
                          int count);

// ---- going up ----

// Where Up goes from folder. desktop is the Desktop folder's path, null when it
// cannot be had. False when Up stays (on the Desktop folder, or from a drive
// root without a Desktop path, which shows "Failed to retrieve Path for
// Desktopfolder!!"). A drive root goes to the Desktop folder; any other path
// loses its last component, and "C:" gets its "\" back.
bool BrowserUpTarget(const wchar_t* folder, const wchar_t* desktop, wchar_t* out);
// The Desktop folder's path; false when the shell cannot give it.
bool GetDesktopFolderPath(wchar_t* out);

// ---- the tool bar ----

// Child ids of the rebar and of the tool bar inside it.
inline constexpr int kBrowserRebarId = 13007;
inline constexpr int kBrowserToolbarId = 13006;

// One button of the browser tool bar in its order; id 0 is a separator.
struct BrowserToolbarButton {
    UINT id;
    int image;
    bool dropDown;
};
inline constexpr int kBrowserToolbarButtonCount = 21;
extern const BrowserToolbarButton kBrowserToolbarButtons[kBrowserToolbarButtonCount];

// The tip of a browser button, null for any other id (the unused id between
// New Folder and Select All has none).
const wchar_t* BrowserToolbarTip(UINT id);

// Which buttons are enabled. Up follows the address box's first entry:
// disabled on the Desktop folder, and left as it was (upBefore) when the
// Desktop path cannot be had (desktop null).
struct BrowserToolbarStates {
    bool back = false;
    bool up = false;
    bool fileOperations = false;  // move, copy, rename, delete
    bool batch = false;
};
BrowserToolbarStates ComputeBrowserToolbarStates(int recentCount, const wchar_t* firstFolder, const wchar_t* desktop,
                                                 bool upBefore, int selectedCount);

// ---- the file list's info tips ----

// The tip of a list item: a folder's name and date, a sound file's name, size
// and date, any other file's name, pixel size, bits, size and date; one line
// each, without the last line break, cut to size characters (with the zero).
void FormatFileInfoTip(const MediaFileEntry& entry, bool folder, bool sound, wchar_t* out, int size);

// ---- the dialogs ----

INT_PTR CALLBACK CreateFolderDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SelectPathDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Runs BROWSERCREATEFOLDER on owner: a new folder in the current directory;
// then the tree's selection is refreshed and the browser refreshed. 1 on a
// created folder, -1 on Cancel.
INT_PTR ShowCreateFolderDialog(HWND owner);
// Runs SELECTPATHDLG on owner and goes to the folder typed or chosen.
INT_PTR ShowSelectPathDialog(HWND owner);
