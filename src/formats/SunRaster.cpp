// Sun raster files: LoadRas reads 1-, 8-, 24- and 32-bit files, plain,
// byte-encoded (run-length) or red-first (type 3); SaveRas writes them, byte-
// encoded on request. SaveRaw writes the bare pixel rows of an image.
//
// Rows run from the top row down and are padded to 16 bits. 24-bit pixels are
// blue, green, red (red first in type 3), 32-bit pixels alpha first. Header
// sizes are computed in 64 bits and checked against the file.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "formats/ByteReader.h"
#include "formats/FormatCodecs.h"
#include "formats/SaveDispatch.h"
#include "formats/OutputFile.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Palette.h"

namespace {

constexpr wchar_t kTextType[] = L"the type of this SUN-rasterfile is not supported";
constexpr wchar_t kTextMapMemory[] = L"Can't get memory for colour map";
constexpr wchar_t kTextMapRead[] = L"cant read colour entries";
constexpr wchar_t kTextMapType[] = L"type of colourmap not supported";
constexpr wchar_t kTextDepth[] = L"Unsupported/Invalid Bitdepth in Header!";
constexpr wchar_t kTextCreateFailed[] = L"!";
constexpr wchar_t kTextTooShort[] = L"Sun raster file is too short for its image size!";
constexpr wchar_t kTextCreate[] = L"can't create RAS image file!";
constexpr wchar_t kTextWrite[] = L"Error while writing RAS image file!";
constexpr wchar_t kTextRawOpen[] = L"RAW Failed to open file for saving!";
constexpr wchar_t kTextRawWrite[] = L"Error while writing RAW image file!";

constexpr uint32_t kMagic = 0x59A66A95u;
constexpr uint32_t kHeaderBytes = 32;
constexpr uint32_t RT_STANDARD = 1, RT_BYTE_ENCODED = 2, RT_FORMAT_RGB = 3;
constexpr uint32_t RMT_NONE = 0, RMT_EQUAL_RGB = 1;
constexpr uint8_t kEscape = 0x80;
// A short file may miss this much of its data (the rest stays 0); byte-encoded
// data expands at most 256 / 3 times.
constexpr uint64_t kMissingDataSlack = 64ull << 20;
constexpr uint64_t kRleExpansion = 86;

void Put32BE(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)(v >> 24);
    p[1] = (uint8_t)(v >> 16);
    p[2] = (uint8_t)(v >> 8);
    p[3] = (uint8_t)v;
}

// Bytes of one file row: the pixels rounded up to 16 bits.
uint64_t PaddedRowBytes(uint64_t width, uint32_t depth) {
    const uint64_t bytes = (width * depth + 7) / 8;
    return bytes + (bytes & 1);
}

// The pixel data after the header and colour map: plain bytes, or the byte
// encoding's runs (0x80 0 is one 0x80, 0x80 n v is n + 1 copies of v), which
// run across row ends. Missing data reads as 0.
class RasSource {
public:
    RasSource(CBinFile& file, uint64_t available, bool encoded)
        : file_(file), remaining_(available), encoded_(encoded), buffer_(1 << 16) {}

    void Read(uint8_t* out, size_t count) {
        if (!encoded_) {
            for (size_t i = 0; i < count; ++i) out[i] = Next();
            return;
        }
        for (size_t i = 0; i < count; ++i) {
            if (!pending_) {
                const uint8_t b = Next();
                if (b != kEscape) {
                    out[i] = b;
                    continue;
                }
                const uint8_t n = Next();
                if (n == 0) {
                    out[i] = kEscape;
                    continue;
                }
                value_ = Next();
                pending_ = n + 1u;
            }
            out[i] = value_;
            --pending_;
        }
    }

private:
    uint8_t Next() {
        if (pos_ == length_) {
            if (!remaining_) return 0;
            length_ = file_.Read(buffer_.data(), (uint32_t)std::min<uint64_t>(remaining_, buffer_.size()));
            pos_ = 0;
            if (!length_) {
                remaining_ = 0;
                return 0;
            }
            remaining_ -= length_;
        }
        return buffer_[pos_++];
    }

