#include "app/ImageDialogs.h"

#include <commctrl.h>

#include <cwchar>

#include "app/AlphaView.h"
#include "app/AppState.h"
#include "app/ColorChooser.h"
#include "app/Guarded.h"
#include "app/ImageEdits.h"
#include "app/Language.h"
#include "app/ShellServices.h"
#include "app_imagedialogs_ids.h"
#include "image/Common.h"
#include "image/Image.h"

namespace {

constexpr wchar_t kFilterNames[] = L"No Smoothing|Bresenham|Bicubic|Gaussian|Bilinear";
constexpr wchar_t kDepthNames[] =
    L"1Bit (2 Colors)|4Bit (16 Colors)|8Bit (256 Colors)|16Bit (65K Colors)|24Bit (24.7M Colors)|32Bit (24.7M "
    L"Colors+Alpha)";
constexpr wchar_t kAnchorNames[] =
    L"TopLeft|TopCenter|TopRight|LeftCenter|Center|RightCenter|BottomLeft|BottomCenter|BottomRight";

// Fills a combo box with the '|'-separated entries.
void FillList(HWND dialog, int control, const wchar_t* entries) {
    HWND combo = GetDlgItem(dialog, control);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    wchar_t entry[128];
    size_t length = 0;
    for (const wchar_t* p = entries;; ++p) {
        if (*p == L'|' || *p == 0) {
            entry[length] = 0;
            SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)entry);
            length = 0;
            if (*p == 0) break;
        } else if (length + 1 < 128) {
            entry[length++] = *p;
        }
    }
}

int ListSelection(HWND dialog, int control) { return (int)SendDlgItemMessageW(dialog, control, CB_GETCURSEL, 0, 0); }

void OpenDialog(HWND dialog) { CenterWindow(dialog, AppState::MainWindow); }

// The picture's size in the two edits (0 x 0 without a picture).
void ShowPictureSize(HWND dialog) {
    const CImage& image = AppState::CurrentImage;
    SetDlgItemInt(dialog, IDC_IMG_WIDTH, image.IsValid() ? image.GetWidth() : 0, TRUE);
    SetDlgItemInt(dialog, IDC_IMG_HEIGHT, image.IsValid() ? image.GetHeight() : 0, TRUE);
}

void DropColorSample(HWND dialog, int control) {
    HBITMAP old = (HBITMAP)SendDlgItemMessageW(dialog, control, STM_SETIMAGE, IMAGE_BITMAP, 0);
    if (old) DeleteObject(old);
}

// The colour button: the colour dialog starts at the stored colour, and OK
// stores the choice and shows it.
void ChooseSampleColor(HWND dialog, int* stored) {
    COLORREF color = (COLORREF)*stored;
    if (!ChooseColorFor(dialog, &color)) return;
    *stored = (int)color;
    ShowColorSample(dialog, IDC_IMG_COLOR_SAMPLE, color);
}

// ---- Resize ----

// Cleared while the dialog writes into its edits, so that a computed side
// does not compute the other one back.
bool g_resizeEditsLive = false;

void FollowAspect(HWND dialog, int edited) {
    if (!g_resizeEditsLive || !AppState::ResizeConstrainProportions) return;
    const CImage& image = AppState::CurrentImage;
    if (!image.IsValid()) return;
    BOOL number = FALSE;
    const int typed = (int)GetDlgItemInt(dialog, edited, &number, TRUE);
    if (!number) return;
    const bool width = edited == IDC_IMG_WIDTH;
    const int thisSide = (int)(width ? image.GetWidth() : image.GetHeight());
    const int otherSide = (int)(width ? image.GetHeight() : image.GetWidth());
    g_resizeEditsLive = false;
    SetDlgItemInt(dialog, width ? IDC_IMG_HEIGHT : IDC_IMG_WIDTH,
                  (UINT)KeepAspectOtherSide((double)typed, thisSide, otherSide), TRUE);
    g_resizeEditsLive = true;
}

