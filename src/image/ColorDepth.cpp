#include "image/ColorDepth.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "image/PixelOps.h"

namespace {

// round(i * 255 / 31): 5-bit channel to 8 bits.
const uint8_t kExpand5[32] = {0,   8,   16,  25,  33,  41,  49,  58,  66,  74,  82,  90,  99,  107, 115, 123,
                              132, 140, 148, 156, 165, 173, 181, 189, 197, 206, 214, 222, 230, 239, 247, 255};

// Red, green, blue of pixel x of a stored row at any depth the mappings take.
inline void FetchRGB(const uint8_t* line, uint32_t x, int bpp, const uint8_t* palRGB, int& r, int& g, int& b) {
    switch (bpp) {
    case 32:
        line += (size_t)x * 4;
        r = line[2];
        g = line[1];
        b = line[0];
        return;
    case 24:
        line += (size_t)x * 3;
        r = line[2];
        g = line[1];
        b = line[0];
        return;
    case 16: {
        const uint16_t v = (uint16_t)(line[x * 2] | (line[x * 2 + 1] << 8));
        r = kExpand5[(v >> 10) & 31];
        g = kExpand5[(v >> 5) & 31];
        b = kExpand5[v & 31];
        return;
    }
    default: {
        int i;
        if (bpp == 8) i = line[x];
        else if (bpp == 4) i = (x & 1) ? (line[x >> 1] & 15) : (line[x >> 1] >> 4);
        else i = (line[x >> 3] >> (7 - (x & 7))) & 1;
        r = palRGB[i * 3];
        g = palRGB[i * 3 + 1];
        b = palRGB[i * 3 + 2];
        return;
    }
    }
}

inline void StoreIndex(uint8_t* line, uint32_t x, int bpp, int index) {
    if (bpp == 8) {
        line[x] = (uint8_t)index;
    } else if (bpp == 4) {
        if (x & 1) line[x >> 1] = (uint8_t)((line[x >> 1] & 0xF0) | (index & 15));
        else line[x >> 1] = (uint8_t)((line[x >> 1] & 0x0F) | ((index & 15) << 4));
    } else {
        const uint8_t mask = (uint8_t)(0x80 >> (x & 7));
        line[x >> 3] = (index & 1) ? (line[x >> 3] | mask) : (line[x >> 3] & ~mask);
    }
}

// Serpentine Floyd-Steinberg in floating point. `choose` maps a clamped colour
// to an entry index; `entryRGB` gives that entry's colour. The output buffer
// (outBpp, rows padded to 4 bytes) must be zeroed for depths below 8.
template <class Choose>
bool Diffuse(const uint8_t* src, uint32_t srcStride, int srcBpp, const uint8_t* srcPalRGB, uint32_t width,
             uint32_t height, uint8_t* out, uint32_t outStride, int outBpp, const uint8_t* entryRGB, Choose choose) {
    std::vector<float> a, b;
    try {
        a.assign((size_t)(width + 2) * 3, 0.f);
        b.assign((size_t)(width + 2) * 3, 0.f);
    } catch (...) {
        // bad_alloc, or length_error for a row too wide for a vector of floats.
        return false;
    }
    float* cur = a.data();
    float* next = b.data();
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* line = src + (size_t)y * srcStride;
        uint8_t* o = out + (size_t)y * outStride;
        std::fill(next, next + (size_t)(width + 2) * 3, 0.f);
        const int dir = (y & 1) ? -1 : 1;
        for (uint32_t i = 0; i < width; ++i) {
            const uint32_t x = dir > 0 ? i : width - 1 - i;
            int r, g, bl;
            FetchRGB(line, x, srcBpp, srcPalRGB, r, g, bl);
            const size_t e = (size_t)(x + 1) * 3;
            const int cr = (int)std::clamp((float)r + cur[e], 0.f, 255.f);
            const int cg = (int)std::clamp((float)g + cur[e + 1], 0.f, 255.f);
            const int cb = (int)std::clamp((float)bl + cur[e + 2], 0.f, 255.f);
            const int idx = choose(cr, cg, cb);
            const float er = (float)(cr - entryRGB[idx * 3]) / 16.f;
            const float eg = (float)(cg - entryRGB[idx * 3 + 1]) / 16.f;
            const float eb = (float)(cb - entryRGB[idx * 3 + 2]) / 16.f;
            const size_t ahead = e + (ptrdiff_t)dir * 3, behind = e - (ptrdiff_t)dir * 3;
            cur[ahead] += 7 * er;
            cur[ahead + 1] += 7 * eg;
            cur[ahead + 2] += 7 * eb;
            next[behind] += 3 * er;
            next[behind + 1] += 3 * eg;
            next[behind + 2] += 3 * eb;
            next[e] += 5 * er;
            next[e + 1] += 5 * eg;
            next[e + 2] += 5 * eb;
            next[ahead] += er;
            next[ahead + 1] += eg;
            next[ahead + 2] += eb;
            StoreIndex(o, x, outBpp, idx);
        }
        std::swap(cur, next);
    }
    return true;
}

