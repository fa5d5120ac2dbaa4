// The resize, canvas, new-image and adjust dialogs opened from the main
// window's commands and driven inside their modal loops: what they show, what
// OK stores and does, and that Cancel changes nothing.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/ColorChooser.h"
#include "app/ImageDialogs.h"
#include "app/ImageSnapshot.h"
#include "app/MediaDocument.h"
#include "app_imagedialogs_ids.h"
#include "command_ids.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/ImageTestUtil.h"
#include "support/ModalDriver.h"
#include "support/TestSupport.h"

using namespace imgtest;

namespace {

int g_colorAsked = 0;
bool ChooseGreenish(HWND, COLORREF* color) {
    ++g_colorAsked;
    *color = RGB(12, 200, 34);
    return true;
}

std::wstring Text(HWND dialog, int id) {
    wchar_t text[64] = {};
    GetDlgItemTextW(dialog, id, text, 64);
    return text;
}

void Type(HWND dialog, int id, const wchar_t* text) { SetDlgItemTextW(dialog, id, text); }

void Choose(HWND dialog, int id, int index) {
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, (WPARAM)index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)GetDlgItem(dialog, id));
}

void Press(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
}

// The colour of the sample's bitmap at its centre (CLR_INVALID without one).
COLORREF SampleColor(HWND dialog) {
    HBITMAP bitmap = (HBITMAP)SendDlgItemMessageW(dialog, IDC_IMG_COLOR_SAMPLE, STM_GETIMAGE, IMAGE_BITMAP, 0);
    if (!bitmap) return CLR_INVALID;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF color = GetPixel(dc, 20, 10);
    SelectObject(dc, old);
    DeleteDC(dc);
    return color;
}

class ImageDialogsTest : public apptest::MainWindowFixture {
protected:
    void SetUp() override {
        RegisterShellServices();
        MainWindowFixture::SetUp();
        CImage picture;
        ASSERT_TRUE(MakePattern(picture, 400, 300, 24));
        wchar_t error[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SaveImageFile(dir.File(L"a.bmp").c_str(), picture, error, SaveOptionsFromSettings()));
        SetCurrentDirectoryW(dir.Path().c_str());
        BuildFileList(L"a.bmp", dir.Path().c_str());
        ASSERT_TRUE(WaitForFileScan(10000));
        OpenMediaFile(dir.File(L"a.bmp").c_str());
        qrvtest::Pump();
        ASSERT_EQ(AppState::CurrentImage.GetWidth(), 400u);
        ASSERT_TRUE(original.Copy(AppState::CurrentImage));
        SetChooseColorHook(ChooseGreenish);
        g_colorAsked = 0;
    }
    void TearDown() override {
        SetChooseColorHook(nullptr);
        AppState::ImageModified = 0;
        UndoSnapshot.Discard();
        RedoSnapshot.Discard();
        MainWindowFixture::TearDown();
    }
    // Opens the command's dialog and runs script inside it.
    void Drive(UINT command, const std::function<void(HWND)>& script) {
        ASSERT_TRUE(qrvtest::DriveModal([&] { SendMessageW(window, WM_COMMAND, command, 0); }, script));
        qrvtest::Pump();
    }
    bool Unchanged() {
        CImage& image = AppState::CurrentImage;
        return image.GetWidth() == 400 && image.GetHeight() == 300 && Snapshot(image) == Snapshot(original) &&
               !UndoSnapshot.IsValid();
    }
    qrvtest::TempDir dir;
    CImage original;
};

}  // namespace

TEST_F(ImageDialogsTest, ResizeKeepsTheAspectAndStoresTheFilterOnOk) {
    AppState::ResizeScaleType = 1;
    AppState::ResizeConstrainProportions = 1;
    Drive(IDM_RESIZE, [](HWND dialog) {
        EXPECT_EQ(Text(dialog, IDC_IMG_WIDTH), L"400");
        EXPECT_EQ(Text(dialog, IDC_IMG_HEIGHT), L"300");
        EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_IMG_KEEP_ASPECT), (UINT)BST_CHECKED);
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_IMG_LIST, CB_GETCOUNT, 0, 0), 5);
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_IMG_LIST, CB_GETCURSEL, 0, 0), 4);  // whatever was stored
        Type(dialog, IDC_IMG_WIDTH, L"200");
        EXPECT_EQ(Text(dialog, IDC_IMG_HEIGHT), L"150");
        Type(dialog, IDC_IMG_HEIGHT, L"60");
        EXPECT_EQ(Text(dialog, IDC_IMG_WIDTH), L"80");
        Choose(dialog, IDC_IMG_LIST, 1);  // Bresenham
        Press(dialog, IDOK);
    });
    EXPECT_EQ(AppState::ResizeScaleType, 2);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 80u);
    EXPECT_EQ(AppState::CurrentImage.GetHeight(), 60u);
    EXPECT_TRUE(UndoSnapshot.IsValid());
    EXPECT_EQ(AppState::Zoom, 1.0f);
}

