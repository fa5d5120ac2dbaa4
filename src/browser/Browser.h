// CBrowser: the folder browser pane inside the main window.
#pragma once
#include <windows.h>
#include <commctrl.h>

class CBrowser {
public:
    // mode 0: the current directory, 1: the first recent folder, 2: the given folder.
    bool Open(const wchar_t* folder, int mode, HWND owner);
    void Close();
    void Hide();
    void Show();
    bool ChangeFolder(const wchar_t* folder, int mode);
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
