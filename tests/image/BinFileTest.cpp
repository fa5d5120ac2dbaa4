// CBinFile: open modes, little/big-endian reads, short reads, 64-bit seeks.
#include <gtest/gtest.h>

#include "image/BinFile.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::TempDir;

std::wstring MakeFile(const TempDir& dir, const wchar_t* name, std::initializer_list<uint8_t> bytes) {
    std::vector<uint8_t> data(bytes);
    std::wstring path = dir.File(name);
    EXPECT_TRUE(qrvtest::WriteAll(path, data.data(), data.size()));
    return path;
}

TEST(BinFile, ReadsLittleAndBigEndianAndZeroFillsPastTheEnd) {
    TempDir dir;
    auto path = MakeFile(dir, L"a.bin", {0x12, 0x34, 0x12, 0x34, 0x01, 0x02, 0x03, 0x04, 0xAA});
    CBinFile file;
    ASSERT_TRUE(file.Open(path.c_str(), BINFILE_READ | BINFILE_SHARE_READ));
    EXPECT_EQ(file.ReadWordBE(), 0x1234);
    EXPECT_EQ(file.ReadWord(), 0x3412);
    EXPECT_EQ(file.ReadDword(), 0x04030201u);
    EXPECT_EQ(file.ReadDword(), 0xAAu);  // one byte left: the rest reads as zero
    EXPECT_EQ(file.ReadDword(), 0u);
    EXPECT_EQ(file.ReadByte(), 0);
    uint8_t buffer[4];
    EXPECT_EQ(file.Read(buffer, 0), 0u);
    EXPECT_TRUE(file.Close());
}

TEST(BinFile, SeekAndLength) {
    TempDir dir;
    auto path = MakeFile(dir, L"ten.bin", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    CBinFile file;
    ASSERT_TRUE(file.Open(path.c_str(), 0));
    EXPECT_EQ(file.GetLength(), 10u);
    EXPECT_EQ(file.Seek(-4, FILE_END), 6u);
    EXPECT_EQ(file.ReadByte(), 6);
    EXPECT_EQ(file.Seek(2, FILE_CURRENT), 9u);
    EXPECT_TRUE(file.SeekToBegin());
    EXPECT_EQ(file.ReadByte(), 0);
    // Beyond 4 GiB the position is still exact (the file is not extended by a seek).
    EXPECT_EQ(file.Seek(0x100000005ll, FILE_BEGIN), 0x100000005ull);
}

TEST(BinFile, OpenModes) {
    TempDir dir;
    auto path = MakeFile(dir, L"m.bin", {1, 2, 3});
    {
        CBinFile file;
        ASSERT_TRUE(file.Open(path.c_str(), 0x3001));  // create if missing, keep contents
        EXPECT_EQ(file.GetLength(), 3u);
        // An open object refuses a second open and keeps its file.
        EXPECT_FALSE(file.Open(path.c_str(), 0));
        EXPECT_EQ(file.GetLength(), 3u);
    }
    {
        CBinFile file;
        ASSERT_TRUE(file.Open(path.c_str(), 0x1001));  // create, replacing
        EXPECT_EQ(file.GetLength(), 0u);
        EXPECT_TRUE(file.WriteWord(0xBEEF));
        EXPECT_TRUE(file.WriteDword(0x11223344));
        EXPECT_TRUE(file.WriteByte(0x1FF));
        EXPECT_FALSE(file.Write("x", 0));
        EXPECT_TRUE(file.Close());
    }
    auto bytes = qrvtest::ReadAll(path);
    std::vector<uint8_t> expected{0xEF, 0xBE, 0x44, 0x33, 0x22, 0x11, 0xFF};
    EXPECT_EQ(bytes, expected);

    CBinFile missing;
    EXPECT_FALSE(missing.Open(dir.File(L"none.bin").c_str(), 0));
    EXPECT_FALSE(missing.IsOpen());
}

TEST(BinFile, ClosedObjectDoesNothingAndCanBeReopened) {
    TempDir dir;
    auto path = MakeFile(dir, L"c.bin", {7, 8});
    CBinFile file;
    EXPECT_EQ(file.ReadWord(), 0);
    EXPECT_EQ(file.GetLength(), 0u);
    EXPECT_EQ(file.Seek(1, FILE_BEGIN), 0u);
    EXPECT_FALSE(file.WriteByte(1));
    ASSERT_TRUE(file.Open(path.c_str(), 0));
    EXPECT_NE(file.fileName[0], L'\0');
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(file.fileName[0], L'\0');
    EXPECT_EQ(file.ReadByte(), 0);
    ASSERT_TRUE(file.Open(path.c_str(), 0));
    EXPECT_EQ(file.ReadByte(), 7);
    EXPECT_FALSE(file.Abort());  // closing succeeded
    EXPECT_FALSE(file.IsOpen());
}

TEST(BinFile, SharingFlagsAreHonoured) {
    TempDir dir;
    auto path = MakeFile(dir, L"s.bin", {1});
    CBinFile exclusive;
    ASSERT_TRUE(exclusive.Open(path.c_str(), BINFILE_READ | BINFILE_SHARE_NONE));
    CBinFile second;
    EXPECT_FALSE(second.Open(path.c_str(), BINFILE_READ | BINFILE_SHARE_READWRITE));
    exclusive.Close();
    CBinFile reader;
    ASSERT_TRUE(reader.Open(path.c_str(), BINFILE_READ | BINFILE_SHARE_READ));
    EXPECT_TRUE(second.Open(path.c_str(), BINFILE_READ | BINFILE_SHARE_READWRITE));
}

TEST(BinFile, MakeFullPathResolvesRelativeNames) {
    wchar_t out[MAX_PATH];
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    MakeFullPath(out, L"x.bin");
    std::wstring expected = std::wstring(current) + (current[wcslen(current) - 1] == L'\\' ? L"" : L"\\") + L"x.bin";
    EXPECT_EQ(_wcsicmp(out, expected.c_str()), 0) << qrvtest::Narrow(out);
}

}  // namespace
