// The viewer's document as it stands now: still pictures that GDI reads itself
// (BMP) are shown; every other file shows the error picture until the format
// readers are wired in.
#include "app/MediaDocument.h"

#include <cwchar>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/ImageSnapshot.h"
#include "app/MainMenu.h"
#include "app/View.h"
#include "image/Common.h"
#include "media/AnimationBar.h"
#include "media/Players.h"

namespace {

bool LoadWithGdi(CImage& image, const wchar_t* path) {
    HBITMAP bitmap = (HBITMAP)LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!bitmap) return false;
    BITMAP info;
    bool ok = false;
    if (GetObjectW(bitmap, sizeof(info), &info) && info.bmWidth > 0 && info.bmHeight != 0) {
        int h = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
        if (image.CreateEmpty(info.bmWidth, h, 24, RGB(255, 255, 255), nullptr)) {
            HDC src = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(src, bitmap);
            ok = BitBlt(image.memoryDC, 0, 0, info.bmWidth, h, src, 0, 0, SRCCOPY) != 0;
            SelectObject(src, old);
            DeleteDC(src);
            GdiFlush();
        }
    }
    DeleteObject(bitmap);
    return ok;
}

void DrawErrorPicture(CImage& image, const wchar_t* path, const wchar_t* error) {
    if (!image.CreateEmpty(500, 250, 24, RGB(255, 255, 255), nullptr)) return;
    wchar_t text[1024];
    swprintf(text, 1024, L"File: \"%ls\"\r\nError: %ls\r\nExecution stopped.", path, error);
    RECT r = {10, 10, 490, 240};
    SetBkMode(image.memoryDC, TRANSPARENT);
    DrawTextW(image.memoryDC, text, -1, &r, DT_LEFT | DT_WORDBREAK);
    GdiFlush();
}

}  // namespace

void AddRecentFile(const wchar_t* path) {
    if (AppState::PrivacyNoRecentlyOpenedList || !path || !*path) return;
    int found = -1;
    for (int i = 0; i < AppState::RecentFileCount; ++i)
        if (_wcsicmp(AppState::RecentFiles[i], path) == 0) found = i;
    if (found >= 0) {
        wchar_t first[MAX_PATH];
        CopyStringW(first, AppState::RecentFiles[0]);
        CopyStringW(AppState::RecentFiles[0], AppState::RecentFiles[found]);
        CopyStringW(AppState::RecentFiles[found], first);
        return;
    }
    int count = AppState::RecentFileCount < RECENT_FILE_CAPACITY ? AppState::RecentFileCount + 1 : RECENT_FILE_CAPACITY;
    for (int i = count - 1; i > 0; --i) CopyStringW(AppState::RecentFiles[i], AppState::RecentFiles[i - 1]);
    CopyStringW(AppState::RecentFiles[0], path);
    AppState::RecentFileCount = count;
}

void PromptSaveModified() {
    if (!AppState::CurrentImage.IsValid()) return;
    if (!AppState::ImageModified && !UndoSnapshot.IsValid()) return;
    // Saving is not wired in yet: the question is asked so nothing is lost silently.
    ShowMessage(L"The image was modified and cannot be saved yet.");
    AppState::ImageModified = 0;
}

void StopCurrentMedia() {
    switch (AppState::CurrentFormatId) {
    case 46: VideoPlayer.Close(); break;
    case 43: SoundPlayer.Close(); break;
    case 28: QuickTimePlayer.Close(); break;
    default: break;
    }
    AnimationBar.Reset();
    if (AppState::MainWindow) InvalidateRect(AppState::MainWindow, nullptr, FALSE);
}

void CloseCurrentMedia() {
    StopCurrentMedia();
    UndoSnapshot.Discard();
    RedoSnapshot.Discard();
    AppState::CurrentImage.Destroy();
    AppState::CurrentFormatId = 0;
    AppState::DocumentKind = DOC_NONE;
    AppState::ImageModified = 0;
    ImageToolBar.Destroy();
    ViewScrollBars.Destroy();
    if (AppState::MainWindow) {
        FitWindowToImage(0, 0, AppState::MainWindow);
        SetWindowTextW(AppState::MainWindow, QRV_PRODUCT_NAME);
    }
    StatusBar.Update();
    MainMenu.UpdateStates();
}

void OpenMediaFile(const wchar_t* path) {
    if (!path || !*path) return;
    PromptSaveModified();
    UndoSnapshot.Discard();
    RedoSnapshot.Discard();
    ChannelViewSnapshot.Discard();
    StopCurrentMedia();
    AppState::Zoom = 1.0f;
    AppState::ImageModified = 0;
    AddRecentFile(path);
    CopyStringW(AppState::CurrentFile, path);
    DWORD start = GetTickCount();
    if (LoadWithGdi(AppState::CurrentImage, path)) {
        AppState::CurrentFormatId = 2;
        AppState::DocumentKind = DOC_FILE;
    } else {
        AppState::CurrentFormatId = 0;
        AppState::DocumentKind = DOC_LOAD_FAILED;
        DrawErrorPicture(AppState::CurrentImage, path, L"Unknown/Unsupported Fileformat!");
    }
    AppState::LoadTimeMs = GetTickCount() - start;
    AppState::FitPending = 1;
    if (HWND window = AppState::MainWindow) {
        if (AppState::ViewMode != VIEW_BROWSER)
            FitWindowToImage((int)AppState::CurrentImage.GetWidth(), (int)AppState::CurrentImage.GetHeight(), window);
        wchar_t title[MAX_PATH + 64];
        const wchar_t* name = wcsrchr(path, L'\\');
        swprintf(title, MAX_PATH + 64, L"[%ls] - %ls", name ? name + 1 : path, QRV_PRODUCT_NAME);
        SetWindowTextW(window, title);
        InvalidateRect(window, nullptr, FALSE);
    }
    StatusBar.Update();
    MainMenu.UpdateStates();
}
