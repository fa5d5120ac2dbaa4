// Answers a popup menu (TrackPopupMenu) that the code under test opens, from a
// thread timer: the cursor is put on the item to choose and Enter pressed, or
// moved off the menu and Escape pressed, so no test waits on a menu.
#pragma once
#include <windows.h>

#include <functional>

namespace qrvtest {

struct PopupMenuAnswer {
    int item = -1;  // position of the item to choose; -1: Escape
    int visibleTicks = 0;
    bool seen = false;
    RECT where = {};  // the menu window's screen rectangle
};
inline PopupMenuAnswer g_popupMenuAnswer;

inline void CALLBACK AnswerPopupMenu(HWND, UINT, UINT_PTR, DWORD) {
    PopupMenuAnswer& a = g_popupMenuAnswer;
    HWND menu = nullptr;  // a visible popup menu window (hidden ones may linger)
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w && !menu;
         w = FindWindowExW(nullptr, w, L"#32768", nullptr))
        if (IsWindowVisible(w)) menu = w;
    if (!menu || a.seen) return;
    // The cursor first goes where the choice starts from (the menu may open
    // under it); Enter or Escape follows once the menu has stood a tick.
    if (++a.visibleTicks == 1) {
        RECT item = {};
        HMENU handle = (HMENU)SendMessageW(menu, MN_GETHMENU, 0, 0);
        if (a.item >= 0 && handle && GetMenuItemRect(nullptr, handle, a.item, &item))
            SetCursorPos((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        else SetCursorPos(1, 1);
    }
    if (a.visibleTicks < 3) return;
    a.seen = true;
    GetWindowRect(menu, &a.where);
    PostMessageW(menu, WM_KEYDOWN, a.item >= 0 ? VK_RETURN : VK_ESCAPE, 0);
}

// Puts the cursor at a screen point and waits (at most a second) until the
// system reports it there: the move reaches the display asynchronously.
inline bool PlaceCursor(POINT at) {
    if (!SetCursorPos(at.x, at.y)) return false;
    for (int i = 0; i < 100; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        POINT now = {};
        if (GetCursorPos(&now) && now.x == at.x && now.y == at.y) return true;
        Sleep(10);
    }
    return false;
}

// Runs show (which opens the menu) with the timer answering it; returns show's result.
inline int ChoosePopupMenuItem(int item, const std::function<int()>& show) {
    g_popupMenuAnswer = PopupMenuAnswer{};
    g_popupMenuAnswer.item = item;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerPopupMenu);
    const int result = show();
    KillTimer(nullptr, timer);
    return result;
}

}  // namespace qrvtest
