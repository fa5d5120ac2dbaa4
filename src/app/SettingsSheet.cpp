#include "app/SettingsSheet.h"

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cwchar>
#include <iterator>

#include "app/AppState.h"
#include "app/Chrome.h"
#include "app/ColorChooser.h"
#include "app/Language.h"
#include "app/MainMenu.h"
#include "app/MainToolBar.h"
#include "app/Skin.h"
#include "app/View.h"
#include "app_ids.h"
#include "app_settings_ids.h"
#include "browser/Browser.h"
#include "browser/BrowserState.h"
#include "browser/FileListView.h"
#include "formats/FormatCodecs.h"
#include "image/Common.h"
#include "image/Image.h"
#include "image/Registry.h"

namespace {

constexpr wchar_t kDefaultCaptions[] =
    L"Quorvane Settings|General|Viewer|Browser|Toolbar|Mediafiles|Viewstyle|Associations|Skin|Presentation";

struct PageRow {
    const wchar_t* dialogTemplate;
    DLGPROC proc;
};
const PageRow kPages[SETTINGS_PAGE_COUNT] = {
    {L"SETTINGS_GENERALDLG", GeneralPageProc},
    {L"SETTINGS_VIEWERDLG", ViewerPageProc},
    {L"SETTINGS_BROWSERDLG", BrowserPageProc},
    {L"SETTINGS_TOOLBARDLG", ToolbarPageProc},
    {L"SETTINGS_MEDIADLG", MediaPageProc},
    {L"SETTINGS_VIEWSTYLEDLG", ViewStylePageProc},
    {L"SETTINGS_FILEASSOCSDLG", FileAssocsPageProc},
    {L"SETTINGS_SKINDLG", SkinPageProc},
    {L"SETTINGS_PRESENTATIONDLG", PresentationPageProc},
};

// A check box that edits one setting (1 when checked).
struct CheckSetting {
    int control;
    int* setting;
};

void SetChecks(HWND page, const CheckSetting* checks, size_t count) {
    for (size_t i = 0; i < count; ++i)
        CheckDlgButton(page, checks[i].control, *checks[i].setting == 1 ? BST_CHECKED : BST_UNCHECKED);
}

void ReadChecks(HWND page, const CheckSetting* checks, size_t count) {
    for (size_t i = 0; i < count; ++i)
        *checks[i].setting = IsDlgButtonChecked(page, checks[i].control) == BST_CHECKED ? 1 : 0;
}

bool Checked(HWND page, int control) { return IsDlgButtonChecked(page, control) == BST_CHECKED; }

// Every page: the sheet centred on the desktop, the page's language texts.
void InitPage(HWND page, const wchar_t* section) {
    CenterWindow(GetParent(page), GetDesktopWindow());
    LangApplyDialog(page, section);
}

bool IsApply(LPARAM lParam) { return reinterpret_cast<const NMHDR*>(lParam)->code == PSN_APPLY; }

INT_PTR Applied(HWND page) {
    SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
    return TRUE;
}

void FillCombo(HWND page, int control, const wchar_t* section, const wchar_t* key, int value, const wchar_t* list) {
    LangFillComboBox(GetDlgItem(page, control), section, key, value, list);
}

// The combo's row, or the setting as it was when nothing is selected.
int ComboRow(HWND page, int control, int current) {
    const LRESULT row = SendDlgItemMessageW(page, control, CB_GETCURSEL, 0, 0);
    return row == CB_ERR ? current : (int)row;
}

int EditNumber(HWND page, int control) {
    BOOL ok = FALSE;
    const UINT value = GetDlgItemInt(page, control, &ok, FALSE);
    return ok ? (int)std::min<UINT>(value, 0x7FFFFFFF) : 0;
}

void SetTrackbar(HWND page, int control, int low, int high, int frequency, int position) {
    SendDlgItemMessageW(page, control, TBM_SETRANGE, FALSE, MAKELPARAM(low, high));
    SendDlgItemMessageW(page, control, TBM_SETTICFREQ, (WPARAM)frequency, 0);
    SendDlgItemMessageW(page, control, TBM_SETPOS, TRUE, (LPARAM)position);
}

int TrackbarPosition(HWND page, int control) { return (int)SendDlgItemMessageW(page, control, TBM_GETPOS, 0, 0); }

// Hands a picture to a static control and deletes the one it gave back; the
// control never owns what it shows.
void ReplaceStaticBitmap(HWND page, int control, HBITMAP bitmap) {
    HBITMAP previous = (HBITMAP)SendDlgItemMessageW(page, control, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)bitmap);
    if (previous && previous != bitmap) DeleteObject(previous);
}

void FreeStaticBitmaps(HWND page, const int* controls, size_t count) {
    for (size_t i = 0; i < count; ++i) ReplaceStaticBitmap(page, controls[i], nullptr);
}

// The main window after a change of its chrome: the browser laid out when it
// is shown, else the window fitted to the zoomed picture.
void RelayoutMainWindow() {
    if (Browser.IsShown()) {
        Browser.Layout();
    } else if (AppState::CurrentImage.IsValid()) {
        FitWindowToImage((int)(AppState::CurrentImage.GetWidth() * AppState::Zoom),
                         (int)(AppState::CurrentImage.GetHeight() * AppState::Zoom), AppState::MainWindow);
    }
}

