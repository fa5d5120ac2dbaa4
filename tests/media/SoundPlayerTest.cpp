// The sound player: its layout arithmetic, and WAV and MP3 files played in the
// real main window under Wine (sound goes to ALSA's null device). Every wait
// on the graph is bounded in time.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>

#include "app/AppState.h"
#include "app/AppWindowTest.h"
#include "app/Chrome.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "media/AnimationBar.h"
#include "media/MixerVolume.h"
#include "media/SoundPlayer.h"
#include "support/TestSupport.h"

TEST(SoundLayout, TheLayoutTable) {
    // Canvas 450 x 100 at (30, 40), buttons 16 x 18, tag lines 19 high.
    const SoundLayout l = ComputeSoundLayout(30, 40, 450, 100, 16, 18, 19);
    const RECT windows[SOUND_WINDOW_COUNT] = {{29, 39, 451, 101},  // frame
                                              {36, 48, 16, 18},    // play/pause
                                              {52, 48, 16, 18},    // stop
                                              {68, 48, 372, 18},   // position: 450 - 64 - 14
                                              {442, 48, 16, 18},   // info: 30 + 450 - 32 - 6
                                              {458, 48, 16, 18},   // mute
                                              {452, 66, 20, 72}};  // volume: 100 - 18 - 10
    for (int i = 0; i < SOUND_WINDOW_COUNT; ++i) {
        EXPECT_EQ(l.windows[i].left, windows[i].left) << i;
        EXPECT_EQ(l.windows[i].top, windows[i].top) << i;
        EXPECT_EQ(l.windows[i].right, windows[i].right) << i;
        EXPECT_EQ(l.windows[i].bottom, windows[i].bottom) << i;
    }
    // T = 40 + 18 + 20 = 78. Captions in list order: artist, album, title, note, year, genre.
    const struct {
        int caption;
        int captionX, captionY, valueX, valueY;
    } cells[] = {{2, 37, 79, 81, 78},   {1, 243, 79, 287, 78}, {0, 37, 99, 81, 98},
                 {4, 243, 99, 287, 98}, {3, 37, 119, 81, 118}, {5, 243, 119, 287, 118}};
    for (const auto& c : cells) {
        const RECT& cap = l.captions[c.caption];
        const RECT& val = l.values[c.caption];
        EXPECT_EQ(cap.left, c.captionX) << c.caption;
        EXPECT_EQ(cap.top, c.captionY) << c.caption;
        EXPECT_EQ(cap.right, 42) << c.caption;
        EXPECT_EQ(cap.bottom, 19) << c.caption;
        EXPECT_EQ(val.left, c.valueX) << c.caption;
        EXPECT_EQ(val.top, c.valueY) << c.caption;
        EXPECT_EQ(val.right, 155) << c.caption;
        EXPECT_EQ(val.bottom, 21) << c.caption;
    }
    EXPECT_EQ(SoundCanvasHeight(19, 18), 3 * 19 + 18 + 32);
}

TEST(SoundLayout, ButtonColumns) {
    EXPECT_EQ(SoundButtonColumn(SOUND_PLAY, false, false), 0);
    EXPECT_EQ(SoundButtonColumn(SOUND_PLAY, true, false), 1);
    EXPECT_EQ(SoundButtonColumn(SOUND_STOP, true, true), 2);
    EXPECT_EQ(SoundButtonColumn(SOUND_INFO, false, false), 5);
    EXPECT_EQ(SoundButtonColumn(SOUND_MUTE, false, true), 6);
    EXPECT_EQ(SoundButtonColumn(SOUND_MUTE, true, false), 7);
}

namespace {

// Moves the cursor and waits (bounded) until the system reports it there.
void MoveCursorTo(POINT p) {
    SetCursorPos(p.x, p.y);
    const DWORD start = GetTickCount();
    POINT now = {};
    while (GetTickCount() - start < 1000 && GetCursorPos(&now) && (now.x != p.x || now.y != p.y)) {
        qrvtest::Pump();
        Sleep(5);
    }
}

// Pumps the thread's messages until done() or the time is up; a posted
// WM_TIMER of the show timers is recorded instead of dispatched.
struct Pumped {
    bool done = false;
    int showTimer = 0;
};
Pumped PumpUntil(DWORD timeoutMs, const std::function<bool()>& done) {
    Pumped result;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER && msg.hwnd == AppState::MainWindow &&
                (msg.wParam == TIMER_PLAYLIST_SHOW || msg.wParam == TIMER_SLIDESHOW)) {
                result.showTimer = (int)msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) {
            result.done = true;
            return result;
        }
        Sleep(10);
    }
    result.done = done();
    return result;
}

