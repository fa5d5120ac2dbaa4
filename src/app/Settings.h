// The general settings store: one AppState field per setting, read once at
// start-up and written back when the main window is destroyed.
#pragma once
#include <windows.h>

#include "image/Registry.h"

// Read every general setting (default for anything missing) / write them all.
// The key is "Software\Quorvane" under HKEY_CURRENT_USER; tests pass their own.
void LoadSettings(const wchar_t* key = QRV_REGISTRY_KEY);
void SaveSettings(const wchar_t* key = QRV_REGISTRY_KEY);

// Puts every setting back to its default (what LoadSettings gives for an empty key).
void ResetSettingsToDefaults();

// Registry value name of tool bar switch n: "ToolBarBtnUsed%2.0d" (two blanks for 0).
void ToolBarSwitchName(wchar_t* out, size_t size, int index);

// A stored list count as a number of entries to read: 0..capacity (a DWORD at
// or above 0x80000000 would be negative as int).
int ClampListCount(DWORD stored, int capacity);

// The browser sizes that are sanity-checked before saving: a value outside
// 1..10000 is corrupt and goes back to its default.
bool BrowserSizeIsCorrupt(int value);
