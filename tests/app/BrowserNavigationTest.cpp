// The browser's navigation in the real main window: the tool bar, Up and
// Back, the address box, the recent folders it stores and the search dialog.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <algorithm>
#include <string>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "browser/AddressBar.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/ThumbnailLoader.h"
#include "browser/Search.h"
#include "support/ModalDriver.h"
#include "browser_ids.h"
#include "command_ids.h"

namespace {

class BrowserNavigation : public apptest::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        AppState::BrowserStyle = 1;  // report view: no thumbnail loader in these tests
        AppState::RecentFolderCount = 0;
    }
    void TearDown() override {
        if (Browser.open) Browser.Close();
        AppState::RecentFolderCount = 0;
        MainWindowFixture::TearDown();
    }
    bool Enabled(UINT id) { return SendMessageW(Browser.toolbar, TB_ISBUTTONENABLED, id, 0) != 0; }
    void Post(UINT id) {
        PostMessageW(window, WM_COMMAND, id, 0);
        qrvtest::Pump();
        qrvtest::Pump();
    }
    std::wstring Current() {
        wchar_t folder[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, folder);
        return folder;
    }
};

TEST_F(BrowserNavigation, ToolbarUpBackAndTheStoredRecentFolders) {
    qrvtest::TempDir dir;
    const std::wstring child = dir.File(L"Child");
    ASSERT_TRUE(CreateDirectoryW(child.c_str(), nullptr));
    ASSERT_TRUE(Browser.Open(child.c_str(), BROWSER_OPEN_GIVEN_PATH, window));
    ASSERT_NE(Browser.toolbar, nullptr);
    EXPECT_EQ(SendMessageW(Browser.toolbar, TB_BUTTONCOUNT, 0, 0), kBrowserToolbarButtonCount);
    EXPECT_GT(Browser.rebarHeight, 0);
    EXPECT_FALSE(Enabled(IDM_BROWSER_BACK));
    EXPECT_TRUE(Enabled(IDM_BROWSER_UP));
    EXPECT_FALSE(Enabled(IDM_BROWSER_DELETE));

    Post(IDM_BROWSER_UP);
    EXPECT_EQ(_wcsicmp(Current().c_str(), dir.Path().c_str()), 0);
    ASSERT_EQ(AppState::RecentFolderCount, 2);
    EXPECT_TRUE(Enabled(IDM_BROWSER_BACK));
    wchar_t shown[MAX_PATH] = {};
    SendMessageW(Browser.addressCombo, CB_GETLBTEXT, 0, (LPARAM)shown);
    EXPECT_EQ(_wcsicmp(shown, dir.Path().c_str()), 0);

    Post(IDM_BROWSER_BACK);
    EXPECT_EQ(_wcsicmp(Current().c_str(), child.c_str()), 0);

    // The address box's choice goes there.
    SendMessageW(Browser.addressCombo, CB_SETCURSEL, 1, 0);
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), (LPARAM)Browser.addressCombo);
    qrvtest::Pump();
    qrvtest::Pump();
    EXPECT_EQ(_wcsicmp(Current().c_str(), dir.Path().c_str()), 0);

    // Closing stores the list as BrowserDirCount and BrowserDirs1..n.
    Browser.Close();
    CRegistry registry(HKEY_CURRENT_USER);
    EXPECT_EQ(registry.ReadDword(QRV_REGISTRY_KEY, L"BrowserDirCount", 0), 2u);
    wchar_t first[MAX_PATH] = {};
    registry.ReadString(QRV_REGISTRY_KEY, L"BrowserDirs1", L"", first);
    EXPECT_EQ(_wcsicmp(first, dir.Path().c_str()), 0);
}

TEST_F(BrowserNavigation, RefreshWhileTheLoaderRunsIsLeftToTheLoader) {
    qrvtest::TempDir dir;
    ASSERT_TRUE(Browser.Open(dir.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, window));
    ThumbLoader::Running = true;
    Post(IDM_REFRESH);
    EXPECT_TRUE(ThumbLoader::GotoRequest);
    ThumbLoader::Running = false;
    ThumbLoader::GotoRequest = false;
    // A new file shows after a refresh.
    apptest::WriteSolidPicture(dir.File(L"new.bmp"), 4, 4, RGB(1, 2, 3));
    Post(IDM_REFRESH);
    ASSERT_EQ(FileList::Count, 1);
    EXPECT_STREQ(FileList::Entries[0].name, L"new.bmp");
}

