// The skin: its paths, the sizes read from its ini, the player strip with its
// background colour, the drawing of a player button, and the "Win2K" skin the
// build puts beside the program.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Skin.h"
#include "image/Common.h"
#include "support/TestSupport.h"

namespace {

std::wstring SkinsFolder() {
    wchar_t folder[MAX_PATH];
    GetProgramFolder(folder);
    AppendPath(folder, L"Skins");
    return folder;
}

// A 24-bit bottom-up BMP of width x height pixels; pixel(x, y) gives each
// pixel's colour, y counted from the top.
template <typename Pixel>
std::vector<unsigned char> MakeBmp(int width, int height, Pixel pixel) {
    const int stride = (width * 3 + 3) / 4 * 4;
    std::vector<unsigned char> file(54 + (size_t)stride * height);
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfSize = (DWORD)file.size();
    fh.bfOffBits = 54;
    BITMAPINFOHEADER ih = {};
    ih.biSize = 40;
    ih.biWidth = width;
    ih.biHeight = height;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    memcpy(file.data(), &fh, 14);
    memcpy(file.data() + 14, &ih, 40);
    for (int y = 0; y < height; ++y) {
        unsigned char* row = file.data() + 54 + (size_t)(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const COLORREF c = pixel(x, y);
            row[x * 3] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
    }
    return file;
}

// Writes skin files of a test skin into the program's Skins folder and
// removes them again; leaves the global Skin as it found it (reloaded).
class SkinFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedName = Skin.name;
        savedXP = AppState::IsWindowsXPOrLater;
        CreateDirectoryW(SkinsFolder().c_str(), nullptr);
    }
    void TearDown() override {
        for (const std::wstring& path : written) DeleteFileW(path.c_str());
        AppState::IsWindowsXPOrLater = savedXP;
        Skin.Load(savedName.c_str());
    }
    void WriteFile(const std::wstring& name, const std::string& text) {
        const std::wstring path = SkinsFolder() + L"\\" + name;
        ASSERT_TRUE(qrvtest::WriteAll(path, text.data(), text.size()));
        written.push_back(path);
    }
    void WriteFile(const std::wstring& name, const std::vector<unsigned char>& bytes) {
        const std::wstring path = SkinsFolder() + L"\\" + name;
        ASSERT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
        written.push_back(path);
    }
    std::wstring savedName;
    bool savedXP = false;
    std::vector<std::wstring> written;
};

struct Sizes {
    int cxButton, cyButton, cxImage, cyImage;
};
Sizes PlayerSizes(const CSkin& skin) {
    return {skin.cxPlayerButton, skin.cyPlayerButton, skin.cxPlayerImage, skin.cyPlayerImage};
}

TEST_F(SkinFilesTest, SizesComeFromTheIniWithSixteenForWhatIsMissing) {
    const struct {
        const wchar_t* skin;
        const char* ini;  // nullptr: no ini at all
        Sizes expected;
    } cases[] = {
        {L"QrvTestFull",
         "[Skin]\r\ncxPlayerButton=30\r\ncyPlayerButton=26\r\ncxPlayerImage=20\r\ncyPlayerImage=18\r\n",
         {30, 26, 20, 18}},
        // A key missing from the ini reads 16; the others are still read.
        {L"QrvTestNoCy", "[Skin]\r\ncxPlayerButton=30\r\ncyPlayerButton=26\r\ncxPlayerImage=20\r\n", {30, 26, 20, 16}},
        // Keys are found without regard to case; another section is not read.
        {L"QrvTestCase", "[Other]\r\ncxPlayerButton=99\r\n[skin]\r\nCXPLAYERBUTTON=25\r\n", {25, 16, 16, 16}},
        {L"QrvTestNoIni", nullptr, {16, 16, 16, 16}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.skin));
        if (c.ini) WriteFile(std::wstring(c.skin) + L".ini", c.ini);
        CSkin skin;
        EXPECT_EQ(PlayerSizes(skin).cxButton, 0);  // nothing before a load
        ASSERT_TRUE(skin.Load(c.skin));
        const Sizes s = PlayerSizes(skin);
        EXPECT_EQ(s.cxButton, c.expected.cxButton);
        EXPECT_EQ(s.cyButton, c.expected.cyButton);
        EXPECT_EQ(s.cxImage, c.expected.cxImage);
        EXPECT_EQ(s.cyImage, c.expected.cyImage);
        // Any other key reads through the same ini.
        EXPECT_EQ(skin.GetInt(L"cxButtonImage"), 16);
        wchar_t ini[MAX_PATH];
        ASSERT_TRUE(skin.GetIniPath(ini));
        EXPECT_EQ(std::wstring(ini), SkinsFolder() + L"\\" + c.skin + L".ini");
    }
}

