// Common services: paths, byte sizes, colour tables, message seam, centring.
#include <gtest/gtest.h>

#include "image/Common.h"
#include "support/TestSupport.h"

namespace {

TEST(Common, AppendPath) {
    struct Row {
        const wchar_t* path;
        const wchar_t* component;
        const wchar_t* expected;
    } rows[] = {
        {L"C:\\Dir", L"a.jpg", L"C:\\Dir\\a.jpg"},
        {L"C:\\Dir\\", L"a.jpg", L"C:\\Dir\\a.jpg"},
        {L"C:/Dir/", L"a.jpg", L"C:/Dir/a.jpg"},
        {L"", L"a.jpg", L"a.jpg"},
    };
    for (const auto& r : rows) {
        wchar_t path[MAX_PATH];
        wcscpy(path, r.path);
        EXPECT_TRUE(AppendPath(path, r.component));
        EXPECT_STREQ(path, r.expected);
    }
    // A result that does not fit is refused, not cut into another name.
    wchar_t small[8] = L"C:\\ab";
    EXPECT_FALSE(AppendPath(small, L"long.jpg", 8));
    EXPECT_STREQ(small, L"C:\\ab");
}

TEST(Common, FormatByteSize) {
    struct Row {
        float bytes;
        const wchar_t* expected;
    } rows[] = {
        {0, L"   0 Bytes"},    {999, L" 999 Bytes"},     {1000, L"0.98 KB"},     {1000000, L"976.56 KB"},
        {1048576, L"1.00 MB"}, {1073741824, L"1.00 GB"}, {5e12f, L"4656.61 GB"},
    };
    for (const auto& r : rows) {
        wchar_t out[64];
        FormatByteSize(out, r.bytes);
        EXPECT_STREQ(out, r.expected) << r.bytes;
    }
}

TEST(Common, GetColorTableSize) {
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biBitCount = 4;
    EXPECT_EQ(GetColorTableSize(&info), 64u);
    info.biClrUsed = 3;
    EXPECT_EQ(GetColorTableSize(&info), 12u);
    info.biClrUsed = 0;
    info.biBitCount = 8;
    EXPECT_EQ(GetColorTableSize(&info), 1024u);
    info.biBitCount = 24;
    EXPECT_EQ(GetColorTableSize(&info), 0u);
    info.biClrUsed = 0x40000000;  // from a hostile file: saturates instead of wrapping to 0
    EXPECT_EQ(GetColorTableSize(&info), 0xFFFFFFFFu);
    BITMAPCOREHEADER core{};
    core.bcSize = sizeof core;
    core.bcBitCount = 1;
    EXPECT_EQ(GetColorTableSize(&core), 6u);
    core.bcBitCount = 8;
    EXPECT_EQ(GetColorTableSize(&core), 768u);
}

TEST(Common, CenterCoordinate) {
    // owner 100..500 (400 wide), window 200: centred at 200.
    EXPECT_EQ(CenterCoordinate(100, 400, 200, 0, 1024), 200);
    // Larger than the work area: at the work area's start.
    EXPECT_EQ(CenterCoordinate(0, 400, 2000, 0, 1024), 0);
    // Would reach beyond the right edge: moved in.
    EXPECT_EQ(CenterCoordinate(900, 400, 300, 0, 1024), 724);
    // Left of the work area: at its start.
    EXPECT_EQ(CenterCoordinate(-300, 100, 200, 0, 1024), 0);
}

TEST(Common, MessagesGoThroughTheSeam) {
    qrvtest::MessageCapture capture;
    ShowMessage(L"Value %d of %ls", 3, L"five");
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Value 3 of five");
    std::wstring longText(3000, L'x');
    ShowMessage(L"%ls", longText.c_str());
    EXPECT_EQ(capture.messages[1].size(), 1023u);  // cut to the 1024-character buffer
    try {
        FatalError(L"Fatal Error during AppInit occured! Aborting...");
        ADD_FAILURE() << "FatalError returned";
    } catch (const qrvtest::FatalExit& e) { EXPECT_EQ(e.text, L"Fatal Error during AppInit occured! Aborting..."); }
}

TEST(Common, CanOpenForRead) {
    qrvtest::TempDir dir;
    wchar_t error[512] = L"";
    EXPECT_FALSE(CanOpenForRead(dir.File(L"missing.png").c_str(), error));
    EXPECT_STREQ(error, L"Failed to open file for read!");
    qrvtest::WriteAll(dir.File(L"there.png"), "x", 1);
    error[0] = 0;
    EXPECT_TRUE(CanOpenForRead(dir.File(L"there.png").c_str(), error));
    EXPECT_STREQ(error, L"");
}

TEST(Common, AnsiConversionsRefuseLoss) {
    char narrow[MAX_PATH];
    EXPECT_TRUE(WideToAnsi(narrow, L"C:\\photos\\a.jpg"));
    EXPECT_STREQ(narrow, "C:\\photos\\a.jpg");
    // A character the ANSI code page cannot hold must not become '?' and name another file.
    EXPECT_FALSE(WideToAnsi(narrow, L"C:\\photos\\\x4E2D.jpg"));
    EXPECT_STREQ(narrow, "");
    wchar_t wide[MAX_PATH];
    AnsiToWide(wide, "abc");
    EXPECT_STREQ(wide, L"abc");
    wchar_t small[4];
    CopyStringW(small, L"abcdef", 4);
    EXPECT_STREQ(small, L"abc");
}

TEST(Common, ProgramFolderIsTheModulesFolder) {
    wchar_t folder[MAX_PATH];
    ASSERT_TRUE(GetProgramFolder(folder));
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    size_t len = wcslen(folder);
    ASSERT_GT(len, 0u);
    EXPECT_NE(folder[len - 1], L'\\');
    EXPECT_EQ(wcsncmp(folder, module, len), 0);
    EXPECT_EQ(module[len], L'\\');
}

TEST(Common, ReplaceBitmapColorOnlyOn24BitSections) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 3;
    info.bmiHeader.biHeight = 2;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    auto* p = static_cast<uint8_t*>(bits);
    p[0] = 0xFF;
    p[1] = 0x00;
    p[2] = 0xFF;  // magenta at (0, bottom row)
    p[12 + 6] = 0xFF;
    p[12 + 8] = 0xFF;  // magenta at (2, top row), row padded to 12
    ASSERT_TRUE(ReplaceBitmapColor(bitmap, RGB(255, 0, 255), RGB(1, 2, 3)));
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 1);
    EXPECT_EQ(p[12 + 6], 3);
    EXPECT_EQ(p[12 + 8], 1);
    EXPECT_EQ(p[3], 0);
    DeleteObject(bitmap);
    info.bmiHeader.biBitCount = 32;
    HBITMAP deep = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    EXPECT_FALSE(ReplaceBitmapColor(deep, 0, 1));
    DeleteObject(deep);
}

}  // namespace

