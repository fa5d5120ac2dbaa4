#include <gtest/gtest.h>

#include <string>

#include "app/AppState.h"
#include "app/Settings.h"
#include "image/Registry.h"
#include "support/TestSupport.h"

namespace {

// Each test works below a key of its own and removes it afterwards.
class SettingsTest : public testing::Test {
protected:
    const wchar_t* key = L"Software\\QuorvaneTests\\Settings";
    CRegistry reg{HKEY_CURRENT_USER};
    void SetUp() override { reg.Delete(key, nullptr); }
    void TearDown() override {
        reg.Delete(key, nullptr);
        ResetSettingsToDefaults();
    }
};

TEST_F(SettingsTest, EmptyKeyGivesTheDefaults) {
    AppState::ViewerClrBackground = 1;
    AppState::SlideShowDelay = 2;
    CopyStringW(AppState::SkinName, L"Other");
    AppState::ToolBarBtnUsed[1] = 1;
    AppState::RecentFileCount = 3;
    LoadSettings(key);
    EXPECT_EQ(AppState::ViewerClrBackground, 0xAFD8D8);
    EXPECT_EQ(AppState::SlideShowDelay, 5000);
    EXPECT_STREQ(AppState::SkinName, L"Win2K");
    EXPECT_STREQ(AppState::LastOpenDir, L"C:\\");
    EXPECT_STREQ(AppState::GeneralLanguageFile, L"");
    EXPECT_EQ(AppState::GeneralShowToolbar, 1);
    EXPECT_EQ(AppState::FormatJPGQuality, 80);
    EXPECT_EQ(AppState::BrowserThumbnailWidth, 120);
    EXPECT_EQ(AppState::BrowserThumbnailHeight, 90);
    EXPECT_EQ(AppState::BrowserWindowW, GetSystemMetrics(SM_CXFULLSCREEN));
    EXPECT_EQ(AppState::BrowserThumbWindowWidth, GetSystemMetrics(SM_CXFULLSCREEN) / 2);
    EXPECT_EQ(AppState::BrowserClrBackground, (int)GetSysColor(COLOR_BTNFACE));
    const int switches[23] = {1, 0, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    for (int i = 0; i < 23; ++i) EXPECT_EQ(AppState::ToolBarBtnUsed[i], switches[i]) << i;
    EXPECT_EQ(AppState::RecentFileCount, 0);
    // Loading writes nothing.
    EXPECT_EQ(reg.ReadDword(key, L"SlideShowDelay", 77), 77u);
}

TEST_F(SettingsTest, ToolBarSwitchNames) {
    wchar_t name[32];
    ToolBarSwitchName(name, 32, 0);
    EXPECT_STREQ(name, L"ToolBarBtnUsed  ");
    ToolBarSwitchName(name, 32, 7);
    EXPECT_STREQ(name, L"ToolBarBtnUsed 7");
    ToolBarSwitchName(name, 32, 22);
    EXPECT_STREQ(name, L"ToolBarBtnUsed22");
    ResetSettingsToDefaults();
    AppState::ToolBarBtnUsed[0] = 0;
    SaveSettings(key);
    EXPECT_EQ(reg.ReadDword(key, L"ToolBarBtnUsed  ", 5), 0u);
    EXPECT_EQ(reg.ReadDword(key, L"ToolBarBtnUsed 8", 5), 0u);
    EXPECT_EQ(reg.ReadDword(key, L"ToolBarBtnUsed22", 5), 1u);
}

TEST_F(SettingsTest, RoundTripOfValuesStringsAndLists) {
    ResetSettingsToDefaults();
    AppState::SlideShowDelay = 1234;
    AppState::ViewerRedMarkerColor = 0x00FF00;
    CopyStringW(AppState::LastSaveDir, L"D:\\Pictures");
    AppState::RecentFileCount = 2;
    CopyStringW(AppState::RecentFiles[0], L"C:\\a.jpg");
    CopyStringW(AppState::RecentFiles[1], L"C:\\b.png");
    AppState::OpenWithCount = 1;
    CopyStringW(AppState::OpenWithPaths[0], L"C:\\tool.exe");
    CopyStringW(AppState::OpenWithDescs[0], L"Tool");
    SaveSettings(key);
    ResetSettingsToDefaults();
    LoadSettings(key);
    EXPECT_EQ(AppState::SlideShowDelay, 1234);
    EXPECT_EQ(AppState::ViewerRedMarkerColor, 0x00FF00);
    EXPECT_STREQ(AppState::LastSaveDir, L"D:\\Pictures");
    ASSERT_EQ(AppState::RecentFileCount, 2);
    EXPECT_STREQ(AppState::RecentFiles[1], L"C:\\b.png");
    EXPECT_EQ(reg.ReadDword(key, L"RecentlyOpenedFilesCount", 0), 2u);
    ASSERT_EQ(AppState::OpenWithCount, 1);
    EXPECT_STREQ(AppState::OpenWithDescs[0], L"Tool");
}

TEST_F(SettingsTest, ListCountsAreClampedToTheirCapacity) {
    struct Case {
        DWORD stored;
        int capacity;
        int expected;
    } cases[] = {{60, 50, 50}, {50, 50, 50}, {3, 50, 3}, {0, 20, 0}, {0x80000000u, 20, 0}, {0xFFFFFFFFu, 20, 0}};
    for (const auto& c : cases) EXPECT_EQ(ClampListCount(c.stored, c.capacity), c.expected) << c.stored;

    reg.WriteDword(key, L"CopyToDirCount", 60);
    for (int i = 1; i <= 60; ++i) reg.WriteString(key, (L"CopyToDir" + std::to_wstring(i)).c_str(), L"X:\\t");
    reg.WriteDword(key, L"MoveToDirCount", 0xFFFFFFFFu);
    reg.WriteDword(key, L"RecentlyOpenedFilesCount", 0x80000001u);
    reg.WriteDword(key, L"OpenWithCount", 1000);
    LoadSettings(key);
    EXPECT_EQ(AppState::CopyToDirCount, 50);
    EXPECT_STREQ(AppState::CopyToDirs[49], L"X:\\t");
    EXPECT_EQ(AppState::MoveToDirCount, 0);
    EXPECT_EQ(AppState::RecentFileCount, 0);
    EXPECT_EQ(AppState::OpenWithCount, 20);
    EXPECT_STREQ(AppState::OpenWithPaths[19], L"C:\\Temp");  // missing entries read as the default
}

TEST_F(SettingsTest, PrivacyKeepsRecentFilesFromLoading) {
    reg.WriteDword(key, L"PrivacyNoRecentlyOpenedList", 1);
    reg.WriteDword(key, L"RecentlyOpenedFilesCount", 2);
    reg.WriteString(key, L"RecentlyOpened1", L"C:\\secret.jpg");
    LoadSettings(key);
    EXPECT_EQ(AppState::RecentFileCount, 0);
}

TEST_F(SettingsTest, LongStoredStringsAreCut) {
    std::wstring longText(600, L'x');
    reg.WriteString(key, L"SkinName", longText.c_str());
    LoadSettings(key);
    EXPECT_EQ(wcslen(AppState::SkinName), (size_t)MAX_PATH - 1);
}

TEST_F(SettingsTest, CorruptBrowserSizesAreResetNotSavedAgain) {
    reg.WriteDword(key, L"BrowserThumbnailWidth", 20000);
    reg.WriteDword(key, L"BrowserWindowW", 0xFFFFFFF0u);
    LoadSettings(key);
    EXPECT_EQ(AppState::BrowserThumbnailWidth, 120);
    EXPECT_EQ(AppState::BrowserWindowW, GetSystemMetrics(SM_CXFULLSCREEN));

    AppState::BrowserThumbnailHeight = 50000;
    qrvtest::MessageCapture capture;
    SaveSettings(key);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_NE(capture.messages[0].find(L"Browservalues Corrupted! ThumbWinWidth: "), std::wstring::npos);
    EXPECT_NE(capture.messages[0].find(L"ThumbHeight: 50000WinWidth"), std::wstring::npos);
    EXPECT_EQ(AppState::BrowserThumbnailHeight, 90);
    EXPECT_EQ(reg.ReadDword(key, L"BrowserThumbnailHeight", 0), 90u);
}

}  // namespace

namespace {

// The Save As option panels store their choices in these settings; they must
// come back after a restart.
TEST_F(SettingsTest, SaveOptionsRoundTrip) {
    ResetSettingsToDefaults();
    AppState::FormatJPGQuality = 55;
    AppState::FormatJPGProgressive = 1;
    AppState::FormatJPGSmoothing = 7;
    AppState::FormatPNGInterlace = 1;
    AppState::FormatTIFCompression = 1;
    AppState::FormatJP2Quality = 12;
    AppState::FormatRAWSwapRedAndBlue = 0;
    SaveSettings(key);
    ResetSettingsToDefaults();
    EXPECT_EQ(AppState::FormatJPGQuality, 80);
    LoadSettings(key);
    EXPECT_EQ(AppState::FormatJPGQuality, 55);
    EXPECT_EQ(AppState::FormatJPGProgressive, 1);
    EXPECT_EQ(AppState::FormatJPGSmoothing, 7);
    EXPECT_EQ(AppState::FormatPNGInterlace, 1);
    EXPECT_EQ(AppState::FormatTIFCompression, 1);
    EXPECT_EQ(AppState::FormatJP2Quality, 12);
    EXPECT_EQ(AppState::FormatRAWSwapRedAndBlue, 0);
}

}  // namespace
