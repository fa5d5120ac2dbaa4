// AppState: the one program-wide state record. Every subsystem reads it; the
// user-interface thread owns it. Header-only so that the core libraries can
// read the load flags without linking the shell.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>

#include "app/MainWindowIds.h"  // capacities of the numbered lists
#include "app/Modes.h"
#include "image/Image.h"

enum ViewModeKind : int { VIEW_VIEWER = 0, VIEW_BROWSER = 1, VIEW_PRESENTATION = 2 };

// What the viewer holds: nothing, a file (or playlist) that was read, the error
// picture of a failed load, or an image made in memory with no file behind it.
enum DocumentKindValue : int { DOC_NONE = 0, DOC_FILE = 1, DOC_LOAD_FAILED = 2, DOC_NEW_IMAGE = 3 };

// Every aggregate field is 16-byte aligned: the compiler may vectorise code on
// them assuming the alignment it gave its own copy of an inline variable, while
// the linker keeps another translation unit's copy.
namespace AppState {
    inline HWND MainWindow = nullptr;      // owner of every message box and dialog
    inline HINSTANCE Instance = nullptr;   // module instance for resources and classes

    // The document in the viewer.
    inline int ViewMode = VIEW_VIEWER;
    inline int DocumentKind = DOC_NONE;
    inline wchar_t CurrentFile[MAX_PATH] = {};
    inline wchar_t CurrentFolder[MAX_PATH] = {};
    // Current directory + the opened file's name (the quick save's Exif source).
    inline wchar_t OpenedFilePath[MAX_PATH] = {};
    inline int CurrentFormatId = 0;
    inline CImage CurrentImage;
    inline float Zoom = 1.0f;
    // Set by every edit of the viewer image, cleared by open, save and close; an
    // edit whose undo snapshot could not be written still counts as unsaved.
    inline bool ImageModified = false;

    // Loads that must leave the viewer's players, timers and bars alone. Per
    // thread: the thumbnail loader decodes on its own thread while the viewer
    // decodes on the user-interface thread (set them with LoadModeScope).
    inline thread_local uint8_t BackgroundLoad = 0;
    inline thread_local uint8_t PreviewLoad = 0;
    // Full size of the picture behind a reduced decode (thumbnail or scaled
    // JPEG), written by the reader on the thread that called it.
    inline thread_local int FullImageWidth = 0;
    inline thread_local int FullImageHeight = 0;
    // Set while a print or album run draws pictures, read from other threads.
    inline std::atomic<bool> PrintInProgress = false;
    inline std::atomic<bool> AlbumInProgress = false;
    // The album's thumbnail background (read and written by the album dialog);
    // the colour behind transparent pixels while an album is generated.
    inline int CreateHTMLAlbumThumbColor = 0xC08000;

    // Viewer placement and painting.
    alignas(16) inline RECT ViewMargins = {};           // client area taken by chrome (left, top, right, bottom)
    alignas(16) inline POINT ImageOrigin = {};
    alignas(16) inline POINT ScrollOffset = {};
    alignas(16) inline POINT LastScrollPos = {};       // offsets last reported as changed by scrolling
    alignas(16) inline POINT LastScrollStep = {};      // signed step of the last arrow-key scroll per axis
    inline bool CanScrollX = false;
    inline bool CanScrollY = false;
    inline int ToolMode = 0;                // 0 scroll, 1 select, 2 red marker
    alignas(16) inline RECT Selection = {};
    inline int ChannelView = 0;             // 0 all .. 6 alpha blended
    inline bool PaintSuspended = false;      // PaintView returns at once while set
    inline bool FitPending = false;          // next paint applies the view style
    inline bool WheelUsed = false;
    inline bool WindowMoved = false;
    inline bool WindowSized = false;
    inline bool SizeFromFit = false;
    inline bool MenuInitialised = false;
    inline bool PlayerControlsShown = false;
    alignas(16) inline RECT WindowRect = {};
    inline float VideoZoom = 1.0f;
    inline bool SlideShowRunning = false;
    inline bool DragActive = false;
    inline HWND DragSourceWindow = nullptr;
    inline bool PendingRecentFolder = false;
    inline bool PendingRecentFile = false;
    inline uint32_t LoadTimeMs = 0;
    inline bool IsWindows2000 = false;
    inline bool IsWindowsXPOrLater = false;

    // ---- General settings (loaded by LoadSettings, saved by SaveSettings) ----
    inline int GeneralAlwaysOnTop = 0;
    inline int GeneralShowToolbar = 1;
    inline int GeneralShowStatusbar = 1;
    inline int GeneralZoomQuality = 1;
    inline int GeneralUseOnlyOneInstance = 0;
    inline int GeneralViewImageAsTiles = 0;
    inline int GeneralAlwaysMaximizeWindow = 0;
    inline int GeneralLastWinPos = 0;
    inline int GeneralLastWinX = 20;
    inline int GeneralLastWinY = 20;
    inline int GeneralLastWinW = 620;
    inline int GeneralLastWinH = 400;
    inline int GeneralAlwaysStartInPresentationMode = 0;
    inline wchar_t GeneralLanguageFile[MAX_PATH] = {};
    inline int GeneralDetectedLanguage = 0;
    inline int GeneralViewImages = 1;
    inline int GeneralPlayVideos = 1;
    inline int GeneralPlayMusic = 1;
    inline int GeneralSortOrder = 0;
    inline int GeneralSortAscending = 1;
    inline int GeneralOwnerdrawnMenu = 1;
    inline int GeneralShowHiddenFiles = 0;
    inline int GeneralShowHiddenFolders = 0;