OAFilterState GraphState() {
    OAFilterState state = -1;
    if (ViewerPlayer.Control) ViewerPlayer.Control->GetState(200, &state);
    return state;
}

LONGLONG GraphPositionMs() {
    LONGLONG current = 0;
    if (ViewerPlayer.Seeking) ViewerPlayer.Seeking->GetCurrentPosition(&current);
    return current / 10000;
}

std::wstring Text(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// A window's rectangle in the main window's client coordinates, as left, top, width, height.
RECT ClientBox(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, AppState::MainWindow, (POINT*)&r, 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// The mixer level is the system's: put back what the test found.
struct MixerLevelKeeper {
    DWORD saved = 0;
    bool have = false;
    CMixerVolume mixer;
    MixerLevelKeeper() {
        if (mixer.Open(nullptr)) {
            mixer.FindVolumeControl();
            have = mixer.GetVolume(&saved);
        }
    }
    ~MixerLevelKeeper() {
        if (have) mixer.SetVolume(saved);
        mixer.Close();
    }
};

// A pixel of a control painted into a memory bitmap (WM_PRINTCLIENT), its
// colours asked from the main window as a real paint does.
COLORREF ControlPixel(HWND control, int x, int y) {
    RECT r = {};
    GetClientRect(control, &r);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, r.right, r.bottom};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    SendMessageW(control, WM_PRINTCLIENT, (WPARAM)dc, PRF_CLIENT | PRF_ERASEBKGND);
    const COLORREF pixel = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixel;
}

class SoundPlayerWindow : public apptest::ShellWindowFixture {
protected:
    void SetUp() override {
        apptest::ShellWindowFixture::SetUp();
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
    }
    void TearDown() override {
        CloseCurrentMedia();
        Playlist::ShowRunning = false;
        AppState::SlideShowRunning = false;
        apptest::ShellWindowFixture::TearDown();
    }
    // Opens a fixture as the viewer does; true when the sound player took it.
    bool Open(const wchar_t* name) {
        OpenMediaFile(qrvtest::Fixture(name).c_str());
        qrvtest::Pump();
        return AppState::CurrentFormatId == FMT_SOUND && AppState::DocumentKind == DOC_FILE &&
               SoundPlayer.positionBar != nullptr;
    }
    void Repaint() {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }
};

}  // namespace

