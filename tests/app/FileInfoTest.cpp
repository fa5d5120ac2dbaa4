// The file information dialog: which file it describes, its rows (picture,
// frames, streams, the JPEG's tags), the clipboard text, and the Hidden and
// Read only attributes its OK button writes.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/FileInfo.h"
#include "app_fileinfo_ids.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "command_ids.h"
#include "formats/Formats.h"
#include "media/AnimationBar.h"
#include "support/ModalDriver.h"
#include "support/TestSupport.h"

namespace {

using Rows = std::vector<ExifInfoRow>;

// Swaps in a file list and a playlist for one test and puts the old ones back.
class ListsKeeper {
public:
    ListsKeeper()
        : files_(FileList::Entries),
          fileCount_(FileList::Count),
          fileCurrent_(FileList::Current),
          playlist_(Playlist::Entries),
          playlistCount_(Playlist::Count),
          playlistCurrent_(Playlist::Current),
          tab_(AppState::BrowserTab) {
        wcscpy(file_, AppState::CurrentFile);
        wcscpy(folder_, AppState::CurrentFolder);
    }
    ~ListsKeeper() {
        FileList::Entries = files_;
        FileList::Count = fileCount_;
        FileList::Current = fileCurrent_;
        Playlist::Entries = playlist_;
        Playlist::Count = playlistCount_;
        Playlist::Current = playlistCurrent_;
        AppState::BrowserTab = tab_;
        wcscpy(AppState::CurrentFile, file_);
        wcscpy(AppState::CurrentFolder, folder_);
    }

private:
    MediaFileEntry* files_;
    int fileCount_, fileCurrent_;
    MediaFileEntry* playlist_;
    int playlistCount_, playlistCurrent_;
    int tab_;
    wchar_t file_[MAX_PATH], folder_[MAX_PATH];
};

MediaFileEntry Entry(const wchar_t* name, uint32_t size = 0) {
    MediaFileEntry entry = {};
    wcscpy(entry.name, name);
    entry.size = size;
    return entry;
}

TEST(FileInfoFile, ChosenFromPlaylistListOrViewer) {
    ListsKeeper keep;
    MediaFileEntry files[2] = {Entry(L"a.png"), Entry(L"b.png")};
    MediaFileEntry playlist[1] = {Entry(L"D:\\list\\p.png")};
    wcscpy(AppState::CurrentFile, L"C:\\viewer\\open.png");
    wcscpy(AppState::CurrentFolder, L"C:\\folder");
    struct Case {
        int tab, playlistCount, playlistCurrent, fileCount, fileCurrent;
        const wchar_t* path;
        const MediaFileEntry* entry;
    } cases[] = {
        {TAB_PLAYLIST, 1, 0, 2, 1, L"D:\\list\\p.png", &playlist[0]},
        // The playlist counts on its own tab only.
        {TAB_ALL_TYPES, 1, 0, 2, 1, L"C:\\folder\\b.png", &files[1]},
        // A playlist without a current entry gives way to the folder list.
        {TAB_PLAYLIST, 1, 1, 2, 0, L"C:\\folder\\a.png", &files[0]},
        {TAB_PLAYLIST, 0, 0, 2, 0, L"C:\\folder\\a.png", &files[0]},
        // An index outside the list is no entry: the viewer's file.
        {TAB_IMAGES, 0, 0, 2, 2, L"C:\\viewer\\open.png", nullptr},
        {TAB_IMAGES, 0, 0, 2, -1, L"C:\\viewer\\open.png", nullptr},
        {TAB_PLAYLIST, 1, -1, 2, 7, L"C:\\viewer\\open.png", nullptr},
        {TAB_IMAGES, 0, 0, 0, 0, L"C:\\viewer\\open.png", nullptr},
    };
    for (const Case& c : cases) {
        AppState::BrowserTab = c.tab;
        Playlist::Entries = playlist;
        Playlist::Count = c.playlistCount;
        Playlist::Current = c.playlistCurrent;
        FileList::Entries = files;
        FileList::Count = c.fileCount;
        FileList::Current = c.fileCurrent;
        wchar_t path[MAX_PATH] = L"junk";
        EXPECT_EQ(c.entry, ChooseFileInfoFile(path)) << c.tab << " " << c.fileCurrent;
        EXPECT_STREQ(c.path, path) << c.tab << " " << c.fileCurrent;
    }
}

TEST(FileInfoMemory, SizeIn64BitsAndGifFrames) {
    const struct {
        uint32_t height, rowBytes;
        int format, frames;
        uint64_t bytes;
    } cases[] = {
        {30, 120, FMT_JPEG, 1, 3600},
        {70000, 210000, FMT_BMP, 1, 14700000000ull},
        {70000, 210000, FMT_GIF, 400, 5880000000000ull},
        {10, 12, FMT_GIF, 3, 360},
        {10, 12, FMT_GIF, 1, 120},
        {10, 12, FMT_TIFF, 3, 120},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.bytes, FileInfoMemorySize(c.height, c.rowBytes, c.format, c.frames)) << c.height << " " << c.format;
}

TEST(FileInfoClipboard, TabsByLabelLength) {
    const Rows rows = {
        {L"Width:", L"40 Pixels"},    {L"1234567", L"7"},
        {L"12345678", L"8"},          {L"Filename:", L"C:\\x.jpg"},
        {L"123456789012345", L"15"},  {L"1234567890123456", L"16"},
        {L"Number of Frames:", L"3"}, {L"", L""},
    };
    EXPECT_EQ(
        L"Width:\t\t\t40 Pixels\r\n"
        L"1234567\t\t\t7\r\n"
        L"12345678\t\t8\r\n"
        L"Filename:\t\tC:\\x.jpg\r\n"
        L"123456789012345\t\t15\r\n"
        L"1234567890123456\t16\r\n"
        L"Number of Frames:\t3\r\n"
        L"\t\t\t\r\n",
        FileInfoClipboardText(rows));
}

TEST(FileInfoRows, NothingIsAddedWithoutTheDialog) { EXPECT_EQ(0, AddFileInfoRow(L"Width:", L"%d", 4)); }

// The dialog on a copy of a JPEG tagged by exiftool, shown as the viewer's file.
class FileInfoDialog : public testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        path_ = dir_.File(L"tagged.jpg");
        ASSERT_TRUE(CopyFileW(qrvtest::Fixture(L"fileinfo_tags.jpg").c_str(), path_.c_str(), FALSE));
        wcscpy(AppState::CurrentFile, path_.c_str());
        wcscpy(AppState::CurrentFolder, dir_.Path().c_str());
        FileList::Entries = nullptr;
        FileList::Count = 0;
        Playlist::Count = 0;
        AppState::BrowserTab = TAB_ALL_TYPES;
        format_ = AppState::CurrentFormatId;
        frames_ = AnimationBar.frameCount;
        AppState::CurrentFormatId = FMT_JPEG;
        AnimationBar.frameCount = 1;
        ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(40, 30, 24, RGB(1, 2, 3), nullptr));
    }
    void TearDown() override {
        if (dialog_) DestroyWindow(dialog_);
        qrvtest::Pump();
        SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        AppState::CurrentImage.Destroy();
        AppState::CurrentFormatId = format_;
        AnimationBar.frameCount = frames_;
    }
    HWND Open() {
        dialog_ = CreateDialogParamW(GetModuleHandleW(nullptr), L"FILEINFODLG", nullptr, FileInfoDlgProc, 0);
        EXPECT_TRUE(dialog_);
        return dialog_;
    }
    Rows ReadRows() {
        Rows rows;
        HWND list = GetDlgItem(dialog_, IDC_FILEINFO_LIST);
        const int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            ExifInfoRow row;
            for (int column = 0; column < 2; ++column) {
                wchar_t text[2048] = {};
                LVITEMW item = {};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = 2048;
                SendMessageW(list, LVM_GETITEMTEXTW, i, (LPARAM)&item);
                (column ? row.value : row.label) = text;
            }
            rows.push_back(row);
        }
        return rows;
    }
    // From row first on, the rows are those the Exif library reads from the file.
    void ExpectExifRowsFrom(const Rows& rows, size_t first) {
        Rows exif;
        ASSERT_TRUE(CollectExifInfoRows(path_.c_str(), exif));
        ASSERT_EQ(first + exif.size(), rows.size());
        for (size_t i = 0; i < exif.size(); ++i) {
            EXPECT_EQ(exif[i].label, rows[first + i].label) << i;
            EXPECT_EQ(exif[i].value, rows[first + i].value) << i;
        }
    }
    static const ExifInfoRow* Find(const Rows& rows, const wchar_t* label) {
        for (const ExifInfoRow& row : rows)
            if (row.label == label) return &row;
        return nullptr;
    }
    void Command(int id) { SendMessageW(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
    static std::wstring ClipboardText() {
        std::wstring text;
        if (!OpenClipboard(nullptr)) return text;
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) text = chars;
            GlobalUnlock(data);
        }
        CloseClipboard();
        return text;
    }

    ListsKeeper keep_;
    qrvtest::TempDir dir_;
    std::wstring path_;
    HWND dialog_ = nullptr;
    int format_ = 0, frames_ = 0;
};

