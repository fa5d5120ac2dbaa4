// Fitting a picture into a box, the file-time text and the screen depth.
#include <gtest/gtest.h>

#include "browser/BrowserServices.h"

namespace {

TEST(FitImageToBox, ModesNoUpscaleAndCentring) {
    struct {
        int mode;
        bool noUpscale;
        int boxW, boxH, srcW, srcH;
        RECT expected;
        float scale;
    } cases[] = {
        {0, true, 100, 100, 50, 40, {25, 30, 75, 70}, 1.0f},
        {0, false, 100, 100, 50, 40, {0, 10, 100, 90}, 2.0f},
        {0, false, 100, 100, 400, 100, {0, 37, 100, 62}, 0.25f},  // sizes truncated, halves taken down
        {1, false, 100, 100, 50, 100, {0, -50, 100, 150}, 2.0f},  // fit width: taller than the box
        {2, false, 100, 50, 200, 100, {0, 0, 100, 50}, 0.5f},
        {7, false, 100, 100, 30, 20, {35, 40, 65, 60}, 1.0f},  // any other mode is 1:1
        {0, true, 100, 100, 0, 40, {50, 50, 50, 50}, 1.0f},    // no area: no division by zero
    };
    for (const auto& c : cases) {
        RECT r = {};
        const float scale = FitImageToBox((FitModeKind)c.mode, c.noUpscale, &r, c.boxW, c.boxH, c.srcW, c.srcH);
        EXPECT_FLOAT_EQ(scale, c.scale) << c.mode << " " << c.srcW << "x" << c.srcH;
        EXPECT_EQ(r.left, c.expected.left) << c.mode << " " << c.srcW << "x" << c.srcH;
        EXPECT_EQ(r.top, c.expected.top) << c.mode << " " << c.srcW << "x" << c.srcH;
        EXPECT_EQ(r.right, c.expected.right) << c.mode << " " << c.srcW << "x" << c.srcH;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.mode << " " << c.srcW << "x" << c.srcH;
    }
}

TEST(FormatFileTime, LocalTimeTextAndFailure) {
    SYSTEMTIME local = {2024, 3, 0, 7, 9, 5, 0, 0}, utc;
    ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc));
    FILETIME time;
    ASSERT_TRUE(SystemTimeToFileTime(&utc, &time));
    wchar_t text[64] = {};
    FormatFileTime(text, &time);
    EXPECT_STREQ(text, L"2024/03/07 09:05");

    FILETIME bad = {0xFFFFFFFF, 0xFFFFFFFF};  // beyond what FileTimeToSystemTime converts
    FormatFileTime(text, &bad);
    EXPECT_STREQ(text, L"Err: FileTimeToSystemTime()");
    FormatFileTime(nullptr, &time);  // a null output does nothing
}

TEST(GetScreenBitsPerPixel, IsTheDesktopDepth) {
    HDC dc = GetDC(nullptr);
    const int expected = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(GetScreenBitsPerPixel(), expected);
    EXPECT_GT(expected, 0);
}

}  // namespace
