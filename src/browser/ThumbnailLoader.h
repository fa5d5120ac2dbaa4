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

// Run by the loader when it stops: carries out the requests recorded while it
// ran, in the order tree, goto, double click, close. A recorded close posts
// WM_CLOSE, which now destroys the window (the loader no longer runs).
void ThumbnailLoaderFinished(HWND mainWindow);
