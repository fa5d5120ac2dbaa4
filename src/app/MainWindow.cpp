// MainWndProc: the one top-level window's messages, its creation and teardown,
// the private messages and the timers. Commands are in Commands.cpp.
#include "app/MainWindow.h"

#include <shlobj.h>
#include <shlwapi.h>
#include <windowsx.h>

#include <cwchar>
#include <initializer_list>
#include <new>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandState.h"
#include "app/Guarded.h"
#include "app/ImageSnapshot.h"
#include "app/Language.h"
#include "app/MainMenu.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/MouseTools.h"
#include "app/OpenDialog.h"
#include "app/OpenWith.h"
#include "app/PopupTracking.h"
#include "app/SaveAsDialog.h"
#include "app/Settings.h"
#include "app/View.h"
#include "browser/AddressBar.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/FileListView.h"
#include "browser/BrowserState.h"
#include "browser/DropTarget.h"
#include "browser/FileList.h"
#include "browser/ThumbnailLoader.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "media/AnimationBar.h"
#include "media/Players.h"
#include "tools/Twain.h"
#include "command_ids.h"

namespace {
AppTraceHook g_traceHook = nullptr;
CDropTarget* g_dropTarget = nullptr;
// How long WM_DESTROY waits for a folder scan to notice its stop flag.
constexpr DWORD kScanStopTimeoutMs = 3000;
}  // namespace

AppTraceHook SetAppTraceHook(AppTraceHook hook) {
    AppTraceHook previous = g_traceHook;
    g_traceHook = hook;
    return previous;
}

void AppTrace(const char* step) {
    if (g_traceHook) g_traceHook(step);
}

void BuildHandOverBlock(const wchar_t* argumentText, wchar_t block[HANDOVER_CHARS]) {
    ZeroMemory(block, HANDOVER_CHARS * sizeof(wchar_t));
    if (!argumentText) return;
    wchar_t text[MAX_PATH * 4];
    size_t start = 0, end = wcslen(argumentText);
    while (start < end && (argumentText[start] == L' ' || argumentText[start] == L'\t')) ++start;
    while (end > start && (argumentText[end - 1] == L' ' || argumentText[end - 1] == L'\t')) --end;
    if (end - start >= 2 && argumentText[start] == L'"' && argumentText[end - 1] == L'"') {
        ++start;
        --end;
    }
    size_t n = end - start;
    if (n == 0) return;
    if (n >= MAX_PATH * 4) n = MAX_PATH * 4 - 1;
    wmemcpy(text, argumentText + start, n);
    text[n] = 0;
    wchar_t full[MAX_PATH * 4];
    DWORD length = GetFullPathNameW(text, MAX_PATH * 4, full, nullptr);
    const wchar_t* source = (length > 0 && length < MAX_PATH * 4) ? full : text;
    lstrcpynW(block, source, HANDOVER_CHARS);  // at most 259 characters and the terminator
}

bool ReadHandOverPath(const void* data, DWORD cbData, wchar_t path[MAX_PATH]) {
    path[0] = 0;
    if (!data) return false;
    size_t chars = cbData / sizeof(wchar_t);
    if (chars > MAX_PATH - 1) chars = MAX_PATH - 1;
    const wchar_t* text = static_cast<const wchar_t*>(data);
    size_t n = 0;
    while (n < chars && text[n]) ++n;
    wmemcpy(path, text, n);
    path[n] = 0;
    if (n >= 2 && path[0] == L'"') {
        if (path[n - 1] == L'"') path[--n] = 0;
        wmemmove(path, path + 1, n);  // moves the terminator too
        --n;
    }
    return n > 0;
}

bool HandOverFolder(const wchar_t* path, wchar_t folder[MAX_PATH]) {
    folder[0] = 0;
    const wchar_t* slash = wcsrchr(path, L'\\');
    const wchar_t* other = wcsrchr(path, L'/');
    if (other && (!slash || other > slash)) slash = other;
    if (!slash) return false;
    size_t n = (size_t)(slash - path);
    if (n >= MAX_PATH) n = MAX_PATH - 1;
    wmemcpy(folder, path, n);
    folder[n] = 0;
    if (n == 2 && folder[1] == L':') {
        folder[2] = L'\\';
        folder[3] = 0;
    } else if (n == 0) {
        folder[0] = L'\\';
        folder[1] = 0;
    }
    return true;
}

