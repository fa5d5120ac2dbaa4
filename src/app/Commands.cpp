// WM_COMMAND of the main window: offered to the players' and browser's buttons
// first, then checked against the command's own precondition (the predicate
// that grays its menu item), then carried out.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <ctime>
#include <cwchar>

#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandState.h"
#include "app/EffectDialogs.h"
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
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/ThumbnailLoader.h"
#include "image/Common.h"
#include "image/Effects.h"
#include "media/AnimationBar.h"
#include "media/Players.h"

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
    // A slide show that cannot advance by itself leaves stepping to the user.
    const bool slideShowSteps = AppState::SlideShowRunning && SlideShowCanAdvance();
    if (id == 40002 || id == 40003) {
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

// ---- The handlers, one row per command id. A command without a row has no
// handler yet: the predicate grays its menu items and refuses its shortcut.

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
    case 40005: EditImage(window, &CImage::FlipVertical, false); break;
    case 40006: EditImage(window, &CImage::Mirror, false); break;
    case 40011: EditImage(window, &CImage::RotateLeft90, true); break;
    case 40012: EditImage(window, &CImage::RotateRight90, true); break;
    case 254: EditImage(window, &CImage::Rotate180, false); break;
    default: break;
    }
}

// The effect dialogs take the undo snapshot and repaint when OK runs the
// effect; they work on the picture, and an alpha view is made again afterwards.
void ShowEffectDialog(HWND window, UINT id, LPARAM) {
    const wchar_t* name = id == 40063 ? L"EFF_BLURDLG" : id == 40064 ? L"EFF_PIXELIZEDLG" : L"EFF_SHARPENDLG";
    DLGPROC proc = id == 40063 ? EffBlurDlgProc : id == 40064 ? EffPixelizeDlgProc : EffSharpenDlgProc;
    EditDocumentPicture([&](CImage&) { return DialogBoxParamW(AppState::Instance, name, window, proc, 0) == IDOK; });
    ImageResized();  // the effects leave a 24-bit picture
    RefreshStates();
}

// Undo puts the current picture into the redo store and restores the undo
// store; redo the other way round. Both stores hold the picture, not what an
// alpha view shows of it.
void UndoRedo(HWND window, UINT id, LPARAM) {
    CImageSnapshot& keep = id == 40079 ? RedoSnapshot : UndoSnapshot;
    CImageSnapshot& restore = id == 40079 ? UndoSnapshot : RedoSnapshot;
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
            PostMessageW(window, WM_COMMAND, 40050, 0);
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

void SetToolMode(int mode) {
    AppState::ToolMode = mode;
    RefreshStates();
}

struct CommandHandler {
    UINT id;
    void (*run)(HWND window, UINT id, LPARAM lParam);
};

const CommandHandler kCommandHandlers[] = {
    {200, [](HWND window, UINT, LPARAM) { ShowOpenFileDialog(window); }},
    {204, [](HWND, UINT, LPARAM) { QuickSave(); }},
    {40082, [](HWND window, UINT, LPARAM) { SaveAs(window); }},
    {206, [](HWND window, UINT id, LPARAM lParam) { Zoom(window, id, lParam != 0); }},
    {207, [](HWND window, UINT id, LPARAM lParam) { Zoom(window, id, lParam != 0); }},
    {208, [](HWND window, UINT id, LPARAM lParam) { Zoom(window, id, lParam != 0); }},
    {293, [](HWND, UINT, LPARAM) { CloseCurrentMedia(); RefreshStates(); }},
    {40002, [](HWND window, UINT id, LPARAM lParam) { Step(window, id, lParam != 0); }},
    {40003, [](HWND window, UINT id, LPARAM lParam) { Step(window, id, lParam != 0); }},
    {40028, [](HWND window, UINT id, LPARAM lParam) { Step(window, id, lParam != 0); }},
    {40029, [](HWND window, UINT id, LPARAM lParam) { Step(window, id, lParam != 0); }},
    {40023, [](HWND, UINT, LPARAM) { Reload(); }},
    {40005, Flip},
    {40006, Flip},
    {40011, Flip},
    {40012, Flip},
    {254, Flip},
    {40063, ShowEffectDialog},
    {40064, ShowEffectDialog},
    {40081, ShowEffectDialog},
    {40079, UndoRedo},
    {40303, UndoRedo},
    {40046, [](HWND window, UINT, LPARAM) { ToggleToolBar(window); }},
    {40047, [](HWND window, UINT, LPARAM) { ToggleStatusBar(window); }},
    {40050, [](HWND, UINT, LPARAM) { TogglePresentationMode(false); }},
    {40051,
     [](HWND window, UINT, LPARAM) {
         AppState::GeneralViewImageAsTiles = !AppState::GeneralViewImageAsTiles;
         MainMenu.UpdateStates();
         Repaint(window);
     }},
    {40061, [](HWND window, UINT, LPARAM) { ToggleAlwaysMaximize(window); }},
    {40069,
     [](HWND, UINT, LPARAM) {
         AppState::GeneralLastWinPos = !AppState::GeneralLastWinPos;
         MainMenu.UpdateStates();
     }},
    {40070, [](HWND window, UINT, LPARAM) { SaveWindowPlacement(window); }},
    {40138, [](HWND window, UINT, LPARAM) { Exit(window); }},
    {40139, [](HWND window, UINT, LPARAM) { ToggleBrowser(window); }},
    {40319, [](HWND window, UINT, LPARAM) { StartStopSlideShow(window); }},
    {40347, [](HWND, UINT, LPARAM) { SetToolMode(0); }},
    {40351, [](HWND, UINT, LPARAM) { SetToolMode(1); }},
    {40350, [](HWND, UINT, LPARAM) { SetToolMode(2); }},
};

const CommandHandler* FindCommandHandler(UINT id) {
    for (const CommandHandler& handler : kCommandHandlers)
        if (handler.id == id) return &handler;
    return nullptr;
}

}  // namespace

bool HasCommandHandler(UINT id) {
    wchar_t program[MAX_PATH], file[MAX_PATH];
    return FindCommandHandler(id) != nullptr || OpenWithTarget(id, program, file);
}

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
    // (accelerators stay live while presentation mode hides the menu), and so
    // does one without a handler (its menu item is gray too).
    if (!IsCommandEnabled(id)) return 0;
    if (const CommandHandler* handler = FindCommandHandler(id)) handler->run(window, id, lParam);
    return 0;
}
