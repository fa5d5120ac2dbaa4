// Portable any-maps: LoadPnm reads the six variants (P1 plain and P4 raw
// bitmaps, P2 plain and P5 raw grey maps, P3 plain and P6 raw pixel maps);
// SavePnm writes a 1-bit image as P4 and every other image as P6.
//
// Samples are not rescaled to the maximum value: wider samples keep their high
// byte, narrower ones their value (a maximum of 15 gives 0..15). Errors inside
// the pixel data end the load quietly with the rows read so far.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "formats/FormatCodecs.h"
#include "formats/OutputFile.h"
#include "formats/StdioFile.h"
#include "image/ProgramSite.h"
#include "image/Image.h"
#include "image/Palette.h"

namespace {

constexpr wchar_t kTextOpen[] = L"Unable to open file!";
constexpr wchar_t kTextCreate[] = L"Failed to create Image!";
constexpr wchar_t kTextTooShort[] = L"PNM File is too short for its image size!";

// A short file may miss this much of its pixel data (the missing rows stay as
// created); beyond that the header's size is not believed.
constexpr uint64_t kMissingDataSlack = 64ull << 20;

#define QRV_PNM_COMMENT "# " QRV_SITE_ADDRESS "\n"

struct PnmHeader {
    uint16_t type = 0;  // 'P' << 8 | digit
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 1;
    uint32_t maxValue = 1;
    bool signedSamples = false;

    char Digit() const { return (char)(type & 0xFF); }
    bool Bitmap() const { return Digit() == '1' || Digit() == '4'; }
    bool Plain() const { return Digit() <= '3'; }
};

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// The next character with comments ("#" up to and including the line end)
// taken out; EOF at the end of the file.
int ReadPnmChar(FILE* f) {
    int c = std::getc(f);
    while (c == '#') {
        do c = std::getc(f);
        while (c != EOF && c != '\n' && c != '\r');
        if (c != EOF) c = std::getc(f);
    }
    return c;
}

// A decimal number after white space and comments, with an optional sign when
// allowSign. The white-space character that ends it is consumed; the end of
// the file may end it only when endAtEof. Values beyond 32 bits are refused.
bool ReadPnmNumber(FILE* f, bool allowSign, bool endAtEof, int64_t& value) {
    int c = ReadPnmChar(f);
    while (IsSpace(c)) c = ReadPnmChar(f);
    bool negative = false;
    if (allowSign && (c == '+' || c == '-')) {
        negative = c == '-';
        c = ReadPnmChar(f);
    }
    if (!IsDigit(c)) return false;
    int64_t v = 0;
    while (IsDigit(c)) {
        v = v * 10 + (c - '0');
        if (v > 0xFFFFFFFFll) return false;
        c = ReadPnmChar(f);
    }
    if (!(IsSpace(c) || (endAtEof && c == EOF))) return false;
    value = negative ? -v : v;
    return true;
}

// Next plain bit: the next 0 or 1, anything else skipped; -1 at the end.
int ReadPlainBit(FILE* f) {
    for (int c = ReadPnmChar(f); c != EOF; c = ReadPnmChar(f))
        if (c == '0' || c == '1') return c - '0';
    return -1;
}

bool ReadPnmHeader(FILE* f, PnmHeader& h) {
    const int p = std::getc(f), digit = std::getc(f);
    if (p != 'P' || digit < '1' || digit > '6') return false;
    h.type = (uint16_t)('P' << 8 | digit);
    h.components = (digit == '3' || digit == '6') ? 3 : 1;
    int64_t width, height, maxValue = 1;
    if (!ReadPnmNumber(f, true, false, width) || !ReadPnmNumber(f, true, false, height)) return false;
    if (!h.Bitmap() && !ReadPnmNumber(f, true, false, maxValue)) return false;
    if (maxValue < 0) {
        h.signedSamples = true;
        maxValue = -maxValue;
    }
    if (maxValue == 0) return false;
    // Sizes outside 1..2^31-1 cannot make an image.
    h.width = (width > 0 && width <= 0x7FFFFFFF) ? (uint32_t)width : 0;
    h.height = (height > 0 && height <= 0x7FFFFFFF) ? (uint32_t)height : 0;
    h.maxValue = (uint32_t)maxValue;
    return true;
}

int SignificantBits(uint32_t v) {
    int bits = 0;
    for (; v; v >>= 1) ++bits;
    return bits;
}

// Reads the samples of the file into the image, top row first; false when the
// data ends early or holds something else than samples.
class PixelReader {
public:
    PixelReader(FILE* f, const PnmHeader& h, CImage& image)
        : f_(f), h_(h), image_(image), bits_(SignificantBits(h.maxValue)), sampleBytes_((bits_ + 7) / 8) {}