namespace {

void CheckItem(HMENU menu, UINT id, bool checked) {
    CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

// Fills the list popup with the recent files or folders, shortened to 360 pixels.
void FillRecentList(HMENU popup, bool files) {
    while (GetMenuItemCount(popup) > 0) DeleteMenu(popup, 0, MF_BYPOSITION);  // the placeholder
    if (!files && !Browser.open) Browser.LoadRecentFolders();
    int count = files ? AppState::RecentFileCount : AppState::RecentFolderCount;
    const int capacity = files ? RECENT_FILE_CAPACITY : RECENT_FOLDER_CAPACITY;
    if (count < 0) count = 0;
    if (count > capacity) count = capacity;
    HDC dc = GetDC(AppState::MainWindow);
    for (int i = 0; i < count; ++i) {
        wchar_t text[MAX_PATH];
        CopyStringW(text, files ? AppState::RecentFiles[i] : AppState::RecentFolders[i]);
        if (dc) PathCompactPathW(dc, text, 360);
        AppendMenuW(popup, MF_STRING, (UINT_PTR)(IDM_RECENT_FIRST + i), text);
    }
    if (dc) ReleaseDC(AppState::MainWindow, dc);
}

}  // namespace

HMENU BuildDropDownMenu(UINT button, HMENU* resource) {
    *resource = nullptr;
    const wchar_t* name = nullptr;
    switch (button) {
    case IDM_BROWSER_SORT_ORDER: name = L"SORTORDERCONFIGPOPUP"; break;
    case IDM_BROWSER_CONFIGURE: name = L"BROWSERCONFIGPOPUP"; break;
    case IDM_BROWSER_BATCH: name = L"BROWSERBATCHTOOLSPOPUP"; break;
    case IDM_ALPHA_AS_IMAGE: name = L"ALPHABLENDPOPUP"; break;
    case IDM_BROWSE:
    case IDM_OPEN_MEDIA: name = L"CHEVRONMENU"; break;
    case IDM_ZOOM_100: name = L"ZOOM100POPUP"; break;
    case IDM_SLIDESHOW: name = L"SLIDESHOWPOPUP"; break;
    case IDM_FILE_OPERATIONS: name = L"FILEOPERATIONPOPUP"; break;
    default: return nullptr;
    }
    *resource = LoadMenuW(AppState::Instance, name);
    if (!*resource) return nullptr;
    HMENU popup = GetSubMenu(*resource, 0);
    if (!popup) return nullptr;
    LangApplyPopupMenu(popup, name);
    if (button != IDM_OPEN_MEDIA && button != IDM_BROWSE) ApplyCommandStates(popup);  // not the recent lists
    switch (button) {
    case IDM_BROWSER_SORT_ORDER: {
        const bool up = AppState::GeneralSortAscending != 0;
        const UINT byName = up ? IDM_SORT_NAME_ASCENDING : IDM_SORT_NAME_DESCENDING;
        const UINT bySize = up ? IDM_SORT_SIZE_ASCENDING : IDM_SORT_SIZE_DESCENDING;
        const UINT byDate = up ? IDM_SORT_DATE_ASCENDING : IDM_SORT_DATE_DESCENDING;
        const UINT byOrder[4] = {byName, bySize, byDate, IDM_SORT_NONE};
        const int order = AppState::GeneralSortOrder;
        if (order >= 0 && order < 4) CheckItem(popup, byOrder[order], true);
        break;
    }
    case IDM_BROWSER_CONFIGURE:
        CheckItem(popup, IDM_BROWSER_THUMBNAILS, AppState::BrowserStyle == 0);
        CheckItem(popup, IDM_BROWSER_REPORT, AppState::BrowserStyle == 1);
        break;
    case IDM_ALPHA_AS_IMAGE: {
        const int view = AppState::ChannelView;
        CheckItem(popup, IDM_ALPHA_AS_IMAGE, view == CHANNEL_ALPHA_AS_IMAGE);
        CheckItem(popup, IDM_ALPHA_AS_LAYER, view == CHANNEL_ALPHA_AS_LAYER);
        CheckItem(popup, IDM_ALPHA_BLENDED, view == CHANNEL_ALPHA_BLENDED);
        break;
    }
    case IDM_BROWSE: FillRecentList(popup, false); break;
    case IDM_OPEN_MEDIA: FillRecentList(popup, true); break;
    case IDM_SLIDESHOW: {
        CheckItem(popup, IDM_SLIDESHOW_FULLSCREEN, AppState::SlideShowStartFullscreen != 0);
        const UINT direction[3] = {IDM_SLIDESHOW_FORWARD, IDM_SLIDESHOW_BACKWARD, IDM_SLIDESHOW_RANDOM};
        for (int i = 0; i < 3; ++i) CheckItem(popup, direction[i], AppState::SlideShowDirection == i);
        break;
    }
    case IDM_FILE_OPERATIONS:
        if (AppState::BrowserTab == TAB_PLAYLIST)
            for (UINT id : {IDM_RENAME_ITEMS, IDM_COPY_ITEMS, IDM_MOVE_ITEMS, IDM_DELETE_ITEMS})
                EnableMenuItem(popup, id, MF_BYCOMMAND | MF_GRAYED);
        break;
    default: break;
    }
    return popup;
}

void OnRecentListChoice(HWND window, bool files, UINT choice) {
    if (choice < IDM_RECENT_FIRST) return;  // 0: nothing chosen
    const int count = files ? AppState::RecentFileCount : AppState::RecentFolderCount;
    const int entry = (int)(choice - IDM_RECENT_FIRST);
    if (entry >= count) return;
    if (files) AppState::PendingRecentFile = 1;
    else AppState::PendingRecentFolder = 1;
    PostMessageW(window, WM_APP_OPEN_PENDING, (WPARAM)entry, 0);
}

float WheelZoom(float zoom, int delta) {
    if (delta < 0) return GetZoomOutStep(zoom);
    if (delta > 0) return GetZoomInStep(zoom);
    return zoom;
}

POINT MinimumTrackSize(bool browserShown, int menuBarWidth, int formatId, int captionHeight, int menuHeight,
                       int imageToolBarLength, const RECT& margins, int thumbWindowWidth) {
    if (browserShown) return {thumbWindowWidth + 200, 480};
    POINT size = {menuBarWidth, 0};
    if (PlayerForFormat(formatId)) return size;
    size.y = captionHeight + menuHeight + imageToolBarLength + margins.top + margins.bottom + 5;
    return size;
}

HMENU BuildViewerContextMenu(bool onSelection, HMENU* resource) {
    // The menu follows the kind of file by its extension; the player state by
    // the format that is open.
    const wchar_t* name = onSelection                               ? L"SELECTTOOLMENU"
                          : IsVideoExtension(AppState::CurrentFile) ? L"VIDEO"
                          : IsSoundExtension(AppState::CurrentFile) ? L"SOUND"
                                                                    : L"IMAGE";
    *resource = LoadMenuW(AppState::Instance, name);
    if (!*resource) return nullptr;
    HMENU popup = GetSubMenu(*resource, 0);
    if (!popup) return nullptr;
    LangApplyPopupMenu(popup, name);
    ApplyCommandStates(popup);
    if (onSelection) return popup;
    if (AppState::ViewMode == VIEW_PRESENTATION) CheckMenuItem(popup, IDM_PRESENTATION_MODE, MF_BYCOMMAND | MF_CHECKED);
    if (AppState::DocumentKind == DOC_NEW_IMAGE)
        for (UINT id : {IDM_MOVE_ITEMS, IDM_RENAME_ITEMS, IDM_DELETE_ITEMS})
            EnableMenuItem(popup, id, MF_BYCOMMAND | MF_GRAYED);
    const CMediaPlayer* player = CurrentPlayer();
    if (player && player->muted) {
        CheckMenuItem(popup, ID_VOLUME_MUTE, MF_BYCOMMAND | MF_CHECKED);
        for (UINT id : {40163u, 40164u}) EnableMenuItem(popup, id, MF_BYCOMMAND | MF_GRAYED);
    }
    if (AppState::BrowserTab == TAB_PLAYLIST)
        for (UINT id : {IDM_RENAME_ITEMS, IDM_COPY_ITEMS, IDM_MOVE_ITEMS, IDM_DELETE_ITEMS})
            EnableMenuItem(popup, id, MF_BYCOMMAND | MF_GRAYED);
    return popup;
}

namespace {

LRESULT OnCreate(HWND window) {
    AppTrace("drop target");
    g_dropTarget = new (std::nothrow) CDropTarget(window);
    if (g_dropTarget && FAILED(RegisterDragDrop(window, g_dropTarget))) {
        g_dropTarget->Release();
        g_dropTarget = nullptr;
    }
    AppTrace("menu");
    MainMenu.Load(window);
    if (AppState::GeneralShowToolbar) {
        AppTrace("tool bar");
        MainToolBar.Create(window);
    }
    if (AppState::GeneralShowStatusbar) {
        AppTrace("status bar");
        StatusBar.Create(window);
    }
    AppState::ChannelView = CHANNEL_ALL;
    AppTrace("view borders");
    CreateViewBorders(window);
    AppState::MenuInitialised = 1;
    return 0;
}

LRESULT OnDestroy(HWND window) {
    // 1. A folder scan is asked to stop and given a bounded time; its lists are
    //    freed below only when it has ended.
    AppTrace("stop scan");
    bool scanStopped = StopFileScan(kScanStopTimeoutMs);
    AppTrace("prompt save");
    PromptSaveModified();
    AppTrace("revoke drag drop");
    if (g_dropTarget) {
        RevokeDragDrop(window);
        g_dropTarget->Release();
        g_dropTarget = nullptr;
    }
    AppTrace("leave presentation");
    if (AppState::ViewMode == VIEW_PRESENTATION) TogglePresentationMode(false);
    AppTrace("stop media");
    StopCurrentMedia();
    AppTrace("free image");
    AppState::CurrentImage.Destroy();
    AppState::DocumentKind = DOC_NONE;
    AppTrace("animation bar");
    AnimationBar.Reset();
    AppTrace("view borders");
    DestroyViewBorders();
    AppTrace("scroll bars");
    ViewScrollBars.Destroy();
    AppTrace("image tool bar");
    ImageToolBar.Destroy();
    AppTrace("browser");
    Browser.Close();
    AppTrace("status bar and tool bar");
    StatusBar.Destroy();
    MainToolBar.Destroy();
    AppTrace("menu");
    MainMenu.Destroy();
    AppTrace("snapshots");
    ChannelViewSnapshot.Discard();
    UndoSnapshot.Discard();
    RedoSnapshot.Discard();
    AppTrace("file lists");
    if (scanStopped) FreeFileLists();
    AppTrace("scanner");
    if (TwainHandler.sessionOpen) TwainHandler.EndSession();
    AppTrace("save settings");
    SaveSettings();
    PostQuitMessage(0);
    return 0;
}

LRESULT OnSize(HWND window) {
    UpdateScrollState();
    LayoutViewBorders();
    ViewScrollBars.Layout();
    ImageToolBar.Reposition();
    AnimationBar.Layout();
    MainToolBar.Resize();
    StatusBar.Resize();
    if (Browser.IsShown()) {
        Browser.Layout();
        ArrangeThumbnailGrid(Browser.fileListWindow);
    }
    if (AppState::SizeFromFit) {
        AppState::SizeFromFit = 0;
    } else {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }
    return 0;
}

LRESULT OnMouseWheel(HWND window, WPARAM wParam, LPARAM lParam) {
    AppState::WheelUsed = 1;
    if (FileList::ScanBusy) return 0;
    const int keys = GET_KEYSTATE_WPARAM(wParam);
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    POINT cursor = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (Browser.IsShown() && Browser.folderTreeWindow) {
        RECT tree;
        GetWindowRect(Browser.folderTreeWindow, &tree);
        if (PtInRect(&tree, cursor)) {
            PostMessageW(Browser.folderTreeWindow, WM_MOUSEWHEEL, wParam, lParam);
            return 0;
        }
    }
    if (!Browser.IsShown() || (keys & MK_LBUTTON)) {
        if (keys & (MK_LBUTTON | MK_CONTROL)) {
            AppState::Zoom = WheelZoom(AppState::Zoom, delta);
            StatusBar.Update();
            InvalidateRect(window, nullptr, FALSE);
            UpdateScrollState();
            ViewScrollBars.UpdateRanges();
        } else if (FileList::Count > 1) {
            if (delta > 0) PostMessageW(window, WM_COMMAND, IDM_PREVIOUS_MEDIA, 0);
            else if (delta < 0) PostMessageW(window, WM_COMMAND, IDM_NEXT_MEDIA, 0);
        }
        return 0;
    }
    if (Browser.fileListWindow) PostMessageW(Browser.fileListWindow, WM_MOUSEWHEEL, wParam, lParam);
    return 0;
}

LRESULT OnCopyData(HWND window, const COPYDATASTRUCT* data) {
    if (!AppState::GeneralUseOnlyOneInstance || !data) return 0;
    wchar_t path[MAX_PATH];
    if (ReadHandOverPath(data->lpData, data->cbData, path)) {
        const wchar_t* name = PathFindFileNameW(path);
        wchar_t folder[MAX_PATH];
        if (HandOverFolder(path, folder)) {
            CopyStringW(AppState::CurrentFolder, folder);
            SetCurrentDirectoryW(folder);
        }
        BuildFileList(name, AppState::CurrentFolder);
        NormalizePath(path);
        OpenMediaFile(path);
        MainToolBar.UpdateButtonStates();
        MainMenu.UpdateStates();
    }
    PostMessageW(window, WM_APP_BRING_TO_FRONT, 0, 0);
    return 0;
}

void BringToFront(HWND window) {
    DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    DWORD ownThread = GetCurrentThreadId();
    bool attached =
        foregroundThread && foregroundThread != ownThread && AttachThreadInput(ownThread, foregroundThread, TRUE);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window);
    SetFocus(window);
    SetActiveWindow(window);
    if (!AppState::GeneralAlwaysOnTop) SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (attached) AttachThreadInput(ownThread, foregroundThread, FALSE);
}

const wchar_t* SelectedRecentFolder() {
    int selected = Browser.addressCombo ? (int)SendMessageW(Browser.addressCombo, CB_GETCURSEL, 0, 0) : 0;
    if (selected < 0 || selected >= AppState::RecentFolderCount) selected = 0;
    return AppState::RecentFolderCount > 0 ? AppState::RecentFolders[selected] : nullptr;
}

void BrowserUp() {
    if (!Browser.IsShown() || ThumbLoader::Running) return;
    Browser.CopyComboToRecentFolders();
    const wchar_t* selected = SelectedRecentFolder();
    if (!selected) return;
    wchar_t desktop[MAX_PATH], path[MAX_PATH];
    const bool haveDesktop = GetDesktopFolderPath(desktop);
    if (BrowserUpTarget(selected, haveDesktop ? desktop : nullptr, path))
        Browser.ChangeFolder(path, BROWSER_OPEN_GIVEN_PATH, false);
}

LRESULT OnOpenPending(HWND window, WPARAM wParam, LPARAM lParam) {
    int index = (int)wParam;
    if (AppState::PendingRecentFolder) {
        AppState::PendingRecentFolder = 0;
        if (index < 0 || index >= AppState::RecentFolderCount) return 0;
        const wchar_t* folder = AppState::RecentFolders[index];
        if (Browser.IsHidden()) {
            Browser.Show();
            Browser.ChangeFolder(folder, BROWSER_OPEN_GIVEN_PATH, false);
        } else if (!Browser.open) {
            Browser.Open(folder, BROWSER_OPEN_GIVEN_PATH, window);
        } else {
            Browser.ChangeFolder(folder, BROWSER_OPEN_GIVEN_PATH, false);
        }
        return 0;
    }
    if (AppState::PendingRecentFile) {
        AppState::PendingRecentFile = 0;
        if (index < 0 || index >= AppState::RecentFileCount) return 0;
        wchar_t path[MAX_PATH], folder[MAX_PATH];
        CopyStringW(path, AppState::RecentFiles[index]);
        if (HandOverFolder(path, folder)) {
            SetCurrentDirectoryW(folder);
            CopyStringW(AppState::CurrentFolder, folder);
        }
        BuildFileList(PathFindFileNameW(path), AppState::CurrentFolder);
        OpenMediaFile(path);
        MainToolBar.UpdateButtonStates();
        MainMenu.UpdateStates();
        return 0;
    }
    return DefWindowProcW(window, WM_APP_OPEN_PENDING, wParam, lParam);
}

LRESULT OnTimer(HWND window, WPARAM id) {
    switch (id) {
    case TIMER_SLIDESHOW: StepSlideShow(window); break;
    case TIMER_ANIMATION_FRAME:
        AnimationBar.OnFrameTimer();
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        StatusBar.Update();
        break;
    case TIMER_CURSOR_HIDE: OnCursorHideTimer(id); break;
    case TIMER_AUTOSCROLL: OnAutoScrollTimer(window); break;
    case TIMER_PLAYER_POSITION:
        VideoPlayer.UpdatePosition();
        QuickTimePlayer.UpdatePosition();
        StatusBar.Update();
        break;
    case TIMER_SOUND_POSITION:
        SoundPlayer.UpdatePosition();
        StatusBar.Update();
        break;
    case TIMER_ANIMBAR_MOUSE: AnimationBar.OnHoverTimer(); break;
    case TIMER_PLAYER_MOUSE:
        // The sound player has a hover timer of its own.
        if (AppState::CurrentFormatId == FMT_VIDEO) VideoPlayer.OnHoverTimer();
        else if (AppState::CurrentFormatId == FMT_QTMOVIE) QuickTimePlayer.OnHoverTimer();
        break;
    case TIMER_SOUND_MOUSE: SoundPlayer.OnHoverTimer(); break;
    case TIMER_PLAYLIST_SHOW: StepPlaylistShow(window); break;
    default: break;
    }
    return 0;
}

LRESULT OnKeyDown(HWND window, WPARAM key) {
    const int step = (GetKeyState(VK_SHIFT) & 0x8000) ? 5 : 20;
    switch (key) {
    case VK_TAB:
        if (Browser.IsShown() && Browser.fileListWindow) SetFocus(Browser.fileListWindow);
        break;
    case VK_RETURN: SendMessageW(window, WM_COMMAND, IDM_BROWSE, 0); break;
    case VK_LEFT:
        AppState::LastScrollStep.x = step;
        ScrollView(step, 0, true);
        break;
    case VK_RIGHT:
        AppState::LastScrollStep.x = -step;
        ScrollView(-step, 0, true);
        break;
    case VK_UP:
        AppState::LastScrollStep.y = step;
        ScrollView(0, step, true);
        break;
    case VK_DOWN:
        AppState::LastScrollStep.y = -step;
        ScrollView(0, -step, true);
        break;
    default: break;
    }
    return 0;
}

LRESULT OnContextMenu(HWND window, LPARAM lParam) {
    POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (Browser.IsShown()) {
        POINT client = screen;
        ScreenToClient(window, &client);
        HWND child = ChildWindowFromPoint(window, client);
        if (child && child == Browser.folderTreeWindow) return FolderTreeOnContextMenu(window, screen.x, screen.y);
        if ((child && child == Browser.playlistListWindow) || AppState::BrowserTab == TAB_CONFIGURE) return 0;
    }
    if (!AppState::CurrentImage.IsValid()) return 0;
    RECT client;
    GetClientRect(window, &client);
    POINT at = screen;
    ScreenToClient(window, &at);
    const bool onSelection = !IsRectEmpty(&AppState::Selection) && PtInRect(&AppState::Selection, at);
    if (!onSelection && !PtInRect(&client, at)) return 0;
    HMENU resource = nullptr;
    HMENU popup = BuildViewerContextMenu(onSelection, &resource);
    if (!popup) {
        if (resource) DestroyMenu(resource);
        return 0;
    }
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    MainMenu.MakeOwnerDrawn(popup);
    CurrentPopupMenu = popup;
    TrackPopup(popup, TPM_RIGHTBUTTON, screen.x - 10, screen.y - 40, window);
    CurrentPopupMenu = MainMenu.menu;
    DestroyMenu(resource);
    return 1;
}

// The drop-down menu of a tool-bar button, shown at the button's left edge below it.
void ShowDropDownMenu(HWND window, const NMTOOLBARW* notify) {
    const UINT button = (UINT)notify->iItem;
    HMENU resource = nullptr;
    HMENU popup = BuildDropDownMenu(button, &resource);
    if (!popup) {
        if (resource) DestroyMenu(resource);
        return;
    }
    RECT item = {}, bar = {};
    SendMessageW(notify->hdr.hwndFrom, TB_GETRECT, (WPARAM)button, reinterpret_cast<LPARAM>(&item));
    GetWindowRect(notify->hdr.hwndFrom, &bar);
    const int x = bar.left + item.left, y = bar.top + item.bottom;
    const bool recentList = button == IDM_OPEN_MEDIA || button == IDM_BROWSE;
    // The lists and the alpha menu are plain menus; the others are drawn like the main menu.
    if (!recentList && button != IDM_ALPHA_AS_IMAGE) {
        MainMenu.MakeOwnerDrawn(popup);
        CurrentPopupMenu = popup;
    }
    if (recentList) {
        const UINT choice = TrackPopup(popup, TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, window);
        OnRecentListChoice(window, button == IDM_OPEN_MEDIA, choice);
    } else {
        TrackPopup(popup, TPM_RIGHTBUTTON, x, y, window);
    }
    CurrentPopupMenu = MainMenu.menu;
    DestroyMenu(resource);
    if (button == IDM_SLIDESHOW || button == IDM_FILE_OPERATIONS) MainToolBar.UpdateButtonStates();
}

LRESULT OnNotify(HWND window, NMHDR* header) {
    if (!header) return 0;
    if (Browser.folderTreeWindow && header->hwndFrom == Browser.folderTreeWindow) FolderTreeOnNotify(window, header);
    const bool fromFileList = Browser.fileListWindow && header->hwndFrom == Browser.fileListWindow;
    const bool fromPlaylist = Browser.playlistListWindow && header->hwndFrom == Browser.playlistListWindow;
    switch (header->code) {
    case RBN_CHEVRONPUSHED: MainToolBar.ShowChevronMenu(reinterpret_cast<NMREBARCHEVRON*>(header), window); break;
    case TBN_DROPDOWN:
        AppState::PendingRecentFolder = AppState::PendingRecentFile = 0;
        ShowDropDownMenu(window, reinterpret_cast<NMTOOLBARW*>(header));
        break;
    case TCN_SELCHANGE:
        if (Browser.tabWindow && header->hwndFrom == Browser.tabWindow) Browser.OnTabChange();
        break;
    case TTN_GETDISPINFOW: {
        if (!AppState::ToolBarShowToolTips) break;
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
        info->hinst = AppState::Instance;
        if (!ImageToolBar.GetTipText(info) && !MainToolBar.GetTooltipText(info)) Browser.GetToolbarTipText(info);
        break;
    }
    case LVN_GETDISPINFOW:
        if (fromFileList) FileListOnGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(header));
        else if (fromPlaylist) PlaylistPanel.OnGetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(header));
        break;
    case LVN_GETINFOTIPW:
        if (fromFileList) Browser.GetFileInfoTip(reinterpret_cast<NMLVGETINFOTIPW*>(header));
        break;
    case LVN_BEGINDRAG:
        if (fromFileList) FileListBeginDrag(reinterpret_cast<NMLISTVIEW*>(header));
        else if (fromPlaylist) PlaylistPanel.BeginDrag(reinterpret_cast<NMLISTVIEW*>(header));
        break;
    case LVN_COLUMNCLICK: {
        auto* list = reinterpret_cast<NMLISTVIEW*>(header);
        if (fromFileList) {
            if (list->iSubItem == AppState::GeneralSortOrder)
                AppState::GeneralSortAscending = !AppState::GeneralSortAscending;
            AppState::GeneralSortOrder = list->iSubItem;
            PostMessageW(window, WM_APP_BROWSER_GOTO, 0, 0);
        } else if (fromPlaylist) {
            PlaylistPanel.OnColumnClick(list);
        }
        break;
    }
    case LVN_ITEMCHANGED:
        if (fromFileList) FileListOnItemChanged(reinterpret_cast<NMLISTVIEW*>(header));
        else if (fromPlaylist) PlaylistPanel.OnItemChanged(reinterpret_cast<NMLISTVIEW*>(header));
        Browser.UpdateToolbarButtons();
        break;
    default: break;
    }
    return 0;
}

