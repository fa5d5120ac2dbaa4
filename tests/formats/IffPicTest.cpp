// IFF, PIC-family and PIX readers against ppmtoilbm's files (checked by
// ilbmtoppm) and generated ones, the layouts and limits of each reader on
// files built here, and the PIX writer's packets read back by ImageMagick.
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

using Bytes = std::vector<uint8_t>;

void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
void Append(Bytes& b, const char* text) { b.insert(b.end(), text, text + std::strlen(text)); }
void Be16(Bytes& b, uint32_t v) {
    b.push_back((uint8_t)(v >> 8));
    b.push_back((uint8_t)v);
}
void Be32(Bytes& b, uint32_t v) {
    Be16(b, v >> 16);
    Be16(b, v);
}
void Le16(Bytes& b, uint32_t v) {
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}

// An IFF chunk: id, size, data, a pad byte after odd data (align 2) or up
// to 4 bytes (align 4).
Bytes Chunk(const char* id, const Bytes& data, size_t align = 2) {
    Bytes b;
    Append(b, id);
    Be32(b, (uint32_t)data.size());
    Append(b, data);
    while (b.size() % align) b.push_back(0);
    return b;
}

Bytes Bmhd(uint32_t w, uint32_t h, uint8_t planes, uint8_t masking, uint8_t compression) {
    Bytes b;
    Be16(b, w);
    Be16(b, h);
    Be32(b, 0);
    b.insert(b.end(), {planes, masking, compression, 0, 0, 0, 10, 11});
    Be16(b, w);
    Be16(b, h);
    return b;
}

// FORM of formType with the given chunks.
Bytes Form(const char* formType, const std::vector<Bytes>& chunks) {
    Bytes content;
    Append(content, formType);
    for (const Bytes& c : chunks) Append(content, c);
    return Chunk("FORM", content);
}

Bytes GreyCmap(int entries) {
    Bytes b;
    for (int i = 0; i < entries; ++i) b.insert(b.end(), 3, (uint8_t)(i * 255 / std::max(entries - 1, 1)));
    return b;
}

struct FixtureCase {
    const wchar_t* name;
    FormatReader reader;
    FormatId id;
    int bpp;
};

TEST(IffPicReaders, FixturesMatchTheirReferences) {
    const FixtureCase cases[] = {
        {L"pal5.iff", LoadIff, FMT_IFF, 8},
        {L"pal5-raw.iff", LoadIff, FMT_IFF, 8},
        {L"pal5-mask.iff", LoadIff, FMT_IFF, 8},
        {L"w17.lbm", LoadIff, FMT_IFF, 4},
        {L"mono.iff", LoadIff, FMT_IFF, 1},
        {L"pal8-raw.iff", LoadIff, FMT_IFF, 8},
        {L"rgb24.iff", LoadIff, FMT_IFF, 24},
        {L"rgb24-raw.iff", LoadIff, FMT_IFF, 24},
        {L"chunky-rle.iff", LoadIff, FMT_IFF, 8},
        {L"chunky-raw.lbm", LoadIff, FMT_IFF, 8},
        {L"tiled-rgb-rle.iff", LoadIff, FMT_IFF, 24},
        {L"tiled-rgba-raw.iff", LoadIff, FMT_IFF, 32},
        {L"tiled-rgba-rle.iff", LoadIff, FMT_IFF, 32},
        {L"softimage-raw.pic", LoadSoftimagePic, FMT_PIC, 32},
        {L"softimage-pure-rgba.pic", LoadSoftimagePic, FMT_PIC, 32},
        {L"softimage-mixed.pic", LoadSoftimagePic, FMT_PIC, 32},
        {L"softimage-wide.pic", LoadSoftimagePic, FMT_PIC, 32},
        {L"pcpaint-mono.pic", LoadPcPaintPic, FMT_PIC, 1},
        {L"pcpaint-ega16.pic", LoadPcPaintPic, FMT_PIC, 4},
        {L"pcpaint-ega4.pic", LoadPcPaintPic, FMT_PIC, 4},
        {L"pcpaint-256.pic", LoadPcPaintPic, FMT_PIC, 8},
        {L"planar.pic", LoadPlanarPic, FMT_PIC, 8},
        {L"rgb.pix", LoadPix, FMT_PIX, 24},
        {L"wide.pix", LoadPix, FMT_PIX, 24},
        {L"grey.pix", LoadPix, FMT_PIX, 8},
    };
    for (const FixtureCase& c : cases) {
        // Alpha is compared for every 32-bit picture: without an alpha
        // packet or channel the reference is opaque.
        pixelcheck::ExpectFixtureMatches(c.reader, c.id, std::wstring(L"iff_pic\\") + c.name, c.bpp, c.bpp == 32);
        // The table's reader of ".pic" finds each kind by its first bytes.
        if (c.id == FMT_PIC) {
            CImage image;
            std::wstring text;
            EXPECT_TRUE(fmttest::LoadWith(LoadPic, image, qrvtest::Fixture(std::wstring(L"iff_pic\\") + c.name), &text))
                << qrvtest::Narrow(c.name) << ": " << qrvtest::Narrow(text);
        }
    }
}

