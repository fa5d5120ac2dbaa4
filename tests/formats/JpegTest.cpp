#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "FormatTestUtil.h"
#include "PixelCheck.h"
#include "formats/LoadFlags.h"
#include "formats/Formats.h"
#include "formats/Jpeg.h"
#include "formats/SaveDispatch.h"
#include "image/Image.h"
#include "support/TestSupport.h"

using qrvtest::Fixture;
using qrvtest::TempDir;

namespace {

bool Load(CImage& image, const std::wstring& path, std::wstring* text = nullptr) {
    return fmttest::LoadWith(LoadJpeg, image, path, text);
}

// Mean absolute difference of the colour channels of two RGBA buffers.
double MeanError(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size() || a.empty()) return 1e9;
    double sum = 0;
    size_t n = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        if (i % 4 == 3) continue;
        sum += std::abs((int)a[i] - (int)b[i]);
        ++n;
    }
    return sum / (double)n;
}

std::string Q(const std::wstring& path) { return "'" + qrvtest::HostPath(path) + "'"; }

// One value of exiftool's output for the file ("-s3"), without the line end.
std::string ExifTool(const std::wstring& path, const std::string& tag, const std::wstring& scratch) {
    const std::wstring out = scratch + L".tag";
    if (qrvtest::RunHost("exiftool -s3 -n -" + tag + " " + Q(path) + " > " + Q(out)) != 0) return "?";
    std::vector<unsigned char> bytes = qrvtest::ReadAll(out);
    std::string text(bytes.begin(), bytes.end());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// A smooth picture (JPEG's case): gradients in every channel.
bool MakeSmooth24(CImage& image, int w, int h) {
    if (!image.CreateEmpty(w, h, 24, 0, nullptr)) return false;
    for (int row = 0; row < h; ++row) {
        uint8_t* line = image.ScanLine(row);
        for (int x = 0; x < w; ++x) {
            line[x * 3] = (uint8_t)(x * 255 / w);
            line[x * 3 + 1] = (uint8_t)(row * 255 / h);
            line[x * 3 + 2] = (uint8_t)(255 - (x + row) * 255 / (w + h));
        }
    }
    return true;
}

bool HasMarker(const std::vector<unsigned char>& bytes, unsigned char marker) {
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == marker) return true;
    return false;
}

}  // namespace

TEST(Jpeg, DecodesExactlyAsDjpeg) {
    struct Case {
        const wchar_t* name;
        int bpp;
    } cases[] = {{L"jpeg_base", 24},    {L"jpeg_444", 24},   {L"jpeg_prog", 24},  {L"jpeg_grey", 8},
                 {L"jpeg_restart", 24}, {L"jpeg_arith", 24}, {L"jpeg_trunc", 24}, {L"jpeg_large", 24}};
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.name));
        CImage image;
        std::wstring text;
        ASSERT_TRUE(Load(image, Fixture(std::wstring(c.name) + L".jpg"), &text)) << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetBpp(), c.bpp);
        if (c.bpp == 8) {
            for (int i = 0; i < 256; ++i) EXPECT_EQ(image.palette[i][0], i);
        }
        EXPECT_TRUE(pixelcheck::MatchesRgba(image, Fixture(std::wstring(c.name) + L".rgba")));
        EXPECT_EQ(AppState::FullImageWidth, (int)image.GetWidth());
        EXPECT_EQ(AppState::FullImageHeight, (int)image.GetHeight());
    }
}

TEST(Jpeg, CmykIsOpaqueAndMatchesImageMagick) {
    CImage image;
    std::wstring text;
    ASSERT_TRUE(Load(image, Fixture(L"jpeg_cmyk.jpg"), &text)) << qrvtest::Narrow(text);
    ASSERT_EQ(image.GetBpp(), 32);
    const std::vector<uint8_t> got = pixelcheck::ImageRgba(image);
    for (size_t i = 3; i < got.size(); i += 4) ASSERT_EQ(got[i], 255) << "pixel " << i / 4;
    const std::vector<uint8_t> ref = qrvtest::ReadAll(Fixture(L"jpeg_cmyk.rgba"));
    EXPECT_LT(MeanError(got, ref), 2.0);
}

