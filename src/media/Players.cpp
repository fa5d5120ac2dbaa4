// The players' shared base and the video player. The sound and QuickTime
// players are stand-ins: no playback; their Close returns the document to
// "nothing open".
#include "media/Players.h"

#include <commctrl.h>
#include <qedit.h>
#include <cstdlib>
#include <cstring>
#include <new>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "command_ids.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Resample.h"
#include "media/AnimationBar.h"

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

// ---- Shared by the sound and video players.

int PositionPermille(LONGLONG current, LONGLONG duration) {
    if (duration <= 0) return 0;
    const LONGLONG p = current * 1000 / duration;
    return p < 0 ? 0 : p > 1000 ? 1000 : (int)p;
}

LRESULT PlayerTrackbarMessage(HWND trackbar, UINT message, WPARAM wParam, LPARAM lParam, WNDPROC oldProc,
                              TrackbarMouseHandler onMouse) {
    HWND parent = GetParent(trackbar);
    switch (message) {
    case WM_SETFOCUS:
        if (parent) SetFocus(parent);
        return 0;
    case WM_KEYDOWN:
    case WM_CHAR:
        if (parent) PostMessageW(parent, message, wParam, lParam);
        return 0;
    case WM_MOUSEMOVE:
        if (wParam & MK_LBUTTON) {
            if (onMouse) onMouse(trackbar, 0);
        } else if (parent) {
            PostMessageW(parent, message, wParam, lParam);
        }
        break;
    case WM_LBUTTONDOWN:
        if (onMouse) onMouse(trackbar, 1);
        break;
    case WM_LBUTTONUP:
        if (onMouse) onMouse(trackbar, -1);
        break;
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
        if (parent) PostMessageW(parent, message, wParam, lParam);
        break;
    case WM_MBUTTONDOWN:
        if (parent) PostMessageW(parent, WM_COMMAND, IDM_PRESENTATION_MODE, 0);
        break;
    default: break;
    }
    return oldProc ? CallWindowProcW(oldProc, trackbar, message, wParam, lParam)
                   : DefWindowProcW(trackbar, message, wParam, lParam);
}

// ---- Video player.

namespace {

struct AspectRow {
    int width;
    int heights[3];
    int corrected;
};
const AspectRow aspectRows[] = {
    {176, {144, 0, 0}, 132},     {352, {240, 288, 576}, 264}, {416, {304, 0, 0}, 312},
    {480, {480, 576, 352}, 360}, {528, {576, 0, 0}, 396},
};

LRESULT CALLBACK VideoPositionTrackbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PlayerTrackbarMessage(window, message, wParam, lParam, VideoPlayer.oldPositionProc,
                                 [](HWND trackbar, int phase) { VideoPlayer.SeekByMouse(trackbar, phase); });
}

LRESULT CALLBACK VideoVolumeTrackbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PlayerTrackbarMessage(window, message, wParam, lParam, VideoPlayer.oldVolumeProc,
                                 [](HWND trackbar, int) { VideoPlayer.SetVolumeByMouse(trackbar); });
}

HWND CreateChild(const wchar_t* className, DWORD style) {
    return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | style, 0, 0,
                           0, 0, AppState::MainWindow, nullptr, AppState::Instance, nullptr);
}

int ClientX(HWND window) {
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(window, &cursor);
    return cursor.x;
}

int ClientWidth(HWND window) {
    RECT r = {};
    GetClientRect(window, &r);
    return r.right - r.left;
}

void Move(HWND window, int x, int y, int width, int height) {
    if (window) MoveWindow(window, x, y, width < 0 ? 0 : width, height < 0 ? 0 : height, TRUE);
}

}  // namespace

int CorrectedVideoHeight(int width, int height) {
    for (const AspectRow& row : aspectRows) {
        if (row.width != width) continue;
        for (int h : row.heights)
            if (h && h == height) return row.corrected;
    }
    return height;
}

float VideoOpenZoom(int width, int height) {
    float zoom = 1.0f;
    if (width >= 640) return zoom;
    for (;;) {
        if ((int)(height * zoom) >= 480 || zoom >= 3.0f) break;
        zoom += 0.25f;
        if ((int)(width * zoom) >= 640) break;
    }
    return zoom;
}

