#include "formats/Tiff.h"

#include <tiffio.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <mutex>

#include "formats/Formats.h"
#include "formats/Png.h"
#include "formats/ReaderServices.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/PixelOps.h"

namespace {

// The library's last error on this thread: the thumbnail loader and the viewer
// decode at the same time, each with its own text.
thread_local wchar_t t_tiffError[256];

void OnTiffError(const char* module, const char* format, va_list args) {
    char text[256];
    vsnprintf(text, sizeof(text), format, args);
    size_t i = 0;
    for (; text[i] && i + 1 < 256; ++i) t_tiffError[i] = (wchar_t)(unsigned char)text[i];
    t_tiffError[i] = L'\0';
}

void OnTiffWarning(const char*, const char*, va_list) {}

// Largest single block the library may allocate for one file (strips, tiles,
// tag arrays); sizes read from a file beyond it are refused, not attempted.
constexpr tmsize_t kMaxTiffAlloc = 256 * 1024 * 1024;

TIFF* OpenTiff(const wchar_t* path, const char* mode) {
    static std::once_flag handlersSet;
    std::call_once(handlersSet, [] {
        TIFFSetErrorHandler(OnTiffError);
        TIFFSetWarningHandler(OnTiffWarning);
    });
    t_tiffError[0] = L'\0';
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options) TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxTiffAlloc);
    TIFF* tif = TIFFOpenWExt(path, mode, options);
    if (options) TIFFOpenOptionsFree(options);
    return tif;
}

struct Block {
    uint8_t* p = nullptr;
    ~Block() { std::free(p); }
    bool Allocate(uint64_t size) {
        std::free(p);
        p = (size > 0 && size <= (uint64_t)kMaxTiffAlloc) ? static_cast<uint8_t*>(std::calloc(1, (size_t)size))
                                                          : nullptr;
        return p != nullptr;
    }
};

struct Closer {
    TIFF* tif;
    ~Closer() {
        if (tif) TIFFClose(tif);
    }
};

// A failure of the page reader: the text the caller gets.
struct Failure {
    const wchar_t* text;
};

bool ApplyOrientation(CImage& image, int orientation) {
    switch (orientation) {
    case 2: return image.Mirror();
    case 3: return image.FlipVertical() && image.Mirror();
    case 4: return image.FlipVertical();
    case 5: return image.RotateRight90() && image.Mirror();
    case 6: return image.RotateRight90();
    case 7: return image.RotateLeft90() && image.Mirror();
    case 8: return image.RotateLeft90();
    default: return true;
    }
}

// Layouts the page reader below decodes itself: bilevel, grey and palette
// pages of one sample of up to 16 bits (the odd sizes too, which the library's
// RGBA reader refuses), grey and palette pages with one extra sample of 8 or
// 16 bits (shown by their first sample), and CIE L*a*b* of 8 or 16 bits. Every
// other layout (RGB, YCbCr, CMYK, LogLuv, grey with several extra samples,
// ICC and ITU L*a*b* ...) goes to the library's RGBA reader, which decodes it
// or says why it cannot: never a picture copied as if it were RGB.
bool PageReaderHandles(int samples, int bits, int photometric, int planar) {
    if (bits < 1 || bits > 16) return false;
    switch (photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_PALETTE:
        return samples == 1 || (samples == 2 && planar == PLANARCONFIG_CONTIG && (bits == 8 || bits == 16));
    case PHOTOMETRIC_CIELAB: return samples >= 3 && planar == PLANARCONFIG_CONTIG && (bits == 8 || bits == 16);
    default: return false;
    }
}

// Spreads one row of packed samples of 3, 5, 6, 7 or 9 to 15 bits (first
// sample in the high bits of the first byte) into one byte each: samples of up
// to 8 bits as they are, wider ones by their high 8 bits, as 16-bit samples.
void UnpackOddSamples(const uint8_t* source, uint32_t count, int bits, uint8_t* target) {
    const int shift = bits > 8 ? bits - 8 : 0;
    const uint32_t mask = (1u << bits) - 1;
    uint32_t pending = 0;
    int held = 0;
    for (uint32_t i = 0; i < count; ++i) {
        while (held < bits) {
            pending = (pending << 8) | *source++;
            held += 8;
        }
        held -= bits;
        target[i] = (uint8_t)(((pending >> held) & mask) >> shift);
        pending &= (1u << held) - 1;
    }
}

