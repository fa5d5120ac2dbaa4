// The folder browser inside the real main window: open, hide, show and close
// on a folder with subfolders, the tabs and the Configure tab, a click on a
// file, the menu's states, a close while the thumbnail loader runs, and the
// document icons of the report view.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/MainMenu.h"
#include "app/MainWindowIds.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/FileListView.h"
#include "browser/ThumbnailDB.h"
#include "browser/ThumbnailDBMaintenance.h"
#include "browser/ThumbnailLoader.h"
#include "command_ids.h"

namespace {

using qrvtest::TempDir;

// A folder of three subfolders, two pictures and a sound file.
class BrowserWindowTest : public apptest::MainWindowFixture {
protected:
    void SetUp() override {
        apptest::MainWindowFixture::SetUp();
        SetThumbDBRootForTesting(dbRoot.Path().c_str());
        AppState::BrowserTab = TAB_ALL_TYPES;
        AppState::BrowserLastFilterTab = -1;
        for (const wchar_t* sub : {L"alpha", L"beta", L"gamma"})
            ASSERT_TRUE(CreateDirectoryW(folder.File(sub).c_str(), nullptr));
        apptest::WriteSolidPicture(folder.File(L"red.bmp"), 40, 30, RGB(200, 0, 0));
        apptest::WriteSolidPicture(folder.File(L"green.bmp"), 40, 30, RGB(0, 200, 0));
        ASSERT_TRUE(qrvtest::WriteAll(folder.File(L"tune.wav"), "RIFF", 4));
    }
    void TearDown() override {
        Browser.Close();
        AppState::BrowserTab = TAB_ALL_TYPES;
        FileList::ScanBusy = false;
        apptest::MainWindowFixture::TearDown();
        SetThumbDBRootForTesting(nullptr);
    }
    bool OpenBrowser(int style) {
        AppState::BrowserStyle = style;
        return Browser.Open(folder.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, window);
    }
    // Lets a thumbnail loader run end and handles what it posted.
    void FinishLoader() {
        ASSERT_TRUE(WaitForThumbnailLoader(60000));
        qrvtest::Pump();
    }
    // Takes the waiting commands and private messages of the main window;
    // dispatches them when asked to.
    std::vector<MSG> TakePosted(bool dispatch) {
        std::vector<MSG> taken;
        MSG msg;
        while (PeekMessageW(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE) ||
               PeekMessageW(&msg, window, WM_APP, 0xBFFF, PM_REMOVE)) {
            taken.push_back(msg);
            if (dispatch) DispatchMessageW(&msg);
        }
        return taken;
    }
    static bool HasCommand(const std::vector<MSG>& messages, UINT id) {
        return std::any_of(messages.begin(), messages.end(),
                           [id](const MSG& m) { return m.message == WM_COMMAND && LOWORD(m.wParam) == id; });
    }
    // A tab chosen as a click on it chooses it.
    void SelectTab(int tab) {
        TabCtrl_SetCurSel(Browser.tabWindow, tab);
        NMHDR header = {Browser.tabWindow, (UINT_PTR)GetDlgCtrlID(Browser.tabWindow), TCN_SELCHANGE};
        SendMessageW(window, WM_NOTIFY, header.idFrom, (LPARAM)&header);
    }
    std::wstring ItemText(int item) {
        wchar_t text[MAX_PATH] = {};
        LVITEMW lv = {};
        lv.pszText = text;
        lv.cchTextMax = MAX_PATH;
        SendMessageW(Browser.fileListWindow, LVM_GETITEMTEXTW, item, (LPARAM)&lv);
        return text;
    }
    bool Grayed(UINT id) { return (GetMenuState(GetMenu(window), id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) != 0; }
    TempDir dbRoot, folder;
};

TEST_F(BrowserWindowTest, OpensHidesShowsAndClosesInBothViews) {
    for (int style : {0, 1}) {
        SCOPED_TRACE(style);
        ASSERT_TRUE(OpenBrowser(style));
        if (style == 0) FinishLoader();
        EXPECT_TRUE(Browser.IsShown());
        EXPECT_EQ(AppState::ViewMode, VIEW_BROWSER);
        EXPECT_EQ(lstrcmpiW(AppState::CurrentFolder, folder.Path().c_str()), 0);
        ASSERT_EQ(FileList::SubfolderCount, 3);
        ASSERT_EQ(FileList::Count, 3);
        HWND list = Browser.fileListWindow;
        ASSERT_TRUE(IsWindow(list));
        EXPECT_TRUE(IsWindowVisible(list));
        EXPECT_TRUE(IsWindowVisible(Browser.tabWindow));
        ASSERT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 6);
        // Subfolders first, then the files in the list's order.
        std::vector<std::wstring> folders = {ItemText(0), ItemText(1), ItemText(2)};
        std::sort(folders.begin(), folders.end());
        EXPECT_EQ(folders, (std::vector<std::wstring>{L"alpha", L"beta", L"gamma"}));
        for (int i = 0; i < 3; ++i) EXPECT_EQ(ItemText(3 + i), FileList::Entries[i].name);

        EXPECT_TRUE(Browser.Hide());
        EXPECT_TRUE(Browser.IsHidden());
        EXPECT_EQ(AppState::ViewMode, VIEW_VIEWER);
        EXPECT_FALSE(IsWindowVisible(list));
        EXPECT_FALSE(IsWindowVisible(Browser.tabWindow));

        Browser.Show();
        EXPECT_TRUE(Browser.IsShown());
        EXPECT_EQ(AppState::ViewMode, VIEW_BROWSER);
        EXPECT_TRUE(IsWindowVisible(list));

        EXPECT_TRUE(Browser.Close());
        EXPECT_FALSE(Browser.open);
        EXPECT_EQ(AppState::ViewMode, VIEW_VIEWER);
        EXPECT_EQ(Browser.fileListWindow, nullptr);
        EXPECT_FALSE(IsWindow(list));
        TakePosted(false);
    }
}

// In thumbnail view the items stand in the grid of the cell size, a caption's
// room below each row, however the list was sized and painted meanwhile.
TEST_F(BrowserWindowTest, ThumbnailsStandInTheGridWithRoomForTheirCaptions) {
    for (int i = 0; i < 6; ++i)
        apptest::WriteSolidPicture(folder.File(L"more" + std::to_wstring(i) + L".bmp"), 60, 40, RGB(0, i * 30, 90));
    const auto expectGrid = [this](const char* when) {
        SCOPED_TRACE(when);
        HWND list = Browser.fileListWindow;
        const int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
        ASSERT_EQ(count, 12);
        RECT client;
        GetClientRect(window, &client);
        const int available = client.right - AppState::BrowserThumbWindowWidth - 8;
        POINT expected = {4, 4};
        for (int i = 0; i < count; ++i) {
            POINT at = {};
            SendMessageW(list, LVM_GETITEMPOSITION, i, (LPARAM)&at);
            EXPECT_EQ(at.x, expected.x) << i;
            EXPECT_EQ(at.y, expected.y) << i;
            expected = NextGridPosition(expected, AppState::BrowserThumbnailWidth, AppState::BrowserThumbnailHeight,
                                        available);
        }
    };
    ASSERT_TRUE(OpenBrowser(0));
    FinishLoader();
    expectGrid("open");
    // A later size change keeps the grid.
    RECT frame;
    GetWindowRect(window, &frame);
    SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left - 40, frame.bottom - frame.top - 40,
                 SWP_NOMOVE | SWP_NOZORDER);
    qrvtest::Pump();
    expectGrid("resized");
    // A refresh makes the list again.
    SendMessageW(window, WM_COMMAND, IDM_REFRESH, 0);
    FinishLoader();
    expectGrid("refreshed");
}

