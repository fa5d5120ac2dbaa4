#include "app/ShellServices.h"

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/ImageSnapshot.h"
#include "app/Language.h"
#include "app/MainMenu.h"
#include "app/MainWindowIds.h"
#include "app/ProgressBar.h"
#include "app/SaveAsDialog.h"
#include "app/View.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "formats/ReaderServices.h"
#include "image/Effects.h"
#include "media/AnimationBar.h"
#include "media/Players.h"

void SaveUndoSnapshot() {
    UndoSnapshot.Save();
    RedoSnapshot.Discard();  // what was undone before this edit can no longer be redone
    // Modified even when the snapshot could not be written.
    AppState::ImageModified = 1;
}

// Sets the viewer's playback bar up from the tables a multi-frame reader collected.
static bool StartAnimation(const AnimationFrameTables& tables, bool play) {
    if (!AnimationBar.Init(tables.kind, tables.frameCount, tables.callerValue, AppState::MainWindow,
                           TIMER_ANIMATION_FRAME, tables.loop, tables.singleDelay))
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

// A decoder kept open for the bar (an MNG) was released, failed or ended.
static void OnViewerAnimation(ViewerAnimationEvent event) {
    switch (event) {
    case ViewerAnimationEvent::Reset: AnimationBar.Reset(); break;
    case ViewerAnimationEvent::Stop: AnimationBar.Stop(); break;
    case ViewerAnimationEvent::Ended:
        MainMenu.UpdateStates();
        if (AppState::MainWindow) SendMessageW(AppState::MainWindow, WM_SIZE, 0, 0);
        break;
    }
}

static SIZE ThumbnailCell() { return SIZE{AppState::BrowserThumbnailWidth, AppState::BrowserThumbnailHeight}; }

// The rows of sound, video, movies and playlists answer through their players
// at once: the players' own text for the viewer, nothing for a thumbnail or
// preview; their files are never scanned for a picture by content.
static ReadStatus OpenWithPlayer(CMediaPlayer& player, CImage& image, const wchar_t* path, wchar_t* errorText,
                                 const LoadCall& call) {
    if (call.request.Quiet()) return false;
    return player.Open(&image, path, errorText);
}
static ReadStatus LoadSound(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    return OpenWithPlayer(SoundPlayer, image, path, errorText, call);
}
static ReadStatus LoadVideo(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    return OpenWithPlayer(VideoPlayer, image, path, errorText, call);
}
static ReadStatus LoadMovie(CImage& image, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    return OpenWithPlayer(QuickTimePlayer, image, path, errorText, call);
}
static ReadStatus LoadPlaylist(CImage&, const wchar_t* path, wchar_t* errorText, LoadCall& call) {
    if (call.request.Quiet()) return true;
    return LoadPlaylistFile(path, errorText);
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
    save.langApply = LangApplyDialog;
    save.langText = LangText;
    SetSaveServices(save);
    EffectServices effects;
    effects.saveUndoSnapshot = SaveUndoSnapshot;
    effects.createProgressBar = CreateProgressBar;
    effects.stepProgressBar = StepProgressBar;
    effects.destroyProgressBar = DestroyProgressBar;
    effects.repaintViewer = RepaintViewer;
    effects.langApplyEffBlur = LangApplyEffBlur;
    effects.langApplyEffPixelize = LangApplyEffPixelize;
    effects.langApplyEffSharpen = LangApplyEffSharpen;
    SetEffectServices(effects);
    SetToolBarTextLookup(LangLookupText);
    SetBackgroundColorProvider(GetViewBackgroundColor);
    SetThumbnailCellProvider(ThumbnailCell);
    SetFormatReader(FMT_SOUND, LoadSound);
    SetFormatReader(FMT_VIDEO, LoadVideo);
    SetFormatReader(FMT_QTMOVIE, LoadMovie);
    SetFormatReader(FMT_PLAYLIST, LoadPlaylist);
    SetAnimationStarter(StartAnimation);
    SetAnimationNotifier(OnViewerAnimation);
}