void ReadRgbaPage(TIFF* tif, CImage& image, uint32_t width, uint32_t height, int samples, int bits, bool reduced) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message)) {
        wchar_t* text = t_tiffError;
        size_t i = 0;
        for (; message[i] && i + 1 < 256; ++i) text[i] = (wchar_t)(unsigned char)message[i];
        text[i] = L'\0';
        throw Failure{text};
    }
    if (!image.CreateEmpty((int)width, (int)height, 32, 0, nullptr)) throw Failure{L"Failed to create image!"};
    GdiFlush();
    // Bottom row first, as the image stores its rows; the library follows the
    // file's Orientation tag on the way.
    if (!TIFFReadRGBAImageOriented(tif, width, height, reinterpret_cast<uint32_t*>(image.bits), ORIENTATION_BOTLEFT, 0))
        throw Failure{L"Unknown Decoder Error!"};
    image.SwapRedBlue();
    // Pages without a fourth sample become 24-bit (16-bit samples included).
    const int packed = samples == 3 ? 24 : samples * bits;
    if (!reduced && (packed == 24 || packed == 16)) {
        uint8_t* rows = image.GetBits(packed);
        if (rows) {
            CImage reduced;
            if (reduced.Create((int)width, (int)height, packed, rows, nullptr)) SwapImages(image, reduced);
            std::free(rows);
        }
    }
}

}  // namespace

int TiffColormapDepth(int count, const uint16_t* red, const uint16_t* green, const uint16_t* blue) {
    for (int i = 0; i < count; ++i)
        if (red[i] >= 256 || green[i] >= 256 || blue[i] >= 256) return 16;
    return 8;
}

void CopyByteRows(const uint8_t* source, int rows, uint8_t* destination, int destinationStride, int bytesPerRow,
                  int sourceStride) {
    for (int r = 0; r < rows; ++r)
        std::memcpy(destination + (size_t)r * destinationStride, source + (size_t)r * sourceStride,
                    (size_t)bytesPerRow);
}

void LabToRgb(uint8_t l, int8_t a, int8_t b, uint8_t& red, uint8_t& green, uint8_t& blue) {
    const double lightness = l * 100.0 / 255.0;
    const double fy = (lightness + 16.0) / 116.0, fx = fy + a / 500.0, fz = fy - b / 200.0;
    const double x = fx * fx * fx * 0.95047, y = fy * fy * fy, z = fz * fz * fz * 1.0883;
    const double linear[3] = {3.240479 * x - 1.53715 * y - 0.498535 * z, -0.969256 * x + 1.875992 * y + 0.041556 * z,
                              0.055648 * x - 0.204043 * y + 1.057311 * z};
    uint8_t out[3];
    for (int c = 0; c < 3; ++c) {
        double v = linear[c];
        v = v > 0.00304 ? 1.055 * std::pow(v, 0.41667) - 0.055 : 12.92 * v;
        const double scaled = v * 255.0;
        out[c] = scaled <= 0 ? 0 : scaled >= 255 ? 255 : (uint8_t)scaled;
    }
    red = out[0];
    green = out[1];
    blue = out[2];
}