TEST(Jpeg, EveryExifOrientationIsTurnedUpright) {
    for (int o = 1; o <= 8; ++o) {
        SCOPED_TRACE(o);
        CImage image;
        std::wstring text;
        const std::wstring name = L"jpeg_orient" + std::to_wstring(o);
        ASSERT_TRUE(Load(image, Fixture(name + L".jpg"), &text)) << qrvtest::Narrow(text);
        const bool turned = o >= 5;
        EXPECT_EQ(image.GetWidth(), turned ? 61u : 97u);
        EXPECT_TRUE(pixelcheck::MatchesRgba(image, Fixture(name + L".rgba")));
        EXPECT_EQ(AppState::FullImageWidth, turned ? 61 : 97);
        EXPECT_EQ(AppState::FullImageHeight, turned ? 97 : 61);
    }
}

TEST(Jpeg, OtherFilesAnswerInvalidFormatIdAndErrorsNeverExit) {
    CImage image;
    std::wstring text;
    EXPECT_FALSE(Load(image, Fixture(L"jpeg_is_png.jpg"), &text));
    EXPECT_EQ(text, FORMAT_TEXT_INVALID_ID);
    EXPECT_FALSE(Load(image, Fixture(L"no_such_file.jpg"), &text));
    EXPECT_EQ(text, L"Unable to open file!");

    // A start-of-frame with zero width is a library error: its text, no exit.
    TempDir dir;
    std::vector<unsigned char> bytes = qrvtest::ReadAll(Fixture(L"jpeg_base.jpg"));
    for (size_t i = 0; i + 9 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 7] = 0;
            bytes[i + 8] = 0;
            break;
        }
    ASSERT_TRUE(qrvtest::WriteAll(dir.File(L"zero.jpg"), bytes.data(), bytes.size()));
    EXPECT_FALSE(Load(image, dir.File(L"zero.jpg"), &text));
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text, FORMAT_TEXT_INVALID_ID);
    EXPECT_FALSE(image.IsValid());
}

TEST(Jpeg, PreviewDenominatorFollowsTheCell) {
    struct Row {
        uint32_t w, h;
        int expected;
    } rows[] = {{3000, 2000, 8}, {2000, 3000, 8}, {500, 400, 4}, {300, 200, 2}, {240, 180, 1},
                {241, 100, 2},   {100, 720, 4},   {100, 721, 8}, {0, 0, 1}};
    for (const Row& r : rows) EXPECT_EQ(JpegPreviewDenominator(r.w, r.h, 120, 90), r.expected) << r.w << "x" << r.h;
}

TEST(Jpeg, PreviewScalesAndReportsTheFullSize) {
    struct Case {
        const wchar_t* name;
        uint32_t w, h;
        int fullW, fullH;
    } cases[] = {{L"jpeg_3000x2000.camera", 375, 250, 3000, 2000},
                 // 3001 / 8 rounds up to 376; the full size is still 3001, not 376 x 8.
                 {L"jpeg_3001x2001.camera", 376, 251, 3001, 2001}};
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.name));
        LoadModeScope scope(true, true);
        CImage image;
        std::wstring text;
        ASSERT_TRUE(Load(image, Fixture(c.name), &text)) << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetWidth(), c.w);
        EXPECT_EQ(image.GetHeight(), c.h);
        EXPECT_EQ(AppState::FullImageWidth, c.fullW);
        EXPECT_EQ(AppState::FullImageHeight, c.fullH);
    }
}

