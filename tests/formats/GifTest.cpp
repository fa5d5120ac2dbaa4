#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <string>
#include <vector>

#include "FormatTestUtil.h"
#include "PixelCheck.h"
#include "formats/LoadFlags.h"
#include "formats/Formats.h"
#include "formats/Gif.h"
#include "formats/ReaderServices.h"
#include "image/Image.h"
#include "support/TestSupport.h"

using qrvtest::Fixture;
using qrvtest::TempDir;

namespace {

constexpr COLORREF kBackground = RGB(3, 250, 7);
COLORREF TestBackground() { return kBackground; }

AnimationFrameTables g_started;
int g_startCalls = 0;
bool g_startPlay = false;
bool RecordStart(const AnimationFrameTables& tables, bool play) {
    g_started = tables;
    g_startPlay = play;
    ++g_startCalls;
    return true;
}

// Known background and a recording playback bar for the test's lifetime.
struct ViewerScope {
    BackgroundColorProvider previousBackground = SetBackgroundColorProvider(TestBackground);
    AnimationStarter previousStarter = SetAnimationStarter(RecordStart);
    ViewerScope() { g_startCalls = 0; }
    ~ViewerScope() {
        SetBackgroundColorProvider(previousBackground);
        SetAnimationStarter(previousStarter);
    }
};

bool Load(CImage& image, const std::wstring& path, std::wstring* text = nullptr) {
    return fmttest::LoadWith(LoadGif, image, path, text);
}

// RGB of frame slot k of a tall animation image, top row first.
std::vector<uint8_t> SlotRgb(CImage& image, int slot) {
    const uint32_t w = image.width, s = image.height;
    std::vector<uint8_t> out;
    GdiFlush();
    for (uint32_t y = 0; y < s; ++y) {
        const uint8_t* row = image.bits + (size_t)(slot * s + (s - 1 - y)) * image.stride;
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t r, g, b;
            if (image.bpp == 24) {
                b = row[x * 3];
                g = row[x * 3 + 1];
                r = row[x * 3 + 2];
            } else {
                const uint8_t i = image.bpp == 8   ? row[x]
                                  : image.bpp == 4 ? (x & 1 ? row[x / 2] & 15 : row[x / 2] >> 4)
                                                   : (row[x / 8] >> (7 - (x & 7))) & 1;
                r = image.palette[i][2];
                g = image.palette[i][1];
                b = image.palette[i][0];
            }
            out.insert(out.end(), {r, g, b});
        }
    }
    return out;
}

