#include "media/AnimationBar.h"

#include <commctrl.h>

#include <cstring>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/MainWindowIds.h"
#include "app/MediaDocument.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "command_ids.h"
#include "formats/FormatCodecs.h"
#include "formats/Formats.h"
#include "formats/Mng.h"
#include "formats/Tiff.h"
#include "media/Players.h"

CAnimationBar AnimationBar;

namespace {

// Skin columns of the player bitmap.
enum : int { COLUMN_PLAY = 0, COLUMN_PAUSE = 1, COLUMN_STOP = 2, COLUMN_PREVIOUS = 3, COLUMN_NEXT = 4 };

constexpr DWORD kControlStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr UINT kHoverPeriodMs = 100;
constexpr int kThumbLength = 16;

HWND MakeControl(const wchar_t* cls, DWORD style, HWND parent) {
    return CreateWindowExW(0, cls, L"", kControlStyle | style, 0, 0, 0, 0, parent, nullptr, AppState::Instance,
                           nullptr);
}

void Place(HWND window, const AnimationBarPlace& p) {
    if (window) MoveWindow(window, p.x, p.y, p.width, p.height, TRUE);
}

}  // namespace

AnimationBarLayout ComputeAnimationBarLayout(const RECT& r, int s, int w, int buttonHeight, int t, int b, int d) {
    const int h = s ? buttonHeight : 0;
    AnimationBarLayout out = {};
    out.label = {r.left, r.bottom - b - s, r.right - t, s};
    const int row = r.bottom - b - s + (s - h) / 2;
    out.playPause = {r.left + 4, row, w, h};
    out.stop = {out.playPause.x + w + 2, row, w, h};
    const int trackX = out.stop.x + w + 2;
    out.trackbar = {trackX, s ? row - 2 : row, r.right - (t + d + 3 * w + out.stop.x + 8), h + 4};
    out.previous = {r.right - 2 * w - t - d - 4, row, w, h};
    out.next = {r.right - t - d - w - 2, row, w, h};
    return out;
}

int AnimationSeekFrame(int x, int width, int frameCount) {
    if (frameCount <= 0 || width - 10 <= 0) return 0;
    // Per cent of the track, then of the frames, in single precision.
    const float percent = (float)(x - 5) / ((float)(width - 10) * 0.01f);
    const float frame = percent * ((float)frameCount * 0.01f);
    if (!(frame > 0.0f)) return 0;
    if (frame >= (float)(frameCount - 1)) return frameCount - 1;
    return (int)frame;
}

LRESULT CALLBACK AnimationTrackbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* bar = reinterpret_cast<CAnimationBar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!bar || !bar->oldTrackbarProc) return DefWindowProcW(window, message, wParam, lParam);
    HWND main = bar->owner;
    switch (message) {
    case WM_SETFOCUS:
        if (main) SetFocus(main);
        return 0;
    case WM_KEYDOWN:
    case WM_CHAR:
        if (main) PostMessageW(main, message, wParam, lParam);
        return 0;
    case WM_MOUSEMOVE:
        if (wParam & MK_LBUTTON) bar->SeekByMouse(window, 0);
        else if (main) PostMessageW(main, message, wParam, lParam);
        break;
    case WM_LBUTTONDOWN: bar->SeekByMouse(window, 1); break;
    case WM_LBUTTONUP: bar->SeekByMouse(window, -1); break;
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
        if (main) PostMessageW(main, message, wParam, lParam);
        break;
    case WM_MBUTTONDOWN:
        if (main) PostMessageW(main, WM_COMMAND, IDM_PRESENTATION_MODE, 0);
        break;
    default: break;
    }
    return CallWindowProcW(bar->oldTrackbarProc, window, message, wParam, lParam);
}

CAnimationBar::CAnimationBar() {
    timerWindow = nullptr;
    timerId = 0;
    marginTaken = 0;
    controlsCreated = 0;
    Clear();
}

CAnimationBar::~CAnimationBar() = default;

void CAnimationBar::Clear() {
    kind = ANIM_KIND_NONE;
    frameCount = 0;
    callerValue = 0;
    currentFrame = 0;
    initialised = playing = loop = multiFrame = visible = 0;
    singleDelay = 1;
    timerWindow = nullptr;
    timerId = 0;
    MediaLength = 0;
    memset(FrameDelayTable, 0, sizeof(FrameDelayTable));
    memset(DisposalTable, 0, sizeof(DisposalTable));
    for (int& t : TransparentTable) t = -1;
}

int CAnimationBar::StripHeight() {
    // The skin's player button height plus the frame around the buttons.
    return Skin.cyPlayerButton + 6;
}

