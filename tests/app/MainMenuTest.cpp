// The main menu: the layout of "THEMENU" that the language files address by
// position, the item states read back from the real window's menu, and the
// owner-drawn items painted on memory device contexts from test strips.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/CommandState.h"
#include "app/CommandTable.h"
#include "app/MainMenu.h"
#include "browser/Browser.h"
#include "browser/BrowserServices.h"
#include "browser/FileList.h"
#include "command_ids.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "media/AnimationBar.h"
#include "support/TestSupport.h"

namespace {

bool MenuHolds(HMENU menu, UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND) != (UINT)-1; }

// ---- The resource ----

TEST(MainMenuResource, NinePopupsWithTheNestedPopupsWhereTheLanguageFileFindsThem) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), L"THEMENU");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 9);
    // One command of each popup, in the bar's order: File, Edit, View, Image,
    // Animation, SlideShow, Tools, Configuration, Help.
    const UINT owners[9] = {IDM_OPEN_MEDIA, IDM_PASTE,         IDM_ZOOM_IN,      IDM_FLIP, ID_MEDIA_PLAYPAUSE,
                            IDM_SLIDESHOW,  IDM_BATCH_PROCESS, IDM_SHOW_TOOLBAR, IDM_ABOUT};
    for (int i = 0; i < 9; ++i) {
        HMENU popup = GetSubMenu(menu, i);
        ASSERT_NE(popup, nullptr) << i;
        EXPECT_TRUE(MenuHolds(popup, owners[i])) << i;
    }
    // The nested popups: (bar position, position inside, a command of the nested popup).
    const struct {
        int parent, position;
        UINT command;
    } nested[] = {
        {0, 1, IDM_OPEN_WITH_CLEAR},
        {3, 10, IDM_CHANNEL_RED},
        {3, 10, IDM_RGB_TO_BGR},
        {3, 11, IDM_DEPTH_1BIT},
        {3, 12, IDM_BLUR},
        {3, 19, IDM_WALLPAPER_TILED},
        {4, 13, ID_VOLUME_MUTE},
        {4, 14, ID_RATE_DEFAULT},
        {7, 3, IDM_BROWSER_REPORT},
        {7, 4, IDM_SORT_NONE},
        {7, 4, IDM_SORT_SIZE_ASCENDING},
    };
    for (const auto& n : nested) {
        HMENU sub = GetSubMenu(GetSubMenu(menu, n.parent), n.position);
        ASSERT_NE(sub, nullptr) << n.parent << "/" << n.position;
        EXPECT_TRUE(MenuHolds(sub, n.command)) << n.parent << "/" << n.position << " " << n.command;
    }
    // No other entry of the bar's popups is a popup of its own: a popup moved
    // by one would take the texts of its neighbour.
    int nestedCount = 0;
    for (int i = 0; i < 9; ++i) {
        HMENU popup = GetSubMenu(menu, i);
        for (int j = 0; j < GetMenuItemCount(popup); ++j) {
            HMENU sub = GetSubMenu(popup, j);
            if (!sub) continue;
            ++nestedCount;
            for (int k = 0; k < GetMenuItemCount(sub); ++k) EXPECT_EQ(GetSubMenu(sub, k), nullptr) << i << "/" << j;
        }
    }
    EXPECT_EQ(nestedCount, 9);
    DestroyMenu(menu);
}

// ---- Icons and sizes ----

