// CBrowser: the folder browser pane inside the main window.
#pragma once
#include <windows.h>
#include <commctrl.h>

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

class CBrowser {
public:
    // The folder by mode: the current directory, the first recent folder or the given one.
    bool Open(const wchar_t* folder, BrowserOpenMode mode, HWND owner);
    void Close();
    void Hide();
    void Show();
    bool ChangeFolder(const wchar_t* folder, BrowserOpenMode mode);
    void Layout();
    bool IsShown() const { return open && !hidden; }
    bool IsHidden() const { return open && hidden; }
    void LoadRecentFolders();
    void OnTabChange();
    bool OnConfigCommand(LPARAM control);
    bool GetToolbarTipText(NMTTDISPINFOW* info);
    void GetFileInfoTip(NMLVGETINFOTIPW* info);
    void UpdateToolbarButtons();
    void SaveFolderStyle(int style, const wchar_t* folder);
    void DeleteFolderStyle(const wchar_t* folder);
    int GetListAreaWidth() const;

    bool open = false;
    bool hidden = false;
    HWND owner = nullptr;
    HWND fileListWindow = nullptr;
    HWND folderTreeWindow = nullptr;
    HWND playlistListWindow = nullptr;
    HWND tabWindow = nullptr;
    HWND addressCombo = nullptr;
};

extern CBrowser Browser;
