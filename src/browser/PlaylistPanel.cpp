// The playlist tab's panel: the playlist's entries in a report list, the
// buttons that edit, play and save the list, and the caption with the list
// file's path.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <shlwapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <utility>

#include "app/AppState.h"
#include "app/Language.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/OpenDialog.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/BrowserServices.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/PlaylistFile.h"
#include "command_ids.h"
#include "image/Common.h"

CPlaylistPanel PlaylistPanel;

namespace {

constexpr int kButtonAreaHeight = 78;
constexpr int kButtonWidth = 140;
constexpr int kButtonHeight = 25;
constexpr int kAddFilesChars = 64000;
constexpr int kSaveNameChars = 520;
constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

// Row and column (from 0) of each button, in the order of CPlaylistPanel::Button.
constexpr POINT kButtonCells[CPlaylistPanel::BUTTON_COUNT] = {{0, 0}, {0, 1}, {1, 0}, {1, 1},
                                                              {2, 0}, {2, 1}, {3, 0}, {3, 1}};

PlaylistFileDialog g_openDialog = nullptr;
PlaylistFileDialog g_saveDialog = nullptr;

BOOL ShowOpenDialog(OPENFILENAMEW* request) { return g_openDialog ? g_openDialog(request) : GetOpenFileNameW(request); }
BOOL ShowSaveDialog(OPENFILENAMEW* request) { return g_saveDialog ? g_saveDialog(request) : GetSaveFileNameW(request); }

int EntryCount() { return Playlist::Entries ? Playlist::Count : 0; }

int SelectedCount(HWND list) { return list ? (int)SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) : 0; }