uint8_t* MapToFew(CImage& image, const uint8_t* rgbEntries, int count, int outBpp) {
    const uint32_t w = image.width, h = image.height;
    uint32_t outStride = 0;
    uint8_t* out = AllocRows(w, h, outBpp, true, &outStride);
    if (!out) return nullptr;
    image.BuildDistanceTables();
    uint8_t reds[16], greens[16], blues[16];
    for (int i = 0; i < count; ++i) {
        reds[i] = rgbEntries[i * 3];
        greens[i] = rgbEntries[i * 3 + 1];
        blues[i] = rgbEntries[i * 3 + 2];
    }
    uint8_t srcPal[768];
    GetFullPaletteRGB(image, srcPal);
    GdiFlush();
    const bool ok =
        Diffuse(image.bits, image.stride, image.bpp, srcPal, w, h, out, outStride, outBpp, rgbEntries,
                [&](int r, int g, int b) {
                    return (int)image.FindNearestColor(reds, greens, blues, count, (uint8_t)r, (uint8_t)g, (uint8_t)b);
                });
    if (!ok) {
        std::free(out);
        return nullptr;
    }
    return out;
}

}  // namespace

uint8_t* CImage::MapToPalette16(const uint8_t* rgbPalette16) {
    CImage& image = *this;
    if (!image.valid || !rgbPalette16 || image.bpp < 8) return nullptr;
    return MapToFew(image, rgbPalette16, 16, 4);
}

uint8_t* CImage::MapToMono(const uint8_t* rgbPalette2) {
    CImage& image = *this;
    if (!image.valid || !rgbPalette2 || image.bpp < 4) return nullptr;
    return MapToFew(image, rgbPalette2, 2, 1);
}

// ---------------------------------------------------------------- median cut

namespace {

struct Box {
    int lo[3], hi[3];  // red, green, blue in 5-bit units, inclusive
    int mean[3];
    uint32_t count;  // 0: the box holds no counted cell
};

inline int CellIndex(int r5, int g5, int b5) { return (r5 << 10) | (g5 << 5) | b5; }

struct MedianCut {
    std::vector<uint16_t> counts;  // 32768 cells, saturating
    std::vector<int16_t> cached;   // nearest palette entry, -1 = not looked up
    Box boxes[256];
    uint8_t pal[768];

    bool IsSingleCell(const Box& b) const { return b.lo[0] == b.hi[0] && b.lo[1] == b.hi[1] && b.lo[2] == b.hi[2]; }

