// File operations: every change on disk is one SHFileOperationW, so the
// shell shows its own progress and error boxes and deletes can go to the
// recycle bin. The lists follow the disk afterwards, not the plan.
#include "browser/FileOperations.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <functional>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/FolderChooser.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/ProgressBar.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/FileList.h"
#include "browser/FileListView.h"
#include "command_ids.h"
#include "formats/Formats.h"
#include "image/Common.h"

namespace {

constexpr size_t kMessageLimit = 1024;
constexpr int kProgressMinimum = 3;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool PathExists(const wchar_t* path) { return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const wchar_t* path) {
    const DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// A path as the shell wants it in pFrom/pTo: the path, a zero and a second zero.
std::wstring DoubleZero(const wchar_t* path) {
    std::wstring list = path ? path : L"";
    list.push_back(L'\0');
    list.push_back(L'\0');
    return list;
}

// The full form of a path for comparisons (the path itself when it cannot be had).
std::wstring FullPath(const wchar_t* path) {
    wchar_t full[MAX_PATH] = {};
    const DWORD n = GetFullPathNameW(path, MAX_PATH, full, nullptr);
    std::wstring result = (n > 0 && n < MAX_PATH) ? full : path;
    while (result.size() > 3 && IsSeparator(result.back())) result.pop_back();
    return result;
}

bool SamePath(const wchar_t* a, const wchar_t* b) { return _wcsicmp(FullPath(a).c_str(), FullPath(b).c_str()) == 0; }

// Whether the viewer shows the file at path.
bool ViewerShows(const wchar_t* path) {
    const wchar_t* current = AppState::CurrentFile;
    if (!current[0] || !path || !path[0]) return false;
    if (wcschr(current, L'\\') || wcschr(current, L'/')) return SamePath(current, path);
    return _wcsicmp(current, FileNamePart(path)) == 0;
}

// Players keep their file open; the shell cannot move or delete it meanwhile.
bool CurrentFormatHoldsFile() {
    const int id = AppState::CurrentFormatId;
    return id == FMT_MNG || id == FMT_QTMOVIE || id == FMT_SOUND || id == FMT_VIDEO;
}

bool EnsureFolder(const wchar_t* folder) {
    if (!folder || !folder[0]) return false;
    if (IsFolder(folder)) return true;
    return CreateDirectoryW(folder, nullptr) || IsFolder(folder);
}

HWND ListWindow() { return Browser.IsShown() ? Browser.fileListWindow : nullptr; }

// The list's selected items, last first (removing them keeps the others' indexes).
std::vector<int> SelectedItemsLastFirst(HWND list) {
    std::vector<int> items;
    if (!list) return items;
    for (int i = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED); i >= 0;
         i = (int)SendMessageW(list, LVM_GETNEXTITEM, i, LVNI_SELECTED))
        items.push_back(i);
    std::reverse(items.begin(), items.end());
    return items;
}

const wchar_t* ItemName(int item) {
    if (item < 0) return nullptr;
    if (item < FileList::SubfolderCount) return FileList::Subfolders ? FileList::Subfolders[item].name : nullptr;
    const int file = FileIndexFromListIndex(item);
    return file >= 0 && FileList::Entries ? FileList::Entries[file].name : nullptr;
}

// Removes file entry index and keeps FileList::Current on the same file (on the
// one that follows when it was the removed one).
void RemoveFileEntry(int index) {
    if (!RemoveMediaFileEntry(FileList::Entries, index, &FileList::Count)) return;
    if (index < FileList::Current) --FileList::Current;
}

// Removes list item `item` with its entry (file or subfolder); true for a file.
bool RemoveListItem(HWND list, int item) {
    bool file = false;
    if (item < FileList::SubfolderCount) {
        RemoveMediaFileEntry(FileList::Subfolders, item, &FileList::SubfolderCount);
    } else {
        RemoveFileEntry(FileIndexFromListIndex(item));
        file = true;
    }
    DeleteListItem(list, item);
    if (FileList::SelectedItem == item) FileList::SelectedItem = -1;
    else if (FileList::SelectedItem > item) --FileList::SelectedItem;
    return file;
}

class ProgressScope {
public:
    explicit ProgressScope(int count) : bar_(count >= kProgressMinimum ? CreateProgressBar(count) : nullptr) {}
    ~ProgressScope() {
        if (bar_) DestroyProgressBar(bar_);
    }
    void Step() {
        if (bar_) StepProgressBar(bar_);
    }

private:
    HWND bar_;
};

void RefreshTree() {
    if (Browser.IsShown()) RefreshTreeSelection(Browser.folderTreeWindow);
}

// After files left the list: the current entry (in folder) is opened, or the
// viewer's media closed when none is left; the list selects it.
void ReopenCurrent(const wchar_t* folder) {
    if (FileList::Count <= 0) {
        CloseCurrentMedia();
        return;
    }
    if (FileList::Current < 0 || FileList::Current >= FileList::Count) FileList::Current = 0;
    wchar_t path[MAX_PATH];
    if (!JoinFolderAndName(path, folder, FileList::Entries[FileList::Current].name)) return;
    OpenMediaFile(path);
    HWND list = ListWindow();
    if (!list) return;
    SetFocus(list);
    const int item = FileList::SubfolderCount + FileList::Current;
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&state);
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    FileList::SelectedItem = item;  // the list's notice must not open it a second time
    SendMessageW(list, LVM_SETITEMSTATE, item, (LPARAM)&state);
    SendMessageW(list, LVM_ENSUREVISIBLE, item, FALSE);
}

