// Playlist files. A list is read into a PlaylistFileData of its own and only a
// complete read replaces (".qrvlist") or extends (".m3u") the playlist, so a
// broken file never costs the user the list they have.
#include "browser/PlaylistFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Modes.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/PlaylistShow.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Registry.h"
#include "command_ids.h"

namespace {

const wchar_t kListSection[] = L"QRVLIST";
const wchar_t kFilesSection[] = L"FILES";
const wchar_t kVersion[] = L"1.0";
const wchar_t kCreator[] = L"Quorvane 1.02";
constexpr int kShortestDelay = 20;
constexpr int kDefaultDelay = 5000;

void SetError(wchar_t* errorText, const wchar_t* text) {
    if (errorText) CopyStringW(errorText, text, FORMAT_ERROR_CHARS);
}

// The full path of path and, in folder, the folder it lies in. False when the
// path does not fit.
bool SplitListPath(const wchar_t* path, wchar_t* fullPath, wchar_t* folder) {
    wchar_t* name = nullptr;
    const DWORD length = GetFullPathNameW(path, MAX_PATH, fullPath, &name);
    if (length == 0 || length >= MAX_PATH) return false;
    CopyStringW(folder, fullPath);
    wchar_t* cut = nullptr;
    for (wchar_t* p = folder; *p; ++p)
        if (*p == L'\\' || *p == L'/') cut = p;
    if (cut) cut[cut == folder || cut[-1] == L':' ? 1 : 0] = L'\0';
    return true;
}

bool IsAbsolutePath(const wchar_t* path) { return path[0] == L'\\' || path[0] == L'/' || (path[0] && path[1] == L':'); }

// Size and last-write time of an entry's file; zero when it cannot be opened.
void FillFileFacts(MediaFileEntry& entry) {
    HANDLE file = CreateFileW(entry.name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    entry.size = GetFileSize(file, nullptr);
    GetFileTime(file, nullptr, nullptr, &entry.lastWrite);
    CloseHandle(file);
}

bool IsExistingFile(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int ReadInt(const wchar_t* path, const wchar_t* key, int fallback) {
    return (int)GetPrivateProfileIntW(kListSection, key, fallback, path);
}

// Room for count entries, or null when the size does not fit this process.
MediaFileEntry* AllocateEntries(int count) {
    if (count < 0) return nullptr;
    const uint64_t bytes = (uint64_t)count * sizeof(MediaFileEntry);
    if (bytes > (uint64_t)SIZE_MAX) return nullptr;
    // More than the system can commit cannot be had; asking anyway may only
    // reserve address space and fail page by page later.
    MEMORYSTATUSEX memory = {};
    memory.dwLength = sizeof(memory);
    if (GlobalMemoryStatusEx(&memory) && bytes > memory.ullAvailPageFile) return nullptr;
    return static_cast<MediaFileEntry*>(calloc(count ? (size_t)count : 1, sizeof(MediaFileEntry)));
}

// The text of an ".m3u" file as wide lines (without CR or LF).
std::vector<std::wstring> SplitLines(const std::string& bytes) {
    std::wstring text;
    if (bytes.size() >= 2 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xFE) {
        text.assign((bytes.size() - 2) / 2, L'\0');
        memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
    } else {
        UINT codePage = CP_ACP;
        size_t start = 0;
        if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            codePage = CP_UTF8;
            start = 3;
        }
        const int size = (int)(bytes.size() - start);
        const int n = size > 0 ? MultiByteToWideChar(codePage, 0, bytes.data() + start, size, nullptr, 0) : 0;
        text.assign((size_t)n, L'\0');
        if (n > 0) MultiByteToWideChar(codePage, 0, bytes.data() + start, size, text.data(), n);
    }
    std::vector<std::wstring> lines;
    size_t begin = 0;
    while (begin <= text.size()) {
        size_t end = text.find(L'\n', begin);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(line);
        begin = end + 1;
    }
    return lines;
}

bool ReadWholeFile(const wchar_t* path, std::string& bytes) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size = {};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < 64 * 1024 * 1024;
    if (ok) {
        bytes.assign((size_t)size.QuadPart, '\0');
        DWORD read = 0;
        ok = bytes.empty() ||
             (ReadFile(file, bytes.data(), (DWORD)bytes.size(), &read, nullptr) && read == bytes.size());
    }
    CloseHandle(file);
    return ok;
}

// Puts the list on the browser's playlist tab: shown again and refreshed when
// the browser is open, opened in the current directory otherwise (true). The
// browser lives in the main window; without one there is nothing to show.
bool ShowListInBrowser() {
    AppState::BrowserTab = TAB_PLAYLIST;
    if (!AppState::MainWindow || !IsWindow(AppState::MainWindow)) return false;
    if (Browser.open) {
        if (Browser.IsHidden()) Browser.Show();
        PostMessageW(AppState::MainWindow, WM_COMMAND, IDM_REFRESH, 0);
        return false;
    }
    return Browser.Open(nullptr, BROWSER_OPEN_CURRENT_DIRECTORY, AppState::MainWindow);
}

bool EndsWithExtension(const wchar_t* path, const wchar_t* extension) {
    const wchar_t* dot = wcsrchr(path, L'.');
    return dot && _wcsicmp(dot + 1, extension) == 0;
}

bool WriteKey(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* path) {
    return WritePrivateProfileStringW(section, key, value, path) != FALSE;
}

bool WriteIntKey(const wchar_t* section, const wchar_t* key, int value, const wchar_t* path) {
    wchar_t text[16];
    swprintf(text, 16, L"%d", value);
    return WriteKey(section, key, text, path);
}

bool WriteBytes(HANDLE file, const void* data, size_t size) {
    DWORD written = 0;
    return size == 0 || (WriteFile(file, data, (DWORD)size, &written, nullptr) && written == size);
}

}  // namespace

