// SGI and Sun raster readers against files from netpbm and ImageMagick
// (compared with ImageMagick's decoding), the writers read back by sgitopnm,
// rasttopnm and ImageMagick, the encoders' exact bytes, and the raw-data
// writer read back by ImageMagick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "formats/ByteReader.h"
#include "formats/CraftedFile.h"
#include "formats/FormatCodecs.h"
#include "formats/FormatTestUtil.h"
#include "formats/Formats.h"
#include "formats/PixelCheck.h"
#include "formats/SaveDispatch.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The big-endian 32-bit field at an offset of a written file.
uint32_t Be32(const Bytes& b, size_t at) {
    ByteReader field(b.data(), b.size());
    field.Skip(at);
    return field.U32BE();
}

struct FixtureCase {
    const wchar_t* name;
    FormatReader reader;
    FormatId id;
    int bpp;
    bool alpha;
};

const FixtureCase kFixtures[] = {
    {L"rgb-netpbm-rle.sgi", LoadSgi, FMT_SGI, 24, false},
    {L"rgb-netpbm-verbatim.sgi", LoadSgi, FMT_SGI, 24, false},
    {L"grey-netpbm-rle.sgi", LoadSgi, FMT_SGI, 8, false},
    {L"grey-netpbm-verbatim.sgi", LoadSgi, FMT_SGI, 8, false},
    {L"rgb-im.sgi", LoadSgi, FMT_SGI, 24, false},
    {L"rgba-im.sgi", LoadSgi, FMT_SGI, 32, true},
    {L"rgb-netpbm-standard.ras", LoadRas, FMT_RAS, 24, false},
    {L"rgb-netpbm-rle.ras", LoadRas, FMT_RAS, 24, false},
    {L"pal-netpbm-standard.ras", LoadRas, FMT_RAS, 8, false},
    {L"pal-netpbm-rle.ras", LoadRas, FMT_RAS, 8, false},
    {L"mono-netpbm.ras", LoadRas, FMT_RAS, 1, false},
    {L"rgb-im.ras", LoadRas, FMT_RAS, 24, false},  // type 3, odd width
    {L"rgba-im.ras", LoadRas, FMT_RAS, 32, true},  // type 3, alpha first
};

TEST(SgiRasReader, FixturesMatchImageMagick) {
    for (const FixtureCase& c : kFixtures) {
        const std::wstring path = qrvtest::Fixture(std::wstring(L"sgi_ras\\") + c.name);
        const std::string name = qrvtest::Narrow(c.name);
        CImage image;
        std::wstring text;
        ASSERT_TRUE(fmttest::LoadWith(c.reader, image, path, &text)) << name << ": " << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetBpp(), c.bpp) << name;
        EXPECT_TRUE(pixelcheck::MatchesRgba(image, path + L".rgba", c.alpha)) << name;

        CImage viaDispatch;
        wchar_t buffer[FORMAT_ERROR_CHARS] = {};
        FormatId id = -1;
        EXPECT_TRUE(LoadMediaFile(viaDispatch, path.c_str(), buffer, &id)) << name;
        EXPECT_EQ(id, c.id) << name;
    }
}

TEST(SgiReader, RefusesSixteenBitChannels) {
    CImage image;
    std::wstring text;
    EXPECT_FALSE(fmttest::LoadWith(LoadSgi, image, qrvtest::Fixture(L"sgi_ras\\word-im.sgi"), &text));
    EXPECT_EQ(text, L"Sorry, WORD Version not supported!");
}

// An SGI file assembled by hand: header, then the given data.
Bytes SgiFile(bool rle, uint16_t w, uint16_t h, uint16_t z, const Bytes& data) {
    fmttest::CraftedFile b;
    b.U16BE(0x01DA).U8(rle ? 1 : 0).U8(1).U16BE(3).U16BE(w).U16BE(h).U16BE(z);
    return b.Fill(512 - b.Here()).Raw(data).bytes;
}

