// The TGA reader against files from netpbm and ImageMagick (compared with
// tgatoppm's decoding), hand-made files for the layouts and damage no tool
// writes, and the writer read back by tgatoppm and ImageMagick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "formats/CraftedFile.h"
#include "formats/FormatCodecs.h"
#include "formats/FormatTestUtil.h"
#include "formats/Formats.h"
#include "formats/PixelCheck.h"
#include "formats/SaveDispatch.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

struct FixtureCase {
    const wchar_t* name;
    int bpp;
    bool alpha;
};

const FixtureCase kFixtures[] = {
    {L"rgb-rle-netpbm.tga", 24, false}, {L"rgb-netpbm.tga", 24, false},     {L"cmap-rle-netpbm.tga", 8, false},
    {L"cmap-netpbm.tga", 8, false},     {L"grey-rle-netpbm.tga", 8, false}, {L"grey-netpbm.tga", 8, false},
    {L"rgb-rle-im.tga", 24, false},     {L"rgb-im.tga", 24, false},         {L"cmap-im.tga", 8, false},
    {L"cmap-rle-im.tga", 8, false},     {L"argb-im.tga", 32, true},         {L"argb-rle-im.tga", 32, true},
    {L"rgb-topdown.tga", 24, false},    {L"rgb-rightleft.tga", 24, false},
};

TEST(TgaReader, FixturesMatchNetpbm) {
    for (const FixtureCase& c : kFixtures)
        pixelcheck::ExpectFixtureMatches(LoadTga, FMT_TGA, std::wstring(L"tga\\") + c.name, c.bpp, c.alpha);
}

// A TGA file assembled field by field, from its 18-byte header on.
struct TgaBuilder : fmttest::CraftedFile {
    TgaBuilder(int type, int width, int height, int depth, int descriptor = 0, int mapLength = 0, int mapBits = 0) {
        Raw({0, mapLength ? 1 : 0, type}).U16LE(0).U16LE(mapLength).U8(mapBits);
        U16LE(0).U16LE(0).U16LE(width).U16LE(height).U8(depth).U8(descriptor);
    }
};

using fmttest::Loaded;

Loaded Load(CImage& image, const std::vector<uint8_t>& bytes) {
    return fmttest::LoadBytes(LoadTga, image, bytes, L"test.tga");
}

std::vector<uint8_t> Row(CImage& image, uint32_t storedRow, size_t bytes) {
    const uint8_t* p = image.ScanLine(storedRow);
    return std::vector<uint8_t>(p, p + bytes);
}

TEST(TgaReader, RunsCrossRowEnds) {
    // 3 x 2 grey, bottom row first: a repeat of 4 ends in the second row, a
    // literal of 2 finishes it.
    TgaBuilder b(11, 3, 2, 8);
    b.Raw({0x83, 7, 0x01, 8, 9});
    CImage image;
    const Loaded r = Load(image, b.bytes);
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    EXPECT_EQ(Row(image, 0, 3), (std::vector<uint8_t>{7, 7, 7}));
    EXPECT_EQ(Row(image, 1, 3), (std::vector<uint8_t>{7, 8, 9}));
}