::testing::AssertionResult SlotsMatch(CImage& image, int frames, const std::wstring& reference) {
    const auto ref = qrvtest::ReadAll(reference);
    const size_t frameBytes = (size_t)image.width * image.height * 4;
    if (ref.size() != frameBytes * frames)
        return ::testing::AssertionFailure()
               << "reference has " << ref.size() << " bytes, want " << frameBytes * frames;
    for (int k = 0; k < frames; ++k) {
        const auto got = SlotRgb(image, k);
        for (size_t p = 0; p < got.size() / 3; ++p)
            for (int c = 0; c < 3; ++c)
                if (got[p * 3 + c] != ref[k * frameBytes + p * 4 + c])
                    return ::testing::AssertionFailure()
                           << "frame " << k << " pixel (" << p % image.width << "," << p / image.width << ") channel "
                           << c << ": got " << (int)got[p * 3 + c] << ", reference "
                           << (int)ref[k * frameBytes + p * 4 + c];
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(Gif, SingleFramesDecodeAsImageMagickDecodesThem) {
    ViewerScope viewer;
    struct Case {
        const char* name;
        int bpp;
    } cases[] = {{"single", 8}, {"single4", 4}, {"single1", 1}, {"offset", 8}, {"interlaced", 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CImage image;
        std::wstring text;
        const std::wstring base = L"gif_" + qrvtest::Widen(c.name);
        ASSERT_TRUE(Load(image, Fixture(base + L".gif"), &text)) << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetBpp(), c.bpp);
        EXPECT_EQ(image.GetWidth(), 61u) << "a single frame keeps its own size, offsets ignored";
        EXPECT_TRUE(pixelcheck::MatchesRgba(image, Fixture(base + L".rgba")));
        EXPECT_FALSE(image.hasTransparency);
    }
    EXPECT_EQ(g_startCalls, 0);
}

TEST(Gif, InterlacedFramesOfEverySmallHeight) {
    for (int h = 1; h <= 9; ++h) {
        SCOPED_TRACE(h);
        CImage image;
        const std::wstring base = L"gif_interlaced_h" + std::to_wstring(h);
        ASSERT_TRUE(Load(image, Fixture(base + L".gif")));
        EXPECT_TRUE(pixelcheck::MatchesRgba(image, Fixture(base + L".rgba")));
    }
}

TEST(Gif, TransparentIndexShowsTheViewBackground) {
    ViewerScope viewer;
    CImage image;
    ASSERT_TRUE(Load(image, Fixture(L"gif_transparent.gif")));
    EXPECT_TRUE(image.hasTransparency);
    EXPECT_TRUE(pixelcheck::TransparentPixelsShow(image, Fixture(L"gif_transparent.rgba"), kBackground));
}

TEST(Gif, AnimationWithGlobalTableIsOnePaletteImageOfStackedFrames) {
    ViewerScope viewer;
    const std::wstring path = Fixture(L"gif_anim_global.gif");
    EXPECT_EQ(CountGifFrames(path.c_str()), 3);
    CImage image;
    ASSERT_TRUE(Load(image, path));
    EXPECT_EQ(image.GetBpp(), 8);
    EXPECT_EQ(image.GetWidth(), 40u);
    EXPECT_EQ(image.GetHeight(), 30u) << "the height field describes one frame";
    EXPECT_TRUE(SlotsMatch(image, 3, Fixture(L"gif_anim_global.rgba")));
    ASSERT_EQ(g_startCalls, 1);
    EXPECT_TRUE(g_startPlay);
    EXPECT_EQ(g_started.kind, ANIM_KIND_GIF);
    EXPECT_EQ(g_started.frameCount, 3);
    EXPECT_EQ(g_started.FrameDelayTable[0], 7);
    EXPECT_EQ(g_started.FrameDelayTable[1], 10) << "a delay of 4 or less becomes 10";
    EXPECT_EQ(g_started.FrameDelayTable[2], 50);
    EXPECT_EQ(g_started.TransparentTable[0], -1);
}

TEST(Gif, LocalTablesMakeTheAnimationTwentyFourBits) {
    ViewerScope viewer;
    CImage image;
    ASSERT_TRUE(Load(image, Fixture(L"gif_anim_local.gif")));
    EXPECT_EQ(image.GetBpp(), 24);
    EXPECT_TRUE(SlotsMatch(image, 3, Fixture(L"gif_anim_local.rgba")));
}

// The picture of an animation is the slot its height field describes at the
// start of the pixel buffer: frame 0. GDI's row transfers (GetBits, GetLine,
// PutBits, PutLine) take and give the same rows as ScanLine, not the top band
// of the whole bitmap, which holds the last frame.
TEST(Gif, RowTransfersOfAnAnimationMeanFrameZero) {
    ViewerScope viewer;
    for (const wchar_t* name : {L"gif_anim_global", L"gif_anim_local"}) {
        SCOPED_TRACE(name[9] == L'g' ? "8-bit, global table" : "24-bit, local tables");
        CImage image;
        ASSERT_TRUE(Load(image, Fixture(std::wstring(name) + L".gif")));
        const auto ref = qrvtest::ReadAll(Fixture(std::wstring(name) + L".rgba"));
        const uint32_t w = image.GetWidth(), s = image.GetHeight();
        ASSERT_EQ(ref.size(), (size_t)w * s * 4 * 3);
        // Frame 0 of ImageMagick's decoding, stored row r (from the bottom), pixel x, channel c (blue first).
        const auto want = [&](uint32_t r, uint32_t x, int c) { return ref[((size_t)(s - 1 - r) * w + x) * 4 + 2 - c]; };
        uint8_t* all = image.GetBits(24);
        ASSERT_NE(all, nullptr);
        const uint32_t rowBytes = CImage::RowBytes(w, 24);
        int wrong = 0;
        for (uint32_t r = 0; r < s; ++r)
            for (uint32_t x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) wrong += all[r * rowBytes + x * 3 + c] != want(r, x, c);
        std::free(all);
        EXPECT_EQ(wrong, 0) << "GetBits";
        for (uint32_t r : {0u, s / 2, s - 1}) {
            uint8_t* line = image.GetLine(24, r);
            ASSERT_NE(line, nullptr);
            wrong = 0;
            for (uint32_t x = 0; x < w; ++x)
                for (int c = 0; c < 3; ++c) wrong += line[x * 3 + c] != want(r, x, c);
            std::free(line);
            EXPECT_EQ(wrong, 0) << "GetLine " << r;
        }
    }

    // Writes land in frame 0 too; the other slots keep their frames.
    CImage image;
    ASSERT_TRUE(Load(image, Fixture(L"gif_anim_local.gif")));
    ASSERT_EQ(image.GetBpp(), 24);
    const uint32_t w = image.GetWidth(), s = image.GetHeight();
    const auto before2 = SlotRgb(image, 2);
    std::vector<uint8_t> row(CImage::RowBytes(w, 24), 0);
    for (uint32_t x = 0; x < w; ++x) row[x * 3 + 1] = 200;  // green
    ASSERT_TRUE(image.PutLine(24, 1, row.data()));
    EXPECT_EQ(image.ScanLine(1)[1], 200);
    EXPECT_EQ(image.ScanLine(1)[(w - 1) * 3 + 1], 200);
    std::vector<uint8_t> rows((size_t)CImage::RowBytes(w, 24) * s, 0);
    for (size_t i = 2; i < rows.size(); i += 3) rows[i] = 100;  // red
    ASSERT_TRUE(image.PutBits(24, rows.data()));
    EXPECT_EQ(image.ScanLine(0)[2], 100);
    EXPECT_EQ(image.ScanLine(s - 1)[(w - 1) * 3 + 2], 100);
    EXPECT_TRUE(SlotRgb(image, 2) == before2) << "the last frame is left alone";

    // Blits of the whole picture draw frame 0 as well.
    CImage copy, stretched;
    ASSERT_TRUE(copy.CreateEmpty((int)w, (int)s, 24, RGB(0, 0, 0), nullptr));
    ASSERT_TRUE(stretched.CreateEmpty((int)w, (int)s, 24, RGB(0, 0, 0), nullptr));
    ASSERT_TRUE(image.BitBltTo(copy.memoryDC, 0, 0, SRCCOPY));
    ASSERT_TRUE(image.StretchTo(stretched.memoryDC, 0, 0, (int)w, (int)s, SRCCOPY));
    EXPECT_TRUE(SlotRgb(copy, 0) == SlotRgb(image, 0)) << "BitBltTo";
    EXPECT_TRUE(SlotRgb(stretched, 0) == SlotRgb(image, 0)) << "StretchTo";
}

TEST(Gif, TransparentPixelsOfLaterFramesLeaveThePreviousFrame) {
    ViewerScope viewer;
    CImage image;
    ASSERT_TRUE(Load(image, Fixture(L"gif_anim_transparent.gif")));
    EXPECT_TRUE(SlotsMatch(image, 2, Fixture(L"gif_anim_transparent.rgba")));
    EXPECT_TRUE(image.hasTransparency);
    EXPECT_EQ(image.transparentColor, kBackground);
    EXPECT_EQ(g_started.TransparentTable[0], -1);
    EXPECT_GE(g_started.TransparentTable[1], 0);
}

TEST(Gif, DisposalValuesAreStoredAsTheBarExpectsThem) {
    ViewerScope viewer;
    CImage image;
    ASSERT_TRUE(Load(image, Fixture(L"gif_anim_dispose.gif")));
    ASSERT_EQ(g_startCalls, 1);
    EXPECT_EQ(g_started.DisposalTable[0], 2);
    EXPECT_EQ(g_started.DisposalTable[1], 1) << "disposal 3 is stored as 1";
    EXPECT_EQ(g_started.DisposalTable[2], 1);
}

TEST(Gif, ThumbnailsAndPreviewsGetTheFirstFrameOnly) {
    ViewerScope viewer;
    for (int mode = 0; mode < 2; ++mode) {
        (mode ? AppState::PreviewLoad : AppState::BackgroundLoad) = 1;
        CImage image;
        const bool ok = Load(image, Fixture(L"gif_anim_global.gif"));
        AppState::PreviewLoad = AppState::BackgroundLoad = 0;
        ASSERT_TRUE(ok);
        EXPECT_EQ(image.GetWidth(), 40u);
        EXPECT_EQ(image.GetHeight(), 30u);
        const auto ref = qrvtest::ReadAll(Fixture(L"gif_anim_global.rgba"));
        const auto got = pixelcheck::ImageRgba(image);
        for (size_t i = 0; i < got.size(); i += 4) ASSERT_EQ(0, std::memcmp(&ref[i], &got[i], 3)) << i / 4;
    }
    EXPECT_EQ(g_startCalls, 0) << "the viewer's bar is untouched";
}

// Builds a two-frame GIF on an 8x8 screen whose second frame lies partly
// outside the screen (offset 5,6): only the part inside may be drawn, and the
// first frame's slot must stay as it was.
TEST(Gif, FramesAreClippedToTheLogicalScreen) {
    ViewerScope viewer;
    TempDir dir;
    uint8_t palette[768] = {};
    for (int i = 0; i < 256; ++i) palette[i * 3] = (uint8_t)i;
    CImage frame;
    ASSERT_TRUE(frame.CreateEmpty(8, 8, 8, 0, palette));
    for (uint32_t row = 0; row < 8; ++row)
        for (uint32_t x = 0; x < 8; ++x) frame.SetPixelIndex(x, row, 1);
    CImage second;
    ASSERT_TRUE(second.CreateEmpty(8, 8, 8, 0, palette));
    for (uint32_t row = 0; row < 8; ++row)
        for (uint32_t x = 0; x < 8; ++x) second.SetPixelIndex(x, row, 2);
    const std::wstring path = dir.File(L"clip.gif");
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_TRUE(file);
    const uint8_t header[] = {'G', 'I', 'F', '8', '9', 'a', 8, 0, 8, 0, 0xF7, 0, 0};
    fwrite(header, 1, sizeof(header), file);
    WriteGifColorTable(frame, file, 8);
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(GIFAddFrame(file, frame, 100, false, text));
    const long secondAt = ftell(file);
    ASSERT_TRUE(GIFAddFrame(file, second, 100, false, text));
    fputc(0x3B, file);
    fclose(file);
    auto data = qrvtest::ReadAll(path);
    // Graphic control (8 bytes), then 0x2C and the left/top fields.
    ASSERT_EQ(data[secondAt + 8], 0x2C);
    data[secondAt + 9] = 5;
    data[secondAt + 11] = 6;
    ASSERT_TRUE(qrvtest::WriteAll(path, data.data(), data.size()));

    CImage image;
    ASSERT_TRUE(Load(image, path));
    ASSERT_EQ(image.GetHeight(), 8u);
    const auto first = SlotRgb(image, 0), next = SlotRgb(image, 1);
    for (size_t p = 0; p < 64; ++p) EXPECT_EQ(first[p * 3], 1) << "frame 0 pixel " << p;
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(next[(y * 8 + x) * 3], (x >= 5 && y >= 6) ? 2 : 1) << x << "," << y;
}

TEST(Gif, ForeignDamagedAndMissingFiles) {
    TempDir dir;
    CImage image;
    std::wstring text;
    const std::wstring other = dir.File(L"x.gif");
    ASSERT_TRUE(qrvtest::WriteAll(other, "gif89a.......", 13));
    EXPECT_FALSE(Load(image, other, &text));
    EXPECT_EQ(text, FORMAT_TEXT_INVALID_ID);
    EXPECT_EQ(CountGifFrames(other.c_str()), -2);
    EXPECT_FALSE(Load(image, dir.File(L"none.gif"), &text));
    EXPECT_EQ(text, L"Failed to Open File!");
    // Every cut of a real file either decodes or fails with a text.
    const auto data = qrvtest::ReadAll(Fixture(L"gif_anim_local.gif"));
    for (size_t cut : {(size_t)13, (size_t)20, data.size() / 3, data.size() / 2, data.size() - 2}) {
        const std::wstring path = dir.File(L"cut.gif");
        ASSERT_TRUE(qrvtest::WriteAll(path, data.data(), cut));
        CImage cutImage;
        if (!Load(cutImage, path, &text)) { EXPECT_FALSE(text.empty()) << cut; }
    }
    // Random bytes in the image data never leave the frame.
    auto noisy = qrvtest::ReadAll(Fixture(L"gif_single.gif"));
    for (size_t i = 800; i < noisy.size(); i += 7) noisy[i] = (uint8_t)(noisy[i] * 13 + 5);
    ASSERT_TRUE(qrvtest::WriteAll(dir.File(L"noisy.gif"), noisy.data(), noisy.size()));
    CImage noisyImage;
    Load(noisyImage, dir.File(L"noisy.gif"), &text);
}

// Written files decode in ImageMagick to the same indexes and colours, for
// every depth; 24-bit images are reduced to one 256-entry table.
TEST(Gif, WrittenFilesReadBackInOtherTools) {
    TempDir dir;
    uint8_t palette[768];
    for (int i = 0; i < 256; ++i) {
        palette[i * 3] = (uint8_t)(i * 37);
        palette[i * 3 + 1] = (uint8_t)(255 - i);
        palette[i * 3 + 2] = (uint8_t)i;
    }
    for (int bpp : {1, 4, 8}) {
        SCOPED_TRACE(bpp);
        CImage image;
        ASSERT_TRUE(image.CreateEmpty(203, 77, bpp, 0, palette));
        for (uint32_t row = 0; row < 77; ++row)
            for (uint32_t x = 0; x < 203; ++x)
                image.SetPixelIndex(x, row, (uint8_t)(((x * x + row * 3) / 5) % (1 << bpp)));
        const std::wstring path = dir.File(L"w" + std::to_wstring(bpp) + L".gif");
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SaveGif(path.c_str(), image, text)) << qrvtest::Narrow(text);
        const auto data = qrvtest::ReadAll(path);
        EXPECT_EQ(data[10], bpp == 1 ? 0x80 : bpp == 4 ? 0xE3 : 0xE7);
        EXPECT_TRUE(pixelcheck::MatchesRgba(image, pixelcheck::ImageMagickRgba(path)));
        CImage back;
        ASSERT_TRUE(Load(back, path));
        EXPECT_TRUE(pixelcheck::SamePixels(image, back));
    }
    CImage photo, back;
    ASSERT_TRUE(pixelcheck::MakePattern24(photo, 150, 100));
    const std::wstring path = dir.File(L"photo.gif");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveGif(path.c_str(), photo, text)) << qrvtest::Narrow(text);
    ASSERT_TRUE(Load(back, path));
    EXPECT_EQ(back.GetBpp(), 8);
    EXPECT_TRUE(pixelcheck::MatchesRgba(back, pixelcheck::ImageMagickRgba(path)));
    EXPECT_EQ(qrvtest::ReadAll(path)[10], 0xE7);
}

