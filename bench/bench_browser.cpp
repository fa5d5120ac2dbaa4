// Times the folder browser. Prints "name milliseconds [count]" rows.
//
// bench_browser thumbs FOLDER CACHEROOT RUNS
//   Thumbnails of every file of FOLDER as the browser makes them, with the
//   thumbnail database below CACHEROOT (median of RUNS passes, the folder's
//   cache removed before each first visit):
//   - loader_first / loader_second: the thumbnail loader thread over a list
//     view of the folder, from its start until it has ended, on the first
//     visit (decode, draw, store in the cache) and the second (every cell from
//     the cache); the count is the number of files the run decoded;
//   - steps_decode, steps_render, steps_store, steps_total: the first visit's
//     work in plain calls, apart: the thumbnail decode (LoadMediaFile with the
//     loader's request), RenderThumbnail into the 120 x 90 cell, and
//     AppendThumbnail of the picture's part of the cell into the folder's
//     cache (with the index written at the end);
//   - steps_cached: the second visit in plain calls (the cache's index read,
//     each slot found, its JPEG decoded and drawn into a cell).
//
// bench_browser scan FOLDER RUNS
//   The folder's file list (median of RUNS builds):
//   - scan_all / scan_images: BuildFileList as the browser runs it (on this
//     thread, report view, every file type / pictures only), sorted by name;
//   - scan_worker: BuildFileList outside the browser (its worker) until the
//     result is taken;
//   - walk_sort: one FindFirstFileW walk of "*" with a lstrcmpiW sort of the
//     names, the least any listing of the folder does.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "app/AppState.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/FileListView.h"
#include "browser/ThumbnailDB.h"
#include "browser/ThumbnailLoader.h"
#include "formats/Formats.h"
#include "formats/LoadCall.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

int g_messages = 0;

int PrintMessage(const wchar_t* text, const wchar_t*, UINT, bool fatal) {
    ++g_messages;
    std::fwprintf(stderr, L"[%ls] %ls\n", fatal ? L"fatal" : L"message", text);
    if (fatal) std::exit(3);
    return IDOK;
}

void PrintRow(const char* name, const std::vector<double>& times, int count = -1) {
    if (count >= 0) std::printf("%s %.1f %d\n", name, Median(times), count);
    else std::printf("%s %.1f\n", name, Median(times));
}

// The folder as the loader names it: the current directory.
std::wstring CurrentFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

struct StepTimes {
    double decode = 0, render = 0, store = 0;
};

// The loader's first visit in plain calls: decode, draw into a cell, store the
// picture's part of the cell in the cache.
bool FirstVisitSteps(const std::wstring& folder, HDC reference, StepTimes& times) {
    const int cellW = AppState::BrowserThumbnailWidth, cellH = AppState::BrowserThumbnailHeight;
    RemoveFolderFromThumbDB(folder.c_str());
    CThumbnailDB db;
    double a = Now();
    if (!db.CreateOrOpen(folder.c_str(), cellW, cellH, AppState::BrowserThumbnailBorder)) return false;
    times.store += Now() - a;
    HDC cellDc = CreateCompatibleDC(reference);
    HDC partDc = CreateCompatibleDC(reference);
    bool ok = true;
    for (int file = 0; file < FileList::Count && ok; ++file) {
        const MediaFileEntry& entry = FileList::Entries[file];
        const std::wstring path = folder + L"\\" + entry.name;
        a = Now();
        CImage image;
        LoadCall call;
        wchar_t error[FORMAT_ERROR_CHARS] = {};
        ok = DecodeThumbnail(image, path.c_str(), cellW, cellH, error, call);
        const double b = Now();
        times.decode += b - a;
        if (!ok) {
            std::fwprintf(stderr, L"%ls: %ls\n", path.c_str(), error);
            break;
        }
        HBITMAP cell = CreateCompatibleBitmap(reference, cellW, cellH);
        HGDIOBJ oldCell = SelectObject(cellDc, cell);
        RECT all = {0, 0, cellW, cellH};
        FillRect(cellDc, &all, (HBRUSH)(COLOR_WINDOW + 1));
        const RECT r = ThumbnailCellRect((int)image.GetWidth(), (int)image.GetHeight());
        ok = RenderThumbnail(r.right - r.left, image, cellDc, r.left, r.top, r.bottom - r.top);
        GdiFlush();
        const double c = Now();
        times.render += c - b;
        const int fullW = call.result.fullWidth > 0 ? call.result.fullWidth : (int)image.GetWidth();
        const int fullH = call.result.fullHeight > 0 ? call.result.fullHeight : (int)image.GetHeight();
        const RECT part = ThumbnailCellRect(fullW, fullH);
        const int w = std::max(1, (int)(part.right - part.left)), h = std::max(1, (int)(part.bottom - part.top));
        HBITMAP partBitmap = CreateCompatibleBitmap(reference, w, h);
        HGDIOBJ oldPart = SelectObject(partDc, partBitmap);
        BitBlt(partDc, 0, 0, w, h, cellDc, part.left, part.top, SRCCOPY);
        SelectObject(partDc, oldPart);
        // AppendThumbnail takes the part's bitmap in every case.
        if (ok)
            ok = db.AppendThumbnail(entry.name, &entry.lastWrite, w, h, image.GetBpp(),
                                    AppState::BrowserCacheCompressionType, partBitmap, fullW, fullH);
        else DeleteObject(partBitmap);
        SelectObject(cellDc, oldCell);
        DeleteObject(cell);
        times.store += Now() - c;
    }
    a = Now();
    ok = db.WriteIndex() && ok;
    db.Close();
    times.store += Now() - a;
    DeleteDC(partDc);
    DeleteDC(cellDc);
    return ok;
}

