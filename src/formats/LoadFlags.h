// The load flags a reader reads and the full size it reports, per thread. The
// core owns them so that readers need nothing from the shell; the shell sees
// them as part of AppState (the namespace each layer extends with its own).
#pragma once
#include <cstdint>

namespace AppState {

// Loads that must leave the viewer's players, timers and bars alone. Per
// thread: the thumbnail loader decodes on its own thread while the viewer
// decodes on the user-interface thread (set them with LoadModeScope).
inline thread_local uint8_t BackgroundLoad = 0;
inline thread_local uint8_t PreviewLoad = 0;
// Full size of the picture behind a reduced decode (thumbnail or scaled
// JPEG), written by the reader on the thread that called it.
inline thread_local int FullImageWidth = 0;
inline thread_local int FullImageHeight = 0;

}  // namespace AppState
