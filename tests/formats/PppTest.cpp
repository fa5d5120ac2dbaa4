#include <gtest/gtest.h>

#include <cstring>

#include "formats/ByteReader.h"
#include "formats/CraftedFile.h"
#include "formats/Formats.h"
#include "formats/Ppp.h"
#include "image/Image.h"
#include "PixelCheck.h"
#include "support/TestSupport.h"

using qrvtest::TempDir;

namespace {

std::wstring Load(CImage& image, const std::wstring& path, bool expectOk) {
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    LoadCall call;
    EXPECT_EQ((bool)LoadPpp(image, path.c_str(), text, call), expectOk) << qrvtest::Narrow(text);
    return text;
}

// The raw size a written file's header gives.
uint32_t RawSize(const std::vector<unsigned char>& file) {
    ByteReader header(file.data(), file.size());
    header.Skip(7);
    return header.U32LE();
}

}  // namespace

TEST(Ppp, RoundTripKeepsEveryRowAndWritesTheHeader) {
    TempDir dir;
    CImage image, back;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 37, 21));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    const std::wstring path = dir.File(L"a.ppp");
    ASSERT_TRUE(SavePpp(path.c_str(), image, text)) << qrvtest::Narrow(text);
    const auto data = qrvtest::ReadAll(path);
    ASSERT_GE(data.size(), PPP_HEADER_BYTES);
    ByteReader header(data.data(), data.size());
    EXPECT_EQ(header.U16LE(), 0x5050);
    EXPECT_EQ(header.U8(), 2);
    EXPECT_EQ(header.U16LE(), 37);
    EXPECT_EQ(header.U16LE(), 21);
    EXPECT_EQ(header.U32LE(), 112u * 21u);  // 37 x 3 = 111, padded to 112
    EXPECT_EQ(header.U32LE(), data.size() - PPP_HEADER_BYTES);
    EXPECT_EQ(CheckPppVersion(path.c_str()), 2);
    Load(back, path, true);
    EXPECT_TRUE(pixelcheck::SamePixels(image, back));
}

TEST(Ppp, OnePixelWideRowsArePaddedToFourBytes) {
    TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 1, 9));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    const std::wstring path = dir.File(L"thin.ppp");
    ASSERT_TRUE(SavePpp(path.c_str(), image, text));
    EXPECT_EQ(RawSize(qrvtest::ReadAll(path)), 4u * 9u);
}

TEST(Ppp, OtherDepthsAreWrittenAsTwentyFourBitsWithTheSameColours) {
    TempDir dir;
    uint8_t palette[768] = {};
    for (int i = 0; i < 256; ++i) {
        palette[i * 3] = (uint8_t)i;
        palette[i * 3 + 1] = (uint8_t)(255 - i);
        palette[i * 3 + 2] = (uint8_t)(i * 3);
    }
    for (int bpp : {1, 8, 32}) {
        SCOPED_TRACE(bpp);
        CImage image, back;
        ASSERT_TRUE(image.CreateEmpty(13, 5, bpp, RGB(10, 20, 30), palette));
        for (uint32_t x = 0; x < 13; ++x) image.SetPixelIndex(x, 2, (uint8_t)(x % 2));
        const std::wstring path = dir.File(L"d.ppp");
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SavePpp(path.c_str(), image, text)) << qrvtest::Narrow(text);
        Load(back, path, true);
        ASSERT_EQ(back.GetBpp(), 24);
        const auto want = pixelcheck::ImageRgba(image), got = pixelcheck::ImageRgba(back);
        for (size_t i = 0; i < want.size(); i += 4)
            ASSERT_EQ(0, std::memcmp(&want[i], &got[i], 3)) << "pixel " << i / 4;
    }
}

TEST(Ppp, VersionByteIsNotCheckedAndVelmFilesAreRefused) {
    TempDir dir;
    CImage image, back;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 4, 4));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    const std::wstring path = dir.File(L"v.ppp");
    ASSERT_TRUE(SavePpp(path.c_str(), image, text));
    auto data = qrvtest::ReadAll(path);
    data[2] = 77;
    ASSERT_TRUE(qrvtest::WriteAll(path, data.data(), data.size()));
    Load(back, path, true);

    for (const char* head : {"velm", "VeLM", "VELM"}) {
        const std::wstring old = dir.File(L"old.ppp");
        std::string body = std::string(head) + "0123456789abcdef";
        ASSERT_TRUE(qrvtest::WriteAll(old, body.data(), body.size()));
        EXPECT_EQ(CheckPppVersion(old.c_str()), 1);
        EXPECT_EQ(Load(back, old, false), L"Version 1.0 Format not supported.");
    }
    const std::wstring other = dir.File(L"other.ppp");
    ASSERT_TRUE(qrvtest::WriteAll(other, "BM\0\0\0\0", 6));
    EXPECT_EQ(Load(back, other, false), FORMAT_TEXT_INVALID_ID);
    EXPECT_EQ(CheckPppVersion(dir.File(L"missing.ppp").c_str()), 0);
}

