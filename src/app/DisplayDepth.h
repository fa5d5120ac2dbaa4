// What the viewer draws on a display of few colours. The document's picture is
// never reduced: at an open a reduced copy is made for a display of 16 bits or
// less, and the painter draws that copy until the picture first changes.
#pragma once

class CImage;

// Reads the desktop's depth (planes x bits per pixel) and makes the copy for it.
bool MatchImageToDisplayDepth();
// For a display of displayBits: drops any earlier copy; when the viewer image
// has more bits per pixel and the display has 16 or less, makes the reduced
// copy (4 or 8 bits converted, 15 or 16 bits dithered 5-6-5). True when a copy
// is drawn from now on.
bool MatchImageToDisplayDepth(int displayBits);
// What the painter draws: the reduced copy while the viewer image is still
// the picture it was made from (same size, depth, pixels and channel view),
// else the viewer image itself. A copy found stale is dropped for good.
CImage& ImageToDraw();
// Forgets the reduced copy.
void DiscardDisplayCopy();
