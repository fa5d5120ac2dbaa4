#include "app/Language.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cwchar>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/MainMenu.h"
#include "app/Startup.h"
#include "app_language_ids.h"
#include "command_ids.h"
#include "image/Common.h"

wchar_t ActiveLanguageName[MAX_PATH] = {};
wchar_t LanguageFilePath[MAX_PATH] = {};
wchar_t MainToolbarTips[MAIN_TOOLBAR_TIPS][LANG_TIP_CHARS] = {};
wchar_t ImageToolbarTips[IMAGE_TOOLBAR_TIPS][LANG_TIP_CHARS] = {};
wchar_t BrowserToolbarTips[BROWSER_TOOLBAR_TIPS][LANG_TIP_CHARS] = {};

const wchar_t kDefaultToolbarTips[] =
    L"Open Media (Ctrl+O)|Reload Media (Ctrl+R)|Browse a Folder(Return)|Previous Media (PageUp)|Next Media "
    L"(PageDown)|Exit Program (Escape)|Save Image As (Ctrl+S)|Print Image (Ctrl+P)|Acquire Image|Undo previous "
    L"Action (Ctrl+Z)|Redo previous Action (Ctrl+Y)|Zoom In (+)|Zoom 100% (*)|Zoom Out (-)|Choose File "
    L"Operations|Start or Stop a Slideshow (Ctrl+Shift+S)|Configure the Program|About this Program";
const wchar_t kDefaultImageToolbarTips[] =
    L"Rotate Image Right by 90\u00b0|Rotate Image Left by 90\u00b0|Rotate Image by 180\u00b0|Flip Image|Mirror "
    L"Image|Use Scroll Tool (Ctrl+1)|Use Select Tool (Ctrl+2)|Use Red Marker Tool (Ctrl+3)|View File Information "
    L"(Ctrl+I)|View All Color Channels|View only Red Channel|View only Green Channel|View only Blue "
    L"Channel|View/Blend Alpha Channel";
const wchar_t kDefaultBrowserToolbarTips[] =
    L"Go Back (Mouse-Backbutton)|Go One Level Up (Backspace)|Toggle Folderview left/right|Select All "
    L"(Ctrl+A)|Refresh Browser(F5)|Search (Ctrl+F)|Search for a Path|Create a new Folder|Configure current Sort "
    L"Order|Allows for quick Configuration|Process selected Items in Batch|Move selected Item(s) to... "
    L"(Shift+M)|Copy selected Item(s) to... (Shift+C)|Rename selected Item(s)... (F2)|Delete selected Item(s)... "
    L"(Delete)";
const wchar_t kDefaultToolbarLabels[] =
    L"Open|Reload|Browse|SEP|Prev|Next|SEP|Exit|Save|Print|Acquire|Undo|Redo|SEP|Zoom In|Zoom 100|Zoom "
    L"Out|SEP|File|Slideshow|SEP|Settings|About";

namespace {

LANGID (*g_languageSource)() = nullptr;
wchar_t g_programFolder[MAX_PATH] = {};

// Copies text into out only when it fits whole; false leaves out empty.
bool CopyWhole(wchar_t* out, size_t size, const wchar_t* text) {
    const size_t length = wcslen(text);
    if (length >= size) {
        if (size) out[0] = L'\0';
        return false;
    }
    wmemcpy(out, text, length + 1);
    return true;
}

// A value with an empty default: the file's text, or "" when it has none. An
// empty path is never passed on: the system would read its own win.ini.
void ReadValue(const wchar_t* section, const wchar_t* key, wchar_t* out, int size) {
    out[0] = L'\0';
    if (LanguageFilePath[0]) GetPrivateProfileStringW(section, key, L"", out, (DWORD)size, LanguageFilePath);
}

}  // namespace

void SetUILanguageSource(LANGID (*source)()) { g_languageSource = source; }

void SetLanguageProgramFolder(const wchar_t* folder) {
    if (!folder) g_programFolder[0] = L'\0';
    else CopyWhole(g_programFolder, MAX_PATH, folder);
}

bool GetLanguageProgramFolder(wchar_t* out, size_t size) {
    if (g_programFolder[0]) return CopyWhole(out, size, g_programFolder);
    return GetProgramFolder(out, size);
}

