// JPEG 2000 on OpenJPEG: LoadJp2 reads JP2 containers and raw code streams,
// SaveJp2 writes a JP2 container of three 8-bit components (reversible 5/3
// wavelet with the colour transform, one quality layer) whatever the target's
// extension.
//
// The reader shows three or more components of one size and precision as
// colour (a fourth as alpha, at 32 bits) unless the file says CMYK, and
// anything else as the grey picture of its first component. Components of
// other precisions than 1, 4 and 8 bits, subsampled ones and sYCC files are
// converted to 8-bit colour first: signed samples offset to unsigned,
// subsampled components replicated, sYCC turned into RGB, each sample scaled
// to 8 bits and a lone grey component made three.
//
// Both directions run OpenJPEG on streams of our own (wide paths); nothing
// thrown in here crosses the library's callbacks.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "formats/FormatCodecs.h"
#include "formats/OutputFile.h"
#include "image/Image.h"
#include "openjpeg-2.5/openjpeg.h"

namespace {

constexpr wchar_t kTextInit[] = L"Failed to initialize jasperlib.";
constexpr wchar_t kTextOpen[] = L"Failed to open file.";
constexpr wchar_t kTextDecode[] = L"Failed to decode image data.";
constexpr wchar_t kTextComponents[] = L"Too many components.";
constexpr wchar_t kTextMatrix[] = L"Failed to allocate matrix memory.";
constexpr wchar_t kTextColourImage[] = L"Failed to create Image!";
constexpr wchar_t kTextGreyImage[] = L"Can't allocate memory";
constexpr wchar_t kTextWriterInit[] = L"Failed to initialize jasperlib";
constexpr wchar_t kTextCreate[] = L"Cannot create file for writing!";
constexpr wchar_t kTextImageCreate[] = L"jas_image_create";
constexpr wchar_t kTextRows[] = L"can't allocate memory";
constexpr wchar_t kTextEncode[] = L"cannot encode image\n";

constexpr uint8_t kJp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr uint8_t kCodeStreamStart[4] = {0xFF, 0x4F, 0xFF, 0x51};
constexpr uint32_t kMaxComponents = 64;
// The decoder holds every sample as 32 bits: the components together may
// take this much besides the picture.
constexpr uint64_t kMaxSampleBytes = 2 * CImage::kMaxImageBytes;
constexpr size_t kStreamBufferBytes = 1 << 16;

// --- Streams ---------------------------------------------------------------

// How far into the file the SIZ marker is looked for.
constexpr size_t kSizSearchBytes = 65536;

uint32_t Be32(const uint8_t* p) { return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3]; }

// The number of tiles the code stream's SIZ marker (after SOC, FF 4F FF 51)
// declares, from the first bytes of the file; 0 when no whole marker is there.
uint64_t TileCountFromSiz(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 4 + 38 <= size; ++i) {
        if (data[i] != 0xFF || data[i + 1] != 0x4F || data[i + 2] != 0xFF || data[i + 3] != 0x51) continue;
        const uint8_t* siz = data + i + 4 + 4;  // past Lsiz and Rsiz
        const uint64_t xsiz = Be32(siz), ysiz = Be32(siz + 4);
        const uint64_t xt = Be32(siz + 16), yt = Be32(siz + 20), xto = Be32(siz + 24), yto = Be32(siz + 28);
        if (xt == 0 || yt == 0 || xto >= xsiz || yto >= ysiz) return 0;
        return ((xsiz - xto + xt - 1) / xt) * ((ysiz - yto + yt - 1) / yt);
    }
    return 0;
}

struct ReadSource {
    FILE* file = nullptr;
    uint64_t length = 0;
};

OPJ_SIZE_T ReadBytes(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* source = static_cast<ReadSource*>(user);
    const size_t got = std::fread(buffer, 1, count, source->file);
    return got ? (OPJ_SIZE_T)got : (OPJ_SIZE_T)-1;
}

