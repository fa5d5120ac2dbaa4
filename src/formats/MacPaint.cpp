// MacPaint pictures: 576 x 720 pixels, 1 bit each (a set bit is black), as 720
// PackBits-compressed rows of 72 bytes after a 512-byte header, or after a
// 128-byte MacBinary header on top of that (type "PNTG"), or with no header.
#include <cstring>

#include "formats/FileBytes.h"
#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr int kWidth = 576, kHeight = 720, kRowBytes = kWidth / 8;
constexpr uint32_t kProbeBytes = 69;

// Decodes one PackBits row into row (kRowBytes); runs that reach past the row
// end with it. False when the file ends before the row is full.
bool UnpackRow(CFileBytes& in, uint8_t* row) {
    int x = 0;
    while (x < kRowBytes) {
        uint8_t n, value;
        if (!in.Next(n)) return false;
        if (n < 128) {
            for (int i = 0; i <= n; ++i) {
                if (!in.Next(value)) return false;
                if (x < kRowBytes) row[x++] = value;
            }
        } else if (n > 128) {
            if (!in.Next(value)) return false;
            for (int i = 0; i < 257 - n && x < kRowBytes; ++i) row[x++] = value;
        }
    }
    return true;
}

}  // namespace

ReadStatus LoadMac(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    CBinFile file;
    if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
        SetFormatError(errorText, L"Couldn't open MAC File!");
        return false;
    }
    CFileBytes in(file);
    uint8_t probe[kProbeBytes];
    if (in.Read(probe, kProbeBytes) < kProbeBytes) {
        SetFormatError(errorText, L"Couldn't read MACHeader!");
        return false;
    }
    const uint64_t dataStart = std::memcmp(probe + 65, "PNTG", 4) == 0 ? 640 : probe[0] == 0 ? 512 : 0;
    if (!image.CreateEmpty(kWidth, kHeight, 1, RGB(255, 255, 255), kPaletteWhiteBlack) || !image.ScanLine(0)) {
        SetFormatError(errorText, L"Unable to allocate Memory for storing Imagedata!");
        return false;
    }
    std::memset(image.bits, 0, (size_t)image.stride * kHeight);
    if (!in.SeekTo(dataStart)) return true;
    for (int y = 0; y < kHeight; ++y)
        if (!UnpackRow(in, image.bits + (size_t)(kHeight - 1 - y) * image.stride)) break;
    return true;
}
