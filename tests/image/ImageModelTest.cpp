// CImage: creation at every depth, row order, palette, copies and nearest colour.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/Image.h"

namespace {

std::vector<uint8_t> GrayPalette() {
    std::vector<uint8_t> p(768);
    for (int i = 0; i < 256; ++i) p[i * 3] = p[i * 3 + 1] = p[i * 3 + 2] = (uint8_t)i;
    return p;
}

TEST(ImageModel, DepthRoundingAndStride) {
    struct Row {
        int width, requested, bpp;
        uint32_t stride;
    } rows[] = {
        {3, 24, 24, 12}, {3, 1, 1, 4}, {33, 1, 1, 8},  {1, 0, 1, 4},   {1, -5, 1, 4},  {5, 2, 4, 4},
        {9, 4, 4, 8},    {5, 7, 8, 8}, {3, 12, 16, 8}, {2, 16, 16, 4}, {1, 25, 32, 4}, {7, 32, 32, 28},
    };
    auto palette = GrayPalette();
    for (const auto& r : rows) {
        CImage image;
        ASSERT_TRUE(image.CreateEmpty(r.width, 2, r.requested, RGB(0, 0, 0), palette.data())) << r.requested;
        EXPECT_EQ(image.GetBpp(), r.bpp) << "requested " << r.requested;
        EXPECT_EQ(image.stride, r.stride) << r.width << "x" << r.requested;
        EXPECT_EQ(image.GetWidth(), (uint32_t)r.width);
        EXPECT_EQ(image.GetHeight(), 2u);
    }
}

TEST(ImageModel, CreateEmptyFillsEveryDepth) {
    auto palette = GrayPalette();
    palette[3] = palette[4] = palette[5] = 255;  // black and white within the first two entries
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        for (COLORREF fill : {RGB(0, 0, 0), RGB(255, 255, 255)}) {
            CImage image;
            // Dirty the memory a reused allocation might hand back.
            ASSERT_TRUE(image.CreateEmpty(7, 3, 24, RGB(9, 99, 199), nullptr));
            ASSERT_TRUE(image.CreateEmpty(7, 3, bpp, fill, palette.data()));
            uint8_t* bits = image.GetBits(24);
            ASSERT_NE(bits, nullptr);
            const uint8_t want = fill ? 255 : 0;
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 7 * 3; ++x) EXPECT_EQ(bits[y * 24 + x], want) << bpp << " " << x << "," << y;
            std::free(bits);
        }
    }
    // A fill that is palette entry 0 needs no pass; any other entry does.
    palette[0] = 10, palette[1] = 20, palette[2] = 30;
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(5, 2, 8, RGB(10, 20, 30), palette.data()));
    EXPECT_EQ(image.GetPixelIndex(4, 1), 0);
    ASSERT_TRUE(image.CreateEmpty(5, 2, 8, RGB(0, 0, 0), palette.data()));
    EXPECT_NE(image.GetPixelIndex(4, 1), 0);  // black is entry 2 of the grey ramp now
    EXPECT_NE(image.GetPixelIndex(0, 0), 0);
}

TEST(ImageModel, RefusedCreationKeepsPreviousImage) {
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(4, 3, 24, RGB(10, 20, 30), nullptr));
    uint8_t* before = image.bits;
    EXPECT_FALSE(image.CreateEmpty(0, 3, 24, 0, nullptr));
    EXPECT_FALSE(image.CreateEmpty(3, -1, 24, 0, nullptr));
    EXPECT_FALSE(image.Create(3, 3, 24, nullptr, nullptr));
    // Too large to ever be allocated in a 32-bit process: refused, not wrapped.
    EXPECT_FALSE(image.CreateEmpty(0x7FFFFFFF, 0x7FFFFFFF, 32, 0, nullptr));
    EXPECT_FALSE(image.CreateEmpty(70000, 70000, 32, 0, nullptr));
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(image.bits, before);
    EXPECT_EQ(image.GetWidth(), 4u);
    const uint8_t* row = image.ScanLine(0);
    EXPECT_EQ(row[0], 30);
    EXPECT_EQ(row[1], 20);
    EXPECT_EQ(row[2], 10);
}

TEST(ImageModel, ScanLineZeroIsBottomRowWhileFillRectCountsFromTop) {
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(2, 3, 24, RGB(0, 0, 0), nullptr));
    RECT top{0, 0, 2, 1};  // left, top, width, height
    ASSERT_TRUE(image.FillRect(top, RGB(255, 0, 0)));
    EXPECT_EQ(image.ScanLine(2)[2], 255);  // the top row is the last stored row
    EXPECT_EQ(image.ScanLine(0)[2], 0);
    EXPECT_EQ(image.ScanLine(3), nullptr);
    EXPECT_EQ(image.ScanLine(0xFFFFFFFF), nullptr);
}

