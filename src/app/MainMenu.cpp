// The menu bar: loading, the item states, and the owner-drawn popups with the
// skin's icon strips.
#include "app/MainMenu.h"

#include <cwchar>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandState.h"
#include "browser/BrowserServices.h"
#include "browser_ids.h"
#include "app/Language.h"
#include "command_ids.h"
#include "image/Common.h"

CMainMenu MainMenu;
HMENU CurrentPopupMenu = nullptr;

namespace {

// Menu texts are read with at most this many characters, terminator included.
constexpr int kMenuTextChars = 260;
constexpr int kOptionMark = 15, kOptionMarkChecked = 16, kCheckMark = 31, kCheckMarkChecked = 17;
constexpr COLORREF kSkinKeyColor = RGB(255, 0, 255);

struct IconCellRow {
    UINT first, last;  // a range of commands
    int cell;
};

constexpr IconCellRow kIconCells[] = {
    {IDM_SELECT_ALL, IDM_SELECT_ALL, 0},
    {IDM_SLIDESHOW, IDM_SLIDESHOW, 1},
    {IDM_UNDO, IDM_UNDO, 2},
    {IDM_WALLPAPER_CENTERED, IDM_WALLPAPER_CENTERED, 3},
    {IDM_WALLPAPER_DELETE, IDM_WALLPAPER_DELETE, 4},
    {IDM_WALLPAPER_STRETCHED, IDM_WALLPAPER_STRETCHED, 5},
    {IDM_WALLPAPER_TILED, IDM_WALLPAPER_TILED, 6},
    {IDM_ZOOM_100, IDM_ZOOM_100, 8},
    {IDM_ZOOM_IN, IDM_ZOOM_IN, 9},
    {IDM_ZOOM_OUT, IDM_ZOOM_OUT, 10},
    {IDM_FILE_INFO, IDM_FILE_INFO, 11},
    {IDM_BATCH_PROCESS, IDM_BATCH_PROCESS, 12},
    {IDM_BROWSE, IDM_BROWSE, 13},
    {IDM_ACQUIRE, IDM_ACQUIRE, 14},
    // The option marks: sort orders, channel views, browser styles, tool-bar
    // labels, tools and show directions.
    {IDM_SORT_SIZE_ASCENDING, IDM_SORT_SIZE_DESCENDING, kOptionMark},
    {IDM_ALPHA_BLENDED, IDM_ALPHA_BLENDED, kOptionMark},
    {IDM_CHANNEL_ALL, IDM_CHANNEL_BLUE, kOptionMark},
    {IDM_BROWSER_THUMBNAILS, IDM_BROWSER_THUMBNAILS, kOptionMark},
    {IDM_BROWSER_REPORT, IDM_BROWSER_REPORT, kOptionMark},
    {IDM_TOOLBAR_LABELS_NONE, IDM_TOOLBAR_LABELS_BELOW, kOptionMark},
    {IDM_ALPHA_AS_IMAGE, IDM_ALPHA_AS_IMAGE, kOptionMark},
    {IDM_ALPHA_AS_LAYER, IDM_ALPHA_AS_LAYER, kOptionMark},
    {IDM_SLIDESHOW_FORWARD, IDM_SLIDESHOW_RANDOM, kOptionMark},
    {IDM_TOOL_SCROLL, IDM_TOOL_SCROLL, kOptionMark},
    {IDM_TOOL_RED_MARKER, IDM_TOOL_SELECT, kOptionMark},
    {IDM_SORT_NONE, IDM_SORT_NONE, kOptionMark},
    {IDM_COPY, IDM_COPY, 18},
    {IDM_COPY_ITEMS, IDM_COPY_ITEMS, 19},
    {IDC_DROP_COPY, IDC_DROP_COPY, 19},
    {IDM_CROP, IDM_CROP, 20},
    {IDM_CUT, IDM_CUT, 21},
    {IDM_DATABASE_MAINTENANCE, IDM_DATABASE_MAINTENANCE, 22},
    {IDM_DELETE_ITEMS, IDM_DELETE_ITEMS, 24},
    {IDM_EXIT, IDM_EXIT, 25},
    {IDM_HOMEPAGE, IDM_HOMEPAGE, 26},
    {IDM_DOWNLOAD_ADDONS, IDM_DOWNLOAD_ADDONS, 26},
    {IDM_CHECK_VERSION, IDM_CHECK_VERSION, 26},
    {IDM_NEXT_MEDIA, IDM_NEXT_MEDIA, 27},
    {IDM_PREVIOUS_MEDIA, IDM_PREVIOUS_MEDIA, 28},
    {IDM_MOVE_ITEMS, IDM_MOVE_ITEMS, 30},
    {IDC_DROP_MOVE, IDC_DROP_MOVE, 30},
    // The check marks: bars, window and show options, mute, tips.
    {IDM_SHOW_TOOLBAR, IDM_SHOW_STATUSBAR, kCheckMark},
    {IDM_PRESENTATION_MODE, IDM_VIEW_AS_TILES, kCheckMark},
    {IDM_ALWAYS_MAXIMIZE, IDM_ALWAYS_MAXIMIZE, kCheckMark},
    {IDM_USE_SAVED_WINDOW_POS, IDM_USE_SAVED_WINDOW_POS, kCheckMark},
    {IDM_TOOLBAR_TIPS, IDM_TOOLBAR_TIPS, kCheckMark},
    {ID_VOLUME_MUTE, ID_VOLUME_MUTE, kCheckMark},
    {IDM_SLIDESHOW_FULLSCREEN, IDM_SLIDESHOW_FULLSCREEN, kCheckMark},
    {IDM_OPEN_MEDIA, IDM_OPEN_MEDIA, 32},
    {IDM_SETTINGS, IDM_SETTINGS, 33},
    {IDM_PASTE, IDM_PASTE, 34},
    {ID_MEDIA_NEXTFRAME, ID_MEDIA_NEXTFRAME, 38},
    {ID_MEDIA_PLAYPAUSE, ID_MEDIA_PLAYPAUSE, 40},
    {ID_MEDIA_PREVFRAME, ID_MEDIA_PREVFRAME, 41},
    {ID_MEDIA_STOP, ID_MEDIA_STOP, 43},
    {ID_VOLUME_DOWN, ID_VOLUME_DOWN, 44},
    {ID_RATE_DOWN, ID_RATE_DOWN, 44},
    {ID_VOLUME_UP, ID_VOLUME_UP, 45},
    {ID_RATE_UP, ID_RATE_UP, 45},
    {IDM_PRINT, IDM_PRINT, 46},
    {IDM_HELP_CONTENT, IDM_HELP_CONTENT, 47},
    {IDM_REFRESH, IDM_REFRESH, 48},
    {IDM_RELOAD_MEDIA, IDM_RELOAD_MEDIA, 49},
    {IDM_RENAME_ITEMS, IDM_RENAME_ITEMS, 50},
    {IDM_SAVE_AS, IDM_SAVE_AS, 52},
    {IDM_ABOUT, IDM_ABOUT, 53},
    {IDM_ROTATE_RIGHT, IDM_ROTATE_RIGHT, 55},
    {IDM_ROTATE_LEFT, IDM_ROTATE_LEFT, 56},
    {IDM_ROTATE_180, IDM_ROTATE_180, 57},
    {IDM_FLIP, IDM_FLIP, 58},
    {IDM_MIRROR, IDM_MIRROR, 59},
    {IDM_REDO, IDM_REDO, 60},
    {IDM_SEARCH, IDM_SEARCH, 61},
    {IDM_ADD_TO_PLAYLIST, IDM_ADD_TO_PLAYLIST, 62},
};

HFONT CreateMenuFont() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) return nullptr;
    return CreateFontIndirectW(&metrics.lfMenuFont);
}