TEST_F(BrowserNavigation, SearchFindsFilesOnlyAndGoToSelectsTheHit) {
    qrvtest::TempDir dir;
    for (const wchar_t* sub : {L"sub.a", L"sub.b", L"sub.c"}) CreateDirectoryW(dir.File(sub).c_str(), nullptr);
    apptest::WriteSolidPicture(dir.File(L"IMG_0001.JPG"), 8, 8, RGB(200, 10, 10));
    for (int i = 1; i <= 9; ++i)
        apptest::WriteSolidPicture(dir.File(L"photo" + std::to_wstring(i) + L".bmp"), 4, 4, RGB(i, i, i));
    ASSERT_TRUE(Browser.Open(dir.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, window));
    ASSERT_EQ(FileList::SubfolderCount, 3);
    ASSERT_EQ(FileList::Count, 10);

    auto hits = [](HWND dialog) { return (int)SendDlgItemMessageW(dialog, IDC_SEARCH_HITS, LB_GETCOUNT, 0, 0); };
    int withCase = -1, withoutCase = -1, everything = -1;
    bool gotoOffBefore = false;
    EXPECT_TRUE(qrvtest::DriveModal([&] { ShowSearchDialog(window); },
                                    [&](HWND dialog) {
                                        gotoOffBefore = !IsWindowEnabled(GetDlgItem(dialog, IDC_SEARCH_GOTO));
                                        SetDlgItemTextW(dialog, IDC_SEARCH_TEXT, L".");
                                        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                                        everything = hits(dialog);
                                        SetDlgItemTextW(dialog, IDC_SEARCH_TEXT, L"img");
                                        CheckDlgButton(dialog, IDC_SEARCH_MATCH_CASE, BST_CHECKED);
                                        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                                        withCase = hits(dialog);
                                        CheckDlgButton(dialog, IDC_SEARCH_MATCH_CASE, BST_UNCHECKED);
                                        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                                        withoutCase = hits(dialog);
                                        SendDlgItemMessageW(dialog, IDC_SEARCH_HITS, LB_SETCURSEL, 0, 0);
                                        SendMessageW(dialog, WM_COMMAND, IDC_SEARCH_GOTO, 0);
                                    }));
    EXPECT_TRUE(gotoOffBefore);
    EXPECT_EQ(everything, 10);  // every file, and no folder
    EXPECT_EQ(withCase, 0);
    EXPECT_EQ(withoutCase, 1);

    ASSERT_GE(FileList::Current, 0);
    EXPECT_STREQ(FileList::Entries[FileList::Current].name, L"IMG_0001.JPG");
    const int item = (int)SendMessageW(Browser.fileListWindow, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
    EXPECT_EQ(item, FileList::SubfolderCount + FileList::Current);
    const std::wstring shown = AppState::CurrentFile;
    EXPECT_NE(shown.find(L"IMG_0001.JPG"), std::wstring::npos) << qrvtest::Narrow(shown);
}

TEST_F(BrowserNavigation, TheMainWindowAnswersTheToolbarTipsAndTheListsInfoTips) {
    qrvtest::TempDir dir;
    CreateDirectoryW(dir.File(L"Folder").c_str(), nullptr);
    apptest::WriteSolidPicture(dir.File(L"shot.bmp"), 6, 5, RGB(9, 9, 9));
    ASSERT_TRUE(Browser.Open(dir.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, window));
    AppState::ToolBarShowToolTips = 1;
    NMTTDISPINFOW tip = {};
    tip.hdr.hwndFrom = Browser.toolbar;
    tip.hdr.idFrom = IDM_BROWSER_SEARCH;
    tip.hdr.code = TTN_GETDISPINFOW;
    SendMessageW(window, WM_NOTIFY, 0, (LPARAM)&tip);
    ASSERT_NE(tip.lpszText, nullptr);
    EXPECT_STREQ(tip.lpszText, L"Search (Ctrl+F)");

    auto infoTip = [&](int item) {
        wchar_t text[512] = {};
        NMLVGETINFOTIPW info = {};
        info.hdr.hwndFrom = Browser.fileListWindow;
        info.hdr.code = LVN_GETINFOTIPW;
        info.pszText = text;
        info.cchTextMax = 512;
        info.iItem = item;
        SendMessageW(window, WM_NOTIFY, 0, (LPARAM)&info);
        return std::wstring(text);
    };
    auto lines = [](const std::wstring& text) { return 1 + (int)std::count(text.begin(), text.end(), L'\n'); };
    const std::wstring folderTip = infoTip(0), fileTip = infoTip(1);
    EXPECT_EQ(lines(folderTip), 2) << qrvtest::Narrow(folderTip);
    EXPECT_EQ(folderTip.rfind(L"Folder\n", 0), 0u);
    EXPECT_EQ(lines(fileTip), 5) << qrvtest::Narrow(fileTip);
    EXPECT_EQ(fileTip.rfind(L"shot.bmp\n", 0), 0u);
    EXPECT_NE(fileTip.find(L" Pixel\n"), std::wstring::npos);
    // None on the playlist tab.
    AppState::BrowserTab = TAB_PLAYLIST;
    EXPECT_EQ(infoTip(1), L"");
    AppState::BrowserTab = TAB_ALL_TYPES;
}

TEST_F(BrowserNavigation, ANewFolderShowsInTheListAndTheTreeAndATypedPathIsVisited) {
    qrvtest::TempDir dir, other;
    ASSERT_TRUE(Browser.Open(dir.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, window));
    ASSERT_NE(Browser.folderTreeWindow, nullptr);
    EXPECT_EQ(FileList::SubfolderCount, 0);
    EXPECT_TRUE(
        qrvtest::DriveModal([&] { PostMessageW(window, WM_COMMAND, IDM_BROWSER_NEW_FOLDER, 0), qrvtest::Pump(); },
                            [&](HWND dialog) {
                                SetDlgItemTextW(dialog, IDC_NEW_FOLDER_NAME, L"Fresh");
                                SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                            }));
    qrvtest::Pump();
    qrvtest::Pump();
    EXPECT_TRUE(PathIsDirectoryW(dir.File(L"Fresh").c_str()));
    ASSERT_EQ(FileList::SubfolderCount, 1);
    EXPECT_STREQ(FileList::Subfolders[0].name, L"Fresh");
    HWND tree = Browser.folderTreeWindow;
    HTREEITEM selected = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    HTREEITEM child = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)selected);
    ASSERT_NE(child, nullptr);
    wchar_t text[MAX_PATH] = {};
    TVITEMW item = {};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = child;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&item);
    EXPECT_STREQ(item.pszText, L"Fresh");

    EXPECT_TRUE(
        qrvtest::DriveModal([&] { PostMessageW(window, WM_COMMAND, IDM_BROWSER_CHOOSE_FOLDER, 0), qrvtest::Pump(); },
                            [&](HWND dialog) {
                                SetDlgItemTextW(dialog, IDC_SELECT_PATH_EDIT, other.Path().c_str());
                                SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                            }));
    EXPECT_EQ(_wcsicmp(Current().c_str(), other.Path().c_str()), 0);
    EXPECT_EQ(_wcsicmp(AppState::RecentFolders[0], other.Path().c_str()), 0);
}

TEST_F(BrowserNavigation, TheFolderPaneChangesSidesAndTheBrowserStaysOnItsFolder) {
    qrvtest::TempDir dir;
    ASSERT_TRUE(Browser.Open(dir.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, window));
    const DWORD before = AppState::BrowserFolderViewOnTheLeft;
    RECT treeBefore, treeAfter;
    GetWindowRect(Browser.folderTreeWindow, &treeBefore);
    Post(IDM_BROWSER_FOLDER_PANE);
    EXPECT_EQ(AppState::BrowserFolderViewOnTheLeft, before ? 0 : 1);
    ASSERT_TRUE(Browser.IsShown());
    EXPECT_EQ(_wcsicmp(Current().c_str(), dir.Path().c_str()), 0);
    ASSERT_NE(Browser.folderTreeWindow, nullptr);
    GetWindowRect(Browser.folderTreeWindow, &treeAfter);
    EXPECT_NE(treeBefore.left, treeAfter.left);
}

}  // namespace
