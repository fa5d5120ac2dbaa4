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
    // Set on the loader's own thread: its decodes put transparent pixels on
    // the window colour of the list, not on the viewer's background.
    static inline thread_local bool OnLoaderThread = false;
};

class CImage;
struct LoadCall;

// Starts the loader on the list: clears the request flags and sets Running
// before the thread starts, so that no request made meanwhile is lost. False
// (Running cleared) when the thread cannot start.
bool StartThumbnailLoader(HWND list);
// Waits at most timeoutMs for the loader thread to end, handling only sent
// messages meanwhile (the loader sends to this thread). True when it ended.
bool WaitForThumbnailLoader(DWORD timeoutMs);
// The loader thread; its argument is the list window.
unsigned __stdcall ThumbnailLoaderThread(void* list);
// Where a picture of the given size lies in a thumbnail cell: fitted into
// the cell less its border, centred, moved by half the border.
RECT ThumbnailCellRect(int sourceWidth, int sourceHeight);
// Draws a decoded image into width x height at x, y of dc; false when the
// image is not valid or memory is short.
// Decodes a file as the loader does for a cell: a thumbnail request for the
// cell's size on the window colour, under the loader's own load flags.
bool DecodeThumbnail(CImage& image, const wchar_t* path, int cellWidth, int cellHeight, wchar_t* errorText,
                     LoadCall& call);
bool RenderThumbnail(int width, const CImage& image, HDC dc, int x, int y, int height);

// Run by the loader when it stops: carries out the requests recorded while it
// ran, in the order tree, goto, double click, close. A recorded close posts
// WM_CLOSE, which now destroys the window (the loader no longer runs).
// A recorded double click is posted to list (the browser's list when null).
void ThumbnailLoaderFinished(HWND mainWindow, HWND list = nullptr);

// Called by the loader after each file (file index) for tests that set
// requests in the middle of a run; null removes it.
using ThumbnailLoaderFileHook = void (*)(int fileIndex);
void SetThumbnailLoaderFileHook(ThumbnailLoaderFileHook hook);
// How many files the last run decoded (not taken from the cache).
int ThumbnailLoaderDecodedCount();
