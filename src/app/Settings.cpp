// General settings: tables of names, fields and defaults drive both load and
// save, so that the two always handle the same values under the same names.
#include "app/Settings.h"

#include <cstdio>
#include <cwchar>

#include "app/AppState.h"
#include "app/MainWindowIds.h"
#include "image/Common.h"

namespace {

struct DwordSetting {
    const wchar_t* name;
    int* field;
    int defaultValue;
};

struct StringSetting {
    const wchar_t* name;
    wchar_t* field;  // MAX_PATH characters
    const wchar_t* defaultValue;
};

namespace A = AppState;

// Values whose defaults are constants, in the order of the settings tables.
const DwordSetting kDwords[] = {
    {L"GeneralAlwaysOnTop", &A::GeneralAlwaysOnTop, 0},
    {L"GeneralShowToolbar", &A::GeneralShowToolbar, 1},
    {L"GeneralShowStatusbar", &A::GeneralShowStatusbar, 1},
    {L"GeneralZoomQuality", &A::GeneralZoomQuality, 1},
    {L"GeneralUseOnlyOneInstance", &A::GeneralUseOnlyOneInstance, 0},
    {L"GeneralViewImageAsTiles", &A::GeneralViewImageAsTiles, 0},
    {L"GeneralAlwaysMaximizeWindow", &A::GeneralAlwaysMaximizeWindow, 0},
    {L"GeneralLastWinPos", &A::GeneralLastWinPos, 0},
    {L"GeneralLastWinX", &A::GeneralLastWinX, 20},
    {L"GeneralLastWinY", &A::GeneralLastWinY, 20},
    {L"GeneralLastWinW", &A::GeneralLastWinW, 620},
    {L"GeneralLastWinH", &A::GeneralLastWinH, 400},
    {L"GeneralAlwaysStartInPresentationMode", &A::GeneralAlwaysStartInPresentationMode, 0},
    {L"GeneralDetectedLanguage", &A::GeneralDetectedLanguage, 0},
    {L"GeneralViewImages", &A::GeneralViewImages, 1},
    {L"GeneralPlayVideos", &A::GeneralPlayVideos, 1},
    {L"GeneralPlayMusic", &A::GeneralPlayMusic, 1},
    {L"GeneralSortOrder", &A::GeneralSortOrder, 0},
    {L"GeneralSortAscending", &A::GeneralSortAscending, 1},
    {L"GeneralOwnerdrawnMenu", &A::GeneralOwnerdrawnMenu, 1},
    {L"GeneralShowHiddenFiles", &A::GeneralShowHiddenFiles, 0},
    {L"GeneralShowHiddenFolders", &A::GeneralShowHiddenFolders, 0},

    {L"ViewerWrapAround", &A::ViewerWrapAround, 1},
    {L"ViewerClrBackground", &A::ViewerClrBackground, 0xAFD8D8},
    {L"ViewerIntelligentWindowPositioning", &A::ViewerIntelligentWindowPositioning, 1},
    {L"ViewerInvertSelectionRectangle", &A::ViewerInvertSelectionRectangle, 1},
    {L"ViewerRedMarkerWidth", &A::ViewerRedMarkerWidth, 2},
    {L"ViewerRedMarkerColor", &A::ViewerRedMarkerColor, 0x0000FF},
    {L"TransitionEffectsInPresentationMode", &A::TransitionEffectsInPresentationMode, 1},
    {L"TransitionEffectsUsed", &A::TransitionEffectsUsed, 0},
    {L"PrivacyNoRecentlyOpenedList", &A::PrivacyNoRecentlyOpenedList, 0},
    {L"PrivacyNoBrowsedDirsList", &A::PrivacyNoBrowsedDirsList, 0},
    {L"ViewStyleViewer", &A::ViewStyleViewer, 2},
    {L"ViewStyleBrowser", &A::ViewStyleBrowser, 4},
    {L"ViewStylePresentation", &A::ViewStylePresentation, 3},

    {L"ToolBarShowToolTips", &A::ToolBarShowToolTips, 1},
    {L"ToolBarShowLabels", &A::ToolBarShowLabels, 1},
    {L"ToolBarBackgroundType", &A::ToolBarBackgroundType, 0},
    {L"ToolBarSnapButtons", &A::ToolBarSnapButtons, 1},
    {L"ResizeConstrainProportions", &A::ResizeConstrainProportions, 1},
    {L"ResizeScaleType", &A::ResizeScaleType, 3},
    {L"SlideShowDelay", &A::SlideShowDelay, 5000},
    {L"SlideShowWrapAround", &A::SlideShowWrapAround, 1},
    {L"SlideShowDirection", &A::SlideShowDirection, 2},
    {L"SlideShowPlayMediaTillEnd", &A::SlideShowPlayMediaTillEnd, 1},
    {L"SlideShowStartFullscreen", &A::SlideShowStartFullscreen, 0},
    {L"LastOpenFilter", &A::LastOpenFilter, 1},
    {L"LastSaveFilter", &A::LastSaveFilter, 1},
    {L"CaptureStyle", &A::CaptureStyle, 0},
    {L"CaptureHideAppWindow", &A::CaptureHideAppWindow, 0},
    {L"CaptureUseHotkeyF12", &A::CaptureUseHotkeyF12, 0},
    {L"ExtractFramesOutputFormat", &A::ExtractFramesOutputFormat, 0},
    {L"CreateAnimationTIFCompression", &A::CreateAnimationTIFCompression, 3},
    {L"CreateAnimationGIFMNGDelay", &A::CreateAnimationGIFMNGDelay, 100},
    {L"JPGCleanerEncodeProgressive", &A::JPGCleanerEncodeProgressive, 0},
    {L"JPGCleanerOptimize", &A::JPGCleanerOptimize, 1},
    {L"JPGCleanerTrimEdges", &A::JPGCleanerTrimEdges, 1},
    {L"JPGCleanerMarkersCopy", &A::JPGCleanerMarkersCopy, 2},
    {L"CreateNewImageWidth", &A::CreateNewImageWidth, 512},
    {L"CreateNewImageHeight", &A::CreateNewImageHeight, 512},
    {L"CreateNewImageBpp", &A::CreateNewImageBpp, 4},
    {L"CreateNewImageColor", &A::CreateNewImageColor, 0xFFFFFF},
    {L"ResizeCanvasColor", &A::ResizeCanvasColor, 0xFFFFFF},
    {L"ResizeCanvasPosition", &A::ResizeCanvasPosition, 0},

    {L"FormatJP2LossLess", &A::FormatJP2LossLess, 0},
    {L"FormatJP2Quality", &A::FormatJP2Quality, 30},
    {L"FormatJPGQuality", &A::FormatJPGQuality, 80},
    {L"FormatJPGOptimize", &A::FormatJPGOptimize, 1},
    {L"FormatJPGProgressive", &A::FormatJPGProgressive, 0},
    {L"FormatJPGSmoothing", &A::FormatJPGSmoothing, 0},
    {L"FormatPNGInterlace", &A::FormatPNGInterlace, 0},
    {L"FormatTIFCompression", &A::FormatTIFCompression, 3},
    {L"FormatTGAEncode", &A::FormatTGAEncode, 1},
    {L"FormatSGICompression", &A::FormatSGICompression, 1},
    {L"FormatRASCompression", &A::FormatRASCompression, 1},
    {L"FormatRAWFlip", &A::FormatRAWFlip, 0},
    {L"FormatRAWSwapRedAndBlue", &A::FormatRAWSwapRedAndBlue, 1},
    {L"FormatRAWNoConvert24Bit", &A::FormatRAWNoConvert24Bit, 0},
    {L"EffBlurRandomization", &A::EffBlurRandomization, 100},
    {L"EffBlurRepeatCount", &A::EffBlurRepeatCount, 1},
    {L"EffPixelizePixelWidth", &A::EffPixelizePixelWidth, 10},
    {L"EffSharpenPercent", &A::EffSharpenPercent, 70},
    {L"ImageAlphaBlend32BitAtLoadTime", &A::ImageAlphaBlend32BitAtLoadTime, 1},
    {L"ImageAdjustGammaAtLoadTime", &A::ImageAdjustGammaAtLoadTime, 0},
    {L"ImageAdjustGammaAtLoadTimeGamma", &A::ImageAdjustGammaAtLoadTimeGamma, 10},

    {L"BrowserStyle", &A::BrowserStyle, 0},
    {L"BrowserWindowX", &A::BrowserWindowX, 0},
    {L"BrowserWindowY", &A::BrowserWindowY, 0},
    {L"BrowserThumbnailBorder", &A::BrowserThumbnailBorder, 6},
    {L"BrowserStretchSmallThumbnails", &A::BrowserStretchSmallThumbnails, 0},
    {L"BrowserScaleType", &A::BrowserScaleType, 1},
    {L"BrowserTreeViewWindowHeight", &A::BrowserTreeViewWindowHeight, 200},
    {L"BrowserUseCaching", &A::BrowserUseCaching, 1},
    {L"BrowserCacheCompressionType", &A::BrowserCacheCompressionType, 1},
    {L"BrowserFolderViewOnTheLeft", &A::BrowserFolderViewOnTheLeft, 1},
    {L"BrowserHideSubfolders", &A::BrowserHideSubfolders, 0},
    {L"VideoLoop", &A::VideoLoop, 1},
    {L"VideoAutoPlay", &A::VideoAutoPlay, 1},
    {L"VideoMuteAudio", &A::VideoMuteAudio, 0},
    {L"AudioLoop", &A::AudioLoop, 1},
    {L"AudioAutoPlay", &A::AudioAutoPlay, 1},
};

const StringSetting kStrings[] = {
    {L"GeneralLanguageFile", A::GeneralLanguageFile, L""},
    {L"SkinName", A::SkinName, L"Win2K"},
    {L"LastOpenDir", A::LastOpenDir, L"C:\\"},
    {L"LastSaveDir", A::LastSaveDir, L"C:\\"},
    {L"ExtractFramesOutputFilename", A::ExtractFramesOutputFilename, L"SomeFrame"},
    {L"ExtractFramesOutputDirectory", A::ExtractFramesOutputDirectory, L"C:\\Temp"},
    {L"CreateAnimationOutputDirectory", A::CreateAnimationOutputDirectory, L"C:\\Temp"},
};

const int kToolBarSwitchDefaults[TOOLBAR_BUTTON_SWITCHES] = {1, 0, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1,
                                                             1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

// Browser sizes whose defaults depend on the screen at the moment of loading.
struct BrowserSize {
    const wchar_t* name;
    int* field;
};
const BrowserSize kBrowserSizes[] = {
    {L"BrowserThumbWindowWidth", &A::BrowserThumbWindowWidth},
    {L"BrowserWindowW", &A::BrowserWindowW},
    {L"BrowserWindowH", &A::BrowserWindowH},
    {L"BrowserThumbnailWidth", &A::BrowserThumbnailWidth},
    {L"BrowserThumbnailHeight", &A::BrowserThumbnailHeight},
};

int BrowserSizeDefault(const int* field) {
    if (field == &A::BrowserThumbWindowWidth) return GetSystemMetrics(SM_CXFULLSCREEN) / 2;
    if (field == &A::BrowserWindowW) return GetSystemMetrics(SM_CXFULLSCREEN);
    if (field == &A::BrowserWindowH) return GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYCAPTION);
    if (field == &A::BrowserThumbnailWidth) return 120;
    return 90;  // BrowserThumbnailHeight
}

// One numbered list of strings: count value and entries "<prefix>%d" from 1.
struct StringList {
    const wchar_t* countName;
    const wchar_t* entryFormat;
    wchar_t (*entries)[MAX_PATH];
    int* count;
    int capacity;
    const wchar_t* entryDefault;
};

void ReadList(CRegistry& reg, const wchar_t* key, const StringList& list, bool skip) {
    int count = skip ? 0 : ClampListCount(reg.ReadDword(key, list.countName, 0), list.capacity);
    for (int i = 0; i < count; ++i) {
        wchar_t name[64];
        swprintf(name, 64, list.entryFormat, i + 1);
        reg.ReadString(key, name, list.entryDefault, list.entries[i]);
        list.entries[i][MAX_PATH - 1] = 0;
    }
    *list.count = count;
}

void WriteList(CRegistry& reg, const wchar_t* key, const StringList& list) {
    int count = *list.count;
    if (count < 0) count = 0;
    if (count > list.capacity) count = list.capacity;
    reg.WriteDword(key, list.countName, (DWORD)count);
    for (int i = 0; i < count; ++i) {
        wchar_t name[64];
        swprintf(name, 64, list.entryFormat, i + 1);
        reg.WriteString(key, name, list.entries[i]);
    }
}

const StringList kCopyTo = {L"CopyToDirCount", L"CopyToDir%d", A::CopyToDirs, &A::CopyToDirCount,
                            COPY_MOVE_TARGET_CAPACITY, L"C:\\Temp"};
const StringList kMoveTo = {L"MoveToDirCount", L"MoveToDir%d", A::MoveToDirs, &A::MoveToDirCount,
                            COPY_MOVE_TARGET_CAPACITY, L"C:\\Temp"};
const StringList kRecent = {L"RecentlyOpenedFilesCount", L"RecentlyOpened%d", A::RecentFiles, &A::RecentFileCount,
                            RECENT_FILE_CAPACITY, L"C:\\"};

}  // namespace

