// Windows and OS/2 bitmaps: LoadBmp reads core (OS/2 1.x), OS/2 2.x, info,
// V4 and V5 headers, uncompressed rows of 1 to 32 bits, RLE8, RLE4 and bit
// fields; SaveBmp writes an uncompressed file with a 40-byte info header.
//
// Every size taken from a file is computed in 64 bits and checked against the
// file's length and the image limit before anything is allocated.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "formats/ByteReader.h"
#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr wchar_t kTextOpen[] = L"Unable to open file!";
constexpr wchar_t kTextCompression[] = L"This CompressionType is not supported";
constexpr wchar_t kTextMemory[] = L"Unable to allocate Memory for storing Imagedata!";
constexpr wchar_t kTextHeader[] = L"Corrupt BMP Header!";
constexpr wchar_t kTextDepth[] = L"Unsupported bit depth in BMP File!";
constexpr wchar_t kTextTooLarge[] = L"BMP File is too short for its image size!";

constexpr uint32_t BMP_RGB = 0, BMP_RLE8 = 1, BMP_RLE4 = 2, BMP_BITFIELDS = 3;
constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kMaxHeaderBytes = 124;  // V5

// A short file may miss this much of its pixel data (the missing rows stay 0);
// beyond that the header's size is not believed. RLE data may expand up to
// kRleExpansion times (runs of 255 pixels from 2 bytes, deltas that skip).
constexpr uint64_t kMissingDataSlack = 64ull << 20;
constexpr uint64_t kRleExpansion = 512;

// 5-bit channel values to 8 bits: round(i x 255 / 31).
constexpr uint8_t kFiveBitTable[32] = {0,   8,   16,  25,  33,  41,  49,  58,  66,  74,  82,  90,  99,  107, 115, 123,
                                       132, 140, 148, 156, 165, 173, 181, 189, 197, 206, 214, 222, 230, 239, 247, 255};

void Put16(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    uint8_t scale[256] = {};

    void Set(uint32_t m) {
        mask = m;
        if (!m) return;
        shift = __builtin_ctz(m);
        bits = 32 - __builtin_clz(m >> shift);  // span of the mask, gaps included
        if (bits > 8) return;
        const uint32_t max = (1u << bits) - 1;
        for (uint32_t v = 0; v <= max; ++v)
            scale[v] = bits == 5 ? kFiveBitTable[v] : (uint8_t)((v * 255 + max / 2) / max);
    }
    uint8_t Get(uint32_t pixel) const {
        if (!bits) return 0;
        const uint32_t v = (pixel & mask) >> shift;
        return bits <= 8 ? scale[v] : (uint8_t)(v >> (bits - 8));
    }
};

struct BmpInfo {
    uint32_t headerSize = 0;
    int64_t width = 0;
    int64_t height = 0;  // absolute
    bool topDown = false;
    uint32_t bpp = 0;
    uint32_t compression = BMP_RGB;
    uint32_t colorsUsed = 0;
    uint32_t masks[4] = {};  // red, green, blue, alpha (bit fields only)
    uint64_t paletteStart = 0;
    uint64_t pixelOffset = 0;
};

// Decodes RLE8 or RLE4 data into the image; pixels outside the image are
// dropped and decoding ends with the data, the end-of-picture escape or the
// last row.
void DecodeRle(ByteReader& source, CImage& image, const BmpInfo& info) {
    const bool rle4 = info.compression == BMP_RLE4;
    const uint64_t width = (uint64_t)info.width, height = (uint64_t)info.height;
    uint64_t x = 0, row = 0;
    auto rowBits = [&](uint64_t r) {
        const uint64_t stored = info.topDown ? height - 1 - r : r;
        return image.bits + (size_t)stored * image.stride;
    };
    auto put = [&](uint64_t px, uint8_t value) {
        if (px >= width) return;
        uint8_t* line = rowBits(row);
        if (!rle4) {
            line[px] = value;
        } else if (px & 1) {
            line[px >> 1] = (uint8_t)((line[px >> 1] & 0xF0) | (value & 0x0F));
        } else {
            line[px >> 1] = (uint8_t)((line[px >> 1] & 0x0F) | (value << 4));
        }
    };

    while (row < height) {
        const uint8_t count = source.U8(), code = source.U8();
        if (!source.Ok()) break;
        if (count) {
            // Encoded run; RLE4 alternates the high and the low nibble.
            const uint64_t end = std::min<uint64_t>(x + count, width);
            for (uint64_t i = 0; x + i < end; ++i)
                put(x + i, rle4 ? (uint8_t)((i & 1) ? code & 0x0F : code >> 4) : code);
            x = std::min<uint64_t>(x + count, width);
            continue;
        }
        if (code == 0) {  // end of line
            ++row;
            x = 0;
        } else if (code == 1) {  // end of picture
            break;
        } else if (code == 2) {  // delta: right by dx pixels, up by dy rows
            const uint8_t dx = source.U8(), dy = source.U8();
            if (!source.Ok()) break;
            x = std::min<uint64_t>(x + dx, width);
            row += dy;
        } else {  // absolute run of code pixels, padded to a 16-bit boundary
            const uint32_t bytes = rle4 ? (code + 1u) / 2 : code;
            for (uint32_t i = 0; i < bytes; ++i) {
                const uint8_t value = source.U8();
                if (!source.Ok()) break;
                if (rle4) {
                    put(x + 2 * i, value >> 4);
                    if (2 * i + 1 < code) put(x + 2 * i + 1, value & 0x0F);
                } else {
                    put(x + i, value);
                }
            }
            if (!source.Ok()) break;
            x = std::min<uint64_t>(x + code, width);
            if (bytes & 1) source.Skip(1);
        }
    }
}

