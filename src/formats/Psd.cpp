// Photoshop documents (PSD): LoadPsd reads the merged picture that follows the
// header sections; layers, masks and image resources are skipped. Numbers are
// big-endian. Channels are planes stored one after the other, each row after
// row from the top, verbatim or packed (PackBits, each row on its own).
//
// The depth of the picture follows bits = channels x sample depth (a 16-bit
// sample counts as 8, its most significant byte is kept): 1 bit for bitmap
// files (the first channel: extra alpha or spot channels are skipped), 8 bits for one channel (two give the first), 24
// bits for three channels and 32 bits for four or more; CMYK is turned into red, green, blue. Section lengths and the
// image size are checked against the file before anything is allocated.
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

constexpr wchar_t kTextVersion[] = L"Only Version 1.0 supported!";
constexpr wchar_t kTextChannels[] = L"Not supported or Invalid Channel Count!";
constexpr wchar_t kTextMode[] = L"ColorMode not supported!";
constexpr wchar_t kTextCompression[] = L"PSD CompressionType not supported!";
constexpr wchar_t kTextMemory[] = L"Unable to allocate Memory for storing Imagedata!";
constexpr wchar_t kTextSections[] = L"PSD File is too short for its header sections!";
constexpr wchar_t kTextTooShort[] = L"PSD File is too short for its image size!";
constexpr wchar_t kTextDepth[] = L"PSD sample depth not supported (1, 8 or 16 bits)!";

constexpr uint32_t kSignature = 0x38425053u;  // "8BPS"
constexpr uint32_t kHeaderBytes = 26;
constexpr uint32_t kMaxChannels = 16;
constexpr uint32_t kColorTableBytes = 768;
// A packed run of 2 bytes gives at most 128 bytes.
constexpr uint64_t kPackBitsExpansion = 64;

enum : uint16_t {
    MODE_BITMAP = 0,
    MODE_GREY = 1,
    MODE_INDEXED = 2,
    MODE_RGB = 3,
    MODE_CMYK = 4,
    MODE_MULTICHANNEL = 7,
    MODE_DUOTONE = 8,
    MODE_LAB = 9,
};

bool KnownMode(uint16_t mode) { return mode <= MODE_CMYK || (mode >= MODE_MULTICHANNEL && mode <= MODE_LAB); }

// Byte of a pixel that channel c fills (0 red, 1 green, 2 blue, 3 alpha).
constexpr int kChannelByte[4] = {2, 1, 0, 3};

// What the header's numbers make of the picture.
struct PsdLayout {
    int bpp = 0;                // depth of the image
    uint32_t channelsRead = 0;  // the first channels that reach it
    uint32_t rowValues = 0;     // values in a channel row
    uint32_t valueBytes = 1;    // bytes of one value in the file (2 at 16 bits)
};

PsdLayout LayoutFor(uint32_t channels, uint32_t depth, uint32_t width) {
    PsdLayout l;
    const uint32_t bits = channels * (depth == 16 ? 8 : depth);
    if (bits == 0) return l;
    // Packed 1-bit rows are only ever a 1-bit picture, whatever follows them.
    if (depth == 1) l.bpp = 1, l.channelsRead = 1;
    else if (bits <= 4) l.bpp = 4, l.channelsRead = channels;
    else if (bits <= 8) l.bpp = 8, l.channelsRead = channels;
    else if (bits == 16) l.bpp = 8, l.channelsRead = 1;
    else if (bits < 32) l.bpp = 24, l.channelsRead = 3;
    else l.bpp = 32, l.channelsRead = 4;
    l.channelsRead = std::min(l.channelsRead, channels);
    l.rowValues = depth == 1 ? (width + 7) / 8 : width;
    l.valueBytes = depth == 16 ? 2 : 1;
    return l;
}