bool CVideoPlayer::Active() const {
    return AppState::CurrentImage.IsValid() && AppState::CurrentFormatId == FMT_VIDEO && ViewerPlayer.Seeking &&
           AppState::DocumentKind != DOC_LOAD_FAILED;
}

bool CVideoPlayer::Fail(wchar_t* errorText, const wchar_t* text) {
    if (errorText) lstrcpynW(errorText, text, FORMAT_ERROR_CHARS);
    Teardown();
    return false;
}

bool CVideoPlayer::Open(CImage* image, const wchar_t* path, wchar_t* errorText) {
    if (AppState::BackgroundLoad || AppState::PreviewLoad) return MakeVideoThumbnail(image, path);
    if (!image || !path) return false;
    if (!CanOpenForRead(path, errorText)) return false;
    HWND main = AppState::MainWindow;
    if (FAILED(ViewerPlayer.Create())) return Fail(errorText, L"Failed to initialize DirectShow!");
    graphOpen = true;
    IVideoWindow* video = ViewerPlayer.VideoWindow;
    video->SetWindowForeground(OAFALSE);
    video->put_Visible(OAFALSE);
    video->put_WindowState(SW_HIDE);
    HRESULT hr = ViewerPlayer.Graph->RenderFile(path, nullptr);
    if (!IsAcceptedRenderResult(hr)) {
        wchar_t text[FORMAT_ERROR_CHARS];
        DescribeRenderFailure(hr, RenderTextForm::Video, text, FORMAT_ERROR_CHARS);
        return Fail(errorText, text);
    }
    // A file whose video could not be rendered has no size to show.
    long width = 0, height = 0;
    const HRESULT sized = hr == VFW_S_VIDEO_NOT_RENDERED ? hr : ViewerPlayer.BasicVideo->GetVideoSize(&width, &height);
    if (sized != S_OK || width <= 0 || height == 0) {
        wchar_t text[FORMAT_ERROR_CHARS];
        DescribeRenderFailure(sized != S_OK ? sized : VFW_S_VIDEO_NOT_RENDERED, RenderTextForm::Video, text,
                              FORMAT_ERROR_CHARS);
        return Fail(errorText, text);
    }
    video->put_Owner((OAHWND)main);
    video->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    if (FAILED(video->put_MessageDrain((OAHWND)main)))
        return Fail(errorText, L"Failed: put_MessageDrain(). Press Ctrl+I for Codec Info");

    ViewerPlayer.Events->SetNotifyWindow((OAHWND)main, WM_APP_VIDEO_GRAPH_EVENT, 0);
    marginTaken = Skin.cyPlayerButton;
    AppState::ViewMargins.bottom += marginTaken;
    muted = 0;
    endCount = 0;
    PlayerStripHeight = AppState::PlayerControlsShown ? Skin.cyPlayerButton : 0;
    bitmapLoaded = Skin.LoadPlayerBitmap();

    const DWORD trackbarStyle = TBS_HORZ | TBS_BOTH | TBS_NOTICKS;
    HWND position = controls[VIDEO_POSITION] = CreateChild(TRACKBAR_CLASSW, trackbarStyle);
    SendMessageW(position, TBM_SETRANGE, TRUE, MAKELPARAM(0, 1000));
    SendMessageW(position, TBM_SETPOS, TRUE, 0);
    MediaDuration = 0;
    if (FAILED(ViewerPlayer.Seeking->GetDuration(&MediaDuration))) EnableWindow(position, FALSE);
    oldPositionProc = (WNDPROC)SetWindowLongPtrW(position, GWLP_WNDPROC, (LONG_PTR)VideoPositionTrackbarProc);

    const bool hasAudio = ViewerPlayer.HasAudio();
    HWND volume = controls[VIDEO_VOLUME] = CreateChild(TRACKBAR_CLASSW, trackbarStyle);
    mixerOpen = MixerVolume.Open(main);
    if (mixerOpen) {
        MixerVolume.FindVolumeControl();
        SendMessageW(volume, TBM_SETRANGE, TRUE,
                     MAKELPARAM((WORD)MixerVolume.Minimum, (WORD)(MixerVolume.Maximum / 2)));
        DWORD level = 0;
        if (MixerVolume.GetVolume(&level)) SendMessageW(volume, TBM_SETPOS, TRUE, HorizontalVolumePosition(level));
    }
    if (!mixerOpen || !hasAudio) EnableWindow(volume, FALSE);
    oldVolumeProc = (WNDPROC)SetWindowLongPtrW(volume, GWLP_WNDPROC, (LONG_PTR)VideoVolumeTrackbarProc);

    for (int c : {VIDEO_PLAY, VIDEO_STOP, VIDEO_STEP, VIDEO_MUTE, VIDEO_INFO})
        controls[c] = CreateChild(L"button", BS_OWNERDRAW);
    if (!ViewerPlayer.CanFrameStep()) EnableWindow(controls[VIDEO_STEP], FALSE);
    if (!hasAudio) EnableWindow(controls[VIDEO_MUTE], FALSE);

    videoWidth = (int)width;
    videoHeight = (int)height;
    const int shownHeight = CorrectedVideoHeight(videoWidth, videoHeight < 0 ? -videoHeight : videoHeight);
    if (!image->CreateEmpty(videoWidth, shownHeight, 24, 0, nullptr)) {
        Close();
        if (errorText) lstrcpynW(errorText, L"Unable to allocate Memory for storing Imagedata!", FORMAT_ERROR_CHARS);
        return false;
    }
    AppState::Zoom = Browser.IsShown() ? 1.0f : VideoOpenZoom(videoWidth, shownHeight);

    LONGLONG lengthMs = GraphLengthMs(ViewerPlayer.Seeking);
    if (ViewerPlayer.Seeking->IsFormatSupported(&TIME_FORMAT_MEDIA_TIME) != S_OK) lengthMs = MediaDuration / 10000;
    const int length = lengthMs > 0x7FFFFFFF ? 0x7FFFFFFF : (int)lengthMs;
    AnimationBar.Init(ANIM_KIND_VIDEO, length, 0, main, TIMER_ANIMATION_FRAME, true, true);
    AnimationBar.MediaLength = (uint32_t)length;

    SetTimer(main, TIMER_PLAYER_POSITION, 100, nullptr);
    SetTimer(main, TIMER_PLAYER_MOUSE, 100, nullptr);
    // Muted on the graph here: the viewer names the document a video only
    // after this returns, so the guarded mute button would not act yet.
    if (AppState::VideoMuteAudio && hasAudio && SUCCEEDED(SetGraphMuted(ViewerPlayer.Graph, true))) muted = 1;
    if (Browser.IsShown() && main) {
        InvalidateRect(main, nullptr, FALSE);
        UpdateWindow(main);
        AppState::FitPending = true;
    }
    video->put_Visible(OATRUE);
    video->SetWindowForeground(OATRUE);
    RaiseControls();
    if (AppState::VideoAutoPlay) ViewerPlayer.Run();
    return true;
}

