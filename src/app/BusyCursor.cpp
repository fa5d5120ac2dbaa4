#include "app/BusyCursor.h"

namespace {
DWORD g_uiThreadId = 0;  // 0 until the first ArmBusyCursor
HHOOK g_hook = nullptr;
}  // namespace

CBusyCursor& ProgramBusyCursor() {
    static CBusyCursor cursor;
    return cursor;
}

DWORD WINAPI BusyCursorWatchdogThread(void*) {
    HCURSOR wait = LoadCursorW(nullptr, IDC_WAIT);
    // Share the user-interface thread's input state, so that SetCursor here
    // changes the cursor over the program's windows.
    AttachThreadInput(GetCurrentThreadId(), g_uiThreadId, TRUE);
    for (;;) {
        Sleep(CBusyCursor::kTickMs);
        ProgramBusyCursor().Tick(wait);
    }
}

LRESULT CALLBACK BusyCursorHookProc(int code, WPARAM wParam, LPARAM lParam) {
    // Every retrieval of a message on this thread (main loop, modal loops,
    // pumping progress loops) means the thread is not stuck.
    if (code >= 0 && wParam == PM_REMOVE) ProgramBusyCursor().Cancel();
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

void ArmBusyCursor() {
    if (g_uiThreadId == 0) {
        g_uiThreadId = GetCurrentThreadId();
        // The watchdog only counts and sets the cursor: a small stack is enough.
        HANDLE thread = CreateThread(nullptr, 64 * 1024, BusyCursorWatchdogThread, nullptr,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
        if (thread) CloseHandle(thread);
        g_hook = SetWindowsHookExW(WH_GETMESSAGE, BusyCursorHookProc, nullptr, g_uiThreadId);
    }
    ProgramBusyCursor().Arm();
}

void RestoreBusyCursor() { ProgramBusyCursor().Restore(); }