TEST_F(BrowserWindowTest, PlaylistTabStartsNoLoaderAndOtherTabsBecomeAllTypes) {
    AppState::BrowserTab = TAB_PLAYLIST;
    ASSERT_TRUE(OpenBrowser(0));
    EXPECT_FALSE(ThumbLoader::Running);
    EXPECT_EQ(AppState::BrowserTab, TAB_PLAYLIST);
    EXPECT_FALSE(IsWindowVisible(Browser.fileListWindow));
    Browser.Close();

    AppState::BrowserTab = TAB_IMAGES;
    ASSERT_TRUE(OpenBrowser(0));
    EXPECT_EQ(AppState::BrowserTab, TAB_ALL_TYPES);
    EXPECT_TRUE(ThumbLoader::Running);  // it waits on this thread's answers
    FinishLoader();
}

TEST_F(BrowserWindowTest, ConfigureAndBackShowsTheListWithoutARescan) {
    ASSERT_TRUE(OpenBrowser(1));
    TakePosted(true);
    SelectTab(TAB_CONFIGURE);
    EXPECT_EQ(AppState::BrowserTab, TAB_CONFIGURE);
    EXPECT_FALSE(IsWindowVisible(Browser.fileListWindow));
    for (HWND control : Browser.configControls) EXPECT_TRUE(IsWindowVisible(control));
    EXPECT_FALSE(HasCommand(TakePosted(false), IDM_REFRESH));

    SelectTab(TAB_ALL_TYPES);  // the tab it came from
    EXPECT_TRUE(IsWindowVisible(Browser.fileListWindow));
    for (HWND control : Browser.configControls) EXPECT_FALSE(IsWindowVisible(control));
    EXPECT_FALSE(HasCommand(TakePosted(false), IDM_REFRESH));
    EXPECT_EQ(FileList::Count, 3);

    // Another filter tab rescans with its filter: the sound file goes.
    SelectTab(TAB_IMAGES);
    EXPECT_TRUE(HasCommand(TakePosted(true), IDM_REFRESH));
    EXPECT_EQ(FileList::Count, 2);
    EXPECT_EQ(SendMessageW(Browser.fileListWindow, LVM_GETITEMCOUNT, 0, 0), 5);

    // "Close Configuration" goes back to all types through a refresh.
    SelectTab(TAB_CONFIGURE);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), (LPARAM)Browser.configControls[1]);
    EXPECT_EQ(AppState::BrowserTab, TAB_ALL_TYPES);
    EXPECT_TRUE(HasCommand(TakePosted(true), IDM_REFRESH));
    EXPECT_EQ(FileList::Count, 3);
    EXPECT_TRUE(IsWindowVisible(Browser.fileListWindow));
    for (HWND control : Browser.configControls) EXPECT_FALSE(IsWindowVisible(control));
}

