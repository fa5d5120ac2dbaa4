// Photo CD images (PCD): 32 bytes of 0xFF, the orientation in byte 72, and
// pictures in luma and chroma at fixed offsets. The viewer shows the 768 x 512
// base picture, previews and thumbnails the 192 x 128 one. Each pair of rows
// is two luma rows and one chroma row (half a row of C1, then of C2), a chroma
// sample covering two pixels of both rows.
#include <cmath>
#include <vector>

#include "formats/FileBytes.h"
#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr uint32_t kSignatureBytes = 32;
constexpr uint32_t kOrientationOffset = 72;
constexpr uint64_t kPreviewOffset = 8192, kBaseOffset = 196608;
constexpr uint32_t kPreviewWidth = 192, kPreviewHeight = 128, kBaseWidth = 768, kBaseHeight = 512;

uint8_t RoundClamp(double v) {
    const double r = std::floor(v + 0.5);
    return (uint8_t)(r < 0 ? 0 : r > 255 ? 255 : r);
}

ReadStatus ReadPcd(CBinFile& file, bool preview, CImage& image, wchar_t* errorText) {
    CFileBytes in(file);
    uint8_t head[kOrientationOffset + 1] = {};
    const uint32_t got = in.Read(head, sizeof head);
    bool signature = got >= kSignatureBytes;
    for (uint32_t i = 0; signature && i < kSignatureBytes; ++i) signature = head[i] == 0xFF;
    if (!signature) { return NotThisFormat(errorText); }
    const uint32_t width = preview ? kPreviewWidth : kBaseWidth;
    const uint32_t height = preview ? kPreviewHeight : kBaseHeight;
    if (!image.CreateEmpty((int)width, (int)height, 24, RGB(0, 0, 0), nullptr) || !image.ScanLine(0)) {
        SetFormatError(errorText, L"CreateEmpty(): Insufficient Memory!");
        return false;
    }
    const uint32_t orientation = got > kOrientationOffset ? head[kOrientationOffset] & 0x3F : 0;
    // 8 and values without a meaning place the rows from the top.
    const bool topDown = orientation != 9 && orientation != 10 && orientation != 11;

    std::vector<uint8_t> block((size_t)width * 3);
    if (in.SeekTo(preview ? kPreviewOffset : kBaseOffset)) {
        for (uint32_t pair = 0; pair < height / 2; ++pair) {
            const uint32_t read = in.Read(block.data(), (uint32_t)block.size());
            if (read < block.size()) break;
            const uint8_t* chroma = block.data() + 2 * width;
            for (uint32_t r = 0; r < 2; ++r) {
                const uint32_t y = pair * 2 + r;
                uint8_t* out = image.ScanLine(topDown ? height - 1 - y : y);
                const uint8_t* luma = block.data() + r * width;
                for (uint32_t x = 0; x < width; ++x) {
                    uint8_t rgb[3];
                    PcdYccToRgb(luma[x], chroma[x / 2], chroma[width / 2 + x / 2], rgb);
                    out[x * 3] = rgb[2];
                    out[x * 3 + 1] = rgb[1];
                    out[x * 3 + 2] = rgb[0];
                }
            }
        }
    }
    // Rows placed from the bottom show the picture upside down; 9 and 11 are
    // turned left and right pictures, 10 one turned by half a turn.
    if (orientation == 9) {
        image.RotateRight90();
        image.FlipVertical();
    } else if (orientation == 11) {
        image.RotateLeft90();
        image.FlipVertical();
    } else if (orientation == 10) {
        image.Mirror();
    }
    return true;
}

}  // namespace

void PcdYccToRgb(uint8_t y, uint8_t c1, uint8_t c2, uint8_t* rgb) {
    const double l = 1.4074880 * y, b = (double)c1 - 156, r = (double)c2 - 137;
    rgb[0] = RoundClamp(l + 1.3230336 * r + 0.0000256 * b);
    rgb[1] = RoundClamp(l - 0.3954176 * b - 0.6739200 * r);
    rgb[2] = RoundClamp(l + 2.0360448 * b + 0.0000256 * r);
}

ReadStatus LoadPcd(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    CBinFile file;
    if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
        SetFormatError(errorText, L"Unable to open PCD File!");
        return false;
    }
    return ReadPcd(file, call.request.Reduced(), image, errorText);
}
