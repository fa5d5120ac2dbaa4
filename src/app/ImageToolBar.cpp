#include "app/ImageToolBar.h"

#include <cwchar>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/Language.h"
#include "app/Skin.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "formats/FormatCodecs.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "image/Image.h"
#include "media/AnimationBar.h"

CImageToolBar ImageToolBar;

namespace {

constexpr COLORREF kMaskColor = RGB(255, 0, 255);

bool IsChannelButton(UINT command) {
    return command == IDM_CHANNEL_ALL || command == IDM_CHANNEL_RED || command == IDM_CHANNEL_GREEN ||
           command == IDM_CHANNEL_BLUE;
}

// A skin strip read with the program's BMP reader into a new image list of
// cx x cy cells, magenta transparent. A missing strip gives an empty list.
HIMAGELIST LoadStrip(const wchar_t* part, int cx, int cy) {
    HIMAGELIST list = ImageList_Create(cx, cy, ILC_COLOR24 | ILC_MASK, 0, 4);
    if (!list) return nullptr;
    wchar_t path[MAX_PATH];
    if (!Skin.GetBitmapPath(part, path)) return list;
    CImage strip;
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    LoadCall call;
    if (!LoadBmp(strip, path, error, call) || !strip.IsValid()) return list;
    // The strip leaves its own memory DC so that the list can read it.
    strip.DeselectBitmap();
    ImageList_AddMasked(list, strip.bitmap, kMaskColor);
    return list;
}

}  // namespace

int ImageToolBarImageIndex(UINT command) {
    if (command == 0) return -1;
    int image = 0;
    for (const UINT entry : kImageToolBarEntries) {
        if (!entry) continue;
        if (entry == command) return image;
        ++image;
    }
    return -1;
}

BYTE ImageToolBarButtonState(UINT command, const ImageToolBarInput& in) {
    BYTE state = TBSTATE_ENABLED;
    switch (command) {
    case IDM_ROTATE_RIGHT:
    case IDM_ROTATE_LEFT:
    case IDM_ROTATE_180:
    case IDM_FLIP:
    case IDM_MIRROR:
        if (in.animationPlaying) state = 0;
        break;
    case IDM_TOOL_SCROLL:
        if (in.toolMode == TOOL_SCROLL) state |= TBSTATE_CHECKED;
        break;
    case IDM_TOOL_SELECT:
        if (in.toolMode == TOOL_SELECT) state |= TBSTATE_CHECKED;
        break;
    case IDM_TOOL_RED_MARKER:
        if (in.animationPlaying) state = 0;
        if (in.toolMode == TOOL_RED_MARKER) state |= TBSTATE_CHECKED;
        break;
    case IDM_ALPHA_AS_IMAGE:
        if (!in.alphaImage) state = 0;
        if (in.channelView >= CHANNEL_ALPHA_AS_IMAGE && in.channelView <= CHANNEL_ALPHA_BLENDED)
            state |= TBSTATE_CHECKED;
        break;
    default:
        if (IsChannelButton(command) && in.channelView == (int)(command - IDM_CHANNEL_ALL)) state |= TBSTATE_CHECKED;
        break;
    }
    return state;
}

ImageToolBarPlace ComputeImageToolBarPlace(const RECT& client, const RECT& margins, int barWidth, int browserShare,
                                           int topOffset, int scrollBarWidth) {
    const int g = browserShare ? (client.right - client.left) - browserShare : 0;
    const int top = margins.top + topOffset;
    // The bar ends where the view ends, above the bottom bars (status bar,
    // playback bar) that share the bottom margin.
    return ImageToolBarPlace{client.right - margins.right - g + scrollBarWidth, top, barWidth,
                             client.bottom - margins.bottom - top};
}

void CImageToolBar::Create(HWND owner) {
    if (created) {
        UpdateButtonStates();
        Reposition();
        return;
    }
    if (!CreateWindows(owner)) {
        DestroyWindows();
        return;
    }
    RECT r = {};
    GetWindowRect(rebar, &r);
    marginTaken = r.right - r.left;
    AppState::ViewMargins.right += marginTaken;
    LoadTips();
    created = true;
    Reposition();
    UpdateButtonStates();
}

