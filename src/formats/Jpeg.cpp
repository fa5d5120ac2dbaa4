#include "formats/Jpeg.h"

#include <windows.h>

#include <csetjmp>
#include <new>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

#include "exif/ExifFile.h"
#include "formats/Formats.h"
#include "formats/PageToucher.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Palette.h"
#include "image/PixelOps.h"
#include "image/Resample.h"

namespace {

// A damaged progressive file can hold thousands of tiny scans, each of which
// makes the decoder walk every coefficient; real encoders write about ten.
constexpr int kMaxScans = 1000;

// libjpeg's standard error manager with the recovery point and the error
// record of the call that owns it: the library's message and its code.
struct JpegErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    wchar_t text[200];
    int code;
};

void WidenMessage(const char* message, wchar_t* out, size_t size) {
    size_t i = 0;
    for (; message && message[i] && i + 1 < size; ++i) out[i] = (wchar_t)(unsigned char)message[i];
    out[i] = L'\0';
}

// Warnings (a cut file, extraneous bytes) are not errors: the decode goes on
// and nothing is printed.
void SilentOutput(j_common_ptr) {}

void LimitScans(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
        WidenMessage("Too many scans in progressive JPEG file", err->text, sizeof(err->text) / sizeof(err->text[0]));
        err->code = -1;
        longjmp(err->jump, 1);
    }
}

const uint8_t* GreyPalette() {
    static const struct Table {
        uint8_t rgb[768];
        Table() { FillGreyPalette(rgb, 256); }
    } table;
    return table.rgb;
}

// Everything one decode owns. RunDecode holds no object with a destructor, so
// the library's long jump leaves nothing behind.
struct DecodeCall {
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    jpeg_progress_mgr progress;
    bool created = false;
    FILE* file = nullptr;
    CImage* image = nullptr;
    bool preview = false;
    int cellWidth = 120, cellHeight = 90;
    uint8_t* cmykRow = nullptr;
    uint32_t fullWidth = 0, fullHeight = 0;
    bool imageFailed = false;  // the image could not be created (no library error)
    PageToucher toucher;
};

bool RunDecode(DecodeCall& c) {
    c.err.text[0] = L'\0';
    c.err.code = 0;
    c.cinfo.err = jpeg_std_error(&c.err.pub);
    c.err.pub.error_exit = JpegErrorExit;
    c.err.pub.output_message = SilentOutput;
    if (setjmp(c.err.jump)) return false;
    jpeg_create_decompress(&c.cinfo);
    c.created = true;
    c.progress.progress_monitor = LimitScans;
    c.cinfo.progress = &c.progress;
    jpeg_stdio_src(&c.cinfo, c.file);
    jpeg_read_header(&c.cinfo, TRUE);
    c.fullWidth = c.cinfo.image_width;
    c.fullHeight = c.cinfo.image_height;

    c.cinfo.scale_num = 1;
    c.cinfo.scale_denom = 1;
    c.cinfo.dct_method = JDCT_ISLOW;
    if (c.preview) {
        c.cinfo.scale_denom =
            (unsigned)JpegPreviewDenominator(c.cinfo.image_width, c.cinfo.image_height, c.cellWidth, c.cellHeight);
        // A picture that is reduced again for its cell needs no exact samples.
        c.cinfo.dct_method = JDCT_IFAST;
        c.cinfo.do_fancy_upsampling = FALSE;
    }
    int components;
    switch (c.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        c.cinfo.out_color_space = JCS_GRAYSCALE;
        components = 1;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        c.cinfo.out_color_space = JCS_CMYK;
        components = 4;
        break;
    default:
        c.cinfo.out_color_space = JCS_EXT_BGR;
        components = 3;
        break;
    }
    jpeg_calc_output_dimensions(&c.cinfo);
    const uint32_t width = c.cinfo.output_width, height = c.cinfo.output_height;
    // Create the image before the decoder allocates its own buffers, so an
    // absurd size in a small file costs nothing.
    if (!c.image->CreateEmpty((int)width, (int)height, 8 * components, 0, components == 1 ? GreyPalette() : nullptr)) {
        c.imageFailed = true;
        return false;
    }
    if (components == 4) {
        c.cmykRow = (uint8_t*)std::malloc((size_t)width * 4);
        if (!c.cmykRow) {
            c.imageFailed = true;
            return false;
        }
    }
    GdiFlush();
    uint8_t* const bits = c.image->bits;
    const size_t stride = c.image->stride;
    StartTouching(c.toucher, bits, stride * height);
    jpeg_start_decompress(&c.cinfo);
    while (c.cinfo.output_scanline < height) {
        const uint32_t y = c.cinfo.output_scanline;  // from the top
        if (components != 4) {
            // Straight into the image's rows: the first line is the top row.
            JSAMPROW rows[16];
            uint32_t count = height - y;
            if (count > 16) count = 16;
            for (uint32_t i = 0; i < count; ++i) rows[i] = bits + (size_t)(height - 1 - (y + i)) * stride;
            if (jpeg_read_scanlines(&c.cinfo, rows, count) == 0) break;
        } else {
            JSAMPROW row = c.cmykRow;
            if (jpeg_read_scanlines(&c.cinfo, &row, 1) == 0) break;
            // Adobe CMYK is stored inverted: each sample times K gives the
            // complementary colour directly. No alpha: the fourth byte is opaque.
            uint8_t* out = bits + (size_t)(height - 1 - y) * stride;
            const uint8_t* in = c.cmykRow;
            for (uint32_t x = 0; x < width; ++x, in += 4, out += 4) {
                const unsigned k = in[3];
                out[0] = (uint8_t)(in[2] * k / 255);
                out[1] = (uint8_t)(in[1] * k / 255);
                out[2] = (uint8_t)(in[0] * k / 255);
                out[3] = 255;
            }
        }
    }
    jpeg_finish_decompress(&c.cinfo);
    return true;
}

