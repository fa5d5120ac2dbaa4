// The playlist model emptied between tests: no entries, no show, no list file.
#pragma once
#include <windows.h>

#include <cstdlib>

#include "app/AppState.h"
#include "app/MainWindowIds.h"
#include "browser/FileList.h"

namespace playlisttest {

inline void ClearPlaylist() {
    if (AppState::MainWindow) KillTimer(AppState::MainWindow, TIMER_PLAYLIST_SHOW);
    free(Playlist::Entries);
    Playlist::Entries = nullptr;
    Playlist::Count = 0;
    Playlist::Current = 0;
    Playlist::Active = false;
    Playlist::ShowRunning = false;
    Playlist::FilePath[0] = L'\0';
    Playlist::Settings = PlaylistShowSettings{};
}

}  // namespace playlisttest
