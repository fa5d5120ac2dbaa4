// The command table against the resources: every command of a menu, an
// accelerator or a tool bar has a row, every row is reachable, the row's
// predicate is what grays the menu item and what refuses the shortcut, and the
// player commands reach the player of the open format through CurrentPlayer().
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandState.h"
#include "app/CommandTable.h"
#include "app/ImageSnapshot.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/MainWindowIds.h"
#include "app/ShellLaunch.h"
#include "app_ids.h"
#include "browser/Browser.h"
#include "browser/FileList.h"
#include "command_ids.h"
#include "formats/Formats.h"
#include "media/AnimationBar.h"
#include "media/Players.h"
#include "support/TestSupport.h"

namespace {

// Every command id of a menu and its submenus.
void CollectMenuIds(HMENU menu, std::set<UINT>* ids) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
        ASSERT_TRUE(GetMenuItemInfoW(menu, (UINT)i, TRUE, &info));
        if (info.hSubMenu) CollectMenuIds(info.hSubMenu, ids);
        else if (!(info.fType & MFT_SEPARATOR)) ids->insert(info.wID);
    }
}

BOOL CALLBACK AddMenuName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR list) {
    auto* names = reinterpret_cast<std::vector<std::wstring>*>(list);
    if (IS_INTRESOURCE(name)) names->push_back(L"#" + std::to_wstring((UINT)(UINT_PTR)name));
    else names->push_back(name);
    return TRUE;
}

// The ids of every menu resource of the program, by menu name.
std::map<std::wstring, std::set<UINT>> MenuResourceIds() {
    HMODULE module = GetModuleHandleW(nullptr);
    std::vector<std::wstring> names;
    EnumResourceNamesW(module, RT_MENU, AddMenuName, reinterpret_cast<LONG_PTR>(&names));
    std::map<std::wstring, std::set<UINT>> menus;
    for (const std::wstring& name : names) {
        const wchar_t* id = name[0] == L'#' ? MAKEINTRESOURCEW(std::stoi(name.substr(1))) : name.c_str();
        HMENU menu = LoadMenuW(module, id);
        EXPECT_NE(menu, nullptr) << qrvtest::Narrow(name.c_str());
        if (!menu) continue;
        CollectMenuIds(menu, &menus[name]);
        DestroyMenu(menu);
    }
    return menus;
}

std::vector<ACCEL> AcceleratorKeys() {
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    EXPECT_NE(table, nullptr);
    if (!table) return {};
    std::vector<ACCEL> keys((size_t)CopyAcceleratorTableW(table, nullptr, 0));
    CopyAcceleratorTableW(table, keys.data(), (int)keys.size());
    DestroyAcceleratorTable(table);
    return keys;
}

bool InRecentRange(UINT id) { return id >= IDM_RECENT_FIRST && id <= IDM_RECENT_FOLDER_LAST; }
bool InOpenWithRange(UINT id) { return id >= IDM_OPEN_WITH_FIRST && id <= IDM_OPEN_WITH_LAST; }

}  // namespace

