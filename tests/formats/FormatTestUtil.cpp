#include "formats/FormatTestUtil.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "formats/PixelCheck.h"
#include "support/TestSupport.h"

namespace fmttest {

std::vector<uint8_t> ImageToRgba(CImage& image, bool withAlpha) {
    const uint32_t w = image.GetWidth(), h = image.GetHeight();
    std::vector<uint8_t> out((size_t)w * h * 4, 255);
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* row = image.ScanLine(h - 1 - y);
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* o = &out[((size_t)y * w + x) * 4];
            switch (image.GetBpp()) {
            case 1:
            case 4:
            case 8: {
                const uint8_t i = image.GetPixelIndex(x, h - 1 - y);
                o[0] = image.palette[i][2];
                o[1] = image.palette[i][1];
                o[2] = image.palette[i][0];
                break;
            }
            case 16: {
                const uint32_t v = row[x * 2] | row[x * 2 + 1] << 8;
                auto expand = [](uint32_t c) { return (uint8_t)((c * 255 + 15) / 31); };
                o[0] = expand((v >> 10) & 31);
                o[1] = expand((v >> 5) & 31);
                o[2] = expand(v & 31);
                break;
            }
            case 24:
                o[0] = row[x * 3 + 2];
                o[1] = row[x * 3 + 1];
                o[2] = row[x * 3];
                break;
            case 32:
                o[0] = row[x * 4 + 2];
                o[1] = row[x * 4 + 1];
                o[2] = row[x * 4];
                if (withAlpha) o[3] = row[x * 4 + 3];
                break;
            }
        }
    }
    return out;
}

int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, bool compareAlpha, size_t* where) {
    if (a.size() != b.size()) return -1;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (!compareAlpha && i % 4 == 3) continue;
        const int d = std::abs((int)a[i] - (int)b[i]);
        if (d > worst) {
            worst = d;
            if (where) *where = i / 4;
        }
    }
    return worst;
}

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

std::vector<uint8_t> DecodeWithImageMagick(const std::wstring& path) {
    const std::wstring out = path + L".im.rgba";
    const std::string cmd =
        "/usr/bin/convert '" + qrvtest::HostPath(path) + "' -depth 8 'rgba:" + qrvtest::HostPath(out) + "'";
    if (qrvtest::RunHost(cmd) != 0) return {};
    return qrvtest::ReadAll(out);
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
