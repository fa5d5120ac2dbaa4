#include "browser/ThumbnailDBMaintenance.h"

#include <shlwapi.h>

#include <cstdio>
#include <cwchar>

#include "browser/FileListView.h"
#include "browser/ThumbnailDB.h"
#include "image/Common.h"

namespace {

std::wstring FromAnsi(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring wide((size_t)n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &wide[0], n);
    return wide;
}

}  // namespace

std::vector<std::wstring> ListCachedFolders(bool* opened) {
    std::vector<std::wstring> folders;
    const std::wstring ini = ThumbDBIndexPath();
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
    FILE* file = _wfopen(ini.c_str(), L"rb");
    if (opened) *opened = file != nullptr;
    if (!file) return folders;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof(buffer), file)) > 0;) text.append(buffer, n);
    fclose(file);

    // The keys after the section header, but for the folder count.
    size_t at = text.find('[');
    if (at == std::string::npos) return folders;
    at = text.find('\n', at);
    while (at != std::string::npos && at < text.size()) {
        const size_t start = at + 1;
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        at = end;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') break;  // another section
        const size_t equals = line.find('=');
        const std::string key = line.substr(0, equals);
        if (key.empty() || equals == std::string::npos || _stricmp(key.c_str(), "DirCount") == 0) continue;
        folders.push_back(FromAnsi(key));
    }
    return folders;
}

CachedFolderFigures ReadCachedFolderFigures(const wchar_t* folder) {
    CachedFolderFigures figures;
    wchar_t name[MAX_PATH] = {};
    GetPrivateProfileStringW(L"Directories", folder, L"", name, MAX_PATH, ThumbDBIndexPath().c_str());
    figures.cacheName = name;
    if (!name[0] || wcspbrk(name, L"\\/:")) return figures;
    FILE* file = _wfopen((ThumbDBCacheFolder() + L"\\" + name).c_str(), L"rb");
    if (!file) return figures;
    ThumbCacheHeader header = {};
    if (fread(&header, sizeof(header), 1, file) == 1) {
        figures.readable = true;
        figures.cellWidth = header.cellWidth;
        figures.cellHeight = header.cellHeight;
        uint16_t count = 0;
        if (_fseeki64(file, header.indexOffset, SEEK_SET) == 0 && fread(&count, sizeof(count), 1, file) == 1)
            figures.count = count;
        _fseeki64(file, 0, SEEK_END);
        const int64_t size = _ftelli64(file);
        figures.fileSize = size > 0 ? (uint64_t)size : 0;
    }
    fclose(file);
    return figures;
}

std::wstring FormatCacheSize(uint64_t bytes) {
    wchar_t text[32];
    FormatSizeMB(text, bytes);
    return text;
}

int RemoveInvalidFolders(const std::vector<std::wstring>& folders) {
    int removed = 0;
    for (const auto& folder : folders) {
        if (PathIsUNCW(folder.c_str()) || PathFileExistsW(folder.c_str())) continue;
        RemoveFolderFromThumbDB(folder.c_str());
        ++removed;
    }
    return removed;
}

bool DeleteWholeThumbDB(const std::vector<std::wstring>& folders) {
    for (const auto& folder : folders) RemoveFolderFromThumbDB(folder.c_str());
    const std::wstring ini = ThumbDBIndexPath();
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini.c_str());
    if (!DeleteFileW(ini.c_str())) {
        ShowMessage(L"Unable to delete dbt file!");
        return false;
    }
    return true;
}
