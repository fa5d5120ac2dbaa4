// The add-on readers against stand-in libraries (tests/addons/AddOnStub.c,
// built beside this program in addon-stubs/). The stand-ins decode a tiny
// test format whose header says what to return: a bitmap block, an error
// text, nothing, or the arguments they were given. The test copies them into
// "AddOns" beside this program (the program's folder) and removes it again.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "formats/LoadFlags.h"
#include "formats/CraftedFile.h"
#include "formats/FormatCodecs.h"
#include "formats/FormatTestUtil.h"
#include "formats/Formats.h"
#include "formats/PixelCheck.h"
#include "image/Common.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

std::wstring ProgramFolder() {
    wchar_t folder[MAX_PATH];
    EXPECT_TRUE(GetProgramFolder(folder));
    return folder;
}

const wchar_t* const kLibraries[] = {L"QRV_CRW.dll", L"QRV_EXR.dll", L"QRV_FPX.dll", L"QRV_JB2.dll", L"QRV_JBG.dll"};

// The "AddOns" folder with the stand-ins while it lives.
class AddOnFolder {
public:
    AddOnFolder() : folder_(ProgramFolder() + L"\\AddOns") {
        CreateDirectoryW(folder_.c_str(), nullptr);
        for (const wchar_t* name : kLibraries) Install(L"", name);
    }
    ~AddOnFolder() {
        for (const wchar_t* name : kLibraries) DeleteFileW(Path(name).c_str());
        DeleteFileW(Path(L"aside.dll").c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    // Copies addon-stubs/<from>name over AddOns/name.
    bool Install(const std::wstring& from, const std::wstring& name) {
        const std::wstring source = ProgramFolder() + L"\\addon-stubs\\" + from + name;
        const bool ok = CopyFileW(source.c_str(), Path(name).c_str(), FALSE) != 0;
        EXPECT_TRUE(ok) << qrvtest::Narrow(source);
        return ok;
    }
    std::wstring Path(const std::wstring& name) const { return folder_ + L"\\" + name; }

private:
    std::wstring folder_;
};

enum Action : uint32_t { kBlock = 0, kText = 1, kNothing = 2, kEcho = 3 };

// A stub file: action, full size to report, payload.
std::vector<uint8_t> StubFile(Action action, const std::vector<uint8_t>& payload = {}, int fullWidth = 0,
                              int fullHeight = 0) {
    fmttest::CraftedFile b;
    b.Text("QSTB").U32LE(action).U32LE((uint32_t)fullWidth).U32LE((uint32_t)fullHeight).Raw(payload);
    return b.bytes;
}

// A packed bitmap block: header (size field headerBytes), then extra bytes,
// then the rows.
std::vector<uint8_t> Block(int32_t width, int32_t height, uint16_t bits, const std::vector<uint8_t>& rows,
                           const std::vector<uint8_t>& extra = {}, uint32_t headerBytes = 40) {
    fmttest::CraftedFile b;
    b.U32LE(headerBytes).U32LE((uint32_t)width).U32LE((uint32_t)height).U16LE(1).U16LE(bits);
    b.Fill(40 - b.Here()).Raw(extra).Raw(rows);
    return b.bytes;
}

// 2 x 2 at 24 bits, bottom row first: blue, green / red, white (top row).
const std::vector<uint8_t> kRows24 = {255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 255, 255, 255, 255, 255, 0};
// Top row first, RGB.
const std::vector<uint8_t> kTop24 = {255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0};

std::vector<uint8_t> Rgb(CImage& image) {
    std::vector<uint8_t> rgba = pixelcheck::ImageRgba(image), rgb;
    for (size_t i = 0; i < rgba.size(); ++i)
        if (i % 4 != 3) rgb.push_back(rgba[i]);
    return rgb;
}

struct Result {
    bool ok;
    std::wstring text;
};

Result Load(FormatReader read, CImage& image, const std::vector<uint8_t>& file, const wchar_t* name) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(name);
    EXPECT_TRUE(qrvtest::WriteAll(path, file.data(), file.size()));
    Result r;
    r.ok = fmttest::LoadWith(read, image, path, &r.text);
    return r;
}

struct Reader {
    const char* name;
    FormatReader read;
    const wchar_t* library;
    const wchar_t* file;
};
const Reader kReaders[] = {
    {"CRW", LoadCrw, L"QRV_CRW.dll", L"x.crw"}, {"EXR", LoadExr, L"QRV_EXR.dll", L"x.exr"},
    {"FPX", LoadFpx, L"QRV_FPX.dll", L"x.fpx"}, {"JBIG2", LoadJbig2, L"QRV_JB2.dll", L"x.jb2"},
    {"JBG", LoadJbg, L"QRV_JBG.dll", L"x.jbg"},
};

TEST(AddOnReaders, MissingLibraries) {
    for (const Reader& r : kReaders) {
        CImage image;
        const Result result = Load(r.read, image, StubFile(kBlock, Block(2, 2, 24, kRows24)), r.file);
        EXPECT_FALSE(result.ok) << r.name;
        EXPECT_EQ(result.text, std::wstring(L"Need ") + r.library + L" for decoding! Check AddOns Website") << r.name;
    }
    // Through the dispatch, by extension.
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"photo.crw");
    ASSERT_TRUE(qrvtest::WriteAll(path, "QSTB", 4));
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    FormatId id = -1;
    EXPECT_FALSE(LoadMediaFile(image, path.c_str(), text, &id));
    EXPECT_EQ(id, FMT_CRW);
    EXPECT_STREQ(text, L"Need QRV_CRW.dll for decoding! Check AddOns Website");
    LoadCall call;
    EXPECT_FALSE(LoadCrw(image, dir.File(L"missing.crw").c_str(), text, call));
    EXPECT_STREQ(text, L"Failed to open file for read!");
}

