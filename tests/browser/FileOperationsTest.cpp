// File operations on real folders: free names, folder collisions, refusals
// before the shell runs, deletes to the trash and for good, and the lists
// following what is on disk after a failure.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "browser/Browser.h"
#include "browser/FileList.h"
#include "browser/FileOperations.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::TempDir;

// Content of a file as a number (FNV-1a over its bytes); 0 for a missing file.
uint64_t Checksum(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return 0;
    uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : qrvtest::ReadAll(path)) hash = (hash ^ c) * 1099511628211ull;
    return hash;
}

void Write(const std::wstring& path, const std::string& text) {
    ASSERT_TRUE(qrvtest::WriteAll(path, text.data(), text.size())) << qrvtest::Narrow(path);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring FreeName(const std::wstring& path, bool folder = false) {
    wchar_t buffer[MAX_PATH];
    wcscpy(buffer, path.c_str());
    MakeFreeFileName(buffer, MAX_PATH, folder);
    return buffer;
}

TEST(MakeFreeFileName, NumbersInsideTheFileNameOnly) {
    TempDir dir;
    Write(dir.File(L"photo.jpg"), "a");
    Write(dir.File(L"photo (1).jpg"), "b");
    EXPECT_EQ(FreeName(dir.File(L"photo.jpg")), dir.File(L"photo (2).jpg"));
    EXPECT_EQ(FreeName(dir.File(L"new.jpg")), dir.File(L"new.jpg"));  // free already

    // A dot in a folder name is not the extension's.
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"a.b").c_str(), nullptr));
    Write(dir.File(L"a.b\\file"), "c");
    EXPECT_EQ(FreeName(dir.File(L"a.b\\file")), dir.File(L"a.b\\file (1)"));
    Write(dir.File(L"a.b\\x.tar.gz"), "d");
    EXPECT_EQ(FreeName(dir.File(L"a.b\\x.tar.gz")), dir.File(L"a.b\\x.tar (1).gz"));
    // Folders take the number at their end.
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"My.Pics").c_str(), nullptr));
    EXPECT_EQ(FreeName(dir.File(L"My.Pics"), true), dir.File(L"My.Pics (1)"));
    // All 99 taken: unchanged.
    Write(dir.File(L"z"), "z");
    for (int n = 1; n <= 99; ++n) Write(dir.File(L"z (" + std::to_wstring(n) + L")"), "z");
    EXPECT_EQ(FreeName(dir.File(L"z")), dir.File(L"z"));
}

TEST(PathHelpers, SameOrBelowJoinAndPlainNames) {
    struct Row {
        const wchar_t *folder, *target;
        bool below;
    } rows[] = {
        {L"C:\\A", L"C:\\A", true},     {L"C:\\A", L"c:\\a\\", true},    {L"C:\\A", L"C:\\A\\B\\C", true},
        {L"C:\\A", L"C:\\AB", false},   {L"C:\\A\\B", L"C:\\A", false},  {L"C:\\", L"C:\\X", true},
        {L"C:\\A", L"D:\\A\\B", false}, {L"C:\\A\\", L"C:\\A\\B", true},
    };
    for (const Row& r : rows)
        EXPECT_EQ(IsSameOrBelowFolder(r.folder, r.target), r.below)
            << qrvtest::Narrow(r.folder) << " " << qrvtest::Narrow(r.target);

    wchar_t out[MAX_PATH];
    ASSERT_TRUE(JoinFolderAndName(out, L"C:\\", L"x.jpg"));
    EXPECT_STREQ(out, L"C:\\x.jpg");
    ASSERT_TRUE(JoinFolderAndName(out, L"C:\\a/", L"x.jpg"));
    EXPECT_STREQ(out, L"C:\\a/x.jpg");
    const std::wstring longName(250, L'n');
    EXPECT_FALSE(JoinFolderAndName(out, L"C:\\some\\deep\\folder", longName.c_str()));
    EXPECT_STREQ(out, L"");
    EXPECT_STREQ(FileNamePart(L"C:\\a.b\\c.jpg"), L"c.jpg");

    for (const wchar_t* good : {L"a.jpg", L"A b (1).png", L"x"}) EXPECT_TRUE(IsPlainFileName(good));
    for (const wchar_t* bad : {L"", L".", L"..", L"a\\b", L"a/b", L"c:", L"a?.jpg", L"a|b"})
        EXPECT_FALSE(IsPlainFileName(bad)) << qrvtest::Narrow(bad);
}

