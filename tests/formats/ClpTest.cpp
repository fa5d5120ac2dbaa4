// The clipboard file reader against clipboard files around bitmaps that
// ImageMagick wrote (tests/fixtures/meta_clp.sh), hand-made damaged files, and
// the readers of extensions that leave the file to the signature tests.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "formats/CraftedFile.h"
#include "formats/FormatCodecs.h"
#include "formats/FormatTestUtil.h"
#include "formats/Formats.h"
#include "formats/PixelCheck.h"
#include "formats/Png.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

using fmttest::CraftedFile;

struct Entry {
    uint16_t format;
    std::vector<uint8_t> data;
};

// A clipboard file with the entries' data laid out behind the entry table;
// count overrides the number of formats in the header.
std::vector<uint8_t> Clp(const std::vector<Entry>& entries, int count = -1) {
    CraftedFile out;
    out.U16LE(0xC350).U16LE(count < 0 ? (uint32_t)entries.size() : (uint32_t)count);
    uint32_t offset = 4 + 89 * (uint32_t)entries.size();
    for (const Entry& e : entries) {
        out.U16LE(e.format).U32LE((uint32_t)e.data.size()).U32LE(offset).Fill(79);
        offset += (uint32_t)e.data.size();
    }
    for (const Entry& e : entries) out.Raw(e.data);
    return out.bytes;
}

// A BITMAPINFOHEADER.
std::vector<uint8_t> Info(int32_t width, int32_t height, uint16_t bits, uint32_t compression = 0, uint32_t clrUsed = 0,
                          uint32_t size = 40) {
    CraftedFile out;
    out.U32LE(size).U32LE((uint32_t)width).U32LE((uint32_t)height).U16LE(1).U16LE(bits).U32LE(compression);
    out.U32LE(0).U32LE(0).U32LE(0).U32LE(clrUsed).U32LE(0);
    out.bytes.resize(size, 0);
    return out.bytes;
}

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<uint8_t> kText = fmttest::Bytes("hello\r\n");

TEST(ClpReader, FixturesMatchReference) {
    const struct {
        const wchar_t* name;
        int bpp;
    } cases[] = {
        {L"bits1.clp", 1},         {L"bits8.clp", 8},
        {L"bits24.clp", 24},       {L"topdown24.clp", 24},  // negative height: rows from the top
        {L"bitfields565.clp", 24},                          // 5-6-5 masks unpacked to 24 bits
    };
    for (const auto& c : cases)
        pixelcheck::ExpectFixtureMatches(LoadClp, FMT_CLP, std::wstring(L"meta\\") + c.name, c.bpp);
}

TEST(ClpReader, ColourTableAndMasksPlaceThePixels) {
    // biClrUsed 2 in an 8-bit bitmap: two table entries, the pixels right after.
    const std::vector<uint8_t> table = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue (blue, green, red, reserved)
    const std::vector<uint8_t> eightBit = Join(Join(Info(2, 1, 8, 0, 2), table), {1, 0, 0, 0});
    // 32 bits with the standard masks behind a 40-byte header.
    const std::vector<uint8_t> masks = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    const std::vector<uint8_t> thirtyTwo = Join(Join(Info(1, 1, 32, 3), masks), {10, 20, 30, 0});
    // 32 bits with red and blue masks swapped: unpacked to 24 bits.
    const std::vector<uint8_t> swappedMasks = {0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0xFF, 0};
    const std::vector<uint8_t> swapped = Join(Join(Info(1, 1, 32, 3), swappedMasks), {10, 20, 30, 0});
    // A 24-bit bitmap with a colour table it does not need (biClrUsed 1).
    const std::vector<uint8_t> optimised = Join(Join(Info(1, 1, 24, 0, 1), {9, 9, 9, 0}), {10, 20, 30, 0});
    const struct {
        const char* what;
        std::vector<uint8_t> dib;
        int bpp;
        std::vector<uint8_t> rgba;  // top row first
    } cases[] = {
        {"8 bits, 2 colours", eightBit, 8, {0, 0, 255, 255, 0, 0}},
        {"32 bits, standard masks", thirtyTwo, 32, {30, 20, 10}},
        {"32 bits, swapped masks", swapped, 24, {10, 20, 30}},
        {"24 bits, colour table", optimised, 24, {30, 20, 10}},
    };
    for (const auto& c : cases) {
        CImage image;
        const auto r = fmttest::LoadBytes(LoadClp, image, Clp({{1, kText}, {8, c.dib}}), L"x.clp");
        ASSERT_TRUE(r.ok) << c.what << ": " << qrvtest::Narrow(r.text);
        EXPECT_EQ(image.GetBpp(), c.bpp) << c.what;
        const std::vector<uint8_t> got = pixelcheck::ImageRgba(image);
        for (size_t i = 0; i < c.rgba.size(); ++i)
            EXPECT_EQ(got[i / 3 * 4 + i % 3], c.rgba[i]) << c.what << " byte " << i;
    }
}

