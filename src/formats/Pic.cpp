// Three unrelated formats named ".pic": Softimage pictures (big-endian, run-
// length channel packets, 32 bits), PC Paint pictures (little-endian, run-
// length blocks of 1-bit rows, bit planes of 2 to 4 bits, or 8-bit rows) and
// bare 320 x 200 four-plane 256-colour screen dumps with a ".pal" palette
// beside them. LoadPic, the reader of the extension, tells them apart by their
// first bytes (or, for the dump, its length).
//
// Each file is decoded from its bytes in memory; every count, length and row
// is checked against the bytes and the image before it is used.
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "formats/FileBytes.h"
#include "formats/FormatCodecs.h"
#include "formats/WholeFile.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Palette.h"

namespace {

constexpr wchar_t kTextSoftimageOpen[] = L"Can't open file for reading.";
constexpr wchar_t kTextNotPic[] = L" is a Softimage file, but not a PIC file";
constexpr wchar_t kTextMemory[] = L"Unable to allocate Memory for storing Imagedata!";
constexpr wchar_t kTextScanline[] = L"ReadScanline Error occured!";
constexpr wchar_t kTextPicOpen[] = L"Couldn't open PIC File!";
constexpr wchar_t kTextDepth[] = L"Unsupported Bitdepth!";
constexpr wchar_t kTextTooShort[] = L"PIC File is too short for its image size!";

constexpr uint32_t kSoftimageMagic = 0x5380F634u;
constexpr uint16_t kPcPaintMagic = 0x1234;
constexpr uint32_t kPlanarWidth = 320, kPlanarHeight = 200;
constexpr uint32_t kPlanarBytes = kPlanarWidth * kPlanarHeight;
constexpr uint32_t kPaletteFileBytes = 256 * 3;

struct Bytes {
    const uint8_t* data;
    uint64_t size;

    bool Has(uint64_t at, uint64_t count) const { return at <= size && count <= size - at; }
    uint16_t U16BE(uint64_t at) const { return (uint16_t)(data[at] << 8 | data[at + 1]); }
    uint32_t U32BE(uint64_t at) const { return (uint32_t)U16BE(at) << 16 | U16BE(at + 2); }
    uint16_t U16LE(uint64_t at) const { return (uint16_t)(data[at] | data[at + 1] << 8); }
};

bool ReadPicFile(const wchar_t* path, std::vector<uint8_t>& out, wchar_t* errorText, const wchar_t* openText) {
    switch (ReadWholeFile(path, out)) {
    case WholeFileResult::Ok: return true;
    case WholeFileResult::TooLarge: SetFormatError(errorText, kTextMemory); return false;
    default: SetFormatError(errorText, openText); return false;
    }
}

// Runs a decoder on the file's bytes; an allocation failure becomes its text.
template <typename Decode>
ReadStatus LoadWith(const wchar_t* path, wchar_t* errorText, const wchar_t* openText, Decode decode) {
    try {
        std::vector<uint8_t> bytes;
        if (!ReadPicFile(path, bytes, errorText, openText)) return false;
        return decode(Bytes{bytes.data(), bytes.size()});
    } catch (const std::bad_alloc&) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
}

// ---- Softimage ----

constexpr uint64_t kSoftimageIdOffset = 88;
constexpr uint64_t kSoftimagePacketsOffset = 104;
// More packets than this are not a picture (four channels need at most four).
constexpr int kMaxSoftimagePackets = 64;
enum : uint8_t { PACKET_RAW = 0, PACKET_PURE_RLE = 1, PACKET_MIXED_RLE = 2 };

struct Packet {
    uint8_t type;
    int channels;
    int byteOf[4];  // pixel byte of each channel, in the order red, green, blue, alpha
};

// The stream of packet data behind the header.
struct Cursor {
    const Bytes& in;
    uint64_t pos;

