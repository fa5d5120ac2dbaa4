#include "browser/FileListView.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "app/AppState.h"
#include "app/Language.h"
#include "app/MainWindowIds.h"
#include "app/OpenWith.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/BrowserServices.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/ThumbnailDB.h"
#include "browser/ThumbnailLoader.h"
#include "browser_ids.h"
#include "command_ids.h"
#include "image/Common.h"

namespace {

WNDPROC g_previousListProc = nullptr;
RECT g_progressClient = {};

const wchar_t* ExtensionOf(const wchar_t* name) {
    const wchar_t* dot = name ? wcsrchr(name, L'.') : nullptr;
    return dot ? dot + 1 : L"";
}

bool ExtensionIn(const wchar_t* ext, std::initializer_list<const wchar_t*> list) {
    for (const wchar_t* e : list)
        if (_wcsicmp(ext, e) == 0) return true;
    return false;
}

int ListStyle() { return AppState::BrowserListStyle == 1 ? 1 : 0; }

int SelectedCount(HWND list) { return list ? (int)SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) : 0; }

LRESULT CALLBACK FileListWndProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace

// ---- arithmetic ----

int ThumbnailPlaceholderFor(const wchar_t* name) {
    const wchar_t* ext = ExtensionOf(name);
    if (ExtensionIn(ext, {L"avi", L"mov", L"mpg", L"mpeg", L"wmv", L"asf", L"mpe", L"m1v", L"mp2v", L"mpv2", L"ivf",
                          L"qt", L"wvx", L"divx", L"m2v", L"mpv", L"div"}))
        return kPlaceholderVideo;
    if (ExtensionIn(ext, {L"wav", L"mid", L"mp1", L"mp2", L"aif", L"mp3", L"rmi", L"snd", L"wma", L"wm", L"au", L"aiff",
                          L"aifc", L"midi", L"wax", L"ogg"}))
        return kPlaceholderSound;
    return kPlaceholderImage;
}

const wchar_t* ReportIconFor(const wchar_t* name) {
    struct Row {
        const wchar_t* icon;
        std::initializer_list<const wchar_t*> extensions;
    };
    static const Row rows[] = {
        {L"bmp.ico", {L"bmp", L"dib", L"rle"}},
        {L"dds.ico", {L"dds"}},
        {L"tga.ico", {L"tga"}},
        {L"gif.ico", {L"gif"}},
        {L"iff.ico", {L"iff", L"lbm"}},
        {L"jpg.ico", {L"jpg", L"jpeg", L"jif", L"jfif", L"jpe", L"jp2", L"j2c"}},
        {L"emf.ico", {L"emf", L"wmf"}},
        {L"mng.ico", {L"mng", L"jng"}},
        {L"ras.ico", {L"ras", L"sun"}},
        {L"sgi.ico", {L"sgi", L"bw", L"rgb", L"rgba"}},
        {L"pcd.ico", {L"pcd"}},
        {L"pcx.ico", {L"pcx", L"dcx"}},
        {L"png.ico", {L"png"}},
        {L"pnm.ico", {L"pbm", L"ppm", L"pnm"}},
        {L"ppp.ico", {L"ppp"}},
        {L"psd.ico", {L"psd"}},
        {L"psp.ico", {L"psp", L"pspimage", L"pspframe", L"psptube", L"pspshape", L"pspmask"}},
        {L"tif.ico", {L"tif", L"tiff"}},
        {L"Video.ico",
         {L"avi", L"mov", L"mpg", L"mpeg", L"wmv", L"asf", L"mpe", L"m1v", L"mp2v", L"mpv2", L"m2v", L"mpv", L"ivf",
          L"wvx", L"qt", L"divx", L"div"}},
        {L"mp3.ico", {L"mp3"}},
        {L"Sound.ico",
         {L"mp1", L"mp2", L"wav", L"mid", L"aif", L"au", L"snd", L"rmi", L"wma", L"wm", L"aiff", L"aifc", L"midi",
          L"wax", L"ogg", L"mpa"}},
    };
    const wchar_t* ext = ExtensionOf(name);
    for (const Row& row : rows)
        if (ExtensionIn(ext, row.extensions)) return row.icon;
    return L"Image.ico";
}

std::wstring ProgramIconsFolder() {
    wchar_t folder[MAX_PATH] = {};
    if (!GetProgramFolder(folder, MAX_PATH)) return L"Icons";
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + L"Icons";
}

