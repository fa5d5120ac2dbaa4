#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "ImageTestUtil.h"
#include "image/PixelOps.h"

using namespace imgtest;

namespace {
const int kDepths[] = {1, 4, 8, 16, 24, 32};

class AllDepths : public testing::TestWithParam<int> {};

TEST_P(AllDepths, RotationsMoveCornersAndComposeToIdentity) {
    const int bpp = GetParam();
    CImage im;
    ASSERT_TRUE(MakePattern(im, 13, 7, bpp));
    auto orig = Snapshot(im);

    ASSERT_TRUE(im.RotateLeft90());
    ASSERT_EQ(im.width, 7u);
    ASSERT_EQ(im.height, 13u);
    // Every pixel (x, y) moved to (y, width - 1 - x).
    for (uint32_t y = 0; y < 7; ++y)
        for (uint32_t x = 0; x < 13; ++x) ASSERT_EQ(Px(im, y, 12 - x), PatternValue(bpp, x, y)) << x << "," << y;
    ASSERT_TRUE(im.RotateRight90());
    EXPECT_EQ(Snapshot(im), orig);

    ASSERT_TRUE(im.RotateRight90());
    for (uint32_t y = 0; y < 7; ++y)
        for (uint32_t x = 0; x < 13; ++x) ASSERT_EQ(Px(im, 6 - y, x), PatternValue(bpp, x, y));
    ASSERT_TRUE(im.RotateLeft90());

    for (int i = 0; i < 4; ++i) ASSERT_TRUE(im.RotateLeft90());
    EXPECT_EQ(Snapshot(im), orig);
    if (bpp <= 8) {  // the palette goes along
        EXPECT_EQ(im.palette[3][2], 3);
        EXPECT_EQ(im.palette[3][1], 252);
    }
}

TEST_P(AllDepths, FlipMirrorRotate180) {
    const int bpp = GetParam();
    CImage im;
    ASSERT_TRUE(MakePattern(im, 11, 5, bpp));
    ASSERT_TRUE(im.FlipVertical());
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 11; ++x) ASSERT_EQ(Px(im, x, 4 - y), PatternValue(bpp, x, y));
    ASSERT_TRUE(im.FlipVertical());
    ASSERT_TRUE(im.Mirror());
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 11; ++x) ASSERT_EQ(Px(im, 10 - x, y), PatternValue(bpp, x, y));
    ASSERT_TRUE(im.Mirror());
    ASSERT_TRUE(im.Rotate180());
    for (uint32_t y = 0; y < 5; ++y)
        for (uint32_t x = 0; x < 11; ++x) ASSERT_EQ(Px(im, 10 - x, 4 - y), PatternValue(bpp, x, y));
}

TEST_P(AllDepths, ThinImagesTurnWithoutError) {
    const int bpp = GetParam();
    for (auto [w, h] : {std::pair{1, 9}, std::pair{9, 1}, std::pair{1, 1}}) {
        CImage im;
        ASSERT_TRUE(MakePattern(im, w, h, bpp));
        auto orig = Snapshot(im);
        EXPECT_TRUE(im.FlipVertical());
        EXPECT_TRUE(im.Mirror());
        EXPECT_TRUE(im.Rotate180());
        EXPECT_EQ(Snapshot(im), orig);
        EXPECT_TRUE(im.RotateLeft90());
        EXPECT_EQ(im.width, (uint32_t)h);
        EXPECT_TRUE(im.RotateRight90());
        EXPECT_EQ(Snapshot(im), orig);
    }
}

TEST_P(AllDepths, InvertTwiceIsIdentity) {
    const int bpp = GetParam();
    CImage im;
    ASSERT_TRUE(MakePattern(im, 9, 4, bpp));
    auto orig = Snapshot(im);
    uint8_t pal0[768], pal1[768];
    GetFullPaletteRGB(im, pal0);
    ASSERT_TRUE(im.Invert());
    if (bpp <= 8) {
        EXPECT_EQ(Snapshot(im), orig);  // indices untouched
        GetFullPaletteRGB(im, pal1);
        EXPECT_EQ(pal1[3], 255 - pal0[3]);
    } else {
        EXPECT_NE(Snapshot(im), orig);
    }
    ASSERT_TRUE(im.Invert());
    EXPECT_EQ(Snapshot(im), orig);
    GetFullPaletteRGB(im, pal1);
    EXPECT_EQ(0, memcmp(pal0, pal1, (size_t)3 << (bpp <= 8 ? bpp : 0)));
}

