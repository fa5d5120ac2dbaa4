// Every popup menu the main window and its bars open (the chevron menu, the
// tool bar's drop-downs and context menu) is tracked through TrackPopup, so
// that a test can put a tracker of its own in place of the modal loop: it reads
// the built menu and answers with a choice.
#pragma once
#include <windows.h>

// A tracker gets the caller's flags with TPM_RETURNCMD added and returns the
// chosen command (0 for none).
using PopupTracker = UINT (*)(HMENU popup, UINT flags, int x, int y, HWND owner);

// Null puts the system's TrackPopupMenu back.
void SetPopupTracker(PopupTracker tracker);

// TrackPopupMenu through the installed tracker: with TPM_RETURNCMD the choice
// is returned; without, a choice is posted to owner as WM_COMMAND (as the
// system does) and the result is nonzero when something was chosen.
UINT TrackPopup(HMENU popup, UINT flags, int x, int y, HWND owner);