POINT NextGridPosition(POINT placed, int cellWidth, int cellHeight, int availableWidth) {
    POINT next = {placed.x + cellWidth + 8, placed.y};
    if (availableWidth < cellWidth + next.x) {
        next.x = 4;
        next.y += cellHeight + 24;
    }
    return next;
}

std::wstring CutCaption(const wchar_t* name, int cellWidth, const std::function<int(const std::wstring&)>& measure) {
    std::wstring whole = name ? name : L"";
    const int limit = cellWidth - 12;
    if (measure(whole) <= limit) return whole;
    std::wstring built;
    for (wchar_t c : whole) {
        if (measure(built) >= limit) break;
        built += c;
    }
    if (!built.empty()) built.pop_back();
    return built + L"...";
}

RECT ListProgress::ProgressBarRect(const RECT& client, int leftPaneWidth) {
    RECT r;
    r.left = leftPaneWidth + 8;
    r.top = client.bottom - 17;
    r.right = r.left + std::max(0, (int)(client.right - leftPaneWidth - 32));
    r.bottom = r.top + 10;
    return r;
}

void FormatSizeMB(wchar_t* out, uint64_t size) {
    if (!out) return;
    double mb = (double)size / 1048576.0;
    if (mb < 0.01) mb = 0.01;
    swprintf(out, 32, L"%3.2f MB", mb);
}

// ---- drawing services ----

HBITMAP MakeCenteredBitmap(int cellWidth, int cellHeight, int bitmapWidth, int bitmapHeight, int resourceId) {
    HINSTANCE module = AppState::Instance ? AppState::Instance : GetModuleHandleW(nullptr);
    HBITMAP art = (HBITMAP)LoadImageW(module, MAKEINTRESOURCEW(resourceId), IMAGE_BITMAP, bitmapWidth, bitmapHeight,
                                      LR_CREATEDIBSECTION);
    if (!art) return nullptr;
    ReplaceBitmapColor(art, RGB(192, 192, 192), GetSysColor(COLOR_WINDOW));
    HDC screen = GetDC(nullptr);
    HDC cellDc = CreateCompatibleDC(screen);
    HDC artDc = CreateCompatibleDC(screen);
    HBITMAP cell = CreateCompatibleBitmap(screen, cellWidth, cellHeight);
    if (cell) {
        HGDIOBJ oldCell = SelectObject(cellDc, cell);
        HGDIOBJ oldArt = SelectObject(artDc, art);
        RECT all = {0, 0, cellWidth, cellHeight};
        FillRect(cellDc, &all, GetSysColorBrush(COLOR_WINDOW));
        BitBlt(cellDc, (cellWidth - bitmapWidth) / 2, (cellHeight - bitmapHeight) / 2, bitmapWidth, bitmapHeight, artDc,
               0, 0, SRCCOPY);
        SelectObject(artDc, oldArt);
        SelectObject(cellDc, oldCell);
    }
    DeleteDC(artDc);
    DeleteDC(cellDc);
    ReleaseDC(nullptr, screen);
    DeleteObject(art);
    return cell;
}

HWND ListProgress::CreateProgressBar(int range) {
    HWND owner = AppState::MainWindow;
    if (!owner) return nullptr;
    GetClientRect(owner, &g_progressClient);
    const RECT r = ProgressBarRect(g_progressClient, AppState::BrowserThumbWindowWidth);
    HWND bar =
        CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | PBS_SMOOTH,
                        r.left, r.top, r.right - r.left, r.bottom - r.top, owner, nullptr, AppState::Instance, nullptr);
    if (!bar) return nullptr;
    SendMessageW(bar, PBM_SETRANGE32, 0, range);
    SendMessageW(bar, PBM_SETSTEP, 1, 0);
    return bar;
}

void ListProgress::StepProgressBar(HWND bar) {
    if (!bar) return;
    RECT client = {};
    HWND owner = GetParent(bar);
    if (owner && GetClientRect(owner, &client) && !EqualRect(&client, &g_progressClient)) {
        g_progressClient = client;
        const RECT r = ProgressBarRect(client, AppState::BrowserThumbWindowWidth);
        MoveWindow(bar, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    ShowWindow(bar, SW_SHOW);
    SendMessageW(bar, PBM_STEPIT, 0, 0);
}

void DrawThumbnailFrame(HDC dc, int left, int top, int right, int bottom) {
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DLIGHT));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(HOLLOW_BRUSH));
    Rectangle(dc, left, top, right, bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

static void DrawEdgeFrame(HDC dc, int left, int top, int right, int bottom, int topLeftColor) {
    HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(topLeftColor));
    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HGDIOBJ old = SelectObject(dc, light);
    MoveToEx(dc, left, bottom, nullptr);
    LineTo(dc, left, top);
    LineTo(dc, right, top);
    SelectObject(dc, shadow);
    LineTo(dc, right, bottom + 1);
    MoveToEx(dc, left, bottom, nullptr);
    LineTo(dc, right, bottom);
    SelectObject(dc, old);
    DeleteObject(light);
    DeleteObject(shadow);
}

