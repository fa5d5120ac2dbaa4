// DirectDraw surfaces: ImageMagick's files against its own decoding, and
// surfaces built here for what it does not write (DXT2 to DXT4, 16-bit
// masks, X8R8G8B8), damaged headers and surfaces cut short.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
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

using fmttest::CraftedFile;

// Colours against the reference where it is not fully transparent (a
// transparent texel's colour is the decoder's own business), alpha everywhere.
::testing::AssertionResult MatchesWhereVisible(CImage& image, const std::wstring& reference, int tolerance) {
    const std::vector<uint8_t> ref = qrvtest::ReadAll(reference);
    const std::vector<uint8_t> got = pixelcheck::ImageRgba(image);
    if (ref.size() != got.size()) return ::testing::AssertionFailure() << got.size() << " bytes vs " << ref.size();
    for (size_t i = 0; i < ref.size(); i += 4) {
        for (int c = 0; c < 4; ++c) {
            if (c < 3 && ref[i + 3] == 0) continue;
            if (std::abs((int)ref[i + c] - (int)got[i + c]) > tolerance)
                return ::testing::AssertionFailure()
                       << "pixel " << i / 4 << " channel " << c << ": " << (int)got[i + c] << " vs " << (int)ref[i + c];
        }
    }
    return ::testing::AssertionSuccess();
}

TEST(DdsReader, ImageMagickFilesMatchItsDecoding) {
    // ImageMagick widens 5:6:5 colours by repeating their high bits, this
    // decoder by shifting alone: block colours differ by up to 7.
    const struct {
        const wchar_t* name;
        int tolerance;
    } cases[] = {{L"opaque-dxt1-im.dds", 7},
                 {L"cutout-dxt1-im.dds", 7},
                 {L"alpha-dxt5-im.dds", 7},
                 {L"alpha-none-im.dds", 0},
                 {L"opaque-none-im.dds", 0}};
    for (const auto& c : cases) {
        const std::wstring path = qrvtest::Fixture(std::wstring(L"dds\\") + c.name);
        const std::string name = qrvtest::Narrow(c.name);
        CImage image;
        std::wstring text;
        ASSERT_TRUE(fmttest::LoadWith(LoadDds, image, path, &text)) << name << ": " << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetBpp(), 32) << name;
        EXPECT_EQ(image.GetWidth(), 37u) << name;
        EXPECT_EQ(image.GetHeight(), 23u) << name;
        EXPECT_TRUE(MatchesWhereVisible(image, path + L".rgba", c.tolerance)) << name;

        CImage viaDispatch;
        wchar_t buffer[FORMAT_ERROR_CHARS] = {};
        FormatId id = -1;
        EXPECT_TRUE(LoadMediaFile(viaDispatch, path.c_str(), buffer, &id)) << name;
        EXPECT_EQ(id, FMT_DDS) << name;
    }
}

constexpr uint32_t kLinearSize = 0x80000;

// A DDS header: flags, height, width, pitch or linear size, FourCC (or 0),
// bit count and the four masks; the surface follows.
CraftedFile DdsHeader(uint32_t width, uint32_t height, uint32_t flags, const char* fourCC, uint32_t bits,
                      uint32_t pitch = 0, uint32_t r = 0, uint32_t g = 0, uint32_t b = 0, uint32_t a = 0) {
    CraftedFile f;
    f.Text("DDS ").U32LE(124).U32LE(0x1007 | flags).U32LE(height).U32LE(width).U32LE(pitch).U32LE(0).U32LE(0);
    f.Fill(44);
    f.U32LE(32).U32LE(fourCC ? 4 : 0x41);
    if (fourCC) f.Text(std::string(fourCC, 4));
    else f.U32LE(0);
    f.U32LE(bits).U32LE(r).U32LE(g).U32LE(b).U32LE(a);
    f.U32LE(0x1000).Fill(16);
    EXPECT_EQ(f.bytes.size(), 128u);
    return f;
}