// The text of the item with that command (at most kMenuTextChars characters)
// and, when asked, its state; false when the menu has no such item.
bool ReadItem(HMENU holder, UINT command, wchar_t* text, UINT* state) {
    text[0] = 0;
    if (!holder) return false;
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING | MIIM_STATE;
    info.dwTypeData = text;
    info.cch = kMenuTextChars - 1;
    if (!GetMenuItemInfoW(holder, command, FALSE, &info)) {
        text[0] = 0;
        return false;
    }
    text[kMenuTextChars - 1] = 0;
    if (state) *state = info.fState;
    return true;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return;
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void DrawGradient(HDC dc, const RECT& item, COLORREF from) {
    TRIVERTEX vertices[2] = {};
    vertices[0].x = item.left + 26;
    vertices[0].y = item.top;
    vertices[0].Red = (COLOR16)(GetRValue(from) << 8);
    vertices[0].Green = (COLOR16)(GetGValue(from) << 8);
    vertices[0].Blue = (COLOR16)(GetBValue(from) << 8);
    vertices[1].x = item.right;
    vertices[1].y = item.bottom;
    vertices[1].Red = vertices[1].Green = vertices[1].Blue = 0xFF00;
    GRADIENT_RECT rect = {0, 1};
    if (vertices[1].x > vertices[0].x) GradientFill(dc, vertices, 2, &rect, 1, GRADIENT_FILL_RECT_H);
}

// Copies (or blends, for a gray item) cell `cell` of a strip to (x, y).
void DrawIcon(HDC dc, HBITMAP strip, int cell, int x, int y, bool blend) {
    if (!strip || cell < 0) return;
    HDC source = CreateCompatibleDC(dc);
    if (!source) return;
    HGDIOBJ old = SelectObject(source, strip);
    const int sx = cell * kMenuIconSize;
    if (blend) {
        BLENDFUNCTION half = {AC_SRC_OVER, 0, 127, 0};
        AlphaBlend(dc, x, y, kMenuIconSize, kMenuIconSize, source, sx, 0, kMenuIconSize, kMenuIconSize, half);
    } else {
        BitBlt(dc, x, y, kMenuIconSize, kMenuIconSize, source, sx, 0, SRCCOPY);
    }
    SelectObject(source, old);
    DeleteDC(source);
}

HBITMAP LoadMenuStrip(const wchar_t* folder, const wchar_t* skin, const wchar_t* kind) {
    wchar_t path[MAX_PATH];
    const int written = swprintf(path, MAX_PATH, L"%ls\\%ls%ls.bmp", folder, skin, kind);
    if (written < 0 || written >= MAX_PATH) return nullptr;  // a path that does not fit is not there
    auto* strip = static_cast<HBITMAP>(
        LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION | LR_DEFAULTSIZE));
    if (strip) ReplaceBitmapColor(strip, kSkinKeyColor, MenuBackgroundColor());
    return strip;
}

