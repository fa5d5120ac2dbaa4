// SaveImageFile: the writer of the target's extension, writing a temporary
// file that replaces the target once complete.
#include "formats/SaveDispatch.h"

#include <cwchar>
#include <string>

#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

// The target's full name: the temporary file goes beside it whatever the
// current directory does meanwhile.
std::wstring FullPathOf(const wchar_t* path) {
    const DWORD size = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    const DWORD n = GetFullPathNameW(path, size, full.data(), nullptr);
    if (n == 0 || n >= size) return path;
    full.resize(n);
    return full;
}

SaveFinishedHook g_finishedHook = nullptr;

}  // namespace

SaveFinishedHook SetSaveFinishedHook(SaveFinishedHook hook) {
    const SaveFinishedHook previous = g_finishedHook;
    g_finishedHook = hook;
    return previous;
}

bool SaveImageFile(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options) {
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
    std::wstring target, temp;
    try {
        target = FullPathOf(path);
        temp = target + L".tmp";
        ok = writer(temp.c_str(), image, text, options);
        if (ok && g_finishedHook) ok = g_finishedHook(temp.c_str(), text);
        if (!ok && !text[0]) CopyStringW(text, L"Unable to write the file!", FORMAT_ERROR_CHARS);
    } catch (...) {
        // No exception may reach the dialog or command that called us.
        CopyStringW(text, L"Writer failed with an exception!", FORMAT_ERROR_CHARS);
        ok = false;
    }
    // One checked rename puts the complete file in the target's place.
    if (ok && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        _snwprintf(text, FORMAT_ERROR_CHARS - 1, L"Unable to replace %ls!", target.c_str());
        text[FORMAT_ERROR_CHARS - 1] = L'\0';
        ok = false;
    }
    if (!ok) {
        if (!temp.empty()) DeleteFileW(temp.c_str());
        SetFormatError(errorText, text);
    }
    return ok;
}