    bool Get(uint8_t& v) {
        if (pos >= in.size) return false;
        v = in.data[pos++];
        return true;
    }
    bool GetPixel(const Packet& p, uint8_t* values) {
        if (!in.Has(pos, (uint64_t)p.channels)) return false;
        std::memcpy(values, in.data + pos, (size_t)p.channels);
        pos += (uint64_t)p.channels;
        return true;
    }
};

void PutPixel(uint8_t* row, uint32_t x, const Packet& p, const uint8_t* values) {
    for (int c = 0; c < p.channels; ++c) row[(size_t)x * 4 + p.byteOf[c]] = values[c];
}

bool SoftimageReadRaw(Cursor& in, const Packet& p, uint8_t* row, uint32_t width) {
    uint8_t values[4];
    for (uint32_t x = 0; x < width; ++x) {
        if (!in.GetPixel(p, values)) return false;
        PutPixel(row, x, p, values);
    }
    return true;
}

bool SoftimageReadPureRle(Cursor& in, const Packet& p, uint8_t* row, uint32_t width) {
    uint8_t values[4];
    uint32_t x = 0;
    while (x < width) {
        uint8_t count;
        if (!in.Get(count) || !in.GetPixel(p, values)) return false;
        const uint32_t run = std::min<uint32_t>(count, width - x);
        for (uint32_t i = 0; i < run; ++i) PutPixel(row, x++, p, values);
    }
    return true;
}

bool SoftimageReadMixedRle(Cursor& in, const Packet& p, uint8_t* row, uint32_t width) {
    uint8_t values[4];
    uint32_t x = 0;
    while (x < width) {
        uint8_t c;
        if (!in.Get(c)) return false;
        if (c < 128) {
            const uint32_t count = (uint32_t)c + 1;
            if (count > width - x) return false;
            for (uint32_t i = 0; i < count; ++i) {
                if (!in.GetPixel(p, values)) return false;
                PutPixel(row, x++, p, values);
            }
            continue;
        }
        uint32_t count = (uint32_t)c - 127;
        if (c == 128) {
            uint8_t high, low;
            if (!in.Get(high) || !in.Get(low)) return false;
            count = (uint32_t)high << 8 | low;
        }
        if (count > width - x || !in.GetPixel(p, values)) return false;
        for (uint32_t i = 0; i < count; ++i) PutPixel(row, x++, p, values);
    }
    return true;
}

bool SoftimageReadScanline(Cursor& in, const std::vector<Packet>& packets, uint8_t* row, uint32_t width) {
    for (const Packet& p : packets) {
        bool ok = false;
        switch (p.type) {
        case PACKET_RAW: ok = SoftimageReadRaw(in, p, row, width); break;
        case PACKET_PURE_RLE: ok = SoftimageReadPureRle(in, p, row, width); break;
        default: ok = SoftimageReadMixedRle(in, p, row, width); break;
        }
        if (!ok) return false;
    }
    return true;
}

bool SoftimageReadImage(Cursor& in, const std::vector<Packet>& packets, CImage& image) {
    const uint32_t width = image.GetWidth(), height = image.GetHeight();
    for (uint32_t y = 0; y < height; ++y)
        if (!SoftimageReadScanline(in, packets, image.ScanLine(height - 1 - y), width)) return false;
    return true;
}

// The fewest bytes one row of a packet can take.
uint64_t MinimumRowBytes(const Packet& p, uint64_t width) {
    switch (p.type) {
    case PACKET_RAW: return width * p.channels;
    case PACKET_PURE_RLE: return (width + 254) / 255 * (1 + p.channels);
    default: return (width + 65534) / 65535 * (3 + p.channels);
    }
}

ReadStatus DecodeSoftimagePic(const Bytes& in, CImage& image, wchar_t* errorText) {
    if (!in.Has(0, 4) || in.U32BE(0) != kSoftimageMagic) { return NotThisFormat(errorText); }
    if (!in.Has(kSoftimageIdOffset, 4) || std::memcmp(in.data + kSoftimageIdOffset, "PICT", 4) != 0) {
        SetFormatError(errorText, kTextNotPic);
        return false;
    }
    if (!in.Has(kSoftimageIdOffset, kSoftimagePacketsOffset - kSoftimageIdOffset)) {
        SetFormatError(errorText, kTextScanline);
        return false;
    }
    const uint32_t width = in.U16BE(92), height = in.U16BE(94);

    // The packet list: packets that name no channel or have an unknown type
    // read nothing and are dropped.
    std::vector<Packet> packets;
    bool alpha = false;
    uint64_t pos = kSoftimagePacketsOffset;
    for (int n = 0;; ++n) {
        if (n == kMaxSoftimagePackets || !in.Has(pos, 4)) {
            SetFormatError(errorText, kTextScanline);
            return false;
        }
        const uint8_t chained = in.data[pos], type = in.data[pos + 2] & 0x0F, mask = in.data[pos + 3];
        pos += 4;
        Packet p{type, 0, {}};
        const uint8_t bits[4] = {0x80, 0x40, 0x20, 0x10};
        const int bytes[4] = {2, 1, 0, 3};
        for (int c = 0; c < 4; ++c)
            if (mask & bits[c]) p.byteOf[p.channels++] = bytes[c];
        if (p.channels && type <= PACKET_MIXED_RLE) {
            packets.push_back(p);
            alpha = alpha || (mask & 0x10);
        }
        if (!chained) break;
    }
    uint64_t minimumRow = 0;
    for (const Packet& p : packets) minimumRow += MinimumRowBytes(p, width);
    if (width && minimumRow * height > in.size - pos) {
        SetFormatError(errorText, kTextScanline);
        return false;
    }
    if (!image.CreateEmpty((int)width, (int)height, 32, RGB(0, 0, 0), nullptr) || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    const size_t imageBytes = (size_t)image.stride * height;
    std::memset(image.bits, 0, imageBytes);
    // Without an alpha packet the picture is opaque.
    if (!alpha)
        for (size_t i = 3; i < imageBytes; i += 4) image.bits[i] = 255;
    Cursor cursor{in, pos};
    if (!SoftimageReadImage(cursor, packets, image)) {
        image.Destroy();
        SetFormatError(errorText, kTextScanline);
        return false;
    }
    return true;
}

// ---- PC Paint ----

constexpr uint64_t kPcPaintHeaderBytes = 17;
constexpr uint64_t kPcPaintBlockHeaderBytes = 5;
// A run of up to 65535 bytes takes 5 bytes of the file.
constexpr uint64_t kPcPaintExpansion = 13107;
constexpr uint8_t kVideoModeM = 0x4D;

// Colour of an EGA palette byte: bits 0 and 3 blue, 1 and 4 green, 2 and 5
// red; the first of each pair adds 128, the second 64.
void EgaColour(uint8_t v, uint8_t* rgb) {
    rgb[0] = (uint8_t)((v & 0x04 ? 128 : 0) + (v & 0x20 ? 64 : 0));
    rgb[1] = (uint8_t)((v & 0x02 ? 128 : 0) + (v & 0x10 ? 64 : 0));
    rgb[2] = (uint8_t)((v & 0x01 ? 128 : 0) + (v & 0x08 ? 64 : 0));
}

// Rows as the blocks deliver them, carried across block ends; each full row
// goes to the sink with its number in decoding order.
class RowAssembler {
public:
    template <typename Sink>
    RowAssembler(size_t rowBytes, uint64_t rows, Sink sink) : row_(rowBytes), rows_(rows), sink_(sink) {}

    bool Done() const { return done_ >= rows_; }
    void Put(uint8_t v) {
        if (Done()) return;
        row_[fill_++] = v;
        if (fill_ == row_.size()) {
            sink_(done_++, row_.data());
            fill_ = 0;
        }
    }

private:
    std::vector<uint8_t> row_;
    size_t fill_ = 0;
    uint64_t rows_;
    uint64_t done_ = 0;
    std::function<void(uint64_t, const uint8_t*)> sink_;
};

ReadStatus DecodePcPaintPic(const Bytes& in, CImage& image, wchar_t* errorText) {
    if (!in.Has(0, 2) || in.U16LE(0) != kPcPaintMagic) { return NotThisFormat(errorText); }
    if (!in.Has(0, kPcPaintHeaderBytes)) {
        SetFormatError(errorText, kTextTooShort);
        return false;
    }
    const uint32_t width = in.U16LE(2), height = in.U16LE(4);
    const uint8_t planeInfo = in.data[10], videoMode = in.data[12];
    const uint32_t planes = (planeInfo >> 4) + 1u, planeBits = planeInfo & 0x0Fu;
    const uint32_t bits = planes * planeBits;
    const uint64_t paletteLength = in.U16LE(15);
    // 1 bit, 2 to 4 one-bit planes, or one plane of 8 bits.
    const bool planar = planeBits == 1 && planes >= 2 && planes <= 4;
    if (!(bits == 1 || planar || (planes == 1 && planeBits == 8))) {
        SetFormatError(errorText, kTextDepth);
        return false;
    }
    if (!in.Has(kPcPaintHeaderBytes, paletteLength + 2)) {
        SetFormatError(errorText, kTextTooShort);
        return false;
    }
    const uint8_t* paletteData = in.data + kPcPaintHeaderBytes;
    const uint32_t entries = 1u << bits;
    uint8_t palette[256 * 3] = {};
    if (bits == 1) {
        std::memcpy(palette, kPaletteBlackWhite, 6);
    } else if (bits <= 4 && videoMode != kVideoModeM) {
        for (uint32_t i = 0; i < std::min<uint64_t>(paletteLength, entries); ++i)
            EgaColour(paletteData[i], palette + i * 3);
    } else {
        for (uint32_t i = 0; i < std::min<uint64_t>(paletteLength / 3, entries) * 3; ++i)
            palette[i] = (uint8_t)(paletteData[i] << 2);
    }

    const size_t rowBytes = bits == 8 ? width : (width + 7) / 8;
    const uint64_t rows = (uint64_t)height * (planar ? planes : 1);
    uint64_t pos = kPcPaintHeaderBytes + paletteLength;
    const uint32_t blocks = in.U16LE(pos);
    pos += 2;
    if (!width || !height || !PlausibleDataSize(rowBytes * rows, in.size - pos, kPcPaintExpansion)) {
        SetFormatError(errorText, !width || !height ? kTextMemory : kTextTooShort);
        return false;
    }
    if (!image.CreateEmpty((int)width, (int)height, planar ? 4 : (int)bits, RGB(0, 0, 0), palette) ||
        !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    const size_t stride = image.stride;
    std::memset(image.bits, 0, stride * height);

    // Rows fill the picture from the bottom up; bit planes come as one group
    // of height rows per plane, group g giving bit g of the 4-bit indices.
    RowAssembler assembler(rowBytes, rows, [&](uint64_t r, const uint8_t* row) {
        if (!planar) {
            std::memcpy(image.ScanLine((uint32_t)r), row, std::min(rowBytes, stride));
            return;
        }
        const uint32_t plane = (uint32_t)(r / height);
        uint8_t* out = image.ScanLine((uint32_t)(r % height));
        for (uint32_t x = 0; x < width; ++x) {
            if (!((row[x / 8] >> (7 - x % 8)) & 1)) continue;
            out[x / 2] |= (uint8_t)((x & 1) ? 1u << plane : 1u << (plane + 4));
        }
    });

    for (uint32_t b = 0; b < blocks && !assembler.Done(); ++b) {
        if (!in.Has(pos, kPcPaintBlockHeaderBytes)) break;
        const uint64_t packed = in.U16LE(pos), unpacked = in.U16LE(pos + 2);
        const uint8_t marker = in.data[pos + 4];
        const uint64_t next = pos + std::max(packed, kPcPaintBlockHeaderBytes);
        const uint64_t end = std::min(next, in.size);
        uint64_t p = pos + kPcPaintBlockHeaderBytes;
        uint64_t produced = 0;
        while (produced < unpacked && p < end && !assembler.Done()) {
            const uint8_t v = in.data[p++];
            if (v != marker) {
                assembler.Put(v);
                ++produced;
                continue;
            }
            if (p >= end) break;
            uint64_t count = in.data[p++];
            if (count == 0) {
                if (!in.Has(p, 2) || p + 2 > end) break;
                count = in.U16LE(p);
                p += 2;
            }
            if (p >= end) break;
            const uint8_t value = in.data[p++];
            count = std::min(count, unpacked - produced);
            for (uint64_t i = 0; i < count; ++i) assembler.Put(value);
            produced += count;
        }
        pos = next;
    }
    return true;
}

// ---- Planar 320 x 200 screen dump ----

// 256 triples of 6-bit red, green and blue from a palette file; false when
// the file cannot be read or is too short.
bool ReadPaletteFile(const std::wstring& path, uint8_t* rgb) {
    std::vector<uint8_t> bytes;
    if (ReadWholeFile(path.c_str(), bytes) != WholeFileResult::Ok || bytes.size() < kPaletteFileBytes) return false;
    for (uint32_t i = 0; i < kPaletteFileBytes; ++i) rgb[i] = (uint8_t)(bytes[i] << 2);
    return true;
}

// The dump's palette: "<name>.pal" beside it, else the first "*.pal" of the
// current folder, else a grey ramp.
void FindPlanarPalette(const wchar_t* path, uint8_t* rgb) {
    std::wstring beside = path ? path : L"";
    const size_t slash = beside.find_last_of(L"\\/");
    const size_t dot = beside.rfind(L'.');
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) beside.erase(dot);
    if (!beside.empty() && ReadPaletteFile(beside + L".pal", rgb)) return;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(L"*.pal", &found);
    if (find != INVALID_HANDLE_VALUE) {
        bool read = false;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                read = ReadPaletteFile(found.cFileName, rgb);
                break;
            }
        } while (FindNextFileW(find, &found));
        FindClose(find);
        if (read) return;
    }
    FillGreyPalette(rgb, 256);
}

