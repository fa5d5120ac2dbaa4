#include "formats/Ppp.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <cwctype>

#include "formats/ByteReader.h"
#include "formats/Formats.h"
#include "image/BinFile.h"
#include "image/Image.h"

namespace {

struct HeapBlock {
    void* p = nullptr;
    ~HeapBlock() { std::free(p); }
};

void PutU16(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
}
void PutU32(uint8_t* p, uint32_t v) {
    PutU16(p, v);
    PutU16(p + 2, v >> 16);
}

}  // namespace

int CheckPppVersion(const wchar_t* path) {
    CBinFile file;
    if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) return 0;
    uint8_t head[4] = {};
    const uint32_t got = file.Read(head, 4);
    file.Close();
    if (got >= 2 && head[0] == 0x50 && head[1] == 0x50) return 2;
    if (got == 4 && std::towlower(head[0]) == L'v' && std::towlower(head[1]) == L'e' &&
        std::towlower(head[2]) == L'l' && std::towlower(head[3]) == L'm')
        return 1;
    return 0;
}

ReadStatus LoadPpp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    switch (CheckPppVersion(path)) {
    case 1: SetFormatError(errorText, L"Version 1.0 Format not supported."); return false;
    case 2: break;
    default: return NotThisFormat(errorText);
    }
    CBinFile file;
    if (!file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
        SetFormatError(errorText, L"Failed to open file for read!");
        return false;
    }
    CBinFileReader in(file);
    in.Skip(3);  // "PP" and the version
    const uint32_t width = in.U16LE(), height = in.U16LE();
    const uint32_t rawSize = in.U32LE(), packedSize = in.U32LE();
    // The pixel data must be exactly the image's rows, and the stream cannot be
    // longer than what follows the header: sizes from the file are never trusted.
    const uint64_t expectedRaw = (uint64_t)CImage::RowBytes(width, 24) * height;
    if (!in.Ok() || width == 0 || height == 0 || rawSize != expectedRaw || packedSize == 0 ||
        packedSize > in.Remaining()) {
        file.Close();
        SetFormatError(errorText, L"Decompression failed!");
        return false;
    }
    HeapBlock packed, raw;
    packed.p = std::malloc(packedSize);
    if (!packed.p) {
        file.Close();
        SetFormatError(errorText, L"Insufficient Memory (1)!");
        return false;
    }
    raw.p = std::malloc(rawSize);
    if (!raw.p) {
        file.Close();
        SetFormatError(errorText, L"Insufficient Memory (2)!");
        return false;
    }
    const bool dataRead = in.Bytes(packed.p, packedSize);
    file.Close();
    uLongf rawLength = rawSize;
    if (!dataRead ||
        uncompress(static_cast<Bytef*>(raw.p), &rawLength, static_cast<const Bytef*>(packed.p), packedSize) != Z_OK ||
        rawLength != rawSize) {
        SetFormatError(errorText, L"Decompression failed!");
        return false;
    }
    std::free(packed.p);
    packed.p = nullptr;
    if (!image.Create((int)width, (int)height, 24, raw.p, nullptr)) {
        SetFormatError(errorText, L"Failed img.Create()!");
        return false;
    }
    return true;
}

bool SavePpp(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions&) {
    if (image.IsValid() && (image.GetWidth() > 0xFFFF || image.GetHeight() > 0xFFFF)) {
        // The header holds 16-bit sizes; cutting them would make a file that
        // reads back as a different picture.
        SetFormatError(errorText, L"Image too large for PPP (at most 65535 x 65535 pixels)!");
        return false;
    }
    HeapBlock converted;
    const uint8_t* rows = nullptr;
    if (image.IsValid() && image.GetBpp() == 24) {
        GdiFlush();
        rows = image.bits;
    } else if (image.IsValid()) {
        converted.p = image.GetBits(24);
        rows = static_cast<const uint8_t*>(converted.p);
    }
    if (!rows) {
        SetFormatError(errorText, L"Not enough Memory available for Saving! Aborting...");
        return false;
    }
    const uint32_t width = image.GetWidth(), height = image.GetHeight();
    const uint32_t rawSize = CImage::RowBytes(width, 24) * height;  // below the image limit, no overflow
    const uLong capacity = compressBound(rawSize);
    HeapBlock packed;
    packed.p = std::malloc(capacity);
    if (!packed.p) {
        SetFormatError(errorText, L"Not enough Memory available for saving! Skipping...");
        return false;
    }
    uLongf packedSize = capacity;
    if (compress2(static_cast<Bytef*>(packed.p), &packedSize, rows, rawSize, 9) != Z_OK) {
        SetFormatError(errorText, L"An error occured during Compression! Skipping...");
        return false;
    }
    uint8_t header[PPP_HEADER_BYTES];
    PutU16(header, 0x5050);
    header[2] = 2;
    PutU16(header + 3, width);
    PutU16(header + 5, height);
    PutU32(header + 7, rawSize);
    PutU32(header + 11, (uint32_t)packedSize);

    // The file is created only once the data is ready, and a failed write or
    // close removes it: no half-written picture is left under the name.
    CBinFile file;
    if (!file.Open(path, BINFILE_WRITE | BINFILE_CREATE | BINFILE_SHARE_NONE)) {
        SetFormatError(errorText, L"Failed to create file!");
        return false;
    }
    const bool written = file.Write(header, PPP_HEADER_BYTES) && file.Write(packed.p, (uint32_t)packedSize);
    const bool closed = file.Close();
    if (!written || !closed) {
        DeleteFileW(path);
        SetFormatError(errorText, L"Failed to write file!");
        return false;
    }
    return true;
}
