#include "image/Effects.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "image/Common.h"
#include "image/PixelOps.h"

CImageEffects ImageEffects;

namespace {

EffectServices g_services;

// Wait cursor, undo snapshot and progress bar of an interactive run; the
// destructor removes the bar, repaints the main window and restores the cursor.
class InteractiveRun {
public:
    InteractiveRun(bool interactive, int progressSteps) : active_(interactive) {
        if (!active_) return;
        previous_ = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        if (g_services.saveUndoSnapshot) g_services.saveUndoSnapshot();
        if (progressSteps > 0 && g_services.createProgressBar) bar_ = g_services.createProgressBar(progressSteps);
    }
    ~InteractiveRun() {
        if (!active_) return;
        if (bar_ && g_services.destroyProgressBar) g_services.destroyProgressBar(bar_);
        if (g_services.repaintViewer) g_services.repaintViewer();
        SetCursor(previous_);
    }
    void Step() {
        if (bar_ && g_services.stepProgressBar) g_services.stepProgressBar(bar_);
    }
    InteractiveRun(const InteractiveRun&) = delete;
    InteractiveRun& operator=(const InteractiveRun&) = delete;

private:
    bool active_;
    HCURSOR previous_ = nullptr;
    HWND bar_ = nullptr;
};

// The image as 24-bit rows (a new buffer), or null.
uint8_t* Rows24(CImage& image) {
    if (!image.valid) return nullptr;
    return image.GetBits(24);
}

bool Rebuild24(CImage& image, int w, int h, const uint8_t* rows) {
    CImage result;
    if (!result.Create(w, h, 24, rows, nullptr)) return false;
    SwapImages(image, result);
    return true;
}

}  // namespace

void SetEffectServices(const EffectServices& services) { g_services = services; }
const EffectServices& GetEffectServices() { return g_services; }

// ------------------------------------------------------------------ Buttonize

bool CImageEffects::Buttonize(CImage& image, int borderWidth, float strength, bool interactive) {
    if (!image.valid) return false;
    const int w = (int)image.width, h = (int)image.height;
    int border = borderWidth;
    if (border > w || border > h) border = std::max(0, std::min(w, h) - 1);
    if (border < 0) border = 0;
    InteractiveRun run(interactive, 4 * border);
    HDC dc = image.memoryDC;
    float s = strength;
    auto lighten = [&](int x, int y) {
        const COLORREF c = GetPixel(dc, x, y);
        auto ch = [&](int v) { return (BYTE)std::clamp((int)((float)v * (1 - s) + 255 * s), 0, 255); };
        SetPixelV(dc, x, y, RGB(ch(GetRValue(c)), ch(GetGValue(c)), ch(GetBValue(c))));
    };
    auto darken = [&](int x, int y) {
        const COLORREF c = GetPixel(dc, x, y);
        auto ch = [&](int v) { return (BYTE)std::clamp((int)((float)v * (1 - s)), 0, 255); };
        SetPixelV(dc, x, y, RGB(ch(GetRValue(c)), ch(GetGValue(c)), ch(GetBValue(c))));
    };
    // Top band.
    for (int j = 0; j < border; ++j) {
        for (int x = j + 1; x <= w - j - 1; ++x) lighten(x, j);
        if (s > 0) s -= 0.05f;
        run.Step();
    }
    // Bottom band.
    int i = border;
    for (int y = h - border; y < h; ++y) {
        for (int x = i; x <= w - i && x < w; ++x) darken(x, y);
        --i;
        if (i < 11 && s < 1) s += 0.05f;
        run.Step();
    }
    // Left band.
    for (int l = 0; l < border; ++l) {
        for (int y = l; y <= h - l - 1; ++y) lighten(l, y);
        if (s > 0) s -= 0.05f;
        run.Step();
    }
    // Right band.
    i = border;
    for (int x = w - border; x < w; ++x) {
        for (int y = i; y <= h - i - 1; ++y) darken(x, y);
        --i;
        if (i < 11 && s < 1) s += 0.05f;
        run.Step();
    }
    GdiFlush();
    return true;
}

// ------------------------------------------------------------------ Blur