// Uncompressed rows and bit fields. Rows whose data the file does not hold
// stay as created (0).
void DecodeRows(ByteReader& in, CImage& image, const BmpInfo& info) {
    const uint64_t fileRow = (((uint64_t)info.width * info.bpp + 31) / 32) * 4;
    const uint32_t height = (uint32_t)info.height;
    const uint32_t width = (uint32_t)info.width;

    Channel red, green, blue, alpha;
    bool convert = false;
    if (info.compression == BMP_BITFIELDS) {
        red.Set(info.masks[0]);
        green.Set(info.masks[1]);
        blue.Set(info.masks[2]);
        alpha.Set(info.masks[3]);
        // 32-bit files with the standard masks are stored like the image already.
        convert = info.bpp == 16 || !(info.masks[0] == 0xFF0000 && info.masks[1] == 0xFF00 && info.masks[2] == 0xFF &&
                                      (info.masks[3] == 0 || info.masks[3] == 0xFF000000u));
    }

    if (!convert) {
        // The file's rows have the image's layout (fileRow == stride).
        if (!info.topDown) {
            in.ReadSome(image.bits, (size_t)(fileRow * height));
            return;
        }
        for (uint32_t r = 0; r < height; ++r)
            if (in.ReadSome(image.bits + (size_t)(height - 1 - r) * image.stride, (size_t)fileRow) < fileRow) break;
        return;
    }

    std::vector<uint8_t> line((size_t)fileRow);
    for (uint32_t r = 0; r < height && in.Remaining(); ++r) {
        std::fill(line.begin(), line.end(), 0);
        const size_t got = in.ReadSome(line.data(), line.size());
        ByteReader pixels(line.data(), line.size());
        uint8_t* out = image.bits + (size_t)(info.topDown ? height - 1 - r : r) * image.stride;
        if (info.bpp == 16) {
            for (uint32_t x = 0; x < width; ++x, out += 3) {
                const uint32_t v = pixels.U16LE();
                out[0] = blue.Get(v);
                out[1] = green.Get(v);
                out[2] = red.Get(v);
            }
        } else {
            for (uint32_t x = 0; x < width; ++x, out += 4) {
                const uint32_t v = pixels.U32LE();
                out[0] = blue.Get(v);
                out[1] = green.Get(v);
                out[2] = red.Get(v);
                out[3] = alpha.Get(v);
            }
        }
        if (got < line.size()) break;
    }
}

// The answer of ReadHeaders for a file that is not a bitmap at all.
const wchar_t kTextNotBmp[] = FORMAT_TEXT_INVALID_ID;