    // Shrinks a box to its counted cells. A box without any keeps its bounds and
    // gets count 0, so it is never chosen for a split.
    void Shrink(Box& box) {
        int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
        uint64_t sum[3] = {0, 0, 0}, total = 0;
        for (int r = box.lo[0]; r <= box.hi[0]; ++r)
            for (int g = box.lo[1]; g <= box.hi[1]; ++g) {
                const uint16_t* c = &counts[CellIndex(r, g, 0)];
                for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
                    const uint32_t n = c[b];
                    if (!n) continue;
                    lo[0] = std::min(lo[0], r);
                    hi[0] = std::max(hi[0], r);
                    lo[1] = std::min(lo[1], g);
                    hi[1] = std::max(hi[1], g);
                    lo[2] = std::min(lo[2], b);
                    hi[2] = std::max(hi[2], b);
                    sum[0] += (uint64_t)n * r;
                    sum[1] += (uint64_t)n * g;
                    sum[2] += (uint64_t)n * b;
                    total += n;
                }
            }
        if (!total) {
            box.count = 0;
            for (int k = 0; k < 3; ++k) box.mean[k] = (box.lo[k] + box.hi[k]) >> 1;
            return;
        }
        for (int k = 0; k < 3; ++k) {
            box.lo[k] = lo[k];
            box.hi[k] = hi[k];
            box.mean[k] = (int)(sum[k] / total);
        }
        box.count = IsSingleCell(box) ? 1 : (uint32_t)std::min<uint64_t>(total, 65535);
    }

    void Build() {
        static const int corners[8][3] = {{0, 0, 0},   {31, 0, 0},  {0, 31, 0},  {0, 0, 31},
                                          {31, 31, 0}, {0, 31, 31}, {31, 0, 31}, {31, 31, 31}};
        for (int i = 0; i < 8; ++i) {
            counts[CellIndex(corners[i][0], corners[i][1], corners[i][2])] = 0;
            Box& b = boxes[i];
            for (int k = 0; k < 3; ++k) b.lo[k] = b.hi[k] = b.mean[k] = corners[i][k];
            b.count = 1;
        }
        Box& all = boxes[8];
        for (int k = 0; k < 3; ++k) {
            all.lo[k] = 0;
            all.hi[k] = 31;
        }
        Shrink(all);
        int made = 9;
        for (; made < 256; ++made) {
            int pick = -1;
            for (int j = 8; j < made; ++j) {
                const Box& b = boxes[j];
                if (b.count == 0 || IsSingleCell(b)) continue;
                if (pick < 0 || b.count > boxes[pick].count) pick = j;
            }
            if (pick < 0) break;  // every colour has a box of its own
            Box& old = boxes[pick];
            Box& nb = boxes[made];
            nb = old;
            const int range[3] = {old.hi[0] - old.lo[0], old.hi[1] - old.lo[1], old.hi[2] - old.lo[2]};
            int axis;
            if (range[0] >= range[1] && range[0] >= range[2]) axis = 0;
            else if (range[1] >= range[2]) axis = 1;
            else axis = 2;
            const int lo = old.lo[axis], hi = old.hi[axis];
            if (hi - lo + 1 == 2) {
                old.lo[axis] = hi;
                nb.lo[axis] = nb.hi[axis] = lo;
            } else {
                const int m = old.mean[axis];
                if (m >= hi) {
                    old.hi[axis] = hi - 1;
                    nb.lo[axis] = hi;
                    nb.hi[axis] = hi;
                    // old keeps [lo, m - 1]; box `made` takes [m, hi]
                } else {
                    old.hi[axis] = m;
                    nb.lo[axis] = m + 1;
                    nb.hi[axis] = hi;
                }
            }
            Shrink(old);
            Shrink(nb);
        }
        for (int i = 0; i < 256; ++i) {
            if (i < made) {
                const Box& b = boxes[i];
                for (int k = 0; k < 3; ++k) pal[i * 3 + k] = (uint8_t)(((b.lo[k] + b.hi[k]) >> 1) * 255 / 31);
            } else {
                pal[i * 3] = pal[i * 3 + 1] = pal[i * 3 + 2] = 0;  // no box: a defined, unused entry
            }
        }
    }

    int Nearest(int r, int g, int b) {
        const int cell = CellIndex(r >> 3, g >> 3, b >> 3);
        int16_t& c = cached[cell];
        if (c >= 0) return c;
        int best = 0;
        int bestSum = 3 * 255 * 255 + 1;
        for (int i = 0; i < 256; ++i) {
            const int dr = r - pal[i * 3], dg = g - pal[i * 3 + 1], db = b - pal[i * 3 + 2];
            const int s = dr * dr + dg * dg + db * db;
            if (s < bestSum) {
                bestSum = s;
                best = i;
                if (!s) break;
            }
        }
        c = (int16_t)best;
        return best;
    }
};

}  // namespace

