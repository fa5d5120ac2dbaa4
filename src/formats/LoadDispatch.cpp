// LoadMediaFile and LoadMediaFileByContent: the file's reader chosen by
// extension, with the signature tests as the fall-back, and the byte readers.
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <new>

#include "formats/Formats.h"
#include "formats/LoadFlags.h"
#include "formats/ReaderServices.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

// The first bytes of a file as the signature tests see them; bytes past the end
// of a short file are absent (Has() is false), never guessed.
struct Head {
    uint8_t bytes[32] = {};
    size_t length = 0;

    bool Has(size_t offset, size_t count) const { return offset + count <= length; }
    bool Equals(size_t offset, const char* text, size_t count) const {
        return Has(offset, count) && std::memcmp(bytes + offset, text, count) == 0;
    }
    uint16_t U16LE(size_t o) const { return (uint16_t)(bytes[o] | bytes[o + 1] << 8); }
    uint16_t U16BE(size_t o) const { return (uint16_t)(bytes[o] << 8 | bytes[o + 1]); }
    uint32_t U32LE(size_t o) const {
        return (uint32_t)bytes[o] | (uint32_t)bytes[o + 1] << 8 | (uint32_t)bytes[o + 2] << 16 |
               (uint32_t)bytes[o + 3] << 24;
    }
    uint32_t U32BE(size_t o) const {
        return (uint32_t)bytes[o] << 24 | (uint32_t)bytes[o + 1] << 16 | (uint32_t)bytes[o + 2] << 8 |
               (uint32_t)bytes[o + 3];
    }
};

// The id whose signature the head shows, in the order of the tests; 0 when
// none matches (the caller then scans for "JFIF").
FormatId IdentifyHead(const Head& h) {
    if (h.Equals(0, "BM", 2)) return FMT_BMP;
    if (h.Has(0, 4) && h.U32LE(0) == 0x3ADE68B1u) return FMT_DCX;
    if (h.Equals(0, "DDS ", 4)) return FMT_DDS;
    if (h.Has(0, 4) && h.U32LE(0) == 20000630u) return FMT_EXR;
    if (h.Equals(0, "IMAGE11\0", 8)) return FMT_IMAGE11;
    if (h.Has(8, 4) && h.U32LE(8) == 0x55005500u) return FMT_GEM;
    if (h.Equals(0, "GIF87a", 6) || h.Equals(0, "GIF89a", 6)) return FMT_GIF;
    if (h.Has(0, 4) && h.U16LE(0) == 0 && (h.U16LE(2) == 1 || h.U16LE(2) == 2)) return FMT_ICO;
    if (h.Equals(0, "FOR4", 4) || h.Equals(0, "FORM", 4) || h.Equals(0, "LIST", 4) || h.Equals(0, "CAT ", 4))
        return FMT_IFF;
    if (h.Has(0, 32)) {
        bool allFF = true;
        for (size_t i = 0; i < 32; ++i) allFF = allFF && h.bytes[i] == 0xFF;
        if (allFF) return FMT_PCD;
    }
    if (h.Has(0, 1) && h.bytes[0] == 0x0A) return FMT_PCX;
    if (h.Has(0, 4) && h.U32BE(0) == 0x5380F634u) return FMT_PIC;
    if (h.Has(0, 2) && h.U16LE(0) == 0x1234) return FMT_PIC;
    if (h.Equals(0, "PIC", 3)) return FMT_PIC;
    if (h.Equals(0, "\x89PNG", 4)) return FMT_PNG;
    if (h.Has(0, 2) && h.bytes[0] == 'P' && h.bytes[1] >= '0' && h.bytes[1] <= '9') return FMT_PNM;
    if (h.Has(0, 2) && h.U16LE(0) == 0x5050) return FMT_PPP;
    if (h.Has(0, 4) && h.U32BE(0) == 0x38425053u) return FMT_PSD;
    if (h.Has(0, 4) && h.U32BE(0) == 0x59A66A95u) return FMT_RAS;
    if (h.Has(0, 2) && h.U16BE(0) == 474) return FMT_SGI;
    if (h.Equals(0, "MM\0*", 4) || h.Equals(0, "II*\0", 4)) return FMT_TIFF;
    if (h.Equals(8, "AVI ", 4)) return FMT_VIDEO;
    return FMT_UNKNOWN;
}

// Moves the stream to the start of a JFIF file: the "JFIF" of its APP0
// segment, found byte by byte, lies 6 bytes behind the start-of-image marker.
// False at the end of the file.
bool ScanForJfif(FILE* stream) {
    int c = std::getc(stream);
    while (c != EOF) {
        if (c != 'J') {
            c = std::getc(stream);
            continue;
        }
        bool matched = true;
        for (const char expected : {'F', 'I', 'F'}) {
            c = std::getc(stream);
            if (c != expected) {
                matched = false;
                break;
            }
        }
        if (c == EOF) return false;
        if (matched) {
            const int64_t end = _ftelli64(stream);
            if (end >= 10 && _fseeki64(stream, end - 10, SEEK_SET) == 0) return true;
        }
        // The mismatching byte is consumed; go on with the byte after it.
        c = std::getc(stream);
    }
    return false;
}

void SetResultId(LoadCall& call, FormatId id) {
    call.result.formatId = id;
    if (call.result.formatIdTarget) *call.result.formatIdTarget = id;
}

// What one reader call came to. NoReader: the id has no reader, so the text
// is "Unknown Fileformat!" and nothing was asked.
enum class Outcome { Loaded, Failed, Refused, NoReader };

Outcome FromStatus(ReadStatus status) {
    switch (status.code()) {
    case ReadStatus::kOk: return Outcome::Loaded;
    case ReadStatus::kNotThisFormat: return Outcome::Refused;
    default: return Outcome::Failed;
    }
}

