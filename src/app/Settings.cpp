// General settings: the settings table drives load, save and reset, so that
// the three always handle the same values under the same names, and every
// default comes from SettingsRecord's one row per value.
#include "app/Settings.h"

#include <cstdio>
#include <cwchar>

#include "app/AppState.h"
#include "app/MainWindowIds.h"
#include "image/Common.h"

namespace {

#define QRV_SETTING_ROW_Dword(name) {L"" #name, SettingKind::Dword, &SettingsRecord::name, nullptr},
#define QRV_SETTING_ROW_Size(name) {L"" #name, SettingKind::Size, &SettingsRecord::name, nullptr},
#define QRV_SETTING_ROW_Text(name) {L"" #name, SettingKind::Text, nullptr, &SettingsRecord::name},
#define QRV_SETTING_ROW(kind, name, value) QRV_SETTING_ROW_##kind(name)

const SettingRow kRows[] = {QRV_SETTINGS_ROWS(QRV_SETTING_ROW)};

#undef QRV_SETTING_ROW
#undef QRV_SETTING_ROW_Dword
#undef QRV_SETTING_ROW_Size
#undef QRV_SETTING_ROW_Text

wchar_t* CopyToEntry(SettingsRecord& r, int i) { return r.CopyToDirs[i]; }
wchar_t* MoveToEntry(SettingsRecord& r, int i) { return r.MoveToDirs[i]; }
wchar_t* RecentEntry(SettingsRecord& r, int i) { return r.RecentFiles[i]; }
wchar_t* OpenWithPathEntry(SettingsRecord& r, int i) { return r.OpenWithPaths[i]; }
wchar_t* OpenWithDescEntry(SettingsRecord& r, int i) { return r.OpenWithDescs[i]; }

const SettingsList kLists[] = {
    {L"CopyToDirCount", L"CopyToDir%d", nullptr, L"C:\\Temp", COPY_MOVE_TARGET_CAPACITY,
     &SettingsRecord::CopyToDirCount, CopyToEntry, nullptr, nullptr},
    {L"MoveToDirCount", L"MoveToDir%d", nullptr, L"C:\\Temp", COPY_MOVE_TARGET_CAPACITY,
     &SettingsRecord::MoveToDirCount, MoveToEntry, nullptr, nullptr},
    {L"RecentlyOpenedFilesCount", L"RecentlyOpened%d", nullptr, L"C:\\", RECENT_FILE_CAPACITY,
     &SettingsRecord::RecentFileCount, RecentEntry, nullptr, &SettingsRecord::PrivacyNoRecentlyOpenedList},
    {L"OpenWithCount", L"OpenWithPath%d", L"OpenWithDesc%d", L"C:\\Temp", OPEN_WITH_CAPACITY,
     &SettingsRecord::OpenWithCount, OpenWithPathEntry, OpenWithDescEntry, nullptr},
};

void ReadText(CRegistry& reg, const wchar_t* key, const wchar_t* name, const wchar_t* def, wchar_t* out) {
    reg.ReadString(key, name, def, out);
    out[MAX_PATH - 1] = 0;
}

void ReadList(CRegistry& reg, const wchar_t* key, const SettingsList& list, SettingsRecord& s) {
    const bool skip = list.privacy && s.*list.privacy;
    const int count = skip ? 0 : ClampListCount(reg.ReadDword(key, list.countName, 0), list.capacity);
    for (int i = 0; i < count; ++i) {
        wchar_t name[64];
        swprintf(name, 64, list.entryFormat, i + 1);
        ReadText(reg, key, name, list.entryDefault, list.entry(s, i));
        if (list.secondEntryFormat) {
            swprintf(name, 64, list.secondEntryFormat, i + 1);
            ReadText(reg, key, name, list.entryDefault, list.secondEntry(s, i));
        }
    }
    s.*list.count = count;
}

void WriteList(CRegistry& reg, const wchar_t* key, const SettingsList& list, SettingsRecord& s) {
    if (list.privacy && s.*list.privacy) s.*list.count = 0;
    int count = s.*list.count;
    if (count < 0) count = 0;
    if (count > list.capacity) count = list.capacity;
    reg.WriteDword(key, list.countName, (DWORD)count);
    for (int i = 0; i < count; ++i) {
        wchar_t name[64];
        swprintf(name, 64, list.entryFormat, i + 1);
        reg.WriteString(key, name, list.entry(s, i));
        if (list.secondEntryFormat) {
            swprintf(name, 64, list.secondEntryFormat, i + 1);
            reg.WriteString(key, name, list.secondEntry(s, i));
        }
    }
}

}  // namespace

