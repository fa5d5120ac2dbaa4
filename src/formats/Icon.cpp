// Icons, cursors and animated cursors. Every image of an icon file is a page:
// a bitmap entry (a 40-byte BITMAPINFOHEADER of twice the picture height, the
// colour table, the XOR rows and the AND mask) or a PNG stream, which goes to
// the PNG reader. An animated cursor is a RIFF file whose frames are whole
// icon files; a frame is copied to a "qrv" temporary file and read as an icon.
//
// Every offset and size taken from a file is checked against the file's length
// before anything is read or allocated with it.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "formats/ByteReader.h"
#include "formats/FormatCodecs.h"
#include "formats/Png.h"
#include "formats/StdioFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr wchar_t kTextOpen[] = L"Failed to open the file!";
constexpr wchar_t kTextNoPages[] = L"No Pages in this File?!?";
constexpr wchar_t kTextPageRange[] = L"Desired Page not in valid Pagerange!";
constexpr wchar_t kTextMemory[] = L"Insufficient Memory for storing imagedata!";
constexpr wchar_t kTextBadEntry[] = L"Invalid icon image data!";
constexpr wchar_t kTextNoAniHeader[] = L"No valid Animated Cursor Header found.";
constexpr wchar_t kTextAniFormat[] = L"Unknown Animation Format.";
constexpr wchar_t kTextNoFrames[] = L"No Frames in this file?!";
constexpr wchar_t kTextFrameRange[] = L"Desired Page not in Range!";
constexpr wchar_t kTextNoIconTag[] = L"Iconpage not found!";
constexpr wchar_t kTextIconData[] = L"Unable to load IconData!";
constexpr wchar_t kTextTemporary[] = L"Unable to create a temporary file!";

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr uint32_t kBitmapHeaderBytes = 40;
constexpr uint32_t kAniHeaderBytes = 36;

bool ReadAt(FILE* file, uint64_t offset, void* out, size_t count) {
    return _fseeki64(file, (int64_t)offset, SEEK_SET) == 0 && std::fread(out, 1, count, file) == count;
}

uint64_t FileLength(FILE* file) {
    if (_fseeki64(file, 0, SEEK_SET) != 0) return 0;
    return BytesLeft(file);
}

// The icon header: reserved, type, count. False when it is not an icon file
// (reserved non-zero and a type that is neither icon nor cursor, or too short).
bool ReadIconHeader(FILE* file, uint16_t& count) {
    uint8_t head[6];
    if (!ReadAt(file, 0, head, sizeof head)) return false;
    ByteReader fields(head, sizeof head);
    const uint16_t reserved = fields.U16LE();
    const uint16_t type = fields.U16LE();
    count = fields.U16LE();
    return !(reserved != 0 && type != 1 && type != 2);
}

// What an entry's own header says of its picture.
struct IconEntry {
    uint64_t offset = 0;
    bool usable = false;  // a picture this reader can decode
    bool png = false;
    uint32_t width = 0, height = 0;
    int bits = 0;
    // Bitmap entries: bytes of the colour table, the XOR rows and the mask rows.
    uint64_t paletteBytes = 0, xorBytes = 0, maskBytes = 0;
};

