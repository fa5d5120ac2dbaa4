// Commands that act on the folder's file list: Next/Previous/First/Last, Reload,
// quick save and Save As of the current entry. An existing but empty list is no
// list: nothing may read entry -1 or an entry past the count.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/CommandState.h"
#include "app/MainWindowIds.h"
#include "app/SaveAsDialog.h"
#include "app/Settings.h"
#include "app/Startup.h"
#include "browser/FileList.h"
#include "image/Image.h"
#include "image/Registry.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::Pump;

// Writes a small BMP of the given width.
void WritePicture(const std::wstring& path, int width) { apptest::WriteSolidPicture(path, width, 5, RGB(40, 80, 120)); }

class FileListCommandsTest : public apptest::MainWindowFixture {
protected:
    void Command(UINT id) {
        SendMessageW(window, WM_COMMAND, id, 0);
        Pump();
    }
};

TEST(StepTarget, NextPreviousFirstLastWithAndWithoutWrap) {
    struct Row {
        UINT id;
        int current, count;
        bool wrap;
        int expected;
    } rows[] = {
        {40002, 0, 3, false, 1},
        {40002, 2, 3, false, 2},
        {40002, 2, 3, true, 0},
        {40003, 1, 3, false, 0},
        {40003, 0, 3, false, 0},
        {40003, 0, 3, true, 2},
        {40028, 2, 3, false, 0},
        {40029, 0, 3, false, 2},
        {40002, -1, 3, false, 0},
        {40003, -1, 3, false, 2},
        {40002, 7, 3, false, 0},
        // A count of 0 is no list, whatever the index says.
        {40002, -1, 0, true, -1},
        {40003, -1, 0, true, -1},
        {40028, 0, 0, false, -1},
        {40029, 0, 0, false, -1},
        {40002, 0, -5, true, -1},
        {40002, 0, 1, true, 0},
        {40003, 0, 1, true, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(StepTargetIndex(r.id, r.current, r.count, r.wrap), r.expected)
            << r.id << " from " << r.current << " of " << r.count;
}

TEST(CurrentEntry, EmptyOrOutOfRangeListHasNoCurrentEntry) {
    FileList::Entries = static_cast<MediaFileEntry*>(calloc(2, sizeof(MediaFileEntry)));
    wcscpy(FileList::Entries[0].name, L"a.png");
    wcscpy(FileList::Entries[1].name, L"b.png");
    wchar_t path[MAX_PATH] = L"junk";
    const int currents[] = {-1, 0, 1, 2};
    const int counts[] = {0, 2};
    for (int count : counts)
        for (int current : currents) {
            FileList::Count = count;
            FileList::Current = current;
            const bool expected = count > 0 && current >= 0 && current < count;
            EXPECT_EQ(CurrentFileListEntry() != nullptr, expected) << current << "/" << count;
            EXPECT_EQ(CurrentFileListEntryPath(path), expected);
            if (!expected) { EXPECT_STREQ(path, L""); }
        }
    SetCurrentDirectoryW(L"C:\\windows");
    FileList::Count = 2;
    FileList::Current = 1;
    ASSERT_TRUE(CurrentFileListEntryPath(path));
    EXPECT_STREQ(path, L"C:\\windows\\b.png");
    FileList::ScanBusy = 1;  // a scan still filling the list
    EXPECT_EQ(CurrentFileListEntry(), nullptr);
    FileList::ScanBusy = 0;
    free(FileList::Entries);
    FileList::Entries = nullptr;
    FileList::Count = 0;
    FileList::Current = 0;
    SetCurrentDirectoryW(L"C:\\");
}

// Every command on "the current file" does nothing with an existing, empty list.
TEST_F(FileListCommandsTest, EmptyListCommandsDoNothing) {
    FileList::Entries = static_cast<MediaFileEntry*>(calloc(4, sizeof(MediaFileEntry)));
    for (int i = 0; i < 4; ++i) wcscpy(FileList::Entries[i].name, L"stale-entry.png");
    FileList::Count = 0;
    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(4, 4, 24, 0, nullptr));
    AppState::DocumentKind = DOC_FILE;
    AppState::CurrentFormatId = 2;
    qrvtest::MessageCapture capture;
    for (int current : {-1, 0, 3}) {
        FileList::Current = current;
        for (UINT id : {40023u, 40002u, 40003u, 40028u, 40029u, 204u, 40082u}) Command(id);
        SendMessageW(window, WM_APP_SAVE_ITEM_AS, 0, 0);
        SendMessageW(window, WM_APP_OPEN_LIST_ENTRY, (WPARAM)current, 0);
        SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
        Pump();
        EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
        EXPECT_EQ(AppState::CurrentImage.GetWidth(), 4u);
        EXPECT_EQ(AppState::RecentFileCount, 0);
        EXPECT_EQ(FileList::Current, current);
    }
    EXPECT_TRUE(capture.messages.empty());
    AppState::CurrentImage.Destroy();
    AppState::DocumentKind = DOC_NONE;
}

TEST_F(FileListCommandsTest, StepsOpenTheirFileAndStopOrWrapAtTheEnds) {
    qrvtest::TempDir dir;
    WritePicture(dir.File(L"a.bmp"), 11);
    WritePicture(dir.File(L"b.bmp"), 12);
    WritePicture(dir.File(L"c.bmp"), 13);
    SetCurrentDirectoryW(dir.Path().c_str());
    BuildFileList(L"a.bmp", dir.Path().c_str());
    ASSERT_TRUE(WaitForFileScan(10000));
    ASSERT_EQ(FileList::Count, 3);
    ASSERT_EQ(FileList::Current, 0);
    auto shownWidth = [] { return (int)AppState::CurrentImage.GetWidth(); };

    Command(40002);
    EXPECT_EQ(shownWidth(), 12);
    Command(40029);
    EXPECT_EQ(shownWidth(), 13);
    AppState::ViewerWrapAround = 0;
    AppState::CurrentImage.Destroy();
    Command(40002);  // stays on the last file and opens it again
    EXPECT_EQ(FileList::Current, 2);
    EXPECT_EQ(shownWidth(), 13);
    AppState::ViewerWrapAround = 1;
    Command(40002);
    EXPECT_EQ(shownWidth(), 11);
    Command(40003);  // previous at the first wraps to the last
    EXPECT_EQ(shownWidth(), 13);
    Command(40028);
    EXPECT_EQ(shownWidth(), 11);
    AppState::CurrentImage.Destroy();
    Command(40023);  // reload
    EXPECT_EQ(shownWidth(), 11);
    EXPECT_EQ(AppState::DocumentKind, DOC_FILE);
    SetCurrentDirectoryW(L"C:\\");
}

}  // namespace
