// The general settings store: one SettingsRecord (g_settings), read once at
// start-up and written back when the main window is destroyed.
#pragma once
#include <windows.h>

#include <span>

#include "app/SettingsRecord.h"
#include "image/Registry.h"

// Read every general setting (default for anything missing) / write them all.
// The key is "Software\Quorvane" under HKEY_CURRENT_USER; tests pass their own.
void LoadSettings(const wchar_t* key = QRV_REGISTRY_KEY);
void SaveSettings(const wchar_t* key = QRV_REGISTRY_KEY);

// Puts every setting back to its default (what LoadSettings gives for an empty
// key): g_settings becomes a default-constructed record.
void ResetSettingsToDefaults();

// One registry value of the settings table (the rows of SettingsRecord.h, in
// their order). Dword and Size rows name an int member, Text rows a string.
enum class SettingKind { Dword, Text, Size };
struct SettingRow {
    const wchar_t* name;
    SettingKind kind;
    int SettingsRecord::*number;                // Dword, Size
    wchar_t (SettingsRecord::*text)[MAX_PATH];  // Text
};
std::span<const SettingRow> SettingsTable();

// One numbered list: a count value and entries numbered from 1 ("%d" after
// the prefix); a missing entry reads as entryDefault. The open-with list keeps
// two texts per number (path and description), so it has a second format.
// While the setting named by `privacy` is set, the list is neither loaded nor
// kept: it loads empty and saves with a count of 0.
struct SettingsList {
    const wchar_t* countName;
    const wchar_t* entryFormat;
    const wchar_t* secondEntryFormat;  // null for a one-text list
    const wchar_t* entryDefault;
    int capacity;
    int SettingsRecord::*count;
    wchar_t* (*entry)(SettingsRecord& record, int index);
    wchar_t* (*secondEntry)(SettingsRecord& record, int index);  // with secondEntryFormat
    int SettingsRecord::*privacy;                                // or null
};
std::span<const SettingsList> SettingsLists();

// Registry value name of tool bar switch n: "ToolBarBtnUsed%2.0d" (two blanks for 0).
void ToolBarSwitchName(wchar_t* out, size_t size, int index);

// A stored list count as a number of entries to read: 0..capacity (a DWORD at
// or above 0x80000000 would be negative as int).
int ClampListCount(DWORD stored, int capacity);

// The browser sizes that are sanity-checked before saving: a value outside
// 1..10000 is corrupt and goes back to its default.
bool BrowserSizeIsCorrupt(int value);
