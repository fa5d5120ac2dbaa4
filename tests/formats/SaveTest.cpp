#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "PixelCheck.h"
#include "formats/Formats.h"
#include "formats/SaveDispatch.h"
#include "image/Common.h"
#include "image/Image.h"
#include "support/TestSupport.h"

using qrvtest::TempDir;

namespace {

bool HasMarker(const std::vector<unsigned char>& bytes, unsigned char marker) {
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == marker) return true;
    return false;
}

}  // namespace

TEST(SaveDispatch, WriterByExtension) {
    struct Row {
        const wchar_t* path;
        FormatId id;
    } rows[] = {{L"a.JPEG", FMT_JPEG}, {L"a.jpe", 0},       {L"a.rgba", FMT_SGI}, {L"C:\\x.y\\noext", 0},
                {L"a.Tiff", FMT_TIFF}, {L"a.ppp", FMT_PPP}, {L"a.RLE", FMT_BMP},  {L"a.jfif", FMT_JPEG},
                {L"a.sun", FMT_RAS},   {L"a.j2c", FMT_JP2}, {L"a.pbm", FMT_PNM},  {L"a.raw", FMT_RAW},
                {L"a.gif", FMT_GIF},   {L"a.mng", FMT_MNG}, {L"a.pix", FMT_PIX},  {L"a.pcx", FMT_PCX},
                {L"a.png", FMT_PNG},   {L"a.tga", FMT_TGA}, {L"a.dib", FMT_BMP},  {nullptr, 0}};
    for (const Row& r : rows)
        EXPECT_EQ(SaveFormatIdForPath(r.path), r.id) << (r.path ? qrvtest::Narrow(r.path) : "null");
}

TEST(SaveDispatch, OptionsReachTheWriters) {
    TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 40, 30));
    wchar_t text[FORMAT_ERROR_CHARS] = {};

    SaveOptions options;
    options.jpeg.progressive = true;
    ASSERT_TRUE(SaveImageFile(dir.File(L"a.JPEG").c_str(), image, text, options)) << qrvtest::Narrow(text);
    EXPECT_TRUE(HasMarker(qrvtest::ReadAll(dir.File(L"a.JPEG")), 0xC2));
    options.jpeg.progressive = false;
    ASSERT_TRUE(SaveImageFile(dir.File(L"b.jpg").c_str(), image, text, options));
    EXPECT_FALSE(HasMarker(qrvtest::ReadAll(dir.File(L"b.jpg")), 0xC2));

    for (bool interlace : {false, true}) {
        options.pngInterlace = interlace;
        const std::wstring png = dir.File(L"i" + std::to_wstring(interlace) + L".png");
        ASSERT_TRUE(SaveImageFile(png.c_str(), image, text, options)) << qrvtest::Narrow(text);
        const std::vector<unsigned char> bytes = qrvtest::ReadAll(png);
        ASSERT_GT(bytes.size(), 28u);
        EXPECT_EQ(bytes[28], interlace ? 1 : 0);  // the IHDR interlace method
    }

    options.tiffCompression = 1;  // PackBits
    const std::wstring tif = dir.File(L"p.tif");
    ASSERT_TRUE(SaveImageFile(tif.c_str(), image, text, options)) << qrvtest::Narrow(text);
    EXPECT_EQ(qrvtest::RunHost("tiffinfo '" + qrvtest::HostPath(tif) + "' | grep -q PackBits"), 0);
}

TEST(SaveDispatch, TargetsWithoutAWriterFailWithAText) {
    TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 8, 8));
    for (const wchar_t* name : {L"a.jpe", L"noextension", L"a.xyz"}) {
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        EXPECT_FALSE(SaveImageFile(dir.File(name).c_str(), image, text, SaveOptions{}));
        EXPECT_NE(text[0], L'\0');
        EXPECT_FALSE(qrvtest::FileExists(dir.File(name)));
    }
}

namespace {

// Every id whose table row has a writer, with an extension that reaches it.
struct WriterCase {
    FormatId id;
    std::wstring extension;
};

std::vector<WriterCase> TableWriters() {
    std::vector<WriterCase> cases;
    for (FormatId id = 0; id < FMT_COUNT; ++id) {
        const FormatEntry& entry = GetFormatEntry(id);
        if (!entry.writer) continue;
        // The raw writer's row lists no extensions: nothing is read as raw.
        const std::wstring extensions = entry.extensions ? entry.extensions : L"raw";
        cases.push_back({id, extensions.substr(0, extensions.find(L' '))});
    }
    return cases;
}

// The names in a folder, "." and ".." left out.
std::vector<std::wstring> FolderNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &found));
    FindClose(find);
    return names;
}

