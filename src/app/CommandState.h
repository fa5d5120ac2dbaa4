// Whether a main-window command may run now. The menu grays its items with the
// same predicate that the command dispatch checks, so a shortcut can never run
// a command whose menu item is gray (the menu is gone in presentation mode, the
// accelerators are not).
#pragma once
#include <windows.h>

bool IsCommandEnabled(UINT id);

// The commands IsCommandEnabled can refuse (the main menu updates these).
extern const UINT kGuardedCommands[];
extern const int kGuardedCommandCount;
