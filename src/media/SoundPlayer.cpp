#include "media/SoundPlayer.h"

#include <commctrl.h>

#include <cstddef>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/Language.h"
#include "app/MainWindowIds.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Image.h"
#include "media/AnimationBar.h"
#include "media/MixerVolume.h"

namespace {

constexpr int kSoundTimerMs = 100;
constexpr wchar_t kDefaultTagCaptions[] = L"Artist:|Album:|Title:|Note:|Year:|Genre:";

HWND CreatePlayerChild(const wchar_t* className, const wchar_t* text, DWORD style) {
    return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | style, 0, 0,
                           0, 0, AppState::MainWindow, nullptr, AppState::Instance, nullptr);
}

void DestroyChild(HWND& window) {
    if (window) DestroyWindow(window);
    window = nullptr;
}

POINT CursorIn(HWND window) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    ScreenToClient(window, &cursor);
    return cursor;
}

RECT Box(int x, int y, int width, int height) { return RECT{x, y, width, height}; }

// The owner-draw state bits a button adds by itself: disabled, else hot while
// the cursor is over it.
UINT ButtonState(HWND button) {
    if (!IsWindowEnabled(button)) return ODS_DISABLED;
    POINT cursor = {};
    RECT r = {};
    GetCursorPos(&cursor);
    GetWindowRect(button, &r);
    return PtInRect(&r, cursor) ? ODS_HOTLIGHT : 0;
}

void SetError(wchar_t* errorText, const wchar_t* text) {
    if (errorText) CopyStringW(errorText, text, MAX_PATH);
}

}  // namespace

int SoundCanvasHeight(int tagLineHeight, int playerButtonHeight) { return 3 * tagLineHeight + playerButtonHeight + 32; }

SoundLayout ComputeSoundLayout(int x, int y, int w, int h, int bw, int bh, int lineHeight) {
    SoundLayout l = {};
    const int row = y + 8;
    l.windows[SOUND_FRAME] = Box(x - 1, y - 1, w + 1, h + 1);
    l.windows[SOUND_PLAY] = Box(x + 6, row, bw, bh);
    l.windows[SOUND_STOP] = Box(x + 6 + bw, row, bw, bh);
    l.windows[SOUND_POSITION] = Box(x + 6 + 2 * bw, row, w - 4 * bw - 14, bh);
    l.windows[SOUND_INFO] = Box(x + w - 2 * bw - 6, row, bw, bh);
    l.windows[SOUND_MUTE] = Box(x + w - bw - 6, row, bw, bh);
    l.windows[SOUND_VOLUME] = Box(x + w - 28, row + bh, 20, h - bh - 10);
    // Three rows of two caption/value pairs; the captions keep the list's order
    // (artist, album, title, note, year, genre).
    const int top = y + bh + 20, L = lineHeight;
    const struct {
        int caption, line, column;
    } cells[6] = {{2, 0, 0}, {1, 0, 1}, {0, 1, 0}, {4, 1, 1}, {3, 2, 0}, {5, 2, 1}};
    for (const auto& c : cells) {
        const int captionX = c.column ? x + 213 : x + 7, valueX = c.column ? x + 257 : x + 51;
        l.captions[c.caption] = Box(captionX, top + c.line * (L + 1) + 1, 42, L);
        l.values[c.caption] = Box(valueX, top + c.line * (L + 1), 155, L + 2);
    }
    return l;
}

int SoundButtonColumn(int window, bool playing, bool muted) {
    switch (window) {
    case SOUND_PLAY: return playing ? 1 : 0;
    case SOUND_STOP: return 2;
    case SOUND_INFO: return 5;
    case SOUND_MUTE: return muted ? 6 : 7;
    default: return -1;
    }
}

bool CSoundPlayer::Active() const {
    return AppState::CurrentImage.IsValid() && AppState::CurrentFormatId == FMT_SOUND && ViewerPlayer.Seeking &&
           AppState::DocumentKind != DOC_LOAD_FAILED;
}