TEST(SgiReader, TwoChannelsGiveGreyAndFiveTheFirstFour) {
    qrvtest::TempDir dir;
    // 2 x 1 verbatim: channel planes of two samples each.
    const std::wstring two = dir.File(L"two.sgi");
    const Bytes twoBytes = SgiFile(false, 2, 1, 2, {10, 20, 99, 99});
    ASSERT_TRUE(qrvtest::WriteAll(two, twoBytes.data(), twoBytes.size()));
    CImage image;
    ASSERT_TRUE(fmttest::LoadWith(LoadSgi, image, two));
    ASSERT_EQ(image.GetBpp(), 8);
    EXPECT_EQ(pixelcheck::ImageRgba(image), (Bytes{10, 10, 10, 255, 20, 20, 20, 255}));

    const std::wstring five = dir.File(L"five.sgi");
    const Bytes fiveBytes = SgiFile(false, 1, 1, 5, {1, 2, 3, 4, 5});
    ASSERT_TRUE(qrvtest::WriteAll(five, fiveBytes.data(), fiveBytes.size()));
    ASSERT_TRUE(fmttest::LoadWith(LoadSgi, image, five));
    ASSERT_EQ(image.GetBpp(), 32);
    EXPECT_EQ(pixelcheck::ImageRgba(image), (Bytes{1, 2, 3, 4}));
}

TEST(SgiReader, RunsPastTheRowAndOffsetsOutsideTheFileStayInside) {
    qrvtest::TempDir dir;
    // 4 x 2 grey, run-length: row 0 a run of 100 (cut at 4), row 1 beyond the end.
    Bytes data = {0, 0, 2, 16, 0, 0, 0xF0, 0, 0, 0, 0, 3, 0, 0, 0, 3};
    data.insert(data.end(), {100, 77, 0});
    const Bytes bytes = SgiFile(true, 4, 2, 1, data);
    const std::wstring path = dir.File(L"runs.sgi");
    ASSERT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
    CImage image;
    ASSERT_TRUE(fmttest::LoadWith(LoadSgi, image, path));
    const Bytes rgba = pixelcheck::ImageRgba(image);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(rgba[(4 + x) * 4], 77) << x;  // bottom row
        EXPECT_EQ(rgba[x * 4], 0) << x;         // top row: offset outside the file
    }

    // A start table that does not fit in the file.
    const Bytes shortTable = SgiFile(true, 4, 1000, 3, {0, 0, 2, 0});
    ASSERT_TRUE(qrvtest::WriteAll(path, shortTable.data(), shortTable.size()));
    std::wstring text;
    EXPECT_FALSE(fmttest::LoadWith(LoadSgi, image, path, &text));
    EXPECT_FALSE(text.empty());
}

// Grey ramp palette (256 red, green, blue triples) for palette test images.
const uint8_t* GreyRamp() {
    static uint8_t ramp[256 * 3];
    for (int i = 0; i < 256 * 3; ++i) ramp[i] = (uint8_t)(i / 3);
    return ramp;
}

bool MakeFilled(CImage& image, int w, int h, int bpp, uint8_t value) {
    if (!image.CreateEmpty(w, h, bpp, 0, bpp <= 8 ? GreyRamp() : nullptr)) return false;
    for (int y = 0; y < h; ++y) std::memset(image.ScanLine(y), value, image.stride);
    return true;
}

Bytes SaveSgiBytes(CImage& image, int compression, const std::wstring& path) {
    SaveOptions options;
    options.sgiCompression = compression;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_TRUE(SaveSgi(path.c_str(), image, text, options)) << qrvtest::Narrow(text);
    return qrvtest::ReadAll(path);
}

