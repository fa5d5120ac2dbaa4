// PCX and DCX: netpbm's and ImageMagick's files against their own decoding,
// the DCX pages and paging tables, lines shorter than the picture, and the
// writer: exact run coding, padding, and its files read back by us, netpbm
// and ImageMagick.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "formats/ByteReader.h"
#include "formats/CraftedFile.h"
#include "formats/FormatCodecs.h"
#include "formats/FormatTestUtil.h"
#include "formats/Formats.h"
#include "formats/OutputFile.h"
#include "formats/PixelCheck.h"
#include "formats/SaveDispatch.h"
#include "formats/StdioFile.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(PcxReader, FixturesMatchTheirMakers) {
    struct Case {
        const wchar_t* name;
        int bpp;
        bool alpha;
    };
    const Case cases[] = {
        {L"rgb-netpbm.pcx", 24, false},    {L"rgb24-netpbm.pcx", 24, false},  {L"planes4-netpbm.pcx", 4, false},
        {L"planes3-netpbm.pcx", 4, false}, {L"packed4-netpbm.pcx", 4, false}, {L"pal8-netpbm.pcx", 8, false},
        {L"mono-netpbm.pcx", 1, false},    {L"rgb-im.pcx", 24, false},        {L"rgba-im.pcx", 32, true},
    };
    for (const Case& c : cases)
        pixelcheck::ExpectFixtureMatches(LoadPcx, FMT_PCX, std::wstring(L"ico_pcx\\") + c.name, c.bpp, c.alpha);
}

TEST(DcxReader, PagesAndPagingTables) {
    const std::wstring path = qrvtest::Fixture(L"ico_pcx\\three.dcx");
    for (int page = 0; page < 3; ++page) {
        CImage image;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(LoadDcxPage(image, path.c_str(), page, text)) << page << ": " << qrvtest::Narrow(text);
        EXPECT_TRUE(pixelcheck::MatchesRgba(image, path + L"." + std::to_wstring(page) + L".rgba")) << page;
    }
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(LoadDcxPage(image, path.c_str(), 3, text));
    EXPECT_STREQ(text, L"Invalid pagenumber specified!");

    StdioFile file = OpenStdioForRead(path.c_str());
    ASSERT_TRUE(file);
    EXPECT_EQ(CountDcxPages(file.get()), 3);

    LoadCall view;
    ASSERT_TRUE(LoadDcx(image, path.c_str(), text, view));
    EXPECT_TRUE(pixelcheck::MatchesRgba(image, path + L".0.rgba"));
    ASSERT_TRUE(view.result.frames);
    EXPECT_EQ(view.result.frames->kind, ANIM_KIND_DCX);
    EXPECT_EQ(view.result.frames->frameCount, 3);
    EXPECT_TRUE(view.result.frames->singleDelay);
    EXPECT_EQ(view.result.frames->GetFrameDelay(0), 1000);
    EXPECT_TRUE(view.result.showFrames);
    EXPECT_FALSE(view.result.playFrames);

    LoadCall thumbnail(LoadPurpose::Thumbnail);
    ASSERT_TRUE(LoadDcx(image, path.c_str(), text, thumbnail));
    EXPECT_FALSE(thumbnail.result.frames);

    FormatId id = -1;
    EXPECT_TRUE(LoadMediaFile(image, path.c_str(), text, &id));
    EXPECT_EQ(id, FMT_DCX);
}

TEST(DcxReader, ShortTablesEndAtZero) {
    // A table of two offsets and its end, then two 1 x 1 8-bit pages.
    auto page = [](uint8_t index) {
        fmttest::CraftedFile f;
        f.U8(10).U8(5).U8(0).U8(8).Fill(8).Fill(52).U8(0).U8(1).U16LE(1).Fill(60);
        return f.U8(index).bytes;
    };
    fmttest::CraftedFile f;
    f.U32LE(0x3ADE68B1).U32LE(16).U32LE(16 + 129).U32LE(0);
    f.Raw(page(3)).Raw(page(9));
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"short.dcx");
    ASSERT_TRUE(qrvtest::WriteAll(path, f.bytes.data(), f.bytes.size()));
    StdioFile file = OpenStdioForRead(path.c_str());
    EXPECT_EQ(CountDcxPages(file.get()), 2);
    file.reset();
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(LoadDcxPage(image, path.c_str(), 1, text)) << qrvtest::Narrow(text);
    EXPECT_EQ(image.GetPixelIndex(0, 0), 9);
    // No 0x0C palette: the palette stays black.
    EXPECT_EQ(pixelcheck::ImageRgba(image), (Bytes{0, 0, 0, 255}));
}

