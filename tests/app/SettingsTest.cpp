#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

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

namespace {

// What the registry holds for one setting, written out here independently of
// the settings table so that a wrong name, type or default in the table shows.
struct StoredSetting {
    const wchar_t* name;
    DWORD type;           // REG_DWORD or REG_SZ
    int number;           // default of a REG_DWORD
    const wchar_t* text;  // default of a REG_SZ
    bool checkedSize;     // a browser size kept within 1..10000
};

std::vector<StoredSetting> StoredSettings() {
    const int screenW = GetSystemMetrics(SM_CXFULLSCREEN);
    const int screenH = GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYCAPTION);
    auto d = [](const wchar_t* name, int value) { return StoredSetting{name, REG_DWORD, value, nullptr, false}; };
    auto s = [](const wchar_t* name, const wchar_t* value) { return StoredSetting{name, REG_SZ, 0, value, false}; };
    auto size = [](const wchar_t* name, int value) { return StoredSetting{name, REG_DWORD, value, nullptr, true}; };
    return {
        d(L"GeneralAlwaysOnTop", 0),
        d(L"GeneralShowToolbar", 1),
        d(L"GeneralShowStatusbar", 1),
        d(L"GeneralZoomQuality", 1),
        d(L"GeneralUseOnlyOneInstance", 0),
        d(L"GeneralViewImageAsTiles", 0),
        d(L"GeneralAlwaysMaximizeWindow", 0),
        d(L"GeneralLastWinPos", 0),
        d(L"GeneralLastWinX", 20),
        d(L"GeneralLastWinY", 20),
        d(L"GeneralLastWinW", 620),
        d(L"GeneralLastWinH", 400),
        d(L"GeneralAlwaysStartInPresentationMode", 0),
        s(L"GeneralLanguageFile", L""),
        d(L"GeneralDetectedLanguage", 0),
        d(L"GeneralViewImages", 1),
        d(L"GeneralPlayVideos", 1),
        d(L"GeneralPlayMusic", 1),
        d(L"GeneralSortOrder", 0),
        d(L"GeneralSortAscending", 1),
        d(L"GeneralOwnerdrawnMenu", 1),
        d(L"GeneralShowHiddenFiles", 0),
        d(L"GeneralShowHiddenFolders", 0),

        d(L"ViewerWrapAround", 1),
        d(L"ViewerClrBackground", 0xAFD8D8),
        d(L"ViewerIntelligentWindowPositioning", 1),
        d(L"ViewerInvertSelectionRectangle", 1),
        d(L"ViewerRedMarkerWidth", 2),
        d(L"ViewerRedMarkerColor", 0x0000FF),
        d(L"TransitionEffectsInPresentationMode", 1),
        d(L"TransitionEffectsUsed", 0),
        d(L"PrivacyNoRecentlyOpenedList", 0),
        d(L"PrivacyNoBrowsedDirsList", 0),
        s(L"SkinName", L"Win2K"),
        d(L"ViewStyleViewer", 2),
        d(L"ViewStyleBrowser", 4),
        d(L"ViewStylePresentation", 3),

        d(L"ToolBarShowToolTips", 1),
        d(L"ToolBarShowLabels", 1),
        d(L"ToolBarBackgroundType", 0),
        d(L"ToolBarSnapButtons", 1),
        d(L"ResizeConstrainProportions", 1),
        d(L"ResizeScaleType", 3),
        d(L"SlideShowDelay", 5000),
        d(L"SlideShowWrapAround", 1),
        d(L"SlideShowDirection", 2),
        d(L"SlideShowPlayMediaTillEnd", 1),
        d(L"SlideShowStartFullscreen", 0),
        s(L"LastOpenDir", L"C:\\"),
        d(L"LastOpenFilter", 1),
        s(L"LastSaveDir", L"C:\\"),
        d(L"LastSaveFilter", 1),
        d(L"CaptureStyle", 0),
        d(L"CaptureHideAppWindow", 0),
        d(L"CaptureUseHotkeyF12", 0),
        d(L"ExtractFramesOutputFormat", 0),
        s(L"ExtractFramesOutputDirectory", L"C:\\Temp"),
        s(L"ExtractFramesOutputFilename", L"SomeFrame"),
        s(L"CreateAnimationOutputDirectory", L"C:\\Temp"),
        d(L"CreateAnimationTIFCompression", 3),
        d(L"CreateAnimationGIFMNGDelay", 100),
        d(L"JPGCleanerEncodeProgressive", 0),
        d(L"JPGCleanerOptimize", 1),
        d(L"JPGCleanerTrimEdges", 1),
        d(L"JPGCleanerMarkersCopy", 2),
        d(L"CreateNewImageWidth", 512),
        d(L"CreateNewImageHeight", 512),
        d(L"CreateNewImageBpp", 4),
        d(L"CreateNewImageColor", 0xFFFFFF),
        d(L"ResizeCanvasColor", 0xFFFFFF),
        d(L"ResizeCanvasPosition", 0),

        d(L"FormatJP2LossLess", 0),
        d(L"FormatJP2Quality", 30),
        d(L"FormatJPGQuality", 80),
        d(L"FormatJPGOptimize", 1),
        d(L"FormatJPGProgressive", 0),
        d(L"FormatJPGSmoothing", 0),
        d(L"FormatPNGInterlace", 0),
        d(L"FormatTIFCompression", 3),
        d(L"FormatTGAEncode", 1),
        d(L"FormatSGICompression", 1),
        d(L"FormatRASCompression", 1),
        d(L"FormatRAWFlip", 0),
        d(L"FormatRAWSwapRedAndBlue", 1),
        d(L"FormatRAWNoConvert24Bit", 0),
        d(L"EffBlurRandomization", 100),
        d(L"EffBlurRepeatCount", 1),
        d(L"EffPixelizePixelWidth", 10),
        d(L"EffSharpenPercent", 70),
        d(L"ImageAlphaBlend32BitAtLoadTime", 1),
        d(L"ImageAdjustGammaAtLoadTime", 0),
        d(L"ImageAdjustGammaAtLoadTimeGamma", 10),

        d(L"BrowserStyle", 0),
        size(L"BrowserThumbWindowWidth", screenW / 2),
        d(L"BrowserWindowX", 0),
        d(L"BrowserWindowY", 0),
        size(L"BrowserWindowW", screenW),
        size(L"BrowserWindowH", screenH),
        size(L"BrowserThumbnailWidth", 120),
        size(L"BrowserThumbnailHeight", 90),
        d(L"BrowserThumbnailBorder", 6),
        d(L"BrowserStretchSmallThumbnails", 0),
        d(L"BrowserScaleType", 1),
        d(L"BrowserTreeViewWindowHeight", 200),
        d(L"BrowserUseCaching", 1),
        d(L"BrowserCacheCompressionType", 1),
        d(L"BrowserFolderViewOnTheLeft", 1),
        d(L"BrowserClrBackground", (int)GetSysColor(COLOR_BTNFACE)),
        d(L"BrowserHideSubfolders", 0),
        d(L"VideoLoop", 1),
        d(L"VideoAutoPlay", 1),
        d(L"VideoMuteAudio", 0),
        d(L"AudioLoop", 1),
        d(L"AudioAutoPlay", 1),
    };
}

