#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/ImageToolBar.h"
#include "app/Language.h"
#include "app/MainMenu.h"
#include "app/MediaDocument.h"
#include "app/SaveAsDialog.h"
#include "app/ShellServices.h"
#include "app_filedialogs_ids.h"
#include "app_language_ids.h"
#include "command_ids.h"
#include "image/Common.h"
#include "image/Effects.h"
#include "support/ModalDriver.h"
#include "support/SettingsKeeper.h"
#include "support/TestSupport.h"

using qrvtest::Narrow;
using qrvtest::TempDir;

namespace {

// Writes an ini file the way language files are shipped: UTF-16LE with a BOM.
void WriteUnicodeIni(const std::wstring& path, const std::wstring& text) {
    std::vector<unsigned char> bytes = {0xFF, 0xFE};
    for (const wchar_t c : text) {
        bytes.push_back((unsigned char)(c & 0xFF));
        bytes.push_back((unsigned char)(c >> 8));
    }
    ASSERT_TRUE(qrvtest::WriteAll(path, bytes.data(), bytes.size()));
}

LANGID g_languageId = 0;
LANGID InjectedLanguage() { return g_languageId; }

// A program folder of the test's own with a "Languages" folder in it; the
// settings and the active language come back afterwards.
class LanguageFolder : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryW(folder.File(L"Languages").c_str(), nullptr);
        SetLanguageProgramFolder(folder.Path().c_str());
        SetUILanguageSource(InjectedLanguage);
        g_languageId = 1033;
    }
    void TearDown() override {
        SetLanguageProgramFolder(nullptr);
        SetUILanguageSource(nullptr);
        ActiveLanguageName[0] = L'\0';
        LanguageFilePath[0] = L'\0';
    }
    std::wstring LanguageFile(const std::wstring& name) const { return folder.File(L"Languages\\" + name); }
    // Writes Languages\<name> and makes it the active file.
    void Activate(const std::wstring& name, const std::wstring& text) {
        WriteUnicodeIni(LanguageFile(name), text);
        AppState::GeneralDetectedLanguage = 1;
        CopyStringW(AppState::GeneralLanguageFile, (L"Languages\\" + name).c_str());
        InitLanguageFile();
        ASSERT_TRUE(IsLanguageFileActive());
    }

    qrvtest::SettingsKeeper settings;
    TempDir folder;
};

std::vector<std::wstring> Entries(const std::unique_ptr<LangListEntry[]>& list, int count) {
    std::vector<std::wstring> entries;
    for (int i = 0; i < count; ++i) entries.push_back(list[i]);
    return entries;
}

std::vector<std::wstring> ListOf(const wchar_t* section, const wchar_t* key, const wchar_t* def) {
    int count = 0;
    const auto list = LangGetList(section, key, &count, def);
    return Entries(list, count);
}

std::wstring MenuText(HMENU menu, UINT item, UINT flags) {
    wchar_t text[LANG_MENU_CHARS] = {};
    GetMenuStringW(menu, item, text, LANG_MENU_CHARS, flags);
    return text;
}

std::wstring WindowText(HWND window) {
    wchar_t text[LANG_ITEM_CHARS] = {};
    GetWindowTextW(window, text, LANG_ITEM_CHARS);
    return text;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// A hidden window the dialogs are made in: the option panels are child templates.
HWND DialogParent() {
    static HWND parent = [] {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&controls);
        return CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 600, 400, nullptr, nullptr, nullptr, nullptr);
    }();
    return parent;
}

HWND CreateTestDialog(const wchar_t* name, DLGPROC procedure) {
    return CreateDialogParamW(GetModuleHandleW(nullptr), name, DialogParent(), procedure, 0);
}

bool HasDialogTemplate(const wchar_t* name) {
    return FindResourceW(GetModuleHandleW(nullptr), name, MAKEINTRESOURCEW(5)) != nullptr;
}

}  // namespace