TEST(IffReader, FivePlanesGiveIndicesUpTo31InRowsOfFivePlaneRows) {
    const Bytes file = qrvtest::ReadAll(qrvtest::Fixture(L"iff_pic\\pal5-raw.iff"));
    ASSERT_GT(file.size(), 40u);
    EXPECT_EQ(file[28], 5);  // BMHD plane count
    CImage image;
    ASSERT_TRUE(fmttest::LoadWith(LoadIff, image, qrvtest::Fixture(L"iff_pic\\pal5-raw.iff")));
    ASSERT_EQ(image.GetBpp(), 8);
    std::vector<bool> seen(256, false);
    for (uint32_t y = 0; y < image.GetHeight(); ++y)
        for (uint32_t x = 0; x < image.GetWidth(); ++x) seen[image.GetPixelIndex(x, y)] = true;
    for (int i = 0; i < 256; ++i) EXPECT_EQ(seen[i], i < 32) << i;
}

// The image's pixels as RGBA, top row first.
Bytes LoadedRgba(FormatReader reader, const Bytes& file, const wchar_t* name, CImage& image) {
    const fmttest::Loaded r = fmttest::LoadBytes(reader, image, file, name);
    EXPECT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    return r.ok ? pixelcheck::ImageRgba(image) : Bytes();
}

