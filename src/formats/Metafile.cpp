// Windows metafiles (enhanced, placeable and plain Windows 3.x) and the
// previews of binary EPS files, rendered by GDI into 24-bit images.
//
// GDI trusts the sizes and counts inside a metafile, so every metafile is
// walked record by record first (CheckWindowsMetafile, CheckEnhancedMetafile)
// and handed over only when each record lies inside the bytes. Offsets and
// lengths of EPS sections are checked against the file before they are used.
#include "formats/Metafile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "formats/FormatCodecs.h"
#include "formats/Tiff.h"
#include "image/BinFile.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr wchar_t kTextOpen[] = L"Unable to open file!";
constexpr wchar_t kTextMapEmf[] = L"EMF: MapFileReadOnly failed";
constexpr wchar_t kTextMapEps[] = L"EPS: MapFileReadOnly failed";
constexpr wchar_t kTextEmf[] = L"Unable to load Enhanced Metafile (EMF)";
constexpr wchar_t kTextApm[] = L"Unable to load Aldus Placable Metafile (APM)";
constexpr wchar_t kTextWmf[] = L"Unable to load Windows 3.x Metafile";
constexpr wchar_t kTextHeader[] = L"Unable to load Metafile Header!";
constexpr wchar_t kTextMemory[] = L"Unable to allocate Memory for storing Imagedata!";
constexpr wchar_t kTextSize[] = L"Invalid Width/Height found!";
constexpr wchar_t kTextEpsOpen[] = L"EPS: Failed to open file!";
constexpr wchar_t kTextNoPreview[] = L"No valid Preview Image found!";

constexpr uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr uint32_t kPlaceableBytes = 22;
constexpr uint32_t kWmfHeaderBytes = 18;
constexpr uint32_t kEpsHeaderBytes = 32;
constexpr uint8_t kEpsMagic[4] = {0xC5, 0xD0, 0xD3, 0xC6};
// A rendered picture is never larger than this on either side, nor has it
// more pixels than kMaxPixels (playing a damaged frame's size would take long).
constexpr double kMaxSide = 1 << 15;
constexpr uint64_t kMaxPixels = 64ull << 20;

uint16_t Get16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
int32_t GetI32(const uint8_t* p) { return (int32_t)Get32(p); }

// Bytes a device-independent bitmap (header, colour table, rows) needs when
// its header lies at dib with headerRoom bytes available for header and colour
// table; bitsRoom bytes are available for the rows (the rows follow the table
// when bitsRoom is UINT64_MAX: they then share headerRoom). False when the
// header or the rows do not fit. paletteIndices: 2-byte colour-table entries.
bool DibFits(const uint8_t* dib, uint64_t headerRoom, uint64_t bitsRoom, bool paletteIndices) {
    if (headerRoom < 12) return false;
    const uint32_t headerBytes = Get32(dib);
    uint64_t width, height;
    uint32_t bitCount, compression = 0, clrUsed = 0, sizeImage = 0;
    if (headerBytes == 12) {
        width = Get16(dib + 4);
        height = Get16(dib + 6);
        bitCount = Get16(dib + 10);
    } else {
        if (headerBytes < 40 || headerBytes > headerRoom) return false;
        const int32_t w = GetI32(dib + 4), h = GetI32(dib + 8);
        width = (uint64_t)(w < 0 ? -(int64_t)w : w);
        height = (uint64_t)(h < 0 ? -(int64_t)h : h);
        bitCount = Get16(dib + 14);
        compression = Get32(dib + 16);
        sizeImage = Get32(dib + 20);
        clrUsed = Get32(dib + 32);
    }
    if (headerBytes > headerRoom) return false;
    uint64_t entries = clrUsed ? clrUsed : (bitCount <= 8 ? 1ull << bitCount : 0);
    if (headerBytes == 12 && bitCount > 8) entries = 0;
    const uint64_t entryBytes = paletteIndices ? 2 : headerBytes == 12 ? 3 : 4;
    uint64_t table = entries * entryBytes;
    if (compression == 3 && headerBytes == 40) table += 12;  // bit-field masks
    if (compression == 6 && headerBytes == 40) table += 16;  // with alpha
    const uint64_t tableEnd = headerBytes + table;
    if (tableEnd > headerRoom) return false;
    uint64_t rows;
    if (compression == 0 || compression == 3 || compression == 6) {
        if (width > 0xFFFFFFu || height > 0xFFFFFFu || bitCount > 64) return false;
        rows = ((width * bitCount + 31) / 32) * 4 * height;
    } else {
        rows = sizeImage;  // run-length or embedded JPEG/PNG data
    }
    const uint64_t room = bitsRoom == UINT64_MAX ? headerRoom - tableEnd : bitsRoom;
    return rows <= room;
}

