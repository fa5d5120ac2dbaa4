// AppState: the one program-wide state record. Every subsystem reads it; the
// user-interface thread owns it. Header-only so that the core libraries can
// read the load flags without linking the shell.
#pragma once
#include <windows.h>
#include <cstdint>

#include "image/Image.h"

enum ViewModeKind : int { VIEW_VIEWER = 0, VIEW_BROWSER = 1, VIEW_PRESENTATION = 2 };

// What the viewer holds: nothing, a file (or playlist) that was read, the error
// picture of a failed load, or an image made in memory with no file behind it.
enum DocumentKindValue : int { DOC_NONE = 0, DOC_FILE = 1, DOC_LOAD_FAILED = 2, DOC_NEW_IMAGE = 3 };

// Private messages of the main window.
enum : UINT {
    WM_APP_BROWSER_UP = 0x8259,
    WM_APP_BROWSER_OPENFOLDER = 0x825A,
    WM_APP_BROWSER_REFRESH = 0x825B,
    WM_APP_REOPEN_OPEN_DIALOG = 0x825C,
    WM_APP_OPEN_PENDING = 0x825D,
    WM_APP_BRING_TO_FRONT = 0x825E,
    WM_APP_BROWSER_GOTO = 0x825F,
    WM_APP_INIT_QUICKTIME = 0x8260,
    WM_APP_OPEN_LIST_ENTRY = 0x8261,
    WM_APP_SAVE_ITEM_AS = 0x8262,
    WM_APP_VIDEO_GRAPH_EVENT = 0x8263,
    WM_APP_SOUND_GRAPH_EVENT = 0x8264,
    WM_APP_BROWSER_BACK = 0x8265,
    WM_APP_MUSIC_GRAPH_EVENT = 0x8267,
};

// Timers of the main window.
enum : UINT_PTR {
    TIMER_SLIDESHOW = 1, TIMER_ANIMATION_FRAME = 2, TIMER_CURSOR_HIDE = 3, TIMER_PLAYER_POSITION = 4,
    TIMER_SOUND_POSITION = 5, TIMER_TREE_AUTOEXPAND = 6, TIMER_AUTOSCROLL = 7, TIMER_ANIMBAR_MOUSE = 8,
    TIMER_PLAYER_MOUSE = 9, TIMER_SOUND_MOUSE = 10, TIMER_PLAYLIST_SHOW = 11,
};

#define COPYDATA_OPEN_PATH 32
#define QRV_WINDOW_CLASS L"QRVClass"
#define QRV_MUTEX_NAME L"QRVMUTEX"

// Capacities of the numbered settings lists.
enum : int {
    COPY_MOVE_TARGET_CAPACITY = 50,
    RECENT_FILE_CAPACITY = 20,
    OPEN_WITH_CAPACITY = 20,
    RECENT_FOLDER_CAPACITY = 100,
    TOOLBAR_BUTTON_SWITCHES = 23,
};

// Every aggregate field is 16-byte aligned: the compiler may vectorise code on
// them assuming the alignment it gave its own copy of an inline variable, while
// the linker keeps another translation unit's copy.
struct AppState {
    static inline HWND MainWindow = nullptr;      // owner of every message box and dialog
    static inline HINSTANCE Instance = nullptr;   // module instance for resources and classes

    // The document in the viewer.
    static inline int ViewMode = VIEW_VIEWER;
    static inline int DocumentKind = DOC_NONE;
    static inline wchar_t CurrentFile[MAX_PATH] = {};
    static inline wchar_t CurrentFolder[MAX_PATH] = {};
    // Current directory + the opened file's name (the quick save's Exif source).
    static inline wchar_t OpenedFilePath[MAX_PATH] = {};
    static inline int CurrentFormatId = 0;
    static inline CImage CurrentImage;
    static inline float Zoom = 1.0f;
    // Set by every edit of the viewer image, cleared by open, save and close; an
    // edit whose undo snapshot could not be written still counts as unsaved.
    static inline uint8_t ImageModified = 0;

    // Loads that must leave the viewer's players, timers and bars alone. Per
    // thread: the thumbnail loader decodes on its own thread while the viewer
    // decodes on the user-interface thread (set them with LoadModeScope).
    static inline thread_local uint8_t BackgroundLoad = 0;
    static inline thread_local uint8_t PreviewLoad = 0;
    // Full size of the picture behind a reduced decode (thumbnail or scaled
    // JPEG), written by the reader on the thread that called it.
    static inline thread_local int FullImageWidth = 0;
    static inline thread_local int FullImageHeight = 0;
    static inline volatile uint8_t PrintInProgress = 0;
    static inline volatile uint8_t AlbumInProgress = 0;
    // The album's thumbnail background (read and written by the album dialog);
    // the colour behind transparent pixels while an album is generated.
    static inline int CreateHTMLAlbumThumbColor = 0xC08000;