OPJ_OFF_T SkipBytes(OPJ_OFF_T count, void* user) {
    auto* source = static_cast<ReadSource*>(user);
    return _fseeki64(source->file, count, SEEK_CUR) == 0 ? count : (OPJ_OFF_T)-1;
}

OPJ_BOOL SeekBytes(OPJ_OFF_T offset, void* user) {
    auto* source = static_cast<ReadSource*>(user);
    return _fseeki64(source->file, offset, SEEK_SET) == 0 ? OPJ_TRUE : OPJ_FALSE;
}

OPJ_SIZE_T WriteBytes(void* buffer, OPJ_SIZE_T count, void* user) {
    auto* out = static_cast<OutputFile*>(user);
    try {
        return out->Write(buffer, count) ? count : (OPJ_SIZE_T)-1;
    } catch (...) { return (OPJ_SIZE_T)-1; }
}

OPJ_OFF_T SkipWritten(OPJ_OFF_T count, void* user) {
    auto* out = static_cast<OutputFile*>(user);
    if (count < 0 && (uint64_t)-count > out->Position()) return (OPJ_OFF_T)-1;
    return out->Seek(out->Position() + count) ? count : (OPJ_OFF_T)-1;
}

OPJ_BOOL SeekWritten(OPJ_OFF_T offset, void* user) {
    auto* out = static_cast<OutputFile*>(user);
    return offset >= 0 && out->Seek((uint64_t)offset) ? OPJ_TRUE : OPJ_FALSE;
}

void Quiet(const char*, void*) {}