TEST_F(SoundPlayerWindow, WavOpensOnABlackCanvasWithItsControlsInPlace) {
    const RECT marginsBefore = AppState::ViewMargins;
    ASSERT_TRUE(Open(L"media_tone.wav"));
    const CImage& image = AppState::CurrentImage;
    ASSERT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetWidth(), (uint32_t)kSoundCanvasWidth);
    EXPECT_EQ((int)image.GetHeight(), SoundCanvasHeight(SoundPlayer.tagLineHeight, Skin.cyPlayerButton));
    EXPECT_GT(SoundPlayer.tagLineHeight, 0);
    EXPECT_EQ(AppState::Zoom, 1.0f);

    // The animation bar carries the length for the shows; no bar controls.
    EXPECT_EQ(AnimationBar.kind, ANIM_KIND_SOUND);
    EXPECT_EQ(AnimationBar.MediaLength, 2000u);
    EXPECT_FALSE(AnimationBar.controlsCreated);
    EXPECT_EQ(AppState::ViewMargins.bottom, marginsBefore.bottom);

    // Autoplay is on by default.
    EXPECT_EQ(ViewerPlayer.PlayState, State_Running);
    EXPECT_TRUE(IsWindowEnabled(SoundPlayer.positionBar));
    EXPECT_EQ(SendMessageW(SoundPlayer.positionBar, TBM_GETRANGEMAX, 0, 0), 1000);

    // After a paint every window sits where the table puts it around the canvas.
    Repaint();
    const POINT origin = AppState::ImageOrigin;
    const SoundLayout l = ComputeSoundLayout(origin.x, origin.y, (int)image.GetWidth(), (int)image.GetHeight(),
                                             Skin.cxPlayerButton, Skin.cyPlayerButton, SoundPlayer.tagLineHeight);
    const HWND windows[SOUND_WINDOW_COUNT] = {SoundPlayer.frame,       SoundPlayer.playButton, SoundPlayer.stopButton,
                                              SoundPlayer.positionBar, SoundPlayer.infoButton, SoundPlayer.muteButton,
                                              SoundPlayer.volumeBar};
    for (int i = 0; i < SOUND_WINDOW_COUNT; ++i) {
        ASSERT_TRUE(IsWindow(windows[i])) << i;
        EXPECT_EQ(GetParent(windows[i]), window) << i;
        const RECT box = ClientBox(windows[i]);
        EXPECT_EQ(box.left, l.windows[i].left) << i;
        EXPECT_EQ(box.top, l.windows[i].top) << i;
        EXPECT_EQ(box.right, l.windows[i].right) << i;
        EXPECT_EQ(box.bottom, l.windows[i].bottom) << i;
    }
    // The frame and the captions paint black like the canvas under them.
    for (HWND control : {SoundPlayer.frame, SoundPlayer.tagCaptions[0]}) {
        EXPECT_EQ(ControlPixel(control, 4, 4), RGB(0, 0, 0));
    }
    // Captions from the built-in list; a WAV has no tag.
    const wchar_t* captions[6] = {L"Artist:", L"Album:", L"Title:", L"Note:", L"Year:", L"Genre:"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Text(SoundPlayer.tagCaptions[i]), captions[i]) << i;
        EXPECT_EQ(Text(SoundPlayer.tagValues[i]), L"") << i;
        const RECT value = ClientBox(SoundPlayer.tagValues[i]);
        EXPECT_EQ(value.left, l.values[i].left) << i;
        EXPECT_EQ(value.top, l.values[i].top) << i;
    }

    // Close takes every window, both timers, the graph and the canvas.
    HWND position = SoundPlayer.positionBar, caption = SoundPlayer.tagCaptions[0];
    CloseCurrentMedia();
    EXPECT_FALSE(IsWindow(position));
    EXPECT_FALSE(IsWindow(caption));
    EXPECT_EQ(SoundPlayer.positionBar, nullptr);
    EXPECT_EQ(SoundPlayer.tagFont, nullptr);
    EXPECT_FALSE(ViewerPlayer.Initialised);
    EXPECT_FALSE(KillTimer(window, TIMER_SOUND_POSITION));
    EXPECT_FALSE(KillTimer(window, TIMER_SOUND_MOUSE));
    EXPECT_FALSE(AppState::CurrentImage.IsValid());
    EXPECT_EQ(AppState::ViewMargins.bottom, marginsBefore.bottom);
}

TEST_F(SoundPlayerWindow, Mp3ShowsItsTagAndPlays) {
    ASSERT_TRUE(Open(L"media_tags.mp3"));
    // Value i goes with caption i: artist, album, title, note, year, genre.
    const wchar_t* values[6] = {L"Test Artist", L"Test Album", L"Test Title", L"Test Comment", L"2001", L"Rock"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Text(SoundPlayer.tagValues[i]), values[i]) << i;
    EXPECT_EQ(AnimationBar.MediaLength / 100, 30u);  // about 3 seconds
    // The position timer moves the bar and the status bar's milliseconds.
    const Pumped moved = PumpUntil(3000, [] { return AnimationBar.currentFrame > 300; });
    EXPECT_TRUE(moved.done) << AnimationBar.currentFrame;
    EXPECT_GT(SendMessageW(SoundPlayer.positionBar, TBM_GETPOS, 0, 0), 0);
}

TEST_F(SoundPlayerWindow, PlayPauseAndStopThroughTheCommands) {
    AppState::AudioAutoPlay = 0;
    ASSERT_TRUE(Open(L"media_tone.wav"));
    EXPECT_EQ(ViewerPlayer.PlayState, State_Stopped);
    SendMessageW(window, WM_COMMAND, ID_MEDIA_PLAYPAUSE, 0);
    EXPECT_EQ(ViewerPlayer.PlayState, State_Running);
    ASSERT_TRUE(PumpUntil(3000, [] { return GraphPositionMs() > 300; }).done);
    SendMessageW(window, WM_COMMAND, ID_MEDIA_PLAYPAUSE, 0);
    EXPECT_EQ(ViewerPlayer.PlayState, State_Paused);
    // A click on the stop button: stopped and back at 0.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), (LPARAM)SoundPlayer.stopButton);
    EXPECT_EQ(ViewerPlayer.PlayState, State_Stopped);
    EXPECT_EQ(GraphPositionMs(), 0);
    EXPECT_EQ(AnimationBar.currentFrame, 0);

    // The controls do nothing while the viewer shows a failed load.
    AppState::DocumentKind = DOC_LOAD_FAILED;
    SendMessageW(window, WM_COMMAND, ID_MEDIA_PLAYPAUSE, 0);
    EXPECT_EQ(ViewerPlayer.PlayState, State_Stopped);
    AppState::DocumentKind = DOC_FILE;
}

