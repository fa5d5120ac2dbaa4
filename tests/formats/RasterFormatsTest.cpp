// The old raster readers (CUT, IMAGE11, GEM, HRZ, Photo CD, PICT) against
// files from netpbm, ImageMagick and tests/fixtures/raster_formats.py,
// compared pixel by pixel with their reference decodings, and hand-made files
// for the header, orientation and damage cases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
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

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const fmttest::ReaderFixture kFixtures[] = {
    {L"cut-pal.cut", LoadCut, FMT_CUT, 8, 45, 19},   // entry 78 from the second block of the ".pal"
    {L"cut-grey.cut", LoadCut, FMT_CUT, 8, 45, 19},  // no ".pal": grey ramp
    {L"image11-8.img", LoadImage11, FMT_IMAGE11, 8, 21, 5},
    {L"image11-8-wrap.flt", LoadImage11, FMT_IMAGE11, 8, 21, 5},  // offsets the other way round
    {L"image11-16.msk", LoadImage11, FMT_IMAGE11, 8, 21, 5},
    {L"image11-32.lng", LoadImage11, FMT_IMAGE11, 8, 14, 3},
    {L"image11-1.raw", LoadImage11, FMT_IMAGE11, 1, 21, 5},
    {L"netpbm.gem", LoadGem, FMT_GEM, 1, 37, 23},
    {L"gem-2planes-19.gem", LoadGem, FMT_GEM, 4, 19, 6},
    {L"gem-3planes-19.gem", LoadGem, FMT_GEM, 4, 19, 6},
    {L"gem-4planes-19.gem", LoadGem, FMT_GEM, 4, 19, 6},
    {L"gem-5planes-13.gem", LoadGem, FMT_GEM, 8, 13, 4},
    {L"gem-6planes-13.gem", LoadGem, FMT_GEM, 8, 13, 4},
    {L"gem-8planes-13.gem", LoadGem, FMT_GEM, 8, 13, 4},
    // Lines of all planes longer than an image row.
    {L"gem-8planes-3.gem", LoadGem, FMT_GEM, 8, 3, 5},
    {L"gem-7planes-2.gem", LoadGem, FMT_GEM, 8, 2, 3},
    {L"gem-24bit-m1.gem", LoadGem, FMT_GEM, 24, 11, 4},
    {L"gem-24bit-m2.gem", LoadGem, FMT_GEM, 24, 11, 4},
    {L"im.hrz", LoadHrz, FMT_HRZ, 24, 256, 240},
    {L"im.pcd", LoadPcd, FMT_PCD, 24, 768, 512},
    {L"netpbm.pct", LoadPict, FMT_PICT, 24, 37, 23},
    {L"netpbm-wide.pct", LoadPict, FMT_PICT, 24, 300, 7},
    {L"im-rgb.pct", LoadPict, FMT_PICT, 24, 37, 23},
    {L"im-wide.pct", LoadPict, FMT_PICT, 24, 300, 7},
    {L"im-alpha.pct", LoadPict, FMT_PICT, 24, 37, 23},
    {L"im-palette.pct", LoadPict, FMT_PICT, 24, 37, 23},
    {L"im-bw.pct", LoadPict, FMT_PICT, 24, 37, 23},
    {L"pict-direct-pack1.pct", LoadPict, FMT_PICT, 24, 13, 5},
    {L"pict-direct-pack2.pct", LoadPict, FMT_PICT, 24, 13, 5},
    {L"pict-direct-pack4.pct", LoadPict, FMT_PICT, 24, 13, 5},
    {L"pict-direct-pack4-alpha.pct", LoadPict, FMT_PICT, 24, 13, 5},
    {L"pict-direct-16.pct", LoadPict, FMT_PICT, 24, 13, 5},
    {L"pict-skips-scaled.pct", LoadPict, FMT_PICT, 24, 13, 5},   // region form, scaled image
    {L"pict-indexed-wide.pct", LoadPict, FMT_PICT, 24, 260, 3},  // frame off (0, 0)
    {L"pict-v1-bits.pct", LoadPict, FMT_PICT, 24, 16, 3},
};

TEST(RasterReaders, FixturesMatchReference) { fmttest::ExpectFixturesMatchReference(L"raster", kFixtures); }

