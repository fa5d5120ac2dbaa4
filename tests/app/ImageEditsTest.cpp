// Edits that change the picture's size or replace it, and the clipboard: the
// arithmetic as functions, then the edits on a picture opened in the real
// main window (which owns the clipboard).
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandState.h"
#include "app/ImageEdits.h"
#include "app/ImageSnapshot.h"
#include "app/MainWindow.h"
#include "app/MediaDocument.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/ImageTestUtil.h"
#include "image/Resample.h"
#include "support/TestSupport.h"

using namespace imgtest;

namespace {

constexpr wchar_t kNoMemory[] = L"Insufficient Memory! Canceling Operation.";

bool SameRect(const ImageRegion& r, int x, int y, int w, int h) {
    return r.x == x && r.y == y && r.width == w && r.height == h;
}

}  // namespace

// ---- Arithmetic ----

TEST(ImageEditArithmetic, SelectionInImagePixels) {
    const POINT origin = {10, 20};
    struct Case {
        RECT selection;
        float zoom;
        ImageRegion expected;
    } cases[] = {
        {{30, 40, 50, 60}, 2.0f, {10, 10, 10, 10}},  // zoomed in, drawn at an offset
        {{50, 60, 30, 40}, 2.0f, {10, 10, 10, 10}},  // corners given the other way round
        {{11, 21, 13, 23}, 1.0f, {1, 1, 2, 2}},      // zoom 1
        {{0, 0, 1000, 1000}, 1.0f, {0, 0, 40, 30}},  // clipped to the picture
        {{500, 500, 600, 600}, 1.0f, {0, 0, 0, 0}},  // outside it: empty
        {{10, 20, 19, 29}, 4.0f, {0, 0, 2, 2}},      // trunc(19/4) - trunc(10/4) = 4 - 2
    };
    for (const Case& c : cases) {
        const ImageRegion r = SelectionToImageRegion(c.selection, c.zoom, origin, 40, 30);
        EXPECT_TRUE(SameRect(r, c.expected.x, c.expected.y, c.expected.width, c.expected.height))
            << c.selection.left << "," << c.selection.top << " zoom " << c.zoom << " -> " << r.x << "," << r.y << " "
            << r.width << "x" << r.height;
    }
}

TEST(ImageEditArithmetic, KeepAspectAndFilterOfStoredScaleType) {
    EXPECT_EQ(KeepAspectOtherSide(200, 400, 300), 150);  // width typed on 400 x 300
    EXPECT_EQ(KeepAspectOtherSide(10, 7, 3), 4);         // height typed on 3 x 7
    EXPECT_EQ(KeepAspectOtherSide(10, 0, 3), 0);         // no picture: no division by 0
    EXPECT_EQ(KeepAspectOtherSide(1e12, 1, 3), 0);       // beyond an int
    // Stored value (combo index + 1) -> filter; "Bresenham" stores 2, nothing selected stores 0.
    const int filters[][2] = {{0, 1}, {1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, 4}, {6, 1}, {-1, 1}};
    for (const auto& f : filters) EXPECT_EQ(ResizeFilterOfScaleType((uint32_t)f[0]), f[1]) << f[0];
}

TEST(ImageEditArithmetic, ResizeSizesAreComputedIn64Bits) {
    EXPECT_TRUE(ResizeSizeFits(1, 1));
    EXPECT_TRUE(ResizeSizeFits(8000, 8000));
    EXPECT_FALSE(ResizeSizeFits(70000, 70000));  // 14.7 GB: wraps in 32 bits
    EXPECT_FALSE(ResizeSizeFits(0x80000000ull, 1));
    EXPECT_FALSE(ResizeSizeFits(1, 0x100000001ull));
    EXPECT_FALSE(ResizeSizeFits(0, 5));
}

