// Truevision TGA: LoadTga reads uncompressed and run-length-encoded
// colour-mapped, true-colour and grey images of 1, 8, 15, 16, 24 and 32 bits;
// SaveTga writes every image depth, run-length encoded on request.
//
// Sizes from the header are checked against the file in 64 bits before the
// image is created. 1-bit images are written as colour-mapped 8-bit files with
// a 2-entry map, which other programs read (a pixel depth of 1 they refuse).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/FormatCodecs.h"
#include "formats/OutputFile.h"
#include "formats/StdioFile.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Palette.h"

namespace {

constexpr wchar_t kTextMemory[] = L"Insufficient Memory for storing Imagedata!";
constexpr wchar_t kTextTooShort[] = L"TGA File is too short for its image size!";
constexpr wchar_t kTextOpenWrite[] = L"TGA Can't open file for saving!";
constexpr wchar_t kTextWrite[] = L"TGA Can't write the file!";

constexpr int kHeaderBytes = 18;
// A short file may miss this much of its pixel data; run-length data holds at
// most kRleExpansion pixel bytes per file byte (a 2-byte packet of 128 pixels).
constexpr uint64_t kMissingDataSlack = 64ull << 20;
constexpr uint64_t kRleExpansion = 64;

struct TgaHeader {
    uint8_t idLength, mapType, imageType;
    uint16_t mapFirst, mapLength;
    uint8_t mapEntryBits;
    uint16_t width, height;
    uint8_t depth, descriptor;
};

TgaHeader ParseHeader(const uint8_t* b) {
    auto u16 = [&](int o) { return (uint16_t)(b[o] | b[o + 1] << 8); };
    return {b[0], b[1], b[2], u16(3), u16(5), b[7], u16(12), u16(14), b[16], b[17]};
}

uint8_t Expand5(uint32_t v) { return (uint8_t)((v * 255 + 15) / 31); }

// Run-length decoder; its state (literal pixels left, repeats left, the
// repeated pixel) carries from row to row and starts empty for each image.
class RleDecoder {
public:
    RleDecoder(FILE* f, int pixelBytes) : f_(f), pixelBytes_(pixelBytes) {}

    // Decodes count pixels into row; false when the file ends first.
    bool Read(uint8_t* row, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i, row += pixelBytes_) {
            if (!literal_ && !repeat_) {
                const int head = std::getc(f_);
                if (head == EOF) return false;
                if (head & 0x80) {
                    repeat_ = (uint32_t)head - 127;
                    if (std::fread(pixel_, 1, pixelBytes_, f_) != (size_t)pixelBytes_) return false;
                } else {
                    literal_ = (uint32_t)head + 1;
                }
            }
            if (literal_) {
                if (std::fread(row, 1, pixelBytes_, f_) != (size_t)pixelBytes_) return false;
                --literal_;
            } else {
                std::memcpy(row, pixel_, pixelBytes_);
                --repeat_;
            }
        }
        return true;
    }

private:
    FILE* f_;
    int pixelBytes_;
    uint32_t literal_ = 0;
    uint32_t repeat_ = 0;
    uint8_t pixel_[4] = {};
};

// Reads the colour map into rgb (256 red, green, blue triples) or steps over
// it; entries at 256 and beyond are dropped. False when the file ends inside.
bool ReadColorMap(FILE* f, const TgaHeader& h, uint8_t* rgb) {
    const int entryBytes = (h.mapEntryBits + 7) / 8;
    uint8_t entry[32] = {};  // up to 255 bits
    for (uint32_t i = 0; i < h.mapLength; ++i) {
        if (std::fread(entry, 1, entryBytes, f) != (size_t)entryBytes) return false;
        const uint32_t index = (uint32_t)h.mapFirst + i;
        if (index > 255) continue;
        uint8_t* out = rgb + index * 3;
        if (h.mapEntryBits == 24 || h.mapEntryBits == 32) {
            out[0] = entry[2];
            out[1] = entry[1];
            out[2] = entry[0];
        } else if (h.mapEntryBits == 15 || h.mapEntryBits == 16) {
            const uint32_t v = entry[0] | entry[1] << 8;
            out[0] = Expand5(v >> 10 & 31);
            out[1] = Expand5(v >> 5 & 31);
            out[2] = Expand5(v & 31);
        }
    }
    return true;
}

