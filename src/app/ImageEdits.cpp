#include "app/ImageEdits.h"

#include <shlwapi.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/ImageSnapshot.h"
#include "app/MainMenu.h"
#include "app/MediaDocument.h"
#include "app/ShellServices.h"
#include "app/View.h"
#include "command_ids.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Resample.h"
#include "media/AnimationBar.h"

namespace {

constexpr wchar_t kNoMemory[] = L"Insufficient Memory! Canceling Operation.";
constexpr wchar_t kMadePictureName[] = L"Clipboard.png";

}  // namespace

// ---- Arithmetic ----

ImageRegion SelectionToImageRegion(const RECT& selection, float zoom, POINT origin, int imageWidth, int imageHeight) {
    ImageRegion region = {0, 0, 0, 0};
    if (!(zoom > 0.0f)) return region;
    const auto image = [zoom](LONG client) { return (long long)((double)client / zoom); };
    const long long left = std::min(image(selection.left), image(selection.right));
    const long long right = std::max(image(selection.left), image(selection.right));
    const long long top = std::min(image(selection.top), image(selection.bottom));
    const long long bottom = std::max(image(selection.top), image(selection.bottom));
    const long long shiftX = image(origin.x), shiftY = image(origin.y);
    const long long x0 = std::max(left - shiftX, 0LL), y0 = std::max(top - shiftY, 0LL);
    const long long x1 = std::min(right - shiftX, (long long)imageWidth);
    const long long y1 = std::min(bottom - shiftY, (long long)imageHeight);
    if (x1 <= x0 || y1 <= y0) return region;
    region = {(int)x0, (int)y0, (int)(x1 - x0), (int)(y1 - y0)};
    return region;
}

int ResizeFilterOfScaleType(uint32_t scaleType) {
    switch (scaleType) {
    case 1: return 0;
    case 3: return 2;
    case 4: return 3;
    case 5: return 4;
    default: return 1;
    }
}

bool ResizeSizeFits(uint64_t width, uint64_t height) {
    if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return false;
    const uint64_t stride = ((width * 24 + 31) / 32) * 4;
    return stride * height <= CImage::kMaxImageBytes;
}

int KeepAspectOtherSide(double typed, int thisSide, int otherSide) {
    if (thisSide <= 0) return 0;
    const double value = typed * (double)otherSide / (double)thisSide;
    if (!(value < (double)INT_MAX && value > (double)INT_MIN)) return 0;
    return (int)value;
}

POINT CanvasAnchorPosition(int anchor, int canvasWidth, int canvasHeight, int width, int height) {
    // Centred on an axis, half the difference (toward zero) goes before the
    // picture: an odd pixel, added or cut, is always at the right or bottom.
    const int centreX = (canvasWidth - width) / 2, centreY = (canvasHeight - height) / 2;
    const int right = canvasWidth - width, bottom = canvasHeight - height;
    switch (anchor) {
    case 1: return {centreX, 0};
    case 2: return {right, 0};
    case 3: return {0, centreY};
    case 4: return {centreX, centreY};
    case 5: return {right, centreY};
    case 6: return {0, bottom};
    case 7: return {centreX, bottom};
    case 8: return {right, bottom};
    default: return {0, 0};
    }
}

int NewImageDepthOfIndex(int index) {
    static const int depths[] = {1, 4, 8, 16, 24, 32};
    return index >= 0 && index < 6 ? depths[index] : 0;
}

void MakeNewImagePalette(uint8_t* rgbPalette, int depth) {
    std::memset(rgbPalette, 0, 768);
    for (int i = 0; i < 256; ++i) rgbPalette[i] = (uint8_t)(std::rand() % 256);
    if (depth == 1) {
        std::memset(rgbPalette, 0, 3);
        std::memset(rgbPalette + 3, 255, 3);
    }
}

SIZE AdjustPreviewSize(int imageWidth, int imageHeight) {
    if (imageWidth <= 0 || imageHeight <= 0) return {0, 0};
    const long long w = imageWidth, h = imageHeight;
    // Whole numbers: the limiting side fills the box exactly. A very wide or
    // tall picture keeps a visible line instead of a side of 0.
    if (kAdjustPreviewWidth * h <= kAdjustPreviewHeight * w)
        return {kAdjustPreviewWidth, (LONG)std::max(h * kAdjustPreviewWidth / w, 1LL)};
    return {(LONG)std::max(w * kAdjustPreviewHeight / h, 1LL), kAdjustPreviewHeight};
}

