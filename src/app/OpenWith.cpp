#include "app/OpenWith.h"

#include <shlwapi.h>

#include <cwchar>

#include "app/AppState.h"
#include "app/CommandState.h"
#include "app/MainWindowIds.h"
#include "app/ShellLaunch.h"
#include "browser/FileList.h"
#include "image/Common.h"
#include "command_ids.h"

bool OpenWithTarget(UINT id, wchar_t program[MAX_PATH], wchar_t file[MAX_PATH]) {
    program[0] = file[0] = 0;
    int count = AppState::OpenWithCount;
    if (count < 0) count = 0;
    if (count > OPEN_WITH_CAPACITY) count = OPEN_WITH_CAPACITY;
    if (id < IDM_OPEN_WITH_FIRST || id >= IDM_OPEN_WITH_FIRST + (UINT)count) return false;
    CopyStringW(program, AppState::OpenWithPaths[id - IDM_OPEN_WITH_FIRST]);

    const MediaFileEntry* entry = CurrentFileListEntry();
    const wchar_t* name =
        entry ? entry->name : (AppState::CurrentFile[0] ? PathFindFileNameW(AppState::CurrentFile) : L"");
    if (!name[0]) return true;
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, full);
    if (length == 0 || length >= MAX_PATH || !AppendPath(full, name)) return true;
    // The program gets the file as one unquoted parameter: its short form has no blanks.
    const DWORD shortLength = GetShortPathNameW(full, file, MAX_PATH);
    if (shortLength == 0 || shortLength >= MAX_PATH) {
        if (wcschr(full, L' ')) swprintf(file, MAX_PATH, L"\"%ls\"", full);
        else CopyStringW(file, full);
    }
    return true;
}

bool LaunchOpenWithProgram(UINT id) {
    wchar_t program[MAX_PATH], file[MAX_PATH];
    if (!OpenWithTarget(id, program, file)) return false;
    if (GetFileAttributesW(program) == INVALID_FILE_ATTRIBUTES) {
        ShowMessage(L"Program is missing: %ls", program);
        return false;
    }
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    return LaunchShell(AppState::MainWindow, L"open", program, file[0] ? file : nullptr, folder);
}

void RebuildOpenWithMenu(HMENU popup, HWND mainWindow) {
    if (!popup) return;
    // Only the popup's own items count (a search by command would also find the
    // item inside the submenu of the popup that holds "Open with").
    bool holdsClear = false;
    const int items = GetMenuItemCount(popup);
    for (int i = 0; i < items && !holdsClear; ++i) holdsClear = GetMenuItemID(popup, i) == IDM_OPEN_WITH_CLEAR;
    if (!holdsClear) return;
    while (GetMenuItemCount(popup) > 4) {
        if (!DeleteMenu(popup, 0, MF_BYPOSITION)) break;
        if (mainWindow) DrawMenuBar(mainWindow);
    }
    int count = AppState::OpenWithCount;
    if (count < 0) count = 0;
    if (count > OPEN_WITH_CAPACITY) count = OPEN_WITH_CAPACITY;
    // Plain text items: the menu is drawn by the system while its owner drawing
    // is not built.
    for (int i = 0; i < count; ++i)
        InsertMenuW(popup, (UINT)i, MF_BYPOSITION | MF_STRING | MF_ENABLED, IDM_OPEN_WITH_FIRST + (UINT)i,
                    AppState::OpenWithDescs[i]);
}

void ClearOpenWithList() {
    AppState::OpenWithCount = 0;
    ShowMessage(L"Successfully cleaned all stored program paths.");
}
