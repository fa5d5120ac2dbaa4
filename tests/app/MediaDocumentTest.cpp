#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/OpenDialog.h"
#include "app/RecentFiles.h"
#include "app/SaveAsDialog.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Registry.h"
#include "image/Resample.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::Pump;

TEST(RecentFiles, ExistingEntryIsExchangedWithTheFirstAndTheTwentyFirstDropsTheOldest) {
    AppState::RecentFileCount = 0;
    AddRecentFile(L"C:\\a.jpg");
    AddRecentFile(L"C:\\b.jpg");
    AddRecentFile(L"C:\\c.jpg");  // c b a
    AddRecentFile(L"c:\\A.JPG");  // third entry, other case: exchanged with the first
    ASSERT_EQ(AppState::RecentFileCount, 3);
    EXPECT_STREQ(AppState::RecentFiles[0], L"C:\\a.jpg");
    EXPECT_STREQ(AppState::RecentFiles[1], L"C:\\b.jpg");
    EXPECT_STREQ(AppState::RecentFiles[2], L"C:\\c.jpg");
    AppState::RecentFileCount = 0;
    for (int i = 1; i <= 21; ++i) AddRecentFile((L"C:\\f" + std::to_wstring(i) + L".png").c_str());
    EXPECT_EQ(AppState::RecentFileCount, 20);
    EXPECT_STREQ(AppState::RecentFiles[0], L"C:\\f21.png");
    EXPECT_STREQ(AppState::RecentFiles[19], L"C:\\f2.png");
    AppState::RecentFileCount = 0;
}

TEST(ErrorPicture, SizeDepthPaletteAndText) {
    wchar_t text[2048];
    FormatLoadErrorText(text, 2048, L"C:\\x\\bad.jpg", L"Not a JPEG file");
    EXPECT_STREQ(text, L"File: \"C:\\x\\bad.jpg\"\r\nError: Not a JPEG file\r\nExecution stopped.");
    CImage image;
    // A message with format characters is drawn as it stands.
    ASSERT_TRUE(DrawLoadErrorImage(image, L"C:\\x\\bad.jpg", L"%ls", L"100% %s broken"));
    EXPECT_EQ(image.GetWidth(), 500u);
    EXPECT_EQ(image.GetHeight(), 250u);
    EXPECT_EQ(image.GetBpp(), 1);
    uint8_t rgb[768];
    ASSERT_TRUE(image.GetPaletteRGB(rgb));
    EXPECT_EQ(rgb[0] + rgb[1] + rgb[2], 3 * 255);
    EXPECT_EQ(rgb[3] + rgb[4] + rgb[5], 0);
    // Text in black from (10, 10); white elsewhere.
    int black = 0, blackOutside = 0;
    for (uint32_t y = 0; y < 250; ++y)
        for (uint32_t x = 0; x < 500; ++x) {
            const bool ink = image.GetPixelIndex(x, 249 - y) == 1;
            black += ink;
            if (ink && (x < 10 || y < 10 || y > 120)) ++blackOutside;
        }
    EXPECT_GT(black, 200);
    EXPECT_EQ(blackOutside, 0);
}

TEST(PromptSaveModified, QuestionComesFromTheLanguageFile) {
    const SaveServices kept = GetSaveServices();
    wchar_t text[1024];
    SetSaveServices(SaveServices{});
    FormatModifiedQuestion(text, 1024, L"C:\\p\\a.png");
    EXPECT_STREQ(text, L"The file C:\\p\\a.png has been modified. Do you want to save the changes?");
    SaveServices services = kept;
    services.langText = [](const wchar_t* section, const wchar_t* key, wchar_t* out, int size) {
        if (wcscmp(section, L"Messages") || wcscmp(key, L"FileModifiedSaveAs")) return false;
        CopyStringW(out, L"100% sicher? %s wurde ge\x00E4ndert. %d", (size_t)size);
        return true;
    };
    SetSaveServices(services);
    FormatModifiedQuestion(text, 1024, L"C:\\p\\50%s.png");
    EXPECT_STREQ(text, L"100% sicher? C:\\p\\50%s.png wurde ge\x00E4ndert. %d");
    SetSaveServices(kept);
}

