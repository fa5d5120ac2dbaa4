// The main tool bar: its label and tip lists, the state rules that hide and
// gray its buttons, the band's gradient, and the real bar under the display
// (entries, labels, margins, failed creation, images, chevron menu).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AppWindowTest.h"
#include "app/AppState.h"
#include "app/CommandTable.h"
#include "app/Chrome.h"
#include "app/ImageSnapshot.h"
#include "app/MainToolBar.h"
#include "app/PopupTracking.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "support/TestSupport.h"

namespace {

using qrvtest::Pump;

const wchar_t* const kBuiltInLabels[kToolBarEntryCount] = {
    L"Open",     L"Reload", L"Browse",  L"SEP",       L"Prev", L"Next",     L"SEP",     L"Exit",
    L"Save",     L"Print",  L"Acquire", L"Undo",      L"Redo", L"SEP",      L"Zoom In", L"Zoom 100",
    L"Zoom Out", L"SEP",    L"File",    L"Slideshow", L"SEP",  L"Settings", L"About"};

TEST(ToolBarLabels, MissingEmptyAndLongEntries) {
    const std::wstring longLabel(300, L'x');
    const std::wstring longList = L"A|" + longLabel + L"|C";
    struct {
        const char* name;
        const wchar_t* list;
        std::vector<std::wstring> expectedFirst;  // the rest are built-in
    } cases[] = {
        {"no list", nullptr, {}},
        {"empty list", L"", {}},
        {"five entries", L"A|B|C|D|E", {L"A", L"B", L"C", L"D", L"E"}},
        // An empty label would end the string list early: it keeps the built-in.
        {"empty entry", L"A||C", {L"A", L"Reload", L"C"}},
        {"long entry", longList.c_str(), {L"A", std::wstring(kToolBarLabelChars, L'x'), L"C"}},
        {"trailing bar", L"A|", {L"A", L"Reload"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::wstring labels[kToolBarEntryCount];
        SplitToolBarLabels(c.list, labels);
        for (int i = 0; i < kToolBarEntryCount; ++i) {
            const std::wstring expected = i < (int)c.expectedFirst.size() ? c.expectedFirst[i] : kBuiltInLabels[i];
            EXPECT_EQ(labels[i], expected) << i;
        }
    }
    // More than 23 entries: the rest is ignored.
    std::wstring many;
    for (int i = 0; i < 30; ++i) many += L"L" + std::to_wstring(i) + L"|";
    std::wstring labels[kToolBarEntryCount];
    SplitToolBarLabels(many.c_str(), labels);
    EXPECT_EQ(labels[22], L"L22");
}

TEST(ToolBarLabels, JoinHasNoFixedCap) {
    // 23 labels of the longest length are far beyond 1024 characters together.
    std::wstring list;
    for (int i = 0; i < kToolBarEntryCount; ++i) list += std::wstring(kToolBarLabelChars, (wchar_t)(L'a' + i)) + L"|";
    std::wstring labels[kToolBarEntryCount];
    SplitToolBarLabels(list.c_str(), labels);
    const std::wstring joined = JoinToolBarLabels(labels);
    ASSERT_EQ(joined.size(), kToolBarEntryCount * (kToolBarLabelChars + 1) + 1);
    const wchar_t* p = joined.c_str();
    for (int i = 0; i < kToolBarEntryCount; ++i) {
        EXPECT_EQ(wcslen(p), kToolBarLabelChars) << i;
        EXPECT_EQ(p[0], (wchar_t)(L'a' + i));
        p += wcslen(p) + 1;
    }
    EXPECT_EQ(*p, 0);  // the list's end
}

TEST(ToolBarTips, SlotsOfSixtyFourCharacters) {
    wchar_t tips[kToolBarCommandCount][kToolBarTipSlot];
    SplitToolBarTips(nullptr, tips);
    EXPECT_STREQ(tips[0], L"Open Media (Ctrl+O)");
    EXPECT_STREQ(tips[17], L"About this Program");
    const std::wstring list = L"Offnen||" + std::wstring(70, L't');
    SplitToolBarTips(list.c_str(), tips);
    EXPECT_STREQ(tips[0], L"Offnen");
    EXPECT_STREQ(tips[1], L"Reload Media (Ctrl+R)");  // empty: built-in
    EXPECT_EQ(std::wstring(tips[2]), std::wstring(63, L't'));
    EXPECT_STREQ(tips[3], L"Previous Media (PageUp)");  // missing: built-in
}

// The states the rules are checked in.
ToolBarState NoDocument() { return ToolBarState{}; }
ToolBarState Picture(int files) {
    ToolBarState s;
    s.document = true;
    s.formatId = FMT_BMP;
    s.fileCount = files;
    return s;
}
ToolBarState WithFormat(int formatId) {
    ToolBarState s = Picture(5);
    s.formatId = formatId;
    return s;
}
ToolBarState Scanning() {
    ToolBarState s = Picture(5);
    s.scanBusy = true;
    return s;
}
ToolBarState Snapshots(bool undo, bool redo) {
    ToolBarState s;
    s.undoSnapshot = undo;
    s.redoSnapshot = redo;
    return s;
}
ToolBarState LoadingThumbnails() {
    ToolBarState s = Picture(5);
    s.thumbnailsLoading = true;
    return s;
}

constexpr int K = TB_RULE_KEEP, H = TB_RULE_HIDE, S = TB_RULE_SHOW;

TEST(ToolBarRules, ButtonsAreHiddenByTheState) {
    const int commands[] = {IDM_OPEN_MEDIA,
                            IDM_RELOAD_MEDIA,
                            IDM_BROWSE,
                            TB_SEPARATOR_OPEN,
                            IDM_PREVIOUS_MEDIA,
                            IDM_NEXT_MEDIA,
                            TB_SEPARATOR_BROWSE,
                            IDM_EXIT,
                            IDM_SAVE_AS,
                            IDM_PRINT,
                            IDM_ACQUIRE,
                            IDM_UNDO,
                            IDM_REDO,
                            TB_SEPARATOR_EDIT,
                            IDM_ZOOM_IN,
                            IDM_ZOOM_100,
                            IDM_ZOOM_OUT,
                            TB_SEPARATOR_ZOOM,
                            IDM_FILE_OPERATIONS,
                            IDM_SLIDESHOW,
                            TB_SEPARATOR_FILE,
                            IDM_SETTINGS,
                            IDM_ABOUT};
    struct {
        const char* name;
        ToolBarState state;
        int expected[kToolBarEntryCount];  // in table order
    } cases[] = {
        // Open Reload Browse -1 Prev Next -2 Exit Save Print Acq Undo Redo -3 In 100 Out -4 File Slide -5 Set About
        {"no document", NoDocument(), {K, H, S, K, H, H, H, K, H, H, K, H, H, K, H, H, H, H, H, H, H, K, K}},
        {"picture, many files", Picture(5), {K, S, S, S, S, S, S, K, S, S, K, H, H, K, S, S, S, S, S, S, S, K, K}},
        {"picture, one file", Picture(1), {K, S, S, S, H, H, H, K, S, S, K, H, H, K, S, S, S, S, S, H, S, K, K}},
        {"sound", WithFormat(FMT_SOUND), {K, S, S, S, S, S, S, K, H, H, K, H, H, K, H, H, H, H, S, S, S, K, K}},
        {"video", WithFormat(FMT_VIDEO), {K, S, S, S, S, S, S, K, H, H, K, H, H, K, S, S, S, S, S, S, S, K, K}},
        {"QuickTime", WithFormat(FMT_QTMOVIE), {K, S, S, S, S, S, S, K, H, H, K, H, H, K, S, S, S, S, S, S, S, K, K}},
        {"scan running", Scanning(), {K, S, H, S, H, H, H, K, S, S, K, H, H, K, S, S, S, S, S, H, S, K, K}},
        {"undo snapshot", Snapshots(true, false), {K, H, S, K, H, H, H, K, H, H, K, S,
                                                   H, K, H, H, H, H, H, H, H, K, K}},
        {"redo snapshot", Snapshots(false, true), {K, H, S, K, H, H, H, K, H, H, K, H,
                                                   S, K, H, H, H, H, H, H, H, K, K}},
        // While thumbnails load the File button keeps its state.
        {"thumbnails", LoadingThumbnails(), {K, S, S, S, S, S, S, K, S, S, K, H, H, K, S, S, S, S, K, S, S, K, K}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < kToolBarEntryCount; ++i) {
            EXPECT_EQ(ToolbarButtonTable[i].command, commands[i]);
            EXPECT_EQ((int)ToolBarButtonVisibility(commands[i], c.state), c.expected[i]) << "position " << i;
        }
    }
    ToolBarState running = Picture(5);
    running.slideShowRunning = true;
    EXPECT_TRUE(ToolBarButtonPressed(IDM_SLIDESHOW, running));
    running.fileCount = 1;  // the button is hidden then, and not left pressed
    EXPECT_FALSE(ToolBarButtonPressed(IDM_SLIDESHOW, running));
    ToolBarState browsing;
    browsing.browserShown = true;
    EXPECT_TRUE(ToolBarButtonPressed(IDM_BROWSE, browsing));
    EXPECT_FALSE(ToolBarButtonPressed(IDM_BROWSE, NoDocument()));
}

TEST(ToolBarRules, ChevronItemsAreGrayedLikeTheButtonsHide) {
    const int commands[] = {IDM_OPEN_MEDIA, IDM_RELOAD_MEDIA, IDM_BROWSE,   IDM_PREVIOUS_MEDIA, IDM_NEXT_MEDIA,
                            IDM_EXIT,       IDM_SAVE_AS,      IDM_PRINT,    IDM_ACQUIRE,        IDM_UNDO,
                            IDM_REDO,       IDM_ZOOM_IN,      IDM_ZOOM_100, IDM_ZOOM_OUT,       IDM_FILE_OPERATIONS,
                            IDM_SLIDESHOW,  IDM_SETTINGS,     IDM_ABOUT};
    struct {
        const char* name;
        ToolBarState state;
        bool grayed[kToolBarCommandCount];  // in the order above
    } cases[] = {
        // Open Rel Brw Prev Next Exit Save Prnt Acq Undo Redo In 100 Out File Slide Set About
        {"no document", NoDocument(), {0, 1, 0, 1, 1, 0, 1, 1, 0, 1, 1, 1, 1, 1, 1, 1, 0, 0}},
        {"picture", Picture(5), {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0}},
        {"one file", Picture(1), {0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 0}},
        {"sound", WithFormat(FMT_SOUND), {0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0}},
        {"video", WithFormat(FMT_VIDEO), {0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0}},
        {"snapshots", Snapshots(true, true), {0, 1, 0, 1, 1, 0, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < kToolBarCommandCount; ++i)
            EXPECT_EQ(ChevronItemGrayed(commands[i], c.state), c.grayed[i]) << commands[i];
    }
}

TEST(ToolBarRules, TablePositionCountsUsedEntries) {
    int used[kToolBarEntryCount] = {1, 0, 1, 1, 1, 1, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(ToolBarTablePosition(0, used), 0);
    EXPECT_EQ(ToolBarTablePosition(1, used), 2);  // Reload is not on the bar
    EXPECT_EQ(ToolBarTablePosition(6, used), 7);
    EXPECT_EQ(ToolBarTablePosition(7, used), 9);   // Save neither
    EXPECT_EQ(ToolBarTablePosition(8, used), 11);  // nor Acquire
    EXPECT_EQ(ToolBarTablePosition(19, used), 22);
    EXPECT_EQ(ToolBarTablePosition(20, used), -1);
    EXPECT_EQ(ToolBarTablePosition(-1, used), -1);
}

TEST(ToolBarGradient, RowsFollowTheFormula) {
    const COLORREF white = RGB(255, 255, 255), face = RGB(212, 208, 200);
    EXPECT_EQ(GradientRowColor(0, 24, white, face), white);
    // 255 - MulDiv(12, 43, 24) = 233 (21.5 rounds to 22), and so on per channel.
    EXPECT_EQ(GradientRowColor(12, 24, white, face), RGB(233, 231, 227));
    EXPECT_EQ(GradientRowColor(23, 24, white, face), RGB(214, 210, 202));
    // A dark window colour runs below zero and wraps modulo 256.
    EXPECT_EQ(GradientRowColor(12, 24, RGB(0, 0, 0), RGB(192, 192, 192)), RGB(224, 224, 224));
}

// ---- The real bar in a plain parent window ----

std::wstring g_labelsValue, g_tipsValue;
bool LookupForTest(const wchar_t* section, const wchar_t* key, wchar_t* out, int size) {
    const std::wstring* value = nullptr;
    if (!wcscmp(section, L"ToolbarLabels") && !wcscmp(key, L"Labels")) value = &g_labelsValue;
    if (!wcscmp(section, L"Tooltips") && !wcscmp(key, L"Toolbar")) value = &g_tipsValue;
    if (!value || value->empty()) return false;
    CopyStringW(out, value->c_str(), (size_t)size);
    return true;
}

// A CBT hook that refuses the creation of windows of one class.
const wchar_t* g_refusedClass = nullptr;
LRESULT CALLBACK RefuseCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && g_refusedClass) {
        wchar_t cls[64] = {};
        GetClassNameW((HWND)wParam, cls, 64);
        if (!lstrcmpiW(cls, g_refusedClass)) return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class MainToolBarWindow : public testing::Test {
protected:
    void SetUp() override {
        ResetSettingsToDefaults();
        AppState::Instance = GetModuleHandleW(nullptr);
        parent = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 200, nullptr, nullptr,
                                 AppState::Instance, nullptr);
        ASSERT_NE(parent, nullptr);
        before = AppState::ViewMargins;
    }
    void TearDown() override {
        MainToolBar.Destroy();
        SetToolBarTextLookup(nullptr);
        g_labelsValue.clear();
        g_tipsValue.clear();
        DestroyWindow(parent);
        AppState::CurrentImage.Destroy();
        AppState::CurrentFormatId = 0;
        ResetSettingsToDefaults();
        Pump();
    }
    // Command ids and separator count of the buttons on the bar.
    std::vector<int> Commands(int* separators = nullptr) const {
        std::vector<int> ids;
        const int count = (int)SendMessageW(MainToolBar.toolbar, TB_BUTTONCOUNT, 0, 0);
        if (separators) *separators = 0;
        for (int i = 0; i < count; ++i) {
            TBBUTTON b = {};
            SendMessageW(MainToolBar.toolbar, TB_GETBUTTON, i, (LPARAM)&b);
            ids.push_back(b.idCommand);
            if (separators && (b.fsStyle & BTNS_SEP)) ++*separators;
        }
        return ids;
    }
    bool Hidden(int command) const {
        return SendMessageW(MainToolBar.toolbar, TB_ISBUTTONHIDDEN, (WPARAM)command, 0) != 0;
    }
    std::wstring ButtonText(int command) const {
        wchar_t text[300] = {};
        SendMessageW(MainToolBar.toolbar, TB_GETBUTTONTEXTW, (WPARAM)command, (LPARAM)text);
        return text;
    }
    HWND parent = nullptr;
    RECT before = {};
};

TEST_F(MainToolBarWindow, DefaultFlagsGiveTwentyEntriesWithFiveSeparators) {
    ASSERT_TRUE(MainToolBar.Create(parent));
    ASSERT_TRUE(IsWindow(MainToolBar.rebar));
    ASSERT_TRUE(IsWindow(MainToolBar.toolbar));
    EXPECT_EQ(GetDlgCtrlID(MainToolBar.rebar), kMainRebarId);
    EXPECT_EQ(GetDlgCtrlID(MainToolBar.toolbar), kMainToolBarId);
    int separators = 0;
    const std::vector<int> ids = Commands(&separators);
    EXPECT_EQ(ids.size(), 20u);
    EXPECT_EQ(separators, 5);
    for (int absent : {IDM_RELOAD_MEDIA, IDM_SAVE_AS, IDM_ACQUIRE})
        EXPECT_EQ(std::count(ids.begin(), ids.end(), absent), 0) << absent;
    // Drop-down arrows on four buttons, File is a drop-down as a whole.
    TBBUTTONINFOW info = {sizeof(info), TBIF_STYLE};
    for (int command : {IDM_OPEN_MEDIA, IDM_BROWSE, IDM_ZOOM_100, IDM_SLIDESHOW}) {
        SendMessageW(MainToolBar.toolbar, TB_GETBUTTONINFOW, command, (LPARAM)&info);
        EXPECT_TRUE(info.fsStyle & BTNS_DROPDOWN) << command;
    }
    SendMessageW(MainToolBar.toolbar, TB_GETBUTTONINFOW, IDM_FILE_OPERATIONS, (LPARAM)&info);
    EXPECT_EQ(info.fsStyle & BTNS_WHOLEDROPDOWN, BTNS_WHOLEDROPDOWN);
}

TEST_F(MainToolBarWindow, MarginHeldOnceAfterTenRecreations) {
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(MainToolBar.Create(parent));
    RECT r = {};
    GetWindowRect(MainToolBar.rebar, &r);
    EXPECT_GT(MainToolBar.height, 0);
    EXPECT_EQ(MainToolBar.height, r.bottom - r.top);
    EXPECT_EQ(AppState::ViewMargins.top, before.top + MainToolBar.height);
    int rebars = 0;
    for (HWND w = FindWindowExW(parent, nullptr, REBARCLASSNAMEW, nullptr); w;
         w = FindWindowExW(parent, w, REBARCLASSNAMEW, nullptr))
        ++rebars;
    EXPECT_EQ(rebars, 1);
    EXPECT_TRUE(MainToolBar.Destroy());
    EXPECT_FALSE(MainToolBar.Destroy());
    EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &before));
    // Nothing works on a bar that is not there.
    EXPECT_FALSE(MainToolBar.Resize());
    EXPECT_FALSE(MainToolBar.UpdateButtonStates());
    EXPECT_FALSE(MainToolBar.UpdateIdealSize());
    NMTTDISPINFOW info = {};
    info.hdr.idFrom = IDM_ABOUT;
    EXPECT_FALSE(MainToolBar.GetTooltipText(&info));
}

TEST_F(MainToolBarWindow, LabelModes) {
    struct {
        DWORD mode;
        bool list;
        bool strings;
    } cases[] = {{0, false, false}, {1, false, true}, {2, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        AppState::ToolBarShowLabels = c.mode;
        ASSERT_TRUE(MainToolBar.Create(parent));
        const LONG_PTR style = GetWindowLongPtrW(MainToolBar.toolbar, GWL_STYLE);
        EXPECT_EQ((style & TBSTYLE_LIST) != 0, c.list);
        EXPECT_EQ(ButtonText(IDM_ZOOM_IN), c.strings ? L"Zoom In" : L"");
        EXPECT_EQ(ButtonText(IDM_ABOUT), c.strings ? L"About" : L"");
        TBBUTTONINFOW info = {sizeof(info), TBIF_STYLE};
        SendMessageW(MainToolBar.toolbar, TB_GETBUTTONINFOW, IDM_EXIT, (LPARAM)&info);
        EXPECT_EQ((info.fsStyle & BTNS_SHOWTEXT) != 0, c.strings);
    }
}

TEST_F(MainToolBarWindow, ShortLabelListTakesBuiltInsForTheRest) {
    SetToolBarTextLookup(LookupForTest);
    g_labelsValue = L"Offnen|Neu laden|Ordner|SEP|Zuruck";
    ASSERT_TRUE(MainToolBar.Create(parent));
    EXPECT_EQ(ButtonText(IDM_OPEN_MEDIA), L"Offnen");
    EXPECT_EQ(ButtonText(IDM_BROWSE), L"Ordner");
    EXPECT_EQ(ButtonText(IDM_PREVIOUS_MEDIA), L"Zuruck");
    EXPECT_EQ(ButtonText(IDM_NEXT_MEDIA), L"Next");
    EXPECT_EQ(ButtonText(IDM_SLIDESHOW), L"Slideshow");
    EXPECT_EQ(ButtonText(IDM_ABOUT), L"About");
}

TEST_F(MainToolBarWindow, TipsComeFromTheirSlots) {
    SetToolBarTextLookup(LookupForTest);
    g_tipsValue = L"Medium offnen|" + std::wstring(70, L'n');
    ASSERT_TRUE(MainToolBar.Create(parent));
    NMTTDISPINFOW info = {};
    info.hdr.idFrom = IDM_OPEN_MEDIA;
    ASSERT_TRUE(MainToolBar.GetTooltipText(&info));
    EXPECT_STREQ(info.lpszText, L"Medium offnen");
    info.hdr.idFrom = IDM_RELOAD_MEDIA;
    ASSERT_TRUE(MainToolBar.GetTooltipText(&info));
    EXPECT_EQ(std::wstring(info.lpszText), std::wstring(63, L'n'));
    info.hdr.idFrom = IDM_ABOUT;
    ASSERT_TRUE(MainToolBar.GetTooltipText(&info));
    EXPECT_STREQ(info.lpszText, L"About this Program");
    info.hdr.idFrom = IDM_BROWSER_UP;  // another bar's button
    EXPECT_FALSE(MainToolBar.GetTooltipText(&info));
}

TEST_F(MainToolBarWindow, StatesHideButtonsOnTheBar) {
    AppState::ToolBarBtnUsed[8] = 1;  // Save on the bar too
    ASSERT_TRUE(MainToolBar.Create(parent));
    ASSERT_TRUE(MainToolBar.UpdateButtonStates());
    for (int command : {IDM_SAVE_AS, IDM_PRINT, IDM_PREVIOUS_MEDIA, IDM_ZOOM_IN, IDM_FILE_OPERATIONS, IDM_UNDO,
                        (int)TB_SEPARATOR_ZOOM})
        EXPECT_TRUE(Hidden(command)) << command;
    for (int command : {IDM_OPEN_MEDIA, IDM_BROWSE, IDM_EXIT, IDM_SETTINGS, IDM_ABOUT}) EXPECT_FALSE(Hidden(command));
    const int zoomOffset = MainToolBar.ButtonOffset(IDM_ZOOM_IN);
    EXPECT_EQ(zoomOffset, -1);  // not shown: no cursor snapping to it

    // A sound file: Save, Print and the zoom group stay hidden, Reload shows.
    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(4, 4, 24, 0, nullptr));
    AppState::CurrentFormatId = FMT_SOUND;
    MainToolBar.UpdateButtonStates();
    for (int command : {IDM_SAVE_AS, IDM_PRINT, IDM_ZOOM_IN, IDM_ZOOM_100, IDM_ZOOM_OUT, (int)TB_SEPARATOR_ZOOM})
        EXPECT_TRUE(Hidden(command)) << command;
    EXPECT_FALSE(Hidden(IDM_FILE_OPERATIONS));

    AppState::CurrentFormatId = FMT_BMP;
    MainToolBar.UpdateButtonStates();
    for (int command : {IDM_SAVE_AS, IDM_PRINT, IDM_ZOOM_IN, IDM_ZOOM_OUT}) EXPECT_FALSE(Hidden(command)) << command;
    RECT r = {};
    SendMessageW(MainToolBar.toolbar, TB_GETRECT, IDM_ZOOM_IN, (LPARAM)&r);
    EXPECT_EQ(MainToolBar.ButtonOffset(IDM_ZOOM_IN), r.left);
    EXPECT_GT(r.left, 0);
}

TEST_F(MainToolBarWindow, FailedRebarLeavesNothingCreated) {
    g_refusedClass = REBARCLASSNAMEW;
    HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseCreation, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const bool made = MainToolBar.Create(parent);
    UnhookWindowsHookEx(hook);
    g_refusedClass = nullptr;
    EXPECT_FALSE(made);
    EXPECT_FALSE(MainToolBar.created);
    EXPECT_EQ(MainToolBar.height, 0);
    EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &before));
    EXPECT_EQ(FindWindowExW(parent, nullptr, TOOLBARCLASSNAMEW, nullptr), nullptr);
    EXPECT_FALSE(MainToolBar.UpdateButtonStates());
    EXPECT_FALSE(MainToolBar.Destroy());
    EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &before));
}

