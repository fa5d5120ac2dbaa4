// MNG and JNG: ImageMagick's files against its own decoding, the viewer's
// animation stepped as the bar's timer steps it, broken files refused, and the
// MNG writers' files checked by pngcheck, ImageMagick and the reader.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "CraftedFile.h"
#include "FormatTestUtil.h"
#include "PixelCheck.h"
#include "formats/ErrorPicture.h"
#include "formats/FormatCodecs.h"
#include "formats/Formats.h"
#include "formats/Gif.h"
#include "formats/LoadFlags.h"
#include "formats/Mng.h"
#include "formats/Png.h"
#include "formats/ReaderServices.h"
#include "formats/SaveDispatch.h"
#include "image/Image.h"
#include "support/TestSupport.h"

using qrvtest::Fixture;
using qrvtest::TempDir;

namespace {

constexpr COLORREF kBackground = RGB(3, 250, 7);
COLORREF TestBackground() { return kBackground; }

AnimationFrameTables g_started;
int g_startCalls = 0;
bool g_startPlay = false;
bool RecordStart(const AnimationFrameTables& tables, bool play) {
    g_started = tables;
    g_startPlay = play;
    ++g_startCalls;
    return true;
}
std::vector<ViewerAnimationEvent> g_events;
void RecordEvent(ViewerAnimationEvent event) { g_events.push_back(event); }
DWORD FrozenClock() { return 1000; }

// A known background, a recording bar and a frozen clock (libmng's waits are
// then the file's delays exactly); the viewer's animation is released after.
struct ViewerScope {
    BackgroundColorProvider previousBackground = SetBackgroundColorProvider(TestBackground);
    AnimationStarter previousStarter = SetAnimationStarter(RecordStart);
    AnimationNotifier previousNotifier = SetAnimationNotifier(RecordEvent);
    MngTickSource previousClock = SetMngTickSource(FrozenClock);
    ViewerScope() {
        g_startCalls = 0;
        g_events.clear();
    }
    ~ViewerScope() {
        StopMngAnimation();
        SetBackgroundColorProvider(previousBackground);
        SetAnimationStarter(previousStarter);
        SetAnimationNotifier(previousNotifier);
        SetMngTickSource(previousClock);
    }
};

bool ViewLoad(CImage& image, const std::wstring& path, std::wstring* text = nullptr) {
    return fmttest::LoadWith(LoadMng, image, path, text);
}

bool LoadFor(LoadPurpose purpose, CImage& image, const std::wstring& path, std::wstring* text = nullptr) {
    wchar_t buffer[FORMAT_ERROR_CHARS] = {};
    LoadCall call(purpose);
    const bool ok = LoadMng(image, path.c_str(), buffer, call);
    if (text) *text = buffer;
    return ok;
}

// Frame k of a reference holding all frames of w x h one after the other.
std::vector<uint8_t> ReferenceFrame(const std::wstring& path, uint32_t w, uint32_t h, int k) {
    const std::vector<unsigned char> all = qrvtest::ReadAll(path);
    const size_t bytes = (size_t)w * h * 4;
    if (all.size() < bytes * (k + 1)) return {};
    return std::vector<uint8_t>(all.begin() + bytes * k, all.begin() + bytes * (k + 1));
}

::testing::AssertionResult ShowsFrame(CImage& image, const std::wstring& reference, int k, int tolerance = 0) {
    const std::vector<uint8_t> want = ReferenceFrame(reference, image.GetWidth(), image.GetHeight(), k);
    const std::vector<uint8_t> got = pixelcheck::ImageRgba(image);
    size_t where = 0;
    const int worst = pixelcheck::MaxDifference(want, got, false, &where);
    if (worst < 0) return ::testing::AssertionFailure() << "sizes differ";
    if (worst > tolerance)
        return ::testing::AssertionFailure() << "frame " << k << " differs by " << worst << " at " << where;
    return ::testing::AssertionSuccess();
}

// The chunks of a PNG or MNG stream: name and data.
struct Chunk {
    std::string name;
    std::vector<uint8_t> data;
};
std::vector<Chunk> Chunks(const std::vector<unsigned char>& file) {
    std::vector<Chunk> out;
    for (size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length = (uint32_t)file[at] << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
        if (at + 12 + length > file.size()) break;
        out.push_back({std::string(file.begin() + at + 4, file.begin() + at + 8),
                       std::vector<uint8_t>(file.begin() + at + 8, file.begin() + at + 8 + length)});
        at += 12 + length;
    }
    return out;
}
std::string Names(const std::vector<Chunk>& chunks) {
    std::string out;
    for (const Chunk& c : chunks) out += (out.empty() ? "" : " ") + c.name;
    return out;
}
uint32_t U32(const std::vector<uint8_t>& d, size_t at) {
    return (uint32_t)d[at] << 24 | d[at + 1] << 16 | d[at + 2] << 8 | d[at + 3];
}

// A chunk with its length and CRC, appended to a crafted file.
void AddChunk(fmttest::CraftedFile& file, const char* name, const std::vector<uint8_t>& data) {
    file.U32BE((uint32_t)data.size());
    std::vector<uint8_t> typed(name, name + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    file.Raw(typed);
    file.U32BE((uint32_t)crc32(0, typed.data(), (uInt)typed.size()));
}

std::vector<uint8_t> Be32(uint32_t v) {
    return {(uint8_t)(v >> 24), (uint8_t)(v >> 16), (uint8_t)(v >> 8), (uint8_t)v};
}

}  // namespace

// ImageMagick's still MNG and JNG decode as ImageMagick decodes them, in the
// viewer (displayed to the end, nothing kept open) and as a thumbnail.
TEST(Mng, ToolFilesDecodeAsTheToolDecodesThem) {
    ViewerScope viewer;
    struct Case {
        const wchar_t* name;
        int tolerance;
    } cases[] = {{L"mng_still.mng", 0}, {L"mng_photo.jng", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.name));
        const std::wstring path = Fixture(c.name);
        for (LoadPurpose purpose : {LoadPurpose::View, LoadPurpose::Thumbnail}) {
            CImage image;
            std::wstring text;
            ASSERT_TRUE(LoadFor(purpose, image, path, &text)) << qrvtest::Narrow(text);
            EXPECT_EQ(image.GetBpp(), 24);
            EXPECT_TRUE(pixelcheck::MatchesRgba(image, path + L".rgba", false, c.tolerance));
            // ImageMagick's MNG leaves its frame count open: the viewer plays it
            // as an animation (which ends after its one frame).
            if (purpose != LoadPurpose::View || c.name[4] == 'p') { EXPECT_FALSE(MngAnimationOpen()); }
            StopMngAnimation();
        }
        CImage viaDispatch;
        FormatId id = 0;
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        EXPECT_TRUE(LoadMediaFile(viaDispatch, path.c_str(), text, &id)) << qrvtest::Narrow(text);
        EXPECT_EQ(id, FMT_MNG);
        StopMngAnimation();
    }
}

