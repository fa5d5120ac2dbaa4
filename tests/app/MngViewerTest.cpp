// A viewed MNG animation and the shell: the bar gets the animation's values,
// the end of the animation resets it and lays the main window out again
// (WM_SIZE), and stopping the document releases the animation.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/AppState.h"
#include "app/MediaDocument.h"
#include "app/ShellServices.h"
#include "formats/Formats.h"
#include "formats/Mng.h"
#include "media/AnimationBar.h"
#include "support/TestSupport.h"

namespace {

int g_sizeMessages = 0;
WNDPROC previousProc = nullptr;
LRESULT CALLBACK CountSizes(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_SIZE) ++g_sizeMessages;
    return CallWindowProcW(previousProc, window, message, w, l);
}
DWORD FrozenClock() { return 5000; }

struct MainWindowScope {
    HWND saved = AppState::MainWindow;
    HWND window = nullptr;
    MngTickSource clock = SetMngTickSource(FrozenClock);
    MainWindowScope() {
        window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        if (window) previousProc = (WNDPROC)SetWindowLongPtrW(window, GWLP_WNDPROC, (LONG_PTR)CountSizes);
        AppState::MainWindow = window;
        g_sizeMessages = 0;
    }
    ~MainWindowScope() {
        StopMngAnimation();
        AnimationBar.Reset();
        AppState::CurrentImage.Destroy();
        AppState::CurrentFormatId = 0;
        AppState::MainWindow = saved;
        DestroyWindow(window);
        SetMngTickSource(clock);
    }
};

TEST(MngViewer, TheAnimationsEndResetsTheBarAndSendsWmSize) {
    RegisterShellServices();
    MainWindowScope scope;
    ASSERT_NE(scope.window, nullptr);
    const std::wstring path = qrvtest::Fixture(L"mng_once.mng");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    FormatId id = 0;
    ASSERT_TRUE(LoadMediaFile(AppState::CurrentImage, path.c_str(), text, &id)) << qrvtest::Narrow(text);
    EXPECT_EQ(id, FMT_MNG);
    ASSERT_TRUE(MngAnimationOpen());
    EXPECT_EQ(AnimationBar.kind, ANIM_KIND_MNG);
    EXPECT_TRUE(AnimationBar.initialised);
    EXPECT_TRUE(AnimationBar.playing);
    EXPECT_FALSE(AnimationBar.singleDelay);
    EXPECT_EQ(AnimationBar.FrameDelayTable[0], 100);
    EXPECT_EQ(g_sizeMessages, 0);
    int delay = 0, steps = 0;
    while (AdvanceMngFrame(&delay) && steps < 20) ++steps;
    EXPECT_EQ(steps, 2);
    EXPECT_FALSE(MngAnimationOpen());
    EXPECT_FALSE(AnimationBar.initialised);
    EXPECT_EQ(g_sizeMessages, 1);
}

TEST(MngViewer, StoppingTheDocumentReleasesTheAnimation) {
    RegisterShellServices();
    MainWindowScope scope;
    const std::wstring path = qrvtest::Fixture(L"mng_anim.mng");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    FormatId id = 0;
    ASSERT_TRUE(LoadMediaFile(AppState::CurrentImage, path.c_str(), text, &id)) << qrvtest::Narrow(text);
    AppState::CurrentFormatId = id;
    ASSERT_TRUE(MngAnimationOpen());
    StopCurrentMedia();
    EXPECT_FALSE(MngAnimationOpen());
    EXPECT_FALSE(AnimationBar.initialised);
    int delay = 0;
    EXPECT_FALSE(AdvanceMngFrame(&delay));
}

}  // namespace