// For every table writer: "picture.<ext>" in dir holds a picture that writer
// wrote, then failSave(target, picture, errorText) saves another picture over
// it in a way that fails. The save must fail with a text, the previous file
// keep its bytes and nothing else stay in the folder.
template <typename FailSave>
void FailOverAPreviousFileOfEveryWriter(const TempDir& dir, FailSave failSave) {
    CImage previous, next;
    ASSERT_TRUE(pixelcheck::MakePattern24(previous, 40, 30));
    ASSERT_TRUE(pixelcheck::MakePattern24(next, 33, 21));
    const std::vector<WriterCase> cases = TableWriters();
    ASSERT_FALSE(cases.empty());
    for (const WriterCase& c : cases) {
        const std::string what = qrvtest::Narrow(c.extension);
        SCOPED_TRACE(what);
        const std::wstring name = L"picture." + c.extension, target = dir.File(name);
        ASSERT_EQ(SaveFormatIdForPath(target.c_str()), c.id) << what;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SaveImageFile(target.c_str(), previous, text, SaveOptions{}))
            << what << ": " << qrvtest::Narrow(text);
        const std::vector<unsigned char> before = qrvtest::ReadAll(target);
        ASSERT_FALSE(before.empty()) << what;

        text[0] = L'\0';
        EXPECT_FALSE(failSave(target, next, text)) << what;
        EXPECT_NE(text[0], L'\0') << what;
        EXPECT_EQ(qrvtest::ReadAll(target), before) << what;
        EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::wstring>{name}) << what << ": " << qrvtest::Narrow(text);
        DeleteFileW(target.c_str());
    }
}

// The finished temporary file the hook below saw, and its size.
std::wstring g_finishedPath;
uint64_t g_finishedSize = 0;

bool FailTheLastWrite(const wchar_t* tempPath, wchar_t* errorText) {
    g_finishedPath = tempPath;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    g_finishedSize = GetFileAttributesExW(tempPath, GetFileExInfoStandard, &data)
                         ? ((uint64_t)data.nFileSizeHigh << 32 | data.nFileSizeLow)
                         : 0;
    SetFormatError(errorText, L"There is not enough space on the disk.");
    return false;
}

}  // namespace

// A full disk under every writer: "<target>.tmp" is made a link to the host's
// /dev/full before the save, so the writer's output cannot be stored (with
// buffered output the one write at the end, the last, is the one that fails)
// and the writer reports it with its own text. Wine cannot delete a link to a
// device (DeleteFileW fails with ERROR_INVALID_PARAMETER), so the link itself
// is removed on the host; the next test checks that a failed temporary file goes.
TEST(SaveDispatch, EveryWriterOnAFullDiskKeepsThePreviousFile) {
    TempDir dir;
    FailOverAPreviousFileOfEveryWriter(dir, [&](const std::wstring& target, CImage& image, wchar_t* text) {
        const std::string hostTemp = qrvtest::HostPath(target + L".tmp");
        EXPECT_EQ(qrvtest::RunHost("ln -s /dev/full '" + hostTemp + "' && test -c '" + hostTemp + "'"), 0);
        const bool saved = SaveImageFile(target.c_str(), image, text, SaveOptions{});
        // The writer's own text: the failure was seen before any rename.
        EXPECT_NE(std::wstring(text).rfind(L"Unable to replace ", 0), 0u) << qrvtest::Narrow(text);
        EXPECT_LE(FolderNames(dir.Path()).size(), 2u);  // the target and the link
        EXPECT_EQ(qrvtest::RunHost("rm -f '" + hostTemp + "'"), 0);
        // A writer that missed the failure had the link put in the target's
        // place, which would read as zeros without end.
        if (saved) qrvtest::RunHost("rm -f '" + qrvtest::HostPath(target) + "'");
        return saved;
    });
}

// Every writer's complete temporary file, failed at the end (the test hook of
// SaveImageFile): the save fails with that text, the previous file keeps its
// bytes and the temporary file is removed (which also shows that no writer
// keeps its file open).
TEST(SaveDispatch, EveryWritersFailedTemporaryFileIsRemoved) {
    TempDir dir;
    FailOverAPreviousFileOfEveryWriter(dir, [](const std::wstring& target, CImage& image, wchar_t* text) {
        g_finishedPath.clear();
        g_finishedSize = 0;
        const SaveFinishedHook old = SetSaveFinishedHook(FailTheLastWrite);
        const bool saved = SaveImageFile(target.c_str(), image, text, SaveOptions{});
        SetSaveFinishedHook(old);
        EXPECT_STREQ(text, L"There is not enough space on the disk.");
        EXPECT_EQ(_wcsicmp(g_finishedPath.c_str(), (target + L".tmp").c_str()), 0) << qrvtest::Narrow(g_finishedPath);
        EXPECT_GT(g_finishedSize, 0u);
        return saved;
    });
}

// The complete file cannot take the target's place (a folder of that name),
// or the target's folder does not exist: false with a text, and nothing new
// stays in the folder, whichever writer wrote.
TEST(SaveDispatch, AFailedRenameOrCreateLeavesNothingBehind) {
    TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 8, 8));
    for (const WriterCase& c : TableWriters()) {
        const std::string what = qrvtest::Narrow(c.extension);
        const std::wstring name = L"taken." + c.extension, target = dir.File(name);
        ASSERT_TRUE(CreateDirectoryW(target.c_str(), nullptr)) << what;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        EXPECT_FALSE(SaveImageFile(target.c_str(), image, text, SaveOptions{})) << what;
        EXPECT_EQ(std::wstring(text).rfind(L"Unable to replace ", 0), 0u) << what << ": " << qrvtest::Narrow(text);
        EXPECT_EQ(FolderNames(dir.Path()), std::vector<std::wstring>{name}) << what;
        EXPECT_TRUE(RemoveDirectoryW(target.c_str())) << what;

        text[0] = L'\0';
        const std::wstring missing = dir.File(L"missing\\" + name);
        EXPECT_FALSE(SaveImageFile(missing.c_str(), image, text, SaveOptions{})) << what;
        EXPECT_NE(text[0], L'\0') << what;
        EXPECT_TRUE(FolderNames(dir.Path()).empty()) << what;
    }
}