TEST(Jpeg, PreviewTakesTheExifThumbnailTurned) {
    {
        LoadModeScope scope(true, true);
        CImage image;
        std::wstring text;
        ASSERT_TRUE(Load(image, Fixture(L"jpeg_thumb6.camera"), &text)) << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetWidth(), 106u);
        EXPECT_EQ(image.GetHeight(), 160u);
        // The thumbnail codec uses the fast DCT: close to djpeg, not equal.
        const std::vector<uint8_t> ref = qrvtest::ReadAll(Fixture(L"jpeg_thumb6.rgba"));
        EXPECT_LT(MeanError(pixelcheck::ImageRgba(image), ref), 1.5);
        EXPECT_EQ(AppState::FullImageWidth, 2000);
        EXPECT_EQ(AppState::FullImageHeight, 3000);
    }
    CImage full;
    ASSERT_TRUE(Load(full, Fixture(L"jpeg_thumb6.camera")));
    EXPECT_EQ(full.GetWidth(), 2000u);
    EXPECT_EQ(full.GetHeight(), 3000u);
    EXPECT_EQ(AppState::FullImageWidth, 2000);
}

TEST(Jpeg, LoadStatePerThread) {
    // A thumbnail decode with a request of its own on another thread neither
    // changes nor sees the viewer's load on this thread: each call has its own
    // purpose, full size and error text.
    int otherW = 0, otherFullW = 0;
    std::wstring otherText;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i) {
            CImage image;
            wchar_t text[FORMAT_ERROR_CHARS] = {};
            LoadCall refused(LoadPurpose::Thumbnail);
            EXPECT_TRUE(LoadJpeg(image, Fixture(L"jpeg_is_png.jpg").c_str(), text, refused).IsNotThisFormat());
            otherText = text;
            LoadCall thumbnail(LoadPurpose::Thumbnail);
            if (LoadJpeg(image, Fixture(L"jpeg_3000x2000.camera").c_str(), text, thumbnail))
                otherW = (int)image.GetWidth();
            otherFullW = thumbnail.result.fullWidth;
            EXPECT_EQ(AppState::FullImageWidth, 0) << "the worker's viewer-side view stays untouched";
        }
    });
    for (int i = 0; i < 3; ++i) {
        CImage image;
        ASSERT_TRUE(Load(image, Fixture(L"jpeg_3001x2001.camera")));
        EXPECT_EQ(image.GetWidth(), 3001u);
        EXPECT_EQ(AppState::FullImageWidth, 3001);
    }
    worker.join();
    EXPECT_EQ(otherW, 375);
    EXPECT_EQ(otherFullW, 3000);
    EXPECT_EQ(otherText, FORMAT_TEXT_INVALID_ID);
    EXPECT_EQ(AppState::PreviewLoad, 0);
}

TEST(Jpeg, StreamReaderAndDetectionByContent) {
    TempDir dir;
    std::vector<unsigned char> bytes(100, 'x');
    const std::vector<unsigned char> jpeg = qrvtest::ReadAll(Fixture(L"jpeg_base.jpg"));
    bytes.insert(bytes.end(), jpeg.begin(), jpeg.end());
    ASSERT_TRUE(qrvtest::WriteAll(dir.File(L"junk.bin"), bytes.data(), bytes.size()));
    FILE* f = _wfopen(dir.File(L"junk.bin").c_str(), L"rb");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 100, SEEK_SET);
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    LoadCall call;
    EXPECT_TRUE(LoadJpegStream(image, f, text, call)) << qrvtest::Narrow(text);
    std::fclose(f);
    EXPECT_TRUE(pixelcheck::MatchesRgba(image, Fixture(L"jpeg_base.rgba")));

    // A JFIF file under an unknown extension is found by its "JFIF" mark.
    ASSERT_TRUE(qrvtest::WriteAll(dir.File(L"photo.xyz"), jpeg.data(), jpeg.size()));
    CImage byContent;
    FormatId id = -1;
    EXPECT_TRUE(LoadMediaFile(byContent, dir.File(L"photo.xyz").c_str(), text, &id)) << qrvtest::Narrow(text);
    EXPECT_TRUE(pixelcheck::MatchesRgba(byContent, Fixture(L"jpeg_base.rgba")));
}

// ---- writer ----

