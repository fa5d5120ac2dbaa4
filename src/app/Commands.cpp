// WM_COMMAND of the main window and the command table: a command is offered to
// the players' and browser's buttons first, then run by its row of the table
// when the row's predicate (the one that grays its menu item) allows it.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <span>

#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandState.h"
#include "app/EffectDialogs.h"
#include "app/CommandTable.h"
#include "app/ImageSnapshot.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/OpenDialog.h"
#include "app/OpenWith.h"
#include "app/SaveAsDialog.h"
#include "app/Settings.h"
#include "app/ShellServices.h"
#include "app/View.h"
#include "browser/AddressBar.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/FileListView.h"
#include "browser/Search.h"
#include "browser/ThumbnailDBMaintenance.h"
#include "browser/ThumbnailLoader.h"
#include "image/Common.h"
#include "image/Effects.h"
#include "media/AnimationBar.h"
#include "media/Players.h"
#include "command_ids.h"

namespace {

void RefreshStates() {
    MainMenu.UpdateStates();
    MainToolBar.UpdateButtonStates();
}

void FitToZoomedImage(HWND window) {
    FitWindowToImage((int)(AppState::CurrentImage.GetWidth() * AppState::Zoom),
                     (int)(AppState::CurrentImage.GetHeight() * AppState::Zoom), window);
}

void Relayout(HWND window) {
    if (Browser.IsShown()) Browser.Layout();
    else if (AppState::CurrentImage.IsValid()) FitToZoomedImage(window);
    SendMessageW(window, WM_SIZE, 0, 0);
    MainMenu.UpdateStates();
}

// After a zoom or step command clicked on the main tool bar: the window has
// moved or grown under the cursor, which is put back on the button. A command
// from the wheel, a menu or a key leaves the cursor where it is.
void SnapCursorToButton(HWND window, UINT id, bool fromToolBar) {
    RECT r;
    GetWindowRect(window, &r);
    AppState::WindowRect = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    POINT point;
    if (!AppState::WheelUsed && fromToolBar && !Browser.IsShown() && AppState::ViewMode != VIEW_PRESENTATION &&
        AppState::ToolBarSnapButtons &&
        CursorSnapPoint(r, MainToolBar.ButtonOffset(id), GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CYMENU),
                        &point)) {
        SetCursorPos(point.x, point.y);
        return;
    }
    AppState::WheelUsed = 0;
}

// The browser's list follows a step: the old item loses its state, the new one
// is selected, focused and scrolled into view (subfolders come first in the list).
void SelectStepInBrowserList(int oldIndex, int newIndex) {
    HWND list = Browser.fileListWindow;
    if (!list) return;
    const int offset = FileList::SubfolderCount > 0 ? FileList::SubfolderCount : 0;
    LVITEMW item = {};
    item.stateMask = 15;
    if (oldIndex >= 0) {
        item.state = 0;
        SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)(oldIndex + offset), (LPARAM)&item);
    }
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)(newIndex + offset), (LPARAM)&item);
    SendMessageW(list, LVM_ENSUREVISIBLE, (WPARAM)(newIndex + offset), FALSE);
}

void Zoom(HWND window, UINT id, bool fromToolBar) {
    AppState::Zoom = id == IDM_ZOOM_IN    ? GetZoomInStep(AppState::Zoom)
                     : id == IDM_ZOOM_OUT ? GetZoomOutStep(AppState::Zoom)
                                          : 1.0f;
    if (IsWindowPlacedByUser()) {
        UpdateScrollState();
        ViewScrollBars.UpdateRanges();
        LayoutViewBorders();
        if (id == IDM_ZOOM_100) ScrollToTopLeft();
    } else {
        FitToZoomedImage(window);
    }
    StatusBar.Update();
    InvalidateRect(window, nullptr, FALSE);
    SnapCursorToButton(window, id, fromToolBar);
}