struct CodecCloser {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct StreamCloser {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct ImageCloser {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using CodecPtr = std::unique_ptr<opj_codec_t, CodecCloser>;
using StreamPtr = std::unique_ptr<opj_stream_t, StreamCloser>;
using ImagePtr = std::unique_ptr<opj_image_t, ImageCloser>;

void SilenceCodec(opj_codec_t* codec) {
    opj_set_info_handler(codec, Quiet, nullptr);
    opj_set_warning_handler(codec, Quiet, nullptr);
    opj_set_error_handler(codec, Quiet, nullptr);
}

// --- Samples ---------------------------------------------------------------

// A component's sample as an unsigned value of its precision.
inline uint32_t Unsigned(const opj_image_comp_t& c, int32_t v) {
    const int64_t half = c.sgnd ? (int64_t)1 << (c.prec - 1) : 0;
    const int64_t max = ((int64_t)1 << c.prec) - 1;
    return (uint32_t)std::clamp<int64_t>((int64_t)v + half, 0, max);
}

// An unsigned value of precision bits scaled to 8 bits, rounded.
inline uint8_t To8(uint64_t v, uint32_t precision) {
    const uint64_t max = ((uint64_t)1 << precision) - 1;
    if (v > max) v = max;
    return (uint8_t)((v * 255 + max / 2) / max);
}

bool SameShape(const opj_image_comp_t& a, const opj_image_comp_t& b) {
    return a.w == b.w && a.h == b.h && a.prec == b.prec && a.dx == b.dx && a.dy == b.dy;
}

// Three or more components of one shape that are not CMYK: colour.
bool IsColour(const opj_image_t& image) {
    if (image.numcomps < 3 || image.color_space == OPJ_CLRSPC_CMYK) return false;
    return SameShape(image.comps[0], image.comps[1]) && SameShape(image.comps[0], image.comps[2]);
}

bool HasAlpha(const opj_image_t& image) { return image.numcomps >= 4 && SameShape(image.comps[0], image.comps[3]); }

// sYCC as the file says, or three components whose chroma has fewer samples
// than the luma (what OpenJPEG's own tools take for sYCC).
bool IsSycc(const opj_image_t& image) {
    if (image.color_space == OPJ_CLRSPC_SYCC) return true;
    const opj_image_comp_t* c = image.comps;
    return image.numcomps == 3 && image.color_space != OPJ_CLRSPC_CMYK && c[0].dx == c[0].dy && c[1].dx != 1;
}

// Whether the components are converted to 8-bit colour before they are shown.
bool NeedsConversion(const opj_image_t& image) {
    const uint32_t p = image.comps[0].prec;
    if (p != 1 && p != 4 && p != 8) return true;
    if (IsSycc(image)) return true;
    // Colour components at a reduced resolution (the code stream's 4:2:x).
    if (image.numcomps >= 3 && image.color_space != OPJ_CLRSPC_CMYK && !IsColour(image)) {
        const opj_image_comp_t* c = image.comps;
        return c[1].prec == p && c[2].prec == p && (c[1].dx != c[0].dx || c[1].dy != c[0].dy);
    }
    return false;
}

// The component's value at picture pixel (x, y) of a width x height picture,
// replicating a subsampled component.
inline uint32_t SampleAt(const opj_image_comp_t& c, uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
    const uint32_t cx = c.w == width ? x : std::min<uint32_t>(c.w - 1, (uint32_t)((uint64_t)x * c.w / width));
    const uint32_t cy = c.h == height ? y : std::min<uint32_t>(c.h - 1, (uint32_t)((uint64_t)y * c.h / height));
    return Unsigned(c, c.data[(size_t)cy * c.w + cx]);
}

// The converted picture: 24 or 32 bits, blue, green, red (alpha) per pixel.
bool MakeConverted(const opj_image_t& jp, CImage& image, wchar_t* errorText) {
    const opj_image_comp_t* comps = jp.comps;
    const bool colour = jp.numcomps >= 3 && jp.color_space != OPJ_CLRSPC_CMYK && comps[1].prec == comps[0].prec &&
                        comps[2].prec == comps[0].prec;
    // The picture takes the size of the largest of the components it shows.
    uint32_t width = comps[0].w, height = comps[0].h;
    if (colour) {
        for (int i = 1; i < 3; ++i) {
            width = std::max(width, comps[i].w);
            height = std::max(height, comps[i].h);
        }
    }
    const bool alpha = colour && jp.numcomps >= 4 && comps[3].prec == comps[0].prec;
    const int bpp = alpha ? 32 : 24;
    if ((uint64_t)CImage::RowBytes(width, bpp) * height > CImage::kMaxImageBytes ||
        !image.CreateEmpty((int)width, (int)height, bpp, RGB(0, 0, 0), nullptr) || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextColourImage);
        return false;
    }
    const uint32_t p = comps[0].prec;
    const bool sycc = colour && IsSycc(jp);
    const double maxValue = (double)(((uint64_t)1 << p) - 1);
    const double half = (double)((uint64_t)1 << (p - 1));
    const int pixelBytes = bpp / 8;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* out = image.ScanLine(height - 1 - y);
        for (uint32_t x = 0; x < width; ++x, out += pixelBytes) {
            uint32_t r, g, b;
            r = SampleAt(comps[0], x, y, width, height);
            if (!colour) {
                g = b = r;
            } else {
                g = SampleAt(comps[1], x, y, width, height);
                b = SampleAt(comps[2], x, y, width, height);
                if (sycc) {
                    // JFIF's equations at the samples' own precision.
                    const double yy = r, cb = g - half, cr = b - half;
                    auto clampRound = [&](double v) { return (uint32_t)std::lround(std::clamp(v, 0.0, maxValue)); };
                    r = clampRound(yy + 1.402 * cr);
                    g = clampRound(yy - 0.344136 * cb - 0.714136 * cr);
                    b = clampRound(yy + 1.772 * cb);
                }
            }
            out[0] = To8(b, p);
            out[1] = To8(g, p);
            out[2] = To8(r, p);
            if (alpha) out[3] = To8(SampleAt(comps[3], x, y, width, height), p);
        }
    }
    return true;
}

// Colour components of 1, 4 or 8 bits (all of one shape): 24 or 32 bits.
bool MakeColour(const opj_image_t& jp, CImage& image, wchar_t* errorText) {
    const opj_image_comp_t* comps = jp.comps;
    const uint32_t width = comps[0].w, height = comps[0].h;
    const bool alpha = HasAlpha(jp);
    const int bpp = alpha ? 32 : 24;
    if ((uint64_t)CImage::RowBytes(width, bpp) * height > CImage::kMaxImageBytes ||
        !image.CreateEmpty((int)width, (int)height, bpp, RGB(0, 0, 0), nullptr) || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextColourImage);
        return false;
    }
    const int pixelBytes = bpp / 8;
    const uint32_t p = comps[0].prec;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* out = image.ScanLine(height - 1 - y);
        const size_t at = (size_t)y * width;
        for (uint32_t x = 0; x < width; ++x, out += pixelBytes) {
            out[0] = To8(Unsigned(comps[2], comps[2].data[at + x]), p);
            out[1] = To8(Unsigned(comps[1], comps[1].data[at + x]), p);
            out[2] = To8(Unsigned(comps[0], comps[0].data[at + x]), p);
            if (alpha) out[3] = To8(Unsigned(comps[3], comps[3].data[at + x]), p);
        }
    }
    return true;
}

