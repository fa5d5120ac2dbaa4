#include "formats/Gif.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "formats/Formats.h"
#include "image/ColorDepth.h"
#include "image/Image.h"
#include "image/Palette.h"
#include "image/PixelOps.h"

namespace {

constexpr uint32_t kFirstFrameLimit = 20000;    // first image, either direction
constexpr uint32_t kLaterFrameLimit = 2000;     // later images are skipped above this
constexpr uint64_t kCountLimitKiB = 40 * 1024;  // frames stop counting at this much memory

// Buffered reading of the whole file: header, blocks and image data all come
// through the same 16 KiB read-ahead, so nothing has to be given back.
class ByteReader {
public:
    explicit ByteReader(FILE* file) : file_(file) {}
    bool Eof() { return pos_ >= len_ && !Fill(); }
    int Byte() {
        if (pos_ >= len_ && !Fill()) return -1;
        return buffer_[pos_++];
    }
    bool Read(uint8_t* out, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            const int b = Byte();
            if (b < 0) return false;
            out[i] = (uint8_t)b;
        }
        return true;
    }
    int U16() {
        const int lo = Byte(), hi = Byte();
        return (lo < 0 || hi < 0) ? -1 : lo | (hi << 8);
    }
    bool Skip(size_t count) {
        while (count > 0) {
            if (pos_ >= len_ && !Fill()) return false;
            const size_t step = (len_ - pos_) < count ? (len_ - pos_) : count;
            pos_ += step;
            count -= step;
        }
        return true;
    }
    // Skips data sub-blocks up to and including the zero-length terminator.
    void SkipSubBlocks() {
        for (;;) {
            const int length = Byte();
            if (length <= 0 || !Skip((size_t)length)) return;
        }
    }

private:
    bool Fill() {
        pos_ = 0;
        len_ = fread(buffer_, 1, sizeof(buffer_), file_);
        return len_ > 0;
    }
    FILE* file_;
    uint8_t buffer_[16384];
    size_t pos_ = 0, len_ = 0;
};

// Where decoded rows go: packed into image rows (single-frame output, bottom-
// up), one byte per pixel into a frame buffer (top-down), or nowhere (counting).
struct RowTarget {
    CImage* image = nullptr;    // single-frame output
    uint8_t* buffer = nullptr;  // one byte per pixel, width x height
    int depth = 8;
};

class LzwDecoder {
public:
    LzwDecoder(ByteReader& reader, uint32_t width, uint32_t height, bool interlaced, const RowTarget& target)
        : reader_(reader),
          width_(width),
          height_(height),
          interlaced_(interlaced),
          target_(target),
          line_(width + 1, 0) {}

    // Decodes one frame's data. A damaged stream ends the frame silently; the
    // rows decoded so far stay. Afterwards the reader stands after the data.
    void Run() {
        Decode();
        if (!dataEnded_) {
            if (blockLeft_ > 0) reader_.Skip(blockLeft_);
            reader_.SkipSubBlocks();
        }
    }

private:
    bool NextByte(int& value) {
        while (blockLeft_ == 0) {
            if (dataEnded_) return false;
            const int length = reader_.Byte();
            if (length <= 0) {
                dataEnded_ = true;
                return false;
            }
            blockLeft_ = (uint32_t)length;
        }
        value = reader_.Byte();
        if (value < 0) {
            dataEnded_ = true;
            return false;
        }
        --blockLeft_;
        return true;
    }

    int ReadCode(int width) {
        while (bitCount_ < width) {
            int b;
            if (!NextByte(b)) return -1;
            bits_ |= (uint32_t)b << bitCount_;
            bitCount_ += 8;
        }
        const int code = (int)(bits_ & ((1u << width) - 1));
        bits_ >>= width;
        bitCount_ -= width;
        return code;
    }

    bool Emit(uint8_t value) {
        line_[column_++] = value;
        if (column_ == width_) {
            column_ = 0;
            return WriteRow();
        }
        return true;
    }