// The decoded picture as blue, green, red, alpha from the top.
std::vector<uint8_t> Decoded(const std::vector<uint8_t>& bytes, uint32_t* width = nullptr, uint32_t* height = nullptr) {
    CImage image;
    const fmttest::Loaded r = fmttest::LoadBytes(LoadDds, image, bytes, L"crafted.dds");
    EXPECT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    if (!r.ok) return {};
    EXPECT_EQ(image.GetBpp(), 32);
    if (width) *width = image.GetWidth();
    if (height) *height = image.GetHeight();
    std::vector<uint8_t> out;
    for (uint32_t y = 0; y < image.GetHeight(); ++y) {
        const uint8_t* row = image.ScanLine(image.GetHeight() - 1 - y);
        out.insert(out.end(), row, row + image.GetWidth() * 4);
    }
    return out;
}

std::vector<uint8_t> Texel(const std::vector<uint8_t>& pixels, uint32_t width, uint32_t x, uint32_t y) {
    const size_t at = ((size_t)y * width + x) * 4;
    if (at + 4 > pixels.size()) return {};
    return std::vector<uint8_t>(pixels.begin() + at, pixels.begin() + at + 4);
}
using Bgra = std::vector<uint8_t>;

// A colour block: colours c0, c1 and the 16 two-bit indexes (texel 0 first).
CraftedFile ColourBlock(uint16_t c0, uint16_t c1, const int (&index)[16]) {
    uint32_t bits = 0;
    for (int i = 0; i < 16; ++i) bits |= (uint32_t)(index[i] & 3) << (2 * i);
    return CraftedFile().U16LE(c0).U16LE(c1).U32LE(bits);
}

TEST(DdsReader, Dxt1ColourTables) {
    // c0 = pure red 31, c1 = blue 31. Four colours when c0 > c1.
    const int indexes[16] = {0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3};
    CraftedFile four = DdsHeader(4, 4, kLinearSize, "DXT1", 0, 8);
    four.Raw(ColourBlock(0xF800, 0x001F, indexes).bytes);
    const std::vector<uint8_t> p = Decoded(four.bytes);
    ASSERT_EQ(p.size(), 64u);
    EXPECT_EQ(Texel(p, 4, 0, 0), (Bgra{0, 0, 248, 255}));
    EXPECT_EQ(Texel(p, 4, 1, 0), (Bgra{248, 0, 0, 255}));
    EXPECT_EQ(Texel(p, 4, 2, 0), (Bgra{83, 0, 165, 255}));  // (2 x c0 + c1 + 1) / 3
    EXPECT_EQ(Texel(p, 4, 3, 0), (Bgra{165, 0, 83, 255}));

    // c0 <= c1: three colours, and index 3 is transparent.
    CraftedFile three = DdsHeader(4, 4, kLinearSize, "DXT1", 0, 8);
    three.Raw(ColourBlock(0x001F, 0xF800, indexes).bytes);
    const std::vector<uint8_t> q = Decoded(three.bytes);
    ASSERT_EQ(q.size(), 64u);
    EXPECT_EQ(Texel(q, 4, 0, 3), (Bgra{248, 0, 0, 255}));
    EXPECT_EQ(Texel(q, 4, 1, 3), (Bgra{0, 0, 248, 255}));
    EXPECT_EQ(Texel(q, 4, 2, 3), (Bgra{124, 0, 124, 255}));  // (c0 + c1) / 2
    EXPECT_EQ(Texel(q, 4, 3, 3)[3], 0);
}

