// JPP reader: files made from cjpeg's baseline scans against libjpeg-turbo's
// decoding with the same integer arithmetic (exact), the decoder's tables, and
// short, empty and damaged coded data.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "formats/CraftedFile.h"
#include "formats/FormatCodecs.h"
#include "formats/FormatTestUtil.h"
#include "formats/Formats.h"
#include "formats/Jpp.h"
#include "formats/PixelCheck.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

const fmttest::ReaderFixture kFixtures[] = {
    {L"rose-70x46-q75.jpp", LoadJpp, FMT_JPP, 24, 70, 46},
    {L"rose-17x17-q50.jpp", LoadJpp, FMT_JPP, 24, 17, 17},  // 2 x 2 macroblocks, one column and row of the far ones
    {L"rose-37x23-q90.jpp", LoadJpp, FMT_JPP, 24, 37, 23},
    {L"rose-1x1-q75.jpp", LoadJpp, FMT_JPP, 24, 1, 1},
    {L"logo-160x120-q25.jpp", LoadJpp, FMT_JPP, 24, 160, 120},
    {L"logo-48x32-q100.jpp", LoadJpp, FMT_JPP, 24, 48, 32},
    {L"logo-48x32-q0.jpp", LoadJpp, FMT_JPP, 24, 48, 32},    // decoded as quality 1
    {L"logo-48x32-q200.jpp", LoadJpp, FMT_JPP, 24, 48, 32},  // decoded as quality 100
};

TEST(JppReader, FilesMatchLibjpegFastIntegerDecoding) { fmttest::ExpectFixturesMatchReference(L"jpp", kFixtures); }

TEST(JppDecoder, QualityScalesTheAnnexKTables) {
    constexpr uint8_t kLuminance[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                        14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                        18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                        49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    JppDecoder decoder;
    decoder.SetQuality(50);  // scale 100: the tables themselves
    EXPECT_EQ(0, std::memcmp(decoder.QuantTable(0), kLuminance, 64));
    EXPECT_EQ(decoder.QuantTable(1)[0], 17);
    EXPECT_EQ(decoder.QuantTable(1)[63], 99);
    // Multipliers: entry x 16384 s(row) s(column), + 2048, >> 12.
    EXPECT_EQ(decoder.Multipliers(0)[0], (16 * 16384 + 2048) >> 12);
    EXPECT_EQ(decoder.Multipliers(0)[1], (11 * 22725 + 2048) >> 12);

    struct Case {
        uint32_t quality, sameAs;
    } const same[] = {{0, 1}, {200, 100}, {101, 100}};
    for (const Case& c : same) {
        JppDecoder a, b;
        a.SetQuality(c.quality);
        b.SetQuality(c.sameAs);
        for (int t = 0; t < 2; ++t) {
            EXPECT_EQ(0, std::memcmp(a.QuantTable(t), b.QuantTable(t), 64)) << c.quality;
            EXPECT_EQ(0, std::memcmp(a.Multipliers(t), b.Multipliers(t), 64 * sizeof(int32_t))) << c.quality;
        }
    }
    decoder.SetQuality(100);  // scale 0: every entry clamped up to 1
    for (int i = 0; i < 64; ++i) EXPECT_EQ(decoder.QuantTable(0)[i], 1) << i;
    decoder.SetQuality(1);  // scale 5000: clamped down to 255
    EXPECT_EQ(decoder.QuantTable(0)[0], 255);
    EXPECT_EQ(decoder.QuantTable(0)[2], 255);
}

Bytes JppFile(uint32_t width, uint32_t height, uint32_t quality, const Bytes& coded) {
    return fmttest::CraftedFile().U16LE(width).U16LE(height).U16LE(quality).Raw(coded).bytes;
}

TEST(JppReader, RefusesShortHeadersAndEmptySizes) {
    const wchar_t* kText = L"Failed to allocate Mem to hold CImage!";
    std::vector<fmttest::RefusedCase> cases;
    for (size_t n = 0; n < 6; ++n) cases.push_back({"shorter than the header", Bytes(n, 0x10), kText});
    cases.push_back({"width 0", JppFile(0, 16, 50, Bytes(64, 0)), kText});
    cases.push_back({"height 0", JppFile(16, 0, 50, Bytes(64, 0)), kText});
    cases.push_back({"larger than an image may be", JppFile(65535, 65535, 50, {}), kText});
    fmttest::ExpectRefused(LoadJpp, L"refused.jpp", cases);
}

TEST(JppReader, CodedDataThatEndsEarlyReadsOnAsZeros) {
    // No coded data at all decodes as a long run of zero bytes does.
    CImage empty, zeros;
    ASSERT_TRUE(fmttest::LoadBytes(LoadJpp, empty, JppFile(40, 20, 50, {}), L"empty.jpp").ok);
    ASSERT_TRUE(fmttest::LoadBytes(LoadJpp, zeros, JppFile(40, 20, 50, Bytes(4096, 0)), L"zeros.jpp").ok);
    EXPECT_TRUE(pixelcheck::SamePixels(empty, zeros));

    // A file cut anywhere still loads at its full size.
    const Bytes whole = qrvtest::ReadAll(qrvtest::Fixture(L"jpp\\rose-70x46-q75.jpp"));
    ASSERT_GT(whole.size(), 100u);
    for (size_t cut : {size_t(6), size_t(7), whole.size() / 3, whole.size() - 1}) {
        CImage image;
        const fmttest::Loaded r =
            fmttest::LoadBytes(LoadJpp, image, Bytes(whole.begin(), whole.begin() + cut), L"cut.jpp");
        EXPECT_TRUE(r.ok) << cut << ": " << qrvtest::Narrow(r.text);
        EXPECT_EQ(image.GetWidth(), 70u) << cut;
        EXPECT_EQ(image.GetHeight(), 46u) << cut;
    }
}

// A huge size over a few coded bytes: decoding stops soon after the data ends
// (not millions of macroblocks of zero bits later); the rows not reached keep
// what they held.
TEST(JppDecoder, StopsSoonAfterTheCodedDataEnds) {
    constexpr uint32_t kSide = 1600;  // 100 x 100 macroblocks
    const Bytes file = JppFile(kSide, kSide, 50, Bytes(40, 0x37));
    JppDecoder decoder;
    ASSERT_TRUE(decoder.ReadHeader(file.data(), file.size()));
    const size_t stride = kSide * 3;
    std::vector<uint8_t> rows(stride * kSide, 0x5A);
    EXPECT_FALSE(decoder.DecodeImage(file.data() + JppDecoder::kHeaderBytes, rows.data()));
    // Bottom-up rows: the first macroblock row was decoded, the top row never.
    EXPECT_NE(Bytes(rows.begin(), rows.begin() + 48), Bytes(48, 0x5A));
    EXPECT_EQ(Bytes(rows.end() - stride, rows.end()), Bytes(stride, 0x5A));

    // Through the reader: the picture at its full size, marked cut short, the
    // rows above the decoded ones as the image was created (black).
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"huge.jpp");
    const Bytes huge = JppFile(2000, 2000, 50, {});
    ASSERT_TRUE(qrvtest::WriteAll(path, huge.data(), huge.size()));
    LoadCall call(LoadPurpose::View);
    ASSERT_TRUE(LoadJpp(image, path.c_str(), text, call)) << qrvtest::Narrow(text);
    EXPECT_TRUE(call.result.cutShort);
    EXPECT_EQ(image.GetWidth(), 2000u);
    EXPECT_EQ(image.GetHeight(), 2000u);
    const Bytes rgba = pixelcheck::ImageRgba(image);  // top row first
    for (size_t i = 0; i < 2000 * 4; ++i) ASSERT_EQ(rgba[i], i % 4 == 3 ? 255 : 0) << i;

    // A whole file's last codes may run into a few zero bytes: not cut short.
    const Bytes whole = qrvtest::ReadAll(qrvtest::Fixture(L"jpp\\rose-70x46-q75.jpp"));
    const std::wstring small = dir.File(L"small.jpp");
    ASSERT_TRUE(qrvtest::WriteAll(small, whole.data(), whole.size()));
    LoadCall smallCall(LoadPurpose::View);
    ASSERT_TRUE(LoadJpp(image, small.c_str(), text, smallCall));
    EXPECT_FALSE(smallCall.result.cutShort);
}