void RecreateMainToolBar() {
    if (!AppState::GeneralShowToolbar) return;
    MainToolBar.Destroy();
    MainToolBar.Create(AppState::MainWindow);
    MainToolBar.UpdateButtonStates();
}

// A colour button: the system dialog on the setting's colour; the choice is
// stored at once and the swatch repainted.
void ChooseSettingColor(HWND page, int swatch, int* setting) {
    COLORREF color = (COLORREF)*setting;
    if (!ChooseColorFor(page, &color)) return;
    *setting = (int)color;
    SetColorSwatch(page, swatch, color);
    if (AppState::MainWindow) InvalidateRect(AppState::MainWindow, nullptr, FALSE);
}

// ---- General ----

const CheckSetting kGeneralChecks[] = {
    {IDC_GENERAL_VIEW_IMAGES, &AppState::GeneralViewImages},
    {IDC_GENERAL_PLAY_VIDEOS, &AppState::GeneralPlayVideos},
    {IDC_GENERAL_PLAY_MUSIC, &AppState::GeneralPlayMusic},
    {IDC_GENERAL_NO_RECENT_FILES, &AppState::PrivacyNoRecentlyOpenedList},
    {IDC_GENERAL_NO_BROWSED_FOLDERS, &AppState::PrivacyNoBrowsedDirsList},
    {IDC_GENERAL_HIDDEN_FILES, &AppState::GeneralShowHiddenFiles},
    {IDC_GENERAL_HIDDEN_FOLDERS, &AppState::GeneralShowHiddenFolders},
    {IDC_GENERAL_ALWAYS_ON_TOP, &AppState::GeneralAlwaysOnTop},
    {IDC_GENERAL_ONE_INSTANCE, &AppState::GeneralUseOnlyOneInstance},
    {IDC_GENERAL_OWNERDRAWN_MENU, &AppState::GeneralOwnerdrawnMenu},
};
int g_ownerDrawnAtOpen = 1;

// ---- Viewer ----

const CheckSetting kViewerChecks[] = {
    {IDC_VIEWER_WRAP_AROUND, &AppState::ViewerWrapAround},
    {IDC_VIEWER_INVERT_SELECTION, &AppState::ViewerInvertSelectionRectangle},
    {IDC_VIEWER_WINDOW_POSITIONING, &AppState::ViewerIntelligentWindowPositioning},
};
const int kViewerSwatches[] = {IDC_VIEWER_BACKGROUND_SWATCH, IDC_VIEWER_MARKER_SWATCH};

// ---- Browser ----

const CheckSetting kBrowserChecks[] = {
    {IDC_BROWSER_CACHING, &AppState::BrowserUseCaching},
    {IDC_BROWSER_STRETCH_SMALL, &AppState::BrowserStretchSmallThumbnails},
    {IDC_BROWSER_HIDE_SUBFOLDERS, &AppState::BrowserHideSubfolders},
};
const int kBrowserPictures[] = {IDC_BROWSER_BACKGROUND_SWATCH, IDC_BROWSER_PREVIEW};
struct CellControl {
    int track, edit, low, high;
};
const CellControl kCellControls[3] = {
    {IDC_BROWSER_WIDTH_TRACK, IDC_BROWSER_WIDTH_EDIT, kThumbnailMinWidth, kThumbnailMaxWidth},
    {IDC_BROWSER_HEIGHT_TRACK, IDC_BROWSER_HEIGHT_EDIT, kThumbnailMinHeight, kThumbnailMaxHeight},
    {IDC_BROWSER_BORDER_TRACK, IDC_BROWSER_BORDER_EDIT, kThumbnailMinBorder, kThumbnailMaxBorder},
};
ThumbnailCellSize g_workingCell = {120, 90, 6};
bool g_browserPageReady = false;

int& CellValue(ThumbnailCellSize& cell, int index) {
    return index == 0 ? cell.width : index == 1 ? cell.height : cell.border;
}

void EnableClearButton(HWND page) {
    EnableWindow(GetDlgItem(page, IDC_BROWSER_CLEAR_FOLDERS), AppState::RecentFolderCount > 0);
}

// Forgets the browsed folders: the stored names, the list and the address box.
void ClearBrowsedFolders(HWND page) {
    const int count = std::clamp(AppState::RecentFolderCount, 0, RECENT_FOLDER_CAPACITY);
    CRegistry registry(HKEY_CURRENT_USER);
    for (int i = 1; i <= count; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"BrowserDirs%d", i);
        registry.Delete(QRV_REGISTRY_KEY, name);
    }
    registry.Delete(QRV_REGISTRY_KEY, L"BrowserDirCount");
    AppState::RecentFolderCount = 0;
    if (Browser.addressCombo) SendMessageW(Browser.addressCombo, CB_RESETCONTENT, 0, 0);
    EnableClearButton(page);
}

