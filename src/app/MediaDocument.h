// The viewer's media document: opening a file as the current image or player,
// stopping and closing it, the question before a modified image is discarded,
// the error picture of a failed load and the load-time image settings.
#pragma once
#include <windows.h>

#include "formats/ErrorPicture.h"

class CImage;

// Opens a wide path as the current document. DOC_FILE on success; the error
// picture and DOC_LOAD_FAILED otherwise (no message box for a failed load).
void OpenMediaFile(const wchar_t* path);
// Stops the player of the current format and resets the playback bar.
void StopCurrentMedia();
// Empties the viewer.
void CloseCurrentMedia();
// Asks whether to save a modified image (an edit made, or an image made in
// memory) and runs Save As on Yes.
void PromptSaveModified();
// Its question: the language file's FileModifiedSaveAs message (or the built-in
// English one) with the path in place of its "%s".
void FormatModifiedQuestion(wchar_t* out, size_t size, const wchar_t* path);

// Replaces the current image by the error picture of a printf-style message.
void ShowLoadFailure(const wchar_t* path, const wchar_t* format, ...);

// Applies the alpha treatment in force (AppState::ChannelView 4, 5 or 6; 6 is
// chosen for 32-bit images by ImageAlphaBlend32BitAtLoadTime) to the current
// image, keeping the picture itself in the channel-view store (app/AlphaView.h).
void ApplyAlphaChannelMode();
