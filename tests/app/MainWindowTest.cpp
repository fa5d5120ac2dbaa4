#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandState.h"
#include "app/MainWindow.h"
#include "app/MainWindowIds.h"
#include "app/OpenWith.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app_ids.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/ThumbnailLoader.h"
#include "image/Common.h"
#include "image/Registry.h"
#include "media/Players.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::string> g_trace;
void Record(const char* step) { g_trace.push_back(step); }

using qrvtest::Pump;

// The real main window, created as start-up creates it, with the steps of its
// creation and tear-down recorded. Settings are saved below a test key so the
// tests never touch the program's own.
class MainWindowTest : public apptest::MainWindowFixture {
protected:
    void SetUp() override {
        g_trace.clear();
        SetAppTraceHook(Record);
        MainWindowFixture::SetUp();
        ASSERT_TRUE(IsWindow(window));
    }
    void TearDown() override {
        ThumbLoader::Running = 0;
        MainWindowFixture::TearDown();
        SetAppTraceHook(nullptr);
    }
};

TEST_F(MainWindowTest, CreationAndTeardownOrder) {
    EXPECT_EQ(g_trace, (std::vector<std::string>{"drop target", "menu", "tool bar", "status bar", "view borders"}));
    EXPECT_EQ(AppState::MenuInitialised, 1);
    EXPECT_NE(GetMenu(window), nullptr);
    EXPECT_GT(MainToolBar.height, 0);
    EXPECT_EQ(AppState::ViewMargins.top, MainToolBar.height);
    EXPECT_GT(AppState::ViewMargins.bottom, 0);
    g_trace.clear();
    DestroyWindow(window);
    EXPECT_EQ(g_trace, (std::vector<std::string>{"stop scan", "prompt save", "revoke drag drop", "leave presentation",
                                                 "stop media", "free image", "animation bar", "view borders",
                                                 "scroll bars", "image tool bar", "browser", "status bar and tool bar",
                                                 "menu", "snapshots", "file lists", "scanner", "save settings"}));
    // Every piece of chrome gave back exactly its margin.
    EXPECT_EQ(AppState::ViewMargins.top, 0);
    EXPECT_EQ(AppState::ViewMargins.bottom, 0);
    EXPECT_EQ(AppState::ViewMargins.right, 0);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
}

DWORD WINAPI FakeScan(void* seen) {
    while (!FileList::ScanStop) Sleep(5);
    *static_cast<volatile LONG*>(seen) = 1;
    return 0;
}

TEST_F(MainWindowTest, TeardownStopsAFolderScanWithABound) {
    static volatile LONG stopSeen = 0;
    FileList::ScanStop = 0;
    FileList::ScanBusy = 1;
    FileList::ScanThread = CreateThread(nullptr, 0, FakeScan, (void*)&stopSeen, 0, nullptr);
    DestroyWindow(window);
    EXPECT_EQ(stopSeen, 1);
    EXPECT_EQ(FileList::ScanBusy, 0);
    EXPECT_EQ(FileList::ScanThread, nullptr);
}

TEST_F(MainWindowTest, CloseWhileTheLoaderRunsIsCarriedOutByTheLoader) {
    ThumbLoader::Running = 1;
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(ThumbLoader::CloseRequest, 1);
    ThumbnailLoaderFinished(window);
    Pump();
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(MainWindowTest, MinMaxInfo) {
    MINMAXINFO info = {};
    info.ptMinTrackSize = {1, 1};
    SendMessageW(window, WM_GETMINMAXINFO, 0, (LPARAM)&info);
    EXPECT_GT(info.ptMinTrackSize.x, 1);
    EXPECT_EQ(info.ptMinTrackSize.y, GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU) +
                                         AppState::ViewMargins.top + AppState::ViewMargins.bottom + 5);
    RECT margins = {0, 28, 0, 20};
    POINT browser = MinimumTrackSize(true, 300, 0, 20, 20, 0, margins, 512);
    EXPECT_EQ(browser.x, 712);
    EXPECT_EQ(browser.y, 480);
    POINT video = MinimumTrackSize(false, 300, 46, 20, 20, 0, margins, 512);
    EXPECT_EQ(video.y, 0);
    POINT image = MinimumTrackSize(false, 300, 35, 20, 19, 280, margins, 512);
    EXPECT_EQ(image.y, 20 + 19 + 280 + 28 + 20 + 5);
}

