// Readers and writers of the single formats, one source file each in this
// folder. Readers follow the reader contract and writers the writer contract of
// formats/Formats.h; the format table (FormatTable.cpp) ties them to their ids.
#pragma once
#include "formats/Formats.h"

// Windows and OS/2 bitmaps (Bmp.cpp).
bool LoadBmp(CImage& image, const wchar_t* path, wchar_t* errorText);
bool SaveBmp(const wchar_t* path, CImage& image, wchar_t* errorText, const void* options = nullptr);
