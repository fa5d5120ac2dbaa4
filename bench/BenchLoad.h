// A reader called on its own, the way work without a viewer loads a file: a
// full decode, or a reduced one for a thumbnail cell.
#pragma once
#include "formats/LoadCall.h"
#include "image/Image.h"

using ReaderFn = ReadStatus (*)(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);

inline bool ReadWith(ReaderFn reader, CImage& image, const wchar_t* path, wchar_t* errorText,
                     LoadPurpose purpose = LoadPurpose::Background) {
    LoadCall call;
    call.request.purpose = purpose;
    return (bool)reader(image, path, errorText, call);
}
