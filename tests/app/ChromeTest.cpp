// The viewer's scroll bars and zoom slider, the status bar and the progress
// bar: their arithmetic and texts as plain functions, and the controls on the
// real main window.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <string>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/ProgressBar.h"
#include "app/View.h"
#include "browser/BrowserServices.h"
#include "browser/FileList.h"
#include "formats/Animation.h"
#include "formats/Formats.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::Pump;

// ---- Zoom slots and scroll arithmetic ----

TEST(ZoomSlider, FindZoomSlot) {
    const struct {
        float zoom;
        int slot;
    } cases[] = {{1.0f, 11},  {50.0f, 0},   {45.0f, 0},  {0.75f, 12},  {0.8f, 11}, {0.02f, 19},
                 {0.01f, 19}, {0.025f, 18}, {60.0f, -1}, {50.01f, -1}, {0.0f, 19}};
    for (const auto& c : cases) EXPECT_EQ(FindZoomSlot(c.zoom), c.slot) << c.zoom;
    // Every factor of the table finds its own slot, the last one included.
    for (int i = 0; i < kZoomSlotCount; ++i) EXPECT_EQ(FindZoomSlot(kZoomSlots[i]), i) << i;
}

TEST(ZoomSlider, TipText) {
    wchar_t text[32];
    FormatZoomTip(text, 32, 1.0f);
    EXPECT_STREQ(text, L"100% Zoom");
    FormatZoomTip(text, 32, 0.02f);
    EXPECT_STREQ(text, L"2% Zoom");
    FormatZoomTip(text, 32, 50.0f);
    EXPECT_STREQ(text, L"5000% Zoom");
}

TEST(ScrollBars, RangesAndThumbAreInverse) {
    // A 3000-pixel picture in a view of 800: centred, the thumb is in the middle.
    const int page = ScrollBarPage(840, 20, 20, 0);
    EXPECT_EQ(page, 801);
    ScrollBarRange r = ComputeScrollBarRange(3000, page, 0);
    EXPECT_EQ(r.max, 3000);
    EXPECT_EQ(r.page, 801);
    EXPECT_EQ(r.pos, 1500 - 400);
    // The image moved right (positive offset) shows its left part: the thumb goes back.
    EXPECT_LT(ComputeScrollBarRange(3000, page, 200).pos, r.pos);
    for (int offset : {-1100, -7, 0, 13, 1100}) {
        r = ComputeScrollBarRange(3000, page, offset);
        EXPECT_EQ(ScrollOffsetFromThumb(3000, page, r.pos), offset);
    }
    // The browser's share comes off the page; a page never goes negative.
    EXPECT_EQ(ScrollBarPage(840, 20, 20, 300), 501);
    EXPECT_EQ(ScrollBarPage(30, 20, 20, 0), 0);
}

TEST(ScrollBars, LayoutOfTheThreeControls) {
    const RECT client = {0, 0, 800, 600};
    const RECT margins = {17, 28, 17 + 28, 17 + 20};  // slider; tool bar; bar + image tool bar; bar + status bar
    const ScrollBarsLayout l = ComputeScrollBarsLayout(client, margins, 17, 0, 0, 28);
    // The horizontal bar runs from the left edge under the vertical bar, on top of the status bar.
    EXPECT_EQ(l.horizontal.x, 0);
    EXPECT_EQ(l.horizontal.y, 600 - 37);
    EXPECT_EQ(l.horizontal.width, 800 - 45 + 17);
    EXPECT_EQ(l.horizontal.height, 17);
    // The vertical bar is left of the image tool bar; the slider at the left, both as high as the view.
    EXPECT_EQ(l.vertical.x, 800 - 17 - 28);
    EXPECT_EQ(l.vertical.y, 28);
    EXPECT_EQ(l.vertical.height, 600 - 28 - 37);
    EXPECT_EQ(l.slider.x, 0);
    EXPECT_EQ(l.slider.y, l.vertical.y);
    EXPECT_EQ(l.slider.height, l.vertical.height);
    EXPECT_EQ(l.slider.width, 17);
    // The browser's list (p) and folder pane (t) move and shorten them.
    const ScrollBarsLayout b = ComputeScrollBarsLayout(client, margins, 17, 300, 100, 0);
    EXPECT_EQ(b.vertical.x, 800 - 17 - 300);
    EXPECT_EQ(b.vertical.y, 128);
    EXPECT_EQ(b.vertical.height, 600 - 28 - 37 - 100);
    EXPECT_EQ(b.horizontal.width, 800 - 45 - 300 + 17);
}

