// Readers bound to optional decoder libraries in the "AddOns" folder below the
// program's folder: Canon raw (QRV_CRW.dll), OpenEXR (QRV_EXR.dll), FlashPix
// (QRV_FPX.dll), JBIG2 (QRV_JB2.dll) and JBIG (QRV_JBG.dll). Each decode loads
// the library, calls its one export (cdecl) and unloads it again.
//
// An export returns a global memory block holding a packed bitmap: a
// BITMAPINFOHEADER whose size field is the offset of the rows, then the rows
// bottom-up with 4-byte padding. The block is checked before it is used: a
// header of at least 40 bytes, a known bit count, a positive size, and the rows
// inside the block.
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <initializer_list>

#include "formats/ByteReader.h"
#include "formats/FormatCodecs.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Palette.h"

namespace {

constexpr wchar_t kTextLock[] = L"Error in GlobalLock() occured!";
constexpr wchar_t kTextMemory[] = L"Unable to allocate Memory for storing Imagedata!";
constexpr wchar_t kTextMemoryFpx[] = L"Insufficient Memory for storing imagedata!";
constexpr wchar_t kTextJbig2[] = L"Unknown error in decoder dll!";
constexpr wchar_t kTextBadBlock[] = L"The decoder dll returned an invalid bitmap!";
constexpr wchar_t kTextOpen[] = L"Failed to open file for read!";

constexpr uint32_t kInfoHeaderBytes = 40;
constexpr size_t kErrorChars = 512;
// The JBIG2 decoder's rows follow its two-entry colour table.
constexpr uint32_t kJbig2TableBytes = 8;

using ReadCrwFunc = HGLOBAL(__cdecl*)(const wchar_t* path, wchar_t* error, int one, int thumbnail, int* fullWidth,
                                      int* fullHeight);
using ReadExrFunc = HGLOBAL(__cdecl*)(const wchar_t* path, wchar_t* error, int* fullWidth, int* fullHeight,
                                      uint8_t thumbnail);
using ReadFpxFunc = HGLOBAL(__cdecl*)(char* path, uint8_t thumbnail, char* error, int* fullWidth, int* fullHeight);
using ReadJbig2Func = HGLOBAL(__cdecl*)(char* path, void* work);
using ReadJbgFunc = HGLOBAL(__cdecl*)(const wchar_t* path, wchar_t* error);

// An export's address as the function it is.
template <typename Function>
Function As(FARPROC address) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(address));
}

enum class AddOn { Crw, Exr, Fpx, Jbig2, Jbg };

struct AddOnInfo {
    const wchar_t* library;
    const char* exportName;
};

const AddOnInfo& InfoOf(AddOn which) {
    static const AddOnInfo infos[] = {
        {L"QRV_CRW.dll", "ReadCRW"},   {L"QRV_EXR.dll", "ReadEXR"}, {L"QRV_FPX.dll", "ReadFPX"},
        {L"QRV_JB2.dll", "ReadJBIG2"}, {L"QRV_JBG.dll", "ReadJBG"},
    };
    return infos[(int)which];
}

// Unloads the library when it goes out of scope.
struct LibraryScope {
    HMODULE module;
    ~LibraryScope() {
        if (module) FreeLibrary(module);
    }
};

// Frees (and unlocks) the returned block when it goes out of scope.
struct BlockScope {
    HGLOBAL block;
    const uint8_t* data = nullptr;
    ~BlockScope() {
        if (data) GlobalUnlock(block);
        if (block) GlobalFree(block);
    }
};

// Makes the image from the locked block of size bytes; false with a text.
bool ImageFromBlock(AddOn which, CImage& image, const uint8_t* data, uint64_t size, wchar_t* errorText) {
    if (size < kInfoHeaderBytes) {
        SetFormatError(errorText, kTextBadBlock);
        return false;
    }
    ByteReader header(data, (size_t)size);
    const uint64_t headerBytes = header.U32LE();
    const int32_t width = header.S32LE();
    int64_t height = header.S32LE();
    header.Skip(2);  // planes
    int bitCount = header.U16LE();
    if (which == AddOn::Fpx || which == AddOn::Jbig2) height = height < 0 ? -height : height;
    const bool knownDepth =
        bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
    if (headerBytes < kInfoHeaderBytes || !knownDepth) {
        SetFormatError(errorText, kTextBadBlock);
        return false;
    }
    if (which == AddOn::Crw) bitCount = 24;
    const uint64_t offset = headerBytes + (which == AddOn::Jbig2 ? kJbig2TableBytes : 0);
    if (width <= 0 || height <= 0) {
        SetFormatError(errorText, which == AddOn::Fpx ? kTextMemoryFpx : kTextMemory);
        return false;
    }
    const uint64_t rowBytes = (uint64_t)CImage::RowBytes((uint64_t)width, bitCount) * (uint64_t)height;
    if (offset > size || rowBytes > size - offset) {
        SetFormatError(errorText, kTextBadBlock);
        return false;
    }

    uint8_t rgb[256 * 3] = {};
    const uint8_t* palette = nullptr;
    if (which == AddOn::Jbig2 || (which == AddOn::Jbg && bitCount == 1)) {
        rgb[0] = rgb[1] = rgb[2] = 255;  // 0 white, 1 black
        palette = rgb;
    } else if ((which == AddOn::Jbg && bitCount == 8) || (which == AddOn::Fpx && bitCount <= 8)) {
        FillGreyPalette(rgb, 256);
        palette = rgb;
    }
    if (!image.Create(width, (int)height, bitCount, data + offset, palette)) {
        SetFormatError(errorText, which == AddOn::Fpx ? kTextMemoryFpx : kTextMemory);
        return false;
    }
    return true;
}