// The path of the viewer's current file (current directory + entry name).
bool CurrentEntryPath(wchar_t* path, wchar_t* folder) {
    if (!FileList::Entries || FileList::Current < 0 || FileList::Current >= FileList::Count) return false;
    GetCurrentDirectoryW(MAX_PATH, folder);
    return JoinFolderAndName(path, folder, FileList::Entries[FileList::Current].name);
}

bool TransferFileIntoFolder(UINT function, const wchar_t* file, const wchar_t* targetFolder,
                            wchar_t* transferredPath = nullptr) {
    if (transferredPath) transferredPath[0] = L'\0';
    if (!file || !file[0] || !targetFolder || !targetFolder[0]) return false;
    wchar_t destination[MAX_PATH];
    if (!JoinFolderAndName(destination, targetFolder, FileNamePart(file))) return false;
    if (function == FO_MOVE && SamePath(file, destination)) return false;  // already there
    if (!EnsureFolder(targetFolder)) return false;
    MakeFreeFileName(destination);
    // No free name left: the shell would not pick one but overwrite the file
    // there (Wine ignores rename-on-collision), so nothing is done.
    if (PathExists(destination)) return false;
    const bool shown = function == FO_MOVE && ViewerShows(file);
    if (shown) StopCurrentMedia();
    const bool ok =
        RunFileOperation(function, file, destination, FOF_NOCONFIRMMKDIR | FOF_NOCONFIRMATION | FOF_RENAMEONCOLLISION,
                         AppState::MainWindow);
    if (shown && !PathExists(file)) CloseCurrentMedia();
    if (!ok) return false;
    SetFileAttributesW(destination, FILE_ATTRIBUTE_NORMAL);
    if (transferredPath) CopyStringW(transferredPath, destination);
    return true;
}

bool TransferFolderInto(UINT function, const wchar_t* folder, const wchar_t* targetFolder, HWND owner) {
    if (!folder || !folder[0] || !targetFolder || !targetFolder[0]) return false;
    if (IsSameOrBelowFolder(folder, targetFolder)) return false;
    std::wstring name = FullPath(folder);
    wchar_t destination[MAX_PATH];
    if (!JoinFolderAndName(destination, targetFolder, FileNamePart(name.c_str()))) return false;
    if (function == FO_MOVE && SamePath(folder, destination)) return false;
    if (!EnsureFolder(targetFolder)) return false;
    // A folder of that name stays as it is: the new one goes in beside it.
    MakeFreeFileName(destination, MAX_PATH, true);
    if (PathExists(destination)) return false;
    return RunFileOperation(function, folder, destination, FOF_NOCONFIRMMKDIR | FOF_NOCONFIRMATION,
                            owner ? owner : AppState::MainWindow);
}

