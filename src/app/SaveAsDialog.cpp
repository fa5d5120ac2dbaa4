// The Save As dialog: the common save dialog with the panel "SAVEASDLGADD"
// below its controls, whose tab control follows the chosen file type and
// holds that type's option panel; and the save of the viewer's picture.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <shlwapi.h>

#include <array>
#include <cwchar>
#include <span>
#include <string>
#include <string_view>

#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/Guarded.h"
#include "app/MainWindowIds.h"
#include "app/SaveAsDialog.h"
#include "app_filedialogs_ids.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

// In filter order (index 1 is the first row); each type's extension is its
// first pattern's.
constexpr SaveAsType kSaveTypes[SAVE_TYPE_COUNT] = {
    {FMT_BMP, L"BMP - Windows Bitmap (*.bmp)", L"*.bmp"},
    {FMT_GIF, L"GIF - Graphics Interchange Format (*.gif)", L"*.gif"},
    {FMT_JPEG, L"JPG - JPEG (*.jpg)", L"*.jpg;*.jif"},
    {FMT_JP2, L"JP2 - JPEG 2000 (*.jp2)", L"*.jp2"},
    {FMT_MNG, L"MNG - Multiple-Image Network Graphics (*.mng)", L"*.mng"},
    {FMT_PCX, L"PCX - ZSoft Paintbrush (*.pcx)", L"*.pcx"},
    {FMT_PNM, L"PNM - Portable Map (*.pnm;*.ppm;*.pbm;*.pgm)", L"*.pnm;*.ppm;*.pbm;*.pgm"},
    {FMT_PIX, L"PIX - Alias/Wavefront Image (*.pix)", L"*.pix"},
    {FMT_PNG, L"PNG - Portable Network Graphics (*.png)", L"*.png"},
    {FMT_PPP, L"PPP - Velmora Picture (*.ppp)", L"*.ppp"},
    {FMT_RAS, L"RAS - Sun Raster Image (*.ras) ", L"*.ras"},
    {FMT_RAW, L"RAW - Raw Image data (*.raw) ", L"*.raw"},
    {FMT_SGI, L"SGI - Silicon Graphics Image (*.sgi) ", L"*.sgi"},
    {FMT_TGA, L"TGA - Truevision Graphics Adapter (*.tga)", L"*.tga"},
    {FMT_TIFF, L"TIF - Tagged Image File (*.tif)", L"*.tif"},
};

// The panel's tabs in order, each with the format whose options it holds, its
// template and procedure; tab 0 ("***") stands for every type without options.
struct OptionPanel {
    FormatId id;
    const wchar_t* label;
    const wchar_t* templateName;
    DLGPROC procedure;
};
constexpr int kPanelCount = 9;
const OptionPanel kPanels[kPanelCount] = {
    {FMT_UNKNOWN, L"***", nullptr, nullptr},          {FMT_JPEG, L"JPG", L"JPEGDLG", JpegOptionsDlgProc},
    {FMT_JP2, L"JP2", L"JP2DLG", Jp2OptionsDlgProc},  {FMT_PNG, L"PNG", L"PNGDLG", PngOptionsDlgProc},
    {FMT_RAS, L"RAS", L"RASDLG", RasOptionsDlgProc},  {FMT_RAW, L"RAW", L"RAWDLG", RawOptionsDlgProc},
    {FMT_SGI, L"SGI", L"SGIDLG", SgiOptionsDlgProc},  {FMT_TGA, L"TGA", L"TGADLG", TgaOptionsDlgProc},
    {FMT_TIFF, L"TIF", L"TIFDLG", TifOptionsDlgProc},
};

const wchar_t kOriginalProcProperty[] = L"QrvSaveAsOriginalProc";
const wchar_t kPanelProperty[] = L"QrvSaveAsPanel";

// The dialog runs on the user-interface thread; one at a time per thread.
thread_local HWND g_optionPanel = nullptr;
thread_local wchar_t g_startFolder[MAX_PATH] = {};
thread_local NMHDR g_tabChange = {};

