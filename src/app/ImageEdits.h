// Edits of the viewer's picture that change its size or replace it: resize,
// canvas, a new image, the clipboard (copy, cut, paste, crop), and stamping
// one image onto another. The arithmetic the dialogs and the clipboard need is
// in plain functions.
#pragma once
#include <windows.h>

#include <cstdint>

class CImage;

// ---- Arithmetic ----

// A rectangle of image pixels (top-down); empty when width or height is 0.
struct ImageRegion {
    int x, y, width, height;
};
// The selection (client coordinates, either corner first) in image pixels of
// the picture drawn at origin and zoom, clipped to the image.
ImageRegion SelectionToImageRegion(const RECT& selection, float zoom, POINT origin, int imageWidth, int imageHeight);

// Resampling filter of a stored ResizeScaleType (combo index + 1): 1 none,
// 3 bicubic, 4 Gaussian, 5 bilinear, anything else Bresenham.
int ResizeFilterOfScaleType(uint32_t scaleType);
// True when a 24-bit picture of width x height (both at least 1) can be held:
// its rows, computed in 64 bits, stay within the image size limit.
bool ResizeSizeFits(uint64_t width, uint64_t height);

// Keep-aspect: the other side when `typed` is entered for this side of a
// picture whose sides are thisSide and otherSide (truncated; 0 for an empty side).
int KeepAspectOtherSide(double typed, int thisSide, int otherSide);

// Where the old image (width x height) lands on a canvas of canvasWidth x
// canvasHeight for anchor 0..8 (top-left .. bottom-right; any other is 0).
POINT CanvasAnchorPosition(int anchor, int canvasWidth, int canvasHeight, int width, int height);

// Depth of the new-image dialog's list entry 0..5 (1, 4, 8, 16, 24, 32); 0 for none.
int NewImageDepthOfIndex(int index);
// The palette of a new image (256 red, green, blue triples): random bytes from
// the runtime's generator, and for a 1-bit image black and white first.
void MakeNewImagePalette(uint8_t* rgbPalette, int depth);

// The adjust dialog's preview: the picture fitted into its box, each side at
// least 1 pixel (0 x 0 for an empty picture).
constexpr int kAdjustPreviewWidth = 418;
constexpr int kAdjustPreviewHeight = 314;
SIZE AdjustPreviewSize(int imageWidth, int imageHeight);

// ---- Edits of the viewer's picture ----

// Resamples the picture to width x height (at least 1 each) as 24 bits with
// the filter of ResizeScaleType, after the undo snapshot. A size beyond what
// an image can hold is refused before anything changes, with "Insufficient
// Memory! Canceling Operation."; so is a resample that fails. Posts Zoom 100%.
bool ResizeCurrentImage(uint32_t width, uint32_t height);

// A new picture replaces the current one, after the question to save a
// modified one: width x height at depth, filled with color, shown as
// "Clipboard.png" (DOC_NEW_IMAGE). "Failed to create image!" and nothing
// changed when it cannot be made.
bool CreateNewImage(int width, int height, int depth, COLORREF color);

// The picture on a canvas of width x height filled with color, at the anchor's
// place, after the undo snapshot. "Failed to create image copy!", and nothing
// changed, when the canvas cannot be made.
bool ResizeCanvas(int width, int height, int anchor, COLORREF color);

// Stamps source (a valid 32-bit image, colour premultiplied by its alpha) onto
// destination at (x, y) with a constant opacity (clamped to 0..255). The
// destination gets no undo snapshot. False for another source.
bool BlendImageOnto(CImage& destination, CImage& source, int x, int y, int opacity);

// ---- The clipboard (the main window owns it) ----

// Puts the selection (the whole picture without one) on the clipboard as a
// bitmap; with cut the region then turns black, after an undo snapshot when a
// selection exists and skipSnapshot is false.
bool CopySelectionToClipboard(bool cut, bool skipSnapshot);
// Without a selection the clipboard's bitmap becomes a new 24-bit picture,
// "Clipboard.png" (after the question to save a modified one); with one it is
// stretched into the selection after an undo snapshot.
bool PasteFromClipboard();
// Cuts the selection onto the clipboard and makes it the picture; no undo
// snapshot and no question.
bool CropToSelection();
