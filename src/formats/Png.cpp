#include "formats/Png.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "formats/Formats.h"
#include "formats/PageToucher.h"
#include "formats/ReaderServices.h"
#include "formats/StdioFile.h"
#include "image/Image.h"
#include "image/Palette.h"

namespace {

// Everything one call of the binding owns. The library's error callback writes
// the message here (per call, so the thumbnail thread and the viewer never see
// each other's texts) and jumps back to the binding.
struct PngCall {
    FILE* file = nullptr;
    // Bytes of the file not read yet (reading only). A read that asks for more
    // fails at once and marks the file as cut short, whatever a chunk's length
    // field claims: libpng's own stdio reading would skip such a chunk a little
    // at a time up to the claimed length.
    uint64_t bytesLeft = 0;
    bool cutShort = false;
    png_structp png = nullptr;
    png_infop info = nullptr;
    wchar_t text[256] = L"Unknown PNG Load Error";
    bool imageCreated = false;
    bool writing = false;
    // A 24- or 32-bit picture without interlacing is created black (fresh
    // memory, no fill pass) since every row is written; rows a cut file never
    // reached get the background afterwards.
    bool fillLater = false;
    COLORREF background = 0;
    png_uint_32 rowsDone = 0;
    PageToucher toucher;
};

void PNGCBAPI OnPngError(png_structp png, png_const_charp message) {
    auto* call = static_cast<PngCall*>(png_get_error_ptr(png));
    if (call) {
        size_t i = 0;
        for (; message && message[i] && i + 1 < sizeof(call->text) / sizeof(call->text[0]); ++i)
            call->text[i] = (wchar_t)(unsigned char)message[i];
        call->text[i] = L'\0';
    }
    png_longjmp(png, 1);
}

void PNGCBAPI OnPngWarning(png_structp, png_const_charp) {}

// The read callback: never asks the stream for bytes past the end of the file.
void PNGCBAPI OnPngRead(png_structp png, png_bytep data, size_t length) {
    auto* call = static_cast<PngCall*>(png_get_io_ptr(png));
    if (length > call->bytesLeft) {
        call->cutShort = true;
        png_error(png, "Read Error");
    }
    if (std::fread(data, 1, length, call->file) != length) {
        call->cutShort = true;
        png_error(png, "Read Error");
    }
    call->bytesLeft -= length;
}

// The libpng part of LoadPng. Holds no object with a destructor, so that the
// library's long jump leaves nothing behind.
bool DecodePng(PngCall& call, CImage& image) {
    if (setjmp(png_jmpbuf(call.png))) return false;
    png_set_read_fn(call.png, &call, OnPngRead);
    png_read_info(call.png, call.info);
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(call.png, call.info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);

    int depth;
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE: depth = bitDepth == 16 ? 8 : bitDepth; break;
    case PNG_COLOR_TYPE_RGB: depth = 24; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        png_set_expand(call.png);
        png_set_gray_to_rgb(call.png);
        depth = 32;
        break;
    default: depth = 32; break;
    }

    uint8_t alpha[256];
    std::memset(alpha, 255, sizeof(alpha));
    const COLORREF background = call.background;
    if (colorType == PNG_COLOR_TYPE_PALETTE && png_get_valid(call.png, call.info, PNG_INFO_tRNS)) {
        png_bytep trans = nullptr;
        int transCount = 0;
        png_get_tRNS(call.png, call.info, &trans, &transCount, nullptr);
        if (trans && transCount > 0) std::memcpy(alpha, trans, (size_t)(transCount > 256 ? 256 : transCount));
        png_color_16 back{};
        back.red = GetRValue(background);
        back.green = GetGValue(background);
        back.blue = GetBValue(background);
        png_set_background(call.png, &back, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    png_set_bgr(call.png);
    if (bitDepth == 16) png_set_scale_16(call.png);
    const int passes = png_set_interlace_handling(call.png);
    png_read_update_info(call.png, call.info);

    uint8_t rgb[768] = {};
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        png_get_PLTE(call.png, call.info, &entries, &count);
        for (int i = 0; i < count && i < 256; ++i) {
            rgb[i * 3] = entries[i].red;
            rgb[i * 3 + 1] = entries[i].green;
            rgb[i * 3 + 2] = entries[i].blue;
        }
    } else if (colorType == PNG_COLOR_TYPE_GRAY) {
        FillGreyPalette(rgb, 1 << depth);
    }

    // The library's row must fit the image's row (2-bit rows are widened in place).
    const uint64_t libraryRow = png_get_rowbytes(call.png, call.info);
    call.fillLater = passes == 1 && depth >= 24;
    if ((uint64_t)width * height == 0 || libraryRow > CImage::RowBytes(width, depth == 2 ? 4 : depth) ||
        !image.CreateEmpty((int)width, (int)height, depth, call.fillLater ? 0 : background, rgb)) {
        std::wcscpy(call.text, L"Unable to allocate Memory for storing Imagedata!");
        return false;
    }
    call.imageCreated = true;
    for (int i = 0; i < 256; ++i)
        if (alpha[i] == 0) {
            image.hasTransparency = 1;
            image.transparentIndex = (uint8_t)i;
        }

    GdiFlush();
    if (call.fillLater) StartTouching(call.toucher, image.bits, (size_t)image.stride * height);
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            // Rows are read straight into the image; with interlacing each pass
            // adds its pixels to those the earlier passes left in the row.
            uint8_t* row = image.bits + (size_t)(height - 1 - y) * image.stride;
            png_read_row(call.png, row, nullptr);
            if (bitDepth == 2 && pass == passes - 1) UnpackPixels2To4(width, row);
            call.rowsDone = y + 1;
        }
    }
    png_read_end(call.png, nullptr);
    return true;
}

