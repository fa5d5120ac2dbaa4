// DirectDraw surfaces: CDDSDecoder reads the top-level surface of a DDS file
// (mipmaps, cube faces and volume slices are left alone) and decodes it into
// 32-bit blue, green, red, alpha pixels: uncompressed surfaces described by
// channel masks, and the 4 x 4 block formats DXT1 to DXT5.
//
// The surface buffer holds exactly what the decoder reads, plus 4 zero bytes
// for the last 32-bit pixel fetch: the header's linear size and pitch never
// size it, and a file that ends early leaves zeros (black, transparent) where
// its surface is missing.
#include "formats/Dds.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <cwchar>
#include "formats/FormatCodecs.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr uint32_t kMagic = 0x20534444;  // "DDS "
constexpr uint32_t kLinearSizeFlag = 0x80000;
constexpr size_t kFetchSlack = 4;
// A surface cut short may miss this much of its bytes (they decode as zeros);
// a file that misses more is refused rather than decoded from nothing.
constexpr uint64_t kMissingSurfaceSlack = 4ull << 20;

constexpr wchar_t kTextOpen[] = L"Can't open file for reading!";
constexpr wchar_t kTextDescription[] = L"Error reading DDSURFACEDESC2: Size requested != Size received";
constexpr wchar_t kTextPixelFormat[] = L"Unknown Pixelformat.";
constexpr wchar_t kTextBuffer[] = L"Can't allocate m_pCompBytes on file read!";
constexpr wchar_t kTextTooShort[] = L"DDS File is too short for its surface!";

uint16_t Le16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// A channel mask's position: shift = trailing zero bits (32 for an empty
// mask), bits = the ones above them, at most 8.
struct Channel {
    uint32_t mask;
    int shift;
    int bits;
};

Channel ChannelOf(uint32_t mask) {
    Channel c{mask, 0, 0};
    if (!mask) {
        c.shift = 32;
        return c;
    }
    while (!(mask & 1)) {
        mask >>= 1;
        ++c.shift;
    }
    while ((mask & 1) && c.bits < 8) {
        mask >>= 1;
        ++c.bits;
    }
    return c;
}

inline uint8_t Extract(uint32_t pixel, const Channel& c) {
    if (!c.mask) return 0;
    return (uint8_t)(((pixel & c.mask) >> c.shift) << (8 - c.bits));
}

// Blue, green, red, alpha of one colour table entry.
struct Colour {
    uint8_t b, g, r, a;
};

Colour Expand565(uint16_t v) {
    return Colour{(uint8_t)((v & 0x1F) * 8), (uint8_t)(((v >> 5) & 0x3F) * 4), (uint8_t)((v >> 11) * 8), 255};
}

// The four colours of a colour block. DXT1 with colour 0 <= colour 1 has
// three and a transparent fourth.
void ColourTable(const uint8_t* block, bool dxt1, Colour table[4]) {
    const uint16_t v0 = Le16(block), v1 = Le16(block + 2);
    const Colour c0 = Expand565(v0), c1 = Expand565(v1);
    table[0] = c0;
    table[1] = c1;
    auto mix = [](int a, int b, int wa, int wb, int add, int div) { return (uint8_t)((wa * a + wb * b + add) / div); };
    if (!dxt1 || v0 > v1) {
        table[2] = Colour{mix(c0.b, c1.b, 2, 1, 1, 3), mix(c0.g, c1.g, 2, 1, 1, 3), mix(c0.r, c1.r, 2, 1, 1, 3), 255};
        table[3] = Colour{mix(c0.b, c1.b, 1, 2, 1, 3), mix(c0.g, c1.g, 1, 2, 1, 3), mix(c0.r, c1.r, 1, 2, 1, 3), 255};
    } else {
        table[2] = Colour{mix(c0.b, c1.b, 1, 1, 0, 2), mix(c0.g, c1.g, 1, 1, 0, 2), mix(c0.r, c1.r, 1, 1, 0, 2), 255};
        table[3] = Colour{mix(c0.b, c1.b, 1, 2, 1, 3), mix(c0.g, c1.g, 1, 2, 1, 3), mix(c0.r, c1.r, 1, 2, 1, 3), 0};
    }
}

// The eight values of an interpolated alpha block.
void AlphaTable(uint8_t a0, uint8_t a1, uint8_t table[8]) {
    table[0] = a0;
    table[1] = a1;
    if (a0 > a1) {
        for (int i = 1; i <= 6; ++i) table[i + 1] = (uint8_t)(((7 - i) * a0 + i * a1 + 3) / 7);
    } else {
        for (int i = 1; i <= 4; ++i) table[i + 1] = (uint8_t)(((5 - i) * a0 + i * a1 + 2) / 5);
        table[6] = 0;
        table[7] = 255;
    }
}

}  // namespace

