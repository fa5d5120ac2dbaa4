// The recent-file list.
#include "app/RecentFiles.h"

#include <cwchar>

#include "app/AppState.h"
#include "app/MainWindowIds.h"
#include "image/Common.h"

void AddRecentFile(const wchar_t* path) {
    if (!path || !*path) return;
    int count = AppState::RecentFileCount;
    if (count < 0) count = 0;
    if (count > RECENT_FILE_CAPACITY) count = RECENT_FILE_CAPACITY;
    for (int i = 0; i < count; ++i) {
        if (_wcsicmp(AppState::RecentFiles[i], path) != 0) continue;
        // Exchanged with the newest: the previous first entry takes its place.
        if (i > 0) {
            wchar_t first[MAX_PATH];
            CopyStringW(first, AppState::RecentFiles[0]);
            CopyStringW(AppState::RecentFiles[0], AppState::RecentFiles[i]);
            CopyStringW(AppState::RecentFiles[i], first);
        }
        AppState::RecentFileCount = count;
        return;
    }
    if (count < RECENT_FILE_CAPACITY) ++count;
    for (int i = count - 1; i > 0; --i) CopyStringW(AppState::RecentFiles[i], AppState::RecentFiles[i - 1]);
    CopyStringW(AppState::RecentFiles[0], path);
    AppState::RecentFileCount = count;
}