void Step(HWND window, UINT id, bool fromToolBar) {
    // A slide show that cannot advance by itself leaves stepping to the user.
    const bool slideShowSteps = AppState::SlideShowRunning && SlideShowCanAdvance();
    if (id == IDM_NEXT_MEDIA || id == IDM_PREVIOUS_MEDIA) {
        if (Playlist::ShowRunning) {
            PostMessageW(window, WM_TIMER, TIMER_PLAYLIST_SHOW, 0);
            return;
        }
        if (slideShowSteps) {
            PostMessageW(window, WM_TIMER, TIMER_SLIDESHOW, 0);
            return;
        }
    } else if (Playlist::ShowRunning || slideShowSteps || FileList::Count < 2) {
        return;
    }
    const int index = StepTargetIndex(id, FileList::Current, FileList::Count, AppState::ViewerWrapAround != 0);
    if (index < 0 || !FileList::Entries || FileList::ScanBusy) return;  // a count of 0 is no list
    const int oldIndex = FileList::Current;
    FileList::Current = index;
    wchar_t path[MAX_PATH];
    if (CurrentFileListEntryPath(path)) OpenMediaFile(path);
    const bool nextOrPrevious = id == IDM_NEXT_MEDIA || id == IDM_PREVIOUS_MEDIA;
    if (AppState::ViewMode == VIEW_VIEWER && nextOrPrevious) SnapCursorToButton(window, id, fromToolBar);
    if (AppState::ViewMode == VIEW_BROWSER || (!nextOrPrevious && Browser.IsShown()))
        SelectStepInBrowserList(oldIndex, index);
}

void ToggleBrowser(HWND window) {
    if (Browser.IsShown()) {
        AppState::PaintSuspended = 1;
        Browser.Hide();
        AppState::Zoom = AppState::CurrentFormatId == FMT_VIDEO ? AppState::VideoZoom : 1.0f;
        AppState::FitPending = 1;
        FitWindowToImage((int)AppState::CurrentImage.GetWidth(), (int)AppState::CurrentImage.GetHeight(), window);
        StatusBar.Update();
        RefreshStates();
        AppState::PaintSuspended = 0;
        UpdateScrollState();
        InvalidateRect(window, nullptr, FALSE);
        return;
    }
    if (AppState::ViewMode == VIEW_PRESENTATION) TogglePresentationMode(false);
    AppState::VideoZoom = AppState::Zoom;
    AppState::PaintSuspended = 1;
    AppState::FitPending = 1;
    if (Browser.IsHidden()) {
        Browser.Show();
        RefreshStates();
    } else {
        Browser.Open(nullptr, BROWSER_OPEN_CURRENT_DIRECTORY, window);
    }
    AppState::PaintSuspended = 0;
    UpdateScrollState();
    AnimationBar.Layout();
    ImageToolBar.Reposition();
    LayoutViewBorders();
    InvalidateRect(window, nullptr, FALSE);
}

// ---- The handlers of the command table's rows.

void ToggleToolBar(HWND window) {
    if (MainToolBar.created) {
        MainToolBar.Destroy();
        AppState::GeneralShowToolbar = 0;
    } else {
        MainToolBar.Create(window);
        AppState::GeneralShowToolbar = 1;
        MainToolBar.UpdateButtonStates();
    }
    Relayout(window);
}

void ToggleStatusBar(HWND window) {
    if (StatusBar.created) {
        StatusBar.Destroy();
        AppState::GeneralShowStatusbar = 0;
    } else {
        StatusBar.Create(window);
        StatusBar.Update();
        AppState::GeneralShowStatusbar = 1;
    }
    Relayout(window);
}

void QuickSave() {
    // Quick save over the folder's current file.
    wchar_t path[MAX_PATH];
    if (CurrentFileListEntryPath(path)) SaveCurrentImage(path);
    RefreshStates();
}

void SaveAs(HWND window) {
    // A new image has no list entry: it is offered under its own name.
    wchar_t path[MAX_PATH];
    if (AppState::DocumentKind == DOC_NEW_IMAGE) ShowSaveAsDialog(AppState::CurrentFile, window, true, false);
    else if (CurrentFileListEntryPath(path)) ShowSaveAsDialog(path, window, true, false);
}

void Reload() {
    wchar_t path[MAX_PATH];
    if (CurrentFileListEntryPath(path)) OpenMediaFile(path);
}

void ToggleAlwaysMaximize(HWND window) {
    AppState::GeneralAlwaysMaximizeWindow = !AppState::GeneralAlwaysMaximizeWindow;
    MainMenu.UpdateStates();
    FitWindowToImage((int)AppState::CurrentImage.GetWidth(), (int)AppState::CurrentImage.GetHeight(), window);
    InvalidateRect(window, nullptr, FALSE);
}

