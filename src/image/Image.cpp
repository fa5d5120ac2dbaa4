#include "image/Image.h"

#include <cstdlib>
#include <cstring>

CImage::CImage() { Clear(); }

CImage::~CImage() { Destroy(); }

// Zeroes every field but the distance tables.
void CImage::Clear() {
    width = height = 0;
    bpp = 0;
    stride = 0;
    xResolution = yResolution = 0;
    bits = nullptr;
    std::memset(palette, 0, sizeof palette);
    paletteHandle = nullptr;
    bitmap = nullptr;
    oldBitmap = nullptr;
    memoryDC = nullptr;
    hasTransparency = 0;
    transparentIndex = 0;
    transparentColor = 0;
    valid = 0;
}

bool CImage::Destroy() {
    if (!valid) return false;
    if (memoryDC && paletteHandle) SelectPalette(memoryDC, (HPALETTE)GetStockObject(DEFAULT_PALETTE), FALSE);
    if (bitmap && memoryDC) {
        SelectObject(memoryDC, oldBitmap);
        DeleteObject(bitmap);
        DeleteDC(memoryDC);
    } else {
        if (bitmap) DeleteObject(bitmap);
        if (memoryDC) DeleteDC(memoryDC);
    }
    if (paletteHandle) DeleteObject(paletteHandle);
    Clear();
    return true;
}

int CImage::RoundDepth(int depth) {
    if (depth <= 1) return 1;
    if (depth <= 4) return 4;
    if (depth <= 8) return 8;
    if (depth <= 16) return 16;
    if (depth <= 24) return 24;
    return 32;
}

uint32_t CImage::RowBytes(uint64_t w, int depth) {
    uint64_t bytes = ((w * (uint64_t)depth + 31) >> 3) & ~(uint64_t)3;
    return bytes > 0xFFFFFFFFull ? 0 : (uint32_t)bytes;
}

// Builds the new DIB section and memory DC completely before the old content
// is released, so a failed creation (a large image in a 32-bit process) leaves
// the previous image as it was.
bool CImage::Build(int w, int h, int depth, const uint8_t* rgbPalette) {
    if (w <= 0 || h <= 0) return false;
    const int newBpp = RoundDepth(depth);
    if (newBpp <= 8 && !rgbPalette) return false;
    const uint32_t newStride = RowBytes((uint64_t)w, newBpp);
    if (newStride == 0 || (uint64_t)newStride * (uint64_t)h > kMaxImageBytes) return false;

    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info{};
    info.header = DirectBitmapInfo(w, h, newBpp).bmiHeader;

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!dc) return false;

    HPALETTE newPalette = nullptr;
    if (newBpp <= 8) {
        struct {
            WORD version;
            WORD count;
            PALETTEENTRY entries[256];
        } logical{0x300, 256, {}};
        for (int i = 0; i < 256; ++i) {
            const uint8_t r = rgbPalette[i * 3], g = rgbPalette[i * 3 + 1], b = rgbPalette[i * 3 + 2];
            info.colors[i] = RGBQUAD{b, g, r, 0};
            logical.entries[i] = PALETTEENTRY{r, g, b, 0};
        }
        newPalette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&logical));
        if (newPalette) {
            SelectPalette(dc, newPalette, FALSE);
            RealizePalette(dc);
        }
    }

    void* newBits = nullptr;
    HBITMAP newBitmap =
        CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &newBits, nullptr, 0);
    if (!newBitmap || !newBits) {
        if (newBitmap) DeleteObject(newBitmap);
        if (newPalette) SelectPalette(dc, (HPALETTE)GetStockObject(DEFAULT_PALETTE), FALSE);
        DeleteDC(dc);
        if (newPalette) DeleteObject(newPalette);
        return false;
    }
    HGDIOBJ previous = SelectObject(dc, newBitmap);

    Destroy();
    width = (uint32_t)w;
    height = (uint32_t)h;
    bpp = (uint8_t)newBpp;
    stride = newStride;
    memoryDC = dc;
    bitmap = newBitmap;
    oldBitmap = previous;
    paletteHandle = newPalette;
    bits = static_cast<uint8_t*>(newBits);
    if (newBpp <= 8)
        for (int i = 0; i < 256; ++i) {
            palette[i][0] = rgbPalette[i * 3 + 2];
            palette[i][1] = rgbPalette[i * 3 + 1];
            palette[i][2] = rgbPalette[i * 3];
        }
    valid = 1;
    return true;
}

bool CImage::CreateEmpty(int w, int h, int depth, COLORREF fillColor, const uint8_t* rgbPalette) {
    if (!Build(w, h, depth, rgbPalette)) return false;
    // A new DIB section's memory comes zeroed: black at 16 bits and up, and
    // palette entry 0 below. Readers that create such an image and write every
    // row skip a full pass.
    const COLORREF zeroColor = bpp > 8 ? RGB(0, 0, 0) : RGB(rgbPalette[0], rgbPalette[1], rgbPalette[2]);
    if ((fillColor & 0xFFFFFF) != zeroColor) {
        RECT all{0, 0, w, h};
        FillRect(all, fillColor);
    }
    GdiFlush();
    return true;
}

