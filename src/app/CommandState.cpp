#include "app/CommandState.h"

#include <commctrl.h>

#include <iterator>

#include "app/AppState.h"
#include "app/CommandTable.h"
#include "app/ImageSnapshot.h"
#include "app/OpenWith.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/BrowserState.h"
#include "browser/FileList.h"
#include "browser/ThumbnailLoader.h"
#include "command_ids.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "media/AnimationBar.h"
#include "media/Players.h"

namespace {

// The players' formats and the playlist: documents the image edits never touch.
bool IsMediaFormat(int id) { return PlayerForFormat(id) != nullptr || id == FMT_PLAYLIST; }

}  // namespace

bool HasEditableImage() {
    return AppState::CurrentImage.IsValid() &&
           (AppState::DocumentKind == DOC_FILE || AppState::DocumentKind == DOC_NEW_IMAGE) &&
           !IsMediaFormat(AppState::CurrentFormatId);
}

bool CanQuickSaveFormat(int formatId, bool animationBar) {
    switch (formatId) {
    case FMT_BMP:
    case FMT_JPEG:
    case FMT_PCX:
    case FMT_PIX:
    case FMT_PNG:
    case FMT_PNM:
    case FMT_PPP:
    case FMT_RAS:
    case FMT_SGI:
    case FMT_TGA: return true;
    case FMT_GIF: return !animationBar;
    default: return false;
    }
}

bool CanQuickSave() {
    return HasEditableImage() && AppState::DocumentKind == DOC_FILE && HasCurrentListEntry() && !Browser.IsShown() &&
           CanQuickSaveFormat(AppState::CurrentFormatId, AnimationBar.initialised);
}

bool ClipboardHasBitmap() { return IsClipboardFormatAvailable(CF_BITMAP) != 0; }

bool CanUndo() { return UndoSnapshot.IsValid() && AppState::CurrentImage.IsValid(); }

bool CanRedo() { return RedoSnapshot.IsValid() && AppState::CurrentImage.IsValid(); }

bool HasOpenDocument() { return AppState::CurrentImage.IsValid() || AppState::CurrentFormatId != FMT_UNKNOWN; }

bool HasCurrentListEntry() { return CurrentFileListEntry() != nullptr; }

bool HasFileList() { return !FileList::ScanBusy && FileList::Entries && FileList::Count > 0; }

bool CanStartOrStopSlideShow() {
    return AppState::SlideShowRunning || Playlist::ShowRunning || (HasFileList() && SlideShowCanAdvance());
}

bool IsFolderScanIdle() { return !FileList::ScanBusy; }

namespace {

bool ShowsPicture() { return AppState::CurrentImage.IsValid() && AppState::DocumentKind != DOC_LOAD_FAILED; }

}  // namespace

bool CanUseImageTools() { return ShowsPicture() && !AnimationBar.playing && !IsMediaFormat(AppState::CurrentFormatId); }

bool HasImageSelection() {
    const RECT& s = AppState::Selection;
    return CanUseImageTools() && s.right != s.left && s.bottom != s.top;
}

bool HasColourChannels() { return CanUseImageTools() && AppState::CurrentImage.GetBpp() > 1; }

bool HasAlphaChannel() { return CanUseImageTools() && AppState::CurrentImage.GetBpp() == 32; }

bool CanApplyEffects() { return CanUseImageTools() && AppState::CurrentImage.GetBpp() > 15; }

bool CanConvertToDepth(int bpp) { return CanUseImageTools() && (int)AppState::CurrentImage.GetBpp() != bpp; }

bool CanFitImage() { return ShowsPicture() && AppState::CurrentFormatId != FMT_SOUND; }

bool HasOpenOrFailedDocument() {
    return AppState::DocumentKind == DOC_FILE || AppState::DocumentKind == DOC_LOAD_FAILED;
}

bool CanReload() { return HasOpenOrFailedDocument() && HasCurrentListEntry(); }

bool CanOperateOnFiles() {
    const bool browser = Browser.IsShown();
    if (ThumbLoader::Running || (browser && AppState::BrowserTab == TAB_PLAYLIST)) return false;
    return browser || HasOpenOrFailedDocument();
}

bool ShowsImageDocument() { return ShowsPicture() && !IsMediaFormat(AppState::CurrentFormatId); }

bool CanTransformImage() { return HasEditableImage() && CanUseImageTools(); }

bool IsBrowserHidden() { return !Browser.IsShown(); }

bool IsAnimationBarActive() { return AppState::DocumentKind == DOC_FILE && AnimationBar.initialised; }

bool CanStepFrameForward() { return IsAnimationBarActive() && AnimationBar.kind != ANIM_KIND_SOUND; }

