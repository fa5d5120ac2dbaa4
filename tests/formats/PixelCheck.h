// Pixel comparisons of decoded images against another tool's decoding (8-bit
// RGBA rows, top row first, as tests/make-fixtures.sh's `rgba` writes them).
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "formats/Formats.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace pixelcheck {

// ImageMagick's decoding of a file the test wrote, as 8-bit RGBA rows from the
// top, in a file beside it; returns that file's path.
inline std::wstring ImageMagickRgba(const std::wstring& path) {
    const std::wstring out = path + L".rgba";
    const std::string cmd =
        "/usr/bin/convert '" + qrvtest::HostPath(path) + "' -depth 8 'rgba:" + qrvtest::HostPath(out) + "'";
    EXPECT_EQ(qrvtest::RunHost(cmd), 0) << cmd;
    return out;
}

// The same decoding's bytes.
inline std::vector<uint8_t> ImageMagickDecoding(const std::wstring& path) {
    return qrvtest::ReadAll(ImageMagickRgba(path));
}

// The picture as RGBA rows from the top, through the palette for 8 bits or
// less; alpha is the fourth byte for 32-bit images and 255 otherwise. 16-bit
// pixels (5-5-5, as a GDI bitmap of 16 bits without masks holds them) are
// widened by GDI, as the program shows and saves them.
inline std::vector<uint8_t> ImageRgba(CImage& image) {
    const uint32_t w = image.GetWidth(), h = image.GetHeight();
    std::vector<uint8_t> out((size_t)w * h * 4);
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t row = h - 1 - y;
        uint8_t* converted = image.GetBpp() == 16 ? image.GetLine(24, row) : nullptr;
        const uint8_t* line = converted ? converted : image.ScanLine(row);
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* o = &out[((size_t)y * w + x) * 4];
            switch (image.GetBpp()) {
            case 1:
            case 4:
            case 8: {
                const uint8_t i = image.GetPixelIndex(x, row);
                o[0] = image.palette[i][2];
                o[1] = image.palette[i][1];
                o[2] = image.palette[i][0];
                o[3] = 255;
                break;
            }
            case 16:
            case 24:
                o[0] = line[x * 3 + 2];
                o[1] = line[x * 3 + 1];
                o[2] = line[x * 3];
                o[3] = 255;
                break;
            default:
                o[0] = line[x * 4 + 2];
                o[1] = line[x * 4 + 1];
                o[2] = line[x * 4];
                o[3] = line[x * 4 + 3];
            }
        }
        std::free(converted);
    }
    return out;
}