    CBinFile& file_;
    uint64_t remaining_;
    bool encoded_;
    std::vector<uint8_t> buffer_;
    uint32_t pos_ = 0, length_ = 0;
    uint32_t pending_ = 0;
    uint8_t value_ = 0;
};

ReadStatus ReadRas(CImage& image, const wchar_t* path, wchar_t* errorText) {
    if (!CanOpenForRead(path, errorText)) return false;
    CBinFile file;
    if (!file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
        SetFormatError(errorText, L"Failed to open file for read!");
        return false;
    }
    const uint64_t fileLength = file.GetLength();
    uint8_t head[kHeaderBytes] = {};
    ByteReader fields(head, kHeaderBytes);
    if (file.Read(head, kHeaderBytes) != kHeaderBytes || fields.U32BEAt(0) != kMagic) return NotThisFormat(errorText);
    const uint32_t width = fields.U32BEAt(4), height = fields.U32BEAt(8), depth = fields.U32BEAt(12);
    const uint32_t type = fields.U32BEAt(20), mapType = fields.U32BEAt(24), mapLength = fields.U32BEAt(28);
    if (type > 5) {
        SetFormatError(errorText, kTextType);
        return false;
    }

    uint8_t rgb[256 * 3] = {};
    bool haveMap = false;
    if (mapLength) {
        if (mapType != RMT_EQUAL_RGB) {
            SetFormatError(errorText, kTextMapType);
            return false;
        }
        if (mapLength < 3 || kHeaderBytes + (uint64_t)mapLength > fileLength) {
            SetFormatError(errorText, kTextMapRead);
            return false;
        }
        std::vector<uint8_t> map;
        try {
            map.resize(mapLength);
        } catch (...) {
            SetFormatError(errorText, kTextMapMemory);
            return false;
        }
        if (file.Read(map.data(), mapLength) != mapLength) {
            SetFormatError(errorText, kTextMapRead);
            return false;
        }
        const uint32_t entries = mapLength / 3;
        for (uint32_t i = 0; i < std::min<uint32_t>(entries, 256); ++i) {
            rgb[i * 3] = map[i];
            rgb[i * 3 + 1] = map[entries + i];
            rgb[i * 3 + 2] = map[2 * entries + i];
        }
        haveMap = true;
    }

    if (depth != 1 && depth != 8 && depth != 24 && depth != 32) {
        SetFormatError(errorText, kTextDepth);
        return false;
    }
    if (!haveMap) {
        if (depth == 1) {
            // Index 0 white, 1 black: a set bit is black.
            std::memset(rgb, 255, 3);
        } else if (depth == 8) {
            // Without a map the indices are grey levels.
            FillGreyPalette(rgb, 256);
        }
    }

    const uint64_t stride = CImage::RowBytes(width, (int)depth);
    const uint64_t dataStart = kHeaderBytes + (uint64_t)mapLength;
    const uint64_t available = fileLength > dataStart ? fileLength - dataStart : 0;
    const bool encoded = type == RT_BYTE_ENCODED;
    uint64_t fileRow = PaddedRowBytes(width, depth);
    // Files of unpadded 24-bit rows (exactly width x 3 x height bytes of data).
    if (depth == 24 && !encoded && (width & 1) && available == (uint64_t)width * 3 * height)
        fileRow = (uint64_t)width * 3;
    if (!width || !height || !stride || stride * height > CImage::kMaxImageBytes) {
        SetFormatError(errorText, kTextCreateFailed);
        return false;
    }
    if (encoded ? stride * height > available * kRleExpansion + kMissingDataSlack
                : fileRow * height > available + kMissingDataSlack) {
        SetFormatError(errorText, kTextTooShort);
        return false;
    }
    if (!image.CreateEmpty((int)width, (int)height, (int)depth, RGB(0, 0, 0), depth <= 8 ? rgb : nullptr) ||
        !image.ScanLine(0)) {
        SetFormatError(errorText, kTextCreateFailed);
        return false;
    }
    if (depth <= 8) std::memset(image.bits, 0, (size_t)(stride * height));

    RasSource source(file, available, encoded);
    std::vector<uint8_t> row((size_t)fileRow);
    const bool redFirst = type == RT_FORMAT_RGB;
    for (uint32_t y = 0; y < height; ++y) {
        source.Read(row.data(), row.size());
        uint8_t* out = image.ScanLine(height - 1 - y);
        if (depth <= 8) {
            std::memcpy(out, row.data(), (size_t)((width * (uint64_t)depth + 7) / 8));
        } else if (depth == 24) {
            for (uint32_t x = 0; x < width; ++x, out += 3) {
                const uint8_t* p = &row[(size_t)x * 3];
                out[0] = redFirst ? p[2] : p[0];
                out[1] = p[1];
                out[2] = redFirst ? p[0] : p[2];
            }
        } else {
            for (uint32_t x = 0; x < width; ++x, out += 4) {
                const uint8_t* p = &row[(size_t)x * 4];
                out[0] = redFirst ? p[3] : p[1];
                out[1] = p[2];
                out[2] = redFirst ? p[1] : p[3];
                out[3] = p[0];
            }
        }
    }
    return true;
}