void SaveWindowPlacement(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    AppState::GeneralLastWinX = r.left;
    AppState::GeneralLastWinY = r.top;
    AppState::GeneralLastWinW = r.right - r.left;
    AppState::GeneralLastWinH = r.bottom - r.top;
    SaveSettings();
}

void Repaint(HWND window) {
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
}

// The picture's size may have changed: scroll state, bars and status follow.
void ImageResized() {
    UpdateScrollState();
    ViewScrollBars.UpdateRanges();
    StatusBar.Update();
}

// A geometry edit of the picture (not of what an alpha view shows of it): the
// undo snapshot first, then the operation, then the window brought up to date.
void EditImage(HWND window, bool (CImage::*operation)(), bool sizeChanges) {
    EditDocumentPicture([&](CImage& picture) {
        SaveUndoSnapshot();
        return (picture.*operation)();
    });
    if (sizeChanges) ImageResized();
    Repaint(window);
    RefreshStates();
}

void Flip(HWND window, UINT id, LPARAM) {
    switch (id) {
    case IDM_FLIP: EditImage(window, &CImage::FlipVertical, false); break;
    case IDM_MIRROR: EditImage(window, &CImage::Mirror, false); break;
    case IDM_ROTATE_LEFT: EditImage(window, &CImage::RotateLeft90, true); break;
    case IDM_ROTATE_RIGHT: EditImage(window, &CImage::RotateRight90, true); break;
    case IDM_ROTATE_180: EditImage(window, &CImage::Rotate180, false); break;
    default: break;
    }
}

// The effect dialogs take the undo snapshot and repaint when OK runs the
// effect; they work on the picture, and an alpha view is made again afterwards.
void ShowEffectDialog(HWND window, UINT id, LPARAM) {
    const wchar_t* name = id == IDM_BLUR ? L"EFF_BLURDLG" : id == IDM_PIXELIZE ? L"EFF_PIXELIZEDLG" : L"EFF_SHARPENDLG";
    DLGPROC proc = id == IDM_BLUR ? EffBlurDlgProc : id == IDM_PIXELIZE ? EffPixelizeDlgProc : EffSharpenDlgProc;
    EditDocumentPicture([&](CImage&) { return DialogBoxParamW(AppState::Instance, name, window, proc, 0) == IDOK; });
    ImageResized();  // the effects leave a 24-bit picture
    RefreshStates();
}

// Undo puts the current picture into the redo store and restores the undo
// store; redo the other way round. Both stores hold the picture, not what an
// alpha view shows of it.
void UndoRedo(HWND window, UINT id, LPARAM) {
    CImageSnapshot& keep = id == IDM_UNDO ? RedoSnapshot : UndoSnapshot;
    CImageSnapshot& restore = id == IDM_UNDO ? UndoSnapshot : RedoSnapshot;
    const bool restored = EditDocumentPicture([&](CImage&) {
        keep.Save();
        return restore.Restore();
    });
    if (restored) AppState::ImageModified = 1;
    ImageResized();
    RefreshStates();
    ImageToolBar.UpdateButtonStates();
    Repaint(window);
}

void StopSlideShow(HWND window) {
    AppState::SlideShowRunning = 0;
    KillTimer(window, TIMER_SLIDESHOW);
}

// Start/Stop: a running show stops; otherwise a show starts, but only one that
// can advance (until then the step commands keep stepping by hand).
void StartStopSlideShow(HWND window) {
    if (Playlist::ShowRunning) {
        Playlist::ShowRunning = 0;
        KillTimer(window, TIMER_PLAYLIST_SHOW);
    }
    if (AppState::SlideShowRunning) {
        StopSlideShow(window);
    } else if (SlideShowCanAdvance()) {
        AppState::SlideShowRunning = 1;
        srand((unsigned)time(nullptr));
        SetTimer(window, TIMER_SLIDESHOW, (UINT)AppState::SlideShowDelay, nullptr);
        if (AppState::SlideShowStartFullscreen) {
            PostMessageW(window, WM_COMMAND, IDM_PRESENTATION_MODE, 0);
            return;
        }
    }
    RefreshStates();
}

void Exit(HWND window) {
    if (Playlist::ShowRunning) EndPlaylistShow();
    if (AppState::SlideShowRunning) StopSlideShow(window);
    if (AppState::ViewMode == VIEW_PRESENTATION) TogglePresentationMode(true);
    else SendMessageW(window, WM_CLOSE, 0, 0);
}