TEST(MainWindowBeforeCreate, MinMaxInfoUntouchedBeforeMenuInitialised) {
    AppState::MenuInitialised = 0;
    MINMAXINFO info = {};
    info.ptMinTrackSize = {1, 1};
    MainWndProc(GetDesktopWindow(), WM_GETMINMAXINFO, 0, (LPARAM)&info);
    EXPECT_EQ(info.ptMinTrackSize.x, 1);
}

TEST_F(MainWindowTest, CtrlWheelZoomsWithoutNextFile) {
    AppState::Zoom = 1.0f;
    SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), MAKELPARAM(10, 10));
    EXPECT_FLOAT_EQ(AppState::Zoom, 1.5f);
    SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, (WORD)-WHEEL_DELTA), MAKELPARAM(10, 10));
    EXPECT_FLOAT_EQ(AppState::Zoom, 1.0f);
    EXPECT_EQ(AppState::WheelUsed, 1);
    EXPECT_FLOAT_EQ(WheelZoom(1.0f, -120), 0.75f);
}

TEST_F(MainWindowTest, AcceleratorTable) {
    HACCEL table = LoadAcceleratorsW(AppState::Instance, MAKEINTRESOURCEW(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    int count = CopyAcceleratorTableW(table, nullptr, 0);
    std::vector<ACCEL> entries(count);
    CopyAcceleratorTableW(table, entries.data(), count);
    auto command = [&](BYTE flags, WORD key) -> int {
        for (const auto& a : entries)
            if ((a.fVirt & ~FNOINVERT) == (flags | FVIRTKEY) && a.key == key) return a.cmd;  // first entry wins
        return -1;
    };
    EXPECT_EQ(command(FSHIFT, 'S'), 204);
    EXPECT_EQ(command(FSHIFT | FCONTROL, 'S'), 40319);
    EXPECT_EQ(command(FALT, VK_RETURN), 40050);
    EXPECT_EQ(command(0, VK_DELETE), 216);
    EXPECT_EQ(command(FSHIFT, VK_DELETE), 216);
    EXPECT_EQ(command(0, VK_ESCAPE), 40138);
    EXPECT_EQ(command(FCONTROL, 'Z'), 40079);
    EXPECT_EQ(command(0, VK_NEXT), 40002);
    EXPECT_EQ(command(0, VK_OEM_PLUS), 206);
    EXPECT_EQ(command(FSHIFT, '7'), 40332);
    DestroyAcceleratorTable(table);
}

// A command whose menu item is gray does nothing when its shortcut arrives:
// a pasted picture is never quick-saved over the folder's current file.
TEST_F(MainWindowTest, GrayedCommandsDoNotRun) {
    FileList::Entries = (MediaFileEntry*)calloc(1, sizeof(MediaFileEntry));
    FileList::Count = 1;
    FileList::Current = 0;
    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(4, 4, 24, 0, nullptr));
    AppState::CurrentFormatId = 22;
    AppState::DocumentKind = DOC_FILE;
    EXPECT_TRUE(IsCommandEnabled(204));
    AppState::DocumentKind = DOC_NEW_IMAGE;
    EXPECT_FALSE(IsCommandEnabled(204));
    EXPECT_TRUE(IsCommandEnabled(40005));
    AppState::DocumentKind = DOC_LOAD_FAILED;
    EXPECT_FALSE(IsCommandEnabled(40005));
    EXPECT_FALSE(IsCommandEnabled(40079));  // nothing to undo
    // The menu item carries the same state.
    AppState::DocumentKind = DOC_NEW_IMAGE;
    SendMessageW(window, WM_COMMAND, 40347, 0);
    AppState::ToolMode = 1;
    SendMessageW(window, WM_COMMAND, 40350, 0);
    EXPECT_EQ(AppState::ToolMode, 2);
    UINT state = GetMenuState(GetMenu(window), 204, MF_BYCOMMAND);
    EXPECT_TRUE(state & MF_GRAYED);
    free(FileList::Entries);
    FileList::Entries = nullptr;
    FileList::Count = 0;
    AppState::CurrentImage.Destroy();
    AppState::DocumentKind = DOC_NONE;
    AppState::CurrentFormatId = 0;
}

// Puts a small bitmap on the clipboard (or empties it).
void SetClipboardBitmap(HWND owner, bool bitmap) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    if (bitmap) SetClipboardData(CF_BITMAP, CreateBitmap(2, 2, 1, 32, nullptr));
    CloseClipboard();
}