TEST(JpegSave, EveryDepthReadsBackInImageMagickWithTheSoftwareTag) {
    TempDir dir;
    CImage source;
    ASSERT_TRUE(MakeSmooth24(source, 67, 45));
    for (int bpp : {24, 32, 8, 16}) {
        SCOPED_TRACE(bpp);
        CImage image;
        if (bpp == 24) {
            ASSERT_TRUE(image.Copy(source));
        } else if (bpp == 8) {
            uint8_t grey[768];
            for (int i = 0; i < 256; ++i) grey[i * 3] = grey[i * 3 + 1] = grey[i * 3 + 2] = (uint8_t)i;
            ASSERT_TRUE(image.CreateEmpty(67, 45, 8, 0, grey));
            for (uint32_t y = 0; y < 45; ++y)
                for (uint32_t x = 0; x < 67; ++x) image.SetPixelIndex(x, y, (uint8_t)(x * 3 + y));
        } else {
            ASSERT_TRUE(image.CreateEmpty(67, 45, bpp, 0, nullptr));
            uint8_t* all = source.GetBits(bpp);
            ASSERT_NE(all, nullptr);
            std::memcpy(image.ScanLine(0), all, (size_t)image.stride * 45);
            std::free(all);
        }
        const std::wstring out = dir.File(L"out" + std::to_wstring(bpp) + L".jpg");
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SaveJpeg(out.c_str(), image, text, 95, true, 0.0, false, 0, nullptr)) << qrvtest::Narrow(text);
        const std::vector<uint8_t> back = pixelcheck::ImageMagickDecoding(out);
        EXPECT_LT(MeanError(back, pixelcheck::ImageRgba(image)), 3.0);
        EXPECT_EQ(ExifTool(out, "Software", out), QRV_JPEG_SOFTWARE);
        EXPECT_FALSE(qrvtest::FileExists(out + L".tmp"));
    }
}

TEST(JpegSave, OptionsReachTheFile) {
    TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 64, 48));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    const std::wstring prog = dir.File(L"prog.jpg"), base = dir.File(L"base.jpg"), low = dir.File(L"low.jpg");
    ASSERT_TRUE(SaveJpeg(prog.c_str(), image, text, 80, true, 0.0, true, 0, nullptr));
    ASSERT_TRUE(SaveJpeg(base.c_str(), image, text, 80, false, 0.0, false, 0, nullptr));
    ASSERT_TRUE(SaveJpeg(low.c_str(), image, text, 10, false, 0.0, false, 0, nullptr));
    EXPECT_TRUE(HasMarker(qrvtest::ReadAll(prog), 0xC2));
    EXPECT_FALSE(HasMarker(qrvtest::ReadAll(base), 0xC2));
    EXPECT_LT(qrvtest::ReadAll(low).size(), qrvtest::ReadAll(base).size());
    EXPECT_EQ(qrvtest::RunHost("identify -format '%Q' " + Q(low) + " | grep -qx 10"), 0);
}

TEST(JpegSave, SavingOverTheViewedExifFileKeepsItsTagsAndTheDirectory) {
    TempDir dir;
    const std::wstring target = dir.File(L"viewed.jpg");
    ASSERT_TRUE(CopyFileW(Fixture(L"jpeg_orient6.jpg").c_str(), target.c_str(), FALSE));
    CImage image;
    ASSERT_TRUE(Load(image, target));
    ASSERT_EQ(image.GetWidth(), 61u);
    wchar_t before[MAX_PATH], after[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, before);
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    SaveOptions options;
    options.jpeg.quality = 90;
    options.jpeg.sourceFormat = FMT_JPEG;
    options.jpeg.sourcePath = target.c_str();
    ASSERT_TRUE(SaveImageFile(target.c_str(), image, text, options)) << qrvtest::Narrow(text);
    GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_STREQ(before, after);
    EXPECT_FALSE(qrvtest::FileExists(target + L".tmp"));
    EXPECT_EQ(ExifTool(target, "Make", target), "Quorvane");
    EXPECT_EQ(ExifTool(target, "Software", target), QRV_JPEG_SOFTWARE);
    // The pixels were turned upright; the orientation says so.
    EXPECT_EQ(ExifTool(target, "Orientation", target), "1");
    CImage again;
    ASSERT_TRUE(Load(again, target));
    EXPECT_EQ(again.GetWidth(), 61u);
    EXPECT_LT(MeanError(pixelcheck::ImageRgba(again), pixelcheck::ImageRgba(image)), 3.0);
}

