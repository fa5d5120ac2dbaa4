#include "app/AboutBox.h"

#include <cwchar>

#include "app/AppState.h"
#include "app/Guarded.h"
#include "app/Language.h"
#include "app/ShellLaunch.h"
#include "app_about_ids.h"
#include "formats/ErrorPicture.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/ProgramSite.h"

namespace {

// Made on first use, kept for the program's lifetime; filled while the box is open.
CImage& AboutPicture() {
    static CImage picture;
    return picture;
}
HBRUSH g_whiteBrush = nullptr;
HMODULE g_pictureModule = nullptr;

// The dialog's own area in pixels that the picture's white background covers.
constexpr int kAboutWidth = 700, kAboutHeight = 400;

constexpr wchar_t kLegalNoticeGerman[] =
    L"Dieses Programm wird ohne jede Gew\u00e4hrleistung bereitgestellt. Die Nutzung erfolgt auf eigene Gefahr; "
    L"f\u00fcr Sch\u00e4den an Daten, Ger\u00e4ten oder Dateien, die aus der Nutzung entstehen, wird keine Haftung "
    L"\u00fcbernommen. Das Programm darf unver\u00e4ndert und kostenlos weitergegeben werden; ein Verkauf oder eine "
    L"Weitergabe in ver\u00e4nderter Form bedarf der schriftlichen Zustimmung des Autors.";
constexpr wchar_t kLegalNoticeEnglish[] =
    L"This program is provided as is, without warranty of any kind. You use it at your own risk; no liability is "
    L"accepted for any damage to data, devices or files that results from its use. The program may be passed on "
    L"unchanged and free of charge; selling it or passing it on in changed form requires the author's written "
    L"consent.";
constexpr wchar_t kAcknowledgements[] =
    L"\r\n\r\nThis program uses the following libraries, with thanks to their authors:\r\n"
    L"zlib - general purpose compression library, (C) Jean-loup Gailly and Mark Adler.\r\n"
    L"libjpeg-turbo - JPEG codec, (C) the libjpeg-turbo Project and D. R. Commander. "
    L"This software is based in part on the work of the Independent JPEG Group.\r\n"
    L"libpng - PNG reference library, (C) the PNG Reference Library Authors, Glenn Randers-Pehrson, "
    L"Andreas Dilger and Guy Eric Schalnat.\r\n"
    L"libtiff - TIFF library, (C) Sam Leffler and Silicon Graphics, Inc.\r\n"
    L"libmng - MNG library, (C) Gerard Juyn.\r\n"
    L"OpenJPEG - JPEG 2000 codec, (C) Universite catholique de Louvain (UCL), Belgium, and the OpenJPEG "
    L"contributors.";

// The notice and the acknowledgements as one text, built once per language.
const wchar_t* InformationText(bool german) {
    static wchar_t texts[2][sizeof(kLegalNoticeEnglish) / sizeof(wchar_t) +
                            sizeof(kLegalNoticeGerman) / sizeof(wchar_t) + sizeof(kAcknowledgements) / sizeof(wchar_t)];
    wchar_t* text = texts[german ? 1 : 0];
    if (!text[0]) {
        const size_t size = sizeof(texts[0]) / sizeof(wchar_t);
        swprintf(text, size, L"%ls%ls", german ? kLegalNoticeGerman : kLegalNoticeEnglish, kAcknowledgements);
    }
    return text;
}

// With "always on top" the main window leaves the topmost band first, so that
// the browser or mail program opened comes up in front of it.
void LeaveTopmostBand() {
    if (AppState::GeneralAlwaysOnTop && AppState::MainWindow)
        SetWindowPos(AppState::MainWindow, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void CloseAbout(HWND dialog, INT_PTR result) {
    AboutPicture().Destroy();
    if (g_whiteBrush) DeleteObject(g_whiteBrush);
    g_whiteBrush = nullptr;
    EndDialog(dialog, result);
}

void InitAbout(HWND dialog) {
    LangApplyDialog(dialog, L"Dlg_About");
    CenterWindow(dialog, GetParent(dialog) ? GetParent(dialog) : AppState::MainWindow);
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    if (!LoadImageFromResource(AboutPicture(), L"IDR_IMAGE_ABOUT", L"IMAGE", error, g_pictureModule))
        ShowMessage(MessageOwner{dialog}, L"Failed: LoadMediaFromResource(): %ls", error);
    if (!g_whiteBrush) g_whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
    SetWindowTextW(dialog, QRV_MESSAGE_CAPTION);
    wchar_t line[128];
    FormatAboutVersionLine(line, 128, L"" __DATE__, L"" __TIME__);
    SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, line);
    SetDlgItemTextW(dialog, IDC_ABOUT_INFO, AboutInformationText(AppState::GeneralLanguageFile));
    SetFocus(GetDlgItem(dialog, IDOK));
}

void EraseAbout(HWND dialog, HDC dc) {
    RECT area = {0, 0, kAboutWidth, kAboutHeight};
    RECT client;
    GetClientRect(dialog, &client);
    UnionRect(&area, &area, &client);
    FillRect(dc, &area, (HBRUSH)GetStockObject(WHITE_BRUSH));
    const CImage& picture = AboutPicture();
    if (picture.IsValid()) picture.BitBltTo(dc, 0, 0, SRCCOPY);
}

INT_PTR HandleAbout(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: InitAbout(dialog); return FALSE;  // the focus is set
    case WM_ERASEBKGND:
        EraseAbout(dialog, (HDC)wParam);
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
        SetTextColor((HDC)wParam, RGB(0, 0, 0));
        SetBkColor((HDC)wParam, RGB(255, 255, 255));
        return (INT_PTR)(g_whiteBrush ? g_whiteBrush : GetStockObject(WHITE_BRUSH));
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ABOUT_HOMEPAGE:
            LeaveTopmostBand();
            LaunchShell(dialog, L"open", kProgramSite, nullptr, nullptr, SW_SHOWMAXIMIZED);
            CloseAbout(dialog, IDOK);
            return TRUE;
        case IDC_ABOUT_MAIL: {
            LeaveTopmostBand();
            wchar_t link[256];
            if (AboutMailLink(link, 256)) LaunchShell(dialog, L"open", link, nullptr, nullptr, SW_SHOWMAXIMIZED);
            CloseAbout(dialog, IDOK);
            return TRUE;
        }
        case IDOK:
        case IDCANCEL: CloseAbout(dialog, LOWORD(wParam)); return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}  // namespace

void SetAboutPictureModule(HMODULE module) { g_pictureModule = module; }

void FormatAboutVersionLine(wchar_t* out, size_t size, const wchar_t* date, const wchar_t* time) {
    swprintf(out, size, L"%ls - Built on %ls, %ls", QRV_MESSAGE_CAPTION, date, time);
}

const wchar_t* AboutInformationText(const wchar_t* languageFile) {
    return InformationText(languageFile && wcsstr(languageFile, L"German.ini"));
}

bool AboutMailLink(wchar_t* out, size_t size) {
    const int written =
        swprintf(out, size, L"mailto:%ls?subject=Feedback: %ls", L"" QRV_SUPPORT_ADDRESS, QRV_MESSAGE_CAPTION);
    return written > 0 && (size_t)written < size;
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedWindowCall(FALSE, [&] { return HandleAbout(dialog, message, wParam, lParam); });
}
