#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <vector>

#include "ImageTestUtil.h"
#include "image/Effects.h"

using namespace imgtest;

namespace {

TEST(Effects, BlurWithFullRandomizationIsTheExactMean) {
    CImage im;
    ASSERT_TRUE(MakePattern(im, 6, 5, 24));
    CImage ref;
    ASSERT_TRUE(ref.Copy(im));
    ASSERT_TRUE(ImageEffects.Blur(im, 100, 1, false));
    ASSERT_EQ(im.bpp, 24);
    const int W = 6, H = 5;
    auto at = [&](int x, int row, int c) {
        // stored rows; outside: row -1 is row 1, row H is row H - 1; columns repeat the end pixel
        if (row < 0) row = 1;
        if (row >= H) row = H - 1;
        x = std::clamp(x, 0, W - 1);
        return (int)ref.ScanLine(row)[x * 3 + c];
    };
    for (int row = 0; row < H; ++row)
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c) {
                int sum = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx) sum += at(x + dx, row + dy, c);
                ASSERT_EQ(im.ScanLine(row)[x * 3 + c], sum / 9) << x << "," << row << "," << c;
            }
}

TEST(Effects, BlurKeepsUniformImagesAndConvertsDepth) {
    auto pal = GreyRamp();
    CImage im;
    ASSERT_TRUE(im.CreateEmpty(7, 1, 8, RGB(90, 90, 90), pal.data()));
    ASSERT_TRUE(ImageEffects.Blur(im, 50, 3, false));
    EXPECT_EQ(im.bpp, 24);
    for (int x = 0; x < 7; ++x) EXPECT_EQ(Rgb24(im, x, 0), 0x5A5A5Au);
    ASSERT_TRUE(ImageEffects.Blur(im, 100, 0, false));  // a typed 0 runs one pass
    CImage none;
    EXPECT_FALSE(ImageEffects.Blur(none, 100, 1, false));
}

TEST(Effects, SharpenZeroIsIdentityAndStrongSharpenSaturates) {
    CImage im;
    ASSERT_TRUE(MakePattern(im, 9, 7, 24));
    auto orig = Snapshot(im);
    ASSERT_TRUE(ImageEffects.Sharpen(im, 0, false));
    EXPECT_EQ(Snapshot(im), orig);

    // A bright dot on grey: percent 100 (k = 100) drives the dot to 255 and its neighbours to 0.
    ASSERT_TRUE(im.CreateEmpty(5, 5, 24, RGB(100, 100, 100), nullptr));
    uint8_t* p = im.ScanLine(2) + 2 * 3;
    p[0] = p[1] = p[2] = 120;
    ASSERT_TRUE(ImageEffects.Sharpen(im, 100, false));
    EXPECT_EQ(im.ScanLine(2)[2 * 3], 255);
    EXPECT_EQ(im.ScanLine(2)[1 * 3], 0);
    EXPECT_EQ(im.ScanLine(0)[0], 100) << "border rows are copied";
    EXPECT_EQ(im.ScanLine(2)[0], 100) << "border pixels are copied";
    ASSERT_TRUE(ImageEffects.Sharpen(im, 250, false));  // above 100 acts as 100
}

TEST(Effects, PixelizeBlocksFromTheBottomLeft) {
    const int W = 25, H = 25;
    std::vector<uint8_t> px(CImage::RowBytes(W, 24) * H);
    const int s = (int)CImage::RowBytes(W, 24);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) px[y * s + x * 3] = (uint8_t)(x * 10 + y);  // blue varies
    ASSERT_TRUE(ImageEffects.Pixelize(px.data(), 10, W, s, H));
    // Block edges at 10 and 20 on both axes from stored row 0 and column 0.
    auto blue = [&](int x, int y) { return px[y * s + x * 3]; };
    EXPECT_EQ(blue(0, 0), blue(9, 9));
    EXPECT_NE(blue(9, 0), blue(10, 0));
    EXPECT_EQ(blue(10, 10), blue(19, 19));
    EXPECT_EQ(blue(20, 20), blue(24, 24));
    EXPECT_NE(blue(19, 0), blue(20, 0));
    // First block: mean of x * 10 + y over 0..9 = 45 + 4.5 -> (sum / 100) = 49
    EXPECT_EQ(blue(3, 3), 49);
    // Last column block is 5 wide: mean over x 20..24 (220), y 0..9 (4.5) = 224
    EXPECT_EQ(blue(22, 3), 224);
}