void EndDecode(DecodeCall& c) {
    StopTouching(c.toucher);
    if (c.created) jpeg_destroy_decompress(&c.cinfo);
    c.created = false;
    std::free(c.cmykRow);
    c.cmykRow = nullptr;
}

// Decodes the open stream into image for the request (a reduced decode aims
// at its thumbnail cell); the image is destroyed when the decode fails.
bool DecodeStream(FILE* file, CImage& image, const LoadRequest& request, DecodeCall& call) {
    call.file = file;
    call.image = &image;
    call.preview = request.Reduced();
    call.cellWidth = request.cellWidth;
    call.cellHeight = request.cellHeight;
    const bool ok = RunDecode(call);
    EndDecode(call);
    if (!ok) image.Destroy();
    return ok;
}

FILE* OpenForReading(const wchar_t* path) {
    FILE* file = _wfopen(path, L"rb");
    if (file) std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    return file;
}

// The preview fast path: the Exif thumbnail as the image. False when there is
// none (or it cannot be made into an image).
bool TakeExifThumbnail(ExifImageFile& exif, CImage& image, int orientation, LoadResult& result, bool& failed) {
    failed = false;
    // The Compression tag that says "JPEG thumbnail" stands in the thumbnail's
    // own directory (IFD1); the primary directory of a camera file carries
    // none, so asking there would never take the thumbnail.
    if (GetExifTagInt(5, &exif, 259) != 6) return false;
    ExifImageBuffer* thumb = exif.ReadThumbnail();
    if (!thumb || !thumb->width || !thumb->height || !thumb->channel[0].data) return false;
    const uint32_t channels = thumb->channels == 1 ? 1 : 3;
    if (!image.CreateEmpty((int)thumb->width, (int)thumb->height, 8 * channels, 0,
                           channels == 1 ? GreyPalette() : nullptr)) {
        failed = true;
        return false;
    }
    GdiFlush();
    const ExifChannelInfo& ch = thumb->channel[0];
    for (uint32_t y = 0; y < thumb->height; ++y) {
        const uint8_t* in = ch.data + (ptrdiff_t)ch.rowStep * y;
        uint8_t* out = image.bits + (size_t)(thumb->height - 1 - y) * image.stride;
        if (channels == 1) {
            for (uint32_t x = 0; x < thumb->width; ++x) out[x] = in[(ptrdiff_t)ch.sampleStep * x];
        } else {
            // The library hands RGB samples; the image holds blue, green, red.
            for (uint32_t x = 0; x < thumb->width; ++x, out += 3) {
                const uint8_t* p = in + (ptrdiff_t)ch.sampleStep * x;
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
            }
        }
    }
    int fullWidth = (int)exif.info.width, fullHeight = (int)exif.info.height;
    exif.Close();
    ApplyExifOrientation(orientation, image);
    if (OrientationSwapsSides(orientation)) std::swap(fullWidth, fullHeight);
    result.fullWidth = fullWidth;
    result.fullHeight = fullHeight;
    return true;
}

}  // namespace

