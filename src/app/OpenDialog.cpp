// File > Open: the common open dialog with its panel of favourite folders and
// the preview of the selected file; OK opens the file through OpenMediaFile.
#include "app/OpenDialog.h"

#include <commdlg.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdarg>
#include <cwchar>
#include <string>

#include "app/AppState.h"
#include "app/Guarded.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/SaveAsDialog.h"
#include "app_filedialogs_ids.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/PixelOps.h"
#include "image/Resample.h"

const wchar_t* PreviewColorsText(int bpp) {
    switch (bpp) {
    case 1: return L"2";
    case 4: return L"16";
    case 8: return L"256";
    case 16: return L"65K";
    default: return bpp >= 24 ? L"16,7M" : L"";
    }
}

void FormatPreviewMemorySize(wchar_t* out, size_t size, double bytes) {
    if (bytes < 10.0 * 1024.0) swprintf(out, size, L"%2.2f KB", bytes / 1024.0);
    else swprintf(out, size, L"%2.2f MB", bytes / 1048576.0);
}

namespace {

constexpr OpenFilterRow GroupRow(const wchar_t* label, const wchar_t* patterns) {
    return {label, FMT_UNKNOWN, patterns};
}
constexpr OpenFilterRow FormatRow(FormatId id, const wchar_t* patterns = nullptr) { return {nullptr, id, patterns}; }
// A format's row under a label of its own.
constexpr OpenFilterRow NamedRow(const wchar_t* label, FormatId id, const wchar_t* patterns) {
    return {label, id, patterns};
}

// The groups first, then the image formats in alphabetical order.
constexpr OpenFilterRow kOpenFilters[OPEN_FILTER_COUNT] = {
    GroupRow(L"Common Files",
             L"*.mng;*.gif;*.iff;*.dds;*.jpg;*.png;*.tga;*.tif;*.bmp;*.pcx;*.psd;*.mp3;*.wma;*.avi;*.mpg;*.mpeg;"
             L"*.wmv;*.wav"),
    GroupRow(L"Video Files", L"*.avi;*.asf;*.wmv;*.mpg;*.mpeg;*.mpe;*.mov;*.divx"),
    GroupRow(L"Audio Files", L"*.wav;*.au;*.aif;*.snd;*.mid;*.rmi;*.wma;*.mp3;*.mp2;*.mp1;*.ogg"),
    GroupRow(L"Music Files", L"*.mp3;*.wma;*.ogg"),
    GroupRow(L"Windows Media Files", L"*.wma;*.wmv;*.wm;*.asf;*.asx;*.wmx"),
    GroupRow(L"Apple QuickTime Files", L"*.mov;*.qt"),
    GroupRow(L"Video CD Files", L"*.dat"),
    GroupRow(L"QRV SlideShow/PlayList Files", L"*.qrvlist;*.m3u"),
    GroupRow(L"All Files", L"*.*"),
    FormatRow(FMT_BMP),
    FormatRow(FMT_CAM),
    FormatRow(FMT_CLP),
    FormatRow(FMT_CRW),
    // Still cursors (".cur") are icon files.
    NamedRow(L"CUR - Windows (Animated) Cursor", FMT_ANI, L"*.cur;*.ani"),
    FormatRow(FMT_CUT),
    FormatRow(FMT_DCX),
    FormatRow(FMT_DDS),
    FormatRow(FMT_WMF),
    FormatRow(FMT_EPS),
    FormatRow(FMT_EXR),
    FormatRow(FMT_IMAGE11, L"*.flt;*.msk;*.img;*.raw;*.lng"),
    FormatRow(FMT_FPX),
    // ".img" is FLT's extension; a GEM file of that name is known by its header.
    FormatRow(FMT_GEM, L"*.img;*.gem"),
    FormatRow(FMT_GIF),
    FormatRow(FMT_HRZ),
    FormatRow(FMT_ICO, L"*.ico"),
    FormatRow(FMT_IFF),
    FormatRow(FMT_JBG),
    FormatRow(FMT_JB2),
    NamedRow(L"JNG - JPEG Network Graphics", FMT_MNG, L"*.jng"),
    FormatRow(FMT_JPEG),
    FormatRow(FMT_JP2),
    FormatRow(FMT_JPP),
    FormatRow(FMT_LVP),
    FormatRow(FMT_MAC),
    FormatRow(FMT_MNG, L"*.mng"),
    FormatRow(FMT_MSP),
    NamedRow(L"PBM - Portable Bitmap", FMT_PNM, L"*.pbm"),
    FormatRow(FMT_PCD),
    FormatRow(FMT_PICT),
    FormatRow(FMT_PCX),
    NamedRow(L"PGM - Portable Graymap", FMT_PNM, L"*.pgm"),
    FormatRow(FMT_PIC),
    FormatRow(FMT_PIX, L"*.pix"),
    FormatRow(FMT_PNG),
    NamedRow(L"PPM - Portable Pixmap", FMT_PNM, L"*.ppm"),
    FormatRow(FMT_PPP),
    FormatRow(FMT_PSD),
    FormatRow(FMT_PSP),
    FormatRow(FMT_RAS),
    FormatRow(FMT_SGI, L"*.bw;*.rgba;*.sgi;*.rgb"),
    FormatRow(FMT_TGA),
    FormatRow(FMT_TIFF),
    FormatRow(FMT_WBMP),
    FormatRow(FMT_XBM),
    FormatRow(FMT_ZBR),
};

// The panel's state; the dialog runs on the user-interface thread, one at a time.
thread_local bool g_openSelectionSeen = false;
thread_local HBITMAP g_openPreviewBitmap = nullptr;

const int kOpenValueFields[6] = {IDC_OPEN_WIDTH,    IDC_OPEN_HEIGHT,     IDC_OPEN_COLORS,
                                 IDC_OPEN_FILESIZE, IDC_OPEN_MEMORYSIZE, IDC_OPEN_FORMAT};

bool MakeEmptyPreviewPicture(CImage& picture) {
    return picture.CreateEmpty(OPEN_PREVIEW_WIDTH, OPEN_PREVIEW_HEIGHT, 24, GetSysColor(COLOR_BTNFACE), nullptr);
}

// Shows a copy of picture in the preview box (the image's own bitmap stays
// selected into its memory DC, so the box gets a bitmap of its own).
void ShowPreviewPicture(HWND panel, CImage& picture) {
    HWND box = GetDlgItem(panel, IDC_OPEN_PREVIEW);
    if (!box || !picture.IsValid()) return;
    BITMAPINFO info = DirectBitmapInfo((LONG)picture.GetWidth(), (LONG)picture.GetHeight(), 24);
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!copy) return;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, copy);
    BitBlt(dc, 0, 0, (int)picture.GetWidth(), (int)picture.GetHeight(), picture.memoryDC, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
    SendMessageW(box, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(copy));
    // The box sizes itself to the bitmap as a whole window, so its sunken edge
    // leaves a client area two pixels short each way, and the bitmap is
    // stretched into that (two rows and two columns dropped). Its client area
    // gets the picture's size instead.
    RECT outer, client;
    if (GetWindowRect(box, &outer) && GetClientRect(box, &client)) {
        const int width = (int)picture.GetWidth() + (outer.right - outer.left) - client.right;
        const int height = (int)picture.GetHeight() + (outer.bottom - outer.top) - client.bottom;
        SetWindowPos(box, nullptr, 0, 0, width, height, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOZORDER);
    }
    if (g_openPreviewBitmap) DeleteObject(g_openPreviewBitmap);
    g_openPreviewBitmap = copy;
}

