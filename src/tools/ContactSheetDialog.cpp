// The contact-sheet dialog: the file list, the layout with its miniature,
// and the job started from Print.
#include <windows.h>

#include <vector>

#include "app/AppState.h"
#include "app/Language.h"
#include "browser/FileList.h"
#include "image/Common.h"
#include "tools/ContactSheet.h"
#include "tools/ListTool.h"
#include "tools/PrintPreview.h"
#include "tools_ids.h"

namespace {

CPrintContactSheet* g_sheet = nullptr;
bool g_ready = false;

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void Check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

void EnableHeaderControls(HWND dialog, bool on) {
    EnableWindow(GetDlgItem(dialog, IDC_SHEET_HEADER_TEXT), on);
    EnableWindow(GetDlgItem(dialog, IDC_SHEET_HEADER_FONT), on);
}

// A typed count below minimum (or no number at all) is not taken: the value
// in force stays, and no box interrupts the typing.
void ReadNumber(HWND dialog, int id, int& value, int minimum) {
    BOOL ok = FALSE;
    const UINT typed = GetDlgItemInt(dialog, id, &ok, FALSE);
    if (ok && typed <= 100000 && (int)typed >= minimum) value = (int)typed;
}

void SetControls(HWND dialog) {
    const ContactSheetSettings& s = SheetSettings;
    Check(dialog, IDC_PRINT_PORTRAIT, s.orientation == 0);
    Check(dialog, IDC_PRINT_LANDSCAPE, s.orientation == 1);
    Check(dialog, IDC_SHEET_TEST_PAGE, s.testPageOnly != 0);
    SetDlgItemInt(dialog, IDC_SHEET_COLUMNS, (UINT)s.columns, FALSE);
    SetDlgItemInt(dialog, IDC_SHEET_ROWS, (UINT)s.rows, FALSE);
    SetDlgItemInt(dialog, IDC_SHEET_SPACE_H, (UINT)s.spaceH, FALSE);
    SetDlgItemInt(dialog, IDC_SHEET_SPACE_V, (UINT)s.spaceV, FALSE);
    Check(dialog, IDC_SHEET_WRITE_HEADER, s.writeHeader != 0);
    SendDlgItemMessageW(dialog, IDC_SHEET_HEADER_TEXT, EM_LIMITTEXT, MAX_PATH, 0);
    SetDlgItemTextW(dialog, IDC_SHEET_HEADER_TEXT, s.header);
    EnableHeaderControls(dialog, s.writeHeader != 0);
    Check(dialog, IDC_SHEET_WRITE_FILENAME, s.writeFilename != 0);
    Check(dialog, IDC_SHEET_WRITE_ATTRIBUTES, s.writeAttributes != 0);
    Check(dialog, IDC_SHEET_WRITE_DATE, s.writeDate != 0);
}

void ReadControls(HWND dialog) {
    ContactSheetSettings& s = SheetSettings;
    s.orientation = Checked(dialog, IDC_PRINT_LANDSCAPE) ? 1 : 0;
    s.testPageOnly = Checked(dialog, IDC_SHEET_TEST_PAGE);
    ReadNumber(dialog, IDC_SHEET_COLUMNS, s.columns, 1);
    ReadNumber(dialog, IDC_SHEET_ROWS, s.rows, 1);
    ReadNumber(dialog, IDC_SHEET_SPACE_H, s.spaceH, 0);
    ReadNumber(dialog, IDC_SHEET_SPACE_V, s.spaceV, 0);
    s.writeFilename = Checked(dialog, IDC_SHEET_WRITE_FILENAME);
    s.writeAttributes = Checked(dialog, IDC_SHEET_WRITE_ATTRIBUTES);
    s.writeDate = Checked(dialog, IDC_SHEET_WRITE_DATE);
    s.writeHeader = Checked(dialog, IDC_SHEET_WRITE_HEADER);
    GetDlgItemTextW(dialog, IDC_SHEET_HEADER_TEXT, s.header, MAX_PATH + 1);
}

void ChooseFont(HWND dialog, CPrintContactSheet& sheet, bool header) {
    ContactSheetSettings& s = SheetSettings;
    const bool chosen =
        header ? ChoosePrintFont(dialog, sheet.headerLogFont, s.colorHeader, sheet.headerFont, s.fontSizeHeader)
               : ChoosePrintFont(dialog, sheet.textLogFont, s.colorText, sheet.textFont, s.fontSizeText);
    if (!chosen) return;
    sheet.ShowFontNames(dialog);
    sheet.DrawLayoutPreview(dialog);
}

void Print(HWND dialog, CPrintContactSheet& sheet) {
    ReadControls(dialog);
    sheet.SaveSettings(sheet.settingsRoot, sheet.settingsKey);
    PathSlots slots;
    if (!CopyListForRun(dialog, slots)) return;
    std::vector<const wchar_t*> files;
    for (int i = 0; i < slots.Count(); ++i) files.push_back(slots[i]);
    if (!SheetCellsFit(sheet)) {
        ShowMessage(MessageOwner{dialog}, L"The cells of this layout are smaller than one pixel!");
        return;
    }
    wchar_t error[MAX_PATH] = {};
    AppState::PrintInProgress = true;
    const bool printed = sheet.PrintSheets(dialog, files.data(), (int)files.size(), error);
    AppState::PrintInProgress = false;
    if (!printed) ShowFailedAt(dialog, error);
    RestoreCurrentFolder();
    SetFocus(dialog);
}

}  // namespace

