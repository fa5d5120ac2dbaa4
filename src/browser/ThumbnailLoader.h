// The thumbnail loader's flags shared with the user-interface thread.
#pragma once
#include <windows.h>
#include <cstdint>

struct ThumbLoader {
    static inline volatile uint8_t Running = 0;
    static inline volatile uint8_t Decoding = 0;
    static inline volatile uint8_t AbortRequest = 0;
    static inline volatile uint8_t TreeRequest = 0;
    static inline volatile uint8_t GotoRequest = 0;
    static inline volatile uint8_t CloseRequest = 0;
    static inline volatile uint8_t DoubleClickRequest = 0;
    static inline volatile uint8_t SelectRequest = 0;
    static inline volatile uint8_t RefreshRequest = 0;
};

// Run by the loader when it stops: carries out the requests recorded while it
// ran, in the order tree, goto, double click, close. A recorded close posts
// WM_CLOSE, which now destroys the window (the loader no longer runs).
void ThumbnailLoaderFinished(HWND mainWindow);