void Check(HMENU menu, UINT id, bool checked) {
    CheckMenuItem(menu, id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

}  // namespace

int MenuIconCell(UINT command, bool checked) {
    for (const IconCellRow& row : kIconCells) {
        if (command < row.first || command > row.last) continue;
        if (checked && row.cell == kOptionMark) return kOptionMarkChecked;
        if (checked && row.cell == kCheckMark) return kCheckMarkChecked;
        return row.cell;
    }
    return -1;
}

SIZE MenuItemSize(bool separator, SIZE text, int overhang) {
    if (separator) return {10, 9};
    return {text.cx - overhang + 31, text.cy > 15 ? text.cy + 5 : 21};
}

COLORREF MenuBackgroundColor() { return GetSysColor(AppState::IsWindowsXPOrLater ? COLOR_MENUBAR : COLOR_3DLIGHT); }

COLORREF MenuHighlightColor() {
    return GetSysColor(AppState::IsWindowsXPOrLater ? COLOR_MENUHILIGHT : COLOR_HIGHLIGHT);
}

bool OwnerDrawnMenusWanted() { return AppState::GeneralOwnerdrawnMenu != 0 && GetScreenBitsPerPixel() > 8; }

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
    Destroy();
    owner = ownerWindow;
    menu = LoadMenuW(AppState::Instance, L"THEMENU");
    if (!menu) return false;
    LangApplyMainMenu(menu);
    SetMenu(owner, menu);
    CurrentPopupMenu = menu;
    if (OwnerDrawnMenusWanted()) {
        font = CreateMenuFont();
        LoadSkinBitmaps();
        // The bar's own titles stay text; their popups are drawn here.
        const int count = GetMenuItemCount(menu);
        for (int i = 0; i < count; ++i)
            if (HMENU popup = GetSubMenu(menu, i)) MakeOwnerDrawn(popup);
    }
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
    if (CurrentPopupMenu == menu) CurrentPopupMenu = nullptr;
    menu = nullptr;
    created = false;
}

