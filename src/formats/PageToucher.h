// Touches every page of a freshly created image from a second thread while a
// decoder fills it. A new image's memory is committed but not yet mapped: the
// first write to each 4 KiB page costs a page fault, about a third of the time
// of a full decode of a large photo. Taking those faults on another core, ahead
// of the decoder, hides them. Each touch is an atomic OR with zero, which
// changes no byte, so it is harmless before, during or after the decoder's own
// writes to the same page. Decoders write the top row first, which is the last
// stored row, so the pages are touched from the end of the block back.
//
// The toucher is a plain struct (no destructor) so that it can live in a
// decoder's call record across the libraries' long jumps; StopTouching must
// run once the decode has ended, also after a failure.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>

struct PageToucher {
    uint8_t* begin = nullptr;
    uint8_t* end = nullptr;
    volatile LONG stop = 0;
    HANDLE thread = nullptr;
};

// Blocks smaller than this are not worth a thread.
constexpr size_t kTouchAheadBytes = 8u << 20;

inline DWORD WINAPI TouchPagesProc(void* parameter) {
    auto* t = static_cast<PageToucher*>(parameter);
    const uintptr_t first = ((uintptr_t)t->begin + 3) & ~(uintptr_t)3;
    uintptr_t page = ((uintptr_t)t->end - 1) & ~(uintptr_t)4095;
    for (;;) {
        if (t->stop) break;
        const uintptr_t at = page < first ? first : page;
        InterlockedOr(reinterpret_cast<volatile LONG*>(at), 0);
        if (page <= first) break;
        page -= 4096;
    }
    return 0;
}

// Starts the thread for size bytes at bits when the block is large enough;
// without a thread (small block, no thread to be had) the decode goes on as is.
inline void StartTouching(PageToucher& t, uint8_t* bits, size_t size) {
    if (!bits || size < kTouchAheadBytes) return;
    t.begin = bits;
    t.end = bits + size;
    t.stop = 0;
    t.thread = CreateThread(nullptr, 64 * 1024, TouchPagesProc, &t, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
}

inline void StopTouching(PageToucher& t) {
    if (!t.thread) return;
    InterlockedExchange(&t.stop, 1);
    WaitForSingleObject(t.thread, INFINITE);
    CloseHandle(t.thread);
    t.thread = nullptr;
}