// ---- The messages by area. Each area's function handles the messages of its
// area and returns true with *result set; false sends the message on to
// DefWindowProcW (also for the few messages an area acts on and still passes on).

// The players: their message pumps see every message first, then the
// players' own notifications.
bool OnPlayerMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    QuickTimePlayer.OnWindowMessage(window, message, wParam, lParam);
    ViewerPlayer.NotifyOwnerMessage(window, message, wParam, lParam);
    switch (message) {
    case MM_MIXM_CONTROL_CHANGE:
        if (CMediaPlayer* player = CurrentPlayer()) player->UpdateVolumeBar();
        *result = 0;
        return true;
    case WM_APP_INIT_QUICKTIME:
        StartQuickTime();
        *result = 0;
        return true;
    case WM_APP_VIDEO_GRAPH_EVENT: VideoPlayer.OnGraphEvent(); return false;
    case WM_APP_SOUND_GRAPH_EVENT: SoundPlayer.OnGraphEvent(); return false;
    case WM_APP_MUSIC_GRAPH_EVENT: OnBackgroundMusicEvent(); return false;
    case WM_CTLCOLORSTATIC: return SoundPlayer.ColorStatic((HWND)lParam, (HDC)wParam, result);
    default: return false;
    }
}

// The chrome: the menus (owner drawing, popups), the owner-drawn buttons, the
// system colours and the window's minimum size.
bool OnChromeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case WM_SYSCOLORCHANGE:
        MainMenu.Destroy();
        MainMenu.Load(window);
        MainToolBar.Destroy();
        if (AppState::GeneralShowToolbar) MainToolBar.Create(window);
        if (Browser.IsShown()) SetFileListColors();
        *result = 0;
        return true;
    case WM_GETMINMAXINFO: {
        if (!AppState::MenuInitialised) return false;
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        POINT size =
            MinimumTrackSize(Browser.IsShown(), GetMenuBarWidth(MainMenu.menu, window), AppState::CurrentFormatId,
                             GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CYMENU),
                             ImageToolBar.GetButtonsHeight(), AppState::ViewMargins, AppState::BrowserThumbWindowWidth);
        info->ptMinTrackSize.x = size.x;
        if (size.y) info->ptMinTrackSize.y = size.y;
        *result = 0;
        return true;
    }
    case WM_DRAWITEM: {
        LRESULT ignored = 0;
        auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (!FolderTreeHandleMenuMsg(window, message, wParam, lParam, &ignored)) MainMenu.DrawItem(item);
        if (AnimationBar.controlsCreated && AnimationBar.visible) AnimationBar.DrawButton(item);
        if (CMediaPlayer* player = CurrentPlayer()) player->DrawButton(item);
        *result = 1;
        return true;
    }
    case WM_MEASUREITEM: {
        LRESULT ignored = 0;
        if (!FolderTreeHandleMenuMsg(window, message, wParam, lParam, &ignored))
            MainMenu.MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        *result = 1;
        return true;
    }
    case WM_MENUCHAR: {
        LRESULT ignored = 0;
        FolderTreeHandleMenuMsg(window, message, wParam, lParam, &ignored);
        return false;
    }
    case WM_INITMENUPOPUP: {
        LRESULT ignored = 0;
        FolderTreeHandleMenuMsg(window, message, wParam, lParam, &ignored);
        HMENU popup = reinterpret_cast<HMENU>(wParam);
        RebuildOpenWithMenu(popup, window);
        if (MainMenu.menu && GetSubMenu(MainMenu.menu, 1) == popup) {
            // Sound and video files take no pasted picture.
            const MediaFileEntry* entry = CurrentFileListEntry();
            const bool media = entry && (IsSoundExtension(entry->name) || IsVideoExtension(entry->name));
            const bool enable = !media && IsCommandEnabled(IDM_PASTE);
            EnableMenuItem(popup, IDM_PASTE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
        }
        *result = 0;
        return true;
    }
    default: return false;
    }
}