// Largest difference of one channel between two RGBA buffers of equal size
// (alpha compared only when compareAlpha); -1 when the sizes differ. *where
// gets the first pixel with the largest difference.
inline int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, bool compareAlpha,
                         size_t* where = nullptr) {
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

// Compares the image with the reference RGBA file pixel by pixel; colour
// channels may differ by at most tolerance, alpha only when compareAlpha.
inline ::testing::AssertionResult MatchesRgba(CImage& image, const std::wstring& referencePath,
                                              bool compareAlpha = false, int tolerance = 0) {
    if (!image.IsValid()) return ::testing::AssertionFailure() << "image not valid";
    const std::vector<uint8_t> ref = qrvtest::ReadAll(referencePath);
    const std::vector<uint8_t> got = ImageRgba(image);
    if (ref.size() != got.size())
        return ::testing::AssertionFailure() << "size " << image.GetWidth() << "x" << image.GetHeight() << " gives "
                                             << got.size() << " bytes, reference has " << ref.size();
    const size_t w = image.GetWidth();
    for (size_t i = 0; i < ref.size(); ++i) {
        if ((i % 4) == 3 && !compareAlpha) continue;
        if (std::abs((int)ref[i] - (int)got[i]) > tolerance)
            return ::testing::AssertionFailure() << "pixel (" << (i / 4) % w << "," << (i / 4) / w << ") channel "
                                                 << i % 4 << ": got " << (int)got[i] << ", reference " << (int)ref[i];
    }
    return ::testing::AssertionSuccess();
}

// A fixture (relative name) read by read: its depth, its pixels against its
// ".rgba" reference, and the id LoadMediaFile reports for it.
inline void ExpectFixtureMatches(FormatReader read, FormatId id, const std::wstring& relative, int bpp,
                                 bool compareAlpha = false, int tolerance = 0) {
    const std::wstring path = qrvtest::Fixture(relative);
    const std::string name = qrvtest::Narrow(relative);
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    LoadCall call;
    ASSERT_TRUE(read(image, path.c_str(), text, call)) << name << ": " << qrvtest::Narrow(text);
    EXPECT_EQ(image.GetBpp(), bpp) << name;
    EXPECT_TRUE(MatchesRgba(image, path + L".rgba", compareAlpha, tolerance)) << name;

    CImage viaDispatch;
    FormatId found = -1;
    EXPECT_TRUE(LoadMediaFile(viaDispatch, path.c_str(), text, &found)) << name;
    EXPECT_EQ(found, id) << name;
}

// A palette image read from a file with a transparent index, against the
// reference RGBA file: where the reference is transparent the image shows
// `background` and holds its transparent index, elsewhere it has the
// reference's colour; at least one pixel is transparent.
inline ::testing::AssertionResult TransparentPixelsShow(CImage& image, const std::wstring& referencePath,
                                                        COLORREF background) {
    const std::vector<uint8_t> ref = qrvtest::ReadAll(referencePath);
    const std::vector<uint8_t> got = ImageRgba(image);
    if (ref.size() != got.size())
        return ::testing::AssertionFailure() << got.size() << " bytes, reference has " << ref.size();
    const uint32_t w = image.GetWidth(), h = image.GetHeight();
    int transparent = 0;
    for (size_t i = 0; i < ref.size(); i += 4) {
        const uint32_t x = (uint32_t)(i / 4) % w, y = (uint32_t)(i / 4) / w;
        if (ref[i + 3] == 0) {
            ++transparent;
            if (RGB(got[i], got[i + 1], got[i + 2]) != background)
                return ::testing::AssertionFailure() << "pixel " << i / 4 << " does not show the background";
            if (image.GetPixelIndex(x, h - 1 - y) != image.transparentIndex)
                return ::testing::AssertionFailure()
                       << "pixel " << i / 4 << " has index " << (int)image.GetPixelIndex(x, h - 1 - y);
        } else if (std::memcmp(&ref[i], &got[i], 3) != 0) {
            return ::testing::AssertionFailure() << "pixel " << i / 4;
        }
    }
    if (transparent == 0) return ::testing::AssertionFailure() << "no transparent pixel";
    return ::testing::AssertionSuccess();
}

// Fills a 24-bit image with a deterministic pattern of many colours.
inline bool MakePattern24(CImage& image, int w, int h) {
    if (!image.CreateEmpty(w, h, 24, 0, nullptr)) return false;
    for (int row = 0; row < h; ++row) {
        uint8_t* line = image.ScanLine(row);
        for (int x = 0; x < w; ++x) {
            line[x * 3] = (uint8_t)(x * 7 + row);
            line[x * 3 + 1] = (uint8_t)(row * 5 + (x ^ row));
            line[x * 3 + 2] = (uint8_t)(x * row + 3);
        }
    }
    return true;
}

// Rows of two images equal byte for byte (pixel bytes only, not the padding).
inline ::testing::AssertionResult SamePixels(CImage& a, CImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBpp() != b.GetBpp())
        return ::testing::AssertionFailure()
               << "shape " << a.GetWidth() << "x" << a.GetHeight() << "x" << (int)a.GetBpp() << " vs " << b.GetWidth()
               << "x" << b.GetHeight() << "x" << (int)b.GetBpp();
    const uint32_t bitCount = a.GetWidth() * a.GetBpp(), bytes = (bitCount + 7) / 8;
    // Bits of the last byte beyond the last pixel are padding.
    const uint8_t lastMask = (bitCount % 8) ? (uint8_t)(0xFF << (8 - bitCount % 8)) : 0xFF;
    for (uint32_t row = 0; row < a.GetHeight(); ++row) {
        const uint8_t* pa = a.ScanLine(row);
        const uint8_t* pb = b.ScanLine(row);
        for (uint32_t i = 0; i < bytes; ++i)
            if ((pa[i] ^ pb[i]) & (i + 1 == bytes ? lastMask : 0xFF))
                return ::testing::AssertionFailure()
                       << "stored row " << row << " byte " << i << ": " << (int)pa[i] << " vs " << (int)pb[i];
    }
    return ::testing::AssertionSuccess();
}

}  // namespace pixelcheck
