// The folder's file list: a scan of the folder's media files by a table of
// wildcard patterns, sorted by the settings, and beside it the subfolder list.
// Outside the browser the scan runs on a worker that fills arrays of its own
// and posts them; the main window swaps them in.
#include "browser/FileList.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>
#include <unordered_set>

#include "app/AppState.h"
#include "app/Modes.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "formats/Formats.h"
#include "image/Common.h"

namespace {

// The pattern groups in table order. "*.m1v" stands in the video and the
// sound group; a file is listed once all the same (see Scan).
const wchar_t* const kImagePatterns[] = {
    L"*.bmp", L"*.ppp", L"*.jpg", L"*.jif", L"*.dib",  L"*.tga", L"*.pcx",  L"*.rle", L"*.emf",  L"*.zbr",
    L"*.ico", L"*.ppm", L"*.psd", L"*.pdd", L"*.png",  L"*.jpe", L"*.jfif", L"*.ras", L"*.sun",  L"*.gem",
    L"*.img", L"*.iff", L"*.lbm", L"*.msp", L"*.mac",  L"*.cut", L"*.pgm",  L"*.xbm", L"*.pbm",  L"*.tif",
    L"*.pic", L"*.sgi", L"*.bw",  L"*.rgb", L"*.rgba", L"*.hrz", L"*.dds",  L"*.gif", L"*.wmf",  L"*.pix",
    L"*.mng", L"*.jng", L"*.cam", L"*.lvp", L"*.wbmp", L"*.pcd", L"*.psp",  L"*.eps", L"*.fpx",  L"*.jbg",
    L"*.jb2", L"*.jp2", L"*.j2c", L"*.crw", L"*.cur",  L"*.ani", L"*.pnm",  L"*.pct", L"*.qtif", L"*.pntg",
    L"*.exr", L"*.clp", L"*.flt", L"*.msk", L"*.raw",  L"*.lng", L"*.jpp",  L"*.dcx",
};
const wchar_t* const kVideoPatterns[] = {
    L"*.avi", L"*.mpg",  L"*.mpe",  L"*.wmv", L"*.wm",  L"*.asf", L"*.mov", L"*.qt",  L"*.wax",
    L"*.m1v", L"*.mp2v", L"*.mpv2", L"*.m2v", L"*.mpv", L"*.ivf", L"*.wvx", L"*.div",
};
const wchar_t* const kSoundPatterns[] = {
    L"*.wav", L"*.mp1", L"*.mp2", L"*.mp3", L"*.au",  L"*.snd", L"*.rmi",
    L"*.wma", L"*.aif", L"*.mid", L"*.m1v", L"*.mpa", L"*.ogg",
};
static_assert(std::size(kImagePatterns) + std::size(kVideoPatterns) + std::size(kSoundPatterns) == FILE_PATTERN_SLOTS);

constexpr int kFirstThumbnailCapacity = 2000;
constexpr DWORD kScanStackSize = 1000;

// Everything one build needs, copied when it starts, so that a worker reads
// nothing the user-interface thread may change under it.
struct ScanJob {
    wchar_t folder[MAX_PATH] = {};
    wchar_t currentFile[MAX_PATH] = {};
    wchar_t patterns[FILE_PATTERN_SLOTS][FILE_PATTERN_CHARS] = {};
    int patternCount = 0;
    int capacity = 0;
    int sortOrder = 0;
    bool ascending = true;
    bool showHidden = false;
    bool worker = false;  // polls the stop flag and the build number
    unsigned generation = 0;
    HWND notifyWindow = nullptr;
    DWORD notifyThread = 0;
};

struct FileScanResult {
    MediaFileEntry* entries = nullptr;
    int count = 0;
    int current = 0;
    unsigned generation = 0;
};

bool IsDotName(const wchar_t* name) { return name[0] == L'.'; }

// folder + "\" (unless it ends in a separator) + pattern; false when too long.
bool MakeSearchPath(wchar_t* out, const wchar_t* folder, const wchar_t* pattern) {
    size_t length = wcslen(folder);
    bool separator = length > 0 && (folder[length - 1] == L'\\' || folder[length - 1] == L'/');
    if (length + (separator ? 0 : 1) + wcslen(pattern) >= MAX_PATH) return false;
    wcscpy(out, folder);
    if (!separator) wcscat(out, L"\\");
    wcscat(out, pattern);
    return true;
}

MediaFileEntry EntryFromFindData(const WIN32_FIND_DATAW& data) {
    MediaFileEntry entry{};
    CopyStringW(entry.name, data.cFileName);
    entry.size = data.nFileSizeLow;
    entry.lastWrite = data.ftLastWriteTime;
    return entry;
}

// Appends to an array that grows as needed up to capacity elements.
bool PushEntry(MediaFileEntry*& entries, int& count, int& allocated, const MediaFileEntry& entry) {
    if (count == allocated) {
        int grown = allocated ? allocated * 2 : 64;
        auto* bigger = static_cast<MediaFileEntry*>(realloc(entries, sizeof(MediaFileEntry) * (size_t)grown));
        if (!bigger) return false;
        entries = bigger;
        allocated = grown;
    }
    entries[count++] = entry;
    return true;
}

std::wstring FoldedName(const wchar_t* name) {
    std::wstring folded(name);
    for (wchar_t& c : folded) c = (wchar_t)towupper(c);
    return folded;
}

bool ShouldStop(const ScanJob& job) {
    return job.worker && (FileList::ScanStop || FileList::Generation != job.generation);
}

// The name and extension of a path or file name (drive and folders dropped).
const wchar_t* FileNamePart(const wchar_t* path) {
    const wchar_t* name = path;
    for (const wchar_t* p = path; *p; ++p)
        if (*p == L'\\' || *p == L'/' || *p == L':') name = p + 1;
    return name;
}

// Scans, sorts and finds the current file into result. False when a worker
// was asked to stop (result then holds nothing).
bool Scan(const ScanJob& job, FileScanResult& result) {
    result = FileScanResult{};
    result.generation = job.generation;
    int allocated = 0;
    // A file found again by a later pattern (the same extension in two groups,
    // or a long extension matched through its 8.3 name) keeps its first place.
    std::unordered_set<std::wstring> listed;
    for (int p = 0; p < job.patternCount && result.count < job.capacity; ++p) {
        wchar_t search[MAX_PATH];
        if (!MakeSearchPath(search, job.folder, job.patterns[p])) continue;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(search, &data);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            if (ShouldStop(job)) {
                FindClose(find);
                free(result.entries);
                result = FileScanResult{};
                return false;
            }
            if (IsDotName(data.cFileName) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && !job.showHidden) continue;
            if (!listed.insert(FoldedName(data.cFileName)).second) continue;
            if (!PushEntry(result.entries, result.count, allocated, EntryFromFindData(data))) break;
        } while (result.count < job.capacity && FindNextFileW(find, &data));
        FindClose(find);
    }
    if (result.count < 2) return !ShouldStop(job);
    SortFileEntries(result.entries, result.count, job.sortOrder, job.ascending);
    if (job.currentFile[0]) {
        const wchar_t* name = FileNamePart(job.currentFile);
        for (int i = 0; i < result.count; ++i) {
            if (_wcsicmp(result.entries[i].name, name) == 0) {
                result.current = i;
                break;
            }
        }
    }
    return !ShouldStop(job);
}