// Reads and checks the headers; on failure returns the error text.
const wchar_t* ReadHeaders(CBinFile& file, uint64_t fileLength, BmpInfo& info) {
    uint8_t head[kFileHeaderBytes + kMaxHeaderBytes + 12] = {};
    const uint32_t got = file.Read(head, (uint32_t)std::min<uint64_t>(fileLength, sizeof head));
    if (got < 2 || head[0] != 'B' || head[1] != 'M') return kTextNotBmp;
    if (got < kFileHeaderBytes + 4) return kTextHeader;

    ByteReader fileHeader(head, got);
    fileHeader.Seek(10);
    info.pixelOffset = fileHeader.U32LE();
    info.headerSize = fileHeader.U32LE();
    const uint32_t size = info.headerSize;
    if (size < 12 || (size > 12 && size < 16) || kFileHeaderBytes + (uint64_t)size > fileLength) return kTextHeader;
    const uint32_t present = std::min<uint32_t>(got, kFileHeaderBytes + std::min(size, kMaxHeaderBytes));
    // A field of the info header, 0 when the header is too short to hold it.
    auto field32 = [&](uint32_t offset) {
        ByteReader fields(head, present);
        fields.Skip(offset);
        return fields.U32LE();
    };
    auto field16 = [&](uint32_t offset) {
        ByteReader fields(head, present);
        fields.Skip(offset);
        return (uint32_t)fields.U16LE();
    };

    const bool core = size == 12;
    // OS/2 2.x headers (16 to 64 bytes, other than the Windows sizes) number
    // their compressions differently from 3 on.
    const bool os2v2 = size >= 16 && size <= 64 && size != 40 && size != 52 && size != 56;
    int64_t height;
    if (core) {
        info.width = field16(18);
        height = field16(20);
        info.bpp = field16(24);
    } else {
        info.width = (int32_t)field32(18);
        height = (int32_t)field32(22);
        info.bpp = field16(28);
        info.compression = field32(30);
        info.colorsUsed = field32(46);
    }
    if (info.width <= 0 || height == 0 || height == INT32_MIN) return kTextHeader;
    info.topDown = height < 0;
    info.height = height < 0 ? -height : height;

    const uint32_t bpp = info.bpp;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return kTextDepth;
    const uint32_t c = info.compression;
    if (c > BMP_BITFIELDS || (c == BMP_RLE8 && bpp != 8) || (c == BMP_RLE4 && bpp != 4) ||
        (c == BMP_BITFIELDS && ((bpp != 16 && bpp != 32) || os2v2)))
        return kTextCompression;

    info.paletteStart = kFileHeaderBytes + (uint64_t)size;
    if (c == BMP_BITFIELDS) {
        if (size >= 52) {
            // V2 and later headers hold the masks themselves.
            for (int i = 0; i < 3; ++i) info.masks[i] = field32(54 + 4 * i);
            if (size >= 56) info.masks[3] = field32(66);
        } else {
            // After a 40-byte header the three masks follow it.
            if (got < 66) return kTextHeader;
            fileHeader.Seek(54);
            for (int i = 0; i < 3; ++i) info.masks[i] = fileHeader.U32LE();
            info.paletteStart += 12;
        }
        if (!info.masks[0] && !info.masks[1] && !info.masks[2]) {
            info.masks[0] = bpp == 16 ? 0x7C00 : 0xFF0000;
            info.masks[1] = bpp == 16 ? 0x03E0 : 0xFF00;
            info.masks[2] = bpp == 16 ? 0x001F : 0xFF;
        }
    }
    return nullptr;
}

// Reads the colour table (8 bits or fewer) as 256 red, green, blue triples and
// returns where it ends.
uint64_t ReadPalette(ByteReader& in, const BmpInfo& info, uint8_t* rgb) {
    const bool core = info.headerSize == 12;
    const uint32_t entrySize = core ? 3 : 4;
    uint32_t count = 1u << info.bpp;
    if (!core && info.colorsUsed > 0 && info.colorsUsed < count) count = info.colorsUsed;
    // Writers that store a shorter table say so by the pixel offset.
    if (info.pixelOffset > info.paletteStart)
        count = (uint32_t)std::min<uint64_t>(count, (info.pixelOffset - info.paletteStart) / entrySize);
    uint8_t table[256 * 4] = {};
    if (info.paletteStart < in.Size() && in.Seek(info.paletteStart)) in.ReadSome(table, count * entrySize);
    for (uint32_t i = 0; i < count; ++i) {
        rgb[i * 3] = table[i * entrySize + 2];
        rgb[i * 3 + 1] = table[i * entrySize + 1];
        rgb[i * 3 + 2] = table[i * entrySize];
    }
    return info.paletteStart + (uint64_t)count * entrySize;
}

