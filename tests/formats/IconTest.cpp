// Icon, cursor and animated-cursor readers against icotool's files (compared
// with ImageMagick's decoding of each page), the page choice for thumbnails,
// the viewer's paging tables, masks of hand-made icons, and damaged files.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "formats/CraftedFile.h"
#include "formats/FormatCodecs.h"
#include "formats/FormatTestUtil.h"
#include "formats/Formats.h"
#include "formats/PixelCheck.h"
#include "image/Image.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr COLORREF kBackground = RGB(10, 220, 130);

std::wstring IconFixture(const wchar_t* name) { return qrvtest::Fixture(std::wstring(L"ico_pcx\\") + name); }

// Where the reference is fully transparent the image shows the background;
// elsewhere it has the reference's colour (and alpha, when compareAlpha).
::testing::AssertionResult ShowsOverBackground(CImage& image, const std::wstring& reference, bool compareAlpha) {
    const Bytes ref = qrvtest::ReadAll(reference);
    const Bytes got = pixelcheck::ImageRgba(image);
    if (ref.size() != got.size()) return ::testing::AssertionFailure() << got.size() << " bytes vs " << ref.size();
    int transparent = 0;
    for (size_t i = 0; i < ref.size(); i += 4) {
        if (ref[i + 3] == 0) {
            ++transparent;
            if (RGB(got[i], got[i + 1], got[i + 2]) != kBackground)
                return ::testing::AssertionFailure() << "pixel " << i / 4 << " does not show the background";
        } else if (std::memcmp(&ref[i], &got[i], 3) != 0) {
            return ::testing::AssertionFailure() << "pixel " << i / 4 << " colour";
        }
        if (compareAlpha && ref[i + 3] != got[i + 3])
            return ::testing::AssertionFailure() << "pixel " << i / 4 << " alpha " << (int)got[i + 3];
    }
    if (!transparent) return ::testing::AssertionFailure() << "no transparent pixel";
    return ::testing::AssertionSuccess();
}

struct PageCase {
    const wchar_t* file;
    int page;
    int bpp;
    uint32_t size;
};

TEST(IconReader, PagesMatchImageMagick) {
    const PageCase cases[] = {
        {L"pages.ico", 0, 4, 16},    {L"pages.ico", 1, 4, 32},    {L"pages.ico", 2, 8, 48},
        {L"alpha32.ico", 0, 32, 0},  {L"pointer.cur", 0, 8, 32},  {L"pngpage.ico", 0, 8, 16},
        {L"pngpage.ico", 1, 32, 48}, {L"pngsmall.ico", 0, 8, 48}, {L"pngsmall.ico", 1, 32, 16},
    };
    for (const PageCase& c : cases) {
        const std::wstring path = IconFixture(c.file);
        const std::string name = qrvtest::Narrow(c.file) + " page " + std::to_string(c.page);
        CImage image;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(LoadIconPage(image, path.c_str(), c.page, text, kBackground))
            << name << ": " << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetBpp(), c.bpp) << name;
        if (c.size) { EXPECT_EQ(image.GetWidth(), c.size) << name; }
        const std::wstring ref = path + L"." + std::to_wstring(c.page) + L".rgba";
        if (c.bpp <= 8) {
            // The masked pixels take the transparent index, which shows the background.
            EXPECT_TRUE(pixelcheck::TransparentPixelsShow(image, ref, kBackground)) << name;
            EXPECT_EQ(image.hasTransparency, 1) << name;
        } else if (std::wstring(c.file) == L"alpha32.ico") {
            // Masked pixels show the background and keep their alpha (0), 200 stays.
            EXPECT_TRUE(ShowsOverBackground(image, ref, true)) << name;
        } else {
            // A PNG page: the PNG reader's picture with its alpha.
            EXPECT_TRUE(pixelcheck::MatchesRgba(image, ref, true)) << name;
        }
    }
}

