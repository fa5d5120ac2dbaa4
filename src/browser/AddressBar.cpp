#include "browser/AddressBar.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

#include "app/AppState.h"
#include "app/FolderChooser.h"
#include "app/MainWindowIds.h"
#include "browser/Browser.h"
#include "browser/BrowserServices.h"
#include "browser/BrowserState.h"
#include "browser/FolderTree.h"
#include "browser/ThumbnailLoader.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Registry.h"
#include "browser_ids.h"
#include "command_ids.h"

namespace {

int ClampFolderCount(int count) { return std::clamp(count, 0, (int)RECENT_FOLDER_CAPACITY); }

void RecentValueName(wchar_t* name, int index) { swprintf(name, 32, L"BrowserDirs%d", index + 1); }

struct TipRow {
    UINT id;
    const wchar_t* text;
};
const TipRow kTips[] = {
    {IDM_BROWSER_BACK, L"Go Back (Mouse-Backbutton)"},
    {IDM_BROWSER_UP, L"Go One Level Up (Backspace)"},
    {IDM_BROWSER_FOLDER_PANE, L"Toggle Folderview left/right"},
    {IDM_BROWSER_SELECT_ALL, L"Select All (Ctrl+A)"},
    {IDM_BROWSER_REFRESH, L"Refresh Browser(F5)"},
    {IDM_BROWSER_SEARCH, L"Search (Ctrl+F)"},
    {IDM_BROWSER_CHOOSE_FOLDER, L"Search for a Path"},
    {IDM_BROWSER_NEW_FOLDER, L"Create a new Folder"},
    {IDM_BROWSER_SORT_ORDER, L"Configure current Sort Order"},
    {IDM_BROWSER_CONFIGURE, L"Allows for quick Configuration"},
    {IDM_BROWSER_BATCH, L"Process selected Items in Batch"},
    {IDM_BROWSER_MOVE, L"Move selected Item(s) to... (Shift+M)"},
    {IDM_BROWSER_COPY, L"Copy selected Item(s) to... (Shift+C)"},
    {IDM_BROWSER_RENAME, L"Rename selected Item(s)... (F2)"},
    {IDM_BROWSER_DELETE, L"Delete selected Item(s)... (Delete)"},
};

// The text of an edit control, at most MAX_PATH characters.
std::wstring EditText(HWND dialog, int id) {
    wchar_t text[MAX_PATH] = {};
    GetDlgItemTextW(dialog, id, text, MAX_PATH);
    return text;
}

void FocusWholeText(HWND dialog, int id) {
    HWND edit = GetDlgItem(dialog, id);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

}  // namespace

// ---- the recent-folder list ----

void PushRecentFolder(RecentFolderArray& list, int& count, const wchar_t* folder) {
    if (!folder || !folder[0]) return;
    count = ClampFolderCount(count);
    for (int i = 0; i < count; ++i) {
        if (_wcsicmp(list[i], folder) != 0) continue;
        for (int j = i; j + 1 < count; ++j) CopyStringW(list[j], list[j + 1]);
        --count;
        break;
    }
    const int kept = std::min(count, (int)RECENT_FOLDER_CAPACITY - 1);
    for (int i = kept; i > 0; --i) CopyStringW(list[i], list[i - 1]);
    CopyStringW(list[0], folder);
    count = kept + 1;
}

void LoadRecentFolderList(CRegistry& registry, const wchar_t* subKey, bool privacy, RecentFolderArray& list,
                          int& count) {
    if (privacy) return;
    const int stored = (int)registry.ReadDword(subKey, L"BrowserDirCount", 0);
    count = ClampFolderCount(stored);
    for (int i = 0; i < count; ++i) {
        wchar_t name[32];
        RecentValueName(name, i);
        registry.ReadString(subKey, name, L"C:\\Temp", list[i]);
    }
}

void SaveRecentFolderList(CRegistry& registry, const wchar_t* subKey, bool privacy, const RecentFolderArray& list,
                          int count) {
    if (privacy) return;
    count = ClampFolderCount(count);
    registry.WriteDword(subKey, L"BrowserDirCount", (DWORD)count);
    for (int i = 0; i < count; ++i) {
        wchar_t name[32];
        RecentValueName(name, i);
        registry.WriteString(subKey, name, list[i]);
    }
}

void CBrowser::LoadRecentFolders() {
    CRegistry registry(HKEY_CURRENT_USER);
    LoadRecentFolderList(registry, QRV_REGISTRY_KEY, AppState::PrivacyNoBrowsedDirsList != 0, AppState::RecentFolders,
                         AppState::RecentFolderCount);
}

void CBrowser::SaveRecentFolders() {
    CRegistry registry(HKEY_CURRENT_USER);
    SaveRecentFolderList(registry, QRV_REGISTRY_KEY, AppState::PrivacyNoBrowsedDirsList != 0, AppState::RecentFolders,
                         AppState::RecentFolderCount);
}

void CBrowser::AddRecentFolder(const wchar_t* folder) {
    if (!folder || !folder[0]) return;
    PushRecentFolder(AppState::RecentFolders, AppState::RecentFolderCount, folder);
    if (!addressCombo) return;
    SendMessageW(addressCombo, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < AppState::RecentFolderCount; ++i)
        SendMessageW(addressCombo, CB_ADDSTRING, 0, (LPARAM)AppState::RecentFolders[i]);
    SendMessageW(addressCombo, CB_SETCURSEL, 0, 0);
}

void CBrowser::CopyComboToRecentFolders() {
    if (!addressCombo) return;
    const int count = ClampFolderCount((int)SendMessageW(addressCombo, CB_GETCOUNT, 0, 0));
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(addressCombo, CB_GETLBTEXTLEN, (WPARAM)i, 0);
        if (length < 0 || length >= MAX_PATH) continue;
        SendMessageW(addressCombo, CB_GETLBTEXT, (WPARAM)i, (LPARAM)AppState::RecentFolders[kept++]);
    }
    AppState::RecentFolderCount = kept;
}

