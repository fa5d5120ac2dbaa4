#include "app/ShellServices.h"

#include "app/AppState.h"
#include "app/ImageSnapshot.h"
#include "app/ProgressBar.h"
#include "app/View.h"
#include "formats/ReaderServices.h"
#include "image/Effects.h"
#include "media/AnimationBar.h"

static void SaveUndoSnapshot() {
    UndoSnapshot.Save();
    // Modified even when the snapshot could not be written.
    AppState::ImageModified = 1;
}

// Sets the viewer's playback bar up from the tables a multi-frame reader collected.
static bool StartAnimation(const AnimationFrameTables& tables, bool play) {
    if (!AnimationBar.Init(tables.kind, tables.frameCount, 0, AppState::MainWindow, TIMER_ANIMATION_FRAME,
                           tables.loop, tables.singleDelay))
        return false;
    for (int i = 0; i < CAnimationBar::kMaxFrames; ++i) {
        AnimationBar.FrameDelayTable[i] = tables.FrameDelayTable[i];
        AnimationBar.DisposalTable[i] = tables.DisposalTable[i];
        AnimationBar.TransparentTable[i] = tables.TransparentTable[i];
    }
    AnimationBar.CreateControls();
    if (play) AnimationBar.Play(0);
    return true;
}

void RegisterShellServices() {
    EffectServices effects;
    effects.saveUndoSnapshot = SaveUndoSnapshot;
    effects.createProgressBar = CreateProgressBar;
    effects.stepProgressBar = StepProgressBar;
    effects.destroyProgressBar = DestroyProgressBar;
    SetEffectServices(effects);
    SetBackgroundColorProvider(GetViewBackgroundColor);
    SetAnimationStarter(StartAnimation);
}
