// Resampling of pixel buffers and scaled drawing of a CImage.
//
// ScaleBits is the fast exact-coverage scaler (any depth in, 24-bit out) used
// for painting and thumbnails; ResampleBits is the filtered one with the resize
// dialog's five modes (0 no smoothing, 1 Bresenham, 2 bicubic, 3 Gaussian,
// 4 bilinear). Buffers are in DIB layout: stored bottom-up, rows padded to 4 bytes.
#pragma once
#include <windows.h>
#include <cstdint>

#include "image/Image.h"

// Resamples src (1, 4, 8, 16, 24 or 32 bpp; rgbPalette is 256 red, green, blue
// triples for palette depths) into the caller's 24-bit buffer dst.
void ScaleBits(uint8_t* dst, int dstWidth, int dstHeight, const uint8_t* src, int srcWidth, int srcHeight, int bpp,
               const uint8_t* rgbPalette);
void ResampleBits(uint8_t* dst, int dstWidth, int dstHeight, const uint8_t* src, int srcWidth, int srcHeight, int bpp,
                  int mode);
// Both rebuild the image as 24 bits of the new size; on failure (including a
// size that cannot be allocated) they return false with the image as it was.
bool ResampleImage(CImage& image, int width, int height, int mode);
bool ScaleImage(CImage& image, int width, int height);

// How DrawImageScaled draws an image of imageWidth x imageHeight into a
// rectangle of width x height.
struct ScaledDrawPlan {
    bool software;   // ScaleBits into a 24-bit buffer (else GDI stretches the image)
    bool preShrink;  // GDI first shrinks the image into a temporary image
    int tempWidth, tempHeight;
};
ScaledDrawPlan PlanScaledDraw(int imageWidth, int imageHeight, int width, int height);

// channel: 0 all, 1 red only, 2 green only, 3 blue only, 4-6 drawn like 0.
void DrawImageScaled(CImage& image, HDC dc, int x, int y, int width, int height, int channel);
