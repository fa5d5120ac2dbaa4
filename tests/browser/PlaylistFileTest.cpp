// Playlist files: ".qrvlist" and ".m3u" lists written by hand (ANSI and
// UTF-16) in temporary folders, read into the playlist, and the writers' output
// read back.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Modes.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/PlaylistFile.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "support/TestSupport.h"

namespace {

void WriteAnsi(const std::wstring& path, const std::string& text) {
    ASSERT_TRUE(qrvtest::WriteAll(path, text.data(), text.size()));
}

void WriteUtf16(const std::wstring& path, const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    ASSERT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
}

void Touch(const std::wstring& path, size_t size) {
    std::string bytes(size, 'x');
    ASSERT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
}

std::vector<std::wstring> PlaylistNames() {
    std::vector<std::wstring> names;
    for (int i = 0; Playlist::Entries && i < Playlist::Count; ++i) names.push_back(Playlist::Entries[i].name);
    return names;
}

std::string QrvList(const std::string& version, const std::string& settings, const std::string& files) {
    return "[QRVLIST]\r\nVersion=" + version + "\r\n" + settings + "[FILES]\r\n" + files;
}

std::string Narrow(const std::wstring& text) { return qrvtest::Narrow(text); }

// Every test starts with an empty, inactive playlist, outside any window, and
// leaves the current directory as it found it.
class PlaylistFileTest : public testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryW(MAX_PATH, savedDirectory_);
        savedWindow_ = AppState::MainWindow;
        savedTab_ = AppState::BrowserTab;
        AppState::MainWindow = nullptr;
        AppState::BackgroundLoad = 0;
        AppState::PreviewLoad = 0;
        ClearPlaylist();
    }
    void TearDown() override {
        ClearPlaylist();
        AppState::MainWindow = savedWindow_;
        AppState::BrowserTab = savedTab_;
        SetCurrentDirectoryW(savedDirectory_);
    }
    static void ClearPlaylist() {
        free(Playlist::Entries);
        Playlist::Entries = nullptr;
        Playlist::Count = 0;
        Playlist::Current = 0;
        Playlist::Active = false;
        Playlist::FilePath[0] = L'\0';
        Playlist::Settings = PlaylistShowSettings{};
    }
    // A playlist the user already has: one entry named "kept".
    static void GiveCurrentList() {
        MediaFileEntry entry = {};
        CopyStringW(entry.name, L"C:\\kept.jpg");
        ASSERT_TRUE(AppendMediaFileEntry(&Playlist::Entries, entry, &Playlist::Count));
        CopyStringW(Playlist::FilePath, L"C:\\kept.qrvlist");
        Playlist::Settings.Delay = 1234;
        Playlist::Active = true;
    }
    static void ExpectCurrentListKept() {
        EXPECT_EQ(PlaylistNames(), std::vector<std::wstring>{L"C:\\kept.jpg"});
        EXPECT_STREQ(Playlist::FilePath, L"C:\\kept.qrvlist");
        EXPECT_EQ(Playlist::Settings.Delay, 1234);
        EXPECT_TRUE(Playlist::Active);
    }

    qrvtest::TempDir dir_;

private:
    wchar_t savedDirectory_[MAX_PATH] = {};
    HWND savedWindow_ = nullptr;
    int savedTab_ = 0;
};

TEST_F(PlaylistFileTest, VersionMustBeOnePointZero) {
    struct Case {
        const char* version;
        bool loads;
        const wchar_t* text;
    } cases[] = {
        {"1.0", true, L""},
        {"2.0", false, L"Unsupported Version: 2.0"},
        {"1.00", false, L"Unsupported Version: 1.00"},
        {"", false, L"Unsupported Version: "},
    };
    const std::wstring list = dir_.File(L"show.qrvlist");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        ClearPlaylist();
        GiveCurrentList();
        WriteAnsi(list, QrvList(c.version, "", "Count=1\r\nFile0000=C:\\new.jpg\r\n"));
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        EXPECT_EQ(LoadPlaylistFile(list.c_str(), text), c.loads);
        EXPECT_STREQ(text, c.text);
        if (c.loads) {
            EXPECT_EQ(PlaylistNames(), std::vector<std::wstring>{L"C:\\new.jpg"}) << "a list replaces the entries";
            EXPECT_STREQ(Playlist::FilePath, list.c_str());
            EXPECT_EQ(AppState::BrowserTab, TAB_PLAYLIST);
        } else {
            ExpectCurrentListKept();
        }
    }
}

