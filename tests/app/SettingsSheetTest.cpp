// The settings sheet: its plain arithmetic (thumbnail cell, separators,
// compression rows, gamma text) and the real sheet over the main window,
// driven from a timer while it runs modally.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cwchar>
#include <functional>
#include <string>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/ColorChooser.h"
#include "app/FileAssociations.h"
#include "app/MainMenu.h"
#include "app/MainToolBar.h"
#include "app/SettingsSheet.h"
#include "app/Skin.h"
#include "app_settings_ids.h"
#include "browser/BrowserState.h"
#include "image/Common.h"
#include "image/Registry.h"
#include "support/ModalDriver.h"
#include "support/SettingsKeeper.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::Narrow;

// ---- plain values ----

TEST(SettingsSheetValues, ThumbnailCellIsClampedToItsRanges) {
    struct Case {
        ThumbnailCellSize typed, stored;
    } cases[] = {
        {{0, 0, -5}, {64, 64, 0}},      {{100000, 100000, 100000}, {224, 168, 16}},
        {{120, 90, 6}, {120, 90, 6}},   {{64, 168, 16}, {64, 168, 16}},
        {{225, 63, 17}, {224, 64, 16}},
    };
    for (const Case& c : cases) {
        const ThumbnailCellSize got = ClampThumbnailCell(c.typed);
        EXPECT_EQ(got.width, c.stored.width) << c.typed.width;
        EXPECT_EQ(got.height, c.stored.height) << c.typed.height;
        EXPECT_EQ(got.border, c.stored.border) << c.typed.border;
    }
}

TEST(SettingsSheetValues, PreviewCentresTheCellAndInsetsThePictureByTheBorder) {
    struct Case {
        ThumbnailCellSize size;
        RECT cell, inner;
    } cases[] = {
        {{64, 64, 16}, {80, 52, 144, 116}, {96, 68, 128, 100}},
        {{224, 168, 0}, {0, 0, 224, 168}, {0, 0, 224, 168}},
        {{224, 168, 6}, {0, 0, 224, 168}, {6, 6, 218, 162}},
        {{120, 90, 6}, {52, 39, 172, 129}, {58, 45, 166, 123}},
    };
    for (const Case& c : cases) {
        const ThumbnailPreviewLayout got = ComputeThumbnailPreview(c.size);
        EXPECT_TRUE(EqualRect(&got.cell, &c.cell)) << c.size.width << "x" << c.size.height;
        EXPECT_TRUE(EqualRect(&got.inner, &c.inner)) << c.size.width << "x" << c.size.height;
    }
    const ThumbnailPreviewLayout small = ComputeThumbnailPreview({64, 64, 16});
    EXPECT_EQ(small.inner.right - small.inner.left, 32);
    EXPECT_EQ(small.inner.bottom - small.inner.top, 32);
}

TEST(SettingsSheetValues, CompressionRowIsTheSettingLessOne) {
    EXPECT_EQ(CompressionSetting(0), 1);
    EXPECT_EQ(CompressionSetting(1), 2);
    EXPECT_EQ(CompressionComboRow(1), 0);
    EXPECT_EQ(CompressionComboRow(2), 1);
    // A value out of its range still selects a row.
    EXPECT_EQ(CompressionComboRow(0), 0);
    EXPECT_EQ(CompressionComboRow(7), 1);
}

TEST(SettingsSheetValues, SeparatorsFollowTheButtonsAroundThem) {
    struct Case {
        const char* name;
        std::initializer_list<int> used;  // positions of command buttons in use
        int separators[5];                // positions 3, 6, 13, 17, 20
    } cases[] = {
        {"nothing", {}, {0, 0, 0, 0, 0}},
        {"Open alone", {0}, {0, 0, 0, 0, 0}},
        {"Open and Browse", {0, 2}, {1, 0, 0, 0, 0}},
        {"Previous alone", {4}, {0, 0, 0, 0, 0}},
        {"Previous and Next", {4, 5}, {0, 1, 0, 0, 0}},
        {"Exit alone", {7}, {0, 0, 0, 0, 0}},
        {"Exit and Redo", {7, 12}, {0, 0, 1, 0, 0}},
        {"one zoom", {15}, {0, 0, 0, 0, 0}},
        {"two zooms", {14, 16}, {0, 0, 0, 1, 0}},
        {"File alone", {18}, {0, 0, 0, 0, 1}},
        {"Slideshow alone", {19}, {0, 0, 0, 0, 1}},
    };
    const int separatorPositions[5] = {3, 6, 13, 17, 20};
    for (const Case& c : cases) {
        int used[23] = {};
        for (int& flag : used) flag = 0;
        // Stale separator flags do not survive.
        for (int position : separatorPositions) used[position] = 1;
        for (int position : c.used) used[position] = 1;
        DeriveToolBarSeparators(used);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(used[separatorPositions[i]], c.separators[i]) << c.name << " at " << i;
    }
}

