// JPP files: LoadJpp reads the whole file and decodes it with JppDecoder
// (formats/Jpp.h) into a 24-bit picture. The format has no signature; it is
// chosen by its extension.
#include "formats/Jpp.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr wchar_t kTextData[] = L"Failed to allocate Mem to hold Imagedata!";
constexpr wchar_t kTextImage[] = L"Failed to allocate Mem to hold CImage!";

// The example tables of the JPEG standard, Annex K: quantization (K.1, K.2,
// row-major) and Huffman code counts per length 1..16 with their symbols
// (K.3 to K.6).
constexpr uint8_t kLuminanceQuant[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                         14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                         18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                         49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr uint8_t kChrominanceQuant[64] = {17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99,
                                           24, 26, 56, 99, 99, 99, 99, 99, 47, 66, 99, 99, 99, 99, 99, 99,
                                           99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
                                           99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

constexpr uint8_t kDcLuminanceBits[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
constexpr uint8_t kDcChrominanceBits[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
constexpr uint8_t kDcValues[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uint8_t kAcLuminanceBits[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
constexpr uint8_t kAcLuminanceValues[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
    0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
    0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
    0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
    0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
    0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
constexpr uint8_t kAcChrominanceBits[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
constexpr uint8_t kAcChrominanceValues[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
    0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
    0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36,
    0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
    0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
    0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
    0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

// Zigzag index to row-major position; 16 more entries keep a run that goes past
// the last coefficient inside the block.
constexpr uint8_t kNaturalOrder[64 + 16] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13,
    6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31,
    39, 46, 53, 60, 61, 54, 47, 55, 62, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63, 63};

// 16384 x s(row) x s(column), s(0) = 1, s(k) = sqrt(2) cos(k pi / 16), rounded.
constexpr int32_t kAanScales[64] = {
    16384, 22725, 21407, 19266, 16384, 12873, 8867,  4520, 22725, 31521, 29692, 26722, 22725, 17855, 12299, 6270,
    21407, 29692, 27969, 25172, 21407, 16819, 11585, 5906, 19266, 26722, 25172, 22654, 19266, 15137, 10426, 5315,
    16384, 22725, 21407, 19266, 16384, 12873, 8867,  4520, 12873, 17855, 16819, 15137, 12873, 10114, 6967,  3552,
    8867,  12299, 11585, 10426, 8867,  6967,  4799,  2446, 4520,  6270,  5906,  5315,  4520,  3552,  2446,  1247};

// Constants of the fast inverse DCT in 8-bit fixed point.
constexpr int32_t kFix1_414213562 = 362;
constexpr int32_t kFix1_847759065 = 473;
constexpr int32_t kFix1_082392200 = 277;
constexpr int32_t kFix2_613125930 = 669;

// The inverse DCT works in 64 bits: the coefficients of a damaged file may
// take sums past 32 bits, which sound data never comes near.
using DctValue = int64_t;

// A product in 8-bit fixed point, taken back to an integer (rounding down).
inline DctValue Multiply(DctValue value, DctValue constant) { return (value * constant) >> 8; }

uint8_t Clamp(int32_t v) { return (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v); }

}  // namespace

bool JppDecoder::ReadHeader(const uint8_t* data, size_t size) {
    if (!data || size < kHeaderBytes) return false;
    width_ = data[0] | data[1] << 8;
    height_ = data[2] | data[3] << 8;
    quality_ = data[4] | data[5] << 8;
    next_ = data + kHeaderBytes;
    remaining_ = size - kHeaderBytes;
    if (!width_ || !height_) return false;
    Init();
    return true;
}

void JppDecoder::Init() {
    SetQuality(quality_);
    BuildHuffmanTables();
    BuildRangeLimitTable();
    BuildColorTables();
    bitBuffer_ = 0;
    bitCount_ = 0;
    std::fill(std::begin(predictor_), std::end(predictor_), 0);
}

void JppDecoder::ScaleQuantTable(const uint8_t* base, uint32_t scale, uint8_t* out) {
    for (int i = 0; i < 64; ++i) {
        const uint32_t v = (base[i] * scale + 50) / 100;
        out[i] = (uint8_t)std::clamp<uint32_t>(v, 1, 255);
    }
}

void JppDecoder::SetQuality(uint32_t quality) {
    quality = std::clamp<uint32_t>(quality, 1, 100);
    const uint32_t scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    ScaleQuantTable(kLuminanceQuant, scale, quant_[0]);
    ScaleQuantTable(kChrominanceQuant, scale, quant_[1]);
    for (int t = 0; t < 2; ++t)
        for (int i = 0; i < 64; ++i) multipliers_[t][i] = (quant_[t][i] * kAanScales[i] + 2048) >> 12;
}

// The value range of the inverse DCT's output, indexed by (value >> 5) & 0x3FF
// as a signed 10-bit number: 0 gives 128, the rest clamped to 0..255.
void JppDecoder::BuildRangeLimitTable() {
    for (int i = 0; i < 1024; ++i) rangeLimit_[i] = Clamp((i < 512 ? i : i - 1024) + 128);
}

void JppDecoder::BuildColorTables() {
    constexpr int32_t kHalf = 1 << 15;
    auto fix = [](double v) { return (int32_t)(v * 65536.0 + 0.5); };
    for (int i = 0; i < 256; ++i) {
        const int32_t x = i - 128;
        redFromCr_[i] = (fix(1.40200) * x + kHalf) >> 16;
        blueFromCb_[i] = (fix(1.77200) * x + kHalf) >> 16;
        greenFromCr_[i] = -fix(0.71414) * x;
        greenFromCb_[i] = -fix(0.34414) * x + kHalf;
    }
}

void JppDecoder::BuildHuffmanTables() {
    BuildHuffmanTable(kDcLuminanceBits, kDcValues, 12, dc_[0]);
    BuildHuffmanTable(kDcChrominanceBits, kDcValues, 12, dc_[1]);
    BuildHuffmanTable(kAcLuminanceBits, kAcLuminanceValues, 162, ac_[0]);
    BuildHuffmanTable(kAcChrominanceBits, kAcChrominanceValues, 162, ac_[1]);
}

// The derived form of the standard (T.81 F.2.2.3): the largest code of each
// length, the offset from a code to its symbol, and the look-up of the codes
// of up to 8 bits by the next 8 bits.
void JppDecoder::BuildHuffmanTable(const uint8_t* bits, const uint8_t* values, int valueCount, HuffmanTable& table) {
    table.values = values;
    table.valueCount = valueCount;
    std::memset(table.lookLength, 0, sizeof table.lookLength);
    std::memset(table.lookSymbol, 0, sizeof table.lookSymbol);
    int32_t code = 0;
    int index = 0;
    table.maxCode[0] = -1;
    for (int length = 1; length <= 16; ++length) {
        const int count = bits[length - 1];
        if (count) {
            table.valueOffset[length] = index - code;
            for (int i = 0; i < count; ++i, ++index, ++code) {
                if (length <= 8) {
                    const int shift = 8 - length;
                    for (int fill = 0; fill < 1 << shift; ++fill) {
                        table.lookLength[(code << shift) | fill] = (uint8_t)length;
                        table.lookSymbol[(code << shift) | fill] = values[index];
                    }
                }
            }
            table.maxCode[length] = code - 1;
        } else {
            table.maxCode[length] = -1;
        }
        code <<= 1;
    }
    table.maxCode[17] = 0xFFFFF;  // ends the search at any code
}

// Tops the bit buffer up to at least 25 bits; past the end of the data the
// bits are zero.
void JppDecoder::FillBits() {
    while (bitCount_ < 25) {
        uint32_t byte = 0;
        if (remaining_) {
            byte = *next_++;
            --remaining_;
        } else {
            ++zeroFed_;
        }
        bitBuffer_ |= byte << (24 - bitCount_);
        bitCount_ += 8;
    }
}

uint32_t JppDecoder::GetBits(int count) {
    if (count <= 0) return 0;
    if (bitCount_ < count) FillBits();
    const uint32_t value = bitBuffer_ >> (32 - count);
    bitBuffer_ <<= count;
    bitCount_ -= count;
    return value;
}

int JppDecoder::DecodeHuffman(const HuffmanTable& table) {
    FillBits();
    const uint32_t look = bitBuffer_ >> 24;
    const int length = table.lookLength[look];
    if (length) {
        GetBits(length);
        return table.lookSymbol[look];
    }
    return DecodeHuffmanSlow(table, 9);
}

// Bit by bit from a code of `length` bits; a code longer than 16 bits gives 0.
int JppDecoder::DecodeHuffmanSlow(const HuffmanTable& table, int length) {
    int32_t code = (int32_t)GetBits(length);
    while (length <= 16 && code > table.maxCode[length]) {
        code = (code << 1) | (int32_t)GetBits(1);
        ++length;
    }
    if (length > 16) return 0;
    const int index = code + table.valueOffset[length];
    return index >= 0 && index < table.valueCount ? table.values[index] : 0;
}

namespace {
// The signed value of s bits (T.81 F.2.2.1).
int32_t Extend(uint32_t bits, int s) { return bits < (1u << (s - 1)) ? (int32_t)bits - (1 << s) + 1 : (int32_t)bits; }
}  // namespace

void JppDecoder::DecodeBlock(int block) {
    const int component = block < 4 ? 0 : block - 3;
    const int table = component ? 1 : 0;
    std::memset(coefficients_, 0, sizeof coefficients_);
    const int size = DecodeHuffman(dc_[table]);
    const int32_t difference = size ? Extend(GetBits(size), size) : 0;
    // The predictor wraps (a damaged file may push it anywhere).
    predictor_[component] = (int32_t)((uint32_t)predictor_[component] + (uint32_t)difference);
    coefficients_[0] = (int16_t)predictor_[component];
    for (int k = 1; k < 64; ++k) {
        const int rs = DecodeHuffman(ac_[table]);
        const int r = rs >> 4, s = rs & 15;
        if (s) {
            k += r;
            coefficients_[kNaturalOrder[k]] = (int16_t)Extend(GetBits(s), s);
        } else if (r != 15) {
            break;
        } else {
            k += 15;
        }
    }
}

// The fast integer inverse DCT: columns (dequantized on the way), then rows,
// whose results are scaled down by 32 and range-limited.
void JppDecoder::InverseDct(const int32_t* multipliers, uint8_t* out) {
    DctValue work[64];
    for (int c = 0; c < 8; ++c) {
        const int16_t* in = coefficients_ + c;
        const int32_t* q = multipliers + c;
        DctValue* w = work + c;
        if (!in[8] && !in[16] && !in[24] && !in[32] && !in[40] && !in[48] && !in[56]) {
            const DctValue dc = (DctValue)in[0] * q[0];
            for (int r = 0; r < 8; ++r) w[r * 8] = dc;
            continue;
        }
        DctValue tmp0 = (DctValue)in[0] * q[0], tmp1 = (DctValue)in[16] * q[16], tmp2 = (DctValue)in[32] * q[32],
                 tmp3 = (DctValue)in[48] * q[48];
        DctValue tmp10 = tmp0 + tmp2, tmp11 = tmp0 - tmp2;
        DctValue tmp13 = tmp1 + tmp3, tmp12 = Multiply(tmp1 - tmp3, kFix1_414213562) - tmp13;
        tmp0 = tmp10 + tmp13;
        tmp3 = tmp10 - tmp13;
        tmp1 = tmp11 + tmp12;
        tmp2 = tmp11 - tmp12;

        DctValue tmp4 = (DctValue)in[8] * q[8], tmp5 = (DctValue)in[24] * q[24], tmp6 = (DctValue)in[40] * q[40],
                 tmp7 = (DctValue)in[56] * q[56];
        const DctValue z13 = tmp6 + tmp5, z10 = tmp6 - tmp5, z11 = tmp4 + tmp7, z12 = tmp4 - tmp7;
        tmp7 = z11 + z13;
        tmp11 = Multiply(z11 - z13, kFix1_414213562);
        const DctValue z5 = Multiply(z10 + z12, kFix1_847759065);
        tmp10 = Multiply(z12, kFix1_082392200) - z5;
        tmp12 = Multiply(z10, -kFix2_613125930) + z5;
        tmp6 = tmp12 - tmp7;
        tmp5 = tmp11 - tmp6;
        tmp4 = tmp10 + tmp5;

        w[0] = tmp0 + tmp7;
        w[56] = tmp0 - tmp7;
        w[8] = tmp1 + tmp6;
        w[48] = tmp1 - tmp6;
        w[16] = tmp2 + tmp5;
        w[40] = tmp2 - tmp5;
        w[32] = tmp3 + tmp4;
        w[24] = tmp3 - tmp4;
    }
    auto limit = [this](DctValue v) { return rangeLimit_[(size_t)(v >> 5) & 0x3FF]; };
    for (int r = 0; r < 8; ++r) {
        const DctValue* w = work + r * 8;
        uint8_t* o = out + r * 8;
        if (!w[1] && !w[2] && !w[3] && !w[4] && !w[5] && !w[6] && !w[7]) {
            std::memset(o, limit(w[0]), 8);
            continue;
        }
        DctValue tmp10 = w[0] + w[4], tmp11 = w[0] - w[4];
        DctValue tmp13 = w[2] + w[6], tmp12 = Multiply(w[2] - w[6], kFix1_414213562) - tmp13;
        const DctValue tmp0 = tmp10 + tmp13, tmp3 = tmp10 - tmp13, tmp1 = tmp11 + tmp12, tmp2 = tmp11 - tmp12;

        const DctValue z13 = w[5] + w[3], z10 = w[5] - w[3], z11 = w[1] + w[7], z12 = w[1] - w[7];
        const DctValue tmp7 = z11 + z13;
        tmp11 = Multiply(z11 - z13, kFix1_414213562);
        const DctValue z5 = Multiply(z10 + z12, kFix1_847759065);
        tmp10 = Multiply(z12, kFix1_082392200) - z5;
        tmp12 = Multiply(z10, -kFix2_613125930) + z5;
        const DctValue tmp6 = tmp12 - tmp7, tmp5 = tmp11 - tmp6, tmp4 = tmp10 + tmp5;

        o[0] = limit(tmp0 + tmp7);
        o[7] = limit(tmp0 - tmp7);
        o[1] = limit(tmp1 + tmp6);
        o[6] = limit(tmp1 - tmp6);
        o[2] = limit(tmp2 + tmp5);
        o[5] = limit(tmp2 - tmp5);
        o[4] = limit(tmp3 + tmp4);
        o[3] = limit(tmp3 - tmp4);
    }
}

void JppDecoder::DecodeMacroblock() {
    for (int block = 0; block < 6; ++block) {
        DecodeBlock(block);
        InverseDct(multipliers_[block < 4 ? 0 : 1], blocks_[block]);
    }
    ConvertMacroblock();
}

void JppDecoder::ConvertMacroblock() {
    for (int r = 0; r < 16; ++r) {
        const uint8_t* luma = blocks_[(r / 8) * 2] + (r % 8) * 8;
        const uint8_t* cb = blocks_[4] + (r / 2) * 8;
        const uint8_t* cr = blocks_[5] + (r / 2) * 8;
        uint8_t* out = macroblock_ + r * 48;
        for (int c = 0; c < 16; ++c, out += 3) {
            const int32_t y = c < 8 ? luma[c] : luma[64 + c - 8];
            const int u = cb[c / 2], v = cr[c / 2];
            out[0] = Clamp(y + blueFromCb_[u]);
            out[1] = Clamp(y + ((greenFromCb_[u] + greenFromCr_[v]) >> 16));
            out[2] = Clamp(y + redFromCr_[v]);
        }
    }
}

bool JppDecoder::DecodeImage(const uint8_t* coded, uint8_t* rows) {
    next_ = coded;
    bitBuffer_ = 0;
    bitCount_ = 0;
    zeroFed_ = 0;
    const size_t stride = ((size_t)width_ * 3 + 3) & ~(size_t)3;
    const uint32_t across = (width_ + 15) / 16, down = (height_ + 15) / 16;
    for (uint32_t j = 0; j < down; ++j) {
        const uint32_t rowsHere = std::min<uint32_t>(16, height_ - 16 * j);
        for (uint32_t i = 0; i < across; ++i) {
            // A file far shorter than its size says decodes no further.
            if (zeroFed_ >= kZeroFeedLimit) return false;
            DecodeMacroblock();
            const size_t bytes = (size_t)std::min<uint32_t>(16, width_ - 16 * i) * 3;
            for (uint32_t r = 0; r < rowsHere; ++r)
                std::memcpy(rows + (size_t)(16 * j + r) * stride + (size_t)48 * i, macroblock_ + r * 48, bytes);
        }
    }
    return true;
}

ReadStatus LoadJpp(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    try {
        if (!path || !CanOpenForRead(path, errorText)) return false;
        CBinFile file;
        if (!file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
            SetFormatError(errorText, L"Failed to open file for read!");
            return false;
        }
        const uint64_t length = file.GetLength();
        // No picture the program can hold needs more coded data than this.
        if (length > CImage::kMaxImageBytes) {
            SetFormatError(errorText, kTextData);
            return false;
        }
        std::vector<uint8_t> data((size_t)length);
        if (length && file.Read(data.data(), (uint32_t)length) != length) {
            SetFormatError(errorText, kTextData);
            return false;
        }
        file.Close();

        JppDecoder decoder;
        const bool header = decoder.ReadHeader(data.data(), data.size());
        const uint64_t stride = header ? CImage::RowBytes(decoder.Width(), 24) : 0;
        if (!header || !stride || stride * decoder.Height() > CImage::kMaxImageBytes ||
            !image.CreateEmpty((int)decoder.Width(), (int)decoder.Height(), 24, 0, nullptr) || !image.ScanLine(0)) {
            SetFormatError(errorText, kTextImage);
            return false;
        }
        GdiFlush();
        call.result.cutShort = !decoder.DecodeImage(data.data() + JppDecoder::kHeaderBytes, image.bits);
        return true;
    } catch (...) {
        SetFormatError(errorText, kTextData);
        return false;
    }
}
