#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "PixelCheck.h"
#include "formats/Formats.h"
#include "formats/SaveDispatch.h"
#include "image/Common.h"
#include "image/Image.h"
#include "support/TestSupport.h"

using qrvtest::TempDir;

namespace {

bool HasMarker(const std::vector<unsigned char>& bytes, unsigned char marker) {
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == marker) return true;
    return false;
}

}  // namespace

TEST(SaveDispatch, WriterByExtension) {
    struct Row {
        const wchar_t* path;
        FormatId id;
    } rows[] = {{L"a.JPEG", FMT_JPEG}, {L"a.jpe", 0},       {L"a.rgba", FMT_SGI}, {L"C:\\x.y\\noext", 0},
                {L"a.Tiff", FMT_TIFF}, {L"a.ppp", FMT_PPP}, {L"a.RLE", FMT_BMP},  {L"a.jfif", FMT_JPEG},
                {L"a.sun", FMT_RAS},   {L"a.j2c", FMT_JP2}, {L"a.pbm", FMT_PNM},  {L"a.raw", FMT_RAW},
                {L"a.gif", FMT_GIF},   {L"a.mng", FMT_MNG}, {L"a.pix", FMT_PIX},  {L"a.pcx", FMT_PCX},
                {L"a.png", FMT_PNG},   {L"a.tga", FMT_TGA}, {L"a.dib", FMT_BMP},  {nullptr, 0}};
    for (const Row& r : rows)
        EXPECT_EQ(SaveFormatIdForPath(r.path), r.id) << (r.path ? qrvtest::Narrow(r.path) : "null");
}

TEST(SaveDispatch, OptionsReachTheWriters) {
    TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 40, 30));
    wchar_t text[FORMAT_ERROR_CHARS] = {};

    SaveOptions options;
    options.jpeg.progressive = true;
    ASSERT_TRUE(SaveImageFile(dir.File(L"a.JPEG").c_str(), image, text, options)) << qrvtest::Narrow(text);
    EXPECT_TRUE(HasMarker(qrvtest::ReadAll(dir.File(L"a.JPEG")), 0xC2));
    options.jpeg.progressive = false;
    ASSERT_TRUE(SaveImageFile(dir.File(L"b.jpg").c_str(), image, text, options));
    EXPECT_FALSE(HasMarker(qrvtest::ReadAll(dir.File(L"b.jpg")), 0xC2));

    for (bool interlace : {false, true}) {
        options.pngInterlace = interlace;
        const std::wstring png = dir.File(L"i" + std::to_wstring(interlace) + L".png");
        ASSERT_TRUE(SaveImageFile(png.c_str(), image, text, options)) << qrvtest::Narrow(text);
        const std::vector<unsigned char> bytes = qrvtest::ReadAll(png);
        ASSERT_GT(bytes.size(), 28u);
        EXPECT_EQ(bytes[28], interlace ? 1 : 0);  // the IHDR interlace method
    }

    options.tiffCompression = 1;  // PackBits
    const std::wstring tif = dir.File(L"p.tif");
    ASSERT_TRUE(SaveImageFile(tif.c_str(), image, text, options)) << qrvtest::Narrow(text);
    EXPECT_EQ(qrvtest::RunHost("tiffinfo '" + qrvtest::HostPath(tif) + "' | grep -q PackBits"), 0);
}

TEST(SaveDispatch, TargetsWithoutAWriterFailWithAText) {
    TempDir dir;
    CImage image;
    ASSERT_TRUE(pixelcheck::MakePattern24(image, 8, 8));
    for (const wchar_t* name : {L"a.jpe", L"noextension", L"a.xyz"}) {
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        EXPECT_FALSE(SaveImageFile(dir.File(name).c_str(), image, text, SaveOptions{}));
        EXPECT_NE(text[0], L'\0');
        EXPECT_FALSE(qrvtest::FileExists(dir.File(name)));
    }
}
