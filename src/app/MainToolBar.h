// The main tool bar: one rebar band across the top of the main window holding
// a tool bar of 23 configurable entries (18 command buttons, 5 separators),
// with labels, tips, drop-down arrows and the rebar's chevron menu for buttons
// that do not fit. Buttons that are unavailable in the current state are
// hidden, not grayed. Every re-creation is a full Destroy and Create, so the
// top view margin always holds the bar's height once.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "command_ids.h"

// The main tool bar's command buttons in their order on the bar (separators
// left out). Clicks reach the command table as WM_COMMAND; IDM_FILE_OPERATIONS
// only opens its drop-down menu.
inline constexpr UINT kMainToolBarCommands[] = {
    IDM_OPEN_MEDIA, IDM_RELOAD_MEDIA, IDM_BROWSE,          IDM_PREVIOUS_MEDIA, IDM_NEXT_MEDIA, IDM_EXIT,
    IDM_SAVE_AS,    IDM_PRINT,        IDM_ACQUIRE,         IDM_UNDO,           IDM_REDO,       IDM_ZOOM_IN,
    IDM_ZOOM_100,   IDM_ZOOM_OUT,     IDM_FILE_OPERATIONS, IDM_SLIDESHOW,      IDM_SETTINGS,   IDM_ABOUT,
};

inline constexpr int kToolBarEntryCount = 23;
inline constexpr int kToolBarCommandCount = 18;
// A label is kept to this many characters; a tip to its slot less one.
inline constexpr size_t kToolBarLabelChars = 259;
inline constexpr size_t kToolBarTipSlot = 64;
// Window ids of the rebar and its tool bar.
inline constexpr int kMainRebarId = 13002;
inline constexpr int kMainToolBarId = 13003;

// The separators' command ids: -1 to -5 in their order on the bar.
enum : int {
    TB_SEPARATOR_OPEN = -1,
    TB_SEPARATOR_BROWSE = -2,
    TB_SEPARATOR_EDIT = -3,
    TB_SEPARATOR_ZOOM = -4,
    TB_SEPARATOR_FILE = -5
};

enum ToolBarEntryStyle : unsigned char {
    TB_ENTRY_BUTTON,
    TB_ENTRY_SEPARATOR,
    TB_ENTRY_DROPDOWN,
    TB_ENTRY_WHOLEDROPDOWN
};

struct ToolBarEntry {
    int command;  // negative: a separator
    int image;    // cell of the skin's Cold/Hot strips; -1 for a separator
    ToolBarEntryStyle style;
    const wchar_t* label;  // built-in label ("SEP" for a separator)
    const wchar_t* tip;    // built-in tip; null for a separator
};
// The bar's 23 entries; an entry's label index is its position. Whether an
// entry is on the bar is AppState::ToolBarBtnUsed[position].
extern const ToolBarEntry ToolbarButtonTable[kToolBarEntryCount];

// Reads a text of the language file into out (size characters); false when
// there is none, then the built-in text is used. Null: built-ins only.
using ToolBarTextLookup = bool (*)(const wchar_t* section, const wchar_t* key, wchar_t* out, int size);
void SetToolBarTextLookup(ToolBarTextLookup lookup);

// The 23 labels from a "Labels" list ("Open|Reload|Browse|SEP|..."): an entry
// that is missing or empty takes the built-in label, and each is cut to
// kToolBarLabelChars. A null or empty list gives the built-ins.
void SplitToolBarLabels(const wchar_t* list, std::wstring (&labels)[kToolBarEntryCount]);
// The labels as TB_ADDSTRING takes them: each ended by a zero, then one more.
std::wstring JoinToolBarLabels(const std::wstring (&labels)[kToolBarEntryCount]);
// The 18 tips from a "Toolbar" tip list in the order of the command buttons,
// each in a slot of kToolBarTipSlot characters; missing or empty ones built-in.
void SplitToolBarTips(const wchar_t* list, wchar_t (&tips)[kToolBarCommandCount][kToolBarTipSlot]);