// A copy of a fixture's bytes with some changed, loaded from a temporary file.
fmttest::Loaded LoadPatched(FormatReader read, CImage& image, const wchar_t* fixture, const wchar_t* name,
                            const std::function<void(Bytes&)>& patch) {
    Bytes bytes = qrvtest::ReadAll(qrvtest::Fixture(std::wstring(L"raster\\") + fixture));
    EXPECT_FALSE(bytes.empty()) << qrvtest::Narrow(fixture);
    if (!bytes.empty()) patch(bytes);
    return fmttest::LoadBytes(read, image, bytes, name);
}

// Palette index of top-down pixel (x, y).
uint8_t Index(CImage& image, uint32_t x, uint32_t y) { return image.GetPixelIndex(x, image.GetHeight() - 1 - y); }

// ------------------------------------------------------------------ CUT

Bytes CutHeader(uint16_t w, uint16_t h) { return fmttest::CraftedFile().U16LE(w).U16LE(h).U16LE(0).bytes; }

TEST(CutReader, RowsStartAfterTheirCountWhateverTheRunsTook) {
    // 6 x 3. Row 0 counts 2 bytes but its records run on into row 1's record:
    // 0x83 7 fills three pixels, then row 1's count (4, 0) reads as a literal of
    // 4 bytes (0, 0x82, 9, 0) that fill the rest. Row 1 starts after its own
    // count all the same: 0x82 9 and an end. Row 2 ends early after one pixel.
    Bytes b = CutHeader(6, 3);
    b.insert(b.end(), {2, 0, 0x83, 7});
    b.insert(b.end(), {4, 0, 0x82, 9, 0, 0});
    b.insert(b.end(), {3, 0, 1, 5, 0});
    CImage image;
    const fmttest::Loaded r = fmttest::LoadBytes(LoadCut, image, b, L"rows.cut");
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    const uint8_t expected[3][6] = {{7, 7, 7, 0, 0x82, 9}, {9, 9, 0, 0, 0, 0}, {5, 0, 0, 0, 0, 0}};
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 6; ++x) EXPECT_EQ(Index(image, x, y), expected[y][x]) << x << "," << y;
    EXPECT_EQ(image.palette[9][0], 9);  // grey ramp without a ".pal"
}

TEST(CutReader, RefusedFiles) {
    Bytes huge = CutHeader(65535, 65535);
    huge.insert(huge.end(), {2, 0, 0x81, 1});
    fmttest::ExpectRefused(LoadCut, L"bad.cut",
                           {{"short header", {1, 0, 1, 0, 0}, L"Couldn't read Header!"},
                            {"size beyond file", huge, L"CUT File is too short for its image size!"},
                            {"width 0", CutHeader(0, 4), L"Unable to allocate Memory for storing Imagedata!"}});
    CImage image;
    std::wstring text;
    qrvtest::TempDir dir;
    EXPECT_FALSE(fmttest::LoadWith(LoadCut, image, dir.File(L"missing.cut"), &text));
    EXPECT_EQ(text, L"Couldn't open File!");
}

// -------------------------------------------------------------- IMAGE11

Bytes Image11Header(uint32_t w, uint32_t h, uint16_t bits) {
    fmttest::CraftedFile b;
    b.Text("IMAGE11").Fill(7).U32LE(w).U32LE(h).U16LE(bits);
    return b.bytes;
}

TEST(Image11Reader, FloatSamples) {
    struct Case {
        float value;
        uint8_t shown;
    };
    const Case cases[] = {
        {10.0f, 199},
        {-10.0f, 169},
        {0.0f, 0},
        {66.0f, 255},
        {67.0f, 0},
        {-0.25f, 188},
        // Beyond the integer range and NaN: held at the range's ends, no undefined conversion.
        {1e30f, 255},
        {-1e30f, 0},
        {std::numeric_limits<float>::infinity(), 255},
        {-std::numeric_limits<float>::infinity(), 0},
        {std::numeric_limits<float>::quiet_NaN(), 0},
    };
    for (const Case& c : cases) {
        uint8_t bytes[4];
        std::memcpy(bytes, &c.value, 4);
        EXPECT_EQ(Image11FloatToByte(bytes), c.shown) << c.value;
    }
}

