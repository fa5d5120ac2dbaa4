#include <gtest/gtest.h>

#include <cwchar>
#include <set>
#include <string>

#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/FileAssociations.h"
#include "image/Registry.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::Narrow;

#define SCRATCH_KEY L"Software\\QuorvaneTests\\Associations"

std::wstring FileExts(const wchar_t* extension) { return std::wstring(QRV_FILE_EXTS_KEY) + extension; }

// Runs the plan on two scratch roots below HKCU, standing in for the classes
// root and the per-user root.
class FileAssociationsTest : public testing::Test {
protected:
    HKEY classes = nullptr;
    HKEY user = nullptr;
    AssociationTarget target;

    void SetUp() override {
        RegistryDeleteTree(SCRATCH_KEY, nullptr, HKEY_CURRENT_USER);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, SCRATCH_KEY L"\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &classes, nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, SCRATCH_KEY L"\\User", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &user, nullptr),
                  ERROR_SUCCESS);
        target = {classes, user, L"C:\\Program Files\\Quorvane\\qrv.exe", L"C:\\Program Files\\Quorvane"};
    }
    void TearDown() override {
        if (classes) RegCloseKey(classes);
        if (user) RegCloseKey(user);
        RegistryDeleteTree(SCRATCH_KEY, nullptr, HKEY_CURRENT_USER);
    }

    // The text of a value, or "<none>" when the key or value is missing.
    static std::wstring Read(HKEY root, const std::wstring& key, const wchar_t* value = nullptr) {
        RegistryValue record;
        if (!RegistryReadValue(key.c_str(), value, record, root) || record.type != REG_SZ) return L"<none>";
        return reinterpret_cast<const wchar_t*>(record.data);
    }
    static void Write(HKEY root, const std::wstring& key, const wchar_t* value, const wchar_t* text) {
        AssociationStore store;
        ASSERT_TRUE(store.WriteString(root, key.c_str(), value, text));
    }
    AssociationOutcome Apply(const AssociationPlan& plan) {
        AssociationStore store;
        return ApplyAssociationPlan(plan, target, store);
    }
    static AssociationPlan Marked(std::initializer_list<const wchar_t*> names) {
        AssociationPlan plan;
        for (const wchar_t* name : names) {
            const int row = FindFormatAssocRow(name);
            EXPECT_GE(row, 0) << Narrow(name);
            if (row >= 0) plan.marked[row] = true;
        }
        return plan;
    }
    static AssociationPlan All() {
        AssociationPlan plan;
        plan.folderVerb = plan.driveVerb = plan.playlists = true;
        for (bool& marked : plan.marked) marked = true;
        return plan;
    }
};

const wchar_t* const JpgExtensions[] = {L".jpg", L".jpe", L".jpeg", L".jif", L".jfif"};

TEST(FileAssocTables, TablesAndApplyOrderCoverEveryRowOnce) {
    FormatAssocEntry entries[ASSOC_IMAGE_COUNT];
    int count = 0;
    BuildImageFormatTable(entries, &count);
    EXPECT_EQ(count, 45);
    EXPECT_STREQ(entries[20].name, L"JPG");
    EXPECT_STREQ(entries[20].extensions, L"JPG JPEG JPE JIF JFIF");
    EXPECT_STREQ(entries[32].description, L"Alias|WaveFront Image");
    BuildVideoFormatTable(entries, &count);
    EXPECT_EQ(count, 8);
    EXPECT_STREQ(entries[6].name, L"MPG2");
    BuildSoundFormatTable(entries, &count);
    EXPECT_EQ(count, 7);
    EXPECT_STREQ(entries[3].extensions, L"MP1 MP2 MP3 MPA");

    std::set<int> seen;
    for (int i = 0; i < ASSOC_ROW_COUNT; ++i) {
        const int row = FormatApplyOrder(i);
        ASSERT_GE(row, 0) << i;
        EXPECT_TRUE(seen.insert(row).second) << i;
    }
    EXPECT_EQ(FormatAssocRowAt(FormatApplyOrder(0)).name, std::wstring(L"AIF"));
    EXPECT_EQ(FormatAssocRowAt(FormatApplyOrder(59)).name, std::wstring(L"ZBR"));

    std::wstring extensions[8];
    ASSERT_EQ(FormatExtensions(FindFormatAssocRow(L"JPG"), extensions, 8), 5);
    EXPECT_EQ(extensions[0], L".jpg");
    EXPECT_EQ(extensions[4], L".jfif");
    const int cur = FindFormatAssocRow(L"CUR");
    EXPECT_EQ(RestoredProgId(cur, 0), L"anifile");
    EXPECT_EQ(RestoredProgId(cur, 1), L"curfile");
    EXPECT_EQ(RestoredProgId(FindFormatAssocRow(L"BMP"), 2), L"Paint.Picture");
    EXPECT_EQ(RestoredProgId(FindFormatAssocRow(L"TIF"), 0), L"");
}

