#include "tools/ToolStandIns.h"

INT_PTR ToolDialogStandIn(HWND dialog, UINT message) {
    if (message != WM_INITDIALOG) return FALSE;
    EndDialog(dialog, IDCANCEL);
    return TRUE;
}

INT_PTR CALLBACK CaptureDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
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