void DrawFlatThumbnailFrame(HDC dc, int left, int top, int right, int bottom) {
    DrawEdgeFrame(dc, left, top, right, bottom, COLOR_BTNSHADOW);
}

void DrawShadowThumbnailFrame(HDC dc, int left, int top, int right, int bottom) {
    DrawEdgeFrame(dc, left, top, right, bottom, COLOR_3DDKSHADOW);
}

// ---- the list window ----

HWND FileListWindow() { return Browser.fileListWindow; }

bool DestroyFileListView() {
    HWND list = Browser.fileListWindow;
    if (!list) return false;
    if (g_previousListProc) SetWindowLongPtrW(list, GWLP_WNDPROC, (LONG_PTR)g_previousListProc);
    g_previousListProc = nullptr;
    HIMAGELIST normal = (HIMAGELIST)SendMessageW(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0);
    HIMAGELIST small = (HIMAGELIST)SendMessageW(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0);
    DestroyWindow(list);
    if (normal) ImageList_Destroy(normal);
    if (small && small != normal) ImageList_Destroy(small);
    Browser.fileListWindow = nullptr;
    return true;
}

bool CreateFileListView(HWND parent) {
    DestroyFileListView();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    HWND list =
        CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                        WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP | LVS_SHOWSELALWAYS | LVS_NOLABELWRAP,
                        0, 0, 0, 0, parent, nullptr, AppState::Instance, nullptr);
    if (!list) return false;
    g_previousListProc = (WNDPROC)SetWindowLongPtrW(list, GWLP_WNDPROC, (LONG_PTR)FileListWndProc);
    Browser.fileListWindow = list;
    return true;
}

void SetFileListStyle(HWND list) {
    if (!list) return;
    const DWORD extended =
        LVS_EX_BORDERSELECT | LVS_EX_UNDERLINEHOT | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, 0);
    LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE) & ~(LONG_PTR)LVS_TYPEMASK;
    HMENU menu = AppState::MainWindow ? GetMenu(AppState::MainWindow) : nullptr;
    if (ListStyle() == 1) {
        SetWindowLongPtrW(list, GWL_STYLE, style | LVS_REPORT);
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT,
                     LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        SendMessageW(list, LVM_SETBKCOLOR, 0, GetSysColor(COLOR_WINDOW));
        if (menu) {
            CheckMenuItem(menu, IDM_BROWSER_REPORT, MF_BYCOMMAND | MF_CHECKED);
            CheckMenuItem(menu, IDM_BROWSER_THUMBNAILS, MF_BYCOMMAND | MF_UNCHECKED);
        }
    } else {
        SetWindowLongPtrW(list, GWL_STYLE, style | LVS_ICON);
        const DWORD thumbs = LVS_EX_BORDERSELECT | LVS_EX_UNDERLINEHOT | LVS_EX_INFOTIP;
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, thumbs, thumbs);
        if (menu) {
            CheckMenuItem(menu, IDM_BROWSER_THUMBNAILS, MF_BYCOMMAND | MF_CHECKED);
            CheckMenuItem(menu, IDM_BROWSER_REPORT, MF_BYCOMMAND | MF_UNCHECKED);
        }
    }
}

void SetFileListColors() {
    HWND list = Browser.fileListWindow;
    if (!list) return;
    SendMessageW(list, LVM_SETTEXTCOLOR, 0, GetSysColor(COLOR_WINDOWTEXT));
    if (ListStyle() == 0) {
        SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, GetSysColor(COLOR_WINDOW));
        SendMessageW(list, LVM_SETBKCOLOR, 0, GetSysColor(COLOR_WINDOW));
    } else {
        SendMessageW(list, LVM_SETBKCOLOR, 0, GetSysColor(COLOR_BTNFACE));
    }
}