TEST_P(AllDepths, SwapsExchangeChannels) {
    const int bpp = GetParam();
    auto pal = DistinctPalette();
    pal[0] = 10;
    pal[1] = 20;
    pal[2] = 30;  // entry 0 = (10, 20, 30)
    CImage im;
    ASSERT_TRUE(im.CreateEmpty(3, 2, bpp, RGB(10, 20, 30), pal.data()));
    if (bpp == 1) {
        EXPECT_FALSE(im.SwapRedGreen());
        EXPECT_FALSE(im.SwapRedBlue());
        EXPECT_FALSE(im.SwapGreenBlue());
        return;
    }
    auto orig = Snapshot(im);
    struct {
        bool (CImage::*op)();
        uint8_t r, g, b;
    } rows[] = {
        {&CImage::SwapRedGreen, 20, 10, 30}, {&CImage::SwapRedBlue, 30, 20, 10}, {&CImage::SwapGreenBlue, 10, 30, 20}};
    for (auto& row : rows) {
        ASSERT_TRUE((im.*row.op)());
        uint8_t* line = im.GetLine(24, 1);
        ASSERT_NE(line, nullptr);
        if (bpp == 16) {  // 5-bit channels: compare at that precision
            EXPECT_EQ(line[2] >> 3, row.r >> 3);
            EXPECT_EQ(line[1] >> 3, row.g >> 3);
            EXPECT_EQ(line[0] >> 3, row.b >> 3);
        } else {
            EXPECT_EQ(line[2], row.r);
            EXPECT_EQ(line[1], row.g);
            EXPECT_EQ(line[0], row.b);
        }
        free(line);
        if (bpp <= 8) {
            EXPECT_EQ(Snapshot(im), orig);  // palette only
        }
        ASSERT_TRUE((im.*row.op)());
        EXPECT_EQ(Snapshot(im), orig);
    }
}

