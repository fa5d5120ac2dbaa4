// The metafile and EPS readers: metafiles that GDI records here
// (CreateEnhMetaFileW, CreateMetaFileW with a placeable header put in front),
// the fixtures of tests/fixtures/meta_clp.sh, and damaged files whose sizes
// and counts leave the file. Wine's playback differs from Windows' in detail,
// so pictures are checked by size, transparent colour and a few pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "formats/FormatCodecs.h"
#include "formats/FormatTestUtil.h"
#include "formats/Formats.h"
#include "formats/Metafile.h"
#include "formats/PixelCheck.h"
#include "formats/ReaderServices.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

constexpr COLORREF kBackground = RGB(1, 2, 3);
constexpr COLORREF kRed = RGB(255, 0, 0);

COLORREF TestBackground() { return kBackground; }

// Installs the test's viewer background for the lifetime of the object.
struct BackgroundScope {
    BackgroundColorProvider previous = SetBackgroundColorProvider(TestBackground);
    ~BackgroundScope() { SetBackgroundColorProvider(previous); }
};

uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t)b[at] | (uint32_t)b[at + 1] << 8 | (uint32_t)b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}
void Set16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = (uint8_t)v;
    b[at + 1] = (uint8_t)(v >> 8);
}
void Set32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Set16(b, at, v & 0xFFFF);
    Set16(b, at + 2, v >> 16);
}

struct Screen {
    double horzRes, vertRes, horzSize, vertSize;
    Screen() {
        HDC dc = GetDC(nullptr);
        horzRes = GetDeviceCaps(dc, HORZRES);
        vertRes = GetDeviceCaps(dc, VERTRES);
        horzSize = GetDeviceCaps(dc, HORZSIZE);
        vertSize = GetDeviceCaps(dc, VERTSIZE);
        ReleaseDC(nullptr, dc);
    }
    // Pixels of a frame edge in hundredths of a millimetre.
    int Width(double frame) const { return (int)std::fabs(frame * horzRes / (horzSize * 100)); }
    int Height(double frame) const { return (int)std::fabs(frame * vertRes / (vertSize * 100)); }
};

COLORREF PixelAt(CImage& image, uint32_t x, uint32_t yFromTop) {
    const uint8_t* p = image.ScanLine(image.GetHeight() - 1 - yFromTop) + x * 3;
    return RGB(p[2], p[1], p[0]);
}

// A red rectangle over the left half of a w x h area of a recording DC.
void DrawLeftHalf(HDC dc, int left, int top, int w, int h) {
    HBRUSH red = CreateSolidBrush(kRed);
    HGDIOBJ oldBrush = SelectObject(dc, red);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Rectangle(dc, left, top, left + w / 2 + 1, top + h + 1);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(red);
}

// A Windows metafile recorded by GDI: window 200 x 100, left half red.
std::vector<uint8_t> RecordWindowsMetafile(const qrvtest::TempDir& dir) {
    const std::wstring path = dir.File(L"recorded.wmf");
    HDC dc = CreateMetaFileW(path.c_str());
    EXPECT_NE(dc, nullptr);
    if (!dc) return {};
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 200, 100, nullptr);
    DrawLeftHalf(dc, 0, 0, 200, 100);
    DeleteMetaFile(CloseMetaFile(dc));
    return qrvtest::ReadAll(path);
}

// The 22-byte placeable header in front of a Windows metafile.
std::vector<uint8_t> Placeable(const std::vector<uint8_t>& wmf, int left, int top, int right, int bottom, int inch,
                               bool goodChecksum = true) {
    std::vector<uint8_t> out(22, 0);
    Set32(out, 0, 0x9AC6CDD7);
    Set16(out, 6, (uint16_t)left);
    Set16(out, 8, (uint16_t)top);
    Set16(out, 10, (uint16_t)right);
    Set16(out, 12, (uint16_t)bottom);
    Set16(out, 14, (uint16_t)inch);
    uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= (uint16_t)(out[2 * i] | out[2 * i + 1] << 8);
    Set16(out, 20, goodChecksum ? sum : sum ^ 1);
    out.insert(out.end(), wmf.begin(), wmf.end());
    return out;
}