// The raw registry value under the scratch key: its type and its data as a
// number or a text.
struct RawValue {
    DWORD type = REG_NONE;
    DWORD number = 0;
    std::wstring text;
};

RawValue ReadRaw(const wchar_t* key, const wchar_t* name) {
    RawValue v;
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return v;
    BYTE data[4 * MAX_PATH] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (RegQueryValueExW(h, name, nullptr, &v.type, data, &size) == ERROR_SUCCESS) {
        if (v.type == REG_DWORD && size == sizeof(DWORD)) memcpy(&v.number, data, sizeof(DWORD));
        if (v.type == REG_SZ) v.text = reinterpret_cast<const wchar_t*>(data);
    }
    RegCloseKey(h);
    return v;
}

const SettingRow* FindRow(const wchar_t* name) {
    const SettingRow* found = nullptr;
    for (const SettingRow& row : SettingsTable())
        if (wcscmp(row.name, name) == 0) {
            EXPECT_EQ(found, nullptr) << "twice in the table: " << qrvtest::Narrow(name);
            found = &row;
        }
    return found;
}

// A value for row i that is no row's default and, for the browser sizes, in range.
int ScribbledNumber(const SettingRow& row, size_t i) {
    return row.kind == SettingKind::Size ? 300 + (int)i : 0x10000 + (int)i;
}
std::wstring ScribbledText(size_t i) { return L"D:\\Scribbled\\" + std::to_wstring(i); }

