// The playlist show and the folder slide show. One rule for every entry a
// show opens: an entry that cannot be read shows the error picture and the
// show goes on after its delay; a medium's length counts only when its player
// took this very entry.
#include "browser/PlaylistShow.h"

#include <cstdlib>

#include "app/AppState.h"
#include "app/MainMenu.h"
#include "app/MainToolBar.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "media/AnimationBar.h"
#include "media/Players.h"

namespace {

bool IsTimedFormat(int formatId) { return formatId == FMT_QTMOVIE || formatId == FMT_SOUND || formatId == FMT_VIDEO; }

// Arms a main-window timer; a show without a window has nothing to arm.
void ArmTimer(HWND window, UINT_PTR id, UINT interval) {
    if (window) SetTimer(window, id, interval, nullptr);
}

bool HasPlaylistEntry(int index) { return Playlist::Entries && index >= 0 && index < Playlist::Count; }

// Opens the playlist's current entry and arms the show's timer for it.
void OpenCurrentPlaylistEntry(HWND window) {
    const bool opened = OpenShowEntry(Playlist::Entries[Playlist::Current].name);
    ArmTimer(window, TIMER_PLAYLIST_SHOW,
             ShowEntryInterval(opened, AppState::CurrentFormatId, AnimationBar.MediaLength, Playlist::Settings.Delay));
}

}  // namespace

ShowStepTarget ComputeShowStep(int current, int count, int direction, bool wrap, int randomValue) {
    ShowStepTarget target = {current, false};
    if (count <= 0) return target;
    const int random = (randomValue < 0 ? -randomValue : randomValue) % count;
    if (current < 0 || current >= count) {  // a show's start: its first entry in its direction
        target.index = direction == 1 ? count - 1 : direction == 2 ? random : 0;
        return target;
    }
    switch (direction) {
    case 0:
        if (current + 1 < count) target.index = current + 1;
        else if (wrap) target.index = 0;
        else target.pastEnd = true;
        break;
    case 1:
        if (current - 1 >= 0) target.index = current - 1;
        else if (wrap) target.index = count - 1;
        else target.pastEnd = true;
        break;
    case 2: target.index = random; break;
    default: break;
    }
    return target;
}

UINT ShowEntryInterval(bool opened, int formatId, uint32_t mediaLength, int delay) {
    if (opened && IsTimedFormat(formatId) && mediaLength > 0) return mediaLength;
    return delay > 0 ? (UINT)delay : 0;
}

bool OpenShowEntry(const wchar_t* path) {
    OpenMediaFile(path);
    return AppState::DocumentKind == DOC_FILE;
}

void StartPlaylistPresentation() {
    if (!Playlist::Active || !HasPlaylistEntry(Playlist::Current)) return;
    const PlaylistShowSettings& settings = Playlist::Settings;
    if (settings.UseBackgroundMusic) StartBackgroundMusic(settings.BackgroundMusicFile);
    HWND window = AppState::MainWindow;
    if (window) LockWindowUpdate(window);
    AppState::PaintSuspended = 1;
    Playlist::ShowRunning = true;
    const wchar_t* path = Playlist::Entries[Playlist::Current].name;
    // A player lays itself out for the full screen; a picture is fitted to it
    // when the mode is entered.
    const bool player = IsVideoExtension(path) || IsSoundExtension(path);
    if (player && AppState::ViewMode != VIEW_PRESENTATION) TogglePresentationMode(false);
    const bool opened = OpenShowEntry(path);
    if (!player && AppState::ViewMode != VIEW_PRESENTATION) TogglePresentationMode(false);
    ArmTimer(window, TIMER_PLAYLIST_SHOW,
             ShowEntryInterval(opened, AppState::CurrentFormatId, AnimationBar.MediaLength, settings.Delay));
    AppState::PaintSuspended = 0;
    if (window) LockWindowUpdate(nullptr);
}