// PNG files through libmng: an 8-bit RGBA one gives 32 bits, a 16-bit one 24.
TEST(Mng, PngFilesThroughLibmng) {
    ViewerScope viewer;
    struct Case {
        const wchar_t* name;
        int bpp;
    } cases[] = {{L"png_rgb8.png", 24}, {L"png_rgba8.png", 32}, {L"png_rgba16.png", 24}};
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.name));
        CImage image;
        std::wstring text;
        ASSERT_TRUE(LoadFor(LoadPurpose::Thumbnail, image, Fixture(c.name), &text)) << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetBpp(), c.bpp);
        EXPECT_EQ(image.GetWidth(), 61u);
        EXPECT_FALSE(MngAnimationOpen());
    }
    CImage image;
    ASSERT_TRUE(LoadFor(LoadPurpose::Thumbnail, image, Fixture(L"png_rgb8.png")));
    EXPECT_TRUE(pixelcheck::MatchesRgba(image, Fixture(L"png_rgb8.rgba")));
}

// An animation as a thumbnail is its first frame on white, the handle released.
TEST(Mng, AnimatedThumbnailIsTheFirstFrame) {
    ViewerScope viewer;
    for (LoadPurpose purpose : {LoadPurpose::Thumbnail, LoadPurpose::Preview, LoadPurpose::Background}) {
        CImage image;
        std::wstring text;
        ASSERT_TRUE(LoadFor(purpose, image, Fixture(L"mng_anim.mng"), &text)) << qrvtest::Narrow(text);
        EXPECT_EQ(image.GetWidth(), 40u);
        EXPECT_EQ(image.GetHeight(), 30u);
        EXPECT_TRUE(ShowsFrame(image, Fixture(L"mng_anim.mng.rgba"), 0));
        EXPECT_FALSE(MngAnimationOpen());
    }
    EXPECT_EQ(g_startCalls, 0);
}

