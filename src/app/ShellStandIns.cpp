// The main window's drop handling and the tool dialogs' launchers.
#include "app/ShellStandIns.h"

#include <shlwapi.h>

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "browser/Browser.h"
#include "browser/FileList.h"
#include "image/Common.h"
#include "tools/ToolStandIns.h"

namespace {

bool RunToolDialog(HWND owner, const wchar_t* name, DLGPROC proc, void* object) {
    return DialogBoxParamW(AppState::Instance, name, owner, proc, reinterpret_cast<LPARAM>(object)) != -1;
}

}  // namespace

bool ShowContactSheetDialog(HWND owner, CPrintContactSheet* sheet) {
    return RunToolDialog(owner, L"PRINTCONTACTSHEETDLG", PrintContactSheetDlgProc, sheet);
}
bool ShowHTMLAlbumDialog(HWND owner, CCreateHTMLAlbum* album) {
    return RunToolDialog(owner, L"CREATEHTMLALBUMDLG", CreateHTMLAlbumDlgProc, album);
}
bool ShowJPGTransformDialog(HWND owner) {
    return RunToolDialog(owner, L"JPGTRANSFORMDLG", JPGTransformDlgProc, nullptr);
}
bool ShowJPGCleanerDialog(HWND owner, CJPGCleaner* cleaner) {
    return RunToolDialog(owner, L"JPGCLEANERDLG", JPGCleanerDlgProc, cleaner);
}

DWORD QueryDropEffect(HWND window, DWORD offeredEffect) {
    if (!AppState::DragActive) return DROPEFFECT_NONE;
    if (window == AppState::DragSourceWindow) return DROPEFFECT_NONE;
    return offeredEffect;
}

void OpenDroppedItem(HWND mainWindow, HDROP drop) {
    if (!AppState::DragActive) return;
    AppState::DragActive = 0;
    if (!drop || DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 0) return;
    // A path longer than the buffer would arrive cut and name another file.
    if (DragQueryFileW(drop, 0, nullptr, 0) >= MAX_PATH) return;
    wchar_t path[MAX_PATH] = {};
    if (DragQueryFileW(drop, 0, path, MAX_PATH) == 0) return;
    SendMessageW(mainWindow, WM_APP_BRING_TO_FRONT, 0, 0);

    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CopyStringW(AppState::CurrentFolder, path);
    } else {
        wchar_t folder[MAX_PATH];
        if (HandOverFolder(path, folder)) {
            CopyStringW(AppState::CurrentFolder, folder);
            SetCurrentDirectoryW(folder);
        }
        BuildFileList(PathFindFileNameW(path), AppState::CurrentFolder);
        NormalizePath(path);
        OpenMediaFile(path);
    }

    if (Browser.IsHidden()) {
        Browser.Show();
        Browser.ChangeFolder(AppState::CurrentFolder, BROWSER_OPEN_GIVEN_PATH, false);
    } else if (Browser.IsShown()) {
        Browser.ChangeFolder(AppState::CurrentFolder, BROWSER_OPEN_GIVEN_PATH, false);
    } else {
        Browser.Open(AppState::CurrentFolder, BROWSER_OPEN_GIVEN_PATH, mainWindow);
    }
}