TEST(MainMenuIcons, CellOfEachCommandWithTheCheckedMarks) {
    const struct {
        UINT command;
        bool checked;
        int cell;
    } cases[] = {
        {IDM_CHANNEL_RED, false, 15},
        {IDM_CHANNEL_RED, true, 16},
        {IDM_SHOW_TOOLBAR, false, 31},
        {IDM_SHOW_TOOLBAR, true, 17},
        {IDM_SORT_NONE, true, 16},
        {IDM_TOOL_SELECT, false, 15},
        {IDM_ALPHA_BLENDED, true, 16},
        {ID_VOLUME_MUTE, true, 17},
        {IDM_PRESENTATION_MODE, false, 31},
        {IDM_SELECT_ALL, false, 0},
        {IDM_SELECT_ALL, true, 0},
        {IDM_OPEN_MEDIA, false, 32},
        {IDM_COPY_ITEMS, false, 19},
        {IDM_MOVE_ITEMS, false, 30},
        {IDM_ADD_TO_PLAYLIST, false, 62},
        {IDM_HOMEPAGE, false, 26},
        {IDM_CHECK_VERSION, false, 26},
        {ID_RATE_DOWN, false, 44},
        {IDM_SAVE_WINDOW_POS, false, -1},
        {IDM_SORT_NAME_ASCENDING, false, 15},
        {0, false, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(MenuIconCell(c.command, c.checked), c.cell) << c.command << " " << c.checked;
}

TEST(MainMenuIcons, ItemSizes) {
    const struct {
        bool separator;
        SIZE text;
        int overhang;
        SIZE size;
    } cases[] = {
        {true, {200, 30}, 3, {10, 9}},  // a separator whatever its text
        {false, {100, 13}, 0, {131, 21}}, {false, {100, 15}, 2, {129, 21}}, {false, {100, 16}, 0, {131, 21}},
        {false, {100, 17}, 0, {131, 22}}, {false, {0, 0}, 0, {31, 21}},
    };
    for (const auto& c : cases) {
        const SIZE s = MenuItemSize(c.separator, c.text, c.overhang);
        EXPECT_EQ(s.cx, c.size.cx) << c.text.cx << "x" << c.text.cy;
        EXPECT_EQ(s.cy, c.size.cy) << c.text.cx << "x" << c.text.cy;
    }
}

// ---- Drawing on a memory DC ----

// A 32-bit top-down DIB section and its pixels.
HBITMAP MakeDib(int width, int height, void** bits) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// Test strips whose every pixel tells its cell and position: cell c, pixel
// (x, y) of the cell is RGB(4 c + tag, 16 x, 16 y).
HBITMAP MakeStrip(int tag) {
    void* bits = nullptr;
    HBITMAP strip = MakeDib(kMenuIconCells * kMenuIconSize, kMenuIconSize, &bits);
    auto* p = static_cast<uint32_t*>(bits);
    for (int y = 0; y < kMenuIconSize; ++y)
        for (int x = 0; x < kMenuIconCells * kMenuIconSize; ++x) {
            const int cell = x / kMenuIconSize;
            const uint32_t r = (uint32_t)(4 * cell + tag), g = (uint32_t)(16 * (x % kMenuIconSize)),
                           b = (uint32_t)(16 * y);
            p[y * kMenuIconCells * kMenuIconSize + x] = (r << 16) | (g << 8) | b;
        }
    return strip;
}

COLORREF StripPixel(int tag, int cell, int x, int y) { return RGB(4 * cell + tag, 16 * x, 16 * y); }

class MenuDrawTest : public testing::Test {
protected:
    static constexpr int kWidth = 240, kHeight = 21;
    void SetUp() override {
        AppState::IsWindowsXPOrLater = true;
        target = MakeDib(kWidth, kHeight, &bits);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, target);
        menu.coldBitmap = MakeStrip(0);
        menu.hotBitmap = MakeStrip(2);
        popup = CreatePopupMenu();
        AppendMenuW(popup, MF_STRING, IDM_CHANNEL_RED, L"View Red Channel");
        AppendMenuW(popup, MF_STRING, IDM_SHOW_TOOLBAR, L"Show &Toolbar");
        AppendMenuW(popup, MF_STRING, IDM_OPEN_MEDIA, L"&Open Media...\tCtrl+O");
        AppendMenuW(popup, MF_STRING, IDM_SAVE_WINDOW_POS, L"Save &current Windowposition/size");
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    }
    void TearDown() override {
        menu.FreeSkinBitmaps();
        DestroyMenu(popup);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(target);
        AppState::IsWindowsXPOrLater = false;
    }
    void Draw(UINT id, UINT action, UINT state, int top = 0, int bottom = kHeight) {
        GdiFlush();
        std::fill_n(static_cast<uint32_t*>(bits), kWidth * kHeight, 0x00123456u);
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_MENU;
        item.itemID = id;
        item.itemAction = action;
        item.itemState = state;
        item.hDC = dc;
        item.rcItem = {0, top, kWidth, bottom};
        ASSERT_TRUE(menu.DrawItem(&item, popup));
        GdiFlush();
    }
    COLORREF At(int x, int y) const {
        const uint32_t v = static_cast<const uint32_t*>(bits)[y * kWidth + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    // Whether the 16 x 16 block at (x, y) is cell `cell` of the strip tagged `tag`.
    ::testing::AssertionResult CellAt(int x, int y, int tag, int cell) const {
        for (int j = 0; j < kMenuIconSize; ++j)
            for (int i = 0; i < kMenuIconSize; ++i)
                if (At(x + i, y + j) != StripPixel(tag, cell, i, j))
                    return ::testing::AssertionFailure() << "pixel " << i << "," << j << " is " << std::hex
                                                         << At(x + i, y + j) << " not " << StripPixel(tag, cell, i, j);
        return ::testing::AssertionSuccess();
    }
    CMainMenu menu;
    HMENU popup = nullptr;
    HBITMAP target = nullptr;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
    void* bits = nullptr;
};

// The cold strip's cell at (left + 4, middle - 7), the marks following the
// item's check state read from its menu.
TEST_F(MenuDrawTest, IconCellFollowsCheckState) {
    const struct {
        UINT id;
        bool checked;
        int cell;
    } cases[] = {{IDM_CHANNEL_RED, true, 16},
                 {IDM_CHANNEL_RED, false, 15},
                 {IDM_SHOW_TOOLBAR, true, 17},
                 {IDM_SHOW_TOOLBAR, false, 31},
                 {IDM_OPEN_MEDIA, false, 32}};
    const int y = kHeight / 2 - 7;
    for (const auto& c : cases) {
        CheckMenuItem(popup, c.id, MF_BYCOMMAND | (c.checked ? MF_CHECKED : MF_UNCHECKED));
        Draw(c.id, ODA_DRAWENTIRE, 0);
        EXPECT_TRUE(CellAt(4, y, 0, c.cell)) << c.id << " checked " << c.checked;
    }
    // The same item lower down a menu: the icon moves with the item's rectangle.
    CheckMenuItem(popup, IDM_SHOW_TOOLBAR, MF_BYCOMMAND | MF_CHECKED);
    Draw(IDM_SHOW_TOOLBAR, ODA_DRAWENTIRE, 0, 0, 19);
    EXPECT_TRUE(CellAt(4, 19 / 2 - 7, 0, 17));
}

TEST_F(MenuDrawTest, SelectedItemTakesTheHotStripOneUpAndLeft) {
    Draw(IDM_OPEN_MEDIA, ODA_SELECT, ODS_SELECTED);
    const int y = kHeight / 2 - 7;
    EXPECT_TRUE(CellAt(3, y - 1, 2, 32));
    // The highlight fills the text area inside a frame in the menu text colour.
    EXPECT_EQ(At(28, 1), GetSysColor(COLOR_MENUTEXT));
    EXPECT_EQ(At(kWidth - 3, 10), GetSysColor(COLOR_MENUTEXT));
    EXPECT_EQ(At(30, kHeight - 3), GetSysColor(COLOR_MENUTEXT));
    EXPECT_EQ(At(kWidth - 20, 3), GetSysColor(COLOR_MENUHILIGHT));
    // A selected but gray item keeps the cold strip, half blended, and no fill.
    EnableMenuItem(popup, IDM_OPEN_MEDIA, MF_BYCOMMAND | MF_GRAYED);
    Draw(IDM_OPEN_MEDIA, ODA_SELECT, ODS_SELECTED | ODS_GRAYED);
    EXPECT_FALSE(CellAt(3, y - 1, 2, 32));
    EXPECT_FALSE(CellAt(4, y, 0, 32));
    EXPECT_NE(At(kWidth - 20, 3), GetSysColor(COLOR_MENUHILIGHT));
    EXPECT_EQ(At(28, 1), GetSysColor(COLOR_MENUTEXT));
    // Blended at 127 over the icon column's colour.
    const COLORREF back = MenuBackgroundColor(), icon = StripPixel(0, 32, 15, 15);
    const COLORREF got = At(4 + 15, y + 15);
    EXPECT_NEAR(GetGValue(got), (GetGValue(icon) * 127 + GetGValue(back) * 128) / 255, 2);
    EXPECT_NEAR(GetBValue(got), (GetBValue(icon) * 127 + GetBValue(back) * 128) / 255, 2);
}

TEST_F(MenuDrawTest, ColumnGradientAndSeparator) {
    for (const bool xp : {true, false}) {
        AppState::IsWindowsXPOrLater = xp;
        const COLORREF back = GetSysColor(xp ? COLOR_MENUBAR : COLOR_3DLIGHT);
        Draw(IDM_SAVE_WINDOW_POS, ODA_DRAWENTIRE, 0);  // no icon: the column is plain
        for (const int x : {0, 4, 12, 24}) EXPECT_EQ(At(x, 10), back) << x << " xp " << xp;
        EXPECT_EQ(At(25, 0), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(At(25, kHeight - 1), GetSysColor(COLOR_BTNSHADOW));
        // The gradient runs from the menu colour at x = 26 to white at the right.
        const COLORREF left = At(26, 0), right = At(kWidth - 1, 0);
        EXPECT_NEAR(GetRValue(left), GetRValue(back), 3);
        EXPECT_GE(GetRValue(right), 250);
        EXPECT_GE(GetBValue(right), 250);
    }
    AppState::IsWindowsXPOrLater = true;
    Draw(0, ODA_DRAWENTIRE, 0, 0, 9);
    const COLORREF text = GetSysColor(COLOR_MENUTEXT);
    EXPECT_EQ(At(28, 4), text);
    EXPECT_EQ(At(kWidth - 2, 4), text);
    EXPECT_NE(At(kWidth - 1, 4), text);
    EXPECT_NE(At(27, 4), text);
    EXPECT_NE(At(40, 3), text);
    EXPECT_NE(At(40, 5), text);
}

// The rightmost pixel of the text colour in the item (-1 when there is none).
int RightmostRed(const MenuDrawTest*, const std::vector<COLORREF>& row) {
    int last = -1;
    for (int x = 0; x < (int)row.size(); ++x)
        if (GetRValue(row[x]) > 150 && GetGValue(row[x]) < 100 && GetBValue(row[x]) < 100) last = x;
    return last;
}

TEST_F(MenuDrawTest, ShortcutIsRightAlignedFourPixelsInside) {
    SetTextColor(dc, RGB(255, 0, 0));
    const auto rightmost = [this]() {
        int last = -1;
        for (int y = 0; y < kHeight; ++y) {
            std::vector<COLORREF> row;
            for (int x = 0; x < kWidth; ++x) row.push_back(At(x, y));
            last = std::max(last, RightmostRed(this, row));
        }
        return last;
    };
    Draw(IDM_OPEN_MEDIA, ODA_DRAWENTIRE, 0);
    const int withKey = rightmost();
    EXPECT_LT(withKey, kWidth - 4);
    EXPECT_GE(withKey, kWidth - 4 - 4);
    Draw(IDM_SAVE_WINDOW_POS, ODA_DRAWENTIRE, 0);
    const int plain = rightmost();
    EXPECT_GT(plain, 32);
    EXPECT_LT(plain, kWidth - 20);                // left-aligned only
    EXPECT_EQ(GetTextColor(dc), RGB(255, 0, 0));  // the colour is given back
}

TEST_F(MenuDrawTest, MeasuresSeparatorAndText) {
    HWND window = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    MEASUREITEMSTRUCT item = {};
    item.CtlType = ODT_MENU;
    item.itemID = 0;
    ASSERT_TRUE(menu.MeasureItem(window, &item, popup));
    EXPECT_EQ(item.itemWidth, 10u);
    EXPECT_EQ(item.itemHeight, 9u);
    // A name with a shortcut is as wide as the two written together.
    HDC screen = GetDC(window);
    HGDIOBJ previous = SelectObject(screen, GetStockObject(DEFAULT_GUI_FONT));
    SIZE joined = {};
    GetTextExtentPoint32W(screen, L"&Open Media...Ctrl+O", 20, &joined);
    SelectObject(screen, previous);
    ReleaseDC(window, screen);
    item.itemID = IDM_OPEN_MEDIA;
    ASSERT_TRUE(menu.MeasureItem(window, &item, popup));
    EXPECT_EQ(item.itemWidth, (UINT)joined.cx + 31);
    EXPECT_EQ(item.itemHeight, joined.cy > 15 ? (UINT)joined.cy + 5 : 21u);
    // Records of other controls are left alone.
    item.CtlType = ODT_BUTTON;
    item.itemWidth = 7;
    EXPECT_FALSE(menu.MeasureItem(window, &item, popup));
    EXPECT_EQ(item.itemWidth, 7u);
    DestroyWindow(window);
}

// ---- Loading: owner drawing on and off, the skin strips ----

class MainMenuLoadTest : public testing::Test {
protected:
    void SetUp() override {
        AppState::Instance = GetModuleHandleW(nullptr);
        window = CreateWindowW(L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        menu.Destroy();
        DestroyWindow(window);
        AppState::GeneralOwnerdrawnMenu = 1;
        CopyStringW(AppState::SkinName, L"Win2K");
    }
    // Every item of the bar's popups, nested ones included.
    static void Items(HMENU menu, std::vector<MENUITEMINFOW>* out) {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            MENUITEMINFOW info = {};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_FTYPE | MIIM_SUBMENU | MIIM_ID;
            GetMenuItemInfoW(menu, (UINT)i, TRUE, &info);
            out->push_back(info);
            if (info.hSubMenu) Items(info.hSubMenu, out);
        }
    }
    HWND window = nullptr;
    CMainMenu menu;
};

TEST_F(MainMenuLoadTest, OwnerDrawingOffMakesNoGdiObjects) {
    AppState::GeneralOwnerdrawnMenu = 0;
    ASSERT_TRUE(menu.Load(window));
    EXPECT_EQ(GetMenu(window), menu.menu);
    EXPECT_EQ(menu.font, nullptr);
    EXPECT_EQ(menu.coldBitmap, nullptr);
    EXPECT_EQ(menu.hotBitmap, nullptr);
    std::vector<MENUITEMINFOW> items;
    Items(menu.menu, &items);
    ASSERT_GT(items.size(), 100u);
    for (const auto& item : items) EXPECT_EQ(item.fType & MFT_OWNERDRAW, 0u) << item.wID;
    // Context menus are not made owner-drawn either.
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, IDM_COPY, L"Copy");
    menu.MakeOwnerDrawn(popup);
    EXPECT_EQ(GetMenuState(popup, 0, MF_BYPOSITION) & MF_OWNERDRAW, 0u);
    DestroyMenu(popup);
    menu.Destroy();
    EXPECT_FALSE(menu.created);
    EXPECT_EQ(GetMenu(window), nullptr);
}

TEST_F(MainMenuLoadTest, OwnerDrawingOnDrawsThePopupsButNotTheBar) {
    if (GetScreenBitsPerPixel() <= 8) GTEST_SKIP() << "a palette screen draws no menus";
    AppState::GeneralOwnerdrawnMenu = 1;
    ASSERT_TRUE(menu.Load(window));
    EXPECT_NE(menu.font, nullptr);
    for (int i = 0; i < GetMenuItemCount(menu.menu); ++i) {
        MENUITEMINFOW title = {};
        title.cbSize = sizeof(title);
        title.fMask = MIIM_FTYPE;
        ASSERT_TRUE(GetMenuItemInfoW(menu.menu, (UINT)i, TRUE, &title));
        EXPECT_EQ(title.fType & MFT_OWNERDRAW, 0u) << "bar title " << i;
    }
    std::vector<MENUITEMINFOW> items;
    for (int i = 0; i < GetMenuItemCount(menu.menu); ++i) Items(GetSubMenu(menu.menu, i), &items);
    int separators = 0;
    for (const auto& item : items) {
        EXPECT_NE(item.fType & MFT_OWNERDRAW, 0u) << item.wID;
        if (item.fType & MFT_SEPARATOR) ++separators;
    }
    EXPECT_GT(separators, 10);  // separators stay separators
    // The text stays readable for the drawing.
    wchar_t text[64] = {};
    GetMenuStringW(menu.menu, IDM_OPEN_MEDIA, text, 64, MF_BYCOMMAND);
    EXPECT_STREQ(text, L"&Open Media...\tCtrl+O");
    // Loading again replaces the menu.
    HMENU first = menu.menu;
    ASSERT_TRUE(menu.Load(window));
    EXPECT_FALSE(IsMenu(first));
}

// A 24-bit bottom-up BMP of width x 16 whose pixel (x, y) is colour(x, y).
template <typename F>
void WriteBmp(const std::wstring& path, int width, F colour) {
    const int rowBytes = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = 16;
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + (DWORD)(rowBytes * 16);
    std::vector<uint8_t> data;
    data.insert(data.end(), (uint8_t*)&file, (uint8_t*)&file + sizeof(file));
    data.insert(data.end(), (uint8_t*)&info, (uint8_t*)&info + sizeof(info));
    for (int y = 15; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = colour(x, y);
            data.push_back(GetBValue(c));
            data.push_back(GetGValue(c));
            data.push_back(GetRValue(c));
        }
        data.resize(data.size() + (size_t)(rowBytes - width * 3));
    }
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, data.data(), (DWORD)data.size(), &written, nullptr);
    CloseHandle(h);
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
}

// The strips come from "<skins>\<skin>MenuCold.bmp" and "...MenuHot.bmp", the
// magenta key replaced by the menu colour; a missing strip stays absent, a
// skin name too long for a path counts as missing.
TEST_F(MainMenuLoadTest, SkinStripsWithTheKeyColourReplaced) {
    wchar_t folder[MAX_PATH] = {};
    Skin.GetSkinsFolder(folder);
    ASSERT_TRUE(folder[0]);
    CreateDirectoryW(folder, nullptr);
    CopyStringW(AppState::SkinName, L"MenuTestSkin");
    const std::wstring cold = std::wstring(folder) + L"\\MenuTestSkinMenuCold.bmp";
    WriteBmp(cold, kMenuIconCells * kMenuIconSize,
             [](int x, int y) { return (x + y) % 2 ? RGB(255, 0, 255) : RGB(10, 20, 30); });
    for (const bool xp : {true, false}) {
        AppState::IsWindowsXPOrLater = xp;
        menu.LoadSkinBitmaps();
        ASSERT_NE(menu.coldBitmap, nullptr);
        EXPECT_EQ(menu.hotBitmap, nullptr);  // no MenuHot file
        const COLORREF back = GetSysColor(xp ? COLOR_MENUBAR : COLOR_3DLIGHT);
        EXPECT_EQ(PixelOf(menu.coldBitmap, 1, 0), back) << xp;
        EXPECT_EQ(PixelOf(menu.coldBitmap, 0, 0), RGB(10, 20, 30)) << xp;
        EXPECT_EQ(PixelOf(menu.coldBitmap, 1007, 15), RGB(10, 20, 30)) << xp;
    }
    AppState::IsWindowsXPOrLater = false;
    std::wstring longName(MAX_PATH - 5, L'x');
    CopyStringW(AppState::SkinName, longName.c_str());
    menu.LoadSkinBitmaps();
    EXPECT_EQ(menu.coldBitmap, nullptr);
    EXPECT_EQ(menu.hotBitmap, nullptr);
    DeleteFileW(cold.c_str());
}

// ---- The states of the real window's menu ----

class MainMenuStateTest : public apptest::MainWindowFixture {
protected:
    void TearDown() override {
        Browser.open = false;
        AnimationBar.initialised = 0;
        AnimationBar.playing = 0;
        free(FileList::Entries);
        FileList::Entries = nullptr;
        FileList::Count = 0;
        AppState::CurrentImage.Destroy();
        AppState::DocumentKind = DOC_NONE;
        AppState::CurrentFormatId = FMT_UNKNOWN;
        MainWindowFixture::TearDown();
    }
    void Open(int bpp, int format) {
        AppState::CurrentImage.Destroy();
        uint8_t palette[256 * 3] = {};
        for (int i = 0; i < 256 * 3; ++i) palette[i] = (uint8_t)(i / 3);
        ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(8, 6, bpp, 0, bpp <= 8 ? palette : nullptr));
        AppState::DocumentKind = DOC_FILE;
        AppState::CurrentFormatId = format;
        FileList::Entries = (MediaFileEntry*)calloc(2, sizeof(MediaFileEntry));
        wcscpy(FileList::Entries[0].name, L"a.gif");
        wcscpy(FileList::Entries[1].name, L"b.gif");
        FileList::Count = 2;
        FileList::Current = 0;
    }
    bool Gray(UINT id) const { return (GetMenuState(GetMenu(window), id, MF_BYCOMMAND) & MF_GRAYED) != 0; }
    bool Checked(UINT id) const { return (GetMenuState(GetMenu(window), id, MF_BYCOMMAND) & MF_CHECKED) != 0; }
};

