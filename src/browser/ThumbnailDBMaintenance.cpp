#include "browser/ThumbnailDBMaintenance.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cstdio>
#include <cwchar>

#include "browser/FileListView.h"
#include "app/AppState.h"
#include "browser/ThumbnailDB.h"
#include "browser_ids.h"
#include "image/Common.h"

namespace {

std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring wide((size_t)n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &wide[0], n);
    return wide;
}

}  // namespace

std::vector<std::wstring> ListCachedFolders(bool* opened) {
    std::vector<std::wstring> folders;
    const std::wstring ini = ThumbDBIndexPath();
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
    FILE* file = _wfopen(ini.c_str(), L"rb");
    if (opened) *opened = file != nullptr;
    if (!file) return folders;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof(buffer), file)) > 0;) text.append(buffer, n);
    fclose(file);

    // The keys after the section header, but for the folder count.
    size_t at = text.find('[');
    if (at == std::string::npos) return folders;
    at = text.find('\n', at);
    while (at != std::string::npos && at < text.size()) {
        const size_t start = at + 1;
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        at = end;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') break;  // another section
        const size_t equals = line.find('=');
        const std::string key = line.substr(0, equals);
        if (key.empty() || equals == std::string::npos || _stricmp(key.c_str(), "DirCount") == 0) continue;
        folders.push_back(FromAnsi(key));
    }
    return folders;
}

CachedFolderFigures ReadCachedFolderFigures(const wchar_t* folder) {
    CachedFolderFigures figures;
    wchar_t name[MAX_PATH] = {};
    GetPrivateProfileStringW(L"Directories", folder, L"", name, MAX_PATH, ThumbDBIndexPath().c_str());
    figures.cacheName = name;
    if (!name[0] || wcspbrk(name, L"\\/:")) return figures;
    FILE* file = _wfopen((ThumbDBCacheFolder() + L"\\" + name).c_str(), L"rb");
    if (!file) return figures;
    ThumbCacheHeader header = {};
    if (fread(&header, sizeof(header), 1, file) == 1) {
        figures.readable = true;
        figures.cellWidth = header.cellWidth;
        figures.cellHeight = header.cellHeight;
        uint16_t count = 0;
        if (_fseeki64(file, header.indexOffset, SEEK_SET) == 0 && fread(&count, sizeof(count), 1, file) == 1)
            figures.count = count;
        _fseeki64(file, 0, SEEK_END);
        const int64_t size = _ftelli64(file);
        figures.fileSize = size > 0 ? (uint64_t)size : 0;
    }
    fclose(file);
    return figures;
}

std::wstring FormatCacheSize(uint64_t bytes) {
    wchar_t text[32];
    FormatSizeMB(text, bytes);
    return text;
}

int RemoveInvalidFolders(const std::vector<std::wstring>& folders) {
    int removed = 0;
    for (const auto& folder : folders) {
        if (PathIsUNCW(folder.c_str()) || PathFileExistsW(folder.c_str())) continue;
        RemoveFolderFromThumbDB(folder.c_str());
        ++removed;
    }
    return removed;
}

bool DeleteWholeThumbDB(const std::vector<std::wstring>& folders) {
    for (const auto& folder : folders) RemoveFolderFromThumbDB(folder.c_str());
    const std::wstring ini = ThumbDBIndexPath();
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
    if (!DeleteFileW(ini.c_str())) {
        ShowMessage(L"Unable to delete dbt file!");
        return false;
    }
    return true;
}

// ---- the dialog ----

