// The folder's file list and the playlist models, and the folder scan worker.
#pragma once
#include <windows.h>
#include <atomic>
#include <cstdint>

#include "app/MainWindowIds.h"

struct MediaFileEntry {
    wchar_t name[MAX_PATH];  // relative to the current folder; a full path in the playlist
    uint32_t size;
    FILETIME lastWrite;
    int width;
    int height;
    int bpp;
};

// The file list's wildcard patterns: the image, video and sound groups, each in
// its order; a build packs the groups it takes from slot 0.
inline constexpr int FILE_PATTERN_SLOTS = 98;
inline constexpr int FILE_PATTERN_CHARS = 32;

struct FileList {
    static inline MediaFileEntry* Entries = nullptr;
    static inline int Count = 0;
    static inline int Current = 0;
    static inline int Capacity = 50000;  // lowered once to 2,000 by the first thumbnail browse
    static inline wchar_t Patterns[FILE_PATTERN_SLOTS][FILE_PATTERN_CHARS] = {};
    static inline int PatternCount = 0;
    static inline MediaFileEntry* Subfolders = nullptr;
    static inline int SubfolderCount = 0;
    static inline int SubfolderCapacity = 500;
    static inline std::atomic<bool> ScanBusy = false;
    static inline std::atomic<bool> ScanStop = false;  // asks the scan worker to end
    static inline HANDLE ScanThread = nullptr;
    static inline int SelectedItem = -1;
    // Number of the latest build; a worker's result of an older build is dropped.
    static inline std::atomic<unsigned> Generation = 0;
};

// The show settings a playlist file carries (Delay in milliseconds; Direction
// 0 forward, 1 backward, 2 random).
struct PlaylistShowSettings {
    int StartInPresentationMode = 0;
    int Delay = 5000;
    int Direction = 0;
    int PlayOnlyOnce = 0;
    int RelativePaths = 0;
    int UseTransitions = 0;
    int TransitionTypes = 0;
    int UseBackgroundMusic = 0;
    wchar_t BackgroundMusicFile[MAX_PATH] = {};
};

struct Playlist {
    static inline MediaFileEntry* Entries = nullptr;
    static inline int Count = 0;
    static inline int Current = 0;
    static inline bool Active = false;
    static inline bool ShowRunning = false;
    static inline wchar_t FilePath[MAX_PATH] = {};
    static inline PlaylistShowSettings Settings = {};
};

// Rebuilds the folder's media file list, and FileList::Current on the name of
// currentFile (a path or a name, may be null). In browser mode, or while the
// browser is open, the build runs on this thread; otherwise a worker scans and
// posts its result, and FileList::ScanBusy stays set until it is taken.
void BuildFileList(const wchar_t* currentFile, const wchar_t* folder);
// The same build on this thread in every mode, for a caller that uses the list
// at once (the slide show started from the command line).
void BuildFileListNow(const wchar_t* currentFile, const wchar_t* folder);
// Rebuilds the subfolder list of folder (empty on the configuration tab).
void BuildSubfolderList(const wchar_t* folder);
// Fills FileList::Patterns with the chosen groups; returns their number.
int FillFilePatterns(bool images, bool videos, bool sound);
// Sorts in place: order 0 name, 1 size, 2 date, any other value keeps the order.
void SortFileEntries(MediaFileEntry* entries, int count, int order, bool ascending);
// Takes a worker's posted result: swaps it in when it belongs to the latest
// build (and clears FileList::ScanBusy), else frees it. True when swapped in.
bool TakeFileScanResult(LPARAM result);
// Waits at most timeoutMs for the latest worker and takes its result from this
// thread's queue, for callers that need the list at once. True when no scan
// is busy any more.
bool WaitForFileScan(DWORD timeoutMs);
// List index (subfolders first) of a file index, and back; -1 outside the lists.
int ListIndexFromFileIndex(int fileIndex);
int FileIndexFromListIndex(int listIndex);
// Asks a running folder scan to stop and waits at most timeoutMs for it.
// Returns true when no scan runs any more (its lists may then be freed).
bool StopFileScan(DWORD timeoutMs);
// Frees the entry arrays of the file and subfolder lists.
void FreeFileLists();
// The file list box of the tool dialogs that run over a list of files.
inline constexpr int kToolFileListBox = 1089;
// Adds the browser's selection (two files or more; or the playlist on the
// playlist tab) as full paths to the tool dialog's list box, without sound
// files unless includeSound, only JPEG files with jpegOnly, and no path twice.
// False when the browser is closed or hidden.
bool AddSelectionToListBox(HWND dialog, bool includeSound, bool jpegOnly);
// Appends a copy of entry to *array (count elements); false when refused or
// out of memory, with nothing changed.
bool AppendMediaFileEntry(MediaFileEntry** array, MediaFileEntry entry, int* count);
// Removes element index; false (nothing changed) when it is not in 0..count - 1.
bool RemoveMediaFileEntry(MediaFileEntry* array, int index, int* count);

// The reader of playlist files in the load dispatch (errorText holds
// FORMAT_ERROR_CHARS characters): ".m3u" lists, everything else as ".qrvlist".
// A thumbnail or preview load succeeds at once without reading the list. The
// playlist changes only when the list was read (see browser/PlaylistFile.h).
bool LoadPlaylistFile(const wchar_t* path, wchar_t* errorText);
