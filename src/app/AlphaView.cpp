#include "app/AlphaView.h"

#include <cstdint>
#include <cstring>

#include "app/AppState.h"
#include "app/CommandState.h"
#include "app/Chrome.h"
#include "app/ImageSnapshot.h"
#include "app/MainMenu.h"
#include "app/View.h"
#include "command_ids.h"
#include "image/Image.h"

namespace {

// A sum of the shown image, taken when the treatment was made: a later change
// of the viewer image that did not come through CDocumentPictureScope shows
// as a different sum.
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

bool IsAlphaImage(const CImage& image) { return image.IsValid() && image.GetBpp() == 32; }

// Puts the kept picture back into the viewer image while it shows an alpha
// view of it; a stale store is dropped. False, image and store as they were,
// when the kept picture cannot be read back.
bool BringPictureBack() {
    if (!ChannelViewSnapshot.IsValid()) return true;
    if (AlphaViewShown()) return ChannelViewSnapshot.Restore();
    ChannelViewSnapshot.Discard();
    return true;
}

// Before a treatment of the viewer image: the picture goes into the store
// (the picture, never a treatment already shown). False when it cannot.
bool KeepPicture() { return BringPictureBack() && ChannelViewSnapshot.Save(); }

void RepaintViewer() {
    if (!AppState::MainWindow) return;
    InvalidateRect(AppState::MainWindow, nullptr, FALSE);
    UpdateWindow(AppState::MainWindow);
}

}  // namespace

bool IsAlphaView(int view) {
    return view == CHANNEL_ALPHA_AS_IMAGE || view == CHANNEL_ALPHA_AS_LAYER || view == CHANNEL_ALPHA_BLENDED;
}

namespace {

bool TreatAlphaAsImage(bool keepTransparentColours) {
    CImage& image = AppState::CurrentImage;
    if (!IsAlphaImage(image) || !KeepPicture()) return false;
    GdiFlush();
    for (uint32_t row = 0; row < image.height; ++row) {
        uint8_t* p = image.ScanLine(row);
        for (uint32_t x = 0; x < image.width; ++x, p += 4) {
            if (keepTransparentColours && p[3] == 0) continue;
            p[0] = p[1] = p[2] = p[3];
        }
    }
    g_shownSum = PixelSum(image);
    return true;
}

}  // namespace

bool ShowAlphaChannelAsImage(bool keepTransparentColours) {
    if (!TreatAlphaAsImage(keepTransparentColours)) return false;
    RepaintViewer();
    return true;
}

bool BlendAlphaOverBackground(CImage& image, bool repaint) {
    if (!IsAlphaImage(image)) return false;
    const bool viewerImage = &image == &AppState::CurrentImage;
    if (viewerImage && !KeepPicture()) return false;
    const COLORREF bg = GetViewBackgroundColor();
    const int back[3] = {GetBValue(bg), GetGValue(bg), GetRValue(bg)};
    GdiFlush();
    for (uint32_t row = 0; row < image.height; ++row) {
        uint8_t* p = image.ScanLine(row);
        for (uint32_t x = 0; x < image.width; ++x, p += 4) {
            const int a = p[3];
            // Premultiplied colour (truncated) over the background's remaining share (rounded).
            for (int c = 0; c < 3; ++c) p[c] = (uint8_t)(p[c] * a / 255 + (back[c] * (255 - a) + 127) / 255);
            p[3] = 255;
        }
    }
    if (viewerImage) g_shownSum = PixelSum(image);
    if (repaint) RepaintViewer();
    return true;
}

bool ApplyAlphaView(int view) {
    switch (view) {
    case CHANNEL_ALPHA_AS_IMAGE: return TreatAlphaAsImage(false);
    case CHANNEL_ALPHA_AS_LAYER: return TreatAlphaAsImage(true);
    case CHANNEL_ALPHA_BLENDED: return BlendAlphaOverBackground(AppState::CurrentImage, false);
    default: return false;
    }
}

bool AlphaViewShown() {
    CImage& image = AppState::CurrentImage;
    return IsAlphaView(AppState::ChannelView) && ChannelViewSnapshot.IsValid() && image.IsValid() &&
           PixelSum(image) == g_shownSum;
}

CDocumentPictureScope::CDocumentPictureScope() : view(AppState::ChannelView) {
    if (!IsAlphaView(view)) return;
    ready = BringPictureBack();
    reapply = ready;
}

CDocumentPictureScope::~CDocumentPictureScope() {
    if (!reapply) return;
    // The view in force may have changed inside (a new picture loaded): make the one that holds now.
    const int now = AppState::ChannelView;
    if (!IsAlphaView(now)) return;
    if (!ApplyAlphaView(now)) AppState::ChannelView = CHANNEL_ALL;
}

bool EditDocumentPicture(const std::function<bool(CImage&)>& edit) {
    CDocumentPictureScope scope;
    return scope.Ready() && edit(AppState::CurrentImage);
}

void ChooseChannelView(HWND window, UINT id, LPARAM) {
    const int view = ChannelViewOfCommand(id);
    if (view < 0) return;
    // Every view is made from the picture, never from a treatment on show; a
    // picture that cannot be read back keeps the view as it is.
    if (IsAlphaView(AppState::ChannelView) && !BringPictureBack()) return;
    AppState::ChannelView = view;
    if (IsAlphaView(view) && !ApplyAlphaView(view)) AppState::ChannelView = CHANNEL_ALL;
    if (window) {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }
    MainMenu.UpdateStates();
    MainToolBar.UpdateButtonStates();
    ImageToolBar.UpdateButtonStates();
}