TEST_F(SkinFilesTest, PathsBeforeAndAfterLoadAndRefusedNames) {
    CSkin skin;
    EXPECT_FALSE(skin.Load(nullptr));
    EXPECT_FALSE(skin.loaded);
    // Before a load the folder is computed from the program's folder.
    wchar_t folder[MAX_PATH];
    ASSERT_TRUE(skin.GetSkinsFolder(folder));
    EXPECT_EQ(std::wstring(folder), SkinsFolder());

    WriteFile(L"QrvTestPath.ini", "[Skin]\r\ncxPlayerButton=40\r\n");
    ASSERT_TRUE(skin.Load(L"QrvTestPath"));
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(skin.GetBitmapPath(L"MenuCold.bmp", path));
    EXPECT_EQ(std::wstring(path), SkinsFolder() + L"\\QrvTestPathMenuCold.bmp");
    // A second load forgets the first skin's values.
    ASSERT_TRUE(skin.Load(L"QrvTestNothing"));
    EXPECT_EQ(skin.cxPlayerButton, 16);

    // A name whose paths do not fit counts as a skin that is not there: no
    // path (never one cut short into another file's name), 16 everywhere, and
    // no player strip, even when a file with the cut name exists.
    const std::wstring folderText = SkinsFolder() + L"\\";
    const std::wstring longName(MAX_PATH - 1 - folderText.size() - 2, L'q');  // "<name>.ini" is 2 too long
    WriteFile(longName + L".i", "[Skin]\r\ncxPlayerButton=41\r\n");           // the ini's path cut to MAX_PATH - 1
    ASSERT_TRUE(skin.Load(longName.c_str()));
    EXPECT_FALSE(skin.GetIniPath(path));
    EXPECT_STREQ(path, L"");
    EXPECT_FALSE(skin.GetBitmapPath(L"Player.bmp", path));
    EXPECT_EQ(skin.cxPlayerButton, 16);
    EXPECT_EQ(skin.GetInt(L"cxPlayerButton"), 16);
    EXPECT_FALSE(skin.LoadPlayerBitmap());
    EXPECT_EQ(skin.playerBitmap, nullptr);
}

// The colour of the cell of player button `column` in state `row`.
COLORREF CellColor(int column, int row) { return RGB(10 + column * 30, 40 + row * 50, 200 - column * 10); }

constexpr int kCellW = 8, kCellH = 6, kColumns = 4;

std::vector<unsigned char> PlayerStrip() {
    return MakeBmp(kCellW * kColumns, kCellH * 4, [](int x, int y) {
        if (x == 0 && y == 0) return RGB(255, 0, 255);  // background shows through here
        return CellColor(x / kCellW, y / kCellH);
    });
}

COLORREF DibPixel(HBITMAP bitmap, int x, int y) {
    DIBSECTION dib = {};
    if (GetObjectW(bitmap, sizeof dib, &dib) != sizeof dib) return CLR_INVALID;
    GdiFlush();
    const int stride = (dib.dsBm.bmWidth * dib.dsBm.bmBitsPixel / 8 + 3) / 4 * 4;
    const int row = dib.dsBmih.biHeight > 0 ? dib.dsBm.bmHeight - 1 - y : y;
    const auto* p = static_cast<const unsigned char*>(dib.dsBm.bmBits) + (size_t)row * stride +
                    (size_t)x * (dib.dsBm.bmBitsPixel / 8);
    return RGB(p[2], p[1], p[0]);
}