// The first component (1, 4 or 8 bits) as a grey picture of its own depth.
bool MakeGrey(const opj_image_t& jp, CImage& image, wchar_t* errorText) {
    const opj_image_comp_t& c = jp.comps[0];
    const int depth = (int)c.prec;
    uint8_t palette[256 * 3] = {};
    const int entries = 1 << depth;
    const int step = 255 / (entries - 1);
    for (int j = 0; j < entries; ++j) palette[j * 3] = palette[j * 3 + 1] = palette[j * 3 + 2] = (uint8_t)(j * step);
    if ((uint64_t)CImage::RowBytes(c.w, depth) * c.h > CImage::kMaxImageBytes ||
        !image.CreateEmpty((int)c.w, (int)c.h, depth, RGB(0, 0, 0), palette) || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextGreyImage);
        return false;
    }
    for (uint32_t y = 0; y < c.h; ++y) {
        uint8_t* out = image.ScanLine(c.h - 1 - y);
        std::memset(out, 0, image.stride);
        const int32_t* in = c.data + (size_t)y * c.w;
        for (uint32_t x = 0; x < c.w; ++x) {
            const uint32_t v = Unsigned(c, in[x]);
            switch (depth) {
            case 8: out[x] = (uint8_t)v; break;
            case 4: out[x / 2] |= (uint8_t)((v & 0x0F) << (x & 1 ? 0 : 4)); break;
            default: out[x / 8] |= (uint8_t)((v & 1) << (7 - (x & 7)));
            }
        }
    }
    return true;
}

