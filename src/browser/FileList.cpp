// Stand-in of the folder file list: the list is built on the calling thread
// from the folder's media files (those with a format), sorted by name; the
// settings' kind filters and sort orders come with the browser.
#include "browser/FileList.h"

#include <cstdlib>
#include <cwchar>

#include "app/AppState.h"
#include "formats/Formats.h"
#include "image/Common.h"

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

void AppendMediaFileEntry(MediaFileEntry*& list, const MediaFileEntry& entry, int& count) {
    auto* grown = (MediaFileEntry*)realloc(list, sizeof(MediaFileEntry) * (size_t)(count + 1));
    if (!grown) return;
    list = grown;
    list[count++] = entry;
}

void BuildFileList(const wchar_t* name, const wchar_t* folder) {
    FreeFileLists();
    if (!folder || !*folder) return;
    wchar_t pattern[MAX_PATH];
    CopyStringW(pattern, folder);
    if (!AppendPath(pattern, L"*")) return;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (data.cFileName[0] == L'.' && (!data.cFileName[1] || (data.cFileName[1] == L'.' && !data.cFileName[2])))
            continue;
        MediaFileEntry entry{};
        CopyStringW(entry.name, data.cFileName);
        entry.size = data.nFileSizeLow;
        entry.lastWrite = data.ftLastWriteTime;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (FileList::SubfolderCount < FileList::SubfolderCapacity)
                AppendMediaFileEntry(FileList::Subfolders, entry, FileList::SubfolderCount);
        } else if (FileList::Count < FileList::Capacity && GetFormatIdFromExtension(data.cFileName) != 0) {
            AppendMediaFileEntry(FileList::Entries, entry, FileList::Count);
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    qsort(FileList::Entries, (size_t)FileList::Count, sizeof(MediaFileEntry), [](const void* a, const void* b) {
        return _wcsicmp(static_cast<const MediaFileEntry*>(a)->name, static_cast<const MediaFileEntry*>(b)->name);
    });
    for (int i = 0; name && i < FileList::Count; ++i)
        if (_wcsicmp(name, FileList::Entries[i].name) == 0) FileList::Current = i;
}

bool LoadPlaylistFile(const wchar_t*, wchar_t* errorText) {
    if (AppState::BackgroundLoad || AppState::PreviewLoad) return true;
    if (errorText) CopyStringW(errorText, L"Playlist files cannot be opened in this version yet.", FORMAT_ERROR_CHARS);
    return false;
}