TEST(TargetHistory, AtMostFiftyWithoutDuplicatesNewestFirst) {
    std::vector<std::wstring> history;
    for (int i = 0; i < 60; ++i) PushTargetHistory(history, L"C:\\T" + std::to_wstring(i));
    ASSERT_EQ(history.size(), 50u);
    EXPECT_EQ(history.front(), L"C:\\T59");
    EXPECT_EQ(history.back(), L"C:\\T10");
    PushTargetHistory(history, L"c:\\t30");  // typed again in other case: moves up once
    EXPECT_EQ(history.size(), 50u);
    EXPECT_EQ(history.front(), L"c:\\t30");
    int count = 0;
    for (const std::wstring& h : history) count += _wcsicmp(h.c_str(), L"C:\\T30") == 0;
    EXPECT_EQ(count, 1);
    PushTargetHistory(history, L"");
    EXPECT_EQ(history.front(), L"c:\\t30");
}

TEST(FailureText, EveryPathOnItsOwnLineCutToTheLimit) {
    std::vector<std::wstring> paths = {L"C:\\a.jpg", L"C:\\b.jpg"};
    EXPECT_EQ(FormatPathListMessage(L"Unable to delete file(s)\r\n", paths),
              L"Unable to delete file(s)\r\nC:\\a.jpg\r\nC:\\b.jpg\r\n");
    std::vector<std::wstring> many(40, std::wstring(L"C:\\") + std::wstring(60, L'x'));
    const std::wstring text = FormatPathListMessage(L"Unable to delete file(s)\r\n", many);
    EXPECT_LT(text.size(), 1024u);
    EXPECT_EQ(text.substr(text.size() - 3), L"...");
}

