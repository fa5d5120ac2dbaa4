// The BMP reader against files from ImageMagick and netpbm (compared with
// ImageMagick's own decoding), the writer read back by ImageMagick, and
// hand-made files for the edge cases no tool writes.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "formats/ByteReader.h"
#include "formats/CraftedFile.h"
#include "formats/FormatCodecs.h"
#include "formats/FormatTestUtil.h"
#include "formats/Formats.h"
#include "formats/PixelCheck.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

struct FixtureCase {
    const wchar_t* name;
    int bpp;        // depth of the decoded image
    int tolerance;  // 16-bit channels: our 5-bit table rounds, ImageMagick replicates bits
    bool alpha;
};

const FixtureCase kFixtures[] = {
    {L"pal1-info.bmp", 1, 0, false},     {L"pal1-v5.bmp", 1, 0, false},        {L"pal1-netpbm.bmp", 1, 0, false},
    {L"pal4-info.bmp", 4, 0, false},     {L"pal4-v5.bmp", 4, 0, false},        {L"pal4-netpbm-core.bmp", 4, 0, false},
    {L"pal4-topdown.bmp", 4, 0, false},  {L"pal8-info.bmp", 8, 0, false},      {L"pal8-v5.bmp", 8, 0, false},
    {L"pal8-core.bmp", 8, 0, false},     {L"pal8-netpbm.bmp", 8, 0, false},    {L"rle4.bmp", 4, 0, false},
    {L"rle4-delta.bmp", 4, 0, false},    {L"rle8-info.bmp", 8, 0, false},      {L"rle8-v5.bmp", 8, 0, false},
    {L"rle8-runs.bmp", 8, 0, false},     {L"rle8-delta.bmp", 8, 0, false},     {L"rgb16-info.bmp", 16, 1, false},
    {L"bf555-v5.bmp", 24, 1, false},     {L"bf565-v5.bmp", 24, 1, false},      {L"bf565-info.bmp", 24, 1, false},
    {L"rgb24-info.bmp", 24, 0, false},   {L"rgb24-v5.bmp", 24, 0, false},      {L"rgb24-core.bmp", 24, 0, false},
    {L"rgb24-netpbm.bmp", 24, 0, false}, {L"rgb24-topdown.bmp", 24, 0, false}, {L"rgb24-1x1.bmp", 24, 0, false},
    {L"rgb32-info.bmp", 32, 0, false},   {L"argb32-v5.bmp", 32, 0, true},
};

TEST(BmpReader, FixturesMatchImageMagick) {
    for (const FixtureCase& c : kFixtures) {
        const std::wstring path = qrvtest::Fixture(std::wstring(L"bmp\\") + c.name);
        const std::string name = qrvtest::Narrow(c.name);
        CImage image;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        LoadCall call;
        ASSERT_TRUE(LoadBmp(image, path.c_str(), text, call)) << name << ": " << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetBpp(), c.bpp) << name;
        const std::vector<unsigned char> reference = qrvtest::ReadAll(path + L".rgba");
        ASSERT_EQ(reference.size(), (size_t)image.GetWidth() * image.GetHeight() * 4) << name;
        size_t where = 0;
        const int diff = pixelcheck::MaxDifference(
            pixelcheck::ImageRgba(image), std::vector<uint8_t>(reference.begin(), reference.end()), c.alpha, &where);
        EXPECT_LE(diff, c.tolerance) << name << " at pixel " << where;

        // The same file through the dispatcher, by extension and by content.
        CImage viaDispatch;
        FormatId id = -1;
        EXPECT_TRUE(LoadMediaFile(viaDispatch, path.c_str(), text, &id)) << name;
        EXPECT_EQ(id, FMT_BMP);
    }
}

TEST(BmpReader, FoundByContentUnderAnotherName) {
    qrvtest::TempDir dir;
    const auto bytes = qrvtest::ReadAll(qrvtest::Fixture(L"bmp\\rgb24-info.bmp"));
    const std::wstring path = dir.File(L"picture.dat.unknown");
    ASSERT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    FormatId id = -1;
    EXPECT_TRUE(LoadMediaFile(image, path.c_str(), text, &id));
    EXPECT_EQ(id, FMT_BMP);
    EXPECT_EQ(image.GetWidth(), 37u);
}