// The byte encoder: counts equal bytes and writes each run when it ends; a
// run is cut at 256 copies.
class RasEncoder {
public:
    explicit RasEncoder(OutputFile& out) : out_(out) {}
    void Put(uint8_t b) {
        if (count_ && b == value_) {
            if (++count_ == 257) {
                const uint8_t full[3] = {kEscape, 0xFF, value_};
                out_.Write(full, 3);
                count_ = 1;
            }
            return;
        }
        Flush();
        value_ = b;
        count_ = 1;
    }
    void Put(const uint8_t* p, size_t n) {
        for (size_t i = 0; i < n; ++i) Put(p[i]);
    }
    void Flush() {
        if (!count_) return;
        uint8_t bytes[3];
        size_t n;
        if (count_ == 1) {
            bytes[0] = value_;
            bytes[1] = 0;
            n = value_ == kEscape ? 2 : 1;
        } else if (count_ == 2 && value_ != kEscape) {
            bytes[0] = bytes[1] = value_;
            n = 2;
        } else {
            bytes[0] = kEscape;
            bytes[1] = (uint8_t)(count_ - 1);
            bytes[2] = value_;
            n = 3;
        }
        out_.Write(bytes, n);
        count_ = 0;
    }

private:
    OutputFile& out_;
    uint32_t count_ = 0;
    uint8_t value_ = 0;
};

}  // namespace

ReadStatus LoadRas(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    try {
        return ReadRas(image, path, errorText);
    } catch (...) {
        SetFormatError(errorText, kTextCreateFailed);
        return false;
    }
}