void ClearPreview(HWND panel) {
    CImage picture;
    if (MakeEmptyPreviewPicture(picture)) ShowPreviewPicture(panel, picture);
    else ShowMessage(MessageOwner{GetParent(panel)}, L"No PreviewImage object?");
    for (int id : kOpenValueFields) SetDlgItemTextW(panel, id, L"");
}

void UpdatePreview(HWND panel, const wchar_t* path) {
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    if (!path || !path[0] || !CanOpenForRead(path, error)) {
        ClearPreview(panel);
        return;
    }
    CImage picture;
    OpenPreviewTexts texts;
    if (!MakeOpenPreview(path, picture, texts)) {
        ShowMessage(MessageOwner{GetParent(panel)}, L"No PreviewImage object?");
        for (int id : kOpenValueFields) SetDlgItemTextW(panel, id, L"");
        return;
    }
    ShowPreviewPicture(panel, picture);
    const wchar_t* values[6] = {texts.width,    texts.height,     texts.colors,
                                texts.fileSize, texts.memorySize, texts.format};
    for (int i = 0; i < 6; ++i) SetDlgItemTextW(panel, kOpenValueFields[i], values[i]);
}

void FillFavourites(HWND panel) {
    HWND combo = GetDlgItem(panel, IDC_OPEN_FAVOURITES);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    int count = AppState::RecentFolderCount;
    if (count < 0) count = 0;
    if (count > RECENT_FOLDER_CAPACITY) count = RECENT_FOLDER_CAPACITY;
    for (int i = 0; i < count; ++i)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(AppState::RecentFolders[i]));
}