TEST(Effects, PixelizeClampsTheBlockWidth) {
    EXPECT_EQ(CImageEffects::ClampBlockWidth(64, 20), 20);
    EXPECT_EQ(CImageEffects::ClampBlockWidth(0, 20), 1);
    EXPECT_EQ(CImageEffects::ClampBlockWidth(-5, 20), 1);
    EXPECT_EQ(CImageEffects::ClampBlockWidth(100, 500), 64);
    CImage im;
    ASSERT_TRUE(MakePattern(im, 5, 3, 24));
    ASSERT_TRUE(ImageEffects.PixelizeImage(im, 64, false));  // one block over the whole image
    const uint32_t v = Rgb24(im, 0, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) EXPECT_EQ(Rgb24(im, x, y), v);
    ASSERT_TRUE(MakePattern(im, 5, 3, 24));
    auto orig = Snapshot(im);
    ASSERT_TRUE(ImageEffects.PixelizeImage(im, 0, false));  // typed 0: blocks of 1, unchanged
    EXPECT_EQ(Snapshot(im), orig);
}

TEST(Effects, SeamlessTileSmallAndUniformImages) {
    struct Size {
        int w, h;
    } sizes[] = {{1, 1}, {2, 5}, {3, 3}, {7, 2}, {1, 9}};
    for (auto sz : sizes) {
        CImage im;
        ASSERT_TRUE(MakePattern(im, sz.w, sz.h, 24));
        auto orig = Snapshot(im);
        ASSERT_TRUE(ImageEffects.SeamlessTileImage(im, false));
        EXPECT_EQ(Snapshot(im), orig) << sz.w << "x" << sz.h;
    }
    // A uniform white image stays white (within rounding) and never wraps to dark.
    CImage white;
    ASSERT_TRUE(white.CreateEmpty(10, 8, 24, RGB(255, 255, 255), nullptr));
    ASSERT_TRUE(ImageEffects.SeamlessTileImage(white, false));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            const uint8_t* p = Row(white, y) + x * 3;
            ASSERT_GE(p[0], 200) << x << "," << y;
        }
}

TEST(Effects, SeamlessWeightsOfAPixelAndItsPartnerSumToTheValue) {
    // W = H = 10: the two contributions at a position come from the pixel and its
    // diagonal partner; for a uniform value they add up to about that value.
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            const int px = x < 5 ? x + 5 : x - 5, py = y < 5 ? y + 5 : y - 5;
            const int total =
                CImageEffects::SeamlessWeight(x, y, 255, 10, 10) + CImageEffects::SeamlessWeight(px, py, 255, 10, 10);
            EXPECT_NEAR(total, 255, 60) << x << "," << y;
        }
}

TEST(Effects, ButtonizeBorders) {
    CImage tiny;
    ASSERT_TRUE(tiny.CreateEmpty(1, 1, 24, RGB(10, 20, 30), nullptr));
    ASSERT_TRUE(ImageEffects.Buttonize(tiny, 50, 0.5f, false));
    EXPECT_EQ(Rgb24(tiny, 0, 0), 0x0A141Eu);

    CImage im;
    ASSERT_TRUE(im.CreateEmpty(30, 20, 24, RGB(100, 100, 100), nullptr));
    ASSERT_TRUE(ImageEffects.Buttonize(im, 50, 0.5f, false));
    // Top row, column 1: lightened with s = 0.5: 100 * 0.5 + 127.5 = 177.
    EXPECT_EQ(Rgb24(im, 1, 0) & 0xFF, 177u);
    // Bottom row (i = 1 after 18 rows, s rose again) is darkened.
    EXPECT_LT(Rgb24(im, 15, 19) & 0xFF, 100u);
    // Border 19 on a 30 x 20 image leaves row 19's column 0 to the left band: lightened.
    EXPECT_GT(Rgb24(im, 0, 10) & 0xFF, 100u);
    // Palette images keep their depth.
    auto pal = GreyRamp();
    CImage grey;
    ASSERT_TRUE(grey.CreateEmpty(12, 12, 8, RGB(100, 100, 100), pal.data()));
    ASSERT_TRUE(ImageEffects.Buttonize(grey, 50, 0.5f, false));
    EXPECT_EQ(grey.bpp, 8);
    EXPECT_GT(Px(grey, 3, 0), 150u);
}

}  // namespace