// The viewer keeps the animation open and hands the bar its values; each
// AdvanceMngFrame (as the bar's timer calls it) draws the next frame into the
// viewer's image and answers the file's next delay. A thumbnail decoded
// meanwhile, also on another thread, leaves the viewer's animation alone.
TEST(Mng, ViewerStepsTheAnimationWithTheFileDelays) {
    ViewerScope viewer;
    CImage image;
    std::wstring text;
    const std::wstring path = Fixture(L"mng_anim.mng"), reference = path + L".rgba";
    ASSERT_TRUE(ViewLoad(image, path, &text)) << qrvtest::Narrow(text);
    ASSERT_TRUE(MngAnimationOpen());
    ASSERT_EQ(g_startCalls, 1);
    EXPECT_EQ(g_started.kind, ANIM_KIND_MNG);
    EXPECT_TRUE(g_startPlay);
    EXPECT_FALSE(g_started.singleDelay);
    EXPECT_TRUE(g_started.loop);
    EXPECT_EQ(g_started.FrameDelayTable[0], 100);
    EXPECT_TRUE(ShowsFrame(image, reference, 0));

    // libmng may answer a 1 ms wait between the last frame and the loop's
    // start, with the last frame still shown: the delay that counts is the
    // last one answered while a frame is shown.
    const int fileDelays[] = {100, 200, 300};
    int shown = 0, lastDelay = 100, changes = 0;
    for (int step = 0; step < 12 && changes < 5; ++step) {
        SCOPED_TRACE(step);
        if (step % 2 == 0) {
            // A thumbnail of the same file on another thread and on this one.
            std::thread worker([&] {
                LoadModeScope mode(true, false);
                CImage thumb;
                wchar_t buffer[FORMAT_ERROR_CHARS] = {};
                FormatId id = 0;
                EXPECT_TRUE(LoadMediaFile(thumb, path.c_str(), buffer, &id));
                StopMngAnimation();  // a background thread's stop leaves the viewer's alone
            });
            worker.join();
            LoadModeScope mode(true, false);
            CImage thumb;
            wchar_t buffer[FORMAT_ERROR_CHARS] = {};
            FormatId id = 0;
            EXPECT_TRUE(LoadMediaFile(thumb, path.c_str(), buffer, &id));
            EXPECT_TRUE(ShowsFrame(thumb, reference, 0));
            StopMngAnimation();
        }
        ASSERT_TRUE(MngAnimationOpen());
        int delay = -1;
        ASSERT_TRUE(AdvanceMngFrame(&delay));
        const int next = (shown + 1) % 3;
        if (ShowsFrame(image, reference, next)) {
            EXPECT_EQ(lastDelay, fileDelays[shown]) << "frame " << shown;
            shown = next;
            ++changes;
        } else {
            ASSERT_TRUE(ShowsFrame(image, reference, shown));
            EXPECT_LE(lastDelay, 1);
        }
        lastDelay = delay;
    }
    EXPECT_EQ(changes, 5);
    EXPECT_EQ(g_startCalls, 1);
    EXPECT_TRUE(g_events.empty());
    StopMngAnimation();
    EXPECT_FALSE(MngAnimationOpen());
    ASSERT_FALSE(g_events.empty());
    EXPECT_EQ(g_events.back(), ViewerAnimationEvent::Reset);
    int delay = -1;
    EXPECT_FALSE(AdvanceMngFrame(&delay));
}

// An animation played once ends: the handle is freed and the viewer told
// (menu refresh and WM_SIZE are the shell's answer to Ended).
TEST(Mng, AnimationEndFreesTheHandleAndTellsTheViewer) {
    ViewerScope viewer;
    CImage image;
    std::wstring text;
    const std::wstring path = Fixture(L"mng_once.mng");
    ASSERT_TRUE(ViewLoad(image, path, &text)) << qrvtest::Narrow(text);
    ASSERT_TRUE(MngAnimationOpen());
    int delay = 0, steps = 0;
    while (AdvanceMngFrame(&delay) && steps < 20) {
        ++steps;
        EXPECT_TRUE(ShowsFrame(image, path + L".rgba", steps));
    }
    EXPECT_EQ(steps, 2);
    EXPECT_FALSE(MngAnimationOpen());
    ASSERT_GE(g_events.size(), 2u);
    EXPECT_EQ(g_events[g_events.size() - 2], ViewerAnimationEvent::Reset);
    EXPECT_EQ(g_events.back(), ViewerAnimationEvent::Ended);
    EXPECT_TRUE(ShowsFrame(image, path + L".rgba", 2));
}

// Loading another MNG in the viewer releases the one playing first.
TEST(Mng, AnotherViewedFileReleasesThePlayingOne) {
    ViewerScope viewer;
    CImage image;
    ASSERT_TRUE(ViewLoad(image, Fixture(L"mng_anim.mng")));
    ASSERT_TRUE(MngAnimationOpen());
    CImage still;
    ASSERT_TRUE(ViewLoad(still, Fixture(L"mng_photo.jng")));
    EXPECT_FALSE(MngAnimationOpen());
    ASSERT_TRUE(ViewLoad(image, Fixture(L"mng_anim.mng")));
    EXPECT_TRUE(MngAnimationOpen());
}

