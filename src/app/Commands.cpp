// WM_COMMAND of the main window: offered to the players' and browser's buttons
// first, then checked against the command's own precondition (the predicate
// that grays its menu item), then carried out.
#include <windows.h>

#include <commctrl.h>

#include <cwchar>

#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandState.h"
#include "app/ImageSnapshot.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/OpenWith.h"
#include "formats/MediaDocument.h"
#include "formats/SaveDispatch.h"
#include "app/Settings.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/FileList.h"
#include "browser/ThumbnailLoader.h"
#include "image/Common.h"
#include "media/AnimationBar.h"
#include "media/Players.h"

namespace {

void RefreshStates() {
    MainMenu.UpdateStates();
    MainToolBar.UpdateButtonStates();
}

// Undo and Redo: the picture (not what an alpha view shows of it) goes into
// one store and comes back from the other.
bool ExchangePicture(CImageSnapshot& into, CImageSnapshot& from) {
    return EditDocumentPicture([&](CImage&) {
        into.Save();
        return from.Restore();
    });
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
    AppState::Zoom = id == 206 ? GetZoomInStep(AppState::Zoom) : id == 207 ? GetZoomOutStep(AppState::Zoom) : 1.0f;
    if (IsWindowPlacedByUser()) {
        UpdateScrollState();
        ViewScrollBars.UpdateRanges();
        LayoutViewBorders();
        if (id == 208) ScrollToTopLeft();
    } else {
        FitToZoomedImage(window);
    }
    StatusBar.Update();
    InvalidateRect(window, nullptr, FALSE);
    SnapCursorToButton(window, id, fromToolBar);
}

void Step(HWND window, UINT id, bool fromToolBar) {
    if (id == 40002 || id == 40003) {
        if (Playlist::ShowRunning) {
            PostMessageW(window, WM_TIMER, TIMER_PLAYLIST_SHOW, 0);
            return;
        }
        if (AppState::SlideShowRunning) {
            PostMessageW(window, WM_TIMER, TIMER_SLIDESHOW, 0);
            return;
        }
    } else if (Playlist::ShowRunning || AppState::SlideShowRunning || FileList::Count < 2) {
        return;
    }
    const int index = StepTargetIndex(id, FileList::Current, FileList::Count, AppState::ViewerWrapAround != 0);
    if (index < 0 || !FileList::Entries || FileList::ScanBusy) return;  // a count of 0 is no list
    const int oldIndex = FileList::Current;
    FileList::Current = index;
    wchar_t path[MAX_PATH];
    if (CurrentFileListEntryPath(path)) OpenMediaFile(path);
    const bool nextOrPrevious = id == 40002 || id == 40003;
    if (AppState::ViewMode == VIEW_VIEWER && nextOrPrevious) SnapCursorToButton(window, id, fromToolBar);
    if (AppState::ViewMode == VIEW_BROWSER || (!nextOrPrevious && Browser.IsShown()))
        SelectStepInBrowserList(oldIndex, index);
}

void ToggleBrowser(HWND window) {
    if (Browser.IsShown()) {
        AppState::PaintSuspended = 1;
        Browser.Hide();
        AppState::Zoom = AppState::CurrentFormatId == 46 ? AppState::VideoZoom : 1.0f;
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
        Browser.Open(nullptr, 0, window);
    }
    AppState::PaintSuspended = 0;
    UpdateScrollState();
    AnimationBar.Layout();
    ImageToolBar.Reposition();
    LayoutViewBorders();
    InvalidateRect(window, nullptr, FALSE);
}

}  // namespace