void SetToolMode(ToolModeKind mode) {
    AppState::ToolMode = mode;
    RefreshStates();
}

// Handlers that take the command's window only, or the window, id and tool-bar flag.
template <void (*F)(HWND)>
void Run(HWND window, UINT, LPARAM) {
    F(window);
}
template <void (*F)()>
void RunPlain(HWND, UINT, LPARAM) {
    F();
}
template <void (*F)(HWND, UINT, bool)>
void RunFromToolBar(HWND window, UINT id, LPARAM lParam) {
    F(window, id, lParam != 0);
}

void ToggleTiles(HWND window) {
    AppState::GeneralViewImageAsTiles = !AppState::GeneralViewImageAsTiles;
    MainMenu.UpdateStates();
    Repaint(window);
}

void ToggleUseSavedPlacement() {
    AppState::GeneralLastWinPos = !AppState::GeneralLastWinPos;
    MainMenu.UpdateStates();
}

void CloseMedia() {
    CloseCurrentMedia();
    RefreshStates();
}

void OpenMedia(HWND window) { ShowOpenFileDialog(window); }
void EnterPresentationMode() { TogglePresentationMode(false); }
template <ToolModeKind Mode>
void SetToolModeTo() {
    SetToolMode(Mode);
}

constexpr auto kEditable = &HasEditableImage;

// The file list's own commands (names or paths to the clipboard, its settings
// page, its folder out of the cache): the list carries them out.
bool BrowserListShown() { return Browser.IsShown() && Browser.fileListWindow != nullptr; }
void ToFileList(HWND, UINT id, LPARAM) {
    if (Browser.fileListWindow) SendMessageW(Browser.fileListWindow, WM_COMMAND, id, 0);
}

// ---- the browser's navigation and its tool bar ----

bool BrowserShown() { return Browser.IsShown(); }

void Search(HWND window) { ShowSearchDialog(window); }

// Refresh: the browser scans its folder again with the tab's filter. While the
// thumbnail loader runs, the loader goes there when it stops.
void RefreshBrowser() {
    if (ThumbLoader::Running) {
        ThumbLoader::GotoRequest = 1;
        return;
    }
    if (Browser.ChangeFolder(nullptr, BROWSER_OPEN_CURRENT_DIRECTORY, false)) {
        StatusBar.Update();
        RefreshStates();
    }
}

// Thumbnails or Report: the default view style; a shown folder is made again
// in it unless the folder has a style of its own.
template <int Style>
void SetDefaultBrowserStyle() {
    AppState::BrowserStyle = Style;
    RefreshStates();
    if (Browser.IsShown() && AppState::BrowserListStyle != Style) RefreshBrowser();
}

// The shown folder's own style is saved or deleted; the list follows it.
template <int Style>
void SaveFolderStyle() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    Browser.SaveFolderStyle(Style, folder);
    if (AppState::BrowserListStyle != Style) RefreshBrowser();
}
void DeleteFolderStyle() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    Browser.DeleteFolderStyle(folder);
    if (AppState::BrowserListStyle != AppState::BrowserStyle) RefreshBrowser();
}

// Select All: every playlist entry on the playlist tab, else every file item.
void SelectAllInBrowser() {
    if (AppState::BrowserTab == TAB_PLAYLIST) PlaylistPanel.SelectAll();
    else SelectAllFiles();
}

// The folder tree changes sides: the browser is built again on the folder shown.
void ToggleFolderPane(HWND window) {
    AppState::BrowserFolderViewOnTheLeft = !AppState::BrowserFolderViewOnTheLeft;
    Browser.Close();
    Browser.Open(nullptr, BROWSER_OPEN_CURRENT_DIRECTORY, window);
}

