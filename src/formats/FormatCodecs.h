// Readers and writers of the single formats, one source file each in this
// folder. Readers follow the reader contract and writers the writer contract of
// formats/Formats.h; the format table (FormatTable.cpp) ties them to their ids.
#pragma once
#include "formats/Formats.h"

// Windows and OS/2 bitmaps (Bmp.cpp).
bool LoadBmp(CImage& image, const wchar_t* path, wchar_t* errorText);
bool SaveBmp(const wchar_t* path, CImage& image, wchar_t* errorText, const void* options = nullptr);

// SGI images (Sgi.cpp). compression: 0 verbatim, 1 run-length, 2 run-length
// with equal rows stored once; the table's writer takes a pointer to it (null:
// the setting).
bool LoadSgi(CImage& image, const wchar_t* path, wchar_t* errorText);
bool SaveSgi(const wchar_t* path, CImage& image, wchar_t* errorText, int compression);
bool SaveSgiWithOptions(const wchar_t* path, CImage& image, wchar_t* errorText, const void* options);

// Sun raster files and the raw-data writer (SunRaster.cpp). The table's RAS
// writer takes a pointer to the RLE setting, the RAW writer a RawSaveOptions
// (null for either: the settings).
bool LoadRas(CImage& image, const wchar_t* path, wchar_t* errorText);
bool SaveRas(const wchar_t* path, CImage& image, wchar_t* errorText, bool rle);
bool SaveRasWithOptions(const wchar_t* path, CImage& image, wchar_t* errorText, const void* options);
bool SaveRaw(const wchar_t* path, CImage& image, wchar_t* errorText, bool flip, bool swapRedBlue, bool keepDepth);
bool SaveRawWithOptions(const wchar_t* path, CImage& image, wchar_t* errorText, const void* options);