// Makes COLOR_MENUBAR differ from COLOR_3DLIGHT while it lives, so that the
// two choices of background can be told apart.
class DistinctMenuBarColor {
public:
    DistinctMenuBarColor() : saved(GetSysColor(COLOR_MENUBAR)) {
        if (saved != GetSysColor(COLOR_3DLIGHT)) return;
        const int element = COLOR_MENUBAR;
        const COLORREF other = RGB(1, 2, 3);
        changed = SetSysColors(1, &element, &other) != 0;
    }
    ~DistinctMenuBarColor() {
        if (!changed) return;
        const int element = COLOR_MENUBAR;
        SetSysColors(1, &element, &saved);
    }
    COLORREF saved;
    bool changed = false;
};

TEST_F(SkinFilesTest, PlayerStripBackgroundBecomesTheMenuBarOrThe3DLightColour) {
    WriteFile(L"QrvTestPlayer.ini", "[Skin]\r\n");
    WriteFile(L"QrvTestPlayerPlayer.bmp", PlayerStrip());
    DistinctMenuBarColor colours;
    ASSERT_NE(GetSysColor(COLOR_MENUBAR), GetSysColor(COLOR_3DLIGHT));
    const struct {
        bool xp;
        int expected;
    } cases[] = {{true, COLOR_MENUBAR}, {false, COLOR_3DLIGHT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xp ? "XP or later" : "Windows 2000");
        AppState::IsWindowsXPOrLater = c.xp;
        CSkin skin;
        ASSERT_TRUE(skin.Load(L"QrvTestPlayer"));
        ASSERT_TRUE(skin.LoadPlayerBitmap());
        ASSERT_NE(skin.playerBitmap, nullptr);
        EXPECT_EQ(DibPixel(skin.playerBitmap, 0, 0), GetSysColor(c.expected));
        // Every other colour stays.
        EXPECT_EQ(DibPixel(skin.playerBitmap, 1, 0), CellColor(0, 0));
        EXPECT_EQ(DibPixel(skin.playerBitmap, kCellW * 3 + 2, kCellH * 3 + 1), CellColor(3, 3));
        EXPECT_TRUE(skin.FreePlayerBitmap());
        EXPECT_EQ(skin.playerBitmap, nullptr);
        EXPECT_TRUE(skin.FreePlayerBitmap());
        // The sizes stay valid while the strip is freed; it can be loaded again.
        EXPECT_EQ(skin.cyPlayerImage, 16);
        EXPECT_TRUE(skin.LoadPlayerBitmap());
    }
    // A skin without a strip: false, nothing held.
    CSkin skin;
    ASSERT_TRUE(skin.Load(L"QrvTestNoPlayer"));
    EXPECT_FALSE(skin.LoadPlayerBitmap());
    EXPECT_EQ(skin.playerBitmap, nullptr);
    // A file that is no bitmap is refused the same way.
    WriteFile(L"QrvTestNoPlayerPlayer.bmp", std::string("not a bitmap"));
    EXPECT_FALSE(skin.LoadPlayerBitmap());
}

TEST(PlayerButtonArithmetic, RowsAndCellOrigin) {
    const struct {
        UINT state;
        int row;
    } rows[] = {{0, PLAYER_ROW_NORMAL},
                {ODS_HOTLIGHT, PLAYER_ROW_HOT},
                {ODS_DISABLED | ODS_HOTLIGHT, PLAYER_ROW_DISABLED},
                {ODS_SELECTED | ODS_DISABLED, PLAYER_ROW_PRESSED},
                {ODS_SELECTED | ODS_HOTLIGHT, PLAYER_ROW_PRESSED},
                {ODS_FOCUS, PLAYER_ROW_NORMAL}};
    for (const auto& r : rows) EXPECT_EQ(PlayerButtonRowFor(r.state), r.row) << r.state;
    const POINT a = PlayerCellOrigin(24, 22, 16, 16);
    EXPECT_EQ(a.x, 4);
    EXPECT_EQ(a.y, 3);
    const POINT b = PlayerCellOrigin(25, 20, 8, 7);  // odd room: rounded down
    EXPECT_EQ(b.x, 8);
    EXPECT_EQ(b.y, 6);
}

