// Handlers of the browser's folder tree, file list, playlist panel and shows,
// to which the main window routes messages and notifications.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "browser/DragSource.h"
#include "browser/FileOperations.h"

bool FolderTreeHandleMenuMsg(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
LRESULT FolderTreeOnNotify(HWND window, NMHDR* header);
bool FolderTreeOnContextMenu(HWND window, int x, int y);
// The folder tree: created beside the list; selects a folder's item.
bool CreateFolderTree(HWND owner, HFONT font);
bool SelectFolderTreePath(const wchar_t* folder);
void DestroyFolderTree();
// Set while the tree itself changes the folder.
inline bool FolderTreeOwnChange = false;

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
};
extern CPlaylistPanel PlaylistPanel;

void StepSlideShow(HWND window);
// Whether StepSlideShow advances a running slide show; false while it is a
// stand-in, so a show started from the command line leaves stepping to the user.
bool SlideShowCanAdvance();
void StepPlaylistShow(HWND window);
void EndPlaylistShow();
void OnBackgroundMusicEvent();

// ---- Provided by the folder tree code ----
// Re-reads the children of the tree's selected folder after files changed.
void RefreshTreeSelection(HWND tree);
// A drag over the tree (the effect it allows) and a drop of files onto it.
DWORD FolderTreeDragOver(HWND tree, POINT screen, DWORD effect);
void FolderTreeDrop(HWND tree, POINT screen, DWORD effect, HDROP drop);
// ---- end of what the folder tree code provides ----