TEST_F(MainToolBarWindow, FailedToolbarWindowIsReportedAndTheBandStaysEmpty) {
    qrvtest::MessageCapture capture;
    g_refusedClass = TOOLBARCLASSNAMEW;
    HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseCreation, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    const bool made = MainToolBar.Create(parent);
    UnhookWindowsHookEx(hook);
    g_refusedClass = nullptr;
    EXPECT_TRUE(made);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], L"Failed to create Toolbarwindow!");
    EXPECT_EQ(MainToolBar.toolbar, nullptr);
    EXPECT_EQ(SendMessageW(MainToolBar.rebar, RB_GETBANDCOUNT, 0, 0), 0);
    EXPECT_EQ(AppState::ViewMargins.top, before.top + MainToolBar.height);
    EXPECT_FALSE(MainToolBar.UpdateButtonStates());
    NMTTDISPINFOW info = {};
    info.hdr.idFrom = IDM_ABOUT;
    EXPECT_TRUE(MainToolBar.GetTooltipText(&info));
    EXPECT_TRUE(MainToolBar.Destroy());
    EXPECT_TRUE(EqualRect(&AppState::ViewMargins, &before));
}

TEST_F(MainToolBarWindow, GradientBandBackground) {
    ASSERT_TRUE(MainToolBar.Create(parent));
    ASSERT_NE(MainToolBar.background, nullptr);
    BITMAP info = {};
    GetObjectW(MainToolBar.background, sizeof(info), &info);
    const DWORD size = (DWORD)SendMessageW(MainToolBar.toolbar, TB_GETBUTTONSIZE, 0, 0);
    EXPECT_EQ(info.bmWidth, 32);
    EXPECT_EQ(info.bmHeight, HIWORD(size) + 4);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, MainToolBar.background);
    const COLORREF window = GetSysColor(COLOR_WINDOW), face = GetSysColor(COLOR_BTNFACE);
    for (int y : {0, (int)info.bmHeight / 2, (int)info.bmHeight - 1})
        EXPECT_EQ(GetPixel(dc, 5, y), GetNearestColor(dc, GradientRowColor(y, info.bmHeight, window, face))) << y;
    SelectObject(dc, old);
    DeleteDC(dc);

    AppState::ToolBarBackgroundType = 1;
    ASSERT_TRUE(MainToolBar.Create(parent));
    EXPECT_EQ(MainToolBar.background, nullptr);
}