// Broken files are refused before libmng reads them, and libmng's own errors
// fail the load with its code, chunk and text; files of no such format are
// not this reader's.
TEST(Mng, BrokenFilesAreRefusedWithTheirError) {
    ViewerScope viewer;
    const std::vector<unsigned char> good = qrvtest::ReadAll(Fixture(L"mng_still.mng"));
    ASSERT_GT(good.size(), 60u);
    auto patched = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> b(good.begin(), good.end());
        b[at] ^= value;
        return b;
    };
    // The still MNG: signature, MHDR (28 bytes) at 8, IHDR at 48.
    fmttest::CraftedFile badDepth;
    badDepth.Raw({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
    std::vector<uint8_t> ihdr = Be32(4);
    const std::vector<uint8_t> h = Be32(4);
    ihdr.insert(ihdr.end(), h.begin(), h.end());
    ihdr.insert(ihdr.end(), {3, 2, 0, 0, 0});  // 3 bits of RGB: no such depth
    AddChunk(badDepth, "IHDR", ihdr);
    AddChunk(badDepth, "IEND", {});
    fmttest::CraftedFile huge;
    huge.Raw({0x8A, 'M', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
    std::vector<uint8_t> mhdr = Be32(0x10000);
    const std::vector<uint8_t> hh = Be32(0x10000);
    mhdr.insert(mhdr.end(), hh.begin(), hh.end());
    mhdr.resize(28, 0);
    AddChunk(huge, "MHDR", mhdr);
    AddChunk(huge, "MEND", {});

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        std::wstring textStart;
    } cases[] = {
        {"CRC of MHDR wrong", patched(20, 0x01), L"Error (code 1027) in chunk MHDR (1): "},
        {"IHDR data changed", patched(60, 0x40), L"Error (code 1027) in chunk IHDR (2): "},
        {"IHDR length past the end", patched(48, 0x40), L"Error (code 1028) in chunk IHDR (2): "},
        {"cut before MEND", std::vector<uint8_t>(good.begin(), good.end() - 12), L"Error (code 4) in chunk "},
        {"cut inside a chunk", std::vector<uint8_t>(good.begin(), good.begin() + 70),
         L"Error (code 1028) in chunk IHDR"},
        {"picture too large", huge.bytes, L"Error (code 4097) in chunk MHDR (1): "},
        {"libmng refuses the header", badDepth.bytes, L"Error (code "},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (LoadPurpose purpose : {LoadPurpose::View, LoadPurpose::Thumbnail}) {
            const std::wstring path = dir.File(L"broken.mng");
            ASSERT_TRUE(qrvtest::WriteAll(path, c.bytes.data(), c.bytes.size()));
            CImage image;
            wchar_t text[FORMAT_ERROR_CHARS] = {};
            LoadCall call(purpose);
            const ReadStatus status = LoadMng(image, path.c_str(), text, call);
            EXPECT_FALSE(status);
            EXPECT_FALSE(status.IsNotThisFormat());
            EXPECT_EQ(std::wstring(text).substr(0, c.textStart.size()), c.textStart) << qrvtest::Narrow(text);
            EXPECT_FALSE(MngAnimationOpen());
        }
    }
    EXPECT_EQ(g_startCalls, 0);
    fmttest::ExpectRefused(
        LoadMng, L"other.mng",
        {{"a GIF", fmttest::Bytes("GIF89a\x01\x00\x01\x00"), L"Invalid FormatID"}, {"empty", {}, L"Invalid FormatID"}});
}

// The harness decodes damaged files in the background; the viewer's road
// (handle kept, frames stepped) takes damaged animations too.
TEST(Mng, DamagedAnimationsInTheViewer) {
    ViewerScope viewer;
    const std::vector<unsigned char> good = qrvtest::ReadAll(Fixture(L"mng_anim.mng"));
    TempDir dir;
    const std::wstring path = dir.File(L"damaged.mng");
    for (size_t cut = 0; cut <= good.size(); cut += good.size() / 16) {
        for (int flip = 0; flip < 3; ++flip) {
            std::vector<unsigned char> bytes(good.begin(), good.begin() + cut);
            if (flip && !bytes.empty()) bytes[(cut * 7 + flip * 131) % bytes.size()] ^= (uint8_t)(1 << flip);
            ASSERT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
            CImage image;
            std::wstring text;
            const bool ok = ViewLoad(image, path, &text);
            if (!ok) { EXPECT_FALSE(text.empty()); }
            int delay = 0;
            for (int step = 0; step < 5 && AdvanceMngFrame(&delay); ++step) {}
            StopMngAnimation();
            EXPECT_FALSE(MngAnimationOpen());
        }
    }
}

TEST(Mng, FindChangedRectMarksTheChangedPixels) {
    struct Case {
        const char* what;
        int depth;
        std::vector<std::pair<int, int>> changed;  // (x, y)
        MngRect want;
    } cases[] = {
        {"nothing changed: the whole frame", 8, {}, {0, 0, 16, 6}},
        {"one pixel inside", 8, {{5, 3}}, {4, 2, 2, 2}},
        {"top-left corner", 8, {{0, 0}}, {0, 0, 1, 1}},
        {"bottom-right corner", 8, {{15, 5}}, {14, 4, 2, 2}},
        {"a span", 8, {{3, 1}, {9, 4}}, {2, 0, 8, 5}},
        {"4 bits", 4, {{7, 2}, {10, 3}}, {6, 1, 5, 3}},
        {"1 bit", 1, {{13, 5}}, {12, 4, 2, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const uint32_t rowBytes = 16;
        std::vector<uint8_t> a(rowBytes * 6, 0x11), b = a;
        for (auto [x, y] : c.changed) {
            const int perByte = 8 / c.depth;
            b[(size_t)y * rowBytes + x / perByte] ^= (uint8_t)(1 << ((perByte - 1 - x % perByte) * c.depth));
        }
        const MngRect r = FindChangedRect(b.data(), a.data(), rowBytes, 16, 6, c.depth);
        EXPECT_EQ(r.x, c.want.x);
        EXPECT_EQ(r.y, c.want.y);
        EXPECT_EQ(r.width, c.want.width);
        EXPECT_EQ(r.height, c.want.height);
    }
}

// ".mng" of anything but an unchanged GIF source is a PNG file of the image
// (a JPEG, an edited GIF); a failed write leaves nothing.
TEST(Mng, SaveWritesOtherImagesAsPng) {
    TempDir dir;
    CImage picture;
    ASSERT_TRUE(pixelcheck::MakePattern24(picture, 23, 17));
    SaveOptions jpeg;
    jpeg.jpeg.sourceFormat = FMT_JPEG;
    jpeg.jpeg.sourcePath = L"C:\\x.jpg";
    jpeg.sourceUnchanged = true;
    SaveOptions editedGif;
    const std::wstring gif = Fixture(L"gif_anim_global.gif");
    editedGif.jpeg.sourceFormat = FMT_GIF;
    editedGif.jpeg.sourcePath = gif.c_str();
    editedGif.sourceUnchanged = false;
    for (const SaveOptions* options : {&jpeg, &editedGif}) {
        const std::wstring path = dir.File(L"out.mng");
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SaveImageFile(path.c_str(), picture, text, *options)) << qrvtest::Narrow(text);
        const std::vector<unsigned char> bytes = qrvtest::ReadAll(path);
        ASSERT_GE(bytes.size(), 8u);
        EXPECT_EQ(0, std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8));
        CImage back;
        ASSERT_TRUE(LoadFor(LoadPurpose::View, back, path));
        EXPECT_TRUE(pixelcheck::SamePixels(back, picture));
    }
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    EXPECT_FALSE(SaveImageFile(dir.File(L"no\\such\\dir\\x.mng").c_str(), picture, text, jpeg));
    EXPECT_TRUE(text[0]);
}

// An unchanged GIF animation becomes an MNG animation: MHDR with the sum of
// the delays, FRAM per frame (mode 3 for disposal 2), DEFI at the changed
// rectangle; pngcheck accepts it and ImageMagick and the reader show the
// GIF's frames, those with colour tables of their own in their own colours.
TEST(Mng, GifAnimationBecomesAnMngAnimation) {
    ViewerScope viewer;
    TempDir dir;
    struct Case {
        const wchar_t* gif;
        int frames;
        uint32_t playTime;
        int ownPalettes;  // frames after the first with a PLTE of their own
    } cases[] = {{L"gif_anim_global.gif", 3, 7 + 10 + 50, 0}, {L"gif_anim_dispose.gif", 3, 30, 0},
                 {L"gif_anim_transparent.gif", 2, 20, 1},     {L"gif_anim_local.gif", 3, 60, 2},
                 {L"gif_anim_colours.gif", 4, 4 * 15, 3},     {L"gif_anim_offscreen.gif", 3, 30, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.gif));
        const std::wstring source = Fixture(c.gif);
        CImage shown;
        ASSERT_TRUE(fmttest::LoadWith(LoadGif, shown, source));
        SaveOptions options;
        options.jpeg.sourceFormat = FMT_GIF;
        options.jpeg.sourcePath = source.c_str();
        options.sourceUnchanged = true;
        const std::wstring path = dir.File(L"anim.mng");
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SaveImageFile(path.c_str(), shown, text, options)) << qrvtest::Narrow(text);
        const std::vector<unsigned char> bytes = qrvtest::ReadAll(path);
        ASSERT_GE(bytes.size(), 8u);
        EXPECT_EQ(0, std::memcmp(bytes.data(), "\x8AMNG\r\n\x1a\n", 8));
        EXPECT_EQ(qrvtest::RunHost("pngcheck -q '" + qrvtest::HostPath(path) + "'"), 0);
        const std::vector<Chunk> chunks = Chunks(bytes);
        ASSERT_FALSE(chunks.empty());
        ASSERT_EQ(chunks[0].name, "MHDR");
        EXPECT_EQ(U32(chunks[0].data, 0), shown.GetWidth());
        EXPECT_EQ(U32(chunks[0].data, 4), shown.GetHeight());
        EXPECT_EQ(U32(chunks[0].data, 8), 100u);
        EXPECT_EQ(U32(chunks[0].data, 16), (uint32_t)c.frames);
        EXPECT_EQ(U32(chunks[0].data, 20), c.playTime);
        int frams = 0, ownPalettes = 0;
        for (const Chunk& chunk : chunks) {
            if (chunk.name == "FRAM") ++frams;
            if (chunk.name == "PLTE" && !chunk.data.empty() && frams > 1) ++ownPalettes;
        }
        EXPECT_EQ(frams, c.frames);
        EXPECT_EQ(ownPalettes, c.ownPalettes);
        EXPECT_EQ(chunks.back().name, "MEND");

        // ImageMagick's and the reader's frames are the GIF's (its coalesced frames).
        const std::wstring coalesced = dir.File(L"gif.rgba");
        ASSERT_EQ(qrvtest::RunHost("/usr/bin/convert '" + qrvtest::HostPath(source) +
                                   "' -coalesce -depth 8 'rgba:" + qrvtest::HostPath(coalesced) + "'"),
                  0);
        const std::wstring ours = dir.File(L"mng.rgba");
        ASSERT_EQ(qrvtest::RunHost("/usr/bin/convert '" + qrvtest::HostPath(path) +
                                   "' -coalesce -depth 8 'rgba:" + qrvtest::HostPath(ours) + "'"),
                  0);
        const std::vector<unsigned char> a = qrvtest::ReadAll(coalesced), b = qrvtest::ReadAll(ours);
        EXPECT_EQ(a.size(), (size_t)shown.GetWidth() * shown.GetHeight() * 4 * c.frames);
        EXPECT_EQ(a.size(), b.size());
        size_t where = 0;
        EXPECT_EQ(pixelcheck::MaxDifference(std::vector<uint8_t>(a.begin(), a.end()),
                                            std::vector<uint8_t>(b.begin(), b.end()), false, &where),
                  0)
            << where;
        CImage viewed;
        std::wstring loadText;
        ASSERT_TRUE(ViewLoad(viewed, path, &loadText)) << qrvtest::Narrow(loadText);
        EXPECT_TRUE(ShowsFrame(viewed, coalesced, 0));
        int delay = 0;
        for (int k = 1; k < c.frames; ++k) {
            ASSERT_TRUE(AdvanceMngFrame(&delay));
            EXPECT_TRUE(ShowsFrame(viewed, coalesced, k)) << k;
        }
        StopMngAnimation();
    }
}

