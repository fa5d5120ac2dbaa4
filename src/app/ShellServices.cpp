#include "app/ShellServices.h"

#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/ImageSnapshot.h"
#include "app/MainMenu.h"
#include "app/MainWindowIds.h"
#include "app/ProgressBar.h"
#include "app/SaveAsDialog.h"
#include "app/View.h"
#include "formats/ReaderServices.h"
#include "image/Effects.h"
#include "media/AnimationBar.h"

void SaveUndoSnapshot() {
    UndoSnapshot.Save();
    RedoSnapshot.Discard();  // what was undone before this edit can no longer be redone
    // Modified even when the snapshot could not be written.
    AppState::ImageModified = 1;
}

// Sets the viewer's playback bar up from the tables a multi-frame reader collected.
static bool StartAnimation(const AnimationFrameTables& tables, bool play) {
    if (!AnimationBar.Init(tables.kind, tables.frameCount, 0, AppState::MainWindow, TIMER_ANIMATION_FRAME, tables.loop,
                           tables.singleDelay))
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

// The viewer image was written: it no longer counts as modified, so nothing
// asks to save it again, and the save and undo commands follow.
static void RepaintViewer() {
    if (!AppState::MainWindow) return;
    InvalidateRect(AppState::MainWindow, nullptr, FALSE);
    UpdateWindow(AppState::MainWindow);
}

static void ImageSaved() {
    UndoSnapshot.Discard();
    AppState::ImageModified = 0;
    StatusBar.Update();
    MainToolBar.UpdateButtonStates();
    MainMenu.UpdateStates();
    ImageToolBar.UpdateButtonStates();
}

void RegisterShellServices() {
    SaveServices save;
    save.imageSaved = ImageSaved;
    save.documentPicture = DocumentPicture;
    SetSaveServices(save);
    EffectServices effects;
    effects.saveUndoSnapshot = SaveUndoSnapshot;
    effects.createProgressBar = CreateProgressBar;
    effects.stepProgressBar = StepProgressBar;
    effects.destroyProgressBar = DestroyProgressBar;
    effects.repaintViewer = RepaintViewer;
    SetEffectServices(effects);
    SetBackgroundColorProvider(GetViewBackgroundColor);
    SetAnimationStarter(StartAnimation);
}
