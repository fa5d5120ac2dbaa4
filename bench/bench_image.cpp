// Times the image toolbox on one picture: resampling to a given width with
// every mode, median-cut reduction to 256 colours, a 90-degree turn and a
// mirror. Usage: bench_image INPUT.ppm WIDTH RUNS OUTPUT_PREFIX
// Prints "name milliseconds" (median of RUNS) per line; writes the 256-colour
// result as OUTPUT_PREFIX-quant.ppm for the PSNR comparison.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "image/ColorDepth.h"
#include "image/Image.h"
#include "image/PixelOps.h"
#include "image/Resample.h"

static bool ReadPpm(const char* path, CImage& image) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    int w = 0, h = 0, maxv = 0;
    if (std::fscanf(f, "P6 %d %d %d", &w, &h, &maxv) != 3 || maxv != 255) {
        std::fclose(f);
        return false;
    }
    std::fgetc(f);
    if (!image.CreateEmpty(w, h, 24, 0, nullptr)) {
        std::fclose(f);
        return false;
    }
    std::vector<uint8_t> row((size_t)w * 3);
    for (int y = 0; y < h; ++y) {
        if (std::fread(row.data(), 1, row.size(), f) != row.size()) {
            std::fclose(f);
            return false;
        }
        uint8_t* d = image.ScanLine((uint32_t)(h - 1 - y));
        for (int x = 0; x < w; ++x) {
            d[x * 3] = row[x * 3 + 2];
            d[x * 3 + 1] = row[x * 3 + 1];
            d[x * 3 + 2] = row[x * 3];
        }
    }
    std::fclose(f);
    return true;
}

static bool WritePpm(const std::string& path, CImage& image) {
    uint8_t* rows = image.GetBits(24);
    if (!rows) return false;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::free(rows);
        return false;
    }
    const int w = (int)image.width, h = (int)image.height;
    const uint32_t s = CImage::RowBytes(w, 24);
    std::fprintf(f, "P6\n%d %d\n255\n", w, h);
    std::vector<uint8_t> row((size_t)w * 3);
    for (int y = 0; y < h; ++y) {
        const uint8_t* p = rows + (size_t)(h - 1 - y) * s;
        for (int x = 0; x < w; ++x) {
            row[x * 3] = p[x * 3 + 2];
            row[x * 3 + 1] = p[x * 3 + 1];
            row[x * 3 + 2] = p[x * 3];
        }
        std::fwrite(row.data(), 1, row.size(), f);
    }
    std::fclose(f);
    std::free(rows);
    return true;
}

// Median time of `runs` runs of op on a fresh copy of the source.
static double Time(CImage& source, int runs, const std::function<bool(CImage&)>& op, CImage* keep = nullptr) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        CImage work;
        if (!work.Copy(source)) return -1;
        const double a = Now();
        if (!op(work)) return -1;
        t.push_back(Now() - a);
        if (keep && i == runs - 1) keep->Copy(work);
    }
    return Median(t);
}

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: bench_image INPUT.ppm WIDTH RUNS OUTPUT_PREFIX\n");
        return 2;
    }
    CImage source;
    if (!ReadPpm(argv[1], source)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const int width = std::atoi(argv[2]);
    const int runs = std::max(1, std::atoi(argv[3]));
    const int height = (int)((int64_t)source.height * width / source.width);
    static const char* modes[] = {"nearest", "bresenham", "bicubic", "gaussian", "bilinear"};
    for (int mode = 0; mode < 5; ++mode)
        std::printf("resample_%s %.1f\n", modes[mode],
                    Time(source, runs, [&](CImage& im) { return ResampleImage(im, width, height, mode); }));
    std::printf("scale_coverage %.1f\n", Time(source, runs, [&](CImage& im) { return ScaleImage(im, width, height); }));
    CImage quant;
    std::printf("quantize_256 %.1f\n", Time(
                                           source, runs, [](CImage& im) { return im.ReduceDepth(8); }, &quant));
    WritePpm(std::string(argv[4]) + "-quant.ppm", quant);
    std::printf("rotate_90 %.1f\n", Time(source, runs, [](CImage& im) { return im.RotateRight90(); }));
    std::printf("mirror %.1f\n", Time(source, runs, [](CImage& im) { return im.Mirror(); }));
    return 0;
}
