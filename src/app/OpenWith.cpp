#include "app/OpenWith.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shlwapi.h>

#include <cwchar>
#include <utility>

#include "app/AppState.h"
#include "app/Language.h"
#include "app/CommandState.h"
#include "app/MainMenu.h"
#include "app/MainWindowIds.h"
#include "app/ShellLaunch.h"
#include "browser/FileList.h"
#include "image/Common.h"
#include "app_openwith_ids.h"
#include "command_ids.h"

namespace {

int StoredCount() {
    int count = AppState::OpenWithCount;
    if (count < 0) count = 0;
    if (count > OPEN_WITH_CAPACITY) count = OPEN_WITH_CAPACITY;
    return count;
}

}  // namespace

bool OpenWithTarget(UINT id, wchar_t program[MAX_PATH], wchar_t file[OPEN_WITH_PARAMETER_CHARS]) {
    program[0] = file[0] = 0;
    const int count = StoredCount();
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
        // Without a short name the full path goes in quotes; the buffer holds
        // the longest path and both quotes.
        if (wcschr(full, L' ')) swprintf(file, OPEN_WITH_PARAMETER_CHARS, L"\"%ls\"", full);
        else CopyStringW(file, full);
    }
    return true;
}

bool LaunchOpenWithProgram(UINT id) {
    wchar_t program[MAX_PATH], file[OPEN_WITH_PARAMETER_CHARS];
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
    const int count = StoredCount();
    // Owner-drawn like the rest of the menu when the setting asks for it (the
    // menu code reads the text back by command), plain text otherwise.
    const bool ownerDrawn = OwnerDrawnMenusWanted();
    for (int i = 0; i < count; ++i) {
        InsertMenuW(popup, (UINT)i, MF_BYPOSITION | MF_STRING | MF_ENABLED, IDM_OPEN_WITH_FIRST + (UINT)i,
                    AppState::OpenWithDescs[i]);
        if (!ownerDrawn) continue;
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        if (!GetMenuItemInfoW(popup, (UINT)i, TRUE, &info)) continue;
        info.fType |= MFT_OWNERDRAW;
        SetMenuItemInfoW(popup, (UINT)i, TRUE, &info);
    }
}

void ClearOpenWithList() {
    AppState::OpenWithCount = 0;
    ShowMessage(L"Successfully cleaned all stored program paths.");
}

std::vector<OpenWithRow> OpenWithRows() {
    std::vector<OpenWithRow> rows;
    const int count = StoredCount();
    for (int i = 0; i < count; ++i) rows.push_back({AppState::OpenWithDescs[i], AppState::OpenWithPaths[i], false});
    return rows;
}

void StoreOpenWithRows(const std::vector<OpenWithRow>& rows) {
    const int count = rows.size() > OPEN_WITH_CAPACITY ? OPEN_WITH_CAPACITY : (int)rows.size();
    for (int i = 0; i < count; ++i) {
        lstrcpynW(AppState::OpenWithDescs[i], rows[i].name.c_str(), MAX_PATH);
        lstrcpynW(AppState::OpenWithPaths[i], rows[i].path.c_str(), MAX_PATH);
    }
    AppState::OpenWithCount = count;
}

bool AddOpenWithProgram(const wchar_t* path, const wchar_t* name) {
    // Checked before anything is written: a rejected entry must not take the
    // place of the last program of a full list.
    if (!path || !path[0] || !name || !name[0]) return false;
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return false;
    int index = StoredCount();
    if (index == OPEN_WITH_CAPACITY) index = OPEN_WITH_CAPACITY - 1;
    lstrcpynW(AppState::OpenWithPaths[index], path, MAX_PATH);
    lstrcpynW(AppState::OpenWithDescs[index], name, MAX_PATH);
    AppState::OpenWithCount = index + 1;
    return true;
}

void MoveOpenWithRows(std::vector<OpenWithRow>& rows, int direction) {
    const int n = (int)rows.size();
    if (direction < 0) {
        for (int i = 1; i < n; ++i)
            if (rows[i].selected && !rows[i - 1].selected) std::swap(rows[i], rows[i - 1]);
    } else {
        for (int i = n - 2; i >= 0; --i)
            if (rows[i].selected && !rows[i + 1].selected) std::swap(rows[i], rows[i + 1]);
    }
}