TEST(ClpReader, DamagedFilesAreRefused) {
    const wchar_t* noBitmap = L"This Clipboardfile does not contain a supported Bitmapformat.";
    const wchar_t* count = L"Invalid number of Subformats detected!";
    const wchar_t* create = L"Failed to create Image object!";
    const std::vector<uint8_t> good = Join(Info(2, 2, 24), std::vector<uint8_t>(16, 7));
    std::vector<uint8_t> offsetPast = Clp({{8, good}});
    offsetPast[10] = 0xFF;  // offset's high byte
    std::vector<uint8_t> lengthPast = Clp({{8, good}});
    lengthPast[6] = 0xFF;
    std::vector<uint8_t> wrongId = Clp({{8, good}});
    wrongId[0] = 0x51;
    std::vector<fmttest::RefusedCase> cases = {
        {"wrong identifier", wrongId, FORMAT_TEXT_INVALID_ID},
        {"too short for the header", {0x50}, FORMAT_TEXT_INVALID_ID},
        {"no formats", Clp({}, 0), count},
        {"1001 formats", Clp({{8, good}}, 1001), count},
        {"text only", Clp({{1, kText}}), noBitmap},
        {"bitmap entry counted but cut off", Clp({{1, kText}}, 2), noBitmap},
        {"bitmap beyond the counted entries", Clp({{1, kText}, {8, good}}, 1), noBitmap},
        {"data offset beyond the file", offsetPast, create},
        {"data length beyond the file", lengthPast, create},
        {"shorter than a header", Clp({{8, std::vector<uint8_t>(39, 0)}}), create},
        {"header size 0xFFFFFFFF", Clp({{8, Join(Info(2, 2, 24), std::vector<uint8_t>(16, 0))}}), create},
        {"colour count 0x40000000", Clp({{8, Join(Info(2, 2, 8, 0, 0x40000000), std::vector<uint8_t>(16, 0))}}),
         create},
        {"colour table beyond the data", Clp({{8, Join(Info(2, 2, 8), std::vector<uint8_t>(100, 0))}}), create},
        {"rows beyond the data", Clp({{8, Join(Info(2, 200000, 24), std::vector<uint8_t>(16, 0))}}), create},
        {"bit count 7", Clp({{8, Join(Info(2, 2, 7), std::vector<uint8_t>(1024, 0))}}), create},
        {"run-length compressed", Clp({{8, Join(Info(2, 2, 8, 1), std::vector<uint8_t>(1100, 0))}}), create},
        {"negative width", Clp({{8, Join(Info(-2, 2, 24), std::vector<uint8_t>(16, 0))}}), create},
        {"zero height", Clp({{8, Join(Info(2, 0, 24), std::vector<uint8_t>(16, 0))}}), create},
        {"masks beyond the data", Clp({{8, Info(1, 1, 32, 3)}}), create},
    };
    // The header size field of the "0xFFFFFFFF" case.
    for (auto& c : cases)
        if (std::string(c.what) == "header size 0xFFFFFFFF") std::memset(&c.bytes[4 + 89], 0xFF, 4);
    fmttest::ExpectRefused(LoadClp, L"x.clp", cases);
}

TEST(ClpReader, BitmapFromPackedBytes) {
    // The byte-level entry point refuses a null or short block.
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(ClpImageFromDib(image, nullptr, 0, text));
    EXPECT_STREQ(text, L"Failed to create Image object!");
    const std::vector<uint8_t> dib = Join(Info(1, 1, 24), {1, 2, 3, 0});
    EXPECT_FALSE(ClpImageFromDib(image, dib.data(), dib.size() - 1, text));
    ASSERT_TRUE(ClpImageFromDib(image, dib.data(), dib.size(), text)) << qrvtest::Narrow(text);
    EXPECT_EQ(image.GetWidth(), 1u);
}

TEST(RefusingReaders, ExtensionsLeaveTheFileToTheSignatures) {
    qrvtest::TempDir dir;
    const std::wstring some = dir.File(L"some.bin");
    ASSERT_TRUE(qrvtest::WriteAll(some, "abc", 3));
    for (FormatReader read : {LoadCam, LoadLvp, LoadPsp}) {
        CImage image;
        std::wstring text;
        EXPECT_FALSE(fmttest::LoadWith(read, image, some, &text));
        EXPECT_EQ(text, FORMAT_TEXT_INVALID_ID);
        EXPECT_FALSE(fmttest::LoadWith(read, image, dir.File(L"missing.lvp"), &text));
        EXPECT_EQ(text, L"Failed to open file for read!");
    }
    // Through the dispatch: a missing ".lvp" keeps the open failure, and a PNG
    // named ".psp" opens as PNG.
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    FormatId id = -1;
    EXPECT_FALSE(LoadMediaFile(image, dir.File(L"missing.lvp").c_str(), text, &id));
    EXPECT_STREQ(text, L"Failed to open file for read!");

    CImage picture;
    ASSERT_TRUE(pixelcheck::MakePattern24(picture, 9, 5));
    const std::wstring png = dir.File(L"picture.psp");
    ASSERT_TRUE(SavePng(png.c_str(), picture, text, 0)) << qrvtest::Narrow(text);
    ASSERT_TRUE(LoadMediaFile(image, png.c_str(), text, &id)) << qrvtest::Narrow(text);
    EXPECT_EQ(id, FMT_PNG);
    EXPECT_TRUE(pixelcheck::SamePixels(image, picture));
}

}  // namespace