TEST(Image11Reader, RefusedFiles) {
    Bytes huge = Image11Header(100000, 100000, 8);
    huge.push_back(0);
    fmttest::ExpectRefused(LoadImage11, L"bad.img",
                           {{"signature", Cat(fmttest::Bytes("IMAGE12"), Bytes(20, 0)), L"Invalid FormatID"},
                            {"short", fmttest::Bytes("IMAGE"), L"Invalid FormatID"},
                            {"12 bits", Image11Header(2, 2, 12), L"Unsupported Bitdepth!"},
                            {"0 bits", Image11Header(2, 2, 0), L"Unsupported Bitdepth!"},
                            {"size beyond file", huge, L"IMAGE11 File is too short for its image size!"}});
}

TEST(Image11Reader, ShortFileKeepsTheRowsItHas) {
    Bytes b = Image11Header(3, 3, 8);
    b.insert(b.end(), {10, 20, 30, 40});
    CImage image;
    const fmttest::Loaded r = fmttest::LoadBytes(LoadImage11, image, b, L"short.img");
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    EXPECT_EQ(Index(image, 0, 0), 10);  // the first stored row is the top row
    EXPECT_EQ(Index(image, 2, 0), 30);
    EXPECT_EQ(Index(image, 0, 1), 40);
    EXPECT_EQ(Index(image, 1, 1), 0);
    EXPECT_EQ(Index(image, 2, 2), 0);
}

// ------------------------------------------------------------------ GEM

Bytes GemHeader(uint16_t planes, uint16_t w, uint16_t h, uint16_t micrometres = 85) {
    fmttest::CraftedFile b;
    for (uint16_t v : {(uint16_t)1, (uint16_t)8, planes, (uint16_t)1, micrometres, micrometres, w, h}) b.U16BE(v);
    return b.bytes;
}

TEST(GemReader, ClearPlanesShowWhiteAtTheLastEntry) {
    // 4 planes, 8 x 1, every plane byte a run of zeros.
    Bytes b = GemHeader(4, 8, 1);
    b.push_back(4);
    CImage image;
    const fmttest::Loaded r = fmttest::LoadBytes(LoadGem, image, b, L"clear.gem");
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    ASSERT_EQ(image.GetBpp(), 4);
    for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(Index(image, x, 0), 15) << x;
    EXPECT_EQ(image.palette[15][0], 255);
    EXPECT_EQ(image.palette[0][0], 0);
}

TEST(GemReader, RefusedFiles) {
    Bytes micrometres372 = GemHeader(1, 8, 1, 372);
    micrometres372.push_back(0x81);
    Bytes huge = GemHeader(8, 65535, 65535);
    huge.push_back(0x81);
    fmttest::ExpectRefused(LoadGem, L"bad.gem",
                           {{"372 um pixels", micrometres372, L"Invalid FormatID"},
                            {"short header", Bytes{0, 1, 0, 8, 0, 1, 0, 1, 0, 0x55, 0, 0x55}, L"Invalid FormatID"},
                            {"12 planes", GemHeader(12, 8, 1), L"Unable to allocate Memory for storing Imagedata!"},
                            {"size beyond file", huge, L"GEM File is too short for its image size!"}});
    // Such a file is then tried by its content: unknown.
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"other.gem");
    ASSERT_TRUE(qrvtest::WriteAll(path, micrometres372.data(), micrometres372.size()));
    EXPECT_FALSE(LoadMediaFile(image, path.c_str(), text, nullptr));
    EXPECT_STREQ(text, L"Unknown/Unsupported Fileformat!");
}

// ------------------------------------------------------------------ HRZ

