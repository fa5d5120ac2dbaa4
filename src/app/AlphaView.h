// Alpha views of a 32-bit picture (AppState::ChannelView 4 alpha as image,
// 5 alpha as layer, 6 blended over the view's background). The viewer image
// then holds a treated copy made for display, and the channel-view store keeps
// the picture itself: that is what is saved, copied and edited.
#pragma once
#include <functional>

class CImage;

// The treatments, in place on a valid 32-bit image. Shown as the picture:
// every pixel becomes the grey of its alpha (keepColours keeps the colour of
// fully transparent pixels). Blended: the colour over the view's background,
// opaque.
void ShowAlphaChannelAsImage(CImage& image, bool keepColours);
void BlendAlphaOverBackground(CImage& image);

// Keeps the current image in the channel-view store, then treats it for view
// (4, 5 or 6). False, and the image left as it is, when it is not a valid
// 32-bit image, the view is none of these, or the store cannot keep it.
bool EnterAlphaView(int view);

// True while the current image is exactly the treatment made from the kept
// picture. A change that went around EditDocumentPicture makes the kept
// picture stale: it is then neither saved nor restored.
bool AlphaViewShown();

// The document's picture, to save or copy: AppState::CurrentImage, or while
// an alpha view is shown the kept picture read into scratch. Null when the
// kept picture cannot be read back.
CImage* DocumentPicture(CImage& scratch);

// Runs edit on the document's picture instead of on what an alpha view shows:
// the kept picture goes back into AppState::CurrentImage, edit changes it (and
// saves the undo snapshot itself where it wants one), and the view in force is
// made again from the result (it returns to 0 when the result is no 32-bit
// image). Edit commands, Undo and Redo change the viewer image only through
// this. False without calling edit when the kept picture cannot be read back;
// otherwise edit's result.
bool EditDocumentPicture(const std::function<bool(CImage&)>& edit);
