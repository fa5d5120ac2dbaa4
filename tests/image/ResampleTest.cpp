#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "ImageTestUtil.h"
#include "image/Resample.h"

using namespace imgtest;

namespace {

// A one-row 8-bit-per-pixel buffer whose bytes are their own indices, resampled
// with mode 0, gives the source index of every destination pixel.
std::vector<int> NearestIndices(int from, int to) {
    std::vector<uint8_t> src(CImage::RowBytes(from, 8)), dst(CImage::RowBytes(to, 8));
    for (int i = 0; i < from; ++i) src[i] = (uint8_t)i;
    ResampleBits(dst.data(), to, 1, src.data(), from, 1, 8, 0);
    return std::vector<int>(dst.begin(), dst.begin() + to);
}

TEST(Resample, NearestIndexPatterns) {
    EXPECT_EQ(NearestIndices(2, 4), (std::vector<int>{0, 0, 0, 1}));
    EXPECT_EQ(NearestIndices(4, 2), (std::vector<int>{0, 1}));
    EXPECT_EQ(NearestIndices(3, 7), (std::vector<int>{0, 0, 0, 1, 1, 2, 2}));
    // ceil(j * S / D) - 1 for j >= 1
    auto big = NearestIndices(7, 10);
    for (int j = 1; j < 10; ++j) EXPECT_EQ(big[j], (j * 7 + 9) / 10 - 1) << j;
}

TEST(Resample, BresenhamHalvesByIntegerDivision) {
    uint8_t src[8] = {0, 0, 0, 255, 255, 255, 0, 0};  // 2 x 1 at 24 bpp
    uint8_t dst[4] = {};
    ResampleBits(dst, 1, 1, src, 2, 1, 24, 1);
    EXPECT_EQ(dst[0], 127);
    EXPECT_EQ(dst[2], 127);
}

TEST(Resample, UniformImagesStayUniform) {
    const int sizes[][4] = {{17, 13, 5, 4}, {5, 4, 23, 19}, {40, 30, 40, 7}, {9, 9, 20, 3}};
    for (int mode = 1; mode <= 4; ++mode)
        for (auto& s : sizes) {
            const int sw = s[0], sh = s[1], dw = s[2], dh = s[3];
            std::vector<uint8_t> src(CImage::RowBytes(sw, 24) * sh), dst(CImage::RowBytes(dw, 24) * dh, 0);
            for (int y = 0; y < sh; ++y)
                for (int x = 0; x < sw; ++x) {
                    uint8_t* p = &src[y * CImage::RowBytes(sw, 24) + x * 3];
                    p[0] = 200;
                    p[1] = 37;
                    p[2] = 255;
                }
            ResampleBits(dst.data(), dw, dh, src.data(), sw, sh, 24, mode);
            for (int y = 0; y < dh; ++y)
                for (int x = 0; x < dw; ++x) {
                    const uint8_t* p = &dst[y * CImage::RowBytes(dw, 24) + x * 3];
                    ASSERT_NEAR(p[0], 200, 1) << "mode " << mode << " " << sw << "x" << sh << "->" << dw << "x" << dh;
                    ASSERT_NEAR(p[1], 37, 1);
                    ASSERT_NEAR(p[2], 255, 1);
                }
        }
}

TEST(Resample, EqualSizeCopiesAndUnknownModeWritesNothing) {
    uint8_t src[8] = {1, 2, 3, 4, 5, 6, 7, 8}, dst[8] = {};
    ResampleBits(dst, 2, 1, src, 2, 1, 24, 2);
    EXPECT_EQ(0, memcmp(src, dst, 8));
    uint8_t big[16] = {}, out[4] = {9, 9, 9, 9};
    ResampleBits(out, 1, 1, big, 2, 2, 24, 7);
    EXPECT_EQ(out[0], 9);
    ResampleBits(out, 1, 1, big, 2, 2, 32, 4);  // mode 4 is 24 bpp only
    EXPECT_EQ(out[0], 9);
}

TEST(ScaleBits, StrongReductionDarkensAsDesigned) {
    // Every weight is 4096 / 300 = 13; an axis sums to 3900, and
    // (3900 * 3900 * 255) >> 24 = 231. The sum needs the full unsigned range.
    std::vector<uint8_t> src(CImage::RowBytes(300, 24) * 300, 255);
    uint8_t dst[4] = {};
    ScaleBits(dst, 1, 1, src.data(), 300, 300, 24, nullptr);
    EXPECT_EQ(dst[0], 231);
    EXPECT_EQ(dst[1], 231);
    EXPECT_EQ(dst[2], 231);
}

TEST(ScaleBits, DepthsShrinkEnlargeAndCopy) {
    auto pal = GreyRamp();
    pal[3] = pal[4] = pal[5] = 255;  // entry 1 white
    // 2 x 2 one-bit checker of black and white: one pixel of (2 x 255 x 2048 x 2048) >> 24 = 127.
    CImage one;
    ASSERT_TRUE(one.CreateEmpty(2, 2, 1, 0, pal.data()));
    one.SetPixelIndex(0, 0, 1);
    one.SetPixelIndex(1, 1, 1);
    uint8_t d[4] = {};
    ScaleBits(d, 1, 1, one.ScanLine(0), 2, 2, 1, pal.data());
    EXPECT_EQ(d[0], 127);
    // Enlarging a single pixel keeps its value everywhere.
    for (int bpp : {4, 8, 16, 24, 32}) {
        CImage im;
        ASSERT_TRUE(im.CreateEmpty(1, 1, bpp, RGB(255, 255, 255), pal.data()));
        std::vector<uint8_t> out(CImage::RowBytes(3, 24) * 3, 0);
        ScaleBits(out.data(), 3, 3, im.ScanLine(0), 1, 1, bpp, pal.data());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 9; ++x) ASSERT_EQ(out[y * 12 + x], 255) << bpp;
    }
    // Equal size at 24 bpp is a row copy.
    CImage pat;
    ASSERT_TRUE(MakePattern(pat, 5, 3, 24));
    std::vector<uint8_t> same(pat.stride * 3);
    ScaleBits(same.data(), 5, 3, pat.ScanLine(0), 5, 3, 24, nullptr);
    EXPECT_EQ(same, Snapshot(pat));
}