TEST_F(FileInfoDialog, PictureRowsThenExifAndMeta) {
    ASSERT_TRUE(Open());
    const Rows rows = ReadRows();
    wchar_t memory[64];
    FormatByteSize(memory, 3600.0f);
    const Rows head = {{L"Width:", L"40 Pixels"},
                       {L"Height:", L"30 Pixels"},
                       {L"Colordepth:", L"24 Bit"},
                       {L"Memorysize:", memory},
                       {L"Aspect Ratio:", L"1.33333333"},
                       {L"", L""},
                       {L"EXIF:", L""}};
    ASSERT_GE(rows.size(), head.size() + 3);
    for (size_t i = 0; i < head.size(); ++i) {
        EXPECT_EQ(head[i].label, rows[i].label) << i;
        EXPECT_EQ(head[i].value, rows[i].value) << i;
    }
    // The JPEG's tags follow, as the Exif library reads them.
    ExpectExifRowsFrom(rows, head.size() - 1);
    const ExifInfoRow* orientation = Find(rows, L"Orientation");
    ASSERT_TRUE(orientation);
    EXPECT_EQ(L"Rotated by 90", orientation->value);
    // No Meta segment: its heading closes the table.
    EXPECT_EQ(L"META:", rows.back().label);
    EXPECT_EQ(L"", rows[rows.size() - 2].label);
    EXPECT_EQ(L"", rows[rows.size() - 2].value);
    EXPECT_EQ(nullptr, Find(rows, L"Filename:"));
    wchar_t caption[128];
    GetWindowTextW(dialog_, caption, 128);
    EXPECT_STREQ(L"Information about the current Mediafile:", caption);
}