ReadStatus DecodePlanarPic(const Bytes& in, const uint8_t* palette, CImage& image, wchar_t* errorText) {
    if (in.Has(0, 3) && std::memcmp(in.data, "PIC", 3) == 0) { return NotThisFormat(errorText); }
    if (!image.CreateEmpty((int)kPlanarWidth, (int)kPlanarHeight, 8, RGB(0, 0, 0), palette) || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    std::memset(image.bits, 0, (size_t)image.stride * kPlanarHeight);
    const uint32_t planeBytes = kPlanarBytes / 4, rowBytes = kPlanarWidth / 4;
    const uint64_t available = std::min<uint64_t>(in.size, kPlanarBytes);
    for (uint32_t plane = 0; plane < 4; ++plane)
        for (uint32_t y = 0; y < kPlanarHeight; ++y) {
            uint8_t* out = image.ScanLine(kPlanarHeight - 1 - y);
            for (uint32_t i = 0; i < rowBytes; ++i) {
                const uint64_t at = (uint64_t)plane * planeBytes + (uint64_t)y * rowBytes + i;
                if (at < available) out[i * 4 + plane] = in.data[at];
            }
        }
    return true;
}

}  // namespace

ReadStatus LoadSoftimagePic(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    return LoadWith(path, errorText, kTextSoftimageOpen,
                    [&](const Bytes& in) { return DecodeSoftimagePic(in, image, errorText); });
}

