// Handlers of the browser's folder tree, file list, playlist panel and shows,
// to which the main window routes messages and notifications.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "browser/DragSource.h"
#include "browser/FileOperations.h"
#include "browser/FolderTree.h"

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
