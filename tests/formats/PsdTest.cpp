// Photoshop reader against ImageMagick's files (compared with its decoding of
// the merged picture), and hand-made files for the modes, depths and damage no
// tool writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/CraftedFile.h"
#include "formats/FormatCodecs.h"
#include "formats/FormatTestUtil.h"
#include "formats/Formats.h"
#include "formats/PixelCheck.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct PsdFixture {
    const wchar_t* name;
    int bpp;
    bool alpha;     // compare the fourth byte too
    int tolerance;  // CMYK: ImageMagick rounds, the reader divides
};

const PsdFixture kFixtures[] = {
    {L"rgb-raw.psd", 24, false, 0},       {L"rgb-rle.psd", 24, false, 0},       {L"rgba-raw.psd", 32, true, 0},
    {L"rgba-rle.psd", 32, true, 0},       {L"grey-raw.psd", 8, false, 0},       {L"grey-rle.psd", 8, false, 0},
    {L"grey-alpha-raw.psd", 8, false, 0}, {L"grey-alpha-rle.psd", 8, false, 0}, {L"cmyk-raw.psd", 32, true, 1},
    {L"cmyk-rle.psd", 32, true, 1},       {L"cmyka-rle.psd", 32, false, 1},     {L"bitmap-raw.psd", 1, false, 0},
    {L"bitmap-rle.psd", 1, false, 0},     {L"rgb16-raw.psd", 24, false, 0},     {L"rgb16-rle.psd", 24, false, 0},
    {L"rgba16-raw.psd", 32, true, 0},     {L"rgba16-rle.psd", 32, true, 0},     {L"grey16-raw.psd", 8, false, 0},
    {L"grey16-rle.psd", 8, false, 0},     {L"indexed-raw.psd", 8, false, 0},
};

TEST(PsdReader, FixturesMatchImageMagick) {
    for (const PsdFixture& c : kFixtures) {
        SCOPED_TRACE(qrvtest::Narrow(c.name));
        pixelcheck::ExpectFixtureMatches(LoadPsd, FMT_PSD, std::wstring(L"psd\\") + c.name, c.bpp, c.alpha,
                                         c.tolerance);
    }
}

TEST(PsdReader, BitmapFilesHaveWhiteAtIndexZero) {
    CImage image;
    std::wstring text;
    ASSERT_TRUE(fmttest::LoadWith(LoadPsd, image, qrvtest::Fixture(L"psd\\bitmap-rle.psd"), &text))
        << qrvtest::Narrow(text);
    EXPECT_EQ(RGB(image.palette[0][2], image.palette[0][1], image.palette[0][0]), RGB(255, 255, 255));
    EXPECT_EQ(RGB(image.palette[1][2], image.palette[1][1], image.palette[1][0]), RGB(0, 0, 0));
}

// A file assembled by hand: header, the three sections, compression, data.
struct PsdSpec {
    uint32_t channels = 3, height = 1, width = 1, depth = 8, mode = 3;
    Bytes colorData, resources, layers;
    uint32_t compression = 0;
    Bytes data;  // run-length files: the byte-count table is written in front of it
};

Bytes PsdFile(const PsdSpec& s) {
    fmttest::CraftedFile f;
    f.Text("8BPS").U16BE(1).Fill(6).U16BE(s.channels).U32BE(s.height).U32BE(s.width).U16BE(s.depth).U16BE(s.mode);
    f.U32BE((uint32_t)s.colorData.size()).Raw(s.colorData);
    f.U32BE((uint32_t)s.resources.size()).Raw(s.resources);
    f.U32BE((uint32_t)s.layers.size()).Raw(s.layers);
    f.U16BE(s.compression);
    if (s.compression == 1) f.Fill(2ull * s.height * s.channels, 0x55);  // never read
    return f.Raw(s.data).bytes;
}

struct DecodeCase {
    const char* what;
    PsdSpec spec;
    int bpp;
    Bytes rgba;  // top row first
};

