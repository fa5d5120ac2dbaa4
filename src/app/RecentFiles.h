// The recent-file list (AppState::RecentFiles, newest first).
#pragma once

// Moves path to the front of the recent-file list: an entry already there is
// exchanged with the first; a new one pushes the others down (the 21st falls off).
void AddRecentFile(const wchar_t* path);
