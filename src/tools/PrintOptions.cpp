// The print options dialog: style, orientation, centring, scale or physical
// size with coupled sides, pages, header and footer, and a miniature of the
// page redrawn after every change.
#include <windows.h>

#include <commdlg.h>

#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <cwchar>

#include "app/AppState.h"
#include "app/Language.h"
#include "app/Modes.h"
#include "browser/BrowserServices.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Resample.h"
#include "tools/PrintImage.h"
#include "tools/PrintPreview.h"
#include "tools_ids.h"

namespace {

CPrintImage* g_options = nullptr;
bool g_ready = false;

constexpr wchar_t kSection[] = L"Dlg_Print";
constexpr wchar_t kStyles[] = L"Fit Image into Page|Stretch Image into Page|Scaled Image Size|Specified Image Size";
constexpr wchar_t kUnits[] = L"Centimeters|Inches";

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void Check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }
void Show(HWND dialog, int id, bool on) { ShowWindow(GetDlgItem(dialog, id), on ? SW_SHOW : SW_HIDE); }
void Enable(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on); }

void EnableHeaderControls(HWND dialog, bool on) {
    Enable(dialog, IDC_PRINT_HEADER_TEXT, on);
    Enable(dialog, IDC_PRINT_HEADER_FONT, on);
}
void EnableFooterControls(HWND dialog, bool on) {
    for (int id = IDC_PRINT_WRITE_FILENAME; id <= IDC_PRINT_FOOTER_FONT; ++id) Enable(dialog, id, on);
}
void EnableStyleControls(HWND dialog, int style) {
    Enable(dialog, IDC_PRINT_CENTER_H, style != PRINT_STRETCH_TO_PAGE);
    Enable(dialog, IDC_PRINT_CENTER_V, style != PRINT_STRETCH_TO_PAGE);
    Enable(dialog, IDC_PRINT_UNIT, style == PRINT_SPECIFIED_SIZE);
}

// The other side of the coupled pair after an edit of id. The percentages stay
// equal; the physical sizes follow the image's proportions. Without an image
// the partner is left alone.
void CoupleSizes(HWND dialog, CPrintImage& job, int id) {
    const CImage& image = AppState::CurrentImage;
    const int W = (int)image.GetWidth(), H = (int)image.GetHeight();
    switch (id) {
    case IDC_PRINT_SCALE_X:
        job.scaleY = job.scaleX;
        SetDlgItemInt(dialog, IDC_PRINT_SCALE_Y, (UINT)job.scaleY, TRUE);
        break;
    case IDC_PRINT_SCALE_Y:
        job.scaleX = job.scaleY;
        SetDlgItemInt(dialog, IDC_PRINT_SCALE_X, (UINT)job.scaleX, TRUE);
        break;
    case IDC_PRINT_WIDTH:
        if (W <= 0 || H <= 0) return;
        job.specifiedHeight = (int)((double)job.specifiedWidth / W * H);
        job.ShowSpecifiedHeight(dialog);
        break;
    case IDC_PRINT_HEIGHT:
        if (W <= 0 || H <= 0) return;
        job.specifiedWidth = (int)((double)job.specifiedHeight / H * W);
        job.ShowSpecifiedWidth(dialog);
        break;
    }
}

void ChooseFont(HWND dialog, CPrintImage& job, bool header) {
    PrintSettings& s = PrinterSettings;
    const bool chosen =
        header ? ChoosePrintFont(dialog, job.headerLogFont, s.colorHeader, job.headerFont, s.fontSizeHeader)
               : ChoosePrintFont(dialog, job.footerLogFont, s.colorFooter, job.footerFont, s.fontSizeFooter);
    if (chosen) job.ShowFontNames(dialog);
}

void ReadAll(HWND dialog, CPrintImage& job) {
    PrintSettings& s = PrinterSettings;
    const LRESULT style = SendDlgItemMessageW(dialog, IDC_PRINT_STYLE, CB_GETCURSEL, 0, 0);
    if (style >= 0) s.style = (int)style;
    s.centerH = Checked(dialog, IDC_PRINT_CENTER_H);
    s.centerV = Checked(dialog, IDC_PRINT_CENTER_V);
    s.maintainAspect = Checked(dialog, IDC_PRINT_ASPECT);
    job.ReadSizeFields(dialog);
    s.allPages = Checked(dialog, IDC_PRINT_ALL_PAGES);
    const LRESULT unit = SendDlgItemMessageW(dialog, IDC_PRINT_UNIT, CB_GETCURSEL, 0, 0);
    if (unit >= 0) s.unit = (int)unit;
    s.orientation = Checked(dialog, IDC_PRINT_LANDSCAPE) ? 1 : 0;
    s.writeHeader = Checked(dialog, IDC_PRINT_WRITE_HEADER);
    GetDlgItemTextW(dialog, IDC_PRINT_HEADER_TEXT, s.header, MAX_PATH + 1);
    s.writeFooter = Checked(dialog, IDC_PRINT_WRITE_FOOTER);
    s.writeFilename = Checked(dialog, IDC_PRINT_WRITE_FILENAME);
    s.writeAttributes = Checked(dialog, IDC_PRINT_WRITE_ATTRIBUTES);
    s.writeDate = Checked(dialog, IDC_PRINT_WRITE_DATE);
}