// The libpng part of SavePng; same rule as DecodePng.
bool EncodePng(PngCall& call, CImage& image, int interlace, uint8_t* rowBuffer) {
    if (setjmp(png_jmpbuf(call.png))) return false;
    png_init_io(call.png, call.file);
    const int depth = image.GetBpp();
    const png_uint_32 width = image.GetWidth(), height = image.GetHeight();
    int colorType, bitDepth;
    if (depth <= 8) {
        colorType = PNG_COLOR_TYPE_PALETTE;
        bitDepth = depth;
    } else {
        colorType = depth == 32 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
        bitDepth = 8;
    }
    png_set_IHDR(call.png, call.info, width, height, bitDepth, colorType,
                 interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(call.png, 9);
    png_color entries[256];
    png_byte trans[256];
    if (depth <= 8) {
        const int count = 1 << depth;
        for (int i = 0; i < count; ++i) {
            entries[i].red = image.palette[i][2];
            entries[i].green = image.palette[i][1];
            entries[i].blue = image.palette[i][0];
        }
        png_set_PLTE(call.png, call.info, entries, count);
        if (image.hasTransparency && image.transparentIndex < count) {
            std::memset(trans, 255, sizeof(trans));
            trans[image.transparentIndex] = 0;
            png_set_tRNS(call.png, call.info, trans, image.transparentIndex + 1, nullptr);
        }
    }
    png_write_info(call.png, call.info);
    png_set_bgr(call.png);
    const int passes = interlace ? png_set_interlace_handling(call.png) : 1;
    const size_t rowBytes = png_get_rowbytes(call.png, call.info);
    // The library's row (not the padded stride) is what goes to it.
    if (rowBytes > (size_t)CImage::RowBytes(width, depth == 16 ? 24 : depth)) png_error(call.png, "Bad row size");

    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            const uint32_t stored = height - 1 - y;
            if (depth == 16) {
                uint8_t* line = image.GetLine(24, stored);
                if (line) std::memcpy(rowBuffer, line, rowBytes);
                std::free(line);
                if (!line) png_error(call.png, "Not enough memory for a row");
                png_write_row(call.png, rowBuffer);
            } else {
                png_write_row(call.png, image.ScanLine(stored));
            }
        }
    }
    png_write_end(call.png, call.info);
    return true;
}

}  // namespace

void UnpackPixels2To4(uint32_t pixelCount, uint8_t* row) {
    for (uint32_t i = pixelCount; i-- > 0;) {
        const uint8_t value = (row[i / 4] >> (6 - 2 * (i % 4))) & 3;
        uint8_t& target = row[i / 2];
        target = (i % 2) ? (uint8_t)((target & 0xF0) | value) : (uint8_t)((target & 0x0F) | (value << 4));
    }
}

bool IsPngFile(const wchar_t* path) {
    FILE* file = path ? _wfopen(path, L"rb") : nullptr;
    if (!file) return false;
    uint8_t head[4] = {};
    const bool ok =
        fread(head, 1, 4, file) == 4 && head[0] == 137 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G';
    fclose(file);
    return ok;
}

