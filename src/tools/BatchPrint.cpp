// Batch print: the loop and its dialog.
#include "tools/BatchPrint.h"

#include <vector>

#include "app/AppState.h"
#include "app/Language.h"
#include "app/MediaDocument.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "tools/ListTool.h"
#include "tools/PrintImage.h"
#include "tools_ids.h"

namespace {

uint8_t g_idle = 1;
uint8_t g_cancel = 0;

}  // namespace

bool RunBatchPrint(const wchar_t* const* files, int n, CPrintImage& printer, RunProgress& progress) {
    progress.Begin(n);
    if (!printer.SelectPrinter(AppState::MainWindow, false)) {
        progress.End();
        return false;
    }
    bool result = false, first = true;
    for (int i = 0; i < n; ++i) {
        progress.Item(i, n);
        {
            LoadModeScope background(true, false);
            OpenMediaFile(files[i]);
        }
        if (AppState::DocumentKind != DOC_LOAD_FAILED) {
            // The options are chosen once, for the first file that loads.
            result = printer.Print(AppState::MainWindow, false, first);
            // Cancelling them ends the run: the printer went with the cancel,
            // so no further job could start.
            if (first && printer.optionsCancelled) {
                result = true;
                progress.Step();
                break;
            }
            first = false;
        }
        progress.Step();
        if (progress.Cancelled()) break;
    }
    printer.DeletePrinterDC();
    progress.End();
    return result;
}

bool RunBatchPrint(HWND dialog, const wchar_t* const* files, int n, wchar_t*) {
    CPrintImage printer;
    DialogRunProgress progress(dialog, g_idle, g_cancel);
    return RunBatchPrint(files, n, printer, progress);
}

INT_PTR CALLBACK BatchPrintDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, AppState::MainWindow);
        LangApplyBatchPrint(dialog);
        StoreCurrentFolder();
        g_cancel = 0;
        g_idle = 1;
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
        ShowWindow(GetDlgItem(dialog, IDC_LIST_PROGRESS), SW_HIDE);
        AddSelectionToListBox(dialog, false, false);
        if (SendDlgItemMessageW(dialog, IDC_LIST_FILES, LB_GETCOUNT, 0, 0) > 0)
            EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        if (id == IDCANCEL) {
            HandleListToolCancel(dialog, g_idle, g_cancel);
            return TRUE;
        }
        if (id == IDOK) {
            PathSlots slots;
            if (!CopyListForRun(dialog, slots)) return TRUE;
            std::vector<const wchar_t*> files;
            for (int i = 0; i < slots.Count(); ++i) files.push_back(slots[i]);
            wchar_t error[MAX_PATH] = {};
            if (!RunBatchPrint(dialog, files.data(), (int)files.size(), error)) ShowFailedAt(dialog, error);
            RestoreCurrentFolder();
            SetFocus(dialog);
            return TRUE;
        }
        if (HIWORD(wParam) == BN_CLICKED && HandleListButton(dialog, id)) return TRUE;
        return FALSE;
    }
    }
    return FALSE;
}