TEST(ScaleBits, SixteenBitExpansion) {
    uint16_t px[2] = {0x7FFF, 0x7FFF};  // 1 x 1 padded row
    uint8_t out[12] = {};
    ScaleBits(out, 2, 1, reinterpret_cast<uint8_t*>(px), 1, 1, 16, nullptr);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[5], 255);
}

TEST(ResampleImage, SizesAndFailures) {
    CImage im;
    ASSERT_TRUE(MakePattern(im, 10, 8, 8));
    ASSERT_TRUE(ResampleImage(im, 0, 5, 1));
    EXPECT_EQ(im.width, 1u);
    EXPECT_EQ(im.height, 5u);
    EXPECT_EQ(im.bpp, 24);

    CImage keep;
    ASSERT_TRUE(MakePattern(keep, 10, 10, 24));
    auto orig = Snapshot(keep);
    EXPECT_FALSE(ResampleImage(keep, 30000, 30000, 1));  // 2.7 GB cannot be had
    EXPECT_FALSE(ScaleImage(keep, 30000, 30000));
    ASSERT_TRUE(keep.IsValid());
    EXPECT_EQ(keep.width, 10u);
    EXPECT_EQ(Snapshot(keep), orig);

    // The new image fits, but the filter's middle image (30000 x 30000 pixels)
    // cannot be had: a failure, not a black picture reported as done.
    CImage tall;
    ASSERT_TRUE(MakePattern(tall, 1, 30000, 24));
    auto tallBefore = Snapshot(tall);
    EXPECT_FALSE(ResampleImage(tall, 30000, 1, 1));
    EXPECT_EQ(tall.width, 1u);
    EXPECT_EQ(Snapshot(tall), tallBefore);

    CImage none;
    EXPECT_FALSE(ResampleImage(none, 5, 5, 0));
    EXPECT_FALSE(ScaleImage(none, 5, 5));
}

