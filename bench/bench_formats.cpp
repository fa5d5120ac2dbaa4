// Times the PNG and GIF readers and writers. Usage:
//   bench_formats RUNS BIG.png SMALL.png OUTFOLDER [INDEXED.gif]
// Prints "name milliseconds", each the median of RUNS runs:
//   png_decode  LoadPng of BIG.png (12 megapixels) into the image model;
//   png_encode  SavePng of that image (compression level 9, no interlace) to
//               OUTFOLDER\ours.png;
//   gif_encode  SaveGif of SMALL.png (a 24-bit photo of 1 megapixel): the
//               reduction to 256 colours and the LZW coding, to OUTFOLDER\ours.gif.
//   gif_lzw     with INDEXED.gif (another encoder's GIF of the same photo):
//               that file's palette image loaded and written again by SaveGif
//               to OUTFOLDER\ours-lzw.gif, the LZW coder alone on the same
//               indexes, so the two files' sizes compare the coders.
// Only the reader's or writer's call is inside the timing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "formats/Formats.h"
#include "formats/Gif.h"
#include "formats/Png.h"
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
    if (argc < 5) return 2;
    const int runs = _wtoi(argv[1]);
    const std::wstring out = argv[4];
    wchar_t text[FORMAT_ERROR_CHARS];
    std::vector<double> times;

    CImage big;
    for (int i = 0; i < runs; ++i) {
        CImage image;
        const double a = Now();
        if (!LoadPng(image, argv[2], text)) {
            std::fwprintf(stderr, L"LoadPng: %ls\n", text);
            return 1;
        }
        times.push_back(Now() - a);
        if (i == 0 && !big.Copy(image)) return 1;
    }
    std::printf("png_decode %.1f %ux%u\n", Median(times), (unsigned)big.width, (unsigned)big.height);

    times.clear();
    const std::wstring png = out + L"\\ours.png";
    for (int i = 0; i < runs; ++i) {
        const double a = Now();
        if (!SavePng(png.c_str(), big, text, 0)) {
            std::fwprintf(stderr, L"SavePng: %ls\n", text);
            return 1;
        }
        times.push_back(Now() - a);
    }
    std::printf("png_encode %.1f\n", Median(times));

    CImage small;
    if (!LoadPng(small, argv[3], text)) {
        std::fwprintf(stderr, L"LoadPng: %ls\n", text);
        return 1;
    }
    times.clear();
    const std::wstring gif = out + L"\\ours.gif";
    for (int i = 0; i < runs; ++i) {
        const double a = Now();
        if (!SaveGif(gif.c_str(), small, text)) {
            std::fwprintf(stderr, L"SaveGif: %ls\n", text);
            return 1;
        }
        times.push_back(Now() - a);
    }
    std::printf("gif_encode %.1f %ux%u\n", Median(times), (unsigned)small.width, (unsigned)small.height);

    if (argc > 5) {
        CImage indexed;
        if (!LoadGif(indexed, argv[5], text)) {
            std::fwprintf(stderr, L"LoadGif: %ls\n", text);
            return 1;
        }
        times.clear();
        const std::wstring lzw = out + L"\\ours-lzw.gif";
        for (int i = 0; i < runs; ++i) {
            const double a = Now();
            if (!SaveGif(lzw.c_str(), indexed, text)) {
                std::fwprintf(stderr, L"SaveGif: %ls\n", text);
                return 1;
            }
            times.push_back(Now() - a);
        }
        std::printf("gif_lzw %.1f %d\n", Median(times), indexed.GetBpp());
    }
    return 0;
}