void CVideoPlayer::Teardown() {
    HWND main = AppState::MainWindow;
    if (main) {
        KillTimer(main, TIMER_PLAYER_POSITION);
        KillTimer(main, TIMER_PLAYER_MOUSE);
    }
    if (marginTaken) {
        AppState::ViewMargins.bottom -= marginTaken;
        marginTaken = 0;
    }
    if (controls[VIDEO_POSITION] && oldPositionProc)
        SetWindowLongPtrW(controls[VIDEO_POSITION], GWLP_WNDPROC, (LONG_PTR)oldPositionProc);
    if (controls[VIDEO_VOLUME] && oldVolumeProc)
        SetWindowLongPtrW(controls[VIDEO_VOLUME], GWLP_WNDPROC, (LONG_PTR)oldVolumeProc);
    oldPositionProc = oldVolumeProc = nullptr;
    // The graph first: its window is hidden and disowned before the controls go.
    if (graphOpen) {
        ViewerPlayer.Release();
        graphOpen = false;
        AnimationBar.Reset();
    }
    for (HWND& control : controls) {
        if (control) DestroyWindow(control);
        control = nullptr;
    }
    if (bitmapLoaded) {
        Skin.FreePlayerBitmap();
        bitmapLoaded = false;
    }
    if (mixerOpen) {
        MixerVolume.Close();
        mixerOpen = false;
    }
    MediaDuration = 0;
    lastCursor = {-1, -1};
}

void CVideoPlayer::Close() {
    Teardown();
    if (AppState::CurrentImage.IsValid()) AppState::CurrentImage.Destroy();
    AppState::DocumentKind = DOC_NONE;
}

