// Opening, stopping and closing the viewer's media document. Every open in the
// program (open dialog, command line, hand-over, drops, Previous/Next, recent
// files, browser, slide show) ends in OpenMediaFile.
#include "formats/MediaDocument.h"

#include <shlwapi.h>

#include <cstdarg>
#include <cwchar>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/ImageSnapshot.h"
#include "app/MainMenu.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "formats/Formats.h"
#include "formats/SaveDispatch.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/PixelOps.h"
#include "media/AnimationBar.h"
#include "media/Players.h"

namespace {

bool IsPlayerId(int id) {
    return id == FMT_VIDEO || id == FMT_SOUND || id == FMT_QTMOVIE || id == FMT_PLAYLIST;
}

// Alpha treatments of a 32-bit image, in place. Shown as the picture: every
// pixel becomes the grey of its alpha (keepColours keeps the colour of fully
// transparent pixels). Blended: the colour over the view's background.
void ShowAlphaAsImage(CImage& image, bool keepColours) {
    GdiFlush();
    for (uint32_t row = 0; row < image.height; ++row) {
        uint8_t* p = image.ScanLine(row);
        for (uint32_t x = 0; x < image.width; ++x, p += 4) {
            if (keepColours && p[3] == 0) continue;
            p[0] = p[1] = p[2] = p[3];
        }
    }
}

void BlendAlphaOverBackground(CImage& image) {
    const COLORREF bg = GetViewBackgroundColor();
    const int back[3] = {GetBValue(bg), GetGValue(bg), GetRValue(bg)};
    GdiFlush();
    for (uint32_t row = 0; row < image.height; ++row) {
        uint8_t* p = image.ScanLine(row);
        for (uint32_t x = 0; x < image.width; ++x, p += 4) {
            const int a = p[3];
            for (int c = 0; c < 3; ++c) p[c] = (uint8_t)((p[c] * a + back[c] * (255 - a) + 127) / 255);
            p[3] = 255;
        }
    }
}

// Palette displays (8 bits or less) would show a true-colour picture badly;
// every display this program meets shows 16 bits or more, where nothing is done.
void MatchImageToDisplayDepth() {}

void SetTitle(const wchar_t* path) {
    if (!AppState::MainWindow) return;
    wchar_t title[MAX_PATH + 64];
    swprintf(title, MAX_PATH + 64, L"[%ls] - %ls", PathFindFileNameW(path), QRV_PRODUCT_NAME);
    SetWindowTextW(AppState::MainWindow, title);
}

void RefreshBars() {
    StatusBar.Update();
    MainMenu.UpdateStates();
    MainToolBar.UpdateButtonStates();
}

// Lays out the chrome that depends on the document.
void LayoutChrome() {
    LayoutViewBorders();
    ViewScrollBars.Layout();
}

}  // namespace

void ApplyAlphaChannelMode() {
    CImage& image = AppState::CurrentImage;
    const bool alphaImage = image.IsValid() && image.GetBpp() == 32;
    if (AppState::ImageAlphaBlend32BitAtLoadTime && alphaImage && AppState::ChannelView == 0) AppState::ChannelView = 6;
    const int mode = AppState::ChannelView;
    if (mode != 4 && mode != 5 && mode != 6) return;
    ChannelViewSnapshot.Discard();
    if (!alphaImage) {
        AppState::ChannelView = 0;
        return;
    }
    if (mode == 6) BlendAlphaOverBackground(image);
    else ShowAlphaAsImage(image, mode == 5);
}

void StopCurrentMedia() {
    switch (AppState::CurrentFormatId) {
    case FMT_VIDEO: VideoPlayer.Close(); break;
    case FMT_SOUND: SoundPlayer.Close(); break;
    case FMT_QTMOVIE: QuickTimePlayer.Close(); break;
    default: break;
    }
    AnimationBar.Reset();
    if (Browser.IsShown() && Browser.fileListWindow) {
        InvalidateRect(Browser.fileListWindow, nullptr, FALSE);
        UpdateWindow(Browser.fileListWindow);
    }
}

void CloseCurrentMedia() {
    HWND window = AppState::MainWindow;
    if (window) LockWindowUpdate(window);
    const uint8_t suspended = AppState::PaintSuspended;
    AppState::PaintSuspended = 1;
    StopCurrentMedia();
    UndoSnapshot.Discard();
    RedoSnapshot.Discard();
    AnimationBar.Reset();
    ViewScrollBars.Destroy();
    ImageToolBar.Destroy();
    AppState::CurrentImage.Destroy();
    AppState::ImageModified = 0;
    AppState::DocumentKind = DOC_NONE;
    AppState::CurrentFormatId = 0;
    if (window) {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }
    LayoutViewBorders();
    UpdateScrollState();
    FitWindowToImage(600, 400, window);
    AppState::CurrentFile[0] = 0;
    AppState::Zoom = 1.0f;
    AppState::ScrollOffset = {0, 0};
    AppState::PaintSuspended = suspended;
    if (window) LockWindowUpdate(nullptr);
    StatusBar.Update();
    MainToolBar.UpdateButtonStates();
    MainMenu.UpdateStates();
    if (window) {
        SetWindowTextW(window, QRV_PRODUCT_NAME);
        InvalidateRect(window, nullptr, FALSE);
    }
}