// The second frame of gif_anim_global (20 x 15 at 10, 5) is written as the
// rectangle that changed, with its place in DEFI; disposal 2 frames whole with
// framing mode 3; a frame equal to its predecessor whole.
TEST(Mng, GifFramesAreWrittenAsTheirChangedRectangles) {
    TempDir dir;
    const std::wstring source = Fixture(L"gif_anim_global.gif");
    CImage shown;
    ASSERT_TRUE(fmttest::LoadWith(LoadGif, shown, source));
    SaveOptions options;
    options.jpeg.sourceFormat = FMT_GIF;
    options.jpeg.sourcePath = source.c_str();
    options.sourceUnchanged = true;
    const std::wstring path = dir.File(L"anim.mng");
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveImageFile(path.c_str(), shown, text, options)) << qrvtest::Narrow(text);
    std::vector<std::vector<uint8_t>> defis, ihdrs;
    for (const Chunk& c : Chunks(qrvtest::ReadAll(path))) {
        if (c.name == "DEFI") defis.push_back(c.data);
        if (c.name == "IHDR") ihdrs.push_back(c.data);
    }
    ASSERT_EQ(defis.size(), 3u);
    ASSERT_EQ(ihdrs.size(), 3u);
    EXPECT_EQ(U32(defis[0], 4), 0u);
    EXPECT_EQ(U32(ihdrs[0], 0), 40u);
    EXPECT_EQ(U32(ihdrs[0], 4), 30u);
    // Inside the frame's own rectangle, one pixel of margin before it at most.
    const uint32_t x = U32(defis[1], 4), y = U32(defis[1], 8);
    EXPECT_GE(x, 9u);
    EXPECT_GE(y, 4u);
    EXPECT_LE(x + U32(ihdrs[1], 0), 30u);
    EXPECT_LE(y + U32(ihdrs[1], 4), 20u);
    EXPECT_LT(U32(ihdrs[1], 0), 40u);

    // gif_anim_dispose: disposal 2 (background), 3 (previous), 1; frames equal.
    const std::wstring dispose = Fixture(L"gif_anim_dispose.gif");
    options.jpeg.sourcePath = dispose.c_str();
    ASSERT_TRUE(fmttest::LoadWith(LoadGif, shown, dispose));
    ASSERT_TRUE(SaveImageFile(path.c_str(), shown, text, options)) << qrvtest::Narrow(text);
    std::vector<int> modes;
    ihdrs.clear();
    for (const Chunk& c : Chunks(qrvtest::ReadAll(path))) {
        if (c.name == "FRAM") modes.push_back(c.data.empty() ? -1 : c.data[0]);
        if (c.name == "IHDR") ihdrs.push_back(c.data);
    }
    ASSERT_EQ(modes.size(), 3u);
    EXPECT_EQ(modes[0], 3);
    EXPECT_EQ(modes[1], 1);
    for (const auto& ihdr : ihdrs) {
        EXPECT_EQ(U32(ihdr, 0), 40u);
        EXPECT_EQ(U32(ihdr, 4), 30u);
    }
}