// The browser: its controls' notifications, its private messages and the
// mouse's back button.
bool OnBrowserMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = 0;
    switch (message) {
    case WM_NOTIFY: *result = OnNotify(window, reinterpret_cast<NMHDR*>(lParam)); return true;
    case WM_XBUTTONDOWN:
        if (Browser.IsShown() && !ThumbLoader::Running && GET_XBUTTON_WPARAM(wParam) == XBUTTON1)
            PostMessageW(window, WM_APP_BROWSER_BACK, 0, 0);
        *result = 1;
        return true;
    case WM_APP_BROWSER_UP: BrowserUp(); return true;
    case WM_APP_FILE_SCAN_DONE:
        // A folder scan's result: the latest one replaces the list; the views
        // that refused the list while it was busy are refreshed.
        if (TakeFileScanResult(lParam)) {
            StatusBar.Update();
            MainMenu.UpdateStates();
            MainToolBar.UpdateButtonStates();
        }
        return true;
    case WM_APP_STATUS_UPDATE: StatusBar.Update(); return true;
    case WM_APP_BROWSER_OPENFOLDER: {
        if (!Browser.IsShown() || ThumbLoader::Running) return true;
        int index = (int)wParam;
        if (index < 0 || index >= FileList::SubfolderCount || !FileList::Subfolders) return true;
        wchar_t path[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, path);
        if (AppendPath(path, FileList::Subfolders[index].name))
            Browser.ChangeFolder(path, BROWSER_OPEN_GIVEN_PATH, false);
        return true;
    }
    case WM_APP_BROWSER_REFRESH:
        AppState::BrowserTab = TAB_ALL_TYPES;
        if (AppState::TreeSelectedFolder[0]) SetCurrentDirectoryW(AppState::TreeSelectedFolder);
        PostMessageW(window, WM_COMMAND, IDM_REFRESH, 0);
        return true;
    case WM_APP_BROWSER_GOTO:
        Browser.CopyComboToRecentFolders();
        if (const wchar_t* folder = SelectedRecentFolder())
            Browser.ChangeFolder(folder, BROWSER_OPEN_GIVEN_PATH, false);
        return false;
    case WM_APP_OPEN_LIST_ENTRY: {
        int index = (int)wParam;
        if (FileList::Entries && index >= 0 && index < FileList::Count) {
            FileList::Current = index;
            wchar_t path[MAX_PATH];
            GetCurrentDirectoryW(MAX_PATH, path);
            if (AppendPath(path, FileList::Entries[index].name)) OpenMediaFile(path);
        }
        if (Browser.IsShown() && Browser.fileListWindow) SetFocus(Browser.fileListWindow);
        return true;
    }
    case WM_APP_BROWSER_BACK:
        if (!Browser.IsShown() || ThumbLoader::Running) return true;
        Browser.CopyComboToRecentFolders();
        if (AppState::RecentFolderCount >= 2)
            Browser.ChangeFolder(AppState::RecentFolders[1], BROWSER_OPEN_GIVEN_PATH, false);
        return true;
    default: return false;
    }
}