// Each id of a menu or an accelerator has exactly one row; each row's id is
// offered by a menu, an accelerator or a tool bar. The numbered ranges stay out
// of the table and clear of every row.
TEST(CommandTable, RowsMatchMenusAcceleratorsAndToolBars) {
    std::set<UINT> rows;
    for (const CommandRow& row : CommandTable()) {
        EXPECT_TRUE(rows.insert(row.id).second) << "two rows for " << row.id;
        EXPECT_FALSE(InRecentRange(row.id) || InOpenWithRange(row.id)) << "row inside a numbered range: " << row.id;
        EXPECT_EQ(FindCommandRow(row.id), &row) << row.id;
    }
    ASSERT_GT(rows.size(), 100u);

    std::set<UINT> offered;
    const auto menus = MenuResourceIds();
    for (const char* expected : {"THEMENU", "IMAGE", "VIDEO", "SOUND", "SELECTTOOLMENU", "ZOOM100POPUP",
                                 "SLIDESHOWPOPUP", "FILEOPERATIONPOPUP", "BROWSERCONFIGPOPUP", "SORTORDERCONFIGPOPUP",
                                 "BROWSERBATCHTOOLSPOPUP", "ALPHABLENDPOPUP", "CHEVRONMENU"})
        EXPECT_TRUE(menus.count(qrvtest::Widen(expected))) << expected;
    for (const auto& [name, ids] : menus) {
        for (UINT id : ids) {
            offered.insert(id);
            // The recent lists' popup holds only its placeholder from that range.
            if (name == L"CHEVRONMENU") {
                EXPECT_TRUE(InRecentRange(id)) << id;
                continue;
            }
            // The drop menu's items are choices its caller reads back, not commands;
            // the main tool bar's context menu is handled by the tool bar.
            if (name == L"DROPMENU" || name == L"TOOLBARPOPUP") continue;
            EXPECT_TRUE(rows.count(id)) << "menu " << qrvtest::Narrow(name.c_str()) << " item " << id << " has no row";
        }
    }
    for (const ACCEL& key : AcceleratorKeys()) {
        offered.insert(key.cmd);
        EXPECT_TRUE(rows.count(key.cmd)) << "shortcut " << key.cmd << " has no row";
    }
    for (UINT id : kMainToolBarCommands) {
        offered.insert(id);
        EXPECT_TRUE(rows.count(id)) << "main tool bar button " << id << " has no row";
    }
    for (UINT id : kBrowserToolBarCommands) {
        offered.insert(id);
        EXPECT_TRUE(rows.count(id)) << "browser tool bar button " << id << " has no row";
    }
    for (UINT id : rows) EXPECT_TRUE(offered.count(id)) << "row " << id << " is offered nowhere";
}

// The enabled state comes from the row alone: a row without a handler is never
// enabled, a row without a predicate is enabled whenever it has a handler.
TEST(CommandTable, EnabledStateFollowsTheRow) {
    for (const CommandRow& row : CommandTable()) {
        EXPECT_EQ(HasCommandHandler(row.id), row.run != nullptr) << row.id;
        const bool expected = row.run && (!row.enabled || row.enabled());
        EXPECT_EQ(IsCommandEnabled(row.id), expected) << row.id;
    }
    // No id outside the table is a command (the "Open with" list is empty).
    AppState::OpenWithCount = 0;
    for (UINT id : {0u, 1u, 199u, 40207u, (UINT)IDM_OPEN_WITH_FIRST, 65535u}) {
        EXPECT_EQ(FindCommandRow(id), nullptr) << id;
        EXPECT_FALSE(IsCommandEnabled(id)) << id;
    }
}

namespace {

// The window's state that a command run by mistake would change.
struct Observed {
    int toolMode, documentKind, viewMode, formatId;
    float zoom;
    uint32_t width, height;
    bool undo, redo, slideShow, toolbar, statusbar, tiles;
    bool operator==(const Observed&) const = default;
};

Observed Observe() {
    return {AppState::ToolMode,
            AppState::DocumentKind,
            AppState::ViewMode,
            AppState::CurrentFormatId,
            AppState::Zoom,
            AppState::CurrentImage.GetWidth(),
            AppState::CurrentImage.GetHeight(),
            UndoSnapshot.IsValid(),
            RedoSnapshot.IsValid(),
            AppState::SlideShowRunning != 0,
            AppState::GeneralShowToolbar != 0,
            AppState::GeneralShowStatusbar != 0,
            AppState::GeneralViewImageAsTiles != 0};
}

class CommandGuardTest : public apptest::MainWindowFixture {
protected:
    void TearDown() override {
        free(FileList::Entries);
        FileList::Entries = nullptr;
        FileList::Count = 0;
        AppState::CurrentImage.Destroy();
        AppState::DocumentKind = DOC_NONE;
        AppState::CurrentFormatId = FMT_UNKNOWN;
        UndoSnapshot.Discard();
        RedoSnapshot.Discard();
        MainWindowFixture::TearDown();
    }
};

}  // namespace

