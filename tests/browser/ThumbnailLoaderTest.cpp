// The thumbnail loader on a real list: decodes, the cache's second visit,
// requests recorded during a run.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/FileListView.h"
#include "browser/ThumbnailDB.h"
#include "browser/ThumbnailDBMaintenance.h"
#include "browser/ThumbnailLoader.h"
#include "formats/Formats.h"
#include "formats/SaveDispatch.h"
#include "formats/SaveOptions.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::TempDir;

TEST(ThumbnailCell, PictureIsFittedIntoTheCellLessItsBorder) {
    AppState::BrowserThumbnailWidth = 120;
    AppState::BrowserThumbnailHeight = 90;
    AppState::BrowserThumbnailBorder = 6;
    AppState::BrowserStretchSmallThumbnails = 0;
    const RECT wide = ThumbnailCellRect(228, 84);
    EXPECT_EQ(wide.left, 3);
    EXPECT_EQ(wide.top, 24);
    EXPECT_EQ(wide.right - wide.left, 114);
    EXPECT_EQ(wide.bottom - wide.top, 42);
    // A small picture is not enlarged unless asked to.
    const RECT small = ThumbnailCellRect(40, 30);
    EXPECT_EQ(small.right - small.left, 40);
    AppState::BrowserStretchSmallThumbnails = 1;
    EXPECT_EQ(ThumbnailCellRect(40, 30).right - ThumbnailCellRect(40, 30).left, 112);
    AppState::BrowserStretchSmallThumbnails = 0;
}

int g_hookFile = -1;
void AbortAfterFirstFile(int file) {
    if (file == 0) {
        g_hookFile = file;
        ThumbLoader::CloseRequest = 1;
        ThumbLoader::DoubleClickRequest = 1;
        ThumbLoader::GotoRequest = 1;
        ThumbLoader::TreeRequest = 1;
    }
}

class ThumbnailLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryW(MAX_PATH, saved_);
        SetThumbDBRootForTesting(root_.Path().c_str());
        AppState::BrowserThumbnailWidth = 120;
        AppState::BrowserThumbnailHeight = 90;
        AppState::BrowserThumbnailBorder = 6;
        AppState::BrowserUseCaching = 1;
        AppState::BrowserCacheCompressionType = 1;
        AppState::BrowserListStyle = 0;
        owner_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner_, nullptr);
        AppState::MainWindow = owner_;
        const COLORREF colors[] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)};
        const wchar_t* names[] = {L"a.bmp", L"b.png", L"c.tif"};
        for (int i = 0; i < 3; ++i) {
            CImage image;
            ASSERT_TRUE(image.CreateEmpty(228, 84, 24, colors[i], nullptr));
            wchar_t error[FORMAT_ERROR_CHARS] = {};
            ASSERT_TRUE(SaveImageFile(pictures_.File(names[i]).c_str(), image, error, SaveOptions{}))
                << qrvtest::Narrow(error);
        }
        // A damaged picture gets the error picture and is cached like any other.
        FILE* f = _wfopen(pictures_.File(L"d.jpg").c_str(), L"wb");
        ASSERT_NE(f, nullptr);
        fwrite("\xFF\xD8\xFF\xE0\0\x10JFIF", 1, 10, f);
        fclose(f);
        SetCurrentDirectoryW(pictures_.Path().c_str());
    }
    void TearDown() override {
        SetThumbnailLoaderFileHook(nullptr);
        DestroyFileListView();
        if (owner_) DestroyWindow(owner_);
        AppState::MainWindow = nullptr;
        FreeFileLists();
        SetThumbDBRootForTesting(nullptr);
        SetCurrentDirectoryW(saved_);
    }
    // One run of the loader over the folder, as the browser starts it.
    void RunLoader() { RunLoaderOn(pictures_.Path()); }
    void RunLoaderOn(const std::wstring& folder) {
        SetCurrentDirectoryW(folder.c_str());
        BuildFileListNow(nullptr, folder.c_str());
        BuildSubfolderList(folder.c_str());
        ASSERT_TRUE(CreateFileListView(owner_));
        SetFileListStyle(FileListWindow());
        ASSERT_TRUE(FillFileListView(FileListWindow()));
        ASSERT_TRUE(StartThumbnailLoader(FileListWindow()));
        ASSERT_TRUE(WaitForThumbnailLoader(60000));
        EXPECT_FALSE(ThumbLoader::Running);
    }
    wchar_t saved_[MAX_PATH] = {};
    TempDir root_, pictures_;
    HWND owner_ = nullptr;
};

TEST_F(ThumbnailLoaderTest, SecondVisitDecodesNothingAndANewerFileIsRedone) {
    qrvtest::MessageCapture messages;
    RunLoader();
    EXPECT_EQ(FileList::Count, 4);
    EXPECT_EQ(ThumbnailLoaderDecodedCount(), 4);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(FileList::Entries[i].width, 228) << i;
        EXPECT_EQ(FileList::Entries[i].height, 84) << i;
    }
    RunLoader();
    EXPECT_EQ(ThumbnailLoaderDecodedCount(), 0);
    EXPECT_EQ(FileList::Entries[0].width, 228);  // from the cache's record

    // A file written later than its cached thumbnail is decoded again.
    HANDLE file =
        CreateFileW(pictures_.File(L"b.png").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME later;
    GetSystemTimeAsFileTime(&later);
    ULARGE_INTEGER t = {{later.dwLowDateTime, later.dwHighDateTime}};
    t.QuadPart += 10000000ULL * 3600;
    later = {t.LowPart, t.HighPart};
    SetFileTime(file, nullptr, nullptr, &later);
    CloseHandle(file);
    RunLoader();
    EXPECT_EQ(ThumbnailLoaderDecodedCount(), 1);
    EXPECT_TRUE(messages.messages.empty()) << qrvtest::Narrow(messages.messages[0]);
}

