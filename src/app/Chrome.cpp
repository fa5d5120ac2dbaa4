// The chrome: the status bar, and the viewer's scroll bars with the zoom
// slider are real controls; the tool bars still only reserve their strips of
// the view so that layout and painting already work with the final margins.
#include "app/Chrome.h"

#include <cwchar>

#include <cstdlib>

#include "app/AppState.h"
#include "app/View.h"
#include "browser/Browser.h"
#include "browser/BrowserServices.h"
#include "browser/FileList.h"
#include "formats/Formats.h"
#include "image/Common.h"
#include "media/AnimationBar.h"
#include "command_ids.h"

CStatusBar StatusBar;
CViewScrollBars ViewScrollBars;

// ---- Status bar ----

void FormatMediaTime(wchar_t* out, size_t size, uint64_t ms) {
    const uint64_t seconds = ms / 1000;
    swprintf(out, size, L"%d:%.2d:%.2d", (int)(seconds / 3600), (int)(seconds / 60 % 60), (int)(seconds % 60));
}

namespace {

const wchar_t* FrameKindName(int kind) {
    switch (kind) {
    case ANIM_KIND_ANI: return L"ANI";
    case ANIM_KIND_DCX: return L"DCX";
    case ANIM_KIND_GIF: return L"GIF";
    case ANIM_KIND_ICO: return L"ICO";
    case ANIM_KIND_TIFF: return L"TIF";
    default: return nullptr;
    }
}

void FormatInfoPart(const StatusBarState& s, wchar_t* out, size_t size) {
    const int selectionWidth = abs((int)(s.selection.right - s.selection.left));
    const int selectionHeight = abs((int)(s.selection.bottom - s.selection.top));
    const float zoom = s.zoom > 0.0f ? s.zoom : 1.0f;
    if (selectionWidth > 1 || selectionHeight > 1) {
        swprintf(out, size, L"\t[x:%d y:%d | w:%d h:%d]", (int)((s.selection.left - s.origin.x) / zoom),
                 (int)((s.selection.top - s.origin.y) / zoom), (int)(selectionWidth / zoom),
                 (int)(selectionHeight / zoom));
        return;
    }
    const double loadSeconds = s.loadTimeMs ? s.loadTimeMs * 0.001 : 0.01;
    if (s.animationActive) {
        if (const wchar_t* name = FrameKindName(s.animationKind)) {
            swprintf(out, size, L"\t%ls - %2.2d of %2.2d Frames - Loaded in %2.2f sec", name, s.currentFrame + 1,
                     s.frameCount, loadSeconds);
        } else if (s.animationKind == ANIM_KIND_MNG) {
            swprintf(out, size, L"\tMNG - %2.2d of %2.2d Frames (%d Layers)", s.currentFrame + 1, s.frameCount,
                     s.layerCount);
        } else if (s.animationKind == ANIM_KIND_VIDEO || s.animationKind == ANIM_KIND_SOUND ||
                   s.animationKind == ANIM_KIND_QTMOVIE) {
            wchar_t position[32], duration[32];
            FormatMediaTime(position, 32, s.positionMs);
            FormatMediaTime(duration, 32, s.durationMs);
            swprintf(out, size, L"\t%ls (%ls)", position, duration);
        } else {
            swprintf(out, size, L"\tPlaying Media");
        }
        return;
    }
    if (s.scanBusy) swprintf(out, size, L"\t%ls", kStatusScanText);
    else swprintf(out, size, L"\tLoaded in %2.2f sec", loadSeconds);
}

}  // namespace