void CMainMenu::UpdateStates() {
    if (!created) return;
    ApplyCommandStates(menu);
    const int tool = AppState::ToolMode;
    Check(menu, IDM_TOOL_SCROLL, tool == TOOL_SCROLL);
    Check(menu, IDM_TOOL_SELECT, tool == TOOL_SELECT);
    Check(menu, IDM_TOOL_RED_MARKER, tool == TOOL_RED_MARKER);
    Check(menu, IDM_VIEW_AS_TILES, AppState::GeneralViewImageAsTiles == 1);
    Check(menu, IDM_ALWAYS_MAXIMIZE, AppState::GeneralAlwaysMaximizeWindow == 1);
    Check(menu, IDM_USE_SAVED_WINDOW_POS, AppState::GeneralLastWinPos == 1);
    Check(menu, IDM_SHOW_TOOLBAR, AppState::GeneralShowToolbar == 1);
    Check(menu, IDM_SHOW_STATUSBAR, AppState::GeneralShowStatusbar == 1);
    const int view = AppState::ChannelView;
    for (int v = 0; v < (int)(sizeof kChannelViewCommands / sizeof kChannelViewCommands[0]); ++v)
        Check(menu, kChannelViewCommands[v], v == view);
    Check(menu, IDM_BROWSER_THUMBNAILS, AppState::BrowserStyle == 0);
    Check(menu, IDM_BROWSER_REPORT, AppState::BrowserStyle == 1);
    Check(menu, IDM_SLIDESHOW_FULLSCREEN, AppState::SlideShowStartFullscreen == 1);
    for (const UINT id : {IDM_SLIDESHOW_FORWARD, IDM_SLIDESHOW_BACKWARD, IDM_SLIDESHOW_RANDOM})
        Check(menu, id, (int)(id - IDM_SLIDESHOW_FORWARD) == AppState::SlideShowDirection);
    const UINT sort = SortOrderCommand(AppState::GeneralSortOrder, AppState::GeneralSortAscending != 0);
    for (const UINT id : kSortOrderCommands) Check(menu, id, id == sort);
    if (owner) DrawMenuBar(owner);
}

void CMainMenu::MakeOwnerDrawn(HMENU target) {
    if (!target || !OwnerDrawnMenusWanted()) return;
    const int count = GetMenuItemCount(target);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_SUBMENU;
        if (!GetMenuItemInfoW(target, (UINT)i, TRUE, &info)) continue;
        // A separator stays one (the keyboard passes over it); it is drawn here too.
        info.fMask = MIIM_FTYPE;
        info.fType |= MFT_OWNERDRAW;
        SetMenuItemInfoW(target, (UINT)i, TRUE, &info);
        if (info.hSubMenu) MakeOwnerDrawn(info.hSubMenu);
    }
}

void CMainMenu::FreeSkinBitmaps() {
    if (hotBitmap) DeleteObject(hotBitmap);
    if (coldBitmap) DeleteObject(coldBitmap);
    hotBitmap = coldBitmap = nullptr;
}

void CMainMenu::LoadSkinBitmaps() {
    FreeSkinBitmaps();
    wchar_t folder[MAX_PATH] = {};
    Skin.GetSkinsFolder(folder);
    coldBitmap = LoadMenuStrip(folder, AppState::SkinName, L"MenuCold");
    hotBitmap = LoadMenuStrip(folder, AppState::SkinName, L"MenuHot");
}