void InitBrowserPage(HWND page) {
    g_browserPageReady = false;
    InitPage(page, L"Dlg_Browser");
    FillCombo(page, IDC_BROWSER_STYLE, L"Dlg_Browser", L"StyleCBX", AppState::BrowserStyle, L"Thumbnail|Report");
    FillCombo(page, IDC_BROWSER_SCALE_FILTER, L"Dlg_Browser", L"ScaleFilterCBX", AppState::BrowserScaleType,
              L"Low (fast)|High (slow)");
    FillCombo(page, IDC_BROWSER_COMPRESSION, L"Dlg_Browser", L"CompressionCBX",
              CompressionComboRow(AppState::BrowserCacheCompressionType), L"Lossy (JPG 80)|Lossy (JPG 50)");
    SetChecks(page, kBrowserChecks, std::size(kBrowserChecks));
    EnableWindow(GetDlgItem(page, IDC_BROWSER_COMPRESSION), AppState::BrowserUseCaching == 1);
    g_workingCell = {AppState::BrowserThumbnailWidth, AppState::BrowserThumbnailHeight,
                     AppState::BrowserThumbnailBorder};
    for (int i = 0; i < 3; ++i) {
        const CellControl& c = kCellControls[i];
        SetTrackbar(page, c.track, c.low, c.high, 1, CellValue(g_workingCell, i));
        SetDlgItemInt(page, c.edit, (UINT)std::max(0, CellValue(g_workingCell, i)), FALSE);
    }
    SetColorSwatch(page, IDC_BROWSER_BACKGROUND_SWATCH, (COLORREF)AppState::BrowserClrBackground);
    EnableClearButton(page);
    DrawThumbnailCellPreview(page, ClampThumbnailCell(g_workingCell));
    g_browserPageReady = true;
}

void ApplyBrowserPage(HWND page) {
    AppState::BrowserStyle = ComboRow(page, IDC_BROWSER_STYLE, AppState::BrowserStyle);
    AppState::BrowserScaleType = ComboRow(page, IDC_BROWSER_SCALE_FILTER, AppState::BrowserScaleType);
    AppState::BrowserCacheCompressionType = CompressionSetting(
        ComboRow(page, IDC_BROWSER_COMPRESSION, CompressionComboRow(AppState::BrowserCacheCompressionType)));
    ReadChecks(page, kBrowserChecks, std::size(kBrowserChecks));
    const ThumbnailCellSize typed =
        ClampThumbnailCell({EditNumber(page, IDC_BROWSER_WIDTH_EDIT), EditNumber(page, IDC_BROWSER_HEIGHT_EDIT),
                            EditNumber(page, IDC_BROWSER_BORDER_EDIT)});
    AppState::BrowserThumbnailWidth = typed.width;
    AppState::BrowserThumbnailHeight = typed.height;
    AppState::BrowserThumbnailBorder = typed.border;
}

// ---- Toolbar ----

struct ToolBarCheck {
    int control;
    int position;
};
const ToolBarCheck kToolBarChecks[] = {
    {IDC_TOOLBAR_OPEN, 0},       {IDC_TOOLBAR_RELOAD, 1},    {IDC_TOOLBAR_BROWSE, 2},
    {IDC_TOOLBAR_PREVIOUS, 4},   {IDC_TOOLBAR_NEXT, 5},      {IDC_TOOLBAR_EXIT, 7},
    {IDC_TOOLBAR_SAVE, 8},       {IDC_TOOLBAR_PRINT, 9},     {IDC_TOOLBAR_ACQUIRE, 10},
    {IDC_TOOLBAR_UNDO, 11},      {IDC_TOOLBAR_REDO, 12},     {IDC_TOOLBAR_ZOOM_IN, 14},
    {IDC_TOOLBAR_ZOOM_100, 15},  {IDC_TOOLBAR_ZOOM_OUT, 16}, {IDC_TOOLBAR_FILE_OPERATIONS, 18},
    {IDC_TOOLBAR_SLIDESHOW, 19}, {IDC_TOOLBAR_SETTINGS, 21}, {IDC_TOOLBAR_ABOUT, 22},
};
const CheckSetting kToolBarOptions[] = {
    {IDC_TOOLBAR_TOOLTIPS, &AppState::ToolBarShowToolTips},
    {IDC_TOOLBAR_SNAP, &AppState::ToolBarSnapButtons},
};

void InitToolbarPage(HWND page) {
    InitPage(page, L"Dlg_Toolbar");
    // The buttons are named as on the bar, also without a language file.
    LangApplyToolbarLabels(page);
    for (const ToolBarCheck& check : kToolBarChecks)
        CheckDlgButton(page, check.control,
                       AppState::ToolBarBtnUsed[check.position] == 1 ? BST_CHECKED : BST_UNCHECKED);
    SetChecks(page, kToolBarOptions, std::size(kToolBarOptions));
    FillCombo(page, IDC_TOOLBAR_BACKGROUND, L"Dlg_Toolbar", L"BackgroundCBX",
              AppState::ToolBarBackgroundType == 0 ? 0 : 1, L"Gradient|None");
    const int labels = AppState::ToolBarShowLabels;
    const int radio = labels == 0   ? IDC_TOOLBAR_LABELS_NONE
                      : labels == 2 ? IDC_TOOLBAR_LABELS_RIGHT
                                    : IDC_TOOLBAR_LABELS_BELOW;
    CheckRadioButton(page, IDC_TOOLBAR_LABELS_NONE, IDC_TOOLBAR_LABELS_BELOW, radio);
}