    bool ReadAll() {
        const uint32_t w = h_.width;
        for (uint32_t y = 0; y < h_.height; ++y) {
            uint8_t* row = image_.ScanLine(h_.height - 1 - y);
            if (!row || !ReadRow(row, w)) return false;
        }
        return true;
    }

private:
    bool ReadRow(uint8_t* row, uint32_t w) {
        switch (h_.Digit()) {
        case '4': return ReadBytes(row, ((size_t)w + 7) / 8);
        case '1':
            std::memset(row, 0, ((size_t)w + 7) / 8);
            for (uint32_t x = 0; x < w; ++x) {
                const int bit = ReadPlainBit(f_);
                if (bit < 0) return false;
                // 1 (black) is index 0 of the black-and-white palette.
                if (!bit) row[x >> 3] |= (uint8_t)(0x80 >> (x & 7));
            }
            return true;
        case '5':
        case '6':
            if (bits_ == 8) {
                const size_t bytes = (size_t)w * h_.components;
                if (!ReadBytes(row, bytes)) return false;
                if (h_.components == 3)
                    for (size_t x = 0; x < bytes; x += 3) std::swap(row[x], row[x + 2]);
                return true;
            }
            [[fallthrough]];
        default:
            for (uint32_t x = 0; x < w; ++x) {
                uint8_t* pixel = row + (size_t)x * h_.components;
                // Red, green, blue land in the third, second and first byte.
                for (int c = h_.components - 1; c >= 0; --c) {
                    uint32_t sample;
                    if (!ReadSample(sample)) return false;
                    pixel[c] = (uint8_t)(bits_ > 8 ? sample >> (bits_ - 8) : sample);
                }
            }
            return true;
        }
    }

    bool ReadBytes(uint8_t* out, size_t count) { return std::fread(out, 1, count, f_) == count; }

    bool ReadSample(uint32_t& sample) {
        if (h_.Plain()) {
            int64_t v;
            if (!ReadPnmNumber(f_, h_.signedSamples, true, v)) return false;
            sample = v < 0 ? 0 : (uint32_t)v;
            return true;
        }
        // Most significant byte first; the low `bits` bits count.
        uint32_t v = 0;
        for (int i = 0; i < sampleBytes_; ++i) {
            const int c = std::getc(f_);
            if (c == EOF) return false;
            v = v << 8 | (uint32_t)c;
        }
        sample = bits_ >= 32 ? v : v & ((1u << bits_) - 1);
        return true;
    }

    FILE* f_;
    const PnmHeader& h_;
    CImage& image_;
    int bits_;
    int sampleBytes_;
};

// Fewest bytes of the file that the header's pixel data can take.
uint64_t LeastDataBytes(const PnmHeader& h) {
    const uint64_t pixels = (uint64_t)h.width * h.height;
    switch (h.Digit()) {
    case '1': return pixels;  // digits need no separator
    case '4': return ((uint64_t)h.width + 7) / 8 * h.height;
    case '2':
    case '3': return pixels * h.components * 2 - 1;
    default: return pixels * h.components * ((SignificantBits(h.maxValue) + 7) / 8);
    }
}

ReadStatus ReadPnm(CImage& image, const wchar_t* path, wchar_t* errorText) {
    StdioFile file = OpenStdioForRead(path);
    if (!file) {
        SetFormatError(errorText, kTextOpen);
        return false;
    }
    PnmHeader h;
    if (!ReadPnmHeader(file.get(), h)) { return NotThisFormat(errorText); }
    const int depth = h.Bitmap() ? 1 : h.components == 3 ? 24 : 8;
    const uint64_t stride = h.width ? CImage::RowBytes(h.width, depth) : 0;
    if (!stride || !h.height || stride * h.height > CImage::kMaxImageBytes) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }
    if (LeastDataBytes(h) > BytesLeft(file.get()) + kMissingDataSlack) {
        SetFormatError(errorText, kTextTooShort);
        return false;
    }

