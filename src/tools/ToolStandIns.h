// The batch tools' dialogs and the tool objects the main window hands to its
// dialog launchers, behind their final names. None is built yet: each dialog
// procedure closes its dialog as it opens and the objects hold no state, so a
// command that reaches them shows and changes nothing.
#pragma once
#include <windows.h>

// Modal dialogs started by the main window's commands ("BATCHPROCESSDLG",
// "BATCHRENAMEDLG", "BATCHPRINTDLG", "CAPTUREDLG", "CREATEANIMATIONDLG"; the
// last takes the command id as its parameter).
INT_PTR CALLBACK BatchProcessDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK BatchRenameDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK BatchPrintDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CaptureDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CreateAnimationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The dialogs of the launchers ShowContactSheetDialog ("PRINTCONTACTSHEETDLG"),
// ShowHTMLAlbumDialog ("CREATEHTMLALBUMDLG"), ShowJPGTransformDialog
// ("JPGTRANSFORMDLG") and ShowJPGCleanerDialog ("JPGCLEANERDLG").
INT_PTR CALLBACK PrintContactSheetDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CreateHTMLAlbumDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK JPGTransformDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK JPGCleanerDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Contact sheets: printed, so the printer is set up before the dialog runs.
#include "tools/ContactSheet.h"

class CCreateHTMLAlbum {};
class CJPGCleaner {};

// The body the stand-in dialog procedures share: the dialog ends as it opens.
INT_PTR ToolDialogStandIn(HWND dialog, UINT message);