TEST(SettingsSheetValues, GammaTextAndLabelSetting) {
    wchar_t text[32];
    FormatGammaText(text, 32, 10);
    EXPECT_STREQ(text, L"1.00");
    FormatGammaText(text, 32, 0);
    EXPECT_STREQ(text, L"0.00");
    FormatGammaText(text, 32, 25);
    EXPECT_STREQ(text, L"2.50");
    EXPECT_EQ(ToolBarLabelsSetting(true, false, false), 0);
    EXPECT_EQ(ToolBarLabelsSetting(false, true, false), 2);
    EXPECT_EQ(ToolBarLabelsSetting(false, false, true), 1);
}

// ---- the sheet over the main window ----

HWND CurrentPage(HWND sheet) { return (HWND)SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0); }
int CurrentIndex(HWND sheet) { return (int)SendMessageW(sheet, PSM_HWNDTOINDEX, (WPARAM)CurrentPage(sheet), 0); }
HWND ShowPage(HWND sheet, int index) {
    SendMessageW(sheet, PSM_SETCURSEL, (WPARAM)index, 0);
    return CurrentPage(sheet);
}
void Press(HWND sheet, int button) { SendMessageW(sheet, PSM_PRESSBUTTON, (WPARAM)button, 0); }
void Click(HWND page, int id) {
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(page, id));
}
void SetCheck(HWND page, int id, bool checked) {
    CheckDlgButton(page, id, checked ? BST_CHECKED : BST_UNCHECKED);
    Click(page, id);
}
void SelectRow(HWND page, int id, int row) {
    SendDlgItemMessageW(page, id, CB_SETCURSEL, (WPARAM)row, 0);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)GetDlgItem(page, id));
}
int ComboRow(HWND page, int id) { return (int)SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0); }
std::wstring Text(HWND page, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(page, id, text, 512);
    return text;
}
// Types into an edit as the user does: the edit's change notice reaches the page.
void Type(HWND page, int id, const wchar_t* text) { SetDlgItemTextW(page, id, text); }

COLORREF g_chosenColor = 0;
bool ChooseFixedColor(HWND, COLORREF* color) {
    *color = g_chosenColor;
    return true;
}

// The colour of a pixel of the bitmap a static control shows.
COLORREF PictureColor(HWND page, int id, int x, int y) {
    HBITMAP bitmap = (HBITMAP)SendDlgItemMessageW(page, id, STM_GETIMAGE, IMAGE_BITMAP, 0);
    if (!bitmap) return CLR_INVALID;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF color = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return color;
}

SIZE PictureSize(HWND page, int id) {
    BITMAP info = {};
    HBITMAP bitmap = (HBITMAP)SendDlgItemMessageW(page, id, STM_GETIMAGE, IMAGE_BITMAP, 0);
    if (bitmap) GetObjectW(bitmap, sizeof(info), &info);
    return {info.bmWidth, info.bmHeight};
}

class SettingsSheetTest : public apptest::MainWindowFixture {
protected:
    void SetUp() override {
        apptest::MainWindowFixture::SetUp();
        SetChooseColorHook(ChooseFixedColor);
    }
    void TearDown() override {
        SetChooseColorHook(nullptr);
        for (const std::wstring& path : madeFiles_) DeleteFileW(path.c_str());
        AppState::RecentFolderCount = 0;
        apptest::MainWindowFixture::TearDown();
    }
    // Opens the sheet on startPage; script gets the sheet once it shows and
    // must close it.
    bool Run(int startPage, const std::function<void(HWND sheet)>& script) {
        return qrvtest::DriveModal([&] { ShowSettingsSheet(startPage); }, script);
    }
    // A skin of the program's "Skins" folder that holds only its ini: every
    // picture missing, every size 16.
    void MakeSkin(const wchar_t* name) {
        wchar_t path[MAX_PATH] = {};
        ASSERT_TRUE(Skin.GetSkinsFolder(path));
        std::wstring file = std::wstring(path) + L"\\" + name + L".ini";
        ASSERT_TRUE(WritePrivateProfileStringW(L"Skin", L"Name", name, file.c_str()));
        madeFiles_.push_back(file);
    }

private:
    std::vector<std::wstring> madeFiles_;
};