bool CImageToolBar::CreateWindows(HWND owner) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_COOL_CLASSES | ICC_BAR_CLASSES | ICC_USEREX_CLASSES};
    InitCommonControlsEx(&controls);
    rebar = CreateWindowExW(WS_EX_TOOLWINDOW, REBARCLASSNAMEW, nullptr,
                            WS_CHILD | WS_VISIBLE | WS_BORDER | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                RBS_BANDBORDERS | RBS_TOOLTIPS | CCS_VERT | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                            0, 0, 0, 0, owner, (HMENU)(INT_PTR)kImageToolBarRebarId, AppState::Instance, nullptr);
    if (!rebar) {
        ShowMessage(L"no Rebar");
        return false;
    }
    toolbar =
        CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | TBSTYLE_FLAT | TBSTYLE_WRAPABLE |
                            TBSTYLE_TOOLTIPS | CCS_VERT | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                        0, 0, 0, 0, rebar, (HMENU)(INT_PTR)kImageToolBarId, AppState::Instance, nullptr);
    if (!toolbar) {
        ShowMessage(L"no m_hwndToolbar!");
        return false;
    }
    SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    const int cx = Skin.GetInt(L"cxButtonImage"), cy = Skin.GetInt(L"cyButtonImage");
    SendMessageW(toolbar, TB_SETBITMAPSIZE, 0, MAKELPARAM(cx, cy));
    TBBUTTON buttons[kImageToolBarEntryCount] = {};
    int image = 0;
    for (size_t i = 0; i < kImageToolBarEntryCount; ++i) {
        const UINT command = kImageToolBarEntries[i];
        if (!command) {
            buttons[i].fsStyle = BTNS_SEP;
            continue;
        }
        buttons[i].iBitmap = image++;
        buttons[i].idCommand = (int)command;
        buttons[i].fsState = TBSTATE_ENABLED;
        buttons[i].fsStyle = command == IDM_ALPHA_AS_IMAGE ? BTNS_WHOLEDROPDOWN : BTNS_BUTTON;
        buttons[i].iString = -1;
    }
    SendMessageW(toolbar, TB_ADDBUTTONSW, kImageToolBarEntryCount, (LPARAM)buttons);
    SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);

    coldImages = LoadStrip(L"ImageCold.bmp", cx, cy);
    hotImages = LoadStrip(L"ImageHot.bmp", cx, cy);
    SendMessageW(toolbar, TB_SETIMAGELIST, 0, (LPARAM)coldImages);
    SendMessageW(toolbar, TB_SETHOTIMAGELIST, 0, (LPARAM)hotImages);

    const DWORD buttonSize = (DWORD)SendMessageW(toolbar, TB_GETBUTTONSIZE, 0, 0);
    REBARBANDINFOW band = {};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_STYLE | RBBIM_COLORS | RBBIM_CHILD | RBBIM_CHILDSIZE;
    band.fStyle = RBBS_CHILDEDGE | RBBS_NOGRIPPER;
    band.clrFore = GetSysColor(COLOR_BTNTEXT);
    band.clrBack = GetSysColor(COLOR_BTNFACE);
    band.hwndChild = toolbar;
    band.cxMinChild = band.cyMinChild = LOWORD(buttonSize);
    if (!SendMessageW(rebar, RB_INSERTBANDW, (WPARAM)-1, (LPARAM)&band)) {
        ShowMessage(L"No insert toolbar into rebar!");
        return false;
    }
    return true;
}

void CImageToolBar::DestroyWindows() {
    if (toolbar) DestroyWindow(toolbar);
    if (rebar) DestroyWindow(rebar);
    toolbar = rebar = nullptr;
    if (coldImages) ImageList_Destroy(coldImages);
    if (hotImages) ImageList_Destroy(hotImages);
    coldImages = hotImages = nullptr;
}

void CImageToolBar::Destroy() {
    if (!created) return;
    DestroyWindows();
    AppState::ViewMargins.right -= marginTaken;
    marginTaken = 0;
    created = false;
}

void CImageToolBar::LoadTips() {
    static_assert(IMAGE_TOOLBAR_TIPS == kImageToolBarImageCount, "one tip per button");
    // The language file's tips where it has them, the built-in texts for the rest.
    LangLoadImageToolbarTips();
    for (int i = 0; i < kImageToolBarImageCount; ++i) CopyStringW(tips[i], ImageToolbarTips[i], kImageToolBarTipChars);
}

void CImageToolBar::Reposition() {
    if (!created || !rebar) return;
    HWND parent = GetParent(rebar);
    RECT client = {};
    GetClientRect(parent, &client);
    const bool beside = Browser.IsShown() && AppState::BrowserThumbWindowWidth != 0;
    const ImageToolBarPlace place = ComputeImageToolBarPlace(
        client, AppState::ViewMargins, marginTaken, beside ? AppState::BrowserThumbWindowWidth : 0,
        GetBrowserTopOffset(), ViewScrollBars.created ? GetSystemMetrics(SM_CXHSCROLL) : 0);
    MoveWindow(rebar, place.x, place.y, place.width, place.height, TRUE);
}

void CImageToolBar::UpdateButtonStates() {
    if (!created || !toolbar) return;
    const CImage& image = AppState::CurrentImage;
    const ImageToolBarInput in = {AnimationBar.playing != 0, AppState::ToolMode,
                                  image.IsValid() && image.GetBpp() == 32, AppState::ChannelView};
    for (const UINT command : kImageToolBarEntries)
        if (command) SendMessageW(toolbar, TB_SETSTATE, command, MAKELPARAM(ImageToolBarButtonState(command, in), 0));
}

bool CImageToolBar::GetTipText(NMTTDISPINFOW* info) {
    if (!created || !toolbar || !info) return false;
    HWND tip = (HWND)SendMessageW(toolbar, TB_GETTOOLTIPS, 0, 0);
    if (!tip || info->hdr.hwndFrom != tip) return false;
    const int image = ImageToolBarImageIndex((UINT)info->hdr.idFrom);
    if (image < 0) return false;
    info->lpszText = tips[image];
    return true;
}

int CImageToolBar::GetButtonsHeight() const {
    if (!created || !toolbar) return 0;
    const int count = (int)SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0);
    int height = 0;
    for (int i = 0; i < count; ++i) {
        RECT r = {};
        if (SendMessageW(toolbar, TB_GETITEMRECT, i, (LPARAM)&r)) height += r.bottom - r.top;
    }
    return height;
}