HINSTANCE ResourceModule() { return AppState::Instance ? AppState::Instance : GetModuleHandleW(nullptr); }

void EnsureCommonControls() {
    static bool done = false;
    if (done) return;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);
    done = true;
}

void LangApply(HWND dialog, const wchar_t* section) {
    if (GetSaveServices().langApply) GetSaveServices().langApply(dialog, section);
}

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

void SetCheck(HWND dialog, int id, int value) { CheckDlgButton(dialog, id, value ? BST_CHECKED : BST_UNCHECKED); }
int GetCheck(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED ? 1 : 0; }

void SetupTrackbar(HWND dialog, int id, int low, int high, int frequency, int value) {
    HWND bar = GetDlgItem(dialog, id);
    SendMessageW(bar, TBM_SETRANGE, TRUE, MAKELPARAM(low, high));
    SendMessageW(bar, TBM_SETTICFREQ, frequency, 0);
    SendMessageW(bar, TBM_SETPOS, TRUE, Clamp(value, low, high));
}
int TrackbarValue(HWND dialog, int id) { return (int)SendDlgItemMessageW(dialog, id, TBM_GETPOS, 0, 0); }
void ShowNumber(HWND dialog, int id, int value) { SetDlgItemInt(dialog, id, (UINT)value, FALSE); }

// Fills a combo box from the "|"-separated list of the language key
// CompressionCBX (or the built-in default) and selects `selection`.
void FillCompressionCombo(HWND dialog, int id, const wchar_t* section, const wchar_t* defaults, int selection) {
    wchar_t list[512];
    CopyStringW(list, defaults, 512);
    if (GetSaveServices().langText) {
        wchar_t translated[512] = {};
        if (GetSaveServices().langText(section, L"CompressionCBX", translated, 512) && translated[0])
            CopyStringW(list, translated, 512);
    }
    HWND combo = GetDlgItem(dialog, id);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    wchar_t* start = list;
    for (wchar_t* p = list;; ++p) {
        if (*p == L'|' || *p == L'\0') {
            const bool end = *p == L'\0';
            *p = L'\0';
            SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)start);
            if (end) break;
            start = p + 1;
        }
    }
    const int count = (int)SendMessageW(combo, CB_GETCOUNT, 0, 0);
    SendMessageW(combo, CB_SETCURSEL, Clamp(selection, 0, count - 1), 0);
}
int ComboSelection(HWND dialog, int id, int fallback) {
    const LRESULT selection = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
    return selection == CB_ERR ? fallback : (int)selection;
}

// ---- the Save As panel ----

void PlaceOptionPanel(HWND panel) {
    if (!g_optionPanel) return;
    HWND tab = GetDlgItem(panel, IDC_SAVEAS_TAB);
    RECT r;
    GetWindowRect(tab, &r);
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(g_optionPanel, HWND_TOP, r.left + 2, r.top + 22, (r.right - r.left) - 6, (r.bottom - r.top) - 26,
                 SWP_NOACTIVATE);
}

void DestroyOptionPanel() {
    if (g_optionPanel) {
        HWND panel = g_optionPanel;
        g_optionPanel = nullptr;
        DestroyWindow(panel);  // stores the panel's values into the settings
    }
}

// Shows the option panel of the tab control's selection (none for tab 0).
void ShowOptionPanelForTab(HWND panel) {
    DestroyOptionPanel();
    const int tab = (int)SendDlgItemMessageW(panel, IDC_SAVEAS_TAB, TCM_GETCURSEL, 0, 0);
    const bool hasPanel = tab > 0 && tab < kPanelCount;
    ShowWindow(GetDlgItem(panel, IDC_SAVEAS_NOOPTIONS), hasPanel ? SW_HIDE : SW_SHOW);
    if (!hasPanel) return;
    EnsureCommonControls();
    g_optionPanel = CreateDialogParamW(ResourceModule(), kPanels[tab].templateName, panel, kPanels[tab].procedure, 0);
    if (!g_optionPanel) return;
    PlaceOptionPanel(panel);
    ShowWindow(g_optionPanel, SW_SHOWNA);
}

