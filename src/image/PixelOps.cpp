#include "image/PixelOps.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "image/Palette.h"

void SwapImages(CImage& a, CImage& b) {
    std::swap(a.width, b.width);
    std::swap(a.height, b.height);
    std::swap(a.bpp, b.bpp);
    std::swap(a.stride, b.stride);
    std::swap(a.xResolution, b.xResolution);
    std::swap(a.yResolution, b.yResolution);
    std::swap(a.bits, b.bits);
    uint8_t pal[256][3];
    std::memcpy(pal, a.palette, sizeof pal);
    std::memcpy(a.palette, b.palette, sizeof pal);
    std::memcpy(b.palette, pal, sizeof pal);
    std::swap(a.paletteHandle, b.paletteHandle);
    std::swap(a.bitmap, b.bitmap);
    std::swap(a.oldBitmap, b.oldBitmap);
    std::swap(a.memoryDC, b.memoryDC);
    std::swap(a.hasTransparency, b.hasTransparency);
    std::swap(a.transparentIndex, b.transparentIndex);
    std::swap(a.transparentColor, b.transparentColor);
    std::swap(a.valid, b.valid);
}

void GetFullPaletteRGB(const CImage& image, uint8_t* rgb) {
    for (int i = 0; i < 256; ++i) {
        rgb[i * 3] = image.palette[i][2];
        rgb[i * 3 + 1] = image.palette[i][1];
        rgb[i * 3 + 2] = image.palette[i][0];
    }
}

uint8_t* AllocRows(uint64_t width, uint64_t height, int bpp, bool zero, uint32_t* rowBytes) {
    const uint32_t rb = CImage::RowBytes(width, bpp);
    if (rowBytes) *rowBytes = rb;
    if (rb == 0 || height == 0) return nullptr;
    const uint64_t total = (uint64_t)rb * height;
    if (total > CImage::kMaxImageBytes) return nullptr;
    void* p = zero ? std::calloc((size_t)total, 1) : std::malloc((size_t)total);
    return static_cast<uint8_t*>(p);
}

bool CImage::FlipVertical() {
    CImage& image = *this;
    if (!image.valid) return false;
    auto* scratch = static_cast<uint8_t*>(std::malloc(image.stride));
    if (!scratch) return false;
    GdiFlush();
    const uint32_t h = image.height, s = image.stride;
    for (uint32_t i = 0; i < h / 2; ++i) {
        uint8_t* a = image.bits + (size_t)i * s;
        uint8_t* b = image.bits + (size_t)(h - 1 - i) * s;
        std::memcpy(scratch, a, s);
        std::memcpy(a, b, s);
        std::memcpy(b, scratch, s);
    }
    std::free(scratch);
    return true;
}

static inline uint8_t GetIndex(const uint8_t* line, uint32_t x, int bpp) {
    if (bpp == 1) return (line[x >> 3] >> (7 - (x & 7))) & 1;
    return (x & 1) ? (line[x >> 1] & 0x0F) : (line[x >> 1] >> 4);
}

static inline void SetIndex(uint8_t* line, uint32_t x, int bpp, uint8_t v) {
    if (bpp == 1) {
        const uint8_t mask = (uint8_t)(0x80 >> (x & 7));
        line[x >> 3] = v ? (line[x >> 3] | mask) : (line[x >> 3] & ~mask);
    } else if (x & 1) {
        line[x >> 1] = (uint8_t)((line[x >> 1] & 0xF0) | (v & 0x0F));
    } else {
        line[x >> 1] = (uint8_t)((line[x >> 1] & 0x0F) | (v << 4));
    }
}

