// IMAGE11 pictures: the signature "IMAGE11", two offsets whose difference is
// skipped, width, height and the bits of a sample (1, 8, 16 or 32, the last
// as floats), then the samples row by row, the first row at the top.
#include <algorithm>
#include <cmath>
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
constexpr uint32_t kHeaderBytes = 24;

ReadStatus ReadImage11(CBinFile& file, CImage& image, wchar_t* errorText) {
    CFileBytes in(file);
    uint8_t header[kHeaderBytes] = {};
    const uint32_t got = in.Read(header, kHeaderBytes);
    if (got < 8 || std::memcmp(header, "IMAGE11\0", 8) != 0) return NotThisFormat(errorText);
    ByteReader fields(header, kHeaderBytes);  // zeros where the file is shorter
    fields.Skip(8);
    const uint16_t first = fields.U16LE();
    const uint16_t skip = (uint16_t)(fields.U16LE() - first);
    fields.Skip(2);
    const uint32_t width = fields.U32LE(), height = fields.U32LE();
    const uint32_t bits = fields.U16LE();
    if (bits != 1 && bits != 8 && bits != 16 && bits != 32) {
        SetFormatError(errorText, L"Unsupported Bitdepth!");
        return false;
    }
    const int bpp = bits == 1 ? 1 : 8;
    const uint64_t dataStart = (uint64_t)kHeaderBytes + skip;
    const uint64_t rowBytes = bits == 1 ? CImage::RowBytes(width, 1) : (uint64_t)width * (bits / 8);
    const uint64_t available = in.Length() > dataStart ? in.Length() - dataStart : 0;
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF || !PlausibleDataSize(rowBytes * height, available, 1)) {
        SetFormatError(errorText, L"IMAGE11 File is too short for its image size!");
        return false;
    }
    // A grey ramp of 2^bits entries (256 above 8 bits).
    uint8_t rgb[256 * 3] = {};
    FillGreyPalette(rgb, bits == 1 ? 2 : 256);
    if (!image.CreateEmpty((int)width, (int)height, bpp, RGB(0, 0, 0), rgb) || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    if (!in.SeekTo(dataStart)) return true;
    std::vector<uint8_t> samples((size_t)rowBytes);
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t read = in.Read(samples.data(), (uint32_t)rowBytes);
        uint8_t* out = image.ScanLine(height - 1 - y);
        const uint32_t whole = read / (bits == 1 ? 1 : bits / 8);
        switch (bits) {
        case 1:
        case 8: std::memcpy(out, samples.data(), read); break;
        case 16:
            for (uint32_t x = 0; x < whole; ++x) out[x] = samples[x * 2 + 1];
            break;
        default:
            for (uint32_t x = 0; x < whole; ++x) out[x] = Image11FloatToByte(samples.data() + x * 4);
        }
        if (read < rowBytes) break;
    }
    return true;
}

}  // namespace

// A float sample x shows as x + 189 above 0, 2x + 189 below, 0 at 0 (and for
// NaN), truncated to an integer of which the low byte counts; values beyond
// the integer range are held at its ends first.
uint8_t Image11FloatToByte(const uint8_t* littleEndian) {
    const uint32_t raw = ByteReader(littleEndian, 4).U32LE();
    float x;
    std::memcpy(&x, &raw, sizeof x);
    double v;
    if (x > 0) v = (double)x + 189.0;
    else if (x < 0) v = 2.0 * (double)x + 189.0;
    else return 0;  // 0 and NaN
    v = std::min(std::max(v, -2147483648.0), 2147483647.0);
    return (uint8_t)(int32_t)v;
}

ReadStatus LoadImage11(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    CBinFile file;
    if (!OpenCheckedForRead(file, path, errorText)) return false;
    return ReadImage11(file, image, errorText);
}
