// JPEG 2000: files of opj_compress and ImageMagick against opj_decompress's
// decoding, refused files, and our files read back by opj_decompress,
// opj_dump and ImageMagick.
#include <gtest/gtest.h>

#include <cmath>
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

struct Jp2Fixture {
    const wchar_t* name;
    int bpp;
    uint32_t width, height;
    bool alpha;
    int tolerance;  // scaling to 8 bits may round the other way
};

const Jp2Fixture kFixtures[] = {
    {L"rgb-opj.jp2", 24, 37, 23, false, 0},
    {L"rgb-opj.j2c", 24, 37, 23, false, 0},  // raw code stream
    {L"rgb-lossy-opj.jp2", 24, 37, 23, false, 0},
    // Four components are colour with alpha, not the grey of the first.
    {L"rgba-opj.jp2", 32, 37, 23, true, 0},
    {L"rgba-im.jp2", 32, 37, 23, true, 0},
    {L"rgb-im.jp2", 24, 37, 23, false, 0},
    {L"grey-opj.jp2", 8, 37, 23, false, 0},
    {L"grey4-opj.jp2", 4, 37, 23, false, 0},
    // Converted: 16 and signed 12 bits, 4:2:0 sYCC.
    {L"rgb16-opj.jp2", 24, 37, 23, false, 1},
    {L"grey16-opj.jp2", 24, 37, 23, false, 1},
    {L"signed12-opj.j2c", 24, 37, 23, false, 1},
    {L"ycc420-opj.jp2", 24, 38, 24, false, 2},
};

TEST(Jp2Reader, FixturesMatchOpenJpegDecoding) {
    for (const Jp2Fixture& c : kFixtures) {
        const std::wstring path = qrvtest::Fixture(std::wstring(L"jp2\\") + c.name);
        const std::string name = qrvtest::Narrow(c.name);
        CImage image;
        std::wstring text;
        ASSERT_TRUE(fmttest::LoadWith(LoadJp2, image, path, &text)) << name << ": " << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetBpp(), c.bpp) << name;
        EXPECT_EQ(image.GetWidth(), c.width) << name;
        EXPECT_EQ(image.GetHeight(), c.height) << name;
        EXPECT_TRUE(pixelcheck::MatchesRgba(image, path + L".rgba", c.alpha, c.tolerance)) << name;

        CImage viaDispatch;
        wchar_t buffer[FORMAT_ERROR_CHARS] = {};
        FormatId id = -1;
        EXPECT_TRUE(LoadMediaFile(viaDispatch, path.c_str(), buffer, &id)) << name;
        EXPECT_EQ(id, FMT_JP2) << name;
    }
}

// The first bytes of a fixture, the rest cut or changed.
std::vector<uint8_t> FixtureBytes(const wchar_t* name) { return qrvtest::ReadAll(qrvtest::Fixture(name)); }

TEST(Jp2Reader, RefusesWhatItCannotDecode) {
    std::vector<uint8_t> codeStream = FixtureBytes(L"jp2\\rgb-opj.j2c");
    ASSERT_GT(codeStream.size(), 16u);
    std::vector<uint8_t> container = FixtureBytes(L"jp2\\rgb-opj.jp2");
    ASSERT_GT(container.size(), 40u);
    // The picture and tile sizes in SIZ (Xsiz, Ysiz at 8 and 12, XTsiz, YTsiz
    // at 24 and 28): far beyond any image.
    std::vector<uint8_t> huge = codeStream;
    for (size_t at : {8, 12, 24, 28}) {
        huge[at] = 0x7F;
        huge[at + 1] = huge[at + 2] = huge[at + 3] = 0xF0;
    }
    // A picture of a million rows in tiles of 23: far more tiles than bytes.
    std::vector<uint8_t> tiled = codeStream;
    tiled[13] = 0x10;
    fmttest::ExpectRefused(
        LoadJp2, L"refused.jp2",
        {
            {"empty", {}, L"Failed to decode image data."},
            {"PNG", fmttest::Bytes("\x89PNG\r\n\x1a\n0000000000000000"), L"Failed to decode image data."},
            {"signature box only", std::vector<uint8_t>(container.begin(), container.begin() + 12),
             L"Failed to decode image data."},
            {"container cut in its header", std::vector<uint8_t>(container.begin(), container.begin() + 40),
             L"Failed to decode image data."},
            {"code stream cut in SIZ", std::vector<uint8_t>(codeStream.begin(), codeStream.begin() + 16),
             L"Failed to decode image data."},
            {"size beyond the image limit", huge, L"Failed to create Image!"},
            {"more tiles than the file holds", tiled, L"Failed to decode image data."},
        });
    CImage image;
    std::wstring text;
    EXPECT_FALSE(fmttest::LoadWith(LoadJp2, image, qrvtest::Fixture(L"jp2\\missing.jp2"), &text));
    EXPECT_EQ(text, L"Failed to open file.");
}

