// The channel views on the real main window: the alpha views show treatments
// of a 32-bit picture kept in the channel-view store, every view is made from
// the picture itself, and saving, edits, Undo and the switch back to another
// view always find the picture, never a treatment.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/ImageEdits.h"
#include "app/ImageSnapshot.h"
#include "app/MediaDocument.h"
#include "app/ShellServices.h"
#include "app/View.h"
#include "browser/FileList.h"
#include "command_ids.h"
#include "formats/Formats.h"
#include "formats/PixelCheck.h"
#include "image/Common.h"
#include "image/Image.h"
#include "support/SettingsKeeper.h"
#include "support/TestSupport.h"

namespace {

using Rgba = std::vector<uint8_t>;

// ImageMagick's decoding of the fixture: 7 x 5, alpha 0, 64, 128 and 255.
Rgba OriginalRgba() { return qrvtest::ReadAll(qrvtest::Fixture(L"channel_view.rgba")); }
constexpr uint32_t kWidth = 7, kHeight = 5;

Rgba Shown() { return pixelcheck::ImageRgba(AppState::CurrentImage); }

::testing::AssertionResult Within(const Rgba& got, const Rgba& want, int tolerance) {
    if (got.size() != want.size() || want.empty())
        return ::testing::AssertionFailure() << got.size() << " bytes, " << want.size() << " wanted";
    for (size_t i = 0; i < want.size(); ++i)
        if (std::abs(got[i] - want[i]) > tolerance)
            return ::testing::AssertionFailure()
                   << "pixel " << i / 4 << " channel " << i % 4 << ": " << (int)got[i] << ", wanted " << (int)want[i];
    return ::testing::AssertionSuccess();
}

// The colour premultiplied by alpha over the view's background, opaque.
Rgba Blended(const Rgba& rgba) {
    const COLORREF bg = GetViewBackgroundColor();
    const int back[3] = {GetRValue(bg), GetGValue(bg), GetBValue(bg)};
    Rgba out(rgba.size());
    for (size_t i = 0; i < rgba.size(); i += 4) {
        const int a = rgba[i + 3];
        for (int c = 0; c < 3; ++c) out[i + c] = (uint8_t)((rgba[i + c] * a + back[c] * (255 - a) + 127) / 255);
        out[i + 3] = 255;
    }
    return out;
}

// Turned 90 degrees clockwise: (x, y) from the top moves to (height - 1 - y, x).
Rgba RotatedRight(const Rgba& rgba, uint32_t w, uint32_t h) {
    Rgba out(rgba.size());
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            for (int c = 0; c < 4; ++c) out[((size_t)x * h + (h - 1 - y)) * 4 + c] = rgba[((size_t)y * w + x) * 4 + c];
    return out;
}

class ChannelViewTest : public apptest::ShellWindowFixture {
protected:
    // dir\cv.png opened from the folder's list with the default settings: view 6.
    void Open() {
        ASSERT_TRUE(CopyFileW(qrvtest::Fixture(L"channel_view.png").c_str(), dir.File(L"cv.png").c_str(), FALSE));
        ASSERT_EQ(AppState::ImageAlphaBlend32BitAtLoadTime, 1);
        SetCurrentDirectoryW(dir.Path().c_str());
        CopyStringW(AppState::CurrentFolder, dir.Path().c_str());
        BuildFileList(L"cv.png", dir.Path().c_str());
        ASSERT_TRUE(WaitForFileScan(10000));
        OpenMediaFile(dir.File(L"cv.png").c_str());
        qrvtest::Pump();
        ASSERT_EQ(AppState::DocumentKind, DOC_FILE);
        ASSERT_EQ(AppState::CurrentImage.GetBpp(), 32);
        ASSERT_EQ(AppState::ChannelView, CHANNEL_ALPHA_BLENDED);
        ASSERT_TRUE(ChannelViewSnapshot.IsValid());
    }
    void Choose(UINT id) { ChooseChannelView(window, id, 0); }
    void Command(UINT id) {
        SendMessageW(window, WM_COMMAND, id, 0);
        qrvtest::Pump();
    }
    Rgba Saved() { return qrvtest::ReadAll(pixelcheck::ImageMagickRgba(dir.File(L"cv.png"))); }

    qrvtest::TempDir dir;
    qrvtest::SettingsKeeper settings;
};

}  // namespace

