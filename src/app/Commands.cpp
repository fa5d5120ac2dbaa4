// WM_COMMAND of the main window and the command table: a command is offered to
// the players' and browser's buttons first, then run by its row of the table
// when the row's predicate (the one that grays its menu item) allows it.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <functional>
#include <span>

#include "app/AboutBox.h"
#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandState.h"
#include "app/EffectDialogs.h"
#include "app/ImageDialogs.h"
#include "app/ImageEdits.h"
#include "app/FileInfo.h"
#include "app/CommandTable.h"
#include "app/DesktopServices.h"
#include "app/ImageSnapshot.h"
#include "app/Language.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/MouseTools.h"
#include "app/OpenDialog.h"
#include "app/OpenWith.h"
#include "app/SaveAsDialog.h"
#include "app/Settings.h"
#include "app/ShellLaunch.h"
#include "app/ShellServices.h"
#include "app/SettingsSheet.h"
#include "app/ShellStandIns.h"
#include "app/View.h"
#include "browser/AddressBar.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/FileListView.h"
#include "browser/Search.h"
#include "browser/SlideShowOutput.h"
#include "browser/ThumbnailDBMaintenance.h"
#include "browser/ThumbnailLoader.h"
#include "image/Common.h"
#include "image/Effects.h"
#include "media/AnimationBar.h"
#include "media/ExtractFrames.h"
#include "media/Players.h"
#include "tools/PrintImage.h"
#include "tools/ToolStandIns.h"
#include "tools/Twain.h"
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

// ---- Dialogs of other parts of the program: modal on the main window, their
// results ignored (each dialog reports its own failures).

template <const wchar_t* Name, DLGPROC Proc>
void Modal(HWND window, UINT, LPARAM) {
    DialogBoxParamW(AppState::Instance, Name, window, Proc, 0);
}
// The dialogs that change the picture: the window follows what they did.
template <const wchar_t* Name, DLGPROC Proc>
void ModalEdit(HWND window, UINT, LPARAM) {
    DialogBoxParamW(AppState::Instance, Name, window, Proc, 0);
    ImageResized();
    RefreshStates();
}
// The animation builder is told which kind to build by the command's id.
void CreateAnimation(HWND window, UINT id, LPARAM) {
    DialogBoxParamW(AppState::Instance, L"CREATEANIMATIONDLG", window, CreateAnimationDlgProc, (LPARAM)id);
}

constexpr wchar_t kAboutDlg[] = L"ABOUTDLG";
constexpr wchar_t kLanguageDlg[] = L"LANGUAGEDLG";
constexpr wchar_t kResizeDlg[] = L"RESIZEDLG";
constexpr wchar_t kResizeCanvasDlg[] = L"RESIZECANVASDLG";
constexpr wchar_t kNewImageDlg[] = L"CREATENEWIMAGEDLG";
constexpr wchar_t kAdjustDlg[] = L"IMAGEADJUSTDLG";
constexpr wchar_t kExtractFramesDlg[] = L"EXTRACTFRAMESDLG";
constexpr wchar_t kBatchProcessDlg[] = L"BATCHPROCESSDLG";
constexpr wchar_t kBatchRenameDlg[] = L"BATCHRENAMEDLG";
constexpr wchar_t kBatchPrintDlg[] = L"BATCHPRINTDLG";
constexpr wchar_t kCaptureDlg[] = L"CAPTUREDLG";
constexpr wchar_t kCreateSlideShowDlg[] = L"CREATESLIDESHOWDLG";
constexpr wchar_t kOpenWithAddDlg[] = L"OPENWITHADDDLG";
constexpr wchar_t kOpenWithEditDlg[] = L"OPENWITHEDITLISTDLG";

void PrintImage(HWND window) {
    CPrintImage printer;
    if (!printer.SelectPrinter(window, false)) return;
    printer.Print(window, false, true);
    printer.DeletePrinterDC();
}

void PrintContactSheet(HWND window) {
    CPrintContactSheet sheet;
    if (!sheet.SelectPrinter(window, false)) return;
    ShowContactSheetDialog(window, &sheet);
    sheet.DeletePrinterDC();
}