// Reads entry `index` of the directory and the header at its offset. A PNG
// entry is sized from its IHDR chunk; a bitmap entry needs a 40-byte header,
// an even (doubled) height, 1, 4, 8, 24 or 32 bits and its colour table and
// XOR rows inside the file.
bool ReadIconEntry(FILE* file, uint64_t length, uint32_t index, IconEntry& entry) {
    uint8_t dir[16];
    if (!ReadAt(file, 6 + (uint64_t)index * 16, dir, sizeof dir)) return false;
    ByteReader dirFields(dir, sizeof dir);
    entry = IconEntry{};
    entry.offset = dirFields.U32LEAt(12);
    uint8_t head[kBitmapHeaderBytes] = {};
    if (entry.offset >= length ||
        !ReadAt(file, entry.offset, head, (size_t)std::min<uint64_t>(sizeof head, length - entry.offset)))
        return true;  // listed, but nothing to decode
    ByteReader fields(head, sizeof head);
    if (std::memcmp(head, kPngSignature, sizeof kPngSignature) == 0) {
        entry.png = true;
        if (std::memcmp(head + 12, "IHDR", 4) != 0) return true;
        entry.width = fields.U32BEAt(16);
        entry.height = fields.U32BEAt(20);
        const int depth = head[24];
        int channels = 0;
        switch (head[25]) {
        case 0:
        case 3: channels = 1; break;
        case 2: channels = 3; break;
        case 4: channels = 2; break;
        case 6: channels = 4; break;
        default: channels = 0;
        }
        entry.bits = depth * channels;
        entry.usable = entry.width && entry.height && entry.bits && entry.width < 0x80000000u &&
                       entry.height < 0x80000000u && length - entry.offset >= 33;
        return true;
    }
    if (length - entry.offset < kBitmapHeaderBytes || fields.U32LEAt(0) != kBitmapHeaderBytes) return true;
    const int32_t width = (int32_t)fields.U32LEAt(4);
    const int32_t doubled = (int32_t)fields.U32LEAt(8);
    const int bits = fields.U16LEAt(14);
    if (width <= 0 || doubled == 0 || doubled == INT32_MIN || (doubled & 1)) return true;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return true;
    entry.width = (uint32_t)width;
    entry.height = (uint32_t)(doubled < 0 ? -(int64_t)doubled : doubled) / 2;
    entry.bits = bits;
    const uint64_t stride = CImage::RowBytes(entry.width, bits);
    if (!stride) return true;
    entry.paletteBytes = bits <= 8 ? 4ull << bits : 0;
    entry.xorBytes = stride * entry.height;
    entry.maskBytes = (uint64_t)((entry.width + 31) / 32) * 4 * entry.height;
    entry.usable = entry.xorBytes <= CImage::kMaxImageBytes &&
                   entry.offset + kBitmapHeaderBytes + entry.paletteBytes + entry.xorBytes <= length;
    return true;
}

// Applies the AND mask of a 4- or 8-bit page (see LoadIconPage). True when a
// transparent index was picked.
bool ApplyPaletteMask(CImage& image, const std::vector<uint8_t>& mask, uint32_t maskStride, COLORREF background) {
    const uint32_t w = image.GetWidth(), h = image.GetHeight();
    const bool eightBits = image.GetBpp() == 8;
    bool picked = false;
    uint8_t t = 0;
    for (uint32_t row = 0; row < h; ++row) {
        const uint8_t* m = &mask[(size_t)row * maskStride];
        // After the pick, a 16-colour page looks only at each later row's first pixel.
        const uint32_t last = picked && !eightBits ? 1 : w;
        for (uint32_t x = 0; x < last; ++x) {
            if (!(m[x / 8] & (0x80 >> (x % 8)))) continue;
            if (!picked) {
                t = image.GetPixelIndex(x, row);
                picked = true;
                if (!eightBits) break;
                continue;
            }
            image.SetPixelIndex(x, row, t);
        }
    }
    if (!picked) return false;
    // Every pixel of the picked entry's old colour shows the background, which
    // becomes that entry's colour.
    uint8_t old[256][3];
    std::memcpy(old, image.palette, sizeof old);
    const int entries = 1 << image.GetBpp();
    for (uint32_t row = 0; row < h; ++row)
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t i = image.GetPixelIndex(x, row);
            if (i != t && std::memcmp(old[i], old[t], 3) == 0) image.SetPixelIndex(x, row, t);
        }
    RGBQUAD quads[256] = {};
    for (int i = 0; i < entries; ++i) {
        quads[i].rgbBlue = old[i][0];
        quads[i].rgbGreen = old[i][1];
        quads[i].rgbRed = old[i][2];
    }
    quads[t].rgbRed = GetRValue(background);
    quads[t].rgbGreen = GetGValue(background);
    quads[t].rgbBlue = GetBValue(background);
    image.SetPalette(quads, entries);
    image.hasTransparency = 1;
    image.transparentIndex = t;
    image.transparentColor = background;
    return true;
}