TEST(JppReader, TheFirstMacroblockRowFillsTheBottomRows) {
    // 16 x 32 at quality 50, two macroblocks of flat blocks (chroma 0). The
    // first: luminance DC size 5 ("110") of +31 ("11111"), end of block
    // ("1010"), three blocks of DC 0 ("00" "1010"), chroma "00" "00" twice;
    // the second takes the DC back by -31 ("110" "00000"). 31 x 64 >> 5 = 62:
    // grey 190 over the bottom 16 rows, 128 above.
    std::string bits;
    for (const char* dc : {"11011111", "11000000"}) {
        bits += std::string(dc) + "1010";
        for (int b = 0; b < 3; ++b) bits += "001010";
        bits += "00000000";
    }
    bits.append((8 - bits.size() % 8) % 8, '1');
    Bytes coded;
    for (size_t i = 0; i < bits.size(); i += 8) coded.push_back((uint8_t)std::stoi(bits.substr(i, 8), nullptr, 2));
    CImage image;
    ASSERT_TRUE(fmttest::LoadBytes(LoadJpp, image, JppFile(16, 32, 50, coded), L"rows.jpp").ok);
    const Bytes rgba = pixelcheck::ImageRgba(image);  // top row first
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 16; ++x)
            for (int c = 0; c < 3; ++c) ASSERT_EQ(rgba[(y * 16 + x) * 4 + c], y < 16 ? 128 : 190) << x << "," << y;
}

TEST(JppReader, CodesMatchingNoTableGiveSymbolZero) {
    // All ones: no DC or AC code of 16 bits or less, so every DC size and
    // every AC symbol is 0 (end of block): a flat mid-grey picture.
    CImage image;
    ASSERT_TRUE(fmttest::LoadBytes(LoadJpp, image, JppFile(16, 16, 50, Bytes(300, 0xFF)), L"ones.jpp").ok);
    const Bytes rgba = pixelcheck::ImageRgba(image);
    for (size_t i = 0; i < rgba.size(); ++i) ASSERT_EQ(rgba[i], i % 4 == 3 ? 255 : 128) << i;
}

}  // namespace