bool IsSelected(HWND list, int item) {
    return (SendMessageW(list, LVM_GETITEMSTATE, (WPARAM)item, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void SetItemState(HWND list, int item, UINT state) {
    LVITEMW value = {};
    value.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    value.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)item, (LPARAM)&value);
}

void StopPlaylistShow(HWND window) {
    if (window) KillTimer(window, TIMER_PLAYLIST_SHOW);
    Playlist::ShowRunning = false;
}

// Size and last-write time of a file, zero when it cannot be opened.
void FillEntryFacts(MediaFileEntry& entry) {
    HANDLE file =
        CreateFileW(entry.name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    entry.size = GetFileSize(file, nullptr);
    GetFileTime(file, nullptr, nullptr, &entry.lastWrite);
    CloseHandle(file);
}

void AppendFileToPlaylist(const std::wstring& path) {
    if (path.empty() || path.size() >= MAX_PATH) return;
    MediaFileEntry entry = {};
    CopyStringW(entry.name, path.c_str());
    FillEntryFacts(entry);
    AppendMediaFileEntry(&Playlist::Entries, entry, &Playlist::Count);
}

// The name with the text from its last "." on replaced by extension (which
// starts with its "."), or extension appended when the name has none.
std::wstring ReplaceExtension(const std::wstring& path, const wchar_t* extension) {
    const size_t name = path.find_last_of(L"\\/");
    const size_t dot = path.rfind(L'.');
    const bool hasDot = dot != std::wstring::npos && (name == std::wstring::npos || dot > name);
    return (hasDot ? path.substr(0, dot) : path) + extension;
}

}  // namespace

std::vector<int> MoveSelectedRows(std::vector<bool>& selected, bool up) {
    std::vector<int> swaps;
    const int n = (int)selected.size();
    if (up) {
        for (int k = 1; k < n; ++k) {
            if (!selected[(size_t)k] || selected[(size_t)k - 1]) continue;
            selected[(size_t)k - 1] = true;
            selected[(size_t)k] = false;
            swaps.push_back(k - 1);
        }
    } else {
        for (int k = n - 2; k >= 0; --k) {
            if (!selected[(size_t)k] || selected[(size_t)k + 1]) continue;
            selected[(size_t)k + 1] = true;
            selected[(size_t)k] = false;
            swaps.push_back(k);
        }
    }
    return swaps;
}

void SetPlaylistFileDialogs(PlaylistFileDialog open, PlaylistFileDialog save) {
    g_openDialog = open;
    g_saveDialog = save;
}

CPlaylistPanel::~CPlaylistPanel() { Destroy(); }

bool CPlaylistPanel::Create(HWND owner, HFONT font) {
    if (created) Destroy();
    parent = owner;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HINSTANCE instance = AppState::Instance;
    list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                           kChildStyle | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOLABELWRAP, 0, 0, 0, 0, owner, nullptr,
                           instance, nullptr);
    if (!list) return false;

    int count = 0;
    const auto headers = LangGetList(L"Dlg_Browser", L"ListHeaders", &count, L"Filename|Size|Date");
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = i == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = 100;
        column.pszText = i < count ? headers[i] : const_cast<wchar_t*>(L"");
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, (WPARAM)i, (LPARAM)&column);
    }
    DWORD extended = (DWORD)SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    extended &= ~(DWORD)(LVS_EX_BORDERSELECT | LVS_EX_UNDERLINEHOT | LVS_EX_INFOTIP);
    extended |= LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, (LPARAM)extended);
    SendMessageW(list, LVM_SETBKCOLOR, 0, (LPARAM)GetSysColor(COLOR_WINDOW));
    SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, (LPARAM)GetSysColor(COLOR_WINDOW));
    SendMessageW(list, LVM_SETTEXTCOLOR, 0, (LPARAM)GetSysColor(COLOR_WINDOWTEXT));

    const auto captions = LangGetList(L"PlayListButtons", L"Buttons", &count,
                                      L"Add Files...|Play/Stop|Save to File...|Burn CD-ROM...|Move Element(s) up|"
                                      L"Move Element(s) down|Remove Element(s)|Remove All");
    for (int i = 0; i < BUTTON_COUNT; ++i)
        buttons[i] = CreateWindowExW(0, L"BUTTON", i < count ? captions[i] : L"", kChildStyle | BS_PUSHBUTTON, 0, 0, 0,
                                     0, owner, nullptr, instance, nullptr);
    caption =
        CreateWindowExW(0, L"STATIC", L"Test Test Test", kChildStyle, 0, 0, 0, 0, owner, nullptr, instance, nullptr);
    buttonArea = CreateWindowExW(0, L"STATIC", L"", kChildStyle | SS_SUNKEN | SS_CENTER, 0, 0, 0, 0, owner, nullptr,
                                 instance, nullptr);
    if (buttonArea) SetWindowPos(buttonArea, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (font) {
        SendMessageW(list, WM_SETFONT, (WPARAM)font, FALSE);
        SendMessageW(caption, WM_SETFONT, (WPARAM)font, FALSE);
        for (HWND button : buttons) SendMessageW(button, WM_SETFONT, (WPARAM)font, FALSE);
    }
    Browser.playlistListWindow = list;
    created = 1;
    lastItem = -1;
    UpdateButtons();
    return true;
}

bool CPlaylistPanel::Destroy() {
    if (!created) return false;
    for (HWND* window : {&list, &buttonArea, &caption}) {
        if (*window) DestroyWindow(*window);
        *window = nullptr;
    }
    for (HWND& button : buttons) {
        if (button) DestroyWindow(button);
        button = nullptr;
    }
    if (Browser.playlistListWindow) Browser.playlistListWindow = nullptr;
    created = 0;
    lastItem = -1;
    return true;
}

void CPlaylistPanel::Show(bool show) {
    if (!created) return;
    const int command = show ? SW_SHOW : SW_HIDE;
    for (HWND window : {list, buttonArea, caption}) ShowWindow(window, command);
    for (HWND button : buttons) ShowWindow(button, command);
}