TEST_F(SettingsSheetTest, OpensOnTheAskedPage) {
    struct Case {
        int start;
        int control;  // a control only that page has
    } cases[] = {
        {SETTINGS_PAGE_ASSOCIATIONS, IDC_ASSOC_IMAGE_LIST},
        {SETTINGS_PAGE_PRESENTATION, IDC_PRESENTATION_DELAY_TRACK},
        {SETTINGS_PAGE_TOOLBAR, IDC_TOOLBAR_ZOOM_100},
        {SETTINGS_PAGE_GENERAL, IDC_GENERAL_OWNERDRAWN_MENU},
    };
    for (const Case& c : cases) {
        int index = -1;
        bool hasControl = false;
        std::wstring caption;
        ASSERT_TRUE(Run(c.start, [&](HWND sheet) {
            index = CurrentIndex(sheet);
            hasControl = GetDlgItem(CurrentPage(sheet), c.control) != nullptr;
            Press(sheet, PSBTN_CANCEL);
        })) << c.start;
        EXPECT_EQ(index, c.start);
        EXPECT_TRUE(hasControl) << c.start;
    }
}

TEST_F(SettingsSheetTest, OkStoresThePagesCancelOnlyColoursAndViewStyles) {
    for (const bool ok : {false, true}) {
        ResetSettingsToDefaults();
        g_chosenColor = RGB(1, 2, 3);
        bool alwaysOnTopShown = true;
        ASSERT_TRUE(Run(SETTINGS_PAGE_GENERAL, [&](HWND sheet) {
            HWND general = CurrentPage(sheet);
            alwaysOnTopShown = IsDlgButtonChecked(general, IDC_GENERAL_ALWAYS_ON_TOP) == BST_CHECKED;
            SetCheck(general, IDC_GENERAL_ALWAYS_ON_TOP, true);
            SetCheck(general, IDC_GENERAL_PLAY_MUSIC, false);
            HWND viewer = ShowPage(sheet, SETTINGS_PAGE_VIEWER);
            Click(viewer, IDC_VIEWER_BACKGROUND_BUTTON);
            SelectRow(viewer, IDC_VIEWER_MARKER_WIDTH, 4);
            HWND styles = ShowPage(sheet, SETTINGS_PAGE_VIEWSTYLE);
            Click(styles, IDC_VIEWSTYLE_VIEWER_5);
            Click(styles, IDC_VIEWSTYLE_PRESENTATION_1);
            HWND media = ShowPage(sheet, SETTINGS_PAGE_MEDIA);
            SetCheck(media, IDC_MEDIA_VIDEO_MUTE, true);
            Press(sheet, ok ? PSBTN_OK : PSBTN_CANCEL);
        }));
        EXPECT_FALSE(alwaysOnTopShown);
        // Taken at once, whichever button ends the sheet.
        EXPECT_EQ(AppState::ViewerClrBackground, (int)RGB(1, 2, 3)) << ok;
        EXPECT_EQ(AppState::ViewStyleViewer, 5) << ok;
        EXPECT_EQ(AppState::ViewStylePresentation, 1) << ok;
        EXPECT_EQ(AppState::ViewStyleBrowser, 4) << ok;
        // Taken only on OK.
        EXPECT_EQ(AppState::GeneralAlwaysOnTop, ok ? 1 : 0);
        EXPECT_EQ(AppState::GeneralPlayMusic, ok ? 0 : 1);
        EXPECT_EQ(AppState::ViewerRedMarkerWidth, ok ? 4 : 2);
        EXPECT_EQ(AppState::VideoMuteAudio, ok ? 1 : 0);
    }
}

TEST_F(SettingsSheetTest, CompressionRowsStoreOneAndTwo) {
    for (int row : {0, 1}) {
        AppState::BrowserCacheCompressionType = 2 - row;  // the other value
        int shown = -1;
        ASSERT_TRUE(Run(SETTINGS_PAGE_BROWSER, [&](HWND sheet) {
            HWND page = CurrentPage(sheet);
            shown = ComboRow(page, IDC_BROWSER_COMPRESSION);
            SelectRow(page, IDC_BROWSER_COMPRESSION, row);
            Press(sheet, PSBTN_OK);
        }));
        EXPECT_EQ(shown, 1 - row);
        EXPECT_EQ(AppState::BrowserCacheCompressionType, row + 1);
    }
}

