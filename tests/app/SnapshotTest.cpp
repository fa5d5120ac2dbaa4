#include <gtest/gtest.h>

#include <cstring>

#include "app/AppState.h"
#include "app/ImageSnapshot.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

void Fill(CImage& image, int bpp, int w, int h) {
    uint8_t palette[256 * 3];
    for (int i = 0; i < 256; ++i)
        palette[i * 3] = (uint8_t)i, palette[i * 3 + 1] = (uint8_t)(255 - i), palette[i * 3 + 2] = 7;
    ASSERT_TRUE(image.CreateEmpty(w, h, bpp, RGB(0, 0, 0), palette));
    for (uint32_t row = 0; row < image.height; ++row) {
        uint8_t* line = image.ScanLine(row);
        for (uint32_t i = 0; i < image.stride; ++i) line[i] = (uint8_t)(row * 31 + i * 7);
    }
    image.hasTransparency = 1;
    image.transparentIndex = 3;
    image.transparentColor = RGB(1, 2, 3);
    image.xResolution = 300;
    image.yResolution = 150;
}

bool SamePixels(CImage& a, CImage& b) {
    if (a.width != b.width || a.height != b.height || a.bpp != b.bpp || a.stride != b.stride) return false;
    for (uint32_t row = 0; row < a.height; ++row)
        if (memcmp(a.ScanLine(row), b.ScanLine(row), a.stride) != 0) return false;
    if (a.bpp <= 8 && memcmp(a.palette, b.palette, sizeof(uint8_t) * 3 * (1u << a.bpp)) != 0) return false;
    return true;
}

TEST(ImageSnapshot, RoundTripKeepsPixelsPaletteTransparencyAndResolution) {
    for (int bpp : {1, 4, 8, 16, 24, 32}) {
        CImage original, image;
        Fill(original, bpp, 13, 5);
        ASSERT_TRUE(image.Copy(original));
        image.hasTransparency = 1, image.transparentIndex = 3, image.transparentColor = RGB(1, 2, 3);
        image.xResolution = 300, image.yResolution = 150;
        CImageSnapshot store;
        ASSERT_TRUE(store.SaveFrom(image)) << bpp;
        std::wstring file = store.FileName();
        EXPECT_NE(file.find(L"qrv"), std::wstring::npos);
        image.Destroy();
        ASSERT_TRUE(store.RestoreInto(image)) << bpp;
        EXPECT_TRUE(SamePixels(image, original)) << bpp;
        EXPECT_EQ(image.hasTransparency, 1);
        EXPECT_EQ(image.transparentIndex, 3);
        EXPECT_EQ(image.transparentColor, RGB(1, 2, 3));
        EXPECT_EQ(image.xResolution, 300u);
        EXPECT_EQ(image.yResolution, 150u);
        EXPECT_FALSE(store.IsValid());
        EXPECT_FALSE(qrvtest::FileExists(file));  // the file went with the restore
    }
}

TEST(ImageSnapshot, FileLayout) {
    CImage image;
    Fill(image, 1, 9, 2);
    CImageSnapshot store;
    ASSERT_TRUE(store.SaveFrom(image));
    auto bytes = qrvtest::ReadAll(store.FileName());
    // header 12, palette 2 x 3, rows 2 x 4, trailer 20
    ASSERT_EQ(bytes.size(), 12u + 6 + 8 + 20);
    EXPECT_EQ(bytes[0], 9);
    EXPECT_EQ(bytes[4], 2);
    EXPECT_EQ(bytes[8], 1);
    EXPECT_EQ(bytes[12 + 3], 1);  // palette entry 1: red 1

    CImage deep;
    Fill(deep, 24, 3, 2);
    ASSERT_TRUE(store.SaveFrom(deep));
    EXPECT_EQ(qrvtest::ReadAll(store.FileName()).size(), 12u + 2 * 12 + 20);  // no palette
    store.Discard();
}

TEST(ImageSnapshot, DamagedFileKeepsImageAndSnapshot) {
    CImage image, other;
    Fill(image, 24, 20, 20);
    Fill(other, 8, 4, 4);
    CImageSnapshot store;
    ASSERT_TRUE(store.SaveFrom(image));
    std::wstring file = store.FileName();
    auto bytes = qrvtest::ReadAll(file);
    ASSERT_TRUE(qrvtest::WriteAll(file, bytes.data(), bytes.size() / 2));  // cut short
    EXPECT_FALSE(store.RestoreInto(other));
    EXPECT_TRUE(store.IsValid());
    EXPECT_EQ(other.width, 4u);  // unchanged
    // A size that does not fit the file is refused before anything is allocated.
    bytes[4] = 0xFF, bytes[5] = 0xFF, bytes[6] = 0xFF, bytes[7] = 0x7F;
    ASSERT_TRUE(qrvtest::WriteAll(file, bytes.data(), bytes.size()));
    EXPECT_FALSE(store.RestoreInto(other));
    EXPECT_TRUE(store.IsValid());
    store.Discard();
    EXPECT_FALSE(qrvtest::FileExists(file));
}

TEST(ImageSnapshot, UndoTwiceLeavesTheImage) {
    AppState::CurrentImage.Destroy();
    Fill(AppState::CurrentImage, 24, 6, 6);
    ASSERT_TRUE(UndoSnapshot.Save());
    AppState::CurrentImage.ScanLine(0)[0] ^= 0xFF;  // the edit
    CImage edited;
    edited.Copy(AppState::CurrentImage);
    // Undo: current into redo, restore undo.
    RedoSnapshot.Save();
    ASSERT_TRUE(UndoSnapshot.Restore());
    EXPECT_FALSE(SamePixels(AppState::CurrentImage, edited));
    RedoSnapshot.Save();
    EXPECT_FALSE(UndoSnapshot.Restore());  // empty: nothing changes
    EXPECT_TRUE(RedoSnapshot.Restore());
    EXPECT_FALSE(SamePixels(AppState::CurrentImage, edited));  // the redo store held the undone picture
    RedoSnapshot.Discard();
    AppState::CurrentImage.Destroy();
}

TEST(ImageSnapshot, EmptyViewerRoundTrips) {
    CImage empty, image;
    Fill(image, 8, 2, 2);
    CImageSnapshot store;
    ASSERT_TRUE(store.SaveFrom(empty));
    EXPECT_EQ(qrvtest::ReadAll(store.FileName()).size(), 12u + 3 + 20);
    EXPECT_TRUE(store.RestoreInto(image));
    EXPECT_FALSE(image.IsValid());
}

}  // namespace