uint8_t* QuantizeMedianCut(const uint8_t* bits, int width, int height, int bpp, uint8_t* outRgbPalette) {
    if (!bits || !outRgbPalette || width <= 0 || height <= 0 || (bpp != 16 && bpp != 24 && bpp != 32)) return nullptr;
    const uint32_t srcStride = CImage::RowBytes((uint64_t)width, bpp);
    uint32_t outStride = 0;
    uint8_t* out = AllocRows((uint64_t)width, (uint64_t)height, 8, true, &outStride);
    if (!out) return nullptr;
    MedianCut* mc = new (std::nothrow) MedianCut;
    if (!mc) {
        std::free(out);
        return nullptr;
    }
    try {
        mc->counts.assign(32768, 0);
        mc->cached.assign(32768, -1);
    } catch (const std::bad_alloc&) {
        delete mc;
        std::free(out);
        return nullptr;
    }
    uint16_t* counts = mc->counts.data();
    for (int y = 0; y < height; ++y) {
        const uint8_t* line = bits + (size_t)y * srcStride;
        for (int x = 0; x < width; ++x) {
            int r, g, b;
            FetchRGB(line, (uint32_t)x, bpp, nullptr, r, g, b);
            uint16_t& c = counts[CellIndex(r >> 3, g >> 3, b >> 3)];
            if (c != 0xFFFF) ++c;
        }
    }
    mc->Build();
    const bool ok = Diffuse(bits, srcStride, bpp, nullptr, (uint32_t)width, (uint32_t)height, out, outStride, 8,
                            mc->pal, [mc](int r, int g, int b) { return mc->Nearest(r, g, b); });
    std::memcpy(outRgbPalette, mc->pal, 768);
    delete mc;
    if (!ok) {
        std::free(out);
        return nullptr;
    }
    return out;
}

// ---------------------------------------------------------------- octree

CQuantizer::CQuantizer(unsigned maxColorCount, unsigned bitsPerColor)
    : leafLimit(maxColorCount < 16 ? 16 : maxColorCount),
      maxColors(maxColorCount),
      colorBits(bitsPerColor > 7 ? 8 : bitsPerColor) {}

CQuantizer::~CQuantizer() { FreeTree(root); }

void CQuantizer::FreeTree(Node* node) {
    if (!node) return;
    for (Node* child : node->children) FreeTree(child);
    delete node;
}

void CQuantizer::AddColor(uint8_t r, uint8_t g, uint8_t b) {
    Node** slot = &root;
    for (unsigned level = 0;; ++level) {
        if (!*slot) {
            Node* n = new (std::nothrow) Node{};
            if (!n) {
                failed = true;
                return;
            }
            n->leaf = level == colorBits;
            if (n->leaf) {
                ++leafCount;
            } else {
                n->next = reducible[level];
                reducible[level] = n;
            }
            *slot = n;
        }
        Node* node = *slot;
        if (node->leaf) {
            ++node->pixelCount;
            node->red += r;
            node->green += g;
            node->blue += b;
            return;
        }
        const int shift = 7 - (int)level;
        const int index = (((r >> shift) & 1) << 2) | (((g >> shift) & 1) << 1) | ((b >> shift) & 1);
        slot = &node->children[index];
    }
}

bool CQuantizer::ReduceTree() {
    int level = (int)colorBits - 1;
    while (level >= 0 && !reducible[level]) --level;
    if (level < 0) return false;
    Node* node = reducible[level];
    reducible[level] = node->next;
    unsigned children = 0;
    for (Node*& child : node->children) {
        if (!child) continue;
        node->red += child->red;
        node->green += child->green;
        node->blue += child->blue;
        node->pixelCount += child->pixelCount;
        FreeTree(child);
        child = nullptr;
        ++children;
    }
    node->leaf = true;
    if (children) leafCount -= children - 1;
    return true;
}

