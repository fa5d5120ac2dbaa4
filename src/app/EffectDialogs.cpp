// The effect dialogs of the Effects menu, and the effects that work on the
// viewer image.
#include "app/EffectDialogs.h"

#include <commctrl.h>

#include "app/AppState.h"
#include "app/Guarded.h"
#include "app_effectdialogs_ids.h"
#include "image/Common.h"
#include "image/Effects.h"

bool CImageEffects::ApplyPixelize(int blockWidth) { return PixelizeImage(AppState::CurrentImage, blockWidth, true); }

bool CImageEffects::SeamlessTile() { return SeamlessTileImage(AppState::CurrentImage, true); }

namespace {

struct SliderSetting {
    int slider, edit;
    int* value;
    int maximum;
};

void InitEffectDialog(HWND dialog, const SliderSetting* sliders, int count, void (*langApply)(HWND)) {
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    CenterWindow(dialog, AppState::MainWindow);
    for (int i = 0; i < count; ++i) {
        HWND slider = GetDlgItem(dialog, sliders[i].slider);
        SendMessageW(slider, TBM_SETRANGE, TRUE, MAKELPARAM(1, sliders[i].maximum));
        SendMessageW(slider, TBM_SETPOS, TRUE, *sliders[i].value);
        SendMessageW(slider, TBM_SETTICFREQ, 1, 0);
        SetDlgItemInt(dialog, sliders[i].edit, (UINT)*sliders[i].value, TRUE);
    }
    if (langApply) langApply(dialog);
}

// Moving a slider copies its position into its edit and its setting.
void OnSlider(HWND dialog, HWND control, const SliderSetting* sliders, int count) {
    const int id = GetDlgCtrlID(control);
    for (int i = 0; i < count; ++i)
        if (sliders[i].slider == id) {
            const int pos = (int)SendMessageW(control, TBM_GETPOS, 0, 0);
            SetDlgItemInt(dialog, sliders[i].edit, (UINT)pos, TRUE);
            *sliders[i].value = pos;
        }
}

// The edits are read as signed numbers; a text that is no number reads as 0,
// which every effect takes (a repeat count or block width below 1 acts as 1).
void ReadEdits(HWND dialog, const SliderSetting* sliders, int count) {
    for (int i = 0; i < count; ++i) *sliders[i].value = (int)GetDlgItemInt(dialog, sliders[i].edit, nullptr, TRUE);
}

INT_PTR EffectDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, const SliderSetting* sliders, int count,
                     void (*langApply)(HWND), void (*run)()) {
    return GuardedWindowCall(FALSE, [&]() -> INT_PTR {
        switch (message) {
        case WM_INITDIALOG: InitEffectDialog(dialog, sliders, count, langApply); return TRUE;
        case WM_HSCROLL:
            if (lParam) OnSlider(dialog, (HWND)lParam, sliders, count);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                ReadEdits(dialog, sliders, count);
                EndDialog(dialog, IDOK);
                run();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        default: break;
        }
        return FALSE;
    });
}

}  // namespace

INT_PTR CALLBACK EffBlurDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const SliderSetting sliders[] = {{IDC_EFF_SLIDER1, IDC_EFF_EDIT1, &AppState::EffBlurRandomization, 100},
                                     {IDC_EFF_SLIDER2, IDC_EFF_EDIT2, &AppState::EffBlurRepeatCount, 100}};
    return EffectDialog(dialog, message, wParam, lParam, sliders, 2, GetEffectServices().langApplyEffBlur, [] {
        ImageEffects.Blur(AppState::CurrentImage, AppState::EffBlurRandomization, AppState::EffBlurRepeatCount, true);
    });
}

INT_PTR CALLBACK EffPixelizeDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const SliderSetting sliders[] = {{IDC_EFF_SLIDER1, IDC_EFF_EDIT1, &AppState::EffPixelizePixelWidth, 64}};
    return EffectDialog(dialog, message, wParam, lParam, sliders, 1, GetEffectServices().langApplyEffPixelize,
                        [] { ImageEffects.ApplyPixelize(AppState::EffPixelizePixelWidth); });
}

INT_PTR CALLBACK EffSharpenDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    const SliderSetting sliders[] = {{IDC_EFF_SLIDER1, IDC_EFF_EDIT1, &AppState::EffSharpenPercent, 100}};
    return EffectDialog(dialog, message, wParam, lParam, sliders, 1, GetEffectServices().langApplyEffSharpen,
                        [] { ImageEffects.Sharpen(AppState::CurrentImage, AppState::EffSharpenPercent, true); });
}
