// Presentation mode's cursor watch: the cursor hides itself after a while
// without movement and shows again when the mouse moves. The mode switch
// itself (TogglePresentationMode) and the timer (OnCursorHideTimer) are
// declared with the view (app/View.h).
#pragma once
#include <windows.h>

// Time without movement after which the cursor is hidden.
inline constexpr DWORD kCursorHideDelayMs = 3000;
// Period of TIMER_CURSOR_HIDE while presentation mode is on.
inline constexpr UINT kCursorTimerPeriodMs = 100;

// What the cursor watch knows between two timer calls.
struct CursorWatch {
    bool started = false;  // the first call starts the clock
    POINT last = {};       // cursor position at the previous call
    DWORD lastMove = 0;    // tick of the last movement seen while the cursor was shown
};

enum CursorWatchAction { CURSOR_KEEP, CURSOR_HIDE, CURSOR_SHOW };

// One timer call with the cursor at position at tick now. A shown cursor is
// hidden when it has not moved for more than kCursorHideDelayMs; a hidden one
// is shown as soon as it moves. Showing does not restart the clock, so a
// cursor shown by one small movement hides again at the next call unless the
// mouse moved again. The tick may wrap around.
CursorWatchAction StepCursorWatch(CursorWatch& watch, bool shown, POINT position, DWORD now);

// Where OnCursorHideTimer reads the cursor position and the tick count
// (GetCursorPos and GetTickCount unless a test installs its own source).
struct CursorSample {
    POINT position;
    DWORD tick;
};
using CursorSampleSource = CursorSample (*)();
// Installs source (null: the system's); returns the previous one.
CursorSampleSource SetCursorSampleSource(CursorSampleSource source);
