// FillGreyPalette: the grey ramps the readers and the grey conversion give.
#include <gtest/gtest.h>

#include <cstring>

#include "image/Palette.h"

namespace {

struct GreyCase {
    int levels, count;
    int index;
    uint8_t grey;
};

TEST(Palette, GreyRampEntriesAreEqualStepsFromBlack) {
    const GreyCase cases[] = {
        {256, 256, 0, 0},
        {256, 256, 1, 1},
        {256, 256, 128, 128},
        {256, 256, 255, 255},
        {2, 2, 0, 0},
        {2, 2, 1, 255},
        {4, 4, 1, 85},
        {4, 4, 3, 255},
        {16, 16, 1, 17},
        {16, 16, 15, 255},
        {8, 8, 1, 36},
        {8, 8, 7, 252},  // 255 / 7 rounds down
        {64, 64, 63, 252},
        {128, 128, 127, 254},
        // More entries than levels: the steps go on, kept to their low 8 bits.
        {2, 256, 2, 254},
        {16, 256, 16, 16},
    };
    for (const GreyCase& c : cases) {
        uint8_t rgb[256 * 3];
        std::memset(rgb, 0xA5, sizeof rgb);
        FillGreyPalette(rgb, c.levels, c.count);
        SCOPED_TRACE(testing::Message() << "levels " << c.levels << " count " << c.count << " entry " << c.index);
        EXPECT_EQ(rgb[c.index * 3], c.grey);
        EXPECT_EQ(rgb[c.index * 3 + 1], c.grey);
        EXPECT_EQ(rgb[c.index * 3 + 2], c.grey);
    }
}

TEST(Palette, GreyRampWritesOnlyItsEntries) {
    uint8_t rgb[256 * 3];
    std::memset(rgb, 0xA5, sizeof rgb);
    FillGreyPalette(rgb, 16);
    for (int i = 0; i < 16 * 3; ++i) EXPECT_EQ(rgb[i], (uint8_t)(i / 3 * 17)) << i;
    for (int i = 16 * 3; i < 256 * 3; ++i) ASSERT_EQ(rgb[i], 0xA5) << i;

    std::memset(rgb, 0xA5, sizeof rgb);
    FillGreyPalette(rgb, 256);
    for (int i = 0; i < 256 * 3; ++i) ASSERT_EQ(rgb[i], (uint8_t)(i / 3)) << i;
}

}  // namespace