bool CImage::Mirror() {
    CImage& image = *this;
    if (!image.valid) return false;
    GdiFlush();
    const uint32_t w = image.width, h = image.height, s = image.stride;
    const int bpp = image.bpp;
    if (bpp >= 8) {
        const int n = bpp / 8;
        for (uint32_t y = 0; y < h; ++y) {
            uint8_t* line = image.bits + (size_t)y * s;
            uint8_t* l = line;
            uint8_t* r = line + (size_t)(w - 1) * n;
            while (l < r) {
                for (int k = 0; k < n; ++k) std::swap(l[k], r[k]);
                l += n;
                r -= n;
            }
        }
        return true;
    }
    auto* scratch = static_cast<uint8_t*>(std::malloc(s));
    if (!scratch) return false;
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* line = image.bits + (size_t)y * s;
        std::memset(scratch, 0, s);
        for (uint32_t x = 0; x < w; ++x) SetIndex(scratch, w - 1 - x, bpp, GetIndex(line, x, bpp));
        std::memcpy(line, scratch, s);
    }
    std::free(scratch);
    return true;
}

bool CImage::Rotate180() {
    CImage& image = *this;
    return image.FlipVertical() && image.Mirror();
}

// Moves every pixel of `image` into a new image of swapped size. In stored
// coordinates a left turn sends (x, row) to (height - 1 - row, x) and a right
// turn sends it to (row, width - 1 - x).
static bool Rotate90(CImage& image, bool left) {
    if (!image.valid) return false;
    const uint32_t w = image.width, h = image.height, s = image.stride;
    const int bpp = image.bpp;
    uint32_t ds = 0;
    uint8_t* out = AllocRows(h, w, bpp, true, &ds);
    if (!out) return false;
    GdiFlush();
    const uint8_t* src = image.bits;
    if (bpp >= 8) {
        const int n = bpp / 8;
        // Work in tiles so that both buffers are walked with some locality.
        const uint32_t T = 64;
        for (uint32_t y0 = 0; y0 < h; y0 += T) {
            const uint32_t y1 = std::min(h, y0 + T);
            for (uint32_t x0 = 0; x0 < w; x0 += T) {
                const uint32_t x1 = std::min(w, x0 + T);
                for (uint32_t y = y0; y < y1; ++y) {
                    const uint8_t* sp = src + (size_t)y * s + (size_t)x0 * n;
                    for (uint32_t x = x0; x < x1; ++x, sp += n) {
                        const uint32_t dc = left ? h - 1 - y : y;
                        const uint32_t dr = left ? x : w - 1 - x;
                        uint8_t* dp = out + (size_t)dr * ds + (size_t)dc * n;
                        switch (n) {
                        case 4: std::memcpy(dp, sp, 4); break;
                        case 3:
                            dp[0] = sp[0];
                            dp[1] = sp[1];
                            dp[2] = sp[2];
                            break;
                        case 2:
                            dp[0] = sp[0];
                            dp[1] = sp[1];
                            break;
                        default: dp[0] = sp[0]; break;
                        }
                    }
                }
            }
        }
    } else {
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* line = src + (size_t)y * s;
            for (uint32_t x = 0; x < w; ++x) {
                const uint32_t dc = left ? h - 1 - y : y;
                const uint32_t dr = left ? x : w - 1 - x;
                SetIndex(out + (size_t)dr * ds, dc, bpp, GetIndex(line, x, bpp));
            }
        }
    }
    uint8_t rgb[768] = {};
    if (bpp <= 8) GetFullPaletteRGB(image, rgb);
    CImage rotated;
    const bool ok = rotated.Create((int)h, (int)w, bpp, out, rgb);
    std::free(out);
    if (!ok) return false;
    SwapImages(image, rotated);
    return true;
}

bool CImage::RotateLeft90() {
    CImage& image = *this;
    return Rotate90(image, true);
}
bool CImage::RotateRight90() {
    CImage& image = *this;
    return Rotate90(image, false);
}