// A browser button that stands for a message or another command posts it.
void PostBrowserButton(HWND window, UINT id, LPARAM) {
    switch (id) {
    case IDM_BROWSER_BACK: PostMessageW(window, WM_APP_BROWSER_BACK, 0, 0); break;
    case IDM_BROWSER_UP: PostMessageW(window, WM_APP_BROWSER_UP, 0, 0); break;
    case IDM_BROWSER_SELECT_ALL: PostMessageW(window, WM_COMMAND, IDM_SELECT_ALL, 0); break;
    case IDM_BROWSER_REFRESH: PostMessageW(window, WM_COMMAND, IDM_REFRESH, 0); break;
    case IDM_BROWSER_SEARCH: PostMessageW(window, WM_COMMAND, IDM_SEARCH, 0); break;
    case IDM_BROWSER_MOVE: PostMessageW(window, WM_COMMAND, IDM_MOVE_ITEMS, 0); break;
    case IDM_BROWSER_COPY: PostMessageW(window, WM_COMMAND, IDM_COPY_ITEMS, 0); break;
    case IDM_BROWSER_DELETE: PostMessageW(window, WM_COMMAND, IDM_DELETE_ITEMS, 0); break;
    case IDM_BROWSER_RENAME:
        // Several items are renamed by the list's batch rename.
        if (Browser.fileListWindow && SendMessageW(Browser.fileListWindow, LVM_GETSELECTEDCOUNT, 0, 0) > 1)
            PostMessageW(Browser.fileListWindow, WM_COMMAND, IDM_RENAME_ITEMS, 0);
        else PostMessageW(window, WM_COMMAND, IDM_RENAME_ITEMS, 0);
        break;
    default: break;
    }
}

void ChoosePath(HWND window) { ShowSelectPathDialog(window); }
void NewFolder(HWND window) { ShowCreateFolderDialog(window); }
// Copy, move, delete and rename act on the browser's selection while the
// browser is shown, else on the viewer's current entry; without either they
// do nothing. Their menu items keep the grays of the menus that offer them.
bool HasFileOperationTarget() { return BrowserListShown() || (!Browser.IsShown() && HasCurrentListEntry()); }
template <void (*F)(HWND)>
void RunOnFiles(HWND window, UINT, LPARAM) {
    if (HasFileOperationTarget()) F(window);
}
void DeleteItems(HWND) { DeleteSelectedFiles(GetKeyState(VK_SHIFT) < 0); }

void ShowDatabaseMaintenance(HWND window) {
    DialogBoxParamW(AppState::Instance, L"DBMAINTENANCEDLG", window, DBMaintenanceDlgProc, 0);
}

