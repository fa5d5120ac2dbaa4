#include <gtest/gtest.h>

#include <tiffio.h>

#include <cstring>
#include <string>

#include "FormatTestUtil.h"
#include "PixelCheck.h"
#include "formats/LoadFlags.h"
#include "formats/Formats.h"
#include "formats/ReaderServices.h"
#include "formats/Tiff.h"
#include "image/Image.h"
#include "support/TestSupport.h"

using qrvtest::Fixture;
using qrvtest::TempDir;

namespace {

bool LoadPage(CImage& image, const std::wstring& path, int page, std::wstring* text = nullptr) {
    const auto read = [page](CImage& i, const wchar_t* p, wchar_t* e, LoadCall& call) {
        return LoadTiffPage(i, p, page, e, call.request.Reduced());
    };
    return fmttest::LoadWith(read, image, path, text);
}

// What the playback bar was asked to do.
AnimationFrameTables g_started;
int g_startCalls = 0;
bool RecordStart(const AnimationFrameTables& tables, bool play) {
    g_started = tables;
    ++g_startCalls;
    return true;
}

// Decodes the fixture "tiff_<name>.tif" and compares it with the reference
// decoding "tiff_<name>.rgba" beside it.
void ExpectPageMatches(const char* name, int bpp, int tolerance = 0, bool compareAlpha = false) {
    SCOPED_TRACE(name);
    const std::wstring base = L"tiff_" + qrvtest::Widen(name);
    CImage image;
    std::wstring text;
    ASSERT_TRUE(LoadPage(image, Fixture(base + L".tif"), 0, &text)) << qrvtest::Narrow(text);
    EXPECT_EQ(image.GetBpp(), bpp);
    EXPECT_TRUE(pixelcheck::MatchesRgba(image, Fixture(base + L".rgba"), compareAlpha, tolerance));
}

}  // namespace

TEST(Tiff, PagesDecodeAsImageMagickDecodesThem) {
    struct Case {
        const char* name;
        int bpp;
        int tolerance;
    } cases[] = {
        {"rgb", 24, 0},         {"lzw", 24, 0},          {"packbits", 24, 0},  {"deflate", 24, 0},
        {"jpeg", 24, 3},        {"tiled_rgb", 24, 0},    {"rgb16", 24, 0},     {"grey16", 8, 1},
        {"tiled_grey16", 8, 1}, {"grey8", 8, 0},         {"grey4", 4, 0},      {"palette", 8, 0},
        {"palette4", 4, 0},     {"tiled_palette", 8, 0}, {"lab", 24, 3},       {"g3", 1, 0},
        {"g4", 1, 0},           {"miniswhite", 1, 0},    {"minisblack", 1, 0}, {"orient6_grey", 8, 0},
        {"orient6_rgb", 24, 0},
    };
    for (const Case& c : cases) ExpectPageMatches(c.name, c.bpp, c.tolerance);
}

// One sample of 3, 5, 6, 7 or 12 bits (grey in strips and tiles, palette),
// which the library's RGBA reader refuses: unpacked here, each as ImageMagick
// decodes it, the top grey white at every size.
TEST(Tiff, OneSamplePagesOfOddSampleSizes) {
    struct Case {
        const char* name;
        int tolerance;
    } cases[] = {
        {"grey3", 0},  {"grey5", 0},       {"grey6", 0},    {"grey7", 0},
        {"grey12", 1}, {"tiled_grey5", 0}, {"palette3", 0}, {"palette5", 0},
    };
    for (const Case& c : cases) ExpectPageMatches(c.name, 8, c.tolerance);
    CImage grey;
    ASSERT_TRUE(LoadPage(grey, Fixture(L"tiff_grey5.tif"), 0));
    EXPECT_EQ(grey.palette[31][0], 255);
    EXPECT_EQ(grey.palette[30][0], 30 * 255 / 31);
}

