// The video player: its arithmetic, and videos made at test time played in the
// real main window. Every graph test runs under a time bound; files with sound
// and video are only opened, muted and closed (Wine stalls their audio after a
// seek or at the loop's rewind).
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <vector>

#include "app/AppWindowTest.h"
#include "app/Chrome.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "command_ids.h"
#include "media/AnimationBar.h"
#include "media/MediaTestSupport.h"
#include "media/Players.h"

using mediatest::PumpUntil;

TEST(VideoPlayer, NonSquarePixelSizesAreShownAtFourToThree) {
    struct Case {
        int width, height, shown;
    } cases[] = {
        {176, 144, 132}, {352, 240, 264}, {352, 288, 264}, {352, 576, 264}, {416, 304, 312},
        {480, 480, 360}, {480, 576, 360}, {480, 352, 360}, {528, 576, 396}, {352, 264, 264},
        {640, 480, 480}, {176, 288, 288}, {0, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CorrectedVideoHeight(c.width, c.height), c.shown) << c.width << "x" << c.height;
}

TEST(VideoPlayer, SmallVideosOpenEnlarged) {
    struct Case {
        int width, height;
        float zoom;
    } cases[] = {
        {352, 264, 2.0f}, {320, 240, 2.0f},  {160, 120, 3.0f}, {640, 480, 1.0f},
        {176, 132, 3.0f}, {600, 100, 1.25f}, {100, 600, 1.0f}, {1024, 100, 1.0f},
    };
    for (const Case& c : cases) EXPECT_FLOAT_EQ(VideoOpenZoom(c.width, c.height), c.zoom) << c.width << "x" << c.height;
}

TEST(VideoPlayer, PositionInThousandths) {
    EXPECT_EQ(PositionPermille(0, 0), 0);
    EXPECT_EQ(PositionPermille(5, 0), 0);
    EXPECT_EQ(PositionPermille(10000000, 20000000), 500);
    EXPECT_EQ(PositionPermille(20000000, 20000000), 1000);
    EXPECT_EQ(PositionPermille(25000000, 20000000), 1000);
    // Long media: no overflow in the product.
    EXPECT_EQ(PositionPermille(36000000000000LL, 72000000000000LL), 500);
}

TEST(VideoPlayer, GrabbedFrameMustHoldItsRows) {
    auto frame = [](int width, int height, int bits, size_t rowsBytes) {
        std::vector<uint8_t> buffer(sizeof(BITMAPINFOHEADER) + rowsBytes);
        BITMAPINFOHEADER header = {};
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = (WORD)bits;
        memcpy(buffer.data(), &header, sizeof header);
        return buffer;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> buffer;
        bool fits;
    } cases[] = {
        {"exact 24-bit", frame(3, 2, 24, 2 * 12), true}, {"one byte short", frame(3, 2, 24, 2 * 12 - 1), false},
        {"top-down", frame(3, -2, 24, 2 * 12), true},    {"32-bit", frame(5, 4, 32, 5 * 4 * 4), true},
        {"no rows", frame(352, 288, 24, 100), false},    {"zero width", frame(0, 2, 24, 64), false},
        {"odd depth", frame(2, 2, 7, 64), false},        {"huge height", frame(4, 0x7FFFFFFF, 24, 64), false},
    };
    for (const Case& c : cases) EXPECT_EQ(VideoFrameFits(c.buffer.data(), c.buffer.size()), c.fits) << c.name;
    const uint8_t header[10] = {};
    EXPECT_FALSE(VideoFrameFits(header, sizeof header));
    EXPECT_FALSE(VideoFrameFits(nullptr, 100));
}

namespace {

// The main window with the shell's readers; the video settings each test
// chooses, and the sizes a video changes given back afterwards.
class VideoWindow : public apptest::ShellWindowFixture {
protected:
    void SetUp() override {
        ShellWindowFixture::SetUp();
        ShowWindow(window, SW_SHOWNORMAL);
        qrvtest::Pump();
        marginBefore = AppState::ViewMargins.bottom;
    }
    void TearDown() override {
        CloseCurrentMedia();
        EXPECT_EQ(AppState::ViewMargins.bottom, marginBefore) << "the bottom margin was not given back";
        EXPECT_EQ(ViewerPlayer.Initialised, 0);
        AppState::BackgroundLoad = 0;
        ShellWindowFixture::TearDown();
    }
    void Open(const wchar_t* name) {
        OpenMediaFile(qrvtest::Fixture(name).c_str());
        qrvtest::Pump();
    }
    static LONGLONG PositionMs() {
        LONGLONG position = 0;
        if (ViewerPlayer.Seeking) ViewerPlayer.Seeking->GetCurrentPosition(&position);
        return position / 10000;
    }
    void Command(UINT id) { SendMessageW(window, WM_COMMAND, id, 0); }
    RECT ClientRectOf(HWND control) const {
        RECT r = {};
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, window, (POINT*)&r, 2);
        return r;
    }
    LONG marginBefore = 0;
};

bool NoVideoControls() {
    for (HWND control : VideoPlayer.controls)
        if (control) return false;
    return true;
}

}  // namespace