TEST(CopyFileIntoFolder, FreeNameAndNormalAttributes) {
    TempDir dir;
    const std::wstring target = dir.File(L"target");
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    Write(target + L"\\photo.jpg", "old photo");
    Write(target + L"\\photo (1).jpg", "older photo");
    Write(dir.File(L"photo.jpg"), "new photo");
    ASSERT_TRUE(SetFileAttributesW(dir.File(L"photo.jpg").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    const uint64_t oldSum = Checksum(target + L"\\photo.jpg"), olderSum = Checksum(target + L"\\photo (1).jpg");

    ASSERT_TRUE(CopyFileIntoFolder(dir.File(L"photo.jpg").c_str(), target.c_str()));
    EXPECT_EQ(Checksum(target + L"\\photo (2).jpg"), Checksum(dir.File(L"photo.jpg")));
    EXPECT_EQ(
        GetFileAttributesW((target + L"\\photo (2).jpg").c_str()) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
        0u);
    EXPECT_EQ(Checksum(target + L"\\photo.jpg"), oldSum);
    EXPECT_EQ(Checksum(target + L"\\photo (1).jpg"), olderSum);
    SetFileAttributesW(dir.File(L"photo.jpg").c_str(), FILE_ATTRIBUTE_NORMAL);

    // A missing target folder is made.
    ASSERT_TRUE(CopyFileIntoFolder(dir.File(L"photo.jpg").c_str(), dir.File(L"made").c_str()));
    EXPECT_EQ(Checksum(dir.File(L"made\\photo.jpg")), Checksum(dir.File(L"photo.jpg")));

    // Moving a file into its own folder is no move.
    EXPECT_FALSE(MoveFileIntoFolder(dir.File(L"photo.jpg").c_str(), dir.Path().c_str()));
    EXPECT_TRUE(Exists(dir.File(L"photo.jpg")));
    EXPECT_FALSE(Exists(dir.File(L"photo (1).jpg")));

    ASSERT_TRUE(MoveFileIntoFolder(dir.File(L"photo.jpg").c_str(), target.c_str()));
    EXPECT_FALSE(Exists(dir.File(L"photo.jpg")));
    EXPECT_TRUE(Exists(target + L"\\photo (3).jpg"));
}

TEST(CopyFileIntoFolder, NoFreeNameLeftIsRefusedWithoutOverwriting) {
    TempDir dir;
    const std::wstring target = dir.File(L"t");
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    Write(target + L"\\p.jpg", "old");
    for (int n = 1; n <= 99; ++n) Write(target + L"\\p (" + std::to_wstring(n) + L").jpg", "older");
    ASSERT_TRUE(SetFileAttributesW((target + L"\\p.jpg").c_str(), FILE_ATTRIBUTE_READONLY));
    Write(dir.File(L"p.jpg"), "new");
    const uint64_t old = Checksum(target + L"\\p.jpg");
    EXPECT_FALSE(CopyFileIntoFolder(dir.File(L"p.jpg").c_str(), target.c_str()));
    EXPECT_FALSE(MoveFileIntoFolder(dir.File(L"p.jpg").c_str(), target.c_str()));
    EXPECT_EQ(Checksum(target + L"\\p.jpg"), old);
    EXPECT_TRUE(GetFileAttributesW((target + L"\\p.jpg").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(Exists(dir.File(L"p.jpg")));
    SetFileAttributesW((target + L"\\p.jpg").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(CopyFileIntoFolder, NameTooLongForTheTargetIsRefused) {
    TempDir dir;
    const std::wstring name = std::wstring(120, L'n') + L".jpg";
    Write(dir.File(name), "long");
    std::wstring deep = dir.Path();
    while (deep.size() + 1 + name.size() < MAX_PATH) {
        deep += L"\\" + std::wstring(20, L'd');
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    }
    EXPECT_FALSE(CopyFileIntoFolder(dir.File(name).c_str(), deep.c_str()));
    EXPECT_FALSE(MoveFileIntoFolder(dir.File(name).c_str(), deep.c_str()));
    EXPECT_TRUE(Exists(dir.File(name)));
}

TEST(CopyFolderInto, CollisionGoesInBesideAndNeverIntoItself) {
    TempDir dir;
    const std::wstring source = dir.File(L"A"), target = dir.File(L"T");
    ASSERT_TRUE(CreateDirectoryW(source.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((source + L"\\sub").c_str(), nullptr));
    Write(source + L"\\x.jpg", "source x");
    Write(source + L"\\sub\\y.jpg", "source y");
    ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((target + L"\\A").c_str(), nullptr));
    Write(target + L"\\A\\x.jpg", "target x");
    const uint64_t targetX = Checksum(target + L"\\A\\x.jpg");

    ASSERT_TRUE(CopyFolderInto(source.c_str(), target.c_str()));
    EXPECT_EQ(Checksum(target + L"\\A\\x.jpg"), targetX);
    EXPECT_FALSE(Exists(target + L"\\A\\sub"));
    EXPECT_EQ(Checksum(target + L"\\A (1)\\x.jpg"), Checksum(source + L"\\x.jpg"));
    EXPECT_EQ(Checksum(target + L"\\A (1)\\sub\\y.jpg"), Checksum(source + L"\\sub\\y.jpg"));

    // Into itself or below itself: refused, nothing made.
    EXPECT_FALSE(CopyFolderInto(source.c_str(), source.c_str()));
    EXPECT_FALSE(CopyFolderInto(source.c_str(), (source + L"\\sub").c_str()));
    EXPECT_FALSE(MoveFolderInto(source.c_str(), (source + L"\\sub").c_str()));
    EXPECT_FALSE(Exists(source + L"\\sub\\A"));
    EXPECT_FALSE(Exists(source + L"\\A"));
    EXPECT_TRUE(Exists(source + L"\\x.jpg"));

    ASSERT_TRUE(MoveFolderInto(source.c_str(), target.c_str()));
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(Checksum(target + L"\\A (2)\\sub\\y.jpg"), Checksum(target + L"\\A (1)\\sub\\y.jpg"));
    EXPECT_EQ(Checksum(target + L"\\A\\x.jpg"), targetX);
}

// The host trash that Wine moves recycled files into.
std::string TrashFiles() {
    const char* xdg = getenv("XDG_DATA_HOME");
    return std::string(xdg ? xdg : "") + "/Trash/files";
}

TEST(DeleteOneFile, RecycleBinOrForGood) {
    TempDir dir;
    const std::wstring kept = L"qrv-trash-" + std::to_wstring(GetTickCount()) + L".jpg";
    const std::wstring gone = L"qrv-gone-" + std::to_wstring(GetTickCount()) + L".jpg";
    Write(dir.File(kept), "to the trash");
    Write(dir.File(gone), "for good");
    ASSERT_TRUE(DeleteOneFile(dir.File(kept).c_str(), true));
    EXPECT_FALSE(Exists(dir.File(kept)));
    ASSERT_TRUE(DeleteOneFile(dir.File(gone).c_str(), false));
    EXPECT_FALSE(Exists(dir.File(gone)));
    if (getenv("XDG_DATA_HOME")) {
        EXPECT_EQ(qrvtest::RunHost("test -f '" + TrashFiles() + "/" + qrvtest::Narrow(kept) + "'"), 0);
        EXPECT_NE(qrvtest::RunHost("test -e '" + TrashFiles() + "/" + qrvtest::Narrow(gone) + "'"), 0);
    }
    EXPECT_FALSE(DeleteOneFile(dir.File(L"never-there.jpg").c_str(), false) && Exists(dir.File(L"never-there.jpg")));
}

// The browser's list with the given subfolders and files (names in the
// current directory), all selected.
class SelectionFixture : public testing::Test {
protected:
    void SetUp() override {
        AppState::Instance = GetModuleHandleW(nullptr);
        list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 200, 200, nullptr, nullptr,
                               AppState::Instance, nullptr);
        ASSERT_NE(list, nullptr);
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH;
        column.cx = 100;
        SendMessageW(list, LVM_INSERTCOLUMNW, 0, (LPARAM)&column);
        Browser.open = true;
        Browser.hidden = false;
        Browser.fileListWindow = list;
        GetCurrentDirectoryW(MAX_PATH, savedFolder);
        SetCurrentDirectoryW(dir.Path().c_str());
    }
    void TearDown() override {
        Browser.open = false;
        Browser.fileListWindow = nullptr;
        DestroyWindow(list);
        FreeFileLists();
        FileList::Current = 0;
        SetCurrentDirectoryW(savedFolder);
    }
    void Fill(const std::vector<std::wstring>& folders, const std::vector<std::wstring>& files) {
        FreeFileLists();
        for (const std::wstring& f : folders) {
            MediaFileEntry e = {};
            wcscpy(e.name, f.c_str());
            ASSERT_TRUE(AppendMediaFileEntry(&FileList::Subfolders, e, &FileList::SubfolderCount));
        }
        for (const std::wstring& f : files) {
            MediaFileEntry e = {};
            wcscpy(e.name, f.c_str());
            ASSERT_TRUE(AppendMediaFileEntry(&FileList::Entries, e, &FileList::Count));
        }
        SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
        const int total = FileList::SubfolderCount + FileList::Count;
        for (int i = 0; i < total; ++i) {
            LVITEMW item = {};
            item.mask = LVIF_TEXT | LVIF_STATE;
            item.iItem = i;
            item.pszText = const_cast<wchar_t*>(i < FileList::SubfolderCount
                                                    ? FileList::Subfolders[i].name
                                                    : FileList::Entries[i - FileList::SubfolderCount].name);
            item.stateMask = item.state = LVIS_SELECTED;
            SendMessageW(list, LVM_INSERTITEMW, 0, (LPARAM)&item);
        }
    }
    // The names of the list's items, which must be the entries' names in order.
    std::vector<std::wstring> Listed() {
        std::vector<std::wstring> names;
        const int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
        EXPECT_EQ(count, FileList::SubfolderCount + FileList::Count);
        for (int i = 0; i < FileList::SubfolderCount; ++i) names.push_back(FileList::Subfolders[i].name);
        for (int i = 0; i < FileList::Count; ++i) names.push_back(FileList::Entries[i].name);
        for (int i = 0; i < count && i < (int)names.size(); ++i) {
            wchar_t text[MAX_PATH] = {};
            LVITEMW item = {};
            item.pszText = text;
            item.cchTextMax = MAX_PATH;
            SendMessageW(list, LVM_GETITEMTEXTW, i, (LPARAM)&item);
            EXPECT_EQ(names[i], text) << i;
        }
        return names;
    }
    TempDir dir;
    HWND list = nullptr;
    wchar_t savedFolder[MAX_PATH] = {};
};

TEST_F(SelectionFixture, DeleteKeepsListedWhatIsStillOnDisk) {
    Write(dir.File(L"a.jpg"), "a");
    Write(dir.File(L"b.jpg"), "b");
    Write(dir.File(L"c.jpg"), "c");
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"sub").c_str(), nullptr));
    // vanished.jpg is listed but already gone; b.jpg is held open without
    // delete sharing, so the shell cannot take it.
    Fill({L"sub"}, {L"a.jpg", L"b.jpg", L"vanished.jpg", L"c.jpg"});
    HANDLE held = CreateFileW(dir.File(L"b.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    qrvtest::MessageCapture capture;
    DeleteSelectedFiles(true);
    CloseHandle(held);

    std::vector<std::wstring> onDisk;
    for (const wchar_t* name : {L"sub", L"a.jpg", L"b.jpg", L"c.jpg"})
        if (Exists(dir.File(name))) onDisk.push_back(name);
    EXPECT_EQ(Listed(), onDisk);
    EXPECT_TRUE(Exists(dir.File(L"b.jpg")));
    if (!onDisk.empty()) {
        ASSERT_FALSE(capture.messages.empty());
        for (const std::wstring& name : onDisk)
            EXPECT_NE(capture.messages.back().find(dir.File(name)), std::wstring::npos) << qrvtest::Narrow(name);
    }
}

TEST_F(SelectionFixture, DeleteAsksFirstUnlessForGood) {
    Write(dir.File(L"a.jpg"), "a");
    Fill({}, {L"a.jpg"});
    {
        qrvtest::MessageCapture capture;  // answers No
        DeleteSelectedFiles(false);
        ASSERT_EQ(capture.messages.size(), 1u);
        EXPECT_EQ(capture.messages[0], L"Really delete to the Recycle Bin?");
    }
    EXPECT_TRUE(Exists(dir.File(L"a.jpg")));
    EXPECT_EQ(Listed(), std::vector<std::wstring>{L"a.jpg"});
}

TEST_F(SelectionFixture, MoveRemovesOnlyWhatMoved) {
    Write(dir.File(L"a.jpg"), "a");
    Write(dir.File(L"b.jpg"), "b");
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"T").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"T\\sub").c_str(), nullptr));
    Write(dir.File(L"T\\sub\\keep.jpg"), "keep");
    ASSERT_TRUE(CreateDirectoryW(dir.File(L"sub").c_str(), nullptr));
    Write(dir.File(L"sub\\s.jpg"), "s");
    // T itself is selected too: moving T into T is refused, the rest moves.
    Fill({L"T", L"sub"}, {L"a.jpg", L"b.jpg", L"vanished.jpg"});
    const uint64_t keep = Checksum(dir.File(L"T\\sub\\keep.jpg"));
    qrvtest::MessageCapture capture;
    EXPECT_FALSE(MoveSelectedFiles(dir.File(L"T").c_str()));
    EXPECT_EQ(Listed(), std::vector<std::wstring>{L"T"});
    EXPECT_TRUE(Exists(dir.File(L"T\\a.jpg")));
    EXPECT_TRUE(Exists(dir.File(L"T\\b.jpg")));
    EXPECT_EQ(Checksum(dir.File(L"T\\sub\\keep.jpg")), keep);
    EXPECT_TRUE(Exists(dir.File(L"T\\sub (1)\\s.jpg")));
}
}  // namespace

