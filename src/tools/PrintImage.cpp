// Printer base class and image printing: pages are composed in memory as a
// 24-bit white image of the printable size and sent in one StretchDIBits.
#include "tools/PrintImage.h"

#include <commdlg.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "app/AppState.h"
#include "app/ImageSnapshot.h"
#include "app/MediaDocument.h"
#include "browser/BrowserServices.h"
#include "formats/Animation.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Registry.h"
#include "media/AnimationBar.h"

PrintSettings PrinterSettings;

namespace {

const wchar_t* KeyOr(const wchar_t* subKey) { return subKey ? subKey : QRV_REGISTRY_KEY; }

std::wstring Name(const wchar_t* prefix, const wchar_t* field) { return std::wstring(prefix) + field; }

// The printer's bitmap page is released on every path out of a job.
struct PrintFlagScope {
    PrintFlagScope() { AppState::PrintInProgress = true; }
    ~PrintFlagScope() { AppState::PrintInProgress = false; }
};

}  // namespace

namespace {

struct LongField {
    const wchar_t* name;
    LONG LOGFONTW::*field;
};
constexpr LongField kLongFields[] = {{L"Height", &LOGFONTW::lfHeight},
                                     {L"Width", &LOGFONTW::lfWidth},
                                     {L"Escapement", &LOGFONTW::lfEscapement},
                                     {L"Orientation", &LOGFONTW::lfOrientation},
                                     {L"Weight", &LOGFONTW::lfWeight}};
struct ByteField {
    const wchar_t* name;
    BYTE LOGFONTW::*field;
};
constexpr ByteField kByteFields[] = {{L"Italic", &LOGFONTW::lfItalic},
                                     {L"Underline", &LOGFONTW::lfUnderline},
                                     {L"StrikeOut", &LOGFONTW::lfStrikeOut},
                                     {L"CharSet", &LOGFONTW::lfCharSet},
                                     {L"OutPrecision", &LOGFONTW::lfOutPrecision},
                                     {L"ClipPrecision", &LOGFONTW::lfClipPrecision},
                                     {L"Quality", &LOGFONTW::lfQuality},
                                     {L"PitchAndFamily", &LOGFONTW::lfPitchAndFamily}};

}  // namespace

void WriteLogFont(HKEY root, const wchar_t* subKey, const wchar_t* prefix, const LOGFONTW& f) {
    CRegistry reg(root);
    const wchar_t* key = KeyOr(subKey);
    for (const LongField& v : kLongFields) reg.WriteDword(key, Name(prefix, v.name).c_str(), (uint32_t)(f.*v.field));
    for (const ByteField& v : kByteFields) reg.WriteDword(key, Name(prefix, v.name).c_str(), f.*v.field);
    reg.WriteString(key, Name(prefix, L"FaceName").c_str(), f.lfFaceName);
}

void ReadLogFont(HKEY root, const wchar_t* subKey, const wchar_t* prefix, LOGFONTW& f) {
    CRegistry reg(root);
    const wchar_t* key = KeyOr(subKey);
    for (const LongField& v : kLongFields) f.*v.field = (LONG)reg.ReadDword(key, Name(prefix, v.name).c_str(), 0);
    for (const ByteField& v : kByteFields) f.*v.field = (BYTE)reg.ReadDword(key, Name(prefix, v.name).c_str(), 0);
    wchar_t face[MAX_PATH] = {};
    reg.ReadString(key, Name(prefix, L"FaceName").c_str(), L"", face);
    CopyStringW(f.lfFaceName, face, LF_FACESIZE);
}

HFONT CreatePrintFont(LOGFONTW& font, bool menuFont, int defaultHeight) {
    if (!font.lfFaceName[0]) {
        NONCLIENTMETRICSW metrics = {};
        metrics.cbSize = sizeof(metrics);
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            font = menuFont ? metrics.lfMenuFont : metrics.lfStatusFont;
        font.lfHeight = defaultHeight;
    }
    return CreateFontIndirectW(&font);
}

void FormatFontName(wchar_t* out, size_t size, const LOGFONTW& font) {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    int points = dpi ? font.lfHeight * 72 / dpi : 0;
    if (points < 0) points = -points;
    swprintf(out, size, L"%ls - Pt:%d", font.lfFaceName, points);
}

