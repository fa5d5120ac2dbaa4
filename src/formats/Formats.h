// Format identification and load dispatch: the FormatId values, the table
// that ties each id to its extensions, description, reader and writer, and the
// one entry through which every file becomes an image (LoadMediaFile).
//
// Reader contract: image (filled in place), wide path, error text of
// FORMAT_ERROR_CHARS characters; true with a valid image, or false with one
// English text in the error buffer. "Invalid FormatID" means only that the file
// is not of the reader's format and makes the loader try the file's signature.
// No reader lets an exception out.
//
// Writer contract: path, image, error text, the options of every format
// (formats/SaveOptions.h); true, or false with a text in the error buffer. The
// writer writes the path it is given; SaveImageFile hands it a temporary name
// and puts the complete file in the target's place.
#pragma once
#include <windows.h>
#include <cstdint>
#include <cstdio>

class CImage;

using FormatId = int;

enum : FormatId {
    FMT_UNKNOWN = 0,
    FMT_ANI = 1,
    FMT_BMP = 2,
    FMT_CAM = 3,
    FMT_CLP = 4,
    FMT_CRW = 5,
    FMT_CUT = 6,
    FMT_DCX = 7,
    FMT_DDS = 8,
    FMT_WMF = 9,
    FMT_EPS = 10,
    FMT_EXR = 11,
    FMT_IMAGE11 = 12,
    FMT_FPX = 13,
    FMT_GEM = 14,
    FMT_GIF = 15,
    FMT_HRZ = 16,
    FMT_ICO = 17,
    FMT_IFF = 18,
    FMT_JBG = 19,
    FMT_JB2 = 20, /* 21 is never produced */
    FMT_JPEG = 22,
    FMT_JP2 = 23,
    FMT_JPP = 24,
    FMT_LVP = 25,
    FMT_MAC = 26,
    FMT_MNG = 27,
    FMT_QTMOVIE = 28,
    FMT_MSP = 29,
    FMT_PCD = 30,
    FMT_PICT = 31,
    FMT_PCX = 32,
    FMT_PIC = 33,
    FMT_PIX = 34,
    FMT_PNG = 35,
    FMT_PNM = 36,
    FMT_PPP = 37,
    FMT_PSD = 38,
    FMT_PSP = 39,
    FMT_RAS = 40,
    FMT_RAW = 41,
    FMT_SGI = 42,
    FMT_SOUND = 43,
    FMT_TGA = 44,
    FMT_TIFF = 45,
    FMT_VIDEO = 46,
    FMT_WBMP = 47,
    FMT_XBM = 48,
    FMT_ZBR = 49,
    FMT_PLAYLIST = 50,
    FMT_COUNT = 51  // rows of the tables, 0 included
};

// Size of every reader's and writer's error text, in UTF-16 characters.
constexpr int FORMAT_ERROR_CHARS = 512;

// The texts that steer the dispatch.
#define FORMAT_TEXT_INVALID_ID L"Invalid FormatID"
#define FORMAT_TEXT_UNKNOWN L"Unknown Fileformat!"
#define FORMAT_TEXT_UNSUPPORTED L"Unknown/Unsupported Fileformat!"

using FormatReader = bool (*)(CImage& image, const wchar_t* path, wchar_t* errorText);
// Decodes from an open stream at its current position (the JPEG reader behind
// the "JFIF" scan); the caller closes the stream.
using FormatStreamReader = bool (*)(CImage& image, FILE* stream, wchar_t* errorText);
using FormatWriter = bool (*)(const wchar_t* path, CImage& image, wchar_t* errorText,
                              const struct SaveOptions& options);

// Kind and traits of a format.
enum : uint32_t {
    FORMAT_STILL = 0x01,       // a still image (the reader fills a CImage)
    FORMAT_MULTIFRAME = 0x02,  // may hold several frames or pages; LoadMediaFile asks for the first
    FORMAT_SOUND = 0x04,
    FORMAT_VIDEO = 0x08,
    FORMAT_PLAYLIST = 0x10,
    FORMAT_ANIMATION = 0x20,  // an animation with a player of its own
    FORMAT_SAVE_ONLY = 0x40,
};

struct FormatEntry {
    FormatId id;
    const wchar_t* extensions;  // blank-separated, lower case; null for none
    FormatReader reader;        // null: no reader (yet)
    FormatStreamReader streamReader;
    FormatWriter writer;
    uint32_t flags;
};

// One row per id (index = id), FMT_COUNT rows.
const FormatEntry& GetFormatEntry(FormatId id);
// Readers that live outside this library (players, the playlist reader) are
// installed at start-up; tests install stand-ins. Returns the previous reader.
// Not for use while loads run on other threads.
FormatReader SetFormatReader(FormatId id, FormatReader reader);
FormatStreamReader SetFormatStreamReader(FormatId id, FormatStreamReader reader);

// Fixed 128-character rows indexed by FormatId (row 0 "Unknown Format").
extern const wchar_t FormatDescriptions[FMT_COUNT][128];

// FormatId of the text after the last "." (without regard to case); 0 for a
// null path, no ".", an extension of more than 31 characters or an unknown one.
FormatId GetFormatIdFromExtension(const wchar_t* path);
bool IsSoundExtension(const wchar_t* path);
bool IsVideoExtension(const wchar_t* path);

// Decodes the file into image with the reader of its extension, falling back to
// the file's signature. *formatId (may be null) receives the id before any
// reader runs. errorText holds FORMAT_ERROR_CHARS characters.
bool LoadMediaFile(CImage& image, const wchar_t* path, wchar_t* errorText, FormatId* formatId);
// Identifies the file by its first bytes and calls that reader; *formatId gets
// 0 first, then the id of the signature that matched.
bool LoadMediaFileByContent(CImage& image, const wchar_t* path, wchar_t* errorText, FormatId* formatId);

// Byte readers on a buffered stream. Missing bytes at the end of the file read
// as 0; *ok (when given) is cleared when the value was not read completely.
uint16_t ReadU16LE(FILE* stream, bool* ok = nullptr);
uint32_t ReadU32LE(FILE* stream, bool* ok = nullptr);
uint16_t ReadU16BE(FILE* stream, bool* ok = nullptr);
uint32_t ReadU32BE(FILE* stream, bool* ok = nullptr);

// Copies text into a reader's error buffer (FORMAT_ERROR_CHARS characters).
void SetFormatError(wchar_t* errorText, const wchar_t* text);

// Sets this thread's load flags (AppState::BackgroundLoad, AppState::PreviewLoad)
// for the lifetime of the object and restores the previous ones afterwards.
// The flags are per thread, so the thumbnail loader's background decodes never
// change how the viewer's thread loads.
class LoadModeScope {
public:
    LoadModeScope(bool background, bool preview);
    ~LoadModeScope();
    LoadModeScope(const LoadModeScope&) = delete;
    LoadModeScope& operator=(const LoadModeScope&) = delete;

private:
    uint8_t previousBackground_;
    uint8_t previousPreview_;
};