TEST(LanguageList, SplitsOnlyAfterACopiedCharacter) {
    const struct {
        const wchar_t* text;
        std::vector<std::wstring> entries;
    } cases[] = {
        {L"a|b|c", {L"a", L"b", L"c"}},
        {L"a||b", {L"a", L"|b", L""}},
        {L"a|b|", {L"a", L"b", L""}},
        {L"|a", {L"|a", L""}},
        {L"", {L""}},
        {L"one", {L"one"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Narrow(c.text));
        int count = -1;
        const auto list = SplitLangList(c.text, &count);
        ASSERT_EQ(count, (int)c.entries.size());
        EXPECT_EQ(Entries(list, count), c.entries);
    }
}

TEST(LanguageList, AnEntryKeepsAtMost259Characters) {
    const std::wstring longText(400, L'x');
    int count = 0;
    const auto list = SplitLangList((longText + L"|tail").c_str(), &count);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(std::wstring(list[0]), std::wstring(LANG_ENTRY_CHARS - 1, L'x'));
    EXPECT_STREQ(list[1], L"tail");
}

TEST(LanguageMenuText, OnlyTheFirstTabPairBecomesATab) {
    const struct {
        const wchar_t* value;
        const wchar_t* shown;
    } cases[] = {
        {L"Open\\tCtrl+O\\tX", L"Open\tCtrl+O\\tX"},
        {L"Open\\tCtrl+O", L"Open\tCtrl+O"},
        {L"Open", L"Open"},
        {L"\\t", L"\t"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        wchar_t text[LANG_MENU_CHARS];
        CopyStringW(text, c.value, LANG_MENU_CHARS);
        ExpandMenuTab(text);
        EXPECT_STREQ(text, c.shown) << Narrow(c.value);
    }
}

TEST_F(LanguageFolder, FirstStartChoosesByTheUserInterfaceLanguageOnce) {
    const struct {
        LANGID id;
        const wchar_t* file;
    } cases[] = {
        {2055, L"Languages\\German.ini"},
        {1031, L"Languages\\German.ini"},
        {5127, L"Languages\\German.ini"},
        {3076, L"Languages\\ChineseTraditional.ini"},
        {1037, L"Languages\\Hebrew.ini"},
        {1038, L"Languages\\Hungarian.ini"},
        {1033, L""},
        {1036, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        AppState::GeneralDetectedLanguage = 0;
        CopyStringW(AppState::GeneralLanguageFile, L"Languages\\Before.ini");
        g_languageId = c.id;
        InitLanguageFile();
        EXPECT_STREQ(AppState::GeneralLanguageFile, c.file);
        EXPECT_EQ(AppState::GeneralDetectedLanguage, 1);
    }

    // A later start on a German system changes nothing any more.
    AppState::GeneralDetectedLanguage = 1;
    CopyStringW(AppState::GeneralLanguageFile, L"");
    g_languageId = 2055;
    InitLanguageFile();
    EXPECT_STREQ(AppState::GeneralLanguageFile, L"");
    EXPECT_FALSE(IsLanguageFileActive());
}

TEST_F(LanguageFolder, FirstStartOnGermanUsesTheShippedFileWhenPresent) {
    qrvtest::MessageCapture messages;
    AppState::GeneralDetectedLanguage = 0;
    g_languageId = 2055;
    InitLanguageFile();
    // Missing German.ini: the choice is stored, the program runs in English, silently.
    EXPECT_STREQ(AppState::GeneralLanguageFile, L"Languages\\German.ini");
    EXPECT_FALSE(IsLanguageFileActive());
    EXPECT_STREQ(ActiveLanguageName, L"");
    wchar_t text[LANG_STRING_CHARS];
    LangGetMessage(text, L"FileModifiedSaveAs", L"English");
    EXPECT_STREQ(text, L"English");

    WriteUnicodeIni(LanguageFile(L"German.ini"), L"[Messages]\r\nFileModifiedSaveAs=Ge\u00e4ndert\r\n");
    InitLanguageFile();
    EXPECT_TRUE(IsLanguageFileActive());
    EXPECT_STREQ(ActiveLanguageName, L"Languages\\German.ini");
    LangGetMessage(text, L"FileModifiedSaveAs", L"English");
    EXPECT_STREQ(text, L"Ge\u00e4ndert");
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(LanguageFolder, APathThatDoesNotFitCountsAsMissing) {
    WriteUnicodeIni(LanguageFile(L"German.ini"), L"[Messages]\r\nKey=Deutsch\r\n");
    AppState::GeneralDetectedLanguage = 1;
    // Padding with ".\" names the same file, but the joined path is longer than a path buffer.
    std::wstring name;
    while (folder.Path().size() + name.size() < MAX_PATH - 20) name += L".\\";
    name += L"Languages\\German.ini";
    ASSERT_LT(name.size(), (size_t)MAX_PATH);
    CopyStringW(AppState::GeneralLanguageFile, name.c_str());
    InitLanguageFile();
    EXPECT_FALSE(IsLanguageFileActive());
    wchar_t text[LANG_STRING_CHARS];
    LangGetString(text, L"Messages", L"Key", L"English");
    EXPECT_STREQ(text, L"English");
    // Nor is the system's own ini file read in its place.
    ASSERT_TRUE(WriteProfileStringW(L"Menu", L"QrvProbe", L"from win.ini"));
    HMENU bar = CreateMenu();
    AppendMenuW(bar, MF_POPUP, (UINT_PTR)CreatePopupMenu(), L"&File");
    LangSetMenuPopupText(L"QrvProbe", 0, bar);
    EXPECT_EQ(MenuText(bar, 0, MF_BYPOSITION), L"&File");
    WriteProfileStringW(L"Menu", L"QrvProbe", nullptr);
    DestroyMenu(bar);

    // A setting only the language dialog's name form can hold is never cut.
    wchar_t setting[MAX_PATH];
    EXPECT_TRUE(LanguageFileSetting(L"German.ini", setting, MAX_PATH));
    EXPECT_STREQ(setting, L"\\Languages\\German.ini");
    EXPECT_TRUE(LanguageFileSetting(L"", setting, MAX_PATH));
    EXPECT_STREQ(setting, L"");
    const std::wstring longest(MAX_PATH - 12, L'n'), tooLong(MAX_PATH - 11, L'n');
    EXPECT_TRUE(LanguageFileSetting(longest.c_str(), setting, MAX_PATH));
    CopyStringW(setting, L"unchanged");
    EXPECT_FALSE(LanguageFileSetting(tooLong.c_str(), setting, MAX_PATH));
}

TEST_F(LanguageFolder, ListsComeFromTheFileUnlessEmptyOrInactive) {
    Activate(L"Test.ini", L"[S]\r\nFull=x|y\r\nEmpty=\r\n");
    EXPECT_EQ(ListOf(L"S", L"Full", L"a|b|c"), (std::vector<std::wstring>{L"x", L"y"}));
    EXPECT_EQ(ListOf(L"S", L"Empty", L"a|b|c"), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(ListOf(L"S", L"Missing", L"a"), (std::vector<std::wstring>{L"a"}));
    ActiveLanguageName[0] = L'\0';  // the file is there, but English is active
    EXPECT_EQ(ListOf(L"S", L"Full", L"a|b|c"), (std::vector<std::wstring>{L"a", L"b", L"c"}));
}

TEST_F(LanguageFolder, ComboBoxTakesTheListAndTheSelection) {
    Activate(L"Test.ini", L"[Dlg_X]\r\nModeCBX=Eins|Zwei|Drei\r\n");
    HWND combo = CreateWindowW(L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                               nullptr);
    ASSERT_NE(combo, nullptr);
    SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)L"old");
    LangFillComboBox(combo, L"Dlg_X", L"ModeCBX", 2, L"One|Two|Three");
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
    wchar_t text[64] = {};
    SendMessageW(combo, CB_GETLBTEXT, 0, (LPARAM)text);
    EXPECT_STREQ(text, L"Eins");
    DestroyWindow(combo);
}

TEST_F(LanguageFolder, TooltipTablesCutLongTipsAndKeepBuiltInTextsForMissingOnes) {
    const std::wstring seventy(70, L't');
    Activate(L"Test.ini", L"[Tooltips]\r\nToolbar=" + seventy + L"||Dritter\r\nImageToolbar=\r\n");
    LangLoadToolbarTips();
    EXPECT_EQ(std::wstring(MainToolbarTips[0]), std::wstring(63, L't'));
    EXPECT_STREQ(MainToolbarTips[1], L"|Dritter");
    EXPECT_STREQ(MainToolbarTips[2], L"Browse a Folder(Return)");  // not in the file's list
    EXPECT_STREQ(MainToolbarTips[17], L"About this Program");
    LangLoadImageToolbarTips();  // an empty value: the built-in list
    EXPECT_STREQ(ImageToolbarTips[0], L"Rotate Image Right by 90\u00b0");
    EXPECT_STREQ(ImageToolbarTips[13], L"View/Blend Alpha Channel");
    LangLoadBrowserToolbarTips();
    EXPECT_STREQ(BrowserToolbarTips[14], L"Delete selected Item(s)... (Delete)");
}

TEST_F(LanguageFolder, ShortLabelListTakesTheRestFromTheBuiltInLabels) {
    Activate(L"Test.ini", L"[ToolbarLabels]\r\nLabels=Auf|Neu|Suchen|SEP|Vor\r\n");
    const auto labels = LangGetToolbarLabels();
    const std::vector<std::wstring> expected = {L"Auf",  L"Neu",       L"Suchen",  L"SEP",      L"Vor",      L"Next",
                                                L"SEP",  L"Exit",      L"Save",    L"Print",    L"Acquire",  L"Undo",
                                                L"Redo", L"SEP",       L"Zoom In", L"Zoom 100", L"Zoom Out", L"SEP",
                                                L"File", L"Slideshow", L"SEP",     L"Settings", L"About"};
    EXPECT_EQ(Entries(labels, TOOLBAR_LABELS), expected);
}

TEST_F(LanguageFolder, ControlAndMenuTextsChangeOnlyForNonEmptyValues) {
    HMENU menu = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, IDM_OPEN_MEDIA, L"&Open Media...\tCtrl+O");
    AppendMenuW(file, MF_STRING, IDM_SAVE_AS, L"Save &As...");
    AppendMenuW(menu, MF_POPUP, (UINT_PTR)file, L"&File");

    // Without an active file nothing changes, even where the file has a text.
    WriteUnicodeIni(LanguageFile(L"Test.ini"), L"[Menu]\r\nFile_Open=\u00d6ffnen\\tStrg+O\\tX\r\n");
    LangSetMenuItemText(menu, L"File_Open", IDM_OPEN_MEDIA);
    EXPECT_EQ(MenuText(menu, IDM_OPEN_MEDIA, MF_BYCOMMAND), L"&Open Media...\tCtrl+O");

    Activate(L"Test.ini",
             L"[Menu]\r\nFile=&Datei\r\nFile_Open=\u00d6ffnen\\tStrg+O\\tX\r\nFile_SaveAs=\r\n"
             L"[Dlg_T]\r\nTitle=Titel\r\nOk=Gut\r\nCancel=\r\n");
    LangSetMenuItemText(menu, L"File_Open", IDM_OPEN_MEDIA);
    LangSetMenuItemText(menu, L"File_SaveAs", IDM_SAVE_AS);
    LangSetMenuPopupText(L"File", 0, menu);
    EXPECT_EQ(MenuText(menu, IDM_OPEN_MEDIA, MF_BYCOMMAND), L"\u00d6ffnen\tStrg+O\\tX");
    EXPECT_EQ(MenuText(menu, IDM_SAVE_AS, MF_BYCOMMAND), L"Save &As...");
    EXPECT_EQ(MenuText(menu, 0, MF_BYPOSITION), L"&Datei");
    EXPECT_EQ(GetSubMenu(menu, 0), file);  // the title changed, its popup stayed
    EXPECT_EQ(GetMenuItemCount(file), 2);
    DestroyMenu(menu);

    HWND dialog = CreateTestDialog(L"BROWSERCREATEFOLDER", PlainDialogProc);
    ASSERT_NE(dialog, nullptr);
    LangSetTitle(dialog, L"Dlg_T");
    LangSetItemText(dialog, L"Dlg_T", L"Ok", IDOK);
    LangSetItemText(dialog, L"Dlg_T", L"Cancel", IDCANCEL);
    LangSetItemText(dialog, L"Dlg_T", L"Missing", IDCANCEL);
    EXPECT_EQ(WindowText(dialog), L"Titel");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDOK)), L"Gut");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDCANCEL)), L"Cancel");
    DestroyWindow(dialog);
}