TEST_F(FileAssociationsTest, MarkingJpgRegistersItsExtensionsAndProgId) {
    EXPECT_TRUE(Apply(Marked({L"JPG"})).ok);
    for (const wchar_t* extension : JpgExtensions) {
        EXPECT_EQ(Read(classes, extension), L"Quorvane.JPG") << Narrow(extension);
        EXPECT_EQ(Read(classes, extension, L"PerceivedType"), L"image");
        EXPECT_EQ(Read(user, FileExts(extension), L"ProgID"), L"Quorvane.JPG");
    }
    EXPECT_EQ(Read(classes, L"Quorvane.JPG"), L"Quorvane.JPG");
    EXPECT_EQ(Read(classes, L"Quorvane.JPG\\shell"), L"open");
    EXPECT_EQ(Read(classes, L"Quorvane.JPG\\shell\\open\\command"), L"\"C:\\Program Files\\Quorvane\\qrv.exe\" \"%1\"");
    EXPECT_EQ(Read(classes, L"Quorvane.JPG\\shell\\explore\\command"), L"\"C:\\Program Files\\Quorvane\\qrv.exe\" -t");
    EXPECT_EQ(Read(classes, L"Quorvane.JPG\\shell\\print\\command"),
              L"\"C:\\Program Files\\Quorvane\\qrv.exe\" -p \"%1\"");
    EXPECT_EQ(Read(classes, L"Quorvane.JPG\\DefaultIcon"), L"C:\\Program Files\\Quorvane\\Icons\\jpg.ico");
    EXPECT_TRUE(ReadHeldAssociations(classes).marked[FindFormatAssocRow(L"JPG")]);
    EXPECT_FALSE(ReadHeldAssociations(classes).marked[FindFormatAssocRow(L"PNG")]);
    // Nothing else was touched.
    EXPECT_EQ(Read(classes, L".png"), L"<none>");
    EXPECT_EQ(Read(classes, QRV_BROWSE_FOLDER_KEY L"\\command"), L"<none>");

    // Unmarked: the extensions go back to the system's ProgID, ours goes.
    EXPECT_TRUE(Apply(AssociationPlan()).ok);
    for (const wchar_t* extension : JpgExtensions) {
        EXPECT_EQ(Read(classes, extension), L"jpegfile") << Narrow(extension);
        EXPECT_EQ(Read(user, FileExts(extension), L"ProgID"), L"<none>");
    }
    EXPECT_FALSE(KeyExists(classes, L"Quorvane.JPG"));
    EXPECT_FALSE(ReadHeldAssociations(classes).marked[FindFormatAssocRow(L"JPG")]);
}