LRESULT CALLBACK FileDialogSubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC original = reinterpret_cast<WNDPROC>(GetPropW(window, kOriginalProcProperty));
    if (message == WM_MOVE) {
        // The option panel moves with the dialog.
        if (HWND panel = static_cast<HWND>(GetPropW(window, kPanelProperty)))
            SendMessageW(panel, WM_MOVE, wParam, lParam);
    }
    return original ? CallWindowProcW(original, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
}

void SubclassFileDialog(HWND panel) {
    HWND dialog = GetParent(panel);
    if (!dialog || GetPropW(dialog, kOriginalProcProperty)) return;
    SetPropW(dialog, kPanelProperty, panel);
    const LONG_PTR original =
        SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FileDialogSubclassProc));
    SetPropW(dialog, kOriginalProcProperty, reinterpret_cast<HANDLE>(original));
}

void UnsubclassFileDialog(HWND panel) {
    HWND dialog = GetParent(panel);
    if (!dialog) return;
    const WNDPROC original = reinterpret_cast<WNDPROC>(GetPropW(dialog, kOriginalProcProperty));
    if (original) SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    RemovePropW(dialog, kOriginalProcProperty);
    RemovePropW(dialog, kPanelProperty);
}

void SelectTypeTab(HWND panel, int filterIndex, bool post) {
    const int tab = SaveTypeTab(filterIndex);
    SendDlgItemMessageW(panel, IDC_SAVEAS_TAB, TCM_SETCURSEL, (WPARAM)tab, 0);
    if (tab == 0) {
        DestroyOptionPanel();
        ShowWindow(GetDlgItem(panel, IDC_SAVEAS_NOOPTIONS), SW_SHOW);
        return;
    }
    if (!post) {
        ShowOptionPanelForTab(panel);
        return;
    }
    // The tab control's own notification rebuilds the panel once this one is done.
    g_tabChange.hwndFrom = GetDlgItem(panel, IDC_SAVEAS_TAB);
    g_tabChange.idFrom = IDC_SAVEAS_TAB;
    g_tabChange.code = TCN_SELCHANGE;
    PostMessageW(panel, WM_NOTIFY, IDC_SAVEAS_TAB, reinterpret_cast<LPARAM>(&g_tabChange));
}

void SwitchToCurrentFolder(HWND panel) {
    // End the dialog as cancelled and run it again in the folder it started in.
    PostMessageW(GetParent(panel), WM_COMMAND, IDCANCEL, 0);
    if (g_startFolder[0]) {
        CopyStringW(AppState::CurrentFolder, g_startFolder);
        SetCurrentDirectoryW(g_startFolder);
    }
    // Posted, not sent: the new dialog must not run inside this one.
    if (AppState::MainWindow) PostMessageW(AppState::MainWindow, WM_APP_SAVE_ITEM_AS, 1, 0);
}

// ---- option panels: one table of controls per panel ----

// A control of an option panel bound to one integer setting. The panel shows
// the setting when it opens and stores the control's value when it goes.
struct PanelControl {
    enum Kind { CheckBox, Trackbar, RadioPair, DropDown } kind;
    int id;
    int* setting;
    int low = 0;                     // the stored value's range: a trackbar's own range,
    int high = 0;                    // a drop-down list's first and last item
    int frequency = 0;               // Trackbar: tick spacing
    int partner = 0;                 // Trackbar: the text showing its position; RadioPair: the "0" button
    const wchar_t* items = nullptr;  // DropDown: its built-in "|"-separated list
};