// The viewer: painting, sizing, scrolling, the mouse and keys over the
// picture, the timers and the context menu.
bool OnViewerMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = 0;
    switch (message) {
    case WM_SIZE: *result = OnSize(window); return true;
    case WM_PAINT: PaintView(window); return true;
    case WM_ERASEBKGND: return true;
    case WM_PALETTECHANGED:
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        return true;
    case WM_KEYDOWN: *result = OnKeyDown(window, wParam); return true;
    case WM_TIMER: *result = OnTimer(window, wParam); return true;
    case WM_HSCROLL: ViewScrollBars.OnHScroll(lParam, wParam); return true;
    case WM_VSCROLL: ViewScrollBars.OnVScroll(lParam, wParam); return true;
    case WM_LBUTTONDBLCLK:
        EndViewerToolDrag(window);
        PostMessageW(window, WM_COMMAND, IDM_BROWSE, 0);
        return true;
    case WM_LBUTTONDOWN: OnViewerLButtonDown(window, wParam, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return true;
    case WM_MOUSEMOVE: OnViewerMouseMove(window, wParam, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return true;
    case WM_LBUTTONUP: OnViewerLButtonUp(window, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}); return true;
    case WM_CAPTURECHANGED:
        // Another window took the mouse in the middle of a tool drag.
        if (reinterpret_cast<HWND>(lParam) != window) EndViewerToolDrag(window);
        return true;
    case WM_MBUTTONDOWN:
        if (AppState::CurrentImage.IsValid()) PostMessageW(window, WM_COMMAND, IDM_PRESENTATION_MODE, 0);
        return true;
    case WM_MOVING:
        AppState::WindowMoved = 1;
        *result = 1;
        return true;
    case WM_SIZING:
        AppState::WindowSized = 1;
        *result = 1;
        return true;
    case WM_MOUSEWHEEL: *result = OnMouseWheel(window, wParam, lParam); return true;
    case WM_CONTEXTMENU: *result = OnContextMenu(window, lParam); return true;
    default: return false;
    }
}

