#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "ImageTestUtil.h"
#include "image/ColorDepth.h"

using namespace imgtest;

namespace {

void Fill24(CImage& im, int w, int h, uint32_t (*color)(int x, int y)) {
    ASSERT_TRUE(im.CreateEmpty(w, h, 24, 0, nullptr));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t c = color(x, y);  // 0xRRGGBB
            uint8_t* p = Row(im, y) + x * 3;
            p[0] = (uint8_t)c;
            p[1] = (uint8_t)(c >> 8);
            p[2] = (uint8_t)(c >> 16);
        }
}

TEST(ColorDepth, SameDepthIsANoOpAndWrongDirectionsAreRefused) {
    CImage im;
    ASSERT_TRUE(MakePattern(im, 5, 5, 8));
    auto orig = Snapshot(im);
    EXPECT_TRUE(im.ConvertDepth(8));
    EXPECT_EQ(Snapshot(im), orig);
    EXPECT_FALSE(im.ReduceDepth(8));
    EXPECT_FALSE(im.IncreaseDepth(8));
    EXPECT_FALSE(im.IncreaseDepth(4));
    CImage four;
    ASSERT_TRUE(MakePattern(four, 5, 5, 4));
    EXPECT_FALSE(four.ReduceDepth(8));
    CImage none;
    EXPECT_FALSE(none.ConvertDepth(8));
}

TEST(ColorDepth, BlackAndWhiteToEightBitsUsesTheCornerEntries) {
    CImage im;
    Fill24(im, 16, 16, [](int x, int y) -> uint32_t { return ((x + y) & 1) ? 0xFFFFFF : 0; });
    ASSERT_TRUE(im.ReduceDepth(8));
    ASSERT_EQ(im.bpp, 8);
    uint8_t pal[768];
    ASSERT_TRUE(im.GetPaletteRGB(pal));
    EXPECT_EQ(pal[0], 0);
    EXPECT_EQ(pal[1], 0);
    EXPECT_EQ(pal[2], 0);
    EXPECT_EQ(pal[21], 255);
    EXPECT_EQ(pal[22], 255);
    EXPECT_EQ(pal[23], 255);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(Px(im, x, y), ((x + y) & 1) ? 7u : 0u) << x << "," << y;
}

TEST(ColorDepth, ManyMidColoursGiveDistinctEntries) {
    CImage im;
    Fill24(im, 64, 64, [](int x, int y) -> uint32_t {
        return (uint32_t)(40 + x * 2) << 16 | (uint32_t)(40 + y * 2) << 8 | (uint32_t)(60 + ((x * y) & 127));
    });
    ASSERT_TRUE(im.ReduceDepth(8));
    uint8_t pal[768];
    ASSERT_TRUE(im.GetPaletteRGB(pal));
    std::set<uint32_t> distinct;
    for (int i = 0; i < 256; ++i) distinct.insert(pal[i * 3] << 16 | pal[i * 3 + 1] << 8 | pal[i * 3 + 2]);
    EXPECT_EQ(distinct.size(), 256u);
}

TEST(ColorDepth, FewColoursNeverSplitSingleCellsAndStayDeterministic) {
    CImage a, b;
    auto few = [](int x, int y) -> uint32_t { return (x < 4) ? 0x406080 : (y < 4 ? 0x80A040 : 0x204020); };
    Fill24(a, 9, 8, few);
    Fill24(b, 9, 8, few);
    ASSERT_TRUE(a.ReduceDepth(8));
    ASSERT_TRUE(b.ReduceDepth(8));
    EXPECT_EQ(Snapshot(a), Snapshot(b));
    // Each colour lands on an entry within one 5-bit cell of it.
    uint8_t pal[768];
    ASSERT_TRUE(a.GetPaletteRGB(pal));
    const uint32_t i = Px(a, 0, 0);
    EXPECT_NEAR(pal[i * 3], 0x40, 8);
    EXPECT_NEAR(pal[i * 3 + 1], 0x60, 8);
    EXPECT_NEAR(pal[i * 3 + 2], 0x80, 8);
}