TEST(ImageModel, CreateCopiesRowsAndPalette) {
    auto palette = GrayPalette();
    palette[3 * 1] = 255;  // entry 1 red
    palette[3 * 1 + 1] = 0;
    palette[3 * 1 + 2] = 0;
    std::vector<uint8_t> rows(4 * 2, 0);
    rows[0] = 1;  // stored row 0, pixel 0
    rows[4 + 2] = 200;
    CImage image;
    ASSERT_TRUE(image.Create(3, 2, 8, rows.data(), palette.data()));
    EXPECT_EQ(image.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(image.GetPixelIndex(2, 1), 200);
    EXPECT_EQ(image.palette[1][2], 255);  // stored blue, green, red
    EXPECT_EQ(image.palette[1][0], 0);
    uint8_t out[768] = {};
    ASSERT_TRUE(image.GetPaletteRGB(out));
    EXPECT_EQ(out[3], 255);
    EXPECT_EQ(out[4], 0);
    // GDI sees the same colour table: a 24-bit view of pixel 0 is red.
    uint8_t* line = image.GetLine(24, 0);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line[0], 0);
    EXPECT_EQ(line[2], 255);
    std::free(line);
}

TEST(ImageModel, PixelIndexLayoutAtOneAndFourBits) {
    auto palette = GrayPalette();
    CImage four;
    ASSERT_TRUE(four.CreateEmpty(3, 1, 4, RGB(0, 0, 0), palette.data()));
    four.ScanLine(0)[0] = 0xAB;
    EXPECT_EQ(four.GetPixelIndex(0, 0), 0xA);
    EXPECT_EQ(four.GetPixelIndex(1, 0), 0xB);
    four.SetPixelIndex(2, 0, 0x1F);  // only the low nibble counts
    EXPECT_EQ(four.ScanLine(0)[1], 0xF0);

    CImage one;
    ASSERT_TRUE(one.CreateEmpty(10, 1, 1, RGB(0, 0, 0), palette.data()));
    one.SetPixelIndex(0, 0, 1);
    one.SetPixelIndex(9, 0, 1);
    EXPECT_EQ(one.ScanLine(0)[0], 0x80);
    EXPECT_EQ(one.ScanLine(0)[1], 0x40);
    EXPECT_EQ(one.GetPixelIndex(9, 0), 1);
    EXPECT_EQ(one.GetPixelIndex(10, 0), 0);  // outside

    CImage rgb;
    ASSERT_TRUE(rgb.CreateEmpty(2, 2, 24, RGB(9, 9, 9), nullptr));
    EXPECT_EQ(rgb.GetPixelIndex(0, 0), 0);
}

TEST(ImageModel, GetBitsConvertsThroughGdi) {
    auto palette = GrayPalette();
    palette[0] = palette[1] = palette[2] = 0;
    palette[3] = palette[4] = palette[5] = 255;
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(5, 2, 1, RGB(0, 0, 0), palette.data()));
    image.SetPixelIndex(1, 1, 1);
    EXPECT_EQ(image.GetBits(8), nullptr);
    EXPECT_EQ(image.GetBits(1), nullptr);
    uint8_t* bits = image.GetBits(24);
    ASSERT_NE(bits, nullptr);
    const uint32_t stride24 = 16;  // 5 * 3 = 15 -> 16
    EXPECT_EQ(bits[stride24 + 3], 255);
    EXPECT_EQ(bits[stride24 + 0], 0);
    EXPECT_EQ(bits[3], 0);
    std::free(bits);

    // PutLine writes one stored row from 24-bit data into a 32-bit image.
    CImage deep;
    ASSERT_TRUE(deep.CreateEmpty(2, 3, 32, RGB(0, 0, 0), nullptr));
    uint8_t row[8] = {1, 2, 3, 4, 5, 6};
    ASSERT_TRUE(deep.PutLine(24, 1, row));
    EXPECT_EQ(deep.ScanLine(1)[0], 1);
    EXPECT_EQ(deep.ScanLine(1)[6], 6);
    EXPECT_EQ(deep.ScanLine(0)[0], 0);
    EXPECT_EQ(deep.ScanLine(2)[0], 0);
    EXPECT_FALSE(deep.PutLine(8, 1, row));
}

