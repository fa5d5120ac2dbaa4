// The batch process dialog's settings: read when the dialog opens and written
// when Process is pressed, each in a program-wide AppState:: variable of its
// own. The row list is the only place that names a setting and its default.
#pragma once
#include <windows.h>

#include "image/Registry.h"

// ROW(kind, name, default): Dword an int (REG_DWORD), Text MAX_PATH characters (REG_SZ).
#define QRV_BATCH_SETTINGS_ROWS(ROW)                       \
    ROW(Text, BatchProcessOutputDirectory, L"C:\\Temp")    \
    ROW(Dword, BatchProcessOutputFormat, 0)                \
    ROW(Dword, BatchProcessMaintainFileTime, 1)            \
    ROW(Dword, BatchProcessDeleteSourceAfterConversion, 0) \
    ROW(Dword, BatchProcessMirror, 0)                      \
    ROW(Dword, BatchProcessFlip, 0)                        \
    ROW(Dword, BatchProcessInvert, 0)                      \
    ROW(Dword, BatchProcessGrayscale, 0)                   \
    ROW(Dword, BatchProcessRotate90L, 0)                   \
    ROW(Dword, BatchProcessRotate90R, 0)                   \
    ROW(Dword, BatchProcessRotate180, 0)                   \
    ROW(Dword, BatchProcessEffectBorder, 0)                \
    ROW(Dword, BatchProcessEffectSharpen, 0)               \
    ROW(Dword, BatchProcessEffectSharpenValue, 50)         \
    ROW(Dword, BatchProcessEffectBlur, 0)                  \
    ROW(Dword, BatchProcessEffectBlurValue, 60)            \
    ROW(Dword, BatchProcessContrast, 0)                    \
    ROW(Dword, BatchProcessContrastValue, 0)               \
    ROW(Dword, BatchProcessBrightness, 0)                  \
    ROW(Dword, BatchProcessBrightnessValue, 0)             \
    ROW(Dword, BatchProcessGamma, 0)                       \
    ROW(Dword, BatchProcessGammaValue, 10)                 \
    ROW(Dword, BatchProcessColorDepth, 0)                  \
    ROW(Dword, BatchProcessColorDepthValue, 0)             \
    ROW(Dword, BatchProcessRGBOrder, 0)                    \
    ROW(Dword, BatchProcessRGBOrderValue, 0)               \
    ROW(Dword, BatchProcessResize, 0)                      \
    ROW(Dword, BatchProcessResizeMaintainAspectRatio, 0)   \
    ROW(Dword, BatchProcessResizeWidth, 100)               \
    ROW(Dword, BatchProcessResizeHeight, 100)              \
    ROW(Dword, BatchProcessResizeUnitType, 0)              \
    ROW(Dword, BatchProcessResizeSizeFilter, 0)            \
    ROW(Dword, BatchProcessApplyWatermarkImage, 0)         \
    ROW(Dword, BatchProcessWatermarkTransparency, 127)     \
    ROW(Text, BatchProcessWatermarkFilename, L"")

#define QRV_BATCH_FIELD_Dword(name, value) inline int name = value;
#define QRV_BATCH_FIELD_Text(name, value) inline wchar_t name[MAX_PATH] = value;
#define QRV_BATCH_FIELD(kind, name, value) QRV_BATCH_FIELD_##kind(name, value)
namespace AppState {
QRV_BATCH_SETTINGS_ROWS(QRV_BATCH_FIELD)
}  // namespace AppState
#undef QRV_BATCH_FIELD
#undef QRV_BATCH_FIELD_Dword
#undef QRV_BATCH_FIELD_Text

// Reads (default for anything missing) / writes every value above under key
// of HKEY_CURRENT_USER, in the order listed; tests pass a key of their own.
void LoadBatchProcessSettings(const wchar_t* key = QRV_REGISTRY_KEY);
void SaveBatchProcessSettings(const wchar_t* key = QRV_REGISTRY_KEY);
// Every value back to its default (what loading an empty key gives).
void ResetBatchProcessSettings();