TEST_F(SoundPlayerWindow, TheEndLoopsOrStopsAndRewinds) {
    for (int loop : {1, 0}) {
        SCOPED_TRACE(loop);
        AppState::AudioLoop = loop;
        ASSERT_TRUE(Open(L"media_tone.wav"));
        ASSERT_TRUE(SUCCEEDED(SeekGraphPermille(ViewerPlayer.Seeking, 800)));
        if (loop) {
            // Played on from 0: a second end comes a whole length after the first.
            DWORD firstEnd = 0;
            const Pumped again = PumpUntil(7000, [&] {
                if (SoundPlayer.completions == 1 && !firstEnd) firstEnd = GetTickCount();
                return SoundPlayer.completions >= 2;
            });
            ASSERT_TRUE(again.done) << SoundPlayer.completions;
            EXPECT_GT(GetTickCount() - firstEnd, 1500u);
            EXPECT_EQ(ViewerPlayer.PlayState, State_Running);
            EXPECT_EQ(GraphState(), State_Running);
        } else {
            const Pumped stopped = PumpUntil(6000, [] { return ViewerPlayer.PlayState == State_Stopped; });
            EXPECT_TRUE(stopped.done);
            EXPECT_EQ(GraphPositionMs(), 0);
            EXPECT_EQ(SoundButtonColumn(SOUND_PLAY, ViewerPlayer.PlayState == State_Running, false), 0);
        }
        CloseCurrentMedia();
    }
}

TEST_F(SoundPlayerWindow, ARunningShowIsSteppedAtTheEnd) {
    const struct {
        bool playlist;
        int timer;
    } cases[] = {{true, TIMER_PLAYLIST_SHOW}, {false, TIMER_SLIDESHOW}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.timer);
        ASSERT_TRUE(Open(L"media_tone.wav"));
        Playlist::ShowRunning = c.playlist;
        AppState::SlideShowRunning = !c.playlist;
        ASSERT_TRUE(SUCCEEDED(SeekGraphPermille(ViewerPlayer.Seeking, 850)));
        const Pumped stepped = PumpUntil(6000, [] { return false; });  // the whole end, timers included
        EXPECT_EQ(stepped.showTimer, c.timer);
        EXPECT_EQ(ViewerPlayer.PlayState, State_Stopped);
        EXPECT_FALSE(KillTimer(window, TIMER_SOUND_POSITION));
        EXPECT_FALSE(KillTimer(window, TIMER_SOUND_MOUSE));
        Playlist::ShowRunning = false;
        AppState::SlideShowRunning = false;
        CloseCurrentMedia();
    }
}

TEST_F(SoundPlayerWindow, AClickOnThePositionSeeksAndKeepsTheState) {
    ASSERT_TRUE(Open(L"media_long.wav"));
    Repaint();
    HWND bar = SoundPlayer.positionBar;
    RECT client = {};
    GetClientRect(bar, &client);
    ASSERT_GT(client.right, 10);
    auto clickAt = [&](int x) {
        POINT p = {x, client.bottom / 2};
        ClientToScreen(bar, &p);
        MoveCursorTo(p);
        SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, client.bottom / 2));
        SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(x, client.bottom / 2));
    };
    // Half way: p = (x - 5) / ((w - 10) / 100) * 10 = 500.
    const int middle = 5 + (client.right - 10) / 2;
    clickAt(middle);
    EXPECT_EQ(ViewerPlayer.PlayState, State_Running);
    EXPECT_EQ(GraphState(), State_Running);
    EXPECT_NEAR((double)GraphPositionMs(), 62500.0, 1500.0);
    EXPECT_TRUE(PumpUntil(2000, [] { return GraphPositionMs() > 63000; }).done) << "plays on after the release";

    // Stopped: seeks and stays stopped.
    SendMessageW(window, WM_COMMAND, ID_MEDIA_STOP, 0);
    // (Wine reports the position of a seek made from a stopped graph only
    // after the next one, so only the state is checked here.)
    clickAt(5 + (client.right - 10) * 3 / 4);
    EXPECT_EQ(GraphState(), State_Stopped);
    EXPECT_EQ(ViewerPlayer.PlayState, State_Stopped);
    EXPECT_EQ(SoundPlayer.SeekByMouse(SoundPlayer.volumeBar, 0), false);
}

