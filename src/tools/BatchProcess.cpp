#include "tools/BatchProcess.h"

#include <commctrl.h>

#include <cmath>
#include <cwchar>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/ImageEdits.h"
#include "app/Language.h"
#include "app/OpenDialog.h"
#include "app/SaveAsDialog.h"
#include "browser/FileList.h"
#include "browser/FileOperations.h"
#include "formats/Formats.h"
#include "formats/SaveDispatch.h"
#include "image/Common.h"
#include "image/Effects.h"
#include "image/Image.h"
#include "image/Resample.h"
#include "tools/BatchSettings.h"
#include "tools_ids.h"

uint8_t BatchProcessIdle = 1;
uint8_t BatchProcessCancel = 0;
HWND FormatOptionsPanel = nullptr;

namespace {

constexpr const wchar_t* kOutputFormatTexts[BATCH_OUTPUT_FORMAT_COUNT] = {
    L"BMP - Windows Bitmap (*.bmp)",
    L"GIF - Graphics Interchange Format (*.gif)",
    L"JPG - Joint Photographic Experts Group (*.jpg)",
    L"JP2 - JPEG 2000 (*.jp2)",
    L"MNG - Multiple-Image Network Graphics (*.mng)",
    L"PCX - ZSoft Paintbrush (*.pcx)",
    L"PNM - Portable Map (*.pnm;*.ppm;*.pbm;*.pgm)",
    L"PIX - Alias/Wavefront Image (*.pix)",
    L"PNG - Portable Network Graphics (*.png)",
    L"PPP - Velmora Picture (*.ppp)",
    L"RAS - Sun Raster Image (*.ras) ",
    L"RAW - Raw Image data (*.raw) ",
    L"SGI - Silicon Graphics Image (*.sgi) ",
    L"TGA - Truevision Graphics Adapter (*.tga)",
    L"TIF - Tagged Image File (*.tif)",
};

const wchar_t kSection[] = L"Dlg_BatchProcess";
const wchar_t* g_settingsKey = QRV_REGISTRY_KEY;

bool SamePath(const wchar_t* a, const wchar_t* b) { return CompareStringOrdinal(a, -1, b, -1, TRUE) == CSTR_EQUAL; }

// Whether target would overwrite a picture of this run: a file written
// earlier in it, or a source still to come. The current source itself may
// be written over (a file converted onto itself).
bool TargetTakenInRun(const wchar_t* target, const wchar_t* paths, int count, int current,
                      const std::vector<std::wstring>& written) {
    if (SamePath(target, paths + (size_t)current * LIST_SLOT_CHARS)) return false;
    for (const auto& w : written) {
        if (SamePath(target, w.c_str())) return true;
    }
    for (int j = current + 1; j < count; ++j) {
        if (SamePath(target, paths + (size_t)j * LIST_SLOT_CHARS)) return true;
    }
    return false;
}

// The desktop's pixels per inch, read for each file.
void DesktopDpi(int* dpiX, int* dpiY) {
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    *dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    *dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(desktop, dc);
}

bool ApplyResize(CImage& image, wchar_t* errorText) {
    int dpiX = 96, dpiY = 96;
    DesktopDpi(&dpiX, &dpiY);
    BatchResizePlan plan =
        PlanBatchResize((int)image.GetWidth(), (int)image.GetHeight(), BatchResizeFromSettings(), dpiX, dpiY);
    if (plan.kind == BATCH_RESIZE_NONE) return true;
    bool ok = false;
    if (plan.kind == BATCH_RESIZE_DRAW_SCALED) {
        CImage scaled;
        if (scaled.CreateEmpty(plan.width, plan.height, 24, RGB(0, 0, 0), nullptr)) {
            DrawImageScaled(image, scaled.memoryDC, 0, 0, plan.width, plan.height, 0);
            ok = image.Copy(scaled);
        }
    } else {
        ok = ResampleImage(image, plan.width, plan.height, 4);
    }
    if (!ok)
        swprintf(errorText, FORMAT_ERROR_CHARS, L"Failed to resize the image to %d x %d pixels!", plan.width,
                 plan.height);
    return ok;
}

void ApplyWatermark(CImage& image) {
    if (!AppState::BatchProcessWatermarkFilename[0]) return;
    CImage mark;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    bool loaded;
    {
        LoadModeScope scope(true, false);
        loaded = LoadMediaFile(mark, AppState::BatchProcessWatermarkFilename, text, (FormatId*)nullptr);
    }
    if (!loaded) return;  // skipped without a message
    BlendImageOnto(image, mark, (int)image.GetWidth() - (int)mark.GetWidth(),
                   (int)image.GetHeight() - (int)mark.GetHeight(), AppState::BatchProcessWatermarkTransparency);
}

// The steps after loading, in their fixed order. False (with a text) when
// one of them cannot be done.
bool ApplyBatchSteps(CImage& image, wchar_t* errorText) {
    if (AppState::BatchProcessResize && !ApplyResize(image, errorText)) return false;
    if (AppState::BatchProcessApplyWatermarkImage) ApplyWatermark(image);
    if (AppState::BatchProcessColorDepth) {
        static const int kDepths[] = {1, 4, 8, 16, 24, 32};
        int v = AppState::BatchProcessColorDepthValue;
        image.ConvertDepth(kDepths[v < 0 ? 0 : v > 5 ? 5 : v]);
    }
    if (AppState::BatchProcessRGBOrder) {
        switch (AppState::BatchProcessRGBOrderValue) {
        case 0: image.SwapRedBlue(); break;
        case 1: image.SwapRedGreen(); break;
        case 2: image.SwapGreenBlue(); break;
        default: break;
        }
    }
    if (AppState::BatchProcessMirror) image.Mirror();
    if (AppState::BatchProcessFlip) image.FlipVertical();
    if (AppState::BatchProcessInvert) image.Invert();
    if (AppState::BatchProcessGrayscale) image.ToGrayscale();
    if (AppState::BatchProcessRotate90L) image.RotateLeft90();
    if (AppState::BatchProcessRotate90R) image.RotateRight90();
    if (AppState::BatchProcessRotate180) image.Rotate180();
    if (AppState::BatchProcessEffectBorder) ImageEffects.Buttonize(image, 50, 0.5f, false);
    if (AppState::BatchProcessEffectSharpen)
        ImageEffects.Sharpen(image, AppState::BatchProcessEffectSharpenValue, false);
    if (AppState::BatchProcessEffectBlur) ImageEffects.Blur(image, AppState::BatchProcessEffectBlurValue, 2, false);
    if (AppState::BatchProcessContrast) image.Contrast(AppState::BatchProcessContrastValue);
    if (AppState::BatchProcessBrightness) image.Brightness(AppState::BatchProcessBrightnessValue);
    if (AppState::BatchProcessGamma) image.Gamma(AppState::BatchProcessGammaValue * 0.1);
    return true;
}

struct FileTimes {
    bool known = false;
    FILETIME created{}, accessed{}, written{};
};

FileTimes ReadFileTimes(const wchar_t* path) {
    FileTimes times;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return times;
    times.known = GetFileTime(file, &times.created, &times.accessed, &times.written) != FALSE;
    CloseHandle(file);
    return times;
}

void WriteFileTimes(const wchar_t* path, const FileTimes& times) {
    if (!times.known) return;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    SetFileTime(file, &times.created, &times.accessed, &times.written);
    CloseHandle(file);
}

// Loads, treats and saves one file; false with a text when it failed (the
// failure was shown).
bool ConvertOne(const wchar_t* paths, int count, int index, std::vector<std::wstring>& written, HWND owner,
                wchar_t* errorText) {
    const wchar_t* source = paths + (size_t)index * LIST_SLOT_CHARS;
    FileTimes times;
    if (AppState::BatchProcessMaintainFileTime) times = ReadFileTimes(source);

    CImage image;
    FormatId sourceFormat = 0;
    bool loaded;
    {
        LoadModeScope scope(true, false);
        loaded = LoadMediaFile(image, source, errorText, &sourceFormat);
    }
    if (!loaded) {
        ShowMessage(MessageOwner{owner}, L"Failed to load: %ls", source);
        return false;
    }
    if (!ApplyBatchSteps(image, errorText)) {
        ShowMessage(MessageOwner{owner}, L"Failed to convert: %ls\n%ls", source, errorText);
        return false;
    }

    wchar_t target[MAX_PATH];
    if (!BatchTargetPath(target, AppState::BatchProcessOutputDirectory, source,
                         BatchOutputFormatExtension(AppState::BatchProcessOutputFormat))) {
        swprintf(errorText, FORMAT_ERROR_CHARS, L"The path is too long: %ls", source);
        ShowMessage(MessageOwner{owner}, L"%ls", errorText);
        return false;
    }
    if (TargetTakenInRun(target, paths, count, index, written)) {
        MakeFreeFileName(target);
        if (TargetTakenInRun(target, paths, count, index, written)) {
            swprintf(errorText, FORMAT_ERROR_CHARS, L"No free file name for: %ls", target);
            ShowMessage(MessageOwner{owner}, L"%ls", errorText);
            return false;
        }
    }

    SaveOptions options = SaveOptionsFromSettings();
    options.jpeg.sourceFormat = sourceFormat;
    options.jpeg.sourcePath = source;
    if (!SaveImageFile(target, image, errorText, options)) {
        ShowMessage(MessageOwner{owner}, L"Failed to save: %ls\n%ls", target, errorText);
        return false;
    }
    written.push_back(target);
    if (AppState::BatchProcessMaintainFileTime) WriteFileTimes(target, times);
    if (AppState::BatchProcessDeleteSourceAfterConversion && !SamePath(source, target)) DeleteOneFile(source, true);
    return true;
}

HWND ComboOf(HWND dialog, int id) { return GetDlgItem(dialog, id); }

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

}  // namespace