TEST(SgiWriter, RunLengthRowsAreExact) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"white.sgi");
    CImage white;
    ASSERT_TRUE(MakeFilled(white, 32, 1, 24, 0xFF));
    Bytes b = SaveSgiBytes(white, 1, path);
    ASSERT_EQ(b.size(), 512u + 24 + 9);
    EXPECT_EQ(b[2], 1);
    for (int z = 0; z < 3; ++z) {
        EXPECT_EQ(Be32(b, 512 + z * 4), 536u + z * 3) << z;
        EXPECT_EQ(Be32(b, 524 + z * 4), 3u) << z;
        EXPECT_EQ(Bytes(b.begin() + 536 + z * 3, b.begin() + 539 + z * 3), (Bytes{0x20, 0xFF, 0x00})) << z;
    }

    CImage wide;
    ASSERT_TRUE(MakeFilled(wide, 300, 1, 24, 0x11));
    b = SaveSgiBytes(wide, 1, path);
    EXPECT_EQ(Bytes(b.begin() + 536, b.begin() + 543), (Bytes{126, 0x11, 126, 0x11, 48, 0x11, 0}));

    // Literals up to where three equal samples start, then the run.
    CImage mixed;
    ASSERT_TRUE(mixed.CreateEmpty(7, 1, 8, 0, GreyRamp()));
    const uint8_t row[7] = {1, 2, 2, 3, 3, 3, 4};
    std::memcpy(mixed.ScanLine(0), row, 7);
    b = SaveSgiBytes(mixed, 1, path);
    EXPECT_EQ(Bytes(b.begin() + 536, b.begin() + 536 + 10), (Bytes{0x83, 1, 2, 2, 3, 3, 0x81, 4, 0, 0x83}));
    CImage back;
    ASSERT_TRUE(fmttest::LoadWith(LoadSgi, back, path));
    EXPECT_EQ(pixelcheck::ImageRgba(back), pixelcheck::ImageRgba(mixed));
}

TEST(SgiWriter, AggressiveModeStoresEqualRowsOnce) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"equal.sgi");
    CImage white;
    ASSERT_TRUE(MakeFilled(white, 32, 5, 24, 0xFF));
    const Bytes b = SaveSgiBytes(white, 2, path);
    ASSERT_EQ(b.size(), 512u + 15 * 8 + 3);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(Be32(b, 512 + i * 4), 632u) << i;
        EXPECT_EQ(Be32(b, 572 + i * 4), 3u) << i;
    }

    // Rows repeating with a period of 4: mode 2 keeps the picture, stores
    // each distinct row once and is smaller than mode 1.
    CImage pattern;
    ASSERT_TRUE(pixelcheck::MakePattern24(pattern, 41, 4));
    CImage tall;
    ASSERT_TRUE(tall.CreateEmpty(41, 40, 24, 0, nullptr));
    for (int y = 0; y < 40; ++y) std::memcpy(tall.ScanLine(y), pattern.ScanLine(y % 4), tall.stride);
    const Bytes mode1 = SaveSgiBytes(tall, 1, dir.File(L"mode1.sgi"));
    const Bytes mode2 = SaveSgiBytes(tall, 2, path);
    EXPECT_LT(mode2.size(), mode1.size());
    for (int z = 0; z < 3; ++z)
        for (int y = 4; y < 40; ++y)
            EXPECT_EQ(Be32(mode2, 512 + (z * 40 + y) * 4), Be32(mode2, 512 + (z * 40 + y % 4) * 4)) << y;
    CImage back;
    ASSERT_TRUE(fmttest::LoadWith(LoadSgi, back, path));
    EXPECT_TRUE(pixelcheck::SamePixels(back, tall));
}

// A 32-bit pattern with varied alpha.
bool MakePattern32(CImage& image, int w, int h) {
    CImage rgb;
    if (!pixelcheck::MakePattern24(rgb, w, h) || !image.CreateEmpty(w, h, 32, 0, nullptr)) return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::memcpy(image.ScanLine(y) + x * 4, rgb.ScanLine(y) + x * 3, 3);
            image.ScanLine(y)[x * 4 + 3] = (uint8_t)(x * 9 + y * 3);
        }
    return true;
}

