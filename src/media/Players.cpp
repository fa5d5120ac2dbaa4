// Stand-ins of the players: no playback yet. Close returns the document to
// "nothing open", as the players' Close does.
#include "media/Players.h"

#include "app/AppState.h"
#include "app/Chrome.h"
#include "formats/Formats.h"

CVideoPlayer VideoPlayer;
CSoundPlayer SoundPlayer;
CQuickTimePlayer QuickTimePlayer;

CMediaPlayer* PlayerForFormat(int formatId) {
    switch (formatId) {
    case FMT_VIDEO: return &VideoPlayer;
    case FMT_QTMOVIE: return &QuickTimePlayer;
    case FMT_SOUND: return &SoundPlayer;
    default: return nullptr;
    }
}

CMediaPlayer* CurrentPlayer() { return PlayerForFormat(AppState::CurrentFormatId); }

void CMediaPlayer::OnControlButton(LPARAM control) {
    PlayPause(control);
    Stop(control);
    OnTransportButton(control);
    ToggleMute(control);
    OnInfoButton(control);
}

bool CMediaPlayer::Open(CImage*, const wchar_t*, wchar_t* errorText) {
    if (errorText && !AppState::BackgroundLoad && !AppState::PreviewLoad)
        lstrcpynW(errorText, L"Media playback is not available.", 512);
    return false;
}
void CMediaPlayer::Close() { AppState::DocumentKind = DOC_NONE; }
bool CMediaPlayer::PlayPause(LPARAM) { return false; }
bool CMediaPlayer::Stop(LPARAM) { return false; }
bool CMediaPlayer::ToggleMute(LPARAM) { return false; }
bool CMediaPlayer::OnInfoButton(LPARAM) { return false; }
void CMediaPlayer::ChangeVolume(bool, int) {}
void CMediaPlayer::DrawButton(const DRAWITEMSTRUCT*) {}
void CMediaPlayer::UpdatePosition() {}
void CMediaPlayer::OnHoverTimer() {}
void CMediaPlayer::UpdateVolumeBar() {}
void CMediaPlayer::Layout() {}

void CVideoPlayer::StepFrame() {}
bool CVideoPlayer::OnStepButton(LPARAM) { return false; }
void CVideoPlayer::OnGraphEvent() {}
void CVideoPlayer::RaiseControls() {}
void CVideoPlayer::SetControlsVisible(bool visible) {
    PlayerStripHeight = visible ? Skin.cyPlayerButton : 0;
    RaiseControls();
}

void CQuickTimePlayer::OnWindowMessage(HWND, UINT, WPARAM, LPARAM) {}
void CQuickTimePlayer::NextFrame() {}
void CQuickTimePlayer::PreviousFrame() {}
void CQuickTimePlayer::ChangeRate(int) {}
bool CQuickTimePlayer::OnPreviousButton(LPARAM) { return false; }
bool CQuickTimePlayer::OnNextButton(LPARAM) { return false; }
void CQuickTimePlayer::SetControlsVisible(bool visible) { PlayerStripHeight = visible ? Skin.cyPlayerButton : 0; }

void StartQuickTime() {}
void StopQuickTime() {}

QuickTimeMovieRecord QuickTimeMovie = {};

int OpenQuickTimeMovie(HWND, QuickTimeMovieRecord* record) {
    if (!record) return 0;
    record->movie = nullptr;
    return 0;
}

void CloseQuickTimeMovie(QuickTimeMovieRecord* record) {
    if (!record || !record->open) return;
    record->open = 0;
    record->controller = nullptr;
    record->movie = nullptr;
}

uint8_t DescribeVideoStreams(const wchar_t*) { return 0; }
