// Stand-ins of the browser's controls and shows: they do nothing until the
// controls exist.
#include "browser/BrowserControls.h"

#include "app/AppState.h"
#include "browser/FileList.h"

CPlaylistPanel PlaylistPanel;

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
void CPlaylistPanel::RemoveSelected() {}

void StepSlideShow(HWND) {}
bool SlideShowCanAdvance() { return false; }
void StepPlaylistShow(HWND) {}
void EndPlaylistShow() { Playlist::ShowRunning = 0; }
void OnBackgroundMusicEvent() {}