void StartPlaylistShowFromPanel() {
    if (!Playlist::Active || !HasPlaylistEntry(Playlist::Current)) return;
    HWND window = AppState::MainWindow;
    // The panel opens the entry as it opens a user's choice (which stops a
    // running show); without the panel the show opens it itself.
    if (!PlaylistPanel.ChooseItem(Playlist::Current)) OpenShowEntry(Playlist::Entries[Playlist::Current].name);
    const bool opened = AppState::DocumentKind == DOC_FILE;
    ArmTimer(window, TIMER_PLAYLIST_SHOW,
             ShowEntryInterval(opened, AppState::CurrentFormatId, AnimationBar.MediaLength, Playlist::Settings.Delay));
    Playlist::ShowRunning = true;
}

uint8_t StepPlaylistShow(HWND window) {
    if (!Playlist::Active || !Playlist::Entries || Playlist::Count < 2) return 0;
    const PlaylistShowSettings& settings = Playlist::Settings;
    const ShowStepTarget target =
        ComputeShowStep(Playlist::Current, Playlist::Count, settings.Direction, !settings.PlayOnlyOnce, rand());
    if (target.pastEnd) {
        // The end of a list played once ends the program.
        if (window) PostMessageW(window, WM_DESTROY, 0, 0);
        EndPlaylistShow();
        return 1;
    }
    Playlist::Current = target.index;
    if (window) KillTimer(window, TIMER_PLAYLIST_SHOW);
    OpenCurrentPlaylistEntry(window);
    if (Browser.IsShown()) PlaylistPanel.MarkCurrent(Playlist::Current);
    return 1;
}

bool StepSlideShow(HWND window) {
    if (!AppState::SlideShowRunning || !FileList::Entries || FileList::Count < 2 || FileList::ScanBusy) return false;
    const ShowStepTarget target = ComputeShowStep(FileList::Current, FileList::Count, (int)AppState::SlideShowDirection,
                                                  AppState::SlideShowWrapAround != 0, rand());
    const int previous = FileList::Current;
    // Past the end of a show without wrap-around the show stops; the file it
    // stands on opens once more.
    if (target.pastEnd) AppState::SlideShowRunning = 0;
    else FileList::Current = target.index;
    if (window) KillTimer(window, TIMER_SLIDESHOW);

    bool opened = false;
    wchar_t path[MAX_PATH];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, path);
    if (length > 0 && length < MAX_PATH && AppendPath(path, FileList::Entries[FileList::Current].name))
        opened = OpenShowEntry(path);

    if (Browser.IsShown() && Browser.fileListWindow) {
        HWND list = Browser.fileListWindow;
        const int offset = FileList::SubfolderCount > 0 ? FileList::SubfolderCount : 0;
        const int item = offset + FileList::Current;
        // The list's own notice of this selection opens nothing again.
        FileList::SelectedItem = item;
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        if (previous != FileList::Current)
            SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)(offset + previous), (LPARAM)&state);
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)item, (LPARAM)&state);
        SendMessageW(list, LVM_ENSUREVISIBLE, (WPARAM)item, FALSE);
        BrowserCurrentListItem = item;
    }

    if (AppState::SlideShowRunning) {
        const int delay = (int)AppState::SlideShowDelay;
        ArmTimer(window, TIMER_SLIDESHOW,
                 AppState::SlideShowPlayMediaTillEnd
                     ? ShowEntryInterval(opened, AppState::CurrentFormatId, AnimationBar.MediaLength, delay)
                     : (UINT)delay);
    } else {
        MainMenu.UpdateStates();  // Start/Stop starts again
        MainToolBar.UpdateButtonStates();
    }
    return true;
}

bool SlideShowCanAdvance() { return true; }

bool EndPlaylistShow() {
    if (!Playlist::Active) return false;
    if (Playlist::ShowRunning && AppState::MainWindow) KillTimer(AppState::MainWindow, TIMER_PLAYLIST_SHOW);
    StopBackgroundMusic();
    free(Playlist::Entries);
    Playlist::Entries = nullptr;
    Playlist::Count = 0;
    Playlist::Current = 0;
    Playlist::ShowRunning = false;
    Playlist::Active = false;
    return true;
}