bool PlaceImageOnPage(const PageLayout& layout, int W, int H, int Wp, int Hp, int Th, int Tf, RECT* out) {
    if (W <= 0 || H <= 0) return false;
    int x = 0, y = Th, w = 0, h = 0;
    switch (layout.style) {
    case PRINT_FIT_TO_PAGE: {
        const int A = Hp - Th - Tf;
        const float rx = (float)Wp / (float)W, ry = (float)A / (float)H;
        const float s = rx < ry ? rx : ry;
        w = (int)((float)W * s);
        h = (int)((float)H * s);
        if (layout.centerH) x = (Wp - w) >> 1;
        if (layout.centerV) y = Th + ((A - h) >> 1);
        break;
    }
    case PRINT_STRETCH_TO_PAGE:
        w = Wp;
        h = Hp - Th - Tf;
        break;
    case PRINT_SCALED:
        w = (int)((long long)W * layout.scaleX / 100);
        h = (int)((long long)H * layout.scaleY / 100);
        if (layout.centerH) x = (Wp - w) / 2;
        if (layout.centerV) y = Th + (Hp - h) / 2;
        break;
    case PRINT_SPECIFIED_SIZE: {
        if (!layout.specifiedWidth || !layout.specifiedHeight) return false;
        const double toInches = layout.unit == 0 ? 0.393700787402 : 1.0;
        w = (int)(layout.specifiedWidth * 0.01 * toInches * layout.dpiX);
        h = (int)(layout.specifiedHeight * 0.01 * toInches * layout.dpiY);
        if (layout.centerH) x = (Wp - w) / 2;
        if (layout.centerV) y = Th + (Hp - h) / 2;
        break;
    }
    default: return false;
    }
    if (w <= 0 || h <= 0) return false;
    *out = {x, y, x + w, y + h};
    return true;
}

void FormatFooterLine(wchar_t* out, size_t size, const PrintSettings& s, const wchar_t* path, int width, int height,
                      int bpp, const wchar_t* dateText, int page, int pageCount) {
    std::wstring line;
    wchar_t part[MAX_PATH + 64];
    if (s.writeFilename) {
        swprintf(part, MAX_PATH + 64, L" %ls ", path ? path : L"");
        line += part;
    }
    if (s.writeAttributes) {
        swprintf(part, MAX_PATH + 64, L" (%dx%dx%d) ", width, height, bpp);
        line += part;
    }
    if (s.writeDate) {
        swprintf(part, MAX_PATH + 64, L" (%ls) ", dateText ? dateText : L"");
        line += part;
    }
    if (pageCount > 1) {
        swprintf(part, MAX_PATH + 64, L" (%d/%d) ", page, pageCount);
        line += part;
    }
    CopyStringW(out, line.c_str(), size);
}

void FormatFileDate(wchar_t* out, const wchar_t* path) {
    out[0] = 0;
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    FILETIME written;
    if (GetFileTime(file, nullptr, nullptr, &written)) FormatFileTime(out, &written);
    CloseHandle(file);
}

// ---- CPrinter ----

CPrinter::~CPrinter() { CPrinter::DeletePrinterDC(); }

bool CPrinter::DrawImage(CImage& image, int x, int y, int width, int height) {
    if (!image.IsValid() || !printerDC) return false;
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = (LONG)image.GetWidth();
    header->biHeight = (LONG)image.GetHeight();
    header->biPlanes = 1;
    header->biBitCount = image.GetBpp();
    header->biCompression = BI_RGB;
    if (image.GetBpp() <= 8) {
        auto* colors = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
        for (int i = 0; i < (1 << image.GetBpp()); ++i)
            colors[i] = {image.palette[i][0], image.palette[i][1], image.palette[i][2], 0};
    }
    GdiFlush();
    return StretchDIBits(printerDC, x, y, width, height, 0, 0, (int)image.GetWidth(), (int)image.GetHeight(),
                         image.bits, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS,
                         SRCCOPY) != (int)GDI_ERROR;
}

HDC CPrinter::CreateLocalPrinterDC() {
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
    if (!needed) return nullptr;
    std::vector<uint8_t> buffer(needed);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, buffer.data(), needed, &needed, &count) || !count)
        return nullptr;
    const auto* printers = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
    return CreateDCW(nullptr, printers[0].pPrinterName, nullptr, nullptr);
}

