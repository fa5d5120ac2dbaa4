#include "tools/BatchRename.h"

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "app/AppState.h"
#include "app/Language.h"
#include "app/MediaDocument.h"
#include "app/OpenDialog.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/FileOperations.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "tools_ids.h"

namespace {

uint8_t g_renameIdle = 1;
uint8_t g_renameCancel = 0;
bool g_renameReady = false;

// Splits a file name at its last "." into base and extension (with the ".").
void SplitName(const wchar_t* name, std::wstring* base, std::wstring* extension) {
    const wchar_t* dot = wcsrchr(name, L'.');
    *base = dot ? std::wstring(name, dot) : std::wstring(name);
    *extension = dot ? std::wstring(dot) : std::wstring();
}

FILETIME LastWriteTime(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return FILETIME{};
    return data.ftLastWriteTime;
}

void EnableRenameControls(HWND dialog, bool enable) {
    static const int kIds[] = {IDOK,           IDC_LIST_REMOVE,    IDC_RENAME_ADD,    IDC_LIST_REMOVE_ALL,
                               IDC_LIST_FILES, IDC_RENAME_PATTERN, IDC_RENAME_COUNTER};
    for (int id : kIds) EnableWindow(GetDlgItem(dialog, id), enable);
}

std::wstring RowPath(HWND list, int row) {
    wchar_t path[LIST_SLOT_CHARS] = {};
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = path;
    item.cchTextMax = LIST_SLOT_CHARS;
    SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)&item);
    return path;
}

// New rows go to the top; the list takes duplicates.
void InsertRow(HWND dialog, const wchar_t* path) {
    if (wcslen(path) >= MAX_PATH) return;
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = 0;
    item.pszText = const_cast<wchar_t*>(path);
    SendDlgItemMessageW(dialog, IDC_LIST_FILES, LVM_INSERTITEMW, 0, (LPARAM)&item);
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
}

void AddChosenFiles(HWND dialog) {
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[LIST_OPEN_BUFFER_CHARS]());
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = OpenDialogFilter();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.get();
    ofn.nMaxFile = LIST_OPEN_BUFFER_CHARS;
    ofn.Flags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_ENABLESIZING;
    if (!ShowListOpenDialog(&ofn)) return;
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
    const wchar_t* first = buffer.get();
    const wchar_t* name = first + wcslen(first) + 1;
    if (!*name) {
        InsertRow(dialog, first);
    } else {
        for (; *name; name += wcslen(name) + 1) {
            wchar_t path[MAX_PATH];
            if (JoinOutputPath(path, first, name)) InsertRow(dialog, path);
            else ShowMessage(MessageOwner{dialog}, L"The path is too long: %ls", name);
        }
    }
    UpdateRenamePreview(dialog);
}

// The browser's playlist (on its tab) or its selected files (two or more).
void AddBrowserSelection(HWND dialog) {
    if (!Browser.IsShown()) return;
    if (AppState::BrowserTab == TAB_PLAYLIST && Playlist::Entries && Playlist::Count > 0) {
        for (int i = 0; i < Playlist::Count; ++i) InsertRow(dialog, Playlist::Entries[i].name);
        return;
    }
    HWND view = Browser.fileListWindow;
    if (!view || SendMessageW(view, LVM_GETSELECTEDCOUNT, 0, 0) <= 1) return;
    int items = (int)SendMessageW(view, LVM_GETITEMCOUNT, 0, 0);
    for (int item = 0; item < items; ++item) {
        if (!(SendMessageW(view, LVM_GETITEMSTATE, (WPARAM)item, LVIS_SELECTED) & LVIS_SELECTED)) continue;
        int file = FileIndexFromListIndex(item);
        if (file < 0 || !FileList::Entries) continue;
        wchar_t path[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, path);
        if (AppendPath(path, FileList::Entries[file].name)) InsertRow(dialog, path);
    }
}

unsigned ReadCounter(HWND dialog) { return GetDlgItemInt(dialog, IDC_RENAME_COUNTER, nullptr, FALSE); }

