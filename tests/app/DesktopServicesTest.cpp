// The wallpaper written from the viewer's picture and the registry values that
// go with it, the power function, and the reduced copy drawn on a display of
// few colours while the picture itself stays as it was loaded.
#include <gtest/gtest.h>

#include <windows.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "OffscreenPixel.h"
#include "app/AlphaView.h"
#include "app/DesktopServices.h"
#include "app/DisplayDepth.h"
#include "app/MediaDocument.h"
#include "app/View.h"
#include "formats/FormatCodecs.h"

namespace {

TEST(IntPower, RepeatedSquaringAndReciprocals) {
    struct Case {
        double x;
        int n;
        double expected;
    };
    const Case cases[] = {
        {2.0, -3, 0.125}, {2.0, 10, 1024.0}, {3.0, 0, 1.0},       {-2.0, 3, -8.0},         {-2.0, 4, 16.0},
        {0.5, -2, 4.0},   {10.0, -1, 0.1},   {1.0, INT_MIN, 1.0}, {2.0, 31, 2147483648.0}, {1.5, 1, 1.5},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(IntPower(c.x, c.n), c.expected) << c.x << "^" << c.n;
    EXPECT_TRUE(std::isinf(IntPower(0.0, -1)));
}

// A picture whose every pixel differs, so a lost, swapped or dithered pixel shows.
void MakeTestPicture(CImage& image, int width, int height, int bpp) {
    ASSERT_TRUE(image.CreateEmpty(width, height, bpp, RGB(0, 0, 0), nullptr));
    const int step = bpp / 8;
    for (int y = 0; y < height; ++y) {
        uint8_t* p = image.ScanLine(y);
        for (int x = 0; x < width; ++x, p += step) {
            p[0] = (uint8_t)(x * 37 + y * 11 + 3);
            p[1] = (uint8_t)(x * 13 + y * 29 + 7);
            p[2] = (uint8_t)(x * 5 + y * 53 + 1);
            if (step == 4) p[3] = (uint8_t)(x * 17 + y);
        }
    }
}

// The blue, green and red bytes of every pixel (the rows' bytes below 24
// bits per pixel), rows top-down.
std::vector<uint8_t> Pixels(CImage& image) {
    std::vector<uint8_t> out;
    GdiFlush();
    const int bpp = image.GetBpp();
    for (uint32_t y = 0; y < image.GetHeight(); ++y) {
        const uint8_t* p = image.ScanLine(image.GetHeight() - 1 - y);  // stored bottom-up
        if (bpp < 24) {
            out.insert(out.end(), p, p + (image.GetWidth() * bpp + 7) / 8);
            continue;
        }
        for (uint32_t x = 0; x < image.GetWidth(); ++x, p += bpp / 8) out.insert(out.end(), p, p + 3);
    }
    return out;
}

// The same bytes of a file as ImageMagick reads it (blue, green, red per pixel).
std::vector<uint8_t> PixelsReadByImageMagick(const std::wstring& file, const qrvtest::TempDir& dir) {
    const std::wstring raw = dir.File(L"read-back.bgr");
    const std::string cmd =
        "/usr/bin/convert '" + qrvtest::HostPath(file) + "' -depth 8 'bgr:" + qrvtest::HostPath(raw) + "'";
    EXPECT_EQ(qrvtest::RunHost(cmd), 0) << cmd;
    return qrvtest::ReadAll(raw);
}

std::wstring QueryDesktopValue(const wchar_t* name, DWORD* type, DWORD* bytes) {
    wchar_t value[16] = {};
    *bytes = sizeof(value);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_READ, &key) != ERROR_SUCCESS) return L"?";
    const LONG result = RegQueryValueExW(key, name, nullptr, type, reinterpret_cast<BYTE*>(value), bytes);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::wstring(value, *bytes / sizeof(wchar_t)) : L"?";
}

std::wstring DesktopWallpaper() {
    wchar_t path[MAX_PATH] = {};
    SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0);
    return path;
}

class Wallpaper : public apptest::ShellWindowFixture {
protected:
    void TearDown() override {
        SetWallpaper(3);
        AppState::CurrentImage.Destroy();
        apptest::ShellWindowFixture::TearDown();
    }
    qrvtest::TempDir dir;
};