bool CSoundPlayer::Open(CImage* image, const wchar_t* path, wchar_t* errorText) {
    if (AppState::BackgroundLoad || AppState::PreviewLoad) return false;
    if (!image || !CanOpenForRead(path, errorText)) return false;
    TearDown();
    if (FAILED(ViewerPlayer.Create())) {
        SetError(errorText, L"Failed to initialize DirectShow!");
        return false;
    }
    const HRESULT rendered = ViewerPlayer.Graph->RenderFile(path, nullptr);
    if (!IsAcceptedRenderResult(rendered)) {
        if (errorText) DescribeRenderFailure(rendered, RenderTextForm::Sound, errorText, MAX_PATH);
        ViewerPlayer.Release();
        return false;
    }
    opened = true;
    completions = 0;
    HWND main = AppState::MainWindow;
    ViewerPlayer.Events->SetNotifyWindow((OAHWND)main, WM_APP_SOUND_GRAPH_EVENT, 0);
    muted = 0;
    Skin.LoadPlayerBitmap();
    CreateTagPanel(path);

    positionBar = CreatePlayerChild(TRACKBAR_CLASSW, L"", TBS_BOTH | TBS_NOTICKS | TBS_FIXEDLENGTH);
    SendMessageW(positionBar, TBM_SETRANGE, TRUE, MAKELONG(0, 1000));
    SendMessageW(positionBar, TBM_SETPOS, TRUE, 0);
    MediaDuration = 0;
    if (FAILED(ViewerPlayer.Seeking->GetDuration(&MediaDuration))) {
        MediaDuration = 0;
        EnableWindow(positionBar, FALSE);
    }
    if (positionBar)
        oldPositionProc = (WNDPROC)SetWindowLongPtrW(positionBar, GWLP_WNDPROC, (LONG_PTR)SoundPositionTrackbarProc);
    SendMessageW(positionBar, TBM_SETTHUMBLENGTH, 16, 0);

    volumeBar = CreatePlayerChild(TRACKBAR_CLASSW, L"", TBS_VERT | TBS_AUTOTICKS);
    const bool mixerOpen = MixerVolume.Open(main);
    if (mixerOpen) {
        MixerVolume.FindVolumeControl();
        SendMessageW(volumeBar, TBM_SETRANGE, TRUE,
                     MAKELONG((WORD)MixerVolume.Minimum, (WORD)(MixerVolume.Maximum / 2)));
        UpdateVolumeBar();
        SendMessageW(volumeBar, TBM_SETTICFREQ, 1300, 0);
    }
    const bool audio = ViewerPlayer.HasAudio();
    if (!mixerOpen || !audio) EnableWindow(volumeBar, FALSE);
    if (volumeBar)
        oldVolumeProc = (WNDPROC)SetWindowLongPtrW(volumeBar, GWLP_WNDPROC, (LONG_PTR)SoundVolumeTrackbarProc);

    playButton = CreatePlayerChild(L"button", L"-", BS_OWNERDRAW);
    stopButton = CreatePlayerChild(L"button", L"S", BS_OWNERDRAW);
    infoButton = CreatePlayerChild(L"button", L"S", BS_OWNERDRAW);
    muteButton = CreatePlayerChild(L"button", L"-", BS_OWNERDRAW);
    if (!audio) EnableWindow(muteButton, FALSE);
    frame = CreatePlayerChild(L"static", L"", SS_CENTER | SS_SUNKEN);

    AppState::Zoom = 1.0f;
    if (!image->CreateEmpty(kSoundCanvasWidth, SoundCanvasHeight(tagLineHeight, Skin.cyPlayerButton), 24, 0, nullptr)) {
        TearDown();
        SetError(errorText, L"Unable to allocate Memory for storing Imagedata!");
        return false;
    }
    const LONGLONG length = GraphLengthMs(ViewerPlayer.Seeking);
    AnimationBar.Init(ANIM_KIND_SOUND, (int)length, 0, main, TIMER_ANIMATION_FRAME, true, false);
    AnimationBar.MediaLength = (uint32_t)length;
    if (Browser.IsShown()) Layout();
    if (main) {
        SetTimer(main, TIMER_SOUND_POSITION, kSoundTimerMs, nullptr);
        SetTimer(main, TIMER_SOUND_MOUSE, kSoundTimerMs, nullptr);
    }
    if (AppState::AudioAutoPlay) ViewerPlayer.Run();
    return true;
}