// Every key of every applier gets the text "<section>.<key>" from a file made
// from the tables themselves; each dialog whose template exists must show it.
TEST_F(LanguageFolder, EveryDialogApplierSetsItsKeysOnItsTemplate) {
    std::map<std::wstring, std::map<std::wstring, std::wstring>> sections;
    for (const LangDialogRow& row : LangDialogRows()) {
        sections[row.section][L"Title"] = std::wstring(row.section) + L".Title";
        for (const LangControlKey& pair : row.keys) {
            const std::wstring section = pair.sister ? pair.sister : row.section;
            sections[section][pair.key] = section + L"." + pair.key;
        }
    }
    std::wstring text;
    for (const auto& [section, keys] : sections) {
        text += L"[" + section + L"]\r\n";
        for (const auto& [key, value] : keys) text += key + L"=" + value + L"\r\n";
    }
    Activate(L"Rows.ini", text);

    int applied = 0;
    for (const LangDialogRow& row : LangDialogRows()) {
        if (!HasDialogTemplate(row.dialogTemplate)) continue;
        SCOPED_TRACE(Narrow(row.section));
        HWND dialog = CreateTestDialog(row.dialogTemplate, PlainDialogProc);
        ASSERT_NE(dialog, nullptr);
        const std::wstring before = WindowText(dialog);
        LangApplyRow(row, dialog);
        EXPECT_EQ(WindowText(dialog), row.title ? std::wstring(row.section) + L".Title" : before);
        std::map<int, std::wstring> expected;  // the last key of a control wins
        for (const LangControlKey& pair : row.keys)
            expected[pair.control] = std::wstring(pair.sister ? pair.sister : row.section) + L"." + pair.key;
        for (const auto& [control, value] : expected) {
            HWND item = GetDlgItem(dialog, control);
            if (item) { EXPECT_EQ(WindowText(item), value) << control; }
        }
        DestroyWindow(dialog);
        ++applied;
    }
    EXPECT_NE(applied, 0);
    // The sections the program's own code asks for by name all have a row.
    for (const wchar_t* section :
         {L"Dlg_SaveAsAdd", L"Dlg_OpenAsAdd", L"Dlg_JPG", L"Dlg_JP2", L"Dlg_PNG", L"Dlg_RAS", L"Dlg_RAW", L"Dlg_SGI",
          L"Dlg_TGA", L"Dlg_TIF", L"Dlg_EffBlur", L"Dlg_EffPixelize", L"Dlg_EffSharpen", L"Dlg_Language"})
        EXPECT_NE(FindLangDialogRow(section), nullptr) << Narrow(section);
}