void BuildStatusBarTexts(const StatusBarState& s, StatusBarTexts& out) {
    out = StatusBarTexts{};
    const size_t size = kStatusTextChars;
    // A failed load and an image made in memory say so whatever the list holds.
    if (s.documentKind == DOC_LOAD_FAILED) {
        swprintf(out.parts[0], size, L"Failed to load Mediafile: Please send file to <%ls>.", kSupportAddress);
        return;
    }
    if (s.documentKind == DOC_NEW_IMAGE) {
        const bool valid = s.imageValid;
        swprintf(out.parts[0], size, L"[%dx%dx%d] [Zoom:%0.0f%%] Image only in Memory - do not forget to save!",
                 valid ? s.width : 0, valid ? s.height : 0, valid ? s.bpp : 0, s.zoom * 100.0);
        return;
    }
    if (s.documentKind == DOC_NONE || s.formatId == FMT_PLAYLIST || s.fileCount <= 0 || s.fileIndex < 0 ||
        s.fileIndex >= s.fileCount) {
        CopyStringW(out.parts[0], s.scanBusy ? kStatusScanText : (s.currentDirectory ? s.currentDirectory : L""), size);
        return;
    }
    out.simple = false;
    int part = 0;
    if (s.formatId == FMT_VIDEO)
        swprintf(out.parts[part++], size, L"\t%dx%d -> %0.0f%%", s.width, s.height, s.zoom * 100.0);
    else if (s.formatId != FMT_SOUND)
        swprintf(out.parts[part++], size, L"\t%dx%dx%d -> %0.0f%%", s.width, s.height, s.bpp, s.zoom * 100.0);
    wchar_t text[64] = {};
    FormatByteSize(text, (float)s.fileSize);
    swprintf(out.parts[part++], size, L"\t%ls", text);
    FormatFileTime(text, &s.fileTime);
    swprintf(out.parts[part++], size, L"\t%ls", text);
    swprintf(out.parts[part++], size, L"\t%d/%d", s.fileIndex + 1, s.fileCount);
    FormatInfoPart(s, out.parts[part++], size);
    out.partCount = part;
}

StatusBarState CollectStatusBarState() {
    StatusBarState s;
    s.documentKind = AppState::DocumentKind;
    s.formatId = AppState::CurrentFormatId;
    s.scanBusy = FileList::ScanBusy;
    s.fileCount = FileList::Entries ? FileList::Count : 0;
    s.fileIndex = FileList::Current;
    if (s.fileIndex >= 0 && s.fileIndex < s.fileCount) {
        s.fileSize = FileList::Entries[s.fileIndex].size;
        s.fileTime = FileList::Entries[s.fileIndex].lastWrite;
    }
    s.imageValid = AppState::CurrentImage.IsValid();
    if (s.imageValid) {
        s.width = (int)AppState::CurrentImage.GetWidth();
        s.height = (int)AppState::CurrentImage.GetHeight();
        s.bpp = AppState::CurrentImage.GetBpp();
    }
    s.zoom = AppState::Zoom;
    s.selection = AppState::Selection;
    s.origin = AppState::ImageOrigin;
    s.animationActive = AnimationBar.initialised;
    s.animationKind = AnimationBar.kind;
    s.frameCount = AnimationBar.frameCount;
    s.currentFrame = AnimationBar.currentFrame;
    s.layerCount = AnimationBar.callerValue;
    s.durationMs = AnimationBar.MediaLength;
    s.loadTimeMs = AppState::LoadTimeMs;
    return s;
}

namespace {

// Room between a part's frame and its text on either side.
constexpr int kStatusTextInset = 4;

bool OnUserInterfaceThread(HWND window) { return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId(); }

}  // namespace

bool CStatusBar::Create(HWND mainWindow) {
    if (created) Destroy();
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    window = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                             0, 0, mainWindow, (HMENU)(INT_PTR)kStatusBarId, AppState::Instance, nullptr);
    if (!window) return false;
    parent = mainWindow;
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        font = CreateFontIndirectW(&metrics.lfMessageFont);
    if (font) SendMessageW(window, WM_SETFONT, (WPARAM)font, TRUE);
    RECT r = {};
    GetWindowRect(window, &r);
    marginTaken = r.bottom > r.top ? (int)(r.bottom - r.top) : (int)STATUS_BAR_HEIGHT;
    AppState::ViewMargins.bottom += marginTaken;
    created = true;
    Update();
    return true;
}

bool CStatusBar::Destroy() {
    if (!created) return false;
    if (window) DestroyWindow(window);
    if (font) DeleteObject(font);
    window = nullptr;
    font = nullptr;
    AppState::ViewMargins.bottom -= marginTaken;
    marginTaken = 0;
    created = false;
    return true;
}

bool CStatusBar::Resize() {
    if (!created || !window) return false;
    SendMessageW(window, WM_SIZE, 0, 0);
    InvalidateRect(window, nullptr, TRUE);
    return true;
}

