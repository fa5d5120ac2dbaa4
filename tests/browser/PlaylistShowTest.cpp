// The playlist show and the folder slide show in the real main window: the
// step arithmetic, steps over the playlist and the folder's files with fake
// sound and video readers (they set the medium's length as the players do),
// a list that starts its show full screen, the end of a list played once,
// and the background music's loop over a fake event source.
#include <gtest/gtest.h>

#include <windows.h>

#include <shlwapi.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/AppWindowTest.h"
#include "browser/PlaylistTesting.h"
#include "app/MediaDocument.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/PlaylistFile.h"
#include "browser/PlaylistShow.h"
#include "browser/ThumbnailDB.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "media/AnimationBar.h"
#include "media/DirectShowPlayer.h"

namespace {

TEST(ShowStep, WhereEachDirectionGoes) {
    struct Case {
        int current, count, direction;
        bool wrap;
        int random;
        int index;
        bool pastEnd;
    } cases[] = {
        {0, 3, 0, true, 0, 1, false},   {2, 3, 0, true, 0, 0, false},   {2, 3, 0, false, 0, 2, true},
        {1, 3, 1, true, 0, 0, false},   {0, 3, 1, true, 0, 2, false},   {0, 3, 1, false, 0, 0, true},
        {0, 3, 2, false, 7, 1, false},  {1, 3, 7, true, 5, 1, false},   {-1, 3, 0, false, 0, 0, false},
        {-1, 3, 1, false, 0, 2, false}, {-1, 3, 2, false, 5, 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.current << " of " << c.count << " direction " << c.direction);
        const ShowStepTarget target = ComputeShowStep(c.current, c.count, c.direction, c.wrap, c.random);
        EXPECT_EQ(target.index, c.index);
        EXPECT_EQ(target.pastEnd, c.pastEnd);
    }
}

TEST(ShowStep, AMediumsLengthCountsOnlyWhenItsPlayerTookTheEntry) {
    struct Case {
        bool opened;
        int formatId;
        uint32_t length;
        UINT interval;
    } cases[] = {
        {true, FMT_SOUND, 1234, 1234},  {true, FMT_VIDEO, 800, 800}, {true, FMT_QTMOVIE, 900, 900},
        {false, FMT_SOUND, 1234, 5000}, {true, FMT_BMP, 1234, 5000}, {true, FMT_SOUND, 0, 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.formatId);
        EXPECT_EQ(ShowEntryInterval(c.opened, c.formatId, c.length, 5000), c.interval);
    }
}

// What the fake players do: a file whose name holds "broken" fails; every
// other one opens with the length the test chose.
uint32_t g_fakeLength = 0;
ReadStatus FakePlayer(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    if (call.request.Quiet()) return false;
    AnimationBar.MediaLength = g_fakeLength;
    if (wcsstr(path, L"broken")) {
        SetFormatError(errorText, L"Failed to play Media!");
        return false;
    }
    return image.CreateEmpty(32, 32, 24, RGB(0, 0, 0), nullptr);
}

LRESULT CALLBACK QuietWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// The main window with fake sound and video readers, a playlist of files in a
// temporary folder, and a window of the test's own that takes the shows'
// timers and posts, so nothing steps unless the test says so.
class PlaylistShowTest : public apptest::ShellWindowFixture {
protected:
    void SetUp() override {
        apptest::ShellWindowFixture::SetUp();
        SetThumbDBRootForTesting(dbRoot.Path().c_str());
        savedSound_ = SetFormatReader(FMT_SOUND, FakePlayer);
        savedVideo_ = SetFormatReader(FMT_VIDEO, FakePlayer);
        g_fakeLength = 0;
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = QuietWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"QrvShowTestWindow";
        RegisterClassW(&windowClass);
        timers = CreateWindowExW(0, L"QrvShowTestWindow", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(timers, nullptr);
        apptest::WriteSolidPicture(folder.File(L"red.bmp"), 40, 30, RGB(200, 0, 0));
        apptest::WriteSolidPicture(folder.File(L"green.bmp"), 40, 30, RGB(0, 200, 0));
        ASSERT_TRUE(qrvtest::WriteAll(folder.File(L"tune.wav"), "RIFF", 4));
        ASSERT_TRUE(qrvtest::WriteAll(folder.File(L"broken.wav"), "RIFF", 4));
        ClearPlaylist();
        AppState::SlideShowRunning = 0;
    }
    void TearDown() override {
        if (AppState::ViewMode == VIEW_PRESENTATION) TogglePresentationMode(false);
        Browser.Close();
        ClearPlaylist();
        AppState::SlideShowRunning = 0;
        AppState::BrowserTab = TAB_ALL_TYPES;
        DestroyWindow(timers);
        SetFormatReader(FMT_SOUND, savedSound_);
        SetFormatReader(FMT_VIDEO, savedVideo_);
        apptest::ShellWindowFixture::TearDown();
        SetThumbDBRootForTesting(nullptr);
    }
    static void ClearPlaylist() { playlisttest::ClearPlaylist(); }
    void GivePlaylist(std::initializer_list<const wchar_t*> names) {
        for (const wchar_t* name : names) {
            MediaFileEntry entry = {};
            CopyStringW(entry.name, folder.File(name).c_str());
            ASSERT_TRUE(AppendMediaFileEntry(&Playlist::Entries, entry, &Playlist::Count));
        }
        Playlist::Active = true;
    }
    // Whether the timer fires at the test's window within ms.
    bool TimerFires(UINT_PTR id, DWORD ms) {
        const DWORD start = GetTickCount();
        MSG msg;
        while (GetTickCount() - start < ms) {
            if (PeekMessageW(&msg, timers, WM_TIMER, WM_TIMER, PM_REMOVE) && msg.wParam == id) return true;
            Sleep(5);
        }
        return false;
    }
    std::wstring CurrentName() const { return PathFindFileNameW(AppState::CurrentFile); }

    qrvtest::TempDir folder, dbRoot;
    HWND timers = nullptr;

private:
    FormatReader savedSound_ = nullptr, savedVideo_ = nullptr;
};

TEST_F(PlaylistShowTest, AListWithOneEntryNeverSteps) {
    GivePlaylist({L"red.bmp"});
    AppState::CurrentFile[0] = L'\0';
    for (int direction : {0, 1, 2}) {
        Playlist::Settings.Direction = direction;
        EXPECT_EQ(StepPlaylistShow(timers), 0);
    }
    EXPECT_STREQ(AppState::CurrentFile, L"");
    EXPECT_FALSE(KillTimer(timers, TIMER_PLAYLIST_SHOW));
    GivePlaylist({L"green.bmp"});
    Playlist::Active = false;
    EXPECT_EQ(StepPlaylistShow(timers), 0) << "an inactive list steps neither";
}

TEST_F(PlaylistShowTest, ForwardPastTheEndStartsAgainOrEndsTheProgram) {
    GivePlaylist({L"red.bmp", L"green.bmp"});
    Playlist::Current = 1;
    Playlist::Settings.Delay = 60000;
    EXPECT_EQ(StepPlaylistShow(timers), 1);
    EXPECT_EQ(Playlist::Current, 0);
    EXPECT_EQ(CurrentName(), L"red.bmp");
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    EXPECT_TRUE(KillTimer(timers, TIMER_PLAYLIST_SHOW)) << "the show goes on";

    Playlist::Current = 1;
    Playlist::ShowRunning = true;
    Playlist::Settings.PlayOnlyOnce = 1;
    EXPECT_EQ(StepPlaylistShow(timers), 1);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, timers, WM_DESTROY, WM_DESTROY, PM_REMOVE)) << "the program ends";
    EXPECT_FALSE(Playlist::Active);
    EXPECT_FALSE(Playlist::ShowRunning);
    EXPECT_EQ(Playlist::Count, 0);
    EXPECT_EQ(Playlist::Entries, nullptr);
}