TEST(IconReader, ThumbnailsTakeTheChosenPageAndTheViewerPagesFromZero) {
    struct ChoiceCase {
        const wchar_t* file;
        int chosen;
        uint32_t viewerWidth;
        int pages;
    };
    // A PNG page is sized from its IHDR: a small one is not taken for a big one.
    const ChoiceCase cases[] = {
        {L"pages.ico", 2, 16, 3}, {L"pngpage.ico", 1, 16, 2}, {L"pngsmall.ico", 0, 48, 2}, {L"alpha32.ico", 0, 20, 0}};
    for (const ChoiceCase& c : cases) {
        const std::wstring path = IconFixture(c.file);
        const std::string name = qrvtest::Narrow(c.file);
        EXPECT_EQ(ChooseIconPage(path.c_str()), c.chosen) << name;

        for (LoadPurpose purpose : {LoadPurpose::Thumbnail, LoadPurpose::Preview, LoadPurpose::Background}) {
            CImage image;
            wchar_t text[FORMAT_ERROR_CHARS] = {};
            LoadCall call(purpose);
            ASSERT_TRUE(LoadIcon(image, path.c_str(), text, call)) << name;
            CImage chosen;
            ASSERT_TRUE(LoadIconPage(chosen, path.c_str(), c.chosen, text, call.request.background)) << name;
            EXPECT_TRUE(pixelcheck::SamePixels(image, chosen)) << name;
            EXPECT_FALSE(call.result.frames) << name;
        }

        CImage image;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        LoadCall view;
        ASSERT_TRUE(LoadIcon(image, path.c_str(), text, view)) << name;
        EXPECT_EQ(image.GetWidth(), c.viewerWidth) << name;
        if (!c.pages) {
            EXPECT_FALSE(view.result.frames) << name;
            continue;
        }
        ASSERT_TRUE(view.result.frames) << name;
        EXPECT_EQ(view.result.frames->kind, ANIM_KIND_ICO) << name;
        EXPECT_EQ(view.result.frames->frameCount, c.pages) << name;
        EXPECT_TRUE(view.result.frames->singleDelay) << name;
        EXPECT_EQ(view.result.frames->GetFrameDelay(0), 1000) << name;
        EXPECT_TRUE(view.result.showFrames) << name;
        EXPECT_FALSE(view.result.playFrames) << name;
    }
    FormatId id = -1;
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_TRUE(LoadMediaFile(image, IconFixture(L"pointer.cur").c_str(), text, &id));
    EXPECT_EQ(id, FMT_ICO);
}

// An icon file of one bitmap page: header, directory entry, the page's header,
// colour table, XOR rows and mask rows as given.
Bytes OneBitmapIcon(int width, int height, int bits, const Bytes& palette, const Bytes& xorRows, const Bytes& maskRows,
                    int headerSize = 40, int doubledHeight = 0) {
    fmttest::CraftedFile f;
    f.U16LE(0).U16LE(1).U16LE(1);
    f.U8(width).U8(height).U8(0).U8(0).U16LE(1).U16LE(bits).U32LE(0).U32LE(22);
    f.U32LE(headerSize).U32LE(width).U32LE(doubledHeight ? doubledHeight : height * 2).U16LE(1).U16LE(bits);
    f.Fill(24);
    return f.Raw(palette).Raw(xorRows).Raw(maskRows).bytes;
}

Bytes Quads(std::initializer_list<uint32_t> rgb) {
    Bytes out;
    for (uint32_t c : rgb) {
        out.push_back((uint8_t)c);  // blue
        out.push_back((uint8_t)(c >> 8));
        out.push_back((uint8_t)(c >> 16));
        out.push_back(0);
    }
    return out;
}