// A PCX header for a width x height picture.
fmttest::CraftedFile PcxHeader(int encoding, int bits, int planes, int width, int height, int bytesPerLine) {
    fmttest::CraftedFile f;
    f.U8(10).U8(5).U8(encoding).U8(bits).U16LE(0).U16LE(0).U16LE(width - 1).U16LE(height - 1).U16LE(72).U16LE(72);
    for (int i = 0; i < 16; ++i) f.U8(i * 16).U8(255 - i * 16).U8(i * 8);
    f.U8(0).U8(planes).U16LE(bytesPerLine).U16LE(1).Fill(58);
    return f;
}

TEST(PcxReader, LinesShorterThanTheWidthReadWhatTheyHold) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"short.pcx");
    CImage image;
    // 24 bits, 4 pixels, 2 bytes a plane, raw: pixels 2 and 3 stay black.
    Bytes bytes = PcxHeader(0, 8, 3, 4, 1, 2).Raw({10, 11, 20, 21, 30, 31}).bytes;
    ASSERT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
    ASSERT_TRUE(fmttest::LoadWith(LoadPcx, image, path));
    EXPECT_EQ(pixelcheck::ImageRgba(image), (Bytes{10, 20, 30, 255, 11, 21, 31, 255, 0, 0, 0, 255, 0, 0, 0, 255}));

    // Four 1-bit planes of one byte for 12 pixels, run-length coded: pixels 8
    // to 11 take nothing from the planes.
    bytes = PcxHeader(1, 1, 4, 12, 1, 1).Raw({0xC1, 0xF0, 0x0F, 0xC1, 0xFF, 0x00}).bytes;
    ASSERT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
    ASSERT_TRUE(fmttest::LoadWith(LoadPcx, image, path));
    ASSERT_EQ(image.GetBpp(), 4);
    const uint8_t expected[12] = {5, 5, 5, 5, 6, 6, 6, 6, 0, 0, 0, 0};
    for (int x = 0; x < 12; ++x) EXPECT_EQ(image.GetPixelIndex(x, 0), expected[x]) << x;
    // The header's colours.
    EXPECT_EQ(image.palette[7][2], 7 * 16);

    // Three 1-bit planes give indexes 0 to 7.
    bytes = PcxHeader(0, 1, 3, 8, 1, 1).Raw({0xFF, 0x0F, 0x33}).bytes;
    ASSERT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
    ASSERT_TRUE(fmttest::LoadWith(LoadPcx, image, path));
    const uint8_t three[8] = {1, 1, 5, 5, 3, 3, 7, 7};
    for (int x = 0; x < 8; ++x) EXPECT_EQ(image.GetPixelIndex(x, 0), three[x]) << x;
}

TEST(PcxReader, RefusesDamagedFiles) {
    Bytes backwards = PcxHeader(1, 8, 1, 1, 1, 1).U8(0).bytes;
    backwards[4] = 5;  // xmin 5, xmax 0
    fmttest::ExpectRefused(
        LoadPcx, L"bad.pcx",
        {
            {"short header", Bytes(100, 10), L"Error while reading PCXHeader!"},
            {"encoding 2", PcxHeader(2, 8, 1, 1, 1, 1).U8(0).bytes, L"Unknown Encoding Format specified!"},
            {"manufacturer", Bytes(130, 0), L"Invalid FormatID"},
            {"two planes of 8 bits", PcxHeader(1, 8, 2, 1, 1, 1).U8(0).bytes, L"Unsupported PCX colour depth!"},
            {"xmax before xmin", backwards, L"Unable to allocate Memory for storing Imagedata!"},
            {"far wider than its lines and the file", PcxHeader(1, 1, 1, 65536, 65536, 5).bytes,
             L"Unable to allocate Memory for storing Imagedata!"},
            {"far more lines than the file holds", PcxHeader(1, 1, 1, 60000, 60000, 8000).bytes,
             L"Unable to allocate Memory for storing Imagedata!"},
        });
}