TEST(IffReader, RowLayouts) {
    CImage image;
    // Width 17: plane rows of 4 bytes; a pixel at x = 16 lives in byte 2.
    Bytes body = {0x80, 0, 0x80, 0, 0, 0, 0, 0};
    Bytes rgba = LoadedRgba(
        LoadIff, Form("ILBM", {Chunk("BMHD", Bmhd(17, 2, 1, 0, 0)), Chunk("CMAP", GreyCmap(2)), Chunk("BODY", body)}),
        L"w17.iff", image);
    ASSERT_EQ(rgba.size(), 17u * 2 * 4);
    for (int x = 0; x < 17; ++x) EXPECT_EQ(rgba[x * 4], x == 0 || x == 16 ? 255 : 0) << x;
    for (int x = 0; x < 17; ++x) EXPECT_EQ(rgba[(17 + x) * 4], 0) << x;

    // ByteRun1: 128 is skipped, 255 repeats the next byte twice, 1 copies two.
    body = {128, 255, 0xAA, 1, 0x55, 0x0F};
    rgba = LoadedRgba(
        LoadIff, Form("ILBM", {Chunk("BMHD", Bmhd(32, 1, 1, 0, 1)), Chunk("CMAP", GreyCmap(2)), Chunk("BODY", body)}),
        L"runs.iff", image);
    ASSERT_EQ(image.GetBpp(), 1);
    EXPECT_EQ(Bytes(image.ScanLine(0), image.ScanLine(0) + 4), (Bytes{0xAA, 0xAA, 0x55, 0x0F}));

    // 24 planes: plane 0 is bit 0 of red. 12 planes: red from planes 0-7,
    // the low green bits from 8-11.
    for (const uint8_t planes : {24, 12}) {
        body.assign((size_t)planes * 2, 0);
        body[0] = 0x80;
        if (planes == 12)
            for (int p = 0; p < 12; ++p) body[p * 2] = 0x80;
        rgba = LoadedRgba(LoadIff, Form("ILBM", {Chunk("BMHD", Bmhd(1, 1, planes, 0, 0)), Chunk("BODY", body)}),
                          L"deep.iff", image);
        ASSERT_EQ(image.GetBpp(), 24);
        EXPECT_EQ(rgba, planes == 24 ? (Bytes{1, 0, 0, 255}) : (Bytes{255, 15, 0, 255})) << (int)planes;
    }

    // A mask plane follows the picture's planes and is read past.
    body = {0x80, 0, 0xFF, 0xFF, 0x40, 0, 0xFF, 0xFF};
    rgba = LoadedRgba(
        LoadIff, Form("ILBM", {Chunk("BMHD", Bmhd(2, 2, 1, 1, 0)), Chunk("CMAP", GreyCmap(2)), Chunk("BODY", body)}),
        L"mask.iff", image);
    EXPECT_EQ(rgba, (Bytes{255, 255, 255, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 255}));

    // Chunky rows: the width rounded up to an even number of bytes, copied
    // into image rows that are no longer than the picture.
    body = {1, 2, 3, 99, 4, 5, 6, 99};
    rgba = LoadedRgba(
        LoadIff, Form("PBM ", {Chunk("BMHD", Bmhd(3, 2, 8, 0, 0)), Chunk("CMAP", GreyCmap(256)), Chunk("BODY", body)}),
        L"chunky.iff", image);
    ASSERT_EQ(image.GetBpp(), 8);
    EXPECT_EQ(image.GetPixelIndex(0, 1), 1);
    EXPECT_EQ(image.GetPixelIndex(2, 1), 3);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 4);
    EXPECT_EQ(image.GetPixelIndex(2, 0), 6);

    // A list holding a shared header and the picture's form.
    Bytes list;
    Append(list, "ILBM");
    Bytes prop;
    Append(prop, "ILBM");
    Append(prop, Chunk("BMHD", Bmhd(8, 1, 1, 0, 0)));
    Append(prop, Chunk("CMAP", GreyCmap(2)));
    Append(list, Chunk("PROP", prop));
    Append(list, Form("ILBM", {Chunk("BODY", {0xF0, 0})}));
    rgba = LoadedRgba(LoadIff, Chunk("LIST", list), L"list.iff", image);
    ASSERT_EQ(rgba.size(), 32u);
    EXPECT_EQ(rgba[3 * 4], 255);
    EXPECT_EQ(rgba[4 * 4], 0);

    // A body that ends early keeps the rows it had.
    rgba = LoadedRgba(LoadIff,
                      Form("ILBM", {Chunk("BMHD", Bmhd(16, 3, 1, 0, 0)), Chunk("CMAP", GreyCmap(2)),
                                    Chunk("BODY", {0xFF, 0xFF, 0x0F})}),
                      L"short.iff", image);
    ASSERT_EQ(rgba.size(), 16u * 3 * 4);
    EXPECT_EQ(rgba[0], 255);
    EXPECT_EQ(rgba[(16 + 0) * 4], 0);
    EXPECT_EQ(rgba[(16 + 4) * 4], 255);
    EXPECT_EQ(rgba[(32 + 4) * 4], 0);
}

// A tiled file: TBHD, then the tiles in a TBMP group.
Bytes Tiled(uint32_t w, uint32_t h, uint32_t flags, uint32_t tiles, uint32_t compression,
            const std::vector<Bytes>& tileChunks) {
    Bytes tbhd;
    Be32(tbhd, w);
    Be32(tbhd, h);
    Be16(tbhd, 1);
    Be16(tbhd, 1);
    Be32(tbhd, flags);
    Be16(tbhd, 0);
    Be16(tbhd, tiles);
    Be32(tbhd, compression);
    Bytes tbmp;
    for (const Bytes& t : tileChunks) Append(tbmp, t);
    Bytes group;
    Append(group, "FOR4");
    Be32(group, (uint32_t)tbmp.size());
    Append(group, "TBMP");
    Append(group, tbmp);
    Bytes content = Chunk("TBHD", tbhd, 4);
    Append(content, group);
    Bytes file;
    Append(file, "FOR4");
    Be32(file, (uint32_t)content.size());
    Append(file, "CIMG");
    Append(file, content);
    return file;
}