// The nine anchors on a larger canvas and on a smaller one, with odd
// differences: centring leaves the extra pixel at the right or bottom.
TEST(ImageEditArithmetic, CanvasAnchors) {
    struct Case {
        int anchor;
        POINT grow, shrink;  // 13 x 11 canvas for 10 x 8, and 10 x 8 canvas for 13 x 11
    } cases[] = {
        {0, {0, 0}, {0, 0}},   {1, {1, 0}, {-1, 0}},  {2, {3, 0}, {-3, 0}}, {3, {0, 1}, {0, -1}},
        {4, {1, 1}, {-1, -1}}, {5, {3, 1}, {-3, -1}}, {6, {0, 3}, {0, -3}}, {7, {1, 3}, {-1, -3}},
        {8, {3, 3}, {-3, -3}}, {9, {0, 0}, {0, 0}},   {-1, {0, 0}, {0, 0}},
    };
    // An odd canvas and an even picture (and the other way round) centre the
    // same way: the odd pixel at the right and bottom.
    const POINT even = CanvasAnchorPosition(4, 12, 9, 9, 12);
    EXPECT_EQ(even.x, 1);
    EXPECT_EQ(even.y, -1);
    const POINT odd = CanvasAnchorPosition(4, 297, 195, 300, 200);
    EXPECT_EQ(odd.x, -1);
    EXPECT_EQ(odd.y, -2);
    for (const Case& c : cases) {
        const POINT grow = CanvasAnchorPosition(c.anchor, 13, 11, 10, 8);
        EXPECT_EQ(grow.x, c.grow.x) << c.anchor;
        EXPECT_EQ(grow.y, c.grow.y) << c.anchor;
        const POINT shrink = CanvasAnchorPosition(c.anchor, 10, 8, 13, 11);
        EXPECT_EQ(shrink.x, c.shrink.x) << c.anchor;
        EXPECT_EQ(shrink.y, c.shrink.y) << c.anchor;
    }
}

TEST(ImageEditArithmetic, AdjustPreviewKeepsAtLeastOnePixel) {
    const struct {
        int w, h;
        LONG pw, ph;
    } cases[] = {{400, 300, 418, 313}, {836, 314, 418, 157}, {100000, 10, 418, 1},
                 {10, 100000, 1, 314}, {1, 1, 314, 314},     {0, 5, 0, 0}};
    for (const auto& c : cases) {
        const SIZE s = AdjustPreviewSize(c.w, c.h);
        EXPECT_EQ(s.cx, c.pw) << c.w << "x" << c.h;
        EXPECT_EQ(s.cy, c.ph) << c.w << "x" << c.h;
    }
}

TEST(ImageEditArithmetic, NewImageDepthsAndPalette) {
    const int depths[] = {1, 4, 8, 16, 24, 32};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(NewImageDepthOfIndex(i), depths[i]);
    EXPECT_EQ(NewImageDepthOfIndex(-1), 0);
    EXPECT_EQ(NewImageDepthOfIndex(6), 0);

    uint8_t palette[768];
    MakeNewImagePalette(palette, 1);
    const uint8_t blackWhite[6] = {0, 0, 0, 255, 255, 255};
    EXPECT_EQ(std::vector<uint8_t>(palette, palette + 6), std::vector<uint8_t>(blackWhite, blackWhite + 6));
    // Only the first 256 bytes are random; the rest stays black.
    std::srand(7);
    MakeNewImagePalette(palette, 8);
    EXPECT_EQ(std::vector<uint8_t>(palette + 256, palette + 768), std::vector<uint8_t>(512, 0));
    int distinct = 0;
    for (int i = 1; i < 256; ++i) distinct += palette[i] != palette[0];
    EXPECT_GT(distinct, 200);
}