TEST(TgaReader, TruncatedFileKeepsRowsAndTheNextLoadStartsFresh) {
    // A row of 5, then a repeat packet of 100 whose pixel the file lacks.
    TgaBuilder cut(11, 2, 3, 8);
    cut.Raw({0x81, 5, 0xE3});
    CImage image;
    const Loaded r = Load(image, cut.bytes);
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    EXPECT_EQ(Row(image, 0, 2), (std::vector<uint8_t>{5, 5}));
    EXPECT_EQ(Row(image, 1, 2), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(Row(image, 2, 2), (std::vector<uint8_t>{0, 0}));

    TgaBuilder whole(11, 2, 1, 8);
    whole.Raw({0x01, 1, 2});
    CImage next;
    ASSERT_TRUE(Load(next, whole.bytes).ok);
    EXPECT_EQ(Row(next, 0, 2), (std::vector<uint8_t>{1, 2}));
}

TEST(TgaReader, RunLengthOneBitRowsAreWholeBytes) {
    // 20 pixels a row are 3 bytes; each byte is one run-length unit.
    TgaBuilder b(11, 20, 2, 1);
    b.Raw({0x82, 0xF0,                // bottom row: three bytes F0
           0x02, 0x11, 0x22, 0x33});  // top row: literal 11 22 33
    CImage image;
    const Loaded r = Load(image, b.bytes);
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    ASSERT_EQ(image.GetBpp(), 1);
    EXPECT_EQ(Row(image, 0, 3), (std::vector<uint8_t>{0xF0, 0xF0, 0xF0}));
    EXPECT_EQ(Row(image, 1, 3), (std::vector<uint8_t>{0x11, 0x22, 0x33}));
    EXPECT_EQ(image.palette[1][0], 255);  // without a map: black and white
}

TEST(TgaReader, FifteenBitsAndColourMaps) {
    TgaBuilder fifteen(2, 1, 1, 15);
    fifteen.U16LE(0x7C1F);
    CImage image;
    ASSERT_TRUE(Load(image, fifteen.bytes).ok);
    EXPECT_EQ(image.GetBpp(), 16);
    EXPECT_EQ(Row(image, 0, 2), (std::vector<uint8_t>{0x1F, 0x7C}));

    // A 32-bit map (blue, green, red, alpha) is read, not taken for pixels;
    // entries from a first index of 254 on past 255 are dropped.
    TgaBuilder map32(1, 2, 1, 8, 0, 3, 32);
    map32.PatchU16LE(3, 254);  // first entry
    map32.Raw({10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0});
    map32.Raw({254, 255});
    CImage mapped;
    ASSERT_TRUE(Load(mapped, map32.bytes).ok);
    EXPECT_EQ(Row(mapped, 0, 2), (std::vector<uint8_t>{254, 255}));
    EXPECT_EQ(mapped.palette[254][0], 10);  // blue
    EXPECT_EQ(mapped.palette[255][2], 60);  // red

    // 16-bit entries become colours too.
    TgaBuilder map16(1, 1, 1, 8, 0, 1, 16);
    map16.U16LE(0x7C00);
    map16.U8(0);
    CImage red;
    ASSERT_TRUE(Load(red, map16.bytes).ok);
    EXPECT_EQ(red.palette[0][2], 255);
    EXPECT_EQ(red.palette[0][0], 0);
}

TEST(TgaReader, RefusedFiles) {
    auto file = [](int type, int w, int h, int depth, size_t data) {
        TgaBuilder b(type, w, h, depth);
        b.Fill(data);
        return b.bytes;
    };
    fmttest::ExpectRefused(
        LoadTga, L"refused.tga",
        {
            {"type 0", file(0, 2, 2, 24, 12), FORMAT_TEXT_INVALID_ID},
            {"type 4", file(4, 2, 2, 24, 12), FORMAT_TEXT_INVALID_ID},
            {"type 32", file(32, 2, 2, 24, 12), FORMAT_TEXT_INVALID_ID},
            {"depth 7", file(2, 2, 2, 7, 12), FORMAT_TEXT_INVALID_ID},
            {"header cut", std::vector<uint8_t>(17, 2), FORMAT_TEXT_INVALID_ID},
            {"width 0", file(2, 0, 2, 24, 12), L"Insufficient Memory for storing Imagedata!"},
            {"65535 x 65535 x 32 bits", file(2, 65535, 65535, 32, 12), L"Insufficient Memory for storing Imagedata!"},
            {"10000 x 10000 in 12 bytes", file(2, 10000, 10000, 24, 12), L"TGA File is too short for its image size!"},
            {"RLE 10000 x 10000 in 12 bytes", file(10, 10000, 10000, 24, 12),
             L"TGA File is too short for its image size!"},
        });
    CImage image;
    qrvtest::TempDir dir;
    std::wstring text;
    EXPECT_FALSE(fmttest::LoadWith(LoadTga, image, dir.File(L"missing.tga"), &text));
    EXPECT_EQ(text, L"Failed to open file for read!");
}

std::vector<uint8_t> SaveBytes(CImage& image, bool rle, const wchar_t* name = L"out.tga") {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(name);
    SaveOptions options;
    options.tgaRunLength = rle;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_TRUE(SaveTga(path.c_str(), image, text, options)) << qrvtest::Narrow(text);
    return qrvtest::ReadAll(path);
}

TEST(TgaWriter, RunLengthPackets) {
    CImage equal;
    ASSERT_TRUE(equal.CreateEmpty(200, 1, 24, RGB(1, 2, 3), nullptr));
    const auto runs = SaveBytes(equal, true);
    ASSERT_EQ(runs.size(), 18u + 8u);
    EXPECT_EQ(runs[2], 10);
    EXPECT_EQ(std::vector<uint8_t>(runs.begin() + 18, runs.end()),
              (std::vector<uint8_t>{0xFF, 3, 2, 1, 0xC7, 3, 2, 1}));

    uint8_t rgb[256 * 3] = {};
    CImage alternating;
    ASSERT_TRUE(alternating.CreateEmpty(4, 1, 8, 0, rgb));
    std::memcpy(alternating.ScanLine(0), "\x0A\x0B\x0A\x0B", 4);
    const auto literal = SaveBytes(alternating, true);
    ASSERT_EQ(literal.size(), 18u + 768u + 5u);
    EXPECT_EQ(literal[2], 9);
    EXPECT_EQ(std::vector<uint8_t>(literal.end() - 5, literal.end()),
              (std::vector<uint8_t>{0x03, 0x0A, 0x0B, 0x0A, 0x0B}));
}

TEST(TgaWriter, SaveImageFileTakesTheRleOption) {
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 8, 8));
    qrvtest::TempDir dir;
    for (bool rle : {false, true}) {
        SaveOptions options;
        options.tgaRunLength = rle;
        const std::wstring path = dir.File(L"s" + std::to_wstring(rle) + L".tga");
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SaveImageFile(path.c_str(), image, text, options)) << qrvtest::Narrow(text);
        const auto file = qrvtest::ReadAll(path);
        ASSERT_GT(file.size(), 2u);
        EXPECT_EQ(file[2], rle ? 10 : 2);
    }
}