bool CImageEffects::Blur(CImage& image, int randomization, int repeatCount, bool interactive) {
    if (!image.valid) return false;
    const int w = (int)image.width, h = (int)image.height;
    // A repeat count below 1 (typed into the dialog) runs one pass.
    repeatCount = std::max(repeatCount, 1);
    InteractiveRun run(interactive, h * repeatCount);
    uint8_t* cur = Rows24(image);
    if (!cur) return false;
    const uint32_t s = CImage::RowBytes((uint64_t)w, 24);
    auto* out = static_cast<uint8_t*>(std::malloc((size_t)s * h));
    std::vector<uint8_t> ext;
    try {
        ext.resize((size_t)(w + 2) * 3 * 3);
    } catch (...) {
        std::free(out);
        out = nullptr;
    }
    if (!out) {
        std::free(cur);
        return false;
    }
    std::memcpy(out, cur, (size_t)s * h);  // keeps the row padding defined
    std::srand((unsigned)std::time(nullptr));
    const size_t ew = (size_t)(w + 2) * 3;
    for (int pass = 0; pass < repeatCount; ++pass) {
        for (int y = 0; y < h; ++y) {
            const int prev = y == 0 ? (h > 1 ? 1 : 0) : y - 1;
            const int next = y == h - 1 ? y : y + 1;
            const int rows[3] = {prev, y, next};
            for (int k = 0; k < 3; ++k) {
                uint8_t* e = &ext[k * ew];
                const uint8_t* src = cur + (size_t)rows[k] * s;
                std::memcpy(e + 3, src, (size_t)w * 3);
                std::memcpy(e, src, 3);
                std::memcpy(e + (size_t)(w + 1) * 3, src + (size_t)(w - 1) * 3, 3);
            }
            const uint8_t* a = &ext[0];
            const uint8_t* b = &ext[ew];
            const uint8_t* c = &ext[2 * ew];
            const uint8_t* self = cur + (size_t)y * s;
            uint8_t* o = out + (size_t)y * s;
            for (int i = 0; i < w * 3; ++i) {
                const int r = std::rand() % 100;
                if (randomization < r) {
                    o[i] = self[i];
                } else {
                    const int j = i + 3;  // position in the extended rows
                    const int sum =
                        a[j - 3] + a[j] + a[j + 3] + b[j - 3] + b[j] + b[j + 3] + c[j - 3] + c[j] + c[j + 3];
                    o[i] = (uint8_t)(sum / 9);
                }
            }
            run.Step();
        }
        std::swap(cur, out);
    }
    const bool ok = Rebuild24(image, w, h, cur);
    std::free(cur);
    std::free(out);
    return ok;
}

// ------------------------------------------------------------------ Sharpen

bool CImageEffects::Sharpen(CImage& image, int percent, bool interactive) {
    if (!image.valid) return false;
    const int w = (int)image.width, h = (int)image.height;
    InteractiveRun run(interactive, h);
    uint8_t* src = Rows24(image);
    if (!src) return false;
    const uint32_t s = CImage::RowBytes((uint64_t)w, 24);
    auto* out = static_cast<uint8_t*>(std::malloc((size_t)s * h));
    if (!out) {
        std::free(src);
        return false;
    }
    std::memcpy(out, src, (size_t)s * h);  // border rows and pixels stay as they are
    int a = 100 - percent;
    if (a <= 0) a = 1;
    for (int i = 0; i < 256; ++i) {
        sharpenCentre[i] = 800 * i / a;
        sharpenNeighbour[i] = (sharpenCentre[i] - 8 * i + 4) >> 3;
    }
    if (w >= 3 && h >= 3) {
        const size_t n = (size_t)w * 3;
        std::vector<int> mapped;
        try {
            mapped.resize(n * 3);
        } catch (...) {
            // No memory for the three mapped rows: the image stays as it is.
            std::free(src);
            std::free(out);
            return false;
        }
        auto map = [&](int row, int slot) {
            const uint8_t* p = src + (size_t)row * s;
            int* m = &mapped[slot * n];
            for (size_t i = 0; i < n; ++i) m[i] = sharpenNeighbour[p[i]];
        };
        map(0, 0);
        map(1, 1);
        int below = 0, mid = 1, above = 2;
        run.Step();
        for (int y = 1; y < h - 1; ++y) {
            map(y + 1, above);
            const int* m0 = &mapped[below * n];
            const int* m1 = &mapped[mid * n];
            const int* m2 = &mapped[above * n];
            const uint8_t* p = src + (size_t)y * s;
            uint8_t* o = out + (size_t)y * s;
            for (size_t i = 3; i < n - 3; ++i) {
                const int around =
                    m0[i - 3] + m0[i] + m0[i + 3] + m1[i - 3] + m1[i + 3] + m2[i - 3] + m2[i] + m2[i + 3];
                const int v = sharpenCentre[p[i]] - around + 4;
                o[i] = v < 0 ? 0 : ((v >> 3) > 254 ? 255 : (uint8_t)(v >> 3));
            }
            const int t = below;
            below = mid;
            mid = above;
            above = t;
            run.Step();
        }
    }
    const bool ok = Rebuild24(image, w, h, out);
    std::free(src);
    std::free(out);
    return ok;
}

// ------------------------------------------------------------------ Pixelize

int CImageEffects::ClampBlockWidth(int blockWidth, int width) {
    return std::clamp(blockWidth, 1, std::max(1, std::min(64, width)));
}

