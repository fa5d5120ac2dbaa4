// MNG and JNG through libmng: the reader, the viewer's animation that stays
// open for the playback bar, and the MNG writers (the ".mng" writer and the
// chunk writers the animation builder calls).
//
// A viewed animation keeps one libmng handle open, drawing into the image it
// was loaded into, until StopMngAnimation; every other load (thumbnail,
// preview, background work) uses a handle of its own for the one call and
// never touches the viewer's.
#pragma once
#include <windows.h>
#include <cstdint>

#include "formats/Formats.h"
#include "formats/OutputFile.h"
#include "formats/SaveOptions.h"

class CImage;

// Reader contract (formats/Formats.h). The chunks are walked first (lengths
// inside the file, CRCs, header sizes) and a broken file is refused before
// libmng sees it; a libmng error fails the load with
// "Error (code %d) in chunk %s (%d): %s". A viewed animation (an MNG whose
// frame count is not 1) asks for the playback bar in its result and keeps its
// handle open; anything else is displayed to its end (an animation's thumbnail
// or preview shows its first frame) and released.
ReadStatus LoadMng(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call);

// Releases the viewer's animation: resets the viewer's bar (through the
// installed animation service), cleans the handle up. Does nothing on a thread
// that is loading in the background or for a preview.
void StopMngAnimation();
// Lets libmng draw the next frame of the viewer's animation into its image.
// True with the milliseconds until the next frame in *delayOut; at the end (or
// on an error, whose picture is then drawn) the animation is released, the
// viewer told that it ended (menu refresh, WM_SIZE), and the answer is false.
bool AdvanceMngFrame(int* delayOut);
// Whether the viewer's animation handle is open.
bool MngAnimationOpen();

// The clock libmng's frame timing reads (GetTickCount unless replaced; tests
// freeze it). Returns the previous one.
using MngTickSource = DWORD (*)();
MngTickSource SetMngTickSource(MngTickSource source);

// The ".mng" writer (writer contract). When options name an unchanged GIF
// source (options.jpeg.sourceFormat FMT_GIF, sourcePath, options.sourceUnchanged)
// the GIF is converted frame by frame from that path; any other image is
// written as a PNG file (options.pngInterlace).
bool SaveMng(const wchar_t* path, CImage& image, wchar_t* errorText, const SaveOptions& options);

// The chunk writers. The caller allocates the record with the target path;
// the file is written by FinishMngWriter and removed when any write failed.
struct MngWriterData {
    wchar_t path[MAX_PATH] = {};
    OutputFile out;
    bool opened = false;
    bool writeFailed = false;
    bool closeFailed = false;
};
using MngWriter = void*;
// A libmng handle for writing, with a new file started; null on failure.
MngWriter CreateMngWriter(MngWriterData* data);
// MHDR (100 ticks per second, layer count frameCount + 1, simplicity 15) and
// TERM (repeat for ever).
bool WriteMngHeader(MngWriter writer, uint32_t width, uint32_t height, uint32_t frameCount, uint32_t playTime);
// One whole image as a frame: FRAM, DEFI, IHDR, PLTE/tRNS, IDAT, IEND. The
// image must be 1, 4, 8 or 24 bits, rows top-down and 24-bit pixels in red,
// green, blue order (the caller flips and swaps before the call).
bool WriteMngFrame(MngWriter writer, CImage& image, int frameIndex, int frameCount, int delay, wchar_t* errorText);
// MEND, the stream written, the handle cleaned up. True only when every byte
// was written and the file closed; errorText (may be null) gets the reason.
bool FinishMngWriter(MngWriter writer, wchar_t* errorText = nullptr);

// The rectangle (x, y, width, height) in which slot `current` differs from
// `previous` (rows of `rowBytes` bytes, pixels of depth 1, 4 or 8); the whole
// frame when nothing differs.
struct MngRect {
    int x, y, width, height;
};
MngRect FindChangedRect(const uint8_t* current, const uint8_t* previous, uint32_t rowBytes, int width, int height,
                        int depth);
