// The folder's file list and the playlist models, and the folder scan worker.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>

struct MediaFileEntry {
    wchar_t name[MAX_PATH];  // relative to the current folder; a full path in the playlist
    uint32_t size;
    FILETIME lastWrite;
    int width;
    int height;
    int bpp;
};

struct FileList {
    static inline MediaFileEntry* Entries = nullptr;
    static inline int Count = 0;
    static inline int Current = 0;
    static inline int Capacity = 50000;
    static inline MediaFileEntry* Subfolders = nullptr;
    static inline int SubfolderCount = 0;
    static inline int SubfolderCapacity = 500;
    static inline std::atomic<bool> ScanBusy = false;
    static inline std::atomic<bool> ScanStop = false;  // asks the scan worker to end
    static inline HANDLE ScanThread = nullptr;
    static inline int SelectedItem = -1;
};

struct Playlist {
    static inline MediaFileEntry* Entries = nullptr;
    static inline int Count = 0;
    static inline int Current = 0;
    static inline bool Modified = false;
    static inline bool Active = false;
    static inline bool ShowRunning = false;
    static inline wchar_t FilePath[MAX_PATH] = {};
};

// Rebuilds the file list of folder (current index on name) for Previous/Next.
void BuildFileList(const wchar_t* name, const wchar_t* folder);
// Asks a running folder scan to stop and waits at most timeoutMs for it.
// Returns true when no scan runs any more (its lists may then be freed).
bool StopFileScan(DWORD timeoutMs);
// Frees the entry arrays of the file and subfolder lists.
void FreeFileLists();
void AppendMediaFileEntry(MediaFileEntry*& list, const MediaFileEntry& entry, int& count);

// The reader of playlist files in the load dispatch (errorText holds
// FORMAT_ERROR_CHARS characters). A thumbnail or preview load succeeds at once
// without reading the list. Playlist files are not read yet: any other load
// fails with a reason.
bool LoadPlaylistFile(const wchar_t* path, wchar_t* errorText);
