// Stand-ins of the settings sheet and the file associations (see the header).
#include "app/ShellStandIns.h"

#include "image/Common.h"

void ShowSettingsSheet(int) {
    ShowMessage(L"The settings cannot be changed in this version yet.");
}

void ApplyFileAssociations(HWND, const HWND*) {}