void ApplyToolbarPage(HWND page) {
    for (const ToolBarCheck& check : kToolBarChecks)
        AppState::ToolBarBtnUsed[check.position] = Checked(page, check.control) ? 1 : 0;
    DeriveToolBarSeparators(AppState::ToolBarBtnUsed);
    ReadChecks(page, kToolBarOptions, std::size(kToolBarOptions));
    AppState::ToolBarBackgroundType = ComboRow(page, IDC_TOOLBAR_BACKGROUND, AppState::ToolBarBackgroundType);
    AppState::ToolBarShowLabels =
        ToolBarLabelsSetting(Checked(page, IDC_TOOLBAR_LABELS_NONE), Checked(page, IDC_TOOLBAR_LABELS_RIGHT),
                             Checked(page, IDC_TOOLBAR_LABELS_BELOW));
    if (!AppState::GeneralShowToolbar) return;
    RecreateMainToolBar();
    RelayoutMainWindow();
}

// ---- Mediafiles ----

const CheckSetting kMediaChecks[] = {
    {IDC_MEDIA_VIDEO_AUTOPLAY, &AppState::VideoAutoPlay},
    {IDC_MEDIA_VIDEO_LOOP, &AppState::VideoLoop},
    {IDC_MEDIA_VIDEO_MUTE, &AppState::VideoMuteAudio},
    {IDC_MEDIA_ALPHABLEND, &AppState::ImageAlphaBlend32BitAtLoadTime},
    {IDC_MEDIA_GAMMA, &AppState::ImageAdjustGammaAtLoadTime},
    {IDC_MEDIA_AUDIO_AUTOPLAY, &AppState::AudioAutoPlay},
    {IDC_MEDIA_AUDIO_LOOP, &AppState::AudioLoop},
};

void ShowGamma(HWND page) {
    wchar_t text[32];
    FormatGammaText(text, std::size(text), TrackbarPosition(page, IDC_MEDIA_GAMMA_TRACK));
    SetDlgItemTextW(page, IDC_MEDIA_GAMMA_TEXT, text);
}

// ---- Viewstyle ----

int* const kViewStyleSettings[3] = {&AppState::ViewStyleViewer, &AppState::ViewStyleBrowser,
                                    &AppState::ViewStylePresentation};
const int kViewStyleControls[3][6] = {
    {IDC_VIEWSTYLE_VIEWER_0, IDC_VIEWSTYLE_VIEWER_1, IDC_VIEWSTYLE_VIEWER_2, IDC_VIEWSTYLE_VIEWER_3,
     IDC_VIEWSTYLE_VIEWER_4, IDC_VIEWSTYLE_VIEWER_5},
    {IDC_VIEWSTYLE_BROWSER_0, IDC_VIEWSTYLE_BROWSER_1, IDC_VIEWSTYLE_BROWSER_2, IDC_VIEWSTYLE_BROWSER_3,
     IDC_VIEWSTYLE_BROWSER_4, IDC_VIEWSTYLE_BROWSER_5},
    {IDC_VIEWSTYLE_PRESENTATION_0, IDC_VIEWSTYLE_PRESENTATION_1, IDC_VIEWSTYLE_PRESENTATION_2,
     IDC_VIEWSTYLE_PRESENTATION_3, IDC_VIEWSTYLE_PRESENTATION_4, IDC_VIEWSTYLE_PRESENTATION_5},
};

void ShowViewStyles(HWND page) {
    for (const auto& group : kViewStyleControls)
        for (int control : group) CheckDlgButton(page, control, BST_UNCHECKED);
    for (int g = 0; g < 3; ++g) {
        const int value = *kViewStyleSettings[g];
        if (value >= 0 && value < 6) CheckDlgButton(page, kViewStyleControls[g][value], BST_CHECKED);
    }
}

// A click stores its value at once: the sheet's Cancel keeps it.
bool OnViewStyleClick(HWND page, int control) {
    for (int g = 0; g < 3; ++g)
        for (int value = 0; value < 6; ++value)
            if (kViewStyleControls[g][value] == control) {
                *kViewStyleSettings[g] = value;
                ShowViewStyles(page);
                return true;
            }
    return false;
}

// ---- Skin ----

wchar_t g_skinAtOpen[MAX_PATH] = {};
const int kSkinPictures[] = {IDC_SKIN_TOOLBAR_PICTURE, IDC_SKIN_IMAGEBAR_PICTURE, IDC_SKIN_BROWSER_PICTURE,
                             IDC_SKIN_MENU_PICTURE, IDC_SKIN_PLAYER_PICTURE};

void FillSkinCombo(HWND page) {
    HWND combo = GetDlgItem(page, IDC_SKIN_NAME);
    wchar_t pattern[MAX_PATH] = {};
    if (!Skin.GetSkinsFolder(pattern) || !AppendPath(pattern, L"*.ini")) return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (wchar_t* dot = wcsrchr(found.cFileName, L'.')) *dot = L'\0';
        SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    const LRESULT row = SendMessageW(combo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)AppState::SkinName);
    if (row != CB_ERR) SendMessageW(combo, CB_SETCURSEL, (WPARAM)row, 0);
}

bool SelectedSkin(HWND page, wchar_t* name) {
    name[0] = L'\0';
    HWND combo = GetDlgItem(page, IDC_SKIN_NAME);
    const LRESULT row = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (row == CB_ERR || SendMessageW(combo, CB_GETLBTEXTLEN, (WPARAM)row, 0) >= MAX_PATH) return false;
    SendMessageW(combo, CB_GETLBTEXT, (WPARAM)row, (LPARAM)name);
    return name[0] != L'\0';
}