TEST(JpegSave, FailuresLeaveTheOriginalAndNoTemporaryFile) {
    TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 32, 32));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(SaveJpeg(dir.File(L"missing\\x.jpg").c_str(), image, text, 80, true, 0, false, 0, nullptr));
    EXPECT_STREQ(text, L"Unable to open/create outfile!");

    // The target is held open without sharing: the replacement fails and the
    // original stays as it was.
    const std::wstring target = dir.File(L"held.jpg");
    const char original[] = "original bytes";
    ASSERT_TRUE(qrvtest::WriteAll(target, original, sizeof original));
    HANDLE held = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(SaveImageFile(target.c_str(), image, text, SaveOptions{}));
    EXPECT_NE(std::wstring(text).find(L"Unable to replace"), std::wstring::npos) << qrvtest::Narrow(text);
    CloseHandle(held);
    EXPECT_EQ(qrvtest::ReadAll(target), std::vector<unsigned char>(original, original + sizeof original));
    EXPECT_FALSE(qrvtest::FileExists(target + L".tmp"));
}

TEST(JpegSave, NamesWithoutAnAnsiFormWork) {
    TempDir dir;
    CImage image;
    ASSERT_TRUE(MakeSmooth24(image, 40, 30));
    const std::wstring path = dir.File(L"\x65E5\x672C-\x0436.jpg");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveJpeg(path.c_str(), image, text, 90, true, 0, false, 0, nullptr)) << qrvtest::Narrow(text);
    CImage back;
    ASSERT_TRUE(Load(back, path));
    EXPECT_LT(MeanError(pixelcheck::ImageRgba(back), pixelcheck::ImageRgba(image)), 3.0);

    // An Exif source under such a name gives its tags to the new file.
    const std::wstring source = dir.File(L"\x65E5\x672C-source.jpg");
    ASSERT_TRUE(CopyFileW(Fixture(L"jpeg_orient6.jpg").c_str(), source.c_str(), FALSE));
    const std::wstring target = dir.File(L"kept.jpg");
    ASSERT_TRUE(SaveJpeg(target.c_str(), image, text, 90, true, 0, false, FMT_JPEG, source.c_str()))
        << qrvtest::Narrow(text);
    EXPECT_EQ(ExifTool(target, "Make", target), "Quorvane");
}

// ---- metadata of a camera file saved over itself ----