// Copies or moves each selected item of the list (last first) into target;
// after(item, path, done) follows each item. True when every item went.
bool TransferSelection(HWND list, const wchar_t* folder, const wchar_t* target, UINT function,
                       const std::function<void(int, const wchar_t*, bool)>& after) {
    const std::vector<int> items = SelectedItemsLastFirst(list);
    ProgressScope progress((int)items.size());
    bool all = true;
    for (int item : items) {
        wchar_t path[MAX_PATH];
        const wchar_t* name = ItemName(item);
        if (!name || !JoinFolderAndName(path, folder, name)) {
            all = false;
        } else {
            const bool done = item < FileList::SubfolderCount ? TransferFolderInto(function, path, target, list)
                                                              : TransferFileIntoFolder(function, path, target);
            all = all && done;
            if (after) after(item, path, done);
        }
        progress.Step();
    }
    return all;
}

}  // namespace

// ---- arithmetic ----

const wchar_t* FileNamePart(const wchar_t* path) {
    if (!path) return L"";
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (IsSeparator(*p)) name = p + 1;
    return name;
}

bool JoinFolderAndName(wchar_t* out, const wchar_t* folder, const wchar_t* name) {
    std::wstring joined = folder ? folder : L"";
    if (!joined.empty() && !IsSeparator(joined.back())) joined += L'\\';
    joined += name ? name : L"";
    if (joined.size() >= MAX_PATH) {
        out[0] = 0;
        return false;
    }
    wcscpy(out, joined.c_str());
    return true;
}

void MakeFreeFileName(wchar_t* path, size_t size, bool asFolder) {
    if (!path || !path[0] || !PathExists(path)) return;
    const std::wstring whole = path;
    const size_t nameStart = FileNamePart(path) - path;
    size_t split = whole.size();
    if (!asFolder) {
        const size_t dot = whole.rfind(L'.');
        if (dot != std::wstring::npos && dot > nameStart) split = dot;
    }
    const std::wstring base = whole.substr(0, split), extension = whole.substr(split);
    for (int n = 1; n <= 99; ++n) {
        const std::wstring candidate = base + L" (" + std::to_wstring(n) + L")" + extension;
        if (candidate.size() >= size) return;
        if (!PathExists(candidate.c_str())) {
            wcscpy(path, candidate.c_str());
            return;
        }
    }
}

bool IsSameOrBelowFolder(const wchar_t* folder, const wchar_t* target) {
    if (!folder || !target || !folder[0] || !target[0]) return false;
    const std::wstring f = FullPath(folder), t = FullPath(target);
    if (t.size() < f.size() || _wcsnicmp(f.c_str(), t.c_str(), f.size()) != 0) return false;
    return t.size() == f.size() || IsSeparator(t[f.size()]) || IsSeparator(f.back());
}

std::wstring FormatPathListMessage(const wchar_t* head, const std::vector<std::wstring>& paths) {
    // Room for the head, the paths and a last "..." line inside the box's limit.
    const size_t limit = kMessageLimit - 1 - 5;
    std::wstring text = head ? head : L"";
    for (size_t i = 0; i < paths.size(); ++i) {
        if (text.size() + paths[i].size() + 2 > limit) {
            text += L"...";
            return text;
        }
        text += paths[i];
        text += L"\r\n";
    }
    return text;
}

void TidyTargetHistory(std::vector<std::wstring>& history) {
    std::vector<std::wstring> kept;
    for (const std::wstring& entry : history) {
        if (entry.empty()) continue;
        bool seen = false;
        for (const std::wstring& k : kept)
            if (_wcsicmp(k.c_str(), entry.c_str()) == 0) seen = true;
        if (!seen) kept.push_back(entry);
        if ((int)kept.size() == kTargetHistoryLimit) break;
    }
    history.swap(kept);
}

void PushTargetHistory(std::vector<std::wstring>& history, const std::wstring& target) {
    if (target.empty()) return;
    history.insert(history.begin(), target);
    TidyTargetHistory(history);
}

