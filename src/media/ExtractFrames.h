// Frame extraction ("EXTRACTFRAMESDLG"), started by the main window. Not built
// yet: the dialog closes as it opens, so nothing is extracted.
#pragma once
#include <windows.h>

INT_PTR CALLBACK ExtractFramesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
