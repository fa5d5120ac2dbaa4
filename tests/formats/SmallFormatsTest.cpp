// The small 1-bit and preview readers (WBMP, XBM, MacPaint, MSP, ZBR) against
// files from ImageMagick, netpbm and tests/fixtures/small_formats.py, compared
// pixel by pixel with their reference decodings, and hand-made files for the
// header cases no tool writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/FormatCodecs.h"
#include "formats/FormatTestUtil.h"
#include "formats/Formats.h"
#include "formats/PixelCheck.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

using Reader = FormatReader;

const fmttest::ReaderFixture kFixtures[] = {
    {L"im.wbmp", LoadWbmp, FMT_WBMP, 1, 37, 23},
    {L"netpbm.wbmp", LoadWbmp, FMT_WBMP, 1, 37, 23},
    {L"wide200.wbmp", LoadWbmp, FMT_WBMP, 1, 200, 3},
    {L"im.xbm", LoadXbm, FMT_XBM, 1, 37, 23},
    {L"netpbm-x11.xbm", LoadXbm, FMT_XBM, 1, 37, 23},
    {L"netpbm-x10.xbm", LoadXbm, FMT_XBM, 1, 37, 23},  // "short": 16 pixels a number
    {L"netpbm.mac", LoadMac, FMT_MAC, 1, 576, 720},
    {L"macbinary.pntg", LoadMac, FMT_MAC, 1, 576, 720},
    {L"msp-v1.msp", LoadMsp, FMT_MSP, 1, 45, 19},
    {L"msp-v2.msp", LoadMsp, FMT_MSP, 1, 45, 19},
    {L"msp-mixed.msp", LoadMsp, FMT_MSP, 1, 45, 19},
    {L"msp-longrun.msp", LoadMsp, FMT_MSP, 1, 33, 4},
    {L"zbr-v1.zbr", LoadZbr, FMT_ZBR, 4, 100, 100},
    {L"zbr-v4.zbr", LoadZbr, FMT_ZBR, 4, 100, 100},
};

TEST(SmallReaders, FixturesMatchReference) { fmttest::ExpectFixturesMatchReference(L"small", kFixtures); }

struct Outcome {
    bool ok;
    std::wstring text;
};

Outcome LoadBytes(Reader reader, CImage& image, const std::vector<uint8_t>& bytes, const wchar_t* name) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(name);
    EXPECT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
    Outcome out;
    out.ok = fmttest::LoadWith(reader, image, path, &out.text);
    return out;
}

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// Top-down pixel (x, y) of a 1-bit image as its palette index.
uint8_t Index(CImage& image, uint32_t x, uint32_t y) { return image.GetPixelIndex(x, image.GetHeight() - 1 - y); }

TEST(WbmpReader, WidthTwoHundredIsStoredAs8148) {
    const auto bytes = qrvtest::ReadAll(qrvtest::Fixture(L"small\\wide200.wbmp"));
    ASSERT_GE(bytes.size(), 5u);
    EXPECT_EQ(bytes[2], 0x81);
    EXPECT_EQ(bytes[3], 0x48);
    EXPECT_EQ(bytes[4], 0x03);
}

TEST(WbmpReader, HeaderCases) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        bool ok;
        const wchar_t* text;
        uint32_t width;
    };
    const Case cases[] = {
        // Fixed header with extensions: a multi-byte one, then a name/value pair (6 + 3 bytes).
        {"extensions",
         {0, 0x80, 0x80, 0x85, 0x01, 0x63, 'n', 'a', 'm', 'e', '_', 'x', 'v', 'a', 'l', 9, 1, 0x55, 0xAA},
         true,
         L"",
         9},
        {"four-byte width", {0, 0, 0x80, 0x80, 0x80, 0x10, 1, 0xFF, 0xFF}, true, L"", 16},
        {"five-byte width", {0, 0, 0x80, 0x80, 0x80, 0x80, 0x10, 1, 0xFF, 0xFF}, false, L"Invalid FormatID", 0},
        {"five-byte type", {0x80, 0x80, 0x80, 0x80, 0x00, 0, 8, 1, 0}, false, L"Invalid FormatID", 0},
        {"type 1", {1, 0, 8, 1, 0}, false, L"Invalid FormatID", 0},
        {"ends in header", {0, 0, 0x81}, false, L"Invalid FormatID", 0},
        {"width 0", {0, 0, 0, 1, 0}, false, L"Width/Height <= NULL!", 0},
        {"height 0", {0, 0, 8, 0}, false, L"Width/Height <= NULL!", 0},
        // 2^28 - 1 square: a file of a few bytes cannot hold it.
        {"size beyond file",
         {0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 0},
         false,
         L"WBMP File is too short for its image size!",
         0},
    };
    for (const Case& c : cases) {
        CImage image;
        const Outcome out = LoadBytes(LoadWbmp, image, c.bytes, L"test.wbmp");
        EXPECT_EQ(out.ok, c.ok) << c.what;
        EXPECT_EQ(out.text, c.text) << c.what;
        if (c.ok) { EXPECT_EQ(image.GetWidth(), c.width) << c.what; }
    }
}