    bool WriteRow() {
        if (row_ >= height_) return false;  // a row outside the frame ends it
        const uint32_t y = row_;
        if (target_.image) {
            uint8_t* out = target_.image->ScanLine(height_ - 1 - y);
            if (target_.depth == 8) {
                std::memcpy(out, line_.data(), width_);
            } else if (target_.depth == 4) {
                for (uint32_t x = 0; x < width_; x += 2)
                    out[x / 2] = (uint8_t)((line_[x] & 15) << 4 | (x + 1 < width_ ? line_[x + 1] & 15 : 0));
            } else {
                for (uint32_t x = 0; x < width_; x += 8) {
                    uint8_t packed = 0;
                    for (uint32_t b = 0; b < 8 && x + b < width_; ++b)
                        packed |= (uint8_t)((line_[x + b] & 1) << (7 - b));
                    out[x / 8] = packed;
                }
            }
        } else if (target_.buffer) {
            std::memcpy(target_.buffer + (size_t)y * width_, line_.data(), width_);
        }
        // Next row: straight down, or the four interlace passes.
        if (!interlaced_) {
            ++row_;
        } else {
            static const uint32_t start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            row_ += step[pass_];
            while (row_ >= height_ && pass_ < 3) {
                ++pass_;
                row_ = start[pass_];
            }
        }
        return true;
    }

    void Decode() {
        const int minSize = reader_.Byte();
        if (minSize < 2 || minSize > 9) {
            if (minSize < 0) dataEnded_ = true;
            return;
        }
        const int clear = 1 << minSize, end = clear + 1;
        int width = minSize + 1, limit = 1 << width, avail = clear + 2;
        int previous = -1, first = 0;
        static_assert(sizeof(prefix_) / sizeof(prefix_[0]) == 4096, "table size");
        for (;;) {
            int code = ReadCode(width);
            if (code < 0 || code == end) break;
            if (code == clear) {
                width = minSize + 1;
                limit = 1 << width;
                avail = clear + 2;
                previous = -1;
                continue;
            }
            if (previous < 0) {
                if (code >= avail) code = 0;
                first = code;
                previous = code;
                if (!Emit((uint8_t)code)) return;
                continue;
            }
            const int incoming = code;
            int depth = 0;
            if (code >= avail) {
                stack_[depth++] = (uint8_t)first;
                code = previous;
            }
            while (code >= clear) {
                if (depth >= 4095) return;  // a loop in a damaged table
                stack_[depth++] = suffix_[code];
                code = prefix_[code];
            }
            first = code;
            stack_[depth++] = (uint8_t)first;
            while (depth > 0)
                if (!Emit(stack_[--depth])) return;
            if (avail < limit) {
                prefix_[avail] = (uint16_t)previous;
                suffix_[avail] = (uint8_t)first;
                ++avail;
                if (avail >= limit && width < 12) {
                    ++width;
                    limit <<= 1;
                }
            }
            previous = incoming;
        }
        if (column_ > 0) WriteRow();  // the partial last line
    }

    ByteReader& reader_;
    uint32_t width_, height_;
    bool interlaced_;
    RowTarget target_;
    std::vector<uint8_t> line_;
    uint32_t column_ = 0, row_ = 0, pass_ = 0;
    uint32_t bits_ = 0;
    int bitCount_ = 0;
    uint32_t blockLeft_ = 0;
    bool dataEnded_ = false;
    uint16_t prefix_[4096] = {};
    uint8_t suffix_[4096] = {};
    uint8_t stack_[4097] = {};
};

struct FileCloser {
    FILE* f;
    ~FileCloser() {
        if (f) fclose(f);
    }
};

int DepthForEntries(int entries) { return entries <= 2 ? 1 : entries <= 16 ? 4 : 8; }

struct GraphicControl {
    bool pending = false;
    int disposal = 0;
    bool hasTransparent = false;
    int delay = 0;
    int transparentIndex = 0;
};

}  // namespace

uint32_t GifRowBytes(uint32_t width, int bpp) {
    uint64_t bytes;
    switch (bpp) {
    case 1: bytes = ((uint64_t)width + 7) / 8; break;
    case 4: bytes = (((uint64_t)width + 7) / 8) * 4; break;
    case 24: bytes = (uint64_t)width * 3; break;
    default: bytes = width; break;
    }
    return (uint32_t)((bytes + 3) & ~3ull);
}