TEST_F(PlaylistFileTest, SettingsDelayAndStartingEntry) {
    struct Case {
        std::string settings;
        int delay;
        int direction;
        int current;
    } cases[] = {
        {"", 5000, 0, 0},
        {"Delay=10\r\n", 5000, 0, 0},
        {"Delay=19\r\n", 5000, 0, 0},
        {"Delay=20\r\n", 20, 0, 0},
        {"Delay=7000\r\nDirection=1\r\n", 7000, 1, 2},
        {"Direction=2\r\n", 5000, 2, 2},
    };
    const std::wstring list = dir_.File(L"show.qrvlist");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        WriteAnsi(list, QrvList("1.0", c.settings + "PlayOnlyOnce=1\r\nUseTransitions=1\r\nTransitionTypes=6\r\n",
                                "Count=3\r\nFile0000=C:\\a.jpg\r\nFile0001=C:\\b.jpg\r\nFile0002=C:\\c.jpg\r\n"));
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(LoadPlaylistFile(list.c_str(), text)) << Narrow(text);
        EXPECT_EQ(Playlist::Settings.Delay, c.delay);
        EXPECT_EQ(Playlist::Settings.Direction, c.direction);
        EXPECT_EQ(Playlist::Current, c.current);
        EXPECT_EQ(Playlist::Settings.PlayOnlyOnce, 1);
        EXPECT_EQ(Playlist::Settings.UseTransitions, 1);
        EXPECT_EQ(Playlist::Settings.TransitionTypes, 6);
        EXPECT_EQ(Playlist::Count, 3);
    }
}

// A count no memory can hold, or a negative one, fails with the allocation
// text and leaves the user's list alone; a count of 0 loads an empty list.
TEST_F(PlaylistFileTest, CountThatCannotBeAllocatedKeepsTheCurrentList) {
    const std::wstring list = dir_.File(L"show.qrvlist");
    for (const char* count : {"-1", "1000000000", "-2147483648"}) {
        SCOPED_TRACE(count);
        ClearPlaylist();
        GiveCurrentList();
        WriteAnsi(list, QrvList("1.0", "Delay=9000\r\n", std::string("Count=") + count + "\r\nFile0000=C:\\a.jpg\r\n"));
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        EXPECT_FALSE(LoadPlaylistFile(list.c_str(), text));
        EXPECT_EQ(Narrow(text), std::string("Failed to alloc mem to hold Filenames! Count: ") + count);
        ExpectCurrentListKept();
    }

    ClearPlaylist();
    GiveCurrentList();
    WriteAnsi(list, QrvList("1.0", "", "Count=0\r\nFile0000=C:\\a.jpg\r\n"));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(LoadPlaylistFile(list.c_str(), text)) << Narrow(text);
    EXPECT_EQ(Playlist::Count, 0);
    EXPECT_EQ(Playlist::Current, 0);
    EXPECT_TRUE(Playlist::Active);
    EXPECT_FALSE(Playlist::ShowRunning);
    EXPECT_STREQ(Playlist::FilePath, list.c_str());
}

// The list is read from the path given, and relative entries are joined to the
// list's own folder, wherever the current directory stands.
TEST_F(PlaylistFileTest, RelativeEntriesBelongToTheListsFolder) {
    const std::wstring folder = dir_.File(L"show");
    const std::wstring elsewhere = dir_.File(L"elsewhere");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
    Touch(folder + L"\\one.jpg", 11);
    Touch(elsewhere + L"\\one.jpg", 99);  // same name beside the current directory: not this one
    Touch(dir_.File(L"abs.jpg"), 7);
    const std::wstring list = folder + L"\\show.qrvlist";
    WriteAnsi(list, QrvList("1.0", "RelativePaths=1\r\n",
                            "Count=4\r\nFile0000=one.jpg\r\nFile0001=missing.jpg\r\nFile0002=" +
                                Narrow(dir_.File(L"abs.jpg")) + "\r\nFile0003=" + std::string(250, 'y') + "\r\n"));
    ASSERT_TRUE(SetCurrentDirectoryW(elsewhere.c_str()));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(LoadPlaylistFile(list.c_str(), text)) << Narrow(text);
    ASSERT_EQ(Playlist::Count, 3) << "a name too long for a path once joined is no entry";
    EXPECT_EQ(std::wstring(Playlist::Entries[0].name), folder + L"\\one.jpg");
    EXPECT_EQ(Playlist::Entries[0].size, 11u);
    EXPECT_NE(Playlist::Entries[0].lastWrite.dwHighDateTime, 0u);
    EXPECT_EQ(std::wstring(Playlist::Entries[1].name), folder + L"\\missing.jpg") << "a missing file stays listed";
    EXPECT_EQ(Playlist::Entries[1].size, 0u);
    EXPECT_EQ(Playlist::Entries[1].lastWrite.dwHighDateTime, 0u);
    EXPECT_EQ(std::wstring(Playlist::Entries[2].name), dir_.File(L"abs.jpg"));
    EXPECT_EQ(Playlist::Entries[2].size, 7u);
    EXPECT_EQ(Playlist::Settings.RelativePaths, 1);
}

