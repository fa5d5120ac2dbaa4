#include "browser/ThumbnailLoader.h"

#include "app/AppState.h"
#include "app/MainWindowIds.h"
#include "command_ids.h"

void ThumbnailLoaderFinished(HWND mainWindow) {
    ThumbLoader::Running = 0;
    if (ThumbLoader::TreeRequest) {
        ThumbLoader::TreeRequest = 0;
        PostMessageW(mainWindow, WM_APP_BROWSER_REFRESH, 0, 0);
    }
    if (ThumbLoader::GotoRequest) {
        ThumbLoader::GotoRequest = 0;
        PostMessageW(mainWindow, WM_APP_BROWSER_GOTO, 0, 0);
    }
    if (ThumbLoader::DoubleClickRequest) {
        ThumbLoader::DoubleClickRequest = 0;
        PostMessageW(mainWindow, WM_COMMAND, IDM_BROWSE, 0);
    }
    if (ThumbLoader::CloseRequest) {
        ThumbLoader::CloseRequest = 0;
        PostMessageW(mainWindow, WM_CLOSE, 0, 0);
    }
}

// Stand-ins until the loader thread lands: thumbnails keep their placeholders.
bool StartThumbnailLoader(HWND) { return false; }
bool WaitForThumbnailLoader(DWORD) { return true; }
unsigned __stdcall ThumbnailLoaderThread(void*) { return 1; }
bool RenderThumbnail(int, const CImage&, HDC, int, int, int) { return false; }
