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

// Each field is defined once, with its starting value, in app/AppState.cpp.
namespace AppState {
extern HWND MainWindow;     // owner of every message box and dialog
extern HINSTANCE Instance;  // module instance for resources and classes

// The document in the viewer.
extern int ViewMode;
extern int DocumentKind;
extern wchar_t CurrentFile[MAX_PATH];
extern wchar_t CurrentFolder[MAX_PATH];
// Current directory + the opened file's name (the quick save's Exif source).
extern wchar_t OpenedFilePath[MAX_PATH];
extern int CurrentFormatId;
extern CImage CurrentImage;
extern float Zoom;
// Set by every edit of the viewer image, cleared by open, save and close; an
// edit whose undo snapshot could not be written still counts as unsaved.
extern bool ImageModified;

// Set while a print or album run draws pictures, read from other threads.
extern std::atomic<bool> PrintInProgress;
extern std::atomic<bool> AlbumInProgress;
// The album's thumbnail background (read and written by the album dialog);
// the colour behind transparent pixels while an album is generated.
extern int CreateHTMLAlbumThumbColor;

// Viewer placement and painting.
extern RECT ViewMargins;  // client area taken by chrome (left, top, right, bottom)
extern POINT ImageOrigin;
extern POINT ScrollOffset;
extern POINT LastScrollPos;   // offsets last reported as changed by scrolling
extern POINT LastScrollStep;  // signed step of the last arrow-key scroll per axis
extern bool CanScrollX;
extern bool CanScrollY;
extern int ToolMode;  // 0 scroll, 1 select, 2 red marker
extern RECT Selection;
extern int ChannelView;      // 0 all .. 6 alpha blended
extern bool PaintSuspended;  // PaintView returns at once while set
extern bool FitPending;      // next paint applies the view style

// The viewer's mouse tools and presentation mode's cursor.
extern bool MouseCaptured;     // a tool drag holds the mouse capture
extern POINT LastMousePos;     // the drag's anchor
extern POINT MarkerLastPoint;  // previous point of the marker stroke; (-1, -1) while none runs
extern bool CursorShown;       // the mouse cursor as presentation mode left it

extern bool WheelUsed;
extern bool WindowMoved;
extern bool WindowSized;
extern bool SizeFromFit;
extern bool MenuInitialised;
extern bool PlayerControlsShown;
extern RECT WindowRect;
extern float VideoZoom;
extern bool SlideShowRunning;
extern bool DragActive;
extern HWND DragSourceWindow;  // the window the program's own drag started from, while it runs
extern INT_PTR DragItem;       // its dragged tree item (handle) or first list item (index)
extern bool PendingRecentFolder;
extern bool PendingRecentFile;
extern uint32_t LoadTimeMs;
extern bool IsWindows2000;
extern bool IsWindowsXPOrLater;

// The persisted settings are in g_settings (app/SettingsRecord.h), each
// reachable here under its own name.
}  // namespace AppState