// The new skin reaches the menu, both tool bars and the browser.
void ApplySkin() {
    const bool playerStrip = Skin.playerBitmap != nullptr;
    Skin.Load(AppState::SkinName);
    if (playerStrip) Skin.LoadPlayerBitmap();
    MainMenu.FreeSkinBitmaps();
    MainMenu.LoadSkinBitmaps();
    RecreateMainToolBar();
    if (ImageToolBar.created) {
        ImageToolBar.Destroy();
        ImageToolBar.Create(AppState::MainWindow);
        ImageToolBar.UpdateButtonStates();
    }
    if (Browser.IsShown()) {
        Browser.DestroyToolbar();
        Browser.CreateToolbar();
        Browser.DestroyTabs();
        Browser.CreateTabs();
        Browser.Layout();
    } else {
        RelayoutMainWindow();
    }
}

void ApplySkinPage(HWND page) {
    wchar_t name[MAX_PATH];
    if (!SelectedSkin(page, name)) return;
    CopyStringW(AppState::SkinName, name);
    if (lstrcmpiW(name, g_skinAtOpen) == 0) return;
    ApplySkin();
    CopyStringW(g_skinAtOpen, name);
}

// ---- Presentation ----

const CheckSetting kPresentationChecks[] = {
    {IDC_PRESENTATION_START, &AppState::GeneralAlwaysStartInPresentationMode},
    {IDC_PRESENTATION_TRANSITIONS, &AppState::TransitionEffectsInPresentationMode},
    {IDC_PRESENTATION_WRAP_AROUND, &AppState::SlideShowWrapAround},
    {IDC_PRESENTATION_PLAY_TILL_END, &AppState::SlideShowPlayMediaTillEnd},
};
bool g_presentationPageReady = false;

// A bitmap of the screen's format, filled by draw through a memory context.
template <typename Draw>
HBITMAP PaintBitmap(HWND window, int width, int height, Draw draw) {
    HDC screen = GetDC(window);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    if (bitmap && dc) {
        HGDIOBJ old = SelectObject(dc, bitmap);
        draw(dc);
        SelectObject(dc, old);
    }
    if (dc) DeleteDC(dc);
    ReleaseDC(window, screen);
    return bitmap;
}

// A skin bitmap as a picture the static control can show; null when missing.
HBITMAP LoadSkinPicture(const CSkin& skin, const wchar_t* part, HWND page) {
    wchar_t path[MAX_PATH];
    if (!skin.GetBitmapPath(part, path) || GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return nullptr;
    CImage image;
    wchar_t error[FORMAT_ERROR_CHARS] = {};
    LoadCall call;
    if (!LoadBmp(image, path, error, call) || !image.IsValid()) return nullptr;
    const int width = (int)image.GetWidth(), height = (int)image.GetHeight();
    return PaintBitmap(page, width, height, [&](HDC dc) { image.BitBltTo(dc, 0, 0, SRCCOPY); });
}

void ShowButtonSize(HWND page, int control, int cx, int cy) {
    wchar_t text[64];
    swprintf(text, 64, L"Size: %dx%d Pixel", cx, cy);
    SetDlgItemTextW(page, control, text);
}

}  // namespace

// ---- plain values ----

ThumbnailCellSize ClampThumbnailCell(ThumbnailCellSize size) {
    return {std::clamp(size.width, kThumbnailMinWidth, kThumbnailMaxWidth),
            std::clamp(size.height, kThumbnailMinHeight, kThumbnailMaxHeight),
            std::clamp(size.border, kThumbnailMinBorder, kThumbnailMaxBorder)};
}

ThumbnailPreviewLayout ComputeThumbnailPreview(ThumbnailCellSize size) {
    ThumbnailPreviewLayout layout;
    const int left = std::max(0, (kThumbnailPreviewWidth - size.width) / 2);
    const int top = std::max(0, (kThumbnailPreviewHeight - size.height) / 2);
    layout.cell = {left, top, left + size.width, top + size.height};
    layout.inner = {left + size.border, top + size.border, left + size.width - size.border,
                    top + size.height - size.border};
    return layout;
}

int CompressionComboRow(int setting) { return std::clamp(setting - 1, 0, 1); }
int CompressionSetting(int row) { return std::clamp(row, 0, 1) + 1; }

void DeriveToolBarSeparators(int (&used)[23]) {
    auto count = [&](int first, int last) {
        int n = 0;
        for (int i = first; i <= last; ++i) n += used[i] == 1;
        return n;
    };
    used[3] = count(0, 2) > 1;
    used[6] = count(4, 5) == 2;
    used[13] = count(7, 12) > 1;
    used[17] = count(14, 16) > 1;
    used[20] = count(18, 19) > 0;
}

void FormatGammaText(wchar_t* out, size_t size, int position) { swprintf(out, size, L"%0.2f", position * 0.1); }

int ToolBarLabelsSetting(bool none, bool right, bool below) {
    if (none) return 0;
    if (right) return 2;
    (void)below;
    return 1;
}

// ---- drawing ----

bool SetColorSwatch(HWND page, int control, COLORREF color) {
    HWND target = GetDlgItem(page, control);
    if (!target) {
        ShowMessage(L"no hwnd");
        return false;
    }
    HBITMAP bitmap = PaintBitmap(AppState::MainWindow, 60, 20, [&](HDC dc) {
        HBRUSH brush = CreateSolidBrush(color);
        RECT all = {0, 0, 60, 20};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
    });
    ReplaceStaticBitmap(page, control, bitmap);
    return true;
}