int CountGifFrames(const wchar_t* path) {
    FILE* file = path ? _wfopen(path, L"rb") : nullptr;
    if (!file) return -1;
    FileCloser closer{file};
    ByteReader reader(file);
    uint8_t head[6];
    if (!reader.Read(head, 6) || (std::memcmp(head, "GIF87a", 6) != 0 && std::memcmp(head, "GIF89a", 6) != 0))
        return -2;
    reader.Skip(4);
    const int packed = reader.Byte();
    reader.Skip(2);
    if (packed >= 0 && (packed & 0x80)) reader.Skip(3u << ((packed & 7) + 1));
    int count = 0;
    bool localTable = false;
    for (;;) {
        const int block = reader.Byte();
        if (block < 0 || block == 0x3B) break;
        if (block == 0x21) {
            reader.Byte();
            reader.SkipSubBlocks();
        } else if (block == 0x2C) {
            reader.Skip(4);
            const int w = reader.U16(), h = reader.U16(), flags = reader.Byte();
            if (flags < 0) break;
            if (flags & 0x80) {
                reader.Skip(3u << ((flags & 7) + 1));
                localTable = true;
            }
            reader.Byte();  // minimum code size
            reader.SkipSubBlocks();
            if (w > 0 && h > 0 && (uint32_t)w <= kFirstFrameLimit && (uint32_t)h <= kFirstFrameLimit) {
                ++count;
                if (count >= 2) {
                    const uint64_t need =
                        (uint64_t)GifRowBytes((uint32_t)w, 8) * (uint32_t)h * (uint64_t)count * (localTable ? 3 : 1);
                    if (need / 1024 >= kCountLimitKiB) break;
                }
            }
        }
    }
    return count;
}

