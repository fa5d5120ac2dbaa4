// The sound, video and QuickTime movie players and the DirectShow player objects.
#pragma once
#include <windows.h>
#include <cstdint>

#include "media/DirectShowPlayer.h"

class CImage;
class CSoundPlayer;

// Height of the player or animation strip shown at the bottom of the viewer:
// the skin's player button height for the players, 0 while hidden.
inline int PlayerStripHeight = 0;

// The operations the main window reaches for the three players.
class CMediaPlayer {
public:
    virtual ~CMediaPlayer() = default;
    // A click on one of the player's controls (the WM_COMMAND's control window),
    // offered to each of its buttons in turn: play/pause, stop, the player's own
    // transport buttons, mute, information.
    void OnControlButton(LPARAM control);
    bool Open(CImage* image, const wchar_t* path, wchar_t* errorText);
    void Close();
    bool PlayPause(LPARAM control);
    bool Stop(LPARAM control);
    bool ToggleMute(LPARAM control);
    bool OnInfoButton(LPARAM control);
    void ChangeVolume(bool muted, int step);
    void DrawButton(const DRAWITEMSTRUCT* item);
    void UpdatePosition();
    void OnHoverTimer();
    void UpdateVolumeBar();
    void Layout();
    LPARAM PlayButton() const { return 0; }
    LPARAM StopButton() const { return 0; }
    LPARAM MuteButton() const { return 0; }
    uint8_t muted = 0;
    // The video's own size, 0 x 0 until the player has read it.
    int videoWidth = 0;
    int videoHeight = 0;

protected:
    // The buttons between stop and mute that only some players have.
    virtual void OnTransportButton(LPARAM) {}
};

class CVideoPlayer : public CMediaPlayer {
public:
    void StepFrame();
    bool OnStepButton(LPARAM control);
    void OnGraphEvent();
    void RaiseControls();
    void SetControlsVisible(bool visible);

protected:
    void OnTransportButton(LPARAM control) override { OnStepButton(control); }
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
