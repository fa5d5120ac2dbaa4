// Microsoft Paint pictures (MSP): an 8-byte key and size header, then 1-bit
// rows from the top (a set bit is white), stored as they are (version 1) or
// run-length compressed (version 2, after a table of row sizes).
#include <cstring>

#include "formats/ByteReader.h"
#include "formats/FileBytes.h"
#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr uint16_t kKey1V1 = 0x6144, kKey1V2 = 0x694C;  // "Da", "Li"
constexpr uint16_t kKey2V1 = 0x4D6E, kKey2V2 = 0x536E;  // "nM", "nS"
constexpr uint64_t kHeaderBytes = 32;
// A run of up to 255 bytes takes 3 bytes of the file.
constexpr uint64_t kRunExpansion = 86;

// Decodes one run-length row of rowBytes; a run that reaches past the row end
// ends with it. False when the file ends before the row is full.
bool UnpackRow(CFileBytes& in, uint8_t* row, uint32_t rowBytes) {
    uint32_t x = 0;
    while (x < rowBytes) {
        uint8_t n, count, value;
        if (!in.Next(n)) return false;
        if (n) {
            for (uint32_t i = 0; i < n; ++i) {
                if (!in.Next(value)) return false;
                if (x < rowBytes) row[x++] = value;
            }
        } else {
            if (!in.Next(count) || !in.Next(value)) return false;
            for (uint32_t i = 0; i < count && x < rowBytes; ++i) row[x++] = value;
        }
    }
    return true;
}

}  // namespace

ReadStatus LoadMsp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    CBinFile file;
    if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
        SetFormatError(errorText, L"Couldn't open MSP File!");
        return false;
    }
    CFileBytes in(file);
    uint8_t header[8];
    if (in.Read(header, sizeof header) < sizeof header) {
        SetFormatError(errorText, L"Couldn't read MSPHeader!");
        return false;
    }
    ByteReader fields(header, sizeof header);
    const uint16_t key1 = fields.U16LE(), key2 = fields.U16LE();
    if ((key1 != kKey1V1 && key1 != kKey1V2) || (key2 != kKey2V1 && key2 != kKey2V2)) {
        return NotThisFormat(errorText);
    }
    const uint32_t width = fields.U16LE(), height = fields.U16LE();
    // Mixed keys are run-length data right behind the header.
    const bool packed = !(key1 == kKey1V1 && key2 == kKey2V1);
    const uint64_t dataStart = key1 == kKey1V2 && key2 == kKey2V2 ? kHeaderBytes + 2ull * height : kHeaderBytes;
    const uint32_t rowBytes = (width + 7) / 8;
    const uint64_t available = in.Length() > dataStart ? in.Length() - dataStart : 0;
    if (!PlausibleDataSize((uint64_t)rowBytes * height, available, packed ? kRunExpansion : 1)) {
        SetFormatError(errorText, L"MSP File is too short for its image size!");
        return false;
    }
    if (!image.CreateEmpty((int)width, (int)height, 1, RGB(0, 0, 0), kPaletteBlackWhite) || !image.ScanLine(0)) {
        SetFormatError(errorText, L"Unable to allocate Memory for storing Imagedata!");
        return false;
    }
    std::memset(image.bits, 0, (size_t)image.stride * height);
    if (!in.SeekTo(dataStart)) return true;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = image.bits + (size_t)(height - 1 - y) * image.stride;
        if (packed ? !UnpackRow(in, row, rowBytes) : in.Read(row, rowBytes) < rowBytes) break;
    }
    return true;
}