void InsertReportColumns(HWND list) {
    if (!list) return;
    while (SendMessageW(list, LVM_DELETECOLUMN, 0, 0)) {}
    static const wchar_t* const headers[] = {L"Filename", L"Size", L"Date"};
    const int columns = ListStyle() == 1 ? 3 : 1;
    for (int i = 0; i < columns; ++i) {
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = i == 1 ? LVCFMT_RIGHT : LVCFMT_LEFT;
        column.cx = 100;
        column.pszText = const_cast<wchar_t*>(headers[i]);
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, (LPARAM)&column);
    }
}

void SizeReportNameColumn(HWND list) {
    if (!list || !AppState::MainWindow) return;
    RECT client;
    GetClientRect(AppState::MainWindow, &client);
    const int size = (int)SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0);
    const int date = (int)SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0);
    int width = client.right - AppState::BrowserThumbWindowWidth - size - date - GetSystemMetrics(SM_CXVSCROLL) - 12;
    if (width < 40) width = 40;
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, width);
}

static HICON LoadDocumentIcon(const std::wstring& folder, const wchar_t* file) {
    return (HICON)LoadImageW(nullptr, (folder + L"\\" + file).c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE);
}

bool FillFileListView(HWND list) {
    if (!list) return false;
    const int subfolders = FileList::Subfolders ? FileList::SubfolderCount : 0;
    const int files = FileList::Entries ? FileList::Count : 0;
    const int total = subfolders + files;
    const int cellW = AppState::BrowserThumbnailWidth, cellH = AppState::BrowserThumbnailHeight;
    const bool report = ListStyle() == 1;

    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    HIMAGELIST images;
    if (report) {
        images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, std::max(total, 1), 10);
    } else {
        const int bits = GetScreenBitsPerPixel();
        images =
            ImageList_Create(cellW, cellH, (bits == 4 || bits == 8) ? ILC_COLOR8 : ILC_COLOR24, std::max(total, 1), 10);
    }
    if (!images) {
        ShowMessage(L"Failed to create ImageList (%dx%d)! Restart and set smaller thumbnail size!", cellW, cellH);
        return false;
    }

    if (report) {
        // One icon per kind, added once; each item points at its slot.
        SHFILEINFOW info = {};
        wchar_t windowsFolder[MAX_PATH] = {};
        GetWindowsDirectoryW(windowsFolder, MAX_PATH);
        HICON folderIcon = nullptr;
        if (SHGetFileInfoW(windowsFolder, 0, &info, sizeof(info), SHGFI_ICON | SHGFI_SMALLICON))
            folderIcon = info.hIcon;
        const std::wstring iconFolder = ProgramIconsFolder();
        for (int i = 0; i < subfolders; ++i) ImageList_AddIcon(images, folderIcon);
        struct Loaded {
            const wchar_t* name;
            HICON icon;
        };
        std::vector<Loaded> loaded;
        for (int i = 0; i < files; ++i) {
            const wchar_t* iconName = ReportIconFor(FileList::Entries[i].name);
            HICON icon = nullptr;
            bool found = false;
            for (const Loaded& l : loaded)
                if (l.name == iconName) {
                    icon = l.icon;
                    found = true;
                }
            if (!found) {
                icon = LoadDocumentIcon(iconFolder, iconName);
                loaded.push_back({iconName, icon});
            }
            if (ImageList_AddIcon(images, icon) < 0) ImageList_AddIcon(images, folderIcon);
        }
        // A missing icon leaves its slot short: pad so item i keeps image i.
        while (ImageList_GetImageCount(images) < total) ImageList_AddIcon(images, folderIcon);
        for (const Loaded& l : loaded)
            if (l.icon) DestroyIcon(l.icon);
        if (folderIcon) DestroyIcon(folderIcon);
    } else {
        HBITMAP folder = MakeCenteredBitmap(cellW, cellH, 64, 64, kPlaceholderFolder);
        HBITMAP image = MakeCenteredBitmap(cellW, cellH, 64, 64, kPlaceholderImage);
        HBITMAP video = MakeCenteredBitmap(cellW, cellH, 64, 64, kPlaceholderVideo);
        HBITMAP sound = MakeCenteredBitmap(cellW, cellH, 64, 64, kPlaceholderSound);
        for (int i = 0; i < subfolders; ++i) ImageList_Add(images, folder, nullptr);
        for (int i = 0; i < files; ++i) {
            const int kind = ThumbnailPlaceholderFor(FileList::Entries[i].name);
            ImageList_Add(images,
                          kind == kPlaceholderVideo   ? video
                          : kind == kPlaceholderSound ? sound
                                                      : image,
                          nullptr);
        }
        for (HBITMAP b : {folder, image, video, sound})
            if (b) DeleteObject(b);
        // Slots the placeholders did not fill stay blank cells.
        if (ImageList_GetImageCount(images) < total) ImageList_SetImageCount(images, total);
    }

    SendMessageW(list, LVM_SETITEMCOUNT, total, LVSICF_NOINVALIDATEALL);
    HIMAGELIST old;
    if (report) {
        old = (HIMAGELIST)SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, (LPARAM)images);
        HIMAGELIST normal = (HIMAGELIST)SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
        if (normal && normal != images) ImageList_Destroy(normal);
    } else {
        if (AppState::IsWindowsXPOrLater) SendMessageW(list, LVM_SETICONSPACING, 0, MAKELPARAM(cellW + 4, cellH + 4));
        else SendMessageW(list, LVM_SETICONSPACING, 0, MAKELPARAM(-1, -1));
        old = (HIMAGELIST)SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, (LPARAM)images);
        HIMAGELIST small = (HIMAGELIST)SendMessageW(list, LVM_SETIMAGELIST, LVSIL_SMALL, 0);
        if (small && small != images) ImageList_Destroy(small);
    }
    if (old && old != images) ImageList_Destroy(old);

    for (int i = 0; i < total; ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.iImage = i;
        SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
    }
    if (report) {
        SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE_USEHEADER);
        SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, LVSCW_AUTOSIZE_USEHEADER);
        SizeReportNameColumn(list);
    } else {
        ArrangeThumbnailGrid(list);
    }
    return true;
}