void SwapIn(FileScanResult& result) {
    free(FileList::Entries);
    FileList::Entries = result.entries;
    FileList::Count = result.count;
    FileList::Current = result.current;
    result.entries = nullptr;
}

DWORD WINAPI FileScanThread(void* parameter) {
    auto* job = static_cast<ScanJob*>(parameter);
    auto* result = new FileScanResult;
    bool posted = false;
    if (Scan(*job, *result)) {
        LPARAM message = reinterpret_cast<LPARAM>(result);
        if (job->notifyWindow) posted = PostMessageW(job->notifyWindow, WM_APP_FILE_SCAN_DONE, 0, message);
        else posted = PostThreadMessageW(job->notifyThread, WM_APP_FILE_SCAN_DONE, 0, message);
    }
    if (!posted) {
        free(result->entries);
        delete result;
    }
    delete job;
    return 1;
}

bool BrowsingNow() { return AppState::ViewMode == VIEW_BROWSER || Browser.open; }

}  // namespace

int FillFilePatterns(bool images, bool videos, bool sound) {
    int count = 0;
    auto take = [&count](const wchar_t* const* group, size_t size) {
        for (size_t i = 0; i < size; ++i) CopyStringW(FileList::Patterns[count++], group[i], FILE_PATTERN_CHARS);
    };
    if (images) take(kImagePatterns, std::size(kImagePatterns));
    if (videos) take(kVideoPatterns, std::size(kVideoPatterns));
    if (sound) take(kSoundPatterns, std::size(kSoundPatterns));
    FileList::PatternCount = count;
    return count;
}