TEST_F(Wallpaper, EachStyleWritesItsTwoValuesAndAPictureImageMagickReads) {
    MakeTestPicture(AppState::CurrentImage, 7, 5, 24);
    const std::vector<uint8_t> expected = Pixels(AppState::CurrentImage);
    wchar_t file[MAX_PATH];
    ASSERT_TRUE(WallpaperFilePath(file, MAX_PATH));
    EXPECT_NE(wcsstr(file, L"\\Quorvane\\Quorvane Wallpaper.bmp"), nullptr);

    struct Case {
        int style;
        const wchar_t* wallpaperStyle;
        const wchar_t* tileWallpaper;
    };
    const Case cases[] = {{1, L"1", L"1"}, {2, L"2", L"0"}, {0, L"0", L"0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        DeleteFileW(file);
        ASSERT_TRUE(SetWallpaper(c.style));
        DWORD type = 0, bytes = 0;
        EXPECT_EQ(QueryDesktopValue(L"WallpaperStyle", &type, &bytes), c.wallpaperStyle);
        EXPECT_EQ(type, (DWORD)REG_SZ);
        EXPECT_EQ(bytes, 2u);
        EXPECT_EQ(QueryDesktopValue(L"TileWallpaper", &type, &bytes), c.tileWallpaper);
        EXPECT_EQ(bytes, 2u);
        EXPECT_EQ(lstrcmpiW(DesktopWallpaper().c_str(), file), 0);
        EXPECT_EQ(PixelsReadByImageMagick(file, dir), expected);
    }

    // Delete takes the file away and leaves the desktop without a wallpaper.
    EXPECT_TRUE(SetWallpaper(3));
    EXPECT_FALSE(qrvtest::FileExists(file));
    EXPECT_EQ(DesktopWallpaper(), L"");
}

TEST_F(Wallpaper, AnAlphaViewIsNeverWrittenButThePictureItShows) {
    MakeTestPicture(AppState::CurrentImage, 6, 4, 32);
    const std::vector<uint8_t> picture = Pixels(AppState::CurrentImage);
    AppState::ChannelView = CHANNEL_ALPHA_AS_IMAGE;
    ASSERT_TRUE(ApplyAlphaView(CHANNEL_ALPHA_AS_IMAGE));
    ASSERT_NE(Pixels(AppState::CurrentImage), picture);  // the grey of the alpha is shown

    ASSERT_TRUE(SetWallpaper(2));
    wchar_t file[MAX_PATH];
    ASSERT_TRUE(WallpaperFilePath(file, MAX_PATH));
    EXPECT_EQ(PixelsReadByImageMagick(file, dir), picture);
    EXPECT_EQ(AppState::ChannelView, CHANNEL_ALPHA_AS_IMAGE);  // the view stays on show
    EXPECT_NE(Pixels(AppState::CurrentImage), picture);
}

TEST_F(Wallpaper, APictureThatCannotBeWrittenIsReportedAndNotCountedAsDone) {
    wchar_t file[MAX_PATH];
    ASSERT_TRUE(WallpaperFilePath(file, MAX_PATH));
    AppState::CurrentImage.Destroy();
    qrvtest::MessageCapture capture;
    EXPECT_FALSE(SetWallpaper(1));
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], std::wstring(L"Failed to update Wallpaperimage at: ") + file);
}

// ---- Display depth

class DisplayDepth : public apptest::ShellWindowFixture {
protected:
    void TearDown() override {
        DiscardDisplayCopy();
        CloseCurrentMedia();
        apptest::ShellWindowFixture::TearDown();
    }
    qrvtest::TempDir dir;
};

TEST_F(DisplayDepth, ACopyIsMadeOnlyForADisplayOfFewerBitsUpTo16) {
    struct Case {
        int display;
        int image;
        int drawnBpp;  // 0: the picture itself is drawn
    };
    const Case cases[] = {
        {32, 24, 0}, {24, 24, 0}, {24, 32, 0}, {16, 24, 24}, {15, 32, 32}, {8, 24, 8},
        {4, 24, 4},  {16, 16, 0}, {16, 8, 0},  {8, 8, 0},    {1, 24, 0},   {2, 24, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.display) + " bit display, " + std::to_string(c.image) + " bit image");
        MakeTestPicture(AppState::CurrentImage, 40, 20, 24);
        if (c.image != 24) { ASSERT_TRUE(AppState::CurrentImage.ConvertDepth(c.image)); }
        const std::vector<uint8_t> before = Pixels(AppState::CurrentImage);
        EXPECT_EQ(MatchImageToDisplayDepth(c.display), c.drawnBpp != 0);
        CImage& drawn = ImageToDraw();
        EXPECT_EQ(&drawn == &AppState::CurrentImage, c.drawnBpp == 0);
        if (c.drawnBpp) {
            EXPECT_EQ(drawn.GetBpp(), c.drawnBpp);
            EXPECT_EQ(drawn.GetWidth(), 40u);
            EXPECT_EQ(drawn.GetHeight(), 20u);
            EXPECT_NE(Pixels(drawn), before);  // reduced
        }
        // The picture itself is never touched.
        EXPECT_EQ(AppState::CurrentImage.GetBpp(), c.image);
        EXPECT_EQ(Pixels(AppState::CurrentImage), before);
    }
}

