// What the viewer's loads take from the shell without linking it: the colour
// behind transparent pixels, the thumbnail cell and the hand-over of a
// multi-frame file's tables to the viewer's playback bar. The shell installs
// them at start-up; until then (and in the core's own tests) the background is
// the viewer's default colour, the cell the browser's default size and no bar
// is started. Readers never call these: LoadMediaFile's viewer entry builds the
// request from them and hands the result's tables on.
#pragma once
#include <windows.h>
#include <cstdint>

#include "formats/Animation.h"
#include "formats/LoadCall.h"

// The colour behind transparent pixels (the viewer's GetViewBackgroundColor).
using BackgroundColorProvider = COLORREF (*)();
BackgroundColorProvider SetBackgroundColorProvider(BackgroundColorProvider provider);
// The installed provider's colour, else kDefaultViewBackground.
COLORREF ReaderBackgroundColor();

// The browser's thumbnail cell, which reduced decodes aim at.
using ThumbnailCellProvider = SIZE (*)();
ThumbnailCellProvider SetThumbnailCellProvider(ThumbnailCellProvider provider);

// The request of a viewer-side load on this thread: its purpose from the
// thread's load flags, the installed background colour and thumbnail cell.
LoadRequest ViewerLoadRequest();

// Hands the tables to the viewer's bar: Init with kind, frame count, loop and
// single-delay flags (main window, TIMER_ANIMATION_FRAME), copy the tables,
// CreateControls, then Play(0) when play is set. Returns what the bar did.
using AnimationStarter = bool (*)(const AnimationFrameTables& tables, bool play);
AnimationStarter SetAnimationStarter(AnimationStarter starter);
// Calls the installed starter; false (nothing done) when none is installed or
// this thread is loading in the background or for a preview.
bool StartViewerAnimation(const AnimationFrameTables& tables, bool play);

// What a decoder kept open for the viewer's bar tells the viewer: its bar is to
// be reset (the decoder is released) or stopped (it failed), or the animation
// has ended (refresh the menu and lay the viewer out again).
enum class ViewerAnimationEvent { Reset, Stop, Ended };
using AnimationNotifier = void (*)(ViewerAnimationEvent event);
AnimationNotifier SetAnimationNotifier(AnimationNotifier notifier);
// Calls the installed notifier; nothing when none is installed or this thread
// is loading in the background or for a preview.
void NotifyViewerAnimation(ViewerAnimationEvent event);