TEST_F(FileAssociationsTest, PrintVerbsPerceivedTypesAndIcons) {
    EXPECT_TRUE(Apply(All()).ok);
    struct Case {
        const wchar_t* progId;
        bool print;
        const wchar_t* extension;
        const wchar_t* perceived;
        const wchar_t* icon;
    };
    const Case cases[] = {
        {L"Quorvane.AVI", false, L".avi", L"video", L"C:\\Program Files\\Quorvane\\Icons\\Video.ico"},
        {L"Quorvane.MOV", false, L".qt", L"video", L"C:\\Program Files\\Quorvane\\Icons\\Video.ico"},
        {L"Quorvane.MP3", false, L".mpa", L"audio", L"C:\\Program Files\\Quorvane\\Icons\\mp3.ico"},
        {L"Quorvane.WAV", false, L".wav", L"audio", L"C:\\Program Files\\Quorvane\\Icons\\Sound.ico"},
        {L"Quorvane.WMA", false, L".wax", L"audio", L"C:\\Program Files\\Quorvane\\Icons\\Sound.ico"},
        {L"Quorvane.OGG", false, L".ogg", L"audio", L"C:\\Program Files\\Quorvane\\Icons\\Sound.ico"},
        {L"Quorvane.LIST", false, L".qrvlist", L"<none>", L"C:\\Program Files\\Quorvane\\Icons\\QrvList.ico"},
        {L"Quorvane.MPG1", true, L".m1v", L"video", L"C:\\Program Files\\Quorvane\\Icons\\Video.ico"},
        {L"Quorvane.MPG2", true, L".m2v", L"video", L"C:\\Program Files\\Quorvane\\Icons\\Video.ico"},
        {L"Quorvane.CUR", true, L".ani", L"image", L"%1"},
        {L"Quorvane.ICO", true, L".ico", L"image", L"%1"},
        {L"Quorvane.JPP", true, L".jpp", L"image", L"C:\\Program Files\\Quorvane\\Icons\\Image.ico"},
        {L"Quorvane.PCT", true, L".qtif", L"image", L"C:\\Program Files\\Quorvane\\Icons\\Image.ico"},
        {L"Quorvane.PSP", true, L".psptube", L"image", L"C:\\Program Files\\Quorvane\\Icons\\psp.ico"},
    };
    for (const Case& c : cases) {
        const std::wstring id = c.progId;
        EXPECT_EQ(KeyExists(classes, (id + L"\\shell\\print\\command").c_str()), c.print) << Narrow(id);
        EXPECT_EQ(Read(classes, c.extension), id) << Narrow(id);
        EXPECT_EQ(Read(classes, c.extension, L"PerceivedType"), c.perceived) << Narrow(id);
        EXPECT_EQ(Read(classes, id + L"\\DefaultIcon"), c.icon) << Narrow(id);
    }
    // Both FLT and GEM claim ".img"; GEM is applied later.
    EXPECT_EQ(Read(classes, L".img"), L"Quorvane.GEM");
    EXPECT_EQ(Read(classes, L".m3u"), L"Quorvane.LIST");
}

TEST_F(FileAssociationsTest, FolderAndDriveVerbsComeAndGo) {
    AssociationPlan plan;
    plan.folderVerb = plan.driveVerb = true;
    EXPECT_TRUE(Apply(plan).ok);
    EXPECT_EQ(Read(classes, QRV_BROWSE_FOLDER_KEY L"\\command"), L"\"C:\\Program Files\\Quorvane\\qrv.exe\" -t=\"%1\"");
    EXPECT_EQ(Read(classes, QRV_BROWSE_DRIVE_KEY L"\\command"), L"\"C:\\Program Files\\Quorvane\\qrv.exe\" -t=\"%1\"");
    EXPECT_TRUE(ReadHeldAssociations(classes).folderVerb);
    plan.driveVerb = false;
    EXPECT_TRUE(Apply(plan).ok);
    EXPECT_TRUE(KeyExists(classes, QRV_BROWSE_FOLDER_KEY));
    EXPECT_FALSE(KeyExists(classes, QRV_BROWSE_DRIVE_KEY));
    EXPECT_TRUE(KeyExists(classes, L"Drive\\shell"));
}

TEST_F(FileAssociationsTest, ExtensionsOfOtherProgramsAreLeftAlone) {
    EXPECT_TRUE(Apply(Marked({L"FLT", L"GEM"})).ok);
    // Another program takes ".raw" and ".m3u" meanwhile.
    Write(classes, L".raw", nullptr, L"Other.Raw");
    Write(user, FileExts(L".raw"), L"ProgID", L"Other.Raw");
    Write(classes, L".m3u", nullptr, L"Other.Playlist");

    // FLT given up, GEM kept: ".img" stays with GEM, ".raw" with the other one.
    EXPECT_TRUE(Apply(Marked({L"GEM"})).ok);
    EXPECT_EQ(Read(classes, L".img"), L"Quorvane.GEM");
    EXPECT_EQ(Read(classes, L".raw"), L"Other.Raw");
    EXPECT_EQ(Read(user, FileExts(L".raw"), L"ProgID"), L"Other.Raw");
    EXPECT_FALSE(KeyExists(classes, L".flt"));
    EXPECT_FALSE(KeyExists(classes, L"Quorvane.FLT"));
    EXPECT_EQ(Read(user, FileExts(L".flt"), L"ProgID"), L"<none>");

    AssociationPlan playlists;
    playlists.playlists = true;
    EXPECT_TRUE(Apply(playlists).ok);
    Write(classes, L".m3u", nullptr, L"Other.Playlist");
    EXPECT_TRUE(Apply(AssociationPlan()).ok);
    EXPECT_EQ(Read(classes, L".m3u"), L"Other.Playlist");
    EXPECT_FALSE(KeyExists(classes, L".qrvlist"));
    EXPECT_FALSE(KeyExists(classes, QRV_PLAYLIST_PROGID));
    EXPECT_FALSE(KeyExists(classes, L".img"));
}