TEST_F(MainMenuStateTest, OneBitImageGraysChannelsAndItsOwnDepth) {
    Open(1, FMT_BMP);
    MainMenu.UpdateStates();
    for (UINT id :
         {IDM_CHANNEL_ALL, IDM_CHANNEL_RED, IDM_CHANNEL_GREEN, IDM_CHANNEL_BLUE, IDM_GRAYSCALE, IDM_RGB_TO_BGR,
          IDM_RGB_TO_GRB, IDM_RGB_TO_RBG, IDM_DEPTH_1BIT, IDM_ALPHA_AS_IMAGE, IDM_BLUR, IDM_BUTTONIZE})
        EXPECT_TRUE(Gray(id)) << id;
    for (UINT id : {IDM_DEPTH_4BIT, IDM_DEPTH_8BIT, IDM_DEPTH_16BIT, IDM_DEPTH_24BIT, IDM_DEPTH_32BIT, IDM_INVERT,
                    IDM_FLIP, IDM_RESIZE, IDM_PRINT, IDM_SAVE_AS, IDM_CLOSE_MEDIA, IDM_NEXT_MEDIA})
        EXPECT_FALSE(Gray(id)) << id;
    // A gray item's command is refused, whichever way it comes.
    const CImage* before = &AppState::CurrentImage;
    EXPECT_FALSE(RunCommand(window, IDM_DEPTH_1BIT, 0));
    EXPECT_FALSE(RunCommand(window, IDM_GRAYSCALE, 0));
    EXPECT_EQ((int)before->GetBpp(), 1);
    // A 32-bit picture opens the alpha views and the effects.
    Open(32, FMT_PNG);
    MainMenu.UpdateStates();
    for (UINT id : {IDM_ALPHA_AS_IMAGE, IDM_ALPHA_AS_LAYER, IDM_ALPHA_BLENDED, IDM_BLUR, IDM_CHANNEL_RED})
        EXPECT_FALSE(Gray(id)) << id;
    EXPECT_TRUE(Gray(IDM_DEPTH_32BIT));
}

