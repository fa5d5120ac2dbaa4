// The folder file list: the scan by pattern groups on generated folders, its
// sorting, the current file, the capacity, the subfolders and the worker.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Modes.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "support/SettingsKeeper.h"
#include "image/Common.h"
#include "support/TestSupport.h"

namespace {

constexpr DWORD kScanWaitMs = 10000;

std::vector<std::wstring> Names(const MediaFileEntry* entries, int count) {
    std::vector<std::wstring> names;
    for (int i = 0; i < count; ++i) names.push_back(entries[i].name);
    return names;
}
std::vector<std::wstring> ListedNames() { return Names(FileList::Entries, FileList::Count); }
std::vector<std::wstring> SubfolderNames() { return Names(FileList::Subfolders, FileList::SubfolderCount); }

void Touch(const qrvtest::TempDir& dir, const wchar_t* name, size_t size = 1) {
    std::string bytes(size, 'x');
    ASSERT_TRUE(qrvtest::WriteAll(dir.File(name), bytes.data(), bytes.size()));
}

// Every test starts outside the browser with the default settings, the full
// capacity and no scan left over.
class FileListTest : public testing::Test {
protected:
    void SetUp() override {
        AppState::ViewMode = VIEW_VIEWER;
        AppState::BrowserTab = TAB_ALL_TYPES;
        AppState::BrowserListStyle = 0;
        Browser.open = false;
        FileList::Capacity = 50000;
    }
    void TearDown() override {
        ASSERT_TRUE(WaitForFileScan(kScanWaitMs));
        Browser.open = false;
        AppState::ViewMode = VIEW_VIEWER;
        AppState::BrowserTab = TAB_ALL_TYPES;
        FileList::Capacity = 50000;
        FreeFileLists();
    }
    // A build outside the browser: the worker's, taken when it is done.
    void BuildOnWorker(const wchar_t* current, const qrvtest::TempDir& dir) {
        BuildFileList(current, dir.Path().c_str());
        ASSERT_TRUE(WaitForFileScan(kScanWaitMs));
    }
    // A build with the browser open on tab: on this thread.
    void BuildInBrowser(int tab, const wchar_t* current, const qrvtest::TempDir& dir) {
        Browser.open = true;
        AppState::BrowserTab = tab;
        BuildFileList(current, dir.Path().c_str());
        EXPECT_FALSE(FileList::ScanBusy);
        BuildSubfolderList(dir.Path().c_str());
        Browser.open = false;
    }
    qrvtest::SettingsKeeper settings;
};

TEST_F(FileListTest, HoldsTheFoldersMediaFilesSortedByName) {
    qrvtest::TempDir dir;
    for (const wchar_t* name : {L"c.PNG", L"notes.txt", L"a.jpg", L"B.bmp", L"song.mp3", L"noextension"})
        Touch(dir, name);
    CreateDirectoryW(dir.File(L"sub").c_str(), nullptr);
    BuildOnWorker(L"c.png", dir);
    BuildSubfolderList(dir.Path().c_str());
    ASSERT_EQ(FileList::Count, 4);
    EXPECT_STREQ(FileList::Entries[0].name, L"a.jpg");
    EXPECT_STREQ(FileList::Entries[1].name, L"B.bmp");
    EXPECT_STREQ(FileList::Entries[2].name, L"c.PNG");
    EXPECT_STREQ(FileList::Entries[3].name, L"song.mp3");
    EXPECT_EQ(FileList::Current, 2);  // the named file, found without regard to case
    EXPECT_EQ(FileList::SubfolderCount, 1);

    // A folder without media files gives an empty list.
    qrvtest::TempDir other;
    Touch(other, L"readme.txt");
    BuildOnWorker(nullptr, other);
    EXPECT_EQ(FileList::Count, 0);
}

// The browser's tab chooses the groups while it is open; otherwise the three
// media settings do.
TEST_F(FileListTest, TabsAndSettingsChooseThePatternGroups) {
    qrvtest::TempDir dir;
    for (const wchar_t* name : {L"a.bmp", L"b.avi", L"c.wav", L"d.txt"}) Touch(dir, name);
    CreateDirectoryW(dir.File(L"folder").c_str(), nullptr);
    const std::vector<std::wstring> all = {L"a.bmp", L"b.avi", L"c.wav"};
    struct TabRow {
        int tab;
        std::vector<std::wstring> files;
        int subfolders;
        int patterns;
    } tabRows[] = {
        {TAB_ALL_TYPES, all, 1, 98},    {TAB_IMAGES, {L"a.bmp"}, 1, 68}, {TAB_VIDEOS, {L"b.avi"}, 1, 17},
        {TAB_AUDIO, {L"c.wav"}, 1, 13}, {TAB_PLAYLIST, all, 1, 98},      {TAB_CONFIGURE, {}, 0, 0},
    };
    for (const TabRow& row : tabRows) {
        SCOPED_TRACE(row.tab);
        BuildInBrowser(row.tab, nullptr, dir);
        EXPECT_EQ(ListedNames(), row.files);
        EXPECT_EQ(FileList::SubfolderCount, row.subfolders);
        EXPECT_EQ(FileList::PatternCount, row.patterns);
    }
    struct SettingsRow {
        int images, videos, sound;
        std::vector<std::wstring> files;
    } settingsRows[] = {
        {1, 1, 1, all},
        {1, 0, 0, {L"a.bmp"}},
        {0, 1, 1, {L"b.avi", L"c.wav"}},
        {0, 0, 0, {}},
    };
    for (const SettingsRow& row : settingsRows) {
        SCOPED_TRACE(testing::Message() << row.images << row.videos << row.sound);
        AppState::GeneralViewImages = row.images;
        AppState::GeneralPlayVideos = row.videos;
        AppState::GeneralPlayMusic = row.sound;
        BuildOnWorker(nullptr, dir);
        EXPECT_EQ(ListedNames(), row.files);
    }
}

TEST_F(FileListTest, PatternTablePacksTheGroupsInTheirOrder) {
    EXPECT_EQ(FillFilePatterns(false, true, true), 30);
    EXPECT_STREQ(FileList::Patterns[0], L"*.avi");
    EXPECT_STREQ(FileList::Patterns[16], L"*.div");
    EXPECT_STREQ(FileList::Patterns[17], L"*.wav");
    EXPECT_STREQ(FileList::Patterns[29], L"*.ogg");
    EXPECT_EQ(FillFilePatterns(true, true, true), 98);
    EXPECT_STREQ(FileList::Patterns[0], L"*.bmp");
    EXPECT_STREQ(FileList::Patterns[67], L"*.dcx");
    EXPECT_STREQ(FileList::Patterns[68], L"*.avi");
    EXPECT_STREQ(FileList::Patterns[97], L"*.ogg");
}

// Names beginning with "." and folders named like media files are never
// listed; hidden files and folders only with their settings.
TEST_F(FileListTest, DotNamesFoldersAndHiddenEntries) {
    qrvtest::TempDir dir;
    for (const wchar_t* name : {L"shown.jpg", L".dot.jpg", L"hidden.jpg"}) Touch(dir, name);
    for (const wchar_t* name : {L"folder.jpg", L".dotfolder", L"hiddenfolder"})
        ASSERT_TRUE(CreateDirectoryW(dir.File(name).c_str(), nullptr));
    for (const wchar_t* name : {L"hidden.jpg", L"hiddenfolder"}) {
        ASSERT_TRUE(SetFileAttributesW(dir.File(name).c_str(),
                                       FILE_ATTRIBUTE_HIDDEN | GetFileAttributesW(dir.File(name).c_str())));
        // The hidden attribute lives in an extended attribute of the host's
        // file system: without it this test would prove nothing.
        ASSERT_EQ(qrvtest::RunHost("python3 -c 'import os,sys; os.getxattr(sys.argv[1], \"user.DOSATTRIB\")' '" +
                                   qrvtest::HostPath(dir.File(name)) + "'"),
                  0)
            << "the test folder's file system keeps no user.DOSATTRIB";
        ASSERT_TRUE(GetFileAttributesW(dir.File(name).c_str()) & FILE_ATTRIBUTE_HIDDEN);
    }
    struct Row {
        int showFiles, showFolders;
        std::vector<std::wstring> files, folders;
    } rows[] = {
        {0, 0, {L"shown.jpg"}, {L"folder.jpg"}},
        {1, 0, {L"hidden.jpg", L"shown.jpg"}, {L"folder.jpg"}},
        {0, 1, {L"shown.jpg"}, {L"folder.jpg", L"hiddenfolder"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.showFiles << row.showFolders);
        AppState::GeneralShowHiddenFiles = row.showFiles;
        AppState::GeneralShowHiddenFolders = row.showFolders;
        BuildInBrowser(TAB_ALL_TYPES, nullptr, dir);
        EXPECT_EQ(ListedNames(), row.files);
        EXPECT_EQ(SubfolderNames(), row.folders);
        BuildOnWorker(nullptr, dir);
        EXPECT_EQ(ListedNames(), row.files);
    }
}

// An extension in two groups, or a long extension that a shorter pattern
// matches through its 8.3 name, is listed once, in its first pattern's place.
TEST_F(FileListTest, EachFileIsListedOnceAndLongExtensionsAreFound) {
    qrvtest::TempDir dir;
    const wchar_t* names[] = {L"clip.m1v", L"photo.jpeg", L"pic.rgba", L"tape.mp2v", L"tape2.mpv2", L"still.jpg"};
    for (const wchar_t* name : names) Touch(dir, name);
    AppState::GeneralSortOrder = 3;  // scan order: grouped by pattern
    BuildOnWorker(nullptr, dir);
    std::vector<std::wstring> listed = ListedNames();
    for (const wchar_t* name : names)
        EXPECT_EQ(std::count(listed.begin(), listed.end(), std::wstring(name)), 1) << testing::PrintToString(name);
    EXPECT_EQ(listed.size(), std::size(names));
    // The first pattern that matches decides the place: ".jpg" comes before
    // ".jpe" (which finds ".jpeg"), and images before videos.
    auto at = [&listed](const wchar_t* name) { return std::find(listed.begin(), listed.end(), name) - listed.begin(); };
    EXPECT_LT(at(L"still.jpg"), at(L"photo.jpeg"));
    EXPECT_LT(at(L"pic.rgba"), at(L"clip.m1v"));
    EXPECT_LT(at(L"clip.m1v"), at(L"tape.mp2v"));

    // The sound tab alone still lists ".m1v"; ".mp2v" comes with it through
    // the 8.3 name that "*.mp2" matches, in that pattern's earlier place.
    BuildInBrowser(TAB_AUDIO, nullptr, dir);
    EXPECT_EQ(ListedNames(), (std::vector<std::wstring>{L"tape.mp2v", L"clip.m1v"}));
}

TEST_F(FileListTest, SortRowsOfTheSettings) {
    qrvtest::TempDir dir;
    // Names, sizes and dates each in another order; files grouped by pattern
    // (".bmp", ".jpg", ".png") give the scan order.
    struct File {
        const wchar_t* name;
        size_t size;
        int day;
    } files[] = {{L"m.png", 30, 2}, {L"z.bmp", 10, 3}, {L"A.jpg", 20, 1}};
    for (const File& file : files) {
        Touch(dir, file.name, file.size);
        SYSTEMTIME time = {2020, 1, 0, (WORD)file.day, 12, 0, 0, 0};
        FILETIME written;
        SystemTimeToFileTime(&time, &written);
        HANDLE handle =
            CreateFileW(dir.File(file.name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        SetFileTime(handle, nullptr, nullptr, &written);
        CloseHandle(handle);
    }
    const std::vector<std::wstring> scan = {L"z.bmp", L"A.jpg", L"m.png"};
    struct Row {
        int order, ascending;
        std::vector<std::wstring> names;
    } rows[] = {
        {0, 1, {L"A.jpg", L"m.png", L"z.bmp"}},
        {0, 0, {L"z.bmp", L"m.png", L"A.jpg"}},
        {1, 1, {L"z.bmp", L"A.jpg", L"m.png"}},
        {1, 0, {L"m.png", L"A.jpg", L"z.bmp"}},
        {2, 1, {L"A.jpg", L"m.png", L"z.bmp"}},
        {2, 0, {L"z.bmp", L"m.png", L"A.jpg"}},
        {3, 1, scan},
        {3, 0, scan},
        {7, 1, scan},
        {-1, 1, scan},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.order << " " << row.ascending);
        AppState::GeneralSortOrder = row.order;
        AppState::GeneralSortAscending = row.ascending;
        BuildOnWorker(nullptr, dir);
        EXPECT_EQ(ListedNames(), row.names);
    }
}

TEST_F(FileListTest, SizesCompareUnsigned) {
    MediaFileEntry entries[3] = {};
    const uint32_t sizes[] = {0x80000000u, 1, 0xFFFFFFFFu};
    for (int i = 0; i < 3; ++i) entries[i].size = sizes[i];
    SortFileEntries(entries, 3, 1, true);
    EXPECT_EQ(entries[0].size, 1u);
    EXPECT_EQ(entries[1].size, 0x80000000u);
    EXPECT_EQ(entries[2].size, 0xFFFFFFFFu);
    SortFileEntries(entries, 3, 1, false);
    EXPECT_EQ(entries[0].size, 0xFFFFFFFFu);
    EXPECT_EQ(entries[2].size, 1u);
}

// The current file is found by its name alone, without regard to case; a
// name not in the folder, or a list of one, gives 0.
TEST_F(FileListTest, CurrentFileIgnoresCaseAndFolders) {
    qrvtest::TempDir dir;
    for (const wchar_t* name : {L"a.bmp", L"b.bmp", L"Cc.bmp"}) Touch(dir, name);
    struct Row {
        const wchar_t* current;
        int index;
    } rows[] = {
        {L"cc.BMP", 2}, {L"C:\\elsewhere\\B.BMP", 1}, {L"other/folder/CC.bmp", 2}, {L"missing.bmp", 0}, {nullptr, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.current ? row.current : L"(none)"));
        BuildOnWorker(row.current, dir);
        EXPECT_EQ(FileList::Current, row.index);
        BuildInBrowser(TAB_ALL_TYPES, row.current, dir);
        EXPECT_EQ(FileList::Current, row.index);
    }
    qrvtest::TempDir single;
    Touch(single, L"only.bmp");
    BuildOnWorker(L"ONLY.BMP", single);
    EXPECT_EQ(FileList::Count, 1);
    EXPECT_EQ(FileList::Current, 0);
}

// The scan stops at the capacity; the first build in thumbnail view lowers
// it to 2,000 for good, a build in report view does not.
TEST_F(FileListTest, CapacityCutsTheListAndThumbnailBrowsingLowersIt) {
    qrvtest::TempDir dir;
    for (const wchar_t* name : {L"a.bmp", L"b.bmp", L"c.jpg", L"d.png", L"e.wav"}) Touch(dir, name);
    FileList::Capacity = 3;
    BuildOnWorker(nullptr, dir);
    EXPECT_EQ(ListedNames(), (std::vector<std::wstring>{L"a.bmp", L"b.bmp", L"c.jpg"}));
    BuildInBrowser(TAB_ALL_TYPES, nullptr, dir);
    EXPECT_EQ(FileList::Count, 3);
    EXPECT_EQ(FileList::Capacity, 3);  // never raised

    // A build for use at once runs here in the viewer too, and leaves the
    // capacity to thumbnail browsing.
    FileList::Capacity = 50000;
    BuildFileListNow(L"e.wav", dir.Path().c_str());
    EXPECT_FALSE(FileList::ScanBusy);
    EXPECT_EQ(FileList::Count, 5);
    EXPECT_STREQ(FileList::Entries[FileList::Current].name, L"e.wav");
    EXPECT_EQ(FileList::Capacity, 50000);
    AppState::BrowserListStyle = 1;
    BuildInBrowser(TAB_ALL_TYPES, nullptr, dir);
    EXPECT_EQ(FileList::Capacity, 50000);
    AppState::ViewMode = VIEW_BROWSER;  // browser mode with the pane closed also builds here
    BuildFileList(nullptr, dir.Path().c_str());
    EXPECT_FALSE(FileList::ScanBusy);
    EXPECT_EQ(FileList::Count, 5);
    AppState::BrowserListStyle = 0;
    BuildFileList(nullptr, dir.Path().c_str());
    EXPECT_EQ(FileList::Capacity, 2000);
    AppState::ViewMode = VIEW_VIEWER;
    BuildOnWorker(nullptr, dir);
    EXPECT_EQ(FileList::Capacity, 2000);
    EXPECT_EQ(FileList::Count, 5);
}

TEST_F(FileListTest, SubfoldersAreSortedAndBounded) {
    qrvtest::TempDir dir;
    for (const wchar_t* name : {L"beta", L"Alpha", L"gamma", L"delta"})
        ASSERT_TRUE(CreateDirectoryW(dir.File(name).c_str(), nullptr));
    Touch(dir, L"file.bmp");
    BuildSubfolderList(dir.Path().c_str());
    EXPECT_EQ(SubfolderNames(), (std::vector<std::wstring>{L"Alpha", L"beta", L"delta", L"gamma"}));
    AppState::GeneralSortAscending = 0;
    const int capacity = FileList::SubfolderCapacity;
    FileList::SubfolderCapacity = 2;
    BuildSubfolderList(dir.Path().c_str());
    FileList::SubfolderCapacity = capacity;
    EXPECT_EQ(FileList::SubfolderCount, 2);
    // Two of the four, in descending order.
    ASSERT_EQ(FileList::SubfolderCount, 2);
    EXPECT_GT(lstrcmpiW(FileList::Subfolders[0].name, FileList::Subfolders[1].name), 0);
}

// Outside the browser the worker scans: the list is busy and empty until its
// result is taken, and a later build's result replaces an earlier one's.
TEST_F(FileListTest, WorkerResultIsTakenAndOverlappingBuildsKeepTheLatest) {
    qrvtest::TempDir first, second;
    for (int i = 0; i < 300; ++i) Touch(first, (L"first" + std::to_wstring(i) + L".bmp").c_str());
    Touch(second, L"b.bmp");
    Touch(second, L"a.bmp");

    BuildFileList(L"b.bmp", first.Path().c_str());
    EXPECT_TRUE(FileList::ScanBusy);  // set before the worker runs
    EXPECT_EQ(FileList::Count, 0);
    BuildFileList(L"b.bmp", second.Path().c_str());
    EXPECT_TRUE(FileList::ScanBusy);
    ASSERT_TRUE(WaitForFileScan(kScanWaitMs));
    EXPECT_FALSE(FileList::ScanBusy);
    EXPECT_EQ(ListedNames(), (std::vector<std::wstring>{L"a.bmp", L"b.bmp"}));
    EXPECT_EQ(FileList::Current, 1);
    // Whatever the first worker still posts is dropped.
    for (int i = 0; i < 20; ++i) {
        Sleep(10);
        WaitForFileScan(kScanWaitMs);
    }
    EXPECT_EQ(ListedNames(), (std::vector<std::wstring>{L"a.bmp", L"b.bmp"}));

    // A build on this thread (the browser opened meanwhile) wins over a worker
    // still running.
    BuildFileList(nullptr, first.Path().c_str());
    BuildInBrowser(TAB_ALL_TYPES, nullptr, second);
    EXPECT_EQ(FileList::Count, 2);
    EXPECT_FALSE(FileList::ScanBusy);
    if (FileList::ScanThread) WaitForSingleObject(FileList::ScanThread, kScanWaitMs);
    WaitForFileScan(kScanWaitMs);
    EXPECT_EQ(FileList::Count, 2);
    EXPECT_FALSE(TakeFileScanResult(0));

    // A result already posted when a newer build starts is dropped when it
    // arrives, whether the newer build ran here or on a worker.
    for (bool newerOnWorker : {false, true}) {
        SCOPED_TRACE(newerOnWorker);
        BuildFileList(nullptr, first.Path().c_str());
        ASSERT_EQ(WaitForSingleObject(FileList::ScanThread, kScanWaitMs), WAIT_OBJECT_0);  // posted, not taken
        if (newerOnWorker) BuildFileList(L"a.bmp", second.Path().c_str());
        else BuildInBrowser(TAB_ALL_TYPES, L"a.bmp", second);
        ASSERT_TRUE(WaitForFileScan(kScanWaitMs));
        EXPECT_EQ(ListedNames(), (std::vector<std::wstring>{L"a.bmp", L"b.bmp"}));
        EXPECT_EQ(FileList::Current, 0);
    }
}

TEST_F(FileListTest, WorkerEndsWhenAskedToStop) {
    qrvtest::TempDir dir;
    for (int i = 0; i < 300; ++i) Touch(dir, (L"f" + std::to_wstring(i) + L".bmp").c_str());
    BuildFileList(nullptr, dir.Path().c_str());
    EXPECT_TRUE(StopFileScan(kScanWaitMs));
    EXPECT_FALSE(FileList::ScanBusy);
    EXPECT_EQ(FileList::ScanThread, nullptr);
    EXPECT_TRUE(WaitForFileScan(kScanWaitMs));
}

TEST_F(FileListTest, ListAndFileIndexesConvert) {
    FileList::SubfolderCount = 2;
    FileList::Count = 3;
    struct Row {
        int file, list;
    } toList[] = {{0, 2}, {2, 4}, {3, -1}, {-1, -1}};
    for (const Row& row : toList) EXPECT_EQ(ListIndexFromFileIndex(row.file), row.list) << row.file;
    Row toFile[] = {{-1, 0}, {-1, 1}, {0, 2}, {2, 4}, {-1, 5}, {-1, -1}};
    for (const Row& row : toFile) EXPECT_EQ(FileIndexFromListIndex(row.list), row.file) << row.list;
    FileList::SubfolderCount = 0;
    FileList::Count = 0;
}

TEST_F(FileListTest, AppendAndRemoveEntries) {
    MediaFileEntry* array = nullptr;
    int count = 0;
    MediaFileEntry entry{};
    for (const wchar_t* name : {L"a", L"b", L"c"}) {
        CopyStringW(entry.name, name);
        EXPECT_TRUE(AppendMediaFileEntry(&array, entry, &count));
    }
    EXPECT_EQ(Names(array, count), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    MediaFileEntry* none = nullptr;
    int one = 1;
    EXPECT_FALSE(AppendMediaFileEntry(&none, entry, &one));  // a count without an array
    EXPECT_EQ(one, 1);

    EXPECT_FALSE(RemoveMediaFileEntry(array, 3, &count));
    EXPECT_FALSE(RemoveMediaFileEntry(array, -1, &count));
    EXPECT_EQ(Names(array, count), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_TRUE(RemoveMediaFileEntry(array, 1, &count));
    EXPECT_EQ(Names(array, count), (std::vector<std::wstring>{L"a", L"c"}));
    EXPECT_TRUE(RemoveMediaFileEntry(array, 1, &count));
    EXPECT_TRUE(RemoveMediaFileEntry(array, 0, &count));
    EXPECT_EQ(count, 0);
    EXPECT_FALSE(RemoveMediaFileEntry(array, 0, &count));
    free(array);
}

// A tool dialog's list box filled from the browser's list view: files only,
// with two or more selected, filtered by sound and JPEG, no path twice.
class SelectionToListBoxTest : public FileListTest {
protected:
    void SetUp() override {
        FileListTest::SetUp();
        InitCommonControls();
        dialog = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
        listBox = CreateWindowW(L"LISTBOX", L"", WS_CHILD | LBS_HASSTRINGS, 0, 0, 200, 200, dialog,
                                (HMENU)(INT_PTR)kToolFileListBox, nullptr, nullptr);
        okButton = CreateWindowW(L"BUTTON", L"OK", WS_CHILD | WS_DISABLED, 0, 0, 50, 20, dialog, (HMENU)IDOK, nullptr,
                                 nullptr);
        view =
            CreateWindowW(WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(dialog && listBox && okButton && view);
        // One folder, then three files.
        FileList::SubfolderCount = 1;
        MediaFileEntry entry{};
        for (const wchar_t* name : {L"photo.jpeg", L"pic.png", L"song.wav"}) {
            CopyStringW(entry.name, name);
            ASSERT_TRUE(AppendMediaFileEntry(&FileList::Entries, entry, &FileList::Count));
        }
        for (const wchar_t* name : {L"folder", L"photo.jpeg", L"pic.png", L"song.wav"}) {
            LVITEMW item = {};
            item.mask = LVIF_TEXT;
            item.iItem = (int)SendMessageW(view, LVM_GETITEMCOUNT, 0, 0);
            item.pszText = const_cast<wchar_t*>(name);
            SendMessageW(view, LVM_INSERTITEMW, 0, (LPARAM)&item);
        }
        Browser.fileListWindow = view;
        Browser.open = true;
        Browser.hidden = false;
        GetCurrentDirectoryW(MAX_PATH, folder);
    }
    void TearDown() override {
        Browser.fileListWindow = nullptr;
        Browser.hidden = false;
        DestroyWindow(view);
        DestroyWindow(dialog);
        FileList::SubfolderCount = 0;
        FileListTest::TearDown();
    }
    void Select(std::initializer_list<int> items) {
        LVITEMW state = {};
        state.stateMask = LVIS_SELECTED;
        SendMessageW(view, LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&state);  // none
        state.state = LVIS_SELECTED;
        for (int item : items) SendMessageW(view, LVM_SETITEMSTATE, (WPARAM)item, (LPARAM)&state);
    }
    std::vector<std::wstring> Listed() {
        std::vector<std::wstring> paths;
        const int count = (int)SendMessageW(listBox, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            wchar_t text[MAX_PATH * 2] = {};
            SendMessageW(listBox, LB_GETTEXT, (WPARAM)i, (LPARAM)text);
            paths.push_back(text);
        }
        return paths;
    }
    std::wstring InFolder(const wchar_t* name) {
        std::wstring path = folder;
        if (path.back() != L'\\') path += L'\\';
        return path + name;
    }
    HWND dialog = nullptr, listBox = nullptr, okButton = nullptr, view = nullptr;
    wchar_t folder[MAX_PATH] = {};
};

TEST_F(SelectionToListBoxTest, AddsTheSelectedFilesByTheFilters) {
    Select({0, 1, 2, 3});
    struct Row {
        bool includeSound, jpegOnly;
        std::vector<std::wstring> names;
    } rows[] = {
        {false, true, {L"photo.jpeg"}},
        {false, false, {L"photo.jpeg", L"pic.png"}},
        {true, false, {L"photo.jpeg", L"pic.png", L"song.wav"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.includeSound << row.jpegOnly);
        SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
        EnableWindow(okButton, FALSE);
        EXPECT_TRUE(AddSelectionToListBox(dialog, row.includeSound, row.jpegOnly));
        std::vector<std::wstring> expected;
        for (const std::wstring& name : row.names) expected.push_back(InFolder(name.c_str()));
        EXPECT_EQ(Listed(), expected);
        EXPECT_TRUE(IsWindowEnabled(okButton));
    }
    // A second call adds no path twice.
    EXPECT_TRUE(AddSelectionToListBox(dialog, true, false));
    EXPECT_EQ(Listed().size(), 3u);
}

TEST_F(SelectionToListBoxTest, OneSelectedFileOrAClosedBrowserAddsNothing) {
    Select({2});
    EXPECT_TRUE(AddSelectionToListBox(dialog, true, false));
    Select({0, 2});  // a folder and one file: the folder is never added
    EXPECT_TRUE(AddSelectionToListBox(dialog, true, false));
    EXPECT_EQ(Listed(), std::vector<std::wstring>{InFolder(L"pic.png")});
    SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
    EnableWindow(okButton, FALSE);
    Select({1, 2});
    Browser.hidden = true;
    EXPECT_FALSE(AddSelectionToListBox(dialog, true, false));
    Browser.hidden = false;
    Browser.open = false;
    EXPECT_FALSE(AddSelectionToListBox(dialog, true, false));
    EXPECT_TRUE(Listed().empty());
    EXPECT_FALSE(IsWindowEnabled(okButton));
}

// On the playlist tab an active playlist gives its full paths, in order,
// whatever the list view selects.
TEST_F(SelectionToListBoxTest, PlaylistTabTakesThePlaylist) {
    MediaFileEntry* saved = Playlist::Entries;
    const int savedCount = Playlist::Count;
    Playlist::Entries = nullptr;
    Playlist::Count = 0;
    MediaFileEntry entry{};
    for (const wchar_t* path : {L"C:\\shows\\two.jpg", L"C:\\shows\\tune.wav", L"D:\\one.png"}) {
        CopyStringW(entry.name, path);
        ASSERT_TRUE(AppendMediaFileEntry(&Playlist::Entries, entry, &Playlist::Count));
    }
    Playlist::Active = true;
    AppState::BrowserTab = TAB_PLAYLIST;
    Select({});
    EXPECT_TRUE(AddSelectionToListBox(dialog, false, false));
    EXPECT_EQ(Listed(), (std::vector<std::wstring>{L"C:\\shows\\two.jpg", L"D:\\one.png"}));
    SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
    Playlist::Active = false;  // an inactive playlist: the view's selection, here none
    EXPECT_TRUE(AddSelectionToListBox(dialog, true, false));
    EXPECT_TRUE(Listed().empty());
    free(Playlist::Entries);
    Playlist::Entries = saved;
    Playlist::Count = savedCount;
}

TEST(LoadPlaylistFile, ThumbnailAndPreviewLoadsSucceedAtOnce) {
    wchar_t error[512] = {};
    for (uint8_t* flag : {&AppState::BackgroundLoad, &AppState::PreviewLoad}) {
        *flag = 1;
        EXPECT_TRUE(LoadPlaylistFile(L"C:\\missing.qrvlist", error));
        *flag = 0;
    }
    EXPECT_FALSE(LoadPlaylistFile(L"C:\\missing.qrvlist", error));
    EXPECT_NE(error[0], 0);
}

}  // namespace
