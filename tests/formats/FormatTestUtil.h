// Helpers shared by the format tests: running a reader with its error text,
// refused files, and fixtures against their reference decoding. Pixels are
// compared with the helpers of formats/PixelCheck.h.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "formats/Formats.h"
#include "formats/ReaderServices.h"
#include "image/Image.h"

namespace fmttest {

// Runs read(image, path, errorText, call) as the viewer's entry runs the
// reader it picks: the request from this thread's load flags and what the
// shell installed, the result handed on afterwards (full size, tables to the
// viewer's bar). *text, when given, gets the error text.
template <typename Reader>
bool LoadWith(Reader read, CImage& image, const std::wstring& path, std::wstring* text = nullptr) {
    wchar_t buffer[FORMAT_ERROR_CHARS] = {};
    LoadCall call;
    call.request = ViewerLoadRequest();
    const bool ok = read(image, path.c_str(), buffer, call);
    FinishViewerLoad(call, ok, nullptr);
    if (text) *text = buffer;
    return ok;
}

// A reader's answer on bytes written to a temporary file named name. The
// test fails when the reader left the file open (an exclusive open fails).
struct Loaded {
    bool ok;
    std::wstring text;
};
Loaded LoadBytes(FormatReader read, CImage& image, const std::vector<uint8_t>& bytes, const wchar_t* name);
inline std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// Files a reader refuses with a text: each case loads as false with it.
struct RefusedCase {
    const char* what;
    std::vector<uint8_t> bytes;
    const wchar_t* text;
};
void ExpectRefused(FormatReader read, const wchar_t* name, const std::vector<RefusedCase>& cases);

// A fixture (below the fixtures folder) that reader decodes exactly as the
// reference decoding beside it ("<file>.rgba"), with the depth and size given,
// and that LoadMediaFile identifies as id.
struct ReaderFixture {
    const wchar_t* name;
    FormatReader reader;
    FormatId id;
    int bpp;
    uint32_t width, height;
};
void ExpectFixturesMatchReference(const wchar_t* folder, const ReaderFixture* fixtures, size_t count);
template <size_t N>
void ExpectFixturesMatchReference(const wchar_t* folder, const ReaderFixture (&fixtures)[N]) {
    ExpectFixturesMatchReference(folder, fixtures, N);
}

}  // namespace fmttest