bool CPrinter::SelectPrinter(HWND owner, bool firstLocal) {
    DeletePrinterDC();
    HDC dc = nullptr;
    if (firstLocal) {
        dc = CreateLocalPrinterDC();
    } else {
        PRINTDLGW pd = {};
        pd.lStructSize = sizeof(pd);
        pd.hwndOwner = owner;
        pd.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
        const BOOL chosen = PrintDlgW(&pd);
        if (pd.hDevMode) GlobalFree(pd.hDevMode);
        if (pd.hDevNames) GlobalFree(pd.hDevNames);
        if (!chosen) {
            if (pd.hDC) DeleteDC(pd.hDC);
            return false;
        }
        dc = pd.hDC;
    }
    if (!dc) {
        ShowMessage(L"Unable to retrieve Printercontext!");
        return false;
    }
    const int caps = GetDeviceCaps(dc, RASTERCAPS);
    if ((caps & (RC_BITBLT | RC_STRETCHDIB)) != (RC_BITBLT | RC_STRETCHDIB)) {
        DeleteDC(dc);
        ShowMessage(L"Sorry, this printer cannot output bitmaps!");
        return false;
    }
    printerDC = dc;
    return true;
}

bool CPrinter::DeletePrinterDC() {
    if (!printerDC) return true;
    const bool ok = DeleteDC(printerDC) != FALSE;
    printerDC = nullptr;
    return ok;
}

// ---- CPrintImage ----

CPrintImage::CPrintImage() = default;

CPrintImage::~CPrintImage() { DeleteFonts(); }

namespace {

struct PrinterValue {
    const wchar_t* name;
    int PrintSettings::*field;
};
constexpr PrinterValue kPrinterValues[] = {
    {L"PrinterStyle", &PrintSettings::style},
    {L"PrinterOrientation", &PrintSettings::orientation},
    {L"PrinterCenterImageH", &PrintSettings::centerH},
    {L"PrinterCenterImageV", &PrintSettings::centerV},
    {L"PrinteriScaleX", &PrintSettings::scaleX},
    {L"PrinteriScaleY", &PrintSettings::scaleY},
    {L"PrinterMultiPagePrintAllPages", &PrintSettings::allPages},
    {L"PrinterSpecifiedWidth", &PrintSettings::specifiedWidth},
    {L"PrinterSpecifiedHeight", &PrintSettings::specifiedHeight},
    {L"PrinterSpecifiedUnit", &PrintSettings::unit},
    {L"PrinterMaintainAspectRatio", &PrintSettings::maintainAspect},
    {L"PrinterWriteHeader", &PrintSettings::writeHeader},
    {L"PrinterWriteFooter", &PrintSettings::writeFooter},
    {L"PrinterWriteFilename", &PrintSettings::writeFilename},
    {L"PrinterWriteFileImageAttributes", &PrintSettings::writeAttributes},
    {L"PrinterWriteFiledate", &PrintSettings::writeDate},
    {L"PrinterFontSizeHeader", &PrintSettings::fontSizeHeader},
    {L"PrinterFontSizeFooter", &PrintSettings::fontSizeFooter},
};

}  // namespace

void CPrintImage::LoadSettings(HKEY root, const wchar_t* subKey) {
    CRegistry reg(root);
    const wchar_t* key = KeyOr(subKey);
    PrintSettings& s = PrinterSettings;
    const PrintSettings d;
    for (const PrinterValue& v : kPrinterValues) s.*v.field = (int)reg.ReadDword(key, v.name, (uint32_t)(d.*v.field));
    wchar_t text[MAX_PATH] = {};
    reg.ReadString(key, L"PrinterszHeader", L"", text);
    CopyStringW(s.header, text, MAX_PATH + 1);
    s.colorHeader = reg.ReadDword(key, L"PrinterFontColorHeader", d.colorHeader);
    s.colorFooter = reg.ReadDword(key, L"PrinterFontColorFooter", d.colorFooter);
    ReadLogFont(root, subKey, L"PrinterFontHeader", headerLogFont);
    ReadLogFont(root, subKey, L"PrinterFontFooter", footerLogFont);
}

