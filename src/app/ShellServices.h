// The shell's services handed to the core libraries, which cannot link the
// shell: the undo store and progress bar for the image effects, the viewer's
// background colour and the playback bar for the format readers, and what a
// save of the viewer image does to the undo store and the bars.
#pragma once

void RegisterShellServices();