    // Viewer placement and painting.
    alignas(16) static inline RECT ViewMargins = {};           // client area taken by chrome (left, top, right, bottom)
    alignas(16) static inline POINT ImageOrigin = {};
    alignas(16) static inline POINT ScrollOffset = {};
    alignas(16) static inline POINT LastScrollPos = {};       // offsets last reported as changed by scrolling
    alignas(16) static inline POINT LastScrollStep = {};      // signed step of the last arrow-key scroll per axis
    static inline uint8_t CanScrollX = 0;
    static inline uint8_t CanScrollY = 0;
    static inline int ToolMode = 0;                // 0 scroll, 1 select, 2 red marker
    alignas(16) static inline RECT Selection = {};
    static inline int ChannelView = 0;             // 0 all .. 6 alpha blended
    static inline uint8_t PaintSuspended = 0;      // PaintView returns at once while set
    static inline uint8_t FitPending = 0;          // next paint applies the view style
    static inline uint8_t WheelUsed = 0;
    static inline uint8_t WindowMoved = 0;
    static inline uint8_t WindowSized = 0;
    static inline uint8_t SizeFromFit = 0;
    static inline uint8_t MenuInitialised = 0;
    static inline uint8_t PlayerControlsShown = 0;
    alignas(16) static inline RECT WindowRect = {};
    static inline float VideoZoom = 1.0f;
    static inline uint8_t SlideShowRunning = 0;
    static inline uint8_t DragActive = 0;
    static inline HWND DragSourceWindow = nullptr;
    static inline uint8_t PendingRecentFolder = 0;
    static inline uint8_t PendingRecentFile = 0;
    static inline uint32_t LoadTimeMs = 0;
    static inline uint8_t IsWindows2000 = 0;
    static inline uint8_t IsWindowsXPOrLater = 0;

    // Browser state read by the shell.
    static inline int BrowserTab = 0;              // 0 all, 1 images, 2 videos, 3 audio, 4 playlist, 5 configure
    static inline int BrowserListStyle = 0;        // 0 thumbnails, 1 report
    static inline wchar_t RecentFolders[RECENT_FOLDER_CAPACITY][MAX_PATH] = {};
    static inline int RecentFolderCount = 0;
    static inline wchar_t TreeSelectedFolder[MAX_PATH] = {};

    // ---- General settings (loaded by LoadSettings, saved by SaveSettings) ----
    static inline int GeneralAlwaysOnTop = 0;
    static inline int GeneralShowToolbar = 1;
    static inline int GeneralShowStatusbar = 1;
    static inline int GeneralZoomQuality = 1;
    static inline int GeneralUseOnlyOneInstance = 0;
    static inline int GeneralViewImageAsTiles = 0;
    static inline int GeneralAlwaysMaximizeWindow = 0;
    static inline int GeneralLastWinPos = 0;
    static inline int GeneralLastWinX = 20;
    static inline int GeneralLastWinY = 20;
    static inline int GeneralLastWinW = 620;
    static inline int GeneralLastWinH = 400;
    static inline int GeneralAlwaysStartInPresentationMode = 0;
    static inline wchar_t GeneralLanguageFile[MAX_PATH] = {};
    static inline int GeneralDetectedLanguage = 0;
    static inline int GeneralViewImages = 1;
    static inline int GeneralPlayVideos = 1;
    static inline int GeneralPlayMusic = 1;
    static inline int GeneralSortOrder = 0;
    static inline int GeneralSortAscending = 1;
    static inline int GeneralOwnerdrawnMenu = 1;
    static inline int GeneralShowHiddenFiles = 0;
    static inline int GeneralShowHiddenFolders = 0;

    static inline int ViewerWrapAround = 1;
    static inline int ViewerClrBackground = 0xAFD8D8;
    static inline int ViewerIntelligentWindowPositioning = 1;
    static inline int ViewerInvertSelectionRectangle = 1;
    static inline int ViewerRedMarkerWidth = 2;
    static inline int ViewerRedMarkerColor = 0x0000FF;
    static inline int TransitionEffectsInPresentationMode = 1;
    static inline int TransitionEffectsUsed = 0;
    static inline int PrivacyNoRecentlyOpenedList = 0;
    static inline int PrivacyNoBrowsedDirsList = 0;
    static inline wchar_t SkinName[MAX_PATH] = L"Win2K";
    static inline int ViewStyleViewer = 2;
    static inline int ViewStyleBrowser = 4;
    static inline int ViewStylePresentation = 3;