void ReverseRow(uint8_t* row, uint32_t count, int pixelBytes) {
    for (uint32_t a = 0, b = count - 1; a < b; ++a, --b)
        for (int k = 0; k < pixelBytes; ++k)
            std::swap(row[(size_t)a * pixelBytes + k], row[(size_t)b * pixelBytes + k]);
}

ReadStatus ReadTga(CImage& image, const wchar_t* path, wchar_t* errorText) {
    if (!CanOpenForRead(path, errorText)) return false;
    StdioFile file = OpenStdioForRead(path);
    if (!file) {
        SetFormatError(errorText, L"Failed to open file for read!");
        return false;
    }
    FILE* f = file.get();
    uint8_t raw[kHeaderBytes];
    if (std::fread(raw, 1, kHeaderBytes, f) != kHeaderBytes) { return NotThisFormat(errorText); }
    const TgaHeader h = ParseHeader(raw);
    const int type = h.imageType & 7;
    const bool rle = (h.imageType & 8) != 0;
    const int fileDepth = h.depth == 15 ? 16 : h.depth;
    if (type < 1 || type > 3 || (h.imageType & ~0x0B) ||
        (fileDepth != 1 && fileDepth != 8 && fileDepth != 16 && fileDepth != 24 && fileDepth != 32)) {
        return NotThisFormat(errorText);
    }
    const uint32_t width = h.width, height = h.height;
    const int pixelBytes = (fileDepth + 7) / 8;
    // 1-bit rows are whole bytes of eight pixels, also for run-length data.
    const uint32_t units = fileDepth == 1 ? (width + 7) / 8 : width;
    const uint64_t rowBytes = (uint64_t)units * pixelBytes;
    const uint64_t stride = width ? CImage::RowBytes(width, fileDepth) : 0;
    if (!stride || !height || stride * height > CImage::kMaxImageBytes) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    const uint64_t mapBytes = h.mapType ? (uint64_t)h.mapLength * ((h.mapEntryBits + 7) / 8) : 0;
    const uint64_t left = BytesLeft(f);
    const uint64_t dataBytes = left > h.idLength + mapBytes ? left - h.idLength - mapBytes : 0;
    if (rowBytes * height > (rle ? dataBytes * kRleExpansion : dataBytes) + kMissingDataSlack) {
        SetFormatError(errorText, kTextTooShort);
        return false;
    }

    // Palette: the stored map, else a grey ramp (black and white for 1 bit).
    uint8_t rgb[256 * 3] = {};
    bool haveMap = false;
    std::fseek(f, h.idLength, SEEK_CUR);
    if (h.mapType) haveMap = ReadColorMap(f, h, rgb) && h.mapEntryBits != 0;
    if (!haveMap) {
        FillGreyPalette(rgb, 256);
        if (fileDepth == 1) std::memset(rgb + 3, 255, 3);
    }
    if (!image.CreateEmpty((int)width, (int)height, fileDepth, RGB(0, 0, 0), fileDepth <= 8 ? rgb : nullptr) ||
        !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    if (fileDepth <= 8) std::memset(image.bits, 0, (size_t)image.stride * height);

    const bool topFirst = (h.descriptor & 0x20) != 0;
    const bool rightToLeft = (h.descriptor & 0x10) != 0;
    RleDecoder decoder(f, pixelBytes);
    for (uint32_t r = 0; r < height; ++r) {
        uint8_t* row = image.ScanLine(topFirst ? height - 1 - r : r);
        const bool complete = rle ? decoder.Read(row, units) : std::fread(row, 1, (size_t)rowBytes, f) == rowBytes;
        if (!complete) break;
        if (rightToLeft && fileDepth > 1) ReverseRow(row, width, pixelBytes);
    }
    return true;
}

// The packets of one row: runs of equal pixels (at most 128) become repeat
// packets, single pixels are joined into literal packets of at most 128.
void EncodeRow(const uint8_t* row, uint32_t count, int pixelBytes, std::vector<uint8_t>& out) {
    auto same = [&](uint32_t a, uint32_t b) {
        return std::memcmp(row + (size_t)a * pixelBytes, row + (size_t)b * pixelBytes, pixelBytes) == 0;
    };
    uint32_t literalStart = 0, literalCount = 0;
    auto flushLiteral = [&] {
        if (!literalCount) return;
        out.push_back((uint8_t)(literalCount - 1));
        const uint8_t* p = row + (size_t)literalStart * pixelBytes;
        out.insert(out.end(), p, p + (size_t)literalCount * pixelBytes);
        literalCount = 0;
    };
    for (uint32_t x = 0; x < count;) {
        uint32_t run = 1;
        while (x + run < count && run < 128 && same(x, x + run)) ++run;
        if (run == 1) {
            if (!literalCount) literalStart = x;
            if (++literalCount == 128) flushLiteral();
        } else {
            flushLiteral();
            out.push_back((uint8_t)((run - 1) | 0x80));
            const uint8_t* p = row + (size_t)x * pixelBytes;
            out.insert(out.end(), p, p + pixelBytes);
        }
        x += run;
    }
    flushLiteral();
}

}  // namespace

