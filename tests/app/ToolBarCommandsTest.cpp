// The main window around its tool bars: the drop-down menus of the buttons,
// the recent lists they open, the cursor kept on a clicked Zoom/Next button,
// and the "Open with" programs every command is offered to first.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandState.h"
#include "app/MainWindow.h"
#include "app/MainWindowIds.h"
#include "app/OpenWith.h"
#include "app/SaveAsDialog.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Image.h"
#include "image/Registry.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::Pump;

// Moves the cursor to (5, 5) once the display has caught up with earlier moves.
void ParkCursor() {
    SetCursorPos(5, 5);
    Sleep(50);
    Pump();
    SetCursorPos(5, 5);
    Pump();
}

bool Checked(HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
bool Grayed(HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0; }

class ToolBarCommandsTest : public apptest::MainWindowFixture {
protected:
    void TearDown() override {
        MainWindowFixture::TearDown();
        AppState::RecentFolderCount = 0;
        AppState::ChannelView = 0;
        AppState::BrowserTab = 0;
        AppState::WheelUsed = 0;
        AppState::DocumentKind = DOC_NONE;
        AppState::CurrentImage.Destroy();
        for (UINT id : {206u, 207u, 208u, 40002u, 40003u}) MainToolBar.SetButtonOffset(id, -1);
    }
};

}  // namespace

TEST_F(ToolBarCommandsTest, DropDownMenusShowTheStateTheyChange) {
    HMENU resource = nullptr;
    struct Sort {
        int order, ascending;
        UINT checked;
    } sorts[] = {{0, 1, 233}, {0, 0, 235}, {1, 1, 232}, {1, 0, 237}, {2, 1, 234}, {2, 0, 236}, {3, 0, 40378}};
    for (const Sort& s : sorts) {
        AppState::GeneralSortOrder = s.order;
        AppState::GeneralSortAscending = s.ascending;
        HMENU popup = BuildDropDownMenu(40202, &resource);
        ASSERT_NE(popup, nullptr);
        for (UINT id : {233u, 235u, 232u, 237u, 234u, 236u, 40378u})
            EXPECT_EQ(Checked(popup, id), id == s.checked) << s.order << "/" << s.ascending << " item " << id;
        DestroyMenu(resource);
    }

    AppState::BrowserStyle = 1;
    HMENU popup = BuildDropDownMenu(40205, &resource);
    ASSERT_NE(popup, nullptr);
    EXPECT_FALSE(Checked(popup, 40042));
    EXPECT_TRUE(Checked(popup, 40045));
    DestroyMenu(resource);

    AppState::ChannelView = 5;
    popup = BuildDropDownMenu(40090, &resource);
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(Checked(popup, 40092));
    EXPECT_FALSE(Checked(popup, 40090));
    EXPECT_FALSE(Checked(popup, 263));
    DestroyMenu(resource);

    AppState::SlideShowStartFullscreen = 1;
    AppState::SlideShowDirection = 1;
    popup = BuildDropDownMenu(40319, &resource);
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(Checked(popup, 40320));
    EXPECT_TRUE(Checked(popup, 40322));
    EXPECT_FALSE(Checked(popup, 40321));
    EXPECT_FALSE(Checked(popup, 40323));
    DestroyMenu(resource);

    AppState::DocumentKind = DOC_FILE;  // the file operations act on the open file
    for (int tab : {0, 4}) {
        AppState::BrowserTab = tab;
        popup = BuildDropDownMenu(40180, &resource);
        ASSERT_NE(popup, nullptr);
        for (UINT id : {214u, 215u, 216u, 217u})
            EXPECT_EQ(Grayed(popup, id), tab == 4 || !HasCommandHandler(id)) << tab << " " << id;
        DestroyMenu(resource);
    }
    AppState::DocumentKind = DOC_NONE;

    popup = BuildDropDownMenu(208, &resource);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuItemCount(popup), 3);
    DestroyMenu(resource);
    popup = BuildDropDownMenu(40214, &resource);
    ASSERT_NE(popup, nullptr);
    EXPECT_NE(GetMenuState(popup, 40372, MF_BYCOMMAND), (UINT)-1);
    DestroyMenu(resource);
    EXPECT_EQ(BuildDropDownMenu(206, &resource), nullptr);  // no drop-down
}

// The Open button's list holds the recent files; a choice opens the file.
TEST_F(ToolBarCommandsTest, RecentFileListOpensTheChosenFile) {
    qrvtest::TempDir dir;
    const std::wstring file = dir.File(L"recent pick.bmp");
    ASSERT_NO_FATAL_FAILURE(apptest::WriteSolidPicture(file, 17, 4, RGB(9, 9, 9)));
    AppState::RecentFileCount = 2;
    CopyStringW(AppState::RecentFiles[0], L"C:\\elsewhere\\first.png");
    CopyStringW(AppState::RecentFiles[1], file.c_str());
    HMENU resource = nullptr;
    HMENU popup = BuildDropDownMenu(200, &resource);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), 2);  // the placeholder is gone
    EXPECT_EQ(GetMenuItemID(popup, 0), 1u);
    EXPECT_EQ(GetMenuItemID(popup, 1), 2u);
    wchar_t text[MAX_PATH] = {};
    GetMenuStringW(popup, 2, text, MAX_PATH, MF_BYCOMMAND);
    EXPECT_NE(std::wstring(text).find(L"recent pick.bmp"), std::wstring::npos);
    DestroyMenu(resource);

    OnRecentListChoice(window, true, 0);  // dismissed
    OnRecentListChoice(window, true, 3);  // not in the list
    EXPECT_EQ(AppState::PendingRecentFile, 0);
    OnRecentListChoice(window, true, 2);
    EXPECT_EQ(AppState::PendingRecentFile, 1);
    Pump();
    EXPECT_EQ(AppState::PendingRecentFile, 0);
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 17u);
    EXPECT_STREQ(AppState::CurrentFolder, dir.Path().c_str());
    SetCurrentDirectoryW(L"C:\\");
}