// In each state, every item of the menu bar is gray exactly when its row says
// the command may not run, and every shortcut of a gray command is refused
// without touching the window's state, whichever way it arrives.
TEST_F(CommandGuardTest, GrayedCommandsNeverRunFromTheirShortcuts) {
    struct State {
        const char* name;
        int documentKind;
        int formatId;
        bool image, list, undo;
    } states[] = {
        {"nothing open", DOC_NONE, FMT_UNKNOWN, false, false, false},
        {"picture from the folder", DOC_FILE, FMT_JPEG, true, true, true},
        {"new picture", DOC_NEW_IMAGE, FMT_UNKNOWN, true, false, false},
        {"failed load", DOC_LOAD_FAILED, FMT_PNG, true, true, false},
        {"video", DOC_FILE, FMT_VIDEO, true, true, false},
        {"sound without picture", DOC_FILE, FMT_SOUND, false, true, false},
    };
    const std::vector<ACCEL> keys = AcceleratorKeys();
    ASSERT_FALSE(keys.empty());
    for (const State& s : states) {
        SCOPED_TRACE(s.name);
        AppState::DocumentKind = s.documentKind;
        AppState::CurrentFormatId = s.formatId;
        AppState::CurrentImage.Destroy();
        if (s.image) { ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(6, 4, 24, 0, nullptr)); }
        free(FileList::Entries);
        FileList::Entries = nullptr;
        FileList::Count = 0;
        if (s.list) {
            FileList::Entries = (MediaFileEntry*)calloc(2, sizeof(MediaFileEntry));
            wcscpy(FileList::Entries[0].name, L"a.jpg");
            wcscpy(FileList::Entries[1].name, L"b.jpg");
            FileList::Count = 2;
            FileList::Current = 0;
        }
        UndoSnapshot.Discard();
        RedoSnapshot.Discard();
        if (s.undo) { ASSERT_TRUE(UndoSnapshot.Save()); }

        MainMenu.UpdateStates();
        HMENU bar = GetMenu(window);
        ASSERT_NE(bar, nullptr);
        std::set<UINT> items;
        CollectMenuIds(bar, &items);
        for (UINT id : items) {
            const bool gray = (GetMenuState(bar, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
            EXPECT_EQ(gray, !IsCommandEnabled(id)) << "menu item " << id;
        }
        for (const ACCEL& key : keys) {
            if (IsCommandEnabled(key.cmd)) continue;
            const Observed before = Observe();
            EXPECT_FALSE(RunCommand(window, key.cmd, 0)) << "shortcut " << key.cmd;
            // As the accelerator delivers it (notification code 1) and as a tool-bar click would.
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(key.cmd, 1), 0);
            qrvtest::Pump();
            EXPECT_TRUE(Observe() == before) << "shortcut " << key.cmd << " changed the window";
        }
    }
}

// Each player format has its player and every other format none; the current
// player follows the open format.
TEST(CurrentPlayer, OnePlayerPerPlayerFormat) {
    std::set<const CMediaPlayer*> seen;
    for (int id = 0; id < FMT_COUNT; ++id) {
        CMediaPlayer* player = PlayerForFormat(id);
        const CMediaPlayer* expected = id == FMT_VIDEO     ? &VideoPlayer
                                       : id == FMT_QTMOVIE ? static_cast<CMediaPlayer*>(&QuickTimePlayer)
                                       : id == FMT_SOUND   ? &SoundPlayer
                                                           : nullptr;
        EXPECT_EQ(player, expected) << id;
        if (player) seen.insert(player);
        AppState::CurrentFormatId = id;
        EXPECT_EQ(CurrentPlayer(), expected) << id;
    }
    EXPECT_EQ(seen.size(), 3u);
    AppState::CurrentFormatId = FMT_UNKNOWN;
}