bool CanStepFrameBack() {
    const int kind = AnimationBar.kind;
    return IsAnimationBarActive() && kind != ANIM_KIND_SOUND && kind != ANIM_KIND_MNG && kind != ANIM_KIND_VIDEO;
}

bool CanExtractFrames() {
    return IsAnimationBarActive() && AnimationBar.kind != ANIM_KIND_SOUND && !ThumbLoader::Running;
}

bool IsVideoShown() {
    return IsAnimationBarActive() && (AnimationBar.kind == ANIM_KIND_VIDEO || AnimationBar.kind == ANIM_KIND_QTMOVIE);
}

bool IsPlayerShown() {
    return IsAnimationBarActive() && AnimationBar.kind >= ANIM_KIND_VIDEO && AnimationBar.kind <= ANIM_KIND_QTMOVIE;
}

bool HasSeveralFiles() { return HasFileList() && FileList::Count > 1; }

bool HasBrowserSelection() {
    return Browser.IsShown() && Browser.fileListWindow &&
           SendMessageW(Browser.fileListWindow, LVM_GETSELECTEDCOUNT, 0, 0) > 0;
}

bool IsJpegDocument() { return AppState::CurrentFormatId == FMT_JPEG; }

SIZE AspectSize(int width, int across, int down) {
    if (width <= 0 || across <= 0) return {0, 0};
    return {width, width / across * down};
}

const MediaFileEntry* CurrentFileListEntry() {
    if (FileList::ScanBusy || !FileList::Entries || FileList::Count <= 0) return nullptr;
    if (FileList::Current < 0 || FileList::Current >= FileList::Count) return nullptr;
    return &FileList::Entries[FileList::Current];
}

bool CurrentFileListEntryPath(wchar_t path[MAX_PATH]) {
    path[0] = 0;
    const MediaFileEntry* entry = CurrentFileListEntry();
    if (!entry) return false;
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, path);
    if (length == 0 || length >= MAX_PATH || !AppendPath(path, entry->name)) {
        path[0] = 0;
        return false;
    }
    return true;
}

int StepTargetIndex(UINT id, int current, int count, bool wrap) {
    if (count <= 0) return -1;
    const int last = count - 1;
    const bool inside = current >= 0 && current <= last;
    switch (id) {
    case IDM_NEXT_MEDIA:
        if (!inside) return 0;
        return current < last ? current + 1 : (wrap ? 0 : current);
    case IDM_PREVIOUS_MEDIA:
        if (!inside) return last;
        return current > 0 ? current - 1 : (wrap ? last : current);
    case IDM_FIRST_MEDIA: return 0;
    case IDM_LAST_MEDIA: return last;
    default: return -1;
    }
}

bool HasCommandHandler(UINT id) {
    const CommandRow* row = FindCommandRow(id);
    if (row && row->run) return true;
    wchar_t program[MAX_PATH], file[OPEN_WITH_PARAMETER_CHARS];
    return OpenWithTarget(id, program, file);
}

bool IsCommandEnabled(UINT id) {
    const CommandRow* row = FindCommandRow(id);
    // A command whose handler does not exist yet is never enabled.
    if (!row || !row->run) return HasCommandHandler(id);  // the "Open with" programs
    return !row->enabled || row->enabled();
}

bool CursorSnapPoint(const RECT& window, int buttonOffset, int captionHeight, int menuHeight, POINT* point) {
    if (buttonOffset < 0) return false;
    const int x = window.left + buttonOffset + 10;
    if (x >= window.right - 24) return false;
    if (point) *point = {x, window.top + captionHeight + menuHeight + 15};
    return true;
}

UINT ChannelViewCommand(int view) {
    return view >= 0 && view < (int)std::size(kChannelViewCommands) ? kChannelViewCommands[view] : IDM_CHANNEL_ALL;
}

int ChannelViewOfCommand(UINT id) {
    for (int view = 0; view < (int)std::size(kChannelViewCommands); ++view)
        if (kChannelViewCommands[view] == id) return view;
    return -1;
}

UINT SortOrderCommand(int order, bool ascending) {
    switch (order) {
    case 0: return ascending ? IDM_SORT_NAME_ASCENDING : IDM_SORT_NAME_DESCENDING;
    case 1: return ascending ? IDM_SORT_SIZE_ASCENDING : IDM_SORT_SIZE_DESCENDING;
    case 2: return ascending ? IDM_SORT_DATE_ASCENDING : IDM_SORT_DATE_DESCENDING;
    case 3: return IDM_SORT_NONE;
    default: return 0;
    }
}
