// CAnimationBar: the viewer's playback bar for multi-frame images and media.
// It holds the frame state (kind, count, current frame, the per-frame delay,
// disposal and transparency tables), runs the frame timer on the main window
// and, for the image readers' animations and pages, owns a strip of controls
// along the bottom of the main window: play/pause, stop, a position trackbar,
// previous and next. The players use the same object only as frame state.
// The controls are children of the main window, which routes their messages
// (WM_COMMAND, WM_DRAWITEM, the frame and hover timers) here.
#pragma once
#include <windows.h>
#include <cstdint>

#include "formats/Animation.h"

// Where the strip's controls go in the main window's client area (x, y,
// width, height each).
struct AnimationBarPlace {
    int x, y, width, height;
};
struct AnimationBarLayout {
    AnimationBarPlace label, playPause, stop, trackbar, previous, next;
};
// The strip's layout for client rectangle r, strip height s (0 while hidden),
// skin button size buttonWidth x buttonHeight, image tool bar width toolBar,
// status bar height statusBar and the browser's list width beside the viewer.
AnimationBarLayout ComputeAnimationBarLayout(const RECT& r, int s, int buttonWidth, int buttonHeight, int toolBar,
                                             int statusBar, int browserShare);

// The frame a mouse at client x of a trackbar width pixels wide points at,
// in 0..frameCount - 1; 0 for a trackbar too narrow to have a track.
int AnimationSeekFrame(int x, int width, int frameCount);

// The trackbar's subclass: keys and plain mouse moves go to the main window,
// a left-button press, drag and release position the animation.
LRESULT CALLBACK AnimationTrackbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class CAnimationBar {
public:
    static constexpr int kMaxFrames = kMaxAnimationFrames;  // size of every per-frame table

    CAnimationBar();
    ~CAnimationBar();
    CAnimationBar(const CAnimationBar&) = delete;
    CAnimationBar& operator=(const CAnimationBar&) = delete;

    // Every field and table to its empty value, single delay on.
    void Clear();
    bool Init(int kind, int frameCount, int callerValue, HWND timerWindow, UINT_PTR timerId, bool loop,
              bool singleDelay);
    bool CopyFrom(const CAnimationBar& other);
    // Stops, destroys the controls and clears.
    void Reset();

    bool Play(int delay);
    void Stop();
    void Pause();
    // One step; at either end without loop the bar stays, pauses and answers false.
    bool NextFrame();
    bool PreviousFrame();
    // Decodes the current frame into the viewer's image (GIF frames are in it already).
    bool ShowCurrentFrame();
    // The frame timer's interval: a GIF frame's own delay x 10 ms, else entry 0 in ms.
    UINT FrameInterval() const;

    // Index 0..399; false (set) or 10 (get) outside it.
    bool SetFrameDelay(int index, int delay);
    int GetFrameDelay(int index) const;

    bool CreateControls();
    bool DestroyControls();
    bool SetVisible(bool visible);
    bool Layout();
    bool PaintButtons();
    // A WM_COMMAND from a control: true when the bar's controls exist.
    bool OnButton(LPARAM control);
    bool DrawButton(const DRAWITEMSTRUCT* item);
    bool OnFrameTimer();
    bool OnHoverTimer();
    // Mouse positioning on the trackbar: phase 1 button down, 0 drag, -1 button up.
    bool SeekByMouse(HWND trackbarWindow, int phase);

    // Height the bar's strip takes from the bottom of the view.
    static int StripHeight();

    int kind;
    int frameCount;
    int callerValue;
    int currentFrame;
    uint8_t initialised;
    uint8_t playing;
    uint8_t loop;
    uint8_t singleDelay;
    uint8_t multiFrame;  // the current file has several frames
    uint8_t controlsCreated;
    uint8_t visible;
    HWND timerWindow;
    UINT_PTR timerId;
    int marginTaken;       // bottom margin added by CreateControls
    uint32_t MediaLength;  // length in ms of the sound, video or movie just opened
    int FrameDelayTable[kMaxFrames];
    uint8_t DisposalTable[kMaxFrames];
    int TransparentTable[kMaxFrames];

    // The strip's windows, children of the main window (null before CreateControls).
    HWND label = nullptr;
    HWND playButton = nullptr;
    HWND stopButton = nullptr;
    HWND trackbar = nullptr;
    HWND previousButton = nullptr;
    HWND nextButton = nullptr;
    HWND owner = nullptr;  // the window the controls and the hover timer belong to
    WNDPROC oldTrackbarProc = nullptr;
    POINT lastCursor = {-1, -1};  // the hover timer's previous cursor position

private:
    void StartTimer();
    void SetTrackbarPos(int frame);
    // The button's skin column and its state bits from its enabled state and the cursor.
    int ButtonColumn(HWND button) const;
    UINT ButtonState(HWND button) const;
    // The viewer after a frame was decoded into it: alpha view, image tool bar, scroll state.
    void AfterFrameShown();
};

// The viewer's one bar.
extern CAnimationBar AnimationBar;