// ---- going up ----

bool BrowserUpTarget(const wchar_t* folder, const wchar_t* desktop, wchar_t* out) {
    if (!folder || !folder[0]) return false;
    if (desktop && _wcsicmp(folder, desktop) == 0) return false;
    const bool driveRoot = wcslen(folder) == 3 && iswalnum(folder[0]) && folder[1] == L':';
    if (driveRoot) {
        if (!desktop) {
            ShowMessage(L"Failed to retrieve Path for Desktopfolder!!");
            return false;
        }
        CopyStringW(out, desktop);
        return true;
    }
    wchar_t path[MAX_PATH];
    CopyStringW(path, folder);
    wchar_t* slash = wcsrchr(path, L'\\');
    if (!slash) return false;
    *slash = 0;
    if (wcslen(path) == 2) wcscat(path, L"\\");
    if (!path[0]) return false;
    CopyStringW(out, path);
    return true;
}

bool GetDesktopFolderPath(wchar_t* out) {
    // Asked on every change of the list's selection: the path is looked up once.
    static wchar_t desktop[MAX_PATH] = {};
    if (!desktop[0] && FAILED(SHGetFolderPathW(nullptr, CSIDL_DESKTOP, nullptr, 0, desktop))) desktop[0] = 0;
    CopyStringW(out, desktop);
    return desktop[0] != 0;
}

// ---- the tool bar ----

const BrowserToolbarButton kBrowserToolbarButtons[kBrowserToolbarButtonCount] = {
    {IDM_BROWSER_BACK, 0, false},
    {IDM_BROWSER_UP, 1, false},
    {0, -1, false},
    {IDM_BROWSER_FOLDER_PANE, 2, false},
    {0, -1, false},
    {IDM_BROWSER_SELECT_ALL, 3, false},
    {IDM_BROWSER_REFRESH, 4, false},
    {IDM_BROWSER_SEARCH, 5, false},
    {0, -1, false},
    {IDM_BROWSER_CHOOSE_FOLDER, 6, false},
    {IDM_BROWSER_NEW_FOLDER, 7, false},
    {0, -1, false},
    {IDM_BROWSER_SORT_ORDER, 8, true},
    {IDM_BROWSER_CONFIGURE, 9, true},
    {0, -1, false},
    {IDM_BROWSER_BATCH, 10, true},
    {0, -1, false},
    {IDM_BROWSER_MOVE, 11, false},
    {IDM_BROWSER_COPY, 12, false},
    {IDM_BROWSER_RENAME, 13, false},
    {IDM_BROWSER_DELETE, 14, false},
};

const wchar_t* BrowserToolbarTip(UINT id) {
    for (const TipRow& row : kTips)
        if (row.id == id) return row.text;
    return nullptr;
}

BrowserToolbarStates ComputeBrowserToolbarStates(int recentCount, const wchar_t* firstFolder, const wchar_t* desktop,
                                                 bool upBefore, int selectedCount) {
    BrowserToolbarStates states;
    states.back = recentCount > 1;
    states.up = upBefore;
    if (desktop) states.up = !(firstFolder && _wcsicmp(firstFolder, desktop) == 0);
    states.fileOperations = selectedCount > 0;
    states.batch = selectedCount > 1;
    return states;
}