constexpr PanelControl CheckBox(int id, int* setting) { return {PanelControl::CheckBox, id, setting}; }
constexpr PanelControl Trackbar(int id, int valueText, int low, int high, int frequency, int* setting) {
    return {PanelControl::Trackbar, id, setting, low, high, frequency, valueText};
}
// Two radio buttons: `one` is checked for the setting 1, `zero` otherwise.
constexpr PanelControl RadioPair(int one, int zero, int* setting) {
    return {PanelControl::RadioPair, one, setting, 0, 1, 0, zero};
}
constexpr PanelControl DropDown(int id, const wchar_t* items, int last, int* setting) {
    return {PanelControl::DropDown, id, setting, 0, last, 0, 0, items};
}

struct OptionPanelSpec {
    const wchar_t* section;
    std::span<const PanelControl> controls;
    void (*afterLoad)(HWND dialog) = nullptr;
    // A panel with a click handler stores its settings on every click as well.
    void (*click)(HWND dialog, int id) = nullptr;
};

void LoadPanel(const OptionPanelSpec& spec, HWND d) {
    for (const PanelControl& c : spec.controls) {
        switch (c.kind) {
        case PanelControl::CheckBox: SetCheck(d, c.id, *c.setting); break;
        case PanelControl::Trackbar:
            SetupTrackbar(d, c.id, c.low, c.high, c.frequency, *c.setting);
            ShowNumber(d, c.partner, TrackbarValue(d, c.id));
            break;
        case PanelControl::RadioPair: CheckRadioButton(d, c.id, c.partner, *c.setting == 1 ? c.id : c.partner); break;
        case PanelControl::DropDown: FillCompressionCombo(d, c.id, spec.section, c.items, *c.setting); break;
        }
    }
    if (spec.afterLoad) spec.afterLoad(d);
}

void ShowTrackbarValues(const OptionPanelSpec& spec, HWND d) {
    for (const PanelControl& c : spec.controls)
        if (c.kind == PanelControl::Trackbar) ShowNumber(d, c.partner, TrackbarValue(d, c.id));
}

void StorePanel(const OptionPanelSpec& spec, HWND d) {
    for (const PanelControl& c : spec.controls) {
        switch (c.kind) {
        case PanelControl::CheckBox:
        case PanelControl::RadioPair: *c.setting = GetCheck(d, c.id); break;
        case PanelControl::Trackbar: *c.setting = Clamp(TrackbarValue(d, c.id), c.low, c.high); break;
        case PanelControl::DropDown: *c.setting = Clamp(ComboSelection(d, c.id, *c.setting), 0, c.high); break;
        }
    }
}

INT_PTR HandleOptionPanel(const OptionPanelSpec& spec, HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        LangApply(dialog, spec.section);
        LoadPanel(spec, dialog);
        return TRUE;
    case WM_HSCROLL: ShowTrackbarValues(spec, dialog); return TRUE;
    case WM_COMMAND:
        if (spec.click && HIWORD(wParam) == BN_CLICKED) {
            spec.click(dialog, LOWORD(wParam));
            StorePanel(spec, dialog);
        }
        return FALSE;
    case WM_DESTROY: StorePanel(spec, dialog); return FALSE;
    default: return FALSE;
    }
}

// JPEG 2000: "Lossless" disables the quality trackbar.
void Jp2FollowLossless(HWND d) { EnableWindow(GetDlgItem(d, IDC_JP2_QUALITY), !GetCheck(d, IDC_JP2_LOSSLESS)); }
void Jp2Click(HWND d, int id) {
    if (id == IDC_JP2_LOSSLESS) EnableWindow(GetDlgItem(d, IDC_JP2_QUALITY), FALSE);
    if (id == IDC_JP2_LOSSY) EnableWindow(GetDlgItem(d, IDC_JP2_QUALITY), TRUE);
}

}  // namespace

// ---- pure helpers ----

std::span<const SaveAsType> SaveAsTypes() { return kSaveTypes; }

const wchar_t* SaveAsDialogFilter() {
    static const std::wstring filter = [] {
        std::wstring list;
        for (const SaveAsType& type : kSaveTypes) {
            list += type.text;
            list += L'\0';
            list += type.patterns;
            list += L'\0';
        }
        list += L'\0';
        return list;
    }();
    return filter.c_str();
}

