#include "app/MainToolBar.h"

#include <windowsx.h>

#include <cwchar>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/ImageSnapshot.h"
#include "app/MainMenu.h"
#include "app/PopupTracking.h"
#include "app/SettingsSheet.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "browser/FileList.h"
#include "browser/ThumbnailLoader.h"
#include "formats/FormatCodecs.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Image.h"

CMainToolBar MainToolBar;

const ToolBarEntry ToolbarButtonTable[kToolBarEntryCount] = {
    {IDM_OPEN_MEDIA, 0, TB_ENTRY_DROPDOWN, L"Open", L"Open Media (Ctrl+O)"},
    {IDM_RELOAD_MEDIA, 12, TB_ENTRY_BUTTON, L"Reload", L"Reload Media (Ctrl+R)"},
    {IDM_BROWSE, 14, TB_ENTRY_DROPDOWN, L"Browse", L"Browse a Folder(Return)"},
    {TB_SEPARATOR_OPEN, -1, TB_ENTRY_SEPARATOR, L"SEP", nullptr},
    {IDM_PREVIOUS_MEDIA, 10, TB_ENTRY_BUTTON, L"Prev", L"Previous Media (PageUp)"},
    {IDM_NEXT_MEDIA, 9, TB_ENTRY_BUTTON, L"Next", L"Next Media (PageDown)"},
    {TB_SEPARATOR_BROWSE, -1, TB_ENTRY_SEPARATOR, L"SEP", nullptr},
    {IDM_EXIT, 1, TB_ENTRY_BUTTON, L"Exit", L"Exit Program (Escape)"},
    {IDM_SAVE_AS, 2, TB_ENTRY_BUTTON, L"Save", L"Save Image As (Ctrl+S)"},
    {IDM_PRINT, 3, TB_ENTRY_BUTTON, L"Print", L"Print Image (Ctrl+P)"},
    {IDM_ACQUIRE, 15, TB_ENTRY_BUTTON, L"Acquire", L"Acquire Image"},
    {IDM_UNDO, 16, TB_ENTRY_BUTTON, L"Undo", L"Undo previous Action (Ctrl+Z)"},
    {IDM_REDO, 17, TB_ENTRY_BUTTON, L"Redo", L"Redo previous Action (Ctrl+Y)"},
    {TB_SEPARATOR_EDIT, -1, TB_ENTRY_SEPARATOR, L"SEP", nullptr},
    {IDM_ZOOM_IN, 4, TB_ENTRY_BUTTON, L"Zoom In", L"Zoom In (+)"},
    {IDM_ZOOM_100, 5, TB_ENTRY_DROPDOWN, L"Zoom 100", L"Zoom 100% (*)"},
    {IDM_ZOOM_OUT, 6, TB_ENTRY_BUTTON, L"Zoom Out", L"Zoom Out (-)"},
    {TB_SEPARATOR_ZOOM, -1, TB_ENTRY_SEPARATOR, L"SEP", nullptr},
    {IDM_FILE_OPERATIONS, 8, TB_ENTRY_WHOLEDROPDOWN, L"File", L"Choose File Operations"},
    {IDM_SLIDESHOW, 11, TB_ENTRY_DROPDOWN, L"Slideshow", L"Start or Stop a Slideshow (Ctrl+Shift+S)"},
    {TB_SEPARATOR_FILE, -1, TB_ENTRY_SEPARATOR, L"SEP", nullptr},
    {IDM_SETTINGS, 13, TB_ENTRY_BUTTON, L"Settings", L"Configure the Program"},
    {IDM_ABOUT, 7, TB_ENTRY_BUTTON, L"About", L"About this Program"},
};

namespace {

ToolBarTextLookup g_textLookup = nullptr;

// A language text, or an empty string when there is none.
std::wstring LookupText(const wchar_t* section, const wchar_t* key, size_t capacity) {
    if (!g_textLookup) return {};
    std::wstring text(capacity + 1, L'\0');
    if (!g_textLookup(section, key, text.data(), (int)text.size())) return {};
    text.resize(wcsnlen(text.c_str(), text.size()));
    return text;
}

// Calls each(index, begin, length) for the entries of a "|" list, at most count.
template <typename Each>
void ForEachListEntry(const wchar_t* list, int count, Each each) {
    if (!list || !*list) return;
    const wchar_t* begin = list;
    for (int i = 0; i < count; ++i) {
        const wchar_t* end = wcschr(begin, L'|');
        const size_t length = end ? (size_t)(end - begin) : wcslen(begin);
        each(i, begin, length);
        if (!end) return;
        begin = end + 1;
    }
}

bool IsPlayerFormat(int formatId) { return formatId == FMT_VIDEO || formatId == FMT_SOUND || formatId == FMT_QTMOVIE; }

int CommandIndex(int command) {
    for (int i = 0; i < kToolBarCommandCount; ++i)
        if ((int)kMainToolBarCommands[i] == command) return i;
    return -1;
}

}  // namespace