// Gives every setting, switch and list a value that is not its default.
void ScribbleEverySetting() {
    const auto rows = SettingsTable();
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].kind == SettingKind::Text) CopyStringW(g_settings.*rows[i].text, ScribbledText(i).c_str());
        else g_settings.*rows[i].number = ScribbledNumber(rows[i], i);
    }
    for (int i = 0; i < TOOLBAR_BUTTON_SWITCHES; ++i) g_settings.ToolBarBtnUsed[i] = 2 + i;
    for (const SettingsList& list : SettingsLists()) {
        for (int i = 0; i < 3; ++i) {
            CopyStringW(list.entry(g_settings, i), (L"E:\\entry" + std::to_wstring(i)).c_str());
            if (list.secondEntry) CopyStringW(list.secondEntry(g_settings, i), (L"desc" + std::to_wstring(i)).c_str());
        }
        g_settings.*list.count = 3;
    }
}

TEST_F(SettingsTest, TableHoldsEveryStoredNameWithItsTypeAndDefault) {
    const auto expected = StoredSettings();
    EXPECT_EQ(SettingsTable().size(), expected.size());
    const SettingsRecord defaults;
    for (const StoredSetting& e : expected) {
        SCOPED_TRACE(qrvtest::Narrow(e.name));
        const SettingRow* row = FindRow(e.name);
        ASSERT_NE(row, nullptr);
        if (e.type == REG_SZ) {
            ASSERT_EQ(row->kind, SettingKind::Text);
            EXPECT_STREQ(defaults.*row->text, e.text);
        } else {
            ASSERT_EQ(row->kind, e.checkedSize ? SettingKind::Size : SettingKind::Dword);
            EXPECT_EQ(defaults.*row->number, e.number);
        }
    }
    const int switches[TOOLBAR_BUTTON_SWITCHES] = {1, 0, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    for (int i = 0; i < TOOLBAR_BUTTON_SWITCHES; ++i) EXPECT_EQ(defaults.ToolBarBtnUsed[i], switches[i]) << i;
}

TEST_F(SettingsTest, NumberedListsKeepTheirNamesCapacitiesAndEntryDefaults) {
    struct Case {
        const wchar_t *count, *entry, *second, *entryDefault;
        int capacity;
        int SettingsRecord::*field;
        bool privacy;
    } cases[] = {
        {L"CopyToDirCount", L"CopyToDir%d", nullptr, L"C:\\Temp", 50, &SettingsRecord::CopyToDirCount, false},
        {L"MoveToDirCount", L"MoveToDir%d", nullptr, L"C:\\Temp", 50, &SettingsRecord::MoveToDirCount, false},
        {L"RecentlyOpenedFilesCount", L"RecentlyOpened%d", nullptr, L"C:\\", 20, &SettingsRecord::RecentFileCount,
         true},
        {L"OpenWithCount", L"OpenWithPath%d", L"OpenWithDesc%d", L"C:\\Temp", 20, &SettingsRecord::OpenWithCount,
         false},
    };
    const auto lists = SettingsLists();
    ASSERT_EQ(lists.size(), std::size(cases));
    for (size_t i = 0; i < lists.size(); ++i) {
        const Case& c = cases[i];
        const SettingsList& l = lists[i];
        SCOPED_TRACE(qrvtest::Narrow(c.count));
        EXPECT_STREQ(l.countName, c.count);
        EXPECT_STREQ(l.entryFormat, c.entry);
        if (c.second) {
            EXPECT_STREQ(l.secondEntryFormat, c.second);
        } else {
            EXPECT_EQ(l.secondEntryFormat, nullptr);
        }
        EXPECT_STREQ(l.entryDefault, c.entryDefault);
        EXPECT_EQ(l.capacity, c.capacity);
        EXPECT_TRUE(l.count == c.field);
        EXPECT_EQ(l.privacy != nullptr, c.privacy);
    }
}

TEST_F(SettingsTest, EveryValueIsWrittenUnderItsNameAndTypeAndReadBack) {
    ResetSettingsToDefaults();
    ScribbleEverySetting();
    g_settings.PrivacyNoRecentlyOpenedList = 0;  // keep the recent files
    const SettingsRecord written = g_settings;
    SaveSettings(key);
    EXPECT_EQ(g_settings, written);  // saving changes nothing that is in range

    const auto rows = SettingsTable();
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(qrvtest::Narrow(rows[i].name));
        const RawValue raw = ReadRaw(key, rows[i].name);
        if (rows[i].kind == SettingKind::Text) {
            EXPECT_EQ(raw.type, (DWORD)REG_SZ);
            EXPECT_EQ(raw.text, std::wstring(written.*rows[i].text));
        } else {
            EXPECT_EQ(raw.type, (DWORD)REG_DWORD);
            EXPECT_EQ(raw.number, (DWORD)(written.*rows[i].number));
        }
    }
    for (int i = 0; i < TOOLBAR_BUTTON_SWITCHES; ++i) {
        wchar_t name[32];
        ToolBarSwitchName(name, 32, i);
        const RawValue raw = ReadRaw(key, name);
        EXPECT_EQ(raw.type, (DWORD)REG_DWORD) << i;
        EXPECT_EQ(raw.number, (DWORD)written.ToolBarBtnUsed[i]) << i;
    }
    for (const SettingsList& list : SettingsLists()) {
        SCOPED_TRACE(qrvtest::Narrow(list.countName));
        EXPECT_EQ(ReadRaw(key, list.countName).number, 3u);
        EXPECT_EQ(ReadRaw(key, list.countName).type, (DWORD)REG_DWORD);
        for (int i = 0; i < 3; ++i) {
            wchar_t name[64];
            swprintf(name, 64, list.entryFormat, i + 1);
            EXPECT_EQ(ReadRaw(key, name).text, L"E:\\entry" + std::to_wstring(i));
            if (list.secondEntryFormat) {
                swprintf(name, 64, list.secondEntryFormat, i + 1);
                EXPECT_EQ(ReadRaw(key, name).text, L"desc" + std::to_wstring(i));
            }
        }
        wchar_t beyond[64];
        swprintf(beyond, 64, list.entryFormat, 4);
        EXPECT_EQ(ReadRaw(key, beyond).type, (DWORD)REG_NONE);  // nothing beyond the count
    }

    ResetSettingsToDefaults();
    LoadSettings(key);
    for (const SettingRow& row : rows) {
        SCOPED_TRACE(qrvtest::Narrow(row.name));
        if (row.kind == SettingKind::Text) EXPECT_STREQ(g_settings.*row.text, written.*row.text);
        else EXPECT_EQ(g_settings.*row.number, written.*row.number);
    }
    for (int i = 0; i < TOOLBAR_BUTTON_SWITCHES; ++i) EXPECT_EQ(g_settings.ToolBarBtnUsed[i], 2 + i) << i;
    for (const SettingsList& list : SettingsLists()) {
        SCOPED_TRACE(qrvtest::Narrow(list.countName));
        ASSERT_EQ(g_settings.*list.count, 3);
        EXPECT_STREQ(list.entry(g_settings, 2), L"E:\\entry2");
        if (list.secondEntry) { EXPECT_STREQ(list.secondEntry(g_settings, 2), L"desc2"); }
    }
    // Loaded from the saved values, the record is the one that was saved.
    EXPECT_EQ(g_settings, written);
}

