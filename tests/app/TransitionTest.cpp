#include <gtest/gtest.h>

#include <cstring>

#include "app/Transitions.h"
#include "image/Image.h"

namespace {

// A 24-bit picture with a different colour in every pixel.
void FillPattern(CImage& image) {
    GdiFlush();
    for (uint32_t row = 0; row < image.height; ++row) {
        uint8_t* line = image.ScanLine(row);
        for (uint32_t x = 0; x < image.width; ++x) {
            line[3 * x] = (uint8_t)(x * 7 + 1);
            line[3 * x + 1] = (uint8_t)(row * 5 + 2);
            line[3 * x + 2] = (uint8_t)(x ^ row);
        }
    }
}

bool SamePixels(CImage& a, CImage& b) {
    GdiFlush();
    for (uint32_t row = 0; row < a.height; ++row)
        if (std::memcmp(a.ScanLine(row), b.ScanLine(row), a.width * 3) != 0) return false;
    return true;
}

class TransitionTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_TRUE(source.CreateEmpty(kWidth, kHeight, 24, RGB(0, 0, 0), nullptr));
        ASSERT_TRUE(target.CreateEmpty(kWidth, kHeight, 24, RGB(0, 0, 0), nullptr));
        ASSERT_TRUE(black.CreateEmpty(kWidth, kHeight, 24, RGB(0, 0, 0), nullptr));
        FillPattern(source);
    }
    static constexpr int kWidth = 97, kHeight = 61;  // odd sizes: no step divides them
    CImage source, target, black;
};

// Every effect ends on odd sizes with the caller's step, shows something of the
// new picture, and the effects with a final copy leave exactly the source.
TEST_P(TransitionTest, EndsOnOddSizes) {
    const int effect = GetParam();
    EXPECT_TRUE(RunTransitionEffect(source.memoryDC, 0, 0, target.memoryDC, 0, 0, kWidth, kHeight, 1, 16, effect));
    // The vertical stretches make height / 32 - 1 passes: none for 61 rows.
    if (effect != 13 && effect != 14) {
        EXPECT_FALSE(SamePixels(target, black)) << "effect " << effect << " drew nothing";
    }
    if (TransitionEndsWithFullCopy(effect)) { EXPECT_TRUE(SamePixels(target, source)) << "effect " << effect; }
}

// Steps the caller never passes: 0 and 1 (the drips grew by rand() % 1 = 0 for
// ever), and a step larger than the picture. Delay 0 waits nowhere.
TEST_P(TransitionTest, EndsWithTinyAndHugeSteps) {
    const int effect = GetParam();
    for (int step : {0, 1, 2, 500}) {
        target.FillRect({0, 0, kWidth, kHeight}, RGB(0, 0, 0));
        RunTransitionEffect(source.memoryDC, 0, 0, target.memoryDC, 0, 0, kWidth, kHeight, 0, step, effect);
        if (TransitionEndsWithFullCopy(effect)) { EXPECT_TRUE(SamePixels(target, source)) << "step " << step; }
    }
}

INSTANTIATE_TEST_SUITE_P(AllEffects, TransitionTest, testing::Range(0, (int)TRANSITION_EFFECT_COUNT));

TEST(Transition, IndexOutsideTheTableRunsTheFirstEffect) {
    CImage source, target;
    ASSERT_TRUE(source.CreateEmpty(33, 17, 24, RGB(0, 0, 0), nullptr));
    ASSERT_TRUE(target.CreateEmpty(33, 17, 24, RGB(0, 0, 0), nullptr));
    FillPattern(source);
    for (int index : {23, -1}) {
        target.FillRect({0, 0, 33, 17}, RGB(0, 0, 0));
        EXPECT_TRUE(RunTransitionEffect(source.memoryDC, 0, 0, target.memoryDC, 0, 0, 33, 17, 0, 16, index));
        EXPECT_TRUE(SamePixels(target, source));
    }
}

TEST(Transition, OriginsOffsetTheRectangle) {
    CImage source, target, expected;
    ASSERT_TRUE(source.CreateEmpty(40, 30, 24, RGB(0, 0, 0), nullptr));
    ASSERT_TRUE(target.CreateEmpty(50, 40, 24, RGB(9, 9, 9), nullptr));
    ASSERT_TRUE(expected.CreateEmpty(50, 40, 24, RGB(9, 9, 9), nullptr));
    FillPattern(source);
    // A 30 x 20 part of the source at (5, 4) lands at (12, 15) of the target.
    BitBlt(expected.memoryDC, 12, 15, 30, 20, source.memoryDC, 5, 4, SRCCOPY);
    EXPECT_TRUE(RunTransitionEffect(source.memoryDC, 5, 4, target.memoryDC, 12, 15, 30, 20, 0, 4, 2));
    EXPECT_TRUE(SamePixels(target, expected));
}

TEST(Transition, BlendOverMovesTowardTheSource) {
    CImage source, target;
    ASSERT_TRUE(source.CreateEmpty(8, 8, 24, RGB(255, 255, 255), nullptr));
    ASSERT_TRUE(target.CreateEmpty(8, 8, 24, RGB(0, 0, 0), nullptr));
    EXPECT_TRUE(RunTransitionEffect(source.memoryDC, 0, 0, target.memoryDC, 0, 0, 8, 8, 0, 16, 22));
    GdiFlush();
    // Frames d = 0, 15, ..., 225 blend the blended buffer again each time.
    int value = 0;
    for (int d = 0; d < 255 && d <= 225; d += 15) value = value * (255 - d) / 255 + d * 255 / 255;
    EXPECT_EQ(target.ScanLine(3)[5], value);
    EXPECT_GT(value, 200);
}

TEST(Transition, BlendOverWithAnUnreadableSourceLeavesTheTarget) {
    CImage target, before;
    ASSERT_TRUE(target.CreateEmpty(8, 8, 24, RGB(1, 2, 3), nullptr));
    ASSERT_TRUE(before.CreateEmpty(8, 8, 24, RGB(1, 2, 3), nullptr));
    EXPECT_FALSE(RunTransitionEffect(nullptr, 0, 0, target.memoryDC, 0, 0, 8, 8, 0, 16, 22));
    EXPECT_TRUE(SamePixels(target, before));
}

TEST(Transition, WaitMilliseconds) {
    DWORD start = GetTickCount();
    EXPECT_TRUE(WaitMilliseconds(0));
    EXPECT_TRUE(WaitMilliseconds(20));
    EXPECT_GE(GetTickCount() - start, 20u);
}

}  // namespace