bool CStatusBar::Update() {
    if (!created || !window) return false;
    // The bar and the state it reads belong to the user-interface thread: a
    // worker only asks for an update. The folder shown is only shown: the
    // current folder is the browser's and the open commands' to set.
    if (!OnUserInterfaceThread(window)) {
        HWND target = AppState::MainWindow ? AppState::MainWindow : parent;
        return PostMessageW(target, WM_APP_STATUS_UPDATE, 0, 0) != FALSE;
    }
    const StatusBarState state = CollectStatusBarState();
    wchar_t directory[MAX_PATH] = {};
    StatusBarState withFolder = state;
    if (!state.scanBusy) {
        GetCurrentDirectoryW(MAX_PATH, directory);
        withFolder.currentDirectory = directory;
    }
    StatusBarTexts texts;
    BuildStatusBarTexts(withFolder, texts);
    if (texts.simple) {
        SendMessageW(window, SB_SIMPLE, TRUE, 0);
        SendMessageW(window, SB_SETTEXTW, SB_SIMPLEID, (LPARAM)texts.parts[0]);
        Resize();
        return true;
    }
    SendMessageW(window, SB_SIMPLE, FALSE, 0);
    int edges[kStatusPartCount] = {};
    HDC dc = GetDC(window);
    HGDIOBJ oldFont = dc && font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICW metrics = {};
    if (dc) GetTextMetricsW(dc, &metrics);
    // Each part is as wide as its text (the centring tab left out) and the
    // part's frame and inset, so that no text is cut at its edges.
    int borders[3] = {};
    SendMessageW(window, SB_GETBORDERS, 0, (LPARAM)borders);
    const int frame = 2 * (borders[0] + kStatusTextInset) + borders[2];
    int edge = 0;
    for (int i = 0; i < texts.partCount; ++i) {
        SIZE extent = {};
        const wchar_t* text = texts.parts[i][0] == L'\t' ? texts.parts[i] + 1 : texts.parts[i];
        if (dc) GetTextExtentPoint32W(dc, text, (int)wcslen(text), &extent);
        edge += extent.cx - metrics.tmOverhang + frame;
        edges[i] = i == texts.partCount - 1 ? -1 : edge;
    }
    if (oldFont) SelectObject(dc, oldFont);
    if (dc) ReleaseDC(window, dc);
    SendMessageW(window, SB_SETPARTS, (WPARAM)texts.partCount, (LPARAM)edges);
    for (int i = 0; i < texts.partCount; ++i) SendMessageW(window, SB_SETTEXTW, (WPARAM)i, (LPARAM)texts.parts[i]);
    SendMessageW(window, WM_SIZE, 0, 0);
    return true;
}

// ---- Scroll bars and zoom slider ----

int FindZoomSlot(float zoom) {
    if (zoom > kZoomSlots[0]) return -1;
    for (int i = 0; i + 1 < kZoomSlotCount; ++i)
        if (kZoomSlots[i + 1] < zoom && zoom <= kZoomSlots[i]) return i;
    return kZoomSlotCount - 1;
}

void FormatZoomTip(wchar_t* out, size_t size, float zoom) { swprintf(out, size, L"%0.0f%% Zoom", zoom * 100.0); }

ScrollBarRange ComputeScrollBarRange(int zoomedExtent, int page, int scrollOffset) {
    return {zoomedExtent, page, zoomedExtent / 2 - page / 2 - scrollOffset};
}

int ScrollOffsetFromThumb(int zoomedExtent, int page, int thumbPos) { return zoomedExtent / 2 - page / 2 - thumbPos; }

int ScrollBarPage(int clientExtent, int marginBefore, int marginAfter, int browserShare) {
    const int page = clientExtent + 1 - marginBefore - marginAfter - browserShare;
    return page > 0 ? page : 0;
}

ScrollBarsLayout ComputeScrollBarsLayout(const RECT& client, const RECT& m, int a, int p, int t, int r) {
    ScrollBarsLayout out;
    out.horizontal = {(int)client.left, (int)(client.bottom - m.bottom), (int)(client.right - m.right) - p + a, a};
    const int height = (int)(client.bottom - client.top) - m.top - m.bottom - t;
    out.vertical = {(int)client.right - a - r - p, (int)(client.top + m.top) + t, a, height};
    out.slider = {(int)client.left, out.vertical.y, a, height};
    return out;
}

namespace {

LRESULT CALLBACK ZoomSliderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* bars = reinterpret_cast<CViewScrollBars*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Keys stay with the viewer.
    if (message == WM_SETFOCUS && bars && bars->parent) SetFocus(bars->parent);
    WNDPROC previous = bars ? bars->sliderProc : nullptr;
    return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
}

void PlaceControl(HWND control, const ControlPlace& place) {
    MoveWindow(control, place.x, place.y, place.width > 0 ? place.width : 0, place.height > 0 ? place.height : 0, TRUE);
}

