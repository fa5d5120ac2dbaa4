// Times the run-length raster writers and readers and the PNM pair on one
// picture. Usage:
//   bench_raster RUNS INPUT.ppm OUTFOLDER
// Loads INPUT.ppm (24-bit) once, then for each case writes it to OUTFOLDER and
// reads that file back, printing "name_save milliseconds bytes" and
// "name_load milliseconds", each the median of RUNS runs:
//   tga       SaveTga with run-length encoding, ours.tga;
//   sgi1      SaveSgi compression 1 (run-length), ours-1.sgi;
//   sgi2      SaveSgi compression 2 (run-length, equal rows stored once),
//             ours-2.sgi;
//   ras       SaveRas with run-length encoding, ours.ras;
//   pnm       SavePnm (P6), ours.ppm.
// Every file read back is compared with the input pixel by pixel; a difference
// is an error. Only the writer's or reader's call is inside the timing.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchLoad.h"
#include "BenchTiming.h"
#include "formats/FormatCodecs.h"
#include "formats/Formats.h"
#include "image/Image.h"

using SaveFn = bool (*)(const wchar_t* path, CImage& image, wchar_t* errorText);

static bool SaveTgaRle(const wchar_t* path, CImage& image, wchar_t* errorText) {
    SaveOptions options;
    options.tgaRunLength = true;
    return SaveTga(path, image, errorText, options);
}
static bool SaveSgi1(const wchar_t* path, CImage& image, wchar_t* errorText) {
    return SaveSgi(path, image, errorText, 1);
}
static bool SaveSgi2(const wchar_t* path, CImage& image, wchar_t* errorText) {
    return SaveSgi(path, image, errorText, 2);
}
static bool SaveRasRle(const wchar_t* path, CImage& image, wchar_t* errorText) {
    return SaveRas(path, image, errorText, true);
}
static bool SavePnmP6(const wchar_t* path, CImage& image, wchar_t* errorText) {
    return SavePnm(path, image, errorText);
}

struct RasterCase {
    const char* name;
    const wchar_t* file;
    SaveFn save;
    ReaderFn load;
};

static const RasterCase kCases[] = {
    {"tga", L"ours.tga", SaveTgaRle, LoadTga},  {"sgi1", L"ours-1.sgi", SaveSgi1, LoadSgi},
    {"sgi2", L"ours-2.sgi", SaveSgi2, LoadSgi}, {"ras", L"ours.ras", SaveRasRle, LoadRas},
    {"pnm", L"ours.ppm", SavePnmP6, LoadPnm},
};

// True when both images have the same size, depth and rows.
static bool SamePixels(CImage& a, CImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.GetBpp() != b.GetBpp()) return false;
    const uint32_t bytes = CImage::RowBytes(a.GetWidth(), a.GetBpp());
    for (uint32_t y = 0; y < a.GetHeight(); ++y) {
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), bytes) != 0) return false;
    }
    return true;
}

static long long FileBytes(const wchar_t* path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return -1;
    return ((long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    const int runs = _wtoi(argv[1]);
    const std::wstring out = argv[3];
    wchar_t text[FORMAT_ERROR_CHARS];

    CImage input;
    if (!ReadWith(LoadPnm, input, argv[2], text)) {
        std::fwprintf(stderr, L"LoadPnm: %ls\n", text);
        return 1;
    }
    std::printf("input %ux%u %d\n", (unsigned)input.GetWidth(), (unsigned)input.GetHeight(), input.GetBpp());

    for (const RasterCase& c : kCases) {
        const std::wstring path = out + L"\\" + c.file;
        std::vector<double> saves, loads;
        for (int i = 0; i < runs; ++i) {
            const double a = Now();
            if (!c.save(path.c_str(), input, text)) {
                std::fwprintf(stderr, L"%hs save: %ls\n", c.name, text);
                return 1;
            }
            saves.push_back(Now() - a);
        }
        for (int i = 0; i < runs; ++i) {
            CImage image;
            const double a = Now();
            if (!ReadWith(c.load, image, path.c_str(), text)) {
                std::fwprintf(stderr, L"%hs load: %ls\n", c.name, text);
                return 1;
            }
            loads.push_back(Now() - a);
            if (i == 0 && !SamePixels(input, image)) {
                std::fprintf(stderr, "%s: the file read back differs from the input\n", c.name);
                return 1;
            }
        }
        std::printf("%s_save %.1f %lld\n", c.name, Median(saves), FileBytes(path.c_str()));
        std::printf("%s_load %.1f\n", c.name, Median(loads));
    }
    return 0;
}
