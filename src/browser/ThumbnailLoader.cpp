// The thumbnail loader: a worker that replaces the list's placeholders one by
// one with thumbnails, from the folder's cache where it holds a current one
// and decoded otherwise, and stores the new ones in the cache at the end of a
// complete run. The user-interface thread keeps the list and the folder as
// they are while it runs and records requests instead.
#include "browser/ThumbnailLoader.h"

#include <objbase.h>
#include <process.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/MainWindowIds.h"
#include "browser/Browser.h"
#include "browser/BrowserServices.h"
#include "browser/FileList.h"
#include "browser/FileListView.h"
#include "browser/ThumbnailDB.h"
#include "command_ids.h"
#include "formats/ErrorPicture.h"
#include "formats/Formats.h"
#include "formats/LoadCall.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Resample.h"

namespace {

HANDLE g_thread = nullptr;
ThumbnailLoaderFileHook g_fileHook = nullptr;
std::atomic<int> g_decoded{0};

bool AnyStopRequest() {
    return ThumbLoader::AbortRequest || ThumbLoader::TreeRequest || ThumbLoader::GotoRequest ||
           ThumbLoader::CloseRequest || ThumbLoader::DoubleClickRequest;
}

}  // namespace

RECT ThumbnailCellRect(int sourceWidth, int sourceHeight) {
    const int border = std::max(0, AppState::BrowserThumbnailBorder);
    RECT r = {};
    FitImageToBox(FIT_WHOLE, AppState::BrowserStretchSmallThumbnails == 0, &r, AppState::BrowserThumbnailWidth - border,
                  AppState::BrowserThumbnailHeight - border, sourceWidth, sourceHeight);
    OffsetRect(&r, border / 2, border / 2);
    return r;
}

namespace {

// A cell bitmap filled with the window colour (with the light frame on
// Windows 2000), selected into dc.
HBITMAP NewCell(HDC dc, HDC reference) {
    const int w = AppState::BrowserThumbnailWidth, h = AppState::BrowserThumbnailHeight;
    HBITMAP cell = CreateCompatibleBitmap(reference, w, h);
    if (!cell) return nullptr;
    SelectObject(dc, cell);
    RECT all = {0, 0, w, h};
    FillRect(dc, &all, (HBRUSH)(COLOR_WINDOW + 1));
    if (AppState::IsWindows2000) DrawThumbnailFrame(dc, 0, 0, w, h);
    return cell;
}

std::wstring FolderPath(const wchar_t* folder, const wchar_t* name) {
    std::wstring path = folder;
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + name;
}

void SetItemState(HWND list, int item, UINT state) {
    LVITEMW lv = {};
    lv.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    lv.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, item, (LPARAM)&lv);
}

// Stores the cells drawn from decodes in this run.
void StoreNewThumbnails(HWND list, const wchar_t* folder, const std::vector<bool>& drawn) {
    const int cellW = AppState::BrowserThumbnailWidth, cellH = AppState::BrowserThumbnailHeight;
    const int border = AppState::BrowserThumbnailBorder;
    CThumbnailDB db;
    if (!db.CreateOrOpen(folder, cellW, cellH, border)) return;
    HWND bar = ListProgress::CreateProgressBar(2);
    ListProgress::StepProgressBar(bar);
    HIMAGELIST images = (HIMAGELIST)SendMessageW(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0);
    HDC reference = GetDC(list);
    HDC cellDc = CreateCompatibleDC(reference);
    HDC partDc = CreateCompatibleDC(reference);
    const int subfolders = FileList::SubfolderCount;
    for (int file = 0; file < (int)drawn.size() && file < FileList::Count; ++file) {
        if (!drawn[file]) continue;
        const MediaFileEntry& entry = FileList::Entries[file];
        int slot = -1;
        if (db.Find(entry.name, &entry.lastWrite, &slot)) continue;
        HBITMAP cell = CreateCompatibleBitmap(reference, cellW, cellH);
        if (!cell) continue;
        HGDIOBJ oldCell = SelectObject(cellDc, cell);
        ImageList_Draw(images, subfolders + file, cellDc, 0, 0, ILD_NORMAL);
        const RECT r = ThumbnailCellRect(entry.width, entry.height);
        const int w = std::max(1, (int)(r.right - r.left)), h = std::max(1, (int)(r.bottom - r.top));
        HBITMAP part = CreateCompatibleBitmap(reference, w, h);
        if (part) {
            HGDIOBJ oldPart = SelectObject(partDc, part);
            BitBlt(partDc, 0, 0, w, h, cellDc, r.left, r.top, SRCCOPY);
            SelectObject(partDc, oldPart);
            const int compression = AppState::BrowserCacheCompressionType;
            if (!db.AppendThumbnail(entry.name, &entry.lastWrite, w, h, entry.bpp, compression, part, entry.width,
                                    entry.height))
                ShowMessage(L"DB: Error adding: %d - %s - (%dx%d) - Compr:%d", subfolders + file, entry.name, w, h,
                            compression);
        }
        SelectObject(cellDc, oldCell);
        DeleteObject(cell);
    }
    DeleteDC(partDc);
    DeleteDC(cellDc);
    ReleaseDC(list, reference);
    db.WriteIndex();
    db.Close();
    if (bar) DestroyWindow(bar);
}

}  // namespace