int BrowserTopShare() { return Browser.IsShown() ? GetBrowserTopOffset() : 0; }

TOOLINFOW ZoomTool(const CViewScrollBars& bars) {
    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = bars.parent;
    tool.uId = (UINT_PTR)bars.slider;
    return tool;
}

}  // namespace

bool CViewScrollBars::Create(HWND owner, HINSTANCE instance) {
    if (created) {
        UpdateRanges();
        return true;
    }
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    parent = owner;
    thicknessA = GetSystemMetrics(SM_CXHSCROLL);
    thicknessB = GetSystemMetrics(SM_CXVSCROLL);
    marginsTaken = {thicknessA, 0, thicknessA, thicknessB};
    AppState::ViewMargins.left += marginsTaken.left;
    AppState::ViewMargins.right += marginsTaken.right;
    AppState::ViewMargins.bottom += marginsTaken.bottom;
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    horizontal = CreateWindowExW(0, L"ScrollBar", L"", style, 0, 0, 0, 0, owner, nullptr, instance, nullptr);
    vertical = CreateWindowExW(0, L"ScrollBar", L"", style | SBS_VERT, 0, 0, 0, 0, owner, nullptr, instance, nullptr);
    slider = CreateWindowExW(0, TRACKBAR_CLASSW, L"", style | TBS_VERT | TBS_BOTH | TBS_NOTICKS, 0, 0, 0, 0, owner,
                             nullptr, instance, nullptr);
    if (slider) {
        SendMessageW(slider, TBM_CLEARTICS, FALSE, 0);
        SendMessageW(slider, TBM_SETRANGE, TRUE, MAKELPARAM(0, kZoomSlotCount - 1));
        const int slot = FindZoomSlot(AppState::Zoom);
        SendMessageW(slider, TBM_SETPOS, TRUE, slot < 0 ? 0 : slot);
        SetWindowLongPtrW(slider, GWLP_USERDATA, (LONG_PTR)this);
        sliderProc = (WNDPROC)SetWindowLongPtrW(slider, GWLP_WNDPROC, (LONG_PTR)ZoomSliderProc);
        tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, slider, nullptr, instance,
                              nullptr);
        if (tip) {
            TOOLINFOW tool = ZoomTool(*this);
            wchar_t text[32];
            FormatZoomTip(text, 32, AppState::Zoom);
            tool.lpszText = text;
            SendMessageW(tip, TTM_ADDTOOLW, 0, (LPARAM)&tool);
        }
    }
    tracking = false;
    created = true;
    Layout();
    return true;
}

bool CViewScrollBars::Destroy() {
    if (!created) return false;
    if (slider && sliderProc) SetWindowLongPtrW(slider, GWLP_WNDPROC, (LONG_PTR)sliderProc);
    for (HWND* control : {&tip, &horizontal, &vertical, &slider}) {
        if (*control) DestroyWindow(*control);
        *control = nullptr;
    }
    sliderProc = nullptr;
    AppState::ViewMargins.left -= marginsTaken.left;
    AppState::ViewMargins.top -= marginsTaken.top;
    AppState::ViewMargins.right -= marginsTaken.right;
    AppState::ViewMargins.bottom -= marginsTaken.bottom;
    marginsTaken = {};
    created = tracking = false;
    return true;
}

bool CViewScrollBars::Layout() {
    if (!created || !parent) return false;
    RECT client = {};
    GetClientRect(parent, &client);
    const ScrollBarsLayout layout =
        ComputeScrollBarsLayout(client, AppState::ViewMargins, thicknessA, Browser.GetListAreaWidth(),
                                BrowserTopShare(), ImageToolBar.created ? ImageToolBar.marginTaken : 0);
    PlaceControl(horizontal, layout.horizontal);
    PlaceControl(vertical, layout.vertical);
    PlaceControl(slider, layout.slider);
    return true;
}