TEST_F(FileInfoDialog, FolderListEntryRows) {
    MediaFileEntry files[2] = {Entry(L"other.jpg", 10), Entry(L"tagged.jpg", 5000)};
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &data));
    files[1].lastWrite = data.ftLastWriteTime;
    FileList::Entries = files;
    FileList::Count = 2;
    FileList::Current = 1;
    ASSERT_TRUE(Open());
    const Rows rows = ReadRows();
    ASSERT_GE(rows.size(), 5u);
    EXPECT_EQ(L"Filename:", rows[0].label);
    EXPECT_EQ(path_, rows[0].value);
    EXPECT_EQ(L"Fileformat:", rows[1].label);
    EXPECT_EQ(std::wstring(FormatDescriptions[FMT_JPEG]), rows[1].value);
    wchar_t size[64];
    FormatByteSize(size, 5000.0f);
    EXPECT_EQ(L"Filesize:", rows[2].label);
    EXPECT_EQ(size, rows[2].value);
    EXPECT_EQ(L"Filedate:", rows[3].label);
    EXPECT_EQ(16u, rows[3].value.size()) << qrvtest::Narrow(rows[3].value);
    EXPECT_EQ(L"", rows[4].label);
    EXPECT_EQ(L"Width:", rows[5].label);
    // The entry's Exif rows come from the file it names.
    ASSERT_TRUE(Find(rows, L"Orientation"));
    FileList::Entries = nullptr;
}

