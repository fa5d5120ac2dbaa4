#include "app/ProgressBar.h"

#include <commctrl.h>

#include "app/AppState.h"

static constexpr int kProgressBarHeight = 16;

RECT ProgressBarRect(int clientWidth, int clientHeight) {
    int top = clientHeight - kProgressBarHeight;
    if (top < 0) top = 0;
    return RECT{0, top, clientWidth, clientHeight};
}

static RECT ClientRect() {
    RECT client{0, 0, 0, 0};
    if (AppState::MainWindow) GetClientRect(AppState::MainWindow, &client);
    return client;
}

HWND CreateProgressBar(int steps) {
    if (steps <= 0 || !AppState::MainWindow) return nullptr;
    RECT client = ClientRect();
    RECT r = ProgressBarRect(client.right, client.bottom);
    HWND bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, AppState::MainWindow, nullptr, AppState::Instance, nullptr);
    if (!bar) return nullptr;
    SendMessageW(bar, PBM_SETRANGE32, 0, steps);
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    // Remember the client size the bar was placed for.
    SetWindowLongPtrW(bar, GWLP_USERDATA, MAKELONG(client.right, client.bottom));
    return bar;
}

void StepProgressBar(HWND bar) {
    if (!bar) return;
    RECT client = ClientRect();
    LONG_PTR placed = GetWindowLongPtrW(bar, GWLP_USERDATA);
    if (LOWORD(placed) != client.right || HIWORD(placed) != client.bottom) {
        RECT r = ProgressBarRect(client.right, client.bottom);
        MoveWindow(bar, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        SetWindowLongPtrW(bar, GWLP_USERDATA, MAKELONG(client.right, client.bottom));
    }
    SendMessageW(bar, PBM_STEPIT, 0, 0);
}

void DestroyProgressBar(HWND bar) {
    if (bar) DestroyWindow(bar);
}
