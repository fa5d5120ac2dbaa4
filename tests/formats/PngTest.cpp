#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FormatTestUtil.h"
#include "PixelCheck.h"
#include "formats/Formats.h"
#include "formats/Png.h"
#include "formats/ReaderServices.h"
#include "image/Image.h"
#include "support/TestSupport.h"

using qrvtest::Fixture;
using qrvtest::TempDir;

namespace {

constexpr COLORREF kBackground = RGB(1, 2, 250);
COLORREF TestBackground() { return kBackground; }

// Installs a known viewer background for the test's lifetime.
struct BackgroundScope {
    BackgroundColorProvider previous = SetBackgroundColorProvider(TestBackground);
    ~BackgroundScope() { SetBackgroundColorProvider(previous); }
};

bool Load(CImage& image, const std::wstring& path, std::wstring* text = nullptr) {
    return fmttest::LoadWith(LoadPng, image, path, text);
}

uint32_t Crc32(const uint8_t* data, size_t count, uint32_t crc = 0xFFFFFFFFu) {
    for (size_t i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return crc;
}

void PutU32BE(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((uint8_t)(v >> shift));
}

// Appends a chunk whose length field is claimedLength (the data's size when 0)
// and whose CRC is right for the data given.
void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data,
              uint32_t claimedLength = 0) {
    PutU32BE(out, claimedLength ? claimedLength : (uint32_t)data.size());
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutU32BE(out, Crc32(typed.data(), typed.size()) ^ 0xFFFFFFFFu);
}

// A PNG of 1 x 1 grey pixels: signature and header.
std::vector<uint8_t> PngHead() {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(out, "IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0});
    return out;
}

}  // namespace

TEST(Png, EveryColourTypeAndDepthDecodesAsImageMagickDecodesIt) {
    struct Case {
        const wchar_t* name;
        int bpp;
        bool alpha;
    } cases[] = {
        {L"pal8", 8, false},
        {L"pal4", 4, false},
        {L"pal2", 4, false},
        {L"pal1", 1, false},
        {L"grey8", 8, false},
        {L"grey4", 4, false},
        {L"grey2", 4, false},
        {L"grey1", 1, false},
        {L"grey16", 8, false},
        {L"rgb8", 24, false},
        {L"rgb8_interlaced", 24, false},
        {L"rgb16", 24, false},
        {L"rgba8", 32, true},
        {L"rgba16", 32, true},
        {L"grey_alpha", 32, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.name));
        CImage image;
        std::wstring text;
        ASSERT_TRUE(Load(image, Fixture(std::wstring(L"png_") + c.name + L".png"), &text)) << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetBpp(), c.bpp);
        EXPECT_EQ(image.GetWidth(), 61u);
        EXPECT_EQ(image.GetHeight(), 37u);
        EXPECT_FALSE(image.hasTransparency);
        EXPECT_TRUE(pixelcheck::MatchesRgba(image, Fixture(std::wstring(L"png_") + c.name + L".rgba"), c.alpha));
    }
}

TEST(Png, TwoBitGreyBecomesFourBitWithFourGreys) {
    CImage image;
    ASSERT_TRUE(Load(image, Fixture(L"png_grey2.png")));
    ASSERT_EQ(image.GetBpp(), 4);
    const uint8_t greys[4] = {0, 85, 170, 255};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(image.palette[i][0], greys[i]);
}

TEST(Png, PaletteTransparencyIsCompositedOverTheViewBackground) {
    BackgroundScope background;
    for (const wchar_t* name : {L"png_trns.png", L"png_trns_interlaced.png"}) {
        SCOPED_TRACE(qrvtest::Narrow(name));
        CImage image;
        ASSERT_TRUE(Load(image, Fixture(name)));
        ASSERT_EQ(image.GetBpp(), 4);
        EXPECT_TRUE(image.hasTransparency);
        EXPECT_TRUE(pixelcheck::TransparentPixelsShow(image, Fixture(L"png_trns.rgba"), kBackground));
    }
}