// Windows 3.x metafile records that carry counts or bitmaps.
constexpr uint16_t kMetaPolygon = 0x0324, kMetaPolyline = 0x0325, kMetaPolyPolygon = 0x0538;
constexpr uint16_t kMetaDibBitBlt = 0x0940, kMetaDibStretchBlt = 0x0B41, kMetaStretchDib = 0x0F43,
                   kMetaSetDibToDev = 0x0D33, kMetaDibCreatePatternBrush = 0x0142;

// The record functions a Windows metafile may hold, with the fewest parameter
// words each takes. Anything else is not handed to GDI.
struct WmfFunction {
    uint16_t function;
    uint16_t minWords;
};
constexpr WmfFunction kWmfFunctions[] = {
    {0x0035, 0},  {0x0037, 2}, {0x0102, 1}, {0x0103, 1}, {0x0104, 1},  {0x0105, 1},  {0x0106, 1}, {0x0107, 1},
    {0x0108, 1},  {0x0127, 1}, {0x0139, 1}, {0x0142, 2}, {0x0149, 2},  {0x0201, 2},  {0x0209, 2}, {0x0211, 2},
    {0x0213, 2},  {0x0214, 2}, {0x0220, 2}, {0x0228, 2}, {0x0231, 2},  {0x0234, 1},  {0x0324, 1}, {0x0325, 1},
    {0x020A, 2},  {0x020B, 2}, {0x020C, 2}, {0x020D, 2}, {0x020E, 2},  {0x020F, 2},  {0x0410, 4}, {0x0412, 4},
    {0x0415, 4},  {0x0416, 4}, {0x0418, 4}, {0x0419, 4}, {0x0429, 4},  {0x0436, 2},  {0x0521, 3}, {0x0538, 1},
    {0x0548, 5},  {0x041B, 4}, {0x041F, 4}, {0x061C, 6}, {0x061D, 6},  {0x001E, 0},  {0x081A, 8}, {0x0B23, 10},
    {0x0626, 2},  {0x012A, 1}, {0x012B, 1}, {0x012C, 1}, {0x012D, 1},  {0x012E, 1},  {0x0817, 8}, {0x0830, 8},
    {0x0922, 8},  {0x0A32, 4}, {0x0D33, 9}, {0x0940, 8}, {0x0B41, 10}, {0x0F43, 11}, {0x01F0, 1}, {0x00F7, 2},
    {0x01F9, 14}, {0x02FA, 5}, {0x02FB, 9}, {0x02FC, 4}, {0x06FF, 11},
};

// A 16-bit device-dependent bitmap (type, width, height, bytes a row, planes
// and bits a pixel) at word `at`, its bits `skip` words behind its header.
bool Bitmap16Fits(const uint8_t* params, uint64_t words, uint64_t at, uint64_t skip) {
    if (at + 5 + skip > words) return false;
    const uint64_t height = Get16(params + (at + 2) * 2), rowBytes = Get16(params + (at + 3) * 2);
    return height * rowBytes <= (words - at - 5 - skip) * 2;
}

// Records that name objects of the metafile's object table: the parameter
// words holding the indices.
struct WmfObjectUse {
    uint16_t function;
    uint8_t first, count;
};
constexpr WmfObjectUse kWmfObjectUses[] = {
    {0x012D, 0, 1}, {0x01F0, 0, 1}, {0x0234, 0, 1}, {0x012C, 0, 1},
    {0x012A, 0, 1}, {0x012B, 0, 1}, {0x0228, 0, 2}, {0x0429, 2, 2},  // FRAMEREGION: height, width, brush, region
};