// What the window asks of "the player" goes to the open format's player and
// no other: the mute check of the context menu and the minimum window size,
// for each player kind and for no player.
TEST(CurrentPlayer, WindowReachesThePlayerOfTheOpenFormat) {
    AppState::Instance = GetModuleHandleW(nullptr);
    struct Case {
        const wchar_t* file;
        int format;
        CMediaPlayer* player;
    } cases[] = {
        {L"C:\\x\\a.avi", FMT_VIDEO, &VideoPlayer},
        {L"C:\\x\\a.mov", FMT_QTMOVIE, &QuickTimePlayer},
        {L"C:\\x\\a.mp3", FMT_SOUND, &SoundPlayer},
        {L"C:\\x\\a.avi", FMT_UNKNOWN, nullptr},   // a video that failed to open
        {L"C:\\x\\a.mp3", FMT_PLAYLIST, nullptr},  // a playlist plays through no player of its own
    };
    CMediaPlayer* players[] = {&VideoPlayer, &QuickTimePlayer, &SoundPlayer};
    const RECT margins = {2, 3, 4, 5};
    for (const Case& c : cases) {
        CopyStringW(AppState::CurrentFile, c.file);
        AppState::CurrentFormatId = c.format;
        // Only one player is muted at a time: the check shows whose state was read.
        for (CMediaPlayer* muted : players) {
            for (CMediaPlayer* p : players) p->muted = p == muted ? 1 : 0;
            HMENU resource = nullptr;
            HMENU popup = BuildViewerContextMenu(false, &resource);
            ASSERT_NE(popup, nullptr);
            const bool checked = (GetMenuState(popup, ID_VOLUME_MUTE, MF_BYCOMMAND) & MF_CHECKED) != 0;
            EXPECT_EQ(checked, muted == c.player) << qrvtest::Narrow(c.file) << " format " << c.format;
            DestroyMenu(resource);
        }
        // A player's window has no minimum height of the picture's chrome.
        const POINT size = MinimumTrackSize(false, 300, c.format, 20, 20, 280, margins, 512);
        EXPECT_EQ(size.y == 0, c.player != nullptr) << c.format;
    }
    for (CMediaPlayer* p : players) p->muted = 0;
    AppState::CurrentFile[0] = 0;
    AppState::CurrentFormatId = FMT_UNKNOWN;
}

namespace {

// What reached the dispatch's handlers and the shell while a test ran, in order.
struct DispatchLog {
    std::vector<UINT> commands;
    struct Launch {
        std::wstring verb, file, parameters;
    };
    std::vector<Launch> launches;
};
DispatchLog* g_log = nullptr;

void RecordCommand(UINT id, bool) { g_log->commands.push_back(id); }

bool RecordLaunch(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters) {
    g_log->launches.push_back({verb ? verb : L"", file ? file : L"", parameters ? parameters : L""});
    return true;
}

class CommandDispatchTest : public CommandGuardTest {
protected:
    void SetUp() override {
        CommandGuardTest::SetUp();
        g_log = &log;
        SetShellLaunchHook(RecordLaunch);
    }
    void TearDown() override {
        SetCommandRunHook(nullptr);
        SetShellLaunchHook(nullptr);
        g_log = nullptr;
        AppState::OpenWithCount = 0;
        AnimationBar.Reset();
        CommandGuardTest::TearDown();
    }
    DispatchLog log;
};

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

// Every command of the menu bar, the context and drop-down menus and the
// accelerator table reaches a handler through WM_COMMAND, as a menu sends it
// and as an accelerator does: none falls through to a silent 0.
TEST_F(CommandDispatchTest, EveryMenuAndShortcutCommandReachesAHandler) {
    std::set<UINT> ids;
    for (const auto& [name, menuIds] : MenuResourceIds()) {
        if (name == L"CHEVRONMENU" || name == L"DROPMENU" || name == L"TOOLBARPOPUP")
            continue;  // not commands of the window (see above)
        ids.insert(menuIds.begin(), menuIds.end());
    }
    for (const ACCEL& key : AcceleratorKeys()) ids.insert(key.cmd);
    ASSERT_GT(ids.size(), 100u);
    SetCommandRunHook(RecordCommand);
    for (UINT id : ids) {
        for (WORD code : {(WORD)0, (WORD)1}) {
            log.commands.clear();
            EXPECT_EQ(SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, code), 0), 0);
            EXPECT_EQ(log.commands, std::vector<UINT>{id}) << "command " << id << " code " << code;
        }
    }
    EXPECT_TRUE(log.launches.empty());
}