void JpegErrorExit(jpeg_common_struct* cinfo) {
    char message[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, message);
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    WidenMessage(message, err->text, sizeof(err->text) / sizeof(err->text[0]));
    err->code = cinfo->err->msg_code;
    longjmp(err->jump, 1);
}

int JpegPreviewDenominator(uint32_t width, uint32_t height, int cellWidth, int cellHeight) {
    const uint64_t d = width > height ? width : height;
    const int cell = width < height ? cellHeight : cellWidth;
    const uint64_t e = cell > 0 ? (uint64_t)cell : 1;
    if (8 * e < d) return 8;
    if (4 * e < d) return 4;
    if (2 * e < d) return 2;
    return 1;
}

bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

void ApplyExifOrientation(int orientation, CImage& image) {
    switch (orientation) {
    case 2: image.Mirror(); break;
    case 3:
        image.Mirror();
        image.FlipVertical();
        break;
    case 4: image.FlipVertical(); break;
    case 5:
        image.RotateRight90();
        image.Mirror();
        break;
    case 6: image.RotateRight90(); break;
    case 7:
        image.RotateRight90();
        image.FlipVertical();
        break;
    case 8: image.RotateLeft90(); break;
    default: break;
    }
}

ReadStatus LoadJpeg(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    if (!path) {
        SetFormatError(errorText, L"Unable to open file!");
        return false;
    }
    int orientation = -1;
    {
        char narrow[MAX_PATH];
        if (WideToAnsiPath(narrow, path) && CheckExifJpegFile(narrow) == 0) {
            ExifImageFile exif;
            if (exif.Open(narrow, "r") == EXIF_OK) {
                orientation = GetExifTagInt(0, &exif, 274);
                if (call.request.Reduced()) {
                    bool failed = false;
                    if (TakeExifThumbnail(exif, image, orientation, call.result, failed)) return true;
                    if (failed) return false;
                }
            }
        }
    }

    FILE* file = OpenForReading(path);
    if (!file) {
        SetFormatError(errorText, L"Unable to open file!");
        return false;
    }
    DecodeCall decode;
    const bool ok = DecodeStream(file, image, call.request, decode);
    std::fclose(file);
    if (!ok) {
        if (decode.imageFailed) {
            SetFormatError(errorText, L"Insufficient Memory to store Imagedata!");
        } else if (decode.err.code == JERR_NO_SOI) {
            return NotThisFormat(errorText);
        } else {
            SetFormatError(errorText, decode.err.text);
        }
        return false;
    }
    ApplyExifOrientation(orientation, image);
    int fullWidth = (int)decode.fullWidth, fullHeight = (int)decode.fullHeight;
    if (OrientationSwapsSides(orientation)) std::swap(fullWidth, fullHeight);
    call.result.fullWidth = fullWidth;
    call.result.fullHeight = fullHeight;
    return true;
}

ReadStatus LoadJpegStream(CImage& image, FILE* stream, wchar_t* errorText, LoadCall& call) {
    if (!stream) {
        SetFormatError(errorText, L"Unable to open file!");
        return false;
    }
    DecodeCall decode;
    const bool ok = DecodeStream(stream, image, call.request, decode);
    if (!ok) {
        SetFormatError(errorText, decode.imageFailed ? L"Failed to allocate memory for imagedata!" : decode.err.text);
        return false;
    }
    call.result.fullWidth = (int)decode.fullWidth;
    call.result.fullHeight = (int)decode.fullHeight;
    return true;
}

// ---- writing ----

