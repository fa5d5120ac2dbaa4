// AppState: the one program-wide state record. Every subsystem reads it; the
// user-interface thread owns it. Header-only so that the core libraries can
// read the load flags without linking the shell.
#pragma once
#include <windows.h>
#include <cstdint>

#include "app/SettingsRecord.h"
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

// Capacity of the browser's recent-folder list.
inline constexpr int RECENT_FOLDER_CAPACITY = 100;

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
    inline uint8_t ImageModified = 0;

    // Loads that must leave the viewer's players, timers and bars alone. Per
    // thread: the thumbnail loader decodes on its own thread while the viewer
    // decodes on the user-interface thread (set them with LoadModeScope).
    inline thread_local uint8_t BackgroundLoad = 0;
    inline thread_local uint8_t PreviewLoad = 0;
    // Full size of the picture behind a reduced decode (thumbnail or scaled
    // JPEG), written by the reader on the thread that called it.
    inline thread_local int FullImageWidth = 0;
    inline thread_local int FullImageHeight = 0;
    inline volatile uint8_t PrintInProgress = 0;
    inline volatile uint8_t AlbumInProgress = 0;
    // The album's thumbnail background (read and written by the album dialog);
    // the colour behind transparent pixels while an album is generated.
    inline int CreateHTMLAlbumThumbColor = 0xC08000;

    // Viewer placement and painting.
    alignas(16) inline RECT ViewMargins = {};           // client area taken by chrome (left, top, right, bottom)
    alignas(16) inline POINT ImageOrigin = {};
    alignas(16) inline POINT ScrollOffset = {};
    alignas(16) inline POINT LastScrollPos = {};       // offsets last reported as changed by scrolling
    alignas(16) inline POINT LastScrollStep = {};      // signed step of the last arrow-key scroll per axis
    inline uint8_t CanScrollX = 0;
    inline uint8_t CanScrollY = 0;
    inline int ToolMode = 0;                // 0 scroll, 1 select, 2 red marker
    alignas(16) inline RECT Selection = {};
    inline int ChannelView = 0;             // 0 all .. 6 alpha blended
    inline uint8_t PaintSuspended = 0;      // PaintView returns at once while set
    inline uint8_t FitPending = 0;          // next paint applies the view style
    inline uint8_t WheelUsed = 0;
    inline uint8_t WindowMoved = 0;
    inline uint8_t WindowSized = 0;
    inline uint8_t SizeFromFit = 0;
    inline uint8_t MenuInitialised = 0;
    inline uint8_t PlayerControlsShown = 0;
    alignas(16) inline RECT WindowRect = {};
    inline float VideoZoom = 1.0f;
    inline uint8_t SlideShowRunning = 0;
    inline uint8_t DragActive = 0;
    inline HWND DragSourceWindow = nullptr;
    inline uint8_t PendingRecentFolder = 0;
    inline uint8_t PendingRecentFile = 0;
    inline uint32_t LoadTimeMs = 0;
    inline uint8_t IsWindows2000 = 0;
    inline uint8_t IsWindowsXPOrLater = 0;

    // Browser state read by the shell.
    inline int BrowserTab = 0;              // 0 all, 1 images, 2 videos, 3 audio, 4 playlist, 5 configure
    inline int BrowserListStyle = 0;        // 0 thumbnails, 1 report
    inline wchar_t RecentFolders[RECENT_FOLDER_CAPACITY][MAX_PATH] = {};
    inline int RecentFolderCount = 0;
    inline wchar_t TreeSelectedFolder[MAX_PATH] = {};

    // The persisted settings are in g_settings (app/SettingsRecord.h), each
    // reachable here under its own name.
}  // namespace AppState