const wchar_t* SaveTypeExtension(int filterIndex) {
    // "*.jpg;*.jif" gives "jpg".
    static const std::array<std::wstring, SAVE_TYPE_COUNT> extensions = [] {
        std::array<std::wstring, SAVE_TYPE_COUNT> list;
        for (int i = 0; i < SAVE_TYPE_COUNT; ++i) {
            const std::wstring_view patterns = kSaveTypes[i].patterns;
            list[i] = patterns.substr(2, patterns.find(L';') - 2);
        }
        return list;
    }();
    if (filterIndex < 1 || filterIndex > SAVE_TYPE_COUNT) return L"bmp";
    return extensions[filterIndex - 1].c_str();
}

int SaveTypeTab(int filterIndex) {
    if (filterIndex < 1 || filterIndex > SAVE_TYPE_COUNT) return 0;
    for (int tab = 1; tab < kPanelCount; ++tab)
        if (kPanels[tab].id == kSaveTypes[filterIndex - 1].id) return tab;
    return 0;
}

std::wstring SaveAsTarget(const wchar_t* folder, const wchar_t* chosenName, int filterIndex) {
    std::wstring name = chosenName ? chosenName : L"";
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.erase(dot);
    name += L".";
    name += SaveTypeExtension(filterIndex);
    std::wstring result = folder ? folder : L"";
    if (!result.empty() && result.back() != L'\\' && result.back() != L'/') result += L'\\';
    return result + name;
}

HWND CurrentSaveOptionPanel() { return g_optionPanel; }

bool ConfirmSaveAsTarget(const wchar_t* chosenPath, int filterIndex, HWND dialog) {
    if (!chosenPath || !chosenPath[0]) return true;
    const wchar_t* name = PathFindFileNameW(chosenPath);
    const std::wstring folder(chosenPath, name);
    const std::wstring target = SaveAsTarget(folder.c_str(), name, filterIndex);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    return AskYesNo(MessageOwner{dialog}, L"Save As", L"%ls already exists.\nDo you want to replace it?",
                    target.c_str()) == IDYES;
}

// ---- procedures ----

UINT_PTR CALLBACK SaveAsHookProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedWindowCall(0, [&]() -> UINT_PTR {
        switch (message) {
        case WM_INITDIALOG: {
            EnsureCommonControls();
            LangApply(panel, L"Dlg_SaveAsAdd");
            HWND tab = GetDlgItem(panel, IDC_SAVEAS_TAB);
            for (int i = 0; i < kPanelCount; ++i) {
                TCITEMW item{};
                item.mask = TCIF_TEXT;
                item.pszText = const_cast<wchar_t*>(kPanels[i].label);
                SendMessageW(tab, TCM_INSERTITEMW, (WPARAM)i, reinterpret_cast<LPARAM>(&item));
            }
            // The tab follows the file type; the user does not click it.
            EnableWindow(tab, FALSE);
            SubclassFileDialog(panel);
            // FALSE: the dialog gives the focus to its name box. TRUE would put it
            // on the panel's first control, and typing a name starting with "s"
            // would hit "&Switch to current Folder".
            return FALSE;
        }
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            if (!header) return 0;
            if (header->idFrom == IDC_SAVEAS_TAB && header->code == TCN_SELCHANGE) {
                ShowOptionPanelForTab(panel);
                return 0;
            }
            if (header->code == CDN_FILEOK) {
                // The dialog's own overwrite question would ask about the typed
                // name; the file written carries the selected type's extension.
                const OFNOTIFYW* notify = reinterpret_cast<const OFNOTIFYW*>(lParam);
                wchar_t chosen[MAX_PATH] = {};
                if (notify->lpOFN && notify->lpOFN->lpstrFile && notify->lpOFN->lpstrFile[0])
                    CopyStringW(chosen, notify->lpOFN->lpstrFile);
                else SendMessageW(GetParent(panel), CDM_GETFILEPATH, MAX_PATH, reinterpret_cast<LPARAM>(chosen));
                chosen[MAX_PATH - 1] = 0;
                const int index = notify->lpOFN ? (int)notify->lpOFN->nFilterIndex : AppState::LastSaveFilter;
                // Asked over the file dialog: the main window stays disabled under it.
                if (!ConfirmSaveAsTarget(chosen, index, GetParent(panel))) {
                    SetWindowLongPtrW(panel, DWLP_MSGRESULT, 1);  // keep the dialog open
                    return 1;
                }
                return 0;
            }
            if (header->code == CDN_INITDONE) {
                SelectTypeTab(panel, AppState::LastSaveFilter, false);
                if (AppState::MainWindow) CenterWindow(GetParent(panel), AppState::MainWindow);
            } else if (header->code == CDN_TYPECHANGE) {
                const OFNOTIFYW* notify = reinterpret_cast<const OFNOTIFYW*>(lParam);
                const int index = notify->lpOFN ? (int)notify->lpOFN->nFilterIndex : 1;
                AppState::LastSaveFilter = index;
                SendMessageW(GetParent(panel), CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(SaveTypeExtension(index)));
                SelectTypeTab(panel, index, true);
            }
            return 0;
        }
        case WM_MOVE:
        case WM_SIZE: PlaceOptionPanel(panel); return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_SAVEAS_SWITCHFOLDER && HIWORD(wParam) == BN_CLICKED) SwitchToCurrentFolder(panel);
            return 0;
        case WM_DESTROY:
            DestroyOptionPanel();
            UnsubclassFileDialog(panel);
            return 0;
        default: return 0;
        }
    });
}