const wchar_t* BatchOutputFormatText(int index) {
    return index >= 0 && index < BATCH_OUTPUT_FORMAT_COUNT ? kOutputFormatTexts[index] : L"";
}
const wchar_t* BatchOutputFormatExtension(int index) { return SaveTypeExtension(index + 1); }
int BatchOutputFormatTab(int index) { return SaveTypeTab(index + 1); }

BatchResizeSettings BatchResizeFromSettings() {
    return {AppState::BatchProcessResizeUnitType, AppState::BatchProcessResizeWidth, AppState::BatchProcessResizeHeight,
            AppState::BatchProcessResizeMaintainAspectRatio != 0, AppState::BatchProcessResizeSizeFilter};
}

BatchResizePlan PlanBatchResize(int width, int height, const BatchResizeSettings& s, int dpiX, int dpiY) {
    // The values are read as unsigned numbers.
    const long double w = (unsigned)s.width, h = (unsigned)s.height;
    long double tw, th;
    switch (s.unit) {
    case 0: {
        // The factor as the single-precision 0.01 (0.0099999998): an exact half goes down.
        const long double factor = (long double)0.01f;
        tw = floorl(width * w * factor + 0.5L);
        th = floorl(height * h * factor + 0.5L);
        break;
    }
    case 1:
        tw = w;
        th = h;
        break;
    case 2:
        tw = floorl(w * 0.393700787402L * dpiX);
        th = floorl(h * 0.393700787402L * dpiY);
        break;
    default:
        tw = w * dpiX;
        th = h * dpiY;
        break;
    }
    // Targets stay within 1 .. INT_MAX; one that cannot be allocated fails later.
    auto fit = [](long double v) { return v < 1 ? 1 : v > 0x7FFFFFFF ? 0x7FFFFFFF : (int)v; };
    int targetWidth = fit(tw);
    int targetHeight = fit(th);
    if (s.keepAspect && width > 0) targetHeight = fit(floorl((long double)height * targetWidth / width));

    BatchResizePlan plan = {BATCH_RESIZE_NONE, targetWidth, targetHeight};
    bool larger = width > targetWidth || height > targetHeight;
    bool smaller = width < targetWidth || height < targetHeight;
    if ((s.sizeFilter == 1 && !larger) || (s.sizeFilter == 2 && !smaller)) return plan;
    plan.kind = width > targetWidth && height > targetHeight ? BATCH_RESIZE_DRAW_SCALED : BATCH_RESIZE_RESAMPLE;
    return plan;
}

