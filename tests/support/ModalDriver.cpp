#include "support/ModalDriver.h"

namespace qrvtest {

namespace {

struct FindDialog {
    HWND exclude;
    HWND found;
};

BOOL CALLBACK FindDialogProc(HWND window, LPARAM param) {
    auto* find = reinterpret_cast<FindDialog*>(param);
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (window != find->exclude && lstrcmpW(name, L"#32770") == 0 && IsWindowVisible(window)) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

struct Drive {
    const std::function<void(HWND)>* script = nullptr;
    DWORD start = 0, timeout = 0;
    bool ran = false;
    bool fired = false;
} g_drive;

void CALLBACK DriveTimer(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = FindThreadDialog();
    if (!g_drive.ran && dialog) {
        g_drive.ran = true;
        (*g_drive.script)(dialog);
        return;
    }
    if (GetTickCount() - g_drive.start < g_drive.timeout) return;
    // Time is up: whatever dialog is still open is closed and the test fails.
    for (HWND left = dialog; left; left = FindThreadDialog()) {
        g_drive.fired = true;
        SendMessageW(left, WM_COMMAND, IDCANCEL, 0);
        if (IsWindow(left) && IsWindowVisible(left)) {
            DestroyWindow(left);
            break;
        }
    }
    if (!g_drive.ran) g_drive.fired = true;
}

}  // namespace

HWND FindThreadDialog(HWND exclude) {
    FindDialog find = {exclude, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

bool DriveModal(const std::function<void()>& show, const std::function<void(HWND)>& script, DWORD timeoutMs) {
    const Drive saved = g_drive;
    g_drive = Drive{};
    g_drive.script = &script;
    g_drive.start = GetTickCount();
    g_drive.timeout = timeoutMs;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, DriveTimer);
    show();
    KillTimer(nullptr, timer);
    const bool ok = g_drive.ran && !g_drive.fired;
    g_drive = saved;
    return ok;
}

}  // namespace qrvtest
