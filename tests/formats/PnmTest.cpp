// The PNM reader against files from netpbm and ImageMagick (compared with
// ImageMagick's decoding), hand-made headers for the edge cases, and the
// writers read back by netpbm.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

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
    int tolerance;  // 16-bit samples: we keep the high byte, ImageMagick rounds
};

const FixtureCase kFixtures[] = {
    {L"rgb-raw.ppm", 24, 0},         {L"grey-raw.pgm", 8, 0},   {L"mono-raw.pbm", 1, 0},   {L"rgb-plain.ppm", 24, 0},
    {L"grey-plain.pgm", 8, 0},       {L"mono-plain.pbm", 1, 0}, {L"rgb-16bit.ppm", 24, 1}, {L"ramp-16bit.pgm", 8, 1},
    {L"rgb-16bit-plain.pnm", 24, 1}, {L"ramp.pgm", 8, 0},
};

TEST(PnmReader, FixturesMatchImageMagick) {
    for (const FixtureCase& c : kFixtures)
        pixelcheck::ExpectFixtureMatches(LoadPnm, FMT_PNM, std::wstring(L"pnm\\") + c.name, c.bpp, false, c.tolerance);
}

using fmttest::Loaded;

Loaded LoadBytes(CImage& image, const std::string& bytes) {
    return fmttest::LoadBytes(LoadPnm, image, fmttest::Bytes(bytes), L"test.pnm");
}

// Pixel x of the top row of the picture: index for palette images, else blue,
// green, red packed as 0xBBGGRR.
uint32_t TopPixel(CImage& image, uint32_t x, uint32_t y = 0) {
    const uint32_t row = image.GetHeight() - 1 - y;
    if (image.GetBpp() <= 8) return image.GetPixelIndex(x, row);
    const uint8_t* p = image.ScanLine(row) + x * 3;
    return (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2];
}

TEST(PnmReader, RefusedHeaders) {
    auto b = fmttest::Bytes;
    fmttest::ExpectRefused(
        LoadPnm, L"refused.pnm",
        {
            {"P7", b("P7\nWIDTH 2\nHEIGHT 2\nDEPTH 1\nMAXVAL 255\nENDHDR\n\1\2\3\4"), FORMAT_TEXT_INVALID_ID},
            {"P and a letter", b("PA\n2 2\n255\n\1\2\3\4"), FORMAT_TEXT_INVALID_ID},
            {"P0", b("P0\n2 2\n255\n\1\2\3\4"), FORMAT_TEXT_INVALID_ID},
            {"letters for the width", b("P5\nx 2\n255\n\1\2\3\4"), FORMAT_TEXT_INVALID_ID},
            {"end of file in the header", b("P5\n2 2\n25"), FORMAT_TEXT_INVALID_ID},
            {"raw data right after the maximum", b("P5\n2 2\n255\x01\2\3\4"), FORMAT_TEXT_INVALID_ID},
            {"maximum 0", b("P5\n2 2\n0\n\1\2\3\4"), FORMAT_TEXT_INVALID_ID},
            {"width beyond 32 bits", b("P5\n99999999999 2\n255\n\1\2\3\4"), FORMAT_TEXT_INVALID_ID},
            {"width 0", b("P5\n0 2\n255\n\1\2"), L"Failed to create Image!"},
            {"negative height", b("P5\n2 -2\n255\n\1\2"), L"Failed to create Image!"},
            {"beyond the image limit", b("P6\n100000 100000\n255\n\1\2"), L"Failed to create Image!"},
            {"far more rows than the file holds", b("P6\n10000 10000\n255\n\1\2\3"),
             L"PNM File is too short for its image size!"},
            {"plain map far beyond the file", b("P3\n8000 8000\n255\n1 2 3\n"),
             L"PNM File is too short for its image size!"},
        });
    CImage image;
    qrvtest::TempDir dir;
    std::wstring text;
    EXPECT_FALSE(fmttest::LoadWith(LoadPnm, image, dir.File(L"missing.ppm"), &text));
    EXPECT_EQ(text, L"Unable to open file!");
}