TEST_F(SettingsSheetTest, TypedThumbnailSizesAreKeptInRange) {
    struct Case {
        const wchar_t *width, *height, *border;
        int storedWidth, storedHeight, storedBorder;
    } cases[] = {
        {L"0", L"0", L"0", 64, 64, 0},
        {L"100000", L"100000", L"100000", 224, 168, 16},
        {L"200", L"150", L"10", 200, 150, 10},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(Run(SETTINGS_PAGE_BROWSER, [&](HWND sheet) {
            HWND page = CurrentPage(sheet);
            Type(page, IDC_BROWSER_WIDTH_EDIT, c.width);
            Type(page, IDC_BROWSER_HEIGHT_EDIT, c.height);
            Type(page, IDC_BROWSER_BORDER_EDIT, c.border);
            Press(sheet, PSBTN_OK);
        }));
        EXPECT_EQ(AppState::BrowserThumbnailWidth, c.storedWidth) << Narrow(c.width);
        EXPECT_EQ(AppState::BrowserThumbnailHeight, c.storedHeight) << Narrow(c.height);
        EXPECT_EQ(AppState::BrowserThumbnailBorder, c.storedBorder) << Narrow(c.border);
    }
}

// Typing moves the trackbars and redraws the cell: 64 x 64 with a border of
// 16 leaves a 32 x 32 picture in the middle of the 224 x 168 preview.
TEST_F(SettingsSheetTest, PreviewFollowsTheTypedCell) {
    ASSERT_NE(GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_BTNFACE)) << "the preview's colours cannot be told apart";
    SIZE size = {};
    int widthTrack = 0;
    COLORREF centre = 0, ring = 0, outside = 0, innerEdge = 0;
    ASSERT_TRUE(Run(SETTINGS_PAGE_BROWSER, [&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        Type(page, IDC_BROWSER_WIDTH_EDIT, L"64");
        Type(page, IDC_BROWSER_HEIGHT_EDIT, L"64");
        Type(page, IDC_BROWSER_BORDER_EDIT, L"16");
        widthTrack = (int)SendDlgItemMessageW(page, IDC_BROWSER_WIDTH_TRACK, TBM_GETPOS, 0, 0);
        size = PictureSize(page, IDC_BROWSER_PREVIEW);
        centre = PictureColor(page, IDC_BROWSER_PREVIEW, 112, 84);
        innerEdge = PictureColor(page, IDC_BROWSER_PREVIEW, 97, 84);  // just inside the 32 x 32 frame
        ring = PictureColor(page, IDC_BROWSER_PREVIEW, 95, 84);       // between the cell and the picture
        outside = PictureColor(page, IDC_BROWSER_PREVIEW, 40, 84);
        Press(sheet, PSBTN_CANCEL);
    }));
    EXPECT_EQ(widthTrack, 64);
    EXPECT_EQ(size.cx, 224);
    EXPECT_EQ(size.cy, 168);
    EXPECT_EQ(centre, GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(innerEdge, GetSysColor(COLOR_3DLIGHT));
    EXPECT_EQ(ring, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(outside, GetSysColor(COLOR_BTNFACE));
    // Cancel keeps the stored size.
    EXPECT_EQ(AppState::BrowserThumbnailWidth, 120);
}

TEST_F(SettingsSheetTest, ClearListForgetsTheBrowsedFoldersAndDisablesItself) {
    CRegistry registry(HKEY_CURRENT_USER);
    registry.WriteDword(QRV_REGISTRY_KEY, L"BrowserDirCount", 2);
    registry.WriteString(QRV_REGISTRY_KEY, L"BrowserDirs1", L"C:\\one");
    registry.WriteString(QRV_REGISTRY_KEY, L"BrowserDirs2", L"C:\\two");
    CopyStringW(AppState::RecentFolders[0], L"C:\\one");
    CopyStringW(AppState::RecentFolders[1], L"C:\\two");
    AppState::RecentFolderCount = 2;
    bool enabledBefore = false, enabledAfter = true;
    ASSERT_TRUE(Run(SETTINGS_PAGE_BROWSER, [&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        enabledBefore = IsWindowEnabled(GetDlgItem(page, IDC_BROWSER_CLEAR_FOLDERS)) != FALSE;
        Click(page, IDC_BROWSER_CLEAR_FOLDERS);
        enabledAfter = IsWindowEnabled(GetDlgItem(page, IDC_BROWSER_CLEAR_FOLDERS)) != FALSE;
        Press(sheet, PSBTN_CANCEL);
    }));
    EXPECT_TRUE(enabledBefore);
    EXPECT_FALSE(enabledAfter);
    EXPECT_EQ(AppState::RecentFolderCount, 0);
    wchar_t text[MAX_PATH];
    for (const wchar_t* name : {L"BrowserDirs1", L"BrowserDirs2"}) {
        registry.ReadString(QRV_REGISTRY_KEY, name, L"<none>", text);
        EXPECT_STREQ(text, L"<none>") << Narrow(name);
    }
    EXPECT_EQ(registry.ReadDword(QRV_REGISTRY_KEY, L"BrowserDirCount", 77), 77u);

    // With nothing to clear the button starts disabled.
    ASSERT_TRUE(Run(SETTINGS_PAGE_BROWSER, [&](HWND sheet) {
        enabledBefore = IsWindowEnabled(GetDlgItem(CurrentPage(sheet), IDC_BROWSER_CLEAR_FOLDERS)) != FALSE;
        Press(sheet, PSBTN_CANCEL);
    }));
    EXPECT_FALSE(enabledBefore);
}

TEST_F(SettingsSheetTest, TypedDelayIsStoredBeyondTheTrackbar) {
    int track = 0;
    ASSERT_TRUE(Run(SETTINGS_PAGE_PRESENTATION, [&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        Type(page, IDC_PRESENTATION_DELAY_EDIT, L"50000");
        track = (int)SendDlgItemMessageW(page, IDC_PRESENTATION_DELAY_TRACK, TBM_GETPOS, 0, 0);
        Press(sheet, PSBTN_OK);
    }));
    EXPECT_EQ(track, 20000);
    EXPECT_EQ(AppState::SlideShowDelay, 50000);
}

TEST_F(SettingsSheetTest, MediaPageShowsGammaAndEnablesItsTrackbar) {
    std::wstring shown, moved;
    bool enabledAtStart = true, enabledAfterCheck = false;
    ASSERT_TRUE(Run(SETTINGS_PAGE_MEDIA, [&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        shown = Text(page, IDC_MEDIA_GAMMA_TEXT);
        enabledAtStart = IsWindowEnabled(GetDlgItem(page, IDC_MEDIA_GAMMA_TRACK)) != FALSE;
        SetCheck(page, IDC_MEDIA_GAMMA, true);
        enabledAfterCheck = IsWindowEnabled(GetDlgItem(page, IDC_MEDIA_GAMMA_TRACK)) != FALSE;
        SendDlgItemMessageW(page, IDC_MEDIA_GAMMA_TRACK, TBM_SETPOS, TRUE, 22);
        SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 22),
                     (LPARAM)GetDlgItem(page, IDC_MEDIA_GAMMA_TRACK));
        moved = Text(page, IDC_MEDIA_GAMMA_TEXT);
        Press(sheet, PSBTN_OK);
    }));
    EXPECT_EQ(shown, L"1.00");
    EXPECT_FALSE(enabledAtStart);
    EXPECT_TRUE(enabledAfterCheck);
    EXPECT_EQ(moved, L"2.20");
    EXPECT_EQ(AppState::ImageAdjustGammaAtLoadTime, 1);
    EXPECT_EQ(AppState::ImageAdjustGammaAtLoadTimeGamma, 22);
}

