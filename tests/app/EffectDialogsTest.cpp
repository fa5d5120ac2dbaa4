#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <utility>

#include "app/AppState.h"
#include "app/EffectDialogs.h"
#include "app_effectdialogs_ids.h"
#include "image/Effects.h"
#include "image/ImageTestUtil.h"

using namespace imgtest;

// The Blur, Pixelize and Sharpen dialogs: sliders, edits, settings, and the
// effect run on the viewer image.
namespace {

int g_undoSaves = 0;

class EffectDialogs : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        saved_[0] = AppState::EffBlurRandomization;
        saved_[1] = AppState::EffBlurRepeatCount;
        saved_[2] = AppState::EffPixelizePixelWidth;
        saved_[3] = AppState::EffSharpenPercent;
        EffectServices services;
        services.saveUndoSnapshot = [] { ++g_undoSaves; };
        SetEffectServices(services);
        g_undoSaves = 0;
        ASSERT_TRUE(MakePattern(AppState::CurrentImage, 30, 20, 24));
    }
    void TearDown() override {
        AppState::EffBlurRandomization = saved_[0];
        AppState::EffBlurRepeatCount = saved_[1];
        AppState::EffPixelizePixelWidth = saved_[2];
        AppState::EffSharpenPercent = saved_[3];
        SetEffectServices(EffectServices{});
        AppState::CurrentImage.Destroy();
    }
    HWND Open(const wchar_t* name, DLGPROC proc) {
        HWND dlg = CreateDialogParamW(GetModuleHandleW(nullptr), name, nullptr, proc, 0);
        const DWORD error = GetLastError();
        EXPECT_NE(dlg, nullptr) << "error " << error << " resource "
                                << (FindResourceW(nullptr, name, (LPCWSTR)RT_DIALOG) != nullptr);
        return dlg;
    }
    static std::pair<int, int> Range(HWND dlg, int id) {
        HWND s = GetDlgItem(dlg, id);
        return {(int)SendMessageW(s, TBM_GETRANGEMIN, 0, 0), (int)SendMessageW(s, TBM_GETRANGEMAX, 0, 0)};
    }
    int saved_[4] = {};
};

TEST_F(EffectDialogs, SliderRangesAndInitialValues) {
    AppState::EffBlurRandomization = 40;
    AppState::EffBlurRepeatCount = 3;
    HWND blur = Open(L"EFF_BLURDLG", EffBlurDlgProc);
    ASSERT_NE(blur, nullptr);
    EXPECT_EQ(Range(blur, IDC_EFF_SLIDER1), std::make_pair(1, 100));
    EXPECT_EQ(Range(blur, IDC_EFF_SLIDER2), std::make_pair(1, 100));
    EXPECT_EQ(SendDlgItemMessageW(blur, IDC_EFF_SLIDER1, TBM_GETPOS, 0, 0), 40);
    EXPECT_EQ(GetDlgItemInt(blur, IDC_EFF_EDIT2, nullptr, TRUE), 3u);
    DestroyWindow(blur);

    HWND pix = Open(L"EFF_PIXELIZEDLG", EffPixelizeDlgProc);
    ASSERT_NE(pix, nullptr);
    EXPECT_EQ(Range(pix, IDC_EFF_SLIDER1), std::make_pair(1, 64));
    DestroyWindow(pix);
    HWND sharp = Open(L"EFF_SHARPENDLG", EffSharpenDlgProc);
    ASSERT_NE(sharp, nullptr);
    EXPECT_EQ(Range(sharp, IDC_EFF_SLIDER1), std::make_pair(1, 100));
    DestroyWindow(sharp);
}

TEST_F(EffectDialogs, SliderMovesCopyIntoEditAndSetting) {
    HWND dlg = Open(L"EFF_SHARPENDLG", EffSharpenDlgProc);
    ASSERT_NE(dlg, nullptr);
    HWND slider = GetDlgItem(dlg, IDC_EFF_SLIDER1);
    SendMessageW(slider, TBM_SETPOS, TRUE, 0);  // cannot go below 1
    SendMessageW(dlg, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), (LPARAM)slider);
    EXPECT_EQ(AppState::EffSharpenPercent, 1);
    EXPECT_EQ(GetDlgItemInt(dlg, IDC_EFF_EDIT1, nullptr, TRUE), 1u);
    DestroyWindow(dlg);
}

TEST_F(EffectDialogs, OkStoresTypedValuesAndRuns) {
    HWND dlg = Open(L"EFF_PIXELIZEDLG", EffPixelizeDlgProc);
    ASSERT_NE(dlg, nullptr);
    SetDlgItemInt(dlg, IDC_EFF_EDIT1, 5, TRUE);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(AppState::EffPixelizePixelWidth, 5);
    EXPECT_EQ(g_undoSaves, 1);
    EXPECT_EQ(Rgb24(AppState::CurrentImage, 0, 19), Rgb24(AppState::CurrentImage, 4, 15));
    DestroyWindow(dlg);

    // A typed value outside the slider's range is taken as it is.
    dlg = Open(L"EFF_SHARPENDLG", EffSharpenDlgProc);
    SetDlgItemInt(dlg, IDC_EFF_EDIT1, (UINT)-20, TRUE);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(AppState::EffSharpenPercent, -20);
    EXPECT_EQ(g_undoSaves, 2);
    DestroyWindow(dlg);

    // So is a text that is no number: it reads as 0, and the effect still runs.
    dlg = Open(L"EFF_BLURDLG", EffBlurDlgProc);
    SetDlgItemTextW(dlg, IDC_EFF_EDIT1, L"");
    SetDlgItemTextW(dlg, IDC_EFF_EDIT2, L"abc");
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(AppState::EffBlurRandomization, 0);
    EXPECT_EQ(AppState::EffBlurRepeatCount, 0);
    EXPECT_EQ(g_undoSaves, 3);
    DestroyWindow(dlg);
}

TEST_F(EffectDialogs, CancelChangesNothing) {
    auto before = Snapshot(AppState::CurrentImage);
    const int randomization = AppState::EffBlurRandomization;
    const int repeat = AppState::EffBlurRepeatCount;
    HWND dlg = Open(L"EFF_BLURDLG", EffBlurDlgProc);
    ASSERT_NE(dlg, nullptr);
    SetDlgItemInt(dlg, IDC_EFF_EDIT1, 7, TRUE);
    SetDlgItemInt(dlg, IDC_EFF_EDIT2, 9, TRUE);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(AppState::EffBlurRandomization, randomization);
    EXPECT_EQ(AppState::EffBlurRepeatCount, repeat);
    EXPECT_EQ(g_undoSaves, 0);
    EXPECT_EQ(Snapshot(AppState::CurrentImage), before);
    DestroyWindow(dlg);
}

}  // namespace