int CVideoPlayer::ButtonColumn(int control) const {
    switch (control) {
    case VIDEO_PLAY: return ViewerPlayer.PlayState == 2 ? 1 : 0;
    case VIDEO_STOP: return 2;
    case VIDEO_STEP: return 4;
    case VIDEO_MUTE: return muted ? 6 : 7;
    case VIDEO_INFO: return 5;
    default: return 0;
    }
}

UINT CVideoPlayer::ButtonState(HWND button) const {
    if (!IsWindowEnabled(button)) return ODS_DISABLED;
    POINT cursor;
    RECT r;
    if (GetCursorPos(&cursor) && GetWindowRect(button, &r) && PtInRect(&r, cursor)) return ODS_HOTLIGHT;
    return 0;
}

void CVideoPlayer::PaintButtons() {
    for (int c : {VIDEO_PLAY, VIDEO_STOP, VIDEO_STEP, VIDEO_MUTE, VIDEO_INFO}) {
        HWND button = controls[c];
        if (!button) continue;
        RECT r;
        GetClientRect(button, &r);
        if (HDC dc = GetDC(button)) {
            Skin.DrawPlayerButton(ButtonColumn(c), dc, ButtonState(button), r);
            ReleaseDC(button, dc);
        }
    }
}

void CVideoPlayer::DrawButton(const DRAWITEMSTRUCT* item) {
    if (!item) return;
    for (int c : {VIDEO_PLAY, VIDEO_STOP, VIDEO_STEP, VIDEO_MUTE, VIDEO_INFO}) {
        if (controls[c] && item->hwndItem == controls[c]) {
            Skin.DrawPlayerButton(ButtonColumn(c), item->hDC, item->itemState | ButtonState(controls[c]), item->rcItem);
            return;
        }
    }
}

void CVideoPlayer::OnHoverTimer() {
    if (!Active()) return;
    POINT cursor;
    if (!GetCursorPos(&cursor)) return;
    if (cursor.x == lastCursor.x && cursor.y == lastCursor.y) return;
    lastCursor = cursor;
    PaintButtons();
}

bool CVideoPlayer::PlayPause(LPARAM control) {
    if (!Active() || !control || (HWND)control != controls[VIDEO_PLAY]) return false;
    if (ViewerPlayer.PlayState == 2) ViewerPlayer.Pause();
    else if (!ViewerPlayer.Run()) ShowMessage(L"no play!?");
    InvalidateRect(controls[VIDEO_PLAY], nullptr, FALSE);
    return true;
}

bool CVideoPlayer::Stop(LPARAM control) {
    if (!Active() || !control || (HWND)control != controls[VIDEO_STOP]) return false;
    ViewerPlayer.Stop();
    RewindGraph(ViewerPlayer.Seeking);
    UpdatePosition();
    PaintButtons();
    return true;
}

bool CVideoPlayer::StepFrame() {
    if (!ViewerPlayer.Graph) return false;
    IVideoFrameStep* step = nullptr;
    if (FAILED(ViewerPlayer.Graph->QueryInterface(IID_IVideoFrameStep, reinterpret_cast<void**>(&step))) || !step)
        return false;
    if (ViewerPlayer.PlayState != 1) PlayPause(PlayButton());
    const HRESULT hr = step->Step(1, nullptr);
    step->Release();
    UpdatePosition();
    return SUCCEEDED(hr);
}

bool CVideoPlayer::OnStepButton(LPARAM control) {
    if (!Active() || !control || (HWND)control != controls[VIDEO_STEP]) return false;
    return StepFrame();
}

bool CVideoPlayer::ToggleMute(LPARAM control) {
    if (!Active() || !control || (HWND)control != controls[VIDEO_MUTE]) return false;
    ChangeVolume(!muted, -1);
    InvalidateRect(controls[VIDEO_MUTE], nullptr, FALSE);
    return true;
}

void CVideoPlayer::ChangeVolume(bool mute, int step) {
    if (step == -1) {
        if (FAILED(SetGraphMuted(ViewerPlayer.Graph, mute))) return;
        muted = mute ? 1 : 0;
    } else {
        MixerVolume.StepVolume(step);
    }
    UpdateVolumeBar();
}

