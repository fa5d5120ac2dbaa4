// PPP: the program's own lossless picture format. A 15-byte little-endian
// header (0x5050 "PP", version 2, u16 width, u16 height, u32 raw size, u32
// compressed size) and one zlib stream of the image's 24-bit rows, bottom row
// first, each padded to a multiple of 4 bytes.
#pragma once
#include <cstdint>

#include "formats/LoadCall.h"
#include "formats/SaveOptions.h"

class CImage;

constexpr uint32_t PPP_HEADER_BYTES = 15;

// 2 for a PPP file (first word 0x5050), 1 for the older "velm" layout (any
// case), 0 for anything else or a file that cannot be opened.
int CheckPppVersion(const wchar_t* path);
// Reader contract (formats/Formats.h).
ReadStatus LoadPpp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
// Writer contract; the format has no options. Every image is written as 24 bits.
bool SavePpp(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options = {});