ReadStatus DecodeBitmapEntry(CImage& image, FILE* file, const IconEntry& entry, COLORREF background,
                             wchar_t* errorText) {
    uint8_t rgb[256 * 3] = {};
    if (entry.paletteBytes) {
        uint8_t quads[256 * 4];
        if (!ReadAt(file, entry.offset + kBitmapHeaderBytes, quads, (size_t)entry.paletteBytes)) {
            SetFormatError(errorText, kTextBadEntry);
            return false;
        }
        for (uint64_t i = 0; i < entry.paletteBytes / 4; ++i) {
            rgb[i * 3] = quads[i * 4 + 2];
            rgb[i * 3 + 1] = quads[i * 4 + 1];
            rgb[i * 3 + 2] = quads[i * 4];
        }
    }
    if (!image.CreateEmpty((int)entry.width, (int)entry.height, entry.bits, background, rgb) || !image.ScanLine(0) ||
        (uint64_t)image.stride * image.height != entry.xorBytes) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    // Both the file's rows and the image's are bottom-up with 4-byte rows.
    if (!ReadAt(file, entry.offset + kBitmapHeaderBytes + entry.paletteBytes, image.bits, (size_t)entry.xorBytes)) {
        SetFormatError(errorText, kTextBadEntry);
        return false;
    }
    std::vector<uint8_t> mask((size_t)entry.maskBytes);
    const bool maskWhole = !mask.empty() && std::fread(mask.data(), 1, mask.size(), file) == mask.size();
    if (!maskWhole || entry.bits == 1 || std::all_of(mask.begin(), mask.end(), [](uint8_t b) { return b == 0xFF; }))
        return true;
    const uint32_t maskStride = (entry.width + 31) / 32 * 4;
    if (entry.bits <= 8) {
        ApplyPaletteMask(image, mask, maskStride, background);
        return true;
    }
    const int pixelBytes = entry.bits / 8;
    for (uint32_t row = 0; row < entry.height; ++row) {
        uint8_t* line = image.ScanLine(row);
        const uint8_t* m = &mask[(size_t)row * maskStride];
        for (uint32_t x = 0; x < entry.width; ++x) {
            if (!(m[x / 8] & (0x80 >> (x % 8)))) continue;
            uint8_t* p = line + (size_t)x * pixelBytes;
            p[0] = GetBValue(background);
            p[1] = GetGValue(background);
            p[2] = GetRValue(background);
        }
    }
    return true;
}

// Finds the next occurrence of a four-character tag, reading on from the
// stream's position; the position ends just after the tag.
bool FindRiffTag(FILE* file, const char* tag) {
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        if (c != (unsigned char)tag[0]) continue;
        char rest[3];
        if (std::fread(rest, 1, 3, file) != 3) return false;
        if (std::memcmp(rest, tag + 1, 3) == 0) return true;
    }
    return false;
}

struct AniHeader {
    uint32_t frames = 0, rate = 0, flags = 0;
};

// Reads the "anih" header; false with the text when there is none or it is
// not one of icon frames.
bool ReadAniHeader(FILE* file, AniHeader& header, wchar_t* errorText) {
    if (_fseeki64(file, 0, SEEK_SET) != 0 || !FindRiffTag(file, "anih")) {
        SetFormatError(errorText, kTextNoAniHeader);
        return false;
    }
    uint8_t bytes[4 + kAniHeaderBytes];
    if (std::fread(bytes, 1, sizeof bytes, file) != sizeof bytes) {
        SetFormatError(errorText, kTextNoAniHeader);
        return false;
    }
    ByteReader fields(bytes, sizeof bytes);
    header.frames = fields.U32LEAt(8);
    header.rate = fields.U32LEAt(4 + 28);
    header.flags = fields.U32LEAt(4 + 32);
    if (!(header.flags & 1)) {
        SetFormatError(errorText, kTextAniFormat);
        return false;
    }
    if (header.frames == 0) {
        SetFormatError(errorText, kTextNoFrames);
        return false;
    }
    return true;
}

