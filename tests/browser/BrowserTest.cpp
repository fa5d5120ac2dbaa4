// The browser pane's state as the main window reads it.
#include <gtest/gtest.h>

#include "app/AppState.h"
#include "browser/Browser.h"
#include "browser/ThumbnailLoader.h"
#include "support/TestSupport.h"

namespace {

TEST(Browser, ChangeFolderRefusedWhileClosedOrWhileTheLoaderRuns) {
    qrvtest::TempDir first, second;
    wchar_t saved[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, saved);
    CBrowser browser;
    EXPECT_FALSE(browser.ChangeFolder(second.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, false));  // closed
    ASSERT_TRUE(browser.Open(first.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, nullptr));
    EXPECT_TRUE(browser.IsShown());
    EXPECT_EQ(AppState::ViewMode, VIEW_BROWSER);

    ThumbLoader::Running = 1;
    EXPECT_FALSE(browser.ChangeFolder(second.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, false));
    EXPECT_EQ(lstrcmpiW(AppState::CurrentFolder, first.Path().c_str()), 0);
    ThumbLoader::Running = 0;
    EXPECT_TRUE(browser.ChangeFolder(second.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, false));
    EXPECT_EQ(lstrcmpiW(AppState::CurrentFolder, second.Path().c_str()), 0);

    browser.Hide();
    EXPECT_TRUE(browser.IsHidden());
    EXPECT_FALSE(browser.IsShown());
    EXPECT_EQ(AppState::ViewMode, VIEW_VIEWER);
    EXPECT_EQ(browser.GetListAreaWidth(), 0);
    browser.open = browser.hidden = false;  // no settings written by this test
    AppState::ViewMode = VIEW_VIEWER;
    SetCurrentDirectoryW(saved);
}

}  // namespace