void SortFileEntries(MediaFileEntry* entries, int count, int order, bool ascending) {
    if (!entries || count < 2 || order < 0 || order > 2) return;
    auto key = [order](const MediaFileEntry& a, const MediaFileEntry& b) {
        if (order == 0) return lstrcmpiW(a.name, b.name);
        if (order == 1) return a.size < b.size ? -1 : (a.size > b.size ? 1 : 0);
        return (int)CompareFileTime(&a.lastWrite, &b.lastWrite);
    };
    std::sort(entries, entries + count, [&](const MediaFileEntry& a, const MediaFileEntry& b) {
        return ascending ? key(a, b) < 0 : key(b, a) < 0;
    });
}

void FreeFileLists() {
    free(FileList::Entries);
    FileList::Entries = nullptr;
    FileList::Count = 0;
    FileList::Current = 0;
    free(FileList::Subfolders);
    FileList::Subfolders = nullptr;
    FileList::SubfolderCount = 0;
}

bool StopFileScan(DWORD timeoutMs) {
    if (!FileList::ScanBusy || !FileList::ScanThread) return !FileList::ScanBusy;
    FileList::ScanStop = 1;
    bool stopped = WaitForSingleObject(FileList::ScanThread, timeoutMs) == WAIT_OBJECT_0;
    if (stopped) {
        CloseHandle(FileList::ScanThread);
        FileList::ScanThread = nullptr;
        FileList::ScanBusy = 0;
    }
    return stopped;
}

namespace {

void StartBuild(const wchar_t* currentFile, const wchar_t* folder, bool onThisThread) {
    auto* job = new ScanJob;
    if (currentFile) CopyStringW(job->currentFile, currentFile);
    if (folder) CopyStringW(job->folder, folder);
    FileList::Count = 0;
    FileList::Current = 0;
    if (Browser.open) {
        const int tab = AppState::BrowserTab;
        const bool all = tab == TAB_ALL_TYPES || tab == TAB_PLAYLIST;
        FillFilePatterns(all || tab == TAB_IMAGES, all || tab == TAB_VIDEOS, all || tab == TAB_AUDIO);
    } else {
        FillFilePatterns(AppState::GeneralViewImages != 0, AppState::GeneralPlayVideos != 0,
                         AppState::GeneralPlayMusic != 0);
    }
    free(FileList::Entries);
    FileList::Entries = nullptr;
    job->patternCount = FileList::PatternCount;
    memcpy(job->patterns, FileList::Patterns, sizeof(job->patterns));
    job->sortOrder = AppState::GeneralSortOrder;
    job->ascending = AppState::GeneralSortAscending != 0;
    job->showHidden = AppState::GeneralShowHiddenFiles != 0;
    job->generation = ++FileList::Generation;

    const bool browsing = BrowsingNow();
    if (browsing || onThisThread) {
        FileList::ScanBusy = 0;
        // The browser has read the folder's own style into the list style.
        if (browsing && AppState::BrowserListStyle == 0 && FileList::Capacity > kFirstThumbnailCapacity)
            FileList::Capacity = kFirstThumbnailCapacity;
        job->capacity = FileList::Capacity;
        FileScanResult result;
        Scan(*job, result);
        SwapIn(result);
        delete job;
        return;
    }

    job->capacity = FileList::Capacity;
    job->worker = true;
    job->notifyWindow = AppState::MainWindow && IsWindow(AppState::MainWindow) ? AppState::MainWindow : nullptr;
    job->notifyThread = GetCurrentThreadId();
    FileList::ScanStop = 0;
    FileList::ScanBusy = 1;
    HANDLE thread = CreateThread(nullptr, kScanStackSize, FileScanThread, job, 0, nullptr);
    if (!thread) {
        // No worker: the scan runs here instead.
        job->worker = false;
        FileScanResult result;
        Scan(*job, result);
        SwapIn(result);
        delete job;
        FileList::ScanBusy = 0;
        return;
    }
    if (FileList::ScanThread) CloseHandle(FileList::ScanThread);
    FileList::ScanThread = thread;
}

}  // namespace

void BuildFileList(const wchar_t* currentFile, const wchar_t* folder) { StartBuild(currentFile, folder, false); }

void BuildFileListNow(const wchar_t* currentFile, const wchar_t* folder) { StartBuild(currentFile, folder, true); }

bool TakeFileScanResult(LPARAM message) {
    auto* result = reinterpret_cast<FileScanResult*>(message);
    if (!result) return false;
    bool latest = result->generation == FileList::Generation;
    if (latest) {
        SwapIn(*result);
        FileList::ScanBusy = 0;
    }
    free(result->entries);
    delete result;
    return latest;
}

