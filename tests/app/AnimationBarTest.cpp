#include <gtest/gtest.h>

#include "app/AppState.h"
#include "media/AnimationBar.h"

namespace {

TEST(AnimationBar, FrameDelayTableBounds) {
    CAnimationBar bar;
    struct Case {
        int index;
        bool stored;
    } cases[] = {{0, true}, {399, true}, {400, false}, {-1, false}, {100000, false}};
    for (const auto& c : cases) EXPECT_EQ(bar.SetFrameDelay(c.index, 7), c.stored) << c.index;
    EXPECT_EQ(bar.GetFrameDelay(399), 7);
    EXPECT_EQ(bar.GetFrameDelay(400), 10);
    EXPECT_EQ(bar.GetFrameDelay(-5), 10);
    bar.SetFrameDelay(0, 3);
    bar.singleDelay = 1;
    EXPECT_EQ(bar.GetFrameDelay(399), 3);
    EXPECT_EQ(bar.TransparentTable[5], -1);
}

TEST(AnimationBar, InitRefusedForPreviewAndClampsGifFrames) {
    CAnimationBar bar;
    AppState::PreviewLoad = 1;
    EXPECT_FALSE(bar.Init(ANIM_KIND_GIF, 10, 0, nullptr, 2, true, false));
    AppState::PreviewLoad = 0;
    EXPECT_FALSE(bar.initialised);
    ASSERT_TRUE(bar.Init(ANIM_KIND_GIF, 1000, 5, nullptr, 2, true, false));
    EXPECT_EQ(bar.frameCount, 400);
    EXPECT_EQ(bar.callerValue, 5);
    ASSERT_TRUE(bar.Init(ANIM_KIND_TIFF, 1000, 0, nullptr, 2, true, true));
    EXPECT_EQ(bar.frameCount, 1000);
    EXPECT_TRUE(bar.Play(0));
    EXPECT_TRUE(bar.playing);
    bar.Stop();
    EXPECT_FALSE(bar.playing);
}

TEST(AnimationBar, CopyFromTakesTablesAndFlags) {
    CAnimationBar scratch, bar;
    ASSERT_TRUE(scratch.Init(ANIM_KIND_GIF, 3, 0, nullptr, 2, true, false));
    scratch.SetFrameDelay(2, 40);
    scratch.DisposalTable[1] = 2;
    scratch.TransparentTable[0] = 9;
    ASSERT_TRUE(bar.CopyFrom(scratch));
    EXPECT_EQ(bar.kind, ANIM_KIND_GIF);
    EXPECT_EQ(bar.frameCount, 3);
    EXPECT_EQ(bar.GetFrameDelay(2), 40);
    EXPECT_EQ(bar.DisposalTable[1], 2);
    EXPECT_EQ(bar.TransparentTable[0], 9);
    scratch.Reset();
    EXPECT_EQ(scratch.TransparentTable[0], -1);
    AppState::BackgroundLoad = 1;
    EXPECT_FALSE(bar.CopyFrom(scratch));
    AppState::BackgroundLoad = 0;
}

TEST(AnimationBar, ControlsTakeAndGiveBackTheBottomMargin) {
    CAnimationBar bar;
    const LONG before = AppState::ViewMargins.bottom;
    bar.CreateControls();
    bar.CreateControls();  // once only
    EXPECT_EQ(AppState::ViewMargins.bottom, before + CAnimationBar::StripHeight());
    bar.Reset();
    EXPECT_EQ(AppState::ViewMargins.bottom, before);
    bar.Reset();
    EXPECT_EQ(AppState::ViewMargins.bottom, before);
}

}  // namespace