TEST(DdsReader, ExplicitAndInterpolatedAlpha) {
    const int zero[16] = {};
    // DXT3: 16 four-bit alphas 0..15 become 0, 17, ... 255.
    CraftedFile dxt3 = DdsHeader(4, 4, kLinearSize, "DXT3", 0, 16);
    dxt3.U16LE(0x3210).U16LE(0x7654).U16LE(0xBA98).U16LE(0xFEDC).Raw(ColourBlock(0xFFFF, 0, zero).bytes);
    const std::vector<uint8_t> p = Decoded(dxt3.bytes);
    ASSERT_EQ(p.size(), 64u);
    for (uint32_t i = 0; i < 16; ++i) EXPECT_EQ(p[i * 4 + 3], i * 17) << i;

    // DXT5, a0 > a1: eight values; a0 <= a1: six and 0, 255.
    for (const bool eight : {true, false}) {
        const uint8_t a0 = eight ? 200 : 50, a1 = eight ? 60 : 200;
        uint8_t expected[8] = {a0, a1};
        if (eight) {
            for (int i = 1; i <= 6; ++i) expected[i + 1] = (uint8_t)(((7 - i) * a0 + i * a1 + 3) / 7);
        } else {
            for (int i = 1; i <= 4; ++i) expected[i + 1] = (uint8_t)(((5 - i) * a0 + i * a1 + 2) / 5);
            expected[6] = 0;
            expected[7] = 255;
        }
        // Texels 0..7 take indexes 0..7, texels 8..15 indexes 7..0.
        uint64_t bits = 0;
        for (int t = 0; t < 16; ++t) bits |= (uint64_t)(t < 8 ? t : 15 - t) << (3 * t);
        CraftedFile dxt5 = DdsHeader(4, 4, kLinearSize, "DXT5", 0, 16);
        dxt5.U8(a0).U8(a1);
        for (int i = 0; i < 6; ++i) dxt5.U8((uint32_t)(bits >> (8 * i)));
        dxt5.Raw(ColourBlock(0xFFFF, 0, zero).bytes);
        const std::vector<uint8_t> q = Decoded(dxt5.bytes);
        ASSERT_EQ(q.size(), 64u);
        for (int t = 0; t < 16; ++t) EXPECT_EQ(q[t * 4 + 3], expected[t < 8 ? t : 15 - t]) << eight << " texel " << t;
    }
}

TEST(DdsReader, PremultipliedFormatsAreUnpremultiplied) {
    const int zero[16] = {};
    // DXT2: white under alpha 255 stays white; green 128 (0x07E0 >> 1 = 32 x 4)
    // under alpha 8 x 17 = 136 becomes 128 x 255 / 136 = 240, and red 248
    // under alpha 17 would be 3720: held at 255.
    const struct {
        const char* fourCC;
        uint16_t colour;
        int alphaValue;  // DXT2: 4-bit value; DXT4: the byte a0 (a1 = 0, index 0)
        Bgra expected;
    } cases[] = {
        {"DXT2", 0xFFFF, 15, {248, 252, 248, 255}}, {"DXT2", 0x0400, 8, {0, 240, 0, 136}},
        {"DXT2", 0xF800, 1, {0, 0, 255, 17}},       {"DXT4", 0x0400, 136, {0, 240, 0, 136}},
        {"DXT4", 0x001F, 0, {248, 0, 0, 0}},  // alpha 0: left as it is
    };
    for (const auto& c : cases) {
        CraftedFile f = DdsHeader(4, 4, kLinearSize, c.fourCC, 0, 16);
        if (c.fourCC[3] == '2') {
            const uint16_t row = (uint16_t)(c.alphaValue * 0x1111);
            f.U16LE(row).U16LE(row).U16LE(row).U16LE(row);
        } else {
            f.U8(c.alphaValue).U8(0).Fill(6);
        }
        f.Raw(ColourBlock(c.colour, 0, zero).bytes);
        const std::vector<uint8_t> p = Decoded(f.bytes);
        ASSERT_EQ(p.size(), 64u) << c.fourCC;
        EXPECT_EQ(Texel(p, 4, 2, 2), c.expected) << c.fourCC << " " << c.colour;
    }
}