// ---- The skin's button strips ----

// Writes a 24-bit strip of count cells of cx by cy, magenta background.
void WriteStrip(const std::wstring& path, int cx, int cy, int count) {
    CImage strip;
    ASSERT_TRUE(strip.CreateEmpty(cx * count, cy, 24, RGB(255, 0, 255), nullptr));
    for (int i = 0; i < count; ++i) strip.FillRect({i * cx + 2, 2, cx - 4, cy - 4}, RGB(i * 10, 0, 0));
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    ASSERT_TRUE(SaveImageFile(path.c_str(), strip, error, SaveOptionsFromSettings())) << qrvtest::Narrow(error);
}

TEST_F(MainToolBarWindow, ButtonImagesFromTheSkinStrips) {
    wchar_t folder[MAX_PATH] = {};
    Skin.GetSkinsFolder(folder);
    CreateDirectoryW(folder, nullptr);
    const std::wstring base = std::wstring(folder) + L"\\QrvBarTest";
    ASSERT_TRUE(WritePrivateProfileStringW(L"Skin", L"cxButton", L"20", (base + L".ini").c_str()));
    ASSERT_TRUE(WritePrivateProfileStringW(L"Skin", L"cyButton", L"18", (base + L".ini").c_str()));
    WriteStrip(base + L"Cold.bmp", 20, 18, 18);
    WriteStrip(base + L"Hot.bmp", 20, 18, 18);
    wchar_t savedSkin[MAX_PATH];
    CopyStringW(savedSkin, AppState::SkinName);
    Skin.Load(L"QrvBarTest");
    CopyStringW(AppState::SkinName, L"QrvBarTest");
    const bool made = MainToolBar.Create(parent);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(MainToolBar.coldImages, &cx, &cy);
    const int cold = ImageList_GetImageCount(MainToolBar.coldImages);
    const int hot = ImageList_GetImageCount(MainToolBar.hotImages);
    // Without the hot strip the hot list stays empty.
    DeleteFileW((base + L"Hot.bmp").c_str());
    MainToolBar.Create(parent);
    const int hotMissing = ImageList_GetImageCount(MainToolBar.hotImages);
    const int coldStill = ImageList_GetImageCount(MainToolBar.coldImages);
    DeleteFileW((base + L"Cold.bmp").c_str());
    DeleteFileW((base + L".ini").c_str());
    Skin.Load(savedSkin);
    CopyStringW(AppState::SkinName, savedSkin);
    ASSERT_TRUE(made);
    EXPECT_EQ(cx, 20);
    EXPECT_EQ(cy, 18);
    EXPECT_EQ(cold, 18);
    EXPECT_EQ(hot, 18);
    EXPECT_EQ(hotMissing, 0);
    EXPECT_EQ(coldStill, 18);
}

