// The address bar: the recent-folder list, Up, the tool bar's buttons and tips,
// the list's info tips, and the create-folder and path dialogs.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>
#include <iterator>
#include <string>

#include "app/AppState.h"
#include "app/FolderChooser.h"
#include "browser/AddressBar.h"
#include "browser/Browser.h"
#include "browser/BrowserServices.h"
#include "image/Registry.h"
#include "support/ModalDriver.h"
#include "support/TestSupport.h"
#include "browser_ids.h"
#include "command_ids.h"

namespace {

const wchar_t kScratchKey[] = L"Software\\Quorvane\\Tests\\RecentFolders";

struct ScratchKey {
    CRegistry registry{HKEY_CURRENT_USER};
    ScratchKey() { registry.Delete(kScratchKey, nullptr); }
    ~ScratchKey() { registry.Delete(kScratchKey, nullptr); }
};

std::wstring Folder(int i) { return L"C:\\Photos\\F" + std::to_wstring(i); }

TEST(RecentFolders, PushKeepsTheNewestHundredOnceEach) {
    static RecentFolderArray list;
    int count = 0;
    for (int i = 1; i <= 101; ++i) PushRecentFolder(list, count, Folder(i).c_str());
    EXPECT_EQ(count, 100);
    EXPECT_EQ(std::wstring(list[0]), Folder(101));
    EXPECT_EQ(std::wstring(list[99]), Folder(2));  // the oldest, F1, has left

    // The same folder in other case moves to the top once, and nothing drops out.
    PushRecentFolder(list, count, L"c:\\PHOTOS\\f50");
    EXPECT_EQ(count, 100);
    EXPECT_EQ(std::wstring(list[0]), L"c:\\PHOTOS\\f50");
    int seen = 0;
    for (int i = 0; i < count; ++i) seen += _wcsicmp(list[i], L"C:\\Photos\\F50") == 0;
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(std::wstring(list[1]), Folder(101));
    EXPECT_EQ(std::wstring(list[99]), Folder(2));

    // An empty path changes nothing.
    PushRecentFolder(list, count, L"");
    EXPECT_EQ(count, 100);
}

TEST(RecentFolders, StoredCountsAreClampedAndMissingEntriesReadTheDefault) {
    ScratchKey key;
    static RecentFolderArray list;
    const struct {
        DWORD stored;
        int loaded;
    } cases[] = {{150, 100}, {0xFFFFFFFF, 0}, {2, 2}, {0, 0}};
    for (const auto& c : cases) {
        key.registry.WriteDword(kScratchKey, L"BrowserDirCount", c.stored);
        int count = -5;
        LoadRecentFolderList(key.registry, kScratchKey, false, list, count);
        EXPECT_EQ(count, c.loaded) << c.stored;
    }
    key.registry.WriteDword(kScratchKey, L"BrowserDirCount", 2);
    key.registry.WriteString(kScratchKey, L"BrowserDirs1", L"D:\\Shots");
    int count = 0;
    LoadRecentFolderList(key.registry, kScratchKey, false, list, count);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(list[0], L"D:\\Shots");
    EXPECT_STREQ(list[1], L"C:\\Temp");
}

TEST(RecentFolders, SaveWritesCountAndNumberedEntriesThatLoadBack) {
    ScratchKey key;
    static RecentFolderArray list, loaded;
    int count = 0;
    PushRecentFolder(list, count, L"C:\\One");
    PushRecentFolder(list, count, L"C:\\Two");
    SaveRecentFolderList(key.registry, kScratchKey, false, list, count);
    EXPECT_EQ(key.registry.ReadDword(kScratchKey, L"BrowserDirCount", 99), 2u);
    wchar_t value[MAX_PATH];
    key.registry.ReadString(kScratchKey, L"BrowserDirs1", L"", value);
    EXPECT_STREQ(value, L"C:\\Two");
    int loadedCount = 0;
    LoadRecentFolderList(key.registry, kScratchKey, false, loaded, loadedCount);
    ASSERT_EQ(loadedCount, 2);
    EXPECT_STREQ(loaded[1], L"C:\\One");
}

TEST(RecentFolders, PrivacyReadsAndWritesNothing) {
    ScratchKey key;
    static RecentFolderArray list;
    int count = 0;
    PushRecentFolder(list, count, L"C:\\Secret");
    SaveRecentFolderList(key.registry, kScratchKey, true, list, count);
    EXPECT_EQ(key.registry.ReadDword(kScratchKey, L"BrowserDirCount", 77), 77u);

    key.registry.WriteDword(kScratchKey, L"BrowserDirCount", 1);
    key.registry.WriteString(kScratchKey, L"BrowserDirs1", L"C:\\Stored");
    LoadRecentFolderList(key.registry, kScratchKey, true, list, count);
    EXPECT_EQ(count, 1);
    EXPECT_STREQ(list[0], L"C:\\Secret");  // the list in memory stays as it was
}

TEST(BrowserUp, GoesToTheParentTheDriveRootAndTheDesktop) {
    const wchar_t* desktop = L"C:\\users\\me\\Desktop";
    const struct {
        const wchar_t* from;
        const wchar_t* to;  // null: Up stays
    } cases[] = {
        {L"C:\\A\\B", L"C:\\A"},
        {L"C:\\A", L"C:\\"},
        {L"C:\\", desktop},
        {L"7:\\", desktop},
        {L"C:\\users\\me\\Desktop", nullptr},
        {L"c:\\USERS\\me\\desktop", nullptr},
        {L"\\\\server\\share\\dir", L"\\\\server\\share"},
        {L"NoSlash", nullptr},
    };
    qrvtest::MessageCapture capture;
    for (const auto& c : cases) {
        wchar_t out[MAX_PATH] = L"unchanged";
        const bool moves = BrowserUpTarget(c.from, desktop, out);
        EXPECT_EQ(moves, c.to != nullptr) << c.from;
        if (c.to) EXPECT_STREQ(out, c.to) << c.from;
    }
    EXPECT_TRUE(capture.messages.empty());
}

TEST(BrowserUp, ADriveRootWithoutADesktopPathSaysSoAndStays) {
    qrvtest::MessageCapture capture;
    wchar_t out[MAX_PATH] = {};
    EXPECT_FALSE(BrowserUpTarget(L"C:\\", nullptr, out));
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Failed to retrieve Path for Desktopfolder!!");
    // Elsewhere the missing Desktop path does not matter.
    EXPECT_TRUE(BrowserUpTarget(L"C:\\A", nullptr, out));
    EXPECT_STREQ(out, L"C:\\");
}

TEST(BrowserToolbar, ButtonStates) {
    const wchar_t* desktop = L"C:\\Desk";
    const struct {
        int recent;
        const wchar_t* first;
        const wchar_t* desktop;
        bool upBefore;
        int selected;
        BrowserToolbarStates want;
    } cases[] = {
        {1, L"C:\\A", desktop, false, 0, {false, true, false, false}},
        {2, L"C:\\A", desktop, true, 1, {true, true, true, false}},
        {3, L"c:\\DESK", desktop, true, 2, {true, false, true, true}},
        {0, L"", desktop, false, 0, {false, true, false, false}},
        // Without a Desktop path Up keeps its state.
        {2, L"C:\\Desk", nullptr, false, 0, {true, false, false, false}},
        {2, L"C:\\Desk", nullptr, true, 0, {true, true, false, false}},
    };
    for (const auto& c : cases) {
        const BrowserToolbarStates s =
            ComputeBrowserToolbarStates(c.recent, c.first, c.desktop, c.upBefore, c.selected);
        EXPECT_EQ(s.back, c.want.back) << c.first << " " << c.recent;
        EXPECT_EQ(s.up, c.want.up) << c.first;
        EXPECT_EQ(s.fileOperations, c.want.fileOperations) << c.selected;
        EXPECT_EQ(s.batch, c.want.batch) << c.selected;
    }
}

TEST(BrowserToolbar, ButtonsInOrderWithTipsForEveryButton) {
    int buttons = 0;
    for (const BrowserToolbarButton& b : kBrowserToolbarButtons) {
        if (!b.id) continue;
        ASSERT_LT(buttons, (int)std::size(kBrowserToolBarCommands));
        EXPECT_EQ(b.id, kBrowserToolBarCommands[buttons]) << buttons;
        EXPECT_EQ(b.image, buttons);
        EXPECT_NE(BrowserToolbarTip(b.id), nullptr) << b.id;
        EXPECT_EQ(b.dropDown,
                  b.id == IDM_BROWSER_SORT_ORDER || b.id == IDM_BROWSER_CONFIGURE || b.id == IDM_BROWSER_BATCH);
        ++buttons;
    }
    EXPECT_EQ(buttons, 15);
    EXPECT_STREQ(BrowserToolbarTip(IDM_BROWSER_BACK), L"Go Back (Mouse-Backbutton)");
    EXPECT_STREQ(BrowserToolbarTip(IDM_BROWSER_DELETE), L"Delete selected Item(s)... (Delete)");
    EXPECT_EQ(BrowserToolbarTip(IDM_BROWSER_NEW_FOLDER + 1), nullptr);
    EXPECT_EQ(BrowserToolbarTip(IDM_REFRESH), nullptr);
}

TEST(BrowserToolbar, InfoTipsHaveTwoThreeOrFiveLinesWithoutTheLastBreak) {
    MediaFileEntry entry = {};
    wcscpy(entry.name, L"IMG_0001.JPG");
    entry.size = 2048;
    entry.width = 640;
    entry.height = 480;
    entry.bpp = 24;
    SYSTEMTIME when = {2024, 5, 0, 17, 12, 30, 0, 0};
    FILETIME local;
    SystemTimeToFileTime(&when, &local);
    LocalFileTimeToFileTime(&local, &entry.lastWrite);
    wchar_t date[64], bytes[64];
    FormatFileTime(date, &entry.lastWrite);
    FormatByteSize(bytes, 2048.0f);

    wchar_t tip[512];
    FormatFileInfoTip(entry, true, false, tip, 512);
    EXPECT_EQ(std::wstring(tip), std::wstring(L"IMG_0001.JPG\n") + date);
    FormatFileInfoTip(entry, false, true, tip, 512);
    EXPECT_EQ(std::wstring(tip), std::wstring(L"IMG_0001.JPG\n") + bytes + L"\n" + date);
    FormatFileInfoTip(entry, false, false, tip, 512);
    EXPECT_EQ(std::wstring(tip), std::wstring(L"IMG_0001.JPG\n640 x 480 Pixel\n24 Bit\n") + bytes + L"\n" + date);

    // Cut to the notification's buffer.
    wchar_t small[6];
    FormatFileInfoTip(entry, false, false, small, 6);
    EXPECT_STREQ(small, L"IMG_0");
}

// ---- the dialogs, under the display ----

struct CurrentDirectory {
    wchar_t saved[MAX_PATH];
    explicit CurrentDirectory(const std::wstring& path) {
        GetCurrentDirectoryW(MAX_PATH, saved);
        SetCurrentDirectoryW(path.c_str());
    }
    ~CurrentDirectory() { SetCurrentDirectoryW(saved); }
};

TEST(CreateFolderDialog, AnExistingFolderIsRefusedAndTheDialogStays) {
    qrvtest::TempDir dir;
    CreateDirectoryW(dir.File(L"Old").c_str(), nullptr);
    CurrentDirectory cd(dir.Path());
    qrvtest::MessageCapture capture;
    bool stayed = false;
    INT_PTR result = 0;
    EXPECT_TRUE(qrvtest::DriveModal([&] { result = ShowCreateFolderDialog(nullptr); },
                                    [&](HWND dialog) {
                                        SetDlgItemTextW(dialog, IDC_NEW_FOLDER_NAME, L"Old");
                                        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                                        stayed = IsWindow(dialog) && IsWindowVisible(dialog);
                                        SetDlgItemTextW(dialog, IDC_NEW_FOLDER_NAME, L"New");
                                        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                                    }));
    EXPECT_TRUE(stayed);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"The folder does exist already! Either type a new name or hit Cancel.");
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(PathIsDirectoryW(dir.File(L"New").c_str()));
}

