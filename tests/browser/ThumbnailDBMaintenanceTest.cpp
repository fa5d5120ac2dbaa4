// The database maintenance figures: the folders listed in qrv.dbt, each
// folder's count, cell size and file size, and the two ways of removing.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "browser/ThumbnailDB.h"
#include "browser/ThumbnailDBMaintenance.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::MessageCapture;
using qrvtest::TempDir;

TEST(FormatCacheSize, MegabytesWithTwoDecimalsAndAFloor) {
    struct {
        uint64_t bytes;
        const wchar_t* text;
    } rows[] = {
        {0, L"0.01 MB"},           {1, L"0.01 MB"},       {10485, L"0.01 MB"},
        {3 * 1048576, L"3.00 MB"}, {1572864, L"1.50 MB"}, {200ull * 1048576, L"200.00 MB"},
    };
    for (const auto& row : rows) EXPECT_EQ(FormatCacheSize(row.bytes), row.text) << row.bytes;
}

class ThumbDBMaintenanceTest : public testing::Test {
protected:
    void SetUp() override { SetThumbDBRootForTesting(root_.Path().c_str()); }
    void TearDown() override { SetThumbDBRootForTesting(nullptr); }

    // Caches n one-pixel thumbnails of files in folder.
    void Cache(const std::wstring& folder, int n, int cellW = 120, int cellH = 90) {
        CThumbnailDB db;
        ASSERT_TRUE(db.CreateOrOpen(folder.c_str(), cellW, cellH, 6));
        for (int i = 0; i < n; ++i) {
            const std::wstring name = L"f" + std::to_wstring(i) + L".jpg";
            ASSERT_TRUE(qrvtest::WriteAll(folder + L"\\" + name, "x", 1));
            const FILETIME time = {(DWORD)i, 1};
            ASSERT_TRUE(db.AppendThumbnail(name.c_str(), &time, 4, 3, 24, 1, nullptr, 40, 30));
        }
        ASSERT_TRUE(db.WriteIndex());
    }
    std::wstring CacheFileOf(const std::wstring& folder) {
        return ThumbDBCacheFolder() + L"\\" + ReadCachedFolderFigures(folder.c_str()).cacheName;
    }

    TempDir root_, a_, b_, c_;
    MessageCapture capture_;
};

TEST_F(ThumbDBMaintenanceTest, ListsTheFoldersInFileOrderWithoutTheCount) {
    bool opened = true;
    EXPECT_TRUE(ListCachedFolders(&opened).empty());
    EXPECT_FALSE(opened);  // no qrv.dbt yet

    Cache(a_.Path(), 1);
    Cache(b_.Path(), 1);
    Cache(c_.Path(), 1);
    RemoveFolderFromThumbDB(b_.Path().c_str());
    const std::vector<std::wstring> folders = ListCachedFolders(&opened);
    EXPECT_TRUE(opened);
    EXPECT_EQ(folders, (std::vector<std::wstring>{a_.Path(), c_.Path()}));
    EXPECT_TRUE(capture_.messages.empty());
}

TEST_F(ThumbDBMaintenanceTest, FiguresOfEachFolder) {
    Cache(a_.Path(), 3, 160, 120);
    const CachedFolderFigures figures = ReadCachedFolderFigures(a_.Path().c_str());
    EXPECT_TRUE(figures.readable);
    EXPECT_EQ(figures.cacheName, L"000001.dbi");
    EXPECT_EQ(figures.count, 3);
    EXPECT_EQ(figures.cellWidth, 160);
    EXPECT_EQ(figures.cellHeight, 120);
    EXPECT_EQ(figures.fileSize, qrvtest::ReadAll(CacheFileOf(a_.Path())).size());

    EXPECT_FALSE(ReadCachedFolderFigures(b_.Path().c_str()).readable);  // not listed
    ASSERT_TRUE(DeleteFileW(CacheFileOf(a_.Path()).c_str()));
    EXPECT_FALSE(ReadCachedFolderFigures(a_.Path().c_str()).readable);  // listed, file gone
    EXPECT_TRUE(capture_.messages.empty());
}

TEST_F(ThumbDBMaintenanceTest, RemovesFoldersThatNoLongerExistButNoNetworkFolder) {
    Cache(a_.Path(), 1);
    std::wstring gone;
    {
        TempDir vanishing;
        gone = vanishing.Path();
        Cache(gone, 1);
        ASSERT_TRUE(qrvtest::FileExists(CacheFileOf(gone)));
    }
    const std::wstring cacheOfGone = CacheFileOf(gone);
    const std::wstring unc = L"\\\\server\\share\\pictures";
    WritePrivateProfileStringW(L"Directories", unc.c_str(), L"000099.dbi", ThumbDBIndexPath().c_str());

    EXPECT_EQ(RemoveInvalidFolders(ListCachedFolders()), 1);
    EXPECT_EQ(ListCachedFolders(), (std::vector<std::wstring>{a_.Path(), unc}));
    EXPECT_FALSE(qrvtest::FileExists(cacheOfGone));
    EXPECT_EQ(RemoveInvalidFolders(ListCachedFolders()), 0);
    EXPECT_TRUE(capture_.messages.empty());
}

TEST_F(ThumbDBMaintenanceTest, DeletingEverythingTakesTheIndexFileToo) {
    Cache(a_.Path(), 2);
    Cache(b_.Path(), 1);
    const std::wstring fileA = CacheFileOf(a_.Path()), fileB = CacheFileOf(b_.Path());
    EXPECT_TRUE(DeleteWholeThumbDB(ListCachedFolders()));
    EXPECT_FALSE(qrvtest::FileExists(fileA));
    EXPECT_FALSE(qrvtest::FileExists(fileB));
    EXPECT_FALSE(qrvtest::FileExists(ThumbDBIndexPath()));
    EXPECT_TRUE(capture_.messages.empty());

    // Nothing left to delete.
    EXPECT_FALSE(DeleteWholeThumbDB({}));
    EXPECT_EQ(capture_.messages, (std::vector<std::wstring>{L"Unable to delete dbt file!"}));
}

}  // namespace
