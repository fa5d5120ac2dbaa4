// AppState: the one definition of each of the shell's program-wide fields,
// with its starting value (the declarations and their notes are in AppState.h).
#include "app/AppState.h"

namespace AppState {
HWND MainWindow = nullptr;
HINSTANCE Instance = nullptr;
int ViewMode = VIEW_VIEWER;
int DocumentKind = DOC_NONE;
wchar_t CurrentFile[MAX_PATH] = {};
wchar_t CurrentFolder[MAX_PATH] = {};
wchar_t OpenedFilePath[MAX_PATH] = {};
int CurrentFormatId = 0;
CImage CurrentImage;
float Zoom = 1.0f;
bool ImageModified = false;
std::atomic<bool> PrintInProgress = false;
std::atomic<bool> AlbumInProgress = false;
int CreateHTMLAlbumThumbColor = 0xC08000;
RECT ViewMargins = {};
POINT ImageOrigin = {};
POINT ScrollOffset = {};
POINT LastScrollPos = {};
POINT LastScrollStep = {};
bool CanScrollX = false;
bool CanScrollY = false;
int ToolMode = 0;
RECT Selection = {};
bool MouseCaptured = false;
POINT LastMousePos = {};
POINT MarkerLastPoint = {-1, -1};
bool CursorShown = true;
int ChannelView = 0;
bool PaintSuspended = false;
bool FitPending = false;
bool WheelUsed = false;
bool WindowMoved = false;
bool WindowSized = false;
bool SizeFromFit = false;
bool MenuInitialised = false;
bool PlayerControlsShown = true;  // 0 only while presentation mode hides the strips
RECT WindowRect = {};
float VideoZoom = 1.0f;
bool SlideShowRunning = false;
bool DragActive = false;
HWND DragSourceWindow = nullptr;
INT_PTR DragItem = -1;
bool PendingRecentFolder = false;
bool PendingRecentFile = false;
uint32_t LoadTimeMs = 0;
bool IsWindows2000 = false;
bool IsWindowsXPOrLater = false;
}  // namespace AppState