bool ArrangeThumbnailGrid(HWND list) {
    if (!list || ListStyle() != 0) return false;
    RECT client = {};
    if (AppState::MainWindow) GetClientRect(AppState::MainWindow, &client);
    const int available = client.right - AppState::BrowserThumbWindowWidth - 8;
    const int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    POINT at = {4, 4};
    for (int i = 0; i < count; ++i) {
        SendMessageW(list, LVM_SETITEMPOSITION32, i, (LPARAM)&at);
        at = NextGridPosition(at, AppState::BrowserThumbnailWidth, AppState::BrowserThumbnailHeight, available);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    return true;
}

void DeleteListItem(HWND list, int index) {
    if (list) SendMessageW(list, LVM_DELETEITEM, index, 0);
}

void SelectAllFiles() {
    HWND list = Browser.fileListWindow;
    if (!list) return;
    const int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = std::max(0, FileList::SubfolderCount); i < count; ++i) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, i, (LPARAM)&item);
    }
    SetFocus(list);
    SetActiveWindow(list);
}

// The name of list item index, or null outside the lists.
static const wchar_t* ItemName(int index) {
    if (index < 0) return nullptr;
    if (index < FileList::SubfolderCount) return FileList::Subfolders ? FileList::Subfolders[index].name : nullptr;
    const int file = FileIndexFromListIndex(index);
    return file >= 0 && FileList::Entries ? FileList::Entries[file].name : nullptr;
}

bool CopySelectionToClipboard(HWND list, bool withPath) {
    if (!list) return false;
    std::wstring text;
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    for (int i = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED); i >= 0;
         i = (int)SendMessageW(list, LVM_GETNEXTITEM, i, LVNI_SELECTED)) {
        const wchar_t* name = ItemName(i);
        if (!name) continue;
        if (withPath) {
            text += folder;
            if (!text.empty() && text.back() != L'\\') text += L'\\';
        }
        text += name;
        text += L"\r\n";
    }
    if (!OpenClipboard(list)) return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    bool done = false;
    if (memory) {
        if (void* p = GlobalLock(memory)) {
            memcpy(p, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
            GlobalUnlock(memory);
            done = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!done) GlobalFree(memory);
    }
    CloseClipboard();
    return done;
}