TEST_F(SoundPlayerWindow, VolumeBarMuteAndSteps) {
    MixerLevelKeeper keeper;
    ASSERT_TRUE(Open(L"media_tone.wav"));
    if (!MixerVolume.IsOpen() || MixerVolume.Maximum == 0) GTEST_SKIP() << "no mixer volume control";
    HWND bar = SoundPlayer.volumeBar;
    ASSERT_TRUE(IsWindowEnabled(bar));
    const DWORD maximum = MixerVolume.Maximum;
    EXPECT_EQ(SendMessageW(bar, TBM_GETRANGEMAX, 0, 0), (LRESULT)(maximum / 2));

    // A drag past the top is the loudest even value, past the bottom 0.
    RECT client = {};
    GetClientRect(bar, &client);
    const struct {
        int y;
        DWORD expected;
    } drags[] = {{-30, maximum / 2 * 2}, {client.bottom + 30, 0}};
    for (const auto& d : drags) {
        POINT p = {client.right / 2, d.y};
        ClientToScreen(bar, &p);
        MoveCursorTo(p);
        SendMessageW(bar, WM_MOUSEMOVE, MK_LBUTTON, 0);
        DWORD value = 12345;
        ASSERT_TRUE(MixerVolume.GetVolume(&value));
        EXPECT_NEAR((double)value, (double)d.expected, 1.0) << d.y;
    }

    // Steps clamp at both ends; the bar follows (inverted: the top is loudest).
    ASSERT_TRUE(MixerVolume.SetVolume(65000));
    SendMessageW(window, WM_COMMAND, ID_VOLUME_UP, 0);
    DWORD value = 0;
    ASSERT_TRUE(MixerVolume.GetVolume(&value));
    EXPECT_EQ(value, maximum);
    EXPECT_EQ(SendMessageW(bar, TBM_GETPOS, 0, 0), InvertedVolumePosition(value, maximum));
    ASSERT_TRUE(MixerVolume.SetVolume(1000));
    SendMessageW(window, WM_COMMAND, ID_VOLUME_DOWN, 0);
    ASSERT_TRUE(MixerVolume.GetVolume(&value));
    EXPECT_EQ(value, 0u);

    // Mute works on the graph only.
    ASSERT_TRUE(MixerVolume.SetVolume(32000));
    SendMessageW(window, WM_COMMAND, ID_VOLUME_MUTE, 0);
    EXPECT_EQ(SoundPlayer.muted, 1);
    IBasicAudio* audio = nullptr;
    ASSERT_TRUE(SUCCEEDED(ViewerPlayer.Graph->QueryInterface(IID_IBasicAudio, (void**)&audio)));
    long graphVolume = 0;
    audio->get_Volume(&graphVolume);
    EXPECT_EQ(graphVolume, -10000);
    ASSERT_TRUE(MixerVolume.GetVolume(&value));
    EXPECT_NEAR((double)value, 32000.0, 1.0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), (LPARAM)SoundPlayer.muteButton);
    EXPECT_EQ(SoundPlayer.muted, 0);
    audio->get_Volume(&graphVolume);
    EXPECT_EQ(graphVolume, 0);
    audio->Release();
}

TEST_F(SoundPlayerWindow, OpenErrors) {
    wchar_t text[MAX_PATH] = L"untouched";
    CImage image;
    AppState::BackgroundLoad = 1;
    EXPECT_FALSE(SoundPlayer.Open(&image, qrvtest::Fixture(L"media_tone.wav").c_str(), text));
    AppState::BackgroundLoad = 0;
    EXPECT_STREQ(text, L"untouched");
    EXPECT_FALSE(ViewerPlayer.Initialised);

    EXPECT_FALSE(SoundPlayer.Open(&image, qrvtest::Fixture(L"no_such_sound.wav").c_str(), text));
    EXPECT_STREQ(text, L"Failed to open file for read!");

    // Not a sound: the render's text; nothing is left behind.
    qrvtest::TempDir dir;
    const std::wstring fake = dir.File(L"fake.wav");
    ASSERT_TRUE(qrvtest::WriteAll(fake, "this is not a sound\n", 20));
    text[0] = 0;
    EXPECT_FALSE(SoundPlayer.Open(&image, fake.c_str(), text));
    EXPECT_NE(text[0], 0);
    EXPECT_FALSE(ViewerPlayer.Initialised);
    EXPECT_EQ(SoundPlayer.positionBar, nullptr);
    EXPECT_EQ(SoundPlayer.tagValues[0], nullptr);
    EXPECT_FALSE(image.IsValid());

    // In the viewer the failure becomes the error picture.
    OpenMediaFile(fake.c_str());
    EXPECT_EQ(AppState::DocumentKind, DOC_LOAD_FAILED);
    EXPECT_EQ(SoundPlayer.positionBar, nullptr);
}
