// The shell's services handed to the core libraries, which cannot link the
// shell: the undo store and progress bar for the image effects, the viewer's
// background colour and the playback bar for the format readers, and what a
// save of the viewer image does to the undo store and the bars.
#pragma once

void RegisterShellServices();
// Snapshot of the viewer image into the undo store before an edit; the redo
// store is emptied, and the image counts as modified from then on, even when
// the snapshot could not be written.
void SaveUndoSnapshot();
