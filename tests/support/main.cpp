// Entry point of every test program. No test may wait on a modal box: unless a
// test installs its own capture, message-box texts are printed and answered OK.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "image/Common.h"

static int PrintMessage(const wchar_t* text, const wchar_t*, UINT, bool fatal) {
    fwprintf(stderr, L"[%ls] %ls\n", fatal ? L"fatal" : L"message", text);
    if (fatal) std::exit(3);
    return IDOK;
}

int main(int argc, char** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetMessageHook(PrintMessage);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