// A picture of noise (nothing for the coder to gain) or of the pattern.
bool MakeNoise24(CImage& image, int w, int h) {
    if (!image.CreateEmpty(w, h, 24, 0, nullptr)) return false;
    uint32_t state = 12345;
    for (int row = 0; row < h; ++row) {
        uint8_t* line = image.ScanLine(row);
        for (int i = 0; i < w * 3; ++i) {
            state = state * 1103515245u + 12345u;
            line[i] = (uint8_t)(state >> 24);
        }
    }
    return true;
}

uint64_t FileSize(const std::wstring& path) { return qrvtest::ReadAll(path).size(); }

// opj_dump's description of a file, in a text file beside it; its contents.
std::string Dump(const std::wstring& path) {
    const std::wstring out = path + L".txt";
    const std::string cmd = "opj_dump -i '" + qrvtest::HostPath(path) + "' > '" + qrvtest::HostPath(out) + "' 2>&1";
    EXPECT_EQ(qrvtest::RunHost(cmd), 0) << cmd;
    const std::vector<unsigned char> bytes = qrvtest::ReadAll(out);
    return std::string(bytes.begin(), bytes.end());
}

TEST(Jp2Writer, LosslessFilesDecodeExactlyInOtherTools) {
    qrvtest::TempDir dir;
    const struct {
        int w, h;
        const char* resolutions;  // what opj_dump shows
    } sizes[] = {{37, 23, "numresolutions=5"},
                 {1, 1, "numresolutions=1"},
                 {20, 10, "numresolutions=4"},
                 {300, 80, "numresolutions=6"}};
    for (const auto& s : sizes) {
        const std::string what = std::to_string(s.w) + "x" + std::to_string(s.h);
        CImage image;
        ASSERT_TRUE(pixelcheck::MakePattern24(image, s.w, s.h)) << what;
        const std::wstring path = dir.File(qrvtest::Widen(what) + L".jp2");
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SaveJp2(path.c_str(), image, text, 30, true)) << what << ": " << qrvtest::Narrow(text);

        // opj_decompress's decoding.
        const std::wstring decoded = path + L".ppm", reference = path + L".rgba";
        const std::string cmd = "opj_decompress -i '" + qrvtest::HostPath(path) + "' -o '" +
                                qrvtest::HostPath(decoded) + "' >/dev/null && /usr/bin/convert '" +
                                qrvtest::HostPath(decoded) + "' -depth 8 'rgba:" + qrvtest::HostPath(reference) + "'";
        ASSERT_EQ(qrvtest::RunHost(cmd), 0) << cmd;
        EXPECT_TRUE(pixelcheck::MatchesRgba(image, reference)) << what;
        // ImageMagick's.
        const std::vector<uint8_t> im = pixelcheck::ImageMagickDecoding(path);
        EXPECT_EQ(pixelcheck::MaxDifference(im, pixelcheck::ImageRgba(image), false), 0) << what;
        // Our own reader's.
        CImage back;
        ASSERT_TRUE(fmttest::LoadWith(LoadJp2, back, path, nullptr)) << what;
        EXPECT_TRUE(pixelcheck::SamePixels(image, back)) << what;

        // Reversible 5/3 wavelet, colour transform, one layer, the resolutions
        // the size allows.
        const std::string dump = Dump(path);
        for (const char* expected : {"numcomps=3", "qmfbid=1", "mct=1", "numlayers=1", "prec=8", "sgnd=0"})
            EXPECT_NE(dump.find(expected), std::string::npos) << what << ": " << expected << "\n" << dump;
        EXPECT_NE(dump.find(s.resolutions), std::string::npos) << what << "\n" << dump;
    }
}