void CAnimationBar::Reset() {
    playing = 0;
    currentFrame = 0;
    SetTrackbarPos(0);
    if (timerWindow && timerId) KillTimer(timerWindow, timerId);
    DestroyControls();
    Clear();
}

bool CAnimationBar::Init(int newKind, int count, int value, HWND window, UINT_PTR id, bool loopFlag,
                         bool singleDelayFlag) {
    Reset();
    if (AppState::PreviewLoad || AppState::BackgroundLoad) return false;
    if (count < 0) count = 0;
    if (newKind == ANIM_KIND_GIF && count > kMaxFrames) count = kMaxFrames;
    currentFrame = 0;
    kind = newKind;
    frameCount = count;
    callerValue = value;
    loop = loopFlag;
    singleDelay = singleDelayFlag;
    multiFrame = count > 1;
    timerWindow = window;
    timerId = id;
    initialised = 1;
    playing = 0;
    return true;
}

bool CAnimationBar::CopyFrom(const CAnimationBar& other) {
    Reset();
    if (AppState::PreviewLoad || AppState::BackgroundLoad) return false;
    currentFrame = other.currentFrame;
    kind = other.kind;
    frameCount = other.frameCount;
    callerValue = other.callerValue;
    initialised = other.initialised;
    playing = other.playing;
    loop = other.loop;
    singleDelay = other.singleDelay;
    multiFrame = other.multiFrame;
    timerWindow = other.timerWindow;
    timerId = other.timerId;
    // A single-delay source fills every entry with its entry 0.
    for (int i = 0; i < kMaxFrames; ++i) FrameDelayTable[i] = other.GetFrameDelay(i);
    memcpy(DisposalTable, other.DisposalTable, sizeof(DisposalTable));
    memcpy(TransparentTable, other.TransparentTable, sizeof(TransparentTable));
    return true;
}

bool CAnimationBar::SetFrameDelay(int index, int delay) {
    if (index < 0 || index >= kMaxFrames) return false;
    FrameDelayTable[index] = delay;
    return true;
}

int CAnimationBar::GetFrameDelay(int index) const {
    if (index < 0 || index >= kMaxFrames) return 10;
    if (singleDelay) return FrameDelayTable[0];
    return FrameDelayTable[index];
}

UINT CAnimationBar::FrameInterval() const {
    // GIF delays are hundredths of a second and every frame has its own; the
    // other kinds keep one interval in milliseconds.
    if (kind == ANIM_KIND_GIF) {
        const int delay = currentFrame >= 0 && currentFrame < kMaxFrames ? FrameDelayTable[currentFrame] : 10;
        return delay > 0 ? (UINT)delay * 10 : 10;
    }
    return FrameDelayTable[0] > 0 ? (UINT)FrameDelayTable[0] : 10;
}

void CAnimationBar::StartTimer() {
    if (!timerWindow || !timerId) return;
    SetTimer(timerWindow, timerId, FrameInterval(), nullptr);
}

bool CAnimationBar::Play(int delay) {
    if (!initialised) return false;
    if (playing && timerWindow && timerId) KillTimer(timerWindow, timerId);
    if (delay != 0) FrameDelayTable[0] = delay;
    playing = 1;
    StartTimer();
    return true;
}

void CAnimationBar::Stop() {
    playing = 0;
    currentFrame = 0;
    SetTrackbarPos(0);
    if (timerWindow && timerId) KillTimer(timerWindow, timerId);
}

void CAnimationBar::Pause() {
    if (!playing) return;
    playing = 0;
    if (timerWindow && timerId) KillTimer(timerWindow, timerId);
}

void CAnimationBar::SetTrackbarPos(int frame) {
    if (controlsCreated && trackbar) SendMessageW(trackbar, TBM_SETPOS, TRUE, frame);
}

bool CAnimationBar::NextFrame() {
    if (!initialised) return false;
    if (currentFrame + 1 >= frameCount) {
        if (!loop) {
            currentFrame = frameCount > 0 ? frameCount - 1 : 0;
            Pause();
            return false;
        }
        currentFrame = 0;
    } else {
        ++currentFrame;
    }
    SetTrackbarPos(currentFrame);
    return true;
}

bool CAnimationBar::PreviousFrame() {
    if (!initialised) return false;
    if (currentFrame <= 0) {
        if (!loop) {
            currentFrame = 0;
            Pause();
            return false;
        }
        currentFrame = frameCount > 0 ? frameCount - 1 : 0;
    } else {
        --currentFrame;
    }
    SetTrackbarPos(currentFrame);
    return true;
}

void CAnimationBar::AfterFrameShown() {
    ApplyAlphaChannelMode();
    ImageToolBar.UpdateButtonStates();
    UpdateScrollState();
}