// ---- Status bar texts ----

StatusBarState StillImage() {
    StatusBarState s;
    s.documentKind = DOC_FILE;
    s.formatId = FMT_BMP;
    s.fileCount = 12;
    s.fileIndex = 2;
    s.fileSize = 2048;
    SYSTEMTIME st = {2024, 3, 0, 5, 12, 30, 0, 0};
    SystemTimeToFileTime(&st, &s.fileTime);
    s.imageValid = true;
    s.width = 640;
    s.height = 480;
    s.bpp = 24;
    s.zoom = 0.5f;
    s.loadTimeMs = 120;
    s.currentDirectory = L"C:\\pictures";
    return s;
}

std::wstring InfoPart(const StatusBarTexts& t) { return t.partCount > 0 ? t.parts[t.partCount - 1] : L""; }

TEST(StatusBarTexts, PartsOfALoadedFile) {
    StatusBarTexts t;
    BuildStatusBarTexts(StillImage(), t);
    ASSERT_FALSE(t.simple);
    ASSERT_EQ(t.partCount, 5);
    EXPECT_STREQ(t.parts[0], L"\t640x480x24 -> 50%");
    EXPECT_STREQ(t.parts[1], L"\t2.00 KB");
    wchar_t date[64];
    const FILETIME time = StillImage().fileTime;
    FormatFileTime(date, &time);
    EXPECT_EQ(std::wstring(t.parts[2]), L"\t" + std::wstring(date));
    EXPECT_STREQ(t.parts[3], L"\t3/12");
    EXPECT_STREQ(t.parts[4], L"\tLoaded in 0.12 sec");

    StatusBarState video = StillImage();
    video.formatId = FMT_VIDEO;
    video.zoom = 1.0f;
    BuildStatusBarTexts(video, t);
    ASSERT_EQ(t.partCount, 5);
    EXPECT_STREQ(t.parts[0], L"\t640x480 -> 100%");

    StatusBarState sound = StillImage();
    sound.formatId = FMT_SOUND;
    BuildStatusBarTexts(sound, t);
    ASSERT_EQ(t.partCount, 4);  // no size part
    EXPECT_STREQ(t.parts[0], L"\t2.00 KB");
    EXPECT_STREQ(t.parts[2], L"\t3/12");
}

