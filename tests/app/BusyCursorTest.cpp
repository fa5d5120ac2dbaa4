#include <gtest/gtest.h>

#include <vector>

#include "app/BusyCursor.h"

namespace {

// A fake cursor: SetCursor records what was set and returns the previous one.
HCURSOR g_current = nullptr;
std::vector<HCURSOR> g_sets;
HCURSOR WINAPI FakeSetCursor(HCURSOR cursor) {
    HCURSOR previous = g_current;
    g_current = cursor;
    g_sets.push_back(cursor);
    return previous;
}

const HCURSOR kArrow = reinterpret_cast<HCURSOR>(0x100);
const HCURSOR kWait = reinterpret_cast<HCURSOR>(0x200);

// Drives a message handler of the given length against a watchdog that ticks
// every 25 ms with the given phase (0..24 ms after the message was fetched);
// pumpEveryMs > 0 means the handler retrieves a message that often (the hook
// then cancels the countdown). Returns the time the wait cursor appeared, or -1.
int RunHandler(CBusyCursor& busy, int handlerMs, int phaseMs, int pumpEveryMs = 0) {
    g_current = kArrow;
    g_sets.clear();
    busy.Arm();
    int shownAt = -1;
    for (int t = 0; t < handlerMs; ++t) {
        if (pumpEveryMs && t > 0 && t % pumpEveryMs == 0) busy.Cancel();
        if (t % CBusyCursor::kTickMs == phaseMs && busy.Tick(kWait) && shownAt < 0) shownAt = t;
    }
    busy.Restore();
    return shownAt;
}

TEST(BusyCursor, ShortMessagesNeverShowTheWaitCursor) {
    CBusyCursor busy(FakeSetCursor);
    for (int phase : {0, 1, 12, 24}) {
        EXPECT_EQ(RunHandler(busy, 99, phase), -1) << phase;
        EXPECT_TRUE(g_sets.empty());
        EXPECT_EQ(g_current, kArrow);
    }
}

TEST(BusyCursor, LongMessageShowsItAfter100To125MsAndRestores) {
    CBusyCursor busy(FakeSetCursor);
    for (int phase = 0; phase < CBusyCursor::kTickMs; ++phase) {
        int shownAt = RunHandler(busy, 300, phase);
        EXPECT_GE(shownAt, 100) << phase;
        EXPECT_LT(shownAt, 125) << phase;
        ASSERT_EQ(g_sets.size(), 2u);
        EXPECT_EQ(g_sets[0], kWait);
        EXPECT_EQ(g_current, kArrow);  // the cursor from before is back
        EXPECT_EQ(busy.Counter(), 0);
        EXPECT_FALSE(busy.WaitCursorShown());
    }
}

TEST(BusyCursor, PumpingLoopNeverShowsIt) {
    CBusyCursor busy(FakeSetCursor);
    EXPECT_EQ(RunHandler(busy, 2000, 7, 50), -1);
    EXPECT_TRUE(g_sets.empty());
}

TEST(BusyCursor, RestoreWithoutWaitCursorSetsNothing) {
    CBusyCursor busy(FakeSetCursor);
    g_sets.clear();
    busy.Arm();
    busy.Tick(kWait);
    busy.Restore();
    EXPECT_TRUE(g_sets.empty());
    EXPECT_FALSE(busy.Tick(kWait));  // disarmed
}

// The watchdog may set the wait cursor just after a message's restore (its
// decrement raced the restore); the next message starts with nothing to put
// back, so its restore sets no cursor at all (never a null one).
TEST(BusyCursor, WaitCursorSetAfterTheRestoreIsNotAnsweredWithANullCursor) {
    CBusyCursor busy(FakeSetCursor);
    g_current = kArrow;
    g_sets.clear();
    busy.Arm();
    for (int i = 0; i < CBusyCursor::kArmTicks; ++i) busy.Tick(kWait);
    ASSERT_TRUE(busy.WaitCursorShown());
    busy.Arm();  // the next message, before any restore
    busy.Restore();
    ASSERT_EQ(g_sets.size(), 1u);
    EXPECT_EQ(g_sets[0], kWait);
}

// The real watchdog and hook: a message retrieved on this thread cancels the countdown.
TEST(BusyCursor, HookCancelsOnMessageRetrieval) {
    ArmBusyCursor();
    EXPECT_GT(ProgramBusyCursor().Counter(), 0);
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    EXPECT_EQ(ProgramBusyCursor().Counter(), 0);
    RestoreBusyCursor();
}

}  // namespace