// Each option panel's procedure catches everything: no exception may leave a
// dialog procedure (a language service or a control call that throws).
INT_PTR CALLBACK JpegOptionsDlgProc(HWND d, UINT m, WPARAM w, LPARAM l) {
    static constexpr PanelControl controls[] = {
        Trackbar(IDC_JPG_QUALITY, IDC_JPG_QUALITY_VALUE, 1, 100, 5, &AppState::FormatJPGQuality),
        Trackbar(IDC_JPG_SMOOTHING, IDC_JPG_SMOOTHING_VALUE, 0, 10, 1, &AppState::FormatJPGSmoothing),
        CheckBox(IDC_JPG_OPTIMIZE, &AppState::FormatJPGOptimize),
        CheckBox(IDC_JPG_PROGRESSIVE, &AppState::FormatJPGProgressive)};
    return GuardedWindowCall(FALSE, [&] { return HandleOptionPanel({L"Dlg_JPG", controls}, d, m, w, l); });
}
INT_PTR CALLBACK Jp2OptionsDlgProc(HWND d, UINT m, WPARAM w, LPARAM l) {
    static constexpr PanelControl controls[] = {
        Trackbar(IDC_JP2_QUALITY, IDC_JP2_QUALITY_VALUE, 10, 100, 5, &AppState::FormatJP2Quality),
        RadioPair(IDC_JP2_LOSSLESS, IDC_JP2_LOSSY, &AppState::FormatJP2LossLess)};
    return GuardedWindowCall(FALSE, [&] {
        return HandleOptionPanel({L"Dlg_JP2", controls, Jp2FollowLossless, Jp2Click}, d, m, w, l);
    });
}
INT_PTR CALLBACK PngOptionsDlgProc(HWND d, UINT m, WPARAM w, LPARAM l) {
    static constexpr PanelControl controls[] = {CheckBox(IDC_PNG_INTERLACE, &AppState::FormatPNGInterlace)};
    return GuardedWindowCall(FALSE, [&] { return HandleOptionPanel({L"Dlg_PNG", controls}, d, m, w, l); });
}
INT_PTR CALLBACK RasOptionsDlgProc(HWND d, UINT m, WPARAM w, LPARAM l) {
    static constexpr PanelControl controls[] = {CheckBox(IDC_RAS_RLE, &AppState::FormatRASCompression)};
    return GuardedWindowCall(FALSE, [&] { return HandleOptionPanel({L"Dlg_RAS", controls}, d, m, w, l); });
}
INT_PTR CALLBACK RawOptionsDlgProc(HWND d, UINT m, WPARAM w, LPARAM l) {
    static constexpr PanelControl controls[] = {CheckBox(IDC_RAW_FLIP, &AppState::FormatRAWFlip),
                                                CheckBox(IDC_RAW_SWAP, &AppState::FormatRAWSwapRedAndBlue),
                                                CheckBox(IDC_RAW_NOCONVERT, &AppState::FormatRAWNoConvert24Bit)};
    return GuardedWindowCall(FALSE, [&] { return HandleOptionPanel({L"Dlg_RAW", controls}, d, m, w, l); });
}
INT_PTR CALLBACK SgiOptionsDlgProc(HWND d, UINT m, WPARAM w, LPARAM l) {
    static constexpr PanelControl controls[] = {
        DropDown(IDC_SGI_COMPRESSION, L"None|RLE|Agressive RLE", 2, &AppState::FormatSGICompression)};
    return GuardedWindowCall(FALSE, [&] { return HandleOptionPanel({L"Dlg_SGI", controls}, d, m, w, l); });
}
INT_PTR CALLBACK TgaOptionsDlgProc(HWND d, UINT m, WPARAM w, LPARAM l) {
    static constexpr PanelControl controls[] = {CheckBox(IDC_TGA_RLE, &AppState::FormatTGAEncode)};
    return GuardedWindowCall(FALSE, [&] { return HandleOptionPanel({L"Dlg_TGA", controls}, d, m, w, l); });
}
INT_PTR CALLBACK TifOptionsDlgProc(HWND d, UINT m, WPARAM w, LPARAM l) {
    static constexpr PanelControl controls[] = {DropDown(
        IDC_TIF_COMPRESSION, L"None|Packbits|ZIP|Automatic (JPEG/ZIP/CCITTFAX4)", 3, &AppState::FormatTIFCompression)};
    return GuardedWindowCall(FALSE, [&] { return HandleOptionPanel({L"Dlg_TIF", controls}, d, m, w, l); });
}