PlaylistFileData::~PlaylistFileData() { free(entries); }

bool ReadQrvListFile(const wchar_t* path, PlaylistFileData& out, wchar_t* errorText) {
    if (!path || !CanOpenForRead(path, errorText)) return false;
    wchar_t fullPath[MAX_PATH];
    wchar_t folder[MAX_PATH];
    if (!SplitListPath(path, fullPath, folder)) {
        SetError(errorText, L"Failed to open file for read!");
        return false;
    }
    wchar_t version[64] = {};
    GetPrivateProfileStringW(kListSection, L"Version", L"", version, 64, fullPath);
    if (_wcsicmp(version, kVersion) != 0) {
        if (errorText) swprintf(errorText, FORMAT_ERROR_CHARS, L"Unsupported Version: %ls", version);
        return false;
    }
    PlaylistShowSettings settings;
    settings.StartInPresentationMode = ReadInt(fullPath, L"StartInPresentationMode", 0);
    settings.Delay = ReadInt(fullPath, L"Delay", kDefaultDelay);
    if (settings.Delay < kShortestDelay) settings.Delay = kDefaultDelay;
    settings.Direction = ReadInt(fullPath, L"Direction", 0);
    settings.PlayOnlyOnce = ReadInt(fullPath, L"PlayOnlyOnce", 0);
    settings.RelativePaths = ReadInt(fullPath, L"RelativePaths", 0);
    settings.UseTransitions = ReadInt(fullPath, L"UseTransitions", 0);
    settings.TransitionTypes = ReadInt(fullPath, L"TransitionTypes", 0);
    settings.UseBackgroundMusic = ReadInt(fullPath, L"UseBackgroundMusic", 0);
    GetPrivateProfileStringW(kListSection, L"BackgroundMusicFile", L"", settings.BackgroundMusicFile, MAX_PATH,
                             fullPath);

    const int count = (int)GetPrivateProfileIntW(kFilesSection, L"Count", 0, fullPath);
    MediaFileEntry* entries = AllocateEntries(count);
    if (!entries) {
        if (errorText)
            swprintf(errorText, FORMAT_ERROR_CHARS, L"Failed to alloc mem to hold Filenames! Count: %d", count);
        return false;
    }
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        wchar_t key[16];
        swprintf(key, 16, L"File%0.4d", i);
        wchar_t value[MAX_PATH] = {};
        GetPrivateProfileStringW(kFilesSection, key, L"", value, MAX_PATH, fullPath);
        MediaFileEntry& entry = entries[kept];
        entry = MediaFileEntry{};
        if (settings.RelativePaths && !IsAbsolutePath(value)) {
            CopyStringW(entry.name, folder);
            if (!AppendPath(entry.name, value)) continue;  // no path names this entry
        } else {
            CopyStringW(entry.name, value);
        }
        FillFileFacts(entry);
        ++kept;
    }
    free(out.entries);
    out.entries = entries;
    out.count = kept;
    out.current = settings.Direction == 0 || kept == 0 ? 0 : kept - 1;
    out.settings = settings;
    CopyStringW(out.filePath, fullPath);
    return true;
}

