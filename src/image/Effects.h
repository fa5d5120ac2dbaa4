// Image effects: Buttonize, Blur, Sharpen, Pixelize and Seamless tile. Blur,
// Sharpen, Pixelize and Seamless tile leave a 24-bit image; Buttonize changes
// the image at its own depth through GDI. The Blur, Pixelize and Sharpen
// dialogs belong to the shell (app/EffectDialogs.h).
//
// An interactive run shows the wait cursor, saves the undo snapshot, shows a
// progress bar where the effect has one, and repaints the main window at the
// end. Those services belong to the application shell, which registers them
// with SetEffectServices; without them an interactive run only changes the
// cursor.
#pragma once
#include <windows.h>
#include <cstdint>

#include "image/Image.h"

struct EffectServices {
    void (*saveUndoSnapshot)() = nullptr;  // snapshot of the viewer image
    HWND (*createProgressBar)(int steps) = nullptr;
    void (*stepProgressBar)(HWND bar) = nullptr;
    void (*destroyProgressBar)(HWND bar) = nullptr;
    void (*repaintViewer)() = nullptr;  // at the end of an interactive run
    // Language texts of the three dialogs (sections Dlg_EffBlur, Dlg_EffPixelize, Dlg_EffSharpen).
    void (*langApplyEffBlur)(HWND dialog) = nullptr;
    void (*langApplyEffPixelize)(HWND dialog) = nullptr;
    void (*langApplyEffSharpen)(HWND dialog) = nullptr;
};
void SetEffectServices(const EffectServices& services);
const EffectServices& GetEffectServices();

class CImageEffects {
public:
    // Bevels the border (callers pass 50 and 0.5).
    bool Buttonize(CImage& image, int borderWidth, float strength, bool interactive);
    bool Blur(CImage& image, int randomization, int repeatCount, bool interactive);
    bool Sharpen(CImage& image, int percent, bool interactive);
    // Pixelizes the viewer image (AppState::CurrentImage), interactively.
    // Defined by the shell, which owns the viewer image (app/EffectDialogs.cpp).
    bool ApplyPixelize(int blockWidth);
    bool PixelizeImage(CImage& image, int blockWidth, bool interactive);
    // Averages blockWidth-square blocks of a 24-bit buffer, aligned to the first
    // stored row and column. The block width is kept within 1..min(64, width).
    bool Pixelize(uint8_t* pixels, int blockWidth, int width, int stride, int height);
    // Makes the viewer image tileable, interactively (defined by the shell).
    bool SeamlessTile();
    bool SeamlessTileImage(CImage& image, bool interactive);

    // The block width Pixelize uses for a requested one.
    static int ClampBlockWidth(int blockWidth, int width);
    // Seamless tile's weight T for the pixel at (x, y) of a W x H image with channel value v.
    static int SeamlessWeight(int x, int y, int v, int W, int H);

private:
    int sharpenNeighbour[256] = {};
    int sharpenCentre[256] = {};
    int pixelizeBlockWidth = 0;
};

extern CImageEffects ImageEffects;
