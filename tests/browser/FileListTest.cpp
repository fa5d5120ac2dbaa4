// The folder file list the viewer steps through: media files only, by name.
#include <gtest/gtest.h>

#include "app/AppState.h"
#include "browser/FileList.h"
#include "support/TestSupport.h"

namespace {

TEST(FileList, HoldsTheFoldersMediaFilesSortedByName) {
    qrvtest::TempDir dir;
    for (const wchar_t* name : {L"c.PNG", L"notes.txt", L"a.jpg", L"B.bmp", L"song.mp3", L"noextension"})
        qrvtest::WriteAll(dir.File(name), "x", 1);
    CreateDirectoryW(dir.File(L"sub").c_str(), nullptr);
    BuildFileList(L"c.png", dir.Path().c_str());
    ASSERT_EQ(FileList::Count, 4);
    EXPECT_STREQ(FileList::Entries[0].name, L"a.jpg");
    EXPECT_STREQ(FileList::Entries[1].name, L"B.bmp");
    EXPECT_STREQ(FileList::Entries[2].name, L"c.PNG");
    EXPECT_STREQ(FileList::Entries[3].name, L"song.mp3");
    EXPECT_EQ(FileList::Current, 2);  // the named file, found without regard to case
    EXPECT_EQ(FileList::SubfolderCount, 1);

    // A folder without media files gives an empty list.
    qrvtest::TempDir other;
    qrvtest::WriteAll(other.File(L"readme.txt"), "x", 1);
    BuildFileList(nullptr, other.Path().c_str());
    EXPECT_EQ(FileList::Count, 0);
    FreeFileLists();
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