bool CImage::Invert() {
    CImage& image = *this;
    if (!image.valid) return false;
    const int bpp = image.bpp;
    if (bpp <= 8) {
        if (bpp != 1 && bpp != 4 && bpp != 8) return false;
        const int n = 1 << bpp;
        RGBQUAD quads[256];
        for (int i = 0; i < n; ++i)
            quads[i] = RGBQUAD{(BYTE)(255 - image.palette[i][0]), (BYTE)(255 - image.palette[i][1]),
                               (BYTE)(255 - image.palette[i][2]), 0};
        return image.SetPalette(quads, n);
    }
    if (bpp != 16 && bpp != 24 && bpp != 32) return false;
    GdiFlush();
    const size_t total = (size_t)image.stride * image.height;
    uint8_t* p = image.bits;
    size_t i = 0;
    for (; i + 4 <= total; i += 4) {
        uint32_t v;
        std::memcpy(&v, p + i, 4);
        v = ~v;
        std::memcpy(p + i, &v, 4);
    }
    for (; i < total; ++i) p[i] = (uint8_t)~p[i];
    return true;
}

// Exchanges channel bytes a and b (0 blue, 1 green, 2 red).
static bool SwapChannels(CImage& image, int a, int b) {
    if (!image.valid) return false;
    const int bpp = image.bpp;
    if (bpp == 4 || bpp == 8) {
        const int n = 1 << bpp;
        RGBQUAD quads[256];
        for (int i = 0; i < n; ++i) {
            uint8_t c[3] = {image.palette[i][0], image.palette[i][1], image.palette[i][2]};
            std::swap(c[a], c[b]);
            quads[i] = RGBQUAD{c[0], c[1], c[2], 0};
        }
        return image.SetPalette(quads, n);
    }
    if (bpp != 16 && bpp != 24 && bpp != 32) return false;  // 1-bit images are refused
    GdiFlush();
    const uint32_t w = image.width, h = image.height, s = image.stride;
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* line = image.bits + (size_t)y * s;
        if (bpp == 16) {
            // The 5-5-5 fields are exchanged directly; the round trip through
            // 32-bit rows would give the same words.
            auto* px = reinterpret_cast<uint16_t*>(line);
            for (uint32_t x = 0; x < w; ++x) {
                const uint16_t v = px[x];
                uint16_t c[3] = {(uint16_t)(v & 31), (uint16_t)((v >> 5) & 31), (uint16_t)((v >> 10) & 31)};
                std::swap(c[a], c[b]);
                px[x] = (uint16_t)((v & 0x8000) | c[0] | (c[1] << 5) | (c[2] << 10));
            }
        } else {
            const int n = bpp / 8;
            for (uint32_t x = 0; x < w; ++x, line += n) std::swap(line[a], line[b]);
        }
    }
    return true;
}

bool CImage::SwapRedBlue() {
    CImage& image = *this;
    return SwapChannels(image, 2, 0);
}
bool CImage::SwapRedGreen() {
    CImage& image = *this;
    return SwapChannels(image, 2, 1);
}
bool CImage::SwapGreenBlue() {
    CImage& image = *this;
    return SwapChannels(image, 1, 0);
}

bool SwapRedBlueBits(uint8_t* pixels, int width, int height, int bpp) {
    if (!pixels || (bpp != 24 && bpp != 32) || width <= 0 || height <= 0) return false;
    const uint32_t s = CImage::RowBytes((uint64_t)width, bpp);
    const int n = bpp / 8;
    for (int y = 0; y < height; ++y) {
        uint8_t* p = pixels + (size_t)y * s;
        for (int x = 0; x < width; ++x, p += n) std::swap(p[0], p[2]);
    }
    return true;
}