TEST_F(ImageDialogsTest, ResizeWithoutAspectAndCancel) {
    AppState::ResizeConstrainProportions = 1;
    AppState::ResizeScaleType = 3;
    Drive(IDM_RESIZE, [](HWND dialog) {
        CheckDlgButton(dialog, IDC_IMG_KEEP_ASPECT, BST_UNCHECKED);
        Press(dialog, IDC_IMG_KEEP_ASPECT);
        Type(dialog, IDC_IMG_WIDTH, L"123");
        EXPECT_EQ(Text(dialog, IDC_IMG_HEIGHT), L"300");
        Choose(dialog, IDC_IMG_LIST, 0);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(AppState::ResizeConstrainProportions, 0);  // the check box is followed at once
    EXPECT_EQ(AppState::ResizeScaleType, 3);
    EXPECT_TRUE(Unchanged());
}

TEST_F(ImageDialogsTest, NewImageStoresItsChoicesOnOkOnly) {
    AppState::CreateNewImageWidth = 40;
    AppState::CreateNewImageHeight = 30;
    AppState::CreateNewImageBpp = 2;
    AppState::CreateNewImageColor = RGB(255, 255, 255);
    Drive(IDM_NEW_IMAGE, [](HWND dialog) {
        EXPECT_EQ(Text(dialog, IDC_IMG_WIDTH), L"40");
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_IMG_LIST, CB_GETCURSEL, 0, 0), 2);
        EXPECT_EQ(SampleColor(dialog), RGB(255, 255, 255));
        Type(dialog, IDC_IMG_WIDTH, L"77");
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(AppState::CreateNewImageWidth, 40);
    EXPECT_TRUE(Unchanged());

    Drive(IDM_NEW_IMAGE, [](HWND dialog) {
        Press(dialog, IDC_IMG_COLOR_BUTTON);
        EXPECT_EQ(SampleColor(dialog), RGB(12, 200, 34));
        Type(dialog, IDC_IMG_WIDTH, L"25");
        Type(dialog, IDC_IMG_HEIGHT, L"7");
        Choose(dialog, IDC_IMG_LIST, 4);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(g_colorAsked, 1);
    EXPECT_EQ(AppState::CreateNewImageColor, (int)RGB(12, 200, 34));
    EXPECT_EQ(AppState::CreateNewImageWidth, 25);
    EXPECT_EQ(AppState::CreateNewImageHeight, 7);
    EXPECT_EQ(AppState::CreateNewImageBpp, 4);
    CImage& image = AppState::CurrentImage;
    ASSERT_EQ(image.GetWidth(), 25u);
    EXPECT_EQ(image.GetHeight(), 7u);
    EXPECT_EQ(image.GetBpp(), 24);
    EXPECT_EQ(Rgb24(image, 24, 6), 0x0CC822u);
    EXPECT_EQ(AppState::DocumentKind, DOC_NEW_IMAGE);
}

TEST_F(ImageDialogsTest, CanvasPlacesThePictureAtTheChosenAnchor) {
    AppState::ResizeCanvasPosition = 7;
    AppState::ResizeCanvasColor = RGB(255, 255, 255);
    Drive(IDM_RESIZE_CANVAS, [](HWND dialog) {
        EXPECT_EQ(Text(dialog, IDC_IMG_WIDTH), L"400");
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_IMG_ANCHOR, CB_GETCOUNT, 0, 0), 9);
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_IMG_ANCHOR, CB_GETCURSEL, 0, 0), 7);
        EXPECT_EQ(SampleColor(dialog), CLR_INVALID);  // empty until a colour is chosen
        qrvtest::MessageCapture capture;
        ShowColorSample(dialog, 4321, RGB(1, 2, 3));
        EXPECT_EQ(capture.messages, std::vector<std::wstring>{L"no hwnd"});
        Choose(dialog, IDC_IMG_ANCHOR, 0);
        Press(dialog, IDCANCEL);
    });
    EXPECT_EQ(AppState::ResizeCanvasPosition, 7);
    EXPECT_TRUE(Unchanged());

    Drive(IDM_RESIZE_CANVAS, [](HWND dialog) {
        Press(dialog, IDC_IMG_COLOR_BUTTON);
        Type(dialog, IDC_IMG_WIDTH, L"410");
        Type(dialog, IDC_IMG_HEIGHT, L"311");
        Choose(dialog, IDC_IMG_ANCHOR, 4);
        Press(dialog, IDOK);
    });
    EXPECT_EQ(AppState::ResizeCanvasPosition, 4);
    EXPECT_EQ(AppState::ResizeCanvasColor, (int)RGB(12, 200, 34));
    CImage& image = AppState::CurrentImage;
    ASSERT_EQ(image.GetWidth(), 410u);
    ASSERT_EQ(image.GetHeight(), 311u);
    EXPECT_EQ(Px(image, 5, 5), Px(original, 0, 0));
    EXPECT_EQ(Px(image, 404, 304), Px(original, 399, 299));
    EXPECT_EQ(Rgb24(image, 4, 5), 0x0CC822u);
    EXPECT_EQ(Rgb24(image, 405, 310), 0x0CC822u);
    EXPECT_TRUE(UndoSnapshot.IsValid());
}