bool ReadM3UFile(const wchar_t* path, const MediaFileEntry* existing, int existingCount, PlaylistFileData& out,
                 wchar_t* errorText) {
    if (!path || !CanOpenForRead(path, errorText)) return false;
    wchar_t fullPath[MAX_PATH];
    wchar_t folder[MAX_PATH];
    std::string bytes;
    if (!SplitListPath(path, fullPath, folder) || !ReadWholeFile(fullPath, bytes)) {
        SetError(errorText, L"Failed to open file!!");
        return false;
    }
    MediaFileEntry* entries = nullptr;
    int count = 0;
    for (int i = 0; existing && i < existingCount; ++i) {
        if (!AppendMediaFileEntry(&entries, existing[i], &count)) {
            free(entries);
            SetError(errorText, L"Failed to alloc mem to hold Filenames!");
            return false;
        }
    }
    for (const std::wstring& line : SplitLines(bytes)) {
        if (line.empty() || line[0] == L'#' || line.size() >= MAX_PATH) continue;
        MediaFileEntry entry = {};
        if (IsAbsolutePath(line.c_str())) {
            CopyStringW(entry.name, line.c_str());
        } else {
            CopyStringW(entry.name, folder);
            if (!AppendPath(entry.name, line.c_str())) continue;
        }
        if (!IsExistingFile(entry.name)) continue;
        FillFileFacts(entry);
        if (!AppendMediaFileEntry(&entries, entry, &count)) {
            free(entries);
            SetError(errorText, L"Failed to alloc mem to hold Filenames!");
            return false;
        }
    }
    free(out.entries);
    out.entries = entries;
    out.count = count;
    out.current = 0;
    out.settings = PlaylistShowSettings{};
    out.settings.RelativePaths = 1;
    CopyStringW(out.filePath, fullPath);
    return true;
}

void TakePlaylistFileData(PlaylistFileData& data) {
    free(Playlist::Entries);
    Playlist::Entries = data.entries;
    Playlist::Count = data.count;
    Playlist::Current = data.current;
    Playlist::Settings = data.settings;
    CopyStringW(Playlist::FilePath, data.filePath);
    Playlist::Active = true;
    data.entries = nullptr;
    data.count = 0;
}

bool LoadM3UFile(const wchar_t* path, wchar_t* errorText) {
    if (AppState::BackgroundLoad || AppState::PreviewLoad) return true;
    PlaylistFileData data;
    if (!ReadM3UFile(path, Playlist::Entries, Playlist::Entries ? Playlist::Count : 0, data, errorText)) return false;
    TakePlaylistFileData(data);
    // A list that opened the browser starts its show there.
    if (ShowListInBrowser() && Playlist::Count > 0) StartPlaylistShowFromPanel();
    return true;
}