// Writes one image through WritePcx into a file and returns its bytes.
Bytes Written(CImage& image, const std::wstring& path) {
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_TRUE(SavePcx(path.c_str(), image, text)) << qrvtest::Narrow(text);
    return qrvtest::ReadAll(path);
}

// Decodes one run-length coded line of n bytes at offset.
Bytes DecodeLine(const Bytes& file, size_t& at, size_t n) {
    Bytes out;
    while (out.size() < n && at < file.size()) {
        const uint8_t b = file[at++];
        if (b >= 0xC0) {
            out.insert(out.end(), b & 0x3F, file[at++]);
        } else {
            out.push_back(b);
        }
    }
    return out;
}

TEST(PcxWriter, RunsAndPadding) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"runs.pcx");
    uint8_t grey[768] = {};
    for (int i = 0; i < 256; ++i) grey[i * 3] = grey[i * 3 + 1] = grey[i * 3 + 2] = (uint8_t)i;

    // 100 equal bytes: a run of 63 and one of 37.
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(100, 1, 8, 0, grey));
    std::memset(image.ScanLine(0), 0x21, 100);
    Bytes bytes = Written(image, path);
    ASSERT_GE(bytes.size(), 128u + 4 + 769);
    EXPECT_EQ(Bytes(bytes.begin() + 128, bytes.begin() + 132), (Bytes{0xFF, 0x21, 0xE5, 0x21}));
    EXPECT_EQ(bytes[132], 0x0C);
    EXPECT_EQ(bytes.size(), 128u + 4 + 769);

    // A single 0xC5 byte is coded as a run of one.
    ASSERT_TRUE(image.CreateEmpty(1, 1, 8, 0, grey));
    image.ScanLine(0)[0] = 0xC5;
    bytes = Written(image, path);
    EXPECT_EQ(Bytes(bytes.begin() + 128, bytes.begin() + 130), (Bytes{0xC1, 0xC5}));

    // 1- and 4-bit lines are width bytes: the pixels' bytes, then zeros, for
    // every line (the top one included).
    for (int bpp : {1, 4}) {
        ASSERT_TRUE(image.CreateEmpty(21, 3, bpp, 0, grey));
        for (uint32_t row = 0; row < 3; ++row) std::memset(image.ScanLine(row), 0x96, image.stride);
        bytes = Written(image, path);
        ByteReader header(bytes.data(), bytes.size());
        EXPECT_EQ(header.U16LEAt(66), 21) << bpp;
        EXPECT_EQ(bytes[3], bpp) << bpp;
        EXPECT_EQ(bytes[65], 1) << bpp;
        size_t at = 128;
        const size_t used = bpp == 1 ? 3 : 11;
        for (int line = 0; line < 3; ++line) {
            const Bytes decoded = DecodeLine(bytes, at, 21);
            ASSERT_EQ(decoded.size(), 21u) << bpp;
            for (size_t i = 0; i < 21; ++i) EXPECT_EQ(decoded[i], i < used ? 0x96 : 0) << bpp << " " << i;
        }
        EXPECT_EQ(at, bytes.size()) << bpp;
    }
}