TEST_F(MainMenuStateTest, AnimatedGifGraysQuickSaveNotSaveAs) {
    Open(8, FMT_GIF);
    MainMenu.UpdateStates();
    EXPECT_FALSE(Gray(IDM_QUICK_SAVE));  // a still GIF is written back
    AnimationBar.initialised = 1;
    MainMenu.UpdateStates();
    EXPECT_TRUE(Gray(IDM_QUICK_SAVE));
    EXPECT_FALSE(Gray(IDM_SAVE_AS));
    EXPECT_FALSE(Gray(ID_MEDIA_PLAYPAUSE));
    EXPECT_FALSE(RunCommand(window, IDM_QUICK_SAVE, 0));
    // Playing: the picture tools wait, the zoom does not.
    AnimationBar.playing = 1;
    MainMenu.UpdateStates();
    for (UINT id : {IDM_PRINT, IDM_COPY, IDM_FLIP, IDM_INVERT, IDM_TOOL_SELECT, IDM_WALLPAPER_TILED})
        EXPECT_TRUE(Gray(id)) << id;
    for (UINT id : {IDM_SAVE_AS, IDM_ZOOM_IN, IDM_FIT_TO_AREA, IDM_PRESENTATION_MODE}) EXPECT_FALSE(Gray(id)) << id;
    // A format that quick save does not write.
    AnimationBar.initialised = 0;
    AnimationBar.playing = 0;
    AppState::CurrentFormatId = FMT_PSD;
    MainMenu.UpdateStates();
    EXPECT_TRUE(Gray(IDM_QUICK_SAVE));
    EXPECT_FALSE(Gray(IDM_SAVE_AS));
}