// One row per command, in the order of the menus; the tool bars' own buttons last.
const CommandRow kCommandTable[] = {
    // File
    {IDM_OPEN_MEDIA, nullptr, Run<OpenMedia>},
    {IDM_RELOAD_MEDIA, HasCurrentListEntry, RunPlain<Reload>},
    {IDM_CLOSE_MEDIA, HasOpenDocument, RunPlain<CloseMedia>},
    {IDM_QUICK_SAVE, CanQuickSave, RunPlain<QuickSave>},
    {IDM_SAVE_AS, kEditable, Run<SaveAs>},
    {IDM_PRINT, kEditable, nullptr},
    {IDM_FILE_INFO, nullptr, nullptr},
    {IDM_ACQUIRE, nullptr, nullptr},
    {IDM_SELECT_SOURCE, nullptr, nullptr},
    {IDM_EXIT, nullptr, Run<Exit>},
    // Edit
    {IDM_UNDO, CanUndo, UndoRedo},
    {IDM_REDO, CanRedo, UndoRedo},
    {IDM_CUT, kEditable, nullptr},
    {IDM_COPY, kEditable, nullptr},
    {IDM_PASTE, ClipboardHasBitmap, nullptr},
    {IDM_CROP, kEditable, nullptr},
    {IDM_SELECT_ALL, BrowserShown, RunPlain<SelectAllInBrowser>},
    {IDM_COPY_NAMES, BrowserListShown, ToFileList},
    {IDM_COPY_PATHS, BrowserListShown, ToFileList},
    {IDM_BROWSER_SETTINGS, BrowserListShown, ToFileList},
    {IDM_REMOVE_FOLDER_FROM_CACHE, BrowserListShown, ToFileList},
    {IDM_COPY_ITEMS, nullptr, RunOnFiles<ShowCopyToDialog>},
    {IDM_MOVE_ITEMS, nullptr, RunOnFiles<ShowMoveToDialog>},
    {IDM_DELETE_ITEMS, nullptr, RunOnFiles<DeleteItems>},
    {IDM_RENAME_ITEMS, nullptr, RunOnFiles<ShowRenameDialog>},
    {IDM_ADD_TO_PLAYLIST, nullptr, nullptr},
    {IDM_SEARCH, BrowserShown, Run<Search>},
    // View
    {IDM_BROWSE, IsFolderScanIdle, Run<ToggleBrowser>},
    {IDM_REFRESH, BrowserShown, RunPlain<RefreshBrowser>},
    {IDM_PRESENTATION_MODE, nullptr, RunPlain<EnterPresentationMode>},
    {IDM_NEXT_MEDIA, HasFileList, RunFromToolBar<Step>},
    {IDM_PREVIOUS_MEDIA, HasFileList, RunFromToolBar<Step>},
    {IDM_FIRST_MEDIA, HasFileList, RunFromToolBar<Step>},
    {IDM_LAST_MEDIA, HasFileList, RunFromToolBar<Step>},
    {IDM_ZOOM_IN, nullptr, RunFromToolBar<Zoom>},
    {IDM_ZOOM_OUT, nullptr, RunFromToolBar<Zoom>},
    {IDM_ZOOM_100, nullptr, RunFromToolBar<Zoom>},
    {IDM_FIT_TO_AREA, nullptr, nullptr},
    {IDM_FIT_TO_WIDTH, nullptr, nullptr},
    {IDM_FIT_TO_HEIGHT, nullptr, nullptr},
    {IDM_ZOOM_TO_SELECTION, kEditable, nullptr},
    {IDM_TOOL_SCROLL, nullptr, RunPlain<SetToolModeTo<TOOL_SCROLL>>},
    {IDM_TOOL_SELECT, nullptr, RunPlain<SetToolModeTo<TOOL_SELECT>>},
    {IDM_TOOL_RED_MARKER, nullptr, RunPlain<SetToolModeTo<TOOL_RED_MARKER>>},
    {IDM_CHANNEL_ALL, nullptr, nullptr},
    {IDM_CHANNEL_RED, nullptr, nullptr},
    {IDM_CHANNEL_GREEN, nullptr, nullptr},
    {IDM_CHANNEL_BLUE, nullptr, nullptr},
    {IDM_ALPHA_AS_IMAGE, nullptr, nullptr},
    {IDM_ALPHA_AS_LAYER, nullptr, nullptr},
    {IDM_ALPHA_BLENDED, nullptr, nullptr},
    {IDM_BROWSER_THUMBNAILS, nullptr, RunPlain<SetDefaultBrowserStyle<0>>},
    {IDM_BROWSER_REPORT, nullptr, RunPlain<SetDefaultBrowserStyle<1>>},
    {IDM_SORT_NAME_ASCENDING, nullptr, nullptr},
    {IDM_SORT_NAME_DESCENDING, nullptr, nullptr},
    {IDM_SORT_SIZE_ASCENDING, nullptr, nullptr},
    {IDM_SORT_SIZE_DESCENDING, nullptr, nullptr},
    {IDM_SORT_DATE_ASCENDING, nullptr, nullptr},
    {IDM_SORT_DATE_DESCENDING, nullptr, nullptr},
    {IDM_SORT_NONE, nullptr, nullptr},
    {IDM_SAVE_THUMBNAIL_STYLE, BrowserShown, RunPlain<SaveFolderStyle<0>>},
    {IDM_SAVE_REPORT_STYLE, BrowserShown, RunPlain<SaveFolderStyle<1>>},
    {IDM_DELETE_FOLDER_STYLE, BrowserShown, RunPlain<DeleteFolderStyle>},
    {IDM_DATABASE_MAINTENANCE, nullptr, Run<ShowDatabaseMaintenance>},
    // Image
    {IDM_FLIP, kEditable, Flip},
    {IDM_MIRROR, kEditable, Flip},
    {IDM_ROTATE_LEFT, kEditable, Flip},
    {IDM_ROTATE_RIGHT, kEditable, Flip},
    {IDM_ROTATE_180, kEditable, Flip},
    {IDM_RESIZE, kEditable, nullptr},
    {IDM_RESIZE_CANVAS, kEditable, nullptr},
    {IDM_NEW_IMAGE, nullptr, nullptr},
    {IDM_INVERT, kEditable, nullptr},
    {IDM_GRAYSCALE, kEditable, nullptr},
    {IDM_BRIGHTNESS_CONTRAST, kEditable, nullptr},
    {IDM_DEPTH_1BIT, kEditable, nullptr},
    {IDM_DEPTH_4BIT, kEditable, nullptr},
    {IDM_DEPTH_8BIT, kEditable, nullptr},
    {IDM_DEPTH_16BIT, kEditable, nullptr},
    {IDM_DEPTH_24BIT, kEditable, nullptr},
    {IDM_DEPTH_32BIT, kEditable, nullptr},
    {IDM_RGB_TO_BGR, kEditable, nullptr},
    {IDM_RGB_TO_GRB, kEditable, nullptr},
    {IDM_RGB_TO_RBG, kEditable, nullptr},
    {IDM_BLUR, kEditable, ShowEffectDialog},
    {IDM_SHARPEN, kEditable, ShowEffectDialog},
    {IDM_PIXELIZE, kEditable, ShowEffectDialog},
    {IDM_BUTTONIZE, kEditable, nullptr},
    {IDM_SEAMLESS, kEditable, nullptr},
    {IDM_WALLPAPER_CENTERED, nullptr, nullptr},
    {IDM_WALLPAPER_TILED, nullptr, nullptr},
    {IDM_WALLPAPER_STRETCHED, nullptr, nullptr},
    {IDM_WALLPAPER_DELETE, nullptr, nullptr},
    // Media
    {ID_MEDIA_PLAYPAUSE, nullptr, nullptr},
    {ID_MEDIA_STOP, nullptr, nullptr},
    {ID_MEDIA_NEXTFRAME, nullptr, nullptr},
    {ID_MEDIA_PREVFRAME, nullptr, nullptr},
    {IDM_EXTRACT_FRAMES, nullptr, nullptr},
    {ID_VOLUME_UP, nullptr, nullptr},
    {ID_VOLUME_DOWN, nullptr, nullptr},
    {ID_VOLUME_MUTE, nullptr, nullptr},
    {ID_RATE_UP, nullptr, nullptr},
    {ID_RATE_DOWN, nullptr, nullptr},
    {ID_RATE_DEFAULT, nullptr, nullptr},
    {IDM_VIDEO_SIZE_50, nullptr, nullptr},
    {IDM_VIDEO_SIZE_100, nullptr, nullptr},
    {IDM_VIDEO_SIZE_200, nullptr, nullptr},
    {IDM_VIDEO_ASPECT_ORIGINAL, nullptr, nullptr},
    {IDM_VIDEO_ASPECT_4_3, nullptr, nullptr},
    {IDM_VIDEO_ASPECT_16_9, nullptr, nullptr},
    {IDM_SLIDESHOW, CanStartOrStopSlideShow, Run<StartStopSlideShow>},
    {IDM_SLIDESHOW_FULLSCREEN, nullptr, nullptr},
    {IDM_SLIDESHOW_FORWARD, nullptr, nullptr},
    {IDM_SLIDESHOW_BACKWARD, nullptr, nullptr},
    {IDM_SLIDESHOW_RANDOM, nullptr, nullptr},
    {IDM_SLIDESHOW_CONFIGURE, nullptr, nullptr},
    {IDM_SHOW_FORWARD, HasFileList, nullptr},
    {IDM_SHOW_BACKWARD, HasFileList, nullptr},
    {IDM_SHOW_RANDOM, HasFileList, nullptr},
    {IDM_CREATE_SLIDESHOW, nullptr, nullptr},
    // Tools
    {IDM_BATCH_PROCESS, nullptr, nullptr},
    {IDM_BATCH_RENAME, nullptr, nullptr},
    {IDM_BATCH_PRINT, nullptr, nullptr},
    {IDM_CAPTURE_SCREEN, nullptr, nullptr},
    {IDM_JPG_TRANSFORM, nullptr, nullptr},
    {IDM_JPG_CLEANER, nullptr, nullptr},
    {IDM_CREATE_MNG, nullptr, nullptr},
    {IDM_CREATE_GIF, nullptr, nullptr},
    {IDM_CREATE_TIF, nullptr, nullptr},
    {IDM_CREATE_DCX, nullptr, nullptr},
    {IDM_CONTACT_SHEET, nullptr, nullptr},
    {IDM_HTML_ALBUM, nullptr, nullptr},
    {IDM_OPEN_WITH_ADD, nullptr, nullptr},
    {IDM_OPEN_WITH_EDIT, nullptr, nullptr},
    {IDM_OPEN_WITH_CLEAR, nullptr, nullptr},
    // Options
    {IDM_SETTINGS, nullptr, nullptr},
    {IDM_CHOOSE_LANGUAGE, nullptr, nullptr},
    {IDM_SHOW_TOOLBAR, nullptr, Run<ToggleToolBar>},
    {IDM_SHOW_STATUSBAR, nullptr, Run<ToggleStatusBar>},
    {IDM_VIEW_AS_TILES, nullptr, Run<ToggleTiles>},
    {IDM_ALWAYS_MAXIMIZE, nullptr, Run<ToggleAlwaysMaximize>},
    {IDM_USE_SAVED_WINDOW_POS, nullptr, RunPlain<ToggleUseSavedPlacement>},
    {IDM_SAVE_WINDOW_POS, nullptr, Run<SaveWindowPlacement>},
    // Help
    {IDM_HELP_CONTENT, nullptr, nullptr},
    {IDM_HOMEPAGE, nullptr, nullptr},
    {IDM_DOWNLOAD_ADDONS, nullptr, nullptr},
    {IDM_CHECK_VERSION, nullptr, nullptr},
    {IDM_ABOUT, nullptr, nullptr},
    // The main tool bar's file-operations button
    {IDM_FILE_OPERATIONS, nullptr, nullptr},
    // The browser's tool bar
    {IDM_BROWSER_UP, BrowserShown, PostBrowserButton},
    {IDM_BROWSER_CHOOSE_FOLDER, BrowserShown, Run<ChoosePath>},
    {IDM_BROWSER_SORT_ORDER, nullptr, nullptr},
    {IDM_BROWSER_REFRESH, BrowserShown, PostBrowserButton},
    {IDM_BROWSER_FOLDER_PANE, BrowserShown, Run<ToggleFolderPane>},
    {IDM_BROWSER_CONFIGURE, nullptr, nullptr},
    {IDM_BROWSER_NEW_FOLDER, BrowserShown, Run<NewFolder>},
    {IDM_BROWSER_SELECT_ALL, BrowserShown, PostBrowserButton},
    {IDM_BROWSER_BACK, BrowserShown, PostBrowserButton},
    {IDM_BROWSER_MOVE, BrowserShown, PostBrowserButton},
    {IDM_BROWSER_COPY, BrowserShown, PostBrowserButton},
    {IDM_BROWSER_RENAME, BrowserShown, PostBrowserButton},
    {IDM_BROWSER_DELETE, BrowserShown, PostBrowserButton},
    {IDM_BROWSER_BATCH, nullptr, nullptr},
    {IDM_BROWSER_SEARCH, BrowserShown, PostBrowserButton},
};

}  // namespace