TEST_F(FileAssociationsTest, AnExtensionKeyWithForeignContentKeepsIt) {
    EXPECT_TRUE(Apply(Marked({L"AVI", L"ASF"})).ok);
    Write(classes, L".avi\\ShellNew", L"NullFile", L"");
    Write(classes, L".asf", L"Content Type", L"video/x-ms-asf");
    EXPECT_TRUE(Apply(AssociationPlan()).ok);
    EXPECT_TRUE(KeyExists(classes, L".avi\\ShellNew"));
    EXPECT_EQ(Read(classes, L".avi"), L"<none>");
    EXPECT_EQ(Read(classes, L".avi", L"PerceivedType"), L"<none>");
    EXPECT_EQ(Read(classes, L".asf", L"Content Type"), L"video/x-ms-asf");
    EXPECT_EQ(Read(classes, L".asf"), L"<none>");

    // With nothing but our values the key goes entirely.
    EXPECT_TRUE(Apply(Marked({L"WMV"})).ok);
    EXPECT_TRUE(Apply(AssociationPlan()).ok);
    EXPECT_FALSE(KeyExists(classes, L".wmv"));
    EXPECT_FALSE(KeyExists(classes, L".wvx"));
}

TEST_F(FileAssociationsTest, RemovingEverythingLeavesNothingOfOurs) {
    EXPECT_TRUE(Apply(All()).ok);
    // A per-user choice of another program survives.
    Write(user, FileExts(L".tif"), L"ProgID", L"Other.Tiff");
    EXPECT_TRUE(Apply(AssociationPlan()).ok);
    EXPECT_FALSE(KeyExists(classes, QRV_BROWSE_FOLDER_KEY));
    EXPECT_FALSE(KeyExists(classes, QRV_BROWSE_DRIVE_KEY));
    for (int row = 0; row < ASSOC_ROW_COUNT; ++row) {
        const std::wstring id = FormatProgId(row);
        EXPECT_FALSE(KeyExists(classes, id.c_str())) << Narrow(id);
        std::wstring extensions[8];
        const int count = FormatExtensions(row, extensions, 8);
        for (int i = 0; i < count; ++i) {
            EXPECT_NE(Read(classes, extensions[i]), id) << Narrow(extensions[i]);
            EXPECT_NE(Read(user, FileExts(extensions[i].c_str()), L"ProgID"), id) << Narrow(extensions[i]);
        }
    }
    EXPECT_EQ(Read(user, FileExts(L".tif"), L"ProgID"), L"Other.Tiff");
    EXPECT_EQ(Read(classes, L".png"), L"pngfile");
    EXPECT_EQ(Read(classes, L".bmp"), L"Paint.Picture");
    EXPECT_EQ(Read(classes, L".gif"), L"giffile");
    EXPECT_EQ(Read(classes, L".cur"), L"curfile");
    EXPECT_EQ(Read(classes, L".ani"), L"anifile");
    EXPECT_EQ(Read(classes, L".ico"), L"iconfile");
    const AssociationPlan held = ReadHeldAssociations(classes);
    EXPECT_FALSE(held.folderVerb || held.driveVerb || held.playlists);
}

