// The busy cursor: a watchdog thread shows the wait cursor when the
// user-interface thread has spent about 125 ms on one message, and the message
// loop puts the previous cursor back afterwards. A message hook cancels the
// countdown whenever the thread fetches a message, so modal loops, menus and
// loops that pump messages never show it.
#pragma once
#include <windows.h>

#include <atomic>

// The countdown shared by the message loop, the hook and the watchdog. The
// cursor calls are injected so that the arithmetic can be driven tick by tick.
class CBusyCursor {
public:
    using SetCursorFn = HCURSOR(WINAPI*)(HCURSOR);
    static constexpr int kArmTicks = 5;  // watchdog ticks until the wait cursor
    static constexpr int kTickMs = 25;   // watchdog period

    explicit CBusyCursor(SetCursorFn setCursor = ::SetCursor) : setCursor_(setCursor) {}

    // A message was fetched: count down from the start again, with no cursor to
    // put back (a wait cursor the watchdog set just after the last restore is
    // not answered by setting a null cursor).
    void Arm() {
        counter_.store(kArmTicks, std::memory_order_relaxed);
        shown_.store(false, std::memory_order_relaxed);
        saved_.store(nullptr, std::memory_order_relaxed);
    }
    // The thread fetched another message (hook): no countdown.
    void Cancel() { counter_.store(0, std::memory_order_relaxed); }
    // One watchdog step; shows waitCursor on the step from 1 to 0. Returns true then.
    bool Tick(HCURSOR waitCursor) {
        int c = counter_.load(std::memory_order_relaxed);
        if (c <= 0) return false;
        counter_.store(c - 1, std::memory_order_relaxed);
        if (c != 1) return false;
        saved_.store(setCursor_(waitCursor), std::memory_order_relaxed);
        shown_.store(true, std::memory_order_relaxed);
        return true;
    }
    // The message is done: put back the cursor the watchdog replaced.
    void Restore() {
        counter_.store(0, std::memory_order_relaxed);
        if (shown_.exchange(false, std::memory_order_relaxed)) {
            setCursor_(saved_.exchange(nullptr, std::memory_order_relaxed));
        }
    }

    int Counter() const { return counter_.load(std::memory_order_relaxed); }
    bool WaitCursorShown() const { return shown_.load(std::memory_order_relaxed); }

private:
    SetCursorFn setCursor_;
    std::atomic<int> counter_{0};
    std::atomic<HCURSOR> saved_{nullptr};
    std::atomic<bool> shown_{false};
};

// The program's one busy cursor, used by the functions below.
CBusyCursor& ProgramBusyCursor();

// Called by the message loop for each fetched message; the first call starts
// BusyCursorWatchdogThread and installs BusyCursorHookProc for this thread.
void ArmBusyCursor();
void RestoreBusyCursor();
DWORD WINAPI BusyCursorWatchdogThread(void* parameter);
LRESULT CALLBACK BusyCursorHookProc(int code, WPARAM wParam, LPARAM lParam);