const wchar_t* LanguageFileForLanguageId(LANGID id) {
    switch (id) {
    case 1028:
    case 3076:
    case 5124: return L"Languages\\ChineseTraditional.ini";
    case 1031:
    case 2055:
    case 3079:
    case 4103:
    case 5127: return L"Languages\\German.ini";
    case 1037: return L"Languages\\Hebrew.ini";
    case 1038: return L"Languages\\Hungarian.ini";
    default: return L"";
    }
}

void DetectDefaultLanguage() {
    if (AppState::GeneralDetectedLanguage) return;
    const LANGID id = g_languageSource ? g_languageSource() : GetSystemDefaultUILanguage();
    CopyStringW(AppState::GeneralLanguageFile, LanguageFileForLanguageId(id), ARRAYSIZE(AppState::GeneralLanguageFile));
    AppState::GeneralDetectedLanguage = 1;
}

void InitLanguageFile() {
    DetectDefaultLanguage();
    // A name or a path that does not fit its buffer counts as a missing file:
    // a cut path could name another file.
    bool usable = CopyWhole(ActiveLanguageName, MAX_PATH, AppState::GeneralLanguageFile);
    wchar_t path[MAX_PATH] = {};
    usable = usable && GetLanguageProgramFolder(path, MAX_PATH) && AppendPath(path, AppState::GeneralLanguageFile);
    CopyWhole(LanguageFilePath, MAX_PATH, usable ? path : L"");
    if (!usable || !ActiveLanguageName[0] || !PathFileExistsW(LanguageFilePath)) ActiveLanguageName[0] = L'\0';
}

bool IsLanguageFileActive() { return ActiveLanguageName[0] != L'\0'; }

void LangGetString(wchar_t* buffer, const wchar_t* section, const wchar_t* key, const wchar_t* def) {
    buffer[0] = L'\0';
    if (!LanguageFilePath[0]) {
        CopyStringW(buffer, def ? def : L"", LANG_STRING_CHARS);
        return;
    }
    GetPrivateProfileStringW(section, key, def ? def : L"", buffer, LANG_STRING_CHARS, LanguageFilePath);
}

bool LangLookupText(const wchar_t* section, const wchar_t* key, wchar_t* out, int size) {
    if (!out || size <= 0) return false;
    out[0] = L'\0';
    if (!LanguageFilePath[0]) return false;
    // Read straight into the caller's buffer: a list such as the tool bar's
    // labels can be longer than the usual text buffer.
    GetPrivateProfileStringW(section, key, L"", out, (DWORD)size, LanguageFilePath);
    return out[0] != L'\0';
}

void LangGetMessage(wchar_t* buffer, const wchar_t* key, const wchar_t* def) {
    LangGetString(buffer, L"Messages", key, def);
}

bool LangText(const wchar_t* section, const wchar_t* key, wchar_t* out, int size) {
    if (!out || size <= 0) return false;
    out[0] = L'\0';
    if (!IsLanguageFileActive()) return false;
    ReadValue(section, key, out, size);
    return out[0] != L'\0';
}

std::unique_ptr<LangListEntry[]> SplitLangList(const wchar_t* text, int* count) {
    int entries = 1;
    for (const wchar_t* p = text; *p; ++p)
        if (*p == L'|') ++entries;
    std::unique_ptr<LangListEntry[]> list(new LangListEntry[entries]());
    int entry = 0, length = 0;
    for (const wchar_t* p = text; *p; ++p) {
        if (length < LANG_ENTRY_CHARS - 1) list[entry][length++] = *p;
        if (p[1] == L'|') {
            ++entry;
            length = 0;
            ++p;
        }
    }
    *count = entries;
    return list;
}

std::unique_ptr<LangListEntry[]> LangGetList(const wchar_t* section, const wchar_t* key, int* count,
                                             const wchar_t* def) {
    wchar_t value[LANG_STRING_CHARS] = {};
    if (IsLanguageFileActive()) ReadValue(section, key, value, LANG_STRING_CHARS);
    return SplitLangList(value[0] ? value : (def ? def : L""), count);
}