TEST(MetafileReader, EnhancedFrameAwayFromTheOrigin) {
    BackgroundScope background;
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"offset.emf");
    const Screen screen;
    // The frame (hundredths of a millimetre) from (1000, 500) to (6000, 3000).
    const RECT frame{1000, 500, 6000, 3000};
    HDC dc = CreateEnhMetaFileW(nullptr, path.c_str(), &frame, nullptr);
    ASSERT_NE(dc, nullptr);
    const int left = screen.Width(frame.left), top = screen.Height(frame.top);
    const int w = screen.Width(frame.right) - left, h = screen.Height(frame.bottom) - top;
    DrawLeftHalf(dc, left, top, w, h);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
    const std::vector<uint8_t> bytes = qrvtest::ReadAll(path);
    ASSERT_GE(bytes.size(), 88u);
    const int32_t frameRight = (int32_t)Get32(bytes, 32), frameBottom = (int32_t)Get32(bytes, 36);
    ASSERT_GT((int32_t)Get32(bytes, 24), 0) << "the recorded frame starts at the origin";

    CImage image;
    std::wstring text;
    ASSERT_TRUE(fmttest::LoadWith(LoadMetafile, image, path, &text)) << qrvtest::Narrow(text);
    // Sized by the frame's right and bottom edges, not by its width and height.
    EXPECT_EQ((int)image.GetWidth(), screen.Width(frameRight));
    EXPECT_EQ((int)image.GetHeight(), screen.Height(frameBottom));
    EXPECT_EQ(image.GetBpp(), 24);
    EXPECT_EQ(image.hasTransparency, 1);
    EXPECT_EQ(image.transparentColor, kBackground);
    const uint32_t iw = image.GetWidth(), ih = image.GetHeight();
    EXPECT_EQ(PixelAt(image, iw / 5, ih / 2), kRed);
    EXPECT_EQ(PixelAt(image, iw * 9 / 10, ih / 2), kBackground);

    CImage viaDispatch;
    FormatId id = -1;
    wchar_t buffer[FORMAT_ERROR_CHARS] = {};
    EXPECT_TRUE(LoadMediaFile(viaDispatch, path.c_str(), buffer, &id)) << qrvtest::Narrow(buffer);
    EXPECT_EQ(id, FMT_WMF);
}

TEST(MetafileReader, PlaceableMetafileSizedByItsBox) {
    BackgroundScope background;
    qrvtest::TempDir dir;
    const Screen screen;
    const std::vector<uint8_t> wmf = RecordWindowsMetafile(dir);
    ASSERT_FALSE(wmf.empty());
    const std::wstring path = dir.File(L"placeable.wmf");
    const std::vector<uint8_t> file = Placeable(wmf, 0, 0, 200, 100, 96);
    ASSERT_TRUE(qrvtest::WriteAll(path, file.data(), file.size()));
    CImage image;
    std::wstring text;
    ASSERT_TRUE(fmttest::LoadWith(LoadMetafile, image, path, &text)) << qrvtest::Narrow(text);
    // 200 x 100 units at 96 a inch: 5292 x 2646 hundredths of a millimetre.
    EXPECT_NEAR((int)image.GetWidth(), screen.Width(MulDiv(200, 2540, 96)), 2);
    EXPECT_NEAR((int)image.GetHeight(), screen.Height(MulDiv(100, 2540, 96)), 2);
    EXPECT_EQ(image.transparentColor, kBackground);
    const uint32_t iw = image.GetWidth(), ih = image.GetHeight();
    EXPECT_EQ(PixelAt(image, iw / 5, ih / 2), kRed);
    EXPECT_EQ(PixelAt(image, iw * 9 / 10, ih / 2), kBackground);

    // The same bytes through the byte-level entry point.
    HENHMETAFILE emf = LoadPlaceableMetafile(file.data(), file.size());
    EXPECT_NE(emf, nullptr);
    if (emf) DeleteEnhMetaFile(emf);
    EXPECT_EQ(LoadPlaceableMetafile(file.data(), file.size() - 2), nullptr);
}

