// Language files: every text of the user interface can come from a UTF-16 ini
// file in the "Languages" folder beside the program. Lookups fall back to the
// built-in English texts, so a missing file, section or key changes nothing.
#pragma once
#include <windows.h>

#include <memory>
#include <span>

// Buffer sizes in characters, terminator included.
constexpr int LANG_STRING_CHARS = 1024;  // LangGetString, LangGetMessage, list values
constexpr int LANG_ITEM_CHARS = 512;     // dialog control texts and titles
constexpr int LANG_MENU_CHARS = 260;     // menu texts
constexpr int LANG_ENTRY_CHARS = 260;    // one entry of a "|"-separated list
constexpr int LANG_TIP_CHARS = 64;       // one tool-tip of the tool-bar tables

constexpr int MAIN_TOOLBAR_TIPS = 18;
constexpr int IMAGE_TOOLBAR_TIPS = 14;
constexpr int BROWSER_TOOLBAR_TIPS = 15;
constexpr int TOOLBAR_LABELS = 23;

// A copy of GeneralLanguageFile, empty when that file does not exist (English).
extern wchar_t ActiveLanguageName[MAX_PATH];
// The program folder joined with the stored name (kept even when the file is missing).
extern wchar_t LanguageFilePath[MAX_PATH];
extern wchar_t MainToolbarTips[MAIN_TOOLBAR_TIPS][LANG_TIP_CHARS];
extern wchar_t ImageToolbarTips[IMAGE_TOOLBAR_TIPS][LANG_TIP_CHARS];
extern wchar_t BrowserToolbarTips[BROWSER_TOOLBAR_TIPS][LANG_TIP_CHARS];

// The built-in English lists of section "Tooltips" and "ToolbarLabels".
extern const wchar_t kDefaultToolbarTips[];
extern const wchar_t kDefaultImageToolbarTips[];
extern const wchar_t kDefaultBrowserToolbarTips[];
extern const wchar_t kDefaultToolbarLabels[];

// Where the system's user-interface language comes from (null: the system's
// GetSystemDefaultUILanguage), and the folder that holds "Languages" (null:
// the program folder). Both exist so that tests can choose them.
void SetUILanguageSource(LANGID (*source)());
void SetLanguageProgramFolder(const wchar_t* folder);
// The folder "Languages" lies in, as used now; false when it cannot be told.
bool GetLanguageProgramFolder(wchar_t* out, size_t size);

// The language file the first start chooses for a user-interface language,
// relative to the program folder ("" for English).
const wchar_t* LanguageFileForLanguageId(LANGID id);
// The first-start choice; does nothing once GeneralDetectedLanguage is set.
void DetectDefaultLanguage();
// Runs the first-start choice, then makes the stored language file the active
// one; a file that does not exist (or whose path does not fit) means English.
void InitLanguageFile();
// True when a language file is active.
bool IsLanguageFileActive();

// The value of (section, key), or def when the file, section or key is missing,
// into buffer (LANG_STRING_CHARS characters).
void LangGetString(wchar_t* buffer, const wchar_t* section, const wchar_t* key, const wchar_t* def);
// The language file's text of (section, key) into out (size characters, cut to
// fit); false when no language file is in use or it has no such text.
bool LangLookupText(const wchar_t* section, const wchar_t* key, wchar_t* out, int size);
// The same on section "Messages".
void LangGetMessage(wchar_t* buffer, const wchar_t* key, const wchar_t* def);
// The active file's non-empty text of (section, key) into out (size
// characters, cut to fit); false, with out empty, when there is none.
bool LangText(const wchar_t* section, const wchar_t* key, wchar_t* out, int size);

using LangListEntry = wchar_t[LANG_ENTRY_CHARS];
// Splits a "|"-separated text: a "|" separates only directly after a copied
// character, so a leading "|" or the second of two is text; each entry keeps
// at most LANG_ENTRY_CHARS - 1 characters. count = 1 + the number of "|".
std::unique_ptr<LangListEntry[]> SplitLangList(const wchar_t* text, int* count);
// The list of (section, key) when a language file is active and the value is
// not empty, else of def.
std::unique_ptr<LangListEntry[]> LangGetList(const wchar_t* section, const wchar_t* key, int* count,
                                             const wchar_t* def);
