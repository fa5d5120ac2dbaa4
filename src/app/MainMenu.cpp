// The menu bar with its enable, gray and check states. Owner drawing with the
// skin's icon strips is not built yet: the menu shows the system's look.
#include "app/MainMenu.h"

#include "app/AppState.h"
#include "app/CommandState.h"

CMainMenu MainMenu;
HMENU CurrentPopupMenu = nullptr;

void ApplyCommandStates(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW item = {};
        item.cbSize = sizeof(item);
        item.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE;
        if (!GetMenuItemInfoW(menu, (UINT)i, TRUE, &item)) continue;
        if (item.hSubMenu) {
            ApplyCommandStates(item.hSubMenu);
            continue;
        }
        if (item.fType & MFT_SEPARATOR) continue;
        EnableMenuItem(menu, (UINT)i, MF_BYPOSITION | (IsCommandEnabled(item.wID) ? MF_ENABLED : MF_GRAYED));
    }
}

bool CMainMenu::Load(HWND ownerWindow) {
    owner = ownerWindow;
    menu = LoadMenuW(AppState::Instance, L"THEMENU");
    if (!menu) return false;
    SetMenu(owner, menu);
    CurrentPopupMenu = menu;
    created = true;
    UpdateStates();
    return true;
}

void CMainMenu::Destroy() {
    if (!created) return;
    if (owner && GetMenu(owner) == menu) SetMenu(owner, nullptr);
    DestroyMenu(menu);
    FreeSkinBitmaps();
    if (font) DeleteObject(font);
    font = nullptr;
    menu = nullptr;
    if (CurrentPopupMenu) CurrentPopupMenu = nullptr;
    created = false;
}

void CMainMenu::UpdateStates() {
    if (!created) return;
    ApplyCommandStates(menu);
    CheckMenuItem(menu, 40046, MF_BYCOMMAND | (AppState::GeneralShowToolbar ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, 40047, MF_BYCOMMAND | (AppState::GeneralShowStatusbar ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, 40051, MF_BYCOMMAND | (AppState::GeneralViewImageAsTiles ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, 40061, MF_BYCOMMAND | (AppState::GeneralAlwaysMaximizeWindow ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, 40069, MF_BYCOMMAND | (AppState::GeneralLastWinPos ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, 40042, MF_BYCOMMAND | (AppState::BrowserStyle == 0 ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, 40045, MF_BYCOMMAND | (AppState::BrowserStyle == 1 ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuRadioItem(menu, 40347, 40351, AppState::ToolMode == 0 ? 40347 : AppState::ToolMode == 1 ? 40351 : 40350,
                       MF_BYCOMMAND);
    if (owner) DrawMenuBar(owner);
}

void CMainMenu::MakeOwnerDrawn(HMENU) {}
void CMainMenu::FreeSkinBitmaps() {
    if (hotBitmap) DeleteObject(hotBitmap);
    if (coldBitmap) DeleteObject(coldBitmap);
    hotBitmap = coldBitmap = nullptr;
}
void CMainMenu::LoadSkinBitmaps() {}
bool CMainMenu::MeasureItem(MEASUREITEMSTRUCT*) {
    return false;
}
bool CMainMenu::DrawItem(const DRAWITEMSTRUCT*) {
    return false;
}