TEST(WbmpReader, ExtensionsSkippedAndShortFileStaysWhite) {
    // 9 x 3 after extensions; the second row ends after one byte, the third is missing.
    CImage image;
    const Outcome out = LoadBytes(LoadWbmp, image, {0,   0x80, 0x80, 0x85, 0x01, 0x63, 'n', 'a',  'm',  'e',
                                                    '_', 'x',  'v',  'a',  'l',  9,    3,   0x55, 0x00, 0x0F},
                                  L"test.wbmp");
    ASSERT_TRUE(out.ok) << qrvtest::Narrow(out.text);
    ASSERT_EQ(image.GetHeight(), 3u);
    EXPECT_EQ(Index(image, 0, 0), 0);  // set bits are white (index 1)
    EXPECT_EQ(Index(image, 1, 0), 1);
    EXPECT_EQ(Index(image, 8, 0), 0);
    EXPECT_EQ(Index(image, 3, 1), 0);
    EXPECT_EQ(Index(image, 4, 1), 1);
    EXPECT_EQ(Index(image, 8, 1), 1);  // missing byte: white as created
    EXPECT_EQ(Index(image, 0, 2), 1);
    EXPECT_EQ(image.palette[1][0], 255);
    EXPECT_EQ(image.palette[0][0], 0);
}

TEST(XbmReader, NumbersCommentsAndBitOrder) {
    // Decimal, octal and hexadecimal numbers; a comment that names a width is
    // skipped; the hot spot is read past.
    const std::string text =
        "/* a_width 99 */\n#define t_width 10\n#define t_height 2\n#define t_x_hot 1\n#define t_y_hot 0X1\n"
        "static unsigned char t_bits[] = {\n  1, 0x03, /* row 2 */ 0200, 0x02 };\n";
    CImage image;
    const Outcome out = LoadBytes(LoadXbm, image, Text(text), L"test.xbm");
    ASSERT_TRUE(out.ok) << qrvtest::Narrow(out.text);
    ASSERT_EQ(image.GetWidth(), 10u);
    ASSERT_EQ(image.GetHeight(), 2u);
    const int row0[10] = {1, 0, 0, 0, 0, 0, 0, 0, 1, 1};
    const int row1[10] = {0, 0, 0, 0, 0, 0, 0, 1, 0, 1};
    for (uint32_t x = 0; x < 10; ++x) {
        EXPECT_EQ(Index(image, x, 0), row0[x]) << x;
        EXPECT_EQ(Index(image, x, 1), row1[x]) << x;
    }
    EXPECT_EQ(image.palette[1][0], 0);  // set bits are black
}

TEST(XbmReader, ShortHoldsSixteenPixels) {
    const std::string text = "#define s_width 20\n#define s_height 1\nstatic short s_bits[] = { 0x8001, 0x0009 };\n";
    CImage image;
    const Outcome out = LoadBytes(LoadXbm, image, Text(text), L"test.xbm");
    ASSERT_TRUE(out.ok) << qrvtest::Narrow(out.text);
    for (uint32_t x = 0; x < 20; ++x)
        EXPECT_EQ(Index(image, x, 0), (x == 0 || x == 15 || x == 16 || x == 19) ? 1 : 0) << x;
}

TEST(XbmReader, HeaderErrors) {
    struct Case {
        const char* text;
        const wchar_t* error;
    };
    const Case cases[] = {
        {"#define a_height 2\nstatic char a_bits[] = { 0 };", L"XBM: no image width specified\n"},
        {"#define a_width 2\nstatic char a_bits[] = { 0 };", L"XBM: no image height specified\n"},
        {"#define a_width 2\n#define a_height 2\nstatic long a_bits[] = { 0 };",
         L"XBM: no image data type specified\n"},
        {"#define a_width 2\n#define a_height 2\n", L"XBM: cannot read header (ftell == 37)\n"},
        {"#define a_width 100000\n#define a_height 100000\nstatic char a_bits[] = { 0 };",
         L"XBM File is too short for its image size!"},
    };
    for (const Case& c : cases) {
        CImage image;
        const Outcome out = LoadBytes(LoadXbm, image, Text(c.text), L"test.xbm");
        EXPECT_FALSE(out.ok) << c.text;
        EXPECT_EQ(out.text, c.error) << c.text;
    }
}