void SetToolBarTextLookup(ToolBarTextLookup lookup) { g_textLookup = lookup; }

void SplitToolBarLabels(const wchar_t* list, std::wstring (&labels)[kToolBarEntryCount]) {
    for (int i = 0; i < kToolBarEntryCount; ++i) labels[i] = ToolbarButtonTable[i].label;
    // An empty label would end TB_ADDSTRING's list early and shift every later
    // one, so it keeps the built-in label.
    ForEachListEntry(list, kToolBarEntryCount, [&labels](int i, const wchar_t* begin, size_t length) {
        if (length) labels[i].assign(begin, length < kToolBarLabelChars ? length : kToolBarLabelChars);
    });
}

std::wstring JoinToolBarLabels(const std::wstring (&labels)[kToolBarEntryCount]) {
    std::wstring joined;
    for (const std::wstring& label : labels) {
        joined += label;
        joined += L'\0';
    }
    joined += L'\0';
    return joined;
}

void SplitToolBarTips(const wchar_t* list, wchar_t (&tips)[kToolBarCommandCount][kToolBarTipSlot]) {
    int command = 0;
    for (const ToolBarEntry& entry : ToolbarButtonTable)
        if (entry.tip) CopyStringW(tips[command++], entry.tip, kToolBarTipSlot);
    ForEachListEntry(list, kToolBarCommandCount, [&tips](int i, const wchar_t* begin, size_t length) {
        if (!length) return;
        const size_t kept = length < kToolBarTipSlot - 1 ? length : kToolBarTipSlot - 1;
        wmemcpy(tips[i], begin, kept);
        tips[i][kept] = 0;
    });
}

ToolBarState CollectToolBarState() {
    ToolBarState s;
    s.document = AppState::CurrentImage.IsValid();
    s.formatId = AppState::CurrentFormatId;
    s.fileCount = FileList::Entries ? FileList::Count : 0;
    s.scanBusy = FileList::ScanBusy != 0;
    s.slideShowRunning = AppState::SlideShowRunning;
    s.browserShown = Browser.IsShown();
    s.thumbnailsLoading = ThumbLoader::Running;
    s.undoSnapshot = UndoSnapshot.IsValid();
    s.redoSnapshot = RedoSnapshot.IsValid();
    return s;
}

ToolBarButtonRule ToolBarButtonVisibility(int command, const ToolBarState& s) {
    const auto rule = [](bool shown) { return shown ? TB_RULE_SHOW : TB_RULE_HIDE; };
    const bool stepping = s.document && s.fileCount > 1 && !s.scanBusy;
    switch (command) {
    case IDM_BROWSE: return rule(!s.scanBusy);
    case IDM_RELOAD_MEDIA: return rule(s.document);
    case TB_SEPARATOR_OPEN: return s.document ? TB_RULE_SHOW : TB_RULE_KEEP;
    case IDM_SAVE_AS:
    case IDM_PRINT: return rule(s.document && !IsPlayerFormat(s.formatId));
    case IDM_PREVIOUS_MEDIA:
    case IDM_NEXT_MEDIA:
    case IDM_SLIDESHOW:
    case TB_SEPARATOR_BROWSE: return rule(stepping);
    case IDM_ZOOM_IN:
    case IDM_ZOOM_100:
    case IDM_ZOOM_OUT:
    case TB_SEPARATOR_ZOOM: return rule(s.document && s.formatId != FMT_SOUND);
    case IDM_FILE_OPERATIONS:
        if (s.document && s.thumbnailsLoading) return TB_RULE_KEEP;
        return rule(s.document);
    case TB_SEPARATOR_FILE: return rule(s.document);
    case IDM_UNDO: return rule(s.undoSnapshot);
    case IDM_REDO: return rule(s.redoSnapshot);
    default: return TB_RULE_KEEP;  // Open, Exit, Acquire, Settings, About, separator -3
    }
}

