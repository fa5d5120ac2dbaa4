// The sound, video and QuickTime movie players and the DirectShow player objects.
#pragma once
#include <windows.h>
#include <cstdint>

#include "media/DirectShowPlayer.h"
#include "media/MixerVolume.h"

class CImage;
class CSoundPlayer;

// Height of the player or animation strip shown at the bottom of the viewer:
// the skin's player button height for the players, 0 while hidden.
inline int PlayerStripHeight = 0;

// The graph's duration in its time format, read when a sound or video opens.
inline LONGLONG MediaDuration = 0;

// The thousandths of the duration that the current position stands for, 0
// without a duration.
int PositionPermille(LONGLONG current, LONGLONG duration);

// The message table the players' trackbar procedures share: focus goes to the
// main window, keys and the mouse wheel are posted to it, a middle click posts
// the presentation-mode command, and the left button and drags reach onMouse with phase 1
// (down), 0 (move) or -1 (up). Returns the old procedure's answer.
using TrackbarMouseHandler = void (*)(HWND trackbar, int phase);
LRESULT PlayerTrackbarMessage(HWND trackbar, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC oldProc,
                              TrackbarMouseHandler onMouse);

// What the viewer's medium does at its end: a running show kills the player's
// two timers, stops and steps on; with loop set it plays again from the start
// (stopped and run when the rewind fails); otherwise it stops and rewinds and
// the answer is true, for the player to repaint its buttons.
bool StopOrLoopAtMediaEnd(UINT positionTimer, UINT mouseTimer, bool loop);

// The operations the main window reaches for the three players.
class CMediaPlayer {
public:
    virtual ~CMediaPlayer() = default;
    // A click on one of the player's controls (the WM_COMMAND's control window),
    // offered to each of its buttons in turn: play/pause, stop, the player's own
    // transport buttons, mute, information.
    void OnControlButton(LPARAM control);
    virtual bool Open(CImage* image, const wchar_t* path, wchar_t* errorText);
    virtual void Close();
    virtual bool PlayPause(LPARAM control);
    virtual bool Stop(LPARAM control);
    virtual bool ToggleMute(LPARAM control);
    virtual bool OnInfoButton(LPARAM control);
    virtual void ChangeVolume(bool muted, int step);
    virtual void DrawButton(const DRAWITEMSTRUCT* item);
    virtual void UpdatePosition();
    virtual void OnHoverTimer();
    virtual void UpdateVolumeBar();
    virtual void Layout();
    virtual LPARAM PlayButton() const { return 0; }
    virtual LPARAM StopButton() const { return 0; }
    virtual LPARAM MuteButton() const { return 0; }
    // The mute state the mute button shows; 0 after Open.
    uint8_t muted = 0;
    // The video's own size, 0 x 0 until the player has read it.
    int videoWidth = 0;
    int videoHeight = 0;

protected:
    // The buttons between stop and mute that only some players have.
    virtual void OnTransportButton(LPARAM) {}
};

// The height a video of this size is shown at: non-square-pixel sizes
// corrected to 4:3, any other height as it is.
int CorrectedVideoHeight(int width, int height);
// The zoom a video opens at with the browser hidden: from 1.0 up in steps of
// 0.25 while the picture stays below 640 wide, until it is 480 high or the
// zoom reaches 3.0.
float VideoOpenZoom(int width, int height);

// One frame of a video file as a BITMAPINFOHEADER followed by its rows, at a
// random time in the second half of its first 180 seconds (0 for a video of
// one second or less). The buffer is the caller's (free with delete[]).
HRESULT GrabVideoFrame(const wchar_t* path, uint8_t** buffer, size_t* size);
// Whether a frame buffer from GrabVideoFrame holds its header and every row
// the header promises.
bool VideoFrameFits(const uint8_t* buffer, size_t size);
// A still of the video for thumbnails and previews.
bool MakeVideoThumbnail(CImage* image, const wchar_t* path);
bool GrabQuickTimeThumbnail(CImage* image, const wchar_t* path);

enum VideoControl : int {
    VIDEO_POSITION = 0,
    VIDEO_VOLUME,
    VIDEO_PLAY,
    VIDEO_STOP,
    VIDEO_STEP,
    VIDEO_MUTE,
    VIDEO_INFO,
    VIDEO_CONTROL_COUNT
};

