// Alias/Wavefront PIX images: a 10-byte big-endian header (width, height, x
// and y offset, bits per pixel) and rows from the top down as run packets, a
// count byte and blue, green, red (24 bits) or one grey value (8 bits). Runs
// never cross rows. LoadPix reads 8- and 24-bit files; SavePix writes 24 bits.
// Files of another program that share the extension ("Esm Software PIX
// file") are answered as not of this format.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "formats/ByteReader.h"
#include "formats/FileBytes.h"
#include "formats/FormatCodecs.h"
#include "formats/OutputFile.h"
#include "formats/WholeFile.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Palette.h"

namespace {

constexpr wchar_t kTextOpen[] = L"Failed to open PIX File!";
constexpr wchar_t kTextSize[] = L"Invalid Imagesize!";
constexpr wchar_t kTextDepth[] = L"Unsupported Bitdepth!";
constexpr wchar_t kTextMemory[] = L"Unable to allocate Memory for storing Imagedata!";
constexpr wchar_t kTextTooShort[] = L"PIX File is too short for its image size!";
constexpr wchar_t kTextCreate[] = L"PIX Failed to open file for saving!";
constexpr wchar_t kTextWrite[] = L"Error while writing PIX image file!";
constexpr wchar_t kTextTooLarge[] = L"Image too large for PIX (at most 65535 x 65535 pixels)!";

constexpr char kEsmSignature[] = "Esm Software PIX file";
constexpr size_t kEsmSignatureBytes = sizeof kEsmSignature - 1;
constexpr uint64_t kHeaderBytes = 10;
constexpr uint32_t kMaxRun = 255;

void Put16BE(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)(v >> 8);
    p[1] = (uint8_t)v;
}

bool IsEsmPixBytes(const uint8_t* data, size_t size) {
    return size >= kEsmSignatureBytes && std::memcmp(data, kEsmSignature, kEsmSignatureBytes) == 0;
}

ReadStatus LoadEsmPix(const wchar_t* path, wchar_t* errorText) {
    if (!CanOpenForRead(path, errorText)) return false;
    return NotThisFormat(errorText);
}

}  // namespace

bool IsEsmPixFile(const wchar_t* path) {
    CBinFile file;
    if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) return false;
    uint8_t head[kEsmSignatureBytes];
    return file.Read(head, (uint32_t)kEsmSignatureBytes) == kEsmSignatureBytes &&
           IsEsmPixBytes(head, kEsmSignatureBytes);
}

ReadStatus DecodePix(const uint8_t* data, size_t size, CImage& image, wchar_t* errorText) {
    if (IsEsmPixBytes(data, size)) { return NotThisFormat(errorText); }
    uint8_t head[kHeaderBytes] = {};
    std::memcpy(head, data, std::min<size_t>(size, kHeaderBytes));
    ByteReader fields(head, kHeaderBytes);  // zeros where the data is shorter
    const uint32_t width = fields.U16BE(), height = fields.U16BE();
    fields.Skip(4);
    const uint32_t bpp = fields.U16BE();
    if (!width || !height) {
        SetFormatError(errorText, kTextSize);
        return false;
    }
    if (bpp != 8 && bpp != 24) {
        SetFormatError(errorText, kTextDepth);
        return false;
    }
    const uint32_t pixelBytes = bpp / 8, packetBytes = pixelBytes + 1;
    const uint64_t available = size > kHeaderBytes ? size - kHeaderBytes : 0;
    if (!PlausibleDataSize((uint64_t)width * height * pixelBytes, available,
                           (uint64_t)kMaxRun * pixelBytes / packetBytes + 1)) {
        SetFormatError(errorText, kTextTooShort);
        return false;
    }
    uint8_t ramp[256 * 3];
    FillGreyPalette(ramp, 256);
    if (!image.CreateEmpty((int)width, (int)height, (int)bpp, RGB(0, 0, 0), bpp == 8 ? ramp : nullptr) ||
        !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    std::memset(image.bits, 0, (size_t)image.stride * height);
    uint64_t pos = kHeaderBytes;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* out = image.ScanLine(height - 1 - y);
        uint32_t x = 0;
        while (x < width) {
            if (pos + packetBytes > size) return true;  // ends early: the rest stays as created
            const uint32_t run = std::min<uint32_t>(data[pos], width - x);
            const uint8_t* value = data + pos + 1;
            pos += packetBytes;
            for (uint32_t i = 0; i < run; ++i, ++x) std::memcpy(out + (size_t)x * pixelBytes, value, pixelBytes);
        }
    }
    return true;
}

ReadStatus LoadPix(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    try {
        if (IsEsmPixFile(path)) return LoadEsmPix(path, errorText);
        std::vector<uint8_t> bytes;
        switch (ReadWholeFile(path, bytes)) {
        case WholeFileResult::Ok: break;
        case WholeFileResult::TooLarge: SetFormatError(errorText, kTextMemory); return false;
        default: SetFormatError(errorText, kTextOpen); return false;
        }
        return DecodePix(bytes.data(), bytes.size(), image, errorText);
    } catch (const std::bad_alloc&) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
}

// Run packets of one row of 24-bit pixels: each run of equal pixels, at most
// 255 long, as its count and blue, green, red.
void EncodePixRow(const uint8_t* pixels, uint32_t width, std::vector<uint8_t>& out) {
    out.clear();
    uint32_t x = 0;
    while (x < width) {
        const uint8_t* p = pixels + (size_t)x * 3;
        uint32_t run = 1;
        while (run < kMaxRun && x + run < width && std::memcmp(p, pixels + (size_t)(x + run) * 3, 3) == 0) ++run;
        out.push_back((uint8_t)run);
        out.insert(out.end(), p, p + 3);
        x += run;
    }
}

bool SavePix(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions&) {
    try {
        if (!image.IsValid() || !image.ScanLine(0)) {
            SetFormatError(errorText, kTextCreate);
            return false;
        }
        const uint32_t width = image.GetWidth(), height = image.GetHeight();
        if (width > 0xFFFF || height > 0xFFFF) {
            SetFormatError(errorText, kTextTooLarge);
            return false;
        }
        // The pixels at 24 bits, bottom row first.
        std::unique_ptr<uint8_t, decltype(&std::free)> converted(nullptr, &std::free);
        const uint8_t* pixels = nullptr;
        if (image.GetBpp() == 24) {
            GdiFlush();
            pixels = image.bits;
        } else {
            converted.reset(image.GetBits(24));
            pixels = converted.get();
        }
        if (!pixels) {
            SetFormatError(errorText, kTextMemory);
            return false;
        }
        const size_t stride = CImage::RowBytes(width, 24);

        OutputFile out;
        if (!out.Open(path)) {
            SetFormatError(errorText, kTextCreate);
            return false;
        }
        uint8_t head[kHeaderBytes] = {};
        Put16BE(head, width);
        Put16BE(head + 2, height);
        Put16BE(head + 8, 24);
        out.Write(head, sizeof head);
        std::vector<uint8_t> packets;
        for (uint32_t y = 0; y < height && out.Ok(); ++y) {
            EncodePixRow(pixels + (size_t)(height - 1 - y) * stride, width, packets);
            out.Write(packets.data(), packets.size());
        }
        return out.Finish(errorText, kTextWrite);
    } catch (const std::bad_alloc&) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
}