void OnButton(HWND dialog, int id) {
    PrintSettings& s = PrinterSettings;
    switch (id) {
    case IDC_PRINT_PORTRAIT: s.orientation = 0; break;
    case IDC_PRINT_LANDSCAPE: s.orientation = 1; break;
    case IDC_PRINT_CENTER_H: s.centerH = Checked(dialog, id); break;
    case IDC_PRINT_CENTER_V: s.centerV = Checked(dialog, id); break;
    case IDC_PRINT_ASPECT: s.maintainAspect = Checked(dialog, id); break;
    case IDC_PRINT_ALL_PAGES: s.allPages = Checked(dialog, id); break;
    case IDC_PRINT_WRITE_HEADER:
        s.writeHeader = Checked(dialog, id);
        EnableHeaderControls(dialog, s.writeHeader != 0);
        break;
    case IDC_PRINT_WRITE_FOOTER:
        s.writeFooter = Checked(dialog, id);
        EnableFooterControls(dialog, s.writeFooter != 0);
        break;
    case IDC_PRINT_WRITE_FILENAME: s.writeFilename = Checked(dialog, id); break;
    case IDC_PRINT_WRITE_ATTRIBUTES: s.writeAttributes = Checked(dialog, id); break;
    case IDC_PRINT_WRITE_DATE: s.writeDate = Checked(dialog, id); break;
    default: break;
    }
}

void InitDialog(HWND dialog, CPrintImage& job) {
    const PrintSettings& s = PrinterSettings;
    HWND owner = IsWindowVisible(AppState::MainWindow) ? AppState::MainWindow : GetDesktopWindow();
    CenterWindow(dialog, owner);
    LangApplyPrint(dialog);
    LangFillComboBox(GetDlgItem(dialog, IDC_PRINT_STYLE), kSection, L"StyleCBX", s.style, kStyles);
    EnableStyleControls(dialog, s.style);
    job.WriteSizeFields(dialog);
    Check(dialog, IDC_PRINT_CENTER_H, s.centerH != 0);
    Check(dialog, IDC_PRINT_CENTER_V, s.centerV != 0);
    Check(dialog, IDC_PRINT_PORTRAIT, s.orientation == 0);
    Check(dialog, IDC_PRINT_LANDSCAPE, s.orientation == 1);
    Check(dialog, IDC_PRINT_ALL_PAGES, s.allPages != 0);
    Check(dialog, IDC_PRINT_ASPECT, s.maintainAspect != 0);
    LangFillComboBox(GetDlgItem(dialog, IDC_PRINT_UNIT), kSection, L"UnitCBX", s.unit, kUnits);
    Check(dialog, IDC_PRINT_WRITE_HEADER, s.writeHeader != 0);
    SendDlgItemMessageW(dialog, IDC_PRINT_HEADER_TEXT, EM_LIMITTEXT, MAX_PATH, 0);
    SetDlgItemTextW(dialog, IDC_PRINT_HEADER_TEXT, s.header);
    EnableHeaderControls(dialog, s.writeHeader != 0);
    Check(dialog, IDC_PRINT_WRITE_FOOTER, s.writeFooter != 0);
    Check(dialog, IDC_PRINT_WRITE_FILENAME, s.writeFilename != 0);
    Check(dialog, IDC_PRINT_WRITE_ATTRIBUTES, s.writeAttributes != 0);
    Check(dialog, IDC_PRINT_WRITE_DATE, s.writeDate != 0);
    EnableFooterControls(dialog, s.writeFooter != 0);
    job.ShowFontNames(dialog);
}

}  // namespace

int ParseHundredths(const wchar_t* text) {
    wchar_t* end = nullptr;
    const double value = wcstod(text, &end);
    if (end == text || !std::isfinite(value)) return 0;
    const double hundredths = std::round(value * 100.0);
    if (hundredths > 2147483647.0 || hundredths < -2147483648.0) return 0;
    return (int)hundredths;
}

