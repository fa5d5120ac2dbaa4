// Contact sheets: the layout rules, the print job and the layout miniature.
#include "tools/ContactSheet.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cstdio>
#include <initializer_list>
#include <cwchar>

#include "app/AlphaView.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Registry.h"
#include "image/Resample.h"
#include "tools/ListTool.h"
#include "tools/PrintPreview.h"
#include "tools_ids.h"

ContactSheetSettings SheetSettings;

int ContactSheetPageCount(int count, int columns, int rows, bool testPage) {
    const int cells = columns * rows;
    if (testPage || cells <= 0 || count <= cells) return 1;
    return (count + cells - 1) / cells;
}

SheetGrid ComputeSheetGrid(int pageWidth, int usableHeight, int columns, int rows, int spaceH, int spaceV,
                           int headerHeight, int captionHeight, int captionCount) {
    SheetGrid grid;
    grid.spaceH = spaceH;
    grid.rowGap = spaceV + captionHeight * captionCount;
    grid.top = spaceV + headerHeight;
    grid.cellWidth = columns > 0 ? (pageWidth - (columns + 1) * spaceH) / columns : 0;
    grid.cellHeight = rows > 0 ? (usableHeight - (rows + 1) * grid.rowGap) / rows : 0;
    return grid;
}

POINT SheetCellOrigin(const SheetGrid& grid, int row, int column) {
    return {grid.spaceH + column * (grid.cellWidth + grid.spaceH), grid.top + row * (grid.cellHeight + grid.rowGap)};
}

bool PlaceThumbnail(int x, int y, int Wc, int Hc, int W, int H, RECT* out) {
    if (W <= 0 || H <= 0 || Wc <= 2 || Hc <= 2) return false;
    const float sx = (float)(Wc - 2) / (float)W, sy = (float)(Hc - 2) / (float)H;
    const float s = sx < sy ? sx : sy;
    const int w = (int)((float)W * s), h = (int)((float)H * s);
    if (w <= 0 || h <= 0) return false;
    const int left = x + ((Wc - 2 - w) >> 1) + 1, top = y + ((Hc - 2 - h) >> 1) + 1;
    *out = {left, top, left + w, top + h};
    return true;
}

RECT CaptionSlot(int x, int y, int Wc, int Hc, int T, int slot) {
    const int top = y + Hc + (slot - 1) * T;
    return {x, top, x + Wc, top + T};
}

// ---- settings ----

CPrintContactSheet::~CPrintContactSheet() { DeleteFonts(); }

namespace {

struct SheetValue {
    const wchar_t* name;
    int ContactSheetSettings::*field;
};
constexpr SheetValue kSheetValues[] = {
    {L"PrintContactSheetOrientation", &ContactSheetSettings::orientation},
    {L"PrintContactSheetColumns", &ContactSheetSettings::columns},
    {L"PrintContactSheetRows", &ContactSheetSettings::rows},
    {L"PrintContactSheetSpaceH", &ContactSheetSettings::spaceH},
    {L"PrintContactSheetSpaceV", &ContactSheetSettings::spaceV},
    {L"PrintContactSheetWriteHeader", &ContactSheetSettings::writeHeader},
    {L"PrintContactSheetWriteFilename", &ContactSheetSettings::writeFilename},
    {L"PrintContactSheetWriteFileImageAttributes", &ContactSheetSettings::writeAttributes},
    {L"PrintContactSheetWriteFiledate", &ContactSheetSettings::writeDate},
    {L"PrintContactSheetFontSizeHeader", &ContactSheetSettings::fontSizeHeader},
    {L"PrintContactSheetFontSizeText", &ContactSheetSettings::fontSizeText},
    {L"PrintContactSheetTestPageOnly", &ContactSheetSettings::testPageOnly},
};

}  // namespace

void CPrintContactSheet::LoadSettings(HKEY root, const wchar_t* subKey) {
    CRegistry reg(root);
    const wchar_t* key = subKey ? subKey : QRV_REGISTRY_KEY;
    ContactSheetSettings& s = SheetSettings;
    const ContactSheetSettings d;
    for (const SheetValue& v : kSheetValues) s.*v.field = (int)reg.ReadDword(key, v.name, (uint32_t)(d.*v.field));
    wchar_t text[MAX_PATH] = {};
    reg.ReadString(key, L"PrintContactSheetszHeader", L"", text);
    CopyStringW(s.header, text, MAX_PATH + 1);
    s.colorHeader = reg.ReadDword(key, L"PrintContactSheetFontColorHeader", d.colorHeader);
    s.colorText = reg.ReadDword(key, L"PrintContactSheetFontColorText", d.colorText);
    if (s.columns < 1) s.columns = d.columns;
    if (s.rows < 1) s.rows = d.rows;
    ReadLogFont(root, subKey, L"PrintContactSheetFontHeader", headerLogFont);
    ReadLogFont(root, subKey, L"PrintContactSheetFontText", textLogFont);
}

