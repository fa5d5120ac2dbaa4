// CraftedFile: a file assembled field by field for the format tests, for the
// headers and damaged data no tool writes. Fields go on at the end in either
// byte order; Here and the Patch calls fill in a field (a size, an offset)
// once what it describes is known, or damage a good file.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/TestSupport.h"

namespace fmttest {

class CraftedFile {
public:
    CraftedFile() = default;
    explicit CraftedFile(std::vector<uint8_t> bytes) : bytes(std::move(bytes)) {}

    CraftedFile& U8(uint32_t v) {
        bytes.push_back((uint8_t)v);
        return *this;
    }
    CraftedFile& U16LE(uint32_t v) { return U8(v).U8(v >> 8); }
    CraftedFile& U16BE(uint32_t v) { return U8(v >> 8).U8(v); }
    CraftedFile& U32LE(uint32_t v) { return U16LE(v).U16LE(v >> 16); }
    CraftedFile& U32BE(uint32_t v) { return U16BE(v >> 16).U16BE(v); }
    // Bytes as listed (each 0..255).
    CraftedFile& Raw(std::initializer_list<int> list) {
        for (int b : list) U8((uint32_t)b);
        return *this;
    }
    CraftedFile& Raw(const std::vector<uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    // The characters of text, without a terminator.
    CraftedFile& Text(const std::string& text) {
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    CraftedFile& Fill(size_t count, uint8_t value = 0) {
        bytes.insert(bytes.end(), count, value);
        return *this;
    }
    // A colour table of `entries` entries of a simple ramp (red i x 30 + 1,
    // green i x 20, blue i x 10), stored blue first as BMP-like formats do
    // (with a zero fourth byte when quads) or red first.
    enum class Order { Bgr, Bgr0, Rgb };
    CraftedFile& Ramp(int entries, Order order) {
        for (int i = 0; i < entries; ++i) {
            const uint32_t r = i * 30 + 1, g = i * 20, b = i * 10;
            if (order == Order::Rgb) U8(r).U8(g).U8(b);
            else U8(b).U8(g).U8(r);
            if (order == Order::Bgr0) U8(0);
        }
        return *this;
    }

    // Where the next field goes.
    uint32_t Here() const { return (uint32_t)bytes.size(); }
    // Overwrites earlier bytes from at on with those of field (which must fit).
    void Patch(size_t at, const CraftedFile& field) {
        ASSERT_LE(at + field.bytes.size(), bytes.size());
        std::copy(field.bytes.begin(), field.bytes.end(), bytes.begin() + at);
    }
    void PatchU8(size_t at, uint32_t v) { Patch(at, CraftedFile().U8(v)); }
    void PatchU16LE(size_t at, uint32_t v) { Patch(at, CraftedFile().U16LE(v)); }
    void PatchU16BE(size_t at, uint32_t v) { Patch(at, CraftedFile().U16BE(v)); }
    void PatchU32LE(size_t at, uint32_t v) { Patch(at, CraftedFile().U32LE(v)); }
    void PatchU32BE(size_t at, uint32_t v) { Patch(at, CraftedFile().U32BE(v)); }

    // Writes the bytes to name in dir; returns the path.
    std::wstring Save(const qrvtest::TempDir& dir, const wchar_t* name) const {
        const std::wstring path = dir.File(name);
        EXPECT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
        return path;
    }

    std::vector<uint8_t> bytes;
};

}  // namespace fmttest