ReadStatus ReadJp2(CImage& image, const wchar_t* path, wchar_t* errorText) {
    std::unique_ptr<FILE, FileCloser> file(path ? _wfopen(path, L"rb") : nullptr);
    if (!file) {
        SetFormatError(errorText, kTextOpen);
        return false;
    }
    ReadSource source{file.get(), 0};
    if (_fseeki64(file.get(), 0, SEEK_END) == 0) {
        const int64_t end = _ftelli64(file.get());
        source.length = end > 0 ? (uint64_t)end : 0;
    }
    _fseeki64(file.get(), 0, SEEK_SET);
    uint8_t head[12] = {};
    const size_t got = std::fread(head, 1, sizeof head, file.get());
    _fseeki64(file.get(), 0, SEEK_SET);
    OPJ_CODEC_FORMAT format;
    if (got == sizeof head && std::memcmp(head, kJp2Signature, sizeof kJp2Signature) == 0) {
        format = OPJ_CODEC_JP2;
    } else if (got >= 4 && std::memcmp(head, kCodeStreamStart, sizeof kCodeStreamStart) == 0) {
        format = OPJ_CODEC_J2K;
    } else {
        SetFormatError(errorText, kTextDecode);
        return false;
    }

    // The decoder sets up every tile of the grid while it reads the header, so
    // a damaged grid of many tiles is refused from the SIZ marker first.
    {
        std::vector<uint8_t> start(kSizSearchBytes);
        start.resize(std::fread(start.data(), 1, start.size(), file.get()));
        _fseeki64(file.get(), 0, SEEK_SET);
        const uint64_t tiles = TileCountFromSiz(start.data(), start.size());
        if (tiles > source.length / 14 + 1) {
            SetFormatError(errorText, kTextDecode);
            return false;
        }
    }
    CodecPtr codec(opj_create_decompress(format));
    StreamPtr stream(opj_stream_create(kStreamBufferBytes, OPJ_TRUE));
    if (!codec || !stream) {
        SetFormatError(errorText, kTextInit);
        return false;
    }
    SilenceCodec(codec.get());
    opj_stream_set_user_data(stream.get(), &source, nullptr);
    opj_stream_set_user_data_length(stream.get(), source.length);
    opj_stream_set_read_function(stream.get(), ReadBytes);
    opj_stream_set_skip_function(stream.get(), SkipBytes);
    opj_stream_set_seek_function(stream.get(), SeekBytes);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    opj_image_t* header = nullptr;
    if (!opj_setup_decoder(codec.get(), &parameters) || !opj_read_header(stream.get(), codec.get(), &header)) {
        opj_image_destroy(header);
        SetFormatError(errorText, kTextDecode);
        return false;
    }
    ImagePtr jp(header);
    if (jp->numcomps > kMaxComponents) {
        SetFormatError(errorText, kTextComponents);
        return false;
    }
    if (jp->numcomps == 0 || !jp->comps) {
        SetFormatError(errorText, kTextDecode);
        return false;
    }
    // Refuse what cannot be held before the decoder allocates it.
    if (jp->x1 <= jp->x0 || jp->y1 <= jp->y0) {
        SetFormatError(errorText, kTextDecode);
        return false;
    }
    const uint64_t width = jp->x1 - jp->x0, height = jp->y1 - jp->y0;
    uint64_t sampleBytes = 0;
    for (uint32_t i = 0; i < jp->numcomps; ++i) {
        const opj_image_comp_t& c = jp->comps[i];
        if (c.dx == 0 || c.dy == 0) {
            SetFormatError(errorText, kTextDecode);
            return false;
        }
        sampleBytes += ((width + c.dx - 1) / c.dx) * ((height + c.dy - 1) / c.dy) * 4;
    }
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF ||
        (uint64_t)CImage::RowBytes(width, 32) * height > CImage::kMaxImageBytes || sampleBytes > kMaxSampleBytes) {
        SetFormatError(errorText, kTextColourImage);
        return false;
    }
    // Every tile has at least one tile-part (a 12-byte SOT and a 2-byte SOD
    // marker): a grid of more tiles than the file can hold is damage, and
    // would take long to decode from nothing.
    if (opj_codestream_info_v2_t* info = opj_get_cstr_info(codec.get())) {
        const uint64_t tiles = (uint64_t)info->tw * info->th;
        opj_destroy_cstr_info(&info);
        if (tiles > source.length / 14 + 1) {
            SetFormatError(errorText, kTextDecode);
            return false;
        }
    }
    if (!opj_decode(codec.get(), stream.get(), jp.get()) || !opj_end_decompress(codec.get(), stream.get())) {
        SetFormatError(errorText, kTextDecode);
        return false;
    }
    file.reset();
    for (uint32_t i = 0; i < jp->numcomps; ++i) {
        const opj_image_comp_t& c = jp->comps[i];
        if (!c.data || c.w == 0 || c.h == 0 || c.prec == 0 || c.prec > 31) {
            SetFormatError(errorText, kTextDecode);
            return false;
        }
    }
    if (NeedsConversion(*jp)) return MakeConverted(*jp, image, errorText);
    if (IsColour(*jp)) return MakeColour(*jp, image, errorText);
    return MakeGrey(*jp, image, errorText);
}