namespace {

TEST(Common, NormalizePathThroughTheShell) {
    CoInitialize(nullptr);
    qrvtest::TempDir dir;
    std::wstring file = dir.File(L"norm.txt");
    qrvtest::WriteAll(file, "x", 1);
    // The shell gives back the names as the file system stores them.
    std::wstring shouted = dir.Path() + L"\\NORM.TXT";
    wchar_t path[MAX_PATH];
    wcscpy(path, shouted.c_str());
    ASSERT_TRUE(NormalizePath(path));
    EXPECT_EQ(std::wstring(path).substr(std::wstring(path).size() - 8), L"norm.txt");
    EXPECT_EQ(_wcsicmp(path, file.c_str()), 0) << qrvtest::Narrow(path);
    // A name the shell cannot parse stays as it was.
    wcscpy(path, L"Q:\\no such drive\\x.jpg");
    EXPECT_FALSE(NormalizePath(path));
    EXPECT_STREQ(path, L"Q:\\no such drive\\x.jpg");
    CoUninitialize();
}

}  // namespace

namespace {

TEST(Common, WideToAnsiPathFallsBackToTheShortName) {
    qrvtest::TempDir dir;
    const std::wstring plain = dir.File(L"plain.bin"), wide = dir.File(L"\x4E2D\x6587.bin");
    qrvtest::WriteAll(plain, "plain", 5);
    qrvtest::WriteAll(wide, "wide", 4);
    char narrow[MAX_PATH];
    ASSERT_TRUE(WideToAnsiPath(narrow, plain.c_str()));
    EXPECT_EQ(qrvtest::Widen(narrow), plain);
    // No ANSI form: the short name, which opens the same file.
    ASSERT_TRUE(WideToAnsiPath(narrow, wide.c_str()));
    FILE* f = fopen(narrow, "rb");
    ASSERT_NE(f, nullptr) << narrow;
    char text[8] = {};
    EXPECT_EQ(fread(text, 1, sizeof text, f), 4u);
    fclose(f);
    EXPECT_STREQ(text, "wide");
    // A missing file without an ANSI form has no name to give.
    EXPECT_FALSE(WideToAnsiPath(narrow, dir.File(L"\x4E2D.none").c_str()));
    EXPECT_FALSE(WideToAnsiPath(narrow, nullptr));
}

}  // namespace