void LangFillComboBox(HWND combo, const wchar_t* section, const wchar_t* key, int selection, const wchar_t* def) {
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    int count = 0;
    const auto list = LangGetList(section, key, &count, def);
    for (int i = 0; i < count; ++i) SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)list[i]);
    SendMessageW(combo, CB_SETCURSEL, (WPARAM)selection, 0);
}

void LangSetItemText(HWND dialog, const wchar_t* section, const wchar_t* key, int control) {
    if (!IsLanguageFileActive()) return;
    wchar_t text[LANG_ITEM_CHARS];
    ReadValue(section, key, text, LANG_ITEM_CHARS);
    if (text[0]) SetDlgItemTextW(dialog, control, text);
}

void LangSetTitle(HWND dialog, const wchar_t* section) {
    if (!IsLanguageFileActive()) return;
    wchar_t text[LANG_ITEM_CHARS];
    ReadValue(section, L"Title", text, LANG_ITEM_CHARS);
    if (text[0]) SetWindowTextW(dialog, text);
}

void ExpandMenuTab(wchar_t* text) {
    wchar_t* pair = wcsstr(text, L"\\t");
    if (!pair) return;
    *pair = L'\t';
    wmemmove(pair + 1, pair + 2, wcslen(pair + 2) + 1);
}

namespace {

// Replaces only the text of a menu entry: its submenu, state and type stay.
void SetMenuEntryText(HMENU menu, UINT item, BOOL byPosition, wchar_t* text) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = text;
    SetMenuItemInfoW(menu, item, byPosition, &info);
}

}  // namespace

void LangSetMenuPopupText(const wchar_t* key, int position, HMENU menu) {
    // Only an entry that opens a submenu is a popup title.
    if (!menu || position < 0 || position >= GetMenuItemCount(menu) || !GetSubMenu(menu, position)) return;
    wchar_t text[LANG_MENU_CHARS];
    ReadValue(L"Menu", key, text, LANG_MENU_CHARS);
    if (text[0]) SetMenuEntryText(menu, (UINT)position, TRUE, text);
}

void LangSetMenuItemText(HMENU menu, const wchar_t* key, UINT command) {
    if (!menu || !IsLanguageFileActive()) return;
    wchar_t text[LANG_MENU_CHARS];
    ReadValue(L"Menu", key, text, LANG_MENU_CHARS);
    if (!text[0]) return;
    ExpandMenuTab(text);
    SetMenuEntryText(menu, command, FALSE, text);
}

namespace {

// Fills a tool-tip table: the built-in texts first, then the file's entries
// over them, each cut to the table's width; surplus entries are ignored.
template <int N>
void LoadTips(wchar_t (&table)[N][LANG_TIP_CHARS], const wchar_t* key, const wchar_t* def) {
    int count = 0;
    const auto builtIn = SplitLangList(def, &count);
    for (int i = 0; i < N; ++i) CopyStringW(table[i], i < count ? builtIn[i] : L"", LANG_TIP_CHARS);
    const auto list = LangGetList(L"Tooltips", key, &count, def);
    for (int i = 0; i < N && i < count; ++i)
        if (list[i][0]) CopyStringW(table[i], list[i], LANG_TIP_CHARS);
}

}  // namespace

void LangLoadToolbarTips() { LoadTips(MainToolbarTips, L"Toolbar", kDefaultToolbarTips); }
void LangLoadImageToolbarTips() { LoadTips(ImageToolbarTips, L"ImageToolbar", kDefaultImageToolbarTips); }
void LangLoadBrowserToolbarTips() { LoadTips(BrowserToolbarTips, L"BrowserToolbar", kDefaultBrowserToolbarTips); }

std::unique_ptr<LangListEntry[]> LangGetToolbarLabels() {
    int builtInCount = 0, count = 0;
    auto labels = SplitLangList(kDefaultToolbarLabels, &builtInCount);
    const auto list = LangGetList(L"ToolbarLabels", L"Labels", &count, kDefaultToolbarLabels);
    for (int i = 0; i < builtInCount && i < count; ++i)
        if (list[i][0]) CopyStringW(labels[i], list[i], LANG_ENTRY_CHARS);
    return labels;
}

// ---- Dialog appliers -------------------------------------------------------