// A temporary file that is deleted when it goes out of scope.
class TemporaryFile {
public:
    bool Make() {
        wchar_t folder[MAX_PATH];
        const DWORD n = GetTempPathW(MAX_PATH, folder);
        made_ = n && n < MAX_PATH && GetTempFileNameW(folder, L"qrv", 0, path_);
        return made_;
    }
    ~TemporaryFile() {
        if (made_) DeleteFileW(path_);
    }
    const wchar_t* Path() const { return path_; }

private:
    wchar_t path_[MAX_PATH] = {};
    bool made_ = false;
};

// The icon page count of an open icon file; -1 when it is not one.
int IconPageCount(const wchar_t* path) {
    StdioFile file = OpenStdioForRead(path);
    uint16_t count = 0;
    if (!file || !ReadIconHeader(file.get(), count)) return -1;
    return count;
}

}  // namespace

ReadStatus LoadIconPage(CImage& image, const wchar_t* path, int page, wchar_t* errorText, COLORREF background) {
    StdioFile file = OpenStdioForRead(path);
    if (!file) {
        SetFormatError(errorText, kTextOpen);
        return false;
    }
    uint16_t count = 0;
    if (!ReadIconHeader(file.get(), count)) return NotThisFormat(errorText);
    if (count == 0) {
        SetFormatError(errorText, kTextNoPages);
        return false;
    }
    if (page < 0 || page >= count) {
        SetFormatError(errorText, kTextPageRange);
        return false;
    }
    const uint64_t length = FileLength(file.get());
    IconEntry entry;
    if (!ReadIconEntry(file.get(), length, (uint32_t)page, entry) || !entry.usable) {
        SetFormatError(errorText, kTextBadEntry);
        return false;
    }
    if (entry.png) {
        if (_fseeki64(file.get(), (int64_t)entry.offset, SEEK_SET) != 0) {
            SetFormatError(errorText, kTextBadEntry);
            return false;
        }
        const ReadStatus status = ReadPngStream(image, file.get(), length - entry.offset, background, errorText);
        if (status.IsNotThisFormat()) {
            SetFormatError(errorText, kTextBadEntry);
            return false;
        }
        return status;
    }
    return DecodeBitmapEntry(image, file.get(), entry, background, errorText);
}

int ChooseIconPage(const wchar_t* path) {
    StdioFile file = OpenStdioForRead(path);
    uint16_t count = 0;
    if (!file || !ReadIconHeader(file.get(), count) || count < 2) return 0;
    const uint64_t length = FileLength(file.get());
    std::vector<IconEntry> entries(count);
    for (uint32_t i = 0; i < count; ++i)
        if (!ReadIconEntry(file.get(), length, i, entries[i])) entries[i].usable = false;
    int chosen = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const IconEntry& small = entries[i];
        if (!small.usable) continue;
        for (uint32_t k = 0; k < count; ++k) {
            const IconEntry& big = entries[k];
            if (big.usable && big.width > small.width && big.height > small.height && big.bits >= small.bits) {
                chosen = (int)k;
                break;
            }
        }
    }
    return chosen;
}

ReadStatus LoadIcon(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    if (!CanOpenForRead(path, errorText)) return false;
    const COLORREF background = call.request.background;
    if (call.request.purpose != LoadPurpose::View)
        return LoadIconPage(image, path, ChooseIconPage(path), errorText, background);
    const ReadStatus status = LoadIconPage(image, path, 0, errorText, background);
    if (!status || call.request.Quiet()) return status;
    const int pages = IconPageCount(path);
    call.result.ShowPages(ANIM_KIND_ICO, pages);
    return true;
}