TEST(StatusBarTexts, InfoPart) {
    const struct {
        const char* name;
        void (*change)(StatusBarState&);
        const wchar_t* info;
    } cases[] = {
        {"selection of 100 x 50 screen pixels at zoom 2",
         [](StatusBarState& s) {
             s.zoom = 2.0f;
             s.origin = {10, 20};
             s.selection = {50, 60, 150, 110};
         },
         L"\t[x:20 y:20 | w:50 h:25]"},
        {"selection dragged up and left counts its size",
         [](StatusBarState& s) {
             s.zoom = 2.0f;
             s.selection = {150, 110, 50, 60};
         },
         L"\t[x:75 y:55 | w:50 h:25]"},
        {"a one-pixel selection is none",
         [](StatusBarState& s) {
             s.selection = {5, 5, 6, 6};
         },
         L"\tLoaded in 0.12 sec"},
        {"load time 0", [](StatusBarState& s) { s.loadTimeMs = 0; }, L"\tLoaded in 0.01 sec"},
        {"gif",
         [](StatusBarState& s) {
             s.animationActive = true;
             s.animationKind = ANIM_KIND_GIF;
             s.currentFrame = 2;
             s.frameCount = 12;
             s.loadTimeMs = 1500;
         },
         L"\tGIF - 03 of 12 Frames - Loaded in 1.50 sec"},
        {"tiff pages",
         [](StatusBarState& s) {
             s.animationActive = true;
             s.animationKind = ANIM_KIND_TIFF;
             s.currentFrame = 0;
             s.frameCount = 2;
         },
         L"\tTIF - 01 of 02 Frames - Loaded in 0.12 sec"},
        {"mng",
         [](StatusBarState& s) {
             s.animationActive = true;
             s.animationKind = ANIM_KIND_MNG;
             s.currentFrame = 0;
             s.frameCount = 5;
             s.layerCount = 7;
         },
         L"\tMNG - 01 of 05 Frames (7 Layers)"},
        {"video position",
         [](StatusBarState& s) {
             s.animationActive = true;
             s.animationKind = ANIM_KIND_VIDEO;
             s.positionMs = 3723000;
             s.durationMs = 36000000ull + 59 * 60000 + 59000 + 999;
         },
         L"\t1:02:03 (10:59:59)"},
        {"other kind",
         [](StatusBarState& s) {
             s.animationActive = true;
             s.animationKind = 42;
         },
         L"\tPlaying Media"},
        {"folder scan", [](StatusBarState& s) { s.scanBusy = true; }, L"\tSearching/Sorting...please wait"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StatusBarState s = StillImage();
        c.change(s);
        StatusBarTexts t;
        BuildStatusBarTexts(s, t);
        EXPECT_EQ(InfoPart(t), c.info);
    }
}

TEST(StatusBarTexts, SimpleModes) {
    StatusBarTexts t;
    StatusBarState failed = StillImage();
    failed.documentKind = DOC_LOAD_FAILED;
    BuildStatusBarTexts(failed, t);
    EXPECT_TRUE(t.simple);
    EXPECT_EQ(std::wstring(t.parts[0]),
              L"Failed to load Mediafile: Please send file to <" + std::wstring(kSupportAddress) + L">.");

    StatusBarState memory = StillImage();
    memory.documentKind = DOC_NEW_IMAGE;
    memory.fileCount = 0;  // nothing in the list: still the memory text
    BuildStatusBarTexts(memory, t);
    EXPECT_TRUE(t.simple);
    EXPECT_STREQ(t.parts[0], L"[640x480x24] [Zoom:50%] Image only in Memory - do not forget to save!");
    memory.imageValid = false;
    BuildStatusBarTexts(memory, t);
    EXPECT_STREQ(t.parts[0], L"[0x0x0] [Zoom:50%] Image only in Memory - do not forget to save!");

    // Nothing loaded, a playlist, an empty list or an index outside it: the folder.
    const std::wstring folder = L"C:\\" + std::wstring(255, L'f');  // 258 characters
    for (int variant = 0; variant < 4; ++variant) {
        SCOPED_TRACE(variant);
        StatusBarState s = StillImage();
        s.currentDirectory = folder.c_str();
        if (variant == 0) s.documentKind = DOC_NONE;
        if (variant == 1) s.formatId = FMT_PLAYLIST;
        if (variant == 2) s.fileCount = 0;
        if (variant == 3) s.fileIndex = 12;
        BuildStatusBarTexts(s, t);
        EXPECT_TRUE(t.simple);
        EXPECT_EQ(std::wstring(t.parts[0]), folder);  // intact, not cut at 128
        s.scanBusy = true;
        BuildStatusBarTexts(s, t);
        EXPECT_STREQ(t.parts[0], L"Searching/Sorting...please wait");
    }
}

// ---- The controls on the main window ----

class ChromeWindowTest : public apptest::MainWindowFixture {
protected:
    void TearDown() override {
        AppState::DocumentKind = DOC_NONE;
        AppState::CurrentImage.Destroy();
        MainWindowFixture::TearDown();
    }
    // Opens a picture of one colour of the given size in the viewer.
    void Open(int width, int height) {
        const std::wstring file = dir.File(L"picture.bmp");
        apptest::WriteSolidPicture(file, width, height, RGB(20, 120, 220));
        SetCurrentDirectoryW(dir.Path().c_str());
        BuildFileList(L"picture.bmp", dir.Path().c_str());
        ASSERT_TRUE(WaitForFileScan(10000));
        OpenMediaFile(file.c_str());
        Pump();
        ASSERT_EQ(AppState::DocumentKind, DOC_FILE);
    }
    static SCROLLINFO Info(HWND bar) {
        SCROLLINFO info = {sizeof(info), SIF_ALL};
        GetScrollInfo(bar, SB_CTL, &info);
        return info;
    }
    static bool Disabled(HWND bar) {
        SCROLLBARINFO info = {};
        info.cbSize = sizeof(info);
        GetScrollBarInfo(bar, OBJID_CLIENT, &info);
        return !IsWindowEnabled(bar) || (info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
    }
    qrvtest::TempDir dir;
};

TEST_F(ChromeWindowTest, ScrollBarsTakeTheirMarginsOnce) {
    ASSERT_FALSE(ViewScrollBars.created);
    const RECT before = AppState::ViewMargins;
    EXPECT_TRUE(ViewScrollBars.Create(window, AppState::Instance));
    const RECT once = AppState::ViewMargins;
    EXPECT_TRUE(ViewScrollBars.Create(window, AppState::Instance));
    EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &once));
    EXPECT_EQ(once.left - before.left, GetSystemMetrics(SM_CXHSCROLL));
    EXPECT_EQ(once.bottom - before.bottom, GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_TRUE(IsWindow(ViewScrollBars.horizontal));
    EXPECT_TRUE(IsWindow(ViewScrollBars.vertical));
    EXPECT_TRUE(IsWindow(ViewScrollBars.slider));
    const HWND slider = ViewScrollBars.slider;
    EXPECT_TRUE(ViewScrollBars.Destroy());
    EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &before));
    EXPECT_FALSE(IsWindow(slider));
    EXPECT_FALSE(ViewScrollBars.Destroy());
    EXPECT_FALSE(ViewScrollBars.Layout());
    EXPECT_FALSE(ViewScrollBars.UpdateRanges());
    EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &before));
}