void CPrintImage::SaveSettings(HKEY root, const wchar_t* subKey) {
    CRegistry reg(root);
    const wchar_t* key = KeyOr(subKey);
    const PrintSettings& s = PrinterSettings;
    for (const PrinterValue& v : kPrinterValues) reg.WriteDword(key, v.name, (uint32_t)(s.*v.field));
    reg.WriteString(key, L"PrinterszHeader", s.header);
    reg.WriteDword(key, L"PrinterFontColorHeader", s.colorHeader);
    reg.WriteDword(key, L"PrinterFontColorFooter", s.colorFooter);
    WriteLogFont(root, subKey, L"PrinterFontHeader", headerLogFont);
    WriteLogFont(root, subKey, L"PrinterFontFooter", footerLogFont);
}

void CPrintImage::CreateFonts() {
    DeleteFonts();
    headerFont = CreatePrintFont(headerLogFont, true, PrinterSettings.fontSizeHeader);
    footerFont = CreatePrintFont(footerLogFont, false, PrinterSettings.fontSizeFooter);
}

void CPrintImage::DeleteFonts() {
    if (headerFont) DeleteObject(headerFont);
    if (footerFont) DeleteObject(footerFont);
    headerFont = footerFont = nullptr;
}

void CPrintImage::PrintHeader(HDC dc, int pageWidth) {
    headerHeight = 0;
    if (!PrinterSettings.writeHeader) return;
    HGDIOBJ old = headerFont ? SelectObject(dc, headerFont) : nullptr;
    SetTextColor(dc, PrinterSettings.colorHeader);
    SetBkMode(dc, TRANSPARENT);
    const wchar_t* text = PrinterSettings.header;
    const int length = (int)wcslen(text);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text, length, &extent);
    TextOutW(dc, (pageWidth - extent.cx) / 2, 0, text, length);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    headerHeight = metrics.tmHeight + metrics.tmExternalLeading;
    if (old) SelectObject(dc, old);
}

void CPrintImage::PrintFooter(HDC dc, int pageWidth, int pageHeight, int page, int pageCount) {
    footerHeight = 0;
    if (!PrinterSettings.writeFooter) return;
    CImage& image = AppState::CurrentImage;
    wchar_t date[64] = {};
    if (PrinterSettings.writeDate) FormatFileDate(date, AppState::CurrentFile);
    wchar_t line[1024];
    FormatFooterLine(line, 1024, PrinterSettings, AppState::CurrentFile, (int)image.GetWidth(), (int)image.GetHeight(),
                     image.GetBpp(), date, page, pageCount);
    HGDIOBJ old = footerFont ? SelectObject(dc, footerFont) : nullptr;
    SetTextColor(dc, PrinterSettings.colorFooter);
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    footerHeight = metrics.tmHeight + metrics.tmExternalLeading;
    const int length = (int)wcslen(line);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, line, length, &extent);
    TextOutW(dc, (pageWidth - extent.cx) / 2, pageHeight - footerHeight, line, length);
    if (old) SelectObject(dc, old);
}

PageLayout CPrintImage::Layout(int dpiX, int dpiY) const {
    const PrintSettings& s = PrinterSettings;
    return PageLayout{s.style,        s.centerH != 0,  s.centerV != 0, scaleX, scaleY,
                      specifiedWidth, specifiedHeight, s.unit,         dpiX,   dpiY};
}

void CPrintImage::ComposePage(HDC dc, int pageWidth, int pageHeight, CImage& image, int page, int pageCount, int dpiX,
                              int dpiY) {
    SetStretchBltMode(dc, COLORONCOLOR);
    PrintHeader(dc, pageWidth);
    PrintFooter(dc, pageWidth, pageHeight, page, pageCount);
    if (!image.IsValid()) return;
    RECT r;
    if (PlaceImageOnPage(Layout(dpiX, dpiY), (int)image.GetWidth(), (int)image.GetHeight(), pageWidth, pageHeight,
                         headerHeight, footerHeight, &r))
        image.StretchTo(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, SRCCOPY);
}

bool CPrintImage::BuildPage(CImage& pageImage, int pageWidth, int pageHeight, CImage& image, int page, int pageCount,
                            int dpiX, int dpiY) {
    const bool landscape = PrinterSettings.orientation == 1;
    const int Wp = landscape ? pageHeight : pageWidth, Hp = landscape ? pageWidth : pageHeight;
    if (!pageImage.CreateEmpty(Wp, Hp, 24, RGB(255, 255, 255), nullptr)) return false;
    ComposePage(pageImage.memoryDC, Wp, Hp, image, page, pageCount, dpiX, dpiY);
    if (landscape && !pageImage.RotateRight90()) return false;
    return true;
}