bool WriteJp2(const wchar_t* path, CImage& image, wchar_t* errorText, int quality, bool lossless) {
    const uint32_t width = image.GetWidth(), height = image.GetHeight();
    CodecPtr codec(opj_create_compress(OPJ_CODEC_JP2));
    StreamPtr stream(opj_stream_create(kStreamBufferBytes, OPJ_FALSE));
    if (!codec || !stream) {
        SetFormatError(errorText, kTextWriterInit);
        return false;
    }
    SilenceCodec(codec.get());
    OutputFile out;
    if (!out.Open(path)) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }

    opj_image_cmptparm_t parts[3];
    std::memset(parts, 0, sizeof parts);
    for (opj_image_cmptparm_t& part : parts) {
        part.dx = part.dy = 1;
        part.w = width;
        part.h = height;
        part.prec = 8;
        part.sgnd = 0;
    }
    ImagePtr jp(opj_image_create(3, parts, OPJ_CLRSPC_SRGB));
    if (!jp) {
        SetFormatError(errorText, kTextImageCreate);
        return false;
    }
    jp->x0 = jp->y0 = 0;
    jp->x1 = width;
    jp->y1 = height;
    for (uint32_t y = 0; y < height; ++y) {
        std::unique_ptr<uint8_t, decltype(&std::free)> row(image.GetLine(24, height - 1 - y), &std::free);
        if (!row) {
            SetFormatError(errorText, kTextRows);
            return false;
        }
        const size_t at = (size_t)y * width;
        for (uint32_t x = 0; x < width; ++x) {
            jp->comps[0].data[at + x] = row.get()[x * 3 + 2];
            jp->comps[1].data[at + x] = row.get()[x * 3 + 1];
            jp->comps[2].data[at + x] = row.get()[x * 3];
        }
    }

    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.irreversible = 0;
    parameters.tcp_mct = 1;
    parameters.tcp_numlayers = 1;
    parameters.tcp_rates[0] = (float)Jp2CompressionRatio(quality, lossless);
    parameters.cp_disto_alloc = 1;
    parameters.numresolution = Jp2ResolutionCount(width, height);

    opj_stream_set_user_data(stream.get(), &out, nullptr);
    opj_stream_set_write_function(stream.get(), WriteBytes);
    opj_stream_set_skip_function(stream.get(), SkipWritten);
    opj_stream_set_seek_function(stream.get(), SeekWritten);
    const bool encoded = opj_setup_encoder(codec.get(), &parameters, jp.get()) &&
                         opj_start_compress(codec.get(), jp.get(), stream.get()) &&
                         opj_encode(codec.get(), stream.get()) && opj_end_compress(codec.get(), stream.get());
    // The stream's last buffered bytes reach the file when it is destroyed.
    stream.reset();
    if (!encoded || !out.Ok()) {
        out.Finish();
        SetFormatError(errorText, kTextEncode);
        return false;
    }
    return out.Finish(errorText, kTextEncode);
}

}  // namespace

double Jp2CompressionRatio(int quality, bool lossless) {
    if (lossless) return 0.0;
    return 1000.0 / std::clamp(quality, 10, 100);
}

int Jp2ResolutionCount(uint32_t width, uint32_t height) {
    uint32_t side = std::min(width, height);
    int levels = 1;
    while (side > 1 && levels < 6) {
        side >>= 1;
        ++levels;
    }
    return levels;
}

ReadStatus LoadJp2(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    try {
        return ReadJp2(image, path, errorText);
    } catch (...) {
        SetFormatError(errorText, L"Unknown exception catched!");
        return false;
    }
}

bool SaveJp2(const wchar_t* path, CImage& image, wchar_t* errorText, int quality, bool lossless) {
    if (!image.IsValid()) {
        SetFormatError(errorText, kTextImageCreate);
        return false;
    }
    try {
        return WriteJp2(path, image, errorText, quality, lossless);
    } catch (...) {
        SetFormatError(errorText, L"Unknown exception catched!");
        return false;
    }
}

bool SaveJp2(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options) {
    return SaveJp2(path, image, errorText, options.jp2.quality, options.jp2.lossless);
}