    uint8_t rgb[256 * 3] = {};
    if (h.Digit() == '1') {
        rgb[3] = rgb[4] = rgb[5] = 255;  // 0 black, 1 white
    } else if (h.Digit() == '4') {
        rgb[0] = rgb[1] = rgb[2] = 255;  // 0 white, 1 black
    } else {
        FillGreyPalette(rgb, 256);
    }
    if (!image.CreateEmpty((int)h.width, (int)h.height, depth, RGB(0, 0, 0), depth <= 8 ? rgb : nullptr) ||
        !image.ScanLine(0)) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }
    // Palette images start as index 0 everywhere.
    if (depth <= 8) std::memset(image.bits, 0, (size_t)image.stride * h.height);
    PixelReader(file.get(), h, image).ReadAll();
    return true;
}

// Header text of a written file: magic, comment, size and (for P6) maximum.
std::string PnmHeaderText(const char* magic, uint32_t width, uint32_t height, bool withMax) {
    char text[96];
    std::snprintf(text, sizeof text, "%s\n" QRV_PNM_COMMENT "%u %u\n%s", magic, width, height, withMax ? "255\n" : "");
    return text;
}

}  // namespace

ReadStatus LoadPnm(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    try {
        return ReadPnm(image, path, errorText);
    } catch (...) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }
}

bool SavePpm(const wchar_t* path, CImage& image, wchar_t* errorText) {
    constexpr wchar_t kTextOpenWrite[] = L"Couldn't open PPM file for writing!";
    if (!image.IsValid() || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextOpenWrite);
        return false;
    }
    OutputFile file;
    if (!file.Open(path)) {
        SetFormatError(errorText, kTextOpenWrite);
        return false;
    }
    const uint32_t w = image.GetWidth(), h = image.GetHeight();
    const std::string header = PnmHeaderText("P6", w, h, true);
    bool ok = file.Write(header.data(), header.size());
    std::vector<uint8_t> out((size_t)w * 3);
    for (uint32_t y = 0; ok && y < h; ++y) {
        const uint32_t row = h - 1 - y;
        uint8_t* converted = image.GetBpp() == 24 ? nullptr : image.GetLine(24, row);
        const uint8_t* line = converted ? converted : image.GetBpp() == 24 ? image.ScanLine(row) : nullptr;
        if (!line) {
            ok = false;
            break;
        }
        for (size_t x = 0; x < out.size(); x += 3) {
            out[x] = line[x + 2];
            out[x + 1] = line[x + 1];
            out[x + 2] = line[x];
        }
        std::free(converted);
        ok = file.Write(out.data(), out.size());
    }
    constexpr wchar_t kTextWrite[] = L"Couldn't write PPM file!";
    if (!ok) {
        SetFormatError(errorText, kTextWrite);
        return false;  // the unfinished file is removed
    }
    return file.Finish(errorText, kTextWrite);
}

bool SavePbm(const wchar_t* path, CImage& image, wchar_t* errorText) {
    if (!image.IsValid() || image.GetBpp() != 1 || !image.ScanLine(0)) return false;
    OutputFile file;
    if (!file.Open(path)) {
        SetFormatError(errorText, L"Couldn't open PBM file for writing!");
        return false;
    }
    const uint32_t w = image.GetWidth(), h = image.GetHeight();
    const std::string header = PnmHeaderText("P4", w, h, false);
    bool ok = file.Write(header.data(), header.size());
    // A set bit is black in the file: rows whose entry 1 is white are inverted.
    const bool invert = image.palette[1][0] == 255 && image.palette[1][1] == 255 && image.palette[1][2] == 255;
    const size_t bytes = ((size_t)w + 7) / 8;
    std::vector<uint8_t> out(bytes);
    for (uint32_t y = 0; ok && y < h; ++y) {
        const uint8_t* line = image.ScanLine(h - 1 - y);
        for (size_t i = 0; i < bytes; ++i) out[i] = invert ? (uint8_t)~line[i] : line[i];
        ok = file.Write(out.data(), bytes);
    }
    return file.Finish(errorText, L"Couldn't write PBM file!");
}

bool SavePnm(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions&) {
    if (image.IsValid() && image.GetBpp() == 1) return SavePbm(path, image, errorText);
    return SavePpm(path, image, errorText);
}