// True when every object a record names lies inside the object table of
// `objects` entries (GDI indexes its table with them unchecked).
bool WmfObjectsInside(uint16_t function, const uint8_t* params, uint64_t paramBytes, uint32_t objects) {
    for (const WmfObjectUse& use : kWmfObjectUses) {
        if (use.function != function) continue;
        for (uint32_t i = use.first; i < (uint32_t)use.first + use.count; ++i)
            if ((uint64_t)i * 2 + 2 > paramBytes || Get16(params + i * 2) >= objects) return false;
    }
    return true;
}

// The parameters of one record (words after the size and function fields).
bool WmfRecordFits(uint16_t function, const uint8_t* params, uint64_t paramBytes) {
    auto word = [&](uint64_t i) { return i * 2 + 2 <= paramBytes ? Get16(params + i * 2) : 0xFFFF; };
    const uint64_t words = paramBytes / 2;
    const WmfFunction* known = nullptr;
    for (const WmfFunction& f : kWmfFunctions)
        if (f.function == function) known = &f;
    if (!known || words < known->minWords) return false;
    switch (function) {
    case 0x0521:  // TEXTOUT: length, text, y, x
        return 1 + (word(0) + 1ull) / 2 + 2 <= words;
    case 0x0A32: {  // EXTTEXTOUT: y, x, length, options, [rectangle], text
        const uint64_t rectangle = (word(3) & (ETO_OPAQUE | ETO_CLIPPED)) ? 4 : 0;
        return 4 + rectangle + (word(2) + 1ull) / 2 <= words;
    }
    case 0x0626:  // ESCAPE: function, byte count, data
        return 2 + (word(1) + 1ull) / 2 <= words;
    case 0x0037:  // SETPALENTRIES, ANIMATEPALETTE, CREATEPALETTE: start, count, entries
    case 0x0436:
    case 0x00F7: return 2 + 2ull * word(1) <= words;
    case 0x0B23:  // STRETCHBLT: with a bitmap unless it has the reserved word
        return words == 11 || Bitmap16Fits(params, words, 10, 0);
    case 0x0922:  // BITBLT
        return words == 9 || Bitmap16Fits(params, words, 8, 0);
    case 0x01F9:  // CREATEPATTERNBRUSH: bitmap header, 18 reserved bytes, bits
        return Bitmap16Fits(params, words, 0, 9);
    case 0x06FF: {  // CREATEREGION: 10-word header with the scan count, then the scans
        uint64_t at = 10;
        for (uint64_t scan = 0, scans = word(5); scan < scans; ++scan) {
            if (at + 3 > words) return false;
            at += 4 + (uint64_t)word(at);
            if (at > words) return false;
        }
        return true;
    }
    default: break;
    }
    switch (function) {
    case kMetaPolygon:
    case kMetaPolyline: return words >= 1 && 1 + 2ull * word(0) <= words;
    case kMetaPolyPolygon: {
        if (words < 1) return false;
        const uint64_t polygons = word(0);
        if (1 + polygons > words) return false;
        uint64_t points = 0;
        for (uint64_t i = 0; i < polygons; ++i) points += word(1 + i);
        return 1 + polygons + 2 * points <= words;
    }
    default: break;
    }
    // Bitmap records: where the bitmap starts (in words) and how its colour
    // table is given.
    uint64_t at = 0;
    bool indices = false;
    switch (function) {
    case kMetaDibBitBlt:
        if (words == 9) return true;  // no bitmap
        at = 8;
        break;
    case kMetaDibStretchBlt:
        if (words == 11) return true;
        at = 10;
        break;
    case kMetaStretchDib:
        at = 11;
        indices = word(2) == DIB_PAL_COLORS;
        break;
    case kMetaSetDibToDev:
        at = 9;
        indices = word(0) == DIB_PAL_COLORS;
        break;
    case kMetaDibCreatePatternBrush:
        at = 2;
        indices = word(1) == DIB_PAL_COLORS;
        break;
    default: return true;
    }
    if (at * 2 > paramBytes) return false;
    return DibFits(params + at * 2, paramBytes - at * 2, UINT64_MAX, indices);
}