// ---- Edits of the viewer's picture ----

namespace {

void RepaintMain() {
    if (!AppState::MainWindow) return;
    InvalidateRect(AppState::MainWindow, nullptr, FALSE);
    UpdateWindow(AppState::MainWindow);
}

void RefreshMenuAndBars() {
    MainMenu.UpdateStates();
    MainToolBar.UpdateButtonStates();
    StatusBar.Update();
}

// The window after the picture was replaced or changed its size: the bars,
// the window fitted to the zoomed picture, the states and a repaint.
void ShowChangedPicture() {
    HWND window = AppState::MainWindow;
    AnimationBar.Reset();
    if (window && AppState::ViewMode != VIEW_PRESENTATION) {
        ImageToolBar.Create(window);
        ViewScrollBars.Create(window, AppState::Instance);
    }
    LayoutViewBorders();
    ViewScrollBars.Layout();
    ImageToolBar.Reposition();
    AnimationBar.Layout();
    if (window) {
        RECT client;
        GetClientRect(window, &client);
        SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    }
    const CImage& image = AppState::CurrentImage;
    FitWindowToImage((int)(image.GetWidth() * AppState::Zoom), (int)(image.GetHeight() * AppState::Zoom), window);
    UpdateScrollState();
    ViewScrollBars.UpdateRanges();
    RefreshMenuAndBars();
    ImageToolBar.UpdateButtonStates();
    RepaintMain();
}

void ShowMadePictureTitle() {
    CopyStringW(AppState::CurrentFile, kMadePictureName);
    if (!AppState::MainWindow) return;
    wchar_t title[MAX_PATH + 64];
    swprintf(title, MAX_PATH + 64, L"[%ls] - %ls", kMadePictureName, QRV_PRODUCT_NAME);
    SetWindowTextW(AppState::MainWindow, title);
}

// A picture made in memory takes the place of the document, as an opened file
// does: the media stops, the stores are emptied, the alpha view in force is
// made again, and the window follows. keepUndo keeps the undo store (the crop
// leaves its way back).
bool TakeMadePicture(CImage& made, bool keepUndo) {
    StopCurrentMedia();
    if (!AppState::CurrentImage.Copy(made)) {
        ShowMessage(kNoMemory);
        return false;
    }
    if (!keepUndo) UndoSnapshot.Discard();
    RedoSnapshot.Discard();
    AppState::Zoom = 1.0f;
    AppState::ScrollOffset = {0, 0};
    AppState::LastScrollPos = {0, 0};
    AppState::FitPending = 1;
    AppState::DocumentKind = DOC_NEW_IMAGE;
    AppState::CurrentFormatId = 0;
    AppState::ImageModified = 1;
    SetRectEmpty(&AppState::Selection);
    ApplyAlphaChannelMode();
    ShowMadePictureTitle();
    ShowChangedPicture();
    return true;
}

}  // namespace

bool ResizeCurrentImage(uint32_t width, uint32_t height) {
    width = std::max<uint32_t>(width, 1);
    height = std::max<uint32_t>(height, 1);
    if (!AppState::CurrentImage.IsValid()) return false;
    // Refused before the snapshot: the picture, the undo store and the
    // modified state stay as they are.
    if (!ResizeSizeFits(width, height)) {
        ShowMessage(kNoMemory);
        return false;
    }
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const int filter = ResizeFilterOfScaleType(AppState::ResizeScaleType);
    const bool resized = EditDocumentPicture([&](CImage& picture) {
        SaveUndoSnapshot();
        return ResampleImage(picture, (int)width, (int)height, filter);
    });
    SetCursor(previous);
    if (!resized) {
        ShowMessage(kNoMemory);
        return false;
    }
    if (AppState::MainWindow) PostMessageW(AppState::MainWindow, WM_COMMAND, IDM_ZOOM_100, 0);
    return true;
}

