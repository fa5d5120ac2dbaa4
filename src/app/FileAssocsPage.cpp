// The Associations page of the settings sheet: three lists of formats with a
// check mark per row the program holds, the folder, drive and playlist
// boxes, and the button that applies what is marked.
#include <windows.h>

#include <commctrl.h>

#include <cwchar>

#include "app/FileAssociations.h"
#include "app/Language.h"
#include "app/SettingsSheet.h"
#include "app_settings_ids.h"
#include "image/Common.h"

namespace {

HKEY g_classesRoot = nullptr;
HKEY g_userRoot = nullptr;

HKEY ClassesRoot() { return g_classesRoot ? g_classesRoot : HKEY_CLASSES_ROOT; }
HKEY UserRoot() { return g_userRoot ? g_userRoot : HKEY_CURRENT_USER; }

const int kListControls[ASSOC_TABLE_COUNT] = {IDC_ASSOC_IMAGE_LIST, IDC_ASSOC_VIDEO_LIST, IDC_ASSOC_SOUND_LIST};
const int kAllControls[ASSOC_TABLE_COUNT] = {IDC_ASSOC_ALL_IMAGES, IDC_ASSOC_ALL_VIDEOS, IDC_ASSOC_ALL_SOUNDS};

void BuildTable(AssocTable table, FormatAssocEntry* entries, int* count) {
    switch (table) {
    case ASSOC_VIDEOS: BuildVideoFormatTable(entries, count); break;
    case ASSOC_SOUNDS: BuildSoundFormatTable(entries, count); break;
    default: BuildImageFormatTable(entries, count); break;
    }
}

// Two columns without headers (name and description, extensions), check
// boxes, one row per format, checked when the program holds it. True when
// every row is checked.
bool FillFormatList(HWND list, AssocTable table, const AssociationPlan& held) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 270;
    ListView_InsertColumn(list, 0, &column);
    column.cx = 238 - GetSystemMetrics(SM_CXVSCROLL);
    ListView_InsertColumn(list, 1, &column);

    FormatAssocEntry entries[ASSOC_IMAGE_COUNT];
    int count = 0;
    BuildTable(table, entries, &count);
    bool all = count > 0;
    for (int i = 0; i < count; ++i) {
        wchar_t text[160];
        swprintf(text, 160, L"%ls - %ls", entries[i].name, entries[i].description);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = text;
        const int row = ListView_InsertItem(list, &item);
        ListView_SetItemText(list, row, 1, entries[i].extensions);
        const bool marked = held.marked[FormatTableStart(table) + i];
        ListView_SetCheckState(list, row, marked);
        all = all && marked;
    }
    return all;
}

void InitAssociationsPage(HWND page) {
    CenterWindow(GetParent(page), GetDesktopWindow());
    LangApplyDialog(page, L"Dlg_FileAssocs");
    const AssociationPlan held = ReadHeldAssociations(ClassesRoot());
    for (int t = 0; t < ASSOC_TABLE_COUNT; ++t) {
        const bool all = FillFormatList(GetDlgItem(page, kListControls[t]), static_cast<AssocTable>(t), held);
        CheckDlgButton(page, kAllControls[t], all ? BST_CHECKED : BST_UNCHECKED);
    }
    CheckDlgButton(page, IDC_ASSOC_FOLDERS, held.folderVerb ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_ASSOC_DRIVES, held.driveVerb ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, IDC_ASSOC_PLAYLISTS, held.playlists ? BST_CHECKED : BST_UNCHECKED);
}

void ApplyMarkedAssociations(HWND page) {
    HWND lists[ASSOC_TABLE_COUNT];
    for (int t = 0; t < ASSOC_TABLE_COUNT; ++t) lists[t] = GetDlgItem(page, kListControls[t]);
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const AssociationOutcome outcome = ApplyFileAssociations(page, lists, ClassesRoot(), UserRoot());
    SetCursor(previous);
    ShowMessage(L"%s", FileAssociationsMessage(outcome).c_str());
}

bool OnCommand(HWND page, int id) {
    for (int t = 0; t < ASSOC_TABLE_COUNT; ++t) {
        if (kAllControls[t] != id) continue;
        const bool check = IsDlgButtonChecked(page, id) == BST_CHECKED;
        HWND list = GetDlgItem(page, kListControls[t]);
        const int count = ListView_GetItemCount(list);
        for (int i = 0; i < count; ++i) ListView_SetCheckState(list, i, check);
        return true;
    }
    if (id != IDC_ASSOC_APPLY) return false;
    ApplyMarkedAssociations(page);
    return true;
}

}  // namespace

void SetAssociationPageRoots(HKEY classesRoot, HKEY userRoot) {
    g_classesRoot = classesRoot;
    g_userRoot = userRoot;
}

INT_PTR CALLBACK FileAssocsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: InitAssociationsPage(page); return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        return OnCommand(page, LOWORD(wParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
        // The sheet's OK and Cancel write nothing here.
        const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
        if (code != PSN_APPLY && code != PSN_RESET) return FALSE;
        ListView_DeleteAllItems(GetDlgItem(page, IDC_ASSOC_IMAGE_LIST));
        SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    }
    return FALSE;
}