// Fills a combo box with the list of (section, key, def) and selects selection.
void LangFillComboBox(HWND combo, const wchar_t* section, const wchar_t* key, int selection, const wchar_t* def);

// With a language file active and a non-empty value: the control's text, the
// dialog's title ("Title"), or a menu entry's text.
void LangSetItemText(HWND dialog, const wchar_t* section, const wchar_t* key, int control);
void LangSetTitle(HWND dialog, const wchar_t* section);
// The entry at position of menu (a popup title) gets ("Menu", key), its submenu kept.
void LangSetMenuPopupText(const wchar_t* key, int position, HMENU menu);
// The item with the command id gets ("Menu", key); its first "\t" becomes a tab.
void LangSetMenuItemText(HMENU menu, const wchar_t* key, UINT command);
// A menu text as shown: the first two characters "\t" become one tab character.
void ExpandMenuTab(wchar_t* text);

// Fill the tool-tip tables (built-in texts for entries the file does not give).
void LangLoadToolbarTips();
void LangLoadImageToolbarTips();
void LangLoadBrowserToolbarTips();
// The main tool bar's 23 labels ("SEP" at separator positions): missing
// entries of the file's list come from the built-in one.
std::unique_ptr<LangListEntry[]> LangGetToolbarLabels();

// One (key, control) pair of a dialog applier; sister names the section a key
// is taken from when it is not the dialog's own.
struct LangControlKey {
    const wchar_t* key;
    int control;
    const wchar_t* sister = nullptr;
};
// One dialog applier: its section, template, whether the title is set, the
// pairs, and what it does after them.
struct LangDialogRow {
    const wchar_t* section;
    const wchar_t* dialogTemplate;
    bool title;
    std::span<const LangControlKey> keys;
    void (*extra)(HWND dialog) = nullptr;
};
std::span<const LangDialogRow> LangDialogRows();
const LangDialogRow* FindLangDialogRow(const wchar_t* section);
// Applies one row to a dialog; nothing when no language file is active.
void LangApplyRow(const LangDialogRow& row, HWND dialog);
// Applies the row of a section (nothing for an unknown section).
void LangApplyDialog(HWND dialog, const wchar_t* section);
void LangApplyEffBlur(HWND dialog);
void LangApplyEffPixelize(HWND dialog);
void LangApplyEffSharpen(HWND dialog);
void LangApplyLanguage(HWND dialog);
void LangApplyPrint(HWND dialog);
void LangApplyPrintContactSheet(HWND dialog);
void LangApplyBatchPrint(HWND dialog);
// The tool-bar settings page's label controls from the tool bar's labels.
void LangApplyToolbarLabels(HWND dialog);

// One text of a menu applier: an item by command id, or (command 0) a popup
// title at position of the menu, or of its submenu at parent.
struct LangMenuKey {
    const wchar_t* key;
    UINT command;
    int parent = -1;
    int position = -1;
};
// A menu's keys, in up to three lists (lists several menus share are kept once).
struct LangMenuRow {
    const wchar_t* menuResource;
    std::span<const LangMenuKey> parts[3];
};
// The popup menus' rows, and the menu bar's ("THEMENU").
std::span<const LangMenuRow> LangMenuRows();
const LangMenuRow& LangMainMenuRow();
// Applies the menu bar's texts to a freshly loaded "THEMENU".
void LangApplyMainMenu(HMENU menu);
// Applies the texts of a popup menu resource ("IMAGE", "TOOLBARPOPUP" ...) to
// the popup about to be tracked (the resource's first submenu).
void LangApplyPopupMenu(HMENU popup, const wchar_t* menuResource);

// What the settings hold after the language dialog's choice: the file name
// joined to "\Languages\", or "" for English; false (nothing stored) when the
// joined name does not fit the setting.
bool LanguageFileSetting(const wchar_t* fileName, wchar_t* setting, size_t size);
// The language dialog ("LANGUAGEDLG").
INT_PTR CALLBACK LanguageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