bool CreateNewImage(int width, int height, int depth, COLORREF color) {
    uint8_t palette[768];
    MakeNewImagePalette(palette, depth);
    CImage made;
    if (depth <= 0 || !made.CreateEmpty(width, height, depth, color, palette)) {
        ShowMessage(L"Failed to create image!");
        return false;
    }
    // Made first, so that a picture is given up only for one that exists.
    PromptSaveModified();
    return TakeMadePicture(made, false);
}

bool ResizeCanvas(int width, int height, int anchor, COLORREF color) {
    bool made = false;
    EditDocumentPicture([&](CImage& picture) {
        if (!picture.IsValid()) return false;
        uint8_t palette[768] = {};
        picture.GetPaletteRGB(palette);
        // The canvas first: one that cannot be made leaves the picture, its
        // undo store and its modified state alone.
        CImage canvas;
        if (!canvas.CreateEmpty(width, height, picture.GetBpp(), color, palette)) {
            ShowMessage(L"Failed to create image copy!");
            return false;
        }
        SaveUndoSnapshot();
        const POINT at = CanvasAnchorPosition(anchor, width, height, (int)picture.GetWidth(), (int)picture.GetHeight());
        picture.BitBltTo(canvas.memoryDC, at.x, at.y, SRCCOPY);
        made = picture.Copy(canvas);
        if (!made) ShowMessage(L"Failed to create image copy!");
        return made;
    });
    if (made) ShowChangedPicture();
    return made;
}

bool BlendImageOnto(CImage& destination, CImage& source, int x, int y, int opacity) {
    if (!source.IsValid() || source.GetBpp() != 32 || !destination.IsValid()) return false;
    CImage work;
    if (!work.Copy(source)) return false;
    GdiFlush();
    for (uint32_t row = 0; row < work.height; ++row) {
        uint8_t* p = work.ScanLine(row);
        for (uint32_t i = 0; i < work.width; ++i, p += 4)
            for (int c = 0; c < 3; ++c) p[c] = (uint8_t)(p[c] * p[3] / 255);
    }
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, (BYTE)std::clamp(opacity, 0, 255), AC_SRC_ALPHA};
    const int w = (int)work.width;
    bool ok = true;
    for (int row = 0; row < (int)work.height; ++row)
        ok = AlphaBlend(destination.memoryDC, x, y + row, w, 1, work.memoryDC, 0, row, w, 1, blend) && ok;
    GdiFlush();
    return ok;
}

// ---- The clipboard ----