TEST_F(PlaylistShowTest, BackwardPastTheStartWithPlayOnlyOnceEndsToo) {
    GivePlaylist({L"red.bmp", L"green.bmp"});
    Playlist::Settings.Direction = 1;
    Playlist::Current = 1;
    EXPECT_EQ(StepPlaylistShow(timers), 1);
    EXPECT_EQ(CurrentName(), L"red.bmp");
    Playlist::Settings.PlayOnlyOnce = 1;
    EXPECT_EQ(StepPlaylistShow(timers), 1);
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, timers, WM_DESTROY, WM_DESTROY, PM_REMOVE));
    EXPECT_FALSE(Playlist::Active);
}

TEST_F(PlaylistShowTest, RandomOverTwoEntriesHitsBoth) {
    GivePlaylist({L"red.bmp", L"green.bmp"});
    Playlist::Settings.Direction = 2;
    Playlist::Settings.Delay = 60000;
    srand(7);
    std::set<int> seen;
    for (int i = 0; i < 20; ++i) {
        StepPlaylistShow(timers);
        seen.insert(Playlist::Current);
    }
    EXPECT_EQ(seen, (std::set<int>{0, 1}));
}

// The entry's time: a medium stands for its length, a picture and a medium
// no player took stand for Delay (the failed one shows the error picture and
// the show goes on).
TEST_F(PlaylistShowTest, TheTimerRunsForTheMediumsLengthOrTheDelay) {
    GivePlaylist({L"red.bmp", L"tune.wav", L"broken.wav"});
    struct Case {
        int from;
        int delay;
        uint32_t length;
        const wchar_t* shown;
        int document;
        bool firesSoon;
    } cases[] = {
        {0, 60000, 30, L"tune.wav", DOC_FILE, true},          {1, 60000, 30, L"broken.wav", DOC_LOAD_FAILED, false},
        {1, 30, 60000, L"broken.wav", DOC_LOAD_FAILED, true}, {2, 30, 60000, L"red.bmp", DOC_FILE, true},
        {2, 60000, 30, L"red.bmp", DOC_FILE, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " delay " << c.delay);
        Playlist::Current = c.from;
        Playlist::Settings.Delay = c.delay;
        g_fakeLength = c.length;
        ASSERT_EQ(StepPlaylistShow(timers), 1);
        EXPECT_EQ(CurrentName(), c.shown);
        EXPECT_EQ(AppState::DocumentKind, c.document);
        EXPECT_EQ(TimerFires(TIMER_PLAYLIST_SHOW, 400), c.firesSoon);
        KillTimer(timers, TIMER_PLAYLIST_SHOW);
    }
}

