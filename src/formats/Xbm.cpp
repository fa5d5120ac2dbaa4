// X bitmaps: a source-code array declaration. The header's "_width" and
// "_height" definitions and the array's element type ("char" or "short") are
// read up to the "{" that starts the data; each number then holds 8 or 16
// pixels, least significant bit first, a set bit being black.
#include <cstring>
#include <cwchar>

#include "formats/FileBytes.h"
#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr wchar_t kTextMemory[] = L"Insufficient Memory for storing imagedata!";
constexpr wchar_t kTextTooShort[] = L"XBM File is too short for its image size!";

// Sizes beyond this are no picture anybody wrote by hand or tool.
constexpr uint64_t kMaxSide = 0x7FFFFFFF;

// The character stream of the file with comments removed.
class XbmText {
public:
    explicit XbmText(CFileBytes& in) : in_(in) {}

    // The next character outside comments, -1 at the end of the file. A
    // comment reads as one space.
    int XbmNextChar() {
        int c = Raw();
        if (c != '/') return c;
        const int next = Raw();
        if (next != '*') {
            Unget(next);
            return c;
        }
        int previous = 0;
        for (c = Raw(); c != -1 && !(previous == '*' && c == '/'); c = Raw()) previous = c;
        return c == -1 ? -1 : ' ';
    }
    void Unget(int c) {
        if (c != -1 && pendingCount_ < kLookahead) pending_[pendingCount_++] = c;
    }
    // True (and the word consumed) when the text continues with word followed
    // by white space; otherwise nothing is consumed.
    bool XbmMatchWord(const char* word) {
        int taken[16];
        size_t n = 0;
        const size_t length = std::strlen(word);
        bool matched = true;
        for (size_t i = 0; i <= length; ++i) {
            const int c = XbmNextChar();
            taken[n++] = c;
            if (i < length ? c != word[i] : !IsSpace(c)) {
                matched = false;
                break;
            }
        }
        if (matched) return true;
        while (n) Unget(taken[--n]);
        return false;
    }
    // Skips to the next digit, then reads a decimal, octal ("0...") or
    // hexadecimal ("0x...") number. False at the end of the file, or at stop
    // (when given) before any digit.
    bool XbmReadNumber(uint64_t& value, int stop = -1) {
        int c = XbmNextChar();
        while (c != -1 && c != stop && !(c >= '0' && c <= '9')) c = XbmNextChar();
        if (c == -1 || c == stop) {
            Unget(c);
            return false;
        }
        unsigned base = 10;
        if (c == '0') {
            c = XbmNextChar();
            if (c == 'x' || c == 'X') {
                base = 16;
                c = XbmNextChar();
            } else {
                base = 8;
            }
        }
        value = 0;
        for (;; c = XbmNextChar()) {
            const unsigned digit = Digit(c);
            if (digit >= base) break;
            value = value * base + digit;
            if (value > kMaxSide) value = kMaxSide + 1;  // keeps growing numbers from wrapping
        }
        Unget(c);
        return true;
    }
    static bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
    uint64_t Position() const { return in_.Position() - pendingCount_; }

private:
    static unsigned Digit(int c) {
        static const char kDigits[] = "0123456789abcdefABCDEF";
        const char* p = c > 0 ? std::strchr(kDigits, c) : nullptr;
        if (!p) return 99;
        const unsigned index = (unsigned)(p - kDigits);
        return index < 16 ? index : index - 6;
    }
    int Raw() { return pendingCount_ ? pending_[--pendingCount_] : in_.Get(); }

    CFileBytes& in_;
    static constexpr size_t kLookahead = 24;  // far more than the longest word matched
    int pending_[kLookahead] = {};
    size_t pendingCount_ = 0;
};

}  // namespace

ReadStatus LoadXbm(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    CBinFile file;
    if (!OpenCheckedForRead(file, path, errorText)) return false;
    CFileBytes in(file);
    XbmText text(in);
    uint64_t width = 0, height = 0, ignored = 0;
    int bitsPerNumber = 0;
    int previous = ' ';
    for (;;) {
        int c = text.XbmNextChar();
        if (c == -1) {
            if (errorText)
                swprintf(errorText, FORMAT_ERROR_CHARS, L"XBM: cannot read header (ftell == %ld)\n",
                         (long)text.Position());
            return false;
        }
        if (c == '{') break;
        if (XbmText::IsSpace(previous) && XbmText::IsSpace(c) == false) {
            text.Unget(c);
            if (text.XbmMatchWord("char")) {
                bitsPerNumber = 8;
                c = ' ';
            } else if (text.XbmMatchWord("short")) {
                bitsPerNumber = 16;
                c = ' ';
            } else {
                c = text.XbmNextChar();
            }
        }
        if (c == '_') {
            if (text.XbmMatchWord("width")) {
                if (!text.XbmReadNumber(width, '{')) width = 0;
                c = ' ';
            } else if (text.XbmMatchWord("height")) {
                if (!text.XbmReadNumber(height, '{')) height = 0;
                c = ' ';
            } else if (text.XbmMatchWord("x_hot") || text.XbmMatchWord("y_hot")) {
                text.XbmReadNumber(ignored, '{');
                c = ' ';
            }
        }
        previous = c;
    }
    const wchar_t* missing = !width || width > kMaxSide     ? L"XBM: no image width specified\n"
                             : !height || height > kMaxSide ? L"XBM: no image height specified\n"
                             : !bitsPerNumber               ? L"XBM: no image data type specified\n"
                                                            : nullptr;
    if (missing) {
        if (errorText) swprintf(errorText, FORMAT_ERROR_CHARS, L"%ls", missing);
        return false;
    }
    // Every number takes at least two characters ("0,").
    const uint64_t perRow = (width + bitsPerNumber - 1) / bitsPerNumber;
    if (!PlausibleDataSize(perRow * height * 2, in.Remaining(), 1)) {
        SetFormatError(errorText, kTextTooShort);
        return false;
    }
    if (!image.CreateEmpty((int)width, (int)height, 1, RGB(255, 255, 255), kPaletteWhiteBlack) || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    std::memset(image.bits, 0, (size_t)image.stride * height);

    // Bit i of a number is pixel i of its group; the image's rows hold the
    // first pixel in the most significant bit.
    uint8_t reversed[256];
    for (int v = 0; v < 256; ++v) {
        uint8_t r = 0;
        for (int b = 0; b < 8; ++b)
            if (v & (1 << b)) r |= (uint8_t)(0x80 >> b);
        reversed[v] = r;
    }
    const uint64_t rowBytes = (width + 7) / 8;
    for (uint64_t y = 0; y < height; ++y) {
        uint8_t* row = image.bits + (size_t)(height - 1 - y) * image.stride;
        for (uint64_t n = 0; n < perRow; ++n) {
            uint64_t value;
            if (!text.XbmReadNumber(value, '}')) return true;
            const uint64_t at = n * (bitsPerNumber / 8);
            row[at] = reversed[value & 0xFF];
            if (bitsPerNumber == 16 && at + 1 < rowBytes) row[at + 1] = reversed[(value >> 8) & 0xFF];
        }
    }
    return true;
}
