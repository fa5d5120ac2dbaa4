// The "Open with" list: adding, moving and storing programs as plain
// functions, the two dialogs driven through the main window's commands, the
// clear command and the file handed to a program.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/OpenWith.h"
#include "app_openwith_ids.h"
#include "browser/FileList.h"
#include "command_ids.h"
#include "support/ModalDriver.h"
#include "support/SettingsKeeper.h"
#include "support/TestSupport.h"

namespace {

// The test program itself: a path that exists.
std::wstring ExistingProgram() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

void FillList(int count) {
    for (int i = 0; i < count; ++i) {
        swprintf(AppState::OpenWithPaths[i], MAX_PATH, L"C:\\tools\\p%d.exe", i);
        swprintf(AppState::OpenWithDescs[i], MAX_PATH, L"Program %d", i);
    }
    AppState::OpenWithCount = count;
}

std::vector<std::wstring> Names(const std::vector<OpenWithRow>& rows) {
    std::vector<std::wstring> names;
    for (const OpenWithRow& row : rows) names.push_back(row.name);
    return names;
}

TEST(OpenWithList, AddChecksTheEntryBeforeItTakesAPlace) {
    qrvtest::SettingsKeeper keep;
    const std::wstring program = ExistingProgram();
    struct Case {
        int count;
        const wchar_t* path;  // null: the test program
        const wchar_t* name;
        bool added;
        int countAfter;
        int index;  // where the new program lands, or the entry that must be kept
    } cases[] = {
        {0, nullptr, L"Tool", true, 1, 0},
        {3, nullptr, L"Tool", true, 4, 3},
        {19, nullptr, L"Tool", true, 20, 19},
        {20, nullptr, L"Tool", true, 20, 19},  // a 21st replaces the 20th
        {20, L"C:\\no\\such\\program.exe", L"Tool", false, 20, 19},
        {20, nullptr, L"", false, 20, 19},
        {20, L"", L"Tool", false, 20, 19},
        {5, L"C:\\no\\such\\program.exe", L"Tool", false, 5, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        SCOPED_TRACE(qrvtest::Narrow(c.path ? c.path : L"<program>"));
        FillList(c.count);
        const std::wstring path = c.path ? c.path : program;
        EXPECT_EQ(AddOpenWithProgram(path.c_str(), c.name), c.added);
        EXPECT_EQ(AppState::OpenWithCount, c.countAfter);
        if (c.added) {
            EXPECT_EQ(std::wstring(AppState::OpenWithPaths[c.index]), program);
            EXPECT_STREQ(AppState::OpenWithDescs[c.index], c.name);
        } else {
            wchar_t kept[MAX_PATH];
            swprintf(kept, MAX_PATH, L"C:\\tools\\p%d.exe", c.index);
            EXPECT_STREQ(AppState::OpenWithPaths[c.index], kept);
            swprintf(kept, MAX_PATH, L"Program %d", c.index);
            EXPECT_STREQ(AppState::OpenWithDescs[c.index], kept);
        }
    }
    // The entries before the replaced one are untouched.
    FillList(20);
    ASSERT_TRUE(AddOpenWithProgram(program.c_str(), L"New"));
    EXPECT_STREQ(AppState::OpenWithDescs[18], L"Program 18");
}

TEST(OpenWithList, MovingRowsKeepsEndsAndBlocksInPlace) {
    struct Case {
        const char* selected;  // one mark per row: 'x' selected
        int direction;
        std::vector<std::wstring> order;
    } cases[] = {
        {"x...", -1, {L"a", L"b", L"c", L"d"}},  // the first row cannot go up
        {"...x", 1, {L"a", L"b", L"c", L"d"}},   // the last row cannot go down
        {".x..", -1, {L"b", L"a", L"c", L"d"}}, {".x..", 1, {L"a", L"c", L"b", L"d"}},
        {"xx.x", -1, {L"a", L"b", L"d", L"c"}},  // the block at the top stays in order
        {"x.xx", 1, {L"b", L"a", L"c", L"d"}},   // the block at the bottom stays in order
        {".xx.", -1, {L"b", L"c", L"a", L"d"}}, {".xx.", 1, {L"a", L"d", L"b", L"c"}},
        {"xxxx", 1, {L"a", L"b", L"c", L"d"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.selected) + (c.direction < 0 ? " up" : " down"));
        std::vector<OpenWithRow> rows = {{L"a", L"A"}, {L"b", L"B"}, {L"c", L"C"}, {L"d", L"D"}};
        for (size_t i = 0; i < rows.size(); ++i) rows[i].selected = c.selected[i] == 'x';
        MoveOpenWithRows(rows, c.direction);
        EXPECT_EQ(Names(rows), c.order);
        for (const OpenWithRow& row : rows) {
            // Each row keeps its path and its selection.
            EXPECT_EQ(row.path, std::wstring(1, (wchar_t)towupper(row.name[0])));
            EXPECT_EQ(row.selected, c.selected[row.name[0] - L'a'] == 'x');
        }
    }
}

TEST(OpenWithList, StoringRowsSetsTheCountAndTheEntries) {
    qrvtest::SettingsKeeper keep;
    FillList(5);
    std::vector<OpenWithRow> rows = OpenWithRows();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[4].path, L"C:\\tools\\p4.exe");
    std::swap(rows[0], rows[4]);
    rows.pop_back();
    StoreOpenWithRows(rows);
    EXPECT_EQ(AppState::OpenWithCount, 4);
    EXPECT_STREQ(AppState::OpenWithDescs[0], L"Program 4");
    EXPECT_STREQ(AppState::OpenWithPaths[0], L"C:\\tools\\p4.exe");

    StoreOpenWithRows(std::vector<OpenWithRow>(25, OpenWithRow{L"n", L"p"}));
    EXPECT_EQ(AppState::OpenWithCount, 20);
    StoreOpenWithRows({});
    EXPECT_EQ(AppState::OpenWithCount, 0);
    // A stored count out of range gives at most 20 rows.
    AppState::OpenWithCount = 99;
    EXPECT_EQ(OpenWithRows().size(), 20u);
}

TEST(OpenWithList, NameOfAChosenProgramDropsFolderAndExtension) {
    EXPECT_EQ(OpenWithNameFromPath(L"C:\\Program Files\\Paint Box\\paint.box.exe"), L"paint.box");
    EXPECT_EQ(OpenWithNameFromPath(L"C:\\tools\\tool"), L"tool");
    EXPECT_EQ(OpenWithNameFromPath(L"tool.exe"), L"tool");
}

// The file handed to a program with no short name (it does not exist) is the
// whole path in quotes, also when that path is as long as a path can be.
TEST(OpenWithLaunch, QuotedPathKeepsItsClosingQuoteAtFullLength) {
    qrvtest::SettingsKeeper keep;
    qrvtest::TempDir temp;
    FreeFileLists();
    FileList::Current = 0;
    std::wstring folder = temp.Path();
    // Folders with blanks until the folder is 240 characters long.
    while (folder.size() < 240) {
        const size_t room = 240 - folder.size() - 1;
        std::wstring part = L"deep folder " + std::wstring(room > 40 ? 28 : (room > 12 ? room - 12 : 0), L'x');
        if (part.size() > room) part.resize(room);
        if (part.empty()) break;
        folder += L"\\" + part;
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << qrvtest::Narrow(folder);
    }
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    const std::wstring name = L"a" + std::wstring(MAX_PATH - 1 - folder.size() - 1 - 6, L'b') + L" .jpg";
    const std::wstring full = folder + L"\\" + name;
    ASSERT_EQ(full.size(), (size_t)MAX_PATH - 1);
    FillList(1);
    wcscpy(AppState::CurrentFile, full.c_str());
    wchar_t program[MAX_PATH], file[OPEN_WITH_PARAMETER_CHARS];
    const bool target = OpenWithTarget(IDM_OPEN_WITH_FIRST, program, file);
    SetCurrentDirectoryW(previous);
    ASSERT_TRUE(target);
    EXPECT_EQ(std::wstring(file), L"\"" + full + L"\"");
    EXPECT_STREQ(program, L"C:\\tools\\p0.exe");
}

// The program chosen from the list is started on the current file: a file in
// a folder with blanks arrives as one argument, in the current directory.
TEST(OpenWithLaunch, ProgramGetsTheFileAsOneArgumentInTheCurrentDirectory) {
    qrvtest::SettingsKeeper keep;
    qrvtest::TempDir temp;
    FreeFileLists();
    FileList::Current = 0;
    const std::wstring program = ExistingProgram();
    const std::wstring probe = program.substr(0, program.find_last_of(L'\\') + 1) + L"qrv_argprobe.exe";
    ASSERT_TRUE(qrvtest::FileExists(probe)) << qrvtest::Narrow(probe);
    const std::wstring folder = temp.File(L"my pictures here");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring picture = folder + L"\\holiday at the sea.jpg";
    ASSERT_TRUE(qrvtest::WriteAll(picture, "x", 1));
    const std::wstring output = temp.File(L"args.txt");
    SetEnvironmentVariableW(L"QRV_ARGPROBE_OUT", output.c_str());
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
    AppState::OpenWithCount = 2;
    wcscpy(AppState::OpenWithPaths[1], probe.c_str());
    wcscpy(AppState::OpenWithDescs[1], L"Probe");
    wcscpy(AppState::CurrentFile, picture.c_str());
    const bool started = LaunchOpenWithProgram(IDM_OPEN_WITH_FIRST + 1);
    SetCurrentDirectoryW(previous);
    SetEnvironmentVariableW(L"QRV_ARGPROBE_OUT", nullptr);
    ASSERT_TRUE(started);
    for (int i = 0; i < 150 && !qrvtest::FileExists(output); ++i) Sleep(100);
    const std::vector<unsigned char> bytes = qrvtest::ReadAll(output);
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    std::vector<std::wstring> lines;
    for (size_t start = 0, end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    ASSERT_EQ(lines.size(), 2u) << qrvtest::Narrow(text);
    wchar_t argument[MAX_PATH] = {}, workingFolder[MAX_PATH] = {};
    ASSERT_NE(GetLongPathNameW(lines[0].c_str(), argument, MAX_PATH), 0u) << qrvtest::Narrow(lines[0]);
    EXPECT_EQ(_wcsicmp(argument, picture.c_str()), 0) << qrvtest::Narrow(argument);
    ASSERT_NE(GetLongPathNameW(lines[1].c_str(), workingFolder, MAX_PATH), 0u);
    EXPECT_EQ(_wcsicmp(workingFolder, folder.c_str()), 0) << qrvtest::Narrow(workingFolder);
}

// A program that is gone is reported and not started.
TEST(OpenWithLaunch, MissingProgramIsReported) {
    qrvtest::SettingsKeeper keep;
    qrvtest::MessageCapture capture;
    FillList(1);
    EXPECT_FALSE(LaunchOpenWithProgram(IDM_OPEN_WITH_FIRST));
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Program is missing: C:\\tools\\p0.exe");
    // Ids past the count are not the list's.
    EXPECT_FALSE(LaunchOpenWithProgram(IDM_OPEN_WITH_FIRST + 1));
    EXPECT_EQ(capture.messages.size(), 1u);
}

// The dialogs through the main window's commands.
class OpenWithDialogs : public apptest::MainWindowFixture {
protected:
    void SetUp() override {
        apptest::MainWindowFixture::SetUp();
        SetOpenWithChooserHook(Choose);
        g_chosen.clear();
    }
    void TearDown() override {
        SetOpenWithChooserHook(nullptr);
        apptest::MainWindowFixture::TearDown();
    }
    bool Run(UINT command, const std::function<void(HWND)>& script) {
        return qrvtest::DriveModal([&] { SendMessageW(window, WM_COMMAND, command, 0); }, script);
    }
    static void Click(HWND dialog, int id) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
    }
    static std::wstring Text(HWND dialog, int id) {
        wchar_t text[MAX_PATH] = {};
        GetDlgItemTextW(dialog, id, text, MAX_PATH);
        return text;
    }
    static bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
    static void Select(HWND dialog, std::initializer_list<int> rows) {
        HWND list = GetDlgItem(dialog, IDC_OPENWITH_LIST);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        for (int row : rows) ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
    }
    static std::wstring g_chosen;
    static bool Choose(HWND, wchar_t path[MAX_PATH]) {
        if (g_chosen.empty()) return false;
        wcscpy(path, g_chosen.c_str());
        return true;
    }
};
std::wstring OpenWithDialogs::g_chosen;

TEST_F(OpenWithDialogs, AddTakesTheChosenProgramAndRejectsABadPath) {
    qrvtest::MessageCapture capture;
    FillList(2);
    g_chosen = ExistingProgram();
    bool okBefore = true, okAfter = false, openAfterBadPath = false;
    std::wstring name;
    ASSERT_TRUE(Run(IDM_OPEN_WITH_ADD, [&](HWND dialog) {
        okBefore = Enabled(dialog, IDOK);
        Click(dialog, IDC_OPENWITH_BROWSE);
        okAfter = Enabled(dialog, IDOK);
        name = Text(dialog, IDC_OPENWITH_NAME);
        const std::wstring chosenPath = Text(dialog, IDC_OPENWITH_PATH);
        SetDlgItemTextW(dialog, IDC_OPENWITH_PATH, L"C:\\no\\such\\tool.exe");
        Click(dialog, IDOK);
        openAfterBadPath = IsWindow(dialog) && IsWindowVisible(dialog);
        SetDlgItemTextW(dialog, IDC_OPENWITH_PATH, chosenPath.c_str());
        SetDlgItemTextW(dialog, IDC_OPENWITH_NAME, L"My Tool");
        Click(dialog, IDOK);
    }));
    EXPECT_FALSE(okBefore);
    EXPECT_TRUE(okAfter);
    EXPECT_EQ(name, OpenWithNameFromPath(g_chosen.c_str()));
    EXPECT_TRUE(openAfterBadPath);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Invalid specified Path and/or Description!");
    ASSERT_EQ(AppState::OpenWithCount, 3);
    EXPECT_EQ(std::wstring(AppState::OpenWithPaths[2]), g_chosen);
    EXPECT_STREQ(AppState::OpenWithDescs[2], L"My Tool");

    // Cancel adds nothing.
    ASSERT_TRUE(Run(IDM_OPEN_WITH_ADD, [&](HWND dialog) {
        Click(dialog, IDC_OPENWITH_BROWSE);
        Click(dialog, IDCANCEL);
    }));
    EXPECT_EQ(AppState::OpenWithCount, 3);
}

TEST_F(OpenWithDialogs, AddOnAFullListThatIsRejectedKeepsTheLastProgram) {
    qrvtest::MessageCapture capture;
    FillList(20);
    g_chosen = ExistingProgram();
    ASSERT_TRUE(Run(IDM_OPEN_WITH_ADD, [&](HWND dialog) {
        Click(dialog, IDC_OPENWITH_BROWSE);
        SetDlgItemTextW(dialog, IDC_OPENWITH_NAME, L"");
        Click(dialog, IDOK);
        Click(dialog, IDCANCEL);
    }));
    EXPECT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(AppState::OpenWithCount, 20);
    EXPECT_STREQ(AppState::OpenWithDescs[19], L"Program 19");
    EXPECT_STREQ(AppState::OpenWithPaths[19], L"C:\\tools\\p19.exe");
}

TEST_F(OpenWithDialogs, EditShowsTheListAndSelectionFillsTheFields) {
    FillList(3);
    int rows = 0;
    bool disabledAtStart = false, enabledOnSelection = false;
    std::wstring path, name, column;
    ASSERT_TRUE(Run(IDM_OPEN_WITH_EDIT, [&](HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_OPENWITH_LIST);
        rows = ListView_GetItemCount(list);
        disabledAtStart = !Enabled(dialog, IDC_OPENWITH_PATH) && !Enabled(dialog, IDC_OPENWITH_NAME) &&
                          !Enabled(dialog, IDC_OPENWITH_BROWSE) && !Enabled(dialog, IDC_OPENWITH_UPDATE);
        Select(dialog, {1});
        enabledOnSelection = Enabled(dialog, IDC_OPENWITH_PATH) && Enabled(dialog, IDC_OPENWITH_UPDATE);
        path = Text(dialog, IDC_OPENWITH_PATH);
        name = Text(dialog, IDC_OPENWITH_NAME);
        // Update takes the typed texts without a check.
        SetDlgItemTextW(dialog, IDC_OPENWITH_NAME, L"Renamed");
        SetDlgItemTextW(dialog, IDC_OPENWITH_PATH, L"anything");
        Click(dialog, IDC_OPENWITH_UPDATE);
        wchar_t text[MAX_PATH] = {};
        ListView_GetItemText(list, 1, 0, text, MAX_PATH);
        column = text;
        Click(dialog, IDOK);
    }));
    EXPECT_EQ(rows, 3);
    EXPECT_TRUE(disabledAtStart);
    EXPECT_TRUE(enabledOnSelection);
    EXPECT_EQ(path, L"C:\\tools\\p1.exe");
    EXPECT_EQ(name, L"Program 1");
    EXPECT_EQ(column, L"Renamed");
    EXPECT_EQ(AppState::OpenWithCount, 3);
    EXPECT_STREQ(AppState::OpenWithDescs[1], L"Renamed");
    EXPECT_STREQ(AppState::OpenWithPaths[1], L"anything");
}

