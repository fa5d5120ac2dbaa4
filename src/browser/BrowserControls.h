// Handlers of the browser's folder tree, file list, playlist panel and shows,
// to which the main window routes messages and notifications.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "browser/FolderTree.h"

// File operations and the drag of files.
bool DoDragFiles(HWND source, const wchar_t* files, DWORD allowedEffects);
// 1 copy, 2 move, anything else nothing.
int ShowDropMenu(HWND owner, POINT screen);
bool CopySelectedFiles(const wchar_t* targetFolder);
bool MoveSelectedFiles(const wchar_t* targetFolder);
bool CopyFolderInto(const wchar_t* folder, const wchar_t* targetFolder);
bool MoveFolderInto(const wchar_t* folder, const wchar_t* targetFolder);
bool CopyFileIntoFolder(const wchar_t* file, const wchar_t* targetFolder);
bool MoveFileIntoFolder(const wchar_t* file, const wchar_t* targetFolder);

class CPlaylistPanel {
public:
    bool Create(HWND owner, HFONT font);
    void Destroy();
    void Show(bool show);
    void Layout();
    bool OnButton(LPARAM control);
    void SelectAll();
    void OnGetDispInfo(NMLVDISPINFOW* info);
    void BeginDrag(NMLISTVIEW* info);
    void OnColumnClick(NMLISTVIEW* info);
    void OnItemChanged(NMLISTVIEW* info);
    void Refill();
    // Removes the selected entries (after they were moved away by a drop).
    void RemoveSelected();
};
extern CPlaylistPanel PlaylistPanel;

void StepSlideShow(HWND window);
// Whether StepSlideShow advances a running slide show; false while it is a
// stand-in, so a show started from the command line leaves stepping to the user.
bool SlideShowCanAdvance();
void StepPlaylistShow(HWND window);
void EndPlaylistShow();
void OnBackgroundMusicEvent();