// The window itself: creation and teardown, commands, the hand-over from a
// second copy and the requests to open files or dialogs.
bool OnFrameMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = 0;
    switch (message) {
    case WM_NCCREATE: InitShellMalloc(); return false;
    case WM_NCDESTROY: ReleaseShellMalloc(); return false;
    case WM_CREATE: *result = OnCreate(window); return true;
    case WM_CLOSE:
        if (ThumbLoader::Running) ThumbLoader::CloseRequest = 1;
        else DestroyWindow(window);
        return true;
    case WM_DESTROY: *result = OnDestroy(window); return true;
    case WM_COMMAND: *result = OnMainCommand(window, wParam, lParam); return true;
    case WM_COPYDATA: *result = OnCopyData(window, reinterpret_cast<const COPYDATASTRUCT*>(lParam)); return true;
    case WM_APP_REOPEN_OPEN_DIALOG:
        if ((int)wParam >= 0 && (int)wParam < AppState::RecentFolderCount && (int)wParam < RECENT_FOLDER_CAPACITY)
            CopyStringW(AppState::LastOpenDir, AppState::RecentFolders[wParam]);
        ShowOpenFileDialog(window);
        return true;
    case WM_APP_OPEN_PENDING: *result = OnOpenPending(window, wParam, lParam); return true;
    case WM_APP_BRING_TO_FRONT: BringToFront(window); return true;
    case WM_APP_SAVE_ITEM_AS: {
        // Save As again (from "Switch to current Folder"); wParam 1: in the current directory.
        wchar_t path[MAX_PATH];
        if (!AppState::CurrentImage.IsValid()) return true;
        if (AppState::DocumentKind == DOC_NEW_IMAGE) ShowSaveAsDialog(AppState::CurrentFile, window, true, wParam == 1);
        else if (CurrentFileListEntryPath(path)) ShowSaveAsDialog(path, window, true, wParam == 1);
        return true;
    }
    default: return false;
    }
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    // The players come first: their pumps see every message.
    if (OnPlayerMessage(window, message, wParam, lParam, &result) ||
        OnChromeMessage(window, message, wParam, lParam, &result) ||
        OnBrowserMessage(window, message, wParam, lParam, &result) ||
        OnViewerMessage(window, message, wParam, lParam, &result) ||
        OnFrameMessage(window, message, wParam, lParam, &result))
        return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedWindowCall([&] { return DefWindowProcW(window, message, wParam, lParam); },
                             [&] { return HandleMessage(window, message, wParam, lParam); });
}