TEST(Gif, GraphicControlIsAlwaysWritten) {
    TempDir dir;
    uint8_t palette[768] = {};
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(4, 4, 8, 0, palette));
    image.transparentIndex = 9;
    const std::wstring path = dir.File(L"gce.gif");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveGif(path.c_str(), image, text));
    auto data = qrvtest::ReadAll(path);
    const size_t at = 13 + 768;
    ASSERT_EQ(data[at], 0x21);
    EXPECT_EQ(data[at + 1], 0xF9);
    EXPECT_EQ(data[at + 3], 0x00) << "no transparency";
    EXPECT_EQ(data[at + 4], 10) << "100 ms";
    EXPECT_EQ(data[at + 6], 9) << "the index field is written in every case";

    image.hasTransparency = 1;
    ASSERT_TRUE(SaveGif(path.c_str(), image, text));
    data = qrvtest::ReadAll(path);
    EXPECT_EQ(data[at + 3], 0x09);
    EXPECT_EQ(data.back(), 0x3B);
    EXPECT_FALSE(SaveGif(dir.File(L"no\\dir\\x.gif").c_str(), image, text));
    EXPECT_STREQ(text, L"Couldn't open GIF for writing");
}

// The GIF-to-MNG writer's view: every slot flipped so that the buffer starts
// with the top row, and the tables reversed to follow the flipped slots; a
// one-frame file is flipped too. The viewer's bar is never started.
TEST(Gif, GifToMngModeFlipsTheRowsAndReversesTheTables) {
    ViewerScope viewer;
    struct Case {
        const wchar_t* name;
        int frames;
    } cases[] = {{L"gif_anim_global.gif", 3}, {L"gif_single.gif", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.name));
        CImage plain, flipped;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        LoadCall plainCall;
        plainCall.request = ViewerLoadRequest();
        ASSERT_TRUE(LoadGif(plain, Fixture(c.name).c_str(), text, plainCall));
        ASSERT_TRUE(plainCall.result.frames);
        const AnimationFrameTables plainTables = *plainCall.result.frames;
        g_startCalls = 0;
        LoadCall mngCall;
        mngCall.request = ViewerLoadRequest();
        mngCall.request.gifToMng = true;
        const bool ok = LoadGif(flipped, Fixture(c.name).c_str(), text, mngCall);
        FinishViewerLoad(mngCall, ok, nullptr);
        ASSERT_TRUE(ok);
        EXPECT_EQ(g_startCalls, 0);
        ASSERT_TRUE(mngCall.result.frames);
        ASSERT_EQ(flipped.GetBpp(), plain.GetBpp());
        ASSERT_EQ(flipped.GetWidth(), plain.GetWidth());
        ASSERT_EQ(flipped.GetHeight(), plain.GetHeight());
        const uint32_t s = plain.height, f = (uint32_t)c.frames;
        GdiFlush();
        // Slot j of the flipped buffer is frame f-1-j, top row first.
        for (uint32_t j = 0; j < f; ++j)
            for (uint32_t y = 0; y < s; ++y)
                ASSERT_EQ(
                    0, std::memcmp(flipped.bits + (size_t)(j * s + y) * flipped.stride,
                                   plain.bits + (size_t)((f - 1 - j) * s + (s - 1 - y)) * plain.stride, plain.stride))
                    << "slot " << j << " row " << y;
        const AnimationFrameTables& tables = *mngCall.result.frames;
        for (int k = 0; k < c.frames; ++k) {
            EXPECT_EQ(tables.FrameDelayTable[k], plainTables.GetFrameDelay(c.frames - 1 - k)) << k;
            EXPECT_EQ(tables.DisposalTable[k], plainTables.DisposalTable[c.frames - 1 - k]) << k;
            EXPECT_EQ(tables.TransparentTable[k], plainTables.TransparentTable[c.frames - 1 - k]) << k;
        }
    }
}

