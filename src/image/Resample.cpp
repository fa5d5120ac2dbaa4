#include "image/Resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "image/PixelOps.h"

namespace {

const uint8_t kExpand5[32] = {0,   8,   16,  25,  33,  41,  49,  58,  66,  74,  82,  90,  99,  107, 115, 123,
                              132, 140, 148, 156, 165, 173, 181, 189, 197, 206, 214, 222, 230, 239, 247, 255};

inline uint32_t Stride(int width, int bpp) { return CImage::RowBytes((uint64_t)width, bpp); }

// A working buffer's byte count computed in 64 bits. Working buffers are held
// to the same limit as images, in every build: one larger is an allocation
// failure, never a count cut to 32 bits nor a size that only a 64-bit address
// space happens to allow.
size_t Elements(uint64_t count) {
    if (count > CImage::kMaxImageBytes) throw std::bad_alloc();
    return (size_t)count;
}

// One source row of any depth as packed blue, green, red bytes.
void FetchRow24(uint8_t* out, const uint8_t* line, int width, int bpp, const uint8_t* pal) {
    switch (bpp) {
    case 24: std::memcpy(out, line, (size_t)width * 3); return;
    case 32:
        for (int x = 0; x < width; ++x, line += 4, out += 3) {
            out[0] = line[0];
            out[1] = line[1];
            out[2] = line[2];
        }
        return;
    case 16:
        for (int x = 0; x < width; ++x, out += 3) {
            const unsigned v = line[x * 2] | (line[x * 2 + 1] << 8);
            out[0] = kExpand5[v & 31];
            out[1] = kExpand5[(v >> 5) & 31];
            out[2] = kExpand5[(v >> 10) & 31];
        }
        return;
    default:
        for (int x = 0; x < width; ++x, out += 3) {
            int i;
            if (bpp == 8) i = line[x];
            else if (bpp == 4) i = (x & 1) ? (line[x >> 1] & 15) : (line[x >> 1] >> 4);
            else i = (line[x >> 3] >> (7 - (x & 7))) & 1;
            out[0] = pal[i * 3 + 2];
            out[1] = pal[i * 3 + 1];
            out[2] = pal[i * 3];
        }
        return;
    }
}

struct Weight {
    int32_t w;   // weight in the current pixel of the other grid (4096 = whole pixel)
    int32_t w2;  // 0 inside, -1 ends on a boundary, > 0 weight in the next pixel
};

// Shrinking: one record per source pixel (S source pixels, D destination).
std::vector<Weight> ShrinkTable(int S, int D) {
    std::vector<Weight> t((size_t)S);
    int64_t offset = 0;
    for (int i = 0; i < S; ++i) {
        if (offset + D < S) {
            t[i] = {(int32_t)((int64_t)D * 4096 / S), 0};
            offset += D;
        } else if (offset + D == S) {
            t[i] = {(int32_t)((int64_t)D * 4096 / S), -1};
            offset = 0;
        } else {
            t[i] = {(int32_t)((S - offset) * 4096 / S), (int32_t)((offset + D - S) * 4096 / S)};
            offset = offset + D - S;
        }
    }
    return t;
}

// Enlarging: one record per destination pixel.
std::vector<Weight> EnlargeTable(int S, int D) {
    std::vector<Weight> t((size_t)D);
    int64_t offset = 0;
    for (int j = 0; j < D; ++j) {
        if (offset + S < D) {
            t[j] = {4096, 0};
            offset += S;
        } else if (offset + S == D) {
            t[j] = {4096, -1};
            offset = 0;
        } else {
            t[j] = {(int32_t)((D - offset) * 4096 / S), (int32_t)((offset + S - D) * 4096 / S)};
            offset = offset + S - D;
        }
    }
    return t;
}

void ScaleShrink(uint8_t* dst, int dw, int dh, const uint8_t* src, int sw, int sh, int bpp, const uint8_t* pal) {
    const auto tx = ShrinkTable(sw, dw);
    const auto ty = ShrinkTable(sh, dh);
    const uint32_t ss = Stride(sw, bpp), ds = Stride(dw, 24);
    std::vector<uint8_t> row((size_t)sw * 3);
    // Sums of 12-bit x 12-bit weights times 255 reach 255 << 24, which needs
    // all 32 bits: unsigned.
    std::vector<uint32_t> h((size_t)(dw + 1) * 3), accA((size_t)(dw + 1) * 3, 0), accB((size_t)(dw + 1) * 3, 0);
    uint32_t* cur = accA.data();
    uint32_t* nxt = accB.data();
    int dy = 0;
    for (int sy = 0; sy < sh && dy < dh; ++sy) {
        FetchRow24(row.data(), src + (size_t)sy * ss, sw, bpp, pal);
        std::fill(h.begin(), h.end(), 0u);
        // Horizontal part, then each row sum is weighted vertically (the same
        // integer products as weighting every pixel by wx x wy).
        int dx = 0;
        const uint8_t* p = row.data();
        for (int sx = 0; sx < sw; ++sx, p += 3) {
            const Weight wx = tx[sx];
            uint32_t* a = &h[(size_t)dx * 3];
            a[0] += wx.w * p[0];
            a[1] += wx.w * p[1];
            a[2] += wx.w * p[2];
            if (wx.w2 > 0) {
                a[3] += wx.w2 * p[0];
                a[4] += wx.w2 * p[1];
                a[5] += wx.w2 * p[2];
            }
            if (wx.w2 != 0 && dx < dw) ++dx;
        }
        // The horizontal sums are at most 4096 x 255, so wy x sum fits 32 bits.
        const Weight wy = ty[sy];
        for (size_t i = 0; i < (size_t)dw * 3; ++i) cur[i] += (uint32_t)wy.w * h[i];
        if (wy.w2 > 0)
            for (size_t i = 0; i < (size_t)dw * 3; ++i) nxt[i] += (uint32_t)wy.w2 * h[i];
        if (wy.w2 != 0) {
            uint8_t* o = dst + (size_t)dy * ds;
            for (size_t i = 0; i < (size_t)dw * 3; ++i) o[i] = (uint8_t)(cur[i] >> 24);
            std::fill(cur, cur + (size_t)(dw + 1) * 3, 0u);
            std::swap(cur, nxt);
            ++dy;
        }
    }
}

void ScaleEnlarge(uint8_t* dst, int dw, int dh, const uint8_t* src, int sw, int sh, int bpp, const uint8_t* pal) {
    const auto tx = EnlargeTable(sw, dw);
    const auto ty = EnlargeTable(sh, dh);
    const uint32_t ss = Stride(sw, bpp), ds = Stride(dw, 24);
    std::vector<uint8_t> r0((size_t)sw * 3), r1((size_t)sw * 3);
    int sy = 0, loaded = -1;
    for (int dy = 0; dy < dh; ++dy) {
        const Weight wy = ty[dy];
        const int y0 = std::min(sy, sh - 1), y1 = std::min(sy + 1, sh - 1);
        if (loaded != y0) {
            FetchRow24(r0.data(), src + (size_t)y0 * ss, sw, bpp, pal);
            FetchRow24(r1.data(), src + (size_t)y1 * ss, sw, bpp, pal);
            loaded = y0;
        }
        uint8_t* o = dst + (size_t)dy * ds;
        int sx = 0;
        for (int dx = 0; dx < dw; ++dx, o += 3) {
            const Weight wx = tx[dx];
            const int x0 = std::min(sx, sw - 1), x1 = std::min(sx + 1, sw - 1);
            for (int c = 0; c < 3; ++c) {
                int64_t v = (int64_t)wy.w * wx.w * r0[x0 * 3 + c];
                if (wx.w2 > 0) v += (int64_t)wy.w * wx.w2 * r0[x1 * 3 + c];
                if (wy.w2 > 0) {
                    v += (int64_t)wy.w2 * wx.w * r1[x0 * 3 + c];
                    if (wx.w2 > 0) v += (int64_t)wy.w2 * wx.w2 * r1[x1 * 3 + c];
                }
                o[c] = (uint8_t)std::clamp<int64_t>(v >> 24, 0, 255);
            }
            if (wx.w2 != 0) ++sx;
        }
        if (wy.w2 != 0) ++sy;
    }
}

// Exact-coverage contributions along one axis: destination pixel j covers the
// source pixels first[j] .. first[j] + count[j] - 1 with the given units
// (a source pixel is D units long, a destination pixel S units).
struct Coverage {
    std::vector<int> first, count;
    std::vector<uint32_t> units;
    std::vector<size_t> start;
};

Coverage MakeCoverage(int S, int D) {
    Coverage c;
    c.first.resize(D);
    c.count.resize(D);
    c.start.resize(D);
    for (int j = 0; j < D; ++j) {
        const uint64_t a = (uint64_t)j * S, b = (uint64_t)(j + 1) * S;
        int i = (int)(a / D);
        c.first[j] = i;
        c.start[j] = c.units.size();
        int n = 0;
        for (; i < S && (uint64_t)i * D < b; ++i, ++n) {
            const uint64_t lo = std::max(a, (uint64_t)i * D), hi = std::min(b, (uint64_t)(i + 1) * D);
            c.units.push_back((uint32_t)(hi - lo));
        }
        c.count[j] = n;
    }
    return c;
}

// Mode 1: horizontal coverage pass into dstWidth x srcHeight, then vertical.
void ResampleBresenham(uint8_t* dst, int dw, int dh, const uint8_t* src, int sw, int sh, int n) {
    const uint32_t ss = Stride(sw, n * 8), ds = Stride(dw, n * 8);
    const Coverage cx = MakeCoverage(sw, dw), cy = MakeCoverage(sh, dh);
    std::vector<uint8_t> mid(Elements((uint64_t)dw * 3 * (uint64_t)sh));
    for (int y = 0; y < sh; ++y) {
        const uint8_t* line = src + (size_t)y * ss;
        uint8_t* m = &mid[(size_t)y * (size_t)dw * 3];
        for (int j = 0; j < dw; ++j) {
            uint32_t s0 = 0, s1 = 0, s2 = 0;
            const uint32_t* u = &cx.units[cx.start[j]];
            const uint8_t* p = line + (size_t)cx.first[j] * n;
            for (int k = 0; k < cx.count[j]; ++k, p += n) {
                s0 += u[k] * p[0];
                s1 += u[k] * p[1];
                s2 += u[k] * p[2];
            }
            m[j * 3] = (uint8_t)(s0 / sw);
            m[j * 3 + 1] = (uint8_t)(s1 / sw);
            m[j * 3 + 2] = (uint8_t)(s2 / sw);
        }
    }
    std::vector<uint32_t> acc((size_t)dw * 3);
    for (int j = 0; j < dh; ++j) {
        std::fill(acc.begin(), acc.end(), 0u);
        const uint32_t* u = &cy.units[cy.start[j]];
        for (int k = 0; k < cy.count[j]; ++k) {
            const uint8_t* m = &mid[(size_t)(cy.first[j] + k) * dw * 3];
            for (size_t i = 0; i < acc.size(); ++i) acc[i] += u[k] * m[i];
        }
        uint8_t* o = dst + (size_t)j * ds;
        for (int i = 0; i < dw; ++i)
            for (int c = 0; c < 3; ++c) o[i * n + c] = (uint8_t)(acc[i * 3 + c] / sh);
    }
}

// Mode 4: per destination row, a vertically averaged source row, then the
// horizontal reduction of that row (24 bpp).
void ResampleBilinear(uint8_t* dst, int dw, int dh, const uint8_t* src, int sw, int sh) {
    const uint32_t ss = Stride(sw, 24), ds = Stride(dw, 24);
    const Coverage cx = MakeCoverage(sw, dw), cy = MakeCoverage(sh, dh);
    std::vector<uint32_t> acc((size_t)sw * 3);
    std::vector<uint8_t> avg((size_t)sw * 3);
    for (int j = 0; j < dh; ++j) {
        std::fill(acc.begin(), acc.end(), 0u);
        const uint32_t* u = &cy.units[cy.start[j]];
        for (int k = 0; k < cy.count[j]; ++k) {
            const uint8_t* line = src + (size_t)(cy.first[j] + k) * ss;
            for (size_t i = 0; i < acc.size(); ++i) acc[i] += u[k] * line[i];
        }
        for (size_t i = 0; i < acc.size(); ++i) avg[i] = (uint8_t)(acc[i] / sh);
        uint8_t* o = dst + (size_t)j * ds;
        for (int i = 0; i < dw; ++i) {
            uint32_t s0 = 0, s1 = 0, s2 = 0;
            const uint32_t* ux = &cx.units[cx.start[i]];
            const uint8_t* p = &avg[(size_t)cx.first[i] * 3];
            for (int k = 0; k < cx.count[i]; ++k, p += 3) {
                s0 += ux[k] * p[0];
                s1 += ux[k] * p[1];
                s2 += ux[k] * p[2];
            }
            o[i * 3] = (uint8_t)(s0 / sw);
            o[i * 3 + 1] = (uint8_t)(s1 / sw);
            o[i * 3 + 2] = (uint8_t)(s2 / sw);
        }
    }
}

// Separable filter over fixed taps: for every destination pixel along an axis,
// `taps` source indices (clamped) and weights.
struct Taps {
    int taps;
    std::vector<int> index;
    std::vector<float> weight;
};

inline float Cube(float u) { return u > 0 ? u * u * u : 0.f; }
inline float BSpline(float t) { return (Cube(t + 2) - 4 * Cube(t + 1) + 6 * Cube(t) - 4 * Cube(t - 1)) / 6.f; }

Taps BicubicTaps(int S, int D) {
    Taps t{4, std::vector<int>((size_t)D * 4), std::vector<float>((size_t)D * 4)};
    for (int j = 0; j < D; ++j) {
        const float s = (float)j * (float)S / (float)D;
        const int is = (int)s;
        const float f = s - (float)is;
        for (int k = -1; k <= 2; ++k) {
            t.index[j * 4 + k + 1] = std::clamp(is + k, 0, S - 1);
            t.weight[j * 4 + k + 1] = BSpline((float)k - f);
        }
    }
    return t;
}

Taps GaussTaps(int S, int D, float norm) {
    Taps t{9, std::vector<int>((size_t)D * 9), std::vector<float>((size_t)D * 9)};
    for (int j = 0; j < D; ++j) {
        const float s = (float)j * (float)S / (float)D;
        for (int k = -4; k <= 4; ++k) {
            t.index[j * 9 + k + 4] = std::clamp((int)(s + (float)k), 0, S - 1);
            t.weight[j * 9 + k + 4] = std::exp(-(float)(k * k) / 2.f) / norm;
        }
    }
    return t;
}

void ResampleSeparable(uint8_t* dst, int dw, int dh, const uint8_t* src, int sw, int sh, int n, const Taps& tx,
                       const Taps& ty) {
    const uint32_t ss = Stride(sw, n * 8), ds = Stride(dw, n * 8);
    std::vector<float> col((size_t)sw * 3);
    for (int j = 0; j < dh; ++j) {
        std::fill(col.begin(), col.end(), 0.f);
        for (int l = 0; l < ty.taps; ++l) {
            const float w = ty.weight[(size_t)j * ty.taps + l];
            const uint8_t* line = src + (size_t)ty.index[(size_t)j * ty.taps + l] * ss;
            for (int x = 0; x < sw; ++x, line += n) {
                col[x * 3] += w * line[0];
                col[x * 3 + 1] += w * line[1];
                col[x * 3 + 2] += w * line[2];
            }
        }
        uint8_t* o = dst + (size_t)j * ds;
        for (int i = 0; i < dw; ++i, o += n) {
            float s0 = 0, s1 = 0, s2 = 0;
            for (int k = 0; k < tx.taps; ++k) {
                const float w = tx.weight[(size_t)i * tx.taps + k];
                const float* c = &col[(size_t)tx.index[(size_t)i * tx.taps + k] * 3];
                s0 += w * c[0];
                s1 += w * c[1];
                s2 += w * c[2];
            }
            o[0] = (uint8_t)(int)std::clamp(s0, 0.f, 255.f);
            o[1] = (uint8_t)(int)std::clamp(s1, 0.f, 255.f);
            o[2] = (uint8_t)(int)std::clamp(s2, 0.f, 255.f);
        }
    }
}

void ResampleNearest(uint8_t* dst, int dw, int dh, const uint8_t* src, int sw, int sh, int n) {
    const uint32_t ss = Stride(sw, n * 8), ds = Stride(dw, n * 8);
    int sy = 0;
    int64_t accY = 0;
    for (int j = 0; j < dh; ++j) {
        const uint8_t* line = src + (size_t)std::min(sy, sh - 1) * ss;
        uint8_t* o = dst + (size_t)j * ds;
        int sx = 0;
        int64_t acc = 0;
        for (int i = 0; i < dw; ++i, o += n) {
            std::memcpy(o, line + (size_t)std::min(sx, sw - 1) * n, (size_t)n);
            acc += sw;
            while (acc > dw) {
                acc -= dw;
                ++sx;
            }
        }
        accY += sh;
        while (accY > dh) {
            accY -= dh;
            ++sy;
        }
    }
}

}  // namespace