// Enhanced metafile records with point lists: where the count stands, the
// bytes a point takes, and (poly-poly records) where the list counts start.
struct EmfPolyRecord {
    uint32_t type;
    uint32_t pointBytes;
    bool polyPoly;
};
constexpr EmfPolyRecord kEmfPolyRecords[] = {
    {2, 8, false}, {3, 8, false},  {4, 8, false},  {5, 8, false},  {6, 8, false},  {7, 8, true},
    {8, 8, true},  {85, 4, false}, {86, 4, false}, {87, 4, false}, {88, 4, false}, {89, 4, false},
    {90, 4, true}, {91, 4, true},  {56, 8, false}, {92, 4, false},  // POLYDRAW, POLYDRAW16: points, then as many type
                                                                    // bytes
};
// Enhanced metafile records with bitmaps: offsets of the usage, header offset,
// header size, bits offset and bits size fields (a second set for masks).
struct EmfBitmapRecord {
    uint32_t type;
    uint32_t usage, offBmi;
    uint32_t maskUsage, maskOffBmi;  // 0: none
};
constexpr EmfBitmapRecord kEmfBitmapRecords[] = {
    {76, 80, 84, 0, 0},      // BITBLT
    {77, 80, 84, 0, 0},      // STRETCHBLT
    {78, 80, 84, 108, 112},  // MASKBLT
    {79, 92, 96, 120, 124},  // PLGBLT
    {80, 64, 48, 0, 0},      // SETDIBITSTODEVICE
    {81, 64, 48, 0, 0},      // STRETCHDIBITS
    {93, 12, 16, 0, 0},      // CREATEMONOBRUSH
    {94, 12, 16, 0, 0},      // CREATEDIBPATTERNBRUSHPT
    {114, 80, 84, 0, 0},     // ALPHABLEND
    {116, 80, 84, 0, 0},     // TRANSPARENTBLT
};

// The bitmap whose four fields (header offset and size, bits offset and size)
// start at field inside the record of size bytes.
bool EmfBitmapFits(const uint8_t* record, uint64_t size, uint32_t field, bool indices) {
    if (field + 16 > size) return false;
    const uint64_t offBmi = Get32(record + field), cbBmi = Get32(record + field + 4);
    const uint64_t offBits = Get32(record + field + 8), cbBits = Get32(record + field + 12);
    if (cbBmi == 0) return true;  // no bitmap (a pattern or a colour only)
    if (offBmi > size || cbBmi > size - offBmi || offBits > size || cbBits > size - offBits) return false;
    return DibFits(record + offBmi, cbBmi, cbBits, indices);
}

// Enhanced metafile records that name handle-table entries, and where.
struct EmfObjectUse {
    uint32_t type;
    uint32_t at;
    bool stockAllowed;  // stock objects (high bit set) may be named
};
constexpr EmfObjectUse kEmfObjectUses[] = {
    {37, 8, true},  {40, 8, true},  {38, 8, false},  {39, 8, false},  {82, 8, false},  {49, 8, false},
    {48, 8, true},  {95, 8, false}, {93, 8, false},  {94, 8, false},  {50, 8, false},  {51, 8, false},
    {99, 8, false}, {100, 8, true}, {101, 8, false}, {122, 8, false}, {71, 28, false}, {72, 28, false},
};

// True when the handle a record names lies inside the table of `handles`
// entries (GDI indexes its table with it unchecked); entry 0 is the metafile.
bool EmfObjectInside(uint32_t type, const uint8_t* record, uint64_t size, uint32_t handles) {
    for (const EmfObjectUse& use : kEmfObjectUses) {
        if (use.type != type) continue;
        if (use.at + 4 > size) return false;
        const uint32_t index = Get32(record + use.at);
        if (use.stockAllowed && (index & 0x80000000u)) return true;
        return index != 0 && index < handles;
    }
    return true;
}

