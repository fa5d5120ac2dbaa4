// The print dialogs' miniatures (see the header).
#include "tools/PrintPreview.h"

#include <commdlg.h>

#include <initializer_list>

#include "image/Image.h"
#include "tools_ids.h"

PreviewPage PrinterPageOf(HDC printerDC, bool landscape) {
    PreviewPage page = {2480, 3508, 300, 300};
    if (printerDC) {
        page.width = GetDeviceCaps(printerDC, HORZRES);
        page.height = GetDeviceCaps(printerDC, VERTRES);
        page.dpiX = GetDeviceCaps(printerDC, LOGPIXELSX);
        page.dpiY = GetDeviceCaps(printerDC, LOGPIXELSY);
    }
    if (page.width <= 0 || page.height <= 0) page = {2480, 3508, 300, 300};
    if (landscape) {
        const int width = page.width;
        page.width = page.height;
        page.height = width;
    }
    return page;
}

void ClearPreviewPictures(HWND dialog) {
    for (int id : {IDC_PRINT_PREVIEW_PORTRAIT, IDC_PRINT_PREVIEW_LANDSCAPE}) {
        HANDLE old = (HANDLE)SendDlgItemMessageW(dialog, id, STM_SETIMAGE, IMAGE_BITMAP, 0);
        if (old) DeleteObject(old);
    }
}

void ShowPreviewPicture(HWND dialog, CImage& miniature, bool landscape) {
    ClearPreviewPictures(dialog);
    GdiFlush();
    // The control keeps a copy of its own: the miniature is freed by its owner.
    HBITMAP copy = (HBITMAP)CopyImage(miniature.bitmap, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!copy) return;
    const int id = landscape ? IDC_PRINT_PREVIEW_LANDSCAPE : IDC_PRINT_PREVIEW_PORTRAIT;
    HANDLE old = (HANDLE)SendDlgItemMessageW(dialog, id, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)copy);
    if (old && old != copy) DeleteObject(old);
}

bool ChoosePrintFont(HWND owner, LOGFONTW& font, COLORREF& color, HFONT& handle, int& height) {
    LOGFONTW chosen = font;
    CHOOSEFONTW choose = {};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = owner;
    choose.lpLogFont = &chosen;
    choose.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS | CF_FORCEFONTEXIST;
    choose.rgbColors = color;
    if (!ChooseFontW(&choose)) return false;
    font = chosen;
    color = choose.rgbColors;
    height = chosen.lfHeight;
    if (handle) DeleteObject(handle);
    handle = CreateFontIndirectW(&font);
    return true;
}

void DrawPreviewHeader(HDC dc, const wchar_t* text, COLORREF color, int width, int height) {
    SetTextColor(dc, color);
    SetBkMode(dc, TRANSPARENT);
    RECT band = {0, 0, width, height - 15};
    DrawTextW(dc, text, -1, &band, DT_CENTER | DT_NOPREFIX);
}