    static inline int ToolBarShowToolTips = 1;
    static inline int ToolBarShowLabels = 1;
    static inline int ToolBarBackgroundType = 0;
    static inline int ToolBarSnapButtons = 1;
    alignas(16) static inline int ToolBarBtnUsed[TOOLBAR_BUTTON_SWITCHES] = {1, 0, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1,
                                                                 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    static inline int ResizeConstrainProportions = 1;
    static inline int ResizeScaleType = 3;
    static inline int SlideShowDelay = 5000;
    static inline int SlideShowWrapAround = 1;
    static inline int SlideShowDirection = 2;
    static inline int SlideShowPlayMediaTillEnd = 1;
    static inline int SlideShowStartFullscreen = 0;
    static inline wchar_t LastOpenDir[MAX_PATH] = L"C:\\";
    static inline int LastOpenFilter = 1;
    static inline wchar_t LastSaveDir[MAX_PATH] = L"C:\\";
    static inline int LastSaveFilter = 1;
    static inline int CaptureStyle = 0;
    static inline int CaptureHideAppWindow = 0;
    static inline int CaptureUseHotkeyF12 = 0;
    static inline int ExtractFramesOutputFormat = 0;
    static inline wchar_t ExtractFramesOutputDirectory[MAX_PATH] = L"C:\\Temp";
    static inline wchar_t ExtractFramesOutputFilename[MAX_PATH] = L"SomeFrame";
    static inline wchar_t CreateAnimationOutputDirectory[MAX_PATH] = L"C:\\Temp";
    static inline int CreateAnimationTIFCompression = 3;
    static inline int CreateAnimationGIFMNGDelay = 100;
    static inline int JPGCleanerEncodeProgressive = 0;
    static inline int JPGCleanerOptimize = 1;
    static inline int JPGCleanerTrimEdges = 1;
    static inline int JPGCleanerMarkersCopy = 2;
    static inline int CreateNewImageWidth = 512;
    static inline int CreateNewImageHeight = 512;
    static inline int CreateNewImageBpp = 4;
    static inline int CreateNewImageColor = 0xFFFFFF;
    static inline int ResizeCanvasColor = 0xFFFFFF;
    static inline int ResizeCanvasPosition = 0;

    static inline int FormatJP2LossLess = 0;
    static inline int FormatJP2Quality = 30;
    static inline int FormatJPGQuality = 80;
    static inline int FormatJPGOptimize = 1;
    static inline int FormatJPGProgressive = 0;
    static inline int FormatJPGSmoothing = 0;
    static inline int FormatPNGInterlace = 0;
    static inline int FormatTIFCompression = 3;
    static inline int FormatTGAEncode = 1;
    static inline int FormatSGICompression = 1;
    static inline int FormatRASCompression = 1;
    static inline int FormatRAWFlip = 0;
    static inline int FormatRAWSwapRedAndBlue = 1;
    static inline int FormatRAWNoConvert24Bit = 0;
    static inline int EffBlurRandomization = 100;
    static inline int EffBlurRepeatCount = 1;
    static inline int EffPixelizePixelWidth = 10;
    static inline int EffSharpenPercent = 70;
    static inline int ImageAlphaBlend32BitAtLoadTime = 1;
    static inline int ImageAdjustGammaAtLoadTime = 0;
    static inline int ImageAdjustGammaAtLoadTimeGamma = 10;

    static inline int BrowserStyle = 0;
    static inline int BrowserThumbWindowWidth = 512;
    static inline int BrowserWindowX = 0;
    static inline int BrowserWindowY = 0;
    static inline int BrowserWindowW = 1024;
    static inline int BrowserWindowH = 768;
    static inline int BrowserThumbnailWidth = 120;
    static inline int BrowserThumbnailHeight = 90;
    static inline int BrowserThumbnailBorder = 6;
    static inline int BrowserStretchSmallThumbnails = 0;
    static inline int BrowserScaleType = 1;
    static inline int BrowserTreeViewWindowHeight = 200;
    static inline int BrowserUseCaching = 1;
    static inline int BrowserCacheCompressionType = 1;
    static inline int BrowserFolderViewOnTheLeft = 1;
    static inline int BrowserClrBackground = 0xC0C0C0;
    static inline int BrowserHideSubfolders = 0;
    static inline int VideoLoop = 1;
    static inline int VideoAutoPlay = 1;
    static inline int VideoMuteAudio = 0;
    static inline int AudioLoop = 1;
    static inline int AudioAutoPlay = 1;

    // Numbered lists (count value plus entries numbered from 1 in the registry).
    static inline wchar_t CopyToDirs[COPY_MOVE_TARGET_CAPACITY][MAX_PATH] = {};
    static inline int CopyToDirCount = 0;
    static inline wchar_t MoveToDirs[COPY_MOVE_TARGET_CAPACITY][MAX_PATH] = {};
    static inline int MoveToDirCount = 0;
    static inline wchar_t RecentFiles[RECENT_FILE_CAPACITY][MAX_PATH] = {};  // newest first
    static inline int RecentFileCount = 0;
    static inline wchar_t OpenWithPaths[OPEN_WITH_CAPACITY][MAX_PATH] = {};
    static inline wchar_t OpenWithDescs[OPEN_WITH_CAPACITY][MAX_PATH] = {};
    static inline int OpenWithCount = 0;
};
