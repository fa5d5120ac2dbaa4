// Times the JPEG reader. Usage: bench_jpeg BIG.jpg RUNS FOLDER
// Prints "name milliseconds": decode_full (median of RUNS full decodes of
// BIG.jpg into the image model), and preview_FOLDER (all *.jpg of FOLDER
// decoded as browser thumbnails, the Exif thumbnail or 1/2..1/8 scaling,
// median of RUNS passes). Also, to take the full decode apart: create_image
// (CreateEmpty of a 6000 x 4000 24-bit image), touch_image (creating it and
// writing every byte once: the first-touch page faults of fresh memory) and
// decode_library (libjpeg with the reader's settings into a reused 16-row
// buffer, as djpeg decodes: the decoder's own cost in this process).
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "BenchLoad.h"
#include "BenchTiming.h"
#include "formats/Formats.h"
#include "formats/Jpeg.h"
#include "image/Image.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) return 2;
    const int runs = _wtoi(argv[2]);
    wchar_t text[FORMAT_ERROR_CHARS];
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        CImage image;
        const double a = Now();
        if (!ReadWith(LoadJpeg, image, argv[1], text)) {
            std::fwprintf(stderr, L"%ls\n", text);
            return 1;
        }
        times.push_back(Now() - a);
    }
    // The first decode in a process pays for the process's first large
    // allocation as well; the median leaves it out, so it is printed alone.
    std::printf("decode_full %.1f\n", Median(times));
    std::printf("decode_first %.1f\n", times[0]);
    // The part of a full decode that is the image model's: creating the image.
    times.clear();
    for (int i = 0; i < runs; ++i) {
        CImage image;
        const double a = Now();
        image.CreateEmpty(6000, 4000, 24, 0, nullptr);
        times.push_back(Now() - a);
    }
    std::printf("create_image %.1f\n", Median(times));
    // Creating the image and touching every byte of it once: the first-touch
    // page faults a decode into a fresh 72 MB image pays and djpeg does not.
    times.clear();
    for (int i = 0; i < runs; ++i) {
        CImage image;
        const double a = Now();
        image.CreateEmpty(6000, 4000, 24, 0, nullptr);
        GdiFlush();
        std::memset(image.bits, 1, (size_t)image.stride * 4000);
        times.push_back(Now() - a);
    }
    std::printf("touch_image %.1f\n", Median(times));
    // The library alone with the reader's settings, into a reused 16-row
    // buffer the way djpeg decodes: the decoder's own cost in this process.
    times.clear();
    for (int i = 0; i < runs; ++i) {
        FILE* f = _wfopen(argv[1], L"rb");
        if (!f) return 1;
        std::setvbuf(f, nullptr, _IOFBF, 1 << 16);
        const double a = Now();
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, f);
        jpeg_read_header(&cinfo, TRUE);
        cinfo.dct_method = JDCT_ISLOW;
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        const size_t row = (size_t)cinfo.output_width * 3;
        std::vector<uint8_t> buffer(row * 16);
        JSAMPROW rows[16];
        for (int r = 0; r < 16; ++r) rows[r] = buffer.data() + row * r;
        while (cinfo.output_scanline < cinfo.output_height)
            if (jpeg_read_scanlines(&cinfo, rows, 16) == 0) break;
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        times.push_back(Now() - a);
        std::fclose(f);
    }
    std::printf("decode_library %.1f\n", Median(times));

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
        const double a = Now();
        for (const std::wstring& f : files) {
            CImage image;
            if (!ReadWith(LoadJpeg, image, f.c_str(), text, LoadPurpose::Preview)) return 1;
        }
        times.push_back(Now() - a);
    }
    std::printf("preview %.1f %u\n", Median(times), (unsigned)files.size());
    return 0;
}
