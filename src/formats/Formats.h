// Format identification and load dispatch: the FormatId values, the table
// that ties each id to its extensions, description, reader and writer, and the
// one entry through which every file becomes an image (LoadMediaFile).
//
// Reader contract: image (filled in place), wide path, error text of
// FORMAT_ERROR_CHARS characters and the call's request and result
// (formats/LoadCall.h). The reader returns a ReadStatus: ok with a valid image;
// not-this-format (NotThisFormat below: the text "Invalid FormatID") when the
// file is not of its format, which makes the loader try the file's signature;
// failed with one English text in the error buffer. The dispatch steers by the
// status alone. A reader reads nothing but its file and its request, starts
// nothing in the viewer, and lets no exception out.
//
// Writer contract: path, image, error text, the options of every format
// (formats/SaveOptions.h); true, or false with a text in the error buffer. The
// writer writes the path it is given; SaveImageFile hands it a temporary name
// and puts the complete file in the target's place.
#pragma once
#include <windows.h>
#include <cstdint>
#include <cstdio>

#include "formats/LoadCall.h"

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

// The dispatch's own texts: a reader's refusal, no reader, and a refusal that
// the file's signature could not overrule.
#define FORMAT_TEXT_INVALID_ID L"Invalid FormatID"
#define FORMAT_TEXT_UNKNOWN L"Unknown Fileformat!"
#define FORMAT_TEXT_UNSUPPORTED L"Unknown/Unsupported Fileformat!"

using FormatReader = ReadStatus (*)(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
// Decodes from an open stream at its current position (the JPEG reader behind
// the "JFIF" scan); the caller closes the stream.
using FormatStreamReader = ReadStatus (*)(CImage& image, FILE* stream, wchar_t* errorText, LoadCall& call);
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

struct SignatureHead;
using FormatSignature = bool (*)(const SignatureHead& head);

// Everything the program knows of one format. A new format is its own source
// file in this folder (reader, writer and options panel if any) plus its row
// in FormatTable.cpp; a signature test also takes its place in the order of
// the signature tests there.
struct FormatEntry {
    FormatId id = 0;
    const wchar_t* description = L"";          // the "XYZ - Name" row shown for the format
    const wchar_t* extensions = nullptr;       // read: blank-separated, lower case; null for none
    const wchar_t* writeExtensions = nullptr;  // the target extensions of the writer, the same way
    uint32_t flags = 0;
    FormatSignature signature = nullptr;  // the file's first bytes show the format
    FormatReader reader = nullptr;        // null: no reader (yet)
    FormatStreamReader streamReader = nullptr;
    FormatWriter writer = nullptr;
};

// One row per id (index = id), FMT_COUNT rows.
const FormatEntry& GetFormatEntry(FormatId id);
// The id of the first signature, in their order, that the head shows; 0 for none.
FormatId IdentifyBySignature(const SignatureHead& head);
// Readers that live outside this library (players, the playlist reader) are
// installed at start-up; tests install stand-ins. Returns the previous reader.
// Not for use while loads run on other threads.
FormatReader SetFormatReader(FormatId id, FormatReader reader);
FormatStreamReader SetFormatStreamReader(FormatId id, FormatStreamReader reader);

// The rows' descriptions indexed by FormatId (row 0 "Unknown Format"); an id
// outside the table gives row 0.
struct FormatDescriptionTable {
    const wchar_t* operator[](FormatId id) const;
};
extern const FormatDescriptionTable FormatDescriptions;

// FormatId of the text after the last "." (without regard to case); 0 for a
// null path, no ".", an extension of more than 31 characters or an unknown one.
FormatId GetFormatIdFromExtension(const wchar_t* path);
bool IsSoundExtension(const wchar_t* path);
bool IsVideoExtension(const wchar_t* path);

// Decodes the file into image with the reader of its extension, falling back to
// the file's signature, for the request in call; call.result.formatId gets the
// id before any reader runs (0 for none), then the id found by content. errorText
// holds FORMAT_ERROR_CHARS characters.
ReadStatus LoadMediaFile(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);
// The viewer's entry: the request comes from this thread's load flags
// (AppState::BackgroundLoad, PreviewLoad) and what the shell installed (see
// formats/ReaderServices.h); afterwards AppState::FullImageWidth/Height hold the
// result's full size and a viewed multi-frame file's tables go to the viewer's
// bar. *formatId (may be null) receives the id before any reader runs.
bool LoadMediaFile(CImage& image, const wchar_t* path, wchar_t* errorText, FormatId* formatId);
// What the viewer's entry does after its reader: *formatId (may be null) gets
// the result's id, AppState::FullImageWidth/Height its full size, and a viewed
// file's tables go to the viewer's bar when the reader asks for it.
void FinishViewerLoad(const LoadCall& call, bool loaded, FormatId* formatId);
// Identifies the file by its first bytes and calls that reader; *formatId gets
// 0 first, then the id of the signature that matched.
bool LoadMediaFileByContent(CImage& image, const wchar_t* path, wchar_t* errorText, FormatId* formatId);

// Copies text into a reader's error buffer (FORMAT_ERROR_CHARS characters).
void SetFormatError(wchar_t* errorText, const wchar_t* text);
// A reader's answer for a file that is not of its format: "Invalid FormatID"
// in the error buffer and the status that sends the loader to the signature.
ReadStatus NotThisFormat(wchar_t* errorText);

// The purpose a viewer-side load has under this thread's flags.
LoadPurpose ThreadLoadPurpose();

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