TEST(ColorDepth, SixteenBitSourcesQuantize) {
    CImage im;
    Fill24(im, 20, 10,
           [](int x, int y) -> uint32_t { return (uint32_t)(x * 12) << 16 | (uint32_t)(y * 20) << 8 | 77; });
    ASSERT_TRUE(im.ReduceDepth(16));
    ASSERT_EQ(im.bpp, 16);
    ASSERT_TRUE(im.ReduceDepth(8));
    EXPECT_EQ(im.bpp, 8);
}

TEST(ColorDepth, MidGreyToOneBitIsASerpentineMixture) {
    CImage im;
    ASSERT_TRUE(im.CreateEmpty(40, 40, 24, RGB(128, 128, 128), nullptr));
    ASSERT_TRUE(im.ReduceDepth(1));
    ASSERT_EQ(im.bpp, 1);
    int white = 0;
    for (int y = 0; y < 40; ++y) {
        int rowWhite = 0;
        for (int x = 0; x < 40; ++x) rowWhite += Px(im, x, y);
        EXPECT_GT(rowWhite, 0);
        EXPECT_LT(rowWhite, 40);
        white += rowWhite;
    }
    EXPECT_NEAR(white / 1600.0, 128 / 255.0, 0.05);
    uint8_t pal[6];
    ASSERT_TRUE(im.GetPaletteRGB(pal));
    EXPECT_EQ(pal[0], 0);
    EXPECT_EQ(pal[3], 255);
}

TEST(ColorDepth, FourBitsThroughTheOctreeKeepsFewColoursExactly) {
    CImage im;
    Fill24(im, 12, 6, [](int x, int y) -> uint32_t { return x < 4 ? 0xC01020 : (x < 8 ? 0x10C020 : 0x2010C0); });
    ASSERT_TRUE(im.ReduceDepth(4));
    ASSERT_EQ(im.bpp, 4);
    uint8_t* rows = im.GetBits(24);
    ASSERT_NE(rows, nullptr);
    CImage back;
    ASSERT_TRUE(back.Create(12, 6, 24, rows, nullptr));
    free(rows);
    EXPECT_EQ(Rgb24(back, 0, 0), 0xC01020u);
    EXPECT_EQ(Rgb24(back, 5, 3), 0x10C020u);
    EXPECT_EQ(Rgb24(back, 11, 5), 0x2010C0u);
}

TEST(ColorDepth, OctreeTable) {
    CQuantizer q(16, 8);
    uint8_t px[12] = {1, 2, 3, 0, 1, 2, 3, 0, 200, 100, 50, 0};  // 3 x 1 at 32 bpp
    ASSERT_TRUE(q.ProcessImage(px, 3, 1, 32, nullptr));
    EXPECT_EQ(q.GetColorCount(), 2u);
    RGBQUAD t[16] = {};
    q.GetColorTable(t);
    EXPECT_EQ(t[0].rgbBlue, 1);
    EXPECT_EQ(t[0].rgbRed, 3);
    EXPECT_EQ(t[1].rgbBlue, 200);
    EXPECT_EQ(t[1].rgbRed, 50);
    uint8_t one[4] = {0xFF, 0, 0, 0};
    EXPECT_FALSE(q.ProcessImage(one, 8, 1, 1, nullptr));
    EXPECT_FALSE(q.ProcessImage(nullptr, 8, 1, 24, nullptr));
    // Many colours fold down to the limit.
    CQuantizer many(16, 8);
    std::vector<uint8_t> buf(64 * 3 * 64);
    for (size_t i = 0; i < buf.size(); ++i) buf[i] = (uint8_t)(i * 37 + (i >> 5));
    ASSERT_TRUE(many.ProcessImage(buf.data(), 64, 64, 24, nullptr));
    EXPECT_LE(many.GetColorCount(), 16u);
    // A new colour hangs a chain of one-child nodes under the tree; folding one
    // of them removes no leaf, so the folding must go on to the next node until
    // the count is back at the limit, also after the very last pixel.
    CQuantizer chain(16, 8);
    uint8_t row[17 * 3] = {};
    for (int i = 0; i < 17; ++i) row[i * 3 + 2] = (uint8_t)(i * 15);
    ASSERT_TRUE(chain.ProcessImage(row, 17, 1, 24, nullptr));
    EXPECT_EQ(chain.GetColorCount(), 16u);
}

