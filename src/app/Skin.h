// The current skin: an ini file and a set of bitmaps named after the skin in
// the "Skins" folder beside the program. The menus, the tool bars and the
// players take their pictures and button sizes from it; the players' button
// strip is held here and drawn by DrawPlayerButton.
#pragma once
#include <windows.h>

// The skin the program ships and falls back to.
inline constexpr wchar_t kDefaultSkinName[] = L"Win2K";
// Every size key of the skin's ini reads as this when it is missing.
inline constexpr int kSkinDefaultSize = 16;

// Rows of the player strip: the state a button cell is drawn for.
enum PlayerButtonRow : int {
    PLAYER_ROW_NORMAL = 0,
    PLAYER_ROW_HOT = 1,
    PLAYER_ROW_DISABLED = 2,
    PLAYER_ROW_PRESSED = 3
};

// The strip row for an owner-draw state: pressed wins over disabled, disabled
// over hot.
int PlayerButtonRowFor(UINT itemState);
// Where a cell of cellWidth x cellHeight goes on a button of buttonWidth x
// buttonHeight: centred, relative to the button's own device context.
POINT PlayerCellOrigin(int buttonWidth, int buttonHeight, int cellWidth, int cellHeight);

class CSkin {
public:
    CSkin() { Clear(); }
    ~CSkin() { Clear(); }
    CSkin(const CSkin&) = delete;
    CSkin& operator=(const CSkin&) = delete;

    // Frees the player strip and forgets the skin: sizes 0, paths empty.
    bool Clear();
    // Makes the named skin current and reads the player sizes from its ini (16
    // for a missing key or a missing ini). False only for a null name.
    bool Load(const wchar_t* skinName);
    // The player strip "<skin>Player.bmp" with its magenta background turned
    // into the menu bar colour (the 3-D light colour before Windows XP).
    bool LoadPlayerBitmap();
    bool FreePlayerBitmap();
    // Fills rect with COLOR_3DLIGHT and copies the button's cell for the state
    // (ODS_SELECTED, ODS_DISABLED, ODS_HOTLIGHT) centred on the button.
    void DrawPlayerButton(int index, HDC dc, UINT itemState, const RECT& rect) const;

    // The paths below fill out (MAX_PATH characters). A path that does not fit
    // counts as not found: false and an empty out, never a cut name that could
    // name another file.
    bool GetSkinsFolder(wchar_t* out) const;
    bool GetIniPath(wchar_t* out) const;
    // "<skins folder>\<skin name><part>", e.g. part L"ImageCold.bmp".
    bool GetBitmapPath(const wchar_t* part, wchar_t* out) const;
    // An integer of section "Skin" of the ini; 16 when missing.
    int GetInt(const wchar_t* key) const;

    int cxPlayerButton = 0, cyPlayerButton = 0, cxPlayerImage = 0, cyPlayerImage = 0;
    HBITMAP playerBitmap = nullptr;
    wchar_t name[MAX_PATH] = {};
    wchar_t skinsFolder[MAX_PATH] = {};
    wchar_t iniPath[MAX_PATH] = {};
    bool loaded = false;
};

extern CSkin Skin;
