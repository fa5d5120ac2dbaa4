#include "media/ExtractFrames.h"

INT_PTR CALLBACK ExtractFramesDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    EndDialog(dialog, IDCANCEL);
    return TRUE;
}