bool CImage::ToGrayscale() {
    CImage& image = *this;
    if (!image.valid) return false;
    const uint32_t w = image.width, h = image.height;
    uint32_t ds = 0;
    uint8_t* out = AllocRows(w, h, 8, true, &ds);  // row padding zero, never old heap bytes
    if (!out) return false;
    const bool direct = image.bpp == 24 || image.bpp == 32;
    const int n = direct ? image.bpp / 8 : 3;
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* fetched = nullptr;
        const uint8_t* src;
        if (direct) {
            src = image.ScanLine(y);
        } else {
            fetched = image.GetLine(24, y);
            if (!fetched) {
                std::free(out);
                return false;
            }
            src = fetched;
        }
        uint8_t* d = out + (size_t)y * ds;
        // Integer weights: the same grey on every processor and build (the
        // 32-bit build's x87 arithmetic gave another grey near whole values).
        for (uint32_t x = 0; x < w; ++x, src += n)
            d[x] = (uint8_t)((299u * src[2] + 587u * src[1] + 114u * src[0]) / 1000u);
        std::free(fetched);
    }
    uint8_t ramp[768];
    FillGreyPalette(ramp, 256);
    CImage grey;
    const bool ok = grey.Create((int)w, (int)h, 8, out, ramp);
    std::free(out);
    if (!ok) return false;
    SwapImages(image, grey);
    return true;
}

// Maps the three colour bytes of every pixel through a table. 24- and 32-bit
// images are changed in place (the GDI round trip of the same depth is the
// identity); other depths go row by row through GDI, which maps the changed
// colours back to the image's own depth (nearest palette entries).
static bool MapChannels(CImage& image, const uint8_t* table) {
    if (!image.valid) return false;
    const uint32_t w = image.width, h = image.height;
    if (image.bpp == 24 || image.bpp == 32) {
        GdiFlush();
        const int n = image.bpp / 8;
        for (uint32_t y = 0; y < h; ++y) {
            uint8_t* p = image.bits + (size_t)y * image.stride;
            for (uint32_t x = 0; x < w; ++x, p += n) {
                p[0] = table[p[0]];
                p[1] = table[p[1]];
                p[2] = table[p[2]];
            }
        }
        return true;
    }
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row = image.GetLine(24, y);
        if (!row) return false;
        uint8_t* p = row;
        for (uint32_t x = 0; x < w * 3; ++x) p[x] = table[p[x]];
        const bool ok = image.PutLine(24, y, row);
        std::free(row);
        if (!ok) return false;
    }
    return true;
}

bool CImage::Brightness(int offset) {
    CImage& image = *this;
    offset = std::clamp(offset, -255, 255);
    uint8_t table[256];
    for (int v = 0; v < 256; ++v) table[v] = (uint8_t)std::clamp(v + offset, 0, 255);
    return MapChannels(image, table);
}

bool CImage::Contrast(int amount) {
    CImage& image = *this;
    amount = std::clamp(amount, -100, 100);
    const double f = (amount + 100) * 0.01;
    const double k = f * f;
    uint8_t table[256];
    for (int v = 0; v < 256; ++v) {
        const double r = (k * (v / 255.0 - 0.5) + 0.5) * 255.0;
        table[v] = (uint8_t)(int)std::clamp(r, 0.0, 255.0);
    }
    return MapChannels(image, table);
}

bool CImage::Gamma(double gamma) {
    CImage& image = *this;
    if (!(gamma >= 0.0)) gamma = 0.0;  // NaN included
    gamma = std::min(gamma, 5.0);
    uint8_t table[256];
    if (gamma <= 1e-6) {
        // The curve's limit as gamma approaches 0: everything below full white is black.
        for (int i = 0; i < 256; ++i) table[i] = i == 255 ? 255 : 0;
    } else {
        const double e = 1.0 / gamma;
        const double norm = 255.0 / std::pow(255.0, e);
        for (int i = 0; i < 256; ++i) {
            const double t = std::pow((double)i, e) * norm;
            table[i] = (uint8_t)(int)std::clamp(t, 0.0, 255.0);
        }
        if (gamma == 1.0)
            for (int i = 0; i < 256; ++i) table[i] = (uint8_t)i;
    }
    return MapChannels(image, table);
}