bool EmfRecordFits(uint32_t type, const uint8_t* record, uint64_t size) {
    for (const EmfPolyRecord& poly : kEmfPolyRecords) {
        if (poly.type != type) continue;
        // Type, size, bounds; then the number of lists and of points, or of points.
        const uint64_t head = poly.polyPoly ? 32 : 28;
        if (head > size) return false;
        const uint64_t points = Get32(record + (poly.polyPoly ? 28 : 24));
        uint64_t lists = 0, total = 0;
        if (poly.polyPoly) {
            lists = Get32(record + 24);
            if (head + lists * 4 > size) return false;
            for (uint64_t i = 0; i < lists; ++i) total += Get32(record + head + i * 4);
            if (total > points) return false;
        }
        const uint64_t typeBytes = type == 56 || type == 92 ? points : 0;
        return head + lists * 4 + points * poly.pointBytes + typeBytes <= size;
    }
    auto u32 = [&](uint64_t at) { return at + 4 <= size ? (uint64_t)Get32(record + at) : UINT64_MAX; };
    // Region data: a 32-byte header with the rectangle count, then the rectangles.
    auto regionFits = [&](uint64_t sizeAt, uint64_t dataAt, bool mayBeEmpty = false) {
        const uint64_t bytes = u32(sizeAt);
        if (mayBeEmpty && bytes == 0) return true;
        if (bytes == UINT64_MAX || dataAt > size || bytes > size - dataAt || bytes < 32) return false;
        return 32 + 16 * (uint64_t)Get32(record + dataAt + 8) <= bytes;
    };
    switch (type) {
    case 83:  // EXTTEXTOUTA, EXTTEXTOUTW: characters and spacing inside the record
    case 84: {
        const uint64_t chars = u32(44), stringAt = u32(48), options = u32(52), dxAt = u32(72);
        if (dxAt == UINT64_MAX) return false;
        const uint64_t charBytes = type == 84 ? 2 : 1, dxBytes = (options & ETO_PDY) ? 8 : 4;
        if (chars && (stringAt > size || chars * charBytes > size - stringAt)) return false;
        return !chars || !dxAt || (dxAt <= size && chars * dxBytes <= size - dxAt);
    }
    case 96:  // POLYTEXTOUTA, POLYTEXTOUTW: not handed over
    case 97: return false;
    case 108: {  // SMALLTEXTOUT: x, y, count, options, mode, scales, [clip], text
        const uint64_t chars = u32(16), options = u32(20);
        if (options == UINT64_MAX) return false;
        const uint64_t textAt = 36 + ((options & 0x100) ? 0 : 16);
        return chars * ((options & 0x200) ? 1 : 2) <= (size > textAt ? size - textAt : 0) && textAt <= size;
    }
    case 49:  // CREATEPALETTE: handle, version, count, entries
        return size >= 16 && 16 + 4ull * Get16(record + 14) <= size;
    case 50:  // SETPALETTEENTRIES: handle, start, count, entries
        return u32(16) != UINT64_MAX && 20 + 4 * u32(16) <= size;
    case 82:  // EXTCREATEFONTINDIRECTW: handle and a whole LOGFONTW
        return size >= 12 + sizeof(LOGFONTW);
    case 95: {  // EXTCREATEPEN: bitmap fields, then the pen with its style entries
        const uint64_t entries = u32(48);
        return entries != UINT64_MAX && 52 + 4 * entries <= size && EmfBitmapFits(record, size, 12, false);
    }
    case 75:  // EXTSELECTCLIPRGN: size, mode, region (none: the clip is reset)
        return regionFits(8, 16, true);
    case 71:  // FILLRGN: bounds, size, brush, region
        return regionFits(24, 32);
    case 72:  // FRAMERGN: bounds, size, brush, stroke, region
        return regionFits(24, 40);
    case 73:  // INVERTRGN, PAINTRGN: bounds, size, region
    case 74: return regionFits(24, 28);
    default: break;
    }
    for (const EmfBitmapRecord& bitmap : kEmfBitmapRecords) {
        if (bitmap.type != type) continue;
        if (bitmap.usage + 4 > size) return false;
        if (!EmfBitmapFits(record, size, bitmap.offBmi, Get32(record + bitmap.usage) == DIB_PAL_COLORS)) return false;
        if (bitmap.maskUsage) {
            if (bitmap.maskUsage + 4 > size) return false;
            return EmfBitmapFits(record, size, bitmap.maskOffBmi, false);
        }
        return true;
    }
    return true;
}

}  // namespace