// A host tool's decoding of path as an RGBA file beside it.
std::wstring HostRgba(const std::string& tool, const std::wstring& path) {
    const std::wstring out = path + L"." + qrvtest::Widen(tool.substr(0, tool.find(' '))) + L".rgba";
    const std::string cmd =
        tool + " '" + qrvtest::HostPath(path) + "' | /usr/bin/convert - -depth 8 'rgba:" + qrvtest::HostPath(out) + "'";
    EXPECT_EQ(qrvtest::RunHost(cmd), 0) << cmd;
    return out;
}

TEST(SgiWriter, OtherToolsReadEveryMode) {
    qrvtest::TempDir dir;
    CImage rgb, rgba, pal;
    ASSERT_TRUE(pixelcheck::MakePattern24(rgb, 37, 23));
    ASSERT_TRUE(MakePattern32(rgba, 37, 23));
    ASSERT_TRUE(pal.Copy(rgb));
    ASSERT_TRUE(pal.ConvertDepth(8));
    for (int mode = 0; mode <= 2; ++mode) {
        for (CImage* image : {&rgb, &rgba, &pal}) {
            const std::wstring path =
                dir.File(L"out" + std::to_wstring(mode) + L"-" + std::to_wstring(image->GetBpp()) + L".sgi");
            SaveSgiBytes(*image, mode, path);
            EXPECT_TRUE(pixelcheck::MatchesRgba(*image, HostRgba("sgitopnm", path))) << mode;
            EXPECT_TRUE(pixelcheck::MatchesRgba(*image, pixelcheck::ImageMagickRgba(path), image->GetBpp() == 32))
                << mode;
            CImage back;
            ASSERT_TRUE(fmttest::LoadWith(LoadSgi, back, path));
            EXPECT_EQ(pixelcheck::ImageRgba(back), pixelcheck::ImageRgba(*image)) << mode;
        }
    }
}

TEST(SgiRasRawWriter, FailedSaveLeavesNoFile) {
    qrvtest::TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 5, 5));
    // The target is a folder: the finished file cannot replace it.
    const std::wstring folder = dir.File(L"taken.sgi");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(SaveSgi(folder.c_str(), image, text, 1));
    EXPECT_STRNE(text, L"");
    EXPECT_FALSE(SaveRas(folder.c_str(), image, text, true));
    EXPECT_FALSE(SaveRaw(folder.c_str(), image, text, false, false, false));
    EXPECT_FALSE(qrvtest::FileExists(folder + L".tmp"));
    // Through the save dispatch the file is written beside the folder, which
    // it then cannot replace.
    for (const wchar_t* name : {L"taken.sgi", L"taken.ras", L"taken.raw"}) {
        const std::wstring target = dir.File(name);
        ASSERT_TRUE(target == folder || CreateDirectoryW(target.c_str(), nullptr));
        text[0] = L'\0';
        EXPECT_FALSE(SaveImageFile(target.c_str(), image, text, SaveOptions{})) << qrvtest::Narrow(name);
        EXPECT_EQ(std::wstring(text).rfind(L"Unable to replace ", 0), 0u) << qrvtest::Narrow(text);
        EXPECT_FALSE(qrvtest::FileExists(target + L".tmp"));
    }
    // A folder that does not exist.
    EXPECT_FALSE(SaveSgi(dir.File(L"missing\\a.sgi").c_str(), image, text, 0));
    EXPECT_STREQ(text, L"can't create SGI image file!");
    EXPECT_FALSE(SaveRas(dir.File(L"missing\\a.ras").c_str(), image, text, false));
    EXPECT_STREQ(text, L"can't create RAS image file!");
    EXPECT_FALSE(SaveRaw(dir.File(L"missing\\a.raw").c_str(), image, text, false, false, false));
    EXPECT_STREQ(text, L"RAW Failed to open file for saving!");
}

Bytes SaveRasBytes(CImage& image, bool rle, const std::wstring& path) {
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_TRUE(SaveRas(path.c_str(), image, text, rle)) << qrvtest::Narrow(text);
    return qrvtest::ReadAll(path);
}