namespace {

// Records the text of every dialog box that shows and answers it with No (or
// Cancel), so a question of the shell never blocks the test.
std::vector<std::wstring> g_boxes;
BOOL CALLBACK CollectText(HWND child, LPARAM text) {
    wchar_t buffer[512] = {};
    GetWindowTextW(child, buffer, 512);
    *reinterpret_cast<std::wstring*>(text) += std::wstring(buffer) + L"|";
    return TRUE;
}
BOOL CALLBACK AnswerBox(HWND window, LPARAM) {
    wchar_t cls[32] = {};
    GetClassNameW(window, cls, 32);
    if (!IsWindowVisible(window) || wcscmp(cls, L"#32770") != 0) return TRUE;
    std::wstring text;
    EnumChildWindows(window, CollectText, (LPARAM)&text);
    g_boxes.push_back(text);
    if (GetDlgItem(window, IDNO)) PostMessageW(window, WM_COMMAND, IDNO, 0);
    else PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}
void CALLBACK AnswerBoxes(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), AnswerBox, 0); }

// Run by its own ctest entry with a private XDG_DATA_HOME whose trash cannot
// be written: a file stands where the trash folder would be (permissions do
// not stop root).
TEST(UnusableTrash, RecycleBinDeleteNeverDestroysWithoutAWarning) {
    if (!getenv("QRV_UNUSABLE_TRASH") || !getenv("XDG_DATA_HOME")) GTEST_SKIP() << "needs its own trash folder";
    const std::string xdg = getenv("XDG_DATA_HOME");
    ASSERT_EQ(qrvtest::RunHost("rm -rf '" + xdg + "/Trash' && mkdir -p '" + xdg + "' && echo no > '" + xdg + "/Trash'"),
              0);
    TempDir dir;
    Write(dir.File(L"keep.jpg"), "keep me");
    const uint64_t sum = Checksum(dir.File(L"keep.jpg"));
    g_boxes.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, AnswerBoxes);
    const bool gone = DeleteOneFile(dir.File(L"keep.jpg").c_str(), true);
    KillTimer(nullptr, timer);
    for (const std::wstring& box : g_boxes) std::printf("shell box: %s\n", qrvtest::Narrow(box).c_str());
    std::printf("file %s\n", gone ? "deleted" : "kept");
    if (gone) EXPECT_FALSE(g_boxes.empty()) << "destroyed without a warning";
    else EXPECT_EQ(Checksum(dir.File(L"keep.jpg")), sum);
    qrvtest::RunHost("rm -f '" + xdg + "/Trash'");
}

}  // namespace
