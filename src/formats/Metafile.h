// Pieces of the metafile and EPS readers (Metafile.cpp): the read-only file
// mapping, the checks that walk a metafile's records before GDI sees them, and
// the placeable-metafile loader.
#pragma once
#include <windows.h>
#include <cstdint>

#include "formats/LoadCall.h"

// A file mapped read-only as a whole.
struct MappedFile {
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE mapping = nullptr;
    const uint8_t* view = nullptr;
    uint64_t size = 0;
};

// Opens path for shared reading and maps all of it; on failure closes what it
// opened and returns false (an empty file cannot be mapped).
bool MapFileReadOnly(const wchar_t* path, const wchar_t* mappingName, MappedFile& mapped);
void UnmapFile(MappedFile& mapped);

// True when the size bytes hold a whole Windows 3.x metafile: its 18-byte
// header, a total size (in words) inside the bytes, and records of at least
// three words, each inside that size, up to the end record; the point counts of
// the polygon and polyline records and the bitmaps of the DIB records lie
// inside their records, only documented record functions occur and every
// object index lies inside the object table. *bytes (when given) receives the
// total size in bytes.
bool CheckWindowsMetafile(const uint8_t* data, uint64_t size, uint64_t* bytes = nullptr);
// True when the size bytes hold a whole enhanced metafile: a header record
// whose total size lies inside the bytes and whose description lies inside the
// header, then records of at least 8 bytes (multiples of 4) inside that size
// up to the end-of-file record, point counts and bitmaps inside their records,
// handle indices inside the handle table.
// *bytes receives the total size.
bool CheckEnhancedMetafile(const uint8_t* data, uint64_t size, uint32_t* bytes = nullptr);

// A placeable metafile of size bytes (22-byte header, then a Windows metafile)
// as an enhanced metafile, sized by its bounding box; null when the checksum
// does not match, the units per inch are 0, the metafile leaves the bytes or
// GDI refuses it. The caller deletes the handle.
HENHMETAFILE LoadPlaceableMetafile(const uint8_t* data, uint64_t size);

class CImage;
// The readers' work on a file's bytes (the mapped file): an enhanced,
// placeable or plain metafile, or a binary EPS file's preview.
ReadStatus DecodeMetafile(CImage& image, const uint8_t* data, uint64_t size, wchar_t* errorText,
                          COLORREF background = kDefaultViewBackground);
ReadStatus DecodeEps(CImage& image, const uint8_t* data, uint64_t size, wchar_t* errorText);