void CPrintContactSheet::SaveSettings(HKEY root, const wchar_t* subKey) {
    CRegistry reg(root);
    const wchar_t* key = subKey ? subKey : QRV_REGISTRY_KEY;
    const ContactSheetSettings& s = SheetSettings;
    for (const SheetValue& v : kSheetValues) reg.WriteDword(key, v.name, (uint32_t)(s.*v.field));
    reg.WriteString(key, L"PrintContactSheetszHeader", s.header);
    reg.WriteDword(key, L"PrintContactSheetFontColorHeader", s.colorHeader);
    reg.WriteDword(key, L"PrintContactSheetFontColorText", s.colorText);
    WriteLogFont(root, subKey, L"PrintContactSheetFontHeader", headerLogFont);
    WriteLogFont(root, subKey, L"PrintContactSheetFontText", textLogFont);
}

void CPrintContactSheet::CreateFonts() {
    DeleteFonts();
    headerFont = CreatePrintFont(headerLogFont, true, SheetSettings.fontSizeHeader);
    textFont = CreatePrintFont(textLogFont, false, SheetSettings.fontSizeText);
}

void CPrintContactSheet::DeleteFonts() {
    if (headerFont) DeleteObject(headerFont);
    if (textFont) DeleteObject(textFont);
    headerFont = textFont = nullptr;
}

void CPrintContactSheet::ShowFontNames(HWND dialog) {
    wchar_t text[LF_FACESIZE + 32];
    FormatFontName(text, LF_FACESIZE + 32, headerLogFont);
    SetDlgItemTextW(dialog, IDC_SHEET_HEADER_FONT_NAME, text);
    FormatFontName(text, LF_FACESIZE + 32, textLogFont);
    SetDlgItemTextW(dialog, IDC_SHEET_TEXT_FONT_NAME, text);
}

void CPrintContactSheet::EnableControls(HWND dialog, bool enable) {
    EnableWindow(GetDlgItem(dialog, IDOK), enable);
    for (int id : {IDC_PRINT_PORTRAIT, IDC_PRINT_LANDSCAPE, IDC_SHEET_HEADER_FONT, IDC_SHEET_TEXT_FONT, IDC_LIST_FILES})
        EnableWindow(GetDlgItem(dialog, id), enable);
    for (int id = IDC_SHEET_WRITE_FILENAME; id <= IDC_SHEET_TEST_PAGE; ++id)
        EnableWindow(GetDlgItem(dialog, id), enable);
    for (int id = IDC_LIST_ADD; id <= IDC_LIST_REMOVE_ALL; ++id) EnableWindow(GetDlgItem(dialog, id), enable);
}

// ---- the job ----