// The "Open with" programs are taken before the table: their ids start the
// program with the current file and reach no row.
TEST_F(CommandDispatchTest, OpenWithProgramsGoFirst) {
    wchar_t program[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, program, MAX_PATH), 0u);
    CopyStringW(AppState::OpenWithPaths[0], program);
    CopyStringW(AppState::OpenWithDescs[0], L"Viewer");
    AppState::OpenWithCount = 1;
    SetCommandRunHook(RecordCommand);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_OPEN_WITH_FIRST, 0), 0);
    ASSERT_EQ(log.launches.size(), 1u);
    EXPECT_EQ(log.launches[0].verb, L"open");
    EXPECT_EQ(log.launches[0].file, program);
    EXPECT_TRUE(log.commands.empty());
    // The next id of the range has no program: nothing starts.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_OPEN_WITH_FIRST + 1, 0), 0);
    EXPECT_EQ(log.launches.size(), 1u);

    // Clearing the list forgets the program and says so; its id starts nothing more.
    SetCommandRunHook(nullptr);
    qrvtest::MessageCapture capture;
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_OPEN_WITH_CLEAR, 0), 0);
    EXPECT_EQ(AppState::OpenWithCount, 0);
    EXPECT_EQ(capture.messages, std::vector<std::wstring>{L"Successfully cleaned all stored program paths."});
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_OPEN_WITH_FIRST, 0), 0);
    EXPECT_EQ(log.launches.size(), 1u);
}

// The Help menu's pages and file go to the shell with the "open" verb: the
// add-ons page in German for a German language file, the update page with the
// version, the help file beside the program.
TEST_F(CommandDispatchTest, HelpCommandsLaunchTheSitePagesAndTheHelpFile) {
    struct Case {
        UINT id;
        const wchar_t* languageFile;
        const wchar_t* fileEnd;
    } cases[] = {
        {IDM_DOWNLOAD_ADDONS, L"C:\\Program Files\\Quorvane\\Languages\\German.ini", L"?to=addonsDE"},
        {IDM_DOWNLOAD_ADDONS, L"C:\\Program Files\\Quorvane\\Languages\\Hungarian.ini", L"?to=addons"},
        {IDM_DOWNLOAD_ADDONS, L"", L"?to=addons"},
        {IDM_CHECK_VERSION, L"", L"?to=update&VersionSupplied=1.02"},
        {IDM_HOMEPAGE, L"", kProgramSite},
        {IDM_HELP_CONTENT, L"", L"\\Help.chm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        CopyStringW(AppState::GeneralLanguageFile, c.languageFile);
        log.launches.clear();
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(c.id, 0), 0);
        ASSERT_EQ(log.launches.size(), 1u);
        EXPECT_EQ(log.launches[0].verb, L"open");
        EXPECT_TRUE(EndsWith(log.launches[0].file, c.fileEnd)) << qrvtest::Narrow(log.launches[0].file.c_str());
        if (c.id != IDM_HELP_CONTENT) { EXPECT_EQ(log.launches[0].file.rfind(kProgramSite, 0), 0u); }
        EXPECT_TRUE(log.launches[0].parameters.empty());
    }
    // A path that only mentions German elsewhere is not the German file.
    EXPECT_STREQ(AddonsPageQuery(L"C:\\German\\English.ini"), L"to=addons");
    // The launches take the window out of the topmost band.
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_HOMEPAGE, 0), 0);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

