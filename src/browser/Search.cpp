#include "browser/Search.h"

#include <cwchar>
#include <string>

#include "app/AppState.h"
#include "app/MediaDocument.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "image/Common.h"
#include "browser_ids.h"

namespace {

std::wstring Lower(const wchar_t* text) {
    std::wstring lower = text ? text : L"";
    if (!lower.empty()) CharLowerBuffW(lower.data(), (DWORD)lower.size());
    return lower;
}

bool OnPlaylistTab() { return AppState::BrowserTab == TAB_PLAYLIST; }

// The names searched: the playlist's paths on its tab, else the folder's files.
int SearchedCount() {
    return OnPlaylistTab() ? (Playlist::Entries ? Playlist::Count : 0) : (FileList::Entries ? FileList::Count : 0);
}
const wchar_t* SearchedName(int i) { return OnPlaylistTab() ? Playlist::Entries[i].name : FileList::Entries[i].name; }

void EnableButton(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on ? TRUE : FALSE); }

// The list view item becomes the only current one: the previous current item
// loses its selection, the new one is selected, focused and shown.
void MoveListSelection(HWND list, int previous, int item) {
    if (!list) return;
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    if (previous >= 0 && previous != item) SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)previous, (LPARAM)&state);
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)item, (LPARAM)&state);
    SendMessageW(list, LVM_ENSUREVISIBLE, (WPARAM)item, FALSE);
}

void RunSearch(HWND dialog) {
    wchar_t text[MAX_PATH] = {};
    GetDlgItemTextW(dialog, IDC_SEARCH_TEXT, text, MAX_PATH);
    if (!text[0]) {
        Beep(200, 200);
        return;
    }
    HWND hits = GetDlgItem(dialog, IDC_SEARCH_HITS);
    SendMessageW(hits, LB_RESETCONTENT, 0, 0);
    EnableButton(dialog, IDOK, false);
    EnableButton(dialog, IDC_SEARCH_GOTO, false);
    const bool matchCase = IsDlgButtonChecked(dialog, IDC_SEARCH_MATCH_CASE) == BST_CHECKED;
    const int count = SearchedCount();
    for (int i = 0; i < count; ++i) {
        if (!SearchNameMatches(SearchedName(i), text, matchCase)) continue;
        SendMessageW(hits, LB_ADDSTRING, 0, (LPARAM)SearchedName(i));
        EnableButton(dialog, IDC_SEARCH_GOTO, true);
    }
    EnableButton(dialog, IDOK, true);
}

void GoToHit(HWND dialog) {
    HWND hits = GetDlgItem(dialog, IDC_SEARCH_HITS);
    const int selected = (int)SendMessageW(hits, LB_GETCURSEL, 0, 0);
    if (selected < 0) return;
    const LRESULT length = SendMessageW(hits, LB_GETTEXTLEN, (WPARAM)selected, 0);
    if (length < 0 || length >= MAX_PATH) return;
    wchar_t hit[MAX_PATH] = {};
    SendMessageW(hits, LB_GETTEXT, (WPARAM)selected, (LPARAM)hit);
    const bool playlist = OnPlaylistTab();
    const int index = FindSearchHit(hit, playlist);
    if (index < 0) return;
    EndDialog(dialog, 1);
    if (playlist) {
        const int previous = Playlist::Current;
        Playlist::Current = index;
        OpenMediaFile(Playlist::Entries[index].name);
        MoveListSelection(Browser.playlistListWindow, previous, index);
        return;
    }
    const int previous = BrowserCurrentListItem;
    FileList::Current = index;
    wchar_t path[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, path);
    if (AppendPath(path, FileList::Entries[index].name)) OpenMediaFile(path);
    const int item = FileList::SubfolderCount + index;
    MoveListSelection(Browser.fileListWindow, previous, item);
    BrowserCurrentListItem = item;
}

}  // namespace

bool SearchNameMatches(const wchar_t* name, const wchar_t* text, bool matchCase) {
    if (!name || !text || !text[0]) return false;
    if (matchCase) return wcsstr(name, text) != nullptr;
    return Lower(name).find(Lower(text)) != std::wstring::npos;
}

int FindSearchHit(const wchar_t* hit, bool playlist) {
    const int count = playlist ? (Playlist::Entries ? Playlist::Count : 0) : (FileList::Entries ? FileList::Count : 0);
    for (int i = 0; i < count; ++i) {
        const wchar_t* name = playlist ? Playlist::Entries[i].name : FileList::Entries[i].name;
        if (_wcsicmp(name, hit) == 0) return i;
    }
    return -1;
}

INT_PTR CALLBACK SearchDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, AppState::MainWindow);
        SetDlgItemTextW(dialog, IDC_SEARCH_TEXT, L"");
        SetFocus(GetDlgItem(dialog, IDC_SEARCH_TEXT));
        EnableButton(dialog, IDOK, false);
        EnableButton(dialog, IDC_SEARCH_GOTO, false);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SEARCH_TEXT:
            if (HIWORD(wParam) == EN_CHANGE)
                EnableButton(dialog, IDOK, GetWindowTextLengthW(GetDlgItem(dialog, IDC_SEARCH_TEXT)) > 0);
            return TRUE;
        case IDOK: RunSearch(dialog); return TRUE;
        case IDC_SEARCH_GOTO: GoToHit(dialog); return TRUE;
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        default: break;
        }
        break;
    default: break;
    }
    return FALSE;
}

INT_PTR ShowSearchDialog(HWND owner) {
    return DialogBoxParamW(AppState::Instance, L"SEARCHDLG", owner, SearchDlgProc, 0);
}