bool WaitForFileScan(DWORD timeoutMs) {
    if (FileList::ScanBusy && FileList::ScanThread &&
        WaitForSingleObject(FileList::ScanThread, timeoutMs) != WAIT_OBJECT_0)
        return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_APP_FILE_SCAN_DONE, WM_APP_FILE_SCAN_DONE, PM_REMOVE)) {
        if (msg.hwnd) DispatchMessageW(&msg);
        else TakeFileScanResult(msg.lParam);
    }
    return !FileList::ScanBusy;
}

void BuildSubfolderList(const wchar_t* folder) {
    FileList::SubfolderCount = 0;
    if (Browser.open && AppState::BrowserTab == TAB_CONFIGURE) return;
    free(FileList::Subfolders);
    FileList::Subfolders =
        static_cast<MediaFileEntry*>(calloc((size_t)FileList::SubfolderCapacity, sizeof(MediaFileEntry)));
    wchar_t search[MAX_PATH];
    if (!FileList::Subfolders || !folder || !MakeSearchPath(search, folder, L"*.*")) return;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(search, &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (IsDotName(data.cFileName) || !(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && !AppState::GeneralShowHiddenFolders) continue;
        FileList::Subfolders[FileList::SubfolderCount++] = EntryFromFindData(data);
    } while (FileList::SubfolderCount < FileList::SubfolderCapacity && FindNextFileW(find, &data));
    FindClose(find);
    SortFileEntries(FileList::Subfolders, FileList::SubfolderCount, AppState::GeneralSortOrder,
                    AppState::GeneralSortAscending != 0);
}

int ListIndexFromFileIndex(int fileIndex) {
    if (fileIndex < 0 || fileIndex >= FileList::Count) return -1;
    return FileList::SubfolderCount + fileIndex;
}

int FileIndexFromListIndex(int listIndex) {
    int fileIndex = listIndex - FileList::SubfolderCount;
    return listIndex >= FileList::SubfolderCount && fileIndex < FileList::Count ? fileIndex : -1;
}

namespace {

void AddPathToListBox(HWND dialog, const wchar_t* path, bool includeSound, bool jpegOnly) {
    if (!includeSound && IsSoundExtension(path)) return;
    if (jpegOnly && GetFormatIdFromExtension(path) != FMT_JPEG) return;
    HWND list = GetDlgItem(dialog, kToolFileListBox);
    if (SendMessageW(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)path) != LB_ERR) return;
    SendMessageW(list, LB_ADDSTRING, 0, (LPARAM)path);
    SendMessageW(list, LB_SETCOLUMNWIDTH, 1000, 0);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, 1000, 0);
    EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
}

}  // namespace

bool AddSelectionToListBox(HWND dialog, bool includeSound, bool jpegOnly) {
    if (!Browser.IsShown()) return false;
    if (Playlist::Active && Playlist::Entries && Playlist::Count > 0 && AppState::BrowserTab == TAB_PLAYLIST) {
        for (int i = 0; i < Playlist::Count; ++i)
            AddPathToListBox(dialog, Playlist::Entries[i].name, includeSound, jpegOnly);
        return true;
    }
    HWND view = Browser.fileListWindow;
    if (!view || SendMessageW(view, LVM_GETSELECTEDCOUNT, 0, 0) <= 1) return true;
    const int items = (int)SendMessageW(view, LVM_GETITEMCOUNT, 0, 0);
    for (int item = 0; item < items; ++item) {
        if (!(SendMessageW(view, LVM_GETITEMSTATE, (WPARAM)item, LVIS_SELECTED) & LVIS_SELECTED)) continue;
        const int file = FileIndexFromListIndex(item);
        if (file < 0 || !FileList::Entries) continue;  // a folder
        wchar_t path[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, path);
        if (AppendPath(path, FileList::Entries[file].name)) AddPathToListBox(dialog, path, includeSound, jpegOnly);
    }
    return true;
}

bool AppendMediaFileEntry(MediaFileEntry** array, MediaFileEntry entry, int* count) {
    if (!array || !count || *count < 0 || (*count > 0 && !*array)) return false;
    auto* grown = static_cast<MediaFileEntry*>(malloc(sizeof(MediaFileEntry) * (size_t)(*count + 1)));
    if (!grown) return false;
    if (*count > 0) memcpy(grown, *array, sizeof(MediaFileEntry) * (size_t)*count);
    grown[*count] = entry;
    free(*array);
    *array = grown;
    ++*count;
    return true;
}

bool RemoveMediaFileEntry(MediaFileEntry* array, int index, int* count) {
    if (!array || !count || *count <= 0 || index < 0 || index > *count - 1) return false;
    memmove(array + index, array + index + 1, sizeof(MediaFileEntry) * (size_t)(*count - 1 - index));
    --*count;
    return true;
}