std::span<const SettingRow> SettingsTable() { return kRows; }

std::span<const SettingsList> SettingsLists() { return kLists; }

int ClampListCount(DWORD stored, int capacity) {
    if (stored >= 0x80000000u) return 0;
    return (int)stored > capacity ? capacity : (int)stored;
}

bool BrowserSizeIsCorrupt(int value) { return value <= 0 || value > 10000; }

void ToolBarSwitchName(wchar_t* out, size_t size, int index) { swprintf(out, size, L"ToolBarBtnUsed%2.0d", index); }

SettingsRecord g_settings;

void ResetSettingsToDefaults() { g_settings = SettingsRecord{}; }

void LoadSettings(const wchar_t* key) {
    CRegistry reg(HKEY_CURRENT_USER);
    const SettingsRecord defaults;
    SettingsRecord& s = g_settings;
    for (const SettingRow& row : kRows) {
        switch (row.kind) {
        case SettingKind::Text: ReadText(reg, key, row.name, defaults.*row.text, s.*row.text); break;
        case SettingKind::Dword:
            s.*row.number = (int)reg.ReadDword(key, row.name, (DWORD)(defaults.*row.number));
            break;
        case SettingKind::Size: {
            // A browser size out of range would size windows and thumbnail
            // cells absurdly: take the default instead.
            const int def = defaults.*row.number;
            const int value = (int)reg.ReadDword(key, row.name, (DWORD)def);
            s.*row.number = BrowserSizeIsCorrupt(value) ? def : value;
            break;
        }
        }
    }
    for (int i = 0; i < TOOLBAR_BUTTON_SWITCHES; ++i) {
        wchar_t name[32];
        ToolBarSwitchName(name, 32, i);
        s.ToolBarBtnUsed[i] = (int)reg.ReadDword(key, name, (DWORD)defaults.ToolBarBtnUsed[i]);
    }
    for (const SettingsList& list : kLists) ReadList(reg, key, list, s);
}

void SaveSettings(const wchar_t* key) {
    CRegistry reg(HKEY_CURRENT_USER);
    SettingsRecord& s = g_settings;

    // Corrupt browser sizes are reported and reset to their defaults, so that a
    // bad value is not written back and read again at every start.
    bool corrupt = false;
    for (const SettingRow& row : kRows)
        if (row.kind == SettingKind::Size) corrupt |= BrowserSizeIsCorrupt(s.*row.number);
    if (corrupt) {
        ShowMessage(
            L"Browservalues Corrupted! ThumbWinWidth: %d, ThumbWidth: %d, ThumbHeight: %dWinWidth %d, "
            L"WinHeight %d",
            s.BrowserThumbWindowWidth, s.BrowserThumbnailWidth, s.BrowserThumbnailHeight, s.BrowserWindowW,
            s.BrowserWindowH);
        const SettingsRecord defaults;
        for (const SettingRow& row : kRows)
            if (row.kind == SettingKind::Size && BrowserSizeIsCorrupt(s.*row.number))
                s.*row.number = defaults.*row.number;
    }

    for (const SettingRow& row : kRows) {
        if (row.kind == SettingKind::Text) reg.WriteString(key, row.name, s.*row.text);
        else reg.WriteDword(key, row.name, (DWORD)(s.*row.number));
    }
    for (int i = 0; i < TOOLBAR_BUTTON_SWITCHES; ++i) {
        wchar_t name[32];
        ToolBarSwitchName(name, 32, i);
        reg.WriteDword(key, name, (DWORD)s.ToolBarBtnUsed[i]);
    }
    for (const SettingsList& list : kLists) WriteList(reg, key, list, s);
}
