// The error picture of a failed load and the loader of images kept among a
// module's resources.
#include <ole2.h>
#include <olectl.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>

#include "formats/ErrorPicture.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Image.h"

void FormatLoadErrorText(wchar_t* out, size_t size, const wchar_t* path, const wchar_t* message) {
    wchar_t fileLine[MAX_PATH + 16];
    swprintf(fileLine, MAX_PATH + 16, L"File: \"%ls\"", path ? path : L"");
    swprintf(out, size, L"%ls\r\nError: %ls\r\nExecution stopped.", fileLine, message ? message : L"");
}

namespace {

bool DrawErrorPicture(CImage& image, const wchar_t* path, const wchar_t* message) {
    uint8_t palette[768] = {};
    palette[0] = palette[1] = palette[2] = 255;  // entry 0 white, entry 1 black
    if (!image.CreateEmpty(LOAD_ERROR_WIDTH, LOAD_ERROR_HEIGHT, 1, RGB(255, 255, 255), palette)) return false;
    wchar_t text[2048];
    FormatLoadErrorText(text, 2048, path, message);
    RECT r = {10, 10, LOAD_ERROR_WIDTH - 10, LOAD_ERROR_HEIGHT - 10};
    SetBkMode(image.memoryDC, TRANSPARENT);
    SetTextColor(image.memoryDC, RGB(0, 0, 0));
    // Lines break only where the text has its own line breaks.
    DrawTextW(image.memoryDC, text, -1, &r, DT_LEFT | DT_TOP | DT_NOPREFIX);
    GdiFlush();
    return true;
}

}  // namespace

bool DrawLoadErrorImage(CImage& image, const wchar_t* path, const wchar_t* format, ...) {
    wchar_t message[1024] = {};
    if (format) {
        va_list args;
        va_start(args, format);
        vswprintf(message, 1024, format, args);
        va_end(args);
    }
    return DrawErrorPicture(image, path, message);
}

bool LoadImageFromResource(CImage& image, const wchar_t* name, const wchar_t* type, wchar_t* errorText,
                           HMODULE module) {
    if (!module) module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, name, type);
    const DWORD size = resource ? SizeofResource(module, resource) : 0;
    if (!resource) {
        SetFormatError(errorText, L"Failed to retrieve size of Resource!");
        return false;
    }
    if (size == 0) {
        SetFormatError(errorText, L"Invalid size of Resource!");
        return false;
    }
    HGLOBAL loaded = LoadResource(module, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        SetFormatError(errorText, L"Failed to load Resource!");
        return false;
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    void* target = memory ? GlobalLock(memory) : nullptr;
    if (!target) {
        if (memory) GlobalFree(memory);
        SetFormatError(errorText, L"Failed to load Resource!");
        return false;
    }
    memcpy(target, bytes, size);
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream)) || !stream) {
        GlobalFree(memory);
        SetFormatError(errorText, L"Failed: CreateStreamOnHGlobal()");
        return false;
    }
    IPicture* picture = nullptr;
    HRESULT hr = OleLoadPicture(stream, (LONG)size, FALSE, IID_IPicture, (void**)&picture);
    stream->Release();  // frees the memory too
    if (FAILED(hr) || !picture) {
        SetFormatError(errorText, L"Failed: OleLoadPicture()");
        return false;
    }
    OLE_XSIZE_HIMETRIC himetricWidth = 0;
    OLE_YSIZE_HIMETRIC himetricHeight = 0;
    picture->get_Width(&himetricWidth);
    picture->get_Height(&himetricHeight);
    HDC screen = GetDC(nullptr);
    const int width = MulDiv(himetricWidth, GetDeviceCaps(screen, LOGPIXELSX), 2540);
    const int height = MulDiv(himetricHeight, GetDeviceCaps(screen, LOGPIXELSY), 2540);
    ReleaseDC(nullptr, screen);
    bool ok = false;
    if (width <= 0 || height <= 0 || !image.CreateEmpty(width, height, 24, RGB(255, 255, 255), nullptr)) {
        SetFormatError(errorText, L"Failed: img.CreateEmpty()");
    } else if (FAILED(picture->Render(image.memoryDC, 0, 0, width, height, 0, himetricHeight, himetricWidth,
                                      -himetricHeight, nullptr))) {
        SetFormatError(errorText, L"Failed: pPicture->Render()");
    } else {
        GdiFlush();
        ok = true;
    }
    picture->Release();
    return ok;
}