std::wstring OpenWithNameFromPath(const wchar_t* path) {
    std::wstring name = PathFindFileNameW(path);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos && dot > 0) name.resize(dot);
    return name;
}

namespace {

OpenWithChooserHook g_chooserHook = nullptr;

// The current directory while a dialog is open: the open dialog may move it.
void KeepCurrentDirectory() { GetCurrentDirectoryW(MAX_PATH, AppState::CurrentFolder); }
void CloseOpenWithDialog(HWND dialog, INT_PTR result) {
    SetCurrentDirectoryW(AppState::CurrentFolder);
    EndDialog(dialog, result);
}

// "...": the chosen program's path and name go into the edits, and OK is enabled.
void BrowseForProgram(HWND dialog) {
    wchar_t path[MAX_PATH] = {};
    if (!ChooseOpenWithProgram(dialog, path)) return;
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
    SetDlgItemTextW(dialog, IDC_OPENWITH_PATH, path);
    SetDlgItemTextW(dialog, IDC_OPENWITH_NAME, OpenWithNameFromPath(path).c_str());
}

std::vector<OpenWithRow> ReadListRows(HWND list) {
    std::vector<OpenWithRow> rows;
    const int count = ListView_GetItemCount(list);
    for (int i = 0; i < count; ++i) {
        wchar_t name[MAX_PATH] = {}, path[MAX_PATH] = {};
        ListView_GetItemText(list, i, 0, name, MAX_PATH);
        ListView_GetItemText(list, i, 1, path, MAX_PATH);
        rows.push_back({name, path, ListView_GetItemState(list, i, LVIS_SELECTED) != 0});
    }
    return rows;
}

void FillList(HWND list, const std::vector<OpenWithRow>& rows) {
    ListView_DeleteAllItems(list);
    int focused = -1;
    for (int i = 0; i < (int)rows.size(); ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(rows[i].name.c_str());
        ListView_InsertItem(list, &item);
        ListView_SetItemText(list, i, 1, const_cast<wchar_t*>(rows[i].path.c_str()));
        if (rows[i].selected) {
            ListView_SetItemState(list, i, LVIS_SELECTED, LVIS_SELECTED);
            if (focused < 0) focused = i;
        }
    }
    if (focused >= 0) ListView_SetItemState(list, focused, LVIS_FOCUSED, LVIS_FOCUSED);
}

void InitEditList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_OPENWITH_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 200;
    ListView_InsertColumn(list, 0, &column);
    column.cx = 238 - GetSystemMetrics(SM_CXVSCROLL);
    ListView_InsertColumn(list, 1, &column);
    FillList(list, OpenWithRows());
    if (ListView_GetItemCount(list) > 0) {
        ListView_SetColumnWidth(list, 0, LVSCW_AUTOSIZE);
        ListView_SetColumnWidth(list, 1, LVSCW_AUTOSIZE);
    }
    EnableOpenWithEditFields(dialog, false);
}

void UpdateSelectedRow(HWND dialog, HWND list) {
    const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (row < 0) return;
    wchar_t name[MAX_PATH] = {}, path[MAX_PATH] = {};
    GetDlgItemTextW(dialog, IDC_OPENWITH_NAME, name, MAX_PATH);
    GetDlgItemTextW(dialog, IDC_OPENWITH_PATH, path, MAX_PATH);
    ListView_SetItemText(list, row, 0, name);
    ListView_SetItemText(list, row, 1, path);
    SetFocus(list);
}

}  // namespace

OpenWithChooserHook SetOpenWithChooserHook(OpenWithChooserHook hook) {
    const OpenWithChooserHook previous = g_chooserHook;
    g_chooserHook = hook;
    return previous;
}

