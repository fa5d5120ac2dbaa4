// Macintosh PICT pictures. A small QuickDraw player takes the place of the
// system's picture decoder: behind the 512-byte preamble it walks the opcodes
// of a version 1 or 2 picture, draws every bit image (BitsRect, PackBitsRect,
// DirectBitsRect and their region forms) into a white, frame-sized 24-bit
// bitmap and skips every other opcode by its length. The result is a bottom-
// up device-independent bitmap (40-byte header, then the rows), from which
// LoadPict builds the image. QuickTime image files and pictures that hold
// QuickTime-compressed data cannot be decoded without QuickTime.
#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr wchar_t kTextNeedQuickTime[] = L"Need Apple Quicktime to decode image.";
constexpr wchar_t kTextNoImage[] = L"Failed to decode image.";
constexpr wchar_t kTextCreate[] = L"Failed to create Image!";
constexpr size_t kPreamble = 512;
constexpr size_t kDibHeader = 40;
// Files beyond this size are not pictures this reader can hold in memory.
constexpr uint64_t kMaxFileBytes = 512ull << 20;
// Frames up to this many pixels are taken whatever the file's size.
constexpr uint64_t kFramePixelsAlways = 16ull << 20;

enum class Outcome { Drawn, NoImage, NeedQuickTime };

// Bounds-checked big-endian reading of the picture bytes; every read past the
// end clears ok and gives 0.
class Reader {
public:
    Reader(const uint8_t* data, size_t size, size_t pos) : data_(data), size_(size), pos_(pos) {}
    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    size_t left() const { return pos_ < size_ ? size_ - pos_ : 0; }
    const uint8_t* here() const { return data_ + pos_; }