ReadStatus LoadTga(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    try {
        return ReadTga(image, path, errorText);
    } catch (...) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
}

bool SaveTga(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options) {
    const bool rleOption = options.tgaRunLength;
    if (!image.IsValid() || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextOpenWrite);
        return false;
    }
    const uint32_t width = image.GetWidth(), height = image.GetHeight();
    if (width > 0xFFFF || height > 0xFFFF) {
        SetFormatError(errorText, L"Image too large for TGA (at most 65535 x 65535 pixels)!");
        return false;
    }
    const int bpp = image.GetBpp();
    const bool mapped = bpp == 1 || bpp == 8;
    const int fileDepth = mapped ? 8 : bpp == 4 ? 24 : bpp;
    const int pixelBytes = fileDepth / 8;
    // 1-bit images: uncompressed whatever the option says.
    const bool rle = rleOption && bpp != 1;
    const uint32_t mapLength = bpp == 1 ? 2 : bpp == 8 ? 256 : 0;

    uint8_t header[kHeaderBytes] = {};
    header[1] = mapped ? 1 : 0;
    header[2] = (uint8_t)((mapped ? 1 : 2) | (rle ? 8 : 0));
    header[5] = (uint8_t)mapLength;
    header[6] = (uint8_t)(mapLength >> 8);
    header[7] = mapped ? 24 : 0;
    header[12] = (uint8_t)width;
    header[13] = (uint8_t)(width >> 8);
    header[14] = (uint8_t)height;
    header[15] = (uint8_t)(height >> 8);
    header[16] = (uint8_t)fileDepth;

    OutputFile file;
    if (!file.Open(path)) {
        SetFormatError(errorText, kTextOpenWrite);
        return false;
    }
    bool ok = file.Write(header, kHeaderBytes);
    for (uint32_t i = 0; i < mapLength; ++i) ok = file.Write(image.palette[i], 3);  // blue, green, red

    std::vector<uint8_t> line((size_t)width * pixelBytes), packed;
    for (uint32_t row = 0; ok && row < height; ++row) {  // bottom row first
        const uint8_t* pixels = image.ScanLine(row);
        uint8_t* converted = nullptr;
        if (bpp == 1) {
            for (uint32_t x = 0; x < width; ++x) line[x] = (uint8_t)(pixels[x >> 3] >> (7 - (x & 7)) & 1);
            pixels = line.data();
        } else if (bpp == 4) {
            pixels = converted = image.GetLine(24, row);
        }
        if (!pixels) {
            ok = false;
            break;
        }
        if (rle) {
            packed.clear();
            EncodeRow(pixels, width, pixelBytes, packed);
            ok = file.Write(packed.data(), packed.size());
        } else {
            ok = file.Write(pixels, (size_t)width * pixelBytes);
        }
        std::free(converted);
    }
    if (!ok) {
        SetFormatError(errorText, kTextWrite);
        return false;  // the unfinished file is removed
    }
    return file.Finish(errorText, kTextWrite);
}