void CSoundPlayer::TearDown() {
    if (HWND main = AppState::MainWindow) {
        KillTimer(main, TIMER_SOUND_POSITION);
        KillTimer(main, TIMER_SOUND_MOUSE);
    }
    if (positionBar && oldPositionProc) SetWindowLongPtrW(positionBar, GWLP_WNDPROC, (LONG_PTR)oldPositionProc);
    if (volumeBar && oldVolumeProc) SetWindowLongPtrW(volumeBar, GWLP_WNDPROC, (LONG_PTR)oldVolumeProc);
    oldPositionProc = oldVolumeProc = nullptr;
    for (HWND* window : {&positionBar, &volumeBar, &playButton, &stopButton, &muteButton, &infoButton, &frame})
        DestroyChild(*window);
    for (int i = 0; i < 6; ++i) {
        DestroyChild(tagCaptions[i]);
        DestroyChild(tagValues[i]);
    }
    if (tagFont) DeleteObject(tagFont);
    tagFont = nullptr;
    if (!opened) return;
    opened = false;
    Skin.FreePlayerBitmap();
    MixerVolume.Close();
    ViewerPlayer.Release();
    AnimationBar.Reset();
    MediaDuration = 0;
}

void CSoundPlayer::Close() {
    TearDown();
    if (AppState::CurrentImage.IsValid()) AppState::CurrentImage.Destroy();
    AppState::DocumentKind = DOC_NONE;
}

bool CSoundPlayer::ColorStatic(HWND control, HDC dc, LRESULT* result) const {
    if (!control) return false;
    bool ours = control == frame;
    for (HWND caption : tagCaptions) ours = ours || control == caption;
    if (!ours) return false;
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    *result = (LRESULT)GetStockObject(BLACK_BRUSH);
    return true;
}

void CSoundPlayer::CreateTagPanel(const wchar_t* path) {
    ReadSoundTag(path, tag);
    int count = 0;
    auto captions = LangGetList(L"SndTagInfo", L"TagCaptions", &count, kDefaultTagCaptions);
    // Caption i goes with value i: artist, album, title, note, year, genre.
    const wchar_t* values[6] = {tag.artist, tag.album, tag.title, tag.comment, tag.year, tag.genre};
    for (int i = 0; i < 6; ++i) {
        const wchar_t* caption = captions && i < count ? captions[i] : L"";
        tagCaptions[i] = CreatePlayerChild(L"static", caption, SS_RIGHT);
        if (!tagCaptions[i] && i == 4) ShowMessage(L"No Title!");
        tagValues[i] = CreatePlayerChild(L"edit", values[i], WS_BORDER | ES_READONLY | ES_AUTOHSCROLL);
    }
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);  // the size every system accepts
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    tagFont = CreateFontIndirectW(&metrics.lfMenuFont);
    tagLineHeight = metrics.iMenuHeight;
    for (int i = 0; i < 6; ++i) {
        if (tagCaptions[i]) SendMessageW(tagCaptions[i], WM_SETFONT, (WPARAM)tagFont, TRUE);
        if (tagValues[i]) SendMessageW(tagValues[i], WM_SETFONT, (WPARAM)tagFont, TRUE);
    }
}

void CSoundPlayer::Layout() {
    HWND main = AppState::MainWindow;
    if (!main || !positionBar) return;
    RECT client = {};
    GetClientRect(main, &client);
    const CImage& image = AppState::CurrentImage;
    const int w = image.IsValid() ? (int)image.GetWidth() : 0, h = image.IsValid() ? (int)image.GetHeight() : 0;
    // Where the viewer paints the canvas; the controls keep their 1:1 sizes.
    const POINT origin = PlaceImage(client);
    const SoundLayout l =
        ComputeSoundLayout(origin.x, origin.y, w, h, Skin.cxPlayerButton, Skin.cyPlayerButton, tagLineHeight);
    const HWND windows[SOUND_WINDOW_COUNT] = {frame,      playButton, stopButton, positionBar,
                                              infoButton, muteButton, volumeBar};
    auto move = [](HWND window, const RECT& r) {
        if (window) MoveWindow(window, r.left, r.top, r.right > 0 ? r.right : 0, r.bottom > 0 ? r.bottom : 0, TRUE);
    };
    for (int i = 0; i < SOUND_WINDOW_COUNT; ++i) move(windows[i], l.windows[i]);
    for (int i = 0; i < 6; ++i) {
        move(tagCaptions[i], l.captions[i]);
        move(tagValues[i], l.values[i]);
    }
}