// Two frames are counted, but the second is wider than a later frame may be
// and is skipped: the picture is the first frame alone, one screen high.
TEST(Gif, SkippedLaterFramesLeaveOneScreenHighPicture) {
    ViewerScope viewer;
    TempDir dir;
    uint8_t palette[768] = {};
    for (int i = 0; i < 256; ++i) palette[i * 3 + 1] = (uint8_t)i;
    CImage first, wide;
    ASSERT_TRUE(first.CreateEmpty(8, 8, 8, 0, palette));
    for (uint32_t row = 0; row < 8; ++row)
        for (uint32_t x = 0; x < 8; ++x) first.SetPixelIndex(x, row, (uint8_t)(row * 8 + x));
    ASSERT_TRUE(wide.CreateEmpty(2001, 1, 8, 0, palette));
    const std::wstring path = dir.File(L"skipped.gif");
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_TRUE(file);
    const uint8_t header[] = {'G', 'I', 'F', '8', '9', 'a', 8, 0, 8, 0, 0xF7, 0, 0};
    fwrite(header, 1, sizeof(header), file);
    WriteGifColorTable(first, file, 8);
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(GIFAddFrame(file, first, 100, false, text));
    ASSERT_TRUE(GIFAddFrame(file, wide, 100, false, text));
    fputc(0x3B, file);
    fclose(file);
    ASSERT_EQ(CountGifFrames(path.c_str()), 2);

    CImage image;
    ASSERT_TRUE(Load(image, path));
    EXPECT_EQ(image.GetWidth(), 8u);
    EXPECT_EQ(image.GetHeight(), 8u);
    EXPECT_TRUE(pixelcheck::SamePixels(first, image));
    EXPECT_EQ(g_startCalls, 0) << "one frame is no animation";
}

