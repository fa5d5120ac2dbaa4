// The settings sheet: a modal property sheet of nine pages over the main
// window, each page showing its settings when first shown and writing them
// back into the in-memory settings on OK. Colour choices and view-style
// clicks take effect at once, also when the sheet is cancelled.
#pragma once
#include <windows.h>

#include <cstddef>

// The pages in tab order; the sheet opens on one of them.
enum SettingsPage : int {
    SETTINGS_PAGE_GENERAL = 0,
    SETTINGS_PAGE_VIEWER = 1,
    SETTINGS_PAGE_BROWSER = 2,
    SETTINGS_PAGE_TOOLBAR = 3,
    SETTINGS_PAGE_MEDIA = 4,
    SETTINGS_PAGE_VIEWSTYLE = 5,
    SETTINGS_PAGE_ASSOCIATIONS = 6,
    SETTINGS_PAGE_SKIN = 7,
    SETTINGS_PAGE_PRESENTATION = 8,
    SETTINGS_PAGE_COUNT = 9
};

// Runs the sheet modally on the main window, opened on startPage.
// "Failed to create Settingsdialog!" when the sheet cannot be made.
void ShowSettingsSheet(int startPage);

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ViewerPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK BrowserPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ToolbarPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MediaPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ViewStylePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SkinPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PresentationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
// The Associations page (FileAssocsPage.cpp).
INT_PTR CALLBACK FileAssocsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Paints a 60 x 20 swatch of the colour into the page's static control and
// deletes the bitmap the control held before. "no hwnd" when the control is
// missing (then false).
bool SetColorSwatch(HWND page, int control, COLORREF color);

// The previews of a skin on the Skin page: its tool bar, image tool bar,
// browser, menu and player strips, its name, author and button sizes. Each
// picture replaces (and frees) the one the control showed.
void ShowSkinPreview(const wchar_t* skinName, HWND page);

// ---- the Browser page's thumbnail cell ----

inline constexpr int kThumbnailPreviewWidth = 224;
inline constexpr int kThumbnailPreviewHeight = 168;

// The ranges the page offers (and OK keeps the typed numbers in).
inline constexpr int kThumbnailMinWidth = 64, kThumbnailMaxWidth = 224;
inline constexpr int kThumbnailMinHeight = 64, kThumbnailMaxHeight = 168;
inline constexpr int kThumbnailMinBorder = 0, kThumbnailMaxBorder = 16;

struct ThumbnailCellSize {
    int width, height, border;
};
// Each number brought into its range.
ThumbnailCellSize ClampThumbnailCell(ThumbnailCellSize size);

// Where the preview draws: the cell centred in the 224 x 168 picture (offsets
// not below 0) and the picture's place inside it, inset by the border. Right
// and bottom are exclusive.
struct ThumbnailPreviewLayout {
    RECT cell;
    RECT inner;
};
ThumbnailPreviewLayout ComputeThumbnailPreview(ThumbnailCellSize size);

// Draws the cell of the working size into the Browser page's preview control;
// the control's previous picture is deleted.
void DrawThumbnailCellPreview(HWND page, ThumbnailCellSize size);

// ---- values between controls and settings ----

// The cache compression setting (1 = JPEG 80, 2 = JPEG 50) and the row the
// combo box shows for it.
int CompressionComboRow(int setting);
int CompressionSetting(int row);

// The tool bar's five separators follow the buttons around them: 3 when more
// than one of Open, Reload, Browse is used; 6 when both Previous and Next; 13
// when more than one of Exit to Redo; 17 when more than one zoom button; 20
// when File operations or Slideshow is used.
void DeriveToolBarSeparators(int (&used)[23]);

// The gamma of a trackbar position (tenths) as the page shows it: "1.00" for 10.
void FormatGammaText(wchar_t* out, size_t size, int position);

// The label setting of the three label buttons (none, right, below): 0, 2, 1.
int ToolBarLabelsSetting(bool none, bool right, bool below);