namespace {

// What the dialog holds while it is open: the folders its list shows, in
// list order (empty when qrv.dbt could not be read).
struct MaintenanceState {
    std::vector<std::wstring> folders;
};

MaintenanceState* StateOf(HWND dialog) {
    return reinterpret_cast<MaintenanceState*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void InsertRow(HWND list, int row, const std::wstring& folder, const CachedFolderFigures* figures) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = const_cast<wchar_t*>(folder.c_str());
    SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
    if (!figures) return;
    wchar_t count[16], cell[32];
    swprintf(count, 16, L"%d", figures->count);
    swprintf(cell, 32, L"%dx%d", figures->cellWidth, figures->cellHeight);
    const std::wstring size = FormatCacheSize(figures->fileSize);
    const wchar_t* texts[] = {count, cell, size.c_str()};
    for (int column = 1; column <= 3; ++column) {
        LVITEMW sub = {};
        sub.iSubItem = column;
        sub.pszText = const_cast<wchar_t*>(texts[column - 1]);
        SendMessageW(list, LVM_SETITEMTEXTW, row, (LPARAM)&sub);
    }
}

// Lists the cached folders with their figures and the total size; the three
// remove buttons work only while there is a folder to remove.
void FillMaintenanceList(HWND dialog) {
    MaintenanceState* state = StateOf(dialog);
    HWND list = GetDlgItem(dialog, IDC_DBMAINT_LIST);
    if (!state || !list) return;
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    bool opened = false;
    state->folders = ListCachedFolders(&opened);
    uint64_t total = 0;
    if (!opened) {
        InsertRow(list, 0, L"Unable to open qrv.dbt file", nullptr);
    } else {
        const std::wstring index = ThumbDBIndexPath();
        for (size_t i = 0; i < state->folders.size(); ++i) {
            const std::wstring& folder = state->folders[i];
            const CachedFolderFigures figures = ReadCachedFolderFigures(folder.c_str());
            if (figures.cacheName.empty()) {
                ShowMessage(MessageOwner{dialog}, L"Unable to read: %s - %s", index.c_str(), folder.c_str());
            } else if (!figures.readable) {
                ShowMessage(MessageOwner{dialog}, L"Unable to open: %s!",
                            (ThumbDBCacheFolder() + L"\\" + figures.cacheName).c_str());
            }
            InsertRow(list, (int)i, folder, figures.readable ? &figures : nullptr);
            if (figures.readable) total += figures.fileSize;
        }
    }
    const bool any = opened && !state->folders.empty();
    for (int id : {IDC_DBMAINT_DELETE_SELECTED, IDC_DBMAINT_DELETE_ALL, IDC_DBMAINT_REMOVE_INVALID})
        EnableWindow(GetDlgItem(dialog, id), any);
    wchar_t text[64];
    swprintf(text, 64, L"Total Cachesize:\n%ls", FormatCacheSize(total).c_str());
    SetDlgItemTextW(dialog, IDC_DBMAINT_TOTAL, text);
}

bool InitMaintenanceDialog(HWND dialog) {
    CenterWindow(dialog, AppState::MainWindow);
    HWND list = GetDlgItem(dialog, IDC_DBMAINT_LIST);
    if (!list) {
        ShowMessage(MessageOwner{dialog}, L"No Listhandle!!");
        return false;
    }
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    static const wchar_t* const headers[] = {L"Cached Folder", L"Imagecount", L"Imagesize", L"Filesize"};
    static const int widths[] = {320, 80, 60, 70};
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.cx = widths[i];
        column.pszText = const_cast<wchar_t*>(headers[i]);
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, (LPARAM)&column);
    }
    FillMaintenanceList(dialog);
    return true;
}

void DeleteSelectedFolders(HWND dialog) {
    MaintenanceState* state = StateOf(dialog);
    HWND list = GetDlgItem(dialog, IDC_DBMAINT_LIST);
    if (!state || !list) return;
    for (int i = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED); i >= 0;
         i = (int)SendMessageW(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))
        if (i < (int)state->folders.size()) RemoveFolderFromThumbDB(state->folders[i].c_str());
    FillMaintenanceList(dialog);
}

void DeleteAllFolders(HWND dialog) {
    MaintenanceState* state = StateOf(dialog);
    if (!state) return;
    if (AskYesNo(MessageOwner{dialog}, L"Quorvane DataBase Maintenance",
                 L"Are you sure you want to delete the whole database?") != IDYES)
        return;
    DeleteWholeThumbDB(state->folders);
    // Nothing is cached any more: an empty list, nothing left to remove.
    state->folders.clear();
    SendDlgItemMessageW(dialog, IDC_DBMAINT_LIST, LVM_DELETEALLITEMS, 0, 0);
    for (int id : {IDC_DBMAINT_DELETE_SELECTED, IDC_DBMAINT_DELETE_ALL, IDC_DBMAINT_REMOVE_INVALID})
        EnableWindow(GetDlgItem(dialog, id), FALSE);
    wchar_t text[64];
    swprintf(text, 64, L"Total Cachesize:\n%ls", FormatCacheSize(0).c_str());
    SetDlgItemTextW(dialog, IDC_DBMAINT_TOTAL, text);
}

void RemoveInvalidFoldersOfDialog(HWND dialog) {
    MaintenanceState* state = StateOf(dialog);
    if (!state) return;
    const int removed = RemoveInvalidFolders(state->folders);
    if (removed > 0) ShowMessage(MessageOwner{dialog}, L"Removed %d invalid folder from the cache.", removed);
    else ShowMessage(MessageOwner{dialog}, L"No invalid folder was found to be removed from the cache.");
    SetForegroundWindow(dialog);
    FillMaintenanceList(dialog);
}

}  // namespace

INT_PTR CALLBACK DBMaintenanceDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrW(dialog, DWLP_USER, (LONG_PTR) new MaintenanceState);
        InitMaintenanceDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL: EndDialog(dialog, LOWORD(wParam)); return TRUE;
        case IDC_DBMAINT_DELETE_SELECTED: DeleteSelectedFolders(dialog); return TRUE;
        case IDC_DBMAINT_DELETE_ALL: DeleteAllFolders(dialog); return TRUE;
        case IDC_DBMAINT_REMOVE_INVALID: RemoveInvalidFoldersOfDialog(dialog); return TRUE;
        default: break;
        }
        break;
    case WM_DESTROY:
        delete StateOf(dialog);
        SetWindowLongPtrW(dialog, DWLP_USER, 0);
        break;
    default: break;
    }
    return FALSE;
}
