// What the shell relies on from the chrome, the playback bar and the drop
// target: each piece of chrome takes its strip of the view margins once and
// gives exactly that back; a drop onto the main window opens what was dropped.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/Chrome.h"
#include "app/ShellStandIns.h"
#include "browser/Browser.h"
#include "browser/DropTarget.h"
#include "media/AnimationBar.h"
#include "media/Players.h"

namespace {

struct MarginCase {
    const char* name;
    std::function<void(HWND)> create;
    std::function<void()> destroy;
    // What one creation adds (left, top, right, bottom), asked after it: the
    // image tool bar takes its own window's width.
    std::function<RECT()> expected;
};

TEST(ChromeMargins, EachPieceTakesItsStripOnceAndGivesItBack) {
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    const int savedButton = Skin.cyPlayerButton;
    Skin.cyPlayerButton = 21;  // a skin whose buttons are not the default size
    CAnimationBar bar;
    // The main tool bar takes its rebar's height, whatever the system's metrics make it.
    ASSERT_TRUE(MainToolBar.Create(parent));
    const int rebarHeight = MainToolBar.height;
    MainToolBar.Destroy();
    EXPECT_GT(rebarHeight, 0);
    const std::vector<MarginCase> cases = {
        {"main tool bar", [](HWND w) { MainToolBar.Create(w); }, [] { MainToolBar.Destroy(); },
         [rebarHeight] {
             return RECT{0, rebarHeight, 0, 0};
         }},
        {"scroll bars", [](HWND w) { ViewScrollBars.Create(w, GetModuleHandleW(nullptr)); },
         [] { ViewScrollBars.Destroy(); },
         // zoom slider left, vertical bar right, horizontal bar bottom
         [] {
             return RECT{GetSystemMetrics(SM_CXHSCROLL), 0, GetSystemMetrics(SM_CXHSCROLL),
                         GetSystemMetrics(SM_CXVSCROLL)};
         }},
        {"image tool bar", [](HWND w) { ImageToolBar.Create(w); }, [] { ImageToolBar.Destroy(); },
         [] {
             RECT r = {};
             GetWindowRect(ImageToolBar.rebar, &r);
             return RECT{0, 0, r.right - r.left, 0};
         }},
        // The playback bar's strip is the skin's player button height and 6.
        {"animation bar",
         [&bar](HWND) {
             if (!bar.initialised) bar.Init(ANIM_KIND_TIFF, 3, 0, nullptr, 2, true, true);
             bar.CreateControls();
         },
         [&bar] { bar.Reset(); },
         [] {
             return RECT{0, 0, 0, 21 + 6};
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RECT before = AppState::ViewMargins;
        c.create(parent);
        c.create(parent);  // a second creation only refreshes
        const RECT expected = c.expected();
        EXPECT_EQ(AppState::ViewMargins.left, before.left + expected.left);
        EXPECT_EQ(AppState::ViewMargins.top, before.top + expected.top);
        EXPECT_EQ(AppState::ViewMargins.right, before.right + expected.right);
        EXPECT_EQ(AppState::ViewMargins.bottom, before.bottom + expected.bottom);
        c.destroy();
        c.destroy();  // nothing more to give back
        EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &before));
    }

    // The status bar takes its own window's height from the bottom.
    const RECT before = AppState::ViewMargins;
    StatusBar.Create(parent);
    StatusBar.Create(parent);
    ASSERT_TRUE(IsWindow(StatusBar.window));
    RECT r;
    GetWindowRect(StatusBar.window, &r);
    EXPECT_EQ(AppState::ViewMargins.bottom, before.bottom + (r.bottom - r.top));
    StatusBar.Destroy();
    StatusBar.Destroy();
    EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &before));

    Skin.cyPlayerButton = savedButton;
    DestroyWindow(parent);
}

TEST(Players, ControlStripAndCloseFlags) {
    // Presentation mode shows and hides the strip of the video and the movie
    // player alike: the strip is one player button high, or nothing. Whether
    // the controls are shown is the caller's state, not the player's.
    const int savedButton = Skin.cyPlayerButton;
    Skin.cyPlayerButton = 19;
    struct {
        const char* name;
        std::function<void(bool)> set;
    } players[] = {{"video", [](bool v) { VideoPlayer.SetControlsVisible(v); }},
                   {"movie", [](bool v) { QuickTimePlayer.SetControlsVisible(v); }}};
    AppState::PlayerControlsShown = 0;
    for (const auto& p : players) {
        SCOPED_TRACE(p.name);
        p.set(true);
        EXPECT_EQ(PlayerStripHeight, 19);
        p.set(false);
        EXPECT_EQ(PlayerStripHeight, 0);
        p.set(true);
        EXPECT_EQ(AppState::PlayerControlsShown, 0);
    }
    PlayerStripHeight = 0;
    Skin.cyPlayerButton = savedButton;
    // Every player's Close leaves nothing open.
    for (CMediaPlayer* player :
         {(CMediaPlayer*)&VideoPlayer, (CMediaPlayer*)&SoundPlayer, (CMediaPlayer*)&QuickTimePlayer}) {
        AppState::DocumentKind = DOC_FILE;
        player->Close();
        EXPECT_EQ(AppState::DocumentKind, DOC_NONE);
    }
}

