#include "app/AlphaView.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "app/AppState.h"
#include "app/ImageSnapshot.h"
#include "app/View.h"
#include "image/Image.h"

namespace {

// A sum of the shown image, taken when the treatment was made: a later change
// of the viewer image that did not come through EditDocumentPicture shows as
// a different sum.
uint64_t g_shownSum = 0;

uint64_t PixelSum(CImage& image) {
    uint64_t sum = 14695981039346656037ull;
    const auto mix = [&sum](uint64_t word) { sum = (sum ^ word) * 1099511628211ull; };
    mix(image.width);
    mix(image.height);
    mix((uint64_t)image.bpp);
    GdiFlush();
    const uint64_t total = (uint64_t)image.height * image.stride;
    const uint8_t* p = image.bits;
    if (!p) return sum;
    uint64_t i = 0;
    for (; i + 8 <= total; i += 8) {
        uint64_t word;
        std::memcpy(&word, p + i, 8);
        mix(word);
    }
    for (; i < total; ++i) mix(p[i]);
    return sum;
}

bool IsAlphaView(int view) {
    return view == CHANNEL_ALPHA_AS_IMAGE || view == CHANNEL_ALPHA_AS_LAYER || view == CHANNEL_ALPHA_BLENDED;
}

}  // namespace

void ShowAlphaChannelAsImage(CImage& image, bool keepColours) {
    GdiFlush();
    for (uint32_t row = 0; row < image.height; ++row) {
        uint8_t* p = image.ScanLine(row);
        for (uint32_t x = 0; x < image.width; ++x, p += 4) {
            if (keepColours && p[3] == 0) continue;
            p[0] = p[1] = p[2] = p[3];
        }
    }
}

void BlendAlphaOverBackground(CImage& image) {
    const COLORREF bg = GetViewBackgroundColor();
    const int back[3] = {GetBValue(bg), GetGValue(bg), GetRValue(bg)};
    GdiFlush();
    for (uint32_t row = 0; row < image.height; ++row) {
        uint8_t* p = image.ScanLine(row);
        for (uint32_t x = 0; x < image.width; ++x, p += 4) {
            const int a = p[3];
            for (int c = 0; c < 3; ++c) p[c] = (uint8_t)((p[c] * a + back[c] * (255 - a) + 127) / 255);
            p[3] = 255;
        }
    }
}

bool EnterAlphaView(int view) {
    CImage& image = AppState::CurrentImage;
    if (!IsAlphaView(view) || !image.IsValid() || image.GetBpp() != 32) return false;
    // Without the picture kept, a treatment would be all that is left of it.
    if (!ChannelViewSnapshot.Save()) return false;
    if (view == 6) BlendAlphaOverBackground(image);
    else ShowAlphaChannelAsImage(image, view == 5);
    g_shownSum = PixelSum(image);
    return true;
}

bool AlphaViewShown() {
    CImage& image = AppState::CurrentImage;
    return IsAlphaView(AppState::ChannelView) && ChannelViewSnapshot.IsValid() && image.IsValid() &&
           PixelSum(image) == g_shownSum;
}

CImage* DocumentPicture(CImage& scratch) {
    if (!AlphaViewShown()) return &AppState::CurrentImage;
    return ChannelViewSnapshot.ReadInto(scratch) ? &scratch : nullptr;
}

bool EditDocumentPicture(const std::function<bool(CImage&)>& edit) {
    const int view = AppState::ChannelView;
    if (AlphaViewShown() && !ChannelViewSnapshot.Restore()) return false;
    ChannelViewSnapshot.Discard();
    const bool done = edit(AppState::CurrentImage);
    if (IsAlphaView(view) && !EnterAlphaView(view)) AppState::ChannelView = CHANNEL_ALL;
    return done;
}
