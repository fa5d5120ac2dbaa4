// Transition effects that reveal a new picture over the old one in
// presentation mode. Every effect copies pieces of the source picture (a memory
// DC holding the new picture) onto the target (the window's DC) in a timed
// pattern and runs synchronously.
#pragma once
#include <windows.h>

enum : int { TRANSITION_EFFECT_COUNT = 23, TRANSITION_BLEND_OVER = 22 };

using TransitionEffect = bool (*)(HDC source, int sx, int sy, HDC target, int tx, int ty, int width, int height,
                                  unsigned delay, int step);

// Runs effect `index` (outside 0..22 runs effect 0); returns the effect's result
// (false only when the blend cannot read the pictures).
bool RunTransitionEffect(HDC source, int sx, int sy, HDC target, int tx, int ty, int width, int height, unsigned delay,
                         int step, int index);
// Sleeps in 1 ms slices until more than n milliseconds have passed (or the tick
// count wrapped); returns at once for 0.
bool WaitMilliseconds(unsigned n);
// Whether the effect ends with a copy of the whole rectangle (the target then
// equals the source); the others leave their last step for the paint that follows.
bool TransitionEndsWithFullCopy(int index);