ReadStatus LoadTiffPage(CImage& image, const wchar_t* path, int page, wchar_t* errorText, bool reduced) {
    TIFF* tif = path ? OpenTiff(path, "rm") : nullptr;
    if (!tif) { return NotThisFormat(errorText); }
    Closer closer{tif};
    try {
        if (page < 0 || page > 0xFFFF || !TIFFSetDirectory(tif, (tdir_t)page))
            throw Failure{L"Error: page not present in TIFF file"};
        uint32_t width = 0, height = 0, rowsPerStrip = 0;
        uint16_t samples = 1, bits = 1, photometric = PHOTOMETRIC_MINISWHITE, orientation = ORIENTATION_TOPLEFT;
        uint16_t planar = PLANARCONFIG_CONTIG;
        TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
        TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
        TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
        TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
        TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation);
        if (!TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip) || rowsPerStrip > height) rowsPerStrip = height;
        float xres = 0, yres = 0;
        const bool hasXres = TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres) != 0;
        const bool hasYres = TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yres) != 0;
        if (width == 0 || height == 0 || samples == 0) throw Failure{L"Invalid image size in TIFF file"};
        if ((uint64_t)width * height * 4 > CImage::kMaxImageBytes) throw Failure{L"Failed to create image!"};

        // Plain 8-bit RGB(A) rows are copied as they are: the library's RGBA
        // reader would premultiply an unassociated alpha channel, and the
        // image keeps straight alpha.
        const bool plainRgb = photometric == PHOTOMETRIC_RGB && bits == 8 && (samples == 3 || samples == 4) &&
                              planar == PLANARCONFIG_CONTIG;
        if (!plainRgb && !PageReaderHandles(samples, bits, photometric, planar)) {
            // The library's own RGBA conversion, rows as stored; the orientation
            // is applied afterwards as for every other page (the library itself
            // handles only the flips, not the turned orientations 5 to 8).
            TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
            ReadRgbaPage(tif, image, width, height, samples, bits, reduced);
            if (!ApplyOrientation(image, orientation)) throw Failure{L"Failed to create image!"};
        } else {
            const int depth = bits == 1 ? 1 : (bits == 2 || bits == 4) ? 4 : 8;
            uint8_t rgb[768] = {};
            const int greyBits = bits > 8 ? 8 : bits;
            if (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK) {
                const bool inverted = photometric == PHOTOMETRIC_MINISWHITE;
                if (greyBits == 1) {
                    const int white = inverted ? 0 : 1;
                    rgb[white * 3] = rgb[white * 3 + 1] = rgb[white * 3 + 2] = 255;
                } else {
                    // Scaled as a whole, so that the top value is white at every
                    // size (a step of 255 / 31 would end 5-bit greys at 248).
                    const int count = 1 << greyBits;
                    for (int i = 0; i < count; ++i)
                        rgb[i * 3] = rgb[i * 3 + 1] = rgb[i * 3 + 2] =
                            (uint8_t)((i * 255 / (count - 1)) ^ (inverted ? 255 : 0));
                }
            } else if (photometric == PHOTOMETRIC_PALETTE) {
                uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
                if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || bits > 8)
                    throw Failure{L"Unable to allocate TIFF palette"};
                const int count = 1 << bits;
                const bool wide = TiffColormapDepth(count, red, green, blue) == 16;
                for (int i = 0; i < count; ++i) {
                    rgb[i * 3] = wide ? (uint8_t)(red[i] * 255u / 65535u) : (uint8_t)red[i];
                    rgb[i * 3 + 1] = wide ? (uint8_t)(green[i] * 255u / 65535u) : (uint8_t)green[i];
                    rgb[i * 3 + 2] = wide ? (uint8_t)(blue[i] * 255u / 65535u) : (uint8_t)blue[i];
                }
            }
            const bool colour = samples >= 3;  // plain RGB(A) or CIE L*a*b*
            const bool oddBits = bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16;
            if (!image.CreateEmpty((int)width, (int)height, colour ? (samples >= 4 ? 32 : 24) : depth, 0, rgb))
                throw Failure{L"Failed to create image with palette!"};

            // Buffers sized from the library's own strip and tile sizes, which
            // follow the real sample size (16-bit strips are twice as long).
            const bool tiled = TIFFIsTiled(tif) != 0;
            uint32_t tileWidth = 0, tileLength = 0;
            const uint64_t scanline = (uint64_t)TIFFScanlineSize64(tif);
            Block band, tile;
            uint32_t bandRows;
            if (tiled) {
                TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
                TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength);
                if (tileWidth == 0 || tileLength == 0) throw Failure{L"Failed to decode TIFF tile!"};
                if (!tile.Allocate((uint64_t)TIFFTileSize64(tif)))
                    throw Failure{L"Insufficient memory to hold Tilebuffer!"};
                bandRows = tileLength;
                if (!band.Allocate(scanline * tileLength)) throw Failure{L"Insufficient memory to hold imagedata!"};
            } else {
                bandRows = rowsPerStrip ? rowsPerStrip : height;
                const uint64_t stripSize = (uint64_t)TIFFStripSize64(tif);
                if (!band.Allocate(stripSize > scanline * bandRows ? stripSize : scanline * bandRows))
                    throw Failure{L"Insufficient memory to hold imagedata!"};
            }
            const uint64_t tileRowBytes = tiled ? (uint64_t)TIFFTileRowSize64(tif) : 0;
            for (uint32_t top = 0, index = 0; top < height; top += bandRows, ++index) {
                const uint32_t rows = height - top < bandRows ? height - top : bandRows;
                if (tiled) {
                    for (uint32_t left = 0; left < width; left += tileWidth) {
                        if (TIFFReadTile(tif, tile.p, left, top, 0, 0) < 0)
                            throw Failure{L"Failed to decode TIFF tile!"};
                        const uint64_t offset = (uint64_t)left * samples * bits / 8;
                        const uint64_t copy = tileRowBytes < scanline - offset ? tileRowBytes : scanline - offset;
                        CopyByteRows(tile.p, (int)rows, band.p + offset, (int)scanline, (int)copy, (int)tileRowBytes);
                    }
                } else if (TIFFReadEncodedStrip(tif, index, band.p, (tmsize_t)(scanline * rows)) < 0) {
                    // A damaged strip ends the picture here; what was read stays.
                    break;
                }
                for (uint32_t r = 0; r < rows; ++r) {
                    uint8_t* source = band.p + (size_t)(r * scanline);
                    if (bits == 16) {
                        const uint16_t* wide = reinterpret_cast<const uint16_t*>(source);
                        for (uint64_t i = 0; i < (uint64_t)width * samples; ++i) source[i] = (uint8_t)(wide[i] >> 8);
                    }
                    const uint32_t stored = height - 1 - (top + r);
                    uint8_t* target = image.ScanLine(stored);
                    if (colour) {
                        const uint32_t step = samples, outStep = samples >= 4 ? 4 : 3;
                        for (uint32_t x = 0; x < width; ++x) {
                            const uint8_t* s = source + (size_t)x * step;
                            uint8_t* t = target + (size_t)x * outStep;
                            uint8_t red = s[0], green = s[1], blue = s[2];
                            if (photometric == PHOTOMETRIC_CIELAB)
                                LabToRgb(s[0], (int8_t)s[1], (int8_t)s[2], red, green, blue);
                            t[0] = blue;
                            t[1] = green;
                            t[2] = red;
                            if (outStep == 4) t[3] = s[3];
                        }
                    } else if (samples == 2) {
                        for (uint32_t x = 0; x < width; ++x) image.SetPixelIndex(x, stored, source[(size_t)x * 2]);
                    } else if (oddBits) {
                        UnpackOddSamples(source, width, bits, target);
                    } else {
                        const uint64_t rowBytes = bits == 16 ? width : (bits == 2 ? (width + 3) / 4 : scanline);
                        std::memcpy(target, source, (size_t)(rowBytes < image.stride ? rowBytes : image.stride));
                        if (bits == 2) UnpackPixels2To4(width, target);
                    }
                }
            }
            if (!ApplyOrientation(image, orientation)) throw Failure{L"Failed to create image!"};
        }
        if (hasXres && xres > 0 && xres < 4e9f) image.xResolution = (uint32_t)xres;
        if (hasYres && yres > 0 && yres < 4e9f) image.yResolution = (uint32_t)yres;
        return true;
    } catch (const Failure& failure) { SetFormatError(errorText, failure.text); } catch (...) {
        SetFormatError(errorText, L"Unknown Decoder Error!");
    }
    return false;
}