bool BatchTargetPath(wchar_t* out, const wchar_t* folder, const wchar_t* source, const wchar_t* extension) {
    const wchar_t* name = FileNamePart(source);
    const wchar_t* dot = wcsrchr(name, L'.');
    std::wstring file = dot ? std::wstring(name, dot + 1) : std::wstring(name) + L".";
    file += extension;
    return JoinOutputPath(out, folder, file.c_str());
}

bool RunBatchProcess(RunProgress& progress, const wchar_t* paths, int count, wchar_t* errorText) {
    progress.Begin(count);
    errorText[0] = 0;
    bool lastOk = false;
    std::vector<std::wstring> written;
    for (int i = 0; i < count; ++i) {
        progress.Item(i, count);
        errorText[0] = 0;
        lastOk = ConvertOne(paths, count, i, written, progress.Window(), errorText);
        progress.Step();
        if (progress.Cancelled()) break;
    }
    progress.End();
    return lastOk;
}

bool RunBatchProcess(HWND dialog, const wchar_t* paths, int count, wchar_t* errorText) {
    DialogRunProgress progress(dialog, BatchProcessIdle, BatchProcessCancel);
    bool ok = RunBatchProcess(progress, paths, count, errorText);
    if (AppState::BatchProcessDeleteSourceAfterConversion) {
        SendDlgItemMessageW(dialog, IDC_LIST_FILES, LB_RESETCONTENT, 0, 0);
        EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    }
    return ok;
}