// View 4 greys every pixel by its alpha (alpha 0 black), view 5 keeps the colour
// of fully transparent pixels, view 6 is the premultiplied blend; each is made
// from the picture, and leaving them gives back its bytes.
TEST_F(ChannelViewTest, AlphaViewsAreMadeFromThePictureAndGiveItBack) {
    Open();
    const Rgba original = OriginalRgba();
    ASSERT_EQ(original.size(), (size_t)kWidth * kHeight * 4);
    int hiddenColours = 0;
    for (size_t i = 0; i < original.size(); i += 4)
        hiddenColours += original[i + 3] == 0 && (original[i] | original[i + 1] | original[i + 2]) != 0;
    ASSERT_GT(hiddenColours, 0) << "the fixture hides colours under alpha 0";
    EXPECT_TRUE(Within(Shown(), Blended(original), 1));

    Choose(IDM_ALPHA_AS_IMAGE);
    EXPECT_EQ(AppState::ChannelView, CHANNEL_ALPHA_AS_IMAGE);
    Rgba grey = original;
    for (size_t i = 0; i < grey.size(); i += 4) grey[i] = grey[i + 1] = grey[i + 2] = original[i + 3];
    EXPECT_TRUE(Within(Shown(), grey, 0)) << "alpha 0 is black";

    Choose(IDM_ALPHA_AS_LAYER);  // from view 4: made from the picture, not from the grey
    EXPECT_EQ(AppState::ChannelView, CHANNEL_ALPHA_AS_LAYER);
    Rgba layer = grey;
    for (size_t i = 0; i < layer.size(); i += 4)
        if (original[i + 3] == 0)
            for (int c = 0; c < 3; ++c) layer[i + c] = original[i + c];
    EXPECT_TRUE(Within(Shown(), layer, 0)) << "alpha 0 keeps its colour";

    Choose(IDM_CHANNEL_ALL);
    EXPECT_EQ(AppState::ChannelView, CHANNEL_ALL);
    EXPECT_TRUE(Within(Shown(), original, 0));
    EXPECT_FALSE(ChannelViewSnapshot.IsValid());

    Choose(IDM_ALPHA_BLENDED);
    EXPECT_TRUE(Within(Shown(), Blended(original), 1));
    Choose(IDM_ALPHA_BLENDED);  // again: the blend of the picture, not of the blend
    EXPECT_TRUE(Within(Shown(), Blended(original), 1));
    Choose(IDM_CHANNEL_RED);
    EXPECT_EQ(AppState::ChannelView, CHANNEL_RED);
    EXPECT_TRUE(Within(Shown(), original, 0));
    EXPECT_FALSE(ChannelViewSnapshot.IsValid());
}

// Quick save in an alpha view writes the picture, alpha and all; the view stays.
TEST_F(ChannelViewTest, QuickSaveWritesThePictureInEveryAlphaView) {
    Open();
    const Rgba original = OriginalRgba();
    qrvtest::MessageCapture capture;
    Command(IDM_QUICK_SAVE);
    EXPECT_TRUE(Within(Saved(), original, 0)) << "view 6";
    EXPECT_TRUE(Within(Shown(), Blended(original), 1));

    Choose(IDM_ALPHA_AS_IMAGE);
    const Rgba grey = Shown();
    Command(IDM_QUICK_SAVE);
    EXPECT_TRUE(Within(Saved(), original, 0)) << "view 4";
    EXPECT_EQ(AppState::ChannelView, CHANNEL_ALPHA_AS_IMAGE);
    EXPECT_TRUE(Within(Shown(), grey, 0));
    EXPECT_TRUE(capture.messages.empty());
}

// A rotation made in view 6 turns the picture: it is shown blended and
// survives the switch to view 0; Undo in view 6 brings back the picture before it.
TEST_F(ChannelViewTest, ARotationInTheBlendedViewTurnsThePictureAndUndoBringsItBack) {
    Open();
    const Rgba original = OriginalRgba();
    const Rgba turned = RotatedRight(original, kWidth, kHeight);
    Command(IDM_ROTATE_RIGHT);
    ASSERT_EQ(AppState::CurrentImage.GetWidth(), kHeight);
    EXPECT_EQ(AppState::ChannelView, CHANNEL_ALPHA_BLENDED);
    EXPECT_TRUE(Within(Shown(), Blended(turned), 1));
    Choose(IDM_CHANNEL_ALL);
    EXPECT_TRUE(Within(Shown(), turned, 0));

    Choose(IDM_ALPHA_BLENDED);
    Command(IDM_UNDO);
    EXPECT_EQ(AppState::ChannelView, CHANNEL_ALPHA_BLENDED);
    ASSERT_EQ(AppState::CurrentImage.GetWidth(), kWidth);
    EXPECT_TRUE(Within(Shown(), Blended(original), 1));
    Choose(IDM_CHANNEL_ALL);
    EXPECT_TRUE(Within(Shown(), original, 0)) << "undo restored the picture, not its blend";
    Command(IDM_REDO);
    EXPECT_TRUE(Within(Shown(), turned, 0));
}