bool ChooseOpenWithProgram(HWND owner, wchar_t path[MAX_PATH]) {
    path[0] = 0;
    if (g_chooserHook) return g_chooserHook(owner, path);
    static const wchar_t kFilter[] = L"Program Files (*.exe)\0*.exe\0";
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kFilter;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;
    return GetOpenFileNameW(&ofn) != FALSE;
}

void EnableOpenWithEditFields(HWND dialog, bool enable) {
    for (int id : {IDC_OPENWITH_PATH, IDC_OPENWITH_NAME, IDC_OPENWITH_BROWSE, IDC_OPENWITH_UPDATE})
        EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

INT_PTR CALLBACK OpenWithAddDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, GetParent(dialog) ? GetParent(dialog) : AppState::MainWindow);
        LangApplyDialog(dialog, L"Dlg_OpenWithAddProgram");
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        KeepCurrentDirectory();
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_OPENWITH_BROWSE: BrowseForProgram(dialog); return TRUE;
        case IDOK: {
            wchar_t path[MAX_PATH] = {}, name[MAX_PATH] = {};
            GetDlgItemTextW(dialog, IDC_OPENWITH_PATH, path, MAX_PATH);
            GetDlgItemTextW(dialog, IDC_OPENWITH_NAME, name, MAX_PATH);
            if (!AddOpenWithProgram(path, name)) {
                ShowMessage(MessageOwner{dialog}, L"Invalid specified Path and/or Description!");
                SetFocus(dialog);
                return TRUE;
            }
            CloseOpenWithDialog(dialog, 1);
            return TRUE;
        }
        case IDCANCEL: CloseOpenWithDialog(dialog, -1); return TRUE;
        default: break;
        }
        break;
    default: break;
    }
    return FALSE;
}

INT_PTR CALLBACK OpenWithEditListDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND list = GetDlgItem(dialog, IDC_OPENWITH_LIST);
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, GetParent(dialog) ? GetParent(dialog) : AppState::MainWindow);
        LangApplyDialog(dialog, L"Dlg_OpenWithEditProgramList");
        KeepCurrentDirectory();
        InitEditList(dialog);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != IDC_OPENWITH_LIST || header->code != LVN_ITEMCHANGED) break;
        const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (change->iItem < 0) break;
        const int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
        if (selected >= 0 && (change->uNewState & LVIS_SELECTED)) {
            wchar_t text[MAX_PATH] = {};
            ListView_GetItemText(list, change->iItem, 1, text, MAX_PATH);
            SetDlgItemTextW(dialog, IDC_OPENWITH_PATH, text);
            ListView_GetItemText(list, change->iItem, 0, text, MAX_PATH);
            SetDlgItemTextW(dialog, IDC_OPENWITH_NAME, text);
        }
        EnableOpenWithEditFields(dialog, selected >= 0);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_OPENWITH_BROWSE: BrowseForProgram(dialog); return TRUE;
        case IDC_OPENWITH_UPDATE: UpdateSelectedRow(dialog, list); return TRUE;
        case IDC_OPENWITH_REMOVE:
            for (int i = ListView_GetItemCount(list) - 1; i >= 0; --i)
                if (ListView_GetItemState(list, i, LVIS_SELECTED)) ListView_DeleteItem(list, i);
            EnableOpenWithEditFields(dialog, false);
            return TRUE;
        case IDC_OPENWITH_UP:
        case IDC_OPENWITH_DOWN: {
            std::vector<OpenWithRow> rows = ReadListRows(list);
            MoveOpenWithRows(rows, LOWORD(wParam) == IDC_OPENWITH_UP ? -1 : 1);
            FillList(list, rows);
            SetFocus(list);
            return TRUE;
        }
        case IDC_OPENWITH_REMOVE_ALL:
            ListView_DeleteAllItems(list);
            EnableOpenWithEditFields(dialog, false);
            return TRUE;
        case IDOK:
            StoreOpenWithRows(ReadListRows(list));
            CloseOpenWithDialog(dialog, 1);
            return TRUE;
        case IDCANCEL: CloseOpenWithDialog(dialog, 1); return TRUE;
        default: break;
        }
        break;
    default: break;
    }
    return FALSE;
}
