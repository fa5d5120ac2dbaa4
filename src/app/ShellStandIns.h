// Services of the shell that are not built yet, behind their final names: the
// settings property sheet and the file associations. Each does nothing visible
// beyond what its comment says.
#pragma once
#include <windows.h>

// The modal settings sheet opened on a page (0 general, 6 associations, 8 ...).
void ShowSettingsSheet(int startPage);
// With no windows: removes every file association the program made. The
// program makes none yet, so there is nothing to remove.
void ApplyFileAssociations(HWND page, const HWND* lists);