int CountTiffPages(const wchar_t* path) {
    TIFF* tif = path ? OpenTiff(path, "rm") : nullptr;
    if (!tif) return 0;
    const int count = (int)TIFFNumberOfDirectories(tif);
    TIFFClose(tif);
    return count;
}

ReadStatus LoadTiff(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    if (!CanOpenForRead(path, errorText)) return false;
    const ReadStatus status = LoadTiffPage(image, path, 0, errorText, call.request.Reduced());
    if (!status) return status;
    if (call.request.Quiet()) return true;
    const int pages = CountTiffPages(path);
    call.result.ShowPages(ANIM_KIND_TIFF, pages);
    return true;
}

int TiffCompressionFor(int setting, int bpp) {
    switch (setting) {
    case TIFF_SAVE_NONE: return COMPRESSION_NONE;
    case TIFF_SAVE_PACKBITS: return COMPRESSION_PACKBITS;
    case TIFF_SAVE_DEFLATE: return COMPRESSION_ADOBE_DEFLATE;
    default:
        if (bpp == 1) return COMPRESSION_CCITTFAX4;
        if (bpp <= 8) return COMPRESSION_ADOBE_DEFLATE;
        return COMPRESSION_JPEG;
    }
}

tiff* OpenTiffForWriting(const wchar_t* path) { return path ? OpenTiff(path, "w") : nullptr; }