namespace {

// exiftool's whole listing of a file into `out`, without what saving the
// picture changes: the orientation, the software, the sizes and where the
// thumbnail lies, and the file system's view.
std::string Listing(const std::wstring& file, const std::wstring& out) {
    return "exiftool -a -G1 -s " + Q(file) +
           " | grep -v -E '^\\[System\\]|ExifToolVersion|\\] +(Orientation|Software|ExifImageWidth|ExifImageHeight|"
           "ImageWidth|ImageHeight|ImageSize|Megapixels|ThumbnailOffset|ThumbnailLength|ThumbnailImage) +:' > " +
           Q(out);
}

std::string TextOf(const std::wstring& path) {
    std::vector<unsigned char> bytes = qrvtest::ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

// Copies a fixture to `target` and saves the picture read from it over it,
// with itself as the Exif source (the quick save, through the save dispatch);
// `edit` changes the picture first.
template <typename Edit>
void QuickSave(const std::wstring& fixture, const std::wstring& target, Edit edit) {
    ASSERT_TRUE(CopyFileW(Fixture(fixture).c_str(), target.c_str(), FALSE));
    CImage image;
    ASSERT_TRUE(Load(image, target));
    edit(image);
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    SaveOptions options;
    options.jpeg.quality = 90;
    options.jpeg.optimize = false;
    options.jpeg.sourceFormat = FMT_JPEG;
    options.jpeg.sourcePath = target.c_str();
    ASSERT_TRUE(SaveImageFile(target.c_str(), image, text, options)) << qrvtest::Narrow(text);
}

}  // namespace

TEST(JpegSave, SavingOverACameraFileKeepsWhatExiftoolReads) {
    // IPTC, XMP, a colour profile in two chunks, a comment and an unknown APP10
    // (made by exiftool); maker notes with offsets from the TIFF header (Canon
    // style, before the Exif directory) and from the note itself (Olympus
    // style, big-endian Exif); the Exif test file with GPS and interoperability.
    for (const wchar_t* name : {L"meta_exiftool.jpg", L"meta_canon.jpg", L"meta_olympus.jpg", L"exif_mm.jpg"}) {
        SCOPED_TRACE(qrvtest::Narrow(name));
        TempDir dir;
        const std::wstring before = Fixture(name), target = dir.File(L"photo.jpg");
        QuickSave(name, target, [](CImage&) {});
        const std::wstring a = dir.File(L"before.txt"), b = dir.File(L"after.txt");
        ASSERT_EQ(qrvtest::RunHost(Listing(before, a) + " && " + Listing(target, b)), 0);
        EXPECT_EQ(TextOf(a), TextOf(b));
        EXPECT_NE(qrvtest::RunHost("exiftool -a -warning " + Q(target) + " | grep -qi 'maker notes'"), 0);
        // The colour profile byte for byte, and a thumbnail where there was one.
        const std::wstring iccA = dir.File(L"a.icc"), iccB = dir.File(L"b.icc");
        EXPECT_EQ(
            qrvtest::RunHost("exiftool -b -ICC_Profile " + Q(before) + " > " + Q(iccA) + " && exiftool -b " +
                             "-ICC_Profile " + Q(target) + " > " + Q(iccB) + " && cmp " + Q(iccA) + " " + Q(iccB)),
            0);
        EXPECT_EQ(qrvtest::RunHost("exiftool -b -ThumbnailImage " + Q(target) + " | identify - > /dev/null"), 0);
        CImage again;
        EXPECT_TRUE(Load(again, target));
    }
}

TEST(JpegSave, TheThumbnailShowsThePictureSaved) {
    TempDir dir;
    const std::wstring target = dir.File(L"photo.jpg");
    // A flat colour replaces the gradient the old thumbnail shows.
    QuickSave(L"meta_exiftool.jpg", target, [](CImage& image) {
        ASSERT_EQ(image.bpp, 24);
        for (uint32_t y = 0; y < image.height; ++y) {
            uint8_t* line = image.ScanLine(y);
            for (uint32_t x = 0; x < image.width; ++x) {
                line[x * 3] = 40;
                line[x * 3 + 1] = 200;
                line[x * 3 + 2] = 90;
            }
        }
    });
    const std::wstring out = dir.File(L"thumb.txt");
    ASSERT_EQ(qrvtest::RunHost("exiftool -b -ThumbnailImage " + Q(target) + " | /usr/bin/convert - -format " +
                               "'%w %h ' -write info:- -resize 1x1! -format '%[fx:int(255*r+.5)] " +
                               "%[fx:int(255*g+.5)] %[fx:int(255*b+.5)]' info:- > " + Q(out)),
              0);
    int w = 0, h = 0, r = 0, g = 0, b = 0;
    ASSERT_EQ(std::sscanf(TextOf(out).c_str(), "%d %d %d %d %d", &w, &h, &r, &g, &b), 5) << TextOf(out);
    // The size of the old thumbnail (48 x 32 for the 96 x 64 picture).
    EXPECT_EQ(w, 48);
    EXPECT_EQ(h, 32);
    EXPECT_NEAR(r, 90, 6);
    EXPECT_NEAR(g, 200, 6);
    EXPECT_NEAR(b, 40, 6);
}