// A BMP assembled field by field: the file header and a 40-byte info header,
// with the pixel offset filled in by PixelsStart.
struct BmpBuilder : fmttest::CraftedFile {
    BmpBuilder(int32_t width, int32_t height, int bpp, uint32_t compression, uint32_t colors = 0) {
        Text("BM").U32LE(0).U32LE(0).U32LE(0);
        U32LE(40).U32LE((uint32_t)width).U32LE((uint32_t)height).U16LE(1).U16LE(bpp).U32LE(compression);
        U32LE(0).U32LE(0).U32LE(0).U32LE(colors).U32LE(0);
    }
    void Palette(int entries) { Ramp(entries, Order::Bgr0); }
    void PixelsStart() { PatchU32LE(10, Here()); }
    std::wstring Save(const qrvtest::TempDir& dir, const wchar_t* name = L"test.bmp") {
        return CraftedFile::Save(dir, name);
    }
};

struct Loaded {
    bool ok;
    std::wstring text;
};
Loaded Load(CImage& image, const std::wstring& path) {
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    LoadCall call;
    const bool ok = LoadBmp(image, path.c_str(), text, call);
    return {ok, text};
}

TEST(BmpReader, Rgb565WidthFiveTakesAllGreenBits) {
    qrvtest::TempDir dir;
    BmpBuilder b(5, 2, 16, 3);
    b.U32LE(0xF800);
    b.U32LE(0x07E0);
    b.U32LE(0x001F);
    b.PixelsStart();
    // Bottom row: white, pure green, green 1 of 63, red 16 of 31, blue 1 of 31; then 2 padding bytes.
    for (uint32_t v : {0xFFFFu, 0x07E0u, 0x0020u, 0x8000u, 0x0001u}) b.U16LE(v);
    b.U16LE(0xBEEF);
    for (uint32_t v : {0x0000u, 0x0000u, 0x0000u, 0x0000u, 0xF800u}) b.U16LE(v);
    b.U16LE(0xBEEF);
    CImage image;
    const Loaded r = Load(image, b.Save(dir));
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    ASSERT_EQ(image.GetBpp(), 24);
    const uint8_t* bottom = image.ScanLine(0);
    const uint8_t expected[] = {255, 255, 255, 0, 255, 0, 0, 4, 0, 0, 0, 132, 8, 0, 0};  // blue, green, red
    EXPECT_EQ(std::vector<uint8_t>(bottom, bottom + 15), std::vector<uint8_t>(expected, expected + 15));
    const uint8_t* top = image.ScanLine(1);
    EXPECT_EQ(top[12], 0);
    EXPECT_EQ(top[14], 255);
}

TEST(BmpReader, Uncompressed16BitStays16Bit) {
    qrvtest::TempDir dir;
    BmpBuilder b(2, 1, 16, 0);
    b.PixelsStart();
    b.U16LE(0x7C00);
    b.U16LE(0x001F);
    CImage image;
    ASSERT_TRUE(Load(image, b.Save(dir)).ok);
    EXPECT_EQ(image.GetBpp(), 16);
    EXPECT_EQ(image.ScanLine(0)[1], 0x7C);
}

TEST(BmpReader, RefusedFiles) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const wchar_t* text;
    };
    auto header = [](int32_t w, int32_t h, int bpp, uint32_t compression, uint32_t headerSize = 40) {
        BmpBuilder b(w, h, bpp, compression);
        b.PatchU32LE(14, headerSize);
        b.PixelsStart();
        b.Fill(64);
        return b.bytes;
    };
    std::vector<uint8_t> ba = header(4, 4, 24, 0);
    ba[1] = 'A';
    Case cases[] = {
        {"BA", ba, FORMAT_TEXT_INVALID_ID},
        {"one byte", {'B'}, FORMAT_TEXT_INVALID_ID},
        {"empty", {}, FORMAT_TEXT_INVALID_ID},
        {"compression 4", header(4, 4, 24, 4), L"This CompressionType is not supported"},
        {"compression 0xFFFFFFFF", header(4, 4, 24, 0xFFFFFFFF), L"This CompressionType is not supported"},
        {"RLE8 with 4 bits", header(4, 4, 4, 1), L"This CompressionType is not supported"},
        {"bit fields with 24 bits", header(4, 4, 24, 3), L"This CompressionType is not supported"},
        {"header size 0", header(4, 4, 24, 0, 0), L"Corrupt BMP Header!"},
        {"header size 0xFFFFFFFF", header(4, 4, 24, 0, 0xFFFFFFFF), L"Corrupt BMP Header!"},
        {"header past the end", header(4, 4, 24, 0, 0x7FFF), L"Corrupt BMP Header!"},
        {"width 0", header(0, 4, 24, 0), L"Corrupt BMP Header!"},
        {"width negative", header(-4, 4, 24, 0), L"Corrupt BMP Header!"},
        {"height 0", header(4, 0, 24, 0), L"Corrupt BMP Header!"},
        {"height INT_MIN", header(4, INT32_MIN, 24, 0), L"Corrupt BMP Header!"},
        {"depth 0", header(4, 4, 0, 0), L"Unsupported bit depth in BMP File!"},
        {"depth 2", header(4, 4, 2, 0), L"Unsupported bit depth in BMP File!"},
        {"width 0x7FFFFFFF", header(0x7FFFFFFF, 1, 24, 0), L"Unable to allocate Memory for storing Imagedata!"},
        {"32767 x 36864 x 8 bits", header(0x7FFF, 0x9000, 8, 0), L"Unable to allocate Memory for storing Imagedata!"},
        {"30000 x 30000 x 4 bits in 160 bytes", header(30000, 30000, 4, 0),
         L"BMP File is too short for its image size!"},
        {"RLE8 20000 x 20000 in 160 bytes", header(20000, 20000, 8, 1), L"BMP File is too short for its image size!"},
    };
    qrvtest::TempDir dir;
    for (const Case& c : cases) {
        const std::wstring path = dir.File(L"refused.bmp");
        ASSERT_TRUE(qrvtest::WriteAll(path, c.bytes.data(), c.bytes.size()));
        CImage image;
        const Loaded r = Load(image, path);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.text, c.text) << c.what;
    }
    CImage image;
    EXPECT_EQ(Load(image, dir.File(L"missing.bmp")).text, L"Unable to open file!");
}

