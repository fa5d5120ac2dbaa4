// Windows clipboard files (CLP): a header with the file identifier and the
// number of formats, a table of 89-byte entries (format, data length, data
// offset, name), and the entries' data. The first device-independent bitmap
// (format 8) is shown.
//
// Also the readers of extensions whose files are identified by their content
// only (CAM, LVP, PSP): they accept nothing, so that the loader goes on to the
// signature tests.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr wchar_t kTextCount[] = L"Invalid number of Subformats detected!";
constexpr wchar_t kTextNoBitmap[] = L"This Clipboardfile does not contain a supported Bitmapformat.";
constexpr wchar_t kTextAlloc[] = L"Failed to alloc mem for Bitmapdata!";
constexpr wchar_t kTextCreate[] = L"Failed to create Image object!";

constexpr uint16_t kFileId = 0xC350;
constexpr uint32_t kMaxFormats = 1000;
constexpr uint32_t kHeaderBytes = 4, kEntryBytes = 89;
constexpr uint16_t kFormatDib = 8;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;
// Largest bitmap entry read: the largest image and a full colour table.
constexpr uint64_t kMaxEntryBytes = CImage::kMaxImageBytes + (1u << 16);

uint16_t Get16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// One colour channel of a bit-field pixel, scaled to 0..255.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m) : mask(m) {
        if (!m) return;
        while (!((m >> shift) & 1)) ++shift;
        max = m >> shift;
    }
    uint8_t Get(uint32_t pixel) const {
        if (!max) return 0;
        return (uint8_t)(((uint64_t)((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

// Unpacks 16- or 32-bit bit-field rows (stored order) into a 24-bit image.
bool CreateFromBitfields(CImage& image, uint32_t width, uint32_t height, int bitCount, const uint8_t* rows,
                         const uint32_t masks[3]) {
    if (!image.CreateEmpty((int)width, (int)height, 24, RGB(0, 0, 0), nullptr) || !image.ScanLine(0)) return false;
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);
    const uint32_t sourceStride = CImage::RowBytes(width, bitCount);
    const uint32_t pixelBytes = (uint32_t)bitCount / 8;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* in = rows + (size_t)y * sourceStride;
        uint8_t* out = image.bits + (size_t)y * image.stride;
        for (uint32_t x = 0; x < width; ++x, in += pixelBytes, out += 3) {
            const uint32_t pixel = pixelBytes == 2 ? Get16(in) : Get32(in);
            out[0] = blue.Get(pixel);
            out[1] = green.Get(pixel);
            out[2] = red.Get(pixel);
        }
    }
    return true;
}

}  // namespace

// Makes image from a packed device-independent bitmap of size bytes: a
// BITMAPINFOHEADER (or a later, longer header), the bit-field masks that follow
// a 40-byte header, the colour table (biClrUsed entries, else 2^bits for 8 bits
// or fewer), then the rows. Everything must lie inside the block.
bool ClpImageFromDib(CImage& image, const uint8_t* dib, uint64_t size, wchar_t* errorText) {
    auto refuse = [&] {
        SetFormatError(errorText, kTextCreate);
        return false;
    };
    if (!dib || size < kInfoHeaderBytes) return refuse();
    const uint32_t headerBytes = Get32(dib);
    const int32_t width = (int32_t)Get32(dib + 4);
    const int32_t signedHeight = (int32_t)Get32(dib + 8);
    const int bitCount = Get16(dib + 14);
    const uint32_t compression = Get32(dib + 16);
    if (headerBytes < kInfoHeaderBytes || headerBytes > size || width <= 0 || signedHeight == 0 ||
        signedHeight == INT32_MIN)
        return refuse();
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return refuse();
    const bool bitfields = compression == kBiBitfields;
    if (compression != kBiRgb && !(bitfields && (bitCount == 16 || bitCount == 32))) return refuse();
    const uint32_t height = (uint32_t)(signedHeight < 0 ? -signedHeight : signedHeight);

    // The masks: inside headers of 52 bytes and more, else right behind the header.
    uint64_t offset = headerBytes;
    uint32_t masks[3] = {0x7C00, 0x3E0, 0x1F};
    if (bitCount == 32) {
        masks[0] = 0xFF0000;
        masks[1] = 0xFF00;
        masks[2] = 0xFF;
    }
    if (bitfields) {
        const uint64_t at = headerBytes >= 52 ? kInfoHeaderBytes : headerBytes;
        if (at + 12 > size) return refuse();
        for (int i = 0; i < 3; ++i) masks[i] = Get32(dib + at + 4 * i);
        if (headerBytes < 52) offset += 12;
    }
    BITMAPINFOHEADER info;
    std::memcpy(&info, dib, sizeof info);
    const uint64_t tableBytes = GetColorTableSize(&info);
    const uint64_t paletteOffset = offset;
    offset += tableBytes;
    const uint32_t stride = CImage::RowBytes((uint64_t)width, bitCount);
    const uint64_t rowBytes = (uint64_t)stride * height;
    if (!stride || rowBytes > CImage::kMaxImageBytes || offset > size || rowBytes > size - offset) return refuse();
    const uint8_t* rows = dib + offset;

    bool made;
    if (bitCount <= 8) {
        uint8_t rgb[256 * 3] = {};
        const uint64_t entries = std::min<uint64_t>({tableBytes / 4, 256, 1u << bitCount});
        for (uint64_t i = 0; i < entries; ++i) {
            const uint8_t* quad = dib + paletteOffset + i * 4;
            rgb[i * 3] = quad[2];
            rgb[i * 3 + 1] = quad[1];
            rgb[i * 3 + 2] = quad[0];
        }
        made = image.Create(width, (int)height, bitCount, rows, rgb);
    } else {
        const bool standard = bitCount == 16   ? masks[0] == 0x7C00 && masks[1] == 0x3E0 && masks[2] == 0x1F
                              : bitCount == 32 ? masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF
                                               : true;
        made = standard ? image.Create(width, (int)height, bitCount, rows, nullptr)
                        : CreateFromBitfields(image, (uint32_t)width, height, bitCount, rows, masks);
    }
    if (!made) return refuse();
    // Top-down rows (a negative height) are stored the other way round.
    if (signedHeight < 0 && !image.FlipVertical()) return refuse();
    return true;
}

namespace {

ReadStatus DecodeClp(CImage& image, CBinFile& file, wchar_t* errorText) {
    const uint64_t fileLength = file.GetLength();
    uint8_t header[kHeaderBytes] = {};
    if (file.Read(header, kHeaderBytes) < kHeaderBytes || Get16(header) != kFileId) { return NotThisFormat(errorText); }
    const uint32_t count = Get16(header + 2);
    if (count < 1 || count > kMaxFormats) {
        SetFormatError(errorText, kTextCount);
        return false;
    }
    // Only entries wholly inside the file are looked at.
    const uint64_t tableBytes = std::min<uint64_t>((uint64_t)count * kEntryBytes, fileLength - kHeaderBytes);
    std::vector<uint8_t> table((size_t)tableBytes);
    const uint32_t got = file.Read(table.data(), (uint32_t)table.size());
    const uint8_t* entry = nullptr;
    for (uint32_t i = 0; (uint64_t)(i + 1) * kEntryBytes <= got; ++i) {
        if (Get16(&table[(size_t)i * kEntryBytes]) == kFormatDib) {
            entry = &table[(size_t)i * kEntryBytes];
            break;
        }
    }
    if (!entry) {
        SetFormatError(errorText, kTextNoBitmap);
        return false;
    }
    const uint64_t length = Get32(entry + 2), offset = Get32(entry + 6);
    if (offset > fileLength || length > fileLength - offset || length < kInfoHeaderBytes) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }
    std::vector<uint8_t> dib;
    try {
        if (length > kMaxEntryBytes) throw std::bad_alloc();
        dib.resize((size_t)length);
    } catch (const std::bad_alloc&) {
        SetFormatError(errorText, kTextAlloc);
        return false;
    }
    if (file.Seek((int64_t)offset, FILE_BEGIN) != offset || file.Read(dib.data(), (uint32_t)length) != length) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }
    file.Close();
    return ClpImageFromDib(image, dib.data(), length, errorText);
}

}  // namespace

ReadStatus LoadClp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    if (!path || !CanOpenForRead(path, errorText)) return false;
    CBinFile file;
    if (!file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
        SetFormatError(errorText, L"Failed to open file for read!");
        return false;
    }
    return DecodeClp(image, file, errorText);
}

namespace {

// The extension is known; the content decides the reader.
ReadStatus RefuseByExtension(const wchar_t* path, wchar_t* errorText) {
    if (path && CanOpenForRead(path, errorText)) return NotThisFormat(errorText);
    SetFormatError(errorText, L"Failed to open file for read!");
    return false;
}
}  // namespace

ReadStatus LoadCam(CImage&, const wchar_t* path, wchar_t* errorText, LoadCall&) {
    return RefuseByExtension(path, errorText);
}
ReadStatus LoadLvp(CImage&, const wchar_t* path, wchar_t* errorText, LoadCall&) {
    return RefuseByExtension(path, errorText);
}
ReadStatus LoadPsp(CImage&, const wchar_t* path, wchar_t* errorText, LoadCall&) {
    return RefuseByExtension(path, errorText);
}