namespace {

// The logical screen, the palettes and what the whole file decides about the
// output, read before the first frame.
struct GifScreen {
    uint32_t width = 0, height = 0;
    int backgroundIndex = 0;
    bool hasGlobal = false;
    int globalEntries = 0;
    // The palette of the frame being read, the global one, and the one the
    // output's palette and 24-bit colours come from.
    uint8_t current[768], global[768], conversion[768];
    bool paletteOutput = false;  // one frame, MNG hand-over, or no local colour table anywhere
    bool singleFrame = false;    // only the first frame is decoded, into the image itself
    COLORREF background = 0;
    bool toMng = false;        // the GIF-to-MNG writer's reading
    int globalColorCount = 0;  // its global colour table entries
    bool anyLocal = false;     // some frame has a colour table of its own
    // The GIF-to-MNG reading of an animation with local colour tables: every
    // frame's own table and rectangle, the slots 8 bits deep.
    GifMngPalettes* palettes = nullptr;
};

// Reads the header and the global colour table, and scans the file for a local
// colour table (it decides the output depth). False with the error text set.
bool ReadGifScreen(ByteReader& reader, const wchar_t* path, int frames, const LoadRequest& request, GifScreen& screen,
                   wchar_t* errorText) {
    screen.toMng = request.gifToMng;
    uint8_t head[13];
    if (!reader.Read(head, 13)) return SetFormatError(errorText, L"Failed to retrieve Number of Frames!"), false;
    screen.width = head[6] | (head[7] << 8);
    screen.height = head[8] | (head[9] << 8);
    const int screenFlags = head[10];
    screen.backgroundIndex = head[11];
    screen.hasGlobal = (screenFlags & 0x80) != 0;
    screen.globalEntries = 2 << (screenFlags & 7);
    const bool hasGlobal = screen.hasGlobal;
    const int globalEntries = screen.globalEntries;

    std::memset(screen.current, 255, sizeof(screen.current));
    if (hasGlobal) {
        if (!reader.Read(screen.current, (size_t)globalEntries * 3))
            return SetFormatError(errorText, L"Failed to retrieve Number of Frames!"), false;
        std::memcpy(screen.global, screen.current, sizeof(screen.current));
        std::memcpy(screen.conversion, screen.current, sizeof(screen.current));
    } else {
        FillGreyPalette(screen.conversion, globalEntries, 256);
    }
    if (screen.toMng) screen.globalColorCount = hasGlobal ? globalEntries : 256;

    // Scan for a local colour table anywhere: it decides the output depth.
    bool anyLocal = false;
    {
        FILE* scan = _wfopen(path, L"rb");
        if (scan) {
            FileCloser scanCloser{scan};
            ByteReader s(scan);
            s.Skip(13 + (hasGlobal ? (size_t)globalEntries * 3 : 0));
            for (int block; (block = s.Byte()) >= 0 && block != 0x3B && !anyLocal;) {
                if (block == 0x21) {
                    s.Byte();
                    s.SkipSubBlocks();
                } else if (block == 0x2C) {
                    s.Skip(8);
                    const int flags = s.Byte();
                    if (flags < 0) break;
                    if (flags & 0x80) anyLocal = true;
                    s.Skip(flags & 0x80 ? 3u << ((flags & 7) + 1) : 0);
                    s.Byte();
                    s.SkipSubBlocks();
                }
            }
        }
    }
    screen.anyLocal = anyLocal;
    screen.paletteOutput = frames == 1 || screen.toMng || !anyLocal;
    screen.singleFrame = screen.toMng ? frames == 1 : (frames == 1 || request.purpose != LoadPurpose::View);
    screen.background = request.background;
    return true;
}

// One decoded frame (one byte per pixel) and how it is put into its slot.
struct GifFrame {
    const uint8_t* pixels = nullptr;
    int left = 0, top = 0, width = 0, height = 0;
    int index = 0;  // the slot
    int disposal = 1;
    bool hasTransparent = false;
    int transparentIndex = 0;
    bool keepTransparent = false;  // transparent pixels are stored as the index
};

// Composes a frame into its slot of the tall image (slot i holds the screen as
// frame i leaves it): the previous slot is copied first unless the frame's
// disposal clears to the background, then the frame's visible pixels are set,
// its transparent ones left as they are.
void ComposeFrameIntoSlot(const GifFrame& frame, const GifScreen& screen, int imageDepth, CImage& image) {
    const bool paletteOutput = screen.paletteOutput;
    const bool hasTransparent = frame.hasTransparent;
    const int transparentIndex = frame.transparentIndex;
    const int backgroundIndex = screen.backgroundIndex;
    const uint8_t* conversion = screen.conversion;
    const int width = frame.width;
    const int i = frame.index;
    GdiFlush();
    const uint32_t S = screen.height, W = screen.width;
    uint8_t* slot = image.bits + (size_t)i * S * image.stride;
    const size_t slotBytes = (size_t)S * image.stride;
    if (i > 0) {
        if (frame.disposal != 2) {
            std::memcpy(slot, slot - slotBytes, slotBytes);
        } else if (paletteOutput && !hasTransparent) {
            std::memset(slot,
                        imageDepth == 8         ? backgroundIndex
                        : imageDepth == 4       ? (backgroundIndex & 15) * 0x11
                        : (backgroundIndex & 1) ? 0xFF
                                                : 0,
                        slotBytes);
        }
    }
    // The frame's rectangle intersected with the logical screen.
    const uint32_t x0 = (uint32_t)frame.left, y0 = (uint32_t)frame.top;
    if (x0 < W && y0 < S) {
        const uint32_t visibleW = (uint32_t)width < W - x0 ? (uint32_t)width : W - x0;
        const uint32_t visibleH = (uint32_t)frame.height < S - y0 ? (uint32_t)frame.height : S - y0;
        for (uint32_t y = 0; y < visibleH; ++y) {
            const uint8_t* source = frame.pixels + (size_t)y * width;
            uint8_t* row = slot + (size_t)(S - 1 - (y0 + y)) * image.stride;
            for (uint32_t x = 0; x < visibleW; ++x) {
                const uint8_t index = source[x];
                if (hasTransparent && index == transparentIndex && !frame.keepTransparent) continue;
                const uint32_t px = x0 + x;
                switch (imageDepth) {
                case 24: {
                    uint8_t* p = row + (size_t)px * 3;
                    p[0] = conversion[index * 3 + 2];
                    p[1] = conversion[index * 3 + 1];
                    p[2] = conversion[index * 3];
                    break;
                }
                case 8: row[px] = index; break;
                case 4: {
                    uint8_t& b = row[px / 2];
                    b = (px & 1) ? (uint8_t)((b & 0xF0) | (index & 15)) : (uint8_t)((b & 0x0F) | (index & 15) << 4);
                    break;
                }
                default: {
                    const uint8_t mask = (uint8_t)(0x80 >> (px & 7));
                    row[px / 8] = (index & 1) ? (uint8_t)(row[px / 8] | mask) : (uint8_t)(row[px / 8] & ~mask);
                }
                }
            }
        }
    }
}

// The frame loop: the graphic-control extensions and the image descriptors up
// to the trailer, each frame's table entries, its decoding and composing.
// decoded receives the number of slots filled; false (error text set) only
// when the first frame cannot be taken or the output cannot be allocated.
bool DecodeGifFrames(ByteReader& reader, int frames, GifScreen& screen, AnimationFrameTables& tables, CImage& image,
                     int& decoded, bool& anyImage, wchar_t* errorText) {
    const bool hasGlobal = screen.hasGlobal;
    const int globalEntries = screen.globalEntries;
    const bool paletteOutput = screen.paletteOutput;
    const bool singleFrame = screen.singleFrame;
    const COLORREF background = screen.background;
    uint8_t* current = screen.current;
    uint8_t* conversion = screen.conversion;
    const size_t paletteBytes = sizeof(screen.current);

    GraphicControl control;
    std::vector<uint8_t> frameBuffer;
    int imageDepth = 0;

    for (;;) {
        const int block = reader.Byte();
        if (block < 0 || block == 0x3B) break;
        if (block == 0x21) {
            const int label = reader.Byte();
            if (label == 0xF9) {
                const int size = reader.Byte();
                const int flags = reader.Byte();
                const int delay = reader.U16();
                const int index = reader.Byte();
                if (size < 0 || flags < 0 || delay < 0 || index < 0) break;
                control.pending = true;
                control.disposal = (flags >> 2) & 7;
                control.hasTransparent = (flags & 1) != 0;
                control.delay = delay;
                control.transparentIndex = index;
                if (size > 4) reader.Skip((size_t)size - 4);
            }
            reader.SkipSubBlocks();
            continue;
        }
        if (block != 0x2C) continue;

        // Image descriptor.
        const int left = reader.U16(), top = reader.U16(), width = reader.U16(), height = reader.U16();
        const int flags = reader.Byte();
        if (flags < 0 || height < 0) break;
        int entries = hasGlobal ? globalEntries : 256;
        if (flags & 0x80) {
            entries = 2 << (flags & 7);
            std::memset(current, 255, paletteBytes);
            if (!reader.Read(current, (size_t)entries * 3)) break;
            if (screen.toMng && !hasGlobal) screen.globalColorCount = entries;
        }
        const int i = decoded;
        if (control.pending) {
            tables.SetFrameDelay(i, control.delay);
            if (tables.GetFrameDelay(i) <= 4) tables.SetFrameDelay(i, 10);
            tables.SetFrameTransparentIndex(i, control.hasTransparent ? control.transparentIndex : -1);
            const int d = control.disposal;
            tables.SetFrameDisposal(i, (d == 0 || d == 1 || d == 2 || d == 4) ? d : 1);
        } else {
            tables.SetFrameDelay(i, 10);
            tables.SetFrameTransparentIndex(i, -1);
            tables.SetFrameDisposal(i, 1);
        }
        const bool hasTransparent = control.pending && control.hasTransparent;
        const int transparentIndex = control.transparentIndex;
        const int disposal = control.pending ? control.disposal : 1;
        control = GraphicControl();

        const bool first = !anyImage;
        if (width == 0 || height == 0) {
            if (first) return SetFormatError(errorText, L"Invalid Width/Height found"), false;
            reader.Byte();
            reader.SkipSubBlocks();
            continue;
        }
        if (first && ((uint32_t)width > kFirstFrameLimit || (uint32_t)height > kFirstFrameLimit))
            return SetFormatError(errorText, L"Sorry, Width/Height too big"), false;
        if (!first && ((uint32_t)width > kLaterFrameLimit || (uint32_t)height > kLaterFrameLimit)) {
            reader.Byte();
            reader.SkipSubBlocks();
            continue;
        }

        const int depth = DepthForEntries(entries);
        GifMngPalettes::Frame record;
        if (screen.palettes) {
            std::memcpy(record.rgb, hasGlobal || (flags & 0x80) ? current : conversion, sizeof record.rgb);
            record.entries = entries;
            record.transparentIndex = hasTransparent ? transparentIndex : -1;
            if ((uint32_t)left < screen.width && (uint32_t)top < screen.height) {
                record.left = left;
                record.top = top;
                record.width = (uint32_t)width < screen.width - left ? width : (int)screen.width - left;
                record.height = (uint32_t)height < screen.height - top ? height : (int)screen.height - top;
            }
        }
        if (hasTransparent) {
            current[transparentIndex * 3] = GetRValue(background);
            current[transparentIndex * 3 + 1] = GetGValue(background);
            current[transparentIndex * 3 + 2] = GetBValue(background);
        }
        if (hasGlobal || (flags & 0x80)) std::memcpy(conversion, current, paletteBytes);
        const bool interlaced = (flags & 0x40) != 0;

        if (singleFrame) {
            if (!image.CreateEmpty(width, height, depth, background, conversion))
                return SetFormatError(errorText, L"Unable to allocate Memory for single Frame"), false;
            RowTarget target;
            target.image = &image;
            target.depth = depth;
            LzwDecoder decoder(reader, (uint32_t)width, (uint32_t)height, interlaced, target);
            decoder.Run();
            if (hasTransparent) {
                image.hasTransparency = 1;
                image.transparentIndex = (uint8_t)transparentIndex;
            }
            anyImage = true;
            decoded = 1;
            break;
        }

        // Multi-frame output: decode the frame, one byte per pixel, then
        // compose it into its slot of the tall image.
        try {
            frameBuffer.assign((size_t)width * height, 0);
        } catch (...) {
            if (first) return SetFormatError(errorText, L"Unable to allocate Memory for single Frame"), false;
            reader.Byte();
            reader.SkipSubBlocks();
            continue;
        }
        RowTarget target;
        target.buffer = frameBuffer.data();
        LzwDecoder decoder(reader, (uint32_t)width, (uint32_t)height, interlaced, target);
        decoder.Run();

        if (first) {
            imageDepth = screen.palettes ? 8 : paletteOutput ? depth : 24;
            if ((uint64_t)screen.height * frames > 0x7FFFFFFF ||
                !image.CreateEmpty((int)screen.width, (int)(screen.height * frames), imageDepth, background,
                                   conversion))
                return SetFormatError(errorText, L"Out of memory for frames!"), false;
        }
        if (hasTransparent) {
            image.hasTransparency = 1;
            if (paletteOutput) image.transparentIndex = (uint8_t)transparentIndex;
            else image.transparentColor = background;
        }
        GifFrame frame;
        frame.pixels = frameBuffer.data();
        frame.left = left;
        frame.top = top;
        frame.width = width;
        frame.height = height;
        frame.index = i;
        frame.disposal = disposal;
        frame.hasTransparent = hasTransparent;
        frame.transparentIndex = transparentIndex;
        // A later frame of its own table is written as its own rectangle:
        // its transparent pixels stay the transparent index.
        frame.keepTransparent = screen.palettes && i > 0 && disposal != 2;
        ComposeFrameIntoSlot(frame, screen, imageDepth, image);
        if (screen.palettes) screen.palettes->frames.push_back(record);
        if (hasGlobal) std::memcpy(current, screen.global, paletteBytes);
        anyImage = true;
        ++decoded;
        if (decoded >= frames) break;
    }
    return true;
}

}  // namespace

