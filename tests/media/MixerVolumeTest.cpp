// The master volume: the step and trackbar arithmetic, the mixer without any
// device, and Wine's real mixer on the null sound device.
#include <gtest/gtest.h>

#include "media/MixerVolume.h"

TEST(MixerVolume, StepIsClampedToTheControlsRange) {
    struct Case {
        DWORD value;
        int step;
        DWORD minimum, maximum;
        DWORD expected;
    } cases[] = {
        {65000, 1310, 0, 65535, 65535},  // past the top
        {1000, -1310, 0, 65535, 0},      // below 0: no wrap to full volume
        {0, -1310, 0, 65535, 0},
        {30000, 1310, 0, 65535, 31310},
        {30000, -1310, 0, 65535, 28690},
        {65535, 1310, 0, 65535, 65535},
        {1500, -1310, 1000, 65535, 1000},  // a minimum above 0
        {5, 1310, 0, 0, 0},                // no control found: range 0..0
    };
    for (const Case& c : cases)
        EXPECT_EQ(SteppedVolume(c.value, c.step, c.minimum, c.maximum), c.expected) << c.value << " " << c.step;
}

TEST(MixerVolume, TrackbarPositions) {
    // Horizontal: position = value / 2. Inverted (vertical, loudest on top).
    EXPECT_EQ(HorizontalVolumePosition(65535), 32767);
    EXPECT_EQ(HorizontalVolumePosition(1), 0);
    EXPECT_EQ(InvertedVolumePosition(65535, 65535), 0);
    EXPECT_EQ(InvertedVolumePosition(0, 65535), 32767);
    EXPECT_EQ(InvertedVolumePosition(32768, 65535), 32767 - 16384);
    // Top gives the largest even value not above the maximum, bottom 0;
    // positions past either end are clamped.
    EXPECT_EQ(VolumeFromInvertedPosition(0, 65535), 65534u);
    EXPECT_EQ(VolumeFromInvertedPosition(32767, 65535), 0u);
    EXPECT_EQ(VolumeFromInvertedPosition(-40, 65535), 65534u);
    EXPECT_EQ(VolumeFromInvertedPosition(40000, 65535), 0u);
    EXPECT_EQ(VolumeFromInvertedPosition(1000, 65535), 63534u);
}

TEST(MixerVolume, MousePositionOnATrackbar) {
    struct Case {
        int coordinate, extent, range, expected;
    } cases[] = {
        {5, 110, 1000, 0},        // left border
        {105, 110, 1000, 1000},   // right border
        {55, 110, 1000, 500},     // middle
        {0, 110, 1000, 0},        // left of the border
        {-30, 110, 1000, 0},      // dragged past the left end
        {400, 110, 1000, 1000},   // dragged past the right end
        {55, 110, 32767, 16383},  // the volume bar's half range
        {-10, 110, 32767, 0},    {900, 110, 32767, 32767},
        {7, 10, 1000, 0},                          // a trackbar 10 pixels wide: no division by 0
        {3, 4, 1000, 0},         {55, 110, 0, 0},  // no range
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrackbarPositionFromMouse(c.coordinate, c.extent, c.range), c.expected)
            << c.coordinate << " of " << c.extent << " range " << c.range;
}

namespace {
UINT NoDevices() { return 0; }
}  // namespace

TEST(MixerVolume, NoDeviceOpensWithoutHandle) {
    CMixerVolume mixer;
    CMixerVolume::SetDeviceCounter(NoDevices);
    EXPECT_TRUE(mixer.Open(nullptr));
    CMixerVolume::SetDeviceCounter(nullptr);
    EXPECT_FALSE(mixer.IsOpen());
    EXPECT_EQ(mixer.DeviceCount, 0u);
    EXPECT_FALSE(mixer.FindVolumeControl());
    EXPECT_EQ(mixer.Maximum, 0u);
    DWORD value = 12345;
    EXPECT_FALSE(mixer.GetVolume(&value));
    EXPECT_EQ(value, 12345u) << "a failed read leaves the out value alone";
    EXPECT_FALSE(mixer.SetVolume(100));
    EXPECT_FALSE(mixer.StepVolume(1310));
    EXPECT_TRUE(mixer.Close());
}

TEST(MixerVolume, SpeakersVolumeOnTheNullDevice) {
    CMixerVolume mixer;
    ASSERT_TRUE(mixer.Open(nullptr));
    if (!mixer.IsOpen()) GTEST_SKIP() << "no mixer device";
    ASSERT_TRUE(mixer.FindVolumeControl());
    EXPECT_EQ(mixer.Minimum, 0u);
    EXPECT_EQ(mixer.Maximum, 65535u);
    DWORD saved = 0;
    ASSERT_TRUE(mixer.GetVolume(&saved));
    // The level is shared with every other program: put it back afterwards.
    struct Restore {
        CMixerVolume& m;
        DWORD level;
        ~Restore() {
            m.SetVolume(level);
            m.Close();
        }
    } restore{mixer, saved};

    DWORD value = 0;
    ASSERT_TRUE(mixer.SetVolume(65000));
    ASSERT_TRUE(mixer.StepVolume(1310));
    ASSERT_TRUE(mixer.GetVolume(&value));
    EXPECT_EQ(value, 65535u);
    ASSERT_TRUE(mixer.SetVolume(1000));
    ASSERT_TRUE(mixer.StepVolume(-1310));
    ASSERT_TRUE(mixer.GetVolume(&value));
    EXPECT_EQ(value, 0u);
    ASSERT_TRUE(mixer.StepVolume(1310));
    ASSERT_TRUE(mixer.GetVolume(&value));
    EXPECT_EQ(value, 1310u);
}