// 4:3 and 16:9 keep the width and take the height from it, dividing first.
TEST(VideoAspect, HeightFollowsTheWidth) {
    struct Case {
        int width, across, down;
        LONG cx, cy;
    } cases[] = {
        {640, 4, 3, 640, 480}, {642, 4, 3, 642, 480}, {642, 16, 9, 642, 360}, {640, 16, 9, 640, 360},
        {15, 16, 9, 15, 0},    {0, 4, 3, 0, 0},       {-5, 4, 3, 0, 0},
    };
    for (const Case& c : cases) {
        const SIZE size = AspectSize(c.width, c.across, c.down);
        EXPECT_EQ(size.cx, c.cx) << c.width << " " << c.across << ":" << c.down;
        EXPECT_EQ(size.cy, c.cy) << c.width << " " << c.across << ":" << c.down;
    }
}

// Alt+5 (4:3) on a still picture is refused: the picture keeps its size and
// pixels. On a video it makes the picture 4:3 of its width, and Alt+6 16:9.
TEST_F(CommandDispatchTest, AspectShortcutsChangeOnlyAVideo) {
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    BYTE keys[256] = {};
    const auto pressAlt = [&](char digit) {
        GetKeyboardState(keys);
        keys[VK_MENU] = 0x80;
        SetKeyboardState(keys);
        MSG msg = {window, WM_SYSKEYDOWN, (WPARAM)digit, 0x20000001};
        const int translated = TranslateAcceleratorW(window, table, &msg);
        keys[VK_MENU] = 0;
        SetKeyboardState(keys);
        qrvtest::Pump();
        return translated;
    };

    AppState::DocumentKind = DOC_FILE;
    AppState::CurrentFormatId = FMT_PNG;
    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(642, 300, 24, RGB(10, 200, 30), nullptr));
    std::vector<uint8_t> before(AppState::CurrentImage.bits,
                                AppState::CurrentImage.bits + AppState::CurrentImage.stride * 300);
    MainMenu.UpdateStates();
    EXPECT_FALSE(IsCommandEnabled(IDM_VIDEO_ASPECT_4_3));
    // As the shortcut would arrive were the menu not gray, and as the key does.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_VIDEO_ASPECT_4_3, 1), 0);
    EXPECT_NE(pressAlt('5'), 0);  // the key is the shortcut; the command is refused
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 642u);
    EXPECT_EQ(AppState::CurrentImage.GetHeight(), 300u);
    EXPECT_EQ(AppState::CurrentImage.GetBpp(), 24);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), AppState::CurrentImage.bits));

    // The same picture as a video's frame.
    AppState::CurrentFormatId = FMT_VIDEO;
    ASSERT_TRUE(AnimationBar.Init(ANIM_KIND_VIDEO, 1, 0, window, TIMER_ANIMATION_FRAME, false, false));
    ASSERT_TRUE(IsCommandEnabled(IDM_VIDEO_ASPECT_4_3));
    MainMenu.UpdateStates();  // the accelerator is not sent for a gray menu item
    EXPECT_NE(pressAlt('5'), 0);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 642u);
    EXPECT_EQ(AppState::CurrentImage.GetHeight(), 480u);
    EXPECT_NE(pressAlt('6'), 0);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 642u);
    EXPECT_EQ(AppState::CurrentImage.GetHeight(), 360u);
    DestroyAcceleratorTable(table);
}

