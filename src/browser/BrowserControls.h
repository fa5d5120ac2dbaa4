// Handlers of the browser's folder tree, file list, playlist panel and shows,
// to which the main window routes messages and notifications.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstdint>
#include <vector>

#include "browser/DragSource.h"
#include "browser/FileOperations.h"
#include "browser/FolderTree.h"

// Moves the selected rows of a list one place up (or down): a selected row
// passes only an unselected neighbour, so a selected block moves as a whole
// and a row at the edge, with the rows selected behind it, stays. selected is
// updated; the result lists the swaps made in order, each as the upper row k
// of the pair (k, k + 1).
std::vector<int> MoveSelectedRows(std::vector<bool>& selected, bool up);

// The playlist tab's panel: a report list of the playlist's entries, eight
// buttons in two rows and a caption with the playlist file's path. Its windows
// are children of the main window, which routes their notices here.
class CPlaylistPanel {
public:
    enum Button { BTN_ADD, BTN_PLAY, BTN_SAVE, BTN_BURN, BTN_UP, BTN_DOWN, BTN_REMOVE, BTN_REMOVE_ALL, BUTTON_COUNT };

    CPlaylistPanel() = default;
    ~CPlaylistPanel();
    CPlaylistPanel(const CPlaylistPanel&) = delete;
    CPlaylistPanel& operator=(const CPlaylistPanel&) = delete;

    bool Create(HWND owner, HFONT font);
    bool Destroy();
    void Show(bool show);
    bool Layout();
    bool OnButton(LPARAM control);
    bool SelectAll();
    void OnGetDispInfo(NMLVDISPINFOW* info);
    bool BeginDrag(NMLISTVIEW* info);
    void OnColumnClick(NMLISTVIEW* info);
    void OnItemChanged(NMLISTVIEW* info);
    bool Refill();
    void UpdateButtons();
    // Removes the selected entries (after they were moved away by a drop).
    void RemoveSelected();
    // Selects and focuses item index as a user's click does (the panel opens
    // it); false while the panel does not exist.
    bool ChooseItem(int index);
    // Shows the show's current entry: selected, focused and visible, with the
    // list focused; opens nothing.
    void MarkCurrent(int index);

    HWND list = nullptr;
    HWND buttonArea = nullptr;
    HWND parent = nullptr;
    HWND caption = nullptr;
    HWND buttons[BUTTON_COUNT] = {};
    uint8_t created = 0;
    int lastItem = -1;

private:
    void MoveSelection(bool up);
    void AddFiles();
    void PlayOrStop();
    void SaveToFile();
    int sortColumn_ = -1;
    bool sortAscending_ = true;
    bool marking_ = false;  // the show marks its entry: the notice opens nothing
};
extern CPlaylistPanel PlaylistPanel;

// The file dialogs the panel's Add and Save buttons show (GetOpenFileNameW and
// GetSaveFileNameW unless a test installs its own); null restores them.
using PlaylistFileDialog = BOOL(WINAPI*)(OPENFILENAMEW* request);
void SetPlaylistFileDialogs(PlaylistFileDialog open, PlaylistFileDialog save);

// TIMER_SLIDESHOW: the folder slide show's next file. False when no show steps.
bool StepSlideShow(HWND window);
// Whether StepSlideShow advances a running slide show.
bool SlideShowCanAdvance();
// TIMER_PLAYLIST_SHOW: the playlist show's next entry (nothing with fewer
// than two entries); at the end of a list played once the program ends.
uint8_t StepPlaylistShow(HWND window);
// Ends the playlist show and empties the playlist; false when none is active.
bool EndPlaylistShow();
// WM_APP_MUSIC_GRAPH_EVENT: the background music starts over at its end.
bool OnBackgroundMusicEvent();
// Stops and releases the show's background music.
void StopBackgroundMusic();