TEST(RasWriter, ByteEncodingIsExact) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"sevens.ras");
    CImage sevens;
    ASSERT_TRUE(MakeFilled(sevens, 300, 1, 8, 7));
    Bytes b = SaveRasBytes(sevens, true, path);
    ASSERT_EQ(b.size(), 32u + 768 + 6);
    EXPECT_EQ(Be32(b, 16), 6u);  // the length is the bytes written
    EXPECT_EQ(Be32(b, 20), 2u);
    EXPECT_EQ(Bytes(b.begin() + 800, b.end()), (Bytes{0x80, 0xFF, 0x07, 0x80, 0x2B, 0x07}));

    // 0x80 alone, twice, and after other bytes; odd width pads with a zero.
    CImage escapes;
    ASSERT_TRUE(MakeFilled(escapes, 5, 1, 8, 0x80));
    escapes.ScanLine(0)[1] = 5;
    escapes.ScanLine(0)[2] = 5;
    b = SaveRasBytes(escapes, true, path);
    EXPECT_EQ(Bytes(b.begin() + 800, b.end()), (Bytes{0x80, 0x00, 5, 5, 0x80, 0x01, 0x80, 0x00}));
    CImage back;
    ASSERT_TRUE(fmttest::LoadWith(LoadRas, back, path));
    EXPECT_TRUE(pixelcheck::SamePixels(back, escapes));
}

TEST(RasWriter, RowsArePaddedToSixteenBits) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"rows.ras");
    // 1 bit, 17 wide: 3 bytes and a pad byte; entry 0 black, so inverted.
    CImage mono;
    const uint8_t blackWhite[6] = {0, 0, 0, 255, 255, 255};
    ASSERT_TRUE(mono.CreateEmpty(17, 1, 1, 0, blackWhite));
    mono.ScanLine(0)[0] = 0xF0;
    mono.ScanLine(0)[1] = 0x0F;
    mono.ScanLine(0)[2] = 0x80;
    Bytes b = SaveRasBytes(mono, true, path);  // never encoded at 1 bit
    ASSERT_EQ(b.size(), 36u);
    EXPECT_EQ(Be32(b, 20), 1u);
    EXPECT_EQ(Bytes(b.begin() + 32, b.end()), (Bytes{0x0F, 0xF0, 0x7F, 0x00}));
    CImage back;
    ASSERT_TRUE(fmttest::LoadWith(LoadRas, back, path));
    EXPECT_EQ(pixelcheck::ImageRgba(back), pixelcheck::ImageRgba(mono));

    // 24 bits, 5 wide: 15 bytes and a pad byte a row.
    CImage rgb;
    ASSERT_TRUE(pixelcheck::MakePattern24(rgb, 5, 2));
    b = SaveRasBytes(rgb, false, path);
    ASSERT_EQ(b.size(), 32u + 32);
    EXPECT_EQ(Be32(b, 16), 32u);
    EXPECT_EQ(Bytes(b.begin() + 32, b.begin() + 47), Bytes(rgb.ScanLine(1), rgb.ScanLine(1) + 15));
}