bool CVideoPlayer::OnInfoButton(LPARAM control) {
    if (!Active() || !control || (HWND)control != controls[VIDEO_INFO]) return false;
    PostMessageW(AppState::MainWindow, WM_COMMAND, IDM_FILE_INFO, 0);
    InvalidateRect(controls[VIDEO_INFO], nullptr, FALSE);
    return true;
}

void CVideoPlayer::UpdateVolumeBar() {
    DWORD level = 0;
    if (!controls[VIDEO_VOLUME] || !MixerVolume.GetVolume(&level)) return;
    SendMessageW(controls[VIDEO_VOLUME], TBM_SETPOS, TRUE, HorizontalVolumePosition(level));
}

void CVideoPlayer::UpdatePosition() {
    if (!Active() || !controls[VIDEO_POSITION]) return;
    LONGLONG current = 0;
    if (FAILED(ViewerPlayer.Seeking->GetCurrentPosition(&current))) return;
    PostMessageW(controls[VIDEO_POSITION], TBM_SETPOS, TRUE, PositionPermille(current, MediaDuration));
    IMediaSeeking* seeking = ViewerPlayer.Seeking;
    if (seeking->IsFormatSupported(&TIME_FORMAT_MEDIA_TIME) != S_OK) return;
    GUID format = TIME_FORMAT_MEDIA_TIME;
    LONGLONG converted = 0;
    if (SUCCEEDED(seeking->GetTimeFormat(&format)) &&
        SUCCEEDED(seeking->ConvertTimeFormat(&converted, &TIME_FORMAT_MEDIA_TIME, current, &format)))
        AnimationBar.currentFrame = (int)(converted / 10000);
}

bool CVideoPlayer::SeekByMouse(HWND trackbar, int phase) {
    if (!Active() || !trackbar || trackbar != controls[VIDEO_POSITION]) return false;
    IMediaControl* control = ViewerPlayer.Control;
    if (phase == 1) {
        OAFilterState state = State_Stopped;
        control->GetState(10, &state);
        SeekSavedState = (int)state;
        control->Pause();
    }
    const int p = TrackbarPositionFromMouse(ClientX(trackbar), ClientWidth(trackbar), 1000);
    PostMessageW(trackbar, TBM_SETPOS, TRUE, p);
    SeekGraphPermille(ViewerPlayer.Seeking, p);
    if (phase == -1) {
        if (SeekSavedState == State_Stopped) control->Stop();
        else if (SeekSavedState == State_Running) control->Run();
    }
    return true;
}

bool CVideoPlayer::SetVolumeByMouse(HWND trackbar) {
    if (!Active() || !trackbar || trackbar != controls[VIDEO_VOLUME]) return false;
    const int half = (int)(MixerVolume.Maximum / 2);
    const int p = TrackbarPositionFromMouse(ClientX(trackbar), ClientWidth(trackbar), half);
    PostMessageW(trackbar, TBM_SETPOS, TRUE, p);
    MixerVolume.SetVolume((DWORD)p * 2);
    return true;
}

bool CVideoPlayer::OnGraphEvent() {
    IMediaEventEx* events = ViewerPlayer.Events;
    if (!events) return false;
    bool complete = false;
    long code = 0;
    LONG_PTR first = 0, second = 0;
    while (SUCCEEDED(events->GetEvent(&code, &first, &second, 0))) {
        events->FreeEventParams(code, first, second);
        if (code == EC_COMPLETE) complete = true;
    }
    if (!complete) return true;
    ++endCount;
    if (StopOrLoopAtMediaEnd(TIMER_PLAYER_POSITION, TIMER_PLAYER_MOUSE, AppState::VideoLoop)) PaintButtons();
    return true;
}

bool StopOrLoopAtMediaEnd(UINT positionTimer, UINT mouseTimer, bool loop) {
    HWND main = AppState::MainWindow;
    if (Playlist::ShowRunning || AppState::SlideShowRunning) {
        if (main) {
            KillTimer(main, positionTimer);
            KillTimer(main, mouseTimer);
        }
        ViewerPlayer.Stop();
        PostMessageW(main, WM_TIMER, Playlist::ShowRunning ? TIMER_PLAYLIST_SHOW : TIMER_SLIDESHOW, 0);
        return false;
    }
    if (loop) {
        if (FAILED(RewindGraph(ViewerPlayer.Seeking))) {
            ViewerPlayer.Stop();
            ViewerPlayer.Run();
        }
        return false;
    }
    ViewerPlayer.Stop();
    RewindGraph(ViewerPlayer.Seeking);
    return true;
}

