#include "tools/ToolStandIns.h"

INT_PTR CALLBACK BatchRenameDlgProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    return ToolDialogStandIn(dialog, message);
}