// The Edit menu's Paste follows the clipboard, and is gray while the folder's
// current file is a sound or video file, whatever its extension among those.
TEST_F(MainWindowTest, EditMenuPasteFollowsClipboardAndCurrentEntry) {
    HMENU edit = GetSubMenu(GetMenu(window), 1);
    ASSERT_NE(edit, nullptr);
    FileList::Entries = (MediaFileEntry*)calloc(1, sizeof(MediaFileEntry));
    FileList::Count = 1;
    FileList::Current = 0;
    struct Case {
        const wchar_t* entry;
        bool bitmap;
        bool enabled;
    } cases[] = {{L"a.jpg", true, true},   {L"a.jpg", false, false}, {L"a.aiff", true, false}, {L"a.mp2", true, false},
                 {L"a.divx", true, false}, {L"a.mov", true, false},  {L"a.png", true, true}};
    for (const auto& c : cases) {
        wcscpy(FileList::Entries[0].name, c.entry);
        SetClipboardBitmap(window, c.bitmap);
        SendMessageW(window, WM_INITMENUPOPUP, (WPARAM)edit, 1);
        const UINT state = GetMenuState(edit, 40054, MF_BYCOMMAND);
        // Paste is gray, whatever the clipboard holds, until it has a handler.
        EXPECT_EQ((state & MF_GRAYED) == 0, c.enabled && HasCommandHandler(40054))
            << qrvtest::Narrow(c.entry) << " bitmap " << c.bitmap;
    }
    SetClipboardBitmap(window, false);
    free(FileList::Entries);
    FileList::Entries = nullptr;
    FileList::Count = 0;
}

