// The preview picture of Zebra metafiles (ZBR): after a 104-byte header, a
// 16-entry palette (blue, green, red, reserved) and 100 x 100 pixels of 4 bits
// in rows of 52 bytes, bottom row first, as a DIB stores them.
#include <new>
#include <vector>

#include "formats/FileBytes.h"
#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr uint16_t kMagic = 666;
constexpr uint16_t kMaxVersion = 4;
constexpr int kSide = 100;
constexpr uint32_t kPaletteOffset = 104, kPaletteEntries = 16;
constexpr uint32_t kPixelBytes = 52 * kSide;
constexpr uint32_t kPreviewBytes = kPaletteOffset + kPaletteEntries * 4 + kPixelBytes;

}  // namespace

ReadStatus LoadZbr(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    CBinFile file;
    if (!OpenCheckedForRead(file, path, errorText)) return false;
    std::vector<uint8_t> preview;
    try {
        preview.resize(kPreviewBytes);
    } catch (const std::bad_alloc&) {
        SetFormatError(errorText, L"Unable to allocate memory!");
        return false;
    }
    const uint64_t length = file.GetLength();
    const uint32_t got = file.Read(preview.data(), kPreviewBytes);
    if (got < 2 || (preview[0] | preview[1] << 8) != kMagic) { return NotThisFormat(errorText); }
    const uint16_t version = (uint16_t)(preview[2] | preview[3] << 8);
    if (version > kMaxVersion || length < kPreviewBytes || got < kPreviewBytes) {
        SetFormatError(errorText, L"Failed to load ZBR Preview!");
        return false;
    }
    uint8_t rgb[256 * 3] = {};
    for (uint32_t i = 0; i < kPaletteEntries; ++i) {
        const uint8_t* entry = &preview[kPaletteOffset + i * 4];
        rgb[i * 3] = entry[2];
        rgb[i * 3 + 1] = entry[1];
        rgb[i * 3 + 2] = entry[0];
    }
    if (!image.Create(kSide, kSide, 4, &preview[kPaletteOffset + kPaletteEntries * 4], rgb)) {
        SetFormatError(errorText, L"Unable to allocate Memory for storing Imagedata!");
        return false;
    }
    return true;
}