TEST_F(SettingsSheetTest, OwnerDrawOptionRebuildsTheMenuOnlyWhenChanged) {
    ASSERT_TRUE(MainMenu.created);
    HMENU before = GetMenu(window);
    // OK without a change keeps the menu.
    ASSERT_TRUE(Run(SETTINGS_PAGE_GENERAL, [&](HWND sheet) { Press(sheet, PSBTN_OK); }));
    EXPECT_EQ(GetMenu(window), before);

    ASSERT_TRUE(Run(SETTINGS_PAGE_GENERAL, [&](HWND sheet) {
        SetCheck(CurrentPage(sheet), IDC_GENERAL_OWNERDRAWN_MENU, false);
        Press(sheet, PSBTN_OK);
    }));
    EXPECT_EQ(AppState::GeneralOwnerdrawnMenu, 0);
    HMENU after = GetMenu(window);
    EXPECT_NE(after, before);
    ASSERT_NE(after, nullptr);
    // The new menu's popups are plain text now.
    HMENU file = GetSubMenu(after, 0);
    ASSERT_NE(file, nullptr);
    MENUITEMINFOW info = {sizeof(info)};
    info.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoW(file, 0, TRUE, &info));
    EXPECT_EQ(info.fType & MFT_OWNERDRAW, 0u);
}