bool ToolBarButtonPressed(int command, const ToolBarState& s) {
    if (command == IDM_BROWSE) return s.browserShown;
    if (command == IDM_SLIDESHOW) return s.slideShowRunning && ToolBarButtonVisibility(command, s) == TB_RULE_SHOW;
    return false;
}

bool ChevronItemGrayed(int command, const ToolBarState& s) {
    switch (command) {
    case IDM_UNDO: return !s.undoSnapshot;
    case IDM_REDO: return !s.redoSnapshot;
    case IDM_PREVIOUS_MEDIA:
    case IDM_NEXT_MEDIA:
    case IDM_SLIDESHOW: return s.fileCount < 2;
    case IDM_SAVE_AS:
    case IDM_PRINT: return !s.document || IsPlayerFormat(s.formatId);
    case IDM_ZOOM_IN:
    case IDM_ZOOM_100:
    case IDM_ZOOM_OUT: return !s.document || s.formatId == FMT_SOUND;
    case IDM_RELOAD_MEDIA:
    case IDM_FILE_OPERATIONS: return !s.document;
    default: return false;
    }
}

int ToolBarTablePosition(int buttonIndex, const int (&used)[kToolBarEntryCount]) {
    if (buttonIndex < 0) return -1;
    for (int position = 0; position < kToolBarEntryCount; ++position)
        if (used[position] && buttonIndex-- == 0) return position;
    return -1;
}

COLORREF GradientRowColor(int y, int height, COLORREF window, COLORREF face) {
    const auto channel = [y, height](int w, int f) { return (BYTE)((w - MulDiv(y, 255 - f, height)) & 0xFF); };
    return RGB(channel(GetRValue(window), GetRValue(face)), channel(GetGValue(window), GetGValue(face)),
               channel(GetBValue(window), GetBValue(face)));
}

// ---- The bar ----

CMainToolBar::~CMainToolBar() { Destroy(); }

bool CMainToolBar::Create(HWND parentWindow) {
    if (created) Destroy();
    parent = parentWindow;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_COOL_CLASSES | ICC_USEREX_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    rebar = CreateWindowExW(0, REBARCLASSNAMEW, nullptr,
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | RBS_BANDBORDERS |
                                RBS_VARHEIGHT | RBS_TOOLTIPS | CCS_NODIVIDER | CCS_ADJUSTABLE | CCS_NOPARENTALIGN,
                            0, 0, 0, 0, parent, (HMENU)(INT_PTR)kMainRebarId, AppState::Instance, nullptr);
    if (!rebar) return false;
    SplitToolBarTips(LookupText(L"Tooltips", L"Toolbar", kToolBarCommandCount * kToolBarTipSlot).c_str(), tips);
    CreateToolbarWindow();
    RECT r = {};
    GetWindowRect(rebar, &r);
    height = (int)(r.bottom - r.top);
    AppState::ViewMargins.top += height;
    created = true;
    Resize();
    UpdateIdealSize();
    return true;
}

bool CMainToolBar::Destroy() {
    if (!created) return false;
    if (toolbar && previousProc) SetWindowLongPtrW(toolbar, GWLP_WNDPROC, (LONG_PTR)previousProc);
    if (toolbar) DestroyWindow(toolbar);
    if (rebar) DestroyWindow(rebar);
    for (HIMAGELIST* list : {&coldImages, &hotImages}) {
        if (*list) ImageList_Destroy(*list);
        *list = nullptr;
    }
    if (background) DeleteObject(background);
    background = nullptr;
    toolbar = rebar = nullptr;
    previousProc = nullptr;
    AppState::ViewMargins.top -= height;
    height = 0;
    zoomInOffset = zoomOutOffset = zoom100Offset = nextOffset = previousOffset = -1;
    created = false;
    return true;
}

bool CMainToolBar::Resize() {
    if (!created || !rebar) return false;
    RECT client = {};
    GetClientRect(parent, &client);
    MoveWindow(rebar, 0, 0, (int)(client.right - client.left), height, TRUE);
    InvalidateRect(rebar, nullptr, TRUE);
    return true;
}

