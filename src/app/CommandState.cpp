#include "app/CommandState.h"

#include "app/AppState.h"
#include "app/ImageSnapshot.h"
#include "browser/Browser.h"
#include "browser/BrowserControls.h"
#include "browser/FileList.h"
#include "image/Common.h"

namespace {

bool IsMediaFormat(int id) {
    return id == 28 || id == 43 || id == 46 || id == 50;  // QuickTime, sound, video, playlist
}

// An image in the viewer that the edit commands may change.
bool HasEditableImage() {
    return AppState::CurrentImage.IsValid() &&
           (AppState::DocumentKind == DOC_FILE || AppState::DocumentKind == DOC_NEW_IMAGE) &&
           !IsMediaFormat(AppState::CurrentFormatId);
}

bool HasCurrentListEntry() { return CurrentFileListEntry() != nullptr; }

bool HasFileList() {
    return !FileList::ScanBusy && FileList::Entries && FileList::Count > 0;
}

}  // namespace

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
    case 40002:
        if (!inside) return 0;
        return current < last ? current + 1 : (wrap ? 0 : current);
    case 40003:
        if (!inside) return last;
        return current > 0 ? current - 1 : (wrap ? last : current);
    case 40028: return 0;
    case 40029: return last;
    default: return -1;
    }
}

bool IsCommandEnabled(UINT id) {
    // A command whose handler does not exist yet is never enabled.
    if (!HasCommandHandler(id)) return false;
    switch (id) {
    case 204:
        // Quick save writes over the folder's current file: only for a picture
        // that was read from that file, never for a pasted or new image.
        return HasEditableImage() && AppState::DocumentKind == DOC_FILE && HasCurrentListEntry() &&
               !Browser.IsShown();
    case 40082:  // save as
    case 205:    // print
        return HasEditableImage();
    case 254: case 40005: case 40006: case 40011: case 40012: case 40021: case 40022:
    case 40024: case 40025: case 40026: case 40027: case 40068: case 40121:
    case 40035: case 40036: case 40038: case 40037: case 40049: case 40344:
    case 40063: case 40064: case 40081: case 40065: case 40122:
    case 40052: case 40053: case 40057: case 40358:
        return HasEditableImage();
    case 40054:
        return IsClipboardFormatAvailable(CF_BITMAP) != 0;
    case 40079:
        return UndoSnapshot.IsValid() && AppState::CurrentImage.IsValid();
    case 40303:
        return RedoSnapshot.IsValid() && AppState::CurrentImage.IsValid();
    case 293:
        return AppState::CurrentImage.IsValid() || AppState::CurrentFormatId != 0;
    case 40023:
        return HasCurrentListEntry();
    case 40002: case 40003: case 40028: case 40029: case 40132: case 40133: case 40134:
        return HasFileList();
    case 40319:
        // A running show can always be stopped; a new one starts only when it can advance.
        return AppState::SlideShowRunning || Playlist::ShowRunning || (HasFileList() && SlideShowCanAdvance());
    case 40139:
        return !FileList::ScanBusy;
    default:
        return true;
    }
}

bool CursorSnapPoint(const RECT& window, int buttonOffset, int captionHeight, int menuHeight, POINT* point) {
    if (buttonOffset < 0) return false;
    const int x = window.left + buttonOffset + 10;
    if (x >= window.right - 24) return false;
    if (point) *point = {x, window.top + captionHeight + menuHeight + 15};
    return true;
}
