// PCX images and multi-page DCX files. One decoder (ReadPcxStream) reads a
// PCX image at a stream's position, so it serves PCX files and every page of
// a DCX file; one encoder (WritePcx) writes one image to an output file, for
// SavePcx and the multi-page builder.
//
// Lines are planes × bytes-per-line bytes, run-length coded line by line; the
// depth follows bits per pixel × planes (1, 2 → 4, 3 → 4, 4, 8, 24, and four
// 8-bit planes of red, green, blue and alpha → 32).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "formats/ByteReader.h"
#include "formats/FormatCodecs.h"
#include "formats/OutputFile.h"
#include "formats/StdioFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr wchar_t kTextOpen[] = L"Couldn't open PCX File!";
constexpr wchar_t kTextHeader[] = L"Error while reading PCXHeader!";
constexpr wchar_t kTextEncoding[] = L"Unknown Encoding Format specified!";
constexpr wchar_t kTextMemory[] = L"Unable to allocate Memory for storing Imagedata!";
constexpr wchar_t kTextDepth[] = L"Unsupported PCX colour depth!";
constexpr wchar_t kTextCreate[] = L"PCX Can't open file for saving!";
constexpr wchar_t kTextWrite[] = L"Error while writing PCX file!";
constexpr wchar_t kTextTooLarge[] = L"Image too large for PCX (at most 65535 x 65535 pixels)!";
constexpr wchar_t kTextDcxOpen[] = L"Failed to open file!";
constexpr wchar_t kTextDcxPage[] = L"Invalid pagenumber specified!";

constexpr uint32_t kHeaderBytes = 128;
constexpr uint32_t kDcxMagic = 0x3ADE68B1u;
constexpr uint32_t kDcxFullTable = 1024;
constexpr uint32_t kDcxFullTableStart = 4 + 4 * kDcxFullTable;
// A run-length pair gives at most 63 bytes, so a file's lines (and the image
// they fill: a decoded byte gives at most a byte of the image) expand at most
// 32 times over its bytes; a short file may miss this much more (left black).
constexpr uint64_t kRleExpansion = 32;
constexpr uint64_t kMissingDataSlack = 64ull << 20;

// Reads the stream through a buffer of its own, byte by byte.
class StreamBytes {
public:
    explicit StreamBytes(FILE* file) : file_(file) {}
    bool Next(uint8_t& out) {
        if (at_ == size_) {
            size_ = std::fread(buffer_, 1, sizeof buffer_, file_);
            at_ = 0;
            if (!size_) return false;
        }
        out = buffer_[at_++];
        return true;
    }
    size_t Take(uint8_t* out, size_t count) {
        size_t done = 0;
        while (done < count) {
            if (at_ == size_) {
                if (count - done >= sizeof buffer_) {
                    const size_t n = std::fread(out + done, 1, count - done, file_);
                    return done + n;
                }
                size_ = std::fread(buffer_, 1, sizeof buffer_, file_);
                at_ = 0;
                if (!size_) break;
            }
            const size_t n = std::min(count - done, size_ - at_);
            std::memcpy(out + done, buffer_ + at_, n);
            at_ += n;
            done += n;
        }
        return done;
    }

private:
    FILE* file_;
    uint8_t buffer_[1 << 15];
    size_t at_ = 0, size_ = 0;
};

// One line of n bytes; false when the data ended inside it (what was read is kept).
bool ReadLine(StreamBytes& in, bool rle, uint8_t* line, size_t n) {
    if (!rle) return in.Take(line, n) == n;
    size_t x = 0;
    while (x < n) {
        uint8_t b;
        if (!in.Next(b)) return false;
        if (b >= 0xC0) {
            uint8_t value;
            if (!in.Next(value)) return false;
            // A run never continues into the next line.
            const size_t count = std::min<size_t>(b & 0x3F, n - x);
            std::memset(line + x, value, count);
            x += count;
        } else {
            line[x++] = b;
        }
    }
    return true;
}

