#include "app/PopupTracking.h"

namespace {

UINT SystemTracker(HMENU popup, UINT flags, int x, int y, HWND owner) {
    return (UINT)TrackPopupMenu(popup, flags, x, y, 0, owner, nullptr);
}

PopupTracker g_tracker = SystemTracker;

}  // namespace

void SetPopupTracker(PopupTracker tracker) { g_tracker = tracker ? tracker : SystemTracker; }

UINT TrackPopup(HMENU popup, UINT flags, int x, int y, HWND owner) {
    if (!popup) return 0;
    const UINT choice = g_tracker(popup, flags | TPM_RETURNCMD, x, y, owner);
    if (flags & TPM_RETURNCMD) return choice;
    if (choice && owner) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(choice, 0), 0);
    return choice ? 1 : 0;
}