void FileListOnGetDispInfo(NMLVDISPINFOW* info) {
    if (!info || info->hdr.code != LVN_GETDISPINFOW || !(info->item.mask & LVIF_TEXT) || !info->item.pszText) return;
    const int capacity = std::min(info->item.cchTextMax, MAX_PATH);
    if (capacity <= 0) return;
    const int index = info->item.iItem;
    const bool folder = index >= 0 && index < FileList::SubfolderCount;
    const wchar_t* name = ItemName(index);
    if (!name) {
        info->item.pszText[0] = 0;
        return;
    }
    std::wstring text;
    if (ListStyle() == 1) {
        if (info->item.iSubItem == 0) text = name;
        else if (info->item.iSubItem == 1 && !folder) {
            wchar_t size[32];
            FormatSizeMB(size, FileList::Entries[FileIndexFromListIndex(index)].size);
            text = size;
        } else if (info->item.iSubItem == 2) {
            wchar_t time[64];
            const MediaFileEntry& entry =
                folder ? FileList::Subfolders[index] : FileList::Entries[FileIndexFromListIndex(index)];
            FormatFileTime(time, &entry.lastWrite);
            text = time;
        }
    } else {
        HWND list = info->hdr.hwndFrom;
        text = CutCaption(name, AppState::BrowserThumbnailWidth, [list](const std::wstring& s) {
            return (int)SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, (LPARAM)s.c_str());
        });
    }
    lstrcpynW(info->item.pszText, text.c_str(), capacity);
}

void FileListOnItemChanged(NMLISTVIEW* info) {
    if (!info || AppState::BrowserTab == TAB_CONFIGURE) return;
    if (info->iItem == FileList::SelectedItem) return;
    if (!(info->uChanged & LVIF_STATE) || !(info->uNewState & LVIS_SELECTED)) return;
    FileList::SelectedItem = info->iItem;
    ThumbLoader::SelectRequest = 0;
    const int file = FileIndexFromListIndex(info->iItem);
    if (info->iItem < 0 || file < 0) return;
    if (SelectedCount(info->hdr.hwndFrom) >= 2) return;
    if (ThumbLoader::Running) {
        ThumbLoader::SelectRequest = 1;
        return;
    }
    if (AppState::MainWindow) PostMessageW(AppState::MainWindow, WM_APP_OPEN_LIST_ENTRY, file, 0);
}

void FileListBeginDrag(NMLISTVIEW* info) {
    HWND list = info ? info->hdr.hwndFrom : Browser.fileListWindow;
    if (!list || ThumbLoader::Running || AppState::BrowserTab == TAB_CONFIGURE) return;
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::vector<wchar_t> files;
    int first = -1;
    for (int i = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_SELECTED); i >= 0;
         i = (int)SendMessageW(list, LVM_GETNEXTITEM, i, LVNI_SELECTED)) {
        const wchar_t* name = ItemName(i);
        if (!name) continue;
        if (first < 0) first = i;
        std::wstring path = folder;
        if (path.size() > 3) path += L'\\';
        path += name;
        files.insert(files.end(), path.begin(), path.end());
        files.push_back(0);
    }
    if (first < 0) return;
    files.push_back(0);
    AppState::DragSourceWindow = list;
    AppState::DragActive = 1;
    AppState::DragItem = first;
    DoDragFiles(list, files.data(), DROPEFFECT_COPY | DROPEFFECT_MOVE);
}

static int HitFolderItem(HWND list, POINT screen) {
    LVHITTESTINFO hit = {};
    hit.pt = screen;
    ScreenToClient(list, &hit.pt);
    const int item = (int)SendMessageW(list, LVM_HITTEST, 0, (LPARAM)&hit);
    return item >= 0 && item < FileList::SubfolderCount ? item : -1;
}

DWORD FileListDragOver(HWND list, POINT screen, DWORD effect) {
    if (!list) return 0;
    const int item = HitFolderItem(list, screen);
    if (item < 0) return 0;
    if (AppState::DragSourceWindow == list && item == AppState::DragItem) return 0;
    return effect;
}

void FileListDrop(HWND list, POINT screen, const wchar_t* files) {
    if (!list) return;
    const int item = HitFolderItem(list, screen);
    if (item < 0) return;
    const int choice = ShowDropMenu(list, screen);
    if (choice != 1 && choice != 2) return;
    wchar_t target[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, target);
    if (!AppendPath(target, FileList::Subfolders[item].name)) return;
    // The list's own drag carries its selection; any other drop its files.
    if (AppState::DragSourceWindow == list) {
        if (choice == 1) CopySelectedFiles(target);
        else MoveSelectedFiles(target);
        return;
    }
    for (const wchar_t* p = files; p && *p; p += wcslen(p) + 1) {
        const DWORD attributes = GetFileAttributesW(p);
        const bool folder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (folder) choice == 1 ? CopyFolderInto(p, target, list) : MoveFolderInto(p, target, list);
        else choice == 1 ? CopyFileIntoFolder(p, target) : MoveFileIntoFolder(p, target);
    }
    if (AppState::MainWindow) PostMessageW(AppState::MainWindow, WM_COMMAND, IDM_REFRESH, 0);
}