TEST_F(SkinFilesTest, DrawPlayerButtonCopiesTheStateCellCentredOnTheButton) {
    WriteFile(L"QrvTestDraw.ini",
              "[Skin]\r\ncxPlayerButton=24\r\ncyPlayerButton=22\r\ncxPlayerImage=8\r\ncyPlayerImage=6\r\n");
    WriteFile(L"QrvTestDrawPlayer.bmp", PlayerStrip());
    CSkin skin;
    ASSERT_TRUE(skin.Load(L"QrvTestDraw"));
    ASSERT_TRUE(skin.LoadPlayerBitmap());

    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 48, -48, 1, 24, BI_RGB};
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(target, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, target);
    const POINT cell = {(24 - 8) / 2, (22 - 6) / 2};
    const struct {
        int index;
        UINT state;
        int row;
        RECT rect;  // the button's rectangle: its origin does not move the cell
    } cases[] = {
        {2, ODS_SELECTED | ODS_DISABLED, 3, {0, 0, 24, 22}},
        {2, ODS_SELECTED | ODS_DISABLED, 3, {20, 20, 44, 42}},
        {1, ODS_DISABLED, 2, {0, 0, 24, 22}},
        {3, ODS_HOTLIGHT, 1, {5, 3, 29, 25}},
        {0, 0, 0, {0, 0, 24, 22}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index * 10 + c.row);
        RECT all = {0, 0, 48, 48};
        FillRect(dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
        skin.DrawPlayerButton(c.index, dc, c.state, c.rect);
        GdiFlush();
        for (int y = 0; y < kCellH; ++y)
            for (int x = 0; x < kCellW; ++x) {
                if (c.index == 0 && c.row == 0 && x == 0 && y == 0) continue;  // the strip's background pixel
                ASSERT_EQ(GetPixel(dc, cell.x + x, cell.y + y), CellColor(c.index, c.row)) << x << "," << y;
            }
        // The rest of the rectangle is the 3-D light colour, nothing outside it is touched.
        const POINT inside = {c.rect.right - 1, c.rect.bottom - 1};
        EXPECT_EQ(GetPixel(dc, inside.x, inside.y), GetSysColor(COLOR_3DLIGHT));
        if (c.rect.left > 0) { EXPECT_EQ(GetPixel(dc, c.rect.left - 1, c.rect.top), RGB(0, 0, 0)); }
    }
    // Without a strip only the background is drawn.
    skin.FreePlayerBitmap();
    RECT all = {0, 0, 48, 48};
    FillRect(dc, &all, (HBRUSH)GetStockObject(BLACK_BRUSH));
    skin.DrawPlayerButton(0, dc, 0, RECT{0, 0, 24, 22});
    EXPECT_EQ(GetPixel(dc, cell.x + 1, cell.y + 1), GetSysColor(COLOR_3DLIGHT));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(target);
}

// ---- The "Win2K" skin the build writes beside the program ----