int ClampListCount(DWORD stored, int capacity) {
    if (stored >= 0x80000000u) return 0;
    return (int)stored > capacity ? capacity : (int)stored;
}

bool BrowserSizeIsCorrupt(int value) {
    return value <= 0 || value > 10000;
}

void ToolBarSwitchName(wchar_t* out, size_t size, int index) {
    swprintf(out, size, L"ToolBarBtnUsed%2.0d", index);
}

void ResetSettingsToDefaults() {
    for (const auto& s : kDwords) *s.field = s.defaultValue;
    for (const auto& s : kStrings) CopyStringW(s.field, s.defaultValue);
    for (int i = 0; i < TOOLBAR_BUTTON_SWITCHES; ++i) A::ToolBarBtnUsed[i] = kToolBarSwitchDefaults[i];
    for (const auto& b : kBrowserSizes) *b.field = BrowserSizeDefault(b.field);
    A::BrowserClrBackground = (int)GetSysColor(COLOR_BTNFACE);
    A::CopyToDirCount = A::MoveToDirCount = A::RecentFileCount = A::OpenWithCount = 0;
}

void LoadSettings(const wchar_t* key) {
    CRegistry reg(HKEY_CURRENT_USER);
    for (const auto& s : kDwords) *s.field = (int)reg.ReadDword(key, s.name, (DWORD)s.defaultValue);
    for (const auto& s : kStrings) {
        reg.ReadString(key, s.name, s.defaultValue, s.field);
        s.field[MAX_PATH - 1] = 0;
    }
    for (int i = 0; i < TOOLBAR_BUTTON_SWITCHES; ++i) {
        wchar_t name[32];
        ToolBarSwitchName(name, 32, i);
        A::ToolBarBtnUsed[i] = (int)reg.ReadDword(key, name, (DWORD)kToolBarSwitchDefaults[i]);
    }
    // A browser size out of range would size windows and thumbnail cells
    // absurdly: take the default instead.
    for (const auto& b : kBrowserSizes) {
        int def = BrowserSizeDefault(b.field);
        int value = (int)reg.ReadDword(key, b.name, (DWORD)def);
        *b.field = BrowserSizeIsCorrupt(value) ? def : value;
    }
    A::BrowserClrBackground = (int)reg.ReadDword(key, L"BrowserClrBackground", GetSysColor(COLOR_BTNFACE));

    ReadList(reg, key, kCopyTo, false);
    ReadList(reg, key, kMoveTo, false);
    ReadList(reg, key, kRecent, A::PrivacyNoRecentlyOpenedList != 0);
    int openWith = ClampListCount(reg.ReadDword(key, L"OpenWithCount", 0), OPEN_WITH_CAPACITY);
    for (int i = 0; i < openWith; ++i) {
        wchar_t name[64];
        swprintf(name, 64, L"OpenWithPath%d", i + 1);
        reg.ReadString(key, name, L"C:\\Temp", A::OpenWithPaths[i]);
        swprintf(name, 64, L"OpenWithDesc%d", i + 1);
        reg.ReadString(key, name, L"C:\\Temp", A::OpenWithDescs[i]);
        A::OpenWithPaths[i][MAX_PATH - 1] = A::OpenWithDescs[i][MAX_PATH - 1] = 0;
    }
    A::OpenWithCount = openWith;
}

