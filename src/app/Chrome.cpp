// The chrome as it stands now: the status bar is a real status window; the
// tool bars and scroll bars only reserve their strips of the view so that
// layout and painting already work with the final margins.
#include "app/Chrome.h"

#include <cwchar>

#include "app/AppState.h"
#include "image/Common.h"
#include "command_ids.h"

CMainToolBar MainToolBar;
CStatusBar StatusBar;
CViewScrollBars ViewScrollBars;
CImageToolBar ImageToolBar;
CSkin Skin;

void CMainToolBar::Create(HWND ownerWindow) {
    if (created) {
        UpdateButtonStates();
        return;
    }
    owner = ownerWindow;
    marginTaken = MAIN_TOOLBAR_HEIGHT;
    AppState::ViewMargins.top += marginTaken;
    created = true;
}

void CMainToolBar::Destroy() {
    if (!created) return;
    AppState::ViewMargins.top -= marginTaken;
    marginTaken = 0;
    created = false;
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

void CMainToolBar::Resize() {}
void CMainToolBar::UpdateButtonStates() {}
void CMainToolBar::OnChevron(NMHDR*, HWND) {}
bool CMainToolBar::GetTooltipText(NMTTDISPINFOW*) { return false; }

void CStatusBar::Create(HWND mainWindow) {
    if (created) {
        Update();
        return;
    }
    window = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, mainWindow, nullptr,
                             AppState::Instance, nullptr);
    RECT r = {};
    if (window) GetWindowRect(window, &r);
    marginTaken = window && r.bottom > r.top ? (int)(r.bottom - r.top) : (int)STATUS_BAR_HEIGHT;
    AppState::ViewMargins.bottom += marginTaken;
    created = true;
    Update();
}

void CStatusBar::Destroy() {
    if (!created) return;
    if (window) DestroyWindow(window);
    window = nullptr;
    AppState::ViewMargins.bottom -= marginTaken;
    marginTaken = 0;
    created = false;
}

void CStatusBar::Resize() {
    if (created && window) SendMessageW(window, WM_SIZE, 0, 0);
}

void CStatusBar::Update() {
    if (!created || !window) return;
    wchar_t text[MAX_PATH + 64];
    if (AppState::DocumentKind == DOC_LOAD_FAILED) {
        swprintf(text, MAX_PATH + 64, L"Failed to load: %ls", AppState::CurrentFile);
    } else if (AppState::CurrentImage.IsValid()) {
        swprintf(text, MAX_PATH + 64, L"%u x %u x %d  %d%%", AppState::CurrentImage.GetWidth(),
                 AppState::CurrentImage.GetHeight(), AppState::CurrentImage.GetBpp(),
                 (int)(AppState::Zoom * 100.0f + 0.5f));
    } else {
        CopyStringW(text, L"Ready", MAX_PATH + 64);
    }
    SendMessageW(window, SB_SETTEXTW, 0, (LPARAM)text);
}

void CViewScrollBars::Create(HWND, HINSTANCE) {
    if (created) {
        UpdateRanges();
        return;
    }
    // The zoom slider on the left and the vertical bar on the right are as
    // wide as a horizontal bar is high; the horizontal bar is as high as a
    // vertical bar is wide.
    const int across = GetSystemMetrics(SM_CXHSCROLL), down = GetSystemMetrics(SM_CXVSCROLL);
    marginsTaken = {across, 0, across, down};
    AppState::ViewMargins.left += marginsTaken.left;
    AppState::ViewMargins.right += marginsTaken.right;
    AppState::ViewMargins.bottom += marginsTaken.bottom;
    created = true;
}

void CViewScrollBars::Destroy() {
    if (!created) return;
    AppState::ViewMargins.left -= marginsTaken.left;
    AppState::ViewMargins.top -= marginsTaken.top;
    AppState::ViewMargins.right -= marginsTaken.right;
    AppState::ViewMargins.bottom -= marginsTaken.bottom;
    marginsTaken = {};
    created = false;
}

void CViewScrollBars::Layout() {}
void CViewScrollBars::UpdateRanges() {}
void CViewScrollBars::OnHScroll(LPARAM, WPARAM) {}
void CViewScrollBars::OnVScroll(LPARAM, WPARAM) {}

void CImageToolBar::Create(HWND) {
    if (created) {
        UpdateButtonStates();
        return;
    }
    marginTaken = IMAGE_TOOLBAR_WIDTH;
    length = 10 * IMAGE_TOOLBAR_WIDTH;
    AppState::ViewMargins.right += marginTaken;
    created = true;
}

void CImageToolBar::Destroy() {
    if (!created) return;
    AppState::ViewMargins.right -= marginTaken;
    marginTaken = 0;
    created = false;
}

void CImageToolBar::Reposition() {}
void CImageToolBar::UpdateButtonStates() {}
bool CImageToolBar::GetTooltipText(NMTTDISPINFOW*) { return false; }

void CSkin::GetSkinsFolder(wchar_t* out) {
    if (!skinsFolder[0]) {
        GetProgramFolder(skinsFolder);
        AppendPath(skinsFolder, L"Skins");
    }
    CopyStringW(out, skinsFolder);
}

void CSkin::GetIniPath(wchar_t* out) {
    if (!iniPath[0]) {
        wchar_t folder[MAX_PATH];
        GetSkinsFolder(folder);
        swprintf(iniPath, MAX_PATH, L"%ls\\%ls.ini", folder, name);
    }
    CopyStringW(out, iniPath);
}

int CSkin::GetInt(const wchar_t* key) const { return (int)GetPrivateProfileIntW(L"Skin", key, 16, iniPath); }

bool CSkin::Load(const wchar_t* skinName) {
    CopyStringW(name, skinName ? skinName : L"Win2K");
    skinsFolder[0] = iniPath[0] = 0;
    wchar_t buffer[MAX_PATH];
    GetSkinsFolder(buffer);
    GetIniPath(buffer);
    cxPlayerButton = GetInt(L"cxPlayerButton");
    cyPlayerButton = GetInt(L"cyPlayerButton");
    cxPlayerImage = GetInt(L"cxPlayerImage");
    cyPlayerImage = GetInt(L"cyPlayerImage");
    loaded = true;
    return true;
}