TEST_F(LanguageFolder, DialogAppliersLeaveTheTemplateTextsWithoutAFile) {
    WriteUnicodeIni(LanguageFile(L"Test.ini"), L"[Dlg_Rename]\r\nTitle=Umbenennen\r\nOk=Gut\r\n");
    AppState::GeneralDetectedLanguage = 1;
    CopyStringW(AppState::GeneralLanguageFile, L"");
    InitLanguageFile();
    HWND dialog = CreateTestDialog(L"RENAME", PlainDialogProc);
    ASSERT_NE(dialog, nullptr);
    LangApplyDialog(dialog, L"Dlg_Rename");
    EXPECT_EQ(WindowText(dialog), L"Rename");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDOK)), L"OK");
    DestroyWindow(dialog);
}

TEST_F(LanguageFolder, MenuAppliersSetEveryItemTheyName) {
    std::wstring text = L"[Menu]\r\n";
    std::vector<const LangMenuRow*> tables = {&LangMainMenuRow()};
    for (const LangMenuRow& row : LangMenuRows()) tables.push_back(&row);
    std::map<std::wstring, bool> written;
    for (const LangMenuRow* row : tables)
        for (const auto& keys : row->parts)
            for (const LangMenuKey& entry : keys)
                if (!written[entry.key]) {
                    text += std::wstring(entry.key) + L"=Menu." + entry.key + L"\r\n";
                    written[entry.key] = true;
                }
    Activate(L"Menus.ini", text);

    const auto check = [](HMENU menu, const LangMenuRow& row) {
        for (const auto& keys : row.parts)
            for (const LangMenuKey& entry : keys) {
                const std::wstring expected = std::wstring(L"Menu.") + entry.key;
                if (entry.command) {
                    if (GetMenuState(menu, entry.command, MF_BYCOMMAND) == (UINT)-1) continue;
                    EXPECT_EQ(MenuText(menu, entry.command, MF_BYCOMMAND), expected) << entry.command;
                    continue;
                }
                HMENU parent = entry.parent < 0 ? menu : GetSubMenu(menu, entry.parent);
                if (parent && GetSubMenu(parent, entry.position)) {
                    EXPECT_EQ(MenuText(parent, (UINT)entry.position, MF_BYPOSITION), expected) << Narrow(entry.key);
                }
            }
    };
    HMENU bar = LoadMenuW(GetModuleHandleW(nullptr), L"THEMENU");
    ASSERT_NE(bar, nullptr);
    LangApplyMainMenu(bar);
    check(bar, LangMainMenuRow());
    EXPECT_EQ(MenuText(bar, IDM_OPEN_MEDIA, MF_BYCOMMAND), L"Menu.File_Open");
    EXPECT_EQ(MenuText(bar, 0, MF_BYPOSITION), L"Menu.File");
    DestroyMenu(bar);

    int popups = 0;
    for (const LangMenuRow& row : LangMenuRows()) {
        HMENU loaded = LoadMenuW(GetModuleHandleW(nullptr), row.menuResource);
        if (!loaded) continue;
        SCOPED_TRACE(Narrow(row.menuResource));
        HMENU popup = GetSubMenu(loaded, 0);
        ASSERT_NE(popup, nullptr);
        LangApplyPopupMenu(popup, row.menuResource);
        check(popup, row);
        DestroyMenu(loaded);
        ++popups;
    }
    EXPECT_NE(popups, 0);
}