TEST(OpenPreview, Texts) {
    EXPECT_STREQ(PreviewColorsText(1), L"2");
    EXPECT_STREQ(PreviewColorsText(4), L"16");
    EXPECT_STREQ(PreviewColorsText(8), L"256");
    EXPECT_STREQ(PreviewColorsText(16), L"65K");
    EXPECT_STREQ(PreviewColorsText(24), L"16,7M");
    EXPECT_STREQ(PreviewColorsText(32), L"16,7M");
    wchar_t text[64];
    FormatPreviewMemorySize(text, 64, 5000);
    EXPECT_STREQ(text, L"4.88 KB");
    FormatPreviewMemorySize(text, 64, 4000.0 * 3000 * 3);
    EXPECT_STREQ(text, L"34.33 MB");
}

// ---- Command line ----

std::wstring ProgramFolder() {
    wchar_t folder[MAX_PATH];
    GetProgramFolder(folder);
    return folder;
}

std::wstring Parent(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

TEST(CommandLineParse, Tokens) {
    CommandLineArgs a = ParseCommandLineArgs(L"\"C:\\q\\qrv.exe\"");
    EXPECT_FALSE(a.fileGiven || a.browse || a.slideShow || a.print || a.settings || a.uninstall || a.presentation ||
                 a.maximize);
    a = ParseCommandLineArgs(L"\"C:\\q\\qrv.exe\" C:\\My Pictures\\a b.jpg  ");
    EXPECT_TRUE(a.fileGiven);
    EXPECT_STREQ(a.file, L"C:\\My Pictures\\a b.jpg");  // unquoted: to the end of the line
    a = ParseCommandLineArgs(L"\"C:\\q\\qrv.exe\" -m -f \"C:\\no such\\x.png\" -p");
    EXPECT_TRUE(a.maximize && a.presentation && a.print && a.fileGiven);
    EXPECT_STREQ(a.file, L"C:\\no such\\x.png");
    a = ParseCommandLineArgs(L"\"C:\\q\\qrv.exe\" -o -u -x -t");
    EXPECT_TRUE(a.settings && a.uninstall && a.browse);
    EXPECT_FALSE(a.browseFolderGiven || a.fileGiven);
    // Option letters are case-sensitive: capitals are other letters, ignored.
    a = ParseCommandLineArgs(L"\"C:\\q\\qrv.exe\" -T -S -P -O -U -F -M");
    EXPECT_FALSE(a.fileGiven || a.browse || a.slideShow || a.print || a.settings || a.uninstall || a.presentation ||
                 a.maximize);
    a = ParseCommandLineArgs(L"\"C:\\q\\qrv.exe\" -t=\"C:\\pics\" -s=\"D:\\show\"");
    EXPECT_TRUE(a.browse && a.browseFolderGiven && a.slideShow);
    EXPECT_STREQ(a.slideShowFolder, L"D:\\show");
    // A program path without quotes (started from a console) ends at the first blank.
    a = ParseCommandLineArgs(L"qrv.exe  -s");
    EXPECT_TRUE(a.slideShow);
    EXPECT_FALSE(a.fileGiven);
    // An unterminated quoted program path has no arguments.
    a = ParseCommandLineArgs(L"\"C:\\q\\qrv.exe -t");
    EXPECT_FALSE(a.browse);
    // Long paths are cut at 259 characters.
    std::wstring line = L"\"C:\\q\\qrv.exe\" \"C:\\" + std::wstring(400, L'a') + L"\"";
    a = ParseCommandLineArgs(line.c_str());
    EXPECT_EQ(wcslen(a.file), 259u);
}

TEST(CommandLineParse, RelativePathsJoinTheProgramFolder) {
    const std::wstring base = ProgramFolder();
    struct Row {
        const wchar_t* in;
        bool onlyDotted;
        std::wstring expected;
    } rows[] = {
        {L".\\x.jpg", true, base + L"\\x.jpg"},
        {L".\\_a.jpg", true, base + L"\\_a.jpg"},  // leading characters of the name are kept
        {L".\\(1).jpg", true, base + L"\\(1).jpg"},
        {L"\\x.jpg", true, base + L"\\x.jpg"},
        {L"..\\x.jpg", true, Parent(base) + L"\\x.jpg"},
        {L"..\\..\\a.jpg", true, Parent(Parent(base)) + L"\\a.jpg"},
        {L"sub\\x.jpg", true, L"sub\\x.jpg"},  // not dotted: left for the current directory
        {L"sub\\x.jpg", false, base + L"\\sub\\x.jpg"},
        {L"C:\\abs\\x.jpg", false, L"C:\\abs\\x.jpg"},
        {L"C:x.jpg", false, L"C:x.jpg"},  // drive-relative
        {L"\\\\server\\share\\x.jpg", true, L"\\\\server\\share\\x.jpg"},
        {L"x", false, L"x"},  // shorter than two characters
    };
    for (const Row& r : rows) {
        wchar_t path[MAX_PATH];
        CopyStringW(path, r.in);
        ResolveRelativePath(path, r.onlyDotted);
        EXPECT_EQ(std::wstring(path), r.expected) << qrvtest::Narrow(r.in);
    }
}

// ---- The viewer in a real window ----

class ViewerWindowTest : public apptest::MainWindowFixture {
protected:
    void TearDown() override {
        AppState::SlideShowRunning = 0;
        MainWindowFixture::TearDown();
    }
    // The window's pixels of a client rectangle as 24-bit rows, top row first.
    std::vector<uint8_t> Grab(int x, int y, int w, int h) {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
        CImage shot;
        if (!shot.CreateEmpty(w, h, 24, RGB(0, 0, 0), nullptr)) return {};
        HDC dc = GetDC(window);
        BitBlt(shot.memoryDC, 0, 0, w, h, dc, x, y, SRCCOPY);
        ReleaseDC(window, dc);
        return Rows(shot);
    }
    static std::vector<uint8_t> Rows(CImage& image) {
        GdiFlush();
        std::vector<uint8_t> out;
        for (uint32_t y = 0; y < image.height; ++y) {
            const uint8_t* row = image.ScanLine(image.height - 1 - y);
            out.insert(out.end(), row, row + image.width * 3);
        }
        return out;
    }
};

// Largest difference between the shown pixels (BGR) and a reference decode (RGBA).
int MaxDifference(const std::vector<uint8_t>& shown, const std::vector<unsigned char>& rgba, int w, int h) {
    int worst = 0;
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x)
            for (int c = 0; c < 3; ++c) {
                const int s = shown[(size_t)(y * w + x) * 3 + (2 - c)];
                const int r = rgba[(size_t)(y * w + x) * 4 + c];
                worst = std::max(worst, std::abs(s - r));
            }
    return worst;
}