namespace {

ImageRegion CurrentSelectionRegion(const CImage& picture) {
    return SelectionToImageRegion(AppState::Selection, AppState::Zoom, AppState::ImageOrigin, (int)picture.GetWidth(),
                                  (int)picture.GetHeight());
}

bool HasSelection() {
    const RECT& s = AppState::Selection;
    return s.left != s.right && s.top != s.bottom;
}

// The region of the picture as a screen-compatible bitmap; null (after the
// message) when no memory device context can be made.
HBITMAP CopyRegionToBitmap(const CImage& picture, const ImageRegion& region) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = memory ? CreateCompatibleBitmap(screen, region.width, region.height) : nullptr;
    ReleaseDC(nullptr, screen);
    if (!memory || !bitmap) {
        if (memory) DeleteDC(memory);
        ShowMessage(L"Failed to create Mem to hold Clipboard Image!");
        return nullptr;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    picture.StretchRectTo(memory, 0, 0, region.width, region.height, region.x, region.y, region.width, region.height,
                          SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    return bitmap;
}

// Hands the bitmap to the clipboard, which owns it on success; it is deleted
// on failure.
bool PutBitmapOnClipboard(HBITMAP bitmap) {
    if (!OpenClipboard(AppState::MainWindow)) {
        DeleteObject(bitmap);
        ShowMessage(L"Unable to open Clipboard!");
        return false;
    }
    if (!EmptyClipboard()) {
        CloseClipboard();
        DeleteObject(bitmap);
        ShowMessage(L"Unable to empty Clipboard!");
        return false;
    }
    const bool put = SetClipboardData(CF_BITMAP, bitmap) != nullptr;
    CloseClipboard();
    if (!put) DeleteObject(bitmap);
    return put;
}

// The clipboard's bitmap as a 24-bit image; false after the message.
bool ReadClipboardBitmap(CImage& out) {
    if (!IsClipboardFormatAvailable(CF_BITMAP)) {
        ShowMessage(L"Found no Bitmap in the Clipboard...");
        return false;
    }
    if (!OpenClipboard(AppState::MainWindow)) {
        ShowMessage(L"Unable to open Clipboard!");
        return false;
    }
    HBITMAP bitmap = (HBITMAP)GetClipboardData(CF_BITMAP);
    BITMAP info = {};
    if (!bitmap || !GetObjectW(bitmap, sizeof(info), &info) || info.bmWidth <= 0 || info.bmHeight == 0) {
        CloseClipboard();
        ShowMessage(L"Error getting Image from Clipboard! Aborting...");
        return false;
    }
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    if (!out.CreateEmpty(info.bmWidth, height, 24, 0, nullptr)) {
        CloseClipboard();
        ShowMessage(L"Failed to create tmpimg for paste!");
        return false;
    }
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = source ? SelectObject(source, bitmap) : nullptr;
    const bool copied = source && BitBlt(out.memoryDC, 0, 0, info.bmWidth, height, source, 0, 0, SRCCOPY);
    if (source) {
        SelectObject(source, old);
        DeleteDC(source);
    }
    CloseClipboard();
    GdiFlush();
    if (!copied) {
        ShowMessage(L"BitBlt Error occured");
        return false;
    }
    return true;
}

bool Paste(bool askFirst, bool keepUndo) {
    CImage pasted;
    if (!ReadClipboardBitmap(pasted)) return false;
    if (!HasSelection() || !AppState::CurrentImage.IsValid()) {
        if (askFirst) PromptSaveModified();
        return TakeMadePicture(pasted, keepUndo);
    }
    const bool done = EditDocumentPicture([&](CImage& picture) {
        const ImageRegion region = CurrentSelectionRegion(picture);
        if (region.width <= 0 || region.height <= 0) return false;
        SaveUndoSnapshot();
        if (!ResampleImage(pasted, region.width, region.height, 4)) {
            ShowMessage(kNoMemory);
            return false;
        }
        return pasted.BitBltTo(picture.memoryDC, region.x, region.y, SRCCOPY);
    });
    RefreshMenuAndBars();
    RepaintMain();
    return done;
}

}  // namespace

bool CopySelectionToClipboard(bool cut, bool skipSnapshot) {
    const bool selected = HasSelection();
    bool copied = false;
    EditDocumentPicture([&](CImage& picture) {
        if (!picture.IsValid()) return false;
        ImageRegion region = {0, 0, (int)picture.GetWidth(), (int)picture.GetHeight()};
        if (selected) region = CurrentSelectionRegion(picture);
        if (region.width <= 0 || region.height <= 0) return false;
        HBITMAP bitmap = CopyRegionToBitmap(picture, region);
        // Only what the clipboard took is cut: a failure leaves the picture alone.
        if (!bitmap || !PutBitmapOnClipboard(bitmap)) return false;
        copied = true;
        if (!cut) return true;
        if (!skipSnapshot) SaveUndoSnapshot();
        PatBlt(picture.memoryDC, region.x, region.y, region.width, region.height, BLACKNESS);
        GdiFlush();
        AppState::ImageModified = 1;
        return true;
    });
    if (copied && cut) {
        MainMenu.UpdateStates();
        MainToolBar.UpdateButtonStates();
        RepaintMain();
    }
    return copied;
}

bool PasteFromClipboard() { return Paste(true, false); }

bool CropToSelection() {
    if (!AppState::CurrentImage.IsValid()) return false;
    // The picture before the crop stays in the undo store: the crop asks
    // nothing, so it must be possible to take it back.
    bool kept = false;
    EditDocumentPicture([&](CImage&) {
        SaveUndoSnapshot();
        kept = true;
        return true;
    });
    if (!kept || !CopySelectionToClipboard(true, true)) return false;
    SetRectEmpty(&AppState::Selection);
    const bool pasted = Paste(false, true);
    AppState::ToolMode = TOOL_SCROLL;
    MainToolBar.UpdateButtonStates();
    MainMenu.UpdateStates();
    ImageToolBar.UpdateButtonStates();
    return pasted;
}
