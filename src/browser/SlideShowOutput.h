// Writing a slide show to a folder or a CD ("CREATESLIDESHOWDLG"), started by
// the main window. Not built yet: the dialog closes as it opens, so nothing
// is written.
#pragma once
#include <windows.h>

INT_PTR CALLBACK CreateSlideShowDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
