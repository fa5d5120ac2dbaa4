// AppState: the one program-wide state record. Every subsystem reads it; the
// user-interface thread owns it. Header-only so that the core libraries can
// read the load flags without linking the shell.
#pragma once
#include <windows.h>

struct AppState {
    static inline HWND MainWindow = nullptr;      // owner of every message box and dialog
    static inline HINSTANCE Instance = nullptr;   // module instance for resources and classes
};
