#include "browser/SlideShowOutput.h"

INT_PTR CALLBACK CreateSlideShowDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    EndDialog(dialog, IDCANCEL);
    return TRUE;
}