// ---- The context menu and the chevron menu, through the tracking seam ----

struct TrackedItem {
    UINT id;
    std::wstring text;
    UINT state;
};
std::vector<TrackedItem> g_tracked;
int g_trackCount = 0;
HWND g_trackOwner = nullptr;
UINT g_trackChoice = 0;

UINT RecordingTracker(HMENU popup, UINT, int, int, HWND owner) {
    ++g_trackCount;
    g_trackOwner = owner;
    g_tracked.clear();
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        wchar_t text[300] = {};
        GetMenuStringW(popup, (UINT)i, text, 300, MF_BYPOSITION);
        g_tracked.push_back({GetMenuItemID(popup, i), text, GetMenuState(popup, (UINT)i, MF_BYPOSITION)});
    }
    return g_trackChoice;
}

// The recording tracker in place of the modal loop while it lives.
struct RecordingScope {
    RecordingScope() {
        g_tracked.clear();
        g_trackCount = 0;
        g_trackChoice = 0;
        SetPopupTracker(RecordingTracker);
    }
    ~RecordingScope() { SetPopupTracker(nullptr); }
};

class MainToolBarMenus : public MainToolBarWindow {
protected:
    RecordingScope recording;
    bool Checked(UINT id) const {
        for (const TrackedItem& item : g_tracked)
            if (item.id == id) return (item.state & MF_CHECKED) != 0;
        ADD_FAILURE() << "no item " << id;
        return false;
    }
    void OpenContextMenu() {
        RECT r = {};
        GetWindowRect(MainToolBar.toolbar, &r);
        SendMessageW(MainToolBar.toolbar, WM_CONTEXTMENU, (WPARAM)MainToolBar.toolbar,
                     MAKELPARAM(r.left + 3, r.top + 3));
        Pump();
    }
};