// The palette of an image of 8 bits or less: white and black for bitmap files,
// the grey ramp for grey and duotone files, the file's colour table (256 reds,
// 256 greens, 256 blues) for indexed ones, black for the rest.
void PaletteFor(uint16_t mode, const uint8_t* table, uint8_t* rgb) {
    std::memset(rgb, 0, 256 * 3);
    switch (mode) {
    case MODE_BITMAP: std::memcpy(rgb, kPaletteWhiteBlack, 6); break;
    case MODE_GREY:
    case MODE_DUOTONE: FillGreyPalette(rgb, 256); break;
    case MODE_INDEXED:
        for (int i = 0; i < 256; ++i) {
            rgb[i * 3] = table[i];
            rgb[i * 3 + 1] = table[256 + i];
            rgb[i * 3 + 2] = table[512 + i];
        }
        break;
    default: break;
    }
}

// Unpacks PackBits data into row (bytes long): a count n up to 127 copies the
// next n + 1 bytes, 129 and above repeats the next byte 257 - n times, 128 does
// nothing. A run that reaches past the row is read whole and cut at its end.
// False when the file ends before the row is full.
bool UnpackBitsRow(CFileBytes& in, uint8_t* row, size_t bytes) {
    size_t x = 0;
    while (x < bytes) {
        uint8_t n, value;
        if (!in.Next(n)) return false;
        if (n < 128) {
            for (uint32_t i = 0; i <= n; ++i) {
                if (!in.Next(value)) return false;
                if (x < bytes) row[x++] = value;
            }
        } else if (n > 128) {
            if (!in.Next(value)) return false;
            const size_t count = std::min<size_t>(257 - n, bytes - x);
            std::memset(row + x, value, count);
            x += count;
        }
    }
    return true;
}