bool CMainToolBar::CreateToolbarWindow() {
    const DWORD labels = AppState::ToolBarShowLabels;
    toolbar =
        CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                            CCS_NODIVIDER | CCS_NOPARENTALIGN | CCS_NORESIZE | (labels == 2 ? TBSTYLE_LIST : 0),
                        0, 0, 0, 0, rebar, (HMENU)(INT_PTR)kMainToolBarId, AppState::Instance, nullptr);
    if (!toolbar) {
        ShowMessage(L"Failed to create Toolbarwindow!");
        return false;
    }
    SendMessageW(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS | TBSTYLE_EX_MIXEDBUTTONS);
    TBBUTTON buttons[kToolBarEntryCount] = {};
    for (int i = 0; i < kToolBarEntryCount; ++i) {
        const ToolBarEntry& entry = ToolbarButtonTable[i];
        TBBUTTON& b = buttons[i];
        b.iBitmap = entry.image;
        b.idCommand = entry.command;
        b.fsState = TBSTATE_ENABLED;
        b.iString = i;
        switch (entry.style) {
        case TB_ENTRY_SEPARATOR: b.fsStyle = BTNS_SEP; break;
        case TB_ENTRY_DROPDOWN: b.fsStyle = BTNS_DROPDOWN; break;
        case TB_ENTRY_WHOLEDROPDOWN: b.fsStyle = BTNS_WHOLEDROPDOWN; break;
        default: b.fsStyle = BTNS_BUTTON; break;
        }
        if (entry.style != TB_ENTRY_SEPARATOR && labels != 0) b.fsStyle |= BTNS_SHOWTEXT | BTNS_AUTOSIZE;
    }
    const int cx = Skin.GetInt(L"cxButton"), cy = Skin.GetInt(L"cyButton");
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(cx, cy));
    LoadButtonImages(cx, cy);
    if (labels != 0) {
        std::wstring list[kToolBarEntryCount];
        SplitToolBarLabels(
            LookupText(L"ToolbarLabels", L"Labels", kToolBarEntryCount * (kToolBarLabelChars + 1)).c_str(), list);
        const std::wstring joined = JoinToolBarLabels(list);
        SendMessageW(toolbar, TB_ADDSTRINGW, 0, (LPARAM)joined.c_str());
    } else {
        for (TBBUTTON& b : buttons) b.iString = -1;
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, kToolBarEntryCount, (LPARAM)buttons);
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    for (int i = kToolBarEntryCount - 1; i >= 0; --i)
        if (!AppState::ToolBarBtnUsed[i]) SendMessageW(toolbar, TB_DELETEBUTTON, (WPARAM)i, 0);

    const DWORD size = (DWORD)SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0);
    REBARBANDINFOW band = {};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_STYLE | RBBIM_COLORS | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_IDEALSIZE | RBBIM_SIZE;
    band.fStyle = RBBS_CHILDEDGE | RBBS_NOVERT | RBBS_USECHEVRON;
    band.clrFore = GetSysColor(COLOR_BTNTEXT);
    band.clrBack = GetSysColor(COLOR_BTNFACE);
    band.hwndChild = toolbar;
    band.cxMinChild = LOWORD(size);
    band.cyMinChild = HIWORD(size);
    band.cx = 0;
    band.cxIdeal = 0;
    if (AppState::ToolBarBackgroundType == 0) {
        background = CreateBackgroundBitmap(32, HIWORD(size) + 4);
        if (background) {
            band.fMask |= RBBIM_BACKGROUND;
            band.hbmBack = background;
        }
    }
    SendMessageW(rebar, RB_INSERTBANDW, (WPARAM)-1, (LPARAM)&band);
    SetWindowLongPtrW(toolbar, GWLP_USERDATA, (LONG_PTR)this);
    previousProc = (WNDPROC)SetWindowLongPtrW(toolbar, GWLP_WNDPROC, (LONG_PTR)MainToolBarSubclassProc);
    return true;
}

void CMainToolBar::LoadButtonImages(int cx, int cy) {
    wchar_t folder[MAX_PATH] = {};
    Skin.GetSkinsFolder(folder);
    HIMAGELIST* lists[2] = {&coldImages, &hotImages};
    const wchar_t* kinds[2] = {L"Cold", L"Hot"};
    for (int i = 0; i < 2; ++i) {
        *lists[i] = ImageList_Create(cx, cy, ILC_COLOR24 | ILC_MASK, 0, 4);
        wchar_t path[MAX_PATH];
        // A path that does not fit counts as a missing bitmap.
        const int length = swprintf(path, MAX_PATH, L"%ls\\%ls%ls.bmp", folder, AppState::SkinName, kinds[i]);
        CImage strip;
        wchar_t error[FORMAT_ERROR_CHARS] = {};
        LoadCall call;
        if (*lists[i] && length > 0 && length < MAX_PATH && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES &&
            LoadBmp(strip, path, error, call) && strip.IsValid() && strip.DeselectBitmap())
            ImageList_AddMasked(*lists[i], strip.bitmap, RGB(255, 0, 255));
    }
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, (LPARAM)coldImages);
    SendMessageW(toolbar, TB_SETHOTIMAGELIST, 0, (LPARAM)hotImages);
}