ReadStatus LoadGif(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    const int frames = CountGifFrames(path);
    if (frames == -2) return NotThisFormat(errorText);
    if (frames == -1) return SetFormatError(errorText, L"Failed to Open File!"), false;
    if (frames == 0) return SetFormatError(errorText, L"Failed to retrieve Number of Frames!"), false;

    FILE* file = _wfopen(path, L"rb");
    if (!file) return SetFormatError(errorText, L"Couldn't open file!"), false;
    FileCloser closer{file};
    auto reader = std::make_unique<ByteReader>(file);

    AnimationFrameTables& tables = call.result.NewFrames();
    tables.kind = ANIM_KIND_GIF;
    tables.frameCount = frames < AnimationFrameTables::kMaxFrames ? frames : AnimationFrameTables::kMaxFrames;
    tables.loop = true;
    tables.singleDelay = false;

    auto screen = std::make_unique<GifScreen>();
    if (!ReadGifScreen(*reader, path, frames, call.request, *screen, errorText)) return false;
    const uint32_t screenHeight = screen->height;
    const bool singleFrame = screen->singleFrame;
    if (screen->toMng && screen->anyLocal && !singleFrame) {
        call.result.gifPalettes = std::make_unique<GifMngPalettes>();
        screen->palettes = call.result.gifPalettes.get();
        screen->palettes->hasGlobal = screen->hasGlobal;
        screen->palettes->globalEntries = screen->globalEntries;
        std::memcpy(screen->palettes->global, screen->global, sizeof screen->global);
    }

    int decoded = 0;
    bool anyImage = false;
    if (!DecodeGifFrames(*reader, frames, *screen, tables, image, decoded, anyImage, errorText)) return false;
    closer.f = nullptr;
    fclose(file);

    if (!anyImage) return SetFormatError(errorText, L"Failed to retrieve Number of Frames!"), false;
    // The bar steps through the slots that hold frames: a skipped frame takes no
    // slot, so the last slots of the counted total stay empty and are not shown.
    tables.frameCount = decoded < AnimationFrameTables::kMaxFrames ? decoded : AnimationFrameTables::kMaxFrames;
    if (screen->toMng) {
        call.result.globalColorCount = screen->globalColorCount;
        // The MNG writer takes the rows top row first, a single frame too.
        image.FlipVertical();
        if (decoded > 1) image.height = screenHeight;
        // Table order follows the flipped slots.
        AnimationFrameTables reversed = tables;
        const int n = frames < AnimationFrameTables::kMaxFrames ? frames : AnimationFrameTables::kMaxFrames;
        for (int k = 0; k < n; ++k) {
            reversed.FrameDelayTable[k] = tables.GetFrameDelay(n - 1 - k);
            reversed.DisposalTable[k] = tables.DisposalTable[n - 1 - k];
            reversed.TransparentTable[k] = tables.TransparentTable[n - 1 - k];
        }
        tables = reversed;
        return true;
    }
    if (singleFrame) return true;
    // Frames skipped for their size leave fewer than the counted slots; the
    // picture is still one frame high, never the whole tall buffer.
    image.height = screenHeight;
    if (decoded < 2) return true;
    call.result.showFrames = true;
    call.result.playFrames = true;
    return true;
}

