// SGI images: LoadSgi reads 8-bit channels, verbatim or run-length encoded,
// with 1 to 4 channels (2 channels give channel 0 as grey, more than 4 the
// first four); SaveSgi writes 3 channels (4 for 32-bit images), verbatim, run-
// length encoded, or run-length encoded with equal rows stored once.
//
// Channels are planes (0 red or grey, 1 green, 2 blue, 3 alpha); rows count
// from the bottom, as the image stores them. Offsets taken from the file are
// checked against its length before they are used.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "formats/ByteReader.h"
#include "formats/FormatCodecs.h"
#include "formats/OutputFile.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Palette.h"

namespace {

constexpr wchar_t kTextWord[] = L"Sorry, WORD Version not supported!";
constexpr wchar_t kTextMemory[] = L"Unable to allocate Memory for storing Imagedata!";
constexpr wchar_t kTextTooShort[] = L"SGI File is too short for its image size!";
constexpr wchar_t kTextCreate[] = L"can't create SGI image file!";
constexpr wchar_t kTextWrite[] = L"Error while writing SGI image file!";
constexpr wchar_t kTextTooLarge[] = L"Image too large for SGI (at most 65535 x 65535 pixels)!";

constexpr uint32_t kHeaderBytes = 512;
constexpr uint16_t kMagic = 474;
// A short file may miss this much of its data (the rest stays 0); run-length
// rows expand at most 126 times over their packets' bytes.
constexpr uint64_t kMissingDataSlack = 64ull << 20;
constexpr uint64_t kRleExpansion = 128;
// Packets hold at most this many samples.
constexpr uint32_t kMaxPacket = 126;

void Put16BE(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)(v >> 8);
    p[1] = (uint8_t)v;
}
void Put32BE(uint8_t* p, uint32_t v) {
    Put16BE(p, v >> 16);
    Put16BE(p + 2, v);
}

// Byte of a pixel that channel z fills (0 red, 1 green, 2 blue, 3 alpha).
constexpr int kChannelByte[4] = {2, 1, 0, 3};

// Decodes one run-length row from packed (size bytes) into row (width bytes);
// packets that run past the width are cut there.
void DecodeRleRow(const uint8_t* packed, size_t size, uint8_t* row, uint32_t width) {
    size_t in = 0;
    uint32_t x = 0;
    while (x < width && in < size) {
        const uint8_t code = packed[in++];
        const uint32_t n = code & 0x7F;
        if (n == 0) break;
        if (code & 0x80) {
            const uint32_t copy = (uint32_t)std::min<size_t>({n, width - x, size - in});
            std::memcpy(row + x, packed + in, copy);
            in += n;
            x += copy;
        } else {
            if (in >= size) break;
            const uint8_t value = packed[in++];
            const uint32_t fill = std::min(n, width - x);
            std::memset(row + x, value, fill);
            x += fill;
        }
    }
}