TEST(HrzReader, AnyFileGivesTheFullPicture) {
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {{"empty", {}}, {"two pixels and a half", {1, 2, 3, 63, 64, 10, 9, 9}}};
    for (const Case& c : cases) {
        CImage image;
        const fmttest::Loaded r = fmttest::LoadBytes(LoadHrz, image, c.bytes, L"a.hrz");
        ASSERT_TRUE(r.ok) << c.what;
        EXPECT_EQ(image.GetWidth(), 256u) << c.what;
        EXPECT_EQ(image.GetHeight(), 240u) << c.what;
        EXPECT_EQ(image.GetBpp(), 24) << c.what;
        const Bytes rgba = pixelcheck::ImageRgba(image);
        const size_t last = rgba.size() - 4;
        EXPECT_EQ(rgba[last] | rgba[last + 1] | rgba[last + 2], 0) << c.what;
        if (!c.bytes.empty()) {
            EXPECT_EQ(Bytes(rgba.begin(), rgba.begin() + 12), (Bytes{4, 8, 12, 255, 252, 0, 40, 255, 0, 0, 0, 255}))
                << c.what;  // 64 x 4 keeps its low byte
        }
    }
    CImage image;
    std::wstring text;
    qrvtest::TempDir dir;
    EXPECT_FALSE(fmttest::LoadWith(LoadHrz, image, dir.File(L"missing.hrz"), &text));
    EXPECT_EQ(text, L"Couldn't open HRZ File!");
}

// -------------------------------------------------------------- Photo CD

TEST(PcdReader, YccConversion) {
    struct Case {
        uint8_t y, c1, c2;
        uint8_t r, g, b;
    };
    const Case cases[] = {
        {0, 156, 137, 0, 0, 0},
        {182, 156, 137, 255, 255, 255},  // 256.2, clamped
        {100, 156, 137, 141, 141, 141},
        {100, 100, 200, 224, 120, 27},
    };
    for (const Case& c : cases) {
        uint8_t rgb[3];
        PcdYccToRgb(c.y, c.c1, c.c2, rgb);
        EXPECT_EQ(rgb[0], c.r) << (int)c.y << " " << (int)c.c1 << " " << (int)c.c2;
        EXPECT_EQ(rgb[1], c.g) << (int)c.y << " " << (int)c.c1 << " " << (int)c.c2;
        EXPECT_EQ(rgb[2], c.b) << (int)c.y << " " << (int)c.c1 << " " << (int)c.c2;
    }
}

TEST(PcdReader, PreviewsReadTheSmallPicture) {
    const std::wstring path = qrvtest::Fixture(L"raster\\im.pcd");
    CImage image;
    {
        LoadModeScope preview(false, true);
        ASSERT_TRUE(fmttest::LoadWith(LoadPcd, image, path));
    }
    EXPECT_EQ(image.GetWidth(), 192u);
    EXPECT_EQ(image.GetHeight(), 128u);
    EXPECT_TRUE(pixelcheck::MatchesRgba(image, path + L".preview.rgba"));
}

TEST(PcdReader, CloseToImageMagick) {
    // ImageMagick converts with its own matrix and filters the chroma: only
    // near, on average.
    const std::wstring path = qrvtest::Fixture(L"raster\\im.pcd");
    CImage image;
    ASSERT_TRUE(fmttest::LoadWith(LoadPcd, image, path));
    const Bytes ours = pixelcheck::ImageRgba(image);
    const Bytes theirs = qrvtest::ReadAll(path + L".magick.rgba");
    ASSERT_EQ(ours.size(), theirs.size());
    double sum = 0;
    for (size_t i = 0; i < ours.size(); ++i)
        if (i % 4 != 3) sum += std::abs((int)ours[i] - (int)theirs[i]);
    EXPECT_LT(sum / (ours.size() / 4 * 3), 12.0);
}

