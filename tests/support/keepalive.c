/* Holds the Wine desktop open while the tests run. Started detached before
   ctest: otherwise the first test that makes a window starts the desktop,
   which inherits that test's output pipe and keeps ctest waiting for it until
   every other Wine process has ended. Ends when the wineserver is stopped. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance; (void)previous; (void)commandLine; (void)show;
    GetDesktopWindow();
    for (;;) Sleep(INFINITE);
}
