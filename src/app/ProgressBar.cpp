#include "app/ProgressBar.h"

#include <commctrl.h>

#include "app/AppState.h"
#include "app/Chrome.h"

namespace {

constexpr int kHeightWithoutStatusBar = 16;

// The main window's client rectangle the bar was last placed for.
RECT g_lastClient = {};

RECT ClientRect() {
    RECT client{0, 0, 0, 0};
    if (AppState::MainWindow) GetClientRect(AppState::MainWindow, &client);
    return client;
}

int ShownStatusBarHeight() { return StatusBar.created ? StatusBar.marginTaken : 0; }

void PlaceBar(HWND bar, const RECT& client) {
    const RECT r = ProgressBarRect(client.right, client.bottom, ShownStatusBarHeight());
    MoveWindow(bar, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

}  // namespace

int ProgressBarHeight(int statusBarHeight) {
    return statusBarHeight > 0 ? statusBarHeight - 2 : kHeightWithoutStatusBar;
}

RECT ProgressBarRect(int clientWidth, int clientHeight, int statusBarHeight) {
    const int height = ProgressBarHeight(statusBarHeight);
    int top = clientHeight - height;
    if (top < 0) top = 0;
    int barHeight = height - 4;
    if (barHeight < 1) barHeight = 1;
    int width = clientWidth - 2;
    if (width < 0) width = 0;
    return RECT{1, top, 1 + width, top + barHeight};
}

HWND CreateProgressBar(int steps) {
    if (steps <= 0 || !AppState::MainWindow) return nullptr;
    const RECT client = ClientRect();
    const RECT r = ProgressBarRect(client.right, client.bottom, ShownStatusBarHeight());
    HWND bar =
        CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, r.left, r.top, r.right - r.left,
                        r.bottom - r.top, AppState::MainWindow, nullptr, AppState::Instance, nullptr);
    if (!bar) return nullptr;
    // Above the status bar it lies over.
    SetWindowPos(bar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(bar, PBM_SETRANGE32, 0, steps);
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    g_lastClient = client;
    return bar;
}

void StepProgressBar(HWND bar) {
    if (!bar) return;
    const RECT client = ClientRect();
    if (!EqualRect(&client, &g_lastClient)) {
        g_lastClient = client;
        PlaceBar(bar, client);
    }
    SendMessageW(bar, PBM_STEPIT, 0, 0);
}

void DestroyProgressBar(HWND bar) {
    if (bar) DestroyWindow(bar);
}
