// The thumbnail loader's flags shared with the user-interface thread.
#pragma once
#include <windows.h>
#include <atomic>

struct ThumbLoader {
    static inline std::atomic<bool> Running = false;
    static inline std::atomic<bool> Decoding = false;
    static inline std::atomic<bool> AbortRequest = false;
    static inline std::atomic<bool> TreeRequest = false;
    static inline std::atomic<bool> GotoRequest = false;
    static inline std::atomic<bool> CloseRequest = false;
    static inline std::atomic<bool> DoubleClickRequest = false;
    static inline std::atomic<bool> SelectRequest = false;
    static inline std::atomic<bool> RefreshRequest = false;
};

class CImage;

// Starts the loader on the list: clears the request flags and sets Running
// before the thread starts, so that no request made meanwhile is lost. False
// (Running cleared) when the thread cannot start.
bool StartThumbnailLoader(HWND list);
// Waits at most timeoutMs for the loader thread to end, handling only sent
// messages meanwhile (the loader sends to this thread). True when it ended.
bool WaitForThumbnailLoader(DWORD timeoutMs);
// The loader thread; its argument is the list window.
unsigned __stdcall ThumbnailLoaderThread(void* list);
// Draws a decoded image into width x height at x, y of dc; false when the
// image is not valid or memory is short.
bool RenderThumbnail(int width, const CImage& image, HDC dc, int x, int y, int height);

// Run by the loader when it stops: carries out the requests recorded while it
// ran, in the order tree, goto, double click, close. A recorded close posts
// WM_CLOSE, which now destroys the window (the loader no longer runs).
void ThumbnailLoaderFinished(HWND mainWindow);
