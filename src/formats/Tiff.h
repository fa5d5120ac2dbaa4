// TIFF reading (page by page) and writing through libtiff. Errors of the
// library go to the call that caused them (per-handle handlers), so decodes on
// the thumbnail thread and the viewer's thread never mix their texts.
#pragma once
#include <cstdint>

#include "formats/Formats.h"
#include "formats/SaveOptions.h"

class CImage;
struct tiff;

// Decodes page (directory) `page`, counted from 0. A reduced (preview or
// thumbnail) decode keeps 24- and 16-bit pages in the 32-bit form they are read in.
ReadStatus LoadTiffPage(CImage& image, const wchar_t* path, int page, wchar_t* errorText, bool reduced = false);
// Reader contract: page 0; for the viewer (not background or preview loads)
// a multi-page file also gives the tables for paging in the playback bar.
ReadStatus LoadTiff(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
// Number of pages (directories); 0 when the file cannot be read as TIFF.
int CountTiffPages(const wchar_t* path);

// Compression setting (FormatTIFCompression): none, PackBits, Deflate, or the
// automatic choice by depth (CCITT G4 for 1 bit, Deflate for 4 and 8, JPEG above).
enum : int { TIFF_SAVE_NONE = 0, TIFF_SAVE_PACKBITS = 1, TIFF_SAVE_DEFLATE = 2, TIFF_SAVE_AUTOMATIC = 3 };
// The TIFF compression code the setting gives for an image depth.
int TiffCompressionFor(int setting, int bpp);
// Writes image as one page of an open TIFF; with pageCount > 1 the page is
// marked as page `page` of pageCount and its directory is written. False with
// a text when any write fails.
bool WriteTiffPage(tiff* file, CImage& image, wchar_t* errorText, int compression, int page, int pageCount);
// Writer contract; a failed write removes the partial file.
bool SaveTiff(const wchar_t* path, CImage& image, wchar_t* errorText, int compression);
// Writer as the format table calls it: options.tiffCompression.
bool SaveTiff(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options);
// Opens path for writing with this thread's error text capture (null on failure).
tiff* OpenTiffForWriting(const wchar_t* path);

// 16 when any colour-map entry is 256 or more (16-bit values), else 8.
int TiffColormapDepth(int count, const uint16_t* red, const uint16_t* green, const uint16_t* blue);
// Copies rows between buffers of different strides.
void CopyByteRows(const uint8_t* source, int rows, uint8_t* destination, int destinationStride, int bytesPerRow,
                  int sourceStride);
// CIE L*a*b* bytes (L 0..255, a and b signed) to sRGB bytes.
void LabToRgb(uint8_t l, int8_t a, int8_t b, uint8_t& red, uint8_t& green, uint8_t& blue);
