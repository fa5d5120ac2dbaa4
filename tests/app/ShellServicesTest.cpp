// The progress bar of long image operations: placement, range, and that the
// effects reach the shell's undo store through the registered services.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "app/AppState.h"
#include "app/ImageSnapshot.h"
#include "app/ProgressBar.h"
#include "app/ShellServices.h"
#include "formats/Formats.h"
#include "image/Image.h"
#include "support/TestSupport.h"
#include "formats/ReaderServices.h"
#include "image/Effects.h"
#include "media/AnimationBar.h"

namespace {

TEST(ProgressBar, LiesOverTheStatusBarWithOneHeight) {
    // With a status bar of 22 pixels the bar is placed by a height of 20:
    // from 20 above the bottom, 16 high, one pixel in from both sides.
    RECT r = ProgressBarRect(640, 480, 22);
    EXPECT_EQ(ProgressBarHeight(22), 20);
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.right, 639);
    EXPECT_EQ(r.top, 460);
    EXPECT_EQ(r.bottom - r.top, 16);
    // Without a status bar the height is 16.
    r = ProgressBarRect(640, 480, 0);
    EXPECT_EQ(ProgressBarHeight(0), 16);
    EXPECT_EQ(r.top, 464);
    EXPECT_EQ(r.bottom - r.top, 12);
    EXPECT_EQ(ProgressBarRect(100, 10, 0).top, 0);  // never above the client area
}

TEST(ProgressBar, StepsAndFollowsTheWindowSize) {
    InitCommonControls();
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    HWND saved = AppState::MainWindow;
    AppState::MainWindow = parent;
    EXPECT_EQ(CreateProgressBar(0), nullptr);
    HWND bar = CreateProgressBar(3);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), 3);
    StepProgressBar(bar);
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 1);
    SetWindowPos(parent, nullptr, 0, 0, 500, 400, SWP_NOZORDER | SWP_NOMOVE);
    StepProgressBar(bar);
    RECT client, barRect;
    GetClientRect(parent, &client);
    GetWindowRect(bar, &barRect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&barRect), 2);
    // Stepping places it as creating it does, for the new size.
    const RECT expected = ProgressBarRect(client.right, client.bottom, 0);
    EXPECT_TRUE(EqualRect(&barRect, &expected));
    DestroyProgressBar(bar);
    DestroyProgressBar(nullptr);
    EXPECT_FALSE(IsWindow(bar));
    AppState::MainWindow = saved;
    DestroyWindow(parent);
}

TEST(ProgressBar, EffectsSaveTheUndoSnapshotAndMarkTheImageModified) {
    RegisterShellServices();
    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(8, 8, 24, RGB(10, 20, 30), nullptr));
    UndoSnapshot.Discard();
    AppState::ImageModified = 0;
    ASSERT_TRUE(ImageEffects.Blur(AppState::CurrentImage, 100, 1, true));
    EXPECT_TRUE(UndoSnapshot.IsValid());
    EXPECT_EQ(AppState::ImageModified, 1);
    UndoSnapshot.Discard();
    AppState::CurrentImage.Destroy();
    AppState::ImageModified = 0;
}

TEST(ShellServices, ReadersHandTheirFrameTablesToThePlaybackBar) {
    RegisterShellServices();
    AnimationFrameTables tables;
    tables.kind = AnimationBar.kind ? AnimationBar.kind : 1;
    tables.frameCount = 3;
    tables.SetFrameDelay(0, 20);
    tables.SetFrameDelay(2, 70);
    tables.SetFrameDisposal(1, 2);
    ASSERT_TRUE(StartViewerAnimation(tables, false));
    EXPECT_EQ(AnimationBar.frameCount, 3);
    EXPECT_EQ(AnimationBar.GetFrameDelay(2), 70);
    EXPECT_EQ(AnimationBar.DisposalTable[1], 2);
    AnimationBar.Reset();
    // A load for a preview leaves the viewer's bar alone.
    AppState::PreviewLoad = 1;
    tables.frameCount = 5;
    EXPECT_FALSE(StartViewerAnimation(tables, false));
    AppState::PreviewLoad = 0;
    EXPECT_NE(AnimationBar.frameCount, 5);
}

// The table as the program registers it at start-up: sound, video, movie and
// playlist files answer through their players at once, and are never scanned
// for a picture (an MP3 whose tag holds a JFIF cover is not that picture).
TEST(ShellServices, MediaRowsAnswerThroughTheirPlayersNotTheContentScan) {
    RegisterShellServices();
    qrvtest::TempDir dir;
    const std::vector<unsigned char> cover = qrvtest::ReadAll(qrvtest::Fixture(L"jpeg_base.jpg"));
    ASSERT_FALSE(cover.empty());
    std::vector<unsigned char> tagged = {'I', 'D', '3', 3, 0, 0, 0, 0, 0x10, 0, 'A', 'P', 'I', 'C'};
    tagged.insert(tagged.end(), cover.begin(), cover.end());
    struct Case {
        const wchar_t* name;
        const wchar_t* text;
    } cases[] = {
        {L"song.mp3", nullptr},  // the sound player's own render text
        {L"clip.avi", nullptr},  // the video player's own render text
        {L"movie.mov", L"Media playback is not available."},
        {L"show.qrvlist", L"Unsupported Version: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.name));
        const std::wstring path = dir.File(c.name);
        ASSERT_TRUE(qrvtest::WriteAll(path, tagged.data(), tagged.size()));
        CImage image;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        FormatId id = -1;
        EXPECT_FALSE(LoadMediaFile(image, path.c_str(), text, &id));
        if (c.text) {
            EXPECT_STREQ(text, c.text);
        } else {
            EXPECT_NE(text[0], 0);
        }
        EXPECT_EQ(id, GetFormatIdFromExtension(path.c_str())) << "no signature was looked for";
        EXPECT_FALSE(image.IsValid());
    }
}

}  // namespace