TEST(ScaleImage, PaletteImageBecomesTwentyFourBits) {
    auto pal = DistinctPalette();
    CImage im;
    ASSERT_TRUE(im.CreateEmpty(4, 4, 8, 0, pal.data()));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) im.SetPixelIndex(x, y, 9);
    ASSERT_TRUE(ScaleImage(im, 2, 2));
    EXPECT_EQ(im.bpp, 24);
    EXPECT_EQ(Rgb24(im, 1, 1), (uint32_t)(pal[27] << 16 | pal[28] << 8 | pal[29]));
}

TEST(DrawImageScaled, PreShrinkThresholds) {
    auto p = PlanScaledDraw(4000, 2000, 300, 150);
    EXPECT_TRUE(p.software);
    EXPECT_TRUE(p.preShrink);
    EXPECT_EQ(p.tempWidth, 1600);
    EXPECT_EQ(p.tempHeight, 800);
    p = PlanScaledDraw(4000, 2000, 2000, 1500);  // sum 3500: GDI stretches
    EXPECT_FALSE(p.software);
    p = PlanScaledDraw(800, 600, 800, 600);  // own size: GDI
    EXPECT_FALSE(p.software);
    p = PlanScaledDraw(800, 600, 400, 300);
    EXPECT_TRUE(p.software);
    EXPECT_FALSE(p.preShrink);
    p = PlanScaledDraw(2600, 2400, 1600, 1600);  // sum exactly 3200 is still software; 5000 no pre-shrink
    EXPECT_TRUE(p.software);
    EXPECT_FALSE(p.preShrink);
    p = PlanScaledDraw(2700, 2400, 1600, 1600);
    EXPECT_TRUE(p.preShrink);
    EXPECT_NEAR(p.tempWidth, 1600, 1);
    EXPECT_EQ(p.tempHeight, 1422);  // trunc(2400 * 1600 / 2700)
}

TEST(DrawImageScaled, ChannelsAndSoftwarePath) {
    CImage im;
    ASSERT_TRUE(im.CreateEmpty(8, 8, 24, RGB(200, 100, 50), nullptr));
    CImage target;
    ASSERT_TRUE(target.CreateEmpty(4, 4, 24, RGB(1, 2, 3), nullptr));
    DrawImageScaled(im, target.memoryDC, 0, 0, 4, 4, 0);
    GdiFlush();
    EXPECT_EQ(Rgb24(target, 2, 2), 0xC86432u);
    DrawImageScaled(im, target.memoryDC, 0, 0, 4, 4, 1);  // red only
    GdiFlush();
    EXPECT_EQ(Rgb24(target, 1, 1), 0xC80000u);
    DrawImageScaled(im, target.memoryDC, 0, 0, 8, 8, 3);  // own size, GDI, blue only
    GdiFlush();
    EXPECT_EQ(Rgb24(target, 3, 3), 0x000032u);
    CImage none;
    DrawImageScaled(none, target.memoryDC, 0, 0, 4, 4, 0);  // draws nothing
    GdiFlush();
    EXPECT_EQ(Rgb24(target, 3, 3), 0x000032u);
}

}  // namespace

// The coverage resampler keeps a destination-width x source-height middle
// image. Wide enough and tall enough, its size passes 4 GiB: counted in 32
// bits it wrapped to a small buffer the rows then overran. Now it is an
// allocation failure and the destination is left as it was.
TEST(Resample, MiddleImageBeyondAddressSpaceIsRefusedNotWrapped) {
    const int dw = 1 << 20, dh = 1, sw = 1, sh = 1366;  // 2^20 x 3 x 1366 > 2^32
    std::vector<uint8_t> src(CImage::RowBytes(sw, 24) * sh, 77);
    std::vector<uint8_t> dst(CImage::RowBytes(dw, 24) * dh, 5);
    ResampleBits(dst.data(), dw, dh, src.data(), sw, sh, 24, 1);
    EXPECT_EQ(std::count(dst.begin(), dst.end(), 5), (std::ptrdiff_t)dst.size());
}
