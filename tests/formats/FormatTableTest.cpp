// Format ids from extensions, the sound and video lists, the descriptions.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "formats/Formats.h"

namespace {

TEST(FormatIdFromExtension, KnownRows) {
    struct Row {
        const wchar_t* path;
        FormatId id;
    } rows[] = {
        {L"Photo.JPG", FMT_JPEG},     {L"photo.jpg", FMT_JPEG}, {L"a.JfIf", FMT_JPEG},
        {L"a.rgba", FMT_SGI},         {L"x.m3u", FMT_PLAYLIST}, {L"x.QRVLIST", FMT_PLAYLIST},
        {L"C:\\p.d\\x.bmp", FMT_BMP}, {L"x.dib", FMT_BMP},      {L"x.rle", FMT_BMP},
        {L"a.cur", FMT_ICO},          {L"a.pspimage", FMT_PSP}, {L"a.au", FMT_SOUND},
        {L"a.mp3", FMT_SOUND},        {L"a.qt", FMT_QTMOVIE},   {L"a.mov", FMT_QTMOVIE},
        {L"a.wm", FMT_VIDEO},         {L"a.divx", FMT_VIDEO},   {L"a.jng", FMT_MNG},
        {L"a.emf", FMT_WMF},          {L"a.img", FMT_IMAGE11},  {L"a.j2c", FMT_JP2},
        {L"image.tar.gz", 0},         {L"noextension", 0},      {L"trailingdot.", 0},
        {L"C:\\dir.bmp\\file", 0},    {L"a.jpgx", 0},           {L"a.jp", 0},
    };
    for (const Row& row : rows) EXPECT_EQ(GetFormatIdFromExtension(row.path), row.id) << row.path;
    EXPECT_EQ(GetFormatIdFromExtension(nullptr), 0);
}

TEST(FormatIdFromExtension, LongExtensionsGiveZero) {
    // A 31-character extension still fits the working copy; 32 do not.
    const std::wstring e31(31, L'b'), e32(32, L'b');
    EXPECT_EQ(GetFormatIdFromExtension((L"a." + e31).c_str()), 0);
    EXPECT_EQ(GetFormatIdFromExtension((L"a." + e32).c_str()), 0);
    EXPECT_EQ(GetFormatIdFromExtension((L"a." + std::wstring(28, L'x') + L".bmp").c_str()), FMT_BMP);
}

// Every extension of every row leads back to its row, whatever its case, and
// no extension is listed twice.
TEST(FormatIdFromExtension, EveryTableExtensionMapsToItsRow) {
    int seen = 0;
    for (FormatId id = 0; id < FMT_COUNT; ++id) {
        const FormatEntry& row = GetFormatEntry(id);
        EXPECT_EQ(row.id, id);
        if (!row.extensions) continue;
        std::wstring list = row.extensions;
        size_t start = 0;
        while (start < list.size()) {
            size_t end = list.find(L' ', start);
            if (end == std::wstring::npos) end = list.size();
            std::wstring ext = list.substr(start, end - start);
            std::wstring upper = ext;
            for (auto& c : upper) c = (wchar_t)std::towupper(c);
            EXPECT_EQ(GetFormatIdFromExtension((L"f." + ext).c_str()), id) << ext;
            EXPECT_EQ(GetFormatIdFromExtension((L"f." + upper).c_str()), id) << upper;
            ++seen;
            start = end + 1;
        }
    }
    EXPECT_GT(seen, 100);
    EXPECT_EQ(GetFormatEntry(21).extensions, nullptr);
    EXPECT_EQ(GetFormatEntry(FMT_RAW).extensions, nullptr);
    EXPECT_EQ(GetFormatEntry(-1).id, 0);
    EXPECT_EQ(GetFormatEntry(51).id, 0);
}

TEST(MediaExtensions, SoundAndVideoLists) {
    for (const wchar_t* p : {L"a.wav", L"a.WAX", L"a.midi", L"a.aifc", L"a.au", L"a.snd", L"a.rmi", L"a.ogg", L"a.wma",
                             L"a.mp1", L"a.mp2", L"a.mpa", L"a.Mp3"})
        EXPECT_TRUE(IsSoundExtension(p)) << p;
    for (const wchar_t* p :
         {L"a.mov", L"a.qt", L"a.avi", L"a.wm", L"a.wmv", L"a.wvx", L"a.asf", L"a.ivf", L"a.MPG", L"a.mpe", L"a.mpeg",
          L"a.m1v", L"a.mp2v", L"a.mpv2", L"a.mpv", L"a.m2v", L"a.divx", L"a.div", L"a.dat"})
        EXPECT_TRUE(IsVideoExtension(p)) << p;
    for (const wchar_t* p : {L"a.jpg", L"a", L"a.mp4x", L"mp3", L"a.mov.txt"}) {
        EXPECT_FALSE(IsSoundExtension(p)) << p;
        EXPECT_FALSE(IsVideoExtension(p)) << p;
    }
    EXPECT_FALSE(IsVideoExtension(L"a.mp3"));
    EXPECT_FALSE(IsSoundExtension(L"a.avi"));
    EXPECT_FALSE(IsSoundExtension(nullptr));
    EXPECT_FALSE(IsVideoExtension(nullptr));
}

TEST(FormatDescriptions, Rows) {
    EXPECT_STREQ(FormatDescriptions[0], L"Unknown Format");
    EXPECT_STREQ(FormatDescriptions[FMT_BMP], L"BMP - Windows or OS/2 Bitmap");
    EXPECT_STREQ(FormatDescriptions[21], L"JNG - JPEG Network Graphics");
    EXPECT_STREQ(FormatDescriptions[FMT_PIX], L"PIX - Alias|Wavefront Image / Esm Software PIX file");
    EXPECT_STREQ(FormatDescriptions[FMT_PLAYLIST], L"QRVLIST - QRV SlideShow File");
    for (int id = 0; id < FMT_COUNT; ++id) EXPECT_NE(FormatDescriptions[id][0], L'\0') << id;
}

}  // namespace
