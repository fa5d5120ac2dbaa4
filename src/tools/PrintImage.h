// Printing: the printer base class with its device context, the print
// settings, and CPrintImage, which composes one page per image (or per frame)
// in memory and sends it to the printer in one StretchDIBits.
#pragma once
#include <windows.h>

#include <cstddef>

class CImage;

enum PrintStyle : int {
    PRINT_FIT_TO_PAGE = 0,
    PRINT_STRETCH_TO_PAGE = 1,
    PRINT_SCALED = 2,
    PRINT_SPECIFIED_SIZE = 3,
};

// The program-wide print settings ("Printer*" registry values).
struct PrintSettings {
    int style = PRINT_FIT_TO_PAGE;
    int orientation = 0;  // 0 portrait, 1 landscape
    int centerH = 1;
    int centerV = 1;
    int scaleX = 100;  // percent
    int scaleY = 100;
    int allPages = 0;
    int specifiedWidth = 1000;  // hundredths of the unit
    int specifiedHeight = 1000;
    int unit = 0;  // 0 centimetres, 1 inches
    int maintainAspect = 1;
    int writeHeader = 0;
    wchar_t header[MAX_PATH + 1] = {};
    int writeFooter = 1;
    int writeFilename = 1;
    int writeAttributes = 0;
    int writeDate = 0;
    COLORREF colorHeader = 0;
    COLORREF colorFooter = 0;
    int fontSizeHeader = 18;
    int fontSizeFooter = 8;
};
extern PrintSettings PrinterSettings;

// Writes and reads the 14 fields of a LOGFONTW as prefix + "Height" ... "FaceName".
void WriteLogFont(HKEY root, const wchar_t* subKey, const wchar_t* prefix, const LOGFONTW& font);
void ReadLogFont(HKEY root, const wchar_t* subKey, const wchar_t* prefix, LOGFONTW& font);
// A font from its description; an empty face name takes the menu font
// (header) or the status font (otherwise) of the system at the given height.
HFONT CreatePrintFont(LOGFONTW& font, bool menuFont, int defaultHeight);
// "%s - Pt:%d": the face name and the height in points on the screen.
void FormatFontName(wchar_t* out, size_t size, const LOGFONTW& font);

// Where the image goes on a page: the image's W x H placed by the layout on a
// page of pageWidth x pageHeight whose header and footer take headerHeight and
// footerHeight. False (nothing is drawn) for an image without area, a
// specified size of 0 or an unknown style.
struct PageLayout {
    int style;
    bool centerH, centerV;
    int scaleX, scaleY;                   // percent
    int specifiedWidth, specifiedHeight;  // hundredths of the unit
    int unit;                             // 0 centimetres, 1 inches
    int dpiX, dpiY;                       // of the printer
};
bool PlaceImageOnPage(const PageLayout& layout, int imageWidth, int imageHeight, int pageWidth, int pageHeight,
                      int headerHeight, int footerHeight, RECT* out);
// The footer line of a page: " %s " (path), " (%dx%dx%d) ", " (%s) " (date)
// and " (%d/%d) " for a page count above 1, each only when switched on.
void FormatFooterLine(wchar_t* out, size_t size, const PrintSettings& settings, const wchar_t* path, int width,
                      int height, int bpp, const wchar_t* dateText, int page, int pageCount);
// The file's last-write time as the footer and captions show it; empty when
// the file cannot be opened. out holds 64 characters.
void FormatFileDate(wchar_t* out, const wchar_t* path);

class CPrinter {
public:
    virtual ~CPrinter();  // deletes a device context still held
    // StretchDIBits of the whole image into the rectangle on the printer.
    virtual bool DrawImage(CImage& image, int x, int y, int width, int height);
    // A device context for the first local printer; null when there is none.
    virtual HDC CreateLocalPrinterDC();
    // The first local printer (firstLocal) or the print dialog's choice; false
    // when cancelled (silently) or when no usable context could be had.
    virtual bool SelectPrinter(HWND owner, bool firstLocal);
    // Deletes the context; safe to call twice.
    virtual bool DeletePrinterDC();

    HDC printerDC = nullptr;
};

class CPrintImage : public CPrinter {
public:
    CPrintImage();
    ~CPrintImage() override;
    // Prints the current image: D prints at once with the stored settings, S
    // shows the options dialog first. False when cancelled or failed.
    virtual bool Print(HWND owner, bool printDirectly, bool showOptions);

    void LoadSettings(HKEY root = HKEY_CURRENT_USER, const wchar_t* subKey = nullptr);
    void SaveSettings(HKEY root = HKEY_CURRENT_USER, const wchar_t* subKey = nullptr);
    void CreateFonts();
    void DeleteFonts();
    void PrintHeader(HDC dc, int pageWidth);
    void PrintFooter(HDC dc, int pageWidth, int pageHeight, int page, int pageCount);
    // Draws header, footer and image into a page of pageWidth x pageHeight
    // (already white) as the current settings lay it out.
    void ComposePage(HDC dc, int pageWidth, int pageHeight, CImage& image, int page, int pageCount, int dpiX, int dpiY);
    // The whole page of the printer's pageWidth x pageHeight: composed turned in
    // landscape and rotated clockwise. False when it cannot be allocated.
    bool BuildPage(CImage& pageImage, int pageWidth, int pageHeight, CImage& image, int page, int pageCount, int dpiX,
                   int dpiY);
    PageLayout Layout(int dpiX, int dpiY) const;

    // The options dialog's helpers (PrintOptions.cpp).
    void WriteSizeFields(HWND dialog);
    void ReadSizeFields(HWND dialog);
    void ShowSpecifiedWidth(HWND dialog);
    void ShowSpecifiedHeight(HWND dialog);
    void ShowFontNames(HWND dialog);
    void DrawPagePreview(HWND dialog);

    int headerHeight = 0;
    int footerHeight = 0;
    bool optionsCancelled = false;  // the last Print ended at the options dialog
    int scaleX = 100;
    int scaleY = 100;
    int specifiedWidth = 1000;
    int specifiedHeight = 1000;
    HFONT headerFont = nullptr;
    LOGFONTW headerLogFont = {};
    HFONT footerFont = nullptr;
    LOGFONTW footerLogFont = {};
    // The registry key the settings live under (tests use one of their own).
    HKEY settingsRoot = HKEY_CURRENT_USER;
    const wchar_t* settingsKey = nullptr;
};

// The options dialog "PRINTDLG" with its page preview; the parameter is the CPrintImage.
INT_PTR CALLBACK PrintOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Shows style-dependent controls of the options dialog.
void ShowPrintStyleControls(HWND dialog, int style);
// A typed size in hundredths, rounded: "10.01" -> 1001; text that is no number -> 0.
int ParseHundredths(const wchar_t* text);
