// What the writers take besides the path and the image: one record with the
// options of every format that has any. A default record holds the defaults of
// the Save As settings (FormatJPG*, FormatPNG* ...); the shell fills one from
// the user's settings. Writers of formats without options ignore it.
#pragma once
#include "formats/Formats.h"

// JPEG: with FMT_JPEG and an Exif JPEG sourcePath, the source's Exif tags are kept.
struct JpegSaveOptions {
    int quality = 80;        // 1..100
    bool optimize = true;    // optimised Huffman codes
    double smoothing = 0.0;  // 0.0..1.0
    bool progressive = false;
    FormatId sourceFormat = 0;
    const wchar_t* sourcePath = nullptr;
};

// JPEG 2000.
struct Jp2SaveOptions {
    int quality = 30;  // 10..100
    bool lossless = false;
};

// Raw pixel data.
struct RawSaveOptions {
    bool flip = false;         // rows top first instead of bottom first
    bool swapRedBlue = true;   // red, green, blue instead of blue, green, red
    bool noConvert24 = false;  // the rows as stored, at the image's own depth
};

struct SaveOptions {
    JpegSaveOptions jpeg;
    bool pngInterlace = false;  // Adam7
    int tiffCompression = 3;    // the Save As panel's choice (see TiffCompressionFor)
    bool tgaRunLength = true;
    int sgiCompression = 1;  // 0 verbatim, 1 run-length, 2 run-length with equal rows stored once
    bool rasRunLength = true;
    Jp2SaveOptions jp2;
    RawSaveOptions raw;
    // The image is the picture of the source named in jpeg (sourceFormat,
    // sourcePath) as it was read, with no edit since: the MNG writer converts
    // an unchanged GIF source frame by frame.
    bool sourceUnchanged = false;
};