bool CQuantizer::ProcessImage(const uint8_t* bits, int width, int height, int bpp, const uint8_t* rgbPalette) {
    if (!bits || width <= 0 || height <= 0) return false;
    if (bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    if (bpp <= 8 && !rgbPalette) return false;
    const uint32_t stride = CImage::RowBytes((uint64_t)width, bpp);
    auto add = [&](const uint8_t* line, int x) {
        int r, g, b;
        FetchRGB(line, (uint32_t)x, bpp, rgbPalette, r, g, b);
        AddColor((uint8_t)r, (uint8_t)g, (uint8_t)b);
        // A node of one child folds without lowering the count; the loop goes
        // on with the next node and ends only when nothing is left to fold.
        while (leafCount > leafLimit && ReduceTree()) {}
    };
    if (bpp <= 8) {
        for (int y = height - 1; y >= 0 && !failed; --y)
            for (int x = width - 1; x >= 0; --x) add(bits + (size_t)y * stride, x);
    } else {
        for (int y = 0; y < height && !failed; ++y)
            for (int x = 0; x < width; ++x) add(bits + (size_t)y * stride, x);
    }
    return !failed;
}

void CQuantizer::Collect(const Node* node, RGBQUAD* out, unsigned& index) {
    if (!node) return;
    if (node->leaf) {
        const uint32_t n = node->pixelCount ? node->pixelCount : 1;
        out[index++] = RGBQUAD{(BYTE)(node->blue / n), (BYTE)(node->green / n), (BYTE)(node->red / n), 0};
        return;
    }
    for (const Node* child : node->children) Collect(child, out, index);
}

void CQuantizer::GetColorTable(RGBQUAD* outQuads) const {
    unsigned index = 0;
    Collect(root, outQuads, index);
}

// ---------------------------------------------------------------- 16-bit screens

CHiColorDither::CHiColorDither() {
    for (int i = 0; i < 256; ++i) {
        errorBlue[i] = errorRed[i] = i - ((i + 4) & ~7);
        errorGreen[i] = i - ((i + 2) & ~3);
    }
}

bool CHiColorDither::DitherImage(uint8_t* bits, int width, int height, int bpp, int stride) {
    if (!bits || (bpp != 24 && bpp != 32) || width <= 0 || height <= 0 || stride <= 0) return false;
    std::vector<uint8_t> scratch;
    try {
        scratch.resize((size_t)stride);
    } catch (const std::bad_alloc&) { return false; }
    for (int y = 0; y < height; ++y) {
        uint8_t* line = bits + (size_t)y * stride;
        std::memcpy(scratch.data(), line, (size_t)stride);
        DitherRow(scratch.data(), width, bpp);
        std::memcpy(line, scratch.data(), (size_t)stride);
    }
    return true;
}

void CHiColorDither::DitherRow(uint8_t* row, int width, int bpp) {
    if (!row || width <= 0) return;
    // One error row per channel, zeroed for every call so that the result
    // depends on the row alone.
    std::vector<int> errors((size_t)(width + 2) * 3, 0);
    int c7[3] = {0, 0, 0}, f[3] = {0, 0, 0};
    const int step = bpp == 32 ? 4 : 3;
    const int* tables[3] = {errorBlue, errorGreen, errorRed};
    for (int x = 0; x < width; ++x, row += step) {
        for (int ch = 0; ch < 3; ++ch) {
            int* e = &errors[(size_t)ch * (width + 2)];
            const int col = x + 1;
            const int v = std::clamp(row[ch] + ((c7[ch] + f[ch] + 8) >> 4), 0, 255);
            const int err = tables[ch][v];
            e[col - 1] += 3 * err;
            e[col] += 5 * err;
            f[ch] = e[col];
            e[col] = err;
            c7[ch] = 7 * err;
            int stored = v;
            if (ch == 1) {
                if (stored < 254) stored += 2;
            } else if (stored < 252) {
                stored += 4;
            }
            row[ch] = (uint8_t)stored;
        }
    }
}

// ---------------------------------------------------------------- depth changes

bool CImage::ReduceDepth(int bpp) {
    CImage& image = *this;
    if (!image.valid || bpp >= image.bpp) return false;
    const int w = (int)image.width, h = (int)image.height;
    CImage result;
    if (bpp == 24 || bpp == 16) {
        uint8_t* buf = image.GetBits(bpp);
        if (!buf) return false;
        const bool ok = result.Create(w, h, bpp, buf, nullptr);
        std::free(buf);
        if (!ok) return false;
    } else if (bpp == 8) {
        uint8_t pal[768];
        GdiFlush();
        uint8_t* idx = QuantizeMedianCut(image.bits, w, h, image.bpp, pal);
        if (!idx) return false;
        const bool ok = result.Create(w, h, 8, idx, pal);
        std::free(idx);
        if (!ok) return false;
    } else if (bpp == 4) {
        uint8_t srcPal[768] = {};
        if (image.bpp == 8) GetFullPaletteRGB(image, srcPal);
        CQuantizer q(16, 8);
        GdiFlush();
        if (!q.ProcessImage(image.bits, w, h, image.bpp, srcPal)) return false;
        RGBQUAD quads[256] = {};
        q.GetColorTable(quads);
        const unsigned n = std::min(16u, q.GetColorCount());
        // Fewer leaves than 16: repeat the last colour so that the unused
        // entries never introduce a colour the picture does not have.
        for (unsigned i = n; i < 16 && n > 0; ++i) quads[i] = quads[n - 1];
        uint8_t pal[768] = {};
        for (int i = 0; i < 16; ++i) {
            pal[i * 3] = quads[i].rgbRed;
            pal[i * 3 + 1] = quads[i].rgbGreen;
            pal[i * 3 + 2] = quads[i].rgbBlue;
        }
        uint8_t* buf = image.MapToPalette16(pal);
        if (!buf) return false;
        const bool ok = result.Create(w, h, 4, buf, pal);
        std::free(buf);
        if (!ok) return false;
    } else if (bpp == 1) {
        uint8_t pal[768] = {};
        pal[3] = pal[4] = pal[5] = 255;
        uint8_t* buf = image.MapToMono(pal);
        if (!buf) return false;
        const bool ok = result.Create(w, h, 1, buf, pal);
        std::free(buf);
        if (!ok) return false;
    } else {
        return true;
    }
    SwapImages(image, result);
    return true;
}

bool CImage::IncreaseDepth(int bpp) {
    CImage& image = *this;
    if (!image.valid || bpp <= image.bpp) return false;
    const int w = (int)image.width, h = (int)image.height;
    const int from = image.bpp;
    CImage result;
    if ((bpp == 4 && from == 1) || (bpp == 8 && (from == 1 || from == 4))) {
        uint8_t pal[768] = {};
        uint8_t old[768];
        GetFullPaletteRGB(image, old);
        std::memcpy(pal, old, (size_t)3 << from);
        if (!result.CreateEmpty(w, h, bpp, 0, pal)) return false;
        GdiFlush();
        for (int y = 0; y < h; ++y) {
            const uint8_t* s = image.bits + (size_t)y * image.stride;
            uint8_t* d = result.bits + (size_t)y * result.stride;
            for (int x = 0; x < w; ++x) {
                const int v =
                    from == 1 ? (s[x >> 3] >> (7 - (x & 7))) & 1 : ((x & 1) ? (s[x >> 1] & 15) : (s[x >> 1] >> 4));
                StoreIndex(d, (uint32_t)x, bpp, v);
            }
        }
    } else if (bpp == 16 || bpp == 24 || bpp == 32) {
        uint8_t* buf = image.GetBits(bpp);
        if (!buf) return false;
        const bool ok = result.Create(w, h, bpp, buf, nullptr);
        std::free(buf);
        if (!ok) return false;
    } else {
        return true;
    }
    SwapImages(image, result);
    return true;
}

bool CImage::ConvertDepth(int bpp) {
    CImage& image = *this;
    if (!image.valid) return false;
    if (bpp == image.bpp) return true;
    return bpp > image.bpp ? image.IncreaseDepth(bpp) : image.ReduceDepth(bpp);
}