// Paints the viewer image at zoom 1 into a 32-bit bitmap and gives back the
// colour of pixel (x, y).
COLORREF PaintedPixel(HWND window, int x, int y) {
    const CImage& image = AppState::CurrentImage;
    return apptest::OffscreenPixel(window, 200, 200, x, y, [&](HDC dc) {
        DrawViewImage((int)image.GetWidth(), window, dc, 0, 0, (int)image.GetHeight());
    });
}

// The colour of pixel (x, y), counted from the top.
COLORREF PixelOf(CImage& image, int x, int y) {
    GdiFlush();
    const uint8_t* p = image.ScanLine(image.GetHeight() - 1 - y) + x * (image.GetBpp() / 8);
    return RGB(p[2], p[1], p[0]);
}

// The first pixel whose dithered colour differs from the picture's.
bool FindReducedPixel(CImage& picture, CImage& copy, int& x, int& y) {
    for (y = 0; y < (int)picture.GetHeight(); ++y)
        for (x = 0; x < (int)picture.GetWidth(); ++x)
            if (PixelOf(picture, x, y) != PixelOf(copy, x, y)) return true;
    return false;
}

TEST_F(DisplayDepth, At16BitsTheScreenShowsTheCopyAndASaveWritesTheOriginal) {
    CImage original;
    MakeTestPicture(original, 30, 20, 24);
    const std::wstring file = dir.File(L"picture.bmp"), saved = dir.File(L"saved.bmp");
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveBmp(file.c_str(), original, error));
    OpenMediaFile(file.c_str());
    ASSERT_EQ(AppState::DocumentKind, DOC_FILE);
    AppState::Zoom = 1.0f;

    ASSERT_TRUE(MatchImageToDisplayDepth(16));
    CImage& copy = ImageToDraw();
    ASSERT_NE(&copy, &AppState::CurrentImage);
    int x = 0, y = 0;
    ASSERT_TRUE(FindReducedPixel(AppState::CurrentImage, copy, x, y));
    EXPECT_EQ(PaintedPixel(window, x, y), PixelOf(copy, x, y));

    ASSERT_TRUE(SaveBmp(saved.c_str(), AppState::CurrentImage, error));
    EXPECT_EQ(PixelsReadByImageMagick(saved, dir), Pixels(original));
    EXPECT_EQ(Pixels(AppState::CurrentImage), Pixels(original));
}

TEST_F(DisplayDepth, TheCopyIsDroppedForGoodAtTheFirstChangeOfThePicture) {
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const std::vector<Case> cases = {
        {"an edit",
         [] {
             SaveUndoSnapshot();
             AppState::CurrentImage.Invert();
         }},
        {"a flip that keeps every colour", [] { AppState::CurrentImage.Mirror(); }},
        {"an undo", [] { UndoSnapshot.Restore(); }},
        {"a channel view", [] { AppState::ChannelView = CHANNEL_RED; }},
        {"a frame drawn into the picture",
         [] {
             GdiFlush();
             AppState::CurrentImage.ScanLine(3)[5] ^= 0x80;
         }},
        {"a new picture of the same size", [] { MakeTestPicture(AppState::CurrentImage, 30, 20, 24); }},
        {"a closed document", [] { AppState::CurrentImage.Destroy(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppState::ChannelView = CHANNEL_ALL;
        // The undo store holds the picture before an edit; the copy is made of the edited one.
        MakeTestPicture(AppState::CurrentImage, 30, 20, 24);
        SaveUndoSnapshot();
        ASSERT_TRUE(AppState::CurrentImage.Invert());
        ASSERT_TRUE(MatchImageToDisplayDepth(16));
        ASSERT_NE(&ImageToDraw(), &AppState::CurrentImage);
        ASSERT_NE(&ImageToDraw(), &AppState::CurrentImage);  // looking does not drop it
        c.change();
        EXPECT_EQ(&ImageToDraw(), &AppState::CurrentImage);
        // Once dropped it stays dropped, also when the picture is turned back.
        if (c.name == std::string("a flip that keeps every colour")) {
            AppState::CurrentImage.Mirror();
            EXPECT_EQ(&ImageToDraw(), &AppState::CurrentImage);
        }
        UndoSnapshot.Discard();
        RedoSnapshot.Discard();
    }
    AppState::ChannelView = CHANNEL_ALL;
}

}  // namespace
