// What one load asks of a reader and what the reader gives back besides the
// picture. Every call carries its own request and result, so a thumbnail
// decoded on a worker thread and the viewer's load on the user-interface
// thread never see each other's flags, full size or frame tables.
#pragma once
#include <windows.h>
#include <cstdint>
#include <memory>
#include <vector>

#include "formats/Animation.h"

// A reader's answer. Not-this-format sends the dispatch on to the file's
// signature; failed ends the load with the reader's text. Converts to true only
// when the picture was read, so a reader can still return true or false.
class ReadStatus {
public:
    enum Code : uint8_t { kOk, kNotThisFormat, kFailed };

    ReadStatus(bool ok) : code_(ok ? kOk : kFailed) {}
    static ReadStatus NotThisFormat() { return ReadStatus(kNotThisFormat); }

    operator bool() const { return code_ == kOk; }
    Code code() const { return code_; }
    bool IsNotThisFormat() const { return code_ == kNotThisFormat; }

private:
    explicit ReadStatus(Code code) : code_(code) {}
    Code code_;
};

// Why a file is read:
// - View: the viewer shows it; a multi-frame file's tables go to its bar.
// - Preview: the Open dialog's preview; a reduced decode is enough.
// - Thumbnail: a thumbnail decoded in the background; reduced as well.
// - Background: a full decode for work without a viewer (printing, batch).
// Only View may start anything in the viewer.
enum class LoadPurpose : uint8_t { View, Preview, Thumbnail, Background };

// The viewer's background colour before the user picks one.
constexpr COLORREF kDefaultViewBackground = 0xAFD8D8;

struct LoadRequest {
    LoadPurpose purpose = LoadPurpose::View;
    // The cell a reduced decode aims at (the browser's thumbnail size).
    int cellWidth = 120;
    int cellHeight = 90;
    // The colour behind transparent pixels.
    COLORREF background = kDefaultViewBackground;
    // The GIF-to-MNG writer's reading: palette output, every frame, slots
    // flipped top row first and the tables reversed.
    bool gifToMng = false;

    // Previews and thumbnails may be decoded at a reduced size.
    bool Reduced() const { return purpose == LoadPurpose::Preview || purpose == LoadPurpose::Thumbnail; }
    // Every purpose but View, and the GIF-to-MNG reading, leave the viewer's
    // players, bars and timers alone.
    bool Quiet() const { return purpose != LoadPurpose::View || gifToMng; }
};

// GIF-to-MNG reading of an animation with local colour tables: the global
// colour table and, per decoded frame (frame 0 first), the table its pixels
// index, its transparent index and the rectangle it drew (clipped to the
// screen; empty when it drew nothing). Such frames keep their transparent
// pixels as the transparent index in their slots.
struct GifMngPalettes {
    struct Frame {
        uint8_t rgb[768];
        int entries = 0;
        int transparentIndex = -1;
        int left = 0, top = 0, width = 0, height = 0;
    };
    bool hasGlobal = false;
    uint8_t global[768] = {};
    int globalEntries = 0;
    std::vector<Frame> frames;
};

struct LoadResult {
    int formatId = 0;  // the FormatId whose reader ran (0 before any)
    // The caller's copy of formatId, written as soon as the id is known
    // (before its reader runs), when given.
    int* formatIdTarget = nullptr;
    // The size of the picture behind a reduced decode (0 when not known).
    int fullWidth = 0;
    int fullHeight = 0;
    // The per-frame tables a multi-frame reader collected; whether a viewed
    // file hands them to the viewer's playback bar, and whether the bar starts
    // playing at once (an animation) or waits (the pages of a document).
    std::unique_ptr<AnimationFrameTables> frames;
    bool showFrames = false;
    bool playFrames = false;
    // The file ended before its picture did; what was read is kept.
    bool cutShort = false;
    // GIF-to-MNG reading: the number of global colour table entries (256 for
    // the grey table of a file without one; a local table's count when there
    // is no global one).
    int globalColorCount = 0;
    // GIF-to-MNG reading of an animation with local colour tables.
    std::unique_ptr<GifMngPalettes> gifPalettes;

    AnimationFrameTables& NewFrames() {
        frames = std::make_unique<AnimationFrameTables>();
        return *frames;
    }
    // The pages of a document (icon, DCX, TIFF) for the viewer's bar: a
    // second each, not playing until asked. Nothing for a single page.
    void ShowPages(int kind, int pages) {
        if (pages <= 1) return;
        AnimationFrameTables& tables = NewFrames();
        tables.kind = kind;
        tables.frameCount = pages;
        tables.loop = true;
        tables.singleDelay = true;
        tables.SetFrameDelay(0, 1000);
        showFrames = true;
        playFrames = false;
    }
};

struct LoadCall {
    LoadRequest request;
    LoadResult result;

    LoadCall() = default;
    explicit LoadCall(LoadPurpose purpose) { request.purpose = purpose; }
};