CDDSDecoder::~CDDSDecoder() = default;

uint64_t CDDSDecoder::SurfaceBytes() const {
    if (m_formatCode >= 1 && m_formatCode <= 5) {
        const uint64_t blocks = (uint64_t)((m_width + 3) / 4) * ((m_height + 3) / 4);
        return blocks * (m_formatCode == 1 ? 8 : 16);
    }
    return (uint64_t)m_rowBytes * m_height;
}

bool CDDSDecoder::Load(const wchar_t* path, wchar_t* errorText, bool* notThisFormat) {
    if (notThisFormat) *notThisFormat = false;
    CBinFile file;
    if (!path || !file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
        SetFormatError(errorText, kTextOpen);
        return false;
    }
    const uint64_t fileLength = file.GetLength();
    uint8_t magic[4] = {};
    if (file.Read(magic, 4) != 4 || Le32(magic) != kMagic) {
        if (notThisFormat) *notThisFormat = true;
        SetFormatError(errorText, FORMAT_TEXT_INVALID_ID);
        return false;
    }
    if (file.Read(m_description, sizeof m_description) != sizeof m_description) {
        SetFormatError(errorText, kTextDescription);
        return false;
    }
    const uint8_t* d = m_description;
    const uint32_t fourCC = Le32(d + 80);
    static const char* const kNames[] = {"DXT1", "DXT2", "DXT3", "DXT4", "DXT5"};
    m_formatCode = fourCC ? 6 : 0;
    for (int i = 0; i < 5; ++i)
        if (std::memcmp(d + 80, kNames[i], 4) == 0) m_formatCode = i + 1;
    if (m_formatCode == 6) {
        SetFormatError(errorText, kTextPixelFormat);
        return false;
    }
    if (m_formatCode == 0) {
        std::wcscpy(m_formatName, L"RGB");
    } else {
        for (int i = 0; i < 4; ++i) m_formatName[i] = (wchar_t)d[80 + i];
        m_formatName[4] = L'\0';
    }
    m_height = Le32(d + 8);
    m_width = Le32(d + 12);
    m_hasMipmaps = Le32(d + 24) > 1;
    m_bitCount = Le32(d + 84) ? Le32(d + 84) : 32;
    // A block surface has no rows of pixels: it is read whole whatever the
    // flags say.
    m_compressed = (Le32(d + 4) & kLinearSizeFlag) != 0 || m_formatCode != 0;
    m_rowBytes = (uint32_t)std::min<uint64_t>((uint64_t)m_width * (m_bitCount / 8), 0xFFFFFFFFu);
    m_compSize = SurfaceBytes();

    const uint64_t pixelBytes = (uint64_t)m_width * m_height * 4;
    if (m_width == 0 || m_height == 0 || m_width > 0x7FFFFFFF || m_height > 0x7FFFFFFF ||
        pixelBytes > CImage::kMaxImageBytes || m_compSize > CImage::kMaxImageBytes) {
        SetFormatError(errorText, kTextBuffer);
        return false;
    }
    const uint64_t available = fileLength > 128 ? fileLength - 128 : 0;
    if (m_compSize > available + kMissingSurfaceSlack) {
        SetFormatError(errorText, kTextTooShort);
        return false;
    }
    m_pCompBytes.reset(new (std::nothrow) uint8_t[(size_t)m_compSize + kFetchSlack]());
    if (!m_pCompBytes) {
        SetFormatError(errorText, kTextBuffer);
        return false;
    }
    // Rows follow one another in the file: what there is of them is read,
    // the rest stays zero.
    const uint32_t wanted = (uint32_t)std::min<uint64_t>(m_compSize, available);
    if (wanted) file.Read(m_pCompBytes.get(), wanted);
    return true;
}

bool CDDSDecoder::FinishDecode() {
    if (!m_pCompBytes || m_formatCode > 5) return false;
    if (m_formatCode == 0 && (m_bitCount % 8 != 0 || m_bitCount > 32)) return false;
    m_pixels.reset(new (std::nothrow) uint8_t[(size_t)m_width * m_height * 4]());
    if (!m_pixels) return false;
    if (m_formatCode == 0) {
        DecodeUncompressed();
    } else {
        DecodeBlocks();
        if (m_formatCode == 2 || m_formatCode == 4) Unpremultiply();
    }
    return true;
}

