// Times the JPEG reader. Usage: bench_jpeg BIG.jpg RUNS FOLDER
// Prints "name milliseconds": decode_full (median of RUNS full decodes of
// BIG.jpg into the image model), and preview_FOLDER (all *.jpg of FOLDER
// decoded as browser thumbnails, the Exif thumbnail or 1/2..1/8 scaling,
// median of RUNS passes).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "formats/Formats.h"
#include "formats/Jpeg.h"
#include "image/Image.h"

static double Now() {
    LARGE_INTEGER c, f;
    QueryPerformanceCounter(&c);
    QueryPerformanceFrequency(&f);
    return (double)c.QuadPart * 1000.0 / (double)f.QuadPart;
}

static double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    const int runs = _wtoi(argv[2]);
    wchar_t text[FORMAT_ERROR_CHARS];
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        CImage image;
        const double a = Now();
        if (!LoadJpeg(image, argv[1], text)) {
            std::fwprintf(stderr, L"%ls\n", text);
            return 1;
        }
        times.push_back(Now() - a);
    }
    std::printf("decode_full %.1f\n", Median(times));
    // The part of a full decode that is the image model's: creating the image.
    times.clear();
    for (int i = 0; i < runs; ++i) {
        CImage image;
        const double a = Now();
        image.CreateEmpty(6000, 4000, 24, 0, nullptr);
        times.push_back(Now() - a);
    }
    std::printf("create_image %.1f\n", Median(times));

    std::vector<std::wstring> files;
    const std::wstring folder = argv[3];
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((folder + L"\\*.jpg").c_str(), &fd);
    if (find != INVALID_HANDLE_VALUE) {
        do files.push_back(folder + L"\\" + fd.cFileName);
        while (FindNextFileW(find, &fd));
        FindClose(find);
    }
    times.clear();
    for (int i = 0; i < runs; ++i) {
        LoadModeScope scope(true, true);
        const double a = Now();
        for (const std::wstring& f : files) {
            CImage image;
            if (!LoadJpeg(image, f.c_str(), text)) return 1;
        }
        times.push_back(Now() - a);
    }
    std::printf("preview %.1f %u\n", Median(times), (unsigned)files.size());
    return 0;
}
