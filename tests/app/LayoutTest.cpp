// The bytes that leave the process (the second copy's hand-over block, the
// snapshot files, the files our own writers lay out field by field) must be the
// same from the 32-bit and the 64-bit program. Each row makes its bytes from a
// fixed input and compares their size and FNV-1a digest with the value
// recorded here; both builds run this same table against the same values.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/ImageSnapshot.h"
#include "app/MainWindow.h"
#include "formats/FormatCodecs.h"
#include "formats/Gif.h"
#include "formats/Ppp.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

uint64_t Fnv1a(const std::vector<unsigned char>& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char b : bytes) h = (h ^ b) * 0x100000001b3ull;
    return h;
}

std::string Hex(const std::vector<unsigned char>& bytes, size_t most = 96) {
    std::string out;
    char cell[4];
    for (size_t i = 0; i < bytes.size() && i < most; ++i) {
        std::snprintf(cell, sizeof cell, "%02x ", bytes[i]);
        out += cell;
    }
    return out;
}

// A small image of every depth with a fixed pattern, palette and transparency.
bool Pattern(CImage& image, int bpp, int w, int h) {
    uint8_t palette[256 * 3];
    for (int i = 0; i < 256; ++i) {
        palette[i * 3] = (uint8_t)i;
        palette[i * 3 + 1] = (uint8_t)(255 - i);
        palette[i * 3 + 2] = (uint8_t)(i * 5);
    }
    if (!image.CreateEmpty(w, h, bpp, RGB(0, 0, 0), palette)) return false;
    for (uint32_t row = 0; row < image.height; ++row) {
        uint8_t* line = image.ScanLine(row);
        for (uint32_t i = 0; i < image.stride; ++i) line[i] = (uint8_t)(row * 31 + i * 7);
    }
    image.hasTransparency = 1;
    image.transparentIndex = 3;
    image.transparentColor = RGB(1, 2, 3);
    image.xResolution = 300;
    image.yResolution = 150;
    return true;
}

using Writer = std::function<bool(const std::wstring& path, CImage& image)>;

std::vector<unsigned char> Written(int bpp, const Writer& write) {
    CImage image;
    if (!Pattern(image, bpp, 7, 3)) return {};
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"out.bin");
    if (!write(path, image)) return {};
    return qrvtest::ReadAll(path);
}

struct Row {
    const char* name;
    std::function<std::vector<unsigned char>()> bytes;
    size_t size;
    uint64_t digest;
};

TEST(Layout, BytesLeavingTheProcessAreTheSameInBothBuilds) {
    static_assert(sizeof(wchar_t) == 2, "the hand-over block and every path are UTF-16");

    const Writer bmp = [](const std::wstring& p, CImage& im) {
        wchar_t text[512] = {};
        return SaveBmp(p.c_str(), im, text);
    };
    const Writer ppp = [](const std::wstring& p, CImage& im) {
        wchar_t text[512] = {};
        return SavePpp(p.c_str(), im, text);
    };
    const Writer gif = [](const std::wstring& p, CImage& im) {
        wchar_t text[512] = {};
        return SaveGif(p.c_str(), im, text);
    };
    const Writer snapshot = [](const std::wstring& p, CImage& im) {
        CImageSnapshot store;
        if (!store.SaveFrom(im)) return false;
        return CopyFileW(store.FileName(), p.c_str(), FALSE) != FALSE;
    };
    const auto handOver = [] {
        wchar_t block[HANDOVER_CHARS];
        BuildHandOverBlock(L"\"C:\\Pictures\\Holiday 2026\\beach.jpg\"", block);
        const auto* bytes = reinterpret_cast<const unsigned char*>(block);
        return std::vector<unsigned char>(bytes, bytes + sizeof(block));
    };

    const Row rows[] = {
        {"hand-over block", handOver, 520, 0x8ac3564786ab9229ull},
        {"snapshot 1 bit", [&] { return Written(1, snapshot); }, 50, 0x900bf6a294b47620ull},
        {"snapshot 8 bits", [&] { return Written(8, snapshot); }, 824, 0x25890e36c7b2ed56ull},
        {"snapshot 16 bits", [&] { return Written(16, snapshot); }, 80, 0x5a28633ff9e09996ull},
        {"snapshot 32 bits", [&] { return Written(32, snapshot); }, 116, 0x2e1274f21f8b5f86ull},
        {"BMP 4 bits", [&] { return Written(4, bmp); }, 130, 0xc76ec595251ed13dull},
        {"BMP 8 bits", [&] { return Written(8, bmp); }, 1102, 0xa460bec7521199d5ull},
        {"BMP 24 bits", [&] { return Written(24, bmp); }, 126, 0x0b09417c8ceeafbdull},
        {"BMP 32 bits", [&] { return Written(32, bmp); }, 138, 0x0fdcca318aa250a9ull},
        {"PPP 24 bits", [&] { return Written(24, ppp); }, 98, 0xc0b787edc1eb0c05ull},
        {"GIF 8 bits", [&] { return Written(8, gif); }, 829, 0x6b82d0a2edb19298ull},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<unsigned char> bytes = row.bytes();
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes.size(), row.size) << Hex(bytes);
        EXPECT_EQ(Fnv1a(bytes), row.digest) << std::hex << "0x" << Fnv1a(bytes) << "ull; starts " << Hex(bytes);
    }
}

}  // namespace