// Disposal 2 in a 4-bit animation without transparency: the slot starts as
// the background index in every pixel (both nibbles of each byte), and the
// small second frame is drawn over it.
TEST(Gif, DisposalToBackgroundFillsEveryPixelOfAFourBitSlot) {
    ViewerScope viewer;
    TempDir dir;
    uint8_t palette[768] = {};
    for (int i = 0; i < 16; ++i) palette[i * 3] = (uint8_t)(i * 16 + 1);
    CImage first, small;
    ASSERT_TRUE(first.CreateEmpty(8, 8, 4, 0, palette));
    for (uint32_t row = 0; row < 8; ++row)
        for (uint32_t x = 0; x < 8; ++x) first.SetPixelIndex(x, row, 9);
    ASSERT_TRUE(small.CreateEmpty(2, 2, 4, 0, palette));
    for (uint32_t row = 0; row < 2; ++row)
        for (uint32_t x = 0; x < 2; ++x) small.SetPixelIndex(x, row, 5);
    const std::wstring path = dir.File(L"dispose4.gif");
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_TRUE(file);
    // 8x8 screen, global table of 16 entries, background index 3.
    const uint8_t header[] = {'G', 'I', 'F', '8', '9', 'a', 8, 0, 8, 0, 0xF3, 3, 0};
    fwrite(header, 1, sizeof(header), file);
    WriteGifColorTable(first, file, 4);
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(GIFAddFrame(file, first, 100, false, text));
    const long secondAt = ftell(file);
    ASSERT_TRUE(GIFAddFrame(file, small, 100, false, text));
    fputc(0x3B, file);
    fclose(file);
    auto data = qrvtest::ReadAll(path);
    ASSERT_EQ(data[secondAt + 1], 0xF9);
    data[secondAt + 3] = 0x08;  // disposal 2, no transparent colour
    ASSERT_TRUE(qrvtest::WriteAll(path, data.data(), data.size()));

    CImage image;
    ASSERT_TRUE(Load(image, path));
    ASSERT_EQ(image.GetBpp(), 4);
    ASSERT_EQ(image.GetHeight(), 8u);
    ASSERT_EQ(g_started.DisposalTable[1], 2);
    const auto slot = SlotRgb(image, 1);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            EXPECT_EQ(slot[(y * 8 + x) * 3], (x < 2 && y < 2) ? 5 * 16 + 1 : 3 * 16 + 1) << x << "," << y;
}

