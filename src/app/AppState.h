// AppState: the shell's program-wide state. The user-interface thread owns it;
// the load flags that readers use live in the core (formats/LoadFlags.h).
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>

#include "app/MainWindowIds.h"  // capacities of the numbered lists
#include "app/Modes.h"
#include "app/SettingsRecord.h"
#include "formats/LoadFlags.h"  // the load flags and full size, owned by the core
#include "image/Image.h"

enum ViewModeKind : int { VIEW_VIEWER = 0, VIEW_BROWSER = 1, VIEW_PRESENTATION = 2 };

// What the viewer holds: nothing, a file (or playlist) that was read, the error
// picture of a failed load, or an image made in memory with no file behind it.
enum DocumentKindValue : int { DOC_NONE = 0, DOC_FILE = 1, DOC_LOAD_FAILED = 2, DOC_NEW_IMAGE = 3 };

// Every aggregate field is 16-byte aligned: the compiler may vectorise code on
// them assuming the alignment it gave its own copy of an inline variable, while
// the linker keeps another translation unit's copy.
namespace AppState {
inline HWND MainWindow = nullptr;     // owner of every message box and dialog
inline HINSTANCE Instance = nullptr;  // module instance for resources and classes

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

// Set while a print or album run draws pictures, read from other threads.
inline std::atomic<bool> PrintInProgress = false;
inline std::atomic<bool> AlbumInProgress = false;
// The album's thumbnail background (read and written by the album dialog);
// the colour behind transparent pixels while an album is generated.
inline int CreateHTMLAlbumThumbColor = 0xC08000;

// Viewer placement and painting.
alignas(16) inline RECT ViewMargins = {};  // client area taken by chrome (left, top, right, bottom)
alignas(16) inline POINT ImageOrigin = {};
alignas(16) inline POINT ScrollOffset = {};
alignas(16) inline POINT LastScrollPos = {};   // offsets last reported as changed by scrolling
alignas(16) inline POINT LastScrollStep = {};  // signed step of the last arrow-key scroll per axis
inline bool CanScrollX = false;
inline bool CanScrollY = false;
inline int ToolMode = 0;  // 0 scroll, 1 select, 2 red marker
alignas(16) inline RECT Selection = {};
inline int ChannelView = 0;          // 0 all .. 6 alpha blended
inline bool PaintSuspended = false;  // PaintView returns at once while set
inline bool FitPending = false;      // next paint applies the view style
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

// The persisted settings are in g_settings (app/SettingsRecord.h), each
// reachable here under its own name.
}  // namespace AppState