TEST(PsdReader, HandMadeFilesDecode) {
    // An indexed file's colour table: 256 reds, 256 greens, 256 blues, here
    // followed by bytes that are not part of it.
    Bytes table(768 + 40, 0xEE);
    for (int i = 0; i < 256; ++i) table[i] = (uint8_t)i, table[256 + i] = (uint8_t)(255 - i), table[512 + i] = 7;
    const DecodeCase cases[] = {
        {"indexed, colour section longer than the table",
         {.channels = 1, .height = 1, .width = 2, .mode = 2, .colorData = table, .data = {3, 200}},
         8,
         {3, 252, 7, 255, 200, 55, 7, 255}},
        {"indexed, table cut short: the rest of it black",
         {.channels = 1, .height = 1, .width = 2, .mode = 2, .colorData = {9, 8, 7}, .data = {1, 5}},
         8,
         {8, 0, 0, 255, 0, 0, 0, 255}},
        {"Lab channels shown as red, green, blue",
         {.channels = 3, .height = 1, .width = 2, .mode = 9, .data = {10, 20, 30, 40, 50, 60}},
         24,
         {10, 30, 50, 255, 20, 40, 60, 255}},
        {"multichannel with three channels",
         {.channels = 3, .height = 1, .width = 1, .mode = 7, .data = {1, 2, 3}},
         24,
         {1, 2, 3, 255}},
        {"duotone: a grey ramp",
         {.channels = 1, .height = 2, .width = 1, .mode = 8, .data = {17, 99}},
         8,
         {17, 17, 17, 255, 99, 99, 99, 255}},
        {"five channels: the first four",
         {.channels = 5, .height = 1, .width = 1, .data = {1, 2, 3, 4, 5}},
         32,
         {1, 2, 3, 4}},
        {"CMYK: 0 is full ink, black 128 halves every colour",
         {.channels = 4, .height = 1, .width = 2, .mode = 4, .data = {255, 0, 255, 100, 10, 255, 128, 255}},
         32,
         {128, 128, 5, 255, 0, 100, 255, 255}},
        {"layers and resources are skipped",
         {.channels = 1,
          .height = 1,
          .width = 1,
          .mode = 1,
          .resources = Bytes(30, 1),
          .layers = Bytes(77, 2),
          .data = {42}},
         8,
         {42, 42, 42, 255}},
        // Row bytes 11 12, 13 13, 13 13, 14 15 of a 4 x 1 grey 16-bit picture:
        // the runs cross the 2-byte samples, the high bytes are kept.
        {"16-bit run-length rows pack bytes",
         {.channels = 1,
          .height = 1,
          .width = 4,
          .depth = 16,
          .mode = 1,
          .compression = 1,
          .data = {1, 0x11, 0x12, 0xFD, 0x13, 1, 0x14, 0x15}},
         8,
         {0x11, 0x11, 0x11, 255, 0x13, 0x13, 0x13, 255, 0x13, 0x13, 0x13, 255, 0x14, 0x14, 0x14, 255}},
        {"16-bit raw samples keep the first byte",
         {.channels = 3, .height = 1, .width = 1, .depth = 16, .data = {0xA1, 0xFF, 0xB2, 0x00, 0xC3, 0x80}},
         24,
         {0xA1, 0xB2, 0xC3, 255}},
        // Row 0: a run of 6 cut at 4; row 1 starts right after it with 128,
        // which does nothing, then a literal of 5 cut at 4.
        {"runs past the row end are cut there",
         {.channels = 1,
          .height = 2,
          .width = 4,
          .mode = 1,
          .compression = 1,
          .data = {0xFB, 9, 128, 4, 1, 2, 3, 4, 5}},
         8,
         {9, 9, 9, 255, 9, 9, 9, 255, 9, 9, 9, 255, 9, 9, 9, 255,
          1, 1, 1, 255, 2, 2, 2, 255, 3, 3, 3, 255, 4, 4, 4, 255}},
        {"bitmap rows are packed bits",
         {.channels = 1, .height = 1, .width = 10, .depth = 1, .mode = 0, .data = {0xA0, 0x40}},
         1,
         {0,   0,   0,   255, 255, 255, 255, 255, 0,   0,   0,   255, 255, 255, 255, 255, 255, 255, 255, 255,
          255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0,   0,   0,   255}},
        // Extra channels (alpha, spot colours) follow the first: skipped.
        {"bitmap with three channels: the first",
         {.channels = 3, .height = 2, .width = 3, .depth = 1, .mode = 0, .data = {0xA0, 0x40, 0xFF, 0xFF, 0, 0}},
         1,
         {0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 255, 255}},
        {"bitmap with two channels, run-length",
         {.channels = 2,
          .height = 2,
          .width = 9,
          .depth = 1,
          .mode = 0,
          .compression = 1,
          .data = {1, 0x80, 0x80, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF}},
         1,
         {0,   0,   0,   255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
          255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0,   0,   0,   255,
          255, 255, 255, 255, 0,   0,   0,   255, 0,   0,   0,   255, 0,   0,   0,   255, 0,   0,
          0,   255, 0,   0,   0,   255, 0,   0,   0,   255, 0,   0,   0,   255, 255, 255, 255, 255}},
        {"four channels of one bit",
         {.channels = 4, .height = 1, .width = 2, .depth = 1, .mode = 0, .data = {0x40, 0xC0, 0xC0, 0xC0}},
         1,
         {255, 255, 255, 255, 0, 0, 0, 255}},
    };
    for (const DecodeCase& c : cases) {
        CImage image;
        const fmttest::Loaded r = fmttest::LoadBytes(LoadPsd, image, PsdFile(c.spec), L"made.psd");
        ASSERT_TRUE(r.ok) << c.what << ": " << qrvtest::Narrow(r.text);
        EXPECT_EQ(image.GetBpp(), c.bpp) << c.what;
        EXPECT_EQ(pixelcheck::ImageRgba(image), c.rgba) << c.what;
    }
}