bool LoadPlaylistFile(const wchar_t* path, wchar_t* errorText) {
    if (path && EndsWithExtension(path, L"m3u")) return LoadM3UFile(path, errorText);
    if (AppState::BackgroundLoad || AppState::PreviewLoad) return true;
    PlaylistFileData data;
    if (!ReadQrvListFile(path, data, errorText)) return false;
    TakePlaylistFileData(data);
    // An empty list goes to the browser like one that is not shown at once.
    if (Playlist::Settings.StartInPresentationMode && Playlist::Count > 0) StartPlaylistPresentation();
    else ShowListInBrowser();
    return true;
}

bool SavePlaylistFile(const wchar_t* path) {
    if (!path || !path[0]) return false;
    DeleteFileW(path);
    // A file that starts with a byte-order mark is kept in UTF-16 by the
    // profile functions, so names outside the ANSI code page survive.
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const unsigned char mark[] = {0xFF, 0xFE};
    const bool marked = WriteBytes(file, mark, sizeof(mark));
    CloseHandle(file);
    if (!marked) return false;

    PlaylistShowSettings& settings = Playlist::Settings;
    settings.RelativePaths = 0;
    bool ok = WriteKey(kListSection, L"Version", kVersion, path);
    ok = WriteKey(kListSection, L"Creator", kCreator, path) && ok;
    ok = WriteIntKey(kListSection, L"StartInPresentationMode", settings.StartInPresentationMode, path) && ok;
    ok = WriteIntKey(kListSection, L"Delay", settings.Delay, path) && ok;
    ok = WriteIntKey(kListSection, L"Direction", settings.Direction, path) && ok;
    ok = WriteIntKey(kListSection, L"PlayOnlyOnce", settings.PlayOnlyOnce, path) && ok;
    ok = WriteIntKey(kListSection, L"RelativePaths", settings.RelativePaths, path) && ok;
    ok = WriteIntKey(kListSection, L"UseTransitions", settings.UseTransitions, path) && ok;
    ok = WriteIntKey(kListSection, L"TransitionTypes", settings.TransitionTypes, path) && ok;
    ok = WriteIntKey(kListSection, L"UseBackgroundMusic", settings.UseBackgroundMusic, path) && ok;
    if (settings.BackgroundMusicFile[0])
        ok = WriteKey(kListSection, L"BackgroundMusicFile", settings.BackgroundMusicFile, path) && ok;
    const int count = Playlist::Entries ? Playlist::Count : 0;
    ok = WriteIntKey(kFilesSection, L"Count", count, path) && ok;
    for (int i = 0; i < count; ++i) {
        wchar_t key[16];
        swprintf(key, 16, L"File%0.4d", i);
        ok = WriteKey(kFilesSection, key, Playlist::Entries[i].name, path) && ok;
    }
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);  // flush the profile cache
    return ok;
}

bool SaveM3UFile(const wchar_t* path) {
    if (!path || !path[0]) return false;
    wchar_t fullPath[MAX_PATH];
    wchar_t folder[MAX_PATH];
    if (!SplitListPath(path, fullPath, folder)) return false;
    std::wstring prefix = folder;
    if (!prefix.empty() && prefix.back() != L'\\' && prefix.back() != L'/') prefix += L'\\';

    std::wstring text;
    const int count = Playlist::Entries ? Playlist::Count : 0;
    for (int i = 0; i < count; ++i) {
        const wchar_t* name = Playlist::Entries[i].name;
        // Only an entry below the list's folder is written relative to it.
        if (wcslen(name) > prefix.size() && _wcsnicmp(name, prefix.c_str(), prefix.size()) == 0) name += prefix.size();
        text += name;
        text += L"\r\n";
    }
    if (!text.empty()) CharLowerBuffW(text.data(), (DWORD)text.size());
    // ANSI text when every name has an ANSI form, else UTF-8 with its mark.
    std::string bytes;
    BOOL lost = FALSE;
    int n = text.empty() ? 0
                         : WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), (int)text.size(), nullptr, 0,
                                               nullptr, &lost);
    UINT codePage = CP_ACP;
    if (lost) {
        codePage = CP_UTF8;
        bytes = "\xEF\xBB\xBF";
        n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    }
    const size_t start = bytes.size();
    bytes.resize(start + (size_t)n);
    if (n > 0)
        WideCharToMultiByte(codePage, codePage == CP_ACP ? WC_NO_BEST_FIT_CHARS : 0, text.c_str(), (int)text.size(),
                            bytes.data() + start, n, nullptr, nullptr);

    DeleteFileW(fullPath);
    HANDLE file = CreateFileW(fullPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = WriteBytes(file, bytes.data(), bytes.size());
    CloseHandle(file);
    return ok;
}

