// The first bytes of a file as the signature tests see them. Bytes past the
// end of a short file are absent (Has() is false), never guessed, and no test
// reads past what Has() allowed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

struct SignatureHead {
    uint8_t bytes[32] = {};
    size_t length = 0;

    bool Has(size_t offset, size_t count) const { return offset + count <= length; }
    bool Equals(size_t offset, const char* text, size_t count) const {
        return Has(offset, count) && std::memcmp(bytes + offset, text, count) == 0;
    }
    // Values at offset; 0 when the head is too short for them.
    uint16_t U16LE(size_t o) const { return Has(o, 2) ? (uint16_t)(bytes[o] | bytes[o + 1] << 8) : 0; }
    uint16_t U16BE(size_t o) const { return Has(o, 2) ? (uint16_t)(bytes[o] << 8 | bytes[o + 1]) : 0; }
    uint32_t U32LE(size_t o) const {
        return Has(o, 4) ? (uint32_t)bytes[o] | (uint32_t)bytes[o + 1] << 8 | (uint32_t)bytes[o + 2] << 16 |
                               (uint32_t)bytes[o + 3] << 24
                         : 0;
    }
    uint32_t U32BE(size_t o) const {
        return Has(o, 4) ? (uint32_t)bytes[o] << 24 | (uint32_t)bytes[o + 1] << 16 | (uint32_t)bytes[o + 2] << 8 |
                               (uint32_t)bytes[o + 3]
                         : 0;
    }
};