TEST(BmpReader, BaNamedBmpIsTriedBySignature) {
    qrvtest::TempDir dir;
    const std::string text = "BA not a bitmap at all";
    const std::wstring path = dir.File(L"x.bmp");
    ASSERT_TRUE(qrvtest::WriteAll(path, text.data(), text.size()));
    CImage image;
    wchar_t out[FORMAT_ERROR_CHARS] = {};
    FormatId id = -1;
    EXPECT_FALSE(LoadMediaFile(image, path.c_str(), out, &id));
    EXPECT_STREQ(out, FORMAT_TEXT_UNSUPPORTED);
}

// A short file keeps the rows its data does not reach at 0.
TEST(BmpReader, TruncatedRowsStayZero) {
    qrvtest::TempDir dir;
    BmpBuilder b(2, 3, 24, 0);
    b.PixelsStart();
    b.Raw({1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9});  // bottom row and half of the next
    CImage image;
    ASSERT_TRUE(Load(image, b.Save(dir)).ok);
    EXPECT_EQ(image.ScanLine(0)[5], 6);
    EXPECT_EQ(image.ScanLine(1)[2], 9);
    EXPECT_EQ(image.ScanLine(1)[3], 0);
    EXPECT_EQ(image.ScanLine(2)[0], 0);
}

TEST(BmpReader, RleRunsAreClippedToTheImage) {
    qrvtest::TempDir dir;
    BmpBuilder b(4, 2, 8, 1, 4);
    b.Palette(4);
    b.PixelsStart();
    b.Raw({255, 3,                        // run far past the right edge
           0,   5, 1,   2,   1, 2, 1, 0,  // absolute run of 5 from x = 4: all outside
           0,   0,                        // next row
           2,   2,                        // two pixels of 2
           0,   2, 200, 0,                // delta far to the right
           3,   1,                        // outside
           0,   2, 0,   250,              // delta far up: past the top
           5,   3, 0,   1});
    CImage image;
    const Loaded r = Load(image, b.Save(dir));
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    const uint8_t* row0 = image.ScanLine(0);
    const uint8_t* row1 = image.ScanLine(1);
    EXPECT_EQ(std::vector<uint8_t>(row0, row0 + 4), (std::vector<uint8_t>{3, 3, 3, 3}));
    EXPECT_EQ(std::vector<uint8_t>(row1, row1 + 4), (std::vector<uint8_t>{2, 2, 0, 0}));
}

TEST(BmpReader, Rle4NibblesAndOddAbsoluteRuns) {
    qrvtest::TempDir dir;
    BmpBuilder b(7, 1, 4, 2, 16);
    b.Palette(16);
    b.PixelsStart();
    b.Raw({3, 0x12,           // 1 2 1
           0, 3, 0x45, 0x60,  // absolute 4 5 6, two bytes (even: no padding)
           0, 1,              // end of picture
           4, 0xFF});         // never read
    CImage image;
    ASSERT_TRUE(Load(image, b.Save(dir)).ok);
    std::vector<int> pixels;
    for (uint32_t x = 0; x < 7; ++x) pixels.push_back(image.GetPixelIndex(x, 0));
    EXPECT_EQ(pixels, (std::vector<int>{1, 2, 1, 4, 5, 6, 0}));
}