namespace {

// The numbers of CreateSlideShowSettings with their registry names.
struct SlideShowNumber {
    const wchar_t* name;
    int CreateSlideShowSettings::*field;
};
const SlideShowNumber kSlideShowNumbers[] = {
    {L"CreateSlideShowOutput", &CreateSlideShowSettings::Output},
    {L"CreateSlideShowDirection", &CreateSlideShowSettings::Direction},
    {L"CreateSlideShowDelay", &CreateSlideShowSettings::Delay},
    {L"CreateSlideShowPlayOnlyOnce", &CreateSlideShowSettings::PlayOnlyOnce},
    {L"CreateSlideShowStartInPresentationMode", &CreateSlideShowSettings::StartInPresentationMode},
    {L"CreateSlideShowRelativePaths", &CreateSlideShowSettings::RelativePaths},
    {L"CreateSlideShowAutorunCDRom", &CreateSlideShowSettings::AutorunCDRom},
    {L"CreateSlideShowUseTransitions", &CreateSlideShowSettings::UseTransitions},
    {L"CreateSlideShowTransitionTypes", &CreateSlideShowSettings::TransitionTypes},
    {L"CreateSlideShowUseBackgroundMusic", &CreateSlideShowSettings::UseBackgroundMusic},
};

}  // namespace

void LoadCreateSlideShowSettings(CreateSlideShowSettings& settings) {
    settings = CreateSlideShowSettings();  // a value not stored takes its default, not what the caller held
    CRegistry registry(HKEY_CURRENT_USER);
    for (const SlideShowNumber& n : kSlideShowNumbers)
        settings.*n.field = (int)registry.ReadDword(QRV_REGISTRY_KEY, n.name, (uint32_t)(settings.*n.field));
    wchar_t text[MAX_PATH];
    registry.ReadString(QRV_REGISTRY_KEY, L"CreateSlideShowOutputDirectory", settings.OutputDirectory, text);
    CopyStringW(settings.OutputDirectory, text);
    registry.ReadString(QRV_REGISTRY_KEY, L"CreateSlideShowOutputFilename", settings.OutputFilename, text);
    CopyStringW(settings.OutputFilename, text);
    registry.ReadString(QRV_REGISTRY_KEY, L"CreateSlideShowBackgroundMusicFilename", settings.BackgroundMusicFilename,
                        text);
    CopyStringW(settings.BackgroundMusicFilename, text);
}

void SaveCreateSlideShowSettings(const CreateSlideShowSettings& settings) {
    CRegistry registry(HKEY_CURRENT_USER);
    for (const SlideShowNumber& n : kSlideShowNumbers)
        registry.WriteDword(QRV_REGISTRY_KEY, n.name, (uint32_t)(settings.*n.field));
    registry.WriteString(QRV_REGISTRY_KEY, L"CreateSlideShowOutputDirectory", settings.OutputDirectory);
    registry.WriteString(QRV_REGISTRY_KEY, L"CreateSlideShowOutputFilename", settings.OutputFilename);
    registry.WriteString(QRV_REGISTRY_KEY, L"CreateSlideShowBackgroundMusicFilename", settings.BackgroundMusicFilename);
}