bool CBrowser::CreateToolbar() {
    rebarHeight = 0;
    if (!owner) return false;
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_COOL_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&controls);
    rebar = CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                            WS_CHILD | WS_BORDER | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_BANDBORDERS | RBS_VARHEIGHT |
                                RBS_TOOLTIPS | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                            0, 0, 0, 0, owner, (HMENU)(INT_PTR)kBrowserRebarId, AppState::Instance, nullptr);
    if (!rebar) ShowMessage(L"no Rebar");
    toolbar = CreateWindowExW(
        0, TOOLBARCLASSNAMEW, nullptr,
        WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN, 0,
        0, 0, 0, rebar ? rebar : owner, (HMENU)(INT_PTR)kBrowserToolbarId, AppState::Instance, nullptr);
    if (!toolbar) return false;
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    // The button pictures come with the skin; until one is loaded the buttons
    // keep the skin's default size and show no picture.
    SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 16));
    TBBUTTON buttons[kBrowserToolbarButtonCount] = {};
    for (int i = 0; i < kBrowserToolbarButtonCount; ++i) {
        const BrowserToolbarButton& b = kBrowserToolbarButtons[i];
        buttons[i].iBitmap = b.id ? b.image : 0;
        buttons[i].idCommand = (int)b.id;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = b.id == 0 ? BTNS_SEP : b.dropDown ? (BTNS_BUTTON | BTNS_WHOLEDROPDOWN) : BTNS_BUTTON;
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, kBrowserToolbarButtonCount, (LPARAM)buttons);
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    if (rebar) {
        const DWORD size = (DWORD)SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0);
        REBARBANDINFOW band = {};
        band.cbSize = sizeof(band);
        band.fMask = RBBIM_COLORS | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE;
        band.fStyle = RBBS_CHILDEDGE;
        band.clrFore = GetSysColor(COLOR_BTNTEXT);
        band.clrBack = GetSysColor(COLOR_BTNFACE);
        band.hwndChild = toolbar;
        band.cxMinChild = LOWORD(size);
        band.cyMinChild = HIWORD(size);
        if (!SendMessageW(rebar, RB_INSERTBANDW, (WPARAM)-1, (LPARAM)&band))
            ShowMessage(L"No insert toolbar into rebar!");
        RECT r;
        GetWindowRect(rebar, &r);
        rebarHeight = (int)SendMessageW(rebar, RB_GETBARHEIGHT, 0, 0);
        if (rebarHeight <= 0) rebarHeight = r.bottom - r.top;
    }
    UpdateToolbarButtons();
    return true;
}

void CBrowser::DestroyToolbar() {
    if (toolbar) DestroyWindow(toolbar);
    if (rebar) DestroyWindow(rebar);
    toolbar = rebar = nullptr;
    if (coldImages) ImageList_Destroy(coldImages);
    if (hotImages) ImageList_Destroy(hotImages);
    coldImages = hotImages = nullptr;
    rebarHeight = 0;
}

bool CBrowser::UpdateToolbarButtons() {
    if (!open || hidden) return false;
    if (!toolbar) return true;
    wchar_t desktop[MAX_PATH];
    const bool haveDesktop = GetDesktopFolderPath(desktop);
    wchar_t first[MAX_PATH] = {};
    if (addressCombo && SendMessageW(addressCombo, CB_GETLBTEXTLEN, 0, 0) < MAX_PATH)
        SendMessageW(addressCombo, CB_GETLBTEXT, 0, (LPARAM)first);
    const int selected = fileListWindow ? (int)SendMessageW(fileListWindow, LVM_GETSELECTEDCOUNT, 0, 0) : 0;
    const bool upBefore = SendMessageW(toolbar, TB_ISBUTTONENABLED, IDM_BROWSER_UP, 0) != 0;
    const BrowserToolbarStates s = ComputeBrowserToolbarStates(AppState::RecentFolderCount, first,
                                                               haveDesktop ? desktop : nullptr, upBefore, selected);
    const struct {
        UINT id;
        bool on;
    } rows[] = {{IDM_BROWSER_BACK, s.back},
                {IDM_BROWSER_UP, s.up},
                {IDM_BROWSER_MOVE, s.fileOperations},
                {IDM_BROWSER_COPY, s.fileOperations},
                {IDM_BROWSER_RENAME, s.fileOperations},
                {IDM_BROWSER_DELETE, s.fileOperations},
                {IDM_BROWSER_BATCH, s.batch}};
    for (const auto& row : rows) SendMessageW(toolbar, TB_ENABLEBUTTON, row.id, MAKELPARAM(row.on ? TRUE : FALSE, 0));
    return true;
}

bool CBrowser::GetToolbarTipText(NMTTDISPINFOW* info) {
    if (!info) return false;
    const wchar_t* tip = BrowserToolbarTip((UINT)info->hdr.idFrom);
    if (!tip) return false;
    info->lpszText = const_cast<wchar_t*>(tip);
    return true;
}

// ---- info tips ----

