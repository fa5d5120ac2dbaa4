// Stand-in of the browser pane: it keeps the open/hidden state and the view
// mode, places the main window at the stored browser rectangle and shows it,
// and saves the recent-folder list when it closes. The pane's controls are not
// built yet.
#include "browser/Browser.h"

#include <cwchar>

#include "app/AppState.h"
#include "app/MainWindowIds.h"
#include "app/View.h"
#include "browser/BrowserState.h"
#include "browser/ThumbnailLoader.h"
#include "image/Common.h"
#include "image/Registry.h"

CBrowser Browser;

bool CBrowser::Open(const wchar_t* folder, BrowserOpenMode mode, HWND ownerWindow) {
    owner = ownerWindow;
    wchar_t path[MAX_PATH] = {};
    if (mode == BROWSER_OPEN_GIVEN_PATH && folder) CopyStringW(path, folder);
    else if (mode == BROWSER_OPEN_RECENT_FOLDER) {
        LoadRecentFolders();
        if (AppState::RecentFolderCount > 0) CopyStringW(path, AppState::RecentFolders[0]);
    }
    if (path[0]) SetCurrentDirectoryW(path);
    GetCurrentDirectoryW(MAX_PATH, AppState::CurrentFolder);
    open = true;
    hidden = false;
    AppState::ViewMode = VIEW_BROWSER;
    if (owner) {
        // The stored frame (by default the full-screen size) never reaches past the work area.
        const int x = AppState::BrowserWindowX, y = AppState::BrowserWindowY;
        const RECT frame = KeepInsideWorkArea({x, y, x + AppState::BrowserWindowW, y + AppState::BrowserWindowH},
                                              GetWorkAreaOf(owner));
        SetWindowPos(owner, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(owner, SW_SHOW);
        UpdateWindow(owner);
    }
    return true;
}

void CBrowser::Close() {
    if (!open) return;
    if (owner && !hidden && IsWindowVisible(owner) && !IsIconic(owner) && !IsZoomed(owner)) {
        RECT r;
        GetWindowRect(owner, &r);
        AppState::BrowserWindowX = r.left;
        AppState::BrowserWindowY = r.top;
        AppState::BrowserWindowW = r.right - r.left;
        AppState::BrowserWindowH = r.bottom - r.top;
    }
    if (!AppState::PrivacyNoBrowsedDirsList) {
        CRegistry reg(HKEY_CURRENT_USER);
        int count = AppState::RecentFolderCount;
        if (count < 0) count = 0;
        if (count > RECENT_FOLDER_CAPACITY) count = RECENT_FOLDER_CAPACITY;
        reg.WriteDword(QRV_REGISTRY_KEY, L"BrowserDirCount", (DWORD)count);
        for (int i = 0; i < count; ++i) {
            wchar_t name[32];
            swprintf(name, 32, L"BrowserDir%d", i + 1);
            reg.WriteString(QRV_REGISTRY_KEY, name, AppState::RecentFolders[i]);
        }
    }
    open = hidden = false;
    AppState::ViewMode = VIEW_VIEWER;
}

void CBrowser::Hide() {
    if (!open) return;
    hidden = true;
    AppState::ViewMode = VIEW_VIEWER;
}

void CBrowser::Show() {
    if (!open) return;
    hidden = false;
    AppState::ViewMode = VIEW_BROWSER;
}

bool CBrowser::ChangeFolder(const wchar_t* folder, BrowserOpenMode mode) {
    // The loader still walks the shown folder's files; it re-reads the folder
    // in the address box itself when it stops.
    if (!open || ThumbLoader::Running) return false;
    if (mode == BROWSER_OPEN_GIVEN_PATH && folder) SetCurrentDirectoryW(folder);
    GetCurrentDirectoryW(MAX_PATH, AppState::CurrentFolder);
    return true;
}

void CBrowser::Layout() {}

void CBrowser::LoadRecentFolders() {
    CRegistry reg(HKEY_CURRENT_USER);
    DWORD stored = reg.ReadDword(QRV_REGISTRY_KEY, L"BrowserDirCount", 0);
    int count = stored >= 0x80000000u ? 0 : (int)stored;
    if (count > RECENT_FOLDER_CAPACITY) count = RECENT_FOLDER_CAPACITY;
    for (int i = 0; i < count; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"BrowserDir%d", i + 1);
        reg.ReadString(QRV_REGISTRY_KEY, name, L"C:\\", AppState::RecentFolders[i]);
    }
    AppState::RecentFolderCount = count;
}

void CBrowser::OnTabChange() {}
bool CBrowser::OnConfigCommand(LPARAM) { return false; }
bool CBrowser::GetToolbarTipText(NMTTDISPINFOW*) { return false; }
void CBrowser::GetFileInfoTip(NMLVGETINFOTIPW*) {}
void CBrowser::UpdateToolbarButtons() {}
void CBrowser::SaveFolderStyle(int, const wchar_t*) {}
void CBrowser::DeleteFolderStyle(const wchar_t*) {}
int CBrowser::GetListAreaWidth() const { return 0; }
