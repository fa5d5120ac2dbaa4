#include "formats/ReaderServices.h"

#include <atomic>

#include "formats/Formats.h"
#include "formats/LoadFlags.h"

namespace {
std::atomic<BackgroundColorProvider> g_backgroundProvider{nullptr};
std::atomic<ThumbnailCellProvider> g_cellProvider{nullptr};
std::atomic<AnimationStarter> g_animationStarter{nullptr};
std::atomic<AnimationNotifier> g_animationNotifier{nullptr};
}  // namespace

BackgroundColorProvider SetBackgroundColorProvider(BackgroundColorProvider provider) {
    return g_backgroundProvider.exchange(provider);
}

COLORREF ReaderBackgroundColor() {
    if (BackgroundColorProvider provider = g_backgroundProvider.load()) return provider();
    return kDefaultViewBackground;
}

ThumbnailCellProvider SetThumbnailCellProvider(ThumbnailCellProvider provider) {
    return g_cellProvider.exchange(provider);
}

LoadRequest ViewerLoadRequest() {
    LoadRequest request;
    request.purpose = ThreadLoadPurpose();
    request.background = ReaderBackgroundColor();
    if (ThumbnailCellProvider provider = g_cellProvider.load()) {
        const SIZE cell = provider();
        request.cellWidth = (int)cell.cx;
        request.cellHeight = (int)cell.cy;
    }
    return request;
}

bool AnimationFrameTables::SetFrameDelay(int index, int delay) {
    if (index < 0 || index >= kMaxFrames) return false;
    FrameDelayTable[index] = delay;
    return true;
}

int AnimationFrameTables::GetFrameDelay(int index) const {
    if (index < 0 || index >= kMaxFrames) return 10;
    return singleDelay ? FrameDelayTable[0] : FrameDelayTable[index];
}

bool AnimationFrameTables::SetFrameDisposal(int index, int value) {
    if (index < 0 || index >= kMaxFrames) return false;
    DisposalTable[index] = (uint8_t)value;
    return true;
}

bool AnimationFrameTables::SetFrameTransparentIndex(int index, int value) {
    if (index < 0 || index >= kMaxFrames) return false;
    TransparentTable[index] = value;
    return true;
}

AnimationStarter SetAnimationStarter(AnimationStarter starter) { return g_animationStarter.exchange(starter); }

bool StartViewerAnimation(const AnimationFrameTables& tables, bool play) {
    if (AppState::BackgroundLoad || AppState::PreviewLoad) return false;
    AnimationStarter starter = g_animationStarter.load();
    return starter ? starter(tables, play) : false;
}

AnimationNotifier SetAnimationNotifier(AnimationNotifier notifier) { return g_animationNotifier.exchange(notifier); }

void NotifyViewerAnimation(ViewerAnimationEvent event) {
    if (AppState::BackgroundLoad || AppState::PreviewLoad) return;
    if (AnimationNotifier notifier = g_animationNotifier.load()) notifier(event);
}