TEST_F(OpenWithDialogs, EditMovesAndRemovesRowsAndOnlyOkStoresThem) {
    struct Case {
        const char* what;
        std::function<void(HWND)> edit;
        UINT close;
        std::vector<std::wstring> names;
    } cases[] = {
        {"first up, last down",
         [](HWND d) {
             Select(d, {0});
             Click(d, IDC_OPENWITH_UP);
             Select(d, {3});
             Click(d, IDC_OPENWITH_DOWN);
         },
         IDOK,
         {L"Program 0", L"Program 1", L"Program 2", L"Program 3"}},
        {"second up, then down twice",
         [](HWND d) {
             Select(d, {1});
             Click(d, IDC_OPENWITH_UP);
             Click(d, IDC_OPENWITH_DOWN);
             Click(d, IDC_OPENWITH_DOWN);
         },
         IDOK,
         {L"Program 0", L"Program 2", L"Program 1", L"Program 3"}},
        {"remove two",
         [](HWND d) {
             Select(d, {0, 2});
             Click(d, IDC_OPENWITH_REMOVE);
         },
         IDOK,
         {L"Program 1", L"Program 3"}},
        {"remove all, ok", [](HWND d) { Click(d, IDC_OPENWITH_REMOVE_ALL); }, IDOK, {}},
        {"remove all, cancel",
         [](HWND d) { Click(d, IDC_OPENWITH_REMOVE_ALL); },
         IDCANCEL,
         {L"Program 0", L"Program 1", L"Program 2", L"Program 3"}},
        {"move, cancel",
         [](HWND d) {
             Select(d, {2});
             Click(d, IDC_OPENWITH_UP);
         },
         IDCANCEL,
         {L"Program 0", L"Program 1", L"Program 2", L"Program 3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FillList(4);
        ASSERT_TRUE(Run(IDM_OPEN_WITH_EDIT, [&](HWND dialog) {
            c.edit(dialog);
            Click(dialog, (int)c.close);
        }));
        std::vector<std::wstring> names;
        for (int i = 0; i < AppState::OpenWithCount; ++i) {
            names.push_back(AppState::OpenWithDescs[i]);
            // Each name keeps its own path.
            EXPECT_EQ(std::wstring(AppState::OpenWithPaths[i]), L"C:\\tools\\p" + names.back().substr(8) + L".exe");
        }
        EXPECT_EQ(names, c.names);
    }
}

// The programs go in front of the four fixed items, owner-drawn as the
// setting says; the fixed items stay as they are.
TEST_F(OpenWithDialogs, ProgramsInTheSubmenuFollowTheOwnerDrawSetting) {
    HMENU bar = GetMenu(window), openWith = nullptr;
    for (int i = 0; bar && i < GetMenuItemCount(bar) && !openWith; ++i) {
        HMENU top = GetSubMenu(bar, i);
        for (int j = 0; top && j < GetMenuItemCount(top) && !openWith; ++j) {
            HMENU sub = GetSubMenu(top, j);
            if (sub && GetMenuState(sub, IDM_OPEN_WITH_CLEAR, MF_BYCOMMAND) != (UINT)-1) openWith = sub;
        }
    }
    ASSERT_NE(openWith, nullptr);
    auto type = [&](int position) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        GetMenuItemInfoW(openWith, (UINT)position, TRUE, &info);
        return info.fType;
    };
    const UINT fixedType = type(3);
    FillList(3);
    HDC screen = GetDC(nullptr);
    const bool deepScreen = GetDeviceCaps(screen, BITSPIXEL) > 8;
    ReleaseDC(nullptr, screen);
    for (const int setting : {1, 0}) {
        SCOPED_TRACE(setting);
        AppState::GeneralOwnerdrawnMenu = setting;
        SendMessageW(window, WM_INITMENUPOPUP, (WPARAM)openWith, 1);
        ASSERT_EQ(GetMenuItemCount(openWith), 7);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(GetMenuItemID(openWith, i), IDM_OPEN_WITH_FIRST + (UINT)i);
            EXPECT_EQ((type(i) & MFT_OWNERDRAW) != 0, setting == 1 && deepScreen) << i;
        }
        EXPECT_EQ(type(6), fixedType);
        EXPECT_EQ(GetMenuItemID(openWith, 6), (UINT)IDM_OPEN_WITH_CLEAR);
    }
}

TEST_F(OpenWithDialogs, ClearEmptiesTheListAndSaysSo) {
    qrvtest::MessageCapture capture;
    FillList(4);
    SendMessageW(window, WM_COMMAND, IDM_OPEN_WITH_CLEAR, 0);
    EXPECT_EQ(AppState::OpenWithCount, 0);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Successfully cleaned all stored program paths.");
}

}  // namespace