    uint8_t U8() {
        if (!Has(1)) return 0;
        return data_[pos_++];
    }
    uint16_t U16() {
        if (!Has(2)) return 0;
        const uint16_t v = (uint16_t)(data_[pos_] << 8 | data_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    uint32_t U32() {
        const uint32_t high = U16();
        return high << 16 | U16();
    }
    int16_t I16() { return (int16_t)U16(); }
    bool Skip(uint64_t count) {
        if (!Has(count)) return false;
        pos_ += (size_t)count;
        return true;
    }
    bool Has(uint64_t count) {
        if (ok_ && count <= left()) return true;
        ok_ = false;
        pos_ = size_;
        return false;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_;
    bool ok_ = true;
};

struct Rect {
    int top = 0, left = 0, bottom = 0, right = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

Rect ReadRect(Reader& in) {
    Rect r;
    r.top = in.I16();
    r.left = in.I16();
    r.bottom = in.I16();
    r.right = in.I16();
    return r;
}

// The frame-sized bitmap the bit images are drawn into: 24-bit rows, bottom
// row first, white where nothing is drawn.
struct Canvas {
    Rect frame;
    uint32_t width = 0, height = 0, stride = 0;
    std::vector<uint8_t> dib;  // header and rows
    bool drawn = false;
    // Pixels all bit images together may still draw: a picture of many images
    // scaled over a large frame cannot keep the reader busy for long.
    uint64_t budget = 0;

    bool Make(const Rect& f) {
        frame = f;
        width = (uint32_t)f.Width();
        height = (uint32_t)f.Height();
        stride = CImage::RowBytes(width, 24);
        if (!stride || (uint64_t)stride * height > CImage::kMaxImageBytes) return false;
        dib.assign(kDibHeader + (size_t)stride * height, 0xFF);
        budget = (uint64_t)width * height * 8 + (64ull << 20);
        BITMAPINFOHEADER h = {};
        h.biSize = sizeof h;
        h.biWidth = (LONG)width;
        h.biHeight = (LONG)height;
        h.biPlanes = 1;
        h.biBitCount = 24;
        h.biCompression = BI_RGB;
        std::memcpy(dib.data(), &h, sizeof h);
        return true;
    }
    // Row y of the frame, counted from its top.
    uint8_t* Row(uint32_t y) { return dib.data() + kDibHeader + (size_t)(height - 1 - y) * stride; }
};

// Unpacks one PackBits row of unit-byte units into out (outBytes); runs past
// the end are cut. The packed bytes may end early.
void UnpackBits(const uint8_t* in, size_t inBytes, uint8_t* out, size_t outBytes, size_t unit) {
    size_t i = 0, o = 0;
    while (i < inBytes && o < outBytes) {
        const int n = (int8_t)in[i++];
        if (n >= 0) {
            const size_t bytes = (size_t)(n + 1) * unit;
            const size_t copy = std::min({bytes, inBytes - i, outBytes - o});
            std::memcpy(out + o, in + i, copy);
            i += std::min(bytes, inBytes - i);
            o += copy;
        } else if (n != -128) {
            if (inBytes - i < unit) break;
            const size_t count = (size_t)(1 - n);
            for (size_t k = 0; k < count && o < outBytes; ++k) {
                const size_t copy = std::min(unit, outBytes - o);
                std::memcpy(out + o, in + i, copy);
                o += copy;
            }
            i += unit;
        }
    }
}

// A bit image's pixel format, as read from its header.
struct PixelFormat {
    bool direct = false;
    uint32_t pixelSize = 1;
    uint32_t cmpCount = 1;
    uint32_t packType = 0;
    uint8_t colors[256][3] = {};  // red, green, blue of the indices
};

// Red, green, blue of pixel x of an unpacked row.
void PixelAt(const PixelFormat& f, const uint8_t* row, uint32_t width, uint32_t x, uint32_t unpackedBytes,
             uint8_t* rgb) {
    if (!f.direct) {
        const uint32_t bitsAt = x * f.pixelSize;
        const uint32_t byte = bitsAt / 8;
        const uint32_t shift = 8 - f.pixelSize - bitsAt % 8;
        const uint32_t index = byte < unpackedBytes ? (row[byte] >> shift) & ((1u << f.pixelSize) - 1) : 0;
        std::memcpy(rgb, f.colors[index], 3);
        return;
    }
    if (f.pixelSize == 16) {
        const uint32_t v = (uint32_t)row[x * 2] << 8 | row[x * 2 + 1];
        const uint32_t c[3] = {(v >> 10) & 31, (v >> 5) & 31, v & 31};
        for (int i = 0; i < 3; ++i) rgb[i] = (uint8_t)(c[i] << 3 | c[i] >> 2);
    } else if (f.packType == 2) {
        std::memcpy(rgb, row + x * 3, 3);
    } else if (f.packType == 1) {
        std::memcpy(rgb, row + x * 4 + 1, 3);
    } else {
        // Component planes: red, green, blue, after alpha when there are four.
        const uint32_t first = f.cmpCount == 4 ? 1 : 0;
        for (int i = 0; i < 3; ++i) rgb[i] = row[(first + i) * width + x];
    }
}

// Reads a colour table into f.colors; false when it leaves the data.
bool ReadColorTable(Reader& in, PixelFormat& f) {
    in.U32();  // seed
    const uint16_t flags = in.U16();
    const uint32_t count = (uint32_t)in.U16() + 1;
    if (!in.ok() || !in.Has((uint64_t)count * 8)) return false;
    for (uint32_t i = 0; i < count; ++i) {
        const uint16_t value = in.U16();
        uint8_t rgb[3];
        for (uint8_t& c : rgb) c = (uint8_t)(in.U16() >> 8);
        const uint32_t index = (flags & 0x8000) ? i : value;
        if (index < 256) std::memcpy(f.colors[index], rgb, 3);
    }
    return true;
}

// One BitsRect, BitsRgn, PackBitsRect, PackBitsRgn, DirectBitsRect or
// DirectBitsRgn record: its header, then its rows drawn into the canvas.
// False when the record is damaged or leaves the data.
bool DrawBitImage(Reader& in, uint16_t op, Canvas& canvas) {
    PixelFormat f;
    f.direct = op == 0x9A || op == 0x9B;
    const bool packedOp = op >= 0x98;
    const bool hasRegion = (op & 1) != 0;
    if (f.direct) in.U32();  // base address
    const uint16_t rowBytesField = in.U16();
    const bool pixMap = f.direct || (rowBytesField & 0x8000) != 0;
    const uint32_t rowBytes = rowBytesField & (pixMap ? 0x3FFF : 0x7FFF);
    const Rect bounds = ReadRect(in);
    // A 1-bit bit map: set bits are black.
    std::memset(f.colors[0], 0xFF, 3);
    if (pixMap) {
        in.U16();  // version
        f.packType = in.U16();
        in.Skip(4 + 4 + 4);  // pack size, resolutions
        in.U16();            // pixel type
        f.pixelSize = in.U16();
        f.cmpCount = in.U16();
        in.Skip(2 + 4 + 4 + 4);  // component size, plane bytes, table, reserved
        if (!f.direct && !ReadColorTable(in, f)) return false;
    }
    const Rect src = ReadRect(in), dst = ReadRect(in);
    in.U16();  // transfer mode
    if (hasRegion) {
        const uint16_t regionBytes = in.U16();
        if (regionBytes < 10 || !in.Skip(regionBytes - 2u)) return false;
    }
    if (!in.ok()) return false;

    const int width = bounds.Width(), height = bounds.Height();
    if (width <= 0 || height <= 0) return false;
    if (f.direct) {
        if (f.pixelSize != 16 && f.pixelSize != 32) return false;
        if (f.pixelSize == 32 && f.cmpCount != 3 && f.cmpCount != 4) f.cmpCount = 3;
    } else if (f.pixelSize != 1 && f.pixelSize != 2 && f.pixelSize != 4 && f.pixelSize != 8) {
        return false;
    }
    if ((uint64_t)rowBytes * 8 < (uint64_t)width * f.pixelSize) return false;

    // How the rows are stored, and what one row unpacks to.
    bool packed = packedOp && rowBytes >= 8;
    size_t unit = 1;
    uint32_t unpackedBytes = rowBytes;
    if (f.direct) {
        if (rowBytes < 8 || f.packType == 1) {
            packed = false;
            f.packType = 1;
        } else if (f.pixelSize == 32 && f.packType == 2) {
            packed = false;
            unpackedBytes = (uint32_t)width * 3;
        } else if (f.pixelSize == 16) {
            packed = true;
            unit = 2;
            f.packType = 3;
        } else {
            packed = true;
            f.packType = 4;
            unpackedBytes = (uint32_t)width * f.cmpCount;
        }
        if (f.pixelSize == 32 && f.packType == 1 && rowBytes < (uint32_t)width * 4) return false;
    }

    // Frame rows each source row lands on (the source rectangle scaled onto the
    // destination), and the frame columns with their source columns.
    const int srcW = src.Width(), srcH = src.Height(), dstW = dst.Width(), dstH = dst.Height();
    const bool drawable = srcW > 0 && srcH > 0 && dstW > 0 && dstH > 0;
    const int yFrom = std::max(dst.top, canvas.frame.top), yTo = std::min(dst.bottom, canvas.frame.bottom);
    const int xFrom = std::max(dst.left, canvas.frame.left), xTo = std::min(dst.right, canvas.frame.right);
    auto sourceRow = [&](int y) { return (int)(src.top + (int64_t)(y - dst.top) * srcH / dstH) - bounds.top; };
    std::vector<int> columns;
    if (drawable)
        for (int x = xFrom; x < xTo; ++x)
            columns.push_back((int)(src.left + (int64_t)(x - dst.left) * srcW / dstW) - bounds.left);

    std::vector<uint8_t> row(unpackedBytes + 4, 0);
    int y = yFrom;
    canvas.drawn = true;  // a record cut short still shows its first rows
    for (int j = 0; j < height; ++j) {
        std::fill(row.begin(), row.end(), 0);
        if (packed) {
            const uint32_t count = rowBytes > 250 ? in.U16() : in.U8();
            if (!in.Has(count)) return false;
            UnpackBits(in.here(), count, row.data(), unpackedBytes, unit);
            in.Skip(count);
        } else {
            if (!in.Has(unpackedBytes)) return false;
            std::memcpy(row.data(), in.here(), unpackedBytes);
            in.Skip(f.direct && f.packType == 2 ? unpackedBytes : rowBytes);
        }
        if (!drawable) continue;
        while (y < yTo && sourceRow(y) < j) ++y;
        for (; y < yTo && sourceRow(y) == j; ++y) {
            if (canvas.budget < columns.size()) continue;
            canvas.budget -= columns.size();
            uint8_t* out = canvas.Row((uint32_t)(y - canvas.frame.top));
            for (size_t k = 0; k < columns.size(); ++k) {
                const int sx = columns[k];
                if (sx < 0 || sx >= width) continue;
                uint8_t rgb[3];
                PixelAt(f, row.data(), (uint32_t)width, (uint32_t)sx, unpackedBytes, rgb);
                uint8_t* px = out + (size_t)(xFrom - canvas.frame.left + (int)k) * 3;
                px[0] = rgb[2];
                px[1] = rgb[1];
                px[2] = rgb[0];
            }
        }
    }
    return true;
}

// Skips a pattern of the colour pattern opcodes.
bool SkipPixPat(Reader& in) {
    const uint16_t type = in.U16();
    in.Skip(8);
    if (type == 2) return in.Skip(6);
    if (type != 1) return in.ok();
    const uint16_t rowBytesField = in.U16();
    const uint32_t rowBytes = rowBytesField & 0x3FFF;
    const Rect bounds = ReadRect(in);
    in.Skip(2 + 2 + 4 + 4 + 4 + 2);
    const uint32_t pixelSize = in.U16();
    in.Skip(2 + 2 + 4 + 4 + 4);
    PixelFormat f;
    if (!ReadColorTable(in, f)) return false;
    const int height = bounds.Height();
    if (height < 0 || (uint64_t)rowBytes * 8 < (uint64_t)std::max(bounds.Width(), 0) * pixelSize) return false;
    for (int j = 0; j < height; ++j) {
        if (rowBytes < 8) {
            if (!in.Skip(rowBytes)) return false;
        } else {
            const uint32_t count = rowBytes > 250 ? in.U16() : in.U8();
            if (!in.Skip(count)) return false;
        }
    }
    return in.ok();
}

// Skips the data of an opcode this player does not draw; false when the data
// leaves the picture or the opcode is not known.
bool SkipOpcode(Reader& in, uint16_t op, bool version2) {
    auto text = [&](uint32_t before) { return in.Skip(before) && in.Skip(in.U8()); };
    auto sized16 = [&] { return in.Skip(in.U16()); };
    auto sized32 = [&] { return in.Skip(in.U32()); };
    auto shape = [&] {  // region or polygon: a size that counts itself
        const uint16_t size = in.U16();
        return size >= 2 && in.Skip(size - 2u);
    };
    switch (op) {
    case 0x00:
    case 0x17:
    case 0x18:
    case 0x19:
    case 0x1C:
    case 0x1E: return true;
    case 0x01: return shape();
    case 0x02:
    case 0x09:
    case 0x0A:
    case 0x10:
    case 0x20: return in.Skip(8);
    case 0x03:
    case 0x05:
    case 0x08:
    case 0x0D:
    case 0x15:
    case 0x16:
    case 0x23:
    case 0xA0: return in.Skip(2);
    case 0x04: return in.Skip(1);
    case 0x06:
    case 0x07:
    case 0x0B:
    case 0x0C:
    case 0x0E:
    case 0x0F:
    case 0x21: return in.Skip(4);
    case 0x11: return in.Skip(version2 ? 2 : 1);
    case 0x12:
    case 0x13:
    case 0x14: return version2 ? SkipPixPat(in) : in.Skip(8);
    case 0x1A:
    case 0x1B:
    case 0x1D:
    case 0x1F:
    case 0x22: return in.Skip(6);
    case 0x28: return text(4);
    case 0x29:
    case 0x2A: return text(1);
    case 0x2B: return text(2);
    case 0xA1: return in.Skip(2) && sized16();
    default: break;
    }
    if ((op >= 0x24 && op <= 0x27) || (op >= 0x2C && op <= 0x2F)) return sized16();
    if (op >= 0x30 && op <= 0x37) return in.Skip(8);
    if (op >= 0x38 && op <= 0x3F) return true;
    if (op >= 0x40 && op <= 0x47) return in.Skip(8);
    if (op >= 0x48 && op <= 0x4F) return true;
    if (op >= 0x50 && op <= 0x57) return in.Skip(8);
    if (op >= 0x58 && op <= 0x5F) return true;
    if (op >= 0x60 && op <= 0x67) return in.Skip(12);
    if (op >= 0x68 && op <= 0x6F) return in.Skip(4);
    if (op >= 0x70 && op <= 0x77) return shape();
    if (op >= 0x78 && op <= 0x7F) return true;
    if (op >= 0x80 && op <= 0x87) return shape();
    if (op >= 0x88 && op <= 0x8F) return true;
    if ((op >= 0x92 && op <= 0x97) || (op >= 0x9C && op <= 0x9F) || (op >= 0xA2 && op <= 0xAF)) return sized16();
    if (op >= 0xB0 && op <= 0xCF) return true;
    if (op >= 0xD0 && op <= 0xFE) return sized32();
    if (!version2) return false;
    if (op >= 0x0100 && op <= 0x7FFF) return in.Skip((uint32_t)(op >> 8) * 2);
    if (op >= 0x8000 && op <= 0x80FF) return true;
    return sized32();  // 0x8100 and up
}

// Plays the picture that starts at `start` (its size word) into a DIB.
Outcome PlayPicture(const uint8_t* data, size_t size, size_t start, std::vector<uint8_t>& dib) {
    Reader in(data, size, start);
    in.U16();  // size of a version 1 picture, low word of the size since
    const Rect frame = ReadRect(in);
    bool version2 = false;
    if (in.left() >= 4 && std::memcmp(in.here(), "\x00\x11\x02\xFF", 4) == 0) {
        version2 = true;
        in.Skip(4);
    } else if (in.left() >= 2 && std::memcmp(in.here(), "\x11\x01", 2) == 0) {
        in.Skip(2);
    } else {
        return Outcome::NoImage;
    }
    // Bit images expand at most 64 times when packed: a frame far larger than
    // the file could fill is not believed.
    const uint64_t framePixels = (uint64_t)std::max(frame.Width(), 0) * (uint64_t)std::max(frame.Height(), 0);
    if (!framePixels || framePixels > (uint64_t)size * 64 + kFramePixelsAlways) return Outcome::NoImage;
    Canvas canvas;
    if (!canvas.Make(frame)) return Outcome::NoImage;

    while (in.ok() && in.left()) {
        if (version2 && ((in.pos() - start) & 1)) in.Skip(1);
        const uint16_t op = version2 ? in.U16() : in.U8();
        if (!in.ok() || op == 0xFF) break;
        if (op == 0x8200 || op == 0x8201) return Outcome::NeedQuickTime;
        bool ok;
        if (op == 0x90 || op == 0x91 || op == 0x98 || op == 0x99 || op == 0x9A || op == 0x9B)
            ok = DrawBitImage(in, op, canvas);
        else ok = SkipOpcode(in, op, version2);
        if (!ok) break;  // what was drawn so far stays
    }
    if (!canvas.drawn) return Outcome::NoImage;
    dib = std::move(canvas.dib);
    return Outcome::Drawn;
}

// A QuickTime image file starts with an atom of one of these types.
bool IsQuickTimeImageFile(const uint8_t* data, size_t size) {
    if (size < 8) return false;
    static const char* const kAtoms[] = {"idsc", "idat", "iicc", "moov", "mdat",
                                         "ftyp", "pnot", "wide", "free", "skip"};
    for (const char* atom : kAtoms)
        if (std::memcmp(data + 4, atom, 4) == 0) return true;
    return false;
}

// The picture in data as a bottom-up 24-bit DIB (header and rows).
ReadStatus DecodePictToDib(const uint8_t* data, size_t size, std::vector<uint8_t>& dib, wchar_t* errorText) {
    Outcome outcome = Outcome::NoImage;
    auto hasVersion = [&](size_t start) {
        if (size < start + 12) return false;
        const uint8_t* v = data + start + 10;
        return std::memcmp(v, "\x11\x01", 2) == 0 || (size >= start + 14 && std::memcmp(v, "\x00\x11\x02\xFF", 4) == 0);
    };
    if (hasVersion(kPreamble)) outcome = PlayPicture(data, size, kPreamble, dib);
    else if (hasVersion(0))  // a picture without its preamble, as the clipboard holds it
        outcome = PlayPicture(data, size, 0, dib);
    else if (IsQuickTimeImageFile(data, size)) outcome = Outcome::NeedQuickTime;
    if (outcome == Outcome::Drawn) return true;
    SetFormatError(errorText, outcome == Outcome::NeedQuickTime ? kTextNeedQuickTime : kTextNoImage);
    return false;
}

}  // namespace

ReadStatus LoadPict(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    std::vector<uint8_t> bytes;
    {
        CBinFile file;
        if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
            SetFormatError(errorText, kTextNoImage);
            return false;
        }
        const uint64_t length = file.GetLength();
        if (length > kMaxFileBytes) {
            SetFormatError(errorText, kTextNoImage);
            return false;
        }
        bytes.resize((size_t)length);
        if (length && file.Read(bytes.data(), (uint32_t)length) != length) {
            SetFormatError(errorText, kTextNoImage);
            return false;
        }
    }
    std::vector<uint8_t> dib;
    if (!DecodePictToDib(bytes.data(), bytes.size(), dib, errorText)) return false;
    bytes = std::vector<uint8_t>();
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib.data(), sizeof header);
    const bool created =
        image.Create((int)header.biWidth, (int)header.biHeight, header.biBitCount, dib.data() + kDibHeader, nullptr);
    dib = std::vector<uint8_t>();
    if (!created) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }
    return true;
}