bool IsPlainFileName(const wchar_t* name) {
    if (!name || !name[0]) return false;
    if (wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0) return false;
    for (const wchar_t* p = name; *p; ++p)
        if (*p < 32 || wcschr(L"\\/:*?\"<>|", *p)) return false;
    return true;
}

// ---- shell operations ----

bool RunFileOperation(UINT function, const wchar_t* from, const wchar_t* to, FILEOP_FLAGS flags, HWND owner) {
    const std::wstring source = DoubleZero(from);
    const std::wstring destination = DoubleZero(to);
    SHFILEOPSTRUCTW op = {};
    op.hwnd = owner;
    op.wFunc = function;
    op.pFrom = source.c_str();
    op.pTo = to ? destination.c_str() : nullptr;
    op.fFlags = flags;
    const int result = SHFileOperationW(&op);
    return result == 0 && !op.fAnyOperationsAborted;
}

bool CopyFileIntoFolder(const wchar_t* file, const wchar_t* targetFolder, wchar_t* copiedPath) {
    return TransferFileIntoFolder(FO_COPY, file, targetFolder, copiedPath);
}

bool MoveFileIntoFolder(const wchar_t* file, const wchar_t* targetFolder) {
    return TransferFileIntoFolder(FO_MOVE, file, targetFolder);
}

bool CopyFolderInto(const wchar_t* folder, const wchar_t* targetFolder, HWND owner) {
    return TransferFolderInto(FO_COPY, folder, targetFolder, owner);
}

bool MoveFolderInto(const wchar_t* folder, const wchar_t* targetFolder, HWND owner) {
    return TransferFolderInto(FO_MOVE, folder, targetFolder, owner);
}

bool DeleteOneFile(const wchar_t* path, bool toRecycleBin) {
    if (!path || !path[0]) return false;
    const bool shown = ViewerShows(path);
    if (shown) StopCurrentMedia();
    FILEOP_FLAGS flags = FOF_NOCONFIRMATION;
    if (toRecycleBin) flags |= FOF_ALLOWUNDO | FOF_WANTNUKEWARNING;
    RunFileOperation(FO_DELETE, path, nullptr, flags, AppState::MainWindow);
    const bool gone = !PathExists(path);
    if (shown && gone) CloseCurrentMedia();
    return gone;
}

bool CopySelectedFiles(const wchar_t* targetFolder) {
    if (!targetFolder || !targetFolder[0]) return false;
    const bool player = AppState::CurrentFormatId == FMT_MNG || AppState::CurrentFormatId == FMT_QTMOVIE;
    if (player) StopCurrentMedia();
    bool all = EnsureFolder(targetFolder);
    HWND list = ListWindow();
    if (all && !list) {
        wchar_t path[MAX_PATH], folder[MAX_PATH];
        if (!CurrentEntryPath(path, folder)) {
            all = false;
        } else if (!CopyFileIntoFolder(path, targetFolder)) {
            ShowMessage(L"Unable to copy the file from\r\n %s\r\n to\r\n %s", FileList::Entries[FileList::Current].name,
                        targetFolder);
            all = false;
        }
    } else if (all) {
        wchar_t folder[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, folder);
        all = TransferSelection(list, folder, targetFolder, FO_COPY, nullptr);
        RefreshTree();
    }
    if (player && AppState::MainWindow) PostMessageW(AppState::MainWindow, WM_COMMAND, IDM_RELOAD_MEDIA, 0);
    return all;
}

bool MoveSelectedFiles(const wchar_t* targetFolder) {
    if (!targetFolder || !targetFolder[0]) return false;
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    StopCurrentMedia();
    if (!EnsureFolder(targetFolder)) return false;
    HWND list = ListWindow();
    bool fileMoved = false, all = true;
    if (!list) {
        wchar_t path[MAX_PATH];
        if (!CurrentEntryPath(path, folder)) return false;
        if (!MoveFileIntoFolder(path, targetFolder)) {
            ShowMessage(L"Unable to move the file from\r\n %s\r\n to\r\n %s", path, targetFolder);
            if (PathExists(path)) return false;
            all = false;  // reported as failed, yet gone from here
        }
        RemoveFileEntry(FileList::Current);
        fileMoved = true;
    } else {
        all = TransferSelection(list, folder, targetFolder, FO_MOVE, [&](int item, const wchar_t* path, bool ok) {
            // A failed or cancelled move may still have taken the item away.
            if (ok || !PathExists(path)) fileMoved = RemoveListItem(list, item) || fileMoved;
        });
        ArrangeThumbnailGrid(list);
        RefreshTree();
    }
    if (fileMoved) ReopenCurrent(folder);
    return all;
}

