// Batch print: a list of files printed one after another, each as an image
// job, with the options chosen once for the first file.
#pragma once
#include <windows.h>

class CPrintImage;
class RunProgress;

// The loop: the printer chosen in the print dialog, then each file opened in
// the viewer and printed (options shown for the first only). The result is
// the job of the last file that loaded; a cancel of the first file's options
// ends the run without a word (true). Writes nothing into errorText.
bool RunBatchPrint(HWND dialog, const wchar_t* const* files, int count, wchar_t* errorText);
// The same loop with the print object and the progress given.
bool RunBatchPrint(const wchar_t* const* files, int count, CPrintImage& printer, RunProgress& progress);

// The dialog "BATCHPRINTDLG" (no parameter).
INT_PTR CALLBACK BatchPrintDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