// ---- the dialog ----

bool ShowSaveAsDialog(const wchar_t* path, HWND owner, bool keepView, bool useCurrentFolder) {
    wchar_t remembered[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, remembered);
    CopyStringW(g_startFolder, remembered);

    // The offered name: the path's file name without its extension.
    wchar_t file[MAX_PATH] = {};
    if (path && *path) {
        CopyStringW(file, PathFindFileNameW(path));
        PathRemoveExtensionW(file);
    }
    EnsureCommonControls();
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.hInstance = ResourceModule();
    ofn.lpstrFilter = SaveAsDialogFilter();
    ofn.nFilterIndex = (DWORD)Clamp(AppState::LastSaveFilter, 1, SAVE_TYPE_COUNT);
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrInitialDir = useCurrentFolder ? remembered : AppState::LastSaveDir;
    // No OFN_OVERWRITEPROMPT: the panel asks about the file actually written.
    ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_ENABLETEMPLATE | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
    ofn.lpstrDefExt = L"bmp";
    ofn.lpfnHook = SaveAsHookProc;
    ofn.lpTemplateName = L"SAVEASDLGADD";

    bool saved = false;
    if (GetSaveFileNameW(&ofn)) {
        std::wstring folder(file, file + ofn.nFileOffset);
        CopyStringW(AppState::CurrentFolder, folder.c_str());
        if (!useCurrentFolder) CopyStringW(AppState::LastSaveDir, folder.c_str());
        if (!keepView && AppState::MainWindow) {
            InvalidateRect(AppState::MainWindow, nullptr, FALSE);
            UpdateWindow(AppState::MainWindow);
        }
        AppState::LastSaveFilter = (int)ofn.nFilterIndex;
        const std::wstring target = SaveAsTarget(folder.c_str(), file + ofn.nFileOffset, (int)ofn.nFilterIndex);
        saved = SaveCurrentImage(target.c_str());
    }
    CopyStringW(AppState::CurrentFolder, remembered);
    SetCurrentDirectoryW(remembered);
    return saved;
}