TEST(Png, InterlacedFilesMatchTheirTwins) {
    CImage plain, interlaced;
    ASSERT_TRUE(Load(plain, Fixture(L"png_rgb8.png")));
    ASSERT_TRUE(Load(interlaced, Fixture(L"png_rgb8_interlaced.png")));
    EXPECT_TRUE(pixelcheck::SamePixels(plain, interlaced));
    CImage trns, trnsInterlaced;
    ASSERT_TRUE(Load(trns, Fixture(L"png_trns.png")));
    ASSERT_TRUE(Load(trnsInterlaced, Fixture(L"png_trns_interlaced.png")));
    EXPECT_TRUE(pixelcheck::SamePixels(trns, trnsInterlaced));
}

// A file cut inside its image data keeps the rows read so far; one cut inside
// its header has no picture and fails instead of counting as loaded.
TEST(Png, CutFilesKeepTheirRowsOnlyOnceThePictureExists) {
    BackgroundScope background;
    CImage image;
    std::wstring text;
    ASSERT_TRUE(Load(image, Fixture(L"png_cut_data.png"), &text)) << qrvtest::Narrow(text);
    ASSERT_EQ(image.GetBpp(), 24);
    const auto ref = qrvtest::ReadAll(Fixture(L"png_big.rgba"));
    const auto got = pixelcheck::ImageRgba(image);
    ASSERT_EQ(ref.size(), got.size());
    EXPECT_EQ(0, std::memcmp(&ref[0], &got[0], (size_t)image.GetWidth() * 4 * 10)) << "the top rows were read";
    const size_t last = got.size() - 4;
    EXPECT_EQ(RGB(got[last], got[last + 1], got[last + 2]), kBackground) << "the bottom row stays background";

    CImage header;
    EXPECT_FALSE(Load(header, Fixture(L"png_cut_header.png"), &text));
    EXPECT_FALSE(text.empty());
    EXPECT_FALSE(header.IsValid());
}

// A chunk whose length field claims far more bytes than the file holds is
// refused at the first read past the end ("Read Error"), before the picture
// exists; behind complete image data it only cuts the file short.
TEST(Png, LengthFieldsPastTheEndOfTheFile) {
    BackgroundScope background;
    TempDir dir;
    constexpr uint32_t kClaimed = 8000000;

    std::vector<uint8_t> early = PngHead();
    PutChunk(early, "iTXt", std::vector<uint8_t>(275 - early.size() - 12, 'x'), kClaimed);
    early.resize(275);
    const std::wstring earlyPath = dir.File(L"early.png");
    ASSERT_TRUE(qrvtest::WriteAll(earlyPath, early.data(), early.size()));
    CImage image;
    std::wstring text;
    EXPECT_FALSE(Load(image, earlyPath, &text));
    EXPECT_EQ(text, L"Read Error");
    EXPECT_FALSE(image.IsValid());

    // One grey pixel of value 0x80 (zlib stream of the filter byte 0 and the sample).
    std::vector<uint8_t> late = PngHead();
    PutChunk(late, "IDAT", {0x78, 0x01, 0x63, 0x68, 0x00, 0x00, 0x00, 0x82, 0x00, 0x81});
    PutChunk(late, "iTXt", std::vector<uint8_t>(40, 'x'), kClaimed);
    late.resize(late.size() - 4);
    const std::wstring latePath = dir.File(L"late.png");
    ASSERT_TRUE(qrvtest::WriteAll(latePath, late.data(), late.size()));
    CImage picture;
    ASSERT_TRUE(Load(picture, latePath, &text)) << qrvtest::Narrow(text);
    ASSERT_EQ(picture.GetWidth(), 1u);
    EXPECT_EQ(picture.GetPixelIndex(0, 0), 0x80);
}

TEST(Png, ForeignAndMissingFiles) {
    TempDir dir;
    CImage image;
    std::wstring text;
    const std::wstring other = dir.File(L"x.png");
    ASSERT_TRUE(qrvtest::WriteAll(other, "GIF89a....", 10));
    EXPECT_FALSE(Load(image, other, &text));
    EXPECT_EQ(text, FORMAT_TEXT_INVALID_ID);
    EXPECT_FALSE(IsPngFile(other.c_str()));
    EXPECT_TRUE(IsPngFile(Fixture(L"png_rgb8.png").c_str()));
    EXPECT_FALSE(Load(image, dir.File(L"missing.png"), &text));
    EXPECT_EQ(text, L"Couldn't open File");
    // A signature followed by garbage: the library's own text comes back.
    const std::wstring bad = dir.File(L"bad.png");
    // A header chunk whose CRC does not match.
    const char ihdr[] =
        "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x10\0\0\0\x10\x08\x02\0\0\0xxxx"
        "\0\0\0\0IEND\xae\x42\x60\x82";
    ASSERT_TRUE(qrvtest::WriteAll(bad, ihdr, sizeof(ihdr) - 1));
    EXPECT_FALSE(Load(image, bad, &text));
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text, L"Read Error");
}