// A one-frame GIF becomes a PNG stream: IHDR, PLTE, tRNS when transparent,
// IDAT and IEND (libmng takes no DEFI before a header).
TEST(Mng, OneFrameGifBecomesAPngStream) {
    TempDir dir;
    struct Case {
        const wchar_t* gif;
        const char* chunks;
    } cases[] = {{L"gif_single.gif", "IHDR PLTE IDAT IEND"}, {L"gif_transparent.gif", "IHDR PLTE tRNS IDAT IEND"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(qrvtest::Narrow(c.gif));
        const std::wstring source = Fixture(c.gif);
        CImage shown;
        ASSERT_TRUE(fmttest::LoadWith(LoadGif, shown, source));
        SaveOptions options;
        options.jpeg.sourceFormat = FMT_GIF;
        options.jpeg.sourcePath = source.c_str();
        options.sourceUnchanged = true;
        const std::wstring path = dir.File(L"one.mng");
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        ASSERT_TRUE(SaveImageFile(path.c_str(), shown, text, options)) << qrvtest::Narrow(text);
        const std::vector<unsigned char> bytes = qrvtest::ReadAll(path);
        ASSERT_GE(bytes.size(), 8u);
        EXPECT_EQ(0, std::memcmp(bytes.data(), "\x89PNG\r\n\x1a\n", 8));
        EXPECT_EQ(Names(Chunks(bytes)), c.chunks);
        EXPECT_EQ(qrvtest::RunHost("pngcheck -q '" + qrvtest::HostPath(path) + "'"), 0);
        CImage back;
        ASSERT_TRUE(LoadFor(LoadPurpose::Thumbnail, back, path));
        const std::wstring reference = dir.File(L"gif.rgba");
        ASSERT_EQ(qrvtest::RunHost("/usr/bin/convert '" + qrvtest::HostPath(source) +
                                   "' -depth 8 'rgba:" + qrvtest::HostPath(reference) + "'"),
                  0);
        if (c.gif == std::wstring(L"gif_single.gif")) { EXPECT_TRUE(pixelcheck::MatchesRgba(back, reference)); }
        // ImageMagick's opaque pixels; transparent ones show white in a thumbnail.
        const std::vector<unsigned char> im = qrvtest::ReadAll(pixelcheck::ImageMagickRgba(path));
        const std::vector<uint8_t> got = pixelcheck::ImageRgba(back);
        ASSERT_EQ(im.size(), got.size());
        for (size_t i = 0; i < got.size(); i += 4) {
            if (im[i + 3] == 0) EXPECT_EQ(RGB(got[i], got[i + 1], got[i + 2]), RGB(255, 255, 255)) << i / 4;
            else EXPECT_EQ(0, std::memcmp(&im[i], &got[i], 3)) << i / 4;
        }
    }
}

// The chunk writers the animation builder calls: a file pngcheck accepts and
// ImageMagick shows frame by frame; an unwritable target fails and leaves
// nothing.
TEST(Mng, ChunkWritersWriteAnAnimation) {
    TempDir dir;
    CImage rgb, palette;
    ASSERT_TRUE(pixelcheck::MakePattern24(rgb, 19, 11));
    ASSERT_TRUE(fmttest::LoadWith(LoadGif, palette, Fixture(L"gif_single.gif")));
    for (const bool writable : {true, false}) {
        const std::wstring path = writable ? dir.File(L"built.mng") : dir.File(L"missing\\built.mng");
        auto data = std::make_unique<MngWriterData>();
        CopyStringW(data->path, path.c_str(), MAX_PATH);
        MngWriter writer = CreateMngWriter(data.get());
        ASSERT_TRUE(writer);
        EXPECT_TRUE(WriteMngHeader(writer, 19, 11, 2, 20));
        CImage frame;
        ASSERT_TRUE(frame.Copy(rgb));
        frame.FlipVertical();
        frame.SwapRedBlue();
        wchar_t text[FORMAT_ERROR_CHARS] = {};
        EXPECT_TRUE(WriteMngFrame(writer, frame, 0, 2, 10, text)) << qrvtest::Narrow(text);
        EXPECT_TRUE(WriteMngFrame(writer, frame, 1, 2, 10, text)) << qrvtest::Narrow(text);
        EXPECT_EQ(FinishMngWriter(writer, text), writable);
        if (!writable) {
            EXPECT_TRUE(text[0]);
            EXPECT_FALSE(qrvtest::FileExists(path));
            continue;
        }
        EXPECT_EQ(qrvtest::RunHost("pngcheck -q '" + qrvtest::HostPath(path) + "'"), 0);
        EXPECT_EQ(Names(Chunks(qrvtest::ReadAll(path))),
                  "MHDR TERM FRAM DEFI IHDR IDAT IEND FRAM DEFI IHDR IDAT IEND MEND");
        const std::wstring ours = dir.File(L"built.rgba");
        ASSERT_EQ(qrvtest::RunHost("/usr/bin/convert '" + qrvtest::HostPath(path) +
                                   "[0]' -depth 8 'rgba:" + qrvtest::HostPath(ours) + "'"),
                  0);
        EXPECT_TRUE(pixelcheck::MatchesRgba(rgb, ours));
    }
}

// A libmng error met while the animation plays: the viewer's image becomes the
// error picture with libmng's message, the bar is stopped and the animation
// released and ended.
TEST(Mng, ErrorWhilePlayingShowsTheErrorPicture) {
    ViewerScope viewer;
    const std::vector<unsigned char> good = qrvtest::ReadAll(Fixture(L"mng_anim.mng"));
    // The file up to its third FRAM, then a header libmng refuses.
    size_t at = 8, second = 0;
    int frams = 0;
    while (at + 12 <= good.size()) {
        const uint32_t length = (uint32_t)good[at] << 24 | good[at + 1] << 16 | good[at + 2] << 8 | good[at + 3];
        if (std::memcmp(&good[at + 4], "FRAM", 4) == 0 && ++frams == 3) {
            second = at + 12 + length;
            break;
        }
        at += 12 + length;
    }
    ASSERT_GT(second, 0u);
    fmttest::CraftedFile file(std::vector<uint8_t>(good.begin(), good.begin() + second));
    std::vector<uint8_t> ihdr = Be32(40);
    const std::vector<uint8_t> h = Be32(30);
    ihdr.insert(ihdr.end(), h.begin(), h.end());
    ihdr.insert(ihdr.end(), {3, 2, 0, 0, 0});
    AddChunk(file, "IHDR", ihdr);
    AddChunk(file, "IEND", {});
    AddChunk(file, "MEND", {});
    TempDir dir;
    const std::wstring path = file.Save(dir, L"late.mng");
    CImage image;
    std::wstring text;
    ASSERT_TRUE(ViewLoad(image, path, &text)) << qrvtest::Narrow(text);
    ASSERT_TRUE(MngAnimationOpen());
    int delay = 0, steps = 0;
    while (AdvanceMngFrame(&delay) && steps < 5) ++steps;
    EXPECT_LE(steps, 1);
    EXPECT_FALSE(MngAnimationOpen());
    EXPECT_EQ(image.GetWidth(), (uint32_t)LOAD_ERROR_WIDTH);
    EXPECT_EQ(image.GetHeight(), (uint32_t)LOAD_ERROR_HEIGHT);
    ASSERT_EQ(g_events.size(), 3u);
    EXPECT_EQ(g_events[0], ViewerAnimationEvent::Stop);
    EXPECT_EQ(g_events[1], ViewerAnimationEvent::Reset);
    EXPECT_EQ(g_events[2], ViewerAnimationEvent::Ended);
}

// libmng's stream opens the wide path: a file whose name has no ANSI form
// plays in the viewer and decodes as a thumbnail.
TEST(Mng, WidePathsOpen) {
    ViewerScope viewer;
    TempDir dir;
    const std::wstring path = dir.File(L"\u65e5\u672c\u0416.mng");
    ASSERT_TRUE(CopyFileW(Fixture(L"mng_anim.mng").c_str(), path.c_str(), FALSE));
    CImage thumb, viewed;
    std::wstring text;
    ASSERT_TRUE(LoadFor(LoadPurpose::Thumbnail, thumb, path, &text)) << qrvtest::Narrow(text);
    EXPECT_TRUE(ShowsFrame(thumb, Fixture(L"mng_anim.mng.rgba"), 0));
    ASSERT_TRUE(ViewLoad(viewed, path, &text)) << qrvtest::Narrow(text);
    int delay = 0;
    EXPECT_TRUE(AdvanceMngFrame(&delay));
    EXPECT_TRUE(ShowsFrame(viewed, Fixture(L"mng_anim.mng.rgba"), 1));
}