TEST(IconReader, MasksByDepth) {
    qrvtest::TempDir dir;
    auto load = [&](const Bytes& bytes, CImage& image) {
        const std::wstring path = dir.File(L"mask.ico");
        EXPECT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        const bool ok = LoadIconPage(image, path.c_str(), 0, text, kBackground);
        EXPECT_TRUE(ok) << qrvtest::Narrow(text);
        return ok;
    };
    const uint32_t bg = 10 << 16 | 220 << 8 | 130;  // kBackground as 0xRRGGBB

    // 1 bit with a mask of 0xFF bytes: the XOR pixels stay, no transparency.
    {
        const Bytes palette = Quads({0x000000, 0xFFFFFF});
        const Bytes xorRows = {0x80, 0, 0, 0, 0x40, 0, 0, 0};  // 2 x 2
        const Bytes mask(8, 0xFF);
        CImage image;
        ASSERT_TRUE(load(OneBitmapIcon(2, 2, 1, palette, xorRows, mask), image));
        EXPECT_EQ(image.hasTransparency, 0);
        EXPECT_EQ(pixelcheck::ImageRgba(image),
                  (Bytes{0, 0, 0, 255, 255, 255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255}));
    }
    // 8 bits, 3 x 1: pixel 0 masked (index 2), pixel 1 opaque of the same
    // colour as entry 2 (index 3), pixel 2 opaque index 1.
    {
        Bytes palette = Quads({0x000000, 0x102030, 0x405060, 0x405060});
        palette.resize(1024, 0);
        const Bytes xorRows = {2, 3, 1, 0};
        const Bytes mask = {0x80, 0, 0, 0};
        CImage image;
        ASSERT_TRUE(load(OneBitmapIcon(3, 1, 8, palette, xorRows, mask), image));
        EXPECT_EQ(image.hasTransparency, 1);
        EXPECT_EQ(image.transparentIndex, 2);
        EXPECT_EQ(image.GetPixelIndex(0, 0), 2);
        EXPECT_EQ(image.GetPixelIndex(1, 0), 2);  // the same colour shows the background too
        EXPECT_EQ(image.GetPixelIndex(2, 0), 1);
        const Bytes rgba = pixelcheck::ImageRgba(image);
        EXPECT_EQ(RGB(rgba[0], rgba[1], rgba[2]), kBackground);
        EXPECT_EQ(RGB(rgba[8], rgba[9], rgba[10]), RGB(0x10, 0x20, 0x30));
    }
    // 24 and 32 bits: masked pixels take the background, a 32-bit pixel keeps its fourth byte.
    {
        const Bytes xor24 = {1, 2, 3, 4, 5, 6, 0, 0};
        const Bytes mask = {0x40, 0, 0, 0};
        CImage image;
        ASSERT_TRUE(load(OneBitmapIcon(2, 1, 24, {}, xor24, mask), image));
        EXPECT_EQ(pixelcheck::ImageRgba(image), (Bytes{3, 2, 1, 255, 10, 220, 130, 255}));
        const Bytes xor32 = {1, 2, 3, 77, 5, 6, 7, 88};
        ASSERT_TRUE(load(OneBitmapIcon(2, 1, 32, {}, xor32, mask), image));
        EXPECT_EQ(pixelcheck::ImageRgba(image), (Bytes{3, 2, 1, 77, 10, 220, 130, 88}));
        EXPECT_EQ(image.hasTransparency, 0);
        (void)bg;
    }
    // A mask cut short is not used.
    {
        const Bytes xor24 = {1, 2, 3, 4, 5, 6, 0, 0};
        CImage image;
        ASSERT_TRUE(load(OneBitmapIcon(2, 1, 24, {}, xor24, {0x40}), image));
        EXPECT_EQ(pixelcheck::ImageRgba(image), (Bytes{3, 2, 1, 255, 6, 5, 4, 255}));
    }
}

TEST(IconReader, RefusesDamagedFiles) {
    const Bytes xor24 = {1, 2, 3, 0};
    const Bytes mask = {0, 0, 0, 0};
    Bytes noPages = {0, 0, 1, 0, 0, 0};
    Bytes notIcon = OneBitmapIcon(1, 1, 24, {}, xor24, mask);
    notIcon[0] = 1;
    notIcon[2] = 3;
    Bytes shortData = OneBitmapIcon(4, 4, 24, {}, xor24, {});
    Bytes pastEnd = OneBitmapIcon(1, 1, 24, {}, xor24, mask);
    pastEnd[18] = 0xF0;  // the page's offset beyond the end
    fmttest::ExpectRefused(
        LoadIcon, L"bad.ico",
        {
            {"no pages", noPages, L"No Pages in this File?!?"},
            {"reserved and type", notIcon, L"Invalid FormatID"},
            {"header size 12", OneBitmapIcon(1, 1, 24, {}, xor24, mask, 12), L"Invalid icon image data!"},
            {"odd doubled height", OneBitmapIcon(1, 1, 24, {}, xor24, mask, 40, 3), L"Invalid icon image data!"},
            {"16 bits", OneBitmapIcon(1, 1, 16, {}, xor24, mask), L"Invalid icon image data!"},
            {"rows past the end", shortData, L"Invalid icon image data!"},
            {"offset past the end", pastEnd, L"Invalid icon image data!"},
        });
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"one.ico");
    const Bytes one = OneBitmapIcon(1, 1, 24, {}, xor24, mask);
    ASSERT_TRUE(qrvtest::WriteAll(path, one.data(), one.size()));
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(LoadIconPage(image, path.c_str(), 1, text));
    EXPECT_STREQ(text, L"Desired Page not in valid Pagerange!");
    EXPECT_TRUE(LoadIconPage(image, path.c_str(), 0, text));
}