TEST_F(MainToolBarMenus, ContextMenuChecksAndCommands) {
    AppState::ToolBarShowLabels = 2;
    ASSERT_TRUE(MainToolBar.Create(parent));
    OpenContextMenu();
    ASSERT_EQ(g_trackCount, 1);
    EXPECT_EQ(g_trackOwner, MainToolBar.toolbar);
    EXPECT_TRUE(Checked(IDM_SHOW_TOOLBAR));
    EXPECT_TRUE(Checked(IDM_TOOLBAR_TIPS));
    EXPECT_TRUE(Checked(IDM_TOOLBAR_LABELS_RIGHT));
    EXPECT_FALSE(Checked(IDM_TOOLBAR_LABELS_BELOW));
    EXPECT_FALSE(Checked(IDM_TOOLBAR_LABELS_NONE));

    // A point outside the bar opens nothing.
    SendMessageW(MainToolBar.toolbar, WM_CONTEXTMENU, 0, MAKELPARAM(5000, 5000));
    EXPECT_EQ(g_trackCount, 1);

    // Tooltips off takes effect at once, without a new bar.
    HWND bar = MainToolBar.toolbar;
    g_trackChoice = IDM_TOOLBAR_TIPS;
    OpenContextMenu();
    EXPECT_EQ(AppState::ToolBarShowToolTips, 0);
    EXPECT_EQ(MainToolBar.toolbar, bar);

    // Labels below: the bar is built anew without the list style, the margin once.
    g_trackChoice = IDM_TOOLBAR_LABELS_BELOW;
    OpenContextMenu();
    EXPECT_EQ(AppState::ToolBarShowLabels, 1);
    ASSERT_TRUE(MainToolBar.created);
    EXPECT_EQ(GetWindowLongPtrW(MainToolBar.toolbar, GWL_STYLE) & TBSTYLE_LIST, 0);
    EXPECT_EQ(AppState::ViewMargins.top, before.top + MainToolBar.height);
    g_trackChoice = 0;
    OpenContextMenu();
    EXPECT_TRUE(Checked(IDM_TOOLBAR_LABELS_BELOW));
    EXPECT_FALSE(Checked(IDM_TOOLBAR_TIPS));
}