bool DecodeThumbnail(CImage& image, const wchar_t* path, int cellWidth, int cellHeight, wchar_t* errorText,
                     LoadCall& call) {
    call.request.purpose = LoadPurpose::Thumbnail;
    call.request.cellWidth = cellWidth;
    call.request.cellHeight = cellHeight;
    call.request.background = GetSysColor(COLOR_WINDOW);
    LoadModeScope scope(true, true);
    return (bool)LoadMediaFile(image, path, errorText, call);
}

bool RenderThumbnail(int width, const CImage& image, HDC dc, int x, int y, int height) {
    if (!image.IsValid() || !dc) return false;
    width = std::max(1, width);
    height = std::max(1, height);
    const int iw = (int)image.GetWidth(), ih = (int)image.GetHeight();
    if (AppState::BrowserScaleType == 0 || (width == iw && height == ih)) {
        SetStretchBltMode(dc, COLORONCOLOR);
        return image.StretchTo(dc, x, y, width, height, SRCCOPY);
    }
    CImage temp;
    const CImage* source = &image;
    if (iw + ih > 5000) {
        // Very large pictures are first stretched plainly to at most 1500 a side.
        const float scale = std::min(1500.f / (float)iw, 1500.f / (float)ih);
        const int tw = std::max(1, std::min(iw, (int)((float)iw * scale)));
        const int th = std::max(1, std::min(ih, (int)((float)ih * scale)));
        if (!temp.CreateEmpty(tw, th, 24, 0, nullptr)) return false;
        SetStretchBltMode(temp.memoryDC, COLORONCOLOR);
        image.StretchTo(temp.memoryDC, 0, 0, tw, th, SRCCOPY);
        source = &temp;
    }
    const uint64_t stride = ((uint64_t)width * 3 + 3) & ~(uint64_t)3;
    std::vector<uint8_t> buffer;
    try {
        buffer.resize((size_t)(stride * (uint64_t)height));
    } catch (...) { return false; }
    uint8_t palette[768] = {};
    source->GetPaletteRGB(palette);
    GdiFlush();
    ScaleBits(buffer.data(), width, height, source->bits, (int)source->GetWidth(), (int)source->GetHeight(),
              source->GetBpp(), palette);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    return StretchDIBits(dc, x, y, width, height, 0, 0, width, height, buffer.data(), &info, DIB_RGB_COLORS, SRCCOPY) !=
           0;
}

