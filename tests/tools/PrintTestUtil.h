// Shared by the printing tests: the test printer set up once per run, pages
// read back as pictures, and colour checks with a tolerance.
#pragma once
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cstdlib>
#include <set>
#include <string>

#include "TestPrinter.h"
#include "app/AppWindowTest.h"
#include "formats/Formats.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace printtest {

// Colour of a picture's pixel, x from the left, y from the top.
inline COLORREF PixelAt(CImage& picture, int x, int y) {
    GdiFlush();
    return GetPixel(picture.memoryDC, x, y);
}

inline bool Near(COLORREF a, COLORREF b, int tolerance = 40) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

inline bool LoadPicture(CImage& picture, const std::wstring& path) {
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    FormatId id = 0;
    return LoadMediaFile(picture, path.c_str(), error, &id);
}

// The bounding box of the non-white pixels of a page picture.
inline RECT InkBox(CImage& page) {
    RECT box = {INT_MAX, INT_MAX, -1, -1};
    for (int y = 0; y < (int)page.GetHeight(); ++y)
        for (int x = 0; x < (int)page.GetWidth(); ++x)
            if (!Near(PixelAt(page, x, y), RGB(255, 255, 255), 30)) {
                if (x < box.left) box.left = x;
                if (y < box.top) box.top = y;
                if (x > box.right) box.right = x;
                if (y > box.bottom) box.bottom = y;
            }
    return box;
}

// The printer's page in the 100-dpi pictures: the printable area starts
// (18 pt, 36 pt) from the paper's corner, and a printer pixel is a third.
constexpr int kPageLeft = 25, kPageTop = 50;
inline int ToPicture(int printerPixels) { return printerPixels / 3; }

// Every dialog that shows is answered with `answer` (IDOK or IDCANCEL) and counted.
struct DialogAnswerer {
    static inline int answer = IDOK;
    static inline std::set<HWND> seen;
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = apptest::VisibleDialog();
        if (!dialog) return;
        seen.insert(dialog);
        PostMessageW(dialog, WM_COMMAND, answer, 0);
    }
    explicit DialogAnswerer(int reply) {
        answer = reply;
        seen.clear();
        timer = SetTimer(nullptr, 0, 100, Tick);
    }
    ~DialogAnswerer() { KillTimer(nullptr, timer); }
    UINT_PTR timer;
};

}  // namespace printtest