TEST(DdsReader, BlocksAreClippedToThePicture) {
    // 5 x 5 DXT5: four blocks; block (bx, by) is of one colour with alpha
    // 10 x (block + 1); only texels inside the picture are kept.
    const uint16_t colours[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
    const int zero[16] = {};
    CraftedFile f = DdsHeader(5, 5, kLinearSize, "DXT5", 0, 64);
    for (int i = 0; i < 4; ++i) f.U8(10 * (i + 1)).U8(0).Fill(6).Raw(ColourBlock(colours[i], 0, zero).bytes);
    uint32_t w = 0, h = 0;
    const std::vector<uint8_t> p = Decoded(f.bytes, &w, &h);
    EXPECT_EQ(w, 5u);
    EXPECT_EQ(h, 5u);
    ASSERT_EQ(p.size(), 100u);
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 5; ++x) {
            const int block = (y / 4) * 2 + (x / 4);
            EXPECT_EQ(Texel(p, 5, x, y)[3], 10 * (block + 1)) << x << "," << y;
        }
    EXPECT_EQ(Texel(p, 5, 4, 4), (Bgra{248, 252, 248, 40}));
}

TEST(DdsReader, UncompressedMasks) {
    const struct {
        const char* what;
        uint32_t bits, r, g, b, a;
        std::vector<uint32_t> pixels;  // little-endian values of bits / 8 bytes
        std::vector<Bgra> expected;
    } cases[] = {
        // A4R4G4B4: alpha 0, 17, ... 255 (4 bits completed); colours shifted.
        {"A4R4G4B4",
         16,
         0x0F00,
         0x00F0,
         0x000F,
         0xF000,
         {0x0F00, 0x10F0, 0x800F, 0xFFFF},
         {{0, 0, 240, 0}, {0, 240, 0, 17}, {240, 0, 0, 136}, {240, 240, 240, 255}}},
        // A1R5G5B5: alpha 0 or 255.
        {"A1R5G5B5",
         16,
         0x7C00,
         0x03E0,
         0x001F,
         0x8000,
         {0x7C00, 0x83E0, 0x801F, 0xFFFF},
         {{0, 0, 248, 0}, {0, 248, 0, 255}, {248, 0, 0, 255}, {248, 248, 248, 255}}},
        // R5G6B5, no alpha: opaque.
        {"R5G6B5",
         16,
         0xF800,
         0x07E0,
         0x001F,
         0,
         {0xF800, 0x07E0, 0x001F, 0x0000},
         {{0, 0, 248, 255}, {0, 252, 0, 255}, {248, 0, 0, 255}, {0, 0, 0, 255}}},
        // X8R8G8B8 (alpha mask 0): opaque, not transparent.
        {"X8R8G8B8",
         32,
         0xFF0000,
         0xFF00,
         0xFF,
         0,
         {0x00102030, 0xFF405060, 0x12345678, 0},
         {{0x30, 0x20, 0x10, 255}, {0x60, 0x50, 0x40, 255}, {0x78, 0x56, 0x34, 255}, {0, 0, 0, 255}}},
        // A8B8G8R8.
        {"A8B8G8R8",
         32,
         0xFF,
         0xFF00,
         0xFF0000,
         0xFF000000,
         {0x80102030, 0x00405060, 0xFF345678, 0x01000000},
         {{0x10, 0x20, 0x30, 0x80}, {0x40, 0x50, 0x60, 0}, {0x34, 0x56, 0x78, 255}, {0, 0, 0, 1}}},
        // 24 bits, 2 x 2: the last texel's 32-bit fetch runs past the surface.
        {"R8G8B8",
         24,
         0xFF0000,
         0xFF00,
         0xFF,
         0,
         {0x102030, 0x405060, 0x708090, 0xA0B0C0},
         {{0x30, 0x20, 0x10, 255}, {0x60, 0x50, 0x40, 255}, {0x90, 0x80, 0x70, 255}, {0xC0, 0xB0, 0xA0, 255}}},
    };
    for (const auto& c : cases) {
        CraftedFile f = DdsHeader(2, 2, 0, nullptr, c.bits, 2 * c.bits / 8, c.r, c.g, c.b, c.a);
        for (uint32_t v : c.pixels)
            for (uint32_t i = 0; i < c.bits / 8; ++i) f.U8(v >> (8 * i));
        const std::vector<uint8_t> p = Decoded(f.bytes);
        ASSERT_EQ(p.size(), 16u) << c.what;
        for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(Texel(p, 2, i % 2, i / 2), c.expected[i]) << c.what << " " << i;
    }
}