TEST(CursorSnap, PointOnTheButtonOnlyInsideTheWindow) {
    const RECT window = {100, 50, 600, 400};
    POINT p = {};
    ASSERT_TRUE(CursorSnapPoint(window, 40, 20, 19, &p));
    EXPECT_EQ(p.x, 150);
    EXPECT_EQ(p.y, 50 + 20 + 19 + 15);
    EXPECT_TRUE(CursorSnapPoint(window, 465, 20, 19, &p));   // 575 < 576
    EXPECT_FALSE(CursorSnapPoint(window, 466, 20, 19, &p));  // 576 is not left of right - 24
    EXPECT_FALSE(CursorSnapPoint(window, -1, 20, 19, &p));   // button not shown
}

// Zoom In clicked on the tool bar: the window grows, the cursor stays on the button.
TEST_F(ToolBarCommandsTest, ZoomAndNextKeepTheCursorOnTheClickedButton) {
    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(120, 80, 24, RGB(1, 2, 3), nullptr));
    AppState::DocumentKind = DOC_FILE;
    MainToolBar.SetButtonOffset(206, 30);
    ParkCursor();
    const HWND fromToolBar = window;  // any control handle marks a button click
    SendMessageW(window, WM_COMMAND, 206, (LPARAM)fromToolBar);
    RECT r;
    GetWindowRect(window, &r);
    POINT expected = {}, cursor = {};
    ASSERT_TRUE(CursorSnapPoint(r, 30, GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CYMENU), &expected));
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, expected.x);
    EXPECT_EQ(cursor.y, expected.y);
    EXPECT_EQ(AppState::WindowRect.right, r.right - r.left);

    // After a wheel zoom, from a menu or a key, the cursor stays where it is.
    ParkCursor();
    AppState::WheelUsed = 1;
    SendMessageW(window, WM_COMMAND, 207, (LPARAM)fromToolBar);
    EXPECT_EQ(AppState::WheelUsed, 0);
    SendMessageW(window, WM_COMMAND, 206, 0);
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 5);
    EXPECT_EQ(cursor.y, 5);
    // A button that is not on the tool bar.
    MainToolBar.SetButtonOffset(206, -1);
    SendMessageW(window, WM_COMMAND, 206, (LPARAM)fromToolBar);
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor.x, 5);
}

TEST_F(ToolBarCommandsTest, OpenWithHandsTheCurrentFileToTheProgram) {
    qrvtest::TempDir dir;
    const std::wstring file = dir.File(L"a b.bmp");
    ASSERT_TRUE(qrvtest::WriteAll(file, "BM", 2));
    SetCurrentDirectoryW(dir.Path().c_str());
    AppState::OpenWithCount = 2;
    CopyStringW(AppState::OpenWithPaths[0], L"C:\\windows\\notepad.exe");
    CopyStringW(AppState::OpenWithPaths[1], L"C:\\no such program.exe");
    CopyStringW(AppState::CurrentFile, file.c_str());
    wchar_t program[MAX_PATH], target[MAX_PATH], shortName[MAX_PATH];
    ASSERT_TRUE(OpenWithTarget(40250, program, target));
    EXPECT_STREQ(program, L"C:\\windows\\notepad.exe");
    ASSERT_NE(GetShortPathNameW(file.c_str(), shortName, MAX_PATH), 0u);
    EXPECT_STREQ(target, shortName);  // one parameter without blanks
    EXPECT_EQ(std::wstring(target).find(L' '), std::wstring::npos);
    EXPECT_FALSE(OpenWithTarget(40249, program, target));
    EXPECT_FALSE(OpenWithTarget(40252, program, target));
    AppState::OpenWithCount = 500;  // a damaged count reads no further than the list
    EXPECT_TRUE(OpenWithTarget(40250 + OPEN_WITH_CAPACITY - 1, program, target));
    EXPECT_FALSE(OpenWithTarget(40250 + OPEN_WITH_CAPACITY, program, target));
    AppState::OpenWithCount = 2;

    // Every command is offered to the list first.
    qrvtest::MessageCapture capture;
    SendMessageW(window, WM_COMMAND, 40251, 0);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Program is missing: C:\\no such program.exe");
    SendMessageW(window, WM_COMMAND, 40252, 0);
    EXPECT_EQ(capture.messages.size(), 1u);
    AppState::OpenWithCount = 0;
    AppState::CurrentFile[0] = 0;
    SetCurrentDirectoryW(L"C:\\");
}