namespace {

int CaptionCount() {
    const ContactSheetSettings& s = SheetSettings;
    return (s.writeFilename ? 1 : 0) + (s.writeAttributes ? 1 : 0) + (s.writeDate ? 1 : 0);
}

void DrawCaption(HDC dc, const RECT& slot, const wchar_t* text) {
    RECT r = slot;
    DrawTextW(dc, text, -1, &r, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

void CPrintContactSheet::DrawCell(HDC dc, const SheetGrid& grid, int row, int column, const wchar_t* path, int T) {
    const ContactSheetSettings& s = SheetSettings;
    const POINT at = SheetCellOrigin(grid, row, column);
    const int Wc = grid.cellWidth, Hc = grid.cellHeight;
    Rectangle(dc, at.x, at.y, at.x + Wc, at.y + Hc);
    CImage image;
    {
        LoadModeScope background(true, false);
        wchar_t error[FORMAT_ERROR_CHARS] = {};
        FormatId id = 0;
        if (!LoadMediaFile(image, path, error, &id)) image.Destroy();
    }
    if (image.IsValid() && image.GetBpp() == 32) BlendAlphaOverBackground(image, false);
    RECT place;
    if (image.IsValid() && PlaceThumbnail(at.x, at.y, Wc, Hc, (int)image.GetWidth(), (int)image.GetHeight(), &place))
        DrawImageScaled(image, dc, place.left, place.top, place.right - place.left, place.bottom - place.top, 0);
    if (!CaptionCount()) return;
    HGDIOBJ old = textFont ? SelectObject(dc, textFont) : nullptr;
    SetTextColor(dc, s.colorText);
    SetBkMode(dc, TRANSPARENT);
    if (s.writeFilename) DrawCaption(dc, CaptionSlot(at.x, at.y, Wc, Hc, T, 1), PathFindFileNameW(path));
    if (s.writeAttributes) {
        wchar_t text[96];
        swprintf(text, 96, L"%d x %d x %d Pixel", (int)image.GetWidth(), (int)image.GetHeight(), image.GetBpp());
        DrawCaption(dc, CaptionSlot(at.x, at.y, Wc, Hc, T, 2), text);
    }
    if (s.writeDate) {
        wchar_t date[64];
        FormatFileDate(date, path);
        DrawCaption(dc, CaptionSlot(at.x, at.y, Wc, Hc, T, 3), date);
    }
    if (old) SelectObject(dc, old);
}

bool CPrintContactSheet::PrintSheets(HWND dialog, const wchar_t* const* files, int n, wchar_t*) {
    const ContactSheetSettings& s = SheetSettings;
    stop = 0;
    idle = 0;
    HWND bar = dialog ? GetDlgItem(dialog, IDC_LIST_PROGRESS) : nullptr;
    if (dialog) {
        EnableControls(dialog, false);
        ShowWindow(bar, SW_SHOW);
        SendMessageW(bar, PBM_SETRANGE32, 0, n);
        SendMessageW(bar, PBM_SETSTEP, 1, 0);
        SendMessageW(bar, PBM_SETPOS, 0, 0);
    }
    if (!printerDC) {
        idle = 1;
        if (dialog) EnableControls(dialog, true);
        return false;
    }
    const int Wd = GetDeviceCaps(printerDC, HORZRES), Hd = GetDeviceCaps(printerDC, VERTRES);
    const int pages = ContactSheetPageCount(n, s.columns, s.rows, s.testPageOnly != 0);
    DOCINFOW doc = {};
    doc.cbSize = sizeof(doc);
    doc.lpszDocName = L"Quorvane Contact Sheet";
    if (StartDocW(printerDC, &doc) < 1) {
        ShowMessage(L"Failed to start the printjob!");
        DeletePrinterDC();
        idle = 1;
        if (dialog) EnableControls(dialog, true);
        return false;
    }
    const bool landscape = s.orientation == 1;
    const int Wp = landscape ? Hd : Wd, Hp = landscape ? Wd : Hd;
    int next = 0;
    for (int p = 1; p <= pages && !stop; ++p) {
        if (dialog) {
            wchar_t text[32];
            swprintf(text, 32, L"%d/%d", p, pages);
            SetDlgItemTextW(dialog, IDC_LIST_PROGRESS_TEXT, text);
        }
        // A page that cannot be made ends the job: a blank sheet would drop
        // the files meant for it without a word.
        CImage page;
        if (!page.CreateEmpty(Wp, Hp, 24, RGB(255, 255, 255), nullptr)) {
            AbortDoc(printerDC);
            ShowMessage(L"Not enough memory to compose the page!");
            DeletePrinterDC();
            idle = 1;
            if (dialog) EnableControls(dialog, true);
            return false;
        }
        HDC dc = page.memoryDC;
        SetStretchBltMode(dc, COLORONCOLOR);
        int headerHeight = 0;
        if (s.writeHeader) {
            HGDIOBJ old = headerFont ? SelectObject(dc, headerFont) : nullptr;
            SetTextColor(dc, s.colorHeader);
            SetBkMode(dc, TRANSPARENT);
            TEXTMETRICW metrics = {};
            GetTextMetricsW(dc, &metrics);
            headerHeight = metrics.tmHeight + metrics.tmExternalLeading;
            RECT band = {0, 0, Wp, Hp - headerHeight};
            DrawTextW(dc, s.header, -1, &band, DT_CENTER | DT_NOPREFIX);
            if (old) SelectObject(dc, old);
        }
        int T = 0;
        if (CaptionCount()) {
            HGDIOBJ old = textFont ? SelectObject(dc, textFont) : nullptr;
            TEXTMETRICW metrics = {};
            GetTextMetricsW(dc, &metrics);
            T = metrics.tmHeight + metrics.tmExternalLeading;
            if (old) SelectObject(dc, old);
        }
        const SheetGrid grid = ComputeSheetGrid(Wp, Hp - headerHeight, s.columns, s.rows, s.spaceH, s.spaceV,
                                                headerHeight, T, CaptionCount());
        for (int r = 0; r < s.rows && !stop; ++r) {
            for (int c = 0; c < s.columns && next < n; ++c) {
                DrawCell(dc, grid, r, c, files[next++], T);
                if (bar) SendMessageW(bar, PBM_STEPIT, 0, 0);
                DispatchOneWaitingMessage();  // Cancel works between cells
            }
            if (next >= n) stop = 1;
        }
        if (landscape) page.RotateRight90();
        if (StartPage(printerDC) > 0) {
            SetStretchBltMode(printerDC, COLORONCOLOR);
            BitBlt(printerDC, 0, 0, Wd, Hd, nullptr, 0, 0, WHITENESS);
            DrawImage(page, 0, 0, Wd, Hd);
            EndPage(printerDC);
        }
    }
    const int ended = EndDoc(printerDC);
    ListToolBeep();
    idle = 1;
    if (dialog) EnableControls(dialog, true);
    return ended > 0;
}

namespace {

int LineHeight(HDC dc, HFONT font) {
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    if (old) SelectObject(dc, old);
    return metrics.tmHeight + metrics.tmExternalLeading;
}

}  // namespace

bool SheetCellsFit(CPrintContactSheet& sheet) {
    const ContactSheetSettings& s = SheetSettings;
    if (s.columns < 1 || s.rows < 1) return false;
    const PreviewPage page = PrinterPageOf(sheet.printerDC, s.orientation == 1);
    HDC dc = CreateCompatibleDC(nullptr);
    const int header = s.writeHeader ? LineHeight(dc, sheet.headerFont) : 0;
    const int text = CaptionCount() ? LineHeight(dc, sheet.textFont) : 0;
    DeleteDC(dc);
    const SheetGrid grid = ComputeSheetGrid(page.width, page.height - header, s.columns, s.rows, s.spaceH, s.spaceV,
                                            header, text, CaptionCount());
    return grid.cellWidth >= 1 && grid.cellHeight >= 1;
}

void CPrintContactSheet::DrawLayoutPreview(HWND dialog) {
    const ContactSheetSettings& s = SheetSettings;
    const bool landscape = s.orientation == 1;
    const int width = landscape ? 310 : 210, height = landscape ? 210 : 310;
    CImage mini;
    if (!mini.CreateEmpty(width, height, 24, RGB(255, 255, 255), nullptr)) return;
    HDC dc = mini.memoryDC;
    SetStretchBltMode(dc, COLORONCOLOR);
    int band = 0;
    if (s.writeHeader) {
        band = 15;
        DrawPreviewHeader(dc, s.header, s.colorHeader, width, height);
    }
    const int captions = CaptionCount();
    const SheetGrid grid =
        ComputeSheetGrid(width, height - band, s.columns, s.rows, s.spaceH / 10, s.spaceV / 10, band, 2, captions);
    HPEN pen = CreatePen(PS_SOLID, 1, s.colorText);
    for (int r = 0; r < s.rows; ++r) {
        for (int c = 0; c < s.columns; ++c) {
            const POINT at = SheetCellOrigin(grid, r, c);
            Rectangle(dc, at.x, at.y, at.x + grid.cellWidth, at.y + grid.cellHeight);
            Ellipse(dc, at.x, at.y, at.x + grid.cellWidth, at.y + grid.cellHeight);
            HGDIOBJ old = SelectObject(dc, pen);
            const int bottom = at.y + grid.cellHeight;
            const int offsets[3] = {s.writeFilename ? 2 : 0, s.writeAttributes ? 4 : 0, s.writeDate ? 6 : 0};
            for (int offset : offsets) {
                if (!offset) continue;
                MoveToEx(dc, at.x, bottom + offset, nullptr);
                LineTo(dc, at.x + grid.cellWidth, bottom + offset);
            }
            SelectObject(dc, old);
        }
    }
    DeleteObject(pen);
    ShowPreviewPicture(dialog, mini, landscape);
}