// ---------------------------------------------------------------- writing

namespace {

class LzwEncoder {
public:
    LzwEncoder(FILE* file, int minCodeSize) : file_(file), initBits_(minCodeSize + 1) {
        clear_ = 1 << minCodeSize;
        eof_ = clear_ + 1;
        freeEnt_ = clear_ + 2;
        bits_ = initBits_;
        maxCode_ = (1 << bits_) - 1;
        ClearHash();
        Output(clear_);
    }

    void Add(int pixel) {
        if (ent_ < 0) {
            ent_ = pixel;
            return;
        }
        const int32_t key = (pixel << 12) + ent_;
        int i = (pixel << 4) ^ ent_;
        if (hash_[i] == key) {
            ent_ = codes_[i];
            return;
        }
        if (hash_[i] >= 0) {
            const int step = i == 0 ? 1 : kHashSize - i;
            do {
                i -= step;
                if (i < 0) i += kHashSize;
                if (hash_[i] == key) {
                    ent_ = codes_[i];
                    return;
                }
            } while (hash_[i] >= 0);
        }
        Output(ent_);
        ent_ = pixel;
        if (freeEnt_ < 4096) {
            codes_[i] = (uint16_t)freeEnt_++;
            hash_[i] = key;
        } else {
            ClearHash();
            freeEnt_ = clear_ + 2;
            clearPending_ = true;
            Output(clear_);
        }
    }