// Colour samples that are neither RGB nor CIE L*a*b*: grey pages with extra
// samples decode as libtiff decodes them (and turn by their orientation); the
// layouts no reader here knows are refused with the library's reason instead
// of being copied as if they were RGB.
TEST(Tiff, ColourSamplesThatAreNotRgb) {
    struct Decoded {
        const char* name;
        int bpp;
    } decoded[] = {{"grey3samples", 24}, {"grey4samples", 32}, {"grey3samples_orient6", 24}};
    for (const Decoded& c : decoded) ExpectPageMatches(c.name, c.bpp, 0, c.bpp == 32);
    struct Refused {
        const char* name;
        const wchar_t* reason;
    } refused[] = {
        {"icclab", L"PhotometricInterpretation=9"},
        {"itulab", L"PhotometricInterpretation=10"},
        {"lab1sample", L"Samples/pixel=1"},
    };
    for (const Refused& c : refused) {
        SCOPED_TRACE(c.name);
        CImage image;
        std::wstring text;
        EXPECT_FALSE(LoadPage(image, Fixture(L"tiff_" + qrvtest::Widen(c.name) + L".tif"), 0, &text));
        EXPECT_NE(text.find(c.reason), std::wstring::npos) << qrvtest::Narrow(text);
    }
}

TEST(Tiff, MinIsWhiteFaxShowsBlackOnWhite) {
    CImage image;
    ASSERT_TRUE(LoadPage(image, Fixture(L"tiff_g4.tif"), 0));
    ASSERT_EQ(image.GetBpp(), 1);
    EXPECT_EQ(image.palette[0][0], 255) << "value 0 is white";
    EXPECT_EQ(image.palette[1][0], 0);
}

TEST(Tiff, ResolutionIsKept) {
    CImage image;
    ASSERT_TRUE(LoadPage(image, Fixture(L"tiff_rgb.tif"), 0));
    EXPECT_EQ(image.xResolution, 300u);
    EXPECT_EQ(image.yResolution, 300u);
}

// Some writers store the colour map as 8-bit values: all below 256, they are
// taken as they stand; one value of 256 or more makes every entry 16-bit.
TEST(Tiff, ColormapOfEightBitValuesShowsItsColours) {
    TempDir dir;
    for (const bool wide : {false, true}) {
        SCOPED_TRACE(wide ? "16-bit map" : "8-bit map");
        uint16_t red[256], green[256], blue[256];
        for (int i = 0; i < 256; ++i) {
            red[i] = (uint16_t)(wide ? i * 257 : i);
            green[i] = (uint16_t)(wide ? (255 - i) * 257 : 255 - i);
            blue[i] = (uint16_t)(wide ? (i / 2) * 257 : i / 2);
        }
        EXPECT_EQ(TiffColormapDepth(256, red, green, blue), wide ? 16 : 8);
        const std::wstring path = dir.File(wide ? L"map16.tif" : L"map8.tif");
        TIFF* tif = TIFFOpenW(path.c_str(), "w");
        ASSERT_NE(tif, nullptr);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 16u);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 2u);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
        TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tif, TIFFTAG_COLORMAP, red, green, blue);
        uint8_t row[16];
        for (uint32_t y = 0; y < 2; ++y) {
            for (int x = 0; x < 16; ++x) row[x] = (uint8_t)(y * 128 + x * 7);
            ASSERT_GE(TIFFWriteScanline(tif, row, y, 0), 0);
        }
        TIFFClose(tif);

        CImage image;
        std::wstring text;
        ASSERT_TRUE(LoadPage(image, path, 0, &text)) << qrvtest::Narrow(text);
        ASSERT_EQ(image.GetBpp(), 8);
        for (int i : {0, 7, 100, 135, 255}) {
            EXPECT_EQ(image.palette[i][2], i) << i;  // red
            EXPECT_EQ(image.palette[i][1], 255 - i) << i;
            EXPECT_EQ(image.palette[i][0], i / 2) << i;
        }
        EXPECT_EQ(image.GetPixelIndex(3, 1), 21) << "top row";
        EXPECT_EQ(image.GetPixelIndex(3, 0), 128 + 21);
    }
}

TEST(Tiff, PagesAreSelectedByIndex) {
    const std::wstring path = Fixture(L"tiff_pages.tif");
    EXPECT_EQ(CountTiffPages(path.c_str()), 3);
    CImage image;
    ASSERT_TRUE(LoadPage(image, path, 1));
    EXPECT_TRUE(pixelcheck::MatchesRgba(image, Fixture(L"tiff_pages_1.rgba")));
    ASSERT_TRUE(LoadPage(image, path, 2));
    EXPECT_TRUE(pixelcheck::MatchesRgba(image, Fixture(L"tiff_pages_2.rgba")));
    std::wstring text;
    EXPECT_FALSE(LoadPage(image, path, 5, &text));
    EXPECT_EQ(text, L"Error: page not present in TIFF file");
}