bool MapFileReadOnly(const wchar_t* path, const wchar_t* mappingName, MappedFile& mapped) {
    mapped = MappedFile{};
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || (uint64_t)size.QuadPart > SIZE_MAX) {
        CloseHandle(file);
        return false;
    }
    // A name would share the mapping between decodes of different files.
    (void)mappingName;
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) {
        CloseHandle(file);
        return false;
    }
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    if (!view) {
        CloseHandle(mapping);
        CloseHandle(file);
        return false;
    }
    mapped.file = file;
    mapped.mapping = mapping;
    mapped.view = static_cast<const uint8_t*>(view);
    mapped.size = (uint64_t)size.QuadPart;
    return true;
}

void UnmapFile(MappedFile& mapped) {
    if (mapped.view) UnmapViewOfFile(mapped.view);
    if (mapped.mapping) CloseHandle(mapped.mapping);
    if (mapped.file != INVALID_HANDLE_VALUE) CloseHandle(mapped.file);
    mapped = MappedFile{};
}

bool CheckWindowsMetafile(const uint8_t* data, uint64_t size, uint64_t* bytes) {
    if (!data || size < kWmfHeaderBytes) return false;
    const uint16_t type = Get16(data), headerWords = Get16(data + 2);
    const uint64_t total = (uint64_t)Get32(data + 6) * 2;
    if ((type != 1 && type != 2) || headerWords != kWmfHeaderBytes / 2 || total < kWmfHeaderBytes || total > size)
        return false;
    const uint32_t objects = Get16(data + 10);
    uint64_t at = kWmfHeaderBytes;
    while (at + 6 <= total) {
        const uint64_t recordBytes = (uint64_t)Get32(data + at) * 2;
        const uint16_t function = Get16(data + at + 4);
        if (recordBytes < 6 || recordBytes > total - at) return false;
        if (function == 0) {
            if (bytes) *bytes = total;
            return true;
        }
        if (!WmfRecordFits(function, data + at + 6, recordBytes - 6) ||
            !WmfObjectsInside(function, data + at + 6, recordBytes - 6, objects))
            return false;
        at += recordBytes;
    }
    return false;  // no end record
}

bool CheckEnhancedMetafile(const uint8_t* data, uint64_t size, uint32_t* bytes) {
    constexpr uint32_t kMinHeader = 88;
    if (!data || size < kMinHeader || Get32(data) != EMR_HEADER || Get32(data + 40) != kEmfSignature) return false;
    const uint64_t headerBytes = Get32(data + 4), total = Get32(data + 48);
    if (headerBytes < kMinHeader || headerBytes % 4 || headerBytes > total || total > size) return false;
    const uint64_t descriptionChars = Get32(data + 64), descriptionAt = Get32(data + 68);
    if (descriptionChars && (descriptionAt > headerBytes || descriptionChars * 2 > headerBytes - descriptionAt))
        return false;
    if (headerBytes >= 100) {
        const uint64_t formatBytes = Get32(data + 88), formatAt = Get32(data + 92);
        if (formatBytes && (formatAt > headerBytes || formatBytes > headerBytes - formatAt)) return false;
    }
    const uint32_t handles = Get16(data + 56);
    uint64_t at = headerBytes;
    while (at + 8 <= total) {
        const uint32_t type = Get32(data + at);
        const uint64_t recordBytes = Get32(data + at + 4);
        if (recordBytes < 8 || recordBytes % 4 || recordBytes > total - at) return false;
        if (!EmfRecordFits(type, data + at, recordBytes) || !EmfObjectInside(type, data + at, recordBytes, handles))
            return false;
        if (type == EMR_EOF) {
            if (bytes) *bytes = (uint32_t)total;
            return true;
        }
        at += recordBytes;
    }
    return false;  // no end-of-file record
}

