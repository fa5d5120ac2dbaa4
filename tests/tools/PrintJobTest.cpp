// Real print jobs through the test printer: each job is a PostScript file
// that ghostscript renders into 100-dpi PNG pages, checked for where the
// picture landed and which colours it shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "PrintTestUtil.h"
#include "app/AppState.h"
#include "app/AppWindowTest.h"
#include "app/CommandLine.h"
#include "app/MediaDocument.h"
#include "browser/FileList.h"
#include "command_ids.h"
#include "image/Registry.h"
#include "media/AnimationBar.h"
#include "support/ModalDriver.h"
#include "tools/PrintImage.h"

namespace {

using printtest::Near;
using printtest::PixelAt;

constexpr COLORREF kRed = RGB(255, 0, 0), kLime = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kYellow = RGB(255, 255, 0),
                   kWhite = RGB(255, 255, 255);

class PrintJob : public apptest::ShellWindowFixture {
protected:
    void SetUp() override {
        ShellWindowFixture::SetUp();
        printtest::ClearJobs();
        SetPrinterValue(L"PrinterWriteFooter", 0);
    }
    void TearDown() override {
        AnimationBar.Reset();
        ShellWindowFixture::TearDown();
    }
    static void SetPrinterValue(const wchar_t* name, uint32_t value) {
        CRegistry(HKEY_CURRENT_USER).WriteDword(QRV_REGISTRY_KEY, name, value);
    }
    // The pages of the only job, as pictures.
    void RenderOnlyJob(std::vector<CImage>& pages, size_t expectedPages) {
        const auto jobs = printtest::WaitForJobs(1);
        ASSERT_EQ(jobs.size(), 1u);
        const auto files = printtest::RenderJob(jobs[0], out.Path());
        ASSERT_EQ(files.size(), expectedPages);
        pages = std::vector<CImage>(files.size());
        for (size_t i = 0; i < files.size(); ++i) ASSERT_TRUE(printtest::LoadPicture(pages[i], files[i]));
    }
    // The four quadrants of the picture inside the inked box, clockwise from the top left.
    static void ExpectQuadrants(CImage& page, const RECT& ink, COLORREF tl, COLORREF tr, COLORREF br, COLORREF bl) {
        const int w = ink.right - ink.left, h = ink.bottom - ink.top;
        EXPECT_TRUE(Near(PixelAt(page, ink.left + w / 4, ink.top + h / 4), tl));
        EXPECT_TRUE(Near(PixelAt(page, ink.left + 3 * w / 4, ink.top + h / 4), tr));
        EXPECT_TRUE(Near(PixelAt(page, ink.left + 3 * w / 4, ink.top + 3 * h / 4), br));
        EXPECT_TRUE(Near(PixelAt(page, ink.left + w / 4, ink.top + 3 * h / 4), bl));
    }
    qrvtest::TempDir out;
};

TEST_F(PrintJob, PrintCommandPrintsTheFittedImageWithItsQuadrantsInPlace) {
    const std::wstring path = qrvtest::Fixture(L"print_quadrants.png");
    OpenMediaFile(path.c_str());
    ASSERT_EQ(AppState::DocumentKind, DOC_FILE);
    {
        printtest::DialogAnswerer ok(IDOK);
        SendMessageW(window, WM_COMMAND, IDM_PRINT, 0);
        EXPECT_EQ(printtest::DialogAnswerer::seen.size(), 2u) << "the print dialog, then the options";
    }
    const auto jobs = printtest::WaitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(printtest::JobTitle(jobs[0]), "Quorvane prints " + qrvtest::Narrow(path));
    std::vector<CImage> pages;
    RenderOnlyJob(pages, 1);
    // 400 x 300 fitted on 2329 x 3208: 2329 x 1746 at (0, 731), a third of that here.
    const RECT ink = printtest::InkBox(pages[0]);
    EXPECT_NEAR(ink.left, printtest::kPageLeft, 1);
    EXPECT_NEAR(ink.right - ink.left + 1, printtest::ToPicture(2329), 1);
    EXPECT_NEAR(ink.bottom - ink.top + 1, printtest::ToPicture(1746), 1);
    EXPECT_NEAR(ink.top, printtest::kPageTop + printtest::ToPicture(731), 1);
    ExpectQuadrants(pages[0], ink, kRed, kLime, kYellow, kBlue);
    EXPECT_EQ(CRegistry(HKEY_CURRENT_USER).ReadDword(QRV_REGISTRY_KEY, L"PrinterStyle", 99), 0u)
        << "the job saved its settings";
}

TEST_F(PrintJob, LandscapeTurnsThePageClockwise) {
    SetPrinterValue(L"PrinterOrientation", 1);
    OpenMediaFile(qrvtest::Fixture(L"print_quadrants.png").c_str());
    CPrintImage job;
    ASSERT_TRUE(job.SelectPrinter(window, true));
    ASSERT_TRUE(job.Print(window, false, false));
    std::vector<CImage> pages;
    RenderOnlyJob(pages, 1);
    const RECT ink = printtest::InkBox(pages[0]);
    EXPECT_GT(ink.bottom - ink.top, ink.right - ink.left) << "the picture stands on its side";
    ExpectQuadrants(pages[0], ink, kBlue, kRed, kLime, kYellow);
}

TEST_F(PrintJob, AllPagesOfAMultiPageTiffPrintOnePageEach) {
    SetPrinterValue(L"PrinterMultiPagePrintAllPages", 1);
    OpenMediaFile(qrvtest::Fixture(L"print_pages.tif").c_str());
    ASSERT_TRUE(AnimationBar.initialised);
    ASSERT_EQ(AnimationBar.frameCount, 4);
    CPrintImage job;
    ASSERT_TRUE(job.SelectPrinter(window, true));
    ASSERT_TRUE(job.Print(window, false, false));
    std::vector<CImage> pages;
    RenderOnlyJob(pages, 4);
    // Each page shows its own frame, fitted the same way, in the file's order.
    const COLORREF colours[] = {kRed, kLime, kBlue, kYellow};
    const RECT first = printtest::InkBox(pages[0]);
    for (size_t i = 0; i < pages.size(); ++i) {
        const RECT ink = printtest::InkBox(pages[i]);
        EXPECT_EQ(ink.left, first.left) << "page " << i + 1;
        EXPECT_EQ(ink.top, first.top) << "page " << i + 1;
        EXPECT_EQ(ink.right, first.right) << "page " << i + 1;
        EXPECT_EQ(ink.bottom, first.bottom) << "page " << i + 1;
        EXPECT_TRUE(Near(PixelAt(pages[i], (ink.left + ink.right) / 2, (ink.top + ink.bottom) / 2), colours[i]))
            << "page " << i + 1;
    }
}

TEST_F(PrintJob, ASinglePageWithoutAllPagesPrintsOnce) {
    OpenMediaFile(qrvtest::Fixture(L"print_pages.tif").c_str());
    CPrintImage job;
    ASSERT_TRUE(job.SelectPrinter(window, true));
    ASSERT_TRUE(job.Print(window, false, false));
    std::vector<CImage> pages;
    RenderOnlyJob(pages, 1);
}

TEST_F(PrintJob, CommandLinePrintsWithoutAnyDialogAndCloses) {
    const std::wstring path = qrvtest::Fixture(L"print_quadrants.png");
    {
        printtest::DialogAnswerer cancel(IDCANCEL);
        ParseCommandLine((L"\"C:\\q\\qrv.exe\" -p \"" + path + L"\"").c_str());
        qrvtest::Pump();
        EXPECT_TRUE(printtest::DialogAnswerer::seen.empty());
    }
    EXPECT_FALSE(IsWindow(window)) << "the program closes after printing";
    const auto jobs = printtest::WaitForJobs(1);
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(printtest::JobTitle(jobs[0]), "Quorvane prints " + qrvtest::Narrow(path));
    EXPECT_FALSE(AppState::PrintInProgress);
}

TEST_F(PrintJob, ACancelledPrintDialogWritesNoJobAndShowsNothing) {
    OpenMediaFile(qrvtest::Fixture(L"print_quadrants.png").c_str());
    qrvtest::MessageCapture messages;
    {
        printtest::DialogAnswerer cancel(IDCANCEL);
        SendMessageW(window, WM_COMMAND, IDM_PRINT, 0);
        EXPECT_EQ(printtest::DialogAnswerer::seen.size(), 1u);
    }
    Sleep(1000);
    EXPECT_TRUE(printtest::WaitForJobs(1, 500).empty());
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(PrintJob, CancelledOptionsKeepTheStoredSettings) {
    OpenMediaFile(qrvtest::Fixture(L"print_quadrants.png").c_str());
    CPrintImage job;
    ASSERT_TRUE(job.SelectPrinter(window, true));
    bool ran = false;
    EXPECT_TRUE(qrvtest::DriveModal([&] { EXPECT_FALSE(job.Print(window, false, true)); },
                                    [&](HWND dialog) {
                                        ran = true;
                                        SendDlgItemMessageW(dialog, 1009, BM_CLICK, 0, 0);
                                        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
                                    }));
    EXPECT_TRUE(ran);
    EXPECT_EQ(job.printerDC, nullptr) << "a cancelled job releases the printer";
    EXPECT_EQ(CRegistry(HKEY_CURRENT_USER).ReadDword(QRV_REGISTRY_KEY, L"PrinterOrientation", 99), 99u);
    EXPECT_TRUE(printtest::WaitForJobs(1, 500).empty());
}

TEST_F(PrintJob, ATransparentImageIsDecodedAgainFromTheFileBeingPrinted) {
    // The folder list points elsewhere (or nowhere): the file printed is the one shown.
    const std::wstring path = qrvtest::Fixture(L"print_transparent.gif");
    OpenMediaFile(path.c_str());
    ASSERT_TRUE(AppState::CurrentImage.hasTransparency);
    FileList::Current = -1;
    CPrintImage job;
    ASSERT_TRUE(job.SelectPrinter(window, true));
    ASSERT_TRUE(job.Print(window, false, false));
    EXPECT_STREQ(AppState::CurrentFile, path.c_str());
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    std::vector<CImage> pages;
    RenderOnlyJob(pages, 1);
    // The right half is red; the transparent left half came out white.
    const RECT ink = printtest::InkBox(pages[0]);
    EXPECT_NEAR(ink.right - ink.left + 1, printtest::ToPicture(2329) / 2, 2);
    EXPECT_TRUE(Near(PixelAt(pages[0], (ink.left + ink.right) / 2, (ink.top + ink.bottom) / 2), kRed));
}

}  // namespace