TEST_F(ChromeWindowTest, SmallImageShowsBothBarsDisabled) {
    Open(20, 10);
    ASSERT_TRUE(ViewScrollBars.created);
    for (HWND bar : {ViewScrollBars.horizontal, ViewScrollBars.vertical}) {
        EXPECT_TRUE(IsWindowVisible(bar));
        EXPECT_TRUE(Disabled(bar));
    }
    const SCROLLINFO h = Info(ViewScrollBars.horizontal);
    EXPECT_EQ(h.nMax, (int)(20 * AppState::Zoom));
    EXPECT_GT((int)h.nPage, h.nMax);  // the thumb fills the bar
}

TEST_F(ChromeWindowTest, LargeImageScrollsFromItsBars) {
    Open(3000, 2000);
    ASSERT_TRUE(ViewScrollBars.created);
    SetZoom(1.0f, false);
    Pump();
    const SCROLLINFO h = Info(ViewScrollBars.horizontal);
    EXPECT_EQ(h.nMax, 3000);
    EXPECT_FALSE(Disabled(ViewScrollBars.horizontal));
    EXPECT_FALSE(Disabled(ViewScrollBars.vertical));
    EXPECT_EQ(Info(ViewScrollBars.vertical).nMax, 2000);
    // A line to the left shows more of the left part: the offset grows, the thumb goes back.
    const int offset = AppState::ScrollOffset.x;
    SendMessageW(window, WM_HSCROLL, SB_LINELEFT, (LPARAM)ViewScrollBars.horizontal);
    EXPECT_EQ(AppState::ScrollOffset.x, offset + 20);
    EXPECT_EQ(Info(ViewScrollBars.horizontal).nPos, h.nPos - 20);
    // Another control's scroll message is not the bars'.
    EXPECT_FALSE(ViewScrollBars.OnHScroll((LPARAM)window, SB_LINELEFT));
    EXPECT_FALSE(ViewScrollBars.OnVScroll((LPARAM)ViewScrollBars.horizontal, SB_LINEUP));
    // The vertical bar pages by 50.
    const int y = AppState::ScrollOffset.y;
    SendMessageW(window, WM_VSCROLL, SB_PAGEDOWN, (LPARAM)ViewScrollBars.vertical);
    EXPECT_EQ(AppState::ScrollOffset.y, y - 50);
}