Bytes Tile(const char* id, uint32_t x1, uint32_t y1, uint32_t x2, uint32_t y2, const Bytes& data) {
    Bytes b;
    Be16(b, x1);
    Be16(b, y1);
    Be16(b, x2);
    Be16(b, y2);
    Append(b, data);
    return Chunk(id, b, 4);
}

TEST(IffReader, TilesAreClippedAndDepthTilesSkipped) {
    CImage image;
    // 3 x 2, colour only: a depth tile first, then a 2 x 2 raw tile at
    // (2, 1) of which one pixel lies inside, then a run-length tile of 4 x 1
    // along the bottom row (blue, green, red planes; shorter than raw data).
    const Bytes raw = {10, 20, 30, 11, 21, 31, 12, 22, 32, 13, 23, 33};
    const Bytes rle = {0x83, 1, 0x83, 2, 0x83, 3};
    const Bytes file = Tiled(3, 2, 1 | 4, 2, 1,
                             {Tile("ZBUF", 0, 0, 0, 0, {0, 0, 0, 0}), Tile("RGBA", 2, 1, 3, 2, raw),
                              Tile("RGBA", 0, 0, 3, 0, rle), Tile("ZBUF", 1, 1, 1, 1, {0, 0, 0, 0})});
    const Bytes rgba = LoadedRgba(LoadIff, file, L"tiles.iff", image);
    ASSERT_EQ(image.GetBpp(), 24);
    // Top row (tile row y1 = 1 counted from the bottom): only (2, 1) set.
    EXPECT_EQ(rgba, (Bytes{0, 0, 0, 255, 0, 0, 0, 255, 30, 20, 10, 255,  //
                           3, 2, 1, 255, 3, 2, 1, 255, 3,  2,  1,  255}));
}

TEST(IffReader, RefusedFiles) {
    const Bytes bmhd = Chunk("BMHD", Bmhd(8, 1, 1, 0, 0));
    Bytes zeroChunk = Form("ILBM", {bmhd});
    Append(zeroChunk, "ANNO");
    Be32(zeroChunk, 0);
    Bytes longCmap = Form("ILBM", {bmhd});
    Append(longCmap, "CMAP");
    Be32(longCmap, 768);
    longCmap.insert(longCmap.end(), 30, 7);
    Bytes notCimg = Tiled(2, 2, 1, 1, 0, {});
    std::memcpy(&notCimg[8], "CIMX", 4);
    fmttest::ExpectRefused(
        LoadIff, L"test.iff",
        {
            {"unknown container", fmttest::Bytes("FORX\0\0\0\4ILBM"), FORMAT_TEXT_INVALID_ID},
            {"no body", Form("ILBM", {bmhd, Chunk("CMAP", GreyCmap(2))}), L"Decode Error (invalid chunk)!"},
            {"chunk of length 0", zeroChunk, L"Decode Error (invalid chunk length)!"},
            {"palette beyond the file", longCmap, L"Palette Error!"},
            {"body before a header", Form("ILBM", {Chunk("BODY", {1, 2})}),
             L"Unable to allocate Memory for storing Imagedata!"},
            {"height beyond the file",
             Form("ILBM", {Chunk("BMHD", Bmhd(0xFFFF, 0xFFFF, 1, 0, 0)), Chunk("BODY", {1, 2})}),
             L"IFF File is too short for its image size!"},
            {"tiled, not CIMG", notCimg, FORMAT_TEXT_INVALID_ID},
            {"tiled, compression 2", Tiled(2, 2, 1, 1, 2, {}), L"Unsupported/Unknown Compressiontype!"},
            {"tiled, no channels", Tiled(2, 2, 4, 1, 0, {}), L"Failed to create Image!"},
            {"tiled, foreign chunk", Tiled(2, 2, 1, 1, 0, {Tile("ABCD", 0, 0, 0, 0, {1, 2, 3})}),
             L"Bad Chunk found at Reading Tiles!"},
        });
}

// ---- PIC family ----

Bytes SoftimageHeader(uint32_t w, uint32_t h, const std::vector<std::pair<uint8_t, uint8_t>>& packets,
                      const char* id = "PICT") {
    Bytes b;
    Be32(b, 0x5380F634u);
    b.resize(88, 0);
    Append(b, id);
    Be16(b, w);
    Be16(b, h);
    b.resize(104, 0);
    for (size_t i = 0; i < packets.size(); ++i)
        b.insert(b.end(), {(uint8_t)(i + 1 < packets.size()), 8, packets[i].first, packets[i].second});
    return b;
}

