#include "app/ColorChooser.h"

#include <commdlg.h>

namespace {

ChooseColorHook g_hook = nullptr;

}  // namespace

void SetChooseColorHook(ChooseColorHook hook) { g_hook = hook; }

bool ChooseColorFor(HWND owner, COLORREF* color) {
    if (!color) return false;
    if (g_hook) return g_hook(owner, color);
    COLORREF custom[16] = {};
    CHOOSECOLORW choose = {};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = owner;
    choose.rgbResult = *color;
    choose.lpCustColors = custom;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorW(&choose)) return false;
    *color = choose.rgbResult;
    return true;
}
