// The playlist show's background music: one file played in a loop by its own
// DirectShow player for as long as the show runs.
#include <windows.h>

#include <dshow.h>

#include "app/AppState.h"
#include "browser/BrowserControls.h"
#include "browser/FileList.h"
#include "browser/PlaylistShow.h"

bool PumpMusicEvents(IMediaEventEx* events, IMediaSeeking* seeking, void (*restart)()) {
    if (!events) return false;
    long code = 0;
    LONG_PTR first = 0, second = 0;
    while (SUCCEEDED(events->GetEvent(&code, &first, &second, 0))) {
        events->FreeEventParams(code, first, second);
        if (code != EC_COMPLETE) continue;
        LONGLONG start = 0;
        const HRESULT seek =
            seeking ? seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning)
                    : E_POINTER;
        if (FAILED(seek) && restart) restart();
    }
    return true;
}

bool StartBackgroundMusic(const wchar_t*) { return false; }

void StopBackgroundMusic() {}

bool OnBackgroundMusicEvent() { return false; }