ReadStatus LoadPcPaintPic(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    return LoadWith(path, errorText, kTextPicOpen,
                    [&](const Bytes& in) { return DecodePcPaintPic(in, image, errorText); });
}

ReadStatus LoadPlanarPic(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    return LoadWith(path, errorText, kTextPicOpen, [&](const Bytes& in) {
        if (in.Has(0, 3) && std::memcmp(in.data, "PIC", 3) == 0) { return NotThisFormat(errorText); }
        uint8_t palette[256 * 3];
        FindPlanarPalette(path, palette);
        return DecodePlanarPic(in, palette, image, errorText);
    });
}

ReadStatus LoadPic(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    return LoadWith(path, errorText, kTextSoftimageOpen, [&](const Bytes& in) {
        if (in.Has(0, 4) && in.U32BE(0) == kSoftimageMagic) return DecodeSoftimagePic(in, image, errorText);
        if (in.Has(0, 2) && in.U16LE(0) == kPcPaintMagic) return DecodePcPaintPic(in, image, errorText);
        if (in.Has(0, 3) && std::memcmp(in.data, "PIC", 3) == 0) { return NotThisFormat(errorText); }
        if (in.size == kPlanarBytes) {
            uint8_t palette[256 * 3];
            FindPlanarPalette(path, palette);
            return DecodePlanarPic(in, palette, image, errorText);
        }
        return DecodeSoftimagePic(in, image, errorText);
    });
}