TEST(PicReader, SoftimagePackets) {
    CImage image;
    // Mixed run-length, red/green/blue: 128 with a 16-bit count, then a
    // literal pixel; no alpha packet: opaque.
    Bytes file = SoftimageHeader(3, 1, {{2, 0xE0}});
    Append(file, {128, 0, 2, 9, 8, 7, 0, 1, 2, 3});
    Bytes rgba = LoadedRgba(LoadSoftimagePic, file, L"mixed.pic", image);
    EXPECT_EQ(rgba, (Bytes{9, 8, 7, 255, 9, 8, 7, 255, 1, 2, 3, 255}));

    // Separate packets for green and alpha; the others stay 0.
    file = SoftimageHeader(2, 1, {{0, 0x40}, {1, 0x10}});
    Append(file, {50, 60, 200, 77});
    rgba = LoadedRgba(LoadPic, file, L"split.pic", image);
    EXPECT_EQ(rgba, (Bytes{0, 50, 0, 77, 0, 60, 0, 77}));

    Bytes pastRow = SoftimageHeader(3, 1, {{2, 0xE0}});
    Append(pastRow, {130, 1, 2, 3});  // a run of 3 from x = 0 fits; then a literal group of 2 does not
    Append(pastRow, {1, 1, 2, 3, 4, 5, 6});
    Bytes literalPast = SoftimageHeader(3, 1, {{2, 0xE0}});
    Append(literalPast, {3, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    Bytes truncated = SoftimageHeader(4, 4, {{0, 0xE0}});
    Append(truncated, Bytes(20, 1));
    fmttest::ExpectRefused(
        LoadSoftimagePic, L"test.pic",
        {
            {"other magic", Bytes(120, 0x11), FORMAT_TEXT_INVALID_ID},
            {"not a picture", SoftimageHeader(1, 1, {{0, 0xE0}}, "PICX"), L" is a Softimage file, but not a PIC file"},
            {"literal group past the row", literalPast, L"ReadScanline Error occured!"},
            {"data ends early", truncated, L"ReadScanline Error occured!"},
            {"packet list ends early", SoftimageHeader(1, 1, {}), L"ReadScanline Error occured!"},
        });
    // The run that fills the row is fine; the row is then complete.
    rgba = LoadedRgba(LoadSoftimagePic, pastRow, L"run.pic", image);
    EXPECT_EQ(rgba, (Bytes{1, 2, 3, 255, 1, 2, 3, 255, 1, 2, 3, 255}));
}

// A PC Paint file: header, palette, blocks of (packed size, unpacked size,
// marker, data).
Bytes PcPaint(uint32_t w, uint32_t h, uint8_t planeInfo, uint8_t videoMode, const Bytes& palette,
              const std::vector<Bytes>& blocks, uint8_t marker = 0xE7) {
    Bytes b;
    Le16(b, 0x1234);
    Le16(b, w);
    Le16(b, h);
    Le16(b, 0);
    Le16(b, 0);
    b.insert(b.end(), {planeInfo, 0xFF, videoMode});
    Le16(b, 0);
    Le16(b, (uint32_t)palette.size());
    Append(b, palette);
    Le16(b, (uint32_t)blocks.size());
    for (const Bytes& data : blocks) {
        Le16(b, (uint32_t)data.size() + 5);
        Le16(b, 0xFFFF);
        b.push_back(marker);
        Append(b, data);
    }
    return b;
}

TEST(PicReader, PcPaintRowsAndPalettesStayInside) {
    CImage image;
    // 8 bits, 2 x 2: rows from the bottom up, a run (marker, count, value),
    // a 16-bit count behind a 0 count, and far more rows than the picture
    // holds (dropped).
    Bytes palette;
    for (int i = 0; i < 256; ++i) palette.insert(palette.end(), {(uint8_t)(i % 64), 0, 0});
    Bytes file = PcPaint(2, 2, 0x08, 0x4D, palette, {{5, 6, 0xE7, 2, 9}, {0xE7, 0, 0x10, 0x27, 1}});
    Bytes rgba = LoadedRgba(LoadPcPaintPic, file, L"rows.pic", image);
    EXPECT_EQ(rgba, (Bytes{36, 0, 0, 255, 36, 0, 0, 255, 20, 0, 0, 255, 24, 0, 0, 255}));

    // Two planes with a palette of 300 bytes: only 4 entries are taken.
    Bytes ega(300, 0x3F);
    file = PcPaint(8, 1, 0x11, 0x47, ega, {{0xF0, 0xCC, 0xAA}});
    rgba = LoadedRgba(LoadPcPaintPic, file, L"ega.pic", image);
    ASSERT_EQ(image.GetBpp(), 4);
    // Plane 0 (bit 0) 0xF0, plane 1 (bit 1) 0xCC: indices 3 3 1 1 2 2 0 0.
    const uint8_t expected[8] = {3, 3, 1, 1, 2, 2, 0, 0};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(image.GetPixelIndex(x, 0), expected[x]) << x;
    EXPECT_EQ(image.palette[3][0], 192);
    EXPECT_EQ(image.palette[4][0], 0);
    EXPECT_EQ(image.palette[15][0], 0);

    // The blocks end early: the picture loads, the rest stays as created.
    file = PcPaint(8, 3, 0x00 | 1, 0x43, {}, {{0xFF}});
    rgba = LoadedRgba(LoadPcPaintPic, file, L"short.pic", image);
    ASSERT_EQ(rgba.size(), 8u * 3 * 4);
    EXPECT_EQ(rgba[(16 + 1) * 4], 255);  // bottom row white
    EXPECT_EQ(rgba[1 * 4], 0);

    fmttest::ExpectRefused(LoadPcPaintPic, L"test.pic",
                           {
                               {"other magic", Bytes(40, 0x12), FORMAT_TEXT_INVALID_ID},
                               {"two bits packed", PcPaint(8, 1, 0x02, 0x43, {}, {{0}}), L"Unsupported Bitdepth!"},
                           });
}

TEST(PicReader, PlanarDumpPaletteBesideInTheFolderOrGrey) {
    qrvtest::TempDir dir, work;
    Bytes dump(64000, 0);
    dump[0] = 5;          // (0, 0)
    dump[16000 + 1] = 6;  // (5, 0)
    const std::wstring path = dir.File(L"screen.pic");
    ASSERT_TRUE(qrvtest::WriteAll(path, dump.data(), dump.size()));
    wchar_t before[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, before);
    ASSERT_TRUE(SetCurrentDirectoryW(work.Path().c_str()));

    CImage image;
    ASSERT_TRUE(fmttest::LoadWith(LoadPic, image, path));
    ASSERT_EQ(image.GetWidth(), 320u);
    EXPECT_EQ(image.GetPixelIndex(0, 199), 5);
    EXPECT_EQ(image.GetPixelIndex(5, 199), 6);
    EXPECT_EQ(image.palette[5][2], 5);  // grey ramp

    Bytes pal(768, 0);
    pal[5 * 3] = 10;  // red of entry 5
    ASSERT_TRUE(qrvtest::WriteAll(work.File(L"any.pal"), pal.data(), pal.size()));
    ASSERT_TRUE(fmttest::LoadWith(LoadPic, image, path));
    EXPECT_EQ(image.palette[5][2], 40);
    EXPECT_EQ(image.palette[5][0], 0);

    pal[5 * 3] = 20;
    ASSERT_TRUE(qrvtest::WriteAll(dir.File(L"screen.pal"), pal.data(), pal.size()));
    ASSERT_TRUE(fmttest::LoadWith(LoadPic, image, path));
    EXPECT_EQ(image.palette[5][2], 80);
    SetCurrentDirectoryW(before);

    // "PIC" at the start is refused, and the dispatcher ends with the
    // unsupported-format text.
    dump[0] = 'P';
    dump[1] = 'I';
    dump[2] = 'C';
    ASSERT_TRUE(qrvtest::WriteAll(path, dump.data(), dump.size()));
    std::wstring text;
    EXPECT_FALSE(fmttest::LoadWith(LoadPic, image, path, &text));
    EXPECT_EQ(text, FORMAT_TEXT_INVALID_ID);
    wchar_t buffer[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(LoadMediaFile(image, path.c_str(), buffer, nullptr));
    EXPECT_STREQ(buffer, FORMAT_TEXT_UNSUPPORTED);
}

// ---- PIX ----

Bytes PixHeader(uint32_t w, uint32_t h, uint32_t bpp) {
    Bytes b;
    Be16(b, w);
    Be16(b, h);
    Be16(b, 0);
    Be16(b, 0);
    Be16(b, bpp);
    return b;
}

TEST(PixReader, RunsStopAtTheRowAndHeadersAreChecked) {
    CImage image;
    Bytes file = PixHeader(2, 2, 24);
    Append(file, {5, 1, 2, 3, 1, 4, 5, 6, 1, 7, 8, 9});  // a run of 5 cut at the row's end
    const Bytes rgba = LoadedRgba(LoadPix, file, L"runs.pix", image);
    EXPECT_EQ(rgba, (Bytes{3, 2, 1, 255, 3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7, 255}));

    Bytes esm;
    Append(esm, "Esm Software PIX file and more");
    fmttest::ExpectRefused(
        LoadPix, L"test.pix",
        {
            {"16 bits", PixHeader(2, 2, 16), L"Unsupported Bitdepth!"},
            {"width 0", PixHeader(0, 2, 24), L"Invalid Imagesize!"},
            {"Esm file", esm, FORMAT_TEXT_INVALID_ID},
            {"far too short", PixHeader(0xFFFF, 0xFFFF, 24), L"PIX File is too short for its image size!"},
        });
}

TEST(PixWriter, RunsOfAtMost255WithinRows) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"equal.pix");
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(300, 2, 24, 0, nullptr));
    for (uint32_t y = 0; y < 2; ++y) std::memset(image.ScanLine(y), y ? 0x11 : 0x22, image.stride);
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SavePix(path.c_str(), image, text)) << qrvtest::Narrow(text);
    const Bytes b = qrvtest::ReadAll(path);
    Bytes expected = PixHeader(300, 2, 24);
    Append(expected, {255, 0x11, 0x11, 0x11, 45, 0x11, 0x11, 0x11, 255, 0x22, 0x22, 0x22, 45, 0x22, 0x22, 0x22});
    EXPECT_EQ(b, expected);
    EXPECT_FALSE(qrvtest::FileExists(path + L".tmp"));
}

