// Stand-ins of the browser's controls and shows: they do nothing until the
// controls exist.
#include "browser/BrowserControls.h"

#include "app/AppState.h"
#include "browser/FileList.h"

CPlaylistPanel PlaylistPanel;

bool FolderTreeHandleMenuMsg(HWND, UINT, WPARAM, LPARAM, LRESULT*) { return false; }
LRESULT FolderTreeOnNotify(HWND, NMHDR*) { return 0; }
bool FolderTreeOnContextMenu(HWND, int, int) { return false; }
void FileListOnGetDispInfo(NMLVDISPINFOW*) {}
void FileListOnItemChanged(NMLISTVIEW*) {}
void FileListBeginDrag(NMLISTVIEW*) {}
void SetFileListColors() {}
void SelectAllFiles() {}
void ArrangeThumbnailGrid(HWND) {}

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