ReadStatus ReadSgi(CImage& image, const wchar_t* path, wchar_t* errorText) {
    if (!CanOpenForRead(path, errorText)) return false;
    CBinFile file;
    if (!file.Open(path, BINFILE_READ | BINFILE_SHARE_READ)) {
        SetFormatError(errorText, L"Failed to open file for read!");
        return false;
    }
    const uint64_t fileLength = file.GetLength();
    uint8_t head[kHeaderBytes] = {};
    const uint32_t got = file.Read(head, kHeaderBytes);
    ByteReader fields(head, sizeof head);  // zeros where the file is shorter
    if (got < 12 || fields.U16BEAt(0) != kMagic) return NotThisFormat(errorText);
    const bool rle = head[2] != 0;
    if (head[3] == 2) {
        SetFormatError(errorText, kTextWord);
        return false;
    }
    const uint32_t width = fields.U16BEAt(6);
    const uint32_t height = fields.U16BEAt(8);
    const uint32_t channels = std::max<uint32_t>(fields.U16BEAt(10), 1);
    // Two channels are grey and alpha: only the grey plane is shown.
    const uint32_t used = channels == 2 ? 1 : std::min<uint32_t>(channels, 4);
    const int bpp = (int)(8 * used);
    const uint64_t stride = CImage::RowBytes(width, bpp);
    const uint64_t imageBytes = stride * height;
    if (head[3] != 1 || width == 0 || height == 0 || !stride || imageBytes > CImage::kMaxImageBytes) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }

    const uint64_t rows = (uint64_t)height * channels;
    std::vector<uint32_t> starts;
    if (rle) {
        // The start table (the length table after it is not needed).
        if (kHeaderBytes + rows * 8 > fileLength ||
            imageBytes > (fileLength - kHeaderBytes) * kRleExpansion + kMissingDataSlack) {
            SetFormatError(errorText, kTextTooShort);
            return false;
        }
        std::vector<uint8_t> table((size_t)rows * 4);
        file.Seek(kHeaderBytes, FILE_BEGIN);
        if (file.Read(table.data(), (uint32_t)table.size()) != table.size()) {
            SetFormatError(errorText, kTextTooShort);
            return false;
        }
        starts.resize((size_t)rows);
        ByteReader entries(table.data(), table.size());
        for (uint32_t& start : starts) start = entries.U32BE();
    } else if ((uint64_t)width * height * used >
               (fileLength - std::min<uint64_t>(fileLength, kHeaderBytes)) + kMissingDataSlack) {
        SetFormatError(errorText, kTextTooShort);
        return false;
    }

    uint8_t ramp[256 * 3];
    FillGreyPalette(ramp, 256);
    if (!image.CreateEmpty((int)width, (int)height, bpp, RGB(0, 0, 0), used == 1 ? ramp : nullptr) ||
        !image.ScanLine(0)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    if (used == 1) std::memset(image.bits, 0, (size_t)imageBytes);

    std::vector<uint8_t> row(((size_t)width + 3) & ~(size_t)3);
    // A run-length row takes at most two bytes a sample and its terminator.
    std::vector<uint8_t> packed(rle ? (size_t)width * 2 + 2 : 0);
    const int pixelBytes = bpp / 8;
    for (uint32_t z = 0; z < used; ++z) {
        for (uint32_t y = 0; y < height; ++y) {
            std::fill(row.begin(), row.end(), 0);
            if (rle) {
                const uint64_t start = starts[(size_t)z * height + y];
                if (start >= fileLength) continue;
                const uint32_t size = (uint32_t)std::min<uint64_t>(packed.size(), fileLength - start);
                if (file.Seek((int64_t)start, FILE_BEGIN) != start) continue;
                const uint32_t read = file.Read(packed.data(), size);
                DecodeRleRow(packed.data(), read, row.data(), width);
            } else {
                const uint64_t at = kHeaderBytes + ((uint64_t)z * height + y) * width;
                if (at >= fileLength) break;
                if (file.Seek((int64_t)at, FILE_BEGIN) != at) break;
                file.Read(row.data(), width);
            }
            uint8_t* out = image.ScanLine(y);
            if (used == 1) {
                std::memcpy(out, row.data(), width);
            } else {
                out += kChannelByte[z];
                for (uint32_t x = 0; x < width; ++x, out += pixelBytes) *out = row[x];
            }
        }
    }
    return true;
}

// Run-length packets of one row: literal packets up to where three equal
// samples start, then that run as repeat packets; a 0 byte ends the row.
void EncodeRleRow(const uint8_t* samples, uint32_t count, std::vector<uint8_t>& out) {
    out.clear();
    uint32_t i = 0;
    while (i < count) {
        uint32_t runStart = i;
        while (runStart + 2 < count &&
               !(samples[runStart] == samples[runStart + 1] && samples[runStart] == samples[runStart + 2]))
            ++runStart;
        if (runStart + 2 >= count) runStart = count;  // no run of three before the end
        while (i < runStart) {
            const uint32_t n = std::min(kMaxPacket, runStart - i);
            out.push_back((uint8_t)(0x80 | n));
            out.insert(out.end(), samples + i, samples + i + n);
            i += n;
        }
        if (i >= count) break;
        uint32_t runEnd = i + 1;
        while (runEnd < count && samples[runEnd] == samples[i]) ++runEnd;
        while (i < runEnd) {
            const uint32_t n = std::min(kMaxPacket, runEnd - i);
            out.push_back((uint8_t)n);
            out.push_back(samples[i]);
            i += n;
        }
    }
    out.push_back(0);
}

uint64_t HashBytes(const std::vector<uint8_t>& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

// The run-length rows written so far, found by the hash of their packets:
// equal samples give equal packets, so a row equal to one already stored
// reuses that one's offset and length.
class RowStore {
public:
    // The stored row with these packets, or null.
    const std::pair<uint32_t, uint32_t>* Find(const std::vector<uint8_t>& packed, uint64_t hash) const {
        auto range = index_.equal_range(hash);
        for (auto it = range.first; it != range.second; ++it) {
            const Entry& e = entries_[it->second];
            if (e.place.second == packed.size() && std::memcmp(&pool_[e.poolOffset], packed.data(), packed.size()) == 0)
                return &e.place;
        }
        return nullptr;
    }
    void Add(const std::vector<uint8_t>& packed, uint64_t hash, uint32_t offset) {
        entries_.push_back(Entry{pool_.size(), {offset, (uint32_t)packed.size()}});
        pool_.insert(pool_.end(), packed.begin(), packed.end());
        index_.emplace(hash, entries_.size() - 1);
    }

private:
    struct Entry {
        size_t poolOffset;
        std::pair<uint32_t, uint32_t> place;  // offset, length
    };
    std::vector<uint8_t> pool_;
    std::vector<Entry> entries_;
    std::unordered_multimap<uint64_t, size_t> index_;
};

}  // namespace