TEST_F(PlaylistShowTest, EndPlaylistShowIsFalseWithNothingActive) {
    EXPECT_FALSE(EndPlaylistShow());
    GivePlaylist({L"red.bmp"});
    Playlist::ShowRunning = true;
    EXPECT_TRUE(EndPlaylistShow());
    EXPECT_FALSE(Playlist::Active);
    EXPECT_FALSE(Playlist::ShowRunning);
    EXPECT_EQ(Playlist::Count, 0);
    EXPECT_FALSE(EndPlaylistShow());
}

// A list that starts full screen with a sound leaves the viewer to the sound;
// one whose first entry cannot be read shows the error picture and still
// steps on after its delay.
TEST_F(PlaylistShowTest, APresentationListStartsWithItsFirstEntry) {
    struct Case {
        const char* first;
        int formatId;
        int document;
    } cases[] = {
        {"tune.wav", FMT_SOUND, DOC_FILE},
        {"broken.wav", FMT_SOUND, DOC_LOAD_FAILED},
        {"missing.bmp", FMT_BMP, DOC_LOAD_FAILED},
        {"green.bmp", FMT_BMP, DOC_FILE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.first);
        const std::string list =
            "[QRVLIST]\r\nVersion=1.0\r\nStartInPresentationMode=1\r\nDelay=60000\r\n"
            "RelativePaths=1\r\n[FILES]\r\nCount=2\r\nFile0000=" +
            std::string(c.first) + "\r\nFile0001=red.bmp\r\n";
        const std::wstring path = folder.File(L"show.qrvlist");
        ASSERT_TRUE(qrvtest::WriteAll(path, list.data(), list.size()));
        g_fakeLength = 1000;
        OpenMediaFile(path.c_str());
        EXPECT_EQ(AppState::CurrentFormatId, c.formatId);
        EXPECT_EQ(AppState::DocumentKind, c.document);
        EXPECT_EQ(CurrentName(), qrvtest::Widen(c.first));
        EXPECT_EQ(AppState::ViewMode, VIEW_PRESENTATION);
        EXPECT_TRUE(Playlist::ShowRunning);
        EXPECT_TRUE(KillTimer(window, TIMER_PLAYLIST_SHOW)) << "the show has its timer";
        TogglePresentationMode(false);
        EXPECT_NE(AppState::ViewMode, VIEW_PRESENTATION);
        EXPECT_FALSE(Playlist::Active) << "leaving full screen ends the show";
    }
}