bool WriteTiffPage(tiff* tif, CImage& image, wchar_t* errorText, int compression, int page, int pageCount) {
    if (!tif || !image.IsValid()) {
        SetFormatError(errorText, L"No image to save!");
        return false;
    }
    const int depth = image.GetBpp();
    const uint32_t width = image.GetWidth(), height = image.GetHeight();
    const uint16_t samples = depth <= 8 ? 1 : depth == 32 ? 4 : 3;
    const uint16_t bits = depth <= 8 ? (uint16_t)depth : 8;
    const int method = TiffCompressionFor(compression, depth);
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width) && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height) &&
              TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
              TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples) && TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, depth <= 8 ? PHOTOMETRIC_PALETTE : PHOTOMETRIC_RGB) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, method);
    if (ok && samples == 4) {
        const uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        ok = TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (ok && method == COMPRESSION_JPEG)
        ok = TIFFSetField(tif, TIFFTAG_JPEGQUALITY, 75) && TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    if (ok) ok = TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (ok && pageCount > 1) {
        char name[32];
        snprintf(name, sizeof(name), "Page %d", page);
        ok = TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE) &&
             TIFFSetField(tif, TIFFTAG_PAGENUMBER, (uint16_t)page, (uint16_t)pageCount) &&
             TIFFSetField(tif, TIFFTAG_PAGENAME, name);
    } else if (ok) {
        ok = TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
    }
    if (ok && depth <= 8) {
        uint16_t map[3][256] = {};
        for (int i = 0; i < (1 << depth); ++i) {
            map[0][i] = (uint16_t)(image.palette[i][2] * 257);
            map[1][i] = (uint16_t)(image.palette[i][1] * 257);
            map[2][i] = (uint16_t)(image.palette[i][0] * 257);
        }
        ok = TIFFSetField(tif, TIFFTAG_COLORMAP, map[0], map[1], map[2]);
    }
    if (!ok) {
        SetFormatError(errorText, t_tiffError[0] ? t_tiffError : L"Failed to set TIFF tags!");
        return false;
    }
    // Colour rows go out as red, green, blue (the image holds blue, green, red).
    const uint32_t rowBytes = CImage::RowBytes(width, depth <= 8 ? depth : samples * 8);
    Block row;
    if (!row.Allocate(rowBytes)) {
        SetFormatError(errorText, L"Not enough memory for a row!");
        return false;
    }
    for (uint32_t y = 0; y < height && ok; ++y) {
        const uint32_t stored = height - 1 - y;
        if (depth <= 8) {
            std::memcpy(row.p, image.ScanLine(stored), rowBytes);
        } else {
            uint8_t* converted = depth == 16 ? image.GetLine(24, stored) : nullptr;
            const uint8_t* source = depth == 16 ? converted : image.ScanLine(stored);
            if (!source) {
                SetFormatError(errorText, L"Not enough memory for a row!");
                return false;
            }
            std::memcpy(row.p, source, rowBytes);
            std::free(converted);
            for (uint32_t x = 0; x < width; ++x) std::swap(row.p[x * samples], row.p[x * samples + 2]);
        }
        ok = TIFFWriteScanline(tif, row.p, y, 0) >= 0;
    }
    if (ok && pageCount > 1) ok = TIFFWriteDirectory(tif) != 0;
    if (!ok) {
        SetFormatError(errorText, t_tiffError[0] ? t_tiffError : L"Failed to write TIFF data!");
        return false;
    }
    return true;
}

bool SaveTiff(const wchar_t* path, CImage& image, wchar_t* errorText, int compression) {
    if (!image.IsValid()) {
        SetFormatError(errorText, L"No image to save!");
        return false;
    }
    TIFF* tif = OpenTiffForWriting(path);
    if (!tif) {
        SetFormatError(errorText, L"Couldn't open TIFFFile for writing!");
        return false;
    }
    bool ok = WriteTiffPage(tif, image, errorText, compression, 0, 1);
    // The directory goes out at the flush: its failure is a failed save too.
    if (ok && !TIFFFlush(tif)) {
        SetFormatError(errorText, t_tiffError[0] ? t_tiffError : L"Failed to write TIFF data!");
        ok = false;
    }
    TIFFClose(tif);
    if (!ok) DeleteFileW(path);
    return ok;
}

bool SaveTiff(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options) {
    return SaveTiff(path, image, errorText, options.tiffCompression);
}
