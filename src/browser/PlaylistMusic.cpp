// The playlist show's background music: one file played in a loop by its own
// DirectShow player for as long as the show runs.
#include <windows.h>

#include "app/AppState.h"
#include "app/MainWindowIds.h"
#include "browser/BrowserControls.h"
#include "browser/FileList.h"
#include "browser/PlaylistShow.h"
#include "media/DirectShowPlayer.h"

namespace {

void RestartMusic() {
    BackgroundMusicPlayer.Stop();
    BackgroundMusicPlayer.Run();
}

}  // namespace

bool PumpMusicEvents(IMediaEventEx* events, IMediaSeeking* seeking, void (*restart)()) {
    if (!events) return false;
    long code = 0;
    LONG_PTR first = 0, second = 0;
    while (SUCCEEDED(events->GetEvent(&code, &first, &second, 0))) {
        events->FreeEventParams(code, first, second);
        if (code == EC_COMPLETE && FAILED(RewindGraph(seeking)) && restart) restart();
    }
    return true;
}

bool StartBackgroundMusic(const wchar_t* path) {
    CDirectShowPlayer& player = BackgroundMusicPlayer;
    if (!path || !path[0] || FAILED(player.Create())) return false;
    if (!IsAcceptedRenderResult(player.Graph->RenderFile(path, nullptr))) {
        player.Release();  // the show runs silent
        return false;
    }
    if (AppState::MainWindow) player.Events->SetNotifyWindow((OAHWND)AppState::MainWindow, WM_APP_MUSIC_GRAPH_EVENT, 0);
    return player.Run();
}

void StopBackgroundMusic() {
    if (!BackgroundMusicPlayer.Initialised) return;
    BackgroundMusicPlayer.Stop();
    BackgroundMusicPlayer.Release();
}

bool OnBackgroundMusicEvent() {
    if (!Playlist::ShowRunning || !Playlist::Settings.UseBackgroundMusic || !BackgroundMusicPlayer.Events) return false;
    return PumpMusicEvents(BackgroundMusicPlayer.Events, BackgroundMusicPlayer.Seeking, RestartMusic);
}