unsigned __stdcall ThumbnailLoaderThread(void* argument) {
    HWND list = (HWND)argument;
    ThumbLoader::OnLoaderThread = true;
    g_decoded = 0;
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    wchar_t root[4] = {folder[0], folder[1], folder[2], 0};
    const bool mayCache = GetDriveTypeW(root) != DRIVE_UNKNOWN;
    const int cellW = AppState::BrowserThumbnailWidth, cellH = AppState::BrowserThumbnailHeight;

    CThumbnailDB cache;
    bool useCache = false;
    if (AppState::BrowserUseCaching && mayCache) {
        int w = 0, h = 0, border = 0;
        if (cache.OpenExisting(folder, &w, &h, &border)) {
            useCache = true;
            if (w != cellW || h != cellH || border != AppState::BrowserThumbnailBorder) {
                cache.Close();
                useCache = false;
                RemoveFolderFromThumbDB(folder);
            }
        }
    }
    const HRESULT com = CoInitialize(nullptr);
    ThumbLoader::Running = 1;

    HWND bar = ListProgress::CreateProgressBar(FileList::Count / 8 + 2);
    ListProgress::StepProgressBar(bar);
    if (Browser.tabWindow) EnableWindow(Browser.tabWindow, FALSE);
    if (Browser.rebar) EnableWindow(Browser.rebar, FALSE);
    FileList::SelectedItem =
        FileList::Entries && AppState::CurrentImage.IsValid() ? ListIndexFromFileIndex(FileList::Current) : -1;

    HIMAGELIST images = (HIMAGELIST)SendMessageW(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0);
    const int subfolders = FileList::SubfolderCount, files = FileList::Entries ? FileList::Count : 0;
    std::vector<bool> drawn((size_t)files, false);
    HDC reference = GetDC(list);
    for (int file = 0; file < files && images; ++file) {
        const int item = subfolders + file;
        MediaFileEntry& entry = FileList::Entries[file];
        ThumbLoader::Decoding = 1;
        HDC cellDc = CreateCompatibleDC(reference);
        HGDIOBJ original = GetCurrentObject(cellDc, OBJ_BITMAP);
        HBITMAP cell = nullptr;
        bool replace = false;

        int slot = -1;
        HBITMAP stored = nullptr;
        int thumbW = 0, thumbH = 0, fullW = 0, fullH = 0, depth = 0;
        if (useCache && cache.Find(entry.name, &entry.lastWrite, &slot))
            stored = cache.ReadThumbnail(slot, &thumbW, &thumbH, &fullW, &fullH, &depth);
        if (stored) {
            entry.width = fullW;
            entry.height = fullH;
            entry.bpp = depth;
            cell = NewCell(cellDc, reference);
            if (cell) {
                const RECT r = ThumbnailCellRect(fullW, fullH);
                HDC storedDc = CreateCompatibleDC(reference);
                HGDIOBJ old = SelectObject(storedDc, stored);
                SetStretchBltMode(cellDc, COLORONCOLOR);
                StretchBlt(cellDc, r.left, r.top, r.right - r.left, r.bottom - r.top, storedDc, 0, 0, thumbW, thumbH,
                           SRCCOPY);
                SelectObject(storedDc, old);
                DeleteDC(storedDc);
                replace = true;
            }
            DeleteObject(stored);
        } else {
            ++g_decoded;
            CImage image;
            LoadCall call;
            wchar_t error[FORMAT_ERROR_CHARS] = {};
            const std::wstring path = FolderPath(folder, entry.name);
            const bool ok = DecodeThumbnail(image, path.c_str(), cellW, cellH, error, call);
            // A sound or video file is known by its name too: when its reader
            // fails, the search by content may name another format or none.
            const FormatId named = GetFormatIdFromExtension(path.c_str());
            const bool sound = call.result.formatId == FMT_SOUND || named == FMT_SOUND;
            const bool video = call.result.formatId == FMT_VIDEO || named == FMT_VIDEO;
            if (!ok && !video && !sound) DrawLoadErrorImage(image, path.c_str(), L"%s", error);
            if (sound) {
                entry.width = cellW;
                entry.height = cellH;
                entry.bpp = 24;
            } else if (ok && call.result.fullWidth > 0 && call.result.fullHeight > 0) {
                // A reduced decode knows the size of the picture behind it.
                entry.width = call.result.fullWidth;
                entry.height = call.result.fullHeight;
                entry.bpp = image.GetBpp();
            } else {
                entry.width = (int)image.GetWidth();
                entry.height = (int)image.GetHeight();
                entry.bpp = image.GetBpp();
            }
            const bool keepIcon = sound || (video && !ok) || !image.IsValid();
            if (!keepIcon) {
                cell = NewCell(cellDc, reference);
                if (cell) {
                    const RECT r = ThumbnailCellRect((int)image.GetWidth(), (int)image.GetHeight());
                    RenderThumbnail(r.right - r.left, image, cellDc, r.left, r.top, r.bottom - r.top);
                    replace = true;
                    drawn[(size_t)file] = entry.width > 0 && entry.height > 0;
                }
            }
        }
        bool failed = false;
        if (replace) {
            SelectObject(cellDc, original);  // the image list copies an unselected bitmap
            if (!ImageList_Replace(images, item, cell, nullptr)) failed = true;
        }
        SelectObject(cellDc, original);
        if (cell) DeleteObject(cell);
        DeleteDC(cellDc);
        if (failed) {
            ThumbLoader::Decoding = 0;
            drawn[(size_t)file] = false;
            ShowMessage(L"Unknown error adding image! Stopping Thumbloading...");
            break;
        }
        SendMessageW(list, LVM_REDRAWITEMS, item, item);
        ThumbLoader::Decoding = 0;
        if (file % 8 == 0) ListProgress::StepProgressBar(bar);
        if (ThumbLoader::SelectRequest) {
            SendMessageW(AppState::MainWindow, WM_APP_OPEN_LIST_ENTRY, FileList::SelectedItem - subfolders, 0);
            ThumbLoader::SelectRequest = 0;
        }
        if (g_fileHook) g_fileHook(file);
        if (AnyStopRequest()) break;
    }
    ReleaseDC(list, reference);
    if (useCache) cache.Close();
    if (bar) DestroyWindow(bar);

    if (FileList::SelectedItem != -1) {
        SetItemState(list, FileList::SelectedItem, LVIS_SELECTED | LVIS_FOCUSED);
        SendMessageW(list, LVM_ENSUREVISIBLE, FileList::SelectedItem, FALSE);
    } else if (files > 0) {
        SendMessageW(list, LVM_ENSUREVISIBLE, subfolders, FALSE);
    }
    if (Browser.tabWindow) EnableWindow(Browser.tabWindow, TRUE);
    if (Browser.rebar) EnableWindow(Browser.rebar, TRUE);

    const bool anyDrawn = std::find(drawn.begin(), drawn.end(), true) != drawn.end();
    if (AppState::BrowserUseCaching && anyDrawn && !AnyStopRequest() && mayCache)
        StoreNewThumbnails(list, folder, drawn);
    if (SUCCEEDED(com)) CoUninitialize();
    ThumbLoader::OnLoaderThread = false;
    ThumbnailLoaderFinished(AppState::MainWindow, list);
    return 1;
}