void Rename(HWND dialog) {
    StopCurrentMedia();
    HWND list = GetDlgItem(dialog, IDC_LIST_FILES);
    int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    PathSlots slots;
    if (!slots.Allocate(count)) {
        ShowMessage(MessageOwner{dialog}, L"Failed to allocate Memory to hold the filenameslist!!");
        return;
    }
    for (int i = 0; i < count; ++i) CopyStringW(slots[i], RowPath(list, i).c_str(), LIST_SLOT_CHARS);
    wchar_t errorText[FORMAT_ERROR_CHARS] = {};
    if (!RunBatchRename(dialog, slots.Data(), count, errorText)) ShowFailedAt(dialog, errorText);
    RestoreCurrentFolder();
    SetFocus(dialog);
    if (Browser.IsShown() && Browser.fileListWindow &&
        SendMessageW(Browser.fileListWindow, LVM_GETSELECTEDCOUNT, 0, 0) > 1) {
        wchar_t folder[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, folder);
        Browser.ChangeFolder(folder, BROWSER_OPEN_GIVEN_PATH, true);
    }
}

void InitDialog(HWND dialog) {
    g_renameReady = false;
    CenterWindow(dialog, AppState::MainWindow);
    LangApplyDialog(dialog, L"Dlg_BatchRename");
    StoreCurrentFolder();
    g_renameCancel = 0;
    g_renameIdle = 1;
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    ShowWindow(GetDlgItem(dialog, IDC_LIST_PROGRESS), SW_HIDE);
    SendDlgItemMessageW(dialog, IDC_RENAME_PATTERN, EM_LIMITTEXT, RENAME_PATTERN_CHARS - 1, 0);
    SetDlgItemInt(dialog, IDC_RENAME_COUNTER, 1, FALSE);
    SetDlgItemTextW(dialog, IDC_RENAME_PATTERN, L"*");
    HWND list = GetDlgItem(dialog, IDC_LIST_FILES);
    int headers = 0;
    auto names = LangGetList(L"Dlg_RenameMultiple", L"ListHeaders", &headers, L"New name|Old name");
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 50;
    column.pszText = headers > 1 ? names[1] : const_cast<wchar_t*>(L"Old name");
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);
    column.pszText = headers > 0 ? names[0] : const_cast<wchar_t*>(L"New name");
    SendMessageW(list, LVM_INSERTCOLUMNW, 1, (LPARAM)&column);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    AddBrowserSelection(dialog);
    UpdateRenamePreview(dialog);
    g_renameReady = true;
}

}  // namespace

bool ExpandRenamePattern(wchar_t* out, const wchar_t* oldName, const wchar_t* pattern, unsigned counter,
                         const FILETIME& lastWrite) {
    std::wstring base, extension;
    SplitName(oldName, &base, &extension);
    SYSTEMTIME utc = {}, local = {};
    FileTimeToSystemTime(&lastWrite, &utc);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) local = utc;
    std::wstring name;
    wchar_t piece[64];
    for (const wchar_t* p = pattern; *p;) {
        if (*p == L'*') {
            name += base;
            ++p;
        } else if (*p == L'#') {
            int run = 0;
            while (p[run] == L'#') ++run;
            swprintf(piece, 64, L"%.*u", run > 9 ? 9 : run, counter);
            name += piece;
            p += run;
        } else if (*p == L'$') {
            wchar_t next = p[1];
            if (next == L'D' || next == L'd') {
                swprintf(piece, 64, L"%.4d-%.2d-%.2d", local.wYear, local.wMonth, local.wDay);
                name += piece;
                p += 2;
            } else if (next == L'T' || next == L't') {
                swprintf(piece, 64, L"%.2dh%.2dm%.2ds", local.wHour, local.wMinute, local.wSecond);
                name += piece;
                p += 2;
            } else {
                ++p;  // the "$" is dropped, the next character handled as usual
            }
        } else {
            name += *p++;
        }
        if (name.size() >= MAX_PATH) break;
    }
    name += extension;
    out[0] = 0;
    if (name.size() >= MAX_PATH) return false;
    CopyStringW(out, name.c_str());
    return true;
}

