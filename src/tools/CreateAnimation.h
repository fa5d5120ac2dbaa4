// Animation and multi-page creation: joins a list of image files into one
// animated GIF, MNG animation, multi-page TIFF or DCX file, frames in list order.
#pragma once
#include <windows.h>

#include "tools/ListTool.h"

// A DCX page table has 1024 entries, the last always 0: at most 1023 pages.
inline constexpr int DCX_MAX_PAGES = 1023;
inline constexpr uint32_t DCX_MAGIC = 0x3ADE68B1;
inline constexpr uint32_t DCX_FIRST_PAGE_OFFSET = 4100;
// GIF delays are stored in hundredths of a second in 16 bits.
inline constexpr int GIF_MAX_DELAY_MS = 655350;

// The packed byte of the GIF logical screen for a first frame of `bits` bits.
uint8_t GifScreenPackedByte(int bits);

// The builders: each writes outputPath from count paths (slots of
// LIST_SLOT_CHARS characters) and returns whether the last frame was written
// (false for none, with the failure's text in errorText, FORMAT_ERROR_CHARS
// characters). A frame that fails or a cancel ends the run with the frames
// before it in a finished file; a file that would hold no frame is removed.
// delay: the GIF frame delay in milliseconds, the MNG frame delay in ticks
// (100 a second). compression: the TIFF compression setting (0 none,
// 1 PackBits, 2 ZIP, 3 automatic).
bool WriteAnimatedGIF(RunProgress& progress, const wchar_t* outputPath, const wchar_t* paths, wchar_t* errorText,
                      int count, int delay);
bool WriteMNGAnimation(RunProgress& progress, const wchar_t* outputPath, const wchar_t* paths, wchar_t* errorText,
                       int count, int delay);
bool WriteMultipageTIFF(RunProgress& progress, const wchar_t* outputPath, const wchar_t* paths, wchar_t* errorText,
                        int count, int compression);
bool WriteDCX(RunProgress& progress, const wchar_t* outputPath, const wchar_t* paths, wchar_t* errorText, int count);

// The dialog's kind (the command id it was opened with) and run state.
extern UINT CreateAnimationKind;
INT_PTR CALLBACK CreateAnimationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