TEST(DdsReader, RefusedFiles) {
    CraftedFile shortDescription;
    shortDescription.Text("DDS ").U32LE(124).Fill(60);
    fmttest::ExpectRefused(
        LoadDds, L"refused.dds",
        {
            {"other FourCC", DdsHeader(4, 4, kLinearSize, "ATI2", 0, 16).bytes, L"Unknown Pixelformat."},
            {"DX10 header", DdsHeader(4, 4, kLinearSize, "DX10", 0, 16).bytes, L"Unknown Pixelformat."},
            {"description cut", shortDescription.bytes,
             L"Error reading DDSURFACEDESC2: Size requested != Size received"},
            {"no magic", fmttest::Bytes("DDX " + std::string(200, '\0')), L"Invalid FormatID"},
            {"size beyond the image limit", DdsHeader(0x10000, 0x10000, kLinearSize, "DXT1", 0).bytes,
             L"Can't allocate m_pCompBytes on file read!"},
            {"surface far beyond the file", DdsHeader(4096, 4096, kLinearSize, "DXT1", 0).bytes,
             L"DDS File is too short for its surface!"},
            {"no width", DdsHeader(0, 4, kLinearSize, "DXT1", 0).bytes, L"Can't allocate m_pCompBytes on file read!"},
            {"12 bits a pixel", DdsHeader(2, 2, 0, nullptr, 12, 4, 0xF00, 0xF0, 0xF).bytes, L"Failed: FinishDecode()!"},
        });
    CImage image;
    std::wstring text;
    EXPECT_FALSE(fmttest::LoadWith(LoadDds, image, qrvtest::Fixture(L"dds\\missing.dds"), &text));
    EXPECT_EQ(text, L"Can't open file for reading!");
}

// The header's sizes do not size the read: a linear size or pitch far beyond
// the file, or a surface cut short (by up to 4 MiB), decode what there is and
// zeros after it.
TEST(DdsReader, HeaderSizesAndShortSurfacesStayInsideTheData) {
    const int zero[16] = {};
    for (const uint32_t linear : {0u, 8u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        CraftedFile f = DdsHeader(8, 4, kLinearSize, "DXT1", 0, linear);
        f.Raw(ColourBlock(0xFFFF, 0, zero).bytes);  // the second block is missing
        uint32_t w = 0;
        const std::vector<uint8_t> p = Decoded(f.bytes, &w);
        ASSERT_EQ(p.size(), 128u) << linear;
        EXPECT_EQ(Texel(p, w, 0, 0), (Bgra{248, 252, 248, 255})) << linear;
        EXPECT_EQ(Texel(p, w, 7, 3), (Bgra{0, 0, 0, 255})) << linear;  // zero block: colour 0 black
    }
    for (const uint32_t pitch : {0u, 1u, 0xFFFFFFFFu}) {
        CraftedFile f = DdsHeader(3, 2, 0, nullptr, 32, pitch, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
        f.U32LE(0xFF112233).U32LE(0xFF445566);  // 2 of 6 pixels
        uint32_t w = 0;
        const std::vector<uint8_t> p = Decoded(f.bytes, &w);
        ASSERT_EQ(p.size(), 24u) << pitch;
        EXPECT_EQ(Texel(p, w, 1, 0), (Bgra{0x66, 0x55, 0x44, 0xFF})) << pitch;
        EXPECT_EQ(Texel(p, w, 2, 1), (Bgra{0, 0, 0, 0})) << pitch;
    }
}

}  // namespace
