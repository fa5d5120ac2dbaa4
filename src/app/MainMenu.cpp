// The menu bar with its enable, gray and check states. Owner drawing with the
// skin's icon strips is not built yet: the menu shows the system's look.
#include "app/MainMenu.h"

#include "app/AppState.h"
#include "app/CommandState.h"
#include "app/Language.h"
#include "command_ids.h"

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
    LangApplyMainMenu(menu);
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
    const auto check = [this](UINT id, bool checked) {
        CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    };
    check(IDM_SHOW_TOOLBAR, AppState::GeneralShowToolbar);
    check(IDM_SHOW_STATUSBAR, AppState::GeneralShowStatusbar);
    check(IDM_VIEW_AS_TILES, AppState::GeneralViewImageAsTiles);
    check(IDM_ALWAYS_MAXIMIZE, AppState::GeneralAlwaysMaximizeWindow);
    check(IDM_USE_SAVED_WINDOW_POS, AppState::GeneralLastWinPos);
    check(IDM_BROWSER_THUMBNAILS, AppState::BrowserStyle == 0);
    check(IDM_BROWSER_REPORT, AppState::BrowserStyle == 1);
    const UINT tool = AppState::ToolMode == TOOL_SCROLL   ? IDM_TOOL_SCROLL
                      : AppState::ToolMode == TOOL_SELECT ? IDM_TOOL_SELECT
                                                          : IDM_TOOL_RED_MARKER;
    CheckMenuRadioItem(menu, IDM_TOOL_SCROLL, IDM_TOOL_SELECT, tool, MF_BYCOMMAND);
    check(IDM_SLIDESHOW_FULLSCREEN, AppState::SlideShowStartFullscreen);
    for (const UINT id : kChannelViewCommands) check(id, ChannelViewCommand(AppState::ChannelView) == id);
    for (const UINT id : {IDM_SLIDESHOW_FORWARD, IDM_SLIDESHOW_BACKWARD, IDM_SLIDESHOW_RANDOM})
        check(id, (int)(id - IDM_SLIDESHOW_FORWARD) == AppState::SlideShowDirection);
    const UINT sort = SortOrderCommand(AppState::GeneralSortOrder, AppState::GeneralSortAscending != 0);
    for (const UINT id : kSortOrderCommands) check(id, id == sort);
    if (owner) DrawMenuBar(owner);
}

void CMainMenu::MakeOwnerDrawn(HMENU) {}
void CMainMenu::FreeSkinBitmaps() {
    if (hotBitmap) DeleteObject(hotBitmap);
    if (coldBitmap) DeleteObject(coldBitmap);
    hotBitmap = coldBitmap = nullptr;
}
void CMainMenu::LoadSkinBitmaps() {}
bool CMainMenu::MeasureItem(MEASUREITEMSTRUCT*) { return false; }
bool CMainMenu::DrawItem(const DRAWITEMSTRUCT*) { return false; }