namespace {

// The two resamplers with their outcome: false when a table or working buffer
// could not be had (dst then holds what was written before), true otherwise,
// also when the arguments leave nothing to do.
bool TryScaleBits(uint8_t* dst, int dw, int dh, const uint8_t* src, int sw, int sh, int bpp, const uint8_t* pal) {
    if (!dst || !src || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return true;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return true;
    if (bpp <= 8 && !pal) return true;
    try {
        if (dw == sw && dh == sh) {
            // Same size: every depth is converted row for row.
            const uint32_t ss = Stride(sw, bpp), ds = Stride(dw, 24);
            for (int y = 0; y < sh; ++y) FetchRow24(dst + (size_t)y * ds, src + (size_t)y * ss, sw, bpp, pal);
        } else if (dw > sw || dh > sh) {
            ScaleEnlarge(dst, dw, dh, src, sw, sh, bpp, pal);
        } else {
            ScaleShrink(dst, dw, dh, src, sw, sh, bpp, pal);
        }
    } catch (...) {
        // Out of memory (bad_alloc, or length_error for a table too long for
        // a vector): nothing written beyond what was done.
        return false;
    }
    return true;
}

bool TryResampleBits(uint8_t* dst, int dw, int dh, const uint8_t* src, int sw, int sh, int bpp, int mode) {
    if (!dst || !src || dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || bpp < 8 || (bpp & 7)) return true;
    const int n = bpp / 8;
    try {
        if (dw == sw && dh == sh) {
            if (mode < 0 || mode > 4) return true;
            const uint32_t s = Stride(sw, bpp);
            std::memcpy(dst, src, (size_t)s * sh);
            return true;
        }
        switch (mode) {
        case 0: ResampleNearest(dst, dw, dh, src, sw, sh, n); break;
        case 1:
            if (n >= 3) ResampleBresenham(dst, dw, dh, src, sw, sh, n);
            break;
        case 2:
            if (n >= 3) ResampleSeparable(dst, dw, dh, src, sw, sh, n, BicubicTaps(sw, dw), BicubicTaps(sh, dh));
            break;
        case 3:
            // The 2-D weight exp(-(dx^2 + dy^2) / 2) / 2pi splits into two
            // factors; the whole divisor goes with the horizontal one.
            if (n >= 3)
                ResampleSeparable(dst, dw, dh, src, sw, sh, n, GaussTaps(sw, dw, 6.2831855f), GaussTaps(sh, dh, 1.f));
            break;
        case 4:
            if (bpp == 24) ResampleBilinear(dst, dw, dh, src, sw, sh);
            break;
        default: break;
        }
    } catch (...) {
        // As in ScaleBits: a buffer that cannot be had leaves dst as it is.
        return false;
    }
    return true;
}

}  // namespace

void ScaleBits(uint8_t* dst, int dw, int dh, const uint8_t* src, int sw, int sh, int bpp, const uint8_t* pal) {
    TryScaleBits(dst, dw, dh, src, sw, sh, bpp, pal);
}

void ResampleBits(uint8_t* dst, int dw, int dh, const uint8_t* src, int sw, int sh, int bpp, int mode) {
    TryResampleBits(dst, dw, dh, src, sw, sh, bpp, mode);
}

// Finishes a rebuild: a new 24-bit image from rows, swapped in on success.
static bool Replace24(CImage& image, int w, int h, uint8_t* rows) {
    CImage result;
    const bool ok = result.Create(w, h, 24, rows, nullptr);
    std::free(rows);
    if (!ok) return false;
    SwapImages(image, result);
    return true;
}

bool ResampleImage(CImage& image, int width, int height, int mode) {
    if (!image.valid) return false;
    width = std::max(width, 1);
    height = std::max(height, 1);
    uint8_t* dst = AllocRows((uint64_t)width, (uint64_t)height, 24, true);
    if (!dst) return false;
    uint8_t* converted = nullptr;
    const uint8_t* src;
    if (image.bpp == 24) {
        GdiFlush();
        src = image.bits;
    } else {
        converted = image.GetBits(24);
        if (!converted) {
            std::free(dst);
            return false;
        }
        src = converted;
    }
    // A working buffer of the filter that cannot be had is a failure like the
    // others: the image stays as it was instead of becoming a black picture.
    const bool ok = TryResampleBits(dst, width, height, src, (int)image.width, (int)image.height, 24, mode);
    std::free(converted);
    if (!ok) {
        std::free(dst);
        return false;
    }
    return Replace24(image, width, height, dst);
}

bool ScaleImage(CImage& image, int width, int height) {
    if (!image.valid) return false;
    width = std::max(width, 1);
    height = std::max(height, 1);
    uint8_t* dst = AllocRows((uint64_t)width, (uint64_t)height, 24, true);
    if (!dst) return false;
    uint8_t pal[768];
    GetFullPaletteRGB(image, pal);
    GdiFlush();
    if (!TryScaleBits(dst, width, height, image.bits, (int)image.width, (int)image.height, image.bpp, pal)) {
        std::free(dst);
        return false;
    }
    return Replace24(image, width, height, dst);
}

ScaledDrawPlan PlanScaledDraw(int iw, int ih, int w, int h) {
    ScaledDrawPlan plan{false, false, iw, ih};
    if (w + h <= 3200 && (w != iw || h != ih)) {
        plan.software = true;
        if (iw + ih > 5000) {
            plan.preShrink = true;
            const float scale = std::min(1600.f / (float)iw, 1600.f / (float)ih);
            plan.tempWidth = std::max(1, std::min(iw, (int)((float)iw * scale)));
            plan.tempHeight = std::max(1, std::min(ih, (int)(scale * (float)ih)));
        }
    }
    return plan;
}

void DrawImageScaled(CImage& image, HDC dc, int x, int y, int width, int height, int channel) {
    if (!image.valid || !dc || width <= 0 || height <= 0) return;
    DWORD rop = SRCCOPY;
    HBRUSH brush = nullptr;
    HGDIOBJ oldBrush = nullptr;
    if (channel >= 1 && channel <= 3) {
        static const COLORREF colours[3] = {0x0000FF, 0x00FF00, 0xFF0000};
        brush = CreateSolidBrush(colours[channel - 1]);
        if (!brush) return;
        oldBrush = SelectObject(dc, brush);
        rop = MERGECOPY;
    }
    const ScaledDrawPlan plan = PlanScaledDraw((int)image.width, (int)image.height, width, height);
    if (plan.software) {
        CImage temp;
        CImage* source = &image;
        bool ok = true;
        if (plan.preShrink) {
            ok = temp.CreateEmpty(plan.tempWidth, plan.tempHeight, 24, 0, nullptr);
            if (ok) {
                SetStretchBltMode(temp.memoryDC, COLORONCOLOR);
                image.StretchTo(temp.memoryDC, 0, 0, plan.tempWidth, plan.tempHeight, SRCCOPY);
                GdiFlush();
                source = &temp;
            }
        }
        uint8_t* buf = ok ? AllocRows((uint64_t)width, (uint64_t)height, 24, false) : nullptr;
        if (buf) {
            uint8_t pal[768];
            GetFullPaletteRGB(*source, pal);
            GdiFlush();
            // The buffer is not cleared: when the scaler cannot get its tables
            // nothing is drawn rather than uninitialised memory.
            if (TryScaleBits(buf, width, height, source->bits, (int)source->width, (int)source->height, source->bpp,
                             pal)) {
                BITMAPINFO info = DirectBitmapInfo(width, height, 24);
                StretchDIBits(dc, x, y, width, height, 0, 0, width, height, buf, &info, DIB_RGB_COLORS, rop);
            }
            std::free(buf);
        }
    } else {
        SetStretchBltMode(dc, COLORONCOLOR);
        image.StretchTo(dc, x, y, width, height, rop);
    }
    if (brush) {
        SelectObject(dc, oldBrush);
        DeleteObject(brush);
    }
}