uint32_t Le32(const std::vector<unsigned char>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

TEST(ShippedSkin, IniHoldsEverySizeAndTheStripsMatchIt) {
    CSkin skin;
    ASSERT_TRUE(skin.Load(kDefaultSkinName));
    wchar_t ini[MAX_PATH];
    ASSERT_TRUE(skin.GetIniPath(ini));
    ASSERT_TRUE(qrvtest::FileExists(ini));
    const wchar_t* keys[] = {L"cxButton",        L"cyButton",        L"cxButtonImage",  L"cyButtonImage",
                             L"cxButtonBrowser", L"cyButtonBrowser", L"cxPlayerButton", L"cyPlayerButton",
                             L"cxPlayerImage",   L"cyPlayerImage",   L"cxTabCtrlImage", L"cyTabCtrlImage"};
    for (const wchar_t* key : keys) {
        // Present in the file (not the default of a missing key) and usable.
        EXPECT_GT((int)GetPrivateProfileIntW(L"Skin", key, -1, ini), 0) << qrvtest::Narrow(key);
    }
    wchar_t text[64];
    EXPECT_GT(GetPrivateProfileStringW(L"Skin", L"Name", L"", text, 64, ini), 0u);
    EXPECT_STREQ(text, L"Win2K");
    EXPECT_GT(GetPrivateProfileStringW(L"Skin", L"Author", L"", text, 64, ini), 0u);
    // The player button holds its image.
    EXPECT_GE(skin.cxPlayerButton, skin.cxPlayerImage);
    EXPECT_GE(skin.cyPlayerButton, skin.cyPlayerImage);

    const struct {
        const wchar_t* part;
        int columns, rows;
        const wchar_t *cx, *cy;  // keys of the cell size; null: 16 x 16
    } strips[] = {
        {L"Cold.bmp", 18, 1, L"cxButton", L"cyButton"},
        {L"Hot.bmp", 18, 1, L"cxButton", L"cyButton"},
        {L"ImageCold.bmp", 14, 1, L"cxButtonImage", L"cyButtonImage"},
        {L"ImageHot.bmp", 14, 1, L"cxButtonImage", L"cyButtonImage"},
        {L"BrowserCold.bmp", 15, 1, L"cxButtonBrowser", L"cyButtonBrowser"},
        {L"BrowserHot.bmp", 15, 1, L"cxButtonBrowser", L"cyButtonBrowser"},
        {L"MenuCold.bmp", 63, 1, nullptr, nullptr},
        {L"MenuHot.bmp", 63, 1, nullptr, nullptr},
        {L"Player.bmp", 8, 4, L"cxPlayerImage", L"cyPlayerImage"},
        {L"TabCtrl.bmp", 6, 1, L"cxTabCtrlImage", L"cyTabCtrlImage"},
    };
    for (const auto& s : strips) {
        SCOPED_TRACE(qrvtest::Narrow(s.part));
        wchar_t path[MAX_PATH];
        ASSERT_TRUE(skin.GetBitmapPath(s.part, path));
        const std::vector<unsigned char> b = qrvtest::ReadAll(path);
        ASSERT_GT(b.size(), 54u);
        EXPECT_EQ(b[0], 'B');
        EXPECT_EQ(b[1], 'M');
        EXPECT_EQ(Le32(b, 14), 40u);               // info header
        EXPECT_EQ(b[28] | b[29] << 8, 24);         // bits per pixel
        EXPECT_EQ(Le32(b, 30), (uint32_t)BI_RGB);  // uncompressed
        const int cx = s.cx ? skin.GetInt(s.cx) : 16;
        const int cy = s.cy ? skin.GetInt(s.cy) : 16;
        const int width = (int)Le32(b, 18), height = (int)Le32(b, 22);
        EXPECT_EQ(width, cx * s.columns);
        EXPECT_EQ(height, cy * s.rows);
        const size_t stride = ((size_t)width * 3 + 3) / 4 * 4;
        ASSERT_GE(b.size(), Le32(b, 10) + stride * height);
        // Magenta background, and every cell draws something on it.
        for (int row = 0; row < s.rows; ++row)
            for (int column = 0; column < s.columns; ++column) {
                int magenta = 0, drawn = 0;
                for (int y = row * cy; y < (row + 1) * cy; ++y)
                    for (int x = column * cx; x < (column + 1) * cx; ++x) {
                        const unsigned char* p = &b[Le32(b, 10) + (height - 1 - y) * stride + x * 3];
                        (p[0] == 255 && p[1] == 0 && p[2] == 255 ? magenta : drawn)++;
                    }
                EXPECT_GT(magenta, 0) << "cell " << column << " row " << row;
                EXPECT_GT(drawn, 8) << "cell " << column << " row " << row;
            }
    }
    // The player strip loads as the program loads it.
    EXPECT_TRUE(skin.LoadPlayerBitmap());
}

}  // namespace