// Turns one decoded line into a stored row of the image.
void ConvertLine(const uint8_t* line, uint32_t planes, uint32_t bitsPerPlane, uint32_t bytesPerLine, uint32_t width,
                 CImage& image, uint8_t* row) {
    // A plane's byte i, or 0 past the bytes its line holds.
    auto at = [&](uint32_t plane, uint64_t i) -> uint8_t {
        return i < bytesPerLine ? line[(size_t)plane * bytesPerLine + i] : 0;
    };
    if (planes == 1) {
        std::memcpy(row, line, std::min<size_t>(bytesPerLine, image.stride));
    } else if (bitsPerPlane == 8 && (planes == 3 || planes == 4)) {
        const uint32_t pixelBytes = planes;
        for (uint32_t i = 0; i < width; ++i) {
            uint8_t* p = row + (size_t)i * pixelBytes;
            p[0] = at(2, i);
            p[1] = at(1, i);
            p[2] = at(0, i);
            if (planes == 4) p[3] = at(3, i);
        }
    } else if (bitsPerPlane == 1 && planes >= 2 && planes <= 4) {
        for (uint32_t i = 0; i < width; ++i) {
            uint8_t pixel = 0;
            for (uint32_t j = 0; j < planes; ++j)
                if (at(j, i / 8) & (0x80 >> (i % 8))) pixel |= (uint8_t)(1 << j);
            uint8_t& target = row[i / 2];
            target = (i & 1) ? (uint8_t)((target & 0xF0) | pixel) : (uint8_t)((target & 0x0F) | pixel << 4);
        }
    }
    // Other layouts leave the row black.
}

// Codes bytes as runs of at most 63 equal bytes.
bool EncodeRun(OutputFile& out, const uint8_t* bytes, size_t length) {
    size_t i = 0;
    while (i < length) {
        const uint8_t value = bytes[i];
        size_t count = 1;
        while (i + count < length && count < 63 && bytes[i + count] == value) ++count;
        if (count > 1 || value >= 0xC0) {
            out.WriteByte((uint8_t)(0xC0 + count));
            out.WriteByte(value);
        } else {
            out.WriteByte(value);
        }
        i += count;
    }
    return out.Ok();
}

void Put16LE(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}

// The page offsets of a DCX table read from the stream's start; false when
// the magic is not DCX's.
bool ReadDcxPageTable(FILE* file, std::vector<uint32_t>& pages) {
    pages.clear();
    uint8_t head[8];
    if (_fseeki64(file, 0, SEEK_SET) != 0 || std::fread(head, 1, 8, file) < 4) return false;
    ByteReader fields(head, sizeof head);
    if (fields.U32LEAt(0) != kDcxMagic) return false;
    const uint32_t first = fields.U32LEAt(4);
    if (first == 0) return true;
    if (first == kDcxFullTableStart) {
        uint8_t table[4 * kDcxFullTable] = {};
        _fseeki64(file, 4, SEEK_SET);
        const size_t got = std::fread(table, 1, sizeof table, file);
        ByteReader entries(table, got - got % 4);
        for (uint32_t i = 0; i < got / 4; ++i) {
            const uint32_t offset = entries.U32LE();
            if (offset) pages.push_back(offset);
        }
        return true;
    }
    pages.push_back(first);
    uint8_t entry[4];
    while (pages.size() < kDcxFullTable && std::fread(entry, 1, 4, file) == 4) {
        const uint32_t offset = ByteReader(entry, 4).U32LEAt(0);
        if (!offset) break;
        pages.push_back(offset);
    }
    return true;
}

}  // namespace

