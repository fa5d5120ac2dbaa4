// SettingsRecord: every persisted general setting in one record, with one
// default each. The row list below is the only place that names a setting,
// gives its registry type and its default: the record's members, the table
// that LoadSettings and SaveSettings walk and the AppState:: names are all
// made from it. Header-only so that the core libraries can read the settings
// they use without linking the shell.
#pragma once
#include <windows.h>

// Capacities of the numbered settings lists.
inline constexpr int COPY_MOVE_TARGET_CAPACITY = 50;
inline constexpr int RECENT_FILE_CAPACITY = 20;
inline constexpr int OPEN_WITH_CAPACITY = 20;
inline constexpr int TOOLBAR_BUTTON_SWITCHES = 23;

// One row per registry value: ROW(kind, name, default). The member and the
// registry value share the name. Kinds:
//   Dword  a REG_DWORD read into an int;
//   Text   a REG_SZ read into MAX_PATH characters (longer texts are cut);
//   Size   a REG_DWORD browser size that must lie in 1..10000 (see
//          BrowserSizeIsCorrupt); out of range it goes back to its default.
// Defaults are evaluated when a record is constructed, so the screen-dependent
// ones follow the screen of that moment.
#define QRV_SETTINGS_ROWS(ROW)                                                                    \
    /* General values (window and program) */                                                     \
    ROW(Dword, GeneralAlwaysOnTop, 0)                                                             \
    ROW(Dword, GeneralShowToolbar, 1)                                                             \
    ROW(Dword, GeneralShowStatusbar, 1)                                                           \
    ROW(Dword, GeneralZoomQuality, 1)                                                             \
    ROW(Dword, GeneralUseOnlyOneInstance, 0)                                                      \
    ROW(Dword, GeneralViewImageAsTiles, 0)                                                        \
    ROW(Dword, GeneralAlwaysMaximizeWindow, 0)                                                    \
    ROW(Dword, GeneralLastWinPos, 0)                                                              \
    ROW(Dword, GeneralLastWinX, 20)                                                               \
    ROW(Dword, GeneralLastWinY, 20)                                                               \
    ROW(Dword, GeneralLastWinW, 620)                                                              \
    ROW(Dword, GeneralLastWinH, 400)                                                              \
    ROW(Dword, GeneralAlwaysStartInPresentationMode, 0)                                           \
    ROW(Text, GeneralLanguageFile, L"")                                                           \
    ROW(Dword, GeneralDetectedLanguage, 0)                                                        \
    ROW(Dword, GeneralViewImages, 1)                                                              \
    ROW(Dword, GeneralPlayVideos, 1)                                                              \
    ROW(Dword, GeneralPlayMusic, 1)                                                               \
    ROW(Dword, GeneralSortOrder, 0)                                                               \
    ROW(Dword, GeneralSortAscending, 1)                                                           \
    ROW(Dword, GeneralOwnerdrawnMenu, 1)                                                          \
    ROW(Dword, GeneralShowHiddenFiles, 0)                                                         \
    ROW(Dword, GeneralShowHiddenFolders, 0)                                                       \
    /* Viewer, presentation and privacy */                                                        \
    ROW(Dword, ViewerWrapAround, 1)                                                               \
    ROW(Dword, ViewerClrBackground, 0xAFD8D8)                                                     \
    ROW(Dword, ViewerIntelligentWindowPositioning, 1)                                             \
    ROW(Dword, ViewerInvertSelectionRectangle, 1)                                                 \
    ROW(Dword, ViewerRedMarkerWidth, 2)                                                           \
    ROW(Dword, ViewerRedMarkerColor, 0x0000FF)                                                    \
    ROW(Dword, TransitionEffectsInPresentationMode, 1)                                            \
    ROW(Dword, TransitionEffectsUsed, 0)                                                          \
    ROW(Dword, PrivacyNoRecentlyOpenedList, 0)                                                    \
    ROW(Dword, PrivacyNoBrowsedDirsList, 0)                                                       \
    ROW(Text, SkinName, L"Win2K")                                                                 \
    ROW(Dword, ViewStyleViewer, 2)                                                                \
    ROW(Dword, ViewStyleBrowser, 4)                                                               \
    ROW(Dword, ViewStylePresentation, 3)                                                          \
    /* Tool bar, slide show, dialogs */                                                           \
    ROW(Dword, ToolBarShowToolTips, 1)                                                            \
    ROW(Dword, ToolBarShowLabels, 1)                                                              \
    ROW(Dword, ToolBarBackgroundType, 0)                                                          \
    ROW(Dword, ToolBarSnapButtons, 1)                                                             \
    ROW(Dword, ResizeConstrainProportions, 1)                                                     \
    ROW(Dword, ResizeScaleType, 3)                                                                \
    ROW(Dword, SlideShowDelay, 5000)                                                              \
    ROW(Dword, SlideShowWrapAround, 1)                                                            \
    ROW(Dword, SlideShowDirection, 2)                                                             \
    ROW(Dword, SlideShowPlayMediaTillEnd, 1)                                                      \
    ROW(Dword, SlideShowStartFullscreen, 0)                                                       \
    ROW(Text, LastOpenDir, L"C:\\")                                                               \
    ROW(Dword, LastOpenFilter, 1)                                                                 \
    ROW(Text, LastSaveDir, L"C:\\")                                                               \
    ROW(Dword, LastSaveFilter, 1)                                                                 \
    ROW(Dword, CaptureStyle, 0)                                                                   \
    ROW(Dword, CaptureHideAppWindow, 0)                                                           \
    ROW(Dword, CaptureUseHotkeyF12, 0)                                                            \
    ROW(Dword, ExtractFramesOutputFormat, 0)                                                      \
    ROW(Text, ExtractFramesOutputDirectory, L"C:\\Temp")                                          \
    ROW(Text, ExtractFramesOutputFilename, L"SomeFrame")                                          \
    ROW(Text, CreateAnimationOutputDirectory, L"C:\\Temp")                                        \
    ROW(Dword, CreateAnimationTIFCompression, 3)                                                  \
    ROW(Dword, CreateAnimationGIFMNGDelay, 100)                                                   \
    ROW(Dword, JPGCleanerEncodeProgressive, 0)                                                    \
    ROW(Dword, JPGCleanerOptimize, 1)                                                             \
    ROW(Dword, JPGCleanerTrimEdges, 1)                                                            \
    ROW(Dword, JPGCleanerMarkersCopy, 2)                                                          \
    ROW(Dword, CreateNewImageWidth, 512)                                                          \
    ROW(Dword, CreateNewImageHeight, 512)                                                         \
    ROW(Dword, CreateNewImageBpp, 4)                                                              \
    ROW(Dword, CreateNewImageColor, 0xFFFFFF)                                                     \
    ROW(Dword, ResizeCanvasColor, 0xFFFFFF)                                                       \
    ROW(Dword, ResizeCanvasPosition, 0)                                                           \
    /* Image formats, effects and load-time adjustments */                                        \
    ROW(Dword, FormatJP2LossLess, 0)                                                              \
    ROW(Dword, FormatJP2Quality, 30)                                                              \
    ROW(Dword, FormatJPGQuality, 80)                                                              \
    ROW(Dword, FormatJPGOptimize, 1)                                                              \
    ROW(Dword, FormatJPGProgressive, 0)                                                           \
    ROW(Dword, FormatJPGSmoothing, 0)                                                             \
    ROW(Dword, FormatPNGInterlace, 0)                                                             \
    ROW(Dword, FormatTIFCompression, 3)                                                           \
    ROW(Dword, FormatTGAEncode, 1)                                                                \
    ROW(Dword, FormatSGICompression, 1)                                                           \
    ROW(Dword, FormatRASCompression, 1)                                                           \
    ROW(Dword, FormatRAWFlip, 0)                                                                  \
    ROW(Dword, FormatRAWSwapRedAndBlue, 1)                                                        \
    ROW(Dword, FormatRAWNoConvert24Bit, 0)                                                        \
    ROW(Dword, EffBlurRandomization, 100)                                                         \
    ROW(Dword, EffBlurRepeatCount, 1)                                                             \
    ROW(Dword, EffPixelizePixelWidth, 10)                                                         \
    ROW(Dword, EffSharpenPercent, 70)                                                             \
    ROW(Dword, ImageAlphaBlend32BitAtLoadTime, 1)                                                 \
    ROW(Dword, ImageAdjustGammaAtLoadTime, 0)                                                     \
    ROW(Dword, ImageAdjustGammaAtLoadTimeGamma, 10)                                               \
    /* Browser and players */                                                                     \
    ROW(Dword, BrowserStyle, 0)                                                                   \
    ROW(Size, BrowserThumbWindowWidth, GetSystemMetrics(SM_CXFULLSCREEN) / 2)                     \
    ROW(Dword, BrowserWindowX, 0)                                                                 \
    ROW(Dword, BrowserWindowY, 0)                                                                 \
    ROW(Size, BrowserWindowW, GetSystemMetrics(SM_CXFULLSCREEN))                                  \
    ROW(Size, BrowserWindowH, GetSystemMetrics(SM_CYFULLSCREEN) + GetSystemMetrics(SM_CYCAPTION)) \
    ROW(Size, BrowserThumbnailWidth, 120)                                                         \
    ROW(Size, BrowserThumbnailHeight, 90)                                                         \
    ROW(Dword, BrowserThumbnailBorder, 6)                                                         \
    ROW(Dword, BrowserStretchSmallThumbnails, 0)                                                  \
    ROW(Dword, BrowserScaleType, 1)                                                               \
    ROW(Dword, BrowserTreeViewWindowHeight, 200)                                                  \
    ROW(Dword, BrowserUseCaching, 1)                                                              \
    ROW(Dword, BrowserCacheCompressionType, 1)                                                    \
    ROW(Dword, BrowserFolderViewOnTheLeft, 1)                                                     \
    ROW(Dword, BrowserClrBackground, (int)GetSysColor(COLOR_BTNFACE))                             \
    ROW(Dword, BrowserHideSubfolders, 0)                                                          \
    ROW(Dword, VideoLoop, 1)                                                                      \
    ROW(Dword, VideoAutoPlay, 1)                                                                  \
    ROW(Dword, VideoMuteAudio, 0)                                                                 \
    ROW(Dword, AudioLoop, 1)                                                                      \
    ROW(Dword, AudioAutoPlay, 1)

