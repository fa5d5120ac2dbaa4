// Handlers of the browser's folder tree, file list, playlist panel and shows,
// to which the main window routes messages and notifications.
#pragma once
#include <windows.h>
#include <commctrl.h>

bool FolderTreeHandleMenuMsg(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
LRESULT FolderTreeOnNotify(HWND window, NMHDR* header);
bool FolderTreeOnContextMenu(HWND window, int x, int y);
void FileListOnGetDispInfo(NMLVDISPINFOW* info);
void FileListOnItemChanged(NMLISTVIEW* info);
void FileListBeginDrag(NMLISTVIEW* info);
void SetFileListColors();
void SelectAllFiles();
void ArrangeThumbnailGrid(HWND list);

class CPlaylistPanel {
public:
    bool OnButton(LPARAM control);
    void SelectAll();
    void OnGetDispInfo(NMLVDISPINFOW* info);
    void BeginDrag(NMLISTVIEW* info);
    void OnColumnClick(NMLISTVIEW* info);
    void OnItemChanged(NMLISTVIEW* info);
    void Refill();
};
extern CPlaylistPanel PlaylistPanel;

void StepSlideShow(HWND window);
// Whether StepSlideShow advances a running slide show; false while it is a
// stand-in, so a show started from the command line leaves stepping to the user.
bool SlideShowCanAdvance();
void StepPlaylistShow(HWND window);
void EndPlaylistShow();
void OnBackgroundMusicEvent();