bool CImage::Create(int w, int h, int depth, const void* rowData, const uint8_t* rgbPalette) {
    if (!rowData) return false;
    if (!Build(w, h, depth, rgbPalette)) return false;
    GdiFlush();
    std::memcpy(bits, rowData, (size_t)stride * height);
    return true;
}

bool CImage::Copy(const CImage& source) {
    if (!source.valid || &source == this) return source.valid && &source == this;
    uint8_t rgb[256 * 3];
    for (int i = 0; i < 256; ++i) {
        rgb[i * 3] = source.palette[i][2];
        rgb[i * 3 + 1] = source.palette[i][1];
        rgb[i * 3 + 2] = source.palette[i][0];
    }
    if (!Build((int)source.width, (int)source.height, source.bpp, rgb)) return false;
    GdiFlush();
    std::memcpy(bits, source.bits, (size_t)stride * height);
    if (source.hasTransparency) {
        hasTransparency = source.hasTransparency;
        transparentIndex = source.transparentIndex;
        transparentColor = source.transparentColor;
    }
    return true;
}

uint8_t* CImage::ScanLine(uint32_t row) {
    if (!valid || !bits || row >= height) return nullptr;
    GdiFlush();
    return bits + (size_t)row * stride;
}

// The rows the bitmap really holds. An animation keeps every frame slot in one
// bitmap, frame 0 at the start of the pixel buffer (the bottom rows), while the
// height field describes one frame: the picture is the rows the height field
// describes, from the start of the buffer, for GDI transfers as for ScanLine.
static uint32_t BitmapRows(const CImage& image) {
    DIBSECTION section = {};
    if (!image.bitmap || GetObjectW(image.bitmap, sizeof(section), &section) != sizeof(section)) return image.height;
    const LONG rows = section.dsBmih.biHeight < 0 ? -section.dsBmih.biHeight : section.dsBmih.biHeight;
    return rows > 0 && (uint32_t)rows > image.height ? (uint32_t)rows : image.height;
}

BITMAPINFO DirectBitmapInfo(LONG width, LONG height, int bitCount) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = (WORD)bitCount;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// GDI conversion of stored rows [firstRow, firstRow + rows) into a new buffer of the requested depth.
static uint8_t* ConvertRows(const CImage& image, int depth, uint32_t firstRow, uint32_t rows) {
    if (!image.valid || (depth != 16 && depth != 24 && depth != 32)) return nullptr;
    const uint32_t rowBytes = CImage::RowBytes(image.width, depth);
    const uint64_t total = (uint64_t)rowBytes * rows;
    if (!rowBytes || total > CImage::kMaxImageBytes) return nullptr;
    auto* out = static_cast<uint8_t*>(std::malloc((size_t)total));
    if (!out) return nullptr;
    // Scan lines count from the bottom of the whole bitmap, where the stored
    // rows start: described with its real height, row r is scan line r.
    BITMAPINFO info = DirectBitmapInfo((LONG)image.width, (LONG)BitmapRows(image), depth);
    GdiFlush();
    // GetDIBits wants the bitmap not to be selected into a DC on some systems;
    // deselect it for the call and put it back.
    HGDIOBJ held = SelectObject(image.memoryDC, image.oldBitmap);
    int got = GetDIBits(image.memoryDC, image.bitmap, firstRow, rows, out, &info, DIB_RGB_COLORS);
    SelectObject(image.memoryDC, held);
    if (got != (int)rows) {
        std::free(out);
        return nullptr;
    }
    return out;
}

uint8_t* CImage::GetBits(int depth) { return ConvertRows(*this, depth, 0, height); }

uint8_t* CImage::GetLine(int depth, uint32_t row) {
    if (row >= height) return nullptr;
    return ConvertRows(*this, depth, row, 1);
}