// The "qrv" temporary files in the temporary folder.
int TemporaryQrvFiles() {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((std::wstring(folder) + L"qrv*.tmp").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do ++count;
    while (FindNextFileW(h, &found));
    FindClose(h);
    return count;
}

TEST(AniReader, FramesAndPlaybackTables) {
    const std::wstring three = IconFixture(L"three.ani");
    const int temporaryBefore = TemporaryQrvFiles();
    for (int frame = 0; frame < 3; ++frame) {
        CImage image;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(LoadAniFrame(image, three.c_str(), frame, text, false, kBackground)) << qrvtest::Narrow(text);
        const std::wstring ref = three + L"." + std::to_wstring(frame) + L".rgba";
        if (image.GetBpp() <= 8) EXPECT_TRUE(pixelcheck::TransparentPixelsShow(image, ref, kBackground)) << frame;
        else EXPECT_TRUE(ShowsOverBackground(image, ref, true)) << frame;
    }
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(LoadAniFrame(image, three.c_str(), 3, text));
    EXPECT_STREQ(text, L"Desired Page not in Range!");

    // Display rate 4 plays at 100 ms a frame.
    LoadCall view;
    ASSERT_TRUE(LoadAni(image, three.c_str(), text, view));
    ASSERT_TRUE(view.result.frames);
    EXPECT_EQ(view.result.frames->kind, ANIM_KIND_ANI);
    EXPECT_EQ(view.result.frames->frameCount, 3);
    EXPECT_EQ(view.result.frames->GetFrameDelay(0), 100);
    EXPECT_TRUE(view.result.showFrames);
    EXPECT_TRUE(view.result.playFrames);
    LoadCall thumbnail(LoadPurpose::Thumbnail);
    ASSERT_TRUE(LoadAni(image, three.c_str(), text, thumbnail));
    EXPECT_FALSE(thumbnail.result.frames);

    // A frame of three pages: the viewer shows its page 0 and the bar stays the
    // cursor's (two frames, playing); a thumbnail shows its best page.
    const std::wstring pages = IconFixture(L"pages-frame.ani");
    LoadCall viewPages;
    ASSERT_TRUE(LoadAni(image, pages.c_str(), text, viewPages));
    EXPECT_EQ(image.GetWidth(), 16u);
    ASSERT_TRUE(viewPages.result.frames);
    EXPECT_EQ(viewPages.result.frames->kind, ANIM_KIND_ANI);
    EXPECT_EQ(viewPages.result.frames->frameCount, 2);
    EXPECT_EQ(viewPages.result.frames->GetFrameDelay(0), 150);
    LoadCall thumbPages(LoadPurpose::Thumbnail);
    ASSERT_TRUE(LoadAni(image, pages.c_str(), text, thumbPages));
    EXPECT_EQ(image.GetWidth(), 48u);
    EXPECT_EQ(TemporaryQrvFiles(), temporaryBefore);

    FormatId id = -1;
    EXPECT_TRUE(LoadMediaFile(image, three.c_str(), text, &id));
    EXPECT_EQ(id, FMT_ANI);
}

// Replaces the first occurrence of what in bytes.
Bytes Replaced(Bytes bytes, const std::string& what, const std::string& with) {
    const auto at = std::search(bytes.begin(), bytes.end(), what.begin(), what.end());
    EXPECT_NE(at, bytes.end()) << what;
    if (at != bytes.end()) std::copy(with.begin(), with.end(), at);
    return bytes;
}

TEST(AniReader, RefusesDamagedFilesAndLeavesNoTemporaryFile) {
    const Bytes good = qrvtest::ReadAll(IconFixture(L"three.ani"));
    ASSERT_GT(good.size(), 100u);
    const auto anih = std::search(good.begin(), good.end(), std::begin("anih"), std::end("anih") - 1) - good.begin();
    Bytes flags = good;
    flags[anih + 8 + 32] &= 0xFE;
    Bytes noFrames = good;
    std::memset(&noFrames[anih + 8 + 4], 0, 4);
    const auto icon = std::search(good.begin(), good.end(), std::begin("icon"), std::end("icon") - 1) - good.begin();
    Bytes hugeIcon = good;
    hugeIcon[icon + 7] = 0x7F;
    Bytes garbageIcon = good;
    std::memset(&garbageIcon[icon + 8], 0x55, 6);
    Bytes notRiff = good;
    notRiff[0] = 'X';

    Bytes noIconTag = good;
    for (int i = 0; i < 3; ++i) noIconTag = Replaced(noIconTag, "icon", "icox");

    const int temporaryBefore = TemporaryQrvFiles();
    fmttest::ExpectRefused(LoadAni, L"bad.ani",
                           {
                               {"not RIFF", notRiff, L"Invalid FormatID"},
                               {"no anih", Replaced(good, "anih", "anix"), L"No valid Animated Cursor Header found."},
                               {"frames not icons", flags, L"Unknown Animation Format."},
                               {"no frames", noFrames, L"No Frames in this file?!"},
                               {"no icon tag", noIconTag, L"Iconpage not found!"},
                               {"icon size past the end", hugeIcon, L"Unable to load IconData!"},
                               {"frame not an icon", garbageIcon, L"Invalid FormatID"},
                           });
    // Without the first frame's tag the frames move up: the last one is missing.
    qrvtest::TempDir dir;
    const std::wstring path = dir.File(L"first.ani");
    const Bytes firstMissing = Replaced(good, "icon", "icox");
    ASSERT_TRUE(qrvtest::WriteAll(path, firstMissing.data(), firstMissing.size()));
    CImage image;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_TRUE(LoadAniFrame(image, path.c_str(), 1, text));
    EXPECT_FALSE(LoadAniFrame(image, path.c_str(), 2, text));
    EXPECT_STREQ(text, L"Iconpage not found!");
    EXPECT_EQ(TemporaryQrvFiles(), temporaryBefore);
}

}  // namespace