TEST_F(FileInfoDialog, GifFramesAndMemoryOfAllFrames) {
    AppState::CurrentFormatId = FMT_GIF;
    AnimationBar.frameCount = 3;
    ASSERT_TRUE(Open());
    const Rows rows = ReadRows();
    wchar_t memory[64];
    FormatByteSize(memory, 3600.0f * 3);
    const ExifInfoRow* size = Find(rows, L"Memorysize:");
    ASSERT_TRUE(size);
    EXPECT_EQ(memory, size->value);
    const ExifInfoRow* frames = Find(rows, L"Number of Frames:");
    ASSERT_TRUE(frames);
    EXPECT_EQ(L"3", frames->value);
    EXPECT_EQ(L"", (frames + 1)->label);
    // Exif rows are read for JPEG files only.
    EXPECT_EQ(nullptr, Find(rows, L"EXIF:"));
}

TEST_F(FileInfoDialog, StreamsWithoutDescription) {
    const struct {
        int format;
        const wchar_t* label;
    } cases[] = {{FMT_SOUND, L"Audiostream:"}, {FMT_VIDEO, L"Videostream:"}, {FMT_QTMOVIE, L"Videostream:"}};
    for (const auto& c : cases) {
        AppState::CurrentFormatId = c.format;
        ASSERT_TRUE(Open());
        const Rows rows = ReadRows();
        const ExifInfoRow* stream = Find(rows, c.label);
        ASSERT_TRUE(stream) << c.format;
        EXPECT_EQ(L"Unknown/Unavailable", stream->value);
        // A sound file has no picture rows, even with a picture in the viewer.
        EXPECT_EQ(c.format != FMT_SOUND, Find(rows, L"Width:") != nullptr) << c.format;
        DestroyWindow(dialog_);
        dialog_ = nullptr;
    }
}

TEST_F(FileInfoDialog, AddedRowsAreCountedAndCut) {
    ASSERT_TRUE(Open());
    const int before = (int)ReadRows().size();
    EXPECT_EQ(before + 1, AddFileInfoRow(L"Long:", L"%ls", std::wstring(3000, L'v').c_str()));
    EXPECT_EQ(before + 2, AddFileInfoRow(L"Number:", L"%d of %ls", 7, L"nine"));
    const Rows rows = ReadRows();
    ASSERT_EQ((size_t)before + 2, rows.size());
    EXPECT_EQ(1023u, rows[before].value.size());
    EXPECT_EQ(L"7 of nine", rows[before + 1].value);
    // The clipboard takes each column with at most 259 characters.
    Command(IDC_FILEINFO_COPY);
    const std::wstring text = ClipboardText();
    EXPECT_NE(std::wstring::npos,
              text.find(L"\r\nLong:\t\t\t" + std::wstring(259, L'v') + L"\r\nNumber:\t\t\t7 of nine\r\n"));
}

// Tag values are shown as they are, never read as formats.
TEST_F(FileInfoDialog, TagTextsAreShownAsTheyAre) {
    ASSERT_TRUE(CopyFileW(qrvtest::Fixture(L"exif_fileinfo.jpg").c_str(), path_.c_str(), FALSE));
    ASSERT_TRUE(Open());
    const Rows rows = ReadRows();
    const ExifInfoRow* heading = Find(rows, L"EXIF:");
    ASSERT_TRUE(heading);
    ExpectExifRowsFrom(rows, heading - rows.data());
    const ExifInfoRow* make = Find(rows, L"Make");
    ASSERT_TRUE(make);
    EXPECT_EQ(L"100% %s %n", make->value);
    EXPECT_EQ(nullptr, Find(rows, L"BitsPerSample"));
}

