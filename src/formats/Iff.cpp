// Interchange File Format pictures: LoadIff reads interleaved bit-plane images
// ("FORM" of type "ILBM"), chunky images (any other form type, one packed row
// a line) and, through LoadIffTiled, the tiled 32-bit-aligned images of the
// "FOR4" container (form type "CIMG"). Numbers are big-endian throughout.
//
// The whole file is read into memory and decoded from there; every size and
// offset the file gives is checked against the bytes it holds, every row
// copied into the image is cut to the image's row, and every tile is clipped
// to the image.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "formats/FileBytes.h"
#include "formats/FormatCodecs.h"
#include "formats/WholeFile.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Palette.h"

namespace {

constexpr wchar_t kTextOpen[] = L"Couldn't open IFF File!";
constexpr wchar_t kTextChunk[] = L"Decode Error (invalid chunk)!";
constexpr wchar_t kTextChunkLength[] = L"Decode Error (invalid chunk length)!";
constexpr wchar_t kTextPalette[] = L"Palette Error!";
constexpr wchar_t kTextMemory[] = L"Unable to allocate Memory for storing Imagedata!";
constexpr wchar_t kTextTooShort[] = L"IFF File is too short for its image size!";
constexpr wchar_t kTextCompression[] = L"Unsupported/Unknown Compressiontype!";
constexpr wchar_t kTextCreate[] = L"Failed to create Image!";
constexpr wchar_t kTextBadTile[] = L"Bad Chunk found at Reading Tiles!";

// ByteRun1 turns two bytes into at most 128; tile runs likewise.
constexpr uint64_t kRunExpansion = 64;
constexpr uint32_t kBmhdBytes = 20;
constexpr uint32_t kTbhdBytes = 24;
constexpr uint32_t kMaxPaletteBytes = 256 * 3;

struct Bytes {
    const uint8_t* data;
    uint64_t size;