void UpdateRenamePreview(HWND dialog) {
    wchar_t pattern[RENAME_PATTERN_CHARS] = {};
    GetDlgItemTextW(dialog, IDC_RENAME_PATTERN, pattern, RENAME_PATTERN_CHARS);
    unsigned start = ReadCounter(dialog);
    HWND list = GetDlgItem(dialog, IDC_LIST_FILES);
    int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        std::wstring path = RowPath(list, i);
        wchar_t name[MAX_PATH];
        if (!ExpandRenamePattern(name, FileNamePart(path.c_str()), pattern, start + (unsigned)i,
                                 LastWriteTime(path.c_str())))
            name[0] = 0;
        LVITEMW item = {};
        item.iSubItem = 1;
        item.pszText = name;
        SendMessageW(list, LVM_SETITEMTEXTW, i, (LPARAM)&item);
    }
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE);
}

bool RunBatchRename(RunProgress& progress, const wchar_t* paths, int count, const wchar_t* pattern, unsigned start,
                    wchar_t* errorText) {
    progress.Begin(count);
    errorText[0] = 0;
    bool lastOk = false;
    for (int b = 0; b < count; ++b) {
        progress.Item(b, count);
        const wchar_t* oldPath = paths + (size_t)b * LIST_SLOT_CHARS;
        const wchar_t* name = FileNamePart(oldPath);
        std::wstring folder(oldPath, name);
        wchar_t newName[MAX_PATH], newPath[MAX_PATH];
        lastOk = ExpandRenamePattern(newName, name, pattern, start + (unsigned)b, LastWriteTime(oldPath)) &&
                 JoinOutputPath(newPath, folder.c_str(), newName);
        if (!lastOk) {
            swprintf(errorText, FORMAT_ERROR_CHARS, L"The path is too long: %ls", oldPath);
        } else {
            // A name given onto itself needs no move.
            lastOk = wcscmp(oldPath, newPath) == 0 || MoveFileW(oldPath, newPath);
            if (!lastOk)
                swprintf(errorText, FORMAT_ERROR_CHARS, L"Failed to rename file from %ls to %ls!", oldPath, newPath);
        }
        progress.Step();
        if (!lastOk || progress.Cancelled()) break;
    }
    progress.End();
    return lastOk;
}

bool RunBatchRename(HWND dialog, const wchar_t* paths, int count, wchar_t* errorText) {
    wchar_t pattern[RENAME_PATTERN_CHARS] = {};
    GetDlgItemTextW(dialog, IDC_RENAME_PATTERN, pattern, RENAME_PATTERN_CHARS);
    DialogRunProgress progress(dialog, g_renameIdle, g_renameCancel, EnableRenameControls);
    return RunBatchRename(progress, paths, count, pattern, ReadCounter(dialog), errorText);
}

INT_PTR CALLBACK BatchRenameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        InitDialog(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    int id = LOWORD(wParam);
    int code = HIWORD(wParam);
    HWND list = GetDlgItem(dialog, IDC_LIST_FILES);
    switch (id) {
    case IDC_RENAME_PATTERN:
    case IDC_RENAME_COUNTER:
        if (code == EN_CHANGE && g_renameReady) UpdateRenamePreview(dialog);
        return TRUE;
    case IDC_RENAME_ADD: AddChosenFiles(dialog); return TRUE;
    case IDC_LIST_REMOVE: {
        int selected = (int)SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0);
        for (int i = 0; i < selected; ++i) {
            int row = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
            if (row >= 0) SendMessageW(list, LVM_DELETEITEM, row, 0);
        }
        // The rows below moved up: their numbers change.
        UpdateRenamePreview(dialog);
        return TRUE;
    }
    case IDC_LIST_REMOVE_ALL:
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        return TRUE;
    case IDOK: Rename(dialog); return TRUE;
    case IDCANCEL: HandleListToolCancel(dialog, g_renameIdle, g_renameCancel); return TRUE;
    default: return FALSE;
    }
}