TEST_F(ChromeWindowTest, ZoomSliderSetsZoomWithItsTip) {
    Open(300, 200);
    ASSERT_TRUE(ViewScrollBars.created);
    HWND slider = ViewScrollBars.slider, tip = ViewScrollBars.tip;
    ASSERT_TRUE(tip);
    EXPECT_EQ(SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 19);
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), FindZoomSlot(AppState::Zoom));
    SendMessageW(slider, TBM_SETPOS, TRUE, 11);
    SendMessageW(window, WM_VSCROLL, MAKEWPARAM(TB_THUMBTRACK, 11), (LPARAM)slider);
    EXPECT_FLOAT_EQ(AppState::Zoom, 1.0f);
    EXPECT_TRUE(ViewScrollBars.tracking);
    EXPECT_TRUE(IsWindowVisible(tip));
    wchar_t text[64] = {};
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = window;
    tool.uId = (UINT_PTR)slider;
    tool.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 64, (LPARAM)&tool);
    EXPECT_STREQ(text, L"100% Zoom");
    // Release: the final position is taken and the tip goes.
    SendMessageW(slider, TBM_SETPOS, TRUE, 13);
    SendMessageW(window, WM_VSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 13), (LPARAM)slider);
    EXPECT_FLOAT_EQ(AppState::Zoom, 0.5f);
    EXPECT_FALSE(ViewScrollBars.tracking);
    EXPECT_FALSE(IsWindowVisible(tip));
    // A zoom from elsewhere (a fit, the zoom commands) moves the thumb.
    SetZoom(2.0f, false);
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 9);
    SetZoom(0.32f, false);
    EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 13);
    SetZoom(0.5f, false);
    // Line steps from the keyboard and the end of the drag change nothing.
    SendMessageW(slider, TBM_SETPOS, TRUE, 5);
    SendMessageW(window, WM_VSCROLL, TB_LINEDOWN, (LPARAM)slider);
    SendMessageW(window, WM_VSCROLL, TB_ENDTRACK, (LPARAM)slider);
    EXPECT_FLOAT_EQ(AppState::Zoom, 0.5f);
}

TEST_F(ChromeWindowTest, StatusBarIsRecreatedWithOneMargin) {
    ASSERT_TRUE(StatusBar.created);
    EXPECT_TRUE(StatusBar.Destroy());
    EXPECT_FALSE(StatusBar.Destroy());
    EXPECT_FALSE(StatusBar.Update());  // nothing before Create
    const RECT before = AppState::ViewMargins;
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(StatusBar.Create(window));
    RECT r;
    GetWindowRect(StatusBar.window, &r);
    EXPECT_EQ(AppState::ViewMargins.bottom, before.bottom + (r.bottom - r.top));
    // Only one bar is left among the window's children.
    int bars = 0;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[64] = {};
        GetClassNameW(child, cls, 64);
        if (_wcsicmp(cls, STATUSCLASSNAMEW) == 0) ++bars;
    }
    EXPECT_EQ(bars, 1);
    EXPECT_EQ(GetDlgCtrlID(StatusBar.window), kStatusBarId);
}

std::wstring PartText(int part) {
    wchar_t text[kStatusTextChars] = {};
    const LRESULT length = SendMessageW(StatusBar.window, SB_GETTEXTLENGTHW, part, 0);
    if (LOWORD(length) < kStatusTextChars) SendMessageW(StatusBar.window, SB_GETTEXTW, part, (LPARAM)text);
    return text;
}