TEST(Png, UnpackTwoBitPixels) {
    uint8_t row[4] = {0x1B, 0xE4, 0, 0};  // 0 1 2 3, 3 2 1 0
    UnpackPixels2To4(7, row);
    EXPECT_EQ(row[0], 0x01);
    EXPECT_EQ(row[1], 0x23);
    EXPECT_EQ(row[2], 0x32);
    EXPECT_EQ(row[3] & 0xF0, 0x10);
}

// Written files pass pngcheck and decode in ImageMagick to the same pixels, at
// widths whose padded rows are longer than the library's rows.
TEST(Png, WrittenFilesReadBackInOtherTools) {
    TempDir dir;
    uint8_t palette[768];
    for (int i = 0; i < 256; ++i) {
        palette[i * 3] = (uint8_t)(i * 37);
        palette[i * 3 + 1] = (uint8_t)(255 - i);
        palette[i * 3 + 2] = (uint8_t)(i * 5);
    }
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        for (int interlace : {0, 1}) {
            SCOPED_TRACE(testing::Message() << bpp << " bpp, interlace " << interlace);
            CImage image;
            ASSERT_TRUE(image.CreateEmpty(23, 11, bpp, RGB(9, 99, 199), palette));
            for (uint32_t row = 0; row < 11; ++row) {
                uint8_t* line = image.ScanLine(row);
                for (uint32_t i = 0; i < (23u * bpp + 7) / 8; ++i) line[i] = (uint8_t)(row * 31 + i * 7);
            }
            const std::wstring path =
                dir.File(L"w" + std::to_wstring(bpp) + L"_" + std::to_wstring(interlace) + L".png");
            wchar_t text[FORMAT_ERROR_CHARS] = {};
            ASSERT_TRUE(SavePng(path.c_str(), image, text, interlace)) << qrvtest::Narrow(text);
            EXPECT_EQ(qrvtest::RunHost("pngcheck -q '" + qrvtest::HostPath(path) + "'"), 0);
            EXPECT_TRUE(pixelcheck::MatchesRgba(image, pixelcheck::ImageMagickRgba(path), bpp == 32));
            CImage back;
            ASSERT_TRUE(Load(back, path));
            EXPECT_EQ(back.GetBpp(), bpp == 16 ? 24 : bpp);
            if (bpp != 16) { EXPECT_TRUE(pixelcheck::SamePixels(image, back)); }
        }
    }
}

TEST(Png, TransparentIndexIsWrittenAsTrns) {
    TempDir dir;
    uint8_t palette[768] = {};
    for (int i = 0; i < 768; ++i) palette[i] = (uint8_t)i;
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(8, 8, 8, 0, palette));
    for (uint32_t x = 0; x < 8; ++x) image.SetPixelIndex(x, 3, 5);
    image.hasTransparency = 1;
    image.transparentIndex = 5;
    const std::wstring path = dir.File(L"t.png");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SavePng(path.c_str(), image, text, 0));
    const auto data = qrvtest::ReadAll(path);
    const std::string bytes(data.begin(), data.end());
    const size_t at = bytes.find("tRNS");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ((uint8_t)bytes[at - 1], 6) << "six alpha entries";
    EXPECT_EQ((uint8_t)bytes[at + 4 + 5], 0);
    EXPECT_EQ((uint8_t)bytes[at + 4 + 4], 255);
    CImage back;
    ASSERT_TRUE(Load(back, path));
    EXPECT_TRUE(back.hasTransparency);
    EXPECT_EQ(back.transparentIndex, 5);
}

TEST(Png, WriterFailuresLeaveNoFile) {
    TempDir dir;
    CImage image, none;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 4, 4));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(SavePng(dir.File(L"no\\folder\\x.png").c_str(), image, text, 0));
    EXPECT_STREQ(text, L"Couldn't open file for saving!");
    const std::wstring path = dir.File(L"none.png");
    EXPECT_FALSE(SavePng(path.c_str(), none, text, 0));
    EXPECT_FALSE(qrvtest::FileExists(path));
}