    void Finish() {
        if (ent_ >= 0) Output(ent_);
        Output(eof_);
        while (bitCount_ > 0) {
            PutByte((uint8_t)accumulator_);
            accumulator_ >>= 8;
            bitCount_ = bitCount_ > 8 ? bitCount_ - 8 : 0;
        }
        FlushBlock();
    }

private:
    static constexpr int kHashSize = 5003;

    void ClearHash() {
        for (int32_t& h : hash_) h = -1;
    }

    void Output(int code) {
        accumulator_ |= (uint32_t)code << bitCount_;
        bitCount_ += bits_;
        while (bitCount_ >= 8) {
            PutByte((uint8_t)accumulator_);
            accumulator_ >>= 8;
            bitCount_ -= 8;
        }
        if (freeEnt_ > maxCode_ || clearPending_) {
            if (clearPending_) {
                bits_ = initBits_;
                maxCode_ = (1 << bits_) - 1;
                clearPending_ = false;
            } else {
                ++bits_;
                maxCode_ = bits_ == 12 ? 4096 : (1 << bits_) - 1;
            }
        }
    }

    void PutByte(uint8_t b) {
        block_[blockLength_++] = b;
        if (blockLength_ >= 254) FlushBlock();
    }

    void FlushBlock() {
        if (blockLength_ == 0) return;
        fputc(blockLength_, file_);
        fwrite(block_, 1, (size_t)blockLength_, file_);
        blockLength_ = 0;
    }

    FILE* file_;
    int initBits_, clear_, eof_, freeEnt_, bits_, maxCode_;
    bool clearPending_ = false;
    int ent_ = -1;
    uint32_t accumulator_ = 0;
    int bitCount_ = 0;
    uint8_t block_[256];
    int blockLength_ = 0;
    int32_t hash_[kHashSize];
    uint16_t codes_[kHashSize] = {};
};

void PutU16(FILE* file, uint32_t value) {
    fputc((int)(value & 0xFF), file);
    fputc((int)((value >> 8) & 0xFF), file);
}

}  // namespace

