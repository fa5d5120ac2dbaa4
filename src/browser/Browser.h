// CBrowser: the folder browser pane inside the main window. It has no window
// class of its own: its controls are children of the main window, which
// routes their messages here.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/Modes.h"
#include "command_ids.h"

// The browser tool bar's buttons in their order on the bar (separators left
// out); IDM_BROWSER_SORT_ORDER, IDM_BROWSER_CONFIGURE and IDM_BROWSER_BATCH only
// open their drop-down menus.
inline constexpr UINT kBrowserToolBarCommands[] = {
    IDM_BROWSER_BACK,       IDM_BROWSER_UP,        IDM_BROWSER_FOLDER_PANE,   IDM_BROWSER_SELECT_ALL,
    IDM_BROWSER_REFRESH,    IDM_BROWSER_SEARCH,    IDM_BROWSER_CHOOSE_FOLDER, IDM_BROWSER_NEW_FOLDER,
    IDM_BROWSER_SORT_ORDER, IDM_BROWSER_CONFIGURE, IDM_BROWSER_BATCH,         IDM_BROWSER_MOVE,
    IDM_BROWSER_COPY,       IDM_BROWSER_RENAME,    IDM_BROWSER_DELETE,
};

// ---- the pane's arithmetic, without a window ----

// What the layout reads: client size, the viewer's margins (left, top, right,
// bottom), the status bar, combo and rebar heights and the arrangement.
struct BrowserLayoutInput {
    int width = 0, height = 0;
    RECT margins = {};
    int statusHeight = 0;
    int comboHeight = 0;
    int rebarHeight = 0;
    bool folderLeft = true;
    int vscrollWidth = 0;
    bool minimized = false;
};

// The splitter positions (the settings BrowserThumbWindowWidth and
// BrowserTreeViewWindowHeight) and the client size they last followed.
struct BrowserSplit {
    int x = 0, y = 0;
    int lastWidth = -1, lastHeight = -1;
};

// Rectangles as x, y, width, height.
struct BrowserBox {
    int x = 0, y = 0, w = 0, h = 0;
};
struct BrowserLayoutBoxes {
    BrowserBox horizontalBar, verticalBar, combo, tree, tabs, rebar, list;
};

// Lets the splitters follow a size change by half of it, then places every
// control.
BrowserLayoutBoxes ComputeBrowserLayout(const BrowserLayoutInput& in, BrowserSplit& split);
// A drag of the vertical bar to cursorX (client x of the cursor): kept right
// of the left margin and left of the room the list needs.
int DragVerticalBar(int cursorX, int clientWidth, int thumbnailWidth, int marginLeft, int marginRight);
// A drag of the horizontal bar to cursorY (the bar's y below the top margin):
// at least the combo height, and 120 pixels above the bottom margin.
int DragHorizontalBar(int cursorY, int clientHeight, int comboHeight, int marginTop, int marginBottom);

// The folder's style file: folder + "\browser.style".
std::wstring FolderStylePath(const wchar_t* folder);
// The view mode a folder shows: the file's value (above 1 is report, below 0
// thumbnails; a file shorter than 4 bytes keeps current), else defaultStyle;
// the audio tab always shows a report. own tells whether the file exists.
int ReadFolderStyle(const wchar_t* folder, int current, int defaultStyle, int tab, bool* own);

class CBrowser {
public:
    CBrowser();
    ~CBrowser();
    CBrowser(const CBrowser&) = delete;
    CBrowser& operator=(const CBrowser&) = delete;

    // The folder by mode: the current directory, the first recent folder or the given one.
    bool Open(const wchar_t* folder, BrowserOpenMode mode, HWND owner);
    bool Close();
    bool Hide();
    void Show();
    // Refused (false) while closed, hidden or while the thumbnail loader runs.
    bool ChangeFolder(const wchar_t* folder, BrowserOpenMode mode, bool keepTree);
    bool Layout();
    bool IsShown() const { return open && !hidden; }
    bool IsHidden() const { return open && hidden; }
    void LoadRecentFolders();
    void SaveRecentFolders();
    void AddRecentFolder(const wchar_t* folder);
    // The address box's entries (at most 100) become the recent-folder list.
    void CopyComboToRecentFolders();
    bool OnTabChange();
    bool OnConfigCommand(LPARAM control);
    bool GetToolbarTipText(NMTTDISPINFOW* info);
    // True when a tip was written (none while the loader runs, on the
    // playlist and configure tabs, or without a list).
    bool GetFileInfoTip(NMLVGETINFOTIPW* info);
    // False while the browser is hidden or closed.
    bool UpdateToolbarButtons();
    void LoadFolderStyle(const wchar_t* folder);
    void SaveFolderStyle(int style, const wchar_t* folder);
    void DeleteFolderStyle(const wchar_t* folder);
    int GetListAreaWidth() const;

    bool CreateControls(const wchar_t* folder);
    bool CreateToolbar();
    void DestroyToolbar();
    bool CreateTabs();
    bool DestroyTabs();
    bool CreateConfigControls();
    bool ShowConfigControls(bool show);
    bool SyncConfigControls();
    bool LayoutConfigControls();
    bool DestroyConfigControls();

    // The splitter bars' window procedure (both classes).
    static LRESULT CALLBACK SplitterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND owner = nullptr;
    HWND addressCombo = nullptr;
    HWND tabWindow = nullptr;
    HWND verticalBar = nullptr;
    HWND horizontalBar = nullptr;
    // Save style, close configuration, delete style, thumbnails, report, frame.
    HWND configControls[6] = {};
    HWND rebar = nullptr;
    HWND toolbar = nullptr;
    HIMAGELIST coldImages = nullptr, hotImages = nullptr, tabImages = nullptr;
    int rebarHeight = 0;
    int comboHeight = 0;
    HFONT listFont = nullptr;
    bool hidden = false;
    bool open = false;
    bool ownStyle = false;

    HWND fileListWindow = nullptr;
    HWND folderTreeWindow = nullptr;
    HWND playlistListWindow = nullptr;

private:
    void ShowListArea(bool show);
    void SelectCurrentListItem();
    BrowserSplit split_;
    bool dragging_ = false;
    POINT lastDrag_ = {-1, -1};
};

extern CBrowser Browser;

// The current list item (list index) the browser last selected, -1 none.
inline int BrowserCurrentListItem = -1;