// A tool's own image is blended without touching the store that keeps the
// viewer's picture; other depths are left as they are.
TEST_F(ChannelViewTest, AToolsBlendLeavesTheStoreAlone) {
    Open();
    const std::wstring kept = ChannelViewSnapshot.FileName();
    CImage tool;
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    FormatId id = 0;
    ASSERT_TRUE(LoadMediaFile(tool, dir.File(L"cv.png").c_str(), error, &id));
    ASSERT_EQ(tool.GetBpp(), 32);
    EXPECT_TRUE(BlendAlphaOverBackground(tool, false));
    EXPECT_TRUE(Within(pixelcheck::ImageRgba(tool), Blended(OriginalRgba()), 1));
    EXPECT_TRUE(ChannelViewSnapshot.IsValid());
    EXPECT_EQ(std::wstring(ChannelViewSnapshot.FileName()), kept);
    Choose(IDM_CHANNEL_ALL);
    EXPECT_TRUE(Within(Shown(), OriginalRgba(), 0));

    ASSERT_FALSE(ChannelViewSnapshot.IsValid());
    ASSERT_TRUE(LoadMediaFile(tool, dir.File(L"cv.png").c_str(), error, &id));
    EXPECT_TRUE(BlendAlphaOverBackground(tool, false));
    EXPECT_FALSE(ChannelViewSnapshot.IsValid()) << "a tool's blend keeps nothing";

    CImage flat;
    ASSERT_TRUE(flat.CreateEmpty(4, 4, 24, RGB(1, 2, 3), nullptr));
    EXPECT_FALSE(BlendAlphaOverBackground(flat, false));
    EXPECT_EQ(flat.ScanLine(0)[0], 3);
}

// When the kept picture cannot be read back, nothing acts on the treatment
// shown instead: no save writes it, no edit or view is made from it.
TEST_F(ChannelViewTest, AnUnreadableKeptPictureIsNeitherSavedNorEditedAsShown) {
    Open();
    const Rgba shown = Shown();
    const std::vector<uint8_t> before = qrvtest::ReadAll(dir.File(L"cv.png"));
    ASSERT_TRUE(DeleteFileW(ChannelViewSnapshot.FileName()));

    qrvtest::MessageCapture capture;
    Command(IDM_QUICK_SAVE);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Unable to read the picture back from its temporary file!");
    EXPECT_TRUE(qrvtest::ReadAll(dir.File(L"cv.png")) == before) << "the file is left as it was";

    Command(IDM_ROTATE_RIGHT);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), kWidth);
    EXPECT_FALSE(UndoSnapshot.IsValid());
    Choose(IDM_CHANNEL_ALL);
    EXPECT_EQ(AppState::ChannelView, CHANNEL_ALPHA_BLENDED);
    EXPECT_TRUE(Within(Shown(), shown, 0));
}

namespace {

// Red, green, blue of the clipboard's bitmap, top row first (empty without one).
std::vector<uint8_t> ClipboardRgb(HWND owner, uint32_t* width) {
    std::vector<uint8_t> rgb;
    if (!OpenClipboard(owner)) return rgb;
    HBITMAP bitmap = (HBITMAP)GetClipboardData(CF_BITMAP);
    BITMAP info = {};
    if (bitmap && GetObjectW(bitmap, sizeof(info), &info)) {
        *width = (uint32_t)info.bmWidth;
        BITMAPINFO header = DirectBitmapInfo(info.bmWidth, -info.bmHeight, 32);
        std::vector<uint8_t> bgra((size_t)info.bmWidth * info.bmHeight * 4);
        HDC screen = GetDC(nullptr);
        GetDIBits(screen, bitmap, 0, (UINT)info.bmHeight, bgra.data(), &header, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        for (size_t i = 0; i < bgra.size(); i += 4) rgb.insert(rgb.end(), {bgra[i + 2], bgra[i + 1], bgra[i]});
    }
    CloseClipboard();
    return rgb;
}

}  // namespace

// Copy and cut in an alpha view take the picture's colours, not the view's
// treatment; the view is made again afterwards, and Undo of the cut gives the
// picture back.
TEST_F(ChannelViewTest, TheClipboardTakesThePictureInAnAlphaView) {
    Open();
    const Rgba original = OriginalRgba();
    std::vector<uint8_t> colours;
    for (size_t i = 0; i < original.size(); i += 4)
        colours.insert(colours.end(), original.begin() + i, original.begin() + i + 3);
    Choose(IDM_ALPHA_AS_IMAGE);
    const Rgba view = Shown();
    ASSERT_NE(view, original);

    ASSERT_TRUE(CopySelectionToClipboard(false, false));
    uint32_t width = 0;
    EXPECT_EQ(ClipboardRgb(window, &width), colours);
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(AppState::ChannelView, CHANNEL_ALPHA_AS_IMAGE);
    EXPECT_EQ(Shown(), view);

    ASSERT_TRUE(CopySelectionToClipboard(true, false));
    EXPECT_EQ(ClipboardRgb(window, &width), colours);
    Choose(IDM_CHANNEL_ALL);
    EXPECT_EQ(Shown(), Rgba(original.size(), 0));
    Command(IDM_UNDO);
    EXPECT_TRUE(Within(Shown(), original, 0));
    EXPECT_TRUE(AppState::ImageModified);
    SetRectEmpty(&AppState::Selection);
    OpenClipboard(window);
    EmptyClipboard();
    CloseClipboard();
}
