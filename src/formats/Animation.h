// The frame tables of an animation or multi-page file: what a reader collects
// while it decodes and hands back in its load result, and what the viewer's
// playback bar steps through.
#pragma once
#include <cstdint>

enum AnimationKind : int {
    ANIM_KIND_NONE = 0,
    ANIM_KIND_ANI = 1,
    ANIM_KIND_DCX = 2,
    ANIM_KIND_GIF = 3,
    ANIM_KIND_ICO = 4,
    ANIM_KIND_MNG = 5,
    ANIM_KIND_TIFF = 6,
    ANIM_KIND_VIDEO = 7,
    ANIM_KIND_SOUND = 8,
    ANIM_KIND_QTMOVIE = 9,
};

// Size of every per-frame table.
constexpr int kMaxAnimationFrames = 400;

// Entries 0..kMaxFrames-1; GetFrameDelay follows the playback bar's rules (10
// outside the table, entry 0 with singleDelay).
struct AnimationFrameTables {
    static constexpr int kMaxFrames = kMaxAnimationFrames;
    int kind = ANIM_KIND_NONE;
    int frameCount = 0;
    bool loop = true;
    bool singleDelay = false;
    // The reader's value for the bar (an MNG's layer count).
    int callerValue = 0;
    int FrameDelayTable[kMaxFrames] = {};
    uint8_t DisposalTable[kMaxFrames] = {};
    int TransparentTable[kMaxFrames];

    AnimationFrameTables() {
        for (int& t : TransparentTable) t = -1;
    }
    bool SetFrameDelay(int index, int delay);
    int GetFrameDelay(int index) const;
    bool SetFrameDisposal(int index, int value);
    bool SetFrameTransparentIndex(int index, int value);
};
