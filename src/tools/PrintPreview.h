// The miniatures of the print dialogs: the printer's page measures, and the
// picture controls (portrait 1061, landscape 1062) that show a miniature.
#pragma once
#include <windows.h>

class CImage;

struct PreviewPage {
    int width, height;  // printable area in pixels, swapped in landscape
    int dpiX, dpiY;
};
// The printer's page (an A4 page at 300 dpi when there is no printer).
PreviewPage PrinterPageOf(HDC printerDC, bool landscape);
// Clears both pictures, then shows a copy of the miniature in the picture of
// the orientation.
void ShowPreviewPicture(HWND dialog, CImage& miniature, bool landscape);
// Clears both pictures and frees what they showed.
void ClearPreviewPictures(HWND dialog);

// The font dialog of the print dialogs (screen fonts, effects, the colour):
// on OK the description, colour and stored height are replaced and the font
// made anew in handle. False when cancelled (nothing changes).
bool ChoosePrintFont(HWND owner, LOGFONTW& font, COLORREF& color, HFONT& handle, int& height);
// The header band of a miniature: the text centred in (0, 0, width, height - 15).
void DrawPreviewHeader(HDC dc, const wchar_t* text, COLORREF color, int width, int height);