TEST(ImageEditArithmetic, BlendImageOntoMatchesTheComputedBlend) {
    CImage destination, source;
    ASSERT_TRUE(MakePattern(destination, 12, 9, 24));
    ASSERT_TRUE(source.CreateEmpty(5, 4, 32, 0, nullptr));
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 5; ++x) {
            const uint8_t alpha = (uint8_t)(x * 60 + y * 5);  // 0 .. 255
            SetPx(source, x, y, (uint32_t)alpha << 24 | (uint32_t)(x * 50) << 16 | (uint32_t)(y * 70) << 8 | 200);
        }
    CImage before;
    ASSERT_TRUE(before.Copy(destination));
    ASSERT_TRUE(BlendImageOnto(destination, source, 3, 2, 128));
    for (uint32_t y = 0; y < 9; ++y)
        for (uint32_t x = 0; x < 12; ++x) {
            const uint32_t old = Px(before, x, y), now = Px(destination, x, y);
            const bool inside = x >= 3 && x < 8 && y >= 2 && y < 6;
            if (!inside) {
                EXPECT_EQ(now, old) << x << "," << y;
                continue;
            }
            const uint32_t s = Px(source, x - 3, y - 2);
            const int a = (int)(s >> 24);
            for (int c = 0; c < 3; ++c) {
                const int premultiplied = (int)((s >> (8 * c)) & 255) * a / 255;
                const int d = (int)((old >> (8 * c)) & 255);
                const double expected = premultiplied * 128 / 255.0 + d * (1.0 - a * 128 / 255.0 / 255.0);
                EXPECT_NEAR((int)((now >> (8 * c)) & 255), expected, 1.01) << x << "," << y << " byte " << c;
            }
        }
    // Only a 32-bit source is stamped.
    CImage flat;
    ASSERT_TRUE(MakePattern(flat, 3, 3, 24));
    EXPECT_FALSE(BlendImageOnto(destination, flat, 0, 0, 255));
}

// ---- On the main window ----

namespace {

std::vector<std::wstring> g_questions;
int RecordQuestions(const wchar_t* text, const wchar_t*, UINT type, bool) {
    g_questions.push_back(((type & MB_TYPEMASK) == MB_YESNO ? L"?" : L"!") + std::wstring(text));
    return IDNO;
}

class ImageEditsTest : public apptest::MainWindowFixture {
protected:
    void SetUp() override {
        RegisterShellServices();
        MainWindowFixture::SetUp();
        CImage picture;
        ASSERT_TRUE(MakePattern(picture, 300, 200, 24));
        wchar_t error[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SaveImageFile(dir.File(L"a.bmp").c_str(), picture, error, SaveOptionsFromSettings()));
        SetCurrentDirectoryW(dir.Path().c_str());
        CopyStringW(AppState::CurrentFolder, dir.Path().c_str());
        BuildFileList(L"a.bmp", dir.Path().c_str());
        ASSERT_TRUE(WaitForFileScan(10000));
        OpenMediaFile(dir.File(L"a.bmp").c_str());
        qrvtest::Pump();
        ASSERT_EQ(AppState::CurrentImage.GetWidth(), 300u);
        ASSERT_EQ(AppState::Zoom, 1.0f);
        g_questions.clear();
        previousHook = SetMessageHook(RecordQuestions);
    }
    void TearDown() override {
        SetMessageHook(previousHook);
        SetRectEmpty(&AppState::Selection);
        AppState::ImageModified = 0;
        UndoSnapshot.Discard();
        RedoSnapshot.Discard();
        if (OpenClipboard(window)) {
            EmptyClipboard();
            CloseClipboard();
        }
        MainWindowFixture::TearDown();
    }
    void Command(UINT id) {
        SendMessageW(window, WM_COMMAND, id, 0);
        qrvtest::Pump();
    }
    // Selects image pixels (x, y, w, h) at the current zoom and origin.
    void SelectImagePixels(int x, int y, int w, int h) {
        const POINT o = AppState::ImageOrigin;
        const float z = AppState::Zoom;
        SetRect(&AppState::Selection, o.x + (int)(x * z), o.y + (int)(y * z), o.x + (int)((x + w) * z),
                o.y + (int)((y + h) * z));
        const ImageRegion r = SelectionToImageRegion(AppState::Selection, z, o, 300, 200);
        ASSERT_TRUE(SameRect(r, x, y, w, h)) << "origin " << o.x << "," << o.y;
    }
    static void PutBitmap(HWND owner, int w, int h, COLORREF color) {
        HDC screen = GetDC(nullptr);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
        HDC dc = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, bitmap);
        HBRUSH brush = CreateSolidBrush(color);
        const RECT all = {0, 0, w, h};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
        SelectObject(dc, old);
        DeleteDC(dc);
        ASSERT_TRUE(OpenClipboard(owner));
        EmptyClipboard();
        SetClipboardData(CF_BITMAP, bitmap);
        CloseClipboard();
    }
    // The clipboard's bitmap as a 24-bit image (invalid when there is none).
    void ClipboardImage(CImage& out) {
        ASSERT_TRUE(OpenClipboard(window));
        HBITMAP bitmap = (HBITMAP)GetClipboardData(CF_BITMAP);
        BITMAP info = {};
        if (bitmap && GetObjectW(bitmap, sizeof(info), &info) &&
            out.CreateEmpty(info.bmWidth, info.bmHeight, 24, 0, nullptr)) {
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, bitmap);
            BitBlt(out.memoryDC, 0, 0, info.bmWidth, info.bmHeight, dc, 0, 0, SRCCOPY);
            SelectObject(dc, old);
            DeleteDC(dc);
            GdiFlush();
        }
        CloseClipboard();
    }
    std::wstring StatusText() {
        wchar_t text[kStatusTextChars] = {};
        const LRESULT length = SendMessageW(StatusBar.window, SB_GETTEXTLENGTHW, 0, 0);
        if (LOWORD(length) < kStatusTextChars) SendMessageW(StatusBar.window, SB_GETTEXTW, 0, (LPARAM)text);
        return text;
    }
    qrvtest::TempDir dir;
    MessageHook previousHook = nullptr;
};

