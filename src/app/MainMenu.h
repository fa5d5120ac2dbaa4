// CMainMenu: the main window's menu bar "THEMENU", its item states and the
// owner-drawn look of its popups (and of the program's context menus): the
// skin's menu icon strips in a column on the left, a gradient behind the text
// and a framed highlight.
#pragma once
#include <windows.h>

class CMainMenu {
public:
    // Loads "THEMENU" (a previous menu is destroyed first) and sets it on the
    // window; with owner drawing on, also the font and the icon strips. False,
    // and no menu, when the resource cannot be loaded.
    bool Load(HWND owner);
    void Destroy();
    // Grays or enables every item through IsCommandEnabled, then sets the checks.
    void UpdateStates();
    // Makes every item of the menu and its submenus owner-drawn; nothing while
    // owner drawing is off (OwnerDrawnMenusWanted).
    void MakeOwnerDrawn(HMENU menu);
    void FreeSkinBitmaps();
    // The current skin's MenuCold and MenuHot strips, magenta turned into the
    // menu background; a strip that is missing stays null (no icons drawn).
    void LoadSkinBitmaps();
    // WM_MEASUREITEM and WM_DRAWITEM of a menu item; the item's text is read
    // from `holder` (by command). The forms without a menu read from
    // CurrentPopupMenu. False for records that are not of a menu.
    bool MeasureItem(HWND window, MEASUREITEMSTRUCT* item, HMENU holder);
    bool MeasureItem(MEASUREITEMSTRUCT* item);
    bool DrawItem(const DRAWITEMSTRUCT* item, HMENU holder);
    bool DrawItem(const DRAWITEMSTRUCT* item);

    HMENU menu = nullptr;
    HWND owner = nullptr;
    bool created = false;
    HFONT font = nullptr;
    HBITMAP hotBitmap = nullptr;
    HBITMAP coldBitmap = nullptr;
};

extern CMainMenu MainMenu;
// The menu the owner-draw code paints (the main menu, or a popup while it is open).
extern HMENU CurrentPopupMenu;
// Enables or grays every command item of a menu and its submenus by the
// command predicate (IsCommandEnabled); used for the bar and for the popups.
void ApplyCommandStates(HMENU menu);

// Owner drawing is on: GeneralOwnerdrawnMenu is set and the screen has more
// than 8 bits per pixel.
bool OwnerDrawnMenusWanted();

// The menu icon strips: one row of 16 x 16 cells, cell n at x = 16 n.
inline constexpr int kMenuIconSize = 16;
inline constexpr int kMenuIconCells = 63;
// The icon cell of a command, -1 for a command without an icon. The option
// mark (cell 15) becomes cell 16 and the check mark (cell 31) cell 17 when
// the item is checked.
int MenuIconCell(UINT command, bool checked);
// The size of an owner-drawn item: 10 x 9 for a separator; else the text's
// width less the font's overhang plus 31, and its height plus 5 (at least 21).
SIZE MenuItemSize(bool separator, SIZE text, int overhang);
// The background of the icon column and the start of the gradient, and the
// highlight fill (the XP colours, or the older ones before XP).
COLORREF MenuBackgroundColor();
COLORREF MenuHighlightColor();