TEST_F(ViewerWindowTest, OpenedPicturesAreShownAtFullSize) {
    struct Case {
        const wchar_t* name;
        FormatId id;
        int tolerance;
    } cases[] = {{L"view_rose.png", FMT_PNG, 0}, {L"view_rose.gif", FMT_GIF, 0}, {L"view_rose.jpg", FMT_JPEG, 3}};
    for (const Case& c : cases) {
        if (!GetFormatEntry(c.id).reader) continue;  // the reader is not in the table yet
        const std::wstring file = qrvtest::Fixture(c.name);
        qrvtest::MessageCapture capture;
        OpenMediaFile(file.c_str());
        Pump();
        ASSERT_EQ(AppState::DocumentKind, DOC_FILE) << qrvtest::Narrow(c.name);
        EXPECT_TRUE(capture.messages.empty());
        EXPECT_EQ(AppState::Zoom, 1.0f);
        EXPECT_TRUE(IsWindowVisible(window));
        ASSERT_EQ(AppState::CurrentImage.GetWidth(), 121u);
        std::vector<uint8_t> shown = Grab(AppState::ImageOrigin.x, AppState::ImageOrigin.y, 121, 83);
        std::vector<unsigned char> expected = qrvtest::ReadAll(file + L".rgba");
        ASSERT_EQ(expected.size(), 121u * 83 * 4);
        EXPECT_LE(MaxDifference(shown, expected, 121, 83), c.tolerance) << qrvtest::Narrow(c.name);
        wchar_t title[MAX_PATH];
        GetWindowTextW(window, title, MAX_PATH);
        EXPECT_EQ(std::wstring(title), L"[" + std::wstring(c.name) + L"] - Quorvane");
        EXPECT_STREQ(AppState::RecentFiles[0], file.c_str());
    }
}

