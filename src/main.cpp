// Program entry point: everything happens in RunApplication (src/app/Startup.cpp).
#include <windows.h>

#include "app/Startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR argumentText, int) {
    return RunApplication(instance, argumentText);
}