TEST(CreateFolderDialog, AnInvalidNameFailsAndCancelEndsWithMinusOne) {
    qrvtest::TempDir dir;
    CurrentDirectory cd(dir.Path());
    qrvtest::MessageCapture capture;
    INT_PTR result = 0;
    EXPECT_TRUE(qrvtest::DriveModal([&] { result = ShowCreateFolderDialog(nullptr); },
                                    [&](HWND dialog) {
                                        SetDlgItemTextW(dialog, IDC_NEW_FOLDER_NAME, L"no\\such\\parent");
                                        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                                        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                                    }));
    EXPECT_EQ(result, -1);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0].rfind(L"Failed to create Directory!", 0), 0u);
}

bool ChooseTempFolder(HWND, const wchar_t*, std::wstring* path) {
    *path = L"C:\\windows";
    return true;
}

TEST(SelectPathDialog, RefusesANonFolderAndTakesTheChooser) {
    qrvtest::MessageCapture capture;
    const FolderChooserHook previous = SetFolderChooserHook(ChooseTempFolder);
    std::wstring typed;
    INT_PTR result = 0;
    EXPECT_TRUE(qrvtest::DriveModal([&] { result = ShowSelectPathDialog(nullptr); },
                                    [&](HWND dialog) {
                                        SetDlgItemTextW(dialog, IDC_SELECT_PATH_EDIT, L"C:\\no\\such\\folder");
                                        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                                        SendMessageW(dialog, WM_COMMAND, IDC_SELECT_PATH_BROWSE, 0);
                                        wchar_t text[MAX_PATH] = {};
                                        GetDlgItemTextW(dialog, IDC_SELECT_PATH_EDIT, text, MAX_PATH);
                                        typed = text;
                                        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                                    }));
    SetFolderChooserHook(previous);
    EXPECT_EQ(typed, L"C:\\windows");
    EXPECT_EQ(result, 1);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Please type a valid path or press Cancel.");
}

}  // namespace
