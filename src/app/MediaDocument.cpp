// Opening, stopping and closing the viewer's media document. Every open in the
// program (open dialog, command line, hand-over, drops, Previous/Next, recent
// files, browser, slide show) ends in OpenMediaFile.
#include "app/MediaDocument.h"

#include <commdlg.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdarg>
#include <cwchar>
#include <string>

#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/DisplayDepth.h"
#include "app/ImageSnapshot.h"
#include "app/MainMenu.h"
#include "app/MainWindowIds.h"
#include "app/RecentFiles.h"
#include "app/SaveAsDialog.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "formats/Mng.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/PixelOps.h"
#include "media/AnimationBar.h"
#include "media/Players.h"

namespace {

// Counts the opens begun, so an open sees whether its reader opened another file.
unsigned g_openSerial = 0;

bool IsPlayerId(int id) { return id == FMT_VIDEO || id == FMT_SOUND || id == FMT_QTMOVIE || id == FMT_PLAYLIST; }

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
    if (AppState::ImageAlphaBlend32BitAtLoadTime && alphaImage && AppState::ChannelView == CHANNEL_ALL)
        AppState::ChannelView = CHANNEL_ALPHA_BLENDED;
    const int mode = AppState::ChannelView;
    if (!IsAlphaView(mode)) return;
    // The store held the picture before this one. The treatment keeps the new
    // picture there first; without it nothing is treated and the view returns to 0.
    ChannelViewSnapshot.Discard();
    if (!ApplyAlphaView(mode)) AppState::ChannelView = CHANNEL_ALL;
}

void StopCurrentMedia() {
    switch (AppState::CurrentFormatId) {
    case FMT_VIDEO: VideoPlayer.Close(); break;
    case FMT_SOUND: SoundPlayer.Close(); break;
    case FMT_QTMOVIE: QuickTimePlayer.Close(); break;
    case FMT_MNG: StopMngAnimation(); break;
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
    ChannelViewSnapshot.Discard();
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

void FormatModifiedQuestion(wchar_t* out, size_t size, const wchar_t* path) {
    wchar_t text[512];
    CopyStringW(text, L"The file %s has been modified. Do you want to save the changes?", 512);
    if (GetSaveServices().langText) {
        wchar_t translated[512] = {};
        if (GetSaveServices().langText(L"Messages", L"FileModifiedSaveAs", translated, 512) && translated[0])
            CopyStringW(text, translated, 512);
    }
    // The path takes the place of the first "%s"; the text is never used as a
    // format, so a translation's other '%' characters stay as they are.
    std::wstring question = text;
    const size_t at = question.find(L"%s");
    if (at != std::wstring::npos) question.replace(at, 2, path ? path : L"");
    CopyStringW(out, question.c_str(), size);
}

void PromptSaveModified() {
    if (!AppState::CurrentImage.IsValid()) return;
    if (!UndoSnapshot.IsValid() && !AppState::ImageModified && AppState::DocumentKind != DOC_NEW_IMAGE) return;
    wchar_t question[1024];
    FormatModifiedQuestion(question, 1024, AppState::CurrentFile);
    if (AskYesNo(QRV_PRODUCT_NAME, L"%ls", question) == IDYES)
        ShowSaveAsDialog(AppState::CurrentFile, AppState::MainWindow, false, true);
}

void ShowLoadFailure(const wchar_t* path, const wchar_t* format, ...) {
    UndoSnapshot.Discard();
    RedoSnapshot.Discard();
    ChannelViewSnapshot.Discard();
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
    if (length && opened[length - 1] != L'\\' && opened[length - 1] != L'/')
        CopyStringW(opened + length, L"\\", MAX_PATH - length);
    length = wcslen(opened);
    CopyStringW(opened + length, PathFindFileNameW(path), MAX_PATH - length);
    CopyStringW(AppState::OpenedFilePath, opened);
    AddRecentFile(path);

    wchar_t error[FORMAT_ERROR_CHARS] = {};
    FormatId id = 0;
    const DWORD start = GetTickCount();
    // The reader sees the format it was chosen for. A file that opens another
    // one while it is read (a playlist starting its show) leaves the viewer to
    // that file: its open has laid the viewer out and set the title.
    AppState::CurrentFormatId = GetFormatIdFromExtension(path);
    const unsigned serial = ++g_openSerial;
    const bool loaded = LoadMediaFile(AppState::CurrentImage, path, error, &id);
    if (serial != g_openSerial) {
        SetCursor(oldCursor);
        return;
    }
    AppState::LoadTimeMs = GetTickCount() - start;
    AppState::CurrentFormatId = id;

    const bool presentation = AppState::ViewMode == VIEW_PRESENTATION;
    const bool wantToolBar =
        !(id == FMT_VIDEO || id == FMT_SOUND || id == FMT_QTMOVIE || id == FMT_PLAYLIST || presentation);
    const bool wantScrollBars = !(id == FMT_SOUND || id == FMT_PLAYLIST || presentation);
    if (!wantToolBar) ImageToolBar.Destroy();
    if (!wantScrollBars) ViewScrollBars.Destroy();
    if (IsPlayerId(id) || previousFailed) AppState::ToolMode = TOOL_SCROLL;

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
