#include "app/Skin.h"

#include <cwchar>

#include "app/AppState.h"
#include "image/Common.h"

CSkin Skin;

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);

// printf into a MAX_PATH buffer; false (and an empty buffer) when the text
// does not fit.
bool FormatPath(wchar_t* out, const wchar_t* format, const wchar_t* a, const wchar_t* b, const wchar_t* c = L"") {
    const int n = swprintf(out, MAX_PATH, format, a, b, c);
    if (n < 0 || n >= MAX_PATH) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

}  // namespace

int PlayerButtonRowFor(UINT itemState) {
    if (itemState & ODS_SELECTED) return PLAYER_ROW_PRESSED;
    if (itemState & ODS_DISABLED) return PLAYER_ROW_DISABLED;
    if (itemState & ODS_HOTLIGHT) return PLAYER_ROW_HOT;
    return PLAYER_ROW_NORMAL;
}

POINT PlayerCellOrigin(int buttonWidth, int buttonHeight, int cellWidth, int cellHeight) {
    return POINT{(buttonWidth - cellWidth) / 2, (buttonHeight - cellHeight) / 2};
}

bool CSkin::Clear() {
    FreePlayerBitmap();
    cxPlayerButton = cyPlayerButton = cxPlayerImage = cyPlayerImage = 0;
    name[0] = skinsFolder[0] = iniPath[0] = L'\0';
    loaded = false;
    return true;
}

bool CSkin::Load(const wchar_t* skinName) {
    if (!skinName) return false;
    if (loaded) Clear();
    CopyStringW(name, skinName);
    // Cached only now: the getters compute while the skin is not loaded yet.
    GetSkinsFolder(skinsFolder);
    GetIniPath(iniPath);
    cxPlayerButton = GetInt(L"cxPlayerButton");
    cyPlayerButton = GetInt(L"cyPlayerButton");
    cxPlayerImage = GetInt(L"cxPlayerImage");
    cyPlayerImage = GetInt(L"cyPlayerImage");
    loaded = true;
    return true;
}

bool CSkin::GetSkinsFolder(wchar_t* out) const {
    if (loaded) {
        CopyStringW(out, skinsFolder);
        return out[0] != L'\0';
    }
    wchar_t folder[MAX_PATH];
    if (!GetProgramFolder(folder) || !AppendPath(folder, L"Skins")) {
        out[0] = L'\0';
        return false;
    }
    CopyStringW(out, folder);
    return true;
}

bool CSkin::GetIniPath(wchar_t* out) const {
    if (loaded) {
        CopyStringW(out, iniPath);
        return out[0] != L'\0';
    }
    wchar_t folder[MAX_PATH];
    if (!GetSkinsFolder(folder)) {
        out[0] = L'\0';
        return false;
    }
    return FormatPath(out, L"%ls\\%ls.ini", folder, name);
}

bool CSkin::GetBitmapPath(const wchar_t* part, wchar_t* out) const {
    wchar_t folder[MAX_PATH];
    if (!GetSkinsFolder(folder)) {
        out[0] = L'\0';
        return false;
    }
    return FormatPath(out, L"%ls\\%ls%ls", folder, name, part);
}

int CSkin::GetInt(const wchar_t* key) const {
    wchar_t path[MAX_PATH];
    // No ini that could be named: every value is the default.
    if (!GetIniPath(path)) return kSkinDefaultSize;
    return (int)GetPrivateProfileIntW(L"Skin", key, kSkinDefaultSize, path);
}

bool CSkin::LoadPlayerBitmap() {
    FreePlayerBitmap();
    wchar_t path[MAX_PATH];
    if (!GetBitmapPath(L"Player.bmp", path)) return false;
    playerBitmap = (HBITMAP)LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (!playerBitmap) return false;
    const int background = AppState::IsWindowsXPOrLater ? COLOR_MENUBAR : COLOR_3DLIGHT;
    ReplaceBitmapColor(playerBitmap, kMagenta, GetSysColor(background));
    return true;
}

bool CSkin::FreePlayerBitmap() {
    if (playerBitmap) DeleteObject(playerBitmap);
    playerBitmap = nullptr;
    return true;
}

void CSkin::DrawPlayerButton(int index, HDC dc, UINT itemState, const RECT& rect) const {
    FillRect(dc, &rect, GetSysColorBrush(COLOR_3DLIGHT));
    if (!playerBitmap) return;
    HDC source = CreateCompatibleDC(dc);
    if (!source) return;
    HGDIOBJ old = SelectObject(source, playerBitmap);
    const POINT at = PlayerCellOrigin(cxPlayerButton, cyPlayerButton, cxPlayerImage, cyPlayerImage);
    BitBlt(dc, at.x, at.y, cxPlayerImage, cyPlayerImage, source, index * cxPlayerImage,
           PlayerButtonRowFor(itemState) * cyPlayerImage, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}