// What the bar's button states are made from, read by CollectToolBarState.
struct ToolBarState {
    bool document = false;  // the viewer holds a valid picture
    int formatId = 0;
    int fileCount = 0;  // entries of the folder's file list
    bool scanBusy = false;
    bool slideShowRunning = false;
    bool browserShown = false;
    bool thumbnailsLoading = false;
    bool undoSnapshot = false;
    bool redoSnapshot = false;
};
ToolBarState CollectToolBarState();

enum ToolBarButtonRule : int { TB_RULE_KEEP = -1, TB_RULE_HIDE = 0, TB_RULE_SHOW = 1 };
// Whether the entry with this command id (separators too) is shown, hidden or
// left as it is in the given state.
ToolBarButtonRule ToolBarButtonVisibility(int command, const ToolBarState& state);
// Whether the button is drawn pressed (Browse with the browser shown, the
// slideshow button while a slideshow runs).
bool ToolBarButtonPressed(int command, const ToolBarState& state);
// Whether the chevron menu grays the command's item.
bool ChevronItemGrayed(int command, const ToolBarState& state);
// The table position of the bar's button at buttonIndex (counted over the
// used entries); -1 when there is no such button.
int ToolBarTablePosition(int buttonIndex, const int (&used)[kToolBarEntryCount]);

// Colour of row y of the band's gradient of the given height: each channel is
// the window colour's less MulDiv(y, 255 - the face colour's, height), modulo 256.
COLORREF GradientRowColor(int y, int height, COLORREF window, COLORREF face);

class CMainToolBar {
public:
    CMainToolBar() = default;
    ~CMainToolBar();
    CMainToolBar(const CMainToolBar&) = delete;
    CMainToolBar& operator=(const CMainToolBar&) = delete;

    // Builds the rebar and the bar in parent, destroying an existing one
    // first. False (nothing created, no margin taken) when the rebar cannot be made.
    bool Create(HWND parent);
    bool Destroy();
    bool Resize();
    bool UpdateButtonStates();
    bool UpdateIdealSize();
    bool GetTooltipText(NMTTDISPINFOW* info);
    bool HideButton(int command, bool hide);
    // The rebar's chevron was pushed: the used buttons from the first one that
    // does not fit on, as a popup menu below the chevron owned by owner.
    bool ShowChevronMenu(const NMREBARCHEVRON* notify, HWND owner);
    // x offset inside the tool bar of the button of Zoom In, Zoom Out, Zoom 100 %,
    // Next or Previous (IDM_ZOOM_IN ... IDM_PREVIOUS_MEDIA); -1 when the
    // button is not shown (then the cursor is not snapped to it).
    int ButtonOffset(UINT command) const;
    void SetButtonOffset(UINT command, int offset);

    HWND rebar = nullptr;
    HWND toolbar = nullptr;
    bool created = false;
    int height = 0;  // the rebar's height, part of the top view margin
    HIMAGELIST coldImages = nullptr;
    HIMAGELIST hotImages = nullptr;
    WNDPROC previousProc = nullptr;
    HWND parent = nullptr;
    int zoomInOffset = -1, zoomOutOffset = -1, zoom100Offset = -1, nextOffset = -1, previousOffset = -1;
    HBITMAP background = nullptr;  // the band's gradient
    wchar_t tips[kToolBarCommandCount][kToolBarTipSlot] = {};

    bool CreateToolbarWindow();
    HBITMAP CreateBackgroundBitmap(int width, int height) const;
    void LoadButtonImages(int cx, int cy);
    // The context menu's commands (labels, tips, show, customize).
    void OnMenuCommand(UINT id);
    bool ShowContextMenu(POINT screen);
};

LRESULT CALLBACK MainToolBarSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

extern CMainToolBar MainToolBar;