TEST(PcdReader, Orientation) {
    const std::wstring path = qrvtest::Fixture(L"raster\\im.pcd");
    CImage upright;
    {
        LoadModeScope preview(false, true);
        ASSERT_TRUE(fmttest::LoadWith(LoadPcd, upright, path));
    }
    const Bytes p = pixelcheck::ImageRgba(upright);
    const uint32_t w = 192, h = 128;
    auto at = [&](uint32_t x, uint32_t y) {
        return Bytes(p.begin() + (y * w + x) * 4, p.begin() + (y * w + x) * 4 + 4);
    };
    struct Case {
        uint8_t value;
        uint32_t width, height;
        std::function<Bytes(uint32_t, uint32_t)> source;  // original pixel shown at (x, y)
    };
    const Case cases[] = {
        {8, w, h, [&](uint32_t x, uint32_t y) { return at(x, y); }},
        {0x48, w, h, [&](uint32_t x, uint32_t y) { return at(x, y); }},                // the high bits do not count
        {3, w, h, [&](uint32_t x, uint32_t y) { return at(x, y); }},                   // no meaning: as 8
        {10, w, h, [&](uint32_t x, uint32_t y) { return at(w - 1 - x, h - 1 - y); }},  // half a turn
        {9, h, w, [&](uint32_t x, uint32_t y) { return at(w - 1 - y, x); }},           // turned left
        {11, h, w, [&](uint32_t x, uint32_t y) { return at(y, h - 1 - x); }},          // turned right
    };
    for (const Case& c : cases) {
        CImage image;
        LoadModeScope preview(false, true);
        const fmttest::Loaded r =
            LoadPatched(LoadPcd, image, L"im.pcd", L"turned.pcd", [&](Bytes& b) { b[72] = c.value; });
        ASSERT_TRUE(r.ok) << (int)c.value;
        ASSERT_EQ(image.GetWidth(), c.width) << (int)c.value;
        ASSERT_EQ(image.GetHeight(), c.height) << (int)c.value;
        const Bytes got = pixelcheck::ImageRgba(image);
        int wrong = 0;
        for (uint32_t y = 0; y < c.height; ++y)
            for (uint32_t x = 0; x < c.width; ++x)
                wrong += Bytes(got.begin() + (y * c.width + x) * 4, got.begin() + (y * c.width + x) * 4 + 4) !=
                         c.source(x, y);
        EXPECT_EQ(wrong, 0) << (int)c.value;
    }
}

TEST(PcdReader, SignatureAndShortFiles) {
    Bytes start(32, 0xFF);
    start[31] = 0xFE;
    fmttest::ExpectRefused(
        LoadPcd, L"bad.pcd",
        {{"no signature", start, L"Invalid FormatID"}, {"short", Bytes(20, 0xFF), L"Invalid FormatID"}});
    // The signature alone: a black picture of the full size.
    CImage image;
    const fmttest::Loaded r = fmttest::LoadBytes(LoadPcd, image, Bytes(100, 0xFF), L"empty.pcd");
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    EXPECT_EQ(image.GetWidth(), 768u);
    const Bytes rgba = pixelcheck::ImageRgba(image);
    EXPECT_EQ(rgba[0] | rgba[1] | rgba[2], 0);
}

// ----------------------------------------------------------------- PICT

// A version 2 picture of the given frame: preamble, size, frame, version and
// header opcodes, then ops (each padded to an even length) and the end.
Bytes Pict2(int16_t h, int16_t w, const std::vector<Bytes>& ops) {
    Bytes b(512, 0);
    b.insert(b.end(), {0, 0, 0, 0, 0, 0, (uint8_t)(h >> 8), (uint8_t)h, (uint8_t)(w >> 8), (uint8_t)w});
    b.insert(b.end(), {0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00});
    b.insert(b.end(), 24, 0);
    for (const Bytes& op : ops) {
        b.insert(b.end(), op.begin(), op.end());
        if (b.size() & 1) b.push_back(0);
    }
    b.insert(b.end(), {0x00, 0xFF});
    return b;
}

TEST(PictReader, RefusedPictures) {
    const Bytes frameRect = {0x00, 0x31, 0, 0, 0, 0, 0, 2, 0, 2};
    Bytes qtif = {0, 0, 0, 16, 'i', 'd', 's', 'c', 0, 0, 0, 0, 0, 0, 0, 0};
    fmttest::ExpectRefused(
        LoadPict, L"bad.pct",
        {{"QuickTime-compressed", Pict2(2, 2, {{0x82, 0x00, 0, 0, 0, 4, 1, 2, 3, 4}}),
          L"Need Apple Quicktime to decode image."},
         {"QuickTime, uncompressed", Pict2(2, 2, {{0x82, 0x01, 0, 0, 0, 0}}), L"Need Apple Quicktime to decode image."},
         {"QuickTime image file", qtif, L"Need Apple Quicktime to decode image."},
         {"no bit image", Pict2(2, 2, {frameRect}), L"Failed to decode image."},
         {"not a picture", Cat(fmttest::Bytes("GIF89a"), Bytes(600, 0)), L"Failed to decode image."},
         {"empty frame", Pict2(0, 2, {frameRect}), L"Failed to decode image."},
         {"frame beyond the file", Pict2(30000, 30000, {frameRect}), L"Failed to decode image."}});
}