TEST(BmpReader, ShortPaletteFromColorsUsed) {
    qrvtest::TempDir dir;
    BmpBuilder b(2, 1, 8, 0, 2);
    b.Palette(2);
    b.PixelsStart();
    b.Raw({1, 0, 0, 0});
    CImage image;
    ASSERT_TRUE(Load(image, b.Save(dir)).ok);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(image.palette[1][0], 10);  // blue of entry 1
    EXPECT_EQ(image.palette[1][2], 31);  // red of entry 1
    EXPECT_EQ(image.palette[2][2], 0);   // entries past the table are black
}

// Images of every depth written by SaveBmp and read back by ImageMagick and by LoadBmp.
TEST(BmpWriter, EveryDepthReadBackByImageMagick) {
    qrvtest::TempDir dir;
    std::mt19937 random(7);
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        uint8_t rgb[256 * 3];
        for (auto& v : rgb) v = (uint8_t)random();
        CImage image;
        ASSERT_TRUE(image.CreateEmpty(29, 7, bpp, 0, rgb));
        for (uint32_t row = 0; row < 7; ++row) {
            uint8_t* line = image.ScanLine(row);
            for (uint32_t i = 0; i < image.stride; ++i) line[i] = (uint8_t)random();
            if (bpp == 16)
                for (uint32_t x = 0; x < 29; ++x) line[x * 2 + 1] &= 0x7F;
        }
        const std::wstring path = dir.File(L"depth" + std::to_wstring(bpp) + L".bmp");
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SaveBmp(path.c_str(), image, text)) << qrvtest::Narrow(text);

        const auto file = qrvtest::ReadAll(path);
        const uint32_t offset = bpp <= 8 ? 54 + 4 * (1u << bpp) : 54;
        ASSERT_GE(file.size(), 54u);
        ByteReader header(file.data(), file.size());
        header.Skip(2);
        const uint32_t storedSize = header.U32LE();
        header.Skip(4);
        const uint32_t storedOffset = header.U32LE();
        EXPECT_EQ(storedOffset, offset) << bpp;
        EXPECT_EQ(storedSize, file.size()) << bpp;
        EXPECT_EQ(file.size(), offset + image.stride * 7) << bpp;

        const std::vector<uint8_t> decoded = pixelcheck::ImageMagickDecoding(path);
        const int tolerance = bpp == 16 ? 1 : 0;
        EXPECT_LE(pixelcheck::MaxDifference(pixelcheck::ImageRgba(image), decoded, false), tolerance) << bpp;

        CImage back;
        LoadCall call;
        ASSERT_TRUE(LoadBmp(back, path.c_str(), text, call));
        ASSERT_EQ(back.GetBpp(), bpp);
        for (uint32_t row = 0; row < 7; ++row)
            EXPECT_EQ(std::memcmp(back.ScanLine(row), image.ScanLine(row), image.stride), 0) << bpp;
        if (bpp <= 8) { EXPECT_EQ(std::memcmp(back.palette, image.palette, (size_t)3 << bpp), 0); }
    }
}

TEST(BmpWriter, FourBitPixelOffsetIs118) {
    qrvtest::TempDir dir;
    uint8_t rgb[256 * 3] = {};
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(3, 3, 4, 0, rgb));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveBmp(dir.File(L"four.bmp").c_str(), image, text));
    const auto file = qrvtest::ReadAll(dir.File(L"four.bmp"));
    ASSERT_GE(file.size(), 14u);
    EXPECT_EQ(file[10] | file[11] << 8, 118);
}

TEST(BmpWriter, Failures) {
    qrvtest::TempDir dir;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    CImage empty;
    EXPECT_FALSE(SaveBmp(dir.File(L"empty.bmp").c_str(), empty, text));
    EXPECT_STREQ(text, L"No image to save!");
    EXPECT_FALSE(qrvtest::FileExists(dir.File(L"empty.bmp")));
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(3, 3, 24, 0, nullptr));
    EXPECT_FALSE(SaveBmp(dir.File(L"no\\such\\folder.bmp").c_str(), image, text));
    EXPECT_STREQ(text, L"Couldn't open BMP File for writing!");
}

}  // namespace