// The used command buttons of the table from position on.
std::vector<UINT> UsedCommandsFrom(int position) {
    std::vector<UINT> ids;
    for (int p = position; p < kToolBarEntryCount; ++p)
        if (ToolbarButtonTable[p].command > 0 && AppState::ToolBarBtnUsed[p])
            ids.push_back((UINT)ToolbarButtonTable[p].command);
    return ids;
}

class ChevronOnMainWindow : public apptest::MainWindowFixture {
protected:
    void TearDown() override {
        MainWindowFixture::TearDown();
        AppState::CurrentFormatId = 0;
    }
    RecordingScope recording;
};

// The window is made narrow, the rebar hit-tested for its chevron and clicked
// there: the menu lists the used buttons from the first clipped one, grayed by
// the state.
TEST_F(ChevronOnMainWindow, ClickOnTheChevronListsTheClippedButtons) {
    ASSERT_TRUE(MainToolBar.created);
    // A picture shows the zoom and file buttons; labels at the right make them wide.
    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(4, 4, 24, 0, nullptr));
    AppState::CurrentFormatId = FMT_BMP;
    AppState::ToolBarShowLabels = 2;
    ASSERT_TRUE(MainToolBar.Create(window));
    SetWindowPos(window, nullptr, 0, 0, 200, 300, SWP_NOZORDER | SWP_NOMOVE);
    ShowWindow(window, SW_SHOWNORMAL);
    Pump();
    MainToolBar.UpdateButtonStates();
    Pump();
    RECT client = {};
    GetClientRect(MainToolBar.rebar, &client);
    POINT chevron = {-1, -1};
    for (int x = client.right - 1; x > 0 && chevron.x < 0; --x) {
        RBHITTESTINFO hit = {};
        hit.pt = {x, (client.top + client.bottom) / 2};
        SendMessageW(MainToolBar.rebar, RB_HITTEST, 0, (LPARAM)&hit);
        if (hit.flags == RBHT_CHEVRON) chevron = hit.pt;
    }
    ASSERT_GE(chevron.x, 0) << "no chevron on a narrow bar";

    // The first clipped button, found from the button rectangles.
    RECT band = {};
    SendMessageW(MainToolBar.rebar, RB_GETRECT, 0, (LPARAM)&band);
    MapWindowPoints(MainToolBar.rebar, MainToolBar.toolbar, reinterpret_cast<POINT*>(&band), 2);
    RECT bar = {};
    GetClientRect(MainToolBar.toolbar, &bar);
    const LONG visibleRight = band.right < bar.right ? band.right : bar.right;
    int firstClipped = -1;
    const int count = (int)SendMessageW(MainToolBar.toolbar, TB_BUTTONCOUNT, 0, 0);
    for (int i = 0; i < count && firstClipped < 0; ++i) {
        RECT r = {};
        if (SendMessageW(MainToolBar.toolbar, TB_GETITEMRECT, i, (LPARAM)&r) && r.right > visibleRight)
            firstClipped = i;
    }
    ASSERT_GT(firstClipped, 0);
    TBBUTTON b = {};
    SendMessageW(MainToolBar.toolbar, TB_GETBUTTON, firstClipped, (LPARAM)&b);

    PostMessageW(MainToolBar.rebar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(chevron.x, chevron.y));
    PostMessageW(MainToolBar.rebar, WM_LBUTTONUP, 0, MAKELPARAM(chevron.x, chevron.y));
    for (int i = 0; i < 50 && !g_trackCount; ++i) {
        Pump();
        Sleep(10);
    }
    ASSERT_EQ(g_trackCount, 1);
    EXPECT_EQ(g_trackOwner, window);
    int position = 0;
    while (ToolbarButtonTable[position].command != b.idCommand) ++position;
    std::vector<UINT> expected = UsedCommandsFrom(position);
    ASSERT_EQ(g_tracked.size(), expected.size());
    ASSERT_FALSE(expected.empty());
    const ToolBarState state = CollectToolBarState();
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(g_tracked[i].id, expected[i]);
        const int p = [&] {
            for (int q = 0; q < kToolBarEntryCount; ++q)
                if ((UINT)ToolbarButtonTable[q].command == expected[i]) return q;
            return 0;
        }();
        EXPECT_EQ(g_tracked[i].text, ToolbarButtonTable[p].label);
        EXPECT_EQ((g_tracked[i].state & MF_GRAYED) != 0, ChevronItemGrayed((int)expected[i], state)) << expected[i];
    }
    EXPECT_EQ(g_tracked.back().id, (UINT)IDM_ABOUT);
}

