// What a window draws into a bitmap of the screen's format, read back pixel by pixel.
#pragma once
#include <windows.h>

#include <functional>

namespace apptest {

// Runs draw on a memory DC holding a black width x height bitmap compatible
// with window's screen, then gives back the colour at (x, y).
inline COLORREF OffscreenPixel(HWND window, int width, int height, int x, int y, const std::function<void(HDC)>& draw) {
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
    draw(memory);
    const COLORREF colour = GetPixel(memory, x, y);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return colour;
}

}  // namespace apptest
