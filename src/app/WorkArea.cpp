// The monitor's work area and keeping a window rectangle inside it. A file of
// its own: the browser frame uses these too, without pulling in the viewer.
#include <algorithm>

#include "app/View.h"

RECT KeepInsideWorkArea(const RECT& window, const RECT& work) {
    if (work.right <= work.left || work.bottom <= work.top) return window;
    const int width = std::min((int)(window.right - window.left), (int)(work.right - work.left));
    const int height = std::min((int)(window.bottom - window.top), (int)(work.bottom - work.top));
    const int left = std::clamp((int)window.left, (int)work.left, (int)work.right - width);
    const int top = std::clamp((int)window.top, (int)work.top, (int)work.bottom - height);
    return {left, top, left + width, top + height};
}

RECT GetWorkAreaOf(HWND window) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    if (monitor && GetMonitorInfoW(monitor, &info)) return info.rcWork;
    RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}