TEST(Jp2Writer, PalettePicturesAreWrittenAsColour) {
    qrvtest::TempDir dir;
    CImage source, image;
    ASSERT_TRUE(pixelcheck::MakePattern24(source, 30, 17));
    ASSERT_TRUE(image.Copy(source));
    ASSERT_TRUE(image.ConvertDepth(8));
    const std::wstring path = dir.File(L"palette.jp2");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveJp2(path.c_str(), image, text, 30, true)) << qrvtest::Narrow(text);
    CImage back;
    ASSERT_TRUE(fmttest::LoadWith(LoadJp2, back, path, nullptr));
    EXPECT_EQ(back.GetBpp(), 24);
    EXPECT_EQ(pixelcheck::MaxDifference(pixelcheck::ImageRgba(back), pixelcheck::ImageRgba(image), false), 0);
}

TEST(Jp2Writer, QualityGivesTheCompressionRatio) {
    const struct {
        int quality;
        bool lossless;
        double ratio;
    } cases[] = {{50, false, 20.0}, {10, false, 100.0}, {100, false, 10.0}, {30, false, 1000.0 / 30},
                 {50, true, 0.0},   {5, false, 100.0},  {150, false, 10.0}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(Jp2CompressionRatio(c.quality, c.lossless), c.ratio) << c.quality << " " << c.lossless;

    // Quality 50 of a picture the coder cannot shrink: about a twentieth of
    // the raw samples; lossless keeps them all.
    qrvtest::TempDir dir;
    CImage image;
    ASSERT_TRUE(MakeNoise24(image, 128, 96));
    const uint64_t raw = 128 * 96 * 3;
    const std::wstring lossy = dir.File(L"q50.jp2"), lossless = dir.File(L"lossless.jp2");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveJp2(lossy.c_str(), image, text, 50, false)) << qrvtest::Narrow(text);
    ASSERT_TRUE(SaveJp2(lossless.c_str(), image, text, 50, true)) << qrvtest::Narrow(text);
    EXPECT_GE(FileSize(lossy), raw * 4 / 100);
    EXPECT_LE(FileSize(lossy), raw * 55 / 1000);
    EXPECT_GT(FileSize(lossless), raw * 9 / 10);
    EXPECT_NE(Dump(lossy).find("numlayers=1"), std::string::npos);
    // ImageMagick opens the lossy file at its size.
    EXPECT_EQ(pixelcheck::ImageMagickDecoding(lossy).size(), (size_t)128 * 96 * 4);
}

TEST(Jp2Writer, ResolutionsFollowTheShorterSide) {
    const struct {
        uint32_t w, h;
        int levels;
    } cases[] = {{1, 1, 1},   {20, 10, 4},     {37, 23, 5},  {10, 20, 4}, {31, 31, 5},
                 {32, 32, 6}, {4000, 3000, 6}, {2, 1000, 2}, {0, 5, 1}};
    for (const auto& c : cases) EXPECT_EQ(Jp2ResolutionCount(c.w, c.h), c.levels) << c.w << "x" << c.h;
}

// Whatever the extension, a JP2 container.
TEST(Jp2Writer, CodeStreamExtensionStillGetsTheContainer) {
    qrvtest::TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 21, 13));
    const uint8_t signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
    for (const wchar_t* name : {L"a.j2c", L"b.jp2", L"C.J2C"}) {
        const std::wstring path = dir.File(name);
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        SaveOptions options;
        options.jp2.lossless = true;
        ASSERT_TRUE(SaveImageFile(path.c_str(), image, text, options)) << qrvtest::Narrow(text);
        const std::vector<unsigned char> bytes = qrvtest::ReadAll(path);
        ASSERT_GE(bytes.size(), sizeof signature);
        EXPECT_EQ(std::memcmp(bytes.data(), signature, sizeof signature), 0) << qrvtest::Narrow(name);
        CImage back;
        ASSERT_TRUE(fmttest::LoadWith(LoadJp2, back, path, nullptr));
        EXPECT_TRUE(pixelcheck::SamePixels(image, back));
    }
}

TEST(Jp2Writer, UnwritableTargetFailsWithItsText) {
    qrvtest::TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 8, 8));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    const std::wstring target = dir.File(L"missing\\a.jp2");
    EXPECT_FALSE(SaveJp2(target.c_str(), image, text, 30, false));
    EXPECT_STREQ(text, L"Cannot create file for writing!");
    CImage empty;
    EXPECT_FALSE(SaveJp2(dir.File(L"empty.jp2").c_str(), empty, text, 30, false));
    EXPECT_FALSE(qrvtest::FileExists(dir.File(L"empty.jp2")));
}

}  // namespace