TEST_F(VideoWindow, VideoOnlyFilePlaysEnlargedToItsEndAndLoops) {
    AppState::VideoAutoPlay = 1;
    AppState::VideoLoop = 1;
    Open(L"media_video.avi");
    ASSERT_EQ(AppState::CurrentFormatId, FMT_VIDEO);
    ASSERT_EQ(AppState::DocumentKind, DOC_FILE);
    EXPECT_EQ(VideoPlayer.videoWidth, 352);
    EXPECT_EQ(VideoPlayer.videoHeight, 288);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 352u);
    EXPECT_EQ(AppState::CurrentImage.GetHeight(), 264u);
    EXPECT_FLOAT_EQ(AppState::Zoom, 2.0f);
    EXPECT_EQ(VideoPlayer.marginTaken, Skin.cyPlayerButton);
    EXPECT_EQ(AnimationBar.kind, ANIM_KIND_VIDEO);
    EXPECT_EQ(AnimationBar.MediaLength, 2000u);

    // The renderer's window belongs to the main window.
    OAHWND owner = 0;
    ASSERT_NE(ViewerPlayer.VideoWindow, nullptr);
    ASSERT_EQ(ViewerPlayer.VideoWindow->get_Owner(&owner), S_OK);
    EXPECT_EQ((HWND)owner, window);
    for (HWND control : VideoPlayer.controls) {
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(GetParent(control), window);
    }
    // No sound: mute and volume are disabled; Wine cannot step frames.
    EXPECT_FALSE(IsWindowEnabled(VideoPlayer.controls[VIDEO_MUTE]));
    EXPECT_FALSE(IsWindowEnabled(VideoPlayer.controls[VIDEO_VOLUME]));
    EXPECT_TRUE(IsWindowEnabled(VideoPlayer.controls[VIDEO_POSITION]));
    EXPECT_EQ(ViewerPlayer.PlayState, 2);

    // The control strip along the bottom (viewer mode).
    InvalidateRect(window, nullptr, FALSE);
    UpdateWindow(window);
    RECT client;
    GetClientRect(window, &client);
    const int bw = Skin.cxPlayerButton;
    EXPECT_EQ(ClientRectOf(VideoPlayer.controls[VIDEO_PLAY]).left, 0);
    EXPECT_EQ(ClientRectOf(VideoPlayer.controls[VIDEO_STOP]).left, bw);
    EXPECT_EQ(ClientRectOf(VideoPlayer.controls[VIDEO_POSITION]).left, 2 * bw);
    EXPECT_EQ(ClientRectOf(VideoPlayer.controls[VIDEO_VOLUME]).left, client.right - 2 * bw - 100);
    EXPECT_EQ(ClientRectOf(VideoPlayer.controls[VIDEO_INFO]).left, client.right - bw);
    EXPECT_EQ(
        ClientRectOf(VideoPlayer.controls[VIDEO_INFO]).bottom - ClientRectOf(VideoPlayer.controls[VIDEO_INFO]).top,
        PlayerStripHeight);

    // The position timer moves the current frame (milliseconds) on; the end
    // rewinds to the start and plays on to the end again. (Wine reports the
    // position of a rewound running graph as its end, so the second pass
    // shows as a second end.)
    EXPECT_TRUE(PumpUntil([] { return AnimationBar.currentFrame >= 1200; }, 10000)) << AnimationBar.currentFrame;
    EXPECT_TRUE(PumpUntil([] { return VideoPlayer.endCount >= 1; }, 10000));
    EXPECT_EQ(ViewerPlayer.PlayState, 2);
    EXPECT_TRUE(PumpUntil([] { return VideoPlayer.endCount >= 2; }, 10000)) << "no loop";
    EXPECT_EQ(ViewerPlayer.PlayState, 2);
}