TEST(MetafileReader, FixturesRender) {
    BackgroundScope background;
    const Screen screen;
    const struct {
        const wchar_t* name;
        int frameRight;  // hundredths of a millimetre; 0: any size
        int frameBottom;
    } cases[] = {
        {L"picture.emf", 5292, 2646},
        {L"placeable.wmf", 5292, 2646},
        {L"plain.wmf", 0, 0},
    };
    for (const auto& c : cases) {
        const std::string name = qrvtest::Narrow(c.name);
        CImage image;
        std::wstring text;
        ASSERT_TRUE(fmttest::LoadWith(LoadMetafile, image, qrvtest::Fixture(std::wstring(L"meta\\") + c.name), &text))
            << name << ": " << qrvtest::Narrow(text);
        EXPECT_EQ(image.transparentColor, kBackground) << name;
        if (!c.frameRight) continue;
        EXPECT_NEAR((int)image.GetWidth(), screen.Width(c.frameRight), 2) << name;
        EXPECT_NEAR((int)image.GetHeight(), screen.Height(c.frameBottom), 2) << name;
        const uint32_t iw = image.GetWidth(), ih = image.GetHeight();
        EXPECT_EQ(PixelAt(image, iw / 5, ih / 2), kRed) << name;
        EXPECT_EQ(PixelAt(image, iw / 2 + iw / 20, ih - 2), kBackground) << name;
    }
}