void DeleteSelectedFiles(bool forGood) {
    if (!forGood && AskYesNo(L"Erase Confirmation:", L"Really delete to the Recycle Bin?") != IDYES) return;
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    HWND list = ListWindow();
    if (!list) {
        wchar_t path[MAX_PATH];
        if (!CurrentEntryPath(path, folder)) return;
        if (!DeleteOneFile(path, !forGood)) {
            ShowMessage(L"Failed to delete the file: %s!", path);
            return;
        }
        RemoveFileEntry(FileList::Current);
        ReopenCurrent(folder);
        return;
    }

    struct Planned {
        int item;
        std::wstring path;
    };
    std::vector<Planned> planned;
    std::wstring paths;
    bool shownInList = false;
    for (int item : SelectedItemsLastFirst(list)) {
        wchar_t path[MAX_PATH];
        const wchar_t* name = ItemName(item);
        if (!name || !JoinFolderAndName(path, folder, name)) continue;
        planned.push_back({item, path});
        paths += path;
        paths.push_back(L'\0');
        if (item >= FileList::SubfolderCount && ViewerShows(path)) shownInList = true;
    }
    if (planned.empty()) return;
    paths.push_back(L'\0');

    ProgressScope progress((int)planned.size());
    if (shownInList) StopCurrentMedia();
    FILEOP_FLAGS flags = FOF_NOCONFIRMATION;
    if (!forGood) flags |= FOF_ALLOWUNDO | FOF_WANTNUKEWARNING;
    SHFILEOPSTRUCTW op = {};
    op.hwnd = AppState::MainWindow;
    op.wFunc = FO_DELETE;
    op.pFrom = paths.c_str();
    op.fFlags = flags;
    const bool ok = SHFileOperationW(&op) == 0 && !op.fAnyOperationsAborted;

    // Only what is gone leaves the lists.
    bool fileGone = false, shownGone = false;
    std::vector<std::wstring> remaining;
    for (const Planned& p : planned) {
        if (PathExists(p.path.c_str())) {
            remaining.insert(remaining.begin(), p.path);
            progress.Step();
            continue;
        }
        if (p.item >= FileList::SubfolderCount && ViewerShows(p.path.c_str())) shownGone = true;
        fileGone = RemoveListItem(list, p.item) || fileGone;
        progress.Step();
    }
    if (shownGone) CloseCurrentMedia();
    if (!ok && !remaining.empty())
        ShowMessage(L"%s", FormatPathListMessage(L"Unable to delete file(s)\r\n", remaining).c_str());
    ArrangeThumbnailGrid(list);
    RefreshTree();
    if (fileGone) ReopenCurrent(folder);
}

// ---- the rename dialog ----