TEST_F(BrowserWindowTest, AClickOnAFilePostsItsFileIndexAndTheViewerShowsIt) {
    ASSERT_TRUE(OpenBrowser(1));
    TakePosted(true);
    HWND list = Browser.fileListWindow;
    const auto click = [list](int item) {
        RECT r = {};
        r.left = LVIR_LABEL;
        SendMessageW(list, LVM_GETITEMRECT, item, (LPARAM)&r);
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        // The button comes up at once: the list's drag detection ends there.
        PostMessageW(list, WM_LBUTTONUP, 0, at);
        SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    };
    // A subfolder opens nothing.
    click(1);
    std::vector<MSG> posted = TakePosted(false);
    EXPECT_TRUE(
        std::none_of(posted.begin(), posted.end(), [](const MSG& m) { return m.message == WM_APP_OPEN_LIST_ENTRY; }));

    click(4);  // the second file
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED), 4);
    posted = TakePosted(false);
    const auto open =
        std::find_if(posted.begin(), posted.end(), [](const MSG& m) { return m.message == WM_APP_OPEN_LIST_ENTRY; });
    ASSERT_NE(open, posted.end());
    EXPECT_EQ(open->wParam, 1u);
    DispatchMessageW(&*open);
    EXPECT_EQ(FileList::Current, 1);
    const std::wstring shown = AppState::CurrentFile;
    EXPECT_EQ(shown.substr(shown.find_last_of(L'\\') + 1), FileList::Entries[1].name);
}

