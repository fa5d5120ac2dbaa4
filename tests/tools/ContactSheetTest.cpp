// Contact sheets: the page and cell rules, and real sheets of generated
// colours whose framed cells are checked on the rendered pages.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "PrintTestUtil.h"
#include "app/AppWindowTest.h"
#include "image/Image.h"
#include "image/Registry.h"
#include "tools/ContactSheet.h"
#include "tools_ids.h"

namespace {

using printtest::Near;
using printtest::PixelAt;

TEST(ContactSheetRules, PagesHoldAllFilesOrOneTestPage) {
    struct Case {
        int files, columns, rows;
        bool testPage;
        int pages;
    } cases[] = {{30, 4, 6, false, 2}, {24, 4, 6, false, 1}, {25, 4, 6, false, 2}, {30, 4, 6, true, 1},
                 {1, 1, 1, false, 1},  {7, 1, 1, false, 7},  {0, 4, 6, false, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(ContactSheetPageCount(c.files, c.columns, c.rows, c.testPage), c.pages) << c.files;
}

TEST(ContactSheetRules, CellsAndCaptionSlots) {
    // 2 columns on 1000: (1000 - 3 * 20) / 2 = 470; three captions of 10 widen the row gap to 50.
    const SheetGrid grid = ComputeSheetGrid(1000, 1000, 2, 3, 20, 20, 40, 10, 3);
    EXPECT_EQ(grid.cellWidth, 470);
    EXPECT_EQ(grid.rowGap, 50);
    EXPECT_EQ(grid.cellHeight, (1000 - 4 * 50) / 3);
    EXPECT_EQ(grid.top, 60);
    const POINT cell = SheetCellOrigin(grid, 1, 1);
    EXPECT_EQ(cell.x, 20 + 470 + 20);
    EXPECT_EQ(cell.y, 60 + grid.cellHeight + 50);
    // Only the date switch on: still the third slot.
    const RECT date = CaptionSlot(10, 20, 300, 200, 12, 3);
    EXPECT_EQ(date.top, 20 + 200 + 24);
    EXPECT_EQ(date.bottom, 20 + 200 + 36);
}

TEST(ContactSheetRules, ThumbnailFitsInsideTheFrame) {
    RECT r;
    ASSERT_TRUE(PlaceThumbnail(100, 200, 402, 302, 1000, 500, &r));
    EXPECT_EQ(r.left, 101);
    EXPECT_EQ(r.top, 251);
    EXPECT_EQ(r.right - r.left, 400);
    EXPECT_EQ(r.bottom - r.top, 200);
    EXPECT_FALSE(PlaceThumbnail(0, 0, 402, 302, 0, 0, &r)) << "an undecoded file leaves the frame empty";
    EXPECT_FALSE(PlaceThumbnail(0, 0, 2, 2, 10, 10, &r)) << "a cell without room";
}

// Thirty files of distinct colours, printed at 4 x 6 without captions.
class ContactSheetJob : public apptest::ShellWindowFixture {
protected:
    void SetUp() override {
        ShellWindowFixture::SetUp();
        printtest::ClearJobs();
        saved = SheetSettings;
        SheetSettings = ContactSheetSettings{};
        SheetSettings.writeFilename = 0;
        for (int i = 0; i < 30; ++i) {
            colors.push_back(ColorOf(i));
            paths.push_back(dir.File(L"c" + std::to_wstring(i) + L".bmp"));
            apptest::WriteSolidPicture(paths.back(), 60, 40, colors.back());
        }
        for (auto& p : paths) pointers.push_back(p.c_str());
        ASSERT_TRUE(sheet.SelectPrinter(window, true));
        sheet.CreateFonts();
    }
    void TearDown() override {
        SheetSettings = saved;
        ShellWindowFixture::TearDown();
    }
    static COLORREF ColorOf(int i) { return RGB((i % 3) * 120, ((i / 3) % 3) * 120, ((i / 9) % 4) * 80); }
    // The colour in the middle of cell n of a page of the job.
    COLORREF CellColor(CImage& page, int n) {
        const SheetGrid grid = ComputeSheetGrid(2329, 3208, 4, 6, 20, 20, 0, 0, 0);
        const POINT at = SheetCellOrigin(grid, n / 4, n % 4);
        return PixelAt(page, printtest::kPageLeft + printtest::ToPicture(at.x + grid.cellWidth / 2),
                       printtest::kPageTop + printtest::ToPicture(at.y + grid.cellHeight / 2));
    }
    std::vector<CImage> Render(size_t expectedPages) {
        const auto jobs = printtest::WaitForJobs(1);
        EXPECT_EQ(jobs.size(), 1u);
        std::vector<CImage> pages;
        if (jobs.empty()) return pages;
        const auto files = printtest::RenderJob(jobs[0], out.Path());
        EXPECT_EQ(files.size(), expectedPages);
        pages = std::vector<CImage>(files.size());
        for (size_t i = 0; i < files.size(); ++i) EXPECT_TRUE(printtest::LoadPicture(pages[i], files[i]));
        return pages;
    }
    qrvtest::TempDir dir, out;
    ContactSheetSettings saved;
    std::vector<COLORREF> colors;
    std::vector<std::wstring> paths;
    std::vector<const wchar_t*> pointers;
    CPrintContactSheet sheet;
};

TEST_F(ContactSheetJob, ThirtyFilesFillTwoPagesInListOrder) {
    ASSERT_TRUE(sheet.PrintSheets(nullptr, pointers.data(), 30, nullptr));
    auto pages = Render(2);
    ASSERT_EQ(pages.size(), 2u);
    for (int n = 0; n < 24; ++n) EXPECT_TRUE(Near(CellColor(pages[0], n), colors[n])) << "cell " << n;
    for (int n = 0; n < 6; ++n) EXPECT_TRUE(Near(CellColor(pages[1], n), colors[24 + n])) << "page 2 cell " << n;
    EXPECT_TRUE(Near(CellColor(pages[1], 6), RGB(255, 255, 255))) << "the seventh cell of page 2 stays empty";
}

TEST_F(ContactSheetJob, TheTestPagePrintsTheFirstPageOnly) {
    SheetSettings.testPageOnly = 1;
    ASSERT_TRUE(sheet.PrintSheets(nullptr, pointers.data(), 30, nullptr));
    auto pages = Render(1);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(Near(CellColor(pages[0], 23), colors[23]));
}

// A window whose message sets the sheet's stop flag, as Cancel does during a job.
LRESULT CALLBACK StopWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) reinterpret_cast<CPrintContactSheet*>(lParam)->stop = 1;
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(ContactSheetJob, CancelInTheFirstRowFinishesThatPageOnly) {
    HWND stopper = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(stopper, GWLP_WNDPROC, (LONG_PTR)StopWindowProc);
    qrvtest::Pump();
    PostMessageW(stopper, WM_APP, 0, (LPARAM)&sheet);
    ASSERT_TRUE(sheet.PrintSheets(nullptr, pointers.data(), 30, nullptr));
    DestroyWindow(stopper);
    auto pages = Render(1);
    ASSERT_EQ(pages.size(), 1u);
    for (int n = 0; n < 4; ++n) EXPECT_TRUE(Near(CellColor(pages[0], n), colors[n])) << "the row in hand";
    EXPECT_TRUE(Near(CellColor(pages[0], 4), RGB(255, 255, 255))) << "the rest of the page stays empty";
}

// The progress text control records what the job writes into it.
std::vector<std::wstring> g_progress;
WNDPROC g_staticProc = nullptr;
LRESULT CALLBACK RecordText(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT && lParam) g_progress.push_back(reinterpret_cast<const wchar_t*>(lParam));
    return CallWindowProcW(g_staticProc, window, message, wParam, lParam);
}
INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST_F(ContactSheetJob, ProgressCountsPages) {
    HWND dialog = CreateDialogParamW(AppState::Instance, L"PRINTCONTACTSHEETDLG", nullptr, PlainDialog, 0);
    ASSERT_NE(dialog, nullptr);
    g_progress.clear();
    HWND text = GetDlgItem(dialog, IDC_LIST_PROGRESS_TEXT);
    g_staticProc = (WNDPROC)SetWindowLongPtrW(text, GWLP_WNDPROC, (LONG_PTR)RecordText);
    ASSERT_TRUE(sheet.PrintSheets(dialog, pointers.data(), 30, nullptr));
    EXPECT_EQ(g_progress, (std::vector<std::wstring>{L"1/2", L"2/2"}));
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_LIST_PROGRESS, PBM_GETPOS, 0, 0), 30);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK))) << "controls enabled again after the job";
    EXPECT_TRUE(sheet.idle);
    DestroyWindow(dialog);
    Render(2);
}

}  // namespace