TEST_F(PlaylistFileTest, UnreadableListKeepsTheCurrentList) {
    GiveCurrentList();
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    const std::wstring missing = dir_.File(L"none.qrvlist");
    EXPECT_FALSE(LoadPlaylistFile(missing.c_str(), text));
    EXPECT_STREQ(text, L"Failed to open file for read!");
    ExpectCurrentListKept();
    const std::wstring missingM3u = dir_.File(L"none.M3U");
    EXPECT_FALSE(LoadPlaylistFile(missingM3u.c_str(), text));
    ExpectCurrentListKept();
}

TEST_F(PlaylistFileTest, ThumbnailAndPreviewLoadsReadNothing) {
    GiveCurrentList();
    const std::wstring list = dir_.File(L"show.qrvlist");
    WriteAnsi(list, QrvList("1.0", "", "Count=1\r\nFile0000=C:\\new.jpg\r\n"));
    const std::wstring m3u = dir_.File(L"show.m3u");
    Touch(dir_.File(L"a.jpg"), 1);
    WriteAnsi(m3u, "a.jpg\n");
    for (int which = 0; which < 2; ++which) {
        AppState::BackgroundLoad = which == 0;
        AppState::PreviewLoad = which == 1;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        EXPECT_TRUE(LoadPlaylistFile(list.c_str(), text));
        EXPECT_TRUE(LoadPlaylistFile(m3u.c_str(), text));
        ExpectCurrentListKept();
    }
    AppState::BackgroundLoad = 0;
    AppState::PreviewLoad = 0;
}

// A list typed in Notepad and saved as Unicode: UTF-16 with names outside the
// ANSI code page.
TEST_F(PlaylistFileTest, HandWrittenUtf16List) {
    const std::wstring name = L"\u00e9t\u00e9 \u65e5\u672c.jpg";
    Touch(dir_.File(name), 5);
    const std::wstring list = dir_.File(L"unicode.qrvlist");
    WriteUtf16(list,
               L"[QRVLIST]\r\nVersion=1.0\r\nDelay=3000\r\nRelativePaths=1\r\n"
               L"BackgroundMusicFile=C:\\m\u00fcsik.wav\r\n[FILES]\r\nCount=1\r\nFile0000=" +
                   name + L"\r\n");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(LoadPlaylistFile(list.c_str(), text)) << Narrow(text);
    EXPECT_EQ(PlaylistNames(), std::vector<std::wstring>{dir_.File(name)});
    EXPECT_EQ(Playlist::Entries[0].size, 5u);
    EXPECT_EQ(Playlist::Settings.Delay, 3000);
    EXPECT_STREQ(Playlist::Settings.BackgroundMusicFile, L"C:\\m\u00fcsik.wav");
}