TEST_F(MainMenuStateTest, ShownBrowserGraysTheWindowPositionItems) {
    MainMenu.UpdateStates();
    EXPECT_FALSE(Gray(IDM_USE_SAVED_WINDOW_POS));
    EXPECT_FALSE(Gray(IDM_SAVE_WINDOW_POS));
    EXPECT_TRUE(Gray(IDM_SELECT_ALL));
    Browser.open = true;
    Browser.hidden = false;
    MainMenu.UpdateStates();
    EXPECT_TRUE(Gray(IDM_USE_SAVED_WINDOW_POS));
    EXPECT_TRUE(Gray(IDM_SAVE_WINDOW_POS));
    EXPECT_FALSE(Gray(IDM_SELECT_ALL));
    EXPECT_FALSE(Gray(IDM_REFRESH));
    const int before = AppState::GeneralLastWinPos;
    EXPECT_FALSE(RunCommand(window, IDM_USE_SAVED_WINDOW_POS, 0));
    EXPECT_EQ(AppState::GeneralLastWinPos, before);
    Browser.hidden = true;  // behind the viewer: not shown
    MainMenu.UpdateStates();
    EXPECT_FALSE(Gray(IDM_USE_SAVED_WINDOW_POS));
    Browser.hidden = false;
    Browser.open = false;
}