ReadStatus ReadPcxStream(CImage& image, FILE* stream, wchar_t* errorText) {
    if (!stream) {
        SetFormatError(errorText, kTextOpen);
        return false;
    }
    const int64_t start = _ftelli64(stream);
    uint8_t head[kHeaderBytes];
    if (start < 0 || std::fread(head, 1, kHeaderBytes, stream) != kHeaderBytes) {
        SetFormatError(errorText, kTextHeader);
        return false;
    }
    if (head[0] != 0x0A) return NotThisFormat(errorText);
    if (head[2] > 1) {
        SetFormatError(errorText, kTextEncoding);
        return false;
    }
    const bool rle = head[2] == 1;
    ByteReader fields(head, sizeof head);
    const uint32_t bitsPerPlane = head[3];
    const uint32_t planes = head[65];
    const int64_t width = (int64_t)fields.U16LEAt(8) - fields.U16LEAt(4) + 1;
    const int64_t height = (int64_t)fields.U16LEAt(10) - fields.U16LEAt(6) + 1;
    const uint32_t bytesPerLine = fields.U16LEAt(66);

    const uint32_t total = bitsPerPlane * planes;
    int depth = 0;
    uint8_t rgb[256 * 3] = {};
    switch (total) {
    case 1:
        depth = 1;
        rgb[3] = rgb[4] = rgb[5] = 255;
        break;
    case 2: depth = 4; break;
    case 3:
    case 4:
        depth = 4;
        std::memcpy(rgb, head + 16, 48);
        break;
    case 8: depth = 8; break;
    case 24: depth = 24; break;
    case 32: depth = 32; break;
    default: SetFormatError(errorText, kTextDepth); return false;
    }
    const uint64_t lineBytes = (uint64_t)planes * bytesPerLine;
    const uint64_t imageBytes = width > 0 ? (uint64_t)CImage::RowBytes((uint64_t)width, depth) * (uint64_t)height : 0;
    const uint64_t left = BytesLeft(stream);
    if (width <= 0 || height <= 0 || imageBytes == 0 || imageBytes > CImage::kMaxImageBytes ||
        lineBytes * (uint64_t)height > left * kRleExpansion + kMissingDataSlack ||
        imageBytes > left * kRleExpansion + kMissingDataSlack ||
        !image.CreateEmpty((int)width, (int)height, depth, RGB(0, 0, 0), rgb) || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    if (_fseeki64(stream, start + kHeaderBytes, SEEK_SET) != 0) return true;

    std::vector<uint8_t> line((size_t)std::max<uint64_t>(lineBytes, 1));
    StreamBytes in(stream);
    bool whole = true;
    for (int64_t y = 0; y < height && whole; ++y) {
        std::fill(line.begin(), line.end(), 0);
        whole = ReadLine(in, rle, line.data(), (size_t)lineBytes);
        ConvertLine(line.data(), planes, bitsPerPlane, bytesPerLine, (uint32_t)width, image,
                    image.ScanLine((uint32_t)(height - 1 - y)));
    }
    uint8_t marker = 0;
    if (whole && depth == 8 && in.Next(marker) && marker == 0x0C) {
        uint8_t palette[768];
        if (in.Take(palette, sizeof palette) == sizeof palette) {
            RGBQUAD quads[256];
            for (int i = 0; i < 256; ++i) quads[i] = RGBQUAD{palette[i * 3 + 2], palette[i * 3 + 1], palette[i * 3], 0};
            image.SetPalette(quads, 256);
        }
    }
    return true;
}

ReadStatus LoadPcx(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall&) {
    StdioFile file = OpenStdioForRead(path);
    if (!file) {
        SetFormatError(errorText, kTextOpen);
        return false;
    }
    return ReadPcxStream(image, file.get(), errorText);
}

bool PcxEncodeRun(OutputFile& out, const uint8_t* bytes, size_t length) { return EncodeRun(out, bytes, length); }

bool WritePcx(OutputFile& out, CImage& image) {
    if (!image.IsValid() || !out.Ok()) return false;
    const uint32_t width = image.GetWidth(), height = image.GetHeight();
    if (width > 0xFFFF || height > 0xFFFF) return false;
    const int source = image.GetBpp();
    const int depth = source == 16 || source == 32 ? 24 : source;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 24) return false;

    uint8_t head[kHeaderBytes] = {};
    head[0] = 10;
    head[1] = 5;
    head[2] = 1;
    head[3] = (uint8_t)(depth == 24 ? 8 : depth);
    Put16LE(head + 8, width - 1);
    Put16LE(head + 10, height - 1);
    Put16LE(head + 12, 300);
    Put16LE(head + 14, 300);
    if (depth == 4)
        for (int i = 0; i < 16; ++i) {
            head[16 + i * 3] = image.palette[i][2];
            head[16 + i * 3 + 1] = image.palette[i][1];
            head[16 + i * 3 + 2] = image.palette[i][0];
        }
    head[65] = depth == 24 ? 3 : 1;
    Put16LE(head + 66, width);
    Put16LE(head + 68, 1);
    out.Write(head, sizeof head);

    std::vector<uint8_t> line(width);
    const bool invert =
        depth == 1 && image.palette[0][0] == 255 && image.palette[0][1] == 255 && image.palette[0][2] == 255;
    for (uint32_t y = 0; y < height && out.Ok(); ++y) {
        const uint32_t row = height - 1 - y;
        if (depth == 24) {
            uint8_t* converted = source == 24 ? nullptr : image.GetLine(24, row);
            const uint8_t* pixels = source == 24 ? image.ScanLine(row) : converted;
            if (!pixels) return false;
            for (int plane = 0; plane < 3; ++plane) {
                for (uint32_t x = 0; x < width; ++x) line[x] = pixels[(size_t)x * 3 + 2 - plane];
                EncodeRun(out, line.data(), width);
            }
            std::free(converted);
            continue;
        }
        const uint8_t* pixels = image.ScanLine(row);
        if (!pixels) return false;
        // Lines of 1- and 4-bit images are coded width bytes long: the
        // pixels' bytes, then zeros.
        const size_t used = depth == 8 ? width : depth == 4 ? (width + 1) / 2 : (width + 7) / 8;
        std::fill(line.begin(), line.end(), 0);
        std::memcpy(line.data(), pixels, used);
        if (invert)
            for (size_t i = 0; i < used; ++i) line[i] = (uint8_t)~line[i];
        EncodeRun(out, line.data(), width);
    }
    if (depth == 8) {
        uint8_t palette[1 + 768];
        palette[0] = 0x0C;
        for (int i = 0; i < 256; ++i) {
            palette[1 + i * 3] = image.palette[i][2];
            palette[2 + i * 3] = image.palette[i][1];
            palette[3 + i * 3] = image.palette[i][0];
        }
        out.Write(palette, sizeof palette);
    }
    return out.Ok();
}

