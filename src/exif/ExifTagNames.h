// The names of the TIFF and Exif tags, and the text of one tag as a row of the
// file information table: its label and its value, as the dialog shows them.
// No window code: the dialog adds the rows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "exif/ExifTagEntry.h"

struct ExifTagName {
    uint16_t tag;
    const wchar_t* name;
};

// Ascending by tag number, ended by the entry {0, nullptr}.
inline constexpr int kExifTagNameCount = 122;
extern const ExifTagName ExifTagNameTable[kExifTagNameCount + 1];

// The name of a tag number; null when the table has none.
const wchar_t* FindExifTagName(uint32_t tag);
// The row label of a tag: its name, or "Unknown (0x%x)" for a number not in
// the table (out holds size characters).
void FormatExifTagLabel(uint32_t tag, wchar_t* out, size_t size);

// The longest ASCII value a row shows, in characters.
inline constexpr size_t kExifAsciiRowChars = 259;

// The value text of an entry's row (out holds size characters). False when
// the entry gives no row: a null entry, an entry of several values (ASCII
// excepted), an entry without value, or a signed byte or undefined field.
// ASCII shows its text from the ANSI code page, at most its first 259
// characters; integers in decimal, except the Orientation, compression and
// photometric numbers that have a name; rationals and floats as "%f".
bool FormatExifTagValue(const ExifTagEntry* entry, wchar_t* out, size_t size);

// One row of the file information table.
struct ExifInfoRow {
    std::wstring label;
    std::wstring value;
};

// The rows of a JPEG file's metadata: "EXIF:" and one row per tag of its APP1
// "Exif" segment, directory by directory, then a blank row, "META:" and the
// tags of its APP3 "Meta" segment. The file is opened by its ANSI name or, for
// a path without an ANSI form, its short name. False, with no rows, when the
// file is not an Exif JPEG or cannot be opened.
bool CollectExifInfoRows(const wchar_t* path, std::vector<ExifInfoRow>& rows);
