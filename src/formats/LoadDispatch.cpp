// LoadMediaFile and LoadMediaFileByContent: the file's reader chosen by
// extension, with the signature tests as the fall-back, and the byte readers.
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <new>

#include "formats/Formats.h"
#include "formats/LoadFlags.h"
#include "formats/ReaderServices.h"
#include "formats/Signature.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

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

// What one reader call, or the search by content, came to. NoReader: the id
// has no reader, so the text is "Unknown Fileformat!" and nothing was asked.
// NoMatch: the content named no format, and the text is untouched.
enum class Outcome { Loaded, Failed, Refused, NoReader, NoMatch };

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
// "JFIF" found in the file; formatId gets 0 first, then the id that matched.
Outcome LoadByContent(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    SetResultId(call, FMT_UNKNOWN);
    if (!path) return Outcome::NoMatch;

    FILE* stream = _wfopen(path, L"rb");
    if (!stream) return Outcome::NoMatch;
    SignatureHead head;
    head.length = std::fread(head.bytes, 1, sizeof head.bytes, stream);

    const FormatId id = IdentifyBySignature(head);
    if (id != FMT_UNKNOWN) {
        std::fclose(stream);
        SetResultId(call, id);
        return CallReader(id, image, path, errorText, call);
    }

    // A video the signatures do not know goes to the video reader before the
    // JFIF scan (Motion-JPEG frames would otherwise read as a JPEG).
    if (IsVideoExtension(path)) {
        std::fclose(stream);
        SetResultId(call, FMT_VIDEO);
        return CallReader(FMT_VIDEO, image, path, errorText, call);
    }

    std::rewind(stream);
    if (!ScanForJfif(stream)) {
        std::fclose(stream);
        return Outcome::NoMatch;
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
    return outcome;
}

ReadStatus ToStatus(Outcome outcome) {
    switch (outcome) {
    case Outcome::Loaded: return true;
    case Outcome::Failed: return false;
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
    const Outcome second = LoadByContent(image, path, local, call);
    if (second == Outcome::Loaded) return true;
    if (second == Outcome::Refused || (second == Outcome::NoMatch && first == Outcome::Refused)) {
        CopyStringW(errorText, FORMAT_TEXT_UNSUPPORTED, FORMAT_ERROR_CHARS);
        return ReadStatus::NotThisFormat();
    }
    return ToStatus(second);
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