bool SavePcx(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions&) {
    if (!image.IsValid()) {
        SetFormatError(errorText, kTextWrite);
        return false;
    }
    if (image.GetWidth() > 0xFFFF || image.GetHeight() > 0xFFFF) {
        SetFormatError(errorText, kTextTooLarge);
        return false;
    }
    OutputFile out;
    if (!out.Open(path)) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }
    const bool written = WritePcx(out, image);
    if (!out.Finish(errorText, kTextWrite)) return false;
    if (!written) {
        SetFormatError(errorText, kTextWrite);
        DeleteFileW(path);
        return false;
    }
    return true;
}

int CountDcxPages(FILE* stream) {
    std::vector<uint32_t> pages;
    if (!stream || !ReadDcxPageTable(stream, pages)) return 0;
    return (int)pages.size();
}

ReadStatus LoadDcxPage(CImage& image, const wchar_t* path, int page, wchar_t* errorText) {
    StdioFile file = OpenStdioForRead(path);
    if (!file) {
        SetFormatError(errorText, kTextDcxOpen);
        return false;
    }
    std::vector<uint32_t> pages;
    if (!ReadDcxPageTable(file.get(), pages)) return NotThisFormat(errorText);
    if (page < 0 || (size_t)page >= pages.size()) {
        SetFormatError(errorText, kTextDcxPage);
        return false;
    }
    if (_fseeki64(file.get(), pages[(size_t)page], SEEK_SET) != 0) {
        SetFormatError(errorText, kTextHeader);
        return false;
    }
    const ReadStatus status = ReadPcxStream(image, file.get(), errorText);
    // A page that is not a PCX image is a broken DCX file, not another format.
    if (status.IsNotThisFormat()) return false;
    return status;
}

ReadStatus LoadDcx(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    if (!CanOpenForRead(path, errorText)) return false;
    const ReadStatus status = LoadDcxPage(image, path, 0, errorText);
    if (!status || call.request.Quiet()) return status;
    StdioFile file = OpenStdioForRead(path);
    const int pages = file ? CountDcxPages(file.get()) : 0;
    call.result.ShowPages(ANIM_KIND_DCX, pages);
    return true;
}