void PromptSaveModified() {
    if (!AppState::CurrentImage.IsValid()) return;
    if (!UndoSnapshot.IsValid() && !AppState::ImageModified && AppState::DocumentKind != DOC_NEW_IMAGE) return;
    wchar_t text[MAX_PATH + 128];
    swprintf(text, MAX_PATH + 128, L"The file %ls has been modified. Do you want to save the changes?",
             AppState::CurrentFile);
    // Through the program's message seam, so that tests never wait on the box.
    MessageHook hook = SetMessageHook(nullptr);
    SetMessageHook(hook);
    const UINT type = MB_YESNO;
    const int answer = hook ? hook(text, QRV_PRODUCT_NAME, type, false)
                            : MessageBoxW(AppState::MainWindow, text, QRV_PRODUCT_NAME, type);
    if (answer == IDYES) ShowSaveAsDialog(AppState::CurrentFile, AppState::MainWindow, false, true);
}

void ShowLoadFailure(const wchar_t* path, const wchar_t* format, ...) {
    UndoSnapshot.Discard();
    RedoSnapshot.Discard();
    StopCurrentMedia();
    wchar_t message[1024] = {};
    if (format) {
        va_list args;
        va_start(args, format);
        vswprintf(message, 1024, format, args);
        va_end(args);
    }
    AppState::Zoom = 1.0f;
    AppState::DocumentKind = DOC_LOAD_FAILED;
    DrawLoadErrorImage(AppState::CurrentImage, path, L"%ls", message);
    FitWindowToImage((int)(AppState::Zoom * AppState::CurrentImage.GetWidth()),
                     (int)(AppState::Zoom * AppState::CurrentImage.GetHeight()), AppState::MainWindow);
}

void OpenMediaFile(const wchar_t* pathArgument) {
    if (!pathArgument) return;
    wchar_t path[MAX_PATH];
    CopyStringW(path, pathArgument);
    PromptSaveModified();
    HCURSOR oldCursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    UndoSnapshot.Discard();
    RedoSnapshot.Discard();
    StopCurrentMedia();

    const bool previousFailed = AppState::DocumentKind == DOC_LOAD_FAILED;
    AppState::Zoom = 1.0f;
    AppState::ScrollOffset = {0, 0};
    AppState::LastScrollPos = {0, 0};
    SetRectEmpty(&AppState::Selection);
    AppState::ImageModified = 0;
    AppState::FitPending = 1;

    CopyStringW(AppState::CurrentFile, path);
    wchar_t opened[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, opened);
    size_t length = wcslen(opened);
    if (length && opened[length - 1] != L'\\' && opened[length - 1] != L'/') CopyStringW(opened + length, L"\\", MAX_PATH - length);
    length = wcslen(opened);
    CopyStringW(opened + length, PathFindFileNameW(path), MAX_PATH - length);
    CopyStringW(AppState::OpenedFilePath, opened);
    AddRecentFile(path);

    wchar_t error[FORMAT_ERROR_CHARS] = {};
    FormatId id = 0;
    const DWORD start = GetTickCount();
    const bool loaded = LoadMediaFile(AppState::CurrentImage, path, error, &id);
    AppState::LoadTimeMs = GetTickCount() - start;
    AppState::CurrentFormatId = id;

    const bool presentation = AppState::ViewMode == VIEW_PRESENTATION;
    const bool wantToolBar = !(id == FMT_VIDEO || id == FMT_SOUND || id == FMT_QTMOVIE || id == FMT_PLAYLIST || presentation);
    const bool wantScrollBars = !(id == FMT_SOUND || id == FMT_PLAYLIST || presentation);
    if (!wantToolBar) ImageToolBar.Destroy();
    if (!wantScrollBars) ViewScrollBars.Destroy();
    if (IsPlayerId(id) || previousFailed) AppState::ToolMode = 0;

    if (loaded) {
        AppState::DocumentKind = DOC_FILE;
        if (AppState::ImageAdjustGammaAtLoadTime && AppState::CurrentImage.IsValid())
            AppState::CurrentImage.Gamma(AppState::ImageAdjustGammaAtLoadTimeGamma * 0.1);
        ApplyAlphaChannelMode();
        MatchImageToDisplayDepth();
        if (AppState::MainWindow) {
            if (wantToolBar) ImageToolBar.Create(AppState::MainWindow);
            if (wantScrollBars) ViewScrollBars.Create(AppState::MainWindow, AppState::Instance);
        }
        if (wantToolBar || wantScrollBars) {
            LayoutChrome();
            ImageToolBar.Reposition();
            AnimationBar.Layout();
        }
        if (presentation) AnimationBar.SetVisible(AppState::PlayerControlsShown != 0);
        const CImage& image = AppState::CurrentImage;
        FitWindowToImage((int)image.GetWidth(), (int)image.GetHeight(), AppState::MainWindow);
        if (id == FMT_VIDEO) VideoPlayer.RaiseControls();
    } else {
        // No message box: the reader's text becomes the picture.
        ShowLoadFailure(path, L"%ls", error);
        LayoutChrome();
    }

    RefreshBars();
    SetTitle(AppState::CurrentFile);
    if (AppState::MainWindow) InvalidateRect(AppState::MainWindow, nullptr, FALSE);
    SetCursor(oldCursor);
}