HENHMETAFILE LoadPlaceableMetafile(const uint8_t* data, uint64_t size) {
    if (!data || size < kPlaceableBytes + kWmfHeaderBytes || Get32(data) != kPlaceableKey) return nullptr;
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= Get16(data + 2 * i);
    if (sum != Get16(data + 20)) return nullptr;
    const int left = (int16_t)Get16(data + 6), top = (int16_t)Get16(data + 8);
    const int right = (int16_t)Get16(data + 10), bottom = (int16_t)Get16(data + 12);
    const int inch = Get16(data + 14);
    uint64_t bytes = 0;
    if (inch == 0 || !CheckWindowsMetafile(data + kPlaceableBytes, size - kPlaceableBytes, &bytes)) return nullptr;
    METAFILEPICT picture{};
    picture.mm = MM_ANISOTROPIC;
    picture.xExt = MulDiv(right - left, 2540, inch);
    picture.yExt = MulDiv(bottom - top, 2540, inch);
    HDC desktop = GetDC(nullptr);
    HENHMETAFILE emf = SetWinMetaFileBits((UINT)bytes, data + kPlaceableBytes, desktop, &picture);
    ReleaseDC(nullptr, desktop);
    return emf;
}

namespace {

// Plays emf into a new 24-bit image of width x height filled with background.
bool RenderMetafile(CImage& image, HENHMETAFILE emf, int width, int height, COLORREF background, wchar_t* errorText) {
    if ((uint64_t)width * (uint64_t)height > kMaxPixels || !image.CreateEmpty(width, height, 24, background, nullptr)) {
        SetFormatError(errorText, kTextMemory);
        return false;
    }
    RECT frame{0, 0, width, height};
    PlayEnhMetaFile(image.memoryDC, emf, &frame);
    GdiFlush();
    return true;
}

// A pixel count from a size in device units, or 0 when it is out of range.
int PixelSide(double value) {
    value = std::fabs(value);
    return std::isfinite(value) && value < kMaxSide ? (int)value : 0;
}

}  // namespace

ReadStatus DecodeMetafile(CImage& image, const uint8_t* data, uint64_t size, wchar_t* errorText, COLORREF background) {
    HENHMETAFILE emf = nullptr;
    uint32_t emfBytes = 0;
    uint64_t wmfBytes = 0;
    if (size >= 44 && Get32(data + 40) == kEmfSignature) {
        // The checked bytes themselves, not the file again: it may have changed.
        if (CheckEnhancedMetafile(data, size, &emfBytes)) emf = SetEnhMetaFileBits(emfBytes, data);
        if (!emf) {
            SetFormatError(errorText, kTextEmf);
            return false;
        }
    } else if (size >= 4 && Get32(data) == kPlaceableKey) {
        emf = LoadPlaceableMetafile(data, size);
        if (!emf) {
            SetFormatError(errorText, kTextApm);
            return false;
        }
    } else {
        if (CheckWindowsMetafile(data, size, &wmfBytes) && size <= UINT_MAX)
            emf = SetWinMetaFileBits((UINT)size, data, nullptr, nullptr);
        if (!emf) {
            SetFormatError(errorText, kTextWmf);
            return false;
        }
    }
    ENHMETAHEADER header{};
    if (!GetEnhMetaFileHeader(emf, sizeof header, &header)) {
        DeleteEnhMetaFile(emf);
        SetFormatError(errorText, kTextHeader);
        return false;
    }
    HDC screen = GetDC(nullptr);
    const double horzRes = GetDeviceCaps(screen, HORZRES), vertRes = GetDeviceCaps(screen, VERTRES);
    const double horzSize = GetDeviceCaps(screen, HORZSIZE), vertSize = GetDeviceCaps(screen, VERTSIZE);
    ReleaseDC(nullptr, screen);
    // The frame in hundredths of a millimetre, measured from (0, 0).
    const int width = horzSize > 0 ? PixelSide(header.rclFrame.right * horzRes / (horzSize * 100)) : 0;
    const int height = vertSize > 0 ? PixelSide(header.rclFrame.bottom * vertRes / (vertSize * 100)) : 0;
    const bool ok = RenderMetafile(image, emf, width, height, background, errorText);
    DeleteEnhMetaFile(emf);
    if (!ok) return false;
    image.transparentColor = background;
    image.hasTransparency = 1;
    return true;
}

ReadStatus LoadMetafile(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    FILE* stream = path ? _wfopen(path, L"rb") : nullptr;
    if (!stream) {
        SetFormatError(errorText, kTextOpen);
        return false;
    }
    std::fclose(stream);
    MappedFile mapped;
    if (!MapFileReadOnly(path, L"QRV_EMF", mapped)) {
        SetFormatError(errorText, kTextMapEmf);
        return false;
    }
    const ReadStatus ok = DecodeMetafile(image, mapped.view, mapped.size, errorText, call.request.background);
    UnmapFile(mapped);
    return ok;
}

