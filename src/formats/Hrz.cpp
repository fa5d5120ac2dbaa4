// Slow-scan television pictures (HRZ): no header, 240 rows of 256 pixels from
// the top, each pixel red, green, blue of 6 bits. Any file is taken; what it
// lacks stays black.
#include "formats/FileBytes.h"
#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr uint32_t kWidth = 256, kHeight = 240;

bool ReadHrz(CBinFile& file, CImage& image, wchar_t* errorText) {
    if (!image.CreateEmpty((int)kWidth, (int)kHeight, 24, RGB(0, 0, 0), nullptr) || !image.ScanLine(0)) {
        SetFormatError(errorText, L"Unable to allocate Memory for storing Imagedata!");
        return false;
    }
    CFileBytes in(file);
    uint8_t row[kWidth * 3];
    for (uint32_t y = 0; y < kHeight; ++y) {
        const uint32_t got = in.Read(row, sizeof row);
        uint8_t* out = image.ScanLine(kHeight - 1 - y);
        for (uint32_t x = 0; x < got / 3; ++x) {
            out[x * 3] = (uint8_t)(row[x * 3 + 2] * 4);
            out[x * 3 + 1] = (uint8_t)(row[x * 3 + 1] * 4);
            out[x * 3 + 2] = (uint8_t)(row[x * 3] * 4);
        }
        if (got < sizeof row) break;
    }
    return true;
}

}  // namespace

ReadStatus LoadHrz(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    CBinFile file;
    if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
        SetFormatError(errorText, L"Couldn't open HRZ File!");
        return false;
    }
    return ReadHrz(file, image, errorText);
}
