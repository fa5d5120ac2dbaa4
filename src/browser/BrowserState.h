// The browser's runtime state that the shell reads (tab, list style, the
// folders visited this session, the tree's selection). Not stored settings.
#pragma once
#include <windows.h>

#include "app/MainWindowIds.h"

namespace AppState {
inline int BrowserTab = 0;             // 0 all, 1 images, 2 videos, 3 audio, 4 playlist, 5 configure
inline int BrowserListStyle = 0;       // 0 thumbnails, 1 report
inline int BrowserLastFilterTab = -1;  // the filter tab (0..3) before the playlist or configure tab
inline int BrowserFolderLeft = 1;      // folder tree left of the list (else above it)
inline wchar_t RecentFolders[RECENT_FOLDER_CAPACITY][MAX_PATH] = {};
inline int RecentFolderCount = 0;
inline wchar_t TreeSelectedFolder[MAX_PATH] = {};

}  // namespace AppState