bool CPlaylistPanel::Layout() {
    if (!created || !parent) return false;
    RECT frame = {}, files = {}, tabs = {};
    GetWindowRect(parent, &frame);
    if (Browser.fileListWindow) GetWindowRect(Browser.fileListWindow, &files);
    int y0 = 0;
    if (Browser.tabWindow) {
        GetWindowRect(Browser.tabWindow, &tabs);
        POINT bottom = {tabs.left, tabs.bottom};
        ScreenToClient(parent, &bottom);
        y0 = bottom.y;
    }
    const int x0 = files.left - frame.left;
    const int width = files.right - files.left;
    const int height = files.bottom - files.top;
    // The panel takes the hidden rebar's place as well.
    const UINT flags = SWP_NOZORDER | (AppState::BrowserTab == TAB_PLAYLIST ? SWP_SHOWWINDOW : SWP_NOACTIVATE);
    SetWindowPos(buttonArea, nullptr, x0 - 4, y0, width, kButtonAreaHeight, flags);
    SetWindowPos(list, nullptr, x0 - 4, y0 + kButtonAreaHeight, width, height - kButtonAreaHeight + Browser.rebarHeight,
                 flags);
    for (int i = 0; i < BUTTON_COUNT; ++i)
        SetWindowPos(buttons[i], nullptr, x0 + 1 + 150 * kButtonCells[i].x, y0 + 5 + 25 * kButtonCells[i].y,
                     kButtonWidth, kButtonHeight, flags);
    SetWindowPos(caption, nullptr, x0 + 3, y0 + 57, width, 18, flags);
    return true;
}

bool CPlaylistPanel::Refill() {
    if (!created) return false;
    StopPlaylistShow(parent);
    lastItem = -1;
    marking_ = true;
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    const int count = EntryCount();
    SendMessageW(list, LVM_SETITEMCOUNT, (WPARAM)count, 0);
    for (int i = 0; i < count; ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.lParam = i;
        SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
    }
    marking_ = false;
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE);
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, LVSCW_AUTOSIZE);
    RECT client = {};
    if (parent) GetClientRect(parent, &client);
    const int width = client.right - AppState::BrowserThumbWindowWidth -
                      (int)SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0) -
                      (int)SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0) - GetSystemMetrics(SM_CXVSCROLL) - 12;
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, width > 40 ? width : 40);
    UpdateButtons();
    return true;
}

void CPlaylistPanel::UpdateButtons() {
    if (!created) return;
    const int n = EntryCount();
    const int s = SelectedCount(list);
    const bool enabled[BUTTON_COUNT] = {true, n > 0, n > 0, n > 0, s > 0, s > 0, s > 0, n > 0};
    for (int i = 0; i < BUTTON_COUNT; ++i) EnableWindow(buttons[i], enabled[i]);
    SetWindowTextW(caption, Playlist::FilePath);
}

bool CPlaylistPanel::SelectAll() {
    if (!created) return false;
    marking_ = true;
    SetItemState(list, -1, LVIS_SELECTED | LVIS_FOCUSED);
    marking_ = false;
    SetFocus(list);
    SetActiveWindow(list);
    UpdateButtons();
    return true;
}

void CPlaylistPanel::OnGetDispInfo(NMLVDISPINFOW* info) {
    if (!created || !info) return;
    LVITEMW& item = info->item;
    if (item.mask & LVIF_IMAGE) item.iImage = 0;
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const int size = item.cchTextMax < MAX_PATH ? item.cchTextMax : MAX_PATH;
    item.pszText[0] = L'\0';
    if (item.iItem < 0 || item.iItem >= EntryCount()) return;
    const MediaFileEntry& entry = Playlist::Entries[item.iItem];
    wchar_t text[MAX_PATH] = {};
    switch (item.iSubItem) {
    case 0: CopyStringW(text, entry.name); break;
    case 1: {
        double megabytes = entry.size / 1048576.0;
        if (megabytes < 0.01) megabytes = 0.01;
        swprintf(text, MAX_PATH, L"%3.2f MB", megabytes);
        break;
    }
    case 2: {
        wchar_t time[64] = {};
        FormatFileTime(time, &entry.lastWrite);
        CopyStringW(text, time);
        break;
    }
    default: break;
    }
    CopyStringW(item.pszText, text, (size_t)size);
}

void CPlaylistPanel::OnColumnClick(NMLISTVIEW* info) {
    if (!created || !info || !Playlist::Active || EntryCount() < 2) return;
    if (info->iSubItem == sortColumn_) sortAscending_ = !sortAscending_;
    sortColumn_ = info->iSubItem;
    SortFileEntries(Playlist::Entries, Playlist::Count, sortColumn_, sortAscending_);
    SendMessageW(list, LVM_REDRAWITEMS, 0, (LPARAM)(Playlist::Count - 1));
    InvalidateRect(list, nullptr, FALSE);
}

