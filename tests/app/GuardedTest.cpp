// GuardedWindowCall: what a window or dialog procedure gives back when its work
// returns and when it throws.
#include <gtest/gtest.h>

#include <windows.h>

#include <new>
#include <stdexcept>

#include "app/Guarded.h"

namespace {

TEST(Guarded, BodyResultPassesThroughAndAThrowGivesTheFallbackValue) {
    EXPECT_EQ(GuardedWindowCall(FALSE, [] { return (INT_PTR)TRUE; }), TRUE);
    EXPECT_EQ(GuardedWindowCall(0, []() -> UINT_PTR { return 7; }), 7u);

    bool ranToTheThrow = false;
    const INT_PTR thrown = GuardedWindowCall(FALSE, [&]() -> INT_PTR {
        ranToTheThrow = true;
        throw std::runtime_error("control call failed");
    });
    EXPECT_TRUE(ranToTheThrow);
    EXPECT_EQ(thrown, FALSE);

    // Not only standard exceptions: anything thrown stops at the edge.
    EXPECT_EQ(GuardedWindowCall(0, []() -> UINT_PTR { throw 42; }), 0u);
    EXPECT_EQ(GuardedWindowCall(FALSE, []() -> INT_PTR { throw std::bad_alloc(); }), FALSE);
}

TEST(Guarded, CallableFallbackRunsOnlyWhenTheBodyThrows) {
    int fallbackCalls = 0;
    auto defaultProcedure = [&] {
        ++fallbackCalls;
        return (LRESULT)-5;
    };
    EXPECT_EQ(GuardedWindowCall(defaultProcedure, [] { return (LRESULT)12; }), 12);
    EXPECT_EQ(fallbackCalls, 0);
    EXPECT_EQ(GuardedWindowCall(defaultProcedure, []() -> LRESULT { throw std::logic_error("handler"); }), -5);
    EXPECT_EQ(fallbackCalls, 1);
}

}  // namespace
