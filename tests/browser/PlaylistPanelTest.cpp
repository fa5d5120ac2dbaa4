// The playlist tab's panel in the real main window: the buttons' states, the
// moves of selected rows, Play and Stop, saving a new list through a file
// dialog of the test's own, choosing entries and sorting by a column.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <shlwapi.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/AppWindowTest.h"
#include "browser/PlaylistTesting.h"
#include "app/CommandTable.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/PlaylistFile.h"
#include "browser/ThumbnailDB.h"
#include "command_ids.h"
#include "image/Common.h"
#include "image/Registry.h"

namespace {

std::vector<bool> Rows(std::initializer_list<int> selected, int n) {
    std::vector<bool> rows((size_t)n);
    for (int i : selected) rows[(size_t)i] = true;
    return rows;
}

// A selected row passes only an unselected neighbour.
TEST(MoveSelectedRows, ASelectedRowPassesOnlyAnUnselectedOne) {
    struct Case {
        std::initializer_list<int> selected;
        bool up;
        std::initializer_list<int> after;
        std::vector<int> swaps;
    } cases[] = {
        {{0, 1}, true, {0, 1}, {}},     {{2, 3}, true, {1, 2}, {1, 2}},
        {{0, 2}, true, {0, 1}, {1}},    {{4}, true, {3}, {3}},
        {{3, 4}, false, {3, 4}, {}},    {{1, 2}, false, {2, 3}, {2, 1}},
        {{0, 4}, false, {1, 4}, {0}},   {{}, true, {}, {}},
        {{1, 3}, true, {0, 2}, {0, 2}},
    };
    for (const Case& c : cases) {
        std::vector<bool> rows = Rows(c.selected, 5);
        const std::vector<int> swaps = MoveSelectedRows(rows, c.up);
        EXPECT_EQ(rows, Rows(c.after, 5));
        EXPECT_EQ(swaps, c.swaps);
    }
}

std::vector<UINT> g_commands;
void RecordCommand(UINT id, bool) { g_commands.push_back(id); }

// What the fake save dialog saw and answers.
struct SaveAnswer {
    std::wstring offered;
    std::wstring initialFolder;
    std::wstring path;  // the name returned; empty: cancelled
    DWORD filter = 1;
};
SaveAnswer g_save;
BOOL WINAPI FakeSaveDialog(OPENFILENAMEW* request) {
    g_save.offered = request->lpstrFile;
    g_save.initialFolder = request->lpstrInitialDir ? request->lpstrInitialDir : L"";
    if (g_save.path.empty()) return FALSE;
    CopyStringW(request->lpstrFile, g_save.path.c_str(), request->nMaxFile);
    request->nFilterIndex = g_save.filter;
    return TRUE;
}

std::wstring g_added;  // the open dialog's answer: a folder, then names, double-ended
BOOL WINAPI FakeOpenDialog(OPENFILENAMEW* request) {
    if (g_added.empty()) return FALSE;
    memcpy(request->lpstrFile, g_added.data(), g_added.size() * sizeof(wchar_t));
    return TRUE;
}

class PlaylistPanelTest : public apptest::ShellWindowFixture {
protected:
    void SetUp() override {
        apptest::ShellWindowFixture::SetUp();
        SetThumbDBRootForTesting(dbRoot.Path().c_str());
        SetPlaylistFileDialogs(FakeOpenDialog, FakeSaveDialog);
        ClearPlaylist();
        for (const wchar_t* name : {L"a.bmp", L"b.bmp", L"c.bmp"})
            apptest::WriteSolidPicture(folder.File(name), 20, 10, RGB(0, 0, 200));
        AppState::BrowserTab = TAB_PLAYLIST;
        AppState::BrowserStyle = 1;
        ASSERT_TRUE(Browser.Open(folder.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, window));
        ASSERT_TRUE(PlaylistPanel.created);
        list = PlaylistPanel.list;
        ASSERT_EQ(Browser.playlistListWindow, list);
    }
    void TearDown() override {
        SetCommandRunHook(nullptr);
        SetPlaylistFileDialogs(nullptr, nullptr);
        Browser.Close();
        ClearPlaylist();
        AppState::BrowserTab = TAB_ALL_TYPES;
        apptest::ShellWindowFixture::TearDown();
        SetThumbDBRootForTesting(nullptr);
    }
    static void ClearPlaylist() { playlisttest::ClearPlaylist(); }
    // Entries named by the pictures in the folder (sizes as given) on the panel.
    void GiveEntries(std::initializer_list<const wchar_t*> names, std::initializer_list<uint32_t> sizes = {}) {
        auto size = sizes.begin();
        for (const wchar_t* name : names) {
            MediaFileEntry entry = {};
            CopyStringW(entry.name, folder.File(name).c_str());
            if (size != sizes.end()) entry.size = *size++;
            ASSERT_TRUE(AppendMediaFileEntry(&Playlist::Entries, entry, &Playlist::Count));
        }
        Playlist::Active = true;
        ASSERT_TRUE(PlaylistPanel.Refill());
    }
    void Click(int button) {
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), (LPARAM)PlaylistPanel.buttons[button]);
    }
    void Select(std::initializer_list<int> items) {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&state);
        for (int item : items) {
            state.state = LVIS_SELECTED;
            SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)item, (LPARAM)&state);
        }
    }
    std::vector<int> SelectedItems() const {
        std::vector<int> items;
        for (int i = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED); i >= 0;
             i = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)i, LVNI_SELECTED))
            items.push_back(i);
        return items;
    }
    std::vector<std::wstring> EntryNames() const {
        std::vector<std::wstring> names;
        for (int i = 0; i < Playlist::Count; ++i) names.push_back(PathFindFileNameW(Playlist::Entries[i].name));
        return names;
    }
    std::vector<bool> Enabled() const {
        std::vector<bool> enabled;
        for (HWND button : PlaylistPanel.buttons) enabled.push_back(IsWindowEnabled(button) != 0);
        return enabled;
    }

    qrvtest::TempDir folder, dbRoot;
    HWND list = nullptr;
};