TEST(MetafileReader, DamagedMetafilesAreRefused) {
    qrvtest::TempDir dir;
    const std::wstring apm = L"Unable to load Aldus Placable Metafile (APM)";
    const std::wstring wmfText = L"Unable to load Windows 3.x Metafile";
    const std::wstring emfText = L"Unable to load Enhanced Metafile (EMF)";
    const std::vector<uint8_t> wmf = RecordWindowsMetafile(dir);
    ASSERT_GE(wmf.size(), 30u);
    const std::vector<uint8_t> emf = qrvtest::ReadAll(qrvtest::Fixture(L"meta\\picture.emf"));
    ASSERT_GE(emf.size(), 120u);

    auto placeable = [&](auto change) {
        std::vector<uint8_t> b = Placeable(wmf, 0, 0, 200, 100, 96);
        change(b);
        return b;
    };
    auto plain = [&](auto change) {
        std::vector<uint8_t> b = wmf;
        change(b);
        return b;
    };
    auto enhanced = [&](auto change) {
        std::vector<uint8_t> b = emf;
        change(b);
        return b;
    };
    // The first record of the plain metafile starts behind its 18-byte header;
    // the enhanced fixture's records: header (100), brush (24), select (12),
    // rectangle (24), polygon16 (40), end of file (20).
    const size_t emfPolygon = 100 + 24 + 12 + 24;
    std::vector<fmttest::RefusedCase> cases = {
        {"placeable, wrong checksum", Placeable(wmf, 0, 0, 200, 100, 96, false), nullptr},
        {"placeable, 0 units per inch", Placeable(wmf, 0, 0, 200, 100, 0), nullptr},
        {"placeable, word count beyond the file", placeable([](auto& b) { Set32(b, 22 + 6, 0x7FFFFFFF); }), nullptr},
        {"placeable, cut inside the records", placeable([](auto& b) { b.resize(b.size() - 8); }), nullptr},
        {"plain, record beyond the metafile", plain([](auto& b) { Set32(b, 18, 0x00FFFFFF); }), nullptr},
        {"plain, record of 0 words", plain([](auto& b) { Set32(b, 18, 0); }), nullptr},
        {"plain, no end record", plain([](auto& b) { Set16(b, b.size() - 2, 0x0035); }), nullptr},
        {"plain, objects selected beyond the object table", plain([](auto& b) { Set16(b, 10, 0); }), nullptr},
        {"plain, size beyond the file", plain([](auto& b) { Set32(b, 6, 0x10000000); }), nullptr},
        {"enhanced, total size beyond the file", enhanced([](auto& b) { Set32(b, 48, 0x7FFFFFFF); }), nullptr},
        {"enhanced, record beyond the total", enhanced([](auto& b) { Set32(b, 100 + 4, 0x10000); }), nullptr},
        {"enhanced, record size not a multiple of 4", enhanced([](auto& b) { Set32(b, 100 + 4, 22); }), nullptr},
        {"enhanced, description beyond the header", enhanced([](auto& b) {
             Set32(b, 64, 1000);
             Set32(b, 68, 100);
         }),
         nullptr},
        {"enhanced, polygon count beyond its record", enhanced([&](auto& b) { Set32(b, emfPolygon + 24, 0x10000000); }),
         nullptr},
        {"enhanced, brush made at a handle beyond the table", enhanced([](auto& b) { Set32(b, 100 + 8, 7); }), nullptr},
        {"enhanced, no end-of-file record", enhanced([](auto& b) { Set32(b, b.size() - 20, 70); }), nullptr},
    };
    for (auto& c : cases) {
        const std::string what = c.what;
        const std::wstring& expected = what.rfind("placeable", 0) == 0 ? apm
                                       : what.rfind("plain", 0) == 0   ? wmfText
                                                                       : emfText;
        CImage image;
        const auto r =
            fmttest::LoadBytes(LoadMetafile, image, c.bytes, what.rfind("enhanced", 0) == 0 ? L"x.emf" : L"x.wmf");
        EXPECT_FALSE(r.ok) << what;
        EXPECT_EQ(r.text, expected) << what;
    }

    CImage image;
    // A frame far beyond any picture (damaged bottom edge): refused, not played
    // into hundreds of megabytes.
    const DWORD start = GetTickCount();
    const auto huge =
        fmttest::LoadBytes(LoadMetafile, image, enhanced([](auto& b) { Set32(b, 36, 0x01000000); }), L"x.emf");
    EXPECT_FALSE(huge.ok);
    EXPECT_EQ(huge.text, L"Unable to allocate Memory for storing Imagedata!");
    EXPECT_LT(GetTickCount() - start, 2000u);

    std::wstring text;
    EXPECT_FALSE(fmttest::LoadWith(LoadMetafile, image, dir.File(L"missing.wmf"), &text));
    EXPECT_EQ(text, L"Unable to open file!");
}