namespace {

// The list item that is both focused and selected (browser shown), or -1.
int FocusedSelectedItem() {
    HWND list = ListWindow();
    return list ? (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED | LVNI_SELECTED) : -1;
}

// The name to rename: the list's focused item or the viewer's current entry;
// item is -1 in the viewer. False (after the message in the browser) when none.
bool RenameSource(int* item, std::wstring* name) {
    *item = -1;
    if (ListWindow()) {
        *item = FocusedSelectedItem();
        const wchar_t* n = ItemName(*item);
        if (*item < 0 || !n) {
            ShowMessage(L"Rename: Index is -1!!!");
            return false;
        }
        *name = n;
        return true;
    }
    if (!FileList::Entries || FileList::Current < 0 || FileList::Current >= FileList::Count) return false;
    *name = FileList::Entries[FileList::Current].name;
    return true;
}

// One rename through the shell. A change of case only goes through a free
// temporary name, since the shell takes the new name for an existing file.
bool RenameOnDisk(const wchar_t* from, const wchar_t* to) {
    const FILEOP_FLAGS flags = FOF_NOCONFIRMMKDIR | FOF_NOCONFIRMATION;
    if (_wcsicmp(from, to) != 0) return RunFileOperation(FO_RENAME, from, to, flags, AppState::MainWindow);
    wchar_t step[MAX_PATH];
    if (wcslen(from) + 8 >= MAX_PATH) return false;
    swprintf(step, MAX_PATH, L"%ls.rename", from);
    MakeFreeFileName(step);
    if (PathExists(step) || !RunFileOperation(FO_RENAME, from, step, flags, AppState::MainWindow)) return false;
    if (RunFileOperation(FO_RENAME, step, to, flags, AppState::MainWindow)) return true;
    RunFileOperation(FO_RENAME, step, from, flags, AppState::MainWindow);  // back to where it was
    return false;
}

// OK of the rename dialog: true when the dialog may end.
bool ApplyRename(HWND dialog) {
    wchar_t typed[521] = {};
    GetDlgItemTextW(dialog, kRenameNameEdit, typed, 521);
    int item;
    std::wstring oldName;
    if (!RenameSource(&item, &oldName)) return true;
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    const std::wstring oldPath =
        std::wstring(folder) + (IsSeparator(folder[wcslen(folder) - 1]) ? L"" : L"\\") + oldName;
    const std::wstring newPath = std::wstring(folder) + (IsSeparator(folder[wcslen(folder) - 1]) ? L"" : L"\\") + typed;
    if (oldPath == newPath) {
        ShowMessage(MessageOwner{dialog},
                    L"Failed to rename because source and destination are identical. Either "
                    L"type a new name or hit Cancel.");
        return false;
    }
    auto failed = [&]() {
        ShowMessage(MessageOwner{dialog}, L"Failed to rename the file from \"%s\" to \"%s\".", oldPath.c_str(),
                    newPath.c_str());
        return false;
    };
    // Another file or folder of that name stays untouched; a change of case
    // only is the same name.
    if (!IsPlainFileName(typed) || newPath.size() >= MAX_PATH) return failed();
    if (PathExists(newPath.c_str()) && _wcsicmp(oldPath.c_str(), newPath.c_str()) != 0) return failed();
    const bool isFolder = item >= 0 && item < FileList::SubfolderCount;
    const bool shown = !isFolder && ViewerShows(oldPath.c_str());
    const bool stopped = !isFolder && CurrentFormatHoldsFile();
    if (stopped) StopCurrentMedia();
    const bool ok = RenameOnDisk(oldPath.c_str(), newPath.c_str()) && PathExists(newPath.c_str());
    if (!ok) {
        failed();
        if (stopped && AppState::MainWindow) PostMessageW(AppState::MainWindow, WM_COMMAND, IDM_RELOAD_MEDIA, 0);
        return false;
    }
    HWND list = ListWindow();
    if (isFolder) {
        CopyStringW(FileList::Subfolders[item].name, typed);
        RefreshTree();
    } else {
        const int file = item >= 0 ? FileIndexFromListIndex(item) : FileList::Current;
        if (file >= 0 && file < FileList::Count) CopyStringW(FileList::Entries[file].name, typed);
        if (shown || !list) {
            CopyStringW(AppState::CurrentFile, newPath.c_str());
            if (AppState::MainWindow) {
                wchar_t title[MAX_PATH + 64];
                swprintf(title, MAX_PATH + 64, L"[%ls] - %ls", typed, QRV_PRODUCT_NAME);
                SetWindowTextW(AppState::MainWindow, title);
            }
        }
    }
    if (list && item >= 0) {
        LVITEMW text = {};
        text.iSubItem = 0;
        text.pszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(list, LVM_SETITEMTEXTW, item, (LPARAM)&text);
        SendMessageW(list, LVM_REDRAWITEMS, item, item);
        SetFocus(list);
    }
    StatusBar.Update();
    if (stopped && AppState::MainWindow) PostMessageW(AppState::MainWindow, WM_COMMAND, IDM_RELOAD_MEDIA, 0);
    return true;
}

}  // namespace