TEST_F(SettingsSheetTest, ToolbarPageStoresButtonsAndDerivesSeparators) {
    ASSERT_TRUE(Run(SETTINGS_PAGE_TOOLBAR, [&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        const int all[] = {IDC_TOOLBAR_OPEN,      IDC_TOOLBAR_RELOAD,   IDC_TOOLBAR_BROWSE,
                           IDC_TOOLBAR_PREVIOUS,  IDC_TOOLBAR_NEXT,     IDC_TOOLBAR_EXIT,
                           IDC_TOOLBAR_SAVE,      IDC_TOOLBAR_PRINT,    IDC_TOOLBAR_ACQUIRE,
                           IDC_TOOLBAR_UNDO,      IDC_TOOLBAR_REDO,     IDC_TOOLBAR_ZOOM_IN,
                           IDC_TOOLBAR_ZOOM_100,  IDC_TOOLBAR_ZOOM_OUT, IDC_TOOLBAR_FILE_OPERATIONS,
                           IDC_TOOLBAR_SLIDESHOW, IDC_TOOLBAR_SETTINGS, IDC_TOOLBAR_ABOUT};
        for (int id : all) SetCheck(page, id, false);
        SetCheck(page, IDC_TOOLBAR_OPEN, true);
        SetCheck(page, IDC_TOOLBAR_FILE_OPERATIONS, true);
        CheckRadioButton(page, IDC_TOOLBAR_LABELS_NONE, IDC_TOOLBAR_LABELS_BELOW, IDC_TOOLBAR_LABELS_RIGHT);
        SelectRow(page, IDC_TOOLBAR_BACKGROUND, 1);
        Press(sheet, PSBTN_OK);
    }));
    const int expected[23] = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 0};
    for (int i = 0; i < 23; ++i) EXPECT_EQ(AppState::ToolBarBtnUsed[i], expected[i]) << "position " << i;
    EXPECT_EQ(AppState::ToolBarShowLabels, 2);
    EXPECT_EQ(AppState::ToolBarBackgroundType, 1);
    // The shown tool bar was built anew with the two buttons.
    ASSERT_TRUE(MainToolBar.created);
    EXPECT_EQ(SendMessageW(MainToolBar.toolbar, TB_COMMANDTOINDEX, IDM_RELOAD_MEDIA, 0), -1);
    EXPECT_NE(SendMessageW(MainToolBar.toolbar, TB_COMMANDTOINDEX, IDM_OPEN_MEDIA, 0), -1);
}

TEST_F(SettingsSheetTest, SameSkinInAnyCaseRebuildsNothing) {
    CopyStringW(AppState::SkinName, L"WIN2K");
    HWND toolbarBefore = MainToolBar.toolbar;
    HBITMAP menuStripBefore = MainMenu.coldBitmap;
    std::wstring selected, title;
    ASSERT_TRUE(Run(SETTINGS_PAGE_SKIN, [&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        qrvtest::Pump();  // the posted selection draws the preview
        selected = Text(page, IDC_SKIN_NAME);
        title = Text(page, IDC_SKIN_TITLE);
        Press(sheet, PSBTN_OK);
    }));
    EXPECT_EQ(selected, L"Win2K");
    EXPECT_EQ(title.rfind(L"Skin \"", 0), 0u) << Narrow(title);
    EXPECT_STREQ(AppState::SkinName, L"Win2K");
    EXPECT_EQ(MainToolBar.toolbar, toolbarBefore);
    EXPECT_EQ(MainMenu.coldBitmap, menuStripBefore);
}

TEST_F(SettingsSheetTest, AnotherSkinRebuildsTheShownBarsAndKeepsAHiddenToolBarHidden) {
    MakeSkin(L"QrvSheetPlain");
    for (const bool shown : {true, false}) {
        CopyStringW(AppState::SkinName, L"Win2K");
        Skin.Load(L"Win2K");
        if (!shown) SendMessageW(window, WM_COMMAND, IDM_SHOW_TOOLBAR, 0);
        ASSERT_EQ(MainToolBar.created, shown);
        ASSERT_EQ(AppState::GeneralShowToolbar, shown ? 1 : 0);
        HWND toolbarBefore = MainToolBar.toolbar;
        std::wstring sizes;
        ASSERT_TRUE(Run(SETTINGS_PAGE_SKIN, [&](HWND sheet) {
            HWND page = CurrentPage(sheet);
            HWND combo = GetDlgItem(page, IDC_SKIN_NAME);
            const int row = (int)SendMessageW(combo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)L"QrvSheetPlain");
            SelectRow(page, IDC_SKIN_NAME, row);
            sizes = Text(page, IDC_SKIN_PLAYER_SIZE);
            Press(sheet, PSBTN_OK);
        }));
        EXPECT_EQ(sizes, L"Size: 16x16 Pixel");
        EXPECT_STREQ(AppState::SkinName, L"QrvSheetPlain");
        EXPECT_STREQ(Skin.name, L"QrvSheetPlain");
        EXPECT_EQ(MainToolBar.created, shown);
        EXPECT_EQ(AppState::GeneralShowToolbar, shown ? 1 : 0);
        if (shown) {
            EXPECT_NE(MainToolBar.toolbar, toolbarBefore);
        } else {
            SendMessageW(window, WM_COMMAND, IDM_SHOW_TOOLBAR, 0);
        }
    }
    Skin.Load(L"Win2K");
}