// The "Open with" submenu is rebuilt from the program list at every opening:
// the programs in front of the four fixed items, never accumulating.
TEST_F(MainWindowTest, OpenWithSubmenuIsRebuiltOnEachOpening) {
    HMENU bar = GetMenu(window);
    HMENU openWith = nullptr, holder = nullptr;
    for (int i = 0; i < GetMenuItemCount(bar) && !openWith; ++i) {
        HMENU top = GetSubMenu(bar, i);
        for (int j = 0; top && j < GetMenuItemCount(top) && !openWith; ++j) {
            HMENU sub = GetSubMenu(top, j);
            if (sub && GetMenuState(sub, 40314, MF_BYCOMMAND) != (UINT)-1) {
                openWith = sub;
                holder = top;
            }
        }
    }
    ASSERT_NE(openWith, nullptr);
    ASSERT_EQ(GetMenuItemCount(openWith), 4);
    const int holderItems = GetMenuItemCount(holder);
    AppState::OpenWithCount = 2;
    CopyStringW(AppState::OpenWithDescs[0], L"Painter");
    CopyStringW(AppState::OpenWithDescs[1], L"Viewer");
    for (int round = 0; round < 2; ++round) {
        SendMessageW(window, WM_INITMENUPOPUP, (WPARAM)openWith, 1);
        ASSERT_EQ(GetMenuItemCount(openWith), 6) << round;
        EXPECT_EQ(GetMenuItemID(openWith, 0), 40250u);
        EXPECT_EQ(GetMenuItemID(openWith, 1), 40251u);
        wchar_t text[64] = {};
        GetMenuStringW(openWith, 1, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(text, L"Viewer");
        EXPECT_EQ(GetMenuItemID(openWith, 5), 40314u);
    }
    AppState::OpenWithCount = 0;
    SendMessageW(window, WM_INITMENUPOPUP, (WPARAM)openWith, 1);
    EXPECT_EQ(GetMenuItemCount(openWith), 4);
    // The popup that holds the submenu is not touched.
    SendMessageW(window, WM_INITMENUPOPUP, (WPARAM)holder, 6);
    EXPECT_EQ(GetMenuItemCount(holder), holderItems);
}

// The viewer's context menu: chosen by the current file's extension, with the
// mute state of the open player and the grays of a new image and the playlist tab.
TEST(ViewerContextMenu, MenuByExtensionWithPlayerAndDocumentState) {
    AppState::Instance = GetModuleHandleW(nullptr);
    struct Case {
        const wchar_t* file;
        int format;
        bool muted;
        int documentKind;
        int tab;
        UINT onlyIn;       // an item only this menu has
        bool muteChecked;  // 40165 checked, 40163 and 40164 gray
        bool itemsGray;    // 216 gray
    } cases[] = {
        {L"C:\\x\\a.jpg", 22, false, DOC_FILE, 0, 40139, false, false},
        {L"C:\\x\\a.jpg", 22, false, DOC_NEW_IMAGE, 0, 40139, false, true},
        {L"C:\\x\\a.avi", 46, true, DOC_FILE, 0, 40050, true, false},
        {L"C:\\x\\a.mov", 28, true, DOC_FILE, 0, 40050, true, false},
        {L"C:\\x\\a.avi", 46, false, DOC_FILE, 4, 40050, false, true},
        {L"C:\\x\\a.mp3", 43, true, DOC_FILE, 0, 273, true, false},
        {L"C:\\x\\a.mp3", 43, false, DOC_FILE, 0, 273, false, false},
        // The error picture of a failed video open: the menu still follows the file.
        {L"C:\\x\\a.wmv", 0, false, DOC_LOAD_FAILED, 0, 40165, false, false},
    };
    for (const auto& c : cases) {
        CopyStringW(AppState::CurrentFile, c.file);
        AppState::CurrentFormatId = c.format;
        VideoPlayer.muted = QuickTimePlayer.muted = SoundPlayer.muted = c.muted ? 1 : 0;
        AppState::DocumentKind = c.documentKind;
        AppState::BrowserTab = c.tab;
        HMENU resource = nullptr;
        HMENU popup = BuildViewerContextMenu(false, &resource);
        ASSERT_NE(popup, nullptr) << qrvtest::Narrow(c.file);
        const bool isImage = GetMenuState(popup, 40139, MF_BYCOMMAND) != (UINT)-1;
        const bool isVideo = !isImage && GetMenuState(popup, 40050, MF_BYCOMMAND) != (UINT)-1;
        const bool isSound = !isImage && !isVideo && GetMenuState(popup, 273, MF_BYCOMMAND) != (UINT)-1;
        const bool wantImage = c.onlyIn == 40139, wantSound = c.onlyIn == 273;
        EXPECT_EQ(isImage, wantImage) << qrvtest::Narrow(c.file);
        EXPECT_EQ(isSound, wantSound) << qrvtest::Narrow(c.file);
        EXPECT_EQ(isVideo, !wantImage && !wantSound) << qrvtest::Narrow(c.file);
        if (!isImage) {
            EXPECT_EQ((GetMenuState(popup, 40165, MF_BYCOMMAND) & MF_CHECKED) != 0, c.muteChecked);
            // Muted, the volume steps are gray; otherwise they follow their item state.
            for (UINT id : {40163u, 40164u})
                EXPECT_EQ((GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) != 0,
                          c.muteChecked || !IsCommandEnabled(id));
        }
        EXPECT_EQ((GetMenuState(popup, 216, MF_BYCOMMAND) & MF_GRAYED) != 0, c.itemsGray || !HasCommandHandler(216))
            << qrvtest::Narrow(c.file);
        DestroyMenu(resource);
    }
    HMENU resource = nullptr;
    HMENU selection = BuildViewerContextMenu(true, &resource);
    ASSERT_NE(selection, nullptr);
    EXPECT_NE(GetMenuState(selection, 40358, MF_BYCOMMAND), (UINT)-1);
    DestroyMenu(resource);
    VideoPlayer.muted = QuickTimePlayer.muted = SoundPlayer.muted = 0;
    AppState::CurrentFile[0] = 0;
    AppState::CurrentFormatId = 0;
    AppState::DocumentKind = DOC_NONE;
    AppState::BrowserTab = 0;
}

// The arrow keys record their signed step per axis.
TEST_F(MainWindowTest, ArrowKeysRecordTheirScrollStep) {
    AppState::LastScrollStep = {};
    SendMessageW(window, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(AppState::LastScrollStep.x, -20);
    EXPECT_EQ(AppState::LastScrollStep.y, 0);
    SendMessageW(window, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(AppState::LastScrollStep.x, -20);
    EXPECT_EQ(AppState::LastScrollStep.y, 20);
    SendMessageW(window, WM_KEYDOWN, VK_LEFT, 0);
    SendMessageW(window, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(AppState::LastScrollStep.x, 20);
    EXPECT_EQ(AppState::LastScrollStep.y, -20);
}

TEST(Startup, WindowsVersionWarningsAndFlags) {
    struct Case {
        DWORD platform, major, minor;
        const wchar_t* warning;
        uint8_t is2000, isXP;
    } cases[] = {
        {VER_PLATFORM_WIN32_WINDOWS, 4, 10, L"Windows 9x is not supported!", 0, 0},
        {VER_PLATFORM_WIN32s, 3, 1, L"Unknown Windows System?! Use at your own risk!!", 0, 0},
        {7, 10, 0, L"Unknown Windows System?! Use at your own risk!!", 0, 0},
        {VER_PLATFORM_WIN32_NT, 4, 0, L"Windows NT 4 is not supported!", 0, 0},
        {VER_PLATFORM_WIN32_NT, 5, 0, nullptr, 1, 0},
        {VER_PLATFORM_WIN32_NT, 5, 1, nullptr, 0, 1},
        {VER_PLATFORM_WIN32_NT, 10, 0, nullptr, 0, 1},
    };
    for (const auto& c : cases) {
        uint8_t is2000 = 9, isXP = 9;
        const wchar_t* warning = ClassifyWindowsVersion(c.platform, c.major, c.minor, &is2000, &isXP);
        EXPECT_STREQ(warning, c.warning) << c.platform << " " << c.major << "." << c.minor;
        EXPECT_EQ(is2000, c.is2000);
        EXPECT_EQ(isXP, c.isXP);
    }
}

TEST(HandOver, SenderSendsTheFullPathCutTo259) {
    wchar_t block[HANDOVER_CHARS];
    BuildHandOverBlock(L"  \"C:\\some folder\\a b.jpg\"  ", block);
    EXPECT_STREQ(block, L"C:\\some folder\\a b.jpg");
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    BuildHandOverBlock(L"relative.png", block);
    EXPECT_EQ(std::wstring(block), std::wstring(cwd) + (cwd[wcslen(cwd) - 1] == L'\\' ? L"" : L"\\") + L"relative.png");
    std::wstring longPath = L"C:\\" + std::wstring(400, L'x');
    BuildHandOverBlock(longPath.c_str(), block);
    EXPECT_EQ(wcslen(block), 259u);
    BuildHandOverBlock(L"", block);
    EXPECT_STREQ(block, L"");
}

TEST(HandOver, ReceiverBoundsQuotesAndFolders) {
    wchar_t path[MAX_PATH], folder[MAX_PATH];
    struct Case {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {{L"\"C:\\a b\\x.jpg\"", L"C:\\a b\\x.jpg"},
                 {L"C:\\a b\\x.jpg", L"C:\\a b\\x.jpg"},
                 {L"\"", L"\""},
                 {L"\"\"", L""},
                 {L"\"C:\\open", L"C:\\open"}};
    for (const auto& c : cases) {
        ReadHandOverPath(c.text, (DWORD)((wcslen(c.text) + 1) * 2), path);
        EXPECT_STREQ(path, c.expected) << c.text;
    }
    // A block of 260 bytes without a terminator is read as 130 characters.
    std::wstring big(400, L'y');
    ReadHandOverPath(big.c_str(), 260, path);
    EXPECT_EQ(wcslen(path), 130u);
    ReadHandOverPath(big.c_str(), 4000, path);
    EXPECT_EQ(wcslen(path), 259u);
    EXPECT_FALSE(ReadHandOverPath(big.c_str(), 0, path));
    EXPECT_FALSE(ReadHandOverPath(nullptr, 520, path));

    EXPECT_TRUE(HandOverFolder(L"C:\\pics\\x.jpg", folder));
    EXPECT_STREQ(folder, L"C:\\pics");
    EXPECT_TRUE(HandOverFolder(L"C:\\x.jpg", folder));
    EXPECT_STREQ(folder, L"C:\\");
    EXPECT_FALSE(HandOverFolder(L"x.jpg", folder));
}

// The running copy opens a handed-over file with its folder as the current folder.
TEST_F(MainWindowTest, CopyDataOpensTheFileWhenSingleInstanceIsOn) {
    qrvtest::TempDir dir;
    std::wstring file = dir.File(L"pic one.bmp");
    {
        CImage image;
        ASSERT_TRUE(image.CreateEmpty(8, 6, 24, RGB(10, 20, 30), nullptr));
        BITMAPFILEHEADER fh = {};
        BITMAPINFOHEADER ih = {sizeof(ih), 8, 6, 1, 24};
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof(fh) + sizeof(ih);
        std::vector<unsigned char> data((const unsigned char*)&fh, (const unsigned char*)&fh + sizeof(fh));
        data.insert(data.end(), (const unsigned char*)&ih, (const unsigned char*)&ih + sizeof(ih));
        data.insert(data.end(), image.bits, image.bits + image.stride * 6);
        ASSERT_TRUE(qrvtest::WriteAll(file, data.data(), data.size()));
    }
    wchar_t block[HANDOVER_CHARS];
    std::wstring quoted = L"\"" + file + L"\"";
    BuildHandOverBlock(quoted.c_str(), block);
    COPYDATASTRUCT data = {COPYDATA_OPEN_PATH, sizeof(block), block};

    AppState::GeneralUseOnlyOneInstance = 0;
    SendMessageW(window, WM_COPYDATA, 0, (LPARAM)&data);
    EXPECT_EQ(AppState::DocumentKind, DOC_NONE);

    AppState::GeneralUseOnlyOneInstance = 1;
    SendMessageW(window, WM_COPYDATA, 0, (LPARAM)&data);
    Pump();
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 8u);
    EXPECT_STREQ(AppState::CurrentFolder, dir.Path().c_str());
    EXPECT_EQ(FileList::Count, 1);
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    EXPECT_STREQ(cwd, dir.Path().c_str());
    wchar_t title[MAX_PATH];
    GetWindowTextW(window, title, MAX_PATH);
    EXPECT_STREQ(title, L"[pic one.bmp] - Quorvane");
    // An empty hand-over (a second start without arguments) does no harm.
    wchar_t empty[HANDOVER_CHARS] = {};
    COPYDATASTRUCT none = {COPYDATA_OPEN_PATH, sizeof(empty), empty};
    SendMessageW(window, WM_COPYDATA, 0, (LPARAM)&none);
    Pump();
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    SetCurrentDirectoryW(L"C:\\");
    DestroyWindow(window);
    FreeFileLists();
}

TEST(HandOver, MissingWindowIsReported) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, QRV_MUTEX_NAME);
    ASSERT_NE(mutex, nullptr);
    ASSERT_EQ(FindWindowW(QRV_WINDOW_CLASS, nullptr), nullptr);
    qrvtest::MessageCapture capture;
    EXPECT_TRUE(HandOverToRunningInstance(L"x.jpg"));
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Failed to find Quorvane Instance!\nPlease restart Quorvane.");
    CloseHandle(mutex);
    ReleaseInstanceMutex();
}

}  // namespace

namespace {
TEST(MainWindowPaint, ViewerPaintsItsBackground) {
    ResetSettingsToDefaults();
    AppState::Instance = GetModuleHandleW(nullptr);
    ASSERT_TRUE(InitApplication(AppState::Instance));
    HWND window = AppState::MainWindow;
    SetWindowPos(window, nullptr, 0, 0, 300, 300, SWP_NOZORDER | SWP_SHOWWINDOW);
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    HDC dc = GetDC(window);
    COLORREF c = GetPixel(dc, 50, 60);
    ReleaseDC(window, dc);
    EXPECT_EQ(c, (COLORREF)AppState::ViewerClrBackground);
    DestroyWindow(window);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {}
    CRegistry(HKEY_CURRENT_USER).Delete(QRV_REGISTRY_KEY, nullptr);
    AppState::MainWindow = nullptr;
    SetMessageOwner(nullptr);
}
}  // namespace

// Two real copies of the program: with "use only one instance" set, the second
// hands its file to the first and ends with -1; the first opens the file.
namespace {

std::wstring WindowTitle(HWND window) {
    wchar_t title[MAX_PATH] = {};
    GetWindowTextW(window, title, MAX_PATH);
    return title;
}

// Polls until check() holds or timeoutMs passes.
template <typename Check>
bool WaitFor(Check check, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (check()) return true;
        Sleep(50);
    }
    return check();
}

BOOL CALLBACK ListWindow(HWND window, LPARAM data) {
    auto* p = reinterpret_cast<std::pair<DWORD, std::string>*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == p->first) {
        wchar_t cls[64] = {};
        GetClassNameW(window, cls, 64);
        p->second += qrvtest::Narrow(cls) + ":" + qrvtest::Narrow(WindowTitle(window)) + "; ";
    }
    return TRUE;
}
std::string WindowsOf(DWORD pid) {
    std::pair<DWORD, std::string> data{pid, ""};
    EnumWindows(ListWindow, (LPARAM)&data);
    return data.second;
}