void CVideoPlayer::RaiseControls() {
    auto raise = [](HWND window) {
        if (window) SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    };
    for (HWND control : controls) raise(control);
    raise(MainToolBar.rebar);
    raise(StatusBar.window);
    raise(ViewScrollBars.horizontal);
    raise(ViewScrollBars.vertical);
    raise(ViewScrollBars.slider);
}

void CVideoPlayer::SetControlsVisible(bool visible) {
    PlayerStripHeight = visible ? Skin.cyPlayerButton : 0;
    RaiseControls();
}

void CVideoPlayer::Layout() {
    IVideoWindow* video = ViewerPlayer.VideoWindow;
    HWND main = AppState::MainWindow;
    if (!video || !main) return;
    RECT client = {};
    GetClientRect(main, &client);
    const POINT origin = PlaceImage(client);
    const SIZE zoomed = GetZoomedImageSize();
    video->SetWindowPosition(origin.x, origin.y, zoomed.cx, zoomed.cy);

    const int bw = Skin.cxPlayerButton, s = PlayerStripHeight;
    RECT bar = {};
    const int statusHeight =
        StatusBar.window && IsWindowVisible(StatusBar.window) && GetWindowRect(StatusBar.window, &bar)
            ? bar.bottom - bar.top
            : 0;
    const int y = client.bottom - statusHeight - s;
    int play, stop, pos, posWidth, step, vol, mute, info;
    if (AppState::ViewMode == VIEW_PRESENTATION) {
        const int x0 = (GetSystemMetrics(SM_CXSCREEN) - 800) / 2;
        play = x0, stop = x0 + bw, pos = x0 + 2 * bw, posWidth = 700 - 6 * bw;
        step = x0 + 700 - 4 * bw, vol = x0 + 700 - 3 * bw, mute = x0 + 800 - 3 * bw, info = x0 + 800 - 2 * bw;
    } else if (AppState::ViewMode == VIEW_BROWSER) {
        const int x0 = 0, p = AppState::BrowserThumbWindowWidth;
        play = x0 + 1, stop = x0 + bw + 1, pos = x0 + 2 * bw + 1, posWidth = p + x0 - 5 * bw - 101;
        step = p + x0 - 3 * bw - 100, vol = p + x0 - 2 * bw - 100, mute = p + x0 - 2 * bw, info = p + x0 - bw;
    } else {
        const int x0 = client.left, x1 = client.right;
        play = x0, stop = x0 + bw, pos = x0 + 2 * bw, posWidth = (x1 - x0) - 5 * bw - 100;
        step = x1 - 3 * bw - 100, vol = x1 - 2 * bw - 100, mute = x1 - 2 * bw, info = x1 - bw;
    }
    Move(controls[VIDEO_PLAY], play, y, bw, s);
    Move(controls[VIDEO_STOP], stop, y, bw, s);
    Move(controls[VIDEO_POSITION], pos, y, posWidth, s);
    Move(controls[VIDEO_STEP], step, y, bw, s);
    Move(controls[VIDEO_VOLUME], vol, y, 100, s);
    Move(controls[VIDEO_MUTE], mute, y, bw, s);
    Move(controls[VIDEO_INFO], info, y, bw, s);
}

// ---- Stills of videos for thumbnails and previews.

bool VideoFrameFits(const uint8_t* buffer, size_t size) {
    if (!buffer || size < sizeof(BITMAPINFOHEADER)) return false;
    BITMAPINFOHEADER header;
    memcpy(&header, buffer, sizeof header);
    if (header.biSize < sizeof header || header.biWidth <= 0 || header.biHeight == 0) return false;
    if (header.biBitCount != 8 && header.biBitCount != 16 && header.biBitCount != 24 && header.biBitCount != 32)
        return false;
    const uint64_t height = header.biHeight < 0 ? -(int64_t)header.biHeight : header.biHeight;
    const uint64_t stride = (((uint64_t)header.biWidth * header.biBitCount + 31) / 32) * 4;
    return stride * height <= size - sizeof header;
}

