// The database maintenance figures: the folders listed in qrv.dbt, each
// folder's count, cell size and file size, and the two ways of removing.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "browser/ThumbnailDB.h"
#include "browser/ThumbnailDBMaintenance.h"
#include "browser_ids.h"
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
    // Caches n thumbnails of a folder that is then deleted; returns its path.
    std::wstring CacheVanishedFolder(int n) {
        TempDir vanishing;
        Cache(vanishing.Path(), n);
        EXPECT_TRUE(qrvtest::FileExists(CacheFileOf(vanishing.Path())));
        return vanishing.Path();
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
    const std::wstring gone = CacheVanishedFolder(1);
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

// ---- the dialog, driven by messages ----

std::vector<std::wstring> g_questions;
int g_answer = IDNO;
int AnswerQuestions(const wchar_t* text, const wchar_t*, UINT type, bool) {
    g_questions.push_back(text);
    return (type & MB_YESNO) ? g_answer : IDOK;
}

class MaintenanceDialogTest : public ThumbDBMaintenanceTest {
protected:
    void SetUp() override {
        ThumbDBMaintenanceTest::SetUp();
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
    }
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
        ThumbDBMaintenanceTest::TearDown();
    }
    HWND Open() {
        dialog_ = CreateDialogParamW(GetModuleHandleW(nullptr), L"DBMAINTENANCEDLG", nullptr, DBMaintenanceDlgProc, 0);
        EXPECT_NE(dialog_, nullptr);
        return dialog_;
    }
    HWND List() const { return GetDlgItem(dialog_, IDC_DBMAINT_LIST); }
    int Rows() const { return (int)SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0); }
    std::wstring Cell(int row, int column) const {
        wchar_t text[MAX_PATH] = {};
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = MAX_PATH;
        SendMessageW(List(), LVM_GETITEMTEXTW, row, (LPARAM)&item);
        return text;
    }
    std::wstring Total() const {
        wchar_t text[64] = {};
        GetDlgItemTextW(dialog_, IDC_DBMAINT_TOTAL, text, 64);
        return text;
    }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(dialog_, id)) != FALSE; }
    void Press(int id) { SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    HWND dialog_ = nullptr;
};

TEST_F(MaintenanceDialogTest, FourColumnsAndOneRowOfFiguresPerFolder) {
    Cache(a_.Path(), 2);
    Cache(b_.Path(), 1, 160, 120);
    ASSERT_TRUE(Open());
    HWND header = (HWND)SendMessageW(List(), LVM_GETHEADER, 0, 0);
    ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 4);
    const wchar_t* headers[] = {L"Cached Folder", L"Imagecount", L"Imagesize", L"Filesize"};
    const int widths[] = {320, 80, 60, 70};
    for (int i = 0; i < 4; ++i) {
        wchar_t text[64] = {};
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT;
        column.pszText = text;
        column.cchTextMax = 64;
        SendMessageW(List(), LVM_GETCOLUMNW, i, (LPARAM)&column);
        EXPECT_STREQ(text, headers[i]);
        EXPECT_EQ(SendMessageW(List(), LVM_GETCOLUMNWIDTH, i, 0), widths[i]) << i;
    }
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), a_.Path());
    EXPECT_EQ(Cell(0, 1), L"2");
    EXPECT_EQ(Cell(0, 2), L"120x90");
    EXPECT_EQ(Cell(0, 3), L"0.01 MB");
    EXPECT_EQ(Cell(1, 0), b_.Path());
    EXPECT_EQ(Cell(1, 1), L"1");
    EXPECT_EQ(Cell(1, 2), L"160x120");
    EXPECT_EQ(Total(), L"Total Cachesize:\n0.01 MB");
    for (int id : {IDC_DBMAINT_DELETE_SELECTED, IDC_DBMAINT_DELETE_ALL, IDC_DBMAINT_REMOVE_INVALID})
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_TRUE(capture_.messages.empty());
}

TEST_F(MaintenanceDialogTest, WithoutAnIndexFileItSaysSoAndRemovesNothing) {
    ASSERT_TRUE(Open());
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 0), L"Unable to open qrv.dbt file");
    for (int id : {IDC_DBMAINT_DELETE_SELECTED, IDC_DBMAINT_DELETE_ALL, IDC_DBMAINT_REMOVE_INVALID})
        EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(MaintenanceDialogTest, RemovesAFolderDeletedOnDiskAndReportsIt) {
    Cache(a_.Path(), 1);
    const std::wstring gone = CacheVanishedFolder(2);
    const std::wstring cacheOfGone = CacheFileOf(gone);
    ASSERT_TRUE(Open());
    ASSERT_EQ(Rows(), 2);
    Press(IDC_DBMAINT_REMOVE_INVALID);
    ASSERT_EQ(capture_.messages, (std::vector<std::wstring>{L"Removed 1 invalid folder from the cache."}));
    EXPECT_EQ(capture_.owners[0], dialog_);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 0), a_.Path());
    EXPECT_FALSE(qrvtest::FileExists(cacheOfGone));

    Press(IDC_DBMAINT_REMOVE_INVALID);
    EXPECT_EQ(capture_.messages.back(), L"No invalid folder was found to be removed from the cache.");
    EXPECT_EQ(Rows(), 1);
}

TEST_F(MaintenanceDialogTest, DeleteSelectedRemovesOnlyThatFolder) {
    Cache(a_.Path(), 1);
    Cache(b_.Path(), 1);
    const std::wstring fileA = CacheFileOf(a_.Path()), fileB = CacheFileOf(b_.Path());
    ASSERT_TRUE(Open());
    LVITEMW select = {};
    select.stateMask = select.state = LVIS_SELECTED;
    SendMessageW(List(), LVM_SETITEMSTATE, 1, (LPARAM)&select);
    Press(IDC_DBMAINT_DELETE_SELECTED);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 0), a_.Path());
    EXPECT_TRUE(qrvtest::FileExists(fileA));
    EXPECT_FALSE(qrvtest::FileExists(fileB));
    EXPECT_EQ(ListCachedFolders(), (std::vector<std::wstring>{a_.Path()}));
}

TEST_F(MaintenanceDialogTest, DeleteAllAsksFirstThenTakesTheIndexFileToo) {
    Cache(a_.Path(), 2);
    Cache(b_.Path(), 1);
    const std::wstring fileA = CacheFileOf(a_.Path()), fileB = CacheFileOf(b_.Path());
    ASSERT_TRUE(Open());
    g_questions.clear();
    const MessageHook previous = SetMessageHook(AnswerQuestions);
    g_answer = IDNO;
    Press(IDC_DBMAINT_DELETE_ALL);
    EXPECT_EQ(Rows(), 2);
    EXPECT_TRUE(qrvtest::FileExists(ThumbDBIndexPath()));
    g_answer = IDYES;
    Press(IDC_DBMAINT_DELETE_ALL);
    SetMessageHook(previous);
    EXPECT_EQ(g_questions, (std::vector<std::wstring>(2, L"Are you sure you want to delete the whole database?")));
    EXPECT_FALSE(qrvtest::FileExists(ThumbDBIndexPath()));
    EXPECT_FALSE(qrvtest::FileExists(fileA));
    EXPECT_FALSE(qrvtest::FileExists(fileB));
    EXPECT_EQ(Rows(), 0);
    EXPECT_FALSE(Enabled(IDC_DBMAINT_DELETE_ALL));
}

}  // namespace