void OnFavouriteChosen(HWND panel) {
    const int index = (int)SendDlgItemMessageW(panel, IDC_OPEN_FAVOURITES, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= AppState::RecentFolderCount || index >= RECENT_FOLDER_CAPACITY) return;
    CopyStringW(AppState::LastOpenDir, AppState::RecentFolders[index]);
    // The dialog ends as cancelled; the main window opens it again in that folder
    // once this one is gone (both posted, in this order).
    PostMessageW(GetParent(panel), WM_COMMAND, IDCANCEL, 0);
    if (AppState::MainWindow) PostMessageW(AppState::MainWindow, WM_APP_REOPEN_OPEN_DIALOG, (WPARAM)index, 0);
}

void OnFolderChange(HWND panel) {
    wchar_t folder[MAX_PATH] = {};
    const LRESULT length =
        SendMessageW(GetParent(panel), CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    if (length <= 0 || length > MAX_PATH) return;
    folder[MAX_PATH - 1] = 0;
    // CB_FINDSTRINGEXACT compares without regard to case.
    const LRESULT found = SendDlgItemMessageW(panel, IDC_OPEN_FAVOURITES, CB_FINDSTRINGEXACT, (WPARAM)-1,
                                              reinterpret_cast<LPARAM>(folder));
    if (found != CB_ERR) SendDlgItemMessageW(panel, IDC_OPEN_FAVOURITES, CB_SETCURSEL, (WPARAM)found, 0);
}

void OnSelectionChange(HWND panel) {
    // The dialog selects something by itself as it opens: that one shows nothing.
    if (!g_openSelectionSeen) {
        g_openSelectionSeen = true;
        return;
    }
    wchar_t path[MAX_PATH] = {};
    const LRESULT length = SendMessageW(GetParent(panel), CDM_GETFILEPATH, MAX_PATH, reinterpret_cast<LPARAM>(path));
    if (length <= 0 || length > MAX_PATH) path[0] = 0;
    path[MAX_PATH - 1] = 0;
    UpdatePreview(panel, path);
}

}  // namespace

std::span<const OpenFilterRow> OpenFilterRows() { return kOpenFilters; }

std::wstring OpenFilterLabel(const OpenFilterRow& row) {
    if (row.label) return row.label;
    return FormatDescriptions[row.id >= 0 && row.id < FMT_COUNT ? row.id : 0];
}

std::wstring OpenFilterPatterns(const OpenFilterRow& row) {
    if (row.patterns) return row.patterns;
    const wchar_t* extensions = GetFormatEntry(row.id).extensions;
    if (!extensions) return L"";
    std::wstring list = L"*.";
    for (const wchar_t* p = extensions; *p; ++p) {
        if (*p == L' ') list += L";*.";
        else list += *p;
    }
    return list;
}

const wchar_t* OpenDialogFilter() {
    static const std::wstring filter = [] {
        std::wstring list;
        for (const OpenFilterRow& row : kOpenFilters) {
            const std::wstring patterns = OpenFilterPatterns(row);
            list += OpenFilterLabel(row);
            // A format's label ends in its patterns.
            if (row.id != FMT_UNKNOWN) list += L" (" + patterns + L")";
            list += L'\0';
            list += patterns;
            list += L'\0';
        }
        list += L'\0';
        return list;
    }();
    return filter.c_str();
}

RECT FitIntoPreviewBox(int boxWidth, int boxHeight, int width, int height) {
    RECT r = {0, 0, 0, 0};
    if (boxWidth <= 0 || boxHeight <= 0 || width <= 0 || height <= 0) return r;
    double scale = std::min((double)boxWidth / width, (double)boxHeight / height);
    if (scale > 1.0) scale = 1.0;
    int w = (int)(width * scale + 0.5), h = (int)(height * scale + 0.5);
    w = std::max(1, std::min(w, boxWidth));
    h = std::max(1, std::min(h, boxHeight));
    r.left = (boxWidth - w) / 2;
    r.top = (boxHeight - h) / 2;
    r.right = r.left + w;
    r.bottom = r.top + h;
    return r;
}