// The tool-bar settings page's 18 label controls take the non-separator labels.
void LangApplyToolbarLabels(HWND dialog) {
    static constexpr int kEntries[] = {0, 1, 2, 4, 5, 7, 8, 9, 10, 11, 12, 14, 15, 16, 18, 19, 21, 22};
    static constexpr int kControls[] = {1099, 1100, 1101, 1108, 1109, 1102, 1103, 1104, 1121,
                                        1122, 1123, 1105, 1106, 1107, 1111, 1087, 1115, 1116};
    const auto labels = LangGetToolbarLabels();
    for (int i = 0; i < (int)ARRAYSIZE(kEntries); ++i) SetDlgItemTextW(dialog, kControls[i], labels[kEntries[i]]);
}

const LangDialogRow* FindLangDialogRow(const wchar_t* section) {
    if (!section) return nullptr;
    for (const LangDialogRow& row : LangDialogRows())
        if (wcscmp(row.section, section) == 0) return &row;
    return nullptr;
}

void LangApplyRow(const LangDialogRow& row, HWND dialog) {
    if (!IsLanguageFileActive()) return;
    if (row.title) LangSetTitle(dialog, row.section);
    for (const LangControlKey& pair : row.keys)
        LangSetItemText(dialog, pair.sister ? pair.sister : row.section, pair.key, pair.control);
    if (row.extra) row.extra(dialog);
}

void LangApplyDialog(HWND dialog, const wchar_t* section) {
    if (const LangDialogRow* row = FindLangDialogRow(section)) LangApplyRow(*row, dialog);
}

void LangApplyEffBlur(HWND dialog) { LangApplyDialog(dialog, L"Dlg_EffBlur"); }
void LangApplyEffPixelize(HWND dialog) { LangApplyDialog(dialog, L"Dlg_EffPixelize"); }
void LangApplyEffSharpen(HWND dialog) { LangApplyDialog(dialog, L"Dlg_EffSharpen"); }
void LangApplyLanguage(HWND dialog) { LangApplyDialog(dialog, L"Dlg_Language"); }
void LangApplyPrint(HWND dialog) { LangApplyDialog(dialog, L"Dlg_Print"); }
void LangApplyPrintContactSheet(HWND dialog) { LangApplyDialog(dialog, L"Dlg_PrintContactSheet"); }
void LangApplyBatchPrint(HWND dialog) { LangApplyDialog(dialog, L"Dlg_BatchPrint"); }

// ---- Menu appliers -----------------------------------------------------------

namespace {

void ApplyMenuKeys(HMENU menu, const LangMenuRow& row) {
    for (const auto& keys : row.parts)
        for (const LangMenuKey& entry : keys) {
            if (entry.command) {
                LangSetMenuItemText(menu, entry.key, entry.command);
                continue;
            }
            HMENU parent = entry.parent < 0 ? menu : GetSubMenu(menu, entry.parent);
            if (parent) LangSetMenuPopupText(entry.key, entry.position, parent);
        }
}

}  // namespace

void LangApplyMainMenu(HMENU menu) { ApplyMenuKeys(menu, LangMainMenuRow()); }

void LangApplyPopupMenu(HMENU popup, const wchar_t* menuResource) {
    if (!menuResource) return;
    for (const LangMenuRow& row : LangMenuRows())
        if (wcscmp(row.menuResource, menuResource) == 0) ApplyMenuKeys(popup, row);
}

// ---- The language dialog -------------------------------------------------------

bool LanguageFileSetting(const wchar_t* fileName, wchar_t* setting, size_t size) {
    if (!fileName || !fileName[0]) return CopyWhole(setting, size, L"");
    static constexpr wchar_t kFolder[] = L"\\Languages\\";
    const size_t folder = ARRAYSIZE(kFolder) - 1;
    if (folder + wcslen(fileName) >= size) return false;
    wcscpy(setting, kFolder);
    wcscpy(setting + folder, fileName);
    return true;
}

namespace {

void AddLanguageRow(HWND list, int index, const wchar_t* language, const wchar_t* author, const wchar_t* file) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(language);
    const int row = (int)SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
    if (row < 0) return;
    item.iItem = row;
    item.iSubItem = 1;
    item.pszText = const_cast<wchar_t*>(author);
    SendMessageW(list, LVM_SETITEMTEXTW, (WPARAM)row, (LPARAM)&item);
    item.iSubItem = 2;
    item.pszText = const_cast<wchar_t*>(file);
    SendMessageW(list, LVM_SETITEMTEXTW, (WPARAM)row, (LPARAM)&item);
}

