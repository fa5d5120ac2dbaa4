#include "tools/ToolStandIns.h"

INT_PTR ToolDialogStandIn(HWND dialog, UINT message) {
    if (message != WM_INITDIALOG) return FALSE;
    EndDialog(dialog, IDCANCEL);
    return TRUE;
}

INT_PTR CALLBACK BatchPrintDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    return ToolDialogStandIn(dialog, message);
}
INT_PTR CALLBACK CaptureDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    return ToolDialogStandIn(dialog, message);
}

INT_PTR CALLBACK PrintContactSheetDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    return ToolDialogStandIn(dialog, message);
}
INT_PTR CALLBACK CreateHTMLAlbumDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    return ToolDialogStandIn(dialog, message);
}
INT_PTR CALLBACK JPGTransformDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    return ToolDialogStandIn(dialog, message);
}
INT_PTR CALLBACK JPGCleanerDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    return ToolDialogStandIn(dialog, message);
}

// No printer is ever set up yet, so no contact sheet is printed.
bool CPrintContactSheet::CreateLocalPrinterDC(HWND, bool) { return false; }
void CPrintContactSheet::DeletePrinterDC() {
    if (printerDC) DeleteDC(printerDC);
    printerDC = nullptr;
}
