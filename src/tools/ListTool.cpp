#include "tools/ListTool.h"

#include <commctrl.h>

#include <cwchar>
#include <new>
#include <string>

#include "app/AppState.h"
#include "app/FolderChooser.h"
#include "app/OpenDialog.h"
#include "image/Common.h"

namespace {

OpenFileDialogFunction g_openDialog = GetOpenFileNameW;

void RealBeep(DWORD frequency, DWORD duration) { Beep(frequency, duration); }
BeepFunction g_beep = RealBeep;

bool IsSelected(HWND list, int index) { return SendMessageW(list, LB_GETSEL, index, 0) > 0; }

// Takes the entry at `from` out and inserts it at `to`, selected there.
void MoveEntry(HWND list, int from, int to) {
    int length = (int)SendMessageW(list, LB_GETTEXTLEN, from, 0);
    if (length < 0) return;
    auto text = std::make_unique<wchar_t[]>((size_t)length + 1);
    SendMessageW(list, LB_GETTEXT, from, (LPARAM)text.get());
    SendMessageW(list, LB_DELETESTRING, from, 0);
    SendMessageW(list, LB_INSERTSTRING, to, (LPARAM)text.get());
    SendMessageW(list, LB_SETSEL, TRUE, to);
}

}  // namespace

OpenFileDialogFunction SetListOpenDialog(OpenFileDialogFunction function) {
    OpenFileDialogFunction previous = g_openDialog;
    g_openDialog = function ? function : GetOpenFileNameW;
    return previous;
}

BOOL ShowListOpenDialog(OPENFILENAMEW* ofn) { return g_openDialog(ofn); }

bool ListContainsPath(HWND list, const wchar_t* path) {
    int count = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    wchar_t text[LIST_SLOT_CHARS];
    for (int i = 0; i < count; ++i) {
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) >= LIST_SLOT_CHARS) continue;
        SendMessageW(list, LB_GETTEXT, i, (LPARAM)text);
        if (CompareStringOrdinal(text, -1, path, -1, TRUE) == CSTR_EQUAL) return true;
    }
    return false;
}

bool AddPathToList(HWND list, const wchar_t* path) {
    if (!path || !*path || wcslen(path) >= MAX_PATH) return false;
    if (ListContainsPath(list, path)) return false;
    return SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)path) >= 0;
}

int AddOpenDialogSelection(HWND list, const wchar_t* buffer) {
    if (!buffer || !*buffer) return 0;
    const wchar_t* name = buffer + wcslen(buffer) + 1;
    if (!*name) {
        if (wcslen(buffer) >= MAX_PATH) {
            ShowMessage(MessageOwner{GetParent(list)}, L"The path is too long: %ls", buffer);
            return 0;
        }
        return AddPathToList(list, buffer) ? 1 : 0;
    }
    int added = 0;
    for (; *name; name += wcslen(name) + 1) {
        wchar_t path[MAX_PATH];
        if (!JoinOutputPath(path, buffer, name)) {
            ShowMessage(MessageOwner{GetParent(list)}, L"The path is too long: %ls", name);
            continue;
        }
        if (AddPathToList(list, path)) ++added;
    }
    return added;
}

bool AddFilesFromOpenDialog(HWND dialog, int startButton) {
    auto buffer = std::unique_ptr<wchar_t[]>(new (std::nothrow) wchar_t[LIST_OPEN_BUFFER_CHARS]());
    if (!buffer) return false;
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = OpenDialogFilter();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.get();
    ofn.nMaxFile = LIST_OPEN_BUFFER_CHARS;
    ofn.Flags = OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_ENABLESIZING;
    if (!ShowListOpenDialog(&ofn)) return false;
    HWND list = GetDlgItem(dialog, IDC_LIST_FILES);
    SendMessageW(list, LB_SETCOLUMNWIDTH, 1000, 0);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, 1000, 0);
    EnableWindow(GetDlgItem(dialog, startButton), TRUE);
    AddOpenDialogSelection(list, buffer.get());
    return true;
}

void RemoveSelectedListItems(HWND list) {
    for (int i = (int)SendMessageW(list, LB_GETCOUNT, 0, 0) - 1; i >= 0; --i) {
        if (IsSelected(list, i)) SendMessageW(list, LB_DELETESTRING, i, 0);
    }
}

// A selected entry moves only past an unselected one, so a selected block
// keeps its order and stops at the list's end.
void MoveSelectedListItemsUp(HWND list) {
    int count = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 1; i < count; ++i) {
        if (IsSelected(list, i) && !IsSelected(list, i - 1)) MoveEntry(list, i, i - 1);
    }
}

void MoveSelectedListItemsDown(HWND list) {
    int count = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = count - 2; i >= 0; --i) {
        if (IsSelected(list, i) && !IsSelected(list, i + 1)) MoveEntry(list, i, i + 1);
    }
}

void RemoveAllListItems(HWND dialog, int startButton) {
    SendDlgItemMessageW(dialog, IDC_LIST_FILES, LB_RESETCONTENT, 0, 0);
    EnableWindow(GetDlgItem(dialog, startButton), FALSE);
}