bool SaveRas(const wchar_t* path, CImage& image, wchar_t* errorText, bool rle) {
    if (!image.IsValid() || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }
    const uint32_t width = image.GetWidth(), height = image.GetHeight(), bpp = image.GetBpp();
    const uint32_t depth = bpp == 1 || bpp == 8 || bpp == 32 ? bpp : 24;
    if (depth == 1) rle = false;
    const size_t fileRow = (size_t)PaddedRowBytes(width, depth);

    uint8_t head[kHeaderBytes] = {};
    Put32BE(head, kMagic);
    Put32BE(head + 4, width);
    Put32BE(head + 8, height);
    Put32BE(head + 12, depth);
    Put32BE(head + 20, rle ? RT_BYTE_ENCODED : RT_STANDARD);
    Put32BE(head + 24, depth == 8 ? RMT_EQUAL_RGB : RMT_NONE);
    Put32BE(head + 28, depth == 8 ? 768 : 0);

    OutputFile out;
    if (!out.Open(path)) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }
    out.Write(head, kHeaderBytes);  // the length is filled in at the end
    if (depth == 8) {
        uint8_t map[768];
        for (int i = 0; i < 256; ++i) {
            map[i] = image.palette[i][2];
            map[256 + i] = image.palette[i][1];
            map[512 + i] = image.palette[i][0];
        }
        out.Write(map, sizeof map);
    }
    const uint64_t dataStart = out.Position();

    // A set bit is black: rows are inverted when entry 0 is the black one.
    const bool invert = depth == 1 && image.palette[0][0] == 0 && image.palette[0][1] == 0 && image.palette[0][2] == 0;
    GdiFlush();
    std::vector<uint8_t> row(fileRow);
    RasEncoder encoder(out);
    for (uint32_t y = 0; y < height && out.Ok(); ++y) {
        const uint32_t stored = height - 1 - y;
        std::fill(row.begin(), row.end(), 0);
        if (depth <= 8) {
            const uint8_t* in = image.ScanLine(stored);
            const size_t bytes = (size_t)(((uint64_t)width * depth + 7) / 8);
            for (size_t i = 0; i < bytes; ++i) row[i] = invert ? (uint8_t)~in[i] : in[i];
        } else if (depth == 24) {
            std::unique_ptr<uint8_t, decltype(&std::free)> converted(bpp == 24 ? nullptr : image.GetLine(24, stored),
                                                                     &std::free);
            const uint8_t* in = bpp == 24 ? image.ScanLine(stored) : converted.get();
            if (!in) {
                SetFormatError(errorText, L"Unable to allocate Memory for storing Imagedata!");
                return false;
            }
            std::memcpy(row.data(), in, (size_t)width * 3);
        } else {
            const uint8_t* in = image.ScanLine(stored);
            for (uint32_t x = 0; x < width; ++x, in += 4) {
                uint8_t* p = &row[(size_t)x * 4];
                p[0] = in[3];
                p[1] = in[0];
                p[2] = in[1];
                p[3] = in[2];
            }
        }
        if (rle) {
            encoder.Put(row.data(), row.size());
        } else {
            out.Write(row.data(), row.size());
        }
    }
    encoder.Flush();
    const uint64_t length = out.Position() - dataStart;
    if (length > 0xFFFFFFFFull) {
        SetFormatError(errorText, L"Image too large for a RAS File!");
        return false;
    }
    Put32BE(head + 16, (uint32_t)length);
    out.Seek(0);
    out.Write(head, kHeaderBytes);
    if (!out.Finish()) {
        SetFormatError(errorText, kTextWrite);
        return false;
    }
    return true;
}

bool SaveRas(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options) {
    return SaveRas(path, image, errorText, options.rasRunLength);
}

bool SaveRaw(const wchar_t* path, CImage& image, wchar_t* errorText, bool flip, bool swapRedBlue, bool keepDepth) {
    if (!image.IsValid() || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextRawOpen);
        return false;
    }
    OutputFile out;
    if (!out.Open(path)) {
        SetFormatError(errorText, kTextRawOpen);
        return false;
    }
    GdiFlush();
    const uint32_t width = image.GetWidth(), height = image.GetHeight();
    std::vector<uint8_t> row((size_t)width * 3);
    // Rows bottom first, or top first with flip; the image itself is not touched.
    for (uint32_t i = 0; i < height && out.Ok(); ++i) {
        const uint32_t stored = flip ? height - 1 - i : i;
        if (keepDepth) {
            out.Write(image.ScanLine(stored), image.stride);
            continue;
        }
        std::unique_ptr<uint8_t, decltype(&std::free)> converted(
            image.GetBpp() == 24 ? nullptr : image.GetLine(24, stored), &std::free);
        const uint8_t* in = image.GetBpp() == 24 ? image.ScanLine(stored) : converted.get();
        if (!in) {
            SetFormatError(errorText, L"Unable to allocate Memory for storing Imagedata!");
            return false;
        }
        std::memcpy(row.data(), in, row.size());
        if (swapRedBlue)
            for (size_t x = 0; x < row.size(); x += 3) std::swap(row[x], row[x + 2]);
        out.Write(row.data(), row.size());
    }
    if (!out.Finish()) {
        SetFormatError(errorText, kTextRawWrite);
        return false;
    }
    return true;
}

bool SaveRaw(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options) {
    return SaveRaw(path, image, errorText, options.raw.flip, options.raw.swapRedBlue, options.raw.noConvert24);
}
