#include "media/AnimationBar.h"

#include <cstring>

#include "app/AppState.h"
#include "app/Chrome.h"

CAnimationBar AnimationBar;

CAnimationBar::CAnimationBar() {
    timerWindow = nullptr;
    timerId = 0;
    marginTaken = 0;
    controlsCreated = 0;
    ClearFields();
}

CAnimationBar::~CAnimationBar() = default;

void CAnimationBar::ClearFields() {
    kind = ANIM_KIND_NONE;
    frameCount = 0;
    callerValue = 0;
    currentFrame = 0;
    initialised = playing = loop = singleDelay = multiFrame = visible = 0;
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
    if (timerWindow && timerId) KillTimer(timerWindow, timerId);
    if (controlsCreated) {
        AppState::ViewMargins.bottom -= marginTaken;
        marginTaken = 0;
        controlsCreated = 0;
    }
    ClearFields();
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
    memcpy(FrameDelayTable, other.FrameDelayTable, sizeof(FrameDelayTable));
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

void CAnimationBar::StartTimer() {
    if (!timerWindow || !timerId) return;
    UINT ms = kind == ANIM_KIND_GIF ? (UINT)GetFrameDelay(currentFrame) * 10 : (UINT)GetFrameDelay(0);
    if (ms == 0) ms = 10;
    SetTimer(timerWindow, timerId, ms, nullptr);
}

bool CAnimationBar::Play(int delay) {
    if (!initialised) return false;
    if (delay != 0) FrameDelayTable[0] = delay;
    playing = 1;
    if (timerWindow && timerId) KillTimer(timerWindow, timerId);
    StartTimer();
    return true;
}

void CAnimationBar::Stop() {
    playing = 0;
    currentFrame = 0;
    if (timerWindow && timerId) KillTimer(timerWindow, timerId);
}

void CAnimationBar::Pause() {
    playing = 0;
    if (timerWindow && timerId) KillTimer(timerWindow, timerId);
}

bool CAnimationBar::NextFrame() {
    if (!initialised || frameCount <= 0) return false;
    currentFrame = currentFrame + 1 >= frameCount ? 0 : currentFrame + 1;
    return true;
}

bool CAnimationBar::PreviousFrame() {
    if (!initialised || frameCount <= 0) return false;
    currentFrame = currentFrame <= 0 ? frameCount - 1 : currentFrame - 1;
    return true;
}

void CAnimationBar::ShowCurrentFrame() {}

void CAnimationBar::CreateControls() {
    if (controlsCreated) return;
    marginTaken = StripHeight();
    AppState::ViewMargins.bottom += marginTaken;
    controlsCreated = 1;
    visible = 1;
}

void CAnimationBar::SetVisible(bool show) { visible = show; }

void CAnimationBar::Layout() {}
void CAnimationBar::PaintButtons() {}

bool CAnimationBar::OnButton(LPARAM) { return false; }

void CAnimationBar::DrawButton(const DRAWITEMSTRUCT*) {}

void CAnimationBar::OnFrameTimer() {
    if (!initialised || !playing) return;
    if (currentFrame + 1 >= frameCount && !loop) {
        Pause();
        return;
    }
    NextFrame();
    if (kind == ANIM_KIND_GIF) {
        KillTimer(timerWindow, timerId);
        StartTimer();
    }
}

void CAnimationBar::OnHoverTimer() {}