#define QRV_SETTING_MEMBER_Dword(name, value) int name = value;
#define QRV_SETTING_MEMBER_Size(name, value) int name = value;
#define QRV_SETTING_MEMBER_Text(name, value) wchar_t name[MAX_PATH] = value;
#define QRV_SETTING_MEMBER(kind, name, value) QRV_SETTING_MEMBER_##kind(name, value)

struct SettingsRecord {
    QRV_SETTINGS_ROWS(QRV_SETTING_MEMBER)

    // Tool bar button switches, stored as "ToolBarBtnUsed%2.0d" 0..22 (ToolBarSwitchName).
    int ToolBarBtnUsed[TOOLBAR_BUTTON_SWITCHES] = {1, 0, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

    // Numbered lists (count value plus entries numbered from 1 in the registry;
    // the names are in the list table of Settings.cpp). Empty by default.
    wchar_t CopyToDirs[COPY_MOVE_TARGET_CAPACITY][MAX_PATH] = {};
    int CopyToDirCount = 0;
    wchar_t MoveToDirs[COPY_MOVE_TARGET_CAPACITY][MAX_PATH] = {};
    int MoveToDirCount = 0;
    wchar_t RecentFiles[RECENT_FILE_CAPACITY][MAX_PATH] = {};  // newest first
    int RecentFileCount = 0;
    wchar_t OpenWithPaths[OPEN_WITH_CAPACITY][MAX_PATH] = {};
    wchar_t OpenWithDescs[OPEN_WITH_CAPACITY][MAX_PATH] = {};
    int OpenWithCount = 0;

    bool operator==(const SettingsRecord&) const = default;
};

#undef QRV_SETTING_MEMBER
#undef QRV_SETTING_MEMBER_Dword
#undef QRV_SETTING_MEMBER_Size
#undef QRV_SETTING_MEMBER_Text

// The program's settings: filled by LoadSettings, written back by SaveSettings,
// changed in memory by the settings sheet, the menus and the dialogs that own them.
// Defined once, in Settings.cpp.
extern SettingsRecord g_settings;

// Every setting keeps its AppState:: name, as a reference into g_settings.
#define QRV_SETTING_ALIAS(kind, name, value) inline auto& name = g_settings.name;
namespace AppState {
QRV_SETTINGS_ROWS(QRV_SETTING_ALIAS)
inline auto& ToolBarBtnUsed = g_settings.ToolBarBtnUsed;
inline auto& CopyToDirs = g_settings.CopyToDirs;
inline auto& CopyToDirCount = g_settings.CopyToDirCount;
inline auto& MoveToDirs = g_settings.MoveToDirs;
inline auto& MoveToDirCount = g_settings.MoveToDirCount;
inline auto& RecentFiles = g_settings.RecentFiles;
inline auto& RecentFileCount = g_settings.RecentFileCount;
inline auto& OpenWithPaths = g_settings.OpenWithPaths;
inline auto& OpenWithDescs = g_settings.OpenWithDescs;
inline auto& OpenWithCount = g_settings.OpenWithCount;
}  // namespace AppState
#undef QRV_SETTING_ALIAS