ReadStatus ReadPsd(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    CBinFile file;
    if (!OpenCheckedForRead(file, path, errorText)) return false;
    CFileBytes in(file);
    uint8_t head[kHeaderBytes] = {};
    const uint32_t got = in.Read(head, kHeaderBytes);
    ByteReader fields(head, sizeof head);
    if (got < 4 || fields.U32BEAt(0) != kSignature) return NotThisFormat(errorText);
    if (got < kHeaderBytes) {
        SetFormatError(errorText, kTextSections);
        return false;
    }
    if (fields.U16BEAt(4) != 1) {
        SetFormatError(errorText, kTextVersion);
        return false;
    }
    const uint32_t channels = fields.U16BEAt(12);
    if (channels == 0 || channels > kMaxChannels) {
        SetFormatError(errorText, kTextChannels);
        return false;
    }
    const uint32_t height = fields.U32BEAt(14), width = fields.U32BEAt(18);
    const uint32_t depth = fields.U16BEAt(22);
    const uint16_t mode = fields.U16BEAt(24);
    if (!KnownMode(mode)) {
        SetFormatError(errorText, kTextMode);
        return false;
    }
    // 32-bit (floating point) samples and odd depths would be read as bytes.
    if (depth != 1 && depth != 8 && depth != 16) {
        SetFormatError(errorText, kTextDepth);
        return false;
    }
    const PsdLayout layout = LayoutFor(channels, depth, width);
    const uint64_t stride = layout.bpp ? CImage::RowBytes(width, layout.bpp) : 0;
    if (!layout.bpp || width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX || !stride ||
        stride * height > CImage::kMaxImageBytes) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }

    // Colour mode data (the colour table of an indexed file), image resources
    // and the layer section, each a length and its bytes inside the file.
    uint8_t table[kColorTableBytes] = {};
    for (int section = 0; section < 3; ++section) {
        uint8_t lengthBytes[4];
        if (in.Read(lengthBytes, 4) < 4) {
            SetFormatError(errorText, kTextSections);
            return false;
        }
        const uint32_t length = ByteReader(lengthBytes, 4).U32BE();
        const uint64_t start = in.Position();
        if (length > in.Remaining()) {
            SetFormatError(errorText, kTextSections);
            return false;
        }
        if (section == 0 && mode == MODE_INDEXED) in.Read(table, std::min(length, kColorTableBytes));
        in.SeekTo(start + length);
    }
    uint8_t compressionBytes[2];
    if (in.Read(compressionBytes, 2) < 2) {
        SetFormatError(errorText, kTextSections);
        return false;
    }
    const uint16_t compression = ByteReader(compressionBytes, 2).U16BE();
    if (compression >= 2) {
        SetFormatError(errorText, kTextCompression);
        return false;
    }
    const bool packed = compression == 1;
    // The byte counts of the packed rows are not needed: the rows follow each other.
    const uint64_t countTable = packed ? 2ull * height * channels : 0;
    if (countTable > in.Remaining()) {
        SetFormatError(errorText, kTextSections);
        return false;
    }
    const uint64_t rowBytes = (uint64_t)layout.rowValues * layout.valueBytes;
    if (!PlausibleDataSize(rowBytes * height * layout.channelsRead, in.Remaining() - countTable,
                           packed ? kPackBitsExpansion : 1)) {
        SetFormatError(errorText, kTextTooShort);
        return false;
    }

    uint8_t palette[256 * 3];
    PaletteFor(layout.bpp == 1 ? (uint16_t)MODE_BITMAP : mode, table, palette);
    if (!image.CreateEmpty((int)width, (int)height, layout.bpp, RGB(0, 0, 0), layout.bpp <= 8 ? palette : nullptr) ||
        !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    // Pixels without a channel of their own are opaque black.
    if (layout.bpp == 32 && layout.channelsRead < 4)
        for (uint32_t y = 0; y < height; ++y) {
            uint8_t* out = image.ScanLine(y);
            for (uint32_t x = 0; x < width; ++x) out[x * 4 + 3] = 255;
        }

    in.SeekTo(in.Position() + countTable);
    std::vector<uint8_t> raw((size_t)rowBytes);
    std::vector<uint8_t> row(((size_t)layout.rowValues + 3) & ~(size_t)3);
    const int pixelBytes = layout.bpp / 8;
    bool whole = true;
    for (uint32_t c = 0; whole && c < layout.channelsRead; ++c) {
        for (uint32_t y = 0; y < height; ++y) {
            std::fill(raw.begin(), raw.end(), 0);
            whole = packed ? UnpackBitsRow(in, raw.data(), raw.size())
                           : in.Read(raw.data(), (uint32_t)raw.size()) == raw.size();
            if (!whole) break;
            // 16-bit samples keep their most significant (first) byte.
            for (uint32_t i = 0; i < layout.rowValues; ++i) row[i] = raw[(size_t)i * layout.valueBytes];
            uint8_t* out = image.ScanLine(height - 1 - y);
            if (layout.bpp == 1 || layout.bpp == 8) {
                std::memcpy(out, row.data(), std::min<size_t>(layout.rowValues, image.stride));
            } else if (pixelBytes >= 3) {
                out += kChannelByte[c];
                for (uint32_t x = 0; x < width; ++x, out += pixelBytes) *out = row[x];
            }
        }
    }
    call.result.cutShort = !whole;

    // Stored CMYK values are 255 for no ink.
    if (mode == MODE_CMYK && layout.bpp == 32) {
        for (uint32_t y = 0; y < height; ++y) {
            uint8_t* p = image.ScanLine(y);
            for (uint32_t x = 0; x < width; ++x, p += 4) {
                const uint32_t k = p[3];
                p[0] = (uint8_t)(p[0] * k / 255);
                p[1] = (uint8_t)(p[1] * k / 255);
                p[2] = (uint8_t)(p[2] * k / 255);
                p[3] = 255;
            }
        }
    }
    return true;
}

}  // namespace

ReadStatus LoadPsd(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    try {
        return ReadPsd(image, path, errorText, call);
    } catch (...) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
}