TEST_F(LanguageFolder, SaveQuestionAndPanelsTranslateThroughTheInstalledSeams) {
    RegisterShellServices();
    EXPECT_EQ(GetEffectServices().langApplyEffBlur, &LangApplyEffBlur);
    EXPECT_EQ(GetEffectServices().langApplyEffPixelize, &LangApplyEffPixelize);
    EXPECT_EQ(GetEffectServices().langApplyEffSharpen, &LangApplyEffSharpen);

    Activate(L"German.ini",
             L"[Messages]\r\nFileModifiedSaveAs=Die Datei %s wurde ge\u00e4ndert. Speichern?\r\n"
             L"[Dlg_TIF]\r\nTitle=TIFF\r\nCompression=Kompression:\r\nCompressionCBX=Keine|Packbits|ZIP|"
             L"Automatisch\r\n");
    wchar_t question[1024];
    FormatModifiedQuestion(question, 1024, L"C:\\a.bmp");
    EXPECT_STREQ(question, L"Die Datei C:\\a.bmp wurde ge\u00e4ndert. Speichern?");

    qrvtest::SettingsKeeper keep;
    AppState::FormatTIFCompression = 3;
    HWND panel = CreateTestDialog(L"TIFDLG", TifOptionsDlgProc);
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(panel, IDC_TIF_COMPRESSION_LABEL)), L"Kompression:");
    wchar_t item[64] = {};
    SendDlgItemMessageW(panel, IDC_TIF_COMPRESSION, CB_GETLBTEXT, 3, (LPARAM)item);
    EXPECT_STREQ(item, L"Automatisch");
    DestroyWindow(panel);

    // A short buffer gets a cut text, never more.
    wchar_t small[8];
    ASSERT_TRUE(GetSaveServices().langText(L"Dlg_TIF", L"Compression", small, 8));
    EXPECT_STREQ(small, L"Kompres");
    EXPECT_FALSE(GetSaveServices().langText(L"Dlg_TIF", L"Missing", small, 8));
    SetSaveServices(SaveServices{});
    SetEffectServices(EffectServices{});
}

