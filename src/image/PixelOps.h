// Geometric and colour operations on a CImage: flips, mirror, rotations,
// inversion, channel swaps, grey conversion, brightness, contrast and gamma.
// Each returns true on success and false (image unchanged) when the image is
// not valid or a buffer cannot be had. Undo, repaint and the busy cursor
// belong to the callers.
#pragma once
#include <cstddef>
#include <cstdint>

#include "image/Image.h"

// Exchanges bytes 0 and 2 of every pixel of a 24- or 32-bit buffer (rows padded
// to 4 bytes); false for other depths or a null buffer.
bool SwapRedBlueBits(uint8_t* pixels, int width, int height, int bpp);

// --- helpers shared by the image operations ---

// Exchanges the whole content (GDI objects, pixels, palette, fields) of two images.
void SwapImages(CImage& a, CImage& b);
// The image's 256 palette entries as red, green, blue triples.
void GetFullPaletteRGB(const CImage& image, uint8_t* rgb768);
// A heap block of height rows of RowBytes(width, bpp) bytes (zeroed when asked),
// refused (null) when the size cannot be represented or exceeds the image limit.
// The row size goes to *rowBytes when given. Freed with free().
uint8_t* AllocRows(uint64_t width, uint64_t height, int bpp, bool zero, uint32_t* rowBytes = nullptr);