HBITMAP CMainToolBar::CreateBackgroundBitmap(int width, int rows) const {
    if (width <= 0 || rows <= 0) return nullptr;
    HDC screen = GetDC(parent);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, rows);
    HDC dc = CreateCompatibleDC(screen);
    if (bitmap && dc) {
        HGDIOBJ old = SelectObject(dc, bitmap);
        const COLORREF window = GetSysColor(COLOR_WINDOW), face = GetSysColor(COLOR_BTNFACE);
        for (int y = 0; y < rows; ++y) {
            HBRUSH brush = CreateSolidBrush(GradientRowColor(y, rows, window, face));
            RECT row = {0, y, width, y + 1};
            FillRect(dc, &row, brush);
            DeleteObject(brush);
        }
        SelectObject(dc, old);
    }
    if (dc) DeleteDC(dc);
    ReleaseDC(parent, screen);
    return bitmap;
}

bool CMainToolBar::HideButton(int command, bool hide) {
    if (!created || !toolbar) return false;
    return SendMessageW(toolbar, TB_HIDEBUTTON, (WPARAM)command, MAKELPARAM(hide ? TRUE : FALSE, 0)) != 0;
}

bool CMainToolBar::UpdateButtonStates() {
    if (!created || !toolbar) return false;
    const ToolBarState state = CollectToolBarState();
    for (const ToolBarEntry& entry : ToolbarButtonTable) {
        const ToolBarButtonRule rule = ToolBarButtonVisibility(entry.command, state);
        if (rule != TB_RULE_KEEP) HideButton(entry.command, rule == TB_RULE_HIDE);
    }
    for (const int command : {IDM_BROWSE, IDM_SLIDESHOW})
        SendMessageW(toolbar, TB_PRESSBUTTON, (WPARAM)command, MAKELPARAM(ToolBarButtonPressed(command, state), 0));
    return UpdateIdealSize();
}

