// Dr. Halo CUT pictures: a 6-byte header (width, height, reserved), then one
// run-length record per row from the top, each behind its byte count. The
// colours come from the ".pal" file of the same name, else a grey ramp.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "formats/FileBytes.h"
#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Palette.h"

namespace {

constexpr wchar_t kTextMemory[] = L"Unable to allocate Memory for storing Imagedata!";
constexpr uint32_t kHeaderBytes = 6;
// A repeat record of 2 bytes gives up to 127 pixels.
constexpr uint64_t kRunExpansion = 64;

// Colour table layout: 512-byte blocks; the first holds 40 bytes of header and
// 78 entries, every later one 85 entries; an entry is red, green, blue as
// 16-bit values of which the low byte counts.
constexpr uint32_t kPalBlock = 512, kPalHeader = 40, kPalFirstEntries = 78, kPalBlockEntries = 85;

uint64_t PalEntryOffset(uint32_t index) {
    if (index < kPalFirstEntries) return kPalHeader + 6ull * index;
    const uint32_t k = index - kPalFirstEntries;
    return (uint64_t)kPalBlock * (1 + k / kPalBlockEntries) + 6ull * (k % kPalBlockEntries);
}

// The ".pal" path beside a CUT file: the extension (from the last "." of the
// file name on) replaced, or ".pal" added to a name without one.
std::wstring PalettePath(const wchar_t* path) {
    std::wstring name = path;
    const size_t dot = name.rfind(L'.');
    const size_t slash = name.find_last_of(L"\\/");
    if (dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash)) name.resize(dot);
    return name + L".pal";
}

// Entries the ".pal" file holds replace those of the grey ramp in rgb.
void ReadPalette(const wchar_t* path, uint8_t* rgb) {
    FillGreyPalette(rgb, 256);
    CBinFile file;
    if (!file.Open(PalettePath(path).c_str(), BINFILE_READ | BINFILE_SHARE_READ)) return;
    const uint64_t length = file.GetLength();
    std::vector<uint8_t> bytes((size_t)std::min<uint64_t>(length, PalEntryOffset(255) + 6));
    if (bytes.empty() || file.Read(bytes.data(), (uint32_t)bytes.size()) != bytes.size()) return;
    for (uint32_t i = 0; i < 256; ++i) {
        const uint64_t at = PalEntryOffset(i);
        if (at + 6 > bytes.size()) break;
        for (int c = 0; c < 3; ++c) rgb[i * 3 + c] = bytes[(size_t)at + 2 * c];
    }
}

// Decodes one row's records into row (width bytes). Records stop at a 0 byte,
// the end of the file, a full row, or after the row's count and what a full
// row could take more, so that a damaged row cannot scan the whole file.
void DecodeRow(CFileBytes& in, uint8_t* row, uint32_t width, uint64_t limit) {
    uint32_t x = 0;
    const uint64_t stop = in.Position() + limit;
    while (x < width && in.Position() < stop) {
        uint8_t n, value;
        if (!in.Next(n) || n == 0) return;
        if (n & 0x80) {
            if (!in.Next(value)) return;
            const uint32_t count = std::min<uint32_t>(n & 0x7F, width - x);
            std::memset(row + x, value, count);
            x += count;
        } else {
            for (uint32_t i = 0; i < n; ++i) {
                if (!in.Next(value)) return;
                if (x < width) row[x++] = value;
            }
        }
    }
}

// Decodes an open CUT file with the given colour table (256 red, green, blue).
bool ReadCut(CBinFile& file, const uint8_t* rgbPalette, CImage& image, wchar_t* errorText) {
    CFileBytes in(file);
    uint8_t header[kHeaderBytes];
    if (in.Read(header, kHeaderBytes) < kHeaderBytes) {
        SetFormatError(errorText, L"Couldn't read Header!");
        return false;
    }
    const uint32_t width = (uint32_t)(header[0] | header[1] << 8);
    const uint32_t height = (uint32_t)(header[2] | header[3] << 8);
    if (!PlausibleDataSize((uint64_t)width * height, in.Length() - kHeaderBytes, kRunExpansion)) {
        SetFormatError(errorText, L"CUT File is too short for its image size!");
        return false;
    }
    if (!image.CreateEmpty((int)width, (int)height, 8, RGB(0, 0, 0), rgbPalette) || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    std::vector<uint8_t> row(width);
    uint64_t next = kHeaderBytes;
    for (uint32_t y = 0; y < height; ++y) {
        if (!in.SeekTo(next)) break;
        const int low = in.Get(), high = in.Get();
        if (high < 0) break;
        const uint32_t count = (uint32_t)(low | high << 8);
        next = in.Position() + count;
        std::fill(row.begin(), row.end(), 0);
        DecodeRow(in, row.data(), width, count + 2ull * width + 2);
        std::memcpy(image.ScanLine(height - 1 - y), row.data(), width);
    }
    return true;
}

}  // namespace

ReadStatus LoadCut(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    CBinFile file;
    if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
        SetFormatError(errorText, L"Couldn't open File!");
        return false;
    }
    uint8_t rgb[256 * 3];
    ReadPalette(path, rgb);
    return ReadCut(file, rgb, image, errorText);
}