TEST_F(MainMenuStateTest, NothingOpenGraysTheDocumentCommands) {
    MainMenu.UpdateStates();
    for (UINT id : {IDM_CLOSE_MEDIA, IDM_RELOAD_MEDIA, IDM_FILE_INFO, IDM_COPY_ITEMS, IDM_MOVE_ITEMS, IDM_DELETE_ITEMS,
                    IDM_RENAME_ITEMS, IDM_ZOOM_IN, IDM_ZOOM_100, IDM_PRESENTATION_MODE, IDM_VIEW_AS_TILES,
                    IDM_TOOL_SELECT, IDM_TOOL_RED_MARKER, IDM_NEXT_MEDIA, ID_MEDIA_PLAYPAUSE, IDM_UNDO})
        EXPECT_TRUE(Gray(id)) << id;
    for (UINT id : {IDM_OPEN_MEDIA, IDM_TOOL_SCROLL, IDM_SETTINGS, IDM_ABOUT, IDM_EXIT, IDM_BROWSE, IDM_SHOW_TOOLBAR})
        EXPECT_FALSE(Gray(id)) << id;
    // One file: no stepping, no show.
    Open(24, FMT_JPEG);
    FileList::Count = 1;
    MainMenu.UpdateStates();
    for (UINT id : {IDM_NEXT_MEDIA, IDM_PREVIOUS_MEDIA, IDM_FIRST_MEDIA, IDM_LAST_MEDIA, IDM_SHOW_FORWARD})
        EXPECT_TRUE(Gray(id)) << id;
    EXPECT_FALSE(Gray(IDM_JPG_TRANSFORM));
    EXPECT_FALSE(Gray(IDM_COPY_ITEMS));
    EXPECT_FALSE(Gray(IDM_RELOAD_MEDIA));
}