bool CMainToolBar::UpdateIdealSize() {
    if (!created || !toolbar) return false;
    const int count = (int)SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0);
    int total = 0;
    for (int i = 0; i < count; ++i) {
        TBBUTTON button = {};
        if (!SendMessageW(toolbar, TB_GETBUTTON, (WPARAM)i, (LPARAM)&button)) continue;
        RECT r = {};
        const bool shown =
            !(button.fsState & TBSTATE_HIDDEN) && SendMessageW(toolbar, TB_GETITEMRECT, (WPARAM)i, (LPARAM)&r) != 0;
        if (shown) total += (int)(r.right - r.left);
        const UINT command = (UINT)button.idCommand;
        if (command == IDM_ZOOM_IN || command == IDM_ZOOM_OUT || command == IDM_ZOOM_100 || command == IDM_NEXT_MEDIA ||
            command == IDM_PREVIOUS_MEDIA)
            SetButtonOffset(command, shown ? (int)r.left : -1);
    }
    REBARBANDINFOW band = {};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_IDEALSIZE;
    band.cxIdeal = (UINT)total;
    SendMessageW(rebar, RB_SETBANDINFOW, 0, (LPARAM)&band);
    // The rebar places its chevron only when its size changes after a new
    // ideal width, so the size is applied again.
    RECT bar = {};
    GetWindowRect(rebar, &bar);
    const int width = (int)(bar.right - bar.left);
    SetWindowPos(rebar, nullptr, 0, 0, width + 1, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(rebar, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

bool CMainToolBar::GetTooltipText(NMTTDISPINFOW* info) {
    if (!info || !created) return false;
    const int index = CommandIndex((int)info->hdr.idFrom);
    if (index < 0) return false;
    info->lpszText = tips[index];
    return true;
}

int CMainToolBar::ButtonOffset(UINT command) const {
    if (!created) return -1;
    switch (command) {
    case IDM_ZOOM_IN: return zoomInOffset;
    case IDM_ZOOM_OUT: return zoomOutOffset;
    case IDM_ZOOM_100: return zoom100Offset;
    case IDM_NEXT_MEDIA: return nextOffset;
    case IDM_PREVIOUS_MEDIA: return previousOffset;
    default: return -1;
    }
}

void CMainToolBar::SetButtonOffset(UINT command, int offset) {
    switch (command) {
    case IDM_ZOOM_IN: zoomInOffset = offset; break;
    case IDM_ZOOM_OUT: zoomOutOffset = offset; break;
    case IDM_ZOOM_100: zoom100Offset = offset; break;
    case IDM_NEXT_MEDIA: nextOffset = offset; break;
    case IDM_PREVIOUS_MEDIA: previousOffset = offset; break;
    default: break;
    }
}

bool CMainToolBar::ShowChevronMenu(const NMREBARCHEVRON* notify, HWND owner) {
    if (!created || !toolbar || !notify) return false;
    RECT bandRect = {};
    if (!SendMessageW(rebar, RB_GETRECT, (WPARAM)notify->uBand, (LPARAM)&bandRect)) return false;
    // What the band shows of the bar, in the tool bar's coordinates: a button
    // reaching past it is clipped.
    MapWindowPoints(rebar, toolbar, reinterpret_cast<POINT*>(&bandRect), 2);
    RECT shown = {};
    GetClientRect(toolbar, &shown);
    const LONG visibleLeft = bandRect.left > shown.left ? bandRect.left : shown.left;
    const LONG visibleRight = bandRect.right < shown.right ? bandRect.right : shown.right;
    const int count = (int)SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0);
    int first = -1;
    for (int i = 0; i < count && first < 0; ++i) {
        TBBUTTON button = {};
        if (!SendMessageW(toolbar, TB_GETBUTTON, (WPARAM)i, (LPARAM)&button)) {
            ShowMessage(L"no TB_GETBUTTON!");
            return false;
        }
        if (button.fsState & TBSTATE_HIDDEN) continue;
        RECT r = {};
        if (!SendMessageW(toolbar, TB_GETITEMRECT, (WPARAM)i, (LPARAM)&r)) {
            ShowMessage(L"no TB_GETITEMRECT");
            return false;
        }
        if (r.left < visibleLeft || r.right > visibleRight) first = i;
    }
    const int position = ToolBarTablePosition(first, AppState::ToolBarBtnUsed);
    if (position < 0) return false;
    HMENU resource = LoadMenuW(AppState::Instance, L"CHEVRONMENU");
    HMENU popup = resource ? GetSubMenu(resource, 0) : nullptr;
    if (!popup) {
        if (resource) DestroyMenu(resource);
        return false;
    }
    while (GetMenuItemCount(popup) > 0) DeleteMenu(popup, 0, MF_BYPOSITION);
    std::wstring labels[kToolBarEntryCount];
    SplitToolBarLabels(LookupText(L"ToolbarLabels", L"Labels", kToolBarEntryCount * (kToolBarLabelChars + 1)).c_str(),
                       labels);
    const ToolBarState state = CollectToolBarState();
    for (int p = position; p < kToolBarEntryCount; ++p) {
        const ToolBarEntry& entry = ToolbarButtonTable[p];
        if (entry.command < 0 || !AppState::ToolBarBtnUsed[p]) continue;
        AppendMenuW(popup, MF_STRING | (ChevronItemGrayed(entry.command, state) ? MF_GRAYED : MF_ENABLED),
                    (UINT_PTR)entry.command, labels[p].c_str());
    }
    MainMenu.MakeOwnerDrawn(popup);
    CurrentPopupMenu = popup;
    POINT at = {notify->rc.left, notify->rc.bottom};
    ClientToScreen(notify->hdr.hwndFrom, &at);
    TrackPopup(popup, TPM_RIGHTBUTTON, at.x, at.y, owner);
    CurrentPopupMenu = MainMenu.menu;
    DestroyMenu(resource);
    return true;
}

// ---- The context menu ----

namespace {

struct MenuText {
    UINT id;
    const wchar_t* key;
};
constexpr MenuText kToolBarMenuTexts[] = {
    {IDM_SHOW_TOOLBAR, L"Toolbar_ShowToolbar"},
    {IDM_TOOLBAR_TIPS, L"Toolbar_ShowTooltips"},
    {IDM_TOOLBAR_LABELS_NONE, L"Toolbar_Buttonlabels_None"},
    {IDM_TOOLBAR_LABELS_RIGHT, L"Toolbar_Buttonlabels_Right"},
    {IDM_TOOLBAR_LABELS_BELOW, L"Toolbar_Buttonlabels_Below"},
    {IDM_TOOLBAR_CUSTOMIZE, L"Toolbar_Customize"},
};

}  // namespace

bool CMainToolBar::ShowContextMenu(POINT screen) {
    HMENU resource = LoadMenuW(AppState::Instance, L"TOOLBARPOPUP");
    HMENU popup = resource ? GetSubMenu(resource, 0) : nullptr;
    if (!popup) {
        if (resource) DestroyMenu(resource);
        return false;
    }
    for (const MenuText& text : kToolBarMenuTexts) {
        std::wstring translated = LookupText(L"Menu", text.key, MAX_PATH);
        if (!translated.empty()) ModifyMenuW(popup, text.id, MF_BYCOMMAND | MF_STRING, text.id, translated.c_str());
    }
    const DWORD labels = AppState::ToolBarShowLabels;
    const auto check = [popup](UINT id, bool on) {
        CheckMenuItem(popup, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    };
    check(IDM_SHOW_TOOLBAR, AppState::GeneralShowToolbar != 0);
    check(IDM_TOOLBAR_LABELS_NONE, labels == 0);
    check(IDM_TOOLBAR_LABELS_RIGHT, labels == 2);
    check(IDM_TOOLBAR_LABELS_BELOW, labels == 1);
    check(IDM_TOOLBAR_TIPS, AppState::ToolBarShowToolTips != 0);
    MainMenu.MakeOwnerDrawn(popup);
    CurrentPopupMenu = popup;
    TrackPopup(popup, TPM_RIGHTBUTTON, screen.x, screen.y, toolbar);
    CurrentPopupMenu = MainMenu.menu;
    DestroyMenu(resource);
    return true;
}

void CMainToolBar::OnMenuCommand(UINT id) {
    switch (id) {
    case IDM_SHOW_TOOLBAR: SendMessageW(parent, WM_COMMAND, MAKEWPARAM(IDM_SHOW_TOOLBAR, 0), 0); return;
    case IDM_TOOLBAR_TIPS: AppState::ToolBarShowToolTips = AppState::ToolBarShowToolTips ? 0 : 1; return;
    case IDM_TOOLBAR_CUSTOMIZE: ShowSettingsSheet(3); return;
    case IDM_TOOLBAR_LABELS_NONE:
    case IDM_TOOLBAR_LABELS_RIGHT:
    case IDM_TOOLBAR_LABELS_BELOW: {
        AppState::ToolBarShowLabels = id == IDM_TOOLBAR_LABELS_NONE ? 0 : id == IDM_TOOLBAR_LABELS_RIGHT ? 2 : 1;
        HWND owner = parent;
        Create(owner);
        if (Browser.IsShown()) {
            Browser.DestroyToolbar();
            Browser.CreateToolbar();
            Browser.Layout();
        } else if (AppState::CurrentImage.IsValid()) {
            FitWindowToImage((int)AppState::CurrentImage.GetWidth(), (int)AppState::CurrentImage.GetHeight(), owner);
        }
        UpdateButtonStates();
        return;
    }
    default: return;
    }
}

LRESULT CALLBACK MainToolBarSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* bar = reinterpret_cast<CMainToolBar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!bar) return 0;
    WNDPROC previous = bar->previousProc;
    switch (message) {
    case WM_CONTEXTMENU: {
        POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        POINT inside = screen;
        ScreenToClient(window, &inside);
        RECT client = {};
        GetClientRect(window, &client);
        if (!PtInRect(&client, inside)) break;
        bar->ShowContextMenu(screen);
        return 1;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDM_SHOW_TOOLBAR:
        case IDM_TOOLBAR_TIPS:
        case IDM_TOOLBAR_CUSTOMIZE:
        case IDM_TOOLBAR_LABELS_NONE:
        case IDM_TOOLBAR_LABELS_RIGHT:
        case IDM_TOOLBAR_LABELS_BELOW: bar->OnMenuCommand(LOWORD(wParam)); return 0;
        default: break;
        }
        break;
    default: break;
    }
    return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
}