TEST(MetafileReader, RecordChecksTable) {
    // Windows metafile records with counts and bitmaps: header + one record + end.
    auto wmfWith = [](std::vector<uint16_t> record) {
        std::vector<uint8_t> b(18, 0);
        record.insert(record.end(), {3, 0, 0});  // end record
        Set16(b, 0, 1);
        Set16(b, 2, 9);
        Set16(b, 4, 0x300);
        Set32(b, 6, (uint32_t)(9 + record.size()));
        for (uint16_t w : record) {
            b.push_back((uint8_t)w);
            b.push_back((uint8_t)(w >> 8));
        }
        return b;
    };
    const struct {
        const char* what;
        std::vector<uint16_t> record;  // size (2 words), function, parameters
        bool whole;
    } cases[] = {
        {"polygon, 2 points", {8, 0, 0x0324, 2, 1, 1, 5, 5}, true},
        {"polygon, 3 points claimed", {8, 0, 0x0324, 3, 1, 1, 5, 5}, false},
        {"polypolygon, counts beyond", {9, 0, 0x0538, 1, 4, 1, 1, 5, 5}, false},
        {"polypolygon, fits", {7, 0, 0x0538, 1, 1, 1, 1}, true},
        {"stretchdib, header only", {14, 0, 0x0F43, 0, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 40}, false},
        {"dibcreatepatternbrush, 1 x 1 x 24",
         {5 + 22, 0, 0x0142, 0, 0, 40, 0, 1, 0, 1, 0, 1, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         true},
        {"dibcreatepatternbrush, 1000 rows",
         {5 + 22, 0, 0x0142, 0, 0, 40, 0, 1, 0, 1000, 0, 1, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         false},
        {"undefined function", {4, 0, 0x0999, 7}, false},
        {"undefined function 0x0413 (a damaged rectangle)", {7, 0, 0x0413, 100, 100, 0, 0}, false},
        {"rectangle", {7, 0, 0x041B, 100, 100, 0, 0}, true},
        {"rectangle short of parameters", {6, 0, 0x041B, 100, 100, 0}, false},
        {"textout, 3 characters", {8, 0, 0x0521, 3, 0x6261, 0x63, 5, 5}, true},
        {"textout, text beyond the record", {8, 0, 0x0521, 9, 0x6261, 0x63, 5, 5}, false},
        {"createpalette, entries beyond", {7, 0, 0x00F7, 0x300, 2, 0, 0}, false},
        {"createregion, scan beyond", {14, 0, 0x06FF, 0, 6, 0, 0, 30, 1, 1, 0, 0, 9, 9}, false},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> b = wmfWith(c.record);
        EXPECT_EQ(CheckWindowsMetafile(b.data(), b.size()), c.whole) << c.what;
    }
    const std::vector<uint8_t> emf = qrvtest::ReadAll(qrvtest::Fixture(L"meta\\picture.emf"));
    ASSERT_GE(emf.size(), 120u);
    // Enhanced metafile: the fixture's header (100 bytes), one record, end of file.
    auto emfWith = [&](std::vector<uint32_t> record) {
        std::vector<uint8_t> b(emf.begin(), emf.begin() + 100);
        record[1] = (uint32_t)record.size() * 4;
        record.insert(record.end(), {14, 20, 0, 16, 20});
        for (uint32_t v : record)
            for (int i = 0; i < 4; ++i) b.push_back((uint8_t)(v >> (8 * i)));
        Set32(b, 48, (uint32_t)b.size());
        return b;
    };
    const struct {
        const char* what;
        std::vector<uint32_t> record;  // type, size (filled in), fields
        bool whole;
    } emfCases[] = {
        {"rectangle", {43, 0, 0, 0, 10, 10}, true},
        {"exttextoutw, 2 characters", {84, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2, 76, 0, 0, 0, 0, 0, 0, 0x00620061}, true},
        {"exttextoutw, string beyond", {84, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2, 0x10000, 0, 0, 0, 0, 0, 0, 0}, false},
        {"exttextoutw, spacing beyond",
         {84, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2, 76, 0, 0, 0, 0, 0, 76, 0x00620061},
         false},
        {"polytextoutw", {97, 0, 0, 0, 0, 0, 1, 0, 0, 0}, false},
        {"extselectcliprgn, no region", {75, 0, 0, 5}, true},
        {"fillrgn, rectangles beyond", {71, 0, 0, 0, 0, 0, 32, 1, 32, 1, 9, 0, 0, 0, 0, 0}, false},
        {"createpalette, entries beyond", {49, 0, 1, 0x00400300}, false},
    };
    for (const auto& c : emfCases) {
        const std::vector<uint8_t> b = emfWith(c.record);
        EXPECT_EQ(CheckEnhancedMetafile(b.data(), b.size()), c.whole) << c.what;
    }
    uint32_t bytes = 0;
    EXPECT_TRUE(CheckEnhancedMetafile(emf.data(), emf.size(), &bytes));
    EXPECT_EQ(bytes, emf.size());
    EXPECT_FALSE(CheckEnhancedMetafile(emf.data(), emf.size() - 4));
}

std::vector<std::wstring> TemporaryQrvFiles() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((std::wstring(folder) + L"qrv*.tmp").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(fd.cFileName);
    while (FindNextFileW(find, &fd));
    FindClose(find);
    return names;
}

TEST(EpsReader, Previews) {
    CImage tiffOnly;
    pixelcheck::ExpectFixtureMatches(LoadEps, FMT_EPS, L"meta\\tiff-preview.eps", 24);

    CImage wmfOnly, both;
    std::wstring text;
    ASSERT_TRUE(fmttest::LoadWith(LoadEps, wmfOnly, qrvtest::Fixture(L"meta\\wmf-preview.eps"), &text))
        << qrvtest::Narrow(text);
    EXPECT_EQ(wmfOnly.GetBpp(), 24);
    EXPECT_EQ(wmfOnly.hasTransparency, 0);
    const uint32_t w = wmfOnly.GetWidth(), h = wmfOnly.GetHeight();
    ASSERT_GT(w, 4u);
    ASSERT_GT(h, 4u);
    // Drawn on white: the rectangle fills the left half; below the triangle stays white.
    EXPECT_EQ(PixelAt(wmfOnly, 1, h / 2), kRed);
    EXPECT_EQ(PixelAt(wmfOnly, w - 1, h - 1), RGB(255, 255, 255));

    // With both previews the metafile is shown.
    ASSERT_TRUE(fmttest::LoadWith(LoadEps, both, qrvtest::Fixture(L"meta\\both-previews.eps"), &text))
        << qrvtest::Narrow(text);
    EXPECT_TRUE(pixelcheck::SamePixels(both, wmfOnly));
}

TEST(EpsReader, DamagedFilesAreRefusedAndLeaveNoTemporaryFile) {
    const std::vector<uint8_t> both = qrvtest::ReadAll(qrvtest::Fixture(L"meta\\both-previews.eps"));
    const std::vector<uint8_t> tiff = qrvtest::ReadAll(qrvtest::Fixture(L"meta\\tiff-preview.eps"));
    ASSERT_GE(both.size(), 64u);
    ASSERT_GE(tiff.size(), 64u);
    auto change = [](std::vector<uint8_t> b, size_t at, uint32_t v) {
        Set32(b, at, v);
        return b;
    };
    std::vector<uint8_t> garbageTiff = tiff;
    for (size_t i = Get32(tiff, 20) + 8; i < garbageTiff.size(); ++i) garbageTiff[i] = (uint8_t)(i * 13);
    std::vector<uint8_t> wrongMagic = both;
    wrongMagic[0] = 0xC4;
    const std::vector<fmttest::RefusedCase> cases = {
        {"wrong magic", wrongMagic, FORMAT_TEXT_INVALID_ID},
        {"shorter than the header", std::vector<uint8_t>(both.begin(), both.begin() + 20), FORMAT_TEXT_INVALID_ID},
        {"no preview", change(change(change(both, 16, 0), 24, 0), 12, 0), L"No valid Preview Image found!"},
        {"metafile offset beyond the file", change(both, 12, 0x7FFFFFF0), L"Unable to load Windows 3.x Metafile"},
        {"metafile length beyond the file", change(both, 16, 0xFFFFFFFF), L"Unable to load Windows 3.x Metafile"},
        {"metafile cut short", change(both, 16, 20), L"Unable to load Windows 3.x Metafile"},
        {"TIFF length beyond the file", change(tiff, 24, 0xFFFFFFF0), L"No valid Preview Image found!"},
        {"TIFF offset beyond the file", change(tiff, 20, 0xFFFFFFF0), L"No valid Preview Image found!"},
    };
    const std::vector<std::wstring> before = TemporaryQrvFiles();
    fmttest::ExpectRefused(LoadEps, L"x.eps", cases);
    // A TIFF preview the TIFF reader refuses: its text, and the copy is gone.
    CImage image;
    const auto r = fmttest::LoadBytes(LoadEps, image, garbageTiff, L"x.eps");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.text.empty());
    EXPECT_EQ(TemporaryQrvFiles(), before);

    std::wstring text;
    qrvtest::TempDir dir;
    EXPECT_FALSE(fmttest::LoadWith(LoadEps, image, dir.File(L"missing.eps"), &text));
    EXPECT_EQ(text, L"Unable to open file!");
}

}  // namespace