TEST(PnmReader, P7NamedPgmIsUnsupported) {
    qrvtest::TempDir dir;
    const std::string bytes = "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nENDHDR\n\1";
    const std::wstring path = dir.File(L"seven.pgm");
    ASSERT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
    CImage image;
    wchar_t out[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(LoadMediaFile(image, path.c_str(), out, nullptr));
    EXPECT_STREQ(out, FORMAT_TEXT_UNSUPPORTED);
}

TEST(PnmReader, CommentsAreSkippedEvenBetweenDigits) {
    CImage image;
    // Width "1#...\n2" is 12; a comment between width and height and one
    // right after the magic.
    const Loaded r = LoadBytes(image,
                               "P2# after the magic\n1# inside the width\n2 # between\n1\n255\n"
                               "0 1 2 3 4 5 6 7 8 9 1#x\n0 255\n");
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    EXPECT_EQ(image.GetWidth(), 12u);
    EXPECT_EQ(image.GetHeight(), 1u);
    EXPECT_EQ(TopPixel(image, 9), 9u);
    EXPECT_EQ(TopPixel(image, 10), 10u);
    EXPECT_EQ(TopPixel(image, 11), 255u);
}

TEST(PnmReader, SamplesKeepTheirHighByteAndAreNotRescaled) {
    {
        CImage image;
        const std::string p5 = std::string("P5\n3 1\n65535\n") + std::string("\x12\x34\xAB\xCD\xFF\x00", 6);
        ASSERT_TRUE(LoadBytes(image, p5).ok);
        EXPECT_EQ(TopPixel(image, 0), 0x12u);
        EXPECT_EQ(TopPixel(image, 1), 0xABu);
        EXPECT_EQ(TopPixel(image, 2), 0xFFu);
    }
    {
        CImage image;
        const std::string p6 = std::string("P6\n1 1\n65535\n") + std::string("\x11\x00\x22\x00\x33\x00", 6);
        ASSERT_TRUE(LoadBytes(image, p6).ok);
        ASSERT_EQ(image.GetBpp(), 24);
        EXPECT_EQ(TopPixel(image, 0), 0x332211u);  // blue, green, red
    }
    {
        CImage image;
        ASSERT_TRUE(LoadBytes(image, "P2\n3 1\n15\n0 7 15\n").ok);
        EXPECT_EQ(TopPixel(image, 1), 7u);
        EXPECT_EQ(TopPixel(image, 2), 15u);
        EXPECT_EQ(image.palette[15][0], 15);  // the grey ramp is entry i = i
    }
    {
        CImage image;
        ASSERT_TRUE(LoadBytes(image, "P3\n1 1\n1023\n1023 512 4\n").ok);
        EXPECT_EQ(TopPixel(image, 0), 0x0180FFu);  // each shifted right by 2
    }
}

TEST(PnmReader, BitmapPalettes) {
    CImage plain;
    ASSERT_TRUE(LoadBytes(plain, "P1\n3 2\n1 0 1\n001\n").ok);
    ASSERT_EQ(plain.GetBpp(), 1);
    EXPECT_EQ(plain.palette[0][0], 0);  // index 0 black
    EXPECT_EQ(plain.palette[1][0], 255);
    EXPECT_EQ(TopPixel(plain, 0), 0u);
    EXPECT_EQ(TopPixel(plain, 1), 1u);
    EXPECT_EQ(TopPixel(plain, 2, 1), 0u);

    CImage raw;
    ASSERT_TRUE(LoadBytes(raw, std::string("P4\n3 1\n") + "\xA0").ok);
    EXPECT_EQ(raw.palette[0][0], 255);  // index 0 white
    EXPECT_EQ(raw.palette[1][0], 0);
    EXPECT_EQ(TopPixel(raw, 0), 1u);
    EXPECT_EQ(TopPixel(raw, 1), 0u);
}

TEST(PnmReader, ShortDataKeepsTheRowsRead) {
    CImage image;
    const Loaded r = LoadBytes(image, "P5\n2 3\n255\n\x05\x06\x07");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(TopPixel(image, 0), 5u);
    EXPECT_EQ(TopPixel(image, 1), 6u);
    EXPECT_EQ(TopPixel(image, 0, 1), 7u);
    EXPECT_EQ(TopPixel(image, 0, 2), 0u);
}

// netpbm's plain rendering of a file we wrote, read back by our reader.
bool ReadBackByNetpbm(const std::wstring& path, CImage& out) {
    const std::wstring plain = path + L".plain.pnm";
    const std::string cmd = "pnmtoplainpnm '" + qrvtest::HostPath(path) + "' > '" + qrvtest::HostPath(plain) + "'";
    if (qrvtest::RunHost(cmd) != 0) return false;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    LoadCall call;
    return LoadPnm(out, plain.c_str(), text, call);
}

TEST(PnmWriter, EveryDepthReadBackByNetpbm) {
    qrvtest::TempDir dir;
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        CImage source;
        ASSERT_TRUE(pixelcheck::MakePattern24(source, 13, 5));
        if (bpp != 24) { ASSERT_TRUE(source.ConvertDepth(bpp)) << bpp; }
        const std::wstring path = dir.File(L"depth" + std::to_wstring(bpp) + L".pnm");
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SavePnm(path.c_str(), source, text)) << bpp << ": " << qrvtest::Narrow(text);
        EXPECT_FALSE(qrvtest::FileExists(path + L".tmp"));
        const auto file = qrvtest::ReadAll(path);
        ASSERT_GE(file.size(), 2u);
        EXPECT_EQ(file[1], bpp == 1 ? '4' : '6') << bpp;

        CImage back;
        ASSERT_TRUE(ReadBackByNetpbm(path, back)) << bpp;
        const int difference =
            pixelcheck::MaxDifference(pixelcheck::ImageRgba(back), pixelcheck::ImageRgba(source), false);
        EXPECT_GE(difference, 0) << bpp;
        EXPECT_LE(difference, bpp == 16 ? 7 : 0) << bpp;  // GDI widens 5 bits by a shift
    }
}