bool StartThumbnailLoader(HWND list) {
    if (!list) return false;
    if (g_thread) {
        // The last run's thread has ended (Running is clear): drop its handle.
        WaitForSingleObject(g_thread, INFINITE);
        CloseHandle(g_thread);
        g_thread = nullptr;
    }
    ThumbLoader::AbortRequest = 0;
    ThumbLoader::TreeRequest = 0;
    ThumbLoader::GotoRequest = 0;
    ThumbLoader::CloseRequest = 0;
    ThumbLoader::DoubleClickRequest = 0;
    ThumbLoader::Running = 1;
    g_thread = (HANDLE)_beginthreadex(nullptr, 0, ThumbnailLoaderThread, list, 0, nullptr);
    if (!g_thread) {
        ThumbLoader::Running = 0;
        return false;
    }
    return true;
}

bool WaitForThumbnailLoader(DWORD timeoutMs) {
    if (!g_thread) return true;
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD waited = GetTickCount() - start;
        DWORD left = timeoutMs == INFINITE ? INFINITE : (waited >= timeoutMs ? 0 : timeoutMs - waited);
        const DWORD result = MsgWaitForMultipleObjects(1, &g_thread, FALSE, left, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) break;
        if (result != WAIT_OBJECT_0 + 1) return false;
        // Handles the loader's sent messages only; posted ones wait.
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    CloseHandle(g_thread);
    g_thread = nullptr;
    return true;
}

void SetThumbnailLoaderFileHook(ThumbnailLoaderFileHook hook) { g_fileHook = hook; }
int ThumbnailLoaderDecodedCount() { return g_decoded; }

void ThumbnailLoaderFinished(HWND mainWindow, HWND list) {
    ThumbLoader::Running = 0;
    if (ThumbLoader::TreeRequest) {
        ThumbLoader::TreeRequest = 0;
        PostMessageW(mainWindow, WM_APP_BROWSER_REFRESH, 0, 0);
    }
    if (ThumbLoader::GotoRequest) {
        ThumbLoader::GotoRequest = 0;
        PostMessageW(mainWindow, WM_APP_BROWSER_GOTO, 0, 0);
    }
    if (ThumbLoader::DoubleClickRequest) {
        ThumbLoader::DoubleClickRequest = 0;
        if (!list) list = Browser.fileListWindow;
        if (list) PostMessageW(list, WM_LBUTTONDBLCLK, 0, 0);
    }
    if (ThumbLoader::CloseRequest) {
        ThumbLoader::CloseRequest = 0;
        PostMessageW(mainWindow, WM_CLOSE, 0, 0);
    }
}