TEST(MacPaintReader, HeaderPlacesAndShortFiles) {
    // A first byte other than 0 means no header: the rows start at offset 0.
    // Row 0: one literal 0xFF, then 71 x 0x00. Row 1: literal 0x81, then a run
    // of 72 x 0xFF that the row end cuts to 71. Row 2: 72 x 0x0F. Then no-op
    // control bytes up to the end of the file.
    std::vector<uint8_t> bare = {0x80, 0x00, 0xFF, 257 - 71, 0x00, 0x00, 0x81, 257 - 72, 0xFF, 257 - 72, 0x0F};
    bare.resize(80, 0x80);
    CImage image;
    const Outcome out = LoadBytes(LoadMac, image, bare, L"bare.mac");
    ASSERT_TRUE(out.ok) << qrvtest::Narrow(out.text);
    EXPECT_EQ(Index(image, 0, 0), 1);  // set bits are black (index 1)
    EXPECT_EQ(Index(image, 7, 0), 1);
    EXPECT_EQ(Index(image, 8, 0), 0);
    EXPECT_EQ(Index(image, 0, 1), 1);
    EXPECT_EQ(Index(image, 1, 1), 0);
    EXPECT_EQ(Index(image, 575, 1), 1);
    EXPECT_EQ(Index(image, 0, 2), 0);
    EXPECT_EQ(Index(image, 4, 2), 1);
    EXPECT_EQ(Index(image, 0, 3), 0);  // past the data: white as created
    EXPECT_EQ(Index(image, 575, 719), 0);
    EXPECT_EQ(image.palette[0][0], 255);

    CImage shortImage;
    const Outcome shortOut = LoadBytes(LoadMac, shortImage, std::vector<uint8_t>(68, 0), L"short.mac");
    EXPECT_FALSE(shortOut.ok);
    EXPECT_EQ(shortOut.text, L"Couldn't read MACHeader!");
}

std::vector<uint8_t> MspHeader(uint16_t key1, uint16_t key2, uint16_t w, uint16_t h) {
    std::vector<uint8_t> b(32, 0);
    const uint16_t fields[4] = {key1, key2, w, h};
    for (int i = 0; i < 4; ++i) {
        b[i * 2] = (uint8_t)fields[i];
        b[i * 2 + 1] = (uint8_t)(fields[i] >> 8);
    }
    return b;
}

TEST(MspReader, HeaderCases) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        const wchar_t* text;
    };
    auto wrongKey = MspHeader(0x6144, 0x4D6F, 8, 1);
    auto huge = MspHeader(0x6144, 0x4D6E, 65535, 65535);
    huge.push_back(0);
    const Case cases[] = {
        {"short header", {0x44, 0x61, 0x6E, 0x4D, 8, 0, 1}, L"Couldn't read MSPHeader!"},
        {"wrong key", wrongKey, L"Invalid FormatID"},
        {"size beyond file", huge, L"MSP File is too short for its image size!"},
        {"width 0", MspHeader(0x6144, 0x4D6E, 0, 4), L"Unable to allocate Memory for storing Imagedata!"},
    };
    for (const Case& c : cases) {
        CImage image;
        const Outcome out = LoadBytes(LoadMsp, image, c.bytes, L"test.msp");
        EXPECT_FALSE(out.ok) << c.what;
        EXPECT_EQ(out.text, c.text) << c.what;
    }
}

TEST(ZbrReader, RefusedFiles) {
    const auto good = qrvtest::ReadAll(qrvtest::Fixture(L"small\\zbr-v4.zbr"));
    ASSERT_GT(good.size(), 5368u);
    auto version5 = std::vector<uint8_t>(good.begin(), good.end());
    version5[2] = 5;
    auto wrongMagic = std::vector<uint8_t>(good.begin(), good.end());
    wrongMagic[0] = 0x9B;
    const auto cut = std::vector<uint8_t>(good.begin(), good.begin() + 5367);
    struct Case {
        const char* what;
        const std::vector<uint8_t>& bytes;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"version 5", version5, L"Failed to load ZBR Preview!"},
        {"magic", wrongMagic, L"Invalid FormatID"},
        {"cut in the pixels", cut, L"Failed to load ZBR Preview!"},
    };
    for (const Case& c : cases) {
        CImage image;
        const Outcome out = LoadBytes(LoadZbr, image, c.bytes, L"test.zbr");
        EXPECT_FALSE(out.ok) << c.what;
        EXPECT_EQ(out.text, c.text) << c.what;
    }
}

}  // namespace