TEST_F(ThumbnailLoaderTest, AnotherCellSizeRebuildsTheCacheUnderANewNumber) {
    RunLoader();
    const CachedFolderFigures first = ReadCachedFolderFigures(pictures_.Path().c_str());
    EXPECT_EQ(first.cacheName, L"000001.dbi");
    EXPECT_EQ(first.cellWidth, 120);
    AppState::BrowserThumbnailWidth = 100;
    AppState::BrowserThumbnailHeight = 80;
    RunLoader();
    EXPECT_EQ(ThumbnailLoaderDecodedCount(), 4);
    const CachedFolderFigures second = ReadCachedFolderFigures(pictures_.Path().c_str());
    EXPECT_EQ(second.cacheName, L"000002.dbi");
    EXPECT_EQ(second.cellWidth, 100);
    EXPECT_EQ(second.cellHeight, 80);
    EXPECT_EQ(second.count, 4);
    EXPECT_FALSE(qrvtest::FileExists(ThumbDBCacheFolder() + L"\\000001.dbi"));
    RunLoader();
    EXPECT_EQ(ThumbnailLoaderDecodedCount(), 0);
}

TEST_F(ThumbnailLoaderTest, RequestsStopTheRunStoreNothingAndPostInOrder) {
    SetThumbnailLoaderFileHook(AbortAfterFirstFile);
    RunLoader();
    EXPECT_EQ(g_hookFile, 0);
    EXPECT_EQ(ThumbnailLoaderDecodedCount(), 1);
    EXPECT_FALSE(ThumbLoader::TreeRequest);
    EXPECT_FALSE(ThumbLoader::DoubleClickRequest);
    EXPECT_FALSE(ThumbLoader::CloseRequest);
    // Tree refresh, goto, the double click (to the list) and the close, in
    // that order whatever order they were asked for in.
    std::vector<std::pair<HWND, UINT>> posted;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message == WM_APP_BROWSER_REFRESH || msg.message == WM_APP_BROWSER_GOTO ||
            msg.message == WM_LBUTTONDBLCLK || msg.message == WM_CLOSE)
            posted.push_back({msg.hwnd, msg.message});
    const std::vector<std::pair<HWND, UINT>> expected = {{owner_, (UINT)WM_APP_BROWSER_REFRESH},
                                                         {owner_, (UINT)WM_APP_BROWSER_GOTO},
                                                         {FileListWindow(), (UINT)WM_LBUTTONDBLCLK},
                                                         {owner_, (UINT)WM_CLOSE}};
    EXPECT_EQ(posted, expected);
    SetThumbnailLoaderFileHook(nullptr);
    // Nothing was stored: the next run decodes every file.
    RunLoader();
    EXPECT_EQ(ThumbnailLoaderDecodedCount(), 4);
}

// The folder that tests/fixtures/browser.sh draws with ImageMagick: a JPEG,
// PNG, GIF, TIFF and BMP, a JPEG cut short, a sound and a video file.
TEST_F(ThumbnailLoaderTest, FolderOfCommonFormatsIsCachedAndComesBackWithoutDecoding) {
    TempDir copy;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(qrvtest::Fixture(L"browser\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int copied = 0;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        ASSERT_TRUE(CopyFileW(qrvtest::Fixture(std::wstring(L"browser\\") + found.cFileName).c_str(),
                              copy.File(found.cFileName).c_str(), FALSE));
        ++copied;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    ASSERT_EQ(copied, 8);

    qrvtest::MessageCapture messages;
    RunLoaderOn(copy.Path());
    ASSERT_EQ(FileList::Count, 8);
    EXPECT_EQ(ThumbnailLoaderDecodedCount(), 8);
    struct {
        const wchar_t* name;
        int width, height;
    } sizes[] = {{L"photo.jpg", 320, 240},
                 {L"plasma.png", 200, 150},
                 {L"board.gif", 160, 120},
                 {L"tall.tif", 90, 240},
                 {L"red.bmp", 64, 48}};
    for (const auto& row : sizes)
        for (int i = 0; i < FileList::Count; ++i)
            if (lstrcmpiW(FileList::Entries[i].name, row.name) == 0) {
                EXPECT_EQ(FileList::Entries[i].width, row.width) << qrvtest::Narrow(row.name);
                EXPECT_EQ(FileList::Entries[i].height, row.height) << qrvtest::Narrow(row.name);
            }

    // The second visit takes every picture from the cache, the cut JPEG's
    // too; the sound and the video file keep their icons and are never stored.
    RunLoaderOn(copy.Path());
    EXPECT_EQ(ThumbnailLoaderDecodedCount(), 2);
    int thumbnails = 0;
    {
        CThumbnailDB db;
        int w = 0, h = 0, border = 0;
        ASSERT_TRUE(db.OpenExisting(copy.Path().c_str(), &w, &h, &border));
        thumbnails = db.Count();
        for (int i = 0; i < db.Count(); ++i) {
            EXPECT_NE(lstrcmpiW(db.Slot(i).name, L"quiet.wav"), 0);
            EXPECT_NE(lstrcmpiW(db.Slot(i).name, L"clip.avi"), 0);
        }
    }
    EXPECT_EQ(thumbnails, 6);
    EXPECT_TRUE(messages.messages.empty()) << qrvtest::Narrow(messages.messages[0]);
}

}  // namespace