// What the writer writes reads back the same, keys and all.
TEST_F(PlaylistFileTest, SavedListReadsBackEqual) {
    const std::vector<std::wstring> names = {dir_.File(L"a.jpg"), dir_.File(L"\u65e5\u672c.png"), L"D:\\far\\c.avi"};
    for (const std::wstring& name : names) {
        MediaFileEntry entry = {};
        CopyStringW(entry.name, name.c_str());
        ASSERT_TRUE(AppendMediaFileEntry(&Playlist::Entries, entry, &Playlist::Count));
    }
    PlaylistShowSettings& s = Playlist::Settings;
    s.StartInPresentationMode = 1;
    s.Delay = 4321;
    s.Direction = 2;
    s.PlayOnlyOnce = 1;
    s.RelativePaths = 1;
    s.UseTransitions = 1;
    s.TransitionTypes = 3;
    s.UseBackgroundMusic = 1;
    CopyStringW(s.BackgroundMusicFile, dir_.File(L"music.wav").c_str());
    const std::wstring list = dir_.File(L"saved.qrvlist");
    WriteAnsi(list, "old content\r\n");  // replaced, not merged
    ASSERT_TRUE(SavePlaylistFile(list.c_str()));
    EXPECT_EQ(s.RelativePaths, 0);

    wchar_t value[MAX_PATH] = {};
    GetPrivateProfileStringW(L"QRVLIST", L"Creator", L"", value, MAX_PATH, list.c_str());
    EXPECT_STREQ(value, L"Quorvane 1.02");
    GetPrivateProfileStringW(L"QRVLIST", L"RelativePaths", L"", value, MAX_PATH, list.c_str());
    EXPECT_STREQ(value, L"0");
    GetPrivateProfileStringW(L"FILES", L"File0001", L"", value, MAX_PATH, list.c_str());
    EXPECT_EQ(std::wstring(value), names[1]);
    GetPrivateProfileStringW(L"FILES", L"File0002", L"", value, MAX_PATH, list.c_str());
    EXPECT_EQ(std::wstring(value), names[2]);

    ClearPlaylist();
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(LoadPlaylistFile(list.c_str(), text)) << Narrow(text);
    EXPECT_EQ(PlaylistNames(), names);
    EXPECT_EQ(Playlist::Settings.StartInPresentationMode, 1);
    EXPECT_EQ(Playlist::Settings.Delay, 4321);
    EXPECT_EQ(Playlist::Settings.Direction, 2);
    EXPECT_EQ(Playlist::Settings.PlayOnlyOnce, 1);
    EXPECT_EQ(Playlist::Settings.RelativePaths, 0);
    EXPECT_EQ(Playlist::Settings.UseTransitions, 1);
    EXPECT_EQ(Playlist::Settings.TransitionTypes, 3);
    EXPECT_EQ(Playlist::Settings.UseBackgroundMusic, 1);
    EXPECT_EQ(std::wstring(Playlist::Settings.BackgroundMusicFile), dir_.File(L"music.wav"));
    EXPECT_EQ(Playlist::Current, 2);

    // Without music no key is written.
    Playlist::Settings.BackgroundMusicFile[0] = L'\0';
    ASSERT_TRUE(SavePlaylistFile(list.c_str()));
    EXPECT_EQ(GetPrivateProfileStringW(L"QRVLIST", L"BackgroundMusicFile", L"", value, MAX_PATH, list.c_str()), 0u);
    EXPECT_FALSE(SavePlaylistFile(nullptr));
}

// ".m3u": comments, CR LF, missing files, absolute and relative lines, joined
// to the list's folder, appended behind the entries already listed.
TEST_F(PlaylistFileTest, M3uLinesAppendBehindExistingEntries) {
    const std::wstring folder = dir_.File(L"music");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\sub").c_str(), nullptr));
    Touch(folder + L"\\one.wav", 3);
    Touch(folder + L"\\sub\\two.mp3", 4);
    Touch(dir_.File(L"three.jpg"), 5);
    const std::string tooLong(300, 'x');
    const std::wstring list = folder + L"\\mix.m3u";
    WriteAnsi(list, "#EXTM3U\r\n#EXTINF:12,one.wav\r\none.wav\r\n\r\nmissing.wav\r\nsub\\two.mp3\n" +
                        Narrow(dir_.File(L"three.jpg")) + "\r\n" + tooLong + "\r\n" + "#one.wav\r\nsub");
    GiveCurrentList();
    ASSERT_TRUE(SetCurrentDirectoryW(dir_.Path().c_str()));  // "one.wav" does not exist here
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(LoadPlaylistFile(list.c_str(), text)) << Narrow(text);
    const std::vector<std::wstring> expected = {L"C:\\kept.jpg", folder + L"\\one.wav", folder + L"\\sub\\two.mp3",
                                                dir_.File(L"three.jpg")};
    EXPECT_EQ(PlaylistNames(), expected);
    EXPECT_EQ(Playlist::Entries[1].size, 3u);
    EXPECT_EQ(Playlist::Entries[3].size, 5u);
    EXPECT_EQ(Playlist::Current, 0);
    EXPECT_TRUE(Playlist::Active);
    EXPECT_STREQ(Playlist::FilePath, list.c_str());
    EXPECT_EQ(Playlist::Settings.Delay, 5000);
    EXPECT_EQ(Playlist::Settings.RelativePaths, 1);
    EXPECT_EQ(AppState::BrowserTab, TAB_PLAYLIST);
}

