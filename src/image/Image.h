// CImage: the program's one raster type. A bottom-up GDI DIB section of 1, 4, 8,
// 16, 24 or 32 bits per pixel selected into a memory DC of its own, so GDI can
// draw into it while the code reads and writes rows directly.
//
// Row numbers given to ScanLine/GetLine/PutLine/GetPixelIndex/SetPixelIndex are
// stored rows (0 = bottom row of the picture); GDI drawing (FillRect, blits)
// uses top-down device coordinates. Palettes pass between functions as 256
// red, green, blue triples; the stored `palette` is blue, green, red.
#pragma once
#include <windows.h>
#include <cstdint>

class CImage {
public:
    CImage();
    ~CImage();
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;

    bool Destroy();
    // Makes a new blank image filled with fillColor. rgbPalette (256 RGB triples)
    // is required for bpp <= 8 and ignored above. On failure the previous
    // content is kept.
    bool CreateEmpty(int width, int height, int bpp, COLORREF fillColor, const uint8_t* rgbPalette);
    // Like CreateEmpty, then copies height x stride bytes of rows (stored order).
    bool Create(int width, int height, int bpp, const void* rowData, const uint8_t* rgbPalette);
    bool Copy(const CImage& source);

    uint32_t GetWidth() const { return valid ? width : 0; }
    uint32_t GetHeight() const { return valid ? height : 0; }
    uint8_t GetBpp() const { return valid ? bpp : 0; }
    bool IsValid() const { return valid != 0; }

    // Address of a stored row, after flushing GDI; null outside the image.
    uint8_t* ScanLine(uint32_t row);
    // All rows / one row converted by GDI to 16, 24 or 32 bpp; malloc-allocated,
    // freed by the caller with free(). Null for other depths or on failure.
    uint8_t* GetBits(int bpp);
    uint8_t* GetLine(int bpp, uint32_t row);
    bool PutBits(int bpp, const void* data);
    bool PutLine(int bpp, uint32_t row, const void* data);
    uint8_t GetPixelIndex(uint32_t x, uint32_t row);
    void SetPixelIndex(uint32_t x, uint32_t row, uint8_t index);

    bool SetPalette(const RGBQUAD* rgbQuads, int count);
    bool GetPaletteRGB(uint8_t* out) const;

    // BitBltTo and StretchTo draw the picture (frame 0 of a bitmap that holds
    // every frame of an animation); StretchRectTo's source rectangle is in the
    // whole bitmap's top-down coordinates.
    bool BitBltTo(HDC dc, int x, int y, DWORD rasterOp) const;
    bool StretchTo(HDC dc, int x, int y, int w, int h, DWORD rasterOp) const;
    bool StretchRectTo(HDC dc, int x, int y, int w, int h, int srcX, int srcY, int srcW, int srcH,
                       DWORD rasterOp) const;
    // Fills (left, top, width, height), top-down coordinates.
    bool FillRect(const RECT& rect, COLORREF color);
    bool DeselectBitmap();

    void BuildDistanceTables();
    uint8_t FindNearestColor(const uint8_t* reds, const uint8_t* greens, const uint8_t* blues, int count, uint8_t r,
                             uint8_t g, uint8_t b) const;

    // Pixel operations (PixelOps.cpp): in place, or rebuilt and swapped in only
    // on success; false with the image unchanged when it is not valid or a
    // buffer cannot be had.
    bool FlipVertical();
    bool Mirror();
    bool Rotate180();
    // 90 degrees counter-clockwise: (x, y) from the top moves to (y, width - 1 - x).
    bool RotateLeft90();
    // 90 degrees clockwise: (x, y) from the top moves to (height - 1 - y, x).
    bool RotateRight90();
    bool Invert();
    bool SwapRedBlue();
    bool SwapRedGreen();
    bool SwapGreenBlue();
    bool ToGrayscale();
    bool Brightness(int offset);
    bool Contrast(int amount);
    bool Gamma(double gamma);

    // Colour-depth conversion (ColorDepth.cpp): lowering quantizes with error
    // diffusion, raising unpacks indices or lets GDI expand the rows. The new
    // image is built before the old one is replaced.
    bool ConvertDepth(int bpp);
    bool ReduceDepth(int bpp);
    bool IncreaseDepth(int bpp);
    // The image's pixels mapped with error diffusion onto 16 (or 2) red, green,
    // blue entries, as a new 4-bit (1-bit) buffer in stored order, rows padded to
    // 4 bytes. Null for 1- and 4-bit images (MapToMono: 1-bit only) or no memory.
    uint8_t* MapToPalette16(const uint8_t* rgbPalette16);
    uint8_t* MapToMono(const uint8_t* rgbPalette2);

    // Depth rounding and row size as creation computes them (exposed for callers
    // that size buffers the same way). RowBytes is 0 when it cannot be represented.
    static int RoundDepth(int bpp);
    static uint32_t RowBytes(uint64_t width, int bpp);
    // Largest pixel block an image (or a working buffer of the pixel operations)
    // may have, height x stride. The same in both builds: the 32-bit program
    // could never allocate more, and the 64-bit one keeps to what it can open.
    static constexpr uint64_t kMaxImageBytes = 0x40000000ull;  // 1 GiB

    // Fields (read directly by drawing, clipboard and format code).
    uint32_t width;
    uint32_t height;
    uint8_t bpp;
    uint32_t stride;
    uint32_t xResolution;
    uint32_t yResolution;
    uint8_t* bits;
    uint8_t palette[256][3];  // blue, green, red
    HPALETTE paletteHandle;
    HBITMAP bitmap;
    HGDIOBJ oldBitmap;
    HDC memoryDC;
    uint8_t hasTransparency;
    uint8_t transparentIndex;
    COLORREF transparentColor;
    uint8_t valid;
    int32_t distanceTables[3][256];  // red, green, blue

private:
    void Clear();
    bool Build(int width, int height, int bpp, const uint8_t* rgbPalette);
};

// The header of an uncompressed (BI_RGB) DIB of width by height pixels, bottom-up
// for a positive height, at bitCount bits per pixel in one plane; every other
// field, and the one colour table entry, is zero.
BITMAPINFO DirectBitmapInfo(LONG width, LONG height, int bitCount);
