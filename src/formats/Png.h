// PNG reading and writing through libpng. Palette transparency is composited
// over the viewer's background colour while reading and recorded in the
// image's transparency triple; 2-bit pixels become 4-bit, 16-bit samples 8-bit.
#pragma once
#include <windows.h>
#include <cstdint>
#include <cstdio>

#include "formats/LoadCall.h"
#include "formats/SaveOptions.h"

class CImage;

// Reader contract (formats/Formats.h).
ReadStatus LoadPng(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
// Writer contract; interlace is the FormatPNGInterlace setting (Adam7 when set).
// Writes at compression level 9; a failed write removes the partial file.
bool SavePng(const wchar_t* path, CImage& image, wchar_t* errorText, int interlace);
// Decodes the PNG stream that starts at the stream's position and takes at
// most length bytes of it (an entry inside another file), as LoadPng does with
// background behind palette transparency; the caller closes the stream.
ReadStatus ReadPngStream(CImage& image, FILE* file, uint64_t length, COLORREF background, wchar_t* errorText);
// True when the file's first four bytes match the PNG signature's first four.
bool IsPngFile(const wchar_t* path);
// Writer as the format table calls it: options.pngInterlace.
bool SavePng(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options);
// Widens pixelCount 2-bit pixels of row into 4-bit pixels in place (the row
// must hold (pixelCount + 1) / 2 bytes), working from the last pixel back.
void UnpackPixels2To4(uint32_t pixelCount, uint8_t* row);
