// GEM raster images (IMG): a big-endian header (planes, pixel size in
// micrometres, width, height; 9 header words select 24-bit lines with a run
// multiplier), then run-length lines of all planes, the top line first.
#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/ByteReader.h"
#include "formats/FileBytes.h"
#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Palette.h"

namespace {

constexpr wchar_t kTextMemory[] = L"Unable to allocate Memory for storing Imagedata!";
constexpr uint32_t kHeaderBytes = 16;

// Decodes opcodes into line until lineBytes bytes are complete or the file
// ends; bytes a record gives past the line end are dropped.
void DecodeLine(CFileBytes& in, uint8_t* line, uint32_t lineBytes, uint32_t multiplier) {
    uint32_t x = 0;
    auto fill = [&](uint64_t count, uint8_t value) {
        const uint32_t n = (uint32_t)std::min<uint64_t>(count, lineBytes - x);
        std::memset(line + x, value, n);
        x += n;
    };
    while (x < lineBytes) {
        uint8_t op;
        if (!in.Next(op)) return;
        if (op == 0x80) {
            uint8_t c, value;
            if (!in.Next(c)) return;
            for (uint32_t i = 0; i < (uint32_t)c * multiplier; ++i) {
                if (!in.Next(value)) return;
                if (x < lineBytes) line[x++] = value;
            }
        } else if (op & 0x80) {
            fill((uint64_t)(op & 0x7F) * multiplier, 0xFF);
        } else if (op) {
            fill((uint64_t)op * multiplier, 0x00);
        } else {
            uint8_t c, pattern;
            if (!in.Next(c) || !in.Next(pattern)) return;
            fill((uint64_t)c * multiplier, pattern);
        }
    }
}

// Packs the planes of one line (plane after plane, planeBytes each) into
// pixel values, inverted so that no bits set is the last entry of the ramp:
// 2 to 4 planes two pixels a byte (plane j is bit j), 5 to 8 one pixel a byte
// (plane k is bit planes - 1 - k).
void MergePlanes(const uint8_t* line, uint32_t planes, uint32_t planeBytes, uint32_t width, uint8_t* out) {
    const uint8_t mask = (uint8_t)((1u << planes) - 1);
    for (uint32_t x = 0; x < width; ++x) {
        const uint32_t byte = x / 8, shift = 7 - x % 8;
        uint8_t value = 0;
        for (uint32_t p = 0; p < planes; ++p) {
            const uint8_t bit = (uint8_t)((line[p * planeBytes + byte] >> shift) & 1);
            value |= (uint8_t)(bit << (planes <= 4 ? p : planes - 1 - p));
        }
        value ^= mask;
        if (planes <= 4) {
            if (x & 1) out[x / 2] = (uint8_t)((out[x / 2] & 0xF0) | value);
            else out[x / 2] = (uint8_t)((out[x / 2] & 0x0F) | value << 4);
        } else {
            out[x] = value;
        }
    }
}

ReadStatus ReadGem(CBinFile& file, CImage& image, wchar_t* errorText) {
    CFileBytes in(file);
    uint8_t header[kHeaderBytes + 2] = {};
    const uint32_t got = in.Read(header, sizeof header);
    ByteReader fields(header, sizeof header);
    if (got < kHeaderBytes || fields.U16BEAt(8) != 85 || fields.U16BEAt(10) != 85) return NotThisFormat(errorText);
    const bool wide = fields.U16BEAt(2) == 9;
    const uint32_t planes = header[5];
    const uint32_t width = fields.U16BEAt(12), height = fields.U16BEAt(14);
    const int depth = wide || planes == 24    ? 24
                      : planes == 1           ? 1
                      : planes <= 4 && planes ? 4
                      : planes <= 8 && planes ? 8
                                              : 0;
    if (!depth) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    const uint32_t planeBytes = (width + 7) / 8;
    const uint32_t lineBytes = depth == 24 ? width * 3 : planes * planeBytes;
    uint32_t multiplier = 1;
    if (wide) multiplier = header[17] ? header[17] : 1;
    const uint64_t dataStart = wide ? kHeaderBytes + 2 : kHeaderBytes;
    const uint64_t available = in.Length() > dataStart ? in.Length() - dataStart : 0;
    if (!PlausibleDataSize((uint64_t)lineBytes * height, available, 128ull * multiplier)) {
        SetFormatError(errorText, L"GEM File is too short for its image size!");
        return false;
    }

    uint8_t rgb[256 * 3] = {};
    if (planes == 1 && depth == 1) {
        std::memcpy(rgb, kPaletteWhiteBlack, 6);
    } else if (depth <= 8) {
        FillGreyPalette(rgb, 1 << planes);
    }
    if (!image.CreateEmpty((int)width, (int)height, depth, RGB(0, 0, 0), rgb) || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    if (!in.SeekTo(dataStart)) return true;
    // The planes of a line may need more bytes than an image row holds.
    std::vector<uint8_t> line(std::max<size_t>(lineBytes, image.stride));
    for (uint32_t y = 0; y < height; ++y) {
        std::fill(line.begin(), line.end(), 0);
        DecodeLine(in, line.data(), lineBytes, multiplier);
        uint8_t* out = image.ScanLine(height - 1 - y);
        if (depth == 1 || depth == 24) std::memcpy(out, line.data(), std::min<size_t>(lineBytes, image.stride));
        else MergePlanes(line.data(), planes, planeBytes, width, out);
        if (!in.Remaining()) break;
    }
    return true;
}

}  // namespace

ReadStatus LoadGem(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    CBinFile file;
    if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
        SetFormatError(errorText, L"Couldn't open GEM File!");
        return false;
    }
    return ReadGem(file, image, errorText);
}
