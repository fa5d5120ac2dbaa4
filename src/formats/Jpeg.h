// JPEG reading through libjpeg and writing through the EXIF file interface.
//
// The reader applies the EXIF orientation, takes a fast path for previews (the
// embedded thumbnail, else the decoder's 1/2, 1/4 or 1/8 scaling against the
// thumbnail cell of the request) and gives the full size of the picture behind
// a reduced decode in the call's result. Library errors never leave the
// binding: each decode keeps the library's message in its own error record,
// and it becomes the reader's error text.
#pragma once
#include <cstdint>
#include <cstdio>

#include "formats/Formats.h"
#include "formats/SaveOptions.h"

class CImage;
struct jpeg_common_struct;

// Reader contract (formats/Formats.h).
ReadStatus LoadJpeg(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
// Decodes from an open stream positioned at the start-of-image marker, without
// any Exif work; the caller closes the stream.
ReadStatus LoadJpegStream(CImage& image, FILE* stream, wchar_t* errorText, LoadCall& call);
// Turns the decoded picture upright for an EXIF orientation (1..8; others do nothing).
void ApplyExifOrientation(int orientation, CImage& image);
// True for the orientations that exchange width and height (5..8).
bool OrientationSwapsSides(int orientation);
// The libjpeg error exit of the bindings: formats the message into the error
// record of the call that owns the library object and jumps back to its
// recovery point. Never returns.
[[noreturn]] void JpegErrorExit(jpeg_common_struct* cinfo);
// Scale denominator (1, 2, 4 or 8) a preview of width x height uses for a
// thumbnail cell of cellWidth x cellHeight.
int JpegPreviewDenominator(uint32_t width, uint32_t height, int cellWidth, int cellHeight);

// The Software tag the writer stamps.
#define QRV_JPEG_SOFTWARE "Quorvane 1.02"

// Writer contract (options: formats/SaveOptions.h). A failed write removes
// the unfinished file; the process's current directory is never changed. The
// Exif source must be another file than path: SaveImageFile, which has the
// writer write a temporary file, lets a picture be saved over its source.
bool SaveJpeg(const wchar_t* path, CImage& image, wchar_t* errorText, const JpegSaveOptions& options);
// The format table's writer: options.jpeg.
bool SaveJpeg(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options);
bool SaveJpeg(const wchar_t* path, CImage& image, wchar_t* errorText, int quality, bool optimize, double smoothing,
              bool progressive, FormatId sourceFormat, const wchar_t* sourcePath);