TEST(PnmWriter, P4RoundTripIsByteIdentical) {
    const std::wstring fixture = qrvtest::Fixture(L"pnm\\mono-raw.pbm");
    CImage image;
    ASSERT_TRUE(fmttest::LoadWith(LoadPnm, image, fixture));
    qrvtest::TempDir dir;
    const std::wstring first = dir.File(L"first.pbm"), second = dir.File(L"second.pbm");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SavePnm(first.c_str(), image, text));
    CImage again;
    ASSERT_TRUE(fmttest::LoadWith(LoadPnm, again, first));
    ASSERT_TRUE(SavePnm(second.c_str(), again, text));
    EXPECT_EQ(qrvtest::ReadAll(first), qrvtest::ReadAll(second));
    // The pixel data is ImageMagick's own, bit for bit (rows of 37 pixels, 5 bytes).
    const auto source = qrvtest::ReadAll(fixture), ours = qrvtest::ReadAll(first);
    const size_t data = 5 * 23;
    ASSERT_GE(source.size(), data);
    ASSERT_GE(ours.size(), data);
    EXPECT_TRUE(std::equal(source.end() - data, source.end(), ours.end() - data));
}

TEST(PnmWriter, WhiteEntryOneIsInverted) {
    uint8_t rgb[256 * 3] = {};
    std::memset(rgb + 3, 255, 3);  // 0 black, 1 white
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(8, 1, 1, 0, rgb));
    image.ScanLine(0)[0] = 0x0F;  // four black, four white pixels
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"inverted.pbm");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SavePnm(path.c_str(), image, text));
    const auto file = qrvtest::ReadAll(path);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file.back(), 0xF0);
    CImage colour;
    ASSERT_TRUE(pixelcheck::MakePattern24(colour, 2, 2));
    EXPECT_FALSE(SavePbm(path.c_str(), colour, text));  // not a 1-bit image
}

TEST(PnmWriter, GreyPgmIsWrittenAsPixelMap) {
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 4, 4));
    ASSERT_TRUE(image.ConvertDepth(8));
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"grey.pgm");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveImageFile(path.c_str(), image, text, SaveOptions{})) << qrvtest::Narrow(text);
    const auto file = qrvtest::ReadAll(path);
    ASSERT_GE(file.size(), 3u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 3), "P6\n");
}

TEST(PnmWriter, FailedSaveKeepsTheTarget) {
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 4, 4));
    qrvtest::TempDir dir;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(SavePnm(dir.File(L"no\\such\\folder.ppm").c_str(), image, text));
    EXPECT_STREQ(text, L"Couldn't open PPM file for writing!");

    // A target held open by another program cannot be replaced: it keeps its
    // bytes and no temporary file stays behind.
    const std::wstring target = dir.File(L"locked.ppm");
    ASSERT_TRUE(qrvtest::WriteAll(target, "old", 3));
    HANDLE lock = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SaveImageFile(target.c_str(), image, text, SaveOptions{}));
    CloseHandle(lock);
    EXPECT_EQ(std::wstring(text).rfind(L"Unable to replace ", 0), 0u) << qrvtest::Narrow(text);
    const auto kept = qrvtest::ReadAll(target);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "old");
    EXPECT_FALSE(qrvtest::FileExists(target + L".tmp"));
}

}  // namespace