TEST_F(SettingsTest, EmptyKeyLoadsEveryDefault) {
    ScribbleEverySetting();
    LoadSettings(key);
    const SettingsRecord defaults;
    for (const SettingRow& row : SettingsTable()) {
        SCOPED_TRACE(qrvtest::Narrow(row.name));
        if (row.kind == SettingKind::Text) EXPECT_STREQ(g_settings.*row.text, defaults.*row.text);
        else EXPECT_EQ(g_settings.*row.number, defaults.*row.number);
    }
    for (int i = 0; i < TOOLBAR_BUTTON_SWITCHES; ++i)
        EXPECT_EQ(g_settings.ToolBarBtnUsed[i], defaults.ToolBarBtnUsed[i]);
    for (const SettingsList& list : SettingsLists()) EXPECT_EQ(g_settings.*list.count, 0);
}

TEST_F(SettingsTest, ResetGivesADefaultConstructedRecord) {
    ScribbleEverySetting();
    ResetSettingsToDefaults();
    EXPECT_TRUE(g_settings == SettingsRecord{});
}

// The AppState:: names are the record's own members, not copies of them.
TEST_F(SettingsTest, AppStateNamesReachTheRecord) {
    EXPECT_EQ(&AppState::SlideShowDelay, &g_settings.SlideShowDelay);
    EXPECT_EQ(&AppState::SkinName, &g_settings.SkinName);
    EXPECT_EQ(&AppState::BrowserWindowW, &g_settings.BrowserWindowW);
    EXPECT_EQ(&AppState::ToolBarBtnUsed, &g_settings.ToolBarBtnUsed);
    EXPECT_EQ(&AppState::RecentFiles, &g_settings.RecentFiles);
    EXPECT_EQ(&AppState::OpenWithCount, &g_settings.OpenWithCount);
    EXPECT_EQ(sizeof(AppState::SkinName), sizeof(wchar_t) * MAX_PATH);
    EXPECT_EQ(sizeof(AppState::CopyToDirs), sizeof(wchar_t) * MAX_PATH * COPY_MOVE_TARGET_CAPACITY);
}

}  // namespace