TEST_F(ViewerWindowTest, LargePictureIsFittedIntoTheScreen) {
    qrvtest::MessageCapture capture;
    OpenMediaFile(qrvtest::Fixture(L"view_large.png").c_str());
    Pump();
    ASSERT_EQ(AppState::DocumentKind, DOC_FILE);
    EXPECT_LT(AppState::Zoom, 1.0f);
    RECT client;
    GetClientRect(window, &client);
    const RECT view = GetViewArea(client);
    const SIZE zoomed = GetZoomedImageSize();
    EXPECT_FLOAT_EQ(AppState::Zoom,
                    ComputeFitScale(FIT_WHOLE, true, view.right - view.left, view.bottom - view.top, 1900, 1300));
    EXPECT_LE(zoomed.cx, view.right - view.left);
    EXPECT_LE(zoomed.cy, view.bottom - view.top);
    // The view shows the smoothed picture, exactly as the scaled drawing makes it.
    std::vector<uint8_t> shown = Grab(AppState::ImageOrigin.x, AppState::ImageOrigin.y, zoomed.cx, zoomed.cy);
    CImage reference;
    ASSERT_TRUE(reference.CreateEmpty(zoomed.cx, zoomed.cy, 24, RGB(0, 0, 0), nullptr));
    DrawImageScaled(AppState::CurrentImage, reference.memoryDC, 0, 0, zoomed.cx, zoomed.cy, 0);
    std::vector<uint8_t> expected = Rows(reference);
    ASSERT_EQ(shown.size(), expected.size());
    // The view's one-pixel border lines may cover the outermost pixels of a
    // picture that fills the view: those are left out.
    int differing = 0;
    for (int y = 1; y < zoomed.cy - 1; ++y)
        for (int x = 1; x < zoomed.cx - 1; ++x)
            for (int c = 0; c < 3; ++c) {
                const size_t i = ((size_t)y * zoomed.cx + x) * 3 + c;
                differing += shown[i] != expected[i];
            }
    EXPECT_EQ(differing, 0);
}

TEST_F(ViewerWindowTest, UnreadableFileShowsTheErrorPictureWithoutAMessage) {
    const std::wstring file = qrvtest::Fixture(L"view_damaged.jpg");
    qrvtest::MessageCapture capture;
    OpenMediaFile(file.c_str());
    Pump();
    EXPECT_TRUE(capture.messages.empty());
    EXPECT_EQ(AppState::DocumentKind, DOC_LOAD_FAILED);
    EXPECT_EQ(AppState::CurrentImage.GetWidth(), 500u);
    EXPECT_EQ(AppState::CurrentImage.GetHeight(), 250u);
    EXPECT_EQ(AppState::CurrentImage.GetBpp(), 1);
    EXPECT_EQ(AppState::Zoom, 1.0f);
    wchar_t title[MAX_PATH];
    GetWindowTextW(window, title, MAX_PATH);
    EXPECT_STREQ(title, L"[view_damaged.jpg] - Quorvane");
    // The picture is on screen: white paper with black text.
    std::vector<uint8_t> shown = Grab(AppState::ImageOrigin.x, AppState::ImageOrigin.y, 500, 250);
    EXPECT_EQ(shown[(size_t)(200 * 500 + 250) * 3], 255);
    int dark = 0;
    for (size_t i = 0; i < shown.size(); i += 3) dark += shown[i] == 0;
    EXPECT_GT(dark, 200);
    // A missing file too.
    OpenMediaFile(L"C:\\no such folder\\gone.png");
    EXPECT_TRUE(capture.messages.empty());
    EXPECT_EQ(AppState::DocumentKind, DOC_LOAD_FAILED);
    // Closing empties the viewer.
    CloseCurrentMedia();
    EXPECT_EQ(AppState::DocumentKind, DOC_NONE);
    EXPECT_FALSE(AppState::CurrentImage.IsValid());
    GetWindowTextW(window, title, MAX_PATH);
    EXPECT_STREQ(title, L"Quorvane");
}

TEST_F(ViewerWindowTest, ModifiedImageAsksBeforeItIsReplaced) {
    OpenMediaFile(qrvtest::Fixture(L"view_rose.png").c_str());
    AppState::ImageModified = 1;
    qrvtest::MessageCapture capture;  // answers the question with OK, which is not Yes
    OpenMediaFile(qrvtest::Fixture(L"view_rose.png").c_str());
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_NE(capture.messages[0].find(L"has been modified. Do you want to save the changes?"), std::wstring::npos);
    EXPECT_EQ(AppState::ImageModified, 0);
}

TEST_F(ViewerWindowTest, CommandLineWithAFileOpensIt) {
    const std::wstring file = qrvtest::Fixture(L"view_rose.png");
    ParseCommandLine((L"\"C:\\q\\qrv.exe\" -m \"" + file + L"\"").c_str());
    // The folder's list comes from the scan worker; wait for its result on a busy host.
    const DWORD start = GetTickCount();
    do {
        Pump();
        Sleep(10);
    } while (FileList::ScanBusy && GetTickCount() - start < 20000);
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    EXPECT_EQ(AppState::GeneralAlwaysMaximizeWindow, 1);
    EXPECT_EQ(std::wstring(AppState::CurrentFolder) + L"\\view_rose.png", file);
    EXPECT_GT(FileList::Count, 1);
    EXPECT_FALSE(Browser.open);
}