TEST_F(PlaylistShowTest, AnEmptyPresentationListGoesToThePlaylistTab) {
    const std::string list = "[QRVLIST]\r\nVersion=1.0\r\nStartInPresentationMode=1\r\n[FILES]\r\nCount=0\r\n";
    const std::wstring path = folder.File(L"empty.qrvlist");
    ASSERT_TRUE(qrvtest::WriteAll(path, list.data(), list.size()));
    SetCurrentDirectoryW(folder.Path().c_str());
    OpenMediaFile(path.c_str());
    EXPECT_TRUE(Playlist::Active);
    EXPECT_EQ(Playlist::Count, 0);
    EXPECT_FALSE(Playlist::ShowRunning);
    EXPECT_NE(AppState::ViewMode, VIEW_PRESENTATION);
    EXPECT_EQ(AppState::BrowserTab, TAB_PLAYLIST);
    EXPECT_TRUE(Browser.IsShown());
}

// An ".m3u" opened with the browser closed opens it on the playlist tab, shows
// entry 0 and runs the show; with the browser open it only shows the list.
TEST_F(PlaylistShowTest, AnM3uStartsItsShowOnlyWhenItOpensTheBrowser) {
    const std::string lines = "# a list\r\ntune.wav\r\nred.bmp\r\n";
    const std::wstring path = folder.File(L"list.m3u");
    ASSERT_TRUE(qrvtest::WriteAll(path, lines.data(), lines.size()));
    SetCurrentDirectoryW(folder.Path().c_str());
    g_fakeLength = 1000;
    OpenMediaFile(path.c_str());
    ASSERT_TRUE(Browser.IsShown());
    EXPECT_EQ(AppState::BrowserTab, TAB_PLAYLIST);
    EXPECT_EQ(Playlist::Count, 2);
    EXPECT_EQ(CurrentName(), L"tune.wav");
    EXPECT_EQ(AppState::CurrentFormatId, FMT_SOUND);
    EXPECT_TRUE(Playlist::ShowRunning);
    EXPECT_TRUE(KillTimer(window, TIMER_PLAYLIST_SHOW));
    ASSERT_NE(Browser.playlistListWindow, nullptr);
    EXPECT_EQ(SendMessageW(Browser.playlistListWindow, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED), 0);

    Playlist::ShowRunning = false;
    OpenMediaFile(path.c_str());
    EXPECT_EQ(Playlist::Count, 4) << "an .m3u adds to the list";
    EXPECT_FALSE(Playlist::ShowRunning);
    EXPECT_EQ(AppState::CurrentFormatId, FMT_PLAYLIST);
}

class FolderSlideShowTest : public PlaylistShowTest {
protected:
    void SetUp() override {
        PlaylistShowTest::SetUp();
        SetCurrentDirectoryW(folder.Path().c_str());
        BuildFileListNow(L"red.bmp", folder.Path().c_str());
        ASSERT_EQ(FileList::Count, 4);
        AppState::SlideShowRunning = 1;
        AppState::SlideShowDelay = 60000;
        AppState::SlideShowDirection = 0;
        AppState::SlideShowWrapAround = 1;
    }
};

TEST_F(FolderSlideShowTest, PastTheEndWithoutWrapAroundTheShowStopsOnTheLastFile) {
    FileList::Current = FileList::Count - 1;
    const std::wstring last = FileList::Entries[FileList::Current].name;
    AppState::SlideShowWrapAround = 0;
    AppState::CurrentFile[0] = L'\0';
    EXPECT_TRUE(StepSlideShow(timers));
    EXPECT_EQ(AppState::SlideShowRunning, 0);
    EXPECT_EQ(FileList::Current, FileList::Count - 1);
    EXPECT_EQ(CurrentName(), last) << "the last file opens once more";
    EXPECT_FALSE(KillTimer(timers, TIMER_SLIDESHOW));
    EXPECT_FALSE(StepSlideShow(timers)) << "a stopped show steps no more";

    AppState::SlideShowRunning = 1;
    AppState::SlideShowWrapAround = 1;
    EXPECT_TRUE(StepSlideShow(timers));
    EXPECT_EQ(FileList::Current, 0);
    EXPECT_TRUE(KillTimer(timers, TIMER_SLIDESHOW));
}