INT_PTR CALLBACK PrintContactSheetDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        g_ready = false;
        g_sheet = reinterpret_cast<CPrintContactSheet*>(lParam);
        if (!g_sheet) {
            ShowMessage(L"Failed to get pointer to CPrintContactSheet Class!");
            EndDialog(dialog, -1);
            return TRUE;
        }
        CPrintContactSheet& sheet = *g_sheet;
        StoreCurrentFolder();
        CenterWindow(dialog, IsWindowVisible(AppState::MainWindow) ? AppState::MainWindow : GetDesktopWindow());
        LangApplyPrintContactSheet(dialog);
        sheet.LoadSettings(sheet.settingsRoot, sheet.settingsKey);
        sheet.stop = 0;
        sheet.idle = 1;
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        ShowWindow(GetDlgItem(dialog, IDC_LIST_PROGRESS), SW_HIDE);
        SetControls(dialog);
        sheet.CreateFonts();
        sheet.ShowFontNames(dialog);
        AddSelectionToListBox(dialog, false, false);
        if (SendDlgItemMessageW(dialog, IDC_LIST_FILES, LB_GETCOUNT, 0, 0) > 0)
            EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
        g_ready = true;
        sheet.DrawLayoutPreview(dialog);
        return TRUE;
    }
    case WM_DESTROY:
        ClearPreviewPictures(dialog);
        g_sheet = nullptr;
        g_ready = false;
        return FALSE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam), code = HIWORD(wParam);
        if (!g_sheet) return FALSE;
        CPrintContactSheet& sheet = *g_sheet;
        if (id == IDCANCEL) {
            HandleListToolCancel(dialog, sheet.idle, sheet.stop);
            return TRUE;
        }
        if (!g_ready) return FALSE;
        if (id == IDOK) {
            Print(dialog, sheet);
            return TRUE;
        }
        if (code == BN_CLICKED && HandleListButton(dialog, id)) return TRUE;
        if (code == BN_CLICKED && (id == IDC_SHEET_HEADER_FONT || id == IDC_SHEET_TEXT_FONT)) {
            ChooseFont(dialog, sheet, id == IDC_SHEET_HEADER_FONT);
            return TRUE;
        }
        if (code == BN_CLICKED) {
            ReadControls(dialog);
            if (id == IDC_SHEET_WRITE_HEADER) EnableHeaderControls(dialog, SheetSettings.writeHeader != 0);
            sheet.DrawLayoutPreview(dialog);
            return TRUE;
        }
        if (code == EN_CHANGE) {
            ReadControls(dialog);
            sheet.DrawLayoutPreview(dialog);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}