LRESULT OnMainCommand(HWND window, WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    // The "Open with" list takes its own ids; the dispatch goes on either way.
    LaunchOpenWithProgram(id);

    if (code == 0 && lParam) {
        if (Browser.IsShown()) {
            if (AppState::BrowserTab == 4 && PlaylistPanel.OnButton(lParam)) return 0;
            if (AppState::BrowserTab == 5 && Browser.OnConfigCommand(lParam)) return 0;
        }
        if (AppState::CurrentImage.IsValid()) {
            if (AnimationBar.OnButton(lParam)) {
                InvalidateRect(window, nullptr, FALSE);
                UpdateWindow(window);
                StatusBar.Update();
            }
            if (AppState::CurrentFormatId == 46) {
                VideoPlayer.PlayPause(lParam);
                VideoPlayer.Stop(lParam);
                VideoPlayer.OnStepButton(lParam);
                VideoPlayer.ToggleMute(lParam);
                VideoPlayer.OnInfoButton(lParam);
            } else if (AppState::CurrentFormatId == 28) {
                QuickTimePlayer.PlayPause(lParam);
                QuickTimePlayer.Stop(lParam);
                QuickTimePlayer.OnPreviousButton(lParam);
                QuickTimePlayer.OnNextButton(lParam);
                QuickTimePlayer.ToggleMute(lParam);
                QuickTimePlayer.OnInfoButton(lParam);
            } else if (AppState::CurrentFormatId == 43) {
                SoundPlayer.PlayPause(lParam);
                SoundPlayer.Stop(lParam);
                SoundPlayer.ToggleMute(lParam);
                SoundPlayer.OnInfoButton(lParam);
            }
        }
    }

    // A command whose menu item is gray does nothing, whichever way it came
    // (accelerators stay live while presentation mode hides the menu).
    if (!IsCommandEnabled(id)) return 0;

    switch (id) {
    case 200: ShowOpenFileDialog(window); break;
    case 204: {  // quick save over the folder's current file
        wchar_t path[MAX_PATH];
        if (CurrentFileListEntryPath(path)) SaveCurrentImage(path);
        RefreshStates();
        break;
    }
    case 40082: {
        // A new image has no list entry: it is offered under its own name.
        wchar_t path[MAX_PATH];
        if (AppState::DocumentKind == DOC_NEW_IMAGE) ShowSaveAsDialog(AppState::CurrentFile, window, true, false);
        else if (CurrentFileListEntryPath(path)) ShowSaveAsDialog(path, window, true, false);
        break;
    }
    case 206: case 207: case 208: Zoom(window, id, lParam != 0); break;
    case 293: CloseCurrentMedia(); RefreshStates(); break;
    case 40002: case 40003: case 40028: case 40029: Step(window, id, lParam != 0); break;
    case 40023: {
        wchar_t path[MAX_PATH];
        if (CurrentFileListEntryPath(path)) OpenMediaFile(path);
        break;
    }
    case 40046:
        if (MainToolBar.created) {
            MainToolBar.Destroy();
            AppState::GeneralShowToolbar = 0;
        } else {
            MainToolBar.Create(window);
            AppState::GeneralShowToolbar = 1;
            MainToolBar.UpdateButtonStates();
        }
        Relayout(window);
        break;
    case 40047:
        if (StatusBar.created) {
            StatusBar.Destroy();
            AppState::GeneralShowStatusbar = 0;
        } else {
            StatusBar.Create(window);
            StatusBar.Update();
            AppState::GeneralShowStatusbar = 1;
        }
        Relayout(window);
        break;
    case 40050: TogglePresentationMode(false); break;
    case 40051:
        AppState::GeneralViewImageAsTiles = !AppState::GeneralViewImageAsTiles;
        MainMenu.UpdateStates();
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        break;
    case 40061:
        AppState::GeneralAlwaysMaximizeWindow = !AppState::GeneralAlwaysMaximizeWindow;
        MainMenu.UpdateStates();
        FitWindowToImage((int)AppState::CurrentImage.GetWidth(), (int)AppState::CurrentImage.GetHeight(), window);
        InvalidateRect(window, nullptr, FALSE);
        break;
    case 40069:
        AppState::GeneralLastWinPos = !AppState::GeneralLastWinPos;
        MainMenu.UpdateStates();
        break;
    case 40070: {
        RECT r;
        GetWindowRect(window, &r);
        AppState::GeneralLastWinX = r.left;
        AppState::GeneralLastWinY = r.top;
        AppState::GeneralLastWinW = r.right - r.left;
        AppState::GeneralLastWinH = r.bottom - r.top;
        SaveSettings();
        break;
    }
    case 40079:  // undo: the current picture goes to the redo store
        if (ExchangePicture(RedoSnapshot, UndoSnapshot)) AppState::ImageModified = 1;
        RefreshStates();
        InvalidateRect(window, nullptr, FALSE);
        break;
    case 40303:  // redo
        if (ExchangePicture(UndoSnapshot, RedoSnapshot)) AppState::ImageModified = 1;
        RefreshStates();
        InvalidateRect(window, nullptr, FALSE);
        break;
    case 40138:
        if (Playlist::ShowRunning) EndPlaylistShow();
        if (AppState::SlideShowRunning) {
            AppState::SlideShowRunning = 0;
            KillTimer(window, TIMER_SLIDESHOW);
        }
        if (AppState::ViewMode == VIEW_PRESENTATION) TogglePresentationMode(true);
        else SendMessageW(window, WM_CLOSE, 0, 0);
        break;
    case 40139: ToggleBrowser(window); break;
    case 40347: AppState::ToolMode = 0; RefreshStates(); break;
    case 40351: AppState::ToolMode = 1; RefreshStates(); break;
    case 40350: AppState::ToolMode = 2; RefreshStates(); break;
    default: break;
    }
    return 0;
}
