// Presentation mode: the main window becomes a borderless topmost window of
// the screen's size without any chrome, the view is painted on black and the
// mouse cursor hides itself after a few seconds without movement. Leaving
// gives the window its frame and chrome back and ends a running show.
#include "app/Presentation.h"

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/MainMenu.h"
#include "app/MainWindowIds.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "media/AnimationBar.h"
#include "media/Players.h"

namespace {

constexpr LONG kFrameStyles = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

// Entering had to hide the shown browser: leaving shows it again.
bool g_browserHidden = false;
CursorWatch g_cursorWatch;
CursorSampleSource g_sampleSource = nullptr;

CursorSample SystemCursorSample() {
    CursorSample sample = {};
    GetCursorPos(&sample.position);
    sample.tick = GetTickCount();
    return sample;
}

// Hides or shows the cursor together with the player and animation controls.
void SetCursorVisible(HWND window, bool show) {
    if ((AppState::CursorShown != 0) != show) ShowCursor(show ? TRUE : FALSE);
    AppState::CursorShown = show;
    AppState::PlayerControlsShown = show;
    if (AppState::CurrentFormatId == FMT_VIDEO) VideoPlayer.SetControlsVisible(show);
    else if (AppState::CurrentFormatId == FMT_QTMOVIE) QuickTimePlayer.SetControlsVisible(show);
    if (AnimationBar.controlsCreated) AnimationBar.SetVisible(show);
    if (window) InvalidateRect(window, nullptr, FALSE);
}

void SetFrameStyle(HWND window, bool framed) {
    LONG style = GetWindowLongW(window, GWL_STYLE);
    style = framed ? (style & ~WS_POPUP) | kFrameStyles : (style & ~kFrameStyles) | WS_POPUP;
    SetWindowLongW(window, GWL_STYLE, style);
}

void EnterPresentation(HWND window) {
    AppState::PaintSuspended = 1;
    LockWindowUpdate(window);
    MainMenu.Destroy();
    ViewScrollBars.Destroy();
    ImageToolBar.Destroy();
    StatusBar.Destroy();
    MainToolBar.Destroy();
    if (Browser.IsShown()) {
        Browser.Hide();
        g_browserHidden = true;
    }
    AppState::ViewMode = VIEW_PRESENTATION;

    SetFrameStyle(window, false);
    SetWindowPos(window, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                 SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    LayoutViewBorders();

    AppState::CanScrollX = AppState::CanScrollY = 0;
    AppState::ImageOrigin = {0, 0};
    AppState::ScrollOffset = {0, 0};
    AppState::FitPending = 1;
    AppState::CursorShown = 1;
    AppState::PlayerControlsShown = 1;
    g_cursorWatch = CursorWatch{};  // the clock starts at the first tick of this visit
    SetTimer(window, TIMER_CURSOR_HIDE, kCursorTimerPeriodMs, nullptr);
    SetFocus(window);

    AppState::PaintSuspended = 0;
    LockWindowUpdate(nullptr);
    InvalidateRect(window, nullptr, FALSE);
}

// The chrome of the open document, as opening it creates it.
void RestoreDocumentChrome(HWND window) {
    const int id = AppState::CurrentFormatId;
    const bool document = AppState::DocumentKind == DOC_FILE || AppState::DocumentKind == DOC_NEW_IMAGE;
    if (document && id != FMT_SOUND && id != FMT_PLAYLIST) {
        ViewScrollBars.Create(window, AppState::Instance);
        ViewScrollBars.UpdateRanges();
        if (id == FMT_VIDEO) {
            VideoPlayer.SetControlsVisible(true);
        } else if (id != FMT_QTMOVIE) {
            ImageToolBar.Create(window);
            ImageToolBar.UpdateButtonStates();
        }
    }
    if (id == FMT_QTMOVIE) QuickTimePlayer.SetControlsVisible(true);
    if (AnimationBar.controlsCreated) AnimationBar.SetVisible(true);
    AppState::PlayerControlsShown = 1;
}

void LeavePresentation(HWND window) {
    AppState::PaintSuspended = 1;
    LockWindowUpdate(window);
    AppState::WindowMoved = AppState::WindowSized = 0;

    if (!AppState::CursorShown) ShowCursor(TRUE);
    AppState::CursorShown = 1;
    KillTimer(window, TIMER_CURSOR_HIDE);
    if (Playlist::ShowRunning) {
        if (g_browserHidden) {  // the browser comes back with its playlist
            Playlist::ShowRunning = 0;
            KillTimer(window, TIMER_PLAYLIST_SHOW);
            StopBackgroundMusic();
        } else {
            EndPlaylistShow();
        }
    }
    if (AppState::SlideShowRunning) {
        AppState::SlideShowRunning = 0;
        KillTimer(window, TIMER_SLIDESHOW);
    }

    SetFrameStyle(window, true);
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    if (!AppState::GeneralAlwaysOnTop) SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    AppState::FitPending = 1;
    MainMenu.Load(window);
    if (AppState::GeneralShowStatusbar) StatusBar.Create(window);
    if (AppState::GeneralShowToolbar) MainToolBar.Create(window);
    RestoreDocumentChrome(window);

    if (g_browserHidden) {
        Browser.Show();
        PostMessageW(window, WM_SIZE, 0, 0);
        g_browserHidden = false;
    } else {
        AppState::ViewMode = VIEW_VIEWER;
        const CImage& image = AppState::CurrentImage;
        if (image.IsValid()) FitWindowToImage((int)image.GetWidth(), (int)image.GetHeight(), window);
        else FitWindowToImage(0, 0, window);
        if (AppState::GeneralAlwaysMaximizeWindow) PostMessageW(window, WM_SIZE, 0, 0);
    }
    LayoutViewBorders();
    ViewScrollBars.Layout();
    ImageToolBar.Reposition();
    MainToolBar.Resize();
    StatusBar.Resize();

    MainMenu.UpdateStates();
    MainToolBar.UpdateButtonStates();
    StatusBar.Update();
    AppState::PaintSuspended = 0;
    LockWindowUpdate(nullptr);
    InvalidateRect(window, nullptr, FALSE);
}

}  // namespace

CursorWatchAction StepCursorWatch(CursorWatch& watch, bool shown, POINT position, DWORD now) {
    if (!watch.started) {
        watch.started = true;
        watch.last = position;
        watch.lastMove = now;
        return CURSOR_KEEP;
    }
    const bool moved = position.x != watch.last.x || position.y != watch.last.y;
    watch.last = position;
    if (!shown) return moved ? CURSOR_SHOW : CURSOR_KEEP;
    if (moved) {
        watch.lastMove = now;
        return CURSOR_KEEP;
    }
    return now - watch.lastMove > kCursorHideDelayMs ? CURSOR_HIDE : CURSOR_KEEP;
}

CursorSampleSource SetCursorSampleSource(CursorSampleSource source) {
    CursorSampleSource previous = g_sampleSource;
    g_sampleSource = source;
    return previous;
}

void TogglePresentationMode(bool close) {
    HWND window = AppState::MainWindow;
    if (!window) return;
    if (AppState::ViewMode != VIEW_PRESENTATION) {
        EnterPresentation(window);
        return;
    }
    if (close && AppState::GeneralAlwaysStartInPresentationMode) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        return;
    }
    LeavePresentation(window);
}

void OnCursorHideTimer(UINT_PTR id) {
    if (id != TIMER_CURSOR_HIDE || AppState::ViewMode != VIEW_PRESENTATION) return;
    const CursorSample sample = g_sampleSource ? g_sampleSource() : SystemCursorSample();
    switch (StepCursorWatch(g_cursorWatch, AppState::CursorShown != 0, sample.position, sample.tick)) {
    case CURSOR_HIDE: SetCursorVisible(AppState::MainWindow, false); break;
    case CURSOR_SHOW: SetCursorVisible(AppState::MainWindow, true); break;
    default: break;
    }
}