// Pixels (x, y, w, h) of an image equal those of another at (sx, sy).
void ExpectSameBlock(CImage& image, int x, int y, CImage& other, int sx, int sy, int w, int h) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) ASSERT_EQ(Px(image, x + i, y + j), Px(other, sx + i, sy + j)) << i << "," << j;
}

}  // namespace

// A rotation changes the size and the status bar shows it; a flip keeps both.
TEST_F(ImageEditsTest, RotationShowsTheNewSizeInTheStatusBar) {
    ASSERT_NE(StatusText().find(L"300x200x24"), std::wstring::npos) << qrvtest::Narrow(StatusText());
    Command(40005);
    EXPECT_NE(StatusText().find(L"300x200x24"), std::wstring::npos) << qrvtest::Narrow(StatusText());
    Command(40012);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 200u);
    EXPECT_EQ(AppState::CurrentImage.GetHeight(), 300u);
    EXPECT_NE(StatusText().find(L"200x300x24"), std::wstring::npos) << qrvtest::Narrow(StatusText());
}

// A conversion that cannot be made says so, keeps the picture and leaves its
// undo snapshot.
TEST_F(ImageEditsTest, FailedDepthConversionReportsAndKeepsItsSnapshot) {
    uint8_t palette[768] = {};
    palette[3] = palette[4] = palette[5] = 255;
    // 1 bit: 33 MB; as 32 bits it would need more than an image may hold.
    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(16384, 16400, 1, RGB(255, 255, 255), palette));
    UndoSnapshot.Discard();
    Command(40121);
    ASSERT_EQ(g_questions.size(), 1u);
    EXPECT_EQ(g_questions[0], std::wstring(L"!") + kNoMemory);
    EXPECT_EQ(AppState::CurrentImage.GetBpp(), 1);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 16384u);
    EXPECT_TRUE(UndoSnapshot.IsValid());
}

// Copy puts a bitmap of the selection's size and content; cut blackens it and
// one Undo brings it back.
TEST_F(ImageEditsTest, CopyAndCutTheSelection) {
    CImage original;
    ASSERT_TRUE(original.Copy(AppState::CurrentImage));
    SelectImagePixels(20, 30, 17, 11);
    Command(40053);
    CImage copied;
    ClipboardImage(copied);
    ASSERT_TRUE(copied.IsValid());
    EXPECT_EQ(copied.GetWidth(), 17u);
    EXPECT_EQ(copied.GetHeight(), 11u);
    ExpectSameBlock(copied, 0, 0, original, 20, 30, 17, 11);
    EXPECT_FALSE(UndoSnapshot.IsValid());  // a copy changes nothing

    Command(40052);
    CImage& image = AppState::CurrentImage;
    for (int y = 30; y < 41; ++y)
        for (int x = 20; x < 37; ++x) ASSERT_EQ(Px(image, x, y), 0u) << x << "," << y;
    EXPECT_EQ(Px(image, 19, 30), Px(original, 19, 30));
    EXPECT_EQ(Px(image, 37, 40), Px(original, 37, 40));
    EXPECT_EQ(AppState::ImageModified, 1);
    Command(40079);
    EXPECT_EQ(Snapshot(image), Snapshot(original));
}