TEST_F(MainMenuStateTest, ChecksFollowTheSettings) {
    const struct {
        int tool, view, style, direction, order, ascending;
        UINT checked[6];
    } cases[] = {
        {0,
         0,
         0,
         0,
         0,
         1,
         {IDM_TOOL_SCROLL, IDM_CHANNEL_ALL, IDM_BROWSER_THUMBNAILS, IDM_SLIDESHOW_FORWARD, IDM_SORT_NAME_ASCENDING}},
        {1,
         2,
         1,
         1,
         1,
         0,
         {IDM_TOOL_SELECT, IDM_CHANNEL_GREEN, IDM_BROWSER_REPORT, IDM_SLIDESHOW_BACKWARD, IDM_SORT_SIZE_DESCENDING}},
        {2,
         6,
         0,
         2,
         2,
         1,
         {IDM_TOOL_RED_MARKER, IDM_ALPHA_BLENDED, IDM_BROWSER_THUMBNAILS, IDM_SLIDESHOW_RANDOM,
          IDM_SORT_DATE_ASCENDING}},
        {0,
         5,
         1,
         0,
         3,
         0,
         {IDM_TOOL_SCROLL, IDM_ALPHA_AS_LAYER, IDM_BROWSER_REPORT, IDM_SLIDESHOW_FORWARD, IDM_SORT_NONE}},
    };
    const UINT groups[] = {IDM_TOOL_SCROLL,          IDM_TOOL_SELECT,
                           IDM_TOOL_RED_MARKER,      IDM_CHANNEL_ALL,
                           IDM_CHANNEL_RED,          IDM_CHANNEL_GREEN,
                           IDM_CHANNEL_BLUE,         IDM_ALPHA_AS_IMAGE,
                           IDM_ALPHA_AS_LAYER,       IDM_ALPHA_BLENDED,
                           IDM_BROWSER_THUMBNAILS,   IDM_BROWSER_REPORT,
                           IDM_SLIDESHOW_FORWARD,    IDM_SLIDESHOW_BACKWARD,
                           IDM_SLIDESHOW_RANDOM,     IDM_SORT_NAME_ASCENDING,
                           IDM_SORT_NAME_DESCENDING, IDM_SORT_SIZE_ASCENDING,
                           IDM_SORT_SIZE_DESCENDING, IDM_SORT_DATE_ASCENDING,
                           IDM_SORT_DATE_DESCENDING, IDM_SORT_NONE};
    for (const auto& c : cases) {
        AppState::ToolMode = c.tool;
        AppState::ChannelView = c.view;
        AppState::BrowserStyle = c.style;
        AppState::SlideShowDirection = c.direction;
        AppState::GeneralSortOrder = c.order;
        AppState::GeneralSortAscending = c.ascending;
        MainMenu.UpdateStates();
        for (UINT id : groups) {
            bool expected = false;
            for (UINT on : c.checked) expected = expected || on == id;
            EXPECT_EQ(Checked(id), expected) << "item " << id << " tool " << c.tool << " view " << c.view;
        }
    }
    AppState::ToolMode = 0;
    AppState::ChannelView = 0;
    // The on/off settings, each alone.
    const struct {
        int* setting;
        UINT id;
    } toggles[] = {{&AppState::GeneralShowToolbar, IDM_SHOW_TOOLBAR},
                   {&AppState::GeneralShowStatusbar, IDM_SHOW_STATUSBAR},
                   {&AppState::GeneralViewImageAsTiles, IDM_VIEW_AS_TILES},
                   {&AppState::GeneralAlwaysMaximizeWindow, IDM_ALWAYS_MAXIMIZE},
                   {&AppState::GeneralLastWinPos, IDM_USE_SAVED_WINDOW_POS},
                   {&AppState::SlideShowStartFullscreen, IDM_SLIDESHOW_FULLSCREEN}};
    for (const auto& t : toggles) {
        const int saved = *t.setting;
        for (const int value : {1, 0}) {
            *t.setting = value;
            MainMenu.UpdateStates();
            EXPECT_EQ(Checked(t.id), value == 1) << t.id;
        }
        *t.setting = saved;
    }
}

}  // namespace