// A 1 x 1 DirectBitsRect (32 bits, unpacked) of colour rgb scaled over dst.
Bytes OnePixelImage(int16_t dstBottom, int16_t dstRight, uint8_t r, uint8_t g, uint8_t b) {
    Bytes op = {0x00, 0x9A, 0, 0, 0, 0xFF, 0x80, 0x04, 0, 0, 0, 0, 0, 1, 0, 1};   // base, row bytes, bounds
    op.insert(op.end(), {0, 0, 0, 1, 0, 0, 0, 0, 0, 0x48, 0, 0, 0, 0x48, 0, 0});  // version, pack type 1, sizes
    op.insert(op.end(), {0, 16, 0, 32, 0, 3, 0, 8});                              // type, size, components
    op.insert(op.end(), 12, 0);
    op.insert(op.end(), {0, 0, 0, 0, 0, 1, 0, 1});  // source
    op.insert(op.end(),
              {0, 0, 0, 0, (uint8_t)(dstBottom >> 8), (uint8_t)dstBottom, (uint8_t)(dstRight >> 8), (uint8_t)dstRight});
    op.insert(op.end(), {0, 0, 0, r, g, b});  // mode, pixel
    return op;
}

TEST(PictReader, ScaledImagesDrawAndManyOfThemStayBounded) {
    CImage image;
    fmttest::Loaded r = fmttest::LoadBytes(LoadPict, image, Pict2(3, 4, {OnePixelImage(2, 3, 10, 20, 30)}), L"one.pct");
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    const Bytes got = pixelcheck::ImageRgba(image);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 4), (Bytes{10, 20, 30, 255}));
    EXPECT_EQ(Bytes(got.begin() + (4 + 2) * 4, got.begin() + (4 + 2) * 4 + 4), (Bytes{10, 20, 30, 255}));
    EXPECT_EQ(Bytes(got.begin() + 3 * 4, got.begin() + 4 * 4), (Bytes{255, 255, 255, 255}));  // right of it
    EXPECT_EQ(Bytes(got.begin() + 8 * 4, got.begin() + 9 * 4), (Bytes{255, 255, 255, 255}));  // below it

    // Two thousand images each scaled over a 4096 x 4096 frame: the drawing
    // stops after a few frames' worth of pixels.
    std::vector<Bytes> ops(2000, OnePixelImage(4096, 4096, 1, 2, 3));
    ops.back() = OnePixelImage(4096, 4096, 200, 0, 0);
    const DWORD start = GetTickCount();
    r = fmttest::LoadBytes(LoadPict, image, Pict2(4096, 4096, ops), L"many.pct");
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    EXPECT_LT(GetTickCount() - start, 60000u);
    EXPECT_EQ(image.GetWidth(), 4096u);
    EXPECT_EQ(pixelcheck::ImageRgba(image)[0], 1);  // the last image was not drawn any more
}

TEST(PictReader, PictureCutShortKeepsItsFirstRows) {
    Bytes b = qrvtest::ReadAll(qrvtest::Fixture(L"raster\\pict-direct-pack1.pct"));
    ASSERT_GT(b.size(), 700u);
    // Rows of 52 bytes end the file: keep two of the five.
    b.resize(b.size() - 2 - 3 * 52);
    CImage image;
    const fmttest::Loaded r = fmttest::LoadBytes(LoadPict, image, b, L"cut.pct");
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    const Bytes got = pixelcheck::ImageRgba(image);
    const Bytes ref = qrvtest::ReadAll(qrvtest::Fixture(L"raster\\pict-direct-pack1.pct.rgba"));
    ASSERT_EQ(got.size(), ref.size());
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 2 * 13 * 4), Bytes(ref.begin(), ref.begin() + 2 * 13 * 4));
    EXPECT_EQ(Bytes(got.end() - 4, got.end()), (Bytes{255, 255, 255, 255}));  // not drawn: white
}

}  // namespace