TEST_F(FolderSlideShowTest, MediaPlayTillTheirEndWhenTheSettingSaysSo) {
    int sound = -1;
    for (int i = 0; i < FileList::Count; ++i)
        if (wcscmp(FileList::Entries[i].name, L"tune.wav") == 0) sound = i;
    ASSERT_GE(sound, 0);
    for (int tillEnd : {1, 0}) {
        SCOPED_TRACE(tillEnd);
        AppState::SlideShowPlayMediaTillEnd = tillEnd;
        FileList::Current = sound > 0 ? sound - 1 : FileList::Count - 1;
        AppState::SlideShowDirection = sound > 0 ? 0 : 1;
        if (sound == 0) FileList::Current = 1;
        g_fakeLength = 30;
        ASSERT_TRUE(StepSlideShow(timers));
        ASSERT_EQ(FileList::Current, sound);
        EXPECT_EQ(TimerFires(TIMER_SLIDESHOW, 400), tillEnd == 1);
        KillTimer(timers, TIMER_SLIDESHOW);
    }
}

TEST_F(FolderSlideShowTest, TheBrowsersItemFollowsBehindTheSubfolders) {
    for (const wchar_t* sub : {L"alpha", L"beta"}) ASSERT_TRUE(CreateDirectoryW(folder.File(sub).c_str(), nullptr));
    AppState::BrowserStyle = 1;
    ASSERT_TRUE(Browser.Open(folder.Path().c_str(), BROWSER_OPEN_GIVEN_PATH, window));
    ASSERT_GE(FileList::SubfolderCount, 2);
    AppState::SlideShowRunning = 1;
    FileList::Current = 0;
    ASSERT_TRUE(StepSlideShow(timers));
    ASSERT_EQ(FileList::Current, 1);
    HWND list = Browser.fileListWindow;
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED), FileList::SubfolderCount + 1);
    EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
    KillTimer(timers, TIMER_SLIDESHOW);
}

// ---- the background music's loop over a fake event source