bool CSoundPlayer::PlayPause(LPARAM control) {
    if (!playButton || control != (LPARAM)playButton || !Active()) return false;
    if (ViewerPlayer.PlayState == State_Running) ViewerPlayer.Pause();
    else if (!ViewerPlayer.Run()) ShowMessage(L"no play!?");
    InvalidateRect(playButton, nullptr, FALSE);
    return true;
}

bool CSoundPlayer::Stop(LPARAM control) {
    if (!stopButton || control != (LPARAM)stopButton || !Active()) return false;
    ViewerPlayer.Stop();
    RewindGraph(ViewerPlayer.Seeking);
    UpdatePosition();
    PaintButtons();
    return true;
}

bool CSoundPlayer::ToggleMute(LPARAM control) {
    if (!muteButton || control != (LPARAM)muteButton || !Active()) return false;
    ChangeVolume(!muted, -1);
    InvalidateRect(muteButton, nullptr, FALSE);
    return true;
}

bool CSoundPlayer::OnInfoButton(LPARAM control) {
    if (!infoButton || control != (LPARAM)infoButton || !Active()) return false;
    PostMessageW(AppState::MainWindow, WM_COMMAND, IDM_FILE_INFO, 0);
    InvalidateRect(infoButton, nullptr, FALSE);
    return true;
}

void CSoundPlayer::ChangeVolume(bool mute, int step) {
    if (step != -1) {
        MixerVolume.StepVolume(step);
        UpdateVolumeBar();
        return;
    }
    // Muting works on the graph; the system volume stays as it is.
    if (!ViewerPlayer.Graph) return;
    IBasicAudio* audio = nullptr;
    if (FAILED(ViewerPlayer.Graph->QueryInterface(IID_IBasicAudio, (void**)&audio)) || !audio) return;
    long volume = 0;
    const HRESULT hr = audio->get_Volume(&volume);
    if (SUCCEEDED(hr) && hr != E_NOTIMPL) {
        muted = mute ? 1 : 0;
        audio->put_Volume(mute ? -10000 : 0);
    }
    audio->Release();
    UpdateVolumeBar();
}

void CSoundPlayer::UpdateVolumeBar() {
    DWORD value = 0;
    if (!volumeBar || !MixerVolume.GetVolume(&value)) return;
    SendMessageW(volumeBar, TBM_SETPOS, TRUE, InvertedVolumePosition(value, MixerVolume.Maximum));
}

void CSoundPlayer::UpdatePosition() {
    if (!positionBar || !Active()) return;
    LONGLONG current = 0;
    IMediaSeeking* seeking = ViewerPlayer.Seeking;
    if (FAILED(seeking->GetCurrentPosition(&current))) return;
    PostMessageW(positionBar, TBM_SETPOS, TRUE, PositionPermille(current, MediaDuration));
    if (seeking->IsFormatSupported(&TIME_FORMAT_MEDIA_TIME) != S_OK) return;
    LONGLONG mediaTime = 0;
    if (SUCCEEDED(seeking->ConvertTimeFormat(&mediaTime, &TIME_FORMAT_MEDIA_TIME, current, nullptr)))
        AnimationBar.currentFrame = (int)(mediaTime / 10000);
}

void CSoundPlayer::PaintButton(HWND button, HDC dc, UINT state) const {
    const int index = button == playButton   ? SOUND_PLAY
                      : button == stopButton ? SOUND_STOP
                      : button == infoButton ? SOUND_INFO
                                             : SOUND_MUTE;
    RECT r = {};
    GetClientRect(button, &r);
    Skin.DrawPlayerButton(SoundButtonColumn(index, ViewerPlayer.PlayState == State_Running, muted != 0), dc, state, r);
}