void ShowPrintStyleControls(HWND dialog, int style) {
    const bool scaled = style == PRINT_SCALED, sized = style == PRINT_SPECIFIED_SIZE;
    for (int id : {IDC_PRINT_SCALE_X, IDC_PRINT_SCALE_Y, IDC_PRINT_PERCENT_X, IDC_PRINT_PERCENT_Y})
        Show(dialog, id, scaled);
    for (int id : {IDC_PRINT_WIDTH, IDC_PRINT_HEIGHT, IDC_PRINT_UNIT, IDC_PRINT_UNIT_LABEL}) Show(dialog, id, sized);
    for (int id : {IDC_PRINT_WIDTH_LABEL, IDC_PRINT_HEIGHT_LABEL, IDC_PRINT_ASPECT}) Show(dialog, id, scaled || sized);
    Show(dialog, IDC_PRINT_CENTER_H, style != PRINT_STRETCH_TO_PAGE);
    Show(dialog, IDC_PRINT_CENTER_V, style != PRINT_STRETCH_TO_PAGE);
}

void CPrintImage::ShowSpecifiedWidth(HWND dialog) {
    wchar_t text[64];
    swprintf(text, 64, L"%#.4g", specifiedWidth * 0.01);
    SetDlgItemTextW(dialog, IDC_PRINT_WIDTH, text);
}

void CPrintImage::ShowSpecifiedHeight(HWND dialog) {
    wchar_t text[64];
    swprintf(text, 64, L"%#.4g", specifiedHeight * 0.01);
    SetDlgItemTextW(dialog, IDC_PRINT_HEIGHT, text);
}

void CPrintImage::WriteSizeFields(HWND dialog) {
    const int style = PrinterSettings.style;
    ShowPrintStyleControls(dialog, style);
    if (style == PRINT_SCALED) {
        SetDlgItemInt(dialog, IDC_PRINT_SCALE_X, (UINT)scaleX, TRUE);
        SetDlgItemInt(dialog, IDC_PRINT_SCALE_Y, (UINT)scaleY, TRUE);
    } else if (style == PRINT_SPECIFIED_SIZE) {
        ShowSpecifiedWidth(dialog);
        ShowSpecifiedHeight(dialog);
    }
}

void CPrintImage::ReadSizeFields(HWND dialog) {
    const int style = PrinterSettings.style;
    ShowPrintStyleControls(dialog, style);
    if (style == PRINT_SCALED) {
        scaleX = (int)GetDlgItemInt(dialog, IDC_PRINT_SCALE_X, nullptr, TRUE);
        scaleY = (int)GetDlgItemInt(dialog, IDC_PRINT_SCALE_Y, nullptr, TRUE);
    } else if (style == PRINT_SPECIFIED_SIZE) {
        wchar_t text[350];
        GetDlgItemTextW(dialog, IDC_PRINT_WIDTH, text, 350);
        specifiedWidth = ParseHundredths(text);
        GetDlgItemTextW(dialog, IDC_PRINT_HEIGHT, text, 350);
        specifiedHeight = ParseHundredths(text);
    }
}

void CPrintImage::ShowFontNames(HWND dialog) {
    wchar_t text[LF_FACESIZE + 32];
    FormatFontName(text, LF_FACESIZE + 32, headerLogFont);
    SetDlgItemTextW(dialog, IDC_PRINT_HEADER_FONT_NAME, text);
    FormatFontName(text, LF_FACESIZE + 32, footerLogFont);
    SetDlgItemTextW(dialog, IDC_PRINT_FOOTER_FONT_NAME, text);
}