ReadStatus LoadSgi(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    try {
        return ReadSgi(image, path, errorText);
    } catch (...) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
}

bool SaveSgi(const wchar_t* path, CImage& image, wchar_t* errorText, int compression) {
    if (!image.IsValid() || !image.ScanLine(0)) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }
    const uint32_t width = image.GetWidth(), height = image.GetHeight();
    if (width > 0xFFFF || height > 0xFFFF) {
        SetFormatError(errorText, kTextTooLarge);
        return false;
    }
    if (compression < 0 || compression > 2) compression = 1;
    const uint32_t channels = image.GetBpp() == 32 ? 4 : 3;
    const int pixelBytes = (int)channels;

    // The pixels at 24 or 32 bits, bottom row first.
    std::unique_ptr<uint8_t, decltype(&std::free)> converted(nullptr, &std::free);
    const uint8_t* pixels = nullptr;
    if (image.GetBpp() == 24 || image.GetBpp() == 32) {
        GdiFlush();
        pixels = image.bits;
    } else {
        converted.reset(image.GetBits(24));
        pixels = converted.get();
    }
    if (!pixels) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    const size_t stride = CImage::RowBytes(width, 8 * pixelBytes);

    uint8_t head[kHeaderBytes] = {};
    Put16BE(head, kMagic);
    head[2] = compression ? 1 : 0;
    head[3] = 1;
    Put16BE(head + 4, 3);
    Put16BE(head + 6, width);
    Put16BE(head + 8, height);
    Put16BE(head + 10, channels);
    Put32BE(head + 16, 255);

    OutputFile out;
    if (!out.Open(path)) {
        SetFormatError(errorText, kTextCreate);
        return false;
    }
    out.Write(head, kHeaderBytes);
    std::vector<uint8_t> samples(width);
    auto gather = [&](uint32_t y, uint32_t z) {
        const uint8_t* in = pixels + (size_t)y * stride + kChannelByte[z];
        for (uint32_t x = 0; x < width; ++x, in += pixelBytes) samples[x] = *in;
    };

    if (!compression) {
        for (uint32_t z = 0; z < channels && out.Ok(); ++z)
            for (uint32_t y = 0; y < height && out.Ok(); ++y) {
                gather(y, z);
                out.Write(samples.data(), width);
            }
    } else {
        const size_t rows = (size_t)height * channels;
        std::vector<uint32_t> starts(rows), lengths(rows);
        std::vector<uint8_t> tables(rows * 8);
        out.Write(tables.data(), tables.size());  // filled in at the end
        std::vector<uint8_t> packed;
        RowStore store;
        bool fits = true;
        for (uint32_t y = 0; y < height && out.Ok() && fits; ++y) {
            for (uint32_t z = 0; z < channels && fits; ++z) {
                gather(y, z);
                EncodeRleRow(samples.data(), width, packed);
                const size_t entry = (size_t)z * height + y;
                const uint64_t hash = compression == 2 ? HashBytes(packed) : 0;
                if (compression == 2) {
                    if (const auto* stored = store.Find(packed, hash)) {
                        starts[entry] = stored->first;
                        lengths[entry] = stored->second;
                        continue;
                    }
                }
                if (out.Position() + packed.size() > 0xFFFFFFFFull) {
                    fits = false;
                    break;
                }
                starts[entry] = (uint32_t)out.Position();
                lengths[entry] = (uint32_t)packed.size();
                if (compression == 2) store.Add(packed, hash, starts[entry]);
                out.Write(packed.data(), packed.size());
            }
        }
        if (!fits) {
            SetFormatError(errorText, L"Image too large for an SGI File!");
            return false;
        }
        for (size_t i = 0; i < rows; ++i) {
            Put32BE(&tables[i * 4], starts[i]);
            Put32BE(&tables[(rows + i) * 4], lengths[i]);
        }
        out.Seek(kHeaderBytes);
        out.Write(tables.data(), tables.size());
    }
    if (!out.Finish()) {
        SetFormatError(errorText, kTextWrite);
        return false;
    }
    return true;
}

bool SaveSgi(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options) {
    return SaveSgi(path, image, errorText, options.sgiCompression);
}
