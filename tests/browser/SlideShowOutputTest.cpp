// Writing a slide show: the folder output (full paths, copies under their
// actual names, the program and "Autorun.inf"), the CD output through a stub
// burner over a temp staging folder (what a failed burn leaves behind), the
// recorder texts, and the dialog's rules under a real window.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/FolderChooser.h"
#include "browser/FileOperations.h"
#include "browser/PlaylistFile.h"
#include "browser/SlideShowOutput.h"
#include "browser_ids.h"
#include "image/Registry.h"
#include "support/ModalDriver.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::TempDir;

void Put(const std::wstring& path, const std::string& content) {
    ASSERT_TRUE(qrvtest::WriteAll(path, content.data(), content.size())) << qrvtest::Narrow(path);
}

std::string Content(const std::wstring& path) {
    const std::vector<unsigned char> bytes = qrvtest::ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

bool IsThere(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The names in a folder, sorted, without "." and "..".
std::vector<std::wstring> Listing(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (wcscmp(data.cFileName, L".") && wcscmp(data.cFileName, L"..")) names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring Key(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[1024] = {};
    GetPrivateProfileStringW(section, key, L"<missing>", value, 1024, file.c_str());
    return value;
}

int Number(const std::wstring& file, const wchar_t* section, const wchar_t* key) {
    return (int)GetPrivateProfileIntW(section, key, -1, file.c_str());
}

std::vector<MediaFileEntry> Entries(const std::vector<std::wstring>& paths) {
    std::vector<MediaFileEntry> entries(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        entries[i] = MediaFileEntry{};
        wcscpy(entries[i].name, paths[i].c_str());
    }
    return entries;
}

// Three media files in a source folder of their own.
struct Media {
    TempDir source;
    std::vector<std::wstring> paths;
    Media() {
        for (const wchar_t* name : {L"photo.jpg", L"song.wav", L"clip.avi"}) {
            paths.push_back(source.File(name));
            Put(paths.back(), qrvtest::Narrow(name) + " content");
        }
    }
};

// A program folder with the files a slide show carries along.
struct FakeProgram {
    TempDir folder;
    FakeProgram() {
        Put(folder.File(L"qrv.exe"), "program");
        Put(folder.File(L"License.txt"), "licence");
        CreateDirectoryW(folder.File(L"Skins").c_str(), nullptr);
        Put(folder.File(L"Skins\\Win2K.ini"), "[Skin]");
        CreateDirectoryW(folder.File(L"Languages").c_str(), nullptr);
        Put(folder.File(L"Languages\\German.ini"), "[Messages]");
        SetSlideShowProgramFolder(folder.Path().c_str());
    }
    ~FakeProgram() { SetSlideShowProgramFolder(nullptr); }
};

// ---- a burner of the test's own ----

struct StubState {
    bool hasDrive = true;
    bool letterReadable = true;
    bool burnSucceeds = true;
    std::wstring staging;
    int burns = 0;
    HWND owner = nullptr;
    std::vector<std::wstring> stagedAtBurn;
} g_stub;

class StubBurner : public CDBurner {
public:
    bool HasRecordableDrive() override { return g_stub.hasDrive; }
    bool GetRecorderDriveLetter(wchar_t* letter, UINT chars) override {
        if (!g_stub.letterReadable) return false;
        wcsncpy(letter, L"E:", chars);
        return true;
    }
    bool Burn(HWND owner) override {
        ++g_stub.burns;
        g_stub.owner = owner;
        g_stub.stagedAtBurn = Listing(g_stub.staging);
        return g_stub.burnSucceeds;
    }
    bool GetStagingFolder(wchar_t* folder) override {
        wcscpy(folder, g_stub.staging.c_str());
        return true;
    }
};

std::unique_ptr<CDBurner> MakeStubBurner() { return std::make_unique<StubBurner>(); }

// Installs the stub over a fresh staging folder for one test.
struct StubScope {
    TempDir staging;
    CDBurnerFactory previous;
    StubScope() {
        g_stub = StubState{};
        g_stub.staging = staging.Path();
        previous = SetCDBurnerFactory(MakeStubBurner);
    }
    ~StubScope() { SetCDBurnerFactory(previous); }
};

struct XPScope {
    bool saved = AppState::IsWindowsXPOrLater;
    explicit XPScope(bool on) { AppState::IsWindowsXPOrLater = on; }
    ~XPScope() { AppState::IsWindowsXPOrLater = saved; }
};

bool RunOutput(const CreateSlideShowSettings& settings, const std::vector<std::wstring>& files,
               std::wstring* error = nullptr, const wchar_t* name = L"Photos 2004.qrvlist") {
    std::vector<MediaFileEntry> entries = Entries(files);
    wchar_t text[MAX_PATH] = L"stale";
    const bool ok = CreateSlideShowOutput(nullptr, settings, name, entries.data(), (int)entries.size(), text);
    if (error) *error = text;
    return ok;
}

CreateSlideShowSettings FolderSettings(const std::wstring& folder) {
    CreateSlideShowSettings s;
    wcscpy(s.OutputDirectory, folder.c_str());
    return s;
}

// ---- settings ----

constexpr const wchar_t* kSettingNames[] = {
    L"CreateSlideShowOutput",
    L"CreateSlideShowOutputDirectory",
    L"CreateSlideShowOutputFilename",
    L"CreateSlideShowDirection",
    L"CreateSlideShowDelay",
    L"CreateSlideShowPlayOnlyOnce",
    L"CreateSlideShowStartInPresentationMode",
    L"CreateSlideShowRelativePaths",
    L"CreateSlideShowAutorunCDRom",
    L"CreateSlideShowUseTransitions",
    L"CreateSlideShowTransitionTypes",
    L"CreateSlideShowUseBackgroundMusic",
    L"CreateSlideShowBackgroundMusicFilename",
};

void ForgetSettings() {
    CRegistry registry(HKEY_CURRENT_USER);
    for (const wchar_t* name : kSettingNames) registry.Delete(QRV_REGISTRY_KEY, name);
}

TEST(CreateSlideShowSettings, DefaultsWithoutValuesAndARoundTrip) {
    ForgetSettings();
    CreateSlideShowSettings s;
    s.Delay = 1;  // every field must come from the store
    s.Output = 7;
    LoadCreateSlideShowSettings(s);
    EXPECT_EQ(s.Output, SLIDESHOW_TO_FOLDER);
    EXPECT_STREQ(s.OutputDirectory, L"C:\\Temp");
    EXPECT_STREQ(s.OutputFilename, L"Photos 2004");
    EXPECT_EQ(s.Delay, 5000);
    EXPECT_EQ(s.StartInPresentationMode, 1);
    EXPECT_EQ(s.UseTransitions, 1);
    EXPECT_EQ(
        s.Direction + s.PlayOnlyOnce + s.RelativePaths + s.AutorunCDRom + s.TransitionTypes + s.UseBackgroundMusic, 0);
    EXPECT_STREQ(s.BackgroundMusicFilename, L"");

    CreateSlideShowSettings changed;
    changed.Output = SLIDESHOW_TO_CD;
    wcscpy(changed.OutputDirectory, L"D:\\Shows");
    wcscpy(changed.OutputFilename, L"Holiday");
    changed.Direction = 2;
    changed.Delay = 1234;
    changed.PlayOnlyOnce = 1;
    changed.StartInPresentationMode = 0;
    changed.RelativePaths = 1;
    changed.AutorunCDRom = 1;
    changed.UseTransitions = 0;
    changed.TransitionTypes = 2;
    changed.UseBackgroundMusic = 1;
    wcscpy(changed.BackgroundMusicFilename, L"D:\\music.mp3");
    SaveCreateSlideShowSettings(changed);
    CreateSlideShowSettings back;
    LoadCreateSlideShowSettings(back);
    ForgetSettings();
    EXPECT_EQ(back.Output, SLIDESHOW_TO_CD);
    EXPECT_STREQ(back.OutputDirectory, L"D:\\Shows");
    EXPECT_STREQ(back.OutputFilename, L"Holiday");
    EXPECT_STREQ(back.BackgroundMusicFilename, L"D:\\music.mp3");
    const int numbers[] = {back.Direction,         back.Delay,        back.PlayOnlyOnce,   back.StartInPresentationMode,
                           back.RelativePaths,     back.AutorunCDRom, back.UseTransitions, back.TransitionTypes,
                           back.UseBackgroundMusic};
    const int expected[] = {2, 1234, 1, 0, 1, 1, 0, 2, 1};
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(numbers[i], expected[i]) << i;
}

// ---- the recorder ----

TEST(Recorder, TextAndAvailabilityForEachCase) {
    StubScope stub;
    StubBurner burner;
    EXPECT_EQ(DescribeRecorder(false, &burner).text, L"Not supported on Windows 2000");
    EXPECT_FALSE(DescribeRecorder(false, &burner).available);
    EXPECT_EQ(DescribeRecorder(true, nullptr).text, L"No CD-Recorder found.\n");
    EXPECT_FALSE(DescribeRecorder(true, nullptr).available);
    RecorderState state = DescribeRecorder(true, &burner);
    EXPECT_EQ(state.text, L"Default Recorder (Drive = E:)");
    EXPECT_TRUE(state.available);
    g_stub.letterReadable = false;
    state = DescribeRecorder(true, &burner);
    EXPECT_EQ(state.text, L"Default Recorder (Drive = **undefined**)");
    EXPECT_TRUE(state.available);
    g_stub.hasDrive = false;
    state = DescribeRecorder(true, &burner);
    EXPECT_EQ(state.text, L"No CD-Recorder found.\n");
    EXPECT_FALSE(state.available);
}

TEST(Recorder, TheSystemWithoutABurnerClassHasNoRecorder) {
    // This system has no CD-burning class: the layer answers "none".
    CoInitialize(nullptr);
    std::unique_ptr<CDBurner> burner = CreateCDBurner();
    const RecorderState state = DescribeRecorder(true, burner.get());
    burner.reset();
    CoUninitialize();
    EXPECT_FALSE(state.available);
    EXPECT_EQ(state.text, L"No CD-Recorder found.\n");
}

// ---- list order and the file dialog's buffer ----

TEST(MoveSelectedItems, MovesOnlyPastUnselectedNeighbours) {
    struct Case {
        std::vector<bool> selected;
        bool up;
        std::vector<int> order;
    };
    const Case cases[] = {
        {{true, true, false, false}, true, {0, 1, 2, 3}},  // the first stays first
        {{false, false, true, true}, true, {0, 2, 3, 1}},  // a block moves as a whole
        {{false, true, false, true}, true, {1, 0, 3, 2}},
        {{false, false, true, true}, false, {0, 1, 2, 3}},  // the last stays last
        {{true, true, false, false}, false, {2, 0, 1, 3}},
        {{true, false, true, false}, false, {1, 0, 3, 2}},
        {{false, false, false}, true, {0, 1, 2}},
        {{}, false, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(MoveSelectedItems(c.selected, c.up), c.order);
}

TEST(SplitOpenFileNames, FolderWithNamesOrOnePath) {
    const wchar_t several[] = L"C:\\pics\0a.jpg\0b c.png\0";
    EXPECT_EQ(SplitOpenFileNames(several), (std::vector<std::wstring>{L"C:\\pics\\a.jpg", L"C:\\pics\\b c.png"}));
    const wchar_t root[] = L"C:\\\0a.jpg\0b.jpg\0";
    EXPECT_EQ(SplitOpenFileNames(root), (std::vector<std::wstring>{L"C:\\a.jpg", L"C:\\b.jpg"}));
    const wchar_t one[] = L"C:\\pics\\a.jpg\0";
    EXPECT_EQ(SplitOpenFileNames(one), (std::vector<std::wstring>{L"C:\\pics\\a.jpg"}));
    EXPECT_TRUE(SplitOpenFileNames(L"").empty());
}

// ---- folder output ----

TEST(FolderOutput, WithoutRelativePathsOnlyThePlaylistWithFullPaths) {
    Media media;
    TempDir target;
    CreateSlideShowSettings s = FolderSettings(target.Path());
    s.Delay = 3000;
    s.Direction = 1;
    s.UseBackgroundMusic = 1;
    wcscpy(s.BackgroundMusicFilename, media.paths[1].c_str());
    std::wstring error;
    ASSERT_TRUE(RunOutput(s, media.paths, &error));
    EXPECT_EQ(error, L"");
    EXPECT_EQ(Listing(target.Path()), std::vector<std::wstring>{L"Photos 2004.qrvlist"});
    const std::wstring list = target.File(L"Photos 2004.qrvlist");
    EXPECT_EQ(Key(list, L"QRVLIST", L"Version"), L"1.0");
    EXPECT_EQ(Key(list, L"QRVLIST", L"Creator"), L"Quorvane 1.02");
    EXPECT_EQ(Number(list, L"QRVLIST", L"StartInPresentationMode"), 1);
    EXPECT_EQ(Number(list, L"QRVLIST", L"Delay"), 3000);
    EXPECT_EQ(Number(list, L"QRVLIST", L"Direction"), 1);
    EXPECT_EQ(Number(list, L"QRVLIST", L"RelativePaths"), 0);
    EXPECT_EQ(Number(list, L"QRVLIST", L"UseTransitions"), 1);
    EXPECT_EQ(Number(list, L"QRVLIST", L"UseBackgroundMusic"), 1);
    EXPECT_EQ(Key(list, L"QRVLIST", L"BackgroundMusicFile"), media.paths[1]);
    EXPECT_EQ(Number(list, L"FILES", L"Count"), 3);
    EXPECT_EQ(Key(list, L"FILES", L"File0000"), media.paths[0]);
    EXPECT_EQ(Key(list, L"FILES", L"File0002"), media.paths[2]);
}

TEST(FolderOutput, RelativePathsCopyTheMediaAndNameEachCopyAsWritten) {
    Media media;
    TempDir target;
    Put(target.File(L"photo.jpg"), "someone else's photo");
    Put(target.File(L"here.jpg"), "already beside the list");
    CreateSlideShowSettings s = FolderSettings(target.Path());
    s.RelativePaths = 1;
    s.UseBackgroundMusic = 1;
    Put(media.source.File(L"music.wav"), "music");
    wcscpy(s.BackgroundMusicFilename, media.source.File(L"music.wav").c_str());
    std::vector<std::wstring> files = media.paths;
    files.push_back(target.File(L"here.jpg"));
    ASSERT_TRUE(RunOutput(s, files));

    const std::wstring list = target.File(L"Photos 2004.qrvlist");
    EXPECT_EQ(Number(list, L"QRVLIST", L"RelativePaths"), 1);
    EXPECT_EQ(Key(list, L"FILES", L"File0000"), L"photo (1).jpg");
    EXPECT_EQ(Content(target.File(L"photo (1).jpg")), "photo.jpg content");
    EXPECT_EQ(Content(target.File(L"photo.jpg")), "someone else's photo");
    EXPECT_EQ(Key(list, L"FILES", L"File0001"), L"song.wav");
    EXPECT_EQ(Key(list, L"FILES", L"File0003"), L"here.jpg");
    EXPECT_EQ(Key(list, L"QRVLIST", L"BackgroundMusicFile"), L"music.wav");
    EXPECT_EQ(Listing(target.Path()),
              (std::vector<std::wstring>{L"Photos 2004.qrvlist", L"clip.avi", L"here.jpg", L"music.wav",
                                         L"photo (1).jpg", L"photo.jpg", L"song.wav"}));

    // Read back by the program's reader, every entry names an existing copy.
    PlaylistFileData data;
    wchar_t error[512] = {};
    ASSERT_TRUE(ReadQrvListFile(list.c_str(), data, error)) << qrvtest::Narrow(error);
    ASSERT_EQ(data.count, 4);
    EXPECT_EQ(std::wstring(data.entries[0].name), target.File(L"photo (1).jpg"));
    for (int i = 0; i < data.count; ++i) EXPECT_GT(data.entries[i].size, 0u) << i;
}

TEST(FolderOutput, AutorunOptionAddsTheProgramAndAutorunInf) {
    Media media;
    TempDir target;
    FakeProgram program;
    CreateSlideShowSettings s = FolderSettings(target.Path());
    s.AutorunCDRom = 1;
    ASSERT_TRUE(RunOutput(s, media.paths));
    EXPECT_EQ(Listing(target.Path()), (std::vector<std::wstring>{L"Autorun.inf", L"Languages", L"License.txt",
                                                                 L"Photos 2004.qrvlist", L"Skins", L"qrv.exe"}));
    EXPECT_EQ(Content(target.File(L"qrv.exe")), "program");
    EXPECT_EQ(Content(target.File(L"License.txt")), "licence");
    EXPECT_TRUE(IsThere(target.File(L"Skins\\Win2K.ini")));
    EXPECT_TRUE(IsThere(target.File(L"Languages\\German.ini")));
    const std::wstring inf = target.File(L"Autorun.inf");
    EXPECT_EQ(Key(inf, L"autorun", L"open"), L"qrv.exe \"\"\"Photos 2004.qrvlist\"");
    EXPECT_EQ(Key(inf, L"autorun", L"icon"), L"qrv.exe");
    EXPECT_NE(Content(inf).find("[autorun]"), std::string::npos);

    // A second run into the same folder replaces the program's files in place.
    Put(program.folder.File(L"qrv.exe"), "program 2");
    Put(program.folder.File(L"Languages\\Hebrew.ini"), "[Messages]");
    ASSERT_TRUE(RunOutput(s, media.paths));
    EXPECT_EQ(Content(target.File(L"qrv.exe")), "program 2");
    EXPECT_TRUE(IsThere(target.File(L"Languages\\Hebrew.ini")));
    EXPECT_EQ(Listing(target.Path()).size(), 6u);
}

// A 2 x 2 24-bit BMP the program can show.
std::string TinyBmp() {
    std::string bytes(70, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = (char)(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, 70);
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    bytes[26] = 1;
    bytes[28] = 24;
    for (size_t i = 54; i < 70; ++i) bytes[i] = (char)0xC0;
    return bytes;
}

struct WindowSearch {
    DWORD process;
    std::wstring titleStart;
    HWND found;
};

BOOL CALLBACK FindShowWindow(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !IsWindowVisible(window)) return TRUE;
    wchar_t title[MAX_PATH] = {};
    GetWindowTextW(window, title, MAX_PATH);
    if (wcsncmp(title, search->titleStart.c_str(), search->titleStart.size()) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

// The written folder is a show of its own: its qrv.exe, started there with the
// command line of its Autorun.inf, opens the list and shows the first picture.
TEST(FolderOutput, TheWrittenFolderPlaysWithItsOwnProgram) {
    wchar_t program[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (wchar_t* slash = wcsrchr(program, L'\\')) *slash = L'\0';
    if (!IsThere(std::wstring(program) + L"\\qrv.exe")) GTEST_SKIP() << "qrv.exe is not built beside the tests";
    SetSlideShowProgramFolder(nullptr);

    TempDir source, target;
    std::vector<std::wstring> paths;
    for (const wchar_t* name : {L"first.bmp", L"second.bmp"}) {
        paths.push_back(source.File(name));
        Put(paths.back(), TinyBmp());
    }
    CreateSlideShowSettings s = FolderSettings(target.Path());
    s.AutorunCDRom = 1;
    s.RelativePaths = 1;
    ASSERT_TRUE(RunOutput(s, paths));
    ASSERT_TRUE(IsThere(target.File(L"first.bmp")));

    std::wstring commandLine = Key(target.File(L"Autorun.inf"), L"autorun", L"open");
    const std::wstring exe = target.File(L"qrv.exe");
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               target.Path().c_str(), &startup, &child));
    WindowSearch search = {child.dwProcessId, L"[first.bmp]", nullptr};
    const DWORD start = GetTickCount();
    while (!search.found && GetTickCount() - start < 30000 &&
           WaitForSingleObject(child.hProcess, 200) == WAIT_TIMEOUT) {
        EnumWindows(FindShowWindow, (LPARAM)&search);
    }
    DWORD exitCode = 0;
    const bool running = GetExitCodeProcess(child.hProcess, &exitCode) && exitCode == STILL_ACTIVE;
    EXPECT_TRUE(running) << "the program ended with " << exitCode;
    EXPECT_NE(search.found, nullptr) << "no window showing first.bmp";
    TerminateProcess(child.hProcess, 0);
    WaitForSingleObject(child.hProcess, 10000);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
}

TEST(FolderOutput, ARunWhoseWritesFailReportsTheFailure) {
    Media media;
    TempDir target;
    // An earlier list of that name is not this run's success: a folder holds the name.
    ASSERT_TRUE(CreateDirectoryW(target.File(L"Photos 2004.qrvlist").c_str(), nullptr));
    std::wstring error;
    EXPECT_FALSE(RunOutput(FolderSettings(target.Path()), media.paths, &error));
    EXPECT_EQ(error, target.File(L"Photos 2004.qrvlist"));

    // A media file that cannot be copied fails the run as well.
    TempDir other;
    CreateSlideShowSettings s = FolderSettings(other.Path());
    s.RelativePaths = 1;
    std::vector<std::wstring> files = media.paths;
    files.push_back(media.source.File(L"gone.jpg"));
    EXPECT_FALSE(RunOutput(s, files, &error));
    EXPECT_EQ(error, media.source.File(L"gone.jpg"));
}

// ---- CD output ----

TEST(CDOutput, StagesCopiesNamesMusicAndProgramThenBurns) {
    Media media;
    FakeProgram program;
    StubScope stub;
    CreateSlideShowSettings s;
    s.Output = SLIDESHOW_TO_CD;
    s.RelativePaths = 0;  // a CD goes with names whatever the setting
    s.UseBackgroundMusic = 1;
    wcscpy(s.BackgroundMusicFilename, media.paths[1].c_str());
    std::wstring error;
    ASSERT_TRUE(RunOutput(s, media.paths, &error)) << qrvtest::Narrow(error);
    EXPECT_EQ(g_stub.burns, 1);
    const std::vector<std::wstring> staged = {
        L"Autorun.inf", L"Languages", L"License.txt", L"Photos 2004.qrvlist",    L"Skins",
        L"clip.avi",    L"photo.jpg", L"qrv.exe",     L"qrvBackgroundmusic.mp3", L"song.wav"};
    EXPECT_EQ(g_stub.stagedAtBurn, staged);
    const std::wstring list = stub.staging.File(L"Photos 2004.qrvlist");
    EXPECT_EQ(Number(list, L"QRVLIST", L"RelativePaths"), 1);
    EXPECT_EQ(Key(list, L"QRVLIST", L"BackgroundMusicFile"), L"qrvBackgroundmusic.mp3");
    EXPECT_EQ(Content(stub.staging.File(L"qrvBackgroundmusic.mp3")), "song.wav content");
    EXPECT_EQ(Key(list, L"FILES", L"File0000"), L"photo.jpg");
    EXPECT_EQ(Key(list, L"FILES", L"File0002"), L"clip.avi");
}

TEST(CDOutput, AFailedBurnRemovesOnlyThisRunsFiles) {
    Media media;
    FakeProgram program;
    StubScope stub;
    Put(stub.staging.File(L"photo.jpg"), "staged before");
    Put(stub.staging.File(L"keep.txt"), "kept");
    g_stub.burnSucceeds = false;
    CreateSlideShowSettings s;
    s.Output = SLIDESHOW_TO_CD;
    std::wstring error;
    EXPECT_FALSE(RunOutput(s, media.paths, &error));
    EXPECT_EQ(g_stub.burns, 1);
    // This run's copy went in beside the earlier file, under a name of its own.
    EXPECT_NE(std::find(g_stub.stagedAtBurn.begin(), g_stub.stagedAtBurn.end(), L"photo (1).jpg"),
              g_stub.stagedAtBurn.end());
    EXPECT_EQ(Listing(stub.staging.Path()), (std::vector<std::wstring>{L"keep.txt", L"photo.jpg"}));
    EXPECT_EQ(Content(stub.staging.File(L"photo.jpg")), "staged before");
    EXPECT_EQ(error, stub.staging.Path());
}

TEST(CDOutput, NoRecorderWritesNothing) {
    Media media;
    StubScope stub;
    g_stub.hasDrive = false;
    CreateSlideShowSettings s;
    s.Output = SLIDESHOW_TO_CD;
    EXPECT_FALSE(RunOutput(s, media.paths));
    EXPECT_EQ(g_stub.burns, 0);
    EXPECT_TRUE(Listing(stub.staging.Path()).empty());
}

// ---- the dialog ----

// The files the add button's dialog answers with; the music button gets g_music.
std::wstring g_chosen;
std::wstring g_music;
bool ChooseFiles(OPENFILENAMEW* ofn) {
    if (!(ofn->Flags & OFN_ALLOWMULTISELECT)) {
        if (g_music.empty() || g_music.size() >= ofn->nMaxFile) return false;
        wcscpy(ofn->lpstrFile, g_music.c_str());
        return true;
    }
    if (g_chosen.size() + 2 > ofn->nMaxFile) return false;
    memcpy(ofn->lpstrFile, g_chosen.c_str(), (g_chosen.size() + 1) * sizeof(wchar_t));
    ofn->lpstrFile[g_chosen.size() + 1] = L'\0';
    return true;
}

struct SlideShowDialogTest : ::testing::Test {
    SlideShowDialogTest() { ForgetSettings(); }
    ~SlideShowDialogTest() override {
        ForgetSettings();
        SetSlideShowFileDialogHook(nullptr);
        g_chosen.clear();
        g_music.clear();
    }
    static bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
    static bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
    static void Click(HWND dialog, int id, bool check) {
        CheckDlgButton(dialog, id, check ? BST_CHECKED : BST_UNCHECKED);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
    }
    static void Press(HWND dialog, int id) {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)GetDlgItem(dialog, id));
    }
    static std::wstring Text(HWND dialog, int id) {
        wchar_t text[512] = {};
        GetDlgItemTextW(dialog, id, text, 512);
        return text;
    }
    static std::vector<std::wstring> Items(HWND dialog) {
        std::vector<std::wstring> items;
        HWND box = GetDlgItem(dialog, IDC_SLIDESHOW_FILES);
        for (int i = 0; i < (int)SendMessageW(box, LB_GETCOUNT, 0, 0); ++i) {
            wchar_t text[MAX_PATH] = {};
            SendMessageW(box, LB_GETTEXT, i, (LPARAM)text);
            items.push_back(text);
        }
        return items;
    }
    static std::vector<int> Selected(HWND dialog) {
        std::vector<int> selected;
        HWND box = GetDlgItem(dialog, IDC_SLIDESHOW_FILES);
        for (int i = 0; i < (int)SendMessageW(box, LB_GETCOUNT, 0, 0); ++i)
            if (SendMessageW(box, LB_GETSEL, i, 0) > 0) selected.push_back(i);
        return selected;
    }
    // Runs the dialog with script; false when it did not come up or stayed open.
    static bool Drive(const std::function<void(HWND)>& script) {
        INT_PTR result = 0;
        const bool ok = qrvtest::DriveModal(
            [&] {
                result = DialogBoxParamW(GetModuleHandleW(nullptr), L"CREATESLIDESHOWDLG", nullptr,
                                         CreateSlideShowDlgProc, 0);
            },
            script);
        return ok && result == -1;
    }
};

std::wstring MultiSelect(const std::wstring& folder, const std::vector<std::wstring>& names) {
    std::wstring buffer = folder;
    for (const std::wstring& name : names) {
        buffer.push_back(L'\0');
        buffer += name;
    }
    return buffer;
}

TEST_F(SlideShowDialogTest, DefaultsAndTheRulesBetweenTheControls) {
    XPScope xp(true);  // and this system has no burner
    bool ran = false;
    ASSERT_TRUE(Drive([&](HWND d) {
        ran = true;
        EXPECT_EQ(Text(d, IDC_SLIDESHOW_RECORDER), L"No CD-Recorder found.\n");
        EXPECT_FALSE(Enabled(d, IDC_SLIDESHOW_TO_CD));
        EXPECT_TRUE(Checked(d, IDC_SLIDESHOW_TO_FOLDER));
        EXPECT_EQ(Text(d, IDC_SLIDESHOW_DIRECTORY), L"C:\\Temp");
        EXPECT_EQ(Text(d, IDC_SLIDESHOW_NAME), L"Photos 2004");
        EXPECT_EQ(Text(d, IDC_SLIDESHOW_DELAY), L"5000");
        EXPECT_TRUE(Checked(d, IDC_SLIDESHOW_PRESENTATION));
        EXPECT_TRUE(Checked(d, IDC_SLIDESHOW_TRANSITIONS));
        EXPECT_FALSE(Checked(d, IDC_SLIDESHOW_RELATIVE) || Checked(d, IDC_SLIDESHOW_AUTORUN) ||
                     Checked(d, IDC_SLIDESHOW_ONCE) || Checked(d, IDC_SLIDESHOW_USE_MUSIC));
        EXPECT_EQ(SendDlgItemMessageW(d, IDC_SLIDESHOW_DIRECTION, CB_GETCOUNT, 0, 0), 3);
        EXPECT_EQ(Text(d, IDC_SLIDESHOW_DIRECTION), L"Forward");
        EXPECT_FALSE(Enabled(d, IDOK));  // no files yet

        // The show's extras follow "Start in Presentation Mode".
        EXPECT_TRUE(Enabled(d, IDC_SLIDESHOW_USE_MUSIC) && Enabled(d, IDC_SLIDESHOW_ONCE));
        EXPECT_TRUE(Enabled(d, IDC_SLIDESHOW_TRANSITION_TYPES));
        EXPECT_FALSE(Enabled(d, IDC_SLIDESHOW_MUSIC) || Enabled(d, IDC_SLIDESHOW_MUSIC_BROWSE));
        Click(d, IDC_SLIDESHOW_USE_MUSIC, true);
        EXPECT_TRUE(Enabled(d, IDC_SLIDESHOW_MUSIC) && Enabled(d, IDC_SLIDESHOW_MUSIC_BROWSE));
        Click(d, IDC_SLIDESHOW_PRESENTATION, false);
        for (int id : {IDC_SLIDESHOW_USE_MUSIC, IDC_SLIDESHOW_TRANSITIONS, IDC_SLIDESHOW_ONCE, IDC_SLIDESHOW_MUSIC,
                       IDC_SLIDESHOW_MUSIC_BROWSE, IDC_SLIDESHOW_TRANSITION_TYPES})
            EXPECT_FALSE(Enabled(d, id)) << id;
        Click(d, IDC_SLIDESHOW_PRESENTATION, true);
        Click(d, IDC_SLIDESHOW_TRANSITIONS, false);
        EXPECT_FALSE(Enabled(d, IDC_SLIDESHOW_TRANSITION_TYPES));
        EXPECT_TRUE(Enabled(d, IDC_SLIDESHOW_MUSIC));
        Press(d, IDCANCEL);
    }));
    EXPECT_TRUE(ran);
}

TEST_F(SlideShowDialogTest, RecorderTextsAndTheFolderControlsFollowTheOutput) {
    StubScope stub;
    {
        XPScope xp(false);
        ASSERT_TRUE(Drive([&](HWND d) {
            EXPECT_EQ(Text(d, IDC_SLIDESHOW_RECORDER), L"Not supported on Windows 2000");
            EXPECT_FALSE(Enabled(d, IDC_SLIDESHOW_TO_CD));
            Press(d, IDCANCEL);
        }));
    }
    XPScope xp(true);
    ASSERT_TRUE(Drive([&](HWND d) {
        EXPECT_EQ(Text(d, IDC_SLIDESHOW_RECORDER), L"Default Recorder (Drive = E:)");
        EXPECT_TRUE(Enabled(d, IDC_SLIDESHOW_TO_CD));
        Click(d, IDC_SLIDESHOW_TO_FOLDER, false);
        Click(d, IDC_SLIDESHOW_TO_CD, true);
        for (int id : {IDC_SLIDESHOW_BROWSE, IDC_SLIDESHOW_DIRECTORY, IDC_SLIDESHOW_RELATIVE, IDC_SLIDESHOW_AUTORUN})
            EXPECT_FALSE(Enabled(d, id)) << id;
        Click(d, IDC_SLIDESHOW_TO_CD, false);
        Click(d, IDC_SLIDESHOW_TO_FOLDER, true);
        EXPECT_TRUE(Enabled(d, IDC_SLIDESHOW_DIRECTORY) && Enabled(d, IDC_SLIDESHOW_AUTORUN));
        Press(d, IDCANCEL);
    }));
}

TEST_F(SlideShowDialogTest, AddMoveAndRemoveFiles) {
    g_chosen = MultiSelect(L"C:\\pics", {L"a.jpg", L"b.jpg", L"c.jpg", L"d.jpg"});
    SetSlideShowFileDialogHook(ChooseFiles);
    ASSERT_TRUE(Drive([&](HWND d) {
        Press(d, IDC_SLIDESHOW_ADD);
        EXPECT_TRUE(Enabled(d, IDOK));
        g_chosen = MultiSelect(L"C:\\pics", {L"b.jpg", L"e.jpg"});  // b is there already
        Press(d, IDC_SLIDESHOW_ADD);
        EXPECT_EQ(Items(d), (std::vector<std::wstring>{L"C:\\pics\\a.jpg", L"C:\\pics\\b.jpg", L"C:\\pics\\c.jpg",
                                                       L"C:\\pics\\d.jpg", L"C:\\pics\\e.jpg"}));
        HWND box = GetDlgItem(d, IDC_SLIDESHOW_FILES);
        SendMessageW(box, LB_SETSEL, TRUE, 0);
        SendMessageW(box, LB_SETSEL, TRUE, 1);
        Press(d, IDC_SLIDESHOW_UP);  // the first stays first
        EXPECT_EQ(Items(d)[0], L"C:\\pics\\a.jpg");
        EXPECT_EQ(Selected(d), (std::vector<int>{0, 1}));
        SendMessageW(box, LB_SETSEL, FALSE, -1);
        SendMessageW(box, LB_SETSEL, TRUE, 2);
        SendMessageW(box, LB_SETSEL, TRUE, 3);
        Press(d, IDC_SLIDESHOW_UP);
        EXPECT_EQ(Items(d), (std::vector<std::wstring>{L"C:\\pics\\a.jpg", L"C:\\pics\\c.jpg", L"C:\\pics\\d.jpg",
                                                       L"C:\\pics\\b.jpg", L"C:\\pics\\e.jpg"}));
        EXPECT_EQ(Selected(d), (std::vector<int>{1, 2}));
        Press(d, IDC_SLIDESHOW_DOWN);
        Press(d, IDC_SLIDESHOW_DOWN);
        EXPECT_EQ(Selected(d), (std::vector<int>{3, 4}));
        Press(d, IDC_SLIDESHOW_DOWN);  // the last stays last
        EXPECT_EQ(Selected(d), (std::vector<int>{3, 4}));
        Press(d, IDC_SLIDESHOW_REMOVE);
        EXPECT_EQ(Items(d).size(), 3u);
        Press(d, IDC_SLIDESHOW_REMOVE_ALL);
        EXPECT_TRUE(Items(d).empty());
        EXPECT_FALSE(Enabled(d, IDOK));
        Press(d, IDCANCEL);
    }));
}

bool ChooseShowFolder(HWND, const wchar_t*, std::wstring* path) {
    *path = L"D:\\Shows\\2004";
    return true;
}

TEST_F(SlideShowDialogTest, TheChoosersFillTheirEdits) {
    g_music = L"C:\\music\\loop.wav";
    SetSlideShowFileDialogHook(ChooseFiles);
    const FolderChooserHook previous = SetFolderChooserHook(ChooseShowFolder);
    ASSERT_TRUE(Drive([&](HWND d) {
        Press(d, IDC_SLIDESHOW_BROWSE);
        EXPECT_EQ(Text(d, IDC_SLIDESHOW_DIRECTORY), L"D:\\Shows\\2004");
        Click(d, IDC_SLIDESHOW_USE_MUSIC, true);
        Press(d, IDC_SLIDESHOW_MUSIC_BROWSE);
        EXPECT_EQ(Text(d, IDC_SLIDESHOW_MUSIC), L"C:\\music\\loop.wav");
        g_music.clear();  // a cancelled chooser changes nothing
        Press(d, IDC_SLIDESHOW_MUSIC_BROWSE);
        EXPECT_EQ(Text(d, IDC_SLIDESHOW_MUSIC), L"C:\\music\\loop.wav");
        Press(d, IDCANCEL);
    }));
    SetFolderChooserHook(previous);
    // Cancel saves nothing.
    CreateSlideShowSettings s;
    LoadCreateSlideShowSettings(s);
    EXPECT_STREQ(s.OutputDirectory, L"C:\\Temp");
}

TEST_F(SlideShowDialogTest, CreateWritesTheFolderAndSavesTheSettings) {
    Media media;
    TempDir target;
    g_chosen = MultiSelect(media.source.Path(), {L"photo.jpg", L"clip.avi"});
    SetSlideShowFileDialogHook(ChooseFiles);
    qrvtest::MessageCapture capture;
    bool stayed = false;
    ASSERT_TRUE(Drive([&](HWND d) {
        Press(d, IDC_SLIDESHOW_ADD);
        SetDlgItemTextW(d, IDC_SLIDESHOW_DIRECTORY, target.File(L"new").c_str());
        SetDlgItemTextW(d, IDC_SLIDESHOW_NAME, L"Trip");
        SetDlgItemTextW(d, IDC_SLIDESHOW_DELAY, L"2500");
        Click(d, IDC_SLIDESHOW_RELATIVE, true);
        Press(d, IDOK);
        stayed = IsWindowVisible(d) && IsWindowEnabled(GetDlgItem(d, IDOK));
        Press(d, IDCANCEL);
    }));
    EXPECT_TRUE(stayed);
    EXPECT_TRUE(capture.messages.empty());
    const std::wstring list = target.File(L"new\\Trip.qrvlist");
    EXPECT_EQ(Number(list, L"QRVLIST", L"Delay"), 2500);
    EXPECT_EQ(Key(list, L"FILES", L"File0001"), L"clip.avi");
    EXPECT_TRUE(IsThere(target.File(L"new\\clip.avi")));
    CreateSlideShowSettings saved;
    LoadCreateSlideShowSettings(saved);
    EXPECT_EQ(std::wstring(saved.OutputFilename), L"Trip");
    EXPECT_EQ(saved.Delay, 2500);
    EXPECT_EQ(saved.RelativePaths, 1);
}

TEST_F(SlideShowDialogTest, AFailedRunSaysWhereAndACancelledCDRunLeavesNothing) {
    Media media;
    TempDir target;
    ASSERT_TRUE(CreateDirectoryW(target.File(L"Photos 2004.qrvlist").c_str(), nullptr));
    g_chosen = MultiSelect(media.source.Path(), {L"photo.jpg", L"song.wav", L"clip.avi"});
    SetSlideShowFileDialogHook(ChooseFiles);
    StubScope stub;
    XPScope xp(true);
    qrvtest::MessageCapture capture;
    std::vector<std::wstring> afterCancel;
    ASSERT_TRUE(Drive([&](HWND d) {
        Press(d, IDC_SLIDESHOW_ADD);
        SetDlgItemTextW(d, IDC_SLIDESHOW_DIRECTORY, target.Path().c_str());
        Press(d, IDOK);
        ASSERT_EQ(capture.messages.size(), 1u);
        EXPECT_EQ(capture.messages[0], L"Failed at: " + target.File(L"Photos 2004.qrvlist"));

        // Cancel pressed while the CD run copies: nothing staged stays, no burn.
        Click(d, IDC_SLIDESHOW_TO_FOLDER, false);
        Click(d, IDC_SLIDESHOW_TO_CD, true);
        PostMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(d, IDCANCEL));
        Press(d, IDOK);
        afterCancel = Listing(stub.staging.Path());
        EXPECT_TRUE(IsWindowVisible(d));  // Cancel during a run does not close
        Press(d, IDCANCEL);
    }));
    EXPECT_EQ(capture.messages.size(), 1u);  // a cancel is no failure to report
    EXPECT_EQ(g_stub.burns, 0);
    EXPECT_TRUE(afterCancel.empty());
}

}  // namespace