namespace {

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

struct ListRow {
    std::wstring language, author, file;
};

std::vector<ListRow> ListRows(HWND list) {
    std::vector<ListRow> rows;
    const int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        ListRow row;
        for (int column = 0; column < 3; ++column) {
            wchar_t text[1024] = {};
            LVITEMW item = {};
            item.iSubItem = column;
            item.pszText = text;
            item.cchTextMax = 1024;
            SendMessageW(list, LVM_GETITEMTEXTW, (WPARAM)i, (LPARAM)&item);
            (column == 0 ? row.language : column == 1 ? row.author : row.file) = text;
        }
        rows.push_back(row);
    }
    return rows;
}

std::wstring ColumnTitle(HWND list, int column) {
    wchar_t text[64] = {};
    LVCOLUMNW info = {};
    info.mask = LVCF_TEXT;
    info.pszText = text;
    info.cchTextMax = 64;
    SendMessageW(list, LVM_GETCOLUMNW, (WPARAM)column, (LPARAM)&info);
    return text;
}

void ChooseRow(HWND dialog, const std::wstring& file) {
    HWND list = GetDlgItem(dialog, IDC_LANGUAGE_LIST);
    const auto rows = ListRows(list);
    for (int i = 0; i < (int)rows.size(); ++i)
        if (rows[i].file == file) {
            LVITEMW state = {};
            state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, (WPARAM)i, (LPARAM)&state);
        }
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
}

}  // namespace