TEST_F(BrowserWindowTest, MenuGraysTheBrowserCommandsWhileItIsHiddenAndDuringAScan) {
    ASSERT_TRUE(OpenBrowser(1));
    MainMenu.UpdateStates();
    for (UINT id : {IDM_REFRESH, IDM_SELECT_ALL, IDM_BROWSE, IDM_NEXT_MEDIA, IDM_DATABASE_MAINTENANCE})
        EXPECT_FALSE(Grayed(id)) << id;

    Browser.Hide();
    MainMenu.UpdateStates();
    for (UINT id : {IDM_REFRESH, IDM_SELECT_ALL}) EXPECT_TRUE(Grayed(id)) << id;
    EXPECT_FALSE(Grayed(IDM_BROWSE));

    Browser.Show();
    FileList::ScanBusy = true;
    MainMenu.UpdateStates();
    for (UINT id : {IDM_BROWSE, IDM_NEXT_MEDIA, IDM_PREVIOUS_MEDIA, IDM_RELOAD_MEDIA}) EXPECT_TRUE(Grayed(id)) << id;
    FileList::ScanBusy = false;
    MainMenu.UpdateStates();
    EXPECT_FALSE(Grayed(IDM_BROWSE));

    // Select All takes every file item, no subfolder.
    SendMessageW(window, WM_COMMAND, IDM_SELECT_ALL, 0);
    EXPECT_EQ(SendMessageW(Browser.fileListWindow, LVM_GETSELECTEDCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(Browser.fileListWindow, LVM_GETITEMSTATE, 0, LVIS_SELECTED), 0);
}

// The view commands of the menus and the list's context menu: the folder's
// own style, saved and deleted, and the default style.
TEST_F(BrowserWindowTest, StyleCommandsSwitchTheListAndWriteTheFolderStyle) {
    qrvtest::MessageCapture messages;
    ASSERT_TRUE(OpenBrowser(1));
    const auto listView = [] { return (DWORD)(GetWindowLongPtrW(Browser.fileListWindow, GWL_STYLE) & LVS_TYPEMASK); };
    ASSERT_EQ(listView(), (DWORD)LVS_REPORT);
    const std::wstring style = folder.File(L"browser.style");

    SendMessageW(window, WM_COMMAND, IDM_SAVE_THUMBNAIL_STYLE, 0);
    FinishLoader();
    EXPECT_EQ(qrvtest::ReadAll(style), (std::vector<unsigned char>{0, 0, 0, 0}));
    EXPECT_TRUE(GetFileAttributesW(style.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(AppState::BrowserListStyle, 0);
    EXPECT_EQ(listView(), (DWORD)LVS_ICON);
    EXPECT_EQ(AppState::BrowserStyle, 1);  // the default stays

    SendMessageW(window, WM_COMMAND, IDM_DELETE_FOLDER_STYLE, 0);
    EXPECT_FALSE(qrvtest::FileExists(style));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0], L"Specific Foldersyle deleted for folder: " + style);
    EXPECT_EQ(listView(), (DWORD)LVS_REPORT);  // back to the default

    SendMessageW(window, WM_COMMAND, IDM_BROWSER_THUMBNAILS, 0);
    FinishLoader();
    EXPECT_EQ(AppState::BrowserStyle, 0);
    EXPECT_EQ(listView(), (DWORD)LVS_ICON);
    EXPECT_TRUE(GetMenuState(GetMenu(window), IDM_BROWSER_THUMBNAILS, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(GetMenu(window), IDM_BROWSER_REPORT, MF_BYCOMMAND) & MF_CHECKED);
}

TEST_F(BrowserWindowTest, CloseDuringALoaderRunWaitsForItAndStoresNothing) {
    for (int i = 0; i < 8; ++i)
        apptest::WriteSolidPicture(folder.File(L"more" + std::to_wstring(i) + L".bmp"), 600, 400, RGB(i * 20, 0, 90));
    ASSERT_TRUE(OpenBrowser(0));
    ASSERT_TRUE(ThumbLoader::Running);
    HWND list = Browser.fileListWindow;
    EXPECT_TRUE(Browser.Close());
    EXPECT_FALSE(ThumbLoader::Running);
    EXPECT_FALSE(Browser.open);
    EXPECT_FALSE(IsWindow(list));
    EXPECT_EQ(AppState::ViewMode, VIEW_VIEWER);
    EXPECT_FALSE(ThumbLoader::AbortRequest);
    EXPECT_FALSE(ReadCachedFolderFigures(folder.Path().c_str()).readable);  // the run was cut short
    qrvtest::Pump();                                                        // nothing posted reopens anything
    EXPECT_FALSE(Browser.open);
}

TEST_F(BrowserWindowTest, ClosingTheWindowDuringALoaderRunWaitsForItsEnd) {
    ASSERT_TRUE(OpenBrowser(0));
    ASSERT_TRUE(ThumbLoader::Running);
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));  // recorded only
    EXPECT_TRUE(ThumbLoader::CloseRequest);
    FinishLoader();  // the loader posts the close when it stops
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(Browser.open);
}

