#include "browser/Browser.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/MainMenu.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/View.h"
#include "formats/Formats.h"
#include "browser/BrowserControls.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/FileListView.h"
#include "browser/ThumbnailLoader.h"
#include "image/Common.h"

CBrowser Browser;

namespace {

const wchar_t kVerticalBarClass[] = L"DragWinClassHorizontal";
const wchar_t kHorizontalBarClass[] = L"DragWinClassVertical";

enum ConfigControl { CFG_SAVE = 0, CFG_CLOSE = 1, CFG_DELETE = 2, CFG_THUMBNAILS = 3, CFG_REPORT = 4, CFG_FRAME = 5 };

void ClearLoaderRequests() {
    ThumbLoader::AbortRequest = 0;
    ThumbLoader::TreeRequest = 0;
    ThumbLoader::GotoRequest = 0;
    ThumbLoader::CloseRequest = 0;
    ThumbLoader::DoubleClickRequest = 0;
    ThumbLoader::SelectRequest = 0;
}

void MoveBox(HWND window, const BrowserBox& box) {
    if (window) MoveWindow(window, box.x, box.y, std::max(0, box.w), std::max(0, box.h), TRUE);
}

void ShowIf(HWND window, bool show) {
    if (window) ShowWindow(window, show ? SW_SHOW : SW_HIDE);
}

HFONT CreateListFont() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return nullptr;
    return CreateFontIndirectW(&metrics.lfMenuFont);
}

void SetFont(HWND window, HFONT font) {
    if (window && font) SendMessageW(window, WM_SETFONT, (WPARAM)font, TRUE);
}