// ------------------------------------------------------------ the viewer's save

namespace {

SaveServices g_services;

}  // namespace

void SetSaveServices(const SaveServices& services) { g_services = services; }
const SaveServices& GetSaveServices() { return g_services; }

namespace {
// Formats whose writers store a 32-bit picture's alpha channel.
bool WriterKeepsAlpha(FormatId id) { return id == FMT_PNG || id == FMT_TIFF; }
}  // namespace

bool SaveOptionTab(int tab, const wchar_t** label, const wchar_t** templateName, DLGPROC* procedure) {
    if (tab < 0 || tab >= kPanelCount) return false;
    if (label) *label = kPanels[tab].label;
    if (templateName) *templateName = kPanels[tab].templateName;
    if (procedure) *procedure = kPanels[tab].procedure;
    return true;
}

SaveOptions SaveOptionsFromSettings() {
    SaveOptions options;
    options.jpeg.quality = AppState::FormatJPGQuality;
    options.jpeg.optimize = AppState::FormatJPGOptimize != 0;
    options.jpeg.smoothing = AppState::FormatJPGSmoothing / 10.0;
    options.jpeg.progressive = AppState::FormatJPGProgressive != 0;
    options.pngInterlace = AppState::FormatPNGInterlace != 0;
    options.tiffCompression = AppState::FormatTIFCompression;
    options.tgaRunLength = AppState::FormatTGAEncode != 0;
    options.sgiCompression = AppState::FormatSGICompression;
    options.rasRunLength = AppState::FormatRASCompression != 0;
    options.jp2.quality = AppState::FormatJP2Quality;
    options.jp2.lossless = AppState::FormatJP2LossLess != 0;
    options.raw.flip = AppState::FormatRAWFlip != 0;
    options.raw.swapRedBlue = AppState::FormatRAWSwapRedAndBlue != 0;
    options.raw.noConvert24 = AppState::FormatRAWNoConvert24Bit != 0;
    return options;
}

bool SaveCurrentImage(const wchar_t* path) {
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    // The picture is written, never what an alpha view shows of it.
    CDocumentPictureScope document;
    CImage* picture = document.Ready() ? &AppState::CurrentImage : nullptr;
    if (!picture) CopyStringW(text, L"Unable to read the picture back from its temporary file!", FORMAT_ERROR_CHARS);
    // A format without alpha gets the picture blended over the background as
    // view 6 shows it: its writer would drop the alpha and bare the colours
    // hidden under transparent pixels (mostly black).
    CImage blended;
    if (picture && AppState::ChannelView == CHANNEL_ALPHA_BLENDED && !WriterKeepsAlpha(SaveFormatIdForPath(path)) &&
        blended.Copy(*picture) && BlendAlphaOverBackground(blended, false))
        picture = &blended;
    SaveOptions options = SaveOptionsFromSettings();
    options.jpeg.sourceFormat = AppState::CurrentFormatId;
    // The file the viewer opened is the source whose Exif tags a JPEG keeps:
    // its own full path, not the current directory joined with its name,
    // which names another file (or none) once the directory has changed.
    options.jpeg.sourcePath = AppState::CurrentFile[0] ? AppState::CurrentFile : nullptr;
    options.sourceUnchanged = AppState::DocumentKind == DOC_FILE && !AppState::ImageModified;
    const bool ok = picture && SaveImageFile(path, *picture, text, options);
    if (ok) {
        AppState::ImageModified = 0;
        if (g_services.imageSaved) g_services.imageSaved();
    } else {
        ShowMessage(L"%ls", text);
    }
    SetCursor(previous);
    return ok;
}