void SaveSettings(const wchar_t* key) {
    CRegistry reg(HKEY_CURRENT_USER);
    for (const auto& s : kDwords) reg.WriteDword(key, s.name, (DWORD)*s.field);
    for (const auto& s : kStrings) reg.WriteString(key, s.name, s.field);
    for (int i = 0; i < TOOLBAR_BUTTON_SWITCHES; ++i) {
        wchar_t name[32];
        ToolBarSwitchName(name, 32, i);
        reg.WriteDword(key, name, (DWORD)A::ToolBarBtnUsed[i]);
    }

    // Corrupt browser sizes are reported and reset to their defaults, so that a
    // bad value is not written back and read again at every start.
    bool corrupt = false;
    for (const auto& b : kBrowserSizes) corrupt |= BrowserSizeIsCorrupt(*b.field);
    if (corrupt) {
        ShowMessage(L"Browservalues Corrupted! ThumbWinWidth: %d, ThumbWidth: %d, ThumbHeight: %dWinWidth %d, "
                    L"WinHeight %d",
                    A::BrowserThumbWindowWidth, A::BrowserThumbnailWidth, A::BrowserThumbnailHeight,
                    A::BrowserWindowW, A::BrowserWindowH);
        for (const auto& b : kBrowserSizes)
            if (BrowserSizeIsCorrupt(*b.field)) *b.field = BrowserSizeDefault(b.field);
    }
    for (const auto& b : kBrowserSizes) reg.WriteDword(key, b.name, (DWORD)*b.field);
    reg.WriteDword(key, L"BrowserClrBackground", (DWORD)A::BrowserClrBackground);

    WriteList(reg, key, kCopyTo);
    WriteList(reg, key, kMoveTo);
    if (A::PrivacyNoRecentlyOpenedList) A::RecentFileCount = 0;
    WriteList(reg, key, kRecent);
    int openWith = A::OpenWithCount < 0 ? 0 : (A::OpenWithCount > OPEN_WITH_CAPACITY ? OPEN_WITH_CAPACITY
                                                                                   : A::OpenWithCount);
    reg.WriteDword(key, L"OpenWithCount", (DWORD)openWith);
    for (int i = 0; i < openWith; ++i) {
        wchar_t name[64];
        swprintf(name, 64, L"OpenWithPath%d", i + 1);
        reg.WriteString(key, name, A::OpenWithPaths[i]);
        swprintf(name, 64, L"OpenWithDesc%d", i + 1);
        reg.WriteString(key, name, A::OpenWithDescs[i]);
    }
}
