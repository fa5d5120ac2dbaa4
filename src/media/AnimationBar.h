// CAnimationBar: the viewer's playback bar for multi-frame images and media.
// The frame tables, flags and timer handling are complete; the bar's controls
// (buttons, trackbar, text) are not built yet: CreateControls and Reset only
// take and give back the bar's strip of the view's bottom margin.
#pragma once
#include <windows.h>
#include <cstdint>

#include "formats/Animation.h"

class CAnimationBar {
public:
    static constexpr int kMaxFrames = kMaxAnimationFrames;  // size of every per-frame table

    CAnimationBar();
    ~CAnimationBar();
    CAnimationBar(const CAnimationBar&) = delete;
    CAnimationBar& operator=(const CAnimationBar&) = delete;

    bool Init(int kind, int frameCount, int callerValue, HWND timerWindow, UINT_PTR timerId, bool loop,
              bool singleDelay);
    bool CopyFrom(const CAnimationBar& other);
    void Reset();

    bool Play(int delay);
    void Stop();
    void Pause();
    bool NextFrame();
    bool PreviousFrame();
    void ShowCurrentFrame();

    // Index 0..399; false (set) or 10 (get) outside it.
    bool SetFrameDelay(int index, int delay);
    int GetFrameDelay(int index) const;

    void CreateControls();
    void SetVisible(bool visible);
    void Layout();
    void PaintButtons();
    bool OnButton(LPARAM control);
    void DrawButton(const DRAWITEMSTRUCT* item);
    void OnFrameTimer();
    void OnHoverTimer();

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

private:
    void ClearFields();
    void StartTimer();
};

// The viewer's one bar.
extern CAnimationBar AnimationBar;