TEST_F(LanguageFolder, LanguageDialogListsTheFilesAndSwitchesTheMenu) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PlainWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QrvTestLanguageMain";
    RegisterClassW(&wc);
    HWND main = CreateWindowW(wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, nullptr,
                              wc.hInstance, nullptr);
    ASSERT_NE(main, nullptr);
    const HWND previousMain = AppState::MainWindow;
    AppState::MainWindow = main;
    AppState::GeneralShowToolbar = 0;
    AppState::GeneralShowStatusbar = 1;
    AppState::GeneralDetectedLanguage = 1;
    CopyStringW(AppState::GeneralLanguageFile, L"");
    InitLanguageFile();
    ASSERT_TRUE(MainMenu.Load(main));
    const std::wstring english = MenuText(MainMenu.menu, IDM_OPEN_MEDIA, MF_BYCOMMAND);

    WriteUnicodeIni(LanguageFile(L"German.ini"),
                    L"[Header]\r\nLanguage=Deutsch\r\nAuthor=Team\r\n"
                    L"[Menu]\r\nFile_Open=\u00d6ffnen...\\tStrg+O\r\n"
                    L"[Dlg_Language]\r\nListHeaders=Datei|Autor|Sprache\r\n");
    WriteUnicodeIni(LanguageFile(L"Plain.ini"), L"[Menu]\r\nFile_Open=Open it\r\n");
    // A name the setting cannot hold is not offered.
    const std::wstring longName = std::wstring(MAX_PATH - 11 - 4, L'n') + L".ini";  // "\Languages\" + name: 260
    const std::wstring longFile = L"\\\\?\\" + LanguageFile(longName);
    WriteUnicodeIni(longFile, L"[Menu]\r\n");

    std::vector<ListRow> rows;
    std::wstring firstColumn;
    ASSERT_TRUE(qrvtest::DriveModal(
        [] { DialogBoxParamW(GetModuleHandleW(nullptr), L"LANGUAGEDLG", AppState::MainWindow, LanguageDlgProc, 0); },
        [&](HWND dialog) {
            rows = ListRows(GetDlgItem(dialog, IDC_LANGUAGE_LIST));
            firstColumn = ColumnTitle(GetDlgItem(dialog, IDC_LANGUAGE_LIST), 0);
            ChooseRow(dialog, L"German.ini");
        }));
    DeleteFileW(longFile.c_str());
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].language, L"English (Default)");
    EXPECT_EQ(rows[0].author, L"Ostrevan");
    EXPECT_EQ(rows[0].file, L"");
    EXPECT_EQ(firstColumn, L"Language");
    std::map<std::wstring, ListRow> byFile;
    for (const ListRow& row : rows) byFile[row.file] = row;
    EXPECT_EQ(byFile[L"German.ini"].language, L"Deutsch");
    EXPECT_EQ(byFile[L"German.ini"].author, L"Team");
    EXPECT_EQ(byFile[L"Plain.ini"].language, L"unkown???");
    EXPECT_EQ(byFile[L"Plain.ini"].author, L"Somebody");

    EXPECT_STREQ(AppState::GeneralLanguageFile, L"\\Languages\\German.ini");
    EXPECT_TRUE(IsLanguageFileActive());
    ASSERT_NE(MainMenu.menu, nullptr);
    EXPECT_EQ(GetMenu(main), MainMenu.menu);
    EXPECT_EQ(MenuText(MainMenu.menu, IDM_OPEN_MEDIA, MF_BYCOMMAND), L"\u00d6ffnen...\tStrg+O");
    EXPECT_TRUE(GetMenuState(MainMenu.menu, IDM_SHOW_STATUSBAR, MF_BYCOMMAND) & MF_CHECKED);

    // Now German: the headers are translated; choosing English stores "" and brings the resource's texts back.
    ASSERT_TRUE(qrvtest::DriveModal(
        [] { DialogBoxParamW(GetModuleHandleW(nullptr), L"LANGUAGEDLG", AppState::MainWindow, LanguageDlgProc, 0); },
        [&](HWND dialog) {
            firstColumn = ColumnTitle(GetDlgItem(dialog, IDC_LANGUAGE_LIST), 0);
            ChooseRow(dialog, L"");
        }));
    EXPECT_EQ(firstColumn, L"Sprache");
    EXPECT_STREQ(AppState::GeneralLanguageFile, L"");
    EXPECT_FALSE(IsLanguageFileActive());
    EXPECT_EQ(MenuText(MainMenu.menu, IDM_OPEN_MEDIA, MF_BYCOMMAND), english);

    // Cancel changes nothing.
    ASSERT_TRUE(qrvtest::DriveModal(
        [] { DialogBoxParamW(GetModuleHandleW(nullptr), L"LANGUAGEDLG", AppState::MainWindow, LanguageDlgProc, 0); },
        [&](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_LANGUAGE_LIST);
            LVITEMW state = {};
            state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, 1, (LPARAM)&state);
            SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        }));
    EXPECT_STREQ(AppState::GeneralLanguageFile, L"");

    MainMenu.Destroy();
    AppState::MainWindow = previousMain;
    DestroyWindow(main);
}