TEST(TgaWriter, OneBitIsAColourMappedByteAPixel) {
    uint8_t rgb[256 * 3] = {};
    rgb[3] = 200;  // entry 1: red 200
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(10, 1, 1, 0, rgb));
    image.ScanLine(0)[0] = 0xA0;
    image.ScanLine(0)[1] = 0x40;
    for (bool rle : {false, true}) {
        const auto file = SaveBytes(image, rle);
        ASSERT_EQ(file.size(), 18u + 6u + 10u) << rle;
        EXPECT_EQ(file[1], 1);  // colour map
        EXPECT_EQ(file[2], 1);  // uncompressed also with the option
        EXPECT_EQ(file[5], 2);  // two entries
        EXPECT_EQ(file[7], 24);
        EXPECT_EQ(file[16], 8);  // a byte a pixel
        EXPECT_EQ(file[18 + 5], 200);
        EXPECT_EQ(std::vector<uint8_t>(file.begin() + 24, file.end()),
                  (std::vector<uint8_t>{1, 0, 1, 0, 0, 0, 0, 0, 0, 1}));
    }
}

// RGBA rows in the opposite order.
std::vector<uint8_t> Flipped(const std::vector<uint8_t>& rgba, uint32_t width) {
    const size_t row = (size_t)width * 4;
    std::vector<uint8_t> out;
    for (size_t end = rgba.size(); end >= row; end -= row)
        out.insert(out.end(), rgba.begin() + (end - row), rgba.begin() + end);
    return out;
}