// A cut of the whole picture (no selection) can be undone too.
TEST_F(ImageEditsTest, CutWithoutSelectionCanBeUndone) {
    CImage original;
    ASSERT_TRUE(original.Copy(AppState::CurrentImage));
    ASSERT_TRUE(CopySelectionToClipboard(true, false));
    EXPECT_EQ(Px(AppState::CurrentImage, 299, 199), 0u);
    ASSERT_TRUE(UndoSnapshot.IsValid());
    Command(40079);
    EXPECT_EQ(Snapshot(AppState::CurrentImage), Snapshot(original));
}

// Without a selection the clipboard's bitmap becomes a new 24-bit picture,
// after the question when the picture was modified.
TEST_F(ImageEditsTest, PasteWithoutSelectionReplacesAfterAsking) {
    Command(40024);  // 1 bit, modified
    ASSERT_EQ(AppState::CurrentImage.GetBpp(), 1);
    g_questions.clear();
    PutBitmap(window, 23, 19, RGB(10, 200, 30));
    Command(40054);
    ASSERT_EQ(g_questions.size(), 1u);
    EXPECT_EQ(g_questions[0][0], L'?');
    CImage& image = AppState::CurrentImage;
    EXPECT_EQ(image.GetBpp(), 24);
    EXPECT_EQ(image.GetWidth(), 23u);
    EXPECT_EQ(image.GetHeight(), 19u);
    EXPECT_EQ(Rgb24(image, 22, 18), 0x0AC81Eu);
    EXPECT_EQ(AppState::DocumentKind, DOC_NEW_IMAGE);
    EXPECT_EQ(AppState::CurrentFormatId, 0);
    EXPECT_STREQ(AppState::CurrentFile, L"Clipboard.png");
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_NE(std::wstring(title).find(L"Clipboard.png"), std::wstring::npos);
    EXPECT_FALSE(IsCommandEnabled(204));
    EXPECT_FALSE(UndoSnapshot.IsValid());
    EXPECT_EQ(AppState::Zoom, 1.0f);

    // An unmodified picture is replaced without a question.
    OpenMediaFile(dir.File(L"a.bmp").c_str());
    qrvtest::Pump();
    g_questions.clear();
    Command(40054);
    EXPECT_TRUE(g_questions.empty());
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 23u);
}

// Into a selection the bitmap is stretched over it; the picture keeps its size
// and depth, and Undo takes the paste back.
TEST_F(ImageEditsTest, PasteIntoSelectionKeepsSizeAndDepth) {
    Command(40026);  // 8 bits
    ASSERT_EQ(AppState::CurrentImage.GetBpp(), 8);
    CImage before;
    ASSERT_TRUE(before.Copy(AppState::CurrentImage));
    PutBitmap(window, 3, 2, RGB(0, 0, 0));
    SelectImagePixels(40, 50, 31, 21);
    g_questions.clear();
    Command(40054);
    EXPECT_TRUE(g_questions.empty());
    CImage& image = AppState::CurrentImage;
    EXPECT_EQ(image.GetBpp(), 8);
    EXPECT_EQ(image.GetWidth(), 300u);
    EXPECT_EQ(image.GetHeight(), 200u);
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    // The black bitmap lands as the palette's entry nearest to black.
    uint8_t palette[768];
    ASSERT_TRUE(image.GetPaletteRGB(palette));
    const auto darkness = [&palette](uint32_t i) {
        return palette[i * 3] * palette[i * 3] + palette[i * 3 + 1] * palette[i * 3 + 1] +
               palette[i * 3 + 2] * palette[i * 3 + 2];
    };
    int darkest = darkness(0);
    for (uint32_t i = 1; i < 256; ++i) darkest = std::min(darkest, darkness(i));
    const uint32_t pasted = Px(image, 40, 50);
    EXPECT_EQ(darkness(pasted), darkest);
    for (int y = 50; y < 71; ++y)
        for (int x = 40; x < 71; ++x) ASSERT_EQ(Px(image, x, y), pasted) << x << "," << y;
    EXPECT_EQ(Px(image, 39, 50), Px(before, 39, 50));
    EXPECT_EQ(Px(image, 71, 70), Px(before, 71, 70));
    Command(40079);
    EXPECT_EQ(Snapshot(image), Snapshot(before));
}

