// SaveImageFile: the writer of the target's extension with the options of
// the settings.
#include "formats/SaveDispatch.h"

#include <cwchar>

#include "app/AppState.h"
#include "formats/Formats.h"
#include "formats/Jpeg.h"
#include "image/Common.h"
#include "image/Image.h"

bool SaveImageFile(const wchar_t* path, CImage& image, wchar_t* errorText, FormatId sourceFormat,
                   const wchar_t* sourcePath) {
    const FormatId id = SaveFormatIdForPath(path);
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    if (id == FMT_UNKNOWN) {
        _snwprintf(text, FORMAT_ERROR_CHARS - 1, L"No writer for the file type of \"%ls\"!", path ? path : L"");
        SetFormatError(errorText, text);
        return false;
    }
    const FormatWriter writer = GetFormatEntry(id).writer;
    if (!writer) {
        _snwprintf(text, FORMAT_ERROR_CHARS - 1, L"Saving as %ls is not available!", FormatDescriptions[id]);
        SetFormatError(errorText, text);
        return false;
    }
    bool ok = false;
    try {
        switch (id) {
        case FMT_JPEG: {
            JpegSaveOptions options = JpegOptionsFromSettings();
            options.sourceFormat = sourceFormat;
            options.sourcePath = sourcePath;
            ok = writer(path, image, text, &options);
            break;
        }
        case FMT_JP2: {
            const Jp2SaveOptions options{AppState::FormatJP2Quality, AppState::FormatJP2LossLess};
            ok = writer(path, image, text, &options);
            break;
        }
        case FMT_RAW: {
            const RawSaveOptions options{AppState::FormatRAWFlip, AppState::FormatRAWSwapRedAndBlue,
                                         AppState::FormatRAWNoConvert24Bit};
            ok = writer(path, image, text, &options);
            break;
        }
        case FMT_PNG: ok = writer(path, image, text, &AppState::FormatPNGInterlace); break;
        case FMT_TIFF: ok = writer(path, image, text, &AppState::FormatTIFCompression); break;
        case FMT_TGA: ok = writer(path, image, text, &AppState::FormatTGAEncode); break;
        case FMT_SGI: ok = writer(path, image, text, &AppState::FormatSGICompression); break;
        case FMT_RAS: ok = writer(path, image, text, &AppState::FormatRASCompression); break;
        default: ok = writer(path, image, text, nullptr); break;
        }
    } catch (...) {
        // No exception may reach the dialog or command that called us.
        CopyStringW(text, L"Writer failed with an exception!", FORMAT_ERROR_CHARS);
        ok = false;
    }
    if (!ok) SetFormatError(errorText, text[0] ? text : L"Unable to write the file!");
    return ok;
}