TEST_F(PlaylistFileTest, M3uInUtf16AndUtf8) {
    const std::wstring name = L"\u00e9t\u00e9 \u65e5\u672c.wav";
    Touch(dir_.File(name), 2);
    const std::wstring utf16 = dir_.File(L"u16.m3u");
    WriteUtf16(utf16, L"#EXTM3U\r\n" + name + L"\r\n");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(LoadPlaylistFile(utf16.c_str(), text)) << Narrow(text);
    EXPECT_EQ(PlaylistNames(), std::vector<std::wstring>{dir_.File(name)});

    ClearPlaylist();
    const std::wstring utf8 = dir_.File(L"u8.m3u");
    std::string bytes = "\xEF\xBB\xBF";
    char converted[MAX_PATH * 3] = {};
    WideCharToMultiByte(CP_UTF8, 0, name.c_str(), -1, converted, sizeof(converted), nullptr, nullptr);
    bytes += converted;
    WriteAnsi(utf8, bytes);
    ASSERT_TRUE(LoadPlaylistFile(utf8.c_str(), text)) << Narrow(text);
    EXPECT_EQ(PlaylistNames(), std::vector<std::wstring>{dir_.File(name)});
}

// The writer makes entries below the list's folder relative and keeps every
// other path whole, also one that merely starts with the folder's name.
TEST_F(PlaylistFileTest, M3uWriterRelativeOnlyBelowTheListsFolder) {
    const std::wstring folder = dir_.File(L"list");
    const std::wstring sibling = dir_.File(L"listing");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\Sub").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(sibling.c_str(), nullptr));
    const std::vector<std::wstring> names = {folder + L"\\A.jpg", folder + L"\\Sub\\b.wav", sibling + L"\\c.jpg",
                                             dir_.File(L"d.jpg")};
    for (const std::wstring& name : names) {
        Touch(name, 1);
        MediaFileEntry entry = {};
        CopyStringW(entry.name, name.c_str());
        ASSERT_TRUE(AppendMediaFileEntry(&Playlist::Entries, entry, &Playlist::Count));
    }
    const std::wstring list = folder + L"\\out.m3u";
    ASSERT_TRUE(SaveM3UFile(list.c_str()));
    const std::vector<unsigned char> written = qrvtest::ReadAll(list);
    const std::string text(written.begin(), written.end());
    wchar_t lowerSibling[MAX_PATH];
    CopyStringW(lowerSibling, (sibling + L"\\c.jpg").c_str());
    CharLowerW(lowerSibling);
    wchar_t lowerOutside[MAX_PATH];
    CopyStringW(lowerOutside, dir_.File(L"d.jpg").c_str());
    CharLowerW(lowerOutside);
    EXPECT_EQ(text, "a.jpg\r\nsub\\b.wav\r\n" + Narrow(lowerSibling) + "\r\n" + Narrow(lowerOutside) + "\r\n");

    // Read back, every entry names its file again.
    ClearPlaylist();
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(LoadPlaylistFile(list.c_str(), error)) << Narrow(error);
    ASSERT_EQ(Playlist::Count, (int)names.size());
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(_wcsicmp(Playlist::Entries[i].name, names[i].c_str()), 0);
    EXPECT_FALSE(SaveM3UFile(nullptr));
}

TEST_F(PlaylistFileTest, M3uWriterKeepsNamesOutsideTheAnsiCodePage) {
    const std::wstring name = dir_.File(L"\u65e5\u672c.jpg");
    Touch(name, 1);
    MediaFileEntry entry = {};
    CopyStringW(entry.name, name.c_str());
    ASSERT_TRUE(AppendMediaFileEntry(&Playlist::Entries, entry, &Playlist::Count));
    const std::wstring list = dir_.File(L"out.m3u");
    ASSERT_TRUE(SaveM3UFile(list.c_str()));
    ClearPlaylist();
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(LoadPlaylistFile(list.c_str(), error)) << Narrow(error);
    EXPECT_EQ(PlaylistNames(), std::vector<std::wstring>{name});
}

}  // namespace