TEST_F(ImageDialogsTest, AdjustAppliesTheSlidersOnOk) {
    Drive(IDM_BRIGHTNESS_CONTRAST, [](HWND dialog) {
        const struct {
            int id, low, high, position;
        } sliders[] = {
            {IDC_ADJ_BRIGHTNESS, -255, 255, 0}, {IDC_ADJ_CONTRAST, -100, 100, 0}, {IDC_ADJ_GAMMA, 0, 50, 10}};
        for (const auto& s : sliders) {
            EXPECT_EQ(SendDlgItemMessageW(dialog, s.id, TBM_GETRANGEMIN, 0, 0), s.low) << s.id;
            EXPECT_EQ(SendDlgItemMessageW(dialog, s.id, TBM_GETRANGEMAX, 0, 0), s.high) << s.id;
            EXPECT_EQ(SendDlgItemMessageW(dialog, s.id, TBM_GETPOS, 0, 0), s.position) << s.id;
        }
        EXPECT_EQ(Text(dialog, IDC_ADJ_GAMMA_VALUE), L"1.00");
        EXPECT_EQ(Text(dialog, IDC_ADJ_BRIGHTNESS_VALUE), L"00");
        HBITMAP preview = (HBITMAP)SendDlgItemMessageW(dialog, IDC_ADJ_PREVIEW, STM_GETIMAGE, IMAGE_BITMAP, 0);
        BITMAP info = {};
        ASSERT_TRUE(preview && GetObjectW(preview, sizeof(info), &info));
        EXPECT_EQ(info.bmWidth, 418);
        EXPECT_EQ(info.bmHeight, 314);
        SendDlgItemMessageW(dialog, IDC_ADJ_BRIGHTNESS, TBM_SETPOS, TRUE, 200);
        SendMessageW(dialog, WM_HSCROLL, 0, (LPARAM)GetDlgItem(dialog, IDC_ADJ_BRIGHTNESS));
        EXPECT_EQ(Text(dialog, IDC_ADJ_BRIGHTNESS_VALUE), L"200");
        Press(dialog, IDC_ADJ_DEFAULTS);
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_ADJ_BRIGHTNESS, TBM_GETPOS, 0, 0), 0);
        Press(dialog, IDCANCEL);
    });
    EXPECT_TRUE(Unchanged());

    Drive(IDM_BRIGHTNESS_CONTRAST, [](HWND dialog) {
        SendDlgItemMessageW(dialog, IDC_ADJ_BRIGHTNESS, TBM_SETPOS, TRUE, 40);
        SendDlgItemMessageW(dialog, IDC_ADJ_CONTRAST, TBM_SETPOS, TRUE, -30);
        SendDlgItemMessageW(dialog, IDC_ADJ_GAMMA, TBM_SETPOS, TRUE, 14);
        SendMessageW(dialog, WM_HSCROLL, 0, (LPARAM)GetDlgItem(dialog, IDC_ADJ_GAMMA));
        EXPECT_EQ(Text(dialog, IDC_ADJ_GAMMA_VALUE), L"1.40");
        EXPECT_EQ(Text(dialog, IDC_ADJ_CONTRAST_VALUE), L"-30");
        Press(dialog, IDOK);
    });
    CImage expected;
    ASSERT_TRUE(expected.Copy(original));
    ASSERT_TRUE(expected.Brightness(40) && expected.Contrast(-30) && expected.Gamma(1.4));
    EXPECT_EQ(Snapshot(AppState::CurrentImage), Snapshot(expected));
    EXPECT_EQ(LastAdjustValues().gammaTenths, 14);
    EXPECT_TRUE(UndoSnapshot.IsValid());
    SendMessageW(window, WM_COMMAND, 40079, 0);
    EXPECT_EQ(Snapshot(AppState::CurrentImage), Snapshot(original));
}
