// Program entry point.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand)
{
    MessageBoxW(nullptr, L"Quorvane", L"Quorvane 1.02", MB_OK);
    return 0;
}