bool ChooseOutputFolder(HWND dialog, int folderEdit) {
    std::wstring folder;
    if (!ChooseFolder(dialog, nullptr, &folder)) return false;
    SetDlgItemTextW(dialog, folderEdit, folder.c_str());
    return true;
}

bool HandleListButton(HWND dialog, int id, int startButton) {
    HWND list = GetDlgItem(dialog, IDC_LIST_FILES);
    switch (id) {
    case IDC_LIST_ADD: AddFilesFromOpenDialog(dialog, startButton); return true;
    case IDC_LIST_REMOVE: RemoveSelectedListItems(list); return true;
    case IDC_LIST_UP: MoveSelectedListItemsUp(list); return true;
    case IDC_LIST_DOWN: MoveSelectedListItemsDown(list); return true;
    case IDC_LIST_REMOVE_ALL: RemoveAllListItems(dialog, startButton); return true;
    default: return false;
    }
}

void EnableBatchListControls(HWND dialog, bool enable) {
    static const int kIds[] = {IDOK,        IDC_LIST_FOLDER, IDC_LIST_ADD,        IDC_LIST_REMOVE,
                               IDC_LIST_UP, IDC_LIST_DOWN,   IDC_LIST_REMOVE_ALL, IDC_LIST_FILES};
    for (int id : kIds) EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

bool PathSlots::Allocate(int count) {
    slots_.reset();
    count_ = 0;
    if (count < 0) return false;
    slots_.reset(new (std::nothrow) wchar_t[(size_t)(count ? count : 1) * LIST_SLOT_CHARS]());
    if (!slots_) return false;
    count_ = count;
    return true;
}

bool PathSlots::FromListBox(HWND list) {
    int count = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (!Allocate(count < 0 ? 0 : count)) return false;
    for (int i = 0; i < count_; ++i) {
        if (SendMessageW(list, LB_GETTEXTLEN, i, 0) >= LIST_SLOT_CHARS) continue;  // left empty
        SendMessageW(list, LB_GETTEXT, i, (LPARAM)(*this)[i]);
    }
    return true;
}

bool CopyListForRun(HWND dialog, PathSlots& slots) {
    if (slots.FromListBox(GetDlgItem(dialog, IDC_LIST_FILES))) return true;
    ShowMessage(MessageOwner{dialog}, L"Failed to allocate Memory to hold the filenameslist!!");
    return false;
}

DialogRunProgress::DialogRunProgress(HWND dialog, uint8_t& idle, uint8_t& cancel, EnableFunction enable)
    : dialog_(dialog), idle_(idle), cancel_(cancel), enable_(enable) {}

void DialogRunProgress::Begin(int count) {
    idle_ = 0;
    cancel_ = 0;
    if (enable_) enable_(dialog_, false);
    HWND bar = GetDlgItem(dialog_, IDC_LIST_PROGRESS);
    ShowWindow(bar, SW_SHOW);
    SendMessageW(bar, PBM_SETRANGE32, 0, count);
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    SendMessageW(bar, PBM_SETPOS, 0, 0);
}

void DialogRunProgress::Item(int index, int count) {
    wchar_t text[32];
    swprintf(text, 32, L"%d/%d", index + 1, count);
    SetDlgItemTextW(dialog_, IDC_LIST_PROGRESS_TEXT, text);
}

void DialogRunProgress::Step() {
    SendDlgItemMessageW(dialog_, IDC_LIST_PROGRESS, PBM_STEPIT, 0, 0);
    DispatchOneWaitingMessage();
}

void DialogRunProgress::End() {
    ListToolBeep();
    idle_ = 1;
    if (enable_) enable_(dialog_, true);
}

BeepFunction SetListToolBeep(BeepFunction function) {
    BeepFunction previous = g_beep;
    g_beep = function ? function : RealBeep;
    return previous;
}

void ListToolBeep() { g_beep(400, 200); }

void DispatchOneWaitingMessage() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) return;
    if (!GetMessageW(&msg, nullptr, 0, 0)) {
        PostQuitMessage((int)msg.wParam);  // keep the quit for the loop that owns it
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

bool HandleListToolCancel(HWND dialog, const uint8_t& idle, uint8_t& cancel) {
    if (!idle) {
        cancel = 1;
        return false;
    }
    RestoreCurrentFolder();
    EndDialog(dialog, -1);
    return true;
}

void StoreCurrentFolder() { GetCurrentDirectoryW(MAX_PATH, AppState::CurrentFolder); }

void RestoreCurrentFolder() {
    if (AppState::CurrentFolder[0]) SetCurrentDirectoryW(AppState::CurrentFolder);
}

void ShowFailedAt(HWND dialog, const wchar_t* errorText) {
    ShowMessage(MessageOwner{dialog}, L"Failed at: %ls", errorText ? errorText : L"");
}

bool JoinOutputPath(wchar_t* out, const wchar_t* folder, const wchar_t* name) {
    size_t folderLength = wcslen(folder);
    bool separator = folderLength > 0 && folder[folderLength - 1] != L'\\' && folder[folderLength - 1] != L'/';
    size_t total = folderLength + (separator ? 1 : 0) + wcslen(name);
    out[0] = 0;
    if (total >= MAX_PATH) return false;
    swprintf(out, MAX_PATH, L"%ls%ls%ls", folder, separator ? L"\\" : L"", name);
    return true;
}