// The simple-mode text: Wine answers it for part 0, Windows for SB_SIMPLEID.
std::wstring SimpleText() {
    const std::wstring text = PartText(SB_SIMPLEID);
    return text.empty() ? PartText(0) : text;
}

TEST_F(ChromeWindowTest, StatusBarShowsTheFilesParts) {
    Open(640, 480);
    SetZoom(0.5f, false);
    ASSERT_TRUE(StatusBar.Update());
    EXPECT_FALSE(SendMessageW(StatusBar.window, SB_ISSIMPLE, 0, 0));
    EXPECT_EQ(SendMessageW(StatusBar.window, SB_GETPARTS, 0, 0), 5);
    EXPECT_EQ(PartText(0), L"\t640x480x24 -> 50%");
    EXPECT_EQ(PartText(3), L"\t1/1");

    // Closed: the folder in simple mode; the current folder is left to its owners.
    wcscpy(AppState::CurrentFolder, L"C:\\elsewhere");
    AppState::DocumentKind = DOC_NONE;
    ASSERT_TRUE(StatusBar.Update());
    EXPECT_TRUE(SendMessageW(StatusBar.window, SB_ISSIMPLE, 0, 0));
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    EXPECT_EQ(SimpleText(), cwd);
    EXPECT_STREQ(AppState::CurrentFolder, L"C:\\elsewhere");
}

DWORD WINAPI UpdateFromWorker(LPVOID result) {
    *static_cast<bool*>(result) = StatusBar.Update();
    return 0;
}

TEST_F(ChromeWindowTest, UpdateFromAWorkerArrivesPosted) {
    ASSERT_TRUE(StatusBar.created);
    Pump();
    AppState::DocumentKind = DOC_NONE;
    SendMessageW(StatusBar.window, SB_SIMPLE, TRUE, 0);
    SendMessageW(StatusBar.window, SB_SETTEXTW, SB_SIMPLEID, (LPARAM)L"before");
    bool posted = false;
    HANDLE thread = CreateThread(nullptr, 0, UpdateFromWorker, &posted, 0, nullptr);
    ASSERT_TRUE(thread);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    EXPECT_TRUE(posted);
    // The worker touched nothing of the bar: the request waits in the queue.
    EXPECT_EQ(SimpleText(), L"before");
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, window, WM_APP_STATUS_UPDATE, WM_APP_STATUS_UPDATE, PM_NOREMOVE));
    Pump();  // the window's thread carries it out
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    EXPECT_EQ(SimpleText(), cwd);
}

TEST_F(ChromeWindowTest, ProgressBarLiesOverTheStatusBar) {
    SetWindowPos(window, nullptr, 0, 0, 600, 400, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(CreateProgressBar(0), nullptr);
    ASSERT_TRUE(StatusBar.created);
    HWND bar = CreateProgressBar(4);
    ASSERT_NE(bar, nullptr);
    RECT client, barRect, statusRect;
    GetClientRect(window, &client);
    GetWindowRect(bar, &barRect);
    GetWindowRect(StatusBar.window, &statusRect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&barRect), 2);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&statusRect), 2);
    EXPECT_EQ(barRect.left, 1);
    EXPECT_EQ(barRect.right, client.right - 1);
    EXPECT_GE(barRect.top, statusRect.top);
    EXPECT_LE(barRect.bottom, statusRect.bottom);
    const RECT expected = ProgressBarRect(client.right, client.bottom, StatusBar.marginTaken);
    EXPECT_TRUE(EqualRect(&barRect, &expected));
    // A step in an unchanged window keeps the same place.
    StepProgressBar(bar);
    GetWindowRect(bar, &barRect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&barRect), 2);
    EXPECT_TRUE(EqualRect(&barRect, &expected));
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 1);
    DestroyProgressBar(bar);
}

}  // namespace