bool CAnimationBar::ShowCurrentFrame() {
    if (!initialised) return false;
    CImage& image = AppState::CurrentImage;
    const wchar_t* path = AppState::CurrentFile;
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    bool shown = true;
    switch (kind) {
    case ANIM_KIND_ANI: shown = LoadAniFrame(image, path, currentFrame, error, false, GetViewBackgroundColor()); break;
    case ANIM_KIND_DCX: shown = LoadDcxPage(image, path, currentFrame, error); break;
    case ANIM_KIND_ICO: shown = LoadIconPage(image, path, currentFrame, error, GetViewBackgroundColor()); break;
    case ANIM_KIND_TIFF: shown = LoadTiffPage(image, path, currentFrame, error); break;
    case ANIM_KIND_MNG: {
        int delay = 0;
        shown = AdvanceMngFrame(&delay);
        // The end of the animation has reset the bar.
        if (shown) SetFrameDelay(currentFrame, delay);
        break;
    }
    case ANIM_KIND_GIF: break;  // every frame is in the image already; the view paints the current one
    default: return true;       // the players' frame state: nothing to decode
    }
    if (!shown) return false;
    AfterFrameShown();
    return true;
}

bool CAnimationBar::OnFrameTimer() {
    if (!playing || !NextFrame()) return false;
    switch (kind) {
    case ANIM_KIND_ANI:
    case ANIM_KIND_DCX:
    case ANIM_KIND_ICO:
    case ANIM_KIND_TIFF:
        // The timer keeps its interval.
        if (!ShowCurrentFrame()) return false;
        return true;
    case ANIM_KIND_GIF:
        // Restarted, so that the timer takes the new frame's own delay.
        Pause();
        Play(0);
        break;
    case ANIM_KIND_MNG: {
        Pause();
        int delay = 0;
        if (!AdvanceMngFrame(&delay)) return false;  // the animation has ended and reset the bar
        SetFrameDelay(currentFrame, delay);
        Play(delay);
        break;
    }
    default: break;
    }
    AfterFrameShown();
    return true;
}

// ---- The strip's controls.

bool CAnimationBar::CreateControls() {
    if (!initialised) return false;
    if (controlsCreated) return true;
    controlsCreated = 1;
    Skin.LoadPlayerBitmap();
    marginTaken = StripHeight();
    AppState::ViewMargins.bottom += marginTaken;
    // Presentation mode may have hidden the strips: the controls then have no height.
    visible = AppState::PlayerControlsShown ? 1 : 0;
    PlayerStripHeight = visible ? StripHeight() : 0;

    owner = AppState::MainWindow;
    playButton = MakeControl(L"BUTTON", BS_OWNERDRAW, owner);
    stopButton = MakeControl(L"BUTTON", BS_OWNERDRAW, owner);
    trackbar = MakeControl(TRACKBAR_CLASSW, TBS_AUTOTICKS | TBS_FIXEDLENGTH, owner);
    previousButton = MakeControl(L"BUTTON", BS_OWNERDRAW, owner);
    nextButton = MakeControl(L"BUTTON", BS_OWNERDRAW, owner);
    label = MakeControl(L"STATIC", SS_CENTER, owner);

    if (trackbar) {
        SendMessageW(trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(0, frameCount > 0 ? frameCount - 1 : 0));
        SendMessageW(trackbar, TBM_SETPOS, TRUE, 0);
        SendMessageW(trackbar, TBM_SETTICFREQ, 1, 0);
        SendMessageW(trackbar, TBM_SETTHUMBLENGTH, kThumbLength, 0);
        SetWindowLongPtrW(trackbar, GWLP_USERDATA, (LONG_PTR)this);
        oldTrackbarProc = (WNDPROC)SetWindowLongPtrW(trackbar, GWLP_WNDPROC, (LONG_PTR)AnimationTrackbarProc);
    }
    // An MNG plays forward only.
    if (kind == ANIM_KIND_MNG) {
        if (trackbar) EnableWindow(trackbar, FALSE);
        if (previousButton) EnableWindow(previousButton, FALSE);
    }
    lastCursor = {-1, -1};
    if (owner) SetTimer(owner, TIMER_ANIMBAR_MOUSE, kHoverPeriodMs, nullptr);
    return true;
}