bool MakeOpenPreview(const wchar_t* path, CImage& picture, OpenPreviewTexts& texts) {
    texts = OpenPreviewTexts{};
    if (!MakeEmptyPreviewPicture(picture)) return false;
    if (!path || !path[0]) return true;

    CImage image;
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    FormatId id = 0;
    bool loaded;
    {
        HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        LoadModeScope scope(false, true);
        AppState::FullImageWidth = 0;
        AppState::FullImageHeight = 0;
        loaded = LoadMediaFile(image, path, error, &id) && image.IsValid();
        SetCursor(previous);
    }
    if (!loaded) return true;

    const RECT fit =
        FitIntoPreviewBox(OPEN_PREVIEW_WIDTH, OPEN_PREVIEW_HEIGHT, (int)image.GetWidth(), (int)image.GetHeight());
    DrawImageScaled(image, picture.memoryDC, fit.left, fit.top, fit.right - fit.left, fit.bottom - fit.top, 0);
    GdiFlush();

    // JPEG and FlashPix previews may be reduced decodes: their readers give the full size.
    const bool reduced =
        (id == FMT_JPEG || id == FMT_FPX) && AppState::FullImageWidth > 0 && AppState::FullImageHeight > 0;
    const int width = reduced ? AppState::FullImageWidth : (int)image.GetWidth();
    const int height = reduced ? AppState::FullImageHeight : (int)image.GetHeight();
    const int bpp = image.GetBpp();
    const double memory = reduced ? (double)width * height * (bpp / 8) : (double)image.GetHeight() * image.stride;

    swprintf(texts.width, 32, L"%d", width);
    swprintf(texts.height, 32, L"%d", height);
    CopyStringW(texts.colors, PreviewColorsText(bpp), 16);
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (GetFileAttributesExW(path, GetFileExInfoStandard, &attributes)) {
        const double length = (double)attributes.nFileSizeHigh * 4294967296.0 + attributes.nFileSizeLow;
        FormatByteSize(texts.fileSize, (float)length);
    }
    FormatPreviewMemorySize(texts.memorySize, 32, memory);
    CopyStringW(texts.format, FormatDescriptions[id >= 0 && id < FMT_COUNT ? id : 0], 128);
    texts.ok = true;
    return true;
}

UINT_PTR CALLBACK OpenDialogHookProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedWindowCall(0, [&]() -> UINT_PTR {
        switch (message) {
        case WM_INITDIALOG:
            if (AppState::MainWindow) CenterWindow(GetParent(panel), AppState::MainWindow);
            g_openSelectionSeen = false;
            if (GetSaveServices().langApply) GetSaveServices().langApply(panel, L"Dlg_OpenAsAdd");
            if (!Browser.IsShown()) Browser.LoadRecentFolders();
            FillFavourites(panel);
            ClearPreview(panel);
            return FALSE;  // the focus stays with the dialog's name box, not the Favourites box
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_OPEN_FAVOURITES && HIWORD(wParam) == CBN_SELCHANGE) OnFavouriteChosen(panel);
            return 0;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!header) return 0;
            if (header->code == CDN_FOLDERCHANGE) OnFolderChange(panel);
            else if (header->code == CDN_SELCHANGE) OnSelectionChange(panel);
            return 0;
        }
        case WM_DESTROY:
            SendDlgItemMessageW(panel, IDC_OPEN_PREVIEW, STM_SETIMAGE, IMAGE_BITMAP, 0);
            if (g_openPreviewBitmap) DeleteObject(g_openPreviewBitmap);
            g_openPreviewBitmap = nullptr;
            return 0;
        default: return 0;
        }
    });
}

void ShowOpenFileDialog(HWND owner) {
    wchar_t file[MAX_PATH] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.hInstance = AppState::Instance ? AppState::Instance : GetModuleHandleW(nullptr);
    ofn.lpstrFilter = OpenDialogFilter();
    ofn.nFilterIndex = (DWORD)std::max(1, std::min(AppState::LastOpenFilter, (int)OPEN_FILTER_COUNT));
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = AppState::LastOpenDir;
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_ENABLETEMPLATE | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
    ofn.lpfnHook = OpenDialogHookProc;
    ofn.lpTemplateName = L"OPENDLGADD";
    if (!GetOpenFileNameW(&ofn)) return;

    AppState::LastOpenFilter = (int)ofn.nFilterIndex;
    // The chosen file's folder becomes the current one (whether or not the
    // dialog changed the current directory itself).
    wchar_t folder[MAX_PATH] = {};
    if (ofn.nFileOffset > 0 && ofn.nFileOffset < MAX_PATH) {
        wmemcpy(folder, file, ofn.nFileOffset);
        folder[ofn.nFileOffset] = 0;
        const size_t n = wcslen(folder);
        if (n > 3 && (folder[n - 1] == L'\\' || folder[n - 1] == L'/')) folder[n - 1] = 0;
        SetCurrentDirectoryW(folder);
    }
    GetCurrentDirectoryW(MAX_PATH, AppState::CurrentFolder);
    CopyStringW(AppState::LastOpenDir, AppState::CurrentFolder);
    // Closing first would throw a modified image away unasked: ask here.
    PromptSaveModified();
    CloseCurrentMedia();
    // The browser pane does not list a folder yet: a shown one follows the
    // folder, a hidden one stays hidden (the viewer keeps its layout), and the
    // open builds the list that Previous/Next step through.
    if (Browser.IsShown()) Browser.ChangeFolder(AppState::CurrentFolder, BROWSER_OPEN_GIVEN_PATH, false);
    BuildFileList(PathFindFileNameW(file), AppState::CurrentFolder);
    OpenMediaFile(file);
}
