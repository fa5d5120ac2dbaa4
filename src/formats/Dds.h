// CDDSDecoder: the top-level surface of a DirectDraw surface file, decoded
// into 32-bit blue, green, red, alpha pixels, top row first (Dds.cpp; LoadDds
// in formats/FormatCodecs.h is the reader around it).
#pragma once
#include <cstdint>
#include <memory>

class CDDSDecoder {
public:
    CDDSDecoder() = default;
    virtual ~CDDSDecoder();
    CDDSDecoder(const CDDSDecoder&) = delete;
    CDDSDecoder& operator=(const CDDSDecoder&) = delete;

    // Reads the header and the surface bytes; false with a text in errorText
    // (*notThisFormat set when the file does not start with "DDS ").
    bool Load(const wchar_t* path, wchar_t* errorText, bool* notThisFormat = nullptr);
    // Decodes the surface by its format; false for an unknown one or when
    // memory is short.
    bool FinishDecode();

    uint32_t Width() const { return m_width; }
    uint32_t Height() const { return m_height; }
    // width x height x 4 bytes after FinishDecode.
    const uint8_t* Pixels() const { return m_pixels.get(); }

private:
    // The bytes the decoder reads of the surface.
    uint64_t SurfaceBytes() const;
    void DecodeUncompressed();
    void DecodeBlocks();
    void Unpremultiply();

    std::unique_ptr<uint8_t[]> m_pCompBytes;  // the surface, 4 zero bytes behind it
    std::unique_ptr<uint8_t[]> m_pixels;
    uint64_t m_compSize = 0;
    uint32_t m_rowBytes = 0;  // one row of an uncompressed surface
    uint32_t m_width = 0;
    uint32_t m_height = 0;
    wchar_t m_formatName[260] = {};
    // 0 uncompressed, 1 to 5 DXT1 to DXT5, 6 any other FourCC.
    int m_formatCode = 0;
    uint8_t m_description[124] = {};
    uint32_t m_bitCount = 32;
    bool m_hasMipmaps = false;
    bool m_compressed = false;
};