// Fails every write and delete of keys that contain a given text.
class FailingStore : public AssociationStore {
public:
    explicit FailingStore(const wchar_t* part) : part_(part) {}
    bool WriteString(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const wchar_t* text) override {
        if (wcsstr(subKey, part_)) return false;
        return AssociationStore::WriteString(root, subKey, valueName, text);
    }
    bool DeleteKey(HKEY root, const wchar_t* subKey) override {
        if (wcsstr(subKey, part_)) return false;
        return AssociationStore::DeleteKey(root, subKey);
    }

private:
    const wchar_t* part_;
};

TEST_F(FileAssociationsTest, AFailedWriteIsReportedByItsKeyAndTheRestStillRuns) {
    FailingStore store(L".jpeg");
    AssociationOutcome outcome = ApplyAssociationPlan(Marked({L"JPG", L"PNG"}), target, store);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.failedKey.find(L".jpeg"), std::wstring::npos);
    EXPECT_EQ(Read(classes, L".jfif"), L"Quorvane.JPG");
    EXPECT_EQ(Read(classes, L".png"), L"Quorvane.PNG");
    const std::wstring message = FileAssociationsMessage(outcome);
    EXPECT_NE(message.find(L".jpeg"), std::wstring::npos);
    EXPECT_EQ(message.find(L"Successfully"), std::wstring::npos);

    FailingStore deleting(L"Quorvane.PNG");
    outcome = ApplyAssociationPlan(AssociationPlan(), target, deleting);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.failedKey, L"Quorvane.PNG");

    EXPECT_EQ(FileAssociationsMessage(Apply(AssociationPlan())), L"Successfully updated the file associations.");
}

TEST_F(FileAssociationsTest, WithNoPageEverythingIsRemovedThroughTheInstalledStore) {
    ASSERT_TRUE(Apply(Marked({L"TIF"})).ok);
    FailingStore store(L"Quorvane.TIF");
    SetAssociationStore(&store);
    AssociationOutcome outcome = ApplyFileAssociations(nullptr, nullptr, classes, user);
    SetAssociationStore(nullptr);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.failedKey, L"Quorvane.TIF");
    EXPECT_FALSE(KeyExists(classes, L".tif"));

    outcome = ApplyFileAssociations(nullptr, nullptr, classes, user);
    EXPECT_TRUE(outcome.ok);
    EXPECT_FALSE(KeyExists(classes, L"Quorvane.TIF"));
}

// The real roots of the test prefix: "-u" removes what the program holds there
// and closes the main window. Runs only on a prefix that holds nothing of ours,
// so it leaves the roots as it found them.
TEST(FileAssociationsRealRoots, UninstallSwitchRemovesWhatThePrefixHoldsAndCloses) {
    const AssociationPlan before = ReadHeldAssociations(HKEY_CLASSES_ROOT);
    bool held = before.folderVerb || before.driveVerb || before.playlists;
    for (bool marked : before.marked) held = held || marked;
    if (held || KeyExists(HKEY_CLASSES_ROOT, L".zbr")) GTEST_SKIP() << "the prefix holds associations already";

    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    AssociationTarget target{HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, path, L"C:\\q"};
    AssociationPlan plan;
    plan.folderVerb = true;
    plan.marked[FindFormatAssocRow(L"ZBR")] = true;
    AssociationStore store;
    ASSERT_TRUE(ApplyAssociationPlan(plan, target, store).ok);
    ASSERT_TRUE(IsExtensionAssociated(HKEY_CLASSES_ROOT, L"Quorvane.ZBR", L".zbr"));

    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const HWND previous = AppState::MainWindow;
    AppState::MainWindow = window;
    qrvtest::MessageCapture capture;
    ParseCommandLine(L"\"C:\\q\\qrv.exe\" -u");
    AppState::MainWindow = previous;
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, window, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    DestroyWindow(window);
    EXPECT_TRUE(capture.messages.empty());

    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L".zbr"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Quorvane.ZBR"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, QRV_BROWSE_FOLDER_KEY));
    RegistryValue record;
    EXPECT_FALSE(
        RegistryReadValue((std::wstring(QRV_FILE_EXTS_KEY) + L".zbr").c_str(), L"ProgID", record, HKEY_CURRENT_USER));
    RegistryDeleteTree((std::wstring(QRV_FILE_EXTS_KEY) + L".zbr").c_str(), nullptr, HKEY_CURRENT_USER);
}

}  // namespace
