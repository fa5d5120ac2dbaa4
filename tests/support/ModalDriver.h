// Drives a modal dialog from inside its own message loop: a timer on the
// test's thread finds the dialog once it shows and hands it to a script.
// A watchdog closes a dialog still open after the time limit, so no test
// hangs on a modal window, and reports that the test left it open.
#pragma once
#include <windows.h>

#include <functional>

namespace qrvtest {

// A visible dialog box (class "#32770") of this thread other than exclude; null when none.
HWND FindThreadDialog(HWND exclude = nullptr);

// Runs show, which opens a modal dialog on this thread; script gets the
// dialog once it is up and must end it. False when no dialog came up, or when
// the watchdog had to close one after timeoutMs.
bool DriveModal(const std::function<void()>& show, const std::function<void(HWND dialog)>& script,
                DWORD timeoutMs = 10000);

}  // namespace qrvtest