bool CPlaylistPanel::BeginDrag(NMLISTVIEW*) {
    if (!created || AppState::BrowserTab != TAB_PLAYLIST || SelectedCount(list) == 0) return false;
    std::wstring files;
    int first = -1;
    for (int i = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED); i >= 0;
         i = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)i, LVNI_SELECTED)) {
        if (i >= EntryCount()) break;
        if (first < 0) first = i;
        files += Playlist::Entries[i].name;
        files += L'\0';
    }
    if (first < 0) return false;
    files += L'\0';
    AppState::DragSourceWindow = list;
    AppState::DragActive = 1;
    AppState::DragItem = first;
    DoDragFiles(list, files.c_str(), DROPEFFECT_COPY | DROPEFFECT_MOVE);
    return true;
}

void CPlaylistPanel::OnItemChanged(NMLISTVIEW* info) {
    if (!created || !info) return;
    const bool chosen = (info->uChanged & LVIF_STATE) && (info->uNewState & LVIS_SELECTED);
    if (!marking_ && chosen && info->iItem != lastItem) {
        lastItem = info->iItem;
        if (info->iItem >= 0 && info->iItem < EntryCount() && SelectedCount(list) <= 1) {
            StopPlaylistShow(parent);
            Playlist::Current = info->iItem;
            OpenMediaFile(Playlist::Entries[info->iItem].name);
        }
    }
    UpdateButtons();
}

void CPlaylistPanel::MarkCurrent(int index) {
    if (!created || index < 0 || index >= EntryCount()) return;
    marking_ = true;
    SetItemState(list, -1, 0);
    SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED);
    marking_ = false;
    lastItem = index;
    SendMessageW(list, LVM_ENSUREVISIBLE, (WPARAM)index, FALSE);
    SetFocus(list);
    UpdateButtons();
}

bool CPlaylistPanel::ChooseItem(int index) {
    if (!created || index < 0 || index >= EntryCount()) return false;
    MarkCurrent(index);
    StopPlaylistShow(parent);
    Playlist::Current = index;
    OpenMediaFile(Playlist::Entries[index].name);
    return true;
}

void CPlaylistPanel::RemoveSelected() {
    if (!created) return;
    marking_ = true;
    for (int n = EntryCount(); n > 0; --n) {
        const int item = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED);
        if (item < 0) break;
        SendMessageW(list, LVM_DELETEITEM, (WPARAM)item, 0);
        RemoveMediaFileEntry(Playlist::Entries, item, &Playlist::Count);
    }
    marking_ = false;
    lastItem = -1;
    UpdateButtons();
}

void CPlaylistPanel::MoveSelection(bool up) {
    const int n = EntryCount();
    std::vector<bool> selected((size_t)n);
    for (int i = 0; i < n; ++i) selected[(size_t)i] = IsSelected(list, i);
    const std::vector<int> swaps = MoveSelectedRows(selected, up);
    for (int k : swaps) std::swap(Playlist::Entries[k], Playlist::Entries[k + 1]);
    marking_ = true;
    for (int i = 0; i < n; ++i) SetItemState(list, i, selected[(size_t)i] ? LVIS_SELECTED : 0);
    if (!swaps.empty()) {
        const int moved = up ? swaps.back() : swaps.back() + 1;
        SetItemState(list, moved, LVIS_SELECTED | LVIS_FOCUSED);
        SendMessageW(list, LVM_REDRAWITEMS, 0, (LPARAM)(n - 1));
    }
    marking_ = false;
    lastItem = -1;
    SetFocus(list);
}