ReadStatus ReadBmp(CImage& image, const wchar_t* path, wchar_t* errorText) {
    CBinFile file;
    if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
        SetFormatError(errorText, kTextOpen);
        return false;
    }
    const uint64_t fileLength = file.GetLength();
    BmpInfo info;
    if (const wchar_t* failure = ReadHeaders(file, fileLength, info)) {
        if (failure == kTextNotBmp) return NotThisFormat(errorText);
        SetFormatError(errorText, failure);
        return false;
    }
    CBinFileReader in(file);

    uint8_t rgb[256 * 3] = {};
    uint64_t dataStart = info.paletteStart;
    if (info.bpp <= 8) dataStart = ReadPalette(in, info, rgb);
    // A pixel offset inside the headers cannot be right; the rows follow them.
    if (info.pixelOffset < dataStart) info.pixelOffset = dataStart;

    const int outBpp = (info.compression == BMP_BITFIELDS && info.bpp == 16) ? 24 : (int)info.bpp;
    const uint64_t stride = CImage::RowBytes((uint64_t)info.width, outBpp);
    const uint64_t imageBytes = stride * (uint64_t)info.height;
    if (!stride || imageBytes > CImage::kMaxImageBytes) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    const uint64_t available = fileLength > info.pixelOffset ? fileLength - info.pixelOffset : 0;
    const bool rle = info.compression == BMP_RLE8 || info.compression == BMP_RLE4;
    const uint64_t fileBytes = (((uint64_t)info.width * info.bpp + 31) / 32) * 4 * (uint64_t)info.height;
    if (rle ? imageBytes > available * kRleExpansion + kMissingDataSlack : fileBytes > available + kMissingDataSlack) {
        SetFormatError(errorText, kTextTooLarge);
        return false;
    }

    if (!image.CreateEmpty((int)info.width, (int)info.height, outBpp, RGB(0, 0, 0), info.bpp <= 8 ? rgb : nullptr)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    // Palette images start as index 0 everywhere (the fill picks the entry
    // nearest to black, which need not be 0).
    if (!image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    if (info.bpp <= 8) std::memset(image.bits, 0, (size_t)imageBytes);

    if (available && in.Seek(info.pixelOffset)) {
        if (rle) {
            DecodeRle(in, image, info);
        } else {
            DecodeRows(in, image, info);
        }
    }
    return true;
}

}  // namespace

ReadStatus LoadBmp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    try {
        return ReadBmp(image, path, errorText);
    } catch (...) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
}

bool SaveBmp(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions&) {
    if (!image.IsValid() || !image.ScanLine(0)) {
        SetFormatError(errorText, L"No image to save!");
        return false;
    }
    const uint32_t bpp = image.GetBpp();
    const uint32_t entries = bpp <= 8 ? 1u << bpp : 0;
    const uint32_t offset = 54 + 4 * entries;
    const uint64_t dataBytes = (uint64_t)image.stride * image.GetHeight();
    if (offset + dataBytes > 0xFFFFFFFFull) {
        SetFormatError(errorText, L"Image too large for a BMP File!");
        return false;
    }

    uint8_t header[54 + 256 * 4] = {};
    header[0] = 'B';
    header[1] = 'M';
    Put32(header + 2, (uint32_t)(offset + dataBytes));
    Put32(header + 10, offset);
    Put32(header + 14, 40);
    Put32(header + 18, image.GetWidth());
    Put32(header + 22, image.GetHeight());
    Put16(header + 26, 1);
    Put16(header + 28, bpp);
    for (uint32_t i = 0; i < entries; ++i) {
        header[54 + i * 4] = image.palette[i][0];
        header[54 + i * 4 + 1] = image.palette[i][1];
        header[54 + i * 4 + 2] = image.palette[i][2];
    }

    CBinFile file;
    if (!path || !file.Open(path, BINFILE_WRITE | BINFILE_SHARE_NONE | BINFILE_CREATE)) {
        SetFormatError(errorText, L"Couldn't open BMP File for writing!");
        return false;
    }
    bool ok = file.Write(header, offset);
    // Rows as stored, bottom row first, in blocks the 32-bit write count holds.
    const uint8_t* rows = image.bits;
    for (uint64_t done = 0; ok && done < dataBytes;) {
        const uint32_t block = (uint32_t)std::min<uint64_t>(dataBytes - done, 16u << 20);
        ok = file.Write(rows + done, block);
        done += block;
    }
    ok = file.Close() && ok;
    if (!ok) {
        // A half-written file must not pass for a picture.
        DeleteFileW(path);
        SetFormatError(errorText, L"Error while writing BMP File!");
        return false;
    }
    return true;
}
