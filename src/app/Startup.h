// Program start-up: wWinMain's body, the window's creation, the single-instance
// hand-over and the message loop.
#pragma once
#include <windows.h>

#include <cstdint>

// The whole life of the program; returns the exit code.
int RunApplication(HINSTANCE instance, const wchar_t* argumentText);
bool InitApplication(HINSTANCE instance);
// Single instance: false when this copy should go on starting. When a copy runs
// already, hands the argument text over (or reports that its window is
// missing) and returns true; the caller then ends with -1.
bool HandOverToRunningInstance(const wchar_t* argumentText);
// The mutex that marks a running copy is held until the process ends; a test
// that played the first copy gives it up here.
void ReleaseInstanceMutex();
// Runs until WM_QUIT; returns its wParam.
int RunMessageLoop(HACCEL accelerators);
void CheckWindowsVersion();
// The warning CheckWindowsVersion shows for a platform and version (null for
// none) and the two version flags it sets.
const wchar_t* ClassifyWindowsVersion(DWORD platform, DWORD major, DWORD minor, uint8_t* isWindows2000,
                                      uint8_t* isXPOrLater);
void InitLanguageFile();
void ParseCommandLine(const wchar_t* commandLine);

// The cursors InitApplication loads for the mouse tools.
struct ProgramCursors {
    HCURSOR cross, sizeNS, sizeWE, sizeAll;
    HCURSOR own[9];  // resources 304, 258, 259, 260, 257, 261, 262, 255, 256 in that order
};
extern ProgramCursors Cursors;
