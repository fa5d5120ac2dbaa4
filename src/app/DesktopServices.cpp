#include "app/DesktopServices.h"

#include <shlobj.h>

#include <cwchar>

#include "app/AlphaView.h"
#include "app/AppState.h"
#include "formats/FormatCodecs.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";

// One character as the system keeps these values: 2 bytes, no terminator.
// The registry counts a terminator in when one follows the data given, so a
// non-zero character follows here and exactly the 2 bytes are stored.
bool WriteOneCharacter(HKEY key, const wchar_t* name, wchar_t value) {
    const wchar_t text[2] = {value, L'-'};
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(wchar_t)) == ERROR_SUCCESS;
}

bool ShowOnDesktop(const wchar_t* path) {
    return SystemParametersInfoW(SPI_SETDESKWALLPAPER, 0, const_cast<wchar_t*>(path), SPIF_UPDATEINIFILE) != FALSE;
}

// The document's picture (never an alpha view's treatment) as a BMP file.
bool WritePicture(const wchar_t* path) {
    CDocumentPictureScope scope;
    if (!scope.Ready()) return false;
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    return AppState::CurrentImage.IsValid() && SaveBmp(path, AppState::CurrentImage, error);
}

}  // namespace

wchar_t WallpaperStyleText(int style) { return (wchar_t)(L'0' + (style >= 0 && style <= 2 ? style : 0)); }

wchar_t TileWallpaperText(int style) { return style == 1 ? L'1' : L'0'; }

bool WallpaperFilePath(wchar_t* path, size_t size) {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return false;
    const size_t length = wcslen(folder);
    const wchar_t* separator = length && folder[length - 1] == L'\\' ? L"" : L"\\";
    const int written = swprintf(path, size, L"%ls%lsQuorvane\\Quorvane Wallpaper.bmp", folder, separator);
    return written > 0 && (size_t)written < size;
}

bool SetWallpaper(int style) {
    if (style < 0 || style > 3) return false;
    wchar_t path[MAX_PATH] = {};
    const bool havePath = WallpaperFilePath(path, MAX_PATH);
    if (style == 3) {
        if (havePath) DeleteFileW(path);
        return ShowOnDesktop(L"");
    }
    if (!havePath) return false;

    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return false;
    const bool stored = WriteOneCharacter(key, L"WallpaperStyle", WallpaperStyleText(style)) &&
                        WriteOneCharacter(key, L"TileWallpaper", TileWallpaperText(style));
    RegCloseKey(key);

    wchar_t folder[MAX_PATH];
    CopyStringW(folder, path);
    *wcsrchr(folder, L'\\') = 0;
    CreateDirectoryW(folder, nullptr);
    const bool written = WritePicture(path);
    if (!written) ShowMessage(L"Failed to update Wallpaperimage at: %ls", path);
    // An unwritten picture still leaves the desktop asked for the file (an
    // earlier one may be there), but the call does not count as done.
    const bool shown = ShowOnDesktop(path);
    return stored && written && shown;
}

double IntPower(double x, int n) {
    // The exponent's magnitude in 64 bits: -INT_MIN does not fit an int.
    unsigned long long e = n < 0 ? 0ULL - (unsigned long long)(long long)n : (unsigned long long)n;
    double result = 1.0, base = x;
    while (e) {
        if (e & 1) result *= base;
        base *= base;
        e >>= 1;
    }
    return n < 0 ? 1.0 / result : result;
}