void WriteGifColorTable(CImage& image, FILE* file, int bits) {
    for (int i = 0; i < (1 << bits); ++i) {
        fputc(image.palette[i][2], file);
        fputc(image.palette[i][1], file);
        fputc(image.palette[i][0], file);
    }
}

void WriteGifGraphicControl(FILE* file, CImage& image, int delayMs) {
    const uint8_t head[3] = {0x21, 0xF9, 0x04};
    fwrite(head, 1, 3, file);
    fputc(image.hasTransparency ? 0x09 : 0x00, file);
    PutU16(file, (uint32_t)(delayMs / 10));
    fputc(image.transparentIndex, file);
    fputc(0, file);
}

bool GIFAddFrame(FILE* file, CImage& image, int delayMs, bool withLocalPalette, wchar_t* errorText) {
    if (image.IsValid() && image.GetBpp() > 8) return SetFormatError(errorText, L"Bpp > 8 in GIFAddFrame()!"), false;
    GdiFlush();
    if (!image.IsValid() || !image.bits)
        return SetFormatError(errorText, L"Error getting Imagedata! Aborting..."), false;
    const uint32_t width = image.GetWidth(), height = image.GetHeight();
    if (width > 0xFFFF || height > 0xFFFF)
        return SetFormatError(errorText, L"Image too large for GIF (at most 65535 x 65535 pixels)!"), false;
    const int bits = image.GetBpp();
    WriteGifGraphicControl(file, image, delayMs);
    fputc(0x2C, file);
    PutU16(file, 0);
    PutU16(file, 0);
    PutU16(file, width);
    PutU16(file, height);
    fputc(withLocalPalette ? ((bits - 1) | 0x80) : 0x00, file);
    if (withLocalPalette) WriteGifColorTable(image, file, bits);
    const int minCodeSize = bits == 1 ? 2 : bits;
    fputc(minCodeSize, file);
    auto encoder = std::make_unique<LzwEncoder>(file, minCodeSize);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = image.bits + (size_t)(height - 1 - y) * image.stride;
        for (uint32_t x = 0; x < width; ++x) {
            int pixel;
            if (bits == 8) pixel = row[x];
            else if (bits == 4) pixel = (x & 1) ? row[x / 2] & 15 : row[x / 2] >> 4;
            else pixel = (row[x / 8] >> (7 - (x & 7))) & 1;
            encoder->Add(pixel);
        }
    }
    encoder->Finish();
    fputc(0, file);
    return true;
}

bool SaveGif(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions&) {
    if (!image.IsValid()) return SetFormatError(errorText, L"Error getting Imagedata! Aborting..."), false;
    CImage working;
    CImage* source = &image;
    if (image.GetBpp() > 8) {
        if (!working.Copy(image) || !working.ConvertDepth(8))
            return SetFormatError(errorText, L"Unable to create imagecopy / no memory."), false;
        source = &working;
    }
    if (source->GetWidth() > 0xFFFF || source->GetHeight() > 0xFFFF)
        return SetFormatError(errorText, L"Image too large for GIF (at most 65535 x 65535 pixels)!"), false;
    FILE* file = path ? _wfopen(path, L"wb") : nullptr;
    if (!file) return SetFormatError(errorText, L"Couldn't open GIF for writing"), false;
    const int bits = source->GetBpp();
    fwrite("GIF89a", 1, 6, file);
    PutU16(file, source->GetWidth());
    PutU16(file, source->GetHeight());
    fputc(bits == 1 ? 0x80 : bits == 4 ? 0xE3 : 0xE7, file);
    fputc(0, file);
    fputc(0, file);
    WriteGifColorTable(*source, file, bits);
    bool ok = GIFAddFrame(file, *source, 100, false, errorText);
    if (ok) fputc(0x3B, file);
    // Every byte went through the stream: its error flag and the close tell
    // whether the file really holds them.
    if (ok && (ferror(file) || fflush(file) != 0)) {
        SetFormatError(errorText, L"Failed to write GIF file!");
        ok = false;
    }
    if (fclose(file) != 0 && ok) {
        SetFormatError(errorText, L"Failed to write GIF file!");
        ok = false;
    }
    if (!ok) _wremove(path);
    return ok;
}
