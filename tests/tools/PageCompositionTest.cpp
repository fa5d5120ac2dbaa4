// Page composition of image printing: where the image lands for each style,
// the footer line, and whole pages composed in memory (portrait and turned).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "PrintTestUtil.h"
#include "app/AppState.h"
#include "image/Image.h"
#include "image/Registry.h"
#include "tools/PrintImage.h"

namespace {

using printtest::Near;
using printtest::PixelAt;

PageLayout Layout(int style, bool centerH = true, bool centerV = true) {
    return PageLayout{style, centerH, centerV, 100, 100, 1000, 1000, 0, 600, 600};
}

struct Placement {
    const char* name;
    PageLayout layout;
    int W, H, pageW, pageH, header, footer;
    bool drawn;
    RECT expected;
};

TEST(PrintPlacement, StylesPlaceTheImageAsLaidOut) {
    PageLayout scaled = Layout(PRINT_SCALED);
    scaled.scaleX = 33;
    scaled.scaleY = 250;
    PageLayout scaledCorner = scaled;
    scaledCorner.centerH = scaledCorner.centerV = false;
    PageLayout sized = Layout(PRINT_SPECIFIED_SIZE, false, false);
    PageLayout inches = sized;
    inches.unit = 1;
    inches.specifiedWidth = 250;
    inches.specifiedHeight = 100;
    PageLayout noWidth = sized;
    noWidth.specifiedWidth = 0;
    PageLayout noHeight = sized;
    noHeight.specifiedHeight = 0;
    const Placement cases[] = {
        {"fit, no header or footer",
         Layout(PRINT_FIT_TO_PAGE),
         400,
         300,
         4800,
         6600,
         0,
         0,
         true,
         {0, 1500, 4800, 5100}},
        {"fit, not centred",
         Layout(PRINT_FIT_TO_PAGE, false, false),
         300,
         400,
         6600,
         4800,
         0,
         0,
         true,
         {0, 0, 3600, 4800}},
        {"fit between header and footer",
         Layout(PRINT_FIT_TO_PAGE),
         100,
         100,
         1000,
         1000,
         100,
         100,
         true,
         {100, 100, 900, 900}},
        {"stretch ignores centring", Layout(PRINT_STRETCH_TO_PAGE), 10, 10, 800, 1000, 30, 20, true, {0, 30, 800, 980}},
        {"scaled, truncated", scaled, 401, 3, 2000, 2000, 0, 0, true, {934, 996, 1066, 1003}},
        {"scaled in the corner below the header", scaledCorner, 401, 3, 2000, 2000, 40, 0, true, {0, 40, 132, 47}},
        {"10.00 x 10.00 cm at 600 dpi", sized, 7, 9, 5000, 7000, 0, 0, true, {0, 0, 2362, 2362}},
        {"inches", inches, 7, 9, 5000, 7000, 0, 0, true, {0, 0, 1500, 600}},
        {"a width of 0 draws nothing", noWidth, 7, 9, 5000, 7000, 0, 0, false, {}},
        {"a height of 0 draws nothing", noHeight, 7, 9, 5000, 7000, 0, 0, false, {}},
        {"no image (0 x 0) fits nothing", Layout(PRINT_FIT_TO_PAGE), 0, 0, 4800, 6600, 0, 0, false, {}},
        {"no image, scaled", scaled, 0, 0, 4800, 6600, 0, 0, false, {}},
        {"unknown style", Layout(7), 10, 10, 100, 100, 0, 0, false, {}},
    };
    for (const Placement& c : cases) {
        RECT r = {-1, -1, -1, -1};
        const bool drawn = PlaceImageOnPage(c.layout, c.W, c.H, c.pageW, c.pageH, c.header, c.footer, &r);
        EXPECT_EQ(drawn, c.drawn) << c.name;
        if (!drawn || !c.drawn) continue;
        EXPECT_EQ(r.left, c.expected.left) << c.name;
        EXPECT_EQ(r.top, c.expected.top) << c.name;
        EXPECT_EQ(r.right, c.expected.right) << c.name;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.name;
    }
}

TEST(PrintFooter, PartsAppearOnlyWhenSwitchedOn) {
    struct Case {
        int filename, attributes, date, page, count;
        const wchar_t* expected;
    } cases[] = {
        {1, 0, 0, 1, 1, L" C:\\pics\\100% %s.png "},
        {0, 1, 0, 1, 1, L" (640x480x24) "},
        {0, 0, 1, 1, 1, L" (2026/12/11 10:00) "},
        {0, 0, 0, 1, 1, L""},
        {0, 0, 0, 2, 4, L" (2/4) "},
        {1, 1, 1, 4, 4, L" C:\\pics\\100% %s.png  (640x480x24)  (2026/12/11 10:00)  (4/4) "},
    };
    for (const Case& c : cases) {
        PrintSettings s;
        s.writeFilename = c.filename;
        s.writeAttributes = c.attributes;
        s.writeDate = c.date;
        wchar_t line[1024];
        FormatFooterLine(line, 1024, s, L"C:\\pics\\100% %s.png", 640, 480, 24, L"2026/12/11 10:00", c.page, c.count);
        EXPECT_EQ(std::wstring(line), c.expected);
    }
}

TEST(PrintSizeText, TypedSizesRoundToTheHundredth) {
    struct Case {
        const wchar_t* text;
        int expected;
    } cases[] = {{L"10.01", 1001}, {L"10", 1000}, {L"15.00", 1500}, {L"0.29", 29},
                 {L"2.346", 235},  {L"abc", 0},   {L"", 0},         {L"-1.5", -150}};
    for (const Case& c : cases) EXPECT_EQ(ParseHundredths(c.text), c.expected) << qrvtest::Narrow(c.text);
}

// A page composed in memory: header and footer off, so only the image is inked.
class ComposedPage : public testing::Test {
protected:
    void SetUp() override {
        saved = PrinterSettings;
        PrinterSettings = PrintSettings{};
        PrinterSettings.writeFooter = 0;
        savedFile = AppState::CurrentFile;
    }
    void TearDown() override {
        PrinterSettings = saved;
        wcscpy(AppState::CurrentFile, savedFile.c_str());
    }
    // 40 x 30: the left half red, the right half blue.
    static void HalfAndHalf(CImage& image) {
        ASSERT_TRUE(image.CreateEmpty(40, 30, 24, RGB(255, 0, 0), nullptr));
        image.FillRect(RECT{20, 0, 20, 30}, RGB(0, 0, 255));
    }
    PrintSettings saved;
    std::wstring savedFile;
};

TEST_F(ComposedPage, FitPlacesTheImageCentredOnAWhitePage) {
    CImage image, page;
    HalfAndHalf(image);
    CPrintImage job;
    ASSERT_TRUE(job.BuildPage(page, 480, 660, image, 1, 1, 300, 300));
    ASSERT_EQ(page.GetWidth(), 480u);
    ASSERT_EQ(page.GetHeight(), 660u);
    // 40 x 30 at 12: 480 x 360 at (0, 150).
    EXPECT_TRUE(Near(PixelAt(page, 240, 149), RGB(255, 255, 255)));
    EXPECT_TRUE(Near(PixelAt(page, 100, 151), RGB(255, 0, 0)));
    EXPECT_TRUE(Near(PixelAt(page, 380, 508), RGB(0, 0, 255)));
    EXPECT_TRUE(Near(PixelAt(page, 240, 511), RGB(255, 255, 255)));
}

TEST_F(ComposedPage, LandscapeIsComposedTurnedAndRotatedClockwise) {
    PrinterSettings.orientation = 1;
    CImage image, page;
    HalfAndHalf(image);
    CPrintImage job;
    ASSERT_TRUE(job.BuildPage(page, 480, 660, image, 1, 1, 300, 300));
    // Composed 660 x 480 (the image 640 x 480 at x = 10), then turned to 480 x 660:
    // the image's left (red) half is now at the top, its right (blue) half below.
    ASSERT_EQ(page.GetWidth(), 480u);
    ASSERT_EQ(page.GetHeight(), 660u);
    EXPECT_TRUE(Near(PixelAt(page, 240, 5), RGB(255, 255, 255)));
    EXPECT_TRUE(Near(PixelAt(page, 240, 100), RGB(255, 0, 0)));
    EXPECT_TRUE(Near(PixelAt(page, 240, 560), RGB(0, 0, 255)));
    EXPECT_TRUE(Near(PixelAt(page, 240, 655), RGB(255, 255, 255)));
}

TEST_F(ComposedPage, FooterTakesItsLineOffTheFittedArea) {
    PrinterSettings.writeFooter = 1;
    wcscpy(AppState::CurrentFile, L"C:\\x.png");
    CImage image, page;
    HalfAndHalf(image);
    CPrintImage job;
    job.CreateFonts();
    ASSERT_TRUE(job.BuildPage(page, 480, 660, image, 1, 1, 300, 300));
    ASSERT_GT(job.footerHeight, 0);
    const int area = 660 - job.footerHeight;
    // Fit into 480 x area: the image still spans the full width, centred in the area.
    const int h = 360, top = (area - h) >> 1;
    EXPECT_TRUE(Near(PixelAt(page, 100, top + 2), RGB(255, 0, 0)));
    EXPECT_TRUE(Near(PixelAt(page, 100, top - 2), RGB(255, 255, 255)));
}

TEST_F(ComposedPage, SizeZeroLeavesOnlyHeaderAndFooter) {
    PrinterSettings.style = PRINT_SPECIFIED_SIZE;
    CImage image, page;
    HalfAndHalf(image);
    CPrintImage job;
    job.specifiedWidth = 0;
    ASSERT_TRUE(job.BuildPage(page, 120, 160, image, 1, 1, 300, 300));
    const RECT ink = printtest::InkBox(page);
    EXPECT_EQ(ink.right, -1) << "nothing drawn";
}

TEST_F(ComposedPage, APageTooLargeToAllocateIsRefused) {
    CImage image, page;
    HalfAndHalf(image);
    CPrintImage job;
    EXPECT_FALSE(job.BuildPage(page, 40000, 40000, image, 1, 1, 300, 300));
}

TEST(PrintSettingsStore, ValuesGoUnderTheKeyPassedIn) {
    const wchar_t* key = L"Software\\QuorvaneTest\\PrintSettings";
    CRegistry reg(HKEY_CURRENT_USER);
    reg.Delete(key, nullptr);
    const PrintSettings saved = PrinterSettings;
    CPrintImage job;
    job.LoadSettings(HKEY_CURRENT_USER, key);
    EXPECT_EQ(PrinterSettings.style, 0);
    EXPECT_EQ(PrinterSettings.centerH, 1);
    EXPECT_EQ(PrinterSettings.specifiedWidth, 1000);
    EXPECT_EQ(PrinterSettings.writeFooter, 1);
    EXPECT_EQ(PrinterSettings.fontSizeHeader, 18);
    PrinterSettings.style = 3;
    PrinterSettings.specifiedHeight = 1501;
    wcscpy(PrinterSettings.header, L"100% sure");
    job.footerLogFont.lfWeight = 700;
    wcscpy(job.footerLogFont.lfFaceName, L"Courier New");
    job.SaveSettings(HKEY_CURRENT_USER, key);
    EXPECT_EQ(reg.ReadDword(key, L"PrinterStyle", 9), 3u);
    EXPECT_EQ(reg.ReadDword(key, L"PrinterSpecifiedHeight", 9), 1501u);
    EXPECT_EQ(reg.ReadDword(key, L"PrinterFontFooterWeight", 9), 700u);
    PrinterSettings = PrintSettings{};
    CPrintImage other;
    other.LoadSettings(HKEY_CURRENT_USER, key);
    EXPECT_EQ(PrinterSettings.style, 3);
    EXPECT_STREQ(PrinterSettings.header, L"100% sure");
    EXPECT_STREQ(other.footerLogFont.lfFaceName, L"Courier New");
    reg.Delete(key, nullptr);
    PrinterSettings = saved;
}

TEST(PrinterObject, DeletingTheContextTwiceIsSafeAndTheDestructorReleasesIt) {
    CPrinter printer;
    printer.printerDC = CreateCompatibleDC(nullptr);
    ASSERT_TRUE(printer.DeletePrinterDC());
    EXPECT_EQ(printer.printerDC, nullptr);
    EXPECT_TRUE(printer.DeletePrinterDC());
    HDC held = nullptr;
    {
        CPrintImage job;
        job.printerDC = held = CreateCompatibleDC(nullptr);
    }
    EXPECT_EQ(GetObjectType(held), 0u) << "the destructor deletes the context it still holds";
}

}  // namespace