TEST(RasReader, UnpaddedAndRedFirstFiles) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"hand.ras");
    auto header = [](uint32_t w, uint32_t h, uint32_t depth, uint32_t length, uint32_t type) {
        fmttest::CraftedFile b;
        for (uint32_t v : {0x59A66A95u, w, h, depth, length, type, 0u, 0u}) b.U32BE(v);
        return b.bytes;
    };
    // 3 x 2 at 24 bits with exactly width x 3 x height bytes: rows unpadded.
    Bytes b = header(3, 2, 24, 18, 1);
    for (int i = 0; i < 18; ++i) b.push_back((uint8_t)(i * 10));
    ASSERT_TRUE(qrvtest::WriteAll(path, b.data(), b.size()));
    CImage image;
    ASSERT_TRUE(fmttest::LoadWith(LoadRas, image, path));
    Bytes rgba = pixelcheck::ImageRgba(image);
    EXPECT_EQ(Bytes(rgba.begin() + 12, rgba.begin() + 16), (Bytes{110, 100, 90, 255}));  // second row, blue first

    // Type 3: red first; 32 bits alpha, red, green, blue.
    b = header(1, 1, 32, 4, 3);
    b.insert(b.end(), {9, 1, 2, 3});
    ASSERT_TRUE(qrvtest::WriteAll(path, b.data(), b.size()));
    ASSERT_TRUE(fmttest::LoadWith(LoadRas, image, path));
    EXPECT_EQ(pixelcheck::ImageRgba(image), (Bytes{1, 2, 3, 9}));

    // Refusals.
    const struct {
        Bytes bytes;
        const wchar_t* text;
    } refused[] = {
        {header(1, 1, 8, 1, 6), L"the type of this SUN-rasterfile is not supported"},
        {header(1, 1, 16, 2, 1), L"Unsupported/Invalid Bitdepth in Header!"},
    };
    for (const auto& r : refused) {
        ASSERT_TRUE(qrvtest::WriteAll(path, r.bytes.data(), r.bytes.size()));
        std::wstring text;
        EXPECT_FALSE(fmttest::LoadWith(LoadRas, image, path, &text));
        EXPECT_EQ(text, r.text);
    }
    b = header(1, 1, 8, 1, 1);
    b[27] = 2;  // raw colour map
    b[31] = 3;
    b.insert(b.end(), {1, 2, 3, 0});
    ASSERT_TRUE(qrvtest::WriteAll(path, b.data(), b.size()));
    std::wstring text;
    EXPECT_FALSE(fmttest::LoadWith(LoadRas, image, path, &text));
    EXPECT_EQ(text, L"type of colourmap not supported");
    b[27] = 1;
    b[30] = 0x10;  // map longer than the file
    ASSERT_TRUE(qrvtest::WriteAll(path, b.data(), b.size()));
    EXPECT_FALSE(fmttest::LoadWith(LoadRas, image, path, &text));
    EXPECT_EQ(text, L"cant read colour entries");
}

TEST(RasWriter, OtherToolsReadEveryDepth) {
    qrvtest::TempDir dir;
    CImage rgb, rgba, pal, mono, rgb16;
    ASSERT_TRUE(pixelcheck::MakePattern24(rgb, 37, 23));
    ASSERT_TRUE(MakePattern32(rgba, 37, 23));
    ASSERT_TRUE(pal.Copy(rgb));
    ASSERT_TRUE(pal.ConvertDepth(8));
    ASSERT_TRUE(mono.Copy(rgb));
    ASSERT_TRUE(mono.ConvertDepth(1));
    ASSERT_TRUE(rgb16.Copy(rgb));
    ASSERT_TRUE(rgb16.ConvertDepth(16));
    for (bool rle : {false, true}) {
        for (CImage* image : {&rgb, &rgba, &pal, &mono, &rgb16}) {
            const std::wstring path =
                dir.File(L"out" + std::to_wstring(rle) + L"-" + std::to_wstring(image->GetBpp()) + L".ras");
            SaveRasBytes(*image, rle, path);
            const std::string name = std::to_string(image->GetBpp()) + (rle ? " rle" : "");
            EXPECT_TRUE(pixelcheck::MatchesRgba(*image, HostRgba("rasttopnm", path))) << name;
            // ImageMagick reads byte-encoded files red first and cuts odd-width
            // 8-bit ones short (netpbm's own files too): plain files only.
            if (!rle) {
                EXPECT_TRUE(pixelcheck::MatchesRgba(*image, pixelcheck::ImageMagickRgba(path), image->GetBpp() == 32))
                    << name;
            }
            CImage back;
            ASSERT_TRUE(fmttest::LoadWith(LoadRas, back, path));
            EXPECT_EQ(pixelcheck::ImageRgba(back), pixelcheck::ImageRgba(*image)) << name;
        }
    }
}