void FillLanguageList(HWND list) {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    int count = 0;
    const auto headers = LangGetList(L"Dlg_Language", L"ListHeaders", &count, L"File|Author|Language");
    for (int i = 0; i < count; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = headers[i];
        column.iSubItem = count - 1 - i;
        column.cx = i == 0 ? 110 - GetSystemMetrics(SM_CXVSCROLL) : 100;
        SendMessageW(list, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);
    }
    AddLanguageRow(list, 0, L"English (Default)", L"Ostrevan", L"");

    wchar_t pattern[MAX_PATH];
    if (GetLanguageProgramFolder(pattern, MAX_PATH) && AppendPath(pattern, L"Languages\\*.ini")) {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(pattern, &found);
        if (search != INVALID_HANDLE_VALUE) {
            int row = 1;
            do {
                if (found.cFileName[0] == L'.' || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
                // Only names the setting can hold are offered.
                wchar_t setting[ARRAYSIZE(AppState::GeneralLanguageFile)];
                if (!LanguageFileSetting(found.cFileName, setting, ARRAYSIZE(setting))) continue;
                wchar_t path[MAX_PATH];
                if (!GetLanguageProgramFolder(path, MAX_PATH) || !AppendPath(path, L"Languages") ||
                    !AppendPath(path, found.cFileName))
                    continue;
                wchar_t language[520] = {}, author[520] = {};
                GetPrivateProfileStringW(L"Header", L"Language", L"unkown???", language, ARRAYSIZE(language), path);
                GetPrivateProfileStringW(L"Header", L"Author", L"Somebody", author, ARRAYSIZE(author), path);
                AddLanguageRow(list, row++, language, author, found.cFileName);
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
    }
    for (int i = 0; i < count; ++i) SendMessageW(list, LVM_SETCOLUMNWIDTH, (WPARAM)i, LVSCW_AUTOSIZE);
}

void ChooseSelectedLanguage(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_LANGUAGE_LIST);
    wchar_t fileName[1024] = {};
    const int row = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED | LVNI_FOCUSED);
    if (row >= 0) {
        LVITEMW item = {};
        item.iSubItem = 2;
        item.pszText = fileName;
        item.cchTextMax = ARRAYSIZE(fileName);
        SendMessageW(list, LVM_GETITEMTEXTW, (WPARAM)row, (LPARAM)&item);
    }
    wchar_t setting[ARRAYSIZE(AppState::GeneralLanguageFile)];
    if (LanguageFileSetting(fileName, setting, ARRAYSIZE(setting)))
        CopyStringW(AppState::GeneralLanguageFile, setting, ARRAYSIZE(AppState::GeneralLanguageFile));
    InitLanguageFile();

    HWND mainWindow = AppState::MainWindow;
    MainMenu.Destroy();
    if (mainWindow) {
        MainMenu.Load(mainWindow);
        MainMenu.UpdateStates();
    }
    if (AppState::GeneralShowToolbar && mainWindow) {
        MainToolBar.Create(mainWindow);
        MainToolBar.UpdateButtonStates();
        if (MainMenu.menu) CheckMenuItem(MainMenu.menu, IDM_SHOW_TOOLBAR, MF_BYCOMMAND | MF_CHECKED);
    }
    if (AppState::GeneralShowStatusbar && MainMenu.menu)
        CheckMenuItem(MainMenu.menu, IDM_SHOW_STATUSBAR, MF_BYCOMMAND | MF_CHECKED);
}

}  // namespace

INT_PTR CALLBACK LanguageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, AppState::MainWindow);
        LangApplyLanguage(dialog);
        FillLanguageList(GetDlgItem(dialog, IDC_LANGUAGE_LIST));
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->idFrom == IDC_LANGUAGE_LIST && header->code == NM_DBLCLK)
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            ChooseSelectedLanguage(dialog);
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL: EndDialog(dialog, -1); return TRUE;
        }
        break;
    }
    return FALSE;
}
