// What the format readers need from the viewer without linking it: the colour
// behind transparent pixels and the hand-over of a multi-frame file's tables to
// the viewer's playback bar. The shell installs both at start-up; until then
// (and in the core's own tests) the background is the viewer's setting and no
// bar is started.
#pragma once
#include <windows.h>
#include <cstdint>

#include "media/AnimationBar.h"

// The colour behind transparent pixels (the viewer's GetViewBackgroundColor).
using BackgroundColorProvider = COLORREF (*)();
BackgroundColorProvider SetBackgroundColorProvider(BackgroundColorProvider provider);
// The installed provider's colour, else AppState::ViewerClrBackground.
COLORREF ReaderBackgroundColor();

// Per-frame tables a multi-frame reader collects while it decodes (the GIF
// reader's scratch bar). Entries 0..kMaxFrames-1; GetFrameDelay follows the
// playback bar's rules (10 outside the table, entry 0 with singleDelay).
struct AnimationFrameTables {
    static constexpr int kMaxFrames = CAnimationBar::kMaxFrames;
    int kind = ANIM_KIND_NONE;
    int frameCount = 0;
    bool loop = true;
    bool singleDelay = false;
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

// Hands the tables to the viewer's bar: Init with kind, frame count, loop and
// single-delay flags (main window, TIMER_ANIMATION_FRAME), copy the tables,
// CreateControls, then Play(0) when play is set. Returns what the bar did.
using AnimationStarter = bool (*)(const AnimationFrameTables& tables, bool play);
AnimationStarter SetAnimationStarter(AnimationStarter starter);
// Calls the installed starter; false (nothing done) when none is installed or
// this thread is loading in the background or for a preview.
bool StartViewerAnimation(const AnimationFrameTables& tables, bool play);
