// CRegistry: defaults for missing or mistyped values, trees, empty strings.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "image/Registry.h"

namespace {

class RegistryTest : public testing::Test {
protected:
    void SetUp() override {
        // Outside the program's own key, which the shell tests delete whole while
        // this program may run beside them.
        base_ = L"Software\\QuorvaneTests\\Registry\\" + std::to_wstring(GetCurrentProcessId());
    }
    void TearDown() override { RegistryDeleteTree(base_.c_str(), nullptr, HKEY_CURRENT_USER); }
    std::wstring Key(const wchar_t* sub = nullptr) const { return sub ? base_ + L"\\" + sub : base_; }
    std::wstring base_;
    CRegistry reg{HKEY_CURRENT_USER};
};

TEST_F(RegistryTest, WritesAndReadsBack) {
    reg.WriteString(Key().c_str(), L"GeneralName", L"value one");
    reg.WriteDword(Key().c_str(), L"GeneralCount", 0xDEADBEEF);
    wchar_t out[MAX_PATH];
    reg.ReadString(Key().c_str(), L"GeneralName", L"def", out);
    EXPECT_STREQ(out, L"value one");
    EXPECT_EQ(reg.ReadDword(Key().c_str(), L"GeneralCount", 5), 0xDEADBEEFu);
}

TEST_F(RegistryTest, MistypedOrMissingValuesGiveTheDefault) {
    reg.WriteString(Key().c_str(), L"Text", L"12");
    reg.WriteDword(Key().c_str(), L"Number", 12);
    wchar_t out[MAX_PATH];
    EXPECT_EQ(reg.ReadDword(Key().c_str(), L"Text", 77), 77u);
    reg.ReadString(Key().c_str(), L"Number", L"fallback", out);
    EXPECT_STREQ(out, L"fallback");
    EXPECT_EQ(reg.ReadDword(Key().c_str(), L"Missing", 3), 3u);
    // A missing sub key gives the default and is not created by reading.
    reg.ReadString(Key(L"Nowhere").c_str(), L"X", L"d", out);
    EXPECT_STREQ(out, L"d");
    HKEY key;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, Key(L"Nowhere").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
}

TEST_F(RegistryTest, OtherStringTypesAndBigEndianDwords) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Key().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t expand[] = L"%TEMP%\\x";
    RegSetValueExW(key, L"Expand", 0, REG_EXPAND_SZ, (const BYTE*)expand, sizeof expand);
    const wchar_t multi[] = L"first\0second\0";
    RegSetValueExW(key, L"Multi", 0, REG_MULTI_SZ, (const BYTE*)multi, sizeof multi);
    const uint8_t be[4] = {1, 0, 0, 0};
    RegSetValueExW(key, L"Big", 0, REG_DWORD_BIG_ENDIAN, be, 4);
    const char unterminated[] = {'a', 0, 'b', 0};  // a text without its terminator
    RegSetValueExW(key, L"Raw", 0, REG_SZ, (const BYTE*)unterminated, 4);
    RegSetValueExW(key, L"Short", 0, REG_DWORD, be, 2);
    RegCloseKey(key);
    wchar_t out[MAX_PATH];
    reg.ReadString(Key().c_str(), L"Expand", L"", out);
    EXPECT_STREQ(out, L"%TEMP%\\x");  // not expanded
    reg.ReadString(Key().c_str(), L"Multi", L"", out);
    EXPECT_STREQ(out, L"first");
    reg.ReadString(Key().c_str(), L"Raw", L"", out);
    EXPECT_STREQ(out, L"ab");
    EXPECT_EQ(reg.ReadDword(Key().c_str(), L"Big", 0), 1u);  // first four bytes, little-endian
}

// A text of an odd number of bytes and no terminator: its last character is
// the odd byte and a zero, and the block holds a whole zero character after
// it, so reading it as a string never looks past the block.
TEST_F(RegistryTest, OddLengthTextEndsInsideItsBlock) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, Key().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char odd[] = {'a', 0, 'b', 0, 'c'};
    RegSetValueExW(key, L"Odd", 0, REG_SZ, (const BYTE*)odd, 5);
    RegCloseKey(key);
    RegistryValue record;
    ASSERT_TRUE(RegistryReadValue(Key().c_str(), L"Odd", record, HKEY_CURRENT_USER));
    EXPECT_EQ(record.size, 5u);
    const size_t block = HeapSize(record.heap, 0, record.data);
    const auto* text = reinterpret_cast<const wchar_t*>(record.data);
    const size_t chars = wcsnlen(text, block / sizeof(wchar_t));
    EXPECT_LT(chars, block / sizeof(wchar_t)) << "no terminator inside the block";
    EXPECT_STREQ(text, L"abc");
    wchar_t out[MAX_PATH];
    reg.ReadString(Key().c_str(), L"Odd", L"", out);
    EXPECT_STREQ(out, L"abc");
}

TEST_F(RegistryTest, EmptyTextIsTheTerminatorAlone) {
    reg.WriteString(Key().c_str(), L"Empty", L"");
    DWORD type = 0, size = 0;
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Key().c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExW(key, L"Empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(size, 2u);
}

TEST_F(RegistryTest, LongTextIsCutToTheBuffer) {
    std::wstring text(400, L'y');
    reg.WriteString(Key().c_str(), L"Long", text.c_str());
    wchar_t out[MAX_PATH];
    reg.ReadString(Key().c_str(), L"Long", L"", out);
    EXPECT_EQ(wcslen(out), (size_t)MAX_PATH - 1);
}

TEST_F(RegistryTest, DeleteValueAndTrees) {
    reg.WriteDword(Key(L"A\\B\\C").c_str(), L"Deep", 1);
    reg.WriteDword(Key(L"A\\B2").c_str(), L"Side", 2);
    reg.WriteDword(Key(L"A").c_str(), L"Top", 3);
    EXPECT_TRUE(reg.Delete(Key(L"A").c_str(), L"Top"));
    EXPECT_FALSE(reg.Delete(Key(L"A").c_str(), L"Top"));
    EXPECT_EQ(reg.ReadDword(Key(L"A\\B\\C").c_str(), L"Deep", 0), 1u);
    EXPECT_TRUE(reg.Delete(Key(L"A").c_str(), nullptr));
    HKEY key;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, Key(L"A").c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_FALSE(reg.Delete(Key(L"A").c_str(), nullptr));
}

}  // namespace