TEST(ImageModel, DirectBitmapInfoFillsOnlyTheUncompressedHeader) {
    struct Case {
        LONG width, height;
        int bitCount;
    };
    const Case cases[] = {{5, 2, 24}, {640, -480, 32}, {1, 1, 16}, {7, 3, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at " << c.bitCount);
        BITMAPINFO expected;
        std::memset(&expected, 0, sizeof expected);
        expected.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        expected.bmiHeader.biWidth = c.width;
        expected.bmiHeader.biHeight = c.height;
        expected.bmiHeader.biPlanes = 1;
        expected.bmiHeader.biBitCount = (WORD)c.bitCount;
        expected.bmiHeader.biCompression = BI_RGB;
        const BITMAPINFO info = DirectBitmapInfo(c.width, c.height, c.bitCount);
        EXPECT_EQ(std::memcmp(&info, &expected, sizeof info), 0);
    }

    // GDI takes it as it is.
    BITMAPINFO info = DirectBitmapInfo(5, 2, 24);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    EXPECT_NE(bits, nullptr);
    DeleteObject(section);
}

TEST(ImageModel, CopyCarriesTransparencyOnlyWhenSet) {
    CImage source;
    ASSERT_TRUE(source.CreateEmpty(3, 3, 32, RGB(1, 2, 3), nullptr));
    source.xResolution = 300;
    source.transparentIndex = 7;  // flag not set: not copied
    CImage copy;
    ASSERT_TRUE(copy.Copy(source));
    EXPECT_EQ(copy.transparentIndex, 0);
    EXPECT_EQ(copy.hasTransparency, 0);
    EXPECT_EQ(copy.xResolution, 0u);
    EXPECT_EQ(0, std::memcmp(copy.bits, source.bits, source.stride * source.height));

    source.hasTransparency = 1;
    source.transparentColor = RGB(4, 5, 6);
    ASSERT_TRUE(copy.Copy(source));
    EXPECT_EQ(copy.hasTransparency, 1);
    EXPECT_EQ(copy.transparentIndex, 7);
    EXPECT_EQ(copy.transparentColor, RGB(4, 5, 6));

    CImage empty;
    EXPECT_FALSE(copy.Copy(empty));
    EXPECT_TRUE(copy.IsValid());
}

TEST(ImageModel, DestroyAndInvalidImage) {
    CImage image;
    EXPECT_FALSE(image.Destroy());
    EXPECT_EQ(image.GetWidth(), 0u);
    EXPECT_EQ(image.ScanLine(0), nullptr);
    RECT r{0, 0, 1, 1};
    EXPECT_FALSE(image.FillRect(r, 0));
    ASSERT_TRUE(image.CreateEmpty(2, 2, 16, 0, nullptr));
    image.hasTransparency = 1;
    EXPECT_TRUE(image.Destroy());
    EXPECT_FALSE(image.Destroy());
    EXPECT_EQ(image.hasTransparency, 0);
    EXPECT_EQ(image.memoryDC, nullptr);
    EXPECT_EQ(image.bits, nullptr);
}

TEST(ImageModel, SetPaletteChangesColourTable) {
    auto palette = GrayPalette();
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(1, 1, 1, RGB(0, 0, 0), palette.data()));
    RGBQUAD quads[2] = {{0, 0, 255, 0}, {255, 0, 0, 0}};  // red, blue
    ASSERT_TRUE(image.SetPalette(quads, 2));
    uint8_t* line = image.GetLine(24, 0);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line[2], 255);
    EXPECT_EQ(line[0], 0);
    std::free(line);
}

TEST(ImageModel, FindNearestColor) {
    CImage image;
    image.BuildDistanceTables();
    const uint8_t reds[] = {10, 200, 200, 0};
    const uint8_t greens[] = {10, 0, 0, 0};
    const uint8_t blues[] = {10, 0, 0, 0};
    EXPECT_EQ(image.FindNearestColor(reds, greens, blues, 4, 190, 0, 0), 1);  // tie: lower index
    EXPECT_EQ(image.FindNearestColor(reds, greens, blues, 4, 0, 0, 0), 3);
    EXPECT_EQ(image.FindNearestColor(reds, greens, blues, 4, 10, 10, 10), 0);
    EXPECT_EQ(image.FindNearestColor(reds, greens, blues, 0, 10, 10, 10), 0);
    // The worst possible distance still finds an entry.
    const uint8_t white[] = {255}, black[] = {0};
    EXPECT_EQ(image.FindNearestColor(white, white, white, 1, 0, 0, 0), 0);
    EXPECT_EQ(image.FindNearestColor(black, black, black, 1, 255, 255, 255), 0);
}

TEST(ImageModel, BlitsFromMemoryDc) {
    CImage source, target;
    ASSERT_TRUE(source.CreateEmpty(2, 2, 24, RGB(0, 255, 0), nullptr));
    ASSERT_TRUE(target.CreateEmpty(4, 4, 24, RGB(0, 0, 0), nullptr));
    ASSERT_TRUE(source.BitBltTo(target.memoryDC, 2, 0, SRCCOPY));
    EXPECT_EQ(target.ScanLine(3)[2 * 3 + 1], 255);  // top-right quarter
    EXPECT_EQ(target.ScanLine(0)[2 * 3 + 1], 0);
    ASSERT_TRUE(source.StretchTo(target.memoryDC, 0, 0, 4, 4, SRCCOPY));
    EXPECT_EQ(target.ScanLine(0)[1], 255);
}

}  // namespace
