// Wireless bitmaps (WBMP type 0): a type field, a fixed header byte, optional
// extension headers, width and height as multi-byte integers, then 1-bit rows
// from the top, a set bit being white.
#include <cstring>

#include "formats/FileBytes.h"
#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr wchar_t kTextSize[] = L"Width/Height <= NULL!";
constexpr wchar_t kTextMemory[] = L"Insufficient Memory!";
constexpr wchar_t kTextTooShort[] = L"WBMP File is too short for its image size!";

// A multi-byte integer holds at most this many 7-bit groups (28 bits).
constexpr int kMaxMultiByteBytes = 4;

// Seven bits a byte, most significant group first, the high bit set on every
// byte but the last. False at the end of the file or past four bytes.
bool WbmpReadMultiByte(CFileBytes& in, uint32_t& value) {
    value = 0;
    for (int i = 0; i < kMaxMultiByteBytes; ++i) {
        uint8_t byte;
        if (!in.Next(byte)) return false;
        value = value << 7 | (byte & 0x7F);
        if (!(byte & 0x80)) return true;
    }
    return false;
}

// Skips the extension headers that follow a fixed header byte with its high
// bit set, up to the first byte without it. False at the end of the file.
bool WbmpSkipExtension(CFileBytes& in) {
    for (;;) {
        uint8_t byte;
        if (!in.Next(byte)) return false;
        const uint8_t kind = (byte >> 5) & 3;
        if (kind == 0) {
            uint32_t ignored;
            if (!WbmpReadMultiByte(in, ignored)) return false;
        } else if (kind == 3) {
            // A parameter name and its value, lengths in the byte itself.
            const uint32_t skip = ((byte >> 4) & 7) + (byte & 0x0F);
            uint8_t ignored;
            for (uint32_t i = 0; i < skip; ++i)
                if (!in.Next(ignored)) return false;
        }
        if (!(byte & 0x80)) return true;
    }
}

}  // namespace

ReadStatus LoadWbmp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    CBinFile file;
    if (!OpenCheckedForRead(file, path, errorText)) return false;
    CFileBytes in(file);
    uint32_t type = 0, width = 0, height = 0;
    uint8_t fixed = 0;
    // Without magic bytes a damaged header is no WBMP at all.
    if (!WbmpReadMultiByte(in, type) || type != 0 || !in.Next(fixed) || ((fixed & 0x80) && !WbmpSkipExtension(in)) ||
        !WbmpReadMultiByte(in, width) || !WbmpReadMultiByte(in, height)) {
        return NotThisFormat(errorText);
    }
    if (width < 1 || height < 1) {
        SetFormatError(errorText, kTextSize);
        return false;
    }
    const uint64_t rowBytes = ((uint64_t)width + 7) / 8;
    if (!PlausibleDataSize(rowBytes * height, in.Remaining(), 1)) {
        SetFormatError(errorText, kTextTooShort);
        return false;
    }
    if (!image.CreateEmpty((int)width, (int)height, 1, RGB(255, 255, 255), kPaletteBlackWhite) || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    std::memset(image.bits, 0xFF, (size_t)image.stride * height);  // white: index 1
    for (uint32_t y = 0; y < height; ++y) {
        if (in.Read(image.bits + (size_t)(height - 1 - y) * image.stride, (uint32_t)rowBytes) < rowBytes) break;
    }
    return true;
}
