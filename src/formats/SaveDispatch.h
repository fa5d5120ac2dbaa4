// Save dispatch: SaveImageFile picks the writer from the target's extension,
// hands it the options and puts the finished file in the target's place.
#pragma once
#include <windows.h>

#include "formats/Formats.h"
#include "formats/SaveOptions.h"

class CImage;

// The writer's FormatId for the target's extension (from its last "."; case
// ignored); 0 when the extension has no writer.
FormatId SaveFormatIdForPath(const wchar_t* path);

// Writes image to path with the writer of its extension. The writer writes
// "<path>.tmp" in the target's folder, which then replaces the target with one
// rename: a failed write or rename leaves an existing target as it was and no
// partial or temporary file behind. errorText holds FORMAT_ERROR_CHARS
// characters and gets the writer's text on failure. options.jpeg's source
// format and path matter only to the JPEG writer, which keeps the Exif tags of
// an Exif JPEG source. Shows nothing.
bool SaveImageFile(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options);

// For tests: called with the temporary file once its writer has finished it,
// before it replaces the target; false (with a text in errorText) fails the
// save as a failed last write does. Null: none. Returns the previous hook.
using SaveFinishedHook = bool (*)(const wchar_t* tempPath, wchar_t* errorText);
SaveFinishedHook SetSaveFinishedHook(SaveFinishedHook hook);
