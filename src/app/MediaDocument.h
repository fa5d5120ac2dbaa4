// Opening and closing the viewer's media document.
#pragma once
#include <windows.h>

// Opens a media file into the viewer (save prompt, stop of the current media,
// recent list, load, layout, title). DOC_FILE on success, DOC_LOAD_FAILED with
// the error picture otherwise.
void OpenMediaFile(const wchar_t* path);
void StopCurrentMedia();
void CloseCurrentMedia();
// Asks whether to save a modified image; the modified flag and a valid undo
// snapshot both count as a modification.
void PromptSaveModified();
// Moves path to the front of the recent-file list (an existing entry is exchanged with the first).
void AddRecentFile(const wchar_t* path);