TEST_F(BrowserWindowTest, RefreshDuringALoaderRunWaitsForItsEnd) {
    ASSERT_TRUE(OpenBrowser(0));
    ASSERT_TRUE(ThumbLoader::Running);
    SendMessageW(window, WM_COMMAND, IDM_REFRESH, 0);
    EXPECT_TRUE(ThumbLoader::GotoRequest);
    ASSERT_TRUE(WaitForThumbnailLoader(60000));
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, window, WM_APP_BROWSER_GOTO, WM_APP_BROWSER_GOTO, PM_NOREMOVE));
    qrvtest::Pump();
}

// Draws an icon on magenta into 16 x 16 pixels.
std::vector<uint32_t> IconPixels(HICON icon) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, dib);
    RECT all = {0, 0, 16, 16};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &all, magenta);
    DeleteObject(magenta);
    DrawIconEx(dc, 0, 0, icon, 16, 16, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + 256);
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
    return pixels;
}

TEST_F(BrowserWindowTest, ReportViewTakesItsIconsFromTheProgramsIconsFolder) {
    const std::wstring icons = ProgramIconsFolder();
    for (const wchar_t* name :
         {L"bmp.ico", L"dds.ico", L"tga.ico", L"gif.ico",   L"iff.ico",   L"jpg.ico",   L"jng.ico", L"emf.ico",
          L"mng.ico", L"ras.ico", L"sgi.ico", L"pcd.ico",   L"pcx.ico",   L"png.ico",   L"pnm.ico", L"ppp.ico",
          L"psd.ico", L"psp.ico", L"tif.ico", L"Image.ico", L"Video.ico", L"Sound.ico", L"mp3.ico", L"QrvList.ico"})
        EXPECT_TRUE(qrvtest::FileExists(icons + L"\\" + name)) << qrvtest::Narrow(name);

    ASSERT_TRUE(OpenBrowser(1));  // the current directory is the browsed folder, which has no icons
    HIMAGELIST images = (HIMAGELIST)SendMessageW(Browser.fileListWindow, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    ASSERT_NE(images, nullptr);
    const auto fromList = [images](int item) {
        HICON icon = ImageList_GetIcon(images, item, ILD_NORMAL);
        std::vector<uint32_t> pixels = IconPixels(icon);
        DestroyIcon(icon);
        return pixels;
    };
    const auto fromFile = [&icons](const wchar_t* name) {
        HICON icon = (HICON)LoadImageW(nullptr, (icons + L"\\" + name).c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE);
        EXPECT_NE(icon, nullptr) << qrvtest::Narrow(name);
        std::vector<uint32_t> pixels = icon ? IconPixels(icon) : std::vector<uint32_t>();
        if (icon) DestroyIcon(icon);
        return pixels;
    };
    for (int i = 0; i < FileList::Count; ++i) {
        const wchar_t* name = FileList::Entries[i].name;
        const wchar_t* expected = wcsstr(name, L".wav") ? L"Sound.ico" : L"bmp.ico";
        EXPECT_EQ(fromList(FileList::SubfolderCount + i), fromFile(expected)) << qrvtest::Narrow(name);
    }
    EXPECT_NE(fromFile(L"bmp.ico"), fromFile(L"Sound.ico"));
}

}  // namespace
