// The window chrome around the view: main tool bar, status bar, scroll bars
// with the zoom slider, the image tool bar, and the skin. Each is one global
// object with a created flag; Create on a created object only refreshes it,
// every other operation does nothing before Create, and Destroy gives back
// exactly the view margin Create took.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include "command_ids.h"

// The main tool bar's command buttons in their order on the bar (separators
// left out). Clicks reach the command table as WM_COMMAND; IDM_FILE_OPERATIONS
// only opens its drop-down menu.
inline constexpr UINT kMainToolBarCommands[] = {
    IDM_OPEN_MEDIA, IDM_RELOAD_MEDIA, IDM_BROWSE,          IDM_PREVIOUS_MEDIA, IDM_NEXT_MEDIA, IDM_EXIT,
    IDM_SAVE_AS,    IDM_PRINT,        IDM_ACQUIRE,         IDM_UNDO,           IDM_REDO,       IDM_ZOOM_IN,
    IDM_ZOOM_100,   IDM_ZOOM_OUT,     IDM_FILE_OPERATIONS, IDM_SLIDESHOW,      IDM_SETTINGS,   IDM_ABOUT,
};

class CMainToolBar {
public:
    void Create(HWND owner);
    void Destroy();
    void Resize();
    void UpdateButtonStates();
    void OnChevron(NMHDR* notify, HWND mainWindow);
    bool GetTooltipText(NMTTDISPINFOW* info);
    // x offset inside the tool bar of the button of Zoom In, Zoom Out, Zoom 100 %,
    // Next or Previous (IDM_ZOOM_IN ... IDM_PREVIOUS_MEDIA); -1 when the
    // button is not shown (then the cursor is not snapped to it).
    int ButtonOffset(UINT command) const;
    void SetButtonOffset(UINT command, int offset);
    bool created = false;
    int marginTaken = 0;
    HWND owner = nullptr;
    int zoomInOffset = -1, zoomOutOffset = -1, zoom100Offset = -1, nextOffset = -1, previousOffset = -1;
};

class CStatusBar {
public:
    void Create(HWND mainWindow);
    void Destroy();
    void Resize();
    void Update();
    bool created = false;
    int marginTaken = 0;
    HWND window = nullptr;
};

class CViewScrollBars {
public:
    void Create(HWND owner, HINSTANCE instance);
    void Destroy();
    void Layout();
    void UpdateRanges();
    void OnHScroll(LPARAM lParam, WPARAM wParam);
    void OnVScroll(LPARAM lParam, WPARAM wParam);
    bool created = false;
    RECT marginsTaken = {};
};

class CImageToolBar {
public:
    void Create(HWND owner);
    void Destroy();
    void Reposition();
    void UpdateButtonStates();
    bool GetTooltipText(NMTTDISPINFOW* info);
    int Length() const { return created ? length : 0; }
    bool created = false;
    int marginTaken = 0;
    int length = 0;
};

class CSkin {
public:
    bool Load(const wchar_t* name);
    int GetInt(const wchar_t* key) const;
    void GetSkinsFolder(wchar_t* out);
    void GetIniPath(wchar_t* out);
    wchar_t name[MAX_PATH] = {};
    wchar_t skinsFolder[MAX_PATH] = {};
    wchar_t iniPath[MAX_PATH] = {};
    int cxPlayerButton = 16, cyPlayerButton = 16, cxPlayerImage = 16, cyPlayerImage = 16;
    bool loaded = false;
};

extern CMainToolBar MainToolBar;
extern CStatusBar StatusBar;
extern CViewScrollBars ViewScrollBars;
extern CImageToolBar ImageToolBar;
extern CSkin Skin;

// Heights the chrome takes (the stand-ins' fixed sizes).
enum : int { MAIN_TOOLBAR_HEIGHT = 28, STATUS_BAR_HEIGHT = 20, IMAGE_TOOLBAR_WIDTH = 28 };