HRESULT GrabVideoFrame(const wchar_t* path, uint8_t** buffer, size_t* size) {
    if (!path || !buffer || !size) return E_POINTER;
    *buffer = nullptr;
    *size = 0;
    IMediaDet* detector = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_ALL, IID_IMediaDet, (void**)&detector);
    if (FAILED(hr)) return hr;
    struct Releaser {
        IMediaDet* d;
        ~Releaser() { d->Release(); }
    } releaser{detector};
    BSTR name = SysAllocString(path);
    hr = detector->put_Filename(name);
    SysFreeString(name);
    if (FAILED(hr)) return hr;
    long streams = 0;
    if (FAILED(hr = detector->get_OutputStreams(&streams))) return hr;
    static const GUID kMpeg2Video = {0xE06D8020, 0xDB46, 0x11CF, {0xB4, 0xD1, 0x00, 0x80, 0x5F, 0x6C, 0xBB, 0xEA}};
    static const GUID kOtherVideo = {0x0482DDE1, 0x7817, 0x11CF, {0x8A, 0x03, 0x00, 0xAA, 0x00, 0x6E, 0xCB, 0x65}};
    bool found = false;
    for (long i = 0; i < streams && !found; ++i) {
        GUID type = {};
        if (FAILED(detector->put_CurrentStream(i)) || FAILED(detector->get_StreamType(&type))) continue;
        found = type == MEDIATYPE_Video || type == MEDIATYPE_Interleaved || type == kMpeg2Video || type == kOtherVideo;
    }
    if (!found) return VFW_E_INVALIDMEDIATYPE;
    AM_MEDIA_TYPE media = {};
    if (FAILED(hr = detector->get_StreamMediaType(&media))) return hr;
    long width = 0, height = 0;
    bool sized = false;
    if (media.pbFormat) {
        BITMAPINFOHEADER header;
        if (media.formattype == FORMAT_VideoInfo && media.cbFormat >= 88) {
            memcpy(&header, media.pbFormat + 48, sizeof header);
            sized = true;
        } else if (media.formattype == FORMAT_VideoInfo2 && media.cbFormat >= 112) {
            memcpy(&header, media.pbFormat + 72, sizeof header);
            sized = true;
        }
        if (sized) width = header.biWidth, height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    }
    if (media.cbFormat) CoTaskMemFree(media.pbFormat);
    if (media.pUnk) media.pUnk->Release();
    if (!sized) return VFW_E_INVALIDMEDIATYPE;
    double length = 0.0;
    detector->get_StreamLength(&length);
    double t = 0.0;
    if (length > 1.0) {
        const double l = length < 180.0 ? length : 180.0;
        t = l * 0.5 + (rand() % (int)(l * 0.5 + 1));
    }
    long needed = 0;
    if (FAILED(hr = detector->GetBitmapBits(t, &needed, nullptr, width, height))) return hr;
    if (needed <= 0) return E_FAIL;
    uint8_t* bits = new (std::nothrow) uint8_t[(size_t)needed];
    if (!bits) return E_OUTOFMEMORY;
    if (FAILED(detector->GetBitmapBits(t, nullptr, (char*)bits, width, height)) ||
        !VideoFrameFits(bits, (size_t)needed)) {
        delete[] bits;
        return E_FAIL;
    }
    *buffer = bits;
    *size = (size_t)needed;
    return S_OK;
}

bool GrabQuickTimeThumbnail(CImage*, const wchar_t*) { return false; }

bool MakeVideoThumbnail(CImage* image, const wchar_t* path) {
    if (!image || !path) return false;
    if (wcsstr(path, L".mov") && GrabQuickTimeThumbnail(image, path)) return true;
    if (!IsDirectX8Present()) return false;
    uint8_t* buffer = nullptr;
    size_t size = 0;
    if (FAILED(GrabVideoFrame(path, &buffer, &size))) return false;
    BITMAPINFOHEADER header;
    memcpy(&header, buffer, sizeof header);
    const bool made =
        image->Create(header.biWidth, header.biHeight, header.biBitCount, buffer + header.biSize, nullptr);
    delete[] buffer;
    if (!made) return false;
    const int width = (int)image->GetWidth(), height = (int)image->GetHeight();
    const int corrected = CorrectedVideoHeight(width, height);
    if (corrected != height) ScaleImage(*image, width, corrected);
    return true;
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