void CreateAlbum(HWND window) {
    CCreateHTMLAlbum album;
    ShowHTMLAlbumDialog(window, &album);
}

void CleanJpegFiles(HWND window) {
    CJPGCleaner cleaner;
    ShowJPGCleanerDialog(window, &cleaner);
}

void TransformJpeg(HWND window) { ShowJPGTransformDialog(window); }
void ShowGeneralSettings() { ShowSettingsSheet(0); }
void ShowSlideShowSettings() { ShowSettingsSheet(8); }

// ---- Scanning: the browser gives way to the viewer, whose document is closed
// before a source is asked for a picture. Every failure ends silently.

void LeaveBrowserForScanner(HWND window) {
    if (!Browser.IsShown()) return;
    SendMessageW(window, WM_COMMAND, IDM_BROWSE, 0);
    Browser.Close();
}

bool OpenScannerSession(HWND window) {
    if (TwainHandler.sessionOpen) return true;
    return TwainHandler.StartSession(window) && TwainHandler.sessionOpen;
}

void AcquireImage(HWND window) {
    LeaveBrowserForScanner(window);
    CloseCurrentMedia();
    if (!TwainHandler.sessionOpen) {
        if (!TwainHandler.StartSession(window) || !TwainHandler.UserSelectSource() || !TwainHandler.sessionOpen) return;
    }
    if (TwainHandler.IsDSMLoaded()) TwainHandler.Acquire(1);
    RefreshStates();
}

void SelectScannerSource(HWND window) {
    LeaveBrowserForScanner(window);
    if (OpenScannerSession(window)) TwainHandler.UserSelectSource();
}

// ---- Clipboard edits of the selection.

void ClipboardEdit(HWND window, UINT id, LPARAM) {
    switch (id) {
    case IDM_CUT: CopySelectionToClipboard(true, false); break;
    case IDM_COPY: CopySelectionToClipboard(false, false); break;
    case IDM_PASTE: PasteFromClipboard(); break;
    case IDM_CROP: CropToSelection(); break;
    default: return;
    }
    Repaint(window);
    MainToolBar.UpdateButtonStates();
    MainMenu.UpdateStates();
}

void ZoomToSelectionCommand(HWND window) { ZoomToSelection(window); }

// Add to playlist: every selected file of the browser's list (subfolders come
// first in the list and are skipped) is appended with its size and times.
void AddSelectionToPlaylist() {
    HWND list = Browser.fileListWindow;
    if (!list || !Browser.IsShown()) return;
    const int subfolders = FileList::SubfolderCount > 0 ? FileList::SubfolderCount : 0;
    const int items = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH) return;
    for (int i = subfolders; i < items; ++i) {
        if (!(SendMessageW(list, LVM_GETITEMSTATE, (WPARAM)i, LVIS_SELECTED) & LVIS_SELECTED)) continue;
        const int index = i - subfolders;
        if (!FileList::Entries || index >= FileList::Count) break;
        MediaFileEntry entry = {};
        CopyStringW(entry.name, folder);
        if (!AppendPath(entry.name, FileList::Entries[index].name)) continue;
        HANDLE file = CreateFileW(entry.name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            entry.size = GetFileSize(file, nullptr);
            GetFileTime(file, nullptr, nullptr, &entry.lastWrite);
            CloseHandle(file);
        }
        AppendMediaFileEntry(&Playlist::Entries, entry, &Playlist::Count);
    }
    if (Playlist::Count > 0) Playlist::Active = true;
    PlaylistPanel.Refill();
}

// ---- Fit to the display area: the whole picture, its width or its height.

