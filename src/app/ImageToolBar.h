// The image tool bar: a narrow vertical bar in a rebar at the right edge of
// the viewer while an image is shown, with the rotate, flip, mirror, mouse
// tool, file information and channel commands. Its pictures come from the
// skin ("<skin>ImageCold.bmp", "<skin>ImageHot.bmp"); it takes its width
// from the view's right margin once on creation and gives it back on
// destruction.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstddef>

#include "command_ids.h"

inline constexpr int kImageToolBarRebarId = 13004;
inline constexpr int kImageToolBarId = 13005;

// The bar's entries from top to bottom; 0 marks a separator. The n-th real
// button shows image n of the skin strip and tip n.
inline constexpr UINT kImageToolBarEntries[] = {
    IDM_ROTATE_RIGHT,    IDM_ROTATE_LEFT,
    IDM_ROTATE_180,      IDM_FLIP,
    IDM_MIRROR,          0,
    IDM_TOOL_SCROLL,     IDM_TOOL_SELECT,
    IDM_TOOL_RED_MARKER, 0,
    IDM_FILE_INFO,       0,
    IDM_CHANNEL_ALL,     IDM_CHANNEL_RED,
    IDM_CHANNEL_GREEN,   IDM_CHANNEL_BLUE,
    IDM_ALPHA_AS_IMAGE,
};
inline constexpr size_t kImageToolBarEntryCount = sizeof(kImageToolBarEntries) / sizeof(kImageToolBarEntries[0]);
inline constexpr int kImageToolBarImageCount = 14;
inline constexpr int kImageToolBarTipChars = 64;

// The image (and tip) index of a command on the bar; -1 for other commands.
int ImageToolBarImageIndex(UINT command);

// What UpdateButtonStates sets, as a plain function of the state it reads:
// the rotate, flip and mirror buttons and the red marker only while no
// animation plays; the tool buttons checked by the tool mode; the alpha
// button enabled only for a valid 32-bit image and checked in the alpha
// views, the channel buttons checked in their own view.
struct ImageToolBarInput {
    bool animationPlaying;
    int toolMode;
    bool alphaImage;
    int channelView;
};
BYTE ImageToolBarButtonState(UINT command, const ImageToolBarInput& in);

// Where the rebar goes in the main window's client area. browserShare is the
// part of the client width the browser's list covers when it stands beside
// the viewer (0 otherwise), topOffset the browser's folder pane above the
// viewer, scrollBarWidth the vertical scroll bar's width while the view's
// scroll bars exist.
struct ImageToolBarPlace {
    int x, y, width, height;
};
ImageToolBarPlace ComputeImageToolBarPlace(const RECT& client, const RECT& margins, int barWidth, int browserShare,
                                           int topOffset, int scrollBarWidth);

class CImageToolBar {
public:
    // Creates the rebar and the tool bar on the main window, or, when already
    // created, only refreshes the states and the place. A window that cannot
    // be made is reported and leaves the bar not created, margin untouched.
    void Create(HWND owner);
    void Destroy();
    void Reposition();
    void UpdateButtonStates();
    // Tooltip request of the bar's buttons: points the text at the tip.
    bool GetTipText(NMTTDISPINFOW* info);
    // The sum of the buttons' heights; 0 before creation.
    int GetButtonsHeight() const;
    // Fills tips from the language file, built-in texts where it has none.
    void LoadTips();

    HWND rebar = nullptr;
    HWND toolbar = nullptr;
    bool created = false;
    HIMAGELIST coldImages = nullptr;
    HIMAGELIST hotImages = nullptr;
    int marginTaken = 0;  // the bar's width, part of the right view margin
    wchar_t tips[kImageToolBarImageCount][kImageToolBarTipChars] = {};

private:
    bool CreateWindows(HWND owner);
    void DestroyWindows();
};

extern CImageToolBar ImageToolBar;