// The sort and slide-show setting commands set their values and the menu
// checks the item of the value in force, and only that one.
TEST_F(CommandDispatchTest, SettingCommandsSetValuesAndCheckTheirItem) {
    HMENU bar = GetMenu(window);
    ASSERT_NE(bar, nullptr);
    const auto checked = [bar](UINT id) { return (GetMenuState(bar, id, MF_BYCOMMAND) & MF_CHECKED) != 0; };
    struct Sort {
        UINT id;
        int order, ascending;
    } sorts[] = {
        {IDM_SORT_SIZE_ASCENDING, 1, 1},
        {IDM_SORT_NAME_ASCENDING, 0, 1},
        {IDM_SORT_DATE_ASCENDING, 2, 1},
        {IDM_SORT_NAME_DESCENDING, 0, 0},
        {IDM_SORT_DATE_DESCENDING, 2, 0},
        {IDM_SORT_SIZE_DESCENDING, 1, 0},
        {IDM_SORT_NONE, 3, 0},
    };
    for (const Sort& s : sorts) {
        SendMessageW(window, WM_COMMAND, s.id, 0);
        EXPECT_EQ(AppState::GeneralSortOrder, s.order) << s.id;
        EXPECT_EQ(AppState::GeneralSortAscending, s.ascending) << s.id;
        EXPECT_EQ(SortOrderCommand(s.order, s.ascending != 0), s.id);
        for (UINT id : kSortOrderCommands) {
            if (GetMenuState(bar, id, MF_BYCOMMAND) == (UINT)-1) continue;  // "None" is in the browser's menu only
            EXPECT_EQ(checked(id), id == s.id) << "after " << s.id << " item " << id;
        }
    }
    for (UINT id : {IDM_SLIDESHOW_BACKWARD, IDM_SLIDESHOW_RANDOM, IDM_SLIDESHOW_FORWARD}) {
        SendMessageW(window, WM_COMMAND, id, 0);
        EXPECT_EQ(AppState::SlideShowDirection, (int)(id - IDM_SLIDESHOW_FORWARD));
        for (UINT other : {IDM_SLIDESHOW_FORWARD, IDM_SLIDESHOW_BACKWARD, IDM_SLIDESHOW_RANDOM})
            EXPECT_EQ(checked(other), other == id) << "after " << id << " item " << other;
    }
    const int fullscreen = AppState::SlideShowStartFullscreen;
    SendMessageW(window, WM_COMMAND, IDM_SLIDESHOW_FULLSCREEN, 0);
    EXPECT_NE(AppState::SlideShowStartFullscreen, fullscreen);
    EXPECT_EQ(checked(IDM_SLIDESHOW_FULLSCREEN), AppState::SlideShowStartFullscreen != 0);
    // The channel view in force is the one checked.
    for (int view = 0; view <= 6; ++view) {
        AppState::ChannelView = view;
        MainMenu.UpdateStates();
        EXPECT_EQ(ChannelViewOfCommand(ChannelViewCommand(view)), view);
        for (UINT id : kChannelViewCommands)
            EXPECT_EQ(checked(id), id == ChannelViewCommand(view)) << "view " << view << " item " << id;
    }
    AppState::ChannelView = 0;
}

// The fit commands on a tall picture: the whole picture and its height fit
// the display area, fitting the width lets the height run over.
TEST_F(CommandDispatchTest, FitCommandsFitTheChosenSide) {
    AppState::DocumentKind = DOC_FILE;
    AppState::CurrentFormatId = FMT_PNG;
    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(500, 3000, 24, 0, nullptr));
    const int screenW = GetSystemMetrics(SM_CXFULLSCREEN), screenH = GetSystemMetrics(SM_CYFULLSCREEN);
    AppState::FitPending = 0;  // the picture has been painted once
    MainMenu.UpdateStates();
    SendMessageW(window, WM_COMMAND, IDM_FIT_TO_AREA, 0);
    const float whole = AppState::Zoom;
    EXPECT_LT(whole, 1.0f);
    EXPECT_LE(whole * 3000, screenH);
    EXPECT_LE(whole * 500, screenW);
    SendMessageW(window, WM_COMMAND, IDM_FIT_TO_HEIGHT, 0);
    EXPECT_FLOAT_EQ(AppState::Zoom, whole);
    SendMessageW(window, WM_COMMAND, IDM_FIT_TO_WIDTH, 0);
    EXPECT_GT(AppState::Zoom * 3000, screenH);
    EXPECT_LE(AppState::Zoom * 500, screenW);
    EXPECT_GT(AppState::Zoom * 500, screenW - 100);
    // A sound has nothing to fit: the command is refused and the zoom stays.
    AppState::CurrentFormatId = FMT_SOUND;
    const float kept = AppState::Zoom;
    SendMessageW(window, WM_COMMAND, IDM_FIT_TO_AREA, 0);
    EXPECT_EQ(AppState::Zoom, kept);
}