TEST(RawWriter, RowsInTheWantedOrder) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"out.raw");
    CImage small;
    ASSERT_TRUE(pixelcheck::MakePattern24(small, 2, 2));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveRaw(path.c_str(), small, text, false, false, false));
    Bytes expected(small.ScanLine(0), small.ScanLine(0) + 6);
    expected.insert(expected.end(), small.ScanLine(1), small.ScanLine(1) + 6);
    EXPECT_EQ(qrvtest::ReadAll(path), expected);

    // Top row first with red first: ImageMagick's "rgb:" reads the picture;
    // the image itself is left as it was.
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 37, 23));
    const Bytes before = pixelcheck::ImageRgba(image);
    SaveOptions options;
    options.raw = RawSaveOptions{true, true, false};
    ASSERT_TRUE(SaveRaw(path.c_str(), image, text, options));
    EXPECT_EQ(pixelcheck::ImageRgba(image), before);
    const std::wstring ref = path + L".rgba";
    const std::string cmd = "/usr/bin/convert -size 37x23 -depth 8 'rgb:" + qrvtest::HostPath(path) +
                            "' -depth 8 'rgba:" + qrvtest::HostPath(ref) + "'";
    ASSERT_EQ(qrvtest::RunHost(cmd), 0);
    EXPECT_TRUE(pixelcheck::MatchesRgba(image, ref));

    // Bottom row first, blue first: "bgr:" with a flip; an 8-bit image converted.
    CImage pal;
    ASSERT_TRUE(pal.Copy(image));
    ASSERT_TRUE(pal.ConvertDepth(8));
    options.raw = RawSaveOptions{false, false, false};
    ASSERT_TRUE(SaveRaw(path.c_str(), pal, text, options));
    const std::string flipped = "/usr/bin/convert -size 37x23 -depth 8 'bgr:" + qrvtest::HostPath(path) +
                                "' -flip -depth 8 'rgba:" + qrvtest::HostPath(ref) + "'";
    ASSERT_EQ(qrvtest::RunHost(flipped), 0);
    EXPECT_TRUE(pixelcheck::MatchesRgba(pal, ref));

    // Keep depth: the stored rows as they are, top row first with flip.
    options.raw = RawSaveOptions{true, false, true};
    ASSERT_TRUE(SaveRaw(path.c_str(), pal, text, options));
    const Bytes written = qrvtest::ReadAll(path);
    ASSERT_EQ(written.size(), (size_t)pal.stride * 23);
    EXPECT_EQ(0, std::memcmp(written.data(), pal.ScanLine(22), pal.stride));
    EXPECT_EQ(0, std::memcmp(written.data() + (size_t)pal.stride * 22, pal.ScanLine(0), pal.stride));
}

}  // namespace

namespace {

// The options reach the writers through SaveImageFile.
TEST(SgiRasRawWriter, OptionsReachTheWriters) {
    qrvtest::TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 3, 2));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    const std::wstring sgiPath = dir.File(L"a.rgb"), rasPath = dir.File(L"a.sun"), rawPath = dir.File(L"a.raw");

    SaveOptions options;
    options.sgiCompression = 0;
    options.rasRunLength = true;
    options.raw = RawSaveOptions{true, false, false};
    EXPECT_TRUE(SaveImageFile(sgiPath.c_str(), image, text, options)) << qrvtest::Narrow(text);
    EXPECT_TRUE(SaveImageFile(rasPath.c_str(), image, text, options)) << qrvtest::Narrow(text);
    EXPECT_TRUE(SaveImageFile(rawPath.c_str(), image, text, options)) << qrvtest::Narrow(text);

    const Bytes s = qrvtest::ReadAll(sgiPath), r = qrvtest::ReadAll(rasPath), w = qrvtest::ReadAll(rawPath);
    ASSERT_EQ(s.size(), 512u + 18);
    EXPECT_EQ(s[2], 0);
    ASSERT_GE(r.size(), 32u);
    EXPECT_EQ(Be32(r, 20), 2u);
    ASSERT_EQ(w.size(), 18u);
    EXPECT_EQ(0, std::memcmp(w.data(), image.ScanLine(1), 9));  // top row first, blue first
}

}  // namespace