TEST(Tiff, MultiPageFileSetsUpPagingOnlyForTheViewer) {
    AnimationStarter previous = SetAnimationStarter(RecordStart);
    g_startCalls = 0;
    CImage image;
    ASSERT_TRUE(fmttest::LoadWith(LoadTiff, image, Fixture(L"tiff_pages.tif")));
    ASSERT_EQ(g_startCalls, 1);
    EXPECT_EQ(g_started.kind, ANIM_KIND_TIFF);
    EXPECT_EQ(g_started.frameCount, 3);
    EXPECT_EQ(g_started.GetFrameDelay(2), 1000);
    EXPECT_TRUE(g_started.loop);

    AppState::BackgroundLoad = 1;
    ASSERT_TRUE(fmttest::LoadWith(LoadTiff, image, Fixture(L"tiff_pages.tif")));
    AppState::BackgroundLoad = 0;
    AppState::PreviewLoad = 1;
    ASSERT_TRUE(fmttest::LoadWith(LoadTiff, image, Fixture(L"tiff_pages.tif")));
    AppState::PreviewLoad = 0;
    ASSERT_TRUE(fmttest::LoadWith(LoadTiff, image, Fixture(L"tiff_rgb.tif")));
    EXPECT_EQ(g_startCalls, 1) << "thumbnails, previews and single pages leave the bar alone";
    SetAnimationStarter(previous);
}

TEST(Tiff, ForeignCutAndMissingFiles) {
    TempDir dir;
    CImage image;
    std::wstring text;
    const std::wstring other = dir.File(L"x.tif");
    ASSERT_TRUE(qrvtest::WriteAll(other, "GIF89a........", 14));
    EXPECT_FALSE(LoadPage(image, other, 0, &text));
    EXPECT_EQ(text, FORMAT_TEXT_INVALID_ID);
    // A cut strip never reads past the data; whatever comes back is a valid image or a text.
    const bool ok = LoadPage(image, Fixture(L"tiff_cut.tif"), 0, &text);
    if (!ok) { EXPECT_FALSE(text.empty()); }
    EXPECT_FALSE(fmttest::LoadWith(LoadTiff, image, dir.File(L"missing.tif"), &text));
    EXPECT_EQ(text, L"Failed to open file for read!");
}

TEST(Tiff, AutomaticCompressionFollowsTheDepth) {
    EXPECT_EQ(TiffCompressionFor(TIFF_SAVE_AUTOMATIC, 1), COMPRESSION_CCITTFAX4);
    EXPECT_EQ(TiffCompressionFor(TIFF_SAVE_AUTOMATIC, 4), COMPRESSION_ADOBE_DEFLATE);
    EXPECT_EQ(TiffCompressionFor(TIFF_SAVE_AUTOMATIC, 8), COMPRESSION_ADOBE_DEFLATE);
    for (int bpp : {16, 24, 32}) EXPECT_EQ(TiffCompressionFor(TIFF_SAVE_AUTOMATIC, bpp), COMPRESSION_JPEG);
    EXPECT_EQ(TiffCompressionFor(TIFF_SAVE_NONE, 24), COMPRESSION_NONE);
    EXPECT_EQ(TiffCompressionFor(TIFF_SAVE_PACKBITS, 1), COMPRESSION_PACKBITS);
    EXPECT_EQ(TiffCompressionFor(TIFF_SAVE_DEFLATE, 32), COMPRESSION_ADOBE_DEFLATE);
}