void CSoundPlayer::PaintButtons() {
    if (!Active()) return;
    for (HWND button : {playButton, stopButton, infoButton, muteButton}) {
        if (!button) continue;
        HDC dc = GetDC(button);
        if (!dc) continue;
        PaintButton(button, dc, ButtonState(button));
        ReleaseDC(button, dc);
    }
}

void CSoundPlayer::DrawButton(const DRAWITEMSTRUCT* item) {
    if (!item || !item->hwndItem || !Active()) return;
    HWND button = item->hwndItem;
    if (button != playButton && button != stopButton && button != infoButton && button != muteButton) return;
    PaintButton(button, item->hDC, item->itemState | ButtonState(button));
}

void CSoundPlayer::OnHoverTimer() {
    if (!Active()) return;
    POINT cursor = {};
    GetCursorPos(&cursor);
    if (cursor.x == lastCursor.x && cursor.y == lastCursor.y) return;
    lastCursor = cursor;
    PaintButtons();
}

bool CSoundPlayer::OnGraphEvent() {
    // Only this player's graph: a notice that arrives after another medium
    // took ViewerPlayer over must not take that medium's events.
    IMediaEventEx* events = ViewerPlayer.Events;
    if (!opened || !events) return false;
    long code = 0;
    LONG_PTR p1 = 0, p2 = 0;
    while (SUCCEEDED(events->GetEvent(&code, &p1, &p2, 0))) {
        events->FreeEventParams(code, p1, p2);
        if (code != EC_COMPLETE) continue;
        ++completions;
        if (StopOrLoopAtMediaEnd(TIMER_SOUND_POSITION, TIMER_SOUND_MOUSE, AppState::AudioLoop)) PaintButtons();
        // The graph may be gone when the show stepped on.
        if (!ViewerPlayer.Events) break;
    }
    return true;
}

bool CSoundPlayer::SeekByMouse(HWND trackbar, int phase) {
    if (!trackbar || trackbar != positionBar || !Active()) return false;
    IMediaControl* control = ViewerPlayer.Control;
    if (phase == 1) {
        OAFilterState state = State_Stopped;
        control->GetState(10, &state);
        seekSavedState = (int)state;
        control->Pause();  // directly: PlayState keeps its value
    }
    RECT client = {};
    GetClientRect(trackbar, &client);
    const int p = TrackbarPositionFromMouse(CursorIn(trackbar).x, client.right - client.left, 1000);
    PostMessageW(trackbar, TBM_SETPOS, TRUE, p);
    SeekGraphPermille(ViewerPlayer.Seeking, p);
    if (phase == -1) {
        if (seekSavedState == State_Stopped) control->Stop();
        else if (seekSavedState == State_Running) control->Run();
    }
    return true;
}

bool CSoundPlayer::SetVolumeByMouse(HWND trackbar) {
    if (!trackbar || trackbar != volumeBar || !Active()) return false;
    const DWORD half = MixerVolume.Maximum / 2;
    RECT client = {};
    GetClientRect(trackbar, &client);
    const int p = TrackbarPositionFromMouse(CursorIn(trackbar).y, client.bottom - client.top, (int)half);
    PostMessageW(trackbar, TBM_SETPOS, TRUE, p);
    MixerVolume.SetVolume((half - (DWORD)p) * 2);
    return true;
}

LRESULT CALLBACK SoundPositionTrackbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PlayerTrackbarMessage(window, message, wParam, lParam, SoundPlayer.oldPositionProc,
                                 [](HWND trackbar, int phase) { SoundPlayer.SeekByMouse(trackbar, phase); });
}

LRESULT CALLBACK SoundVolumeTrackbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PlayerTrackbarMessage(window, message, wParam, lParam, SoundPlayer.oldVolumeProc,
                                 [](HWND trackbar, int) { SoundPlayer.SetVolumeByMouse(trackbar); });
}