TEST(PcxWriter, ReadsBackHereAndInOtherTools) {
    qrvtest::TempDir dir;
    uint8_t ramp[768] = {};
    for (int i = 0; i < 256; ++i) {
        ramp[i * 3] = (uint8_t)(i * 3);
        ramp[i * 3 + 1] = (uint8_t)(255 - i);
        ramp[i * 3 + 2] = (uint8_t)(i * 7);
    }
    uint8_t whiteFirst[768] = {255, 255, 255, 0, 0, 0};
    uint8_t blackFirst[768] = {0, 0, 0, 255, 255, 255};
    struct Case {
        const char* what;
        int bpp;
        const uint8_t* palette;
        int readBackBpp;
    };
    const Case cases[] = {
        {"1 bit", 1, blackFirst, 1},  {"1 bit, white first", 1, whiteFirst, 1},
        {"4 bits", 4, ramp, 4},       {"8 bits", 8, ramp, 8},
        {"24 bits", 24, nullptr, 24}, {"32 bits", 32, nullptr, 24},
        {"16 bits", 16, nullptr, 24},
    };
    for (const Case& c : cases) {
        CImage source;
        ASSERT_TRUE(pixelcheck::MakePattern24(source, 23, 7)) << c.what;
        CImage image;
        if (c.bpp == 24) {
            ASSERT_TRUE(image.Copy(source));
        } else if (c.bpp > 8) {
            ASSERT_TRUE(image.Copy(source));
            ASSERT_TRUE(image.ConvertDepth(c.bpp)) << c.what;
        } else {
            ASSERT_TRUE(image.CreateEmpty(23, 7, c.bpp, 0, c.palette));
            for (uint32_t row = 0; row < 7; ++row)
                for (uint32_t x = 0; x < 23; ++x)
                    image.SetPixelIndex(x, row, (uint8_t)((x * 5 + row * 3) % (1 << c.bpp)));
        }
        const std::wstring path = dir.File(L"back.pcx");
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SavePcx(path.c_str(), image, text)) << c.what << ": " << qrvtest::Narrow(text);

        CImage back;
        ASSERT_TRUE(fmttest::LoadWith(LoadPcx, back, path)) << c.what;
        EXPECT_EQ(back.GetBpp(), c.readBackBpp) << c.what;
        const Bytes want = pixelcheck::ImageRgba(image);
        EXPECT_EQ(pixelcheck::MaxDifference(pixelcheck::ImageRgba(back), want, false), 0) << c.what;
        if (c.palette == whiteFirst) {
            // Written with inverted bits: index 0 reads back black.
            EXPECT_EQ(back.palette[0][0], 0) << c.what;
        }

        // netpbm reads every depth we write; ImageMagick all but the 1-bit ones
        // (it takes their bits the other way).
        const std::wstring netpbm = path + L".netpbm.rgba";
        const std::string cmd = "pcxtoppm '" + qrvtest::HostPath(path) +
                                "' 2>/dev/null | /usr/bin/convert - -depth 8 'rgba:" + qrvtest::HostPath(netpbm) + "'";
        ASSERT_EQ(qrvtest::RunHost(cmd), 0) << cmd;
        EXPECT_EQ(pixelcheck::MaxDifference(qrvtest::ReadAll(netpbm), want, false), 0) << c.what << " (netpbm)";
        if (c.bpp != 1)
            EXPECT_EQ(pixelcheck::MaxDifference(pixelcheck::ImageMagickDecoding(path), want, false), 0)
                << c.what << " (ImageMagick)";
    }
}

TEST(PcxWriter, ReportsFailures) {
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 4, 4));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    qrvtest::TempDir dir;
    EXPECT_FALSE(SavePcx(dir.File(L"missing\\x.pcx").c_str(), image, text));
    EXPECT_STREQ(text, L"PCX Can't open file for saving!");

    // No image, nothing written.
    CImage empty;
    OutputFile out;
    ASSERT_TRUE(out.Open(dir.File(L"empty.pcx").c_str()));
    EXPECT_FALSE(WritePcx(out, empty));
    out.Finish();

    // The table's writer through the save dispatch.
    const std::wstring target = dir.File(L"dispatch.pcx");
    EXPECT_TRUE(GetFormatEntry(FMT_PCX).writer);
    EXPECT_TRUE(GetFormatEntry(FMT_PCX).writer(target.c_str(), image, text, SaveOptions{}));
    CImage back;
    ASSERT_TRUE(fmttest::LoadWith(LoadPcx, back, target));
    EXPECT_TRUE(pixelcheck::SamePixels(image, back));
}

}  // namespace
