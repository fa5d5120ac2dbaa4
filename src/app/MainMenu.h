// CMainMenu: the main window's menu bar "THEMENU".
#pragma once
#include <windows.h>

class CMainMenu {
public:
    bool Load(HWND owner);
    void Destroy();
    void UpdateStates();
    void MakeOwnerDrawn(HMENU menu);
    void FreeSkinBitmaps();
    void LoadSkinBitmaps();
    bool MeasureItem(MEASUREITEMSTRUCT* item);
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