bool CImage::PutBits(int depth, const void* data) {
    if (!valid || !data || (depth != 16 && depth != 24 && depth != 32)) return false;
    BITMAPINFO info = DirectBitmapInfo((LONG)width, (LONG)height, depth);
    // Device rows count from the top of the whole bitmap: the picture's rows are its lowest ones.
    const int top = (int)(BitmapRows(*this) - height);
    int done = StretchDIBits(memoryDC, 0, top, (int)width, (int)height, 0, 0, (int)width, (int)height, data, &info,
                             DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    return done != 0 && done != (int)GDI_ERROR;
}

bool CImage::PutLine(int depth, uint32_t row, const void* data) {
    if (!valid || !data || row >= height || (depth != 16 && depth != 24 && depth != 32)) return false;
    BITMAPINFO info = DirectBitmapInfo((LONG)width, 1, depth);
    // Draw the one row at its top-down position in the whole bitmap.
    const int y = (int)(BitmapRows(*this) - 1 - row);
    int done = StretchDIBits(memoryDC, 0, y, (int)width, 1, 0, 0, (int)width, 1, data, &info, DIB_RGB_COLORS, SRCCOPY);
    GdiFlush();
    return done != 0 && done != (int)GDI_ERROR;
}

uint8_t CImage::GetPixelIndex(uint32_t x, uint32_t row) {
    if (!valid || bpp > 8 || x >= width || row >= height) return 0;
    GdiFlush();
    const uint8_t* line = bits + (size_t)row * stride;
    switch (bpp) {
    case 1: return (line[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (line[x >> 1] & 0x0F) : (line[x >> 1] >> 4);
    default: return line[x];
    }
}

void CImage::SetPixelIndex(uint32_t x, uint32_t row, uint8_t index) {
    if (!valid || bpp > 8 || x >= width || row >= height) return;
    GdiFlush();
    uint8_t* line = bits + (size_t)row * stride;
    switch (bpp) {
    case 1: {
        const uint8_t mask = (uint8_t)(0x80 >> (x & 7));
        line[x >> 3] = (index & 1) ? (line[x >> 3] | mask) : (line[x >> 3] & ~mask);
        break;
    }
    case 4:
        if (x & 1) line[x >> 1] = (uint8_t)((line[x >> 1] & 0xF0) | (index & 0x0F));
        else line[x >> 1] = (uint8_t)((line[x >> 1] & 0x0F) | ((index & 0x0F) << 4));
        break;
    default: line[x] = index; break;
    }
}

bool CImage::SetPalette(const RGBQUAD* rgbQuads, int count) {
    if (!valid || !rgbQuads) return false;
    if (count > 256) count = 256;
    for (int i = 0; i < count; ++i) {
        palette[i][0] = rgbQuads[i].rgbBlue;
        palette[i][1] = rgbQuads[i].rgbGreen;
        palette[i][2] = rgbQuads[i].rgbRed;
    }
    if (bpp > 8) return false;
    return SetDIBColorTable(memoryDC, 0, 1u << bpp, rgbQuads) != 0;
}

bool CImage::GetPaletteRGB(uint8_t* out) const {
    if (!valid || bpp > 8 || !out) return false;
    const int entries = 1 << bpp;
    for (int i = 0; i < entries; ++i) {
        out[i * 3] = palette[i][2];
        out[i * 3 + 1] = palette[i][1];
        out[i * 3 + 2] = palette[i][0];
    }
    return true;
}

// The whole picture's blits take the rows the height field describes, the
// lowest of a bitmap that holds more (frame 0 of an animation).
bool CImage::BitBltTo(HDC dc, int x, int y, DWORD rasterOp) const {
    if (!valid) return false;
    const int top = (int)(BitmapRows(*this) - height);
    return BitBlt(dc, x, y, (int)width, (int)height, memoryDC, 0, top, rasterOp) != 0;
}

bool CImage::StretchTo(HDC dc, int x, int y, int w, int h, DWORD rasterOp) const {
    if (!valid) return false;
    const int top = (int)(BitmapRows(*this) - height);
    return StretchBlt(dc, x, y, w, h, memoryDC, 0, top, (int)width, (int)height, rasterOp) != 0;
}

bool CImage::StretchRectTo(HDC dc, int x, int y, int w, int h, int srcX, int srcY, int srcW, int srcH,
                           DWORD rasterOp) const {
    if (!valid) return false;
    return StretchBlt(dc, x, y, w, h, memoryDC, srcX, srcY, srcW, srcH, rasterOp) != 0;
}

bool CImage::FillRect(const RECT& rect, COLORREF color) {
    if (!valid) return false;
    HBRUSH brush = CreateSolidBrush(color);
    if (!brush) return false;
    // rect holds left, top, width, height.
    RECT r{rect.left, rect.top, rect.left + rect.right, rect.top + rect.bottom};
    bool ok = ::FillRect(memoryDC, &r, brush) != 0;
    DeleteObject(brush);
    return ok;
}

bool CImage::DeselectBitmap() {
    if (valid && memoryDC) SelectObject(memoryDC, oldBitmap);
    return true;
}

void CImage::BuildDistanceTables() {
    for (int i = 0; i < 256; ++i) {
        distanceTables[0][i] = i * i * 297;
        distanceTables[1][i] = i * i * 590;
        distanceTables[2][i] = i * i * 113;
    }
}

uint8_t CImage::FindNearestColor(const uint8_t* reds, const uint8_t* greens, const uint8_t* blues, int count, uint8_t r,
                                 uint8_t g, uint8_t b) const {
    int64_t best = INT64_MAX;
    uint8_t bestIndex = 0;
    for (int i = 0; i < count && i < 256; ++i) {
        int64_t sum = distanceTables[1][greens[i] > g ? greens[i] - g : g - greens[i]];
        if (sum >= best) continue;
        sum += distanceTables[0][reds[i] > r ? reds[i] - r : r - reds[i]];
        if (sum >= best) continue;
        sum += distanceTables[2][blues[i] > b ? blues[i] - b : b - blues[i]];
        if (sum >= best) continue;
        best = sum;
        bestIndex = (uint8_t)i;
        if (sum == 0) break;
    }
    return bestIndex;
}