TEST_F(VideoWindow, WithoutLoopTheEndStopsAndRewinds) {
    AppState::VideoAutoPlay = 1;
    AppState::VideoLoop = 0;
    Open(L"media_video.avi");
    ASSERT_EQ(AppState::CurrentFormatId, FMT_VIDEO);
    EXPECT_TRUE(PumpUntil([] { return ViewerPlayer.PlayState == 0; }, 10000));
    EXPECT_EQ(PositionMs(), 0);
}

TEST_F(VideoWindow, PlayPauseAndStopCommands) {
    AppState::VideoAutoPlay = 0;
    Open(L"media_video.avi");
    ASSERT_EQ(AppState::CurrentFormatId, FMT_VIDEO);
    EXPECT_EQ(ViewerPlayer.PlayState, 0);
    Command(ID_MEDIA_PLAYPAUSE);
    EXPECT_EQ(ViewerPlayer.PlayState, 2);
    EXPECT_TRUE(PumpUntil([] { return PositionMs() > 300; }, 10000));
    Command(ID_MEDIA_PLAYPAUSE);
    EXPECT_EQ(ViewerPlayer.PlayState, 1);
    Command(ID_MEDIA_STOP);
    EXPECT_EQ(ViewerPlayer.PlayState, 0);
    EXPECT_EQ(PositionMs(), 0);
    // A click on the play button does the same as the command.
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), (LPARAM)VideoPlayer.controls[VIDEO_PLAY]);
    EXPECT_EQ(ViewerPlayer.PlayState, 2);
    // Rate commands reach the graph (Wine keeps the rate at 1.0).
    Command(ID_RATE_UP);
    Command(ID_RATE_DEFAULT);
}

TEST_F(VideoWindow, MuteAudioSettingMutesTheGraphNotTheMixer) {
    CMixerVolume probe;
    ASSERT_TRUE(probe.Open(nullptr));
    probe.FindVolumeControl();
    DWORD before = 0;
    const bool haveLevel = probe.GetVolume(&before);

    AppState::VideoAutoPlay = 0;
    AppState::VideoMuteAudio = 1;
    Open(L"media_video_pcm.avi");
    ASSERT_EQ(AppState::CurrentFormatId, FMT_VIDEO);
    EXPECT_EQ(VideoPlayer.muted, 1);
    IBasicAudio* audio = nullptr;
    ASSERT_EQ(ViewerPlayer.Graph->QueryInterface(IID_IBasicAudio, (void**)&audio), S_OK);
    long volume = 0;
    EXPECT_EQ(audio->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, -10000);
    EXPECT_TRUE(IsWindowEnabled(VideoPlayer.controls[VIDEO_MUTE]));
    DWORD after = 0;
    if (haveLevel) {
        ASSERT_TRUE(probe.GetVolume(&after));
        EXPECT_EQ(after, before) << "muting touched the master volume";
    }
    // The mute command gives the sound back, again on the graph only.
    Command(ID_VOLUME_MUTE);
    EXPECT_EQ(VideoPlayer.muted, 0);
    EXPECT_EQ(audio->get_Volume(&volume), S_OK);
    EXPECT_EQ(volume, 0);
    audio->Release();
    if (haveLevel) {
        ASSERT_TRUE(probe.GetVolume(&after));
        EXPECT_EQ(after, before);
    }
    AppState::VideoMuteAudio = 0;
    probe.Close();
}