void FormatFileInfoTip(const MediaFileEntry& entry, bool folder, bool sound, wchar_t* out, int size) {
    if (!out || size <= 0) return;
    wchar_t bytes[64] = {}, date[64] = {};
    FormatByteSize(bytes, (float)entry.size);
    FormatFileTime(date, &entry.lastWrite);
    wchar_t text[MAX_PATH + 256];
    if (folder) swprintf(text, sizeof text / sizeof *text, L"%ls\n%ls\n", entry.name, date);
    else if (sound) swprintf(text, sizeof text / sizeof *text, L"%ls\n%ls\n%ls\n", entry.name, bytes, date);
    else
        swprintf(text, sizeof text / sizeof *text, L"%ls\n%d x %d Pixel\n%d Bit\n%ls\n%ls\n", entry.name, entry.width,
                 entry.height, entry.bpp, bytes, date);
    const size_t length = wcslen(text);
    if (length > 0) text[length - 1] = 0;
    CopyStringW(out, text, (size_t)size);
}

bool CBrowser::GetFileInfoTip(NMLVGETINFOTIPW* info) {
    if (!info || !info->pszText || info->cchTextMax <= 0) return false;
    if (ThumbLoader::Running || !FileList::Entries) return false;
    if (AppState::BrowserTab == TAB_PLAYLIST || AppState::BrowserTab == TAB_CONFIGURE) return false;
    const int item = info->iItem;
    if (item < 0) return false;
    if (item < FileList::SubfolderCount) {
        if (!FileList::Subfolders) return false;
        FormatFileInfoTip(FileList::Subfolders[item], true, false, info->pszText, info->cchTextMax);
        return true;
    }
    const int file = item - FileList::SubfolderCount;
    if (file >= FileList::Count) return false;
    const MediaFileEntry& entry = FileList::Entries[file];
    FormatFileInfoTip(entry, false, IsSoundExtension(entry.name), info->pszText, info->cchTextMax);
    return true;
}

// ---- create a folder ----

INT_PTR CALLBACK CreateFolderDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, AppState::MainWindow);
        SetFocus(GetDlgItem(dialog, IDC_NEW_FOLDER_NAME));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            const std::wstring name = EditText(dialog, IDC_NEW_FOLDER_NAME);
            wchar_t path[MAX_PATH] = {};
            GetCurrentDirectoryW(MAX_PATH, path);
            const bool joined = !name.empty() && AppendPath(path, name.c_str());
            if (joined && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) {
                ShowMessage(MessageOwner{dialog},
                            L"The folder does exist already! Either type a new name or hit Cancel.");
            } else if (joined && CreateDirectoryW(path, nullptr)) {
                EndDialog(dialog, 1);
                RefreshTreeSelection(Browser.folderTreeWindow);
                if (AppState::MainWindow) PostMessageW(AppState::MainWindow, WM_COMMAND, IDM_REFRESH, 0);
                return TRUE;
            } else {
                ShowMessage(MessageOwner{dialog},
                            L"Failed to create Directory! Choose another name and make sure not "
                            L"to use invalid characters like ?\\: .");
            }
            FocusWholeText(dialog, IDC_NEW_FOLDER_NAME);
            return TRUE;
        }
        case IDCANCEL: EndDialog(dialog, -1); return TRUE;
        default: break;
        }
        break;
    default: break;
    }
    return FALSE;
}

INT_PTR ShowCreateFolderDialog(HWND owner) {
    return DialogBoxParamW(AppState::Instance, L"BROWSERCREATEFOLDER", owner, CreateFolderDlgProc, 0);
}

// ---- type or choose a path ----

INT_PTR CALLBACK SelectPathDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, AppState::MainWindow);
        SetDlgItemTextW(dialog, IDC_SELECT_PATH_EDIT, L"");
        SetFocus(GetDlgItem(dialog, IDC_SELECT_PATH_EDIT));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            const std::wstring path = EditText(dialog, IDC_SELECT_PATH_EDIT);
            if (path.empty() || !PathIsDirectoryW(path.c_str())) {
                ShowMessage(MessageOwner{dialog}, L"Please type a valid path or press Cancel.");
                FocusWholeText(dialog, IDC_SELECT_PATH_EDIT);
                return TRUE;
            }
            EndDialog(dialog, 1);
            Browser.ChangeFolder(path.c_str(), BROWSER_OPEN_GIVEN_PATH, false);
            return TRUE;
        }
        case IDC_SELECT_PATH_BROWSE: {
            std::wstring chosen;
            if (ChooseFolder(dialog, nullptr, &chosen)) SetDlgItemTextW(dialog, IDC_SELECT_PATH_EDIT, chosen.c_str());
            return TRUE;
        }
        case IDCANCEL: EndDialog(dialog, -1); return TRUE;
        default: break;
        }
        break;
    default: break;
    }
    return FALSE;
}

INT_PTR ShowSelectPathDialog(HWND owner) {
    return DialogBoxParamW(AppState::Instance, L"SELECTPATHDLG", owner, SelectPathDlgProc, 0);
}