std::span<const CommandRow> CommandTable() { return kCommandTable; }

const CommandRow* FindCommandRow(UINT id) {
    for (const CommandRow& row : kCommandTable)
        if (row.id == id) return &row;
    return nullptr;
}

bool RunCommand(HWND window, UINT id, LPARAM lParam) {
    // A command whose menu item is gray does nothing, whichever way it came
    // (accelerators stay live while presentation mode hides the menu), and so
    // does one without a handler (its menu item is gray too).
    const CommandRow* row = FindCommandRow(id);
    if (!row || !row->run || !IsCommandEnabled(id)) return false;
    row->run(window, id, lParam);
    return true;
}

LRESULT OnMainCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    // The "Open with" list takes its own ids; the dispatch goes on either way.
    LaunchOpenWithProgram(id);

    // A folder chosen in the address box: the browser goes there, or the
    // thumbnail loader does when it stops.
    if (code == CBN_SELCHANGE && lParam && (HWND)lParam == Browser.addressCombo && Browser.IsShown()) {
        if (ThumbLoader::Running) ThumbLoader::GotoRequest = true;
        else PostMessageW(window, WM_APP_BROWSER_GOTO, 0, 0);
        return 0;
    }
    if (code == 0 && lParam) {
        if (Browser.IsShown()) {
            if (AppState::BrowserTab == TAB_PLAYLIST && PlaylistPanel.OnButton(lParam)) return 0;
            if (AppState::BrowserTab == TAB_CONFIGURE && Browser.OnConfigCommand(lParam)) return 0;
        }
        if (AppState::CurrentImage.IsValid()) {
            if (AnimationBar.OnButton(lParam)) {
                InvalidateRect(window, nullptr, FALSE);
                UpdateWindow(window);
                StatusBar.Update();
            }
            if (CMediaPlayer* player = CurrentPlayer()) player->OnControlButton(lParam);
        }
    }

    RunCommand(window, id, lParam);
    return 0;
}