// Every depth, with and without run-length encoding, read back by tgatoppm
// (through our PNM reader), by ImageMagick and by our own reader. This
// ImageMagick reads TGA rows in the opposite order of the origin bit (see
// tests/fixtures/pnm_tga.sh), so its decoding may come out upside down.
TEST(TgaWriter, EveryDepthReadBackByOtherTools) {
    qrvtest::TempDir dir;
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        CImage source;
        ASSERT_TRUE(pixelcheck::MakePattern24(source, 131, 5));
        // Runs of equal pixels in the middle of each row.
        for (uint32_t row = 0; row < 5; ++row) std::memset(source.ScanLine(row) + 30, 0x80, 3 * 60);
        if (bpp != 24) { ASSERT_TRUE(source.ConvertDepth(bpp)) << bpp; }
        if (bpp == 32)
            for (uint32_t row = 0; row < 5; ++row)
                for (uint32_t x = 0; x < 131; ++x) source.ScanLine(row)[x * 4 + 3] = 255;
        const std::vector<uint8_t> expected = pixelcheck::ImageRgba(source);
        for (bool rle : {false, true}) {
            const std::string what = std::to_string(bpp) + (rle ? " rle" : "");
            const std::wstring path = dir.File(L"depth" + std::to_wstring(bpp) + (rle ? L"r" : L"") + L".tga");
            SaveOptions options;
            options.tgaRunLength = rle;
            wchar_t text[FORMAT_ERROR_CHARS] = {};
            ASSERT_TRUE(SaveTga(path.c_str(), source, text, options)) << what << ": " << qrvtest::Narrow(text);
            EXPECT_FALSE(qrvtest::FileExists(path + L".tmp"));
            const int tolerance = bpp == 16 ? 7 : 0;  // 5-bit channels widened differently

            const std::wstring ppm = path + L".ppm";
            ASSERT_EQ(qrvtest::RunHost("tgatoppm '" + qrvtest::HostPath(path) + "' 2>/dev/null | pamdepth 255 > '" +
                                       qrvtest::HostPath(ppm) + "'"),
                      0)
                << what;
            CImage viaNetpbm;
            ASSERT_TRUE(fmttest::LoadWith(LoadPnm, viaNetpbm, ppm)) << what;
            int d = pixelcheck::MaxDifference(pixelcheck::ImageRgba(viaNetpbm), expected, false);
            EXPECT_GE(d, 0) << what;
            EXPECT_LE(d, tolerance) << what << " by tgatoppm";

            const std::vector<uint8_t> byImageMagick = pixelcheck::ImageMagickDecoding(path);
            d = std::min(pixelcheck::MaxDifference(byImageMagick, expected, false),
                         pixelcheck::MaxDifference(Flipped(byImageMagick, 131), expected, false));
            EXPECT_GE(d, 0) << what;
            EXPECT_LE(d, tolerance) << what << " by ImageMagick";

            CImage back;
            ASSERT_TRUE(fmttest::LoadWith(LoadTga, back, path)) << what;
            EXPECT_EQ(pixelcheck::MaxDifference(pixelcheck::ImageRgba(back), expected, false), 0) << what;
            EXPECT_EQ(back.GetBpp(), bpp == 1 ? 8 : bpp == 4 ? 24 : bpp) << what;
        }
    }
}

TEST(TgaWriter, Failures) {
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 4, 4));
    qrvtest::TempDir dir;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(SaveTga(dir.File(L"no\\such\\folder.tga").c_str(), image, text));
    EXPECT_STREQ(text, L"TGA Can't open file for saving!");

    CImage wide;
    ASSERT_TRUE(wide.CreateEmpty(70000, 1, 24, 0, nullptr));
    EXPECT_FALSE(SaveTga(dir.File(L"wide.tga").c_str(), wide, text));
    EXPECT_FALSE(qrvtest::FileExists(dir.File(L"wide.tga")));

    const std::wstring target = dir.File(L"locked.tga");
    ASSERT_TRUE(qrvtest::WriteAll(target, "old", 3));
    HANDLE lock = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SaveTga(target.c_str(), image, text));
    // Through the save dispatch the new file is complete but cannot replace
    // the locked one.
    EXPECT_FALSE(SaveImageFile(target.c_str(), image, text, SaveOptions{}));
    CloseHandle(lock);
    const auto kept = qrvtest::ReadAll(target);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "old");
    EXPECT_FALSE(qrvtest::FileExists(target + L".tmp"));
}

}  // namespace