ReadStatus LoadWithAddOn(AddOn which, CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    if (!path || !CanOpenForRead(path, errorText)) return false;
    const AddOnInfo& info = InfoOf(which);
    wchar_t text[FORMAT_ERROR_CHARS];
    LibraryScope library{LoadAddOnLibrary(info.library)};
    if (!library.module) {
        std::swprintf(text, FORMAT_ERROR_CHARS, L"Need %ls for decoding! Check AddOns Website", info.library);
        SetFormatError(errorText, text);
        return false;
    }
    FARPROC function = GetProcAddress(library.module, info.exportName);
    if (!function) {
        std::swprintf(text, FORMAT_ERROR_CHARS, L"Need correct %ls module for decoding!", info.library);
        SetFormatError(errorText, text);
        return false;
    }

    // Error buffers one longer than promised, so that the text always ends.
    wchar_t error[kErrorChars + 1] = {};
    char errorAnsi[kErrorChars + 1] = {};
    char ansiPath[MAX_PATH] = {};
    const uint8_t thumbnail = call.request.Reduced() ? 1 : 0;
    if ((which == AddOn::Fpx || which == AddOn::Jbig2) && !WideToAnsiPath(ansiPath, path)) {
        // No narrow name opens this file: never hand over one that may name another.
        SetFormatError(errorText, kTextOpen);
        return false;
    }
    HGLOBAL block = nullptr;
    switch (which) {
    case AddOn::Crw:
        block = As<ReadCrwFunc>(function)(path, error, 1, thumbnail == 1 ? 1 : 0, &call.result.fullWidth,
                                          &call.result.fullHeight);
        break;
    case AddOn::Exr:
        block = As<ReadExrFunc>(function)(path, error, &call.result.fullWidth, &call.result.fullHeight, thumbnail);
        break;
    case AddOn::Fpx:
        block =
            As<ReadFpxFunc>(function)(ansiPath, thumbnail, errorAnsi, &call.result.fullWidth, &call.result.fullHeight);
        break;
    case AddOn::Jbig2: {
        uint8_t work[512] = {};
        block = As<ReadJbig2Func>(function)(ansiPath, work);
        break;
    }
    case AddOn::Jbg: block = As<ReadJbgFunc>(function)(path, error); break;
    }
    error[kErrorChars] = L'\0';
    errorAnsi[kErrorChars] = '\0';
    if (!block) {
        if (which == AddOn::Jbig2) {
            SetFormatError(errorText, kTextJbig2);
        } else if (which == AddOn::Fpx) {
            wchar_t converted[kErrorChars + 1] = {};
            MultiByteToWideChar(CP_ACP, 0, errorAnsi, -1, converted, (int)kErrorChars);
            SetFormatError(errorText, converted);
        } else {
            SetFormatError(errorText, error);
        }
        // A failure always says something.
        if (errorText && !errorText[0]) SetFormatError(errorText, kTextJbig2);
        return false;
    }
    BlockScope held{block};
    held.data = static_cast<const uint8_t*>(GlobalLock(block));
    if (!held.data) {
        SetFormatError(errorText, kTextLock);
        return false;
    }
    if (!ImageFromBlock(which, image, held.data, GlobalSize(block), errorText)) return false;

    if (which == AddOn::Exr) {
        if (call.request.Reduced() && call.result.fullWidth && call.result.fullHeight) {
            // A reduced picture arrives upside down, red and blue swapped.
            image.FlipVertical();
            image.SwapRedBlue();
        } else {
            call.result.fullWidth = (int)image.GetWidth();
            call.result.fullHeight = (int)image.GetHeight();
        }
    }
    if (which == AddOn::Jbig2) image.FlipVertical();
    return true;
}

}  // namespace

HMODULE LoadAddOnLibrary(const wchar_t* fileName) {
    wchar_t path[MAX_PATH * 2];
    if (!fileName || !GetProgramFolder(path, MAX_PATH * 2)) return nullptr;
    for (const wchar_t* part : {L"AddOns", fileName}) {
        const size_t length = std::wcslen(path);
        const bool separated = length && (path[length - 1] == L'\\' || path[length - 1] == L'/');
        if (length + 1 + std::wcslen(part) + 1 > MAX_PATH * 2) return nullptr;
        if (!separated) std::wcscat(path, L"\\");
        std::wcscat(path, part);
    }
    // A damaged library fails quietly instead of with a system box.
    DWORD previousMode = 0;
    const bool modeSet = SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    HMODULE module = LoadLibraryW(path);
    if (modeSet) SetThreadErrorMode(previousMode, nullptr);
    return module;
}

ReadStatus LoadCrw(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    return LoadWithAddOn(AddOn::Crw, image, path, errorText, call);
}
ReadStatus LoadExr(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    return LoadWithAddOn(AddOn::Exr, image, path, errorText, call);
}
ReadStatus LoadFpx(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    return LoadWithAddOn(AddOn::Fpx, image, path, errorText, call);
}
ReadStatus LoadJbig2(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    return LoadWithAddOn(AddOn::Jbig2, image, path, errorText, call);
}
ReadStatus LoadJbg(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    return LoadWithAddOn(AddOn::Jbg, image, path, errorText, call);
}