TEST(ColorDepth, RaisingKeepsIndicesAndColours) {
    auto pal = DistinctPalette();
    for (int to : {4, 8, 16, 24, 32}) {
        CImage im;
        ASSERT_TRUE(MakePattern(im, 10, 3, 1));
        ASSERT_TRUE(im.ConvertDepth(to)) << to;
        EXPECT_EQ(im.bpp, to);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 10; ++x) {
                const uint32_t v = PatternValue(1, x, y);
                if (to <= 8) {
                    ASSERT_EQ(Px(im, x, y), v);
                } else if (to >= 24) {
                    const uint8_t* p = Row(im, y) + x * (to / 8);
                    ASSERT_EQ(p[2], pal[v * 3]);
                    ASSERT_EQ(p[1], pal[v * 3 + 1]);
                }
            }
        if (to <= 8) {
            EXPECT_EQ(im.palette[1][2], pal[3]);
            EXPECT_EQ(im.palette[1][1], pal[4]);
        }
    }
    CImage four;
    ASSERT_TRUE(MakePattern(four, 7, 2, 4));
    ASSERT_TRUE(four.IncreaseDepth(8));
    EXPECT_EQ(Px(four, 5, 1), PatternValue(4, 5, 1));
}

TEST(ColorDepth, FailedAllocationLeavesTheImageIntact) {
    CImage im;
    uint8_t pal[768] = {};
    pal[3] = pal[4] = pal[5] = 255;
    // 1 bit is 136 MB; 8 bits would exceed what an image may hold.
    ASSERT_TRUE(im.CreateEmpty(33000, 33000, 1, 0, pal));
    im.ScanLine(5)[7] = 0x5A;
    EXPECT_FALSE(im.IncreaseDepth(8));
    ASSERT_TRUE(im.IsValid());
    EXPECT_EQ(im.bpp, 1);
    EXPECT_EQ(im.ScanLine(5)[7], 0x5A);
    EXPECT_FALSE(im.IncreaseDepth(32));
    EXPECT_EQ(im.bpp, 1);
}

TEST(HiColorDither, RowsAreDitheredDeterministically) {
    CHiColorDither d;
    uint8_t px[3] = {100, 100, 100};
    d.DitherRow(px, 1, 24);
    EXPECT_EQ(px[0], 104);  // blue: value 100, then half a 5-bit step
    EXPECT_EQ(px[1], 102);  // green: half a 6-bit step
    EXPECT_EQ(px[2], 104);
    // The same rows give the same result every time.
    std::vector<uint8_t> a(64 * 4), b;
    for (size_t i = 0; i < a.size(); ++i) a[i] = (uint8_t)(i * 13);
    b = a;
    std::vector<uint8_t> c = a;
    d.DitherRow(b.data(), 64, 32);
    std::vector<uint8_t> noise(4096, 0xCD);  // disturb the heap between calls
    d.DitherRow(c.data(), 64, 32);
    EXPECT_EQ(b, c);
    for (size_t i = 3; i < a.size(); i += 4) EXPECT_EQ(b[i], a[i]) << "fourth byte untouched";
}

TEST(HiColorDither, ImageDepths) {
    CHiColorDither d;
    uint8_t buf[16] = {};
    EXPECT_FALSE(d.DitherImage(buf, 4, 1, 8, 4));
    EXPECT_FALSE(d.DitherImage(nullptr, 4, 1, 24, 12));
    EXPECT_TRUE(d.DitherImage(buf, 4, 1, 32, 16));
}

TEST(ColorDepth, MedianCutRefusesOtherDepths) {
    uint8_t pal[768];
    uint8_t buf[16] = {};
    EXPECT_EQ(QuantizeMedianCut(buf, 4, 1, 8, pal), nullptr);
    EXPECT_EQ(QuantizeMedianCut(nullptr, 4, 1, 24, pal), nullptr);
    CImage one;
    ASSERT_TRUE(MakePattern(one, 4, 4, 1));
    uint8_t two[6] = {0, 0, 0, 255, 255, 255};
    EXPECT_EQ(one.MapToMono(two), nullptr);
    EXPECT_EQ(one.MapToPalette16(pal), nullptr);
}

}  // namespace