// Runs a reader with the last guard against an exception: none may reach the
// caller (often a window procedure).
template <typename Call>
Outcome GuardedRead(wchar_t* text, Call call) {
    try {
        return FromStatus(call());
    } catch (const std::bad_alloc&) {
        SetFormatError(text, L"Unable to allocate Memory for storing Imagedata!");
    } catch (...) { SetFormatError(text, L"Reader failed with an exception!"); }
    return Outcome::Failed;
}

// The reader of id on path.
Outcome CallReader(FormatId id, CImage& image, const wchar_t* path, wchar_t* text, LoadCall& call) {
    std::wmemset(text, 0, FORMAT_ERROR_CHARS);
    FormatReader reader = GetFormatEntry(id).reader;
    if (!reader || !path) {
        SetFormatError(text, FORMAT_TEXT_UNKNOWN);
        return Outcome::NoReader;
    }
    return GuardedRead(text, [&] { return reader(image, path, text, call); });
}

// The reader the file's first bytes name, else the JPEG stream reader at a
// "JFIF" found in the file. NoMatch when nothing was found (the text is
// untouched); formatId gets 0 first, then the id that matched.
enum class ContentOutcome { Loaded, Failed, Refused, NoReader, NoMatch };

ContentOutcome LoadByContent(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    SetResultId(call, FMT_UNKNOWN);
    if (!path) return ContentOutcome::NoMatch;

    FILE* stream = _wfopen(path, L"rb");
    if (!stream) return ContentOutcome::NoMatch;
    Head head;
    head.length = std::fread(head.bytes, 1, sizeof head.bytes, stream);

    auto fromOutcome = [](Outcome o) {
        switch (o) {
        case Outcome::Loaded: return ContentOutcome::Loaded;
        case Outcome::Refused: return ContentOutcome::Refused;
        case Outcome::NoReader: return ContentOutcome::NoReader;
        default: return ContentOutcome::Failed;
        }
    };
    const FormatId id = IdentifyHead(head);
    if (id != FMT_UNKNOWN) {
        std::fclose(stream);
        SetResultId(call, id);
        return fromOutcome(CallReader(id, image, path, errorText, call));
    }

    std::rewind(stream);
    if (!ScanForJfif(stream)) {
        std::fclose(stream);
        return ContentOutcome::NoMatch;
    }
    SetResultId(call, FMT_JPEG);
    std::wmemset(errorText, 0, FORMAT_ERROR_CHARS);
    Outcome outcome = Outcome::NoReader;
    if (FormatStreamReader reader = GetFormatEntry(FMT_JPEG).streamReader) {
        outcome = GuardedRead(errorText, [&] { return reader(image, stream, errorText, call); });
    } else {
        SetFormatError(errorText, FORMAT_TEXT_UNKNOWN);
    }
    std::fclose(stream);
    return fromOutcome(outcome);
}

ReadStatus ToStatus(ContentOutcome outcome) {
    switch (outcome) {
    case ContentOutcome::Loaded: return true;
    case ContentOutcome::Failed: return false;
    default: return ReadStatus::NotThisFormat();
    }
}

}  // namespace

ReadStatus LoadMediaFile(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    wchar_t scratch[FORMAT_ERROR_CHARS];
    if (!errorText) errorText = scratch;
    wchar_t local[FORMAT_ERROR_CHARS] = {};
    const FormatId id = GetFormatIdFromExtension(path);
    SetResultId(call, id);

    const Outcome first = CallReader(id, image, path, local, call);
    if (first == Outcome::Loaded) return true;
    CopyStringW(errorText, local, FORMAT_ERROR_CHARS);
    if (first == Outcome::Failed) return false;

    // The caller keeps the first answer unless the signature finds a reader
    // that refuses the file too (or finds nothing after a reader's refusal):
    // then the file is of no format the program reads.
    const ContentOutcome second = LoadByContent(image, path, local, call);
    if (second == ContentOutcome::Loaded) return true;
    if (second == ContentOutcome::Refused || (second == ContentOutcome::NoMatch && first == Outcome::Refused)) {
        CopyStringW(errorText, FORMAT_TEXT_UNSUPPORTED, FORMAT_ERROR_CHARS);
        return ReadStatus::NotThisFormat();
    }
    return second == ContentOutcome::Failed ? ReadStatus(false) : ReadStatus::NotThisFormat();
}

void FinishViewerLoad(const LoadCall& call, bool loaded, FormatId* formatId) {
    if (formatId) *formatId = call.result.formatId;
    AppState::FullImageWidth = call.result.fullWidth;
    AppState::FullImageHeight = call.result.fullHeight;
    if (loaded && call.result.frames && call.result.showFrames && !call.request.Quiet())
        StartViewerAnimation(*call.result.frames, call.result.playFrames);
}

bool LoadMediaFile(CImage& image, const wchar_t* path, wchar_t* errorText, FormatId* formatId) {
    LoadCall call;
    call.request = ViewerLoadRequest();
    call.result.formatIdTarget = formatId;
    const bool loaded = LoadMediaFile(image, path, errorText, call);
    FinishViewerLoad(call, loaded, formatId);
    return loaded;
}

bool LoadMediaFileByContent(CImage& image, const wchar_t* path, wchar_t* errorText, FormatId* formatId) {
    if (formatId) *formatId = FMT_UNKNOWN;
    wchar_t scratch[FORMAT_ERROR_CHARS];
    if (!errorText) errorText = scratch;
    LoadCall call;
    call.request = ViewerLoadRequest();
    call.result.formatIdTarget = formatId;
    const bool loaded = ToStatus(LoadByContent(image, path, errorText, call));
    FinishViewerLoad(call, loaded, formatId);
    return loaded;
}
