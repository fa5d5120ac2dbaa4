// The print options dialog run on the test printer's context: the page
// preview, the style-dependent fields and their coupling, and what OK and
// Cancel leave in the settings.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>

#include "PrintTestUtil.h"
#include "app/AppState.h"
#include "image/Image.h"
#include "support/ModalDriver.h"
#include "tools/PrintImage.h"
#include "tools_ids.h"

namespace {

using printtest::Near;

class PrintOptionsDialog : public testing::Test {
protected:
    void SetUp() override {
        AppState::Instance = GetModuleHandleW(nullptr);
        saved = PrinterSettings;
        PrinterSettings = PrintSettings{};
        ASSERT_TRUE(job.SelectPrinter(nullptr, true));
        // 400 x 300, red.
        ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(400, 300, 24, RGB(255, 0, 0), nullptr));
    }
    void TearDown() override {
        PrinterSettings = saved;
        AppState::CurrentImage.Destroy();
    }
    // Runs the dialog with script; returns its result.
    INT_PTR Run(const std::function<void(HWND)>& script) {
        INT_PTR result = 0;
        EXPECT_TRUE(qrvtest::DriveModal(
            [&] {
                result = DialogBoxParamW(AppState::Instance, L"PRINTDLG", nullptr, PrintOptionsDlgProc, (LPARAM)&job);
            },
            script));
        return result;
    }
    static void SetText(HWND dialog, int id, const wchar_t* text) { SetDlgItemTextW(dialog, id, text); }
    static std::wstring Text(HWND dialog, int id) {
        wchar_t text[64] = {};
        GetDlgItemTextW(dialog, id, text, 64);
        return text;
    }
    static void SelectStyle(HWND dialog, int style) {
        SendDlgItemMessageW(dialog, IDC_PRINT_STYLE, CB_SETCURSEL, style, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_PRINT_STYLE, CBN_SELCHANGE),
                     (LPARAM)GetDlgItem(dialog, IDC_PRINT_STYLE));
    }
    static void Click(HWND dialog, int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }
    static bool Visible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }
    // The miniature shown by a picture control, or false when it shows none.
    static bool Preview(HWND dialog, int id, CImage& out) {
        HBITMAP bitmap = (HBITMAP)SendDlgItemMessageW(dialog, id, STM_GETIMAGE, IMAGE_BITMAP, 0);
        if (!bitmap) return false;
        BITMAP info = {};
        GetObjectW(bitmap, sizeof(info), &info);
        if (!out.CreateEmpty(info.bmWidth, info.bmHeight, 24, RGB(0, 0, 0), nullptr)) return false;
        HDC source = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(source, bitmap);
        BitBlt(out.memoryDC, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
        return true;
    }
    CPrintImage job;
    PrintSettings saved;
};