TEST_F(PlaylistPanelTest, ButtonsFollowTheEntriesAndTheSelection) {
    EXPECT_EQ(Enabled(), (std::vector<bool>{true, false, false, false, false, false, false, false}));
    GiveEntries({L"a.bmp", L"b.bmp"});
    EXPECT_EQ(Enabled(), (std::vector<bool>{true, true, true, true, false, false, false, true}));
    Select({0, 1});
    EXPECT_EQ(Enabled(), (std::vector<bool>(8, true)));
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_TRUE(IsWindowVisible(PlaylistPanel.buttons[0]));
}

// Up and Down through the buttons move the entries with their rows.
TEST_F(PlaylistPanelTest, UpAndDownMoveTheSelectedEntries) {
    struct Case {
        std::initializer_list<int> selected;
        int button;
        std::vector<std::wstring> order;
        std::vector<int> after;
    } cases[] = {
        {{0, 1}, CPlaylistPanel::BTN_UP, {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"}, {0, 1}},
        {{2, 3}, CPlaylistPanel::BTN_UP, {L"a.bmp", L"c.bmp", L"d.bmp", L"b.bmp"}, {1, 2}},
        {{0}, CPlaylistPanel::BTN_DOWN, {L"b.bmp", L"a.bmp", L"c.bmp", L"d.bmp"}, {1}},
        {{2, 3}, CPlaylistPanel::BTN_DOWN, {L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"}, {2, 3}},
    };
    for (const Case& c : cases) {
        ClearPlaylist();
        GiveEntries({L"a.bmp", L"b.bmp", L"c.bmp", L"d.bmp"});
        Select(c.selected);
        Click(c.button);
        EXPECT_EQ(EntryNames(), c.order);
        EXPECT_EQ(SelectedItems(), c.after);
    }
}

TEST_F(PlaylistPanelTest, PlayStartsFromTheFirstEntryAndStopsAgain) {
    GiveEntries({L"a.bmp", L"b.bmp", L"c.bmp"});
    Playlist::Settings.Delay = 10;
    Click(CPlaylistPanel::BTN_PLAY);
    EXPECT_TRUE(Playlist::ShowRunning);
    EXPECT_EQ(Playlist::Settings.Delay, 5000);
    ASSERT_EQ(StepPlaylistShow(window), 1) << "the first step";
    EXPECT_EQ(Playlist::Current, 0);
    EXPECT_STREQ(PathFindFileNameW(AppState::CurrentFile), L"a.bmp");
    EXPECT_EQ(SelectedItems(), std::vector<int>{0}) << "the list shows the entry";
    EXPECT_TRUE(Playlist::ShowRunning) << "marking the entry does not stop the show";

    g_commands.clear();
    SetCommandRunHook(RecordCommand);
    Click(CPlaylistPanel::BTN_PLAY);
    SetCommandRunHook(nullptr);
    EXPECT_FALSE(Playlist::ShowRunning);
    EXPECT_FALSE(KillTimer(window, TIMER_PLAYLIST_SHOW));
    EXPECT_EQ(g_commands, std::vector<UINT>{ID_MEDIA_STOP});
}

TEST_F(PlaylistPanelTest, ANewListIsSavedUnderTheNameAndExtensionChosen) {
    CRegistry registry(HKEY_CURRENT_USER);
    registry.WriteDword(QRV_REGISTRY_KEY, L"CreateSlideShowDelay", 7000);
    registry.WriteDword(QRV_REGISTRY_KEY, L"CreateSlideShowDirection", 1);
    GiveEntries({L"a.bmp", L"b.bmp"});
    struct Case {
        DWORD filter;
        const wchar_t* typed;
        const wchar_t* written;
        const wchar_t* offered;
    } cases[] = {
        {2, L"mine.qrvlist", L"mine.m3u", L"MyPlayList"},
        {1, L"other", L"other.qrvlist", L"mine"},
    };
    for (const Case& c : cases) {
        g_save = SaveAnswer{};
        g_save.filter = c.filter;
        g_save.path = folder.File(c.typed);
        Click(CPlaylistPanel::BTN_SAVE);
        EXPECT_EQ(g_save.offered, c.offered);
        EXPECT_STREQ(Playlist::FilePath, folder.File(c.written).c_str());
        EXPECT_TRUE(PathFileExistsW(folder.File(c.written).c_str()));
    }
    EXPECT_EQ(Playlist::Settings.Delay, 7000) << "a new list takes the output's delay";
    EXPECT_EQ(Playlist::Settings.Direction, 1);
    wchar_t caption[MAX_PATH] = {};
    GetWindowTextW(PlaylistPanel.caption, caption, MAX_PATH);
    EXPECT_STREQ(caption, Playlist::FilePath);
    registry.Delete(QRV_REGISTRY_KEY, L"CreateSlideShowDelay");
    registry.Delete(QRV_REGISTRY_KEY, L"CreateSlideShowDirection");
}

TEST_F(PlaylistPanelTest, AddFilesAppendsTheChosenFiles) {
    g_added = folder.Path() + std::wstring(L"\0a.bmp\0c.bmp\0\0", 14);
    Click(CPlaylistPanel::BTN_ADD);
    EXPECT_EQ(EntryNames(), (std::vector<std::wstring>{L"a.bmp", L"c.bmp"}));
    EXPECT_GT(Playlist::Entries[0].size, 0u);
    EXPECT_TRUE(Playlist::Active);
    g_added = folder.File(L"b.bmp") + std::wstring(L"\0\0", 2);
    Click(CPlaylistPanel::BTN_ADD);
    EXPECT_EQ(EntryNames(), (std::vector<std::wstring>{L"a.bmp", L"c.bmp", L"b.bmp"}));
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
    g_added.clear();
}

TEST_F(PlaylistPanelTest, OneChosenItemOpensAndStopsTheShowTwoOpenNothing) {
    GiveEntries({L"a.bmp", L"b.bmp", L"c.bmp"});
    Playlist::ShowRunning = true;
    SetTimer(window, TIMER_PLAYLIST_SHOW, 60000, nullptr);
    Select({1});
    EXPECT_STREQ(PathFindFileNameW(AppState::CurrentFile), L"b.bmp");
    EXPECT_EQ(Playlist::Current, 1);
    EXPECT_FALSE(Playlist::ShowRunning);
    EXPECT_FALSE(KillTimer(window, TIMER_PLAYLIST_SHOW));

    LVITEMW state = {};
    state.stateMask = state.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 2, (LPARAM)&state);
    EXPECT_STREQ(PathFindFileNameW(AppState::CurrentFile), L"b.bmp") << "two selected open nothing";
    EXPECT_EQ(Playlist::Current, 1);
}

TEST_F(PlaylistPanelTest, TheSizeColumnClickedTwiceReversesTheOrder) {
    GiveEntries({L"a.bmp", L"b.bmp", L"c.bmp"}, {300, 100, 200});
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = list;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = 1;
    SendMessageW(window, WM_NOTIFY, 0, (LPARAM)&click);
    const std::vector<std::wstring> first = EntryNames();
    SendMessageW(window, WM_NOTIFY, 0, (LPARAM)&click);
    const std::vector<std::wstring> second = EntryNames();
    EXPECT_EQ(std::vector<std::wstring>(first.rbegin(), first.rend()), second);
    EXPECT_TRUE(first == (std::vector<std::wstring>{L"b.bmp", L"c.bmp", L"a.bmp"}) ||
                second == (std::vector<std::wstring>{L"b.bmp", L"c.bmp", L"a.bmp"}));
}

TEST_F(PlaylistPanelTest, TheListShowsPathSizeAndDate) {
    GiveEntries({L"a.bmp"}, {3 * 1048576});
    wchar_t text[MAX_PATH] = {};
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageW(list, LVM_GETITEMTEXTW, 0, (LPARAM)&item);
    EXPECT_EQ(std::wstring(text), folder.File(L"a.bmp"));
    item.iSubItem = 1;
    SendMessageW(list, LVM_GETITEMTEXTW, 0, (LPARAM)&item);
    EXPECT_STREQ(text, L"3.00 MB");
    Playlist::Entries[0].size = 10;
    SendMessageW(list, LVM_GETITEMTEXTW, 0, (LPARAM)&item);
    EXPECT_STREQ(text, L"0.01 MB");
}

TEST_F(PlaylistPanelTest, BurnAndRemoveButtons) {
    GiveEntries({L"a.bmp", L"b.bmp", L"c.bmp"});
    Playlist::ShowRunning = true;
    Click(CPlaylistPanel::BTN_BURN);
    EXPECT_FALSE(Playlist::ShowRunning);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(LOWORD(msg.wParam), IDM_CREATE_SLIDESHOW);

    Select({0, 2});
    Click(CPlaylistPanel::BTN_REMOVE);
    EXPECT_EQ(EntryNames(), std::vector<std::wstring>{L"b.bmp"});
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 1);
    Click(CPlaylistPanel::BTN_REMOVE_ALL);
    EXPECT_EQ(Playlist::Count, 0);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
    EXPECT_EQ(Enabled(), (std::vector<bool>{true, false, false, false, false, false, false, false}));
}

// The panel stands where the file list and the hidden rebar stand: the
// buttons' area on top, the list below it down to the list's bottom.
TEST_F(PlaylistPanelTest, ThePanelTakesTheListsAndTheRebarsPlace) {
    ASSERT_TRUE(Browser.Layout());
    RECT files = {}, area = {}, entries = {}, first = {}, last = {};
    GetWindowRect(Browser.fileListWindow, &files);
    GetWindowRect(PlaylistPanel.buttonArea, &area);
    GetWindowRect(list, &entries);
    GetWindowRect(PlaylistPanel.buttons[CPlaylistPanel::BTN_ADD], &first);
    GetWindowRect(PlaylistPanel.buttons[CPlaylistPanel::BTN_REMOVE_ALL], &last);
    EXPECT_EQ(area.bottom - area.top, 78);
    EXPECT_EQ(entries.top, area.bottom);
    EXPECT_EQ(entries.right - entries.left, files.right - files.left);
    EXPECT_EQ(entries.bottom - entries.top, files.bottom - files.top - 78 + Browser.rebarHeight);
    EXPECT_EQ(entries.bottom, files.bottom) << "the list reaches down to the file list's bottom";
    EXPECT_EQ(last.left - first.left, 450);
    EXPECT_EQ(last.top - first.top, 25);
    EXPECT_TRUE(IsWindowVisible(PlaylistPanel.buttonArea));
    EXPECT_FALSE(IsWindowVisible(Browser.fileListWindow));
}

}  // namespace