TEST(AddOnReaders, LibraryAsideOrWithoutExport) {
    AddOnFolder addOns;
    ASSERT_TRUE(MoveFileW(addOns.Path(L"QRV_CRW.dll").c_str(), addOns.Path(L"aside.dll").c_str()));
    CImage image;
    Result r = Load(LoadCrw, image, StubFile(kBlock, Block(2, 2, 24, kRows24)), L"x.crw");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, L"Need QRV_CRW.dll for decoding! Check AddOns Website");

    ASSERT_TRUE(addOns.Install(L"empty\\", L"QRV_EXR.dll"));
    r = Load(LoadExr, image, StubFile(kBlock, Block(2, 2, 24, kRows24)), L"x.exr");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.text, L"Need correct QRV_EXR.dll module for decoding!");
    // Unloaded again: the file can be deleted.
    EXPECT_EQ(GetModuleHandleW(addOns.Path(L"QRV_EXR.dll").c_str()), nullptr);
    EXPECT_TRUE(DeleteFileW(addOns.Path(L"QRV_EXR.dll").c_str()));
}

TEST(AddOnReaders, BitmapsBecomeImages) {
    AddOnFolder addOns;
    // 1-bit rows of 2 pixels: bottom row 10, top row 01.
    const std::vector<uint8_t> rows1 = {0x80, 0, 0, 0, 0x40, 0, 0, 0};
    const std::vector<uint8_t> rows8 = {0, 255, 0, 0, 128, 64, 0, 0};
    const struct {
        const char* what;
        FormatReader read;
        const wchar_t* file;
        std::vector<uint8_t> block;
        int bpp;
        std::vector<uint8_t> top;  // RGB, top row first
    } cases[] = {
        {"CRW", LoadCrw, L"x.crw", Block(2, 2, 24, kRows24), 24, kTop24},
        {"CRW, any bit count: 24 bits", LoadCrw, L"x.crw", Block(2, 2, 8, kRows24), 24, kTop24},
        {"EXR", LoadExr, L"x.exr", Block(2, 2, 24, kRows24), 24, kTop24},
        {"FPX", LoadFpx, L"x.fpx", Block(2, 2, 24, kRows24), 24, kTop24},
        {"FPX, negative height", LoadFpx, L"x.fpx", Block(2, -2, 24, kRows24), 24, kTop24},
        {"JBG, 1 bit: 0 white, 1 black",
         LoadJbg,
         L"x.jbg",
         Block(2, 2, 1, rows1),
         1,
         {255, 255, 255, 0, 0, 0, 0, 0, 0, 255, 255, 255}},
        {"JBG, 8 bits grey",
         LoadJbg,
         L"x.jbg",
         Block(2, 2, 8, rows8),
         8,
         {128, 128, 128, 64, 64, 64, 0, 0, 0, 255, 255, 255}},
        // Rows behind a two-entry table, flipped once: the negative height
        // still gives the picture upright.
        {"JBIG2, negative height",
         LoadJbig2,
         L"x.jb2",
         Block(2, -2, 1, rows1, {255, 255, 255, 0, 0, 0, 0, 0}),
         1,
         {0, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        CImage image;
        const Result r = Load(c.read, image, StubFile(kBlock, c.block), c.file);
        ASSERT_TRUE(r.ok) << c.what << ": " << qrvtest::Narrow(r.text);
        EXPECT_EQ(image.GetBpp(), c.bpp) << c.what;
        EXPECT_EQ(image.GetWidth(), 2u) << c.what;
        EXPECT_EQ(image.GetHeight(), 2u) << c.what;
        EXPECT_EQ(Rgb(image), c.top) << c.what;
    }
}

TEST(AddOnReaders, TextsAndArguments) {
    AddOnFolder addOns;
    qrvtest::TempDir dir;
    const std::vector<uint8_t> says = StubFile(kText, fmttest::Bytes("Corrupt raw data"));
    const struct {
        const char* what;
        FormatReader read;
        const wchar_t* file;
        std::vector<uint8_t> content;
        bool preview;
        std::wstring expected;  // "<path>" stands for the file's path
    } cases[] = {
        {"CRW text", LoadCrw, L"a.crw", says, false, L"Corrupt raw data"},
        {"EXR text", LoadExr, L"a.exr", says, false, L"Corrupt raw data"},
        {"FPX text (narrow)", LoadFpx, L"a.fpx", says, false, L"Corrupt raw data"},
        {"JBG text", LoadJbg, L"a.jbg", says, false, L"Corrupt raw data"},
        {"JBIG2 has no text", LoadJbig2, L"a.jb2", says, false, L"Unknown error in decoder dll!"},
        {"CRW nothing, no text", LoadCrw, L"a.crw", StubFile(kNothing), false, L"Unknown error in decoder dll!"},
        {"CRW arguments", LoadCrw, L"a.crw", StubFile(kEcho), false, L"path=<path> one=1 thumb=0"},
        {"CRW arguments, preview", LoadCrw, L"a.crw", StubFile(kEcho), true, L"path=<path> one=1 thumb=1"},
        {"EXR arguments, preview", LoadExr, L"a.exr", StubFile(kEcho), true, L"path=<path> thumb=1"},
        {"FPX arguments", LoadFpx, L"a.fpx", StubFile(kEcho), false, L"path=<path> thumb=0"},
        {"JBG arguments", LoadJbg, L"a.jbg", StubFile(kEcho), false, L"path=<path>"},
    };
    for (const auto& c : cases) {
        const std::wstring path = dir.File(c.file);
        ASSERT_TRUE(qrvtest::WriteAll(path, c.content.data(), c.content.size()));
        LoadModeScope mode(false, c.preview);
        CImage image;
        std::wstring text;
        EXPECT_FALSE(fmttest::LoadWith(c.read, image, path, &text)) << c.what;
        std::wstring expected = c.expected;
        const size_t at = expected.find(L"<path>");
        if (at != std::wstring::npos) expected.replace(at, 6, path);
        EXPECT_EQ(text, expected) << c.what;
    }
}

TEST(AddOnReaders, FullSizeAndExrPreview) {
    AddOnFolder addOns;
    CImage image;
    // A reduced EXR picture with its full size: flipped, red and blue swapped.
    {
        LoadModeScope mode(false, true);
        AppState::FullImageWidth = AppState::FullImageHeight = 0;
        const Result r = Load(LoadExr, image, StubFile(kBlock, Block(2, 2, 24, kRows24), 640, 480), L"x.exr");
        ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
        EXPECT_EQ(AppState::FullImageWidth, 640);
        EXPECT_EQ(AppState::FullImageHeight, 480);
        // Bottom row first in the block, now on top, each pixel blue-red swapped.
        EXPECT_EQ(Rgb(image), (std::vector<uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255}));
    }
    // Without a preview request: as stored, the full size is the picture's.
    AppState::FullImageWidth = AppState::FullImageHeight = 0;
    Result r = Load(LoadExr, image, StubFile(kBlock, Block(2, 2, 24, kRows24), 640, 480), L"x.exr");
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    EXPECT_EQ(Rgb(image), kTop24);
    EXPECT_EQ(AppState::FullImageWidth, 2);
    EXPECT_EQ(AppState::FullImageHeight, 2);
    // CRW and FPX report the full size themselves.
    r = Load(LoadCrw, image, StubFile(kBlock, Block(2, 2, 24, kRows24), 3000, 2000), L"x.crw");
    ASSERT_TRUE(r.ok) << qrvtest::Narrow(r.text);
    EXPECT_EQ(AppState::FullImageWidth, 3000);
    EXPECT_EQ(AppState::FullImageHeight, 2000);
    AppState::FullImageWidth = AppState::FullImageHeight = 0;
}

TEST(AddOnReaders, InvalidBlocksAreRefused) {
    AddOnFolder addOns;
    const std::wstring bad = L"The decoder dll returned an invalid bitmap!";
    const std::wstring memory = L"Unable to allocate Memory for storing Imagedata!";
    const struct {
        const char* what;
        FormatReader read;
        const wchar_t* file;
        std::vector<uint8_t> block;
        std::wstring text;
    } cases[] = {
        {"block shorter than a header", LoadCrw, L"x.crw", std::vector<uint8_t>(39, 0), bad},
        {"header size 12", LoadExr, L"x.exr", Block(2, 2, 24, kRows24, {}, 12), bad},
        {"header size beyond the block", LoadExr, L"x.exr", Block(2, 2, 24, kRows24, {}, 0x7FFFFFFF), bad},
        {"bit count 7", LoadJbg, L"x.jbg", Block(2, 2, 7, kRows24), bad},
        {"bit count 0", LoadCrw, L"x.crw", Block(2, 2, 0, kRows24), bad},
        {"rows beyond the block", LoadExr, L"x.exr", Block(2, 3000, 24, kRows24), bad},
        {"width beyond the block", LoadJbg, L"x.jbg", Block(0x7FFFFFFF, 1, 1, kRows24), bad},
        {"JBIG2 rows behind the table missing", LoadJbig2, L"x.jb2", Block(2, 2, 1, {0, 0, 0, 0, 0, 0, 0, 0}), bad},
        {"zero width", LoadCrw, L"x.crw", Block(0, 2, 24, kRows24), memory},
        {"negative height (CRW)", LoadCrw, L"x.crw", Block(2, -2, 24, kRows24), memory},
        {"FPX zero height", LoadFpx, L"x.fpx", Block(2, 0, 24, kRows24), L"Insufficient Memory for storing imagedata!"},
        {"EXR 8 bits (no palette)", LoadExr, L"x.exr", Block(2, 2, 8, kRows24), memory},
    };
    for (const auto& c : cases) {
        CImage image;
        const Result r = Load(c.read, image, StubFile(kBlock, c.block), c.file);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.text, c.text) << c.what;
    }
    // Every header field of a good block set to extreme values: an image or a text.
    const std::vector<uint8_t> good = Block(2, 2, 24, kRows24);
    for (size_t at = 0; at + 4 <= 40; at += 2) {
        for (uint32_t v : {0u, 1u, 0x7FFFu, 0xFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
            std::vector<uint8_t> block = good;
            for (int i = 0; i < 4; ++i) block[at + i] = (uint8_t)(v >> (8 * i));
            for (const Reader& reader : kReaders) {
                CImage image;
                const Result r = Load(reader.read, image, StubFile(kBlock, block), reader.file);
                if (r.ok) {
                    EXPECT_TRUE(image.IsValid() && image.ScanLine(0)) << reader.name << " @" << at << "=" << v;
                } else {
                    EXPECT_FALSE(r.text.empty()) << reader.name << " @" << at << "=" << v;
                }
            }
        }
    }
}

TEST(AddOnReaders, NarrowPathNeverNamesAnotherFile) {
    AddOnFolder addOns;
    qrvtest::TempDir dir;
    // "\u03A9" has no form in the Western code page; a best-fit conversion
    // would make it "O", the name of another file.
    const std::vector<uint8_t> wrong = StubFile(kText, fmttest::Bytes("the wrong file"));
    const std::vector<uint8_t> rows1 = {0x80, 0, 0, 0, 0x40, 0, 0, 0};
    const struct {
        FormatReader read;
        const wchar_t* extension;
        std::vector<uint8_t> right;
    } cases[] = {
        {LoadFpx, L".fpx", StubFile(kBlock, Block(2, 2, 24, kRows24))},
        {LoadJbig2, L".jb2", StubFile(kBlock, Block(2, 2, 1, rows1, {255, 255, 255, 0, 0, 0, 0, 0}))},
    };
    for (const auto& c : cases) {
        const std::wstring omega = dir.File(std::wstring(L"\x03A9") + c.extension);
        ASSERT_TRUE(qrvtest::WriteAll(omega, c.right.data(), c.right.size()));
        for (const wchar_t* other : {L"O", L"_"}) {
            const std::wstring path = dir.File(std::wstring(other) + c.extension);
            ASSERT_TRUE(qrvtest::WriteAll(path, wrong.data(), wrong.size()));
        }
        CImage image;
        std::wstring text;
        const bool ok = fmttest::LoadWith(c.read, image, omega, &text);
        // Either the file itself (through its short name) or a refusal.
        if (ok) {
            EXPECT_EQ(Rgb(image).size(), 12u);
        } else {
            EXPECT_EQ(text, L"Failed to open file for read!");
        }
        // The other files answer with these texts (JBIG2 has no text of its own).
        EXPECT_NE(text, L"the wrong file");
        EXPECT_NE(text, L"Unknown error in decoder dll!");
    }
}

}  // namespace