// Every preview replaces the pictures of the last one and frees them, so
// repainting the page keeps the number of GDI objects.
TEST_F(SettingsSheetTest, SkinPreviewFreesThePicturesItReplaces) {
    const int pictures[] = {IDC_SKIN_TOOLBAR_PICTURE, IDC_SKIN_IMAGEBAR_PICTURE, IDC_SKIN_BROWSER_PICTURE,
                            IDC_SKIN_MENU_PICTURE, IDC_SKIN_PLAYER_PICTURE};
    int shownBefore = 0, freed = 0, shownAfter = 0;
    ASSERT_TRUE(Run(SETTINGS_PAGE_SKIN, [&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        qrvtest::Pump();
        HBITMAP before[5] = {};
        for (int i = 0; i < 5; ++i) {
            before[i] = (HBITMAP)SendDlgItemMessageW(page, pictures[i], STM_GETIMAGE, IMAGE_BITMAP, 0);
            shownBefore += before[i] != nullptr;
        }
        for (int repaint = 0; repaint < 3; ++repaint) {
            InvalidateRect(page, nullptr, TRUE);
            UpdateWindow(page);
        }
        for (int i = 0; i < 5; ++i) {
            HBITMAP now = (HBITMAP)SendDlgItemMessageW(page, pictures[i], STM_GETIMAGE, IMAGE_BITMAP, 0);
            shownAfter += now != nullptr;
            freed += before[i] && now != before[i] && GetObjectType(before[i]) == 0;
        }
        Press(sheet, PSBTN_CANCEL);
    }));
    EXPECT_EQ(shownBefore, 5);
    EXPECT_EQ(shownAfter, 5);
    EXPECT_EQ(freed, 5);
}

TEST_F(SettingsSheetTest, ColorSwatchReplacesItsPictureAndReportsAMissingControl) {
    qrvtest::MessageCapture capture;
    COLORREF painted = 0;
    bool oldFreed = false, missing = true;
    ASSERT_TRUE(Run(SETTINGS_PAGE_VIEWER, [&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        HBITMAP old = (HBITMAP)SendDlgItemMessageW(page, IDC_VIEWER_MARKER_SWATCH, STM_GETIMAGE, IMAGE_BITMAP, 0);
        SetColorSwatch(page, IDC_VIEWER_MARKER_SWATCH, RGB(0, 128, 255));
        painted = PictureColor(page, IDC_VIEWER_MARKER_SWATCH, 30, 10);
        oldFreed = old && GetObjectType(old) == 0;
        missing = SetColorSwatch(page, 4321, RGB(0, 0, 0));
        Press(sheet, PSBTN_CANCEL);
    }));
    EXPECT_EQ(painted, RGB(0, 128, 255));
    EXPECT_TRUE(oldFreed);
    EXPECT_FALSE(missing);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"no hwnd");
}

// ---- the Associations page, on scratch roots ----

#define SHEET_SCRATCH_KEY L"Software\\QuorvaneTests\\SheetAssociations"

class AssociationsPageTest : public SettingsSheetTest {
protected:
    HKEY classes = nullptr, user = nullptr;
    void SetUp() override {
        SettingsSheetTest::SetUp();
        RegistryDeleteTree(SHEET_SCRATCH_KEY, nullptr, HKEY_CURRENT_USER);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, SHEET_SCRATCH_KEY L"\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &classes, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, SHEET_SCRATCH_KEY L"\\User", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &user, nullptr),
                  ERROR_SUCCESS);
        SetAssociationPageRoots(classes, user);
    }
    void TearDown() override {
        SetAssociationPageRoots(nullptr, nullptr);
        SetAssociationStore(nullptr);
        if (classes) RegCloseKey(classes);
        if (user) RegCloseKey(user);
        RegistryDeleteTree(SHEET_SCRATCH_KEY, nullptr, HKEY_CURRENT_USER);
        SettingsSheetTest::TearDown();
    }
    static int Row(const wchar_t* name) { return FindFormatAssocRow(name) - FormatTableStart(ASSOC_IMAGES); }
    std::wstring Default(const wchar_t* key) {
        wchar_t text[MAX_PATH] = {};
        DWORD bytes = sizeof(text) - sizeof(wchar_t);
        if (RegGetValueW(classes, key, nullptr, RRF_RT_REG_SZ, nullptr, text, &bytes) != ERROR_SUCCESS)
            return L"<none>";
        return text;
    }
};