// Every depth in every compression setting: tiffinfo reads the file,
// ImageMagick decodes it to the same pixels (JPEG: to what our reader sees).
TEST(Tiff, WrittenFilesReadBackInOtherTools) {
    TempDir dir;
    uint8_t palette[768];
    for (int i = 0; i < 256; ++i) {
        palette[i * 3] = (uint8_t)(i * 37);
        palette[i * 3 + 1] = (uint8_t)(255 - i);
        palette[i * 3 + 2] = (uint8_t)(i * 5);
    }
    palette[0] = palette[1] = palette[2] = 0;
    palette[3] = palette[4] = palette[5] = 255;
    const char* schemes[] = {"None", "PackBits", "AdobeDeflate", nullptr};
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        for (int setting = 0; setting <= 3; ++setting) {
            SCOPED_TRACE(testing::Message() << bpp << " bpp, setting " << setting);
            CImage image;
            if (bpp == 24 || bpp == 16) {
                ASSERT_TRUE(pixelcheck::MakePattern24(image, 29, 19));
            } else {
                ASSERT_TRUE(image.CreateEmpty(29, 19, bpp, RGB(9, 99, 199), palette));
                for (uint32_t row = 0; row < 19; ++row) {
                    uint8_t* line = image.ScanLine(row);
                    for (uint32_t i = 0; i < (29u * bpp + 7) / 8; ++i) line[i] = (uint8_t)(row * 31 + i * 7);
                }
            }
            if (bpp == 16) {
                CImage copy;
                uint8_t* rows = image.GetBits(16);
                ASSERT_TRUE(rows);
                ASSERT_TRUE(copy.Create(29, 19, 16, rows, nullptr));
                free(rows);
                pixelcheck::MakePattern24(image, 1, 1);
                image.Copy(copy);
            }
            if (bpp == 32 && setting == 3) {
                // JPEG keeps the fourth sample as a colour component; ImageMagick
                // premultiplies it when it decodes, so it is opaque here.
                for (uint32_t row = 0; row < 19; ++row)
                    for (uint32_t x = 0; x < 29; ++x) image.ScanLine(row)[x * 4 + 3] = 255;
            }
            const std::wstring path = dir.File(L"w" + std::to_wstring(bpp) + L"_" + std::to_wstring(setting) + L".tif");
            wchar_t text[FORMAT_ERROR_CHARS] = {};
            ASSERT_TRUE(SaveTiff(path.c_str(), image, text, setting)) << qrvtest::Narrow(text);
            const std::string host = "'" + qrvtest::HostPath(path) + "'";
            EXPECT_EQ(qrvtest::RunHost("tiffinfo -D " + host + " >/dev/null 2>&1"), 0);
            const char* scheme = schemes[setting];
            if (!scheme) scheme = bpp == 1 ? "CCITT Group 4" : bpp <= 8 ? "AdobeDeflate" : "JPEG";
            EXPECT_EQ(qrvtest::RunHost("tiffinfo " + host + " | grep -q 'Compression Scheme: " + scheme + "$'"), 0)
                << scheme;
            const std::wstring decoded = pixelcheck::ImageMagickRgba(path);
            CImage back;
            ASSERT_TRUE(LoadPage(back, path, 0));
            if (setting == 3 && bpp > 8) {
                EXPECT_TRUE(pixelcheck::MatchesRgba(back, decoded, false, 3));
            } else {
                EXPECT_TRUE(pixelcheck::MatchesRgba(image, decoded, bpp == 32));
                EXPECT_TRUE(pixelcheck::MatchesRgba(back, decoded, bpp == 32));
            }
        }
    }
}

TEST(Tiff, PagesWrittenOneByOneFormOneFile) {
    TempDir dir;
    const std::wstring path = dir.File(L"pages.tif");
    TIFF* tif = OpenTiffForWriting(path.c_str());
    ASSERT_TRUE(tif);
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    for (int page = 0; page < 3; ++page) {
        CImage image;
        ASSERT_TRUE(pixelcheck::MakePattern24(image, 10 + page, 5 + page));
        ASSERT_TRUE(WriteTiffPage(tif, image, text, TIFF_SAVE_DEFLATE, page, 3)) << qrvtest::Narrow(text);
    }
    TIFFClose(tif);
    EXPECT_EQ(CountTiffPages(path.c_str()), 3);
    EXPECT_EQ(qrvtest::RunHost("test $(/usr/bin/identify '" + qrvtest::HostPath(path) + "' | wc -l) = 3"), 0);
    CImage third;
    ASSERT_TRUE(LoadPage(third, path, 2));
    EXPECT_EQ(third.GetWidth(), 12u);
    EXPECT_EQ(qrvtest::RunHost("tiffinfo '" + qrvtest::HostPath(path) + "' | grep -q 'PageName: Page 2'"), 0);
}

TEST(Tiff, WriterFailures) {
    TempDir dir;
    CImage image, none;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 4, 4));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(SaveTiff(dir.File(L"no\\folder\\x.tif").c_str(), image, text, 0));
    EXPECT_STREQ(text, L"Couldn't open TIFFFile for writing!");
    const std::wstring path = dir.File(L"none.tif");
    EXPECT_FALSE(SaveTiff(path.c_str(), none, text, 0));
    EXPECT_FALSE(qrvtest::FileExists(path));
}