// The German file the build writes beside the program is read as Unicode and
// translates every text the program's menus and existing dialogs ask for.
TEST(ShippedGerman, TranslatesTheMenusTipsLabelsAndExistingDialogs) {
    qrvtest::SettingsKeeper settings;
    AppState::GeneralDetectedLanguage = 1;
    CopyStringW(AppState::GeneralLanguageFile, L"Languages\\German.ini");
    InitLanguageFile();
    ASSERT_TRUE(IsLanguageFileActive()) << Narrow(LanguageFilePath);
    wchar_t text[LANG_STRING_CHARS];
    LangGetString(text, L"Header", L"Language", L"");
    EXPECT_STREQ(text, L"Deutsch");

    for (const auto& keys : LangMainMenuRow().parts)
        for (const LangMenuKey& entry : keys) {
            LangGetString(text, L"Menu", entry.key, L"");
            EXPECT_NE(text[0], L'\0') << Narrow(entry.key);
        }
    HMENU bar = LoadMenuW(GetModuleHandleW(nullptr), L"THEMENU");
    LangApplyMainMenu(bar);
    EXPECT_EQ(MenuText(bar, IDM_OPEN_MEDIA, MF_BYCOMMAND), L"Medium \u00f6&ffnen...\tStrg+O");
    DestroyMenu(bar);

    int count = 0;
    EXPECT_EQ(ListOf(L"Tooltips", L"Toolbar", L"").size(), (size_t)MAIN_TOOLBAR_TIPS);
    EXPECT_EQ(ListOf(L"Tooltips", L"ImageToolbar", L"").size(), (size_t)IMAGE_TOOLBAR_TIPS);
    EXPECT_EQ(ListOf(L"Tooltips", L"BrowserToolbar", L"").size(), (size_t)BROWSER_TOOLBAR_TIPS);
    const auto labels = LangGetList(L"ToolbarLabels", L"Labels", &count, L"");
    ASSERT_EQ(count, TOOLBAR_LABELS);
    int builtInCount = 0;
    const auto builtIn = SplitLangList(kDefaultToolbarLabels, &builtInCount);
    for (int i = 0; i < count; ++i)  // the separators stand where the built-in list has them
        EXPECT_EQ(wcscmp(labels[i], L"SEP") == 0, wcscmp(builtIn[i], L"SEP") == 0) << i;

    for (const LangDialogRow& row : LangDialogRows()) {
        if (!HasDialogTemplate(row.dialogTemplate)) continue;
        SCOPED_TRACE(Narrow(row.section));
        HWND dialog = CreateTestDialog(row.dialogTemplate, PlainDialogProc);
        ASSERT_NE(dialog, nullptr);
        if (row.title) {
            LangGetString(text, row.section, L"Title", L"");
            EXPECT_NE(text[0], L'\0');
        }
        for (const LangControlKey& pair : row.keys) {
            if (!GetDlgItem(dialog, pair.control)) continue;
            LangGetString(text, pair.sister ? pair.sister : row.section, pair.key, L"");
            EXPECT_NE(text[0], L'\0') << Narrow(pair.key);
        }
        DestroyWindow(dialog);
    }
    ActiveLanguageName[0] = L'\0';
    LanguageFilePath[0] = L'\0';
}

TEST_F(LanguageFolder, ToolBarsTakeTheirTextsFromTheActiveFile) {
    // A labels list longer than the usual text buffer reaches the tool bar whole.
    std::wstring labels;
    for (int i = 0; i < 23; ++i) labels += std::wstring(100, static_cast<wchar_t>(L'a' + i)) + L"|";
    Activate(L"Test.ini", L"[ToolbarLabels]\r\nLabels=" + labels + L"\r\n[Tooltips]\r\nImageToolbar=Rechts drehen\r\n");
    std::vector<wchar_t> out(4000);
    ASSERT_TRUE(LangLookupText(L"ToolbarLabels", L"Labels", out.data(), static_cast<int>(out.size())));
    EXPECT_EQ(std::wstring(out.data()), labels);
    wchar_t small[8];
    ASSERT_TRUE(LangLookupText(L"ToolbarLabels", L"Labels", small, 8));
    EXPECT_EQ(std::wstring(small), std::wstring(7, L'a'));
    EXPECT_FALSE(LangLookupText(L"ToolbarLabels", L"Missing", small, 8));
    CImageToolBar bar;
    bar.LoadTips();
    EXPECT_STREQ(bar.tips[0], L"Rechts drehen");
    EXPECT_STREQ(bar.tips[1], L"Rotate Image Left by 90\u00b0");  // not in the file's list
    LanguageFilePath[0] = L'\0';
    EXPECT_FALSE(LangLookupText(L"ToolbarLabels", L"Labels", small, 8));
}