// The second visit in plain calls: every cell drawn from the cache. Returns
// the number of cells found there.
int SecondVisitSteps(const std::wstring& folder, HDC reference) {
    const int cellW = AppState::BrowserThumbnailWidth, cellH = AppState::BrowserThumbnailHeight;
    CThumbnailDB db;
    int w = 0, h = 0, border = 0;
    if (!db.OpenExisting(folder.c_str(), &w, &h, &border)) return 0;
    HDC cellDc = CreateCompatibleDC(reference);
    HDC storedDc = CreateCompatibleDC(reference);
    int found = 0;
    for (int file = 0; file < FileList::Count; ++file) {
        MediaFileEntry& entry = FileList::Entries[file];
        int slot = -1, thumbW = 0, thumbH = 0, fullW = 0, fullH = 0, depth = 0;
        if (!db.Find(entry.name, &entry.lastWrite, &slot)) continue;
        HBITMAP stored = db.ReadThumbnail(slot, &thumbW, &thumbH, &fullW, &fullH, &depth);
        if (!stored) continue;
        HBITMAP cell = CreateCompatibleBitmap(reference, cellW, cellH);
        HGDIOBJ oldCell = SelectObject(cellDc, cell);
        RECT all = {0, 0, cellW, cellH};
        FillRect(cellDc, &all, (HBRUSH)(COLOR_WINDOW + 1));
        const RECT r = ThumbnailCellRect(fullW, fullH);
        HGDIOBJ old = SelectObject(storedDc, stored);
        SetStretchBltMode(cellDc, COLORONCOLOR);
        StretchBlt(cellDc, r.left, r.top, r.right - r.left, r.bottom - r.top, storedDc, 0, 0, thumbW, thumbH, SRCCOPY);
        SelectObject(storedDc, old);
        DeleteObject(stored);
        SelectObject(cellDc, oldCell);
        DeleteObject(cell);
        ++found;
    }
    GdiFlush();
    DeleteDC(storedDc);
    DeleteDC(cellDc);
    db.Close();
    return found;
}

// One loader run over a freshly filled list of the folder, timed from its
// start until it has ended.
bool TimeLoaderRun(HWND owner, const std::wstring& folder, double& ms) {
    BuildFileListNow(nullptr, folder.c_str());
    BuildSubfolderList(folder.c_str());
    if (!CreateFileListView(owner)) return false;
    SetFileListStyle(FileListWindow());
    if (!FillFileListView(FileListWindow())) return false;
    const double a = Now();
    if (!StartThumbnailLoader(FileListWindow())) return false;
    if (!WaitForThumbnailLoader(INFINITE)) return false;
    ms = Now() - a;
    DestroyFileListView();
    return true;
}