void FitToArea(HWND window, UINT id, LPARAM) {
    const FitModeKind mode = id == IDM_FIT_TO_WIDTH ? FIT_WIDTH : id == IDM_FIT_TO_HEIGHT ? FIT_HEIGHT : FIT_WHOLE;
    const RECT& m = AppState::ViewMargins;
    int w, h;
    if (Browser.IsShown()) {
        RECT client;
        GetClientRect(window, &client);
        w = AppState::BrowserThumbWindowWidth - m.left - m.right - 1;
        h = client.bottom - m.top - m.bottom - GetBrowserTopOffset() - 1;
    } else if (AppState::ViewMode == VIEW_PRESENTATION) {
        w = GetSystemMetrics(SM_CXSCREEN);
        h = GetSystemMetrics(SM_CYSCREEN);
    } else {
        w = GetSystemMetrics(SM_CXFULLSCREEN) - m.left - m.right - 10;
        h = GetSystemMetrics(SM_CYFULLSCREEN) - GetSystemMetrics(SM_CYMENU) - m.top - m.bottom - 10;
    }
    const bool valid = AppState::CurrentImage.IsValid();
    AppState::Zoom = ComputeFitScale(mode, false, w, h, valid ? (int)AppState::CurrentImage.GetWidth() : 0,
                                     valid ? (int)AppState::CurrentImage.GetHeight() : 0);
    FitToZoomedImage(window);
    InvalidateRect(window, nullptr, FALSE);
    UpdateScrollState();
    ViewScrollBars.UpdateRanges();
    StatusBar.Update();
}

// ---- Sort order of the folder's files (the browser lists them again).

template <int Order, int Ascending>
void SetSortOrder(HWND window, UINT, LPARAM) {
    AppState::GeneralSortOrder = Order;
    AppState::GeneralSortAscending = Ascending;
    MainMenu.UpdateStates();
    if (Browser.IsShown()) PostMessageW(window, WM_COMMAND, IDM_REFRESH, 0);
}

// ---- Pixel edits of the picture: undo snapshot, operation, window states.

// Grayscale and the depth conversions build a new picture and may run out of
// memory: then the message instead of a repaint, and the undo snapshot taken
// before stays.
void ConvertPicture(HWND window, const std::function<bool(CImage&)>& convert) {
    const bool converted = EditDocumentPicture([&convert](CImage& picture) {
        SaveUndoSnapshot();
        return convert(picture);
    });
    if (converted) {
        Repaint(window);
        ImageResized();
    } else {
        ShowMessage(L"Insufficient Memory! Canceling Operation.");
    }
    RefreshStates();
    ImageToolBar.UpdateButtonStates();
}

void EditPixels(HWND window, UINT id, LPARAM) {
    if (id == IDM_GRAYSCALE) {
        ConvertPicture(window, [](CImage& picture) { return picture.ToGrayscale(); });
        return;
    }
    bool (CImage::*operation)() = id == IDM_INVERT       ? &CImage::Invert
                                  : id == IDM_RGB_TO_BGR ? &CImage::SwapRedBlue
                                  : id == IDM_RGB_TO_GRB ? &CImage::SwapRedGreen
                                                         : &CImage::SwapGreenBlue;
    EditImage(window, operation, true);
    ImageToolBar.UpdateButtonStates();
}

int DepthOfCommand(UINT id) {
    switch (id) {
    case IDM_DEPTH_1BIT: return 1;
    case IDM_DEPTH_4BIT: return 4;
    case IDM_DEPTH_8BIT: return 8;
    case IDM_DEPTH_16BIT: return 16;
    case IDM_DEPTH_24BIT: return 24;
    default: return 32;
    }
}

void ConvertDepth(HWND window, UINT id, LPARAM) {
    const int bpp = DepthOfCommand(id);
    ConvertPicture(window, [bpp](CImage& picture) { return picture.ConvertDepth(bpp); });
}

void Buttonize(HWND window) {
    EditDocumentPicture([](CImage& picture) {
        SaveUndoSnapshot();
        return ImageEffects.Buttonize(picture, 50, 0.5f, true);
    });
    ImageResized();
    Repaint(window);
    RefreshStates();
}

void SeamlessTile(HWND window) {
    EditDocumentPicture([](CImage&) { return ImageEffects.SeamlessTile(); });
    ImageResized();
    Repaint(window);
    RefreshStates();
}