bool CViewScrollBars::UpdateRanges() {
    if (!created || !parent) return false;
    // The slider follows every zoom change, fitting included.
    if (slider) {
        const int slot = FindZoomSlot(AppState::Zoom);
        SendMessageW(slider, TBM_SETPOS, TRUE, slot < 0 ? 0 : slot);
    }
    if (!AppState::CurrentImage.IsValid()) return false;
    RECT client = {};
    GetClientRect(parent, &client);
    const RECT& m = AppState::ViewMargins;
    const SIZE zoomed = GetZoomedImageSize();
    const ScrollBarRange ranges[2] = {
        ComputeScrollBarRange((int)zoomed.cx, ScrollBarPage(client.right, m.left, m.right, Browser.GetListAreaWidth()),
                              AppState::ScrollOffset.x),
        ComputeScrollBarRange((int)zoomed.cy, ScrollBarPage(client.bottom, m.top, m.bottom, BrowserTopShare()),
                              AppState::ScrollOffset.y)};
    const HWND bars[2] = {horizontal, vertical};
    for (int i = 0; i < 2; ++i) {
        if (!bars[i]) continue;
        // A bar whose content fits stays shown, disabled.
        SCROLLINFO info = {sizeof(info), SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL};
        info.nMin = 0;
        info.nMax = ranges[i].max;
        info.nPage = (UINT)ranges[i].page;
        info.nPos = ranges[i].pos;
        SetScrollInfo(bars[i], SB_CTL, &info, TRUE);
    }
    return true;
}

namespace {

// One scroll bar's code on its axis (the left/up, right/down codes share
// their values): lines of 20, pages of 50, or the thumb's position.
void ScrollByCode(CViewScrollBars& bars, HWND bar, bool horizontalAxis, int code) {
    int step = 0;
    switch (code) {
    case SB_LINEUP: step = 20; break;
    case SB_LINEDOWN: step = -20; break;
    case SB_PAGEUP: step = 50; break;
    case SB_PAGEDOWN: step = -50; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        // The track position is read whole: a zoomed picture can be larger
        // than the 16 bits of the message.
        SCROLLINFO info = {sizeof(info), SIF_TRACKPOS | SIF_PAGE};
        GetScrollInfo(bar, SB_CTL, &info);
        const SIZE zoomed = GetZoomedImageSize();
        const int offset =
            ScrollOffsetFromThumb((int)(horizontalAxis ? zoomed.cx : zoomed.cy), (int)info.nPage, info.nTrackPos);
        (horizontalAxis ? AppState::ScrollOffset.x : AppState::ScrollOffset.y) = offset;
        bars.UpdateRanges();
        InvalidateRect(bars.parent, nullptr, FALSE);
        UpdateWindow(bars.parent);
        return;
    }
    default: return;
    }
    if (horizontalAxis) ScrollView(step, 0, true);
    else ScrollView(0, step, true);
}

}  // namespace

bool CViewScrollBars::OnHScroll(LPARAM control, WPARAM wParam) {
    if (!created || !horizontal || (HWND)control != horizontal) return false;
    ScrollByCode(*this, horizontal, true, LOWORD(wParam));
    return true;
}

bool CViewScrollBars::OnVScroll(LPARAM control, WPARAM wParam) {
    if (!created || !control) return false;
    const int code = LOWORD(wParam);
    if ((HWND)control == vertical) {
        ScrollByCode(*this, vertical, false, code);
        return true;
    }
    if ((HWND)control != slider) return false;
    if (code != TB_PAGEUP && code != TB_PAGEDOWN && code != TB_THUMBPOSITION && code != TB_THUMBTRACK) return true;
    if (code != TB_THUMBPOSITION && !tracking && tip) {
        TOOLINFOW tool = ZoomTool(*this);
        SendMessageW(tip, TTM_TRACKACTIVATE, TRUE, (LPARAM)&tool);
        tracking = true;
    }
    int position = (int)SendMessageW(slider, TBM_GETPOS, 0, 0);
    if (position < 0) position = 0;
    if (position >= kZoomSlotCount) position = kZoomSlotCount - 1;
    SetZoom(kZoomSlots[position], false);
    ShowZoomTip();
    if (code != TB_THUMBTRACK) {
        if (tip) {
            TOOLINFOW tool = ZoomTool(*this);
            SendMessageW(tip, TTM_TRACKACTIVATE, FALSE, (LPARAM)&tool);
        }
        tracking = false;
    }
    return true;
}

void CViewScrollBars::ShowZoomTip() {
    if (!tip || !tracking) return;
    RECT sliderRect = {};
    GetWindowRect(slider, &sliderRect);
    POINT cursor = {};
    GetCursorPos(&cursor);
    SendMessageW(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(sliderRect.left + thicknessA + 10, cursor.y));
    wchar_t text[32];
    FormatZoomTip(text, 32, AppState::Zoom);
    TOOLINFOW tool = ZoomTool(*this);
    tool.lpszText = text;
    SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, (LPARAM)&tool);
}
