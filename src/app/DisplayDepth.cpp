#include "app/DisplayDepth.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "app/AppState.h"
#include "image/ColorDepth.h"
#include "image/Image.h"

namespace {

// The picture a copy was made from, to notice the first change of it.
struct Source {
    uint32_t width = 0, height = 0;
    int bpp = 0;
    int channelView = 0;
    uint64_t hash = 0;
};

CImage g_copy;
Source g_source;

// FNV-1a over the rows' pixel bytes (the row padding left out), so that a
// flip or a swap of channels changes it as much as a new colour does.
uint64_t HashPixels(CImage& image) {
    uint64_t hash = 1469598103934665603ULL;
    const size_t rowBytes = ((size_t)image.GetWidth() * image.GetBpp() + 7) / 8;
    for (uint32_t row = 0; row < image.GetHeight(); ++row) {
        const uint8_t* p = image.ScanLine(row);
        if (!p) return 0;
        for (size_t i = 0; i < rowBytes; ++i) hash = (hash ^ p[i]) * 1099511628211ULL;
    }
    return hash;
}

Source Describe(CImage& image) {
    GdiFlush();  // GDI drawing into the bitmap is finished before its bytes are read
    return {image.GetWidth(), image.GetHeight(), image.GetBpp(), AppState::ChannelView, HashPixels(image)};
}

bool SameSource(const Source& a, const Source& b) {
    return a.width == b.width && a.height == b.height && a.bpp == b.bpp && a.channelView == b.channelView &&
           a.hash == b.hash;
}

bool MakeCopy(CImage& image, int displayBits) {
    if (!g_copy.Copy(image)) return false;
    if (displayBits == 4 || displayBits == 8) return g_copy.ConvertDepth(displayBits);
    GdiFlush();
    CHiColorDither dither;
    return dither.DitherImage(g_copy.bits, (int)g_copy.width, (int)g_copy.height, g_copy.bpp, (int)g_copy.stride);
}

}  // namespace

void DiscardDisplayCopy() {
    g_copy.Destroy();
    g_source = {};
}

bool MatchImageToDisplayDepth(int displayBits) {
    DiscardDisplayCopy();
    CImage& image = AppState::CurrentImage;
    const int bpp = image.IsValid() ? image.GetBpp() : 0;
    if (displayBits >= bpp || displayBits > 16) return false;
    if (displayBits != 4 && displayBits != 8 && displayBits != 15 && displayBits != 16) return false;
    if (!MakeCopy(image, displayBits)) {
        DiscardDisplayCopy();
        return false;
    }
    g_source = Describe(image);
    return true;
}

bool MatchImageToDisplayDepth() {
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    const int bits = GetDeviceCaps(screen, PLANES) * GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return MatchImageToDisplayDepth(bits);
}

CImage& ImageToDraw() {
    CImage& image = AppState::CurrentImage;
    if (!g_copy.IsValid()) return image;
    if (image.IsValid() && SameSource(Describe(image), g_source)) return g_copy;
    DiscardDisplayCopy();
    return image;
}