TEST_F(VideoWindow, VolumeCommandsAndMixerNotification) {
    CMixerVolume probe;
    ASSERT_TRUE(probe.Open(nullptr));
    if (!probe.IsOpen() || !probe.FindVolumeControl()) GTEST_SKIP() << "no mixer";
    DWORD saved = 0;
    ASSERT_TRUE(probe.GetVolume(&saved));
    ASSERT_TRUE(probe.SetVolume(1000));

    AppState::VideoAutoPlay = 0;
    Open(L"media_video_pcm.avi");
    ASSERT_EQ(AppState::CurrentFormatId, FMT_VIDEO);
    HWND volume = VideoPlayer.controls[VIDEO_VOLUME];
    ASSERT_TRUE(IsWindowEnabled(volume));
    EXPECT_EQ(SendMessageW(volume, TBM_GETRANGEMAX, 0, 0), 32767);
    EXPECT_EQ(SendMessageW(volume, TBM_GETPOS, 0, 0), 500);
    // Down from 1000 clamps at 0 (no wrap to full volume), then up one step.
    Command(ID_VOLUME_DOWN);
    DWORD level = 99;
    ASSERT_TRUE(probe.GetVolume(&level));
    EXPECT_EQ(level, 0u);
    EXPECT_EQ(SendMessageW(volume, TBM_GETPOS, 0, 0), 0);
    Command(ID_VOLUME_UP);
    ASSERT_TRUE(probe.GetVolume(&level));
    EXPECT_EQ(level, 1310u);
    // Another program moves the master volume: the notification moves the bar.
    ASSERT_TRUE(probe.SetVolume(65534));
    SendMessageW(window, MM_MIXM_CONTROL_CHANGE, 0, 0);
    EXPECT_EQ(SendMessageW(volume, TBM_GETPOS, 0, 0), 32767);
    probe.SetVolume(saved);
    probe.Close();
}

TEST_F(VideoWindow, FailuresLeaveNothingBehind) {
    struct Case {
        const wchar_t* file;
        const wchar_t* textStart;
    } cases[] = {
        {L"media_missing.avi", L"Failed to open file for read!"},
        {L"media_garbage.avi", L"No combination of filters could be found to render the stream."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.file));
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        CImage image;
        EXPECT_FALSE(VideoPlayer.Open(&image, qrvtest::Fixture(c.file).c_str(), text));
        EXPECT_EQ(wcsncmp(text, c.textStart, wcslen(c.textStart)), 0) << qrvtest::Narrow(text);
        EXPECT_EQ(ViewerPlayer.Initialised, 0);
        EXPECT_TRUE(NoVideoControls());
        EXPECT_EQ(AppState::ViewMargins.bottom, marginBefore);
    }
    // A file with sound only renders, but has no picture: the player gives
    // everything back, the margin too.
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    CImage image;
    EXPECT_FALSE(VideoPlayer.Open(&image, qrvtest::Fixture(L"media_tone.wav").c_str(), text));
    EXPECT_EQ(wcsncmp(text, L"Unable to play Media! hr=0x", 27), 0) << qrvtest::Narrow(text);
    EXPECT_EQ(ViewerPlayer.Initialised, 0);
    EXPECT_TRUE(NoVideoControls());
    EXPECT_EQ(AppState::ViewMargins.bottom, marginBefore);
    EXPECT_FALSE(image.IsValid());

    // In the viewer the failure becomes the error picture.
    Open(L"media_garbage.avi");
    EXPECT_EQ(AppState::DocumentKind, DOC_LOAD_FAILED);
    EXPECT_EQ(AppState::ViewMargins.bottom, marginBefore);

    // A thumbnail load starts no player and leaves the text alone (Wine's
    // detector cannot grab frames, so no still either).
    AppState::BackgroundLoad = 1;
    wcscpy(text, L"untouched");
    EXPECT_FALSE(VideoPlayer.Open(&image, qrvtest::Fixture(L"media_video.avi").c_str(), text));
    EXPECT_STREQ(text, L"untouched");
    EXPECT_EQ(ViewerPlayer.Initialised, 0);
    AppState::BackgroundLoad = 0;
}