void CPrintImage::DrawPagePreview(HWND dialog) {
    const PrintSettings& s = PrinterSettings;
    const bool landscape = s.orientation == 1;
    const int b = landscape ? 310 : 210, c = landscape ? 210 : 310;
    CImage mini;
    if (!mini.CreateEmpty(b, c, 24, RGB(255, 255, 255), nullptr)) return;
    HDC dc = mini.memoryDC;
    PreviewPage page = PrinterPageOf(printerDC, landscape);
    const int q = s.writeHeader ? 15 : 0;
    if (s.writeHeader) DrawPreviewHeader(dc, s.header, s.colorHeader, b, c);
    const int f = c - q;
    SetStretchBltMode(dc, COLORONCOLOR);
    CImage& image = AppState::CurrentImage;
    const int W = (int)image.GetWidth(), H = (int)image.GetHeight();
    if (W > 0 && H > 0) {
        const double m =
            (double)b / page.width < (double)f / page.height ? (double)b / page.width : (double)f / page.height;
        int x = 0, y = q, w = 0, h = 0;
        bool draw = true;
        switch (s.style) {
        case PRINT_FIT_TO_PAGE: {
            RECT box;
            FitImageToBox(FIT_WHOLE, false, &box, b, f - q, W, H);
            w = box.right - box.left;
            h = box.bottom - box.top;
            if (s.centerH) x = box.left;
            if (s.centerV) y = q + box.top;
            break;
        }
        case PRINT_STRETCH_TO_PAGE:
            image.StretchTo(dc, 0, q, b, c - q, SRCCOPY);
            draw = false;
            break;
        case PRINT_SCALED:
            w = (int)((int)(W * m) * scaleX * 0.01);
            h = (int)((int)(H * m) * scaleY * 0.01);
            if (s.centerH) x = (b - w) / 2;
            if (s.centerV) y = q + (f - h) / 2;
            break;
        case PRINT_SPECIFIED_SIZE: {
            draw = specifiedWidth != 0 && specifiedHeight != 0;
            const int resX = (int)(page.dpiX * m), resY = (int)(page.dpiY * m);
            const double toInches = s.unit == 0 ? 0.393700787402 : 1.0;
            w = (int)(specifiedWidth * 0.01 * toInches * resX);
            h = (int)(specifiedHeight * 0.01 * toInches * resY);
            if (s.centerH) x = (b - w) / 2;
            if (s.centerV) y = q + (f - h) / 2;
            break;
        }
        default: draw = false; break;
        }
        if (draw && w > 0 && h > 0) DrawImageScaled(image, dc, x, y, w, h, 0);
    }
    if (s.writeFooter) {
        HPEN pen = CreatePen(PS_SOLID, 1, s.colorFooter);
        HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, b / 4, c - 2, nullptr);
        LineTo(dc, b / 4 + b / 2, c - 2);
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    ShowPreviewPicture(dialog, mini, landscape);
}

INT_PTR CALLBACK PrintOptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        g_ready = false;
        g_options = reinterpret_cast<CPrintImage*>(lParam);
        if (!g_options) {
            ShowMessage(L"Failed to get pointer to CPrintImage Class!");
            EndDialog(dialog, -1);
            return TRUE;
        }
        InitDialog(dialog, *g_options);
        g_ready = true;
        g_options->DrawPagePreview(dialog);
        return TRUE;
    case WM_DESTROY:
        ClearPreviewPictures(dialog);
        g_options = nullptr;
        g_ready = false;
        return FALSE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam), code = HIWORD(wParam);
        if (id == IDCANCEL) {
            EndDialog(dialog, -1);
            return TRUE;
        }
        if (!g_ready || !g_options) return FALSE;
        CPrintImage& job = *g_options;
        if (id == IDOK) {
            ReadAll(dialog, job);
            EndDialog(dialog, 1);
            return TRUE;
        }
        if (id == IDC_PRINT_HEADER_FONT || id == IDC_PRINT_FOOTER_FONT) {
            if (code == BN_CLICKED) {
                ChooseFont(dialog, job, id == IDC_PRINT_HEADER_FONT);
                job.DrawPagePreview(dialog);
            }
            return TRUE;
        }
        if (id == IDC_PRINT_STYLE && code == CBN_SELCHANGE) {
            g_ready = false;
            job.ReadSizeFields(dialog);  // the old style's typed values survive the switch
            const LRESULT style = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
            if (style >= 0) PrinterSettings.style = (int)style;
            EnableStyleControls(dialog, PrinterSettings.style);
            job.WriteSizeFields(dialog);
            job.DrawPagePreview(dialog);
            g_ready = true;
            return TRUE;
        }
        if (id == IDC_PRINT_UNIT && code == CBN_SELCHANGE) {
            const LRESULT unit = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
            if (unit >= 0) PrinterSettings.unit = (int)unit;
            job.DrawPagePreview(dialog);
            return TRUE;
        }
        if (code == EN_CHANGE) {
            if (id == IDC_PRINT_SCALE_X || id == IDC_PRINT_SCALE_Y || id == IDC_PRINT_WIDTH || id == IDC_PRINT_HEIGHT) {
                job.ReadSizeFields(dialog);
                if (PrinterSettings.maintainAspect) {
                    g_ready = false;
                    CoupleSizes(dialog, job, id);
                    g_ready = true;
                }
                job.DrawPagePreview(dialog);
            } else if (id == IDC_PRINT_HEADER_TEXT) {
                GetDlgItemTextW(dialog, id, PrinterSettings.header, MAX_PATH + 1);
                job.DrawPagePreview(dialog);
            }
            return TRUE;
        }
        if (code == BN_CLICKED) {
            OnButton(dialog, id);
            job.DrawPagePreview(dialog);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}
