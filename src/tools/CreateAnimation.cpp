#include "tools/ToolStandIns.h"

INT_PTR CALLBACK CreateAnimationDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    return ToolDialogStandIn(dialog, message);
}