void CDDSDecoder::DecodeUncompressed() {
    const uint8_t* d = m_description;
    const Channel red = ChannelOf(Le32(d + 88)), green = ChannelOf(Le32(d + 92)), blue = ChannelOf(Le32(d + 96));
    const Channel alpha = ChannelOf(Le32(d + 100));
    const uint32_t pixelBytes = m_bitCount / 8;
    for (uint32_t y = 0; y < m_height; ++y) {
        const uint8_t* in = m_pCompBytes.get() + (size_t)y * m_rowBytes;
        uint8_t* out = m_pixels.get() + (size_t)y * m_width * 4;
        for (uint32_t x = 0; x < m_width; ++x, in += pixelBytes, out += 4) {
            const uint32_t pixel = Le32(in);
            out[0] = Extract(pixel, blue);
            out[1] = Extract(pixel, green);
            out[2] = Extract(pixel, red);
            if (!alpha.mask) {
                out[3] = 255;  // no alpha channel: opaque
            } else {
                uint8_t a = Extract(pixel, alpha);
                if (alpha.bits <= 1) a = a ? 255 : 0;
                else if (alpha.bits <= 4) a |= a >> 4;
                out[3] = a;
            }
        }
    }
}

void CDDSDecoder::DecodeBlocks() {
    const bool dxt1 = m_formatCode == 1;
    const size_t blockBytes = dxt1 ? 8 : 16;
    const uint32_t blocksWide = (m_width + 3) / 4, blocksHigh = (m_height + 3) / 4;
    const uint8_t* block = m_pCompBytes.get();
    for (uint32_t by = 0; by < blocksHigh; ++by) {
        for (uint32_t bx = 0; bx < blocksWide; ++bx, block += blockBytes) {
            const uint8_t* colourBlock = dxt1 ? block : block + 8;
            Colour table[4];
            ColourTable(colourBlock, dxt1, table);
            const uint32_t indexes = Le32(colourBlock + 4);
            uint8_t alphas[8];
            if (m_formatCode >= 4) AlphaTable(block[0], block[1], alphas);
            for (uint32_t ty = 0; ty < 4; ++ty) {
                const uint32_t y = by * 4 + ty;
                if (y >= m_height) break;
                for (uint32_t tx = 0; tx < 4; ++tx) {
                    const uint32_t x = bx * 4 + tx;
                    if (x >= m_width) break;
                    const Colour& c = table[(indexes >> (8 * ty + 2 * tx)) & 3];
                    uint8_t* out = m_pixels.get() + ((size_t)y * m_width + x) * 4;
                    out[0] = c.b;
                    out[1] = c.g;
                    out[2] = c.r;
                    if (dxt1) {
                        out[3] = c.a;
                    } else if (m_formatCode <= 3) {
                        const uint8_t a = (uint8_t)((Le16(block + 2 * ty) >> (4 * tx)) & 0x0F);
                        out[3] = (uint8_t)(a * 17);
                    } else {
                        const uint8_t* group = block + 2 + 3 * (ty / 2);
                        const uint32_t bits = (uint32_t)group[0] | (uint32_t)group[1] << 8 | (uint32_t)group[2] << 16;
                        out[3] = alphas[(bits >> ((ty & 1) * 12 + 3 * tx)) & 7];
                    }
                }
            }
        }
    }
}

void CDDSDecoder::Unpremultiply() {
    uint8_t* p = m_pixels.get();
    for (size_t i = 0, n = (size_t)m_width * m_height; i < n; ++i, p += 4) {
        const uint32_t a = p[3];
        if (!a) continue;
        for (int c = 0; c < 3; ++c) p[c] = (uint8_t)std::min<uint32_t>(255, p[c] * 255u / a);
    }
}

ReadStatus LoadDds(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    try {
        std::unique_ptr<CDDSDecoder> decoder(new (std::nothrow) CDDSDecoder);
        if (!decoder) {
            SetFormatError(errorText, L"CDDSDecoder::Failed to create Object!");
            return false;
        }
        bool notThisFormat = false;
        if (!decoder->Load(path, errorText, &notThisFormat)) {
            return notThisFormat ? NotThisFormat(errorText) : ReadStatus(false);
        }
        if (!decoder->FinishDecode()) {
            SetFormatError(errorText, L"Failed: FinishDecode()!");
            return false;
        }
        const uint32_t width = decoder->Width(), height = decoder->Height();
        if (!image.CreateEmpty((int)width, (int)height, 32, RGB(0, 0, 0), nullptr) || !image.ScanLine(0)) {
            SetFormatError(errorText, L"Unable to allocate Memory for storing Imagedata!");
            return false;
        }
        // The decoded rows run top first, the image's bottom first.
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(image.ScanLine(height - 1 - y), decoder->Pixels() + (size_t)y * width * 4, (size_t)width * 4);
        return true;
    } catch (...) {
        SetFormatError(errorText, L"Unable to allocate Memory for storing Imagedata!");
        return false;
    }
}
