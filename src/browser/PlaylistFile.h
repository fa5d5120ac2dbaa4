// Playlist files: the program's own ".qrvlist" (an INI file) and ".m3u" lists.
#pragma once
#include <windows.h>

#include "browser/FileList.h"

// A playlist read from a file, held apart from the Playlist model until the
// whole file was read. Owns its entries (malloc'd).
struct PlaylistFileData {
    MediaFileEntry* entries = nullptr;
    int count = 0;
    int current = 0;
    PlaylistShowSettings settings = {};
    wchar_t filePath[MAX_PATH] = {};

    PlaylistFileData() = default;
    ~PlaylistFileData();
    PlaylistFileData(const PlaylistFileData&) = delete;
    PlaylistFileData& operator=(const PlaylistFileData&) = delete;
};

// Reads a ".qrvlist" file into out: the show settings (a Delay below 20 reads
// as 5000) and the entries File0000, File0001 ... (relative ones joined to the
// list's own folder when RelativePaths is set; missing files are kept with
// zero size and time). False with the reason in errorText (FORMAT_ERROR_CHARS).
bool ReadQrvListFile(const wchar_t* path, PlaylistFileData& out, wchar_t* errorText);
// Reads an ".m3u" list into out behind copies of the first existingCount
// entries of existing: "#" lines, empty lines, lines naming no existing file
// and lines too long for a path are skipped; relative lines are joined to the
// list's own folder. ANSI text, or UTF-16 / UTF-8 with a byte-order mark.
bool ReadM3UFile(const wchar_t* path, const MediaFileEntry* existing, int existingCount, PlaylistFileData& out,
                 wchar_t* errorText);
// Makes data the Playlist model (Entries, Count, Current, Settings, FilePath)
// and sets Playlist::Active; data is left empty.
void TakePlaylistFileData(PlaylistFileData& data);

// Reads an ".m3u" list and appends its entries to the playlist.
bool LoadM3UFile(const wchar_t* path, wchar_t* errorText);

// Writes the Playlist model as a ".qrvlist" file (RelativePaths 0, full paths,
// the music file when one is set). False for a null path or a failed write.
bool SavePlaylistFile(const wchar_t* path);
// Writes the playlist as an ".m3u" list in lower case: entries below the
// list's folder relative to it, all others as full paths. False for a null path or a file
// that cannot be written.
bool SaveM3UFile(const wchar_t* path);

// The slide-show output's settings (registry values "CreateSlideShow..."). A
// never-saved playlist takes its Delay and Direction from them as well.
struct CreateSlideShowSettings {
    int Output = 1;  // 0 burn on CD, 1 copy to a folder
    wchar_t OutputDirectory[MAX_PATH] = L"C:\\Temp";
    wchar_t OutputFilename[MAX_PATH] = L"Photos 2004";
    int Direction = 0;
    int Delay = 5000;
    int PlayOnlyOnce = 0;
    int StartInPresentationMode = 1;
    int RelativePaths = 0;
    int AutorunCDRom = 0;
    int UseTransitions = 1;
    int TransitionTypes = 0;
    int UseBackgroundMusic = 0;
    wchar_t BackgroundMusicFilename[MAX_PATH] = {};
};
// Reads the settings from the program's registry key; missing values keep
// their defaults above.
void LoadCreateSlideShowSettings(CreateSlideShowSettings& settings);
void SaveCreateSlideShowSettings(const CreateSlideShowSettings& settings);