// A thumbnail request on a worker thread and the viewer's load on this thread
// at the same time: each call gets its own frame tables and background, and
// only the viewer's load starts the playback bar.
TEST(Gif, ThumbnailAndViewerLoadsAtOnceKeepTheirOwnResults) {
    ViewerScope viewer;
    const std::wstring animation = Fixture(L"gif_anim_global.gif");
    std::vector<int> workerFrameCounts;
    std::vector<bool> workerShown;
    std::vector<int> workerHeights;
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i) {
            CImage image;
            wchar_t text[FORMAT_ERROR_CHARS] = {};
            LoadCall call(LoadPurpose::Thumbnail);
            call.request.background = RGB(9, 9, 9);
            if (!LoadMediaFile(image, animation.c_str(), text, call)) continue;
            workerFrameCounts.push_back(call.result.frames ? call.result.frames->frameCount : -1);
            workerShown.push_back(call.result.showFrames);
            workerHeights.push_back((int)image.GetHeight());
        }
    });
    int viewerLoads = 0;
    for (int i = 0; i < 20; ++i) {
        CImage image;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        FormatId id = 0;
        ASSERT_TRUE(LoadMediaFile(image, animation.c_str(), text, &id)) << qrvtest::Narrow(text);
        ++viewerLoads;
        EXPECT_EQ(id, FMT_GIF);
        EXPECT_EQ(image.GetHeight(), 30u);
        EXPECT_TRUE(SlotsMatch(image, 3, Fixture(L"gif_anim_global.rgba")));
    }
    worker.join();
    EXPECT_EQ(g_startCalls, viewerLoads) << "every viewer load and no thumbnail started the bar";
    EXPECT_EQ(g_started.frameCount, 3);
    ASSERT_EQ(workerFrameCounts.size(), 20u);
    for (size_t i = 0; i < workerFrameCounts.size(); ++i) {
        EXPECT_EQ(workerFrameCounts[i], 1) << i << ": a thumbnail decodes and counts the first frame only";
        EXPECT_FALSE(workerShown[i]) << i;
        EXPECT_EQ(workerHeights[i], 30) << i;
    }
}