// ---- the dialog ----

void SetBatchProcessSettingsKey(const wchar_t* key) { g_settingsKey = key ? key : QRV_REGISTRY_KEY; }

void FillOutputFormatCombo(HWND dialog) {
    HWND combo = ComboOf(dialog, IDC_BATCH_FORMAT);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const wchar_t* text : kOutputFormatTexts) SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)text);
    int format = AppState::BatchProcessOutputFormat;
    if (format < 0 || format >= BATCH_OUTPUT_FORMAT_COUNT) format = 0;
    SendMessageW(combo, CB_SETCURSEL, format, 0);
    SendDlgItemMessageW(dialog, IDC_BATCH_TAB, TCM_SETCURSEL, BatchOutputFormatTab(format), 0);
    ShowFormatOptionsPanel(dialog);
}

void ReadOutputFormatCombo(HWND dialog) {
    int format = (int)SendDlgItemMessageW(dialog, IDC_BATCH_FORMAT, CB_GETCURSEL, 0, 0);
    if (format < 0 || format >= BATCH_OUTPUT_FORMAT_COUNT) format = 0;
    AppState::BatchProcessOutputFormat = format;
    SendDlgItemMessageW(dialog, IDC_BATCH_TAB, TCM_SETCURSEL, BatchOutputFormatTab(format), 0);
    ShowFormatOptionsPanel(dialog);
}