namespace {

// A new file in the temporary folder with the bytes; false (and no file left)
// when it cannot be written whole.
bool WriteTemporaryFile(const uint8_t* data, uint64_t size, wchar_t* path) {
    wchar_t folder[MAX_PATH];
    const DWORD n = GetTempPathW(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH || !GetTempFileNameW(folder, L"qrv", 0, path)) return false;
    CBinFile file;
    bool ok = file.Open(path, BINFILE_WRITE | BINFILE_CREATE | BINFILE_SHARE_NONE);
    for (uint64_t done = 0; ok && done < size;) {
        const uint32_t chunk = (uint32_t)std::min<uint64_t>(size - done, 1u << 24);
        ok = file.Write(data + done, chunk);
        done += chunk;
    }
    ok = file.Close() && ok;
    if (!ok) DeleteFileW(path);
    return ok;
}

}  // namespace

ReadStatus DecodeEps(CImage& image, const uint8_t* data, uint64_t size, wchar_t* errorText) {
    if (size < kEpsHeaderBytes || std::memcmp(data, kEpsMagic, 4) != 0) { return NotThisFormat(errorText); }
    const uint64_t wmfAt = Get32(data + 12), wmfBytes = Get32(data + 16);
    const uint64_t tiffAt = Get32(data + 20), tiffBytes = Get32(data + 24);
    if (wmfAt && wmfBytes) {
        HENHMETAFILE emf = nullptr;
        if (wmfAt <= size && wmfBytes <= size - wmfAt && CheckWindowsMetafile(data + wmfAt, wmfBytes))
            emf = SetWinMetaFileBits((UINT)wmfBytes, data + wmfAt, nullptr, nullptr);
        if (!emf) {
            SetFormatError(errorText, kTextWmf);
            return false;
        }
        ENHMETAHEADER header{};
        if (!GetEnhMetaFileHeader(emf, sizeof header, &header)) {
            DeleteEnhMetaFile(emf);
            SetFormatError(errorText, kTextHeader);
            return false;
        }
        const int width = PixelSide(header.rclBounds.right), height = PixelSide(header.rclBounds.bottom);
        if (width < 1 || height < 1) {
            DeleteEnhMetaFile(emf);
            SetFormatError(errorText, kTextSize);
            return false;
        }
        const bool ok = RenderMetafile(image, emf, width, height, RGB(255, 255, 255), errorText);
        DeleteEnhMetaFile(emf);
        return ok;
    }
    if (tiffAt && tiffBytes) {
        if (tiffAt > size || tiffBytes > size - tiffAt) {
            SetFormatError(errorText, kTextNoPreview);
            return false;
        }
        wchar_t temporary[MAX_PATH];
        if (!WriteTemporaryFile(data + tiffAt, tiffBytes, temporary)) {
            SetFormatError(errorText, kTextEpsOpen);
            return false;
        }
        const ReadStatus ok = LoadTiffPage(image, temporary, 0, errorText);
        DeleteFileW(temporary);
        return ok;
    }
    SetFormatError(errorText, kTextNoPreview);
    return false;
}

ReadStatus LoadEps(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    FILE* stream = path ? _wfopen(path, L"rb") : nullptr;
    if (!stream) {
        SetFormatError(errorText, kTextOpen);
        return false;
    }
    uint8_t head[kEpsHeaderBytes];
    const size_t got = std::fread(head, 1, sizeof head, stream);
    std::fclose(stream);
    if (got < kEpsHeaderBytes || std::memcmp(head, kEpsMagic, 4) != 0) { return NotThisFormat(errorText); }
    MappedFile mapped;
    if (!MapFileReadOnly(path, L"QRV_EPS", mapped)) {
        SetFormatError(errorText, kTextMapEps);
        return false;
    }
    const ReadStatus ok = DecodeEps(image, mapped.view, mapped.size, errorText);
    UnmapFile(mapped);
    return ok;
}