void DrawThumbnailCellPreview(HWND page, ThumbnailCellSize size) {
    const ThumbnailPreviewLayout layout = ComputeThumbnailPreview(size);
    HBITMAP bitmap = PaintBitmap(page, kThumbnailPreviewWidth, kThumbnailPreviewHeight, [&](HDC dc) {
        RECT all = {0, 0, kThumbnailPreviewWidth, kThumbnailPreviewHeight};
        FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
        const RECT& c = layout.cell;
        DrawFlatThumbnailFrame(dc, c.left, c.top, c.right - 1, c.bottom - 1);
        const RECT& in = layout.inner;
        if (in.right > in.left && in.bottom > in.top) {
            FillRect(dc, &in, GetSysColorBrush(COLOR_3DLIGHT));
            DrawShadowThumbnailFrame(dc, in.left, in.top, in.right - 1, in.bottom - 1);
        }
    });
    ReplaceStaticBitmap(page, IDC_BROWSER_PREVIEW, bitmap);
}

void ShowSkinPreview(const wchar_t* skinName, HWND page) {
    if (!skinName) return;
    CSkin preview;
    preview.Load(skinName);
    struct Picture {
        const wchar_t* part;
        int control;
    };
    static const Picture kPictures[] = {
        {L"Cold.bmp", IDC_SKIN_TOOLBAR_PICTURE},        {L"ImageCold.bmp", IDC_SKIN_IMAGEBAR_PICTURE},
        {L"BrowserCold.bmp", IDC_SKIN_BROWSER_PICTURE}, {L"MenuCold.bmp", IDC_SKIN_MENU_PICTURE},
        {L"Player.bmp", IDC_SKIN_PLAYER_PICTURE},
    };
    for (const Picture& picture : kPictures)
        ReplaceStaticBitmap(page, picture.control, LoadSkinPicture(preview, picture.part, page));

    wchar_t ini[MAX_PATH] = {}, name[256] = {}, author[256] = {};
    if (preview.GetIniPath(ini)) {
        GetPrivateProfileStringW(L"Skin", L"Name", L"", name, 256, ini);
        GetPrivateProfileStringW(L"Skin", L"Author", L"", author, 256, ini);
    }
    wchar_t title[600];
    swprintf(title, 600, L"Skin \"%ls\" by \"%ls\".", name, author);
    SetDlgItemTextW(page, IDC_SKIN_TITLE, title);
    ShowButtonSize(page, IDC_SKIN_TOOLBAR_SIZE, preview.GetInt(L"cxButton"), preview.GetInt(L"cyButton"));
    ShowButtonSize(page, IDC_SKIN_IMAGEBAR_SIZE, preview.GetInt(L"cxButtonImage"), preview.GetInt(L"cyButtonImage"));
    ShowButtonSize(page, IDC_SKIN_BROWSER_SIZE, preview.GetInt(L"cxButtonBrowser"), preview.GetInt(L"cyButtonBrowser"));
    SetDlgItemTextW(page, IDC_SKIN_MENU_SIZE, L"Size: 16x16 Pixel");
    ShowButtonSize(page, IDC_SKIN_PLAYER_SIZE, preview.GetInt(L"cxPlayerButton"), preview.GetInt(L"cyPlayerButton"));
}

// ---- the sheet ----

void ShowSettingsSheet(int startPage) {
    int count = 0, builtInCount = 0;
    const auto captions = LangGetList(L"SettingsCaptions", L"Captions", &count, kDefaultCaptions);
    const auto builtIn = SplitLangList(kDefaultCaptions, &builtInCount);
    auto caption = [&](int index) -> const wchar_t* {
        return index < count && captions[index][0] ? captions[index] : builtIn[index];
    };

    PROPSHEETPAGEW pages[SETTINGS_PAGE_COUNT] = {};
    for (int i = 0; i < SETTINGS_PAGE_COUNT; ++i) {
        pages[i].dwSize = sizeof(PROPSHEETPAGEW);
        pages[i].dwFlags = PSP_USETITLE;
        pages[i].hInstance = AppState::Instance;
        pages[i].pszTemplate = kPages[i].dialogTemplate;
        pages[i].pfnDlgProc = kPages[i].proc;
        pages[i].pszTitle = caption(i + 1);
    }
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(PROPSHEETHEADERW);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_USEICONID | PSH_NOAPPLYNOW | PSH_NOCONTEXTHELP;
    header.hwndParent = AppState::MainWindow;
    header.hInstance = AppState::Instance;
    header.pszIcon = MAKEINTRESOURCEW(IDI_QRV);
    header.pszCaption = caption(0);
    header.nPages = SETTINGS_PAGE_COUNT;
    header.nStartPage = (UINT)std::clamp(startPage, 0, SETTINGS_PAGE_COUNT - 1);
    header.ppsp = pages;
    if (PropertySheetW(&header) < 0) ShowMessage(L"Failed to create Settingsdialog!");
}

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitPage(page, L"Dlg_General");
        SetChecks(page, kGeneralChecks, std::size(kGeneralChecks));
        g_ownerDrawnAtOpen = AppState::GeneralOwnerdrawnMenu;
        return TRUE;
    case WM_NOTIFY:
        if (!IsApply(lParam)) return FALSE;
        ReadChecks(page, kGeneralChecks, std::size(kGeneralChecks));
        if (AppState::GeneralOwnerdrawnMenu != g_ownerDrawnAtOpen && MainMenu.created) {
            MainMenu.Destroy();
            MainMenu.Load(AppState::MainWindow);
            MainMenu.UpdateStates();
            g_ownerDrawnAtOpen = AppState::GeneralOwnerdrawnMenu;
        }
        return Applied(page);
    }
    return FALSE;
}