INT_PTR CALLBACK RenameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        CenterWindow(dialog, AppState::MainWindow ? AppState::MainWindow : GetParent(dialog));
        int item;
        std::wstring name;
        if (!RenameSource(&item, &name)) {
            EndDialog(dialog, -1);
            return TRUE;
        }
        SendDlgItemMessageW(dialog, kRenameNameEdit, EM_LIMITTEXT, 520, 0);
        SetDlgItemTextW(dialog, kRenameNameEdit, name.c_str());
        SetDlgItemTextW(dialog, kRenameOldNameEdit, name.c_str());
        HWND edit = GetDlgItem(dialog, kRenameNameEdit);
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (ApplyRename(dialog)) EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL: EndDialog(dialog, 2); return TRUE;
        default: break;
        }
        break;
    default: break;
    }
    return FALSE;
}

// ---- the copy-to and move-to dialogs ----

namespace {

struct TargetDialogKind {
    wchar_t (*entries)[MAX_PATH];
    int* count;
    bool (*run)(const wchar_t*);
};

TargetDialogKind CopyKind() { return {AppState::CopyToDirs, &AppState::CopyToDirCount, CopySelectedFiles}; }
TargetDialogKind MoveKind() { return {AppState::MoveToDirs, &AppState::MoveToDirCount, MoveSelectedFiles}; }

std::vector<std::wstring> ListBoxEntries(HWND box) {
    std::vector<std::wstring> entries;
    const int count = (int)SendMessageW(box, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        const int length = (int)SendMessageW(box, LB_GETTEXTLEN, i, 0);
        if (length < 0) continue;
        std::wstring text(length + 1, L'\0');
        SendMessageW(box, LB_GETTEXT, i, (LPARAM)text.data());
        text.resize(wcslen(text.c_str()));
        entries.push_back(text);
    }
    return entries;
}

void StoreHistory(const TargetDialogKind& kind, std::vector<std::wstring> entries) {
    TidyTargetHistory(entries);
    int n = 0;
    for (const std::wstring& e : entries) {
        if (e.size() >= MAX_PATH) continue;
        CopyStringW(kind.entries[n++], e.c_str());
    }
    *kind.count = n;
}

void FillTargetList(HWND dialog, const TargetDialogKind& kind) {
    HWND box = GetDlgItem(dialog, kTargetList);
    SendMessageW(box, LB_RESETCONTENT, 0, 0);
    const int count = std::clamp(*kind.count, 0, kTargetHistoryLimit);
    for (int i = 0; i < count; ++i) SendMessageW(box, LB_ADDSTRING, 0, (LPARAM)kind.entries[i]);
    if (count > 0) {
        SendMessageW(box, LB_SETSEL, TRUE, 0);
        SendMessageW(box, LB_SETCARETINDEX, 0, FALSE);
        SetDlgItemTextW(dialog, kTargetEdit, kind.entries[0]);
    } else {
        SetDlgItemTextW(dialog, kTargetEdit, L"C:\\Temp");
    }
}

// Moves the selected entries one place up (delta -1) or down (+1), keeping them selected.
void ShiftSelected(HWND box, int delta) {
    const int count = (int)SendMessageW(box, LB_GETCOUNT, 0, 0);
    std::vector<std::wstring> entries = ListBoxEntries(box);
    std::vector<char> selected(count);
    for (int i = 0; i < count; ++i) selected[i] = SendMessageW(box, LB_GETSEL, i, 0) > 0;
    const int first = delta < 0 ? 1 : count - 2, end = delta < 0 ? count : -1;
    for (int i = first; i != end; i -= delta) {
        if (!selected[i] || selected[i + delta]) continue;
        std::swap(entries[i], entries[i + delta]);
        std::swap(selected[i], selected[i + delta]);
    }
    SendMessageW(box, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < count; ++i) {
        SendMessageW(box, LB_ADDSTRING, 0, (LPARAM)entries[i].c_str());
        if (selected[i]) SendMessageW(box, LB_SETSEL, TRUE, i);
    }
}

INT_PTR TargetDialogProc(const TargetDialogKind& kind, HWND dialog, UINT message, WPARAM wParam) {
    static bool follow = false;  // a list selection is copied into the edit
    HWND box = GetDlgItem(dialog, kTargetList);
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, AppState::MainWindow ? AppState::MainWindow : GetParent(dialog));
        FillTargetList(dialog, kind);
        follow = true;
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam), code = HIWORD(wParam);
        if (code == LBN_DBLCLK && id == kTargetList) {
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            return TRUE;
        }
        switch (id) {
        case kTargetList:
            if (code == LBN_SELCHANGE && follow) {
                const int caret = (int)SendMessageW(box, LB_GETCARETINDEX, 0, 0);
                std::vector<std::wstring> entries = ListBoxEntries(box);
                if (caret >= 0 && caret < (int)entries.size())
                    SetDlgItemTextW(dialog, kTargetEdit, entries[caret].c_str());
            }
            return TRUE;
        case IDOK: {
            wchar_t target[MAX_PATH] = {};
            GetDlgItemTextW(dialog, kTargetEdit, target, MAX_PATH);
            if (!target[0]) return TRUE;
            follow = false;
            std::vector<std::wstring> entries = ListBoxEntries(box);
            PushTargetHistory(entries, target);
            StoreHistory(kind, entries);
            EndDialog(dialog, -1);
            kind.run(target);
            return TRUE;
        }
        case IDCANCEL: {
            follow = false;
            std::vector<std::wstring> entries = ListBoxEntries(box);
            const int caret = (int)SendMessageW(box, LB_GETCARETINDEX, 0, 0);
            if (caret > 0 && caret < (int)entries.size()) PushTargetHistory(entries, std::wstring(entries[caret]));
            StoreHistory(kind, entries);
            EndDialog(dialog, -1);
            return TRUE;
        }
        case kTargetBrowse: {
            std::wstring chosen;
            if (!ChooseFolder(dialog, nullptr, &chosen) || chosen.empty() || chosen.size() >= MAX_PATH) return TRUE;
            SetDlgItemTextW(dialog, kTargetEdit, chosen.c_str());
            std::vector<std::wstring> entries = ListBoxEntries(box);
            PushTargetHistory(entries, chosen);
            SendMessageW(box, LB_RESETCONTENT, 0, 0);
            for (const std::wstring& e : entries) SendMessageW(box, LB_ADDSTRING, 0, (LPARAM)e.c_str());
            SendMessageW(box, LB_SETSEL, TRUE, 0);
            EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
            return TRUE;
        }
        case kTargetRemove:
            for (int i = (int)SendMessageW(box, LB_GETCOUNT, 0, 0) - 1; i >= 0; --i)
                if (SendMessageW(box, LB_GETSEL, i, 0) > 0) SendMessageW(box, LB_DELETESTRING, i, 0);
            return TRUE;
        case kTargetUp: ShiftSelected(box, -1); return TRUE;
        case kTargetDown: ShiftSelected(box, 1); return TRUE;
        case kTargetRemoveAll:
            SendMessageW(box, LB_RESETCONTENT, 0, 0);
            EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
            return TRUE;
        default: break;
        }
        break;
    }
    default: break;
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK CopyToDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return TargetDialogProc(CopyKind(), dialog, message, wParam);
}

INT_PTR CALLBACK MoveToDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return TargetDialogProc(MoveKind(), dialog, message, wParam);
}

void ShowRenameDialog(HWND owner) { DialogBoxParamW(AppState::Instance, L"RENAME", owner, RenameDlgProc, 0); }

void ShowCopyToDialog(HWND owner) { DialogBoxParamW(AppState::Instance, L"COPYTODLG", owner, CopyToDlgProc, 0); }

void ShowMoveToDialog(HWND owner) { DialogBoxParamW(AppState::Instance, L"MOVETODLG", owner, MoveToDlgProc, 0); }