bool CMainMenu::MeasureItem(HWND window, MEASUREITEMSTRUCT* item, HMENU holder) {
    if (!item || item->CtlType != ODT_MENU) return false;
    if (item->itemID == 0) {
        const SIZE size = MenuItemSize(true, {}, 0);
        item->itemWidth = (UINT)size.cx;
        item->itemHeight = (UINT)size.cy;
        return true;
    }
    wchar_t text[kMenuTextChars];
    ReadItem(holder, item->itemID, text, nullptr);
    // Name and shortcut are measured as one string.
    if (wchar_t* tab = wcschr(text, L'\t')) wmemmove(tab, tab + 1, wcslen(tab + 1) + 1);
    HDC dc = GetDC(window);
    if (!dc) return false;
    HGDIOBJ old = SelectObject(dc, font ? (HGDIOBJ)font : GetStockObject(DEFAULT_GUI_FONT));
    SIZE extent = {};
    GetTextExtentPoint32W(dc, text, (int)wcslen(text), &extent);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    const SIZE size = MenuItemSize(false, extent, metrics.tmOverhang);
    item->itemWidth = (UINT)size.cx;
    item->itemHeight = (UINT)size.cy;
    return true;
}

bool CMainMenu::MeasureItem(MEASUREITEMSTRUCT* item) {
    return MeasureItem(owner, item, CurrentPopupMenu ? CurrentPopupMenu : menu);
}

bool CMainMenu::DrawItem(const DRAWITEMSTRUCT* item, HMENU holder) {
    if (!item || item->CtlType != ODT_MENU) return false;
    HDC dc = item->hDC;
    const RECT r = item->rcItem;
    const COLORREF background = MenuBackgroundColor();
    DrawGradient(dc, r, background);
    FillSolid(dc, {r.left, r.top, r.left + 25, r.bottom}, background);
    FillSolid(dc, {r.left + 25, r.top, r.left + 26, r.bottom}, GetSysColor(COLOR_BTNSHADOW));
    if (item->itemID == 0) {
        FillSolid(dc, {r.left + 28, r.top + 4, r.right - 1, r.top + 5}, GetSysColor(COLOR_MENUTEXT));
        return true;
    }
    wchar_t text[kMenuTextChars];
    UINT state = 0;
    ReadItem(holder, item->itemID, text, &state);
    const bool grayed = (item->itemState & (ODS_GRAYED | ODS_DISABLED)) || (state & MFS_GRAYED);
    const bool checked = (item->itemState & ODS_CHECKED) || (state & MFS_CHECKED);
    const bool selected = item->itemAction == ODA_SELECT && (item->itemState & ODS_SELECTED);
    if (selected) {
        const RECT mark = {r.left + 28, r.top + 1, r.right - 2, r.bottom - 2};
        if (!grayed) FillSolid(dc, mark, MenuHighlightColor());
        const COLORREF frame = GetSysColor(COLOR_MENUTEXT);
        FillSolid(dc, {mark.left, mark.top, mark.right, mark.top + 1}, frame);
        FillSolid(dc, {mark.left, mark.top, mark.left + 1, mark.bottom}, frame);
        FillSolid(dc, {mark.left, mark.bottom - 1, mark.right, mark.bottom}, frame);
        FillSolid(dc, {mark.right - 1, mark.top, mark.right, mark.bottom - 1}, frame);
    }

    const COLORREF oldColor = grayed     ? SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT))
                              : selected ? SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT))
                                         : GetTextColor(dc);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, font ? (HGDIOBJ)font : GetStockObject(DEFAULT_GUI_FONT));
    RECT textRect = r;
    textRect.left += 32;
    const UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOCLIP;
    wchar_t* tab = wcschr(text, L'\t');
    if (tab) {
        *tab = 0;
        RECT keyRect = textRect;
        keyRect.right -= 4;
        DrawTextW(dc, tab + 1, -1, &keyRect, format | DT_RIGHT);
    }
    DrawTextW(dc, text, -1, &textRect, format | DT_LEFT);
    SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);

    const int cell = MenuIconCell(item->itemID, checked);
    const int y = r.top + (r.bottom - r.top) / 2 - 7;
    if (selected && !grayed) DrawIcon(dc, hotBitmap, cell, r.left + 3, y - 1, false);
    else DrawIcon(dc, coldBitmap, cell, r.left + 4, y, grayed);
    return true;
}

bool CMainMenu::DrawItem(const DRAWITEMSTRUCT* item) {
    return DrawItem(item, CurrentPopupMenu ? CurrentPopupMenu : menu);
}
