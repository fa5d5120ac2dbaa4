// Contact sheets: grids of thumbnails of many files, columns x rows cells per
// page, each with up to three caption lines, and an optional header per page.
#pragma once
#include <windows.h>

#include <cstdint>

#include "tools/PrintImage.h"

// The program-wide contact-sheet settings ("PrintContactSheet*" registry values).
struct ContactSheetSettings {
    int orientation = 0;
    int columns = 4;
    int rows = 6;
    int spaceH = 20;  // printer pixels
    int spaceV = 20;
    int writeHeader = 0;
    wchar_t header[MAX_PATH + 1] = {};
    int writeFilename = 1;
    int writeAttributes = 0;
    int writeDate = 0;
    COLORREF colorHeader = 0;
    COLORREF colorText = 0;
    int fontSizeHeader = 18;
    int fontSizeText = 8;
    int testPageOnly = 0;
};
extern ContactSheetSettings SheetSettings;

// Pages for count files: 1 with the test page or when they fit, else enough
// pages to hold them all.
int ContactSheetPageCount(int count, int columns, int rows, bool testPage);

// The grid of one page: usableHeight is the page height less the header line.
struct SheetGrid {
    int cellWidth, cellHeight;
    int rowGap;  // vertical space plus one caption line per caption switch
    int top;     // top of the first row
    int spaceH;
};
SheetGrid ComputeSheetGrid(int pageWidth, int usableHeight, int columns, int rows, int spaceH, int spaceV,
                           int headerHeight, int captionHeight, int captionCount);
// Left and top of a cell.
POINT SheetCellOrigin(const SheetGrid& grid, int row, int column);
// The thumbnail of an image of W x H in a cell at (x, y): scaled to fit the
// cell less its 1-pixel frame, centred inside it. False when nothing fits.
bool PlaceThumbnail(int x, int y, int cellWidth, int cellHeight, int W, int H, RECT* out);
// Caption slot 1 (name), 2 (size and depth) or 3 (date) below a cell: the
// slots keep their places whichever switches are off.
RECT CaptionSlot(int x, int y, int cellWidth, int cellHeight, int lineHeight, int slot);

class CPrintContactSheet : public CPrinter {
public:
    CPrintContactSheet() = default;
    ~CPrintContactSheet() override;

    void LoadSettings(HKEY root = HKEY_CURRENT_USER, const wchar_t* subKey = nullptr);
    void SaveSettings(HKEY root = HKEY_CURRENT_USER, const wchar_t* subKey = nullptr);
    void CreateFonts();
    void DeleteFonts();
    void ShowFontNames(HWND dialog);
    void EnableControls(HWND dialog, bool enable);
    void DrawLayoutPreview(HWND dialog);
    // Prints the files (full paths) as sheets; writes nothing into errorText.
    // The dialog (may be null) shows the progress and lets Cancel through.
    bool PrintSheets(HWND dialog, const wchar_t* const* files, int count, wchar_t* errorText);

    HFONT headerFont = nullptr;
    LOGFONTW headerLogFont = {};
    HFONT textFont = nullptr;
    LOGFONTW textLogFont = {};
    uint8_t stop = 0;
    uint8_t idle = 1;
    HKEY settingsRoot = HKEY_CURRENT_USER;
    const wchar_t* settingsKey = nullptr;

private:
    void DrawCell(HDC dc, const SheetGrid& grid, int row, int column, const wchar_t* path, int lineHeight);
};

// Whether the layout leaves every cell at least one pixel on the printer's page.
bool SheetCellsFit(CPrintContactSheet& sheet);

// The dialog "PRINTCONTACTSHEETDLG"; the parameter is the CPrintContactSheet.
INT_PTR CALLBACK PrintContactSheetDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