INT_PTR CALLBACK ViewerPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitPage(page, L"Dlg_Viewer");
        FillCombo(page, IDC_VIEWER_ZOOM_QUALITY, L"Dlg_Viewer", L"ZoomQualityCBX", AppState::GeneralZoomQuality,
                  L"Low Quality (Faster)|High Quality (Slower)");
        FillCombo(page, IDC_VIEWER_MARKER_WIDTH, L"Dlg_Viewer", L"RedMarkerWidthCBX", AppState::ViewerRedMarkerWidth,
                  L"4x4 Pixel|6x6 Pixel|8x8 Pixel|12x12 Pixel|16x16 Pixel");
        SetChecks(page, kViewerChecks, std::size(kViewerChecks));
        SetColorSwatch(page, IDC_VIEWER_BACKGROUND_SWATCH, (COLORREF)AppState::ViewerClrBackground);
        SetColorSwatch(page, IDC_VIEWER_MARKER_SWATCH, (COLORREF)AppState::ViewerRedMarkerColor);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        if (LOWORD(wParam) == IDC_VIEWER_BACKGROUND_BUTTON)
            ChooseSettingColor(page, IDC_VIEWER_BACKGROUND_SWATCH, &AppState::ViewerClrBackground);
        else if (LOWORD(wParam) == IDC_VIEWER_MARKER_BUTTON)
            ChooseSettingColor(page, IDC_VIEWER_MARKER_SWATCH, &AppState::ViewerRedMarkerColor);
        return TRUE;
    case WM_NOTIFY:
        if (!IsApply(lParam)) return FALSE;
        AppState::GeneralZoomQuality = ComboRow(page, IDC_VIEWER_ZOOM_QUALITY, AppState::GeneralZoomQuality);
        AppState::ViewerRedMarkerWidth = ComboRow(page, IDC_VIEWER_MARKER_WIDTH, AppState::ViewerRedMarkerWidth);
        ReadChecks(page, kViewerChecks, std::size(kViewerChecks));
        MainMenu.UpdateStates();
        return Applied(page);
    case WM_DESTROY: FreeStaticBitmaps(page, kViewerSwatches, std::size(kViewerSwatches)); return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK BrowserPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: InitBrowserPage(page); return TRUE;
    case WM_HSCROLL: {
        // A trackbar moved: the edits follow all three.
        const bool ready = g_browserPageReady;
        g_browserPageReady = false;
        for (int i = 0; i < 3; ++i) {
            CellValue(g_workingCell, i) = TrackbarPosition(page, kCellControls[i].track);
            SetDlgItemInt(page, kCellControls[i].edit, (UINT)CellValue(g_workingCell, i), FALSE);
        }
        g_browserPageReady = ready;
        DrawThumbnailCellPreview(page, ClampThumbnailCell(g_workingCell));
        return TRUE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam), code = HIWORD(wParam);
        if (code == EN_CHANGE) {
            if (!g_browserPageReady) return FALSE;
            for (int i = 0; i < 3; ++i) {
                if (kCellControls[i].edit != id) continue;
                CellValue(g_workingCell, i) = EditNumber(page, id);
                SendDlgItemMessageW(page, kCellControls[i].track, TBM_SETPOS, TRUE,
                                    (LPARAM)CellValue(g_workingCell, i));
                DrawThumbnailCellPreview(page, ClampThumbnailCell(g_workingCell));
                return TRUE;
            }
            return FALSE;
        }
        if (code != BN_CLICKED) return FALSE;
        switch (id) {
        case IDC_BROWSER_CACHING:
            EnableWindow(GetDlgItem(page, IDC_BROWSER_COMPRESSION), Checked(page, IDC_BROWSER_CACHING));
            return TRUE;
        case IDC_BROWSER_BACKGROUND_BUTTON:
            ChooseSettingColor(page, IDC_BROWSER_BACKGROUND_SWATCH, &AppState::BrowserClrBackground);
            return TRUE;
        case IDC_BROWSER_CLEAR_FOLDERS: ClearBrowsedFolders(page); return TRUE;
        }
        return FALSE;
    }
    case WM_NOTIFY:
        if (!IsApply(lParam)) return FALSE;
        ApplyBrowserPage(page);
        return Applied(page);
    case WM_DESTROY:
        g_browserPageReady = false;
        FreeStaticBitmaps(page, kBrowserPictures, std::size(kBrowserPictures));
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK ToolbarPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: InitToolbarPage(page); return TRUE;
    case WM_NOTIFY:
        if (!IsApply(lParam)) return FALSE;
        ApplyToolbarPage(page);
        return Applied(page);
    }
    return FALSE;
}