ReadStatus LoadAniFrame(CImage& image, const wchar_t* path, int frame, wchar_t* errorText, bool chosenPage,
                        COLORREF background) {
    std::vector<uint8_t> icon;
    {
        StdioFile file = OpenStdioForRead(path);
        if (!file) {
            SetFormatError(errorText, kTextOpen);
            return false;
        }
        char riff[4];
        if (std::fread(riff, 1, 4, file.get()) != 4 || std::memcmp(riff, "RIFF", 4) != 0)
            return NotThisFormat(errorText);
        AniHeader header;
        if (!ReadAniHeader(file.get(), header, errorText)) return false;
        if (frame < 0 || (uint32_t)frame >= header.frames) {
            SetFormatError(errorText, kTextFrameRange);
            return false;
        }
        if (_fseeki64(file.get(), 0, SEEK_SET) != 0) {
            SetFormatError(errorText, kTextNoIconTag);
            return false;
        }
        for (int n = 0; n <= frame; ++n)
            if (!FindRiffTag(file.get(), "icon")) {
                SetFormatError(errorText, kTextNoIconTag);
                return false;
            }
        uint8_t sizeBytes[4];
        if (std::fread(sizeBytes, 1, 4, file.get()) != 4) {
            SetFormatError(errorText, kTextNoIconTag);
            return false;
        }
        const uint32_t size = ByteReader(sizeBytes, 4).U32LEAt(0);
        // The frame must lie inside the file: a size read from it is never trusted.
        if (size == 0 || size > BytesLeft(file.get())) {
            SetFormatError(errorText, kTextIconData);
            return false;
        }
        icon.resize(size);
        if (std::fread(icon.data(), 1, size, file.get()) != size) {
            SetFormatError(errorText, kTextIconData);
            return false;
        }
    }
    TemporaryFile temporary;
    if (!temporary.Make()) {
        SetFormatError(errorText, kTextTemporary);
        return false;
    }
    {
        StdioFile out(_wfopen(temporary.Path(), L"wb"));
        const bool written =
            out && std::fwrite(icon.data(), 1, icon.size(), out.get()) == icon.size() && std::fflush(out.get()) == 0;
        if (!written) {
            SetFormatError(errorText, kTextTemporary);
            return false;
        }
    }
    const int page = chosenPage ? ChooseIconPage(temporary.Path()) : 0;
    const ReadStatus status = LoadIconPage(image, temporary.Path(), page, errorText, background);
    // A frame that is not an icon is a broken animated cursor, not another format.
    if (status.IsNotThisFormat()) return false;
    return status;
}

ReadStatus LoadAni(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    if (!CanOpenForRead(path, errorText)) return false;
    const bool view = call.request.purpose == LoadPurpose::View;
    const ReadStatus status = LoadAniFrame(image, path, 0, errorText, !view, call.request.background);
    if (!status || call.request.Quiet()) return status;
    StdioFile file = OpenStdioForRead(path);
    AniHeader header;
    wchar_t ignored[FORMAT_ERROR_CHARS];
    if (!file || !ReadAniHeader(file.get(), header, ignored)) return true;
    if (header.frames > 1) {
        AnimationFrameTables& tables = call.result.NewFrames();
        tables.kind = ANIM_KIND_ANI;
        tables.frameCount = (int)std::min<uint32_t>(header.frames, 0x7FFFFFFF);
        tables.loop = true;
        tables.singleDelay = true;
        tables.SetFrameDelay(0, (int)std::min<uint64_t>((uint64_t)header.rate * 25, 0x7FFFFFFF));
        call.result.showFrames = true;
        call.result.playFrames = true;
    }
    return true;
}
