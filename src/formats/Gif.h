// GIF87a/GIF89a reading and writing with the program's own LZW codec.
//
// An animation is decoded completely when it is opened: every frame is
// composed onto the logical screen and stored in one tall image, one block of
// screen-height rows per frame (frame k in stored rows k*S .. (k+1)*S-1, its
// top row last); the image's height field is then set to the screen height so
// that it describes one frame. The frames' delays, disposal values and
// transparent indexes go to the playback bar.
#pragma once
#include <cstdint>
#include <cstdio>

#include "formats/Formats.h"
#include "formats/SaveOptions.h"

class CImage;

// Reader contract (formats/Formats.h). The frames' tables are in the call's
// result; a viewed animation of two or more frames hands them to the viewer's
// bar to play. With the request's gifToMng (the GIF-to-MNG writer's reading):
// palette output, every frame, slots flipped top row first, the tables
// reversed and the global colour table's size in the result.
ReadStatus LoadGif(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
// -2: not a GIF; -1: cannot be opened; else the number of frames counted
// (counting stops once the frames would need 40 MiB or more).
int CountGifFrames(const wchar_t* path);

// Writes a single-image GIF89a; images deeper than 8 bits are reduced to 256
// colours first. A failed write removes the partial file.
// The format has no options.
bool SaveGif(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options = {});
// Appends one image with its graphic control extension to an open stream.
bool GIFAddFrame(FILE* file, CImage& image, int delayMs, bool withLocalPalette, wchar_t* errorText);
// Writes 2^bits palette entries as red, green, blue.
void WriteGifColorTable(CImage& image, FILE* file, int bits);
void WriteGifGraphicControl(FILE* file, CImage& image, int delayMs);
// Row length of a frame buffer: 1, 4, 8 or 24 bits, rounded up to 4 bytes.
uint32_t GifRowBytes(uint32_t width, int bpp);
