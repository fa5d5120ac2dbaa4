// The browser pane's and file list's arithmetic: layout and splitters, the
// folder's style file, the thumbnail grid, captions and sizes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/Modes.h"
#include "browser/Browser.h"
#include "browser/FileListView.h"
#include "command_ids.h"
#include "support/TestSupport.h"

namespace {

BrowserLayoutInput Input(int width, int height) {
    BrowserLayoutInput in;
    in.width = width;
    in.height = height;
    in.margins = {0, 30, 0, 20};
    in.statusHeight = 20;
    in.comboHeight = 24;
    in.rebarHeight = 28;
    in.folderLeft = true;
    in.vscrollWidth = 16;
    return in;
}

TEST(BrowserLayout, SplittersFollowHalfASizeChange) {
    BrowserSplit split;
    split.x = 300;
    split.y = 200;
    ComputeBrowserLayout(Input(1000, 700), split);
    EXPECT_EQ(split.x, 300);
    EXPECT_EQ(split.y, 200);
    const BrowserLayoutBoxes b = ComputeBrowserLayout(Input(900, 600), split);
    EXPECT_EQ(split.x, 250);
    EXPECT_EQ(split.y, 150);
    EXPECT_EQ(b.verticalBar.x, 250);
    EXPECT_EQ(b.horizontalBar.y, 30 + 150);
    // Folder pane on the left: combo and tree left of the bar, list right of it.
    EXPECT_EQ(b.combo.w, 250);
    EXPECT_EQ(b.tree.y, 30 + 24);
    EXPECT_EQ(b.tree.h, 150 - 24);
    EXPECT_EQ(b.list.x, 258);
    EXPECT_EQ(b.list.w, 900 - 250 - 8);
    EXPECT_EQ(b.list.y, 30 + 24 + 28);
    EXPECT_EQ(b.list.h, 600 - 28 - 20 - 30 - 24);
    EXPECT_EQ(b.rebar.y, b.tabs.y + 24);
}

TEST(BrowserLayout, HorizontalBarNeverRisesAboveTheCombo) {
    BrowserSplit split;
    split.x = 300;
    split.y = 30;
    ComputeBrowserLayout(Input(1000, 700), split);
    ComputeBrowserLayout(Input(1000, 400), split);
    EXPECT_EQ(split.y, 24);
}

TEST(BrowserLayout, FolderPaneAboveTheList) {
    BrowserSplit split;
    split.x = 300;
    split.y = 200;
    BrowserLayoutInput in = Input(1000, 700);
    in.folderLeft = false;
    const BrowserLayoutBoxes b = ComputeBrowserLayout(in, split);
    EXPECT_EQ(b.combo.x, 308);
    EXPECT_EQ(b.combo.w, 1000 - 300 - 8);
    EXPECT_EQ(b.tabs.y, 30 + 200 + 8);
    EXPECT_EQ(b.list.y, 30 + 200 + 30 + 28);
}

TEST(BrowserLayout, SplitterDragsAreClamped) {
    // Vertical bar: negative goes to the left margin, and room stays for a cell.
    EXPECT_EQ(DragVerticalBar(-5, 1000, 120, 10, 0), 10);
    EXPECT_EQ(DragVerticalBar(400, 1000, 120, 0, 0), 400);
    EXPECT_EQ(DragVerticalBar(950, 1000, 120, 0, 0), 1000 - 120 - 16);
    // Horizontal bar: at least the combo, and 120 pixels above the bottom margin.
    EXPECT_EQ(DragHorizontalBar(5, 700, 24, 30, 20), 24);
    EXPECT_EQ(DragHorizontalBar(300, 700, 24, 30, 20), 300);
    EXPECT_EQ(DragHorizontalBar(650, 700, 24, 30, 20), 700 - 20 - 30 - 120);
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    FILE* f = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(f, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

TEST(FolderStyle, FileValueDefaultAndAudioTab) {
    struct Row {
        const char* what;
        std::string bytes;  // empty: no file
        int current, defaultStyle, tab;
        int expected;
        bool own;
    };
    const Row rows[] = {
        {"7 shows a report", std::string("\x07\0\0\0", 4), 0, 0, TAB_ALL_TYPES, 1, true},
        {"0 shows thumbnails", std::string("\0\0\0\0", 4), 1, 1, TAB_ALL_TYPES, 0, true},
        {"-3 shows thumbnails", std::string("\xFD\xFF\xFF\xFF", 4), 1, 1, TAB_ALL_TYPES, 0, true},
        {"a short file keeps the mode", std::string("\x01\0", 2), 1, 0, TAB_ALL_TYPES, 1, true},
        {"no file takes the default", "", 0, 1, TAB_ALL_TYPES, 1, false},
        {"audio tab is a report", std::string("\0\0\0\0", 4), 0, 0, TAB_AUDIO, 1, true},
    };
    for (const Row& row : rows) {
        qrvtest::TempDir dir;
        if (!row.bytes.empty()) WriteBytes(FolderStylePath(dir.Path().c_str()), row.bytes);
        bool own = !row.own;
        EXPECT_EQ(ReadFolderStyle(dir.Path().c_str(), row.current, row.defaultStyle, row.tab, &own), row.expected)
            << row.what;
        EXPECT_EQ(own, row.own) << row.what;
    }
}

TEST(FolderStyle, SavedFileIsFourHiddenBytes) {
    qrvtest::TempDir dir;
    CBrowser browser;
    browser.SaveFolderStyle(1, dir.Path().c_str());
    const std::wstring path = FolderStylePath(dir.Path().c_str());
    std::string bytes(8, '?');
    FILE* f = _wfopen(path.c_str(), L"rb");
    ASSERT_NE(f, nullptr);
    bytes.resize(fread(&bytes[0], 1, bytes.size(), f));
    fclose(f);
    EXPECT_EQ(bytes, std::string("\x01\0\0\0", 4));
    const DWORD attributes = GetFileAttributesW(path.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(browser.ownStyle);

    qrvtest::MessageCapture messages;
    browser.DeleteFolderStyle(dir.Path().c_str());
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(browser.ownStyle);
    browser.DeleteFolderStyle(dir.Path().c_str());
    ASSERT_EQ(messages.messages.size(), 2u);
    EXPECT_EQ(messages.messages[0].rfind(L"Specific Foldersyle deleted for folder: ", 0), 0u);
    EXPECT_EQ(messages.messages[1], L"No specific folderstyle file found. Nothing to delete.");
}

TEST(FileListView, GridRowsWrapAtTheListWidth) {
    // Cell 120 x 90 in a list 520 wide: four per row, the fifth starts the next.
    POINT at = {4, 4};
    const int expectedX[] = {4, 132, 260, 388};
    for (int x : expectedX) {
        EXPECT_EQ(at.x, x);
        EXPECT_EQ(at.y, 4);
        at = NextGridPosition(at, 120, 90, 520);
    }
    EXPECT_EQ(at.x, 4);
    EXPECT_EQ(at.y, 4 + 90 + 24);
}

TEST(FileListView, CaptionsAreCutWithDots) {
    // Ten pixels per character; a cell of 120 leaves 108 for the text.
    auto measure = [](const std::wstring& s) { return (int)s.size() * 10; };
    EXPECT_EQ(CutCaption(L"short.jpg", 120, measure), L"short.jpg");
    EXPECT_EQ(CutCaption(L"abcdefghij", 120, measure), L"abcdefghij");
    // Built while narrower than 108: 11 characters, less one, then the dots.
    EXPECT_EQ(CutCaption(L"a_rather_long_name.jpg", 120, measure), L"a_rather_l...");
}

TEST(FileListView, SizesInMegabytes) {
    wchar_t text[32];
    FormatSizeMB(text, 5000);
    EXPECT_STREQ(text, L"0.01 MB");
    FormatSizeMB(text, 3145728);
    EXPECT_STREQ(text, L"3.00 MB");
    FormatSizeMB(nullptr, 1);  // nothing written, no crash
}

TEST(FileListView, PlaceholdersAndIconsByExtension) {
    EXPECT_EQ(ThumbnailPlaceholderFor(L"clip.MPG"), kPlaceholderVideo);
    EXPECT_EQ(ThumbnailPlaceholderFor(L"song.ogg"), kPlaceholderSound);
    EXPECT_EQ(ThumbnailPlaceholderFor(L"photo.jpeg"), kPlaceholderImage);
    EXPECT_EQ(ThumbnailPlaceholderFor(L"noextension"), kPlaceholderImage);
    EXPECT_STREQ(ReportIconFor(L"a.JPEG"), L"jpg.ico");
    EXPECT_STREQ(ReportIconFor(L"a.rgba"), L"sgi.ico");
    EXPECT_STREQ(ReportIconFor(L"a.mp3"), L"mp3.ico");
    EXPECT_STREQ(ReportIconFor(L"a.mpa"), L"Sound.ico");
    EXPECT_STREQ(ReportIconFor(L"a.xyz"), L"Image.ico");
}

TEST(FileListView, ProgressBarAlongTheListBottom) {
    const RECT r = ListProgress::ProgressBarRect(RECT{0, 0, 1000, 700}, 300);
    EXPECT_EQ(r.left, 308);
    EXPECT_EQ(r.top, 683);
    EXPECT_EQ(r.right - r.left, 1000 - 300 - 32);
    EXPECT_EQ(r.bottom - r.top, 10);
}

}  // namespace

namespace {

TEST(FileListView, PlaceholdersAreCentredOnTheWindowColour) {
    for (int id : {kPlaceholderImage, kPlaceholderVideo, kPlaceholderSound, kPlaceholderFolder}) {
        HBITMAP cell = MakeCenteredBitmap(120, 90, 64, 64, id);
        ASSERT_NE(cell, nullptr) << id;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, cell);
        const COLORREF window = GetSysColor(COLOR_WINDOW);
        // Outside the art and its silver ground alike: the window colour.
        EXPECT_EQ(GetPixel(dc, 2, 2), window) << id;
        EXPECT_EQ(GetPixel(dc, 28 + 1, 13 + 1), window) << id;
        // Something is drawn inside.
        int drawn = 0;
        for (int y = 13; y < 13 + 64; y += 4)
            for (int x = 28; x < 28 + 64; x += 4) drawn += GetPixel(dc, x, y) != window;
        EXPECT_GT(drawn, 20) << id;
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(cell);
    }
    EXPECT_EQ(MakeCenteredBitmap(120, 90, 64, 64, 1), nullptr);
}

TEST(FileListView, ContextMenuHoldsTheListCommands) {
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), L"THUMBPOPUPMENU");
    ASSERT_NE(menu, nullptr);
    HMENU popup = GetSubMenu(menu, 0);
    for (UINT id : {IDM_BROWSER_THUMBNAILS, IDM_BROWSER_REPORT, IDM_COPY_NAMES, IDM_COPY_PATHS, IDM_RENAME_ITEMS,
                    IDM_ADD_TO_PLAYLIST, IDM_SHOW_RANDOM, IDM_HTML_ALBUM, IDM_REMOVE_FOLDER_FROM_CACHE}) {
        MENUITEMINFOW info = {sizeof(info), MIIM_ID};
        EXPECT_TRUE(GetMenuItemInfoW(popup, id, FALSE, &info)) << id;
    }
    DestroyMenu(menu);
}

}  // namespace