TEST_P(AllDepths, GreyscaleGivesEightBitRamp) {
    const int bpp = GetParam();
    auto pal = GreyRamp();
    pal[3] = 255;
    pal[4] = 255;
    pal[5] = 255;  // entry 1 white
    CImage im;
    ASSERT_TRUE(im.CreateEmpty(4, 3, bpp, RGB(200, 100, 50), pal.data()));
    RECT white{0, 0, 2, 3};
    im.FillRect(white, RGB(255, 255, 255));
    ASSERT_TRUE(im.ToGrayscale());
    EXPECT_EQ(im.bpp, 8);
    EXPECT_EQ(Px(im, 0, 0), 255u);
    EXPECT_EQ(im.palette[77][0], 77);
    if (bpp == 1) {
        EXPECT_EQ(Px(im, 3, 2), 0u);  // black half
    } else if (bpp >= 24) {
        EXPECT_EQ(Px(im, 3, 2), 124u);  // (299 * 200 + 587 * 100 + 114 * 50) / 1000
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, AllDepths, testing::ValuesIn(kDepths));

TEST(PixelOps, InvalidImagesAreRefused) {
    CImage im;
    EXPECT_FALSE(im.FlipVertical());
    EXPECT_FALSE(im.Mirror());
    EXPECT_FALSE(im.RotateLeft90());
    EXPECT_FALSE(im.Invert());
    EXPECT_FALSE(im.SwapRedBlue());
    EXPECT_FALSE(im.ToGrayscale());
    EXPECT_FALSE(im.Brightness(3));
    EXPECT_FALSE(im.Gamma(1.0));
}

TEST(PixelOps, RotationClearsTransparencyFlipKeepsIt) {
    CImage im;
    ASSERT_TRUE(MakePattern(im, 4, 3, 24));
    im.hasTransparency = 1;
    im.transparentColor = 0x123456;
    ASSERT_TRUE(im.FlipVertical());
    EXPECT_EQ(im.hasTransparency, 1);
    ASSERT_TRUE(im.RotateLeft90());
    EXPECT_EQ(im.hasTransparency, 0);
    EXPECT_EQ(im.transparentColor, 0u);
}

TEST(PixelOps, ChannelArithmeticRows) {
    struct Case {
        const char* name;
        bool (*op)(CImage&);
        uint8_t in, out;
        int tolerance;
    } cases[] = {
        {"brightness 300 acts as 255", [](CImage& i) { return i.Brightness(300); }, 10, 255, 0},
        {"brightness -40", [](CImage& i) { return i.Brightness(-40); }, 30, 0, 0},
        {"brightness +40", [](CImage& i) { return i.Brightness(40); }, 100, 140, 0},
        {"contrast 0 within 1", [](CImage& i) { return i.Contrast(0); }, 77, 77, 1},
        {"contrast -100 gives 127", [](CImage& i) { return i.Contrast(-100); }, 240, 127, 0},
        {"contrast 100", [](CImage& i) { return i.Contrast(100); }, 200, 255, 0},
        {"gamma 1 identity", [](CImage& i) { return i.Gamma(1.0); }, 77, 77, 0},
        {"gamma 2 brightens", [](CImage& i) { return i.Gamma(2.0); }, 64, 127, 0},
        {"gamma 9 acts as 5", [](CImage& i) { return i.Gamma(9.0); }, 128, 222, 0},
    };
    for (auto& c : cases) {
        for (int bpp : {24, 32}) {
            CImage im;
            ASSERT_TRUE(im.CreateEmpty(5, 2, bpp, RGB(c.in, c.in, c.in), nullptr));
            if (bpp == 32) im.ScanLine(0)[3] = 0x5A;
            ASSERT_TRUE(c.op(im)) << c.name;
            const uint8_t* p = im.ScanLine(1);
            EXPECT_NEAR(p[0], c.out, c.tolerance) << c.name << " bpp " << bpp;
            EXPECT_EQ(p[0], p[1]);
            EXPECT_EQ(p[1], p[2]);
            if (bpp == 32) { EXPECT_EQ(im.ScanLine(0)[3], 0x5A) << "fourth byte left alone"; }
        }
    }
    // 255 * (64/255)^(1/2) = 127.5 -> 127; 255 * (128/255)^(1/5) = 222.x
}

TEST(PixelOps, ChannelArithmeticOnPaletteImageMapsToNearestEntry) {
    auto pal = GreyRamp();
    CImage im;
    ASSERT_TRUE(im.CreateEmpty(4, 2, 8, RGB(100, 100, 100), pal.data()));
    ASSERT_TRUE(im.Brightness(20));
    // GDI picks the entry; Wine's pick is approximate, so allow a small margin.
    EXPECT_NEAR((int)Px(im, 1, 1), 120, 4);
    EXPECT_EQ(im.palette[100][0], 100) << "the palette is not changed";
}

TEST(PixelOps, SwapRedBlueBitsWalksEveryRow) {
    // 2 x 2 at 24 bpp: stride 8, padding must be left alone.
    uint8_t buf[16] = {1, 2, 3, 4, 5, 6, 0xEE, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE, 0xEE};
    ASSERT_TRUE(SwapRedBlueBits(buf, 2, 2, 24));
    const uint8_t want[16] = {3, 2, 1, 6, 5, 4, 0xEE, 0xEE, 9, 8, 7, 12, 11, 10, 0xEE, 0xEE};
    EXPECT_EQ(0, memcmp(buf, want, 16));
    EXPECT_FALSE(SwapRedBlueBits(buf, 2, 2, 16));
    EXPECT_FALSE(SwapRedBlueBits(nullptr, 2, 2, 24));
    uint8_t b32[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(SwapRedBlueBits(b32, 2, 1, 32));
    const uint8_t w32[8] = {3, 2, 1, 4, 7, 6, 5, 8};
    EXPECT_EQ(0, memcmp(b32, w32, 8));
}
}  // namespace

// Grey conversion writes its rows into a fresh buffer: the padding at the end
// of each row is zero, never bytes the heap held before (they would reach
// saved files and make equal pictures compare unequal).
TEST(PixelOps, GreyscaleRowPaddingIsZero) {
    for (int round = 0; round < 4; ++round) {
        CImage im;
        ASSERT_TRUE(im.CreateEmpty(5, 7, 24, RGB(10, 200, 30), nullptr));
        // Leave a freed block of old bytes the size of the grey rows behind.
        void* old = std::malloc(CImage::RowBytes(5, 8) * 7);
        ASSERT_NE(old, nullptr);
        std::memset(old, 0xAA, CImage::RowBytes(5, 8) * 7);
        std::free(old);
        ASSERT_TRUE(im.ToGrayscale());
        for (uint32_t y = 0; y < im.GetHeight(); ++y)
            for (uint32_t x = 5; x < CImage::RowBytes(5, 8); ++x) EXPECT_EQ(im.ScanLine(y)[x], 0) << x << "," << y;
    }
}