// ---- the subclass procedure ----

namespace {

void ShowThumbPopupMenu(HWND list, POINT screen) {
    LVHITTESTINFO hit = {};
    hit.pt = screen;
    ScreenToClient(list, &hit.pt);
    RECT client;
    GetClientRect(list, &client);
    if (!PtInRect(&client, hit.pt)) return;
    const int item = (int)SendMessageW(list, LVM_HITTEST, 0, (LPARAM)&hit);
    const int file = FileIndexFromListIndex(item);
    if (file >= 0) FileList::Current = file;
    HMENU loaded = LoadMenuW(AppState::Instance ? AppState::Instance : GetModuleHandleW(nullptr), L"THUMBPOPUPMENU");
    if (!loaded) return;
    HMENU popup = GetSubMenu(loaded, 0);
    LangApplyPopupMenu(popup, L"THUMBPOPUPMENU");
    CheckMenuItem(popup, IDM_BROWSER_THUMBNAILS, MF_BYCOMMAND | (ListStyle() == 0 ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(popup, IDM_BROWSER_REPORT, MF_BYCOMMAND | (ListStyle() == 1 ? MF_CHECKED : MF_UNCHECKED));
    auto gray = [popup](std::initializer_list<UINT> ids) {
        for (UINT id : ids) EnableMenuItem(popup, id, MF_BYCOMMAND | MF_GRAYED);
    };
    if (item < 0 || file < 0) gray({IDM_ADD_TO_PLAYLIST});
    if (item < 0)
        gray({IDM_COPY_ITEMS, IDM_MOVE_ITEMS, IDM_DELETE_ITEMS, IDM_RENAME_ITEMS, IDM_COPY_NAMES, IDM_COPY_PATHS});
    if (SelectedCount(list) < 2)
        gray({IDM_BATCH_PROCESS, IDM_BATCH_RENAME, IDM_BATCH_PRINT, IDM_JPG_CLEANER, IDM_CREATE_GIF, IDM_CREATE_MNG,
              IDM_CREATE_TIF, IDM_CREATE_DCX, IDM_CREATE_SLIDESHOW, IDM_CONTACT_SHEET, IDM_HTML_ALBUM});
    if (FileList::Count <= 1) gray({IDM_SHOW_FORWARD, IDM_SHOW_BACKWARD, IDM_SHOW_RANDOM});
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, screen.x, screen.y, 0, list, nullptr);
    DestroyMenu(loaded);
}

bool IsForwardedListCommand(UINT id) {
    static const UINT forwarded[] = {
        IDM_COPY_ITEMS,        IDM_MOVE_ITEMS,          IDM_DELETE_ITEMS,  IDM_RENAME_ITEMS,  IDM_BROWSER_THUMBNAILS,
        IDM_BROWSER_REPORT,    IDM_BATCH_PROCESS,       IDM_SELECT_ALL,    IDM_REFRESH,       IDM_SAVE_THUMBNAIL_STYLE,
        IDM_SAVE_REPORT_STYLE, IDM_DELETE_FOLDER_STYLE, IDM_SHOW_FORWARD,  IDM_SHOW_BACKWARD, IDM_SHOW_RANDOM,
        IDM_CREATE_MNG,        IDM_CREATE_GIF,          IDM_CREATE_TIF,    IDM_OPEN_WITH_ADD, IDM_OPEN_WITH_CLEAR,
        IDM_OPEN_WITH_EDIT,    IDM_JPG_CLEANER,         IDM_BATCH_RENAME,  IDM_BATCH_PRINT,   IDM_SEARCH,
        IDM_CREATE_SLIDESHOW,  IDM_ADD_TO_PLAYLIST,     IDM_CONTACT_SHEET, IDM_HTML_ALBUM,    IDM_CREATE_DCX,
    };
    for (UINT f : forwarded)
        if (f == id) return true;
    return false;
}

void OnListCommand(HWND list, UINT id) {
    if (LaunchOpenWithProgram(id)) return;
    HWND main = AppState::MainWindow;
    switch (id) {
    case IDM_COPY_NAMES: CopySelectionToClipboard(list, false); return;
    case IDM_COPY_PATHS: CopySelectionToClipboard(list, true); return;
    case IDM_BROWSER_SETTINGS:
        if (main) PostMessageW(main, WM_COMMAND, IDM_SETTINGS, 0);
        return;
    case IDM_REMOVE_FOLDER_FROM_CACHE: {
        Browser.CopyComboToRecentFolders();
        wchar_t folder[MAX_PATH] = {};
        const int selected = Browser.addressCombo ? (int)SendMessageW(Browser.addressCombo, CB_GETCURSEL, 0, 0) : -1;
        if (selected >= 0) SendMessageW(Browser.addressCombo, CB_GETLBTEXT, selected, (LPARAM)folder);
        else GetCurrentDirectoryW(MAX_PATH, folder);
        RemoveFolderFromThumbDB(folder);
        ShowMessage(L"Removed Directory \"%s\" from Cache.", folder);
        return;
    }
    default: break;
    }
    if (id == IDM_RENAME_ITEMS && SelectedCount(list) >= 2) id = IDM_BATCH_RENAME;
    if (IsForwardedListCommand(id) && main) PostMessageW(main, WM_COMMAND, id, 0);
}

// Double click and Enter: act on the focused selected item.
void OpenFocusedItem(HWND list) {
    if (ThumbLoader::Running) {
        ThumbLoader::DoubleClickRequest = 1;
        return;
    }
    if (AppState::BrowserTab == TAB_CONFIGURE) return;
    const int item = (int)SendMessageW(list, LVM_GETNEXTITEM, (WPARAM)-1, LVNI_FOCUSED | LVNI_SELECTED);
    if (item < 0) return;
    HWND main = AppState::MainWindow;
    if (item < FileList::SubfolderCount) {
        if (ThumbLoader::Decoding) return;
        FileList::SelectedItem = -1;
        if (main) PostMessageW(main, WM_APP_BROWSER_OPENFOLDER, item, 0);
        return;
    }
    const int file = FileIndexFromListIndex(item);
    if (file < 0) return;
    FileList::Current = file;
    if (main)
        PostMessageW(main, WM_COMMAND,
                     AppState::GeneralAlwaysStartInPresentationMode ? IDM_PRESENTATION_MODE : IDM_BROWSE, 0);
}

LRESULT CALLBACK FileListWndProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC previous = g_previousListProc ? g_previousListProc : DefWindowProcW;
    HWND main = AppState::MainWindow;
    switch (message) {
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_INITMENUPOPUP:
        if (main) SendMessageW(main, message, wParam, lParam);
        return 1;
    case WM_CONTEXTMENU: {
        if (ThumbLoader::Running || AppState::BrowserTab == TAB_CONFIGURE) return 0;
        POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (screen.x == -1 && screen.y == -1) {
            RECT r;
            GetWindowRect(list, &r);
            screen = {r.left + 8, r.top + 8};
        }
        ShowThumbPopupMenu(list, screen);
        return 1;
    }
    case WM_COMMAND: OnListCommand(list, LOWORD(wParam)); break;
    case WM_KEYDOWN:
        if (wParam == VK_BACK) {
            if (main) PostMessageW(main, WM_APP_BROWSER_UP, 0, 0);
        } else if (wParam == VK_TAB) {
            if (main) SetFocus(main);
        } else if (wParam == VK_RETURN) {
            OpenFocusedItem(list);
            return 0;
        }
        break;
    case WM_LBUTTONDBLCLK: OpenFocusedItem(list); return 0;
    case WM_MOUSEWHEEL:
        if (Browser.IsShown()) {
            POINT p = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            RECT tree = {};
            if (Browser.folderTreeWindow && GetWindowRect(Browser.folderTreeWindow, &tree) && PtInRect(&tree, p)) {
                PostMessageW(Browser.folderTreeWindow, WM_MOUSEWHEEL, wParam, lParam);
                return 1;
            }
            if ((GET_KEYSTATE_WPARAM(wParam) & MK_LBUTTON) && main) {
                PostMessageW(main, WM_MOUSEWHEEL, wParam, lParam);
                return 1;
            }
        }
        break;
    case WM_XBUTTONDOWN:
        if (Browser.IsShown() && !ThumbLoader::Running && GET_XBUTTON_WPARAM(wParam) == XBUTTON1 && main)
            PostMessageW(main, WM_APP_BROWSER_BACK, 0, 0);
        return 1;
    default: break;
    }
    return CallWindowProcW(previous, list, message, wParam, lParam);
}

}  // namespace
