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

#include "BenchLoad.h"
#include "BenchTiming.h"
#include "formats/Formats.h"
#include "formats/Gif.h"
#include "formats/Png.h"
#include "image/Image.h"

// Median milliseconds of `runs` calls of save(); the call's name and error
// text go to stderr, and the result is -1, when one fails.
template <typename Save>
static double TimeSaves(int runs, const wchar_t* name, const wchar_t* text, Save save) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double a = Now();
        if (!save()) {
            std::fwprintf(stderr, L"%ls: %ls\n", name, text);
            return -1;
        }
        times.push_back(Now() - a);
    }
    return Median(times);
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
        if (!ReadWith(LoadPng, image, argv[2], text)) {
            std::fwprintf(stderr, L"LoadPng: %ls\n", text);
            return 1;
        }
        times.push_back(Now() - a);
        if (i == 0 && !big.Copy(image)) return 1;
    }
    std::printf("png_decode %.1f %ux%u\n", Median(times), (unsigned)big.width, (unsigned)big.height);

    const std::wstring png = out + L"\\ours.png";
    const double pngEncode = TimeSaves(runs, L"SavePng", text, [&] { return SavePng(png.c_str(), big, text, 0); });
    if (pngEncode < 0) return 1;
    std::printf("png_encode %.1f\n", pngEncode);

    CImage small;
    if (!ReadWith(LoadPng, small, argv[3], text)) {
        std::fwprintf(stderr, L"LoadPng: %ls\n", text);
        return 1;
    }
    const std::wstring gif = out + L"\\ours.gif";
    const double gifEncode = TimeSaves(runs, L"SaveGif", text, [&] { return SaveGif(gif.c_str(), small, text); });
    if (gifEncode < 0) return 1;
    std::printf("gif_encode %.1f %ux%u\n", gifEncode, (unsigned)small.width, (unsigned)small.height);

    if (argc > 5) {
        CImage indexed;
        if (!ReadWith(LoadGif, indexed, argv[5], text)) {
            std::fwprintf(stderr, L"LoadGif: %ls\n", text);
            return 1;
        }
        const std::wstring lzw = out + L"\\ours-lzw.gif";
        const double gifLzw = TimeSaves(runs, L"SaveGif", text, [&] { return SaveGif(lzw.c_str(), indexed, text); });
        if (gifLzw < 0) return 1;
        std::printf("gif_lzw %.1f %d\n", gifLzw, indexed.GetBpp());
    }
    return 0;
}
