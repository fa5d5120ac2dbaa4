// CSoundPlayer: plays a sound file inside the viewer on ViewerPlayer. The
// viewer's image becomes a black canvas; the controls (play/pause, stop, a
// position trackbar, info, mute, a vertical volume trackbar for the system
// volume) and a panel with the file's tag lie over it as children of the main
// window. The main window passes it its commands, timers, owner drawing and
// graph notifications.
#pragma once
#include <windows.h>

#include "media/Players.h"
#include "media/SoundTags.h"

// Width of the sound canvas, and its height for a tag line height and a
// player button height.
constexpr int kSoundCanvasWidth = 450;
int SoundCanvasHeight(int tagLineHeight, int playerButtonHeight);

// Where the sound player's windows go for a canvas of w x h at (x, y), with
// player buttons of bw x bh and tag lines of lineHeight.
enum SoundWindow : int {
    SOUND_FRAME = 0,
    SOUND_PLAY,
    SOUND_STOP,
    SOUND_POSITION,
    SOUND_INFO,
    SOUND_MUTE,
    SOUND_VOLUME,
    SOUND_WINDOW_COUNT
};
struct SoundLayout {
    RECT windows[SOUND_WINDOW_COUNT];  // left, top, width, height
    RECT captions[6];                  // in the order of the caption list
    RECT values[6];
};
SoundLayout ComputeSoundLayout(int x, int y, int w, int h, int bw, int bh, int lineHeight);

// The skin column a sound button shows.
int SoundButtonColumn(int window, bool playing, bool muted);

class CSoundPlayer : public CMediaPlayer {
public:
    bool Open(CImage* image, const wchar_t* path, wchar_t* errorText) override;
    // Closes the player: its windows, timers, mixer and graph go whether or not
    // the image is valid; a valid image is destroyed and the viewer holds
    // nothing.
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
    LPARAM PlayButton() const override { return (LPARAM)playButton; }
    LPARAM StopButton() const override { return (LPARAM)stopButton; }
    LPARAM MuteButton() const override { return (LPARAM)muteButton; }

    bool OnGraphEvent();
    // WM_CTLCOLORSTATIC for the frame and the tag captions: they sit on the
    // black canvas, so they paint black with white text. False for any other
    // control.
    bool ColorStatic(HWND control, HDC dc, LRESULT* result) const;
    void PaintButtons();
    bool SeekByMouse(HWND trackbar, int phase);
    bool SetVolumeByMouse(HWND trackbar);
    // The player acts on its controls: the viewer shows a valid sound file
    // that loaded, and the graph is there.
    bool Active() const;

    HWND positionBar = nullptr;
    HWND volumeBar = nullptr;
    HWND playButton = nullptr;
    HWND stopButton = nullptr;
    HWND infoButton = nullptr;
    HWND muteButton = nullptr;
    HWND frame = nullptr;
    HWND tagCaptions[6] = {};
    HWND tagValues[6] = {};
    HFONT tagFont = nullptr;
    WNDPROC oldPositionProc = nullptr;
    WNDPROC oldVolumeProc = nullptr;
    int seekSavedState = 0;
    POINT lastCursor = {-1, -1};
    int tagLineHeight = 0;  // the menu height, set when the tag panel is built
    int completions = 0;    // ends of the medium since Open
    Id3Tag tag = {};

private:
    bool opened = false;  // the graph, mixer, skin strip and bar are this player's
    // Destroys everything Open made, each part only when it exists.
    void TearDown();
    void CreateTagPanel(const wchar_t* path);
    void PaintButton(HWND button, HDC dc, UINT state) const;
};

LRESULT CALLBACK SoundPositionTrackbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SoundVolumeTrackbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