namespace {

// Reads the PNG stream at binding.file's position (binding.bytesLeft bytes at
// most) into image and closes nothing; the error text on failure.
bool RunPngRead(PngCall& binding, CImage& image, wchar_t* errorText) {
    binding.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &binding, OnPngError, OnPngWarning);
    if (!binding.png) {
        SetFormatError(errorText, L"Couldn't create PNGReadStruct");
        return false;
    }
    binding.info = png_create_info_struct(binding.png);
    if (!binding.info) {
        png_destroy_read_struct(&binding.png, nullptr, nullptr);
        SetFormatError(errorText, L"Couldn't create PNGInfoStruct");
        return false;
    }
    bool ok = DecodePng(binding, image);
    StopTouching(binding.toucher);
    png_destroy_read_struct(&binding.png, &binding.info, nullptr);
    // A file cut short keeps the rows read so far, but only once the image
    // exists: a header cut short is a failure, not an empty success.
    if (!ok && binding.imageCreated && binding.cutShort) {
        ok = true;
        if (binding.fillLater && binding.rowsDone < image.height) {
            const RECT rest{0, (LONG)binding.rowsDone, (LONG)image.width, (LONG)(image.height - binding.rowsDone)};
            image.FillRect(rest, binding.background);
            GdiFlush();
        }
    }
    if (!ok) SetFormatError(errorText, binding.text);
    return ok;
}

}  // namespace

ReadStatus LoadPng(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    PngCall binding;
    binding.background = call.request.background;
    binding.file = path ? _wfopen(path, L"rb") : nullptr;
    if (!binding.file) {
        SetFormatError(errorText, L"Couldn't open File");
        return false;
    }
    uint8_t head[4] = {};
    if (fread(head, 1, 4, binding.file) != 4 || head[0] != 137 || head[1] != 'P' || head[2] != 'N' || head[3] != 'G') {
        fclose(binding.file);
        return NotThisFormat(errorText);
    }
    binding.bytesLeft = BytesLeft(binding.file) + 4;
    rewind(binding.file);
    const bool ok = RunPngRead(binding, image, errorText);
    fclose(binding.file);
    call.result.cutShort = binding.cutShort;
    return ok;
}

ReadStatus ReadPngStream(CImage& image, FILE* file, uint64_t length, COLORREF background, wchar_t* errorText) {
    if (!file) return NotThisFormat(errorText);
    PngCall binding;
    binding.background = background;
    binding.file = file;
    const uint64_t left = BytesLeft(file);
    binding.bytesLeft = length < left ? length : left;
    return RunPngRead(binding, image, errorText);
}

bool SavePng(const wchar_t* path, CImage& image, wchar_t* errorText, int interlace) {
    if (!image.IsValid()) {
        SetFormatError(errorText, L"No image to save!");
        return false;
    }
    PngCall call;
    call.writing = true;
    std::wcscpy(call.text, L"Unknown PNG Save Error");
    call.file = path ? _wfopen(path, L"wb") : nullptr;
    if (!call.file) {
        SetFormatError(errorText, L"Couldn't open file for saving!");
        return false;
    }
    const wchar_t* failure = nullptr;
    // 16-bit rows are converted to 24 bits one at a time into this buffer.
    uint8_t* rowBuffer = nullptr;
    if (image.GetBpp() == 16 && !(rowBuffer = static_cast<uint8_t*>(std::malloc(image.stride * 2))))
        failure = L"Not enough memory for a row";
    else if (!(call.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &call, OnPngError, OnPngWarning)))
        failure = L"Failed: png_create_write_struct!";
    else if (!(call.info = png_create_info_struct(call.png))) failure = L"Failed: png_create_info_struct!";
    else if (!EncodePng(call, image, interlace, rowBuffer)) failure = call.text;
    std::free(rowBuffer);
    if (call.png) png_destroy_write_struct(&call.png, call.info ? &call.info : nullptr);
    // fflush/fclose report a full disk that the buffered writes did not.
    if (fflush(call.file) != 0 && !failure) failure = L"Failed to write PNG file!";
    if (fclose(call.file) != 0 && !failure) failure = L"Failed to write PNG file!";
    if (failure) {
        SetFormatError(errorText, failure);
        _wremove(path);
        return false;
    }
    return true;
}

bool SavePng(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options) {
    return SavePng(path, image, errorText, options.pngInterlace ? 1 : 0);
}