INT_PTR ResizeDialog(HWND dialog, UINT message, WPARAM wParam) {
    switch (message) {
    case WM_INITDIALOG:
        OpenDialog(dialog);
        LangApplyDialog(dialog, L"Dlg_Resize");
        g_resizeEditsLive = false;
        ShowPictureSize(dialog);
        CheckDlgButton(dialog, IDC_IMG_KEEP_ASPECT, AppState::ResizeConstrainProportions ? BST_CHECKED : BST_UNCHECKED);
        FillList(dialog, IDC_IMG_LIST, kFilterNames);
        SendDlgItemMessageW(dialog, IDC_IMG_LIST, CB_SETCURSEL, 4, 0);
        g_resizeEditsLive = true;
        return TRUE;
    case WM_COMMAND: {
        const int id = LOWORD(wParam), code = HIWORD(wParam);
        if (id == IDOK) {
            EndDialog(dialog, IDOK);
            AppState::ResizeConstrainProportions = IsDlgButtonChecked(dialog, IDC_IMG_KEEP_ASPECT) == BST_CHECKED;
            AppState::ResizeScaleType = ListSelection(dialog, IDC_IMG_LIST) + 1;
            ResizeCurrentImage(GetDlgItemInt(dialog, IDC_IMG_WIDTH, nullptr, FALSE),
                               GetDlgItemInt(dialog, IDC_IMG_HEIGHT, nullptr, FALSE));
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        if (code == BN_CLICKED)
            AppState::ResizeConstrainProportions = IsDlgButtonChecked(dialog, IDC_IMG_KEEP_ASPECT) == BST_CHECKED;
        else if (code == EN_CHANGE && (id == IDC_IMG_WIDTH || id == IDC_IMG_HEIGHT)) FollowAspect(dialog, id);
        return TRUE;
    }
    default: return FALSE;
    }
}

// ---- Create new image ----

INT_PTR NewImageDialog(HWND dialog, UINT message, WPARAM wParam) {
    switch (message) {
    case WM_INITDIALOG:
        OpenDialog(dialog);
        LangApplyDialog(dialog, L"Dlg_CreateNewImage");
        SetDlgItemInt(dialog, IDC_IMG_WIDTH, (UINT)AppState::CreateNewImageWidth, FALSE);
        SetDlgItemInt(dialog, IDC_IMG_HEIGHT, (UINT)AppState::CreateNewImageHeight, FALSE);
        FillList(dialog, IDC_IMG_LIST, kDepthNames);
        SendDlgItemMessageW(dialog, IDC_IMG_LIST, CB_SETCURSEL, (WPARAM)AppState::CreateNewImageBpp, 0);
        ShowColorSample(dialog, IDC_IMG_COLOR_SAMPLE, (COLORREF)AppState::CreateNewImageColor);
        return TRUE;
    case WM_DESTROY: DropColorSample(dialog, IDC_IMG_COLOR_SAMPLE); return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_IMG_COLOR_BUTTON: ChooseSampleColor(dialog, &AppState::CreateNewImageColor); return TRUE;
        case IDOK: {
            AppState::CreateNewImageWidth = (int)GetDlgItemInt(dialog, IDC_IMG_WIDTH, nullptr, FALSE);
            AppState::CreateNewImageHeight = (int)GetDlgItemInt(dialog, IDC_IMG_HEIGHT, nullptr, FALSE);
            AppState::CreateNewImageBpp = ListSelection(dialog, IDC_IMG_LIST);
            EndDialog(dialog, IDOK);
            CreateNewImage(AppState::CreateNewImageWidth, AppState::CreateNewImageHeight,
                           NewImageDepthOfIndex(AppState::CreateNewImageBpp), (COLORREF)AppState::CreateNewImageColor);
            return TRUE;
        }
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

// ---- Resize canvas ----

INT_PTR CanvasDialog(HWND dialog, UINT message, WPARAM wParam) {
    switch (message) {
    case WM_INITDIALOG:
        OpenDialog(dialog);
        LangApplyDialog(dialog, L"Dlg_ResizeCanvas");
        ShowPictureSize(dialog);
        FillList(dialog, IDC_IMG_ANCHOR, kAnchorNames);
        SendDlgItemMessageW(dialog, IDC_IMG_ANCHOR, CB_SETCURSEL, (WPARAM)AppState::ResizeCanvasPosition, 0);
        return TRUE;
    case WM_DESTROY: DropColorSample(dialog, IDC_IMG_COLOR_SAMPLE); return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_IMG_COLOR_BUTTON: ChooseSampleColor(dialog, &AppState::ResizeCanvasColor); return TRUE;
        case IDOK: {
            const int width = (int)GetDlgItemInt(dialog, IDC_IMG_WIDTH, nullptr, TRUE);
            const int height = (int)GetDlgItemInt(dialog, IDC_IMG_HEIGHT, nullptr, TRUE);
            AppState::ResizeCanvasPosition = ListSelection(dialog, IDC_IMG_ANCHOR);
            EndDialog(dialog, IDOK);
            ResizeCanvas(width, height, AppState::ResizeCanvasPosition, (COLORREF)AppState::ResizeCanvasColor);
            return TRUE;
        }
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

// ---- Brightness, contrast, gamma ----

AdjustValues g_adjustValues;

AdjustValues SliderValues(HWND dialog) {
    AdjustValues v;
    v.brightness = (int)SendDlgItemMessageW(dialog, IDC_ADJ_BRIGHTNESS, TBM_GETPOS, 0, 0);
    v.contrast = (int)SendDlgItemMessageW(dialog, IDC_ADJ_CONTRAST, TBM_GETPOS, 0, 0);
    v.gammaTenths = (int)SendDlgItemMessageW(dialog, IDC_ADJ_GAMMA, TBM_GETPOS, 0, 0);
    return v;
}

void SetSlider(HWND dialog, int control, int minimum, int maximum, int position) {
    HWND slider = GetDlgItem(dialog, control);
    SendMessageW(slider, TBM_SETRANGE, TRUE, MAKELPARAM(minimum, maximum));
    SendMessageW(slider, TBM_SETPOS, TRUE, position);
    SendMessageW(slider, TBM_SETTICFREQ, 1, 0);
}

void SetDefaultSliders(HWND dialog) {
    const AdjustValues defaults;
    SetSlider(dialog, IDC_ADJ_BRIGHTNESS, -255, 255, defaults.brightness);
    SetSlider(dialog, IDC_ADJ_CONTRAST, -100, 100, defaults.contrast);
    SetSlider(dialog, IDC_ADJ_GAMMA, 0, 50, defaults.gammaTenths);
}

// The picture shrunk into the preview box on white, with the sliders' values
// applied; the value labels follow.
void DrawAdjustPreview(HWND dialog) {
    const AdjustValues v = SliderValues(dialog);
    wchar_t text[32];
    swprintf(text, 32, L"%0.2f", v.gammaTenths * 0.1);
    SetDlgItemTextW(dialog, IDC_ADJ_GAMMA_VALUE, text);
    swprintf(text, 32, L"%0.2d", v.contrast);
    SetDlgItemTextW(dialog, IDC_ADJ_CONTRAST_VALUE, text);
    swprintf(text, 32, L"%0.2d", v.brightness);
    SetDlgItemTextW(dialog, IDC_ADJ_BRIGHTNESS_VALUE, text);

    CImage box;
    if (!box.CreateEmpty(kAdjustPreviewWidth, kAdjustPreviewHeight, 24, RGB(255, 255, 255), nullptr)) return;
    CImage& image = AppState::CurrentImage;
    const SIZE size = AdjustPreviewSize((int)image.GetWidth(), (int)image.GetHeight());
    CImage work;
    if (size.cx > 0 && work.CreateEmpty(size.cx, size.cy, 24, RGB(255, 255, 255), nullptr)) {
        SetStretchBltMode(work.memoryDC, HALFTONE);
        SetBrushOrgEx(work.memoryDC, 0, 0, nullptr);
        image.StretchTo(work.memoryDC, 0, 0, size.cx, size.cy, SRCCOPY);
        ApplyAdjustValues(work, v);
        work.BitBltTo(box.memoryDC, (kAdjustPreviewWidth - size.cx) / 2, (kAdjustPreviewHeight - size.cy) / 2, SRCCOPY);
    }
    HDC screen = GetDC(nullptr);
    HBITMAP shown = CreateCompatibleBitmap(screen, kAdjustPreviewWidth, kAdjustPreviewHeight);
    ReleaseDC(nullptr, screen);
    if (!shown) return;
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, shown);
    box.BitBltTo(memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    HBITMAP previous = (HBITMAP)SendDlgItemMessageW(dialog, IDC_ADJ_PREVIEW, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)shown);
    if (previous && previous != shown) DeleteObject(previous);
}

INT_PTR AdjustDialog(HWND dialog, UINT message, WPARAM wParam) {
    switch (message) {
    case WM_INITDIALOG:
        OpenDialog(dialog);
        LangApplyDialog(dialog, L"Dlg_AdjustImage");
        SetDefaultSliders(dialog);
        DrawAdjustPreview(dialog);
        return TRUE;
    case WM_HSCROLL: DrawAdjustPreview(dialog); return TRUE;
    case WM_DESTROY: {
        HBITMAP old = (HBITMAP)SendDlgItemMessageW(dialog, IDC_ADJ_PREVIEW, STM_SETIMAGE, IMAGE_BITMAP, 0);
        if (old) DeleteObject(old);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ADJ_DEFAULTS:
            SetDefaultSliders(dialog);
            DrawAdjustPreview(dialog);
            return TRUE;
        case IDOK: {
            HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            g_adjustValues = SliderValues(dialog);
            EditDocumentPicture([](CImage& picture) {
                SaveUndoSnapshot();
                return ApplyAdjustValues(picture, g_adjustValues);
            });
            SetCursor(previous);
            EndDialog(dialog, IDOK);
            if (AppState::MainWindow) {
                InvalidateRect(AppState::MainWindow, nullptr, FALSE);
                UpdateWindow(AppState::MainWindow);
            }
            return TRUE;
        }
        case IDCANCEL: EndDialog(dialog, -1); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

}  // namespace

void ShowColorSample(HWND dialog, int control, COLORREF color) {
    HWND sample = GetDlgItem(dialog, control);
    if (!sample) {
        ShowMessage(L"no hwnd");
        return;
    }
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 40, 20);
    ReleaseDC(nullptr, screen);
    if (!bitmap) return;
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(color);
    const RECT all = {0, 0, 40, 20};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SelectObject(memory, old);
    DeleteDC(memory);
    HBITMAP previous = (HBITMAP)SendMessageW(sample, STM_SETIMAGE, IMAGE_BITMAP, (LPARAM)bitmap);
    if (previous && previous != bitmap) DeleteObject(previous);
}

AdjustValues LastAdjustValues() { return g_adjustValues; }

bool ApplyAdjustValues(CImage& image, const AdjustValues& values) {
    return image.Brightness(values.brightness) && image.Contrast(values.contrast) &&
           image.Gamma(values.gammaTenths * 0.1);
}

INT_PTR CALLBACK ResizeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return GuardedWindowCall(FALSE, [&]() -> INT_PTR { return ResizeDialog(dialog, message, wParam); });
}

INT_PTR CALLBACK CreateNewImageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return GuardedWindowCall(FALSE, [&]() -> INT_PTR { return NewImageDialog(dialog, message, wParam); });
}

INT_PTR CALLBACK ResizeCanvasDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return GuardedWindowCall(FALSE, [&]() -> INT_PTR { return CanvasDialog(dialog, message, wParam); });
}

INT_PTR CALLBACK AdjustImageDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    return GuardedWindowCall(FALSE, [&]() -> INT_PTR { return AdjustDialog(dialog, message, wParam); });
}