class CVideoPlayer : public CMediaPlayer {
public:
    bool Open(CImage* image, const wchar_t* path, wchar_t* errorText) override;
    void Close() override;
    bool PlayPause(LPARAM control) override;
    bool Stop(LPARAM control) override;
    bool ToggleMute(LPARAM control) override;
    bool OnInfoButton(LPARAM control) override;
    void ChangeVolume(bool muted, int step) override;
    void DrawButton(const DRAWITEMSTRUCT* item) override;
    void UpdatePosition() override;
    void OnHoverTimer() override;
    void UpdateVolumeBar() override;
    void Layout() override;
    LPARAM PlayButton() const override { return (LPARAM)controls[VIDEO_PLAY]; }
    LPARAM StopButton() const override { return (LPARAM)controls[VIDEO_STOP]; }
    LPARAM MuteButton() const override { return (LPARAM)controls[VIDEO_MUTE]; }

    bool StepFrame();
    bool OnStepButton(LPARAM control);
    bool OnGraphEvent();
    void RaiseControls();
    void SetControlsVisible(bool visible);
    void PaintButtons();
    bool SeekByMouse(HWND trackbar, int phase);
    bool SetVolumeByMouse(HWND trackbar);
    // Everything Open set up, whatever the viewer's image: timers, the bottom
    // margin, the graph, the controls, the skin's strip, the mixer and the bar.
    void Teardown();
    // The player is open on a video (the guard of the control handlers).
    bool Active() const;

    HWND controls[VIDEO_CONTROL_COUNT] = {};
    WNDPROC oldPositionProc = nullptr;
    WNDPROC oldVolumeProc = nullptr;
    int marginTaken = 0;  // bottom margin added by Open
    int SeekSavedState = 0;
    POINT lastCursor = {-1, -1};
    int endCount = 0;  // times the video reached its end since Open

protected:
    void OnTransportButton(LPARAM control) override { OnStepButton(control); }

private:
    bool Fail(wchar_t* errorText, const wchar_t* text);
    int ButtonColumn(int control) const;
    UINT ButtonState(HWND button) const;
    bool graphOpen = false;
    bool bitmapLoaded = false;
    bool mixerOpen = false;
};

#include "media/SoundPlayer.h"  // CSoundPlayer

class CQuickTimePlayer : public CMediaPlayer {
public:
    void OnWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void NextFrame();
    void PreviousFrame();
    void ChangeRate(int step);
    bool OnPreviousButton(LPARAM control);
    bool OnNextButton(LPARAM control);
    void SetControlsVisible(bool visible);

protected:
    void OnTransportButton(LPARAM control) override {
        OnPreviousButton(control);
        OnNextButton(control);
    }
};

extern CVideoPlayer VideoPlayer;
extern CSoundPlayer SoundPlayer;
extern CQuickTimePlayer QuickTimePlayer;

// The player of a format: VideoPlayer for FMT_VIDEO, QuickTimePlayer for
// FMT_QTMOVIE, SoundPlayer for FMT_SOUND, null for every other format.
CMediaPlayer* PlayerForFormat(int formatId);
// The player of the open document (AppState::CurrentFormatId), or null.
CMediaPlayer* CurrentPlayer();

void StartQuickTime();
void StopQuickTime();

// The open QuickTime movie: the file's ANSI path, whether it is open, and the
// library's movie and movie controller (opaque here).
struct QuickTimeMovieRecord {
    char path[256];
    uint8_t open;
    void* movie;
    void* controller;
};
extern QuickTimeMovieRecord QuickTimeMovie;

// Opens the movie named in the record for the window: 1 with the movie stored
// and the record marked open, 0 when the path is missing or QuickTime refuses
// the file (the record then holds no movie). QuickTime is not available in
// this build, so every file is refused.
int OpenQuickTimeMovie(HWND window, QuickTimeMovieRecord* record);
// Disposes an open record's controller and movie and clears its mark; nothing
// for a record that is not open.
void CloseQuickTimeMovie(QuickTimeMovieRecord* record);

// Add the rows that describe a file's video and audio streams to the file
// information dialog; non-zero when described. No stream can be described yet:
// zero, and no rows are added. (The audio stream: DescribeAudioStream.)
uint8_t DescribeVideoStreams(const wchar_t* path);
