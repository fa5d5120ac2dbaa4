// Stand-ins of the browser's controls and shows: they do nothing until the
// controls exist.
#include "browser/BrowserControls.h"

#include "app/AppState.h"
#include "browser/FileList.h"

CPlaylistPanel PlaylistPanel;

bool FolderTreeHandleMenuMsg(HWND, UINT, WPARAM, LPARAM, LRESULT*) { return false; }
LRESULT FolderTreeOnNotify(HWND, NMHDR*) { return 0; }
bool FolderTreeOnContextMenu(HWND, int, int) { return false; }
bool CreateFolderTree(HWND, HFONT) { return false; }
bool SelectFolderTreePath(const wchar_t*) { return false; }
void DestroyFolderTree() {}

bool CPlaylistPanel::Create(HWND, HFONT) { return false; }
void CPlaylistPanel::Destroy() {}
void CPlaylistPanel::Show(bool) {}
void CPlaylistPanel::Layout() {}
bool CPlaylistPanel::OnButton(LPARAM) { return false; }
void CPlaylistPanel::SelectAll() {}
void CPlaylistPanel::OnGetDispInfo(NMLVDISPINFOW*) {}
void CPlaylistPanel::BeginDrag(NMLISTVIEW*) {}
void CPlaylistPanel::OnColumnClick(NMLISTVIEW*) {}
void CPlaylistPanel::OnItemChanged(NMLISTVIEW*) {}
void CPlaylistPanel::Refill() {}

void StepSlideShow(HWND) {}
bool SlideShowCanAdvance() { return false; }
void StepPlaylistShow(HWND) {}
void EndPlaylistShow() { Playlist::ShowRunning = 0; }
void OnBackgroundMusicEvent() {}

// ---- Provided by the folder tree code ----
void RefreshTreeSelection(HWND) {}
DWORD FolderTreeDragOver(HWND, POINT, DWORD) { return DROPEFFECT_NONE; }
void FolderTreeDrop(HWND, POINT, DWORD, HDROP) {}
// ---- end of what the folder tree code provides ----