// Sizes in the header are never trusted: a raw size that does not match the
// rows, a stream longer than the file, a cut stream and a zero size all fail
// with a text instead of reading past a buffer.
TEST(Ppp, DamagedFilesAreRefused) {
    TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 30, 20));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    const std::wstring good = dir.File(L"good.ppp");
    ASSERT_TRUE(SavePpp(good.c_str(), image, text));
    const auto data = qrvtest::ReadAll(good);

    using fmttest::CraftedFile;
    struct Case {
        const char* name;
        void (*damage)(CraftedFile&);
    } cases[] = {
        {"raw size too small", [](CraftedFile& f) { f.PatchU32LE(7, 8); }},
        {"raw size huge", [](CraftedFile& f) { f.PatchU8(10, 0x7F); }},
        {"height larger than the data", [](CraftedFile& f) { f.PatchU8(5, 200); }},
        {"width zero", [](CraftedFile& f) { f.PatchU16LE(3, 0); }},
        {"stream longer than the file", [](CraftedFile& f) { f.PatchU8(14, 0x10); }},
        {"stream cut short", [](CraftedFile& f) { f.bytes.resize(f.bytes.size() / 2); }},
        {"header only", [](CraftedFile& f) { f.bytes.resize(9); }},
        {"corrupt stream",
         [](CraftedFile& f) {
             for (size_t i = 20; i < f.bytes.size(); i += 3) f.bytes[i] ^= 0x5A;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CraftedFile bad(data);
        c.damage(bad);
        CImage back;
        EXPECT_EQ(Load(back, bad.Save(dir, L"bad.ppp"), false), L"Decompression failed!");
    }
}

TEST(Ppp, WriterRefusesWhatTheHeaderCannotHoldAndUnwritablePaths) {
    TempDir dir;
    CImage wide, none;
    ASSERT_TRUE(wide.CreateEmpty(70000, 1, 24, 0, nullptr));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    const std::wstring path = dir.File(L"wide.ppp");
    EXPECT_FALSE(SavePpp(path.c_str(), wide, text));
    EXPECT_NE(std::wstring(text).find(L"65535"), std::wstring::npos) << qrvtest::Narrow(text);
    EXPECT_FALSE(qrvtest::FileExists(path));

    EXPECT_FALSE(SavePpp(path.c_str(), none, text));
    EXPECT_STREQ(text, L"Not enough Memory available for Saving! Aborting...");

    CImage small;
    ASSERT_TRUE(pixelcheck::MakePattern24(small, 3, 3));
    EXPECT_FALSE(SavePpp(dir.File(L"no\\such\\folder\\x.ppp").c_str(), small, text));
    EXPECT_STREQ(text, L"Failed to create file!");
}

// The four formats of this group are reached through the load dispatch by
// extension and, under a foreign name, by their signatures.
TEST(Ppp, GroupFormatsAreReachedByExtensionAndSignature) {
    TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 5, 4));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    const std::wstring ppp = dir.File(L"a.ppp");
    ASSERT_TRUE(SavePpp(ppp.c_str(), image, text));
    struct Case {
        std::wstring path;
        FormatId id;
    } cases[] = {
        {qrvtest::Fixture(L"png_rgb8.png"), FMT_PNG},
        {qrvtest::Fixture(L"gif_single.gif"), FMT_GIF},
        {qrvtest::Fixture(L"tiff_lzw.tif"), FMT_TIFF},
        {ppp, FMT_PPP},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.path));
        CImage loaded;
        FormatId id = 0;
        EXPECT_TRUE(LoadMediaFile(loaded, c.path.c_str(), text, &id)) << qrvtest::Narrow(text);
        EXPECT_EQ(id, c.id);
        const std::wstring renamed = dir.File(L"renamed.bin");
        const auto bytes = qrvtest::ReadAll(c.path);
        ASSERT_TRUE(qrvtest::WriteAll(renamed, bytes.data(), bytes.size()));
        id = 0;
        EXPECT_TRUE(LoadMediaFile(loaded, renamed.c_str(), text, &id)) << qrvtest::Narrow(text);
        EXPECT_EQ(id, c.id);
        EXPECT_NE(GetFormatEntry(c.id).writer, nullptr);
    }
}