TEST_F(FileInfoDialog, CopiesTheTableAsText) {
    ASSERT_TRUE(Open());
    const Rows rows = ReadRows();
    Command(IDC_FILEINFO_COPY);
    const std::wstring text = ClipboardText();
    EXPECT_EQ(FileInfoClipboardText(rows), text);
    EXPECT_EQ(0u, text.find(L"Width:\t\t\t40 Pixels\r\nHeight:\t\t\t30 Pixels\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"\r\nAspect Ratio:\t\t1.33333333\r\n\t\t\t\r\nEXIF:\t\t\t\r\n"));
    EXPECT_NE(std::wstring::npos, text.find(L"Orientation\t\tRotated by 90\r\n"));
}

TEST_F(FileInfoDialog, OkWritesTheAttributesCancelDoesNot) {
    ASSERT_TRUE(Open());
    EXPECT_EQ((UINT)BST_UNCHECKED, IsDlgButtonChecked(dialog_, IDC_FILEINFO_HIDDEN));
    EXPECT_EQ((UINT)BST_UNCHECKED, IsDlgButtonChecked(dialog_, IDC_FILEINFO_READONLY));
    CheckDlgButton(dialog_, IDC_FILEINFO_HIDDEN, BST_CHECKED);
    CheckDlgButton(dialog_, IDC_FILEINFO_READONLY, BST_CHECKED);
    Command(IDCANCEL);
    DWORD attributes = GetFileAttributesW(path_.c_str());
    EXPECT_EQ(0u, attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    DestroyWindow(dialog_);

    ASSERT_TRUE(Open());
    CheckDlgButton(dialog_, IDC_FILEINFO_HIDDEN, BST_CHECKED);
    CheckDlgButton(dialog_, IDC_FILEINFO_READONLY, BST_CHECKED);
    Command(IDOK);
    attributes = GetFileAttributesW(path_.c_str());
    EXPECT_EQ((DWORD)(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    DestroyWindow(dialog_);

    // Opened again, the boxes show the attributes; clearing one keeps the other.
    ASSERT_TRUE(Open());
    EXPECT_EQ((UINT)BST_CHECKED, IsDlgButtonChecked(dialog_, IDC_FILEINFO_HIDDEN));
    EXPECT_EQ((UINT)BST_CHECKED, IsDlgButtonChecked(dialog_, IDC_FILEINFO_READONLY));
    CheckDlgButton(dialog_, IDC_FILEINFO_READONLY, BST_UNCHECKED);
    Command(IDOK);
    attributes = GetFileAttributesW(path_.c_str());
    EXPECT_EQ((DWORD)FILE_ATTRIBUTE_HIDDEN, attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
}

// The menu command opens the dialog modal on the main window.
class FileInfoCommand : public apptest::MainWindowFixture {};

TEST_F(FileInfoCommand, OpensTheDialogOnTheViewersFile) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"meta.jpg");
    ASSERT_TRUE(CopyFileW(qrvtest::Fixture(L"exif_meta.jpg").c_str(), path.c_str(), FALSE));
    wcscpy(AppState::CurrentFile, path.c_str());
    FreeFileLists();
    AppState::DocumentKind = DOC_FILE;
    AppState::CurrentFormatId = FMT_JPEG;
    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(8, 8, 24, 0, nullptr));
    std::vector<std::wstring> labels;
    wchar_t caption[128] = {};
    const bool ran = qrvtest::DriveModal([&] { SendMessageW(window, WM_COMMAND, IDM_FILE_INFO, 0); },
                                         [&](HWND dialog) {
                                             GetWindowTextW(dialog, caption, 128);
                                             HWND list = GetDlgItem(dialog, IDC_FILEINFO_LIST);
                                             const int n = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
                                             for (int i = 0; i < n; ++i) {
                                                 wchar_t text[64] = {};
                                                 ListView_GetItemText(list, i, 0, text, 64);
                                                 labels.push_back(text);
                                             }
                                             SendMessageW(dialog, WM_COMMAND, IDOK, 0);
                                         });
    AppState::CurrentImage.Destroy();
    AppState::DocumentKind = DOC_NONE;
    AppState::CurrentFormatId = 0;
    AppState::CurrentFile[0] = L'\0';
    ASSERT_TRUE(ran);
    EXPECT_STREQ(L"Information about the current Mediafile:", caption);
    ASSERT_GE(labels.size(), 4u);
    EXPECT_EQ(L"META:", labels[labels.size() - 3]);
    EXPECT_EQ(L"Software", labels[labels.size() - 2]);
    EXPECT_EQ(L"FilmProductCode", labels.back());
}

}  // namespace