namespace {

// Converts `count` stored rows of the image, from the top row `top` down, to
// 24-bit blue, green, red rows of width x 3 bytes.
bool RowsAs24(CImage& image, uint32_t top, uint32_t count, uint8_t* out) {
    const uint32_t width = image.width, height = image.height;
    uint8_t rgb[768];
    GetFullPaletteRGB(image, rgb);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t stored = height - 1 - (top + i);
        uint8_t* o = out + (size_t)width * 3 * i;
        const uint8_t* in = image.bits + (size_t)stored * image.stride;
        switch (image.bpp) {
        case 24: std::memcpy(o, in, (size_t)width * 3); break;
        case 32:
            for (uint32_t x = 0; x < width; ++x, o += 3, in += 4) {
                o[0] = in[0];
                o[1] = in[1];
                o[2] = in[2];
            }
            break;
        case 1:
        case 4:
        case 8:
            for (uint32_t x = 0; x < width; ++x, o += 3) {
                const uint8_t index = image.GetPixelIndex(x, stored);
                o[0] = rgb[index * 3 + 2];
                o[1] = rgb[index * 3 + 1];
                o[2] = rgb[index * 3];
            }
            break;
        default: {
            uint8_t* line = image.GetLine(24, stored);
            if (!line) return false;
            std::memcpy(o, line, (size_t)width * 3);
            std::free(line);
        }
        }
    }
    return true;
}

void FormatWriterError(wchar_t* errorText, const wchar_t* format, const wchar_t* argument) {
    wchar_t text[FORMAT_ERROR_CHARS];
    _snwprintf(text, FORMAT_ERROR_CHARS - 1, format, argument ? argument : L"");
    text[FORMAT_ERROR_CHARS - 1] = L'\0';
    SetFormatError(errorText, text);
}

// Compresses the image into the open output, top row first, in blocks of rows.
bool CompressRows(ExifImageFile& out, CImage& image) {
    const uint32_t width = image.width, height = image.height;
    constexpr uint32_t kBlock = 16;
    uint8_t* rows = (uint8_t*)std::malloc((size_t)width * 3 * kBlock);
    if (!rows) return false;
    ExifImageBuffer buffer;
    InitExifImageBuffer(&buffer);
    buffer.channels = 3;
    buffer.width = width;
    buffer.height = height;
    for (int i = 0; i < 3; ++i) {
        buffer.channel[i].kind = EXIF_KIND_BGR;
        buffer.channel[i].factorX = buffer.channel[i].factorY = 1;
        buffer.channel[i].sampleStep = 3;
        buffer.channel[i].rowStep = (int32_t)(width * 3);
        buffer.channel[i].data = rows + i;
    }
    GdiFlush();
    bool ok = true;
    for (uint32_t top = 0; ok && top < height; top += kBlock) {
        const uint32_t count = height - top < kBlock ? height - top : kBlock;
        uint32_t total = 0;
        uint16_t now = 0;
        ok = RowsAs24(image, top, count, rows) && out.WriteScanLines(&buffer, count, &total, &now) == EXIF_OK &&
             now == count;
    }
    std::free(rows);
    return ok;
}

// The picture scaled to fit a box of boxWidth x boxHeight (turned to the
// picture's own orientation), as RGB rows top row first; null on failure.
ExifImageBuffer* MakeThumbnail(CImage& image, uint32_t boxWidth, uint32_t boxHeight) {
    if (boxWidth == 0 || boxHeight == 0 || image.width == 0 || image.height == 0) return nullptr;
    if ((image.width >= image.height) != (boxWidth >= boxHeight)) std::swap(boxWidth, boxHeight);
    uint32_t width = boxWidth, height = (uint32_t)((uint64_t)image.height * boxWidth / image.width);
    if (height > boxHeight) {
        height = boxHeight;
        width = (uint32_t)((uint64_t)image.width * boxHeight / image.height);
    }
    width = width < 1 ? 1 : width > image.width ? image.width : width;
    height = height < 1 ? 1 : height > image.height ? image.height : height;
    const size_t stride = ((size_t)width * 3 + 3) & ~(size_t)3;
    std::vector<uint8_t> dib;
    try {
        dib.resize(stride * height);
    } catch (...) { return nullptr; }
    uint8_t palette[768];
    GetFullPaletteRGB(image, palette);
    GdiFlush();
    ScaleBits(dib.data(), (int)width, (int)height, image.bits, (int)image.width, (int)image.height, image.bpp, palette);
    ExifImageInfo info;
    info.width = width;
    info.height = height;
    info.components = 3;
    ExifImageBuffer* thumb = new (std::nothrow) ExifImageBuffer;
    if (!thumb) return nullptr;
    InitExifImageBuffer(thumb);
    if (AllocExifImageBuffer(info, thumb) != EXIF_OK) {
        delete thumb;
        return nullptr;
    }
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* in = dib.data() + stride * (height - 1 - y);
        uint8_t* out = thumb->channel[0].data + (size_t)y * thumb->channel[0].rowStep;
        for (uint32_t x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return thumb;
}

}  // namespace