TEST(PsdReader, DataEndingEarlyKeepsWhatWasRead) {
    // 2 x 2 grey, the second row missing, raw and run-length.
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"short.psd");
    for (uint32_t compression : {0u, 1u}) {
        PsdSpec spec{.channels = 1, .height = 2, .width = 2, .mode = 1, .compression = compression};
        spec.data = compression ? Bytes{1, 50, 60, 1} : Bytes{50, 60};
        const Bytes file = PsdFile(spec);
        ASSERT_TRUE(qrvtest::WriteAll(path, file.data(), file.size()));
        CImage image;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        LoadCall call;
        ASSERT_TRUE(LoadPsd(image, path.c_str(), text, call)) << compression;
        EXPECT_TRUE(call.result.cutShort) << compression;
        EXPECT_EQ(pixelcheck::ImageRgba(image), (Bytes{50, 50, 50, 255, 60, 60, 60, 255, 0, 0, 0, 255, 0, 0, 0, 255}))
            << compression;
    }
}

TEST(PsdReader, RefusesWhatItCannotRead) {
    const Bytes good = PsdFile({});
    auto with = [&](size_t at, std::initializer_list<int> bytes) {
        Bytes b = good;
        for (int v : bytes) b[at++] = (uint8_t)v;
        return b;
    };
    std::vector<fmttest::RefusedCase> cases = {
        {"not 8BPS", with(0, {'8', 'B', 'P', 'X'}), FORMAT_TEXT_INVALID_ID},
        {"version 2", with(4, {0, 2}), L"Only Version 1.0 supported!"},
        {"17 channels", with(12, {0, 17}), L"Not supported or Invalid Channel Count!"},
        {"no channel", with(12, {0, 0}), L"Not supported or Invalid Channel Count!"},
        {"mode 5", with(24, {0, 5}), L"ColorMode not supported!"},
        {"mode 6", with(24, {0, 6}), L"ColorMode not supported!"},
        {"mode 10", with(24, {0, 10}), L"ColorMode not supported!"},
        {"compression 2", with(38, {0, 2}), L"PSD CompressionType not supported!"},
        {"compression 3", with(38, {0, 3}), L"PSD CompressionType not supported!"},
        {"zero width", with(18, {0, 0, 0, 0}), L"Unable to allocate Memory for storing Imagedata!"},
        {"depth 0", with(22, {0, 0}), L"PSD sample depth not supported (1, 8 or 16 bits)!"},
        {"depth 32 (floating point)", with(22, {0, 32}), L"PSD sample depth not supported (1, 8 or 16 bits)!"},
        {"depth 4", with(22, {0, 4}), L"PSD sample depth not supported (1, 8 or 16 bits)!"},
        {"larger than an image may be", with(14, {0, 0x10, 0, 0, 0, 0x10, 0, 0}),
         L"Unable to allocate Memory for storing Imagedata!"},
        {"colour data past the end", with(26, {0, 0, 0x10, 0}), L"PSD File is too short for its header sections!"},
        {"resources past the end", with(30, {0x7F, 0xFF, 0xFF, 0xFF}),
         L"PSD File is too short for its header sections!"},
        {"layers past the end", with(34, {0xFF, 0xFF, 0xFF, 0xFF}), L"PSD File is too short for its header sections!"},
        {"header cut short", Bytes(good.begin(), good.begin() + 20), L"PSD File is too short for its header sections!"},
        {"no compression field", Bytes(good.begin(), good.begin() + 38),
         L"PSD File is too short for its header sections!"},
        {"far more pixels than data", with(14, {0, 0, 0x20, 0, 0, 0, 0x20, 0}),
         L"PSD File is too short for its image size!"},
    };
    // A run-length file whose byte-count table does not fit.
    Bytes packed = PsdFile({.height = 200, .width = 1, .compression = 1});
    packed.resize(40 + 100);
    cases.push_back({"byte counts past the end", packed, L"PSD File is too short for its header sections!"});
    fmttest::ExpectRefused(LoadPsd, L"refused.psd", cases);
}

}  // namespace