TEST_F(ViewerWindowTest, CommandLineBrowseAndNothing) {
    ParseCommandLine(L"\"C:\\q\\qrv.exe\" -t");
    EXPECT_TRUE(Browser.open);
    EXPECT_EQ(AppState::DocumentKind, DOC_NONE);
    Browser.Close();
    ParseCommandLine((L"\"C:\\q\\qrv.exe\" \"" + qrvtest::FixtureDir() + L"\"").c_str());  // a folder
    EXPECT_TRUE(Browser.open);
    EXPECT_EQ(AppState::DocumentKind, DOC_NONE);
    Browser.Close();
    ParseCommandLine(L"\"C:\\q\\qrv.exe\"");
    EXPECT_TRUE(Browser.open);
    EXPECT_EQ(AppState::PaintSuspended, 0);
    Browser.Close();
}

TEST_F(ViewerWindowTest, SlideShowOnAnEmptyFolderReportsIt) {
    qrvtest::TempDir dir;
    qrvtest::MessageCapture capture;
    ParseCommandLine((L"\"C:\\q\\qrv.exe\" -s=\"" + dir.Path() + L"\"").c_str());
    Pump();
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"No supported media files found in the specified directory!");
    EXPECT_EQ(AppState::SlideShowRunning, 0);
    // The window was fitted to a 512 x 384 picture (the menu bar is narrower).
    const RECT& m = AppState::ViewMargins;
    EXPECT_EQ(AppState::WindowRect.right, 512 + m.left + m.right + 10);
    EXPECT_EQ(AppState::WindowRect.bottom,
              384 + m.top + m.bottom + GetSystemMetrics(SM_CYMENU) + GetSystemMetrics(SM_CYCAPTION) + 10);
    EXPECT_FALSE(Browser.open);
}

TEST_F(ViewerWindowTest, SlideShowStartsOnTheFirstFile) {
    qrvtest::TempDir dir;
    std::vector<unsigned char> png = qrvtest::ReadAll(qrvtest::Fixture(L"view_rose.png"));
    ASSERT_TRUE(qrvtest::WriteAll(dir.File(L"one.png"), png.data(), png.size()));
    ParseCommandLine((L"\"C:\\q\\qrv.exe\" -s=\"" + dir.Path() + L"\"").c_str());
    EXPECT_EQ(AppState::SlideShowRunning, 1);
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    KillTimer(window, TIMER_SLIDESHOW);
}

// A show started with -s steps by itself: Page Down steps it at once in its
// own direction, Start/Stop ends it (and can start it again), and afterwards
// Page Down, End, Page Up and Home step through the folder by hand.
TEST_F(ViewerWindowTest, SlideShowFromTheCommandLineStepsAndStops) {
    qrvtest::TempDir dir;
    for (const wchar_t* name : {L"one.bmp", L"two.bmp", L"three.bmp"})
        apptest::WriteSolidPicture(dir.File(name), 30, 20, RGB(0, 120, 0));
    AppState::SlideShowDirection = 0;
    AppState::SlideShowDelay = 60000;
    ParseCommandLine((L"\"C:\\q\\qrv.exe\" -s=\"" + dir.Path() + L"\"").c_str());
    ASSERT_EQ(AppState::SlideShowRunning, 1);
    ASSERT_EQ(FileList::Count, 3);
    ASSERT_EQ(FileList::Current, 0);
    auto stepTo = [&](UINT id, int index) {
        SendMessageW(window, WM_COMMAND, id, 0);
        Pump();
        EXPECT_EQ(FileList::Current, index) << id;
        EXPECT_EQ(std::wstring(AppState::CurrentFile), dir.File(FileList::Entries[index].name)) << id;
    };
    stepTo(40002, 1);  // Page Down steps the show
    EXPECT_EQ(AppState::SlideShowRunning, 1);

    HMENU menu = GetMenu(window);
    SendMessageW(window, WM_COMMAND, 40319, 0);  // Start/Stop
    EXPECT_EQ(AppState::SlideShowRunning, 0);
    EXPECT_FALSE(KillTimer(window, TIMER_SLIDESHOW));
    EXPECT_FALSE(GetMenuState(menu, 40319, MF_BYCOMMAND) & MF_GRAYED) << "a show can start again";
    stepTo(40029, 2);  // End
    stepTo(40003, 1);  // Page Up
    stepTo(40028, 0);  // Home
}

}  // namespace