TEST_F(AssociationsPageTest, ShowsWhatIsHeldAndAppliesTheMarkedRows) {
    qrvtest::MessageCapture capture;
    AssociationStore store;
    ASSERT_TRUE(store.WriteString(classes, L".png", nullptr, L"Quorvane.PNG"));
    ASSERT_TRUE(store.WriteString(classes, QRV_BROWSE_DRIVE_KEY L"\\command", nullptr, L"x"));
    bool pngShown = false, jpgShown = true, drivesShown = false, foldersShown = true, allImages = true;
    int imageRows = 0, rowsAfterOk = -1;
    ASSERT_TRUE(Run(SETTINGS_PAGE_ASSOCIATIONS, [&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        HWND images = GetDlgItem(page, IDC_ASSOC_IMAGE_LIST);
        imageRows = ListView_GetItemCount(images);
        pngShown = ListView_GetCheckState(images, Row(L"PNG")) != FALSE;
        jpgShown = ListView_GetCheckState(images, Row(L"JPG")) != FALSE;
        drivesShown = IsDlgButtonChecked(page, IDC_ASSOC_DRIVES) == BST_CHECKED;
        foldersShown = IsDlgButtonChecked(page, IDC_ASSOC_FOLDERS) == BST_CHECKED;
        allImages = IsDlgButtonChecked(page, IDC_ASSOC_ALL_IMAGES) == BST_CHECKED;
        ListView_SetCheckState(images, Row(L"JPG"), TRUE);
        ListView_SetCheckState(images, Row(L"PNG"), FALSE);
        SetCheck(page, IDC_ASSOC_DRIVES, false);
        SetCheck(page, IDC_ASSOC_FOLDERS, true);
        Click(page, IDC_ASSOC_APPLY);
        Press(sheet, PSBTN_OK);
        rowsAfterOk = ListView_GetItemCount(images);
    }));
    EXPECT_EQ(imageRows, ASSOC_IMAGE_COUNT);
    EXPECT_TRUE(pngShown);
    EXPECT_FALSE(jpgShown);
    EXPECT_TRUE(drivesShown);
    EXPECT_FALSE(foldersShown);
    EXPECT_FALSE(allImages);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Successfully updated the file associations.");
    for (const wchar_t* extension : {L".jpg", L".jpe", L".jpeg", L".jif", L".jfif"})
        EXPECT_EQ(Default(extension), L"Quorvane.JPG") << Narrow(extension);
    EXPECT_EQ(Default(L".png"), L"pngfile");
    EXPECT_FALSE(KeyExists(classes, QRV_BROWSE_DRIVE_KEY));
    EXPECT_TRUE(KeyExists(classes, QRV_BROWSE_FOLDER_KEY L"\\command"));
    EXPECT_EQ(rowsAfterOk, 0);
}

TEST_F(AssociationsPageTest, CheckAllBoxesMarkEveryRowOfTheirList) {
    int checkedVideos = -1, checkedSounds = -1;
    ASSERT_TRUE(Run(SETTINGS_PAGE_ASSOCIATIONS, [&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        SetCheck(page, IDC_ASSOC_ALL_VIDEOS, true);
        HWND videos = GetDlgItem(page, IDC_ASSOC_VIDEO_LIST), sounds = GetDlgItem(page, IDC_ASSOC_SOUND_LIST);
        checkedVideos = checkedSounds = 0;
        for (int i = 0; i < ListView_GetItemCount(videos); ++i) checkedVideos += ListView_GetCheckState(videos, i) != 0;
        for (int i = 0; i < ListView_GetItemCount(sounds); ++i) checkedSounds += ListView_GetCheckState(sounds, i) != 0;
        Press(sheet, PSBTN_CANCEL);
    }));
    EXPECT_EQ(checkedVideos, ASSOC_VIDEO_COUNT);
    EXPECT_EQ(checkedSounds, 0);
    // Cancel wrote nothing.
    EXPECT_EQ(Default(L".avi"), L"<none>");
}

// Fails every write and delete.
class RefusingStore : public AssociationStore {
public:
    bool WriteString(HKEY, const wchar_t*, const wchar_t*, const wchar_t*) override { return false; }
    bool DeleteKey(HKEY, const wchar_t*) override { return false; }
    bool DeleteValue(HKEY, const wchar_t*, const wchar_t*) override { return false; }
};

TEST_F(AssociationsPageTest, AFailedWriteIsReportedInsteadOfSuccess) {
    qrvtest::MessageCapture capture;
    RefusingStore refusing;
    SetAssociationStore(&refusing);
    ASSERT_TRUE(Run(SETTINGS_PAGE_ASSOCIATIONS, [&](HWND sheet) {
        HWND page = CurrentPage(sheet);
        SetCheck(page, IDC_ASSOC_FOLDERS, true);
        Click(page, IDC_ASSOC_APPLY);
        Press(sheet, PSBTN_CANCEL);
    }));
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_NE(capture.messages[0], L"Successfully updated the file associations.");
    EXPECT_NE(capture.messages[0].find(QRV_BROWSE_FOLDER_KEY), std::wstring::npos) << Narrow(capture.messages[0]);
}

}  // namespace
