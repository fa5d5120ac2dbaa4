#include "browser/BrowserServices.h"

#include <cmath>
#include <cwchar>

namespace {
// Half of a difference, rounded towards minus infinity (a picture wider than
// its box starts left of it).
int HalfDown(int value) { return (int)std::floor(value / 2.0); }
}  // namespace

float FitImageToBox(FitModeKind mode, bool noUpscale, RECT* out, int boxWidth, int boxHeight, int sourceWidth,
                    int sourceHeight) {
    float scale = 1.0f;
    int width = 0, height = 0;
    if (sourceWidth > 0 && sourceHeight > 0) {
        const float sx = (float)boxWidth / (float)sourceWidth;
        const float sy = (float)boxHeight / (float)sourceHeight;
        switch (mode) {
        case FIT_WHOLE: scale = sx < sy ? sx : sy; break;
        case FIT_WIDTH: scale = sx; break;
        case FIT_HEIGHT: scale = sy; break;
        default: scale = 1.0f; break;
        }
        width = (int)(sourceWidth * scale);
        height = (int)(sourceHeight * scale);
        if (noUpscale && (width > sourceWidth || height > sourceHeight)) {
            if (width > sourceWidth) width = sourceWidth;
            if (height > sourceHeight) height = sourceHeight;
            scale = 1.0f;
        }
    }
    if (out) {
        out->left = HalfDown(boxWidth - width);
        out->top = HalfDown(boxHeight - height);
        out->right = out->left + width;
        out->bottom = out->top + height;
    }
    return scale;
}

void FormatFileTime(wchar_t* out, const FILETIME* time) {
    if (!out) return;
    SYSTEMTIME utc, local;
    if (!time || !FileTimeToSystemTime(time, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        wcscpy(out, L"Err: FileTimeToSystemTime()");
        return;
    }
    swprintf(out, 64, L"%.2d/%.2d/%.2d %2.2d:%2.2d", local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute);
}

int GetScreenBitsPerPixel() {
    HDC dc = GetDC(nullptr);
    if (!dc) return 0;
    const int bits = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits;
}