    bool Has(uint64_t at, uint64_t count) const { return at <= size && count <= size - at; }
    bool Is(uint64_t at, const char* id) const { return Has(at, 4) && std::memcmp(data + at, id, 4) == 0; }
    uint16_t U16(uint64_t at) const { return (uint16_t)(data[at] << 8 | data[at + 1]); }
    uint32_t U32(uint64_t at) const {
        return (uint32_t)data[at] << 24 | (uint32_t)data[at + 1] << 16 | (uint32_t)data[at + 2] << 8 | data[at + 3];
    }
};

// Reads the whole file; false (with a text) when it cannot be had.
bool ReadIffFile(const wchar_t* path, std::vector<uint8_t>& out, wchar_t* errorText) {
    switch (ReadWholeFile(path, out)) {
    case WholeFileResult::Ok: return true;
    case WholeFileResult::TooLarge: SetFormatError(errorText, kTextMemory); return false;
    default: SetFormatError(errorText, kTextOpen); return false;
    }
}

// One ByteRun1 row: a control byte n; 0..127 copies n + 1 bytes, 129..255
// repeats the next byte 257 - n times, 128 is skipped. Runs are cut at the
// row's end. False when the data ends before the row is full.
bool UnpackByteRun1(const Bytes& in, uint64_t end, uint64_t& pos, uint8_t* row, size_t rowBytes) {
    size_t x = 0;
    while (x < rowBytes) {
        if (pos >= end) return false;
        const uint8_t n = in.data[pos++];
        if (n < 128) {
            const size_t count = (size_t)n + 1;
            const size_t have = (size_t)std::min<uint64_t>(count, end - pos);
            const size_t copy = std::min(have, rowBytes - x);
            std::memcpy(row + x, in.data + pos, copy);
            pos += have;
            x += copy;
            if (have < count) return x >= rowBytes;
        } else if (n > 128) {
            if (pos >= end) return false;
            const uint8_t value = in.data[pos++];
            const size_t fill = std::min<size_t>(257 - n, rowBytes - x);
            std::memset(row + x, value, fill);
            x += fill;
        }
    }
    return true;
}

struct BitmapHeader {
    uint32_t width = 0, height = 0;
    uint32_t planes = 0;
    uint8_t masking = 0;
    uint8_t compression = 0;
};

constexpr uint8_t kMaskHasMask = 1;

int DepthOfPlanes(uint32_t planes) {
    if (planes == 1) return 1;
    if (planes <= 4) return 4;
    if (planes <= 8) return 8;
    return 24;
}

// The BODY chunk (data from start, at most length bytes) into a new image.
bool DecodeBody(const Bytes& in, uint64_t start, uint64_t length, const BitmapHeader& bmhd, bool ilbm,
                const uint8_t* palette, CImage& image, wchar_t* errorText) {
    const uint32_t width = bmhd.width, height = bmhd.height;
    if (!width || !height || !bmhd.planes) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    const int depth = DepthOfPlanes(bmhd.planes);
    // Interleaved rows: one plane row (the width rounded up to 16 pixels) per
    // plane, and one more for a mask plane. Chunky rows: the packed pixels,
    // rounded up to an even number of bytes.
    const uint64_t planeRowBytes = ((uint64_t)width + 15) / 16 * 2;
    const uint64_t planeRows = bmhd.planes + (ilbm && bmhd.masking == kMaskHasMask ? 1 : 0);
    const uint64_t rowBytes = ilbm ? planeRowBytes * planeRows : ((uint64_t)width * bmhd.planes + 15) / 16 * 2;
    const uint64_t end = start + std::min(length, in.size - start);
    if (!PlausibleDataSize(rowBytes * height, end - start, bmhd.compression ? kRunExpansion : 1)) {
        SetFormatError(errorText, kTextTooShort);
        return false;
    }
    if (!image.CreateEmpty((int)width, (int)height, depth, RGB(0, 0, 0), depth <= 8 ? palette : nullptr) ||
        !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    const size_t stride = image.stride;
    std::memset(image.bits, 0, stride * height);

    std::vector<uint8_t> row((size_t)rowBytes);
    uint64_t pos = start;
    for (uint32_t y = 0; y < height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        bool complete;
        if (bmhd.compression) {
            complete = UnpackByteRun1(in, end, pos, row.data(), row.size());
        } else {
            const uint64_t have = std::min<uint64_t>(rowBytes, end - pos);
            std::memcpy(row.data(), in.data + pos, (size_t)have);
            pos += have;
            complete = have == rowBytes;
        }
        uint8_t* out = image.ScanLine(height - 1 - y);
        if (!ilbm || depth == 1) {
            std::memcpy(out, row.data(), (size_t)std::min<uint64_t>(ilbm ? planeRowBytes : rowBytes, stride));
        } else if (depth == 24) {
            // Planes 0-7 are red, 8-15 green, 16-23 blue; further planes are not shown.
            const uint32_t used = std::min<uint32_t>(bmhd.planes, 24);
            for (uint32_t x = 0; x < width; ++x) {
                const size_t byte = x / 8;
                const int shift = 7 - (int)(x % 8);
                uint8_t rgb[3] = {0, 0, 0};
                for (uint32_t p = 0; p < used; ++p)
                    rgb[p / 8] |= (uint8_t)(((row[p * planeRowBytes + byte] >> shift) & 1) << (p % 8));
                out[x * 3] = rgb[2];
                out[x * 3 + 1] = rgb[1];
                out[x * 3 + 2] = rgb[0];
            }
        } else {
            for (uint32_t x = 0; x < width; ++x) {
                const size_t byte = x / 8;
                const int shift = 7 - (int)(x % 8);
                uint8_t index = 0;
                for (uint32_t p = 0; p < bmhd.planes; ++p)
                    index |= (uint8_t)(((row[p * planeRowBytes + byte] >> shift) & 1) << p);
                if (depth == 8) out[x] = index;
                else out[x / 2] |= (x & 1) ? index : (uint8_t)(index << 4);
            }
        }
        if (!complete) break;  // the rest of the picture stays as created
    }
    return true;
}

ReadStatus DecodeClassicIff(const Bytes& in, CImage& image, wchar_t* errorText) {
    if (!(in.Is(0, "FORM") || in.Is(0, "LIST") || in.Is(0, "CAT "))) { return NotThisFormat(errorText); }
    BitmapHeader bmhd;
    uint8_t palette[kMaxPaletteBytes] = {};
    bool ilbm = in.Is(8, "ILBM");
    uint64_t pos = 12;
    for (;;) {
        if (!in.Has(pos, 8)) {
            SetFormatError(errorText, kTextChunk);
            return false;
        }
        const uint64_t size = in.U32(pos + 4);
        const uint64_t data = pos + 8;
        if (size == 0) {
            SetFormatError(errorText, kTextChunkLength);
            return false;
        }
        // Nested containers (the forms of a list or catalogue, shared
        // properties) are entered: their chunks follow in turn.
        if (in.Is(pos, "FORM") || in.Is(pos, "LIST") || in.Is(pos, "CAT ") || in.Is(pos, "PROP")) {
            if (size < 4 || !in.Has(data, 4)) {
                SetFormatError(errorText, kTextChunkLength);
                return false;
            }
            if (in.Is(pos, "FORM")) ilbm = in.Is(data, "ILBM");
            pos = data + 4;
            continue;
        }
        if (in.Is(pos, "BMHD")) {
            if (size < kBmhdBytes || !in.Has(data, kBmhdBytes)) {
                SetFormatError(errorText, kTextChunkLength);
                return false;
            }
            bmhd.width = in.U16(data);
            bmhd.height = in.U16(data + 2);
            bmhd.planes = in.data[data + 8];
            bmhd.masking = in.data[data + 9];
            bmhd.compression = in.data[data + 10];
        } else if (in.Is(pos, "CMAP")) {
            if (!in.Has(data, size)) {
                SetFormatError(errorText, kTextPalette);
                return false;
            }
            std::memset(palette, 0, sizeof palette);
            std::memcpy(palette, in.data + data, (size_t)std::min<uint64_t>(size / 3 * 3, kMaxPaletteBytes));
        } else if (in.Is(pos, "BODY")) {
            return DecodeBody(in, data, size, bmhd, ilbm, palette, image, errorText);
        }
        pos = data + size + (size & 1);
    }
}

// The tiled container: chunks of id and size, groups ("FOR4") with a type
// after the size, everything aligned to 4 bytes.
uint64_t Align4(uint64_t v) { return (v + 3) & ~(uint64_t)3; }

// The open chunks of the tiled container, outermost first. A chunk is a 4-byte
// id and a 32-bit size; a "FOR4" group also has a 4-byte type, and its size
// counts from that type on. Every chunk is padded to a multiple of 4 bytes.
struct IffChunk {
    uint64_t start = 0;  // offset of its id
    uint64_t size = 0;   // its size field
    bool group = false;  // a "FOR4" group
    char id[4] = {};
    char type[4] = {};  // a group's type

    bool Is(const char* name) const { return std::memcmp(id, name, 4) == 0; }
    bool IsGroupOf(const char* name) const { return group && std::memcmp(type, name, 4) == 0; }
};
struct IffChunkStack {
    static constexpr int kMaxDepth = 32;
    IffChunk levels[kMaxDepth];
    int depth = 0;

    const IffChunk& Top() const { return levels[depth - 1]; }
};

// Reads the chunk header at pos onto the stack. False, with nothing pushed,
// when the header does not lie wholly within the file or the groups are
// nested deeper than the stack.
bool IffBeginChunk(const Bytes& in, uint64_t pos, IffChunkStack& stack) {
    if (stack.depth >= IffChunkStack::kMaxDepth || !in.Has(pos, 8)) return false;
    IffChunk chunk;
    chunk.start = pos;
    chunk.size = in.U32(pos + 4);
    std::memcpy(chunk.id, in.data + pos, 4);
    chunk.group = chunk.Is("FOR4");
    if (chunk.group) {
        if (!in.Has(pos + 8, 4)) return false;
        std::memcpy(chunk.type, in.data + pos + 8, 4);
    }
    stack.levels[stack.depth++] = chunk;
    return true;
}

// Where the first chunk inside the current one (or its data) starts.
uint64_t IffChunkData(const IffChunkStack& stack) { return stack.Top().start + (stack.Top().group ? 12 : 8); }

// Ends the current chunk: pops it and returns the offset behind it, its start
// plus size plus 8 (12 for a group), rounded up to 4.
uint64_t IffEndChunk(IffChunkStack& stack) {
    const IffChunk& chunk = stack.Top();
    const uint64_t end = Align4(IffChunkData(stack) + chunk.size);
    --stack.depth;
    return end;
}

struct TileHeader {
    uint32_t width = 0, height = 0;
    uint32_t flags = 0;
    uint32_t tiles = 0;
    uint32_t compression = 0;
};

constexpr uint32_t kFlagColour = 1, kFlagAlpha = 2, kFlagDepth = 4;

// Where each channel of the tile data goes in an image pixel: alpha (when
// present), then blue, green and red.
struct ChannelLayout {
    int count = 0;
    int pixelBytes = 0;
    int byteOf[4] = {};
};

ChannelLayout LayoutOf(uint32_t flags) {
    ChannelLayout l;
    if (flags & kFlagAlpha) l.byteOf[l.count++] = 3;
    if (flags & kFlagColour) {
        l.byteOf[l.count++] = 0;
        l.byteOf[l.count++] = 1;
        l.byteOf[l.count++] = 2;
    }
    if (l.count == 1) l.byteOf[0] = 0;  // alpha alone: a grey picture
    l.pixelBytes = l.count == 4 ? 4 : l.count == 3 ? 3 : 1;
    return l;
}

// Where a tile lies and how its samples reach the image: sample i of a
// channel is tile pixel (i mod width, i / width); pixels outside the image
// are dropped.
struct TilePlacement {
    CImage& image;
    const ChannelLayout& layout;
    uint64_t x1, y1, tileWidth, pixels;

    void Put(uint64_t i, int channel, uint8_t value) const {
        const uint64_t x = x1 + i % tileWidth, y = y1 + i / tileWidth;
        if (x >= image.GetWidth() || y >= image.GetHeight()) return;
        image.ScanLine((uint32_t)y)[x * layout.pixelBytes + layout.byteOf[channel]] = value;
    }
};

// Uncompressed tile data: the pixels one after another, each pixel's
// channels together.
void IffReadRawTile(const Bytes& in, uint64_t pos, uint64_t end, const TilePlacement& tile) {
    const int channels = tile.layout.count;
    const uint64_t whole = std::min<uint64_t>(tile.pixels, (end - pos) / channels);
    const uint8_t* p = in.data + pos;
    for (uint64_t i = 0; i < whole; ++i)
        for (int c = 0; c < channels; ++c) tile.Put(i, c, *p++);
}

// One run-length channel plane: c & 0x7F plus one samples, the next byte
// repeated when the high bit is set, else literal bytes. A packet that would
// overrun the plane ends it. False when the data ends.
bool IffDecodeTileChannel(const Bytes& in, uint64_t& pos, uint64_t end, const TilePlacement& tile, int channel) {
    uint64_t i = 0;
    while (i < tile.pixels) {
        if (pos >= end) return false;
        const uint8_t code = in.data[pos++];
        const uint64_t count = (uint64_t)(code & 0x7F) + 1;
        if (i + count > tile.pixels) {
            pos += (code & 0x80) ? 1 : count;
            return true;
        }
        if (code & 0x80) {
            if (pos >= end) return false;
            const uint8_t value = in.data[pos++];
            for (uint64_t k = 0; k < count; ++k) tile.Put(i++, channel, value);
        } else {
            const uint64_t have = std::min(count, end - pos);
            for (uint64_t k = 0; k < have; ++k) tile.Put(i++, channel, in.data[pos++]);
            if (have < count) return false;
        }
    }
    return true;
}

// Run-length tile data: one full plane per channel, in the layout's order.
void IffDecodeTile(const Bytes& in, uint64_t pos, uint64_t end, const TilePlacement& tile) {
    for (int c = 0; c < tile.layout.count; ++c)
        if (!IffDecodeTileChannel(in, pos, end, tile, c)) return;
}

// One colour tile (chunk data from start, declared size, bytes available)
// into the image, clipped to it. The data is uncompressed when the chunk
// holds at least all of the tile's samples.
void DecodeColourTile(const Bytes& in, uint64_t start, uint64_t declared, uint64_t available,
                      const ChannelLayout& layout, CImage& image) {
    if (available < 8) return;
    const uint32_t x1 = in.U16(start), y1 = in.U16(start + 2), x2 = in.U16(start + 4), y2 = in.U16(start + 6);
    if (x2 < x1 || y2 < y1) return;
    const uint64_t tileWidth = (uint64_t)x2 - x1 + 1, tileHeight = (uint64_t)y2 - y1 + 1;
    const TilePlacement tile{image, layout, x1, y1, tileWidth, tileWidth * tileHeight};
    if (declared >= tile.pixels * layout.count + 8) IffReadRawTile(in, start + 8, start + available, tile);
    else IffDecodeTile(in, start + 8, start + available, tile);
}

ReadStatus DecodeTiledIff(const Bytes& in, CImage& image, wchar_t* errorText) {
    IffChunkStack stack;
    if (!IffBeginChunk(in, 0, stack) || !stack.Top().IsGroupOf("CIMG")) return NotThisFormat(errorText);
    TileHeader header;
    ChannelLayout layout;
    bool created = false;
    // The chunks behind the "CIMG" group's header, to the end of the file.
    uint64_t pos = IffChunkData(stack);
    while (IffBeginChunk(in, pos, stack)) {
        const IffChunk chunk = stack.Top();
        const uint64_t size = chunk.size;
        if (chunk.group) {
            if (!chunk.IsGroupOf("TBMP")) {
                pos = IffEndChunk(stack);
                continue;
            }
            if (!created) {
                SetFormatError(errorText, kTextCreate);
                return false;
            }
            const uint64_t groupEnd = std::min(in.size, IffChunkData(stack) + size);
            uint64_t tile = IffChunkData(stack);
            uint32_t colourTiles = 0, depthTiles = 0;
            const bool wantDepth = (header.flags & kFlagDepth) != 0;
            while (colourTiles < header.tiles || (wantDepth && depthTiles < header.tiles)) {
                if (tile + 8 > groupEnd) break;  // the file ends early: the rest stays as created
                if (!in.Is(tile, "RGBA") && !in.Is(tile, "ZBUF")) {
                    image.Destroy();
                    SetFormatError(errorText, kTextBadTile);
                    return false;
                }
                if (!IffBeginChunk(in, tile, stack)) break;
                const IffChunk& t = stack.Top();
                if (t.Is("RGBA")) {
                    DecodeColourTile(in, tile + 8, t.size, std::min(t.size, in.size - (tile + 8)), layout, image);
                    ++colourTiles;
                } else {
                    ++depthTiles;
                }
                tile = IffEndChunk(stack);
            }
            return true;
        }
        if (in.Is(pos, "TBHD") && !created) {
            if (size < kTbhdBytes || !in.Has(pos + 8, kTbhdBytes)) {
                SetFormatError(errorText, kTextCreate);
                return false;
            }
            const uint64_t d = pos + 8;
            header.width = in.U32(d);
            header.height = in.U32(d + 4);
            header.flags = in.U32(d + 12);
            header.tiles = in.U16(d + 18);
            header.compression = in.U32(d + 20);
            if (header.compression > 1) {
                SetFormatError(errorText, kTextCompression);
                return false;
            }
            layout = LayoutOf(header.flags);
            if (!layout.count || !header.width || !header.height || header.width > 0x7FFFFFFF ||
                header.height > 0x7FFFFFFF ||
                !PlausibleDataSize((uint64_t)header.width * header.height * layout.count, in.size, kRunExpansion)) {
                SetFormatError(errorText, kTextCreate);
                return false;
            }
            uint8_t ramp[256 * 3];
            FillGreyPalette(ramp, 256);
            if (!image.CreateEmpty((int)header.width, (int)header.height, 8 * layout.pixelBytes, RGB(0, 0, 0),
                                   layout.pixelBytes == 1 ? ramp : nullptr) ||
                !image.ScanLine(0)) {
                SetFormatError(errorText, kTextCreate);
                return false;
            }
            std::memset(image.bits, 0, (size_t)image.stride * image.GetHeight());
            created = true;
        }
        pos = IffEndChunk(stack);
    }
    if (!created) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }
    return true;  // no tiles: the picture stays as created
}

}  // namespace

ReadStatus DecodeIff(const uint8_t* data, size_t size, CImage& image, wchar_t* errorText) {
    const Bytes in{data, size};
    if (in.Is(0, "FOR4")) return DecodeTiledIff(in, image, errorText);
    return DecodeClassicIff(in, image, errorText);
}

ReadStatus LoadIffTiled(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    try {
        std::vector<uint8_t> bytes;
        if (!ReadIffFile(path, bytes, errorText)) return false;
        return DecodeTiledIff(Bytes{bytes.data(), bytes.size()}, image, errorText);
    } catch (const std::bad_alloc&) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
}

ReadStatus LoadIff(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    try {
        std::vector<uint8_t> bytes;
        if (!ReadIffFile(path, bytes, errorText)) return false;
        return DecodeIff(bytes.data(), bytes.size(), image, errorText);
    } catch (const std::bad_alloc&) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
}