bool RegisterSplitterClass(const wchar_t* name, LPCWSTR cursor) {
    WNDCLASSW cls = {};
    cls.style = CS_HREDRAW | CS_VREDRAW;
    cls.lpfnWndProc = CBrowser::SplitterProc;
    cls.hInstance = AppState::Instance;
    cls.hCursor = LoadCursorW(nullptr, cursor);
    cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    cls.lpszClassName = name;
    return RegisterClassW(&cls) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The folder by mode (the given one, the first recent one, else the current
// directory) becomes the current directory and AppState::CurrentFolder.
void GoToFolder(const wchar_t* folder, BrowserOpenMode mode) {
    const wchar_t* path = nullptr;
    if (mode == BROWSER_OPEN_GIVEN_PATH) path = folder;
    else if (mode == BROWSER_OPEN_RECENT_FOLDER && AppState::RecentFolderCount > 0) path = AppState::RecentFolders[0];
    if (path && path[0]) SetCurrentDirectoryW(path);
    GetCurrentDirectoryW(MAX_PATH, AppState::CurrentFolder);
}

// The main window's frame becomes the browser's stored rectangle.
void StoreBrowserWindowRect(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    AppState::BrowserWindowX = r.left;
    AppState::BrowserWindowY = r.top;
    AppState::BrowserWindowW = r.right - r.left;
    AppState::BrowserWindowH = r.bottom - r.top;
}

}  // namespace

// ---- arithmetic ----

BrowserLayoutBoxes ComputeBrowserLayout(const BrowserLayoutInput& in, BrowserSplit& split) {
    const int W = in.width, H = in.height, L = in.margins.left, T = in.margins.top;
    if (!in.minimized) {
        if (split.lastWidth < 0 || split.lastHeight < 0) {
            split.lastWidth = W;
            split.lastHeight = H;
        }
        split.y += (H - split.lastHeight) / 2;
        if (split.y < in.comboHeight) split.y = in.comboHeight;
        split.x += (W - split.lastWidth) / 2;
        if (split.x < 0) split.x = L;
        split.lastWidth = W;
        split.lastHeight = H;
    }
    const int X = split.x, Y = split.y, S = in.statusHeight, CB = in.comboHeight, R = in.rebarHeight;
    BrowserLayoutBoxes b;
    const int leftX = in.folderLeft ? 0 : X + 8;
    const int leftW = in.folderLeft ? X : W - X - 8;
    b.horizontalBar = {leftX, T + Y, leftW, 8};
    b.verticalBar = {X, T, 8, H - S - T};
    b.combo = {leftX, T, leftW, CB};
    b.tree = {leftX, T + CB, leftW, Y - CB};
    b.tabs = {X + 8, in.folderLeft ? T : T + Y + 8, W - X - in.vscrollWidth + 10, 24};
    b.rebar = {X + 8, b.tabs.y + 24, W - X - 8, R};
    if (in.folderLeft) b.list = {X + 8, T + 24 + R, W - X - 8, H - R - S - T - 24};
    else b.list = {X + 8, T + Y + 30 + R, W - X - 8, H - R - S - T - Y - 30};
    return b;
}

int DragVerticalBar(int cursorX, int clientWidth, int thumbnailWidth, int marginLeft, int marginRight) {
    int x = cursorX;
    if (x < 0) x = marginLeft;
    if (clientWidth - thumbnailWidth - marginRight - 16 < marginLeft + x + 8)
        x = clientWidth - thumbnailWidth - marginRight - marginLeft - 16;
    return x;
}

int DragHorizontalBar(int cursorY, int clientHeight, int comboHeight, int marginTop, int marginBottom) {
    int y = cursorY;
    if (y < comboHeight) y = comboHeight;
    if (clientHeight - marginBottom - 120 < marginTop + y) y = clientHeight - marginBottom - marginTop - 120;
    return y;
}

std::wstring FolderStylePath(const wchar_t* folder) {
    std::wstring path = folder ? folder : L"";
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
    return path + L"browser.style";
}

int ReadFolderStyle(const wchar_t* folder, int current, int defaultStyle, int tab, bool* own) {
    int style = defaultStyle;
    bool found = false;
    if (FILE* f = _wfopen(FolderStylePath(folder).c_str(), L"rb")) {
        found = true;
        unsigned char bytes[4];
        style = current;
        if (fread(bytes, 1, 4, f) == 4) {
            const int32_t value = (int32_t)((uint32_t)bytes[0] | (uint32_t)bytes[1] << 8 | (uint32_t)bytes[2] << 16 |
                                            (uint32_t)bytes[3] << 24);
            style = value > 1 ? 1 : value < 0 ? 0 : value;
        }
        fclose(f);
    }
    if (style != 1) style = 0;
    if (tab == TAB_AUDIO) style = 1;
    if (own) *own = found;
    return style;
}

// ---- the object ----

CBrowser::CBrowser() { ClearLoaderRequests(); }

CBrowser::~CBrowser() {
    // At program exit the windows are gone; only the handles the process owns
    // are released.
    if (listFont) DeleteObject(listFont);
    listFont = nullptr;
}

bool CBrowser::Open(const wchar_t* folder, BrowserOpenMode mode, HWND ownerWindow) {
    if (open) return true;
    owner = ownerWindow;
    hidden = false;
    AppState::ViewMode = VIEW_BROWSER;
    BrowserCurrentListItem = -1;
    ClearLoaderRequests();
    if (AppState::CurrentFormatId == FMT_MNG) StopCurrentMedia();
    LoadRecentFolders();

    GoToFolder(folder, mode);

    // The browser shows the folder at once: its style decides the capacity.
    LoadFolderStyle(AppState::CurrentFolder);
    const wchar_t* currentName =
        FileList::Entries && FileList::Count > 0 && FileList::Current >= 0 && FileList::Current < FileList::Count
            ? FileList::Entries[FileList::Current].name
            : nullptr;
    wchar_t keepName[MAX_PATH] = {};
    if (currentName) CopyStringW(keepName, currentName);
    if (AppState::BrowserTab != TAB_PLAYLIST) AppState::BrowserTab = TAB_ALL_TYPES;
    open = true;  // the build runs on this thread, with the tab's filter, while the browser is open
    hidden = true;
    BuildFileList(keepName[0] ? keepName : nullptr, AppState::CurrentFolder);
    BuildSubfolderList(AppState::CurrentFolder);
    if (AppState::BrowserHideSubfolders) FileList::SubfolderCount = 0;

    if (owner) {
        AppState::PaintSuspended = true;
        LockWindowUpdate(owner);
        const int x = AppState::BrowserWindowX, y = AppState::BrowserWindowY;
        const RECT frame = KeepInsideWorkArea({x, y, x + AppState::BrowserWindowW, y + AppState::BrowserWindowH},
                                              GetWorkAreaOf(owner));
        SetWindowPos(owner, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(owner, SW_SHOW);
        CreateControls(AppState::CurrentFolder);
        FillFileListView(fileListWindow);
    }
    if (tabWindow) TabCtrl_SetCurSel(tabWindow, AppState::BrowserTab);
    if (owner) {
        CreateConfigControls();
        if (PlaylistPanel.Create(owner, listFont)) PlaylistPanel.Refill();
        if (AppState::BrowserTab == TAB_PLAYLIST) {
            ShowListArea(false);
            PlaylistPanel.Show(true);
        }
        if (CreateFolderTree(owner, listFont)) SelectFolderTreePath(AppState::CurrentFolder);
        FolderTreeOwnChange = false;
        LockWindowUpdate(nullptr);
        AppState::PaintSuspended = false;
    }
    hidden = false;
    Layout();
    // The list has its size only now; in thumbnail view its items go back
    // into the grid, which the list's own arrangement on that size change
    // leaves for rows without room for the captions.
    if (AppState::BrowserListStyle == 0) ArrangeThumbnailGrid(fileListWindow);
    UpdateToolbarButtons();
    if (owner) {
        UpdateScrollState();
        if (fileListWindow) SetFocus(fileListWindow);
        StatusBar.Update();
        MainMenu.UpdateStates();
        MainToolBar.UpdateButtonStates();
    }
    if (AppState::BrowserListStyle == 0) {
        if (AppState::BrowserTab != TAB_PLAYLIST && fileListWindow) StartThumbnailLoader(fileListWindow);
    } else {
        SelectCurrentListItem();
    }
    return true;
}

void CBrowser::SelectCurrentListItem() {
    if (!fileListWindow) return;
    if (BrowserCurrentListItem >= 0) {
        LVITEMW clear = {};
        clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(fileListWindow, LVM_SETITEMSTATE, BrowserCurrentListItem, (LPARAM)&clear);
    }
    BrowserCurrentListItem = -1;
    if (!AppState::CurrentImage.IsValid()) return;
    const int item = ListIndexFromFileIndex(FileList::Current);
    if (item < 0) return;
    LVITEMW select = {};
    select.stateMask = select.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(fileListWindow, LVM_SETITEMSTATE, item, (LPARAM)&select);
    SendMessageW(fileListWindow, LVM_ENSUREVISIBLE, item, FALSE);
    BrowserCurrentListItem = item;
}

bool CBrowser::ChangeFolder(const wchar_t* folder, BrowserOpenMode mode, bool keepTree) {
    if (!open || hidden || ThumbLoader::Running) return false;
    CloseCurrentMedia();
    hidden = true;
    AppState::ViewMode = VIEW_BROWSER;
    BrowserCurrentListItem = -1;
    ClearLoaderRequests();

    GoToFolder(folder, mode);
    LoadFolderStyle(AppState::CurrentFolder);
    BuildFileList(nullptr, AppState::CurrentFolder);
    BuildSubfolderList(AppState::CurrentFolder);
    if (AppState::BrowserHideSubfolders) FileList::SubfolderCount = 0;

    if (owner) {
        AppState::PaintSuspended = true;
        LockWindowUpdate(owner);
    }
    if (folderTreeWindow && !keepTree && !FolderTreeOwnChange) SelectFolderTreePath(AppState::CurrentFolder);
    FolderTreeOwnChange = false;
    AddRecentFolder(AppState::CurrentFolder);
    if (tabWindow) TabCtrl_SetCurSel(tabWindow, AppState::BrowserTab);

    if (owner && CreateFileListView(owner)) {
        HWND list = fileListWindow;
        SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        SetFont(list, listFont);
        SetFileListColors();
        SetFileListStyle(list);
        InsertReportColumns(list);
        FillFileListView(list);
        SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    }
    ShowConfigControls(AppState::BrowserTab == TAB_CONFIGURE);
    PlaylistPanel.Refill();
    if (AppState::BrowserTab == TAB_PLAYLIST || AppState::BrowserTab == TAB_CONFIGURE) ShowListArea(false);
    else ShowListArea(true);
    PlaylistPanel.Show(AppState::BrowserTab == TAB_PLAYLIST);

    hidden = false;
    Layout();
    if (AppState::BrowserListStyle == 0) ArrangeThumbnailGrid(fileListWindow);  // as in Open
    hidden = true;
    if (fileListWindow) SetFocus(fileListWindow);
    if (AppState::BrowserListStyle == 0 && fileListWindow) StartThumbnailLoader(fileListWindow);
    if (owner) {
        AppState::PaintSuspended = false;
        LockWindowUpdate(nullptr);
    }
    hidden = false;
    UpdateToolbarButtons();
    return true;
}

bool CBrowser::Close() {
    if (!open) return true;
    if (ThumbLoader::Running) {
        // The loader draws into the list: let it finish its file first.
        ThumbLoader::SelectRequest = 0;
        ThumbLoader::AbortRequest = 1;
        WaitForThumbnailLoader(INFINITE);
    }
    if (owner && !hidden && IsWindow(owner) && !IsIconic(owner)) StoreBrowserWindowRect(owner);
    CopyComboToRecentFolders();
    SaveRecentFolders();
    ClearLoaderRequests();

    if (listFont) {
        for (HWND w : {addressCombo, tabWindow, fileListWindow})
            if (w) SendMessageW(w, WM_SETFONT, 0, FALSE);
    }
    DestroyFolderTree();
    folderTreeWindow = nullptr;
    if (addressCombo) DestroyWindow(addressCombo);
    addressCombo = nullptr;
    DestroyTabs();
    DestroyToolbar();
    DestroyConfigControls();
    DestroyFileListView();
    PlaylistPanel.Destroy();
    if (verticalBar) DestroyWindow(verticalBar);
    if (horizontalBar) DestroyWindow(horizontalBar);
    verticalBar = horizontalBar = nullptr;
    UnregisterClassW(kVerticalBarClass, AppState::Instance);
    UnregisterClassW(kHorizontalBarClass, AppState::Instance);
    if (listFont) DeleteObject(listFont);
    listFont = nullptr;
    split_.lastWidth = split_.lastHeight = -1;
    open = hidden = false;
    AppState::ViewMode = VIEW_VIEWER;
    return true;
}

void CBrowser::ShowListArea(bool show) {
    ShowIf(fileListWindow, show);
    ShowIf(rebar, show);
    if (rebar) EnableWindow(rebar, show);
}

bool CBrowser::Hide() {
    if (!open) return false;
    if (owner && !hidden && !IsIconic(owner)) StoreBrowserWindowRect(owner);
    AppState::WindowMoved = false;
    AppState::WindowSized = false;
    ThumbLoader::SelectRequest = 0;
    hidden = true;
    AppState::ViewMode = VIEW_VIEWER;
    for (HWND w : {verticalBar, horizontalBar, addressCombo, tabWindow, rebar, fileListWindow, folderTreeWindow})
        ShowIf(w, false);
    PlaylistPanel.Show(false);
    ShowConfigControls(false);
    if (owner) {
        if (AppState::GeneralAlwaysMaximizeWindow) PostMessageW(owner, WM_SIZE, 0, 0);
        if (AppState::CurrentImage.IsValid())
            FitWindowToImage((int)(AppState::CurrentImage.GetWidth() * AppState::Zoom),
                             (int)(AppState::CurrentImage.GetHeight() * AppState::Zoom), owner);
        else FitWindowToImage(0, 0, owner);
    }
    return true;
}

void CBrowser::Show() {
    if (!open) return;
    if (owner) {
        const int x = AppState::BrowserWindowX, y = AppState::BrowserWindowY;
        const RECT frame = KeepInsideWorkArea({x, y, x + AppState::BrowserWindowW, y + AppState::BrowserWindowH},
                                              GetWorkAreaOf(owner));
        SetWindowPos(owner, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    for (HWND w : {verticalBar, horizontalBar, tabWindow, addressCombo, rebar, fileListWindow, folderTreeWindow})
        ShowIf(w, true);
    if (AppState::BrowserTab == TAB_PLAYLIST) {
        ShowListArea(false);
        PlaylistPanel.Show(true);
    } else if (AppState::BrowserTab == TAB_CONFIGURE) {
        ShowListArea(false);
        ShowConfigControls(true);
    }
    ThumbLoader::SelectRequest = 0;
    hidden = false;
    AppState::ViewMode = VIEW_BROWSER;
    Layout();
    SelectCurrentListItem();
    if (fileListWindow) {
        SetActiveWindow(fileListWindow);
        SetFocus(fileListWindow);
    }
}

bool CBrowser::Layout() {
    if (!open || hidden || ThumbLoader::Running || !owner) return false;
    RECT client;
    GetClientRect(owner, &client);
    BrowserLayoutInput in;
    in.width = client.right;
    in.height = client.bottom;
    in.margins = AppState::ViewMargins;
    in.statusHeight = StatusBar.marginTaken;
    in.comboHeight = comboHeight;
    in.rebarHeight = rebarHeight;
    in.folderLeft = AppState::BrowserFolderLeft != 0;
    in.vscrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    in.minimized = IsIconic(owner) != 0;
    split_.x = AppState::BrowserThumbWindowWidth;
    split_.y = AppState::BrowserTreeViewWindowHeight;
    const BrowserLayoutBoxes b = ComputeBrowserLayout(in, split_);
    AppState::BrowserThumbWindowWidth = split_.x;
    AppState::BrowserTreeViewWindowHeight = split_.y;

    MoveBox(horizontalBar, b.horizontalBar);
    MoveBox(verticalBar, b.verticalBar);
    MoveBox(addressCombo, {b.combo.x, b.combo.y, b.combo.w, 300});
    MoveBox(folderTreeWindow, b.tree);
    MoveBox(tabWindow, b.tabs);
    MoveBox(rebar, b.rebar);
    if (rebar) InvalidateRect(rebar, nullptr, TRUE);
    MoveBox(fileListWindow, b.list);
    for (HWND w : {horizontalBar, verticalBar, addressCombo, tabWindow}) ShowIf(w, true);
    ShowIf(folderTreeWindow, true);
    const bool listArea = AppState::BrowserTab != TAB_PLAYLIST && AppState::BrowserTab != TAB_CONFIGURE;
    ShowIf(fileListWindow, listArea);
    if (listArea && AppState::BrowserListStyle == 1) SizeReportNameColumn(fileListWindow);
    PlaylistPanel.Layout();
    if (AppState::BrowserTab == TAB_CONFIGURE) LayoutConfigControls();
    LayoutViewBorders();
    ImageToolBar.Reposition();
    ViewScrollBars.Layout();
    ViewScrollBars.UpdateRanges();
    InvalidateRect(owner, nullptr, FALSE);
    UpdateWindow(owner);
    return true;
}

int CBrowser::GetListAreaWidth() const {
    if (!open || hidden || AppState::BrowserThumbWindowWidth == 0 || !owner) return 0;
    RECT client;
    GetClientRect(owner, &client);
    return client.right - AppState::BrowserThumbWindowWidth;
}

LRESULT CALLBACK CBrowser::SplitterProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CBrowser* self = reinterpret_cast<CBrowser*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !self->open || !self->owner) return DefWindowProcW(window, message, wParam, lParam);
    const bool vertical = window == self->verticalBar;
    switch (message) {
    case WM_LBUTTONDOWN:
        SetCapture(window);
        self->dragging_ = true;
        return 0;
    case WM_MOUSEMOVE: {
        if (!self->dragging_ || !(wParam & MK_LBUTTON)) break;
        POINT cursor;
        GetCursorPos(&cursor);
        if (cursor.x == self->lastDrag_.x && cursor.y == self->lastDrag_.y) break;
        self->lastDrag_ = cursor;
        RECT frame, client;
        GetWindowRect(self->owner, &frame);
        GetClientRect(self->owner, &client);
        const RECT& m = AppState::ViewMargins;
        if (vertical) {
            AppState::BrowserThumbWindowWidth = DragVerticalBar(cursor.x - frame.left - 7, client.right,
                                                                AppState::BrowserThumbnailWidth, m.left, m.right);
        } else {
            const int y =
                cursor.y - frame.top - m.top - GetSystemMetrics(SM_CYCAPTION) - GetSystemMetrics(SM_CYMENU) - 12;
            AppState::BrowserTreeViewWindowHeight =
                DragHorizontalBar(y, client.bottom, self->comboHeight, m.top, m.bottom);
        }
        UpdateScrollState();
        self->Layout();
        return 0;
    }
    case WM_LBUTTONUP:
        if (!self->dragging_) break;
        if (AppState::BrowserListStyle == 1) SizeReportNameColumn(self->fileListWindow);
        else ArrangeThumbnailGrid(self->fileListWindow);
        PlaylistPanel.Layout();
        ReleaseCapture();
        self->dragging_ = false;
        self->Layout();
        return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool CBrowser::CreateControls(const wchar_t* folder) {
    if (!owner) return true;
    if (!listFont) listFont = CreateListFont();
    CreateToolbar();
    addressCombo = CreateWindowExW(0, L"COMBOBOX", L"",
                                   WS_CHILD | WS_VSCROLL | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | CBS_DROPDOWNLIST, 0, 0,
                                   100, 300, owner, nullptr, AppState::Instance, nullptr);
    if (!addressCombo) {
        ShowMessage(L"No Combo");
    } else {
        SetFont(addressCombo, listFont);
        RECT r;
        GetWindowRect(addressCombo, &r);
        comboHeight = r.bottom - r.top;
        for (int i = 0; i < AppState::RecentFolderCount; ++i)
            SendMessageW(addressCombo, CB_ADDSTRING, 0, (LPARAM)AppState::RecentFolders[i]);
        AddRecentFolder(folder);
    }
    CreateTabs();
    if (CreateFileListView(owner)) {
        SetFont(fileListWindow, listFont);
        SetFileListColors();
        SetFileListStyle(fileListWindow);
        InsertReportColumns(fileListWindow);
    }
    struct Bar {
        const wchar_t* cls;
        LPCWSTR cursor;
        HWND* handle;
    };
    for (const Bar& bar :
         {Bar{kVerticalBarClass, IDC_SIZEWE, &verticalBar}, Bar{kHorizontalBarClass, IDC_SIZENS, &horizontalBar}}) {
        if (!RegisterSplitterClass(bar.cls, bar.cursor)) {
            ShowMessage(L"RegisterClass failed!");
            continue;
        }
        *bar.handle =
            CreateWindowExW(0, bar.cls, L"", WS_CHILD, 0, 0, 8, 8, owner, nullptr, AppState::Instance, nullptr);
        if (!*bar.handle) ShowMessage(L"No SplitterWindow!");
        else SetWindowLongPtrW(*bar.handle, GWLP_USERDATA, (LONG_PTR)this);
    }
    return true;
}

bool CBrowser::CreateTabs() {
    if (!owner) return false;
    tabWindow = CreateWindowExW(0, WC_TABCONTROLW, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 100, 24,
                                owner, nullptr, AppState::Instance, nullptr);
    if (!tabWindow) return false;
    static const wchar_t* const items[] = {L"All types",  L"Image only", L"Video only",
                                           L"Audio only", L"Playlist",   L"Configure..."};
    for (int i = 0; i < 6; ++i) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT | TCIF_IMAGE;
        item.pszText = const_cast<wchar_t*>(items[i]);
        item.iImage = i;
        SendMessageW(tabWindow, TCM_INSERTITEMW, i, (LPARAM)&item);
    }
    TabCtrl_SetCurSel(tabWindow, AppState::BrowserTab);
    SetFont(tabWindow, listFont);
    return true;
}

bool CBrowser::DestroyTabs() {
    if (tabWindow) DestroyWindow(tabWindow);
    tabWindow = nullptr;
    if (tabImages) ImageList_Destroy(tabImages);
    tabImages = nullptr;
    return true;
}

bool CBrowser::OnTabChange() {
    if (!open || hidden || ThumbLoader::Running || !tabWindow) return false;
    const int old = AppState::BrowserTab;
    const int tab = TabCtrl_GetCurSel(tabWindow);
    if (tab < 0) return false;
    AppState::BrowserTab = tab;
    if (tab <= TAB_AUDIO) {
        if (tab == AppState::BrowserLastFilterTab && (old == TAB_PLAYLIST || old == TAB_CONFIGURE)) {
            ShowListArea(true);
            if (old == TAB_PLAYLIST) PlaylistPanel.Show(false);
            else ShowConfigControls(false);
            Layout();
            return true;
        }
        if (rebar && tab != AppState::BrowserLastFilterTab) EnableWindow(rebar, TRUE);
        if (owner) PostMessageW(owner, WM_COMMAND, IDM_REFRESH, 0);
        return true;
    }
    if (old <= TAB_AUDIO) AppState::BrowserLastFilterTab = old;
    ShowListArea(false);
    if (tab == TAB_PLAYLIST) {
        ShowConfigControls(false);
        PlaylistPanel.Show(true);
    } else {
        PlaylistPanel.Show(false);
        ShowConfigControls(true);
    }
    Layout();
    return true;
}

bool CBrowser::CreateConfigControls() {
    DestroyConfigControls();
    if (!owner) return false;
    struct Control {
        ConfigControl slot;
        const wchar_t* cls;
        const wchar_t* text;
        DWORD style;
    };
    static const Control controls[] = {
        {CFG_SAVE, L"BUTTON", L"Save specific Style for this folder", BS_PUSHBUTTON},
        {CFG_CLOSE, L"BUTTON", L"Close Configuration", BS_PUSHBUTTON},
        {CFG_DELETE, L"BUTTON", L"Delete existing Style for this folder", BS_PUSHBUTTON},
        {CFG_THUMBNAILS, L"BUTTON", L"Thumbnails-View", BS_RADIOBUTTON},
        {CFG_REPORT, L"BUTTON", L"Report-View", BS_RADIOBUTTON},
        {CFG_FRAME, L"STATIC", L"", SS_SUNKEN | SS_CENTER},
    };
    for (const Control& c : controls) {
        configControls[c.slot] = CreateWindowExW(0, c.cls, c.text, WS_CHILD | c.style, 0, 0, 10, 10, owner, nullptr,
                                                 AppState::Instance, nullptr);
        SetFont(configControls[c.slot], listFont);
    }
    return true;
}

bool CBrowser::ShowConfigControls(bool show) {
    for (HWND w : configControls) ShowIf(w, show);
    if (show) LayoutConfigControls();
    return true;
}

bool CBrowser::SyncConfigControls() {
    if (!configControls[CFG_THUMBNAILS]) return false;
    const bool report = AppState::BrowserListStyle == 1;
    SendMessageW(configControls[CFG_THUMBNAILS], BM_SETCHECK, report ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageW(configControls[CFG_REPORT], BM_SETCHECK, report ? BST_CHECKED : BST_UNCHECKED, 0);
    EnableWindow(configControls[CFG_DELETE], ownStyle);
    return true;
}

bool CBrowser::LayoutConfigControls() {
    if (!owner || !configControls[CFG_FRAME]) return false;
    RECT ownerFrame = {}, list = {}, tabs = {};
    GetWindowRect(owner, &ownerFrame);
    if (fileListWindow) GetWindowRect(fileListWindow, &list);
    int bottom = 0;
    if (tabWindow) {
        GetWindowRect(tabWindow, &tabs);
        POINT p = {tabs.left, tabs.bottom};
        ScreenToClient(owner, &p);
        bottom = p.y;
    }
    const int D = list.left - ownerFrame.left, B = bottom;
    MoveWindow(configControls[CFG_FRAME], D - 4, B, list.right - list.left, list.bottom - list.top + rebarHeight, TRUE);
    MoveWindow(configControls[CFG_THUMBNAILS], D + 26, B + 30, 140, 20, TRUE);
    MoveWindow(configControls[CFG_REPORT], D + 26, B + 50, 140, 20, TRUE);
    MoveWindow(configControls[CFG_SAVE], D + 16, B + 90, 320, 30, TRUE);
    MoveWindow(configControls[CFG_DELETE], D + 16, B + 130, 320, 30, TRUE);
    MoveWindow(configControls[CFG_CLOSE], D + 16, B + 200, 200, 30, TRUE);
    // The frame lies behind the buttons.
    SetWindowPos(configControls[CFG_FRAME], HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return SyncConfigControls();
}

bool CBrowser::DestroyConfigControls() {
    for (HWND& w : configControls) {
        if (w) DestroyWindow(w);
        w = nullptr;
    }
    return true;
}

bool CBrowser::OnConfigCommand(LPARAM control) {
    HWND hit = (HWND)control;
    if (!hit) return false;
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    if (hit == configControls[CFG_THUMBNAILS] || hit == configControls[CFG_REPORT]) {
        const bool thumbs = hit == configControls[CFG_THUMBNAILS];
        SendMessageW(configControls[CFG_THUMBNAILS], BM_SETCHECK, thumbs ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageW(configControls[CFG_REPORT], BM_SETCHECK, thumbs ? BST_UNCHECKED : BST_CHECKED, 0);
        return true;
    }
    if (hit == configControls[CFG_SAVE]) {
        const bool thumbs = SendMessageW(configControls[CFG_THUMBNAILS], BM_GETCHECK, 0, 0) == BST_CHECKED;
        SaveFolderStyle(thumbs ? 0 : 1, folder);
        EnableWindow(configControls[CFG_DELETE], TRUE);
        return true;
    }
    if (hit == configControls[CFG_DELETE]) {
        DeleteFolderStyle(folder);
        SyncConfigControls();
        return true;
    }
    if (hit == configControls[CFG_CLOSE]) {
        if (rebar) EnableWindow(rebar, TRUE);
        AppState::BrowserTab = TAB_ALL_TYPES;
        if (owner) PostMessageW(owner, WM_COMMAND, IDM_REFRESH, 0);
        return true;
    }
    return false;
}

void CBrowser::LoadFolderStyle(const wchar_t* folder) {
    bool own = false;
    AppState::BrowserListStyle =
        ReadFolderStyle(folder, AppState::BrowserListStyle, AppState::BrowserStyle, AppState::BrowserTab, &own);
    ownStyle = own;
    AppState::BrowserFolderLeft = AppState::BrowserFolderViewOnTheLeft;
}

void CBrowser::SaveFolderStyle(int style, const wchar_t* folder) {
    const std::wstring path = FolderStylePath(folder);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return;
    const int32_t value = style;
    const unsigned char bytes[4] = {(unsigned char)(value & 0xFF), (unsigned char)((value >> 8) & 0xFF),
                                    (unsigned char)((value >> 16) & 0xFF), (unsigned char)((uint32_t)value >> 24)};
    const bool written = fwrite(bytes, 1, 4, f) == 4;
    if (fclose(f) != 0 || !written) {
        DeleteFileW(path.c_str());
        return;
    }
    ownStyle = true;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_HIDDEN))
        SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_HIDDEN);
}

void CBrowser::DeleteFolderStyle(const wchar_t* folder) {
    const std::wstring path = FolderStylePath(folder);
    if (FILE* f = _wfopen(path.c_str(), L"rt")) {
        fclose(f);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
        ownStyle = false;
        ShowMessage(L"Specific Foldersyle deleted for folder: %s", path.c_str());
    } else {
        ShowMessage(L"No specific folderstyle file found. Nothing to delete.");
    }
}
