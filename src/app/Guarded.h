// The edge between the system and the program's window and dialog procedures:
// no exception may leave a procedure into the system code that called it.
#pragma once
#include <type_traits>

// Runs body, the work of one window or dialog procedure call, and gives back its
// result. An exception that leaves body gives onException instead: a value, or
// a callable whose result is used (called only then, for example the default
// window procedure).
template <class Fallback, class Body>
auto GuardedWindowCall(Fallback&& onException, Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        if constexpr (std::is_invocable_v<Fallback&>) return onException();
        else return onException;
    }
}
