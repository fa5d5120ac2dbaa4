// Small helpers the image tests share: patterned images of any depth and pixel
// reads in picture coordinates (y = 0 is the top row).
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/Image.h"

namespace imgtest {

inline std::vector<uint8_t> GreyRamp() {
    std::vector<uint8_t> p(768);
    for (int i = 0; i < 256; ++i) p[i * 3] = p[i * 3 + 1] = p[i * 3 + 2] = (uint8_t)i;
    return p;
}

// Distinct palette: entry i = (i, 255 - i, i * 7).
inline std::vector<uint8_t> DistinctPalette() {
    std::vector<uint8_t> p(768);
    for (int i = 0; i < 256; ++i) {
        p[i * 3] = (uint8_t)i;
        p[i * 3 + 1] = (uint8_t)(255 - i);
        p[i * 3 + 2] = (uint8_t)(i * 7);
    }
    return p;
}

inline uint8_t* Row(CImage& im, uint32_t yTop) { return im.ScanLine(im.height - 1 - yTop); }

// Raw pixel value at (x, yTop): the index for palette images, the bytes otherwise.
inline uint32_t Px(CImage& im, uint32_t x, uint32_t yTop) {
    const uint8_t* r = Row(im, yTop);
    switch (im.bpp) {
    case 1: return (r[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (r[x >> 1] & 15) : (r[x >> 1] >> 4);
    case 8: return r[x];
    case 16: return r[x * 2] | (r[x * 2 + 1] << 8);
    case 24: return r[x * 3] | (r[x * 3 + 1] << 8) | (r[x * 3 + 2] << 16);
    default: {
        uint32_t v;
        std::memcpy(&v, r + x * 4, 4);
        return v;
    }
    }
}

inline void SetPx(CImage& im, uint32_t x, uint32_t yTop, uint32_t v) {
    uint8_t* r = Row(im, yTop);
    switch (im.bpp) {
    case 1:
    case 4:
    case 8: im.SetPixelIndex(x, im.height - 1 - yTop, (uint8_t)v); break;
    case 16:
        r[x * 2] = (uint8_t)v;
        r[x * 2 + 1] = (uint8_t)(v >> 8);
        break;
    case 24:
        r[x * 3] = (uint8_t)v;
        r[x * 3 + 1] = (uint8_t)(v >> 8);
        r[x * 3 + 2] = (uint8_t)(v >> 16);
        break;
    default: std::memcpy(r + x * 4, &v, 4); break;
    }
}

// A distinct value for each pixel (modulo what the depth holds).
inline uint32_t PatternValue(int bpp, uint32_t x, uint32_t y) {
    const uint32_t k = x * 31 + y * 17 + 5;
    switch (bpp) {
    case 1: return (x * 3 + y * 5 + (x * y)) & 1;
    case 4: return k & 15;
    case 8: return k & 255;
    case 16: return (k * 2654435761u >> 7) & 0x7FFF;
    case 24: return (k * 2654435761u) & 0xFFFFFF;
    default: return k * 2654435761u;
    }
}

inline bool MakePattern(CImage& im, int w, int h, int bpp) {
    auto pal = DistinctPalette();
    if (!im.CreateEmpty(w, h, bpp, 0, pal.data())) return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) SetPx(im, x, y, PatternValue(bpp, x, y));
    return true;
}

// RGB (r << 16 | g << 8 | b) of a 24-bit image pixel.
inline uint32_t Rgb24(CImage& im, uint32_t x, uint32_t yTop) {
    const uint8_t* p = Row(im, yTop) + x * 3;
    return (uint32_t)p[2] << 16 | (uint32_t)p[1] << 8 | p[0];
}

inline std::vector<uint8_t> Snapshot(CImage& im) {
    std::vector<uint8_t> v(im.stride * im.height);
    std::memcpy(v.data(), im.ScanLine(0), v.size());
    return v;
}

// Byte c (blue, green, red) of destination pixel (x, yTop) when the 24-bit
// image is averaged exactly into w x h pixels: every source pixel weighs by
// the area it covers.
inline double BoxFiltered(CImage& im, int w, int h, int x, int yTop, int c) {
    const int S = (int)im.width, T = (int)im.height;
    auto share = [](int src, int dst, int j, int i) {
        const long long lo = std::max((long long)j * src, (long long)i * dst);
        const long long hi = std::min((long long)(j + 1) * src, (long long)(i + 1) * dst);
        return hi > lo ? (double)(hi - lo) / src : 0.0;
    };
    double sum = 0;
    for (int sy = (int)((long long)yTop * T / h); sy < T && (long long)sy * h < (long long)(yTop + 1) * T; ++sy)
        for (int sx = (int)((long long)x * S / w); sx < S && (long long)sx * w < (long long)(x + 1) * S; ++sx)
            sum += share(T, h, yTop, sy) * share(S, w, x, sx) * Row(im, sy)[sx * 3 + c];
    return sum;
}

}  // namespace imgtest