void CPlaylistPanel::AddFiles() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    CopyStringW(AppState::CurrentFolder, folder);
    std::wstring buffer((size_t)kAddFilesChars, L'\0');
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = list;
    request.lpstrFilter = OpenDialogFilter();
    request.nFilterIndex = 1;
    request.lpstrFile = buffer.data();
    request.nMaxFile = kAddFilesChars;
    request.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (ShowOpenDialog(&request)) {
        const wchar_t* first = buffer.c_str();
        const wchar_t* next = first + wcslen(first) + 1;
        if (*next) {  // a folder followed by the names chosen in it
            std::wstring base = first;
            if (!base.empty() && base.back() != L'\\' && base.back() != L'/') base += L'\\';
            for (; *next; next += wcslen(next) + 1) AppendFileToPlaylist(base + next);
        } else {
            AppendFileToPlaylist(first);
        }
        Playlist::Active = true;
        Refill();
    }
    SetCurrentDirectoryW(AppState::CurrentFolder);
}

void CPlaylistPanel::PlayOrStop() {
    if (Playlist::ShowRunning) {
        StopPlaylistShow(parent);
        if (parent) SendMessageW(parent, WM_COMMAND, ID_MEDIA_STOP, 0);
        return;
    }
    Playlist::ShowRunning = true;
    Playlist::Current = -1;  // the first step starts at the list's start, end or a random entry
    if (Playlist::Settings.Delay <= 10) Playlist::Settings.Delay = 5000;
    if (parent) SetTimer(parent, TIMER_PLAYLIST_SHOW, 40, nullptr);
}

void CPlaylistPanel::SaveToFile() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    CopyStringW(AppState::CurrentFolder, folder);
    if (!Playlist::FilePath[0]) {
        // A new list takes the slide-show output's delay and direction.
        CreateSlideShowSettings output;
        LoadCreateSlideShowSettings(output);
        PlaylistShowSettings settings;
        settings.Delay = output.Delay;
        settings.Direction = output.Direction;
        settings.RelativePaths = 1;
        Playlist::Settings = settings;
        Playlist::Current = 0;
        CopyStringW(Playlist::FilePath, L"MyPlayList.qrvlist");
    }
    std::wstring proposed = PathFindFileNameW(Playlist::FilePath);
    const size_t dot = proposed.rfind(L'.');
    if (dot != std::wstring::npos) proposed.resize(dot);
    std::wstring buffer((size_t)kSaveNameChars, L'\0');
    CopyStringW(buffer.data(), proposed.c_str(), kSaveNameChars);
    OPENFILENAMEW request = {};
    request.lStructSize = sizeof(request);
    request.hwndOwner = list;
    request.lpstrFilter = L"QRV List (*.qrvlist)\0*.qrvlist\0M3U List (*.m3u)\0*.m3u\0\0";
    request.nFilterIndex = 1;
    request.lpstrFile = buffer.data();
    request.nMaxFile = kSaveNameChars;
    request.lpstrDefExt = L"qrvlist";
    request.lpstrInitialDir = AppState::CurrentFolder;
    request.Flags = OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (ShowSaveDialog(&request)) {
        const bool m3u = request.nFilterIndex == 2;
        const std::wstring path = ReplaceExtension(buffer.c_str(), m3u ? L".m3u" : L".qrvlist");
        if (path.size() < MAX_PATH) {
            CopyStringW(Playlist::FilePath, path.c_str());
            if (m3u) SaveM3UFile(Playlist::FilePath);
            else SavePlaylistFile(Playlist::FilePath);
        }
    }
    SetCurrentDirectoryW(AppState::CurrentFolder);
}

bool CPlaylistPanel::OnButton(LPARAM control) {
    if (!created || !control) return false;
    HWND hit = (HWND)control;
    int button = 0;
    while (button < BUTTON_COUNT && buttons[button] != hit) ++button;
    switch (button) {
    case BTN_ADD: AddFiles(); break;
    case BTN_PLAY: PlayOrStop(); break;
    case BTN_SAVE: SaveToFile(); break;
    case BTN_BURN:
        StopPlaylistShow(parent);
        if (parent) PostMessageW(parent, WM_COMMAND, IDM_CREATE_SLIDESHOW, 0);
        break;
    case BTN_UP: MoveSelection(true); break;
    case BTN_DOWN: MoveSelection(false); break;
    case BTN_REMOVE: RemoveSelected(); break;
    case BTN_REMOVE_ALL:
        marking_ = true;
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        marking_ = false;
        lastItem = -1;
        Playlist::Count = 0;
        break;
    default: return false;
    }
    UpdateButtons();
    return true;
}
