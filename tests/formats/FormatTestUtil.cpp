#include "formats/FormatTestUtil.h"

#include <gtest/gtest.h>

#include "formats/PixelCheck.h"
#include "support/TestSupport.h"

namespace fmttest {

Loaded LoadBytes(FormatReader read, CImage& image, const std::vector<uint8_t>& bytes, const wchar_t* name) {
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(name);
    EXPECT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
    Loaded r;
    r.ok = LoadWith(read, image, path, &r.text);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << "file left open";
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return r;
}

void ExpectRefused(FormatReader read, const wchar_t* name, const std::vector<RefusedCase>& cases) {
    for (const RefusedCase& c : cases) {
        CImage image;
        const Loaded r = LoadBytes(read, image, c.bytes, name);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_EQ(r.text, c.text) << c.what;
    }
}

void ExpectFixturesMatchReference(const wchar_t* folder, const ReaderFixture* fixtures, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const ReaderFixture& c = fixtures[i];
        const std::wstring path = qrvtest::Fixture(std::wstring(folder) + L"\\" + c.name);
        const std::string name = qrvtest::Narrow(c.name);
        CImage image;
        std::wstring text;
        ASSERT_TRUE(LoadWith(c.reader, image, path, &text)) << name << ": " << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetBpp(), c.bpp) << name;
        EXPECT_EQ(image.GetWidth(), c.width) << name;
        EXPECT_EQ(image.GetHeight(), c.height) << name;
        EXPECT_TRUE(pixelcheck::MatchesRgba(image, path + L".rgba")) << name;

        CImage viaDispatch;
        wchar_t buffer[FORMAT_ERROR_CHARS] = {};
        FormatId id = -1;
        EXPECT_TRUE(LoadMediaFile(viaDispatch, path.c_str(), buffer, &id)) << name;
        EXPECT_EQ(id, c.id) << name;
    }
}

}  // namespace fmttest