void SetWallpaperStyle(HWND, UINT id, LPARAM) {
    SetWallpaper(id == IDM_WALLPAPER_CENTERED    ? 0
                 : id == IDM_WALLPAPER_TILED     ? 1
                 : id == IDM_WALLPAPER_STRETCHED ? 2
                                                 : 3);
}

// ---- Playback: the open format's player, else the animation bar.

void PlayPause() {
    if (CMediaPlayer* player = CurrentPlayer()) {
        player->PlayPause(player->PlayButton());
        return;
    }
    if (AnimationBar.playing) AnimationBar.Pause();
    else AnimationBar.Play(0);
    AnimationBar.PaintButtons();
}

void StopPlayback() {
    if (CMediaPlayer* player = CurrentPlayer()) {
        player->Stop(player->StopButton());
        return;
    }
    AnimationBar.Stop();
    AnimationBar.PaintButtons();
}

void ShowSteppedFrame(HWND window) {
    AnimationBar.ShowCurrentFrame();
    AnimationBar.PaintButtons();
    Repaint(window);
    StatusBar.Update();
}

void NextFrame(HWND window) {
    if (AppState::CurrentFormatId == FMT_VIDEO) {
        VideoPlayer.StepFrame();
        return;
    }
    if (AppState::CurrentFormatId == FMT_QTMOVIE) return QuickTimePlayer.NextFrame();
    AnimationBar.Pause();
    AnimationBar.NextFrame();
    ShowSteppedFrame(window);
}

void PreviousFrame(HWND window) {
    if (AppState::CurrentFormatId == FMT_QTMOVIE) return QuickTimePlayer.PreviousFrame();
    const int kind = AnimationBar.kind;
    if (kind == ANIM_KIND_MNG || kind == ANIM_KIND_VIDEO || kind == ANIM_KIND_SOUND) return;
    AnimationBar.Pause();
    AnimationBar.PreviousFrame();
    ShowSteppedFrame(window);
}

void ChangeVolume(HWND, UINT id, LPARAM) {
    CMediaPlayer* player = CurrentPlayer();
    if (!player) return;
    if (id == ID_VOLUME_MUTE) player->ToggleMute(player->MuteButton());
    else player->ChangeVolume(player->muted != 0, id == ID_VOLUME_UP ? 1310 : -1310);
}

void ChangeRate(HWND, UINT id, LPARAM) {
    if (AppState::CurrentFormatId == FMT_QTMOVIE) {
        QuickTimePlayer.ChangeRate(id == ID_RATE_UP ? 1 : id == ID_RATE_DOWN ? -1 : 0);
    } else if (AppState::CurrentFormatId == FMT_VIDEO) {
        if (id == ID_RATE_DEFAULT) ViewerPlayer.SetRate(1.0);
        else ViewerPlayer.ChangeRate(id == ID_RATE_UP ? 0.25 : -0.25);
    }
}

// Video size: the picture's size times 50, 100 or 200 %.
void SetVideoSize(HWND window, UINT id, LPARAM) {
    AppState::Zoom = id == IDM_VIDEO_SIZE_50 ? 0.5f : id == IDM_VIDEO_SIZE_200 ? 2.0f : 1.0f;
    FitToZoomedImage(window);
    Repaint(window);
    StatusBar.Update();
}

// Aspect: the video's picture is made again, empty, at the video's own size or
// at the picture's width with a 4:3 or 16:9 height; the player draws into it.
void SetVideoAspect(HWND window, UINT id, LPARAM) {
    CImage& image = AppState::CurrentImage;
    const int width = image.IsValid() ? (int)image.GetWidth() : 0;
    SIZE size = {0, 0};
    if (id == IDM_VIDEO_ASPECT_ORIGINAL) {
        if (const CMediaPlayer* player = CurrentPlayer()) size = {player->videoWidth, player->videoHeight};
    } else {
        size = id == IDM_VIDEO_ASPECT_4_3 ? AspectSize(width, 4, 3) : AspectSize(width, 16, 9);
    }
    if (size.cx <= 0 || size.cy <= 0 || !image.CreateEmpty((uint32_t)size.cx, (uint32_t)size.cy, 24, 0, nullptr))
        return;
    FitToZoomedImage(window);
    Repaint(window);
    StatusBar.Update();
}