// Crop: the region is left on the clipboard and becomes "Clipboard.png",
// without a question; Undo gives the whole picture back.
TEST_F(ImageEditsTest, CropLeavesTheRegionOnTheClipboard) {
    CImage original;
    ASSERT_TRUE(original.Copy(AppState::CurrentImage));
    AppState::ToolMode = TOOL_SELECT;
    SelectImagePixels(100, 60, 45, 33);
    Command(40057);
    EXPECT_TRUE(g_questions.empty());
    CImage& image = AppState::CurrentImage;
    ASSERT_EQ(image.GetWidth(), 45u);
    ASSERT_EQ(image.GetHeight(), 33u);
    ExpectSameBlock(image, 0, 0, original, 100, 60, 45, 33);
    CImage clip;
    ClipboardImage(clip);
    ASSERT_EQ(clip.GetWidth(), 45u);
    ExpectSameBlock(clip, 0, 0, original, 100, 60, 45, 33);
    EXPECT_STREQ(AppState::CurrentFile, L"Clipboard.png");
    EXPECT_EQ(AppState::ToolMode, TOOL_SCROLL);
    EXPECT_TRUE(IsRectEmpty(&AppState::Selection));
    Command(40079);
    EXPECT_EQ(Snapshot(image), Snapshot(original));
}

// Clipboard failures: a message, and the picture as it was.
TEST_F(ImageEditsTest, PasteWithoutBitmapReportsIt) {
    ASSERT_TRUE(OpenClipboard(window));
    EmptyClipboard();
    const wchar_t text[] = L"text";
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof(text));
    memcpy(GlobalLock(memory), text, sizeof(text));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    CImage before;
    ASSERT_TRUE(before.Copy(AppState::CurrentImage));
    EXPECT_FALSE(PasteFromClipboard());
    ASSERT_EQ(g_questions.size(), 1u);
    EXPECT_EQ(g_questions[0], L"!Found no Bitmap in the Clipboard...");
    EXPECT_EQ(Snapshot(AppState::CurrentImage), Snapshot(before));
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
}

// A size beyond what an image can hold is refused before anything changes.
TEST_F(ImageEditsTest, ResizeRefusesAnImpossibleSize) {
    CImage before;
    ASSERT_TRUE(before.Copy(AppState::CurrentImage));
    EXPECT_FALSE(ResizeCurrentImage(70000, 70000));
    ASSERT_EQ(g_questions.size(), 1u);
    EXPECT_EQ(g_questions[0], std::wstring(L"!") + kNoMemory);
    EXPECT_EQ(Snapshot(AppState::CurrentImage), Snapshot(before));
    EXPECT_FALSE(UndoSnapshot.IsValid());
    EXPECT_EQ(AppState::ImageModified, 0);
}