bool CPrintImage::Print(HWND, bool printDirectly, bool showOptions) {
    PrintFlagScope printing;
    optionsCancelled = false;
    LoadSettings(settingsRoot, settingsKey);
    CreateFonts();
    scaleX = PrinterSettings.scaleX;
    scaleY = PrinterSettings.scaleY;
    specifiedWidth = PrinterSettings.specifiedWidth;
    specifiedHeight = PrinterSettings.specifiedHeight;
    auto fail = [this]() {
        DeletePrinterDC();
        DeleteFonts();
        return false;
    };
    if (!printDirectly) {
        // A picture composited over the viewer's background is decoded again,
        // now over white: the file being printed, not the folder's current entry.
        CImage& image = AppState::CurrentImage;
        const bool composited =
            image.hasTransparency || (image.IsValid() && image.GetBpp() == 32 && ChannelViewSnapshot.IsValid());
        if (AppState::DocumentKind == DOC_FILE && composited && AppState::CurrentFile[0]) {
            wchar_t path[MAX_PATH];
            CopyStringW(path, AppState::CurrentFile);
            OpenMediaFile(path);
        }
        if (showOptions) {
            const INT_PTR result = DialogBoxParamW(AppState::Instance, L"PRINTDLG", AppState::MainWindow,
                                                   PrintOptionsDlgProc, (LPARAM)this);
            if (result == -1) {
                optionsCancelled = true;
                return fail();
            }
            PrinterSettings.scaleX = scaleX;
            PrinterSettings.scaleY = scaleY;
            PrinterSettings.specifiedWidth = specifiedWidth;
            PrinterSettings.specifiedHeight = specifiedHeight;
        }
    }
    if (!printerDC) return fail();
    const int Wd = GetDeviceCaps(printerDC, HORZRES), Hd = GetDeviceCaps(printerDC, VERTRES);
    const int dpiX = GetDeviceCaps(printerDC, LOGPIXELSX), dpiY = GetDeviceCaps(printerDC, LOGPIXELSY);

    int pageCount = 1;
    bool multiPage = false;
    const int kind = AnimationBar.kind;
    if (PrinterSettings.allPages && AnimationBar.initialised &&
        (kind == ANIM_KIND_ANI || kind == ANIM_KIND_DCX || kind == ANIM_KIND_ICO || kind == ANIM_KIND_TIFF) &&
        AnimationBar.frameCount > 0) {
        if (AnimationBar.playing) AnimationBar.Stop();
        pageCount = AnimationBar.frameCount;
        multiPage = true;
    }

    wchar_t title[MAX_PATH + 32];
    swprintf(title, MAX_PATH + 32, L"Quorvane prints %ls", AppState::CurrentFile);
    DOCINFOW doc = {};
    doc.cbSize = sizeof(doc);
    doc.lpszDocName = title;
    if (StartDocW(printerDC, &doc) < 1) {
        ShowMessage(L"Failed to start the Printjob!");
        return fail();
    }
    // A page that cannot be made or started ends the whole job: a blank or
    // missing page must not pass for a printed one.
    auto abortJob = [&](const wchar_t* text) {
        AbortDoc(printerDC);
        SaveSettings(settingsRoot, settingsKey);
        ShowMessage(text);
        return fail();
    };
    for (int i = 0; i < pageCount; ++i) {
        CImage page;
        if (!BuildPage(page, Wd, Hd, AppState::CurrentImage, i + 1, pageCount, dpiX, dpiY))
            return abortJob(L"Not enough memory to compose the page!");
        if (StartPage(printerDC) <= 0) return abortJob(L"Failed at StartPage() !");
        SetStretchBltMode(printerDC, COLORONCOLOR);
        BitBlt(printerDC, 0, 0, Wd, Hd, nullptr, 0, 0, WHITENESS);
        DrawImage(page, 0, 0, Wd, Hd);
        EndPage(printerDC);
        if (multiPage && i + 1 < pageCount) {
            AnimationBar.NextFrame();
            AnimationBar.ShowCurrentFrame();
        }
    }
    const int ended = EndDoc(printerDC);
    SaveSettings(settingsRoot, settingsKey);
    DeleteFonts();
    if (ended < 1) {
        ShowMessage(L"Failed at EndDoc() !");
        return false;
    }
    return true;
}