void ShowFormatOptionsPanel(HWND dialog) {
    // A panel stores its choices into the settings when it is destroyed.
    if (FormatOptionsPanel) DestroyWindow(FormatOptionsPanel);
    FormatOptionsPanel = nullptr;
    int tab = (int)SendDlgItemMessageW(dialog, IDC_BATCH_TAB, TCM_GETCURSEL, 0, 0);
    const wchar_t* templateName = nullptr;
    DLGPROC procedure = nullptr;
    if (tab > 0 && SaveOptionTab(tab, nullptr, &templateName, &procedure) && templateName) {
        FormatOptionsPanel = CreateDialogParamW((HINSTANCE)GetWindowLongPtrW(dialog, GWLP_HINSTANCE), templateName,
                                                dialog, procedure, 0);
        if (FormatOptionsPanel) {
            SetWindowPos(FormatOptionsPanel, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            ShowWindow(FormatOptionsPanel, SW_SHOW);
        }
    }
    ShowWindow(GetDlgItem(dialog, IDC_BATCH_NO_OPTIONS), FormatOptionsPanel ? SW_HIDE : SW_SHOW);
    PlaceFormatOptionsPanel(dialog);
}

void PlaceFormatOptionsPanel(HWND dialog) {
    if (!FormatOptionsPanel) return;
    RECT tab;
    GetWindowRect(GetDlgItem(dialog, IDC_BATCH_TAB), &tab);
    POINT origin = {tab.left + 2, tab.top + 22};
    // The panel is a child of the dialog: its place in the dialog's client area.
    if (GetWindowLongW(FormatOptionsPanel, GWL_STYLE) & WS_CHILD) ScreenToClient(dialog, &origin);
    MoveWindow(FormatOptionsPanel, origin.x, origin.y, tab.right - tab.left - 6, tab.bottom - tab.top - 26, TRUE);
}

void EnableBatchProcessControls(HWND dialog) {
    auto follow = [dialog](int check, std::initializer_list<int> ids, int& setting) {
        bool on = Checked(dialog, check);
        setting = on ? 1 : 0;
        for (int id : ids) EnableWindow(GetDlgItem(dialog, id), on);
    };
    follow(IDC_BATCH_SHARPEN, {IDC_BATCH_SHARPEN_VALUE}, AppState::BatchProcessEffectSharpen);
    follow(IDC_BATCH_BLUR, {IDC_BATCH_BLUR_VALUE}, AppState::BatchProcessEffectBlur);
    follow(IDC_BATCH_CONTRAST, {IDC_BATCH_CONTRAST_VALUE}, AppState::BatchProcessContrast);
    follow(IDC_BATCH_BRIGHTNESS, {IDC_BATCH_BRIGHTNESS_VALUE}, AppState::BatchProcessBrightness);
    follow(IDC_BATCH_GAMMA, {IDC_BATCH_GAMMA_VALUE}, AppState::BatchProcessGamma);
    follow(IDC_BATCH_DEPTH, {IDC_BATCH_DEPTH_VALUE}, AppState::BatchProcessColorDepth);
    follow(IDC_BATCH_RGB_ORDER, {IDC_BATCH_RGB_ORDER_VALUE}, AppState::BatchProcessRGBOrder);
    follow(IDC_BATCH_RESIZE,
           {IDC_BATCH_ASPECT, IDC_BATCH_WIDTH, IDC_BATCH_HEIGHT, IDC_BATCH_UNIT, IDC_BATCH_SIZE_FILTER},
           AppState::BatchProcessResize);
    if (AppState::BatchProcessResize)
        EnableWindow(GetDlgItem(dialog, IDC_BATCH_HEIGHT), !Checked(dialog, IDC_BATCH_ASPECT));
    follow(IDC_BATCH_WATERMARK, {IDC_BATCH_WATERMARK_OPACITY, IDC_BATCH_WATERMARK_FILE, IDC_BATCH_WATERMARK_BROWSE},
           AppState::BatchProcessApplyWatermarkImage);
}

namespace {

struct CheckSetting {
    int id;
    int* setting;
};
const CheckSetting kChecks[] = {
    {IDC_BATCH_KEEP_TIME, &AppState::BatchProcessMaintainFileTime},
    {IDC_BATCH_DELETE_SOURCE, &AppState::BatchProcessDeleteSourceAfterConversion},
    {IDC_BATCH_MIRROR, &AppState::BatchProcessMirror},
    {IDC_BATCH_FLIP, &AppState::BatchProcessFlip},
    {IDC_BATCH_INVERT, &AppState::BatchProcessInvert},
    {IDC_BATCH_GRAYSCALE, &AppState::BatchProcessGrayscale},
    {IDC_BATCH_ROTATE_LEFT, &AppState::BatchProcessRotate90L},
    {IDC_BATCH_ROTATE_RIGHT, &AppState::BatchProcessRotate90R},
    {IDC_BATCH_ROTATE_180, &AppState::BatchProcessRotate180},
    {IDC_BATCH_BORDER, &AppState::BatchProcessEffectBorder},
    {IDC_BATCH_SHARPEN, &AppState::BatchProcessEffectSharpen},
    {IDC_BATCH_BLUR, &AppState::BatchProcessEffectBlur},
    {IDC_BATCH_CONTRAST, &AppState::BatchProcessContrast},
    {IDC_BATCH_BRIGHTNESS, &AppState::BatchProcessBrightness},
    {IDC_BATCH_GAMMA, &AppState::BatchProcessGamma},
    {IDC_BATCH_DEPTH, &AppState::BatchProcessColorDepth},
    {IDC_BATCH_RGB_ORDER, &AppState::BatchProcessRGBOrder},
    {IDC_BATCH_RESIZE, &AppState::BatchProcessResize},
    {IDC_BATCH_ASPECT, &AppState::BatchProcessResizeMaintainAspectRatio},
    {IDC_BATCH_WATERMARK, &AppState::BatchProcessApplyWatermarkImage},
};
struct NumberSetting {
    int id;
    int* setting;
    bool isSigned;
};
const NumberSetting kNumbers[] = {
    {IDC_BATCH_SHARPEN_VALUE, &AppState::BatchProcessEffectSharpenValue, false},
    {IDC_BATCH_BLUR_VALUE, &AppState::BatchProcessEffectBlurValue, false},
    {IDC_BATCH_CONTRAST_VALUE, &AppState::BatchProcessContrastValue, true},
    {IDC_BATCH_BRIGHTNESS_VALUE, &AppState::BatchProcessBrightnessValue, true},
    {IDC_BATCH_GAMMA_VALUE, &AppState::BatchProcessGammaValue, false},
    {IDC_BATCH_WIDTH, &AppState::BatchProcessResizeWidth, false},
    {IDC_BATCH_HEIGHT, &AppState::BatchProcessResizeHeight, false},
    {IDC_BATCH_WATERMARK_OPACITY, &AppState::BatchProcessWatermarkTransparency, false},
};
struct ComboSetting {
    int id;
    int* setting;
    const wchar_t* key;
    const wchar_t* list;
};
const ComboSetting kCombos[] = {
    {IDC_BATCH_DEPTH_VALUE, &AppState::BatchProcessColorDepthValue, L"ColordepthCBX",
     L"1Bit (2 Colors)|4Bit (16 Colors)|8Bit (256 Colors)|16Bit (65K Colors)|24Bit (24.7M Colors)|32Bit (24.7M "
     L"Colors+Alpha)"},
    {IDC_BATCH_RGB_ORDER_VALUE, &AppState::BatchProcessRGBOrderValue, L"RGBOrderCBX",
     L"Swap Red And Blue|Swap Red And Green|Swap Green And Blue"},
    {IDC_BATCH_UNIT, &AppState::BatchProcessResizeUnitType, L"UnitCBX", L"Percent|Pixel|Centimeter|Inch"},
    {IDC_BATCH_SIZE_FILTER, &AppState::BatchProcessResizeSizeFilter, L"SizeFilterCBX",
     L"Work with all Image Sizes|Only if Image greater|Only if Image smaller"},
};

void SettingsToControls(HWND dialog) {
    SetDlgItemTextW(dialog, IDC_BATCH_FOLDER, AppState::BatchProcessOutputDirectory);
    SetDlgItemTextW(dialog, IDC_BATCH_WATERMARK_FILE, AppState::BatchProcessWatermarkFilename);
    SendDlgItemMessageW(dialog, IDC_BATCH_FOLDER, EM_LIMITTEXT, MAX_PATH - 1, 0);
    SendDlgItemMessageW(dialog, IDC_BATCH_WATERMARK_FILE, EM_LIMITTEXT, MAX_PATH - 1, 0);
    for (const auto& c : kChecks) CheckDlgButton(dialog, c.id, *c.setting ? BST_CHECKED : BST_UNCHECKED);
    for (const auto& n : kNumbers) SetDlgItemInt(dialog, n.id, (UINT)*n.setting, n.isSigned);
    for (const auto& c : kCombos) LangFillComboBox(GetDlgItem(dialog, c.id), kSection, c.key, *c.setting, c.list);
}

void ControlsToSettings(HWND dialog) {
    GetDlgItemTextW(dialog, IDC_BATCH_FOLDER, AppState::BatchProcessOutputDirectory, MAX_PATH);
    GetDlgItemTextW(dialog, IDC_BATCH_WATERMARK_FILE, AppState::BatchProcessWatermarkFilename, MAX_PATH);
    for (const auto& c : kChecks) *c.setting = Checked(dialog, c.id) ? 1 : 0;
    for (const auto& n : kNumbers) *n.setting = (int)GetDlgItemInt(dialog, n.id, nullptr, n.isSigned);
    for (const auto& c : kCombos) {
        int selection = (int)SendDlgItemMessageW(dialog, c.id, CB_GETCURSEL, 0, 0);
        if (selection >= 0) *c.setting = selection;
    }
}

void ShowUnitLabels(HWND dialog) {
    static const wchar_t* kUnits[] = {L"%", L"Pixel", L"cm", L"inch"};
    int unit = (int)SendDlgItemMessageW(dialog, IDC_BATCH_UNIT, CB_GETCURSEL, 0, 0);
    if (unit < 0 || unit > 3) return;
    SetDlgItemTextW(dialog, IDC_BATCH_WIDTH_UNIT, kUnits[unit]);
    SetDlgItemTextW(dialog, IDC_BATCH_HEIGHT_UNIT, kUnits[unit]);
}

void ChooseWatermark(HWND dialog) {
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = OpenDialogFilter();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = path;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;
    if (!ShowListOpenDialog(&ofn)) return;
    CImage mark;
    wchar_t text[FORMAT_ERROR_CHARS] = {};
    bool loaded;
    {
        LoadModeScope scope(true, false);
        loaded = LoadMediaFile(mark, path, text, (FormatId*)nullptr);
    }
    if (!loaded || mark.GetBpp() != 32) {
        ShowMessage(MessageOwner{dialog}, L"Only 32bit Images with Alpha Channel can be used as Watermark image!");
        return;
    }
    CopyStringW(AppState::BatchProcessWatermarkFilename, path);
    SetDlgItemTextW(dialog, IDC_BATCH_WATERMARK_FILE, path);
}

void Process(HWND dialog) {
    ReadOutputFormatCombo(dialog);  // the shown panel stores its choices
    wchar_t folder[MAX_PATH] = {};
    GetDlgItemTextW(dialog, IDC_BATCH_FOLDER, folder, MAX_PATH);
    CreateDirectoryW(folder, nullptr);
    ControlsToSettings(dialog);
    SaveBatchProcessSettings(g_settingsKey);
    PathSlots slots;
    if (!CopyListForRun(dialog, slots)) return;
    wchar_t errorText[FORMAT_ERROR_CHARS] = {};
    if (!RunBatchProcess(dialog, slots.Data(), slots.Count(), errorText)) ShowFailedAt(dialog, errorText);
    RestoreCurrentFolder();
    SetFocus(dialog);
}

void InitDialog(HWND dialog) {
    CenterWindow(dialog, AppState::MainWindow);
    LangApplyDialog(dialog, kSection);
    StoreCurrentFolder();
    LoadBatchProcessSettings(g_settingsKey);
    BatchProcessCancel = 0;
    BatchProcessIdle = 1;
    EnableWindow(GetDlgItem(dialog, IDOK), FALSE);
    ShowWindow(GetDlgItem(dialog, IDC_LIST_PROGRESS), SW_HIDE);
    SettingsToControls(dialog);
    ShowUnitLabels(dialog);
    EnableBatchProcessControls(dialog);
    HWND tab = GetDlgItem(dialog, IDC_BATCH_TAB);
    for (int i = 0; i < 9; ++i) {
        const wchar_t* label = L"";
        SaveOptionTab(i, &label, nullptr, nullptr);
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(label);
        SendMessageW(tab, TCM_INSERTITEMW, i, (LPARAM)&item);
    }
    EnableWindow(tab, FALSE);
    FillOutputFormatCombo(dialog);
    AddSelectionToListBox(dialog, false, false);
    if (SendDlgItemMessageW(dialog, IDC_LIST_FILES, LB_GETCOUNT, 0, 0) > 0)
        EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
}

}  // namespace

INT_PTR CALLBACK BatchProcessDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: InitDialog(dialog); return TRUE;
    case WM_MOVE:
    case WM_SIZE: PlaceFormatOptionsPanel(dialog); return FALSE;
    case WM_DESTROY:
        if (FormatOptionsPanel) DestroyWindow(FormatOptionsPanel);
        FormatOptionsPanel = nullptr;
        return FALSE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        int code = HIWORD(wParam);
        if (id == IDC_BATCH_FORMAT && code == CBN_SELCHANGE) {
            ReadOutputFormatCombo(dialog);
            return TRUE;
        }
        if (id == IDC_BATCH_UNIT && code == CBN_SELCHANGE) {
            ShowUnitLabels(dialog);
            return TRUE;
        }
        if (code != BN_CLICKED) return FALSE;
        switch (id) {
        case IDOK: Process(dialog); break;
        case IDCANCEL: HandleListToolCancel(dialog, BatchProcessIdle, BatchProcessCancel); break;
        case IDC_LIST_FOLDER: ChooseOutputFolder(dialog, IDC_BATCH_FOLDER); break;
        case IDC_BATCH_WATERMARK_BROWSE: ChooseWatermark(dialog); break;
        default: HandleListButton(dialog, id); break;
        }
        EnableBatchProcessControls(dialog);
        return TRUE;
    }
    default: return FALSE;
    }
}