    inline int ViewerWrapAround = 1;
    inline int ViewerClrBackground = 0xAFD8D8;
    inline int ViewerIntelligentWindowPositioning = 1;
    inline int ViewerInvertSelectionRectangle = 1;
    inline int ViewerRedMarkerWidth = 2;
    inline int ViewerRedMarkerColor = 0x0000FF;
    inline int TransitionEffectsInPresentationMode = 1;
    inline int TransitionEffectsUsed = 0;
    inline int PrivacyNoRecentlyOpenedList = 0;
    inline int PrivacyNoBrowsedDirsList = 0;
    inline wchar_t SkinName[MAX_PATH] = L"Win2K";
    inline int ViewStyleViewer = 2;
    inline int ViewStyleBrowser = 4;
    inline int ViewStylePresentation = 3;

    inline int ToolBarShowToolTips = 1;
    inline int ToolBarShowLabels = 1;
    inline int ToolBarBackgroundType = 0;
    inline int ToolBarSnapButtons = 1;
    alignas(16) inline int ToolBarBtnUsed[TOOLBAR_BUTTON_SWITCHES] = {1, 0, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1,
                                                                 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    inline int ResizeConstrainProportions = 1;
    inline int ResizeScaleType = 3;
    inline int SlideShowDelay = 5000;
    inline int SlideShowWrapAround = 1;
    inline int SlideShowDirection = 2;
    inline int SlideShowPlayMediaTillEnd = 1;
    inline int SlideShowStartFullscreen = 0;
    inline wchar_t LastOpenDir[MAX_PATH] = L"C:\\";
    inline int LastOpenFilter = 1;
    inline wchar_t LastSaveDir[MAX_PATH] = L"C:\\";
    inline int LastSaveFilter = 1;
    inline int CaptureStyle = 0;
    inline int CaptureHideAppWindow = 0;
    inline int CaptureUseHotkeyF12 = 0;
    inline int ExtractFramesOutputFormat = 0;
    inline wchar_t ExtractFramesOutputDirectory[MAX_PATH] = L"C:\\Temp";
    inline wchar_t ExtractFramesOutputFilename[MAX_PATH] = L"SomeFrame";
    inline wchar_t CreateAnimationOutputDirectory[MAX_PATH] = L"C:\\Temp";
    inline int CreateAnimationTIFCompression = 3;
    inline int CreateAnimationGIFMNGDelay = 100;
    inline int JPGCleanerEncodeProgressive = 0;
    inline int JPGCleanerOptimize = 1;
    inline int JPGCleanerTrimEdges = 1;
    inline int JPGCleanerMarkersCopy = 2;
    inline int CreateNewImageWidth = 512;
    inline int CreateNewImageHeight = 512;
    inline int CreateNewImageBpp = 4;
    inline int CreateNewImageColor = 0xFFFFFF;
    inline int ResizeCanvasColor = 0xFFFFFF;
    inline int ResizeCanvasPosition = 0;

    inline int FormatJP2LossLess = 0;
    inline int FormatJP2Quality = 30;
    inline int FormatJPGQuality = 80;
    inline int FormatJPGOptimize = 1;
    inline int FormatJPGProgressive = 0;
    inline int FormatJPGSmoothing = 0;
    inline int FormatPNGInterlace = 0;
    inline int FormatTIFCompression = 3;
    inline int FormatTGAEncode = 1;
    inline int FormatSGICompression = 1;
    inline int FormatRASCompression = 1;
    inline int FormatRAWFlip = 0;
    inline int FormatRAWSwapRedAndBlue = 1;
    inline int FormatRAWNoConvert24Bit = 0;
    inline int EffBlurRandomization = 100;
    inline int EffBlurRepeatCount = 1;
    inline int EffPixelizePixelWidth = 10;
    inline int EffSharpenPercent = 70;
    inline int ImageAlphaBlend32BitAtLoadTime = 1;
    inline int ImageAdjustGammaAtLoadTime = 0;
    inline int ImageAdjustGammaAtLoadTimeGamma = 10;

    inline int BrowserStyle = 0;
    inline int BrowserThumbWindowWidth = 512;
    inline int BrowserWindowX = 0;
    inline int BrowserWindowY = 0;
    inline int BrowserWindowW = 1024;
    inline int BrowserWindowH = 768;
    inline int BrowserThumbnailWidth = 120;
    inline int BrowserThumbnailHeight = 90;
    inline int BrowserThumbnailBorder = 6;
    inline int BrowserStretchSmallThumbnails = 0;
    inline int BrowserScaleType = 1;
    inline int BrowserTreeViewWindowHeight = 200;
    inline int BrowserUseCaching = 1;
    inline int BrowserCacheCompressionType = 1;
    inline int BrowserFolderViewOnTheLeft = 1;
    inline int BrowserClrBackground = 0xC0C0C0;
    inline int BrowserHideSubfolders = 0;
    inline int VideoLoop = 1;
    inline int VideoAutoPlay = 1;
    inline int VideoMuteAudio = 0;
    inline int AudioLoop = 1;
    inline int AudioAutoPlay = 1;

    // Numbered lists (count value plus entries numbered from 1 in the registry).
    inline wchar_t CopyToDirs[COPY_MOVE_TARGET_CAPACITY][MAX_PATH] = {};
    inline int CopyToDirCount = 0;
    inline wchar_t MoveToDirs[COPY_MOVE_TARGET_CAPACITY][MAX_PATH] = {};
    inline int MoveToDirCount = 0;
    inline wchar_t RecentFiles[RECENT_FILE_CAPACITY][MAX_PATH] = {};  // newest first
    inline int RecentFileCount = 0;
    inline wchar_t OpenWithPaths[OPEN_WITH_CAPACITY][MAX_PATH] = {};
    inline wchar_t OpenWithDescs[OPEN_WITH_CAPACITY][MAX_PATH] = {};
    inline int OpenWithCount = 0;
}  // namespace AppState