INT_PTR CALLBACK MediaPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitPage(page, L"Dlg_Media");
        SetChecks(page, kMediaChecks, std::size(kMediaChecks));
        SetTrackbar(page, IDC_MEDIA_GAMMA_TRACK, 0, 50, 1, AppState::ImageAdjustGammaAtLoadTimeGamma);
        EnableWindow(GetDlgItem(page, IDC_MEDIA_GAMMA_TRACK), AppState::ImageAdjustGammaAtLoadTime == 1);
        ShowGamma(page);
        return TRUE;
    case WM_HSCROLL: ShowGamma(page); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDC_MEDIA_GAMMA || HIWORD(wParam) != BN_CLICKED) return FALSE;
        EnableWindow(GetDlgItem(page, IDC_MEDIA_GAMMA_TRACK), Checked(page, IDC_MEDIA_GAMMA));
        return TRUE;
    case WM_NOTIFY:
        if (!IsApply(lParam)) return FALSE;
        ReadChecks(page, kMediaChecks, std::size(kMediaChecks));
        AppState::ImageAdjustGammaAtLoadTimeGamma = TrackbarPosition(page, IDC_MEDIA_GAMMA_TRACK);
        return Applied(page);
    }
    return FALSE;
}

INT_PTR CALLBACK ViewStylePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitPage(page, L"Dlg_ViewStyle");
        ShowViewStyles(page);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return FALSE;
        return OnViewStyleClick(page, LOWORD(wParam)) ? TRUE : FALSE;
    case WM_NOTIFY:
        if (!IsApply(lParam)) return FALSE;
        for (int g = 0; g < 3; ++g)
            for (int value = 0; value < 6; ++value)
                if (Checked(page, kViewStyleControls[g][value])) {
                    *kViewStyleSettings[g] = value;
                    break;
                }
        return Applied(page);
    }
    return FALSE;
}

INT_PTR CALLBACK SkinPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitPage(page, L"Dlg_Skin");
        CopyStringW(g_skinAtOpen, AppState::SkinName);
        FillSkinCombo(page);
        PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_SKIN_NAME, CBN_SELCHANGE),
                     (LPARAM)GetDlgItem(page, IDC_SKIN_NAME));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDC_SKIN_NAME || HIWORD(wParam) != CBN_SELCHANGE) return FALSE;
        [[fallthrough]];
    case WM_PAINT: {
        wchar_t name[MAX_PATH];
        if (SelectedSkin(page, name)) ShowSkinPreview(name, page);
        return FALSE;  // the page paints itself as usual
    }
    case WM_NOTIFY:
        if (!IsApply(lParam)) return FALSE;
        ApplySkinPage(page);
        return Applied(page);
    case WM_DESTROY: FreeStaticBitmaps(page, kSkinPictures, std::size(kSkinPictures)); return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK PresentationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        g_presentationPageReady = false;
        InitPage(page, L"Dlg_Presentation");
        SetChecks(page, kPresentationChecks, std::size(kPresentationChecks));
        FillCombo(page, IDC_PRESENTATION_EFFECTS, L"Dlg_Presentation", L"TransitionEffectsUsedCBX",
                  AppState::TransitionEffectsUsed,
                  L"All supported Effects|All but BlendOver Effect|Only use BlendOver Effect");
        EnableWindow(GetDlgItem(page, IDC_PRESENTATION_EFFECTS), AppState::TransitionEffectsInPresentationMode == 1);
        FillCombo(page, IDC_PRESENTATION_DIRECTION, L"Dlg_Presentation", L"DirectionCBX", AppState::SlideShowDirection,
                  L"Forward|Backward|Random");
        SetTrackbar(page, IDC_PRESENTATION_DELAY_TRACK, 100, 20000, 500, AppState::SlideShowDelay);
        SetDlgItemInt(page, IDC_PRESENTATION_DELAY_EDIT, (UINT)std::max(0, AppState::SlideShowDelay), FALSE);
        g_presentationPageReady = true;
        return TRUE;
    case WM_HSCROLL: {
        const bool ready = g_presentationPageReady;
        g_presentationPageReady = false;
        SetDlgItemInt(page, IDC_PRESENTATION_DELAY_EDIT, (UINT)TrackbarPosition(page, IDC_PRESENTATION_DELAY_TRACK),
                      FALSE);
        g_presentationPageReady = ready;
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_PRESENTATION_DELAY_EDIT && HIWORD(wParam) == EN_CHANGE) {
            if (g_presentationPageReady)
                SendDlgItemMessageW(page, IDC_PRESENTATION_DELAY_TRACK, TBM_SETPOS, TRUE,
                                    (LPARAM)EditNumber(page, IDC_PRESENTATION_DELAY_EDIT));
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_PRESENTATION_TRANSITIONS && HIWORD(wParam) == BN_CLICKED) {
            EnableWindow(GetDlgItem(page, IDC_PRESENTATION_EFFECTS), Checked(page, IDC_PRESENTATION_TRANSITIONS));
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY:
        if (!IsApply(lParam)) return FALSE;
        ReadChecks(page, kPresentationChecks, std::size(kPresentationChecks));
        AppState::TransitionEffectsUsed = ComboRow(page, IDC_PRESENTATION_EFFECTS, AppState::TransitionEffectsUsed);
        AppState::SlideShowDirection = ComboRow(page, IDC_PRESENTATION_DIRECTION, AppState::SlideShowDirection);
        // As typed: the trackbar's range does not limit it.
        AppState::SlideShowDelay = EditNumber(page, IDC_PRESENTATION_DELAY_EDIT);
        return Applied(page);
    case WM_DESTROY: g_presentationPageReady = false; return FALSE;
    }
    return FALSE;
}