std::vector<UINT> g_ranCommands;
void RecordRun(UINT id, bool) { g_ranCommands.push_back(id); }

// A click on a button reaches the main window's commands through the rebar;
// a drop-down arrow's menu is tracked through the same tracker, below the button.
TEST_F(ChevronOnMainWindow, ButtonsAndDropDownsReachTheMainWindow) {
    ASSERT_TRUE(MainToolBar.created);
    ShowWindow(window, SW_SHOWNORMAL);
    Pump();
    g_ranCommands.clear();
    SetCommandRunHook(RecordRun);
    RECT r = {};
    ASSERT_TRUE(SendMessageW(MainToolBar.toolbar, TB_GETRECT, IDM_SETTINGS, (LPARAM)&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(MainToolBar.toolbar, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(MainToolBar.toolbar, WM_LBUTTONUP, 0, at);
    Pump();
    SetCommandRunHook(nullptr);
    EXPECT_EQ(g_ranCommands, std::vector<UINT>{IDM_SETTINGS});

    ASSERT_TRUE(AppState::CurrentImage.CreateEmpty(4, 4, 24, 0, nullptr));
    AppState::CurrentFormatId = FMT_BMP;
    MainToolBar.UpdateButtonStates();
    NMTOOLBARW notify = {};
    notify.hdr.hwndFrom = MainToolBar.toolbar;
    notify.hdr.idFrom = kMainToolBarId;
    notify.hdr.code = TBN_DROPDOWN;
    notify.iItem = IDM_ZOOM_100;
    SendMessageW(window, WM_NOTIFY, kMainToolBarId, (LPARAM)&notify);
    ASSERT_EQ(g_trackCount, 1);
    EXPECT_EQ(g_trackOwner, window);
    ASSERT_EQ(g_tracked.size(), 3u);
    EXPECT_EQ(g_tracked[0].id, (UINT)IDM_FIT_TO_AREA);
    EXPECT_EQ(g_tracked[2].id, (UINT)IDM_FIT_TO_HEIGHT);
}

}  // namespace
