// Alpha views of a 32-bit picture (AppState::ChannelView 4 alpha as image,
// 5 alpha as layer, 6 blended over the view's background). While one is shown
// the viewer image holds a treated copy made for display, and the channel-view
// store keeps the picture itself: that is what is saved, copied, edited and
// undone, never the treatment.
#pragma once
#include <windows.h>

#include <functional>

class CImage;

bool IsAlphaView(int view);

// Alpha as image: on a valid 32-bit viewer image, keeps the picture in the
// channel-view store, then turns every pixel into the grey of its alpha;
// keepTransparentColours leaves the colour of fully transparent pixels
// ("as layer"). Repaints the viewer. False, with nothing changed, for another
// image or when the store cannot keep the picture.
bool ShowAlphaChannelAsImage(bool keepTransparentColours);

// Composites a valid 32-bit image in place over GetViewBackgroundColor: the
// colour premultiplied by alpha / 255 plus the background weighted by the
// rest; the result is opaque. Only the viewer's own image is kept in the
// channel-view store first (a tool's image of its own leaves the store alone);
// when the store cannot keep it, nothing is changed. repaint repaints the
// viewer. False, image as it was, for another depth.
bool BlendAlphaOverBackground(CImage& image, bool repaint);

// Makes view 4, 5 or 6 of the viewer image (without repainting); false for
// another view or when the treatment refused.
bool ApplyAlphaView(int view);

// True while the viewer image is exactly the treatment made from the kept
// picture. A change of the viewer image that went around
// CDocumentPictureScope makes the kept picture stale: it is then dropped,
// and what is shown counts as the picture.
bool AlphaViewShown();

// While it lives, AppState::CurrentImage holds the document's picture instead
// of what an alpha view shows of it: the constructor puts the kept picture
// back, the destructor makes the view in force again from whatever the
// picture then is (the view returns to 0 when it is no 32-bit image any more).
// Saving, Undo, Redo and every edit of the viewer image run inside one. When
// the kept picture cannot be read back, Ready() is false: the image still
// shows the treatment and must be neither changed nor written.
class CDocumentPictureScope {
public:
    CDocumentPictureScope();
    ~CDocumentPictureScope();
    CDocumentPictureScope(const CDocumentPictureScope&) = delete;
    CDocumentPictureScope& operator=(const CDocumentPictureScope&) = delete;
    bool Ready() const { return ready; }

private:
    int view;
    bool ready = true;
    bool reapply = false;
};

// Runs edit on the document's picture inside a CDocumentPictureScope; edit
// saves the undo snapshot itself where it wants one. False without calling
// edit when the kept picture cannot be read back; otherwise edit's result.
bool EditDocumentPicture(const std::function<bool(CImage&)>& edit);

// The channel-view commands (all, red, green, blue channel; alpha as image, as
// layer, blended). While view 4, 5 or 6 is shown the picture first comes back
// from the channel-view store, so every view is made from the picture itself;
// then the view is set (an alpha view that cannot be made returns to 0), the
// viewer repainted and the menu and bars brought up to date.
void ChooseChannelView(HWND window, UINT id, LPARAM lParam);