// Resizing resamples with the stored filter into 24 bits; 0 x 0 is 1 x 1.
TEST_F(ImageEditsTest, ResizeUsesTheStoredFilter) {
    for (int stored : {2, 0, 4}) {
        OpenMediaFile(dir.File(L"a.bmp").c_str());
        Command(40026);  // 8 bits: the result is 24 bits all the same
        CImage expected;
        ASSERT_TRUE(expected.Copy(AppState::CurrentImage));
        ASSERT_TRUE(ResampleImage(expected, 77, 41, ResizeFilterOfScaleType((uint32_t)stored)));
        AppState::ResizeScaleType = stored;
        ASSERT_TRUE(ResizeCurrentImage(77, 41));
        EXPECT_EQ(AppState::CurrentImage.GetBpp(), 24);
        EXPECT_EQ(Snapshot(AppState::CurrentImage), Snapshot(expected)) << stored;
    }
    ASSERT_TRUE(ResizeCurrentImage(0, 0));
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 1u);
    EXPECT_EQ(AppState::CurrentImage.GetHeight(), 1u);
    EXPECT_EQ(AppState::CurrentImage.GetBpp(), 24);
    Command(40079);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 77u);
}

// A new image replaces a modified picture only after the question, and only
// once it exists.
TEST_F(ImageEditsTest, NewImageAsksFirstAndNeedsToExist) {
    Command(40005);  // modified
    g_questions.clear();
    ASSERT_FALSE(CreateNewImage(70000, 70000, 24, RGB(255, 255, 255)));
    ASSERT_EQ(g_questions.size(), 1u);  // nothing to ask about: no picture was made
    EXPECT_EQ(g_questions[0], L"!Failed to create image!");
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    EXPECT_NE(AppState::CurrentFormatId, 0);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 300u);

    g_questions.clear();
    ASSERT_TRUE(CreateNewImage(9, 5, 1, RGB(255, 255, 255)));
    EXPECT_EQ(g_questions.size(), 1u);
    CImage& image = AppState::CurrentImage;
    EXPECT_EQ(image.GetBpp(), 1);
    EXPECT_EQ(image.GetWidth(), 9u);
    uint8_t palette[768];
    ASSERT_TRUE(image.GetPaletteRGB(palette));
    EXPECT_EQ(palette[0] + palette[1] + palette[2], 0);
    EXPECT_EQ(palette[3] + palette[4] + palette[5], 3 * 255);
    EXPECT_EQ(Px(image, 8, 4), 1u);
    EXPECT_EQ(AppState::DocumentKind, DOC_NEW_IMAGE);
    EXPECT_EQ(AppState::CurrentFormatId, 0);
    EXPECT_STREQ(AppState::CurrentFile, L"Clipboard.png");
    EXPECT_FALSE(IsCommandEnabled(204));
}

// A canvas that cannot be made changes nothing; a smaller one centred crops
// equally, the odd pixel going at the right and bottom; a larger one is filled
// with the colour. Undo restores.
TEST_F(ImageEditsTest, CanvasCropsOrExtendsAroundTheAnchor) {
    CImage original;
    ASSERT_TRUE(original.Copy(AppState::CurrentImage));
    EXPECT_FALSE(ResizeCanvas(70000, 70000, 4, RGB(255, 0, 0)));
    ASSERT_EQ(g_questions.size(), 1u);
    EXPECT_EQ(g_questions[0], L"!Failed to create image copy!");
    EXPECT_FALSE(UndoSnapshot.IsValid());
    EXPECT_EQ(AppState::ImageModified, 0);
    EXPECT_EQ(Snapshot(AppState::CurrentImage), Snapshot(original));

    ASSERT_TRUE(ResizeCanvas(297, 195, 4, RGB(255, 0, 0)));
    CImage& image = AppState::CurrentImage;
    ASSERT_EQ(image.GetWidth(), 297u);
    ASSERT_EQ(image.GetHeight(), 195u);
    EXPECT_EQ(image.GetBpp(), 24);
    ExpectSameBlock(image, 0, 0, original, 1, 2, 297, 195);  // 1 left, 2 right; 2 top, 3 bottom
    Command(40079);
    ASSERT_EQ(Snapshot(image), Snapshot(original));

    ASSERT_TRUE(ResizeCanvas(303, 205, 8, RGB(255, 0, 0)));
    ExpectSameBlock(image, 3, 5, original, 0, 0, 300, 200);
    EXPECT_EQ(Rgb24(image, 0, 0), 0xFF0000u);
    EXPECT_EQ(Rgb24(image, 302, 4), 0xFF0000u);
    EXPECT_TRUE(UndoSnapshot.IsValid());
}