namespace {

// Damaged paged files loaded for the viewer (the robustness harness loads in
// the background): cut at many lengths and with bytes changed, each load
// gives a valid image or a text, closes the file, and any tables it gives
// stay within the table's size and the kind of its file.
TEST(PagedReaders, ViewerLoadsOfDamagedFilesStayInside) {
    struct Case {
        const wchar_t* file;
        int kind;
    };
    const Case cases[] = {{L"pages.ico", ANIM_KIND_ICO},
                          {L"three.ani", ANIM_KIND_ANI},
                          {L"pages-frame.ani", ANIM_KIND_ANI},
                          {L"three.dcx", ANIM_KIND_DCX}};
    qrvtest::TempDir dir;
    const int temporaryBefore = TemporaryQrvFiles();
    for (const Case& c : cases) {
        const Bytes good = qrvtest::ReadAll(IconFixture(c.file));
        ASSERT_FALSE(good.empty());
        std::vector<Bytes> variants;
        for (size_t cut = 0; cut < good.size(); cut += 1 + good.size() / 40)
            variants.emplace_back(good.begin(), good.begin() + cut);
        uint32_t state = 12345;
        for (int n = 0; n < 40; ++n) {
            Bytes changed = good;
            for (int k = 0; k < 4; ++k) {
                state = state * 1103515245u + 12345u;
                changed[(state >> 8) % changed.size()] = (uint8_t)(state >> 3);
            }
            variants.push_back(changed);
        }
        const std::wstring ext = std::wstring(c.file).substr(std::wstring(c.file).rfind(L'.'));
        const std::wstring path = dir.File(L"damaged" + ext);
        for (size_t i = 0; i < variants.size(); ++i) {
            const std::string name = qrvtest::Narrow(c.file) + " variant " + std::to_string(i);
            ASSERT_TRUE(qrvtest::WriteAll(path, variants[i].data(), variants[i].size())) << name;
            CImage image;
            wchar_t text[FORMAT_ERROR_CHARS] = {};
            LoadCall call;
            const bool ok = LoadMediaFile(image, path.c_str(), text, call);
            if (ok) {
                EXPECT_TRUE(image.IsValid() && image.GetWidth() && image.GetHeight()) << name;
            } else {
                EXPECT_NE(text[0], L'\0') << name;
            }
            if (call.result.frames && call.result.formatId != FMT_TIFF) {
                EXPECT_GT(call.result.frames->frameCount, 1) << name;
                if (call.result.formatId == GetFormatIdFromExtension(path.c_str())) {
                    EXPECT_EQ(call.result.frames->kind, c.kind) << name;
                }
            }
            HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            EXPECT_NE(h, INVALID_HANDLE_VALUE) << name << ": file left open";
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
    }
    EXPECT_EQ(TemporaryQrvFiles(), temporaryBefore);
}

}  // namespace