struct FakeEvents : IMediaEventEx {
    std::vector<long> queue;
    int freed = 0;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetEventHandle(OAEVENT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetEvent(long* code, LONG_PTR* first, LONG_PTR* second, long) override {
        if (queue.empty()) return E_ABORT;
        *code = queue.front();
        *first = *second = 0;
        queue.erase(queue.begin());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE WaitForCompletion(long, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CancelDefaultHandling(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RestoreDefaultHandling(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FreeEventParams(long, LONG_PTR, LONG_PTR) override {
        ++freed;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetNotifyWindow(OAHWND, long, LONG_PTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetNotifyFlags(long) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetNotifyFlags(long*) override { return E_NOTIMPL; }
};

struct FakeSeeking : IMediaSeeking {
    HRESULT answer = S_OK;
    std::vector<LONGLONG> seeks;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetCapabilities(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CheckCapabilities(DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsFormatSupported(const GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryPreferredFormat(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTimeFormat(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsUsingTimeFormat(const GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetTimeFormat(const GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDuration(LONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetStopPosition(LONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurrentPosition(LONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ConvertTimeFormat(LONGLONG*, const GUID*, LONGLONG, const GUID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop,
                                           DWORD stopFlags) override {
        if (currentFlags == AM_SEEKING_AbsolutePositioning && stopFlags == AM_SEEKING_NoPositioning && !stop && current)
            seeks.push_back(*current);
        return answer;
    }
    HRESULT STDMETHODCALLTYPE GetPositions(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAvailable(LONGLONG*, LONGLONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetRate(double) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetRate(double*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPreroll(LONGLONG*) override { return E_NOTIMPL; }
};

int g_restarts = 0;
void CountRestart() { ++g_restarts; }

TEST(BackgroundMusic, TheEndOfTheMusicSeeksToItsStartOrRestartsIt) {
    struct Case {
        std::vector<long> events;
        HRESULT seekAnswer;
        size_t seeks;
        int restarts;
    } cases[] = {
        {{EC_COMPLETE}, S_OK, 1, 0},
        {{EC_PAUSED, EC_COMPLETE, EC_CLOCK_CHANGED}, S_OK, 1, 0},
        {{EC_COMPLETE}, E_FAIL, 1, 1},
        {{EC_PAUSED}, S_OK, 0, 0},
        {{}, S_OK, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.events.size());
        FakeEvents events;
        events.queue = c.events;
        FakeSeeking seeking;
        seeking.answer = c.seekAnswer;
        g_restarts = 0;
        EXPECT_TRUE(PumpMusicEvents(&events, &seeking, CountRestart));
        EXPECT_TRUE(events.queue.empty()) << "every event is taken";
        EXPECT_EQ(events.freed, (int)c.events.size()) << "and freed";
        EXPECT_EQ(seeking.seeks.size(), c.seeks);
        for (LONGLONG position : seeking.seeks) EXPECT_EQ(position, 0);
        EXPECT_EQ(g_restarts, c.restarts);
    }
    EXPECT_FALSE(PumpMusicEvents(nullptr, nullptr, CountRestart));
}

// Counts the ends of the stream that pass through to the show's pump.
struct CountingEvents : FakeEvents {
    IMediaEventEx* inner = nullptr;
    int completes = 0;
    HRESULT STDMETHODCALLTYPE GetEvent(long* code, LONG_PTR* first, LONG_PTR* second, long timeout) override {
        const HRESULT hr = inner->GetEvent(code, first, second, timeout);
        if (SUCCEEDED(hr) && *code == EC_COMPLETE) ++completes;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE FreeEventParams(long code, LONG_PTR first, LONG_PTR second) override {
        return inner->FreeEventParams(code, first, second);
    }
};

// A one-second tone started as a show's music reaches its end a second time:
// the first end took it back to its start and it played on.
TEST_F(PlaylistShowTest, TheMusicPlaysOnPastItsEnd) {
    const std::wstring music = qrvtest::Fixture(L"playlist_music_1s.wav");
    ASSERT_NE(GetFileAttributesW(music.c_str()), INVALID_FILE_ATTRIBUTES) << "make the fixtures first";
    GivePlaylist({L"red.bmp", L"green.bmp"});
    Playlist::ShowRunning = true;
    Playlist::Settings.UseBackgroundMusic = 1;
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));  // as the program's start does
    struct OleScope {
        ~OleScope() { OleUninitialize(); }
    } ole;
    ASSERT_TRUE(StartBackgroundMusic(music.c_str()));
    CountingEvents counting;
    counting.inner = BackgroundMusicPlayer.Events;
    BackgroundMusicPlayer.Events = &counting;
    const DWORD start = GetTickCount();
    MSG msg;
    while (counting.completes < 2 && GetTickCount() - start < 3000) {
        while (PeekMessageW(&msg, window, WM_APP_MUSIC_GRAPH_EVENT, WM_APP_MUSIC_GRAPH_EVENT, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    }
    BackgroundMusicPlayer.Events = counting.inner;
    EXPECT_EQ(counting.completes, 2);
    OAFilterState state = State_Stopped;
    BackgroundMusicPlayer.Control->GetState(100, &state);
    EXPECT_EQ(state, State_Running);
    EXPECT_TRUE(EndPlaylistShow());
    EXPECT_EQ(BackgroundMusicPlayer.Initialised, 0) << "the end of the show stops the music";
}

// Music that cannot be played leaves the show silent.
TEST_F(PlaylistShowTest, MusicThatCannotBePlayedLeavesNothing) {
    ASSERT_TRUE(qrvtest::WriteAll(folder.File(L"noise.wav"), "not a sound", 11));
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    struct OleScope {
        ~OleScope() { OleUninitialize(); }
    } ole;
    EXPECT_FALSE(StartBackgroundMusic(folder.File(L"noise.wav").c_str()));
    EXPECT_EQ(BackgroundMusicPlayer.Initialised, 0);
    EXPECT_FALSE(StartBackgroundMusic(L""));
}

}  // namespace