TEST_F(PrintOptionsDialog, PreviewShowsHeaderBandImageAndFooterMark) {
    PrinterSettings.centerV = 0;
    PrinterSettings.writeHeader = 1;
    PrinterSettings.colorFooter = RGB(0, 0, 255);
    Run([&](HWND dialog) {
        CImage preview;
        ASSERT_TRUE(Preview(dialog, IDC_PRINT_PREVIEW_PORTRAIT, preview));
        EXPECT_EQ(preview.GetWidth(), 210u);
        EXPECT_EQ(preview.GetHeight(), 310u);
        // Below the 15-pixel band the fitted image starts (not centred vertically).
        EXPECT_TRUE(Near(printtest::PixelAt(preview, 100, 14), RGB(255, 255, 255)));
        EXPECT_TRUE(Near(printtest::PixelAt(preview, 100, 16), RGB(255, 0, 0)));
        // The footer mark: from (b/4, c-2) to (b/4 + b/2, c-2).
        EXPECT_TRUE(Near(printtest::PixelAt(preview, 100, 308), RGB(0, 0, 255)));
        EXPECT_TRUE(Near(printtest::PixelAt(preview, 40, 308), RGB(255, 255, 255)));
        EXPECT_TRUE(Near(printtest::PixelAt(preview, 100, 307), RGB(255, 255, 255)));
        // Landscape moves the miniature to the other picture.
        Click(dialog, IDC_PRINT_LANDSCAPE);
        CImage turned, none;
        EXPECT_FALSE(Preview(dialog, IDC_PRINT_PREVIEW_PORTRAIT, none));
        ASSERT_TRUE(Preview(dialog, IDC_PRINT_PREVIEW_LANDSCAPE, turned));
        EXPECT_EQ(turned.GetWidth(), 310u);
        EXPECT_EQ(turned.GetHeight(), 210u);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(PrintOptionsDialog, StylesShowTheirOwnFields) {
    Run([&](HWND dialog) {
        SelectStyle(dialog, PRINT_FIT_TO_PAGE);
        EXPECT_FALSE(Visible(dialog, IDC_PRINT_SCALE_X));
        EXPECT_FALSE(Visible(dialog, IDC_PRINT_WIDTH));
        EXPECT_FALSE(Visible(dialog, IDC_PRINT_ASPECT));
        EXPECT_TRUE(Visible(dialog, IDC_PRINT_CENTER_H));
        SelectStyle(dialog, PRINT_STRETCH_TO_PAGE);
        EXPECT_FALSE(Visible(dialog, IDC_PRINT_CENTER_H));
        EXPECT_FALSE(Visible(dialog, IDC_PRINT_CENTER_V));
        SelectStyle(dialog, PRINT_SCALED);
        EXPECT_TRUE(Visible(dialog, IDC_PRINT_SCALE_X));
        EXPECT_TRUE(Visible(dialog, IDC_PRINT_PERCENT_Y));
        EXPECT_FALSE(Visible(dialog, IDC_PRINT_WIDTH));
        EXPECT_TRUE(Visible(dialog, IDC_PRINT_ASPECT));
        SelectStyle(dialog, PRINT_SPECIFIED_SIZE);
        EXPECT_TRUE(Visible(dialog, IDC_PRINT_WIDTH));
        EXPECT_TRUE(Visible(dialog, IDC_PRINT_UNIT));
        EXPECT_FALSE(Visible(dialog, IDC_PRINT_SCALE_X));
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(PrintOptionsDialog, AspectCouplesSizesByTheImageAndKeepsPercentagesEqual) {
    PrinterSettings.style = PRINT_SPECIFIED_SIZE;
    Run([&](HWND dialog) {
        SetText(dialog, IDC_PRINT_WIDTH, L"20");
        EXPECT_EQ(job.specifiedWidth, 2000);
        EXPECT_EQ(job.specifiedHeight, 1500);
        EXPECT_EQ(Text(dialog, IDC_PRINT_HEIGHT), L"15.00");
        SetText(dialog, IDC_PRINT_HEIGHT, L"3");
        EXPECT_EQ(job.specifiedWidth, 400);
        SelectStyle(dialog, PRINT_SCALED);
        SetText(dialog, IDC_PRINT_SCALE_X, L"50");
        EXPECT_EQ(job.scaleY, 50) << "the percentages stay equal for a 400 x 300 image";
        EXPECT_EQ(Text(dialog, IDC_PRINT_SCALE_Y), L"50");
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(PrintOptionsDialog, WithoutAnImageThePartnerFieldIsLeftAlone) {
    AppState::CurrentImage.Destroy();
    PrinterSettings.style = PRINT_SPECIFIED_SIZE;
    Run([&](HWND dialog) {
        SetText(dialog, IDC_PRINT_WIDTH, L"20");
        EXPECT_EQ(job.specifiedWidth, 2000);
        EXPECT_EQ(job.specifiedHeight, 1000);
        EXPECT_EQ(Text(dialog, IDC_PRINT_HEIGHT), L"10.00");
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(PrintOptionsDialog, TypedSizesSurviveAStyleRoundTrip) {
    PrinterSettings.style = PRINT_SPECIFIED_SIZE;
    PrinterSettings.maintainAspect = 0;
    Run([&](HWND dialog) {
        SetText(dialog, IDC_PRINT_WIDTH, L"12.34");
        SetText(dialog, IDC_PRINT_HEIGHT, L"5.6");
        SelectStyle(dialog, PRINT_SCALED);
        SelectStyle(dialog, PRINT_SPECIFIED_SIZE);
        EXPECT_EQ(Text(dialog, IDC_PRINT_WIDTH), L"12.34");
        EXPECT_EQ(Text(dialog, IDC_PRINT_HEIGHT), L"5.600");
        EXPECT_EQ(job.specifiedWidth, 1234);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(PrintOptionsDialog, AWidthThatIsNoNumberStoresZeroAndDrawsNoImage) {
    PrinterSettings.style = PRINT_SPECIFIED_SIZE;
    PrinterSettings.maintainAspect = 0;
    Run([&](HWND dialog) {
        SetText(dialog, IDC_PRINT_WIDTH, L"wide");
        EXPECT_EQ(job.specifiedWidth, 0);
        CImage preview;
        ASSERT_TRUE(Preview(dialog, IDC_PRINT_PREVIEW_PORTRAIT, preview));
        bool red = false;
        for (int y = 0; y < 300 && !red; y += 3)
            for (int x = 0; x < 210 && !red; x += 3) red = Near(printtest::PixelAt(preview, x, y), RGB(255, 0, 0));
        EXPECT_FALSE(red);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
}

TEST_F(PrintOptionsDialog, PrintStoresTheControlsAndCancelReturnsMinusOne) {
    const INT_PTR accepted = Run([&](HWND dialog) {
        Click(dialog, IDC_PRINT_LANDSCAPE);
        Click(dialog, IDC_PRINT_ALL_PAGES);
        Click(dialog, IDC_PRINT_WRITE_HEADER);
        SetText(dialog, IDC_PRINT_HEADER_TEXT, L"50% off");
        SelectStyle(dialog, PRINT_SPECIFIED_SIZE);
        SetText(dialog, IDC_PRINT_WIDTH, L"10.01");
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(accepted, 1);
    EXPECT_EQ(PrinterSettings.orientation, 1);
    EXPECT_EQ(PrinterSettings.allPages, 1);
    EXPECT_EQ(PrinterSettings.writeHeader, 1);
    EXPECT_STREQ(PrinterSettings.header, L"50% off");
    EXPECT_EQ(PrinterSettings.style, PRINT_SPECIFIED_SIZE);
    EXPECT_EQ(job.specifiedWidth, 1001);
    const INT_PTR cancelled = Run([&](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(cancelled, -1);
}

}  // namespace
