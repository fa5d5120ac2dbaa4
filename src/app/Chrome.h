// The window chrome around the view: main tool bar (MainToolBar.h), status
// bar, scroll bars with the zoom slider, the image tool bar, and the skin. Each
// is one global object with a created flag; Create on a created object only
// refreshes it (the main tool bar is built anew), every other operation does
// nothing before Create, and Destroy gives back exactly the view margin Create took.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <cstddef>
#include <cstdint>

#include "command_ids.h"
#include "image/ProgramSite.h"
#include "app/ImageToolBar.h"
#include "app/MainToolBar.h"
#include "app/Skin.h"

// Everything the status bar shows, read from the program's state by
// CollectStatusBarState so that the texts are made by a plain function.
struct StatusBarState {
    int documentKind = 0;
    int formatId = 0;
    bool scanBusy = false;
    int fileCount = 0;
    int fileIndex = 0;
    uint32_t fileSize = 0;
    FILETIME fileTime = {};
    bool imageValid = false;
    int width = 0, height = 0, bpp = 0;
    float zoom = 1.0f;
    RECT selection = {};  // client pixels
    POINT origin = {};    // client position of the image's first pixel
    bool animationActive = false;
    int animationKind = 0;
    int frameCount = 0;
    int currentFrame = 0;
    int layerCount = 0;
    uint32_t positionMs = 0;
    uint64_t durationMs = 0;
    uint32_t loadTimeMs = 0;
    const wchar_t* currentDirectory = L"";
};
StatusBarState CollectStatusBarState();

// Room for the longest text: a full path with the failed-load sentence, or a
// simple-mode folder of MAX_PATH characters.
inline constexpr size_t kStatusTextChars = MAX_PATH + 128;
inline constexpr int kStatusPartCount = 5;
inline constexpr wchar_t kStatusScanText[] = L"Searching/Sorting...please wait";
inline constexpr wchar_t kSupportAddress[] = L"" QRV_SUPPORT_ADDRESS;

struct StatusBarTexts {
    bool simple = true;  // one text over the whole bar (parts[0])
    int partCount = 0;   // parts shown when not simple (4 for sound, else 5)
    wchar_t parts[kStatusPartCount][kStatusTextChars] = {};
};
void BuildStatusBarTexts(const StatusBarState& state, StatusBarTexts& out);
// "h:mm:ss" of a millisecond count.
void FormatMediaTime(wchar_t* out, size_t size, uint64_t ms);

inline constexpr int kStatusBarId = 0x32C8;

class CStatusBar {
public:
    // Destroys an existing bar first; false when the window cannot be made.
    bool Create(HWND mainWindow);
    bool Destroy();
    bool Resize();
    // Rebuilds the parts from the current state on the user-interface thread;
    // from another thread it posts WM_APP_STATUS_UPDATE to the main window.
    // False before Create.
    bool Update();
    bool created = false;
    int marginTaken = 0;  // the bar's height, part of the bottom view margin
    HWND window = nullptr;
    HFONT font = nullptr;
    HWND parent = nullptr;
};

// The zoom slider's factors, from the top position (0) down to 19.
inline constexpr int kZoomSlotCount = 20;
inline constexpr float kZoomSlots[kZoomSlotCount] = {50.0f, 40.0f, 30.0f, 20.0f, 10.0f, 7.5f,  5.0f,
                                                     3.0f,  2.5f,  2.0f,  1.5f,  1.0f,  0.75f, 0.5f,
                                                     0.25f, 0.15f, 0.1f,  0.05f, 0.03f, 0.02f};
// Slider position of a zoom: the slot i with table[i + 1] < zoom <= table[i],
// 19 for a zoom of 0.02 and below, -1 above 50.
int FindZoomSlot(float zoom);
// "100% Zoom"
void FormatZoomTip(wchar_t* out, size_t size, float zoom);

// One scroll bar's range: the zoomed extent, the page (the view's extent + 1)
// and the thumb for the scroll offset (a positive offset moves the image
// towards the right or bottom, so the thumb goes back).
struct ScrollBarRange {
    int max, page, pos;
};
ScrollBarRange ComputeScrollBarRange(int zoomedExtent, int page, int scrollOffset);
// The scroll offset that puts the thumb at thumbPos; the inverse of the above.
int ScrollOffsetFromThumb(int zoomedExtent, int page, int thumbPos);
// Page of one axis: client extent + 1 - both margins - the browser's share.
int ScrollBarPage(int clientExtent, int marginBefore, int marginAfter, int browserShare);

// Where the three controls lie (x, y, width, height each) in the client area;
// a is the bar thickness, p the browser's list width, t its folder pane
// height above the view, r the image tool bar's width.
struct ControlPlace {
    int x, y, width, height;
};
struct ScrollBarsLayout {
    ControlPlace horizontal, vertical, slider;
};
ScrollBarsLayout ComputeScrollBarsLayout(const RECT& client, const RECT& margins, int a, int p, int t, int r);

class CViewScrollBars {
public:
    bool Create(HWND owner, HINSTANCE instance);
    bool Destroy();
    bool Layout();
    bool UpdateRanges();
    bool OnHScroll(LPARAM control, WPARAM wParam);
    bool OnVScroll(LPARAM control, WPARAM wParam);
    void ShowZoomTip();
    HWND horizontal = nullptr, vertical = nullptr, slider = nullptr, tip = nullptr;
    bool created = false;
    bool tracking = false;
    HWND parent = nullptr;
    int thicknessA = 0, thicknessB = 0;
    WNDPROC sliderProc = nullptr;
    RECT marginsTaken = {};
};

extern CStatusBar StatusBar;
extern CViewScrollBars ViewScrollBars;

// Heights the chrome takes (the stand-ins' fixed sizes).
enum : int { STATUS_BAR_HEIGHT = 20 };