int Thumbs(const wchar_t* folderArg, const wchar_t* cacheRoot, int runs) {
    CreateDirectoryW(cacheRoot, nullptr);
    SetThumbDBRootForTesting(cacheRoot);
    if (!SetCurrentDirectoryW(folderArg)) return 1;
    const std::wstring folder = CurrentFolder();
    AppState::BrowserThumbnailWidth = 120;
    AppState::BrowserThumbnailHeight = 90;
    AppState::BrowserThumbnailBorder = 6;
    AppState::BrowserUseCaching = 1;
    AppState::BrowserCacheCompressionType = 1;
    AppState::BrowserListStyle = 0;
    HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    if (!owner) return 1;
    AppState::MainWindow = owner;

    // The loader itself: first and second visit.
    std::vector<double> first, second;
    int decodedFirst = 0, decodedSecond = -1;
    for (int i = 0; i < runs; ++i) {
        RemoveFolderFromThumbDB(folder.c_str());
        double ms = 0;
        if (!TimeLoaderRun(owner, folder, ms)) return 1;
        first.push_back(ms);
        decodedFirst = ThumbnailLoaderDecodedCount();
        if (!TimeLoaderRun(owner, folder, ms)) return 1;
        second.push_back(ms);
        decodedSecond = ThumbnailLoaderDecodedCount();
    }
    PrintRow("loader_first", first, decodedFirst);
    PrintRow("loader_second", second, decodedSecond);

    // The same work in plain calls, step by step.
    BuildFileListNow(nullptr, folder.c_str());
    HDC reference = GetDC(owner);
    std::vector<double> decode, render, store, total, cached;
    int found = 0;
    for (int i = 0; i < runs; ++i) {
        StepTimes t;
        if (!FirstVisitSteps(folder, reference, t)) return 1;
        decode.push_back(t.decode);
        render.push_back(t.render);
        store.push_back(t.store);
        total.push_back(t.decode + t.render + t.store);
        const double a = Now();
        found = SecondVisitSteps(folder, reference);
        cached.push_back(Now() - a);
    }
    ReleaseDC(owner, reference);
    PrintRow("steps_decode", decode, FileList::Count);
    PrintRow("steps_render", render);
    PrintRow("steps_store", store);
    PrintRow("steps_total", total);
    PrintRow("steps_cached", cached, found);
    const bool complete = found == FileList::Count && decodedFirst == FileList::Count && decodedSecond == 0;
    RemoveFolderFromThumbDB(folder.c_str());
    DestroyWindow(owner);
    AppState::MainWindow = nullptr;
    FreeFileLists();
    return g_messages == 0 && complete ? 0 : 1;
}

int Scan(const wchar_t* folder, int runs) {
    AppState::GeneralSortOrder = 0;
    AppState::GeneralSortAscending = 1;
    AppState::GeneralShowHiddenFiles = 0;
    AppState::BrowserListStyle = 1;  // report: no cut at the thumbnail capacity
    FileList::Capacity = 50000;
    auto timeBuild = [&](int viewMode, bool images, bool videos, bool sound, int& count) {
        AppState::ViewMode = viewMode;
        AppState::GeneralViewImages = images;
        AppState::GeneralPlayVideos = videos;
        AppState::GeneralPlayMusic = sound;
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            const double a = Now();
            BuildFileList(nullptr, folder);
            if (viewMode != VIEW_BROWSER) WaitForFileScan(INFINITE);
            times.push_back(Now() - a);
            count = FileList::Count;
        }
        return times;
    };
    int all = 0, images = 0, worker = 0;
    const std::vector<double> allTimes = timeBuild(VIEW_BROWSER, true, true, true, all);
    const std::vector<double> imageTimes = timeBuild(VIEW_BROWSER, true, false, false, images);
    const std::vector<double> workerTimes = timeBuild(VIEW_VIEWER, true, true, true, worker);
    PrintRow("scan_all", allTimes, all);
    PrintRow("scan_images", imageTimes, images);
    PrintRow("scan_worker", workerTimes, worker);

    std::vector<double> times;
    size_t walked = 0;
    for (int i = 0; i < runs; ++i) {
        const double a = Now();
        std::vector<MediaFileEntry> entries;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((std::wstring(folder) + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (data.cFileName[0] == L'.' || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
                MediaFileEntry entry{};
                CopyStringW(entry.name, data.cFileName);
                entry.size = data.nFileSizeLow;
                entry.lastWrite = data.ftLastWriteTime;
                entries.push_back(entry);
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        std::sort(entries.begin(), entries.end(),
                  [](const MediaFileEntry& a, const MediaFileEntry& b) { return lstrcmpiW(a.name, b.name) < 0; });
        times.push_back(Now() - a);
        walked = entries.size();
    }
    PrintRow("walk_sort", times, (int)walked);
    FreeFileLists();
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetMessageHook(PrintMessage);
    AppState::Instance = GetModuleHandleW(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    if (argc == 5 && wcscmp(argv[1], L"thumbs") == 0) return Thumbs(argv[2], argv[3], std::max(1, _wtoi(argv[4])));
    if (argc == 4 && wcscmp(argv[1], L"scan") == 0) return Scan(argv[2], std::max(1, _wtoi(argv[3])));
    std::fprintf(stderr, "usage: bench_browser thumbs FOLDER CACHEROOT RUNS | scan FOLDER RUNS\n");
    return 2;
}