bool CImageEffects::Pixelize(uint8_t* pixels, int blockWidth, int width, int stride, int height) {
    if (!pixels || width <= 0 || height <= 0 || stride < width * 3) return false;
    const int bw = ClampBlockWidth(blockWidth, width);
    pixelizeBlockWidth = bw;
    for (int y0 = 0; y0 < height; y0 += bw) {
        const int y1 = std::min(height, y0 + bw);
        for (int x0 = 0; x0 < width; x0 += bw) {
            const int x1 = std::min(width, x0 + bw);
            uint32_t sum[3] = {0, 0, 0};
            for (int y = y0; y < y1; ++y) {
                const uint8_t* p = pixels + (size_t)y * stride + (size_t)x0 * 3;
                for (int x = x0; x < x1; ++x, p += 3) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const uint32_t count = (uint32_t)(y1 - y0) * (uint32_t)(x1 - x0);
            const uint8_t m[3] = {(uint8_t)(sum[0] / count), (uint8_t)(sum[1] / count), (uint8_t)(sum[2] / count)};
            for (int y = y0; y < y1; ++y) {
                uint8_t* p = pixels + (size_t)y * stride + (size_t)x0 * 3;
                for (int x = x0; x < x1; ++x, p += 3) {
                    p[0] = m[0];
                    p[1] = m[1];
                    p[2] = m[2];
                }
            }
        }
    }
    return true;
}

bool CImageEffects::PixelizeImage(CImage& image, int blockWidth, bool interactive) {
    if (!image.valid) return false;
    InteractiveRun run(interactive, 0);
    const int w = (int)image.width, h = (int)image.height;
    uint8_t* rows = Rows24(image);
    if (!rows) return false;
    bool ok = Pixelize(rows, blockWidth, w, (int)CImage::RowBytes((uint64_t)w, 24), h);
    ok = ok && Rebuild24(image, w, h, rows);
    std::free(rows);
    return ok;
}

// ------------------------------------------------------------------ Seamless tile

int CImageEffects::SeamlessWeight(int x, int y, int v, int W, int H) {
    const int hw = W / 2, hh = H / 2, mx = W - hw, my = H - hh;
    const int a = hw - 1, b = hh - 1;
    // With a half of one pixel or less on either axis there is nothing to
    // blend (the formula would divide by zero or blacken the picture).
    if (a <= 0 || b <= 0) return v;
    int dx, dy;
    if (x < hw) dx = hw - x - 1;
    else if (x >= mx) dx = x - mx;
    else return v;  // middle column of an odd width
    if (y < hh) dy = hh - y - 1;
    else if (y >= my) dy = y - my;
    else return v;  // middle row of an odd height
    const int p = b * dx, q = a * dy, r = b * (a - dx);
    if (p >= q && (p != q || (dx & 1) == 0)) {
        if (dx == a) return 0;
        return r * v / (a * b + q - p);
    }
    if (dx == 0) return v;
    return v - v * p / (a * (b - dy) + a * b - r);
}

bool CImageEffects::SeamlessTileImage(CImage& image, bool interactive) {
    if (!image.valid) return false;
    const int W = (int)image.width, H = (int)image.height;
    InteractiveRun run(interactive, H);
    uint8_t* src = Rows24(image);
    if (!src) return false;
    const uint32_t s = CImage::RowBytes((uint64_t)W, 24);
    std::vector<int> acc;
    try {
        acc.assign((size_t)W * H * 3, 0);
    } catch (...) {
        std::free(src);
        return false;
    }
    const int hw = W / 2, hh = H / 2, mx = W - hw, my = H - hh;
    const bool blend = hw - 1 > 0 && hh - 1 > 0;
    for (int y = 0; y < H; ++y) {
        const uint8_t* row = src + (size_t)y * s;
        int py = -1;
        if (blend) {
            if (y < hh) py = y + my;
            else if (y >= my) py = y - my;
        }
        for (int x = 0; x < W; ++x) {
            int px = -1;
            if (blend) {
                if (x < hw) px = x + mx;
                else if (x >= mx) px = x - mx;
            }
            for (int c = 0; c < 3; ++c) {
                const int t = SeamlessWeight(x, y, row[x * 3 + c], W, H);
                acc[((size_t)y * W + x) * 3 + c] += t;
                if (px >= 0 && py >= 0) acc[((size_t)py * W + px) * 3 + c] += t;
            }
        }
        run.Step();
    }
    // The two contributions of a pixel may exceed 255: clamp instead of wrapping.
    for (int y = 0; y < H; ++y) {
        uint8_t* row = src + (size_t)y * s;
        for (int i = 0; i < W * 3; ++i) row[i] = (uint8_t)std::clamp(acc[(size_t)y * W * 3 + i], 0, 255);
    }
    const bool ok = Rebuild24(image, W, H, src);
    std::free(src);
    return ok;
}
