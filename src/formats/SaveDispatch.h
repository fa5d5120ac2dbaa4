// Save dispatch and save options: SaveImageFile picks the writer from the
// target's extension and hands it the options last chosen in the Save As
// dialog's option panels (the FormatJPG*, FormatPNG* ... settings of AppState).
#pragma once
#include <windows.h>

#include "formats/Formats.h"
#include "formats/Jpeg.h"

class CImage;

// The writer's FormatId for the target's extension (from its last "."; case
// ignored); 0 when the extension has no writer.
FormatId SaveFormatIdForPath(const wchar_t* path);

// Options handed to the table writers of the formats whose writers take more
// than one value.
struct Jp2SaveOptions {
    int quality;   // FormatJP2Quality, 10..100
    int lossless;  // FormatJP2LossLess
};
struct RawSaveOptions {
    int flip;         // FormatRAWFlip
    int swapRedBlue;  // FormatRAWSwapRedAndBlue
    int noConvert24;  // FormatRAWNoConvert24Bit
};

// Writes image to path with the writer of its extension. errorText holds
// FORMAT_ERROR_CHARS characters and gets the writer's text on failure. The
// source format and path matter only to the JPEG writer, which keeps the Exif
// tags of an Exif JPEG source. Shows nothing.
bool SaveImageFile(const wchar_t* path, CImage& image, wchar_t* errorText, FormatId sourceFormat,
                   const wchar_t* sourcePath);