// ---- Slide-show settings and the shows started in presentation mode.

void ToggleSlideShowFullscreen() {
    AppState::SlideShowStartFullscreen = !AppState::SlideShowStartFullscreen;
    MainMenu.UpdateStates();
}

template <int Direction>
void SetSlideShowDirection() {
    AppState::SlideShowDirection = Direction;
    MainMenu.UpdateStates();
}

template <int Direction>
void StartShowInPresentationMode(HWND window, UINT, LPARAM) {
    AppState::SlideShowRunning = 1;
    AppState::SlideShowDirection = Direction;
    SetTimer(window, TIMER_SLIDESHOW, (UINT)AppState::SlideShowDelay, nullptr);
    PostMessageW(window, WM_COMMAND, IDM_PRESENTATION_MODE, 0);
    RefreshStates();
}

// One row per command, in the order of the menus; the tool bars' own buttons last.
const CommandRow kCommandTable[] = {
    // File
    {IDM_OPEN_MEDIA, nullptr, Run<OpenMedia>},
    {IDM_RELOAD_MEDIA, CanReload, RunPlain<Reload>},
    {IDM_CLOSE_MEDIA, HasOpenOrFailedDocument, RunPlain<CloseMedia>},
    {IDM_QUICK_SAVE, CanQuickSave, RunPlain<QuickSave>},
    {IDM_SAVE_AS, kEditable, Run<SaveAs>},
    {IDM_PRINT, CanUseImageTools, Run<PrintImage>},
    {IDM_FILE_INFO, HasOpenOrFailedDocument, Run<ShowFileInfoDialog>},
    {IDM_ACQUIRE, nullptr, Run<AcquireImage>},
    {IDM_SELECT_SOURCE, nullptr, Run<SelectScannerSource>},
    {IDM_EXIT, nullptr, Run<Exit>},
    // Edit
    {IDM_UNDO, CanUndo, UndoRedo},
    {IDM_REDO, CanRedo, UndoRedo},
    {IDM_CUT, HasImageSelection, ClipboardEdit},
    {IDM_COPY, CanUseImageTools, ClipboardEdit},
    {IDM_PASTE, ClipboardHasBitmap, ClipboardEdit},
    {IDM_CROP, HasImageSelection, ClipboardEdit},
    {IDM_SELECT_ALL, BrowserShown, RunPlain<SelectAllInBrowser>},
    {IDM_COPY_NAMES, BrowserListShown, ToFileList},
    {IDM_COPY_PATHS, BrowserListShown, ToFileList},
    {IDM_BROWSER_SETTINGS, BrowserListShown, ToFileList},
    {IDM_REMOVE_FOLDER_FROM_CACHE, BrowserListShown, ToFileList},
    {IDM_COPY_ITEMS, CanOperateOnFiles, RunOnFiles<ShowCopyToDialog>},
    {IDM_MOVE_ITEMS, CanOperateOnFiles, RunOnFiles<ShowMoveToDialog>},
    {IDM_DELETE_ITEMS, CanOperateOnFiles, RunOnFiles<DeleteItems>},
    {IDM_RENAME_ITEMS, CanOperateOnFiles, RunOnFiles<ShowRenameDialog>},
    {IDM_ADD_TO_PLAYLIST, HasBrowserSelection, RunPlain<AddSelectionToPlaylist>},
    {IDM_SEARCH, BrowserShown, Run<Search>},
    // View
    {IDM_BROWSE, IsFolderScanIdle, Run<ToggleBrowser>},
    {IDM_REFRESH, BrowserShown, RunPlain<RefreshBrowser>},
    {IDM_PRESENTATION_MODE, CanFitImage, RunPlain<EnterPresentationMode>},
    {IDM_NEXT_MEDIA, HasSeveralFiles, RunFromToolBar<Step>},
    {IDM_PREVIOUS_MEDIA, HasSeveralFiles, RunFromToolBar<Step>},
    {IDM_FIRST_MEDIA, HasSeveralFiles, RunFromToolBar<Step>},
    {IDM_LAST_MEDIA, HasSeveralFiles, RunFromToolBar<Step>},
    {IDM_ZOOM_IN, CanFitImage, RunFromToolBar<Zoom>},
    {IDM_ZOOM_OUT, CanFitImage, RunFromToolBar<Zoom>},
    {IDM_ZOOM_100, CanFitImage, RunFromToolBar<Zoom>},
    {IDM_FIT_TO_AREA, CanFitImage, FitToArea},
    {IDM_FIT_TO_WIDTH, CanFitImage, FitToArea},
    {IDM_FIT_TO_HEIGHT, CanFitImage, FitToArea},
    {IDM_ZOOM_TO_SELECTION, HasImageSelection, Run<ZoomToSelectionCommand>},
    {IDM_TOOL_SCROLL, nullptr, RunPlain<SetToolModeTo<TOOL_SCROLL>>},
    {IDM_TOOL_SELECT, CanUseImageTools, RunPlain<SetToolModeTo<TOOL_SELECT>>},
    {IDM_TOOL_RED_MARKER, CanUseImageTools, RunPlain<SetToolModeTo<TOOL_RED_MARKER>>},
    {IDM_CHANNEL_ALL, HasColourChannels, ChooseChannelView},
    {IDM_CHANNEL_RED, HasColourChannels, ChooseChannelView},
    {IDM_CHANNEL_GREEN, HasColourChannels, ChooseChannelView},
    {IDM_CHANNEL_BLUE, HasColourChannels, ChooseChannelView},
    {IDM_ALPHA_AS_IMAGE, HasAlphaChannel, ChooseChannelView},
    {IDM_ALPHA_AS_LAYER, HasAlphaChannel, ChooseChannelView},
    {IDM_ALPHA_BLENDED, HasAlphaChannel, ChooseChannelView},
    {IDM_BROWSER_THUMBNAILS, nullptr, RunPlain<SetDefaultBrowserStyle<0>>},
    {IDM_BROWSER_REPORT, nullptr, RunPlain<SetDefaultBrowserStyle<1>>},
    {IDM_SORT_NAME_ASCENDING, nullptr, (SetSortOrder<0, 1>)},
    {IDM_SORT_NAME_DESCENDING, nullptr, (SetSortOrder<0, 0>)},
    {IDM_SORT_SIZE_ASCENDING, nullptr, (SetSortOrder<1, 1>)},
    {IDM_SORT_SIZE_DESCENDING, nullptr, (SetSortOrder<1, 0>)},
    {IDM_SORT_DATE_ASCENDING, nullptr, (SetSortOrder<2, 1>)},
    {IDM_SORT_DATE_DESCENDING, nullptr, (SetSortOrder<2, 0>)},
    {IDM_SORT_NONE, nullptr, (SetSortOrder<3, 0>)},
    {IDM_SAVE_THUMBNAIL_STYLE, BrowserShown, RunPlain<SaveFolderStyle<0>>},
    {IDM_SAVE_REPORT_STYLE, BrowserShown, RunPlain<SaveFolderStyle<1>>},
    {IDM_DELETE_FOLDER_STYLE, BrowserShown, RunPlain<DeleteFolderStyle>},
    {IDM_DATABASE_MAINTENANCE, nullptr, Run<ShowDatabaseMaintenance>},
    // Image
    {IDM_FLIP, CanTransformImage, Flip},
    {IDM_MIRROR, CanTransformImage, Flip},
    {IDM_ROTATE_LEFT, CanTransformImage, Flip},
    {IDM_ROTATE_RIGHT, CanTransformImage, Flip},
    {IDM_ROTATE_180, CanTransformImage, Flip},
    {IDM_RESIZE, CanUseImageTools, (ModalEdit<kResizeDlg, ResizeDlgProc>)},
    {IDM_RESIZE_CANVAS, CanUseImageTools, (ModalEdit<kResizeCanvasDlg, ResizeCanvasDlgProc>)},
    {IDM_NEW_IMAGE, nullptr, (ModalEdit<kNewImageDlg, CreateNewImageDlgProc>)},
    {IDM_INVERT, CanUseImageTools, EditPixels},
    {IDM_GRAYSCALE, HasColourChannels, EditPixels},
    {IDM_BRIGHTNESS_CONTRAST, CanUseImageTools, (ModalEdit<kAdjustDlg, AdjustImageDlgProc>)},
    {IDM_DEPTH_1BIT, CanConvertTo<1>, ConvertDepth},
    {IDM_DEPTH_4BIT, CanConvertTo<4>, ConvertDepth},
    {IDM_DEPTH_8BIT, CanConvertTo<8>, ConvertDepth},
    {IDM_DEPTH_16BIT, CanConvertTo<16>, ConvertDepth},
    {IDM_DEPTH_24BIT, CanConvertTo<24>, ConvertDepth},
    {IDM_DEPTH_32BIT, CanConvertTo<32>, ConvertDepth},
    {IDM_RGB_TO_BGR, HasColourChannels, EditPixels},
    {IDM_RGB_TO_GRB, HasColourChannels, EditPixels},
    {IDM_RGB_TO_RBG, HasColourChannels, EditPixels},
    {IDM_BLUR, CanApplyEffects, ShowEffectDialog},
    {IDM_SHARPEN, CanApplyEffects, ShowEffectDialog},
    {IDM_PIXELIZE, CanApplyEffects, ShowEffectDialog},
    {IDM_BUTTONIZE, CanApplyEffects, Run<Buttonize>},
    {IDM_SEAMLESS, CanApplyEffects, Run<SeamlessTile>},
    {IDM_WALLPAPER_CENTERED, CanUseImageTools, SetWallpaperStyle},
    {IDM_WALLPAPER_TILED, CanUseImageTools, SetWallpaperStyle},
    {IDM_WALLPAPER_STRETCHED, CanUseImageTools, SetWallpaperStyle},
    {IDM_WALLPAPER_DELETE, CanUseImageTools, SetWallpaperStyle},
    // Media
    {ID_MEDIA_PLAYPAUSE, IsAnimationBarActive, RunPlain<PlayPause>},
    {ID_MEDIA_STOP, IsAnimationBarActive, RunPlain<StopPlayback>},
    {ID_MEDIA_NEXTFRAME, CanStepFrameForward, Run<NextFrame>},
    {ID_MEDIA_PREVFRAME, CanStepFrameBack, Run<PreviousFrame>},
    {IDM_EXTRACT_FRAMES, CanExtractFrames, (Modal<kExtractFramesDlg, ExtractFramesDlgProc>)},
    {ID_VOLUME_UP, IsPlayerShown, ChangeVolume},
    {ID_VOLUME_DOWN, IsPlayerShown, ChangeVolume},
    {ID_VOLUME_MUTE, IsPlayerShown, ChangeVolume},
    {ID_RATE_UP, IsPlayerShown, ChangeRate},
    {ID_RATE_DOWN, IsPlayerShown, ChangeRate},
    {ID_RATE_DEFAULT, IsPlayerShown, ChangeRate},
    {IDM_VIDEO_SIZE_50, IsVideoShown, SetVideoSize},
    {IDM_VIDEO_SIZE_100, IsVideoShown, SetVideoSize},
    {IDM_VIDEO_SIZE_200, IsVideoShown, SetVideoSize},
    {IDM_VIDEO_ASPECT_ORIGINAL, IsVideoShown, SetVideoAspect},
    {IDM_VIDEO_ASPECT_4_3, IsVideoShown, SetVideoAspect},
    {IDM_VIDEO_ASPECT_16_9, IsVideoShown, SetVideoAspect},
    {IDM_SLIDESHOW, CanStartOrStopSlideShow, Run<StartStopSlideShow>},
    {IDM_SLIDESHOW_FULLSCREEN, nullptr, RunPlain<ToggleSlideShowFullscreen>},
    {IDM_SLIDESHOW_FORWARD, nullptr, RunPlain<SetSlideShowDirection<0>>},
    {IDM_SLIDESHOW_BACKWARD, nullptr, RunPlain<SetSlideShowDirection<1>>},
    {IDM_SLIDESHOW_RANDOM, nullptr, RunPlain<SetSlideShowDirection<2>>},
    {IDM_SLIDESHOW_CONFIGURE, nullptr, RunPlain<ShowSlideShowSettings>},
    {IDM_SHOW_FORWARD, HasSeveralFiles, StartShowInPresentationMode<0>},
    {IDM_SHOW_BACKWARD, HasSeveralFiles, StartShowInPresentationMode<1>},
    {IDM_SHOW_RANDOM, HasSeveralFiles, StartShowInPresentationMode<2>},
    {IDM_CREATE_SLIDESHOW, nullptr, (Modal<kCreateSlideShowDlg, CreateSlideShowDlgProc>)},
    // Tools
    {IDM_BATCH_PROCESS, nullptr, (Modal<kBatchProcessDlg, BatchProcessDlgProc>)},
    {IDM_BATCH_RENAME, nullptr, (Modal<kBatchRenameDlg, BatchRenameDlgProc>)},
    {IDM_BATCH_PRINT, nullptr, (Modal<kBatchPrintDlg, BatchPrintDlgProc>)},
    {IDM_CAPTURE_SCREEN, nullptr, (Modal<kCaptureDlg, CaptureDlgProc>)},
    {IDM_JPG_TRANSFORM, IsJpegDocument, Run<TransformJpeg>},
    {IDM_JPG_CLEANER, nullptr, Run<CleanJpegFiles>},
    {IDM_CREATE_MNG, nullptr, CreateAnimation},
    {IDM_CREATE_GIF, nullptr, CreateAnimation},
    {IDM_CREATE_TIF, nullptr, CreateAnimation},
    {IDM_CREATE_DCX, nullptr, CreateAnimation},
    {IDM_CONTACT_SHEET, nullptr, Run<PrintContactSheet>},
    {IDM_HTML_ALBUM, nullptr, Run<CreateAlbum>},
    {IDM_OPEN_WITH_ADD, nullptr, (Modal<kOpenWithAddDlg, OpenWithAddDlgProc>)},
    {IDM_OPEN_WITH_EDIT, nullptr, (Modal<kOpenWithEditDlg, OpenWithEditListDlgProc>)},
    {IDM_OPEN_WITH_CLEAR, nullptr, RunPlain<ClearOpenWithList>},
    // Options
    {IDM_SETTINGS, nullptr, RunPlain<ShowGeneralSettings>},
    {IDM_CHOOSE_LANGUAGE, nullptr, (Modal<kLanguageDlg, LanguageDlgProc>)},
    {IDM_SHOW_TOOLBAR, nullptr, Run<ToggleToolBar>},
    {IDM_SHOW_STATUSBAR, nullptr, Run<ToggleStatusBar>},
    {IDM_VIEW_AS_TILES, ShowsImageDocument, Run<ToggleTiles>},
    {IDM_ALWAYS_MAXIMIZE, nullptr, Run<ToggleAlwaysMaximize>},
    {IDM_USE_SAVED_WINDOW_POS, IsBrowserHidden, RunPlain<ToggleUseSavedPlacement>},
    {IDM_SAVE_WINDOW_POS, IsBrowserHidden, Run<SaveWindowPlacement>},
    // Help
    {IDM_HELP_CONTENT, nullptr, Run<OpenHelpFile>},
    {IDM_HOMEPAGE, nullptr, Run<OpenHomePage>},
    {IDM_DOWNLOAD_ADDONS, nullptr, Run<OpenAddonsPage>},
    {IDM_CHECK_VERSION, nullptr, Run<OpenUpdatePage>},
    {IDM_ABOUT, nullptr, (Modal<kAboutDlg, AboutDlgProc>)},
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

CommandRunHook g_runHook = nullptr;

}  // namespace

void SetCommandRunHook(CommandRunHook hook) { g_runHook = hook; }

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
    if (row && row->run && g_runHook) {
        g_runHook(id, IsCommandEnabled(id));
        return false;
    }
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