TEST(PixWriter, OtherDepthsAreWrittenAt24BitsAndReadBack) {
    qrvtest::TempDir dir;
    CImage rgb, pal, mono;
    ASSERT_TRUE(pixelcheck::MakePattern24(rgb, 37, 23));
    ASSERT_TRUE(pal.Copy(rgb));
    ASSERT_TRUE(pal.ConvertDepth(8));
    ASSERT_TRUE(mono.Copy(rgb));
    ASSERT_TRUE(mono.ConvertDepth(1));
    for (CImage* image : {&rgb, &pal, &mono}) {
        const std::wstring path = dir.File(L"out" + std::to_wstring(image->GetBpp()) + L".pix");
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SaveImageFile(path.c_str(), *image, text, SaveOptions{})) << qrvtest::Narrow(text);
        CImage back;
        ASSERT_TRUE(fmttest::LoadWith(LoadPix, back, path));
        EXPECT_EQ(back.GetBpp(), 24);
        EXPECT_EQ(pixelcheck::ImageRgba(back), pixelcheck::ImageRgba(*image)) << (int)image->GetBpp();
        // ImageMagick reads the first picture of the file.
        const std::wstring reference = path + L".im.rgba";
        const std::string cmd = "/usr/bin/convert 'pix:" + qrvtest::HostPath(path) +
                                "[0]' -depth 8 'rgba:" + qrvtest::HostPath(reference) + "'";
        ASSERT_EQ(qrvtest::RunHost(cmd), 0) << cmd;
        EXPECT_TRUE(pixelcheck::MatchesRgba(*image, reference)) << (int)image->GetBpp();
    }

    // A folder that does not exist: the open text, no file left.
    CImage small;
    ASSERT_TRUE(pixelcheck::MakePattern24(small, 3, 3));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    const std::wstring missing = dir.File(L"no-such-folder\\x.pix");
    EXPECT_FALSE(SavePix(missing.c_str(), small, text));
    EXPECT_STREQ(text, L"PIX Failed to open file for saving!");
}

}  // namespace