namespace {

TEST(ContactSheetLayout, CellsSmallerThanAPixelAreRefused) {
    const ContactSheetSettings saved = SheetSettings;
    SheetSettings = ContactSheetSettings{};
    CPrintContactSheet sheet;  // no printer: an A4 page at 300 dpi
    EXPECT_TRUE(SheetCellsFit(sheet));
    SheetSettings.spaceH = 1000;
    EXPECT_FALSE(SheetCellsFit(sheet));
    SheetSettings.spaceH = 20;
    SheetSettings.rows = 3000;
    EXPECT_FALSE(SheetCellsFit(sheet));
    SheetSettings = saved;
}

class ContactSheetDialog : public apptest::ShellWindowFixture {};

TEST_F(ContactSheetDialog, ColumnsAndRowsBelowOneAreNotTaken) {
    const ContactSheetSettings saved = SheetSettings;
    CPrintContactSheet sheet;
    sheet.settingsKey = L"Software\\QuorvaneTest\\ContactSheet";
    CRegistry(HKEY_CURRENT_USER).Delete(sheet.settingsKey, nullptr);
    HWND dialog = CreateDialogParamW(AppState::Instance, L"PRINTCONTACTSHEETDLG", window, PrintContactSheetDlgProc,
                                     (LPARAM)&sheet);
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK))) << "nothing to print yet";
    SetDlgItemTextW(dialog, IDC_SHEET_COLUMNS, L"0");
    EXPECT_EQ(SheetSettings.columns, 4);
    SetDlgItemTextW(dialog, IDC_SHEET_ROWS, L"");
    EXPECT_EQ(SheetSettings.rows, 6);
    SetDlgItemTextW(dialog, IDC_SHEET_COLUMNS, L"3");
    EXPECT_EQ(SheetSettings.columns, 3);
    HBITMAP preview = (HBITMAP)SendDlgItemMessageW(dialog, IDC_PRINT_PREVIEW_PORTRAIT, STM_GETIMAGE, IMAGE_BITMAP, 0);
    EXPECT_NE(preview, nullptr) << "the layout miniature is shown";
    DestroyWindow(dialog);
    CRegistry(HKEY_CURRENT_USER).Delete(sheet.settingsKey, nullptr);
    SheetSettings = saved;
}

}  // namespace