struct Process {
    PROCESS_INFORMATION info = {};
    bool Start(const std::wstring& exe, const std::wstring& argument) {
        std::wstring command = L"\"" + exe + L"\" \"" + argument + L"\"";
        STARTUPINFOW startup = {sizeof(startup)};
        return CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    }
    ~Process() {
        if (!info.hProcess) return;
        if (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info.hProcess, 99);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
};

void WriteSmallBmp(const std::wstring& path, int width) {
    CImage image;
    ASSERT_TRUE(image.CreateEmpty(width, 4, 24, RGB(1, 2, 3), nullptr));
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {sizeof(ih), width, 4, 1, 24};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(ih);
    std::vector<unsigned char> data((const unsigned char*)&fh, (const unsigned char*)&fh + sizeof(fh));
    data.insert(data.end(), (const unsigned char*)&ih, (const unsigned char*)&ih + sizeof(ih));
    data.insert(data.end(), image.bits, image.bits + image.stride * 4);
    ASSERT_TRUE(qrvtest::WriteAll(path, data.data(), data.size()));
}

}  // namespace

TEST(HandOver, SecondCopyHandsItsFileToTheFirst) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring exe(self);
    exe = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"qrv.exe";
    if (!qrvtest::FileExists(exe)) GTEST_SKIP() << "qrv.exe is not built";
    ASSERT_EQ(FindWindowW(QRV_WINDOW_CLASS, nullptr), nullptr);
    qrvtest::TempDir dir;
    const std::wstring first = dir.File(L"first.bmp"), second = dir.File(L"second one.bmp");
    WriteSmallBmp(first, 6);
    WriteSmallBmp(second, 7);
    // The settings the copies read: a key this test owns and removes again.
    CRegistry(HKEY_CURRENT_USER).Delete(QRV_REGISTRY_KEY, nullptr);
    CRegistry(HKEY_CURRENT_USER).WriteDword(QRV_REGISTRY_KEY, L"GeneralUseOnlyOneInstance", 1);

    Process a, b;
    ASSERT_TRUE(a.Start(exe, first));
    HWND running = nullptr;
    EXPECT_TRUE(WaitFor(
        [&] {
            running = FindWindowW(QRV_WINDOW_CLASS, nullptr);
            return running && WindowTitle(running) == L"[first.bmp] - Quorvane";
        },
        20000))
        << "the first copy did not open its file: window " << (running != nullptr) << " title "
        << qrvtest::Narrow(running ? WindowTitle(running) : L"") << " exited "
        << (WaitForSingleObject(a.info.hProcess, 0) == WAIT_OBJECT_0) << " windows " << WindowsOf(a.info.dwProcessId);
    if (running) {
        ASSERT_TRUE(b.Start(exe, second));
        ASSERT_EQ(WaitForSingleObject(b.info.hProcess, 20000), WAIT_OBJECT_0) << "the second copy did not end";
        DWORD code = 0;
        GetExitCodeProcess(b.info.hProcess, &code);
        EXPECT_EQ((int)code, -1);
        EXPECT_TRUE(WaitFor([&] { return WindowTitle(running) == L"[second one.bmp] - Quorvane"; }, 10000))
            << qrvtest::Narrow(WindowTitle(running));
        EXPECT_EQ(FindWindowExW(nullptr, running, QRV_WINDOW_CLASS, nullptr), nullptr);  // still one window
        PostMessageW(running, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForSingleObject(a.info.hProcess, 20000), WAIT_OBJECT_0);
        GetExitCodeProcess(a.info.hProcess, &code);
        EXPECT_EQ(code, 0u);
    }
    CRegistry(HKEY_CURRENT_USER).Delete(QRV_REGISTRY_KEY, nullptr);
}
