// Helpers shared by the format tests: running a reader with its error text, an
// image as RGBA rows (top row first, as ImageMagick's "rgba:" output), and
// reading a fixture's reference decoding.
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

// The picture as 8-bit RGBA, top row first. 16-bit pixels are 5-5-5 expanded
// with round(v * 255 / 31); images without alpha give alpha 255 unless
// withAlpha is set (32-bit: the fourth byte).
std::vector<uint8_t> ImageToRgba(CImage& image, bool withAlpha = false);

// Largest difference of one channel between two RGBA buffers of equal size
// (alpha compared only when compareAlpha); -1 when the sizes differ. *where
// gets the first pixel with the largest difference.
int MaxDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, bool compareAlpha,
                  size_t* where = nullptr);

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

// ImageMagick on the host converts a file the test wrote to RGBA; empty on failure.
std::vector<uint8_t> DecodeWithImageMagick(const std::wstring& path);

}  // namespace fmttest