bool CAnimationBar::DestroyControls() {
    if (!controlsCreated) return false;
    if (owner) KillTimer(owner, TIMER_ANIMBAR_MOUSE);
    if (trackbar && oldTrackbarProc) SetWindowLongPtrW(trackbar, GWLP_WNDPROC, (LONG_PTR)oldTrackbarProc);
    oldTrackbarProc = nullptr;
    for (HWND* w : {&trackbar, &playButton, &stopButton, &nextButton, &previousButton, &label}) {
        if (*w) DestroyWindow(*w);
        *w = nullptr;
    }
    AppState::ViewMargins.bottom -= marginTaken;
    marginTaken = 0;
    PlayerStripHeight = 0;
    controlsCreated = 0;
    visible = 0;
    owner = nullptr;
    Skin.FreePlayerBitmap();
    return true;
}

bool CAnimationBar::SetVisible(bool show) {
    visible = show;
    PlayerStripHeight = show ? StripHeight() : 0;
    return Layout();
}

bool CAnimationBar::Layout() {
    if (!controlsCreated || !owner) return false;
    RECT client = {};
    GetClientRect(owner, &client);
    const int toolBar = ImageToolBar.created ? ImageToolBar.marginTaken : 0;
    const int statusBar = StatusBar.created ? StatusBar.marginTaken : 0;
    const AnimationBarLayout l =
        ComputeAnimationBarLayout(client, PlayerStripHeight, Skin.cxPlayerButton, Skin.cyPlayerButton, toolBar,
                                  statusBar, Browser.GetListAreaWidth());
    Place(label, l.label);
    Place(playButton, l.playPause);
    Place(stopButton, l.stop);
    Place(trackbar, l.trackbar);
    Place(previousButton, l.previous);
    Place(nextButton, l.next);
    return true;
}

int CAnimationBar::ButtonColumn(HWND button) const {
    if (button == playButton) return playing ? COLUMN_PAUSE : COLUMN_PLAY;
    if (button == stopButton) return COLUMN_STOP;
    if (button == previousButton) return COLUMN_PREVIOUS;
    if (button == nextButton) return COLUMN_NEXT;
    return -1;
}

UINT CAnimationBar::ButtonState(HWND button) const {
    if (!IsWindowEnabled(button)) return ODS_DISABLED;
    POINT cursor = {};
    RECT rect = {};
    GetCursorPos(&cursor);
    GetWindowRect(button, &rect);
    return PtInRect(&rect, cursor) ? ODS_HOTLIGHT : 0;
}

bool CAnimationBar::PaintButtons() {
    if (!controlsCreated) return false;
    for (HWND button : {playButton, stopButton, previousButton, nextButton}) {
        if (!button) continue;
        HDC dc = GetDC(button);
        if (!dc) continue;
        RECT rect = {};
        GetClientRect(button, &rect);
        Skin.DrawPlayerButton(ButtonColumn(button), dc, ButtonState(button), rect);
        ReleaseDC(button, dc);
    }
    return true;
}

bool CAnimationBar::DrawButton(const DRAWITEMSTRUCT* item) {
    if (!controlsCreated || !item || !item->hwndItem) return false;
    const int column = ButtonColumn(item->hwndItem);
    if (column < 0) return false;
    Skin.DrawPlayerButton(column, item->hDC, item->itemState | ButtonState(item->hwndItem), item->rcItem);
    return true;
}

bool CAnimationBar::OnButton(LPARAM control) {
    if (!controlsCreated) return false;
    HWND button = (HWND)control;
    if (!button) return true;
    if (button == playButton) {
        if (playing) Pause();
        else Play(0);
    } else if (button == stopButton) {
        Stop();
    } else if (button == previousButton) {
        Pause();
        PreviousFrame();
        ShowCurrentFrame();
    } else if (button == nextButton) {
        Pause();
        NextFrame();
        ShowCurrentFrame();
    }
    return true;
}

bool CAnimationBar::OnHoverTimer() {
    if (!controlsCreated) return false;
    POINT cursor = {};
    GetCursorPos(&cursor);
    if (cursor.x == lastCursor.x && cursor.y == lastCursor.y) return true;
    lastCursor = cursor;
    return PaintButtons();
}

bool CAnimationBar::SeekByMouse(HWND trackbarWindow, int phase) {
    if (!controlsCreated || !trackbarWindow) return false;
    if (phase == 1) Pause();
    POINT cursor = {};
    GetCursorPos(&cursor);
    ScreenToClient(trackbarWindow, &cursor);
    RECT client = {};
    GetClientRect(trackbarWindow, &client);
    const int frame = AnimationSeekFrame(cursor.x, client.right - client.left, frameCount);
    // Posted: the trackbar's own handling of the click moves the thumb first.
    PostMessageW(trackbarWindow, TBM_SETPOS, TRUE, frame);
    currentFrame = frame;
    ShowCurrentFrame();
    if (owner) {
        InvalidateRect(owner, nullptr, FALSE);
        UpdateWindow(owner);
    }
    StatusBar.Update();
    return true;
}
