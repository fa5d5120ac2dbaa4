#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "image/ImageTestUtil.h"
#include "image/Resample.h"

using namespace imgtest;

// The scaler drawing into a window: kept with the shell's tests, the core's
// test programs create no window.
// A textured picture drawn smaller lands the same in a memory DC (the open
// dialog's preview) as in a window, and is the exact box average of the
// picture within the scaler's truncation. Flat pictures would hide samples
// taken from the wrong place; every pixel here differs from its neighbours.
TEST(DrawImageScaled, TexturedShrinkIsTheBoxAverageInMemoryAndWindow) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QrvTestScaledDraw";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 140,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    const struct {
        int sw, sh, w, h;
    } rows[] = {
        {300, 200, 184, 123}, {375, 250, 184, 123}, {640, 480, 164, 123}, {1000, 180, 184, 33},
        {150, 400, 46, 123},  {368, 246, 184, 123}, {97, 61, 40, 30},     {500, 500, 123, 123},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.sw) + "x" + std::to_string(r.sh) + " -> " + std::to_string(r.w) + "x" +
                     std::to_string(r.h));
        CImage im;
        ASSERT_TRUE(MakePattern(im, r.sw, r.sh, 24));
        CImage memory, shown;
        ASSERT_TRUE(memory.CreateEmpty(r.w, r.h, 24, RGB(1, 2, 3), nullptr));
        ASSERT_TRUE(shown.CreateEmpty(r.w, r.h, 24, RGB(1, 2, 3), nullptr));
        DrawImageScaled(im, memory.memoryDC, 0, 0, r.w, r.h, 0);
        HDC dc = GetDC(window);
        DrawImageScaled(im, dc, 0, 0, r.w, r.h, 0);
        BitBlt(shown.memoryDC, 0, 0, r.w, r.h, dc, 0, 0, SRCCOPY);
        ReleaseDC(window, dc);
        GdiFlush();
        int differing = 0, offBox = 0;
        for (int y = 0; y < r.h; ++y)
            for (int x = 0; x < r.w; ++x) {
                differing += Rgb24(memory, x, y) != Rgb24(shown, x, y);
                const uint8_t* p = Row(memory, y) + x * 3;
                for (int c = 0; c < 3; ++c)
                    if (std::abs(p[c] - BoxFiltered(im, r.w, r.h, x, y, c)) > 3) {
                        ++offBox;
                        break;
                    }
            }
        EXPECT_EQ(differing, 0);
        EXPECT_EQ(offBox, 0);
    }
    DestroyWindow(window);
}