bool SaveJpeg(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options) {
    return SaveJpeg(path, image, errorText, options.jpeg);
}

bool SaveJpeg(const wchar_t* path, CImage& image, wchar_t* errorText, int quality, bool optimize, double smoothing,
              bool progressive, FormatId sourceFormat, const wchar_t* sourcePath) {
    JpegSaveOptions options;
    options.quality = quality;
    options.optimize = optimize;
    options.smoothing = smoothing;
    options.progressive = progressive;
    options.sourceFormat = sourceFormat;
    options.sourcePath = sourcePath;
    return SaveJpeg(path, image, errorText, options);
}

bool SaveJpeg(const wchar_t* path, CImage& image, wchar_t* errorText, const JpegSaveOptions& options) {
    if (!path || !*path || !image.IsValid()) {
        SetFormatError(errorText, L"Unable to open/create outfile!");
        return false;
    }
    // The metadata of a JPEG source (also the target itself, through SaveImageFile).
    ExifImageFile source;
    bool haveSource = false;
    // The source is tested by the name the EXIF library opens (its short name
    // when it has no ANSI form), so such a file keeps its tags too.
    char narrowSource[MAX_PATH];
    if (options.sourceFormat == FMT_JPEG && options.sourcePath && *options.sourcePath &&
        WideToAnsiPath(narrowSource, options.sourcePath) && CheckExifJpegFile(narrowSource) == 0) {
        if (source.Open(narrowSource, "r") != EXIF_OK) {
            FormatWriterError(errorText, L"JPGEXIF: Error opening file %ls", options.sourcePath);
            return false;
        }
        haveSource = true;
    }

    // The output exists before the EXIF library opens it so that it has a
    // short name when its own has no ANSI form.
    HANDLE created = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    char narrowOut[MAX_PATH];
    ExifImageFile out;
    if (created == INVALID_HANDLE_VALUE) {
        SetFormatError(errorText, L"Unable to open/create outfile!");
        return false;
    }
    CloseHandle(created);
    if (!WideToAnsiPath(narrowOut, path) || out.Open(narrowOut, "w") != EXIF_OK) {
        DeleteFileW(path);
        SetFormatError(errorText, L"Unable to open/create outfile!");
        return false;
    }

    if (haveSource) {
        out.CopyMetadataFrom(source);
        // The source's thumbnail shows the source: the new file gets one of
        // the picture saved, of the same size.
        if (const ExifImageBuffer* old = source.ReadThumbnail()) {
            if (ExifImageBuffer* thumb = MakeThumbnail(image, old->width, old->height)) out.SetThumbnailImage(thumb);
        }
        // The reader turned the pixels upright: a kept orientation would turn
        // them a second time when the file is opened again.
        int status = EXIF_OK;
        if (source.FindTag(274, 0, status)) {
            ExifShortEntry upright(274, EXIF_TYPE_SHORT, 1, 1);
            out.SetTag(&upright, 0);
        }
        source.Close();
    }

    int quality = options.quality < 1 ? 1 : options.quality > 100 ? 100 : options.quality;
    double smoothing = options.smoothing < 0.0 ? 0.0 : options.smoothing > 1.0 ? 1.0 : options.smoothing;
    ExifImageInfo info;
    info.width = image.width;
    info.height = image.height;
    info.components = 3;
    info.bitsPerSample = 8;
    info.colorCode = EXIF_COLOR_BGR;
    out.SetImageInfo(info);
    out.SetDctMethod(0);
    out.SetQuality((uint16_t)quality);
    out.SetSmoothing((uint16_t)(smoothing * 100.0 + 0.5));
    out.SetOptimizeCoding(options.optimize ? 1 : 0);
    out.SetProgressive(options.progressive ? 1 : 0);

    bool ok = CompressRows(out, image);
    if (ok) {
        const std::string software = QRV_JPEG_SOFTWARE;
        ExifStringEntry tag(305, EXIF_TYPE_ASCII, (uint32_t)software.size() + 1, software);
        out.SetTag(&tag, 0);
    } else {
        SetFormatError(errorText, L"Error during compression!");
    }
    const int closed = out.Close();
    if (ok && closed != EXIF_OK) {
        ok = false;
        SetFormatError(errorText, L"Unable to write outfile!");
    }
    if (!ok) DeleteFileW(path);
    return ok;
}
