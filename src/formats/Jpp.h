// JppDecoder: the baseline decoder behind JPP files (Jpp.cpp). A JPP file is a
// 6-byte header (width, height, quality; little-endian 16-bit) and then
// Huffman-coded 16 x 16 macroblocks of four luminance and two chrominance
// blocks (4:2:0), with the fixed tables of the JPEG standard's Annex K, the
// quantization tables scaled by the quality. There are no markers and no byte
// stuffing; macroblock row 0 is the bottom of the picture.
//
// The arithmetic is the fast integer inverse DCT (Arai, Agui, Nakajima) with
// its range limiter and the 16-bit fixed-point colour conversion, chroma
// samples replicated over 2 x 2 pixels. Coded data that ends early is read on
// as zero bits for a while (the last macroblocks' codes may end in them);
// nothing is read past the buffer.
#pragma once
#include <cstddef>
#include <cstdint>

class JppDecoder {
public:
    static constexpr size_t kHeaderBytes = 6;

    // Takes width, height and quality from the first 6 of size bytes, notes the
    // coded bytes behind them and builds every table (Init). False when size is
    // below 6 or the width or height is 0.
    bool ReadHeader(const uint8_t* data, size_t size);
    // Decodes every macroblock of coded (the bytes after the header) into 24-bit
    // rows of bottom-up row storage (rows of (width x 3 + 3) & ~3 bytes). Once
    // kZeroFeedLimit zero bytes have been fed past the end of the data the
    // decoding stops, the rest of the rows left as they are: false then.
    bool DecodeImage(const uint8_t* coded, uint8_t* rows);
    static constexpr size_t kZeroFeedLimit = 4096;

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t Quality() const { return quality_; }

    // The quantization tables for a quality (0 counts as 1, above 100 as 100)
    // and their dequantization multipliers, row-major; 0 luminance, 1 chrominance.
    void SetQuality(uint32_t quality);
    const uint8_t* QuantTable(int which) const { return quant_[which]; }
    const int32_t* Multipliers(int which) const { return multipliers_[which]; }

private:
    struct HuffmanTable {
        int32_t maxCode[18];           // per code length, -1 for none; [17] a sentinel
        int32_t valueOffset[17] = {};  // symbol index minus code, per length
        uint8_t lookLength[256];       // of the next 8 bits: code length, 0 for longer codes
        uint8_t lookSymbol[256];
        const uint8_t* values;
        int valueCount;
    };

    void Init();
    static void ScaleQuantTable(const uint8_t* base, uint32_t scale, uint8_t* out);
    void BuildRangeLimitTable();
    void BuildColorTables();
    void BuildHuffmanTables();
    static void BuildHuffmanTable(const uint8_t* bits, const uint8_t* values, int valueCount, HuffmanTable& table);

    void FillBits();
    uint32_t GetBits(int count);
    int DecodeHuffman(const HuffmanTable& table);
    int DecodeHuffmanSlow(const HuffmanTable& table, int length);
    void DecodeBlock(int block);
    void InverseDct(const int32_t* multipliers, uint8_t* out);
    void DecodeMacroblock();
    void ConvertMacroblock();

    uint32_t width_ = 0, height_ = 0, quality_ = 0;
    uint8_t quant_[2][64] = {};
    int32_t multipliers_[2][64] = {};
    HuffmanTable dc_[2] = {}, ac_[2] = {};

    // Bit reader: the next bits at the top of bitBuffer_.
    uint32_t bitBuffer_ = 0;
    int bitCount_ = 0;
    const uint8_t* next_ = nullptr;
    size_t remaining_ = 0;
    size_t zeroFed_ = 0;  // zero bytes fed past the end of the data

    int32_t predictor_[3] = {};  // Y, Cb, Cr
    int16_t coefficients_[64] = {};
    uint8_t blocks_[6][64] = {};        // Y0..Y3, Cb, Cr samples
    uint8_t macroblock_[16 * 48] = {};  // 16 rows of 16 blue, green, red pixels
    uint8_t rangeLimit_[1024] = {};
    int32_t redFromCr_[256] = {}, blueFromCb_[256] = {}, greenFromCb_[256] = {}, greenFromCr_[256] = {};
};