TEST(DropEffect, OwnDragAndInactiveDragAreRefused) {
    HWND a = (HWND)(INT_PTR)0x1234, b = (HWND)(INT_PTR)0x5678;
    struct {
        uint8_t active;
        HWND source;
        HWND target;
        DWORD offered;
        DWORD expected;
    } cases[] = {
        {0, nullptr, a, DROPEFFECT_COPY, DROPEFFECT_NONE},  // no drag registered
        {1, a, a, DROPEFFECT_COPY, DROPEFFECT_NONE},        // back onto the window it left
        {1, b, a, DROPEFFECT_MOVE, DROPEFFECT_MOVE},
        {1, nullptr, a, DROPEFFECT_COPY, DROPEFFECT_COPY},  // a drag from another program
    };
    for (const auto& c : cases) {
        AppState::DragActive = c.active;
        AppState::DragSourceWindow = c.source;
        EXPECT_EQ(QueryDropEffect(c.target, c.offered), c.expected) << (int)c.active;
    }
    AppState::DragActive = 0;
    AppState::DragSourceWindow = nullptr;
}

TEST(DropEffect, ChosenFromKeysAndAllowedEffects) {
    const DWORD all = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    struct {
        bool accept;
        DWORD keys, allowed, expected;
    } cases[] = {
        {false, 0, all, DROPEFFECT_NONE},  // no file list offered
        {true, 0, all, DROPEFFECT_COPY},
        {true, 0, DROPEFFECT_MOVE | DROPEFFECT_LINK, DROPEFFECT_MOVE},
        {true, 0, DROPEFFECT_LINK, DROPEFFECT_LINK},
        {true, MK_CONTROL, all, DROPEFFECT_COPY},
        {true, MK_SHIFT, all, DROPEFFECT_MOVE},
        {true, MK_SHIFT, DROPEFFECT_COPY, DROPEFFECT_NONE},
        {true, MK_CONTROL | MK_SHIFT, all, DROPEFFECT_NONE},  // a link is never taken with keys
    };
    for (const auto& c : cases)
        EXPECT_EQ(CDropTarget::ChooseEffect(c.accept, c.keys, c.allowed), c.expected) << c.keys << " " << c.allowed;
}

// A CF_HDROP block holding one path, as the shell hands it over.
HGLOBAL MakeDrop(const std::wstring& path) {
    const size_t bytes = sizeof(DROPFILES) + (path.size() + 2) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    files->fWide = TRUE;
    memcpy(reinterpret_cast<char*>(files) + sizeof(DROPFILES), path.c_str(), path.size() * sizeof(wchar_t));
    GlobalUnlock(memory);
    return memory;
}

class DropOnWindow : public apptest::MainWindowFixture {
protected:
    void TearDown() override {
        Browser.Close();
        AppState::DragActive = 0;
        apptest::MainWindowFixture::TearDown();
    }
    qrvtest::TempDir dir;
};

TEST_F(DropOnWindow, FileIsOpenedFromItsFolderAndTheBrowserFollows) {
    const std::wstring file = dir.File(L"dropped.bmp");
    apptest::WriteSolidPicture(file, 8, 6, RGB(10, 20, 30));
    HGLOBAL drop = MakeDrop(file);

    // A drop that arrives without a registered drag is ignored.
    OpenDroppedItem(window, (HDROP)drop);
    EXPECT_FALSE(AppState::CurrentImage.IsValid());
    EXPECT_FALSE(Browser.open);

    AppState::DragActive = 1;
    OpenDroppedItem(window, (HDROP)drop);
    EXPECT_EQ(AppState::DragActive, 0);
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 8u);
    EXPECT_EQ(lstrcmpiW(AppState::CurrentFolder, dir.Path().c_str()), 0);
    ASSERT_TRUE(WaitForFileScan(10000));  // the drop's build ran on the scan worker
    ASSERT_EQ(FileList::Count, 1);
    EXPECT_STREQ(FileList::Entries[FileList::Current].name, L"dropped.bmp");
    EXPECT_TRUE(Browser.IsShown());
    GlobalFree(drop);
}

TEST_F(DropOnWindow, APathLongerThanTheBufferOpensNothingEvenWhereItsCutNameExists) {
    // The first MAX_PATH - 1 characters of the dropped path name a real picture.
    std::wstring cut = dir.Path() + L"\\";
    cut += std::wstring(MAX_PATH - 1 - cut.size() - 4, L'p') + L".bmp";
    ASSERT_EQ(cut.size(), (size_t)MAX_PATH - 1);
    apptest::WriteSolidPicture(cut, 5, 4, RGB(200, 0, 0));
    ASSERT_TRUE(qrvtest::FileExists(cut));
    for (const std::wstring& tail : {std::wstring(L"x"), std::wstring(L".more\\deeper.bmp")}) {
        HGLOBAL drop = MakeDrop(cut + tail);
        AppState::DragActive = 1;
        OpenDroppedItem(window, (HDROP)drop);
        EXPECT_EQ(AppState::DragActive, 0);
        EXPECT_FALSE(AppState::CurrentImage.IsValid());
        EXPECT_FALSE(Browser.open);
        GlobalFree(drop);
    }
}

TEST_F(DropOnWindow, FolderBecomesTheCurrentFolderOfTheShownBrowser) {
    qrvtest::TempDir other;
    ASSERT_TRUE(Browser.Open(other.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, window));
    Browser.Hide();
    HGLOBAL drop = MakeDrop(dir.Path());
    AppState::DragActive = 1;
    OpenDroppedItem(window, (HDROP)drop);
    EXPECT_TRUE(Browser.IsShown());
    EXPECT_EQ(lstrcmpiW(AppState::CurrentFolder, dir.Path().c_str()), 0);
    EXPECT_FALSE(AppState::CurrentImage.IsValid());  // a folder opens no file
    GlobalFree(drop);
}

}  // namespace
